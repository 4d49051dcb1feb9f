// The kernels for every processor: two doubles per vector (SSE2 on x86).
#pragma GCC optimize("fp-contract=off")
// The wider helper vectors here are always inlined; no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/VectorKernels.h"
#include "engine/VectorKernelsImpl.h"

const VectorKernels& BaselineKernels() {
  static const VectorKernels kernels = {
      VectorPath::kBaseline, 2, 16, OscillateLanes, CoefficientsOfLanes, Filter<2, 4>, Mix<2>, StoreFloat, AddFloat,
  };
  return kernels;
}
