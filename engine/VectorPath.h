#pragma once

#include <cstdint>

// The instruction sets the audio kernels are compiled for. Every path renders
// the same samples bit for bit (no fused multiply-add anywhere, the same
// operations in the same order); they differ only in speed.
enum class VectorPath : int32_t { kBaseline = 0, kAvx2 = 1, kAvx512 = 2 };

// Any thread. Whether this processor can run the path (the baseline always).
bool VectorPathSupported(VectorPath path);

// Any thread. The path the renderer uses: the widest the processor supports,
// or a narrower one named by the environment variable VORNELL_VECTOR_PATH
// ("baseline", "avx2", "avx512"), read once at the first use.
VectorPath ActiveVectorPath();

// Tests and benchmarks, while no audio is being rendered: use this path from
// now on. False, and nothing changes, when the processor lacks it.
bool SelectVectorPath(VectorPath path);

const char* VectorPathName(VectorPath path);
