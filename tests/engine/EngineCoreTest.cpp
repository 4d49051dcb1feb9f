// Block processing: outputs, message timing, controllers and resets.

#include <gtest/gtest.h>

#include "tests/engine/EngineTestSupport.h"

using enginetest::InitProgram;
using enginetest::Rig;

namespace {

struct CountingHooks : EngineHooks {
  void OnBlockStart(int32_t frames) override {
    ++blockStarts;
    lastFrames = frames;
  }
  void ClearArpeggiatorHold() override { ++holdClears; }
  int32_t blockStarts = 0;
  int32_t lastFrames = -1;
  int32_t holdClears = 0;
};

void OneTrackPerChannel(Engine& engine) {
  for (int32_t t = 0; t < 6; ++t) engine.SetTrackChannel(t, t);
}

}  // namespace

TEST(EngineOutputs, ATrackIsHeardOnTheSumAndItsOwnPairOnly) {
  Rig rig;
  OneTrackPerChannel(rig.engine);
  rig.Midi(0, 0x92, 60, 100);  // MIDI channel 3 -> track 3
  rig.RenderBlocks(4800, 256);
  for (int32_t k = 0; k < Engine::kOutputCount; ++k) {
    if (k == 0 || k == 1 || k == 6 || k == 7)
      EXPECT_GT(Rms(rig.out[k], 0, 4800), 0.01) << k;
    else
      EXPECT_EQ(Peak(rig.out[k], 0, 4800), 0.0) << k;
  }
  EXPECT_EQ(rig.out[0], rig.out[6]);
  EXPECT_EQ(rig.out[1], rig.out[7]);
}

TEST(EngineOutputs, PanAndVolumeSetTheTrackGains) {
  Rig rig;
  OneTrackPerChannel(rig.engine);
  rig.engine.SetTrackPan(0, 0.0);
  rig.Midi(0, 0x90, 60, 100);
  rig.RenderBlocks(2400, 256);
  EXPECT_GT(Rms(rig.out[0], 0, 2400), 0.01);
  EXPECT_EQ(Peak(rig.out[1], 0, 2400), 0.0);
  EXPECT_EQ(Peak(rig.out[3], 0, 2400), 0.0);
  Track& t = rig.engine.GetTrack(1);
  rig.engine.SetTrackVolume(1, 2.0);
  rig.engine.SetTrackPan(1, 0.5);
  EXPECT_DOUBLE_EQ(t.gainLeft, std::sqrt(0.5) * 2.0);
  EXPECT_DOUBLE_EQ(t.gainRight, std::sqrt(0.5) * 2.0);
}

TEST(EngineOutputs, TheClickIsHeardOnTheSumOnly) {
  Rig rig;
  rig.engine.SetClickEnabled(true);
  MidiMessage click;
  click.offset = 5;
  click.status = 0x90;
  click.data1 = 0x3C;
  click.data2 = 0x64;
  click.isClick = 1;
  ASSERT_TRUE(rig.engine.QueueMidiMessage(click));
  rig.RenderBlocks(2400, 256);
  EXPECT_GT(Peak(rig.out[0], 0, 2400), 0.01);
  EXPECT_EQ(rig.out[0], rig.out[1]);
  for (int32_t k = 2; k < Engine::kOutputCount; ++k) EXPECT_EQ(Peak(rig.out[k], 0, 2400), 0.0) << k;
  // The pulse starts at its offset (before it only the anti-denormal offset
  // moves the filter) and no voice was started.
  EXPECT_LT(Peak(rig.out[0], 0, 5), 1e-9);
  EXPECT_GT(std::fabs(rig.out[0][5]), 1e-6);
  EXPECT_FALSE(rig.engine.GetVoice(0).running);
}

TEST(EngineTiming, ANoteSoundsAtItsOffset) {
  for (int32_t offset : {0, 1, 47, 48, 100, 255}) {
    Rig rig;
    rig.Midi(offset, 0x90, 60, 100);
    rig.Render(256);
    EXPECT_EQ(FirstNonZero(rig.out[0]), offset);
  }
}

TEST(EngineTiming, ANoteInABlockStartingMidPeriodWaitsForTheNextTick) {
  Rig rig(44100.0, 256);
  ASSERT_EQ(rig.engine.ControlPeriod(), 44);
  rig.Render(14);  // a tick at 0, 30 samples of the period left
  ASSERT_EQ(rig.engine.ControlCountdown(), 30);
  rig.Midi(10, 0x90, 60, 100);
  rig.Render(100);
  EXPECT_EQ(FirstNonZero(rig.out[0]), 14 + 40);
}

TEST(EngineTiming, PitchBendTakesEffectAtTheNearestTick) {
  struct Case {
    int32_t offset;
    int32_t effectiveSample;
  };
  for (Case c : {Case{70, 88}, Case{44, 44}, Case{30, 0}}) {
    Rig rig(44100.0, 256);
    rig.Midi(c.offset, 0xE0, 0, 0x7F);
    double before = 0.0;
    if (c.effectiveSample > 0) {
      rig.Render(c.effectiveSample);
      before = rig.engine.GetTrack(0).bend;
    }
    rig.Render(1);
    EXPECT_EQ(before, 0.0) << c.offset;
    EXPECT_DOUBLE_EQ(rig.engine.GetTrack(0).bend, (63 * 128) / 8192.0 * 512.0) << c.offset;
  }
}

TEST(EngineTiming, MessagesWithTheSameOffsetKeepTheirOrder) {
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.Midi(20, 0x90, 60, 100);
  rig.Midi(20, 0x80, 60, 0);
  rig.Render(64);
  EXPECT_EQ(rig.engine.GetVoice(0).note, 60);
  EXPECT_FALSE(rig.engine.GetVoice(0).keyHeld);
  EXPECT_FALSE(rig.engine.GetVoice(0).active);

  Rig other;
  for (int32_t t = 1; t < 6; ++t) other.engine.SetTrackChannel(t, Track::kNoChannel);
  other.Midi(0, 0x90, 60, 100);
  other.Midi(20, 0x80, 60, 0);
  other.Midi(20, 0x90, 62, 100);
  other.Render(64);
  EXPECT_TRUE(other.engine.GetVoice(0).keyHeld);
  EXPECT_EQ(other.engine.GetVoice(0).note, 62);
}

TEST(EngineTiming, ANoteOnWithVelocityZeroIsANoteOff) {
  Rig rig;
  rig.Midi(0, 0x90, 60, 100);
  rig.Midi(10, 0x90, 60, 0);
  rig.Render(64);
  EXPECT_FALSE(rig.engine.GetVoice(0).keyHeld);
  EXPECT_FALSE(rig.engine.IsNoteHeld(0, 60));
}

TEST(EngineTiming, MessagesAcrossSeveralBlocksAndPeriods) {
  // Block sizes that do not divide the period: every note still lands at its
  // offset from the block start plus the wait for the period's tick.
  Rig rig(48000.0, 100);
  rig.Render(100);  // ticks at 0, 48, 96; 44 samples of the last period remain
  ASSERT_EQ(rig.engine.ControlCountdown(), 44);
  rig.Midi(3, 0x90, 60, 100);
  rig.Render(100);
  // Queued relative to the next tick (block sample 44): sounds at 44 + 3.
  EXPECT_EQ(FirstNonZero(std::vector<double>(rig.out[0].begin() + 100, rig.out[0].end())), 47);
}

TEST(EngineTiming, ASequencerMessageNeverOvertakesOneOfTheBlockBefore) {
  // A block that begins 40 samples before a tick holds its messages back by
  // 40, the next one, beginning on a tick, by nothing: a note-off at the start
  // of the second must still come after a note-on at the end of the first.
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.engine.SetTrackChannel(0, 0);
  rig.Render(8);
  ASSERT_EQ(rig.engine.ControlCountdown(), 40);
  rig.engine.QueueMidiMessage(MidiMessage{80, 0x90, 60, 100, 1, 0});
  rig.Render(88);
  ASSERT_EQ(rig.engine.ControlCountdown(), 0);
  rig.engine.QueueMidiMessage(MidiMessage{0, 0x80, 60, 0, 1, 0});
  rig.Render(256);
  EXPECT_EQ(rig.engine.GetVoice(0).note, 60);
  EXPECT_FALSE(rig.engine.GetVoice(0).keyHeld);
}

TEST(EngineTiming, AHostNoteOrPedalNeverOvertakesOneOfTheBlockBefore) {
  // Each block's messages wait for the period's next tick, so a block that
  // begins later in a period holds them back less. At every phase of the
  // period where the second block begins, a note-off or pedal-up early in it
  // must still come after the note-on or pedal-down late in the block before.
  for (double rate : {44100.0, 48000.0}) {
    for (int32_t lead = 0; lead < 48; ++lead) {
      for (int32_t before : {1, 3, 17}) {
        for (bool pedal : {false, true}) {
          Rig rig(rate);
          for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
          rig.engine.SetTrackChannel(0, 0);
          rig.Render(lead);
          constexpr int32_t kFirst = 80;
          rig.Midi(pedal ? 0 : kFirst - before, 0x90, 60, 100);
          if (pedal) rig.Midi(kFirst - before, 0xB0, 64, 127);
          rig.Render(kFirst);
          if (pedal) rig.Midi(0, 0xB0, 64, 0);
          rig.Midi(pedal ? 1 : 0, 0x80, 60, 0);
          rig.Render(256);
          const Voice& voice = rig.engine.GetVoice(0);
          EXPECT_TRUE(voice.note == 60 && !voice.keyHeld && !voice.sustained)
              << rate << " Hz, block after " << lead << ", " << before << " before its end, pedal " << pedal;
        }
      }
    }
  }
}

TEST(EngineControllers, AllSoundOffAndAllNotesOffSilenceAtOnceAndDropTheQueue) {
  for (int32_t controller : {120, 123}) {
    CountingHooks hooks;
    Rig rig(48000.0, 256, &hooks);
    rig.Midi(0, 0x90, 60, 100);
    rig.Midi(0, 0x91, 64, 100);
    rig.Render(256);
    ASSERT_GT(Rms(rig.out[0], 128, 256), 0.01);
    rig.Midi(100, 0x90, 67, 100);  // queued for later in the block
    rig.Midi(50, 0xB0, 1, 127);
    rig.Midi(200, 0xB0, controller, 0);
    EXPECT_EQ(rig.engine.InputQueue().Count(), 0);
    rig.Render(256);
    EXPECT_EQ(Peak(rig.out[0], 256, 512), 0.0) << controller;
    for (int32_t v = 0; v < Engine::kVoiceCount; ++v) EXPECT_FALSE(rig.engine.GetVoice(v).active);
    EXPECT_EQ(rig.engine.GetTrack(0).modWheel, 0.0);
    EXPECT_FALSE(rig.engine.IsNoteHeld(0, 60));
    EXPECT_GE(hooks.holdClears, 1);
  }
}

TEST(EngineControllers, WheelAndBendReachTheTracksOnTheirChannel) {
  Rig rig;
  rig.engine.SetTrackChannel(0, 0);
  rig.engine.SetTrackChannel(1, Track::kAllChannels);
  rig.engine.SetTrackChannel(2, 1);
  rig.engine.SetTrackChannel(3, Track::kNoChannel);
  rig.Midi(0, 0xB0, 1, 127);
  rig.Midi(0, 0xE0, 0, 0);
  rig.Render(64);
  EXPECT_EQ(rig.engine.GetTrack(0).modWheel, 1.0);
  EXPECT_EQ(rig.engine.GetTrack(1).modWheel, 1.0);
  EXPECT_EQ(rig.engine.GetTrack(2).modWheel, 0.0);
  EXPECT_EQ(rig.engine.GetTrack(3).modWheel, 0.0);
  EXPECT_EQ(rig.engine.GetTrack(0).bend, -512.0);
  EXPECT_EQ(rig.engine.GetTrack(1).bend, -512.0);
  EXPECT_EQ(rig.engine.GetTrack(2).bend, 0.0);
}

TEST(EngineControllers, ResetAllControllersCentresBendAndWheelAndLiftsThePedalOfItsChannel) {
  Rig rig;
  rig.engine.SetTrackChannel(0, 0);
  rig.engine.SetTrackChannel(1, Track::kAllChannels);
  rig.engine.SetTrackChannel(2, 1);
  for (int32_t t = 3; t < Engine::kTrackCount; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  for (int32_t channel : {0, 1}) {
    rig.Midi(0, 0xB0 + channel, 1, 127);
    rig.Midi(0, 0xE0 + channel, 0, 0);
  }
  rig.Midi(0, 0xB0, 64, 127);
  rig.Midi(0, 0x90, 60, 100);
  rig.Midi(10, 0x80, 60, 0);
  rig.Render(256);
  rig.Midi(0, 0xB0, 121, 0);
  rig.RenderBlocks(9600, 256);
  for (int32_t t : {0, 1}) {
    EXPECT_EQ(rig.engine.GetTrack(t).bend, 0.0) << t;
    EXPECT_EQ(rig.engine.GetTrack(t).modWheel, 0.0) << t;
  }
  EXPECT_EQ(rig.engine.GetTrack(2).bend, -512.0);
  EXPECT_EQ(rig.engine.GetTrack(2).modWheel, 1.0);
  for (int32_t v = 0; v < Engine::kVoiceCount; ++v) EXPECT_FALSE(rig.engine.GetVoice(v).active) << v;
}

TEST(EngineControllers, MappedControllersSetParametersOfTheTracksOnTheChannel) {
  struct ParamHooks : EngineHooks {
    double GetParameterNormalized(int32_t index) override { return index == 3 ? 0.0 : 0.5; }
    void SetParameterFromController(int32_t index, double normalized) override { sets.push_back({index, normalized}); }
    std::vector<std::pair<int32_t, double>> sets;
  };
  ParamHooks hooks;
  hooks.sets.reserve(16);
  Rig rig(48000.0, 256, &hooks);
  rig.engine.SetTrackChannel(0, 0);
  rig.engine.SetTrackChannel(1, 1);
  rig.engine.SetTrackChannel(2, Track::kAllChannels);
  rig.engine.SetTrackChannel(3, 1);
  rig.engine.SetTrackChannel(4, Track::kNoChannel);
  rig.engine.SetTrackChannel(5, Track::kNoChannel);
  rig.engine.SetControllerMapping(7, 3);         // a global parameter
  rig.engine.SetControllerMapping(74, 81 + 19);  // track 1's cutoff
  rig.Midi(0, 0xB1, 7, 127);
  rig.Midi(0, 0xB1, 74, 0);
  rig.Midi(0, 0xB1, 75, 10);  // unmapped
  rig.Render(64);
  ASSERT_EQ(hooks.sets.size(), 4u);
  EXPECT_EQ(hooks.sets[0], (std::pair<int32_t, double>{3, 1.0}));
  // MIDI channel 2 is heard by tracks 2, 3 (all channels) and 4, in list order.
  EXPECT_EQ(hooks.sets[1], (std::pair<int32_t, double>{81 + 37 * 1 + 19, 0.0}));
  EXPECT_EQ(hooks.sets[2].first, 81 + 37 * 2 + 19);
  EXPECT_EQ(hooks.sets[3].first, 81 + 37 * 3 + 19);
  // With "Receive Parameter CCs" an unmapped controller c drives parameter c + 79.
  hooks.sets.clear();
  rig.engine.SetReceiveParameterControllers(true);
  rig.Midi(0, 0xB0, 100, 0);
  rig.Midi(0, 0xB0, 0, 100);  // bank select stays ignored
  rig.Render(64);
  // MIDI channel 1 is heard by tracks 1 and 3 (all channels).
  ASSERT_EQ(hooks.sets.size(), 2u);
  EXPECT_EQ(hooks.sets[0].first, 81 + (179 - 81) % 37);
  EXPECT_EQ(hooks.sets[1].first, 81 + 37 * 2 + (179 - 81) % 37);
}

TEST(EngineBlocks, AZeroFrameBlockStillRunsTheBlockStart) {
  CountingHooks hooks;
  Rig rig(48000.0, 256, &hooks);
  rig.Render(0);
  EXPECT_EQ(hooks.blockStarts, 1);
  EXPECT_EQ(hooks.lastFrames, 0);
}

TEST(EngineBlocks, SampleRatesBelowOneKilohertzStillProgress) {
  Rig rig(500.0, 64);
  EXPECT_EQ(rig.engine.ControlPeriod(), 1);
  rig.Midi(3, 0x90, 40, 100);
  rig.Render(64);
  EXPECT_EQ(FirstNonZero(rig.out[0]), 3);
}

TEST(EngineBlocks, ResetAtTheSameRateKeepsVoicesAndAChangedRateSilences) {
  Rig rig;
  rig.Midi(0, 0x90, 60, 100);
  rig.Render(256);
  rig.engine.OnReset(48000.0, 512);
  EXPECT_TRUE(rig.engine.GetVoice(0).active);
  rig.engine.OnReset(96000.0, 512);
  EXPECT_FALSE(rig.engine.GetVoice(0).active);
  EXPECT_EQ(rig.engine.ControlPeriod(), 96);
  rig.Midi(0, 0x90, 69, 100);
  rig.Render(512);
  rig.RenderBlocks(48000, 512);
  EXPECT_NEAR(ZeroCrossingFrequency(rig.out[0], 20000, rig.out[0].size(), 96000.0), 440.0, 1.0);
}

TEST(EngineBlocks, NullOutputsAreSkipped) {
  Rig rig;
  std::vector<double> left(256, 0.0);
  double* outputs[Engine::kOutputCount] = {left.data()};
  rig.Midi(0, 0x90, 60, 100);
  rig.engine.ProcessBlock(nullptr, outputs, 256);
  EXPECT_GT(Peak(left, 0, 256), 0.0);
}

TEST(EngineMidiInput, AHostMessageBeforeTheBlockDoesNotHoldUpLaterNotes) {
  Rig rig;
  rig.Midi(-5, 0x90, 60, 100);
  rig.Midi(10, 0x91, 64, 100);
  rig.Render(64);
  EXPECT_EQ(FirstNonZero(rig.out[0]), 0);
  EXPECT_TRUE(rig.engine.GetVoice(1).keyHeld);
}

TEST(EngineMidiInput, TheQueueGrowsAndKeepsOrder) {
  Rig rig(48000.0, 64);
  int32_t initial = rig.engine.InputQueue().Capacity();
  for (int32_t i = 0; i < initial + 10; ++i) rig.Midi(1000 - (i % 7), 0xB0, 7, i & 127);
  EXPECT_EQ(rig.engine.InputQueue().Count(), initial + 10);
  EXPECT_GT(rig.engine.InputQueue().Capacity(), initial);
  int32_t previous = -1;
  for (int32_t i = 0; i < rig.engine.InputQueue().Count(); ++i) {
    EXPECT_GE(rig.engine.InputQueue().At(i).offset, previous);
    previous = rig.engine.InputQueue().At(i).offset;
  }
}

TEST(EngineMidiInput, PressureAndSystemMessagesAreIgnored) {
  Rig rig;
  rig.Midi(0, 0xA0, 60, 100);
  rig.Midi(0, 0xD0, 60, 0);
  rig.Midi(0, 0xF8, 0, 0);
  rig.Midi(0, 0x70, 0, 0);
  EXPECT_EQ(rig.engine.InputQueue().Count(), 0);
}
