#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/Engine.h"
#include "engine/VoiceParamUnits.h"
#include "tests/support/SignalMeasures.h"

namespace enginetest {

// The values of a freshly initialised program, in voice-parameter order.
inline std::array<uint8_t, 37> InitProgram() {
  return {24,  0, 0, 0, 0, 0, 0, 0, 0, 0,   1, 0, 0, 128, 0, 0,   0, 0, 0,
          255, 0, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 255, 0, 255, 0, 0};
}

// An engine set up as the parameter defaults leave it: every track on all
// channels, monophonic with Cycle, centre pan, the init program.
class Rig {
 public:
  explicit Rig(double rate = 48000.0, int32_t block = 256, EngineHooks* hooks = nullptr) : engine(hooks) {
    engine.SetMasterGain(0.25);
    engine.SetBendRange(4 * 128.0);
    for (int32_t t = 0; t < Engine::kTrackCount; ++t) {
      engine.SetTrackChannel(t, Track::kAllChannels);
      engine.SetTrackVolume(t, 1.0);
      engine.SetTrackPan(t, 0.5);
      engine.GetTrack(t).lfo.wheelAmount = 1.0;
      auto program = InitProgram();
      LoadProgramValues(engine, t, program.data());
    }
    engine.OnReset(rate, block);
    for (auto& channel : out) channel.clear();
  }

  void Sound(int32_t track, std::array<uint8_t, 37> values) { LoadProgramValues(engine, track, values.data()); }

  void Midi(int32_t offset, int32_t status, int32_t data1, int32_t data2) {
    MidiMessage m;
    m.offset = offset;
    m.status = static_cast<uint8_t>(status);
    m.data1 = static_cast<uint8_t>(data1);
    m.data2 = static_cast<uint8_t>(data2);
    engine.OnMidiMessage(m);
  }

  // Renders one block and appends it to `out`.
  void Render(int32_t frames) {
    std::vector<std::vector<double>> block(Engine::kOutputCount, std::vector<double>(frames > 0 ? frames : 1, 99.0));
    double* pointers[Engine::kOutputCount];
    for (int32_t k = 0; k < Engine::kOutputCount; ++k) pointers[k] = block[k].data();
    engine.ProcessBlock(nullptr, pointers, frames);
    for (int32_t k = 0; k < Engine::kOutputCount; ++k)
      out[k].insert(out[k].end(), block[k].begin(), block[k].begin() + frames);
  }

  // Renders `frames` samples in blocks of `block`.
  void RenderBlocks(int32_t frames, int32_t block) {
    while (frames > 0) {
      int32_t n = frames < block ? frames : block;
      Render(n);
      frames -= n;
    }
  }

  Engine engine;
  std::array<std::vector<double>, Engine::kOutputCount> out;
};

}  // namespace enginetest
