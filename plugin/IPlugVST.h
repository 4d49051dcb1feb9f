#pragma once
// The VST2 host adapter: owns the effect record the host holds, answers the
// host's dispatcher, routes the host's audio buffers to ProcessBlock, turns
// host events into MidiMessages and offers the host services (automation,
// gestures, display refresh, tempo and transport, MIDI out).
//
// The VST2 declarations stay inside IPlugVST.cpp; this header only names the
// effect record. Every dispatcher call, process callback and host get/set of a
// parameter runs under the plug-in's recursive lock (IPlugBase::Mutex()),
// except the editor window's opcodes (effEditOpen, effEditClose, effEditIdle,
// effIdle):
// the editor takes the lock itself for what it changes, so that its modal
// waits never hold it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/DataBlock.h"
#include "plugin/IPlugBase.h"

struct AEffect;

// The host callback handed to the module entry (same type as the interface's
// own callback type).
using VstHostCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                     float opt);

class IPlugVST : public IPlugBase {
 public:
  // Fills the effect record, marks every pin connected and takes a block size
  // of 1024 frames, so the host may process before setting one; the scratch
  // buffers are sized at effSetBlockSize or when processing resumes
  // (effMainsChanged). hostCallback may be null (no host services then).
  explicit IPlugVST(VstHostCallback hostCallback, int numParams = kPlugNumParams, int numPresets = kPlugNumPresets,
                    const char* channelIOConfig = kChannelIOConfig);
  ~IPlugVST() override;

  // The record handed to the host. Valid until effClose destroys the object.
  AEffect* GetAEffect();

  // ---- host services (IPlugBase slots) -----------------------------------
  // User-interface thread for gestures and editor automation; the audio thread
  // for MIDI thru and transport queries.
  void BeginHostParamGesture(int index) override;
  void NotifyHostParamChange(int index, double normalized) override;
  void EndHostParamGesture(int index) override;
  // audioMasterUpdateDisplay: the current preset or a preset name changed. Any
  // thread. Inside an audio call (a MIDI program change arrives through
  // effProcessEvents) the host is not called: it is told at the next
  // effEditIdle or effIdle, or at the next dispatcher call made on another
  // thread than the audio thread. Nothing is told while the object is built.
  void NotifyHostProgramChange() override;
  bool IsRenderingOffline() override;
  double GetSamplePosition() override;
  double GetHostTempo() override;
  bool GetTimeSignature(int* numerator, int* denominator) override;
  void GetHostTime(HostTimeInfo& info) override;
  // Asks the host's product string and version once; later calls return the cached kind.
  int GetHostKind() override;
  bool NotifyHostEditorResized(int width, int height) override;
  // Runs once, on effOpen: identifies the host and sets the pin counts.
  void HostSpecificSetup() override;
  // Keeps the editor and reports its size to the host (effEditGetRect).
  void AttachEditor(IEditorLink* editor) override;
  // Sets the effect record's editor flag before the editor is built.
  void OfferEditor() override;
  // Stores the latency and tells the host that it changed.
  void SetLatency(int samples) override;
  bool SendMidiToHost(const MidiMessage& message) override;
  bool SendSysExToHost(int offset, int size, const uint8_t* data) override;
  // Clamped to 1..65536 frames; larger host blocks are rendered in pieces.
  void SetBlockSize(int frames) override;

  // True for hosts that only ever exchange program chunks (found from the
  // host's vendor string on first use, then cached).
  bool ProgramChunkOnlyHost();

  // ---- the effect record's entry slots --------------------------------------
  // Dispatcher thread (normally the host's user-interface thread).
  static intptr_t VSTDispatcher(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  // Audio thread.
  static void HostProcessReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames);
  static void HostProcessAccumulating(AEffect* effect, float** inputs, float** outputs, int32_t frames);
  static void HostProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs, int32_t frames);
  // Any thread.
  static float HostGetParameter(AEffect* effect, int32_t index);
  static void HostSetParameter(AEffect* effect, int32_t index, float value);

 protected:
  VstHostCallback GetHostCallback() const { return hostCallback; }

 private:
  struct VstRecords;

  // effEditOpen, effEditClose, effEditIdle and effIdle: called without the
  // lock, which is taken only around the plug-in's own hooks.
  intptr_t DispatchEditor(int32_t opcode, void* ptr);
  // The dispatcher body; the caller holds the lock (effClose and effSetChunk
  // excepted).
  intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  // Tells the host of a preset change made inside an audio call, if one is
  // waiting. Not inside an audio call; any lock may be held or not.
  void DeliverProgramChange();
  intptr_t GetChunk(int32_t index, void* ptr);
  // Dispatcher thread, without the lock (it takes it to apply the chunk).
  intptr_t SetChunk(int32_t index, intptr_t size, void* ptr);
  intptr_t String2Parameter(int32_t index, const char* text);
  intptr_t VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t CanDo(const char* text);
  intptr_t GetPinProperties(bool output, int32_t index, void* ptr);
  void SetSpeakerArrangement(bool output, const void* arrangement);
  void UpdatePinCounts();
  void ProcessFloat(float** inputs, float** outputs, int32_t frames, bool accumulate);
  void ProcessDouble(double** inputs, double** outputs, int32_t frames);
  void PrepareProcess();
  int ConnectedInputs();
  int ConnectedOutputs();

  VstHostCallback hostCallback;
  std::unique_ptr<VstRecords> vst;
  DataBlock programChunk;
  DataBlock bankChunk;
  bool hostSetupDone = false;
  // A preset change made inside an audio call, not yet told the host, and the
  // thread of the latest audio call.
  std::atomic<bool> programChangePending{false};
  std::atomic<std::thread::id> audioThread{};
  bool programChunkOnlyKnown = false;
  bool programChunkOnly = false;
  // Host pointers moved along when a host block is rendered in pieces;
  // sized with the pins so processing never allocates.
  std::vector<float*> floatInputs, floatOutputs;
  std::vector<double*> doubleInputs, doubleOutputs;
};

// Defined by the instrument: builds the plug-in object for the module entry.
// Returns null when it cannot be built. Called under the process-wide
// construction lock.
IPlugVST* CreateVornell(VstHostCallback hostCallback);
