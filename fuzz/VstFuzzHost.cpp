#include "fuzz/VstFuzzHost.h"

#include <cstring>
#include <mutex>

namespace {
intptr_t ProgramChunkHost(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
  if (opcode == audioMasterGetVendorString && ptr) {
    std::strcpy(static_cast<char*>(ptr), "JUCE VST Host");
    return 1;
  }
  return 0;
}
}  // namespace

std::unique_ptr<Vornell> MakeFuzzInstrument(bool programChunkHost) {
  VornellStartup startup;
  startup.loadPresetBank = false;
  auto plug = std::make_unique<Vornell>(programChunkHost ? &ProgramChunkHost : nullptr, startup);
  std::lock_guard lock(plug->Mutex());
  plug->SelectPreset(1);
  plug->SelectPreset(0);
  return plug;
}

intptr_t FuzzDispatch(Vornell& plug, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  AEffect* effect = plug.GetAEffect();
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}
