// The batched and the per-sample audio paths must round identically on every
// target, so multiply-adds are never fused.
#pragma GCC optimize("fp-contract=off")

#include "engine/Oscillator.h"

#include "engine/BandLimitedTables.h"
#include "engine/PhaseIncrementTable.h"

void Oscillator::SetPitch(double pitch) {
  if (!(pitch > 0.0)) {
    sawTable = nullptr;
    triangleTable = nullptr;
    pitchIndex = -1;
    return;
  }
  int32_t index = pitch >= 17280.0 ? 17280 : static_cast<int32_t>(pitch);
  // A held note keeps its step: the increment and the tables stay.
  if (index != pitchIndex) {
    pitchIndex = index;
    phaseIncrement = increments ? (*increments)[index] : 0;
    // One table level per half octave above one table entry per sample, kept
    // with the increments.
    const int32_t level = increments ? increments->Level(index) : 0;
    const BandLimitedTables& tables = BandLimitedTables::Get();
    sawTable = tables.Sawtooth(level);
    triangleTable = tables.Triangle(level);
  }
  if (pulseWidth >= 0.0 && pulseWidth <= 1.0)
    phase2 = static_cast<int32_t>(static_cast<int64_t>(phase1 + pulseWidth * 268435456.0) & kPhaseMask);
  else
    phase2 = phase1;
  mixGain = 1.5;
  if (sawtoothOn) mixGain = 1.0;
  if (triangleOn) mixGain *= 2.0 / 3.0;
  if (pulseOn) mixGain *= 2.0 / 3.0;
}

double Oscillator::RenderSample() {
  double s = 0.0;
  if (sawTable) {
    int32_t i1 = phase1 >> 16;
    int32_t i2 = phase2 >> 16;
    lastTriangle = triangleTable + i1;
    if (pulseOn) s = sawTable[i1] - sawTable[i2];
    if (sawtoothOn) s += sawTable[i1];
    if (triangleOn) s += triangleTable[i1];
  }
  phase1 = (phase1 + phaseIncrement) & kPhaseMask;
  phase2 = (phase2 + phaseIncrement) & kPhaseMask;
  return s;
}
