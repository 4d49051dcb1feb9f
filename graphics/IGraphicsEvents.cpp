// Mouse and key dispatch of the editor. Hit testing runs from the last
// control to the first and skips hidden and grayed controls. Positions come
// in window pixels and go on in drawing units.
#include "graphics/IControl.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "graphics/TextEntryField.h"

int IGraphics::GetMouseControl(int x, int y, bool mouseOverTest) const {
  if (mouseCapture >= 0 && !mouseOverTest) return mouseCapture;
  for (int i = NControls() - 1; i >= 0; --i) {
    const IControl* control = controls[static_cast<size_t>(i)];
    if (control->IsHidden()) continue;
    if (control->IsGrayed() && !(mouseOverTest && control->MouseOverWhenGrayed())) continue;
    if (control->HitTest(x, y)) return i;
  }
  return -1;
}

void IGraphics::EndGesture() {
  if (gestureParam >= 0) {
    const int param = gestureParam;
    gestureParam = -1;
    plug->EndHostParamGesture(param);
  }
}

void IGraphics::OnMouseDown(int x, int y, const MouseMods& mods) {
  x = ToUnits(x);
  y = ToUnits(y);
  if (IsEditorOpen()) windowSystem->HideTooltip();
  if (textEntry) {
    // The click ends the entry and reaches no control. A click before the
    // first tick since the entry opened is taken as a cancel.
    entryState = entryState == EntryState::JustOpened ? EntryState::Cancel : EntryState::Commit;
    return;
  }
  if (IsEditorOpen()) windowSystem->TakeKeyboardFocus();
  mouseCapture = -1;
  const int c = GetMouseControl(x, y, false);
  mouseCapture = c;
  mouseX = x;
  mouseY = y;
  if (c < 0) return;
  IControl* control = controls[static_cast<size_t>(c)];
  EndGesture();
  if (control->GestureParamIdx() >= 0) {
    gestureParam = control->GestureParamIdx();
    plug->BeginHostParamGesture(gestureParam);
  }
  control->OnMouseDown(x, y, mods);
  // A menu or dialog opened by the press took the mouse: no release will
  // come for this press, so the gesture ends here.
  if (mouseCapture < 0) EndGesture();
}

void IGraphics::OnMouseUp(int x, int y, const MouseMods& mods) {
  x = ToUnits(x);
  y = ToUnits(y);
  const int c = mouseCapture >= 0 ? mouseCapture : GetMouseControl(x, y, false);
  mouseCapture = -1;
  if (c >= 0 && !textEntry) controls[static_cast<size_t>(c)]->OnMouseUp(x, y, mods);
  mouseCapture = -1;
  EndGesture();
}

void IGraphics::OnMouseMove(int x, int y, const MouseMods& mods) {
  x = ToUnits(x);
  y = ToUnits(y);
  if (mods.L || mods.R) {
    if (textEntry || mouseCapture < 0) return;
    if (x == mouseX && y == mouseY) return;
    const int dx = x - mouseX, dy = y - mouseY;
    mouseX = x;
    mouseY = y;
    controls[static_cast<size_t>(mouseCapture)]->OnMouseDrag(x, y, dx, dy, mods);
    return;
  }
  mouseX = x;
  mouseY = y;
  if (!handleMouseOver) return;
  const int c = mouseCapture >= 0 ? mouseCapture : GetMouseControl(x, y, true);
  if (tooltips && c != mouseOver && IsEditorOpen()) windowSystem->HideTooltip();
  if (c >= 0) controls[static_cast<size_t>(c)]->OnMouseOver(x, y, mods);
  if (mouseOver >= 0 && mouseOver != c && mouseOver < NControls())
    controls[static_cast<size_t>(mouseOver)]->OnMouseOut();
  mouseOver = c;
  if (tooltips && c >= 0 && IsEditorOpen()) windowSystem->RequestHoverNotice();
}

void IGraphics::OnMouseHover() {
  if (!tooltips || mouseOver < 0 || mouseOver >= NControls() || !IsEditorOpen()) return;
  const std::string& text = controls[static_cast<size_t>(mouseOver)]->Tooltip();
  const Rect at = ToPixels(Rect(mouseX, mouseY, mouseX + 1, mouseY + 1));
  if (!text.empty()) windowSystem->ShowTooltip(text, at.left, at.top);
}

void IGraphics::OnMouseLeave() {
  if (IsEditorOpen()) windowSystem->HideTooltip();
  for (IControl* control : controls) control->OnMouseOut();
  mouseOver = -1;
}

void IGraphics::OnMouseDoubleClick(int x, int y, const MouseMods& mods) {
  if (textEntry) {
    OnMouseDown(x, y, mods);
    return;
  }
  x = ToUnits(x);
  y = ToUnits(y);
  mouseCapture = -1;
  const int c = GetMouseControl(x, y, false);
  if (c < 0) return;
  IControl* control = controls[static_cast<size_t>(c)];
  mouseX = x;
  mouseY = y;
  // Either way the press may change the parameter: bracket it like a click.
  EndGesture();
  if (control->GestureParamIdx() >= 0) {
    gestureParam = control->GestureParamIdx();
    plug->BeginHostParamGesture(gestureParam);
  }
  if (control->DoubleClickAsClick()) {
    mouseCapture = c;
    control->OnMouseDown(x, y, mods);
    if (mouseCapture < 0) EndGesture();
  } else {
    control->OnMouseDoubleClick(x, y, mods);
  }
}

void IGraphics::OnMouseWheel(int x, int y, const MouseMods& mods, int notches) {
  x = ToUnits(x);
  y = ToUnits(y);
  if (textEntry) {
    entryState = EntryState::Cancel;
    return;
  }
  const int c = GetMouseControl(x, y, false);
  if (c >= 0) controls[static_cast<size_t>(c)]->OnMouseWheel(x, y, mods, notches);
}

bool IGraphics::OnKeyDown(const KeyEvent& key) {
  if (textEntry) {
    const TextEntryField::Result result = textEntry->HandleKey(key);
    if (result == TextEntryField::Result::Commit)
      entryState = EntryState::Commit;
    else if (result == TextEntryField::Result::Cancel)
      entryState = EntryState::Cancel;
    entryDirty = true;
    RedrawAndUpdate(entryRect);
    return true;
  }
  const int code = KeyCodeOf(key);
  if (code == kKeyNone) return false;
  const int c = GetMouseControl(mouseX, mouseY, false);
  IControl* target = c > 0 ? controls[static_cast<size_t>(c)] : keyCatcher;
  if (!target) return false;
  return target->OnKeyDown(mouseX, mouseY, code);
}

void IGraphics::OnFocusLost() {
  if (textEntry && entryState != EntryState::Cancel) entryState = EntryState::Commit;
}
