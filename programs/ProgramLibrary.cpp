#include "programs/ProgramLibrary.h"

#include <cstdio>
#include <vector>

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

// One System Exclusive message: from its F0 up to and with its F7. A message
// cut short (by another status byte or the end of the data) is not complete.
struct SysExMessage {
  const uint8_t* bytes = nullptr;
  size_t length = 0;
  bool complete = false;
};

// The messages of SysEx data, one after another. Bytes outside messages are
// passed over; a status byte inside a message ends it there (the byte itself
// starts what follows), as it does on a MIDI cable. Real-time bytes (F8..FF)
// may come between any two bytes on a cable, so a dump captured from one can
// hold them inside a message: they are left out of it rather than ending it.
class SysExStream {
 public:
  SysExStream(const uint8_t* bytes, size_t count) : data(bytes), size(count) {}

  // The message stays valid until the next call.
  bool Next(SysExMessage& message) {
    while (position < size && data[position] != kSysExStart) ++position;
    if (position >= size) return false;
    const size_t start = position++;
    bool realTime = false;
    for (; position < size && (data[position] < 0x80 || data[position] >= kFirstRealTime); ++position)
      realTime |= data[position] >= kFirstRealTime;
    message.complete = position < size && data[position] == kSysExEnd;
    if (message.complete) ++position;
    message.bytes = data + start;
    message.length = position - start;
    if (realTime) {
      withoutRealTime.clear();
      for (size_t i = start; i < position; ++i)
        if (data[i] < kFirstRealTime) withoutRealTime.push_back(data[i]);
      message.bytes = withoutRealTime.data();
      message.length = withoutRealTime.size();
    }
    return true;
  }

 private:
  static constexpr uint8_t kFirstRealTime = 0xF8;
  const uint8_t* data;
  size_t size;
  size_t position = 0;
  std::vector<uint8_t> withoutRealTime;  // only a message that held real-time bytes
};

// The factory bank's programs in the order ReadSysExPrograms hands them over,
// and whether it read the bank at all.
struct FactoryBank {
  bool read = false;
  std::vector<SysExProgram> programs;
};

FactoryBank DecodeFactoryBank(bool readEnhanced) {
  FactoryBank bank;
  const ResourceData factory = FindResource("PRG", "FACTORY");
  if (!factory.Found()) return bank;
  bank.read = ReadSysExPrograms(factory.data, factory.size, readEnhanced, false, [&bank](SysExProgram& program) {
    bank.programs.push_back(program);
    return true;
  });
  return bank;
}

// Any thread: decoded by the first caller (the bytes are fixed), then only read.
const FactoryBank& DecodedFactoryBank(bool readEnhanced) {
  if (readEnhanced) {
    static const FactoryBank enhanced = DecodeFactoryBank(true);
    return enhanced;
  }
  static const FactoryBank plain = DecodeFactoryBank(false);
  return plain;
}

uint8_t NibblePair(const uint8_t* pair) {
  return static_cast<uint8_t>(((pair[1] << 4) + (pair[0] & 15)) & 255);
}

// F0 01 05 pp, the 16 packed bytes as nibble pairs, F7.
bool DecodeProgramMessage(const SysExMessage& message, SysExProgram& program) {
  if (!message.complete || message.length != kProgramMessageSize || message.bytes[1] != kManufacturer ||
      message.bytes[2] != kProgramMessageId)
    return false;
  program.number = message.bytes[3];
  PackedProgram packed;
  for (size_t i = 0; i < packed.bytes.size(); ++i) packed.bytes[i] = NibblePair(message.bytes + 4 + 2 * i);
  UnpackProgram(packed, program.packedValues);
  return true;
}

// F0 01 0D 0E, a program record as nibble pairs, F7. True when the record
// reads completely.
bool DecodeEnhancedMessage(const SysExMessage& message, Program& record) {
  constexpr size_t kHeader = 4;
  if (!message.complete || message.length < kHeader + 1 || message.bytes[1] != kManufacturer ||
      message.bytes[2] != kEnhancedId1 || message.bytes[3] != kEnhancedId2)
    return false;
  const size_t nibbles = message.length - kHeader - 1;
  if (nibbles % 2 != 0) return false;
  DataBlock block;
  for (size_t i = 0; i < nibbles; i += 2)
    if (!block.PutByte(NibblePair(message.bytes + kHeader + i))) return false;
  return ReadProgramRecord(record, block, 0) >= 0;
}

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

ProgramLibrary::ProgramLibrary() {
  for (Program& program : programs) program.name.reserve(kProgramNameRoom);
}

void ProgramLibrary::Store(const SysExProgram& program, int target) {
  Program& slot = programs[static_cast<size_t>(target >= 0 ? target : program.number)];
  slot.values = program.packedValues;
  // Otherwise the slot keeps its number and name.
  if (program.hasRecord) slot = program.record;
}

bool ProgramLibrary::ParseSysEx(const uint8_t* data, size_t size, int target) {
  if (target >= kProgramCount) return false;
  auto store = [this, target](SysExProgram& program) {
    Store(program, target);
    // A single-program load takes only the first program.
    return target < 0;
  };
  // A single-program load takes the first message whatever number it names.
  if (!ReadSysExPrograms(data, size, saveEnhancedPrograms, target >= 0, store)) return false;
  ReloadTracks(target);
  return true;
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
  if (target >= 0) {
    const ResourceData factory = FindResource("PRG", "FACTORY");
    if (!factory.Found()) return false;
    // A single-slot parse takes the first message it is given, so hand it
    // the factory message of that slot rather than the whole bank.
    const size_t offset = static_cast<size_t>(target) * kProgramMessageSize;
    if (offset + kProgramMessageSize > factory.size || factory.data[offset + 3] != target) return false;
    if (!ParseSysEx(factory.data + offset, kProgramMessageSize, target)) return false;
  } else {
    // What ParseSysEx of the whole bank stores, decoded once in a process.
    const FactoryBank& bank = DecodedFactoryBank(saveEnhancedPrograms);
    if (!bank.read) return false;
    for (const SysExProgram& program : bank.programs) Store(program, -1);
    ReloadTracks(-1);
  }

  const std::array<std::string, kProgramCount>& names = FactoryProgramNames();
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

bool ReadSysExPrograms(const uint8_t* data, size_t size, bool readEnhanced, bool anyNumber,
                       const std::function<bool(SysExProgram&)>& take) {
  // Anything but a program message at the very start means the data is not ours.
  if (!data || size == 0 || data[0] != kSysExStart) return false;
  SysExStream stream(data, size);
  SysExMessage message;
  // A program is handed over once the message after it has been looked at:
  // that one may be its enhanced data.
  SysExProgram pending;
  bool havePending = false;
  bool first = true;
  while (stream.Next(message)) {
    SysExProgram program;
    const bool isProgram = DecodeProgramMessage(message, program) && (anyNumber || program.number < kProgramCount);
    if (first && !isProgram) return false;
    first = false;
    if (!isProgram && havePending && readEnhanced) {
      Program record;
      if (DecodeEnhancedMessage(message, record)) {
        pending.record = std::move(record);
        pending.hasRecord = true;
      }
    }
    if (havePending && !take(pending)) return true;
    pending = std::move(program);
    havePending = isProgram;
  }
  if (havePending) take(pending);
  return true;
}

bool ListSysExPrograms(const std::string& path, bool readEnhanced, std::vector<Program>& list) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  auto take = [&list](SysExProgram& found) {
    Program program;
    if (found.hasRecord) {
      program = std::move(found.record);
    } else {
      char name[16];
      std::snprintf(name, sizeof name, "PROGRAM %02u", static_cast<unsigned>(found.number));
      program.name = name;
      program.values = found.packedValues;
    }
    // Listed under the number its message names, which is where a bank load puts it.
    program.number = static_cast<uint8_t>(found.number);
    list.push_back(std::move(program));
    return true;
  };
  // A file that starts with a program message lists at least that one.
  return ReadSysExPrograms(bytes.data(), bytes.size(), readEnhanced, false, take);
}

const std::array<std::string, kProgramCount>& FactoryProgramNames() {
  static const std::array<std::string, kProgramCount> table = [] {
    std::array<std::string, kProgramCount> names;
    const ResourceData resource = FindResource("PRG", "FACTORYNAMES");
    if (!resource.Found()) return names;
    // One name per line, in program order; a name may end in blanks.
    const char* text = reinterpret_cast<const char*>(resource.data);
    size_t start = 0;
    for (int j = 0; j < kProgramCount && start < resource.size; ++j) {
      size_t end = start;
      while (end < resource.size && text[end] != '\n') ++end;
      names[j].assign(text + start, end - start);
      start = end + 1;
    }
    return names;
  }();
  return table;
}
