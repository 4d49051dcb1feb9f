#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Oscillator phase increment (28-bit phase) per sample for every pitch step
// 0..17280 at one sample rate, shared by every engine in the process
// (SharedRateTables).
class PhaseIncrementTable {
 public:
  static constexpr int32_t kSize = 17281;
  // The table at 44.1 kHz.
  PhaseIncrementTable();
  // Takes the table at this rate. Dispatcher or construction, outside the
  // audio path; any thread.
  void Build(double sampleRate);
  int32_t operator[](int32_t pitch) const { return entries[pitch].increment; }
  // The band-limited table level for the increment of this pitch.
  int32_t Level(int32_t pitch) const { return entries[pitch].level; }
  // One level per half octave above one table entry per sample.
  static int32_t LevelFor(int32_t increment);

  struct Entry {  // together: one memory access per control tick and voice
    int32_t increment;
    int32_t level;
  };
  const Entry* Entries() const { return entries; }
  // The values at one rate, as Build makes them.
  static void Compute(double sampleRate, std::vector<Entry>& table);

 private:
  std::shared_ptr<const std::vector<Entry>> shared;
  const Entry* entries = nullptr;
};
