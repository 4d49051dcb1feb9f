#pragma once
// One of the plug-in's preset slots: a name and one complete plug-in state as
// SaveState writes it (without chunk header).
#include <string>

#include "plugin/DataBlock.h"

constexpr int kPresetNameLength = 255;  // characters, terminator not counted

struct PlugPreset {
  bool initialized = false;
  std::string name = "empty";
  DataBlock state;
};
