// The whole state: writing and reading it (a host's project save and load,
// every preset change), and building an instance, which loads the 64 presets
// of the built-in bank.
#include <benchmark/benchmark.h>

#include "instrument/Vornell.h"
#include "plugin/HostChunk.h"

namespace {

void BM_SaveState(benchmark::State& state) {
  Vornell plug;
  DataBlock block;
  for (auto _ : state) {
    block.Clear();
    benchmark::DoNotOptimize(plug.SaveState(block));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block.Size());
}
BENCHMARK(BM_SaveState);

void BM_LoadState(benchmark::State& state) {
  Vornell plug;
  // A preset with loops in both sequences.
  for (int i = 0; i < plug.NumPresets(); ++i)
    if (plug.GetPresetName(i).rfind("SEQ", 0) == 0) {
      plug.SelectPreset(i);
      break;
    }
  DataBlock block;
  plug.SaveState(block);
  for (auto _ : state) benchmark::DoNotOptimize(plug.LoadState(block, 0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block.Size());
}
BENCHMARK(BM_LoadState);

void BM_ConstructWithBuiltInBank(benchmark::State& state) {
  for (auto _ : state) {
    Vornell plug;
    benchmark::DoNotOptimize(plug.GetCurrentPresetIndex());
  }
}
BENCHMARK(BM_ConstructWithBuiltInBank)->Unit(benchmark::kMillisecond);

// The part of a host's bank chunk load that holds the plug-in lock (the audio
// thread waits for it): the chunk was read and checked before.
void BM_BankChunkApply(benchmark::State& state) {
  Vornell plug;
  DataBlock bank;
  plug.SerializePresets(bank);
  bank.PutInt32(kCurrentPresetTag);
  bank.PutInt32(plug.GetCurrentPresetIndex());
  for (auto _ : state) {
    state.PauseTiming();
    HostChunkImage image;
    plug.ReadBankChunk(bank, 0, image);
    state.ResumeTiming();
    plug.ApplyHostChunk(bank, image);
  }
}
BENCHMARK(BM_BankChunkApply)->Unit(benchmark::kMicrosecond);

}  // namespace
