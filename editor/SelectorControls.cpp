#include "editor/SelectorControls.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "editor/PanelControls.h"
#include "editor/PanelModel.h"
#include "engine/PerformanceMode.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "performance/FrontPanel.h"
#include "performance/PanelIds.h"
#include "programs/ParameterTable.h"

namespace {

bool AnyModifier(const MouseMods& mods) {
  return mods.R || mods.S || mods.C;
}

Rect ClickPoint(int x, int y) {
  return Rect(x, y, x, y);
}

std::string TextForValue(const EditorParamInfo& info, int v) {
  for (const auto& entry : info.displayTexts)
    if (entry.first == v) return entry.second;
  return std::string();
}

}  // namespace

// --- IKRDropDown ---------------------------------------------------------------

IKRDropDown::IKRDropDown(PanelModel* model, const Rect& rect, int paramIdx)
    : IControl(model->Delegate(), rect, paramIdx), model(model) {
  textStyle = PanelTextStyle(kDisplayWhite);
  EditorParamInfo info;
  if (paramIdx >= 0 && model->Delegate()->GetEditorParamInfo(paramIdx, &info))
    for (const auto& entry : info.displayTexts) menu.AddItem(entry.second);
}

double IKRDropDown::PlainValue() const {
  EditorParamInfo info;
  return plug->GetEditorParamInfo(paramIndex, &info) ? info.value : 0.0;
}

std::string IKRDropDown::Text() const {
  if (paramIndex == panel_id::kTemplateDropDown) return model->MatchingTemplateName();
  EditorParamInfo info;
  if (!plug->GetEditorParamInfo(paramIndex, &info)) return std::string();
  return TextForValue(info, static_cast<int>(std::trunc(info.value)));
}

bool IKRDropDown::Draw(IGraphics* g) {
  return g->DrawLabel(&textStyle, FittedText(&textStyle, Text(), drawRect.W()), drawRect);
}

void IKRDropDown::Choose(double v) {
  graphics->ShowParamValue(paramIndex, v, false);
  MarkDirty(true);
}

void IKRDropDown::OnMouseDown(int x, int y, const MouseMods&) {
  if (paramIndex == panel_id::kTemplateDropDown) {
    menu.Clear();
    for (const std::string& name : model->TemplateNames()) menu.AddItem(name);
    menu.CheckItemAlone(model->MatchingTemplate());
    const PopupMenu* chosen = graphics->ShowPopupMenu(&menu, ClickPoint(x, y));
    if (chosen && chosen->GetChosenItemIdx() >= 0) {
      model->ApplyTemplate(chosen->GetChosenItemIdx());
      MarkDirty(true);
    }
    return;
  }
  if (paramIndex < 0) return;
  const int current = static_cast<int>(std::trunc(PlainValue()));
  if (menu.NItems() == 2) {
    Choose(1 - current);
    return;
  }
  menu.CheckItemAlone(current);
  const PopupMenu* chosen = graphics->ShowPopupMenu(&menu, ClickPoint(x, y));
  if (chosen && chosen->GetChosenItemIdx() >= 0) Choose(chosen->GetChosenItemIdx());
}

// --- IKRChannelControl ---------------------------------------------------------

IKRChannelControl::IKRChannelControl(PanelModel* model, const Rect& rect, int paramIdx)
    : IKRDropDown(model, rect, paramIdx),
      track(TrackParamTrack(paramIdx)),
      offStyle(PanelTextStyle(Color(224, 255, 80, 48))) {
  textStyle = PanelTextStyle(Color(192, 255, 192, 48));
}

std::string IKRChannelControl::Text() const {
  int channel = 0;
  {
    PluginLock lock(model->Mutex());
    channel = model->Track(track).channel;
  }
  EditorParamInfo info;
  if (!plug->GetEditorParamInfo(paramIndex, &info)) return std::string();
  const std::string text = TextForValue(info, channel);
  // "1" .. "16" stay whole, "All" and "X" become one letter.
  const bool twoDigits = text.size() == 2 && text[0] >= '0' && text[0] <= '9';
  return text.substr(0, twoDigits ? 2 : 1);
}

bool IKRChannelControl::ShowsOff() const {
  if (grayed) return true;
  PluginLock lock(model->Mutex());
  return model->Track(track).channel == kChannelNone;
}

bool IKRChannelControl::Draw(IGraphics* g) {
  return g->DrawLabel(ShowsOff() ? &offStyle : &textStyle, Text(), drawRect);
}

void IKRChannelControl::OnMouseDown(int x, int y, const MouseMods&) {
  const int mode = model->Mode();
  menu.Clear();
  menu.AddItem("All MIDI Channels (Omni)");
  menu.AddSeparator();
  for (int channel = 1; channel <= 16; ++channel) {
    char text[48];
    if (channel <= kParamTrackCount && IsSequenceMode(mode))
      std::snprintf(text, sizeof(text), "MIDI Channel / Sequence %i", channel);
    else if (channel == 6 && IsArpeggiatorMode(mode))
      std::snprintf(text, sizeof(text), "MIDI Channel 6 / Arpeggio");
    else
      std::snprintf(text, sizeof(text), "MIDI Channel %i", channel);
    menu.AddItem(text);
  }
  menu.AddSeparator();
  menu.AddItem("Track Off");
  const int value = static_cast<int>(std::trunc(PlainValue()));
  menu.CheckItemAlone(value == kChannelAll ? 0 : value + 2);
  const PopupMenu* chosen = graphics->ShowPopupMenu(&menu, ClickPoint(x, y));
  if (!chosen || chosen->GetChosenItemIdx() < 0) return;
  const int c = chosen->GetChosenItemIdx();
  Choose(c == 0 ? kChannelAll : c - 2);
}

// --- IKRPrgControl -------------------------------------------------------------

IKRPrgControl::IKRPrgControl(PanelModel* model, const Rect& number, const Rect& name, int track, bool editable, int id,
                             int nameRight)
    : IControl(model->Delegate(), number.Union(name), id),
      model(model),
      numberRect(number),
      nameRect(name),
      nameRoom((nameRight > name.left ? nameRight : name.right) - name.left),
      normalStyle(PanelTextStyle(kDisplayWhite)),
      otherStyle(PanelTextStyle(Color(192, 255, 64, 64))),
      modifiedStyle(PanelTextStyle(Color(192, 255, 160, 48))),
      fixedTrack(track),
      nameEditable(editable) {
  textEntryLength = 253;
  textStyle = normalStyle;
}

int IKRPrgControl::Track() const {
  return fixedTrack >= 0 ? fixedTrack : model->Panel().EditTrack();
}

int IKRPrgControl::StyleKind() const {
  PluginLock lock(model->Mutex());
  const TrackFacts track = model->Track(Track());
  if (track.programModified) return 2;
  return (track.sequenceDriven || track.armed) ? 1 : 0;
}

bool IKRPrgControl::Draw(IGraphics* g) {
  int number = 0;
  std::string name;
  int kind = 0;
  {
    PluginLock lock(model->Mutex());
    const TrackFacts track = model->Track(Track());
    number = track.programNumber;
    name = track.programName;
    kind = StyleKind();
  }
  tooltip = kind == 2 ? "Program is modified!" : "";
  TextStyle* style = kind == 2 ? &modifiedStyle : kind == 1 ? &otherStyle : &normalStyle;
  char text[16];
  std::snprintf(text, sizeof(text), "%02u", static_cast<unsigned>(number));
  // A grayed selector takes no clicks; it shows it faded.
  g->DrawLabel(style, text, numberRect, &blend);
  g->DrawLabel(style, FittedText(style, name, nameRoom), nameRect, &blend);
  return true;
}

void IKRPrgControl::OnMouseDown(int x, int y, const MouseMods& mods) {
  const int t = Track();
  if (nameEditable && nameRect.Contains(x, y)) {
    std::string name;
    {
      PluginLock lock(model->Mutex());
      name = model->Track(t).programName;
    }
    graphics->OpenTextEntry(this, normalStyle, nameRect, name);
    return;
  }
  if (fixedTrack < 0 || AnyModifier(mods)) {
    const int p = model->ChooseProgramFromList(*graphics, t, ClickPoint(x, y));
    if (p < 0) return;
    // With linked programs every track may be touched, so each is asked about.
    const int confirmTrack = model->ProgramsLinked() ? -1 : t;
    if (model->ConfirmModifiedProgram(confirmTrack) == 1) return;
    model->SelectTrackProgram(t, p);
    MarkDirty(false);
    return;
  }
  PluginLock lock(model->Mutex());
  model->Panel().SetEditTrack(t);
}

void IKRPrgControl::AcceptEnteredText(const std::string& text) {
  PluginLock lock(model->Mutex());
  model->RenameTrackProgram(Track(), text);
  MarkDirty(false);
}

// --- IKRPresetMenu -------------------------------------------------------------

namespace {
Rect MovedDown(const Rect& r, int dy) {
  return Rect(r.left, r.top + dy, r.right, r.bottom + dy);
}
}  // namespace

IKRPresetMenu::IKRPresetMenu(PanelModel* model, const Rect& number, const Rect& name)
    : IControl(model->Delegate(), MovedDown(number, 2).Union(MovedDown(name, 2))),
      model(model),
      numberRect(MovedDown(number, 2)),
      nameRect(MovedDown(name, 2)) {
  textEntryLength = 253;
  textStyle = PanelTextStyle(kDisplayWhite);
}

std::string IKRPresetMenu::NumberText() const {
  const int index = model->CurrentPreset();
  char text[16];
  std::snprintf(text, sizeof(text), "%02d", index);
  return text;
}

std::string IKRPresetMenu::NameText() const {
  return model->CurrentPresetName().substr(0, 32);
}

bool IKRPresetMenu::Draw(IGraphics* g) {
  g->DrawLabel(&textStyle, NumberText(), numberRect);
  g->DrawLabel(&textStyle, FittedText(&textStyle, NameText(), nameRect.W()), nameRect);
  return true;
}

void IKRPresetMenu::OnMouseDown(int x, int y, const MouseMods&) {
  if (nameRect.Contains(x, y)) {
    graphics->OpenTextEntry(this, textStyle, nameRect, model->CurrentPresetName());
    return;
  }
  model->ChoosePresetFromList(*graphics, drawRect);
  graphics->SetAllControlsDirty();
}

void IKRPresetMenu::AcceptEnteredText(const std::string& text) {
  model->RenameCurrentPreset(text);
  MarkDirty(false);
}

// --- IKROptionMenu -------------------------------------------------------------

IKROptionMenu::IKROptionMenu(PanelModel* model, const Rect& rect) : IControl(model->Delegate(), rect), model(model) {}

bool IKROptionMenu::Draw(IGraphics* g) {
  if (hovered) g->FillRect(Color(64, 255, 255, 64), drawRect);
  return true;
}

void IKROptionMenu::OnMouseOver(int, int, const MouseMods&) {
  hovered = true;
  MarkDirty(false);
}

void IKROptionMenu::OnMouseOut() {
  hovered = false;
  MarkDirty(false);
}

void IKROptionMenu::OnMouseDown(int x, int y, const MouseMods&) {
  model->RunOptionMenu(*graphics, x, y);
  // A command may have changed any control (a preset loaded, say).
  graphics->SetAllControlsDirty();
}
