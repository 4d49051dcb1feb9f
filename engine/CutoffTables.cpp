#include "engine/CutoffTables.h"

#include <cmath>

#include "engine/SemitoneFrequencyTable.h"

CutoffTables::CutoffTables() : w(kSize, 0.0), kmax(kSize, 4.1) {}

void CutoffTables::Build(double sampleRate) {
  const double twoPi = 2.0 * M_PI;
  for (int32_t i = 0; i < kSize; ++i) {
    double f = PitchToFrequency(i);
    w[i] = sampleRate > 0.0 ? twoPi * f / sampleRate : 0.0;
    if (f < 500.0)
      kmax[i] = 4.1;
    else if (f > 2000.0)
      kmax[i] = 4.005;
    else
      kmax[i] = 4.1 - (f - 500.0) * (4.1 - 4.005) / 1500.0;
  }
}
