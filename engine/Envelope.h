#pragma once

#include <cstdint>

// Attack / decay-sustain / release envelope driven by a ramp that falls from 1
// to 0 at the segment's rate. The pitch and filter envelopes tick once per
// control tick; the amplitude envelope ticks per sample with a curved tail.
class Envelope {
 public:
  enum Stage : int32_t { kIdle = 0, kAttack = 1, kDecay = 2, kRelease = 3, kReleaseTail = 4 };

  // Rate (ramp per tick, before timeScale) of a time index 0..255.
  static double EnvelopeRate(int32_t index);

  void Start();            // attack from the present level
  void Release();          // release from the present level, or end when silent
  void Reset() { End(); }  // idle at level 0 at once
  inline void Tick();      // one step (EnvelopeTick)

  void SetAttackIndex(double x);
  void SetDecayIndex(double x);
  void SetReleaseIndex(double x);
  void SetSustainLevel(double x) { sustainLevel = x; }

  bool Idle() const { return stage == kIdle; }

  double level = 0.0;
  uint8_t attackIndex = 0;
  uint8_t decayIndex = 0;
  uint8_t releaseIndex = 0;
  double sustainLevel = 0.0;
  int32_t stage = kIdle;
  bool curvedTail = false;
  bool segmentDone = true;
  double timeScale = 1.0;
  double ramp = 0.0;
  double rampStep = 0.0;

 private:
  void End() {
    stage = kIdle;
    segmentDone = true;
    rampStep = 0.0;
    ramp = 0.0;
    level = 0.0;
  }
  double StepFor(uint8_t index) const { return EnvelopeRate(index) * timeScale; }
};

inline void Envelope::Tick() {
  if (stage == kIdle) return;
  if (!segmentDone) {
    ramp -= rampStep;
    if (ramp < 0.0) segmentDone = true;
  }
  switch (stage) {
    case kAttack:
      if (segmentDone) {
        level = 1.0;
        ramp = 1.0;
        stage = kDecay;
        rampStep = StepFor(decayIndex);
        segmentDone = false;
      } else {
        level = 1.0 - ramp;
      }
      break;
    case kDecay:
      if (sustainLevel > ramp) {
        level = sustainLevel;
        segmentDone = true;  // the ramp stops at the sustain level
      } else {
        level = ramp;
      }
      break;
    case kRelease:
      if (curvedTail && level < 0.1) {
        ramp = level * 10.0;
        stage = kReleaseTail;
        rampStep = StepFor(releaseIndex);
        segmentDone = false;
      } else if (segmentDone) {
        End();
      } else {
        level = ramp;
      }
      break;
    case kReleaseTail:
      if (segmentDone) {
        End();
      } else {
        double r2 = ramp * ramp;
        double r4 = r2 * r2;
        level = 0.1 * (r4 * r4);
      }
      break;
    default:
      End();
      break;
  }
}
