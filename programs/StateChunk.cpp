// The state block's header and its summary for the file browser (the
// instrument writes and reads the whole state: instrument/VornellState.cpp).
#include "programs/StateChunk.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "plugin/DataBlock.h"
#include "programs/ParameterTable.h"
#include "sequencer/Sequence.h"

namespace {

bool TagAt(const DataBlock& block, int position) {
  char tag[kStateTagSize];
  return position >= 0 && block.GetBytes(tag, kStateTagSize, position) >= 0 &&
         std::memcmp(tag, kStateTag, kStateTagSize) == 0;
}

}  // namespace

int SkipStateHeader(const DataBlock& block, int position) {
  if (!TagAt(block, position)) return position;
  int32_t index = 0;
  std::string name;
  position = block.GetInt32(&index, position + kStateTagSize);
  return block.GetText(&name, position);
}

std::string StatePresetName(const DataBlock& block, int position) {
  std::string name;
  int32_t index = 0;
  if (TagAt(block, position) && block.GetInt32(&index, position + kStateTagSize) >= 0)
    block.GetText(&name, position + kStateTagSize + 4);
  return name;
}

bool PutStateHeader(DataBlock& block, int32_t presetIndex, const std::string& presetName) {
  return block.PutBytes(kStateTag, kStateTagSize) && block.PutInt32(presetIndex) && block.PutText(presetName);
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
