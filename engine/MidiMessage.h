#pragma once

#include <cstdint>

// One time-stamped MIDI message as the engine queues it.
struct MidiMessage {
  int32_t offset = 0;         // sample offset, relative to the block or the control period that holds it
  uint8_t status = 0;         // status byte; the low four bits are the channel 0..15
  uint8_t data1 = 0;          // note or controller number
  uint8_t data2 = 0;          // velocity or controller value
  uint8_t fromSequencer = 0;  // 1 when the sequencer player or the arpeggiator produced it
  uint8_t isClick = 0;        // 1 when it only triggers the metronome click
};

// A message that ends something: a note off (or a note on with velocity 0) or
// the sustain pedal let go. Losing one would leave a note hanging.
inline bool IsRelease(const MidiMessage& message) {
  const int kind = message.status >> 4;
  return kind == 8 || (kind == 9 && message.data2 == 0) || (kind == 11 && message.data1 == 64 && message.data2 == 0);
}
