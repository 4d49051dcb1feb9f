// The batched and the per-sample audio paths must round identically on every
// target, so multiply-adds are never fused.
#pragma GCC optimize("fp-contract=off")

#include "engine/LadderFilter.h"

#include <cmath>

#include "engine/CutoffTables.h"

void LadderFilter::RunPreRoll() {
  preRoll = false;
  s1 = s2 = s3 = s4 = 1.0;
  Step(1.0);
  for (int32_t i = 1; i < 32; ++i) Step(0.0);
}

double LadderFilter::FilterSample(double x, double cutoff) {
  UpdateCoefficients(cutoff);
  if (preRoll) RunPreRoll();
  return Step(x);
}

void LadderFilter::SetResonance(double r, bool reset) {
  resonance = r;
  // 1 at resonance 0 and 1, 2 at 0.5.
  double h = r < 0.0 ? 0.5 : std::fabs((r < 1.0 ? r : 1.0) - 0.5);
  resonanceGain = 2.0 - (2.0 * h) * (2.0 * h);
  lastCutoffIndex = -1;
  if (reset) {
    if (r >= 1.0)
      preRoll = true;
    else
      s1 = s2 = s3 = s4 = 0.0;
  }
}

void LadderFilter::Prepare(double rate) {
  sampleRate = rate;
  lastCutoffIndex = -1;
  if (resonance >= 1.0)
    preRoll = true;
  else
    s1 = s2 = s3 = s4 = 0.0;
  G = G4 = a = k = norm = gainComp = 0.0;
  antiDenormal = 1e-13;
}
