// A tiny instrument on the VST2 adapter, built as a module of its own so the
// tests can load it with dlopen exactly as a host does. One sine voice per held
// note, mixed into the sum and into the pair of the note's track (channel % 6).
// A few extra exported functions let the tests look inside and call the host
// services the adapter offers to the instrument.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "engine/MidiMessage.h"
#include "plugin/IEditorLink.h"
#include "plugin/IPlugVST.h"
#include "plugin/VstAbi.h"
#include "tests/vst/TestInstrumentHooks.h"

namespace {

constexpr int kNumParams = 4;
constexpr int kNumPresets = 8;
constexpr int kMaxVoices = 16;
constexpr int kMaxQueued = 512;
const char* const kWaveTexts[] = {"sine", "square", "saw"};
const char* const kPinLabels[] = {"Sum L",     "Sum R",     "Track 1 L", "Track 1 R", "Track 2 L",
                                  "Track 2 R", "Track 3 L", "Track 3 R", "Track 4 L", "Track 4 R",
                                  "Track 5 L", "Track 5 R", "Track 6 L", "Track 6 R"};

// Records what the adapter asks of an editor.
class FakeEditor : public IEditorLink {
 public:
  FakeEditor(int width, int height) : width(width), height(height) {}
  void ShowParamValue(int index, double value, bool normalized) override {
    lastIndex = index;
    lastValue = value;
    lastNormalized = normalized;
    ++shown;
  }
  void PrepareDrawing() override {}
  int Width() const override { return width; }
  int Height() const override { return height; }
  bool OpenEditorWindow(void* parent) override {
    if (!parent) return false;  // no parent window: creation fails
    open = true;
    return true;
  }
  void CloseEditorWindow() override { open = false; }
  bool IsEditorOpen() const override { return open; }

  int width, height;
  bool open = false;
  int lastIndex = -1;
  double lastValue = 0.0;
  bool lastNormalized = false;
  int shown = 0;
};

class TestInstrument : public IPlugVST {
 public:
  explicit TestInstrument(VstHostCallback host) : IPlugVST(host, kNumParams, kNumPresets) {
    stateLoading = true;
    GetParam(kParamGain)->DefineContinuous("Gain", 0.5, 0.0, 1.0, 0.001);
    GetParam(kParamGain)->SetLabel("amp");
    GetParam(kParamTranspose)->DefineInteger("Transpose", 0.0, -12.0, 12.0);
    GetParam(kParamTranspose)->SetLabel("st");
    GetParam(kParamMute)->DefineSwitch("Mute", 0.0);
    GetParam(kParamWave)->DefineList("Wave", 0.0, 3, kWaveTexts);
    for (int i = 0; i < NumOutputChannels() && i < 14; ++i) SetOutputLabel(i, kPinLabels[i]);
    stateLoading = false;
  }

  void OnReset() override {
    IPlugBase::OnReset();
    ++resets;
    for (Voice& voice : voices) voice.active = false;
    queued = 0;
  }

  void OnParamChanged(int index) override {
    if (inProcess.load()) overlaps.fetch_add(1);
    ++paramChanges;
    lastChanged = index;
  }

  void OnMidiMessage(const MidiMessage& message) override {
    if (inProcess.load()) overlaps.fetch_add(1);
    if (queued < kMaxQueued) queue[queued++] = message;
  }

  bool GetMidiNoteName(int note, char* text, int size) override {
    if (note != 60 || size < 3) return IPlugBase::GetMidiNoteName(note, text, size);
    std::strcpy(text, "C4");
    return true;
  }

  void ProcessBlock(double** /*inputs*/, double** outputs, int frames) override {
    inProcess.store(true);
    maxPiece = std::max(maxPiece, frames);
    ++blocks;
    const int outputCount = NumOutputChannels();
    for (int c = 0; c < outputCount; ++c) std::fill(outputs[c], outputs[c] + frames, 0.0);
    const double gain = GetParam(kParamGain)->Value();
    const bool mute = GetParam(kParamMute)->Value() >= 0.5;
    const int transpose = static_cast<int>(GetParam(kParamTranspose)->Value());
    const int wave = static_cast<int>(GetParam(kParamWave)->Value());
    int next = 0;
    for (int frame = 0; frame < frames; ++frame) {
      // Events fall on their sample; the ones for later pieces stay queued.
      while (next < queued && queue[next].offset <= frame) Apply(queue[next++], transpose);
      for (Voice& voice : voices) {
        if (!voice.active) continue;
        double s = wave == 0   ? std::sin(voice.phase)
                   : wave == 1 ? (voice.phase < M_PI ? 1.0 : -1.0)
                               : voice.phase / M_PI - 1.0;
        voice.phase += voice.increment;
        if (voice.phase >= 2.0 * M_PI) voice.phase -= 2.0 * M_PI;
        double v = mute ? 0.0 : s * gain * voice.level;
        outputs[0][frame] += v;
        if (outputCount > 1) outputs[1][frame] += v;
        int pair = 2 + 2 * voice.track;
        if (pair + 1 < outputCount) {
          outputs[pair][frame] += v;
          outputs[pair + 1][frame] += v;
        }
      }
    }
    // Keep what is due later, relative to the next piece.
    int kept = 0;
    for (int i = next; i < queued; ++i) {
      queue[kept] = queue[i];
      queue[kept].offset -= frames;
      ++kept;
    }
    queued = kept;
    inProcess.store(false);
  }

  void AttachFakeEditor(int width, int height) {
    editor = std::make_unique<FakeEditor>(width, height);
    AttachEditor(editor.get());
  }

  ~TestInstrument() override { AttachEditor(nullptr); }

  struct Voice {
    bool active = false;
    int note = 0;
    int track = 0;
    double phase = 0.0;
    double increment = 0.0;
    double level = 0.0;
  };

  void Apply(const MidiMessage& message, int transpose) {
    const int type = message.status & 0xF0;
    const int channel = message.status & 0x0F;
    if (type == 0x90 && message.data2 > 0) {
      for (Voice& voice : voices) {
        if (voice.active) continue;
        voice.active = true;
        voice.note = message.data1;
        voice.track = channel % 6;
        voice.phase = 0.0;
        double frequency = 440.0 * std::pow(2.0, (message.data1 + transpose - 69) / 12.0);
        voice.increment = 2.0 * M_PI * frequency / GetSampleRate();
        voice.level = message.data2 / 127.0;
        break;
      }
    } else if (type == 0x80 || (type == 0x90 && message.data2 == 0)) {
      for (Voice& voice : voices)
        if (voice.active && voice.note == message.data1) voice.active = false;
    } else if (type == 0xB0 && (message.data1 == 120 || message.data1 == 123)) {
      for (Voice& voice : voices) voice.active = false;
    }
  }

  Voice voices[kMaxVoices];
  MidiMessage queue[kMaxQueued];
  int queued = 0;
  std::atomic<bool> inProcess{false};
  std::atomic<int> overlaps{0};
  int resets = 0;
  int paramChanges = 0;
  int lastChanged = -1;
  int maxPiece = 0;
  int blocks = 0;
  std::unique_ptr<FakeEditor> editor;
};

TestInstrument* Instrument(AEffect* effect) {
  IPlugVST* plugin = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
  return dynamic_cast<TestInstrument*>(plugin);
}

}  // namespace

IPlugVST* CreateVornell(VstHostCallback hostCallback) {
  return new TestInstrument(hostCallback);
}

extern "C" {

VST_TEST_EXPORT void VstTestCounters(AEffect* effect, VstTestCountersRecord* out) {
  TestInstrument* plugin = Instrument(effect);
  if (!plugin || !out) return;
  std::lock_guard lock(plugin->Mutex());
  out->overlaps = plugin->overlaps.load();
  out->resets = plugin->resets;
  out->paramChanges = plugin->paramChanges;
  out->lastChanged = plugin->lastChanged;
  out->maxPiece = plugin->maxPiece;
  out->blocks = plugin->blocks;
  out->queued = plugin->queued;
  out->sampleRate = plugin->GetSampleRate();
  out->blockSize = plugin->GetBlockSize();
  out->hostVersion = plugin->GetHostVersion();
  out->currentPreset = plugin->GetCurrentPresetIndex();
  int active = 0;
  for (const auto& voice : plugin->voices) active += voice.active ? 1 : 0;
  out->activeVoices = active;
  out->editorShown = plugin->editor ? plugin->editor->shown : 0;
  out->editorLastIndex = plugin->editor ? plugin->editor->lastIndex : -1;
  out->editorLastValue = plugin->editor ? plugin->editor->lastValue : 0.0;
  out->editorLastNormalized = plugin->editor ? plugin->editor->lastNormalized : false;
  out->editorOpen = plugin->editor ? plugin->editor->open : false;
}

VST_TEST_EXPORT int VstTestHostKind(AEffect* effect) {
  TestInstrument* plugin = Instrument(effect);
  return plugin ? plugin->GetHostKind() : -2;
}

VST_TEST_EXPORT double VstTestHostTempo(AEffect* effect) {
  TestInstrument* plugin = Instrument(effect);
  return plugin ? plugin->GetHostTempo() : -2.0;
}

VST_TEST_EXPORT void VstTestHostTime(AEffect* effect, HostTimeInfo* info) {
  TestInstrument* plugin = Instrument(effect);
  if (plugin && info) plugin->GetHostTime(*info);
}

VST_TEST_EXPORT int VstTestSendMidi(AEffect* effect, int offset, int status, int data1, int data2) {
  TestInstrument* plugin = Instrument(effect);
  if (!plugin) return -1;
  MidiMessage message;
  message.offset = offset;
  message.status = static_cast<uint8_t>(status);
  message.data1 = static_cast<uint8_t>(data1);
  message.data2 = static_cast<uint8_t>(data2);
  return plugin->SendMidiToHost(message) ? 1 : 0;
}

VST_TEST_EXPORT void VstTestEditorGesture(AEffect* effect, int index, double normalized) {
  TestInstrument* plugin = Instrument(effect);
  if (!plugin) return;
  plugin->BeginHostParamGesture(index);
  plugin->SetParamFromEditor(index, normalized);
  plugin->EndHostParamGesture(index);
  plugin->NotifyHostProgramChange();
}

VST_TEST_EXPORT void VstTestAttachEditor(AEffect* effect, int width, int height) {
  TestInstrument* plugin = Instrument(effect);
  if (plugin) plugin->AttachFakeEditor(width, height);
}

VST_TEST_EXPORT int VstTestProgramChunkOnlyHost(AEffect* effect) {
  TestInstrument* plugin = Instrument(effect);
  return plugin ? (plugin->ProgramChunkOnlyHost() ? 1 : 0) : -1;
}

}  // extern "C"
