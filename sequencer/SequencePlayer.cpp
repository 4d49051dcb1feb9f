#include "sequencer/SequencePlayer.h"

#include <algorithm>
#include <cmath>

#include "sequencer/Sequence.h"

namespace {

struct NoteValue {
  const char* name;
  double quarters;
};

constexpr NoteValue kNoteValues[kSpeedNoteValueCount] = {
    {"1/1", 4.0},      {"1/2.", 3.0},      {"1/2", 2.0},     {"1/4", 1.0},      {"1/8.", 0.75},
    {"1/4T", 2.0 / 3}, {"1/8", 0.5},       {"1/16.", 0.375}, {"1/8T", 1.0 / 3}, {"1/16", 0.25},
    {"1/32.", 0.1875}, {"1/16T", 1.0 / 6}, {"1/32", 0.125},  {"1/64", 0.0625}};

constexpr double kMinSpeed = 12.0;
constexpr double kMaxSpeed = 480.0;

bool PlayingMode(int32_t mode) {
  return mode >= 1 && mode <= 4;
}

PlayedSequence SequenceOfMode(int32_t mode) {
  switch (mode) {
    case 1:
      return PlayedSequence::kA;
    case 2:
      return PlayedSequence::kB;
    case 3:
    case 4:
      return PlayedSequence::kArpeggio;
    default:
      return PlayedSequence::kNone;
  }
}

}  // namespace

int SpeedNoteValueIndex(double speed) {
  if (!(speed >= kMinSpeed)) speed = kMinSpeed;  // NaN too
  speed = std::min(speed, kMaxSpeed);
  return static_cast<int>(std::round((speed - kMinSpeed) / (kMaxSpeed - kMinSpeed) * 13.0));
}

const char* SpeedNoteValueName(int index) {
  return kNoteValues[std::clamp(index, 0, kSpeedNoteValueCount - 1)].name;
}

double SpeedNoteValue(int index) {
  return kNoteValues[std::clamp(index, 0, kSpeedNoteValueCount - 1)].quarters;
}

int32_t SequencePlayer::CurrentPpq() {
  if (current == PlayedSequence::kNone) return Sequence::kDefaultPpq;
  return host.SequenceFor(current).EffectivePpq();
}

void SequencePlayer::MoveNextTickTo(double position) {
  if (!(samplesPerTick > 0)) return;
  // After a long jump of the host position, skip most of the gap at once
  // instead of tick by tick.
  const double behind = (position - nextTickTime) / samplesPerTick;
  if (behind > 64) nextTickTime += std::floor(behind - 1) * samplesPerTick;
  while (nextTickTime < position) nextTickTime += samplesPerTick;
}

void SequencePlayer::UpdateTickDuration() {
  if (current == PlayedSequence::kNone) return;
  const double ticksPerQuarter = CurrentPpq();
  const double sampleRate = host.SampleRate();
  if (host.SyncToHost()) {
    if (hostTempo <= 0) hostTempo = 120.0;
    // One quarter note of the sequence lasts the knob's note value in host beats.
    samplesPerTick =
        sampleRate * 60.0 / (ticksPerQuarter * hostTempo) * SpeedNoteValue(SpeedNoteValueIndex(host.Speed()));
  } else {
    // "Speed" outside its range (only possible from outside the parameter) is clamped.
    const double speed = std::clamp(host.Speed(), kMinSpeed, kMaxSpeed);
    samplesPerTick = sampleRate * 60.0 / (ticksPerQuarter * speed);
    if (blockPosition > 0 && samplesPerTick > 0) {
      nextTickTime = std::round(blockPosition / samplesPerTick) * samplesPerTick;
    } else {
      nextTickTime = 0;
    }
  }
  if (!(samplesPerTick > 0) || !std::isfinite(samplesPerTick)) samplesPerTick = 0;
}

void SequencePlayer::OnBlockStart(int32_t frames) {
  const bool synced = host.SyncToHost();
  if (synced) SyncToHostTransport();
  ScheduleSequencerBlock(frames);
  if (!synced) blockPosition += frames;
}

void SequencePlayer::ScheduleSequencerBlock(int32_t frames) {
  const int32_t mode = host.Mode();
  if (current != PlayedSequence::kNone && !PlayingMode(mode)) {
    current = PlayedSequence::kNone;
    EndNotes();
    host.ReleaseSequenceDrivenTracks();
    return;
  }
  if (current == PlayedSequence::kNone) {
    if (!PlayingMode(mode)) return;
    current = SequenceOfMode(mode);
    currentTick = 0;
    clickCountdown = 0;
    eventIndex = 0;
    if (!host.SyncToHost()) nextTickTime = blockPosition;
    UpdateTickDuration();
  }
  // Following the host, nothing plays until its transport runs; otherwise the
  // first block after selecting would sound the loop's first notes, which
  // would then hang while the transport stands still. For the same reason the
  // notes of a loop that stands still now (following a stopped host from the
  // internal clock) end here.
  if (host.SyncToHost() && !hostPlaying) {
    EndNotes();
    return;
  }

  const double end = blockPosition + frames;
  if (end < 0 || !(samplesPerTick > 0)) return;
  if (blockPosition > nextTickTime) MoveNextTickTo(blockPosition);

  Sequence& sequence = host.SequenceFor(current);
  const std::vector<SequenceEvent>& events = sequence.Events();
  const bool click = host.ClickEnabled();
  while (end > nextTickTime) {
    const int32_t offset = static_cast<int32_t>(std::lround(nextTickTime - blockPosition));
    if (sequence.length > 0) {
      if (currentTick >= sequence.length) {
        // A note whose note-off lies at or beyond the loop length (one still
        // held when a recording stopped, or one the rounding of the length cut
        // off) ends at the wrap; it would otherwise sound on, pass after pass.
        CloseOpenNotes(offset);
        // The recorder may close hanging notes here, so the list is read
        // afresh below.
        host.OnLoopWrap();
        currentTick = 0;
        eventIndex = 0;
      }
      const int32_t eventCount = static_cast<int32_t>(events.size());
      // Events behind the play position (inserted by an overdub at or before
      // the tick just played, or stored before tick 0) are stepped over, so
      // the rest of the pass keeps playing.
      while (eventIndex < eventCount && events[eventIndex].tick < currentTick) ++eventIndex;
      while (eventIndex < eventCount && events[eventIndex].tick == currentTick) {
        const SequenceEvent& e = events[eventIndex];
        Queue({offset, e.status, e.data1, e.data2, 1, 0});
        ++eventIndex;
      }
      ++currentTick;
    }
    if (--clickCountdown <= 0) {
      if (click) Queue({offset, 0x90, 0x3C, 0x64, 0, 1});
      clickCountdown = sequence.EffectivePpq();
    }
    nextTickTime += samplesPerTick;
  }
}

void SequencePlayer::StartPlayback() {
  EndNotes();
  current = SequenceOfMode(host.Mode());
  currentTick = 0;
  clickCountdown = 0;
  eventIndex = 0;
  if (!host.SyncToHost()) nextTickTime = blockPosition;
  UpdateTickDuration();
}

void SequencePlayer::StopPlayback() {
  current = PlayedSequence::kNone;
  EndNotes();
  host.ReleaseSequenceDrivenTracks();
}

void SequencePlayer::EndNotes(int channel) {
  // A note-on still queued has its mark, so without marks nothing can hang.
  if (openNotes.none()) return;
  host.DropQueuedNoteOns(channel);
  CloseOpenNotes(0, channel);
}

void SequencePlayer::Queue(const MidiMessage& message) {
  const int kind = message.status >> 4;
  if (!message.isClick && (kind == 8 || kind == 9)) {
    const size_t key = static_cast<size_t>(message.status & 15) * 256 + message.data1;
    openNotes.set(key, kind == 9 && message.data2 > 0);
  }
  host.QueueMidiMessage(message);
}

void SequencePlayer::CloseOpenNotes(int32_t offset, int channel) {
  if (openNotes.none()) return;
  for (int c = 0; c < 16; ++c) {
    if (channel >= 0 && c != channel) continue;
    for (int note = 0; note < 256; ++note)
      if (openNotes[static_cast<size_t>(c * 256 + note)])
        Queue({offset, static_cast<uint8_t>(0x80 | c), static_cast<uint8_t>(note), 0, 1, 0});
  }
}

void SequencePlayer::RestartLoop() {
  EndNotes();
  currentTick = 0;
  clickCountdown = 0;
  eventIndex = 0;
  if (!host.SyncToHost()) nextTickTime = blockPosition;
}

void SequencePlayer::SyncToHostTransport() {
  if (current == PlayedSequence::kNone) return;
  SequencerHostTime time;
  host.GetHostTime(time);
  const bool jumped = (time.ppqPos - lastHostPpq) < -0.5;

  bool realign = jumped;
  const double tempo = std::round(host.GetHostTempo() * 1000.0) * 0.001;
  if (tempo != hostTempo) {
    hostTempo = tempo;
    UpdateTickDuration();
    realign = true;
  }

  if (time.transportRunning) {
    if (!hostPlaying) {
      blockPosition = time.samplePos;
      lastHostPpq = -1000000.0;
      hostPlaying = true;
      clickCountdown = 0;
      if (jumped) {
        currentTick = 0;
        eventIndex = 0;
      }
      StartPlayback();
    }
  } else if (hostPlaying) {
    hostPlaying = false;
    StopPlayback();
  }
  if (!hostPlaying) return;

  if (time.ppqPos != lastHostPpq) {
    blockPosition = time.samplePos;
    if (jumped) {
      // Back to the loop start: the note-offs of what plays now lie ahead.
      EndNotes();
      currentTick = 0;
      clickCountdown = 0;
      eventIndex = 0;
    }
    if (samplesPerTick > 0) {
      if (realign) {
        nextTickTime = time.samplePos > 0 ? std::round(time.samplePos / samplesPerTick) * samplesPerTick : 0;
        MoveNextTickTo(blockPosition);
      } else if (time.samplePos > 0) {
        // The next tick on the host's grid of 1/ppq quarter notes.
        const double x = CurrentPpq() * time.ppqPos;
        const double d = samplesPerTick * (std::round(x) - x);
        nextTickTime = blockPosition + d + (d < 0 ? samplesPerTick : 0);
      } else {
        nextTickTime = 0;
      }
    }
  }
  lastHostPpq = time.ppqPos;
}
