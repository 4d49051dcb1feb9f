#pragma once
// A minimal VST2 host: loads a module with dlopen the way hosts do, answers the
// plug-in's callback and keeps a running transport for audioMasterGetTime.
// Single-threaded: every call comes from the thread that owns the object.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "plugin/VstAbi.h"

class PluginHost {
 public:
  PluginHost();
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // Opens the module and calls its entry (VSTPluginMain, else main). False with
  // a message in Error() when the module, the entry or the effect is unusable.
  bool Load(const std::string& path);
  // effMainsChanged(0) if resumed, then effClose and dlclose. Safe to call twice.
  void Unload();
  const std::string& Error() const { return error; }

  // effMainsChanged(1) and effStartProcess; Suspend undoes it. Both are idempotent.
  void Resume();
  void Suspend();

  AEffect* Effect() const { return effect; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
  // A dispatcher call that fills a zeroed text buffer.
  std::string DispatchText(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

  // Host settings reported through the callback; set before Load to be seen at construction.
  void SetSampleRate(double rate) { sampleRate = rate; }
  void SetBlockSize(int32_t frames) { blockSize = frames; }
  double SampleRate() const { return sampleRate; }
  int32_t BlockSize() const { return blockSize; }

  // Transport reported by audioMasterGetTime: position in samples, tempo and
  // quarter-note position, as the renderer advances them (4/4 throughout).
  void SetTransport(double samplePosition, double tempo, double ppqPosition);
  void SetPlaying(bool playing) { transportPlaying = playing; }

  // What the plug-in sent: automation calls and MIDI events, for reports.
  int32_t AutomateCount() const { return automateCount; }
  int32_t MidiOutCount() const { return midiOutCount; }
  // Writes every edit gesture and automation call as a line to out ("begin I",
  // "automate I VALUE", "end I"), flushed at once; null stops it.
  void ReportEdits(FILE* out) { editReport = out; }

  // Answers audioMasterSizeWindow (width, height in pixels): true when the
  // window took the size. Without a handler the request is refused.
  void OnSizeWindow(std::function<bool(int, int)> handler) { sizeWindow = std::move(handler); }

  // Host callback opcodes the plug-in used, in order of first use.
  const std::vector<int32_t>& OpcodesSeen() const { return opcodesSeen; }

 private:
  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  void* module = nullptr;
  AEffect* effect = nullptr;
  bool resumed = false;
  std::string error;
  double sampleRate = 44100.0;
  int32_t blockSize = 512;
  bool transportPlaying = true;
  VstTimeInfo timeInfo{};
  int32_t automateCount = 0;
  int32_t midiOutCount = 0;
  std::vector<int32_t> opcodesSeen;
  FILE* editReport = nullptr;
  std::function<bool(int, int)> sizeWindow;
};
