#pragma once
// Note-ons on MIDI channel 1, keys from `firstKey` `step` apart at velocity
// 100, handed to an instance in one event list: they sound from its next
// block. The thread that renders the instance's blocks, or before any block.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plugin/VstAbi.h"

inline void HoldNotes(AEffect* effect, int32_t count, int32_t firstKey = 21, int32_t step = 1) {
  std::vector<VstMidiEvent> notes(static_cast<size_t>(count));
  std::vector<uint8_t> list(offsetof(VstEvents, events) + sizeof(VstEvent*) * notes.size());
  VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
  events->numEvents = count;
  for (size_t i = 0; i < notes.size(); ++i) {
    notes[i] = VstMidiEvent{};
    notes[i].type = kVstMidiType;
    notes[i].byteSize = sizeof(VstMidiEvent);
    notes[i].midiData[0] = static_cast<char>(0x90);
    notes[i].midiData[1] = static_cast<char>(firstKey + step * static_cast<int32_t>(i));
    notes[i].midiData[2] = 100;
    VstEvent* pointer = reinterpret_cast<VstEvent*>(&notes[i]);
    std::memcpy(list.data() + offsetof(VstEvents, events) + sizeof(VstEvent*) * i, &pointer, sizeof pointer);
  }
  effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
}
