#include "engine/MidiInputQueue.h"

#include <bitset>
#include <cstring>

namespace {

// Releases that do the same: the same note off (or pedal) on the same channel,
// from the host or from the sequencer. 2 * 16 * 129 of them.
constexpr int32_t kReleaseKinds = 2 * 16 * 129;

int32_t ReleaseKind(const MidiMessage& message) {
  const int32_t what = (message.status >> 4) == 11 ? 128 : (message.data1 & 127);
  return ((message.fromSequencer ? 16 : 0) + (message.status & 15)) * 129 + what;
}

}  // namespace

static_assert(MidiInputQueue::kInitialCapacity * MidiInputQueue::kReserveSteps > kReleaseKinds,
              "a full queue of releases must hold two that do the same");

MidiInputQueue::MidiInputQueue() : storage(static_cast<size_t>(kInitialCapacity) * kReserveSteps) {}

bool MidiInputQueue::Add(const MidiMessage& message) {
  if (length >= capacity) {
    if (front > 0) {
      // Reclaim the consumed entries before the front.
      std::memmove(storage.data(), storage.data() + front, sizeof(MidiMessage) * (length - front));
      length -= front;
      front = 0;
    } else {
      int32_t grown = growthStep * (capacity / growthStep + 1);
      if (grown <= static_cast<int32_t>(storage.size())) {
        capacity = grown;
      } else if (!IsRelease(message) || !MakeRoomForRelease(message)) {
        return false;  // beyond the reserve: dropped, or absorbed by an equal release
      }
    }
  }
  int32_t position = length;
  while (position > front && storage[position - 1].offset > message.offset) --position;
  if (position < length)
    std::memmove(storage.data() + position + 1, storage.data() + position, sizeof(MidiMessage) * (length - position));
  storage[position] = message;
  ++length;
  return true;
}

bool MidiInputQueue::MakeRoomForRelease(const MidiMessage& message) {
  // The latest message that ends nothing gives way.
  for (int32_t i = length - 1; i >= front; --i) {
    if (!IsRelease(storage[i])) {
      RemoveAt(i);
      return true;
    }
  }
  // Only releases. Of two that do the same the later one is kept: a note
  // started between them, or queued between them later on, still ends.
  const int32_t kind = ReleaseKind(message);
  for (int32_t i = length - 1; i >= front; --i) {
    if (ReleaseKind(storage[i]) != kind) continue;
    if (storage[i].offset >= message.offset) return false;
    RemoveAt(i);
    return true;
  }
  std::bitset<kReleaseKinds> later;
  for (int32_t i = length - 1; i >= front; --i) {
    const int32_t other = ReleaseKind(storage[i]);
    if (later.test(static_cast<size_t>(other))) {
      RemoveAt(i);
      return true;
    }
    later.set(static_cast<size_t>(other));
  }
  return false;  // not reached: the reserve holds more entries than there are kinds
}

void MidiInputQueue::RemoveAt(int32_t index) {
  std::memmove(storage.data() + index, storage.data() + index + 1, sizeof(MidiMessage) * (length - index - 1));
  --length;
}

void MidiInputQueue::PopFront() {
  ++front;
  if (front == length) front = length = 0;
}

void MidiInputQueue::ShiftOffsets(int32_t amount) {
  for (int32_t i = front; i < length; ++i) storage[i].offset -= amount;
}

void MidiInputQueue::Resize(int32_t blockSize) {
  if (front > 0) {
    std::memmove(storage.data(), storage.data() + front, sizeof(MidiMessage) * (length - front));
    length -= front;
    front = 0;
  }
  // Whole 4096-byte pages of entries.
  auto roundUp = [&](int32_t entries) {
    int64_t bytes = static_cast<int64_t>(entries < 1 ? 1 : entries) * static_cast<int64_t>(sizeof(MidiMessage));
    int64_t pages = (bytes + 4095) / 4096;
    return static_cast<int32_t>(pages * 4096 / static_cast<int64_t>(sizeof(MidiMessage)));
  };
  growthStep = roundUp(blockSize);
  int32_t newCapacity = length > growthStep ? roundUp(length) : growthStep;
  capacity = newCapacity;
  size_t reserve = static_cast<size_t>(capacity) * kReserveSteps;
  if (reserve < static_cast<size_t>(kInitialCapacity) * kReserveSteps)
    reserve = static_cast<size_t>(kInitialCapacity) * kReserveSteps;
  if (reserve != storage.size()) {
    MidiMessageStorage grown(reserve);
    if (length > 0) std::memcpy(grown.data(), storage.data(), sizeof(MidiMessage) * length);
    storage.swap(grown);
  }
}
