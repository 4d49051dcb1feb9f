// The dispatcher's text opcodes: texts from the host (parameter values typed
// in, program names, capability queries) and texts to the host, written into
// buffers exactly as large as hosts are known to pass, for any index. After
// every operation each parameter stays inside its range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/VstFuzzHost.h"

namespace {
Vornell& Plug() {
  // Built once per process and never destroyed, like an instrument the host keeps loaded.
  static Vornell* plug = MakeFuzzInstrument(false).release();
  return *plug;
}

// A zero-terminated text from the input, in a heap block of its own length.
std::unique_ptr<char[]> HostText(FuzzReader& reader) {
  const size_t length = reader.Byte();
  std::unique_ptr<char[]> text(new char[length + 1]);
  for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(reader.Byte());
  text[length] = 0;
  return text;
}

// Index: mostly near the valid range, sometimes anything.
int32_t Index(FuzzReader& reader) {
  const uint8_t kind = reader.Byte();
  if (kind & 0x80) return static_cast<int32_t>(reader.Long());
  return static_cast<int32_t>(reader.Word() % 400) - 20;
}

// Asks for a text into a buffer of `size` bytes and checks it ends inside.
void ReadText(Vornell& plug, int32_t opcode, int32_t index, size_t size, intptr_t value = 0, float opt = 0.0f) {
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memset(buffer.get(), 'x', size);
  buffer[size - 1] = 0;
  FuzzDispatch(plug, opcode, index, value, buffer.get(), opt);
  FUZZ_CHECK(std::memchr(buffer.get(), 0, size) != nullptr, "a text to the host has no end");
}

constexpr size_t kProgramNameBuffer = kVstMaxProgNameLen + 1;
constexpr size_t kParamTextBuffer = 24 + 1;
constexpr size_t kParamNameBuffer = 32 + 1;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Plug();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  Vornell& plug = Plug();
  FuzzReader reader(data, size);
  for (int step = 0; step < 64 && !reader.Done(); ++step) {
    switch (reader.Byte() % 12) {
      case 0: {
        const int32_t index = Index(reader);
        const std::unique_ptr<char[]> text = HostText(reader);
        FuzzDispatch(plug, effString2Parameter, index, 0, text.get());
        break;
      }
      case 1: {
        const std::unique_ptr<char[]> text = HostText(reader);
        FuzzDispatch(plug, effSetProgramName, 0, 0, text.get());
        ReadText(plug, effGetProgramName, 0, kProgramNameBuffer);
        break;
      }
      case 2: {
        const std::unique_ptr<char[]> text = HostText(reader);
        FuzzDispatch(plug, effCanDo, 0, 0, text.get());
        break;
      }
      case 3:
        ReadText(plug, effGetParamLabel, Index(reader), kParamTextBuffer);
        break;
      case 4:
        ReadText(plug, effGetParamDisplay, Index(reader), kParamTextBuffer);
        break;
      case 5:
        ReadText(plug, effGetParamName, Index(reader), kParamNameBuffer);
        break;
      case 6:
        ReadText(plug, effGetProgramNameIndexed, Index(reader), kProgramNameBuffer, -1);
        break;
      case 7: {
        // The text of a 0..1 value without setting it; the value may be anything a float holds.
        const int32_t index = Index(reader);
        const uint32_t bits = reader.Long();
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        ReadText(plug, effVendorSpecific, 7, kParamTextBuffer, index, value);
        FuzzDispatch(plug, effVendorSpecific, 8, index, nullptr);
        break;
      }
      case 8:
        FuzzDispatch(plug, effSetProgram, 0, Index(reader), nullptr);
        break;
      case 9: {
        MidiKeyName key{};
        key.thisProgramIndex = Index(reader);
        key.thisKeyNumber = Index(reader);
        FuzzDispatch(plug, effGetMidiKeyName, 0, 0, &key);
        FUZZ_CHECK(std::memchr(key.keyName, 0, sizeof key.keyName) != nullptr, "a key name has no end");
        break;
      }
      case 10: {
        // A value from the host's automation, then its text.
        const int32_t index = Index(reader);
        const float value = reader.Word() / 65535.0f;
        IPlugVST::HostSetParameter(plug.GetAEffect(), index, value);
        ReadText(plug, effGetParamDisplay, index, kParamTextBuffer);
        break;
      }
      default:
        ReadText(plug, effGetEffectName, 0, kVstMaxEffectNameLen + 1);
        ReadText(plug, effGetVendorString, 0, kVstMaxVendorStrLen + 1);
        ReadText(plug, effGetProductString, 0, kVstMaxProductStrLen + 1);
        break;
    }
    for (int i = 0; i < plug.NumParams(); ++i) {
      const PlugParam* param = plug.GetParam(i);
      FUZZ_CHECK(param->Value() >= param->Min() && param->Value() <= param->Max(), "a parameter left its range");
    }
  }
  return 0;
}
