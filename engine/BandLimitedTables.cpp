#include "engine/BandLimitedTables.h"

#include <cmath>
#include <vector>

#include "engine/PortableMath.h"

#ifdef VORNELL_EMBEDDED_BAND_LIMITED_TABLES
// Written by the build (resources/tables), 64-byte aligned.
extern "C" const double vornell_band_limited_tables[];

const BandLimitedTables& BandLimitedTables::Get() {
  static constexpr BandLimitedTables tables(vornell_band_limited_tables);
  return tables;
}
#else
const BandLimitedTables& BandLimitedTables::Get() {
  // About 1.4 MB, static rather than on the heap: the memory goes with the
  // module when a host unloads it and needs no destructor at exit.
  static double storage[kSize];
  static const BandLimitedTables tables = (Compute(storage), BandLimitedTables(storage));
  return tables;
}
#endif

int32_t BandLimitedTables::HarmonicCount(int32_t level) {
  return static_cast<int32_t>(std::lround(2048.0 / std::pow(std::sqrt(2.0), level)));
}

void BandLimitedTables::Compute(double* storage) {
  // sin(k x) at x = 2 pi i / 4096 is read from one period table at (k i) mod 4096.
  std::vector<double> sine(kLength);
  for (int32_t i = 0; i < kLength; ++i) sine[i] = PortableSin(2.0 * M_PI * i / kLength);
  const int32_t mask = kLength - 1;
  const int32_t quarter = kLength / 4;
  std::vector<double> amplitude;
  std::vector<double> triangleAmplitude;
  for (int32_t level = 0; level < kLevels; ++level) {
    int32_t n = HarmonicCount(level);
    amplitude.assign(n + 1, 0.0);
    triangleAmplitude.assign(n + 1, 0.0);
    amplitude[1] = 0.5;
    // The harmonics fade to 54 % towards the highest one.
    for (int32_t k = 2; k <= n; ++k)
      amplitude[k] = 0.5 * (0.54 + 0.46 * PortableCos(M_PI / 2.0 * (k - 1) / (n - 1))) / k;
    for (int32_t k = 1; k <= n; k += 2) triangleAmplitude[k] = amplitude[k] * std::sqrt(2.0) / k;
    double* sawtooth = storage + level * kLength;
    double* triangle = storage + kTriangleOffset + level * kLength;
    for (int32_t i = 0; i < kLength; ++i) {
      double saw = 0.0;
      double tri = 0.0;
      for (int32_t k = 1; k <= n; ++k) {
        int32_t index = static_cast<int32_t>((static_cast<int64_t>(k) * i) & mask);
        saw += amplitude[k] * sine[index];
        if (k & 1) tri += triangleAmplitude[k] * sine[(index + quarter) & mask];
      }
      sawtooth[i] = saw;
      triangle[i] = tri;
    }
  }
}
