// The user's settings at work in a whole instrument: MIDI learn, the controller
// map, "Receive Parameter CCs", "MIDI Thru", program changes, settings shared
// through one INI file, an unwritable configuration folder and a foreign
// process locale.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "plugin/VstAbi.h"
#include "tests/instrument/InstrumentTestSupport.h"
#include "tests/support/GermanLocale.h"
#include "tests/support/TempFolder.h"

namespace {

int CutoffIndex(int t) {
  return VoiceParamIndex(t, kVoiceFilterCutoff);
}

void SendController(Vornell& plug, int channel, int controller, int value, int offset = 0) {
  MidiMessage message;
  message.offset = offset;
  message.status = static_cast<uint8_t>(0xB0 | (channel & 15));
  message.data1 = static_cast<uint8_t>(controller);
  message.data2 = static_cast<uint8_t>(value);
  plug.OnMidiMessage(message);
}

void SendProgramChange(Vornell& plug, int program) {
  MidiMessage message;
  message.status = 0xC0;
  message.data1 = static_cast<uint8_t>(program);
  plug.OnMidiMessage(message);
}

// Track 0 alone on MIDI channel 1, track 1 alone on channel 2, the others off;
// unlinked, so an edit of one track stays there.
void TwoTrackLayout(TestVornell& plug) {
  for (int t = 0; t < 6; ++t) SetTrackChannel(plug, t, t < 2 ? t : kChannelNone);
  plug.SetPlain(kParamLinkPrograms, 0);
}

// A steady sawtooth whose brightness only the cutoff decides.
void SteadySound(TestVornell& plug, int t) {
  const std::pair<int, double> values[] = {
      {kVoiceCoarseFrequency, 24}, {kVoiceFineFrequency, 0},      {kVoiceGlideRate, 0},
      {kVoiceLfoToOsc, 0},         {kVoiceOscEnvAmount, 0},       {kVoiceOscSawtooth, 1},
      {kVoiceOscTriangle, 0},      {kVoiceOscPulse, 0},           {kVoiceOscNoiseMixer, 0},
      {kVoiceFilterResonance, 0},  {kVoiceFilterEnvAmount, 0},    {kVoiceLfoToFilter, 0},
      {kVoiceFilterKeyTrack, 0},   {kVoiceFilterOscModAmount, 0}, {kVoiceAmpEnvAttack, 0},
      {kVoiceAmpEnvSustain, 255},  {kVoiceVolume, 255},           {kVoiceMode, 0},
  };
  for (const auto& [k, value] : values) plug.SetPlain(VoiceParamIndex(t, k), value);
}

// Each test gets its own configuration folder, set before any instance exists.
class ConfiguredInstrument : public ::testing::Test {
 protected:
  std::string IniPath() const { return home / "KestruneMusic/vornell.ini"; }
  std::string IniText() const { return ReadFileText(IniPath()); }

  TempFolder home;
  ScopedEnvironment configHome{"XDG_CONFIG_HOME", home.Path()};
};

TEST_F(ConfiguredInstrument, MidiLearnMapsAControllerThatThenDrivesTheParameterAudibly) {
  TestVornell plug;
  TwoTrackLayout(plug);
  SteadySound(plug, 0);
  plug.SetPlain(CutoffIndex(1), 100);
  PrepareAudio(plug);
  plug.config.ccMap[30] = CutoffIndex(0);  // an older controller for the same parameter

  plug.ArmMidiLearn(true, false);
  plug.SetPlain(CutoffIndex(0), 200);
  EXPECT_TRUE(plug.config.learnArmed) << "learning waits for the controller";
  plug.TakePanelDirty();
  SendController(plug, 0, 20, 5);
  EXPECT_FALSE(plug.config.learnArmed);
  EXPECT_TRUE(plug.TakePanelDirty()) << "the learn switch is redrawn";
  EXPECT_EQ(plug.config.ccMap[20], CutoffIndex(0));
  EXPECT_EQ(plug.config.ccMap[30], -1);

  Rendering settle;
  Render(plug, 512, settle);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 200.0) << "the captured controller does nothing else";

  SendController(plug, 0, 20, 0);
  SendNote(plug, 0, 57, 100);
  Rendering dark;
  Render(plug, 9600, dark);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 0.0);

  SendController(plug, 0, 20, 127);
  Rendering bright;
  Render(plug, 9600, bright);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 255.0);
  EXPECT_EQ(plug.Value(CutoffIndex(1)), 100.0) << "track 2 listens on another channel";

  const double darkLevel = dark.Rms(2, 4800);
  const double brightLevel = bright.Rms(2, 4800);
  EXPECT_GT(brightLevel, 0.01);
  EXPECT_GT(brightLevel, 3.0 * darkLevel) << darkLevel << " vs " << brightLevel;
}

TEST_F(ConfiguredInstrument, LearningTakesTheParameterThatWasMovedNotTheChangesItCauses) {
  TestVornell plug;
  ASSERT_GE(plug.Value(kParamLinkPrograms), 0.5);
  ASSERT_EQ(plug.Programs().TrackProgramNumber(0), plug.Programs().TrackProgramNumber(1))
      << "tracks 1 and 2 are linked";

  const double followerBefore = plug.Value(CutoffIndex(1));
  plug.ArmMidiLearn(true, false);
  plug.SetPlain(CutoffIndex(0), followerBefore > 128 ? 20 : 230);
  EXPECT_NE(plug.Value(CutoffIndex(1)), followerBefore) << "the linked track followed";
  EXPECT_EQ(plug.config.learnParam, CutoffIndex(0));

  // A program selection loads 37 values into the track; the selection is what was moved.
  const int program = ProgramParamIndex(kProgramSetTrack, 2);
  plug.ArmMidiLearn(true, false);
  plug.SetPlain(program, 5);
  EXPECT_EQ(plug.config.learnParam, program);

  // A preset's state reports every parameter; none of them was moved by the user.
  plug.ArmMidiLearn(true, false);
  ASSERT_TRUE(plug.SelectPreset(1));
  EXPECT_EQ(plug.config.learnParam, -1);
  EXPECT_TRUE(plug.config.learnArmed);
}

TEST_F(ConfiguredInstrument, UnlearnRemovesTheControllerAndLearningEndsAtReset) {
  TestVornell plug;
  TwoTrackLayout(plug);
  plug.SetPlain(CutoffIndex(0), 50);
  plug.config.ccMap[20] = CutoffIndex(0);
  PrepareAudio(plug);
  Rendering out;
  Render(plug, 256, out);

  plug.ArmMidiLearn(true, true);
  SendController(plug, 0, 20, 127);
  EXPECT_FALSE(plug.config.learnArmed);
  EXPECT_EQ(plug.config.ccMap[20], -1);
  Render(plug, 512, out);
  SendController(plug, 0, 20, 127);
  Render(plug, 512, out);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 50.0) << "controller 20 drives nothing now";

  // Armed again, a reset ends learning: the next controller acts normally.
  plug.config.ccMap[21] = CutoffIndex(0);
  plug.config.receiveParamCCs = false;
  plug.ArmMidiLearn(true, false);
  plug.OnReset();
  EXPECT_FALSE(plug.config.learnArmed);
  plug.SetPlain(CutoffIndex(0), 60);
  EXPECT_EQ(plug.config.learnParam, -1) << "a disarmed learn takes no parameter";
}

TEST_F(ConfiguredInstrument, ReceiveParameterCCsSwitchesUnmappedControllersOnAndOff) {
  TestVornell plug;
  TwoTrackLayout(plug);
  plug.SetPlain(CutoffIndex(0), 100);
  plug.SetPlain(CutoffIndex(1), 100);
  PrepareAudio(plug);
  Rendering out;

  // Off (the default): controller 21 has no entry and is ignored.
  ASSERT_FALSE(plug.config.receiveParamCCs);
  SendController(plug, 0, 21, 127);
  Render(plug, 512, out);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 100.0);

  EXPECT_TRUE(plug.Commands().ToggleConfigSetting(ConfigSetting::ReceiveParamCCs));
  EXPECT_NE(IniText().find("Receive Parameter CCs=true"), std::string::npos);
  SendController(plug, 0, 21, 127);
  Render(plug, 512, out);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 255.0) << "controller 21 drives voice parameter 19 of channel 1's track";
  EXPECT_EQ(plug.Value(CutoffIndex(1)), 100.0);

  EXPECT_FALSE(plug.Commands().ToggleConfigSetting(ConfigSetting::ReceiveParamCCs));
  SendController(plug, 0, 21, 0);
  Render(plug, 512, out);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 255.0);
  EXPECT_NE(IniText().find("Receive Parameter CCs=false"), std::string::npos);
}

TEST_F(ConfiguredInstrument, MidiThruEchoesEveryMessageUnchangedUntilSwitchedOff) {
  TestVornell plug;
  PrepareAudio(plug);
  ASSERT_TRUE(plug.MidiThru());
  SendController(plug, 4, 74, 33, 90);
  SendProgramChange(plug, 3);
  plug.ArmMidiLearn(true, false);
  SendController(plug, 4, 20, 1);  // taken by learning, echoed all the same
  ASSERT_EQ(plug.echoed.size(), 3u);
  EXPECT_EQ(plug.echoed[0].status, 0xB4);
  EXPECT_EQ(plug.echoed[0].data1, 74);
  EXPECT_EQ(plug.echoed[0].data2, 33);
  EXPECT_EQ(plug.echoed[0].offset, 90);
  EXPECT_EQ(plug.echoed[1].status, 0xC0);
  EXPECT_EQ(plug.echoed[2].data1, 20);

  EXPECT_FALSE(plug.Commands().ToggleConfigSetting(ConfigSetting::MidiThru));
  EXPECT_NE(IniText().find("MIDI Thru=false"), std::string::npos);
  SendNote(plug, 0, 60, 100);
  SendController(plug, 0, 7, 100);
  EXPECT_EQ(plug.echoed.size(), 3u);
}

TEST_F(ConfiguredInstrument, ProgramChangeSelectsAPresetUnlessIgnored) {
  TestVornell plug;
  PrepareAudio(plug);
  ASSERT_TRUE(plug.SelectPreset(3));
  plug.SetPlain(kParamMasterVolume, 0.25);
  plug.ModifyCurrentPreset();
  ASSERT_TRUE(plug.SelectPreset(0));
  ASSERT_NE(plug.Value(kParamMasterVolume), 0.25);

  ASSERT_TRUE(plug.IgnoreProgramChange());
  SendProgramChange(plug, 3);
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);

  EXPECT_FALSE(plug.Commands().ToggleConfigSetting(ConfigSetting::IgnoreProgramChange));
  EXPECT_NE(IniText().find("Ignore Program Change=false"), std::string::npos);
  SendProgramChange(plug, 3);
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 3);
  EXPECT_DOUBLE_EQ(plug.Value(kParamMasterVolume), 0.25);

  SendProgramChange(plug, 100);  // beyond the 64 presets
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 3);
}

TEST_F(ConfiguredInstrument, TwoInstancesShareTheirSavedSettingsThroughTheFile) {
  TestVornell first;
  EXPECT_FALSE(first.Commands().ToggleConfigSetting(ConfigSetting::MidiThru));
  EXPECT_FALSE(first.Commands().ToggleSaveEnhancedPrograms());
  EXPECT_FALSE(first.Library().saveEnhancedPrograms);
  EXPECT_TRUE(first.Commands().ToggleConfigSetting(ConfigSetting::DontAskToCommit));

  TestVornell second;
  EXPECT_FALSE(second.MidiThru());
  EXPECT_TRUE(second.DontAskToCommit());
  EXPECT_FALSE(second.Library().saveEnhancedPrograms) << "the library follows the setting";
  EXPECT_TRUE(second.IgnoreProgramChange());

  // The second learns a controller and saves the map; the first reloads it.
  second.ArmMidiLearn(true, false);
  second.SetPlain(CutoffIndex(0), 10);
  SendController(second, 0, 20, 0);
  ASSERT_EQ(second.config.ccMap[20], CutoffIndex(0));
  EXPECT_TRUE(second.Commands().ToggleSaveEnhancedPrograms());
  second.Commands().SaveConfiguration();
  ASSERT_EQ(second.questions.size(), 1u);
  EXPECT_EQ(second.questions[0].rfind("Save Configuration|The INI configuration file is:\n" + IniPath(), 0), 0u);
  EXPECT_NE(IniText().find("CC20=" + std::to_string(CutoffIndex(0))), std::string::npos);

  TwoTrackLayout(first);
  first.SetPlain(CutoffIndex(0), 10);
  PrepareAudio(first);
  first.answer = 7;  // no: nothing is read
  first.Commands().ReloadConfiguration();
  EXPECT_EQ(first.config.ccMap[20], -1);
  first.answer = 6;
  first.Commands().ReloadConfiguration();
  EXPECT_EQ(first.config.ccMap[20], CutoffIndex(0));
  EXPECT_TRUE(first.Library().saveEnhancedPrograms) << "the library follows the reloaded setting";
  SendController(first, 0, 20, 127);
  Rendering out;
  Render(first, 512, out);
  EXPECT_EQ(first.Value(CutoffIndex(0)), 255.0) << "the reloaded map reaches the engine";
}

TEST_F(ConfiguredInstrument, ReloadWithoutTheFileSaysSo) {
  TestVornell plug;
  ASSERT_EQ(std::remove(IniPath().c_str()), 0);
  plug.Commands().ReloadConfiguration();
  ASSERT_EQ(plug.questions.size(), 2u);
  EXPECT_EQ(plug.questions[0].rfind("Reload Configuration|", 0), 0u);
  EXPECT_EQ(plug.questions[1], "Problem with INI File|The INI file does not exist.");
}

TEST_F(ConfiguredInstrument, TemplatesSetTheTrackParametersAndAreRecognised) {
  IniFile ini(IniPath());
  CreateFolders(home / "KestruneMusic");
  ASSERT_TRUE(ini.WriteString("Config Templates", "Mine", "Bass and Lead,1,2,17,18,18,18,0,1,1,1,1,1,1,0,0,0,0,0"));
  TestVornell plug;
  ASSERT_EQ(plug.config.configTemplates.size(), 10u);

  plug.OpenEditor();
  plug.TakePanelDirty();
  plug.Commands().ApplyConfigTemplate(5);  // "Multi Poly"
  EXPECT_EQ(plug.StatusText(), "Configuration applied.");
  EXPECT_EQ(plug.StatusColour(), kStatusGreen);
  EXPECT_TRUE(plug.TakePanelDirty());
  for (int t = 0; t < 6; ++t) {
    EXPECT_EQ(plug.IntParam(TrackParamIndex(t, kTrackChannel)), t);
    EXPECT_EQ(plug.IntParam(TrackParamIndex(t, kTrackMode)), 1);
    EXPECT_EQ(plug.IntParam(TrackParamIndex(t, kTrackCycle)), 0);
    EXPECT_EQ(plug.GetEngine().GetTrack(t).channel, t);
  }
  EXPECT_EQ(plug.Commands().MatchingConfigTemplate(), 5);
  EXPECT_EQ(plug.Commands().MatchingConfigTemplateName(), "Multi Poly");

  plug.Commands().ApplyConfigTemplate(9);
  EXPECT_EQ(plug.Commands().MatchingConfigTemplateName(), "Bass and Lead");
  EXPECT_EQ(plug.GetEngine().GetTrack(2).channel, kChannelAll);
  EXPECT_EQ(plug.GetEngine().GetTrack(3).channel, kChannelNone);
  EXPECT_EQ(plug.IntParam(TrackParamIndex(0, kTrackCycle)), 1);

  plug.SetPlain(TrackParamIndex(0, kTrackTranspose), 3);  // not part of a template
  plug.SetPlain(TrackParamIndex(1, kTrackChannel), 9);
  EXPECT_EQ(plug.Commands().MatchingConfigTemplate(), 11);
  EXPECT_EQ(plug.Commands().MatchingConfigTemplateName(), "User Configuration");
  plug.Commands().ApplyConfigTemplate(10);  // beyond the list: nothing
  EXPECT_EQ(plug.IntParam(TrackParamIndex(1, kTrackChannel)), 9);
}

// Plays one note for a while and returns the loudness of the sum.
double PlayedLevel(TestVornell& plug) {
  PrepareAudio(plug);
  for (int t = 0; t < 6; ++t) SetTrackChannel(plug, t, t == 0 ? 0 : kChannelNone);
  SteadySound(plug, 0);
  plug.SetPlain(CutoffIndex(0), 255);
  SendNote(plug, 0, 60, 100);
  Rendering out;
  Render(plug, 4800, out);
  return out.Rms(0, 2400);
}

TEST_F(ConfiguredInstrument, AnUnwritableConfigurationFolderLeavesTheDefaultsAndThePluginPlays) {
  // A plain file where the folder would have to be made: not even root can.
  WriteFileText(home / "blocked", "");
  {
    ScopedEnvironment blocked("XDG_CONFIG_HOME", home / "blocked/config");
    TestVornell plug;
    EXPECT_TRUE(plug.MidiThru());
    EXPECT_TRUE(plug.IgnoreProgramChange());
    EXPECT_EQ(plug.config.configTemplates.size(), 9u);
    EXPECT_FALSE(plug.Commands().ToggleConfigSetting(ConfigSetting::MidiThru))
        << "the setting changes for this instance";
    plug.Commands().SaveConfiguration();
    EXPECT_GT(PlayedLevel(plug), 0.01);
  }

  // A read-only folder holding a read-only file: its settings are read.
  CreateFolders(home / "ro/KestruneMusic");
  WriteFileText(home / "ro/KestruneMusic/vornell.ini", "[MIDI Global]\nMIDI Thru=false\n");
  chmod((home / "ro/KestruneMusic/vornell.ini").c_str(), 0444);
  chmod((home / "ro/KestruneMusic").c_str(), 0555);
  chmod((home / "ro").c_str(), 0555);
  {
    ScopedEnvironment readOnly("XDG_CONFIG_HOME", home / "ro");
    TestVornell plug;
    EXPECT_FALSE(plug.MidiThru());
    plug.Commands().ToggleConfigSetting(ConfigSetting::IgnoreProgramChange);
    EXPECT_GT(PlayedLevel(plug), 0.01);
    if (geteuid() != 0) {
      EXPECT_EQ(ReadFileText(home / "ro/KestruneMusic/vornell.ini"), "[MIDI Global]\nMIDI Thru=false\n");
    }
  }
}

// Every parameter's texts for a few values, and what typing each text back sets.
struct ParameterTexts {
  std::vector<std::string> texts;
  std::vector<double> typedValues;
};

ParameterTexts CollectParameterTexts(const std::vector<std::string>& typed) {
  ParameterTexts result;
  TestVornell plug;
  AEffect* effect = plug.GetAEffect();
  for (int index = 0; index < kNumParams; ++index) {
    const PlugParam* param = plug.GetParam(index);
    for (double fraction : {0.0, 0.3, 0.5, 0.77, 1.0}) result.texts.push_back(param->DisplayText(fraction, true));
    char shown[256] = {};
    effect->dispatcher(effect, effGetParamDisplay, index, 0, shown, 0.0f);
    result.texts.push_back(shown);
  }
  for (int index = 0; index < kNumParams; ++index) {
    const std::string& text =
        typed.empty() ? result.texts[static_cast<size_t>(index) * 6 + 2] : typed[static_cast<size_t>(index)];
    char buffer[256] = {};
    text.copy(buffer, sizeof buffer - 1);
    effect->dispatcher(effect, effString2Parameter, index, 0, buffer, 0.0f);
    result.typedValues.push_back(plug.Value(index));
  }
  return result;
}

TEST_F(ConfiguredInstrument, ParameterTextsAndTypedValuesDoNotDependOnTheProcessLocale) {
  const ParameterTexts plain = CollectParameterTexts({});
  std::vector<std::string> typed;
  for (int index = 0; index < kNumParams; ++index) typed.push_back(plain.texts[static_cast<size_t>(index) * 6 + 2]);
  // Decimal texts must really be there for the comparison to mean something.
  int decimals = 0;
  for (const std::string& text : plain.texts) decimals += text.find('.') != std::string::npos;
  ASSERT_GT(decimals, 10);

  GermanLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "no decimal-comma locale could be made on this system";
  const ParameterTexts german = CollectParameterTexts(typed);
  EXPECT_EQ(german.texts, plain.texts);
  ASSERT_EQ(german.typedValues.size(), plain.typedValues.size());
  for (size_t i = 0; i < plain.typedValues.size(); ++i)
    EXPECT_EQ(german.typedValues[i], plain.typedValues[i]) << "parameter " << i << " typed as " << typed[i];
}

}  // namespace
