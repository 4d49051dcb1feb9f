// The batched and the per-sample audio paths must round identically on every
// target, so multiply-adds are never fused.
#pragma GCC optimize("fp-contract=off")

#include "engine/VoiceRenderer.h"

#include <algorithm>
#include <cstring>

#include "engine/Engine.h"

namespace {

constexpr int32_t kMaxLanes = FilterLanes::kMaxLanes;

// The oscillator and noise mix of one voice for a run, without per-sample
// tests of the waveform switches. Also returns the triangle per sample when the
// cutoff follows it.
template <bool Pulse, bool Saw, bool Triangle>
void RenderOscillator(Oscillator& osc, double noiseMix, const double* noise, double* x, int32_t stride,
                      double* triangleOut, int32_t length) {
  const double* sawTable = osc.sawTable;
  const double* triangleTable = osc.triangleTable;
  int32_t phase1 = osc.phase1, phase2 = osc.phase2;
  const int32_t increment = osc.phaseIncrement;
  const double mixGain = osc.mixGain;
  double lastTriangle = osc.lastTriangle;
  for (int32_t i = 0; i < length; ++i) {
    double s = 0.0;
    if (sawTable) {
      int32_t i1 = phase1 >> 16;
      int32_t i2 = phase2 >> 16;
      lastTriangle = triangleTable[i1];
      if (Pulse) s = sawTable[i1] - sawTable[i2];
      if (Saw) s += sawTable[i1];
      if (Triangle) s += triangleTable[i1];
    }
    phase1 = (phase1 + increment) & Oscillator::kPhaseMask;
    phase2 = (phase2 + increment) & Oscillator::kPhaseMask;
    s = s * mixGain;
    if (noiseMix > 0.0) s = noiseMix * noise[i] + (1.0 - noiseMix) * s;
    x[i * stride] = s;
    if (triangleOut) triangleOut[i] = lastTriangle;
  }
  osc.phase1 = phase1;
  osc.phase2 = phase2;
  osc.lastTriangle = lastTriangle;
}

using OscillatorRun = void (*)(Oscillator&, double, const double*, double*, int32_t, double*, int32_t);

const OscillatorRun kOscillatorRuns[8] = {
    RenderOscillator<false, false, false>, RenderOscillator<false, false, true>, RenderOscillator<false, true, false>,
    RenderOscillator<false, true, true>,   RenderOscillator<true, false, false>, RenderOscillator<true, false, true>,
    RenderOscillator<true, true, false>,   RenderOscillator<true, true, true>,
};

}  // namespace

void VoiceRenderer::Prepare(int32_t maxLength) {
  if (maxLength < 1) maxLength = 1;
  if (maxLength <= capacity) return;
  capacity = maxLength;
  const size_t laneSize = static_cast<size_t>(capacity) * kMaxLanes;
  noise.assign(capacity, 0.0);
  level.assign(capacity, 0.0);
  for (std::vector<double>* v : {&input, &output, &G, &a, &G4, &norm, &k}) v->assign(laneSize, 0.0);
  levels.assign(laneSize, 0.0);
  voiceOut.assign(static_cast<size_t>(capacity) * Engine::kVoiceCount, 0.0);
  discard.assign(static_cast<size_t>(capacity) * Engine::kOutputCount, 0.0);
  lanes.x = input.data();
  lanes.y = output.data();
  lanes.G = G.data();
  lanes.a = a.data();
  lanes.G4 = G4.data();
  lanes.norm = norm.data();
  lanes.k = k.data();
}

void VoiceRenderer::PrepareLane(Voice& voice, int32_t lane, int32_t length, bool varying) {
  Oscillator& osc = voice.osc;
  LadderFilter& filter = voice.filter;
  double* triangle = varying ? level.data() : nullptr;  // borrowed until the envelope runs
  int32_t run = (osc.pulseOn ? 4 : 0) | (osc.sawtoothOn ? 2 : 0) | (osc.triangleOn ? 1 : 0);
  kOscillatorRuns[run](osc, voice.noiseMix, noise.data(), input.data() + lane, lanes.width, triangle, length);

  if (varying) {
    // The cutoff follows the triangle sample by sample; coefficients are
    // recomputed whenever its rounded value changes.
    for (int32_t i = 0; i < length; ++i) {
      filter.UpdateCoefficients(voice.modDepth * triangle[i] + voice.cutoffPitch);
      if (i == 0 && filter.preRoll) filter.RunPreRoll();
      const size_t at = static_cast<size_t>(i) * lanes.width + lane;
      G[at] = filter.G;
      a[at] = filter.a;
      G4[at] = filter.G4;
      norm[at] = filter.norm;
      k[at] = filter.k;
    }
    lanes.constGainComp[lane] = filter.gainComp;
  } else {
    filter.UpdateCoefficients(voice.cutoffPitch);
    if (filter.preRoll) filter.RunPreRoll();
    lanes.constG[lane] = filter.G;
    lanes.constA[lane] = filter.a;
    lanes.constG4[lane] = filter.G4;
    lanes.constNorm[lane] = filter.norm;
    lanes.constK[lane] = filter.k;
    lanes.constGainComp[lane] = filter.gainComp;
  }
  lanes.s1[lane] = filter.s1;
  lanes.s2[lane] = filter.s2;
  lanes.s3[lane] = filter.s3;
  lanes.s4[lane] = filter.s4;
  lanes.antiDenormal[lane] = filter.antiDenormal;

  // The amplitude envelope; a held sustain is constant.
  Envelope& env = voice.ampEnv;
  double* levelOut = levels.data() + static_cast<size_t>(lane) * capacity;
  if (env.stage == Envelope::kDecay && env.segmentDone) {
    env.Tick();
    std::fill(levelOut, levelOut + length, env.level);
  } else {
    for (int32_t i = 0; i < length; ++i) {
      env.Tick();
      levelOut[i] = env.level;
    }
  }
}

void VoiceRenderer::ClearLane(int32_t lane, int32_t length, bool varying) {
  // A silent lane: zero input and coefficients keep it at zero.
  for (int32_t i = 0; i < length; ++i) {
    const size_t at = static_cast<size_t>(i) * lanes.width + lane;
    input[at] = 0.0;
    if (varying) {
      G[at] = a[at] = G4[at] = k[at] = 0.0;
      norm[at] = 1.0;
    }
  }
  lanes.constG[lane] = lanes.constA[lane] = lanes.constG4[lane] = lanes.constK[lane] = 0.0;
  lanes.constGainComp[lane] = 0.0;
  lanes.constNorm[lane] = 1.0;
  lanes.s1[lane] = lanes.s2[lane] = lanes.s3[lane] = lanes.s4[lane] = lanes.antiDenormal[lane] = 0.0;
}

void VoiceRenderer::FinishLane(Engine& engine, Voice& voice, int32_t lane, int32_t length) {
  LadderFilter& filter = voice.filter;
  filter.s1 = lanes.s1[lane];
  filter.s2 = lanes.s2[lane];
  filter.s3 = lanes.s3[lane];
  filter.s4 = lanes.s4[lane];
  filter.antiDenormal = lanes.antiDenormal[lane];

  const double* levelIn = levels.data() + static_cast<size_t>(lane) * capacity;
  const double outputGain = voice.outputGain;
  const double masterGain = engine.masterGain;
  const size_t index = static_cast<size_t>(&voice - engine.voices.data());
  double* result = voiceOut.data() + index * capacity;
  const double* y = output.data() + lane;
  for (int32_t i = 0; i < length; ++i)
    result[i] = y[static_cast<size_t>(i) * lanes.width] * levelIn[i] * outputGain * masterGain;
}

void VoiceRenderer::RenderGroup(Engine& engine, Voice* const* group, int32_t used, bool varying, int32_t length) {
  lanes.width = used > kMaxLanes / 2 ? kMaxLanes : kMaxLanes / 2;
  for (int32_t lane = 0; lane < lanes.width; ++lane) {
    if (lane < used)
      PrepareLane(*group[lane], lane, length, varying);
    else
      ClearLane(lane, length, varying);
  }
  if (varying)
    lanes.Run(length);
  else
    lanes.RunConstant(length);
  for (int32_t lane = 0; lane < used; ++lane) FinishLane(engine, *group[lane], lane, length);
}

void VoiceRenderer::RenderRange(Engine& engine, double** out, int32_t length, double clickGain) {
  if (length <= 0) return;
  engine.AdvanceNoise(noise.data(), length);
  for (int32_t k2 = 0; k2 < Engine::kOutputCount; ++k2) std::memset(out[k2], 0, sizeof(double) * length);

  // Active voices in index order (the mix adds them in this order), and split
  // by whether their filter coefficients move within the run.
  Voice* active[Engine::kVoiceCount];
  Voice* constant[Engine::kVoiceCount];
  Voice* varying[Engine::kVoiceCount];
  int32_t count = 0, constantCount = 0, varyingCount = 0;
  for (int32_t word = 0; word < 2; ++word) {
    uint64_t bits = engine.runningVoices[word];
    while (bits) {
      int32_t bit = __builtin_ctzll(bits);
      bits &= bits - 1;
      Voice& voice = engine.voices[word * 64 + bit];
      if (!voice.active) continue;
      active[count++] = &voice;
      if (voice.modDepth > 0.0)
        varying[varyingCount++] = &voice;
      else
        constant[constantCount++] = &voice;
    }
  }
  for (int32_t first = 0; first < constantCount; first += kMaxLanes)
    RenderGroup(engine, constant + first, std::min(kMaxLanes, constantCount - first), false, length);
  for (int32_t first = 0; first < varyingCount; first += kMaxLanes)
    RenderGroup(engine, varying + first, std::min(kMaxLanes, varyingCount - first), true, length);

  double* sumLeft = out[0];
  double* sumRight = out[1];
  for (int32_t n = 0; n < count; ++n) {
    const Voice& voice = *active[n];
    const Track& track = engine.tracks[voice.track];
    const double gainLeft = track.gainLeft;
    const double gainRight = track.gainRight;
    double* trackLeft = out[2 + 2 * voice.track];
    double* trackRight = out[3 + 2 * voice.track];
    const double* s = voiceOut.data() + static_cast<size_t>(&voice - engine.voices.data()) * capacity;
    // Two samples at a time (one vector register on every x86 target; the
    // same operations per sample), then the rest.
    typedef double Two __attribute__((vector_size(2 * sizeof(double))));
    const Two twoLeft = {gainLeft, gainLeft};
    const Two twoRight = {gainRight, gainRight};
    int32_t i = 0;
    for (; i + 2 <= length; i += 2) {
      Two v, sl, sr, tl, tr;
      __builtin_memcpy(&v, s + i, sizeof(v));
      __builtin_memcpy(&sl, sumLeft + i, sizeof(sl));
      __builtin_memcpy(&sr, sumRight + i, sizeof(sr));
      __builtin_memcpy(&tl, trackLeft + i, sizeof(tl));
      __builtin_memcpy(&tr, trackRight + i, sizeof(tr));
      Two l = v * twoLeft;
      Two r = v * twoRight;
      sl += l;
      sr += r;
      tl += l;
      tr += r;
      __builtin_memcpy(sumLeft + i, &sl, sizeof(sl));
      __builtin_memcpy(sumRight + i, &sr, sizeof(sr));
      __builtin_memcpy(trackLeft + i, &tl, sizeof(tl));
      __builtin_memcpy(trackRight + i, &tr, sizeof(tr));
    }
    for (; i < length; ++i) {
      double l = s[i] * gainLeft;
      double r = s[i] * gainRight;
      sumLeft[i] += l;
      sumRight[i] += r;
      trackLeft[i] += l;
      trackRight[i] += r;
    }
  }

  if (engine.clickEnabled) {
    for (int32_t i = 0; i < length; ++i) {
      double c = engine.click.NextSample() * clickGain;
      out[0][i] += c;
      out[1][i] += c;
    }
  }
}
