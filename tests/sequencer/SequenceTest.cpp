#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "plugin/DataBlock.h"
#include "sequencer/Sequence.h"

namespace {

SequenceEvent Ev(int32_t tick, uint8_t status, uint8_t data1, uint8_t data2) {
  return {tick, status, data1, data2};
}

void Add(Sequence& s, SequenceEvent e) {
  ASSERT_TRUE(s.AddEvent(e));
}

std::vector<SequenceEvent> Events(const Sequence& s) {
  return s.Events();
}

int UsedChannels(const Sequence& s) {
  int mask = 0;
  for (int c = 0; c < 16; ++c) mask |= s.channelUsed[c] ? 1 << c : 0;
  return mask;
}

}  // namespace

TEST(Sequence, AddEventMakesTicksEvenAndChangesCallersEvent) {
  Sequence s;
  SequenceEvent e = Ev(7, 0x90, 60, 100);
  ASSERT_TRUE(s.AddEvent(e));
  EXPECT_EQ(e.tick, 6);
  SequenceEvent negative = Ev(-3, 0x91, 61, 100);
  ASSERT_TRUE(s.AddEvent(negative));
  EXPECT_EQ(negative.tick, -4);
  EXPECT_EQ(Events(s), (std::vector<SequenceEvent>{Ev(-4, 0x91, 61, 100), Ev(6, 0x90, 60, 100)}));
  EXPECT_EQ(UsedChannels(s), 0b11);
}

TEST(Sequence, NoteOffAtItsNoteOnsTickMovesBehindIt) {
  Sequence s;
  Add(s, Ev(96, 0x90, 60, 100));
  SequenceEvent off = Ev(96, 0x80, 60, 0);
  ASSERT_TRUE(s.AddEvent(off));
  EXPECT_EQ(off.tick, 97);
  // Channels are not compared: a note-off on another channel moves too.
  SequenceEvent otherChannel = Ev(96, 0x83, 60, 0);
  ASSERT_TRUE(s.AddEvent(otherChannel));
  EXPECT_EQ(otherChannel.tick, 97);
  // Another note number does not move.
  SequenceEvent otherNote = Ev(96, 0x80, 61, 0);
  ASSERT_TRUE(s.AddEvent(otherNote));
  EXPECT_EQ(otherNote.tick, 96);
  // A note-on added after a note-off of the same tick does not move the note-off.
  Add(s, Ev(200, 0x80, 62, 0));
  Add(s, Ev(200, 0x90, 62, 90));
  EXPECT_EQ(Events(s), (std::vector<SequenceEvent>{Ev(96, 0x90, 60, 100), Ev(96, 0x80, 61, 0), Ev(97, 0x80, 60, 0),
                                                   Ev(97, 0x83, 60, 0), Ev(200, 0x80, 62, 0), Ev(200, 0x90, 62, 90)}));
}

TEST(Sequence, NewEventFollowsThoseOfItsTickAndPrecedesLaterOnes) {
  Sequence s;
  Add(s, Ev(0, 0x90, 1, 1));
  Add(s, Ev(100, 0x90, 2, 1));
  Add(s, Ev(50, 0x90, 3, 1));
  Add(s, Ev(50, 0x90, 4, 1));
  Add(s, Ev(0, 0x90, 5, 1));
  Add(s, Ev(101, 0x90, 6, 1));  // stored at 100, after the one already there
  std::vector<int> order;
  for (const SequenceEvent& e : s.Events()) order.push_back(e.data1);
  EXPECT_EQ(order, (std::vector<int>{1, 5, 3, 4, 2, 6}));
}

TEST(Sequence, SetEventsGivesWhatAddingOneByOneGives) {
  std::mt19937 random(1234);
  const uint8_t statuses[] = {0x90, 0x80, 0x91, 0x81, 0xB0, 0xA0, 0x95, 0x85};
  for (int round = 0; round < 50; ++round) {
    std::vector<SequenceEvent> input;
    const int count = 1 + int(random() % 200);
    for (int i = 0; i < count; ++i) {
      input.push_back(Ev(int32_t(random() % 40) - 4, statuses[random() % 8], uint8_t(60 + random() % 3),
                         uint8_t(random() % 2 ? 100 : 0)));
    }
    Sequence oneByOne;
    for (SequenceEvent e : input) ASSERT_TRUE(oneByOne.AddEvent(e));
    Sequence bulk;
    Add(bulk, Ev(4, 0xC0, 1, 0));  // replaced, flag included
    std::vector<SequenceEvent> copy = input;
    ASSERT_TRUE(bulk.SetEvents(copy));
    ASSERT_EQ(Events(bulk), Events(oneByOne)) << "round " << round;
    EXPECT_EQ(UsedChannels(bulk), UsedChannels(oneByOne));
  }
}

TEST(Sequence, RemoveNoteTakesOnlyThatChannelsNoteAndKeepsFlags) {
  Sequence s;
  Add(s, Ev(0, 0x90, 60, 100));
  Add(s, Ev(0, 0x91, 60, 100));
  Add(s, Ev(10, 0xA0, 60, 30));  // aftertouch carries a note number
  Add(s, Ev(12, 0xB0, 60, 30));  // a controller does not
  Add(s, Ev(20, 0x80, 60, 0));
  Add(s, Ev(20, 0x90, 61, 90));
  s.RemoveNote(0, 60);
  EXPECT_EQ(Events(s), (std::vector<SequenceEvent>{Ev(0, 0x91, 60, 100), Ev(12, 0xB0, 60, 30), Ev(20, 0x90, 61, 90)}));
  s.RemoveNote(0, 61);
  EXPECT_TRUE(s.channelUsed[0]);  // flags stay
  s.RemoveNote(5, 60);            // nothing of that channel: unchanged
  EXPECT_EQ(s.EventCount(), 2u);
}

TEST(Sequence, RemoveChannelClearsItsFlag) {
  Sequence s;
  Add(s, Ev(0, 0x92, 60, 100));
  Add(s, Ev(4, 0xB2, 7, 100));
  Add(s, Ev(8, 0x93, 62, 100));
  s.RemoveChannel(2);
  EXPECT_EQ(Events(s), (std::vector<SequenceEvent>{Ev(8, 0x93, 62, 100)}));
  EXPECT_EQ(UsedChannels(s), 1 << 3);
  s.RemoveChannel(40);  // out of range: nothing
  EXPECT_EQ(s.EventCount(), 1u);
}

TEST(Sequence, CloseHangingNotesAppendsNoteOffAtLength) {
  Sequence s;
  s.length = 768;
  Add(s, Ev(0, 0x90, 60, 100));
  Add(s, Ev(96, 0x80, 60, 0));
  Add(s, Ev(192, 0x92, 64, 90));
  s.CloseHangingNotes();
  ASSERT_EQ(s.EventCount(), 4u);
  EXPECT_EQ(s.Events().back(), Ev(768, 0x82, 64, 0));
  EXPECT_EQ(UsedChannels(s), 0b101);
  // Closing again adds nothing.
  s.CloseHangingNotes();
  EXPECT_EQ(s.EventCount(), 4u);
}

TEST(Sequence, CloseHangingNotesOnlyLooksForward) {
  Sequence s;
  s.length = 384;
  Add(s, Ev(0, 0x80, 60, 0));  // an off before the on does not close it
  Add(s, Ev(10, 0x90, 60, 100));
  Add(s, Ev(20, 0x90, 60, 100));  // closed by the one note-off added for the key
  Add(s, Ev(30, 0x91, 60, 100));  // another channel needs its own
  s.CloseHangingNotes();
  EXPECT_EQ(Events(s), (std::vector<SequenceEvent>{Ev(0, 0x80, 60, 0), Ev(10, 0x90, 60, 100), Ev(20, 0x90, 60, 100),
                                                   Ev(30, 0x91, 60, 100), Ev(384, 0x80, 60, 0), Ev(384, 0x81, 60, 0)}));
}

TEST(Sequence, CloseHangingNotesKeepsTickOrderWhenEventsLieBeyondTheLoop) {
  Sequence s;
  s.length = 576;  // a first pass rounded down below its last notes
  Add(s, Ev(0, 0x90, 60, 100));
  Add(s, Ev(600, 0x90, 62, 100));
  Add(s, Ev(650, 0x80, 62, 0));
  s.CloseHangingNotes();
  EXPECT_EQ(Events(s), (std::vector<SequenceEvent>{Ev(0, 0x90, 60, 100), Ev(576, 0x80, 60, 0), Ev(600, 0x90, 62, 100),
                                                   Ev(650, 0x80, 62, 0)}));
  for (size_t i = 1; i < s.EventCount(); ++i) EXPECT_LE(s.Events()[i - 1].tick, s.Events()[i].tick);
}

TEST(Sequence, CloseHangingNotesTakesVelocityZeroNoteOnAsNoteEnd) {
  Sequence s;
  s.length = 192;
  Add(s, Ev(0, 0x90, 60, 100));
  Add(s, Ev(48, 0x90, 60, 0));
  s.CloseHangingNotes();
  EXPECT_EQ(s.EventCount(), 2u);
}

TEST(Sequence, CloseHangingNotesRefreshesOnlyTrackChannelFlags) {
  Sequence s;
  s.length = 192;
  Add(s, Ev(0, 0xB1, 7, 100));   // channel 1: controller only
  Add(s, Ev(0, 0x99, 36, 100));  // channel 9: not refreshed
  Add(s, Ev(10, 0x89, 36, 0));
  s.channelUsed[4] = true;   // nothing on channel 4
  s.channelUsed[12] = true;  // left alone
  s.CloseHangingNotes();
  EXPECT_EQ(UsedChannels(s), (1 << 9) | (1 << 12));
}

TEST(Sequence, CloseHangingNotesOnEmptySequenceResetsLength) {
  Sequence s;
  s.length = 768;
  s.CloseHangingNotes();
  EXPECT_EQ(s.length, 0);
}

TEST(Sequence, ClearKeepsTempoAndBarLength) {
  Sequence s;
  s.length = 768;
  s.ppq = 96;
  s.tempo = 90;
  s.barLength = 0.75;
  Add(s, Ev(0, 0x93, 60, 100));
  s.Clear();
  EXPECT_EQ(s.length, 0);
  EXPECT_EQ(s.ppq, 192);
  EXPECT_EQ(s.tempo, 90);
  EXPECT_EQ(s.barLength, 0.75);
  EXPECT_TRUE(s.Empty());
  EXPECT_EQ(UsedChannels(s), 0);
}

TEST(Sequence, StorageIsReservedSoRecordingDoesNotReallocate) {
  Sequence s;
  const SequenceEvent* before = s.Events().data();
  for (int i = 0; i < int(Sequence::kReservedEvents); ++i) Add(s, Ev(i * 2, 0x90, 60, 100));
  EXPECT_EQ(s.Events().data(), before);
  ASSERT_TRUE(s.EnsureHeadroom(1000));
  const SequenceEvent* grown = s.Events().data();
  for (int i = 0; i < 1000; ++i) Add(s, Ev(1000000 + i * 2, 0x80, 60, 0));
  EXPECT_EQ(s.Events().data(), grown);

  Sequence small;
  Add(small, Ev(0, 0x90, 60, 100));
  const Sequence copy(small);
  EXPECT_GE(copy.Events().capacity(), Sequence::kReservedEvents);
  EXPECT_EQ(copy.Events(), small.Events());
}

TEST(Sequence, StoredFormRoundTrips) {
  Sequence s;
  s.length = 768;
  s.ppq = 96;
  s.tempo = 133.5;
  s.barLength = 0.75;
  Add(s, Ev(0, 0x90, 60, 100));
  Add(s, Ev(0, 0x80, 60, 0));  // stored at odd tick 1
  Add(s, Ev(200, 0xB7, 7, 99));
  DataBlock block;
  block.PutByte(0x55);  // the record need not start at 0
  ASSERT_TRUE(s.Serialize(block));
  ASSERT_EQ(block.Size(), 1 + Sequence::kStoredHeaderSize + 3 * Sequence::kStoredEventSize);
  // Layout of one event: tick, status, data1, data2, spare byte.
  const uint8_t* first = block.Data() + 1 + Sequence::kStoredHeaderSize + 8;
  EXPECT_EQ(first[0], 1);
  EXPECT_EQ(first[4], 0x80);
  EXPECT_EQ(first[5], 60);

  Sequence r;
  Add(r, Ev(4, 0x9F, 1, 1));  // replaced
  EXPECT_EQ(r.Unserialize(block, 1), block.Size());
  EXPECT_EQ(Events(r), Events(s));
  EXPECT_EQ(r.length, 768);
  EXPECT_EQ(r.ppq, 96);
  EXPECT_EQ(r.tempo, 133.5);
  EXPECT_EQ(r.barLength, 0.75);
  EXPECT_EQ(UsedChannels(r), (1 << 0) | (1 << 7));
}

TEST(Sequence, TruncatedStoredFormFailsAndLeavesSequenceEmpty) {
  Sequence s;
  s.length = 768;
  s.tempo = 99;
  for (int i = 0; i < 10; ++i) Add(s, Ev(i * 10, 0x91, uint8_t(60 + i), 100));
  DataBlock full;
  ASSERT_TRUE(s.Serialize(full));
  for (int cut = 0; cut < full.Size(); ++cut) {
    DataBlock part;
    part.PutBytes(full.Data(), cut);
    Sequence r;
    r.tempo = 77;
    r.barLength = 0.5;
    Add(r, Ev(0, 0x92, 50, 100));
    r.length = 192;
    EXPECT_EQ(r.Unserialize(part, 0), -1) << "cut at " << cut;
    EXPECT_TRUE(r.Empty());
    EXPECT_EQ(UsedChannels(r), 0);
    EXPECT_EQ(r.length, 0);
    EXPECT_EQ(r.ppq, 192);
    EXPECT_EQ(r.tempo, 77);  // as clearing does
    EXPECT_EQ(r.barLength, 0.5);
  }
}

TEST(Sequence, GarbageCountsFailWithoutAllocating) {
  for (int32_t count : {-1, INT32_MIN, INT32_MAX, 1 << 28, 3}) {
    DataBlock block;
    block.PutInt32(768);
    block.PutInt32(192);
    block.PutDouble(120);
    block.PutDouble(1);
    block.PutInt32(count);
    block.PutBytes("\0\0\0\0\x90\x3c\x64\0\0\0\0\0\x80\x3c\0\0", 16);  // two events
    Sequence r;
    EXPECT_EQ(r.Unserialize(block, 0), -1) << count;
    EXPECT_TRUE(r.Empty());
  }
  Sequence r;
  DataBlock empty;
  EXPECT_EQ(r.Unserialize(empty, -1), -1);
}

TEST(Sequence, StoredFormOutOfOrderIsReordered) {
  DataBlock block;
  block.PutInt32(384);
  block.PutInt32(192);
  block.PutDouble(120);
  block.PutDouble(1);
  block.PutInt32(3);
  const uint8_t events[] = {100, 0, 0, 0, 0x90, 60, 100, 0,  //
                            11,  0, 0, 0, 0x94, 61, 100, 0,  // odd tick made even
                            0,   0, 0, 0, 0xB3, 7,  20,  0};
  block.PutBytes(events, sizeof events);
  Sequence r;
  EXPECT_EQ(r.Unserialize(block, 0), block.Size());
  EXPECT_EQ(Events(r), (std::vector<SequenceEvent>{Ev(0, 0xB3, 7, 20), Ev(10, 0x94, 61, 100), Ev(100, 0x90, 60, 100)}));
  EXPECT_EQ(UsedChannels(r), (1 << 0) | (1 << 3) | (1 << 4));
}
