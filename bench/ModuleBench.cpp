// The plug-in module as hosts meet it: loaded with dlopen, instances built
// through its entry point. Goal for BM_InstanceStartup: under 50 ms, so that a
// host scanning or opening a project with several instances does not stall.
#ifdef VORNELL_MODULE_PATH
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <vector>

#include "plugin/VstAbi.h"

namespace {

using Entry = AEffect* (*)(audioMasterCallback);

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

// The module stays loaded for the whole run, as in a host.
Entry ModuleEntry() {
  static Entry entry = [] {
    void* module = dlopen(VORNELL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain")) : nullptr;
  }();
  return entry;
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstIntPtr value = 0, float opt = 0.0f) {
  return effect->dispatcher(effect, opcode, 0, value, nullptr, opt);
}

// Construction and effOpen: what a host waits for per instance.
void BM_InstanceStartup(benchmark::State& state) {
  Entry entry = ModuleEntry();
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
  state.counters["goal_ms"] = 50;
}
BENCHMARK(BM_InstanceStartup)->Unit(benchmark::kMillisecond);

// One 512-frame block of six sounding tracks through processReplacing, with
// the conversion to the host's float buffers: the per-block cost a host sees.
void BM_ModuleBlock(benchmark::State& state) {
  Entry entry = ModuleEntry();
  AEffect* effect = entry ? entry(&Callback) : nullptr;
  if (!effect) {
    state.SkipWithError("the module cannot be loaded");
    return;
  }
  constexpr int32_t kFrames = 512;
  Dispatch(effect, effSetSampleRate, 0, 48000.0f);
  Dispatch(effect, effSetBlockSize, kFrames);
  Dispatch(effect, effOpen);
  Dispatch(effect, effMainsChanged, 1);
  // A six-note chord: by default every track listens to every channel and
  // the tracks take the notes in turn.
  std::vector<VstMidiEvent> notes(6);
  std::vector<uint8_t> list(offsetof(VstEvents, events) + sizeof(VstEvent*) * notes.size());
  VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
  events->numEvents = static_cast<VstInt32>(notes.size());
  VstEvent** pointers = reinterpret_cast<VstEvent**>(list.data() + offsetof(VstEvents, events));
  for (size_t i = 0; i < notes.size(); ++i) {
    notes[i] = VstMidiEvent{};
    notes[i].type = kVstMidiType;
    notes[i].byteSize = sizeof(VstMidiEvent);
    notes[i].midiData[0] = static_cast<char>(0x90);
    notes[i].midiData[1] = static_cast<char>(48 + 4 * i);
    notes[i].midiData[2] = 100;
    pointers[i] = reinterpret_cast<VstEvent*>(&notes[i]);
  }
  effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
  std::vector<std::vector<float>> out(static_cast<size_t>(effect->numOutputs), std::vector<float>(kFrames));
  std::vector<float*> outputs;
  for (auto& channel : out) outputs.push_back(channel.data());
  for (auto _ : state) {
    effect->processReplacing(effect, nullptr, outputs.data(), kFrames);
    benchmark::DoNotOptimize(out[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.counters["realtime_x"] = benchmark::Counter(
      static_cast<double>(kFrames) / 48000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  Dispatch(effect, effClose);
}
BENCHMARK(BM_ModuleBlock);

}  // namespace
#endif
