#pragma once
// The plug-in's 303 parameters: their indices, their definition, the two
// resolutions of the voice parameters and the display functions.
//
// Index layout:
//   0..6      global ("Master Tune" ... "Param. Resolution")
//   7..36     program numbers: 7 + 6 * set + t (set: Track, Seq A, Seq B, Stack A, Stack B)
//   37, 38    "Speed", "Sync to Host"
//   39..80    track parameters: 39 + 7 * t + j
//   81..302   voice parameters: 81 + 37 * t + k
//
// This header depends only on the standard library and the Mode vocabulary, so any
// part of the system may use the indices.
#include <cstdint>

#include "engine/PerformanceMode.h"

class IPlugBase;

constexpr int kNumParams = 303;
constexpr int kParamTrackCount = 6;
constexpr int kTrackParamCount = 7;
constexpr int kVoiceParamCount = 37;

// Global parameters.
enum GlobalParam : int {
  kParamMasterTune = 0,
  kParamPitchBend = 1,
  kParamWheelToLfo = 2,
  kParamMasterVolume = 3,
  kParamMode = 4,
  kParamLinkPrograms = 5,
  kParamResolution = 6,
  kParamFirstProgram = 7,
  kParamSpeed = 37,
  kParamSyncToHost = 38,
  kParamFirstTrack = 39,
  kParamFirstVoice = 81,
};

// The five sets of per-track program numbers, in index order.
enum ProgramSlotSet : int {
  kProgramSetTrack = 0,   // "Track Prg %i", 0..99
  kProgramSetSeqA = 1,    // "Seq A Prg %i", 0..100 (100: the track's own program)
  kProgramSetSeqB = 2,    // "Seq B Prg %i", 0..100
  kProgramSetStackA = 3,  // "Stack A Prg %i", 0..99
  kProgramSetStackB = 4,  // "Stack B Prg %i", 0..99
};
constexpr int kProgramSetCount = 5;
constexpr int kNoSequenceProgram = 100;

// Values of "Param. Resolution".
enum ResolutionValue : int { kResolutionCalvara = 0, kResolutionExtended = 1 };

// Track parameters, j in 39 + 7 * t + j.
enum TrackParam : int {
  kTrackChannel = 0,  // list "1".."16", "All" (16), "X" (17)
  kTrackMode = 1,     // "Monophonic", "Polyphonic", "Legato"
  kTrackCycle = 2,
  kTrackTune = 3,
  kTrackTranspose = 4,
  kTrackVolume = 5,
  kTrackPanorama = 6,
};
constexpr int kChannelAll = 16;
constexpr int kChannelNone = 17;

// Voice parameters, k in 81 + 37 * t + k; the order of a program's 37 values.
enum VoiceParam : int {
  kVoiceCoarseFrequency = 0,
  kVoiceFineFrequency = 1,
  kVoiceGlideRate = 2,
  kVoiceLfoToOsc = 3,
  kVoiceOscEnvAmount = 4,
  kVoiceOscEnvInvert = 5,
  kVoiceOscEnvAttack = 6,
  kVoiceOscEnvDecay = 7,
  kVoiceOscEnvSustain = 8,
  kVoiceOscEnvRelease = 9,
  kVoiceOscSawtooth = 10,
  kVoiceOscTriangle = 11,
  kVoiceOscPulse = 12,
  kVoiceOscPulseWidth = 13,
  kVoiceOscLfoToPw = 14,
  kVoiceLfoFrequency = 15,
  kVoiceLfoAmount = 16,
  kVoiceLfoShape = 17,
  kVoiceOscNoiseMixer = 18,
  kVoiceFilterCutoff = 19,
  kVoiceFilterResonance = 20,
  kVoiceFilterEnvAmount = 21,
  kVoiceFilterEnvInvert = 22,
  kVoiceFilterEnvAttack = 23,
  kVoiceFilterEnvDecay = 24,
  kVoiceFilterEnvSustain = 25,
  kVoiceFilterEnvRelease = 26,
  kVoiceLfoToFilter = 27,
  kVoiceFilterKeyTrack = 28,
  kVoiceFilterOscModAmount = 29,
  kVoiceAmpEnvAttack = 30,
  kVoiceAmpEnvDecay = 31,
  kVoiceAmpEnvSustain = 32,
  kVoiceAmpEnvRelease = 33,
  kVoiceVolume = 34,
  kVoiceMode = 35,
  kVoiceAmpVelocity = 36,
};

constexpr int ProgramParamIndex(int set, int track) {
  return kParamFirstProgram + 6 * set + track;
}
constexpr int TrackParamIndex(int track, int j) {
  return kParamFirstTrack + kTrackParamCount * track + j;
}
constexpr int VoiceParamIndex(int track, int k) {
  return kParamFirstVoice + kVoiceParamCount * track + k;
}

constexpr bool IsProgramParam(int index) {
  return index >= kParamFirstProgram && index < kParamSpeed;
}
constexpr bool IsTrackParam(int index) {
  return index >= kParamFirstTrack && index < kParamFirstVoice;
}
constexpr bool IsVoiceParam(int index) {
  return index >= kParamFirstVoice && index < kNumParams;
}
// For a program parameter: its set and track.
constexpr int ProgramParamSet(int index) {
  return (index - kParamFirstProgram) / 6;
}
constexpr int ProgramParamTrack(int index) {
  return (index - kParamFirstProgram) % 6;
}
// For a track parameter: its track and j.
constexpr int TrackParamTrack(int index) {
  return (index - kParamFirstTrack) / kTrackParamCount;
}
constexpr int TrackParamSlot(int index) {
  return (index - kParamFirstTrack) % kTrackParamCount;
}
// For a voice parameter: its track and k.
constexpr int VoiceParamTrack(int index) {
  return (index - kParamFirstVoice) / kVoiceParamCount;
}
constexpr int VoiceParamSlot(int index) {
  return (index - kParamFirstVoice) % kVoiceParamCount;
}

// Low bits of each voice parameter cleared in the Calvara resolution, in k order.
extern const uint8_t kVoiceParamShift[kVoiceParamCount];
// The value of voice parameter k as the Calvara resolution sees it:
// value & (255 << shift[k]) & 255. Values outside 0..255 are first cut to 8 bits.
int MaskVoiceValue(int k, int value);
// The voice parameters' defaults, in k order: the "Init Program".
extern const uint8_t kVoiceParamDefault[kVoiceParamCount];

// Defines all parameters of plug, which must have kNumParams records.
// Construction time, before the plug-in is published.
void DefineParameters(IPlugBase& plug);

// After a change of "Param. Resolution": attaches or removes the voice
// parameters' low-resolution display functions and, in the Calvara resolution,
// clears the masked low bits of every voice parameter (through
// SetParameterFromEngine). Returns the status text to show:
// "Extended Param. Resolution" or "Low Param. Resolution".
// Caller holds the plug-in lock.
const char* ApplyParamResolution(IPlugBase& plug);

// "Speed" shows note values while "Sync to Host" is on, else its number.
void SetSpeedDisplay(IPlugBase& plug, bool syncedToHost);

// Display functions. Each writes at most size bytes including the terminator;
// formatting is independent of the C locale.
void DisplayLevel(double value, char* text, int size);      // decibels, "-oo" at 0 or less
void DisplayBalance(double value, char* text, int size);    // "75:25"
void DisplayCents(double value, char* text, int size);      // 100 * value
void DisplayNoteValue(double value, char* text, int size);  // "1/1" .. "1/64" over 12..480
void DisplayBits7(double value, char* text, int size);
void DisplayBits6(double value, char* text, int size);
void DisplayBits5(double value, char* text, int size);
void DisplayBits4(double value, char* text, int size);
void DisplayBits2(double value, char* text, int size);
// The display function of voice parameter k in the Calvara resolution, or nullptr.
using VoiceDisplayFunction = void (*)(double value, char* text, int size);
VoiceDisplayFunction VoiceLowDisplay(int k);
// Their inverses: a text as the display function writes it back into a plain
// value (typed values reach the parameters through them). False when the text
// is not in that form: a bare number for the balance, any text but a note
// value's name for the speed.
bool ReadLevel(const char* text, double* value);
bool ReadBalance(const char* text, double* value);
bool ReadCents(const char* text, double* value);
bool ReadNoteValue(const char* text, double* value);
using VoiceReadFunction = bool (*)(const char* text, double* value);
VoiceReadFunction VoiceLowRead(int k);
