#pragma once
// The host adapter over the instrument, for the adapter's fuzz targets: the
// adapter's parameter records are copies of the instrument's (names, kinds,
// display texts), and its state is the instrument's own state block, so that
// the adapter's chunk and text handling run on the real formats.
#include <cstdint>
#include <cstring>
#include <mutex>

#include "plugin/IPlugVST.h"
#include "plugin/Vornell.h"
#include "plugin/VstAbi.h"

class VstFuzzPlug : public IPlugVST {
 public:
  // programChunkHost: answer the vendor query as a host that only exchanges program chunks.
  explicit VstFuzzPlug(bool programChunkHost)
      : IPlugVST(programChunkHost ? &ProgramChunkHost : nullptr, kPlugNumParams, kPlugNumPresets) {
    stateLoading = true;
    for (int i = 0; i < NumParams(); ++i) *GetParam(i) = *inner.GetParam(i);
    // Two presets hold states, the others are empty: chunks stay small enough to fuzz quickly.
    MakeDefaultPresets(2);
    stateLoading = false;
  }

  bool SaveState(DataBlock& block) override { return inner.SaveState(block); }
  int LoadState(const DataBlock& block, int position) override {
    const int end = inner.LoadState(block, position);
    if (end >= 0) {
      for (int i = 0; i < NumParams(); ++i) GetParam(i)->SetValue(inner.GetParam(i)->Value());
    }
    return end;
  }
  void OnParamChanged(int index) override {
    std::lock_guard<std::recursive_mutex> lock(inner.Mutex());
    inner.GetParam(index)->SetValue(GetParam(index)->Value());
    inner.OnParamChanged(index);
  }

  intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt = 0.0f) {
    return VSTDispatcher(GetAEffect(), opcode, index, value, ptr, opt);
  }

  Vornell inner;

 private:
  static intptr_t ProgramChunkHost(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    if (opcode == audioMasterGetVendorString && ptr) {
      std::strcpy(static_cast<char*>(ptr), "JUCE VST Host");
      return 1;
    }
    return 0;
  }
};
