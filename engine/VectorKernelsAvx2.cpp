// The kernels for processors with AVX2: four doubles per vector, the table
// readings of four voices gathered at once. Only called after the processor
// was found to have AVX2 (VectorPath.cpp).
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

// FMA stays off: AVX2 alone has no fused multiply-add.
#pragma GCC push_options
#pragma GCC target("avx2")

#include "engine/VectorKernelsImpl.h"

namespace {

struct Gather4 {
  static constexpr int32_t N = 4;
  typedef int32_t Index __attribute__((vector_size(4 * sizeof(int32_t))));
  __attribute__((always_inline)) static Vectors<4>::D Read(const double* base, Index index) {
    return (Vectors<4>::D)_mm256_i32gather_pd(base, (__m128i)index, 8);
  }
};

}  // namespace

const VectorKernels& Avx2Kernels() {
  static const VectorKernels kernels = {
      VectorPath::kAvx2, 4,        16, OscillateChains<Gather4>, CoefficientsOfChains<Gather4>, Filter<4, 2>, Mix<4>,
      StoreFloat,        AddFloat,
  };
  return kernels;
}

#pragma GCC pop_options
#endif
