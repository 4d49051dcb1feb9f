#include <gtest/gtest.h>

#include <memory>

#include "tests/instrument/InstrumentTestSupport.h"

namespace {

TEST(VornellConstruction, DefaultInstanceIsAudibleOnChannelOne) {
  auto plug = std::make_unique<TestVornell>();
  PrepareAudio(*plug);
  Rendering silence;
  Render(*plug, 4800, silence);
  EXPECT_EQ(silence.Peak(0), 0.0);

  SendNote(*plug, 0, 60, 100);
  Rendering held;
  Render(*plug, 24000, held);
  EXPECT_GT(held.Rms(0, 4800), 0.005);
  EXPECT_GT(held.Rms(1, 4800), 0.005);

  SendNote(*plug, 0, 60, 0);
  Rendering released;
  Render(*plug, 96000, released);
  // After the release the track falls silent again.
  Rendering after;
  Render(*plug, 4800, after);
  EXPECT_LT(after.Rms(0), held.Rms(0, 4800) * 0.01);
}

TEST(VornellConstruction, ConstructionTellsNobodyAndEndsWithStateLoadingClear) {
  TestVornell plug;
  EXPECT_FALSE(plug.stateLoading);
  EXPECT_FALSE(plug.Programs().LinkSuspended());
  for (int count : plug.hostNotified) EXPECT_EQ(count, 0);
  // Every preset slot is filled.
  for (int i = 0; i < plug.NumPresets(); ++i) EXPECT_TRUE(plug.GetPreset(i)->initialized) << i;
}

TEST(VornellConstruction, TracksStartWithFactoryProgramZeroUnmodified) {
  TestVornell plug;
  const Program& program = plug.Library().programs[0];
  EXPECT_FALSE(program.name.empty());
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    EXPECT_EQ(plug.Programs().TrackProgramNumber(t), 0);
    EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, program.name);
    for (int k = 0; k < kVoiceParamCount; ++k)
      EXPECT_EQ(plug.IntParam(VoiceParamIndex(t, k)), program.values[k]) << t << " " << k;
    plug.Programs().UpdateProgramModified(t);
    EXPECT_FALSE(plug.GetEngine().GetTrack(t).programModified);
    // The engine holds the program, not the parameter defaults.
    EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(t, kVoiceFilterCutoff),
                     (program.values[kVoiceFilterCutoff] & 0xfe) / 255.0 * 88.0 * 128.0);
  }
}

TEST(VornellConstruction, EveryParameterIsReachableAndClamped) {
  TestVornell plug;
  PrepareAudio(plug);
  ASSERT_EQ(plug.NumParams(), 303);
  for (int i = 0; i < 303; ++i) {
    const PlugParam* param = plug.GetParam(i);
    ASSERT_NE(param, nullptr);
    plug.SetParameterFromEngine(i, 1e9);
    EXPECT_EQ(plug.Value(i), param->Max()) << i;
    plug.SetParameterFromEngine(i, -1e9);
    EXPECT_EQ(plug.Value(i), param->Min()) << i;
    plug.SetParamFromEditor(i, 7.0);
    EXPECT_EQ(plug.Value(i), param->Max()) << i;
    plug.SetParamFromEditor(i, -3.0);
    EXPECT_EQ(plug.Value(i), param->Min()) << i;
  }
  EXPECT_EQ(plug.GetParam(303), nullptr);
  plug.OnParamChanged(303);
  plug.OnParamChanged(-1);
  plug.SetParamFromEditor(303, 0.5);
  plug.SetParameterFromEngine(-5, 1.0);
  // Still renders after every parameter went through both extremes.
  Rendering out;
  Render(plug, 2048, out);
  for (double s : out.channels[0]) ASSERT_TRUE(std::isfinite(s));
}

TEST(VornellConstruction, MidiThruEchoesInputAndProgramChangeIsIgnoredByDefault) {
  TestVornell plug;
  PrepareAudio(plug);
  SendNote(plug, 3, 64, 90, 17);
  ASSERT_EQ(plug.echoed.size(), 1u);
  EXPECT_EQ(plug.echoed[0].status, 0x93);
  EXPECT_EQ(plug.echoed[0].data1, 64);
  EXPECT_EQ(plug.echoed[0].offset, 17);

  plug.midiThru = false;
  SendNote(plug, 3, 64, 0);
  EXPECT_EQ(plug.echoed.size(), 1u);

  MidiMessage change;
  change.status = 0xC0;
  change.data1 = 5;
  plug.OnMidiMessage(change);
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);
  plug.ignoreProgramChange = false;
  plug.OnMidiMessage(change);
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 5);
}

TEST(VornellConstruction, ApplyAllParamsKeepsDifferentSoundsOfLinkedTracks) {
  TestVornell plug;
  ASSERT_GE(plug.Value(kParamLinkPrograms), 0.5);
  plug.Programs().SetLinkSuspended(true);  // as a state read would
  plug.Programs().LoadProgramIntoTrack(2, 7);
  plug.Programs().SetLinkSuspended(false);
  plug.ApplyAllParams();
  for (int k = 0; k < kVoiceParamCount; ++k) {
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(2, k)), plug.Library().programs[7].values[k]) << k;
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(1, k)), plug.Library().programs[0].values[k]) << k;
  }
}

TEST(VornellConstruction, ApplyAllParamsAndPresetsKeepEditedVoiceValues) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Programs().SelectTrackProgram(1, 14);
  plug.SetPlain(VoiceParamIndex(1, kVoiceFilterCutoff), 40);
  plug.ModifyCurrentPreset();
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.ApplyAllParams();
  EXPECT_EQ(plug.Value(VoiceParamIndex(1, kVoiceFilterCutoff)), 40.0);
  EXPECT_EQ(plug.Programs().TrackProgramNumber(1), 14);

  plug.SetPlain(VoiceParamIndex(1, kVoiceFilterCutoff), 200);
  plug.SetPlain(VoiceParamIndex(4, kVoiceGlideRate), 200);
  plug.ClearNotifications();
  ASSERT_TRUE(plug.SelectPreset(0));
  EXPECT_EQ(plug.Value(VoiceParamIndex(1, kVoiceFilterCutoff)), 40.0);
  EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(1, kVoiceFilterCutoff), 40.0 / 255.0 * 88.0 * 128.0);
  EXPECT_EQ(plug.Value(VoiceParamIndex(4, kVoiceGlideRate)), plug.Library().programs[0].values[kVoiceGlideRate]);
  EXPECT_EQ(plug.Value(ProgramParamIndex(kProgramSetTrack, 1)), 14.0);
  EXPECT_FALSE(plug.stateLoading);
  EXPECT_FALSE(plug.Programs().LinkSuspended());
  for (int count : plug.hostNotified) EXPECT_EQ(count, 0);
}

TEST(VornellConstruction, OpeningPassTellsTheHostNothingNew) {
  TestVornell plug;
  // The low-resolution displays are attached from the start.
  plug.SetPlain(VoiceParamIndex(0, kVoiceFilterCutoff), 255);
  EXPECT_EQ(plug.GetParam(VoiceParamIndex(0, kVoiceFilterCutoff))->CurrentDisplayText(), "127");
  plug.ClearNotifications();
  plug.ApplyAllParams();
  for (int count : plug.hostNotified) EXPECT_EQ(count, 0);
}

TEST(VornellConstruction, PushParamsToHostReportsEveryParameterOnce) {
  TestVornell plug;
  plug.PushParamsToHost();
  for (int i = 0; i < 303; ++i) EXPECT_EQ(plug.hostNotified[static_cast<size_t>(i)], 1) << i;
}

}  // namespace
