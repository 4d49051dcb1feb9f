#include "tuning/TuningClient.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The range a master's frequency is mapped into: the engine's pitch tables.
constexpr int32_t kLowestTunedPitch = 0;
constexpr int32_t kHighestTunedPitch = 17280;

int32_t UntunedPitch(int32_t note) {
  // Multiplication, not a shift, and clamped: a key transposed far out of
  // range must not overflow.
  const int64_t pitch = int64_t{note} * 128;
  return static_cast<int32_t>(
      std::clamp<int64_t>(pitch, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

double EqualTemperedPitchToFrequency(int32_t pitch) {
  return 440.0 * std::exp2((pitch - 69.0 * 128.0) / 1536.0);
}

TuningClient::TuningClient(PitchToFrequencyFunction pitchToFrequency, MtsClientGlobal& global)
    : global(global), pitchToFrequency(pitchToFrequency != nullptr ? pitchToFrequency : EqualTemperedPitchToFrequency) {
  for (int32_t i = 0; i < kTuningNoteCount; ++i) {
    twelveToneTable[static_cast<size_t>(i)] = 440.0 * std::pow(2.0, (i - 69) / 12.0);
  }
  std::strncpy(scaleName, kDefaultScaleName, sizeof scaleName - 1);
  if (global.MTS_RegisterClient != nullptr) global.MTS_RegisterClient();
}

TuningClient::~TuningClient() {
  if (global.MTS_DeregisterClient != nullptr) global.MTS_DeregisterClient();
}

double TuningClient::NoteFrequency(int32_t note) {
  const size_t key = static_cast<size_t>(note & 127);
  multiChannelTuningInUse = false;
  frequencyRequested = true;
  if (!IsTuningOnline()) return twelveToneTable[key];
  const double* channelTable = global.channelTuningTables[static_cast<size_t>(kNoChannel & 15)];
  if (multiChannelFilterInUse && multiChannelTuningInUse && global.MTS_UseMultiChannelTuning != nullptr &&
      global.MTS_UseMultiChannelTuning(kNoChannel) && channelTable != nullptr) {
    return channelTable[key];
  }
  return global.tuningTable[key];
}

bool TuningClient::IsNoteFiltered(int32_t note) {
  const char key = static_cast<char>(note & 127);
  multiChannelFilterInUse = false;
  if (!frequencyRequested) multiChannelTuningInUse = false;
  if (!IsTuningOnline()) return false;
  if (multiChannelFilterInUse && multiChannelTuningInUse && global.MTS_UseMultiChannelTuning != nullptr &&
      global.MTS_UseMultiChannelTuning(kNoChannel)) {
    return global.MTS_ShouldFilterNoteMultiChannel != nullptr &&
           global.MTS_ShouldFilterNoteMultiChannel(key, kNoChannel);
  }
  return global.MTS_ShouldFilterNote != nullptr && global.MTS_ShouldFilterNote(key, kNoChannel);
}

int32_t TuningClient::NoteToPitch(int32_t note) {
  if (!IsTuningOnline()) return UntunedPitch(note);
  // A key transposed beyond the master's 128 keys takes the tuning of the key
  // whole octaves inside, moved by those octaves: wrapped into the range, it
  // would sound about ten octaves off.
  const int64_t key = note;
  const int64_t octaves = key > 127 ? (key - 116) / 12 : key < 0 ? -((11 - key) / 12) : 0;
  const double target = std::ldexp(NoteFrequency(static_cast<int32_t>(key - 12 * octaves)),
                                   static_cast<int>(std::clamp<int64_t>(octaves, -64, 64)));
  // A master's value that is no frequency at all plays the key untuned.
  if (std::isnan(target)) return UntunedPitch(note);

  // Bisection over the monotonic pitch scale, then the nearer of the two
  // pitches around the target (by frequency ratio, as the ear judges). Halving
  // a single step from the middle instead would drop the remainders of odd
  // steps and leave pitches unreachable, up to four steps off.
  int32_t low = kLowestTunedPitch;
  int32_t high = kHighestTunedPitch;
  double lowFrequency = pitchToFrequency(low);
  if (!(target > lowFrequency)) return low;
  double highFrequency = pitchToFrequency(high);
  if (!(target < highFrequency)) return high;
  while (high - low > 1) {
    const int32_t middle = low + (high - low) / 2;
    const double frequency = pitchToFrequency(middle);
    if (frequency <= target) {
      low = middle;
      lowFrequency = frequency;
    } else {
      high = middle;
      highFrequency = frequency;
    }
  }
  return target / lowFrequency <= highFrequency / target ? low : high;
}

std::string TuningClient::TuningStatusText() const {
  if (!IsTuningOnline()) return {};
  const char* name = scaleName;
  if (global.MTS_GetScaleName != nullptr) {
    // A master that has no name to give is treated as one without the entry point.
    const char* masterName = global.MTS_GetScaleName();
    if (masterName != nullptr) name = masterName;
  }
  std::string text = "Micro Tuning: ";
  text.append(name, strnlen(name, kStatusTextLimit));
  if (text.size() > kStatusTextLimit) text.resize(kStatusTextLimit);
  return text;
}

int32_t NoteToPitch(TuningClient* client, int32_t note) {
  return client != nullptr ? client->NoteToPitch(note) : UntunedPitch(note);
}

std::string TuningStatusText(const TuningClient* client) {
  return client != nullptr ? client->TuningStatusText() : std::string();
}
