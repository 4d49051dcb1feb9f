#include "tools/demo/DemoSong.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/Engine.h"
#include "engine/VoiceParamUnits.h"

namespace {

enum Channel : int32_t { kPad = 0, kBass = 1, kLead = 2, kStabs = 3, kHats = 4 };

using Program = std::array<uint8_t, 37>;

Program InitProgram() {
  return {24,  0, 0, 0, 0, 0, 0, 0, 0, 0,   1, 0, 0, 128, 0, 0,   0, 0, 0,
          255, 0, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 255, 0, 255, 0, 0};
}

Program PadSound() {
  Program p = InitProgram();
  p[Voice::kOscSawtooth] = 1;
  p[Voice::kOscPulse] = 1;
  p[Voice::kOscPulseWidth] = 90;
  p[Voice::kOscLfoToPw] = 1;
  p[Voice::kLfoFrequency] = 70;
  p[Voice::kLfoAmount] = 90;
  p[Voice::kFineFrequency] = 6;
  p[Voice::kFilterCutoff] = 112;
  p[Voice::kFilterResonance] = 50;
  p[Voice::kFilterEnvAmount] = 60;
  p[Voice::kFilterEnvAttack] = 110;
  p[Voice::kFilterEnvDecay] = 130;
  p[Voice::kFilterEnvSustain] = 110;
  p[Voice::kFilterEnvRelease] = 120;
  p[Voice::kFilterKeyTrack] = 64;
  p[Voice::kAmpEnvAttack] = 100;
  p[Voice::kAmpEnvDecay] = 110;
  p[Voice::kAmpEnvSustain] = 190;
  p[Voice::kAmpEnvRelease] = 120;
  p[Voice::kVoiceVolume] = 120;
  p[Voice::kAmpVelocity] = 80;
  return p;
}

Program BassSound() {
  Program p = InitProgram();
  p[Voice::kOscSawtooth] = 1;
  p[Voice::kOscPulse] = 1;
  p[Voice::kOscPulseWidth] = 60;
  p[Voice::kFilterCutoff] = 62;
  p[Voice::kFilterResonance] = 120;
  p[Voice::kFilterEnvAmount] = 110;
  p[Voice::kFilterEnvDecay] = 72;
  p[Voice::kFilterEnvSustain] = 20;
  p[Voice::kFilterEnvRelease] = 40;
  p[Voice::kFilterKeyTrack] = 128;
  p[Voice::kAmpEnvDecay] = 100;
  p[Voice::kAmpEnvSustain] = 170;
  p[Voice::kAmpEnvRelease] = 24;
  p[Voice::kVoiceVolume] = 230;
  p[Voice::kAmpVelocity] = 120;
  return p;
}

Program LeadSound() {
  Program p = InitProgram();
  p[Voice::kOscSawtooth] = 1;
  p[Voice::kOscPulse] = 1;
  p[Voice::kOscPulseWidth] = 70;
  p[Voice::kGlideRate] = 200;
  p[Voice::kLfoToOsc] = 1;
  p[Voice::kLfoFrequency] = 150;
  p[Voice::kLfoAmount] = 14;
  p[Voice::kFilterCutoff] = 132;
  p[Voice::kFilterResonance] = 70;
  p[Voice::kFilterEnvAmount] = 50;
  p[Voice::kFilterEnvDecay] = 100;
  p[Voice::kFilterEnvSustain] = 120;
  p[Voice::kFilterKeyTrack] = 96;
  p[Voice::kAmpEnvAttack] = 24;
  p[Voice::kAmpEnvDecay] = 80;
  p[Voice::kAmpEnvSustain] = 220;
  p[Voice::kAmpEnvRelease] = 80;
  p[Voice::kVoiceVolume] = 150;
  return p;
}

Program StabSound() {
  Program p = InitProgram();
  p[Voice::kVoiceMode] = 1;  // unison
  p[Voice::kOscSawtooth] = 1;
  p[Voice::kFilterCutoff] = 40;  // swept by automation
  p[Voice::kFilterResonance] = 150;
  p[Voice::kFilterEnvAmount] = 40;
  p[Voice::kFilterEnvDecay] = 60;
  p[Voice::kFilterKeyTrack] = 64;
  p[Voice::kAmpEnvAttack] = 8;
  p[Voice::kAmpEnvDecay] = 70;
  p[Voice::kAmpEnvSustain] = 90;
  p[Voice::kAmpEnvRelease] = 70;
  p[Voice::kVoiceVolume] = 44;
  return p;
}

Program HatSound() {
  Program p = InitProgram();
  p[Voice::kOscSawtooth] = 0;
  p[Voice::kOscNoiseMixer] = 255;
  p[Voice::kFilterCutoff] = 250;
  p[Voice::kFilterKeyTrack] = 128;  // wide open at the hats' high note
  p[Voice::kFilterResonance] = 60;
  p[Voice::kAmpEnvDecay] = 20;
  p[Voice::kAmpEnvSustain] = 0;
  p[Voice::kAmpEnvRelease] = 16;
  p[Voice::kVoiceVolume] = 255;
  p[Voice::kAmpVelocity] = 200;
  return p;
}

constexpr double kBeatsPerMinute = 96.0;
constexpr int32_t kBars = 8;

}  // namespace

DemoSong::DemoSong(double rate) : sampleRate(rate), secondsPerBeat(60.0 / kBeatsPerMinute) {
  // Am - F - C - G, twice.
  const int32_t chords[4][4] = {{57, 60, 64, 69}, {57, 60, 65, 69}, {55, 60, 64, 67}, {55, 59, 62, 67}};
  const int32_t roots[4] = {45, 41, 36, 43};
  for (int32_t bar = 0; bar < kBars; ++bar) {
    const int32_t c = bar % 4;
    const double start = bar * 4.0;
    for (int32_t note : chords[c]) Note(start, 3.9, kPad, note, 84);
    // Bass: eighths on the root, an octave jump on the off-beats of beats 2 and 4.
    for (int32_t e = 0; e < 8; ++e) {
      int32_t note = roots[c] + ((e == 3 || e == 7) ? 12 : 0);
      Note(start + e * 0.5, 0.42, kBass, note, e % 2 == 0 ? 118 : 84);
    }
    // Hats on every eighth, accented on the beat; quiet in the first bar.
    for (int32_t e = 0; e < 8; ++e) Note(start + e * 0.5, 0.1, kHats, 96, (e % 2 == 0 ? 90 : 45) + (bar ? 20 : -20));
    // Unison stabs on the off-beats from bar 3.
    if (bar >= 2) {
      for (double beat : {1.5, 3.5}) {
        Note(start + beat, 0.35, kStabs, chords[c][1] + 12, 100);
        Note(start + beat, 0.35, kStabs, chords[c][2] + 12, 100);
      }
    }
  }
  // Lead in bars 5 to 8, overlapping notes so that it glides.
  struct LeadNote {
    double beat;
    double beats;
    int32_t note;
  };
  const LeadNote melody[] = {
      {16.0, 1.6, 76}, {17.5, 1.1, 74}, {18.5, 1.6, 72}, {20.0, 1.6, 74}, {21.5, 0.6, 72}, {22.0, 2.1, 69},
      {24.0, 1.6, 72}, {25.5, 1.1, 74}, {26.5, 1.6, 76}, {28.0, 1.1, 79}, {29.0, 1.1, 76}, {30.0, 2.0, 74},
  };
  for (const LeadNote& n : melody) Note(n.beat, n.beats, kLead, n.note, 100);
  // The song ends on a held A minor chord.
  for (int32_t note : {45, 57, 60, 64, 69}) Note(kBars * 4.0, 2.0, note < 50 ? kBass : kPad, note, 90);
  Note(kBars * 4.0, 2.0, kLead, 76, 90);

  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.sample < b.sample; });
  length = SampleAt(kBars * 4.0 + 4.0);
}

int64_t DemoSong::SampleAt(double beat) const {
  return static_cast<int64_t>(std::llround(beat * secondsPerBeat * sampleRate));
}

void DemoSong::Note(double beat, double beats, int32_t channel, int32_t note, int32_t velocity) {
  events.push_back({SampleAt(beat), static_cast<uint8_t>(0x90 + channel), static_cast<uint8_t>(note),
                    static_cast<uint8_t>(std::clamp(velocity, 1, 127))});
  events.push_back({SampleAt(beat + beats), static_cast<uint8_t>(0x80 + channel), static_cast<uint8_t>(note), 0});
}

void DemoSong::Prepare(Engine& engine) const {
  engine.SetMasterGain(0.7 * 0.5);  // "Master Volume" 0.7
  engine.SetBendRange(2 * 128.0);
  const Program programs[6] = {PadSound(), BassSound(), LeadSound(), StabSound(), HatSound(), InitProgram()};
  const int32_t modes[6] = {Track::kPolyphonic, Track::kMonophonic, Track::kLegato,
                            Track::kPolyphonic, Track::kPolyphonic, Track::kMonophonic};
  const double pans[6] = {0.5, 0.5, 0.58, 0.35, 0.68, 0.5};
  const double volumes[6] = {0.9, 1.0, 1.0, 1.0, 0.7, 1.0};
  for (int32_t t = 0; t < Engine::kTrackCount; ++t) {
    engine.SetTrackChannel(t, t < 5 ? t : Track::kNoChannel);
    engine.SetTrackMode(t, modes[t]);
    engine.SetTrackCycle(t, false);
    engine.SetTrackVolume(t, volumes[t]);
    engine.SetTrackPan(t, pans[t]);
    engine.GetTrack(t).lfo.wheelAmount = 1.0;
    LoadProgramValues(engine, t, programs[t].data());
  }
}

void DemoSong::Automate(Engine& engine, int64_t sample) const {
  // The stabs' cutoff opens over bars 3 to 6 and closes again in bars 7 and 8.
  double bar = sample / (4.0 * secondsPerBeat * sampleRate);
  double shape = 0.0;
  if (bar >= 2.0 && bar < 6.0)
    shape = (bar - 2.0) / 4.0;
  else if (bar >= 6.0)
    shape = std::max(0.0, 1.0 - (bar - 6.0) / 2.5);
  double value = 60.0 + shape * 150.0;
  engine.SetTrackVoiceParam(kStabs, Voice::kFilterCutoff,
                            VoiceParamEngineValue(Voice::kFilterCutoff, static_cast<int32_t>(value)));
}
