#pragma once
// A Vornell that records what it tells the host, with a stand-in editor that
// can be opened and answers questions, and helpers that render blocks at 48 kHz.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/MidiMessage.h"
#include "instrument/Vornell.h"
#include "plugin/IEditorLink.h"
#include "programs/ParameterTable.h"
#include "tests/support/SignalMeasures.h"

class FakeEditor : public IEditorLink {
 public:
  void ShowParamValue(int index, double value, bool normalized) override {
    (void)normalized;
    lastIndex = index;
    lastValue = value;
    ++shown;
    if (index >= 0 && index < kNumParams) ++shownPerParam[static_cast<size_t>(index)];
  }
  void PrepareDrawing() override {}
  int Width() const override { return 100; }
  int Height() const override { return 100; }
  bool OpenEditorWindow(void*) override { return open = true; }
  void CloseEditorWindow() override { open = false; }
  bool IsEditorOpen() const override { return open; }

  bool open = false;
  int lastIndex = -1;
  double lastValue = 0.0;
  int shown = 0;
  std::vector<int> shownPerParam = std::vector<int>(kNumParams, 0);
};

class TestVornell : public Vornell {
 public:
  TestVornell() : hostNotified(kNumParams, 0) {}
  explicit TestVornell(const VornellStartup& startup) : Vornell(startup), hostNotified(kNumParams, 0) {}

  void NotifyHostParamChange(int index, double normalized) override {
    (void)normalized;
    if (index >= 0 && index < kNumParams) ++hostNotified[static_cast<size_t>(index)];
  }
  bool SendMidiToHost(const MidiMessage& message) override {
    echoed.push_back(message);
    return true;
  }
  int ShowMessage(const std::string& text, const std::string& caption, int type) override {
    (void)type;
    questions.push_back(caption + "|" + text);
    return answer;
  }

  void OpenEditor() {
    AttachEditor(&editor);
    editor.open = true;
  }
  void ClearNotifications() {
    std::fill(hostNotified.begin(), hostNotified.end(), 0);
    std::fill(editor.shownPerParam.begin(), editor.shownPerParam.end(), 0);
  }

  // Plain value of a parameter.
  double Value(int index) const { return GetParam(index)->Value(); }
  // Sets a parameter as the editor would, from its plain value.
  void SetPlain(int index, double plain) { SetParamFromEditor(index, GetParam(index)->ToNormalized(plain)); }

  FakeEditor editor;
  std::vector<int> hostNotified;
  std::vector<MidiMessage> echoed;
  std::vector<std::string> questions;
  int answer = 6;  // yes
};

// Fourteen output channels of one rendering.
struct Rendering {
  std::vector<std::vector<double>> channels = std::vector<std::vector<double>>(14);

  double Rms(int channel, size_t from = 0) const { return ::Rms(channels[static_cast<size_t>(channel)], from); }
  double Peak(int channel) const { return ::Peak(channels[static_cast<size_t>(channel)]); }
  // Largest difference between one channel here and in another rendering.
  double MaxDifference(const Rendering& other, int channel) const {
    const std::vector<double>& a = channels[static_cast<size_t>(channel)];
    const std::vector<double>& b = other.channels[static_cast<size_t>(channel)];
    double diff = a.size() == b.size() ? 0.0 : 1e9;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) diff = std::max(diff, std::fabs(a[i] - b[i]));
    return diff;
  }
};

constexpr double kTestRate = 48000.0;
constexpr int kTestBlock = 256;

inline void PrepareAudio(Vornell& plug) {
  plug.SetSampleRate(kTestRate);
  plug.SetBlockSize(kTestBlock);
  plug.OnReset();
}

// Renders frames samples (whole blocks), appending to rendering.
inline void Render(Vornell& plug, int frames, Rendering& rendering) {
  std::vector<std::vector<double>> buffers(14, std::vector<double>(kTestBlock));
  double* pointers[14];
  for (int c = 0; c < 14; ++c) pointers[c] = buffers[static_cast<size_t>(c)].data();
  for (int done = 0; done < frames; done += kTestBlock) {
    const int length = std::min(kTestBlock, frames - done);
    plug.ProcessBlock(nullptr, pointers, length);
    for (int c = 0; c < 14; ++c)
      rendering.channels[static_cast<size_t>(c)].insert(rendering.channels[static_cast<size_t>(c)].end(), pointers[c],
                                                        pointers[c] + length);
  }
}

inline void SendNote(Vornell& plug, int channel, int note, int velocity, int offset = 0) {
  MidiMessage message;
  message.offset = offset;
  message.status = static_cast<uint8_t>((velocity > 0 ? 0x90 : 0x80) | (channel & 15));
  message.data1 = static_cast<uint8_t>(note);
  message.data2 = static_cast<uint8_t>(velocity);
  plug.OnMidiMessage(message);
}

// Puts track t on MIDI channel (0..15, 16 all, 17 none).
inline void SetTrackChannel(TestVornell& plug, int t, int channel) {
  plug.SetPlain(TrackParamIndex(t, kTrackChannel), channel);
}
