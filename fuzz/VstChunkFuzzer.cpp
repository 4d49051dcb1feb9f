// effSetChunk as a host calls it with a stored project: bank chunks (index 0)
// and program chunks (index 1), also through a host that hands everything back
// under the program index. First byte: bit 0 the index, bit 1 the host kind.
// A refused chunk must leave the plug-in as it was; an accepted one must come
// back out through effGetChunk in a form effSetChunk accepts again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/VstFuzzHost.h"

namespace {
Vornell& Plug(bool programChunkHost) {
  // Built once per process and never destroyed, like an instrument the host keeps loaded.
  static Vornell* plain = MakeFuzzInstrument(false).release();
  static Vornell* programsOnly = MakeFuzzInstrument(true).release();
  return programChunkHost ? *programsOnly : *plain;
}

std::vector<uint8_t> GetChunk(Vornell& plug, int32_t index) {
  void* data = nullptr;
  const intptr_t size = FuzzDispatch(plug, effGetChunk, index, 0, &data);
  if (size <= 0 || data == nullptr) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

bool SetChunk(Vornell& plug, int32_t index, const uint8_t* data, size_t size) {
  // The host's own memory, exactly as long as the chunk.
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
  if (size) std::memcpy(copy.get(), data, size);
  return FuzzDispatch(plug, effSetChunk, index, static_cast<intptr_t>(size), copy.get()) == 1;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Plug(false);
  Plug(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const int32_t index = data[0] & 1;
  Vornell& plug = Plug((data[0] & 2) != 0);
  const std::vector<uint8_t> before = GetChunk(plug, 0);
  if (!SetChunk(plug, index, data + 1, size - 1)) {
    FUZZ_CHECK(GetChunk(plug, 0) == before, "a refused chunk changed the plug-in");
    return 0;
  }
  for (int32_t again = 0; again < 2; ++again) {
    const std::vector<uint8_t> chunk = GetChunk(plug, again);
    FUZZ_CHECK(!chunk.empty(), "no chunk after an accepted one");
    FUZZ_CHECK(SetChunk(plug, again, chunk.data(), chunk.size()), "the plug-in's own chunk was refused");
  }
  return 0;
}
