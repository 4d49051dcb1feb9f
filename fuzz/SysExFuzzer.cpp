// Program System Exclusive data: the library's reader (into one slot or into
// the slots the messages name, reloading the instrument's tracks) and the file
// browser's listing. First byte: the target slot (255 and 254: every message to
// its own slot, 253 and 252: the listing with and without enhanced data).
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "instrument/Vornell.h"
#include "programs/ProgramLibrary.h"

namespace {
Vornell& Plug() {
  static Vornell* plug = new Vornell();
  return *plug;
}

void CheckLibrary(const ProgramLibrary& library) {
  for (const Program& program : library.programs) FUZZ_CHECK(program.number < kProgramCount, "program number past 99");
}
}  // namespace

// The instrument is built once, before the first input (and its time limit).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Plug();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const uint8_t selector = data[0];
  ++data;
  --size;

  if (selector == 253 || selector == 252) {
    const std::string path = FuzzScratchFolder() + "/list.syx";
    if (!FuzzWriteFile(path, data, size)) return 0;
    std::vector<Program> list;
    const bool readEnhanced = selector == 253;
    const bool listed = ListSysExPrograms(path, readEnhanced, list);
    FUZZ_CHECK(listed == !list.empty(), "a listing's result and its programs disagree");
    for (const Program& program : list) FUZZ_CHECK(program.number < kProgramCount, "listed program number past 99");
    // The listing shows what a bank load stores: the last program of each number.
    ProgramLibrary loaded;
    loaded.saveEnhancedPrograms = readEnhanced;
    FUZZ_CHECK(loaded.ParseSysEx(data, size, -1) == listed, "the listing and the bank load disagree on the data");
    std::array<const Program*, kProgramCount> last{};
    for (const Program& program : list) last[program.number] = &program;
    for (int p = 0; p < kProgramCount; ++p)
      FUZZ_CHECK(!last[p] || loaded.programs[p].values == last[p]->values, "a listed program loads differently");
    return 0;
  }

  const int target = selector >= 254 ? -1 : selector % 110;  // 100..109: slots that do not exist
  Vornell& plug = Plug();
  std::lock_guard lock(plug.Mutex());
  plug.Library().saveEnhancedPrograms = (selector & 1) != 0;
  plug.Library().ParseSysEx(data, size, target);
  CheckLibrary(plug.Library());

  // What the library holds now must survive its own writer and reader.
  plug.Library().saveEnhancedPrograms = true;
  const std::vector<uint8_t> bank = plug.Library().BuildSysEx(-1);
  ProgramLibrary copy;
  FUZZ_CHECK(copy.ParseSysEx(bank, -1), "the library's own bank was refused");
  for (int p = 0; p < kProgramCount; ++p) {
    FUZZ_CHECK(copy.programs[p].values == plug.Library().programs[p].values, "program values changed by a round trip");
    FUZZ_CHECK(copy.programs[p].number == plug.Library().programs[p].number, "program number changed by a round trip");
  }
  return 0;
}
