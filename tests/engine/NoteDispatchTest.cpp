// Note dispatch: routing, Cycle, Unison, Stack, Legato, stealing and sustain,
// walked as tables of played keys and the voices expected afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/engine/EngineTestSupport.h"

using enginetest::Rig;

namespace {

struct Step {
  char op;  // 'n' note on, 'f' note off, 'p' pedal down, 'u' pedal up
  int32_t channel;
  int32_t note;
};

struct Expect {
  int32_t voice;
  int32_t track;
  int32_t note;
  bool keyHeld;
  bool releasing;  // amplitude envelope in its release
};

struct Case {
  std::string name;
  std::function<void(Engine&)> setup;
  std::vector<Step> steps;
  std::vector<Expect> voices;  // every voice not listed must be silent or releasing
};

// Each step is followed by a third of a millisecond of sound (shorter than the
// init program's release).
void Play(Rig& rig, const std::vector<Step>& steps) {
  Engine& engine = rig.engine;
  for (const Step& step : steps) {
    switch (step.op) {
      case 'n':
        engine.NoteOn(step.channel, step.note, 100, false);
        break;
      case 'f':
        engine.NoteOff(step.channel, step.note, false);
        break;
      case 'p':
        engine.SustainPedal(step.channel, true, false);
        break;
      case 'u':
        engine.SustainPedal(step.channel, false, false);
        break;
      default:
        break;
    }
    rig.Render(16);
  }
}

bool Releasing(const Voice& v) {
  return v.ampEnv.stage == Envelope::kRelease || v.ampEnv.stage == Envelope::kReleaseTail;
}

void Only(Engine& engine, std::initializer_list<std::pair<int32_t, int32_t>> trackChannels) {
  for (int32_t t = 0; t < 6; ++t) engine.SetTrackChannel(t, Track::kNoChannel);
  for (auto [t, c] : trackChannels) engine.SetTrackChannel(t, c);
}

void Mode(Engine& engine, int32_t t, int32_t mode, bool cycle) {
  engine.SetTrackMode(t, mode);
  engine.SetTrackCycle(t, cycle);
}

std::vector<Case> Cases() {
  const int32_t mono = Track::kMonophonic, poly = Track::kPolyphonic, legato = Track::kLegato;
  return {
      {"poly cycle alternates tracks on different notes",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}});
         Mode(e, 0, poly, true);
         Mode(e, 1, poly, true);
       },
       {{'n', 0, 60}, {'n', 0, 62}, {'n', 0, 64}},
       {{6, 0, 60, true, false}, {7, 1, 62, true, false}, {8, 0, 64, true, false}}},
      {"poly cycle keeps a repeated key on the same track and voice",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}});
         Mode(e, 0, poly, true);
         Mode(e, 1, poly, true);
       },
       {{'n', 0, 60}, {'f', 0, 60}, {'n', 0, 60}},
       {{6, 0, 60, true, false}}},
      {"mono cycle takes the first track whose key is up",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}});
         Mode(e, 0, mono, true);
         Mode(e, 1, mono, true);
       },
       {{'n', 0, 60}, {'n', 0, 62}},
       {{0, 0, 60, true, false}, {1, 1, 62, true, false}}},
      {"mono cycle with every key down takes the first in rotated order",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}});
         Mode(e, 0, mono, true);
         Mode(e, 1, mono, true);
       },
       {{'n', 0, 60}, {'n', 0, 62}, {'n', 0, 64}},
       {{0, 0, 64, true, false}, {1, 1, 62, true, false}}},
      {"tracks without cycle all play the note",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}, {2, 0}});
         Mode(e, 0, mono, false);
         Mode(e, 1, poly, false);
         Mode(e, 2, legato, false);
       },
       {{'n', 0, 60}},
       {{0, 0, 60, true, false}, {2, 2, 60, true, false}, {6, 1, 60, true, false}}},
      {"mono: a second key moves the voice, releasing it silences although the first is down",
       [=](Engine& e) {
         Only(e, {{0, 0}});
         Mode(e, 0, mono, true);
       },
       {{'n', 0, 60}, {'n', 0, 62}, {'f', 0, 62}},
       {{0, 0, 62, false, true}}},
      {"stack mode: a mono voice returns to the lowest key still held",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}});
         Mode(e, 0, mono, true);
         Mode(e, 1, mono, true);
         e.SetMode(5);
       },
       {{'n', 0, 60}, {'n', 0, 55}, {'n', 0, 62}, {'f', 0, 62}},
       {{0, 0, 55, true, false}, {1, 1, 55, true, false}}},
      {"stack mode: every track on the channel plays every note",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}, {2, 0}});
         Mode(e, 0, mono, true);
         Mode(e, 1, poly, true);
         Mode(e, 2, mono, true);
         e.SetMode(6);
       },
       {{'n', 0, 60}},
       {{0, 0, 60, true, false}, {2, 2, 60, true, false}, {6, 1, 60, true, false}}},
      {"sustain keeps released keys sounding until the pedal goes up",
       [=](Engine& e) {
         Only(e, {{0, 0}});
         Mode(e, 0, poly, true);
       },
       {{'n', 0, 60}, {'p', 0, 0}, {'n', 0, 64}, {'f', 0, 60}, {'f', 0, 64}},
       {{6, 0, 60, false, false}, {7, 0, 64, false, false}}},
      {"pedal up releases exactly the voices whose keys are up",
       [=](Engine& e) {
         Only(e, {{0, 0}});
         Mode(e, 0, poly, true);
       },
       {{'n', 0, 60}, {'p', 0, 0}, {'n', 0, 64}, {'f', 0, 60}, {'u', 0, 0}},
       {{6, 0, 60, false, true}, {7, 0, 64, true, false}}},
      {"a track on all channels hears every channel, one set to none hears nothing",
       [=](Engine& e) {
         Only(e, {{0, Track::kAllChannels}, {1, Track::kNoChannel}});
         Mode(e, 0, poly, false);
         Mode(e, 1, poly, false);
       },
       {{'n', 3, 60}, {'n', 9, 62}},
       {{6, 0, 60, true, false}, {7, 0, 62, true, false}}},
      {"a key already sounding on a poly track restarts its voice",
       [=](Engine& e) {
         Only(e, {{0, 0}});
         Mode(e, 0, poly, true);
       },
       {{'n', 0, 60}, {'n', 0, 62}, {'n', 0, 60}},
       {{6, 0, 60, true, false}, {7, 0, 62, true, false}}},
      {"unison on a mono track spreads the note over the channel's tracks",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}, {2, 0}});
         for (int32_t t = 0; t < 3; ++t) Mode(e, t, mono, true);
         e.SetTrackVoiceParam(0, Voice::kVoiceMode, 1.0);
       },
       {{'n', 0, 60}},
       {{0, 0, 60, true, false}, {1, 1, 60, true, false}, {2, 2, 60, true, false}}},
      {"unison in an arpeggiator mode plays on track 6 only",
       [=](Engine& e) {
         Only(e, {{0, 5}, {5, 5}});
         Mode(e, 0, mono, true);
         Mode(e, 5, mono, true);
         e.SetTrackVoiceParam(0, Voice::kVoiceMode, 1.0);
         e.SetMode(3);
       },
       {{'n', 5, 60}},
       {{5, 5, 60, true, false}}},
      {"a sequence-driven track ignores live notes",
       [=](Engine& e) {
         Only(e, {{0, 0}, {1, 0}});
         Mode(e, 0, mono, false);
         Mode(e, 1, mono, false);
         e.GetTrack(1).sequenceDriven = true;
       },
       {{'n', 0, 60}},
       {{0, 0, 60, true, false}}},
  };
}

}  // namespace

TEST(NoteDispatch, Table) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Rig rig;
    c.setup(rig.engine);
    Play(rig, c.steps);
    std::vector<bool> listed(Engine::kVoiceCount, false);
    for (const Expect& e : c.voices) {
      const Voice& v = rig.engine.GetVoice(e.voice);
      listed[e.voice] = true;
      EXPECT_TRUE(v.active) << "voice " << e.voice;
      EXPECT_EQ(v.track, e.track) << "voice " << e.voice;
      EXPECT_EQ(v.note, e.note) << "voice " << e.voice;
      EXPECT_EQ(v.keyHeld, e.keyHeld) << "voice " << e.voice;
      EXPECT_EQ(Releasing(v), e.releasing) << "voice " << e.voice;
    }
    for (int32_t v = 0; v < Engine::kVoiceCount; ++v) {
      if (listed[v]) continue;
      const Voice& voice = rig.engine.GetVoice(v);
      EXPECT_TRUE(!voice.active || Releasing(voice)) << "voice " << v << " note " << voice.note;
    }
  }
}

// Monophonic tracks that go back to a key still held (Stack modes, Unison)
// do so when their own key goes up; another key's release leaves the note
// they play as it is.
TEST(NoteDispatch, OnlyTheReleaseOfTheSoundingKeySendsAVoiceBackToAHeldKey) {
  for (const bool stack : {true, false}) {
    SCOPED_TRACE(stack ? "stack" : "unison");
    Rig rig;
    Engine& e = rig.engine;
    Only(e, {{0, 0}, {1, 0}});
    for (int32_t t : {0, 1}) {
      Mode(e, t, Track::kMonophonic, false);
      if (!stack) e.SetTrackVoiceParam(t, Voice::kVoiceMode, 1.0);
    }
    if (stack) e.SetMode(5);
    Play(rig, {{'n', 0, 60}, {'n', 0, 64}, {'n', 0, 67}});
    const int32_t serials[2] = {e.GetVoice(0).startSerial, e.GetVoice(1).startSerial};
    Play(rig, {{'f', 0, 60}});
    for (int32_t v : {0, 1}) {
      EXPECT_EQ(e.GetVoice(v).note, 67) << v;
      EXPECT_EQ(e.GetVoice(v).startSerial, serials[v]) << v;
    }
    Play(rig, {{'f', 0, 67}});
    for (int32_t v : {0, 1}) {
      EXPECT_EQ(e.GetVoice(v).note, 64) << v;
      EXPECT_TRUE(e.GetVoice(v).keyHeld) << v;
    }
  }
}

TEST(NoteDispatch, UnisonOnAPolyTrackTakesSixDetunedPoolVoices) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.SetTrackMode(0, Track::kPolyphonic);
  rig.engine.SetTrackVoiceParam(0, Voice::kVoiceMode, 1.0);
  rig.engine.SetTrackVoiceParam(0, Voice::kFilterKeyTrack, 0.0);
  rig.engine.NoteOn(0, 60, 100, false);
  const int32_t detunes[6] = {-5, -3, -1, 1, 3, 5};
  double cutoff = rig.engine.TrackVoiceParam(0, Voice::kFilterCutoff);
  for (int32_t i = 0; i < 6; ++i) {
    const Voice& v = rig.engine.GetVoice(6 + i);
    EXPECT_TRUE(v.active);
    EXPECT_EQ(v.detune, detunes[i]);
    EXPECT_EQ(v.targetPitch, 60 * 128 + detunes[i]);
    EXPECT_EQ(v.cutoffPitch, cutoff + 4 * detunes[i]);
  }
  EXPECT_FALSE(rig.engine.GetVoice(12).active);
}

// With the pool full, a Unison note takes over the six voices that started
// longest ago, one for each of its detunes, and stacked Polyphonic tracks one
// each.
TEST(NoteDispatch, ANoteOnAFullPoolTakesOverAVoiceForEachOfItsSounds) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.SetTrackMode(0, Track::kPolyphonic);
  rig.engine.SetTrackVoiceParam(0, Voice::kVoiceMode, 1.0);
  for (int32_t n = 0; n < 15; ++n) rig.engine.NoteOn(0, 40 + n, 100, false);
  for (int32_t extra = 0; extra < 3; ++extra) {
    const int32_t note = 80 + extra;
    rig.engine.NoteOn(0, note, 100, false);
    std::vector<int32_t> detunes;
    for (int32_t v = 6; v < Engine::kVoiceCount; ++v)
      if (rig.engine.GetVoice(v).note == note) detunes.push_back(rig.engine.GetVoice(v).detune);
    EXPECT_EQ(detunes, (std::vector<int32_t>{-5, -3, -1, 1, 3, 5})) << note;
    // The note it took them from is gone entirely.
    for (int32_t v = 6; v < Engine::kVoiceCount; ++v) EXPECT_NE(rig.engine.GetVoice(v).note, 40 + extra) << note;
  }

  Rig stack;
  Only(stack.engine, {{0, 0}, {1, 0}});
  stack.engine.SetMode(5);
  for (int32_t t : {0, 1}) stack.engine.SetTrackMode(t, Track::kPolyphonic);
  for (int32_t n = 0; n < 45; ++n) stack.engine.NoteOn(0, 30 + n, 100, false);
  stack.engine.NoteOn(0, 100, 100, false);
  std::vector<int32_t> tracks;
  for (int32_t v = 6; v < Engine::kVoiceCount; ++v)
    if (stack.engine.GetVoice(v).note == 100) tracks.push_back(stack.engine.GetVoice(v).track);
  std::sort(tracks.begin(), tracks.end());
  EXPECT_EQ(tracks, (std::vector<int32_t>{0, 1}));
}

TEST(NoteDispatch, LegatoGlidesWithoutRestartingEnvelopes) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.SetTrackMode(0, Track::kLegato);
  rig.engine.SetTrackVoiceParam(0, Voice::kAmpEnvDecay, 64);
  rig.engine.SetTrackVoiceParam(0, Voice::kAmpEnvSustain, 0.0);
  rig.engine.NoteOn(0, 60, 100, false);
  rig.RenderBlocks(4800, 256);
  const Voice& v = rig.engine.GetVoice(0);
  double level = v.ampEnv.level;
  ASSERT_EQ(v.ampEnv.stage, Envelope::kDecay);
  rig.engine.NoteOn(0, 67, 100, false);
  EXPECT_EQ(v.ampEnv.stage, Envelope::kDecay);
  EXPECT_EQ(v.ampEnv.level, level);
  EXPECT_EQ(v.targetPitch, 67 * 128);
  // A key on its own restarts them.
  rig.engine.NoteOff(0, 60, false);
  rig.engine.NoteOff(0, 67, false);
  rig.engine.NoteOn(0, 62, 100, false);
  EXPECT_EQ(v.ampEnv.stage, Envelope::kAttack);
}

TEST(NoteDispatch, WithEveryPoolVoiceSoundingTheOldestIsTakenOver) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.SetTrackMode(0, Track::kPolyphonic);
  for (int32_t n = 0; n < 90; ++n) rig.engine.NoteOn(0, n, 100, false);
  for (int32_t v = 6; v < 96; ++v) ASSERT_TRUE(rig.engine.GetVoice(v).active) << v;
  rig.engine.NoteOn(0, 100, 100, false);
  EXPECT_EQ(rig.engine.GetVoice(6).note, 100);
  rig.engine.NoteOn(0, 101, 100, false);
  EXPECT_EQ(rig.engine.GetVoice(7).note, 101);
  // Releasing a voice frees it once its sound has ended.
  rig.engine.NoteOff(0, 50, false);
  rig.RenderBlocks(4800, 256);
  rig.engine.NoteOn(0, 102, 100, false);
  EXPECT_EQ(rig.engine.GetVoice(6 + 50).note, 102);
}

TEST(NoteDispatch, PoolVoicesTakeTheSoundOfTheTrackTheyPlayFor) {
  Rig rig;
  Only(rig.engine, {{0, 0}, {1, 1}});
  rig.engine.SetTrackMode(0, Track::kPolyphonic);
  rig.engine.SetTrackMode(1, Track::kPolyphonic);
  rig.engine.SetTrackVoiceParam(1, Voice::kFilterCutoff, 1234.0);
  rig.engine.NoteOn(1, 60, 100, false);
  EXPECT_EQ(rig.engine.GetVoice(6).track, 1);
  EXPECT_EQ(rig.engine.GetVoice(6).cutoff, 1234.0);
  rig.engine.GetTrack(1).bend = 256.0;
  rig.Render(48);
  EXPECT_EQ(rig.engine.GetVoice(6).osc.phaseIncrement, rig.engine.PhaseIncrements()[60 * 128 + 256]);
}

// Pool voices move from track to track as notes come and go; a change of a
// track's sound reaches exactly the voices bound to it at that moment.
TEST(NoteDispatch, TrackSoundChangesReachExactlyTheVoicesBoundToTheTrack) {
  Rig rig;
  Only(rig.engine, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
  for (int32_t t = 0; t < 6; ++t) rig.engine.SetTrackMode(t, t == 4 ? Track::kMonophonic : Track::kPolyphonic);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int32_t>((seed >> 8) % range);
  };
  for (int32_t round = 0; round < 40; ++round) {
    for (int32_t n = 0; n < 12; ++n) {
      const int32_t t = next(6), note = 30 + next(60);
      if (next(3) == 0)
        rig.engine.NoteOff(t, note, false);
      else
        rig.engine.NoteOn(t, note, 100, false);
    }
    rig.RenderBlocks(next(4000), 256);
    for (int32_t t = 0; t < 6; ++t) rig.engine.SetTrackVoiceParam(t, Voice::kFilterCutoff, 1000.0 * round + t);
    for (int32_t v = 0; v < Engine::kVoiceCount; ++v) {
      const Voice& voice = rig.engine.GetVoice(v);
      ASSERT_EQ(voice.cutoff, 1000.0 * round + voice.track) << "voice " << v << " in round " << round;
    }
  }
}

TEST(NoteDispatch, ChangingATracksChannelReleasesItsVoices) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.NoteOn(0, 60, 100, false);
  rig.Render(96);
  rig.engine.SetTrackChannel(0, 0);  // unchanged: nothing happens
  EXPECT_TRUE(rig.engine.GetVoice(0).keyHeld);
  rig.engine.SetTrackChannel(0, 3);
  EXPECT_FALSE(rig.engine.GetVoice(0).keyHeld);
  EXPECT_TRUE(Releasing(rig.engine.GetVoice(0)));
  EXPECT_EQ(rig.engine.ChannelTrackCount(0), 0);
  ASSERT_EQ(rig.engine.ChannelTrackCount(3), 1);
  EXPECT_EQ(rig.engine.ChannelTrack(3, 0), 0);
}

TEST(NoteDispatch, NotesOnAChannelNobodyHearsAreStillHeld) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.NoteOn(4, 60, 100, false);
  EXPECT_TRUE(rig.engine.IsNoteHeld(4, 60));
  for (int32_t v = 0; v < Engine::kVoiceCount; ++v) EXPECT_FALSE(rig.engine.GetVoice(v).active);
}

namespace {
struct RecorderHooks : EngineHooks {
  bool IsTuningOnline() override { return true; }
  bool IsNoteFiltered(int32_t note) override { return note == 61; }
  int32_t NoteToPitch(int32_t key) override { return key * 128 + 10; }
  void RecordNoteEvent(int32_t track, int32_t note, int32_t velocity) override {
    events.push_back({track, note, velocity});
  }
  std::vector<std::array<int32_t, 3>> events;
};
}  // namespace

TEST(NoteDispatch, TuningHooksFilterKeysAndSetPitches) {
  RecorderHooks hooks;
  Rig rig(48000.0, 256, &hooks);
  Only(rig.engine, {{0, 0}});
  rig.engine.NoteOn(0, 61, 100, false);
  EXPECT_FALSE(rig.engine.GetVoice(0).active);
  EXPECT_FALSE(rig.engine.IsNoteHeld(0, 61));
  rig.engine.NoteOn(0, 60, 100, false);
  EXPECT_EQ(rig.engine.GetVoice(0).targetPitch, 60 * 128 + 10);
}

TEST(NoteDispatch, RecordingReportsStartsAndStopsOfArmedTracksOnce) {
  RecorderHooks hooks;
  Rig rig(48000.0, 256, &hooks);
  Only(rig.engine, {{0, 0}, {1, 0}});
  rig.engine.GetTrack(0).armed = true;
  rig.engine.GetTrack(1).armed = true;
  rig.engine.SetMode(5);
  rig.engine.SetRecording(true);
  rig.engine.NoteOn(0, 60, 90, false);
  rig.engine.NoteOn(0, 64, 91, false);
  hooks.events.clear();
  rig.engine.NoteOff(0, 64, false);
  // Each stacked track's voice returns to 60 exactly once (a voice restarted
  // in the same message is not also stopped); the 64 it sounded ends.
  int32_t starts = 0, stops = 0;
  for (auto& e : hooks.events) {
    if (e[2] > 0) {
      ++starts;
      EXPECT_EQ(e[1], 60);
    } else {
      ++stops;
      EXPECT_EQ(e[1], 64);
    }
  }
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(stops, 2);
  // While recording, live notes reach armed tracks only.
  rig.engine.GetTrack(1).armed = false;
  rig.engine.SetMode(0);
  rig.engine.NoteOn(0, 70, 100, false);
  EXPECT_EQ(rig.engine.GetVoice(0).note, 70);
  EXPECT_NE(rig.engine.GetVoice(1).note, 70);
}

TEST(NoteDispatch, SequencerNotesGoToTracksWhoseChannelMatches) {
  Rig rig;
  Only(rig.engine, {{0, Track::kAllChannels}, {2, 2}});
  rig.engine.GetTrack(2).sequenceDriven = true;
  rig.engine.NoteOn(2, 60, 100, true);
  EXPECT_FALSE(rig.engine.GetVoice(0).active);  // stored channel 16, not 2
  EXPECT_TRUE(rig.engine.GetVoice(2).active);
  EXPECT_FALSE(rig.engine.IsNoteHeld(2, 60));
}

TEST(NoteDispatch, ArpeggiatorNoteOffOnChannelSixReleasesOnlyThePatternTracks) {
  Rig rig;
  Only(rig.engine, {{0, 0}, {5, 5}});
  rig.engine.SetMode(3);
  rig.engine.NoteOn(5, 67, 100, true);   // a step still held on the pattern track
  rig.engine.NoteOn(0, 60, 100, false);  // a key played over a latched pattern
  MidiMessage on{0, 0x95, 64, 100, 1, 0};
  MidiMessage off{10, 0x85, 64, 0, 1, 0};
  rig.engine.QueueMidiMessage(on);
  rig.engine.QueueMidiMessage(off);
  rig.Render(48);
  EXPECT_TRUE(rig.engine.GetVoice(0).keyHeld);
  EXPECT_FALSE(rig.engine.GetVoice(5).keyHeld);
}

TEST(NoteDispatch, InArpeggiatorModesCycleMovesOnEvenForARepeatedKey) {
  for (int32_t mode : {0, 3}) {
    Rig rig;
    Only(rig.engine, {{0, 0}, {1, 0}});
    rig.engine.SetTrackMode(0, Track::kPolyphonic);
    rig.engine.SetTrackMode(1, Track::kPolyphonic);
    rig.engine.SetMode(mode);
    rig.engine.NoteOn(0, 60, 100, false);
    rig.engine.NoteOff(0, 60, false);
    rig.engine.NoteOn(0, 60, 100, false);
    // The second press plays on track 2 only when Cycle rotated.
    bool onSecondTrack = false;
    for (int32_t v = 6; v < 96; ++v) {
      const Voice& voice = rig.engine.GetVoice(v);
      if (voice.keyHeld && voice.track == 1) onSecondTrack = true;
    }
    EXPECT_EQ(onSecondTrack, mode == 3) << mode;
  }
}

TEST(NoteDispatch, ASequenceDrivenTrackKeepsItsOwnIndexAsChannel) {
  Rig rig;
  Only(rig.engine, {{2, 0}});
  rig.engine.GetTrack(2).sequenceDriven = true;
  rig.engine.SetTrackChannel(2, 7);
  EXPECT_EQ(rig.engine.GetTrack(2).channel, 2);
  EXPECT_EQ(rig.engine.ChannelTrackCount(0), 0);
  ASSERT_EQ(rig.engine.ChannelTrackCount(7), 1);
  EXPECT_EQ(rig.engine.ChannelTrack(7, 0), 2);
}

TEST(NoteDispatch, ReleasingAChannelReleasesOnlyItsTracks) {
  struct HoldHooks : EngineHooks {
    void ClearArpeggiatorHold() override { ++clears; }
    int32_t clears = 0;
  };
  HoldHooks hooks;
  Rig rig(48000.0, 256, &hooks);
  Only(rig.engine, {{0, 5}, {1, 4}});
  rig.engine.NoteOn(5, 60, 100, false);
  rig.engine.NoteOn(4, 62, 100, false);
  rig.Render(96);
  hooks.clears = 0;
  rig.engine.ReleaseChannelVoices(5);
  EXPECT_FALSE(rig.engine.GetVoice(0).keyHeld);
  EXPECT_EQ(rig.engine.GetVoice(0).ampEnv.stage, Envelope::kRelease);
  EXPECT_TRUE(rig.engine.GetVoice(1).keyHeld);
  EXPECT_EQ(hooks.clears, 1);
  EXPECT_EQ(rig.engine.GetTrack(0).heldVoiceCount, 0);
  EXPECT_EQ(rig.engine.GetTrack(1).heldVoiceCount, 1);
}

TEST(NoteDispatch, TheSequencersPedalReachesOnlyTracksOnItsChannel) {
  Rig rig;
  Only(rig.engine, {{0, 0}, {1, Track::kAllChannels}});
  rig.engine.SustainPedal(0, true, true);
  EXPECT_TRUE(rig.engine.GetVoice(0).sustained);
  EXPECT_FALSE(rig.engine.GetVoice(1).sustained);
  rig.engine.SustainPedal(0, true, false);
  EXPECT_TRUE(rig.engine.GetVoice(1).sustained);
}

TEST(NoteDispatch, TransposeTuneAndMasterTuneSetTheVoicePitch) {
  Rig rig;
  Only(rig.engine, {{0, 0}});
  rig.engine.SetTrackTranspose(0, 12);
  rig.engine.SetTrackTune(0, 40.0);
  rig.engine.SetMasterTune(-8.0);
  rig.engine.NoteOn(0, 57, 100, false);
  const Voice& v = rig.engine.GetVoice(0);
  EXPECT_EQ(v.note, 57);
  EXPECT_EQ(v.keyNumber, 69);
  EXPECT_EQ(v.osc.phaseIncrement, rig.engine.PhaseIncrements()[69 * 128 + 32]);
}
