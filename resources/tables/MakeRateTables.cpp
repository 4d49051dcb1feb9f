// make_rate_tables CUTOFF_OUT INCREMENT_OUT: computes the filter's cutoff
// tables and the oscillator's phase increment tables at each rate of
// kBuiltTableRates, one after the other, and writes their entries raw in the
// machine's own layout and byte order, for the engine to embed.
#include <cstdio>
#include <vector>

#include "engine/CutoffTables.h"
#include "engine/PhaseIncrementTable.h"
#include "engine/SharedRateTables.h"

namespace {

template <class Entry>
bool Write(const char* path, void (*compute)(double, std::vector<Entry>&)) {
  std::FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  bool written = true;
  for (double rate : kBuiltTableRates) {
    std::vector<Entry> table;
    compute(rate, table);
    written = written && std::fwrite(table.data(), sizeof(Entry), table.size(), out) == table.size();
  }
  written = std::fclose(out) == 0 && written;
  if (!written) std::remove(path);
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CUTOFF_OUT INCREMENT_OUT\n", argv[0]);
    return 2;
  }
  if (!Write<CutoffTables::Entry>(argv[1], &CutoffTables::Compute)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  if (!Write<PhaseIncrementTable::Entry>(argv[2], &PhaseIncrementTable::Compute)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
