// The filter lanes must round exactly like the scalar filter, so no
// multiply-add may be fused here, whatever the target.
#pragma GCC optimize("fp-contract=off")
// Vector helpers are internal and always inlined; the ABI note about passing
// vectors between differently compiled functions does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "engine/FilterLanes.h"

namespace {

template <int32_t W>
struct Vector {
  typedef double Type __attribute__((vector_size(W * sizeof(double))));
};

template <int32_t W>
__attribute__((always_inline)) inline typename Vector<W>::Type Load(const double* p) {
  typename Vector<W>::Type v;
  __builtin_memcpy(&v, p, sizeof(v));
  return v;
}

template <int32_t W>
__attribute__((always_inline)) inline void Store(double* p, typename Vector<W>::Type v) {
  __builtin_memcpy(p, &v, sizeof(v));
}

template <int32_t W>
__attribute__((always_inline)) inline typename Vector<W>::Type Broadcast(double value) {
  typename Vector<W>::Type v;
  for (int32_t i = 0; i < W; ++i) v[i] = value;
  return v;
}

// One run of W lanes; Constant reads one coefficient set per lane.
template <int32_t W, bool Constant>
__attribute__((always_inline)) inline void Body(FilterLanes& lanes, int32_t length) {
  typedef typename Vector<W>::Type V;
  const V cG = Load<W>(lanes.constG), cA = Load<W>(lanes.constA), cG4 = Load<W>(lanes.constG4);
  const V cNorm = Load<W>(lanes.constNorm), cK = Load<W>(lanes.constK), cGc = Load<W>(lanes.constGainComp);
  V s1 = Load<W>(lanes.s1), s2 = Load<W>(lanes.s2), s3 = Load<W>(lanes.s3), s4 = Load<W>(lanes.s4);
  V ad = Load<W>(lanes.antiDenormal);
  const V plus5 = Broadcast<W>(5.0), minus5 = Broadcast<W>(-5.0);
  for (int32_t i = 0; i < length; ++i) {
    const int32_t at = i * W;
    const V G = Constant ? cG : Load<W>(lanes.G + at);
    const V a = Constant ? cA : Load<W>(lanes.a + at);
    const V G4 = Constant ? cG4 : Load<W>(lanes.G4 + at);
    const V norm = Constant ? cNorm : Load<W>(lanes.norm + at);
    const V k = Constant ? cK : Load<W>(lanes.k + at);
    const V x = Load<W>(lanes.x + at);
    s1 += ad;
    s2 += ad;
    s3 += ad;
    s4 += ad;
    ad = -ad;
    V S = ((G * s1 + s2) * G + s3) * G + s4;
    V y = (S + G4 * x) * norm;
    V h = 0.2 * y;
    V h2 = h * h;
    V f = 5.0 * h * (h2 + 27.0) / (9.0 * h2 + 27.0);
    f = h < -3.0 ? minus5 : f;
    f = h > 3.0 ? plus5 : f;
    V u = (x - k * f) * G;
    V y1 = s1 + u;
    s1 = u - a * y1;
    V v = G * y1;
    V y2 = s2 + v;
    s2 = v - a * y2;
    v = G * y2;
    V y3 = s3 + v;
    s3 = v - a * y3;
    v = G * y3;
    V y4 = s4 + v;
    s4 = v - a * y4;
    Store<W>(lanes.y + at, y * cGc);
  }
  Store<W>(lanes.s1, s1);
  Store<W>(lanes.s2, s2);
  Store<W>(lanes.s3, s3);
  Store<W>(lanes.s4, s4);
  Store<W>(lanes.antiDenormal, ad);
}

template <int32_t W, bool Constant>
void RunGeneric(FilterLanes& lanes, int32_t length) {
  Body<W, Constant>(lanes, length);
}

#if defined(__x86_64__) || defined(__i386__)
template <int32_t W, bool Constant>
__attribute__((target("avx2"))) void RunAvx2(FilterLanes& lanes, int32_t length) {
  Body<W, Constant>(lanes, length);
}
template <int32_t W, bool Constant>
__attribute__((target("avx512f"))) void RunAvx512(FilterLanes& lanes, int32_t length) {
  Body<W, Constant>(lanes, length);
}
#endif

using Kernel = void (*)(FilterLanes&, int32_t);

// [width 8 / 16][varying / constant]
struct Kernels {
  Kernel run[2][2] = {{RunGeneric<8, false>, RunGeneric<8, true>}, {RunGeneric<16, false>, RunGeneric<16, true>}};
};

Kernels ChooseKernels() {
  Kernels kernels;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) {
    kernels.run[0][0] = RunAvx512<8, false>;
    kernels.run[0][1] = RunAvx512<8, true>;
    kernels.run[1][0] = RunAvx512<16, false>;
    kernels.run[1][1] = RunAvx512<16, true>;
  } else if (__builtin_cpu_supports("avx2")) {
    kernels.run[0][0] = RunAvx2<8, false>;
    kernels.run[0][1] = RunAvx2<8, true>;
    kernels.run[1][0] = RunAvx2<16, false>;
    kernels.run[1][1] = RunAvx2<16, true>;
  }
#endif
  return kernels;
}

const Kernels& SelectedKernels() {
  static const Kernels kernels = ChooseKernels();
  return kernels;
}

}  // namespace

void FilterLanes::Run(int32_t length) {
  SelectedKernels().run[width > 8 ? 1 : 0][0](*this, length);
}

void FilterLanes::RunConstant(int32_t length) {
  SelectedKernels().run[width > 8 ? 1 : 0][1](*this, length);
}
