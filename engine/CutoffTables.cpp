#include "engine/CutoffTables.h"

#include <cmath>

#include "engine/SemitoneFrequencyTable.h"

CutoffTables::CutoffTables() : w(kSize, 0.0), entries(kSize, Entry{4.1, 0.0, -1.0, 0.0}) {}

void CutoffTables::Build(double sampleRate) {
  const double twoPi = 2.0 * M_PI;
  for (int32_t i = 0; i < kSize; ++i) {
    double f = PitchToFrequency(i);
    w[i] = sampleRate > 0.0 ? twoPi * f / sampleRate : 0.0;
    Entry& e = entries[i];
    if (f < 500.0)
      e.kmax = 4.1;
    else if (f > 2000.0)
      e.kmax = 4.005;
    else
      e.kmax = 4.1 - (f - 500.0) * (4.1 - 4.005) / 1500.0;
    e.g = w[i] / (w[i] + 2.0);
    e.a = (w[i] - 2.0) / (w[i] + 2.0);
    double g2 = e.g * e.g;
    e.g4 = g2 * g2;
  }
}
