#include "instrument/VornellSequencerHost.h"

#include "plugin/HostTimeInfo.h"
#include "instrument/Vornell.h"
#include "programs/ParameterTable.h"

int32_t VornellSequencerHost::Mode() {
  return plug.engine.Mode();
}

double VornellSequencerHost::SampleRate() {
  // Before the first reset the engine has no rate yet; the base's rate stands in.
  const double rate = plug.engine.SampleRate();
  return rate > 0 ? rate : plug.GetSampleRate();
}

double VornellSequencerHost::Speed() {
  const PlugParam* speed = plug.GetParam(kParamSpeed);
  return speed ? speed->Value() : 120.0;
}

bool VornellSequencerHost::SyncToHost() {
  const PlugParam* sync = plug.GetParam(kParamSyncToHost);
  return sync && sync->Value() >= 0.5;
}

bool VornellSequencerHost::ClickEnabled() {
  return plug.clickEnabled;
}

Sequence& VornellSequencerHost::SequenceFor(PlayedSequence which) {
  switch (which) {
    case PlayedSequence::kB:
      return plug.seqB;
    case PlayedSequence::kArpeggio:
      return plug.arpeggio;
    default:
      return plug.seqA;
  }
}

void VornellSequencerHost::QueueMidiMessage(const MidiMessage& message) {
  plug.engine.QueueMidiMessage(message);
}

void VornellSequencerHost::DropQueuedNoteOns(int channel) {
  plug.engine.DropSequencerNoteOns(channel);
}

void VornellSequencerHost::ReleaseSequenceDrivenTracks() {
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (plug.engine.GetTrack(t).sequenceDriven) plug.engine.ReleaseTrackVoices(t);
}

void VornellSequencerHost::OnLoopWrap() {
  plug.OnSequenceLoopWrap(plug.player.NextTickTime() - plug.player.BlockPosition());
}

double VornellSequencerHost::GetHostTempo() {
  return plug.GetHostTempo();
}

void VornellSequencerHost::GetHostTime(SequencerHostTime& time) {
  HostTimeInfo info;
  info.tempo = time.tempo;
  info.samplePos = time.samplePos;
  info.ppqPos = time.ppqPos;
  info.transportRunning = time.transportRunning;
  plug.GetHostTime(info);
  time.tempo = info.tempo;
  time.samplePos = info.samplePos;
  time.ppqPos = info.ppqPos;
  time.transportRunning = info.transportRunning;
}
