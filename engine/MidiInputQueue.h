#pragma once

#include <cstdint>

#include "engine/MidiMessage.h"
#include "engine/MidiMessageStorage.h"

// Messages not yet due, sorted by offset (relative to the next control tick);
// equal offsets keep their arrival order.
//
// The logical capacity follows the growth rule (grow by one growth step when
// full and nothing before the front can be reclaimed), but the storage behind it
// is reserved outside the audio path (construction and Resize) for
// kReserveSteps growth steps, so Add never allocates. A message that would need
// more than the reserve is dropped, as when an allocation fails, unless it is a
// release (IsRelease): a release always gets in, so that no note is left
// hanging. It takes the place of the latest message that is no release; in a
// queue of releases only, two releases of the same note (or pedal) become the
// later one. The reserve holds more entries than there are distinct releases,
// so one of the two always exists.
class MidiInputQueue {
 public:
  static constexpr int32_t kInitialCapacity = 1024;
  static constexpr int32_t kReserveSteps = 16;

  MidiInputQueue();

  // Audio thread or dispatcher, under the plug-in lock. False when dropped.
  // Linear in the queue's length at most, also when the queue is full.
  bool Add(const MidiMessage& message);
  // Dispatcher (OnReset), under the plug-in lock; may allocate.
  void Resize(int32_t blockSize);
  void Clear() { front = length = 0; }

  bool Empty() const { return front == length; }
  int32_t Count() const { return length - front; }
  const MidiMessage& Front() const { return storage[front]; }
  void PopFront();
  // Subtracts a control period from every live entry.
  void ShiftOffsets(int32_t amount);
  const MidiMessage& At(int32_t i) const { return storage[front + i]; }
  // Removes the live entries for which drop(message) is true; the rest keep their order.
  template <class Predicate>
  void RemoveIf(Predicate drop) {
    int32_t kept = front;
    for (int32_t i = front; i < length; ++i)
      if (!drop(storage[i])) storage[kept++] = storage[i];
    length = kept;
    if (front == length) front = length = 0;
  }

  int32_t Capacity() const { return capacity; }
  int32_t GrowthStep() const { return growthStep; }
  int32_t ReservedCapacity() const { return static_cast<int32_t>(storage.size()); }

 private:
  // Full: makes room for a release. False when it is absorbed by an equal
  // release queued for the same time or later (nothing to add then).
  bool MakeRoomForRelease(const MidiMessage& message);
  void RemoveAt(int32_t index);

  MidiMessageStorage storage;
  int32_t capacity = kInitialCapacity;
  int32_t growthStep = kInitialCapacity;
  int32_t front = 0;
  int32_t length = 0;
};
