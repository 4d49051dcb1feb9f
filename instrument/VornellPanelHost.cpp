#include "instrument/VornellPanelHost.h"

#include "plugin/IEditorLink.h"
#include "instrument/Vornell.h"

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
  plug.ChoosePreset(index);
}

bool VornellPanelHost::LinkProgramsOn() const {
  return plug.LinkProgramsOn();
}

bool VornellPanelHost::StateLoading() const {
  return plug.stateLoading;
}

bool VornellPanelHost::ExtendedResolution() const {
  return plug.extendedResolution;
}

int VornellPanelHost::Mode() const {
  return plug.ModeValue();
}

bool VornellPanelHost::SetMode(int32_t mode) {
  return plug.SetMode(mode);
}

bool VornellPanelHost::Recording() const {
  return plug.Recording();
}

void VornellPanelHost::SetRecording(bool on) {
  plug.SetRecording(on);
}

bool VornellPanelHost::OverdubPrepared() const {
  return plug.recordState == Vornell::kRecordOverdubPrepared;
}

bool VornellPanelHost::RecordActivity() const {
  return plug.recordActivity;
}

void VornellPanelHost::StopRecording() {
  plug.StopRecording();
}

void VornellPanelHost::ClearTrack(int t) {
  plug.ClearTrack(t);
}

void VornellPanelHost::RecordTrackButton(int t) {
  plug.RecordTrackButton(t);
}

void VornellPanelHost::PrepareOverdub() {
  plug.PrepareOverdub();
}

bool VornellPanelHost::SequenceSelected(int which) const {
  return plug.CurrentSequence() == &plug.SequenceAt(which);
}

bool VornellPanelHost::TrackArmed(int t) const {
  return plug.engine.GetTrack(t).armed;
}

bool VornellPanelHost::TrackSounding(int t) const {
  return plug.engine.GetTrack(t).heldVoiceCount > 0;
}

void VornellPanelHost::ToggleArpeggiatorLatch() {
  plug.ToggleArpeggiatorLatch();
}

bool VornellPanelHost::ArpeggiatorLatched() const {
  return plug.arpLatch;
}

bool VornellPanelHost::ClickEnabled() const {
  return plug.clickEnabled;
}

void VornellPanelHost::SetClickEnabled(bool on) {
  plug.clickEnabled = on;
}

void VornellPanelHost::SetClickLevel(double level) {
  plug.SetClickLevel(level);
}

int VornellPanelHost::TrackProgramNumber(int t) const {
  return plug.TrackProgramNumber(t);
}

void VornellPanelHost::SetTrackProgram(int t, int p) {
  plug.SetTrackProgram(t, p);
}

void VornellPanelHost::SelectTrackProgram(int t, int p) {
  plug.SelectTrackProgram(t, p);
}

bool VornellPanelHost::ProgramUsedElsewhere(int p) const {
  return plug.ProgramUsedElsewhere(p);
}

void VornellPanelHost::StoreAndSelectProgram(int p) {
  plug.StoreAndSelectProgram(p);
}

void VornellPanelHost::InitEditTrackProgram() {
  plug.InitEditTrackProgram();
}

int VornellPanelHost::ConfirmModifiedProgram(int t) {
  return plug.ConfirmModifiedProgram(t);
}

bool VornellPanelHost::ToggleConfigSetting(ConfigSetting which) {
  return plug.ToggleConfigSetting(which);
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
  plug.panelDirty = true;
}
