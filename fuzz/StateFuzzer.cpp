// The instrument's state block, as a host project, a preset or a file carries
// it: LoadState applying it, the preset browser's summary reader, and the file
// browser's peeks into preset and bank files. First byte: the reader. A state
// that was applied must be written and applied again unchanged.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "instrument/Vornell.h"
#include "programs/StateChunk.h"

namespace {
Vornell& Plug() {
  static Vornell* plug = new Vornell();
  return *plug;
}
}  // namespace

// The instrument is built once, before the first input (and its time limit).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Plug();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  Vornell& plug = Plug();
  std::lock_guard lock(plug.Mutex());
  const DataBlock block = FuzzBlock(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0: {
      const int end = plug.LoadState(block, 0);
      FUZZ_CHECK(end <= block.Size(), "state read past its end");
      if (end < 0) break;
      DataBlock saved;
      FUZZ_CHECK(plug.SaveState(saved), "an applied state could not be written");
      FUZZ_CHECK(plug.LoadState(saved, 0) == saved.Size(), "the instrument's own state was refused");
      DataBlock again;
      FUZZ_CHECK(plug.SaveState(again), "an applied state could not be written");
      FUZZ_CHECK(again == saved, "a state changed by writing and applying it again");
      break;
    }
    case 1: {
      std::vector<Program> tracks;
      std::vector<Program> programs;
      const int end = ReadStateSummary(block, 0, tracks, programs);
      FUZZ_CHECK(end <= block.Size(), "state summary read past its end");
      FUZZ_CHECK(tracks.size() <= static_cast<size_t>(kStateTrackCount), "more tracks than the instrument has");
      FUZZ_CHECK(programs.size() <= static_cast<size_t>(kProgramCount), "more programs than the library has");
      break;
    }
    default: {
      const std::string path = FuzzScratchFolder() + (data[0] % 4 == 2 ? "/peek.fxp" : "/peek.fxb");
      if (!FuzzWriteFile(path, data + 1, size - 1)) break;
      DataBlock peeked;
      const bool ok =
          data[0] % 4 == 2 ? plug.Commands().PeekProgramFile(path, peeked) : plug.Commands().PeekBankFile(path, peeked);
      if (ok) {
        std::vector<Program> tracks;
        std::vector<Program> programs;
        ReadStateSummary(peeked, 0, tracks, programs);
      }
      break;
    }
  }
  return 0;
}
