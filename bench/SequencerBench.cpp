// Sequencer costs: the player's work per audio block, loading a large stored
// sequence, and reading a large MIDI file.
#include <benchmark/benchmark.h>

#include <vector>

#include "plugin/DataBlock.h"
#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"
#include "sequencer/SequencePlayer.h"

namespace {

Sequence DenseLoop(int notes) {
  Sequence s;
  s.length = notes * 8;
  for (int i = 0; i < notes; ++i) {
    SequenceEvent on{i * 8, static_cast<uint8_t>(0x90 | (i % 6)), static_cast<uint8_t>(36 + i % 48), 100};
    SequenceEvent off{i * 8 + 4, static_cast<uint8_t>(0x80 | (i % 6)), static_cast<uint8_t>(36 + i % 48), 0};
    s.AddEvent(on);
    s.AddEvent(off);
  }
  return s;
}

class BenchHost : public SequencePlayerHost {
 public:
  Sequence sequence = DenseLoop(2000);
  int64_t queued = 0;
  int32_t Mode() override { return 1; }
  double SampleRate() override { return 48000; }
  double Speed() override { return 240; }
  bool SyncToHost() override { return false; }
  bool ClickEnabled() override { return true; }
  Sequence& SequenceFor(PlayedSequence) override { return sequence; }
  void QueueMidiMessage(const MidiMessage&) override { ++queued; }
  void ReleaseSequenceDrivenTracks() override {}
  double GetHostTempo() override { return 120; }
  void GetHostTime(SequencerHostTime&) override {}
};

void BM_PlayerBlock(benchmark::State& state) {
  BenchHost host;
  SequencePlayer player(host);
  for (auto _ : state) player.OnBlockStart(static_cast<int32_t>(state.range(0)));
  state.counters["messages/block"] = benchmark::Counter(double(host.queued) / double(state.iterations()));
}
BENCHMARK(BM_PlayerBlock)->Arg(64)->Arg(512);

void BM_UnserializeSequence(benchmark::State& state) {
  DataBlock block;
  DenseLoop(static_cast<int>(state.range(0))).Serialize(block);
  Sequence s;
  for (auto _ : state) benchmark::DoNotOptimize(s.Unserialize(block, 0));
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_UnserializeSequence)->Arg(1000)->Arg(50000);

void BM_ReadMidiFile(benchmark::State& state) {
  std::vector<uint8_t> file;
  BuildMidiFile(DenseLoop(static_cast<int>(state.range(0))), true, file);
  Sequence s;
  for (auto _ : state) benchmark::DoNotOptimize(ReadMidiData(file.data(), file.size(), s).complete);
  state.SetBytesProcessed(state.iterations() * int64_t(file.size()));
}
BENCHMARK(BM_ReadMidiFile)->Arg(1000)->Arg(50000);

}  // namespace
