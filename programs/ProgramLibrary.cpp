#include "programs/ProgramLibrary.h"

#include <cstdio>

#include "platform/Resources.h"
#include "plugin/DataBlock.h"

namespace {

constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kManufacturer = 0x01;
constexpr uint8_t kProgramMessageId = 0x05;
constexpr uint8_t kEnhancedId1 = 0x0D;
constexpr uint8_t kEnhancedId2 = 0x0E;

// A bank with enhanced data and long names stays far below this; anything
// larger is not a SysEx file of ours and is refused rather than read whole.
constexpr size_t kMaxSysExFileSize = size_t{64} * 1024 * 1024;

// Scanner over the bytes of a SysEx stream. Reads past the end yield FF and
// still advance, so a cut-off message fails its next check instead of reading
// out of bounds.
struct ByteReader {
  const uint8_t* data;
  size_t size;
  size_t position;

  uint8_t Next() {
    const uint8_t byte = position < size ? data[position] : 0xFF;
    ++position;
    return byte;
  }
  uint8_t NextNibblePair() {
    const uint8_t low = Next();
    const uint8_t high = Next();
    return static_cast<uint8_t>(((high << 4) + (low & 15)) & 255);
  }
};

void AppendNibbles(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    out.push_back(static_cast<uint8_t>(bytes[i] & 15));
    out.push_back(static_cast<uint8_t>(bytes[i] >> 4));
  }
}

void AppendProgramMessage(std::vector<uint8_t>& out, const Program& program, int number) {
  out.push_back(kSysExStart);
  out.push_back(kManufacturer);
  out.push_back(kProgramMessageId);
  out.push_back(static_cast<uint8_t>(number));
  const PackedProgram packed = PackProgram(program.values);
  AppendNibbles(out, packed.bytes.data(), packed.bytes.size());
  out.push_back(kSysExEnd);
}

void AppendEnhancedMessage(std::vector<uint8_t>& out, const Program& program) {
  DataBlock record;
  if (!WriteProgramRecord(program, record)) return;
  out.push_back(kSysExStart);
  out.push_back(kManufacturer);
  out.push_back(kEnhancedId1);
  out.push_back(kEnhancedId2);
  AppendNibbles(out, record.Data(), static_cast<size_t>(record.Size()));
  out.push_back(kSysExEnd);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  if (path.empty()) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<uint8_t> read;
  bool ok = true;
  uint8_t chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got > 0) {
      if (read.size() + got > kMaxSysExFileSize) {
        ok = false;
        break;
      }
      read.insert(read.end(), chunk, chunk + got);
    }
    if (got < sizeof chunk) {
      // A directory or a device error ends here as well as the end of a file.
      ok = !std::ferror(file);
      break;
    }
  }
  std::fclose(file);
  if (ok) bytes.swap(read);
  return ok;
}

}  // namespace

std::vector<uint8_t> ProgramLibrary::BuildSysEx(int first) const {
  std::vector<uint8_t> out;
  if (first >= kProgramCount) return out;
  const int begin = first < 0 ? 0 : first;
  const int end = first < 0 ? kProgramCount : first + 1;
  for (int p = begin; p < end; ++p) {
    AppendProgramMessage(out, programs[p], p);
    if (saveEnhancedPrograms) AppendEnhancedMessage(out, programs[p]);
  }
  return out;
}

bool ProgramLibrary::ParseSysEx(const uint8_t* data, size_t size, int target) {
  if (!data) size = 0;
  ByteReader reader{data, size, 0};
  bool found = false;
  for (;;) {
    bool stop = false;
    if (reader.Next() == kSysExStart && reader.Next() == kManufacturer && reader.Next() == kProgramMessageId) {
      const uint8_t pp = reader.Next();
      const int slot = target >= 0 ? target : pp;
      if (slot < kProgramCount) {
        PackedProgram packed;
        for (uint8_t& byte : packed.bytes) byte = reader.NextNibblePair();
        if (reader.Next() == kSysExEnd) {
          UnpackProgram(packed, programs[slot].values);
          found = true;
          if (saveEnhancedPrograms) {
            reader.position = ParseEnhancedMessage(data, size, slot, reader.position);
          }
        }
        // A single-program load takes only the first message, stored or not.
        stop = target >= 0;
      }
    }
    // Until one message has been stored, anything else means this is not our data.
    if (!found) return false;
    if (stop || reader.position >= size) break;
  }
  ReloadTracks(target);
  return true;
}

size_t ProgramLibrary::ParseEnhancedMessage(const uint8_t* data, size_t size, int slot, size_t position) {
  if (slot < 0 || slot >= kProgramCount) return position;
  ByteReader reader{data, size, position};
  if (reader.Next() != kSysExStart || reader.Next() != kManufacturer || reader.Next() != kEnhancedId1 ||
      reader.Next() != kEnhancedId2) {
    return position;
  }
  DataBlock record;
  for (;;) {
    if (reader.position >= size) return position;  // no F7 before the end
    if (data[reader.position] == kSysExEnd) break;
    if (!record.PutByte(reader.NextNibblePair())) return position;
  }
  ++reader.position;  // past F7
  // The record is read into a scratch program first, so the slot is either
  // replaced entirely or untouched.
  Program read = programs[slot];
  if (ReadProgramRecord(read, record, 0) < 0) return position;
  programs[slot] = std::move(read);
  return reader.position;
}

bool ProgramLibrary::LoadSysExFile(const std::string& path, int target) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  return ParseSysEx(bytes, target);
}

bool ProgramLibrary::SaveSysExFile(const std::string& path, int first) const {
  if (path.empty() || first >= kProgramCount) return false;
  const std::vector<uint8_t> bytes = BuildSysEx(first);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

bool ProgramLibrary::RestoreFactoryPrograms(int target) {
  if (target >= kProgramCount) return false;
  const ResourceData factory = FindResource("PRG", "FACTORY");
  if (!factory.Found()) return false;
  const uint8_t* data = factory.data;
  size_t size = factory.size;
  if (target >= 0) {
    // A single-slot parse takes the first message it is given, so hand it
    // the factory message of that slot rather than the whole bank.
    const size_t offset = static_cast<size_t>(target) * kProgramMessageSize;
    if (offset + kProgramMessageSize > size || data[offset + 3] != target) return false;
    data += offset;
    size = kProgramMessageSize;
  }
  if (!ParseSysEx(data, size, target)) return false;

  const std::array<std::string, kProgramCount> names = FactoryProgramNames();
  for (int j = 0; j < kProgramCount; ++j) {
    if (target >= 0 && j != target) continue;
    programs[j].number = static_cast<uint8_t>(j);
    programs[j].name = names[j];
  }
  // Reload once more so that the tracks also take over the restored names.
  if (!(stateLoading && stateLoading())) ReloadTracks(target);
  return true;
}

void ProgramLibrary::ReloadTracks(int program) const {
  if (reloadTracks) reloadTracks(program < 0 ? -1 : program);
}

bool ListSysExPrograms(const std::string& path, std::vector<Program>& list) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  bool result = false;
  for (size_t offset = 0; offset + kProgramMessageSize <= bytes.size(); offset += kProgramMessageSize) {
    const uint8_t* step = bytes.data() + offset;
    if (step[0] == kSysExStart && step[1] == kManufacturer && step[2] == kProgramMessageId && step[3] < kProgramCount) {
      if (step[kProgramMessageSize - 1] != kSysExEnd) return false;
      ByteReader reader{step, kProgramMessageSize, 4};
      PackedProgram packed;
      for (uint8_t& byte : packed.bytes) byte = reader.NextNibblePair();
      Program program;
      program.number = step[3];
      char name[16];
      std::snprintf(name, sizeof name, "PROGRAM %02u", static_cast<unsigned>(step[3]));
      program.name = name;
      UnpackProgram(packed, program.values);
      list.push_back(std::move(program));
      result = true;
    } else if (!result) {
      break;
    }
  }
  return result;
}

std::array<std::string, kProgramCount> FactoryProgramNames() {
  std::array<std::string, kProgramCount> names;
  const ResourceData table = FindResource("PRG", "FACTORYNAMES");
  if (!table.Found()) return names;
  // One name per line, in program order; a name may end in blanks.
  const char* text = reinterpret_cast<const char*>(table.data);
  size_t start = 0;
  for (int j = 0; j < kProgramCount && start < table.size; ++j) {
    size_t end = start;
    while (end < table.size && text[end] != '\n') ++end;
    names[j].assign(text + start, end - start);
    start = end + 1;
  }
  return names;
}
