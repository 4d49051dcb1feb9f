#include "sequencer/SequencePlayer.h"

#include <algorithm>
#include <cmath>

#include "engine/PerformanceMode.h"
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
// Fraction of a tick within which a tick counts as lying on a block boundary:
// far above the rounding of a host's position, far below a sample.
constexpr double kTickTolerance = 1e-6;
constexpr double kMaxSpeed = 480.0;

PlayedSequence SequenceOfMode(int32_t mode) {
  switch (mode) {
    case kModeSequenceA:
      return PlayedSequence::kA;
    case kModeSequenceB:
      return PlayedSequence::kB;
    case kModeArpUpDown:
    case kModeArpAssign:
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
  if (!(samplesPerTick > 0) || !std::isfinite(position)) return;
  if (!std::isfinite(nextTickTime)) nextTickTime = position;
  if (nextTickTime >= position) return;
  // The first tick of the grid at or after the position, in one step: far
  // from sample 0 a tick can be shorter than the rounding step of the time.
  nextTickTime += std::ceil((position - nextTickTime) / samplesPerTick) * samplesPerTick;
  if (nextTickTime < position) nextTickTime = position;
}

namespace {

// The host tempo as the player follows it: to 1/1000 BPM, within the range;
// a host that reports none (or not a number) runs at 120.
double FollowedTempo(double reported) {
  if (!(reported > 0)) return 120.0;
  return std::clamp(std::round(reported * 1000.0) * 0.001, kMinHostTempo, kMaxHostTempo);
}

// The first event at or after `from` whose tick is not below `tick` (or, with
// `after`, above it); the events are ordered by tick.
int32_t FindTick(const std::vector<SequenceEvent>& events, int32_t from, int32_t tick, bool after) {
  const auto begin = events.begin() + from;
  const auto found =
      after ? std::upper_bound(begin, events.end(), tick, [](int32_t t, const SequenceEvent& e) { return t < e.tick; })
            : std::lower_bound(begin, events.end(), tick, [](const SequenceEvent& e, int32_t t) { return e.tick < t; });
  return static_cast<int32_t>(found - events.begin());
}

}  // namespace

void SequencePlayer::UpdateTickDuration() {
  if (current == PlayedSequence::kNone) return;
  const double before = samplesPerTick;
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
  if (before > 0 && samplesPerTick > 0 && samplesPerTick != before) host.OnTickDurationChange(samplesPerTick / before);
}

void SequencePlayer::OnBlockStart(int32_t frames) {
  const bool synced = host.SyncToHost();
  if (synced) {
    SyncToHostTransport();
  } else if (!(std::fabs(blockPosition) < 1e15)) {
    // A host position far out of reach (or not a number) that the clock kept
    // from following the host: the internal clock starts again at sample 0.
    blockPosition = 0;
    nextTickTime = 0;
  }
  ScheduleSequencerBlock(frames);
  if (!synced) blockPosition += frames;
}

void SequencePlayer::ScheduleSequencerBlock(int32_t frames) {
  const int32_t mode = host.Mode();
  if (current != PlayedSequence::kNone && !IsPlayerMode(mode)) {
    current = PlayedSequence::kNone;
    EndNotes();
    host.ReleaseSequenceDrivenTracks();
    return;
  }
  if (current == PlayedSequence::kNone) {
    if (!IsPlayerMode(mode)) return;
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

  ticksInLastBlock = 0;
  const double end = blockPosition + frames;
  // A position that is not a number plays nothing.
  if (!(end >= 0) || !std::isfinite(end) || !(samplesPerTick > 0)) return;
  if (!(nextTickTime >= blockPosition - kTickTolerance * samplesPerTick)) MoveNextTickTo(blockPosition);

  Sequence& sequence = host.SequenceFor(current);
  const std::vector<SequenceEvent>& events = sequence.Events();
  const bool click = host.ClickEnabled();
  // Bounded whatever the clock: a tick too short to move the time on, or far
  // more of them than any musical clock gives, cannot hold up the block.
  const int64_t tickLimit = int64_t{frames} * kMaxTicksPerFrame + 1;
  int32_t eventWork = 0;
  // A tick within a hair of the block end goes to the next block (see SyncToHostTransport).
  const double last = end - kTickTolerance * samplesPerTick;
  while (last > nextTickTime) {
    if (ticksInLastBlock == tickLimit) {
      nextTickTime = end;
      break;
    }
    ++ticksInLastBlock;
    const double position = std::clamp(nextTickTime - blockPosition, 0.0, static_cast<double>(frames));
    const int32_t offset = static_cast<int32_t>(std::lround(position));
    if (sequence.length > 0) {
      if (currentTick >= sequence.length) {
        // A note whose note-off lies at or beyond the loop length (one still
        // held when a recording stopped, or one the rounding of the length cut
        // off) ends at the wrap; it would otherwise sound on, pass after pass.
        // A note held across the loop point ends early in the next pass.
        if (AnyOpenNote()) {
          const int32_t count = static_cast<int32_t>(events.size());
          for (int32_t i = FindTick(events, 0, sequence.length, false); i < count; ++i) {
            if (++eventWork > kMaxEventsPerBlock) break;
            const SequenceEvent& e = events[i];
            const int kind = e.status >> 4;
            if ((kind == 8 || (kind == 9 && e.data2 == 0)) && IsOpen(e.status & 15, e.data1))
              Queue({offset, static_cast<uint8_t>(0x80 | (e.status & 15)), e.data1, 0, 1, 0});
          }
        }
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
      if (eventIndex < eventCount && events[eventIndex].tick < currentTick)
        eventIndex = FindTick(events, eventIndex, currentTick, false);
      while (eventIndex < eventCount && events[eventIndex].tick == currentTick) {
        if (++eventWork > kMaxEventsPerBlock) {
          eventIndex = FindTick(events, eventIndex, currentTick, true);
          break;
        }
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

bool SequencePlayer::IsOpen(int channel, int note) const {
  const int key = channel * 256 + note;
  return (openNotes[key >> 6] >> (key & 63)) & 1;
}

bool SequencePlayer::AnyOpenNote() const {
  for (uint64_t word : openNotes)
    if (word) return true;
  return false;
}

void SequencePlayer::EndNotes(int channel) {
  // A note-on still queued has its mark, so without marks nothing can hang.
  if (!AnyOpenNote()) return;
  host.DropQueuedNoteOns(channel);
  CloseOpenNotes(channel);
}

void SequencePlayer::Queue(const MidiMessage& message) {
  const int kind = message.status >> 4;
  if (!message.isClick && (kind == 8 || kind == 9)) {
    const int key = (message.status & 15) * 256 + message.data1;
    const uint64_t bit = uint64_t{1} << (key & 63);
    if (kind == 9 && message.data2 > 0)
      openNotes[key >> 6] |= bit;
    else
      openNotes[key >> 6] &= ~bit;
  }
  host.QueueMidiMessage(message);
}

void SequencePlayer::CloseOpenNotes(int channel) {
  // Four words per channel; a note-off clears its bit as it is queued.
  for (int word = channel < 0 ? 0 : channel * 4; word < (channel < 0 ? kOpenNoteWords : channel * 4 + 4); ++word) {
    while (openNotes[word]) {
      const int key = word * 64 + __builtin_ctzll(openNotes[word]);
      Queue({0, static_cast<uint8_t>(0x80 | (key >> 8)), static_cast<uint8_t>(key & 255), 0, 1, 0});
    }
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
  const double tempo = FollowedTempo(host.GetHostTempo());
  if (tempo != hostTempo) {
    hostTempo = tempo;
    UpdateTickDuration();
    realign = true;
  }

  bool restarted = false;
  if (time.transportRunning) {
    if (!hostPlaying) {
      restarted = true;
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

  bool passEnded = false;
  if (time.ppqPos != lastHostPpq) {
    blockPosition = time.samplePos;
    if (jumped) {
      // A host that cycles over the loop jumps back where the loop ends (its
      // wrap not yet played, or just so): that is the wrap of the pass.
      const int32_t length = current == PlayedSequence::kNone ? 0 : host.SequenceFor(current).length;
      passEnded = !restarted && length > 0 && currentTick >= length - 1;
      // Back to the loop start: the note-offs of what plays now lie ahead.
      EndNotes();
      currentTick = 0;
      clickCountdown = 0;
      eventIndex = 0;
    }
    if (samplesPerTick > 0) {
      // The host's musical position keeps the loop in step with it through
      // tempo changes too; only a host without one gets a grid in samples.
      if (realign && !(time.ppqPos >= 0)) {
        nextTickTime = time.samplePos > 0 ? std::round(time.samplePos / samplesPerTick) * samplesPerTick : 0;
        MoveNextTickTo(blockPosition);
      } else if (time.samplePos > 0) {
        // The next tick on the host's grid of ticks: a sequence quarter lasts
        // the knob's note value in host beats.
        // A tick that the rounding of the host's position puts a hair before
        // the block start is this block's: the block before left it (below).
        // Taken by both, or by neither, it went twice or not at all, and the
        // loop ran ahead of the host or fell behind it.
        const double x = CurrentPpq() * time.ppqPos / SpeedNoteValue(SpeedNoteValueIndex(host.Speed()));
        nextTickTime = blockPosition + std::max(0.0, std::ceil(x - kTickTolerance) - x) * samplesPerTick;
      } else {
        nextTickTime = 0;
      }
    }
    // An overdub places its notes from the loop start the listener hears.
    if ((restarted || jumped) && current != PlayedSequence::kNone && samplesPerTick > 0 &&
        host.SequenceFor(current).length > 0) {
      if (passEnded)
        host.OnLoopWrap();
      else
        host.OnLoopRestart();
    }
  }
  lastHostPpq = time.ppqPos;
}
