#pragma once

#include <cstdint>

#include "engine/VectorPath.h"

// Up to 32 voices rendered side by side for one run of samples, one vector
// lane per voice. Vectors of `width` lanes make a chain; a group has
// `lanes` / `width` chains. Sample-major arrays are lane-interleaved: element
// [i * lanes + lane] is sample i of that lane (y: [i * yStride + lane], all
// groups' lanes in one row). Filled by VoiceRenderer, run by the kernels of
// the active path; all on the audio thread.
struct LaneGroup {
  static constexpr int32_t kMaxLanes = 32;
  static constexpr int32_t kMaxChains = 16;    // 32 lanes of two doubles
  static constexpr int32_t kCoefficients = 5;  // G, a, G4, norm, k

  int32_t lanes = 0;       // a multiple of the vector width
  int32_t chainCount = 0;  // lanes / width
  int32_t used = 0;        // lanes 0..used-1 hold voices, the rest are silent

  // ---- oscillator (per lane) ----
  alignas(64) int32_t phase1[kMaxLanes];
  alignas(64) int32_t phase2[kMaxLanes];
  alignas(64) int32_t increment[kMaxLanes];
  alignas(64) int32_t tableOffset[kMaxLanes];  // of the level's sawtooth in the table storage
  alignas(64) int64_t pulseOn[kMaxLanes];      // masks: -1 on, 0 off
  alignas(64) int64_t sawtoothOn[kMaxLanes];
  alignas(64) int64_t triangleOn[kMaxLanes];
  alignas(64) int64_t hasTable[kMaxLanes];
  alignas(64) int64_t noiseOn[kMaxLanes];
  alignas(64) double mixGain[kMaxLanes];
  alignas(64) double noiseMix[kMaxLanes];
  alignas(64) double keepMix[kMaxLanes];  // 1 - noiseMix
  bool chainPulse[kMaxChains];            // some lane of the chain needs the second reading
  bool chainTriangle[kMaxChains];         // some lane adds the triangle
  const double* tables = nullptr;         // sawtooth levels, then triangle levels
  int32_t triangleOffset = 0;             // from a sawtooth level to its triangle
  const double* noise = nullptr;          // the shared noise, per sample

  // ---- cutoff moved by the triangle, per sample (chains marked varying) ----
  bool chainVarying[kMaxChains];
  double* triangle = nullptr;                  // the triangle as read per sample, [i * lanes + lane]
  double* varyingCoefficients = nullptr;       // [(i * kCoefficients + j) * lanes + lane]
  alignas(64) double lastTriangle[kMaxLanes];  // kept by lanes without a table
  alignas(64) double modDepth[kMaxLanes];      // 0 for lanes whose cutoff holds
  alignas(64) double cutoffPitch[kMaxLanes];
  alignas(64) double resonance[kMaxLanes];
  const double* cutoffEntries = nullptr;  // kmax, G, a, G4 of each cutoff index (CutoffTables)

  // ---- filter ----
  double* x = nullptr;  // oscillator and noise mix, [i * lanes + lane]
  double* y = nullptr;  // voice output times master gain, [i * yStride + lane]
  int32_t yStride = 0;
  // Coefficient j of chain c at sample i starts at
  // coefficients[c] + i * coefficientStep[c] + j * lanes; the step is 0 while
  // the chain's coefficients hold for the whole run.
  const double* coefficients[kMaxChains];
  int32_t coefficientStep[kMaxChains];
  // The amplitude envelope, likewise: levels[c] + i * levelStep[c].
  const double* levels[kMaxChains];
  int32_t levelStep[kMaxChains];
  alignas(64) double gainComp[kMaxLanes];
  alignas(64) double outputGain[kMaxLanes];
  alignas(64) double s1[kMaxLanes];
  alignas(64) double s2[kMaxLanes];
  alignas(64) double s3[kMaxLanes];
  alignas(64) double s4[kMaxLanes];
  alignas(64) double antiDenormal[kMaxLanes];
  double masterGain = 0.0;
};

// The run's voices in index order (the order the mix adds them in) and
// where each one's output is in the groups' common row.
struct MixPlan {
  static constexpr int32_t kMaxVoices = 96;
  // Every group's lanes: each group but the last is full (its lanes a whole
  // number of vectors) and the last is rounded up to whole vectors, so the
  // row is at most the voice count rounded up to the widest vector (8).
  static constexpr int32_t kMaxRow = (kMaxVoices + 7) / 8 * 8;

  const double* y = nullptr;  // [i * stride + slot]
  int32_t stride = 0;         // a multiple of the vector width
  double* columns = nullptr;  // room for kMaxRow vectors of the widest kind
  int32_t voices = 0;
  int32_t slot[kMaxVoices];
  int32_t track[kMaxVoices];
  double gainLeft[kMaxVoices];
  double gainRight[kMaxVoices];
};

// The kernels of one vector path.
struct VectorKernels {
  VectorPath path;
  int32_t width;     // doubles per vector
  int32_t maxLanes;  // lanes per group
  // x from the oscillator settings and the noise (and, for varying chains,
  // the triangle per sample).
  void (*oscillate)(LaneGroup& group, int32_t length);
  // The varying chains' filter coefficients per sample, from the triangle.
  void (*coefficients)(LaneGroup& group, int32_t length);
  // y from x through the ladder filter, the amplitude envelope, the output and
  // master gains; the filter states are carried in the group.
  void (*filter)(LaneGroup& group, int32_t length);
  // The fourteen outputs (sum L/R, track pairs) from the voices' outputs,
  // added in voice order.
  void (*mix)(const MixPlan& plan, double* const* out, int32_t length);
  // The host's single-precision outputs: written, or added to.
  void (*storeFloat)(const double* source, float* destination, int32_t count);
  void (*addFloat)(const double* source, float* destination, int32_t count);
};

// The kernels of the active path (audio thread; chosen on first use).
const VectorKernels& ActiveKernels();

// One table per path, defined in its own file.
const VectorKernels& BaselineKernels();
#if defined(__x86_64__) || defined(__i386__)
const VectorKernels& Avx2Kernels();
const VectorKernels& Avx512Kernels();
#endif
