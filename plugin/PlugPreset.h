#pragma once
// One of the plug-in's preset slots: a name and one complete plug-in state as
// SaveState writes it (without chunk header).
#include <memory>
#include <string>
#include <vector>

#include "plugin/DataBlock.h"

constexpr int kPresetNameLength = 255;  // characters, terminator not counted

struct PlugPreset {
  bool initialized = false;
  std::string name = "empty";
  DataBlock state;
};

// A stored state decoded for IPlugBase::ReplayPrepared; each plug-in derives its own.
struct PreparedReplay {
  virtual ~PreparedReplay() = default;
};

// A bank of presets as read from the SerializePresets layout, before anything
// is applied (IPlugBase::ReadPresetBank).
struct PresetBankImage {
  // The presets read whole, from the first slot on (an uninitialized one
  // carries no state: its slot keeps the one it has).
  std::vector<PlugPreset> presets;
  // When asked for: each preset's state decoded for a replay, or null (one per preset).
  std::vector<std::unique_ptr<PreparedReplay>> replays;
  // Where the state of the next preset starts when it was cut short (its name
  // and flag were there), else -1.
  int brokenStateAt = -1;
  // The position after the last preset read, or -1.
  int end = -1;
};
