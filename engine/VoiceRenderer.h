#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "engine/VectorKernels.h"

class Engine;
class Voice;

// The batched audio path: renders a run of samples (no message due inside it)
// in groups of voices side by side, one vector lane per voice, with the
// kernels of the active vector path. Per sample and voice it does the same
// arithmetic in the same order as Voice::RenderSample and the engine's mix,
// so the output is identical to the per-sample path. Scratch memory is sized
// outside the audio path by Prepare.
class VoiceRenderer {
 public:
  // Dispatcher thread (OnReset): room for runs of up to maxLength samples.
  void Prepare(int32_t maxLength);
  // Audio thread: renders `length` samples into the fourteen outputs.
  void RenderRange(Engine& engine, double** out, int32_t length, double clickGain);
  // A buffer that absorbs an output the host did not provide.
  double* DiscardBuffer(int32_t output) { return discard.data() + static_cast<size_t>(output) * capacity; }

 private:
  // Loads `used` voices into the group's lanes and runs what stays per voice
  // (filter coefficients, amplitude envelope) for the run.
  void FillGroup(Engine& engine, Voice* const* voices, int32_t used, int32_t lanes, int32_t width, int32_t length,
                 int32_t row, int32_t rowLength);
  // Asks for the state FillGroup reads of these voices.
  static void PrefetchVoices(Voice* const* voices, int32_t count);
  // Hands the run's end state back to the voices.
  void FinishGroup(Voice* const* voices, int32_t length);

  int32_t capacity = 0;
  std::vector<double> noise;
  // The sample-major arrays below in one block that starts a page: where the
  // arrays fall against each other and the page matters to the kernels' speed,
  // and a block from the heap would fall anywhere.
  struct PageFree {
    void operator()(double* block) const { ::operator delete[](block, std::align_val_t(kPage)); }
  };
  static constexpr size_t kPage = 4096;
  std::unique_ptr<double[], PageFree> storage;
  double* x = nullptr;             // [i * lanes + lane]
  double* y = nullptr;             // [i * row length + slot], every group's lanes in one row
  double* coefficients = nullptr;  // [(i * 5 + j) * lanes + lane] for chains whose coefficients move, a step
  double* triangle = nullptr;      // [i * lanes + lane] for the same chains
  double* levels = nullptr;        // [i * lanes + lane] for chains whose envelope moves
  std::vector<double> discard;
  LaneGroup group;
  MixPlan plan;
  alignas(64) double columns[MixPlan::kMaxRow * 8];
  alignas(64) double constantCoefficients[LaneGroup::kCoefficients * LaneGroup::kMaxLanes];  // [j * lanes + lane]
  alignas(64) double constantLevels[LaneGroup::kMaxLanes];
};
