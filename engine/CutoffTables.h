#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Per pitch step 0..17280 at one sample rate: the filter's largest feedback
// factor kmax and the coefficients that depend on its angular frequency
// w = 2 pi f / rate alone (G = w / (w + 2), a = (w - 2) / (w + 2), G^4), so
// that a cutoff change costs one division instead of three. The values are
// shared by every engine in the process (SharedRateTables).
class CutoffTables {
 public:
  static constexpr int32_t kSize = 17281;
  // The tables at 44.1 kHz.
  CutoffTables();
  // Takes the tables at this rate. Dispatcher or construction, outside the
  // audio path; any thread.
  void Build(double sampleRate);
  // What the filter reads for one cutoff index, together in one place.
  struct Entry {
    double kmax;
    double g;
    double a;
    double g4;
  };

  double KMax(int32_t index) const { return entries[index].kmax; }
  const Entry& At(int32_t index) const { return entries[index]; }
  const Entry* Entries() const { return entries; }

  // The values at one rate, as Build makes them.
  static void Compute(double sampleRate, std::vector<Entry>& table);

 private:
  std::shared_ptr<const std::vector<Entry>> shared;
  const Entry* entries = nullptr;
};
