#include "editor/VornellPanelModel.h"

#include <memory>
#include <mutex>

#include "editor/Menus.h"
#include "editor/PanelMenus.h"
#include "editor/VornellEditor.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"

IEditorDelegate* VornellPanelModel::Delegate() {
  return &plug;
}

PluginMutex& VornellPanelModel::Mutex() {
  return plug.Mutex();
}

FrontPanel& VornellPanelModel::Panel() {
  return plug.Panel();
}

int VornellPanelModel::Mode() const {
  return plug.ModeValue();
}

void VornellPanelModel::SetParam(int index, double value) {
  plug.SetParameterFromEngine(index, value);
}

TrackFacts VornellPanelModel::Track(int t) const {
  const ::Track& track = plug.GetEngine().GetTrack(t);
  TrackFacts facts;
  facts.channel = track.channel;
  facts.cycle = track.cycle;
  facts.armed = track.armed;
  facts.sequenceDriven = track.sequenceDriven;
  facts.programModified = track.programModified;
  facts.programNumber = plug.Programs().TrackProgramNumber(t);
  facts.programName = track.programName;
  return facts;
}

bool VornellPanelModel::SequenceFilled(int which) const {
  return !plug.Sequencing().SequenceAt(which).Empty();
}

bool VornellPanelModel::ProgramsLinked() const {
  return plug.LinkProgramsOn() && !plug.stateLoading;
}

int VornellPanelModel::ConfirmModifiedProgram(int t) {
  return plug.Programs().ConfirmModifiedProgram(t);
}

void VornellPanelModel::SelectTrackProgram(int t, int p) {
  PluginLock lock(plug.Mutex());
  plug.Programs().SelectTrackProgram(t, p);
}

void VornellPanelModel::RenameTrackProgram(int t, const std::string& name) {
  PluginLock lock(plug.Mutex());
  plug.Programs().RenameTrackProgram(t, name);
}

int VornellPanelModel::ChooseProgramFromList(IGraphics& graphics, int t, const Rect& at) {
  std::unique_ptr<PopupMenu> programs = BuildProgramMenu(plug, t, "Select Program");
  const PopupMenu* chosen = graphics.ShowPopupMenu(programs.get(), at);
  return ProgramFromMenuChoice(*programs, chosen);
}

int VornellPanelModel::CurrentPreset() const {
  PluginLock lock(plug.Mutex());
  return plug.GetCurrentPresetIndex();
}

std::string VornellPanelModel::CurrentPresetName() const {
  PluginLock lock(plug.Mutex());
  return plug.GetPresetName(plug.GetCurrentPresetIndex());
}

bool VornellPanelModel::ChoosePresetFromList(IGraphics& graphics, const Rect& at) {
  std::unique_ptr<PopupMenu> presets = BuildPresetMenu(plug);
  const PopupMenu* chosen = graphics.ShowPopupMenu(presets.get(), at);
  const int i = PresetFromMenuChoice(*presets, chosen);
  if (i < 0) return false;
  plug.Commands().ChoosePreset(i);
  return true;
}

void VornellPanelModel::RenameCurrentPreset(const std::string& name) {
  {
    PluginLock lock(plug.Mutex());
    plug.ModifyCurrentPreset(name.substr(0, 256).c_str());
    plug.NotifyHostProgramChange();
  }
  plug.PushParamsToHost();
}

bool VornellPanelModel::ConfigPageShown() const {
  return plug.config.configPanelShown.load();
}

std::vector<std::string> VornellPanelModel::TemplateNames() const {
  std::vector<std::string> names;
  for (const ConfigTemplate& entry : plug.config.configTemplates) names.push_back(entry.name);
  return names;
}

int VornellPanelModel::MatchingTemplate() {
  return plug.Commands().MatchingConfigTemplate();
}

std::string VornellPanelModel::MatchingTemplateName() {
  return plug.Commands().MatchingConfigTemplateName();
}

void VornellPanelModel::ApplyTemplate(int index) {
  plug.Commands().ApplyConfigTemplate(index);
}

std::string VornellPanelModel::TuningStatusText() const {
  return plug.TuningStatusText();
}

void VornellPanelModel::ArmMidiLearn(bool armed, bool removes) {
  plug.ArmMidiLearn(armed, removes);
}

void VornellPanelModel::ShowConfigPage(bool on) {
  editor.ShowConfigPage(on);
}

void VornellPanelModel::ToggleBrowserPage() {
  editor.ShowBrowserPage(!editor.BrowserPageShown());
}

bool VornellPanelModel::TransposeView() const {
  return editor.TransposeView();
}

void VornellPanelModel::ShowTuneOrTranspose(bool transpose) {
  editor.ShowTuneOrTranspose(transpose);
}

void VornellPanelModel::RunOptionMenu(IGraphics& graphics, int x, int y) {
  ::RunOptionMenu(plug, graphics, x, y);
}

void VornellPanelModel::RunProgramButtonMenu(IGraphics& graphics, int x, int y) {
  ::RunProgramButtonMenu(plug, graphics, x, y);
}

void VornellPanelModel::RunSequenceMenu(IGraphics& graphics, int which, int x, int y) {
  ::RunSequenceMenu(plug, graphics, which, x, y);
}
