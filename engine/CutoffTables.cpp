#include "engine/CutoffTables.h"

#include <cmath>

#include "engine/SemitoneFrequencyTable.h"
#include "engine/SharedRateTables.h"

#ifdef VORNELL_EMBEDDED_RATE_TABLES
// Written by the build (resources/tables): the tables at each of
// kBuiltTableRates, one after the other, 64-byte aligned.
extern "C" const CutoffTables::Entry vornell_cutoff_tables[];
#endif

CutoffTables::CutoffTables() {
  Build(44100.0);
}

void CutoffTables::Build(double sampleRate) {
#ifdef VORNELL_EMBEDDED_RATE_TABLES
  const Entry* embedded = vornell_cutoff_tables;
#else
  const Entry* embedded = nullptr;
#endif
  entries = SharedRateTables<Entry>::Entries(sampleRate, embedded, kSize, &Compute, shared);
}

void CutoffTables::Compute(double sampleRate, std::vector<Entry>& table) {
  table.resize(kSize);
  const double twoPi = 2.0 * M_PI;
  for (int32_t i = 0; i < kSize; ++i) {
    double f = PitchToFrequency(i);
    const double w = sampleRate > 0.0 ? twoPi * f / sampleRate : 0.0;
    Entry& e = table[i];
    if (f < 500.0)
      e.kmax = 4.1;
    else if (f > 2000.0)
      e.kmax = 4.005;
    else
      e.kmax = 4.1 - (f - 500.0) * (4.1 - 4.005) / 1500.0;
    e.g = w / (w + 2.0);
    e.a = (w - 2.0) / (w + 2.0);
    double g2 = e.g * e.g;
    e.g4 = g2 * g2;
  }
}
