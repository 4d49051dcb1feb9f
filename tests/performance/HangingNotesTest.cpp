// No note may outlive its reason to sound. A host plays the instrument through
// its VST2 interface (keys, sustain pedals, bends and program changes on any
// channel, parameters, chunks, suspend and a new sample rate, a transport that
// starts, stops and jumps) while a player uses the panel (every Mode, recording
// and overdubbing Seq A and B, a latched arpeggio), in blocks of 1 to 4096
// frames, some of them starting exactly on a pattern step or ending just after
// a note of the loop. At a few checkpoints of each run every key and pedal goes
// up, the latch goes off and a playing loop is stopped, in any order; after the
// longest release all fourteen outputs must be silent.
//
// A fixed list of seeds runs with the tests. VORNELL_SOAK_SEEDS=n (`make soak`)
// runs n more, from seed 1000 or from VORNELL_SOAK_FIRST.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "instrument/Vornell.h"
#include "performance/PanelIds.h"
#include "plugin/VstAbi.h"
#include "programs/ParameterTable.h"
#include "tests/support/HostedInstrument.h"

namespace {

constexpr int32_t kMaxBlock = 4096;
// Every program's amplitude release is at most this time index (a 180 ms
// ramp and as long a curved tail); the wait below is longer than both.
constexpr int kLongestRelease = 32;
constexpr double kReleaseWait = 0.5;  // seconds
constexpr double kQuietWindow = 0.1;  // seconds that must be silent after it
// The presets that program changes select: prepared with the short releases.
constexpr int kPreparedPresets = 4;

// The instrument, the host around it and what the player has down.
class Session {
 public:
  explicit Session(double rate)
      : instrument(rate, kMaxBlock, &TransportHostCallback), plug(*instrument.plug), rate(rate), midi(256) {
    transportTime = VstTimeInfo{};
    transportTime.sampleRate = rate;
    transportTime.tempo = 120.0;
    transportTime.flags = kVstPpqPosValid | kVstTempoValid;
    output.assign(Engine::kOutputCount, std::vector<float>(kMaxBlock));
    for (auto& channel : output) pointers.push_back(channel.data());
  }

  AEffect* Effect() { return instrument.effect; }

  // A parameter set by the host from its plain value.
  void SetParam(int index, double plain) {
    Note("param " + std::to_string(index) + " = " + std::to_string(plain));
    Effect()->setParameter(Effect(), index, static_cast<float>(plug.GetParam(index)->ToNormalized(plain)));
  }

  // A panel button pressed and let go, as the editor reports it.
  void Press(int id) {
    Note("panel " + std::to_string(id));
    plug.Panel().OnButtonDown(id, false);
    plug.Panel().OnButtonUp(id);
  }

  // MIDI for the next block, in time order.
  void Midi(int status, int data1, int data2, int32_t offset) {
    const int kind = status >> 4;
    const int channel = status & 15;
    if (kind == 9 && data2 > 0) held.insert({channel, data1});
    if (kind == 8 || (kind == 9 && data2 == 0)) held.erase({channel, data1});
    if (kind == 11 && data1 == 64) pedal[channel] = data2 >= 64;
    if (kind == 11 && (data1 == 120 || data1 == 123)) held.clear();
    std::ostringstream text;
    text << "midi @" << now + offset << " " << std::hex << status << " " << std::dec << data1 << " " << data2;
    Note(text.str());
    midi.Add(status, data1, data2, offset);
  }

  // One host block; returns the peak of all outputs.
  float Render(int32_t frames) {
    if (!midi.Empty()) Dispatch(effProcessEvents, 0, 0, midi.Events());
    midi.Clear();
    Effect()->processReplacing(Effect(), nullptr, pointers.data(), frames);
    AdvanceTransport(frames);
    now += frames;
    float peak = 0.0f;
    for (size_t c = 0; c < output.size(); ++c) {
      for (int32_t i = 0; i < frames; ++i) peaks[c] = std::max(peaks[c], std::fabs(output[c][static_cast<size_t>(i)]));
      peak = std::max(peak, peaks[c]);
    }
    return peak;
  }

  // Renders seconds of audio in blocks of at most `block`; the peak (and in
  // `peaks` that of each output).
  float RenderFor(double seconds, int32_t block = 512) {
    peaks.fill(0.0f);
    float peak = 0.0f;
    for (int64_t left = std::llround(seconds * rate); left > 0; left -= block)
      peak = std::max(peak, Render(static_cast<int32_t>(std::min<int64_t>(block, left))));
    return peak;
  }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return instrument.Dispatch(opcode, index, value, ptr, opt);
  }

  void SetTransport(bool running) {
    Note(running ? "transport runs" : "transport stops");
    transportTime.flags = (transportTime.flags & ~kVstTransportPlaying) | (running ? kVstTransportPlaying : 0);
  }

  void NewSampleRate(double newRate) {
    Note("sample rate " + std::to_string(newRate));
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(newRate));
    Dispatch(effMainsChanged, 0, 1);
    rate = newRate;
    transportTime.sampleRate = newRate;
  }

  bool LoopPlays() {
    const int mode = plug.GetEngine().Mode();
    if (mode != kModeSequenceA && mode != kModeSequenceB) return false;
    const bool synced = plug.GetParam(kParamSyncToHost)->Value() >= 0.5;
    return !synced || (transportTime.flags & kVstTransportPlaying);
  }

  // Every key and pedal up, the latch off, a recording ended and, unless
  // kept, a playing loop stopped (by the transport when following the host,
  // else by a Mode change or by following a host whose transport stands
  // still), in a random order, each step often right after a note of the loop
  // was queued.
  void ReleaseEverything(std::mt19937& random, bool keepLoop) {
    int steps[] = {0, 1, 2, 3, 4};
    std::shuffle(std::begin(steps), std::end(steps) - (keepLoop ? 1 : 0), random);
    for (int round = 0; round < 3; ++round) {
      for (int step : steps) {
        Render(random() % 2 ? BlockEndingAfterANote(random) : 1 + static_cast<int32_t>(random() % 64));
        switch (step) {
          case 0: {
            const std::set<std::pair<int, int>> down = held;
            for (const auto& [channel, note] : down) Midi(0x80 | channel, note, 0, 0);
            break;
          }
          case 1:
            for (int channel = 0; channel < 16; ++channel)
              if (pedal[channel]) Midi(0xB0 | channel, 64, 0, 0);
            break;
          case 2:
            if (plug.Sequencing().ArpeggiatorLatched()) Press(panel_id::kRecord);
            break;
          case 3:
            if (plug.Sequencing().Recording()) Press(panel_id::kRecord);
            break;
          default:
            if (LoopPlays() && !keepLoop) StopLoop(random);
            break;
        }
      }
      // Ending a recording may have started its loop.
      if (!plug.Sequencing().ArpeggiatorLatched() && !plug.Sequencing().Recording() && (keepLoop || !LoopPlays()))
        break;
    }
    Render(1 + static_cast<int32_t>(random() % 64));
  }

  void StopLoop(std::mt19937& random) {
    const bool synced = plug.GetParam(kParamSyncToHost)->Value() >= 0.5;
    switch (synced ? 0 : 1 + random() % 3) {
      case 0:
        SetTransport(false);
        break;
      case 1:
        SetTransport(false);
        SetParam(kParamSyncToHost, 1);
        break;
      case 2:
        SetParam(kParamMode, kModeNormal);
        break;
      default:
        Press(plug.GetEngine().Mode() == kModeSequenceA ? panel_id::kSeqA : panel_id::kSeqB);
        break;
    }
  }

  // A block that ends 1 to 4 samples after the next note-on of the playing
  // sequence is due, so that it is queued but, inside a control period, not yet
  // sounded when the next step comes. Any length when nothing is due soon.
  int32_t BlockEndingAfterANote(std::mt19937& random) {
    const SequencePlayer& player = plug.Sequencing().Player();
    const Sequence* sequence = plug.Sequencing().CurrentSequence();
    const int32_t fallback = 1 + static_cast<int32_t>(random() % 256);
    if (!sequence || !(player.SamplesPerTick() > 0) || sequence->length <= 0) return fallback;
    for (const SequenceEvent& e : sequence->Events()) {
      if (e.tick < player.CurrentTick() || e.tick >= sequence->length) continue;
      if ((e.status >> 4) != 9 || e.data2 == 0) continue;
      const double due = player.NextTickTime() + (e.tick - player.CurrentTick()) * player.SamplesPerTick() -
                         plug.Sequencing().BlockEnd();
      if (!(due >= 0 && due < kMaxBlock - 8)) return fallback;
      return static_cast<int32_t>(due) + 1 + static_cast<int32_t>(random() % 4);
    }
    return fallback;
  }

  void Note(const std::string& text) {
    log.push_back(std::to_string(now) + ": " + text);
    if (log.size() > 80) log.pop_front();
  }

  // What still sounds and what led there, for a failure message.
  std::string Report() {
    std::ostringstream text;
    text << "mode " << plug.GetEngine().Mode() << ", sounding voices:";
    for (int v = 0; v < Engine::kVoiceCount; ++v) {
      const Voice& voice = plug.GetEngine().GetVoice(v);
      if (voice.active)
        text << " [voice " << v << " track " << int(voice.track) << " note " << voice.note
             << (voice.keyHeld ? " held" : "") << (voice.sustained ? " sustained" : "") << "]";
    }
    text << "\nlast actions:\n";
    for (const std::string& line : log) text << "  " << line << "\n";
    return text.str();
  }

  HostedInstrument instrument;
  Vornell& plug;
  double rate;
  int64_t now = 0;
  std::array<float, Engine::kOutputCount> peaks{};
  MidiList midi;
  std::set<std::pair<int, int>> held;  // channel, note
  bool pedal[16] = {};
  std::deque<std::string> log;
  std::vector<std::vector<float>> output;
  std::vector<float*> pointers;
};

// Gives every program of the library a release of at most kLongestRelease,
// loads the tracks' programs again and stores that as presets 0..3.
void ShortenReleases(Session& s, std::mt19937& random) {
  std::lock_guard lock(s.plug.Mutex());
  for (int preset = kPreparedPresets - 1; preset >= 0; --preset) {
    s.plug.SelectPreset(preset);
    for (Program& program : s.plug.Library().programs) {
      program.values[kVoiceAmpEnvRelease] = static_cast<uint8_t>(random() % (kLongestRelease + 1));
      program.values[kVoiceAmpEnvAttack] = static_cast<uint8_t>(random() % 40);
    }
    for (int t = 0; t < Engine::kTrackCount; ++t)
      s.plug.Programs().LoadProgramIntoTrack(t, s.plug.IntParam(ProgramParamIndex(kProgramSetTrack, t)));
    s.plug.ModifyCurrentPreset();
  }
}

// A block length: mostly random, sometimes one that ends exactly where a
// pattern step (a multiple of 48 ticks) of the playing sequence begins.
int32_t BlockLength(Session& s, std::mt19937& random) {
  const int kind = static_cast<int>(random() % 10);
  if (kind < 4) return 1 + static_cast<int32_t>(random() % 64);
  if (kind < 7) return 64 + static_cast<int32_t>(random() % 961);
  if (kind < 9) return 1024 + static_cast<int32_t>(random() % (kMaxBlock - 1023));
  const SequencePlayer& player = s.plug.Sequencing().Player();
  const double perTick = player.SamplesPerTick();
  if (player.CurrentSequence() == PlayedSequence::kNone || !(perTick > 0)) return 256;
  const int32_t toStep = (48 - player.CurrentTick() % 48) % 48 + 48 * static_cast<int32_t>(random() % 3);
  const double blockStart = s.plug.Sequencing().BlockEnd();
  const double length = player.NextTickTime() + toStep * perTick - blockStart;
  const int32_t rounded = static_cast<int32_t>(std::llround(length)) + static_cast<int32_t>(random() % 3) - 1;
  return rounded >= 1 && rounded <= kMaxBlock ? rounded : 1 + static_cast<int32_t>(random() % 1000);
}

// Keys, releases, pedals, bends, wheel and program changes inside one block.
void BlockMidi(Session& s, int32_t frames, std::mt19937& random) {
  const double expected = frames / s.rate * 12.0;
  int count = static_cast<int>(expected);
  if (std::uniform_real_distribution<double>(0, 1)(random) < expected - count) ++count;
  std::vector<int32_t> offsets;
  for (int i = 0; i < std::min(count, 40); ++i)
    offsets.push_back(random() % 4 == 0 ? 0 : static_cast<int32_t>(random() % static_cast<uint32_t>(frames)));
  std::sort(offsets.begin(), offsets.end());
  for (int32_t offset : offsets) {
    const int channel = random() % 5 == 0 ? static_cast<int>(random() % 16) : static_cast<int>(random() % 6);
    const int kind = static_cast<int>(random() % 100);
    if (kind < 5 && offset + 8 < frames) {
      // A note a few samples long (recorded, it lasts a tick).
      const int note = 48 + static_cast<int>(random() % 25);
      s.Midi(0x90 | channel, note, 100, offset);
      s.Midi(0x80 | channel, note, 0, offset + 1 + static_cast<int32_t>(random() % 8));
    } else if (kind < 40 || s.held.empty()) {
      s.Midi(0x90 | channel, 48 + static_cast<int>(random() % 25), 1 + static_cast<int>(random() % 127), offset);
    } else if (kind < 78) {
      auto key = s.held.begin();
      std::advance(key, random() % s.held.size());
      const auto [keyChannel, note] = *key;
      if (random() % 2)
        s.Midi(0x80 | keyChannel, note, 64, offset);
      else
        s.Midi(0x90 | keyChannel, note, 0, offset);
    } else if (kind < 88) {
      s.Midi(0xB0 | channel, 64, random() % 2 ? 127 : 0, offset);
    } else if (kind < 95) {
      s.Midi(0xE0 | channel, static_cast<int>(random() % 128), static_cast<int>(random() % 128), offset);
    } else if (kind < 98) {
      s.Midi(0xB0 | channel, 1, static_cast<int>(random() % 128), offset);
    } else {
      s.Midi(0xC0 | channel, static_cast<int>(random() % kPreparedPresets), 0, offset);
    }
  }
}

// Something the host or the player does between two blocks.
void Action(Session& s, std::vector<uint8_t>& savedChunk, std::mt19937& random) {
  const int kind = static_cast<int>(random() % 100);
  const int track = panel_id::kTrackButton1 - static_cast<int>(random() % 6);
  if (kind < 12) {
    s.Press(random() % 2 ? panel_id::kUpDown : panel_id::kAssign);
  } else if (kind < 18) {
    s.Press(random() % 2 ? panel_id::kSeqA : panel_id::kSeqB);
  } else if (kind < 22) {
    s.Press(random() % 2 ? panel_id::kStackA : panel_id::kStackB);
  } else if (kind < 27) {
    s.SetParam(kParamMode, static_cast<double>(random() % 7));
  } else if (kind < 37) {
    // RECORD: latch in an arpeggiator Mode, stop a recording, prepare an overdub.
    s.Press(panel_id::kRecord);
  } else if (kind < 47) {
    // A new recording: RECORD, then SEQ A or B.
    s.Press(panel_id::kRecord);
    s.Press(random() % 2 ? panel_id::kSeqA : panel_id::kSeqB);
  } else if (kind < 53) {
    // An overdub: RECORD, then the TRACK to record (or, without a loop, a TRACK alone).
    if (s.LoopPlays() && !s.plug.Sequencing().Recording()) s.Press(panel_id::kRecord);
    s.Press(track);
  } else if (kind < 57) {
    // TRACK with RECORD held: the track's part goes.
    s.Note("clear track " + std::to_string(track));
    s.plug.Panel().OnButtonDown(panel_id::kRecord, false);
    s.Press(track);
    s.plug.Panel().OnButtonUp(panel_id::kRecord);
  } else if (kind < 62) {
    const double speeds[] = {120.0, 240.0, 96.0, 480.0, 12.0 + random() % 469};
    s.SetParam(kParamSpeed, speeds[random() % 5]);
  } else if (kind < 66) {
    // The host moves a track to another channel (a pedal may be down on the old one).
    const int channel = random() % 5 == 0 ? kChannelAll : static_cast<int>(random() % 6);
    s.SetParam(TrackParamIndex(static_cast<int>(random() % 6), kTrackChannel), channel);
  } else if (kind < 71) {
    s.SetParam(kParamSyncToHost, random() % 2);
  } else if (kind < 81) {
    const bool running = transportTime.flags & kVstTransportPlaying;
    const int what = static_cast<int>(random() % 3);
    if (what == 0) {
      s.SetTransport(!running);
    } else if (what == 1) {
      // The host jumps back (a loop in the host, or the user moving the cursor).
      s.Note("transport jumps");
      const double beats = std::floor(transportTime.ppqPos * static_cast<double>(random() % 4) / 4.0);
      transportTime.ppqPos = beats;
      transportTime.samplePos = beats * 60.0 / transportTime.tempo * s.rate;
    } else {
      transportTime.tempo = 20.0 + random() % 980;
      s.Note("host tempo " + std::to_string(transportTime.tempo));
    }
  } else if (kind < 89) {
    if (savedChunk.empty() || random() % 2) {
      s.Note("chunk saved");
      void* data = nullptr;
      const intptr_t size = s.Dispatch(effGetChunk, 1, 0, &data);
      if (size > 0 && data) savedChunk.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    } else {
      s.Note("chunk loaded");
      std::vector<uint8_t> copy = savedChunk;
      s.Dispatch(effSetChunk, 1, static_cast<intptr_t>(copy.size()), copy.data());
    }
  } else if (kind < 95) {
    s.Note("suspend and resume");
    s.Dispatch(effMainsChanged, 0, 0);
    s.Dispatch(effMainsChanged, 0, 1);
  } else {
    s.NewSampleRate(s.rate == 48000.0 ? 44100.0 : 48000.0);
  }
}

// One random run: the outputs must be silent at each checkpoint.
void RunSeed(uint32_t seed) {
  std::mt19937 random(seed);
  Session s(random() % 2 ? 48000.0 : 44100.0);
  ShortenReleases(s, random);
  // Tracks on the first six channels (some on all, some following a channel
  // twice), in any track mode, some cycling.
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    const int channel = random() % 5 == 0 ? kChannelAll : static_cast<int>(random() % 6);
    s.SetParam(TrackParamIndex(t, kTrackChannel), channel);
    s.SetParam(TrackParamIndex(t, kTrackMode), static_cast<double>(random() % 3));
    s.SetParam(TrackParamIndex(t, kTrackCycle), random() % 4 == 0);
  }
  s.SetParam(kParamSpeed, 12.0 + random() % 469);
  if (random() % 3 == 0) {
    s.SetParam(kParamSyncToHost, 1);
    s.SetTransport(random() % 4 != 0);
  }
  std::vector<uint8_t> savedChunk;
  for (int checkpoint = 1; checkpoint <= 4; ++checkpoint) {
    const int64_t until = s.now + std::llround(s.rate * (0.5 + 0.1 * (random() % 16)));
    while (s.now < until) {
      if (std::uniform_real_distribution<double>(0, 1)(random) < 0.05) Action(s, savedChunk, random);
      const int32_t frames = random() % 8 ? BlockLength(s, random) : s.BlockEndingAfterANote(random);
      BlockMidi(s, frames, random);
      s.Render(frames);
    }
    // While a loop plays on, only the tracks it feeds may sound.
    s.ReleaseEverything(random, true);
    if (s.LoopPlays()) {
      s.RenderFor(kReleaseWait, 1 + static_cast<int32_t>(random() % 1024));
      s.RenderFor(kQuietWindow);
      const Sequence& loop = *s.plug.Sequencing().CurrentSequence();
      for (int t = 0; t < Engine::kTrackCount; ++t) {
        const int channel = s.plug.GetEngine().GetTrack(t).channel;
        if (channel < 16 && loop.channelUsed[channel]) continue;
        ASSERT_EQ(std::max(s.peaks[2 + 2 * t], s.peaks[3 + 2 * t]), 0.0f)
            << "seed " << seed << ", checkpoint " << checkpoint << ", track " << t + 1
            << " outside the loop: " << s.Report();
      }
    }
    s.ReleaseEverything(random, false);
    s.RenderFor(kReleaseWait, 1 + static_cast<int32_t>(random() % 1024));
    ASSERT_EQ(s.RenderFor(kQuietWindow), 0.0f)
        << "seed " << seed << ", checkpoint " << checkpoint << ": " << s.Report();
  }
}

// The case the musicians found: Up/Down and Assign, Speed 120, keys 60, 64
// and 67 from sample 0, released together on a step (or just after it).
void RunReportedCase(int mode, int32_t block, int64_t releaseAt) {
  Session s(48000.0);
  s.SetParam(kParamSpeed, 120.0);
  s.SetParam(TrackParamIndex(5, kTrackChannel), 5);
  const std::pair<int, double> sawtooth[] = {
      {kVoiceOscSawtooth, 255},  {kVoiceOscTriangle, 0}, {kVoiceOscPulse, 0},        {kVoiceOscNoiseMixer, 0},
      {kVoiceAmpEnvAttack, 0},   {kVoiceAmpEnvDecay, 0}, {kVoiceAmpEnvSustain, 255}, {kVoiceAmpEnvRelease, 0},
      {kVoiceFilterCutoff, 255}, {kVoiceMode, 0}};
  for (const auto& [k, value] : sawtooth) s.SetParam(VoiceParamIndex(5, k), value);
  s.SetParam(kParamMode, mode);
  float loudest = 0.0f;
  bool released = false;
  for (int n : {60, 64, 67}) s.Midi(0x90, n, 100, 0);
  while (s.now < releaseAt + s.rate) {
    if (!released && releaseAt < s.now + block) {
      for (int n : {60, 64, 67}) s.Midi(0x80, n, 0, static_cast<int32_t>(releaseAt - s.now));
      released = true;
    }
    loudest = std::max(loudest, s.Render(block));
  }
  ASSERT_GT(loudest, 0.01f) << "the pattern never sounded";
  EXPECT_EQ(s.RenderFor(kQuietWindow, block), 0.0f)
      << "mode " << mode << ", blocks of " << block << ", released at " << releaseAt << ": " << s.Report();
}

TEST(HangingNotes, EveryNoteEndsOnceKeysPedalsLatchAndLoopsAreReleased) {
  // 144000 is twelve eighth notes at 120 BPM; 192000 starts a 256-frame block.
  for (int mode : {kModeArpUpDown, kModeArpAssign}) {
    RunReportedCase(mode, 1000, 144000);
    RunReportedCase(mode, 1000, 144001);
    RunReportedCase(mode, 1000, 144128);
    RunReportedCase(mode, 256, 192000);
    RunReportedCase(mode, 256, 192100);
  }
  // 1..12, and runs that each met one of the faults this test found.
  std::vector<uint32_t> seeds = {1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,    12,    1000,
                                 1018, 1023, 1037, 1077, 1086, 1108, 1170, 1226, 1230, 1691, 37459, 105085};
  if (const char* soak = std::getenv("VORNELL_SOAK_SEEDS")) {
    const char* first = std::getenv("VORNELL_SOAK_FIRST");
    const uint32_t from = first ? static_cast<uint32_t>(std::strtoul(first, nullptr, 10)) : 1000;
    for (uint32_t n = 0, count = static_cast<uint32_t>(std::strtoul(soak, nullptr, 10)); n < count; ++n)
      seeds.push_back(from + n);
  }
  for (uint32_t seed : seeds) RunSeed(seed);
}

}  // namespace
