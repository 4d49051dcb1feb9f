#include <gtest/gtest.h>

#include <set>
#include <string>

#include "plugin/IPlugBase.h"
#include "programs/ParameterTable.h"

namespace {

class ParameterTableTest : public ::testing::Test {
 protected:
  void SetUp() override { DefineParameters(plug); }

  const PlugParam& P(int index) { return *plug.GetParam(index); }
  std::string Text(int index, double value) { return plug.GetParam(index)->DisplayText(value); }
  std::string Text(int index) { return plug.GetParam(index)->CurrentDisplayText(); }

  IPlugBase plug;
};

std::string Call(void (*display)(double, char*, int), double value) {
  char text[kParamDisplaySize];
  display(value, text, sizeof(text));
  return text;
}

}  // namespace

TEST(ParameterIndex, LayoutHelpers) {
  EXPECT_EQ(ProgramParamIndex(kProgramSetTrack, 0), 7);
  EXPECT_EQ(ProgramParamIndex(kProgramSetSeqA, 0), 13);
  EXPECT_EQ(ProgramParamIndex(kProgramSetSeqB, 5), 24);
  EXPECT_EQ(ProgramParamIndex(kProgramSetStackA, 0), 25);
  EXPECT_EQ(ProgramParamIndex(kProgramSetStackB, 5), 36);
  EXPECT_EQ(TrackParamIndex(0, kTrackChannel), 39);
  EXPECT_EQ(TrackParamIndex(5, kTrackPanorama), 80);
  EXPECT_EQ(VoiceParamIndex(0, kVoiceCoarseFrequency), 81);
  EXPECT_EQ(VoiceParamIndex(5, kVoiceAmpVelocity), 302);
  for (int index = 0; index < kNumParams; ++index) {
    const int kinds = IsProgramParam(index) + IsTrackParam(index) + IsVoiceParam(index);
    EXPECT_LE(kinds, 1) << index;
    if (IsProgramParam(index)) {
      EXPECT_EQ(ProgramParamIndex(ProgramParamSet(index), ProgramParamTrack(index)), index);
    }
    if (IsTrackParam(index)) {
      EXPECT_EQ(TrackParamIndex(TrackParamTrack(index), TrackParamSlot(index)), index);
    }
    if (IsVoiceParam(index)) {
      EXPECT_EQ(VoiceParamIndex(VoiceParamTrack(index), VoiceParamSlot(index)), index);
    }
  }
  EXPECT_FALSE(IsVoiceParam(303));
  EXPECT_FALSE(IsProgramParam(37));
  EXPECT_FALSE(IsTrackParam(38));
}

TEST_F(ParameterTableTest, GlobalParameters) {
  EXPECT_STREQ(P(0).Name(), "Master Tune");
  EXPECT_EQ(P(0).Kind(), ParamKind::Continuous);
  EXPECT_EQ(P(0).Min(), -1.0);
  EXPECT_EQ(P(0).Max(), 1.0);
  EXPECT_EQ(P(0).DisplayPrecision(), 2);
  EXPECT_STREQ(P(1).Name(), "Pitch Bend");
  EXPECT_EQ(P(1).Kind(), ParamKind::Integer);
  EXPECT_EQ(P(1).Min(), -12.0);
  EXPECT_EQ(P(1).Max(), 12.0);
  EXPECT_EQ(Text(1), "4");
  EXPECT_STREQ(P(2).Name(), "Wheel to LFO");
  EXPECT_EQ(P(2).Value(), 1.0);
  EXPECT_EQ(Text(2), "1.00");
  EXPECT_STREQ(P(3).Name(), "Master Volume");
  EXPECT_EQ(P(3).Value(), 0.5);
  EXPECT_STREQ(P(4).Name(), "Mode");
  EXPECT_EQ(P(4).Kind(), ParamKind::List);
  EXPECT_EQ(P(4).Max(), 6.0);
  EXPECT_EQ(Text(4, 0), "Normal");
  EXPECT_EQ(Text(4, 3), "Arpeggiator Up/Down");
  EXPECT_EQ(Text(4, 6), "Stack B");
  EXPECT_STREQ(P(5).Name(), "Link Programs");
  EXPECT_EQ(P(5).Kind(), ParamKind::Switch);
  EXPECT_EQ(Text(5), "on");
  EXPECT_STREQ(P(6).Name(), "Param. Resolution");
  EXPECT_EQ(Text(6), "Calvara");
  EXPECT_EQ(Text(6, 1), "Extended");
  EXPECT_STREQ(P(37).Name(), "Speed");
  EXPECT_EQ(P(37).Kind(), ParamKind::Continuous);
  EXPECT_EQ(P(37).Min(), 12.0);
  EXPECT_EQ(P(37).Max(), 480.0);
  EXPECT_EQ(Text(37), "120");
  EXPECT_STREQ(P(38).Name(), "Sync to Host");
  EXPECT_EQ(Text(38), "off");
  for (int index = 0; index < kNumParams; ++index) {
    EXPECT_NE(P(index).Kind(), ParamKind::None) << index;
    EXPECT_EQ(P(index).Shape(), 1.0) << index;
    EXPECT_STREQ(P(index).Label(), "") << index;
    EXPECT_EQ(P(index).Value(), P(index).Default()) << index;
  }
}

TEST_F(ParameterTableTest, ProgramNumbers) {
  const char* names[] = {"Track Prg %i", "Seq A Prg %i", "Seq B Prg %i", "Stack A Prg %i", "Stack B Prg %i"};
  const double maxima[] = {99, 100, 100, 99, 99};
  const double defaults[] = {0, 100, 100, 0, 0};
  for (int set = 0; set < kProgramSetCount; ++set) {
    for (int t = 0; t < kParamTrackCount; ++t) {
      const PlugParam& p = P(ProgramParamIndex(set, t));
      std::string expected = names[set];
      expected.replace(expected.find("%i"), 2, std::to_string(t + 1));
      EXPECT_EQ(p.Name(), expected);
      EXPECT_EQ(p.Kind(), ParamKind::Integer);
      EXPECT_EQ(p.Min(), 0.0);
      EXPECT_EQ(p.Max(), maxima[set]);
      EXPECT_EQ(p.Default(), defaults[set]);
    }
  }
  EXPECT_STREQ(P(12).Name(), "Track Prg 6");
  EXPECT_STREQ(P(13).Name(), "Seq A Prg 1");
}

TEST_F(ParameterTableTest, TrackParameters) {
  for (int t = 0; t < kParamTrackCount; ++t) {
    const std::string n = std::to_string(t + 1);
    EXPECT_EQ(P(TrackParamIndex(t, kTrackChannel)).Name(), "Track " + n + " MIDI Channel");
    EXPECT_EQ(P(TrackParamIndex(t, kTrackMode)).Name(), "Track " + n + " Mode");
    EXPECT_EQ(P(TrackParamIndex(t, kTrackCycle)).Name(), "Track " + n + " Cycle");
    EXPECT_EQ(P(TrackParamIndex(t, kTrackTune)).Name(), "Track " + n + " Tune");
    EXPECT_EQ(P(TrackParamIndex(t, kTrackTranspose)).Name(), "Track " + n + " Transpose");
    EXPECT_EQ(P(TrackParamIndex(t, kTrackVolume)).Name(), "Track " + n + " Volume");
    EXPECT_EQ(P(TrackParamIndex(t, kTrackPanorama)).Name(), "Track " + n + " Panorama");
  }
  const int channel = TrackParamIndex(2, kTrackChannel);
  EXPECT_EQ(P(channel).Max(), 17.0);
  EXPECT_EQ(Text(channel), "All");
  EXPECT_EQ(Text(channel, 0), "1");
  EXPECT_EQ(Text(channel, 15), "16");
  EXPECT_EQ(Text(channel, 17), "X");
  EXPECT_EQ(Text(TrackParamIndex(0, kTrackMode)), "Monophonic");
  EXPECT_EQ(Text(TrackParamIndex(0, kTrackMode), 2), "Legato");
  EXPECT_EQ(Text(TrackParamIndex(0, kTrackCycle)), "on");
  EXPECT_EQ(P(TrackParamIndex(0, kTrackTune)).DisplayPrecision(), 2);
  EXPECT_EQ(Text(TrackParamIndex(0, kTrackTune), -0.5), "-0.50");
  EXPECT_EQ(P(TrackParamIndex(0, kTrackTranspose)).Min(), -24.0);
  EXPECT_EQ(P(TrackParamIndex(0, kTrackTranspose)).Max(), 24.0);
  EXPECT_EQ(P(TrackParamIndex(0, kTrackVolume)).Max(), 2.0);
  EXPECT_EQ(P(TrackParamIndex(0, kTrackVolume)).Value(), 1.0);
  EXPECT_STREQ(P(80).Name(), "Track 6 Panorama");
}

TEST_F(ParameterTableTest, VoiceParameters) {
  EXPECT_STREQ(P(81).Name(), "(1) Coarse Frequency");
  EXPECT_STREQ(P(302).Name(), "(6) Amp Velocity");
  EXPECT_STREQ(P(VoiceParamIndex(3, kVoiceFilterOscModAmount)).Name(), "(4) Filter Osc Mod Amount");
  EXPECT_STREQ(P(VoiceParamIndex(1, kVoiceOscNoiseMixer)).Name(), "(2) OSC/Noise Mixer");
  EXPECT_STREQ(P(VoiceParamIndex(0, kVoiceOscLfoToPw)).Name(), "(1) OSC LFO to PW");

  std::set<std::string> names;
  for (int index = 0; index < kNumParams; ++index) names.insert(P(index).Name());
  EXPECT_EQ(names.size(), static_cast<size_t>(kNumParams));  // every name is distinct

  for (int t = 0; t < kParamTrackCount; ++t) {
    for (int k = 0; k < kVoiceParamCount; ++k) {
      const PlugParam& p = P(VoiceParamIndex(t, k));
      EXPECT_EQ(p.Default(), kVoiceParamDefault[k]) << k;
      EXPECT_EQ(p.Step(), 1.0);
      EXPECT_EQ(p.Min(), 0.0);
      EXPECT_EQ(std::string(p.Name()).substr(0, 4), "(" + std::to_string(t + 1) + ") ");
    }
  }
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceCoarseFrequency)).Max(), 48.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceCoarseFrequency)).Value(), 24.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceFilterKeyTrack)).Max(), 128.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceFilterKeyTrack)).Value(), 128.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceFilterCutoff)).Value(), 255.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceOscPulseWidth)).Value(), 128.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceAmpEnvSustain)).Value(), 255.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceVolume)).Value(), 255.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceAmpVelocity)).Max(), 255.0);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceOscSawtooth)).Kind(), ParamKind::Switch);
  EXPECT_EQ(Text(VoiceParamIndex(0, kVoiceOscSawtooth)), "on");
  EXPECT_EQ(Text(VoiceParamIndex(0, kVoiceOscTriangle)), "off");
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceOscEnvInvert)).Kind(), ParamKind::List);
  EXPECT_EQ(Text(VoiceParamIndex(0, kVoiceOscEnvInvert), 1), "Invert");
  EXPECT_EQ(Text(VoiceParamIndex(0, kVoiceFilterEnvInvert), 0), "Norm");
  EXPECT_EQ(Text(VoiceParamIndex(0, kVoiceLfoShape), 1), "Rectangle");
  EXPECT_EQ(Text(VoiceParamIndex(0, kVoiceMode), 1), "Unison");
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceLfoToFilter)).Kind(), ParamKind::Switch);
  EXPECT_EQ(P(VoiceParamIndex(0, kVoiceFineFrequency)).Kind(), ParamKind::Integer);
}

TEST_F(ParameterTableTest, LevelBalanceAndCentsTexts) {
  EXPECT_EQ(Text(kParamMasterVolume, 0.0), "-oo");
  EXPECT_EQ(Text(kParamMasterVolume, -0.1), "-oo");
  EXPECT_EQ(Text(kParamMasterVolume, 0.5), "-6.0");
  EXPECT_EQ(Text(kParamMasterVolume, 1.0), "0.0");
  EXPECT_EQ(Text(TrackParamIndex(0, kTrackVolume), 2.0), "6.0");
  EXPECT_EQ(Text(TrackParamIndex(4, kTrackPanorama), 0.25), "75:25");
  EXPECT_EQ(Text(TrackParamIndex(4, kTrackPanorama), 0.0), "100:0");
  EXPECT_EQ(Text(TrackParamIndex(4, kTrackPanorama), 1.0), "0:100");
  EXPECT_EQ(Text(kParamMasterTune, -0.5), "-50");
  EXPECT_EQ(Text(kParamMasterTune, 1.0), "100");
  EXPECT_EQ(Text(kParamMasterTune, 0.0), "0");
  // The host asks for texts of 0..1 values as well.
  EXPECT_EQ(P(kParamMasterTune).DisplayText(0.25, true), "-50");
}

TEST_F(ParameterTableTest, SpeedShowsNoteValuesWhileSynced) {
  SetSpeedDisplay(plug, true);
  EXPECT_EQ(Text(kParamSpeed, 12), "1/1");
  EXPECT_EQ(Text(kParamSpeed, 120), "1/4");
  EXPECT_EQ(Text(kParamSpeed, 480), "1/64");
  EXPECT_EQ(Text(kParamSpeed, 30), "1/2.");    // 0.5 rounds away from zero to entry 1
  EXPECT_EQ(Text(kParamSpeed, 29), "1/1");     // 0.47 -> entry 0
  EXPECT_EQ(Text(kParamSpeed, 246), "1/16.");  // 6.5 -> 7
  SetSpeedDisplay(plug, false);
  EXPECT_EQ(Text(kParamSpeed, 120), "120");
  // Out of range values still give a text from the list.
  EXPECT_EQ(Call(DisplayNoteValue, -1000), "1/1");
  EXPECT_EQ(Call(DisplayNoteValue, 5000), "1/64");
}

TEST(DisplayFunctions, BitFields) {
  EXPECT_EQ(Call(DisplayBits7, 255), "127");
  EXPECT_EQ(Call(DisplayBits7, 1), "0");
  EXPECT_EQ(Call(DisplayBits6, 255), "63");
  EXPECT_EQ(Call(DisplayBits6, 128), "32");
  EXPECT_EQ(Call(DisplayBits5, 13), "1");
  EXPECT_EQ(Call(DisplayBits5, 255), "31");
  EXPECT_EQ(Call(DisplayBits4, 255), "15");
  EXPECT_EQ(Call(DisplayBits4, 15), "0");
  EXPECT_EQ(Call(DisplayBits4, 16.9), "1");
  EXPECT_EQ(Call(DisplayBits2, 128), "2");
  EXPECT_EQ(Call(DisplayBits2, 255), "3");
  EXPECT_EQ(Call(DisplayBits2, 63), "0");
}

TEST(DisplayFunctions, MaskTable) {
  const int expected[kVoiceParamCount] = {0, 3, 4, 0, 4, 0, 4, 4, 4, 4, 0, 0, 0, 2, 0, 4, 3, 0, 3,
                                          1, 2, 4, 0, 4, 4, 4, 4, 0, 6, 2, 4, 4, 4, 4, 4, 0, 0};
  for (int k = 0; k < kVoiceParamCount; ++k) {
    EXPECT_EQ(kVoiceParamShift[k], expected[k]) << k;
    EXPECT_EQ(MaskVoiceValue(k, 255), (255 << expected[k]) & 255) << k;
    // A parameter without a low display keeps every bit.
    if (expected[k] == 0) {
      EXPECT_EQ(VoiceLowDisplay(k), nullptr) << k;
    } else {
      EXPECT_NE(VoiceLowDisplay(k), nullptr) << k;
    }
  }
  EXPECT_EQ(MaskVoiceValue(kVoiceFineFrequency, 13), 8);
  EXPECT_EQ(MaskVoiceValue(kVoiceFilterKeyTrack, 128), 128);
  EXPECT_EQ(MaskVoiceValue(kVoiceFilterKeyTrack, 127), 64);
  EXPECT_EQ(VoiceLowDisplay(kVoiceFilterCutoff), &DisplayBits7);
  EXPECT_EQ(VoiceLowDisplay(kVoiceFilterKeyTrack), &DisplayBits2);
  EXPECT_EQ(VoiceLowDisplay(kVoiceFineFrequency), &DisplayBits5);
  EXPECT_EQ(VoiceLowDisplay(kVoiceOscPulseWidth), &DisplayBits6);
  EXPECT_EQ(VoiceLowDisplay(kVoiceAmpVelocity), nullptr);
  EXPECT_EQ(VoiceLowDisplay(-1), nullptr);
  EXPECT_EQ(VoiceLowDisplay(kVoiceParamCount), nullptr);
}

TEST_F(ParameterTableTest, CalvaraResolutionMasksAndShowsLowValues) {
  const int fine = VoiceParamIndex(2, kVoiceFineFrequency);
  const int cutoff = VoiceParamIndex(0, kVoiceFilterCutoff);
  const int keyTrack = VoiceParamIndex(5, kVoiceFilterKeyTrack);
  const int velocity = VoiceParamIndex(1, kVoiceAmpVelocity);
  plug.GetParam(fine)->SetValue(13);
  plug.GetParam(velocity)->SetValue(77);

  plug.GetParam(kParamResolution)->SetValue(kResolutionCalvara);
  EXPECT_STREQ(ApplyParamResolution(plug), "Low Param. Resolution");
  EXPECT_EQ(P(fine).Value(), 8.0);
  EXPECT_EQ(P(velocity).Value(), 77.0);  // no mask
  EXPECT_EQ(Text(cutoff), "127");
  EXPECT_EQ(Text(keyTrack), "2");
  EXPECT_EQ(Text(fine), "1");
  EXPECT_EQ(Text(velocity), "77");
  EXPECT_EQ(P(VoiceParamIndex(3, kVoiceAmpEnvSustain)).Value(), 240.0);  // 255 with 4 low bits cleared

  plug.GetParam(kParamResolution)->SetValue(kResolutionExtended);
  EXPECT_STREQ(ApplyParamResolution(plug), "Extended Param. Resolution");
  EXPECT_EQ(Text(cutoff), "254");  // 255 lost its low bit in the Calvara resolution
  EXPECT_EQ(Text(keyTrack), "128");
  EXPECT_EQ(P(fine).Value(), 8.0);  // the cleared bits do not come back
  plug.GetParam(fine)->SetValue(13);
  ApplyParamResolution(plug);
  EXPECT_EQ(P(fine).Value(), 13.0);  // extended keeps every bit
}

TEST_F(ParameterTableTest, ResolutionChangeGoesThroughTheEnginePath) {
  // With a state loading, the masking changes values without telling anyone;
  // otherwise every voice parameter is reported.
  class CountingPlug : public IPlugBase {
   public:
    void OnParamChanged(int) override { ++changes; }
    int changes = 0;
  } counting;
  DefineParameters(counting);
  ApplyParamResolution(counting);
  EXPECT_EQ(counting.changes, kParamTrackCount * kVoiceParamCount);
  counting.changes = 0;
  counting.stateLoading = true;
  counting.GetParam(VoiceParamIndex(0, kVoiceGlideRate))->SetValue(31);
  ApplyParamResolution(counting);
  EXPECT_EQ(counting.changes, 0);
  EXPECT_EQ(counting.GetParam(VoiceParamIndex(0, kVoiceGlideRate))->Value(), 16.0);
}

TEST(ParameterDefinition, TooFewRecordsAreLeftAlone) {
  IPlugBase small(10, 1);
  DefineParameters(small);
  EXPECT_EQ(small.GetParam(0)->Kind(), ParamKind::None);
  EXPECT_STREQ(ApplyParamResolution(small), "");
}
