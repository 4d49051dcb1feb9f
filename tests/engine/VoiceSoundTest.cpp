// What a single voice sounds like, measured on the rendered outputs.

#include <gtest/gtest.h>

#include "engine/Envelope.h"
#include "engine/SemitoneFrequencyTable.h"
#include "tests/engine/EngineTestSupport.h"

using enginetest::InitProgram;
using enginetest::Rig;

namespace {

// Plays one note on channel 1 with the given sound and returns the left sum.
std::vector<double> PlayNote(std::array<uint8_t, 37> sound, int32_t note, int32_t frames, double rate = 48000.0,
                             int32_t releaseAt = -1) {
  Rig rig(rate);
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.Sound(0, sound);
  rig.Midi(0, 0x90, note, 127);
  if (releaseAt < 0) {
    rig.RenderBlocks(frames, 256);
  } else {
    rig.RenderBlocks(releaseAt, 256);
    rig.Midi(0, 0x80, note, 0);
    rig.RenderBlocks(frames - releaseAt, 256);
  }
  return rig.out[0];
}

std::array<uint8_t, 37> PlainSaw() {
  auto sound = InitProgram();
  sound[Voice::kFilterKeyTrack] = 0;
  return sound;
}

}  // namespace

TEST(VoiceSound, SawtoothPlaysConcertPitchAndOctave) {
  for (double rate : {44100.0, 48000.0}) {
    auto a4 = PlayNote(PlainSaw(), 69, static_cast<int32_t>(rate / 2), rate);
    EXPECT_NEAR(ZeroCrossingFrequency(a4, a4.size() / 4, a4.size(), rate), 440.0, 0.5) << rate;
    auto a5 = PlayNote(PlainSaw(), 81, static_cast<int32_t>(rate / 2), rate);
    EXPECT_NEAR(ZeroCrossingFrequency(a5, a5.size() / 4, a5.size(), rate), 880.0, 1.0) << rate;
  }
}

TEST(VoiceSound, CoarseAndFineTuneMoveThePitch) {
  auto sound = PlainSaw();
  sound[Voice::kCoarseFrequency] = 36;  // one octave up
  auto up = PlayNote(sound, 57, 24000);
  EXPECT_NEAR(ZeroCrossingFrequency(up, 6000, up.size(), 48000.0), 440.0, 0.5);
  sound = PlainSaw();
  sound[Voice::kFineFrequency] = 255;  // almost a semitone
  auto fine = PlayNote(sound, 69, 24000);
  // Fine frequency spans one semitone.
  EXPECT_NEAR(ZeroCrossingFrequency(fine, 6000, fine.size(), 48000.0), 466.164, 0.5);
  sound[Voice::kFineFrequency] = 128;
  auto half = PlayNote(sound, 69, 24000);
  EXPECT_NEAR(ZeroCrossingFrequency(half, 6000, half.size(), 48000.0), 440.0 * std::pow(2.0, 0.5 / 12.0), 0.6);
}

TEST(VoiceSound, EveryWaveformMixPlaysTheNotePitch) {
  for (int32_t mix = 1; mix < 8; ++mix) {
    auto sound = PlainSaw();
    sound[Voice::kOscSawtooth] = mix & 1;
    sound[Voice::kOscTriangle] = (mix >> 1) & 1;
    sound[Voice::kOscPulse] = (mix >> 2) & 1;
    auto x = PlayNote(sound, 57, 24000);
    if (mix == 1 || mix == 2 || mix == 4) {
      EXPECT_NEAR(ZeroCrossingFrequency(x, 6000, x.size(), 48000.0), 220.0, 0.5) << mix;
    }
    EXPECT_LT(Peak(x, 0, x.size()), 0.5) << mix;
    EXPECT_GT(Rms(x, 6000, x.size()), 0.02) << mix;
  }
}

TEST(VoiceSound, PulseWidthExtremesStillSound) {
  for (int32_t width : {0, 255}) {
    auto sound = PlainSaw();
    sound[Voice::kOscSawtooth] = 0;
    sound[Voice::kOscPulse] = 1;
    sound[Voice::kOscPulseWidth] = static_cast<uint8_t>(width);
    auto x = PlayNote(sound, 57, 24000);
    EXPECT_GT(Rms(x, 6000, x.size()), 0.005) << width;
  }
}

TEST(VoiceSound, FullResonanceSelfOscillatesFromTheFirstSampleNearCutoff) {
  auto sound = PlainSaw();
  sound[Voice::kOscSawtooth] = 0;  // no input at all
  sound[Voice::kFilterResonance] = 255;
  sound[Voice::kFilterCutoff] = 243;  // about 83.9 semitones above note 0
  auto x = PlayNote(sound, 60, 24000);
  ASSERT_NE(x[0], 0.0);
  EXPECT_GT(Rms(x, 0, 48), 0.01);
  double cutoff = PitchToFrequency(static_cast<int32_t>(std::lround(243 / 255.0 * 88 * 128)));
  double f = ZeroCrossingFrequency(x, 4800, x.size(), 48000.0);
  EXPECT_NEAR(f, cutoff, cutoff * 0.1);
  // It keeps oscillating.
  EXPECT_GT(Rms(x, 20000, 24000), 0.5 * Rms(x, 2000, 6000));
}

TEST(VoiceSound, WithoutResonanceSilenceStaysSilent) {
  auto sound = PlainSaw();
  sound[Voice::kOscSawtooth] = 0;
  auto x = PlayNote(sound, 60, 4800);
  EXPECT_LT(Peak(x, 0, x.size()), 1e-9);
}

TEST(VoiceSound, LowCutoffDarkensTheSawtooth) {
  auto open = PlayNote(PlainSaw(), 48, 24000);
  auto sound = PlainSaw();
  sound[Voice::kFilterCutoff] = 100;  // about 4 octaves above note 0
  auto dark = PlayNote(sound, 48, 24000);
  // Energy in the sample-to-sample difference measures the high partials.
  auto slope = [](const std::vector<double>& x) {
    double s = 0.0;
    for (size_t i = 6001; i < x.size(); ++i) s += (x[i] - x[i - 1]) * (x[i] - x[i - 1]);
    return s;
  };
  EXPECT_LT(slope(dark), 0.1 * slope(open));
}

TEST(VoiceSound, NoiseMixerReplacesTheOscillator) {
  auto sound = PlainSaw();
  sound[Voice::kOscSawtooth] = 0;
  sound[Voice::kOscNoiseMixer] = 255;
  auto x = PlayNote(sound, 60, 9600);
  EXPECT_GT(Rms(x, 2400, x.size()), 0.005);
}

namespace {

// The amplitude envelope scales the filter output, so dividing a rendering by
// the same note at constant full level gives the envelope sample by sample.
std::vector<double> AmplitudeEnvelope(std::array<uint8_t, 37> sound, int32_t frames, int32_t releaseAt) {
  auto steady = sound;
  steady[Voice::kAmpEnvAttack] = 0;
  steady[Voice::kAmpEnvDecay] = 0;
  steady[Voice::kAmpEnvSustain] = 255;
  auto played = PlayNote(sound, 81, frames, 48000.0, releaseAt);
  auto reference = PlayNote(steady, 81, frames);
  std::vector<double> level;
  for (size_t i = 0; i < played.size(); ++i)
    level.push_back(std::fabs(reference[i]) > 1e-3 ? played[i] / reference[i] : (level.empty() ? 0.0 : level.back()));
  return level;
}

int32_t FirstAtOrBelow(const std::vector<double>& level, double value, size_t from) {
  for (size_t i = from; i < level.size(); ++i)
    if (level[i] <= value + 1e-9) return static_cast<int32_t>(i);
  return -1;
}

}  // namespace

TEST(VoiceSound, AmplitudeAttackTakesTheTableTimeOverOnePointEight) {
  // Index 32 is the 180 ms entry; the amplitude envelope runs 1.8 times faster: 100 ms.
  auto sound = PlainSaw();
  sound[Voice::kAmpEnvAttack] = 32;
  auto level = AmplitudeEnvelope(sound, 9600, -1);
  int32_t top = -1;
  for (size_t i = 0; i < level.size(); ++i)
    if (level[i] >= 1.0 - 1e-9) {
      top = static_cast<int32_t>(i);
      break;
    }
  EXPECT_NEAR(top, 4800, 3);
  EXPECT_NEAR(level[2400], 0.5, 0.01);
}

TEST(VoiceSound, AmplitudeDecayReleaseAndCurvedTailFollowTheTable) {
  auto sound = PlainSaw();
  sound[Voice::kAmpEnvDecay] = 48;     // 340 ms
  sound[Voice::kAmpEnvSustain] = 128;  // 0.502
  sound[Voice::kAmpEnvRelease] = 64;   // 440 ms
  const double s = 128 / 255.0;
  auto level = AmplitudeEnvelope(sound, 48000, 24000);
  EXPECT_NEAR(level[20000], s, 1e-9);
  // The decay falls at the full-scale rate: T x (1 - S) / 1.8.
  // The attack (index 0) takes 27 samples.
  EXPECT_NEAR(FirstAtOrBelow(level, s, 48), 27 + 0.340 * (1.0 - s) / 1.8 * 48000.0, 3.0);
  // The linear release reaches 0.1 after T x (S - 0.1) / 1.8 ...
  EXPECT_NEAR(FirstAtOrBelow(level, 0.1, 24000) - 24000, 0.440 * (s - 0.1) / 1.8 * 48000.0, 3.0);
  // ... and the curved tail needs one more T / 1.8 to silence.
  int32_t silent = 24000;
  while (silent < 48000 && level[silent] != 0.0) ++silent;
  EXPECT_NEAR(silent - 24000, (0.440 * (s - 0.1) + 0.440) / 1.8 * 48000.0, 10.0);
  EXPECT_GT(level[24000 + 11000], 0.0);
}

TEST(Envelope, ControlRateSegmentsTakeTheTableTimeInTicks) {
  const int32_t times[16] = {1, 60, 180, 340, 440, 720, 1060, 1260, 1400, 1680, 2240, 3000, 4800, 6760, 8120, 16800};
  for (int32_t entry = 0; entry < 16; ++entry) {
    Envelope env;
    env.SetAttackIndex(entry * 16);
    env.SetDecayIndex(entry * 16);
    env.SetSustainLevel(0.0);
    env.Start();
    int32_t ticks = 0;
    while (env.stage == Envelope::kAttack && ticks < 100000) {
      env.Tick();
      ++ticks;
    }
    // The attack ends on the tick where the ramp drops below zero.
    EXPECT_NEAR(ticks, times[entry] + 1, 1) << entry;
    EXPECT_EQ(env.level, 1.0);
  }
  // In-between indices interpolate the rate.
  EXPECT_NEAR(Envelope::EnvelopeRate(8), (1.0 / 1 + 1.0 / 60) / 2, 1e-12);
  EXPECT_EQ(Envelope::EnvelopeRate(241), 1.0 / 16800);
  EXPECT_EQ(Envelope::EnvelopeRate(255), 1.0 / 16800);
}

TEST(Envelope, ReleaseAtLevelZeroEndsAtOnce) {
  Envelope env;
  env.Start();
  env.Release();
  EXPECT_TRUE(env.Idle());
  EXPECT_EQ(env.level, 0.0);
}

TEST(Envelope, RestartContinuesFromThePresentLevel) {
  Envelope env;
  env.SetAttackIndex(32);
  env.SetSustainLevel(1.0);
  env.Start();
  for (int32_t i = 0; i < 90; ++i) env.Tick();
  double level = env.level;
  env.Start();
  EXPECT_DOUBLE_EQ(env.ramp, 1.0 - level);
  env.Tick();
  EXPECT_GT(env.level, level);
}

TEST(Envelope, ChangingTheRunningSegmentsTimeTakesEffectAtOnce) {
  Envelope env;
  env.SetAttackIndex(255);
  env.Start();
  env.Tick();
  double ramp = env.ramp;
  env.SetAttackIndex(0);
  EXPECT_EQ(env.ramp, ramp);
  EXPECT_EQ(env.rampStep, Envelope::EnvelopeRate(0));
}

TEST(VoiceSound, GlideFromNoteSixtyOnAFreshVoice) {
  auto sound = PlainSaw();
  sound[Voice::kGlideRate] = 128;
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.Sound(0, sound);
  rig.Midi(0, 0x90, 72, 100);
  rig.Render(48);
  Voice& voice = rig.engine.GetVoice(0);
  EXPECT_GT(voice.currentPitch, 7680.0);
  EXPECT_LT(voice.currentPitch, 72 * 128.0);
  rig.RenderBlocks(48000, 256);
  EXPECT_EQ(voice.currentPitch, 72 * 128.0);
  // Without glide a note is at its pitch at once.
  rig.engine.SetTrackVoiceParam(0, Voice::kGlideRate, 0.0);
  rig.Midi(0, 0x90, 50, 100);
  rig.Render(1);
  EXPECT_EQ(voice.currentPitch, 50 * 128.0);
}

TEST(VoiceSound, LfoToFilterAndPitchFollowTheTrack) {
  auto sound = PlainSaw();
  sound[Voice::kLfoToOsc] = 1;
  sound[Voice::kLfoAmount] = 255;
  sound[Voice::kLfoFrequency] = 255;
  Rig rig;
  for (int32_t t = 1; t < 6; ++t) rig.engine.SetTrackChannel(t, Track::kNoChannel);
  rig.Sound(0, sound);
  rig.Midi(0, 0x90, 69, 100);
  double low = 1e9, high = -1e9;
  for (int32_t i = 0; i < 400; ++i) {
    rig.Render(48);
    double p = rig.engine.GetVoice(0).currentPitch + rig.engine.GetTrack(0).lfo.output * 512.0;
    low = std::min(low, p);
    high = std::max(high, p);
  }
  // A full-depth triangle sweeps +-0.5 x 512 pitch steps (two semitones each way).
  EXPECT_NEAR(high - low, 512.0, 20.0);
}

TEST(PitchScale, TableValuesAndInterpolation) {
  EXPECT_EQ(PitchToFrequency(0), 8.176);
  EXPECT_EQ(PitchToFrequency(69 * 128), 440.0);
  EXPECT_EQ(PitchToFrequency(17280), 19912.127);
  EXPECT_EQ(PitchToFrequency(40000), 19912.127);
  EXPECT_EQ(PitchToFrequency(-17280), 0.0033570162);
  EXPECT_EQ(PitchToFrequency(124 * 128), 10548.08);
  EXPECT_NEAR(PitchToFrequency(69 * 128 + 64), (440.0 + 466.164) / 2, 1e-9);
  EXPECT_NEAR(PitchToFrequency(-128), 8.176 * std::pow(2.0, -1.0 / 12.0), 1e-9);
}
