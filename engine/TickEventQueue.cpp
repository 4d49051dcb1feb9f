#include "engine/TickEventQueue.h"

void TickEventQueue::Reserve(int32_t entries) {
  if (entries <= static_cast<int32_t>(ring.size())) return;
  MidiMessageStorage grown(static_cast<size_t>(entries));
  for (int32_t i = 0; i < count; ++i) grown[i] = ring[(head + i) % ring.size()];
  ring.swap(grown);
  head = 0;
}

bool TickEventQueue::PushBack(const MidiMessage& message) {
  if (Full()) return false;
  int32_t size = static_cast<int32_t>(ring.size());
  int32_t tail = head + count;
  if (tail >= size) tail -= size;
  ring[tail] = message;
  ++count;
  return true;
}
