// The recorder: a new sequence in a first pass, overdub of further tracks into
// a playing loop, and clearing of tracks and sequences.
#include <cmath>

#include "engine/Engine.h"
#include "engine/PerformanceMode.h"
#include "plugin/PluginLock.h"
#include "plugin/StatusLineColour.h"
#include "sequencer/Sequencer.h"

namespace {

// Voice edits are not copied to linked tracks for the length of a scope.
class LinksSuspended {
 public:
  explicit LinksSuspended(SequencerHost& host) : host(host), previous(host.SuspendLinks(true)) {}
  ~LinksSuspended() { host.SuspendLinks(previous); }
  LinksSuspended(const LinksSuspended&) = delete;
  LinksSuspended& operator=(const LinksSuspended&) = delete;

 private:
  SequencerHost& host;
  bool previous;
};

}  // namespace

bool Sequencer::Recording() const {
  return engine.IsRecording();
}

void Sequencer::SetRecording(bool on) {
  engine.SetRecording(on);
}

void Sequencer::StartRecording() {
  PluginLock lock(host.Mutex());
  const int mode = engine.Mode();
  if (!IsSequenceMode(mode)) return;
  for (int t = 0; t < Engine::kTrackCount; ++t) engine.GetTrack(t).armed = false;
  player.SelectSequence(mode == kModeSequenceA ? PlayedSequence::kA : PlayedSequence::kB);
  Sequence& sequence = *CurrentSequence();
  sequence.Clear();
  // Recording adds events on the audio thread; room for them is made here.
  sequence.EnsureHeadroom(Sequence::kReservedEvents);
  double tempo = host.SyncToHost() ? player.HostTempo() : host.Speed();
  sequence.tempo = tempo > 0 ? tempo : 120.0;
  UpdateTickDuration();
  ArmTrack(0, true);
  recordedOpen.reset();
  recordState = kRecordWaitFirstNote;
  SetRecording(true);
  recordActivity = false;
  host.ShowStatus("Waiting for first note...", kStatusOrange);
}

void Sequencer::ArmTrack(int t, bool on) {
  PluginLock lock(host.Mutex());
  if (t < 0 || t >= Engine::kTrackCount || !CurrentSequence()) return;
  LinksSuspended suspend(host);
  Track& track = engine.GetTrack(t);
  track.armed = on;
  const int slot = host.SlotProgram(engine.Mode() == kModeSequenceA ? kModeSequenceA : kModeSequenceB, t);
  if (on) {
    engine.SetTrackChannel(t, Track::kAllChannels);
    if (slot == SequencerHost::kOwnProgram)
      host.SetTrackProgram(t, host.SlotProgram(kModeNormal, t));
    else
      host.LoadProgramIntoTrack(t, slot);
  } else if (track.sequenceDriven) {
    engine.SetTrackChannel(t, t);
    host.LoadProgramIntoTrack(t, slot);
  } else {
    engine.SetTrackChannel(t, host.TrackChannelSetting(t));
    host.LoadProgramIntoTrack(t, host.SlotProgram(kModeNormal, t));
  }
}

void Sequencer::RecordNoteEvent(int32_t t, int32_t note, int32_t velocity) {
  if (t < 0 || t >= Engine::kTrackCount || !engine.GetTrack(t).armed) return;
  Sequence* sequence = CurrentSequence();
  if (!sequence) return;
  // A loop that follows a stopped host stands still: a note played over it
  // has no place in it (its time would count on from where the loop stopped).
  if (sequence->length > 0 && host.SyncToHost() && !player.HostPlaying()) return;
  // A key that goes up without a note of it recorded (pressed before the
  // recording began, or on a track that did not get it) adds nothing, and
  // does not start the recording either.
  const size_t key = static_cast<size_t>(t) * 256 + static_cast<size_t>(note & 255);
  if (velocity <= 0 && !recordedOpen[key]) return;
  SequenceEvent event;
  event.status = static_cast<uint8_t>((velocity > 0 ? 0x90 : 0x80) + t);
  event.data1 = static_cast<uint8_t>(note);
  event.data2 = static_cast<uint8_t>(velocity & 0xFF);
  switch (recordState) {
    case kRecordWaitFirstNote:
      recordState = kRecordRecording;
      break;
    case kRecordOverdubPrepared:
      return;
    case kRecordOverdubWaitFirstNote:
      recordState = kRecordOverdubFirstPass;
      break;
    case kRecordOverdubArmedAtWrap:
      recordState = kRecordOverdubbing;
      host.ShowStatus("Start overdubbing...", kStatusRed);
      break;
    default:
      break;
  }
  if (sequence->Empty()) {
    engine.SetRecordElapsed(0);
    event.tick = 0;
    host.ShowStatus("Recording started...", kStatusRed);
  } else {
    const double samplesPerTick = player.SamplesPerTick();
    event.tick = samplesPerTick > 0 ? static_cast<int32_t>(engine.RecordElapsed() / samplesPerTick) : 0;
    // During overdub the elapsed time counts from the loop start; a note in the
    // block of a wrap but before it belongs to the end of the pass just left,
    // one counted past the end to the start of the next.
    if (sequence->length > 0) {
      if (event.tick < 0) event.tick += sequence->length;
      if (event.tick >= sequence->length) event.tick -= sequence->length;
      if (event.tick < 0 || event.tick >= sequence->length) event.tick = 0;
    } else if (event.tick < 0) {
      event.tick = 0;
    }
  }
  if (sequence->AddEvent(event)) recordedOpen.set(key, velocity > 0);
  recordActivity = true;
}

void Sequencer::StopRecording() {
  PluginLock lock(host.Mutex());
  host.SetPanelRecordMode(false);
  recordState = kRecordRecording;
  SetRecording(false);
  Sequence* sequence = CurrentSequence();
  if (!sequence) {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      Track& track = engine.GetTrack(t);
      // An armed track listens on all channels; it goes back to its own.
      if (track.armed && !track.sequenceDriven) engine.SetTrackChannel(t, host.TrackChannelSetting(t));
      track.armed = false;
    }
    recordActivity = false;
    return;
  }
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    Track& track = engine.GetTrack(t);
    track.armed = false;
    if (sequence->channelUsed[t]) {
      engine.SetSequenceDriven(t, true);
      engine.ReleaseTrackVoices(t);
    } else {
      engine.SetSequenceDriven(t, false);
      engine.SetTrackChannel(t, host.TrackChannelSetting(t));
      LinksSuspended suspend(host);
      host.LoadProgramIntoTrack(t, host.SlotProgram(kModeNormal, t));
    }
  }
  if (!sequence->Empty()) {
    if (sequence->length == 0) {
      // The count stands at the last control tick; the samples since then count too.
      const double elapsed = RecordPosition();
      const double quarter = sequence->EffectivePpq() * player.SamplesPerTick();
      const double quarters = quarter > 0 ? std::round(elapsed / quarter) : 0.0;
      sequence->length = static_cast<int32_t>(quarters * sequence->EffectivePpq());
      player.RestartLoop();
    }
    sequence->CloseHangingNotes();
    AssignSequenceTracks(*sequence);
    host.ShowStatus("Recording stopped.", kStatusGreen);
  } else {
    SetMode(kModeNormal);
  }
  recordActivity = false;
}

void Sequencer::PrepareOverdub() {
  PluginLock lock(host.Mutex());
  const int mode = engine.Mode();
  if (!host.PanelRecordMode() || !IsSequenceMode(mode)) return;
  // The elapsed time is kept as the time since the loop start from here on, so
  // that overdubbed notes land where they were played.
  const double samplesPerTick = player.SamplesPerTick();
  if (Sequence* sequence = CurrentSequence()) sequence->EnsureHeadroom(Sequence::kReservedEvents);
  if (CurrentSequence() && samplesPerTick > 0) {
    const double loopTime = player.CurrentTick() * samplesPerTick - (player.NextTickTime() - blockEnd);
    AlignRecordElapsed(loopTime);
  }
  SetRecording(true);
  recordedOpen.reset();
  recordState = kRecordOverdubPrepared;
  recordActivity = true;
  host.ShowStatus("Prepare for overdub...", kStatusOrange);
}

void Sequencer::RecordTrackButton(int t) {
  PluginLock lock(host.Mutex());
  if (!Recording() || t < 0 || t >= Engine::kTrackCount) return;
  if (engine.GetTrack(t).armed) {
    ArmTrack(t, false);
  } else if (recordState == kRecordOverdubPrepared) {
    recordState = kRecordOverdubWaitFirstNote;
    ArmTrack(t, true);
    recordActivity = true;
    host.ShowStatus("Waiting for first note...", kStatusOrange);
  } else {
    ArmTrack(t, true);
  }
}

void Sequencer::AlignRecordElapsed(double position) {
  // The engine adds a whole control period at the start of each; the count is
  // set so that at the next control tick it equals the time since the loop
  // start there, as a first note at a control tick leaves it.
  engine.SetRecordElapsed(position + engine.ControlCountdown() - engine.ControlPeriod());
}

double Sequencer::RecordPosition() const {
  return engine.RecordElapsed() + engine.ControlPeriod() - engine.ControlCountdown();
}

void Sequencer::OnSequenceLoopWrap(double offset) {
  // From here the elapsed time counts from the wrap's sample, not the block start.
  AlignRecordElapsed(-offset);
  if (!Recording()) return;
  switch (recordState) {
    case kRecordOverdubWaitFirstNote:
      recordState = kRecordOverdubArmedAtWrap;
      break;
    case kRecordOverdubFirstPass:
      recordState = kRecordOverdubbing;
      break;
    case kRecordOverdubbing:
      StopRecording();
      break;
    default:
      break;
  }
}

void Sequencer::ClearTrack(int t) {
  PluginLock lock(host.Mutex());
  Sequence* sequence = CurrentSequence();
  if (!sequence || t < 0 || t >= Engine::kTrackCount) return;
  sequence->RemoveChannel(t);
  // Its notes already queued would start with no note-off left to end them.
  player.EndNotes(t);
  engine.ReleaseTrackVoices(t);
  engine.SetSequenceDriven(t, false);
  engine.SetTrackChannel(t, host.TrackChannelSetting(t));
  StopRecording();
  host.ShowStatus("Track cleared.", kStatusGreen);
}

void Sequencer::ClearSequence(int which) {
  PluginLock lock(host.Mutex());
  const int mode = which == 1 ? kModeSequenceB : kModeSequenceA;
  SequenceAt(which).Clear();
  for (int t = 0; t < Engine::kTrackCount; ++t) host.SetSlotProgram(mode, t, SequencerHost::kOwnProgram);
  SetMode(kModeNormal);
}
