#include "programs/TrackPrograms.h"

#include <cstdio>
#include <string_view>

#include "engine/Engine.h"
#include "engine/Track.h"
#include "plugin/PluginLock.h"
#include "plugin/ScopedValue.h"
#include "programs/ParameterTable.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "programs/TrackProgramsHost.h"

namespace {

bool ValidTrack(int t) {
  return t >= 0 && t < Engine::kTrackCount;
}

constexpr const char* kProgramStoredText = "Program recorded/stored.";

}  // namespace

int TrackPrograms::ProgramParamForKind(int kind, int t) {
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

int TrackPrograms::LiveProgramParam(int t) const {
  const TrackProgramsHost& view = host;
  const Track& track = view.TrackAt(t);
  const bool sequenceActive = track.sequenceDriven || track.armed;
  switch (view.Mode()) {
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

int TrackPrograms::TrackProgramNumber(int t) const {
  const TrackProgramsHost& view = host;
  if (!ValidTrack(t)) return 0;
  int p = view.IntParam(LiveProgramParam(t));
  if (p == kNoSequenceProgram) p = view.IntParam(ProgramParamIndex(kProgramSetTrack, t));
  return (p < 0 || p >= kProgramCount) ? 0 : p;
}

void TrackPrograms::WriteVoiceParameter(int index, double value) {
  host.SetParam(index, value);
  // While a state loads, the base only stores the value; the engine must still
  // hear the program that the track now holds.
  if (host.StateLoading()) host.ApplyParam(index);
}

void TrackPrograms::LoadProgramIntoTrack(int t, int p) {
  if (!ValidTrack(t)) return;
  PluginLock lock(host.Mutex());
  if (p == kNoSequenceProgram) p = host.IntParam(ProgramParamIndex(kProgramSetTrack, t));
  if (p < 0 || p >= kProgramCount) return;
  const Program& program = host.Library().programs[static_cast<size_t>(p)];
  {
    // Loading a program is no edit: linked tracks that play other programs
    // keep their sounds.
    ScopedValue<bool> suspend(linkSuspended, true);
    for (int k = 0; k < kVoiceParamCount; ++k) WriteVoiceParameter(VoiceParamIndex(t, k), program.values[k]);
  }
  Track& track = host.TrackAt(t);
  track.programName = program.name;
  track.programModified = false;
  host.ProgramLoaded();
}

void TrackPrograms::ApplyProgramParameter(int kind, int t, int p) {
  if (host.StateLoading() || linkSuspended) return;
  const int index = ProgramParamForKind(kind, t);
  if (!ValidTrack(t) || index < 0 || p < 0 || p > kNoSequenceProgram) return;
  PluginLock lock(host.Mutex());
  {
    ScopedValue<bool> suspend(linkSuspended, true);
    if (p == kNoSequenceProgram) {
      LoadProgramIntoTrack(t, kNoSequenceProgram);
    } else {
      // The parameter usually holds p already (it is what changed); the host
      // then hears of it once.
      if (host.IntParam(index) != p) host.SetParam(index, p);
      LoadProgramIntoTrack(t, p);
    }
    host.MarkPanelDirty();
  }
}

void TrackPrograms::SetTrackProgram(int t, int p) {
  if (!ValidTrack(t) || p < 0 || p >= kProgramCount) return;
  PluginLock lock(host.Mutex());
  if (p == TrackProgramNumber(t)) {
    // A sequence slot of 100 plays the track's own program without holding
    // its number: p goes into it, or the part would follow every later change
    // of the track's own program. The sound stays as it is.
    const int live = LiveProgramParam(t);
    if (host.IntParam(live) != p) {
      ScopedValue<bool> suspend(linkSuspended, true);
      host.SetParam(live, p);
      host.MarkPanelDirty();
    }
    return;
  }
  host.SetParam(LiveProgramParam(t), p);
  LoadProgramIntoTrack(t, p);
  host.EditTrackChanged();
  host.ClearStatus();
  host.MarkPanelDirty();
}

bool TrackPrograms::TracksLinked(int a, int b) const {
  const TrackProgramsHost& view = host;
  if (linkSuspended || !view.LinkProgramsOn() || a == b || !ValidTrack(a) || !ValidTrack(b)) return false;
  const Track& first = view.TrackAt(a);
  const Track& second = view.TrackAt(b);
  if (first.armed && second.armed) return true;
  return !first.sequenceDriven && !first.armed && !second.sequenceDriven && !second.armed;
}

void TrackPrograms::SelectTrackProgram(int t, int p) {
  if (!ValidTrack(t)) return;
  PluginLock lock(host.Mutex());
  // Choosing the program a track plays over an edited sound goes back to the
  // program (the edit was asked about before).
  const auto select = [&](int i) {
    if (p == TrackProgramNumber(i)) {
      UpdateProgramModified(i);
      if (host.TrackAt(i).programModified) LoadProgramIntoTrack(i, p);
    }
    SetTrackProgram(i, p);
  };
  select(t);
  for (int i = 0; i < Engine::kTrackCount && !linkSuspended && host.LinkProgramsOn(); ++i)
    if (TracksLinked(t, i)) select(i);
  host.MarkPanelDirty();
}

bool TrackPrograms::ProgramUsedElsewhere(int p) const {
  const TrackProgramsHost& view = host;
  if (p < 0) p = TrackProgramNumber(view.EditTrack());
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (t != view.EditTrack() && TrackProgramNumber(t) == p) return true;
  return false;
}

void TrackPrograms::StoreTrackProgram(int p) {
  if (!ValidTrack(host.EditTrack())) return;
  PluginLock lock(host.Mutex());
  if (p < 0) p = TrackProgramNumber(host.EditTrack());
  if (p >= kProgramCount) return;
  Program& program = host.Library().programs[static_cast<size_t>(p)];
  for (int k = 0; k < kVoiceParamCount; ++k)
    program.values[k] = static_cast<uint8_t>(host.IntParam(VoiceParamIndex(host.EditTrack(), k)) & 255);
  program.name = host.TrackAt(host.EditTrack()).programName;
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (TrackProgramNumber(t) == p) LoadProgramIntoTrack(t, p);
  host.ShowDone(kProgramStoredText);
  host.MarkPanelDirty();
}

void TrackPrograms::StoreAndSelectProgram(int p) {
  if (!ValidTrack(host.EditTrack())) return;
  PluginLock lock(host.Mutex());
  if (p < 0) p = TrackProgramNumber(host.EditTrack());
  if (p >= kProgramCount) return;
  StoreTrackProgram(p);
  SelectTrackProgram(host.EditTrack(), p);
  // A switch of program clears the status line; the store's message is what
  // the user needs to see.
  host.ShowDone(kProgramStoredText);
}

void TrackPrograms::InitEditTrackProgram() {
  if (!ValidTrack(host.EditTrack())) return;
  PluginLock lock(host.Mutex());
  bool targets[Engine::kTrackCount] = {};
  for (int t = 0; t < Engine::kTrackCount; ++t) targets[t] = t == host.EditTrack() || TracksLinked(t, host.EditTrack());
  {
    // The linked tracks are written here one by one.
    ScopedValue<bool> suspend(linkSuspended, true);
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!targets[t]) continue;
      host.TrackAt(t).programName = "BASIC PATCH";
      for (int k = 0; k < kVoiceParamCount; ++k) {
        const int index = VoiceParamIndex(t, k);
        WriteVoiceParameter(index, host.ParamDefault(index));
      }
    }
  }
  host.ShowDone("Program initialized.");
  host.MarkPanelDirty();
}

void TrackPrograms::RenameTrackProgram(int t, const std::string& name) {
  if (!ValidTrack(t)) return;
  PluginLock lock(host.Mutex());
  host.TrackAt(t).programName = name;
  if (!linkSuspended && host.LinkProgramsOn()) {
    for (int i = 0; i < Engine::kTrackCount; ++i)
      if (TracksLinked(t, i)) host.TrackAt(i).programName = name;
  }
  host.MarkPanelDirty();
}

void TrackPrograms::AuditionProgram(const Program& program) {
  if (!ValidTrack(host.EditTrack())) return;
  PluginLock lock(host.Mutex());
  const int playing = TrackProgramNumber(host.EditTrack());
  bool targets[Engine::kTrackCount] = {};
  for (int t = 0; t < Engine::kTrackCount; ++t) targets[t] = TrackProgramNumber(t) == playing;
  {
    // Only the tracks playing the edit track's program hear the audition.
    ScopedValue<bool> suspend(linkSuspended, true);
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!targets[t]) continue;
      for (int k = 0; k < kVoiceParamCount; ++k) WriteVoiceParameter(VoiceParamIndex(t, k), program.values[k]);
      host.TrackAt(t).programName = program.name;
    }
  }
  host.MarkPanelDirty();
}

void TrackPrograms::UpdateProgramModified(int t) {
  if (!ValidTrack(t)) return;
  PluginLock lock(host.Mutex());
  const Program& program = host.Library().programs[static_cast<size_t>(TrackProgramNumber(t))];
  bool modified = false;
  for (int k = 0; k < kVoiceParamCount && !modified; ++k) {
    int stored = program.values[k];
    int current = host.IntParam(VoiceParamIndex(t, k)) & 255;
    if (!host.ExtendedResolution()) {
      stored = MaskVoiceValue(k, stored);
      current = MaskVoiceValue(k, current);
    }
    modified = stored != current;
  }
  Track& track = host.TrackAt(t);
  // A state keeps only the first kStateTrackNameLength bytes of a track's
  // name: a longer program name, once read back, is still the same name.
  const auto kept = [](const std::string& name) {
    return std::string_view(name).substr(0, static_cast<size_t>(kStateTrackNameLength));
  };
  if (!modified) modified = kept(track.programName) != kept(program.name);
  track.programModified = modified;
}

int TrackPrograms::ConfirmModifiedProgram(int t) {
  if (host.StateLoading() || host.DontAskToCommit() || !host.EditorOpen() || t >= Engine::kTrackCount) return 0;
  char text[128];
  {
    PluginLock lock(host.Mutex());
    const int first = t < 0 ? 0 : t;
    const int last = t < 0 ? Engine::kTrackCount - 1 : t;
    int modified = -1;
    for (int i = first; i <= last && modified < 0; ++i) {
      // The flag may be older than the last edit; the idle tick has not run yet.
      UpdateProgramModified(i);
      if (host.TrackAt(i).programModified) modified = i;
    }
    if (modified < 0) return 0;
    std::snprintf(text, sizeof(text), "Program %02u on Track %u is modified. Do you want to proceed?",
                  static_cast<unsigned>(TrackProgramNumber(modified)), static_cast<unsigned>(modified + 1));
  }
  // Asked without this function's hold on the plug-in lock: the message box
  // gives back only what the framework took, and audio must not wait for
  // the answer.
  return host.AskYesNo(text, "Modified Program") ? 2 : 1;
}
