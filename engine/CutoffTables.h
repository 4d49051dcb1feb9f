#pragma once

#include <cstdint>
#include <vector>

// Per pitch step 0..17280 at one sample rate: the filter's angular frequency
// w = 2 pi f / rate, its largest feedback factor kmax, and the coefficients
// that depend on w alone (G = w / (w + 2), a = (w - 2) / (w + 2), G^4), so that
// a cutoff change costs one division instead of three.
class CutoffTables {
 public:
  static constexpr int32_t kSize = 17281;
  CutoffTables();
  void Build(double sampleRate);
  // What the filter reads for one cutoff index, together in one place.
  struct Entry {
    double kmax;
    double g;
    double a;
    double g4;
  };

  double W(int32_t index) const { return w[index]; }
  double KMax(int32_t index) const { return entries[index].kmax; }
  const Entry& At(int32_t index) const { return entries[index]; }
  const Entry* Entries() const { return entries.data(); }

 private:
  std::vector<double> w;
  std::vector<Entry> entries;
};
