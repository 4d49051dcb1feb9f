// Preset (.fxp) and bank (.fxb) files in all four forms, and the stored preset
// and parameter lists, read by the instrument. The first byte picks the reader.
// A file that was accepted must come out again through the writer in a form
// that the reader accepts once more.
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "fuzz/FuzzSupport.h"
#include "instrument/Vornell.h"

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
  const DataBlock block = FuzzBlock(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      if (plug.LoadProgramData(block)) {
        DataBlock again;
        FUZZ_CHECK(plug.MakeProgramData(again), "an accepted preset file could not be written");
        FUZZ_CHECK(plug.LoadProgramData(again), "a written preset file was refused");
      }
      break;
    case 1:
      if (plug.LoadBankData(block)) {
        DataBlock again;
        FUZZ_CHECK(plug.MakeBankData(again), "an accepted bank file could not be written");
        FUZZ_CHECK(plug.LoadBankData(again), "a written bank file was refused");
      }
      break;
    case 2: {
      std::lock_guard lock(plug.Mutex());
      const int end = plug.UnserializePresets(block, 0);
      FUZZ_CHECK(end <= block.Size(), "preset list read past its end");
      FUZZ_CHECK(plug.GetCurrentPresetIndex() >= 0 && plug.GetCurrentPresetIndex() < plug.NumPresets(),
                 "current preset outside the list");
      break;
    }
    default: {
      const int end = plug.UnserializeParams(block, 0);
      FUZZ_CHECK(end <= block.Size(), "parameter list read past its end");
      for (int i = 0; i < plug.NumParams(); ++i) {
        const PlugParam* param = plug.GetParam(i);
        FUZZ_CHECK(param->Value() >= param->Min() && param->Value() <= param->Max(), "parameter outside its range");
      }
      break;
    }
  }
  return 0;
}
