#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/Engine.h"
#include "sequencer/Sequence.h"
#include "sequencer/SequencePlayer.h"

namespace {

class FakePlayerHost : public SequencePlayerHost {
 public:
  int32_t mode = 1;
  double sampleRate = 44100.0;
  double speed = 120.0;
  bool sync = false;
  bool click = false;
  Sequence sequences[3];
  std::vector<MidiMessage> queued;
  int releases = 0;
  int wraps = 0;
  double hostTempo = 120.0;
  SequencerHostTime hostTime;

  int32_t Mode() override { return mode; }
  double SampleRate() override { return sampleRate; }
  double Speed() override { return speed; }
  bool SyncToHost() override { return sync; }
  bool ClickEnabled() override { return click; }
  Sequence& SequenceFor(PlayedSequence which) override {
    return sequences[which == PlayedSequence::kB ? 1 : which == PlayedSequence::kArpeggio ? 2 : 0];
  }
  void QueueMidiMessage(const MidiMessage& message) override { queued.push_back(message); }
  void ReleaseSequenceDrivenTracks() override { ++releases; }
  void OnLoopWrap() override { ++wraps; }
  double GetHostTempo() override { return hostTempo; }
  void GetHostTime(SequencerHostTime& time) override { time = hostTime; }
};

void Add(Sequence& s, int32_t tick, uint8_t status, uint8_t note, uint8_t velocity) {
  SequenceEvent e{tick, status, note, velocity};
  ASSERT_TRUE(s.AddEvent(e));
}

// Absolute sample times of the queued messages of one kind, given the block
// start at which each was queued.
struct Played {
  double time;
  MidiMessage message;
};

class Recorder {
 public:
  explicit Recorder(FakePlayerHost& host) : host(host) {}
  // Runs a block and stamps its messages with the block start.
  void Block(SequencePlayer& player, int32_t frames) {
    const size_t before = host.queued.size();
    const double start = host.sync ? -1 : player.BlockPosition();
    player.OnBlockStart(frames);
    const double blockStart = host.sync ? player.BlockPosition() : start;
    for (size_t i = before; i < host.queued.size(); ++i)
      played.push_back({blockStart + host.queued[i].offset, host.queued[i]});
  }
  std::vector<Played> played;

 private:
  FakePlayerHost& host;
};

constexpr double kSamplesPerTick = 114.84375;  // 44100 Hz, 120 BPM, 192 per quarter

}  // namespace

TEST(SequencePlayer, SpeedNoteValues) {
  EXPECT_EQ(SpeedNoteValueIndex(120), 3);
  EXPECT_STREQ(SpeedNoteValueName(3), "1/4");
  EXPECT_EQ(SpeedNoteValueIndex(12), 0);
  EXPECT_STREQ(SpeedNoteValueName(0), "1/1");
  EXPECT_EQ(SpeedNoteValueIndex(480), 13);
  EXPECT_STREQ(SpeedNoteValueName(13), "1/64");
  EXPECT_EQ(SpeedNoteValueIndex(5), 0);
  EXPECT_EQ(SpeedNoteValueIndex(1000), 13);
  EXPECT_EQ(SpeedNoteValueIndex(std::nan("")), 0);
  // Half-way values round away from zero: (48 - 12) / 468 * 13 = 1.0, 30 gives 0.5.
  EXPECT_EQ(SpeedNoteValueIndex(30), 1);
  EXPECT_DOUBLE_EQ(SpeedNoteValue(5), 2.0 / 3);
  EXPECT_DOUBLE_EQ(SpeedNoteValue(11), 1.0 / 6);
  EXPECT_STREQ(SpeedNoteValueName(7), "1/16.");
}

TEST(SequencePlayer, InternalTickDuration) {
  FakePlayerHost host;
  host.sequences[0].length = 768;
  SequencePlayer player(host);
  player.OnBlockStart(64);
  EXPECT_EQ(player.CurrentSequence(), PlayedSequence::kA);
  EXPECT_DOUBLE_EQ(player.SamplesPerTick(), kSamplesPerTick);
  host.speed = 60;
  player.UpdateTickDuration();
  EXPECT_DOUBLE_EQ(player.SamplesPerTick(), 2 * kSamplesPerTick);
  // The next tick snaps to whole tick durations from sample 0: 64 / 229.6875 rounds to 0.
  EXPECT_EQ(player.NextTickTime(), 0.0);
  host.sequences[0].ppq = 96;
  player.UpdateTickDuration();
  EXPECT_DOUBLE_EQ(player.SamplesPerTick(), 4 * kSamplesPerTick);
}

TEST(SequencePlayer, LoopPlaysTicksBelowLengthThenStartsAgain) {
  FakePlayerHost host;
  Sequence& s = host.sequences[0];
  s.length = 8;
  Add(s, 0, 0x90, 60, 100);
  Add(s, 4, 0x80, 60, 0);
  Add(s, 6, 0x91, 62, 90);
  Add(s, 8, 0x81, 62, 0);  // at the length: a closing note-off, played at the wrap
  Add(s, 20, 0x92, 1, 1);  // beyond it
  SequencePlayer player(host);
  Recorder recorder(host);
  for (int i = 0; i < 4; ++i) recorder.Block(player, 512);  // 2048 samples: ticks 0..17
  std::vector<std::pair<int64_t, int>> seen;
  for (const Played& p : recorder.played) {
    EXPECT_EQ(p.message.fromSequencer, 1);
    EXPECT_EQ(p.message.isClick, 0);
    seen.push_back({std::llround(p.time), p.message.data1});
  }
  auto at = [](int tick) { return std::llround(tick * kSamplesPerTick); };
  EXPECT_EQ(seen, (std::vector<std::pair<int64_t, int>>{{at(0), 60},
                                                        {at(4), 60},
                                                        {at(6), 62},
                                                        {at(8), 62},
                                                        {at(8), 60},
                                                        {at(12), 60},
                                                        {at(14), 62},
                                                        {at(16), 62},
                                                        {at(16), 60}}));
  EXPECT_EQ(host.wraps, 2);
}

TEST(SequencePlayer, OffsetsAreRelativeToTheBlock) {
  FakePlayerHost host;
  Sequence& s = host.sequences[1];
  host.mode = 2;
  s.length = 192;
  Add(s, 2, 0x90, 60, 100);
  SequencePlayer player(host);
  player.OnBlockStart(200);  // tick 2 at 229.6875 lies in the next block
  EXPECT_TRUE(host.queued.empty());
  player.OnBlockStart(200);
  ASSERT_EQ(host.queued.size(), 1u);
  EXPECT_EQ(host.queued[0].offset, 30);  // round(229.6875 - 200)
  EXPECT_EQ(player.CurrentSequence(), PlayedSequence::kB);
}

TEST(SequencePlayer, ClickEveryQuarterIndependentOfLoop) {
  FakePlayerHost host;
  host.click = true;
  host.mode = 3;  // arpeggio pattern, here a 100-tick loop with no events
  host.sequences[2].length = 100;
  SequencePlayer player(host);
  Recorder recorder(host);
  for (int i = 0; i < 100; ++i) recorder.Block(player, 512);  // 51200 samples: 446 ticks
  std::vector<int64_t> clicks;
  for (const Played& p : recorder.played) {
    ASSERT_EQ(p.message.isClick, 1);
    EXPECT_EQ(p.message.fromSequencer, 0);
    EXPECT_EQ(p.message.status, 0x90);
    EXPECT_EQ(p.message.data1, 0x3C);
    EXPECT_EQ(p.message.data2, 0x64);
    clicks.push_back(std::llround(p.time));
  }
  EXPECT_EQ(clicks,
            (std::vector<int64_t>{0, std::llround(192 * kSamplesPerTick), std::llround(384 * kSamplesPerTick)}));
}

TEST(SequencePlayer, SequenceWithoutLengthPlaysNothingButClickCounts) {
  FakePlayerHost host;
  host.click = true;
  Add(host.sequences[0], 0, 0x90, 60, 100);
  SequencePlayer player(host);
  for (int i = 0; i < 50; ++i) player.OnBlockStart(512);
  EXPECT_EQ(player.CurrentTick(), 0);
  ASSERT_EQ(host.queued.size(), 2u);  // ticks 0 and 192 of about 223
  EXPECT_EQ(host.queued[0].isClick, 1);
  EXPECT_EQ(host.queued[1].isClick, 1);
}

TEST(SequencePlayer, LeavingThePlayingModesStopsAndReleases) {
  FakePlayerHost host;
  host.mode = 0;
  SequencePlayer player(host);
  player.OnBlockStart(128);
  EXPECT_EQ(player.CurrentSequence(), PlayedSequence::kNone);
  EXPECT_EQ(host.releases, 0);
  host.mode = 4;
  player.OnBlockStart(128);
  EXPECT_EQ(player.CurrentSequence(), PlayedSequence::kArpeggio);
  host.mode = 5;
  player.OnBlockStart(128);
  EXPECT_EQ(player.CurrentSequence(), PlayedSequence::kNone);
  EXPECT_EQ(host.releases, 1);
  player.OnBlockStart(128);
  EXPECT_EQ(host.releases, 1);
}

TEST(SequencePlayer, InsertionBehindThePlayPositionDoesNotStallThePass) {
  FakePlayerHost host;
  Sequence& s = host.sequences[0];
  s.length = 384;
  for (int tick = 0; tick < 384; tick += 48) Add(s, tick, 0x90, uint8_t(tick / 48), 100);
  SequencePlayer player(host);
  player.OnBlockStart(int32_t(100.5 * kSamplesPerTick));  // ticks 0..100 played
  ASSERT_EQ(host.queued.size(), 3u);
  // An overdub records at the tick just played and before it.
  Add(s, 100, 0x91, 70, 100);
  Add(s, 50, 0x91, 71, 100);
  host.queued.clear();
  player.OnBlockStart(int32_t(290 * kSamplesPerTick));  // up to tick 390: wraps at 384
  std::vector<int> notes;
  for (const MidiMessage& m : host.queued) notes.push_back(m.data1);
  EXPECT_EQ(notes, (std::vector<int>{3, 4, 5, 6, 7, 0}));
}

TEST(SequencePlayer, SyncedTransportStartAlignsToTheHostGrid) {
  FakePlayerHost host;
  host.sync = true;
  Sequence& s = host.sequences[0];
  s.length = 32;
  for (int tick = 0; tick < 32; tick += 2) Add(s, tick, 0x90, uint8_t(tick), 100);
  SequencePlayer player(host);
  Recorder recorder(host);

  // Stopped transport: nothing moves.
  host.hostTime = {120, 0, 0, false};
  recorder.Block(player, 512);
  recorder.Block(player, 512);
  EXPECT_TRUE(recorder.played.empty());

  // Started in the middle of a bar at 10.3 quarter notes.
  const double samplesPerQuarter = 22050;
  double position = 10.3 * samplesPerQuarter;
  for (int i = 0; i < 8; ++i) {
    host.hostTime = {120, position, position / samplesPerQuarter, true};
    recorder.Block(player, 512);
    position += 512;
  }
  EXPECT_TRUE(player.HostPlaying());
  EXPECT_EQ(player.HostTempo(), 120);
  ASSERT_GE(recorder.played.size(), 10u);
  // Tick 0 of the loop falls on the first point of the 1/192-quarter grid at or after the start.
  const double firstGridTick = std::ceil(10.3 * 192);
  for (size_t i = 0; i < recorder.played.size(); ++i) {
    const int loopTick = recorder.played[i].message.data1;
    const double expected = (firstGridTick + 32 * (int(i) / 16) + loopTick) * kSamplesPerTick;
    EXPECT_NEAR(recorder.played[i].time, expected, 1.0) << "message " << i;
  }
  EXPECT_EQ(recorder.played[0].message.data1, 0);

  // Transport stop: the player stops, ends the notes it started (none of
  // these has a note-off of its own) and releases, and stands still.
  host.hostTime.transportRunning = false;
  const size_t count = recorder.played.size();
  recorder.Block(player, 512);
  EXPECT_FALSE(player.HostPlaying());
  EXPECT_EQ(host.releases, 1);
  ASSERT_EQ(recorder.played.size(), count + 16);
  for (size_t i = count; i < recorder.played.size(); ++i) EXPECT_EQ(recorder.played[i].message.status, 0x80);
  recorder.Block(player, 512);
  recorder.Block(player, 512);
  EXPECT_EQ(recorder.played.size(), count + 16);

  // Restart earlier in the song: the loop starts again at tick 0.
  position = 2.0 * samplesPerQuarter;
  host.hostTime = {120, position, 2.0, true};
  recorder.played.clear();
  recorder.Block(player, 512);
  ASSERT_FALSE(recorder.played.empty());
  EXPECT_EQ(recorder.played[0].message.data1, 0);
  EXPECT_NEAR(recorder.played[0].time, 2.0 * 192 * kSamplesPerTick, 1.0);
}

TEST(SequencePlayer, SyncedLoopKeepsEvenTimeWithTheHostAtEveryNoteValue) {
  for (int index = 0; index < kSpeedNoteValueCount; ++index) {
    FakePlayerHost host;
    host.sync = true;
    host.speed = 12 + 468.0 * index / 13;
    Sequence& s = host.sequences[0];
    s.length = 192;  // one quarter of the sequence: a note each V host beats
    Add(s, 0, 0x90, 60, 100);
    SequencePlayer player(host);
    Recorder recorder(host);
    const double samplesPerQuarter = 22050;
    for (double position = 0; position < 40 * samplesPerQuarter; position += 512) {
      host.hostTime = {120, position, position / samplesPerQuarter, true};
      recorder.Block(player, 512);
    }
    const double v = SpeedNoteValue(index);
    ASSERT_FALSE(recorder.played.empty());
    for (size_t i = 0; i < recorder.played.size(); ++i)
      ASSERT_NEAR(recorder.played[i].time - recorder.played[0].time, double(i) * v * samplesPerQuarter, 1.0)
          << SpeedNoteValueName(index) << " note " << i;
  }
}

TEST(SequencePlayer, SyncedLoopStaysOnTheHostsBeatsThroughATempoRamp) {
  FakePlayerHost host;
  host.sync = true;
  Sequence& s = host.sequences[0];
  s.length = 192;  // a note on every beat
  Add(s, 0, 0x90, 60, 100);
  SequencePlayer player(host);
  player.OnBlockStart(512);  // selects Seq A with the transport stopped
  std::vector<double> beats;
  double ppq = 0;
  for (double position = 0; ppq < 40; position += 512) {
    // 120 BPM, from beat 8 to beat 24 up to 160 BPM, then 160: as a host
    // reports a ramp, one tempo a block.
    const double tempo = 120 + 2.5 * std::clamp(ppq - 8, 0.0, 16.0);
    host.hostTempo = tempo;
    host.hostTime = {tempo, position, ppq, true};
    const size_t before = host.queued.size();
    player.OnBlockStart(512);
    for (size_t i = before; i < host.queued.size(); ++i)
      beats.push_back(ppq + host.queued[i].offset / host.sampleRate * tempo / 60);
    ppq += 512 / host.sampleRate * tempo / 60;
  }
  ASSERT_GE(beats.size(), 40u);
  for (size_t i = 0; i < beats.size(); ++i) EXPECT_NEAR(beats[i], double(i), 0.002) << "note " << i;
}

TEST(SequencePlayer, SyncedTickFollowsKnobNoteValueAndHostTempo) {
  FakePlayerHost host;
  host.sync = true;
  host.speed = 12;           // "1/1": a quarter of the sequence lasts four host beats
  host.hostTempo = 90.0004;  // rounded to 1/1000 BPM
  host.hostTime = {90, 0, 0, true};
  host.sequences[0].length = 768;
  SequencePlayer player(host);
  player.OnBlockStart(256);  // selects Seq A
  player.OnBlockStart(256);
  EXPECT_EQ(player.HostTempo(), 90.0);
  EXPECT_DOUBLE_EQ(player.SamplesPerTick(), 44100.0 * 60 / (192 * 90.0) * 4);
  host.hostTempo = 0;  // a host without tempo runs at 120
  player.OnBlockStart(256);
  EXPECT_DOUBLE_EQ(player.SamplesPerTick(), 44100.0 * 60 / (192 * 120.0) * 4);
}

TEST(SequencePlayer, RestartLoopAfterFirstPass) {
  FakePlayerHost host;
  host.sequences[0].length = 384;
  SequencePlayer player(host);
  player.OnBlockStart(5000);
  EXPECT_GT(player.CurrentTick(), 0);
  player.RestartLoop();
  EXPECT_EQ(player.CurrentTick(), 0);
  EXPECT_EQ(player.NextTickTime(), player.BlockPosition());
}

TEST(SequencePlayer, QueuesIntoTheEnginesInputQueue) {
  // The instrument's glue: the player's messages land in the engine's queue.
  class EngineHost : public FakePlayerHost {
   public:
    Engine engine;
    void QueueMidiMessage(const MidiMessage& message) override { engine.QueueMidiMessage(message); }
  } host;
  Sequence& s = host.sequences[0];
  s.length = 192;
  Add(s, 0, 0x93, 60, 100);
  Add(s, 10, 0x83, 60, 0);
  SequencePlayer player(host);
  player.OnBlockStart(2048);
  const MidiInputQueue& queue = host.engine.InputQueue();
  ASSERT_EQ(queue.Count(), 2);
  EXPECT_EQ(queue.At(0).status, 0x93);
  EXPECT_EQ(queue.At(0).offset, 0);
  EXPECT_EQ(queue.At(0).fromSequencer, 1);
  EXPECT_EQ(queue.At(1).status, 0x83);
  EXPECT_EQ(queue.At(1).offset, std::lround(10 * kSamplesPerTick));
}

TEST(SequencePlayer, EveryBlockEndsAfterBoundedWorkWhateverTheClock) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  constexpr int32_t kFrames = 256;
  constexpr int64_t kTickLimit = int64_t{kFrames} * kMaxTicksPerFrame + 1;
  // A host's tempo and position, or a sequence's resolution, of any value.
  for (double tempo : {1e20, 1e300, 1e9, 1e8, inf, nan, -5.0, 0.0, 1e-300}) {
    for (double position : {0.0, 3e5, 1e17, 1e300, -1e300, inf, -inf, nan}) {
      for (int32_t ppq : {192, Sequence::kMaxPpq, INT32_MAX}) {
        FakePlayerHost host;
        host.sync = true;
        host.speed = 480;  // "1/64": the shortest tick
        host.hostTempo = tempo;
        Sequence& s = host.sequences[0];
        for (int tick = 0; tick < 4; tick += 2) {
          Add(s, tick, 0x90, 60, 100);
          Add(s, tick, 0x80, 60, 0);
        }
        s.length = 4;
        s.ppq = ppq;
        SequencePlayer player(host);
        for (int block = 0; block < 3; ++block) {
          host.hostTime = {tempo, position + block * kFrames, position / 22050.0, true};
          host.queued.clear();
          player.OnBlockStart(kFrames);
          EXPECT_LE(player.TicksInLastBlock(), kTickLimit);
          for (const MidiMessage& m : host.queued) ASSERT_TRUE(m.offset >= 0 && m.offset <= kFrames) << m.offset;
          EXPECT_GE(player.HostTempo(), kMinHostTempo) << tempo;
          EXPECT_LE(player.HostTempo(), kMaxHostTempo) << tempo;
        }
      }
    }
  }
  // The internal clock with a resolution no sequence of the instrument has,
  // at a rate no host uses.
  FakePlayerHost host;
  host.sampleRate = 1.0;
  host.speed = 480;
  host.sequences[0].length = 8;
  host.sequences[0].ppq = INT32_MAX;
  SequencePlayer player(host);
  player.OnBlockStart(kFrames);
  EXPECT_EQ(player.TicksInLastBlock(), kTickLimit);
  // The fastest musical clock stays well inside the limit: every tick is played.
  FakePlayerHost fast;
  fast.sync = true;
  fast.speed = 480;
  fast.hostTempo = kMaxHostTempo;
  fast.sequences[0].length = 768;
  fast.hostTime = {kMaxHostTempo, 0, 0, true};
  SequencePlayer fastPlayer(fast);
  fastPlayer.OnBlockStart(kFrames);
  fast.hostTime = {kMaxHostTempo, kFrames, kFrames / 44100.0 * kMaxHostTempo / 60, true};
  fastPlayer.OnBlockStart(kFrames);
  EXPECT_NEAR(static_cast<double>(fastPlayer.TicksInLastBlock()), kFrames / fastPlayer.SamplesPerTick(), 1.0);
}
