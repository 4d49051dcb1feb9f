// The loop player inside the instrument: Mode changes, the click, "Speed",
// and following the host's transport.
#include <gtest/gtest.h>

#include "tests/performance/SequencerTestSupport.h"

namespace {

// Seq A: 60 on tick 0 and 64 on tick 192, each a sixteenth, in a 768-tick loop.
void FillSeqA(Sequence& sequence) {
  AddNote(sequence, 0, 60, 0, 48);
  AddNote(sequence, 0, 64, 192, 240);
  sequence.length = 768;
}

TEST(Player, EmptySequencesAreRefusedAndModeSwitchesGoThroughNormal) {
  Session s;
  EXPECT_FALSE(s.plug.Sequencing().SetMode(kModeSequenceA));
  EXPECT_EQ(s.plug.StatusText(), "Sequence A: empty.");
  EXPECT_EQ(s.plug.StatusColour(), kStatusOrange);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_FALSE(s.plug.Sequencing().SetMode(kModeSequenceB));
  EXPECT_EQ(s.plug.StatusText(), "Sequence B: empty.");

  FillSeqA(s.plug.Sequencing().SeqA());
  AddNote(s.plug.Sequencing().SeqB(), 1, 50, 0, 48);
  s.plug.Sequencing().SeqB().length = 192;
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  EXPECT_EQ(s.plug.IntParam(kParamMode), kModeSequenceA);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(1).sequenceDriven);
  // SEQ B while Seq A plays: Normal first, the second press enters Seq B.
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceB));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(s.plug.IntParam(kParamMode), kModeNormal);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceB));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceB);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(1).sequenceDriven);
  // An arpeggiator or Stack Mode from a sequence Mode: Normal first as well.
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeArpUpDown));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  // Through the host's "Mode" parameter the same rules hold.
  s.plug.SetPlain(kParamMode, kModeSequenceA);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceA);
  EXPECT_EQ(s.plug.StatusText(), "Sequencer started...");
}

TEST(Player, LeavingTheSequenceModeStopsTheLoopAndReleasesItsTracks) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  s.RunTo(6000);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(6000 + 2 * kQuarter);
  EXPECT_EQ(s.OnsetsFrom(0, 0), (std::vector<int64_t>{6000, 6000 + kQuarter}));
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  s.RunTo(s.Now() + 480);
  EXPECT_EQ(s.plug.Sequencing().Player().CurrentSequence(), PlayedSequence::kNone);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  const int64_t quiet = s.Now() + 4800;
  s.RunTo(quiet + 4 * kQuarter);
  EXPECT_EQ(s.TrackRms(0, quiet, s.Now()), 0.0);
  // Entering again starts from the first tick.
  const int64_t again = s.Now();
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(again + kQuarter / 2);
  ASSERT_EQ(s.OnsetsFrom(0, again).size(), 1u);
  EXPECT_LT(s.OnsetsFrom(0, again)[0], again + kTick);
}

TEST(Player, SwitchingSequencesWithinOneBlockPlaysTheNewOneFromItsStart) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  AddNote(s.plug.Sequencing().SeqB(), 1, 50, 96, 144);
  s.plug.Sequencing().SeqB().length = 384;
  s.RunTo(6000);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(6000 + 2 * kQuarter + 6000);
  // SEQ B twice between two blocks: Normal, then Seq B.
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceB));
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceB));
  const int64_t switched = s.Now();
  s.RunTo(switched + 4 * kQuarter);
  EXPECT_TRUE(s.OnsetsFrom(0, switched).empty());
  EXPECT_EQ(s.OnsetsFrom(1, switched), (std::vector<int64_t>{switched + 96 * kTick, switched + (384 + 96) * kTick}));
  EXPECT_EQ(s.HeardNote(1, switched + 96 * kTick + 200), 50);
}

TEST(Player, SpeedChangesRescaleTheLoopWithoutRestartingIt) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  s.RunTo(6000);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(6000 + 6000);
  s.plug.SetPlain(kParamSpeed, 60);  // ticks of 250 samples from now on
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 250.0);
  s.RunTo(6000 + 4 * kQuarter);
  // Tick 48 was reached at 12000; 144 more ticks of 250 samples to tick 192.
  EXPECT_EQ(s.OnsetsFrom(0, 0), (std::vector<int64_t>{6000, 12000 + 144 * 250}));
  EXPECT_EQ(s.HeardNote(0, 12000 + 144 * 250 + 200), 64);
}

TEST(Player, ANewSampleRateKeepsTheTempo) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(4800);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 125.0);
  s.plug.SetSampleRate(96000.0);
  s.plug.OnReset();
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 250.0);
  s.plug.SetSampleRate(44100.0);
  s.plug.OnReset();
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 114.84375);
}

TEST(Player, ClickSoundsEveryQuarterIntoTheSumOnlyWhateverTheLoopLength) {
  Session s;
  // A 500-tick loop whose only note goes to a channel no track hears.
  AddNote(s.plug.Sequencing().SeqA(), 9, 60, 0, 48);
  s.plug.Sequencing().SeqA().length = 500;
  s.plug.Sequencing().SetClickEnabled(true);
  s.RunTo(6000);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(6000 + 6 * kQuarter);
  for (int t = 0; t < Engine::kTrackCount; ++t) EXPECT_EQ(s.TrackRms(t, 0, s.Now()), 0.0) << t;
  // The sum holds the click alone: a 10 ms pulse ringing at 2 kHz, once per quarter.
  const std::vector<double>& sum = s.out.channels[0];
  std::vector<int64_t> clicks;
  int64_t quietFor = 1000;
  for (size_t i = 0; i < sum.size(); ++i) {
    if (std::fabs(sum[i]) > 1e-6) {
      if (quietFor >= 1000) clicks.push_back(static_cast<int64_t>(i));
      quietFor = 0;
    } else {
      ++quietFor;
    }
  }
  std::vector<int64_t> expected;
  for (int k = 0; k < 6; ++k) expected.push_back(6000 + k * kQuarter);
  EXPECT_EQ(clicks, expected);
  EXPECT_EQ(s.out.channels[0], s.out.channels[1]);

  // Level follows clickLevel (set from the panel in dB steps); off means silence.
  s.plug.Sequencing().SetClickLevel(0.0);
  EXPECT_EQ(s.plug.StatusText(), "Click Level: -oo");
  s.plug.Sequencing().SetClickLevel(0.5);
  EXPECT_EQ(s.plug.StatusText(), "Click Level: -6.0");
  EXPECT_EQ(s.plug.StatusColour(), kStatusWhite);
  const int64_t before = s.Now();
  s.plug.Sequencing().SetClickLevel(0.25);
  s.RunTo(before + kQuarter);
  const double peakHalf = Peak(sum, static_cast<size_t>(before), static_cast<size_t>(s.Now()));
  const double peakFull = Peak(sum, 6000, 6000 + kQuarter);
  EXPECT_NEAR(peakHalf, peakFull / 2, peakFull * 0.01);
  s.plug.Sequencing().SetClickEnabled(false);
  const int64_t off = s.Now();
  s.RunTo(off + 2 * kQuarter);
  for (int64_t i = off + 4800; i < s.Now(); ++i) ASSERT_EQ(sum[static_cast<size_t>(i)], 0.0) << i;
}

TEST(Player, HostTransportStartPlaysFromTheFirstTickOnTheHostsGrid) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  Sync(s);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(48000);
  EXPECT_TRUE(s.OnsetsFrom(0, 0).empty());  // transport stopped: the player stands still

  // Started in the middle of a tick: 30060 samples is 240.48 ticks, so the
  // first tick falls on the host's next 1/192-quarter line, 65 samples on.
  StartHost(s, 30060);
  const int64_t start = s.Now();
  s.RunTo(start + 2 * kQuarter);
  EXPECT_EQ(s.OnsetsFrom(0, start), (std::vector<int64_t>{start + 65, start + 65 + kQuarter}));
  EXPECT_TRUE(s.plug.Sequencing().Player().HostPlaying());

  // Stop: the loop stops and its voices are released; nothing more plays.
  s.plug.hostTime.transportRunning = false;
  const int64_t stop = s.Now();
  s.RunTo(stop + 4 * kQuarter);
  EXPECT_FALSE(s.plug.Sequencing().Player().HostPlaying());
  EXPECT_TRUE(s.OnsetsFrom(0, stop).empty());
  EXPECT_EQ(s.TrackRms(0, stop + 4800, s.Now()), 0.0);

  // Started again elsewhere: again from the first tick.
  StartHost(s, 0);
  const int64_t restart = s.Now();
  s.RunTo(restart + kQuarter + 4800);
  EXPECT_EQ(s.OnsetsFrom(0, restart), (std::vector<int64_t>{restart, restart + kQuarter}));
}

TEST(Player, AHostJumpBackRestartsTheLoop) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  Sync(s);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(4800);
  StartHost(s, 0);
  s.RunTo(4800 + kQuarter * 3 / 2);  // 1.5 quarters into the loop
  // The host loops back to 0.25 quarters: the sequence restarts at tick 0 there.
  StartHost(s, kQuarter / 4);
  const int64_t jump = s.Now();
  s.RunTo(jump + kQuarter + 4800);
  EXPECT_EQ(s.OnsetsFrom(0, jump), (std::vector<int64_t>{jump, jump + kQuarter}));
  EXPECT_EQ(s.HeardNote(0, jump + 200), 60);
}

TEST(Player, AHostTempoChangeRescalesTheTicks) {
  Session s;
  FillSeqA(s.plug.Sequencing().SeqA());
  Sync(s);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.plug.hostTime.tempo = 60.0;
  s.RunTo(4800);
  StartHost(s, 0);
  const int64_t start = s.Now();
  s.RunTo(start + 3 * kQuarter);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 250.0);
  EXPECT_EQ(s.OnsetsFrom(0, start), (std::vector<int64_t>{start, start + 2 * kQuarter}));

  // Back to 120 in the middle of the loop: the ticks still to come follow the
  // new tempo from the host's grid on, without a restart. At 72480 samples
  // tick 290 (due at 72500) is next; it moves to the 125-sample grid there.
  s.RunTo(start + 72480);
  s.plug.hostTime.tempo = 120.0;
  s.RunTo(start + 72480 + 4 * kQuarter);
  const int64_t tick290 = start + 72500;
  const std::vector<int64_t> after = s.OnsetsFrom(0, start + 72480);
  ASSERT_EQ(after.size(), 2u);
  // The rest of the loop takes 478 ticks of 125 samples (on the host's grid of
  // 1/192 quarters, which may lie a few samples off the old one).
  EXPECT_NEAR(static_cast<double>(after[0]), static_cast<double>(tick290 + (768 - 290) * kTick), kTick / 2.0);
  EXPECT_EQ(after[1] - after[0], kQuarter);
  // "Speed" picks a note value while synced: 1/8 makes a sequence quarter half a host beat.
  s.plug.SetPlain(kParamSpeed, 12 + 468.0 * 6 / 13);
  EXPECT_EQ(SpeedNoteValueIndex(s.plug.GetParam(kParamSpeed)->Value()), 6);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 62.5);
}

}  // namespace
