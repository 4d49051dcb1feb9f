#include "programs/ParameterTable.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/IPlugBase.h"

const uint8_t kVoiceParamShift[kVoiceParamCount] = {0, 3, 4, 0, 4, 0, 4, 4, 4, 4, 0, 0, 0, 2, 0, 4, 3, 0, 3,
                                                    1, 2, 4, 0, 4, 4, 4, 4, 0, 6, 2, 4, 4, 4, 4, 4, 0, 0};

const uint8_t kVoiceParamDefault[kVoiceParamCount] = {24,  0, 0, 0, 0, 0, 0, 0, 0, 0,   1, 0, 0, 128, 0, 0,   0, 0, 0,
                                                      255, 0, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 255, 0, 255, 0, 0};

namespace {

enum class Low { None, Bits7, Bits6, Bits5, Bits4, Bits2 };

struct VoiceParamDefinition {
  const char* name;
  ParamKind kind;
  int max;  // integer parameters; switches and lists take their own range
  const char* const* texts;
  int textCount;
  Low low;
};

const char* const kNormInvert[] = {"Norm", "Invert"};
const char* const kLfoShapes[] = {"Triangle", "Rectangle"};
const char* const kVoiceModes[] = {"Single", "Unison"};

constexpr ParamKind I = ParamKind::Integer;
constexpr ParamKind S = ParamKind::Switch;
constexpr ParamKind L = ParamKind::List;

const VoiceParamDefinition kVoiceParams[kVoiceParamCount] = {
    {"Coarse Frequency", I, 48, nullptr, 0, Low::None},
    {"Fine Frequency", I, 255, nullptr, 0, Low::Bits5},
    {"Glide Rate", I, 255, nullptr, 0, Low::Bits4},
    {"LFO to OSC", S, 1, nullptr, 0, Low::None},
    {"OSC Env Amount", I, 255, nullptr, 0, Low::Bits4},
    {"OSC Env Invert", L, 1, kNormInvert, 2, Low::None},
    {"OSC Env Attack", I, 255, nullptr, 0, Low::Bits4},
    {"OSC Env Decay", I, 255, nullptr, 0, Low::Bits4},
    {"OSC Env Sustain", I, 255, nullptr, 0, Low::Bits4},
    {"OSC Env Release", I, 255, nullptr, 0, Low::Bits4},
    {"OSC Sawtooth", S, 1, nullptr, 0, Low::None},
    {"OSC Triangle", S, 1, nullptr, 0, Low::None},
    {"OSC Pulse", S, 1, nullptr, 0, Low::None},
    {"OSC Pulse Width", I, 255, nullptr, 0, Low::Bits6},
    {"OSC LFO to PW", S, 1, nullptr, 0, Low::None},
    {"LFO Frequency", I, 255, nullptr, 0, Low::Bits4},
    {"LFO Amount", I, 255, nullptr, 0, Low::Bits5},
    {"LFO Shape", L, 1, kLfoShapes, 2, Low::None},
    {"OSC/Noise Mixer", I, 255, nullptr, 0, Low::Bits5},
    {"Filter Cutoff", I, 255, nullptr, 0, Low::Bits7},
    {"Filter Resonance", I, 255, nullptr, 0, Low::Bits6},
    {"Filter Env Amount", I, 255, nullptr, 0, Low::Bits4},
    {"Filter Env Invert", L, 1, kNormInvert, 2, Low::None},
    {"Filter Env Attack", I, 255, nullptr, 0, Low::Bits4},
    {"Filter Env Decay", I, 255, nullptr, 0, Low::Bits4},
    {"Filter Env Sustain", I, 255, nullptr, 0, Low::Bits4},
    {"Filter Env Release", I, 255, nullptr, 0, Low::Bits4},
    {"LFO to Filter", S, 1, nullptr, 0, Low::None},
    {"Filter Key Track", I, 128, nullptr, 0, Low::Bits2},
    {"Filter Osc Mod Amount", I, 255, nullptr, 0, Low::Bits6},
    {"Amp Env Attack", I, 255, nullptr, 0, Low::Bits4},
    {"Amp Env Decay", I, 255, nullptr, 0, Low::Bits4},
    {"Amp Env Sustain", I, 255, nullptr, 0, Low::Bits4},
    {"Amp Env Release", I, 255, nullptr, 0, Low::Bits4},
    {"Voice Volume", I, 255, nullptr, 0, Low::Bits4},
    {"Voice Mode", L, 1, kVoiceModes, 2, Low::None},
    {"Amp Velocity", I, 255, nullptr, 0, Low::None},
};

const char* const kModeNames[] = {"Normal",  "Sequence A", "Sequence B", "Arpeggiator Up/Down", "Arpeggiator Assign",
                                  "Stack A", "Stack B"};
const char* const kResolutionNames[] = {"Calvara", "Extended"};
const char* const kChannelNames[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",   "9",
                                     "10", "11", "12", "13", "14", "15", "16", "All", "X"};
const char* const kTrackModeNames[] = {"Monophonic", "Polyphonic", "Legato"};
const char* const kNoteValueNames[] = {"1/1",   "1/2.", "1/2",  "1/4",   "1/8.",  "1/4T", "1/8",
                                       "1/16.", "1/8T", "1/16", "1/32.", "1/16T", "1/32", "1/64"};
constexpr int kNoteValueCount = 14;

// A name with "%i" replaced by the track number, at most 31 characters.
std::string TrackName(const char* pattern, int track) {
  const char* at = std::strstr(pattern, "%i");
  std::string name;
  if (at) {
    name.assign(pattern, static_cast<size_t>(at - pattern));
    name += std::to_string(track + 1);
    name += at + 2;
  } else {
    name = pattern;
  }
  if (name.size() > static_cast<size_t>(kParamTextSize - 1)) name.resize(kParamTextSize - 1);
  return name;
}

// (value >> shift) & mask of the value truncated to an integer, printed as "%u".
void DisplayBits(double value, int shift, unsigned mask, char* text, int size) {
  double whole = std::trunc(std::isnan(value) ? 0.0 : value);
  if (whole < INT32_MIN) whole = INT32_MIN;
  if (whole > INT32_MAX) whole = INT32_MAX;
  const unsigned bits = (static_cast<unsigned>(static_cast<int32_t>(whole)) >> shift) & mask;
  FormatInteger(bits, text, size);
}

// The inverse of DisplayBits: the shown bits back in their place.
template <int Shift>
bool ReadBits(const char* text, double* value) {
  double bits = 0.0;
  if (!ReadNumber(text, &bits)) return false;
  *value = bits * (1 << Shift);
  return true;
}

ParamReadFunction LowRead(Low low) {
  switch (low) {
    case Low::Bits7:
      return ReadBits<1>;
    case Low::Bits6:
      return ReadBits<2>;
    case Low::Bits5:
      return ReadBits<3>;
    case Low::Bits4:
      return ReadBits<4>;
    case Low::Bits2:
      return ReadBits<6>;
    case Low::None:
      break;
  }
  return nullptr;
}

ParamDisplayFunction LowDisplay(Low low) {
  switch (low) {
    case Low::Bits7:
      return DisplayBits7;
    case Low::Bits6:
      return DisplayBits6;
    case Low::Bits5:
      return DisplayBits5;
    case Low::Bits4:
      return DisplayBits4;
    case Low::Bits2:
      return DisplayBits2;
    case Low::None:
      break;
  }
  return nullptr;
}

}  // namespace

int MaskVoiceValue(int k, int value) {
  if (k < 0 || k >= kVoiceParamCount) return value & 255;
  return value & (255 << kVoiceParamShift[k]) & 255;
}

VoiceDisplayFunction VoiceLowDisplay(int k) {
  if (k < 0 || k >= kVoiceParamCount) return nullptr;
  return LowDisplay(kVoiceParams[k].low);
}

VoiceReadFunction VoiceLowRead(int k) {
  if (k < 0 || k >= kVoiceParamCount) return nullptr;
  return LowRead(kVoiceParams[k].low);
}

void DisplayLevel(double value, char* text, int size) {
  if (!(value > 0.0)) {
    CopyText("-oo", text, size);
    return;
  }
  FormatFixed(20.0 * std::log10(value), 1, text, size);
}

void DisplayBalance(double value, char* text, int size) {
  char left[32];
  char right[32];
  FormatFixed(100.0 - 100.0 * value, 0, left, sizeof(left));
  FormatFixed(100.0 * value, 0, right, sizeof(right));
  std::string both = std::string(left) + ":" + right;
  CopyText(both.c_str(), text, size);
}

void DisplayCents(double value, char* text, int size) {
  FormatFixed(100.0 * value, 0, text, size);
}

void DisplayNoteValue(double value, char* text, int size) {
  double position = std::round((value - 12.0) / 468.0 * 13.0);  // halves away from zero
  int index = 0;
  if (position >= kNoteValueCount - 1) {
    index = kNoteValueCount - 1;
  } else if (position > 0.0) {
    index = static_cast<int>(position);
  }
  CopyText(kNoteValueNames[index], text, size);
}

void DisplayBits7(double value, char* text, int size) {
  DisplayBits(value, 1, 127, text, size);
}
void DisplayBits6(double value, char* text, int size) {
  DisplayBits(value, 2, 63, text, size);
}
void DisplayBits5(double value, char* text, int size) {
  DisplayBits(value, 3, 31, text, size);
}
void DisplayBits4(double value, char* text, int size) {
  DisplayBits(value, 4, 15, text, size);
}
void DisplayBits2(double value, char* text, int size) {
  DisplayBits(value, 6, 3, text, size);
}

bool ReadLevel(const char* text, double* value) {
  while (*text == ' ') ++text;
  if (std::strncmp(text, "-oo", 3) == 0) {
    *value = 0.0;
    return true;
  }
  double decibels = 0.0;
  if (!ReadNumber(text, &decibels)) return false;
  *value = std::pow(10.0, decibels / 20.0);
  return true;
}

bool ReadBalance(const char* text, double* value) {
  // "75:25"; a bare number is the plain value, read by the caller.
  double left = 0.0, right = 0.0;
  const char* end = nullptr;
  if (!ReadNumber(text, &left, &end)) return false;
  while (*end == ' ') ++end;
  if (*end != ':') return false;
  *value = ReadNumber(end + 1, &right) ? right / 100.0 : (100.0 - left) / 100.0;
  return true;
}

bool ReadCents(const char* text, double* value) {
  double cents = 0.0;
  if (!ReadNumber(text, &cents)) return false;
  *value = cents / 100.0;
  return true;
}

bool ReadNoteValue(const char* text, double* value) {
  // Any other text is the plain speed, read by the caller.
  for (int i = 0; i < kNoteValueCount; ++i) {
    if (std::strcmp(text, kNoteValueNames[i]) == 0) {
      *value = 12.0 + 36.0 * i;  // the middle of its span on the display
      return true;
    }
  }
  return false;
}

namespace {

void DefineTable(std::vector<PlugParam>& table) {
  auto param = [&table](int index) { return &table[static_cast<size_t>(index)]; };

  param(kParamMasterTune)->DefineContinuous("Master Tune", 0.0, -1.0, 1.0, 0.01);
  param(kParamMasterTune)->SetDisplayFunction(DisplayCents, ReadCents);
  param(kParamPitchBend)->DefineInteger("Pitch Bend", 4, -12, 12);
  param(kParamWheelToLfo)->DefineContinuous("Wheel to LFO", 1.0, 0.0, 1.0, 0.01);
  param(kParamMasterVolume)->DefineContinuous("Master Volume", 0.5, 0.0, 1.0, 0.01);
  param(kParamMasterVolume)->SetDisplayFunction(DisplayLevel, ReadLevel);
  param(kParamMode)->DefineList("Mode", 0, 7, kModeNames);
  param(kParamLinkPrograms)->DefineSwitch("Link Programs", 1);
  param(kParamResolution)->DefineList("Param. Resolution", 0, 2, kResolutionNames);

  for (int t = 0; t < kParamTrackCount; ++t) {
    param(ProgramParamIndex(kProgramSetTrack, t))->DefineInteger(TrackName("Track Prg %i", t).c_str(), 0, 0, 99);
    param(ProgramParamIndex(kProgramSetSeqA, t))->DefineInteger(TrackName("Seq A Prg %i", t).c_str(), 100, 0, 100);
    param(ProgramParamIndex(kProgramSetSeqB, t))->DefineInteger(TrackName("Seq B Prg %i", t).c_str(), 100, 0, 100);
    param(ProgramParamIndex(kProgramSetStackA, t))->DefineInteger(TrackName("Stack A Prg %i", t).c_str(), 0, 0, 99);
    param(ProgramParamIndex(kProgramSetStackB, t))->DefineInteger(TrackName("Stack B Prg %i", t).c_str(), 0, 0, 99);
  }

  for (int t = 0; t < kParamTrackCount; ++t) {
    param(TrackParamIndex(t, kTrackChannel))
        ->DefineList(TrackName("Track %i MIDI Channel", t).c_str(), kChannelAll, 18, kChannelNames);
    param(TrackParamIndex(t, kTrackMode))->DefineList(TrackName("Track %i Mode", t).c_str(), 0, 3, kTrackModeNames);
    param(TrackParamIndex(t, kTrackCycle))->DefineSwitch(TrackName("Track %i Cycle", t).c_str(), 1);
    param(TrackParamIndex(t, kTrackTune))
        ->DefineContinuous(TrackName("Track %i Tune", t).c_str(), 0.0, -1.0, 1.0, 0.01);
    param(TrackParamIndex(t, kTrackTranspose))->DefineInteger(TrackName("Track %i Transpose", t).c_str(), 0, -24, 24);
    PlugParam* volume = param(TrackParamIndex(t, kTrackVolume));
    volume->DefineContinuous(TrackName("Track %i Volume", t).c_str(), 1.0, 0.0, 2.0, 0.01);
    volume->SetDisplayFunction(DisplayLevel, ReadLevel);
    PlugParam* pan = param(TrackParamIndex(t, kTrackPanorama));
    pan->DefineContinuous(TrackName("Track %i Panorama", t).c_str(), 0.5, 0.0, 1.0, 0.01);
    pan->SetDisplayFunction(DisplayBalance, ReadBalance);
  }

  param(kParamSpeed)->DefineContinuous("Speed", 120.0, 12.0, 480.0, 1.0);
  param(kParamSyncToHost)->DefineSwitch("Sync to Host", 0);

  for (int t = 0; t < kParamTrackCount; ++t) {
    for (int k = 0; k < kVoiceParamCount; ++k) {
      const VoiceParamDefinition& def = kVoiceParams[k];
      const std::string name = TrackName("(%i) ", t) + def.name;
      PlugParam* p = param(VoiceParamIndex(t, k));
      switch (def.kind) {
        case ParamKind::Switch:
          p->DefineSwitch(name.c_str(), kVoiceParamDefault[k]);
          break;
        case ParamKind::List:
          p->DefineList(name.c_str(), kVoiceParamDefault[k], def.textCount, def.texts);
          break;
        default:
          p->DefineInteger(name.c_str(), kVoiceParamDefault[k], 0, def.max);
          break;
      }
    }
  }
}

}  // namespace

void DefineParameters(IPlugBase& plug) {
  if (plug.NumParams() < kNumParams) return;
  // Defined once per process: every instance shares the definitions (names,
  // ranges, texts) and keeps only its values and display functions.
  static const std::vector<PlugParam> table = [] {
    std::vector<PlugParam> params(kNumParams);
    DefineTable(params);
    return params;
  }();
  for (int i = 0; i < kNumParams; ++i) *plug.GetParam(i) = table[static_cast<size_t>(i)];
}

const char* ApplyParamResolution(IPlugBase& plug) {
  const PlugParam* resolution = plug.GetParam(kParamResolution);
  if (!resolution || plug.NumParams() < kNumParams) return "";
  const bool extended = resolution->Value() >= 0.5;
  for (int t = 0; t < kParamTrackCount; ++t)
    for (int k = 0; k < kVoiceParamCount; ++k)
      plug.GetParam(VoiceParamIndex(t, k))
          ->SetDisplayFunction(extended ? nullptr : VoiceLowDisplay(k), extended ? nullptr : VoiceLowRead(k));
  for (int t = 0; t < kParamTrackCount; ++t) {
    for (int k = 0; k < kVoiceParamCount; ++k) {
      const int index = VoiceParamIndex(t, k);
      int value = static_cast<int>(plug.GetParam(index)->Value()) & 255;
      if (!extended) value = MaskVoiceValue(k, value);
      plug.SetParameterFromEngine(index, value);
    }
  }
  return extended ? "Extended Param. Resolution" : "Low Param. Resolution";
}

void SetSpeedDisplay(IPlugBase& plug, bool syncedToHost) {
  if (PlugParam* speed = plug.GetParam(kParamSpeed))
    speed->SetDisplayFunction(syncedToHost ? DisplayNoteValue : nullptr, syncedToHost ? ReadNoteValue : nullptr);
}
