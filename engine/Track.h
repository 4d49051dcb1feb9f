#pragma once

#include <cstdint>
#include <string>

#include "engine/TrackLfo.h"

// One of the six tracks: where it listens, how it plays, its own pitch bend,
// modulation wheel, LFO, tune and output gains. Written by the engine's note
// dispatch and controller handling and by parameter application (under the
// plug-in lock); read by the voices that play for it.
struct Track {
  enum Mode : int32_t { kMonophonic = 0, kPolyphonic = 1, kLegato = 2 };
  static constexpr uint8_t kAllChannels = 16;
  static constexpr uint8_t kNoChannel = 17;
  static constexpr uint8_t kUnassigned = 255;

  TrackLfo lfo;
  std::string programName;        // never touched on the audio path
  uint8_t channel = kUnassigned;  // 0..15, 16 all, 17 none; a sequence-driven track holds its own index
  int32_t trackMode = kMonophonic;
  bool cycle = true;
  bool sequenceDriven = false;
  bool armed = false;
  // The sustain pedal of the channel it listens on is down: the track's
  // voices, also those it takes from the pool later, hold their notes.
  bool sustainPedal = false;
  bool programModified = false;
  int32_t transpose = 0;
  double tune = 0.0;  // pitch steps
  double bend = 0.0;  // pitch steps
  double modWheel = 0.0;
  double gainLeft = 0.0;
  double gainRight = 0.0;
  int32_t heldVoiceCount = 0;
  double volume = 1.0;
  double pan = 0.5;

  // Equal-power pan law from volume and pan.
  void UpdateGains();
};
