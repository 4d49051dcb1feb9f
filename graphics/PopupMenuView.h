#pragma once
// Layout and painting of one level of a popup menu, for window systems
// that draw their menus themselves. User-interface thread.
#include <vector>

#include "graphics/EditorRecords.h"

class LICE_IBitmap;
class LICE_IFont;
class PopupMenu;

class PopupMenuView {
 public:
  explicit PopupMenuView(PopupMenu* menu);

  PopupMenu* Menu() const { return menu; }
  int Width() const { return width; }
  int Height() const { return height; }
  int NItems() const { return static_cast<int>(itemRects.size()); }
  // In the view's own pixels.
  Rect ItemRect(int index) const;
  // The item under (x, y), or -1 (separators and borders are no item).
  int ItemAt(int x, int y) const;
  // Items that can be highlighted: enabled, not a title or separator.
  bool Selectable(int index) const;
  // The next selectable item after `from` in direction +1 or -1, wrapping;
  // -1 when there is none.
  int NextSelectable(int from, int direction) const;
  bool OpensSubmenu(int index) const;

  void Draw(LICE_IBitmap* dest, int highlighted) const;

 private:
  PopupMenu* menu;
  LICE_IFont* font = nullptr;
  LICE_IFont* titleFont = nullptr;
  std::vector<Rect> itemRects;
  int width = 0;
  int height = 0;
};
