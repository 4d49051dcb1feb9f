// Stand-ins for a microtuning master library that is installed but broken.
//   BROKEN_MASTER_NO_ENTRY_POINTS: a library without a single entry point.
//   BROKEN_MASTER_BAD_TABLE: present, but its table holds no usable
//     frequencies and every other entry point is missing.
#include <cmath>
#include <limits>

#if defined(BROKEN_MASTER_NO_ENTRY_POINTS)
extern "C" __attribute__((visibility("default"))) int BrokenMaster_Version() {
  return 1;
}
#elif defined(BROKEN_MASTER_BAD_TABLE)
namespace {
double table[128];
}  // namespace

extern "C" __attribute__((visibility("default"))) bool MTS_HasMaster() {
  return true;
}
extern "C" __attribute__((visibility("default"))) const double* MTS_GetTuningTable() {
  for (int i = 0; i < 128; ++i) {
    switch (i % 5) {
      case 0:
        table[i] = std::numeric_limits<double>::quiet_NaN();
        break;
      case 1:
        table[i] = -440.0;
        break;
      case 2:
        table[i] = std::numeric_limits<double>::infinity();
        break;
      case 3:
        table[i] = 0.0;
        break;
      default:
        table[i] = 1.0e300;
        break;
    }
  }
  return table;
}
#endif
