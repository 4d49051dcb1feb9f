#include "graphics/IControl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "graphics/IControls.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"

IControl::IControl(IEditorDelegate* plugIn, const Rect& rect, int paramIdx, const BlendMode& blendMode)
    : plug(plugIn), drawRect(rect), targetRect(rect), paramIndex(paramIdx), blend(blendMode) {}

IControl::~IControl() = default;

void IControl::OnMouseDown(int, int, const MouseMods& mods) {
  if (mods.R) PromptForValue();
}

void IControl::OnMouseUp(int, int, const MouseMods&) {}

void IControl::OnMouseDrag(int, int, int, int, const MouseMods&) {}

void IControl::OnMouseDoubleClick(int, int, const MouseMods&) {
  if (defaultValue >= 0.0) {
    value = defaultValue.load();
    MarkDirty(true);
  }
}

void IControl::OnMouseWheel(int, int, const MouseMods&, int) {}

bool IControl::OnKeyDown(int, int, int) {
  return false;
}

void IControl::OnMouseOver(int, int, const MouseMods&) {}

void IControl::OnMouseOut() {}

void IControl::ShowValue(double normalisedValue) {
  // A host may send anything; a value that is no number shows nothing new.
  if (!std::isfinite(normalisedValue)) return;
  if (defaultValue < 0.0) {
    defaultValue = normalisedValue;
    value = normalisedValue;
  }
  if (normalisedValue != value) {
    value = normalisedValue;
    // Pending before dirty: a MarkClean in between still leaves it dirty.
    redrawPending = true;
    MarkDirty(false);
  }
}

void IControl::ApplyUserValue(double normalisedValue) {
  if (normalisedValue != value) {
    value = normalisedValue;
    MarkDirty(true);
    redrawPending = true;
  }
}

void IControl::AcceptEnteredText(const std::string&) {}

void IControl::SetHidden(bool hide) {
  hidden = hide;
  redrawPending = true;
  MarkDirty(false);
}

void IControl::SetGrayed(bool gray) {
  grayed = gray;
  blend.weight = gray ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y) const {
  return targetRect.Contains(x, y);
}

void IControl::MarkDirty(bool push) {
  const double shown = value;
  value = std::isfinite(shown) ? std::clamp(shown, clampLow, clampHigh) : clampLow;
  dirty = true;
  if (!push || paramIndex < 0 || !plug) return;
  plug->SetParamFromEditor(paramIndex, value);
  if (valueDisplay) {
    std::string text = plug->EditorDisplayText(paramIndex, value, true).substr(0, 32);
    text += ' ';
    text += plug->EditorLabelText(paramIndex).substr(0, 32);
    valueDisplay->SetTextFromPlug(text);
  }
  if (nameDisplay) {
    EditorParamInfo info;
    if (plug->GetEditorParamInfo(paramIndex, &info)) nameDisplay->SetTextFromPlug(info.name);
  }
}

void IControl::MarkClean() {
  // exchange: a value shown while the control was drawn is drawn next time.
  dirty = redrawPending.exchange(false);
}

void IControl::ShowAuxValue(int auxIndex, double normalisedValue) {
  if (auxIndex < 0 || auxIndex >= NAuxParams()) return;
  AuxParam& aux = auxParams[static_cast<size_t>(auxIndex)];
  if (normalisedValue != aux.value) {
    aux.value = normalisedValue;
    redrawPending = true;
    MarkDirty(false);
  }
}

const IControl::AuxParam* IControl::GetAuxParam(int auxIndex) const {
  if (auxIndex < 0 || auxIndex >= NAuxParams()) return nullptr;
  return &auxParams[static_cast<size_t>(auxIndex)];
}

int IControl::AuxParamIndexFor(int paramIdx) const {
  for (int i = 0; i < NAuxParams(); ++i)
    if (auxParams[static_cast<size_t>(i)].paramIndex == paramIdx) return i;
  return -1;
}

void IControl::PromptForValue() {
  if (paramIndex < 0 || promptDisabled || !plug || !graphics) return;
  EditorParamInfo info;
  if (!plug->GetEditorParamInfo(paramIndex, &info)) return;
  // Without display texts the prompt is a small field on the control's centre.
  const Rect promptRect = info.HasDisplayTexts() ? drawRect
                                                 : Rect(drawRect.MidX() - 20, drawRect.MidY() - 8, drawRect.MidX() + 20,
                                                        drawRect.MidY() + 8);
  const bool menu =
      info.kind == EditorParamKind::List || (info.kind == EditorParamKind::Switch && info.HasDisplayTexts());
  if (menu) {
    const std::string current = plug->EditorDisplayText(paramIndex, info.value, false);
    PopupMenu popup;
    const int count = static_cast<int>(info.displayTexts.size());
    for (int v = 0; v < count; ++v) {
      std::string text;
      for (const auto& entry : info.displayTexts)
        if (entry.first == v) {
          text = entry.second;
          break;
        }
      popup.AddItem(text, text == current ? PopupMenuItem::kChecked : PopupMenuItem::kNoFlags);
    }
    PopupMenu* chosen = graphics->ShowPopupMenu(&popup, promptRect);
    if (chosen && chosen->GetChosenItemIdx() >= 0) {
      const double v = std::clamp(static_cast<double>(chosen->GetChosenItemIdx()), info.min, info.max);
      ApplyUserValue(plug->EditorNormalizedValue(paramIndex, v));
    }
    return;
  }
  std::string text;
  if (info.hasDisplayFunction) {
    text = plug->EditorDisplayText(paramIndex, info.value, false);
  } else {
    char buffer[64];
    if (info.displayPrecision > 0)
      std::snprintf(buffer, sizeof buffer, "%.*f", info.displayPrecision, info.value);
    else
      std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(info.value));
    text = buffer;
  }
  graphics->OpenTextEntry(this, textStyle, promptRect, text, paramIndex);
}
