#include "engine/VoiceRenderer.h"

#include <algorithm>
#include <cstring>

#include "engine/Engine.h"

void VoiceRenderer::Prepare(int32_t maxLength) {
  if (maxLength < 1) maxLength = 1;
  if (maxLength <= capacity) return;
  capacity = maxLength;
  noise.assign(capacity, 0.0);
  voiceOut.assign(capacity, 0.0);
  discard.assign(static_cast<size_t>(capacity) * Engine::kOutputCount, 0.0);
}

void VoiceRenderer::RenderRange(Engine& engine, double** out, int32_t length, double clickGain) {
  if (length <= 0) return;
  engine.AdvanceNoise(noise.data(), length);
  for (int32_t k = 0; k < Engine::kOutputCount; ++k) std::memset(out[k], 0, sizeof(double) * length);
  const double masterGain = engine.masterGain;
  for (int32_t word = 0; word < 2; ++word) {
    uint64_t bits = engine.runningVoices[word];
    while (bits) {
      int32_t bit = __builtin_ctzll(bits);
      bits &= bits - 1;
      Voice& voice = engine.voices[word * 64 + bit];
      if (!voice.active) continue;
      double* y = voiceOut.data();
      for (int32_t i = 0; i < length; ++i) y[i] = voice.RenderSampleWithNoise(noise[i]);
      const Track& track = engine.tracks[voice.track];
      const double gainLeft = track.gainLeft;
      const double gainRight = track.gainRight;
      double* sumLeft = out[0];
      double* sumRight = out[1];
      double* trackLeft = out[2 + 2 * voice.track];
      double* trackRight = out[3 + 2 * voice.track];
      for (int32_t i = 0; i < length; ++i) {
        double s = y[i] * masterGain;
        double l = s * gainLeft;
        double r = s * gainRight;
        sumLeft[i] += l;
        sumRight[i] += r;
        trackLeft[i] += l;
        trackRight[i] += r;
      }
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
