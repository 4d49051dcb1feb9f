// The sequencer side's clock, player and click, the performance Mode switch,
// and the hand-over of tracks to a sequence and back.
#include "sequencer/Sequencer.h"

#include <cmath>
#include <cstdio>

#include "engine/Engine.h"
#include "engine/PerformanceMode.h"
#include "plugin/PluginLock.h"
#include "plugin/StatusLineColour.h"

Sequencer::Sequencer(Engine& engine, SequencerHost& host) : engine(engine), host(host) {}

// --- the player's view -------------------------------------------------------------

int32_t Sequencer::PlayerLink::Mode() {
  return sequencer.engine.Mode();
}

double Sequencer::PlayerLink::SampleRate() {
  return sequencer.host.SampleRate();
}

double Sequencer::PlayerLink::Speed() {
  return sequencer.host.Speed();
}

bool Sequencer::PlayerLink::SyncToHost() {
  return sequencer.host.SyncToHost();
}

bool Sequencer::PlayerLink::ClickEnabled() {
  return sequencer.clickEnabled;
}

Sequence& Sequencer::PlayerLink::SequenceFor(PlayedSequence which) {
  switch (which) {
    case PlayedSequence::kB:
      return sequencer.seqB;
    case PlayedSequence::kArpeggio:
      return sequencer.arpeggio;
    default:
      return sequencer.seqA;
  }
}

void Sequencer::PlayerLink::QueueMidiMessage(const MidiMessage& message) {
  sequencer.engine.QueueMidiMessage(message);
}

void Sequencer::PlayerLink::DropQueuedNoteOns(int channel) {
  sequencer.engine.DropSequencerNoteOns(channel);
}

void Sequencer::PlayerLink::ReleaseSequenceDrivenTracks() {
  Engine& engine = sequencer.engine;
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (engine.GetTrack(t).sequenceDriven) engine.ReleaseTrackVoices(t);
}

void Sequencer::PlayerLink::OnLoopWrap() {
  const SequencePlayer& player = sequencer.player;
  sequencer.OnSequenceLoopWrap(player.NextTickTime() - player.BlockPosition());
}

void Sequencer::PlayerLink::OnLoopRestart() {
  const SequencePlayer& player = sequencer.player;
  sequencer.AlignRecordElapsed(-(player.NextTickTime() - player.BlockPosition()));
}

void Sequencer::PlayerLink::OnTickDurationChange(double ratio) {
  // A recorded note's tick is its elapsed time over the tick length: the time
  // so far is rescaled so that the notes to come land where the loop stands.
  if (sequencer.Recording()) sequencer.AlignRecordElapsed(sequencer.RecordPosition() * ratio);
}

double Sequencer::PlayerLink::GetHostTempo() {
  return sequencer.host.GetHostTempo();
}

void Sequencer::PlayerLink::GetHostTime(SequencerHostTime& time) {
  sequencer.host.GetHostTime(time);
}

// --- clock and player ------------------------------------------------------------

void Sequencer::OnBlockStart(int32_t frames) {
  // The panel changes these as plain members; the engine mixes the click with them.
  engine.SetClickEnabled(clickEnabled);
  engine.SetClickLevel(clickLevel);
  player.OnBlockStart(frames);
  // Following the host the player's position stays at the block start.
  blockEnd = player.BlockPosition() + (host.SyncToHost() ? frames : 0);
}

void Sequencer::SetSpeed(double bpm) {
  speed = bpm;
  UpdateTickDuration();
}

void Sequencer::SetSyncToHost(bool on) {
  syncToHost = on;
  UpdateTickDuration();
}

void Sequencer::UpdateTickDuration() {
  PluginLock lock(host.Mutex());
  player.UpdateTickDuration();
}

void Sequencer::StartPlayback() {
  PluginLock lock(host.Mutex());
  player.StartPlayback();
}

void Sequencer::StopPlayback() {
  PluginLock lock(host.Mutex());
  player.StopPlayback();
}

void Sequencer::SetClickLevel(double level) {
  PluginLock lock(host.Mutex());
  clickLevel = level > 0 ? (level < 1 ? level : 1.0) : 0.0;
  char text[48];
  if (clickLevel <= 0)
    std::snprintf(text, sizeof(text), "Click Level: -oo");
  else
    std::snprintf(text, sizeof(text), "Click Level: %.1f", 20.0 * std::log10(clickLevel));
  host.ShowStatus(text, kStatusWhite);
}

Sequence* Sequencer::CurrentSequence() {
  const PlayedSequence which = player.CurrentSequence();
  return which == PlayedSequence::kNone ? nullptr : &playerLink.SequenceFor(which);
}

// --- track hand-over -------------------------------------------------------------

void Sequencer::AssignSequenceTracks(const Sequence& sequence) {
  if (&sequence == &arpeggio) {
    if (engine.GetTrack(5).channel != Track::kNoChannel) engine.SetTrackChannel(5, 5);
  } else {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!sequence.channelUsed[t]) continue;
      engine.SetSequenceDriven(t, true);
      engine.SetTrackChannel(t, t);
    }
  }
  host.MarkPanelDirty();
}

void Sequencer::RestoreTrackChannels() {
  const int mode = engine.Mode();
  if (IsArpeggiatorMode(mode)) {
    engine.SetTrackChannel(5, host.TrackChannelSetting(5));
  } else {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      Track& track = engine.GetTrack(t);
      if (!track.sequenceDriven) continue;
      engine.SetSequenceDriven(t, false);
      engine.SetTrackChannel(t, host.TrackChannelSetting(t));
    }
  }
  host.MarkPanelDirty();
}

// --- Mode switch -------------------------------------------------------------------

bool Sequencer::SetMode(int32_t m) {
  PluginLock lock(host.Mutex());
  m = ValidPerformanceMode(m);
  const int old = engine.Mode();
  if (m == old) return true;

  player.ResetEventIndex();
  arpeggio.Clear();
  arpNotes.Clear();
  engine.ReleaseChannelVoices(5);
  host.MarkPanelDirty();
  const bool wasPlaying = IsPlayerMode(old);
  // A Mode that cannot be entered: the parameter, which a host or the editor
  // may already have moved, goes back to the Mode kept; then the reason shows.
  const auto refuse = [&](const char* text, int colour) {
    if (host.ModeParameter() != old) host.SetModeParameter(old);
    host.ShowStatus(text, colour);
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
        if (!host.StateLoading()) host.LoadProgramIntoTrack(t, host.SlotProgram(m, t));
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
      if (!host.StateLoading()) {
        host.SetLinkPrograms(false);
        for (int t = 0; t < Engine::kTrackCount; ++t) host.LoadProgramIntoTrack(t, host.SlotProgram(m, t));
      }
      if (wasPlaying) RestoreTrackChannels();
      break;
    }
    default: {
      host.ResetAllVoices();
      if (Recording()) {
        StopRecording();
      } else if (!host.StateLoading()) {
        if (IsStackMode(old)) host.SetLinkPrograms(true);
        if (!IsArpeggiatorMode(old))
          for (int t = 0; t < Engine::kTrackCount; ++t) host.SelectOwnProgram(t);
      }
      if (wasPlaying) RestoreTrackChannels();
      break;
    }
  }

  engine.SetMode(m);
  arpLatch = false;
  host.SetModeParameter(m);
  return true;
}
