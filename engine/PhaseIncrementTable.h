#pragma once

#include <cstdint>
#include <vector>

// Oscillator phase increment (28-bit phase) per sample for every pitch step
// 0..17280 at one sample rate. Rebuilt outside the audio path at a rate change.
class PhaseIncrementTable {
 public:
  static constexpr int32_t kSize = 17281;
  PhaseIncrementTable();
  void Build(double sampleRate);
  int32_t operator[](int32_t pitch) const { return entries[pitch].increment; }
  // The band-limited table level for the increment of this pitch.
  int32_t Level(int32_t pitch) const { return entries[pitch].level; }
  // One level per half octave above one table entry per sample.
  static int32_t LevelFor(int32_t increment);

 private:
  struct Entry {  // together: one memory access per control tick and voice
    int32_t increment;
    int32_t level;
  };
  std::vector<Entry> entries;
};
