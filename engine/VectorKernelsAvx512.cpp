// The kernels for processors with AVX-512: eight doubles per vector, groups
// of 32 voices, the table readings of eight voices read at once. Only
// called after the processor was found to have AVX-512F (VectorPath.cpp).
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

// AVX-512F has fused multiply-adds; fp-contract=off (above and in the build)
// keeps the compiler from using them.
#pragma GCC push_options
#pragma GCC target("avx512f")

#include "engine/VectorKernelsImpl.h"

namespace {

// Element by element: on the processors measured, eight loads beat the
// gather instruction by a quarter, and each load broadcast into its own
// element under a mask costs no shuffle to join them (a fifth less than
// joining pairs of loads with inserts).
struct Gather8 {
  static constexpr int32_t N = 8;
  typedef int32_t Index __attribute__((vector_size(8 * sizeof(int32_t))));
  typedef Vectors<8>::D D;
  // Indices are never negative: unsigned, they need no sign extension.
  typedef uint32_t Unsigned __attribute__((vector_size(8 * sizeof(uint32_t))));
  __attribute__((always_inline)) static D Read(const double* base, Index signedIndex) {
    const Unsigned index = (Unsigned)signedIndex;
    __m512d v = _mm512_set1_pd(base[index[0]]);
    v = _mm512_mask_broadcastsd_pd(v, 0x02, _mm_load_sd(base + index[1]));
    v = _mm512_mask_broadcastsd_pd(v, 0x04, _mm_load_sd(base + index[2]));
    v = _mm512_mask_broadcastsd_pd(v, 0x08, _mm_load_sd(base + index[3]));
    v = _mm512_mask_broadcastsd_pd(v, 0x10, _mm_load_sd(base + index[4]));
    v = _mm512_mask_broadcastsd_pd(v, 0x20, _mm_load_sd(base + index[5]));
    v = _mm512_mask_broadcastsd_pd(v, 0x40, _mm_load_sd(base + index[6]));
    v = _mm512_mask_broadcastsd_pd(v, 0x80, _mm_load_sd(base + index[7]));
    return (D)v;
  }
  // The four doubles at base + entry[j] of each lane j, as four vectors: one
  // load per lane and a transpose of each half.
  __attribute__((always_inline)) static void ReadEntries(const double* base, Index signedEntry, D& e0, D& e1, D& e2,
                                                         D& e3) {
    const Unsigned entry = (Unsigned)signedEntry;
    __m256d half[2][4];
    for (int32_t h = 0; h < 2; ++h) {
      const __m256d r0 = _mm256_loadu_pd(base + entry[4 * h]), r1 = _mm256_loadu_pd(base + entry[4 * h + 1]);
      const __m256d r2 = _mm256_loadu_pd(base + entry[4 * h + 2]), r3 = _mm256_loadu_pd(base + entry[4 * h + 3]);
      const __m256d even01 = _mm256_unpacklo_pd(r0, r1), odd01 = _mm256_unpackhi_pd(r0, r1);
      const __m256d even23 = _mm256_unpacklo_pd(r2, r3), odd23 = _mm256_unpackhi_pd(r2, r3);
      half[h][0] = _mm256_permute2f128_pd(even01, even23, 0x20);
      half[h][1] = _mm256_permute2f128_pd(odd01, odd23, 0x20);
      half[h][2] = _mm256_permute2f128_pd(even01, even23, 0x31);
      half[h][3] = _mm256_permute2f128_pd(odd01, odd23, 0x31);
    }
    e0 = (D)_mm512_insertf64x4(_mm512_castpd256_pd512(half[0][0]), half[1][0], 1);
    e1 = (D)_mm512_insertf64x4(_mm512_castpd256_pd512(half[0][1]), half[1][1], 1);
    e2 = (D)_mm512_insertf64x4(_mm512_castpd256_pd512(half[0][2]), half[1][2], 1);
    e3 = (D)_mm512_insertf64x4(_mm512_castpd256_pd512(half[0][3]), half[1][3], 1);
  }
};

}  // namespace

const VectorKernels& Avx512Kernels() {
  static const VectorKernels kernels = {
      VectorPath::kAvx512, 8,        32, OscillateChains<Gather8>, CoefficientsOfChains<Gather8>, Filter<8, 4>, Mix<8>,
      StoreFloat,          AddFloat,
  };
  return kernels;
}

#pragma GCC pop_options
#endif
