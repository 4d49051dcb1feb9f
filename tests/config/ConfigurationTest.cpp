#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/Configuration.h"
#include "tests/support/TempFolder.h"

namespace {

class ScriptedDialogs : public ConfigurationDialogs {
 public:
  explicit ScriptedDialogs(bool answer) : answer(answer) {}
  bool AskYesNo(const std::string& text, const std::string& title) override {
    questions.push_back(title + "|" + text);
    return answer;
  }
  void ShowMessage(const std::string& text, const std::string& title) override {
    messages.push_back(title + "|" + text);
  }
  bool answer;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
};

// Every instance here lives in a private home, never the real one.
class ConfigurationFixture : public ::testing::Test {
 protected:
  TempFolder home;
  ScopedEnvironment homeVariable{"HOME", home.Path()};
  ScopedEnvironment configVariable{"XDG_CONFIG_HOME", home / "config"};

  std::string IniPath() const { return home / "config/KestruneMusic/vornell.ini"; }
  void WriteIni(const std::string& text) {
    std::filesystem::create_directories(home / "config/KestruneMusic");
    WriteFileText(IniPath(), text);
  }
};

void ExpectDefaults(const Configuration& config) {
  EXPECT_TRUE(config.midiThru);
  EXPECT_TRUE(config.ignoreProgramChange);
  EXPECT_FALSE(config.receiveParamCCs);
  EXPECT_FALSE(config.dontAskToCommit);
  EXPECT_FALSE(config.showConfigAtStartup);
  EXPECT_FALSE(config.configPanelShown);
  EXPECT_TRUE(config.saveEnhancedPrograms);
  EXPECT_TRUE(config.startupBankPath.empty());
  EXPECT_TRUE(config.sequencePath.empty());
  for (int32_t c = 0; c < Configuration::kControllerCount; ++c) EXPECT_EQ(config.ccMap[static_cast<size_t>(c)], -1);
  EXPECT_EQ(config.configTemplates.size(), 9u);
  EXPECT_FALSE(config.learnArmed);
}

}  // namespace

TEST_F(ConfigurationFixture, WithoutAFileTheFolderAndAnEmptyFileAreMadeAndDefaultsHold) {
  std::filesystem::create_directories(home / "Documents");
  const Configuration config;
  EXPECT_EQ(config.iniPath, IniPath());
  EXPECT_TRUE(std::filesystem::is_regular_file(IniPath()));
  EXPECT_EQ(std::filesystem::file_size(IniPath()), 0u);
  ExpectDefaults(config);
  EXPECT_EQ(config.presetPath, home / "Documents");
  EXPECT_EQ(config.programPath, home / "Documents");
  EXPECT_EQ(config.configTemplates[8].name, "All Arpeggiated");
}

TEST_F(ConfigurationFixture, ReadsEverySettingFromTheFile) {
  WriteIni(
      "[Startup Bank]\nFile=/banks/live.fxb\n"
      "[Editor]\nShow Configuration At Startup=True\n"
      "[parameter]\nreceive parameter ccs=TRUE\n"
      "[Global]\nDont Ask To Commit=true\nSave Enhanced Prgs=false\n"
      "Path to Preset Files=/p/presets\nPath to Sequence Files=/p/seq\nPath to Program Files=/p/prg\n"
      "[MIDI Global]\nMIDI Thru=false\nIgnore Program Change=no\n"
      "[MIDI Control]\nCC7=44\nCC0=0\nCC119=302\n");
  const Configuration config;
  EXPECT_EQ(config.startupBankPath, "/banks/live.fxb");
  EXPECT_TRUE(config.showConfigAtStartup);
  EXPECT_TRUE(config.configPanelShown);
  EXPECT_TRUE(config.receiveParamCCs);
  EXPECT_TRUE(config.dontAskToCommit);
  EXPECT_FALSE(config.saveEnhancedPrograms);
  EXPECT_EQ(config.presetPath, "/p/presets");
  EXPECT_EQ(config.sequencePath, "/p/seq");
  EXPECT_EQ(config.programPath, "/p/prg");
  EXPECT_FALSE(config.midiThru);
  // Anything but "true" is false.
  EXPECT_FALSE(config.ignoreProgramChange);
  EXPECT_EQ(config.ccMap[7], 44);
  EXPECT_EQ(config.ccMap[0], 0);
  EXPECT_EQ(config.ccMap[119], 302);
  EXPECT_EQ(config.ccMap[8], -1);
}

TEST_F(ConfigurationFixture, EmptyValuesLeaveSettingsAsTheyAre) {
  WriteIni("[MIDI Global]\nMIDI Thru=\nIgnore Program Change=\n[Global]\nPath to Preset Files=\n");
  Configuration config(home / "config", "/documents");
  EXPECT_TRUE(config.midiThru);
  EXPECT_TRUE(config.ignoreProgramChange);
  EXPECT_EQ(config.presetPath, "/documents");

  // The page switch follows the startup setting at every reading.
  config.configPanelShown = true;
  config.ReadConfiguration();
  EXPECT_FALSE(config.configPanelShown);
}

TEST_F(ConfigurationFixture, ControllerMapValuesThatAreNoParameterGiveNone) {
  WriteIni(
      "[MIDI Control]\n"
      "CC1=abc\nCC2=007\nCC3=-5\nCC4=99999999999\nCC5=303\nCC6=12abc\nCC7=+0\nCC8=0\nCC9= 45 \nCC10=\n"
      "CC200=5\n");
  const Configuration config;
  EXPECT_EQ(config.ccMap[1], -1);
  EXPECT_EQ(config.ccMap[2], 7);
  EXPECT_EQ(config.ccMap[3], -1);
  EXPECT_EQ(config.ccMap[4], -1);
  EXPECT_EQ(config.ccMap[5], -1);
  EXPECT_EQ(config.ccMap[6], 12);
  EXPECT_EQ(config.ccMap[7], -1);
  EXPECT_EQ(config.ccMap[8], 0);
  EXPECT_EQ(config.ccMap[9], 45);
  EXPECT_EQ(config.ccMap[10], -1);
}

TEST_F(ConfigurationFixture, GarbageFilesGiveDefaults) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 37 + 11) % 256);
  WriteIni(garbage);
  const Configuration config;
  ExpectDefaults(config);
}

TEST_F(ConfigurationFixture, AnUnreadableFileGivesDefaultsAndIsNotReplaced) {
  // A folder in the file's place cannot be read as a file by anyone, root included.
  std::filesystem::create_directories(IniPath());
  Configuration config;
  ExpectDefaults(config);
  EXPECT_FALSE(config.WriteConfiguration(ConfigSetting::All));
  EXPECT_FALSE(config.ToggleSetting(ConfigSetting::MidiThru));
  EXPECT_FALSE(config.midiThru);  // the toggle itself still happens
  EXPECT_TRUE(std::filesystem::is_directory(IniPath()));
}

TEST_F(ConfigurationFixture, AFolderThatCannotBeMadeIsSurvived) {
  // The configuration home is a file, so nothing can be created below it.
  WriteFileText(home / "config", "not a folder");
  Configuration config;
  ExpectDefaults(config);
  EXPECT_FALSE(config.WriteConfiguration(ConfigSetting::All));
  EXPECT_TRUE(config.ToggleSetting(ConfigSetting::ReceiveParamCCs));
  EXPECT_FALSE(config.SetDefaultPresetPath("/x"));
  EXPECT_EQ(config.presetPath, "/x");
  EXPECT_EQ(config.ReadConfiguration(), 0);
  EXPECT_EQ(ReadFileText(home / "config"), "not a folder");
}

// Exit code 0 when a configuration in a folder it may not write to keeps
// working and leaves the file alone; each failed check sets one bit.
int ReadOnlyFolderChecks(const std::string& iniPath) {
  int failures = 0;
  Configuration config;
  if (config.midiThru) failures |= 1;
  if (config.ToggleSetting(ConfigSetting::IgnoreProgramChange)) failures |= 2;
  if (config.WriteConfiguration(ConfigSetting::All)) failures |= 4;
  if (ReadFileText(iniPath) != "[MIDI Global]\nMIDI Thru=false\n") failures |= 8;
  return failures;
}

TEST_F(ConfigurationFixture, AReadOnlyFolderIsSurvived) {
  WriteIni("[MIDI Global]\nMIDI Thru=false\n");
  namespace fs = std::filesystem;
  fs::permissions(home.Path(), fs::perms(0755));
  fs::permissions(home / "config", fs::perms(0755));
  fs::permissions(home / "config/KestruneMusic", fs::perms(0555));
  if (geteuid() != 0) {
    EXPECT_EQ(ReadOnlyFolderChecks(IniPath()), 0);
    return;
  }
  // Root writes anywhere; the checks run in a child process as an ordinary user.
  EXPECT_EXIT(
      {
        if (setgid(65534) != 0 || setuid(65534) != 0) std::_Exit(100);
        std::_Exit(ReadOnlyFolderChecks(IniPath()));
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ConfigurationFixture, WritingOneSettingTouchesOnlyItAndTheStartupBank) {
  WriteIni(
      "; hand-made\n[Startup Bank]\nFile=/old.fxb\nStale=1\n[Config "
      "Templates]\nX=Mine,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0\n"
      "[MIDI Control]\nCC3=90\n[Global]\nPath to Preset Files=/keep\n");
  Configuration config;
  config.startupBankPath = "/new.fxb";
  config.ccMap[5] = 100;
  EXPECT_TRUE(config.ToggleSetting(ConfigSetting::ShowConfigAtStartup));
  const std::string text = ReadFileText(IniPath());
  EXPECT_EQ(
      text,
      "; hand-made\n[Startup Bank]\nFile=/new.fxb\n[Config Templates]\nX=Mine,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0\n"
      "[MIDI Control]\nCC3=90\n[Global]\nPath to Preset Files=/keep\n"
      "[Editor]\nShow Configuration At Startup=true\n");
}

TEST_F(ConfigurationFixture, WritingAllStoresEverySwitchAndReplacesTheControllerMap) {
  WriteIni("[MIDI Control]\nCC3=90\nCC4=91\n; old comment\n[Other]\nKeep=1\n");
  Configuration config;
  config.ccMap[3] = -1;
  config.ccMap[4] = 120;
  config.ccMap[64] = 7;
  config.midiThru = false;
  config.dontAskToCommit = true;
  ASSERT_TRUE(config.WriteConfiguration(ConfigSetting::All));

  IniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString("Startup Bank", "File", "missing", 64), "");
  EXPECT_EQ(ini.ReadString("Editor", "Show Configuration At Startup", "", 64), "false");
  EXPECT_EQ(ini.ReadString("Parameter", "Receive Parameter CCs", "", 64), "false");
  EXPECT_EQ(ini.ReadString("Global", "Dont Ask To Commit", "", 64), "true");
  EXPECT_EQ(ini.ReadString("MIDI Global", "MIDI Thru", "", 64), "false");
  EXPECT_EQ(ini.ReadString("MIDI Global", "Ignore Program Change", "", 64), "true");
  EXPECT_EQ(ini.ReadSection("MIDI Control", 65536), (std::vector<std::string>{"CC4=120", "CC64=7"}));
  EXPECT_EQ(ini.ReadString("Other", "Keep", "", 64), "1");

  // A second instance reads back exactly what was written.
  const Configuration reread;
  EXPECT_EQ(reread.ccMap[3], -1);
  EXPECT_EQ(reread.ccMap[4], 120);
  EXPECT_EQ(reread.ccMap[64], 7);
  EXPECT_FALSE(reread.midiThru);
  EXPECT_TRUE(reread.dontAskToCommit);
}

TEST_F(ConfigurationFixture, TwoInstancesShareTheFileAndTheLastWriterWins) {
  Configuration first;
  Configuration second;
  EXPECT_TRUE(first.ToggleSetting(ConfigSetting::ReceiveParamCCs));
  EXPECT_FALSE(second.receiveParamCCs);  // each instance reads at construction and on reload
  second.ReadConfiguration();
  EXPECT_TRUE(second.receiveParamCCs);

  EXPECT_FALSE(second.ToggleSetting(ConfigSetting::MidiThru));
  EXPECT_FALSE(first.ToggleSetting(ConfigSetting::ReceiveParamCCs));
  const Configuration third;
  EXPECT_FALSE(third.midiThru);
  EXPECT_FALSE(third.receiveParamCCs);
}

TEST_F(ConfigurationFixture, AStartupBankChosenInAnotherInstanceOutlivesThisOnesWrites) {
  Configuration first;
  Configuration second;
  ASSERT_TRUE(second.SelectStartupBank("/chosen.fxb"));
  first.ToggleSetting(ConfigSetting::MidiThru);
  EXPECT_EQ(Configuration().startupBankPath, "/chosen.fxb");
  ASSERT_TRUE(second.UnselectStartupBank());
  first.WriteConfiguration(ConfigSetting::All);
  EXPECT_EQ(Configuration().startupBankPath, "");
  // This instance's own choice is still what it writes.
  first.startupBankPath = "/mine.fxb";
  first.ToggleSetting(ConfigSetting::MidiThru);
  EXPECT_EQ(Configuration().startupBankPath, "/mine.fxb");
}

TEST_F(ConfigurationFixture, ToggleCommandsFlipAndStoreTheirSetting) {
  Configuration config;
  const struct {
    ConfigSetting setting;
    const char* section;
    const char* key;
    bool before;
  } cases[] = {
      {ConfigSetting::ShowConfigAtStartup, "Editor", "Show Configuration At Startup", false},
      {ConfigSetting::ReceiveParamCCs, "Parameter", "Receive Parameter CCs", false},
      {ConfigSetting::DontAskToCommit, "Global", "Dont Ask To Commit", false},
      {ConfigSetting::MidiThru, "MIDI Global", "MIDI Thru", true},
      {ConfigSetting::IgnoreProgramChange, "MIDI Global", "Ignore Program Change", true},
  };
  IniFile ini(IniPath());
  for (const auto& c : cases) {
    EXPECT_EQ(config.ToggleSetting(c.setting), !c.before) << c.key;
    EXPECT_EQ(ini.ReadString(c.section, c.key, "", 64), c.before ? "false" : "true") << c.key;
    EXPECT_EQ(config.ToggleSetting(c.setting), c.before) << c.key;
    EXPECT_EQ(ini.ReadString(c.section, c.key, "", 64), c.before ? "true" : "false") << c.key;
  }
  EXPECT_FALSE(config.ToggleSetting(ConfigSetting::All));
}

TEST_F(ConfigurationFixture, ReloadAsksFirstAndReportsAMissingFile) {
  Configuration config;
  IniFile(IniPath()).WriteString("MIDI Global", "MIDI Thru", "false");

  ScriptedDialogs no(false);
  config.ReloadConfigurationCommand(no);
  ASSERT_EQ(no.questions.size(), 1u);
  EXPECT_EQ(no.questions[0], "Reload Configuration|The INI configuration file is:\n" + IniPath() +
                                 "\n\nDo you really want to reload it?");
  EXPECT_TRUE(config.midiThru);

  ScriptedDialogs yes(true);
  config.ReloadConfigurationCommand(yes);
  EXPECT_FALSE(config.midiThru);
  EXPECT_TRUE(yes.messages.empty());

  std::filesystem::remove(IniPath());
  config.ccMap[9] = 33;
  config.ReloadConfigurationCommand(yes);
  EXPECT_EQ(yes.messages, std::vector<std::string>{"Problem with INI File|The INI file does not exist."});
  EXPECT_FALSE(config.midiThru);   // kept: no key
  EXPECT_EQ(config.ccMap[9], -1);  // the map has no keys either, so it empties
}

TEST_F(ConfigurationFixture, SaveAsksFirstThenWritesEverything) {
  Configuration config;
  config.ccMap[20] = 100;
  ScriptedDialogs no(false);
  config.SaveConfigurationCommand(no);
  ASSERT_EQ(no.questions.size(), 1u);
  EXPECT_EQ(no.questions[0], "Save Configuration|The INI configuration file is:\n" + IniPath() +
                                 "\n\nDo you really want to overwrite it?");
  EXPECT_EQ(ReadFileText(IniPath()), "");

  ScriptedDialogs yes(true);
  config.SaveConfigurationCommand(yes);
  EXPECT_EQ(IniFile(IniPath()).ReadString("MIDI Control", "CC20", "", 64), "100");
}

TEST_F(ConfigurationFixture, DefaultPathsAreStoredAtOnceAndReadBack) {
  {
    Configuration config;
    EXPECT_TRUE(config.SetDefaultPresetPath("/music/presets"));
    EXPECT_TRUE(config.SetDefaultSequencePath("/music/midi files"));
    EXPECT_TRUE(config.SetDefaultProgramPath("  /music/odd  "));
    EXPECT_EQ(config.sequencePath, "/music/midi files");
    EXPECT_TRUE(config.SelectStartupBank("/music/banks/a.fxb"));
  }
  {
    Configuration config;
    EXPECT_EQ(config.presetPath, "/music/presets");
    EXPECT_EQ(config.sequencePath, "/music/midi files");
    EXPECT_EQ(config.programPath, "  /music/odd  ");
    EXPECT_EQ(config.startupBankPath, "/music/banks/a.fxb");
    EXPECT_TRUE(config.UnselectStartupBank());
    EXPECT_TRUE(config.startupBankPath.empty());
  }
  const Configuration config;
  EXPECT_TRUE(config.startupBankPath.empty());
}

TEST_F(ConfigurationFixture, PathsLongerThanAWindowsPathSurvive) {
  const std::string longPath = "/" + std::string(600, 'd') + "/presets";
  {
    Configuration config;
    ASSERT_TRUE(config.SetDefaultPresetPath(longPath));
  }
  const Configuration config;
  EXPECT_EQ(config.presetPath, longPath);
}

TEST_F(ConfigurationFixture, EditorSizeIsStoredAtOnceAndOnlySensibleValuesAreRead) {
  {
    Configuration config;
    EXPECT_EQ(config.editorSize, 0) << "a new file has no size: the editor follows the screen";
    EXPECT_TRUE(config.SetEditorSize(175));
  }
  EXPECT_EQ(Configuration().editorSize, 175);
  const struct {
    const char* value;
    int32_t read;
  } cases[] = {{"150", 150}, {" 125 %", 125}, {"200%", 200}, {"50", 50},   {"400", 400}, {"49", 0},         {"401", 0},
               {"", 0},      {"abc", 0},      {"1e2", 0},    {"150px", 0}, {"-150", 0},  {"99999999999", 0}};
  for (const auto& c : cases) {
    WriteIni(std::string("[Editor]\nShow Configuration At Startup=true\nEditor Size=") + c.value + "\n");
    const Configuration config;
    EXPECT_EQ(config.editorSize, c.read) << '"' << c.value << '"';
    EXPECT_TRUE(config.showConfigAtStartup) << "the section's other key still reads";
  }
}
