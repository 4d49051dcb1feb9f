// The instrument's side of MIDI learn: the seams the plug-in base, the
// parameter handler and the engine call, fed into the configuration's learn state.
#include <mutex>

#include "instrument/Synth.h"

bool Synth::CaptureLearnParameter(int index) {
  if (!config.learnArmed.load(std::memory_order_relaxed)) return false;
  PluginLock lock(Mutex());
  // A state being read reports every parameter; none of them is the user's choice.
  if (stateLoading) return false;
  const LearnCapture capture = config.CaptureLearnParam(index);
  if (capture == LearnCapture::Completed) OnMidiLearnEnded();
  return capture != LearnCapture::NotCaptured;
}

bool Synth::CaptureLearnController(int controller) {
  if (!config.learnArmed.load(std::memory_order_relaxed)) return false;
  PluginLock lock(Mutex());
  const LearnCapture capture = config.CaptureLearnController(controller);
  if (capture == LearnCapture::Completed) OnMidiLearnEnded();
  return capture != LearnCapture::NotCaptured;
}

void Synth::DisarmMidiLearn() {
  PluginLock lock(Mutex());
  config.DisarmMidiLearn();
}

void Synth::ArmMidiLearn(bool armed, bool removes) {
  PluginLock lock(Mutex());
  config.ArmMidiLearn(armed, removes);
}
