// The option menu's preset commands: the clipboard, preset and bank files
// with their proposed names, the startup bank and the preset folder.
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>

#include "editor/Menus.h"
#include "performance/PanelIds.h"
#include "platform/Paths.h"
#include "programs/ParameterTable.h"
#include "tests/menus/MenuTestSupport.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PresetCommands : public MenuFixture {
 protected:
  void SelectPreset(int i) {
    std::lock_guard lock(plug->Mutex());
    ASSERT_TRUE(plug->SelectPreset(i));
  }
  // The option menu's flags as the window showed them last.
  int ShownFlags(int item) { return Window().menusShown.back().flags.at(static_cast<size_t>(item)); }
};

constexpr int kCutoff = kVoiceFilterCutoff;

TEST_F(PresetCommands, PasteIsDisabledBeforeCopyAndTakesTheCopiedPresetsNewName) {
  AnswerMenu({1});
  EXPECT_FALSE(RunOptionMenu(*plug, Graphics(), 10, 20));  // a disabled item cannot be chosen
  EXPECT_TRUE(ShownFlags(1) & PopupMenuItem::kDisabled);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdPaste);  // an empty clipboard: not even a question
  EXPECT_TRUE(Messages().empty());

  SelectPreset(5);
  SetPlain(VoiceParamIndex(0, kCutoff), 3);
  AnswerMenu({0});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 10, 20));
  EXPECT_TRUE(BuildOptionMenu(*plug)->GetItem(1)->Enabled());
  plug->GetPreset(5)->name = "Renamed Five";

  SelectPreset(9);
  ASSERT_NE(VoiceValue(0, kCutoff), 3);
  const std::string name9 = plug->GetPresetName(9);
  AnswerMenu({1});
  AnswerMessage(kAnswerNo);
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 10, 20));
  EXPECT_EQ(plug->GetPresetName(9), name9);
  EXPECT_NE(VoiceValue(0, kCutoff), 3);

  AnswerMenu({1});
  AnswerMessage(kAnswerYes);
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 10, 20));
  EXPECT_EQ(plug->GetPresetName(9), "Renamed Five");
  EXPECT_EQ(VoiceValue(0, kCutoff), 3);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Paste Preset|Do you really want to overwrite the current preset?",
                                                  "Paste Preset|Do you really want to overwrite the current preset?"}));
}

TEST_F(PresetCommands, InitPresetAsksFirst) {
  SetPlain(VoiceParamIndex(1, kCutoff), 1);
  AnswerMessage(kAnswerNo);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdInit);
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"Initialize Preset|Do you really want to initialize the current preset?"});
  EXPECT_EQ(VoiceValue(1, kCutoff), 1);
  AnswerMessage(kAnswerYes);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdInit);
  EXPECT_EQ(plug->GetPresetName(plug->GetCurrentPresetIndex()), "Vornell");
}

TEST_F(PresetCommands, FilesGetTheProposedNamesAndTheFolderFollows) {
  plug->GetPreset(plug->GetCurrentPresetIndex())->name = "a<b>c:d\"e/f\\g|h?i*j";
  AnswerFile(folder / "preset.fxp");
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSave);
  AnswerFile(folder / "bank.fxb");
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSaveBank);
  ASSERT_EQ(Window().fileRequests.size(), 2u);
  EXPECT_EQ(Window().fileRequests[0].fileName, "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(Window().fileRequests[0].extensions, std::vector<std::string>{"fxp"});
  EXPECT_TRUE(Window().fileRequests[0].save);
  EXPECT_EQ(Window().fileRequests[1].fileName, "Vornell");
  EXPECT_EQ(Window().fileRequests[1].extensions, std::vector<std::string>{"fxb"});
  EXPECT_EQ(Window().fileRequests[1].folder, folder.Path());
  EXPECT_TRUE(std::filesystem::exists(folder / "preset.fxp"));
  EXPECT_TRUE(std::filesystem::exists(folder / "bank.fxb"));
  EXPECT_EQ(plug->Commands().PresetFolder(), folder.Path());
  EXPECT_EQ(LastStatus(), "Done.");

  // The saved preset comes back over an edit.
  const int saved = VoiceValue(0, kCutoff);
  SetPlain(VoiceParamIndex(0, kCutoff), saved == 9 ? 10 : 9);
  AnswerFile(folder / "preset.fxp");
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoad);
  EXPECT_EQ(VoiceValue(0, kCutoff), saved);

  // A cancelled dialog does nothing but still says "Done."; a broken file says why.
  plug->ShowStatus("other", kStatusWhite);
  AnswerFile(std::nullopt);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadBank);
  EXPECT_EQ(LastStatus(), "Done.");
  std::ofstream(folder / "broken.fxb") << "not a bank";
  AnswerFile(folder / "broken.fxb");
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadBank);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Error|Cannot load file!"});
  EXPECT_EQ(plug->StatusColour(), kStatusRed);
  AnswerFile(folder / "no-such-folder/x.fxp");
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSave);
  EXPECT_EQ(Messages().back(), "Error|Cannot save file!");
}

TEST_F(PresetCommands, StartupBankItemsFollowTheSelectionAndAVanishedFileIsReported) {
  AnswerMenu({});
  RunOptionMenu(*plug, Graphics(), 0, 0);
  EXPECT_TRUE(ShownFlags(10) & PopupMenuItem::kDisabled);
  EXPECT_TRUE(ShownFlags(11) & PopupMenuItem::kDisabled);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadStartupBank);
  EXPECT_TRUE(Messages().empty());

  const std::string path = folder / "startup.fxb";
  AnswerFile(folder / "bank-for-startup.fxb");
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSaveBank);
  std::filesystem::rename(folder / "bank-for-startup.fxb", path);
  AnswerFile(path);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSelectStartupBank);
  EXPECT_EQ(Window().fileRequests.back().folder, DocumentsFolder());
  EXPECT_EQ(plug->Commands().StartupBankPath(), path);
  EXPECT_NE(ReadText(plug->config.iniPath).find("[Startup Bank]\nFile=" + path), std::string::npos);
  EXPECT_EQ(LastStatus(), "Done.");
  AnswerMenu({});
  RunOptionMenu(*plug, Graphics(), 0, 0);
  EXPECT_FALSE(ShownFlags(10) & PopupMenuItem::kDisabled);
  EXPECT_FALSE(ShownFlags(11) & PopupMenuItem::kDisabled);

  std::filesystem::remove(path);
  AnswerMessage(kAnswerYes);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadStartupBank);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Load Startup Bank|The Startup Bank is:\n" + path +
                                                      "\n\nDo you really want to reload all programs?",
                                                  "Error|Cannot load file!"}));
  EXPECT_EQ(LastStatus(), "Cannot load file!");

  // The next instance falls back to the built-in bank.
  {
    Vornell next;
    EXPECT_TRUE(next.Commands().StartupBankPath().empty());
    VornellStartup builtIn;
    builtIn.startupBankPath = std::string();
    Vornell reference(builtIn);
    for (int i = 0; i < reference.NumPresets(); ++i) EXPECT_EQ(next.GetPresetName(i), reference.GetPresetName(i));
  }

  Window().messagesShown.clear();
  AnswerMessage(kAnswerNo);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdUnselectStartupBank);
  EXPECT_EQ(plug->Commands().StartupBankPath(), path);
  AnswerMessage(kAnswerYes);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdUnselectStartupBank);
  EXPECT_EQ(Messages().back(),
            "Unselect Startup Bank|The Startup Bank is:\n" + path + "\n\nDo you really want to unselect it?");
  EXPECT_TRUE(plug->Commands().StartupBankPath().empty());
  EXPECT_EQ(ReadText(plug->config.iniPath).find("File=" + path), std::string::npos);
}

TEST_F(PresetCommands, DefaultPresetFolderIsWrittenWithoutAStatusMessage) {
  const std::string original = plug->config.presetPath;
  const uint32_t statusSerial = plug->StatusSerial();
  AnswerFile(folder.Path() + "/");
  AnswerMenu({13});
  ASSERT_TRUE(RunOptionMenu(*plug, Graphics(), 0, 0));
  EXPECT_TRUE(Window().fileRequests.back().chooseFolder);
  EXPECT_EQ(plug->Commands().PresetFolder(), folder.Path());
  EXPECT_NE(ReadText(plug->config.iniPath).find("Path to Preset Files=" + folder.Path()), std::string::npos);
  EXPECT_EQ(plug->StatusSerial(), statusSerial);

  // The preset dialogs open there.
  AnswerFile(std::nullopt);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoad);
  EXPECT_EQ(Window().fileRequests.back().folder, folder.Path());
  plug->config.SetDefaultPresetPath(original);
}

// Every way the editor changes the current preset or a preset's name tells the
// host, so that its preset display follows.
TEST_F(PresetCommands, EveryPresetChangeFromTheEditorIsToldTheHost) {
  const std::string fxp = folder / "one.fxp";
  const std::string fxb = folder / "all.fxb";
  AnswerFile(fxp);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSave);
  AnswerFile(fxb);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdSaveBank);
  plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdCopy);
  plug->Commands().SetStartupBankPath(fxb);
  // The questions and file dialogs below, in the order they come.
  for (int i = 0; i < 3; ++i) AnswerMessage(kAnswerYes);
  AnswerFile(fxp);
  AnswerFile(fxb);
  const std::vector<std::pair<std::string, std::function<void()>>> changes = {
      {"preset selector", [&] { plug->Commands().ChoosePreset(3); }},
      {"preset arrow", [&] { plug->Panel().OnButtonDown(panel_id::kPresetNext, false); }},
      {"init preset", [&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdInit); }},
      {"paste preset", [&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdPaste); }},
      {"load preset", [&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoad); }},
      {"load bank", [&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadBank); }},
      {"load startup bank", [&] { plug->Commands().RunPresetCommand(VornellCommands::kPresetCmdLoadStartupBank); }},
  };
  for (const auto& [what, change] : changes) {
    RecordingHost::Clear();
    change();
    EXPECT_GE(RecordingHost::DisplayUpdates(), 1) << what;
  }
  EXPECT_TRUE(Window().messageAnswers.empty() && Window().fileAnswers.empty());  // every command went through
}

}  // namespace
