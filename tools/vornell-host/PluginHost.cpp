#include "tools/vornell-host/PluginHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The plug-in may call back before its effect exists (effect = null); the host
// being loaded is found through this pointer then. Loading is single-threaded.
PluginHost* loadingHost = nullptr;

typedef AEffect* (*EntryProc)(audioMasterCallback);

const char* const kHostCanDo[] = {
    "sendVstEvents",           "sendVstMidiEvent", "sendVstTimeInfo",  "receiveVstEvents", "receiveVstMidiEvent",
    "reportConnectionChanges", "acceptIOChanges",  "startStopProcess", "sizeWindow",
};

void CopyText(void* destination, const char* text, size_t limit) {
  char* out = static_cast<char*>(destination);
  size_t length = std::min(std::strlen(text), limit);
  std::memcpy(out, text, length);
  out[length] = 0;
}

}  // namespace

PluginHost::PluginHost() {
  SetTransport(0.0, 120.0, 0.0);
}

PluginHost::~PluginHost() {
  Unload();
}

bool PluginHost::Load(const std::string& path) {
  Unload();
  error.clear();
  // A path without a slash would be searched for in the library path.
  std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
  module = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* reason = dlerror();
    error = std::string("cannot open module: ") + (reason ? reason : "unknown reason");
    return false;
  }
  EntryProc entry = reinterpret_cast<EntryProc>(dlsym(module, "VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<EntryProc>(dlsym(module, "main"));
  if (!entry) {
    error = "module exports neither VSTPluginMain nor main";
    Unload();
    return false;
  }
  loadingHost = this;
  AEffect* created = entry(&PluginHost::Callback);
  loadingHost = nullptr;
  if (!created) {
    error = "the entry point returned no effect";
    Unload();
    return false;
  }
  if (created->magic != kEffectMagic) {
    error = "the effect's magic is not 'VstP'";
    Unload();  // a record without the magic cannot be trusted with effClose
    return false;
  }
  effect = created;
  // resvd1 belongs to the host: it leads callbacks back to this object.
  effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
  return true;
}

void PluginHost::Unload() {
  if (effect) {
    if (resumed) Suspend();
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
  }
  if (module) {
    dlclose(module);
    module = nullptr;
  }
}

void PluginHost::Resume() {
  if (!effect || resumed) return;
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  resumed = true;
}

void PluginHost::Suspend() {
  if (!effect || !resumed) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  resumed = false;
}

VstIntPtr PluginHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (!effect) return 0;
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginHost::DispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
  // Generous and zeroed: plug-ins commonly write past the documented limits.
  char buffer[512] = {};
  Dispatch(opcode, index, value, buffer, 0.0f);
  buffer[sizeof(buffer) - 1] = 0;
  return buffer;
}

void PluginHost::SetTransport(double samplePosition, double tempo, double ppqPosition) {
  timeInfo.samplePos = samplePosition;
  timeInfo.sampleRate = sampleRate;
  timeInfo.nanoSeconds = samplePosition / sampleRate * 1e9;
  timeInfo.ppqPos = ppqPosition;
  timeInfo.tempo = tempo;
  // 4/4 throughout: the last bar starts at the last multiple of four quarters.
  timeInfo.barStartPos = std::floor(ppqPosition / 4.0) * 4.0;
  timeInfo.cycleStartPos = 0.0;
  timeInfo.cycleEndPos = 0.0;
  timeInfo.timeSigNumerator = 4;
  timeInfo.timeSigDenominator = 4;
  timeInfo.smpteOffset = 0;
  timeInfo.smpteFrameRate = kVstSmpte25fps;
  double samplesPerClock = sampleRate * 60.0 / (tempo * 24.0);
  double clocks = ppqPosition * 24.0;
  timeInfo.samplesToNextClock = static_cast<VstInt32>(std::lround((std::ceil(clocks) - clocks) * samplesPerClock));
}

VstIntPtr PluginHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
  PluginHost* host = nullptr;
  if (effect && effect->resvd1) host = reinterpret_cast<PluginHost*>(effect->resvd1);
  if (!host) host = loadingHost;
  if (!host) {
    // A call from an effect this process did not load through PluginHost.
    return opcode == audioMasterVersion ? kVstVersion : 0;
  }
  return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr PluginHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (std::find(opcodesSeen.begin(), opcodesSeen.end(), opcode) == opcodesSeen.end()) opcodesSeen.push_back(opcode);
  switch (opcode) {
    case audioMasterAutomate:
      ++automateCount;
      if (editReport) {
        std::fprintf(editReport, "automate %d %.6f\n", static_cast<int>(index), static_cast<double>(opt));
        std::fflush(editReport);
      }
      return 0;
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterCurrentId:
      return effect ? effect->uniqueID : 0;
    case audioMasterIdle:
    case audioMasterWantMidi:
      return 0;
    case audioMasterGetTime: {
      timeInfo.sampleRate = sampleRate;
      timeInfo.flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid |
                       kVstClockValid | (transportPlaying ? kVstTransportPlaying : 0);
      // The full record is always there; the mask only says what the plug-in wants.
      (void)value;
      return reinterpret_cast<VstIntPtr>(&timeInfo);
    }
    case audioMasterProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      if (!events) return 0;
      midiOutCount += std::max(0, events->numEvents);
      return 1;
    }
    case audioMasterIOChanged:
      return 1;
    case audioMasterSizeWindow:
      return sizeWindow && sizeWindow(static_cast<int>(index), static_cast<int>(value)) ? 1 : 0;
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(sampleRate);
    case audioMasterGetBlockSize:
      return blockSize;
    case audioMasterGetInputLatency:
    case audioMasterGetOutputLatency:
      return 0;
    case audioMasterGetCurrentProcessLevel:
      return kVstProcessLevelOffline;
    case audioMasterGetAutomationState:
      return kVstAutomationOff;
    case audioMasterGetVendorString:
      if (!ptr) return 0;
      CopyText(ptr, "Kestrune Music", kVstMaxVendorStrLen);
      return 1;
    case audioMasterGetProductString:
      if (!ptr) return 0;
      CopyText(ptr, "vornell-host", kVstMaxProductStrLen);
      return 1;
    case audioMasterGetVendorVersion:
      return 10001;
    case audioMasterCanDo: {
      const char* text = static_cast<const char*>(ptr);
      if (!text) return 0;
      for (const char* known : kHostCanDo) {
        if (std::strcmp(text, known) == 0) return 1;
      }
      return 0;
    }
    case audioMasterGetLanguage:
      return kVstLangEnglish;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      if (editReport) {
        std::fprintf(editReport, "%s %d\n", opcode == audioMasterBeginEdit ? "begin" : "end", static_cast<int>(index));
        std::fflush(editReport);
      }
      return 1;
    case audioMasterUpdateDisplay:
      return 1;
    default:
      return 0;
  }
}
