// Which program each track plays, loading programs into tracks, the modified
// test, storing, initialising, renaming and the linking of tracks.
// User-interface thread (ApplyProgramParameter: the thread that changed the
// parameter); callers hold the plug-in lock.
#include <cstdio>
#include <mutex>

#include "graphics/EditorRecords.h"
#include "plugin/ScopedValue.h"
#include "instrument/Vornell.h"
#include "programs/ParameterTable.h"

namespace {

bool ValidTrack(int t) {
  return t >= 0 && t < Engine::kTrackCount;
}

constexpr const char* kProgramStoredText = "Program recorded/stored.";

}  // namespace

int Vornell::ProgramParamForKind(int kind, int t) {
  switch (kind) {
    case kProgramKindTrack:
      return ProgramParamIndex(kProgramSetTrack, t);
    case kProgramKindSeqA:
      return ProgramParamIndex(kProgramSetSeqA, t);
    case kProgramKindSeqB:
      return ProgramParamIndex(kProgramSetSeqB, t);
    case kProgramKindStackA:
      return ProgramParamIndex(kProgramSetStackA, t);
    case kProgramKindStackB:
      return ProgramParamIndex(kProgramSetStackB, t);
    default:
      return -1;
  }
}

int Vornell::LiveProgramParam(int t) const {
  const Track& track = engine.GetTrack(t);
  const bool sequenceActive = track.sequenceDriven || track.armed;
  switch (ModeValue()) {
    case kModeSequenceA:
      if (sequenceActive) return ProgramParamIndex(kProgramSetSeqA, t);
      break;
    case kModeSequenceB:
      if (sequenceActive) return ProgramParamIndex(kProgramSetSeqB, t);
      break;
    case kModeStackA:
      return ProgramParamIndex(kProgramSetStackA, t);
    case kModeStackB:
      return ProgramParamIndex(kProgramSetStackB, t);
    default:
      break;
  }
  return ProgramParamIndex(kProgramSetTrack, t);
}

int Vornell::TrackProgramNumber(int t) const {
  if (!ValidTrack(t)) return 0;
  int p = IntParam(LiveProgramParam(t));
  if (p == kNoSequenceProgram) p = IntParam(ProgramParamIndex(kProgramSetTrack, t));
  return (p < 0 || p >= kProgramCount) ? 0 : p;
}

void Vornell::WriteVoiceParameter(int index, double value) {
  SetParameterFromEngine(index, value);
  // While a state loads, the base only stores the value; the engine must still
  // hear the program that the track now holds.
  if (stateLoading) OnParamChanged(index);
}

void Vornell::LoadProgramIntoTrack(int t, int p) {
  if (!ValidTrack(t)) return;
  PluginLock lock(Mutex());
  if (p == kNoSequenceProgram) p = IntParam(ProgramParamIndex(kProgramSetTrack, t));
  if (p < 0 || p >= kProgramCount) return;
  const Program& program = library.programs[static_cast<size_t>(p)];
  {
    // Loading a program is no edit: linked tracks that play other programs
    // keep their sounds.
    ScopedValue<bool> suspend(linkSuspended, true);
    for (int k = 0; k < kVoiceParamCount; ++k) WriteVoiceParameter(VoiceParamIndex(t, k), program.values[k]);
  }
  Track& track = engine.GetTrack(t);
  track.programName = program.name;
  track.programModified = false;
  panel.ReadSelectedParamValue();
}

void Vornell::ApplyProgramParameter(int kind, int t, int p) {
  if (stateLoading || linkSuspended) return;
  const int index = ProgramParamForKind(kind, t);
  if (!ValidTrack(t) || index < 0 || p < 0 || p > kNoSequenceProgram) return;
  PluginLock lock(Mutex());
  {
    ScopedValue<bool> suspend(linkSuspended, true);
    if (p == kNoSequenceProgram) {
      LoadProgramIntoTrack(t, kNoSequenceProgram);
    } else {
      // The parameter usually holds p already (it is what changed); the host
      // then hears of it once.
      if (IntParam(index) != p) SetParameterFromEngine(index, p);
      LoadProgramIntoTrack(t, p);
    }
    panelDirty = true;
  }
}

void Vornell::SetTrackProgram(int t, int p) {
  if (!ValidTrack(t) || p < 0 || p >= kProgramCount || p == TrackProgramNumber(t)) return;
  PluginLock lock(Mutex());
  SetParameterFromEngine(LiveProgramParam(t), p);
  LoadProgramIntoTrack(t, p);
  RefreshEditTrackControls();
  ShowStatus("", kStatusWhite);
  panelDirty = true;
}

bool Vornell::TracksLinked(int a, int b) const {
  if (linkSuspended || !LinkProgramsOn() || a == b || !ValidTrack(a) || !ValidTrack(b)) return false;
  const Track& first = engine.GetTrack(a);
  const Track& second = engine.GetTrack(b);
  if (first.armed && second.armed) return true;
  return !first.sequenceDriven && !first.armed && !second.sequenceDriven && !second.armed;
}

void Vornell::SelectTrackProgram(int t, int p) {
  if (!ValidTrack(t)) return;
  PluginLock lock(Mutex());
  SetTrackProgram(t, p);
  for (int i = 0; i < Engine::kTrackCount && !linkSuspended && LinkProgramsOn(); ++i)
    if (TracksLinked(t, i)) SetTrackProgram(i, p);
  panelDirty = true;
}

bool Vornell::ProgramUsedElsewhere(int p) const {
  if (p < 0) p = TrackProgramNumber(panel.EditTrack());
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (t != panel.EditTrack() && TrackProgramNumber(t) == p) return true;
  return false;
}

void Vornell::StoreTrackProgram(int p) {
  if (!ValidTrack(panel.EditTrack())) return;
  PluginLock lock(Mutex());
  if (p < 0) p = TrackProgramNumber(panel.EditTrack());
  if (p >= kProgramCount) return;
  Program& program = library.programs[static_cast<size_t>(p)];
  for (int k = 0; k < kVoiceParamCount; ++k)
    program.values[k] = static_cast<uint8_t>(IntParam(VoiceParamIndex(panel.EditTrack(), k)) & 255);
  program.name = engine.GetTrack(panel.EditTrack()).programName;
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (TrackProgramNumber(t) == p) LoadProgramIntoTrack(t, p);
  ShowStatus(kProgramStoredText, kStatusGreen);
  panelDirty = true;
}

void Vornell::StoreAndSelectProgram(int p) {
  if (!ValidTrack(panel.EditTrack())) return;
  PluginLock lock(Mutex());
  if (p < 0) p = TrackProgramNumber(panel.EditTrack());
  if (p >= kProgramCount) return;
  StoreTrackProgram(p);
  SelectTrackProgram(panel.EditTrack(), p);
  // A switch of program clears the status line; the store's message is what
  // the user needs to see.
  ShowStatus(kProgramStoredText, kStatusGreen);
}

void Vornell::InitEditTrackProgram() {
  if (!ValidTrack(panel.EditTrack())) return;
  PluginLock lock(Mutex());
  bool targets[Engine::kTrackCount] = {};
  for (int t = 0; t < Engine::kTrackCount; ++t) targets[t] = t == panel.EditTrack() || TracksLinked(t, panel.EditTrack());
  {
    // The linked tracks are written here one by one.
    ScopedValue<bool> suspend(linkSuspended, true);
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!targets[t]) continue;
      engine.GetTrack(t).programName = "BASIC PATCH";
      for (int k = 0; k < kVoiceParamCount; ++k) {
        const int index = VoiceParamIndex(t, k);
        WriteVoiceParameter(index, GetParam(index)->Default());
      }
    }
  }
  ShowStatus("Program initialized.", kStatusGreen);
  panelDirty = true;
}

void Vornell::RenameTrackProgram(int t, const std::string& name) {
  if (!ValidTrack(t)) return;
  PluginLock lock(Mutex());
  engine.GetTrack(t).programName = name;
  if (!linkSuspended && LinkProgramsOn()) {
    for (int i = 0; i < Engine::kTrackCount; ++i)
      if (TracksLinked(t, i)) engine.GetTrack(i).programName = name;
  }
  panelDirty = true;
}

void Vornell::AuditionProgram(const Program& program) {
  if (!ValidTrack(panel.EditTrack())) return;
  PluginLock lock(Mutex());
  const int playing = TrackProgramNumber(panel.EditTrack());
  bool targets[Engine::kTrackCount] = {};
  for (int t = 0; t < Engine::kTrackCount; ++t) targets[t] = TrackProgramNumber(t) == playing;
  {
    // Only the tracks playing the edit track's program hear the audition.
    ScopedValue<bool> suspend(linkSuspended, true);
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!targets[t]) continue;
      for (int k = 0; k < kVoiceParamCount; ++k) WriteVoiceParameter(VoiceParamIndex(t, k), program.values[k]);
      engine.GetTrack(t).programName = program.name;
    }
  }
  panelDirty = true;
}

void Vornell::UpdateProgramModified(int t) {
  if (!ValidTrack(t)) return;
  PluginLock lock(Mutex());
  const Program& program = library.programs[static_cast<size_t>(TrackProgramNumber(t))];
  bool modified = false;
  for (int k = 0; k < kVoiceParamCount && !modified; ++k) {
    int stored = program.values[k];
    int current = IntParam(VoiceParamIndex(t, k)) & 255;
    if (!extendedResolution) {
      stored = MaskVoiceValue(k, stored);
      current = MaskVoiceValue(k, current);
    }
    modified = stored != current;
  }
  Track& track = engine.GetTrack(t);
  if (!modified) modified = track.programName != program.name;
  track.programModified = modified;
}

int Vornell::ConfirmModifiedProgram(int t) {
  if (stateLoading || DontAskToCommit() || !EditorOpen() || t >= Engine::kTrackCount) return 0;
  char text[128];
  {
    PluginLock lock(Mutex());
    const int first = t < 0 ? 0 : t;
    const int last = t < 0 ? Engine::kTrackCount - 1 : t;
    int modified = -1;
    for (int i = first; i <= last && modified < 0; ++i) {
      // The flag may be older than the last edit; the idle tick has not run yet.
      UpdateProgramModified(i);
      if (engine.GetTrack(i).programModified) modified = i;
    }
    if (modified < 0) return 0;
    std::snprintf(text, sizeof(text), "Program %02u on Track %u is modified. Do you want to proceed?",
                  static_cast<unsigned>(TrackProgramNumber(modified)), static_cast<unsigned>(modified + 1));
  }
  // Asked without this function's hold on the plug-in lock: the message box
  // gives back only what the framework took, and audio must not wait for
  // the answer.
  const int answer = ShowMessage(text, "Modified Program", kMessageYesNo | kMessageIconQuestion);
  return answer == kAnswerNo ? 1 : 2;
}
