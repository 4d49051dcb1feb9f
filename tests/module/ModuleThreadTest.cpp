// Hosts call from two threads: automation on the user-interface thread while
// the audio thread processes; and they create instances in parallel.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "tests/module/ModuleSupport.h"

namespace {

TEST(ModuleThreads, AutomationWhileProcessing) {
  auto host = OpenInstance(44100.0, 256);
  ASSERT_TRUE(host);
  GiveEachTrackItsChannel(*host);
  AEffect* effect = host->Effect();
  const int32_t mode = ParamIndex(*host, "Mode");
  ASSERT_GE(mode, 0);

  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::atomic<bool> finite{true};
  std::thread audio([&] {
    std::vector<std::vector<float>> out(14, std::vector<float>(256));
    std::vector<float*> pointers;
    for (auto& c : out) pointers.push_back(c.data());
    int note = 0;
    while (!stop) {
      if (blocks % 20 == 0)
        host->SendMidi(
            {{static_cast<uint8_t>(0x90 | (note % 6)), static_cast<uint8_t>(48 + note % 24), 100, 3},
             {static_cast<uint8_t>(0x80 | ((note + 3) % 6)), static_cast<uint8_t>(48 + (note + 21) % 24), 0, 100}});
      ++note;
      effect->processReplacing(effect, nullptr, pointers.data(), 256);
      for (const auto& c : out)
        for (float s : c)
          if (!std::isfinite(s)) finite = false;
      ++blocks;
    }
  });

  // Every parameter but the Mode (whose sequencer modes would end the notes)
  // moves while blocks are rendered; each last value must stick.
  std::mt19937 random(7);
  std::vector<float> last(303, -1.0f);
  for (int round = 0; round < 4000 || blocks < 200; ++round) {
    int32_t index = std::uniform_int_distribution<int32_t>(0, 302)(random);
    if (index == mode) continue;
    const float value = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    effect->setParameter(effect, index, value);
    last[index] = effect->getParameter(effect, index);
    if (round % 64 == 0) std::this_thread::yield();
  }
  stop = true;
  audio.join();
  EXPECT_TRUE(finite);
  EXPECT_GE(blocks.load(), 200);
  // Program parameters load sounds into voice parameters, so only the values
  // the automation wrote after the last program change can be compared: the
  // global and track parameters.
  for (int32_t i = 0; i < 81; ++i)
    if (last[i] >= 0.0f && (i < 7 || i >= 37)) {
      EXPECT_EQ(effect->getParameter(effect, i), last[i]) << i;
    }
}

TEST(ModuleThreads, InstancesCreatedInParallelAreWhole) {
  constexpr int kThreads = 4;
  std::vector<std::unique_ptr<TestHost>> hosts(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([&hosts, t] { hosts[t] = OpenInstance(); });
  for (std::thread& thread : threads) thread.join();
  std::vector<uint8_t> firstBank;
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_TRUE(hosts[t]) << t;
    const std::vector<uint8_t> bank = hosts[t]->GetChunk(0);
    ASSERT_FALSE(bank.empty());
    if (t == 0) firstBank = bank;
    EXPECT_EQ(bank, firstBank) << "instance " << t << " started from another state";
    const Channels out = Render(*hosts[t], {{0, 0x90, 60, 100}}, 8000);
    EXPECT_GT(Rms(out[0], 2000), 1e-4) << t;
  }
}

}  // namespace
