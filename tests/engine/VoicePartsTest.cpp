// The voice's parts and the engine's small components on their own.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/BandLimitedTables.h"
#include "engine/ClickGenerator.h"
#include "engine/MidiInputQueue.h"
#include "engine/SemitoneFrequencyTable.h"
#include "engine/TrackLfo.h"
#include "tests/engine/EngineTestSupport.h"

using enginetest::Rig;

TEST(Oscillator, MixGainKeepsTheSumOfWaveformsLevel) {
  Rig rig;
  Oscillator& osc = rig.engine.GetVoice(0).osc;
  struct Case {
    bool saw, triangle, pulse;
    double gain;
  };
  for (Case c : {Case{true, false, false, 1.0}, Case{false, true, false, 1.0}, Case{false, false, true, 1.0},
                 Case{true, true, false, 2.0 / 3.0}, Case{true, false, true, 2.0 / 3.0},
                 Case{false, true, true, 2.0 / 3.0}, Case{true, true, true, 4.0 / 9.0}}) {
    osc.sawtoothOn = c.saw;
    osc.triangleOn = c.triangle;
    osc.pulseOn = c.pulse;
    osc.SetPitch(60 * 128);
    EXPECT_NEAR(osc.mixGain, c.gain, 1e-15);
  }
}

TEST(Oscillator, ANonPositivePitchSilencesItAndHighPitchesUseFewerHarmonics) {
  Rig rig;
  Oscillator& osc = rig.engine.GetVoice(0).osc;
  osc.SetPitch(-5.0);
  EXPECT_EQ(osc.sawTable, nullptr);
  const BandLimitedTables& tables = BandLimitedTables::Get();
  osc.SetPitch(0.5 * 128);
  EXPECT_EQ(osc.sawTable, tables.Sawtooth(0));
  osc.SetPitch(127 * 128);
  EXPECT_NE(osc.sawTable, tables.Sawtooth(0));
  // The selected level has no harmonic above half the sample rate.
  int32_t level = static_cast<int32_t>((osc.sawTable - tables.Sawtooth(0)) / BandLimitedTables::kLength);
  double fundamental = PitchToFrequency(127 * 128);
  EXPECT_LT(fundamental * BandLimitedTables::HarmonicCount(level), 24000.0 * 1.5);
  osc.SetPitch(40000.0);
  EXPECT_EQ(osc.phaseIncrement, rig.engine.PhaseIncrements()[17280]);
}

// A held pitch step keeps its increment and tables without a lookup: what
// must still look them up again is silence and a new sample rate.
TEST(Oscillator, AKeptPitchStepFollowsSilenceAndRateChanges) {
  Rig rig;
  Oscillator& osc = rig.engine.GetVoice(0).osc;
  const int32_t step = 60 * 128;
  for (double rate : {44100.0, 96000.0, 22050.0, 96000.0}) {
    rig.engine.OnReset(rate, 64);
    for (double pitch : {step + 0.25, -3.0, step + 0.75, 0.0, step + 0.5}) {
      osc.SetPitch(pitch);
      if (pitch > 0.0) {
        EXPECT_EQ(osc.phaseIncrement, rig.engine.PhaseIncrements()[step]) << rate;
        const int32_t level = rig.engine.PhaseIncrements().Level(step);
        EXPECT_EQ(osc.sawTable, BandLimitedTables::Get().Sawtooth(level)) << rate;
        EXPECT_EQ(osc.triangleTable, BandLimitedTables::Get().Triangle(level)) << rate;
      } else {
        EXPECT_EQ(osc.sawTable, nullptr);
      }
    }
  }
}

TEST(BandLimitedTables, HarmonicCountsAndShapes) {
  const int32_t counts[22] = {2048, 1448, 1024, 724, 512, 362, 256, 181, 128, 91, 64,
                              45,   32,   23,   16,  11,  8,   6,   4,   3,   2,  1};
  for (int32_t j = 0; j < 22; ++j) EXPECT_EQ(BandLimitedTables::HarmonicCount(j), counts[j]) << j;
  const BandLimitedTables& tables = BandLimitedTables::Get();
  // Level 21 is one sine of amplitude 0.5 and one cosine of 0.7071.
  EXPECT_NEAR(tables.Sawtooth(21)[1024], 0.5, 1e-12);
  EXPECT_NEAR(tables.Triangle(21)[0], 0.7071067811865476, 1e-12);
  // A rich sawtooth falls from near +pi/4-ish to near the negative peak across its reset.
  EXPECT_GT(tables.Sawtooth(0)[10], 0.5);
  EXPECT_LT(tables.Sawtooth(0)[4086], -0.5);
}

TEST(Voice, KeyTrackingAtFullMovesTheCutoffAnOctavePerOctave) {
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.engine.NoteOn(0, 48, 100, false);
  double low = rig.engine.GetVoice(0).cutoffPitch;
  rig.engine.NoteOn(0, 60, 100, false);
  EXPECT_DOUBLE_EQ(rig.engine.GetVoice(0).cutoffPitch - low, 1536.0);
}

TEST(Voice, TriangleModulationOfTheCutoffFadesOutTowardsHighFrequencies) {
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.engine.SetTrackVoiceParam(0, Voice::kFilterOscModAmount, 1000.0);
  rig.engine.SetTrackVoiceParam(0, Voice::kFilterKeyTrack, 0.0);
  rig.engine.SetTrackVoiceParam(0, Voice::kFilterCutoff, 60 * 128.0);  // about 262 Hz
  rig.engine.NoteOn(0, 36, 100, false);
  const Voice& v = rig.engine.GetVoice(0);
  double h = PitchToFrequency(36 * 128), l = PitchToFrequency(60 * 128);
  EXPECT_NEAR(v.modDepth, (1.0 - (l * h) * (l * h) / 1e16) * 1000.0, 1e-9);
  rig.engine.NoteOn(0, 127, 100, false);  // 12.5 kHz
  EXPECT_EQ(v.modDepth, 0.0);
}

TEST(Voice, ResonanceGivenWhileSoundingDoesNotResetTheFilter) {
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.engine.NoteOn(0, 48, 100, false);
  rig.Render(480);
  Voice& v = rig.engine.GetVoice(0);
  double s1 = v.filter.s1;
  ASSERT_NE(s1, 0.0);
  rig.engine.SetTrackVoiceParam(0, Voice::kFilterResonance, 1.0);
  EXPECT_EQ(v.filter.s1, s1);
  EXPECT_FALSE(v.filter.preRoll);
  EXPECT_EQ(v.filter.lastCutoffIndex, -1);
}

TEST(Voice, WithoutForceAReleaseUnderThePedalOnlyClearsTheKey) {
  Rig rig;
  Voice& v = rig.engine.GetVoice(0);
  rig.engine.NoteOn(0, 48, 100, false);
  rig.Render(96);
  v.sustained = true;
  v.Release(false);
  EXPECT_FALSE(v.keyHeld);
  EXPECT_EQ(v.ampEnv.stage, Envelope::kDecay);
  v.Release(true);
  EXPECT_EQ(v.ampEnv.stage, Envelope::kRelease);
}

TEST(TrackLfo, ShapesDepthAndRate) {
  TrackLfo lfo;
  lfo.amount = 1.0;
  lfo.rateIndex = 0;
  lfo.LfoTick(0.0);
  EXPECT_DOUBLE_EQ(lfo.output, 0.5);  // |-1| - 0.5
  EXPECT_DOUBLE_EQ(lfo.pwOutput, 0.25);
  // One triangle cycle at index 0 lasts 2 x 12000 / 2.6 ticks.
  int32_t ticks = 1;
  double previous = lfo.phase;
  while (!(lfo.phase < previous) && ticks < 100000) {
    previous = lfo.phase;
    lfo.LfoTick(0.0);
    ++ticks;
  }
  EXPECT_NEAR(ticks, 2.0 * 12000 / 2.6, 2.0);

  TrackLfo square;
  square.shape = TrackLfo::kRectangle;
  square.amount = 0.25;
  square.wheelAmount = 0.5;
  square.LfoTick(1.0);  // depth 0.75 while the phase is negative
  EXPECT_DOUBLE_EQ(square.output, 0.75);
  EXPECT_DOUBLE_EQ(square.pwOutput, 0.75);
  EXPECT_DOUBLE_EQ(TrackLfo::LfoRate(255, TrackLfo::kRectangle), 1.0 / 50);
}

TEST(ClickGenerator, RingsAtTwoKilohertzForAbout10Milliseconds) {
  ClickGenerator click;
  EXPECT_EQ(click.NextSample(), 0.0);  // silent until set up
  click.Setup(48000.0, 2000.0, 10.0);
  click.Trigger();
  std::vector<double> x(4800);
  for (double& s : x) s = click.NextSample();
  EXPECT_NEAR(ZeroCrossingFrequency(x, 0, 2400, 48000.0), 2000.0, 20.0);
  EXPECT_GT(Peak(x, 0, 480), 0.3);
  EXPECT_LT(Peak(x, 2400, 4800), 0.01 * Peak(x, 0, 480));
}

TEST(MidiInputQueue, ResizeFillsWholePagesAndKeepsLiveEntries) {
  MidiInputQueue queue;
  EXPECT_EQ(queue.Capacity(), 1024);
  EXPECT_EQ(queue.GrowthStep(), 1024);
  for (int32_t i = 0; i < 5; ++i) queue.Add(MidiMessage{i, 0x90, 60, 100, 0, 0});
  queue.PopFront();
  queue.Resize(512);
  EXPECT_EQ(queue.GrowthStep(), 8192 / static_cast<int32_t>(sizeof(MidiMessage)));
  EXPECT_EQ(queue.Capacity(), queue.GrowthStep());
  ASSERT_EQ(queue.Count(), 4);
  EXPECT_EQ(queue.Front().offset, 1);
  // Equal offsets keep their arrival order; earlier offsets go in front.
  queue.Add(MidiMessage{3, 0x80, 61, 0, 0, 0});
  queue.Add(MidiMessage{0, 0x80, 62, 0, 0, 0});
  EXPECT_EQ(queue.At(0).data1, 62);
  EXPECT_EQ(queue.At(3).data1, 60);
  EXPECT_EQ(queue.At(4).data1, 61);
}

TEST(MidiInputQueue, AFullQueueWithoutRoomDropsTheMessage) {
  MidiInputQueue queue;
  int32_t added = 0;
  for (int32_t i = 0; i < queue.ReservedCapacity() + 5; ++i) added += queue.Add(MidiMessage{i, 0x90, 60, 100, 0, 0});
  EXPECT_EQ(added, queue.ReservedCapacity());
  EXPECT_EQ(queue.Count(), queue.ReservedCapacity());
}
