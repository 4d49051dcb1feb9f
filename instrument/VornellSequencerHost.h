#pragma once
// The loop player's view of the instrument: Mode, clock settings, the three
// sequences, the engine's input queue and the host's transport. Audio thread,
// under the plug-in lock (the player runs inside ProcessBlock).
#include "sequencer/SequencePlayer.h"

class Vornell;

class VornellSequencerHost final : public SequencePlayerHost {
 public:
  explicit VornellSequencerHost(Vornell& plug) : plug(plug) {}

  int32_t Mode() override;
  double SampleRate() override;
  double Speed() override;
  bool SyncToHost() override;
  bool ClickEnabled() override;
  Sequence& SequenceFor(PlayedSequence which) override;
  void QueueMidiMessage(const MidiMessage& message) override;
  void DropQueuedNoteOns(int channel) override;
  void ReleaseSequenceDrivenTracks() override;
  void OnLoopWrap() override;
  double GetHostTempo() override;
  void GetHostTime(SequencerHostTime& time) override;

 private:
  Vornell& plug;
};
