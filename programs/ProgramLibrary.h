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

struct SysExProgram;

class ProgramLibrary {
 public:
  // Every slot's name gets kProgramNameRoom of storage; the library's own
  // changes copy names into it rather than replace it.
  ProgramLibrary();

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
  // (whatever program number it names); target < 0 stores every program into
  // the slot its message names. The data is read by ReadSysExPrograms, with
  // enhanced-data messages when saveEnhancedPrograms is on. When something was
  // stored, the affected tracks are reloaded. Returns whether a program was
  // stored.
  bool ParseSysEx(const uint8_t* data, size_t size, int target);
  bool ParseSysEx(const std::vector<uint8_t>& data, int target) { return ParseSysEx(data.data(), data.size(), target); }

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
  // Stores one program as ParseSysEx does: into slot `target`, or into the
  // slot its message names when target < 0.
  void Store(const SysExProgram& program, int target);
};

// One program of SysEx data: the number its program message names, the
// values of its packed form, and the whole record (number, name, all values)
// of the enhanced-data message that completed it, if one did.
struct SysExProgram {
  int number = 0;
  ProgramValues packedValues{};
  bool hasRecord = false;
  Program record;
};

// Reads SysEx data as the stream of messages it is, for the library's loads
// and the file browser alike. A message runs from F0 to its F7; one cut short
// by another status byte or by the end of the data is skipped, and so are the
// bytes between messages and every message that is not a program message.
// An enhanced-data message completes the program message directly before it
// (read only when `readEnhanced`; one whose record does not read completely
// is skipped). Program messages name numbers 0..99; with `anyNumber` (a load
// into one chosen slot) any number is taken.
//
// Hands every program, once complete, to `take` in the order of the data;
// `take` returns false to stop the reading. Returns false without handing
// over anything when the data does not start with a program message: then it
// is not data of ours.
bool ReadSysExPrograms(const uint8_t* data, size_t size, bool readEnhanced, bool anyNumber,
                       const std::function<bool(SysExProgram&)>& take);

// For the file browser: appends every program of the file, in the order of
// the file, with the number its message names and, when an enhanced-data
// message completed it, its name and full values; otherwise named
// "PROGRAM %02u" after its number, with the packed values. True when at least
// one program was appended; false for a file that cannot be read or does not
// start with a program message.
bool ListSysExPrograms(const std::string& path, bool readEnhanced, std::vector<Program>& list);

// Factory program names 0..99 from the embedded table; empty texts when the
// table is missing. Read once in a process. Any thread.
const std::array<std::string, kProgramCount>& FactoryProgramNames();
