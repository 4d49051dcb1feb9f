// The program browser page of the real instrument, driven with the mouse
// through the headless window system: the internal source, preset, bank and
// SysEx files, auditioning, recording all programs, paging, and a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "editor/PanelControls.h"
#include "editor/ProgramBrowser.h"
#include "editor/VornellEditor.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "performance/PanelIds.h"
#include "programs/ParameterTable.h"
#include "programs/ProgramLibrary.h"
#include "resources/panel/PanelLayout.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

// Pixels of box that differ from the page's bare picture.
int ChangedPixels(IGraphics* g, const LICE_IBitmap* picture, const Rect& box) {
  int changed = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) changed += g->BackBuffer()->GetPixel(x, y) != picture->GetPixel(x, y);
  return changed;
}

class BrowserEditorTest : public VornellEditorFixture {
 protected:
  void OpenAndSettle() {
    ASSERT_TRUE(OpenEditor());
    Idle(3);
  }
  ProgramBrowser& Browser() { return *VornellEditor::Of(*plug)->Browser(); }
  void ClickOn(IControl* control, MouseMods mods = HeadlessWindowSystem::Left()) {
    ASSERT_NE(control, nullptr);
    Window().Click(control->GetRect().MidX(), control->GetRect().MidY(), mods);
    Idle(2);
  }
  void ClickAt(int x, int y) {
    Window().Click(x, y);
    Idle(2);
  }
  void ShowPage() {
    ClickOn(VornellEditor::Of(*plug)->ControlByKey(ControlKey::Panel(panel_id::kBrowserPageSwitch)));
    ASSERT_TRUE(Browser().PageVisible());
  }
  // A SysEx file with one program message per number, in the order given,
  // each program's values taken from the library slot of that number.
  std::string WriteSysEx(const std::string& name, const std::vector<int>& numbers) {
    plug->Library().saveEnhancedPrograms = false;
    std::ofstream out(folder / name, std::ios::binary);
    for (int p : numbers) {
      const std::vector<uint8_t> bytes = plug->Library().BuildSysEx(p);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return folder / name;
  }
  std::vector<std::string> RowTexts(int list, int rows) {
    std::vector<std::string> texts;
    for (int i = 0; i < rows; ++i) {
      const IKRScrollItemControl* row = Browser().Row(list, i);
      texts.push_back(row->NumberText() + " " + row->NameText());
    }
    return texts;
  }
  bool LedLit(int id) {
    std::lock_guard lock(plug->Mutex());
    return plug->Panel().LedState(id);
  }

  TempFolder folder;
};

TEST_F(BrowserEditorTest, InternalSourceListsThePresetsAndCoversThePanel) {
  OpenAndSettle();
  plug->Commands().ChoosePreset(3);
  EXPECT_FALSE(Browser().PageVisible());
  EXPECT_TRUE(Browser().ControlByKey(395)->IsHidden());
  EXPECT_TRUE(Browser().Row(ProgramBrowser::kRightList, 59)->IsHidden());
  ShowPage();

  // Every control of the page is shown; the file name field is grayed.
  for (int key : {395, 396, 397, 398, 399, 400, 401, 402, 403, 404, 405, 406, 407, 408, 409, 410, 411, 412, 413, 414}) {
    ASSERT_NE(Browser().ControlByKey(key), nullptr) << key;
    EXPECT_FALSE(Browser().ControlByKey(key)->IsHidden()) << key;
  }
  EXPECT_TRUE(Browser().FileControl()->IsGrayed());
  EXPECT_TRUE(LedLit(panel_id::kBrowserInternalLed));
  EXPECT_FALSE(LedLit(panel_id::kBrowserFileLed));

  // The built-in bank initializes all 64 presets; the current one is selected.
  ASSERT_EQ(Browser().Entries().size(), 64u);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(Browser().Entries()[i].name, plug->GetPresetName(i)) << i;
  EXPECT_EQ(Browser().SelectedEntry(), 3);
  EXPECT_TRUE(Browser().RowSelected(ProgramBrowser::kLeftList, 3));
  EXPECT_EQ(Browser().Row(ProgramBrowser::kLeftList, 3)->NumberText(), "3");
  EXPECT_EQ(Browser().Row(ProgramBrowser::kLeftList, 3)->NameText(), plug->GetPresetName(3));
  // Right list: the six track programs (marked), then the library from 0.
  const ProgramBrowser::Entry& entry = Browser().Entries()[3];
  ASSERT_EQ(entry.tracks.size(), 6u);
  ASSERT_EQ(entry.programs.size(), 100u);
  for (int i = 0; i < 6; ++i) {
    const IKRScrollItemControl* row = Browser().Row(ProgramBrowser::kRightList, i);
    EXPECT_EQ(row->NumberText(), "T" + std::to_string(i + 1));
    EXPECT_EQ(row->NameText(), entry.tracks[i].name);
    EXPECT_TRUE(row->Marked());
  }
  EXPECT_EQ(RowTexts(ProgramBrowser::kRightList, 8)[6], "0 " + entry.programs[0].name);
  EXPECT_FALSE(Browser().Row(ProgramBrowser::kRightList, 6)->Marked());

  // The page takes the clicks meant for the panel underneath: keypad digit 1
  // starts no number.
  const panel::Spot digit = panel::KeypadButton(1);
  ClickAt(digit.x + 6, digit.y + 8);
  EXPECT_EQ(plug->Panel().PendingDigit(), -1);
  // A left row picks another entry.
  ClickOn(Browser().Row(ProgramBrowser::kLeftList, 7));
  EXPECT_EQ(Browser().SelectedEntry(), 7);
  EXPECT_EQ(Browser().Row(ProgramBrowser::kRightList, 6)->NameText(), Browser().Entries()[7].programs[0].name);

  // The switch hides the page again; the panel takes clicks once more.
  ClickOn(VornellEditor::Of(*plug)->ControlByKey(ControlKey::Panel(panel_id::kBrowserPageSwitch)));
  EXPECT_FALSE(Browser().PageVisible());
  for (int key : {395, 396, 401, 404, 408, 413}) EXPECT_TRUE(Browser().ControlByKey(key)->IsHidden()) << key;
  EXPECT_TRUE(Browser().Row(ProgramBrowser::kLeftList, 0)->IsHidden());
  Window().MouseDown(digit.x + 6, digit.y + 8);
  Idle(1);
  EXPECT_EQ(plug->Panel().PendingDigit(), 1);
  Window().MouseUp(digit.x + 6, digit.y + 8);
  Idle(1);
}

TEST_F(BrowserEditorTest, SysExFileIsListedSortedUnderOneEntryNamedAfterTheFile) {
  OpenAndSettle();
  const std::string path = WriteSysEx("pair.syx", {5, 2});
  ShowPage();
  Browser().LoadFileIntoBrowser(path);
  Idle(2);
  ASSERT_EQ(Browser().Entries().size(), 1u);
  EXPECT_EQ(Browser().Entries()[0].name, "pair.syx");
  EXPECT_EQ(RowTexts(ProgramBrowser::kLeftList, 2), (std::vector<std::string>{"0 pair.syx", " "}));
  EXPECT_EQ(Browser().SelectedEntry(), 0);
  // Each program under its own number.
  EXPECT_EQ(RowTexts(ProgramBrowser::kRightList, 3), (std::vector<std::string>{"2 PROGRAM 02", "5 PROGRAM 05", " "}));
  EXPECT_FALSE(Browser().Row(ProgramBrowser::kRightList, 0)->Marked());
  EXPECT_EQ(Browser().Entries()[0].programs[0].values, plug->Library().programs[2].values);
  EXPECT_TRUE(Browser().FileSource());
  EXPECT_FALSE(Browser().FileControl()->IsGrayed());
  EXPECT_TRUE(LedLit(panel_id::kBrowserFileLed));
  EXPECT_FALSE(LedLit(panel_id::kBrowserInternalLed));

  // INTERNAL goes back to the presets.
  ClickOn(Browser().ControlByKey(399));
  EXPECT_FALSE(Browser().FileSource());
  EXPECT_EQ(Browser().Entries().size(), 64u);
  EXPECT_TRUE(Browser().FileControl()->IsGrayed());
}

TEST_F(BrowserEditorTest, PresetAndBankFilesBecomeEntries) {
  OpenAndSettle();
  const std::string bank = folder / "all.Fxb";  // any case tells the kind
  const std::string preset = folder / "one.FXP";
  ASSERT_TRUE(plug->SaveBankFile(bank));
  plug->Commands().ChoosePreset(9);
  ASSERT_TRUE(plug->SaveProgramFile(preset));
  ShowPage();

  Browser().LoadFileIntoBrowser(bank);
  ASSERT_EQ(Browser().Entries().size(), 64u);
  EXPECT_EQ(Browser().Entries()[63].name, plug->GetPresetName(63));
  EXPECT_EQ(Browser().Entries()[5].programs.size(), 100u);

  Browser().LoadFileIntoBrowser(preset);
  ASSERT_EQ(Browser().Entries().size(), 1u);
  // The .fxp name field keeps 28 characters.
  EXPECT_EQ(Browser().Entries()[0].name, plug->GetPresetName(9).substr(0, 28));
  EXPECT_EQ(Browser().Entries()[0].tracks.size(), 6u);
  EXPECT_EQ(Browser().Entries()[0].programs[42].name, plug->Library().programs[42].name);
}

TEST_F(BrowserEditorTest, FilesYieldingNothingLeaveEmptyLists) {
  OpenAndSettle();
  ShowPage();
  const std::string junk = folder / "junk.syx";
  std::ofstream(junk) << std::string(200, 'x');
  const std::string fakeBank = folder / "fake.fxb";
  std::ofstream(fakeBank) << std::string(400, '\0');
  for (const std::string& path : {junk, fakeBank, folder / "missing.syx"}) {
    Browser().LoadFileIntoBrowser(path);
    EXPECT_TRUE(Browser().Entries().empty()) << path;
    EXPECT_EQ(Browser().SelectedEntry(), -1) << path;
    EXPECT_EQ(RowTexts(ProgramBrowser::kLeftList, 1)[0], " ") << path;
    EXPECT_EQ(RowTexts(ProgramBrowser::kRightList, 1)[0], " ") << path;
    // Empty rows take clicks without effect.
    ClickOn(Browser().Row(ProgramBrowser::kLeftList, 0));
    ClickOn(Browser().Row(ProgramBrowser::kRightList, 0));
    EXPECT_EQ(Browser().SelectedEntry(), -1);
    EXPECT_EQ(Browser().SelectedRightRow(), -1);
  }
}

TEST_F(BrowserEditorTest, ClickingAProgramAuditionsItWithoutTouchingTheLibrary) {
  OpenAndSettle();
  plug->SetParamFromEditor(kParamLinkPrograms, 0.0);
  plug->Panel().SetEditTrack(2);
  ShowPage();
  const auto library = plug->Library().programs;
  const Program wanted = Browser().Entries()[Browser().SelectedEntry()].programs[10];
  ASSERT_NE(wanted.values, plug->Library().programs[plug->Programs().TrackProgramNumber(2)].values);
  // Row 16 of the right list: after the six track rows, library program 10.
  ClickOn(Browser().Row(ProgramBrowser::kRightList, 16));
  EXPECT_EQ(Browser().SelectedRightRow(), 16);
  EXPECT_TRUE(Browser().RowSelected(ProgramBrowser::kRightList, 16));
  for (int k = 0; k < kVoiceParamCount; ++k) EXPECT_EQ(plug->IntParam(VoiceParamIndex(2, k)), wanted.values[k]) << k;
  EXPECT_EQ(plug->GetEngine().GetTrack(2).programName, wanted.name);
  EXPECT_EQ(plug->Library().programs, library);
}

TEST_F(BrowserEditorTest, RecordAllProgramsChangesTheLibraryOnlyAfterYes) {
  OpenAndSettle();
  plug->SetParamFromEditor(kParamLinkPrograms, 0.0);
  const std::string path = WriteSysEx("pair.syx", {7, 3});
  const Program seven = plug->Library().programs[7];
  const Program three = plug->Library().programs[3];
  ShowPage();
  Browser().LoadFileIntoBrowser(path);
  plug->Programs().SelectTrackProgram(1, 3);
  const auto library = plug->Library().programs;
  IControl* recordAll = Browser().ControlByKey(410);

  Window().messageAnswers.push_back(kAnswerNo);
  ClickOn(recordAll);
  ASSERT_EQ(Window().messagesShown.size(), 1u);
  EXPECT_EQ(Window().messagesShown[0].text,
            "This will replace all programs of the current preset. Do you want to continue?");
  EXPECT_EQ(Window().messagesShown[0].caption, "Record All Programs");
  EXPECT_EQ(Window().messagesShown[0].type, kMessageYesNo | kMessageIconQuestion);
  EXPECT_EQ(plug->Library().programs, library);

  Window().messageAnswers.push_back(kAnswerYes);
  ClickOn(recordAll);
  ASSERT_EQ(Window().messagesShown.size(), 2u);
  // Each listed program goes into its own number, with the listed name; the
  // other programs stay.
  for (int p = 0; p < kProgramCount; ++p) {
    if (p == 3 || p == 7) continue;
    EXPECT_EQ(plug->Library().programs[p], library[p]) << p;
  }
  EXPECT_EQ(plug->Library().programs[3].values, three.values);
  EXPECT_EQ(plug->Library().programs[3].name, "PROGRAM 03");
  EXPECT_EQ(plug->Library().programs[7].values, seven.values);
  EXPECT_EQ(plug->Library().programs[7].name, "PROGRAM 07");
  // Track 2 plays program 3 and took it over.
  for (int k = 0; k < kVoiceParamCount; ++k) EXPECT_EQ(plug->IntParam(VoiceParamIndex(1, k)), three.values[k]) << k;
  EXPECT_EQ(plug->GetEngine().GetTrack(1).programName, "PROGRAM 03");
  // The current preset took the new library.
  std::vector<Program> tracks, programs;
  ASSERT_GT(ReadStateSummary(plug->GetPreset(plug->GetCurrentPresetIndex())->state, 0, tracks, programs), 0);
  EXPECT_EQ(programs[3].name, "PROGRAM 03");
}

// The instrument's own SysEx files, chosen with FILE: every program is listed
// under its own number, with its own name where enhanced data carries one, and
// RECORD ALL puts each back into that number. Foreign messages between the
// programs are passed over.
TEST_F(BrowserEditorTest, OwnSysExFilesAreListedAndRecordedByTheirOwnNumbers) {
  OpenAndSettle();
  plug->SetParamFromEditor(kParamLinkPrograms, 0.0);
  ProgramLibrary& library = plug->Library();
  for (int p = 0; p < kProgramCount; ++p) {
    library.programs[p].name = "Sound " + std::to_string(p);
    for (int k = 0; k < kProgramValueCount; ++k)
      library.programs[p].values[k] = static_cast<uint8_t>((p * 37 + k * 11 + 1) & 255);
  }
  const auto saved = library.programs;
  const std::vector<uint8_t> identityRequest = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  const std::vector<uint8_t> otherMaker = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7, 0x12};

  struct Case {
    const char* file;
    bool enhanced;
    std::vector<int> numbers;  // written in this order
    bool foreign;
  };
  std::vector<int> bank(kProgramCount);
  for (int p = 0; p < kProgramCount; ++p) bank[p] = p;
  const Case cases[] = {{"bank-enhanced.syx", true, bank, false},
                        {"bank-plain.syx", false, bank, false},
                        {"single.syx", true, {42}, false},
                        {"single-plain.syx", false, {42}, false},
                        {"foreign.syx", true, {0, 3, 45, 1, 2}, true}};
  ShowPage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    library.programs = saved;
    library.saveEnhancedPrograms = c.enhanced;
    std::vector<uint8_t> bytes;
    for (int p : c.numbers) {
      const std::vector<uint8_t> messages = library.BuildSysEx(p);
      bytes.insert(bytes.end(), messages.begin(), messages.end());
      if (c.foreign)
        bytes.insert(bytes.end(), p % 2 ? identityRequest.begin() : otherMaker.begin(),
                     p % 2 ? identityRequest.end() : otherMaker.end());
    }
    std::ofstream(folder / c.file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    // The library is something else when the file is read back.
    {
      std::lock_guard lock(plug->Mutex());
      library.RestoreFactoryPrograms(-1);
    }
    const auto before = library.programs;

    Window().fileAnswers.push_back(folder / c.file);
    ClickOn(Browser().ControlByKey(400));
    ASSERT_EQ(Browser().Entries().size(), 1u);
    std::vector<int> sorted = c.numbers;
    std::sort(sorted.begin(), sorted.end());
    auto expected = [&](int p) {
      Program program = saved[p];
      if (!c.enhanced) {
        char name[16];
        std::snprintf(name, sizeof name, "PROGRAM %02d", p);
        program.name = name;
        UnpackProgram(PackProgram(saved[p].values), program.values);
      }
      return program;
    };
    const std::vector<Program>& listed = Browser().Entries()[0].programs;
    ASSERT_EQ(listed.size(), sorted.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
      EXPECT_EQ(listed[i].number, sorted[i]);
      EXPECT_EQ(listed[i].name, expected(sorted[i]).name);
      EXPECT_EQ(listed[i].values, expected(sorted[i]).values);
      if (const IKRScrollItemControl* row = Browser().Row(ProgramBrowser::kRightList, static_cast<int>(i))) {
        EXPECT_EQ(row->NumberText() + " " + row->NameText(),
                  std::to_string(sorted[i]) + " " + expected(sorted[i]).name);
      }
    }

    Window().messageAnswers.push_back(kAnswerYes);
    ClickOn(Browser().ControlByKey(410));
    for (int p = 0; p < kProgramCount; ++p) {
      const bool inFile = std::find(sorted.begin(), sorted.end(), p) != sorted.end();
      EXPECT_EQ(library.programs[p].name, inFile ? expected(p).name : before[p].name) << p;
      EXPECT_EQ(library.programs[p].values, inFile ? expected(p).values : before[p].values) << p;
    }
  }
}

// RECORD on the page stores the edit track's sound into its program and then
// selects that program, as the keypad's STORE does: with "Link Programs" on,
// the linked tracks playing another program switch to it.
TEST_F(BrowserEditorTest, RecordStoresAndSelectsTheEditTracksProgram) {
  OpenAndSettle();
  plug->SetParamFromEditor(kParamLinkPrograms, 0.0);
  for (int t = 0; t < 6; ++t) plug->Programs().SelectTrackProgram(t, t == 0 ? 5 : 20 + t);
  plug->SetParamFromEditor(kParamLinkPrograms, 1.0);
  plug->Panel().SetEditTrack(0);
  const int cutoff = VoiceParamIndex(0, kVoiceFilterCutoff);
  plug->SetParamFromEditor(cutoff, plug->GetParam(cutoff)->ToNormalized(12));
  ShowPage();
  ClickOn(Browser().ControlByKey(409));
  EXPECT_EQ(plug->Library().programs[5].values[kVoiceFilterCutoff], 12);
  for (int t = 0; t < 6; ++t) {
    std::lock_guard lock(plug->Mutex());
    EXPECT_EQ(plug->Programs().TrackProgramNumber(t), 5) << t;
    EXPECT_EQ(plug->IntParam(VoiceParamIndex(t, kVoiceFilterCutoff)), 12) << t;
  }
}

// With the internal source the current preset's entry is the live state: the
// track programs and the library the panel changes show at the next idle
// tick, and RECORD ALL of that entry gives back no stored program. Another
// preset chosen is selected, its predecessor listed as it was stored.
TEST_F(BrowserEditorTest, CurrentPresetsEntryFollowsTheLiveTracksAndLibrary) {
  OpenAndSettle();
  plug->SetParamFromEditor(kParamLinkPrograms, 0.0);
  plug->Panel().SetEditTrack(1);
  plug->Programs().SelectTrackProgram(1, 2);
  ShowPage();
  const int current = plug->GetCurrentPresetIndex();
  ASSERT_EQ(Browser().SelectedEntry(), current);
  auto rightRow = [&](int row) { return RowTexts(ProgramBrowser::kRightList, row + 1)[static_cast<size_t>(row)]; };
  EXPECT_EQ(rightRow(1), "T2 " + plug->Library().programs[2].name);

  ClickOn(Browser().ControlByKey(406));  // the page's PROGRAM up: track 2 plays program 3
  EXPECT_EQ(rightRow(1), "T2 " + plug->Library().programs[3].name);
  plug->Programs().RenameTrackProgram(1, "Renamed");
  Idle(1);
  EXPECT_EQ(rightRow(1), "T2 Renamed");
  ClickOn(Browser().ControlByKey(409));  // RECORD into program 3
  ASSERT_EQ(plug->Library().programs[3].name, "Renamed");
  EXPECT_EQ(rightRow(6 + 3), "3 Renamed");

  const auto library = plug->Library().programs;
  Window().messageAnswers.push_back(kAnswerYes);
  ClickOn(Browser().ControlByKey(410));
  EXPECT_TRUE(plug->Library().programs == library);

  ASSERT_NE(current, 25);
  plug->Commands().ChoosePreset(25);
  Idle(1);
  EXPECT_EQ(Browser().SelectedEntry(), 25);
  EXPECT_EQ(Browser().FirstVisible(ProgramBrowser::kLeftList), 20);
  EXPECT_TRUE(Browser().RowSelected(ProgramBrowser::kLeftList, 5));
  EXPECT_EQ(Browser().Entries()[static_cast<size_t>(current)].tracks[1].name, "Renamed");
}

// The page covers the panel's status line: it shows the status itself, with
// what RECORD, SINGLE and BANK report.
TEST_F(BrowserEditorTest, PageShowsTheStatusOfItsCommands) {
  OpenAndSettle();
  plug->SetParamFromEditor(kParamLinkPrograms, 0.0);
  plug->Panel().SetEditTrack(0);
  plug->Programs().SelectTrackProgram(0, 77);  // no other track plays it: RECORD asks nothing
  Idle(1);
  ShowPage();
  auto* status = dynamic_cast<ITextControl*>(Browser().ControlByKey(408));
  ASSERT_NE(status, nullptr);
  EXPECT_FALSE(status->IsHidden());
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const auto* picture = static_cast<const IBitmapControl*>(Browser().ControlByKey(395))->GetBitmap().bitmap;
  ASSERT_NE(picture, nullptr);
  const int versionPixels = ChangedPixels(g, picture, status->GetRect());
  EXPECT_EQ(status->GetText(), "Version 1.0.1.N");

  ClickOn(Browser().ControlByKey(409));  // RECORD
  EXPECT_EQ(status->GetText(), "Program recorded/stored.");
  EXPECT_NE(ChangedPixels(g, picture, status->GetRect()), versionPixels);

  Window().fileAnswers.push_back(folder / "no/such/folder/single.syx");
  ClickOn(Browser().ControlByKey(411));  // SINGLE, into a folder that does not exist
  EXPECT_EQ(status->GetText(), "Cannot save file!");

  Window().fileAnswers.push_back(folder / "bank.syx");
  ClickOn(Browser().ControlByKey(412));  // BANK
  EXPECT_EQ(status->GetText(), "Done.");
  // What the page shows is what the panel's status line shows.
  EXPECT_EQ(StatusLineText(), "Done.");
}

TEST_F(BrowserEditorTest, ScrollBarsPageWithinTheLists) {
  OpenAndSettle();
  ShowPage();
  const Rect left = Browser().ControlByKey(413)->GetRect();
  const Rect right = Browser().ControlByKey(414)->GetRect();
  auto page = [&](const Rect& bar, bool down) { ClickAt(bar.MidX(), down ? bar.bottom - 3 : bar.top + 3); };

  // 64 entries: 0, 20, 40, 60, and no further.
  std::vector<int> firsts;
  for (int i = 0; i < 4; ++i) {
    page(left, true);
    firsts.push_back(Browser().FirstVisible(ProgramBrowser::kLeftList));
  }
  EXPECT_EQ(firsts, (std::vector<int>{20, 40, 60, 60}));
  EXPECT_EQ(Browser().Row(ProgramBrowser::kLeftList, 3)->NumberText(), "63");
  EXPECT_EQ(Browser().Row(ProgramBrowser::kLeftList, 4)->NumberText(), "");
  int top = 0, bottom = 0;
  static_cast<IKRScrollControl*>(Browser().ControlByKey(413))->ThumbSpan(&top, &bottom);
  EXPECT_EQ(top, left.top + 14 + 60 * (left.H() - 28) / 64);
  EXPECT_EQ(bottom, left.bottom - 14);
  // A click above the thumb pages up; never below 0.
  firsts.clear();
  for (int i = 0; i < 4; ++i) {
    page(left, false);
    firsts.push_back(Browser().FirstVisible(ProgramBrowser::kLeftList));
  }
  EXPECT_EQ(firsts, (std::vector<int>{40, 20, 0, 0}));
  EXPECT_EQ(Browser().Row(ProgramBrowser::kLeftList, 0)->NumberText(), "0");

  // 106 rows on the right: 0, 60, and back.
  page(right, true);
  EXPECT_EQ(Browser().FirstVisible(ProgramBrowser::kRightList), 60);
  EXPECT_EQ(Browser().Row(ProgramBrowser::kRightList, 0)->NumberText(), "54");
  EXPECT_EQ(Browser().Row(ProgramBrowser::kRightList, 45)->NumberText(), "99");
  EXPECT_EQ(Browser().Row(ProgramBrowser::kRightList, 46)->NumberText(), "");
  page(right, true);
  EXPECT_EQ(Browser().FirstVisible(ProgramBrowser::kRightList), 60);
  page(right, false);
  EXPECT_EQ(Browser().FirstVisible(ProgramBrowser::kRightList), 0);

  // A list shorter than a page does not move.
  Browser().LoadFileIntoBrowser(WriteSysEx("two.syx", {1, 4}));
  page(right, true);
  EXPECT_EQ(Browser().FirstVisible(ProgramBrowser::kRightList), 0);
  page(left, true);
  EXPECT_EQ(Browser().FirstVisible(ProgramBrowser::kLeftList), 0);
}

TEST_F(BrowserEditorTest, FileButtonLoadsTheFileChosenInItsDialog) {
  OpenAndSettle();
  const std::string path = WriteSysEx("chosen.syx", {9});
  ShowPage();
  IControl* fileButton = Browser().ControlByKey(400);

  // Cancelled: nothing changes.
  ClickOn(fileButton);
  ASSERT_EQ(Window().fileRequests.size(), 1u);
  EXPECT_FALSE(Window().fileRequests[0].save);
  EXPECT_EQ(Window().fileRequests[0].title, "Load File into Browser");
  EXPECT_EQ(Window().fileRequests[0].extensions, (std::vector<std::string>{"fxb", "fxp", "syx"}));
  EXPECT_FALSE(Browser().FileSource());

  Window().fileAnswers.push_back(path);
  ClickOn(fileButton);
  ASSERT_EQ(Window().fileRequests.size(), 2u);
  EXPECT_TRUE(Browser().FileSource());
  EXPECT_EQ(Browser().FilePath(), path);
  EXPECT_EQ(Browser().FileControl()->FileName(), "chosen.syx");
  ASSERT_EQ(Browser().Entries().size(), 1u);
  EXPECT_EQ(RowTexts(ProgramBrowser::kRightList, 1)[0], "9 PROGRAM 09");

  // Now ungrayed, the file name field opens the dialog itself, in the chosen file's folder.
  Window().fileAnswers.push_back(WriteSysEx("other.syx", {1}));
  ClickOn(Browser().FileControl());
  ASSERT_EQ(Window().fileRequests.size(), 3u);
  EXPECT_EQ(Window().fileRequests[2].folder.rfind(folder.Path(), 0), 0u);
  EXPECT_EQ(Browser().Entries()[0].name, "other.syx");
}

TEST_F(BrowserEditorTest, PagePictureHasItsRowsDrawnInTheListAreas) {
  OpenAndSettle();
  plug->Commands().ChoosePreset(2);
  ShowPage();
  ClickOn(Browser().Row(ProgramBrowser::kRightList, 8));
  Idle(3);
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const std::string path = std::string(VORNELL_BINARY_DIR) + "/browser-page.png";
  std::remove(path.c_str());
  ASSERT_TRUE(Window().WriteBackBufferPNG(path));
  const auto* picture = static_cast<const IBitmapControl*>(Browser().ControlByKey(395))->GetBitmap().bitmap;
  ASSERT_NE(picture, nullptr);
  // Filled rows differ from the picture; rows past the last entry do not.
  const panel::Box row = panel::BrowserLeftRow(2);
  EXPECT_GT(ChangedPixels(g, picture, Rect(row.left, row.top, row.right, row.bottom)), 200);
  const panel::Box right = panel::BrowserRightRow(0, 8);
  EXPECT_GT(ChangedPixels(g, picture, Rect(right.left, right.top, right.right, right.bottom)), 200);
  // Nothing of the panel shows through between the lists.
  EXPECT_EQ(ChangedPixels(g, picture, Rect(310, 150, 340, 480)), 0);
}

}  // namespace

namespace {

// SINGLE and BANK save the edit track's program and the library through the
// program menu's commands: a save dialog for .syx files.
TEST_F(BrowserEditorTest, SingleAndBankButtonsSaveSysExFiles) {
  OpenAndSettle();
  ShowPage();
  const std::string single = WriteSysEx("placeholder.syx", {0}) + ".single.syx";
  Window().fileAnswers.push_back(single);
  ClickOn(Browser().ControlByKey(411));
  ASSERT_EQ(Window().fileRequests.size(), 1u);
  EXPECT_TRUE(Window().fileRequests[0].save);
  EXPECT_EQ(Window().fileRequests[0].extensions, (std::vector<std::string>{"syx"}));
  EXPECT_EQ(plug->StatusText(), "Done.");
  std::vector<Program> listed;
  ASSERT_TRUE(ListSysExPrograms(single, true, listed));
  EXPECT_EQ(listed.size(), 1u);

  Window().fileAnswers.push_back(std::nullopt);  // BANK, cancelled: nothing written
  ClickOn(Browser().ControlByKey(412));
  ASSERT_EQ(Window().fileRequests.size(), 2u);
  EXPECT_TRUE(Window().fileRequests[1].save);
}

}  // namespace
