#pragma once
// Our own declarations of the VST 2.4 binary interface, as far as a Linux
// instrument and a small host need it. Only IPlugVST.cpp, the module entry and
// the bundled host include this file; the rest of the system never sees VST2.
//
// Layouts are plain C structures with natural alignment. Pointer-sized integer
// fields are VstIntPtr (intptr_t), so the same declarations are right for the
// 32-bit build; the sizes are checked at the end for both word sizes.
#include <cstddef>
#include <cstdint>

typedef int32_t VstInt32;
typedef intptr_t VstIntPtr;

struct AEffect;

// Host callback and the plug-in's entry slots. On i386 Linux the default C
// convention (cdecl) is the one hosts use, so no calling-convention attribute.
typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                           float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs, VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// Four-character code: the int32 whose big-endian bytes spell the characters.
// Built with shifts because multi-character literals are implementation-defined.
constexpr VstInt32 VstFourCharCode(char a, char b, char c, char d) {
  return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                               (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                               (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                               static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = VstFourCharCode('V', 's', 't', 'P');     // 0x56737450
constexpr VstInt32 kEffectIdentify = VstFourCharCode('N', 'v', 'E', 'f');  // answer to effIdentify
constexpr VstInt32 kVstVersion = 2400;

// --- the effect record --------------------------------------------------------

struct AEffect {
  VstInt32 magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;  // accumulating; deprecated but still called by some hosts
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;
  VstIntPtr resvd1;  // host-owned: zero at creation, never touched again
  VstIntPtr resvd2;  // host-owned
  VstInt32 initialDelay;
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object;  // the plug-in's own instance
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

enum VstAEffectFlags : VstInt32 {
  effFlagsHasEditor = 1 << 0,
  effFlagsHasClip = 1 << 1,
  effFlagsHasVu = 1 << 2,
  effFlagsCanMono = 1 << 3,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsExtIsAsync = 1 << 10,
  effFlagsExtHasBuffer = 1 << 11,
  effFlagsCanDoubleReplacing = 1 << 12,
};

// --- dispatcher opcodes (host -> plug-in) -------------------------------------

enum VstDispatcherOpcode : VstInt32 {
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effGetVu = 9,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditDraw = 16,
  effEditMouse = 17,
  effEditKey = 18,
  effEditIdle = 19,
  effEditTop = 20,
  effEditSleep = 21,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetNumProgramCategories = 28,
  effGetProgramNameIndexed = 29,
  effCopyProgram = 30,
  effConnectInput = 31,
  effConnectOutput = 32,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effGetCurrentPosition = 36,
  effGetDestinationBuffer = 37,
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effSetBlockSizeAndSampleRate = 43,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetErrorText = 46,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetIcon = 54,
  effSetViewPosition = 55,
  effGetParameterProperties = 56,
  effKeysRequired = 57,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effSetEditKnobMode = 61,
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effGetSpeakerArrangement = 69,
  effShellGetNextPlugin = 70,
  effStartProcess = 71,
  effStopProcess = 72,
  effSetTotalSampleToProcess = 73,
  effSetPanLaw = 74,
  effBeginLoadBank = 75,
  effBeginLoadProgram = 76,
  effSetProcessPrecision = 77,
  effGetNumMidiInputChannels = 78,
  effGetNumMidiOutputChannels = 79,
};

// --- host callback opcodes (plug-in -> host) ----------------------------------

enum VstHostOpcode : VstInt32 {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterSetTime = 9,
  audioMasterTempoAt = 10,
  audioMasterGetNumAutomatableParameters = 11,
  audioMasterGetParameterQuantization = 12,
  audioMasterIOChanged = 13,
  audioMasterNeedIdle = 14,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetInputLatency = 18,
  audioMasterGetOutputLatency = 19,
  audioMasterGetPreviousPlug = 20,
  audioMasterGetNextPlug = 21,
  audioMasterWillReplaceOrAccumulate = 22,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead = 26,
  audioMasterOfflineWrite = 27,
  audioMasterOfflineGetCurrentPass = 28,
  audioMasterOfflineGetCurrentMetaPass = 29,
  audioMasterSetOutputSampleRate = 30,
  audioMasterGetOutputSpeakerArrangement = 31,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterVendorSpecific = 35,
  audioMasterSetIcon = 36,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterOpenWindow = 39,
  audioMasterCloseWindow = 40,
  audioMasterGetDirectory = 41,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector = 46,
  audioMasterEditFile = 47,
  audioMasterGetChunkFile = 48,
  audioMasterGetInputSpeakerArrangement = 49,
};

// --- string limits (characters, without the terminating zero) -----------------

constexpr int kVstMaxProgNameLen = 24;
constexpr int kVstMaxParamStrLen = 8;
constexpr int kVstMaxVendorStrLen = 64;
constexpr int kVstMaxProductStrLen = 64;
constexpr int kVstMaxEffectNameLen = 32;
constexpr int kVstMaxNameLen = 64;
constexpr int kVstMaxLabelLen = 64;
constexpr int kVstMaxShortLabelLen = 8;
constexpr int kVstMaxCategLabelLen = 24;
constexpr int kVstMaxFileNameLen = 100;

// --- enumerations --------------------------------------------------------------

enum VstPlugCategory : VstInt32 {
  kPlugCategUnknown = 0,
  kPlugCategEffect = 1,
  kPlugCategSynth = 2,
  kPlugCategAnalysis = 3,
  kPlugCategMastering = 4,
  kPlugCategSpacializer = 5,
  kPlugCategRoomFx = 6,
  kPlugSurroundFx = 7,
  kPlugCategRestoration = 8,
  kPlugCategOfflineProcess = 9,
  kPlugCategShell = 10,
  kPlugCategGenerator = 11,
  kPlugCategMaxCount = 12,
};

// VstTimeInfo.flags, and the request mask of audioMasterGetTime.
enum VstTimeInfoFlags : VstInt32 {
  kVstTransportChanged = 1 << 0,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15,
};

enum VstSmpteFrameRate : VstInt32 {
  kVstSmpte24fps = 0,
  kVstSmpte25fps = 1,
  kVstSmpte2997fps = 2,
  kVstSmpte30fps = 3,
  kVstSmpte2997dfps = 4,
  kVstSmpte30dfps = 5,
  kVstSmpteFilm16mm = 6,
  kVstSmpteFilm35mm = 7,
  kVstSmpte239fps = 10,
  kVstSmpte249fps = 11,
  kVstSmpte599fps = 12,
  kVstSmpte60fps = 13,
};

enum VstPinPropertiesFlags : VstInt32 {
  kVstPinIsActive = 1 << 0,
  kVstPinIsStereo = 1 << 1,  // first pin of a stereo pair
  kVstPinUseSpeaker = 1 << 2,
};

enum VstEventTypes : VstInt32 {
  kVstMidiType = 1,
  kVstAudioType = 2,
  kVstVideoType = 3,
  kVstParameterType = 4,
  kVstTriggerType = 5,
  kVstSysExType = 6,
};

enum VstMidiEventFlags : VstInt32 {
  kVstMidiEventIsRealtime = 1 << 0,
};

enum VstSpeakerArrangementType : VstInt32 {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo = 1,
  kSpeakerArrStereoSurround = 2,
  kSpeakerArrStereoCenter = 3,
  kSpeakerArrStereoSide = 4,
  kSpeakerArrStereoCLfe = 5,
  kSpeakerArr30Cine = 6,
  kSpeakerArr30Music = 7,
  kSpeakerArr31Cine = 8,
  kSpeakerArr31Music = 9,
  kSpeakerArr40Cine = 10,
  kSpeakerArr40Music = 11,
  kSpeakerArr41Cine = 12,
  kSpeakerArr41Music = 13,
  kSpeakerArr50 = 14,
  kSpeakerArr51 = 15,
  kSpeakerArr60Cine = 16,
  kSpeakerArr60Music = 17,
  kSpeakerArr61Cine = 18,
  kSpeakerArr61Music = 19,
  kSpeakerArr70Cine = 20,
  kSpeakerArr70Music = 21,
  kSpeakerArr71Cine = 22,
  kSpeakerArr71Music = 23,
  kSpeakerArr80Cine = 24,
  kSpeakerArr80Music = 25,
  kSpeakerArr81Cine = 26,
  kSpeakerArr81Music = 27,
  kSpeakerArr102 = 28,
  kNumSpeakerArr = 29,
};

enum VstSpeakerType : VstInt32 {
  kSpeakerM = 0,
  kSpeakerL = 1,
  kSpeakerR = 2,
  kSpeakerC = 3,
  kSpeakerLfe = 4,
  kSpeakerLs = 5,
  kSpeakerRs = 6,
  kSpeakerLc = 7,
  kSpeakerRc = 8,
  kSpeakerS = 9,
  kSpeakerCs = kSpeakerS,
  kSpeakerSl = 10,
  kSpeakerSr = 11,
  kSpeakerTm = 12,
  kSpeakerTfl = 13,
  kSpeakerTfc = 14,
  kSpeakerTfr = 15,
  kSpeakerTrl = 16,
  kSpeakerTrc = 17,
  kSpeakerTrr = 18,
  kSpeakerLfe2 = 19,
  kSpeakerUndefined = 0x7FFFFFFF,
};

enum VstProcessPrecision : VstInt32 {
  kVstProcessPrecision32 = 0,
  kVstProcessPrecision64 = 1,
};

enum VstProcessLevels : VstInt32 {
  kVstProcessLevelUnknown = 0,
  kVstProcessLevelUser = 1,
  kVstProcessLevelRealtime = 2,
  kVstProcessLevelPrefetch = 3,
  kVstProcessLevelOffline = 4,
};

enum VstAutomationStates : VstInt32 {
  kVstAutomationUnsupported = 0,
  kVstAutomationOff = 1,
  kVstAutomationRead = 2,
  kVstAutomationWrite = 3,
  kVstAutomationReadWrite = 4,
};

enum VstHostLanguage : VstInt32 {
  kVstLangEnglish = 1,
  kVstLangGerman = 2,
  kVstLangFrench = 3,
  kVstLangItalian = 4,
  kVstLangSpanish = 5,
  kVstLangJapanese = 6,
};

enum VstPanLawType : VstInt32 {
  kLinearPanLaw = 0,
  kEqualPowerPanLaw = 1,
};

enum VstParameterFlags : VstInt32 {
  kVstParameterIsSwitch = 1 << 0,
  kVstParameterUsesIntegerMinMax = 1 << 1,
  kVstParameterUsesFloatStep = 1 << 2,
  kVstParameterUsesIntStep = 1 << 3,
  kVstParameterSupportsDisplayIndex = 1 << 4,
  kVstParameterSupportsDisplayCategory = 1 << 5,
  kVstParameterCanRamp = 1 << 6,
};

enum VstMidiProgramNameFlags : VstInt32 {
  kMidiIsOmni = 1,
};

enum VstModifierKey : unsigned char {
  MODIFIER_SHIFT = 1 << 0,
  MODIFIER_ALTERNATE = 1 << 1,
  MODIFIER_COMMAND = 1 << 2,
  MODIFIER_CONTROL = 1 << 3,
};

// --- events ----------------------------------------------------------------------

struct VstEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;  // offset into the block that follows effProcessEvents
  VstInt32 flags;
  char data[16];
};

// Senders put 32 in byteSize; some hosts send 24, so readers dispatch on type only.
struct VstMidiEvent {
  VstInt32 type;  // kVstMidiType
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;  // kVstMidiEventIsRealtime
  VstInt32 noteLength;
  VstInt32 noteOffset;
  char midiData[4];  // status, data1, data2, 0 (plain char is signed: read as unsigned)
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstMidiSysexEvent {
  VstInt32 type;  // kVstSysExType
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 dumpBytes;
  VstIntPtr resvd1;
  char* sysexDump;
  VstIntPtr resvd2;
};

// The pointer array really holds numEvents entries; two are declared.
struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];
};

// --- time -------------------------------------------------------------------------

struct VstTimeInfo {
  double samplePos;   // always valid
  double sampleRate;  // always valid
  double nanoSeconds;
  double ppqPos;  // quarter notes
  double tempo;   // beats per minute
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock;
  VstInt32 flags;
};

// --- editor, pins, speakers --------------------------------------------------------

struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct VstPinProperties {
  char label[kVstMaxLabelLen];
  VstInt32 flags;
  VstInt32 arrangementType;
  char shortLabel[kVstMaxShortLabelLen];
  char future[48];
};

struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[kVstMaxNameLen];
  VstInt32 type;
  char future[28];
};

// Declared with room for 8 speakers, but the array really has numChannels
// entries: an arrangement of n channels needs VstSpeakerArrangementSize(n) bytes.
struct VstSpeakerArrangement {
  VstInt32 type;
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};

constexpr size_t VstSpeakerArrangementSize(int channels) {
  return offsetof(VstSpeakerArrangement, speakers) +
         sizeof(VstSpeakerProperties) * static_cast<size_t>(channels > 8 ? channels : 8);
}

// --- MIDI names, parameter properties, patches, keys, variable I/O ------------------

struct MidiKeyName {
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[kVstMaxNameLen];
  VstInt32 reserved;
  VstInt32 flags;
};

struct MidiProgramName {
  VstInt32 thisProgramIndex;
  char name[kVstMaxNameLen];
  char midiProgram;
  char midiBankMsb;
  char midiBankLsb;
  char reserved;
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
};

struct MidiProgramCategory {
  VstInt32 thisCategoryIndex;
  char name[kVstMaxNameLen];
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
};

struct VstParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[kVstMaxLabelLen];
  VstInt32 flags;
  VstInt32 minInteger;
  VstInt32 maxInteger;
  VstInt32 stepInteger;
  VstInt32 largeStepInteger;
  char shortLabel[kVstMaxShortLabelLen];
  int16_t displayIndex;
  int16_t category;
  int16_t numParametersInCategory;
  int16_t reserved;
  char categoryLabel[kVstMaxCategLabelLen];
  char future[16];
};

struct VstPatchChunkInfo {
  VstInt32 version;
  VstInt32 pluginUniqueID;
  VstInt32 pluginVersion;
  VstInt32 numElements;
  char future[48];
};

struct VstKeyCode {
  VstInt32 character;
  unsigned char virt;
  unsigned char modifier;
};

struct VstVariableIo {
  float** inputs;
  float** outputs;
  VstInt32 numSamplesInput;
  VstInt32 numSamplesOutput;
  VstInt32* numSamplesInputProcessed;
  VstInt32* numSamplesOutputProcessed;
};

// --- layout checks for both word sizes ------------------------------------------------

namespace vst_abi_check {
constexpr bool kWide = sizeof(void*) == 8;
static_assert(sizeof(void*) == 8 || sizeof(void*) == 4, "only 32- and 64-bit targets");
static_assert(sizeof(VstIntPtr) == sizeof(void*));
static_assert(sizeof(AEffect) == (kWide ? 192 : 144));
static_assert(offsetof(AEffect, dispatcher) == (kWide ? 8 : 4));
static_assert(offsetof(AEffect, getParameter) == (kWide ? 32 : 16));
static_assert(offsetof(AEffect, numPrograms) == (kWide ? 40 : 20));
static_assert(offsetof(AEffect, flags) == (kWide ? 56 : 36));
static_assert(offsetof(AEffect, resvd1) == (kWide ? 64 : 40));
static_assert(offsetof(AEffect, resvd2) == (kWide ? 72 : 44));
static_assert(offsetof(AEffect, initialDelay) == (kWide ? 80 : 48));
static_assert(offsetof(AEffect, ioRatio) == (kWide ? 92 : 60));
static_assert(offsetof(AEffect, object) == (kWide ? 96 : 64));
static_assert(offsetof(AEffect, user) == (kWide ? 104 : 68));
static_assert(offsetof(AEffect, uniqueID) == (kWide ? 112 : 72));
static_assert(offsetof(AEffect, version) == (kWide ? 116 : 76));
static_assert(offsetof(AEffect, processReplacing) == (kWide ? 120 : 80));
static_assert(offsetof(AEffect, processDoubleReplacing) == (kWide ? 128 : 84));
static_assert(offsetof(AEffect, future) == (kWide ? 136 : 88));
static_assert(sizeof(VstEvents) == (kWide ? 32 : 16));
static_assert(offsetof(VstEvents, reserved) == (kWide ? 8 : 4));
static_assert(offsetof(VstEvents, events) == (kWide ? 16 : 8));
static_assert(sizeof(VstEvent) == 32);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, detune) == 28);
static_assert(sizeof(VstMidiSysexEvent) == (kWide ? 48 : 32));
static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16);
static_assert(offsetof(VstMidiSysexEvent, resvd1) == (kWide ? 24 : 20));
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == (kWide ? 32 : 24));
static_assert(offsetof(VstMidiSysexEvent, resvd2) == (kWide ? 40 : 28));
// Doubles are 8-aligned on x86-64 but only 4-aligned inside i386 structures.
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(alignof(VstTimeInfo) == (kWide ? 8 : 4));
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(ERect) == 8);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(sizeof(VstSpeakerArrangement) == 904);
static_assert(VstSpeakerArrangementSize(14) == 1576);
static_assert(sizeof(MidiKeyName) == 80);
static_assert(sizeof(MidiProgramName) == 80);
static_assert(sizeof(MidiProgramCategory) == 76);
static_assert(sizeof(VstParameterProperties) == 152);
static_assert(sizeof(VstPatchChunkInfo) == 64);
static_assert(sizeof(VstKeyCode) == 8);
static_assert(sizeof(VstVariableIo) == (kWide ? 40 : 24));
static_assert(offsetof(VstVariableIo, numSamplesInput) == (kWide ? 16 : 8));
static_assert(offsetof(VstVariableIo, numSamplesOutputProcessed) == (kWide ? 32 : 20));
static_assert(kEffectMagic == 0x56737450);
static_assert(kEffectIdentify == 0x4E764566);
}  // namespace vst_abi_check
