#include "instrument/VornellProgramsHost.h"

#include "graphics/EditorRecords.h"
#include "instrument/Vornell.h"

PluginMutex& VornellProgramsHost::Mutex() {
  return plug.Mutex();
}

int VornellProgramsHost::IntParam(int index) const {
  return plug.IntParam(index);
}

double VornellProgramsHost::ParamDefault(int index) const {
  return plug.GetParam(index)->Default();
}

void VornellProgramsHost::SetParam(int index, double value) {
  plug.SetParameterFromEngine(index, value);
}

void VornellProgramsHost::ApplyParam(int index) {
  plug.OnParamChanged(index);
}

bool VornellProgramsHost::StateLoading() const {
  return plug.stateLoading;
}

bool VornellProgramsHost::ExtendedResolution() const {
  return plug.ExtendedResolution();
}

bool VornellProgramsHost::LinkProgramsOn() const {
  return plug.LinkProgramsOn();
}

int VornellProgramsHost::Mode() const {
  return plug.ModeValue();
}

Track& VornellProgramsHost::TrackAt(int t) {
  return plug.engine.GetTrack(t);
}

const Track& VornellProgramsHost::TrackAt(int t) const {
  return plug.engine.GetTrack(t);
}

ProgramLibrary& VornellProgramsHost::Library() {
  return plug.library;
}

const ProgramLibrary& VornellProgramsHost::Library() const {
  return plug.library;
}

int VornellProgramsHost::EditTrack() const {
  return plug.Panel().EditTrack();
}

void VornellProgramsHost::ProgramLoaded() {
  plug.Panel().ReadSelectedParamValue();
}

void VornellProgramsHost::EditTrackChanged() {
  plug.RefreshEditTrackControls();
}

void VornellProgramsHost::MarkPanelDirty() {
  plug.MarkPanelDirty();
}

void VornellProgramsHost::ShowDone(const char* text) {
  plug.ShowStatus(text, kStatusGreen);
}

void VornellProgramsHost::ClearStatus() {
  plug.ShowStatus("", kStatusWhite);
}

bool VornellProgramsHost::EditorOpen() const {
  return plug.EditorOpen();
}

bool VornellProgramsHost::DontAskToCommit() const {
  return plug.DontAskToCommit();
}

bool VornellProgramsHost::AskYesNo(const std::string& text, const std::string& title) {
  return plug.ShowMessage(text, title, kMessageYesNo | kMessageIconQuestion) != kAnswerNo;
}
