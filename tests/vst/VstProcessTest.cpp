// The process callbacks: the three paths, block lengths, sample-accurate
// events, pins switched off by speaker arrangements, calls in odd states and
// automation racing the audio thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "tests/vst/TestHost.h"
#include "tests/vst/TestInstrumentHooks.h"

namespace {

VstTestCountersRecord Counters(TestHost& host) {
  VstTestCountersRecord record{};
  TestHost::Hook<VstTestCountersProc>("VstTestCounters")(host.Effect(), &record);
  return record;
}

void Prepare(TestHost& host, float rate, intptr_t block) {
  ASSERT_TRUE(host.Create());
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
  host.Dispatch(effSetBlockSize, 0, block);
  host.Dispatch(effOpen);
  host.Dispatch(effMainsChanged, 0, 1);
}

int FirstNonZero(const std::vector<float>& samples) {
  for (size_t i = 0; i < samples.size(); ++i)
    if (samples[i] != 0.0f) return static_cast<int>(i);
  return -1;
}

double Rms(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float s : samples) sum += double(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

}  // namespace

TEST(VstProcess, NoteStartsOnItsSampleAndGoesToItsTrackPair) {
  TestHost host;
  Prepare(host, 48000.0f, 512);
  // Channel 3 plays on track 4 (pins 8 and 9).
  ASSERT_EQ(host.SendMidi({{0x93, 69, 127, 100}}), 1);
  auto out = host.ProcessFloat(512);
  EXPECT_EQ(FirstNonZero(out[0]), 101);  // sin(0) is 0 at the note's first sample
  EXPECT_EQ(out[0], out[1]);
  EXPECT_EQ(out[8], out[0]);
  EXPECT_EQ(out[9], out[0]);
  for (int pin : {2, 3, 4, 5, 6, 7, 10, 11, 12, 13}) EXPECT_EQ(FirstNonZero(out[pin]), -1) << pin;
  // Gain 0.5 and full velocity: a sine of amplitude 0.5.
  std::vector<float> tail(out[0].begin() + 200, out[0].end());
  EXPECT_NEAR(Rms(tail), 0.5 / std::sqrt(2.0), 0.01);

  ASSERT_EQ(host.SendMidi({{0x83, 69, 0, 300}}), 1);
  out = host.ProcessFloat(512);
  for (int i = 300; i < 512; ++i) ASSERT_EQ(out[0][i], 0.0f) << i;
  EXPECT_NE(out[0][299], 0.0f);
}

TEST(VstProcess, AnyBlockLengthRendersTheSameSignal) {
  // One long call as the reference; the same note through calls of every
  // length from 1 to 4096 frames must give identical samples.
  const int total = 12000;
  TestHost reference;
  Prepare(reference, 44100.0f, 1024);
  reference.SendMidi({{0x90, 57, 100, 5}});
  std::vector<float> expected;
  for (int done = 0; done < total; done += 4000) {
    auto out = reference.ProcessFloat(4000);  // longer than the announced block: split inside
    expected.insert(expected.end(), out[0].begin(), out[0].end());
  }
  EXPECT_LE(Counters(reference).maxPiece, 1024);

  const int lengths[] = {1, 2, 3, 17, 255, 256, 257, 1000, 1023, 1024, 1025, 2048, 4096};
  for (int length : lengths) {
    SCOPED_TRACE(length);
    TestHost host;
    Prepare(host, 44100.0f, 1024);
    host.SendMidi({{0x90, 57, 100, 5}});
    std::vector<float> got;
    while (static_cast<int>(got.size()) < total) {
      int frames = std::min(length, total - static_cast<int>(got.size()));
      auto out = host.ProcessFloat(frames);
      for (float s : out[0]) ASSERT_TRUE(std::isfinite(s));
      got.insert(got.end(), out[0].begin(), out[0].end());
    }
    ASSERT_EQ(got, expected);
    EXPECT_LE(Counters(host).maxPiece, 1024);
  }
}

TEST(VstProcess, EventsBeyondTheFirstPieceOfALongBlockKeepTheirSample) {
  TestHost host;
  Prepare(host, 44100.0f, 256);
  host.SendMidi({{0x90, 69, 127, 700}});
  auto out = host.ProcessFloat(1000);
  EXPECT_EQ(FirstNonZero(out[0]), 701);
  EXPECT_EQ(Counters(host).maxPiece, 256);
}

TEST(VstProcess, FloatAndDoublePathsAgreeAndAccumulatingAdds) {
  TestHost a, b, c;
  for (TestHost* host : {&a, &b, &c}) {
    Prepare(*host, 44100.0f, 512);
    host->SendMidi({{0x90, 64, 90, 3}, {0x92, 71, 60, 40}});
  }
  for (int block = 0; block < 6; ++block) {
    auto floats = a.ProcessFloat(512);
    auto doubles = b.ProcessDouble(512);
    auto accumulated = c.ProcessFloat(512, true, 0.25f);
    for (int pin = 0; pin < 14; ++pin) {
      for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(floats[pin][i], static_cast<float>(doubles[pin][i])) << pin << " " << i;
        ASSERT_NEAR(accumulated[pin][i], 0.25f + floats[pin][i], 1e-6f) << pin << " " << i;
      }
    }
  }
  EXPECT_GT(Rms(a.ProcessFloat(512)[0]), 0.1);
}

TEST(VstProcess, SpeakerArrangementSwitchesPinsOffAndTheyTakeNoHostBuffer) {
  TestHost host;
  Prepare(host, 44100.0f, 256);
  // Stereo only: the host then passes just two output buffers.
  VstSpeakerArrangement input{};
  input.type = kSpeakerArrEmpty;
  VstSpeakerArrangement output{};
  output.type = kSpeakerArrStereo;
  output.numChannels = 2;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 1);
  host.SendMidi({{0x91, 69, 127, 0}});
  std::vector<float> left(256, 7.0f), right(256, 7.0f);
  float* two[] = {left.data(), right.data()};  // exactly two pointers: reading a third is a fault
  host.Effect()->processReplacing(host.Effect(), nullptr, two, 256);
  EXPECT_GT(Rms(left), 0.1);
  EXPECT_EQ(left, right);
  std::vector<double> dleft(256, 7.0), dright(256, 7.0);
  double* dtwo[] = {dleft.data(), dright.data()};
  host.Effect()->processDoubleReplacing(host.Effect(), nullptr, dtwo, 256);
  EXPECT_GT(std::fabs(dleft[100]), 0.0);
  EXPECT_NE(dleft[0], 7.0);

  // Back to all fourteen; a negative count is treated as none.
  output.numChannels = 14;
  host.Dispatch(effSetSpeakerArrangement, 0, 0, &output);
  auto all = host.ProcessFloat(256);
  EXPECT_GT(Rms(all[4]), 0.1);  // channel 1 is track 2: pins 4 and 5
  output.numChannels = -4;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, 0, &output), 1);
  host.Effect()->processReplacing(host.Effect(), nullptr, nullptr, 256);
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST(VstProcess, CallsBeforeOpenAndAfterSuspendAreSafe) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  // The order some hosts use: identify, rate and block size, deprecated pin
  // calls, even processing, all before effOpen.
  EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
  host.Dispatch(effSetBlockSize, 0, 64);
  host.Dispatch(effConnectInput, 0, 1);
  host.Dispatch(effConnectOutput, 3, 1);
  host.Dispatch(effSetBlockSizeAndSampleRate, 0, 128, nullptr, 22050.0f);
  host.Dispatch(effGetVu);
  host.Dispatch(effEditIdle);
  host.Dispatch(effIdle);
  EXPECT_FALSE(host.GetChunk(0).empty());
  host.Set(kParamGain, 0.7f);
  host.SendMidi({{0x90, 60, 100, 0}});
  auto early = host.ProcessFloat(200);
  for (float s : early[0]) ASSERT_TRUE(std::isfinite(s));
  VstTestCountersRecord counters = Counters(host);
  EXPECT_EQ(counters.sampleRate, 96000.0);
  EXPECT_EQ(counters.blockSize, 64);
  EXPECT_LE(counters.maxPiece, 64);

  // Nonsense rates and sizes are not taken.
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, std::nanf(""));
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, 1e30f);
  host.Dispatch(effSetBlockSize, 0, 0);
  host.Dispatch(effSetBlockSize, 0, -5);
  counters = Counters(host);
  EXPECT_EQ(counters.sampleRate, 96000.0);
  EXPECT_EQ(counters.blockSize, 64);

  host.Dispatch(effOpen);
  host.Dispatch(effMainsChanged, 0, 1);
  host.ProcessFloat(64);
  const int resetsBefore = Counters(host).resets;
  host.Dispatch(effMainsChanged, 0, 0);
  EXPECT_EQ(Counters(host).resets, resetsBefore + 1);
  // Suspended: hosts still process, automate, ask and change sizes.
  auto late = host.ProcessFloat(64);
  for (float s : late[0]) ASSERT_TRUE(std::isfinite(s));
  host.Set(kParamTranspose, 0.25f);
  host.Dispatch(effSetBlockSize, 0, 2048);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  host.ProcessDouble(2048);
  host.Dispatch(effMainsChanged, 0, 0);
  EXPECT_EQ(Counters(host).blockSize, 2048);
  host.Close();
}

TEST(VstProcess, WantMidiIsAskedBeforeEveryBlock) {
  TestHost host;
  Prepare(host, 44100.0f, 128);
  host.ClearCalls();
  host.ProcessFloat(128);
  host.ProcessDouble(128);
  host.ProcessFloat(128, true);
  EXPECT_EQ(host.CountCalls(audioMasterWantMidi), 3);
}

TEST(VstProcess, AutomationFromAnotherThreadNeverOverlapsABlock) {
  TestHost host;
  Prepare(host, 44100.0f, 256);
  host.SendMidi({{0x90, 60, 100, 0}, {0x91, 64, 100, 0}, {0x92, 67, 100, 0}});
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    int n = 0;
    while (!stop.load()) {
      host.Set(n % 4, static_cast<float>((n % 100) / 100.0));
      (void)host.Get((n + 1) % 4);
      if (n % 50 == 0) host.Text(effGetParamDisplay, n % 4);
      ++n;
    }
  });
  std::thread midi([&] {
    while (!stop.load()) host.SendMidi({{0xB0, 1, 64, 0}});
  });
  for (int block = 0; block < 1500; ++block) {
    if (block % 2) {
      host.ProcessFloat(256);
    } else {
      host.ProcessDouble(256);
    }
  }
  stop.store(true);
  automation.join();
  midi.join();
  VstTestCountersRecord counters = Counters(host);
  EXPECT_EQ(counters.overlaps, 0);
  EXPECT_GT(counters.paramChanges, 0);
  EXPECT_GE(counters.blocks, 1500);
}

TEST(VstProcess, InstancesCreatedOnManyThreadsAreIndependent) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < 5; ++round) {
        TestHost host;
        if (!host.Create()) {
          ++failures;
          continue;
        }
        host.Dispatch(effOpen);
        host.Set(kParamGain, 0.1f * (t + 1));
        if (std::fabs(host.Get(kParamGain) - 0.1f * (t + 1)) > 1e-6f) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}
