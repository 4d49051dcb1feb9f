// The menus themselves: the program and preset lists, the option menu's
// items and marks, the PROGRAM button menu and the sequence menus.
#include <filesystem>
#include <mutex>
#include <thread>

#include "editor/Menus.h"
#include "programs/ParameterTable.h"
#include "sequencer/SequenceFileCommands.h"
#include "tests/menus/MenuTestSupport.h"

namespace {

class Menus : public MenuFixture {};

TEST_F(Menus, ProgramListHasFourRangesAndMapsChoicesBackToNumbers) {
  {
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    SetPlain(kParamLinkPrograms, 0);
    plug->SelectTrackProgram(2, 57);
    plug->library.programs[31].name = std::string(70, 'N');
  }
  std::unique_ptr<PopupMenu> menu = BuildProgramMenu(*plug, 2, "Select Program");
  ASSERT_EQ(menu->NItems(), 5);
  EXPECT_EQ(menu->GetItem(0)->Text(), "Select Program");
  EXPECT_TRUE(menu->GetItem(0)->IsTitle());
  const char* ranges[] = {"00 - 24", "25 - 49", "50 - 74", "75 - 99"};
  int checked = 0;
  for (int s = 0; s < 4; ++s) {
    PopupMenu* sub = menu->GetItem(s + 1)->Submenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(menu->GetItem(s + 1)->Text(), ranges[s]);
    ASSERT_EQ(sub->NItems(), 25);
    for (int i = 0; i < 25; ++i) checked += sub->GetItem(i)->Checked() ? 1 : 0;
  }
  EXPECT_EQ(checked, 1);
  EXPECT_TRUE(menu->GetItem(3)->Submenu()->GetItem(7)->Checked());
  EXPECT_EQ(menu->GetItem(3)->Submenu()->GetItem(7)->Text(), "57: " + plug->library.programs[57].name);
  EXPECT_EQ(menu->GetItem(2)->Submenu()->GetItem(6)->Text(), "31: " + std::string(64, 'N'));

  PopupMenu* last = menu->GetItem(4)->Submenu();
  last->SetChosenItemIdx(24);
  EXPECT_EQ(ProgramFromMenuChoice(*menu, last), 99);
  PopupMenu* first = menu->GetItem(1)->Submenu();
  first->SetChosenItemIdx(0);
  EXPECT_EQ(ProgramFromMenuChoice(*menu, first), 0);
  PopupMenu other;
  other.SetChosenItemIdx(3);
  EXPECT_EQ(ProgramFromMenuChoice(*menu, &other), -1);
  EXPECT_EQ(ProgramFromMenuChoice(*menu, nullptr), -1);

  // Track -1 is the edit track.
  plug->editTrack = 2;
  EXPECT_TRUE(BuildProgramMenu(*plug, -1, "t")->GetItem(3)->Submenu()->GetItem(7)->Checked());
}

TEST_F(Menus, PresetListOpensUnderTheSelectorAndGivesThePreset) {
  {
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    ASSERT_TRUE(plug->SelectPreset(19));
  }
  std::unique_ptr<PopupMenu> menu = BuildPresetMenu(*plug);
  ASSERT_EQ(menu->NItems(), 4);
  EXPECT_EQ(menu->GetItem(3)->Text(), "48 - 63");
  EXPECT_EQ(menu->GetItem(1)->Submenu()->NItems(), 16);
  EXPECT_TRUE(menu->GetItem(1)->Submenu()->GetItem(3)->Checked());
  EXPECT_EQ(menu->GetItem(1)->Submenu()->GetItem(3)->Text(), "19: " + plug->GetPresetName(19));

  AnswerMenu({3, 15});
  EXPECT_EQ(RunPresetMenu(*plug, Graphics(), Rect(40, 10, 200, 26)), 63);
  EXPECT_EQ(Window().menusShown.back().x, 40);
  EXPECT_EQ(Window().menusShown.back().y, 26);
  EXPECT_EQ(RunPresetMenu(*plug, Graphics(), Rect(40, 10, 200, 26)), -1);  // dismissed
  EXPECT_EQ(plug->GetCurrentPresetIndex(), 19);
}

TEST_F(Menus, OptionMenuItemsMarksAndTheWebSite) {
  plug->config.midiThru = true;
  plug->config.ignoreProgramChange = false;
  plug->config.receiveParamCCs = true;
  AnswerMenu({21, 1});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 300, 12));
  EXPECT_EQ(Window().urlsOpened, std::vector<std::string>{kMakerSiteUrl});
  EXPECT_TRUE(Window().messagesShown.empty());

  const HeadlessWindowSystem::ShownMenu& shown = Window().menusShown.back();
  EXPECT_EQ(shown.texts, (std::vector<std::string>{
                             "Copy Preset", "Paste Preset", "Init Preset", "", "Load Preset", "Save Preset", "Load Bank",
                             "Save Bank", "", "Select Startup Bank", "Load Startup Bank", "Unselect Startup Bank", "",
                             "Default Path for Preset Files...", "Show Configuration At Startup",
                             "Receive Parameter CCs", "Don't Ask To Commit", "Global MIDI Settings...",
                             "Reload Configuration", "Save Configuration", "", "Go Online..."}));
  EXPECT_TRUE(shown.flags[15] & PopupMenuItem::kChecked);
  EXPECT_FALSE(shown.flags[14] & PopupMenuItem::kChecked);

  std::unique_ptr<PopupMenu> menu = BuildOptionMenu(*plug);
  PopupMenu* midi = menu->GetItem(17)->Submenu();
  ASSERT_NE(midi, nullptr);
  EXPECT_EQ(midi->GetItem(0)->Text(), "MIDI Thru");
  EXPECT_TRUE(midi->GetItem(0)->Checked());
  EXPECT_EQ(midi->GetItem(1)->Text(), "Ignore Program Change");
  EXPECT_FALSE(midi->GetItem(1)->Checked());
  PopupMenu* online = menu->GetItem(21)->Submenu();
  EXPECT_EQ(online->GetItem(0)->Text(), "Check Online for Update");
  EXPECT_FALSE(online->GetItem(0)->Enabled());
  EXPECT_EQ(online->GetItem(1)->Text(), kMakerSiteLabel);

  // The MIDI switches run through the submenu and are written at once.
  AnswerMenu({17, 1});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 0, 0));
  EXPECT_TRUE(plug->IgnoreProgramChange());
  AnswerMenu({17, 1});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 0, 0));
  EXPECT_FALSE(plug->IgnoreProgramChange());
  AnswerMenu({15});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 0, 0));
  EXPECT_FALSE(plug->config.receiveParamCCs);
  plug->config.ToggleSetting(ConfigSetting::ReceiveParamCCs);
}

TEST_F(Menus, ProgramButtonMenuItems) {
  AnswerMenu({});
  EXPECT_FALSE(RunProgramButtonMenu(*plug, Graphics(), 0, 0));
  EXPECT_EQ(Window().menusShown.back().texts,
            (std::vector<std::string>{"Record/Store Program...", "Init Program", "", "Load Program SysEx File",
                                      "Save Program SysEx File", "Load Program Bank SysEx File",
                                      "Save Program Bank SysEx File", "Additionally Save Enhanced Program Data", "",
                                      "Restore Factory Program", "Restore All Factory Programs", "",
                                      "Default Path For Program Files..."}));
  std::unique_ptr<PopupMenu> menu = BuildProgramButtonMenu(*plug);
  EXPECT_EQ(menu->GetItem(0)->Submenu()->GetItem(0)->Text(), "Store Program to...");
}

TEST_F(Menus, SequenceMenusFollowTheSequenceAndTheMode) {
  const std::string originalSequencePath = plug->config.sequencePath;
  AnswerMenu({});
  EXPECT_FALSE(RunSequenceMenu(*plug, Graphics(), 0, 50, 60));
  const HeadlessWindowSystem::ShownMenu& a = Window().menusShown.back();
  EXPECT_EQ(a.texts, (std::vector<std::string>{"Load Sequence A From MIDI File", "Save Sequence A To MIDI Type 0 File",
                                               "Save Sequence A To MIDI Type 1 File", "Clear Sequence A", "",
                                               "Default Path For Sequence Files..."}));
  EXPECT_FALSE(a.flags[0] & PopupMenuItem::kDisabled);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(a.flags[static_cast<size_t>(i)] & PopupMenuItem::kDisabled) << i;
  EXPECT_FALSE(a.flags[5] & PopupMenuItem::kDisabled);

  // "Default Path For Sequence Files..." runs the same command from both menus.
  AnswerMenu({5});
  AnswerFile(folder / "[file name is ignored]");
  EXPECT_TRUE(RunSequenceMenu(*plug, Graphics(), 0, 50, 60));
  EXPECT_EQ(plug->config.sequencePath, folder.Path());
  std::filesystem::create_directory(folder / "b");
  AnswerMenu({5});
  AnswerFile(folder / "b/[file name is ignored]");
  EXPECT_TRUE(RunSequenceMenu(*plug, Graphics(), 1, 50, 60));
  EXPECT_EQ(plug->config.sequencePath, folder / "b");
  EXPECT_EQ(Window().fileRequests.back().fileName, "[file name is ignored]");

  // With material in Seq B its items are offered, and clearing asks first.
  {
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    SequenceEvent on{0, 0x90, 60, 100};
    SequenceEvent off{96, 0x80, 60, 0};
    ASSERT_TRUE(plug->seqB.AddEvent(on));
    ASSERT_TRUE(plug->seqB.AddEvent(off));
    plug->seqB.length = 192;
  }
  AnswerMenu({3});
  AnswerMessage(kAnswerYes);
  EXPECT_TRUE(RunSequenceMenu(*plug, Graphics(), 1, 0, 0));
  const HeadlessWindowSystem::ShownMenu& b = Window().menusShown.back();
  EXPECT_EQ(b.texts[3], "Clear Sequence B");
  for (int i = 1; i <= 3; ++i) EXPECT_FALSE(b.flags[static_cast<size_t>(i)] & PopupMenuItem::kDisabled) << i;
  EXPECT_EQ(Messages().back(), "Clear Sequence B|Do you really want to clear Sequence B?");
  EXPECT_TRUE(plug->seqB.Empty());

  // In Mode 1 the press belongs to the front panel: no menu.
  {
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    SequenceEvent on{0, 0x90, 60, 100};
    ASSERT_TRUE(plug->seqA.AddEvent(on));
    plug->seqA.length = 192;
    ASSERT_TRUE(plug->SetMode(1));
  }
  const size_t shownBefore = Window().menusShown.size();
  AnswerMenu({0});
  EXPECT_FALSE(RunSequenceMenu(*plug, Graphics(), 0, 0, 0));
  EXPECT_FALSE(RunSequenceMenu(*plug, Graphics(), 1, 0, 0));
  EXPECT_EQ(Window().menusShown.size(), shownBefore);
  plug->config.SetDefaultSequencePath(originalSequencePath);
  ForgetSequenceFolder();
}

// The audio thread must get the plug-in lock while a menu, a question or a
// file dialog waits for the user.
TEST_F(Menus, NoLockIsHeldWhileTheUserIsAsked) {
  int waits = 0;
  int blocked = 0;
  Window().duringModal = [&] {
    ++waits;
    bool free = false;
    std::thread audio([&] {
      free = plug->Mutex().try_lock();
      if (free) plug->Mutex().unlock();
    });
    audio.join();
    if (!free) ++blocked;
  };
  const std::string original = plug->config.presetPath;
  {
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    SetPlain(kParamLinkPrograms, 0);
    plug->SelectTrackProgram(0, 4);
    plug->SelectTrackProgram(1, 5);
  }
  plug->editTrack = 0;
  AnswerMenu({0, 1, 5});  // store into 5, which track 2 plays: a question
  AnswerMessage(kAnswerNo);
  RunProgramButtonMenu(*plug, Graphics(), 0, 0);
  AnswerMenu({5});  // bank load: question and file dialog
  AnswerMessage(kAnswerYes);
  AnswerFile(std::nullopt);
  RunProgramButtonMenu(*plug, Graphics(), 0, 0);
  AnswerMenu({18});  // reload configuration: question
  AnswerMessage(kAnswerNo);
  RunOptionMenu(*plug, Graphics(), 0, 0);
  AnswerMenu({5});  // save preset: file dialog, then the error box
  AnswerFile(folder / "missing-folder/p.fxp");
  RunOptionMenu(*plug, Graphics(), 0, 0);
  AnswerMenu({13});  // default folder dialog
  AnswerFile(std::nullopt);
  RunOptionMenu(*plug, Graphics(), 0, 0);
  EXPECT_EQ(waits, 12);
  EXPECT_EQ(blocked, 0);
  Window().duringModal = nullptr;
  EXPECT_EQ(plug->config.presetPath, original);
}

}  // namespace
