#pragma once

#include <cstdint>

#include "engine/Envelope.h"
#include "engine/LadderFilter.h"
#include "engine/NoteStart.h"
#include "engine/Oscillator.h"

class Engine;

// One monophonic sound generator: oscillator and noise, ladder filter, pitch,
// filter and amplitude envelopes, glide and modulation from its track's LFO.
// Voices 0..5 are the tracks' own voices, 6..95 the shared pool.
//
// Every operation runs on the audio thread or under the plug-in lock (the
// engine's entry points); none allocates.
class Voice {
 public:
  static constexpr int32_t kParamCount = 37;

  // Voice parameter indices (the order of a program's values).
  enum Param : int32_t {
    kCoarseFrequency = 0,
    kFineFrequency = 1,
    kGlideRate = 2,
    kLfoToOsc = 3,
    kOscEnvAmount = 4,
    kOscEnvInvert = 5,
    kOscEnvAttack = 6,
    kOscEnvDecay = 7,
    kOscEnvSustain = 8,
    kOscEnvRelease = 9,
    kOscSawtooth = 10,
    kOscTriangle = 11,
    kOscPulse = 12,
    kOscPulseWidth = 13,
    kOscLfoToPw = 14,
    kLfoFrequency = 15,
    kLfoAmount = 16,
    kLfoShape = 17,
    kOscNoiseMixer = 18,
    kFilterCutoff = 19,
    kFilterResonance = 20,
    kFilterEnvAmount = 21,
    kFilterEnvInvert = 22,
    kFilterEnvAttack = 23,
    kFilterEnvDecay = 24,
    kFilterEnvSustain = 25,
    kFilterEnvRelease = 26,
    kLfoToFilter = 27,
    kFilterKeyTrack = 28,
    kFilterOscModAmount = 29,
    kAmpEnvAttack = 30,
    kAmpEnvDecay = 31,
    kAmpEnvSustain = 32,
    kAmpEnvRelease = 33,
    kVoiceVolume = 34,
    kVoiceMode = 35,
    kAmpVelocity = 36,
  };

  Voice();

  // Binds the voice to its engine (tables, tracks, noise). Done by the engine.
  void Bind(Engine* owner);

  void StartNote(const NoteStart& ns, int32_t serial, int32_t transpose);
  void Release(bool force);
  void ControlTick();
  double RenderSample();  // one sample before track and master gains
  // The same with the engine's current noise value given.
  double RenderSampleWithNoise(double noise);
  void SetVoiceParam(int32_t k, double x);
  void SetSampleRate(double rate);
  // Silences at once: flags cleared, all envelopes idle at level 0.
  void Kill();

  // binding
  Engine* engine = nullptr;
  uint8_t track = 0;

  // flags
  bool running = false;
  bool active = false;
  bool keyHeld = false;
  bool sustained = false;

  // note
  int32_t note = 0;
  int32_t keyNumber = 0;
  int32_t startSerial = 0;
  double currentPitch = 7680.0;
  int32_t targetPitch = 0;
  double glideStep = 0.0;
  double detune = 0.0;
  double keyOctaves = 0.0;
  double velocityGain = 1.0;
  double outputGain = 1.0;
  double cutoffPitch = 0.0;
  double modDepth = 0.0;
  double noiseMix = 0.0;  // setting, read by the audio path

  // parts; what the audio path reads for every run first, close together
  Oscillator osc;
  LadderFilter filter;
  Envelope ampEnv;
  Envelope oscEnv;
  Envelope filterEnv;

  // settings, in engine units
  double coarse = 0.0;
  double fine = 0.0;
  double glideRate = 0.0;
  bool lfoToOsc = false;
  double oscEnvAmount = 0.0;
  bool oscEnvInvert = false;
  double pulseWidthSetting = 0.0;
  bool lfoToPw = false;
  double cutoff = 0.0;
  double filterEnvAmount = 0.0;
  bool filterEnvInvert = false;
  bool lfoToFilter = false;
  double keyTrack = 0.0;
  double oscModAmount = 0.0;
  double voiceVolume = 0.0;
  double velocitySensitivity = 0.0;
};
