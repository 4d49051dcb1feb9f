#pragma once

#include <cstdint>

#include "engine/MidiMessage.h"
#include "engine/MidiMessageStorage.h"

// FIFO of the messages due within the current control period (offsets relative
// to its start). A ring whose storage is sized outside the audio path.
class TickEventQueue {
 public:
  void Reserve(int32_t entries);              // may allocate; keeps the live entries
  bool PushBack(const MidiMessage& message);  // false when full
  const MidiMessage& Front() const { return ring[head]; }
  void PopFront() {
    head = head + 1 == static_cast<int32_t>(ring.size()) ? 0 : head + 1;
    --count;
  }
  bool Empty() const { return count == 0; }
  bool Full() const { return count == static_cast<int32_t>(ring.size()); }
  int32_t Count() const { return count; }
  void Clear() { head = count = 0; }
  // Removes the entries for which drop(message) is true; the rest keep their order.
  template <class Predicate>
  void RemoveIf(Predicate drop) {
    const int32_t size = static_cast<int32_t>(ring.size());
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
      const MidiMessage message = ring[(head + i) % size];
      if (!drop(message)) ring[(head + kept++) % size] = message;
    }
    count = kept;
  }

 private:
  MidiMessageStorage ring;
  int32_t head = 0;
  int32_t count = 0;
};
