#pragma once
// Helpers shared by the fuzz targets and the seed generator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/DataBlock.h"

// Stops the run with a message when a property every input must keep is broken,
// so that libFuzzer records the input like a crash.
#define FUZZ_CHECK(condition, what)                          \
  do {                                                       \
    if (!(condition)) FuzzFailure(what, __FILE__, __LINE__); \
  } while (false)

[[noreturn]] void FuzzFailure(const char* what, const char* file, int line);

// A private folder of this process for files a reader must be handed by path
// (in /dev/shm when it exists, so the runs do not wear the disk). Made once.
const std::string& FuzzScratchFolder();

// Replaces the file with the bytes; false on any failure.
bool FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size);

DataBlock FuzzBlock(const uint8_t* data, size_t size);

// Reads an input from the front, one field after the other; past the end every
// field reads as zero. The seed generator writes inputs in the same layout.
class FuzzReader {
 public:
  FuzzReader(const uint8_t* data, size_t size) : data(data), size(size) {}
  bool Done() const { return position >= size; }
  uint8_t Byte() { return position < size ? data[position++] : 0; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t Long() { return Word() | (static_cast<uint32_t>(Word()) << 16); }

 private:
  const uint8_t* data;
  size_t size;
  size_t position = 0;
};

// The engine target's operations, for the target and its seeds.
enum FuzzEngineOp : uint8_t {
  kFuzzMidi = 0,         // offset mode byte, 32-bit offset, status, data 1, data 2
  kFuzzBlock = 1,        // 16-bit frame count (0xffff: the block size)
  kFuzzEditorParam = 2,  // 16-bit index, 16-bit value (0..65535 -> 0..1)
  kFuzzEngineParam = 3,  // 16-bit index, 32-bit signed value in thousandths
  kFuzzMode = 4,         // Mode byte
  kFuzzReset = 5,        // sample rate choice, 16-bit block size
  kFuzzOpCount = 6
};
