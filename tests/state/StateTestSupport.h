#pragma once
// Helpers for the state and preset tests: an instance with a distinctive
// edited state, comparisons of everything a state carries, and renderings of
// the same MIDI through two instances.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/DataBlock.h"
#include "programs/StateChunk.h"
#include "sequencer/Sequence.h"
#include "tests/instrument/InstrumentTestSupport.h"

// Adds a note of `length` ticks on track t.
inline void AddNote(Sequence& sequence, int t, int tick, int note, int length) {
  SequenceEvent on{tick, static_cast<uint8_t>(0x90 | t), static_cast<uint8_t>(note), 100};
  SequenceEvent off{tick + length, static_cast<uint8_t>(0x80 | t), static_cast<uint8_t>(note), 0};
  sequence.AddEvent(on);
  sequence.AddEvent(off);
}

// Changes a bit of everything a state holds: the library, track settings,
// programs, voice edits, names and both sequences. Mode stays Normal.
inline void EditEverything(TestVornell& plug, int seed) {
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.SetPlain(kParamSpeed, 100 + seed);
  plug.SetPlain(kParamMasterVolume, 0.6);
  for (int t = 0; t < 6; ++t) {
    plug.SetPlain(TrackParamIndex(t, kTrackChannel), t);
    plug.SetPlain(TrackParamIndex(t, kTrackMode), 1);
    plug.SetPlain(TrackParamIndex(t, kTrackCycle), 0);
    plug.SetPlain(TrackParamIndex(t, kTrackPanorama), 0.1 + 0.15 * t);
    plug.SetPlain(ProgramParamIndex(kProgramSetTrack, t), (seed * 7 + t * 13) % 89);
    plug.SetPlain(ProgramParamIndex(kProgramSetStackA, t), (seed + t) % 100);
  }
  plug.SetPlain(VoiceParamIndex(2, kVoiceFilterCutoff), 90 + seed);
  plug.Programs().RenameTrackProgram(1, "Edited " + std::to_string(seed));
  for (int p = 0; p < kProgramCount; ++p) {
    Program& program = plug.Library().programs[static_cast<size_t>(p)];
    program.name = "Slot " + std::to_string(p) + "/" + std::to_string(seed);
    program.values[kVoiceAmpVelocity] = static_cast<uint8_t>((p + seed) & 0xff);
  }
  plug.Sequencing().SeqA().Clear();
  plug.Sequencing().SeqB().Clear();
  plug.Sequencing().SeqA().length = 768;
  plug.Sequencing().SeqB().length = 1536;
  for (int i = 0; i < 4; ++i) AddNote(plug.Sequencing().SeqA(), i % 3, i * 192, 48 + seed % 12 + i * 3, 150);
  for (int i = 0; i < 6; ++i) AddNote(plug.Sequencing().SeqB(), 3 + i % 2, i * 256, 60 + i, 200);
}

inline void ExpectSameSequence(const Sequence& a, const Sequence& b, const char* what) {
  EXPECT_EQ(a.length, b.length) << what;
  EXPECT_EQ(a.ppq, b.ppq) << what;
  EXPECT_EQ(a.tempo, b.tempo) << what;
  EXPECT_EQ(a.barLength, b.barLength) << what;
  EXPECT_EQ(a.Events(), b.Events()) << what;
  for (int c = 0; c < 16; ++c) EXPECT_EQ(a.channelUsed[c], b.channelUsed[c]) << what << " channel " << c;
}

// Everything a state carries, apart from the preset index and name.
inline void ExpectSameState(const Vornell& a, const Vornell& b) {
  for (int i = 0; i < kNumParams; ++i)
    ASSERT_EQ(a.GetParam(i)->Value(), b.GetParam(i)->Value()) << a.GetParam(i)->Name();
  for (int p = 0; p < kProgramCount; ++p)
    ASSERT_EQ(a.Library().programs[static_cast<size_t>(p)], b.Library().programs[static_cast<size_t>(p)])
        << "slot " << p;
  for (int t = 0; t < 6; ++t)
    EXPECT_EQ(a.GetEngine().GetTrack(t).programName, b.GetEngine().GetTrack(t).programName) << "track " << t;
  ExpectSameSequence(a.Sequencing().SeqA(), b.Sequencing().SeqA(), "Seq A");
  ExpectSameSequence(a.Sequencing().SeqB(), b.Sequencing().SeqB(), "Seq B");
  EXPECT_EQ(a.GetEngine().Mode(), b.GetEngine().Mode());
}

// The same phrase on every MIDI channel: chords, a held note, releases.
inline Rendering PlayPhrase(Vornell& plug, int frames = 24000) {
  Rendering r;
  for (int c = 0; c < 6; ++c) {
    SendNote(plug, c, 48 + 5 * c, 90);
    SendNote(plug, c, 55 + 5 * c, 70, 17);
  }
  Render(plug, frames / 2, r);
  for (int c = 0; c < 6; ++c) SendNote(plug, c, 48 + 5 * c, 0, 3);
  SendNote(plug, 0, 67, 127, 40);
  Render(plug, frames / 2, r);
  return r;
}

inline double SumRms(const Rendering& r) {
  return r.Rms(0) + r.Rms(1);
}

inline void ExpectIdentical(const Rendering& a, const Rendering& b) {
  for (int c = 0; c < 14; ++c) EXPECT_EQ(a.MaxDifference(b, c), 0.0) << "output " << c;
}

// The state of a plug-in as a block.
inline DataBlock StateOf(Vornell& plug) {
  DataBlock block;
  EXPECT_TRUE(plug.SaveState(block));
  return block;
}

// The bytes of a block from `from` on (an older state lacks the header fields).
inline DataBlock Tail(const DataBlock& block, int from) {
  DataBlock tail;
  tail.PutBytes(block.Data() + from, block.Size() - from);
  return tail;
}

// A state without its preset index and name (which only say where it was saved).
inline DataBlock Body(const DataBlock& state) {
  return Tail(state, SkipStateHeader(state, 0));
}

inline DataBlock Head(const DataBlock& block, int size) {
  DataBlock head;
  head.PutBytes(block.Data(), size);
  return head;
}
