#pragma once
// A Vornell whose host transport the test drives, a short-release test sound
// so that every note start can be found on the outputs, and helpers that play
// and listen at 48 kHz.
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "plugin/HostTimeInfo.h"
#include "tests/instrument/InstrumentTestSupport.h"
#include "tests/support/SignalMeasures.h"

class SeqVornell : public TestVornell {
 public:
  SeqVornell() {
    OpenEditor();  // the status line only shows with an open editor
    PrepareAudio(*this);
  }

  double GetHostTempo() override { return hostTime.tempo; }
  void GetHostTime(HostTimeInfo& info) override {
    if (hostAttached) info = hostTime;
  }

  // Moves the host's transport on by frames samples (while running).
  void AdvanceHost(int frames) {
    if (!hostTime.transportRunning) return;
    hostTime.samplePos += frames;
    hostTime.ppqPos += frames / kTestRate * hostTime.tempo / 60.0;
  }

  bool hostAttached = false;
  HostTimeInfo hostTime;
};

// Makes program p sound as a plain tone with an instant attack and a release
// short enough that a track falls silent between two notes a sixteenth apart,
// and loads it into every track.
inline void UseClickFreeTestSound(SeqVornell& plug, int p = 0) {
  Program& program = plug.Library().programs[static_cast<size_t>(p)];
  program.values[kVoiceAmpEnvAttack] = 0;
  program.values[kVoiceAmpEnvDecay] = 0;
  program.values[kVoiceAmpEnvSustain] = 255;
  program.values[kVoiceAmpEnvRelease] = 0;
  program.values[kVoiceOscSawtooth] = 255;
  program.values[kVoiceOscTriangle] = 0;
  program.values[kVoiceOscPulse] = 0;
  program.values[kVoiceOscEnvAmount] = 0;
  program.values[kVoiceLfoToOsc] = 0;
  program.values[kVoiceFilterEnvAmount] = 0;
  program.values[kVoiceFilterResonance] = 0;
  program.values[kVoiceOscNoiseMixer] = 0;
  program.values[kVoiceFilterCutoff] = 255;
  program.values[kVoiceMode] = 0;
  for (int t = 0; t < Engine::kTrackCount; ++t) plug.Programs().LoadProgramIntoTrack(t, p);
}

// Renders frames samples in blocks of `block`, moving the host transport on
// after each block, appending to rendering.
inline void Play(SeqVornell& plug, int frames, Rendering& rendering, int block = kTestBlock) {
  std::vector<std::vector<double>> buffers(14, std::vector<double>(static_cast<size_t>(block)));
  double* pointers[14];
  for (int c = 0; c < 14; ++c) pointers[c] = buffers[static_cast<size_t>(c)].data();
  for (int done = 0; done < frames; done += block) {
    const int length = std::min(block, frames - done);
    plug.ProcessBlock(nullptr, pointers, length);
    plug.AdvanceHost(length);
    for (int c = 0; c < 14; ++c)
      rendering.channels[static_cast<size_t>(c)].insert(rendering.channels[static_cast<size_t>(c)].end(), pointers[c],
                                                        pointers[c] + length);
  }
}

inline int TrackChannel(int t) {
  return 2 + 2 * t;
}  // left output of track t

constexpr int kSeqBlock = 480;   // ten control periods at 48 kHz: offsets stay on the sample
constexpr int kQuarter = 24000;  // samples per quarter note at 120 BPM, 48 kHz
constexpr int kTick = 125;       // samples per tick (192 per quarter)

// One instrument with its rendering so far; times are absolute sample numbers.
struct Session {
  Session() {
    for (int t = 0; t < Engine::kTrackCount; ++t) SetTrackChannel(plug, t, t);
    UseClickFreeTestSound(plug);
  }
  int64_t Now() const { return static_cast<int64_t>(out.channels[0].size()); }
  // Renders up to sample `at` (exclusive) in whole blocks of kSeqBlock.
  void RunTo(int64_t at) {
    if (at > Now()) Play(plug, static_cast<int>(at - Now()), out, kSeqBlock);
  }
  void Note(int channel, int note, int velocity) { SendNote(plug, channel, note, velocity); }
  void Controller(int channel, int controller, int value) {
    MidiMessage message;
    message.status = static_cast<uint8_t>(0xB0 | channel);
    message.data1 = static_cast<uint8_t>(controller);
    message.data2 = static_cast<uint8_t>(value);
    plug.OnMidiMessage(message);
  }
  std::vector<int64_t> OnsetsFrom(int t, int64_t from, int64_t to = INT64_MAX) const {
    return Onsets(out.channels[static_cast<size_t>(TrackChannel(t))], 200, from, to);
  }
  // Root-mean-square of track t's left output over [from, to).
  double TrackRms(int t, int64_t from, int64_t to) const {
    return Rms(out.channels[static_cast<size_t>(TrackChannel(t))], static_cast<size_t>(from), static_cast<size_t>(to));
  }
  // The MIDI note a track sounds over [from, from + 4800), from the rate of its
  // rising zero crossings (the test sound is a plain sawtooth).
  int HeardNote(int t, int64_t from) const {
    return HeardMidiNote(out.channels[static_cast<size_t>(TrackChannel(t))], static_cast<size_t>(from), 4800,
                         kTestRate);
  }

  SeqVornell plug;
  Rendering out;
};

// Host transport for a synced session, standing at 0.
inline void Sync(Session& s) {
  s.plug.hostAttached = true;
  s.plug.hostTime.tempo = 120.0;
  s.plug.hostTime.samplePos = 0;
  s.plug.hostTime.ppqPos = 0;
  s.plug.hostTime.transportRunning = false;
  s.plug.SetPlain(kParamSyncToHost, 1);
}

// The host's transport runs from samplePos (also a jump while it runs).
inline void StartHost(Session& s, double samplePos) {
  s.plug.hostTime.samplePos = samplePos;
  s.plug.hostTime.ppqPos = samplePos / kQuarter * (s.plug.hostTime.tempo / 120.0);
  s.plug.hostTime.transportRunning = true;
}

// The events of a sequence as (tick, status, note) triples, for comparisons.
inline std::vector<std::vector<int>> EventList(const Sequence& sequence) {
  std::vector<std::vector<int>> list;
  for (const SequenceEvent& e : sequence.Events()) list.push_back({e.tick, e.status, e.data1});
  return list;
}

inline void AddNote(Sequence& sequence, int channel, int note, int onTick, int offTick) {
  SequenceEvent on{onTick, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note), 100};
  sequence.AddEvent(on);
  SequenceEvent off{offTick, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note), 0};
  sequence.AddEvent(off);
}
