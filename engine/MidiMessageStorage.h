#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "engine/MidiMessage.h"

// Room for a queue's messages, left unwritten until they are queued. The
// queues reserve many times what they usually hold so that the audio path
// never allocates; memory never written costs an instance nothing, while
// filling it would cost every instance a page fault per 4 KB at start-up.
// Entries are read only after they were written.
class MidiMessageStorage {
 public:
  MidiMessageStorage() = default;
  // May throw std::bad_alloc.
  explicit MidiMessageStorage(size_t count)
      : messages(static_cast<MidiMessage*>(std::malloc(count * sizeof(MidiMessage)))), count(count) {
    if (count > 0 && !messages) throw std::bad_alloc();
  }

  MidiMessage& operator[](size_t i) { return messages[i]; }
  const MidiMessage& operator[](size_t i) const { return messages[i]; }
  MidiMessage* data() { return messages.get(); }
  const MidiMessage* data() const { return messages.get(); }
  size_t size() const { return count; }
  void swap(MidiMessageStorage& other) {
    messages.swap(other.messages);
    std::swap(count, other.count);
  }

 private:
  struct Free {
    void operator()(MidiMessage* memory) const { std::free(memory); }
  };
  std::unique_ptr<MidiMessage[], Free> messages;
  size_t count = 0;
};
