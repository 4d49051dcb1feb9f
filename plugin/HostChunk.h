#pragma once
// The chunk both host adapters exchange with their hosts: the chunk header,
// the presets (IPlugBase::SerializePresets), kCurrentPresetTag and the index of
// the current preset; or, in the older program form (without the header, or
// asked for as one program), one state and the current preset's name.
//
// A chunk is read and checked without the plug-in lock, so that the audio
// thread runs on meanwhile (IPlugBase::ReadBankChunk, ReadProgramChunk), and
// applied under it only when the whole chunk was good (ApplyHostChunk).
#include <cstdint>
#include <string>

#include "plugin/PlugPreset.h"

// Ends a bank chunk, followed by the current preset's index, so that a restored
// project comes back on the preset it was saved on. Readers of the presets stop
// before it, so older readers simply ignore it. The LV2 state is the same
// chunk, so a state moves between the two modules.
constexpr int32_t kCurrentPresetTag = 0x70727563;  // "curp"

struct HostChunkImage {
  bool bank = false;
  // A bank: its presets, and the preset it was saved on when the index is
  // stored and valid (else -1).
  PresetBankImage presets;
  int selectIndex = -1;
  // A program: where its state starts and ends (-1: cut short), and the
  // preset name after it.
  int stateAt = -1;
  int stateEnd = -1;
  bool named = false;
  std::string name;
  // The position after what was read; -1 when the chunk is refused.
  int end = -1;
};
