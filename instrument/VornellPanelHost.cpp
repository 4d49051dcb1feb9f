#include "instrument/VornellPanelHost.h"

#include "instrument/Vornell.h"
#include "plugin/IEditorLink.h"

PluginMutex& VornellPanelHost::Mutex() {
  return plug.Mutex();
}

const PlugParam* VornellPanelHost::Param(int index) const {
  return plug.GetParam(index);
}

int VornellPanelHost::IntParam(int index) const {
  return plug.IntParam(index);
}

void VornellPanelHost::EditParam(int index, double normalized) {
  plug.SetParamFromEditor(index, normalized);
  if (IEditorLink* editor = plug.GetEditorLink()) editor->ShowParamValue(index, normalized, true);
}

void VornellPanelHost::SetParam(int index, double value) {
  plug.SetParameterFromEngine(index, value);
}

int VornellPanelHost::PresetCount() const {
  return plug.NumPresets();
}

int VornellPanelHost::CurrentPreset() const {
  return plug.GetCurrentPresetIndex();
}

void VornellPanelHost::ChoosePreset(int index) {
  plug.commands.ChoosePreset(index);
}

bool VornellPanelHost::LinkProgramsOn() const {
  return plug.LinkProgramsOn();
}

bool VornellPanelHost::StateLoading() const {
  return plug.stateLoading;
}

bool VornellPanelHost::ExtendedResolution() const {
  return plug.ExtendedResolution();
}

int VornellPanelHost::Mode() const {
  return plug.ModeValue();
}

bool VornellPanelHost::SetMode(int32_t mode) {
  return plug.Sequencing().SetMode(mode);
}

bool VornellPanelHost::Recording() const {
  return plug.Sequencing().Recording();
}

void VornellPanelHost::SetRecording(bool on) {
  plug.Sequencing().SetRecording(on);
}

bool VornellPanelHost::OverdubPrepared() const {
  return plug.Sequencing().State() == Sequencer::kRecordOverdubPrepared;
}

bool VornellPanelHost::RecordActivity() const {
  return plug.Sequencing().RecordActivity();
}

void VornellPanelHost::StopRecording() {
  plug.Sequencing().StopRecording();
}

void VornellPanelHost::ClearTrack(int t) {
  plug.Sequencing().ClearTrack(t);
}

void VornellPanelHost::RecordTrackButton(int t) {
  plug.Sequencing().RecordTrackButton(t);
}

void VornellPanelHost::PrepareOverdub() {
  plug.Sequencing().PrepareOverdub();
}

bool VornellPanelHost::SequenceSelected(int which) const {
  return plug.Sequencing().CurrentSequence() == &plug.Sequencing().SequenceAt(which);
}

bool VornellPanelHost::TrackArmed(int t) const {
  return plug.engine.GetTrack(t).armed;
}

bool VornellPanelHost::TrackSounding(int t) const {
  return plug.engine.GetTrack(t).heldVoiceCount > 0;
}

void VornellPanelHost::ToggleArpeggiatorLatch() {
  plug.Sequencing().ToggleArpeggiatorLatch();
}

bool VornellPanelHost::ArpeggiatorLatched() const {
  return plug.Sequencing().ArpeggiatorLatched();
}

bool VornellPanelHost::ClickEnabled() const {
  return plug.Sequencing().ClickEnabled();
}

void VornellPanelHost::SetClickEnabled(bool on) {
  plug.Sequencing().SetClickEnabled(on);
}

void VornellPanelHost::SetClickLevel(double level) {
  plug.Sequencing().SetClickLevel(level);
}

int VornellPanelHost::TrackProgramNumber(int t) const {
  return plug.programs.TrackProgramNumber(t);
}

void VornellPanelHost::SetTrackProgram(int t, int p) {
  plug.programs.SetTrackProgram(t, p);
}

void VornellPanelHost::SelectTrackProgram(int t, int p) {
  plug.programs.SelectTrackProgram(t, p);
}

bool VornellPanelHost::ProgramUsedElsewhere(int p) const {
  return plug.programs.ProgramUsedElsewhere(p);
}

void VornellPanelHost::StoreAndSelectProgram(int p) {
  plug.programs.StoreAndSelectProgram(p);
}

void VornellPanelHost::InitEditTrackProgram() {
  plug.programs.InitEditTrackProgram();
}

int VornellPanelHost::ConfirmModifiedProgram(int t) {
  return plug.programs.ConfirmModifiedProgram(t);
}

bool VornellPanelHost::ToggleConfigSetting(ConfigSetting which) {
  return plug.commands.ToggleConfigSetting(which);
}

bool VornellPanelHost::DontAskToCommit() const {
  return plug.DontAskToCommit();
}

void VornellPanelHost::ShowStatus(const char* text, int colour) {
  plug.ShowStatus(text, colour);
}

uint32_t VornellPanelHost::StatusSerial() const {
  return plug.StatusSerial();
}

int VornellPanelHost::ShowMessage(const std::string& text, const std::string& caption, int type) {
  return plug.ShowMessage(text, caption, type);
}

int VornellPanelHost::BrowserButton(int id) {
  return plug.editorPart ? plug.editorPart->BrowserButton(id) : 0;
}

bool VornellPanelHost::BrowserShowsFile() const {
  return plug.editorPart && plug.editorPart->BrowserShowsFile();
}

void VornellPanelHost::RefreshEditTrackControls() {
  plug.RefreshEditTrackControls();
}

void VornellPanelHost::MarkPanelDirty() {
  plug.MarkPanelDirty();
}
