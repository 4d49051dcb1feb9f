#include "engine/MidiInputQueue.h"

#include <cstring>

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
      if (grown > static_cast<int32_t>(storage.size())) return false;  // beyond the reserve: dropped
      capacity = grown;
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
    std::vector<MidiMessage> grown(reserve);
    std::memcpy(grown.data(), storage.data(), sizeof(MidiMessage) * length);
    storage.swap(grown);
  }
}
