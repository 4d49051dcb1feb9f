#include "sequencer/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "sequencer/Sequence.h"

namespace {

// A variable-length quantity has at most four bytes of seven bits.
constexpr uint32_t kLargestQuantity = 0x0FFFFFFF;
constexpr int kTrackChunksType1 = 6;

// --- writing -------------------------------------------------------------

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutQuantity(std::vector<uint8_t>& out, int64_t value) {
  // Only a corrupt sequence has values outside what four bytes can carry.
  if (value < 0) value = 0;
  if (value > kLargestQuantity) value = kLargestQuantity;
  const uint32_t v = static_cast<uint32_t>(value);
  int count = 1;
  while (count < 4 && (v >> (7 * count)) != 0) ++count;
  // Most significant group first; every byte but the last has bit 7 set.
  for (int i = count - 1; i >= 0; --i) {
    out.push_back(static_cast<uint8_t>(((v >> (7 * i)) & 0x7F) | (i > 0 ? 0x80 : 0)));
  }
}

bool IsChannelMessage(const SequenceEvent& e) {
  return e.status >= 0x80 && e.status < 0xF0 && e.data1 < 0x80 && e.data2 < 0x80;
}

int DataByteCount(uint8_t status) {
  const int type = status >> 4;
  return (type == 0xC || type == 0xD) ? 1 : 2;
}

void PutTrackChunk(std::vector<uint8_t>& out, const Sequence& sequence, int channelFilter, int trackNumber) {
  out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
  const size_t start = out.size();
  if (trackNumber > 0) {
    char name[24];
    std::snprintf(name, sizeof name, "Track %i", trackNumber);
    const size_t nameLength = std::strlen(name);
    out.insert(out.end(), {0x00, 0xFF, 0x03, static_cast<uint8_t>(nameLength)});
    out.insert(out.end(), name, name + nameLength);
  }
  int64_t previousTick = 0;
  for (const SequenceEvent& e : sequence.Events()) {
    if (!IsChannelMessage(e)) continue;
    if (channelFilter >= 0 && (e.status & 0x0F) != channelFilter) continue;
    int64_t delta = int64_t(e.tick) - previousTick;
    // A gap longer than one delta can carry (events the reader dropped add up)
    // is bridged with empty text events, which every reader skips keeping the time.
    for (; delta > kLargestQuantity; delta -= kLargestQuantity) {
      PutQuantity(out, kLargestQuantity);
      out.insert(out.end(), {0xFF, 0x01, 0x00});
    }
    PutQuantity(out, delta);
    previousTick = e.tick;
    out.push_back(e.status);
    out.push_back(e.data1);
    if (DataByteCount(e.status) == 2) out.push_back(e.data2);
  }
  // The loop length travels as the end-of-track delta.
  PutQuantity(out, sequence.length);
  out.insert(out.end(), {0xFF, 0x2F, 0x00});
  const uint32_t chunkLength = static_cast<uint32_t>(out.size() - start);
  for (int i = 0; i < 4; ++i) out[start - 4 + i] = static_cast<uint8_t>(chunkLength >> (8 * (3 - i)));
}

// --- reading -------------------------------------------------------------

// Bytes from memory or from a file through a buffer of its own. Every read
// either delivers or fails for good at the end, so a parse always ends.
class ByteSource {
 public:
  ByteSource(const uint8_t* data, size_t size) : data(data), size(size) {}
  explicit ByteSource(std::FILE* file) : file(file), buffer(new uint8_t[kBufferSize]) {}

  bool Byte(uint8_t* value) {
    if (position == size && !Refill()) return false;
    *value = data[position++];
    return true;
  }

  bool Bytes(uint8_t* destination, int count) {
    for (int i = 0; i < count; ++i) {
      if (!Byte(destination + i)) return false;
    }
    return true;
  }

  bool BigEndian(uint32_t* value, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      uint8_t b;
      if (!Byte(&b)) return false;
      v = (v << 8) | b;
    }
    *value = v;
    return true;
  }

  // A quantity whose fourth byte still has its continuation bit counts as 0.
  bool Quantity(uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!Byte(&b)) return false;
      v = (v << 7) | (b & 0x7F);
      if (!(b & 0x80)) {
        *value = v;
        return true;
      }
    }
    *value = 0;
    return true;
  }

  bool Skip(uint32_t count) {
    while (count > 0) {
      if (position == size && !Refill()) return false;
      const size_t step = std::min<size_t>(count, size - position);
      position += step;
      count -= static_cast<uint32_t>(step);
    }
    return true;
  }

 private:
  bool Refill() {
    if (!file) return false;
    size = std::fread(buffer.get(), 1, kBufferSize, file);
    position = 0;
    data = buffer.get();
    return size > 0;
  }

  std::FILE* file = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
  static constexpr size_t kBufferSize = 65536;
  std::unique_ptr<uint8_t[]> buffer;
};

class MidiFileParser {
 public:
  MidiFileParser(ByteSource& in, Sequence& sequence) : in(in), sequence(sequence) {}

  MidiFileReadResult Parse() {
    MidiFileReadResult result;
    if (!ReadHeader()) return result;
    result.headerAccepted = true;
    sequence.Clear();
    sequence.ppq = division;
    bool ok = true;
    try {
      for (uint32_t track = 0; ok && track < trackCount; ++track) ok = ReadTrack();
    } catch (const std::bad_alloc&) {
      ok = false;
    } catch (const std::length_error&) {
      ok = false;
    }
    // The tracks of a type 1 file play at once: merged by time, the insertion
    // rules meet the events in the order they sound, whatever the track order.
    std::stable_sort(added.begin(), added.end(),
                     [](const SequenceEvent& a, const SequenceEvent& b) { return a.tick < b.tick; });
    // What was read before a failure stays in the sequence.
    if (!sequence.SetEvents(added)) ok = false;
    result.complete = ok;
    return result;
  }

 private:
  bool ReadHeader() {
    uint8_t id[4];
    uint32_t headerLength, format, tracks, ticks;
    if (!in.Bytes(id, 4) || std::memcmp(id, "MThd", 4) != 0) return false;
    if (!in.BigEndian(&headerLength, 4) || headerLength != 6) return false;
    if (!in.BigEndian(&format, 2) || format > 1) return false;
    if (!in.BigEndian(&tracks, 2) || tracks == 0) return false;
    if (!in.BigEndian(&ticks, 2) || ticks == 0) return false;
    trackCount = tracks;
    division = static_cast<int32_t>(ticks);
    if (ticks & 0x8000) {
      // Time in seconds: frames a second (negated) and ticks a frame. Taken
      // at 120 BPM, where a quarter lasts half a second, with every time
      // doubled so that a quarter is a whole number of ticks. Drop-frame time
      // (29.97 frames a second) is counted as 30, a thousandth too fast.
      const uint32_t framesPerSecond = 256 - (ticks >> 8);
      const uint32_t ticksPerFrame = ticks & 0xFF;
      if (ticksPerFrame == 0) return false;
      division = static_cast<int32_t>((framesPerSecond == 29 ? 30 : framesPerSecond) * ticksPerFrame);
      timeScale = 2;
    }
    return true;
  }

  bool ReadTrack() {
    uint8_t id[4];
    uint32_t chunkLength;
    for (;;) {
      if (!in.Bytes(id, 4) || !in.BigEndian(&chunkLength, 4)) return false;
      if (std::memcmp(id, "MTrk", 4) == 0) break;
      // A chunk of another kind, which the format allows other programs to
      // add: passed over by its length. A track chunk ends at its end-of-track
      // event instead; its announced length is not trusted.
      if (!in.Skip(chunkLength)) return false;
    }

    int64_t time = 0;
    lastNoteOn = -1;
    uint8_t runningStatus = 0;
    for (;;) {
      uint32_t delta;
      uint8_t status;
      if (!in.Quantity(&delta) || !in.Byte(&status)) return false;
      time += int64_t(delta) * timeScale;
      // Past the largest tick only the end of the track may stand: its delta
      // is the loop length, not a time of anything kept.
      const bool pastLargestTick = time > std::numeric_limits<int32_t>::max();
      if (pastLargestTick && status != 0xFF) return false;

      uint8_t data[2] = {0, 0};
      int dataRead = 0;
      if (status < 0x80) {
        // Running status: the byte is the first data byte of a message that
        // repeats the last channel status. Without one in force it is skipped.
        if (runningStatus == 0) continue;
        data[0] = status;
        dataRead = 1;
        status = runningStatus;
      }

      if (status == 0xFF) {
        runningStatus = 0;
        bool endOfTrack = false;
        if (!ReadMetaEvent(delta * timeScale, time, &endOfTrack)) return false;
        if (endOfTrack) break;
        if (pastLargestTick) return false;
      } else if (status == 0xF0 || status == 0xF7) {
        runningStatus = 0;
        uint32_t length;
        if (!in.Quantity(&length) || !in.Skip(length)) return false;
      } else if (status >= 0xF0) {
        // System common and real-time bytes do not belong in a file; skipped alone.
        runningStatus = 0;
      } else {
        runningStatus = status;
        const int count = DataByteCount(status);
        for (; dataRead < count; ++dataRead) {
          if (!in.Byte(&data[dataRead])) return false;
        }
        const int type = status >> 4;
        // A byte with its top bit set is no data byte: such a message is damaged and dropped.
        const bool wellFormed = data[0] < 0x80 && data[1] < 0x80;
        if ((type == 8 || type == 9) && (status & 0x0F) < 6 && wellFormed) {
          added.push_back({static_cast<int32_t>(time), status, data[0], data[1]});
          if (type == 9 && data[1] > 0) lastNoteOn = time;
        }
      }
    }

    // Rounded from the longest length a track gave: a track that gives none
    // (one ending at 0) must not add another bar to the rounded one.
    sequence.length = trackLength;
    if (barTicks > 0 && trackLength > 0) {
      const int64_t rounded = int64_t(trackLength) - trackLength % barTicks + barTicks;
      if (rounded > std::numeric_limits<int32_t>::max()) return false;
      sequence.length = static_cast<int32_t>(rounded);
    }
    return true;
  }

  bool ReadMetaEvent(uint32_t delta, int64_t time, bool* endOfTrack) {
    uint8_t type;
    uint32_t length;
    // The length is read as a variable-length quantity for every type, which
    // for the usual one-byte lengths is the same as reading a single byte.
    if (!in.Byte(&type) || !in.Quantity(&length)) return false;
    switch (type) {
      case 0x2F:
        // The loop length: our own files carry it as this event's delta (the
        // same in every track). The tracks of other programs end where their
        // parts do, so the loop takes the longest, whatever the track order.
        // Nor does such a track's last delta measure a loop when notes start
        // beyond it (our files carry no tempo or metre): its end does.
        if (delta != 0 && !(foreign && lastNoteOn >= int64_t(delta))) {
          trackLength = std::max(trackLength, static_cast<int32_t>(delta));
        } else if (time > 0) {
          trackLength = std::max(trackLength, static_cast<int32_t>(std::min<int64_t>(time, INT32_MAX)));
        }
        *endOfTrack = true;
        return in.Skip(length);
      case 0x51: {
        foreign = true;
        if (length < 3) return in.Skip(length);
        uint32_t microseconds;
        if (!in.BigEndian(&microseconds, 3)) return false;
        if (microseconds > 0) sequence.tempo = 60000000.0 / microseconds;
        return in.Skip(length - 3);
      }
      case 0x58: {
        foreign = true;
        if (length < 2) return in.Skip(length);
        uint8_t numerator, denominatorPower;
        if (!in.Byte(&numerator) || !in.Byte(&denominatorPower)) return false;
        double bar = std::ldexp(double(numerator), -int(denominatorPower));
        sequence.barLength = bar > 0 ? bar : 1.0;
        const double ticks = sequence.barLength * division * 4;
        if (ticks > barTicks) barTicks = static_cast<int32_t>(ticks);
        return in.Skip(length - 2);
      }
      default:
        return in.Skip(length);
    }
  }

  ByteSource& in;
  Sequence& sequence;
  uint32_t trackCount = 0;
  int32_t division = 0;
  uint32_t timeScale = 1;  // file ticks to sequence ticks
  int32_t barTicks = 0;
  int32_t trackLength = 0;  // the longest loop length a track gave, before rounding
  int64_t lastNoteOn = -1;  // in the track being read
  bool foreign = false;     // a tempo or metre was read: another program wrote the file
  std::vector<SequenceEvent> added;
};

}  // namespace

void BuildMidiFile(const Sequence& sequence, bool type1, std::vector<uint8_t>& file) {
  file.clear();
  const int tracks = type1 ? kTrackChunksType1 : 1;
  // A resolution the 16-bit field cannot carry only comes from a corrupt state.
  int32_t division = sequence.EffectivePpq();
  if (division > Sequence::kMaxPpq) division = Sequence::kDefaultPpq;
  file.insert(file.end(), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(type1 ? 1 : 0)});
  PutBigEndian(file, static_cast<uint32_t>(tracks), 2);
  PutBigEndian(file, static_cast<uint32_t>(division), 2);
  for (int n = 0; n < tracks; ++n) PutTrackChunk(file, sequence, type1 ? n : -1, type1 ? n + 1 : 0);
}

bool WriteMidiFile(const std::string& path, bool type1, const Sequence& sequence) {
  if (path.empty()) return false;
  std::vector<uint8_t> bytes;
  try {
    BuildMidiFile(sequence, type1, bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return WriteBytesToFile(path, bytes);
}

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  // A full disk shows up at the write or at the close; either way the file is incomplete.
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

MidiFileReadResult ReadMidiData(const uint8_t* data, size_t size, Sequence& sequence) {
  ByteSource in(data, size);
  return MidiFileParser(in, sequence).Parse();
}

MidiFileReadResult ReadMidiFile(const std::string& path, Sequence& sequence) {
  if (path.empty()) return {};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return {};
  MidiFileReadResult result;
  try {
    ByteSource in(file);
    result = MidiFileParser(in, sequence).Parse();
  } catch (const std::bad_alloc&) {
    // No buffer: the sequence has not been touched.
  }
  std::fclose(file);
  return result;
}
