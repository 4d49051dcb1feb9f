#pragma once

#include <cstdint>

// Sawtooth and triangle wave tables of 4096 samples at 22 harmonic levels,
// level j holding about 2048 / sqrt(2)^j harmonics. Built once per process,
// on first use (thread-safe), and never changed afterwards.
class BandLimitedTables {
 public:
  static constexpr int32_t kLevels = 22;
  static constexpr int32_t kLength = 4096;

  static const BandLimitedTables& Get();
  static int32_t HarmonicCount(int32_t level);

  const double* Sawtooth(int32_t level) const { return sawtooth[level]; }
  const double* Triangle(int32_t level) const { return triangle[level]; }
  // All levels in one block: the sawtooth levels, then the triangle levels.
  static constexpr int32_t kTriangleOffset = kLevels * kLength;
  const double* Storage() const { return sawtooth[0]; }

 private:
  BandLimitedTables();
  double sawtooth[kLevels][kLength];
  double triangle[kLevels][kLength];
};
