// Hosts load and unload the module, sometimes many times in one session:
// whatever an instance holds must go with it, and the module itself, kept
// resident once loaded, must not grow the process at every load.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "plugin/VstAbi.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer run-time (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  // Small blocks plus the large ones malloc maps on their own.
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

// One host session: load, build an instance, play a block, close, unload. A
// copy of the module under its own name, which the other tests do not hold.
bool LoadPlayUnload(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return false;
  using Entry = AEffect* (*)(audioMasterCallback);
  Entry entry = reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain"));
  AEffect* effect = entry ? entry(&Callback) : nullptr;
  if (effect) {
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, 256, nullptr, 0.0f);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    float buffers[14][256];
    float* outputs[14];
    for (int i = 0; i < 14; ++i) outputs[i] = buffers[i];
    effect->processReplacing(effect, nullptr, outputs, 256);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  dlclose(module);
  return effect != nullptr;
}

TEST(ModuleLifetime, LoadingAndUnloadingTheModuleLeavesNoMemoryBehind) {
  const std::string copy = "/tmp/vornell-lifetime-" + std::to_string(getpid()) + ".so";
  {
    std::ifstream in(VST_TEST_MODULE, std::ios::binary);
    std::ofstream out(copy, std::ios::binary);
    out << in.rdbuf();
    ASSERT_TRUE(in && out);
  }
  // The first session may fill caches of the libraries the process keeps.
  ASSERT_TRUE(LoadPlayUnload(copy));
  const size_t before = HeapInUse();
  // Hosts that rescan their plug-ins load and unload a module many times: a
  // library the module pulls in keeps about 12 KB from every load of its own.
  constexpr size_t kSessions = 16;
  for (size_t i = 0; i < kSessions; ++i) ASSERT_TRUE(LoadPlayUnload(copy));
  const size_t after = HeapInUse();
  // So the module stays in the process once loaded.
  void* resident = dlopen(copy.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(resident, nullptr);
  if (resident) dlclose(resident);
  std::remove(copy.c_str());
  EXPECT_LT(after, before + kSessions * 2048) << "grew by " << (after - before) << " bytes";
}

}  // namespace
