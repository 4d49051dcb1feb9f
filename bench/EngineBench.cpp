// Engine benchmarks: one voice, all 96 voices with six sounds, an idle engine,
// and the filter kernel alone.

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "engine/Engine.h"
#include "engine/VectorKernels.h"
#include "engine/VoiceParamUnits.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int32_t kBlock = 256;

std::array<uint8_t, 37> InitProgram() {
  return {24,  0, 0, 0, 0, 0, 0, 0, 0, 0,   1, 0, 0, 128, 0, 0,   0, 0, 0,
          255, 0, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 255, 0, 255, 0, 0};
}

struct Bench {
  Bench() : buffers(Engine::kOutputCount * kBlock) {
    for (int32_t k = 0; k < Engine::kOutputCount; ++k) outputs[k] = buffers.data() + k * kBlock;
    engine.SetMasterGain(0.25);
    engine.SetBendRange(512.0);
    for (int32_t t = 0; t < Engine::kTrackCount; ++t) {
      engine.SetTrackChannel(t, t);
      engine.SetTrackVolume(t, 1.0);
      engine.SetTrackPan(t, 0.5);
      engine.SetTrackMode(t, Track::kPolyphonic);
      auto program = InitProgram();
      LoadProgramValues(engine, t, program.data());
    }
    engine.OnReset(kRate, kBlock);
  }
  void Block() { engine.ProcessBlock(nullptr, outputs, kBlock); }

  Engine engine;
  std::vector<double> buffers;
  double* outputs[Engine::kOutputCount];
};

// A voice with saw and pulse, resonance 0.5, a filter envelope and the LFO on the filter.
std::array<uint8_t, 37> BenchSound(int32_t variant) {
  auto p = InitProgram();
  p[Voice::kOscSawtooth] = 1;
  p[Voice::kOscPulse] = 1;
  p[Voice::kOscPulseWidth] = 100;
  p[Voice::kFilterResonance] = static_cast<uint8_t>(85);  // 0.5 in engine units
  p[Voice::kFilterCutoff] = 110;
  p[Voice::kFilterEnvAmount] = 90;
  p[Voice::kFilterEnvAttack] = 20;
  p[Voice::kFilterEnvDecay] = 80;
  p[Voice::kFilterEnvSustain] = 100;
  p[Voice::kLfoToFilter] = 1;
  p[Voice::kLfoAmount] = 80;
  p[Voice::kLfoFrequency] = 100;
  p[Voice::kAmpEnvSustain] = 255;
  switch (variant % 6) {
    case 1:
      p[Voice::kOscTriangle] = 1;
      p[Voice::kOscNoiseMixer] = 40;
      break;
    case 2:
      p[Voice::kFilterResonance] = 255;
      p[Voice::kOscPulse] = 0;
      break;
    case 3:
      p[Voice::kFilterOscModAmount] = 120;
      p[Voice::kOscTriangle] = 1;
      break;
    case 4:
      p[Voice::kGlideRate] = 150;
      p[Voice::kOscLfoToPw] = 1;
      p[Voice::kLfoShape] = 1;
      break;
    case 5:
      p[Voice::kOscEnvAmount] = 60;
      p[Voice::kOscEnvDecay] = 90;
      p[Voice::kFilterKeyTrack] = 64;
      break;
    default:
      break;
  }
  return p;
}

// Nanoseconds of CPU per rendered sample frame.
void Report(benchmark::State& state, int64_t samples) {
  state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(samples) * 1e-9,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

static void BM_VoiceRender(benchmark::State& state) {
  Bench bench;
  auto sound = BenchSound(0);
  LoadProgramValues(bench.engine, 0, sound.data());
  bench.engine.NoteOn(0, 57, 100, false);
  for (int32_t i = 0; i < 20; ++i) bench.Block();
  int64_t samples = 0;
  for (auto _ : state) {
    bench.Block();
    samples += kBlock;
  }
  Report(state, samples);
}
BENCHMARK(BM_VoiceRender);

static void BM_FullPolyphony(benchmark::State& state) {
  Bench bench;
  for (int32_t t = 0; t < Engine::kTrackCount; ++t) {
    auto sound = BenchSound(t);
    LoadProgramValues(bench.engine, t, sound.data());
  }
  // The pool fills through note dispatch (fifteen notes on each polyphonic
  // track); the tracks' own voices, which dispatch leaves to monophonic
  // playing, are started directly.
  for (int32_t t = 0; t < Engine::kTrackCount; ++t)
    for (int32_t n = 0; n < 15; ++n) bench.engine.NoteOn(t, 36 + t * 3 + n * 4, 100, false);
  for (int32_t v = 0; v < Engine::kFirstPoolVoice; ++v) {
    NoteStart ns;
    ns.track = static_cast<uint8_t>(v);
    ns.note = 48 + v * 5;
    ns.velocity = 100;
    bench.engine.StartVoice(v, ns);
  }
  for (int32_t i = 0; i < 20; ++i) bench.Block();
  int32_t sounding = 0;
  for (int32_t v = 0; v < Engine::kVoiceCount; ++v) sounding += bench.engine.GetVoice(v).active;
  if (sounding != Engine::kVoiceCount) state.SkipWithError("not every voice is sounding");
  int64_t samples = 0;
  for (auto _ : state) {
    bench.Block();
    samples += kBlock;
  }
  Report(state, samples);
  // Audio seconds per CPU second.
  state.counters["rtf"] = benchmark::Counter(static_cast<double>(samples) / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullPolyphony);

static void BM_Idle(benchmark::State& state) {
  Bench bench;
  int64_t samples = 0;
  for (auto _ : state) {
    bench.Block();
    samples += kBlock;
  }
  Report(state, samples);
}
BENCHMARK(BM_Idle);

// The active path's filter kernel alone, its data in the first-level cache:
// 1 to 4 chains (vectors of voices) per pass, a control period of 48 samples.
// One chain shows the length of the filter's recurrence per sample; more
// chains show how far running them side by side hides it.
static void BM_FilterKernel(benchmark::State& state) {
  const VectorKernels& kernels = ActiveKernels();
  const int32_t chains = static_cast<int32_t>(state.range(0));
  const int32_t lanes = chains * kernels.width;
  constexpr int32_t kLength = 48;
  LaneGroup group;
  std::vector<double> x(static_cast<size_t>(kLength) * lanes), y(x.size());
  std::vector<double> coefficients(LaneGroup::kCoefficients * static_cast<size_t>(lanes)), levels(lanes, 0.8);
  for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<double>(i % 37) / 18.0 - 1.0;  // a sawtooth
  for (int32_t lane = 0; lane < lanes; ++lane) {
    const double G = 0.3 + 0.01 * lane, k = 2.0, G4 = G * G * G * G;
    const double values[LaneGroup::kCoefficients] = {G, (1.0 - G) / (1.0 + G), G4, 1.0 / (1.0 + k * G4), k};
    for (int32_t j = 0; j < LaneGroup::kCoefficients; ++j)
      coefficients[static_cast<size_t>(j) * lanes + lane] = values[j];
    group.gainComp[lane] = 1.5;
    group.outputGain[lane] = 0.7;
    group.s1[lane] = group.s2[lane] = group.s3[lane] = group.s4[lane] = 0.0;
    group.antiDenormal[lane] = 1e-18;
  }
  group.lanes = lanes;
  group.chainCount = chains;
  group.used = lanes;
  group.x = x.data();
  group.y = y.data();
  group.yStride = lanes;
  group.masterGain = 0.25;
  for (int32_t c = 0; c < chains; ++c) {
    group.coefficients[c] = coefficients.data() + c * kernels.width;
    group.coefficientStep[c] = 0;
    group.levels[c] = levels.data() + c * kernels.width;
    group.levelStep[c] = 0;
  }
  int64_t chainSamples = 0;
  for (auto _ : state) {
    kernels.filter(group, kLength);
    benchmark::DoNotOptimize(y.data());
    chainSamples += static_cast<int64_t>(kLength) * chains;
  }
  state.counters["ns_per_chain_sample"] = benchmark::Counter(static_cast<double>(chainSamples) * 1e-9,
                                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_voice_sample"] = benchmark::Counter(static_cast<double>(chainSamples) * kernels.width * 1e-9,
                                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(VectorPathName(kernels.path));
}
BENCHMARK(BM_FilterKernel)->DenseRange(1, 4);
