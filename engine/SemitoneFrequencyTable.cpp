#include "engine/SemitoneFrequencyTable.h"

#include <cmath>

const SemitoneFrequencyTable& SemitoneFrequencyTable::Get() {
  static const SemitoneFrequencyTable table;
  return table;
}

SemitoneFrequencyTable::SemitoneFrequencyTable() {
  for (int32_t k = 0; k < kSize; ++k) {
    positive[k] = std::round(440.0 * std::pow(2.0, (k - 69) / 12.0) * 1000.0) / 1000.0;
    negative[k] = std::round(8.176 * std::pow(2.0, -k / 12.0) * 1e10) / 1e10;
  }
  // The instrument's own values for these four semitones.
  positive[124] = 10548.08;
  positive[125] = 11175.3;
  positive[126] = 11839.82;
  positive[127] = 12543.85;
}

double PitchToFrequency(int32_t pitch) {
  const SemitoneFrequencyTable& table = SemitoneFrequencyTable::Get();
  if (pitch == 0) return table.Positive(0);
  if (pitch >= SemitoneFrequencyTable::kMaxPitch) return table.Positive(SemitoneFrequencyTable::kSize - 1);
  if (pitch <= -SemitoneFrequencyTable::kMaxPitch) return table.Negative(SemitoneFrequencyTable::kSize - 1);
  int32_t m = pitch < 0 ? -pitch : pitch;
  int32_t s = m / 128;
  int32_t r = m % 128;
  if (pitch > 0) {
    double f0 = table.Positive(s);
    return f0 + (table.Positive(s + 1) - f0) * r * 0.0078125;
  }
  double f0 = table.Negative(s);
  return f0 + (table.Negative(s + 1) - f0) * r * 0.0078125;
}

int32_t RoundPitch(double pitch) {
  if (pitch >= 17280.0) return 17280;
  if (pitch <= -17280.0) return -17280;
  if (!(pitch == pitch)) return 0;
  // Halves away from zero, as std::round, without a library call: pitch -
  // trunc(pitch) is exact here.
  const int32_t whole = static_cast<int32_t>(pitch);
  const double fraction = pitch - whole;
  if (fraction >= 0.5) return whole + 1;
  if (fraction <= -0.5) return whole - 1;
  return whole;
}
