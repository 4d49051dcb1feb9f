// The audio thread's duties under real-time rules: once running, rendering
// through the host's process callbacks takes nothing from the heap, and the
// output stays finite and bounded whatever the sound and the sample rate.
// This executable links the allocation counter, which replaces the global
// allocation functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "instrument/Vornell.h"
#include "plugin/VstAbi.h"
#include "programs/ParameterTable.h"
#include "sequencer/SequencePlayer.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/HostedInstrument.h"

namespace {

constexpr int32_t kBlock = 256;
// Far above what one track can make (six voices near full scale), far below
// a blow-up. The sums add six tracks, so they may reach six times as much.
constexpr double kSaneBound = 16.0;
constexpr double kSaneSumBound = 6.0 * kSaneBound;

// What a rendering produced: the peak of the two sum outputs, which add all
// six tracks, and the peak of the twelve track outputs.
struct Level {
  int64_t nonFinite = 0;
  double peak = 0.0;
  double trackPeak = 0.0;
  void Take(float s, bool sum) {
    if (!std::isfinite(s)) {
      ++nonFinite;
      return;
    }
    const double magnitude = std::fabs(static_cast<double>(s));
    peak = std::max(peak, magnitude);
    if (!sum) trackPeak = std::max(trackPeak, magnitude);
  }
};

// The instrument with buffers for every output, in both sample formats.
class Instrument : public HostedInstrument {
 public:
  explicit Instrument(double rate) : HostedInstrument(rate, kBlock) {
    floats.assign(static_cast<size_t>(effect->numOutputs), std::vector<float>(kBlock));
    doubles.assign(static_cast<size_t>(effect->numOutputs), std::vector<double>(kBlock));
    for (auto& c : floats) floatPointers.push_back(c.data());
    for (auto& c : doubles) doublePointers.push_back(c.data());
  }
  // One block through the callback chosen by `which` (0 replacing, 1
  // accumulating, 2 double), after the block's MIDI.
  void Block(MidiList& midi, int which, Level& level) {
    Dispatch(effProcessEvents, 0, 0, midi.Events());
    if (which == 2) {
      effect->processDoubleReplacing(effect, nullptr, doublePointers.data(), kBlock);
      for (size_t ch = 0; ch < doubles.size(); ++ch)
        for (double s : doubles[ch]) level.Take(static_cast<float>(s), ch < 2);
      return;
    }
    if (which == 1) {
      for (auto& c : floats) std::fill(c.begin(), c.end(), 0.0f);
      effect->process(effect, nullptr, floatPointers.data(), kBlock);
    } else {
      effect->processReplacing(effect, nullptr, floatPointers.data(), kBlock);
    }
    for (size_t ch = 0; ch < floats.size(); ++ch)
      for (float s : floats[ch]) level.Take(s, ch < 2);
  }

  // Sets a parameter to the normalised value v through the host's setter.
  void Set(int index, float v) { effect->setParameter(effect, index, v); }

  std::vector<std::vector<float>> floats;
  std::vector<std::vector<double>> doubles;
  std::vector<float*> floatPointers;
  std::vector<double*> doublePointers;
};

// Tracks 1..6 on MIDI channels 1..6, polyphonic, so that every voice can sound.
void SpreadTracksOverChannels(Instrument& instrument) {
  for (int t = 0; t < kParamTrackCount; ++t) {
    // Lists are normalised over their entries: channel t of 18, Polyphonic of 3.
    instrument.Set(TrackParamIndex(t, kTrackChannel), static_cast<float>(t) / 17.0f);
    instrument.Set(TrackParamIndex(t, kTrackMode), 0.5f);
  }
}

// Block n's MIDI: fresh notes on every channel, releases, and controllers
// (modulation wheel, pitch bend, aftertouch, sustain pedal).
void SteadyMidi(MidiList& midi, int n) {
  midi.Clear();
  for (int ch = 0; ch < 6; ++ch) {
    midi.Add(0x90 | ch, 40 + (n * 7 + ch * 5) % 40, 30 + (n * 13) % 97, (ch * 37) % kBlock);
    midi.Add(0x80 | ch, 40 + ((n + 3) * 7 + ch * 5) % 40, 0, (ch * 41 + 100) % kBlock);
  }
  midi.Add(0xB0, 1, (n * 9) % 128, 10);
  midi.Add(0xE1, 0, (n * 11) % 128, 20);
  midi.Add(0xD2, (n * 5) % 128, 0, 30);
  midi.Add(0xB3, 64, (n % 8) < 4 ? 127 : 0, 40);
}

// Puts a sequence in Seq A: a bar of notes on tracks 1..5's channels.
void FillSeqA(Vornell& plug) {
  std::lock_guard lock(plug.Mutex());
  Sequence& seq = plug.Sequencing().SeqA();
  for (int step = 0; step < 16; ++step)
    for (int ch = 0; ch < 5; ++ch) {
      SequenceEvent on{step * 48, static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(48 + (step + ch * 3) % 24),
                       100};
      seq.AddEvent(on);
      SequenceEvent off{step * 48 + 40, static_cast<uint8_t>(0x80 | ch),
                        static_cast<uint8_t>(48 + (step + ch * 3) % 24), 0};
      seq.AddEvent(off);
    }
  seq.length = 16 * 48;
}

// SteadyMidi with a program change every seventh block, stepping through
// the presets so that the counted blocks select some not selected before.
void MidiWithProgramChanges(MidiList& midi, int n) {
  SteadyMidi(midi, n);
  if (n % 7 == 3) midi.Add(0xC0, (n / 7 * 5) % kPlugNumPresets, 0, 64);
}

// Runs 200 warm-up blocks, then counts allocations over 200 more for each
// process callback.
void ExpectNoAllocations(Instrument& instrument, const char* what, void (*blockMidi)(MidiList&, int) = SteadyMidi) {
  MidiList midi;
  Level level;
  int n = 0;
  for (int i = 0; i < 200; ++i, ++n) {
    blockMidi(midi, n);
    instrument.Block(midi, i % 3, level);
  }
  for (int which = 0; which < 3; ++which) {
    int64_t counted = 0;
    {
      AllocationWindow window;
      for (int i = 0; i < 200; ++i, ++n) {
        blockMidi(midi, n);
        instrument.Block(midi, which, level);
      }
      counted = window.Count();
    }
    EXPECT_EQ(counted, 0) << what << ", process callback " << which;
  }
  EXPECT_EQ(level.nonFinite, 0) << what;
  EXPECT_GT(level.peak, 1e-4) << what << ": nothing sounded, so nothing was tested";
}

TEST(RealtimeSafety, TheCounterSeesAllocations) {
  int64_t counted = 0;
  {
    AllocationWindow window;
    std::vector<int>* v = new std::vector<int>(64);
    delete v;
    counted = window.Count();
  }
  EXPECT_EQ(counted, 2);
}

TEST(RealtimeSafety, NotesAndControllersRenderWithoutAllocating) {
  Instrument instrument(44100.0);
  SpreadTracksOverChannels(instrument);
  ExpectNoAllocations(instrument, "normal mode");
}

// A MIDI program change selects a preset inside the audio call: a whole
// state (library, sequences, every parameter) applied there without the heap.
// The presets of the built-in bank include sequence, arpeggiator and Stack Modes.
TEST(RealtimeSafety, ProgramChangesSelectPresetsWithoutAllocating) {
  Instrument instrument(44100.0);
  instrument.plug->ignoreProgramChange = false;  // on by default
  ExpectNoAllocations(instrument, "program changes", MidiWithProgramChanges);
  EXPECT_NE(instrument.plug->GetCurrentPresetIndex(), 0) << "no program change took effect";
}

TEST(RealtimeSafety, SequencerPlayingSeqARendersWithoutAllocating) {
  Instrument instrument(44100.0);
  FillSeqA(*instrument.plug);
  {
    std::lock_guard lock(instrument.plug->Mutex());
    ASSERT_TRUE(instrument.plug->Sequencing().SetMode(kModeSequenceA));
  }
  ExpectNoAllocations(instrument, "Seq A playing");
  EXPECT_EQ(instrument.plug->IntParam(kParamMode), kModeSequenceA);
  EXPECT_EQ(instrument.plug->Sequencing().Player().CurrentSequence(), PlayedSequence::kA);
}

// Recording inserts into the sequence's event list, which is reserved ahead
// (Sequence::kReservedEvents, or EnsureHeadroom before recording): within
// that room the recorder allocates nothing either.
TEST(RealtimeSafety, RecordingIntoSeqAWithinItsReserveDoesNotAllocate) {
  Instrument instrument(44100.0);
  FillSeqA(*instrument.plug);
  {
    std::lock_guard lock(instrument.plug->Mutex());
    ASSERT_TRUE(instrument.plug->Sequencing().SeqA().EnsureHeadroom(16000));
    instrument.plug->Sequencing().SetRecording(true);
    ASSERT_TRUE(instrument.plug->Sequencing().SetMode(kModeSequenceA));
  }
  const size_t before = instrument.plug->Sequencing().SeqA().EventCount();
  ExpectNoAllocations(instrument, "recording into Seq A");
  EXPECT_TRUE(instrument.plug->Sequencing().Recording());
  EXPECT_GT(instrument.plug->Sequencing().SeqA().EventCount(), before) << "nothing was recorded, so nothing was tested";
}

TEST(RealtimeSafety, ArpeggiatorRendersWithoutAllocating) {
  Instrument instrument(44100.0);
  {
    std::lock_guard lock(instrument.plug->Mutex());
    ASSERT_TRUE(instrument.plug->Sequencing().SetMode(kModeArpUpDown));
  }
  ExpectNoAllocations(instrument, "arpeggiator");
  EXPECT_EQ(instrument.plug->IntParam(kParamMode), kModeArpUpDown);
}

// Every voice parameter of every track at one end of its range (0 or 1),
// maximum resonance, and all 36 voices sounding at once.
Level RenderExtreme(double rate, float end) {
  Instrument instrument(rate);
  SpreadTracksOverChannels(instrument);
  for (int t = 0; t < kParamTrackCount; ++t) {
    for (int k = 0; k < kVoiceParamCount; ++k) instrument.Set(kParamFirstVoice + kVoiceParamCount * t + k, end);
    instrument.Set(kParamFirstVoice + kVoiceParamCount * t + kVoiceFilterResonance, 1.0f);
    instrument.Set(kParamFirstVoice + kVoiceParamCount * t + kVoiceVolume, 1.0f);
    instrument.Set(TrackParamIndex(t, kTrackVolume), 1.0f);
  }
  instrument.Set(kParamMasterVolume, 1.0f);
  MidiList midi;
  Level level;
  // Six notes a track, spread over the keyboard, then half a second of sound
  // with the controllers swept.
  midi.Clear();
  for (int ch = 0; ch < 6; ++ch)
    for (int v = 0; v < 6; ++v) midi.Add(0x90 | ch, 12 + v * 19 + ch, 127, 0);
  instrument.Block(midi, 0, level);
  const int blocks = static_cast<int>(rate * 0.5) / kBlock + 1;
  for (int n = 0; n < blocks; ++n) {
    midi.Clear();
    midi.Add(0xB0 | (n % 6), 1, (n * 17) % 128, 0);
    midi.Add(0xE0 | (n % 6), 0, (n * 29) % 128, kBlock / 2);
    instrument.Block(midi, n % 3, level);
  }
  // And the releases.
  midi.Clear();
  for (int ch = 0; ch < 6; ++ch)
    for (int v = 0; v < 6; ++v) midi.Add(0x80 | ch, 12 + v * 19 + ch, 0, 0);
  for (int n = 0; n < blocks; ++n) {
    instrument.Block(midi, 0, level);
    midi.Clear();
  }
  return level;
}

TEST(RealtimeSafety, ExtremeSoundsStayFiniteAndBoundedAtEveryRate) {
  for (double rate : {8000.0, 44100.0, 96000.0, 384000.0})
    for (float end : {0.0f, 1.0f}) {
      const Level level = RenderExtreme(rate, end);
      const std::string what = "rate " + std::to_string(rate) + ", every voice parameter at " + (end ? "max" : "min");
      EXPECT_EQ(level.nonFinite, 0) << what;
      EXPECT_LT(level.trackPeak, kSaneBound) << what;
      EXPECT_LT(level.peak, kSaneSumBound) << what;
      EXPECT_GT(level.trackPeak, 0.0) << what << ": nothing sounded";
    }
}

}  // namespace
