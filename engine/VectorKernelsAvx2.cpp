// The kernels for processors with AVX2: four doubles per vector, the table
// readings of four voices read at once. Only called after the processor
// was found to have AVX2 (VectorPath.cpp).
#pragma GCC optimize("fp-contract=off")
#pragma GCC diagnostic ignored "-Wpsabi"
// The widening casts leave the upper half deliberately undefined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/VectorKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// FMA stays off: AVX2 alone has no fused multiply-add.
#pragma GCC push_options
#pragma GCC target("avx2")

#include "engine/VectorKernelsImpl.h"

namespace {

// Element by element: on the processors measured, four loads and two
// shuffles take half the time of the gather instruction.
struct Gather4 {
  static constexpr int32_t N = 4;
  typedef int32_t Index __attribute__((vector_size(4 * sizeof(int32_t))));
  typedef Vectors<4>::D D;
  // Indices are never negative: unsigned, they need no sign extension.
  typedef uint32_t Unsigned __attribute__((vector_size(4 * sizeof(uint32_t))));
  __attribute__((always_inline)) static D Read(const double* base, Index signedIndex) {
    const Unsigned index = (Unsigned)signedIndex;
    const __m128d low = _mm_loadh_pd(_mm_load_sd(base + index[0]), base + index[1]);
    const __m128d high = _mm_loadh_pd(_mm_load_sd(base + index[2]), base + index[3]);
    return (D)_mm256_insertf128_pd(_mm256_castpd128_pd256(low), high, 1);
  }
  // The four doubles at base + entry[j] of each lane j, as four vectors: one
  // load per lane and a transpose.
  __attribute__((always_inline)) static void ReadEntries(const double* base, Index signedEntry, D& e0, D& e1, D& e2,
                                                         D& e3) {
    const Unsigned entry = (Unsigned)signedEntry;
    const __m256d r0 = _mm256_loadu_pd(base + entry[0]), r1 = _mm256_loadu_pd(base + entry[1]);
    const __m256d r2 = _mm256_loadu_pd(base + entry[2]), r3 = _mm256_loadu_pd(base + entry[3]);
    const __m256d even01 = _mm256_unpacklo_pd(r0, r1), odd01 = _mm256_unpackhi_pd(r0, r1);
    const __m256d even23 = _mm256_unpacklo_pd(r2, r3), odd23 = _mm256_unpackhi_pd(r2, r3);
    e0 = (D)_mm256_permute2f128_pd(even01, even23, 0x20);
    e1 = (D)_mm256_permute2f128_pd(odd01, odd23, 0x20);
    e2 = (D)_mm256_permute2f128_pd(even01, even23, 0x31);
    e3 = (D)_mm256_permute2f128_pd(odd01, odd23, 0x31);
  }
};

}  // namespace

const VectorKernels& Avx2Kernels() {
  static const VectorKernels kernels = {
      VectorPath::kAvx2, 4,        16, OscillateChains<Gather4>, CoefficientsOfChains<Gather4>, Filter<4, 4>, Mix<4>,
      StoreFloat,        AddFloat,
  };
  return kernels;
}

#pragma GCC pop_options
#endif
