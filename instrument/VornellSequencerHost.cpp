#include "instrument/VornellSequencerHost.h"

#include "engine/PerformanceMode.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "plugin/HostTimeInfo.h"
#include "programs/ParameterTable.h"

static_assert(SequencerHost::kOwnProgram == kNoSequenceProgram);

namespace {

// The program slot set that a Mode makes live.
int ProgramSetOfMode(int mode) {
  switch (mode) {
    case kModeSequenceA:
      return kProgramSetSeqA;
    case kModeSequenceB:
      return kProgramSetSeqB;
    case kModeStackA:
      return kProgramSetStackA;
    case kModeStackB:
      return kProgramSetStackB;
    default:
      return kProgramSetTrack;
  }
}

}  // namespace

PluginMutex& VornellSequencerHost::Mutex() {
  return plug.Mutex();
}

bool VornellSequencerHost::StateLoading() {
  return plug.stateLoading;
}

double VornellSequencerHost::SampleRate() {
  // Before the first reset the engine has no rate yet; the base's rate stands in.
  const double rate = plug.engine.SampleRate();
  return rate > 0 ? rate : plug.GetSampleRate();
}

double VornellSequencerHost::Speed() {
  const PlugParam* speed = plug.GetParam(kParamSpeed);
  return speed ? speed->Value() : 120.0;
}

bool VornellSequencerHost::SyncToHost() {
  const PlugParam* sync = plug.GetParam(kParamSyncToHost);
  return sync && sync->Value() >= 0.5;
}

int VornellSequencerHost::ModeParameter() {
  return plug.IntParam(kParamMode);
}

void VornellSequencerHost::SetModeParameter(int mode) {
  plug.SetParameterFromEngine(kParamMode, mode);
}

void VornellSequencerHost::SetLinkPrograms(bool on) {
  plug.SetParameterFromEngine(kParamLinkPrograms, on ? 1 : 0);
}

int VornellSequencerHost::TrackChannelSetting(int t) {
  return plug.IntParam(TrackParamIndex(t, kTrackChannel));
}

int VornellSequencerHost::SlotProgram(int mode, int t) {
  return plug.IntParam(ProgramParamIndex(ProgramSetOfMode(mode), t));
}

void VornellSequencerHost::SetSlotProgram(int mode, int t, int program) {
  plug.SetParameterFromEngine(ProgramParamIndex(ProgramSetOfMode(mode), t), program);
}

void VornellSequencerHost::LoadProgramIntoTrack(int t, int program) {
  plug.Programs().LoadProgramIntoTrack(t, program);
}

void VornellSequencerHost::SetTrackProgram(int t, int program) {
  plug.Programs().SetTrackProgram(t, program);
}

void VornellSequencerHost::SelectOwnProgram(int t) {
  plug.Programs().ApplyProgramParameter(kProgramKindTrack, t, SlotProgram(kModeNormal, t));
}

bool VornellSequencerHost::SuspendLinks(bool on) {
  const bool previous = plug.Programs().LinkSuspended();
  plug.Programs().SetLinkSuspended(on);
  return previous;
}

void VornellSequencerHost::ResetAllVoices() {
  plug.ResetAllVoices();
}

void VornellSequencerHost::ShowStatus(const char* text, int colour) {
  plug.ShowStatus(text, colour);
}

void VornellSequencerHost::MarkPanelDirty() {
  plug.MarkPanelDirty();
}

bool VornellSequencerHost::PanelRecordMode() {
  return plug.Panel().RecordMode();
}

void VornellSequencerHost::SetPanelRecordMode(bool on) {
  plug.Panel().SetRecordMode(on);
}

double VornellSequencerHost::GetHostTempo() {
  return plug.GetHostTempo();
}

void VornellSequencerHost::GetHostTime(SequencerHostTime& time) {
  HostTimeInfo info;
  info.tempo = time.tempo;
  info.samplePos = time.samplePos;
  info.ppqPos = time.ppqPos;
  info.transportRunning = time.transportRunning;
  plug.GetHostTime(info);
  time.tempo = info.tempo;
  time.samplePos = info.samplePos;
  time.ppqPos = info.ppqPos;
  time.transportRunning = info.transportRunning;
}

bool VornellSequencerHost::EditorOpen() {
  return plug.EditorOpen();
}

void VornellSequencerHost::ModifyCurrentPreset() {
  PluginLock lock(plug.Mutex());
  plug.ModifyCurrentPreset();
}

std::string VornellSequencerHost::ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                                     const std::string& extensions, const std::string& fileName,
                                                     const std::string& title) {
  return plug.ChooseSequenceFile(mode, folder, extensions, fileName, title);
}

int VornellSequencerHost::ShowMessage(const std::string& text, const std::string& caption, int type) {
  return plug.ShowMessage(text, caption, type);
}

std::string VornellSequencerHost::SequencePath() {
  return plug.config.sequencePath;
}

void VornellSequencerHost::StoreSequencePath(const std::string& folder) {
  plug.config.SetDefaultSequencePath(folder);
}

// The editor's file dialog for the sequence menu; without an editor, cancelled.
std::string Vornell::ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                        const std::string& extensions, const std::string& fileName,
                                        const std::string& title) {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return "";  // no editor: as if cancelled
  const IGraphics::FileMode fileMode = mode == SequenceFileHost::DialogMode::kOpen   ? IGraphics::FileMode::Open
                                       : mode == SequenceFileHost::DialogMode::kSave ? IGraphics::FileMode::Save
                                                                                     : IGraphics::FileMode::Folder;
  std::string result = fileName;
  std::string start = folder;
  graphics->ChooseFile(result, fileMode, start, extensions, title);
  return result;
}

// ---- engine hooks of the sequencer side (audio thread, under the plug-in lock) ----------

void Vornell::OnBlockStart(int32_t frames) {
  sequencer.OnBlockStart(frames);
}

void Vornell::RecordNoteEvent(int32_t track, int32_t note, int32_t velocity) {
  sequencer.RecordNoteEvent(track, note, velocity);
}

bool Vornell::DivertToArpeggiator(const MidiMessage& message) {
  return sequencer.DivertToArpeggiator(message);
}

void Vornell::ArpeggiatorSustain(int32_t value) {
  sequencer.ArpeggiatorSustain(value);
}

void Vornell::ClearArpeggiatorHold() {
  sequencer.ClearArpeggiatorHold();
}
