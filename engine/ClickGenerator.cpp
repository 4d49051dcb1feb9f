#include "engine/ClickGenerator.h"

#include <cmath>

#include "engine/PortableMath.h"

void ClickGenerator::Setup(double rate, double frequency, double q) {
  x1 = x2 = y1 = y2 = 0.0;
  antiDenormal = 1e-13;
  double w = rate > 0.0 ? 2.0 * M_PI * frequency / rate : 0.0;
  double alpha = PortableSin(w) / (2.0 * q);
  double n = 1.0 / (1.0 + alpha);
  c0 = 2.0 * PortableCos(w) * n;
  c1 = (alpha - 1.0) * n;
  c2 = alpha * q * n;
  sampleRate = rate;
}

void ClickGenerator::Trigger() {
  double samples = std::round(sampleRate * 0.01);
  countdown = samples > 0.0 ? static_cast<int32_t>(samples) : 0;
}

double ClickGenerator::NextSample() {
  double x = 0.0;
  if (countdown > 0) {
    x = 1.0;
    --countdown;
  }
  x1 += antiDenormal;
  x2 += antiDenormal;
  y1 += antiDenormal;
  y2 += antiDenormal;
  double y = c0 * y1 + c1 * y2 + c2 * (x - x2);
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  antiDenormal = -antiDenormal;
  return y;
}
