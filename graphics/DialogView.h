#pragma once
// Layout and painting of the framework's own dialogs: the message box
// (text, an icon, OK / OK Cancel / Yes No / Yes No Cancel buttons) and the
// path prompt used when no file dialog program is installed (a text
// field with OK and Cancel). User-interface thread.
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

  // pressed: the button held down (-1 none).
  void Draw(LICE_IBitmap* dest, int pressed) const;

 private:
  struct Button {
    std::string text;
    int answer;
    Rect rect;
  };
  void Layout(int minTextWidth);

  std::vector<std::string> lines;
  int icon = 0;
  std::vector<Button> buttons;
  std::unique_ptr<TextEntryField> field;
  Rect fieldRect;
  LICE_IFont* font = nullptr;
  LICE_IFont* iconFont = nullptr;
  int width = 0;
  int height = 0;
};
