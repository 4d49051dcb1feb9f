// The pitch tables that depend only on the sample rate are made once per
// process and shared: every engine must still read exactly the values of its
// own rate, whatever other engines on other threads reset to meanwhile.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "engine/Engine.h"

namespace {

bool SameCutoffs(const CutoffTables& tables, double rate) {
  std::vector<CutoffTables::Entry> expected;
  CutoffTables::Compute(rate, expected);
  return std::memcmp(tables.Entries(), expected.data(), sizeof(CutoffTables::Entry) * expected.size()) == 0;
}

bool SameIncrements(const PhaseIncrementTable& table, double rate) {
  std::vector<PhaseIncrementTable::Entry> expected;
  PhaseIncrementTable::Compute(rate, expected);
  for (int32_t pitch = 0; pitch < PhaseIncrementTable::kSize; ++pitch)
    if (table[pitch] != expected[pitch].increment || table.Level(pitch) != expected[pitch].level) return false;
  return true;
}

TEST(RateTables, EveryEngineReadsTheTablesOfItsOwnRate) {
  // More rates than the process keeps, so that tables are dropped and made again.
  const std::vector<double> rates = {48000.0, 44100.0, 96000.0, 22050.0, 192000.0, 32000.0, 48000.0, 88200.0, 44100.0};
  auto sweep = [&](size_t first, std::vector<int>& faults) {
    Engine engine(nullptr);
    Engine other(nullptr);  // stays at the default rate throughout
    for (size_t n = 0; n < rates.size(); ++n) {
      const double rate = rates[(first + n) % rates.size()];
      engine.OnReset(rate, 256);
      if (!SameCutoffs(engine.Cutoffs(), rate) || !SameIncrements(engine.PhaseIncrements(), rate))
        faults.push_back(static_cast<int>(rate));
    }
    if (!SameCutoffs(other.Cutoffs(), 44100.0) || !SameIncrements(other.PhaseIncrements(), 44100.0))
      faults.push_back(44100);
  };
  std::vector<int> faults[2];
  std::thread second([&] { sweep(3, faults[1]); });
  sweep(0, faults[0]);
  second.join();
  EXPECT_TRUE(faults[0].empty());
  EXPECT_TRUE(faults[1].empty());

  // Engines at one rate share one copy.
  Engine a(nullptr), b(nullptr);
  a.OnReset(48000.0, 256);
  b.OnReset(48000.0, 256);
  EXPECT_EQ(a.Cutoffs().Entries(), b.Cutoffs().Entries());
  EXPECT_EQ(a.PhaseIncrements().Entries(), b.PhaseIncrements().Entries());
}

}  // namespace
