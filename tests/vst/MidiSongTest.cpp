// The bundled host's Standard MIDI File reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tools/vornell-host/MidiSong.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(int format, int tracks, int division) {
  return {'M',
          'T',
          'h',
          'd',
          0,
          0,
          0,
          6,
          0,
          static_cast<uint8_t>(format),
          0,
          static_cast<uint8_t>(tracks),
          static_cast<uint8_t>(division >> 8),
          static_cast<uint8_t>(division & 0xFF)};
}

Bytes Track(const Bytes& events) {
  Bytes out = {'M', 'T', 'r', 'k'};
  uint32_t size = static_cast<uint32_t>(events.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(size >> shift));
  out.insert(out.end(), events.begin(), events.end());
  return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace

TEST(MidiSong, TypeOneMergesTracksAndFollowsTheTempoMap) {
  // Division 96. Track 1: tempo 120 at 0, tempo 60 at tick 192.
  // Track 2: note on at 96 (0.5 s), running-status note off at 288
  // (1.0 s for the first 192 ticks + 96 ticks at 60 BPM = 1.0 s more).
  Bytes song = Join({Header(1, 2, 96),
                     Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // 500000 us
                            0x81, 0x40, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // delta 192: 1000000 us
                            0x00, 0xFF, 0x2F, 0x00}),
                     Track({0x60, 0x90, 60,   100,         // delta 96
                            0x81, 0x40, 60,   0,           // delta 192, running status
                            0x00, 0xF0, 0x02, 0x01, 0xF7,  // System Exclusive, skipped
                            0x00, 0xC1, 0x05,              // program change: one data byte
                            0x00, 0xFF, 0x2F, 0x00})});
  MidiSong reader;
  ASSERT_TRUE(reader.Parse(song.data(), song.size())) << reader.Error();
  EXPECT_EQ(reader.Format(), 1);
  EXPECT_EQ(reader.TrackCount(), 2);
  ASSERT_EQ(reader.Events().size(), 3u);
  EXPECT_DOUBLE_EQ(reader.Events()[0].seconds, 0.5);
  EXPECT_EQ(reader.Events()[0].status, 0x90);
  EXPECT_DOUBLE_EQ(reader.Events()[1].seconds, 2.0);
  EXPECT_EQ(reader.Events()[1].status, 0x90);
  EXPECT_EQ(reader.Events()[1].data2, 0);
  EXPECT_EQ(reader.Events()[2].status, 0xC1);
  EXPECT_EQ(reader.Events()[2].data1, 5);
  EXPECT_DOUBLE_EQ(reader.LengthSeconds(), 2.0);
  EXPECT_DOUBLE_EQ(reader.TempoAt(0.5), 120.0);
  EXPECT_DOUBLE_EQ(reader.TempoAt(1.5), 60.0);
  EXPECT_DOUBLE_EQ(reader.QuarterNotesAt(1.0), 2.0);
  EXPECT_DOUBLE_EQ(reader.QuarterNotesAt(2.0), 3.0);
}

TEST(MidiSong, EventsOfOneTickKeepFileOrder) {
  Bytes song = Join({Header(0, 1, 480),
                     Track({0x00, 0x90, 60, 100, 0x00, 0x80, 60, 0, 0x00, 0x90, 62, 100, 0x00, 0xFF, 0x2F, 0x00})});
  MidiSong reader;
  ASSERT_TRUE(reader.Parse(song.data(), song.size()));
  ASSERT_EQ(reader.Events().size(), 3u);
  EXPECT_EQ(reader.Events()[0].data1, 60);
  EXPECT_EQ(reader.Events()[1].status, 0x80);
  EXPECT_EQ(reader.Events()[2].data1, 62);
}

TEST(MidiSong, SmpteDivisionGivesFixedTicks) {
  // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
  Bytes song = Join({Header(0, 1, 0xE728), Track({0x87, 0x68, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00})});
  MidiSong reader;
  ASSERT_TRUE(reader.Parse(song.data(), song.size())) << reader.Error();
  ASSERT_EQ(reader.Events().size(), 1u);
  EXPECT_DOUBLE_EQ(reader.Events()[0].seconds, 1.0);  // delta 1000
}

TEST(MidiSong, DamagedFilesFailCleanly) {
  const Bytes good = Join({Header(0, 1, 96), Track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00})});
  MidiSong reader;
  ASSERT_TRUE(reader.Parse(good.data(), good.size()));
  // Every truncation cuts the header or the one track short.
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_FALSE(reader.Parse(good.data(), length)) << length;
    EXPECT_FALSE(reader.Error().empty());
    EXPECT_TRUE(reader.Events().empty());
  }
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"no magic", Join({Bytes{'R', 'I', 'F', 'F'}, Bytes(20, 0)})},
      {"type 2", Join({Header(2, 1, 96), Track({0x00, 0xFF, 0x2F, 0x00})})},
      {"zero division", Join({Header(0, 1, 0), Track({0x00, 0xFF, 0x2F, 0x00})})},
      {"no tracks", Header(1, 0, 96)},
      {"data without status", Join({Header(0, 1, 96), Track({0x00, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00})})},
      {"long delta", Join({Header(0, 1, 96), Track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1})})},
      {"track longer than file", Join({Header(0, 1, 96), Bytes{'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00}})},
      {"meta longer than track", Join({Header(0, 1, 96), Track({0x00, 0xFF, 0x01, 0x7F, 'a'})})},
      {"data byte with high bit", Join({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x90})})},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(reader.Parse(c.bytes.data(), c.bytes.size())) << c.what;
    EXPECT_TRUE(reader.Events().empty()) << c.what;
  }
  EXPECT_FALSE(reader.Load("/nonexistent/song.mid"));
}
