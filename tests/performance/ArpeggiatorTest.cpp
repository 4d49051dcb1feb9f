// The arpeggiator in Modes 3 and 4, heard on track 6 (MIDI channel 6) at
// 48 kHz with Speed 120: a pattern step is an eighth note, 12000 samples.
#include <gtest/gtest.h>

#include "tests/performance/SequencerTestSupport.h"

namespace {

constexpr int64_t kStep = 12000;
constexpr int64_t kStart = 48000;  // on the tick grid and on a control tick

void EnterMode(Session& s, int mode) {
  s.RunTo(kStart - 9600);
  s.plug.SetPlain(kParamMode, mode);
  ASSERT_EQ(s.plug.GetEngine().Mode(), mode);
  s.RunTo(kStart);
}

std::vector<int> HeardSequence(const Session& s, int64_t from, int steps) {
  std::vector<int> notes;
  for (int i = 0; i < steps; ++i) notes.push_back(s.HeardNote(5, from + i * kStep + 200));
  return notes;
}

std::vector<int64_t> Steps(int64_t from, int count) {
  std::vector<int64_t> steps;
  for (int i = 0; i < count; ++i) steps.push_back(from + i * kStep);
  return steps;
}

TEST(Arpeggiator, UpDownPlaysTheHeldKeysUpAndBackAsEighthNotes) {
  Session s;
  EnterMode(s, kModeArpUpDown);
  EXPECT_EQ(s.plug.StatusText(), "Arpeggiator started...");
  EXPECT_EQ(s.plug.GetEngine().GetTrack(5).channel, 5);
  s.Note(0, 67, 100);
  s.Note(0, 60, 90);
  s.Note(0, 64, 80);
  const std::vector<std::vector<int>> pattern = {{0, 0x95, 60},   {48, 0x85, 60},  {96, 0x95, 64},  {144, 0x85, 64},
                                                 {192, 0x95, 67}, {240, 0x85, 67}, {288, 0x95, 64}, {336, 0x85, 64}};
  EXPECT_EQ(EventList(s.plug.Sequencing().Arpeggio()), pattern);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 384);
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().channelUsed[5]);

  s.RunTo(kStart + 12 * kStep);
  // Every step starts on its sample, 0.25 s apart, on track 6 only.
  EXPECT_EQ(s.OnsetsFrom(5, kStart), Steps(kStart, 12));
  EXPECT_EQ(HeardSequence(s, kStart, 8), (std::vector<int>{60, 64, 67, 64, 60, 64, 67, 64}));
  for (int t = 0; t < 5; ++t) EXPECT_TRUE(s.OnsetsFrom(t, 0).empty()) << t;
  // Velocities come with the notes.
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().Events()[4].data2, 100);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().Events()[0].data2, 90);
}

// A pattern made shorter than the place it has reached goes on from the same
// place in its steps, not from its first note on the next tick.
TEST(Arpeggiator, APatternThatShrinksKeepsItsStepsOnTheClockGrid) {
  for (int mode : {kModeArpUpDown, kModeArpAssign}) {
    for (int64_t into : {480, 2880, 5760, 9600}) {
      Session s;
      EnterMode(s, mode);
      for (int key : {60, 62, 64, 67}) s.Note(0, key, 100);
      const int64_t release = kStart + 3 * kStep + into;
      s.RunTo(release);
      s.Note(0, 64, 0);
      s.Note(0, 67, 0);
      s.RunTo(kStart + 8 * kStep);
      const std::vector<int64_t> onsets = s.OnsetsFrom(5, release);
      EXPECT_EQ(onsets, Steps(kStart + 4 * kStep, 4)) << mode << " " << into;
      for (size_t i = 1; i < onsets.size(); ++i)
        EXPECT_NE(s.HeardNote(5, onsets[i] + 200), s.HeardNote(5, onsets[i - 1] + 200)) << mode << " " << into;
    }
  }
}

// The steps keep to the beat, on the internal clock at Speeds whose ticks
// last no whole number of samples, and following a host that gives its
// musical position as hosts compute it, from its sample position, at any tempo
// and note value: a tick on a block boundary is played once, whichever way
// the time rounds.
TEST(Arpeggiator, TheStepsKeepToTheBeatOfTheClock) {
  struct Clock {
    bool host;
    double tempo;  // of the host
    double speed;  // BPM, or following the host 1/4, 1/4T, 1/8T
  };
  std::vector<Clock> clocks = {{false, 0, 90}, {false, 0, 133}, {false, 0, 151}};
  for (const double tempo : {120.0, 100.0, 90.0})
    for (const double speed : {120.0, 200.0, 300.0}) clocks.push_back({true, tempo, speed});
  for (const Clock& clock : clocks) {
    Session s;
    if (clock.host) {
      Sync(s);
      s.plug.hostTime.tempo = clock.tempo;
    }
    s.plug.SetPlain(kParamSpeed, clock.speed);
    s.RunTo(9600);
    s.plug.SetPlain(kParamMode, kModeArpAssign);
    if (clock.host) StartHost(s, 9600);
    s.RunTo(19200);
    s.Note(0, 60, 100);
    s.Note(0, 67, 100);
    for (int block = 0; block < 400; ++block) {
      Play(s.plug, kSeqBlock, s.out, kSeqBlock);
      s.plug.hostTime.ppqPos = s.plug.hostTime.samplePos / kTestRate * clock.tempo / 60.0;
    }
    const double quarter = clock.host
                               ? kTestRate * 60.0 / clock.tempo * SpeedNoteValue(SpeedNoteValueIndex(clock.speed))
                               : kTestRate * 60.0 / clock.speed;
    const std::vector<int64_t> onsets = s.OnsetsFrom(5, 19200);
    ASSERT_GT(onsets.size(), 10u);
    double off = 0;
    for (size_t i = 0; i < onsets.size(); ++i)
      off = std::max(off, std::fabs(static_cast<double>(onsets[i] - onsets[0]) - static_cast<double>(i) * quarter / 2));
    EXPECT_LE(off, 1.0) << (clock.host ? "host" : "internal") << " " << clock.tempo << ", Speed " << clock.speed;
  }
}

TEST(Arpeggiator, UpDownWithFewNotesAndRepeatedKeys) {
  Session s;
  EnterMode(s, kModeArpUpDown);
  s.Note(0, 64, 100);
  EXPECT_EQ(EventList(s.plug.Sequencing().Arpeggio()), (std::vector<std::vector<int>>{{0, 0x95, 64}, {48, 0x85, 64}}));
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 96);
  s.Note(0, 64, 50);  // pressed again: nothing changes
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().EventCount(), 2u);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().Events()[0].data2, 100);
  s.Note(0, 52, 100);
  const std::vector<std::vector<int>> two = {{0, 0x95, 52}, {48, 0x85, 52}, {96, 0x95, 64}, {144, 0x85, 64}};
  EXPECT_EQ(EventList(s.plug.Sequencing().Arpeggio()), two);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 192);
}

TEST(Arpeggiator, AssignKeepsTheOrderOfPressingAndRelaysAfterARelease) {
  Session s;
  EnterMode(s, kModeArpAssign);
  s.Note(0, 67, 100);
  s.Note(0, 60, 100);
  s.Note(0, 64, 100);
  s.RunTo(kStart + 6 * kStep);
  EXPECT_EQ(s.OnsetsFrom(5, kStart), Steps(kStart, 6));
  EXPECT_EQ(HeardSequence(s, kStart, 6), (std::vector<int>{67, 60, 64, 67, 60, 64}));

  s.Note(0, 60, 0);
  const std::vector<std::vector<int>> left = {{0, 0x95, 67}, {48, 0x85, 67}, {96, 0x95, 64}, {144, 0x85, 64}};
  EXPECT_EQ(EventList(s.plug.Sequencing().Arpeggio()), left);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 192);
  // A key pressed twice is in the pattern twice; its release takes both.
  s.Note(0, 67, 100);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().EventCount(), 6u);
  s.Note(0, 67, 0);
  EXPECT_EQ(EventList(s.plug.Sequencing().Arpeggio()), (std::vector<std::vector<int>>{{0, 0x95, 64}, {48, 0x85, 64}}));
  const int64_t now = s.Now();
  s.RunTo(now + 4 * kStep);
  for (int64_t at : s.OnsetsFrom(5, now + 2400)) EXPECT_EQ(s.HeardNote(5, at + 200), 64);
}

TEST(Arpeggiator, ReleasingTheLastKeyEmptiesThePatternAndSilencesChannelSix) {
  Session s;
  EnterMode(s, kModeArpUpDown);
  s.Note(0, 60, 100);
  s.Note(0, 64, 100);
  s.RunTo(kStart + kStep / 4);  // inside the first step
  s.Note(0, 60, 0);
  s.Note(0, 64, 0);
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 0);
  EXPECT_EQ(s.plug.Sequencing().ArpeggioNotes().Count(), 0);
  s.RunTo(kStart + kStep / 4 + 4800);
  const int64_t quiet = s.Now();
  s.RunTo(quiet + 4 * kStep);
  EXPECT_EQ(s.TrackRms(5, quiet, s.Now()), 0.0);

  // The next key starts a new pattern on the very next tick.
  const int64_t again = s.Now();
  s.Note(0, 62, 100);
  s.RunTo(again + 2 * kStep);
  const std::vector<int64_t> onsets = s.OnsetsFrom(5, again);
  ASSERT_FALSE(onsets.empty());
  EXPECT_LT(onsets[0], again + kTick + 1);
}

TEST(Arpeggiator, PedalHoldsThePatternUntilItGoesUpWithNoKeyDown) {
  Session s;
  EnterMode(s, kModeArpUpDown);
  s.Note(0, 60, 100);
  s.Note(0, 67, 100);
  s.Controller(0, 64, 127);
  s.RunTo(kStart + kStep);
  EXPECT_TRUE(s.plug.Sequencing().ArpeggiatorHeld());
  s.Note(0, 60, 0);
  s.Note(0, 67, 0);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().EventCount(), 4u);
  // A key pressed under the pedal joins the pattern; its release keeps it.
  s.Note(0, 64, 100);
  s.Note(0, 64, 0);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().length, 384);
  s.RunTo(kStart + 9 * kStep);
  EXPECT_EQ(s.OnsetsFrom(5, kStart), Steps(kStart, 9));

  // Pedal up with no key down: the pattern goes.
  s.Controller(0, 64, 0);
  s.RunTo(s.Now() + 480);
  EXPECT_FALSE(s.plug.Sequencing().ArpeggiatorHeld());
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
  const int64_t quiet = s.Now() + 4800;
  s.RunTo(quiet + 4 * kStep);
  EXPECT_EQ(s.TrackRms(5, quiet, s.Now()), 0.0);
}

TEST(Arpeggiator, PedalUpWhileAKeyIsDownKeepsThePatternUntilTheLastKey) {
  Session s;
  EnterMode(s, kModeArpUpDown);
  s.Controller(0, 64, 127);
  s.RunTo(kStart + 480);
  s.Note(0, 60, 100);
  s.Note(0, 64, 100);
  s.Note(0, 60, 0);  // held by the pedal
  s.Controller(0, 64, 0);
  s.RunTo(kStart + 960);
  EXPECT_EQ(s.plug.Sequencing().Arpeggio().EventCount(), 4u);
  s.Note(0, 64, 0);
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
}

TEST(Arpeggiator, LatchFreezesThePatternWhileKeysPlayTheTracks) {
  Session s;
  EnterMode(s, kModeArpUpDown);
  s.Note(0, 60, 100);
  s.Note(0, 64, 100);
  s.plug.Sequencing().ToggleArpeggiatorLatch();
  EXPECT_TRUE(s.plug.Sequencing().ArpeggiatorLatched());
  EXPECT_EQ(s.plug.StatusText(), "Arpeggiator latched...");
  EXPECT_EQ(s.plug.StatusColour(), kStatusGreen);
  s.Note(0, 60, 0);
  s.Note(0, 64, 0);
  const std::vector<std::vector<int>> frozen = EventList(s.plug.Sequencing().Arpeggio());
  ASSERT_EQ(frozen.size(), 4u);

  // A key on channel 1 sounds on track 1 and ends on its release.
  const int64_t key = kStart + 2 * kStep;
  s.RunTo(key);
  s.Note(0, 72, 100);
  s.RunTo(key + 2 * kStep);
  s.Note(0, 72, 0);
  s.RunTo(key + 3 * kStep);
  EXPECT_EQ(s.OnsetsFrom(0, 0), std::vector<int64_t>{key});
  EXPECT_EQ(s.HeardNote(0, key + 200), 72);
  EXPECT_GT(s.TrackRms(0, key + 2 * kStep - 4800, key + 2 * kStep), 0.001);  // still sounding before release
  EXPECT_EQ(s.TrackRms(0, key + 2 * kStep + 4800, key + 3 * kStep), 0.0);
  EXPECT_EQ(EventList(s.plug.Sequencing().Arpeggio()), frozen);
  EXPECT_EQ(s.OnsetsFrom(5, kStart), Steps(kStart, 5));

  // Unlatched: the pattern is cleared at once.
  s.plug.Sequencing().ToggleArpeggiatorLatch();
  EXPECT_FALSE(s.plug.Sequencing().ArpeggiatorLatched());
  EXPECT_EQ(s.plug.StatusText(), "Arpeggiator unlatched.");
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
}

TEST(Arpeggiator, AKeyPressedLatchedAndAgainUnlatchedEndsBothWithOneRelease) {
  // Hosts may send a second note-on for a key that is still down.
  for (int mode : {kModeArpUpDown, kModeArpAssign}) {
    Session s;
    EnterMode(s, mode);
    s.plug.Sequencing().ToggleArpeggiatorLatch();
    s.Note(0, 64, 100);  // sounds directly on track 1
    s.plug.Sequencing().ToggleArpeggiatorLatch();
    s.Note(0, 64, 100);  // and joins the pattern
    EXPECT_FALSE(s.plug.Sequencing().Arpeggio().Empty()) << mode;
    s.RunTo(kStart + 2 * kStep);
    s.Note(0, 64, 0);
    EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty()) << mode;
    const int64_t quiet = s.Now() + 4800;
    s.RunTo(quiet + 4 * kStep);
    for (int track : {0, 5}) EXPECT_EQ(s.TrackRms(track, quiet, s.Now()), 0.0) << mode << " track " << track + 1;
  }
}

TEST(Arpeggiator, TrackSixOffWithNoOtherTrackOnChannelSixRefusesTheMode) {
  Session s;
  SetTrackChannel(s.plug, 5, kChannelNone);
  EXPECT_FALSE(s.plug.Sequencing().SetMode(kModeArpUpDown));
  EXPECT_EQ(s.plug.StatusText(), "Select a track for channel 6!");
  EXPECT_EQ(s.plug.StatusColour(), kStatusRed);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(s.plug.IntParam(kParamMode), kModeNormal);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(5).channel, Track::kNoChannel);

  // Track 3 on MIDI channel 6 takes the pattern instead.
  SetTrackChannel(s.plug, 2, 5);
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeArpAssign));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(5).channel, Track::kNoChannel);
  s.RunTo(kStart);
  s.Note(0, 60, 100);
  s.RunTo(kStart + 2 * kStep);
  EXPECT_EQ(s.OnsetsFrom(2, kStart), Steps(kStart, 2));
  EXPECT_TRUE(s.OnsetsFrom(5, 0).empty());
}

TEST(Arpeggiator, LeavingTheModeClearsThePatternAndGivesTrackSixItsChannelBack) {
  Session s;
  SetTrackChannel(s.plug, 5, kChannelAll);
  EnterMode(s, kModeArpUpDown);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(5).channel, 5);
  s.Note(0, 60, 100);
  s.plug.Sequencing().ToggleArpeggiatorLatch();
  s.RunTo(kStart + kStep);
  // UP/DOWN or ASSIGN in an arpeggiator Mode: Normal.
  EXPECT_TRUE(s.plug.Sequencing().SetMode(kModeNormal));
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
  EXPECT_EQ(s.plug.Sequencing().ArpeggioNotes().Count(), 0);
  EXPECT_FALSE(s.plug.Sequencing().ArpeggiatorLatched());
  EXPECT_TRUE(s.plug.Sequencing().ArpeggiatorKeys().Contains(60));
  EXPECT_EQ(s.plug.GetEngine().GetTrack(5).channel, kChannelAll);
  // Keys reach the tracks directly again (tracks 1 and 6 share MIDI channel 1
  // now and take turns).
  const int64_t key = s.Now() + 9600;
  s.RunTo(key);
  s.Note(0, 62, 100);
  s.RunTo(key + 4800);
  std::vector<int64_t> heard = s.OnsetsFrom(0, key);
  for (int64_t o : s.OnsetsFrom(5, key)) heard.push_back(o);
  EXPECT_EQ(heard, std::vector<int64_t>{key});
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
}

TEST(Arpeggiator, ModesOtherThanThreeAndFourLeaveThePatternAlone) {
  Session s;
  s.plug.Sequencing().UpdateArpeggio(60, 100, true);
  EXPECT_TRUE(s.plug.Sequencing().Arpeggio().Empty());
  EXPECT_EQ(s.plug.Sequencing().ArpeggioNotes().Count(), 0);
}

}  // namespace
