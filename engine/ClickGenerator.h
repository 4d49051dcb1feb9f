#pragma once

#include <cstdint>

// Metronome click: a 10 ms rectangular pulse through a resonant band-pass
// (constant skirt gain, peak gain Q). Silent until the first Setup.
class ClickGenerator {
 public:
  void Setup(double sampleRate, double frequency, double q);
  void Trigger();
  double NextSample();

 private:
  double sampleRate = 44100.0;
  double c0 = 0.0, c1 = 0.0, c2 = 0.0;
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
  double antiDenormal = 1e-13;
  int32_t countdown = 0;
};
