#pragma once

#include <cstdint>

#include "engine/MidiMessage.h"

// The engine's calls into the rest of the instrument (sequencer, recorder,
// arpeggiator, tuning client, controller map, editor). Every default does what
// the instrument does when that part is idle: no tuning master, not recording,
// no arpeggiator, no mapped controllers, no editor. The plug-in object derives
// from this and hands a pointer to its Engine; a null pointer means all defaults.
//
// All hooks are called on the audio thread under the plug-in lock, from inside
// Engine::ProcessBlock, Engine::OnMidiMessage or a note/parameter operation.
class EngineHooks {
 public:
  virtual ~EngineHooks() = default;

  // Block start, before any sample: follow the host transport and schedule the
  // block's sequence, arpeggio and click messages with Engine::QueueMidiMessage.
  virtual void OnBlockStart(int32_t frames) { (void)frames; }

  // Tuning. IsTuningOnline is asked once per note on; only when it answers true
  // are IsNoteFiltered and NoteToPitch consulted (otherwise pitch = key * 128).
  virtual bool IsTuningOnline() { return false; }
  virtual bool IsNoteFiltered(int32_t note) {
    (void)note;
    return false;
  }
  virtual int32_t NoteToPitch(int32_t key) { return key * 128; }

  // A voice of a track that is not sequence-driven started (velocity > 0) or was
  // released (velocity 0) while Engine::IsRecording().
  virtual void RecordNoteEvent(int32_t track, int32_t note, int32_t velocity) {
    (void)track;
    (void)note;
    (void)velocity;
  }

  // Host input in Modes 3 and 4: a note on or note off (velocity-0 note ons
  // already turned into note offs). Return true when the arpeggiator took the
  // message; false lets the engine queue it unchanged (latched arpeggiator).
  virtual bool DivertToArpeggiator(const MidiMessage& message) {
    (void)message;
    return false;
  }
  // Sustain controller reaching a tick in Modes 3 and 4 (instead of the pedal).
  virtual void ArpeggiatorSustain(int32_t value) { (void)value; }
  // Voices were force-released or reset: the arpeggiator's hold flag is cleared.
  virtual void ClearArpeggiatorHold() {}

  // Host controller 0..119 while MIDI learn is armed: return true when it was
  // captured (the controller then does nothing else).
  virtual bool CaptureMidiLearn(int32_t controller) {
    (void)controller;
    return false;
  }
  // Host program change (the plug-in checks "Ignore Program Change").
  virtual void OnProgramChange(int32_t program) { (void)program; }

  // Controller-mapped parameters at the control tick. GetParameterNormalized
  // returns the current normalized value of parameter 0..302;
  // SetParameterFromController sets it as an editor edit would and shows it.
  virtual double GetParameterNormalized(int32_t index) {
    (void)index;
    return -1.0;
  }
  virtual void SetParameterFromController(int32_t index, double normalized) {
    (void)index;
    (void)normalized;
  }

  // Tracks' held-voice counts changed (Track::heldVoiceCount is current).
  virtual void TrackIndicatorsChanged() {}
};
