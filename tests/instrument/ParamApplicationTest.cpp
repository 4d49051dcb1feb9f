#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "plugin/VstAbi.h"
#include "tests/instrument/InstrumentTestSupport.h"

namespace {

constexpr double kSteps = 128.0;

// Track 0 alone on MIDI channel 1, track 1 alone on channel 2, the others off.
void TwoTrackLayout(TestVornell& plug) {
  for (int t = 0; t < 6; ++t) SetTrackChannel(plug, t, t < 2 ? t : kChannelNone);
}

int CutoffIndex(int t) {
  return VoiceParamIndex(t, kVoiceFilterCutoff);
}

TEST(ParamApplication, CalvaraResolutionMasksFilterCutoff) {
  TestVornell plug;
  ASSERT_EQ(plug.IntParam(kParamResolution), kResolutionCalvara);
  plug.SetPlain(CutoffIndex(0), 255);
  EXPECT_EQ(plug.Value(CutoffIndex(0)), 255.0);  // the record keeps what was set
  EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(0, kVoiceFilterCutoff), 254.0 / 255.0 * 88.0 * kSteps);

  plug.SetPlain(kParamResolution, kResolutionExtended);
  EXPECT_TRUE(plug.ExtendedResolution());
  plug.SetPlain(CutoffIndex(0), 255);
  EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(0, kVoiceFilterCutoff), 88.0 * kSteps);
}

TEST(ParamApplication, SwitchingToCalvaraClearsLowBitsOfEveryTrack) {
  TestVornell plug;
  plug.OpenEditor();
  plug.SetPlain(kParamResolution, kResolutionExtended);
  EXPECT_EQ(plug.StatusText(), "Extended Param. Resolution");
  plug.SetPlain(VoiceParamIndex(0, kVoiceFineFrequency), 13);
  for (int t = 0; t < 6; ++t) EXPECT_EQ(plug.Value(VoiceParamIndex(t, kVoiceFineFrequency)), 13.0) << t;
  EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(3, kVoiceFineFrequency), 13.0 / 255.0 * kSteps);

  plug.SetPlain(kParamResolution, kResolutionCalvara);
  EXPECT_FALSE(plug.ExtendedResolution());
  EXPECT_EQ(plug.StatusText(), "Low Param. Resolution");
  for (int t = 0; t < 6; ++t) {
    EXPECT_EQ(plug.Value(VoiceParamIndex(t, kVoiceFineFrequency)), 8.0) << t;
    EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(t, kVoiceFineFrequency), 8.0 / 255.0 * kSteps);
  }
  // Switching back does not bring the low bits back.
  plug.SetPlain(kParamResolution, kResolutionExtended);
  EXPECT_EQ(plug.Value(VoiceParamIndex(0, kVoiceFineFrequency)), 8.0);
}

TEST(ParamApplication, SwitchingResolutionWithLinkOnKeepsEachTracksOwnSound) {
  TestVornell plug;
  plug.SetPlain(kParamResolution, kResolutionExtended);
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.Programs().LoadProgramIntoTrack(2, 7);
  plug.SetPlain(kParamResolution, kResolutionCalvara);
  for (int k = 0; k < kVoiceParamCount; ++k) {
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(2, k)), MaskVoiceValue(k, plug.Library().programs[7].values[k])) << k;
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(1, k)), MaskVoiceValue(k, plug.Library().programs[0].values[k])) << k;
  }
}

TEST(ParamApplication, VoiceEditReachesOnlyTheSoundingVoicesOfItsTrack) {
  auto changed = std::make_unique<TestVornell>();
  auto reference = std::make_unique<TestVornell>();
  for (TestVornell* plug : {changed.get(), reference.get()}) {
    plug->SetPlain(kParamLinkPrograms, 0);
    TwoTrackLayout(*plug);
    PrepareAudio(*plug);
    SendNote(*plug, 0, 57, 100);
    SendNote(*plug, 1, 64, 100);
  }
  Rendering before[2];
  Render(*changed, 4800, before[0]);
  Render(*reference, 4800, before[1]);
  EXPECT_EQ(before[0].MaxDifference(before[1], 2), 0.0);

  const double oldCutoff = changed->GetEngine().TrackVoiceParam(1, kVoiceFilterCutoff);
  changed->SetPlain(CutoffIndex(0), 32);
  const double newCutoff = 32.0 / 255.0 * 88.0 * kSteps;
  int voicesOfTrack0 = 0;
  for (int v = 0; v < Engine::kVoiceCount; ++v) {
    const Voice& voice = changed->GetEngine().GetVoice(v);
    if (!voice.active) continue;
    if (voice.track == 0) {
      ++voicesOfTrack0;
      EXPECT_DOUBLE_EQ(voice.cutoff, newCutoff);
    } else {
      EXPECT_DOUBLE_EQ(voice.cutoff, oldCutoff);
    }
  }
  EXPECT_GT(voicesOfTrack0, 0);

  Rendering after[2];
  Render(*changed, 9600, after[0]);
  Render(*reference, 9600, after[1]);
  // Track 1's pair is untouched, track 0's pair sounds different.
  EXPECT_EQ(after[0].MaxDifference(after[1], 4), 0.0);
  EXPECT_EQ(after[0].MaxDifference(after[1], 5), 0.0);
  EXPECT_GT(after[0].MaxDifference(after[1], 2), 1e-3);
  EXPECT_LT(after[0].Rms(2, 4800), after[1].Rms(2, 4800));  // a lower cutoff is darker and quieter
}

TEST(ParamApplication, LinkedEditCopiesToEveryFreeTrackOnceAndTellsTheHost) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.ClearNotifications();
  const int resonance0 = VoiceParamIndex(0, kVoiceFilterResonance);
  plug.SetPlain(resonance0, 200);
  for (int t = 0; t < 6; ++t) {
    const int index = VoiceParamIndex(t, kVoiceFilterResonance);
    EXPECT_EQ(plug.Value(index), 200.0) << t;
    EXPECT_EQ(plug.hostNotified[static_cast<size_t>(index)], 1) << t;
    EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(t, kVoiceFilterResonance), 1.0);
  }
  EXPECT_FALSE(plug.Programs().LinkInProgress());

  // A value that only differs in masked bits is no difference to copy.
  plug.ClearNotifications();
  plug.SetPlain(resonance0, 201);
  for (int t = 1; t < 6; ++t) {
    EXPECT_EQ(plug.Value(VoiceParamIndex(t, kVoiceFilterResonance)), 200.0) << t;
    EXPECT_EQ(plug.hostNotified[static_cast<size_t>(VoiceParamIndex(t, kVoiceFilterResonance))], 0);
  }
}

TEST(ParamApplication, LinkedEditOfAnArmedTrackReachesOnlyArmedTracks) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.GetEngine().GetTrack(0).armed = true;
  plug.GetEngine().GetTrack(2).armed = true;
  plug.GetEngine().GetTrack(4).sequenceDriven = true;
  const double before = plug.Value(VoiceParamIndex(1, kVoiceGlideRate));
  plug.SetPlain(VoiceParamIndex(0, kVoiceGlideRate), 96);
  EXPECT_EQ(plug.Value(VoiceParamIndex(2, kVoiceGlideRate)), 96.0);
  for (int t : {1, 3, 4, 5}) EXPECT_EQ(plug.Value(VoiceParamIndex(t, kVoiceGlideRate)), before) << t;

  // A free track's edit reaches the other free tracks, not the armed or sequence-driven ones.
  plug.SetPlain(VoiceParamIndex(1, kVoiceGlideRate), 48);
  EXPECT_EQ(plug.Value(VoiceParamIndex(3, kVoiceGlideRate)), 48.0);
  EXPECT_EQ(plug.Value(VoiceParamIndex(5, kVoiceGlideRate)), 48.0);
  EXPECT_EQ(plug.Value(VoiceParamIndex(0, kVoiceGlideRate)), 96.0);
  EXPECT_EQ(plug.Value(VoiceParamIndex(4, kVoiceGlideRate)), before);

  plug.SetPlain(kParamLinkPrograms, 0);
  plug.SetPlain(VoiceParamIndex(1, kVoiceGlideRate), 16);
  EXPECT_EQ(plug.Value(VoiceParamIndex(3, kVoiceGlideRate)), 48.0);
}

TEST(ParamApplication, PanZeroPutsTheTrackOnlyOnTheLeftOfItsPairAndOfTheSum) {
  TestVornell plug;
  TwoTrackLayout(plug);
  plug.SetPlain(TrackParamIndex(0, kTrackPanorama), 0.0);
  PrepareAudio(plug);
  SendNote(plug, 0, 60, 110);
  Rendering out;
  Render(plug, 9600, out);
  EXPECT_GT(out.Rms(0), 0.005);
  EXPECT_GT(out.Rms(2), 0.005);
  EXPECT_EQ(out.Peak(1), 0.0);
  EXPECT_EQ(out.Peak(3), 0.0);
  for (int c = 4; c < 14; ++c) EXPECT_EQ(out.Peak(c), 0.0) << c;
  // The sum carries exactly the track.
  for (size_t i = 0; i < out.channels[0].size(); ++i) ASSERT_DOUBLE_EQ(out.channels[0][i], out.channels[2][i]);
}

TEST(ParamApplication, VolumeAndPanGiveEqualPowerGains) {
  TestVornell plug;
  const Track& track = plug.GetEngine().GetTrack(3);
  EXPECT_DOUBLE_EQ(track.gainLeft, std::sqrt(0.5));
  EXPECT_DOUBLE_EQ(track.gainRight, std::sqrt(0.5));
  plug.SetPlain(TrackParamIndex(3, kTrackVolume), 2.0);
  EXPECT_DOUBLE_EQ(track.gainLeft, 2.0 * std::sqrt(0.5));
  plug.SetPlain(TrackParamIndex(3, kTrackPanorama), 0.25);
  EXPECT_DOUBLE_EQ(track.gainLeft, 2.0 * std::sqrt(0.75));
  EXPECT_DOUBLE_EQ(track.gainRight, 2.0 * std::sqrt(0.25));
  EXPECT_DOUBLE_EQ(plug.GetEngine().GetTrack(2).gainRight, std::sqrt(0.5));
}

bool TrackHoldsKeys(const Vornell& plug, int t) {
  for (int v = 0; v < Engine::kVoiceCount; ++v) {
    const Voice& voice = plug.GetEngine().GetVoice(v);
    if (voice.active && voice.track == t && voice.keyHeld) return true;
  }
  return false;
}

TEST(ParamApplication, TrackModeAndCycleReleaseTheTracksVoicesEvenWhenUnchanged) {
  for (int slot : {kTrackMode, kTrackCycle}) {
    TestVornell plug;
    TwoTrackLayout(plug);
    PrepareAudio(plug);
    SendNote(plug, 0, 60, 100);
    SendNote(plug, 1, 67, 100);
    Rendering start;
    Render(plug, 2400, start);
    ASSERT_TRUE(TrackHoldsKeys(plug, 0));
    ASSERT_TRUE(TrackHoldsKeys(plug, 1));
    plug.SetPlain(TrackParamIndex(0, slot), plug.Value(TrackParamIndex(0, slot)));
    EXPECT_FALSE(TrackHoldsKeys(plug, 0)) << slot;
    EXPECT_TRUE(TrackHoldsKeys(plug, 1)) << slot;
    // Released, not cut: the first samples afterwards still sound.
    Rendering after;
    Render(plug, 256, after);
    EXPECT_GT(after.Peak(2), 0.0) << slot;
  }
}

TEST(ParamApplication, ModeStartsSequencerOrArpeggiatorAndSilencesAtOnce) {
  TestVornell plug;
  plug.OpenEditor();
  PrepareAudio(plug);
  SendNote(plug, 0, 60, 100);
  Rendering sounding;
  Render(plug, 2400, sounding);
  ASSERT_GT(sounding.Rms(0, 1200), 0.0);

  // Seq B holds a note, so that the Mode can be entered.
  SequenceEvent event{96, 0x91, 60, 100};  // later than the block heard below
  plug.Sequencing().SeqB().AddEvent(event);
  plug.Sequencing().SeqB().length = 192;
  plug.SetPlain(kParamMode, kModeSequenceB);
  EXPECT_EQ(plug.GetEngine().Mode(), kModeSequenceB);
  EXPECT_EQ(plug.StatusText(), "Sequencer started...");
  EXPECT_EQ(plug.StatusColour(), kStatusGreen);
  EXPECT_TRUE(plug.TakePanelDirty());
  Rendering silent;
  Render(plug, 512, silent);
  EXPECT_EQ(silent.Peak(0), 0.0);

  plug.SetPlain(kParamMode, kModeNormal);
  plug.SetPlain(kParamMode, kModeArpAssign);
  EXPECT_EQ(plug.GetEngine().Mode(), kModeArpAssign);
  EXPECT_EQ(plug.StatusText(), "Arpeggiator started...");
  plug.SetPlain(kParamMode, kModeNormal);
  EXPECT_EQ(plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(plug.StatusText(), "Mode: Normal");

  // While recording, the sequencer modes restart the recording instead.
  plug.GetEngine().SetRecording(true);
  plug.SetPlain(kParamMode, kModeSequenceA);
  EXPECT_EQ(plug.StatusText(), "Waiting for first note...");
  EXPECT_EQ(plug.GetEngine().Mode(), kModeSequenceA);
  EXPECT_TRUE(plug.GetEngine().GetTrack(0).armed);
}

TEST(ParamApplication, GlobalAndTrackValuesInEngineUnits) {
  TestVornell plug;
  plug.SetPlain(kParamMasterTune, -0.5);
  EXPECT_DOUBLE_EQ(plug.GetEngine().MasterTune(), -64.0);
  plug.SetPlain(kParamPitchBend, -12);
  EXPECT_DOUBLE_EQ(plug.GetEngine().BendRange(), -1536.0);
  plug.SetPlain(kParamMasterVolume, 1.0);
  EXPECT_DOUBLE_EQ(plug.GetEngine().MasterGain(), 0.5);
  plug.SetPlain(kParamWheelToLfo, 0.25);
  for (int t = 0; t < 6; ++t) EXPECT_DOUBLE_EQ(plug.GetEngine().GetTrack(t).lfo.wheelAmount, 0.25);

  plug.SetPlain(TrackParamIndex(4, kTrackTune), 0.5);
  EXPECT_DOUBLE_EQ(plug.GetEngine().GetTrack(4).tune, 64.0);
  plug.SetPlain(TrackParamIndex(4, kTrackTranspose), -7);
  EXPECT_EQ(plug.GetEngine().GetTrack(4).transpose, -7);
  plug.SetPlain(TrackParamIndex(4, kTrackMode), Track::kLegato);
  EXPECT_EQ(plug.GetEngine().GetTrack(4).trackMode, Track::kLegato);
  plug.SetPlain(TrackParamIndex(4, kTrackCycle), 0);
  EXPECT_FALSE(plug.GetEngine().GetTrack(4).cycle);

  plug.SetPlain(TrackParamIndex(4, kTrackChannel), 9);
  EXPECT_EQ(plug.GetEngine().GetTrack(4).channel, 9);
  bool listens = false;
  for (int i = 0; i < plug.GetEngine().ChannelTrackCount(9); ++i) listens |= plug.GetEngine().ChannelTrack(9, i) == 4;
  EXPECT_TRUE(listens);
  for (int i = 0; i < plug.GetEngine().ChannelTrackCount(0); ++i) EXPECT_NE(plug.GetEngine().ChannelTrack(0, i), 4);

  plug.SetPlain(kParamSpeed, 90);
  EXPECT_DOUBLE_EQ(plug.Sequencing().Speed(), 90.0);
  plug.SetPlain(kParamSyncToHost, 1);
  EXPECT_TRUE(plug.Sequencing().SyncToHost());
  plug.SetPlain(kParamSpeed, 120);
  EXPECT_EQ(plug.GetParam(kParamSpeed)->CurrentDisplayText(), "1/4");
  plug.SetPlain(kParamSyncToHost, 0);
  EXPECT_EQ(plug.GetParam(kParamSpeed)->CurrentDisplayText(), "120");
}

TEST(ParamApplication, VoiceValuesInEngineUnits) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  auto x = [&plug](int k) { return plug.GetEngine().TrackVoiceParam(1, k); };
  auto set = [&plug](int k, double v) { plug.SetPlain(VoiceParamIndex(1, k), v); };
  struct Case {
    int k;
    double value;
    double expected;  // engine units, Calvara resolution
  };
  const Case cases[] = {
      {kVoiceCoarseFrequency, 36, 12.0 * kSteps},
      {kVoiceCoarseFrequency, 0, -24.0 * kSteps},
      {kVoiceFilterKeyTrack, 128, 1536.0},
      {kVoiceFilterKeyTrack, 64, 768.0},
      {kVoiceFilterResonance, 255, 1.0},
      {kVoiceFilterResonance, 85, 84.0 / 255.0 * 63.0 / 42.0},
      {kVoiceFilterEnvAmount, 255, 240.0 / 255.0 * 8.0 * 12.0 * kSteps},
      {kVoiceFilterOscModAmount, 255, 252.0 / 255.0 * 31.0 * kSteps},
      {kVoiceAmpEnvRelease, 0x57, 0x50},
      {kVoiceVolume, 255, 240.0 / 255.0},
      {kVoiceAmpVelocity, 77, 77.0 / 255.0},  // never reduced
      {kVoiceOscSawtooth, 0, 0.0},
      {kVoiceOscSawtooth, 1, 1.0},
      {kVoiceMode, 1, 1.0},
  };
  for (const Case& c : cases) {
    set(c.k, c.value);
    EXPECT_DOUBLE_EQ(x(c.k), c.expected) << c.k << " = " << c.value;
  }

  // The LFO settings go to the track's LFO; the stored voice values are -1.
  set(kVoiceLfoFrequency, 203);
  EXPECT_EQ(plug.GetEngine().GetTrack(1).lfo.rateIndex, 203);  // the plain value, not reduced
  set(kVoiceLfoAmount, 255);
  EXPECT_DOUBLE_EQ(plug.GetEngine().GetTrack(1).lfo.amount, 248.0 / 255.0);
  set(kVoiceLfoShape, 1);
  EXPECT_EQ(plug.GetEngine().GetTrack(1).lfo.shape, TrackLfo::kRectangle);
  set(kVoiceLfoShape, 0);
  EXPECT_EQ(plug.GetEngine().GetTrack(1).lfo.shape, TrackLfo::kTriangle);
  for (int k : {kVoiceLfoFrequency, kVoiceLfoAmount, kVoiceLfoShape}) EXPECT_EQ(x(k), -1.0) << k;
  EXPECT_EQ(plug.GetEngine().GetTrack(0).lfo.rateIndex, plug.Library().programs[0].values[kVoiceLfoFrequency]);
}

TEST(ParamApplication, StatusLineAndPanelStateFollowEdits) {
  TestVornell plug;
  plug.SetPlain(kParamPitchBend, 7);
  EXPECT_EQ(plug.StatusText(), "");  // no editor: nothing shown

  plug.OpenEditor();
  plug.SetPlain(kParamPitchBend, 5);
  EXPECT_EQ(plug.StatusText(), "Pitch Bend: 5");
  EXPECT_EQ(plug.StatusColour(), kStatusWhite);
  plug.SetPlain(TrackParamIndex(1, kTrackChannel), kChannelAll);
  EXPECT_EQ(plug.StatusText(), "Track 2 MIDI Channel: All");

  plug.Panel().SetEditTrack(2);
  plug.TakePanelDirty();
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.SetPlain(VoiceParamIndex(2, kVoiceFilterCutoff), 131);
  EXPECT_EQ(plug.Panel().SelectedParam(), kVoiceFilterCutoff);
  EXPECT_EQ(plug.Panel().SelectedParamValue(), 130);
  EXPECT_TRUE(plug.TakePanelDirty());
  EXPECT_EQ(plug.StatusText(), "(3) Filter Cutoff: 65");
  // An edit of another track leaves the edit position alone.
  plug.SetPlain(VoiceParamIndex(4, kVoiceGlideRate), 64);
  EXPECT_EQ(plug.Panel().SelectedParam(), kVoiceFilterCutoff);

  // While a state loads nothing is shown and the panel is left alone.
  plug.stateLoading = true;
  plug.SetParameterFromEngine(kParamPitchBend, 2);
  plug.OnParamChanged(kParamPitchBend);
  plug.OnParamChanged(VoiceParamIndex(2, kVoiceGlideRate));
  plug.stateLoading = false;
  EXPECT_EQ(plug.StatusText(), "(5) Glide Rate: 4");
  EXPECT_EQ(plug.Panel().SelectedParam(), kVoiceFilterCutoff);
  EXPECT_DOUBLE_EQ(plug.GetEngine().BendRange(), 256.0);  // applied all the same

  plug.editor.open = false;
  plug.SetPlain(kParamPitchBend, 3);
  EXPECT_EQ(plug.StatusText(), "(5) Glide Rate: 4");
}

TEST(ParamApplication, MappedControllerDrivesTheParameterOfTheListeningTracks) {
  TestVornell plug;
  TwoTrackLayout(plug);
  plug.SetPlain(kParamLinkPrograms, 0);
  PrepareAudio(plug);
  // The configuration's map reaches the engine at the first block.
  plug.config.ccMap[20] = CutoffIndex(0);
  MidiMessage cc;
  cc.status = 0xB1;  // channel 2: track 1 listens there
  cc.data1 = 20;
  cc.data2 = 127;
  plug.OnMidiMessage(cc);
  Rendering out;
  Render(plug, 512, out);
  EXPECT_EQ(plug.Value(CutoffIndex(1)), 255.0);
  EXPECT_NE(plug.Value(CutoffIndex(0)), 255.0);
  EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(1, kVoiceFilterCutoff), 254.0 / 255.0 * 88.0 * kSteps);

  // A value that the mapped track holds already still reaches a listening track that differs.
  plug.SetPlain(CutoffIndex(0), 0);
  cc.data2 = 0;
  plug.OnMidiMessage(cc);
  Render(plug, 512, out);
  EXPECT_EQ(plug.Value(CutoffIndex(1)), 0.0);
}

// What the host shows for a value, typed back in, gives that value again:
// every parameter, in both resolutions and with "Speed" shown as note values.
TEST(ParamApplication, EveryShownTextTypedBackGivesTheValueAgain) {
  TestVornell plug;
  AEffect* effect = plug.GetAEffect();
  auto shown = [effect](int index) {
    char text[64] = {};
    effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
    return std::string(text);
  };
  for (float resolution : {0.0f, 1.0f}) {
    for (float synced : {0.0f, 1.0f}) {
      effect->setParameter(effect, kParamResolution, resolution);
      effect->setParameter(effect, kParamSyncToHost, synced);
      for (int index = 0; index < kNumParams; ++index) {
        if (index == kParamMode || index == kParamResolution || index == kParamSyncToHost) continue;
        for (float value : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
          effect->setParameter(effect, index, value);
          std::string text = shown(index);
          effect->setParameter(effect, index, value > 0.5f ? 0.0f : 1.0f);
          EXPECT_EQ(effect->dispatcher(effect, effString2Parameter, index, 0, text.data(), 0.0f), 1);
          EXPECT_EQ(shown(index), text) << plug.GetParam(index)->Name() << " typed as " << text;
        }
      }
    }
  }
}

}  // namespace
