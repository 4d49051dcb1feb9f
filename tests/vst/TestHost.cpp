#include "tests/vst/TestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The instance being created: its callbacks come before resvd1 is set.
thread_local TestHost* creatingHost = nullptr;

typedef AEffect* (*EntryProc)(audioMasterCallback);

}  // namespace

void* TestModuleHandle() {
  static void* handle = [] {
    void* h = dlopen(VST_TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!h) {
      std::fprintf(stderr, "cannot load %s: %s\n", VST_TEST_MODULE, dlerror());
      std::abort();
    }
    return h;
  }();
  return handle;
}

AEffect* CreateThroughEntry(const char* symbol, audioMasterCallback callback) {
  EntryProc entry = reinterpret_cast<EntryProc>(dlsym(TestModuleHandle(), symbol));
  return entry ? entry(callback) : nullptr;
}

void* TestHost::HookAddress(const char* name) {
  return dlsym(TestModuleHandle(), name);
}

TestHost::TestHost(HostConfig hostConfig) : config(std::move(hostConfig)) {
  config.time.sampleRate = 44100.0;
}

TestHost::~TestHost() {
  Close();
}

bool TestHost::Create(const char* entry) {
  Close();
  creatingHost = this;
  effect = CreateThroughEntry(entry, &TestHost::Callback);
  creatingHost = nullptr;
  if (!effect) return false;
  effect->resvd1 = reinterpret_cast<intptr_t>(this);
  return true;
}

void TestHost::Close() {
  if (!effect) return;
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  effect = nullptr;
}

intptr_t TestHost::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string TestHost::Text(int32_t opcode, int32_t index, intptr_t value) {
  char buffer[512];
  std::memset(buffer, 0x55, sizeof(buffer));  // a missing terminator shows as garbage
  buffer[0] = 0;
  Dispatch(opcode, index, value, buffer);
  buffer[sizeof(buffer) - 1] = 0;
  return buffer;
}

std::vector<uint8_t> TestHost::GetChunk(int32_t index) {
  void* data = nullptr;
  intptr_t size = Dispatch(effGetChunk, index, 0, &data);
  if (size <= 0 || !data) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t TestHost::SetChunk(int32_t index, const std::vector<uint8_t>& bytes) {
  // A copy of exactly the given length, so reading past it is caught by the sanitizer.
  std::vector<uint8_t> copy(bytes);
  uint8_t dummy = 0;
  return Dispatch(effSetChunk, index, static_cast<intptr_t>(copy.size()), copy.empty() ? &dummy : copy.data());
}

intptr_t TestHost::SendMidi(const std::vector<Midi>& messages) {
  std::vector<VstMidiEvent> events(messages.size());
  std::vector<uint8_t> storage(offsetof(VstEvents, events) + sizeof(VstEvent*) * std::max<size_t>(2, messages.size()));
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<int32_t>(messages.size());
  VstEvent** pointers = reinterpret_cast<VstEvent**>(storage.data() + offsetof(VstEvents, events));
  for (size_t i = 0; i < messages.size(); ++i) {
    VstMidiEvent& e = events[i];
    e = VstMidiEvent{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = messages[i].delta;
    e.midiData[0] = static_cast<char>(messages[i].status);
    e.midiData[1] = static_cast<char>(messages[i].data1);
    e.midiData[2] = static_cast<char>(messages[i].data2);
    pointers[i] = reinterpret_cast<VstEvent*>(&e);
  }
  return Dispatch(effProcessEvents, 0, 0, list);
}

std::vector<std::vector<float>> TestHost::ProcessFloat(int32_t frames, bool accumulate, float prefill) {
  std::vector<std::vector<float>> out(static_cast<size_t>(effect->numOutputs),
                                      std::vector<float>(static_cast<size_t>(frames), prefill));
  std::vector<float*> pointers;
  for (auto& channel : out) pointers.push_back(channel.data());
  if (accumulate) {
    effect->process(effect, nullptr, pointers.data(), frames);
  } else {
    effect->processReplacing(effect, nullptr, pointers.data(), frames);
  }
  return out;
}

std::vector<std::vector<double>> TestHost::ProcessDouble(int32_t frames) {
  std::vector<std::vector<double>> out(static_cast<size_t>(effect->numOutputs),
                                       std::vector<double>(static_cast<size_t>(frames), 99.0));
  std::vector<double*> pointers;
  for (auto& channel : out) pointers.push_back(channel.data());
  effect->processDoubleReplacing(effect, nullptr, pointers.data(), frames);
  return out;
}

std::vector<HostCall> TestHost::Calls() {
  std::lock_guard<std::mutex> lock(callsLock);
  return calls;
}

int TestHost::CountCalls(int32_t opcode) {
  std::lock_guard<std::mutex> lock(callsLock);
  int count = 0;
  for (const HostCall& call : calls) count += call.opcode == opcode ? 1 : 0;
  return count;
}

void TestHost::ClearCalls() {
  std::lock_guard<std::mutex> lock(callsLock);
  calls.clear();
  midiOut.clear();
}

std::vector<VstMidiEvent> TestHost::MidiOut() {
  std::lock_guard<std::mutex> lock(callsLock);
  return midiOut;
}

intptr_t TestHost::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  TestHost* host = effect && effect->resvd1 ? reinterpret_cast<TestHost*>(effect->resvd1) : creatingHost;
  if (!host) return 0;
  return host->Answer(opcode, index, value, ptr, opt);
}

intptr_t TestHost::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  std::lock_guard<std::mutex> lock(callsLock);
  calls.push_back({opcode, index, value, opt});
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetTime:
      return config.answerTime ? reinterpret_cast<intptr_t>(&config.time) : 0;
    case audioMasterProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      for (int32_t i = 0; events && i < events->numEvents; ++i) {
        if (events->events[i] && events->events[i]->type == kVstMidiType)
          midiOut.push_back(*reinterpret_cast<const VstMidiEvent*>(events->events[i]));
      }
      return config.processEventsAnswer;
    }
    case audioMasterGetVendorString:
      std::snprintf(static_cast<char*>(ptr), kVstMaxVendorStrLen + 1, "%s", config.vendor.c_str());
      return 1;
    case audioMasterGetProductString:
      std::snprintf(static_cast<char*>(ptr), kVstMaxProductStrLen + 1, "%s", config.product.c_str());
      return 1;
    case audioMasterGetVendorVersion:
      return config.vendorVersion;
    case audioMasterGetSampleRate:
      return 44100;
    case audioMasterGetBlockSize:
      return 512;
    default:
      return 0;
  }
}
