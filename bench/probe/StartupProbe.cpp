// vornell_startup_probe MODULE [LATER]: in a fresh process, loads the module
// and opens one instance (what the first instance in a host costs: loading,
// the process-wide tables and caches, the instance), then opens LATER more
// (default 8) while the first stays open, and prints
//   first_ms <cpu> <wall> later_ms <cpu> <wall>
// the later figures being medians. CPU time is the calling thread's. Run by
// BM_FirstInstanceStartup, one process per measurement.
#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "plugin/VstAbi.h"

namespace {

using Entry = AEffect* (*)(audioMasterCallback);

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

double Seconds(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Times {
  double cpu = 0.0;
  double wall = 0.0;
};

struct Stopwatch {
  double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
  double wall = Seconds(CLOCK_MONOTONIC);
  Times Elapsed() const { return {Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu, Seconds(CLOCK_MONOTONIC) - wall}; }
};

AEffect* Open(Entry entry) {
  AEffect* effect = entry(&Callback);
  if (effect) effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  return effect;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s MODULE [LATER]\n", argv[0]);
    return 2;
  }
  const int later = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
  const Stopwatch first;
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  Entry entry = module ? reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain")) : nullptr;
  AEffect* effect = entry ? Open(entry) : nullptr;
  const Times firstTimes = first.Elapsed();
  if (!effect) {
    std::fprintf(stderr, "cannot open an instance of %s\n", argv[1]);
    return 1;
  }
  std::vector<Times> times;
  std::vector<AEffect*> effects;
  for (int n = 0; n < later; ++n) {
    const Stopwatch watch;
    AEffect* another = Open(entry);
    times.push_back(watch.Elapsed());
    if (another) effects.push_back(another);
  }
  for (AEffect* e : effects) e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  auto median = [&](double Times::*field) {
    std::vector<double> values;
    for (const Times& t : times) values.push_back(t.*field);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  std::printf("first_ms %.3f %.3f later_ms %.3f %.3f\n", firstTimes.cpu * 1e3, firstTimes.wall * 1e3,
              median(&Times::cpu) * 1e3, median(&Times::wall) * 1e3);
  return 0;
}
