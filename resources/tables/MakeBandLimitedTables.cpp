// make_band_limited_tables OUT: computes the oscillator's band-limited wave
// tables and writes them as raw doubles in the machine's own byte order, for
// the engine to embed.
#include <cstdio>
#include <vector>

#include "engine/BandLimitedTables.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT\n", argv[0]);
    return 2;
  }
  std::vector<double> storage(BandLimitedTables::kSize);
  BandLimitedTables::Compute(storage.data());
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  bool written = std::fwrite(storage.data(), sizeof(double), storage.size(), out) == storage.size();
  written = std::fclose(out) == 0 && written;
  if (!written) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
