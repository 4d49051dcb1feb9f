#include "resources/demo/DemoScore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <tuple>

namespace {

// Splits a line into words; a word in double quotes may hold spaces.
bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string::npos) return false;
      words->push_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    size_t end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
    words->push_back(line.substr(i, end - i));
    i = end;
  }
  return true;
}

bool ToNumber(const std::string& text, double minimum, double maximum, double* out) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != 0 || !(value >= minimum && value <= maximum)) return false;
  *out = value;
  return true;
}

bool ToInteger(const std::string& text, int32_t minimum, int32_t maximum, int32_t* out) {
  double value = 0.0;
  if (!ToNumber(text, minimum, maximum, &value) || value != std::floor(value)) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[5];
  int count = 0;
  bytes[count++] = static_cast<uint8_t>(value & 0x7F);
  while ((value >>= 7) != 0) bytes[count++] = static_cast<uint8_t>((value & 0x7F) | 0x80);
  while (count > 0) out.push_back(bytes[--count]);
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& body) {
  out.insert(out.end(), tag, tag + 4);
  PutBigEndian(out, static_cast<uint32_t>(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
}

void PutMetaText(std::vector<uint8_t>& track, uint8_t type, const std::string& text) {
  track.push_back(0);  // delta
  track.push_back(0xFF);
  track.push_back(type);
  PutVariableLength(track, static_cast<uint32_t>(text.size()));
  track.insert(track.end(), text.begin(), text.end());
}

void PutEndOfTrack(std::vector<uint8_t>& track, uint32_t delta) {
  PutVariableLength(track, delta);
  track.push_back(0xFF);
  track.push_back(0x2F);
  track.push_back(0);
}

}  // namespace

int32_t ParseNoteName(const std::string& text) {
  static const int32_t kSteps[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (text.size() < 2) return -1;
  const char letter = text[0];
  if (letter < 'A' || letter > 'G') return -1;
  int32_t key = kSteps[letter - 'A'];
  size_t i = 1;
  if (text[i] == '#') {
    ++key;
    ++i;
  } else if (text[i] == 'b') {
    --key;
    ++i;
  }
  int32_t octave = 0;
  if (!ToInteger(text.substr(i), -1, 9, &octave)) return -1;
  key += 12 * (octave + 1);
  return (key >= 0 && key <= 127) ? key : -1;
}

bool DemoScore::Parse(const std::string& text, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int32_t lineNumber = 0;
  std::vector<std::string> w;
  auto fail = [&](const std::string& why) {
    *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  // Bar and beat (both from 1) as a tick.
  auto position = [&](const std::string& barText, const std::string& beatText, int64_t* tick) {
    int32_t bar = 0;
    double beat = 0.0;
    if (!ToInteger(barText, 1, 10000, &bar) || !ToNumber(beatText, 1.0, kBeatsPerBar + 0.999, &beat)) return false;
    *tick = std::llround(((bar - 1) * kBeatsPerBar + (beat - 1.0)) * kDivision);
    return true;
  };

  while (std::getline(lines, line)) {
    ++lineNumber;
    if (!SplitWords(line, &w)) return fail("a quotation mark is not closed");
    if (w.empty()) continue;
    const std::string& command = w[0];
    if (command == "title") {
      if (w.size() != 2) return fail("title takes one text");
      title = w[1];
    } else if (command == "tempo") {
      if (w.size() != 2 || !ToNumber(w[1], 20.0, 400.0, &tempo)) return fail("tempo takes a number from 20 to 400");
    } else if (command == "set") {
      if (w.size() != 3) return fail("set takes a parameter name and a value");
      settings.push_back({w[1], w[2]});
    } else if (command == "part") {
      int32_t channel = 0;
      if (w.size() != 3 || !ToInteger(w[1], 1, 16, &channel)) return fail("part takes a channel 1..16 and a name");
      partNames[channel - 1] = w[2];
    } else if (command == "chord") {
      int32_t channel = 0, velocity = 0;
      int64_t start = 0;
      double beats = 0.0;
      if (w.size() < 7 || !ToInteger(w[1], 1, 16, &channel) || !position(w[2], w[3], &start) ||
          !ToNumber(w[4], 1.0 / 64, 1000.0, &beats) || !ToInteger(w[5], 1, 127, &velocity))
        return fail("chord takes CHANNEL BAR BEAT BEATS VELOCITY NOTE...");
      for (size_t i = 6; i < w.size(); ++i) {
        const int32_t key = ParseNoteName(w[i]);
        if (key < 0) return fail("not a note: " + w[i]);
        notes.push_back({channel - 1, start, start + std::llround(beats * kDivision), key, velocity});
      }
    } else if (command == "seq") {
      int32_t channel = 0, velocity = 0;
      int64_t start = 0;
      double step = 0.0, gate = 0.0;
      if (w.size() < 8 || !ToInteger(w[1], 1, 16, &channel) || !position(w[2], w[3], &start) ||
          !ToNumber(w[4], 1.0 / 64, 64.0, &step) || !ToNumber(w[5], 0.05, 2.0, &gate) ||
          !ToInteger(w[6], 1, 127, &velocity))
        return fail("seq takes CHANNEL BAR BEAT STEP GATE VELOCITY TOKEN...");
      const double stepTicks = step * kDivision;
      int32_t steps = 0;  // length of the note being built, in steps
      int32_t key = -1;
      size_t noteStep = 0;
      auto flush = [&]() {
        if (key < 0) return;
        const int64_t from = start + std::llround(noteStep * stepTicks);
        const int64_t length = std::max<int64_t>(1, std::llround(steps * stepTicks * gate));
        notes.push_back({channel - 1, from, from + length, key, velocity});
        key = -1;
      };
      for (size_t i = 7; i < w.size(); ++i) {
        const size_t index = i - 7;
        if (w[i] == "-") {
          if (key < 0) return fail("\"-\" holds no note");
          ++steps;
        } else if (w[i] == ".") {
          flush();
        } else {
          flush();
          key = ParseNoteName(w[i]);
          if (key < 0) return fail("not a note: " + w[i]);
          steps = 1;
          noteStep = index;
        }
      }
      flush();
    } else {
      return fail("unknown command " + command);
    }
  }
  if (notes.empty()) {
    *error = "the song has no notes";
    return false;
  }

  // Overlaps give legato, but a key struck again must end its previous note
  // first, or that note off would silence the new one.
  std::sort(notes.begin(), notes.end(), [](const DemoNote& a, const DemoNote& b) {
    return std::tie(a.channel, a.key, a.start) < std::tie(b.channel, b.key, b.start);
  });
  for (size_t i = 0; i + 1 < notes.size(); ++i) {
    DemoNote& a = notes[i];
    const DemoNote& b = notes[i + 1];
    if (a.channel == b.channel && a.key == b.key && a.end > b.start) a.end = std::max(a.start + 1, b.start);
  }
  std::sort(notes.begin(), notes.end(), [](const DemoNote& a, const DemoNote& b) {
    return std::tie(a.start, a.channel, a.key) < std::tie(b.start, b.channel, b.key);
  });
  return true;
}

std::vector<uint8_t> DemoScore::MidiFile() const {
  std::vector<uint8_t> file;
  std::vector<std::vector<uint8_t>> tracks;

  // The tempo track: name, tempo and 4/4.
  std::vector<uint8_t> conductor;
  PutMetaText(conductor, 0x03, title);
  const uint32_t microseconds = static_cast<uint32_t>(std::lround(60000000.0 / tempo));
  conductor.insert(conductor.end(), {0x00, 0xFF, 0x51, 0x03});
  PutBigEndian(conductor, microseconds, 3);
  conductor.insert(conductor.end(), {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
  PutEndOfTrack(conductor, 0);
  tracks.push_back(conductor);

  for (int32_t channel = 0; channel < 16; ++channel) {
    // (tick, order, status, key, velocity): note offs sort before note ons at one tick.
    std::vector<std::tuple<int64_t, int, uint8_t, uint8_t, uint8_t>> events;
    for (const DemoNote& n : notes) {
      if (n.channel != channel) continue;
      events.emplace_back(n.start, 1, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(n.key),
                          static_cast<uint8_t>(n.velocity));
      events.emplace_back(n.end, 0, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(n.key), 0);
    }
    if (events.empty()) continue;
    std::sort(events.begin(), events.end());
    std::vector<uint8_t> track;
    if (!partNames[channel].empty()) PutMetaText(track, 0x03, partNames[channel]);
    int64_t now = 0;
    for (const auto& [tick, order, status, key, velocity] : events) {
      (void)order;
      PutVariableLength(track, static_cast<uint32_t>(tick - now));
      now = tick;
      track.insert(track.end(), {status, key, velocity});
    }
    PutEndOfTrack(track, 0);
    tracks.push_back(track);
  }

  std::vector<uint8_t> header;
  PutBigEndian(header, 1, 2);  // type 1
  PutBigEndian(header, static_cast<uint32_t>(tracks.size()), 2);
  PutBigEndian(header, kDivision, 2);
  PutChunk(file, "MThd", header);
  for (const std::vector<uint8_t>& track : tracks) PutChunk(file, "MTrk", track);
  return file;
}

double DemoScore::LengthSeconds() const {
  int64_t last = 0;
  for (const DemoNote& n : notes) last = std::max(last, n.end);
  return static_cast<double>(last) / kDivision * 60.0 / tempo;
}
