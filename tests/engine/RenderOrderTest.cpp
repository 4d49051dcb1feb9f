// The batched renderer must give exactly the samples of the plain per-sample
// order (every voice in index order, sample by sample), and both must keep
// giving the samples recorded before the renderer was vectorised.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "engine/SampleConversion.h"
#include "engine/VectorPath.h"
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

// A second set of six sounds: what the busy passage leaves out.
void SetUpOtherSounds(Rig& rig) {
  Engine& e = rig.engine;
  for (int32_t t = 0; t < Engine::kTrackCount; ++t) {
    e.SetTrackChannel(t, t % 4);
    e.SetTrackMode(t, t == 3 ? Track::kMonophonic : Track::kPolyphonic);
    e.SetTrackPan(t, 0.1 + 0.15 * t);
  }
  auto saw = InitProgram();  // plain sawtooth, key tracking, half noise
  saw[Voice::kFilterKeyTrack] = 255;
  saw[Voice::kFilterCutoff] = 70;
  saw[Voice::kOscNoiseMixer] = 60;
  rig.Sound(0, saw);
  auto sweep = InitProgram();  // rectangle LFO on the filter, triangle LFO on the width
  sweep[Voice::kOscSawtooth] = 0;
  sweep[Voice::kOscPulse] = 1;
  sweep[Voice::kLfoShape] = 1;
  sweep[Voice::kLfoToFilter] = 1;
  sweep[Voice::kLfoAmount] = 200;
  sweep[Voice::kLfoFrequency] = 230;
  sweep[Voice::kFilterResonance] = 160;
  sweep[Voice::kFilterCutoff] = 100;
  sweep[Voice::kAmpEnvAttack] = 90;
  sweep[Voice::kAmpEnvRelease] = 120;
  rig.Sound(1, sweep);
  auto pw = InitProgram();
  pw[Voice::kOscPulse] = 1;
  pw[Voice::kOscLfoToPw] = 1;
  pw[Voice::kLfoAmount] = 255;
  pw[Voice::kLfoFrequency] = 60;
  pw[Voice::kFilterEnvAmount] = 200;
  pw[Voice::kFilterEnvRelease] = 100;
  pw[Voice::kFilterEnvSustain] = 30;
  pw[Voice::kAmpEnvDecay] = 100;
  pw[Voice::kAmpEnvSustain] = 120;
  rig.Sound(2, pw);
  auto bass = InitProgram();  // low, coarse down, pitch envelope, triangle modulation of the cutoff
  bass[Voice::kCoarseFrequency] = 12;
  bass[Voice::kFineFrequency] = 77;
  bass[Voice::kOscTriangle] = 1;
  bass[Voice::kOscEnvAmount] = 40;
  bass[Voice::kOscEnvAttack] = 10;
  bass[Voice::kOscEnvRelease] = 60;
  bass[Voice::kFilterOscModAmount] = 255;
  bass[Voice::kFilterCutoff] = 50;
  bass[Voice::kFilterResonance] = 200;
  bass[Voice::kGlideRate] = 100;
  rig.Sound(3, bass);
  auto noise = InitProgram();  // noise alone through a high resonance
  noise[Voice::kOscSawtooth] = 0;
  noise[Voice::kOscNoiseMixer] = 255;
  noise[Voice::kFilterResonance] = 150;
  noise[Voice::kAmpEnvRelease] = 200;
  rig.Sound(4, noise);
  auto unison = InitProgram();  // unison, all three waveforms, everything modulated
  unison[Voice::kVoiceMode] = 1;
  unison[Voice::kOscPulse] = 1;
  unison[Voice::kOscTriangle] = 1;
  unison[Voice::kLfoToOsc] = 1;
  unison[Voice::kLfoAmount] = 40;
  unison[Voice::kFilterEnvAmount] = 150;
  unison[Voice::kFilterEnvInvert] = 1;
  unison[Voice::kFilterOscModAmount] = 90;
  unison[Voice::kVoiceVolume] = 180;
  rig.Sound(5, unison);
}

// FNV-1a over the bytes of every output, as doubles and as the floats a
// single-precision host receives.
struct OutputHashes {
  uint64_t doubles = 14695981039346656037ull;
  uint64_t floats = 14695981039346656037ull;
};

void HashBytes(uint64_t& hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
}

OutputHashes HashOutputs(const Rig& rig) {
  OutputHashes hashes;
  for (const std::vector<double>& channel : rig.out) {
    HashBytes(hashes.doubles, channel.data(), sizeof(double) * channel.size());
    // Through the active path's conversion, as the plug-in converts; adding
    // to a host's buffer must round each sum as a scalar float addition.
    const int32_t count = static_cast<int32_t>(channel.size());
    std::vector<float> single(channel.size());
    StoreAsFloat(channel.data(), single.data(), count);
    HashBytes(hashes.floats, single.data(), sizeof(float) * single.size());
    std::vector<float> added(channel.size()), expected(channel.size());
    for (size_t i = 0; i < channel.size(); ++i) added[i] = expected[i] = 0.001f * static_cast<float>(i % 97) - 0.03f;
    AddAsFloat(channel.data(), added.data(), count);
    for (size_t i = 0; i < channel.size(); ++i) expected[i] += static_cast<float>(channel[i]);
    EXPECT_EQ(0, std::memcmp(added.data(), expected.data(), sizeof(float) * added.size()));
  }
  return hashes;
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

// A crowd: the other sounds with nearly every voice sounding at once, so
// that the batched path fills several groups.
void SetUpCrowd(Rig& rig) {
  SetUpOtherSounds(rig);
  for (int32_t n = 0; n < 64; ++n) rig.Midi(n, 0x90 + n % 4, 30 + n, 90);
  rig.Render(64);
}

// Hashes recorded with this same test from the scalar renderer the vector
// kernels replaced (busy passage, the other sounds and the crowd, seeds 1 to
// 7, at three rates), where its per-sample and batched orders agreed; now
// checked in the per-sample order and in the batched one on every vector path
// this processor has. Recorded again, on every path alike, when a host note or
// pedal stopped going before one of the block before (these passages' random
// block lengths had let some do so), and when a note on a full pool stopped
// taking one voice for all its sounds (Unison, several Polyphonic tracks).
TEST(RenderOrder, EveryPathRendersTheRecordedSamples) {
  enum Setup { kBusy, kOther, kCrowd };
  struct Case {
    Setup setup;
    double rate;
    uint32_t seed;
    uint64_t doubles;
    uint64_t floats;
  };
  const Case cases[] = {
      {kBusy, 48000.0, 1u, 0xc39cbf4ac1c573d7ull, 0x5ceb95e3e6e1bc15ull},
      {kBusy, 48000.0, 2u, 0x16162a801f4ba691ull, 0x7601af8a00549048ull},
      {kBusy, 44100.0, 3u, 0x50e0abb80e59a882ull, 0xbc7c23889fad2781ull},
      {kOther, 48000.0, 4u, 0xe540905b871e8746ull, 0xaae252862f3ed7e6ull},
      {kOther, 44100.0, 5u, 0x3d89bb9942cca302ull, 0xd89be3fe6489b495ull},
      {kOther, 96000.0, 6u, 0xf0a1f480533b26d7ull, 0x6d4db981b505bd19ull},
      {kCrowd, 48000.0, 7u, 0x8d4cfb01b806b64dull, 0xcd16faf8a66d8b1dull},
  };
  const VectorPath chosen = ActiveVectorPath();
  // -1: the per-sample order; then the vector paths.
  for (int32_t run = -1; run <= static_cast<int32_t>(VectorPath::kAvx512); ++run) {
    const bool perSample = run < 0;
    const VectorPath path = perSample ? chosen : static_cast<VectorPath>(run);
    if (!SelectVectorPath(path)) continue;
    const std::string name = perSample ? "per sample" : VectorPathName(path);
    for (const Case& c : cases) {
      Rig rig(c.rate);
      rig.engine.SetReferenceRendering(perSample);
      if (c.setup == kBusy) SetUpBusyEngine(rig);
      if (c.setup == kOther) SetUpOtherSounds(rig);
      if (c.setup == kCrowd) {
        SetUpCrowd(rig);
        int32_t sounding = 0;
        for (int32_t v = 0; v < Engine::kVoiceCount; ++v) sounding += rig.engine.GetVoice(v).active;
        EXPECT_GT(sounding, 80);
      }
      Drive(rig, c.seed);
      EXPECT_GT(Rms(rig.out[0], 0, rig.out[0].size()), 0.01);
      OutputHashes hashes = HashOutputs(rig);
      EXPECT_EQ(hashes.doubles, c.doubles) << "seed " << c.seed << ", " << name;
      EXPECT_EQ(hashes.floats, c.floats) << "seed " << c.seed << ", " << name;
    }
  }
  SelectVectorPath(chosen);
}
