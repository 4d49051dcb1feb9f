#pragma once
// A host for the tests: loads the test instrument module with dlopen, creates
// instances through its entry point and records what the plug-in asks of the
// host. The answers (product and vendor strings, time info, event answers) are
// set per instance. Callbacks may come from any thread.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "plugin/VstAbi.h"

struct HostConfig {
  std::string product = "Test Host";
  std::string vendor = "Test Vendor";
  intptr_t vendorVersion = 10203;
  bool answerTime = true;  // false: audioMasterGetTime answers null
  VstTimeInfo time{};
  intptr_t processEventsAnswer = 1;
};

struct HostCall {
  int32_t opcode;
  int32_t index;
  intptr_t value;
  float opt;
};

// The module, opened once for the whole test run.
void* TestModuleHandle();
AEffect* CreateThroughEntry(const char* symbol, audioMasterCallback callback);

class TestHost {
 public:
  explicit TestHost(HostConfig config = HostConfig());
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // Calls the module's VSTPluginMain (or the named entry); false when it gives no effect.
  bool Create(const char* entry = "VSTPluginMain");
  // effClose; the effect is gone afterwards.
  void Close();
  AEffect* Effect() const { return effect; }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  std::string Text(int32_t opcode, int32_t index = 0, intptr_t value = 0);
  float Get(int32_t index) { return effect->getParameter(effect, index); }
  void Set(int32_t index, float value) { effect->setParameter(effect, index, value); }

  // A chunk copied out of the plug-in's memory.
  std::vector<uint8_t> GetChunk(int32_t index);
  intptr_t SetChunk(int32_t index, const std::vector<uint8_t>& bytes);

  // Sends MIDI messages (status, data1, data2, deltaFrames) for the next block.
  struct Midi {
    uint8_t status, data1, data2;
    int32_t delta;
  };
  intptr_t SendMidi(const std::vector<Midi>& messages);

  // Renders frames on every output; the result is indexed [channel][frame].
  std::vector<std::vector<float>> ProcessFloat(int32_t frames, bool accumulate = false, float prefill = 0.0f);
  std::vector<std::vector<double>> ProcessDouble(int32_t frames);

  std::vector<HostCall> Calls();
  int CountCalls(int32_t opcode);
  void ClearCalls();
  // MIDI events the plug-in sent to the host, as copies.
  std::vector<VstMidiEvent> MidiOut();

  HostConfig config;

  // A function the test module exports besides its entry points.
  template <class F>
  static F Hook(const char* name) {
    return reinterpret_cast<F>(HookAddress(name));
  }

 private:
  static void* HookAddress(const char* name);
  static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

  AEffect* effect = nullptr;
  std::mutex callsLock;
  std::vector<HostCall> calls;
  std::vector<VstMidiEvent> midiOut;
};
