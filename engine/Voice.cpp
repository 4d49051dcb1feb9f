// The batched and the per-sample audio paths must round identically on every
// target, so multiply-adds are never fused.
#pragma GCC optimize("fp-contract=off")

#include "engine/Voice.h"

#include <cmath>

#include "engine/Engine.h"
#include "engine/SemitoneFrequencyTable.h"

Voice::Voice() {
  ampEnv.curvedTail = true;
  ampEnv.timeScale = 1800.0 / 44100.0;
  osc.sampleRate = 44100.0;
  filter.sampleRate = 44100.0;
}

void Voice::Bind(Engine* owner) {
  engine = owner;
  osc.increments = &owner->PhaseIncrements();
  osc.pitchIndex = -1;
  filter.tables = &owner->Cutoffs();
}

void Voice::StartNote(const NoteStart& ns, int32_t serial, int32_t transpose) {
  track = ns.track;
  note = ns.note;
  detune = ns.detune;
  startSerial = serial;
  keyNumber = ns.note + transpose;
  keyOctaves = (keyNumber - 36) / 12.0;
  velocityGain = (ns.velocity * 0.007874015748031496 - 1.0) * velocitySensitivity + 1.0;
  int32_t keyPitch = engine ? engine->NoteToPitch(keyNumber) : keyNumber * 128;
  targetPitch = static_cast<int32_t>(std::trunc(static_cast<double>(keyPitch) + detune));
  if (glideRate > 0.0) {
    glideStep = (1.0 - glideRate) * 36.864 + 0.73728;
    if (currentPitch > targetPitch) glideStep = -glideStep;
  } else {
    glideStep = 0.0;
    currentPitch = targetPitch;
  }
  if (!ns.legato) {
    oscEnv.Start();
    filterEnv.Start();
    ampEnv.Start();
  }
  running = true;
  active = false;
  keyHeld = true;
  if (engine) engine->OnVoiceStarted(this);
  ControlTick();
}

void Voice::Release(bool force) {
  keyHeld = false;
  if (!force && sustained) return;
  oscEnv.Release();
  filterEnv.Release();
  ampEnv.Release();
}

void Voice::Kill() {
  running = false;
  active = false;
  keyHeld = false;
  sustained = false;
  oscEnv.Reset();
  filterEnv.Reset();
  ampEnv.Reset();
}

void Voice::ControlTick() {
  if (!running) return;
  if (glideStep != 0.0) {
    currentPitch += glideStep;
    if ((glideStep > 0.0 && currentPitch > targetPitch) || (glideStep < 0.0 && currentPitch < targetPitch)) {
      currentPitch = targetPitch;
      glideStep = 0.0;
    }
  }
  const Track* t = engine ? &engine->GetTrack(track) : nullptr;
  const TrackLfo* lfo = t ? &t->lfo : nullptr;

  double p = pulseWidthSetting;
  if (lfoToPw && lfo) p += lfo->pwOutput;
  if (p < 0.0) p = 0.0;
  if (p > 1.0) p = 1.0;
  osc.pulseWidth = p * 0.98 + 0.01;

  oscEnv.Tick();
  double pitch = ((t ? t->tune : 0.0) + (engine ? engine->MasterTune() : 0.0)) + (currentPitch + coarse + fine) +
                 (t ? t->bend : 0.0);
  if (lfoToOsc && lfo) pitch += lfo->output * 512.0;
  if (oscEnvAmount > 0.0) {
    double amount = oscEnvAmount * 7.0 * 128.0 * oscEnv.level;
    pitch += oscEnvInvert ? -amount : amount;
  }
  osc.SetPitch(pitch);

  filterEnv.Tick();
  cutoffPitch = detune * 4.0 + cutoff;
  if (lfoToFilter && lfo) cutoffPitch += lfo->output * 3993.6000000000004;
  if (filterEnvAmount > 0.0) {
    double amount = filterEnvAmount * filterEnv.level;
    cutoffPitch += filterEnvInvert ? -amount : amount;
  }
  if (keyTrack > 0.0) cutoffPitch += keyTrack * keyOctaves;

  // Without the triangle modulation the depth is zero (only its sign is
  // ever tested), and the two frequencies need not be looked up.
  modDepth = 0.0;
  if (oscModAmount > 0.0) {
    double h = PitchToFrequency(RoundPitch(pitch));
    double l = PitchToFrequency(RoundPitch(cutoffPitch));
    if (h < 10000.0 && l < 10000.0) {
      double product = l * h;
      modDepth = (1.0 - product * product / 1e16) * oscModAmount;
    }
  }

  active = !ampEnv.Idle();
  outputGain = velocityGain * voiceVolume;
  running = active || !filterEnv.Idle() || !oscEnv.Idle();
}

double Voice::RenderSample() {
  return RenderSampleWithNoise(engine ? engine->NoiseSample() : 0.0);
}

double Voice::RenderSampleWithNoise(double noise) {
  if (!active) return 0.0;
  double s = osc.RenderSample() * osc.mixGain;
  if (noiseMix > 0.0) s = noiseMix * noise + (1.0 - noiseMix) * s;
  double c = modDepth > 0.0 ? modDepth * osc.LastTriangle() + cutoffPitch : cutoffPitch;
  double y = filter.FilterSample(s, c);
  ampEnv.Tick();
  return y * ampEnv.level * outputGain;
}

void Voice::SetVoiceParam(int32_t k, double x) {
  bool on = x >= 0.5;
  switch (k) {
    case kCoarseFrequency:
      coarse = x;
      break;
    case kFineFrequency:
      fine = x;
      break;
    case kGlideRate:
      glideRate = x;
      break;
    case kLfoToOsc:
      lfoToOsc = on;
      break;
    case kOscEnvAmount:
      oscEnvAmount = x;
      break;
    case kOscEnvInvert:
      oscEnvInvert = on;
      break;
    case kOscEnvAttack:
      oscEnv.SetAttackIndex(x);
      break;
    case kOscEnvDecay:
      oscEnv.SetDecayIndex(x);
      break;
    case kOscEnvSustain:
      oscEnv.SetSustainLevel(x);
      break;
    case kOscEnvRelease:
      oscEnv.SetReleaseIndex(x);
      break;
    case kOscSawtooth:
      osc.sawtoothOn = on;
      break;
    case kOscTriangle:
      osc.triangleOn = on;
      break;
    case kOscPulse:
      osc.pulseOn = on;
      break;
    case kOscPulseWidth:
      pulseWidthSetting = x;
      break;
    case kOscLfoToPw:
      lfoToPw = on;
      break;
    case kOscNoiseMixer:
      noiseMix = x;
      break;
    case kFilterCutoff:
      cutoff = x;
      break;
    case kFilterResonance:
      filter.SetResonance(x, !active);
      break;
    case kFilterEnvAmount:
      filterEnvAmount = x;
      break;
    case kFilterEnvInvert:
      filterEnvInvert = on;
      break;
    case kFilterEnvAttack:
      filterEnv.SetAttackIndex(x);
      break;
    case kFilterEnvDecay:
      filterEnv.SetDecayIndex(x);
      break;
    case kFilterEnvSustain:
      filterEnv.SetSustainLevel(x);
      break;
    case kFilterEnvRelease:
      filterEnv.SetReleaseIndex(x);
      break;
    case kLfoToFilter:
      lfoToFilter = on;
      break;
    case kFilterKeyTrack:
      keyTrack = x;
      break;
    case kFilterOscModAmount:
      oscModAmount = x;
      break;
    case kAmpEnvAttack:
      ampEnv.SetAttackIndex(x);
      break;
    case kAmpEnvDecay:
      ampEnv.SetDecayIndex(x);
      break;
    case kAmpEnvSustain:
      ampEnv.SetSustainLevel(x);
      break;
    case kAmpEnvRelease:
      ampEnv.SetReleaseIndex(x);
      break;
    case kVoiceVolume:
      voiceVolume = x;
      break;
    case kAmpVelocity:
      velocitySensitivity = x;
      break;
    default:
      break;  // LFO settings and Voice Mode belong to the track
  }
}

void Voice::SetSampleRate(double rate) {
  active = false;
  osc.pitchIndex = -1;  // the increments are rebuilt for the rate
  if (rate == osc.sampleRate && rate == filter.sampleRate) return;
  osc.sampleRate = rate;
  osc.phase1 = osc.phase2 = osc.phaseIncrement = 0;
  filter.Prepare(rate);
  oscEnv.timeScale = 1.0;
  filterEnv.timeScale = 1.0;
  ampEnv.timeScale = 1800.0 / rate;
}
