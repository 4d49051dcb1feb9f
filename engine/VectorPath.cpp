#include "engine/VectorPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "engine/SampleConversion.h"
#include "engine/VectorKernels.h"

namespace {

VectorPath Widest() {
  // The 32-bit module keeps its SSE2 code: its AVX2 kernels rendered wrongly
  // under qemu-i386, and no 32-bit host on real AVX2 hardware has proved them.
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return VectorPath::kAvx512;
  if (__builtin_cpu_supports("avx2")) return VectorPath::kAvx2;
#endif
  return VectorPath::kBaseline;
}

const VectorKernels& KernelsOf(VectorPath path) {
#if defined(__x86_64__) || defined(__i386__)
  if (path == VectorPath::kAvx512) return Avx512Kernels();
  if (path == VectorPath::kAvx2) return Avx2Kernels();
#endif
  return BaselineKernels();
}

VectorPath InitialPath() {
  VectorPath path = Widest();
  const char* named = std::getenv("VORNELL_VECTOR_PATH");
  if (named) {
    for (VectorPath candidate : {VectorPath::kBaseline, VectorPath::kAvx2, VectorPath::kAvx512})
      if (std::strcmp(named, VectorPathName(candidate)) == 0 && VectorPathSupported(candidate)) path = candidate;
  }
  return path;
}

std::atomic<const VectorKernels*>& Active() {
  static std::atomic<const VectorKernels*> active{&KernelsOf(InitialPath())};
  return active;
}

}  // namespace

bool VectorPathSupported(VectorPath path) {
  return static_cast<int32_t>(path) >= 0 && static_cast<int32_t>(path) <= static_cast<int32_t>(Widest());
}

VectorPath ActiveVectorPath() {
  return ActiveKernels().path;
}

bool SelectVectorPath(VectorPath path) {
  if (!VectorPathSupported(path)) return false;
  Active().store(&KernelsOf(path), std::memory_order_relaxed);
  return true;
}

const char* VectorPathName(VectorPath path) {
  switch (path) {
    case VectorPath::kAvx2:
      return "avx2";
    case VectorPath::kAvx512:
      return "avx512";
    default:
      return "baseline";
  }
}

const VectorKernels& ActiveKernels() {
  return *Active().load(std::memory_order_relaxed);
}

void StoreAsFloat(const double* source, float* destination, int32_t count) {
  ActiveKernels().storeFloat(source, destination, count);
}

void AddAsFloat(const double* source, float* destination, int32_t count) {
  ActiveKernels().addFloat(source, destination, count);
}
