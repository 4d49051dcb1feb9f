// The open editor between the user's actions, at each editor size: one
// iteration is one 40 ms timer period of host idle calls (the host idles
// every 20 ms here) on the headless window system, so the cost of a period
// over 40 ms is the share of a core the editor takes. Goal: under 1 % of a
// core at 200 % while nothing happens; the automated-knob case shows what a
// redraw of one knob (and the status line) per period costs on top.
// Measured on the 2-core build machine (CPU time per period): idle 0.002 %
// at every size; automated knob 0.06 % at 100 %, 0.08 % at 200 %, 0.23 % at
// 175 %, but about 2 % at 125 and 150 %, where the pictures are resampled
// with a convolution filter on every redraw.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/AudioWait.h"
#include "bench/HoldNotes.h"
#include "editor/VornellEditor.h"
#include "graphics/HeadlessWindowSystem.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "instrument/VornellCommands.h"
#include "plugin/VstAbi.h"
#include "tests/support/PresetFileBytes.h"

namespace {

constexpr double kPeriodMs = 40.0;

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

struct OpenEditor {
  explicit OpenEditor(int zoom) {
    InstallVornellEditor();
    VornellEditor::SetWindowSystemFactory([] { return std::make_unique<HeadlessWindowSystem>(); });
    plug = new Vornell(&Callback);
    effect = plug->GetAEffect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    // The editor is built on first use: with the headless window system.
    VornellEditor::Of(*plug)->Graphics()->SetZoom(zoom);
    VornellEditor::SetWindowSystemFactory(nullptr);
    effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x2a00017}), 0.0f);
    window = static_cast<HeadlessWindowSystem*>(VornellEditor::Of(*plug)->Graphics()->WindowSystem());
    // Let the first full redraws pass.
    for (int i = 0; i < 50; ++i) Period();
  }
  ~OpenEditor() { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }
  void Period() {
    for (int i = 0; i < 2; ++i) {
      window->AdvanceTime(20);
      effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    }
    window->updates.clear();
  }

  Vornell* plug = nullptr;
  AEffect* effect = nullptr;
  HeadlessWindowSystem* window = nullptr;
};

void Report(benchmark::State& state) {
  // Seconds per period / period length × 100, from the benchmark's own timing.
  state.counters["core_percent"] = benchmark::Counter(
      kPeriodMs / 1000.0 / 100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["zoom"] = static_cast<double>(state.range(0));
}

void BM_EditorIdle(benchmark::State& state) {
  OpenEditor editor(static_cast<int>(state.range(0)));
  for (auto _ : state) editor.Period();
  Report(state);
}
BENCHMARK(BM_EditorIdle)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

// The host automates "Master Volume": its knob is redrawn every period.
void BM_EditorAutomatedKnob(benchmark::State& state) {
  OpenEditor editor(static_cast<int>(state.range(0)));
  int step = 0;
  for (auto _ : state) {
    editor.effect->setParameter(editor.effect, 3, static_cast<float>((step++ % 64) / 63.0));
    editor.Period();
  }
  Report(state);
}
BENCHMARK(BM_EditorAutomatedKnob)->Arg(100)->Arg(125)->Arg(150)->Arg(175)->Arg(200)->Unit(benchmark::kMicrosecond);

// The host calls of the editor's side, made on the benchmark's thread (the
// host's user-interface thread) while an audio thread renders 128-frame blocks
// of twelve held notes (AudioWait.h): opening and closing the editor (the
// first opening decodes the pictures), and loading a bank or a preset file
// through the editor's menu. The bank is either the plug-in's own (chunk form)
// or the 64 presets in the older parameter-list form, which loads by setting
// every parameter of each preset in turn.
enum class EditorCall { kOpenClose, kLoadBankFile, kLoadParamListBankFile, kLoadPresetFile };

// Every preset of the plug-in as a bank file in the parameter-list form: the
// parameters' 0..1 values, as a host that stores banks that way writes them.
bool WriteParamListBank(Vornell& plug, const std::string& path) {
  PluginLock lock(plug.Mutex());
  std::vector<std::vector<float>> programs;
  std::vector<std::string> names;
  for (int i = 0; i < plug.NumPresets(); ++i) {
    plug.SelectPreset(i);
    names.push_back(plug.GetPresetName(i).substr(0, 27));
    programs.emplace_back();
    for (int k = 0; k < plug.NumParams(); ++k)
      programs.back().push_back(static_cast<float>(plug.GetParam(k)->NormalizedValue()));
  }
  plug.SelectPreset(0);
  const std::vector<uint8_t> bytes = ParamBank(programs, 0, names);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

void BM_EditorCallAudioWait(benchmark::State& state, EditorCall call) {
  constexpr int kFrames = 128;
  InstallVornellEditor();
  VornellEditor::SetWindowSystemFactory([] { return std::make_unique<HeadlessWindowSystem>(); });
  Vornell* plug = new Vornell(&Callback);
  // The editor is built on first use: here, with the headless window system.
  VornellEditor::Of(*plug);
  VornellEditor::SetWindowSystemFactory(nullptr);
  AEffect* effect = plug->GetAEffect();
  const auto dispatch = [effect](VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, 0, value, ptr, opt);
  };
  dispatch(effSetSampleRate, 0, nullptr, 48000.0f);
  dispatch(effSetBlockSize, kFrames);
  dispatch(effOpen);
  dispatch(effMainsChanged, 1);
  void* const parent = reinterpret_cast<void*>(uintptr_t{0x2a00017});
  const bool bank = call == EditorCall::kLoadBankFile || call == EditorCall::kLoadParamListBankFile;
  const std::string file = std::string(bank ? "/tmp/vornell-bench-bank.fxb" : "/tmp/vornell-bench-preset.fxp");
  if (call != EditorCall::kOpenClose) {
    dispatch(effEditOpen, 0, parent);
    const bool saved = call == EditorCall::kLoadParamListBankFile ? WriteParamListBank(*plug, file)
                       : bank                                     ? plug->SaveBankFile(file)
                                                                  : plug->SaveProgramFile(file);
    if (!saved) {
      state.SkipWithError("the file to load could not be written");
      dispatch(effClose);
      return;
    }
  }
  std::vector<std::vector<float>> buffers(static_cast<size_t>(effect->numOutputs), std::vector<float>(kFrames));
  std::vector<float*> outputs;
  for (auto& channel : buffers) outputs.push_back(channel.data());
  HoldNotes(effect, 12);
  audio_wait::Measure(
      state, [&] { effect->processReplacing(effect, nullptr, outputs.data(), kFrames); },
      [&] {
        if (call == EditorCall::kOpenClose) {
          dispatch(effEditOpen, 0, parent);
          dispatch(effEditClose);
          return;
        }
        auto* window = static_cast<HeadlessWindowSystem*>(VornellEditor::Of(*plug)->Graphics()->WindowSystem());
        window->fileAnswers.push_back(file);
        window->fileRequests.clear();
        plug->Commands().RunPresetCommand(bank ? VornellCommands::kPresetCmdLoadBank : VornellCommands::kPresetCmdLoad);
      });
  dispatch(effClose);
  if (call != EditorCall::kOpenClose) std::remove(file.c_str());
}
BENCHMARK_CAPTURE(BM_EditorCallAudioWait, OpenClose, EditorCall::kOpenClose)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorCallAudioWait, LoadBankFile, EditorCall::kLoadBankFile)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorCallAudioWait, LoadParamListBankFile, EditorCall::kLoadParamListBankFile)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EditorCallAudioWait, LoadPresetFile, EditorCall::kLoadPresetFile)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
