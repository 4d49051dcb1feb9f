#pragma once
// Layout and painting of the framework's own dialogs: the message box
// (text, an icon, OK / OK Cancel / Yes No / Yes No Cancel buttons) and the
// path prompt used when no file dialog program is installed (a text
// field with OK and Cancel, and a list of the folder's entries to browse).
// User-interface thread.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/EditorRecords.h"

class LICE_IBitmap;
class LICE_IFont;
class TextEntryField;

class DialogView {
 public:
  // type: MessageBoxType flags (buttons and icon).
  DialogView(const std::string& text, int type);
  // A path prompt: the text is a label above an editable field.
  DialogView(const std::string& label, const std::string& fieldText);
  // A path prompt with a list of the entries of the field's folder below
  // the field, as the lister gives them ("../" and "name/" for folders).
  using FolderLister = std::function<std::vector<std::string>(const std::string& folder)>;
  DialogView(const std::string& label, const std::string& fieldText, FolderLister lister, bool foldersOnly);
  ~DialogView();

  int Width() const { return width; }
  int Height() const { return height; }
  int ButtonCount() const { return static_cast<int>(buttons.size()); }
  Rect ButtonRect(int index) const;
  // The button under (x, y), or -1.
  int ButtonAt(int x, int y) const;
  // The MessageBoxAnswer of a button.
  int AnswerOf(int button) const;
  // Closing the window or Escape: Cancel when there is such a button,
  // else No, else OK.
  int CancelAnswer() const;
  // The answer a key gives (Return: the first button, Escape: the cancel
  // answer, "y"/"n" in yes/no boxes), or 0; other keys edit the field.
  int HandleKey(const KeyEvent& key);
  TextEntryField* Field() const { return field.get(); }
  Rect FieldRect() const { return fieldRect; }

  // --- the prompt's list ---
  bool HasList() const { return static_cast<bool>(lister); }
  Rect ListRect() const { return listRect; }
  const std::string& ListFolder() const { return listFolder; }
  const std::vector<std::string>& ListEntries() const { return listEntries; }
  // The entry under (x, y), or -1.
  int ListEntryAt(int x, int y) const;
  // A click on the list: a folder opens, a file goes into the field; the
  // second click of a double-click on the same file accepts it
  // (kAnswerOk). Returns the answer, or 0.
  int ClickList(int x, int y, bool doubleClick);
  // Scrolls by rows (negative: up).
  void ScrollList(int rows);

  // pressed: the button held down (-1 none).
  void Draw(LICE_IBitmap* dest, int pressed) const;

 private:
  struct Button {
    std::string text;
    int answer;
    Rect rect;
  };
  void Layout(int minTextWidth);
  void OpenListFolder(const std::string& folder);
  int ListRowHeight() const;
  void DrawList(LICE_IBitmap* dest) const;

  std::vector<std::string> lines;
  int icon = 0;
  std::vector<Button> buttons;
  std::unique_ptr<TextEntryField> field;
  Rect fieldRect;
  FolderLister lister;
  bool foldersOnly = false;
  Rect listRect;
  std::string listFolder;  // without a trailing "/" (except the root)
  std::vector<std::string> listEntries;
  int listFirst = 0;
  int listSelected = -1;
  LICE_IFont* font = nullptr;
  LICE_IFont* iconFont = nullptr;
  int width = 0;
  int height = 0;
};
