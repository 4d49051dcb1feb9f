#include "engine/PortableMath.h"

#include <cmath>
#include <cstdint>

namespace {

// pi/2 in three parts; the first two have 33 significant bits, so n times
// them is exact for |n| < 2^20 and x - n pi/2 loses nothing to cancellation.
constexpr double kHalfPi1 = 1.57079632673412561417e+00;
constexpr double kHalfPi2 = 6.07710050630396597660e-11;
constexpr double kHalfPi3 = 2.02226624871116645580e-21;
constexpr double kTwoOverPi = 6.36619772367581382433e-01;

constexpr double Factorial(int n) {
  return n <= 1 ? 1.0 : n * Factorial(n - 1);
}

// Taylor coefficients (-1)^k / (2k + 1)! and (-1)^k / (2k)!, exact up to the
// final division, which the compiler rounds once.
constexpr double kSin[] = {-1.0 / Factorial(3),  1.0 / Factorial(5),  -1.0 / Factorial(7),  1.0 / Factorial(9),
                           -1.0 / Factorial(11), 1.0 / Factorial(13), -1.0 / Factorial(15), 1.0 / Factorial(17)};
constexpr double kCos[] = {1.0 / Factorial(4),  -1.0 / Factorial(6),  1.0 / Factorial(8),  -1.0 / Factorial(10),
                           1.0 / Factorial(12), -1.0 / Factorial(14), 1.0 / Factorial(16), -1.0 / Factorial(18)};

// On |r| <= pi/4, where the first omitted terms are below 1e-19.
double SinKernel(double r) {
  const double z = r * r;
  double p = kSin[7];
  for (int k = 6; k >= 0; --k) p = kSin[k] + z * p;
  return r + r * z * p;
}

double CosKernel(double r) {
  const double z = r * r;
  double p = kCos[7];
  for (int k = 6; k >= 0; --k) p = kCos[k] + z * p;
  return 1.0 - 0.5 * z + z * z * p;
}

// x = n pi/2 + r with |r| <= pi/4; returns n mod 4.
int Reduce(double x, double* r) {
  const double n = std::nearbyint(x * kTwoOverPi);
  *r = ((x - n * kHalfPi1) - n * kHalfPi2) - n * kHalfPi3;
  return static_cast<int>(static_cast<int64_t>(n) & 3);
}

}  // namespace

double PortableSin(double x) {
  double r = 0.0;
  switch (Reduce(x, &r)) {
    case 0:
      return SinKernel(r);
    case 1:
      return CosKernel(r);
    case 2:
      return -SinKernel(r);
    default:
      return -CosKernel(r);
  }
}

double PortableCos(double x) {
  double r = 0.0;
  switch (Reduce(x, &r)) {
    case 0:
      return CosKernel(r);
    case 1:
      return -SinKernel(r);
    case 2:
      return -CosKernel(r);
    default:
      return SinKernel(r);
  }
}
