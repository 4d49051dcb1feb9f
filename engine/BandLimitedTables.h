#pragma once

#include <cstdint>

// Sawtooth and triangle wave tables of 4096 samples at 22 harmonic levels,
// level j holding about 2048 / sqrt(2)^j harmonics. The build computes them
// once and embeds them in the module (resources/tables), so that no instance
// spends time on them and the output does not depend on the host's maths
// library; a build without that step computes them on first use
// (thread-safe). Never changed afterwards.
class BandLimitedTables {
 public:
  static constexpr int32_t kLevels = 22;
  static constexpr int32_t kLength = 4096;
  // All levels in one block: the sawtooth levels, then the triangle levels.
  static constexpr int32_t kTriangleOffset = kLevels * kLength;
  static constexpr int32_t kSize = 2 * kLevels * kLength;

  static const BandLimitedTables& Get();
  static int32_t HarmonicCount(int32_t level);
  // Fills kSize doubles with every level (the build step's generator).
  static void Compute(double* storage);

  const double* Sawtooth(int32_t level) const { return storage + level * kLength; }
  const double* Triangle(int32_t level) const { return storage + kTriangleOffset + level * kLength; }
  const double* Storage() const { return storage; }

 private:
  constexpr explicit BandLimitedTables(const double* tables) : storage(tables) {}
  const double* storage;
};
