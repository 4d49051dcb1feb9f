#include "tools/vornell-host/MidiSong.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// Bounded big-endian reader over one chunk; every read checks the end.
struct ByteReader {
  const uint8_t* data;
  size_t end;
  size_t position;

  bool Byte(uint8_t* value) {
    if (position >= end) return false;
    *value = data[position++];
    return true;
  }
  bool Peek(uint8_t* value) const {
    if (position >= end) return false;
    *value = data[position];
    return true;
  }
  bool BigEndian(int bytes, uint32_t* value) {
    uint32_t result = 0;
    for (int i = 0; i < bytes; ++i) {
      uint8_t b;
      if (!Byte(&b)) return false;
      result = (result << 8) | b;
    }
    *value = result;
    return true;
  }
  // Variable-length quantity: at most four bytes of seven bits.
  bool VarLength(uint32_t* value) {
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!Byte(&b)) return false;
      result = (result << 7) | (b & 0x7F);
      if (!(b & 0x80)) {
        *value = result;
        return true;
      }
    }
    return false;
  }
  bool Skip(uint32_t count) {
    if (count > end - position) return false;
    position += count;
    return true;
  }
};

struct RawEvent {
  int64_t tick;
  int32_t track;
  int32_t order;
  uint8_t status, data1, data2;
};

struct RawTempo {
  int64_t tick;
  int32_t order;
  uint32_t microsecondsPerQuarter;
};

}  // namespace

bool MidiSong::Fail(const std::string& message) {
  error = message;
  events.clear();
  tempoMap.clear();
  lengthSeconds = 0.0;
  return false;
}

bool MidiSong::Load(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return Fail("cannot open " + path);
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  if (std::ferror(file.get())) return Fail("cannot read " + path);
  return Parse(bytes.data(), bytes.size());
}

bool MidiSong::Parse(const uint8_t* data, size_t size) {
  events.clear();
  tempoMap.clear();
  error.clear();
  lengthSeconds = 0.0;
  secondsPerTick = 0.0;

  ByteReader file{data, size, 0};
  uint32_t magic = 0, headerLength = 0, value = 0;
  if (!file.BigEndian(4, &magic) || magic != 0x4D546864) return Fail("not a Standard MIDI File (no MThd)");
  if (!file.BigEndian(4, &headerLength) || headerLength < 6) return Fail("truncated MIDI file header");
  ByteReader header{data, 0, file.position};
  if (headerLength > size - file.position) return Fail("truncated MIDI file header");
  header.end = file.position + headerLength;
  header.BigEndian(2, &value);
  format = static_cast<int32_t>(value);
  header.BigEndian(2, &value);
  trackCount = static_cast<int32_t>(value);
  header.BigEndian(2, &value);
  file.position = header.end;
  if (format != 0 && format != 1) return Fail("MIDI file type " + std::to_string(format) + " is not supported");
  if (value & 0x8000) {
    // SMPTE timing: frames per second (negative high byte) and ticks per frame.
    int framesPerSecond = 256 - static_cast<int>(value >> 8);
    int ticksPerFrame = static_cast<int>(value & 0xFF);
    if (ticksPerFrame == 0 || framesPerSecond <= 0) return Fail("bad SMPTE division");
    double fps = framesPerSecond == 29 ? 30000.0 / 1001.0 : framesPerSecond;
    secondsPerTick = 1.0 / (fps * ticksPerFrame);
    division = static_cast<int32_t>(fps * ticksPerFrame / 2.0 + 0.5);  // ticks per quarter at 120 BPM
    if (division <= 0) division = 1;
  } else {
    if (value == 0) return Fail("MIDI file division is zero");
    division = static_cast<int32_t>(value);
  }

  std::vector<RawEvent> raw;
  std::vector<RawTempo> tempos;
  int64_t lastTick = 0;
  int32_t order = 0;
  int32_t tracksRead = 0;
  while (tracksRead < trackCount && file.position + 8 <= size) {
    uint32_t chunkType = 0, chunkLength = 0;
    file.BigEndian(4, &chunkType);
    file.BigEndian(4, &chunkLength);
    if (chunkLength > size - file.position) return Fail("track " + std::to_string(tracksRead + 1) + " is truncated");
    ByteReader track{data, file.position + chunkLength, file.position};
    file.position += chunkLength;
    if (chunkType != 0x4D54726B) continue;  // unknown chunks are skipped
    int64_t tick = 0;
    uint8_t runningStatus = 0;
    bool ended = false;
    std::string where = "track " + std::to_string(tracksRead + 1);
    while (!ended && track.position < track.end) {
      uint32_t delta = 0;
      if (!track.VarLength(&delta)) return Fail(where + ": bad delta time");
      tick += delta;
      uint8_t first = 0;
      if (!track.Peek(&first)) return Fail(where + ": event missing after delta time");
      uint8_t status;
      if (first & 0x80) {
        track.Byte(&status);
      } else {
        if (!runningStatus) return Fail(where + ": data byte without status");
        status = runningStatus;
      }
      if (status == 0xFF) {
        runningStatus = 0;
        uint8_t type = 0;
        uint32_t length = 0;
        if (!track.Byte(&type) || !track.VarLength(&length)) return Fail(where + ": truncated meta event");
        size_t start = track.position;
        if (!track.Skip(length)) return Fail(where + ": truncated meta event");
        if (type == 0x2F) {
          ended = true;
        } else if (type == 0x51 && length >= 3) {
          uint32_t microseconds =
              (uint32_t(data[start]) << 16) | (uint32_t(data[start + 1]) << 8) | uint32_t(data[start + 2]);
          if (microseconds > 0) tempos.push_back({tick, order++, microseconds});
        }
      } else if (status == 0xF0 || status == 0xF7) {
        runningStatus = 0;
        uint32_t length = 0;
        if (!track.VarLength(&length) || !track.Skip(length)) return Fail(where + ": truncated System Exclusive");
      } else if (status >= 0xF0) {
        return Fail(where + ": system message in a track");
      } else {
        runningStatus = status;
        uint8_t data1 = 0, data2 = 0;
        int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (!track.Byte(&data1) || (dataBytes == 2 && !track.Byte(&data2)))
          return Fail(where + ": truncated channel message");
        if ((data1 | data2) & 0x80) return Fail(where + ": data byte out of range");
        raw.push_back({tick, tracksRead, order++, status, data1, data2});
      }
    }
    lastTick = std::max(lastTick, tick);
    ++tracksRead;
  }
  if (tracksRead == 0) return Fail("MIDI file has no tracks");
  trackCount = tracksRead;

  // Tempo map: changes from every track apply to the whole song.
  std::stable_sort(tempos.begin(), tempos.end(), [](const RawTempo& a, const RawTempo& b) { return a.tick < b.tick; });
  tempoMap.push_back({0, 0.0, 120.0});
  for (const RawTempo& tempo : tempos) {
    SongTempo& last = tempoMap.back();
    double seconds = last.seconds + double(tempo.tick - last.tick) * 60.0 / (last.beatsPerMinute * division);
    double bpm = 60000000.0 / tempo.microsecondsPerQuarter;
    if (tempo.tick == last.tick) {
      last.beatsPerMinute = bpm;
    } else {
      tempoMap.push_back({tempo.tick, seconds, bpm});
    }
  }

  // Merge the tracks: by tick, and in file order within a tick.
  std::stable_sort(raw.begin(), raw.end(), [](const RawEvent& a, const RawEvent& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    return a.order < b.order;
  });
  events.reserve(raw.size());
  for (const RawEvent& e : raw) events.push_back({e.tick, TickToSeconds(e.tick), e.status, e.data1, e.data2});
  lengthSeconds = TickToSeconds(lastTick);
  return true;
}

double MidiSong::TickToSeconds(int64_t tick) const {
  if (secondsPerTick > 0.0) return double(tick) * secondsPerTick;
  if (tempoMap.empty()) return double(tick) * 0.5 / division;
  auto next = std::upper_bound(tempoMap.begin(), tempoMap.end(), tick,
                               [](int64_t t, const SongTempo& entry) { return t < entry.tick; });
  const SongTempo& segment = *(next - 1);
  return segment.seconds + double(tick - segment.tick) * 60.0 / (segment.beatsPerMinute * division);
}

double MidiSong::TempoAt(double seconds) const {
  if (secondsPerTick > 0.0 || tempoMap.empty()) return 120.0;
  auto next = std::upper_bound(tempoMap.begin(), tempoMap.end(), seconds,
                               [](double s, const SongTempo& entry) { return s < entry.seconds; });
  return next == tempoMap.begin() ? tempoMap.front().beatsPerMinute : (next - 1)->beatsPerMinute;
}

double MidiSong::QuarterNotesAt(double seconds) const {
  if (secondsPerTick > 0.0 || tempoMap.empty()) return seconds * 2.0;
  auto next = std::upper_bound(tempoMap.begin(), tempoMap.end(), seconds,
                               [](double s, const SongTempo& entry) { return s < entry.seconds; });
  const SongTempo& segment = next == tempoMap.begin() ? tempoMap.front() : *(next - 1);
  double ticks = double(segment.tick) + (seconds - segment.seconds) * segment.beatsPerMinute / 60.0 * division;
  return ticks / division;
}
