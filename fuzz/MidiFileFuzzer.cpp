// Standard MIDI Files and the stored form of a sequence. First byte: 0 reads a
// MIDI file, 1 a stored sequence. Whatever was read must be ordered by tick and
// come back unchanged through the project's own writer and reader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"

namespace {
void CheckOrdered(const Sequence& sequence) {
  const std::vector<SequenceEvent>& events = sequence.Events();
  for (size_t i = 1; i < events.size(); ++i) FUZZ_CHECK(events[i - 1].tick <= events[i].tick, "events out of order");
}

std::vector<SequenceEvent> ByMessage(std::vector<SequenceEvent> events) {
  std::sort(events.begin(), events.end(), [](const SequenceEvent& a, const SequenceEvent& b) {
    if (a.status != b.status) return a.status < b.status;
    if (a.data1 != b.data1) return a.data1 < b.data1;
    if (a.data2 != b.data2) return a.data2 < b.data2;
    return a.tick < b.tick;
  });
  return events;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const uint8_t selector = data[0];
  ++data;
  --size;

  Sequence sequence;
  if ((selector & 1) == 0) {
    const MidiFileReadResult result = ReadMidiData(data, size, sequence);
    if (!result.headerAccepted) {
      FUZZ_CHECK(sequence.Empty(), "a refused file changed the sequence");
      return 0;
    }
    CheckOrdered(sequence);
    for (const SequenceEvent& event : sequence.Events()) {
      FUZZ_CHECK((event.status & 0x0f) < 6, "an event on a channel above 6 was kept");
      FUZZ_CHECK((event.status & 0xf0) == 0x80 || (event.status & 0xf0) == 0x90,
                 "a message other than a note was kept");
    }
    std::vector<uint8_t> file;
    BuildMidiFile(sequence, (selector & 2) != 0, file);
    Sequence again;
    const MidiFileReadResult reread = ReadMidiData(file.data(), file.size(), again);
    FUZZ_CHECK(reread.headerAccepted && reread.complete, "the project's own MIDI file was not read completely");
    if ((selector & 2) == 0) {
      FUZZ_CHECK(again.Events() == sequence.Events(), "events changed by writing and reading a MIDI file");
    } else {
      // A type 1 file keeps each channel in a track of its own, so the order of
      // different channels' events at one tick is not kept; where a note-off
      // then meets a note-on of its key, the insertion rule moves it one tick.
      const std::vector<SequenceEvent> read = ByMessage(again.Events());
      const std::vector<SequenceEvent> written = ByMessage(sequence.Events());
      FUZZ_CHECK(read.size() == written.size(), "events lost by writing and reading a type 1 MIDI file");
      for (size_t i = 0; i < read.size(); ++i) {
        FUZZ_CHECK(read[i].status == written[i].status && read[i].data1 == written[i].data1 &&
                       read[i].data2 == written[i].data2 && std::abs(read[i].tick - written[i].tick) <= 1,
                   "events changed by writing and reading a type 1 MIDI file");
      }
    }
  } else {
    const DataBlock block = FuzzBlock(data, size);
    const int end = sequence.Unserialize(block, 0);
    FUZZ_CHECK(end <= block.Size(), "stored sequence read past its end");
    if (end < 0) {
      FUZZ_CHECK(sequence.Empty() && sequence.length == 0, "a refused stored sequence was left half read");
      return 0;
    }
    CheckOrdered(sequence);
    DataBlock stored;
    FUZZ_CHECK(sequence.Serialize(stored), "a sequence could not be stored");
    Sequence again;
    FUZZ_CHECK(again.Unserialize(stored, 0) == stored.Size(), "the project's own stored sequence was refused");
    FUZZ_CHECK(again.Events() == sequence.Events() && again.length == sequence.length,
               "a sequence changed by storing and reading it");
  }
  return 0;
}
