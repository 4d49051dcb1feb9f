#pragma once
// The performance Modes ("Mode" parameter values) and what each one does, for
// every part that acts on them: the engine's note dispatch, the sequencer,
// the parameter table and the front panel.
#include <cstdint>

enum PerformanceMode : int32_t {
  kModeNormal = 0,
  kModeSequenceA = 1,
  kModeSequenceB = 2,
  kModeArpUpDown = 3,
  kModeArpAssign = 4,
  kModeStackA = 5,
  kModeStackB = 6,
};
constexpr int32_t kPerformanceModeCount = 7;

// Seq A or Seq B: a recorded loop plays.
constexpr bool IsSequenceMode(int32_t mode) {
  return mode == kModeSequenceA || mode == kModeSequenceB;
}
// Up/Down or Assign: the arpeggiator takes the keys of MIDI channel 6.
constexpr bool IsArpeggiatorMode(int32_t mode) {
  return mode == kModeArpUpDown || mode == kModeArpAssign;
}
// Stack A or Stack B: one key plays a stack of tracks.
constexpr bool IsStackMode(int32_t mode) {
  return mode == kModeStackA || mode == kModeStackB;
}
// The player runs: a sequence or the arpeggio pattern.
constexpr bool IsPlayerMode(int32_t mode) {
  return IsSequenceMode(mode) || IsArpeggiatorMode(mode);
}
// A stored value outside the Modes counts as Normal.
constexpr int32_t ValidPerformanceMode(int32_t mode) {
  return (mode < kModeNormal || mode > kModeStackB) ? kModeNormal : mode;
}
