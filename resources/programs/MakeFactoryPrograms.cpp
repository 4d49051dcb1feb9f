// Build-time generator of the factory programs: reads the readable program
// list (factory.txt) and writes the bank of 100 plain program messages and the
// table of names that the module embeds.
//
//   MakeFactoryPrograms <factory.txt> <bank.syx> <names.txt>
//
// Every program must give all 37 values, each within its range and at the
// resolution of the packed form, since that is the form the factory set
// travels in. Any fault stops the build with the line it was found on.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "programs/Program.h"
#include "programs/ProgramLibrary.h"

namespace {

struct ValueKey {
  const char* section;
  const char* key;
  int value;  // k
  int maximum;
};

// Sections group the values the way the panel does; keys are short names of
// the voice parameters.
constexpr ValueKey kKeys[kProgramValueCount] = {
    {"osc", "coarse", 0, 48},       {"osc", "fine", 1, 255},         {"osc", "glide", 2, 255},
    {"osc", "lfo", 3, 1},           {"osc-env", "amount", 4, 255},   {"osc-env", "invert", 5, 1},
    {"osc-env", "attack", 6, 255},  {"osc-env", "decay", 7, 255},    {"osc-env", "sustain", 8, 255},
    {"osc-env", "release", 9, 255}, {"osc", "saw", 10, 1},           {"osc", "triangle", 11, 1},
    {"osc", "pulse", 12, 1},        {"osc", "width", 13, 255},       {"osc", "lfo-pw", 14, 1},
    {"lfo", "rate", 15, 255},       {"lfo", "amount", 16, 255},      {"lfo", "shape", 17, 1},
    {"osc", "noise", 18, 255},      {"filter", "cutoff", 19, 255},   {"filter", "resonance", 20, 255},
    {"flt-env", "amount", 21, 255}, {"flt-env", "invert", 22, 1},    {"flt-env", "attack", 23, 255},
    {"flt-env", "decay", 24, 255},  {"flt-env", "sustain", 25, 255}, {"flt-env", "release", 26, 255},
    {"filter", "lfo", 27, 1},       {"filter", "keytrack", 28, 128}, {"filter", "osc-mod", 29, 255},
    {"amp", "attack", 30, 255},     {"amp", "decay", 31, 255},       {"amp", "sustain", 32, 255},
    {"amp", "release", 33, 255},    {"amp", "volume", 34, 255},      {"amp", "unison", 35, 1},
    {"amp", "velocity", 36, 255},
};

struct Entry {
  Program program;
  bool given[kProgramValueCount] = {};
  int line = 0;
};

bool Fail(const std::string& file, int line, const std::string& message) {
  std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), line, message.c_str());
  return false;
}

bool ParseHeader(const std::string& file, int line, const std::string& text, Entry& entry) {
  // program NN "Name"
  std::istringstream in(text);
  std::string word;
  int number = -1;
  in >> word >> number;
  if (!in || number < 0 || number >= kProgramCount) return Fail(file, line, "expected: program NN \"name\"");
  const size_t open = text.find('"');
  const size_t close = open == std::string::npos ? open : text.find('"', open + 1);
  if (close == std::string::npos) return Fail(file, line, "program name must be quoted");
  if (text.find_first_not_of(" \t\r", close + 1) != std::string::npos) {
    return Fail(file, line, "unexpected text after the program name");
  }
  entry.program.number = static_cast<uint8_t>(number);
  entry.program.name = text.substr(open + 1, close - open - 1);
  entry.line = line;
  if (entry.program.name.empty() || entry.program.name.size() > 32) {
    return Fail(file, line, "program name must have 1 to 32 characters");
  }
  return true;
}

bool ParseValues(const std::string& file, int line, const std::string& text, Entry& entry) {
  std::istringstream in(text);
  std::string section;
  in >> section;
  std::string key;
  while (in >> key) {
    std::string number;
    if (!(in >> number)) return Fail(file, line, "value missing after " + key);
    const ValueKey* found = nullptr;
    for (const ValueKey& candidate : kKeys) {
      if (section == candidate.section && key == candidate.key) found = &candidate;
    }
    if (!found) return Fail(file, line, "unknown value " + section + " " + key);
    if (number.find_first_not_of("0123456789") != std::string::npos || number.size() > 3) {
      return Fail(file, line, "not a number: " + number);
    }
    const int value = std::stoi(number);
    if (value > found->maximum) return Fail(file, line, section + " " + key + " is out of range");
    if (entry.given[found->value]) return Fail(file, line, section + " " + key + " given twice");
    entry.given[found->value] = true;
    entry.program.values[found->value] = static_cast<uint8_t>(value);
  }
  return true;
}

bool FinishEntry(const std::string& file, const Entry& entry, int expectedNumber) {
  if (entry.program.number != expectedNumber) {
    return Fail(file, entry.line, "programs must be numbered 00 to 99 in order");
  }
  for (const ValueKey& key : kKeys) {
    if (!entry.given[key.value]) {
      return Fail(file, entry.line, std::string("missing value ") + key.section + " " + key.key);
    }
  }
  ProgramValues roundTrip{};
  UnpackProgram(PackProgram(entry.program.values), roundTrip);
  for (const ValueKey& key : kKeys) {
    if (roundTrip[key.value] != entry.program.values[key.value]) {
      return Fail(file, entry.line,
                  std::string(key.section) + " " + key.key + " " + std::to_string(entry.program.values[key.value]) +
                      " is finer than the packed form keeps (it would become " + std::to_string(roundTrip[key.value]) +
                      ")");
    }
  }
  return true;
}

bool ReadFactoryList(const std::string& file, std::vector<Entry>& entries) {
  std::ifstream in(file);
  if (!in) return Fail(file, 0, "cannot open");
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos || text[first] == '#') continue;
    if (text.compare(first, 8, "program ") == 0) {
      if (!entries.empty() && !FinishEntry(file, entries.back(), static_cast<int>(entries.size()) - 1)) return false;
      entries.emplace_back();
      if (!ParseHeader(file, line, text, entries.back())) return false;
    } else {
      if (entries.empty()) return Fail(file, line, "values before the first program");
      if (!ParseValues(file, line, text, entries.back())) return false;
    }
  }
  if (!entries.empty() && !FinishEntry(file, entries.back(), static_cast<int>(entries.size()) - 1)) return false;
  if (entries.size() != kProgramCount) return Fail(file, line, "the factory set needs exactly 100 programs");
  return true;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return Fail(path, 0, "cannot create");
  bool ok = std::fwrite(data, 1, size, out) == size;
  ok = std::fclose(out) == 0 && ok;
  return ok || Fail(path, 0, "cannot write");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <factory.txt> <bank.syx> <names.txt>\n", argv[0]);
    return 2;
  }
  std::vector<Entry> entries;
  if (!ReadFactoryList(argv[1], entries)) return 1;

  ProgramLibrary library;
  library.saveEnhancedPrograms = false;  // the factory bank is plain program messages
  std::string names;
  for (int p = 0; p < kProgramCount; ++p) {
    library.programs[p] = entries[p].program;
    if (entries[p].program.name.find('\n') != std::string::npos) return 1;
    names += entries[p].program.name;
    names += '\n';
  }
  const std::vector<uint8_t> bank = library.BuildSysEx(-1);
  if (bank.size() != static_cast<size_t>(kProgramCount) * kProgramMessageSize) {
    std::fprintf(stderr, "factory bank has %zu bytes\n", bank.size());
    return 1;
  }
  if (!WriteFile(argv[2], bank.data(), bank.size())) return 1;
  if (!WriteFile(argv[3], names.data(), names.size())) return 1;
  return 0;
}
