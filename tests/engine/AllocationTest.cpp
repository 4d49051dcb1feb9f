// Steady-state rendering must not touch the heap. This executable links the
// allocation counter, which replaces the global allocation functions.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/engine/EngineTestSupport.h"
#include "tests/support/AllocationCounter.h"

TEST(Allocation, CountingSeesAnAllocation) {
  int64_t counted = 0;
  std::vector<int>* probe = nullptr;
  {
    AllocationWindow window;
    probe = new std::vector<int>(10);
    counted = window.Count();
  }
  delete probe;
  EXPECT_GE(counted, 1);
}

TEST(Allocation, SteadyStateRenderingDoesNotAllocate) {
  enginetest::Rig rig(48000.0, 256);
  Engine& engine = rig.engine;
  engine.SetTrackMode(0, Track::kPolyphonic);
  engine.SetTrackVoiceParam(0, Voice::kVoiceMode, 1.0);
  engine.SetClickEnabled(true);
  std::vector<double> buffers(Engine::kOutputCount * 256);
  double* outputs[Engine::kOutputCount];
  for (int32_t k = 0; k < Engine::kOutputCount; ++k) outputs[k] = buffers.data() + k * 256;
  auto message = [](int32_t offset, int32_t status, int32_t d1, int32_t d2) {
    MidiMessage m;
    m.offset = offset;
    m.status = static_cast<uint8_t>(status);
    m.data1 = static_cast<uint8_t>(d1);
    m.data2 = static_cast<uint8_t>(d2);
    return m;
  };
  // Warm up: every path once.
  engine.ProcessBlock(nullptr, outputs, 256);

  int64_t counted = 0;
  {
    AllocationWindow window;
    for (int32_t block = 0; block < 400; ++block) {
      int32_t note = 40 + (block * 7) % 40;
      engine.OnMidiMessage(message(block % 200, 0x90, note, 100));
      engine.OnMidiMessage(message(30, 0xE0, block & 127, 64));
      engine.OnMidiMessage(message(70, 0xB0, 1, block & 127));
      engine.OnMidiMessage(message(90, 0xB0, 64, (block & 8) ? 127 : 0));
      engine.QueueMidiMessage(MidiMessage{10, 0x90, 0x3C, 0x64, 0, 1});
      if (block % 3 == 0) engine.OnMidiMessage(message(200, 0x80, 40 + ((block - 9) * 7) % 40, 0));
      if (block % 97 == 0) engine.OnMidiMessage(message(0, 0xB0, 123, 0));
      engine.ProcessBlock(nullptr, outputs, block % 5 == 0 ? 100 : 256);
    }
    counted = window.Count();
  }
  EXPECT_EQ(counted, 0);
}
