// The plug-in module as hosts meet it: loaded with dlopen, instances built
// through its entry point, blocks rendered through processReplacing into the
// host's float buffers. BM_InstanceStartup: an instance in a process that
// has made one before (goal 1.5 ms), so that a host scanning or opening a
// project with several instances does not stall.
//
// BM_ModuleIdle and BM_ModuleVoices measure what a host pays per frame with
// nothing sounding and per voice and sample with 90 held voices of a sawtooth
// and pulse sound with resonance, filter envelope and LFO (the voice cost is
// the marginal one: the idle cost of the same instance is taken off). When
// VORNELL_BENCH_PEER names another VST2 instrument module, the same two
// measurements run on it too (scripts/compare-amsynth prints the ratios).
// VORNELL_BENCH_MODULE measures another build of Vornell instead of this one.
//
// BM_FirstInstanceStartup: the first instance in a fresh process (module
// load included) and the later ones, goals 20 ms and 1.5 ms.
// BM_HostCallAudioWait: the longest audio call of a paced audio thread while
// the host's thread loads a bank or program chunk, selects programs, suspends
// and resumes or changes the sample rate, goal 1 ms (AudioWait.h).
#ifdef VORNELL_MODULE_PATH
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/AudioWait.h"
#include "bench/HoldNotes.h"
#include "plugin/VstAbi.h"

namespace {

using Entry = AEffect* (*)(audioMasterCallback);

constexpr double kRate = 48000.0;
constexpr int32_t kFrames = 512;
constexpr int32_t kVoices = 90;

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

// Modules stay loaded for the whole run, as in a host.
Entry ModuleEntry(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return nullptr;
  Entry entry = reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain"));
  return entry ? entry : reinterpret_cast<Entry>(dlsym(module, "main"));
}

// The built module, or another build of it named by VORNELL_BENCH_MODULE
// (to compare two builds).
Entry VornellEntry() {
  static Entry entry = [] {
    const char* other = std::getenv("VORNELL_BENCH_MODULE");
    return ModuleEntry(other && *other ? other : VORNELL_MODULE_PATH);
  }();
  return entry;
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// An opened, resumed instance with float buffers for all its outputs.
class Instance {
 public:
  explicit Instance(Entry entry, int32_t frames = kFrames)
      : effect(entry ? entry(&Callback) : nullptr), frames(frames) {
    if (!effect) return;
    Dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    Dispatch(effect, effSetBlockSize, 0, frames);
    Dispatch(effect, effOpen);
    Dispatch(effect, effMainsChanged, 0, 1);
    buffers.assign(static_cast<size_t>(effect->numOutputs), std::vector<float>(frames));
    for (auto& channel : buffers) outputs.push_back(channel.data());
  }
  ~Instance() {
    if (!effect) return;
    Dispatch(effect, effMainsChanged, 0, 0);
    Dispatch(effect, effClose);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  int32_t ParamIndex(const std::string& name) {
    for (int32_t i = 0; i < effect->numParams; ++i) {
      char text[256] = {};
      Dispatch(effect, effGetParamName, i, 0, text);
      if (name == text) return i;
    }
    return -1;
  }
  // By the text the instrument displays; false when it does not take it.
  bool SetText(const std::string& name, const std::string& value) {
    const int32_t index = ParamIndex(name);
    std::vector<char> text(value.begin(), value.end());
    text.push_back(0);
    return index >= 0 && Dispatch(effect, effString2Parameter, index, 0, text.data()) == 1;
  }
  bool SetNormalized(const std::string& name, float value) {
    const int32_t index = ParamIndex(name);
    if (index < 0) return false;
    effect->setParameter(effect, index, value);
    return true;
  }

  // Notes on channel 1, keys from 21 up, handed over before the next block.
  void HoldNotes(int32_t count) { ::HoldNotes(effect, count); }

  void Block() { effect->processReplacing(effect, nullptr, outputs.data(), frames); }

  // CPU seconds of the calling thread per frame over `blocks` blocks.
  double SecondsPerFrame(int32_t blocks) {
    const double start = ThreadSeconds();
    for (int32_t b = 0; b < blocks; ++b) Block();
    return (ThreadSeconds() - start) / (static_cast<double>(blocks) * kFrames);
  }

  AEffect* effect;
  int32_t frames;
  std::vector<std::vector<float>> buffers;
  std::vector<float*> outputs;
};

// The measured sound on Vornell: track 1 alone, polyphonic, with the engine
// benchmark's sawtooth and pulse sound.
bool SetUpVornell(Instance& instance) {
  bool ok = instance.SetText("Link Programs", "off");
  ok = ok && instance.SetText("Track 1 MIDI Channel", "1") && instance.SetText("Track 1 Mode", "Polyphonic");
  for (int t = 2; t <= 6; ++t) ok = ok && instance.SetText("Track " + std::to_string(t) + " MIDI Channel", "X");
  const struct {
    const char* name;
    float value;  // 0..255
  } sound[] = {
      {"OSC Sawtooth", 255},       {"OSC Pulse", 255},        {"OSC Pulse Width", 100},  {"Filter Resonance", 85},
      {"Filter Cutoff", 110},      {"Filter Env Amount", 90}, {"Filter Env Attack", 20}, {"Filter Env Decay", 80},
      {"Filter Env Sustain", 100}, {"LFO to Filter", 255},    {"LFO Amount", 80},        {"LFO Frequency", 100},
      {"Amp Env Sustain", 255},    {"Amp Env Attack", 0},     {"Filter Key Track", 0},
  };
  for (const auto& p : sound) ok = ok && instance.SetNormalized(std::string("(1) ") + p.name, p.value / 255.0f);
  return ok;
}

// The same kind of sound on a peer instrument, set by the parameter names it
// has (amsynth's; unknown names are skipped): a sawtooth and a pulse
// oscillator, resonance, a filter envelope and the LFO on the filter.
void SetUpPeer(Instance& instance) {
  const struct {
    const char* name;
    float value;
  } sound[] = {
      {"osc1_waveform", 0.5f},   {"osc2_waveform", 0.25f},    {"osc_mix", 0.5f},        {"osc1_pulsewidth", 0.4f},
      {"osc2_pulsewidth", 0.4f}, {"filter_resonance", 0.5f},  {"filter_cutoff", 0.6f},  {"filter_env_amount", 0.7f},
      {"filter_attack", 0.1f},   {"filter_decay", 0.3f},      {"filter_sustain", 0.4f}, {"filter_mod_amount", 0.8f},
      {"lfo_freq", 0.3f},        {"lfo_waveform", 0.0f},      {"amp_attack", 0.0f},     {"amp_sustain", 1.0f},
      {"reverb_wet", 0.0f},      {"distortion_crunch", 0.0f},
  };
  for (const auto& p : sound) instance.SetNormalized(p.name, p.value);
}

// Loads the sound and runs the instance in; false (the benchmark skipped)
// when the module or the sound cannot be set up.
bool Ready(benchmark::State& state, Instance& instance, bool vornell) {
  if (!instance.effect) {
    state.SkipWithError("the module cannot be loaded");
    return false;
  }
  if (!vornell) {
    SetUpPeer(instance);
  } else if (!SetUpVornell(instance)) {
    state.SkipWithError("the sound could not be set");
    return false;
  }
  for (int32_t b = 0; b < 20; ++b) instance.Block();
  return true;
}

void Idle(benchmark::State& state, Entry entry, bool vornell) {
  Instance instance(entry);
  if (!Ready(state, instance, vornell)) return;
  const double start = ThreadSeconds();
  int64_t blocks = 0;
  for (auto _ : state) {
    instance.Block();
    benchmark::DoNotOptimize(instance.buffers[0][0]);
    ++blocks;
  }
  state.counters["ns_per_frame"] = (ThreadSeconds() - start) * 1e9 / (static_cast<double>(blocks) * kFrames);
}

void Voices(benchmark::State& state, Entry entry, bool vornell) {
  Instance instance(entry);
  if (!Ready(state, instance, vornell)) return;
  const double idle = instance.SecondsPerFrame(400);
  instance.HoldNotes(kVoices);
  for (int32_t b = 0; b < 40; ++b) instance.Block();  // past the attack, into the sustain
  const double start = ThreadSeconds();
  int64_t blocks = 0;
  for (auto _ : state) {
    instance.Block();
    benchmark::DoNotOptimize(instance.buffers[0][0]);
    ++blocks;
  }
  const double perFrame = (ThreadSeconds() - start) / (static_cast<double>(blocks) * kFrames);
  state.counters["ns_per_frame"] = perFrame * 1e9;
  state.counters["idle_ns_per_frame"] = idle * 1e9;
  state.counters["ns_per_voice_sample"] = (perFrame - idle) * 1e9 / kVoices;
}

// Construction and effOpen: what a host waits for per instance.
void BM_InstanceStartup(benchmark::State& state) {
  Entry entry = VornellEntry();
  if (!entry) {
    state.SkipWithError("the module cannot be loaded");
    return;
  }
  for (auto _ : state) {
    AEffect* effect = entry(&Callback);
    if (!effect) {
      state.SkipWithError("the entry point gave no effect");
      return;
    }
    Dispatch(effect, effOpen);
    benchmark::DoNotOptimize(effect->object);
    state.PauseTiming();
    Dispatch(effect, effClose);
    state.ResumeTiming();
  }
  state.counters["goal_ms"] = 1.5;
}
BENCHMARK(BM_InstanceStartup)->Unit(benchmark::kMillisecond);

#ifdef VORNELL_STARTUP_PROBE
// Each iteration a fresh process (the probe) loads the module and opens the
// first instance, then eight more: CPU time of the opening thread, and the
// wall-clock time a host waits (which this shared machine's load inflates).
void BM_FirstInstanceStartup(benchmark::State& state) {
  const char* other = std::getenv("VORNELL_BENCH_MODULE");
  const std::string command =
      std::string(VORNELL_STARTUP_PROBE) + " '" + (other && *other ? other : VORNELL_MODULE_PATH) + "' 8";
  double first = 0.0, firstWall = 0.0, later = 0.0, laterWall = 0.0;
  for (auto _ : state) {
    FILE* pipe = popen(command.c_str(), "r");
    double values[4] = {};
    const int read =
        pipe ? std::fscanf(pipe, "first_ms %lf %lf later_ms %lf %lf", &values[0], &values[1], &values[2], &values[3])
             : 0;
    if (pipe) pclose(pipe);
    if (read != 4) {
      state.SkipWithError("the start-up probe gave no figures");
      return;
    }
    state.SetIterationTime(values[0] * 1e-3);
    first += values[0];
    firstWall += values[1];
    later += values[2];
    laterWall += values[3];
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["first_ms"] = first / runs;
  state.counters["first_wall_ms"] = firstWall / runs;
  state.counters["later_ms"] = later / runs;
  state.counters["later_wall_ms"] = laterWall / runs;
  state.counters["goal_first_ms"] = 20;
  state.counters["goal_later_ms"] = 1.5;
}
BENCHMARK(BM_FirstInstanceStartup)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
#endif

// The host calls that take the plug-in lock for long, each made while an
// audio thread renders 128-frame blocks of twelve held notes (AudioWait.h).
// None: no call at all, what the system's scheduling alone costs the audio thread.
enum class HostCall { kNone, kBankChunk, kProgramChunk, kProgram, kSuspendResume, kSampleRate };

void BM_HostCallAudioWait(benchmark::State& state, HostCall call) {
  constexpr int32_t kAudioFrames = 128;
  Instance instance(VornellEntry(), kAudioFrames);
  if (!instance.effect) {
    state.SkipWithError("the module cannot be loaded");
    return;
  }
  AEffect* effect = instance.effect;
  std::vector<char> saved;
  if (call == HostCall::kBankChunk || call == HostCall::kProgramChunk) {
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effect, effGetChunk, call == HostCall::kBankChunk ? 0 : 1, 0, &data);
    if (size <= 0 || !data) {
      state.SkipWithError("the module gave no chunk");
      return;
    }
    saved.assign(static_cast<const char*>(data), static_cast<const char*>(data) + size);
  }
  instance.HoldNotes(12);
  std::vector<char> chunk;
  int step = 0;
  audio_wait::Measure(
      state, [&] { instance.Block(); },
      [&] {
        ++step;
        switch (call) {
          case HostCall::kNone:
            break;
          case HostCall::kBankChunk:
          case HostCall::kProgramChunk:
            chunk = saved;  // the host's own copy
            Dispatch(effect, effSetChunk, call == HostCall::kBankChunk ? 0 : 1, static_cast<VstIntPtr>(chunk.size()),
                     chunk.data());
            break;
          case HostCall::kProgram:
            Dispatch(effect, effSetProgram, 0, step % 64);
            break;
          case HostCall::kSuspendResume:
            Dispatch(effect, effMainsChanged, 0, 0);
            Dispatch(effect, effMainsChanged, 0, 1);
            break;
          case HostCall::kSampleRate:
            // A rate other than 44.1 and 48 kHz, new to the process at the first call.
            Dispatch(effect, effMainsChanged, 0, 0);
            Dispatch(effect, effSetSampleRate, 0, 0, nullptr, step % 2 ? 96000.0f : 48000.0f);
            Dispatch(effect, effMainsChanged, 0, 1);
            break;
        }
      });
}
BENCHMARK_CAPTURE(BM_HostCallAudioWait, None, HostCall::kNone)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostCallAudioWait, SetChunkBank, HostCall::kBankChunk)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostCallAudioWait, SetChunkProgram, HostCall::kProgramChunk)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostCallAudioWait, SetProgram, HostCall::kProgram)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostCallAudioWait, SuspendResume, HostCall::kSuspendResume)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostCallAudioWait, SampleRate, HostCall::kSampleRate)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One 512-frame block of a six-note chord through processReplacing, with the
// conversion to the host's float buffers: the per-block cost a host sees.
void BM_ModuleBlock(benchmark::State& state) {
  Instance instance(VornellEntry());
  if (!instance.effect) {
    state.SkipWithError("the module cannot be loaded");
    return;
  }
  // By default every track listens to every channel and the tracks take the
  // notes in turn.
  HoldNotes(instance.effect, 6, 48, 4);
  for (auto _ : state) {
    instance.Block();
    benchmark::DoNotOptimize(instance.buffers[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.counters["realtime_x"] = benchmark::Counter(
      static_cast<double>(kFrames) / kRate * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ModuleBlock);

// BM_ModuleIdle/<module> and BM_ModuleVoices/<module> for Vornell and a peer.
const bool registered = [] {
  benchmark::RegisterBenchmark("BM_ModuleIdle/Vornell", [](benchmark::State& s) { Idle(s, VornellEntry(), true); });
  benchmark::RegisterBenchmark("BM_ModuleVoices/Vornell", [](benchmark::State& s) { Voices(s, VornellEntry(), true); });
  const char* peer = std::getenv("VORNELL_BENCH_PEER");
  if (peer && *peer) {
    std::string path = peer;
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) name.resize(name.size() - 3);
    benchmark::RegisterBenchmark(("BM_ModuleIdle/" + name).c_str(),
                                 [path](benchmark::State& s) { Idle(s, ModuleEntry(path), false); });
    benchmark::RegisterBenchmark(("BM_ModuleVoices/" + name).c_str(),
                                 [path](benchmark::State& s) { Voices(s, ModuleEntry(path), false); });
  }
  return true;
}();

}  // namespace
#endif
