#pragma once

#include <cstdint>

#include "engine/CutoffTables.h"

// Four-stage transistor-ladder-style low-pass filter with resonance and a
// saturating feedback path. Coefficients change only when the cutoff, rounded
// to whole pitch steps, changes.
class LadderFilter {
 public:
  double FilterSample(double x, double cutoff);
  void SetResonance(double r, bool reset);
  void Prepare(double rate);  // sample-rate change

  // Recomputes the coefficients when the rounded cutoff index changed.
  void UpdateCoefficients(double cutoff) {
    int32_t c = CutoffIndex(cutoff);
    if (c != lastCutoffIndex) ComputeCoefficients(c);
  }
  inline void ComputeCoefficients(int32_t c);
  void RunPreRoll();  // excites a self-oscillating filter (resonance >= 1)
  double Step(double x);

  // The cutoff rounded to whole pitch steps (halves away from zero). Indices
  // outside the tables read the table ends, so clamping first keeps the
  // coefficients the same and the conversion defined.
  static int32_t CutoffIndex(double cutoff) {
    if (!(cutoff > 0.0)) return 0;
    if (cutoff >= 17280.0) return 17280;
    // x - trunc(x) is exact, so this equals std::round.
    double whole = static_cast<double>(static_cast<int32_t>(cutoff));
    return static_cast<int32_t>(whole) + (cutoff - whole >= 0.5 ? 1 : 0);
  }

  double sampleRate = 44100.0;
  double resonance = 0.0;
  double G = 0.0, G4 = 0.0, a = 0.0, k = 0.0, norm = 0.0, gainComp = 0.0;
  double resonanceGain = 1.0;  // gainComp of the current resonance
  int32_t lastCutoffIndex = -1;
  double s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0;
  double antiDenormal = 1e-13;
  bool preRoll = false;
  const CutoffTables* tables = nullptr;
};

inline void LadderFilter::ComputeCoefficients(int32_t c) {
  lastCutoffIndex = c;
  // G = w / (w + 2), a = (w - 2) / (w + 2) and G^4 come from the tables.
  const CutoffTables::Entry e = tables ? tables->At(c) : CutoffTables::Entry{4.1, 0.0, -1.0, 0.0};
  k = resonance * e.kmax;
  gainComp = resonanceGain;
  G = e.g;
  a = e.a;
  G4 = e.g4;
  norm = 1.0 / (1.0 + k * G4);
}

// Saturating feedback: 5 tanh(y / 5) by a rational approximation.
inline double LadderFeedback(double y) {
  double h = 0.2 * y;
  if (h < -3.0) return -5.0;
  if (h > 3.0) return 5.0;
  double h2 = h * h;
  return 5.0 * h * (h2 + 27.0) / (9.0 * h2 + 27.0);
}

inline double LadderFilter::Step(double x) {
  s1 += antiDenormal;
  s2 += antiDenormal;
  s3 += antiDenormal;
  s4 += antiDenormal;
  antiDenormal = -antiDenormal;
  double S = ((G * s1 + s2) * G + s3) * G + s4;
  double y = (S + G4 * x) * norm;
  double f = LadderFeedback(y);
  double u = (x - k * f) * G;
  double y1 = s1 + u;
  s1 = u - a * y1;
  double v = G * y1;
  double y2 = s2 + v;
  s2 = v - a * y2;
  v = G * y2;
  double y3 = s3 + v;
  s3 = v - a * y3;
  v = G * y3;
  double y4 = s4 + v;
  s4 = v - a * y4;
  return y * gainComp;
}
