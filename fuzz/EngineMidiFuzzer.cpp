// The instrument's audio side: any MIDI bytes at any offsets, blocks of any
// size, parameter changes, Mode switches and resets, in any order (the layout
// of an input is FuzzEngineOp's). Every output sample must stay finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "instrument/Vornell.h"

namespace {
constexpr int kMaxFrames = 8192;
constexpr double kSampleRates[] = {44100.0, 48000.0, 96000.0, 22050.0, 8000.0, 192000.0, 11025.0, 88200.0};

Vornell& Plug() {
  static Vornell* plug = new Vornell();
  return *plug;
}

void Reset(Vornell& plug, FuzzReader& reader) {
  plug.SetSampleRate(kSampleRates[reader.Byte() % 8]);
  plug.SetBlockSize(1 + reader.Word() % kMaxFrames);
  plug.OnReset();
}
}  // namespace

// The instrument is built once, before the first input (and its time limit).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Plug();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  static std::vector<std::vector<double>> buffers(Engine::kOutputCount, std::vector<double>(kMaxFrames));
  static std::vector<double*> outputs = [] {
    std::vector<double*> pointers;
    for (auto& buffer : buffers) pointers.push_back(buffer.data());
    return pointers;
  }();

  Vornell& plug = Plug();
  std::lock_guard lock(plug.Mutex());
  FuzzReader reader(data, size);
  Reset(plug, reader);
  plug.ResetAllVoices();
  int64_t frameBudget = 1 << 16;  // keeps one input quick
  while (!reader.Done() && frameBudget > 0) {
    switch (reader.Byte() % kFuzzOpCount) {
      case kFuzzMidi: {
        MidiMessage message;
        const uint8_t offsetMode = reader.Byte();
        const int32_t offset = static_cast<int32_t>(reader.Long());
        message.offset = (offsetMode & 1)
                             ? offset
                             : static_cast<int32_t>(static_cast<uint32_t>(offset) % (plug.GetBlockSize() + 1u));
        message.status = reader.Byte();
        message.data1 = reader.Byte();
        message.data2 = reader.Byte();
        plug.OnMidiMessage(message);
        break;
      }
      case kFuzzBlock: {
        const uint16_t count = reader.Word();
        const int frames = count == 0xffff ? plug.GetBlockSize() : count % (kMaxFrames + 1);
        plug.ProcessBlock(nullptr, outputs.data(), frames);
        for (int c = 0; c < Engine::kOutputCount; ++c) {
          for (int i = 0; i < frames; ++i) FUZZ_CHECK(std::isfinite(buffers[c][i]), "an output sample is not finite");
        }
        frameBudget -= frames + 1;
        break;
      }
      case kFuzzEditorParam: {
        const int index = reader.Word() % plug.NumParams();
        plug.SetParamFromEditor(index, reader.Word() / 65535.0);
        break;
      }
      case kFuzzEngineParam: {
        const int index = reader.Word() % plug.NumParams();
        plug.SetParameterFromEngine(index, static_cast<int32_t>(reader.Long()) / 1000.0);
        break;
      }
      case kFuzzMode:
        plug.Sequencing().SetMode(reader.Byte() % 8);
        break;
      default:
        Reset(plug, reader);
        break;
    }
  }
  return 0;
}
