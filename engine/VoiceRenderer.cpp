// The batched and the per-sample audio paths must round identically on every
// target, so multiply-adds are never fused.
#pragma GCC optimize("fp-contract=off")

#include "engine/VoiceRenderer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "engine/BandLimitedTables.h"
#include "engine/Engine.h"

namespace {

constexpr int32_t kMaxLanes = LaneGroup::kMaxLanes;
constexpr int32_t kCoefficients = LaneGroup::kCoefficients;
// Samples per call of the coefficient and filter kernels for a group whose
// cutoffs follow the triangle: their coefficients per sample, five rows, take
// most room otherwise.
constexpr int32_t kStep = 16;
// Lanes are ordered by a kind of four bits: cutoff varying, pulse, triangle, noise.
constexpr int32_t kLaneKinds = 16;

// The five filter coefficients of a lane, in the order the kernels read them.
void PutCoefficients(double* at, int32_t lanes, double G, double a, double G4, double norm, double k) {
  at[0] = G;
  at[lanes] = a;
  at[2 * lanes] = G4;
  at[3 * lanes] = norm;
  at[4 * lanes] = k;
}

// An envelope that stays where it is for the whole run: idle (ended earlier
// in this control period) or holding its sustain level.
bool EnvelopeHolds(const Envelope& env) {
  return env.stage == Envelope::kIdle || (env.stage == Envelope::kDecay && env.segmentDone);
}

}  // namespace

void VoiceRenderer::Prepare(int32_t maxLength) {
  if (maxLength < 1) maxLength = 1;
  if (maxLength <= capacity) return;
  // Whole steps, so that the periods of 44.1 and 48 kHz take the same room.
  capacity = (maxLength + kStep - 1) / kStep * kStep;
  noise.assign(capacity, 0.0);
  // The moving coefficients for one step, the rest for the whole run.
  const size_t stepRows = static_cast<size_t>(kStep) * kMaxLanes;
  const size_t rows = static_cast<size_t>(capacity) * kMaxLanes;
  const size_t outputRows = static_cast<size_t>(capacity) * MixPlan::kMaxRow;
  const size_t size = rows * 3 + stepRows * kCoefficients + outputRows;
  storage.reset(static_cast<double*>(::operator new[](size * sizeof(double), std::align_val_t(kPage))));
  // Zeroed here, so that no page is first touched in an audio block.
  std::fill_n(storage.get(), size, 0.0);
  double* base = storage.get();
  x = base;
  y = x + rows;
  coefficients = y + outputRows;
  triangle = coefficients + stepRows * kCoefficients;
  levels = triangle + rows;
  discard.assign(static_cast<size_t>(capacity) * Engine::kOutputCount, 0.0);
}

void VoiceRenderer::PrefetchVoices(Voice* const* voices, int32_t count) {
  for (int32_t n = 0; n < count; ++n) {
    const char* state = reinterpret_cast<const char*>(voices[n]);
    for (size_t at = 0; at < offsetof(Voice, oscEnv); at += 64) __builtin_prefetch(state + at);
  }
}

void VoiceRenderer::FillGroup(Engine& engine, Voice* const* voices, int32_t used, int32_t lanes, int32_t width,
                              int32_t length, int32_t row, int32_t rowLength) {
  LaneGroup& g = group;
  const BandLimitedTables& tables = BandLimitedTables::Get();
  g.lanes = lanes;
  g.chainCount = lanes / width;
  g.used = used;
  g.tables = tables.Storage();
  g.triangleOffset = BandLimitedTables::kTriangleOffset;
  g.noise = noise.data();
  g.x = x;
  g.y = y + row;
  g.yStride = rowLength;
  g.masterGain = engine.masterGain;
  g.triangle = triangle;
  g.varyingCoefficients = coefficients;
  g.cutoffEntries = reinterpret_cast<const double*>(engine.Cutoffs().Entries());

  // The cutoff entries and the first table readings, asked for all at once:
  // the lanes are filled one after the other, and each would otherwise wait
  // for its own.
  const CutoffTables::Entry* entries = engine.Cutoffs().Entries();
  for (int32_t lane = 0; lane < used; ++lane) {
    const Voice& voice = *voices[lane];
    __builtin_prefetch(entries + LadderFilter::CutoffIndex(voice.cutoffPitch));
    if (voice.osc.sawTable) {
      __builtin_prefetch(voice.osc.sawTable + (voice.osc.phase1 >> 16));
      __builtin_prefetch(voice.osc.sawTable + (voice.osc.phase2 >> 16));
    }
  }

  // Which lanes' filter coefficients follow the triangle sample by sample, and
  // whose amplitude envelope moves; a chain with one such lane gets a value
  // per sample for all its lanes.
  bool varying[kMaxLanes] = {};
  bool moving[kMaxLanes] = {};
  for (int32_t lane = 0; lane < used; ++lane) {
    varying[lane] = voices[lane]->modDepth > 0.0;
    moving[lane] = !EnvelopeHolds(voices[lane]->ampEnv);
  }
  bool chainVarying[LaneGroup::kMaxChains] = {};
  bool chainMoving[LaneGroup::kMaxChains] = {};
  const int32_t widthShift = __builtin_ctz(static_cast<uint32_t>(width));  // widths are powers of two
  for (int32_t lane = 0; lane < lanes; ++lane) {
    chainVarying[lane >> widthShift] |= varying[lane];
    chainMoving[lane >> widthShift] |= moving[lane];
  }
  for (int32_t c = 0; c * width < lanes; ++c) {
    g.coefficients[c] = (chainVarying[c] ? coefficients : constantCoefficients) + c * width;
    g.coefficientStep[c] = chainVarying[c] ? kCoefficients * lanes : 0;
    g.levels[c] = (chainMoving[c] ? levels : constantLevels) + c * width;
    g.levelStep[c] = chainMoving[c] ? lanes : 0;
    g.chainPulse[c] = false;
    g.chainTriangle[c] = false;
    g.chainVarying[c] = chainVarying[c];
  }

  for (int32_t lane = 0; lane < lanes; ++lane) {
    const int32_t chain = lane >> widthShift;
    if (lane >= used) {
      // A silent lane: no table, no gain; zero coefficients keep its states at zero.
      g.phase1[lane] = g.phase2[lane] = g.increment[lane] = g.tableOffset[lane] = 0;
      g.pulseOn[lane] = g.sawtoothOn[lane] = g.triangleOn[lane] = g.hasTable[lane] = g.noiseOn[lane] = 0;
      g.mixGain[lane] = g.noiseMix[lane] = g.keepMix[lane] = 0.0;
      g.gainComp[lane] = g.outputGain[lane] = 0.0;
      g.s1[lane] = g.s2[lane] = g.s3[lane] = g.s4[lane] = g.antiDenormal[lane] = 0.0;
      g.lastTriangle[lane] = g.modDepth[lane] = g.cutoffPitch[lane] = g.resonance[lane] = 0.0;
      if (!chainVarying[chain]) PutCoefficients(constantCoefficients + lane, lanes, 0, 0, 0, 1, 0);
      if (chainMoving[chain]) {
        for (int32_t i = 0; i < length; ++i) levels[static_cast<size_t>(i) * lanes + lane] = 0.0;
      } else {
        constantLevels[lane] = 0.0;
      }
      continue;
    }
    Voice& voice = *voices[lane];
    Oscillator& osc = voice.osc;
    LadderFilter& filter = voice.filter;

    // Oscillator and noise mix.
    g.phase1[lane] = osc.phase1;
    g.phase2[lane] = osc.phase2;
    g.increment[lane] = osc.phaseIncrement;
    g.hasTable[lane] = osc.sawTable ? -1 : 0;
    g.tableOffset[lane] = osc.sawTable ? static_cast<int32_t>(osc.sawTable - tables.Storage()) : 0;
    g.pulseOn[lane] = osc.pulseOn ? -1 : 0;
    g.sawtoothOn[lane] = osc.sawtoothOn ? -1 : 0;
    g.triangleOn[lane] = osc.triangleOn ? -1 : 0;
    g.chainPulse[chain] |= osc.pulseOn;
    g.chainTriangle[chain] |= osc.triangleOn;
    g.mixGain[lane] = osc.mixGain;
    g.noiseOn[lane] = voice.noiseMix > 0.0 ? -1 : 0;
    g.noiseMix[lane] = voice.noiseMix;
    g.keepMix[lane] = 1.0 - voice.noiseMix;

    // Filter coefficients: per sample (by the kernels) when the triangle
    // moves the cutoff, else once. A pre-roll runs on the first sample's.
    g.lastTriangle[lane] = varying[lane] && !osc.sawTable ? osc.LastTriangle() : 0.0;
    g.modDepth[lane] = varying[lane] ? voice.modDepth : 0.0;
    g.cutoffPitch[lane] = voice.cutoffPitch;
    g.resonance[lane] = filter.resonance;
    if (varying[lane]) {
      if (filter.preRoll) {
        const double first = osc.sawTable ? osc.triangleTable[osc.phase1 >> 16] : osc.LastTriangle();
        filter.UpdateCoefficients(voice.modDepth * first + voice.cutoffPitch);
        filter.RunPreRoll();
      }
    } else {
      if (filter.preRoll) {
        filter.UpdateCoefficients(voice.cutoffPitch);
        filter.RunPreRoll();
      }
      // ComputeCoefficients straight into the lane; norm's division follows
      // for all lanes at once.
      if (!chainVarying[chain]) {
        const CutoffTables::Entry& e = entries[LadderFilter::CutoffIndex(voice.cutoffPitch)];
        PutCoefficients(constantCoefficients + lane, lanes, e.g, e.a, e.g4, 0.0, filter.resonance * e.kmax);
      }
    }
    // The filter's own coefficients were not updated: its next per-sample
    // use computes them afresh.
    filter.lastCutoffIndex = -1;
    // What ComputeCoefficients takes for gainComp (a varying lane's filter
    // may not have computed its coefficients since a resonance change).
    g.gainComp[lane] = filter.resonanceGain;
    g.s1[lane] = filter.s1;
    g.s2[lane] = filter.s2;
    g.s3[lane] = filter.s3;
    g.s4[lane] = filter.s4;
    g.antiDenormal[lane] = filter.antiDenormal;

    // The amplitude envelope; a held sustain is constant.
    Envelope& env = voice.ampEnv;
    if (moving[lane]) {
      for (int32_t i = 0; i < length; ++i) {
        env.Tick();
        levels[static_cast<size_t>(i) * lanes + lane] = env.level;
      }
    } else {
      env.Tick();
      if (chainMoving[chain]) {
        for (int32_t i = 0; i < length; ++i) levels[static_cast<size_t>(i) * lanes + lane] = env.level;
      } else {
        constantLevels[lane] = env.level;
      }
    }
    g.outputGain[lane] = voice.outputGain;
  }
  for (int32_t lane = 0; lane < lanes; ++lane) {
    if (chainVarying[lane >> widthShift]) continue;
    double* at = constantCoefficients + lane;
    at[3 * lanes] = 1.0 / (1.0 + at[4 * lanes] * at[2 * lanes]);  // norm = 1 / (1 + k G4)
  }
}

void VoiceRenderer::FinishGroup(Voice* const* voices, int32_t length) {
  const LaneGroup& g = group;
  for (int32_t lane = 0; lane < g.used; ++lane) {
    Voice& voice = *voices[lane];
    LadderFilter& filter = voice.filter;
    filter.s1 = g.s1[lane];
    filter.s2 = g.s2[lane];
    filter.s3 = g.s3[lane];
    filter.s4 = g.s4[lane];
    filter.antiDenormal = g.antiDenormal[lane];
    Oscillator& osc = voice.osc;
    osc.phase1 = g.phase1[lane];
    osc.phase2 = g.phase2[lane];
    // The triangle was last read at the phase before the final advance.
    if (osc.sawTable && length > 0)
      osc.lastTriangle = osc.triangleTable + (((osc.phase1 - osc.phaseIncrement) & Oscillator::kPhaseMask) >> 16);
  }
}

void VoiceRenderer::RenderRange(Engine& engine, double** out, int32_t length, double clickGain) {
  if (length <= 0) return;
  // Active voices in index order (the mix adds them in this order). In the
  // lanes, voices that need the same readings share chains: those whose
  // cutoff holds for the run come first (so that those whose cutoff follows
  // the triangle share as few chains as possible), and within each, voices
  // with the same oscillator readings (the pulse's second sawtooth, the
  // triangle, the noise) are together, so that few chains read what only
  // some of their lanes use. The order of the lanes changes no sample.
  Voice* active[Engine::kVoiceCount];
  uint8_t kindOf[Engine::kVoiceCount];
  int32_t kindCount[kLaneKinds] = {};
  int32_t count = 0;
  bool noiseHeard = false;
  for (int32_t word = 0; word < 2; ++word) {
    uint64_t bits = engine.runningVoices[word];
    while (bits) {
      const int32_t bit = __builtin_ctzll(bits);
      bits &= bits - 1;
      Voice& voice = engine.voices[word * 64 + bit];
      if (!voice.active) continue;
      const bool noisy = voice.noiseMix > 0.0;
      noiseHeard |= noisy;
      const int32_t kind = (voice.modDepth > 0.0 ? 8 : 0) | (voice.osc.pulseOn ? 4 : 0) |
                           (voice.osc.triangleOn ? 2 : 0) | (noisy ? 1 : 0);
      kindOf[count] = static_cast<uint8_t>(kind);
      ++kindCount[kind];
      active[count++] = &voice;
    }
  }
  Voice* lanes[Engine::kVoiceCount];
  int32_t kindStart[kLaneKinds];
  for (int32_t kind = 0, at = 0; kind < kLaneKinds; ++kind) {
    kindStart[kind] = at;
    at += kindCount[kind];
  }
  for (int32_t n = 0; n < count; ++n) lanes[kindStart[kindOf[n]]++] = active[n];
  if (noiseHeard)
    engine.AdvanceNoise(noise.data(), length);
  else
    engine.SkipNoise(length);

  if (count == 0) {
    for (int32_t k = 0; k < Engine::kOutputCount; ++k) std::memset(out[k], 0, sizeof(double) * length);
  } else {
    const VectorKernels& kernels = ActiveKernels();
    const int32_t width = kernels.width;
    auto lanesOf = [&](int32_t used) { return (used + width - 1) / width * width; };
    int32_t rowLength = 0;
    for (int32_t first = 0; first < count; first += kernels.maxLanes)
      rowLength += lanesOf(std::min(kernels.maxLanes, count - first));
    int32_t slotOf[Engine::kVoiceCount];
    PrefetchVoices(lanes, std::min(kernels.maxLanes, count));
    for (int32_t first = 0, row = 0; first < count; first += kernels.maxLanes) {
      const int32_t used = std::min(kernels.maxLanes, count - first);
      FillGroup(engine, lanes + first, used, lanesOf(used), width, length, row, rowLength);
      // The next group's voices arrive while this one's kernels run.
      const int32_t next = first + kernels.maxLanes;
      if (next < count) PrefetchVoices(lanes + next, std::min(kernels.maxLanes, count - next));
      kernels.oscillate(group, length);
      // A group whose cutoffs follow the triangle is filtered a step at a
      // time (its coefficients have room for one); any other in one go.
      bool varies = false;
      for (int32_t c = 0; c < group.chainCount; ++c) varies |= group.chainVarying[c];
      const int32_t step = varies ? kStep : length;
      for (int32_t start = 0; start < length; start += step) {
        const int32_t n = std::min(step, length - start);
        group.x = x + static_cast<size_t>(start) * group.lanes;
        group.triangle = triangle + static_cast<size_t>(start) * group.lanes;
        group.y = y + row + static_cast<size_t>(start) * rowLength;
        kernels.coefficients(group, n);
        kernels.filter(group, n);
        for (int32_t c = 0; c < group.chainCount; ++c) group.levels[c] += static_cast<size_t>(n) * group.levelStep[c];
      }
      FinishGroup(lanes + first, length);
      for (int32_t lane = 0; lane < used; ++lane) slotOf[lanes[first + lane] - engine.voices.data()] = row + lane;
      row += lanesOf(used);
    }
    plan.y = y;
    plan.stride = rowLength;
    plan.columns = columns;
    plan.voices = count;
    for (int32_t n = 0; n < count; ++n) {
      const Voice& voice = *active[n];
      const Track& track = engine.tracks[voice.track];
      plan.slot[n] = slotOf[&voice - engine.voices.data()];
      plan.track[n] = voice.track;
      plan.gainLeft[n] = track.gainLeft;
      plan.gainRight[n] = track.gainRight;
    }
    kernels.mix(plan, out, length);
  }

  if (engine.clickEnabled) {
    for (int32_t i = 0; i < length; ++i) {
      double c = engine.click.NextSample() * clickGain;
      out[0][i] += c;
      out[1][i] += c;
    }
  }
}
