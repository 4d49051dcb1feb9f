#pragma once

#include <cstdint>

// Runs the ladder filter step of up to sixteen voices side by side, one vector
// lane per voice, with exactly the arithmetic of LadderFilter::Step. Arrays are
// lane-interleaved: element [i * width + lane] is sample i of that lane. Eight
// lanes make one dependency chain per sample on a wide vector unit; sixteen make
// two, which keeps the unit busy while the other waits.
struct FilterLanes {
  static constexpr int32_t kMaxLanes = 16;

  int32_t width = kMaxLanes;  // 8 or 16
  const double* x = nullptr;  // input
  double* y = nullptr;        // output (before the amplitude envelope)
  // Per-sample coefficients (Run) ...
  const double* G = nullptr;
  const double* a = nullptr;
  const double* G4 = nullptr;
  const double* norm = nullptr;
  const double* k = nullptr;
  // ... or one set per lane for the whole run (RunConstant). The output gain
  // depends on the resonance alone and is always taken from constGainComp.
  alignas(64) double constG[kMaxLanes];
  alignas(64) double constA[kMaxLanes];
  alignas(64) double constG4[kMaxLanes];
  alignas(64) double constNorm[kMaxLanes];
  alignas(64) double constK[kMaxLanes];
  alignas(64) double constGainComp[kMaxLanes];
  alignas(64) double s1[kMaxLanes];
  alignas(64) double s2[kMaxLanes];
  alignas(64) double s3[kMaxLanes];
  alignas(64) double s4[kMaxLanes];
  alignas(64) double antiDenormal[kMaxLanes];

  // Audio thread. Use the widest vector unit the processor has.
  void Run(int32_t length);
  void RunConstant(int32_t length);
};
