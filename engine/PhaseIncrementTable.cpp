#include "engine/PhaseIncrementTable.h"

#include <cmath>

#include "engine/SemitoneFrequencyTable.h"

PhaseIncrementTable::PhaseIncrementTable() : entries(kSize, 0) {}

void PhaseIncrementTable::Build(double sampleRate) {
  // Above one cycle per sample the increment is meaningless; it is held at the
  // largest 28-bit step so that phase arithmetic cannot overflow at low rates.
  const double largest = static_cast<double>((1 << 28) - 1);
  for (int32_t i = 0; i < kSize; ++i) {
    double increment = sampleRate > 0.0 ? std::trunc(PitchToFrequency(i) * 268435456.0 / sampleRate) : 0.0;
    entries[i] = static_cast<int32_t>(increment > largest ? largest : increment);
  }
}
