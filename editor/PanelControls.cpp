#include "editor/PanelControls.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "editor/PanelModel.h"
#include "engine/PerformanceMode.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "performance/FrontPanel.h"
#include "performance/PanelIds.h"
#include "programs/ParameterTable.h"

namespace {

bool AnyModifier(const MouseMods& mods) {
  return mods.R || mods.S || mods.C;
}

// A frame from a value as the knobs count them: 1..frames, 1 when the
// computation overflows.
int KnobFrame(double v, int frames) {
  const double f = std::floor((frames - 1) * v + 0.5) + 1.0;
  if (!std::isfinite(f) || f < 1.0) return 1;
  return f > frames ? frames : static_cast<int>(f);
}

}  // namespace

TextStyle PanelTextStyle(const Color& color, TextStyle::Align align, int size) {
  return TextStyle("Arial", size, color, TextStyle::kStyleNormal, align);
}

std::string FittedText(TextStyle* style, const std::string& text, int width) {
  if (!style->cachedFont) style->cachedFont = CachedFontFor(*style);
  const LICE_IFont* font = style->cachedFont;
  if (!font) return text;
  std::string fitted = text;
  while (!fitted.empty() && font->MeasureText(fitted) > width) {
    // Back over a whole UTF-8 character.
    size_t end = fitted.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(fitted[end]) & 0xC0) == 0x80) --end;
    fitted.resize(end);
  }
  return fitted;
}

// --- IKRKnobControl ------------------------------------------------------------

IKRKnobControl::IKRKnobControl(PanelModel* model, int x, int y, int paramIdx, const PanelBitmap& bitmap, bool showValue)
    : IKnobMultiControl(model->Delegate(), x, y, paramIdx, bitmap, kVertical, 4.0),
      model(model),
      showValueOnHover(showValue && paramIdx >= 0),
      valueStyle(PanelTextStyle(Color(255, 64, 255, 64), TextStyle::kAlignCenter)) {
  valueTextRect = Rect(drawRect.left, drawRect.top + 8, drawRect.right, drawRect.bottom);
}

void IKRKnobControl::OnMouseDrag(int x, int y, int dx, int dy, const MouseMods& mods) {
  IKnobMultiControl::OnMouseDrag(x, y, dx, dy, mods);
  if (paramIndex == panel_id::kTrackVolumeKnob || paramIndex == panel_id::kValueKnob) {
    PluginLock lock(model->Mutex());
    model->Panel().OnKnob(paramIndex, value);
  }
}

int IKRKnobControl::GestureParamIdx() const {
  if (paramIndex != panel_id::kTrackVolumeKnob && paramIndex != panel_id::kValueKnob) return paramIndex;
  PluginLock lock(model->Mutex());
  return model->Panel().KnobParam(paramIndex);
}

void IKRKnobControl::OnMouseOver(int, int, const MouseMods&) {
  if (paramIndex == kParamMasterTune) tooltip = model->TuningStatusText();
  hovered = true;
  MarkDirty(false);
}

void IKRKnobControl::OnMouseOut() {
  hovered = false;
  MarkDirty(false);
}

int IKRKnobControl::FrameFor(double v) const {
  return KnobFrame(v, panelBitmap.N);
}

bool IKRKnobControl::Draw(IGraphics* g) {
  if (paramIndex == panel_id::kTrackVolumeKnob || paramIndex == panel_id::kValueKnob) {
    double position = -1.0;
    {
      PluginLock lock(model->Mutex());
      position = model->Panel().KnobPosition(paramIndex);
    }
    if (position >= 0.0) value = position;
  }
  g->BlitFrame(panelBitmap, drawRect, FrameFor(value), &blend);
  if (showValueOnHover && hovered) {
    const BlendMode disc(BlendMode::kNone, 0.6f);
    g->FillCircle(Color(255, 64, 64, 64), drawRect.MidX(), drawRect.MidY(), drawRect.W() / 2.0f, &disc);
    g->DrawLabel(&valueStyle, plug->EditorDisplayText(paramIndex, value, true), valueTextRect);
  }
  return true;
}

// --- IKRSwitchControl ----------------------------------------------------------

IKRSwitchControl::IKRSwitchControl(PanelModel* model, int x, int y, int paramIdx, const PanelBitmap& bitmap)
    : ISwitchControl(model->Delegate(), x, y, paramIdx, bitmap), model(model) {}

int IKRSwitchControl::CycleTrack() const {
  const int t = -paramIndex - 319;
  return (t >= 0 && t < kParamTrackCount) ? t : -1;
}

bool IKRSwitchControl::Draw(IGraphics* g) {
  const int t = CycleTrack();
  if (t < 0) return IBitmapControl::Draw(g);
  bool cycle = false;
  {
    PluginLock lock(model->Mutex());
    cycle = model->Track(t).cycle;
  }
  return g->BlitFrame(panelBitmap, drawRect, cycle ? 2 : 1, &blend);
}

void IKRSwitchControl::OnMouseDown(int, int, const MouseMods&) {
  const int t = CycleTrack();
  if (t >= 0) {
    {
      PluginLock lock(model->Mutex());
      const bool cycle = model->Track(t).cycle;
      model->SetParam(TrackParamIndex(t, kTrackCycle), cycle ? 0.0 : 1.0);
    }
    MarkDirty(false);
    return;
  }
  StepValue();
  if (paramIndex == panel_id::kConfigPageSwitch)
    model->ShowConfigPage(!model->ConfigPageShown());
  else if (paramIndex == panel_id::kBrowserPageSwitch)
    model->ToggleBrowserPage();
  MarkDirty(true);
}

// --- IKRUtilityKick ------------------------------------------------------------

IKRUtilityKick::IKRUtilityKick(PanelModel* model, int x, int y, int id, const PanelBitmap& bitmap)
    : IBitmapControl(model->Delegate(), x, y, id, bitmap), model(model) {
  highlightRect = Rect(drawRect.left - 1, drawRect.top - 1, drawRect.right, drawRect.bottom);
  doubleClickAsClick = true;
}

bool IKRUtilityKick::CanLatch() const {
  return paramIndex == panel_id::kControlRecord ||
         (paramIndex >= panel_id::kClick && paramIndex <= panel_id::TrackButton(0));
}

bool IKRUtilityKick::Draw(IGraphics* g) {
  bool configShown = model->ConfigPageShown();
  bool sequenceFilled = false;
  if (configShown && (paramIndex == panel_id::kSeqA || paramIndex == panel_id::kSeqB)) {
    PluginLock lock(model->Mutex());
    sequenceFilled = model->SequenceFilled(paramIndex == panel_id::kSeqA ? 0 : 1);
  }
  if (configShown &&
      (paramIndex == panel_id::kProgram || paramIndex == panel_id::kSeqA || paramIndex == panel_id::kSeqB))
    g->FillRect(Color(96, 192, 255, 0), highlightRect);
  g->BlitFrame(panelBitmap, drawRect, pressed + 1, &blend);
  if (latched) g->FillRect(Color(96, 192, 64, 32), highlightRect);
  if (sequenceFilled) g->FillRect(Color(96, 32, 192, 64), highlightRect);
  return true;
}

int IKRUtilityKick::GestureParamIdx() const {
  if (paramIndex >= 0) return paramIndex;
  PluginLock lock(model->Mutex());
  return model->Panel().ButtonParam(paramIndex);
}

void IKRUtilityKick::OnMouseDown(int x, int y, const MouseMods& mods) {
  const bool modifier = AnyModifier(mods);
  if (CanLatch()) {
    latched = !latched && mods.R;
    PluginLock lock(model->Mutex());
    model->Panel().SetButtonLatched(paramIndex, latched);
  } else if (paramIndex == panel_id::kProgram && modifier) {
    ShowProgramButtonMenu(x, y);
    return;
  } else if ((paramIndex == panel_id::kSeqA || paramIndex == panel_id::kSeqB) && modifier) {
    const int mode = model->Mode();
    if (!IsSequenceMode(mode)) {
      ShowSequenceMenu(paramIndex == panel_id::kSeqA ? 0 : 1, x, y);
      return;
    }
  } else {
    latched = false;
  }
  Press(modifier);
}

void IKRUtilityKick::Press(bool modifier) {
  bool down = false;
  {
    PluginLock lock(model->Mutex());
    down = model->Panel().OnButtonDown(paramIndex, modifier);
  }
  if (down) pressed = 1;
  MarkDirty(false);
}

void IKRUtilityKick::OnMouseUp(int, int, const MouseMods&) {
  if (latched) return;
  {
    PluginLock lock(model->Mutex());
    model->Panel().OnButtonUp(paramIndex);
  }
  pressed = 0;
  MarkDirty(false);
}

void IKRUtilityKick::ReleaseLatch() {
  latched = false;
  pressed = 0;
  MarkDirty(false);
}

void IKRUtilityKick::ShowProgramButtonMenu(int x, int y) {
  model->RunProgramButtonMenu(*graphics, x, y);
  graphics->SetAllControlsDirty();
}

void IKRUtilityKick::ShowSequenceMenu(int which, int x, int y) {
  model->RunSequenceMenu(*graphics, which, x, y);
  MarkDirty(false);
}

// --- IKRLED --------------------------------------------------------------------

IKRLED::IKRLED(PanelModel* model, int x, int y, int id, const PanelBitmap& bitmap)
    : IBitmapControl(model->Delegate(), x, y, id, bitmap), model(model) {}

bool IKRLED::Lit() {
  PluginLock lock(model->Mutex());
  return model->Panel().LedState(paramIndex);
}

bool IKRLED::Draw(IGraphics* g) {
  drawnLit = Lit();
  return g->BlitFrame(panelBitmap, drawRect, drawnLit ? 2 : 1, &blend);
}

void IKRLED::FollowState() {
  if (!IsHidden() && Lit() != drawnLit) MarkDirty(false);
}

// --- IKRNumberDisplay ----------------------------------------------------------

IKRNumberDisplay::IKRNumberDisplay(PanelModel* model, const Rect& rect, int id, const PanelBitmap& digits)
    : IControl(model->Delegate(), rect, id), model(model), digitsBitmap(digits) {
  const int w = digits.FrameWidth();
  const int h = digits.FrameHeight();
  leftDigit = Rect(rect.left, rect.top, rect.left + w, rect.top + h);
  rightDigit = Rect(rect.right - w, rect.top, rect.right, rect.top + h);
  if (id == panel_id::kEditTrackDisplay)
    for (int t = 1; t <= kParamTrackCount; ++t) trackMenu.AddItem(std::to_string(t));
}

void IKRNumberDisplay::DigitFrames(int* left, int* right) const {
  *left = 0;
  *right = 0;
  if (paramIndex == panel_id::kEditTrackDisplay) {
    *left = model->Panel().EditTrack() + 2;
    return;
  }
  const int code = model->Panel().NumberDisplayCode();
  // The panel logic has no number to show.
  if (code < 0) return;
  *left = ((code >> 4) & 15) + 1;
  if (code < 256) *right = (code & 15) + 1;
}

bool IKRNumberDisplay::Draw(IGraphics* g) {
  int left = 0, right = 0;
  {
    PluginLock lock(model->Mutex());
    DigitFrames(&left, &right);
  }
  if (left > 0) g->BlitFrame(digitsBitmap, leftDigit, left, &blend);
  if (right > 0) g->BlitFrame(digitsBitmap, rightDigit, right, &blend);
  return true;
}

void IKRNumberDisplay::OnMouseDown(int x, int y, const MouseMods&) {
  if (paramIndex != panel_id::kEditTrackDisplay) return;
  trackMenu.CheckItemAlone(model->Panel().EditTrack());
  const PopupMenu* chosen = graphics->ShowPopupMenu(&trackMenu, Rect(x, y, x, y));
  if (chosen && chosen->GetChosenItemIdx() >= 0) {
    PluginLock lock(model->Mutex());
    model->Panel().SetEditTrack(chosen->GetChosenItemIdx());
  }
  MarkDirty(false);
}

// --- IKRSwitchMidiLearn --------------------------------------------------------

IKRSwitchMidiLearn::IKRSwitchMidiLearn(PanelModel* model, int x, int y, const PanelBitmap& learn,
                                       const PanelBitmap& unlearn)
    : IControl(model->Delegate(), Rect(x, y, x + learn.FrameWidth(), y + learn.FrameHeight()), panel_id::kLearnButton),
      model(model),
      learnBitmap(learn),
      unlearnBitmap(unlearn) {
  doubleClickAsClick = true;
}

bool IKRSwitchMidiLearn::Draw(IGraphics* g) {
  return g->BlitFrame(learnMode ? learnBitmap : unlearnBitmap, drawRect, value >= 0.5 ? 2 : 1, &blend);
}

void IKRSwitchMidiLearn::OnMouseDown(int, int, const MouseMods& mods) {
  if (mods.L) {
    value = value >= 0.5 ? 0.0 : 1.0;
    model->ArmMidiLearn(value > 0.0, !learnMode);
    MarkDirty(false);
  } else if (mods.R && value < 0.5) {
    learnMode = !learnMode;
    MarkDirty(false);
  }
}

// --- IKRTextToggle -------------------------------------------------------------

IKRTextToggle::IKRTextToggle(PanelModel* model, const Rect& rect, int id)
    : IControl(model->Delegate(), rect, id), model(model) {
  textStyle = PanelTextStyle(kDisplayWhite, TextStyle::kAlignCenter, 12);
}

std::string IKRTextToggle::Text() const {
  return model->TransposeView() ? "TRP" : "TUN";
}

bool IKRTextToggle::Draw(IGraphics* g) {
  return g->DrawLabel(&textStyle, Text(), drawRect);
}

void IKRTextToggle::OnMouseDown(int, int, const MouseMods&) {
  model->ShowTuneOrTranspose(!model->TransposeView());
  MarkDirty(false);
}
