#include "plugin/IPlugVST.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "engine/MidiMessage.h"
#include "plugin/IEditorLink.h"
#include "plugin/VstAbi.h"

static_assert(std::is_same_v<VstHostCallback, audioMasterCallback>,
              "the adapter's callback type must be the interface's callback type");

namespace {

constexpr int kMaxBlockSize = 65536;
constexpr float kMaxHostSampleRate = 1536000.0f;
constexpr int kInitialBlockSize = 1024;
// Texts written into host buffers: the documented limits plus the terminator
// for names, and the 24 characters that widely used plug-ins rely on for the
// parameter texts (hosts guarantee only 8; every known host passes more).
constexpr size_t kParamNameLimit = kParamTextSize;  // names are stored in 32 bytes
constexpr size_t kParamTextLimit = 24;
constexpr intptr_t kBeef = 0xBEEF;
constexpr intptr_t kBeefExtensions = static_cast<intptr_t>(static_cast<uintptr_t>(0xBEEF0000u));

// Copies at most limit characters and always terminates.
void CopyToHost(void* destination, const char* text, size_t limit) {
  char* out = static_cast<char*>(destination);
  size_t length = text ? strnlen(text, limit) : 0;
  if (length) std::memcpy(out, text, length);
  out[length] = 0;
}

std::string Lower(const char* text, size_t limit) {
  std::string result(text, strnlen(text, limit));
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

int32_t ArrangementType(int channels) {
  if (channels <= 0) return kSpeakerArrEmpty;
  if (channels == 1) return kSpeakerArrMono;
  if (channels == 2) return kSpeakerArrStereo;
  return kSpeakerArrUserDefined;
}

// The order in which product-string fragments are searched; the first hit decides.
struct HostName {
  const char* fragment;
  int kind;
};
const HostName kHostNames[] = {
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostCakewalk},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFruity},
    {"live", kHostLive},
    {"melodyne", kHostMelodyne},
    {"vstmanlib", kHostVstManLib},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSawStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigital},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostPresonus},
    {"vst3plugintesthost", kHostVst3PluginTestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"openmpt", kHostOpenMpt},
    {"renoise", kHostRenoise},
    {"standalone", kHostStandalone},
};

IPlugVST* PluginOf(AEffect* effect) {
  return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
}

// Audio calls (process callbacks, effProcessEvents) running on this thread.
thread_local int audioCallDepth = 0;

// Marks the span of an audio call and notes its thread.
class AudioCall {
 public:
  explicit AudioCall(std::atomic<std::thread::id>& audioThread) {
    ++audioCallDepth;
    audioThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
  }
  ~AudioCall() { --audioCallDepth; }
  AudioCall(const AudioCall&) = delete;
  AudioCall& operator=(const AudioCall&) = delete;
};

}  // namespace

// The records the host reads. The speaker arrangements are allocated for their
// real channel count: the declared record only has room for eight speakers.
struct IPlugVST::VstRecords {
  AEffect effect{};
  ERect editorRect{};
  std::vector<VstSpeakerArrangement> inputStorage;
  std::vector<VstSpeakerArrangement> outputStorage;

  static VstSpeakerArrangement* Allocate(std::vector<VstSpeakerArrangement>& storage, int channels) {
    size_t bytes = VstSpeakerArrangementSize(std::max(channels, 0));
    size_t records = (bytes + sizeof(VstSpeakerArrangement) - 1) / sizeof(VstSpeakerArrangement);
    storage.assign(records, VstSpeakerArrangement{});
    storage[0].numChannels = std::max(channels, 0);
    storage[0].type = ArrangementType(channels);
    return storage.data();
  }
  VstSpeakerArrangement* Input() { return inputStorage.data(); }
  VstSpeakerArrangement* Output() { return outputStorage.data(); }
};

IPlugVST::IPlugVST(VstHostCallback callback, int numParams, int numPresets, const char* channelIOConfig)
    : IPlugBase(numParams, numPresets, channelIOConfig), hostCallback(callback), vst(std::make_unique<VstRecords>()) {
  AEffect& e = vst->effect;
  e.magic = kEffectMagic;
  e.dispatcher = &IPlugVST::VSTDispatcher;
  e.process = &IPlugVST::HostProcessAccumulating;
  e.processReplacing = &IPlugVST::HostProcessReplacing;
  e.processDoubleReplacing = &IPlugVST::HostProcessDoubleReplacing;
  e.setParameter = &IPlugVST::HostSetParameter;
  e.getParameter = &IPlugVST::HostGetParameter;
  e.numPrograms = NumPresets();
  e.numParams = NumParams();
  e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (IsChunkState()) e.flags |= effFlagsProgramChunks;
  if (IsInstrument()) e.flags |= effFlagsIsSynth;
  if (LegalIO(1)) e.flags |= effFlagsCanMono;
  e.initialDelay = GetLatency();
  e.ioRatio = 1.0f;
  e.object = this;
  e.uniqueID = kUniqueId;
  e.version = kVendorVersionDecimal;

  VstRecords::Allocate(vst->inputStorage, NumInputChannels());
  VstRecords::Allocate(vst->outputStorage, NumOutputChannels());
  UpdatePinCounts();
  for (int i = 0; i < NumInputChannels(); ++i) SetInputConnected(i, true);
  for (int i = 0; i < NumOutputChannels(); ++i) SetOutputConnected(i, true);
  floatInputs.assign(static_cast<size_t>(NumInputChannels()), nullptr);
  floatOutputs.assign(static_cast<size_t>(NumOutputChannels()), nullptr);
  doubleInputs.assign(static_cast<size_t>(NumInputChannels()), nullptr);
  doubleOutputs.assign(static_cast<size_t>(NumOutputChannels()), nullptr);
  // The scratch buffers are sized when processing resumes (or at
  // effSetBlockSize): pages an instance may never use stay untouched.
  SetBlockSizeLater(kInitialBlockSize);
}

IPlugVST::~IPlugVST() = default;

AEffect* IPlugVST::GetAEffect() {
  return &vst->effect;
}

void IPlugVST::UpdatePinCounts() {
  vst->effect.numInputs = NumInputChannels();
  vst->effect.numOutputs = NumOutputChannels();
  vst->Input()->numChannels = NumInputChannels();
  vst->Input()->type = ArrangementType(NumInputChannels());
  vst->Output()->numChannels = NumOutputChannels();
  vst->Output()->type = ArrangementType(NumOutputChannels());
}

intptr_t IPlugVST::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (!hostCallback) return 0;
  return hostCallback(&vst->effect, opcode, index, value, ptr, opt);
}

void IPlugVST::SetBlockSize(int frames) {
  IPlugBase::SetBlockSize(std::clamp(frames, 1, kMaxBlockSize));
}

// ---- host services ------------------------------------------------------------

void IPlugVST::BeginHostParamGesture(int index) {
  CallHost(audioMasterBeginEdit, index);
}

void IPlugVST::NotifyHostParamChange(int index, double normalized) {
  CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::EndHostParamGesture(int index) {
  CallHost(audioMasterEndEdit, index);
}

void IPlugVST::NotifyHostProgramChange() {
  // While the object is built the host does not know the effect yet.
  if (stateLoading) return;
  // Calling the host from inside its audio call is more than some hosts bear:
  // their display work would run on the audio thread.
  if (audioCallDepth > 0) {
    programChangePending = true;
    return;
  }
  programChangePending = false;
  CallHost(audioMasterUpdateDisplay);
}

void IPlugVST::DeliverProgramChange() {
  if (audioCallDepth == 0 && programChangePending.exchange(false)) CallHost(audioMasterUpdateDisplay);
}

bool IPlugVST::IsRenderingOffline() {
  return CallHost(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

double IPlugVST::GetSamplePosition() {
  const VstTimeInfo* time = reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime));
  return time ? time->samplePos : 0.0;
}

double IPlugVST::GetHostTempo() {
  const VstTimeInfo* time = reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, kVstTempoValid));
  if (time && (time->flags & kVstTempoValid) && time->tempo >= 0.0) return time->tempo;
  return 0.0;
}

bool IPlugVST::GetTimeSignature(int* numerator, int* denominator) {
  const VstTimeInfo* time = reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, kVstTimeSigValid));
  if (!time || !(time->flags & kVstTimeSigValid) || time->timeSigNumerator <= 0 || time->timeSigDenominator <= 0)
    return false;
  if (numerator) *numerator = time->timeSigNumerator;
  if (denominator) *denominator = time->timeSigDenominator;
  return true;
}

void IPlugVST::GetHostTime(HostTimeInfo& info) {
  constexpr int32_t kWanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
  const VstTimeInfo* time = reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, kWanted));
  if (!time || !(time->flags & kWanted)) return;
  info.samplePos = time->samplePos;
  if ((time->flags & kVstPpqPosValid) && time->ppqPos >= 0.0) info.ppqPos = time->ppqPos;
  if ((time->flags & kVstTempoValid) && time->tempo > 0.0) info.tempo = time->tempo;
  if ((time->flags & kVstBarsValid) && time->barStartPos >= 0.0) info.lastBar = time->barStartPos;
  if ((time->flags & kVstCyclePosValid) && time->cycleStartPos >= 0.0 && time->cycleEndPos >= 0.0) {
    info.cycleStart = time->cycleStartPos;
    info.cycleEnd = time->cycleEndPos;
  }
  if ((time->flags & kVstTimeSigValid) && time->timeSigNumerator > 0 && time->timeSigDenominator > 0) {
    info.numerator = time->timeSigNumerator;
    info.denominator = time->timeSigDenominator;
  }
  info.transportRunning = (time->flags & kVstTransportPlaying) != 0;
  info.transportLooping = (time->flags & kVstTransportCycleActive) != 0;
}

int IPlugVST::GetHostKind() {
  if (hostKind != kHostUnidentified) return hostKind;
  // Larger than the documented 64 characters: hosts have been seen writing more.
  char product[256] = {};
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof(product) - 1] = 0;
  int version = 0;
  if (product[0]) {
    // Decimal major*10000 + minor*100 + bugfix into (major << 16) | (minor << 8) | bugfix.
    intptr_t decimal = CallHost(audioMasterGetVendorVersion);
    if (decimal > 0 && decimal <= INT32_MAX) {
      int32_t d = static_cast<int32_t>(decimal);
      version = ((d / 10000) << 16) | (((d % 10000) / 100) << 8) | (d % 100);
    }
  }
  std::string text = Lower(product, 255);
  int kind = kHostUnknown;
  for (const HostName& name : kHostNames) {
    if (text.find(name.fragment) != std::string::npos) {
      kind = name.kind;
      break;
    }
  }
  hostKind = kind;
  hostVersion = version;
  return kind;
}

bool IPlugVST::NotifyHostEditorResized(int width, int height) {
  vst->editorRect.right = static_cast<int16_t>(std::clamp(width, 0, INT16_MAX));
  vst->editorRect.bottom = static_cast<int16_t>(std::clamp(height, 0, INT16_MAX));
  return CallHost(audioMasterSizeWindow, width, height) != 0;
}

void IPlugVST::HostSpecificSetup() {
  if (hostSetupDone) return;
  hostSetupDone = true;
  int kind = GetHostKind();
  if (kind == kHostForte || kind == kHostAudition || kind == kHostOrion || kind == kHostSawStudio) {
    // These hosts take stereo only: inputs beyond the second are not connected;
    // outputs beyond the second stay connected so nothing renders nowhere.
    for (int i = 2; i < NumInputChannels(); ++i) SetInputConnected(i, false);
    for (int i = 2; i < NumOutputChannels(); ++i) SetOutputConnected(i, true);
  }
  UpdatePinCounts();
  OnHostIdentified();
}

void IPlugVST::AttachEditor(IEditorLink* editor) {
  IPlugBase::AttachEditor(editor);
  PluginLock lock(Mutex());
  if (editor) {
    vst->editorRect = ERect{0, 0, static_cast<int16_t>(std::clamp(editor->Height(), 0, INT16_MAX)),
                            static_cast<int16_t>(std::clamp(editor->Width(), 0, INT16_MAX))};
    vst->effect.flags |= effFlagsHasEditor;
  } else {
    vst->effect.flags &= ~effFlagsHasEditor;
  }
}

void IPlugVST::OfferEditor() {
  PluginLock lock(Mutex());
  vst->effect.flags |= effFlagsHasEditor;
}

void IPlugVST::SetLatency(int samples) {
  IPlugBase::SetLatency(samples);
  vst->effect.initialDelay = GetLatency();
  CallHost(audioMasterIOChanged);
}

bool IPlugVST::SendMidiToHost(const MidiMessage& message) {
  if (!hostCallback) return false;
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = message.offset;
  event.midiData[0] = static_cast<char>(message.status);
  event.midiData[1] = static_cast<char>(message.data1);
  event.midiData[2] = static_cast<char>(message.data2);
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IPlugVST::SendSysExToHost(int offset, int size, const uint8_t* data) {
  if (!hostCallback || !data || size <= 0) return false;
  VstMidiSysexEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = offset;
  event.dumpBytes = size;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(data));
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IPlugVST::ProgramChunkOnlyHost() {
  if (!programChunkOnlyKnown) {
    char vendor[256] = {};
    CallHost(audioMasterGetVendorString, 0, 0, vendor);
    vendor[sizeof(vendor) - 1] = 0;
    std::string text = Lower(vendor, 255);
    programChunkOnly = text == "native instruments" || text == "juce vst host";
    programChunkOnlyKnown = true;
  }
  return programChunkOnly;
}

// ---- dispatcher ------------------------------------------------------------------

intptr_t IPlugVST::VSTDispatcher(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  IPlugVST* plugin = PluginOf(effect);
  if (!plugin) return 0;
  // The editor's window work runs without the lock: its event pump and modal
  // waits (menus, message boxes, file dialogs) take the lock only for the
  // changes they make, so the audio thread keeps running meanwhile.
  if (opcode == effEditOpen || opcode == effEditClose || opcode == effEditIdle || opcode == effIdle)
    return plugin->DispatchEditor(opcode, ptr);
  if (opcode != effProcessEvents && opcode != effClose &&
      std::this_thread::get_id() != plugin->audioThread.load(std::memory_order_relaxed))
    plugin->DeliverProgramChange();
  // Reads the chunk before it takes the lock.
  if (opcode == effSetChunk) return plugin->SetChunk(index, value, ptr);
  // An editor built on demand is built before the lock is taken.
  if (opcode == effEditGetRect) plugin->RequireEditor();
  std::unique_lock lock(plugin->Mutex());
  if (opcode == effClose) {
    // The lock lives in the object: release it before the object goes.
    lock.unlock();
    delete plugin;
    return 0;
  }
  return plugin->Dispatch(opcode, index, value, ptr, opt);
}

intptr_t IPlugVST::DispatchEditor(int32_t opcode, void* ptr) {
  // These come from the host's user-interface thread.
  DeliverProgramChange();
  IEditorLink* editor = nullptr;
  if (opcode == effEditOpen || opcode == effEditClose) {
    editor = RequireEditor();
  } else {
    std::lock_guard lock(Mutex());
    editor = GetEditorLink();
  }
  switch (opcode) {
    case effEditOpen:
      if (editor && editor->OpenEditorWindow(ptr)) {
        std::lock_guard lock(Mutex());
        OnEditorOpened();
        return 1;
      }
      return 0;

    case effEditClose:
      if (editor) {
        {
          std::lock_guard lock(Mutex());
          OnEditorClosing();
        }
        editor->CloseEditorWindow();
        return 1;
      }
      return 0;

    case effEditIdle:
    case effIdle:
      if (!editor || !editor->EditorIdle()) {
        std::lock_guard lock(Mutex());
        OnIdleTick();
      }
      return 0;

    default:
      return 0;
  }
}

intptr_t IPlugVST::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case effOpen:
      HostSpecificSetup();
      ApplyAllParams();
      return 0;

    case effSetProgram:
      ModifyCurrentPreset(nullptr);
      if (value >= 0 && value < NumPresets()) SelectPreset(static_cast<int>(value));
      return 0;

    case effGetProgram:
      return GetCurrentPresetIndex();

    case effSetProgramName:
      if (ptr) {
        std::string name(static_cast<const char*>(ptr), strnlen(static_cast<const char*>(ptr), kPresetNameLength));
        ModifyCurrentPreset(name.c_str());
        OnPresetsChanged();
      }
      return 0;

    case effGetProgramName:
      if (ptr) CopyToHost(ptr, GetPresetName(GetCurrentPresetIndex()).c_str(), kVstMaxProgNameLen);
      return 0;

    case effGetParamLabel:
      if (ptr) {
        if (const PlugParam* param = GetParam(index))
          CopyToHost(ptr, param->LabelText(param->Value()), kParamTextLimit);
      }
      return 0;

    case effGetParamDisplay:
      if (ptr) {
        if (const PlugParam* param = GetParam(index))
          CopyToHost(ptr, param->CurrentDisplayText().c_str(), kParamTextLimit);
      }
      return 0;

    case effGetParamName:
      if (ptr) {
        if (const PlugParam* param = GetParam(index)) CopyToHost(ptr, param->Name(), kParamNameLimit);
      }
      return 0;

    case effSetSampleRate:
      // A rate of zero, negative, absurdly high or not a number would poison
      // every rate-dependent table.
      if (std::isfinite(opt) && opt > 0.0f && opt <= kMaxHostSampleRate) {
        SetSampleRate(opt);
        OnReset();
      }
      return 0;

    case effSetBlockSize:
      if (value > 0) {
        SetBlockSize(static_cast<int>(std::min<intptr_t>(value, kMaxBlockSize)));
        OnReset();
      }
      return 0;

    case effMainsChanged:
      if (value) {
        PrepareScratch();
        OnActivate(true);
      } else {
        OnActivate(false);
        OnReset();
      }
      return 0;

    case effEditGetRect:
      if (ptr && RequireEditor()) {
        // The size follows the editor's zoom; the record stays where it is.
        vst->editorRect.bottom = static_cast<int16_t>(std::clamp(GetEditorLink()->Height(), 0, INT16_MAX));
        vst->editorRect.right = static_cast<int16_t>(std::clamp(GetEditorLink()->Width(), 0, INT16_MAX));
        *static_cast<ERect**>(ptr) = &vst->editorRect;
        return 1;
      }
      return 0;

    case effIdentify:
      return kEffectIdentify;

    case effGetChunk:
      return GetChunk(index, ptr);

    case effSetChunk:
      return SetChunk(index, value, ptr);

    case effProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      if (!events) return 0;
      const AudioCall call(audioThread);
      // The pointer array really has numEvents entries, whatever was declared.
      VstEvent* const* list = events->events;
      for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = list[i];
        if (!event) continue;
        if (event->type == kVstMidiType) {
          const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
          MidiMessage message;
          message.offset = std::max(0, midi->deltaFrames);
          message.status = static_cast<uint8_t>(midi->midiData[0]);
          message.data1 = static_cast<uint8_t>(midi->midiData[1]);
          message.data2 = static_cast<uint8_t>(midi->midiData[2]);
          OnMidiMessage(message);
        } else if (event->type == kVstSysExType) {
          const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
          if (sysex->sysexDump && sysex->dumpBytes > 0)
            OnSysExMessage(std::max(0, sysex->deltaFrames), sysex->dumpBytes,
                           reinterpret_cast<const uint8_t*>(sysex->sysexDump));
        }
      }
      return 1;
    }

    case effCanBeAutomated:
      return 1;

    case effString2Parameter:
      return String2Parameter(index, static_cast<const char*>(ptr));

    case effGetProgramNameIndexed: {
      if (!ptr) return 0;
      std::string name = GetPresetName(index);
      CopyToHost(ptr, name.c_str(), kVstMaxProgNameLen);
      return name.empty() ? 0 : 1;
    }

    case effGetInputProperties:
      return GetPinProperties(false, index, ptr);

    case effGetOutputProperties:
      return GetPinProperties(true, index, ptr);

    case effGetPlugCategory:
      return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;

    case effSetSpeakerArrangement:
      SetSpeakerArrangement(false, reinterpret_cast<const void*>(value));
      SetSpeakerArrangement(true, ptr);
      return 1;

    case effGetEffectName:
      if (!ptr) return 0;
      CopyToHost(ptr, kEffectName, kVstMaxEffectNameLen);
      return 1;

    case effGetVendorString:
      if (!ptr) return 0;
      CopyToHost(ptr, kVendorName, kVstMaxVendorStrLen);
      return 1;

    case effGetProductString:
      if (!ptr) return 0;
      CopyToHost(ptr, kProductName, kVstMaxProductStrLen);
      return 1;

    case effGetVendorVersion:
      return kVendorVersionDecimal;

    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);

    case effCanDo:
      return CanDo(static_cast<const char*>(ptr));

    case effGetTailSize:
      return 0;

    case effGetVstVersion:
      return kVstVersion;

    case effGetMidiKeyName: {
      MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
      if (!key) return 0;
      std::memset(key->keyName, 0, sizeof(key->keyName));
      if (key->thisKeyNumber < 0 || key->thisKeyNumber > 127) return 0;
      bool named = GetMidiNoteName(key->thisKeyNumber, key->keyName, static_cast<int>(sizeof(key->keyName)));
      key->keyName[sizeof(key->keyName) - 1] = 0;
      return named ? 1 : 0;
    }

    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = vst->Input();
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = vst->Output();
      return 1;

    default:
      return 0;
  }
}

intptr_t IPlugVST::GetChunk(int32_t index, void* ptr) {
  if (!ptr) return 0;
  bool isBank = index == 0 && !ProgramChunkOnlyHost();
  DataBlock& chunk = isBank ? bankChunk : programChunk;
  chunk.Clear();
  bool ok = WriteChunkHeader(chunk);
  if (ok && isBank) {
    ModifyCurrentPreset(nullptr);
    ok = SerializePresets(chunk) && chunk.PutInt32(kCurrentPresetTag) && chunk.PutInt32(GetCurrentPresetIndex());
  } else if (ok) {
    ok = SaveState(chunk) && chunk.PutText(GetPresetName(GetCurrentPresetIndex()));
  }
  if (!ok || chunk.Size() == 0) return 0;
  *static_cast<void**>(ptr) = chunk.Data();
  return chunk.Size();
}

// Without the plug-in lock: the chunk is copied, read and checked first, and
// the lock is held only to apply it, so the audio thread does not wait for the
// reading. A refused chunk changes nothing.
intptr_t IPlugVST::SetChunk(int32_t index, intptr_t size, void* ptr) {
  if (!ptr || size < 0 || size > INT32_MAX) return 0;
  const int bytes = static_cast<int>(size);
  bool onlyPrograms = false;
  {
    std::lock_guard lock(Mutex());
    onlyPrograms = ProgramChunkOnlyHost();
  }
  // A copy: hosts may hand back the very block effGetChunk gave them.
  DataBlock chunk;
  if (!chunk.Resize(bytes)) return 0;
  if (bytes) std::memcpy(chunk.Data(), ptr, static_cast<size_t>(bytes));

  int position = 0;
  const int32_t version = ReadChunkHeader(chunk, &position);
  // A chunk without our header is a program chunk of an older form, whatever the index.
  HostChunkImage image, bank;
  if (index == 0 && !onlyPrograms && version >= kChunkVersion)
    ReadBankChunk(chunk, position, image);
  else
    ReadProgramChunk(chunk, position, image);
  int end = image.end;
  // These hosts hand bank chunks back under the program index: when the
  // program reading leaves bytes over, the data is read again as a bank (after
  // the program is applied). Without our header it cannot be a bank, and the
  // program reading decides.
  const bool bankToo = onlyPrograms && image.end != bytes && version >= kChunkVersion && position >= 0;
  if (bankToo) {
    ReadBankChunk(chunk, position, bank);
    end = bank.end;
  }
  if (end < 0) return 0;

  std::lock_guard lock(Mutex());
  ApplyHostChunk(chunk, image);
  if (bankToo) ApplyHostChunk(chunk, bank);
  RefreshParamControls();
  return 1;
}

intptr_t IPlugVST::String2Parameter(int32_t index, const char* text) {
  PlugParam* param = GetParam(index);
  if (!param) return 0;
  if (!text) return 1;
  double value = 0.0;
  if (param->ReadDisplayed(text, &value)) {
    // The text as the parameter displays it.
  } else if (param->NumDisplayTexts() > 0) {
    if (!param->MapDisplayText(text, &value)) return 0;
  } else {
    if (!ReadNumber(text, &value)) return 0;
    if (param->NegateDisplay()) value = -value;
  }
  if (IEditorLink* editor = GetEditorLink()) editor->ShowParamValue(index, value, false);
  param->SetValue(value);
  OnParamChanged(index);
  return 1;
}

intptr_t IPlugVST::VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
  const int paramIndex = value >= 0 && value < NumParams() ? static_cast<int>(value) : -1;
  if (index == 7) {
    // The host asks for the text of a 0..1 value without setting it.
    if (!ptr) return 0;
    if (const PlugParam* param = GetParam(paramIndex)) {
      CopyToHost(ptr, param->DisplayText(static_cast<double>(opt), true).c_str(), kParamTextLimit);
    }
    return kBeef;
  }
  if (index == 8) {
    // Whether a parameter moves in whole steps.
    const PlugParam* param = GetParam(paramIndex);
    return param && param->Kind() != ParamKind::Continuous ? kBeef : 0;
  }
  return 0;
}

intptr_t IPlugVST::CanDo(const char* text) {
  if (!text) return 0;
  if (std::strcmp(text, "receiveVstTimeInfo") == 0) return 1;
  if (std::strcmp(text, "sendVstEvents") == 0 || std::strcmp(text, "sendVstMidiEvent") == 0 ||
      std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
    return DoesMidi() ? 1 : 0;
  if (std::strcmp(text, "hasCockosExtensions") == 0 || std::strcmp(text, "hasCockosViewAsConfig") == 0)
    return kBeefExtensions;
  return 0;
}

intptr_t IPlugVST::GetPinProperties(bool output, int32_t index, void* ptr) {
  PlugChannel* channel = output ? GetOutputChannel(index) : GetInputChannel(index);
  if (!ptr || !channel) return 0;
  VstPinProperties* pin = static_cast<VstPinProperties*>(ptr);
  std::memset(pin, 0, sizeof(*pin));
  pin->flags = kVstPinIsActive;
  // Even pins start a stereo pair, except the last pin of an odd count.
  const int count = output ? NumOutputChannels() : NumInputChannels();
  if (index % 2 == 0 && index < count - 1) pin->flags |= kVstPinIsStereo;
  std::string label = channel->label;
  if (label.empty()) label = (output ? "Output " : "Input ") + std::to_string(index + 1);
  CopyToHost(pin->label, label.c_str(), kVstMaxLabelLen - 1);
  return 1;
}

void IPlugVST::SetSpeakerArrangement(bool output, const void* arrangement) {
  if (!arrangement) return;
  int channels = static_cast<const VstSpeakerArrangement*>(arrangement)->numChannels;
  const int count = output ? NumOutputChannels() : NumInputChannels();
  channels = std::clamp(channels, 0, count);
  for (int i = 0; i < count; ++i) {
    // SetXConnected(false) points the engine at the pin's scratch buffer, so
    // the engine may still write there.
    if (output) {
      SetOutputConnected(i, i < channels);
    } else {
      SetInputConnected(i, i < channels);
    }
  }
}

// ---- process callbacks ---------------------------------------------------------------

int IPlugVST::ConnectedInputs() {
  int count = 0;
  for (int i = 0; i < NumInputChannels(); ++i) count += GetInputChannel(i)->connected ? 1 : 0;
  return count;
}

int IPlugVST::ConnectedOutputs() {
  int count = 0;
  for (int i = 0; i < NumOutputChannels(); ++i) count += GetOutputChannel(i)->connected ? 1 : 0;
  return count;
}

void IPlugVST::PrepareProcess() {
  if (DoesMidi()) CallHost(audioMasterWantMidi);
}

void IPlugVST::ProcessFloat(float** inputs, float** outputs, int32_t frames, bool accumulate) {
  PrepareProcess();
  // Connected pins take the host's pointers in order; disconnected ones take
  // none, so only that many host pointers exist.
  const int inputCount = ConnectedInputs();
  const int outputCount = ConnectedOutputs();
  const int step = std::max(1, GetBlockSize());
  // A host block longer than the announced size is rendered in pieces of that
  // size, with the host pointers moved along; nothing is allocated.
  for (int32_t done = 0; done < frames; done += step) {
    const int piece = std::min<int32_t>(step, frames - done);
    for (int i = 0; i < inputCount; ++i) floatInputs[i] = inputs && inputs[i] ? inputs[i] + done : nullptr;
    for (int i = 0; i < outputCount; ++i) floatOutputs[i] = outputs && outputs[i] ? outputs[i] + done : nullptr;
    AttachFloatInputs(inputCount ? floatInputs.data() : nullptr, piece);
    AttachFloatOutputs(outputCount ? floatOutputs.data() : nullptr, piece);
    RunProcessBlock(piece);
    WriteFloatOutputs(piece, accumulate);
  }
}

void IPlugVST::ProcessDouble(double** inputs, double** outputs, int32_t frames) {
  PrepareProcess();
  const int inputCount = ConnectedInputs();
  const int outputCount = ConnectedOutputs();
  const int step = std::max(1, GetBlockSize());
  for (int32_t done = 0; done < frames; done += step) {
    const int piece = std::min<int32_t>(step, frames - done);
    for (int i = 0; i < inputCount; ++i) doubleInputs[i] = inputs && inputs[i] ? inputs[i] + done : nullptr;
    for (int i = 0; i < outputCount; ++i) doubleOutputs[i] = outputs && outputs[i] ? outputs[i] + done : nullptr;
    AttachDoubleInputs(inputCount ? doubleInputs.data() : nullptr, piece);
    AttachDoubleOutputs(outputCount ? doubleOutputs.data() : nullptr, piece);
    RunProcessBlock(piece);
  }
}

void IPlugVST::HostProcessReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
  IPlugVST* plugin = PluginOf(effect);
  if (!plugin || frames <= 0) return;
  std::lock_guard lock(plugin->Mutex());
  const AudioCall call(plugin->audioThread);
  plugin->ProcessFloat(inputs, outputs, frames, false);
}

void IPlugVST::HostProcessAccumulating(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
  IPlugVST* plugin = PluginOf(effect);
  if (!plugin || frames <= 0) return;
  std::lock_guard lock(plugin->Mutex());
  const AudioCall call(plugin->audioThread);
  plugin->ProcessFloat(inputs, outputs, frames, true);
}

void IPlugVST::HostProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs, int32_t frames) {
  IPlugVST* plugin = PluginOf(effect);
  if (!plugin || frames <= 0) return;
  std::lock_guard lock(plugin->Mutex());
  const AudioCall call(plugin->audioThread);
  plugin->ProcessDouble(inputs, outputs, frames);
}

float IPlugVST::HostGetParameter(AEffect* effect, int32_t index) {
  IPlugVST* plugin = PluginOf(effect);
  if (!plugin) return 0.0f;
  std::lock_guard lock(plugin->Mutex());
  const PlugParam* param = plugin->GetParam(index);
  return param ? static_cast<float>(param->NormalizedValue()) : 0.0f;
}

void IPlugVST::HostSetParameter(AEffect* effect, int32_t index, float value) {
  IPlugVST* plugin = PluginOf(effect);
  if (!plugin) return;
  std::lock_guard lock(plugin->Mutex());
  PlugParam* param = plugin->GetParam(index);
  if (!param || !std::isfinite(value)) return;
  if (IEditorLink* editor = plugin->GetEditorLink()) editor->ShowParamValue(index, value, true);
  param->SetFromNormalized(value);
  plugin->OnParamChanged(index);
}
