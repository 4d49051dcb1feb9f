#include "sequencer/Sequence.h"

#include <algorithm>
#include <bitset>
#include <limits>
#include <new>
#include <stdexcept>

#include "plugin/DataBlock.h"

namespace {

constexpr int kNoteOffType = 8;
constexpr int kNoteOnType = 9;

int StatusType(const SequenceEvent& event) {
  return event.status >> 4;
}
int StatusChannel(const SequenceEvent& event) {
  return event.status & 0x0F;
}

// A note-on of velocity 0 ends a note like a note-off does; files of other
// programs use it that way.
bool EndsNote(const SequenceEvent& event) {
  return StatusType(event) == kNoteOffType || (StatusType(event) == kNoteOnType && event.data2 == 0);
}
bool StartsNote(const SequenceEvent& event) {
  return StatusType(event) == kNoteOnType && event.data2 > 0;
}

}  // namespace

int SequenceNoteNumber(const SequenceEvent& event) {
  const int type = StatusType(event);
  return (type == 8 || type == 9 || type == 10) ? event.data1 : -1;
}

Sequence::Sequence() {
  try {
    events.reserve(kReservedEvents);
  } catch (const std::bad_alloc&) {
    // Runs without the reserve; insertions grow the array as needed.
  }
}

Sequence::Sequence(const Sequence& other)
    : length(other.length), ppq(other.ppq), tempo(other.tempo), barLength(other.barLength) {
  std::copy(std::begin(other.channelUsed), std::end(other.channelUsed), std::begin(channelUsed));
  EnsureHeadroom(std::max(kReservedEvents, other.events.size()));
  events = other.events;
}

bool Sequence::AddEvent(SequenceEvent& event) {
  event.tick -= event.tick & 1;

  // Every event before the first one at this tick is earlier and can neither
  // stop the scan nor move the event.
  auto position = std::lower_bound(events.begin(), events.end(), event.tick,
                                   [](const SequenceEvent& e, int32_t tick) { return e.tick < tick; });
  const bool isNoteOff = StatusType(event) == kNoteOffType;
  const int note = SequenceNoteNumber(event);
  while (position != events.end() && position->tick <= event.tick) {
    if (isNoteOff && position->tick == event.tick && StatusType(*position) == kNoteOnType &&
        SequenceNoteNumber(*position) == note && event.tick < std::numeric_limits<int32_t>::max()) {
      ++event.tick;
    }
    ++position;
  }

  try {
    events.insert(position, event);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  channelUsed[event.status & 0x0F] = true;
  return true;
}

namespace {

bool EarlierTick(const SequenceEvent& a, const SequenceEvent& b) {
  return a.tick < b.tick;
}

// Stable sort by tick. A stored sequence comes in order, and the events of one
// tick are few: those cases take nothing from the heap (a stored state is also
// read on the audio thread, at a MIDI program change). Only a long list out of
// order goes to the library's sort, which may ask for a buffer.
void StableSortByTick(std::vector<SequenceEvent>::iterator first, std::vector<SequenceEvent>::iterator last) {
  if (std::is_sorted(first, last, EarlierTick)) return;
  if (last - first > 64) {
    std::stable_sort(first, last, EarlierTick);
    return;
  }
  for (auto i = first + 1; i < last; ++i) {
    const SequenceEvent e = *i;
    auto j = i;
    for (; j > first && e.tick < (j - 1)->tick; --j) *j = *(j - 1);
    *j = e;
  }
}

}  // namespace

void Sequence::OrderEvents() {
  for (SequenceEvent& e : events) e.tick -= e.tick & 1;
  // Stable sorts keep the order of addition among events of one tick, which is
  // where AddEvent puts a new event: behind those already there.
  StableSortByTick(events.begin(), events.end());
  // Within one tick, a note-off moves behind a note-on of its note number only
  // when that note-on was added before it.
  for (size_t first = 0; first < events.size();) {
    size_t end = first;
    bool noteOn[256] = {};
    bool moved = false;
    for (; end < events.size() && events[end].tick == events[first].tick; ++end) {
      SequenceEvent& e = events[end];
      if (StatusType(e) == kNoteOnType) {
        noteOn[e.data1] = true;
      } else if (StatusType(e) == kNoteOffType && noteOn[e.data1]) {
        ++e.tick;
        moved = true;
      }
    }
    if (moved) {
      const auto begin = events.begin();
      StableSortByTick(begin + static_cast<std::ptrdiff_t>(first), begin + static_cast<std::ptrdiff_t>(end));
    }
    first = end;
  }
}

bool Sequence::SetEvents(std::vector<SequenceEvent>& added) {
  events.clear();
  std::fill(std::begin(channelUsed), std::end(channelUsed), false);
  try {
    events.assign(added.begin(), added.end());
    OrderEvents();
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  for (const SequenceEvent& e : events) channelUsed[e.status & 0x0F] = true;
  return true;
}

void Sequence::RemoveNote(int channel, int note) {
  std::erase_if(events, [channel, note](const SequenceEvent& e) {
    return StatusChannel(e) == channel && SequenceNoteNumber(e) == note;
  });
}

void Sequence::RemoveChannel(int channel) {
  std::erase_if(events, [channel](const SequenceEvent& e) { return StatusChannel(e) == channel; });
  if (channel >= 0 && channel < 16) channelUsed[channel] = false;
}

void Sequence::CloseHangingNotes() {
  if (events.empty()) {
    length = 0;
    return;
  }

  // A note-on is closed when a note-off of its channel and note follows it.
  // Only the last note-off of each key matters, and once a note-off has been
  // added for a key every later note-on of that key is closed by it too, so one
  // pass with a table per key gives what searching forward from each note-on
  // would, in linear time. This runs on the audio thread when an overdub pass
  // ends, so the tables live on the stack. Data bytes of 128 and above are no
  // notes and are left alone.
  constexpr int kKeys = 16 * 128;
  int32_t lastNoteOff[kKeys];
  std::fill(std::begin(lastNoteOff), std::end(lastNoteOff), -1);
  auto keyOf = [](const SequenceEvent& e) { return StatusChannel(e) * 128 + e.data1; };
  const int32_t count = static_cast<int32_t>(std::min<size_t>(events.size(), std::numeric_limits<int32_t>::max()));
  for (int32_t i = 0; i < count; ++i) {
    if (EndsNote(events[i]) && events[i].data1 < 128) lastNoteOff[keyOf(events[i])] = i;
  }
  int16_t closingKeys[kKeys];
  int closingCount = 0;
  std::bitset<kKeys> closed;
  for (int32_t i = 0; i < count; ++i) {
    if (!StartsNote(events[i]) || events[i].data1 >= 128) continue;
    const int key = keyOf(events[i]);
    if (closed[key] || lastNoteOff[key] > i) continue;
    closed[key] = true;
    closingKeys[closingCount++] = static_cast<int16_t>(key);
  }

  // The note-offs go after every event at or before `length`, in the order
  // found, so the list stays ordered by tick even when recorded events lie
  // beyond the loop end.
  auto position = std::upper_bound(events.begin(), events.end(), length,
                                   [](int32_t tick, const SequenceEvent& e) { return tick < e.tick; });
  size_t at = static_cast<size_t>(position - events.begin());
  for (int k = 0; k < closingCount; ++k) {
    const int channel = closingKeys[k] / 128;
    const SequenceEvent noteOff{length, static_cast<uint8_t>(0x80 | channel),
                                static_cast<uint8_t>(closingKeys[k] % 128), 0};
    try {
      events.insert(events.begin() + static_cast<std::ptrdiff_t>(at++), noteOff);
    } catch (const std::bad_alloc&) {
      break;  // out of memory: the remaining notes sound until their voices are released
    }
    channelUsed[channel] = true;
  }

  for (int channel = 0; channel < 6; ++channel) {
    channelUsed[channel] = std::any_of(events.begin(), events.end(), [channel](const SequenceEvent& e) {
      return StatusChannel(e) == channel && (StatusType(e) == kNoteOnType || StatusType(e) == kNoteOffType);
    });
  }
}

void Sequence::Clear() {
  length = 0;
  ppq = kDefaultPpq;
  events.clear();
  std::fill(std::begin(channelUsed), std::end(channelUsed), false);
}

bool Sequence::EnsureHeadroom(size_t spare) {
  if (events.capacity() - events.size() >= spare) return true;
  try {
    events.reserve(std::max(events.size() + spare, events.capacity() * 2));
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

void Sequence::TakeFrom(Sequence& other) {
  std::copy(std::begin(other.channelUsed), std::end(other.channelUsed), std::begin(channelUsed));
  length = other.length;
  ppq = other.ppq;
  tempo = other.tempo;
  barLength = other.barLength;
  events.swap(other.events);
}

bool Sequence::Serialize(DataBlock& chunk) const {
  if (events.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / kStoredEventSize)) return false;
  bool ok = chunk.PutInt32(length) && chunk.PutInt32(ppq) && chunk.PutDouble(tempo) && chunk.PutDouble(barLength) &&
            chunk.PutInt32(static_cast<int32_t>(events.size()));
  for (size_t i = 0; ok && i < events.size(); ++i) {
    const SequenceEvent& e = events[i];
    const uint8_t tail[4] = {e.status, e.data1, e.data2, 0};
    ok = chunk.PutInt32(e.tick) && chunk.PutBytes(tail, 4);
  }
  return ok;
}

int Sequence::ReadStoredHeader(const DataBlock& chunk, int position, StoredHeader& header) {
  int next = chunk.GetInt32(&header.length, position);
  next = chunk.GetInt32(&header.ppq, next);
  next = chunk.GetDouble(&header.tempo, next);
  next = chunk.GetDouble(&header.barLength, next);
  next = chunk.GetInt32(&header.count, next);
  // Checks the whole record: the events then fit in the chunk. A resolution
  // finer than any the instrument writes would have the player count ticks
  // instead of playing (every other field is safe at any value: a length of 0
  // or less is not played, events outside the loop are not played, tempo and
  // bar length are only kept).
  if (next < 0 || header.count < 0 || header.count > (chunk.Size() - next) / kStoredEventSize || header.ppq > kMaxPpq)
    return -1;
  return next;
}

int Sequence::SkipStored(const DataBlock& chunk, int position) {
  StoredHeader header;
  const int next = ReadStoredHeader(chunk, position, header);
  return next < 0 ? -1 : next + header.count * kStoredEventSize;
}

int Sequence::Unserialize(const DataBlock& chunk, int position) {
  // A garbage count must neither allocate nor leave a half-read list behind.
  StoredHeader header;
  int next = ReadStoredHeader(chunk, position, header);
  if (next < 0) {
    Clear();
    return -1;
  }
  const int32_t count = header.count;

  // Read in place: within the reserve nothing is allocated.
  events.clear();
  std::fill(std::begin(channelUsed), std::end(channelUsed), false);
  try {
    events.resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    Clear();
    return -1;
  }
  for (SequenceEvent& e : events) {
    uint8_t tail[4];
    next = chunk.GetInt32(&e.tick, next);
    next = chunk.GetBytes(tail, 4, next);
    e.status = tail[0];
    e.data1 = tail[1];
    e.data2 = tail[2];
  }
  length = header.length;
  ppq = header.ppq;
  tempo = header.tempo;
  barLength = header.barLength;
  // Rebuilds the order and the flags as AddEvent would, even from a block that
  // was written out of order.
  OrderEvents();
  for (const SequenceEvent& e : events) channelUsed[e.status & 0x0F] = true;
  return next;
}
