// Vornell's whole state: writing, reading and summarizing the state block.
#include "programs/StateChunk.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "plugin/DataBlock.h"
#include "plugin/Vornell.h"
#include "programs/ParameterTable.h"
#include "sequencer/Sequence.h"

namespace {

bool TagAt(const DataBlock& block, int position) {
  char tag[kStateTagSize];
  return position >= 0 && block.GetBytes(tag, kStateTagSize, position) >= 0 &&
         std::memcmp(tag, kStateTag, kStateTagSize) == 0;
}

// A stored value as a parameter takes it: a number that is not one counts as 0.
void SetStoredValue(PlugParam& param, double value) {
  if (std::isnan(value)) value = 0.0;
  param.SetValue(value);
}

}  // namespace

int SkipStateHeader(const DataBlock& block, int position) {
  if (!TagAt(block, position)) return position;
  int32_t index = 0;
  std::string name;
  position = block.GetInt32(&index, position + kStateTagSize);
  return block.GetText(&name, position);
}

bool Vornell::SaveState(DataBlock& block) {
  PluginLock lock(Mutex());
  const int current = GetCurrentPresetIndex();
  bool ok = block.PutBytes(kStateTag, kStateTagSize) && block.PutInt32(current) &&
            block.PutText(GetPreset(current) ? GetPresetName(current) : std::string());
  for (int t = 0; ok && t < Engine::kTrackCount; ++t) ok = block.PutText(engine.GetTrack(t).programName);
  for (int p = 0; ok && p < kProgramCount; ++p)
    ok = WriteProgramRecord(library.programs[static_cast<size_t>(p)], block);
  ok = ok && seqA.Serialize(block) && seqB.Serialize(block);
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
  linkSuspended = true;

  // The preset index and name are not applied: the host names its presets itself.
  position = SkipStateHeader(block, position);

  for (int t = 0; t < Engine::kTrackCount; ++t) {
    Track& track = engine.GetTrack(t);
    track.armed = false;
    track.programModified = false;
    std::string name;
    position = block.GetText(&name, position);
    if (position < 0) continue;
    if (name.size() > static_cast<size_t>(kStateTrackNameLength)) name.resize(kStateTrackNameLength);
    track.programName = name;
  }

  for (int p = 0; p < kProgramCount; ++p)
    position = ReadProgramRecord(library.programs[static_cast<size_t>(p)], block, position);

  for (Sequence* sequence : {&seqA, &seqB}) {
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
  for (int i = 0; i < NumParams(); ++i) OnParamChanged(i);
  for (int i = kParamFirstVoice; i < NumParams(); ++i) GetParam(i)->SetValue(voiceValues[i - kParamFirstVoice]);
  if (storedMode != 0.0) {
    mode->SetValue(storedMode);
    OnParamChanged(kParamMode);
    // A Mode that could not be entered leaves the parameter where the engine is.
    if (ModeValue() != engine.Mode()) mode->SetValue(engine.Mode());
  }

  linkSuspended = false;
  stateLoading = wasLoading;
  panel.ReadSelectedParamValue();
  return position;
}

int ReadStateSummary(const DataBlock& block, int position, std::vector<Program>& tracks,
                     std::vector<Program>& programs) {
  position = SkipStateHeader(block, position);
  const size_t firstTrack = tracks.size();
  for (int t = 0; t < kStateTrackCount; ++t) {
    Program entry;
    entry.number = static_cast<uint8_t>(t);
    position = block.GetText(&entry.name, position);
    tracks.push_back(entry);
  }
  for (int p = 0; p < kProgramCount; ++p) {
    Program program;
    position = ReadProgramRecord(program, block, position);
    programs.push_back(program);
  }
  Sequence scratch;
  position = scratch.Unserialize(block, position);
  position = scratch.Unserialize(block, position);
  for (int i = 0; i < kParamFirstVoice && position >= 0; ++i) {
    double skipped = 0.0;
    position = block.GetDouble(&skipped, position);
  }
  for (int t = 0; t < kStateTrackCount && position >= 0; ++t) {
    for (int k = 0; k < kVoiceParamCount && position >= 0; ++k) {
      double value = 0.0;
      position = block.GetDouble(&value, position);
      if (position < 0) break;
      // Integer part as one byte; anything that is not a number gives 0.
      const double whole = std::isfinite(value) ? std::trunc(value) : 0.0;
      const int64_t wide = (whole > -1e15 && whole < 1e15) ? static_cast<int64_t>(whole) : 0;
      tracks[firstTrack + static_cast<size_t>(t)].values[static_cast<size_t>(k)] = static_cast<uint8_t>(wide & 0xff);
    }
  }
  return position;
}
