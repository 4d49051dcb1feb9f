// The PROGRAM button menu's commands: storing into another program, refusals
// while a program is modified, System Exclusive files, factory programs, the
// enhanced-data switch and the default folder.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#include "editor/Menus.h"
#include "programs/ParameterTable.h"
#include "tests/menus/MenuTestSupport.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string text = ReadText(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

class ProgramCommands : public MenuFixture {
 protected:
  void SetUp() override {
    MenuFixture::SetUp();
    SetPlain(kParamLinkPrograms, 0);
  }
  void Select(int t, int p) {
    std::lock_guard lock(plug->Mutex());
    plug->Programs().SelectTrackProgram(t, p);
  }
  int Playing(int t) {
    std::lock_guard lock(plug->Mutex());
    return plug->Programs().TrackProgramNumber(t);
  }
  uint8_t LibraryValue(int p, int k) { return plug->Library().programs[static_cast<size_t>(p)].values[k]; }
};

constexpr int kCutoff = kVoiceFilterCutoff;

TEST_F(ProgramCommands, StoringIntoAnotherProgramAsksThenSwitchesTheEditTrack) {
  plug->Panel().SetEditTrack(0);
  Select(0, 3);
  Select(4, 28);
  const ProgramValues before3 = plug->Library().programs[3].values;
  ASSERT_NE(LibraryValue(28, kCutoff), 2);
  SetPlain(VoiceParamIndex(0, kCutoff), 2);

  // Program 28 is track 5's: "no" stores nothing. Path: the submenu, "25 - 49", item 3.
  AnswerMenu({0, 2, 3});
  AnswerMessage(kAnswerNo);
  EXPECT_TRUE(RunProgramButtonMenu(*plug, Graphics(), 120, 40));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{
                "Record/Store Program|This will affect other tracks using this program. Do you want to continue?"});
  EXPECT_NE(LibraryValue(28, kCutoff), 2);
  EXPECT_EQ(Playing(0), 3);

  AnswerMenu({0, 2, 3});
  AnswerMessage(kAnswerYes);
  EXPECT_TRUE(RunProgramButtonMenu(*plug, Graphics(), 120, 40));
  EXPECT_EQ(LibraryValue(28, kCutoff), 2);
  EXPECT_EQ(plug->Library().programs[3].values, before3);
  EXPECT_EQ(Playing(0), 28);
  EXPECT_EQ(VoiceValue(0, kCutoff), 2);
  EXPECT_EQ(VoiceValue(4, kCutoff), 2);  // the other track playing 28 took the stored sound
  EXPECT_FALSE(plug->GetEngine().GetTrack(0).programModified);
  // The switch to program 28 does not wipe the store's message.
  Idle(2);
  EXPECT_EQ(StatusLineText(), "Program recorded/stored.");

  ASSERT_EQ(Window().menusShown.size(), 2u);
  EXPECT_EQ(Window().menusShown[0].x, 120);
  EXPECT_EQ(Window().menusShown[0].y, 40);
}

TEST_F(ProgramCommands, DontAskToCommitFromTheOptionMenuSkipsTheQuestion) {
  plug->Panel().SetEditTrack(1);
  Select(1, 10);
  Select(2, 11);
  SetPlain(VoiceParamIndex(1, kCutoff), 3);
  AnswerMenu({16});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 5, 5));
  ASSERT_TRUE(plug->DontAskToCommit());
  EXPECT_TRUE(BuildOptionMenu(*plug)->GetItem(16)->Checked());

  EXPECT_TRUE(plug->Commands().StoreProgramFromMenu(11));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(LibraryValue(11, kCutoff), 3);
  EXPECT_EQ(Playing(1), 11);

  // The bank questions are skipped too.
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdRestoreAllFactory);
  EXPECT_TRUE(Messages().empty());
  EXPECT_NE(LibraryValue(11, kCutoff), 3);

  AnswerMenu({16});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 5, 5));
  EXPECT_FALSE(plug->DontAskToCommit());
  EXPECT_NE(ReadText(plug->config.iniPath).find("Dont Ask To Commit=false"), std::string::npos);
}

TEST_F(ProgramCommands, SavingIsRefusedWhileAProgramIsModified) {
  plug->Panel().SetEditTrack(1);
  Select(1, 7);
  SetPlain(VoiceParamIndex(1, kCutoff), 4);
  const std::string path = folder / "single.syx";
  AnswerFile(path);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveFile);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveBankFile);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"Modified Program|Please record/store program 07 first.",
                                      "Modified Program|Please record/store program 07 on track 2 first."}));
  EXPECT_TRUE(Window().fileRequests.empty());
  EXPECT_FALSE(std::filesystem::exists(path));

  // Stored under a name with characters a file name must not carry.
  plug->Programs().RenameTrackProgram(1, "A/B:C?");
  plug->Commands().StoreProgramFromMenu(7);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveFile);
  ASSERT_EQ(Window().fileRequests.size(), 1u);
  EXPECT_TRUE(Window().fileRequests[0].save);
  EXPECT_EQ(Window().fileRequests[0].fileName, "A_B_C_");
  EXPECT_EQ(Window().fileRequests[0].extensions, std::vector<std::string>{"syx"});
  EXPECT_EQ(ReadBytes(path), plug->Library().BuildSysEx(7));
  EXPECT_EQ(LastStatus(), "Done.");
  EXPECT_EQ(plug->StatusColour(), kStatusGreen);
  EXPECT_EQ(plug->Commands().ProgramFolder(), folder.Path());
}

TEST_F(ProgramCommands, BankLoadAnsweredNoLoadsNothing) {
  const std::string path = folder / "bank.syx";
  {
    std::lock_guard lock(plug->Mutex());
    plug->Library().programs[40].values[kCutoff] = 5;
    plug->Library().programs[40].name = "CHANGED";
    const std::vector<uint8_t> bank = plug->Library().BuildSysEx(-1);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bank.data()), static_cast<std::streamsize>(bank.size()));
    ASSERT_TRUE(plug->Library().RestoreFactoryPrograms(40));
  }
  AnswerMessage(kAnswerNo);
  AnswerFile(path);
  AnswerMenu({5});
  EXPECT_TRUE(RunProgramButtonMenu(*plug, Graphics(), 0, 0));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"Load Program Bank File|This will affect all tracks. Do you want to continue?"});
  EXPECT_TRUE(Window().fileRequests.empty());
  EXPECT_NE(plug->Library().programs[40].name, "CHANGED");

  AnswerMessage(kAnswerYes);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdLoadBankFile);
  ASSERT_EQ(Window().fileRequests.size(), 1u);
  EXPECT_FALSE(Window().fileRequests[0].save);
  EXPECT_EQ(plug->Library().programs[40].name, "CHANGED");
  EXPECT_EQ(LibraryValue(40, kCutoff), 5);
  EXPECT_EQ(LastStatus(), "Done.");
}

TEST_F(ProgramCommands, SingleLoadAsksWhenSharedAndReportsAFailedFile) {
  plug->Panel().SetEditTrack(0);
  Select(0, 12);
  Select(3, 12);
  AnswerMessage(kAnswerYes);
  AnswerFile(folder / "missing.syx");
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdLoadFile);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{
                "Load Program File|This will affect other tracks using this program. Do you want to continue?",
                "Error|Cannot load file!"}));
  EXPECT_EQ(LastStatus(), "Cannot load file!");
  EXPECT_EQ(plug->StatusColour(), kStatusRed);

  // A file holding program 30 lands in the edit track's program 12, on both tracks.
  std::vector<uint8_t> one;
  {
    std::lock_guard lock(plug->Mutex());
    plug->Library().programs[30].values[kCutoff] = 6;
    one = plug->Library().BuildSysEx(30);
  }
  const std::string path = folder / "thirty.syx";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(one.data()), static_cast<std::streamsize>(one.size()));
  AnswerMessage(kAnswerYes);
  AnswerFile(path);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdLoadFile);
  EXPECT_EQ(LibraryValue(12, kCutoff), 6);
  EXPECT_EQ(VoiceValue(0, kCutoff), 6);
  EXPECT_EQ(VoiceValue(3, kCutoff), 6);
  EXPECT_EQ(LastStatus(), "Done.");
}

TEST_F(ProgramCommands, FactoryRestoreOfOneProgramAndRefusedRestoreOfAll) {
  plug->Panel().SetEditTrack(2);
  Select(2, 50);
  const ProgramValues factory = plug->Library().programs[50].values;
  SetPlain(VoiceParamIndex(2, kCutoff), 7);
  plug->Commands().StoreProgramFromMenu(50);
  ASSERT_EQ(LibraryValue(50, kCutoff), 7);

  AnswerMessage(kAnswerNo);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdRestoreAllFactory);
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "Restore All Factory Programs|This will affect all tracks. Do you want to continue?"});
  EXPECT_EQ(LibraryValue(50, kCutoff), 7);

  // Nobody else plays 50: no question.
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdRestoreFactory);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(plug->Library().programs[50].values, factory);
  EXPECT_EQ(VoiceValue(2, kCutoff), factory[kCutoff]);
}

TEST_F(ProgramCommands, EnhancedDataSwitchAndDefaultFolderAreWrittenToTheSettings) {
  ASSERT_TRUE(plug->config.saveEnhancedPrograms);
  EXPECT_TRUE(BuildProgramButtonMenu(*plug)->GetItem(7)->Checked());
  AnswerMenu({7});
  EXPECT_TRUE(RunProgramButtonMenu(*plug, Graphics(), 0, 0));
  EXPECT_FALSE(plug->config.saveEnhancedPrograms);
  EXPECT_FALSE(plug->Library().saveEnhancedPrograms);
  EXPECT_FALSE(BuildProgramButtonMenu(*plug)->GetItem(7)->Checked());
  EXPECT_NE(ReadText(plug->config.iniPath).find("Save Enhanced Prgs=false"), std::string::npos);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdToggleEnhanced);
  EXPECT_TRUE(plug->Library().saveEnhancedPrograms);

  const std::string original = plug->config.programPath;
  const uint32_t statusSerial = plug->StatusSerial();
  std::filesystem::create_directory(folder / "programs");
  AnswerFile(folder / "programs");
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdDefaultPath);
  ASSERT_EQ(Window().fileRequests.size(), 1u);
  EXPECT_TRUE(Window().fileRequests[0].chooseFolder);
  EXPECT_TRUE(Window().fileRequests[0].fileName.empty());
  EXPECT_TRUE(Window().fileRequests[0].extensions.empty());
  EXPECT_EQ(plug->Commands().ProgramFolder(), folder / "programs");
  EXPECT_NE(ReadText(plug->config.iniPath).find("Path to Program Files=" + (folder / "programs")), std::string::npos);
  EXPECT_EQ(plug->StatusSerial(), statusSerial);  // no status message
  plug->config.SetDefaultProgramPath(original);
}

TEST_F(ProgramCommands, InitProgramAndNothingWhileTheWindowIsClosed) {
  plug->Panel().SetEditTrack(4);
  AnswerMenu({1});
  EXPECT_TRUE(RunProgramButtonMenu(*plug, Graphics(), 0, 0));
  EXPECT_EQ(plug->GetEngine().GetTrack(4).programName, "BASIC PATCH");

  Dispatch(effEditClose);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdRestoreAllFactory);
  plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdLoadBankFile);
  EXPECT_FALSE(plug->Commands().StoreProgramFromMenu(3));
  EXPECT_TRUE(Window().messagesShown.empty());
  EXPECT_TRUE(Window().fileRequests.empty());
}

}  // namespace
