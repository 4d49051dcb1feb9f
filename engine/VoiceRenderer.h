#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/FilterLanes.h"

class Engine;
class Voice;

// The batched audio path: renders a run of samples (no message due inside it)
// voice by voice instead of sample by sample, up to sixteen voices' filters
// side by side. Per sample and voice it does the same arithmetic in the same order as
// Voice::RenderSample and the engine's mix, so the output is identical to the
// per-sample path. Scratch memory is sized outside the audio path by Prepare.
class VoiceRenderer {
 public:
  // Dispatcher thread (OnReset): room for runs of up to maxLength samples.
  void Prepare(int32_t maxLength);
  // Audio thread: renders `length` samples into the fourteen outputs.
  void RenderRange(Engine& engine, double** out, int32_t length, double clickGain);
  // A buffer that absorbs an output the host did not provide.
  double* DiscardBuffer(int32_t output) { return discard.data() + static_cast<size_t>(output) * capacity; }

 private:
  void RenderGroup(Engine& engine, Voice* const* group, int32_t used, bool varying, int32_t length);
  void PrepareLane(Voice& voice, int32_t lane, int32_t length, bool varying);
  void ClearLane(int32_t lane, int32_t length, bool varying);
  void FinishLane(Engine& engine, Voice& voice, int32_t lane, int32_t length);

  int32_t capacity = 0;
  std::vector<double> noise;
  std::vector<double> level;                             // amplitude envelope of one lane
  std::vector<double> input, output, G, a, G4, norm, k;  // lane-interleaved
  std::vector<double> levels;                            // [lane * capacity + i]
  std::vector<double> voiceOut;                          // [voice * capacity + i]: a voice's sample times master gain
  std::vector<double> discard;
  FilterLanes lanes;
};
