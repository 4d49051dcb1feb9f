#include "graphics/PopupMenuView.h"

#include <algorithm>

#include "graphics/GraphicsCaches.h"
#include "graphics/PopupMenu.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"

namespace {

constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 7;
constexpr int kBorder = 1;
constexpr int kCheckColumn = 22;
constexpr int kArrowColumn = 20;
constexpr int kMinWidth = 80;

const LICE_pixel kBackground = LICE_RGBA(242, 242, 242, 255);
const LICE_pixel kFrame = LICE_RGBA(128, 128, 128, 255);
const LICE_pixel kText = LICE_RGBA(0, 0, 0, 255);
const LICE_pixel kGrayText = LICE_RGBA(150, 150, 150, 255);
const LICE_pixel kHighlight = LICE_RGBA(51, 120, 215, 255);
const LICE_pixel kHighlightText = LICE_RGBA(255, 255, 255, 255);

TextStyle MenuStyle(bool bold) {
  TextStyle style("Arial", 14, kColorBlack, bold ? TextStyle::kStyleBold : TextStyle::kStyleNormal,
                  TextStyle::kAlignNear);
  return style;
}

}  // namespace

PopupMenuView::PopupMenuView(PopupMenu* m) : menu(m) {
  font = CachedFontFor(MenuStyle(false));
  titleFont = CachedFontFor(MenuStyle(true));
  int textWidth = 0;
  int y = kBorder;
  for (int i = 0; i < menu->NItems(); ++i) {
    const PopupMenuItem* item = menu->GetItem(i);
    const int h = item->IsSeparator() ? kSeparatorHeight : kItemHeight;
    itemRects.emplace_back(kBorder, y, 0, y + h);
    y += h;
    LICE_IFont* f = item->IsTitle() ? titleFont : font;
    if (f && !item->IsSeparator()) textWidth = std::max(textWidth, f->MeasureText(menu->ItemDisplayText(i)));
  }
  width = std::max(kMinWidth, kCheckColumn + textWidth + kArrowColumn + 2 * kBorder);
  height = std::max(y + kBorder, 2 * kBorder + 4);
  for (Rect& r : itemRects) r.right = width - kBorder;
}

Rect PopupMenuView::ItemRect(int index) const {
  if (index < 0 || index >= NItems()) return Rect();
  return itemRects[static_cast<size_t>(index)];
}

int PopupMenuView::ItemAt(int x, int y) const {
  for (int i = 0; i < NItems(); ++i)
    if (itemRects[static_cast<size_t>(i)].Contains(x, y)) return menu->GetItem(i)->IsSeparator() ? -1 : i;
  return -1;
}

bool PopupMenuView::Selectable(int index) const {
  const PopupMenuItem* item = menu->GetItem(index);
  return item && !item->IsSeparator() && !item->IsTitle() && item->Enabled();
}

bool PopupMenuView::OpensSubmenu(int index) const {
  const PopupMenuItem* item = menu->GetItem(index);
  return item && item->Submenu() && Selectable(index);
}

int PopupMenuView::NextSelectable(int from, int direction) const {
  const int n = NItems();
  if (n == 0) return -1;
  int i = from;
  for (int step = 0; step < n; ++step) {
    if (i < 0 || i >= n)
      i = direction > 0 ? 0 : n - 1;
    else
      i = (i + direction + n) % n;
    if (Selectable(i)) return i;
  }
  return -1;
}

void PopupMenuView::Draw(LICE_IBitmap* dest, int highlighted) const {
  if (!dest) return;
  LICE_Clear(dest, kBackground);
  LICE_DrawRect(dest, 0, 0, width, height, kFrame);
  for (int i = 0; i < NItems(); ++i) {
    const PopupMenuItem* item = menu->GetItem(i);
    const Rect& r = itemRects[static_cast<size_t>(i)];
    if (item->IsSeparator()) {
      LICE_FillRect(dest, r.left + 4, r.MidY(), r.W() - 8, 1, LICE_RGBA(200, 200, 200, 255), 1.0f, LICE_BlitMode::Copy);
      continue;
    }
    const bool hot = i == highlighted && Selectable(i);
    if (hot) LICE_FillRect(dest, r.left, r.top, r.W(), r.H(), kHighlight, 1.0f, LICE_BlitMode::Copy);
    const bool gray = !item->Enabled() || item->IsTitle();
    const LICE_pixel color = hot ? kHighlightText : (gray ? kGrayText : kText);
    LICE_IFont* f = item->IsTitle() ? titleFont : font;
    if (f) {
      const int top = r.top + (r.H() - f->LineHeight()) / 2;
      f->DrawText(dest, menu->ItemDisplayText(i), r.left + kCheckColumn, top, r.right, color, false,
                  LICE_TextAlign::Left);
    }
    if (item->Checked()) {
      const float cx = static_cast<float>(r.left + 10), cy = static_cast<float>(r.MidY());
      LICE_Line(dest, cx - 4, cy, cx - 1, cy + 3, color, 1.6f);
      LICE_Line(dest, cx - 1, cy + 3, cx + 5, cy - 4, color, 1.6f);
    }
    if (item->Submenu()) {
      const float ax = static_cast<float>(r.right - 12), ay = static_cast<float>(r.MidY());
      LICE_Line(dest, ax, ay - 4, ax + 4, ay, color, 1.4f);
      LICE_Line(dest, ax + 4, ay, ax, ay + 4, color, 1.4f);
    }
  }
}
