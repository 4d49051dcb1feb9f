#pragma once
// A map from MIDI note number (0..127) to velocity in fixed storage, walked in
// ascending note order. The arpeggiator changes it from the MIDI input on the
// audio thread, where nothing may allocate.
#include <cstdint>

class NoteVelocityMap {
 public:
  static constexpr int kNotes = 128;

  NoteVelocityMap() { Clear(); }

  bool Contains(int note) const { return InRange(note) && velocity[note] >= 0; }
  // The velocity of a note, -1 when it is not in the map.
  int Velocity(int note) const { return InRange(note) ? velocity[note] : -1; }
  int Count() const { return count; }
  bool Empty() const { return count == 0; }

  // Inserts or overwrites; notes outside 0..127 are ignored.
  void Set(int note, int value) {
    if (!InRange(note)) return;
    if (velocity[note] < 0) ++count;
    velocity[note] = static_cast<int16_t>(value < 0 ? 0 : (value > 127 ? 127 : value));
  }
  void Remove(int note) {
    if (!Contains(note)) return;
    velocity[note] = -1;
    --count;
  }
  void Clear() {
    for (int16_t& v : velocity) v = -1;
    count = 0;
  }

 private:
  static bool InRange(int note) { return note >= 0 && note < kNotes; }

  int16_t velocity[kNotes];
  int count = 0;
};
