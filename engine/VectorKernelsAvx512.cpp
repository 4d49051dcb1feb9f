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
  // load per lane and a transpose in two steps of two-source permutes.
  __attribute__((always_inline)) static void ReadEntries(const double* base, Index signedEntry, D& e0, D& e1, D& e2,
                                                         D& e3) {
    const Unsigned entry = (Unsigned)signedEntry;
    // Lanes j and j + 1 in one vector: kmax G a G4 of the one, then of the other.
    __m512d pair[4];
    for (int32_t p = 0; p < 4; ++p)
      pair[p] = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_loadu_pd(base + entry[2 * p])),
                                   _mm256_loadu_pd(base + entry[2 * p + 1]), 1);
    // kmax and G of four lanes, a and G4 of four lanes; then the halves joined.
    const __m512i firstTwo = _mm512_set_epi64(13, 9, 5, 1, 12, 8, 4, 0);
    const __m512i lastTwo = _mm512_set_epi64(15, 11, 7, 3, 14, 10, 6, 2);
    const __m512d kg0 = _mm512_permutex2var_pd(pair[0], firstTwo, pair[1]);
    const __m512d ag0 = _mm512_permutex2var_pd(pair[0], lastTwo, pair[1]);
    const __m512d kg1 = _mm512_permutex2var_pd(pair[2], firstTwo, pair[3]);
    const __m512d ag1 = _mm512_permutex2var_pd(pair[2], lastTwo, pair[3]);
    e0 = (D)_mm512_shuffle_f64x2(kg0, kg1, 0x44);
    e1 = (D)_mm512_shuffle_f64x2(kg0, kg1, 0xEE);
    e2 = (D)_mm512_shuffle_f64x2(ag0, ag1, 0x44);
    e3 = (D)_mm512_shuffle_f64x2(ag0, ag1, 0xEE);
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
