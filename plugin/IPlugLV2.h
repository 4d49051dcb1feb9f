#pragma once
// The LV2 host adapter: the role of IPlugVST for the LV2 module. The same
// instrument source is compiled a second time with VORNELL_LV2 defined, and
// then Synth derives from this class instead of IPlugVST.
//
// Ports (the generated plug-in description lists them in this order):
//   0 .. NumParams()-1        one control input per parameter, plain values
//   then NumOutputChannels()  audio outputs, labelled and paired as the VST2 pins
//   then one atom input       MIDI and the host's time position
//   then one atom output      the MIDI the instrument sends
//
// A control port is applied only when the host changes its value: the
// instrument changes its own parameters (program loads, Modes, the keypad),
// and the host's port values, which it does not see change, must not undo
// that. The values the ports hold when processing starts, and after a state
// is restored, are taken as they are without being applied.
//
// The LV2 declarations stay inside IPlugLV2.cpp and IPlugLV2Ui.cpp. run()
// takes the plug-in lock as the VST2 process callbacks do; the state
// interface and the UI's calls take it for what they change.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "plugin/DataBlock.h"
#include "plugin/IPlugBase.h"

struct AEffect;
// The instrument's constructors take the VST2 host callback; in the LV2
// module it is always null (the same type as IPlugVST.h names).
using VstHostCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                     float opt);

constexpr int kPluginApiLv2 = 1;

// The plug-in's URIs. The description generator writes the same ones.
constexpr const char* kLv2PluginUri = "urn:kestrune:vornell";
constexpr const char* kLv2UiUri = "urn:kestrune:vornell#ui";
constexpr const char* kLv2ChunkUri = "urn:kestrune:vornell#chunk";

class IPlugLV2 : public IPlugBase {
 public:
  // hostCallback must be null. The host's features come with Instantiate.
  explicit IPlugLV2(VstHostCallback hostCallback = nullptr, int numParams = kPlugNumParams,
                    int numPresets = kPlugNumPresets, const char* channelIOConfig = kChannelIOConfig);
  ~IPlugLV2() override;

  // Port numbers.
  int FirstAudioPort() const { return NumParams(); }
  int EventInputPort() const { return NumParams() + NumOutputChannels(); }
  int EventOutputPort() const { return EventInputPort() + 1; }
  int NumPorts() const { return EventOutputPort() + 1; }

  // Takes the host's features (LV2_Feature* const*, urid:map is required)
  // and the sample rate; false when the host lacks what is required.
  // Instantiation thread, before any other call.
  bool AttachHost(double rate, const void* const* features);

  // ---- LV2 plug-in calls (the descriptor's slots, in IPlugLV2.cpp) ----------
  // Audio thread.
  void ConnectPort(uint32_t port, void* data);
  void Run(uint32_t frames);
  // Instantiation thread.
  void Activate();
  void Deactivate();

  // The LV2_Descriptor of the module (lv2_descriptor hands it out).
  static const void* Descriptor();
  // The LV2UI_Descriptor of the editor (IPlugLV2Ui.cpp): an X11 UI that
  // reaches the plug-in object through instance access.
  static const void* UiDescriptor();

  // ---- state (LV2 state interface; main thread) ---------------------------
  // The state's key and value type as mapped for this host.
  uint32_t ChunkKey() const;
  uint32_t ChunkType() const;
  // The whole state as the VST2 module's bank chunk: header, the presets and
  // the current preset's index. Takes the lock.
  bool MakeStateChunk(DataBlock& chunk);
  // Reads such a chunk (or a VST2 program chunk, recognised by its missing
  // header) and applies it; a chunk that cannot be read whole leaves the
  // plug-in as it was and gives false. Reads it without the lock and takes
  // the lock only to apply it.
  bool LoadStateChunk(const uint8_t* data, int size);

  // ---- what the UI hands on to the host (user-interface thread) -------------
  // Calls write(context, port, plain value) for every parameter the plug-in
  // changed since the last call (its own changes and the editor's edits).
  void TakeChangedParams(void (*write)(void* context, uint32_t port, float value), void* context);
  // The UI's host services while a UI is open; null entries are not offered.
  struct UiHost {
    void* resizeHandle = nullptr;
    int (*resize)(void* handle, int width, int height) = nullptr;
    void* touchHandle = nullptr;
    void (*touch)(void* handle, uint32_t port, bool grabbed) = nullptr;
  };
  void SetUiHost(const UiHost& host);

  // ---- host services (IPlugBase slots) ------------------------------------
  // Any thread: only marks the parameter for the UI's next idle call.
  void NotifyHostParamChange(int index, double normalized) override;
  // Every parameter may have changed (a preset or a state was loaded). Any thread.
  void NotifyHostProgramChange() override;
  // User-interface thread: the UI's touch feature, when the host gave one.
  void BeginHostParamGesture(int index) override;
  void EndHostParamGesture(int index) override;
  // Audio thread, from the time position the host sent last (advanced by
  // what was rendered since).
  double GetSamplePosition() override;
  double GetHostTempo() override;
  bool GetTimeSignature(int* numerator, int* denominator) override;
  void GetHostTime(HostTimeInfo& info) override;
  int GetHostKind() override { return kHostUnknown; }
  int GetPluginApi() override { return kPluginApiLv2; }
  // User-interface thread: the UI's resize feature.
  bool NotifyHostEditorResized(int width, int height) override;
  // Into the atom output; only inside run() on the audio thread, else false.
  bool SendMidiToHost(const MidiMessage& message) override;
  bool SendSysExToHost(int offset, int size, const uint8_t* data) override;
  // Clamped to 1..65536 frames; longer runs are rendered in pieces.
  void SetBlockSize(int frames) override;

 private:
  struct Lv2Records;

  // Control ports whose value changed since the last run, applied as the
  // host's automation. Audio thread, under the lock.
  void ApplyControlPorts();
  // Renders frames at position `start` of the run into the output ports.
  void RenderSegment(uint32_t start, uint32_t frames);
  // Moves the time position on by frames rendered.
  void AdvanceTime(uint32_t frames);
  bool WriteMidiEvent(int offset, const uint8_t* bytes, uint32_t size);

  std::unique_ptr<Lv2Records> lv2;
  std::vector<const float*> controlPorts;
  std::vector<float> lastControl;
  // The last value of each parameter handed to the UI's host, until its port
  // brings it back (NaN: none on its way). Under the plug-in lock.
  std::vector<float> reportedControl;
  std::vector<float*> audioPorts;
  std::vector<float*> floatOutputs;
  // Take the control ports as they stand at the next run without applying them.
  std::atomic<bool> adoptControlPorts{true};
  // One bit per parameter changed by the plug-in and not yet told the UI's host.
  std::vector<std::atomic<uint32_t>> changedParams;
  // The position in the current run where the segment being rendered starts.
  uint32_t segmentStart = 0;
  bool running = false;
  UiHost uiHost;
};

// Defined by the LV2 module: builds the plug-in object. Null when it cannot be
// built. Called under the process-wide construction lock.
IPlugLV2* CreateVornellLV2();
