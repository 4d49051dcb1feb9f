#pragma once
// Helpers shared by the sequencer tests: building MIDI files byte by byte,
// checking sequences, and which external MIDI tools are here.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "plugin/DataBlock.h"
#include "sequencer/Sequence.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ToolRun.h"

// A complete file: header with the format, the number of tracks given and the
// division, then one "MTrk" chunk per track body with its length filled in.
std::vector<uint8_t> MidiBytes(int format, int division, std::initializer_list<std::vector<uint8_t>> tracks);

// Bit c set when the channelUsed flag of channel c is.
int ChannelMask(const Sequence& sequence);
std::vector<SequenceEvent> EventsOfChannel(const Sequence& sequence, int channel);

// What any read must leave: events ordered by tick, only note-on and note-off
// on channels 1 to 6, and exactly their channels flagged.
void ExpectConsistent(const Sequence& sequence);

// A stored sequence form (length 0, ppq 192) with these events as they are,
// bypassing the ordering and checks of AddEvent.
struct DataBlockFromEvents {
  explicit DataBlockFromEvents(std::initializer_list<SequenceEvent> events);
  DataBlock block;
};

// Debian's interpreter, which has python3-mido; the one first on PATH may not.
std::string SystemPython();
bool HaveMido();
bool HaveMidicsv();
