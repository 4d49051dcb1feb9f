// Audio through the module's process callbacks: where a note is heard, block
// lengths, the float, accumulating and double paths, several instances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/module/ModuleSupport.h"

namespace {

// Chords, a bass note and a glide on the first three channels, with events
// at odd frames so that block edges fall between and onto them.
std::vector<TimedMidi> Song() {
  return {{0, 0x90, 57, 100},     {1, 0x90, 60, 100},   {7, 0x90, 64, 100},   {333, 0x91, 33, 110},
          {1024, 0x92, 69, 90},   {1500, 0x92, 76, 90}, {4095, 0x81, 33, 0},  {4096, 0x91, 36, 120},
          {5000, 0xE0, 0, 100},   {6001, 0xB0, 1, 100}, {7777, 0x82, 69, 0},  {9000, 0x82, 76, 0},
          {11111, 0x80, 57, 0},   {11111, 0x80, 60, 0}, {11112, 0x80, 64, 0}, {13000, 0x81, 36, 0},
          {14000, 0x90, 72, 127}, {17000, 0x80, 72, 0}};
}
constexpr int64_t kSongFrames = 20000;

void SetUpSounds(TestHost& host) {
  GiveEachTrackItsChannel(host);
  ASSERT_TRUE(SetByText(host, "Track 1 Mode", "Polyphonic"));
  ASSERT_TRUE(SetByText(host, "Track Prg 1", "9"));
  ASSERT_TRUE(SetByText(host, "Track Prg 2", "5"));
  ASSERT_TRUE(SetByText(host, "Track 3 Mode", "Legato"));
  ASSERT_TRUE(SetByText(host, "Track Prg 3", "66"));
}

class ModuleNoteRouting : public ::testing::TestWithParam<int> {};

TEST_P(ModuleNoteRouting, ANoteIsHeardOnTheSumAndItsTracksPairOnly) {
  const int track = GetParam();  // 1..6
  auto host = OpenInstance();
  ASSERT_TRUE(host);
  GiveEachTrackItsChannel(*host);
  ASSERT_TRUE(SetByText(*host, "Track Prg " + std::to_string(track), "2"));
  const uint8_t channel = static_cast<uint8_t>(track - 1);
  const Channels out = Render(
      *host,
      {{100, static_cast<uint8_t>(0x90 | channel), 64, 100}, {15000, static_cast<uint8_t>(0x80 | channel), 64, 0}},
      22050);
  for (int pin = 0; pin < 14; ++pin) {
    SCOPED_TRACE(pin);
    const bool expected = pin < 2 || pin / 2 == track;
    if (expected) {
      EXPECT_GT(Rms(out[pin], 4000, 15000), 1e-3);
      for (int i = 0; i < 100; ++i) ASSERT_EQ(out[pin][i], 0.0f) << "sound before the note, frame " << i;
    } else {
      EXPECT_EQ(Peak(out[pin]), 0.0);
    }
  }
  // With a centred track the sum is the track's pair at the master level: the
  // two move together.
  double dot = 0.0;
  for (size_t i = 0; i < out[0].size(); ++i) dot += static_cast<double>(out[0][i]) * out[2 * track][i];
  EXPECT_GT(dot, 0.0);
}

INSTANTIATE_TEST_SUITE_P(EveryTrack, ModuleNoteRouting, ::testing::Range(1, 7));

TEST(ModuleProcess, BlocksOfAnyLengthGiveTheAudioOfOneLongBlock) {
  // The whole song is handed over before the first block, so that only the
  // rendering is cut into pieces: control periods running on across calls,
  // the scratch buffers and the conversion to the host's buffers. The host
  // announces blocks that could hold the whole song (an event past the
  // announced block would go on its last frame).
  constexpr int32_t kAnnounced = 32768;
  static_assert(kAnnounced > kSongFrames);
  auto reference = OpenInstance(44100.0, kAnnounced);
  ASSERT_TRUE(reference);
  SetUpSounds(*reference);
  const Channels expected = RenderAllEventsFirst(*reference, Song(), kSongFrames, {4096});
  ASSERT_GT(Rms(expected[0]), 1e-3);

  const std::vector<std::vector<int32_t>> patterns = {
      {1}, {2}, {3}, {17}, {64}, {511, 1}, {1000}, {1023, 44}, {4096, 1, 4095}, {1, 7, 4096, 333, 64, 2048}};
  for (const auto& pattern : patterns) {
    SCOPED_TRACE(::testing::PrintToString(pattern));
    auto host = OpenInstance(44100.0, kAnnounced);
    ASSERT_TRUE(host);
    SetUpSounds(*host);
    const Channels got = RenderAllEventsFirst(*host, Song(), kSongFrames, pattern);
    for (int pin = 0; pin < 14; ++pin) ASSERT_TRUE(got[pin] == expected[pin]) << "pin " << pin;
  }
}

TEST(ModuleProcess, EventsHandedOverPerBlockKeepTheirTimeOnTheControlGrid) {
  // Messages are acted on at the control tick (one millisecond: 44 frames at
  // 44.1 kHz) that starts their period. Blocks that are whole periods long
  // therefore play exactly what one long block plays...
  // (Notes only: a controller or bend late in a block is moved to the nearest
  // tick, which depends on where the block starts.)
  std::vector<TimedMidi> notes;
  for (const TimedMidi& e : Song())
    if ((e.status & 0xE0) == 0x80) notes.push_back(e);
  auto reference = OpenInstance(44100.0, 4096);
  ASSERT_TRUE(reference);
  SetUpSounds(*reference);
  const Channels expected = Render(*reference, notes, kSongFrames, {44 * 93});
  for (const std::vector<int32_t>& pattern : std::vector<std::vector<int32_t>>{{44}, {88, 440, 4092}}) {
    auto host = OpenInstance(44100.0, 4096);
    ASSERT_TRUE(host);
    SetUpSounds(*host);
    const Channels got = Render(*host, notes, kSongFrames, pattern);
    for (int pin = 0; pin < 14; ++pin) ASSERT_TRUE(got[pin] == expected[pin]) << "pin " << pin;
  }
  // ...and blocks that start inside a period delay a note by less than one period.
  for (int32_t length : {1, 5, 30, 100, 1000}) {
    SCOPED_TRACE(length);
    auto host = OpenInstance(44100.0, 4096);
    ASSERT_TRUE(host);
    GiveEachTrackItsChannel(*host);
    const int64_t at = 1013;
    const Channels out = Render(*host, {{at, 0x90, 60, 100}, {at + 3001, 0x80, 60, 0}}, 20000, {length});
    int64_t first = -1;
    for (size_t i = 0; i < out[0].size() && first < 0; ++i)
      if (out[0][i] != 0.0f) first = static_cast<int64_t>(i);
    EXPECT_GE(first, at);
    EXPECT_LT(first, at + 44);
    // The note off, off the grid too, ends the note whatever the block length.
    EXPECT_GT(Rms(out[0], at + 1000, at + 3000), 1e-3);
    EXPECT_LT(Rms(out[0], 18000, 20000), 1e-5);
  }
}

TEST(ModuleProcess, DoubleAndFloatPathsAgreeAndAccumulatingAdds) {
  auto floats = OpenInstance(48000.0, 256);
  auto doubles = OpenInstance(48000.0, 256);
  auto adding = OpenInstance(48000.0, 256);
  ASSERT_TRUE(floats && doubles && adding);
  for (TestHost* host : {floats.get(), doubles.get(), adding.get()}) SetUpSounds(*host);
  const Channels f = Render(*floats, Song(), kSongFrames, {256});
  const DoubleChannels d = RenderDouble(*doubles, Song(), kSongFrames, {256});
  ASSERT_GT(Rms(f[0]), 1e-3);
  for (int pin = 0; pin < 14; ++pin)
    for (size_t i = 0; i < f[pin].size(); ++i) ASSERT_EQ(f[pin][i], static_cast<float>(d[pin][i])) << pin << " " << i;

  // The accumulating path adds onto what the host's buffers hold.
  const std::vector<TimedMidi> song = Song();
  for (int block = 0; block < 4; ++block) {
    std::vector<TestHost::Midi> midi;
    for (const TimedMidi& e : song)
      if (e.frame >= block * 256 && e.frame < (block + 1) * 256)
        midi.push_back({e.status, e.data1, e.data2, static_cast<int32_t>(e.frame - block * 256)});
    if (!midi.empty()) adding->SendMidi(midi);
    const float prefill = block % 2 ? -0.25f : 0.5f;
    const Channels added = adding->ProcessFloat(256, true, prefill);
    for (int pin = 0; pin < 14; ++pin)
      for (size_t i = 0; i < 256; ++i) ASSERT_EQ(added[pin][i], prefill + f[pin][block * 256 + i]) << pin << " " << i;
  }
}

TEST(ModuleProcess, InstancesInOneProcessDoNotShareState) {
  // Three instances with different sounds, processed in turns, each play
  // exactly what a lone instance with their sound plays.
  const char* programs[3] = {"2", "53", "77"};
  std::vector<Channels> alone;
  for (const char* program : programs) {
    auto host = OpenInstance();
    ASSERT_TRUE(host);
    SetUpSounds(*host);
    ASSERT_TRUE(SetByText(*host, "Track Prg 1", program));
    alone.push_back(Render(*host, Song(), kSongFrames, {500}));
  }
  EXPECT_FALSE(alone[0][0] == alone[1][0]);

  std::vector<std::unique_ptr<TestHost>> hosts;
  for (const char* program : programs) {
    hosts.push_back(OpenInstance());
    ASSERT_TRUE(hosts.back());
    SetUpSounds(*hosts.back());
    ASSERT_TRUE(SetByText(*hosts.back(), "Track Prg 1", program));
  }
  std::vector<Channels> together(3, Channels(14));
  const std::vector<TimedMidi> song = Song();
  size_t next[3] = {0, 0, 0};
  for (int64_t start = 0; start < kSongFrames; start += 500) {
    const int32_t frames = static_cast<int32_t>(std::min<int64_t>(500, kSongFrames - start));
    for (int h = 0; h < 3; ++h) {
      std::vector<TestHost::Midi> midi;
      while (next[h] < song.size() && song[next[h]].frame < start + frames) {
        const TimedMidi& e = song[next[h]++];
        midi.push_back({e.status, e.data1, e.data2, static_cast<int32_t>(e.frame - start)});
      }
      if (!midi.empty()) hosts[h]->SendMidi(midi);
      const Channels out = hosts[h]->ProcessFloat(frames);
      for (int pin = 0; pin < 14; ++pin)
        together[h][pin].insert(together[h][pin].end(), out[pin].begin(), out[pin].end());
    }
  }
  // One instance closing leaves the others playing.
  hosts[1]->Close();
  for (int h = 0; h < 3; ++h)
    for (int pin = 0; pin < 14; ++pin) ASSERT_TRUE(together[h][pin] == alone[h][pin]) << h << " " << pin;
  const Channels after = Render(*hosts[2], {{0, 0x90, 48, 100}}, 8000);
  EXPECT_GT(Rms(after[0], 2000), 1e-4);
}

TEST(ModuleProcess, SampleRatesChangeThePitchNotTheLevel) {
  // One second of a held note at two rates: the same sound, so a similar
  // level, and the same number of zero crossings per second.
  auto crossings = [](const std::vector<float>& x, size_t from) {
    int count = 0;
    for (size_t i = from + 1; i < x.size(); ++i) count += (x[i - 1] < 0.0f) != (x[i] < 0.0f);
    return count;
  };
  double levels[2];
  int counts[2];
  const double rates[2] = {44100.0, 96000.0};
  for (int r = 0; r < 2; ++r) {
    auto host = OpenInstance(rates[r], 512);
    ASSERT_TRUE(host);
    GiveEachTrackItsChannel(*host);
    ASSERT_TRUE(SetByText(*host, "Track Prg 1", "65"));  // a square lead, plain pitch
    const int64_t second = static_cast<int64_t>(rates[r]);
    const Channels out = Render(*host, {{0, 0x90, 57, 100}}, 2 * second);
    levels[r] = Rms(out[0], static_cast<size_t>(second));
    counts[r] = crossings(std::vector<float>(out[0].begin() + second, out[0].end()), 0);
  }
  EXPECT_GT(levels[0], 1e-3);
  EXPECT_NEAR(levels[1] / levels[0], 1.0, 0.25);
  EXPECT_NEAR(counts[1], counts[0], 0.03 * counts[0]);
  EXPECT_NEAR(counts[0], 2 * 220, 0.1 * 440);  // A3 = 220 Hz
}

}  // namespace

// A host may report any tempo, far into a project: following it with "Sync
// to Host", the arpeggiator returns from every block, and its pattern plays.
TEST(ModuleProcess, AbsurdHostTemposStillLetEveryBlockReturn) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double tempo : {1e20, 1e300, 1e9, inf, nan, -5.0, 0.0}) {
    SCOPED_TRACE(tempo);
    auto host = OpenInstance();
    ASSERT_TRUE(host);
    host->config.time.tempo = tempo;
    host->config.time.samplePos = 1e17;  // far into a project: a tick shorter than the time's rounding step
    host->config.time.ppqPos = 4.0;
    host->config.time.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid;
    ASSERT_TRUE(SetByText(*host, "Speed", "480"));
    host->Set(ParamIndex(*host, "Sync to Host"), 1.0f);
    ASSERT_TRUE(SetByText(*host, "Mode", "Arpeggiator Up/Down"));
    host->SendMidi({{0x90, 60, 100, 0}, {0x90, 67, 100, 0}});
    double peak = 0.0;
    for (int block = 0; block < 40; ++block) {
      const Channels out = host->ProcessFloat(512);
      ASSERT_TRUE(AllFinite(out));
      peak = std::max(peak, Peak(out[0]));
      host->config.time.samplePos += 512;
      host->config.time.ppqPos += 0.05;
    }
    EXPECT_GT(peak, 0.0);
  }
}
