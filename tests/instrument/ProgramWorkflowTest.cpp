#include <gtest/gtest.h>

#include <memory>

#include "tests/instrument/InstrumentTestSupport.h"

namespace {

// Track t alone on MIDI channel t + 1.
void MultiLayout(TestVornell& plug) {
  for (int t = 0; t < 6; ++t) SetTrackChannel(plug, t, t);
}

void ExpectTrackPlays(const TestVornell& plug, int t, int p) {
  EXPECT_EQ(plug.Programs().TrackProgramNumber(t), p) << "track " << t;
  for (int k = 0; k < kVoiceParamCount; ++k)
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(t, k)), plug.Library().programs[static_cast<size_t>(p)].values[k])
        << "track " << t << " value " << k;
  EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, plug.Library().programs[static_cast<size_t>(p)].name);
}

// Track 3 (channel 4) plays a note; returns its pair.
Rendering RenderTrack3Note(TestVornell& plug) {
  PrepareAudio(plug);
  SendNote(plug, 3, 55, 100);
  Rendering out;
  Render(plug, 12000, out);
  return out;
}

TEST(ProgramWorkflow, SelectingProgram12WithLinkOnSelectsItOnEveryLinkedTrack) {
  ASSERT_NE(TestVornell().Library().programs[12].values, TestVornell().Library().programs[0].values);
  auto plain = std::make_unique<TestVornell>();
  auto linked = std::make_unique<TestVornell>();
  auto direct = std::make_unique<TestVornell>();
  for (TestVornell* plug : {plain.get(), linked.get(), direct.get()}) MultiLayout(*plug);

  ASSERT_GE(linked->Value(kParamLinkPrograms), 0.5);
  linked->OpenEditor();
  linked->ClearNotifications();
  linked->Programs().SelectTrackProgram(0, 12);
  EXPECT_EQ(linked->StatusText(), "Version 1.0.1.N");
  // The editor's controls follow every value the selection wrote.
  for (int t = 0; t < 6; ++t) {
    EXPECT_GE(linked->editor.shownPerParam[static_cast<size_t>(ProgramParamIndex(kProgramSetTrack, t))], 1);
    EXPECT_GE(linked->editor.shownPerParam[static_cast<size_t>(VoiceParamIndex(t, kVoiceFilterCutoff))], 1);
  }
  for (int t = 0; t < 6; ++t) {
    ExpectTrackPlays(*linked, t, 12);
    EXPECT_EQ(linked->Value(ProgramParamIndex(kProgramSetTrack, t)), 12.0);
    EXPECT_EQ(linked->hostNotified[static_cast<size_t>(ProgramParamIndex(kProgramSetTrack, t))], 1) << t;
  }
  EXPECT_FALSE(linked->Programs().LinkSuspended());

  direct->SetPlain(kParamLinkPrograms, 0);
  direct->Programs().SelectTrackProgram(3, 12);

  const Rendering before = RenderTrack3Note(*plain);
  const Rendering after = RenderTrack3Note(*linked);
  const Rendering reference = RenderTrack3Note(*direct);
  // Track 4 now sounds like program 12, not like program 0.
  EXPECT_GT(after.MaxDifference(before, 8), 1e-3);
  EXPECT_EQ(after.MaxDifference(reference, 8), 0.0);
  EXPECT_EQ(after.MaxDifference(reference, 9), 0.0);
  EXPECT_GT(after.Rms(8), 0.001);
}

TEST(ProgramWorkflow, SelectingWithLinkOffChangesOnlyThatTrack) {
  auto plain = std::make_unique<TestVornell>();
  auto single = std::make_unique<TestVornell>();
  for (TestVornell* plug : {plain.get(), single.get()}) {
    MultiLayout(*plug);
    plug->SetPlain(kParamLinkPrograms, 0);
  }
  single->Programs().SelectTrackProgram(0, 12);
  ExpectTrackPlays(*single, 0, 12);
  for (int t = 1; t < 6; ++t) ExpectTrackPlays(*single, t, 0);
  const Rendering before = RenderTrack3Note(*plain);
  const Rendering after = RenderTrack3Note(*single);
  EXPECT_EQ(after.MaxDifference(before, 8), 0.0);
}

TEST(ProgramWorkflow, SelectionFollowsOnlyTracksThatBelongTogether) {
  TestVornell plug;
  plug.GetEngine().GetTrack(1).armed = true;
  plug.GetEngine().GetTrack(4).armed = true;
  plug.GetEngine().GetTrack(5).sequenceDriven = true;
  EXPECT_TRUE(plug.Programs().TracksLinked(1, 4));
  EXPECT_TRUE(plug.Programs().TracksLinked(0, 2));
  EXPECT_FALSE(plug.Programs().TracksLinked(0, 1));
  EXPECT_FALSE(plug.Programs().TracksLinked(0, 5));
  EXPECT_FALSE(plug.Programs().TracksLinked(5, 5));
  EXPECT_FALSE(plug.Programs().TracksLinked(2, 2));
  plug.Programs().SelectTrackProgram(0, 33);
  for (int t : {0, 2, 3}) EXPECT_EQ(plug.Programs().TrackProgramNumber(t), 33) << t;
  for (int t : {1, 4, 5}) EXPECT_EQ(plug.Programs().TrackProgramNumber(t), 0) << t;
  plug.Programs().SetLinkSuspended(true);
  EXPECT_FALSE(plug.Programs().TracksLinked(0, 2));
}

TEST(ProgramWorkflow, SetTrackProgramIgnoresNumbersFrom100AndTheCurrentProgram) {
  TestVornell plug;
  plug.ClearNotifications();
  plug.Programs().SetTrackProgram(2, 100);
  plug.Programs().SetTrackProgram(2, 250);
  plug.Programs().SetTrackProgram(2, -1);
  plug.Programs().SetTrackProgram(2, 0);
  plug.Programs().SetTrackProgram(9, 4);
  for (int count : plug.hostNotified) EXPECT_EQ(count, 0);
  ExpectTrackPlays(plug, 2, 0);
}

TEST(ProgramWorkflow, SequenceModeUsesSeqSlotsForArmedAndSequenceDrivenTracks) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.SetPlain(ProgramParamIndex(kProgramSetTrack, 1), 21);
  plug.SetPlain(ProgramParamIndex(kProgramSetTrack, 2), 22);
  plug.SetPlain(ProgramParamIndex(kProgramSetSeqA, 1), 45);  // Mode 0: stored only
  ExpectTrackPlays(plug, 1, 21);

  // Seq A holds a part of track 6 only, so that the Mode can be entered.
  for (SequenceEvent e : {SequenceEvent{0, 0x95, 60, 100}, SequenceEvent{48, 0x85, 60, 0}})
    plug.Sequencing().SeqA().AddEvent(e);
  plug.Sequencing().SeqA().length = 192;
  plug.SetPlain(kParamMode, kModeSequenceA);
  plug.GetEngine().GetTrack(1).armed = true;
  EXPECT_EQ(plug.Programs().TrackProgramNumber(1), 45);
  EXPECT_EQ(plug.Programs().TrackProgramNumber(2), 22);  // neither armed nor sequence-driven
  plug.GetEngine().GetTrack(2).sequenceDriven = true;
  EXPECT_EQ(plug.Programs().TrackProgramNumber(2), 22);  // its "Seq A Prg" is 100

  // Seq A Prg of the armed track now selects its program.
  plug.SetPlain(ProgramParamIndex(kProgramSetSeqA, 1), 46);
  ExpectTrackPlays(plug, 1, 46);
  // 100 loads the track's "Track Prg" and leaves that parameter as it was.
  plug.SetPlain(ProgramParamIndex(kProgramSetSeqA, 1), 100);
  ExpectTrackPlays(plug, 1, 21);
  EXPECT_EQ(plug.Value(ProgramParamIndex(kProgramSetTrack, 1)), 21.0);
  EXPECT_EQ(plug.Value(ProgramParamIndex(kProgramSetSeqA, 1)), 100.0);

  // "Track Prg" of the armed track only stores its value; Seq B is not live in Mode 1.
  plug.SetPlain(ProgramParamIndex(kProgramSetTrack, 1), 30);
  plug.SetPlain(ProgramParamIndex(kProgramSetSeqB, 1), 31);
  EXPECT_EQ(plug.IntParam(VoiceParamIndex(1, kVoiceFilterCutoff)),
            plug.Library().programs[30].values[kVoiceFilterCutoff]);
  EXPECT_EQ(plug.GetEngine().GetTrack(1).programName, plug.Library().programs[30].name);
}

TEST(ProgramWorkflow, StackModesPlayTheStackSlots) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.SetPlain(ProgramParamIndex(kProgramSetStackB, 4), 60);  // not live: stored only
  ExpectTrackPlays(plug, 4, 0);
  plug.SetPlain(kParamMode, kModeStackB);
  EXPECT_EQ(plug.Programs().TrackProgramNumber(4), 60);
  plug.SetPlain(ProgramParamIndex(kProgramSetStackB, 4), 61);
  ExpectTrackPlays(plug, 4, 61);
  // The keypad's choice goes to the live slot.
  plug.Programs().SetTrackProgram(4, 62);
  EXPECT_EQ(plug.Value(ProgramParamIndex(kProgramSetStackB, 4)), 62.0);
  EXPECT_EQ(plug.Value(ProgramParamIndex(kProgramSetTrack, 4)), 0.0);
  ExpectTrackPlays(plug, 4, 62);
  // A "Track Prg" change while the stack slot is live is only stored.
  plug.SetPlain(ProgramParamIndex(kProgramSetTrack, 4), 9);
  ExpectTrackPlays(plug, 4, 62);
  plug.SetPlain(kParamMode, kModeNormal);
  EXPECT_EQ(plug.Programs().TrackProgramNumber(4), 9);
}

TEST(ProgramWorkflow, ModifiedTestRespectsTheResolution) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  const int index = VoiceParamIndex(2, kVoiceFineFrequency);
  const int stored = plug.Library().programs[0].values[kVoiceFineFrequency];
  const int changed = (stored & ~7) | ((stored & 7) == 5 ? 2 : 5);
  ASSERT_NE(changed, stored);
  plug.SetPlain(index, changed);
  plug.Programs().UpdateProgramModified(2);
  EXPECT_FALSE(plug.GetEngine().GetTrack(2).programModified);

  plug.SetPlain(kParamResolution, kResolutionExtended);
  plug.SetPlain(index, changed);
  plug.Programs().UpdateProgramModified(2);
  EXPECT_TRUE(plug.GetEngine().GetTrack(2).programModified);

  // A change in kept bits is a modification in both resolutions.
  plug.SetPlain(kParamResolution, kResolutionCalvara);
  plug.Programs().LoadProgramIntoTrack(2, 0);
  plug.Programs().UpdateProgramModified(2);
  EXPECT_FALSE(plug.GetEngine().GetTrack(2).programModified);
  plug.SetPlain(index, (stored + 8) & 255);
  plug.Programs().UpdateProgramModified(2);
  EXPECT_TRUE(plug.GetEngine().GetTrack(2).programModified);
}

TEST(ProgramWorkflow, RenamingMakesModifiedUntilStored) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Programs().SelectTrackProgram(1, 17);
  plug.Programs().RenameTrackProgram(1, "BRIGHT LEAD");
  plug.Programs().UpdateProgramModified(1);
  EXPECT_TRUE(plug.GetEngine().GetTrack(1).programModified);
  plug.Panel().SetEditTrack(1);
  plug.Programs().StoreTrackProgram(-1);
  EXPECT_EQ(plug.Library().programs[17].name, "BRIGHT LEAD");
  plug.Programs().UpdateProgramModified(1);
  EXPECT_FALSE(plug.GetEngine().GetTrack(1).programModified);

  // With linking on, linked tracks take the name too.
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.Programs().RenameTrackProgram(1, "PAD");
  for (int t = 0; t < 6; ++t) EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, "PAD") << t;
}

TEST(ProgramWorkflow, StoringReloadsEveryTrackPlayingTheProgramAndNoOther) {
  TestVornell plug;
  plug.OpenEditor();
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Programs().SelectTrackProgram(0, 40);
  plug.Programs().SelectTrackProgram(1, 40);
  plug.Programs().SelectTrackProgram(3, 40);
  plug.Programs().SelectTrackProgram(2, 5);
  // Track 3 holds an unsaved edit of its own; track 2 one of program 5.
  plug.SetPlain(VoiceParamIndex(2, kVoiceGlideRate), 160);
  plug.SetPlain(VoiceParamIndex(3, kVoiceGlideRate), 176);
  plug.SetPlain(VoiceParamIndex(0, kVoiceFilterCutoff), 100);
  plug.SetPlain(VoiceParamIndex(0, kVoiceAmpVelocity), 33);
  plug.Programs().RenameTrackProgram(0, "STORED");
  plug.SetPlain(kParamLinkPrograms, 1);  // storing must not spill into track 2 through the link

  plug.Panel().SetEditTrack(0);
  EXPECT_TRUE(plug.Programs().ProgramUsedElsewhere(-1));
  plug.Programs().StoreTrackProgram(40);
  EXPECT_EQ(plug.StatusText(), "Program recorded/stored.");
  EXPECT_EQ(plug.StatusColour(), kStatusGreen);
  EXPECT_EQ(plug.Library().programs[40].values[kVoiceFilterCutoff], 100);  // full 8 bits
  EXPECT_EQ(plug.Library().programs[40].values[kVoiceAmpVelocity], 33);
  EXPECT_EQ(plug.Library().programs[40].number, 40);
  for (int t : {0, 1, 3}) {
    ExpectTrackPlays(plug, t, 40);
    plug.Programs().UpdateProgramModified(t);
    EXPECT_FALSE(plug.GetEngine().GetTrack(t).programModified) << t;
    EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, "STORED");
  }
  EXPECT_EQ(plug.Value(VoiceParamIndex(2, kVoiceGlideRate)), 160.0);
  EXPECT_EQ(plug.Programs().TrackProgramNumber(2), 5);
  EXPECT_EQ(plug.GetEngine().GetTrack(4).programName, plug.Library().programs[0].name);
}

TEST(ProgramWorkflow, InitProgramLeavesTheLibraryAlone) {
  TestVornell plug;
  plug.OpenEditor();
  plug.GetEngine().GetTrack(5).armed = true;  // not linked to the edit track
  const Program before = plug.Library().programs[0];
  plug.Panel().SetEditTrack(1);
  plug.Programs().InitEditTrackProgram();
  EXPECT_EQ(plug.StatusText(), "Program initialized.");
  EXPECT_EQ(plug.Library().programs[0], before);
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, "BASIC PATCH") << t;
    for (int k = 0; k < kVoiceParamCount; ++k)
      EXPECT_EQ(plug.IntParam(VoiceParamIndex(t, k)), kVoiceParamDefault[k]) << t << " " << k;
    EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(t, kVoiceFilterCutoff), 254.0 / 255.0 * 88.0 * 128.0);
    plug.Programs().UpdateProgramModified(t);
    EXPECT_TRUE(plug.GetEngine().GetTrack(t).programModified) << t;
  }
  ExpectTrackPlays(plug, 5, 0);
}

TEST(ProgramWorkflow, AuditionChangesTheTracksOfTheEditProgramOnly) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Programs().SelectTrackProgram(4, 8);
  plug.SetPlain(kParamLinkPrograms, 1);
  plug.Panel().SetEditTrack(0);
  const Program before = plug.Library().programs[0];
  Program audition = plug.Library().programs[77];
  audition.name = "FROM FILE";
  plug.Programs().AuditionProgram(audition);
  EXPECT_EQ(plug.Library().programs[0], before);
  for (int t : {0, 1, 2, 3, 5}) {
    for (int k = 0; k < kVoiceParamCount; ++k) EXPECT_EQ(plug.IntParam(VoiceParamIndex(t, k)), audition.values[k]);
    EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, "FROM FILE");
    plug.Programs().UpdateProgramModified(t);
    EXPECT_TRUE(plug.GetEngine().GetTrack(t).programModified);
  }
  ExpectTrackPlays(plug, 4, 8);
}

TEST(ProgramWorkflow, ConfirmModifiedProgramAsksOnlyWithAnOpenEditor) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Programs().SelectTrackProgram(2, 7);
  plug.SetPlain(VoiceParamIndex(2, kVoiceFilterCutoff), 2);
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(-1), 0);  // headless
  EXPECT_TRUE(plug.questions.empty());

  plug.OpenEditor();
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(1), 0);  // track 2 is not modified
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(-1), 2);
  ASSERT_EQ(plug.questions.size(), 1u);
  EXPECT_EQ(plug.questions[0], "Modified Program|Program 07 on Track 3 is modified. Do you want to proceed?");
  plug.answer = 7;
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(2), 1);
  plug.dontAskToCommit = true;
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(2), 0);
  plug.dontAskToCommit = false;
  plug.stateLoading = true;
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(2), 0);
  plug.stateLoading = false;
  EXPECT_EQ(plug.Programs().ConfirmModifiedProgram(6), 0);
  EXPECT_EQ(plug.questions.size(), 2u);
}

TEST(ProgramWorkflow, LibraryChangesReloadTheTracksPlayingTheProgram) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Programs().SelectTrackProgram(3, 9);
  const ProgramValues factory = plug.Library().programs[9].values;
  plug.SetPlain(VoiceParamIndex(3, kVoiceFilterCutoff), 2);
  plug.Panel().SetEditTrack(3);
  plug.Programs().StoreTrackProgram(-1);
  ASSERT_EQ(plug.Library().programs[9].values[kVoiceFilterCutoff], 2);
  ASSERT_TRUE(plug.Library().RestoreFactoryPrograms(9));
  EXPECT_EQ(plug.Library().programs[9].values, factory);
  ExpectTrackPlays(plug, 3, 9);
  EXPECT_DOUBLE_EQ(plug.GetEngine().TrackVoiceParam(3, kVoiceFilterCutoff),
                   MaskVoiceValue(kVoiceFilterCutoff, factory[kVoiceFilterCutoff]) / 255.0 * 88.0 * 128.0);

  // A bank load reloads every track.
  const std::vector<uint8_t> bank = plug.Library().BuildSysEx(-1);
  plug.SetPlain(VoiceParamIndex(0, kVoiceGlideRate), 250);
  ASSERT_TRUE(plug.Library().ParseSysEx(bank, -1));
  ExpectTrackPlays(plug, 0, 0);
}

TEST(ProgramWorkflow, LoadingKeepsThePanelsSelectedValueCurrent) {
  TestVornell plug;
  plug.SetPlain(kParamLinkPrograms, 0);
  plug.Panel().SetEditTrack(2);
  plug.Panel().SetSelectedParam(kVoiceFilterCutoff);
  // A value that reached the edit track without passing the panel bookkeeping.
  plug.stateLoading = true;
  plug.SetParameterFromEngine(VoiceParamIndex(2, kVoiceFilterCutoff), 77);
  plug.stateLoading = false;
  plug.TakePanelDirty();
  plug.Programs().LoadProgramIntoTrack(4, 51);
  EXPECT_EQ(plug.Panel().SelectedParamValue(), 77);
  EXPECT_TRUE(plug.TakePanelDirty());
  for (int k = 0; k < kVoiceParamCount; ++k)
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(4, k)), plug.Library().programs[51].values[k]);
  EXPECT_EQ(plug.Programs().TrackProgramNumber(4), 0);  // loading alone does not change the program number

  // No such program or track: nothing happens.
  plug.Programs().LoadProgramIntoTrack(4, 101);
  plug.Programs().LoadProgramIntoTrack(4, -2);
  plug.Programs().LoadProgramIntoTrack(-1, 3);
  plug.Programs().LoadProgramIntoTrack(6, 3);
  for (int k = 0; k < kVoiceParamCount; ++k)
    EXPECT_EQ(plug.IntParam(VoiceParamIndex(4, k)), plug.Library().programs[51].values[k]);
}

}  // namespace
