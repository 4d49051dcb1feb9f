// Which programs the tracks play as the performance Mode changes, and the
// hand-over of channels between the tracks and the sequences.
#include <gtest/gtest.h>

#include "tests/performance/SequencerTestSupport.h"
#include "tests/support/HostedInstrument.h"

namespace {

const std::string& ProgramName(Session& s, int p) {
  return s.plug.Library().programs[static_cast<size_t>(p)].name;
}

TEST(Modes, SequenceModesPlayTheirOwnProgramsAndNormalGivesTheTrackProgramsBack) {
  Session s;
  ASSERT_NE(ProgramName(s, 7), ProgramName(s, 0));
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  AddNote(s.plug.Sequencing().SeqA(), 3, 62, 0, 48);
  s.plug.Sequencing().SeqA().length = 192;
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetSeqA, 0), 7);
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetTrack, 3), 9);
  ASSERT_EQ(s.plug.GetEngine().GetTrack(3).programName, ProgramName(s, 9));

  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).programName, ProgramName(s, 7));
  // 100 in "Seq A Prg 4": the track keeps its own program.
  EXPECT_EQ(s.plug.GetEngine().GetTrack(3).programName, ProgramName(s, 9));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(1).programName, ProgramName(s, 0));
  // Tracks with material listen to their own part only.
  SetTrackChannel(s.plug, 0, kChannelAll);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, 0);

  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).programName, ProgramName(s, 0));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(3).programName, ProgramName(s, 9));
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, kChannelAll);  // from its parameter
  EXPECT_EQ(s.plug.GetEngine().GetTrack(3).channel, 3);
}

TEST(Modes, ATemplateAppliedWhileALoopPlaysKeepsItsPartsUntilTheTracksAreHandedBack) {
  Session s;
  SetTrackChannel(s.plug, 5, 0);  // MIDI channel 6 free: sequence-driven tracks take the template too
  for (int beat = 0; beat < 4; ++beat) AddNote(s.plug.Sequencing().SeqA(), 1, 60, beat * 48, beat * 48 + 24);
  s.plug.Sequencing().SeqA().length = 192;
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(kQuarter * 2);
  ASSERT_EQ(s.OnsetsFrom(1, 0).size(), 8u);

  s.plug.Commands().ApplyConfigTemplate(2);  // "Single Poly": track 2 off
  s.RunTo(kQuarter * 4);
  EXPECT_EQ(s.OnsetsFrom(1, kQuarter * 2).size(), 8u);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(1).channel, kChannelNone);
}

TEST(Modes, StackModesUnlinkAndLoadTheirSlotsNormalLinksAgain) {
  Session s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 1);
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetStackA, t), 10 + t);
    s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetStackB, t), 20 + t);
  }
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeStackA));
  EXPECT_FALSE(s.plug.LinkProgramsOn());
  for (int t = 0; t < Engine::kTrackCount; ++t)
    EXPECT_EQ(s.plug.GetEngine().GetTrack(t).programName, ProgramName(s, 10 + t));
  // From one Stack Mode straight to the other.
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeStackB));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeStackB);
  for (int t = 0; t < Engine::kTrackCount; ++t)
    EXPECT_EQ(s.plug.GetEngine().GetTrack(t).programName, ProgramName(s, 20 + t));
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  EXPECT_TRUE(s.plug.LinkProgramsOn());
  for (int t = 0; t < Engine::kTrackCount; ++t)
    EXPECT_EQ(s.plug.GetEngine().GetTrack(t).programName, ProgramName(s, 0));
  // A sequence Mode from a Stack Mode goes to Normal first.
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  s.plug.Sequencing().SeqA().length = 192;
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeStackA));
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
}

TEST(Modes, EveryModeChangeClearsTheArpeggioAndReleasesChannelSix) {
  Session s;
  s.RunTo(9600);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeArpAssign));
  s.Note(0, 60, 100);
  s.RunTo(19200);
  ASSERT_FALSE(s.plug.Sequencing().Arpeggio().Empty());
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 0);
  s.RunTo(19200 + 9600);
  EXPECT_EQ(s.TrackRms(5, 19200 + 4800, 19200 + 9600), 0.0);
  // Normal again is no change at all.
  s.plug.Sequencing().ToggleArpeggiatorLatch();  // latched
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  EXPECT_TRUE(s.plug.Sequencing().ArpeggiatorLatched());
}

TEST(Modes, OutOfRangeModesCountAsNormal) {
  Session s;
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  s.plug.Sequencing().SeqA().length = 192;
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  EXPECT_TRUE(s.plug.Sequencing().SetMode(9));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_TRUE(s.plug.Sequencing().SetMode(-3));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
}

// Whatever Mode a host asks for, the "Mode" parameter ends where the engine
// is: a Mode that cannot be entered (an empty sequence, no track for the
// arpeggio) falls back in the parameter as well, also on a fresh instance.
TEST(Modes, TheModeParameterFollowsTheEngineWhateverTheHostAsks) {
  for (const bool ready : {false, true}) {
    HostedInstrument host(48000.0, 480);
    Vornell& plug = *host.plug;
    if (ready) {
      AddNote(plug.Sequencing().SeqA(), 0, 60, 0, 48);
      AddNote(plug.Sequencing().SeqB(), 1, 62, 0, 48);
      plug.Sequencing().SeqA().length = plug.Sequencing().SeqB().length = 192;
    } else {
      host.effect->setParameter(host.effect, TrackParamIndex(5, kTrackChannel), 1.0f);  // "X": off
    }
    const PlugParam& mode = *plug.GetParam(kParamMode);
    const auto ask = [&](int m) { host.effect->setParameter(host.effect, kParamMode, mode.ToNormalized(m)); };
    for (int from = kModeNormal; from <= kModeStackB; ++from) {
      for (int to = kModeNormal; to <= kModeStackB; ++to) {
        ask(kModeNormal);
        ask(from);
        ask(to);
        ASSERT_EQ(plug.IntParam(kParamMode), plug.GetEngine().Mode())
            << "ready " << ready << ", " << from << " to " << to;
      }
    }
  }
}

// A Legato track glides to a new key only from a note that still sounds; a key
// that finds its voice released or silent starts it anew. Cases: a line in
// which the upper key went up before the next (the voice was released with
// the lower key still down), and two Legato tracks taking turns by Cycle.
TEST(Modes, ALegatoKeyThatFindsItsVoiceSilentSoundsWhileHeld) {
  for (const bool cycle : {false, true}) {
    Session s;
    SetTrackChannel(s.plug, 1, cycle ? 0 : 1);
    for (int t : {0, 1}) {
      s.plug.SetPlain(TrackParamIndex(t, kTrackMode), Track::kLegato);
      s.plug.SetPlain(TrackParamIndex(t, kTrackCycle), cycle ? 1 : 0);
    }
    s.RunTo(9600);
    s.Note(0, 60, 100);
    s.RunTo(19200);
    s.Note(0, 64, 100);
    s.RunTo(28800);
    if (!cycle) s.Note(0, 64, 0);
    s.RunTo(38400);
    s.Note(0, 67, 100);
    s.RunTo(57600);
    const int heard = cycle ? 1 : 0;
    EXPECT_GT(s.TrackRms(heard, 48000, 57600), 0.001) << cycle;
    EXPECT_EQ(s.HeardNote(heard, 48000), cycle ? 64 : 67) << cycle;
  }
}

}  // namespace
