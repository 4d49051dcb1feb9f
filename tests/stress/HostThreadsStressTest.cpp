// The instrument driven from several threads at once, the way hosts do: one
// audio thread renders blocks with MIDI while others automate parameters,
// switch presets, save and restore chunks, and open, idle and close the
// editor. Built with ThreadSanitizer (preset "tsan") this finds data races;
// in every build it finds deadlocks (a watchdog ends a stuck run) and
// non-finite audio.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "editor/VornellEditor.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/HeadlessWindowSystem.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "plugin/VstAbi.h"
#include "programs/ParameterTable.h"
#include "tests/support/HostedInstrument.h"
#include "tests/support/SignalMeasures.h"

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr auto kRunTime = std::chrono::milliseconds(4000);
#else
constexpr auto kRunTime = std::chrono::milliseconds(1500);
#endif
// Far beyond any healthy run, even under the race detector.
constexpr auto kWatchdogLimit = std::chrono::seconds(120);
constexpr int32_t kBlock = 256;
constexpr uintptr_t kParentWindow = 0x4711;

// Ends the process when the threads have not finished in time: a deadlock
// must fail the run, not hang it.
class Watchdog {
 public:
  Watchdog() : thread([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
    }
    wake.notify_all();
    thread.join();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex);
    if (!wake.wait_for(lock, kWatchdogLimit, [this] { return finished; })) {
      std::fprintf(stderr, "watchdog: the threads are stuck (deadlock?)\n");
      std::abort();
    }
  }
  std::mutex mutex;
  std::condition_variable wake;
  bool finished = false;
  std::thread thread;
};

class HostThreadsStress : public ::testing::Test {
 protected:
  void SetUp() override {
    VornellEditor::SetWindowSystemFactory([] { return std::make_unique<HeadlessWindowSystem>(); });
    instrument = std::make_unique<HostedInstrument>(44100.0, kBlock);
    plug = instrument->plug;
    effect = instrument->effect;
  }
  void TearDown() override {
    instrument.reset();
    VornellEditor::SetWindowSystemFactory(nullptr);
  }
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return instrument->Dispatch(opcode, index, value, ptr, opt);
  }

  std::unique_ptr<HostedInstrument> instrument;
  Vornell* plug = nullptr;
  AEffect* effect = nullptr;
};

TEST_F(HostThreadsStress, AudioAutomationPresetsChunksAndEditorTogether) {
  // The bank as it was before the threads, to come back to at the end.
  std::vector<uint8_t> startBank;
  {
    void* data = nullptr;
    const intptr_t size = Dispatch(effGetChunk, 0, 0, &data);
    ASSERT_GT(size, 0);
    startBank.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  }
  Watchdog watchdog;
  std::atomic<bool> stop{false};
  std::atomic<int64_t> blocks{0}, automations{0}, presetChanges{0}, chunkRounds{0}, editorSessions{0};
  std::atomic<int64_t> nonFinite{0};
  std::atomic<int64_t> refusedChunks{0};

  // The audio thread: notes on all six channels, controllers and pitch bend,
  // every block; Mode moves to the sequencer and the arpeggiator now and then
  // through the automation thread.
  std::thread audio([&] {
    std::vector<std::vector<float>> out(static_cast<size_t>(effect->numOutputs), std::vector<float>(kBlock));
    std::vector<float*> pointers;
    for (auto& channel : out) pointers.push_back(channel.data());
    MidiList midi;
    std::mt19937 random(11);
    int64_t n = 0;
    while (!stop.load()) {
      midi.Clear();
      const uint8_t channel = static_cast<uint8_t>(n % 6);
      const uint8_t note = static_cast<uint8_t>(36 + random() % 48);
      midi.Add(static_cast<uint8_t>(0x90 | channel), note, static_cast<uint8_t>(1 + random() % 127), 5);
      midi.Add(static_cast<uint8_t>(0x80 | ((channel + 2) % 6)), static_cast<uint8_t>(36 + random() % 48), 0, 100);
      midi.Add(static_cast<uint8_t>(0xB0 | channel), 1, static_cast<uint8_t>(random() % 128), 60);
      midi.Add(static_cast<uint8_t>(0xE0 | channel), 0, static_cast<uint8_t>(random() % 128), 120);
      if (n % 97 == 0) midi.Add(static_cast<uint8_t>(0xB0 | channel), 123, 0, 200);  // all notes off
      Dispatch(effProcessEvents, 0, 0, midi.Events());
      effect->processReplacing(effect, nullptr, pointers.data(), kBlock);
      for (const auto& c : out)
        for (float s : c)
          if (!std::isfinite(s)) nonFinite.fetch_add(1);
      ++n;
      blocks.store(n);
    }
  });

  // Automation, partly from "the host's audio thread" style callers: any
  // parameter, any value, read back at once.
  std::thread automation([&] {
    std::mt19937 random(5);
    while (!stop.load()) {
      const int32_t index = static_cast<int32_t>(random() % static_cast<uint32_t>(effect->numParams));
      const float value = static_cast<float>(random() % 1001) / 1000.0f;
      effect->setParameter(effect, index, value);
      const float back = effect->getParameter(effect, index);
      if (!std::isfinite(back)) nonFinite.fetch_add(1);
      automations.fetch_add(1);
      if (automations.load() % 32 == 0) std::this_thread::yield();
    }
  });

  // Preset changes and chunk round trips (program and bank chunks), as a
  // host saving and restoring a project while the song plays.
  std::thread presets([&] {
    std::mt19937 random(3);
    while (!stop.load()) {
      Dispatch(effSetProgram, 0, static_cast<intptr_t>(random() % static_cast<uint32_t>(effect->numPrograms)));
      presetChanges.fetch_add(1);
      const int32_t bank = static_cast<int32_t>(random() % 2 == 0);
      void* data = nullptr;
      const intptr_t size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
      if (size > 0 && data) {
        std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        if (!Dispatch(effSetChunk, bank ? 0 : 1, static_cast<intptr_t>(copy.size()), copy.data()))
          refusedChunks.fetch_add(1);
        chunkRounds.fetch_add(1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  // The editor: opened into a parent window, idled for a while, closed. (The
  // whole panel redraws at almost every tick here, since automation and
  // presets keep changing it: few ticks per session leave time for several
  // sessions even under ThreadSanitizer.)
  std::thread editor([&] {
    while (!stop.load()) {
      if (!Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(kParentWindow))) continue;
      auto* window = static_cast<HeadlessWindowSystem*>(VornellEditor::Of(*plug)->Graphics()->WindowSystem());
      for (int i = 0; i < 4 && !stop.load(); ++i) {
        window->AdvanceTime(30);
        Dispatch(effEditIdle);
        Dispatch(effIdle);
      }
      Dispatch(effEditClose);
      editorSessions.fetch_add(1);
    }
  });

  std::this_thread::sleep_for(kRunTime);
  stop.store(true);
  audio.join();
  automation.join();
  presets.join();
  editor.join();

  EXPECT_EQ(nonFinite.load(), 0);
  EXPECT_EQ(refusedChunks.load(), 0) << "a chunk the plug-in had just written was refused";
  // Every thread got its turns: none was starved by another holding the lock.
  EXPECT_GT(blocks.load(), 20);
  EXPECT_GT(automations.load(), 100);
  EXPECT_GT(presetChanges.load(), 5);
  EXPECT_GT(chunkRounds.load(), 5);
  EXPECT_GT(editorSessions.load(), 2);
  // Still a working instrument afterwards: with the first bank back, a note sounds.
  ASSERT_NE(Dispatch(effSetChunk, 0, static_cast<intptr_t>(startBank.size()), startBank.data()), 0);
  MidiList midi;
  Dispatch(effSetProgram, 0, 0);
  midi.Add(0x90, 60, 110, 0);
  Dispatch(effProcessEvents, 0, 0, midi.Events());
  std::vector<std::vector<float>> out(static_cast<size_t>(effect->numOutputs), std::vector<float>(kBlock));
  std::vector<float*> pointers;
  for (auto& channel : out) pointers.push_back(channel.data());
  double peak = 0.0;
  for (int b = 0; b < 40; ++b) {
    effect->processReplacing(effect, nullptr, pointers.data(), kBlock);
    for (const auto& c : out) peak = std::max(peak, Peak(c));
  }
  EXPECT_GT(peak, 1e-4);
  EXPECT_TRUE(std::isfinite(peak));
}

// Font and cairo caches are process-wide; emptied at the end for the leak checker.
class GraphicsCleanupEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    EmptyGraphicsCaches();
    cairo_debug_reset_static_data();
    FcFini();
  }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new GraphicsCleanupEnvironment);

}  // namespace
