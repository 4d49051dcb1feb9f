// The instrument's whole state: writing and reading the state block.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "instrument/Vornell.h"
#include "plugin/DataBlock.h"
#include "programs/ParameterTable.h"
#include "programs/StateChunk.h"
#include "sequencer/Sequence.h"

namespace {

// A stored value as a parameter takes it: a number that is not one counts as 0.
void SetStoredValue(PlugParam& param, double value) {
  if (std::isnan(value)) value = 0.0;
  param.SetValue(value);
}

// Whether applying parameter `index` in a state read leaves anything that the
// next whole read would not set again. Not so for plain settings (tunings,
// volumes, panoramas, transposition, the track and voice settings) nor for the
// program numbers, which a state read does not apply; nor for track Mode and
// Cycle, whose release of the track's voices finds them silenced already by
// this read's Mode. So: the Mode, the resolution, linking, the sequencer's
// speed and host sync, the track channels (the order in which tracks share a
// channel is their history), and the resonance, whose setting on a silent
// voice clears its filter or arms the filter's pre-roll for good.
bool LeavesTrace(int index) {
  if (index >= kParamFirstVoice) return VoiceParamSlot(index) == kVoiceFilterResonance;
  if (IsTrackParam(index)) return TrackParamSlot(index) == kTrackChannel;
  return index == kParamMode || index == kParamLinkPrograms || index == kParamResolution || index == kParamSpeed ||
         index == kParamSyncToHost;
}

// The parameters that LeavesTrace, in index order.
const std::vector<int>& TraceParams() {
  static const std::vector<int> list = [] {
    std::vector<int> indices;
    for (int i = 0; i < kNumParams; ++i)
      if (LeavesTrace(i)) indices.push_back(i);
    return indices;
  }();
  return list;
}

// A whole stored state, decoded: what ReplayPrepared sets.
struct DecodedState : PreparedReplay {
  std::array<std::string, Engine::kTrackCount> trackNames;
  Sequence sequences[2]{Sequence(Sequence::Unreserved()), Sequence(Sequence::Unreserved())};
  std::array<double, kNumParams> values{};
  int end = -1;  // the position after the state
};

}  // namespace

bool Vornell::SaveState(DataBlock& block) {
  PluginLock lock(Mutex());
  const int current = GetCurrentPresetIndex();
  bool ok = PutStateHeader(block, current, GetPreset(current) ? GetPresetName(current) : std::string());
  for (int t = 0; ok && t < Engine::kTrackCount; ++t) ok = block.PutText(engine.GetTrack(t).programName);
  for (int p = 0; ok && p < kProgramCount; ++p)
    ok = WriteProgramRecord(library.programs[static_cast<size_t>(p)], block);
  ok = ok && sequencer.SeqA().Serialize(block) && sequencer.SeqB().Serialize(block);
  for (int i = 0; ok && i < NumParams(); ++i) ok = block.PutDouble(GetParam(i)->Value());
  return ok;
}

// A block that ends early: everything read before the break is applied. Each
// library slot is either replaced by a whole record or keeps its program; a
// sequence that is not complete in the block is emptied, so no loop of the
// previous state plays with the new tracks and programs. The parameter at the
// break becomes 0 (clamped), those after it keep their values.
int Vornell::LoadState(const DataBlock& block, int position) {
  PluginLock lock(Mutex());
  const bool wasLoading = stateLoading;
  stateLoading = true;
  programs.SetLinkSuspended(true);

  // The preset index and name are not applied: the host names its presets itself.
  position = SkipStateHeader(block, position);

  for (int t = 0; t < Engine::kTrackCount; ++t) {
    Track& track = engine.GetTrack(t);
    track.armed = false;
    track.programModified = false;
    // Copied into the name's own storage (kStateTrackNameLength reserved):
    // a MIDI program change loads a state on the audio thread.
    const char* name = nullptr;
    size_t size = 0;
    position = block.GetTextView(&name, &size, position);
    if (position < 0) continue;
    track.programName.assign(name, std::min(size, static_cast<size_t>(kStateTrackNameLength)));
  }

  for (int p = 0; p < kProgramCount; ++p)
    position = ReadProgramRecord(library.programs[static_cast<size_t>(p)], block, position);

  for (Sequence* sequence : {&sequencer.SeqA(), &sequencer.SeqB()}) {
    if (position >= 0)
      position = sequence->Unserialize(block, position);
    else
      sequence->Clear();
  }

  for (int i = 0; i < NumParams() && position >= 0; ++i) {
    double value = 0.0;
    position = block.GetDouble(&value, position);
    SetStoredValue(*GetParam(i), position >= 0 ? value : 0.0);
  }
  ApplyReadParams(false);

  programs.SetLinkSuspended(false);
  stateLoading = wasLoading;
  panel.ReadSelectedParamValue();
  return position;
}

// Ahead of a whole state read, what a state read leaves behind is the engine's
// and the sequencer's history (Modes entered and left, channels taken and
// given back, the order of the tracks on a channel, the status line), the
// sequences that Modes look at, and one thing of the voices (LeavesTrace).
// The library and everything else the later read overwrites. The state is
// decoded first, as for a replay prepared before the lock is taken.
int Vornell::ReplayState(const DataBlock& block, int position) {
  const std::unique_ptr<PreparedReplay> decoded = PrepareReplay(block, position);
  // A bank's replays are of whole states only; any other is read as it stands.
  if (!decoded) return LoadState(block, position);
  ReplayPrepared(*decoded);
  return static_cast<const DecodedState&>(*decoded).end;
}

int Vornell::MeasureState(const DataBlock& block, int position) const {
  position = SkipStateHeader(block, position);
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    const char* name = nullptr;
    size_t size = 0;
    position = block.GetTextView(&name, &size, position);
  }
  for (int p = 0; p < kProgramCount; ++p) position = SkipProgramRecord(block, position);
  for (int s = 0; s < 2 && position >= 0; ++s) position = Sequence::SkipStored(block, position);
  for (int i = 0; i < NumParams() && position >= 0; ++i) {
    double value = 0.0;
    position = block.GetDouble(&value, position);
  }
  return position;
}

std::string Vornell::StoredPresetName(const DataBlock& block, int position) const {
  return StatePresetName(block, position);
}

bool Vornell::ComposeState(const DataBlock& block, int position, bool loaded, int current, const std::string& name,
                           const std::vector<double>& values, DataBlock& out) const {
  if (NumParams() != kNumParams || values.size() != static_cast<size_t>(kNumParams)) return false;
  const int start = SkipStateHeader(block, position);
  const int end = MeasureState(block, position);
  if (start < 0 || end <= 0) return false;
  bool ok = PutStateHeader(out, current, name);
  if (!loaded) {
    // The parameters close the state.
    ok = ok && out.PutBytes(block.Data() + start, end - kNumParams * 8 - start);
  } else {
    // Through what LoadState keeps of each part: a track name cut to its room,
    // a text to its first zero byte, a program record or a sequence in the
    // form SaveState writes.
    position = start;
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      const char* text = nullptr;
      size_t size = 0;
      position = block.GetTextView(&text, &size, position);
      if (position < 0) return false;
      ok = ok && out.PutText(std::string(text, std::min(size, static_cast<size_t>(kStateTrackNameLength))));
    }
    Program program;
    for (int p = 0; p < kProgramCount; ++p) {
      position = ReadProgramRecord(program, block, position);
      ok = ok && position >= 0 && WriteProgramRecord(program, out);
    }
    Sequence sequence{Sequence::Unreserved()};
    for (int s = 0; s < 2; ++s) {
      position = sequence.Unserialize(block, position);
      ok = ok && position >= 0 && sequence.Serialize(out);
    }
  }
  for (const double value : values) ok = ok && out.PutDouble(value);
  return ok;
}

std::unique_ptr<PreparedReplay> Vornell::PrepareReplay(const DataBlock& block, int position) const {
  if (NumParams() != kNumParams) return nullptr;
  auto decoded = std::make_unique<DecodedState>();
  position = SkipStateHeader(block, position);
  for (std::string& trackName : decoded->trackNames) {
    const char* name = nullptr;
    size_t size = 0;
    position = block.GetTextView(&name, &size, position);
    if (position < 0) return nullptr;
    trackName.assign(name, std::min(size, static_cast<size_t>(kStateTrackNameLength)));
  }
  for (int p = 0; p < kProgramCount; ++p) position = SkipProgramRecord(block, position);
  for (Sequence& sequence : decoded->sequences)
    if (position < 0 || (position = sequence.Unserialize(block, position)) < 0) return nullptr;
  for (double& value : decoded->values) {
    position = block.GetDouble(&value, position);
    if (position < 0) return nullptr;
    if (std::isnan(value)) value = 0.0;
  }
  decoded->end = position;
  return decoded;
}

void Vornell::ReplayPrepared(const PreparedReplay& prepared) {
  const DecodedState& state = static_cast<const DecodedState&>(prepared);
  PluginLock lock(Mutex());
  const bool wasLoading = stateLoading;
  stateLoading = true;
  programs.SetLinkSuspended(true);
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    Track& track = engine.GetTrack(t);
    track.armed = false;
    track.programModified = false;
    track.programName.assign(state.trackNames[static_cast<size_t>(t)]);
  }
  // Assigned, not swapped: the live sequences keep their reserve.
  sequencer.SeqA() = state.sequences[0];
  sequencer.SeqB() = state.sequences[1];
  for (int i = 0; i < kNumParams; ++i) GetParam(i)->SetValue(state.values[static_cast<size_t>(i)]);
  ApplyReadParams(true);
  programs.SetLinkSuspended(false);
  stateLoading = wasLoading;
  panel.ReadSelectedParamValue();
}

void Vornell::ApplyReadParams(bool replay) {
  // Every parameter reaches the engine in index order, but the Mode is entered
  // last, from Normal: switching Modes needs the new track channels (an
  // arpeggiator Mode needs a track on MIDI channel 6) and the new sequences,
  // and a switch between two non-Normal Modes would only reach Normal.
  PlugParam* mode = GetParam(kParamMode);
  const double storedMode = mode->Value();
  mode->SetValue(kModeNormal);
  // Applying the Calvara resolution masks the voice values; the stored low bits
  // are kept all the same (the engine masks them anyway), so that the state
  // reads back exactly as it was saved and keeps them for the extended resolution.
  double* voiceValues = loadedVoiceValues.data();
  for (int i = kParamFirstVoice; i < NumParams(); ++i) voiceValues[i - kParamFirstVoice] = GetParam(i)->Value();
  if (replay) {
    for (const int i : TraceParams()) OnParamChanged(i);
  } else {
    for (int i = 0; i < NumParams(); ++i) OnParamChanged(i);
  }
  for (int i = kParamFirstVoice; i < NumParams(); ++i) GetParam(i)->SetValue(voiceValues[i - kParamFirstVoice]);
  if (storedMode != 0.0) {
    mode->SetValue(storedMode);
    OnParamChanged(kParamMode);
    // A Mode that could not be entered leaves the parameter where the engine is.
    if (ModeValue() != engine.Mode()) mode->SetValue(engine.Mode());
  }
}
