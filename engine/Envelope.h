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

  void Start();    // attack from the present level
  void Release();  // release from the present level, or end when silent
  void Reset();    // idle at level 0 at once
  void Tick();     // one step (EnvelopeTick)

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
  void End();
  double StepFor(uint8_t index) const { return EnvelopeRate(index) * timeScale; }
};
