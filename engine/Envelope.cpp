#include "engine/Envelope.h"

#include <array>

namespace {

// Segment times in milliseconds of the sixteen main time indices.
constexpr double kTimes[16] = {1, 60, 180, 340, 440, 720, 1060, 1260, 1400, 1680, 2240, 3000, 4800, 6760, 8120, 16800};

std::array<double, 256> BuildRates() {
  std::array<double, 256> rates{};
  for (int32_t b = 0; b < 256; ++b) {
    int32_t e = b / 16;
    if (b % 16 == 0)
      rates[b] = 1.0 / kTimes[e];
    else if (b > 240)
      rates[b] = 1.0 / kTimes[15];
    else {
      double r0 = 1.0 / kTimes[e];
      double r1 = 1.0 / kTimes[e + 1];
      rates[b] = r0 + (r1 - r0) * (b % 16) / 16.0;
    }
  }
  return rates;
}

const std::array<double, 256> kRates = BuildRates();

}  // namespace

double Envelope::EnvelopeRate(int32_t index) {
  if (index < 0) index = 0;
  if (index > 255) index = 255;
  return kRates[index];
}

void Envelope::Start() {
  stage = kAttack;
  ramp = 1.0 - level;
  rampStep = StepFor(attackIndex);
  segmentDone = false;
}

void Envelope::Release() {
  if (level > 0.0) {
    ramp = level;
    stage = kRelease;
    rampStep = StepFor(releaseIndex);
    segmentDone = false;
  } else {
    End();
  }
}

namespace {
uint8_t TimeIndex(double x) {
  if (!(x > 0.0)) return 0;
  if (x >= 255.0) return 255;
  return static_cast<uint8_t>(x);
}
}  // namespace

void Envelope::SetAttackIndex(double x) {
  attackIndex = TimeIndex(x);
  if (stage == kAttack) rampStep = StepFor(attackIndex);
}

void Envelope::SetDecayIndex(double x) {
  decayIndex = TimeIndex(x);
  if (stage == kDecay) rampStep = StepFor(decayIndex);
}

void Envelope::SetReleaseIndex(double x) {
  releaseIndex = TimeIndex(x);
  if (stage == kRelease || stage == kReleaseTail) rampStep = StepFor(releaseIndex);
}
