#pragma once

#include <cstdint>

// A track's free-running LFO, advanced once per control tick. Its output
// modulates pitch and cutoff, pwOutput the pulse width.
class TrackLfo {
 public:
  enum Shape : int32_t { kTriangle = 0, kRectangle = 1 };

  // Rate (phase units per tick before rateScale) of a rate index 0..255.
  static double LfoRate(int32_t index, int32_t shape);

  void LfoTick(double modWheel);

  double output = 0.0;
  double pwOutput = 0.0;
  int32_t shape = kTriangle;
  uint8_t rateIndex = 0;
  double amount = 0.0;
  double wheelAmount = 0.0;
  double rateScale = 2.6;
  double phase = -1.0;
  double increment = 0.0;
};
