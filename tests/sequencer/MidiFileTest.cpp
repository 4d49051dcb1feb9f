#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"
#include "tests/sequencer/MidiTestSupport.h"

using Bytes = std::vector<uint8_t>;

namespace {

// The sequence of the examples: ppq 192, length 768, four notes on channels 1 and 2.
Sequence ExampleSequence() {
  Sequence s;
  s.length = 768;
  for (SequenceEvent e : {SequenceEvent{0, 0x90, 60, 100}, SequenceEvent{96, 0x80, 60, 0},
                          SequenceEvent{192, 0x91, 64, 90}, SequenceEvent{288, 0x81, 64, 0}}) {
    s.AddEvent(e);
  }
  return s;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes NameEvent(int track) {
  Bytes b = {0x00, 0xFF, 0x03, 0x07, 'T', 'r', 'a', 'c', 'k', ' '};
  b.push_back(static_cast<uint8_t>('0' + track));
  return b;
}

const Bytes kEnd768 = {0x86, 0x00, 0xFF, 0x2F, 0x00};
const Bytes kTimeSig44 = {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08};

// Reads from memory into a sequence that holds something beforehand.
struct ReadOutcome {
  MidiFileReadResult result;
  Sequence sequence;
};

ReadOutcome Read(const Bytes& file) {
  ReadOutcome out;
  SequenceEvent old{0, 0x95, 1, 1};
  out.sequence.AddEvent(old);
  out.sequence.length = 42;
  out.result = ReadMidiData(file.data(), file.size(), out.sequence);
  return out;
}

}  // namespace

TEST(MidiFileWrite, Type0IsByteExact) {
  Bytes file;
  BuildMidiFile(ExampleSequence(), false, file);
  const Bytes expected =
      Concat({{0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 0, 0, 1, 0, 0xC0},
              {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 21},
              {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00, 0x60, 0x91, 0x40, 0x5A, 0x60, 0x81, 0x40, 0x00},
              kEnd768});
  EXPECT_EQ(file, expected);
}

TEST(MidiFileWrite, Type1IsByteExact) {
  Bytes file;
  BuildMidiFile(ExampleSequence(), true, file);
  Bytes expected = {0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, 6, 0, 0xC0};
  expected = Concat({expected,
                     {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 24},
                     NameEvent(1),
                     {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00},
                     kEnd768});
  // The second track starts its deltas from 0, so its first note is 192 ticks in.
  expected = Concat({expected,
                     {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 25},
                     NameEvent(2),
                     {0x81, 0x40, 0x91, 0x40, 0x5A, 0x60, 0x81, 0x40, 0x00},
                     kEnd768});
  for (int track = 3; track <= 6; ++track) {
    expected = Concat({expected, {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 16}, NameEvent(track), kEnd768});
  }
  EXPECT_EQ(file, expected);
}

TEST(MidiFileWrite, ResolutionAndQuantities) {
  Sequence s;
  s.ppq = 0;                              // taken as 192
  s.length = 0x0FFFFFFF;                  // the largest four-byte quantity
  SequenceEvent e{0x200000, 0x92, 1, 2};  // delta needs four bytes
  s.AddEvent(e);
  Bytes file;
  BuildMidiFile(s, false, file);
  ASSERT_EQ(file.size(), 14u + 8 + 7 + 7);
  EXPECT_EQ(file[12], 0x00);
  EXPECT_EQ(file[13], 0xC0);
  EXPECT_EQ(Bytes(file.begin() + 22, file.end()),
            (Bytes{0x81, 0x80, 0x80, 0x00, 0x92, 0x01, 0x02, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00}));
}

TEST(MidiFileWrite, LeavesOutWhatIsNoChannelMessage) {
  // Only a damaged stored state can hold these; the file must stay readable.
  DataBlockFromEvents corrupt({{0, 0xFF, 0x2F, 0}, {10, 0x90, 0x80, 1}, {20, 0xC3, 5, 0}, {30, 0x90, 60, 100}});
  Sequence s;
  ASSERT_GT(s.Unserialize(corrupt.block, 0), 0);
  Bytes file;
  BuildMidiFile(s, false, file);
  const Bytes track(file.begin() + 22, file.end());
  EXPECT_EQ(track, (Bytes{0x14, 0xC3, 0x05, 0x0A, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
  ReadOutcome back = Read(file);
  EXPECT_TRUE(back.result.complete);
  EXPECT_EQ(back.sequence.Events(), (std::vector<SequenceEvent>{{30, 0x90, 60, 100}}));
}

TEST(MidiFileRead, ExamplesReadBackToTheSameSequence) {
  for (bool type1 : {false, true}) {
    Bytes file;
    BuildMidiFile(ExampleSequence(), type1, file);
    ReadOutcome r = Read(file);
    EXPECT_TRUE(r.result.headerAccepted);
    EXPECT_TRUE(r.result.complete);
    EXPECT_EQ(r.sequence.Events(), ExampleSequence().Events()) << "type " << type1;
    EXPECT_EQ(r.sequence.length, 768);
    EXPECT_EQ(r.sequence.ppq, 192);
    EXPECT_EQ(ChannelMask(r.sequence), 0b11);  // the old channel-5 flag is gone
  }
}

TEST(MidiFileRead, WriteThenReadKeepsEventsLengthAndResolution) {
  std::mt19937 random(99);
  for (int round = 0; round < 20; ++round) {
    Sequence s;
    s.ppq = 96 + round;
    s.length = 384 * (1 + round % 4);
    for (int i = 0; i < 60; ++i) {
      const uint8_t channel = uint8_t(random() % 6);
      // Each channel its own notes: a note-off moved behind a note-on of
      // another channel cannot survive the one-chunk-per-channel layout.
      const uint8_t note = uint8_t(20 + channel * 10 + random() % 8);
      const int32_t tick = int32_t(random() % 1500);
      SequenceEvent on{tick, uint8_t(0x90 | channel), note, uint8_t(1 + random() % 127)};
      SequenceEvent off{tick + int32_t(random() % 3) * 48, uint8_t(0x80 | channel), note, 0};
      s.AddEvent(on);
      s.AddEvent(off);
    }
    for (bool type1 : {false, true}) {
      Bytes file;
      BuildMidiFile(s, type1, file);
      ReadOutcome r = Read(file);
      ASSERT_TRUE(r.result.complete);
      EXPECT_EQ(r.sequence.length, s.length);
      EXPECT_EQ(r.sequence.ppq, s.ppq);
      EXPECT_EQ(ChannelMask(r.sequence), ChannelMask(s));
      if (!type1) {
        EXPECT_EQ(r.sequence.Events(), s.Events()) << "round " << round;
      } else {
        // One chunk per channel: within a tick the channels come back in
        // channel order. Per channel nothing changes.
        for (int channel = 0; channel < 6; ++channel) {
          EXPECT_EQ(EventsOfChannel(r.sequence, channel), EventsOfChannel(s, channel))
              << "round " << round << " channel " << channel;
        }
      }
    }
  }
}

TEST(MidiFileRead, LengthFromLastEventIsRoundedToTheNextBar) {
  const Bytes notes = {0x00, 0x90, 0x3C, 0x64, 0x8C, 0x00, 0x80, 0x3C, 0x00};  // note-off at 1536
  const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
  const Bytes shorterPart = {0x00, 0x91, 0x40, 0x64, 0x86, 0x00, 0x81, 0x40, 0x00};  // note-off at 768
  // The same whether the time signature is in the notes' track or in a
  // conductor track, however many tracks that end at 0 follow, and whichever
  // order a shorter part comes in (the loop holds the longest).
  const Bytes files[] = {
      MidiBytes(0, 192, {Concat({kTimeSig44, notes, end})}),
      MidiBytes(1, 192, {Concat({kTimeSig44, end}), Concat({notes, end}), end, Concat({NameEvent(4), end})}),
      MidiBytes(1, 192, {Concat({kTimeSig44, end}), Concat({notes, end}), Concat({shorterPart, end})}),
      MidiBytes(1, 192, {Concat({kTimeSig44, end}), Concat({shorterPart, end}), Concat({notes, end})})};
  for (const Bytes& file : files) {
    ReadOutcome r = Read(file);
    ASSERT_TRUE(r.result.complete);
    EXPECT_EQ(r.sequence.length, 2304);
    EXPECT_EQ(r.sequence.barLength, 1.0);
  }
}

// Another program's track may end a little after its last event: that delta
// is no loop length when notes start beyond it (they would never sound). Our
// own files, which carry no tempo or metre, keep the delta whatever follows.
TEST(MidiFileRead, AShortLastDeltaOfAnotherProgramsTrackDoesNotCutItsNotesOff) {
  const Bytes lateNotes = {0x00, 0x90, 0x3C, 0x64, 0x89, 0x30, 0x91, 0x40, 0x64,   // on at 0 and at 1200
                           0x82, 0x50, 0x80, 0x3C, 0x00, 0x00, 0x81, 0x40, 0x00};  // both off at 1536
  const Bytes shortEnd = {0x48, 0xFF, 0x2F, 0x00};                                 // ends at 1608
  ReadOutcome other = Read(MidiBytes(0, 192, {Concat({kTimeSig44, lateNotes, shortEnd})}));
  ASSERT_TRUE(other.result.complete);
  EXPECT_EQ(other.sequence.length, 2304);  // 1608 rounded to the bar after
  ReadOutcome ours = Read(MidiBytes(0, 192, {Concat({lateNotes, shortEnd})}));
  ASSERT_TRUE(ours.result.complete);
  EXPECT_EQ(ours.sequence.length, 72);
}

TEST(MidiFileRead, TimeSignaturesGiveBarLengths) {
  struct Case {
    uint8_t numerator, power;
    double bar;
    int32_t length;  // 700 ticks at 96 per quarter, rounded to the next bar
  };
  for (Case c : {Case{6, 3, 0.75, 864}, Case{3, 2, 0.75, 864}, Case{2, 1, 1.0, 768}, Case{0, 2, 1.0, 768}}) {
    const Bytes track = {0x00, 0xFF, 0x58, 0x04, c.numerator, c.power, 0x18, 0x08, 0x85, 0x3C, 0xFF, 0x2F, 0x00};
    ReadOutcome r = Read(MidiBytes(1, 96, {track}));
    ASSERT_TRUE(r.result.complete);
    EXPECT_EQ(r.sequence.barLength, c.bar) << int(c.numerator) << "/" << (1 << c.power);
    EXPECT_EQ(r.sequence.length, c.length) << int(c.numerator) << "/" << (1 << c.power);
  }
}

TEST(MidiFileRead, SmpteTimeIsTakenAt120Bpm) {
  // Frames a second (negated) and ticks a frame instead of ticks a quarter:
  // at 120 BPM a quarter lasts half a second. A note of a quarter second.
  struct Case {
    uint8_t frames, ticksPerFrame;
    int32_t ticksPerSecond;  // 29.97 frames (drop-frame) counted as 30
  };
  for (Case c : {Case{0xE7, 40, 1000}, Case{0xE8, 4, 96}, Case{0xE3, 80, 2400}, Case{0xE2, 2, 60}}) {
    const int quarterSecond = c.ticksPerSecond / 4;
    const Bytes track = {
        0x00, 0x90, 0x3C, 0x64, uint8_t(0x80 | (quarterSecond >> 7)), uint8_t(quarterSecond & 0x7F), 0x80, 0x3C, 0x00,
        0x00, 0xFF, 0x2F, 0x00};
    Bytes file = MidiBytes(0, c.frames << 8 | c.ticksPerFrame, {track});
    ReadOutcome r = Read(file);
    ASSERT_TRUE(r.result.complete) << int{c.frames};
    EXPECT_EQ(r.sequence.ppq, c.ticksPerSecond);
    const int32_t halfQuarter = c.ticksPerSecond / 2;
    EXPECT_EQ(r.sequence.Events(), (std::vector<SequenceEvent>{{0, 0x90, 60, 100}, {halfQuarter, 0x80, 60, 0}}));
    EXPECT_EQ(r.sequence.length, halfQuarter);
  }
  // No ticks in a frame: refused.
  EXPECT_FALSE(Read(MidiBytes(0, 0xE700, {{0x00, 0xFF, 0x2F, 0x00}})).result.headerAccepted);
}

TEST(MidiFileRead, OtherChannelsAndMessagesAreSkippedWithoutLosingTime) {
  const Bytes track = {0x00, 0x90, 0x3C, 0x64,                   // 0: note on, channel 1
                       0x10, 0x99, 0x24, 0x64,                   // 16: drum note on channel 10
                       0x10, 0xB0, 0x07, 0x64,                   // 32: controller
                       0x10, 0xC0, 0x05,                         // 48: program change, one data byte
                       0x10, 0xD0, 0x30,                         // 64: channel pressure, one data byte
                       0x10, 0xE0, 0x00, 0x40,                   // 80: pitch bend
                       0x10, 0xA0, 0x3C, 0x20,                   // 96: polyphonic aftertouch
                       0x10, 0x96, 0x3C, 0x20,                   // 112: note on channel 7
                       0x00, 0xF0, 0x03, 0x01, 0x02, 0xF7,       // 112: system exclusive
                       0x00, 0xFF, 0x01, 0x03, 'a',  'b',  'c',  // 112: text
                       0x00, 0x80, 0x3C, 0x00,                   // 112: note off, channel 1
                       0x20, 0x95, 0x3E, 0x50,                   // 144: note on, channel 6
                       0x00, 0xFF, 0x2F, 0x00};
  ReadOutcome r = Read(MidiBytes(0, 96, {track}));
  ASSERT_TRUE(r.result.complete);
  EXPECT_EQ(r.sequence.Events(),
            (std::vector<SequenceEvent>{{0, 0x90, 60, 100}, {112, 0x80, 60, 0}, {144, 0x95, 62, 80}}));
  EXPECT_EQ(r.sequence.length, 144);
  EXPECT_EQ(ChannelMask(r.sequence), (1 << 0) | (1 << 5));
}

TEST(MidiFileRead, RunningStatusAndVelocityZeroNoteOn) {
  const Bytes track = {0x00, 0x90, 0x3C, 0x64,  // note on
                       0x60, 0x3C, 0x00,        // 96: running status, velocity 0 ends it
                       0x00, 0x3E, 0x50,        // 96: running status again
                       0x00, 0xFF, 0x01, 0x00,  // meta event cancels running status
                       0x10, 0x40,              // 112: data byte without status: skipped alone
                       0x10, 0x91, 0x40, 0x50,  // 128
                       0x00, 0xFF, 0x2F, 0x00};
  ReadOutcome r = Read(MidiBytes(0, 96, {track}));
  ASSERT_TRUE(r.result.complete);
  EXPECT_EQ(r.sequence.Events(), (std::vector<SequenceEvent>{
                                     {0, 0x90, 60, 100}, {96, 0x90, 60, 0}, {96, 0x90, 62, 80}, {128, 0x91, 64, 80}}));
  EXPECT_EQ(r.sequence.length, 128);
}

TEST(MidiFileRead, FourByteQuantities) {
  // A delta of 2^21 in four bytes; then a quantity whose fourth byte continues, which counts as 0.
  const Bytes track = {0x81, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x64,  //
                       0x81, 0x80, 0x80, 0x80, 0x80, 0x3C, 0x00,  //
                       0x00, 0xFF, 0x2F, 0x00};
  ReadOutcome r = Read(MidiBytes(0, 96, {track}));
  ASSERT_TRUE(r.result.complete);
  EXPECT_EQ(r.sequence.Events(), (std::vector<SequenceEvent>{{0x200000, 0x90, 60, 100}, {0x200001, 0x80, 60, 0}}));
  EXPECT_EQ(r.sequence.length, 0x200000);
}

TEST(MidiFileRead, BadHeadersAreRefusedBeforeTheSequenceChanges) {
  const Bytes good = MidiBytes(0, 96, {{0x00, 0xFF, 0x2F, 0x00}});
  std::vector<Bytes> bad;
  Bytes format2 = good;
  format2[9] = 2;
  bad.push_back(format2);
  Bytes division0 = good;
  division0[12] = division0[13] = 0;
  bad.push_back(division0);
  Bytes tracks0 = good;
  tracks0[11] = 0;
  bad.push_back(tracks0);
  Bytes headerLength = good;
  headerLength[4] = 1;  // high half of the length must be 0
  bad.push_back(headerLength);
  Bytes id = good;
  id[0] = 'X';
  bad.push_back(id);
  bad.push_back(Bytes(good.begin(), good.begin() + 13));  // short header
  bad.push_back(Bytes());
  for (size_t i = 0; i < bad.size(); ++i) {
    ReadOutcome r = Read(bad[i]);
    EXPECT_FALSE(r.result.headerAccepted) << i;
    EXPECT_FALSE(r.result.complete) << i;
    EXPECT_EQ(r.sequence.EventCount(), 1u) << i;
    EXPECT_EQ(r.sequence.length, 42) << i;
  }
}

TEST(MidiFileRead, TruncatedFilesFailKeepingWhatWasRead) {
  Bytes file;
  BuildMidiFile(ExampleSequence(), true, file);
  for (size_t cut = 0; cut < file.size(); ++cut) {
    ReadOutcome r = Read(Bytes(file.begin(), file.begin() + cut));
    EXPECT_FALSE(r.result.complete) << cut;
    EXPECT_EQ(r.result.headerAccepted, cut >= 14) << cut;
    ExpectConsistent(r.sequence);
    if (r.result.headerAccepted) {
      EXPECT_LE(r.sequence.EventCount(), 4u);
    }
  }
  // Cut inside the second track: the first track's notes stay.
  ReadOutcome r = Read(Bytes(file.begin(), file.begin() + 14 + 8 + 24 + 8 + 11));
  EXPECT_EQ(r.sequence.EventCount(), 2u);
  EXPECT_EQ(r.sequence.length, 768);
}

TEST(MidiFileRead, EnormousLengthsFailOrAreIgnoredCleanly) {
  // A meta event, a system exclusive event and a chunk that announce far more
  // than the file holds.
  ReadOutcome meta = Read(MidiBytes(0, 96, {{0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'x'}}));
  EXPECT_TRUE(meta.result.headerAccepted);
  EXPECT_FALSE(meta.result.complete);
  ReadOutcome sysex = Read(MidiBytes(0, 96, {{0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01}}));
  EXPECT_FALSE(sysex.result.complete);
  // The chunk length is not trusted: the chunk ends at its end-of-track event.
  Bytes chunk = MidiBytes(0, 96, {{0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}});
  std::fill(chunk.begin() + 18, chunk.begin() + 22, 0xFF);
  ReadOutcome ignored = Read(chunk);
  EXPECT_TRUE(ignored.result.complete);
  EXPECT_EQ(ignored.sequence.EventCount(), 1u);
  // 65535 tracks announced, one present.
  Bytes many = chunk;
  many[10] = many[11] = 0xFF;
  EXPECT_FALSE(Read(many).result.complete);
}

TEST(MidiFileRead, TimeBeyondTheTickRangeFails) {
  Bytes track;
  for (int i = 0; i < 9; ++i) track.insert(track.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
  track.insert(track.end(), {0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00});
  ReadOutcome r = Read(MidiBytes(0, 96, {track}));
  EXPECT_TRUE(r.result.headerAccepted);
  EXPECT_FALSE(r.result.complete);
  ExpectConsistent(r.sequence);
}

TEST(MidiFileRead, MissingTrackIdFails) {
  Bytes file = MidiBytes(0, 96, {{0x00, 0xFF, 0x2F, 0x00}});
  file[14] = 'X';
  EXPECT_FALSE(Read(file).result.complete);
}

TEST(MidiFileRead, ChunksOfOtherKindsArePassedOver) {
  // The format lets other programs add chunks of their own kinds anywhere
  // after the header; they do not count as tracks.
  const Bytes alien = {'X', 'F', 'I', 'H', 0, 0, 0, 3, 0x90, 0x3C, 0x64};
  const Bytes one = MidiBytes(1, 96, {{0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
  const Bytes two = MidiBytes(1, 96, {{0x00, 0x91, 0x40, 0x64, 0x30, 0x81, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
  Bytes file(one.begin(), one.begin() + 14);
  file[11] = 2;  // two tracks
  file.insert(file.end(), alien.begin(), alien.end());
  file.insert(file.end(), one.begin() + 14, one.end());
  file.insert(file.end(), alien.begin(), alien.end());
  file.insert(file.end(), two.begin() + 14, two.end());
  ReadOutcome r = Read(file);
  ASSERT_TRUE(r.result.complete);
  EXPECT_EQ(r.sequence.Events(),
            (std::vector<SequenceEvent>{
                {0, 0x90, 0x3C, 0x64}, {0, 0x91, 0x40, 0x64}, {48, 0x80, 0x3C, 0}, {48, 0x81, 0x40, 0}}));
  // An alien chunk that runs past the end is a file ending inside a chunk.
  file.resize(one.size() + alien.size() + 9);
  EXPECT_FALSE(Read(file).result.complete);
}

TEST(MidiFileRead, GarbageNeverCrashesOrLeavesAnInconsistentSequence) {
  Bytes valid;
  BuildMidiFile(ExampleSequence(), true, valid);
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    Bytes file = valid;
    if (round % 3 == 0) {
      // Random bytes after a valid header.
      file.resize(14 + random() % 300);
      for (size_t i = 14; i < file.size(); ++i) file[i] = uint8_t(random());
      if (round % 2 == 0 && file.size() >= 22) std::copy_n("MTrk", 4, file.begin() + 14);
    } else {
      const int flips = 1 + int(random() % 8);
      for (int i = 0; i < flips; ++i) file[14 + random() % (file.size() - 14)] = uint8_t(random());
    }
    ReadOutcome r = Read(file);
    ExpectConsistent(r.sequence);
  }
}

TEST(MidiFileRead, MissingFileAndEmptyPathFail) {
  Sequence s;
  SequenceEvent e{0, 0x90, 60, 1};
  s.AddEvent(e);
  EXPECT_FALSE(ReadMidiFile("", s).headerAccepted);
  EXPECT_FALSE(ReadMidiFile("/nonexistent/folder/x.mid", s).headerAccepted);
  TempFolder folder;
  EXPECT_FALSE(ReadMidiFile(folder.Path(), s).headerAccepted);  // a folder opens but does not read
  EXPECT_EQ(s.EventCount(), 1u);
  EXPECT_FALSE(WriteMidiFile("", false, s));
  EXPECT_FALSE(WriteMidiFile("/nonexistent/folder/x.mid", false, s));
  EXPECT_FALSE(WriteMidiFile(folder.Path(), false, s));
}

TEST(MidiFileRead, LargeFileFromDiskReadsAcrossBufferRefills) {
  Sequence s;
  s.length = 1 << 20;
  for (int i = 0; i < 60000; ++i) {
    SequenceEvent on{i * 4, uint8_t(0x90 | (i % 6)), uint8_t(30 + i % 60), 100};
    SequenceEvent off{i * 4 + 2, uint8_t(0x80 | (i % 6)), uint8_t(30 + i % 60), 0};
    s.AddEvent(on);
    s.AddEvent(off);
  }
  TempFolder folder;
  const std::string path = folder.Path() + "/large.mid";
  ASSERT_TRUE(WriteMidiFile(path, false, s));
  Sequence r;
  ASSERT_TRUE(ReadMidiFile(path, r).complete);
  EXPECT_EQ(r.Events(), s.Events());
  EXPECT_EQ(r.length, 1 << 20);
}
