#pragma once

#include <cstdint>

// Runs the ladder filter step of up to eight voices side by side, one vector
// lane per voice, with exactly the arithmetic of LadderFilter::Step. Arrays are
// lane-interleaved: element [i * kLanes + lane] is sample i of that lane.
struct FilterLanes {
  static constexpr int32_t kLanes = 8;

  const double* x = nullptr;  // input
  double* y = nullptr;        // output (before the amplitude envelope)
  // Per-sample coefficients (Run) ...
  const double* G = nullptr;
  const double* a = nullptr;
  const double* G4 = nullptr;
  const double* norm = nullptr;
  const double* k = nullptr;
  const double* gainComp = nullptr;
  // ... or one set per lane for the whole run (RunConstant).
  alignas(64) double constG[kLanes];
  alignas(64) double constA[kLanes];
  alignas(64) double constG4[kLanes];
  alignas(64) double constNorm[kLanes];
  alignas(64) double constK[kLanes];
  alignas(64) double constGainComp[kLanes];
  alignas(64) double s1[kLanes];
  alignas(64) double s2[kLanes];
  alignas(64) double s3[kLanes];
  alignas(64) double s4[kLanes];
  alignas(64) double antiDenormal[kLanes];

  // Audio thread. Use the widest vector unit the processor has.
  void Run(int32_t length);
  void RunConstant(int32_t length);
};
