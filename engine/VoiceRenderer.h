#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Engine;

// The batched audio path: renders a run of samples (no message due inside it)
// voice by voice instead of sample by sample, with the same arithmetic in the
// same order per sample, so the output is identical to the per-sample path.
// Scratch memory is sized outside the audio path by Prepare.
class VoiceRenderer {
 public:
  // Dispatcher thread (OnReset): room for runs of up to maxLength samples.
  void Prepare(int32_t maxLength);
  // Audio thread: renders `length` samples into the fourteen outputs.
  void RenderRange(Engine& engine, double** out, int32_t length, double clickGain);
  // A buffer that absorbs an output the host did not provide.
  double* DiscardBuffer(int32_t output) { return discard.data() + static_cast<size_t>(output) * capacity; }

 private:
  int32_t capacity = 0;
  std::vector<double> noise;
  std::vector<double> voiceOut;
  std::vector<double> discard;
};
