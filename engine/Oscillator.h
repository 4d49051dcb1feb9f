#pragma once

#include <cstdint>

class PhaseIncrementTable;

// Band-limited table oscillator: sawtooth, triangle and a pulse made of two
// sawtooth readings, mixable. 28-bit phase (1 << 28 is one cycle).
class Oscillator {
 public:
  static constexpr int32_t kPhaseBits = 28;
  static constexpr int32_t kPhaseMask = (1 << kPhaseBits) - 1;

  void SetPitch(double pitch);  // control rate; pulseWidth must be current
  double RenderSample();        // one sample of the mix before mixGain; advances the phases

  double sampleRate = 44100.0;
  bool triangleOn = false;
  bool sawtoothOn = false;
  bool pulseOn = false;
  double pulseWidth = 0.5;
  const double* sawTable = nullptr;  // null: silent
  const double* triangleTable = nullptr;
  // The triangle's value at the last rendered sample, read only when the
  // cutoff modulation asks for it: a pointer into the tables (null: 0).
  const double* lastTriangle = nullptr;
  double LastTriangle() const { return lastTriangle ? *lastTriangle : 0.0; }
  double mixGain = 1.5;
  int32_t phase1 = 0;
  int32_t phase2 = 0;
  int32_t phaseIncrement = 0;
  const PhaseIncrementTable* increments = nullptr;
  // The pitch step the increment and the tables were last looked up for; -1
  // makes the next SetPitch look them up (after a rate change, or silence).
  int32_t pitchIndex = -1;
};
