#pragma once
// The instrument's whole state as one byte block: what the host keeps in a
// project, what each preset holds and what .fxp and .fxb files carry.
//
//   tag "Vornell_1.0.0" (13 bytes), current preset index (int32), its name (text),
//   six track program names (texts), 100 program records, Seq A, Seq B,
//   303 parameter values (doubles).
//
// Blocks written before the tag existed start directly with the track names.
// Vornell::SaveState / LoadState (programs/StateChunk.cpp) write and apply it;
// the summary reader below only looks at it.
#include <optional>
#include <string>
#include <vector>

#include "programs/Program.h"

class DataBlock;

constexpr const char kStateTag[] = "Vornell_1.0.0";
constexpr int kStateTagSize = 13;
// Longest track program name taken from a state.
constexpr int kStateTrackNameLength = 64;
constexpr int kStateTrackCount = 6;

// How the instrument's constructor fills its presets.
struct VornellStartup {
  // False: the presets stay uninitialized and the live state is the plain
  // default set-up (the built-in bank's generator starts from there).
  bool loadPresetBank = true;
  // When set, used instead of the configured startup bank path.
  std::optional<std::string> startupBankPath;
};

// For the preset browser; applies nothing. Appends to `tracks` one Program per
// track (number = track index, name = its program name, values = the track's
// 37 voice parameters, truncated to bytes) and to `programs` the 100 library
// programs. Returns the position after the state, or -1 when it ended early
// (what was read stays appended; values not read stay 0).
int ReadStateSummary(const DataBlock& block, int position, std::vector<Program>& tracks,
                     std::vector<Program>& programs);

// Position after the tag, preset index and preset name when the tag stands at
// `position`; `position` itself otherwise (an older block). -1 when the tag is
// there but the fields after it are not.
int SkipStateHeader(const DataBlock& block, int position);
// The preset name of the header at `position`; empty for an older block.
std::string StatePresetName(const DataBlock& block, int position);
// Appends the tag, the preset index and the preset name; false when the block
// cannot grow.
bool PutStateHeader(DataBlock& block, int32_t presetIndex, const std::string& presetName);
