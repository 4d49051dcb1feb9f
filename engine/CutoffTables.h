#pragma once

#include <cstdint>
#include <vector>

// Per pitch step 0..17280 at one sample rate: the filter's angular frequency
// w = 2 pi f / rate and its largest feedback factor kmax.
class CutoffTables {
 public:
  static constexpr int32_t kSize = 17281;
  CutoffTables();
  void Build(double sampleRate);
  double W(int32_t index) const { return w[index]; }
  double KMax(int32_t index) const { return kmax[index]; }

 private:
  std::vector<double> w;
  std::vector<double> kmax;
};
