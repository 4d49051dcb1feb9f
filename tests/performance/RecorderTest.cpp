// Recording a first pass, overdub, clearing: played through ProcessBlock at
// 48 kHz with the internal clock at Speed 120 (a tick is 125 samples).
#include <gtest/gtest.h>

#include "tests/performance/SequencerTestSupport.h"

namespace {

constexpr int kLoop = 4 * kQuarter;  // a four-quarter loop: 768 ticks

// RECORD then SEQ A on the front panel.
void StartRecordingSeqA(Session& s) {
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().SetRecording(true);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
}

// Records on track `t` only, from sample `t0`: 60 for an eighth, 64 on the
// second quarter for an eighth, 67 from 2.5 to 3 quarters, and stops the
// recording 4.3 quarters after the first note. Returns the loop start.
int64_t RecordPhrase(Session& s, int t, int64_t t0) {
  s.RunTo(t0 - 4800);
  StartRecordingSeqA(s);
  if (t != 0) {
    s.plug.Sequencing().RecordTrackButton(t);
    s.plug.Sequencing().RecordTrackButton(0);  // disarm track 1
  }
  s.RunTo(t0);
  s.Note(2, 60, 100);
  s.RunTo(t0 + kQuarter / 2);
  s.Note(2, 60, 0);
  s.RunTo(t0 + kQuarter);
  s.Note(2, 64, 90);
  s.RunTo(t0 + kQuarter * 3 / 2);
  s.Note(2, 64, 0);
  s.RunTo(t0 + kQuarter * 5 / 2);
  s.Note(2, 67, 80);
  s.RunTo(t0 + kQuarter * 3);
  s.Note(2, 67, 0);
  s.RunTo(t0 + kQuarter * 43 / 10);
  s.plug.Sequencing().StopRecording();
  return s.Now();
}

std::vector<std::vector<int>> EventsOfTrack(const Sequence& sequence, int t) {
  std::vector<std::vector<int>> events;
  for (const auto& e : EventList(sequence))
    if ((e[1] & 15) == t) events.push_back(e);
  return events;
}

std::vector<int64_t> Expected(int64_t start, int passes, std::vector<int64_t> offsets) {
  std::vector<int64_t> expected;
  for (int p = 0; p < passes; ++p)
    for (int64_t o : offsets) expected.push_back(start + p * int64_t{kLoop} + o);
  return expected;
}

TEST(Recorder, StartingWaitsForTheFirstNoteWithTrackOneArmedOnAllChannels) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceA);
  EXPECT_EQ(s.plug.IntParam(kParamMode), kModeSequenceA);
  EXPECT_TRUE(s.plug.Sequencing().Recording());
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordWaitFirstNote);
  EXPECT_EQ(s.plug.StatusText(), "Waiting for first note...");
  EXPECT_EQ(s.plug.StatusColour(), kStatusOrange);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(0).armed);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, Track::kAllChannels);
  EXPECT_EQ(s.plug.Sequencing().CurrentSequence(), &s.plug.Sequencing().SeqA());
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().SamplesPerTick(), 125.0);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().SeqA().tempo, 120.0);

  // A live note on any channel reaches only the armed track.
  s.RunTo(9600);
  s.Note(4, 60, 100);
  s.RunTo(14400);
  EXPECT_EQ(s.plug.StatusText(), "Recording started...");
  EXPECT_EQ(s.plug.StatusColour(), kStatusRed);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordRecording);
  EXPECT_TRUE(s.plug.Sequencing().RecordActivity());
  EXPECT_EQ(s.OnsetsFrom(0, 9600), std::vector<int64_t>{9600});
  EXPECT_TRUE(s.OnsetsFrom(4, 9600).empty());
  ASSERT_EQ(s.plug.Sequencing().SeqA().EventCount(), 1u);
  EXPECT_EQ(s.plug.Sequencing().SeqA().Events()[0], (SequenceEvent{0, 0x90, 60, 100}));
}

TEST(Recorder, AKeyDownFromBeforeTheRecordingAddsNothingWhenItGoesUp) {
  Session s;
  s.Note(0, 55, 100);
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.RunTo(9600);
  s.Note(0, 55, 0);  // not the first note: nothing starts
  s.RunTo(14400);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordWaitFirstNote);
  EXPECT_TRUE(s.plug.Sequencing().SeqA().Empty());
  s.Note(0, 60, 100);
  s.RunTo(14400 + kQuarter / 2);
  s.Note(0, 60, 0);
  s.RunTo(14400 + kQuarter);
  s.plug.Sequencing().StopRecording();
  EXPECT_EQ(EventList(s.plug.Sequencing().SeqA()), (std::vector<std::vector<int>>{{0, 0x90, 60}, {96, 0x80, 60}}));
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 192);
}

TEST(Recorder, FirstPassRoundsToQuartersAndLoopsOnTheTrackThatPlayedIt) {
  Session s;
  const int64_t t0 = 48000;
  const int64_t loopStart = RecordPhrase(s, 2, t0);

  EXPECT_EQ(s.plug.StatusText(), "Recording stopped.");
  EXPECT_EQ(s.plug.StatusColour(), kStatusGreen);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  EXPECT_FALSE(s.plug.Panel().RecordMode());
  EXPECT_FALSE(s.plug.Sequencing().RecordActivity());
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 768);  // 4.3 quarters round to 4
  const std::vector<std::vector<int>> events = {{0, 0x92, 60},   {96, 0x82, 60},  {192, 0x92, 64},
                                                {288, 0x82, 64}, {480, 0x92, 67}, {576, 0x82, 67}};
  EXPECT_EQ(EventList(s.plug.Sequencing().SeqA()), events);
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    EXPECT_FALSE(s.plug.GetEngine().GetTrack(t).armed) << t;
    EXPECT_EQ(s.plug.GetEngine().GetTrack(t).sequenceDriven, t == 2) << t;
    EXPECT_EQ(s.plug.GetEngine().GetTrack(t).channel, t) << t;
  }

  // Eleven passes, every note on its tick, on track 3 and nowhere else.
  s.RunTo(loopStart + 11 * int64_t{kLoop});
  EXPECT_EQ(s.OnsetsFrom(2, loopStart), Expected(loopStart, 11, {0, 192 * kTick, 480 * kTick}));
  for (int t : {0, 1, 3, 4, 5}) EXPECT_TRUE(s.OnsetsFrom(t, loopStart).empty()) << t;
  // The pitches are the recorded ones, and every pass sounds the same.
  EXPECT_EQ(s.HeardNote(2, loopStart + 100), 60);
  EXPECT_EQ(s.HeardNote(2, loopStart + 192 * kTick + 100), 64);
  EXPECT_EQ(s.HeardNote(2, loopStart + 480 * kTick + 100), 67);
  const int64_t last = loopStart + 10 * int64_t{kLoop};
  EXPECT_EQ(s.HeardNote(2, last + 100), 60);
  EXPECT_EQ(s.HeardNote(2, last + 192 * kTick + 100), 64);
  EXPECT_EQ(s.HeardNote(2, last + 480 * kTick + 100), 67);
  for (int p = 1; p < 11; ++p) {
    const int64_t at = loopStart + p * int64_t{kLoop};
    for (int64_t o : {int64_t{0}, int64_t{192 * kTick}, int64_t{480 * kTick}}) {
      EXPECT_NEAR(s.TrackRms(2, at + o, at + o + 4800), s.TrackRms(2, loopStart + o, loopStart + o + 4800), 1e-3)
          << "pass " << p << " offset " << o;
    }
  }

  // Live notes on the recorded track's channel do not reach it while it plays the loop.
  const int64_t now = s.Now();
  s.RunTo(now + 40000);
  s.Note(2, 72, 100);
  s.RunTo(now + 50000);
  s.Note(2, 72, 0);
  s.RunTo(now + kLoop);
  const std::vector<int64_t> onsets = s.OnsetsFrom(2, now);
  ASSERT_EQ(onsets.size(), 3u);
  EXPECT_EQ(onsets[0], now);
  EXPECT_EQ(onsets[1], now + 192 * kTick);
  // (The live note on the channel shifts the next sequence note's first
  // audible sample by a few samples inside the engine; it must not sound.)
  EXPECT_NEAR(static_cast<double>(onsets[2]), static_cast<double>(now + 480 * kTick), 48.0);
  EXPECT_EQ(s.HeardNote(2, now + 480 * kTick + 200), 67);
}

int64_t LengthAfter(double quarters) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.RunTo(9600);
  s.Note(0, 60, 100);
  s.RunTo(9600 + 4800);
  s.Note(0, 60, 0);
  s.RunTo(9600 + static_cast<int64_t>(quarters * kQuarter));
  s.plug.Sequencing().StopRecording();
  return s.plug.Sequencing().SeqA().length;
}

TEST(Recorder, NotesKeepTheirPlaceInTheLoopWhenTheTempoChangesWhileRecording) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  const int64_t t0 = 9600;
  s.RunTo(t0);
  s.Note(0, 60, 100);
  s.RunTo(t0 + kQuarter / 2);
  s.Note(0, 60, 0);
  s.RunTo(t0 + kQuarter);
  s.plug.SetPlain(kParamSpeed, 60);  // a quarter now lasts 2 * kQuarter
  s.RunTo(t0 + 3 * kQuarter);
  s.Note(0, 64, 100);  // on the third quarter
  s.RunTo(t0 + 4 * kQuarter);
  s.Note(0, 64, 0);
  s.RunTo(t0 + kQuarter * 64 / 10);  // 3.7 quarters in all
  s.plug.Sequencing().StopRecording();
  EXPECT_EQ(EventList(s.plug.Sequencing().SeqA()),
            (std::vector<std::vector<int>>{{0, 0x90, 60}, {96, 0x80, 60}, {384, 0x90, 64}, {480, 0x80, 64}}));
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 768);

  // Overdub at 60, back to 120 on tick 96: a note 96 ticks later goes in on tick 192.
  const int64_t loop = s.Now();
  s.RunTo(loop + 4800);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  s.plug.Sequencing().RecordTrackButton(1);
  s.RunTo(loop + 96 * 2 * kTick);
  s.plug.SetPlain(kParamSpeed, 120);
  s.RunTo(loop + 96 * 2 * kTick + 96 * kTick);
  s.Note(0, 67, 100);
  s.RunTo(s.Now() + 4800);
  EXPECT_EQ(EventsOfTrack(s.plug.Sequencing().SeqA(), 1), (std::vector<std::vector<int>>{{192, 0x91, 67}}));
}

TEST(Recorder, FirstPassLengthRoundsHalfAQuarterUp) {
  EXPECT_EQ(LengthAfter(3.4), 576);
  EXPECT_EQ(LengthAfter(3.5), 768);
  EXPECT_EQ(LengthAfter(1.0), 192);
}

TEST(Recorder, AFirstPassUnderHalfAQuarterKeepsItsEventsButPlaysNothing) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.RunTo(9600);
  s.Note(0, 60, 100);
  s.RunTo(9600 + 4800);
  s.Note(0, 60, 0);
  s.RunTo(9600 + 9600);  // 0.4 quarters
  s.plug.Sequencing().StopRecording();
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 0);
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 2u);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceA);
  const int64_t now = s.Now();
  s.RunTo(now + 2 * kLoop);
  EXPECT_TRUE(s.OnsetsFrom(0, now).empty());
}

TEST(Recorder, ARecordingThatCapturedNothingEndsInNormalMode) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.RunTo(48000);
  s.plug.Sequencing().StopRecording();
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(s.plug.IntParam(kParamMode), kModeNormal);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  // Track 1 listens on its own channel again.
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).armed);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, 0);
}

int HeldVoices(const Vornell& plug, int t) {
  int count = 0;
  for (int v = 0; v < Engine::kVoiceCount; ++v) {
    const Voice& voice = plug.GetEngine().GetVoice(v);
    if (voice.active && voice.keyHeld && voice.track == t) ++count;
  }
  return count;
}

TEST(Recorder, AKeyStillHeldAtTheStopIsClosedAtTheLoopLengthAndEndsEveryPass) {
  Session s;
  s.plug.SetPlain(TrackParamIndex(0, kTrackMode), Track::kPolyphonic);
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.RunTo(9600);
  s.Note(0, 60, 100);
  s.RunTo(9600 + kQuarter / 2);
  s.Note(0, 60, 0);
  s.RunTo(9600 + kQuarter);
  s.Note(0, 64, 100);  // still down at the stop
  s.RunTo(9600 + 2 * kQuarter);
  s.plug.Sequencing().StopRecording();
  s.Note(0, 64, 0);
  const std::vector<std::vector<int>> events = {{0, 0x90, 60}, {96, 0x80, 60}, {192, 0x90, 64}, {384, 0x80, 64}};
  EXPECT_EQ(EventList(s.plug.Sequencing().SeqA()), events);
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 384);
  const int64_t loopStart = s.Now();
  for (int p = 0; p < 10; ++p) {
    // The held note sounds to the end of the pass, then ends: voices do not pile up.
    s.RunTo(loopStart + p * 2 * kQuarter + 2 * kQuarter - 960);
    EXPECT_EQ(HeldVoices(s.plug, 0), 1) << p;
    EXPECT_GT(s.TrackRms(0, s.Now() - 4800, s.Now()), 0.001) << p;
  }
  s.RunTo(loopStart + 20 * kQuarter + kQuarter / 4);
  EXPECT_EQ(HeldVoices(s.plug, 0), 1);
  int running = 0;
  for (int v = 0; v < Engine::kVoiceCount; ++v)
    running += s.plug.GetEngine().GetVoice(v).active && s.plug.GetEngine().GetVoice(v).track == 0;
  EXPECT_LE(running, 2);
}

// A track disarmed during the recording plays the host's keys again until the
// stop hands it to the loop. A pedal put down meanwhile and let up after the
// stop no longer reaches it: it must not hold the loop's notes.
TEST(Recorder, APedalLetUpAfterTheStopHoldsNoNoteOfTheLoop) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.RunTo(9600);
  s.Note(0, 60, 100);
  s.RunTo(9600 + kQuarter / 2);
  s.Note(0, 60, 0);
  s.RunTo(9600 + kQuarter);
  s.plug.Sequencing().RecordTrackButton(0);
  ASSERT_FALSE(s.plug.GetEngine().GetTrack(0).armed);
  s.Controller(0, 64, 127);
  s.RunTo(9600 + 2 * kQuarter);
  s.plug.Sequencing().StopRecording();
  s.Controller(0, 64, 0);
  const int64_t loopStart = s.Now();
  // Each pass's note sounds for its eighth, then the track is silent.
  for (int pass = 1; pass < 4; ++pass) {
    const int64_t passStart = loopStart + pass * 2 * int64_t{kQuarter};
    s.RunTo(passStart + 2 * kQuarter);
    EXPECT_GT(s.TrackRms(0, passStart, passStart + kQuarter / 4), 0.001) << pass;
    EXPECT_EQ(s.TrackRms(0, passStart + kQuarter, passStart + 2 * kQuarter), 0.0) << pass;
  }
}

// One step of a played passage: at `at` samples after its start, a key
// (velocity 0 lets it go) or, with `pedal`, the sustain pedal.
struct Step {
  int64_t at;
  int note;
  int velocity;
  bool pedal = false;
};

// Records the steps on track 1 (channel 1) from sample 9600 and stops two
// quarters later; the recorded events.
std::vector<std::vector<int>> RecordSteps(Session& s, const std::vector<Step>& steps) {
  s.RunTo(4800);
  StartRecordingSeqA(s);
  for (const Step& step : steps) {
    s.RunTo(9600 + step.at);
    if (step.pedal)
      s.Controller(0, 64, step.velocity);
    else
      s.Note(0, step.note, step.velocity);
  }
  s.RunTo(9600 + 2 * kQuarter);
  s.plug.Sequencing().StopRecording();
  return EventList(s.plug.Sequencing().SeqA());
}

// A note ends in the recording where it ended in sound: a Unison chord is
// one note a key; the pedal holds a note on (also a key played again under
// it) until it goes up; on a monophonic track played legato each note ends
// with its key although the next one took its voice.
TEST(Recorder, NotesEndInTheRecordingWhereTheyEndedInSound) {
  constexpr int64_t q = kQuarter;
  struct Case {
    int trackMode, voiceMode;
    std::vector<Step> steps;
    std::vector<std::vector<int>> events;
  };
  const Case cases[] = {
      {Track::kPolyphonic,
       1,
       {{0, 60, 100}, {0, 64, 100}, {0, 67, 100}, {q, 60, 0}, {q, 64, 0}, {q, 67, 0}},
       {{0, 0x90, 60}, {0, 0x90, 64}, {0, 0x90, 67}, {192, 0x80, 60}, {192, 0x80, 64}, {192, 0x80, 67}}},
      {Track::kPolyphonic,
       0,
       {{0, 0, 127, true},
        {0, 60, 100},
        {0, 64, 100},
        {q / 4, 60, 0},
        {q / 4, 64, 0},
        {q / 2, 64, 100},
        {q * 3 / 4, 64, 0},
        {q, 0, 0, true},
        {q * 3 / 2, 67, 100},
        {q * 7 / 4, 67, 0}},
       {{0, 0x90, 60},
        {0, 0x90, 64},
        {96, 0x90, 64},
        {192, 0x80, 60},
        {192, 0x80, 64},
        {288, 0x90, 67},
        {336, 0x80, 67}}},
      {Track::kMonophonic,
       0,
       {{0, 60, 100}, {q / 2, 64, 100}, {q * 3 / 4, 60, 0}, {q, 64, 0}},
       {{0, 0x90, 60}, {96, 0x90, 64}, {144, 0x80, 60}, {192, 0x80, 64}}},
  };
  for (const Case& c : cases) {
    Session s;
    s.plug.SetPlain(TrackParamIndex(0, kTrackMode), c.trackMode);
    s.plug.SetPlain(VoiceParamIndex(0, kVoiceMode), c.voiceMode);
    const int live = c.voiceMode == 1 ? 18 : -1;  // the chord's voices, six a key
    EXPECT_EQ(RecordSteps(s, c.steps), c.events) << "track mode " << c.trackMode;
    if (live < 0) continue;
    // Played back, the chord takes the voices it took live.
    s.RunTo(s.Now() + 4800);
    EXPECT_EQ(HeldVoices(s.plug, 0), live);
  }
}

TEST(Recorder, OverdubAddsASecondTrackThatPlaysInThePassesAfterIt) {
  Session s;
  const int64_t loop = RecordPhrase(s, 0, 48000);

  // RECORD pressed and released while the loop plays, then TRACK 2.
  s.RunTo(loop + 4800);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  EXPECT_EQ(s.plug.StatusText(), "Prepare for overdub...");
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubPrepared);
  EXPECT_TRUE(s.plug.Sequencing().Recording());
  EXPECT_TRUE(s.plug.Sequencing().RecordActivity());
  s.RunTo(loop + 9600);
  s.plug.Sequencing().RecordTrackButton(1);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubWaitFirstNote);
  EXPECT_EQ(s.plug.StatusText(), "Waiting for first note...");
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(1).armed);

  // First overdub note on the 1.5th quarter of the pass: it goes in at its
  // place, in front of track 1's notes still to come in this pass.
  s.RunTo(loop + 288 * kTick);
  s.Note(0, 72, 100);
  s.RunTo(loop + 384 * kTick);
  s.Note(0, 72, 0);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubFirstPass);
  s.RunTo(loop + kLoop - 4800);
  EXPECT_EQ(s.OnsetsFrom(0, loop, loop + kLoop), Expected(loop, 1, {0, 192 * kTick, 480 * kTick}));

  // The wrap starts the overdub pass proper; a note there is recorded too.
  s.RunTo(loop + kLoop + 4800);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubbing);
  s.RunTo(loop + kLoop + 576 * kTick);
  s.Note(0, 76, 100);
  s.RunTo(loop + kLoop + 672 * kTick);
  s.Note(0, 76, 0);

  // The next wrap ends the overdub.
  s.RunTo(loop + 2 * kLoop + 4800);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  EXPECT_EQ(s.plug.StatusText(), "Recording stopped.");
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(1).sequenceDriven);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(1).channel, 1);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(1).armed);
  const std::vector<std::vector<int>> added = {{288, 0x91, 72}, {384, 0x81, 72}, {576, 0x91, 76}, {672, 0x81, 76}};
  EXPECT_EQ(EventsOfTrack(s.plug.Sequencing().SeqA(), 1), added);
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 768);

  // From then on both tracks play their parts, pass after pass.
  s.RunTo(loop + 6 * kLoop);
  EXPECT_EQ(s.OnsetsFrom(1, loop + 2 * kLoop), Expected(loop + 2 * kLoop, 4, {288 * kTick, 576 * kTick}));
  EXPECT_EQ(s.OnsetsFrom(0, loop), Expected(loop, 6, {0, 192 * kTick, 480 * kTick}));
  EXPECT_EQ(s.HeardNote(1, loop + 3 * kLoop + 288 * kTick + 100), 72);
}

TEST(Recorder, OverdubFollowingTheHostPlacesNotesFromWhereTheHostRestartedTheLoop) {
  Session s;
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  s.plug.Sequencing().SeqA().length = 768;
  Sync(s);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(4800);
  StartHost(s, 0);
  s.RunTo(4800 + kQuarter / 2);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  s.plug.Sequencing().RecordTrackButton(1);
  // Each time the loop starts again from the host's side, a jump back in
  // the middle of the pass or a stop and a new start, a note played one
  // sixteenth later goes in one sixteenth into the loop. While the host
  // stands, the loop has no place for a note: nothing goes in.
  for (bool jump : {true, false}) {
    s.RunTo(s.Now() + kQuarter * 3 / 2);
    if (!jump) {
      s.plug.hostTime.transportRunning = false;
      s.RunTo(s.Now() + kQuarter / 2);
      s.Note(0, 50, 100);
      s.RunTo(s.Now() + kQuarter / 2);
      s.Note(0, 50, 0);
      s.RunTo(s.Now() + kQuarter / 2);
      EXPECT_TRUE(EventsOfTrack(s.plug.Sequencing().SeqA(), 1).empty());
    }
    StartHost(s, 0);
    const int64_t restart = s.Now();
    s.RunTo(restart + 48 * kTick);
    s.Note(0, 72, 100);
    s.RunTo(restart + 72 * kTick);
    s.Note(0, 72, 0);
    s.RunTo(restart + 96 * kTick);
    EXPECT_EQ(EventsOfTrack(s.plug.Sequencing().SeqA(), 1),
              (std::vector<std::vector<int>>{{48, 0x91, 72}, {72, 0x81, 72}}))
        << (jump ? "jump" : "start");
    s.plug.Sequencing().SeqA().RemoveNote(1, 72);
  }
}

TEST(Recorder, OverdubFollowingAHostThatCyclesOverTheLoopEndsAfterItsPassAsOnTheInternalClock) {
  Session s;
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  s.plug.Sequencing().SeqA().length = 768;
  Sync(s);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(4800);
  // The host plays its cycle of four quarters again and again; each block
  // gets the position a host computes from its sample count.
  const int64_t start = s.Now();
  auto runTo = [&](int64_t at) {
    while (s.Now() < at) {
      StartHost(s, double((s.Now() - start) % (4 * kQuarter)));
      s.RunTo(s.Now() + kSeqBlock);
    }
  };
  runTo(start + 4800);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  s.plug.Sequencing().RecordTrackButton(1);
  runTo(start + 4 * kQuarter + 4800);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubArmedAtWrap);
  runTo(start + 4 * kQuarter + 96 * kTick);
  s.Note(0, 72, 100);
  runTo(start + 4 * kQuarter + 144 * kTick);
  s.Note(0, 72, 0);
  runTo(start + 8 * kQuarter - 4800);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubbing);
  EXPECT_TRUE(s.plug.Sequencing().Recording());
  runTo(start + 8 * kQuarter + 4800);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  EXPECT_EQ(EventsOfTrack(s.plug.Sequencing().SeqA(), 1),
            (std::vector<std::vector<int>>{{96, 0x91, 72}, {144, 0x81, 72}}));
}

TEST(Recorder, OverdubArmedLateStartsAtTheFirstNoteAfterTheWrap) {
  Session s;
  const int64_t loop = RecordPhrase(s, 0, 48000);
  s.RunTo(loop + 4800);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  s.plug.Sequencing().RecordTrackButton(3);
  // Nothing played in this pass: the wrap arms the overdub.
  s.RunTo(loop + kLoop + 4800);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubArmedAtWrap);
  s.RunTo(loop + kLoop + 96 * kTick);
  s.Note(0, 55, 100);
  s.RunTo(loop + kLoop + 96 * kTick + 4800);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubbing);
  EXPECT_EQ(s.plug.StatusText(), "Start overdubbing...");
  EXPECT_EQ(s.plug.StatusColour(), kStatusRed);
  s.Note(0, 55, 0);
  s.RunTo(loop + 2 * kLoop + 4800);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  s.RunTo(loop + 3 * kLoop);
  EXPECT_EQ(s.OnsetsFrom(3, loop + 2 * kLoop), Expected(loop + 2 * kLoop, 1, {96 * kTick}));
}

TEST(Recorder, PrepareOverdubNeedsRecordModeInASequenceMode) {
  Session s;
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();  // Normal mode
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  const int64_t loop = RecordPhrase(s, 0, 48000);
  s.RunTo(loop + 4800);
  s.plug.Sequencing().PrepareOverdub();  // recordMode off after the stop
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  // Notes while the overdub is only prepared are not taken.
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  s.Note(0, 50, 100);
  s.RunTo(loop + 9600);
  s.Note(0, 50, 0);
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 6u);
  // A TRACK button on an armed track disarms it.
  s.plug.Sequencing().RecordTrackButton(4);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(4).armed);
  s.plug.Sequencing().RecordTrackButton(4);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(4).armed);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(4).channel, 4);
}

TEST(Recorder, ClearTrackRemovesItsPartAndGivesItsChannelBack) {
  Session s;
  const int64_t loop = RecordPhrase(s, 0, 48000);
  // Add a part for track 2 directly and hand it over.
  AddNote(s.plug.Sequencing().SeqA(), 1, 48, 0, 96);
  s.plug.Sequencing().AssignSequenceTracks(s.plug.Sequencing().SeqA());
  ASSERT_TRUE(s.plug.GetEngine().GetTrack(1).sequenceDriven);
  s.RunTo(loop + 4800);
  s.plug.Sequencing().ClearTrack(1);
  EXPECT_EQ(s.plug.StatusText(), "Track cleared.");
  EXPECT_FALSE(s.plug.Sequencing().SeqA().channelUsed[1]);
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 6u);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(1).sequenceDriven);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(1).channel, 1);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceA);
  // The last part cleared: the sequence is empty and the Mode is Normal.
  s.plug.Sequencing().ClearTrack(0);
  EXPECT_TRUE(s.plug.Sequencing().SeqA().Empty());
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(s.plug.StatusText(), "Track cleared.");
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, 0);
}

TEST(Recorder, ClearSequenceEmptiesItResetsItsProgramsAndGoesNormal) {
  Session s;
  RecordPhrase(s, 0, 48000);
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetSeqA, 3), 42);
  s.plug.Sequencing().ClearSequence(0);
  EXPECT_TRUE(s.plug.Sequencing().SeqA().Empty());
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 0);
  for (int t = 0; t < Engine::kTrackCount; ++t)
    EXPECT_EQ(s.plug.IntParam(ProgramParamIndex(kProgramSetSeqA, t)), kNoSequenceProgram) << t;
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, 0);
}

TEST(Recorder, ArmingWritesTheTrackProgramAndStoppingRestoresIt) {
  Session s;
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetTrack, 0), 5);
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetSeqA, 1), 7);
  s.RunTo(4800);
  StartRecordingSeqA(s);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).programName, s.plug.Library().programs[5].name);
  s.plug.Sequencing().RecordTrackButton(1);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(1).programName, s.plug.Library().programs[7].name);
  s.plug.Sequencing().RecordTrackButton(1);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(1).programName, s.plug.Library().programs[0].name);

  // Track 1's part keeps the program it was recorded with when the track
  // later plays another one of its own.
  EXPECT_EQ(s.plug.IntParam(ProgramParamIndex(kProgramSetSeqA, 0)), 5);
  s.Note(2, 60, 100);
  s.RunTo(9600);
  s.Note(2, 60, 0);
  s.RunTo(14400);
  s.plug.Sequencing().StopRecording();
  s.plug.Sequencing().SetMode(kModeNormal);
  s.plug.Programs().SelectTrackProgram(0, 30);
  s.plug.Sequencing().SetMode(kModeSequenceA);
  ASSERT_TRUE(s.plug.GetEngine().GetTrack(0).sequenceDriven);
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 5);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).programName, s.plug.Library().programs[5].name);
}

TEST(Recorder, AnArmedTrackHearsEveryChannelWhenATemplateIsChosenMeanwhile) {
  Session s;
  s.RunTo(4800);
  StartRecordingSeqA(s);
  s.plug.Commands().ApplyConfigTemplate(4);  // "Multi Mono": track 1 on MIDI channel 1
  EXPECT_EQ(s.plug.Commands().MatchingConfigTemplateName(), "Multi Mono");
  s.Note(3, 60, 100);
  s.RunTo(9600);
  s.Note(3, 60, 0);
  s.RunTo(14400);
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 2u);
  // Disarmed, it takes the template's channel.
  s.plug.Sequencing().RecordTrackButton(0);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).channel, 0);
}

TEST(Recorder, WithoutASequenceOnlyFlagsAreCleared) {
  Session s;
  s.plug.Sequencing().ArmTrack(2, true);  // no sequence selected: nothing happens
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(2).armed);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(2).channel, 2);
  s.plug.Sequencing().ClearTrack(2);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().SetRecordActivity(true);
  s.plug.Sequencing().SetState(Sequencer::kRecordOverdubbing);
  s.plug.Sequencing().SetRecording(true);
  s.plug.GetEngine().GetTrack(4).armed = true;
  s.plug.Sequencing().StopRecording();
  EXPECT_FALSE(s.plug.Panel().RecordMode());
  EXPECT_FALSE(s.plug.Sequencing().RecordActivity());
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordRecording);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(4).armed);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  // StartRecording outside a sequence Mode does nothing either.
  s.plug.Sequencing().SetRecording(false);
  s.plug.Sequencing().StartRecording();
  EXPECT_FALSE(s.plug.Sequencing().Recording());
}

TEST(Recorder, ARecordingFollowingTheHostTakesItsTempo) {
  Session s;
  s.plug.hostAttached = true;
  s.plug.hostTime.tempo = 90.0;
  s.plug.SetPlain(kParamSyncToHost, 1);
  s.plug.Sequencing().SeqA().tempo = 33.0;
  StartRecordingSeqA(s);
  s.RunTo(4800);  // the player reads the host tempo with the first block
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().Player().HostTempo(), 90.0);
  s.plug.Sequencing().StopRecording();
  StartRecordingSeqA(s);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().SeqA().tempo, 90.0);
  // Internal clock: the "Speed" value.
  s.plug.Sequencing().StopRecording();
  s.plug.SetPlain(kParamSyncToHost, 0);
  s.plug.SetPlain(kParamSpeed, 140);
  StartRecordingSeqA(s);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().SeqA().tempo, 140.0);
}

}  // namespace
