// The front panel driven as the panel buttons drive it: presses, releases,
// right-click latches and knob turns, on a real instrument with an open
// (stand-in) editor, checking Mode, programs, parameters, LEDs, the number
// display and the status line.
#include <gtest/gtest.h>

#include "graphics/EditorRecords.h"
#include "performance/PanelIds.h"
#include "tests/performance/SequencerTestSupport.h"

namespace {

using namespace panel_id;

int DigitId(int d) {
  return d == 0 ? kDigit0 : kDigit1 - (d - 1);
}
int TrackButton(int t) {
  return kTrackButton1 - t;
}
int TrackLed(int t) {
  return kTrackLed1 - t;
}

struct Panel : Session {
  // The test sound holds 255 for its switches; stored back from the tracks it
  // no longer counts as modified.
  Panel() { plug.Programs().StoreTrackProgram(0); }
  // A left click: the button is pressed and released.
  bool Click(int id) {
    plug.Panel().SetButtonLatched(id, false);
    const bool pressed = plug.Panel().OnButtonDown(id, false);
    plug.Panel().OnButtonUp(id);
    return pressed;
  }
  // A right click as the panel buttons handle it: a latchable button toggles
  // its latch and its release is only reported when it is not latched.
  bool RightClick(int id) {
    plug.Panel().SetButtonLatched(id, !plug.Panel().ButtonLatched(id));
    const bool pressed = plug.Panel().OnButtonDown(id, true);
    if (!plug.Panel().ButtonLatched(id)) plug.Panel().OnButtonUp(id);
    return pressed;
  }
  bool Digit(int d) { return Click(DigitId(d)); }
  double Normalized(int index) { return plug.GetParam(index)->NormalizedValue(); }
  const std::string& ProgramName(int p) { return plug.Library().programs[static_cast<size_t>(p)].name; }
};

TEST(FrontPanel, TwoDigitsInProgramSelectTheProgramAndTheDisplayFollowsTheTyping) {
  Panel s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 0);
  ASSERT_TRUE(s.Click(kEditTrackUp));
  ASSERT_TRUE(s.Click(kEditTrackUp));
  EXPECT_EQ(s.plug.Panel().EditTrack(), 2);
  ASSERT_NE(s.ProgramName(42), s.ProgramName(0));

  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x00);
  s.Digit(4);
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x140);  // 4 and a blank
  s.Digit(2);
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x42);
  EXPECT_EQ(s.plug.Panel().PendingDigit(), -1);
  EXPECT_EQ(s.plug.IntParam(ProgramParamIndex(kProgramSetTrack, 2)), 42);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(2).programName, s.ProgramName(42));
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(1), 0);  // not linked
  EXPECT_EQ(s.plug.StatusText(), "Version 1.0.1.N");

  // Any other button between the digits drops the first one: 5, SEQ A (empty:
  // its error stays), then 1 2 selects 12, not 51.
  s.Digit(5);
  EXPECT_FALSE(s.plug.Sequencing().SeqA().EventCount());
  s.Click(kSeqA);
  EXPECT_EQ(s.plug.Panel().PendingDigit(), -1);
  EXPECT_EQ(s.plug.StatusText(), "Sequence A: empty.");
  EXPECT_EQ(s.plug.StatusColour(), kStatusOrange);
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
  s.Digit(1);
  s.Digit(2);
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(2), 12);
}

TEST(FrontPanel, ProgramArrowsWrapAndAModifiedProgramIsAskedAbout) {
  Panel s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 0);
  EXPECT_TRUE(s.Click(kProgramDown));
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 99);
  EXPECT_TRUE(s.Click(kProgramUp));
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 0);
  EXPECT_TRUE(s.plug.questions.empty());

  // An edited sound: "no" keeps the program and the button is not drawn pressed.
  s.plug.SetPlain(VoiceParamIndex(0, kVoiceFilterCutoff), 10);
  s.plug.answer = kAnswerNo;
  EXPECT_FALSE(s.Click(kProgramUp));
  ASSERT_EQ(s.plug.questions.size(), 1u);
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 0);
  s.Digit(3);
  EXPECT_FALSE(s.Digit(7));
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 0);
  s.plug.answer = kAnswerYes;
  EXPECT_FALSE(s.Click(kProgramUp));
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 1);

  // Typing the number of the program played over an edited sound goes back
  // to the program, once the question is answered yes.
  const int cutoff = VoiceParamIndex(0, kVoiceFilterCutoff);
  const int stored = s.plug.Library().programs[1].values[kVoiceFilterCutoff];
  s.plug.SetPlain(cutoff, stored ^ 0x80);
  s.plug.answer = kAnswerNo;
  s.Digit(0);
  s.Digit(1);
  EXPECT_EQ(s.plug.Value(cutoff), stored ^ 0x80);
  s.plug.answer = kAnswerYes;
  s.Digit(0);
  EXPECT_FALSE(s.Digit(1));
  EXPECT_EQ(s.plug.Value(cutoff), stored);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(0).programModified);

  // EDIT TRACK stops at 1 and 6.
  s.Click(kEditTrackDown);
  EXPECT_EQ(s.plug.Panel().EditTrack(), 0);
  for (int i = 0; i < 8; ++i) s.Click(kEditTrackUp);
  EXPECT_EQ(s.plug.Panel().EditTrack(), 5);
}

TEST(FrontPanel, ParamAndValueShowTheSelectedVoiceParameterAndTheValueKnobSetsIt) {
  Panel s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 0);
  const int decay = VoiceParamIndex(0, kVoiceOscEnvDecay);
  s.plug.SetPlain(decay, 0xB0);
  s.plug.Panel().SetSelectedParam(0);
  EXPECT_EQ(s.plug.Panel().KnobPosition(kValueKnob), -1.0);  // PROGRAM: the knob stays put

  s.Click(kParam);
  EXPECT_TRUE(s.plug.Panel().LedState(kProgramLed - 1));
  EXPECT_FALSE(s.plug.Panel().LedState(kProgramLed));
  s.Digit(0);
  s.Digit(7);
  EXPECT_EQ(s.plug.Panel().SelectedParam(), kVoiceOscEnvDecay);
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x07);
  s.Click(kValue);
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x11);  // 0xB0 >> 4 = 11
  EXPECT_DOUBLE_EQ(s.plug.Panel().KnobPosition(kValueKnob), s.Normalized(decay));

  // Numbers above 36 select nothing; a digit in VALUE goes back to PARAM.
  s.Digit(4);
  EXPECT_EQ(s.plug.Panel().ControlSelect(), FrontPanel::kControlParam);
  s.Digit(0);
  EXPECT_EQ(s.plug.Panel().SelectedParam(), kVoiceOscEnvDecay);

  s.Click(kValue);
  s.plug.Panel().OnKnob(kValueKnob, 1.0);
  EXPECT_EQ(s.plug.Value(decay), 255.0);
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x15);
  // Any voice edit of the edit track selects what it changed: select again.
  s.plug.SetParameterFromEngine(kParamResolution, kResolutionExtended);
  s.Click(kParam);
  s.Digit(0);
  s.Digit(7);
  s.Click(kValue);
  s.plug.Panel().OnKnob(kValueKnob, 0.5);
  EXPECT_EQ(s.plug.Panel().SelectedParamValue(), static_cast<int>(s.plug.Value(decay)));
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), s.plug.Panel().SelectedParamValue());  // as hexadecimal

  // The knob does nothing in PROGRAM.
  s.Click(kProgram);
  s.plug.Panel().OnKnob(kValueKnob, 0.0);
  EXPECT_NE(s.plug.Value(decay), 0.0);

  // Another edit track shows its own value of the selected parameter.
  s.plug.GetParam(VoiceParamIndex(1, kVoiceOscEnvDecay))->SetValue(0x30);
  s.Click(kEditTrackUp);
  EXPECT_EQ(s.plug.Panel().SelectedParamValue(), 0x30);
}

TEST(FrontPanel, ClickTogglesOrWhileLatchedSetsTheClickLevel) {
  Panel s;
  s.Click(kClick);
  EXPECT_TRUE(s.plug.Sequencing().ClickEnabled());
  EXPECT_TRUE(s.plug.Panel().LedState(kClickLed));
  s.Click(kClick);
  EXPECT_FALSE(s.plug.Sequencing().ClickEnabled());

  s.RightClick(kClick);
  EXPECT_FALSE(s.plug.Sequencing().ClickEnabled());
  EXPECT_TRUE(s.plug.Panel().ClickHeld());
  s.plug.Panel().OnKnob(kTrackVolumeKnob, 0.5);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().ClickLevel(), 0.5);
  EXPECT_EQ(s.plug.StatusText(), "Click Level: -6.0");
  s.plug.Panel().OnKnob(kTrackVolumeKnob, 0.0);
  EXPECT_EQ(s.plug.StatusText(), "Click Level: -oo");
  // A second right click releases the latch and the knob no longer reaches the click.
  s.RightClick(kClick);
  EXPECT_FALSE(s.plug.Panel().ClickHeld());
  s.plug.Panel().OnKnob(kTrackVolumeKnob, 0.8);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().ClickLevel(), 0.0);
}

TEST(FrontPanel, ALatchedTrackTakesTheVolumeKnobUntilAnotherPressReleasesIt) {
  Panel s;
  const double before = s.Normalized(TrackParamIndex(0, kTrackVolume));
  int redraws = 0;
  s.plug.Panel().onLatchedButtonsReleased = [&redraws]() { ++redraws; };

  s.RightClick(TrackButton(2));
  EXPECT_TRUE(s.plug.Panel().ButtonLatched(TrackButton(2)));
  s.plug.Panel().OnKnob(kTrackVolumeKnob, 0.25);
  EXPECT_DOUBLE_EQ(s.Normalized(TrackParamIndex(2, kTrackVolume)), 0.25);
  EXPECT_DOUBLE_EQ(s.Normalized(TrackParamIndex(0, kTrackVolume)), before);
  EXPECT_DOUBLE_EQ(s.plug.editor.lastValue, 0.25);  // the editor's knob follows

  // PROGRAM takes the full end: every latch is drawn released and cancelled.
  s.Click(kProgram);
  EXPECT_EQ(redraws, 1);
  EXPECT_FALSE(s.plug.Panel().ButtonLatched(TrackButton(2)));
  s.plug.Panel().OnKnob(kTrackVolumeKnob, 0.75);
  EXPECT_DOUBLE_EQ(s.Normalized(TrackParamIndex(2, kTrackVolume)), 0.25);

  // Track settings reset brings tune, transpose, volume and pan back.
  s.plug.SetPlain(TrackParamIndex(4, kTrackTranspose), 7);
  EXPECT_TRUE(s.Click(kTrackSettingsReset));
  for (int j : {kTrackTune, kTrackTranspose, kTrackVolume, kTrackPanorama})
    for (int t : {2, 4})
      EXPECT_EQ(s.plug.Value(TrackParamIndex(t, j)), s.plug.GetParam(TrackParamIndex(t, j))->Default());
  EXPECT_EQ(s.plug.StatusText(), "Track settings reset.");
  EXPECT_EQ(s.plug.StatusColour(), kStatusGreen);
}

TEST(FrontPanel, ModeButtonsEnterAndLeaveTheirModes) {
  Panel s;
  s.Click(kAssign);
  EXPECT_EQ(s.plug.ModeValue(), kModeArpAssign);
  EXPECT_TRUE(s.plug.Panel().LedState(kModeLed1 - 3));
  EXPECT_EQ(s.plug.StatusText(), "Version 1.0.1.N");
  s.Click(kUpDown);
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);

  // RECORD in an arpeggiator Mode latches the arpeggio.
  s.Click(kUpDown);
  s.Click(kRecord);
  EXPECT_TRUE(s.plug.Sequencing().ArpeggiatorLatched());
  EXPECT_TRUE(s.plug.Panel().LedState(kRecordLed));
  EXPECT_EQ(s.plug.StatusText(), "Arpeggiator latched...");
  s.Click(kUpDown);

  // Without a track on channel 6 the arpeggiator cannot start; the error stays.
  for (int t = 0; t < Engine::kTrackCount; ++t) SetTrackChannel(s.plug, t, t == 5 ? kChannelNone : 0);
  s.Click(kUpDown);
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
  EXPECT_EQ(s.plug.StatusText(), "Select a track for channel 6!");
  EXPECT_EQ(s.plug.StatusColour(), kStatusRed);

  s.Click(kStackB);
  EXPECT_EQ(s.plug.ModeValue(), kModeStackB);
  s.Click(kStackB);
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
}

TEST(FrontPanel, AStackProgramIsTypedThenAssignedToATrack) {
  Panel s;
  s.Click(kStackA);
  ASSERT_EQ(s.plug.ModeValue(), kModeStackA);
  s.Click(kProgram);
  s.Digit(1);
  s.Digit(2);
  EXPECT_EQ(s.plug.StatusText(), "Press TRACK RECORD...");
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x12);
  s.Click(kRecord);
  EXPECT_TRUE(s.plug.Panel().RecordMode());
  EXPECT_EQ(s.plug.StatusText(), "Press TRACK button...");
  s.Click(TrackButton(3));
  EXPECT_EQ(s.plug.IntParam(ProgramParamIndex(kProgramSetStackA, 3)), 12);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(3).programName, s.ProgramName(12));
  EXPECT_EQ(s.plug.StatusText(), "Stack program assigned");
  EXPECT_FALSE(s.plug.Panel().RecordMode());
  EXPECT_EQ(s.plug.Panel().PendingStackProgram(), -1);

  // A number left waiting is dropped with its Stack Mode: Normal shows the
  // edit track's program and a TRACK press assigns nothing.
  s.Digit(3);
  s.Digit(4);
  EXPECT_EQ(s.plug.Panel().PendingStackProgram(), 34);
  s.Click(kStackA);
  ASSERT_EQ(s.plug.ModeValue(), kModeNormal);
  ASSERT_EQ(s.plug.Programs().TrackProgramNumber(0), 0);
  EXPECT_EQ(s.plug.Panel().NumberDisplayCode(), 0x00);
  s.Click(kRecord);
  s.Click(TrackButton(1));
  EXPECT_NE(s.plug.Programs().TrackProgramNumber(1), 34);
}

TEST(FrontPanel, ControlRecordThenANumberStoresTheSoundAndAsksWhenOthersPlayIt) {
  Panel s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 0);
  const int cutoff = VoiceParamIndex(0, kVoiceFilterCutoff);
  s.plug.SetPlain(cutoff, 0x40);
  ASSERT_NE(s.plug.Library().programs[25].values[kVoiceFilterCutoff], 0x40);

  s.Click(kControlRecord);
  EXPECT_TRUE(s.plug.Panel().LedState(kControlRecordLed));
  s.Digit(2);
  EXPECT_FALSE(s.Digit(5));  // the store counts as a dialog
  EXPECT_FALSE(s.plug.Panel().StoreArmed());
  EXPECT_EQ(s.plug.Library().programs[25].values[kVoiceFilterCutoff], 0x40);
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 25);
  EXPECT_EQ(s.plug.StatusText(), "Program recorded/stored.");
  EXPECT_TRUE(s.plug.questions.empty());  // nobody else plays 25

  // Track 2 plays 30: storing over it asks, and "no" keeps program 30.
  s.plug.Programs().SelectTrackProgram(1, 30);
  const ProgramValues kept = s.plug.Library().programs[30].values;
  s.plug.answer = kAnswerNo;
  s.Click(kControlRecord);
  s.Digit(3);
  EXPECT_FALSE(s.Digit(0));
  ASSERT_EQ(s.plug.questions.size(), 1u);
  EXPECT_EQ(s.plug.questions[0],
            "Record/Store Program|This will affect other tracks using this program. Do you want to continue?");
  EXPECT_EQ(s.plug.Library().programs[30].values, kept);
  EXPECT_EQ(s.plug.Programs().TrackProgramNumber(0), 25);
  EXPECT_FALSE(s.plug.Panel().StoreArmed());

  // The browser's RECORD stores into the edit track's own number.
  s.plug.SetPlain(cutoff, 0x50);
  EXPECT_FALSE(s.Click(kBrowserRecord));
  EXPECT_EQ(s.plug.Library().programs[25].values[kVoiceFilterCutoff], 0x50);
}

TEST(FrontPanel, SpecialFunctionsWithControlRecordHeld) {
  Panel s;
  const bool ignoring = s.plug.IgnoreProgramChange();
  s.RightClick(kControlRecord);
  EXPECT_TRUE(s.plug.Panel().ControlRecordHeld());
  s.Digit(1);
  EXPECT_EQ(s.plug.IgnoreProgramChange(), !ignoring);
  EXPECT_EQ(s.plug.StatusText(), ignoring ? "Permit MIDI Program Change" : "Ignore MIDI Program Change");
  EXPECT_FALSE(s.plug.Panel().ControlRecordHeld());
  EXPECT_FALSE(s.plug.Panel().StoreArmed());
  EXPECT_FALSE(s.plug.Panel().ButtonLatched(kControlRecord));

  const bool receiving = s.plug.config.receiveParamCCs.load();
  s.RightClick(kControlRecord);
  s.Digit(4);
  EXPECT_EQ(s.plug.config.receiveParamCCs.load(), !receiving);
  EXPECT_EQ(s.plug.StatusText(), receiving ? "Ignore parameter CCs" : "Receive parameter CCs");

  s.RightClick(kControlRecord);
  s.Digit(6);
  EXPECT_EQ(s.plug.StatusText(), "Auto-Tuning not necessary :-)");

  s.plug.SetPlain(VoiceParamIndex(0, kVoiceFilterCutoff), 3);
  s.RightClick(kControlRecord);
  s.Digit(8);
  EXPECT_EQ(s.plug.Value(VoiceParamIndex(0, kVoiceFilterCutoff)), kVoiceParamDefault[kVoiceFilterCutoff]);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(0).programName, "BASIC PATCH");
  EXPECT_EQ(s.plug.StatusText(), "Program initialized.");

  // A digit without a function only ends the held state; no number is started.
  s.RightClick(kControlRecord);
  s.Digit(3);
  EXPECT_FALSE(s.plug.Panel().ControlRecordHeld());
  EXPECT_EQ(s.plug.Panel().PendingDigit(), -1);
  EXPECT_EQ(s.plug.StatusText(), "Version 1.0.1.N");
}

TEST(FrontPanel, VoiceSwitchesSyncAndLfoShapeActOnTheEditTrack) {
  Panel s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 0);
  s.Click(kEditTrackUp);
  const int saw = VoiceParamIndex(1, kVoiceOscSawtooth);
  const double was = s.plug.Value(saw);
  s.Click(kOscSawtooth);
  EXPECT_EQ(s.plug.Value(saw), was >= 0.5 ? 0.0 : 1.0);
  EXPECT_EQ(s.plug.Value(VoiceParamIndex(0, kVoiceOscSawtooth)), 1.0);  // track 1 untouched
  s.Click(kOscSawtooth);
  EXPECT_EQ(s.plug.Value(saw), was);

  s.Click(kLfoSquare);
  EXPECT_EQ(s.plug.Value(VoiceParamIndex(1, kVoiceLfoShape)), 1.0);
  EXPECT_TRUE(s.plug.Panel().LedState(kLfoSquareLed));
  EXPECT_FALSE(s.plug.Panel().LedState(kLfoTriangleLed));
  s.Click(kLfoTriangle);
  EXPECT_TRUE(s.plug.Panel().LedState(kLfoTriangleLed));

  s.Click(kSync);
  EXPECT_EQ(s.plug.Value(kParamSyncToHost), 1.0);
  EXPECT_TRUE(s.plug.Panel().LedState(kSync));
  s.Click(kSync);
  EXPECT_EQ(s.plug.Value(kParamSyncToHost), 0.0);
}

TEST(FrontPanel, PresetArrowsWrapAndTheLeftPresetKeepsItsState) {
  Panel s;
  ASSERT_EQ(s.plug.GetCurrentPresetIndex(), 0);
  s.plug.SetPlain(kParamSpeed, 90);
  s.Click(kPresetPrevious);
  EXPECT_EQ(s.plug.GetCurrentPresetIndex(), 63);
  s.plug.SetPlain(kParamSpeed, 100);
  s.Click(kPresetNext);
  EXPECT_EQ(s.plug.GetCurrentPresetIndex(), 0);
  EXPECT_EQ(s.plug.Value(kParamSpeed), 90.0);
  s.Click(kPresetPrevious);
  EXPECT_EQ(s.plug.Value(kParamSpeed), 100.0);
}

TEST(FrontPanel, RecordThenSeqARecordsAndSeqAStopsIt) {
  Panel s;
  s.RunTo(4800);
  s.Click(kRecord);
  EXPECT_TRUE(s.plug.Panel().LedState(kRecordLed));
  s.Click(kSeqA);
  EXPECT_EQ(s.plug.ModeValue(), kModeSequenceA);
  EXPECT_TRUE(s.plug.Sequencing().Recording());
  EXPECT_EQ(s.plug.StatusText(), "Waiting for first note...");
  s.Note(0, 60, 100);
  s.RunTo(4800 + kQuarter);
  s.Note(0, 60, 0);
  s.RunTo(4800 + 2 * kQuarter);
  // The armed track's LED blinks (its key is up).
  while (!s.plug.Panel().BlinkPhase()) s.plug.Panel().AdvanceBlink(25);
  EXPECT_TRUE(s.plug.Panel().LedState(TrackLed(0)));
  while (s.plug.Panel().BlinkPhase()) s.plug.Panel().AdvanceBlink(25);
  EXPECT_FALSE(s.plug.Panel().LedState(TrackLed(0)));
  s.Click(kSeqA);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  EXPECT_EQ(s.plug.StatusText(), "Recording stopped.");
  EXPECT_EQ(s.plug.Sequencing().SeqA().length, 2 * 192);
  EXPECT_FALSE(s.plug.Panel().RecordMode());

  // RECORD pressed and released while the loop plays prepares an overdub;
  // a TRACK button arms that track.
  s.Click(kRecord);
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubPrepared);
  while (s.plug.Panel().BlinkPhase()) s.plug.Panel().AdvanceBlink(25);
  EXPECT_FALSE(s.plug.Panel().LedState(kRecordLed));  // blinking although recordMode is on
  s.Click(TrackButton(1));
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordOverdubWaitFirstNote);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(1).armed);
  EXPECT_EQ(s.plug.StatusText(), "Waiting for first note...");
  s.Click(kRecord);  // stops it
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(1).armed);

  // RECORD held with TRACK 1 clears track 1's part.
  s.RightClick(kRecord);
  ASSERT_TRUE(s.plug.Panel().RecordHeld());
  s.Click(TrackButton(0));
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 0u);
  EXPECT_EQ(s.plug.StatusText(), "Track cleared.");
  EXPECT_FALSE(s.plug.Panel().RecordHeld());
}

TEST(FrontPanel, ARecordLatchDrawnReleasedNoLongerClearsTracks) {
  Panel s;
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  AddNote(s.plug.Sequencing().SeqA(), 1, 62, 0, 48);
  s.plug.Sequencing().SeqA().length = 192;
  s.Click(kSeqA);
  ASSERT_EQ(s.plug.ModeValue(), kModeSequenceA);

  s.RightClick(kRecord);  // latched: RECORD held
  s.Click(kParam);        // the full end draws it released
  EXPECT_FALSE(s.plug.Panel().ButtonLatched(kRecord));
  EXPECT_FALSE(s.plug.Panel().RecordHeld());
  s.Click(TrackButton(1));
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 4u);
}

TEST(FrontPanel, RecordLatchedThenSeqAOfThePlayingSequenceStartsARealRecording) {
  Panel s;
  AddNote(s.plug.Sequencing().SeqA(), 0, 60, 0, 48);
  s.plug.Sequencing().SeqA().length = 192;
  s.Click(kSeqA);
  s.RunTo(9600);
  s.RightClick(kRecord);
  EXPECT_FALSE(s.plug.Sequencing().Recording());
  s.Click(kSeqA);
  EXPECT_TRUE(s.plug.Sequencing().Recording());
  EXPECT_EQ(s.plug.Sequencing().State(), Sequencer::kRecordWaitFirstNote);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(0).armed);
  EXPECT_EQ(s.plug.StatusText(), "Waiting for first note...");
  // A live note is heard and recorded.
  s.Note(3, 64, 100);
  s.RunTo(14400);
  EXPECT_EQ(s.OnsetsFrom(0, 9600).size(), 1u);
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 1u);
}

TEST(FrontPanel, SequenceButtonsAskAboutModifiedProgramsAndHonourNo) {
  Panel s;
  s.plug.SetParameterFromEngine(kParamLinkPrograms, 0);
  AddNote(s.plug.Sequencing().SeqB(), 0, 60, 0, 48);
  s.plug.Sequencing().SeqB().length = 192;
  s.plug.SetPlain(VoiceParamIndex(4, kVoiceFilterCutoff), 1);
  s.plug.answer = kAnswerNo;
  EXPECT_FALSE(s.Click(kSeqB));
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
  ASSERT_EQ(s.plug.questions.size(), 1u);
  EXPECT_NE(s.plug.questions[0].find("on Track 5 is modified"), std::string::npos);
  EXPECT_FALSE(s.Click(kStackA));
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
  s.plug.answer = kAnswerYes;
  s.Click(kSeqB);
  EXPECT_EQ(s.plug.ModeValue(), kModeSequenceB);
  EXPECT_TRUE(s.plug.Panel().LedState(kModeLed1 - 1));
  // SEQ A from Seq B goes to Normal only; a modifier press does nothing.
  s.Click(kSeqA);
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
  s.plug.Panel().SetButtonLatched(kSeqB, true);  // not latchable
  EXPECT_FALSE(s.plug.Panel().ButtonLatched(kSeqB));
  EXPECT_TRUE(s.plug.Panel().OnButtonDown(kSeqB, true));
  EXPECT_EQ(s.plug.ModeValue(), kModeNormal);
}

TEST(FrontPanel, RecordIndicatorsBlinkOnlyWhileThereIsRecordActivity) {
  Panel s;
  EXPECT_TRUE(s.plug.Panel().AdvanceBlink(25));  // the phase starts off and turns on
  EXPECT_TRUE(s.plug.Panel().BlinkPhase());
  EXPECT_FALSE(s.plug.Panel().AdvanceBlink(25));
  s.plug.Sequencing().SetRecordActivity(true);
  int toggles = 0;
  for (int i = 0; i < 70; ++i) toggles += s.plug.Panel().AdvanceBlink(25) ? 1 : 0;
  EXPECT_EQ(toggles, 10);  // every 25 / 4 + 1 = 7 idle calls
  s.plug.Sequencing().SetRecordActivity(false);
  s.plug.Panel().AdvanceBlink(25);
  EXPECT_TRUE(s.plug.Panel().BlinkPhase());

  // A TRACK LED without arming shows held keys.
  EXPECT_FALSE(s.plug.Panel().LedState(TrackLed(2)));
  s.Note(2, 60, 100);
  s.RunTo(4800);
  EXPECT_TRUE(s.plug.Panel().LedState(TrackLed(2)));
  s.Note(2, 60, 0);
  s.RunTo(9600);
  EXPECT_FALSE(s.plug.Panel().LedState(TrackLed(2)));
}

}  // namespace
