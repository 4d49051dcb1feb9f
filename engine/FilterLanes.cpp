// The filter lanes must round exactly like the scalar filter, so no
// multiply-add may be fused here, whatever the target.
#pragma GCC optimize("fp-contract=off")
// Vector helpers are internal and inlined; the ABI note about passing vectors does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "engine/FilterLanes.h"

namespace {

typedef double Lanes __attribute__((vector_size(FilterLanes::kLanes * sizeof(double))));

// Always inlined, so that each kernel uses them with its own vector registers.
template <typename T>
__attribute__((always_inline)) inline Lanes Load(const T* p) {
  Lanes v;
  __builtin_memcpy(&v, p, sizeof(v));
  return v;
}

__attribute__((always_inline)) inline void Store(double* p, Lanes v) { __builtin_memcpy(p, &v, sizeof(v)); }

__attribute__((always_inline)) inline Lanes Broadcast(double value) {
  Lanes v;
  for (int32_t i = 0; i < FilterLanes::kLanes; ++i) v[i] = value;
  return v;
}

// COEF(per-sample array, per-lane constant) picks how the coefficients are read.
#define VORNELL_FILTER_LANES_BODY                                                      \
  const Lanes cG = Load(lanes.constG), cA = Load(lanes.constA), cG4 = Load(lanes.constG4); \
  const Lanes cNorm = Load(lanes.constNorm), cK = Load(lanes.constK), cGc = Load(lanes.constGainComp); \
  (void)cG, (void)cA, (void)cG4, (void)cNorm, (void)cK, (void)cGc;                     \
  Lanes s1 = Load(lanes.s1), s2 = Load(lanes.s2), s3 = Load(lanes.s3), s4 = Load(lanes.s4); \
  Lanes ad = Load(lanes.antiDenormal);                                                 \
  const Lanes plus5 = Broadcast(5.0), minus5 = Broadcast(-5.0);                        \
  for (int32_t i = 0; i < length; ++i) {                                               \
    const int32_t at = i * FilterLanes::kLanes;                                        \
    const Lanes G = COEF(G, cG);                                                       \
    const Lanes a = COEF(a, cA);                                                       \
    const Lanes x = Load(lanes.x + at);                                                \
    s1 += ad;                                                                          \
    s2 += ad;                                                                          \
    s3 += ad;                                                                          \
    s4 += ad;                                                                          \
    ad = -ad;                                                                          \
    Lanes S = ((G * s1 + s2) * G + s3) * G + s4;                                       \
    Lanes y = (S + COEF(G4, cG4) * x) * COEF(norm, cNorm);                             \
    Lanes h = 0.2 * y;                                                                 \
    Lanes h2 = h * h;                                                                  \
    Lanes f = 5.0 * h * (h2 + 27.0) / (9.0 * h2 + 27.0);                               \
    f = h < -3.0 ? minus5 : f;                                                         \
    f = h > 3.0 ? plus5 : f;                                                           \
    Lanes u = (x - COEF(k, cK) * f) * G;                                               \
    Lanes y1 = s1 + u;                                                                 \
    s1 = u - a * y1;                                                                   \
    Lanes v = G * y1;                                                                  \
    Lanes y2 = s2 + v;                                                                 \
    s2 = v - a * y2;                                                                   \
    v = G * y2;                                                                        \
    Lanes y3 = s3 + v;                                                                 \
    s3 = v - a * y3;                                                                   \
    v = G * y3;                                                                        \
    Lanes y4 = s4 + v;                                                                 \
    s4 = v - a * y4;                                                                   \
    Store(lanes.y + at, y * COEF(gainComp, cGc));                                      \
  }                                                                                    \
  Store(lanes.s1, s1);                                                                 \
  Store(lanes.s2, s2);                                                                 \
  Store(lanes.s3, s3);                                                                 \
  Store(lanes.s4, s4);                                                                 \
  Store(lanes.antiDenormal, ad);

#define VARYING(name, constant) Load(lanes.name + at)
#define CONSTANT(name, constant) constant

#define COEF VARYING
void RunGeneric(FilterLanes& lanes, int32_t length) { VORNELL_FILTER_LANES_BODY }
#undef COEF
#define COEF CONSTANT
void RunGenericConstant(FilterLanes& lanes, int32_t length) { VORNELL_FILTER_LANES_BODY }
#undef COEF

#if defined(__x86_64__) || defined(__i386__)
#define COEF VARYING
__attribute__((target("avx2"))) void RunAvx2(FilterLanes& lanes, int32_t length) { VORNELL_FILTER_LANES_BODY }
__attribute__((target("avx512f"))) void RunAvx512(FilterLanes& lanes, int32_t length) { VORNELL_FILTER_LANES_BODY }
#undef COEF
#define COEF CONSTANT
__attribute__((target("avx2"))) void RunAvx2Constant(FilterLanes& lanes, int32_t length) {
  VORNELL_FILTER_LANES_BODY
}
__attribute__((target("avx512f"))) void RunAvx512Constant(FilterLanes& lanes, int32_t length) {
  VORNELL_FILTER_LANES_BODY
}
#undef COEF
#endif

#undef VARYING
#undef CONSTANT
#undef VORNELL_FILTER_LANES_BODY

using Kernel = void (*)(FilterLanes&, int32_t);

struct Kernels {
  Kernel varying = RunGeneric;
  Kernel constant = RunGenericConstant;
};

Kernels ChooseKernels() {
  Kernels kernels;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) {
    kernels.varying = RunAvx512;
    kernels.constant = RunAvx512Constant;
  } else if (__builtin_cpu_supports("avx2")) {
    kernels.varying = RunAvx2;
    kernels.constant = RunAvx2Constant;
  }
#endif
  return kernels;
}

const Kernels& SelectedKernels() {
  static const Kernels kernels = ChooseKernels();
  return kernels;
}

}  // namespace

void FilterLanes::Run(int32_t length) { SelectedKernels().varying(*this, length); }

void FilterLanes::RunConstant(int32_t length) { SelectedKernels().constant(*this, length); }
