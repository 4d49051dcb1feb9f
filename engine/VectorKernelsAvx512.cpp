// The kernels for processors with AVX-512: eight doubles per vector, groups
// of 32 voices, the table readings of eight voices gathered at once. Only
// called after the processor was found to have AVX-512F (VectorPath.cpp).
#pragma GCC optimize("fp-contract=off")
#pragma GCC diagnostic ignored "-Wpsabi"
// The gather intrinsics start from a deliberately undefined register.
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

struct Gather8 {
  static constexpr int32_t N = 8;
  typedef int32_t Index __attribute__((vector_size(8 * sizeof(int32_t))));
  __attribute__((always_inline)) static Vectors<8>::D Read(const double* base, Index index) {
    return (Vectors<8>::D)_mm512_i32gather_pd((__m256i)index, base, 8);
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
