// The surroundings failing under the instrument: configuration folders that
// are missing or read-only, a documents folder that cannot be written, a full
// disk, a startup bank that has gone. Each must be survived: defaults where
// nothing could be read, false where nothing could be written, and no stored
// file left damaged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/Configuration.h"
#include "instrument/Vornell.h"
#include "platform/Paths.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"
#include "tests/support/TempFolder.h"

namespace {

// Makes file permissions bind this thread even when the tests run as root, by
// dropping the capabilities that override them for the scope.
class ScopedPermissionChecks {
 public:
  ScopedPermissionChecks() {
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    if (syscall(SYS_capget, &header, saved) != 0) return;
    __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    dropped = syscall(SYS_capset, &header, reduced) == 0;
  }
  ~ScopedPermissionChecks() {
    if (dropped) syscall(SYS_capset, &header, saved);
  }
  ScopedPermissionChecks(const ScopedPermissionChecks&) = delete;
  ScopedPermissionChecks& operator=(const ScopedPermissionChecks&) = delete;

 private:
  __user_cap_header_struct header{};
  __user_cap_data_struct saved[2]{};
  bool dropped = false;
};

// True when a file can be created in the folder right now.
bool CanCreateIn(const std::string& folder) {
  const std::string probe = folder + "/.probe";
  const int fd = open(probe.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0644);
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

// Limits the size of files this process writes, as a disk that is nearly
// full would; writes past it fail instead of raising SIGXFSZ.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previousAction);
    struct rlimit limit = previous;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous);
    sigaction(SIGXFSZ, &previousAction, nullptr);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  struct rlimit previous {};
  struct sigaction previousAction {};
};

std::string IniPathIn(const std::string& appData) {
  return appData + "/" + Configuration::kFolderName + "/" + Configuration::kFileName;
}

void ExpectDefaultSettings(const Configuration& configuration) {
  EXPECT_TRUE(configuration.midiThru);
  EXPECT_TRUE(configuration.ignoreProgramChange);
  EXPECT_FALSE(configuration.receiveParamCCs);
  EXPECT_TRUE(configuration.startupBankPath.empty());
  for (const auto& entry : configuration.ccMap) EXPECT_EQ(entry.load(), Configuration::kNoParameter);
  // The built-in templates are there without any file.
  EXPECT_FALSE(configuration.configTemplates.empty());
}

const char* const kSettings =
    "[MIDI Global]\nMIDI Thru=false\n[MIDI Control]\nCC7=4\n[Startup Bank]\nFile=/banks/live.fxb\n";

TEST(ConfigurationFolderFaults, AMissingFolderIsMadeWithItsParents) {
  TempFolder folder;
  const std::string appData = folder / "not/there/yet";
  Configuration configuration(appData, folder.Path());
  ExpectDefaultSettings(configuration);
  ASSERT_TRUE(FileExists(IniPathIn(appData)));
  configuration.ccMap[3] = 90;
  EXPECT_TRUE(configuration.WriteConfiguration(ConfigSetting::All));
  Configuration again(appData, folder.Path());
  EXPECT_EQ(again.ccMap[3].load(), 90);
}

TEST(ConfigurationFolderFaults, AFolderThatCannotBeMadeLeavesTheDefaultsAndRefusesWrites) {
  TempFolder folder;
  // A plain file where a parent folder should be: nothing can be created below it.
  WriteFileText(folder / "blocked", "");
  const std::string appData = folder / "blocked/config";
  Configuration configuration(appData, folder.Path());
  ExpectDefaultSettings(configuration);
  EXPECT_FALSE(configuration.WriteConfiguration(ConfigSetting::All));
  EXPECT_FALSE(configuration.SelectStartupBank("/banks/a.fxb"));
  EXPECT_FALSE(configuration.SetDefaultPresetPath("/presets"));
  // Reading again finds nothing and keeps going.
  EXPECT_EQ(configuration.ReadConfiguration(), 0);
  EXPECT_EQ(ReadFileText(folder / "blocked"), "");
}

TEST(ConfigurationFolderFaults, AReadOnlyFolderIsReadButNeverWritten) {
  TempFolder folder;
  const std::string iniFolder = folder / Configuration::kFolderName;
  ASSERT_TRUE(CreateFolders(iniFolder));
  WriteFileText(IniPathIn(folder.Path()), kSettings);
  chmod(IniPathIn(folder.Path()).c_str(), 0444);
  chmod(iniFolder.c_str(), 0555);
  ScopedPermissionChecks checks;
  if (CanCreateIn(iniFolder)) GTEST_SKIP() << "file permissions are not enforced here";

  Configuration configuration(folder.Path(), folder.Path());
  EXPECT_FALSE(configuration.midiThru);
  EXPECT_EQ(configuration.ccMap[7].load(), 4);
  EXPECT_EQ(configuration.startupBankPath, "/banks/live.fxb");

  configuration.ccMap[9] = 100;
  EXPECT_FALSE(configuration.WriteConfiguration(ConfigSetting::All));
  EXPECT_FALSE(configuration.SelectStartupBank("/banks/other.fxb"));
  EXPECT_FALSE(configuration.UnselectStartupBank());
  EXPECT_FALSE(configuration.SetDefaultSequencePath("/sequences"));
  EXPECT_EQ(ReadFileText(IniPathIn(folder.Path())), kSettings);
  EXPECT_EQ(FolderEntries(iniFolder), std::vector<std::string>{Configuration::kFileName});
}

TEST(ConfigurationFolderFaults, AFullDiskKeepsTheOldFileWhole) {
  TempFolder folder;
  ASSERT_TRUE(CreateFolders(folder / Configuration::kFolderName));
  WriteFileText(IniPathIn(folder.Path()), kSettings);
  Configuration configuration(folder.Path(), folder.Path());
  for (int32_t c = 0; c < Configuration::kControllerCount; ++c) configuration.ccMap[static_cast<size_t>(c)] = c;
  bool written = true;
  {
    ScopedFileSizeLimit limit(32);
    written = configuration.WriteConfiguration(ConfigSetting::All);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileText(IniPathIn(folder.Path())), kSettings);
  Configuration again(folder.Path(), folder.Path());
  EXPECT_EQ(again.ccMap[7].load(), 4);
  EXPECT_EQ(again.ccMap[8].load(), Configuration::kNoParameter);
  // Once there is room again, the same write goes through.
  EXPECT_TRUE(configuration.WriteConfiguration(ConfigSetting::All));
  Configuration after(folder.Path(), folder.Path());
  EXPECT_EQ(after.ccMap[8].load(), 8);
}

class FileFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { plug = new Vornell(); }
  static void TearDownTestSuite() {
    delete plug;
    plug = nullptr;
  }

  static Sequence ShortSequence() {
    Sequence sequence;
    SequenceEvent on{0, 0x90, 60, 100};
    SequenceEvent off{96, 0x80, 60, 0};
    sequence.AddEvent(on);
    sequence.AddEvent(off);
    sequence.length = 768;
    return sequence;
  }

  static Vornell* plug;
};
Vornell* FileFaults::plug = nullptr;

TEST_F(FileFaults, AnUnwritableDocumentsFolderFailsEverySaveAndCreatesNothing) {
  TempFolder folder;
  const std::string documents = folder / "Documents";
  ASSERT_TRUE(CreateFolders(documents));
  chmod(documents.c_str(), 0555);
  ScopedPermissionChecks checks;
  if (CanCreateIn(documents)) GTEST_SKIP() << "file permissions are not enforced here";

  TempFolder appData;
  Configuration configuration(appData.Path(), documents);
  EXPECT_EQ(configuration.presetPath, documents);
  EXPECT_EQ(configuration.programPath, documents);

  EXPECT_FALSE(plug->SaveProgramFile(documents + "/preset.fxp"));
  EXPECT_FALSE(plug->SaveBankFile(documents + "/bank.fxb"));
  EXPECT_FALSE(plug->Library().SaveSysExFile(documents + "/programs.syx", -1));
  EXPECT_FALSE(WriteMidiFile(documents + "/song.mid", true, ShortSequence()));
  EXPECT_TRUE(FolderEntries(documents).empty());
}

TEST_F(FileFaults, AFullDiskFailsEverySave) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  EXPECT_FALSE(plug->SaveProgramFile("/dev/full"));
  EXPECT_FALSE(plug->SaveBankFile("/dev/full"));
  EXPECT_FALSE(plug->Library().SaveSysExFile("/dev/full", -1));
  EXPECT_FALSE(WriteMidiFile("/dev/full", false, ShortSequence()));
}

TEST_F(FileFaults, ADiskFillingUpHalfWayFailsTheSave) {
  TempFolder folder;
  bool program = true;
  bool bank = true;
  {
    ScopedFileSizeLimit limit(100);
    program = plug->SaveProgramFile(folder / "preset.fxp");
    bank = plug->SaveBankFile(folder / "bank.fxb");
  }
  EXPECT_FALSE(program);
  EXPECT_FALSE(bank);
  // What did get written is refused on loading, and changes nothing.
  const std::string before = plug->GetPresetName(0);
  EXPECT_FALSE(plug->LoadBankFile(folder / "bank.fxb"));
  EXPECT_FALSE(plug->LoadProgramFile(folder / "preset.fxp"));
  EXPECT_EQ(plug->GetPresetName(0), before);
}

TEST_F(FileFaults, AStartupBankThatHasGoneIsReportedAndChangesNothing) {
  TempFolder folder;
  const std::string bankPath = folder / "startup.fxb";
  ASSERT_TRUE(plug->SaveBankFile(bankPath));
  {
    Configuration configuration(folder.Path(), folder.Path());
    ASSERT_TRUE(configuration.SelectStartupBank(bankPath));
  }
  std::filesystem::remove(bankPath);

  // The setting stays (the file may come back, on a drive plugged in later).
  Configuration configuration(folder.Path(), folder.Path());
  EXPECT_EQ(configuration.startupBankPath, bankPath);
  std::vector<std::string> names;
  for (int i = 0; i < plug->NumPresets(); ++i) names.push_back(plug->GetPresetName(i));
  const int current = plug->GetCurrentPresetIndex();
  EXPECT_FALSE(plug->LoadBankFile(configuration.startupBankPath));
  // A folder of that name, or an empty file, is no bank either.
  ASSERT_TRUE(CreateFolders(bankPath));
  EXPECT_FALSE(plug->LoadBankFile(bankPath));
  std::filesystem::remove(bankPath);
  WriteFileText(bankPath, "");
  EXPECT_FALSE(plug->LoadBankFile(bankPath));
  for (int i = 0; i < plug->NumPresets(); ++i) EXPECT_EQ(plug->GetPresetName(i), names[static_cast<size_t>(i)]);
  EXPECT_EQ(plug->GetCurrentPresetIndex(), current);
}

std::vector<std::string> PresetNames(const Vornell& plug) {
  std::vector<std::string> names;
  for (int i = 0; i < plug.NumPresets(); ++i) names.push_back(plug.GetPresetName(i));
  return names;
}

TEST(StartupBankFaults, ABankThatCannotBeReadWholeGivesTheBuiltInBank) {
  TempFolder folder;
  VornellStartup startup;
  startup.startupBankPath = folder / "gone.fxb";
  const Vornell reference(startup);
  const std::vector<std::string> builtIn = PresetNames(reference);
  ASSERT_FALSE(builtIn[0].empty());

  // A bank of our own, renamed so that any preset it loads would show.
  const std::string saved = folder / "saved.fxb";
  {
    VornellStartup bare;
    bare.loadPresetBank = false;
    Vornell source(bare);
    source.MakeDefaultPresets(source.NumPresets());
    for (int i = 0; i < source.NumPresets(); ++i) {
      ASSERT_TRUE(source.SelectPreset(i));
      source.ModifyCurrentPreset(("Mine " + std::to_string(i)).c_str());
    }
    ASSERT_TRUE(source.SaveBankFile(saved));
  }
  const std::string bank = ReadFileText(saved);
  WriteFileText(folder / "half.fxb", bank.substr(0, bank.size() / 2));
  WriteFileText(folder / "locked.fxb", bank);
  chmod((folder / "locked.fxb").c_str(), 0);
  ASSERT_TRUE(CreateFolders(folder / "folder.fxb"));

  ScopedPermissionChecks checks;
  for (const char* name : {"half.fxb", "locked.fxb", "folder.fxb"}) {
    SCOPED_TRACE(name);
    startup.startupBankPath = folder / name;
    const Vornell plug(startup);
    EXPECT_EQ(PresetNames(plug), builtIn);
    EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);
    EXPECT_TRUE(plug.Commands().StartupBankPath().empty());
  }
  // The whole bank still loads.
  startup.startupBankPath = saved;
  const Vornell plug(startup);
  EXPECT_EQ(plug.GetPresetName(63), "Mine 63");
}

}  // namespace
