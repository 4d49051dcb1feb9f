#pragma once

#include <cstdint>

class CutoffTables;

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
  void ComputeCoefficients(int32_t c);
  void RunPreRoll();  // excites a self-oscillating filter (resonance >= 1)
  double Step(double x);

  static int32_t CutoffIndex(double cutoff);

  double sampleRate = 44100.0;
  double resonance = 0.0;
  double G = 0.0, G4 = 0.0, a = 0.0, k = 0.0, norm = 0.0, gainComp = 0.0;
  int32_t lastCutoffIndex = -1;
  double s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0;
  double antiDenormal = 1e-13;
  bool preRoll = false;
  const CutoffTables* tables = nullptr;
};

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
