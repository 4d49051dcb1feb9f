#pragma once
// What the tests hear in a rendering: level (RMS, peak), pitch (from zero
// crossings or autocorrelation) and note starts. Samples are float or double;
// a range [from, to) is clipped to the signal.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

template <class Sample>
double Rms(const std::vector<Sample>& x, size_t from = 0, size_t to = SIZE_MAX) {
  to = std::min(to, x.size());
  if (from >= to) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * static_cast<double>(x[i]);
  return std::sqrt(sum / static_cast<double>(to - from));
}

template <class Sample>
double Peak(const std::vector<Sample>& x, size_t from = 0, size_t to = SIZE_MAX) {
  double peak = 0.0;
  for (size_t i = from; i < std::min(to, x.size()); ++i) peak = std::max(peak, std::fabs(static_cast<double>(x[i])));
  return peak;
}

// Rising zero crossings (a sample below zero, the next at or above it) in [from, to).
template <class Sample>
int RisingZeroCrossings(const std::vector<Sample>& x, size_t from, size_t to) {
  int crossings = 0;
  for (size_t i = from + 1; i < std::min(to, x.size()); ++i)
    if (x[i - 1] < 0 && x[i] >= 0) ++crossings;
  return crossings;
}

// Frequency from the first to the last rising zero crossing in [from, to),
// each placed between its samples by linear interpolation; 0 with fewer than two.
template <class Sample>
double ZeroCrossingFrequency(const std::vector<Sample>& x, size_t from, size_t to, double rate) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t i = from + 1; i < std::min(to, x.size()); ++i) {
    const double before = static_cast<double>(x[i - 1]), now = static_cast<double>(x[i]);
    if (before < 0.0 && now >= 0.0) {
      const double t = static_cast<double>(i - 1) + -before / (now - before);
      if (first < 0.0) first = t;
      last = t;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) * rate / (last - first);
}

// The MIDI note nearest a frequency, A4 = 440 Hz.
inline int NearestMidiNote(double frequency) {
  return static_cast<int>(std::lround(69.0 + 12.0 * std::log2(frequency / 440.0)));
}

// The MIDI note of a plain sawtooth or sine over [from, from + length), from
// its count of rising zero crossings (one per period); -1 when it has none.
template <class Sample>
int HeardMidiNote(const std::vector<Sample>& x, size_t from, size_t length, double rate) {
  const int crossings = RisingZeroCrossings(x, from, from + length);
  if (crossings == 0) return -1;
  return NearestMidiNote(crossings * rate / static_cast<double>(length));
}

// The fundamental near `expected` Hz, for sounds whose zero crossings are not
// one per period: the lag of the strongest normalised autocorrelation within
// ±8 % of the expected period, refined by a parabola through its neighbours.
template <class Sample>
double AutocorrelationFrequency(const std::vector<Sample>& signal, double rate, double expected) {
  const double period = rate / expected;
  const int lowLag = static_cast<int>(period * 0.92);
  const int highLag = static_cast<int>(period * 1.08) + 1;
  const size_t span = signal.size() - static_cast<size_t>(highLag) - 1;
  auto correlation = [&](int lag) {
    double product = 0.0, energyA = 0.0, energyB = 0.0;
    for (size_t i = 0; i < span; ++i) {
      const double a = static_cast<double>(signal[i]);
      const double b = static_cast<double>(signal[i + static_cast<size_t>(lag)]);
      product += a * b;
      energyA += a * a;
      energyB += b * b;
    }
    return product / std::sqrt(energyA * energyB + 1e-300);
  };
  int best = lowLag;
  double bestValue = -2.0;
  for (int lag = lowLag; lag <= highLag; ++lag) {
    const double value = correlation(lag);
    if (value > bestValue) {
      bestValue = value;
      best = lag;
    }
  }
  const double before = correlation(best - 1);
  const double after = correlation(best + 1);
  const double curvature = before - 2.0 * bestValue + after;
  const double shift = curvature < 0.0 ? 0.5 * (before - after) / curvature : 0.0;
  return rate / (best + shift);
}

// Samples at which a signal starts to sound after at least `gap` samples of
// exact silence (voices that have ended add nothing at all), within [from, to).
template <class Sample>
std::vector<int64_t> Onsets(const std::vector<Sample>& x, int gap = 200, int64_t from = 0, int64_t to = INT64_MAX) {
  std::vector<int64_t> onsets;
  int64_t silent = gap;
  for (size_t i = 0; i < x.size(); ++i) {
    if (x[i] != 0) {
      const int64_t at = static_cast<int64_t>(i);
      if (silent >= gap && at >= from && at < to) onsets.push_back(at);
      silent = 0;
    } else {
      ++silent;
    }
  }
  return onsets;
}

// The first sample that is not exactly zero, or -1.
template <class Sample>
int64_t FirstNonZero(const std::vector<Sample>& x) {
  for (size_t i = 0; i < x.size(); ++i)
    if (x[i] != 0) return static_cast<int64_t>(i);
  return -1;
}
