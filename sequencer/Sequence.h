#pragma once
// A loop sequence: Seq A, Seq B and the arpeggio pattern are each one of these.
// Events are kept ordered by tick; every insertion goes through AddEvent, which
// also keeps the per-channel "used" flags.
//
// Threads: the player reads and the recorder inserts on the audio thread, the
// menus, the state loader and the MIDI file import change sequences on the
// user-interface thread. Callers hold the plug-in lock; the class takes none.
//
// Event storage: one contiguous array, reserved for kReservedEvents at
// construction so that ordinary recording never allocates on the audio thread.
// Past that the array doubles (amortised constant cost per event); callers that
// are about to record can ask for headroom beforehand with EnsureHeadroom from
// the user-interface thread. When memory runs out, AddEvent drops the event and
// returns false, like a full MIDI queue.
#include <cstddef>
#include <cstdint>
#include <vector>

class DataBlock;

struct SequenceEvent {
  int32_t tick = 0;  // from the loop start
  uint8_t status = 0;
  uint8_t data1 = 0;  // note number for note messages
  uint8_t data2 = 0;  // velocity; 0 for recorded note-offs

  bool operator==(const SequenceEvent& other) const = default;
};

// The note number of an event: data1 for note-off, note-on and polyphonic
// aftertouch, -1 for every other status.
int SequenceNoteNumber(const SequenceEvent& event);

class Sequence {
 public:
  static constexpr int32_t kDefaultPpq = 192;
  // The finest resolution a sequence can have: what a MIDI file's division
  // carries. A stored sequence with a finer one is refused.
  static constexpr int32_t kMaxPpq = 0xFFFF;
  static constexpr size_t kReservedEvents = 4096;
  // Size of the stored form without the events, and of one stored event.
  static constexpr int kStoredHeaderSize = 4 + 4 + 8 + 8 + 4;
  static constexpr int kStoredEventSize = 8;

  Sequence();
  // Without the reserve: for sequences that are only read and copied from,
  // never recorded into (a bank's decoded presets).
  struct Unreserved {};
  explicit Sequence(Unreserved) {}
  // A copy gets the same reserve as a new sequence; assignment and moves keep
  // the storage they already have.
  Sequence(const Sequence& other);
  Sequence& operator=(const Sequence& other) = default;
  Sequence(Sequence&& other) noexcept = default;
  Sequence& operator=(Sequence&& other) noexcept = default;

  bool channelUsed[16] = {};
  int32_t length = 0;  // loop length in ticks; 0 = not yet known; <= 0 is not played
  int32_t ppq = kDefaultPpq;
  double tempo = 120.0;    // informational: neither playback nor export uses it
  double barLength = 1.0;  // whole notes per bar (1.0 = 4/4)

  // Ticks per quarter note as every user takes it: 192 when not positive.
  int32_t EffectivePpq() const { return ppq > 0 ? ppq : kDefaultPpq; }

  const std::vector<SequenceEvent>& Events() const { return events; }
  size_t EventCount() const { return events.size(); }
  bool Empty() const { return events.empty(); }

  // Sorted insert. The tick is made even; a note-off that lands on a note-on of
  // the same note number (any channel) at the same tick moves one tick behind
  // it, so the note is never ended before it starts. The caller's event is
  // changed in place. The new event follows all events of its tick. Sets the
  // channel's flag. False (event dropped) only when memory runs out.
  bool AddEvent(SequenceEvent& event);

  // Replaces all events (and the flags) with the result of adding `added`, in
  // its order, to an empty list with AddEvent: the same ticks and the same
  // order, but in O(n log n) instead of a list scan per event, so that a large
  // stored form or MIDI file loads quickly. `added` is left unspecified.
  // User-interface thread. False (sequence left without events) when out of memory.
  bool SetEvents(std::vector<SequenceEvent>& added);

  // Removes every event of `channel` whose note number is `note`. Flags stay.
  void RemoveNote(int channel, int note);
  // Removes every event of `channel` and clears its flag.
  void RemoveChannel(int channel);

  // Adds a note-off at tick `length` for each note-on that no later note-off
  // of its channel and note closes (a note-on of velocity 0 counts as a
  // note-off), after the events at or before `length` so the order holds; then
  // refreshes the flags of channels 0..5 from the notes that remain. With no
  // events, `length` becomes 0. Audio thread (end of an overdub pass) or
  // user-interface thread; allocates only when the event storage is full.
  void CloseHangingNotes();

  // Clearing: length 0, no events, ppq 192, all flags off; tempo and bar length stay.
  void Clear();

  // Asks for room for `spare` more events beyond the current count, so that the
  // next insertions do not allocate. User-interface thread. False when out of memory.
  bool EnsureHeadroom(size_t spare);

  // Moves everything (fields, flags, events) from `other` into this sequence and
  // leaves `other` with this one's old event storage, so nothing is allocated or
  // freed here; used to install a sequence prepared elsewhere under the lock.
  void TakeFrom(Sequence& other);

  // Appends the stored form (little-endian, no padding): length, ppq, tempo,
  // barLength, event count, then per event tick, status, data1, data2 and one
  // spare byte. True when every append succeeded.
  bool Serialize(DataBlock& chunk) const;

  // Reads the stored form at `position`; returns the position after it. The
  // whole record is checked before anything changes: when the chunk ends early,
  // the count is negative or larger than the bytes left, the resolution is
  // above kMaxPpq, or memory runs out, the sequence is cleared (as Clear does)
  // and -1 is returned. So after a failure the sequence is always empty and
  // consistent, never half-read.
  int Unserialize(const DataBlock& chunk, int position);
  // The position Unserialize would return, without reading anything into a
  // sequence. Any thread.
  static int SkipStored(const DataBlock& chunk, int position);

 private:
  struct StoredHeader {
    int32_t length = 0, ppq = 0, count = 0;
    double tempo = 0, barLength = 0;
  };
  // Reads and checks a stored sequence's header; the position of its first
  // event, or -1.
  static int ReadStoredHeader(const DataBlock& chunk, int position, StoredHeader& header);

  // Puts the events into the order SetEvents promises; flags untouched.
  void OrderEvents();

  std::vector<SequenceEvent> events;
};
