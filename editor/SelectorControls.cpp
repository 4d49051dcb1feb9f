#include "editor/SelectorControls.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "editor/PanelControls.h"
#include "performance/PanelIds.h"
#include "editor/Menus.h"
#include "editor/PanelMenus.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
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

IKRDropDown::IKRDropDown(Vornell* plug, const Rect& rect, int paramIdx)
    : IControl(plug, rect, paramIdx), vornell(plug) {
  textStyle = PanelTextStyle(kDisplayWhite);
  EditorParamInfo info;
  if (paramIdx >= 0 && plug->GetEditorParamInfo(paramIdx, &info))
    for (const auto& entry : info.displayTexts) menu.AddItem(entry.second);
}

double IKRDropDown::PlainValue() const {
  EditorParamInfo info;
  return plug->GetEditorParamInfo(paramIndex, &info) ? info.value : 0.0;
}

std::string IKRDropDown::Text() const {
  if (paramIndex == panel_id::kTemplateDropDown) return vornell->MatchingConfigTemplateName();
  EditorParamInfo info;
  if (!plug->GetEditorParamInfo(paramIndex, &info)) return std::string();
  return TextForValue(info, static_cast<int>(std::trunc(info.value)));
}

bool IKRDropDown::Draw(IGraphics* g) {
  return g->DrawLabel(&textStyle, Text(), drawRect);
}

void IKRDropDown::Choose(double v) {
  graphics->ShowParamValue(paramIndex, v, false);
  MarkDirty(true);
}

void IKRDropDown::OnMouseDown(int x, int y, const MouseMods&) {
  if (paramIndex == panel_id::kTemplateDropDown) {
    menu.Clear();
    for (const ConfigTemplate& entry : vornell->config.configTemplates) menu.AddItem(entry.name);
    menu.CheckItemAlone(vornell->MatchingConfigTemplate());
    const PopupMenu* chosen = graphics->ShowPopupMenu(&menu, ClickPoint(x, y));
    if (chosen && chosen->GetChosenItemIdx() >= 0) {
      vornell->ApplyConfigTemplate(chosen->GetChosenItemIdx());
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

IKRChannelControl::IKRChannelControl(Vornell* plug, const Rect& rect, int paramIdx)
    : IKRDropDown(plug, rect, paramIdx),
      track(TrackParamTrack(paramIdx)),
      offStyle(PanelTextStyle(Color(224, 255, 80, 48))) {
  textStyle = PanelTextStyle(Color(192, 255, 192, 48));
}

std::string IKRChannelControl::Text() const {
  int channel = 0;
  {
    PluginLock lock(vornell->Mutex());
    channel = vornell->engine.GetTrack(track).channel;
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
  PluginLock lock(vornell->Mutex());
  return vornell->engine.GetTrack(track).channel == kChannelNone;
}

bool IKRChannelControl::Draw(IGraphics* g) {
  return g->DrawLabel(ShowsOff() ? &offStyle : &textStyle, Text(), drawRect);
}

void IKRChannelControl::OnMouseDown(int x, int y, const MouseMods&) {
  const int mode = vornell->ModeValue();
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

IKRPrgControl::IKRPrgControl(Vornell* plug, const Rect& number, const Rect& name, int track, bool editable, int id)
    : IControl(plug, number.Union(name), id),
      vornell(plug),
      numberRect(number),
      nameRect(name),
      normalStyle(PanelTextStyle(kDisplayWhite)),
      otherStyle(PanelTextStyle(Color(192, 255, 64, 64))),
      modifiedStyle(PanelTextStyle(Color(192, 255, 160, 48))),
      fixedTrack(track),
      nameEditable(editable) {
  textEntryLength = 253;
  textStyle = normalStyle;
}

int IKRPrgControl::Track() const {
  return fixedTrack >= 0 ? fixedTrack : vornell->Panel().EditTrack();
}

int IKRPrgControl::StyleKind() const {
  PluginLock lock(vornell->Mutex());
  const ::Track& track = vornell->engine.GetTrack(Track());
  if (track.programModified) return 2;
  return (track.sequenceDriven || track.armed) ? 1 : 0;
}

bool IKRPrgControl::Draw(IGraphics* g) {
  int number = 0;
  std::string name;
  int kind = 0;
  {
    PluginLock lock(vornell->Mutex());
    const int t = Track();
    number = vornell->TrackProgramNumber(t);
    name = vornell->engine.GetTrack(t).programName;
    kind = StyleKind();
  }
  tooltip = kind == 2 ? "Program is modified!" : "";
  TextStyle* style = kind == 2 ? &modifiedStyle : kind == 1 ? &otherStyle : &normalStyle;
  char text[16];
  std::snprintf(text, sizeof(text), "%02u", static_cast<unsigned>(number));
  // A grayed selector takes no clicks; it shows it faded.
  g->DrawLabel(style, text, numberRect, &blend);
  g->DrawLabel(style, name, nameRect, &blend);
  return true;
}

void IKRPrgControl::OnMouseDown(int x, int y, const MouseMods& mods) {
  const int t = Track();
  if (nameEditable && nameRect.Contains(x, y)) {
    std::string name;
    {
      PluginLock lock(vornell->Mutex());
      name = vornell->engine.GetTrack(t).programName;
    }
    graphics->OpenTextEntry(this, normalStyle, nameRect, name);
    return;
  }
  if (fixedTrack < 0 || AnyModifier(mods)) {
    std::unique_ptr<PopupMenu> programs = BuildProgramMenu(*vornell, t, "Select Program");
    const PopupMenu* chosen = graphics->ShowPopupMenu(programs.get(), ClickPoint(x, y));
    const int p = ProgramFromMenuChoice(*programs, chosen);
    if (p < 0) return;
    // With linked programs every track may be touched, so each is asked about.
    const int confirmTrack = (vornell->LinkProgramsOn() && !vornell->stateLoading) ? -1 : t;
    if (vornell->ConfirmModifiedProgram(confirmTrack) == 1) return;
    {
      PluginLock lock(vornell->Mutex());
      vornell->SelectTrackProgram(t, p);
    }
    MarkDirty(false);
    return;
  }
  PluginLock lock(vornell->Mutex());
  vornell->Panel().SetEditTrack(t);
}

void IKRPrgControl::AcceptEnteredText(const std::string& text) {
  PluginLock lock(vornell->Mutex());
  vornell->RenameTrackProgram(Track(), text);
  MarkDirty(false);
}

// --- IKRPresetMenu -------------------------------------------------------------

namespace {
Rect MovedDown(const Rect& r, int dy) {
  return Rect(r.left, r.top + dy, r.right, r.bottom + dy);
}
}  // namespace

IKRPresetMenu::IKRPresetMenu(Vornell* plug, const Rect& number, const Rect& name)
    : IControl(plug, MovedDown(number, 2).Union(MovedDown(name, 2))),
      vornell(plug),
      numberRect(MovedDown(number, 2)),
      nameRect(MovedDown(name, 2)) {
  textEntryLength = 253;
  textStyle = PanelTextStyle(kDisplayWhite);
}

std::string IKRPresetMenu::NumberText() const {
  int index = 0;
  {
    PluginLock lock(vornell->Mutex());
    index = vornell->GetCurrentPresetIndex();
  }
  char text[16];
  std::snprintf(text, sizeof(text), "%02d", index);
  return text;
}

std::string IKRPresetMenu::NameText() const {
  PluginLock lock(vornell->Mutex());
  return vornell->GetPresetName(vornell->GetCurrentPresetIndex()).substr(0, 32);
}

bool IKRPresetMenu::Draw(IGraphics* g) {
  g->DrawLabel(&textStyle, NumberText(), numberRect);
  g->DrawLabel(&textStyle, NameText(), nameRect);
  return true;
}

void IKRPresetMenu::OnMouseDown(int x, int y, const MouseMods&) {
  if (nameRect.Contains(x, y)) {
    std::string name;
    {
      PluginLock lock(vornell->Mutex());
      name = vornell->GetPresetName(vornell->GetCurrentPresetIndex());
    }
    graphics->OpenTextEntry(this, textStyle, nameRect, name);
    return;
  }
  std::unique_ptr<PopupMenu> presets = BuildPresetMenu(*vornell);
  const PopupMenu* chosen = graphics->ShowPopupMenu(presets.get(), drawRect);
  const int i = PresetFromMenuChoice(*presets, chosen);
  if (i >= 0) vornell->ChoosePreset(i);
  graphics->SetAllControlsDirty();
}

void IKRPresetMenu::AcceptEnteredText(const std::string& text) {
  {
    PluginLock lock(vornell->Mutex());
    vornell->ModifyCurrentPreset(text.substr(0, 256).c_str());
    vornell->NotifyHostProgramChange();
  }
  vornell->PushParamsToHost();
  MarkDirty(false);
}

// --- IKROptionMenu -------------------------------------------------------------

IKROptionMenu::IKROptionMenu(Vornell* plug, const Rect& rect) : IControl(plug, rect), vornell(plug) {}

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
  RunOptionMenu(*vornell, *graphics, x, y);
  // A command may have changed any control (a preset loaded, say).
  graphics->SetAllControlsDirty();
}
