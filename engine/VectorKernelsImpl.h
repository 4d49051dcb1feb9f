// The audio kernels, written once for any vector width. Each path's file
// includes this after its target pragma, so everything here has internal
// linkage (an anonymous namespace) and calls nothing defined elsewhere: a copy
// compiled for a wider instruction set must never stand in for another.
// Include every other header before the pragma, for the same reason.
//
// Every sample is computed with exactly the operations, in exactly the order,
// of the per-sample path (Voice::RenderSample, LadderFilter::Step and the
// engine's mix), one lane per voice: vectors only run several voices at once.

namespace {

constexpr int32_t kPhaseMask = (1 << 28) - 1;

template <int32_t N>
struct Vectors {
  typedef double D __attribute__((vector_size(N * sizeof(double))));
  typedef int64_t M __attribute__((vector_size(N * sizeof(int64_t))));
};
typedef double Double8 __attribute__((vector_size(8 * sizeof(double))));
typedef float Float8 __attribute__((vector_size(8 * sizeof(float))));

template <typename T>
__attribute__((always_inline)) inline T Load(const void* p) {
  T v;
  __builtin_memcpy(&v, p, sizeof(v));
  return v;
}

template <typename T>
__attribute__((always_inline)) inline void Store(void* p, T v) {
  __builtin_memcpy(p, &v, sizeof(v));
}

template <typename V, typename E, size_t... J>
__attribute__((always_inline)) inline V BroadcastOf(E value, std::index_sequence<J...>) {
  return V{((void)J, value)...};
}

// Every element the value (including the sign of a zero).
template <typename V, typename E>
__attribute__((always_inline)) inline V Broadcast(E value) {
  return BroadcastOf<V>(value, std::make_index_sequence<sizeof(V) / sizeof(E)>());
}

// ---- oscillator ---------------------------------------------------------

// One lane, sample by sample, as Oscillator::RenderSample and the noise mix of
// Voice::RenderSample; for vector units without a gather.
template <bool Pulse, bool Sawtooth, bool Triangle, bool Noise>
void OscillateLane(LaneGroup& g, int32_t lane, int32_t length) {
  const double* saw = g.tables + g.tableOffset[lane];
  const double* triangle = saw + g.triangleOffset;
  const bool table = g.hasTable[lane] != 0;
  const double mixGain = g.mixGain[lane], noiseMix = g.noiseMix[lane], keepMix = g.keepMix[lane];
  const int32_t increment = g.increment[lane];
  int32_t phase1 = g.phase1[lane], phase2 = g.phase2[lane];
  double* x = g.x + lane;
  const int32_t stride = g.lanes;
  for (int32_t i = 0; i < length; ++i) {
    double s = 0.0;
    if (table) {
      const int32_t i1 = phase1 >> 16;
      if (Pulse) s = saw[i1] - saw[phase2 >> 16];
      if (Sawtooth) s += saw[i1];
      if (Triangle) s += triangle[i1];
    }
    phase1 = (phase1 + increment) & kPhaseMask;
    phase2 = (phase2 + increment) & kPhaseMask;
    s = s * mixGain;
    if (Noise) s = noiseMix * g.noise[i] + keepMix * s;
    x[static_cast<size_t>(i) * stride] = s;
  }
  g.phase1[lane] = phase1;
  g.phase2[lane] = phase2;
}

using LaneOscillator = void (*)(LaneGroup&, int32_t, int32_t);
[[maybe_unused]] const LaneOscillator kLaneOscillators[16] = {
    OscillateLane<false, false, false, false>, OscillateLane<false, false, false, true>,
    OscillateLane<false, false, true, false>,  OscillateLane<false, false, true, true>,
    OscillateLane<false, true, false, false>,  OscillateLane<false, true, false, true>,
    OscillateLane<false, true, true, false>,   OscillateLane<false, true, true, true>,
    OscillateLane<true, false, false, false>,  OscillateLane<true, false, false, true>,
    OscillateLane<true, false, true, false>,   OscillateLane<true, false, true, true>,
    OscillateLane<true, true, false, false>,   OscillateLane<true, true, false, true>,
    OscillateLane<true, true, true, false>,    OscillateLane<true, true, true, true>,
};

[[maybe_unused]] void OscillateLanes(LaneGroup& g, int32_t length) {
  const int32_t width = g.lanes / g.chainCount;
  for (int32_t lane = 0; lane < g.lanes; ++lane) {
    if (g.chainVarying[lane / width]) {
      // The triangle as Oscillator::RenderSample leaves it in lastTriangle.
      const double* triangle = g.tables + g.tableOffset[lane] + g.triangleOffset;
      int32_t phase = g.phase1[lane];
      for (int32_t i = 0; i < length; ++i) {
        g.triangle[static_cast<size_t>(i) * g.lanes + lane] =
            g.hasTable[lane] ? triangle[phase >> 16] : g.lastTriangle[lane];
        phase = (phase + g.increment[lane]) & kPhaseMask;
      }
    }
    const int32_t kind = (g.pulseOn[lane] ? 8 : 0) | (g.sawtoothOn[lane] ? 4 : 0) | (g.triangleOn[lane] ? 2 : 0) |
                         (g.noiseOn[lane] ? 1 : 0);
    kLaneOscillators[kind](g, lane, length);
  }
}

// One chain, sample by sample, the table readings gathered for the chain's
// lanes at once. Gather::N lanes; Gather::Index holds N int32. What the chain
// needs (the second reading, the triangle added or kept for the cutoff, the
// noise) is fixed for the run, so each combination has a loop of its own.
template <typename Gather, bool Second, bool WithTriangle, bool Varying, bool WithNoise>
void OscillateChain(LaneGroup& g, int32_t c, int32_t length) {
  constexpr int32_t N = Gather::N;
  typedef typename Vectors<N>::D D;
  typedef typename Vectors<N>::M M;
  typedef typename Gather::Index I;
  const int32_t lanes = g.lanes;
  const I mask = Broadcast<I>(kPhaseMask);
  const D zero = Broadcast<D>(0.0);
  const int32_t o = c * N;
  I phase1 = Load<I>(g.phase1 + o), phase2 = Load<I>(g.phase2 + o);
  const I increment = Load<I>(g.increment + o), offset = Load<I>(g.tableOffset + o);
  const M pulse = Load<M>(g.pulseOn + o), saw = Load<M>(g.sawtoothOn + o), triangle = Load<M>(g.triangleOn + o);
  const M table = Load<M>(g.hasTable + o), noiseOn = Load<M>(g.noiseOn + o);
  const D mixGain = Load<D>(g.mixGain + o), noiseMix = Load<D>(g.noiseMix + o), keepMix = Load<D>(g.keepMix + o);
  const D lastTriangle = Load<D>(g.lastTriangle + o);
  const double* sawBase = g.tables;
  const double* triangleBase = g.tables + g.triangleOffset;
  const double* noise = g.noise;
  double* x = g.x + o;
  double* triangleOut = g.triangle + o;
  for (int32_t i = 0; i < length; ++i) {
    const I i1 = (phase1 >> 16) + offset;
    const D saw1 = Gather::Read(sawBase, i1);
    D s = zero;
    if (Second) {
      const D saw2 = Gather::Read(sawBase, (phase2 >> 16) + offset);
      s = pulse ? saw1 - saw2 : zero;
    }
    s = saw ? s + saw1 : s;
    if (WithTriangle || Varying) {
      const D triangle1 = Gather::Read(triangleBase, i1);
      if (WithTriangle) s = triangle ? s + triangle1 : s;
      if (Varying) Store(triangleOut + static_cast<size_t>(i) * lanes, table ? triangle1 : lastTriangle);
    }
    s = table ? s : zero;
    phase1 = (phase1 + increment) & mask;
    phase2 = (phase2 + increment) & mask;
    s = s * mixGain;
    if (WithNoise) s = noiseOn ? noiseMix * Broadcast<D>(noise[i]) + keepMix * s : s;
    Store(x + static_cast<size_t>(i) * lanes, s);
  }
  Store(g.phase1 + o, phase1);
  Store(g.phase2 + o, phase2);
}

template <typename Gather, size_t... K>
__attribute__((always_inline)) inline void OscillateChainsOf(LaneGroup& g, int32_t length, std::index_sequence<K...>) {
  using Chain = void (*)(LaneGroup&, int32_t, int32_t);
  static constexpr Chain kChains[16] = {
      OscillateChain<Gather, (K & 8) != 0, (K & 4) != 0, (K & 2) != 0, (K & 1) != 0>...};
  constexpr int32_t N = Gather::N;
  for (int32_t c = 0; c * N < g.lanes; ++c) {
    bool withNoise = false;
    for (int32_t j = 0; j < N; ++j) withNoise |= g.noiseOn[c * N + j] != 0;
    const int32_t kind =
        (g.chainPulse[c] ? 8 : 0) | (g.chainTriangle[c] ? 4 : 0) | (g.chainVarying[c] ? 2 : 0) | (withNoise ? 1 : 0);
    kChains[kind](g, c, length);
  }
}

template <typename Gather>
void OscillateChains(LaneGroup& g, int32_t length) {
  OscillateChainsOf<Gather>(g, length, std::make_index_sequence<16>());
}

// ---- filter coefficients moved by the triangle ------------------------------

constexpr double kTopCutoff = 17280.0;

// LadderFilter::CutoffIndex: the cutoff rounded half away from zero, clamped
// to the tables.
__attribute__((always_inline)) inline int32_t CutoffIndexOf(double cutoff) {
  if (!(cutoff > 0.0)) return 0;
  if (cutoff >= kTopCutoff) return static_cast<int32_t>(kTopCutoff);
  const double whole = static_cast<double>(static_cast<int32_t>(cutoff));
  return static_cast<int32_t>(whole) + (cutoff - whole >= 0.5 ? 1 : 0);
}

// LadderFilter::ComputeCoefficients for every sample, lane by lane (the
// filter skips the computation while the index holds; the values are the
// same either way).
[[maybe_unused]] void CoefficientsOfLanes(LaneGroup& g, int32_t length) {
  const int32_t lanes = g.lanes;
  const int32_t width = lanes / g.chainCount;
  for (int32_t lane = 0; lane < lanes; ++lane) {
    if (!g.chainVarying[lane / width]) continue;
    int32_t last = -1;
    double G = 0.0, a = 0.0, G4 = 0.0, norm = 0.0, k = 0.0;
    for (int32_t i = 0; i < length; ++i) {
      const int32_t c =
          CutoffIndexOf(g.modDepth[lane] * g.triangle[static_cast<size_t>(i) * lanes + lane] + g.cutoffPitch[lane]);
      if (c != last) {
        last = c;
        const double* e = g.cutoffEntries + 4 * c;
        k = g.resonance[lane] * e[0];
        G = e[1];
        a = e[2];
        G4 = e[3];
        norm = 1.0 / (1.0 + k * G4);
      }
      double* row = g.varyingCoefficients + static_cast<size_t>(i) * LaneGroup::kCoefficients * lanes + lane;
      row[0] = G;
      row[lanes] = a;
      row[2 * lanes] = G4;
      row[3 * lanes] = norm;
      row[4 * lanes] = k;
    }
  }
}

// The same for a chain at a time, the table entries gathered.
template <typename Gather>
void CoefficientsOfChains(LaneGroup& g, int32_t length) {
  constexpr int32_t N = Gather::N;
  typedef typename Vectors<N>::D D;
  typedef typename Gather::Index I;
  const int32_t lanes = g.lanes;
  const D zero = Broadcast<D>(0.0), one = Broadcast<D>(1.0), half = Broadcast<D>(0.5);
  const D top = Broadcast<D>(kTopCutoff);
  const double* entries = g.cutoffEntries;
  for (int32_t c = 0; c * N < lanes; ++c) {
    if (!g.chainVarying[c]) continue;
    const int32_t o = c * N;
    const D depth = Load<D>(g.modDepth + o), pitch = Load<D>(g.cutoffPitch + o), resonance = Load<D>(g.resonance + o);
    // A lane's entries jump by many cache lines from one sample to the next,
    // beyond what the first two cache levels hold: all of a stretch's are
    // asked for before the first is read.
    constexpr int32_t kStretch = 16;
    for (int32_t first = 0; first < length; first += kStretch) {
      const int32_t count = length - first < kStretch ? length - first : kStretch;
      I entryOf[kStretch];
      for (int32_t i = 0; i < count; ++i) {
        const D cutoff = depth * Load<D>(g.triangle + static_cast<size_t>(first + i) * lanes + o) + pitch;
        D clamped = cutoff > 0.0 ? cutoff : zero;  // NaN too
        clamped = clamped >= top ? top : clamped;
        const D whole = __builtin_convertvector(__builtin_convertvector(clamped, I), D);
        const D index = whole + (clamped - whole >= half ? one : zero);
        entryOf[i] = __builtin_convertvector(index, I) * 4;
        for (int32_t j = 0; j < N; ++j) __builtin_prefetch(entries + entryOf[i][j]);
      }
      for (int32_t i = 0; i < count; ++i) {
        D kmax, G, a, G4;
        Gather::ReadEntries(entries, entryOf[i], kmax, G, a, G4);
        const D k = resonance * kmax;
        const D norm = 1.0 / (1.0 + k * G4);
        double* row = g.varyingCoefficients + static_cast<size_t>(first + i) * LaneGroup::kCoefficients * lanes + o;
        Store(row, G);
        Store(row + lanes, a);
        Store(row + 2 * lanes, G4);
        Store(row + 3 * lanes, norm);
        Store(row + 4 * lanes, k);
      }
    }
  }
}

// ---- filter -------------------------------------------------------------

// Chains first .. first + C - 1 for one run: LadderFilter::Step per lane,
// then the output gain compensation, the amplitude envelope, the voice's
// output gain and the master gain, multiplied in that order.
template <int32_t N, int32_t C>
void FilterPass(LaneGroup& g, int32_t first, int32_t length) {
  typedef typename Vectors<N>::D D;
  const int32_t lanes = g.lanes;
  const int32_t o = first * N;
  D s1[C], s2[C], s3[C], s4[C], ad[C], gainComp[C], outputGain[C];
  const double* coefficient[C];
  const double* level[C];
  int32_t coefficientStep[C], levelStep[C];
#pragma GCC unroll 8
  for (int32_t c = 0; c < C; ++c) {
    s1[c] = Load<D>(g.s1 + o + c * N);
    s2[c] = Load<D>(g.s2 + o + c * N);
    s3[c] = Load<D>(g.s3 + o + c * N);
    s4[c] = Load<D>(g.s4 + o + c * N);
    ad[c] = Load<D>(g.antiDenormal + o + c * N);
    gainComp[c] = Load<D>(g.gainComp + o + c * N);
    outputGain[c] = Load<D>(g.outputGain + o + c * N);
    coefficient[c] = g.coefficients[first + c];
    level[c] = g.levels[first + c];
    coefficientStep[c] = g.coefficientStep[first + c];
    levelStep[c] = g.levelStep[first + c];
  }
  const D masterGain = Broadcast<D>(g.masterGain);
  const D plus5 = Broadcast<D>(5.0), minus5 = Broadcast<D>(-5.0);
  const double* x = g.x + o;
  double* y = g.y + o;
  const int32_t yStride = g.yStride;
  // Each step for every chain before the next step: the chains' recurrences
  // are independent, and with their operations side by side the processor
  // overlaps them without holding one chain's whole step in waiting.
#define VORNELL_CHAINS _Pragma("GCC unroll 8") for (int32_t c = 0; c < C; ++c)
  for (int32_t i = 0; i < length; ++i) {
    // The coefficients other than G are read where they are used, which
    // keeps the registers for the chains' states.
    D G[C], out[C], h[C], h2[C], f[C], u[C], yv[C], v[C];
    VORNELL_CHAINS G[c] = Load<D>(coefficient[c]);
    VORNELL_CHAINS s1[c] += ad[c];
    VORNELL_CHAINS s2[c] += ad[c];
    VORNELL_CHAINS s3[c] += ad[c];
    VORNELL_CHAINS s4[c] += ad[c];
    VORNELL_CHAINS ad[c] = -ad[c];
    VORNELL_CHAINS out[c] = G[c] * s1[c];
    VORNELL_CHAINS out[c] = out[c] + s2[c];
    VORNELL_CHAINS out[c] = out[c] * G[c];
    VORNELL_CHAINS out[c] = out[c] + s3[c];
    VORNELL_CHAINS out[c] = out[c] * G[c];
    VORNELL_CHAINS out[c] = out[c] + s4[c];  // S
    VORNELL_CHAINS out[c] =
        (out[c] + Load<D>(coefficient[c] + 2 * lanes) * Load<D>(x + c * N)) * Load<D>(coefficient[c] + 3 * lanes);
    VORNELL_CHAINS h[c] = 0.2 * out[c];
    VORNELL_CHAINS h2[c] = h[c] * h[c];
    VORNELL_CHAINS f[c] = 5.0 * h[c] * (h2[c] + 27.0);
    VORNELL_CHAINS h2[c] = 9.0 * h2[c] + 27.0;
    VORNELL_CHAINS f[c] = f[c] / h2[c];
    VORNELL_CHAINS f[c] = h[c] < -3.0 ? minus5 : f[c];
    VORNELL_CHAINS f[c] = h[c] > 3.0 ? plus5 : f[c];
    VORNELL_CHAINS u[c] = (Load<D>(x + c * N) - Load<D>(coefficient[c] + 4 * lanes) * f[c]) * G[c];
    VORNELL_CHAINS yv[c] = s1[c] + u[c];
    VORNELL_CHAINS s1[c] = u[c] - Load<D>(coefficient[c] + lanes) * yv[c];
    VORNELL_CHAINS v[c] = G[c] * yv[c];
    VORNELL_CHAINS yv[c] = s2[c] + v[c];
    VORNELL_CHAINS s2[c] = v[c] - Load<D>(coefficient[c] + lanes) * yv[c];
    VORNELL_CHAINS v[c] = G[c] * yv[c];
    VORNELL_CHAINS yv[c] = s3[c] + v[c];
    VORNELL_CHAINS s3[c] = v[c] - Load<D>(coefficient[c] + lanes) * yv[c];
    VORNELL_CHAINS v[c] = G[c] * yv[c];
    VORNELL_CHAINS yv[c] = s4[c] + v[c];
    VORNELL_CHAINS s4[c] = v[c] - Load<D>(coefficient[c] + lanes) * yv[c];
    VORNELL_CHAINS out[c] = out[c] * gainComp[c];
    VORNELL_CHAINS out[c] = out[c] * Load<D>(level[c]);
    VORNELL_CHAINS out[c] = out[c] * outputGain[c];
    VORNELL_CHAINS out[c] = out[c] * masterGain;
    VORNELL_CHAINS Store(y + c * N, out[c]);
    VORNELL_CHAINS {
      coefficient[c] += coefficientStep[c];
      level[c] += levelStep[c];
    }
    x += lanes;
    y += yStride;
  }
#undef VORNELL_CHAINS
#pragma GCC unroll 8
  for (int32_t c = 0; c < C; ++c) {
    Store(g.s1 + o + c * N, s1[c]);
    Store(g.s2 + o + c * N, s2[c]);
    Store(g.s3 + o + c * N, s3[c]);
    Store(g.s4 + o + c * N, s4[c]);
    Store(g.antiDenormal + o + c * N, ad[c]);
  }
}

// Passes of up to MaxC chains, so that a pass's states stay in registers
// while several chains give the divider independent work.
template <int32_t N, int32_t MaxC, size_t... C>
__attribute__((always_inline)) inline void FilterPasses(LaneGroup& g, int32_t length, std::index_sequence<C...>) {
  using Pass = void (*)(LaneGroup&, int32_t, int32_t);
  static constexpr Pass kPasses[MaxC] = {FilterPass<N, static_cast<int32_t>(C) + 1>...};
  const int32_t chains = g.lanes / N;
  for (int32_t first = 0; first < chains;) {
    const int32_t count = chains - first < MaxC ? chains - first : MaxC;
    kPasses[count - 1](g, first, length);
    first += count;
  }
}

template <int32_t N, int32_t MaxC>
void Filter(LaneGroup& g, int32_t length) {
  FilterPasses<N, MaxC>(g, length, std::make_index_sequence<MaxC>());
}

// ---- mix ----------------------------------------------------------------

// rows[j] holds sample j of N lanes; afterwards rows[q] holds lane q's N
// samples. Each stage swaps one bit between the row and the column index.
// Two-vector shuffle with constant indices into the pair: GCC and clang spell it
// differently (clang builds the fuzz targets).
#if defined(__clang__)
#define VORNELL_SHUFFLE(M, a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define VORNELL_SHUFFLE(M, a, b, ...) __builtin_shuffle(a, b, M{__VA_ARGS__})
#endif

template <int32_t N>
struct Transpose;

template <>
struct Transpose<2> {
  typedef Vectors<2>::D D;
  typedef Vectors<2>::M M;
  __attribute__((always_inline)) static void Run(D* r) {
    const D a = r[0], b = r[1];
    r[0] = VORNELL_SHUFFLE(M, a, b, 0, 2);
    r[1] = VORNELL_SHUFFLE(M, a, b, 1, 3);
  }
};

template <>
struct Transpose<4> {
  typedef Vectors<4>::D D;
  typedef Vectors<4>::M M;
  __attribute__((always_inline)) static void Run(D* r) {
    for (int32_t p = 0; p < 4; p += 2) {
      const D a = r[p], b = r[p + 1];
      r[p] = VORNELL_SHUFFLE(M, a, b, 0, 4, 2, 6);
      r[p + 1] = VORNELL_SHUFFLE(M, a, b, 1, 5, 3, 7);
    }
    for (int32_t p = 0; p < 2; ++p) {
      const D a = r[p], b = r[p + 2];
      r[p] = VORNELL_SHUFFLE(M, a, b, 0, 1, 4, 5);
      r[p + 2] = VORNELL_SHUFFLE(M, a, b, 2, 3, 6, 7);
    }
  }
};

template <>
struct Transpose<8> {
  typedef Vectors<8>::D D;
  typedef Vectors<8>::M M;
  __attribute__((always_inline)) static void Run(D* r) {
    for (int32_t p = 0; p < 8; p += 2) {
      const D a = r[p], b = r[p + 1];
      r[p] = VORNELL_SHUFFLE(M, a, b, 0, 8, 2, 10, 4, 12, 6, 14);
      r[p + 1] = VORNELL_SHUFFLE(M, a, b, 1, 9, 3, 11, 5, 13, 7, 15);
    }
    const int32_t pairs[4] = {0, 1, 4, 5};
    for (int32_t p : pairs) {
      const D a = r[p], b = r[p + 2];
      r[p] = VORNELL_SHUFFLE(M, a, b, 0, 1, 8, 9, 4, 5, 12, 13);
      r[p + 2] = VORNELL_SHUFFLE(M, a, b, 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int32_t p = 0; p < 4; ++p) {
      const D a = r[p], b = r[p + 4];
      r[p] = VORNELL_SHUFFLE(M, a, b, 0, 1, 2, 3, 8, 9, 10, 11);
      r[p + 4] = VORNELL_SHUFFLE(M, a, b, 4, 5, 6, 7, 12, 13, 14, 15);
    }
  }
};

// The outputs: 0 and 1 the sum, 2 + 2t and 3 + 2t track t's pair.
constexpr int32_t kOutputs = 14;
constexpr int32_t kTracks = 6;

// N samples at a time: the row of every voice's output is turned into one
// vector per voice (N samples) in a small scratch, and the voices are added
// in index order to the sum and to their track's pair; the pair of the track
// met last stays in registers.
template <int32_t N>
void Mix(const MixPlan& plan, double* const* out, int32_t length) {
  typedef typename Vectors<N>::D D;
  const int32_t stride = plan.stride, voices = plan.voices;
  double* columns = plan.columns;
  int32_t i = 0;
  for (; i + N <= length; i += N) {
    for (int32_t o = 0; o < stride; o += N) {
      D rows[N];
      for (int32_t j = 0; j < N; ++j) rows[j] = Load<D>(plan.y + static_cast<size_t>(i + j) * stride + o);
      Transpose<N>::Run(rows);
      for (int32_t q = 0; q < N; ++q) Store(columns + static_cast<size_t>(o + q) * N, rows[q]);
    }
    const D zero = Broadcast<D>(0.0);
    D sumLeft = zero, sumRight = zero, trackLeft[kTracks], trackRight[kTracks];
    for (int32_t t = 0; t < kTracks; ++t) trackLeft[t] = trackRight[t] = zero;
    int32_t current = 0;
    D left = zero, right = zero;
    for (int32_t v = 0; v < voices; ++v) {
      const D s = Load<D>(columns + static_cast<size_t>(plan.slot[v]) * N);
      const D l = s * Broadcast<D>(plan.gainLeft[v]);
      const D r = s * Broadcast<D>(plan.gainRight[v]);
      sumLeft += l;
      sumRight += r;
      const int32_t t = plan.track[v];
      if (t != current) {
        trackLeft[current] = left;
        trackRight[current] = right;
        left = trackLeft[t];
        right = trackRight[t];
        current = t;
      }
      left += l;
      right += r;
    }
    trackLeft[current] = left;
    trackRight[current] = right;
    Store(out[0] + i, sumLeft);
    Store(out[1] + i, sumRight);
    for (int32_t t = 0; t < kTracks; ++t) {
      Store(out[2 + 2 * t] + i, trackLeft[t]);
      Store(out[3 + 2 * t] + i, trackRight[t]);
    }
  }
  // The rest, sample by sample.
  for (; i < length; ++i) {
    double acc[kOutputs] = {};
    const double* row = plan.y + static_cast<size_t>(i) * stride;
    for (int32_t v = 0; v < voices; ++v) {
      const double s = row[plan.slot[v]];
      const double l = s * plan.gainLeft[v];
      const double r = s * plan.gainRight[v];
      const int32_t t = plan.track[v];
      acc[0] += l;
      acc[1] += r;
      acc[2 + 2 * t] += l;
      acc[3 + 2 * t] += r;
    }
    for (int32_t k = 0; k < kOutputs; ++k) out[k][i] = acc[k];
  }
}

// ---- the host's float outputs -------------------------------------------

void StoreFloat(const double* source, float* destination, int32_t count) {
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) Store(destination + i, __builtin_convertvector(Load<Double8>(source + i), Float8));
  for (; i < count; ++i) destination[i] = static_cast<float>(source[i]);
}

void AddFloat(const double* source, float* destination, int32_t count) {
  int32_t i = 0;
  for (; i + 8 <= count; i += 8)
    Store(destination + i, Load<Float8>(destination + i) + __builtin_convertvector(Load<Double8>(source + i), Float8));
  for (; i < count; ++i) destination[i] += static_cast<float>(source[i]);
}

}  // namespace
