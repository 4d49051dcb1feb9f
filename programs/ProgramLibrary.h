#pragma once
// The library of 100 programs owned by the plug-in object, and its exchange
// as System Exclusive data: a program message of 37 bytes per program
// (F0 01 05 pp, the packed program as 32 nibbles, F7), optionally followed by
// an enhanced-data message (F0 01 0D 0E, the program record as nibbles, F7)
// that keeps full resolution, "Amp Velocity", the number and the name.
//
// User-interface thread, or while a state is read; the owner holds the
// plug-in lock around commands that change the library.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "programs/Program.h"

constexpr int kProgramMessageSize = 37;

class ProgramLibrary {
 public:
  // Slots are addressed by program number.
  std::array<Program, kProgramCount> programs;

  // Governs both writing and reading of enhanced-data messages.
  bool saveEnhancedPrograms = true;

  // Set by the owner. Reloads every track whose program number is `program`,
  // or every track in order 0..5 when `program` is negative, so that the tracks
  // take over what a load or restore changed. Unset means there are no tracks.
  std::function<void(int program)> reloadTracks;
  // Set by the owner: whether a state is being read. A factory restore then
  // skips its second reload of the tracks. Unset means false.
  std::function<bool()> stateLoading;

  // first >= 0: the messages of that one program, with pp = first; first < 0:
  // the bank 0..99. Empty for first >= 100.
  std::vector<uint8_t> BuildSysEx(int first) const;

  // target >= 0 stores the first program message of the data into slot target
  // (whatever program number it names); target < 0 stores every message into
  // the slot its pp names. The data must start with a valid program message;
  // after that, anything that does not parse is skipped. When something was
  // stored, the affected tracks are reloaded. Returns whether a program was
  // stored.
  bool ParseSysEx(const uint8_t* data, size_t size, int target);
  bool ParseSysEx(const std::vector<uint8_t>& data, int target) { return ParseSysEx(data.data(), data.size(), target); }

  // At `position` (just after a stored program message): when an enhanced-data
  // message stands there and its record reads completely, it replaces slot
  // `slot` and the position after its F7 is returned; otherwise the slot is
  // unchanged and `position` is returned.
  size_t ParseEnhancedMessage(const uint8_t* data, size_t size, int slot, size_t position);

  // False for an empty path, a file that cannot be read, or one in which no
  // program message was found (the library is then unchanged).
  bool LoadSysExFile(const std::string& path, int target);
  // Writes BuildSysEx(first) to the file, replacing it. False for an empty
  // path, first >= 100, or any failure to create, write or close the file.
  bool SaveSysExFile(const std::string& path, int first) const;

  // Restores factory program `target` (0..99) or all of them (target < 0):
  // values, number = slot and factory name. False, with nothing changed, when
  // target >= 100 or the factory data is missing.
  bool RestoreFactoryPrograms(int target);

 private:
  void ReloadTracks(int program) const;
};

// For the file browser: appends every program message found on the 37-byte
// grid of the file, named "PROGRAM %02u" after its number. True when at least
// one program was appended and the scan ended without a broken message.
bool ListSysExPrograms(const std::string& path, std::vector<Program>& list);

// Factory program names 0..99 from the embedded table; empty texts when the
// table is missing.
std::array<std::string, kProgramCount> FactoryProgramNames();
