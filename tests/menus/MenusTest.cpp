// The option menu's items and marks, the PROGRAM button menu, and the lock
// while the user is asked.
#include <functional>
#include <mutex>
#include <thread>

#include "editor/Menus.h"
#include "online/MakerSite.h"
#include "programs/ParameterTable.h"
#include "tests/menus/MenuTestSupport.h"

namespace {

class Menus : public MenuFixture {};

TEST_F(Menus, OptionMenuItemsMarksAndTheWebSite) {
  plug->config.midiThru = true;
  plug->config.ignoreProgramChange = false;
  plug->config.receiveParamCCs = true;
  AnswerMenu({21, 1});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 300, 12));
  EXPECT_EQ(Window().urlsOpened, std::vector<std::string>{MakerSiteUrl()});
  EXPECT_TRUE(Window().messagesShown.empty());
  // Without a browser the address is shown, to be typed by hand.
  Window().urlOpens = false;
  AnswerMenu({21, 1});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 300, 12));
  ASSERT_EQ(Window().messagesShown.size(), 1u);
  EXPECT_NE(Window().messagesShown[0].text.find(MakerSiteUrl()), std::string::npos);
  EXPECT_EQ(LastStatus(), MakerSiteUrl());
  Window().messagesShown.clear();
  Window().urlOpens = true;

  const HeadlessWindowSystem::ShownMenu& shown = Window().menusShown.back();
  EXPECT_EQ(shown.texts, (std::vector<std::string>{"Copy Preset",
                                                   "Paste Preset",
                                                   "Init Preset",
                                                   "",
                                                   "Load Preset",
                                                   "Save Preset",
                                                   "Load Bank",
                                                   "Save Bank",
                                                   "",
                                                   "Select Startup Bank",
                                                   "Load Startup Bank",
                                                   "Unselect Startup Bank",
                                                   "",
                                                   "Default Path for Preset Files...",
                                                   "Show Configuration At Startup",
                                                   "Receive Parameter CCs",
                                                   "Don't Ask To Commit",
                                                   "Global MIDI Settings...",
                                                   "Reload Configuration",
                                                   "Save Configuration",
                                                   "",
                                                   "Go Online...",
                                                   "",
                                                   "Editor Size"}));
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
  EXPECT_EQ(online->GetItem(1)->Text(), "Visit kestrune.example");

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
  EXPECT_EQ(
      Window().menusShown.back().texts,
      (std::vector<std::string>{
          "Record/Store Program...", "Init Program", "", "Load Program SysEx File", "Save Program SysEx File",
          "Load Program Bank SysEx File", "Save Program Bank SysEx File", "Additionally Save Enhanced Program Data", "",
          "Restore Factory Program", "Restore All Factory Programs", "", "Default Path For Program Files..."}));
  // The store list is the edit track's.
  {
    std::lock_guard lock(plug->Mutex());
    SetPlain(kParamLinkPrograms, 0);
    plug->Programs().SelectTrackProgram(3, 77);
  }
  plug->Panel().SetEditTrack(3);
  std::unique_ptr<PopupMenu> menu = BuildProgramButtonMenu(*plug);
  const PopupMenu* store = menu->GetItem(0)->Submenu();
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->GetItem(0)->Text(), "Store Program to...");
  EXPECT_TRUE(store->GetItem(0)->IsTitle());
  EXPECT_TRUE(store->GetItem(4)->Submenu()->GetItem(2)->Checked());
}

// Each file dialog says what it asks; the default folders take a folder chooser.
TEST_F(Menus, FileDialogsSayWhatIsAsked) {
  struct Step {
    std::function<void()> run;
    const char* title;
    bool folder;
  };
  const std::vector<Step> steps = {
      {[&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoad); }, "Load Preset", false},
      {[&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSave); }, "Save Preset", false},
      {[&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadBank); }, "Load Bank", false},
      {[&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSaveBank); }, "Save Bank", false},
      {[&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSelectStartupBank); }, "Select Startup Bank",
       false},
      {[&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdDefaultPath); },
       "Default Path for Preset Files", true},
      {[&] { plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdLoadFile); }, "Load Program SysEx File",
       false},
      {[&] { plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveFile); }, "Save Program SysEx File",
       false},
      {[&] { plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdLoadBankFile); },
       "Load Program Bank SysEx File", false},
      {[&] { plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveBankFile); },
       "Save Program Bank SysEx File", false},
      {[&] { plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdDefaultPath); },
       "Default Path For Program Files", true},
      {[&] { plug->Sequencing().LoadSequenceFromMidiFile(1); }, "Load Sequence B From MIDI File", false},
      {[&] { plug->Sequencing().SaveSequenceToMidiFile(0, false); }, "Save Sequence A To MIDI Type 0 File", false},
      {[&] { plug->Sequencing().ChooseDefaultSequencePath(); }, "Default Path For Sequence Files", true},
  };
  for (const Step& step : steps) {
    AnswerMessage(kAnswerYes);  // to a question on the way
    Window().fileRequests.clear();
    step.run();
    Window().messageAnswers.clear();
    ASSERT_EQ(Window().fileRequests.size(), 1u) << step.title;
    EXPECT_EQ(Window().fileRequests[0].title, step.title);
    EXPECT_EQ(Window().fileRequests[0].chooseFolder, step.folder) << step.title;
  }
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
    std::lock_guard lock(plug->Mutex());
    SetPlain(kParamLinkPrograms, 0);
    plug->Programs().SelectTrackProgram(0, 4);
    plug->Programs().SelectTrackProgram(1, 5);
  }
  plug->Panel().SetEditTrack(0);
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
