#pragma once

#include <cstdint>

// Frequencies of whole semitones 0..135 and of the negative pitches, and the
// engine's pitch scale built on them. A pitch step is 1/128 semitone; pitch 0
// is MIDI note 0 (8.176 Hz).
class SemitoneFrequencyTable {
 public:
  static constexpr int32_t kSize = 136;
  static constexpr int32_t kMaxPitch = 17280;  // 135 semitones

  static const SemitoneFrequencyTable& Get();

  double Positive(int32_t k) const { return positive[k]; }
  double Negative(int32_t k) const { return negative[k]; }

 private:
  SemitoneFrequencyTable();
  double positive[kSize];
  double negative[kSize];
};

// Frequency in Hz of an integer pitch, interpolated linearly between semitones.
double PitchToFrequency(int32_t pitch);

// Rounds half away from zero, clamped to -17280..17280 (NaN gives 0).
int32_t RoundPitch(double pitch);
