#pragma once
// One plug-in instance's client of the microtuning master: registers with the
// master while it lives, gives each key its frequency and engine pitch, tells
// which note-ons the master wants ignored, and describes the current scale.
// Without a master (no library, or the master gone) a key's pitch is
// key × 128 pitch steps and nothing is filtered.
#include <array>
#include <cstdint>
#include <string>

#include "tuning/MtsClientGlobal.h"

// The engine's pitch scale: Hz of an integer pitch in 1/128 semitones above MIDI note 0.
using PitchToFrequencyFunction = double (*)(int32_t pitch);

// Equal temperament on the engine's pitch scale (440 Hz at pitch 69 × 128),
// for a client made without the engine's own function.
double EqualTemperedPitchToFrequency(int32_t pitch);

class TuningClient {
 public:
  static constexpr const char* kDefaultScaleName = "12-TET";
  static constexpr size_t kStatusTextLimit = 255;

  // Registers with the master when its library is loaded. pitchToFrequency is
  // the function NoteToPitch inverts; it should be the one the voices play
  // with, so that a master's frequency comes out exactly. Null selects
  // EqualTemperedPitchToFrequency. Plug-in construction.
  explicit TuningClient(PitchToFrequencyFunction pitchToFrequency, MtsClientGlobal& global = mtsclientglobal);
  // Deregisters. Plug-in destruction.
  ~TuningClient();

  TuningClient(const TuningClient&) = delete;
  TuningClient& operator=(const TuningClient&) = delete;

  bool IsTuningOnline() const { return global.IsTuningOnline(); }

  // The key's frequency in Hz (the key taken modulo 128). Audio thread.
  double NoteFrequency(int32_t note);
  // Whether the master asks to ignore a note-on of this key. Audio thread.
  bool IsNoteFiltered(int32_t note);
  // The note-on test of note dispatch: a master is online and filters the key. Audio thread.
  bool IsNoteOnFiltered(int32_t note) { return IsTuningOnline() && IsNoteFiltered(note & 127); }
  // The key's engine pitch: key × 128 without a master (any key, also beyond
  // 0..127); with one, the pitch in 0..17280 whose frequency is nearest the
  // master's for the key (beyond 0..127: for the key whole octaves inside,
  // moved by those octaves; about 17 evaluations of the pitch scale, which
  // must rise with the pitch). No allocation. Audio thread.
  int32_t NoteToPitch(int32_t note);

  // "Micro Tuning: " and the master's scale name, or empty without a master.
  // User-interface thread.
  std::string TuningStatusText() const;

 private:
  static constexpr char kNoChannel = static_cast<char>(255);

  MtsClientGlobal& global;
  PitchToFrequencyFunction pitchToFrequency;
  std::array<double, kTuningNoteCount> twelveToneTable{};
  char scaleName[17] = {};
  // The plug-in asks without a channel, so the multi-channel paths stay off;
  // the flags keep the order in which the master's protocol expects the calls.
  bool multiChannelFilterInUse = false;
  bool multiChannelTuningInUse = false;
  bool frequencyRequested = false;
};

// The same for callers that may have no client: key × 128 and the empty text then.
int32_t NoteToPitch(TuningClient* client, int32_t note);
std::string TuningStatusText(const TuningClient* client);
