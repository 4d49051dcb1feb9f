#include "tests/sequencer/MidiTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

std::vector<uint8_t> MidiBytes(int format, int division, std::initializer_list<std::vector<uint8_t>> tracks) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  const int count = static_cast<int>(tracks.size());
  for (int value : {format, count, division}) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
  }
  for (const std::vector<uint8_t>& body : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    const uint32_t size = static_cast<uint32_t>(body.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(size >> shift));
    out.insert(out.end(), body.begin(), body.end());
  }
  return out;
}

int ChannelMask(const Sequence& sequence) {
  int mask = 0;
  for (int c = 0; c < 16; ++c) mask |= sequence.channelUsed[c] ? 1 << c : 0;
  return mask;
}

std::vector<SequenceEvent> EventsOfChannel(const Sequence& sequence, int channel) {
  std::vector<SequenceEvent> out;
  for (const SequenceEvent& e : sequence.Events()) {
    if ((e.status & 0x0F) == channel) out.push_back(e);
  }
  return out;
}

void ExpectConsistent(const Sequence& sequence) {
  int channels = 0;
  const std::vector<SequenceEvent>& events = sequence.Events();
  for (size_t i = 0; i < events.size(); ++i) {
    const int type = events[i].status >> 4;
    EXPECT_TRUE(type == 8 || type == 9) << "event " << i;
    EXPECT_LT(events[i].status & 0x0F, 6) << "event " << i;
    if (i > 0) {
      EXPECT_LE(events[i - 1].tick, events[i].tick) << "event " << i;
    }
    channels |= 1 << (events[i].status & 0x0F);
  }
  EXPECT_EQ(ChannelMask(sequence), channels);
}

DataBlockFromEvents::DataBlockFromEvents(std::initializer_list<SequenceEvent> events) {
  block.PutInt32(0);
  block.PutInt32(192);
  block.PutDouble(120);
  block.PutDouble(1);
  block.PutInt32(static_cast<int32_t>(events.size()));
  for (const SequenceEvent& e : events) {
    block.PutInt32(e.tick);
    const uint8_t tail[4] = {e.status, e.data1, e.data2, 0};
    block.PutBytes(tail, 4);
  }
}

std::string SystemPython() {
  return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

bool HaveMido() {
  return RunCommand(SystemPython() + " -c 'import mido' 2>/dev/null").status == 0;
}

bool HaveMidicsv() {
  return RunCommand("command -v midicsv >/dev/null 2>&1 && command -v csvmidi >/dev/null 2>&1").status == 0;
}
