#pragma once
// Base of the plug-in object (IPlugBase <- IPlugVST <- Synth <- Vornell): the
// parameter records, the preset slots, the serialization of parameters and
// presets, preset (.fxp) and bank (.fxb) files, the audio channel records and
// the one recursive mutex that guards parameter, preset and state changes.
//
// The host adapter overrides the host-facing virtual operations (gestures,
// automation, time, MIDI out); their defaults here do nothing. The instrument
// overrides the state and processing operations.
//
// Threads: the host calls in from its audio thread (process callbacks, often
// parameter automation) and its user-interface thread (dispatcher, editor).
// Everything that changes parameters, presets or state runs under the mutex;
// the functions below say so where they take it themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/IEditorDelegate.h"
#include "plugin/DataBlock.h"
#include "plugin/GraphicsEditorLink.h"
#include "plugin/HostChunk.h"
#include "plugin/HostTimeInfo.h"
#include "plugin/PlugParam.h"
#include "plugin/PlugPreset.h"
#include "plugin/PluginLock.h"

class IEditorLink;
struct MidiMessage;
struct ParamListBank;

// Identity of this plug-in.
constexpr const char* kEffectName = "Vornell";
constexpr const char* kVendorName = "Kestrune Music";
constexpr const char* kProductName = "";
constexpr int32_t kUniqueId = ('v' << 24) | ('n' << 16) | ('l' << 8) | '4';  // big-endian bytes "vnl4"
constexpr int32_t kVendorVersion = 0x00010001;                               // 1.0.1 packed
// major * 10000 + minor * 100 + patch: 10001. Used by the host and in .fxp/.fxb files.
constexpr int32_t kVendorVersionDecimal =
    (kVendorVersion >> 16) * 10000 + ((kVendorVersion >> 8) & 0xff) * 100 + (kVendorVersion & 0xff);
// Legal channel configurations: blank-separated "inputs-outputs" pairs.
constexpr const char* kChannelIOConfig = "0-2 0-4 0-6 0-8 0-10 0-12 0-14";
constexpr int kPlugNumParams = 303;
constexpr int kPlugNumPresets = 64;

// Plug-in interface kinds (GetPluginApi).
constexpr int kPluginApiVst2 = 0;

// One audio channel (pin). enginePointer is what ProcessBlock reads or writes:
// the scratch buffer for the float paths, or the host's buffer for the double path.
struct PlugChannel {
  bool connected = false;
  double* enginePointer = nullptr;
  std::vector<double> scratch;  // block size, cleared on resize
  float* hostFloat = nullptr;   // float source (inputs) or destination (outputs) of this call
  std::string label;            // empty: the adapter reports "Output %d" / "Input %d"
};

struct ChannelIOConfig {
  int inputs = 0;
  int outputs = 0;
};

// The plug-in is also what the editor framework talks to (IEditorDelegate):
// parameter records, edits, gestures, the lock and the idle tick.
class IPlugBase : public IEditorDelegate {
 public:
  // Creates the parameter records (undefined), the preset slots and the channel
  // records for the configuration text. The counts exist for tests; the plug-in
  // uses the defaults.
  explicit IPlugBase(int numParams = kPlugNumParams, int numPresets = kPlugNumPresets,
                     const char* channelIOConfig = kChannelIOConfig);
  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // ---------------------------------------------------------------------------
  // Virtual operations, in slot order.

  ~IPlugBase() override;
  // Sample rate or block size changed, or processing stopped. Dispatcher thread, under the lock.
  virtual void OnReset();
  // Every change of a parameter ends here. Any thread, under the lock.
  virtual void OnParamChanged(int index);
  // Renders one block; inputs and outputs hold NumInputChannels() and
  // NumOutputChannels() pointers. Audio thread, under the lock.
  // The base copies input i to output i and clears the other outputs.
  virtual void ProcessBlock(double** inputs, double** outputs, int frames);
  virtual void OnEditorOpened() {}
  virtual void OnEditorClosing() {}
  // The editor's periodic update. User-interface thread.
  void OnIdleTick() override {}
  virtual void OnActivate(bool active);
  // A MIDI event from the host. Dispatcher thread, under the lock. The base echoes it to the host.
  virtual void OnMidiMessage(const MidiMessage& message);
  virtual void OnSysExMessage(int offset, int size, const uint8_t* data);
  // Name of a MIDI key for the host; false when the key has none.
  virtual bool GetMidiNoteName(int note, char* text, int size);
  // Appends the whole live state. Caller holds the lock. The base writes the parameters.
  virtual bool SaveState(DataBlock& block);
  // Reads a whole state at position; returns the position after it, or -1.
  // Caller holds the lock. The base reads the parameters.
  virtual int LoadState(const DataBlock& block, int position);
  // A state read whose effects a later read of a whole state replaces before
  // anything looks at them (the presets of a bank ahead of the selected one):
  // applies only what that read leaves in place. The base applies it whole.
  // Caller holds the lock.
  virtual int ReplayState(const DataBlock& block, int position) { return LoadState(block, position); }
  // ReplayState in two steps: decoding the whole state at position, on any
  // thread without the lock (null when the plug-in does not prepare replays or
  // the state is not whole), and, under the lock, replaying the decoded state,
  // so that the lock is held only for what reaches the plug-in's live state.
  virtual std::unique_ptr<PreparedReplay> PrepareReplay(const DataBlock&, int) const { return nullptr; }
  virtual void ReplayPrepared(const PreparedReplay&) {}
  // The position LoadState would return for the state at position (-1 when it
  // is not there whole), applying nothing. Any thread. The base: the parameters.
  virtual int MeasureState(const DataBlock& block, int position) const;
  // What SaveState would append once every parameter i holds values[i] and
  // preset `current`, named `name`, is the current one, the rest of the state
  // being what LoadState of the whole state at position leaves (`loaded`), or
  // what that state holds as SaveState wrote it (not `loaded`). False when the
  // state is not whole, or when the plug-in cannot compose a state without its
  // live state (the base). Any thread; reads nothing of the live state.
  virtual bool ComposeState(const DataBlock& /*block*/, int /*position*/, bool /*loaded*/, int /*current*/,
                            const std::string& /*name*/, const std::vector<double>& /*values*/,
                            DataBlock& /*out*/) const {
    return false;
  }
  // The preset name a state at position carries, empty when it carries none
  // (the base). Any thread.
  virtual std::string StoredPresetName(const DataBlock& /*block*/, int /*position*/) const { return std::string(); }
  // The name a program file's name field stands for: the whole preset name
  // the file's state at position carries, when the field holds only its first
  // 27 characters; else the field. Any thread.
  std::string ProgramFileName(const std::string& field, const DataBlock& file, int position) const;
  // True when every parameter equals the stored double within 1e-5 in single precision.
  virtual bool StateEquals(const DataBlock& block, int position);
  // The host adapter calls this once the host is known.
  virtual void OnHostIdentified() {}
  // A 0..1 edit by the user in the editor (a control of the parameter, or a
  // panel button standing for one): takes the lock, sets the parameter, tells
  // the host, calls OnParamChanged with UserEditIndex() = index. Any thread.
  void SetParamFromEditor(int index, double normalized) override;
  // The same change made by the plug-in itself (a mapped controller, a
  // program load, a preset reset): not the user's edit. Any thread.
  void SetParamNormalized(int index, double normalized);
  // The parameter the user is editing in the editor while its change is
  // handled, else -1. Under the lock.
  int UserEditIndex() const { return userEditIndex; }

  // Host services; the host adapter fills them. Defaults do nothing.
  void BeginHostParamGesture(int /*index*/) override {}
  virtual void NotifyHostParamChange(int /*index*/, double /*normalized*/) {}
  void EndHostParamGesture(int /*index*/) override {}
  virtual void NotifyHostProgramChange() {}
  virtual bool IsRenderingOffline() { return false; }
  virtual double GetSamplePosition() { return 0.0; }
  // Host tempo in beats per minute, 0 when unknown.
  virtual double GetHostTempo() { return 0.0; }
  // False when the host does not tell; the outputs then stay untouched.
  virtual bool GetTimeSignature(int* /*numerator*/, int* /*denominator*/) { return false; }
  // Fills what the host reports; the rest keeps the caller's defaults.
  virtual void GetHostTime(HostTimeInfo& /*info*/) {}
  virtual int GetHostKind() { return hostKind; }
  virtual int GetPluginApi() { return kPluginApiVst2; }
  virtual bool NotifyHostEditorResized(int /*width*/, int /*height*/) { return false; }
  virtual void HostSpecificSetup() {}

  // Pushes every parameter into the editor's controls, lets it create its
  // drawing surfaces and keeps it (not owned). Takes the lock. User-interface thread.
  virtual void AttachEditor(IEditorLink* editor);
  // The attached editor, or null. A plug-in that builds its editor when it is
  // first needed (the window, its size, a message box) builds it here, taking
  // the lock only around what needs it: call it without the lock where the
  // audio thread may run. User-interface thread, or the host's thread that
  // makes the call needing it; never the audio thread.
  virtual IEditorLink* RequireEditor() { return GetEditorLink(); }
  // The plug-in will build an editor when first asked (RequireEditor): the
  // adapter tells the host it has one. Construction.
  virtual void OfferEditor() {}
  virtual void SetLatency(int samples);
  // MIDI and System Exclusive to the host; true when the host took it. Default false.
  virtual bool SendMidiToHost(const MidiMessage& /*message*/) { return false; }
  virtual bool SendSysExToHost(int /*offset*/, int /*size*/, const uint8_t* /*data*/) { return false; }
  // Shows every parameter's value on the attached editor's controls.
  virtual void RefreshParamControls();
  // Reads the presets written by SerializePresets; each stored state is loaded
  // in turn, and the current preset is selected at the end. Returns the position
  // after the last preset read, or -1. Caller holds the lock.
  virtual int UnserializePresets(const DataBlock& block, int position);
  // UnserializePresets in two steps: reading the presets, which applies
  // nothing and may run on any thread without the lock, and applying them,
  // under the lock, with the block they were read from. The image gives its
  // presets to the slots and keeps what the slots held. `thenSelect`: the
  // preset the caller selects right after applying (or -1). `prepareReplays`:
  // the states are also decoded for replaying (PrepareReplay), which shortens
  // the apply's hold of the lock at the reading's expense.
  void ReadPresetBank(const DataBlock& block, int position, PresetBankImage& image, bool prepareReplays = false) const;
  int ApplyPresetBank(const DataBlock& block, PresetBankImage& image, int thenSelect = -1);
  // ApplyPresetBank of an image that stays as it is, so that one reading may
  // serve every instance (the built-in bank, read once in a process): the
  // slots take copies of its presets, which share the bytes of a block read in
  // place. The image is only read; it may be applied by instances on other
  // threads at once. Caller holds the lock.
  int ApplySharedPresetBank(const DataBlock& block, const PresetBankImage& image);
  // The host adapters' chunk (plugin/HostChunk.h): read and checked, applying
  // nothing, on any thread without the lock; then, when the adapter takes the
  // chunk (image.end >= 0), applied under the lock with the chunk it was read
  // from. A bank is read from after the chunk header, a program from where its
  // state starts. The adapter calls RefreshParamControls after applying.
  void ReadBankChunk(const DataBlock& chunk, int position, HostChunkImage& image) const;
  void ReadProgramChunk(const DataBlock& chunk, int position, HostChunkImage& image) const;
  void ApplyHostChunk(const DataBlock& chunk, HostChunkImage& image);
  // Stores the live state into the current preset; renames it when name is
  // given and not empty (cut to 255 characters). Caller holds the lock.
  virtual void ModifyCurrentPreset(const char* name = nullptr);
  // After presets were renamed, loaded or rearranged. The base does nothing.
  virtual void OnPresetsChanged() {}
  virtual void SetSampleRate(double rate) { sampleRate = rate; }
  // Stores it and resizes every channel's scratch buffer (cleared). Not on the audio thread.
  virtual void SetBlockSize(int frames);
  // Stores it and leaves the scratch buffers to PrepareScratch, so that an
  // instance that never processes does not touch their pages. Construction.
  void SetBlockSizeLater(int frames);
  // Sizes the scratch buffers to the block size unless they hold it already.
  // Not on the audio thread: the host adapter calls it when processing resumes.
  void PrepareScratch();

  // Attaches the framework's editor object (not owned) through AttachEditor.
  // User-interface thread.
  void AttachGraphics(IGraphics* graphics);
  IGraphics* GetGraphics() const { return graphicsLink.Graphics(); }

  // ---------------------------------------------------------------------------
  // IEditorDelegate: the editor's view of the parameters and the lock. The
  // readers take the lock: the editor draws without it, while a host thread
  // may be loading a chunk.

  int EditorParamCount() const override { return NumParams(); }
  bool GetEditorParamInfo(int index, EditorParamInfo* info) const override;
  double EditorNormalizedValue(int index, double plainValue) const override;
  std::string EditorDisplayText(int index, double value, bool normalised) const override;
  std::string EditorLabelText(int index) const override;
  // The editor's zoom: the host is asked to resize its window.
  bool RequestEditorResize(int width, int height) override { return NotifyHostEditorResized(width, height); }
  void LockPlugin() override { mutex.LockReleasable(); }
  void UnlockPlugin() override { mutex.UnlockReleasable(); }
  int ReleasePluginForModalWait() override { return mutex.ReleaseForModalWait(); }
  void RetakePluginAfterModalWait(int holds) override { mutex.RetakeAfterModalWait(holds); }

  // ---------------------------------------------------------------------------
  // Parameters.

  int NumParams() const { return static_cast<int>(params.size()); }
  // nullptr outside 0..NumParams()-1.
  PlugParam* GetParam(int index) {
    return index < 0 || index >= NumParams() ? nullptr : &params[static_cast<size_t>(index)];
  }
  const PlugParam* GetParam(int index) const {
    return index < 0 || index >= NumParams() ? nullptr : &params[static_cast<size_t>(index)];
  }

  // The plug-in's own change of a parameter: the value is clamped; unless a
  // state is loading the change goes on as an editor edit and to the editor's
  // controls. Caller holds the lock.
  void SetParameterFromEngine(int index, double value);
  // OnParamChanged for every parameter in index order. The instrument
  // overrides it to mark the pass as a whole rather than a string of edits.
  virtual void ApplyAllParams();
  // Reports every parameter's 0..1 value to the host. Takes the lock.
  void PushParamsToHost();

  // Every parameter's value as a double, in index order. Takes the lock.
  bool SerializeParams(DataBlock& block);
  // Reads them back (clamped, not rounded), then OnParamChanged for all. A
  // missing value leaves that parameter and all after it unchanged and gives -1.
  // Takes the lock.
  int UnserializeParams(const DataBlock& block, int position);

  // ---------------------------------------------------------------------------
  // Presets.

  int NumPresets() const { return static_cast<int>(presets.size()); }
  PlugPreset* GetPreset(int index);
  const PlugPreset* GetPreset(int index) const;
  int GetCurrentPresetIndex() const { return currentPreset; }
  // Per preset: name text, initialized byte, and if initialized the raw state.
  bool SerializePresets(DataBlock& block);
  // Loads preset index (an uninitialized one takes the live state under the name
  // "user preset N"). False for an invalid index or an unreadable state.
  // Caller holds the lock.
  bool SelectPreset(int index);
  // "" outside the range.
  std::string GetPresetName(int index) const;
  // Fills up to count uninitialized presets with the live state, named "Empty".
  void MakeDefaultPresets(int count);

  // ---------------------------------------------------------------------------
  // Preset and bank files. Take the lock. User-interface thread.

  bool SaveProgramFile(const std::string& path);
  bool SaveBankFile(const std::string& path);
  // Accepts the chunk form and the plain parameter-list form. A rejected file
  // changes nothing. The file is read and checked before the lock is taken to
  // apply it: a caller that holds the lock keeps the audio thread waiting for
  // the reading too.
  bool LoadProgramFile(const std::string& path);
  bool LoadBankFile(const std::string& path);
  // The same on bytes in memory (the file operations read the whole file first).
  bool LoadProgramData(const DataBlock& file);
  bool LoadBankData(const DataBlock& file);
  bool MakeProgramData(DataBlock& file);
  bool MakeBankData(DataBlock& file);

  // ---------------------------------------------------------------------------
  // Channels, for the host adapter.

  bool LegalIO(int inputs) const;
  const std::vector<ChannelIOConfig>& ChannelIOConfigs() const { return ioConfigs; }
  int NumInputChannels() const { return static_cast<int>(inputChannels.size()); }
  int NumOutputChannels() const { return static_cast<int>(outputChannels.size()); }
  PlugChannel* GetInputChannel(int index);
  PlugChannel* GetOutputChannel(int index);
  void SetInputConnected(int index, bool connected);
  void SetOutputConnected(int index, bool connected);
  void SetOutputLabel(int index, const char* label);
  // Each connected input, in channel order, takes the next host buffer, is
  // copied into its scratch buffer and read from there. Audio thread.
  void AttachFloatInputs(float** inputs, int frames);
  // Each connected output, in channel order, takes the next host buffer as its
  // destination and is rendered into its scratch buffer. Audio thread.
  void AttachFloatOutputs(float** outputs, int frames);
  // The double path: connected channels read and write the host's buffers directly.
  // All four grow the scratch buffers first should a host pass more frames than
  // the block size it announced.
  void AttachDoubleInputs(double** inputs, int frames);
  void AttachDoubleOutputs(double** outputs, int frames);
  // Calls ProcessBlock with every channel's engine pointer (a disconnected
  // channel renders into its scratch buffer). Audio thread, caller holds the lock.
  void RunProcessBlock(int frames);
  // After RunProcessBlock on the float path: each connected output replaces or
  // adds to its host buffer.
  void WriteFloatOutputs(int frames, bool accumulate);

  // ---------------------------------------------------------------------------
  // Settings and identity.

  double GetSampleRate() const { return sampleRate; }
  int GetBlockSize() const { return blockSize; }
  int GetLatency() const { return latency; }
  int GetHostVersion() const { return hostVersion; }
  bool IsChunkState() const { return chunkState; }
  bool IsInstrument() const { return instrument; }
  bool DoesMidi() const { return receivesMidi; }
  IEditorLink* GetEditorLink() const { return editor; }

  // The plug-in mutex: PluginLock everywhere but in the host adapter's callbacks.
  PluginMutex& Mutex() const { return mutex; }

  // Set while a state is read and throughout construction: parameter writes by
  // the plug-in then inform neither host nor editor.
  bool stateLoading = false;

 protected:
  // Filled in by the host adapter.
  int hostKind = kHostUnidentified;
  int hostVersion = 0;

 private:
  // Replays a state of a bank being applied: its decoded form when the image
  // has one for preset `index`, else the state itself.
  void Replay(const DataBlock& state, const PresetBankImage& image, int index);
  // ApplyPresetBank's work: the slots take the presets of `given` (the image
  // itself) when there is one, copies of the image's otherwise.
  int ApplyPresetBankImage(const DataBlock& block, const PresetBankImage& image, PresetBankImage* given,
                           int thenSelect);
  // The end of a preset file load, under the lock: the live state becomes the
  // current preset's under the file's name.
  void FinishProgramLoad(const std::string& name);
  // A bank file in the parameter-list form (IPlugBasePresetFiles.cpp): its
  // programs are loaded in turn, each by selecting its slot, setting every
  // parameter and storing the preset. Prepare computes, mostly without the
  // lock, what that leaves (false when it cannot); Apply, under the lock, puts
  // it in place (false, changing nothing, when the instance changed since);
  // LoadParamListPrograms makes the loads themselves, under the lock.
  bool PrepareParamListBank(const DataBlock& file, ParamListBank& bank);
  bool ApplyParamListBank(const DataBlock& file, ParamListBank& bank);
  void LoadParamListPrograms(const DataBlock& file, const ParamListBank& bank);
  // Every parameter from a program record of such a file. Under the lock.
  void SetParamsFromProgramRecord(const DataBlock& file, int position);
  // The name of a preset that takes the live state when selected empty:
  // "user preset N", N one more than the names that say "user preset".
  static std::string UserPresetName(const std::vector<PlugPreset>& presets);
  void ParseChannelIOConfig(const char* text);
  // Audio thread: sizes the scratch buffers now only if the host passes more
  // frames than they hold (a broken block size, or no resume before processing).
  void GrowScratch(int frames);
  // Every parameter's value on the editor's controls.
  void ShowAllParamValues(IEditorLink& link);

  mutable PluginMutex mutex;
  std::vector<PlugParam> params;
  std::vector<PlugPreset> presets;
  std::vector<ChannelIOConfig> ioConfigs;
  std::vector<PlugChannel> inputChannels;
  std::vector<PlugChannel> outputChannels;
  // Engine pointers handed to ProcessBlock; sized with the channels, never per block.
  std::vector<double*> inputPointers;
  std::vector<double*> outputPointers;
  std::vector<std::vector<double>> latencyDelay;
  IEditorLink* editor = nullptr;
  GraphicsEditorLink graphicsLink;
  int userEditIndex = -1;
  // RefreshParamControls' values, sized with the parameters (it may run on the
  // audio thread, at a MIDI program change).
  std::vector<double> shownValues;
  // Set while a host chunk is applied: RefreshParamControls waits for its end.
  bool controlRefreshHeld = false;
  int currentPreset = 0;
  double sampleRate = 44100.0;
  int blockSize = 0;
  // Frames every channel's scratch buffer holds.
  int scratchFrames = 0;
  int latency = 0;
  bool chunkState = true;
  bool instrument = true;
  bool receivesMidi = true;
};
