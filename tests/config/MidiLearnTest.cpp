#include <gtest/gtest.h>

#include "config/Configuration.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr int32_t kFilterCutoffTrack1 = 81 + 19;
constexpr int32_t kMasterVolume = 3;

class MidiLearn : public ::testing::Test {
 protected:
  TempFolder folder;
  Configuration config{folder.Path(), folder.Path()};
};

}  // namespace

TEST_F(MidiLearn, ParameterThenControllerMapsAndUnmapsOtherControllersOfThatParameter) {
  config.ccMap[5] = kFilterCutoffTrack1;
  config.ccMap[6] = kFilterCutoffTrack1;
  config.ccMap[7] = kMasterVolume;
  config.ArmMidiLearn(true, false);
  EXPECT_EQ(config.CaptureLearnParam(kFilterCutoffTrack1), LearnCapture::Captured);
  EXPECT_TRUE(config.learnArmed);
  EXPECT_EQ(config.CaptureLearnController(20), LearnCapture::Completed);
  EXPECT_FALSE(config.learnArmed);
  EXPECT_EQ(config.ccMap[20], kFilterCutoffTrack1);
  EXPECT_EQ(config.ccMap[5], -1);
  EXPECT_EQ(config.ccMap[6], -1);
  EXPECT_EQ(config.ccMap[7], kMasterVolume);
  EXPECT_EQ(config.ParameterForController(20), kFilterCutoffTrack1);
  // Learning is over: further captures are not taken.
  EXPECT_EQ(config.CaptureLearnController(21), LearnCapture::NotCaptured);
  EXPECT_EQ(config.CaptureLearnParam(kMasterVolume), LearnCapture::NotCaptured);
  EXPECT_EQ(config.ccMap[21], -1);
}

TEST_F(MidiLearn, ControllerThenParameterWorksTooAndTheLastParameterCounts) {
  config.ArmMidiLearn(true, false);
  EXPECT_EQ(config.CaptureLearnController(30), LearnCapture::Captured);
  EXPECT_TRUE(config.learnArmed);
  EXPECT_EQ(config.CaptureLearnParam(kMasterVolume), LearnCapture::Completed);
  EXPECT_EQ(config.ccMap[30], kMasterVolume);

  // Moving two parameters before the controller maps the later one.
  config.ArmMidiLearn(true, false);
  // A controller captured before arming again does not carry over.
  EXPECT_EQ(config.learnController, -1);
  EXPECT_EQ(config.CaptureLearnParam(50), LearnCapture::Captured);
  EXPECT_EQ(config.CaptureLearnParam(60), LearnCapture::Captured);
  EXPECT_EQ(config.CaptureLearnController(31), LearnCapture::Completed);
  EXPECT_EQ(config.ccMap[31], 60);
  // Re-learning a controller moves it to the new parameter.
  config.ArmMidiLearn(true, false);
  config.CaptureLearnController(31);
  config.CaptureLearnParam(61);
  EXPECT_EQ(config.ccMap[31], 61);
}

TEST_F(MidiLearn, UnlearnByControllerOrByParameter) {
  config.ccMap[20] = kFilterCutoffTrack1;
  config.ccMap[21] = kFilterCutoffTrack1;
  config.ccMap[22] = 90;
  config.ArmMidiLearn(true, true);
  EXPECT_EQ(config.CaptureLearnController(20), LearnCapture::Completed);
  EXPECT_EQ(config.ccMap[20], -1);
  EXPECT_EQ(config.ccMap[21], kFilterCutoffTrack1);
  EXPECT_FALSE(config.learnArmed);

  config.ArmMidiLearn(true, true);
  EXPECT_EQ(config.CaptureLearnParam(kFilterCutoffTrack1), LearnCapture::Completed);
  EXPECT_EQ(config.ccMap[21], -1);
  EXPECT_EQ(config.ccMap[22], 90);
}

TEST_F(MidiLearn, NumbersOutOfRangeAndDisarmingAreNotCaptured) {
  config.ArmMidiLearn(true, false);
  EXPECT_EQ(config.CaptureLearnController(120), LearnCapture::NotCaptured);
  EXPECT_EQ(config.CaptureLearnController(-1), LearnCapture::NotCaptured);
  EXPECT_EQ(config.CaptureLearnParam(303), LearnCapture::NotCaptured);
  EXPECT_EQ(config.CaptureLearnParam(-2), LearnCapture::NotCaptured);
  // The modulation wheel and the sustain pedal keep their own jobs: mapped, they would drive nothing.
  for (bool removes : {false, true}) {
    config.ArmMidiLearn(true, removes);
    for (int32_t c : {1, 64}) EXPECT_EQ(config.CaptureLearnController(c), LearnCapture::NotCaptured) << c;
  }
  config.ArmMidiLearn(true, false);
  EXPECT_TRUE(config.learnArmed);
  EXPECT_EQ(config.CaptureLearnParam(302), LearnCapture::Captured);
  config.DisarmMidiLearn();
  EXPECT_EQ(config.CaptureLearnController(10), LearnCapture::NotCaptured);
  EXPECT_EQ(config.ccMap[10], -1);

  // The switch turned off is not armed either.
  config.ArmMidiLearn(false, false);
  EXPECT_EQ(config.CaptureLearnParam(5), LearnCapture::NotCaptured);
  EXPECT_FALSE(config.CompleteMidiLearn());
}

TEST_F(MidiLearn, CaptureValuesSetFromOutsideCannotIndexBeyondTheMap) {
  config.ArmMidiLearn(true, false);
  config.learnController = 500;
  config.learnParam = 10;
  EXPECT_FALSE(config.CompleteMidiLearn());
  EXPECT_TRUE(config.learnArmed);
  for (int32_t c = 0; c < Configuration::kControllerCount; ++c) EXPECT_EQ(config.ccMap[static_cast<size_t>(c)], -1);
}

TEST_F(MidiLearn, LearningDoesNotWriteTheFile) {
  config.ArmMidiLearn(true, false);
  config.CaptureLearnParam(kMasterVolume);
  config.CaptureLearnController(12);
  EXPECT_EQ(ReadFileText(config.iniPath), "");
  ASSERT_TRUE(config.WriteConfiguration(ConfigSetting::All));
  const Configuration other(folder.Path(), folder.Path());
  EXPECT_EQ(other.ccMap[12], kMasterVolume);
}

TEST_F(MidiLearn, ControllerLookupAtTheControlTick) {
  config.ccMap[7] = 44;
  config.ccMap[8] = 400;  // not a parameter: ignored even if set from outside
  EXPECT_EQ(config.ParameterForController(7), 44);
  EXPECT_EQ(config.ParameterForController(8), -1);
  EXPECT_EQ(config.ParameterForController(21), -1);
  EXPECT_EQ(config.ParameterForController(120), -1);
  EXPECT_EQ(config.ParameterForController(-3), -1);

  config.receiveParamCCs = true;
  // Unmapped controllers drive voice parameter c - 2 of the track: index c + 79.
  EXPECT_EQ(config.ParameterForController(21), 100);
  EXPECT_EQ((config.ParameterForController(21) - 81) % 37, 19);
  EXPECT_EQ(config.ParameterForController(2), 81);
  EXPECT_EQ(config.ParameterForController(119), 198);
  EXPECT_EQ(config.ParameterForController(0), -1);
  EXPECT_EQ(config.ParameterForController(1), -1);
  // A mapping wins over the automatic one.
  EXPECT_EQ(config.ParameterForController(7), 44);
  config.ccMap[1] = 5;
  EXPECT_EQ(config.ParameterForController(1), 5);
}

TEST_F(MidiLearn, MappingsFromTheFileDriveTheirParameter) {
  IniFile(config.iniPath).Update([](IniDocument& document) {
    document.SetString("MIDI Control", "CC7", "44");
    document.SetString("MIDI Control", "cc8", "abc");
    return true;
  });
  config.ReadConfiguration();
  EXPECT_EQ(config.ParameterForController(7), 44);
  EXPECT_EQ(config.ParameterForController(8), -1);
}

TEST_F(MidiLearn, ChangesOfTheControllerSettingsAreCounted) {
  uint32_t version = config.ControllerSettingsVersion();
  config.ArmMidiLearn(true, false);
  config.CaptureLearnParam(10);
  EXPECT_EQ(config.ControllerSettingsVersion(), version);  // nothing mapped yet
  config.CaptureLearnController(11);
  EXPECT_NE(config.ControllerSettingsVersion(), version);
  version = config.ControllerSettingsVersion();
  config.ToggleSetting(ConfigSetting::MidiThru);
  EXPECT_EQ(config.ControllerSettingsVersion(), version);
  config.ToggleSetting(ConfigSetting::ReceiveParamCCs);
  EXPECT_NE(config.ControllerSettingsVersion(), version);
  version = config.ControllerSettingsVersion();
  config.ReadConfiguration();
  EXPECT_NE(config.ControllerSettingsVersion(), version);
}
