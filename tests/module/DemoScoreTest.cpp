// The demo song: its text form, the MIDI file made from it, and the song
// played through the module on the state it sets up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/demo/DemoScore.h"
#include "tests/module/ModuleSupport.h"
#include "tools/vornell-host/MidiSong.h"

namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;

void HashBytes(uint64_t& hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
}

TEST(DemoScoreText, NoteNames) {
  EXPECT_EQ(ParseNoteName("C4"), 60);
  EXPECT_EQ(ParseNoteName("A4"), 69);
  EXPECT_EQ(ParseNoteName("A#3"), 58);
  EXPECT_EQ(ParseNoteName("Bb3"), 58);
  EXPECT_EQ(ParseNoteName("C-1"), 0);
  EXPECT_EQ(ParseNoteName("G9"), 127);
  EXPECT_EQ(ParseNoteName("G#9"), -1);
  EXPECT_EQ(ParseNoteName("Cb-1"), -1);
  EXPECT_EQ(ParseNoteName("H2"), -1);
  EXPECT_EQ(ParseNoteName("C"), -1);
  EXPECT_EQ(ParseNoteName("C4x"), -1);
}

TEST(DemoScoreText, SequencesHoldsRestsAndGates) {
  DemoScore song;
  std::string error;
  ASSERT_TRUE(song.Parse("tempo 60\nseq 2 1 2 0.5 0.5 90  C4 - . E4 \"-\" -\n", &error)) << error;
  ASSERT_EQ(song.notes.size(), 2u);
  // C4 held for two steps from beat 2 (tick 480), sounding half of one beat.
  EXPECT_EQ(song.notes[0].channel, 1);
  EXPECT_EQ(song.notes[0].key, 60);
  EXPECT_EQ(song.notes[0].start, 480);
  EXPECT_EQ(song.notes[0].end, 480 + 240);
  EXPECT_EQ(song.notes[0].velocity, 90);
  // E4 from the fourth step, held for three.
  EXPECT_EQ(song.notes[1].key, 64);
  EXPECT_EQ(song.notes[1].start, 480 + 3 * 240);
  EXPECT_EQ(song.notes[1].end, 480 + 3 * 240 + 360);
  EXPECT_DOUBLE_EQ(song.LengthSeconds(), (480 + 3 * 240 + 360) / 480.0);
}

TEST(DemoScoreText, OverlapsStayButARepeatedKeyEndsFirst) {
  DemoScore song;
  std::string error;
  ASSERT_TRUE(song.Parse("seq 3 2 1 1 1.5 100 A4 C5 C5\n", &error)) << error;
  ASSERT_EQ(song.notes.size(), 3u);
  const int64_t bar = 4 * 480;
  // A4 overlaps C5 (legato); the first C5 ends where the second begins.
  EXPECT_EQ(song.notes[0].end, bar + 720);
  EXPECT_GT(song.notes[0].end, song.notes[1].start);
  EXPECT_EQ(song.notes[1].end, song.notes[2].start);
  EXPECT_EQ(song.notes[2].end, bar + 960 + 720);
}

TEST(DemoScoreText, MistakesNameTheirLine) {
  const char* bad[] = {
      "seq 1 1 1 1 1 100 - C4\n",   // hold without a note
      "chord 17 1 1 1 100 C4\n",    // no channel 17
      "chord 1 0 1 1 100 C4\n",     // bars count from 1
      "chord 1 1 5 1 100 C4\n",     // a 4/4 bar has no fifth beat
      "chord 1 1 1 1 100 X4\n",     // not a note
      "set \"Master Volume 0.5\n",  // unclosed quote
      "tempo fast\n",               //
      "louder 3\n",                 // unknown command
      "title \"Only a title\"\n",   // no notes at all
  };
  for (const char* text : bad) {
    DemoScore song;
    std::string error;
    EXPECT_FALSE(song.Parse(std::string("# comment\n") + text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    if (std::string(text).rfind("title", 0) != 0) {
      EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    }
  }
}

TEST(DemoScoreText, TheMidiFileReadsBackWithTheSameNotes) {
  DemoScore song;
  std::string error;
  ASSERT_TRUE(
      song.Parse("title \"T\"\ntempo 100\npart 4 \"Four\"\n"
                 "chord 4 1 1 2 80 A3 C4 E4\nseq 10 2 1.5 0.25 0.9 127 C2 - C2 . D2\n",
                 &error))
      << error;
  const std::vector<uint8_t> bytes = song.MidiFile();
  MidiSong read;
  ASSERT_TRUE(read.Parse(bytes.data(), bytes.size())) << read.Error();
  EXPECT_EQ(read.Format(), 1);
  EXPECT_EQ(read.TrackCount(), 3);  // tempo track, channel 4, channel 10
  EXPECT_EQ(read.Division(), 480);
  EXPECT_DOUBLE_EQ(read.TempoAt(0.0), 100.0);
  int ons = 0, offs = 0;
  for (const SongEvent& e : read.Events()) {
    const int type = e.status & 0xF0;
    if (type == 0x90 && e.data2 > 0) {
      ++ons;
      EXPECT_TRUE((e.status & 0x0F) == 3 || (e.status & 0x0F) == 9);
    }
    if (type == 0x80) ++offs;
  }
  EXPECT_EQ(ons, 6);
  EXPECT_EQ(offs, 6);
  // The last note (D2) ends at bar 2, beat 1.5 + 4 steps + 0.9 of a step.
  const double endBeats = 4 + 0.5 + 4 * 0.25 + 0.9 * 0.25;
  EXPECT_NEAR(read.Events().back().seconds, endBeats * 60.0 / 100.0, 1e-6);
  EXPECT_NEAR(song.LengthSeconds(), endBeats * 60.0 / 100.0, 1e-9);
}

// The bundled song on the module, set up the way the build sets it up.
TEST(DemoScore, EveryPartPlaysOnItsTrackWithoutClipping) {
  std::ifstream in(VORNELL_DEMO_SONG);
  std::stringstream text;
  text << in.rdbuf();
  DemoScore song;
  std::string error;
  ASSERT_TRUE(song.Parse(text.str(), &error)) << error;
  EXPECT_NEAR(song.LengthSeconds(), 20.0, 2.0);

  const double rate = 48000.0;
  auto host = OpenInstance(rate, 1024);
  ASSERT_TRUE(host);
  for (const DemoSetting& setting : song.settings)
    ASSERT_TRUE(SetByText(*host, setting.parameter, setting.value)) << setting.parameter << " = " << setting.value;
  EXPECT_EQ(Display(*host, "(4) Voice Mode"), "Unison");

  std::vector<TimedMidi> events;
  for (const DemoNote& n : song.notes) {
    const double seconds = 60.0 / song.tempo / DemoScore::kDivision;
    events.push_back({std::llround(n.start * seconds * rate), static_cast<uint8_t>(0x90 | n.channel),
                      static_cast<uint8_t>(n.key), static_cast<uint8_t>(n.velocity)});
    events.push_back(
        {std::llround(n.end * seconds * rate), static_cast<uint8_t>(0x80 | n.channel), static_cast<uint8_t>(n.key), 0});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const TimedMidi& a, const TimedMidi& b) { return a.frame < b.frame; });
  const int64_t total = static_cast<int64_t>((song.LengthSeconds() + 1.0) * rate);
  const Channels out = Render(*host, events, total, {1024});
  ASSERT_TRUE(AllFinite(out));
  // Every sample of all fourteen outputs in both precisions, as the
  // per-sample reference rendering gives them: any change of rounding shows here.
  uint64_t floatHash = kFnvOffset;
  for (const std::vector<float>& channel : out) HashBytes(floatHash, channel.data(), channel.size() * sizeof(float));
  EXPECT_EQ(floatHash, 0x94f9c0ad8b6f7ab6ull);
  auto doubleHost = OpenInstance(rate, 1024);
  ASSERT_TRUE(doubleHost);
  for (const DemoSetting& setting : song.settings) SetByText(*doubleHost, setting.parameter, setting.value);
  uint64_t doubleHash = kFnvOffset;
  for (const std::vector<double>& channel : RenderDouble(*doubleHost, events, total, {1000, 24}))
    HashBytes(doubleHash, channel.data(), channel.size() * sizeof(double));
  EXPECT_EQ(doubleHash, 0xa09c62a7a2f7a506ull);

  EXPECT_LT(std::max(Peak(out[0]), Peak(out[1])), 1.0);
  EXPECT_GT(Rms(out[0]), 0.03);
  for (int track = 1; track <= 6; ++track) EXPECT_GT(Rms(out[2 * track]), 1e-3) << "track " << track << " is silent";
  // The lead enters at bar 5 (8 s): nothing on its pair before.
  EXPECT_EQ(Peak(std::vector<float>(out[6].begin(), out[6].begin() + static_cast<int64_t>(7.9 * rate))), 0.0);
  // Panorama: the chords lean left, the hi-hat right.
  EXPECT_GT(Rms(out[2]), 1.2 * Rms(out[3]));
  EXPECT_GT(Rms(out[13]), 1.1 * Rms(out[12]));
}

}  // namespace
