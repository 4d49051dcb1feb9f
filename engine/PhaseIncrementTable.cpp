#include "engine/PhaseIncrementTable.h"

#include <cmath>

#include "engine/BandLimitedTables.h"
#include "engine/SemitoneFrequencyTable.h"
#include "engine/SharedRateTables.h"

#ifdef VORNELL_EMBEDDED_RATE_TABLES
// Written by the build (resources/tables): the tables at each of
// kBuiltTableRates, one after the other, 64-byte aligned.
extern "C" const PhaseIncrementTable::Entry vornell_phase_increment_tables[];
#endif

PhaseIncrementTable::PhaseIncrementTable() {
  Build(44100.0);
}

int32_t PhaseIncrementTable::LevelFor(int32_t increment) {
  double d = static_cast<double>(increment / 65536);  // table entries advanced per sample
  int32_t level = 0;
  while (d > 1.0 && level < BandLimitedTables::kLevels - 1) {
    d *= 0.7071067811865476;
    ++level;
  }
  return level;
}

void PhaseIncrementTable::Build(double sampleRate) {
#ifdef VORNELL_EMBEDDED_RATE_TABLES
  const Entry* embedded = vornell_phase_increment_tables;
#else
  const Entry* embedded = nullptr;
#endif
  entries = SharedRateTables<Entry>::Entries(sampleRate, embedded, kSize, &Compute, shared);
}

void PhaseIncrementTable::Compute(double sampleRate, std::vector<Entry>& table) {
  table.resize(kSize);
  // Above one cycle per sample the increment is meaningless; it is held at the
  // largest 28-bit step so that phase arithmetic cannot overflow at low rates.
  const double largest = static_cast<double>((1 << 28) - 1);
  for (int32_t i = 0; i < kSize; ++i) {
    double increment = sampleRate > 0.0 ? std::trunc(PitchToFrequency(i) * 268435456.0 / sampleRate) : 0.0;
    table[i].increment = static_cast<int32_t>(increment > largest ? largest : increment);
    table[i].level = LevelFor(table[i].increment);
  }
}
