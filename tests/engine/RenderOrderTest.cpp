// The batched renderer must give exactly the samples of the plain per-sample
// order (every voice in index order, sample by sample).

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/engine/EngineTestSupport.h"

using enginetest::InitProgram;
using enginetest::Rig;

namespace {

void SetUpBusyEngine(Rig& rig) {
  Engine& e = rig.engine;
  e.SetTrackChannel(0, 0);
  e.SetTrackChannel(1, 1);
  e.SetTrackChannel(2, 2);
  e.SetTrackChannel(3, 0);
  e.SetTrackChannel(4, Track::kAllChannels);
  e.SetTrackChannel(5, 3);
  e.SetTrackMode(0, Track::kPolyphonic);
  e.SetTrackMode(1, Track::kMonophonic);
  e.SetTrackMode(2, Track::kLegato);
  e.SetTrackMode(3, Track::kPolyphonic);
  e.SetTrackMode(4, Track::kPolyphonic);
  e.SetTrackMode(5, Track::kPolyphonic);
  e.SetTrackCycle(4, false);
  e.SetTrackPan(1, 0.2);
  e.SetTrackVolume(2, 1.5);
  e.SetTrackTune(3, 17.0);
  e.SetTrackTranspose(5, -12);

  auto pad = InitProgram();  // unison, resonant, filter envelope, LFO to filter
  pad[Voice::kVoiceMode] = 1;
  pad[Voice::kFilterResonance] = 130;
  pad[Voice::kFilterCutoff] = 90;
  pad[Voice::kFilterEnvAmount] = 120;
  pad[Voice::kFilterEnvAttack] = 40;
  pad[Voice::kFilterEnvDecay] = 60;
  pad[Voice::kFilterEnvSustain] = 80;
  pad[Voice::kLfoToFilter] = 1;
  pad[Voice::kLfoAmount] = 90;
  pad[Voice::kLfoFrequency] = 120;
  pad[Voice::kAmpEnvAttack] = 20;
  pad[Voice::kAmpEnvRelease] = 40;
  rig.Sound(0, pad);

  auto lead = InitProgram();  // glide, pulse with oscillator modulation of the cutoff, pitch envelope
  lead[Voice::kGlideRate] = 200;
  lead[Voice::kOscSawtooth] = 1;
  lead[Voice::kOscPulse] = 1;
  lead[Voice::kOscTriangle] = 1;
  lead[Voice::kOscPulseWidth] = 40;
  lead[Voice::kFilterOscModAmount] = 200;
  lead[Voice::kFilterCutoff] = 120;
  lead[Voice::kOscEnvAmount] = 100;
  lead[Voice::kOscEnvDecay] = 50;
  lead[Voice::kOscEnvInvert] = 1;
  lead[Voice::kAmpVelocity] = 200;
  rig.Sound(1, lead);

  auto noise = InitProgram();  // self-oscillating filter with noise, rectangle LFO on the width
  noise[Voice::kFilterResonance] = 255;
  noise[Voice::kOscNoiseMixer] = 128;
  noise[Voice::kOscPulse] = 1;
  noise[Voice::kOscLfoToPw] = 1;
  noise[Voice::kLfoShape] = 1;
  noise[Voice::kLfoAmount] = 255;
  noise[Voice::kLfoFrequency] = 200;
  noise[Voice::kLfoToOsc] = 1;
  noise[Voice::kFilterCutoff] = 160;
  rig.Sound(2, noise);

  auto keys = InitProgram();
  keys[Voice::kOscSawtooth] = 0;
  keys[Voice::kOscTriangle] = 1;
  keys[Voice::kFilterEnvInvert] = 1;
  keys[Voice::kFilterEnvAmount] = 60;
  keys[Voice::kFilterEnvDecay] = 30;
  keys[Voice::kAmpEnvDecay] = 70;
  keys[Voice::kAmpEnvSustain] = 0;
  keys[Voice::kAmpEnvRelease] = 90;
  rig.Sound(3, keys);
  rig.Sound(4, lead);
  rig.Sound(5, pad);
  e.SetClickEnabled(true);
}

// Feeds both engines the same pseudo-random stream of messages in blocks of
// uneven sizes and returns the rendered outputs.
void Drive(Rig& rig, uint32_t seed) {
  std::mt19937 random(seed);
  const int32_t sizes[] = {37, 100, 256, 1, 513, 48, 47, 49, 200};
  for (int32_t block = 0; block < 180; ++block) {
    int32_t frames = sizes[block % 9];
    int32_t events = static_cast<int32_t>(random() % 6);
    for (int32_t i = 0; i < events; ++i) {
      int32_t offset = static_cast<int32_t>(random() % static_cast<uint32_t>(frames));
      int32_t channel = static_cast<int32_t>(random() % 4);
      int32_t note = 36 + static_cast<int32_t>(random() % 48);
      switch (random() % 12) {
        case 0:
        case 1:
        case 2:
        case 3:
          rig.Midi(offset, 0x90 + channel, note, 1 + static_cast<int32_t>(random() % 127));
          break;
        case 4:
        case 5:
        case 6:
          rig.Midi(offset, 0x80 + channel, note, 0);
          break;
        case 7:
          rig.Midi(offset, 0xE0 + channel, static_cast<int32_t>(random() % 128), static_cast<int32_t>(random() % 128));
          break;
        case 8:
          rig.Midi(offset, 0xB0 + channel, 1, static_cast<int32_t>(random() % 128));
          break;
        case 9:
          rig.Midi(offset, 0xB0 + channel, 64, (random() & 1) ? 127 : 0);
          break;
        case 10: {
          MidiMessage click{offset, 0x90, 0x3C, 0x64, 0, 1};
          rig.engine.QueueMidiMessage(click);
          break;
        }
        default:
          rig.Midi(offset, 0x90 + channel, note, 0);
          break;
      }
    }
    if (block == 150) rig.Midi(0, 0xB0, 123, 0);
    rig.Render(frames);
  }
}

}  // namespace

TEST(RenderOrder, BatchedAndPerSampleRenderingAreIdenticalOnABusyPassage) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    Rig batched;
    Rig reference;
    reference.engine.SetReferenceRendering(true);
    SetUpBusyEngine(batched);
    SetUpBusyEngine(reference);
    Drive(batched, seed);
    Drive(reference, seed);
    int32_t mostActive = 0;
    for (int32_t v = 0; v < Engine::kVoiceCount; ++v) mostActive += batched.engine.GetVoice(v).startSerial > 0;
    EXPECT_GT(mostActive, 20) << "the passage should keep many voices busy";
    for (int32_t k = 0; k < Engine::kOutputCount; ++k) {
      ASSERT_EQ(batched.out[k].size(), reference.out[k].size());
      EXPECT_GT(Rms(reference.out[k], 0, reference.out[k].size()), 0.0) << k;
      EXPECT_EQ(0, std::memcmp(batched.out[k].data(), reference.out[k].data(), sizeof(double) * batched.out[k].size()))
          << "output " << k << " seed " << seed;
    }
  }
}
