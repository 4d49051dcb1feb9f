#include "engine/TrackLfo.h"

#include <array>

namespace {

// Periods in milliseconds of the sixteen main rate indices.
constexpr double kTrianglePeriods[16] = {12000, 4700, 3160, 1230, 820, 600, 410, 380,
                                         330,   320,  280,  230,  210, 200, 190, 150};
constexpr double kRectanglePeriods[16] = {1200, 1100, 890, 780, 670, 560, 470, 390,
                                          300,  270,  210, 170, 130, 100, 75,  50};

std::array<double, 256> BuildRates(const double* periods) {
  std::array<double, 256> rates{};
  for (int32_t b = 0; b < 256; ++b) {
    int32_t e = b / 16;
    if (b % 16 == 0)
      rates[b] = 1.0 / periods[e];
    else if (b > 240)
      rates[b] = 1.0 / periods[15];
    else {
      double r0 = 1.0 / periods[e];
      double r1 = 1.0 / periods[e + 1];
      rates[b] = r0 + (r1 - r0) * (b % 16) / 16.0;
    }
  }
  return rates;
}

const std::array<double, 256> kTriangleRates = BuildRates(kTrianglePeriods);
const std::array<double, 256> kRectangleRates = BuildRates(kRectanglePeriods);

}  // namespace

double TrackLfo::LfoRate(int32_t index, int32_t shape) {
  if (index < 0) index = 0;
  if (index > 255) index = 255;
  return shape == kRectangle ? kRectangleRates[index] : kTriangleRates[index];
}

void TrackLfo::LfoTick(double modWheel) {
  double depth = modWheel * wheelAmount + amount;
  increment = LfoRate(rateIndex, shape) * rateScale;
  if (shape == kRectangle) {
    output = phase < 0.0 ? 1.0 : 0.0;
    if (depth < 1.0) output *= depth;
    pwOutput = output;
  } else {
    output = (phase < 0.0 ? -phase : phase) - 0.5;
    if (depth < 1.0) output *= depth;
    pwOutput = output * 0.5;
  }
  phase += increment;
  if (phase >= 1.0) phase -= 2.0;
}
