// The performance Mode switch, the hand-over of tracks to a sequence and back,
// and the player's entry points inside the instrument.
#include <cmath>
#include <cstdio>
#include <mutex>

#include "instrument/Vornell.h"
#include "programs/ParameterTable.h"

// --- clock and player ------------------------------------------------------------

void Vornell::OnBlockStart(int32_t frames) {
  // The panel changes these as plain members; the engine mixes the click with them.
  engine.SetClickEnabled(clickEnabled);
  engine.SetClickLevel(clickLevel);
  player.OnBlockStart(frames);
  // Following the host the player's position stays at the block start.
  sequencerBlockEnd = player.BlockPosition() + (sequencerHost.SyncToHost() ? frames : 0);
}

void Vornell::UpdateTickDuration() {
  PluginLock lock(Mutex());
  player.UpdateTickDuration();
}

void Vornell::StartPlayback() {
  PluginLock lock(Mutex());
  player.StartPlayback();
}

void Vornell::StopPlayback() {
  PluginLock lock(Mutex());
  player.StopPlayback();
}

void Vornell::SetClickLevel(double level) {
  PluginLock lock(Mutex());
  clickLevel = level > 0 ? (level < 1 ? level : 1.0) : 0.0;
  char text[48];
  if (clickLevel <= 0)
    std::snprintf(text, sizeof(text), "Click Level: -oo");
  else
    std::snprintf(text, sizeof(text), "Click Level: %.1f", 20.0 * std::log10(clickLevel));
  ShowStatus(text, kStatusWhite);
}

Sequence* Vornell::CurrentSequence() {
  const PlayedSequence which = player.CurrentSequence();
  return which == PlayedSequence::kNone ? nullptr : &sequencerHost.SequenceFor(which);
}

// --- track hand-over -------------------------------------------------------------

void Vornell::AssignSequenceTracks(const Sequence& sequence) {
  if (&sequence == &arpeggio) {
    if (engine.GetTrack(5).channel != Track::kNoChannel) engine.SetTrackChannel(5, 5);
  } else {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!sequence.channelUsed[t]) continue;
      engine.GetTrack(t).sequenceDriven = true;
      engine.SetTrackChannel(t, t);
    }
  }
  panelDirty = true;
}

void Vornell::RestoreTrackChannels() {
  const int mode = engine.Mode();
  if (IsArpeggiatorMode(mode)) {
    engine.SetTrackChannel(5, IntParam(TrackParamIndex(5, kTrackChannel)));
  } else {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      Track& track = engine.GetTrack(t);
      if (!track.sequenceDriven) continue;
      track.sequenceDriven = false;
      engine.SetTrackChannel(t, IntParam(TrackParamIndex(t, kTrackChannel)));
    }
  }
  panelDirty = true;
}

// --- Mode switch -------------------------------------------------------------------

bool Vornell::SetMode(int32_t m) {
  PluginLock lock(Mutex());
  m = ValidPerformanceMode(m);
  const int old = engine.Mode();
  if (m == old) return true;

  player.ResetEventIndex();
  arpeggio.Clear();
  arpNotes.Clear();
  engine.ReleaseChannelVoices(5);
  panelDirty = true;
  const bool wasPlaying = IsPlayerMode(old);
  // A Mode that cannot be entered: the parameter, which a host or the editor
  // may already have moved, goes back to the Mode kept; then the reason shows.
  const auto refuse = [&](const char* text, int colour) {
    if (IntParam(kParamMode) != old) SetParameterFromEngine(kParamMode, old);
    ShowStatus(text, colour);
    return false;
  };

  switch (m) {
    case kModeSequenceA:
    case kModeSequenceB: {
      if (old != kModeNormal) {
        SetMode(kModeNormal);
        return true;
      }
      if (Recording()) {
        // StartRecording follows from OnParamChanged once the Mode is set.
        player.SelectSequence(PlayedSequence::kNone);
        break;
      }
      const bool b = m == kModeSequenceB;
      const Sequence& sequence = b ? seqB : seqA;
      if (sequence.Empty()) {
        SetMode(kModeNormal);
        char text[32];
        std::snprintf(text, sizeof(text), "Sequence %c: empty.", b ? 'B' : 'A');
        return refuse(text, kStatusOrange);
      }
      AssignSequenceTracks(sequence);
      for (int t = 0; t < Engine::kTrackCount; ++t) {
        if (!engine.GetTrack(t).sequenceDriven) continue;
        engine.ReleaseChannelVoices(t);
        if (!stateLoading)
          programs.LoadProgramIntoTrack(t, IntParam(ProgramParamIndex(b ? kProgramSetSeqB : kProgramSetSeqA, t)));
      }
      // The next block starts the new Mode's sequence from its first tick, even
      // when no block ran in Normal since the last sequence played.
      player.SelectSequence(PlayedSequence::kNone);
      break;
    }
    case kModeArpUpDown:
    case kModeArpAssign: {
      if (IsSequenceMode(old) || IsStackMode(old)) {
        SetMode(kModeNormal);
        return true;
      }
      bool listening = engine.GetTrack(5).channel != Track::kNoChannel;
      for (int t = 0; t < Engine::kTrackCount && !listening; ++t) listening = engine.GetTrack(t).channel == 5;
      if (!listening) return refuse("Select a track for channel 6!", kStatusRed);
      if (!IsArpeggiatorMode(old)) {
        // Keys let go outside these Modes were never seen going up: counted
        // as down, one would keep a held pattern playing after the last release.
        arpHeldKeys.Clear();
        directKeys.reset();
      }
      AssignSequenceTracks(arpeggio);
      engine.ReleaseChannelVoices(5);
      player.SelectSequence(PlayedSequence::kNone);
      break;
    }
    case kModeStackA:
    case kModeStackB: {
      const int set = m == kModeStackA ? kProgramSetStackA : kProgramSetStackB;
      if (!stateLoading) {
        SetParameterFromEngine(kParamLinkPrograms, 0);
        for (int t = 0; t < Engine::kTrackCount; ++t) programs.LoadProgramIntoTrack(t, IntParam(ProgramParamIndex(set, t)));
      }
      if (wasPlaying) RestoreTrackChannels();
      break;
    }
    default: {
      ResetAllVoices();
      if (Recording()) {
        StopRecording();
      } else if (!stateLoading) {
        if (IsStackMode(old)) SetParameterFromEngine(kParamLinkPrograms, 1);
        if (!IsArpeggiatorMode(old))
          for (int t = 0; t < Engine::kTrackCount; ++t)
            programs.ApplyProgramParameter(kProgramKindTrack, t, IntParam(ProgramParamIndex(kProgramSetTrack, t)));
      }
      if (wasPlaying) RestoreTrackChannels();
      break;
    }
  }

  engine.SetMode(m);
  arpLatch = false;
  SetParameterFromEngine(kParamMode, m);
  return true;
}
