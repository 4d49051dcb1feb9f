#pragma once
// The loop player: at the start of every audio block it turns the sequence
// ticks that fall inside the block into MIDI messages with sample offsets and
// queues them to the engine, marked as coming from the sequencer; it also
// counts the metronome click. The clock is either internal (the "Speed"
// parameter in BPM) or the host's transport ("Sync to Host").
//
// Everything here runs on the audio thread under the plug-in lock, except
// where a comment says otherwise (those callers hold the same lock).
#include <cstdint>

#include "engine/MidiMessage.h"

class Sequence;

// The played sequence: none, Seq A, Seq B or the arpeggio pattern.
enum class PlayedSequence { kNone, kA, kB, kArpeggio };

// The host's transport as the player reads it; the caller presets the
// defaults, and fields the host does not report keep them.
struct SequencerHostTime {
  double tempo = 120.0;
  double samplePos = -1.0;
  double ppqPos = -1.0;
  bool transportRunning = false;
};

// What the player needs from the instrument.
class SequencePlayerHost {
 public:
  virtual ~SequencePlayerHost() = default;
  virtual int32_t Mode() = 0;       // performance Mode 0..6
  virtual double SampleRate() = 0;  // the engine's current rate
  virtual double Speed() = 0;       // "Speed", BPM 12..480
  virtual bool SyncToHost() = 0;    // "Sync to Host"
  virtual bool ClickEnabled() = 0;
  virtual Sequence& SequenceFor(PlayedSequence which) = 0;  // never called with kNone
  // Adds to the engine's input queue; a full queue drops the message. A
  // message never goes before one the player queued earlier.
  virtual void QueueMidiMessage(const MidiMessage& message) = 0;
  // Forgets the note-ons the player queued that have not sounded yet, of one
  // MIDI channel or of all (-1).
  virtual void DropQueuedNoteOns(int channel) { (void)channel; }
  // ReleaseTrackVoices for every sequence-driven track.
  virtual void ReleaseSequenceDrivenTracks() = 0;
  // The loop wrapped: the recorder restarts its elapsed time and moves on
  // (an overdub pass may end here with StopRecording).
  virtual void OnLoopWrap() {}
  // The host's transport put the loop back at its first tick (a start or a
  // jump back): the recorder's elapsed time starts again there.
  virtual void OnLoopRestart() {}
  // The tick length changed to `ratio` times what it was: time counted in
  // samples since the loop start now stands for fewer or more ticks.
  virtual void OnTickDurationChange(double ratio) { (void)ratio; }
  virtual double GetHostTempo() = 0;
  virtual void GetHostTime(SequencerHostTime& time) = 0;
};

// The host tempo the player follows is kept within this range (BPM): every
// tempo a host offers, while a tick stays long enough to be counted in samples.
constexpr double kMinHostTempo = 10.0;
constexpr double kMaxHostTempo = 999.0;
// Ticks handled in one block at most, per frame (plus one). A musical clock
// gives a few at the most (about 6 at 999 BPM with the shortest note value and
// 960 ticks per quarter at 44.1 kHz); a faster one skips the rest of the block.
constexpr int32_t kMaxTicksPerFrame = 32;
// Sequence events looked at in one block at most; the rest of a tick's events
// are stepped over. Only a damaged sequence comes near it.
constexpr int32_t kMaxEventsPerBlock = 8192;

// Note values for the "Speed" knob while synced, in quarter notes.
constexpr int kSpeedNoteValueCount = 14;
// round((Speed - 12) / 468 * 13) with Speed clamped to 12..480.
int SpeedNoteValueIndex(double speed);
const char* SpeedNoteValueName(int index);  // "1/1" .. "1/64"
double SpeedNoteValue(int index);           // 4 .. 0.0625

class SequencePlayer {
 public:
  explicit SequencePlayer(SequencePlayerHost& host) : host(host) {}

  // Once per block before any sample: follows the host transport when synced,
  // schedules the block's ticks, and moves the internal clock on by `frames`.
  void OnBlockStart(int32_t frames);

  void ScheduleSequencerBlock(int32_t frames);
  void SyncToHostTransport();
  // Recomputes the tick duration from "Speed" or the host tempo; on the
  // internal clock the next tick snaps to the grid of whole ticks from sample 0.
  // Called on start, when recording starts, and when "Speed" or "Sync to Host" change.
  void UpdateTickDuration();
  void StartPlayback();
  void StopPlayback();
  // Ends every note the player started, of one MIDI channel or of all (-1):
  // note-ons not yet sounded are dropped, sounding ones get their note-off.
  // For a pattern or part that goes away, or a loop that stops or jumps.
  void EndNotes(int channel = -1);

  // For the recorder and the mode switch.
  void SelectSequence(PlayedSequence which) { current = which; }
  // After a first-pass recording: play the new loop from its first tick.
  void RestartLoop();
  void ResetEventIndex() { eventIndex = 0; }
  // Back to the loop start without touching the clock (a new arpeggio after an
  // empty one starts with its first note on the next tick).
  void RewindLoop() {
    currentTick = 0;
    eventIndex = 0;
  }
  // A loop made shorter than the place it has reached goes on from the same
  // place in its steps: wrapped at once, it would start a step off the grid.
  void FoldIntoLoop(int32_t length) {
    if (length <= 0 || currentTick < length) return;
    currentTick %= length;
    eventIndex = 0;  // the events behind the new place are stepped over
  }

  PlayedSequence CurrentSequence() const { return current; }
  // Ticks the last ScheduleSequencerBlock handled.
  int64_t TicksInLastBlock() const { return ticksInLastBlock; }
  int32_t CurrentTick() const { return currentTick; }
  int32_t EventIndex() const { return eventIndex; }
  int32_t ClickCountdown() const { return clickCountdown; }
  double SamplesPerTick() const { return samplesPerTick; }
  double NextTickTime() const { return nextTickTime; }
  double BlockPosition() const { return blockPosition; }
  double HostTempo() const { return hostTempo; }
  bool HostPlaying() const { return hostPlaying; }

 private:
  int32_t CurrentPpq();
  void MoveNextTickTo(double position);
  // Every message goes through here, so the player knows which of its notes
  // are started and not yet ended.
  void Queue(const MidiMessage& message);
  // Note-offs for the notes started and not ended (of one channel, or all),
  // behind everything already queued.
  void CloseOpenNotes(int channel);

  SequencePlayerHost& host;
  PlayedSequence current = PlayedSequence::kNone;
  int32_t eventIndex = 0;
  int32_t currentTick = 0;
  int32_t clickCountdown = 0;
  double samplesPerTick = 0.0;
  double nextTickTime = 0.0;
  double blockPosition = 0.0;
  double hostTempo = 0.0;
  double lastHostPpq = -1.0;
  bool hostPlaying = false;
  int64_t ticksInLastBlock = 0;
  // One bit per channel * 256 + note for every note-on queued whose note-off
  // is not (the engine plays note numbers up to 255, which a stored sequence
  // may hold).
  static constexpr int kOpenNoteWords = 16 * 256 / 64;
  uint64_t openNotes[kOpenNoteWords] = {};
  bool AnyOpenNote() const;
  bool IsOpen(int channel, int note) const;
};
