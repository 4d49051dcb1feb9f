#include "engine/LadderFilter.h"

#include <cmath>

#include "engine/CutoffTables.h"

int32_t LadderFilter::CutoffIndex(double cutoff) {
  // Indices outside the tables read the table ends, so clamping first keeps the
  // coefficients the same and the conversion defined.
  if (!(cutoff > 0.0)) return 0;
  if (cutoff >= 17280.0) return 17280;
  return static_cast<int32_t>(std::round(cutoff));
}

void LadderFilter::ComputeCoefficients(int32_t c) {
  lastCutoffIndex = c;
  double w = tables ? tables->W(c) : 0.0;
  double kmax = tables ? tables->KMax(c) : 4.1;
  k = resonance * kmax;
  double h = resonance < 0.0 ? 0.5 : std::fabs((resonance < 1.0 ? resonance : 1.0) - 0.5);
  gainComp = 2.0 - (2.0 * h) * (2.0 * h);
  G = w / (w + 2.0);
  a = (w - 2.0) / (w + 2.0);
  double G2 = G * G;
  G4 = G2 * G2;
  norm = 1.0 / (1.0 + k * G4);
}

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
