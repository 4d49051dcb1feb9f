// The module's entry points: the host calls VSTPluginMain (or, in older hosts,
// main) once per instance with its callback and receives the effect record.
#include <algorithm>
#include <mutex>

#include "plugin/IPlugVST.h"
#include "plugin/VstAbi.h"

namespace {

// Serialises instance construction across the process: the constructors read
// shared files and fill process-wide caches. A function-local static is
// created once, thread-safely, on first use.
std::mutex& ConstructionLock() {
  static std::mutex lock;
  return lock;
}

AEffect* CreateEffect(audioMasterCallback hostCallback) {
  std::lock_guard<std::mutex> lock(ConstructionLock());
  IPlugVST* plugin = nullptr;
  try {
    plugin = CreateVornell(hostCallback);
    if (!plugin) return nullptr;
    plugin->MakeDefaultPresets(plugin->NumPresets());
  } catch (...) {
    // No exception may cross into the host: a failed construction gives null.
    delete plugin;
    return nullptr;
  }
  AEffect* effect = plugin->GetAEffect();
  effect->numPrograms = std::max(1, effect->numPrograms);
  return effect;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback hostCallback) {
  return CreateEffect(hostCallback);
}

// Older hosts look for the name main. A C++ function cannot be defined under
// that name with this signature, so the symbol name is given to the assembler.
extern "C" __attribute__((visibility("default"))) AEffect* VstLegacyMain(audioMasterCallback) __asm__("main");
extern "C" AEffect* VstLegacyMain(audioMasterCallback hostCallback) {
  return CreateEffect(hostCallback);
}
