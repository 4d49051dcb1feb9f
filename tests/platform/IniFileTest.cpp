#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/IniFile.h"
#include "tests/support/TempFolder.h"

namespace {

// Only the INI file itself may be in the folder after any write: no temporary
// files or locks left behind.
void ExpectOnlyFile(const TempFolder& folder, const std::string& name) {
  const std::vector<std::string> entries = FolderEntries(folder.Path());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], name);
}

}  // namespace

TEST(IniFile, MissingFileReadsDefaultsAndTheFirstWriteCreatesIt) {
  TempFolder folder;
  const IniFile ini(folder / "vornell.ini");
  EXPECT_FALSE(ini.Exists());
  EXPECT_EQ(ini.ReadString("MIDI Global", "MIDI Thru", "true", 64), "true");
  EXPECT_TRUE(ini.ReadSection("Config Templates", 65536).empty());
  IniDocument document;
  EXPECT_EQ(ini.Load(document), IniFile::LoadResult::Missing);

  ASSERT_TRUE(ini.WriteString("MIDI Global", "MIDI Thru", "false"));
  EXPECT_EQ(ReadFileText(ini.Path()), "[MIDI Global]\nMIDI Thru=false\n");
  EXPECT_EQ(ini.ReadString("midi global", "midi thru", "true", 64), "false");
  ExpectOnlyFile(folder, "vornell.ini");
}

TEST(IniFile, CreateEmptyMakesAnEmptyFileAndKeepsAnExistingOne) {
  TempFolder folder;
  const IniFile ini(folder / "vornell.ini");
  ASSERT_TRUE(ini.CreateEmpty());
  EXPECT_EQ(ReadFileText(ini.Path()), "");
  WriteFileText(ini.Path(), "[S]\nk=v\n");
  ASSERT_TRUE(ini.CreateEmpty());
  EXPECT_EQ(ReadFileText(ini.Path()), "[S]\nk=v\n");
  EXPECT_FALSE(IniFile(folder / "missing/vornell.ini").CreateEmpty());
}

TEST(IniFile, WritesPreserveOtherContentAndFileMode) {
  TempFolder folder;
  const std::string path = folder / "vornell.ini";
  WriteFileText(path, "; mine\n[Other]\nA = 1\n\n[Global]\nX=y\n");
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  const IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("Global", "Path to Preset Files", "/data/presets"));
  EXPECT_EQ(ReadFileText(path), "; mine\n[Other]\nA = 1\n\n[Global]\nX=y\nPath to Preset Files=/data/presets\n");
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
  ASSERT_TRUE(ini.EmptySection("other"));
  EXPECT_EQ(ReadFileText(path), "; mine\n[Other]\n\n[Global]\nX=y\nPath to Preset Files=/data/presets\n");
  ExpectOnlyFile(folder, "vornell.ini");
}

TEST(IniFile, TwoInstancesSeeEachOthersWrites) {
  TempFolder folder;
  const IniFile first(folder / "vornell.ini");
  const IniFile second(folder / "vornell.ini");
  ASSERT_TRUE(first.WriteString("Parameter", "Receive Parameter CCs", "true"));
  EXPECT_EQ(second.ReadString("Parameter", "Receive Parameter CCs", "false", 64), "true");
  ASSERT_TRUE(second.WriteString("Parameter", "Receive Parameter CCs", "false"));
  EXPECT_EQ(first.ReadString("Parameter", "Receive Parameter CCs", "true", 64), "false");
  // A change made behind both their backs is seen as well.
  WriteFileText(folder / "vornell.ini", "[Parameter]\nReceive Parameter CCs=TRUE\n");
  EXPECT_EQ(first.ReadString("Parameter", "Receive Parameter CCs", "", 64), "TRUE");
}

TEST(IniFile, ConcurrentWritersLoseNoUpdate) {
  TempFolder folder;
  const std::string path = folder / "vornell.ini";
  constexpr int kWriters = 4;
  constexpr int kKeysEach = 25;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      const IniFile ini(path);  // each thread its own instance, as separate plug-ins would be
      for (int k = 0; k < kKeysEach; ++k) {
        ini.WriteString("MIDI Control", "CC" + std::to_string(w * kKeysEach + k), std::to_string(k));
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  const IniFile ini(path);
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeysEach; ++k) {
      EXPECT_EQ(ini.ReadString("MIDI Control", "CC" + std::to_string(w * kKeysEach + k), "lost", 64),
                std::to_string(k));
    }
  }
  ExpectOnlyFile(folder, "vornell.ini");
}

TEST(IniFile, AFileThatCannotBeReadIsNeverOverwritten) {
  TempFolder folder;
  // A folder where the file should be: unreadable as a file.
  const std::string path = folder / "vornell.ini";
  std::filesystem::create_directory(path);
  WriteFileText(path + "/inside", "keep");
  const IniFile ini(path);
  EXPECT_EQ(ini.ReadString("MIDI Global", "MIDI Thru", "default", 64), "default");
  IniDocument document;
  EXPECT_EQ(ini.Load(document), IniFile::LoadResult::Unreadable);
  EXPECT_FALSE(ini.WriteString("MIDI Global", "MIDI Thru", "false"));
  EXPECT_EQ(ReadFileText(path + "/inside"), "keep");
}

TEST(IniFile, AnOversizedFileReadsAsEmptyAndIsKept) {
  TempFolder folder;
  const std::string path = folder / "vornell.ini";
  std::string huge = "[MIDI Global]\nMIDI Thru=false\n[Junk]\n";
  huge += std::string(IniFile::kMaxFileSize, 'x');
  WriteFileText(path, huge);
  const IniFile ini(path);
  EXPECT_EQ(ini.ReadString("MIDI Global", "MIDI Thru", "true", 64), "true");
  EXPECT_FALSE(ini.WriteString("MIDI Global", "MIDI Thru", "true"));
  EXPECT_EQ(std::filesystem::file_size(path), huge.size());
}

TEST(IniFile, WritingIntoAMissingFolderFailsCleanly) {
  TempFolder folder;
  const IniFile ini(folder / "no/such/folder/vornell.ini");
  EXPECT_FALSE(ini.WriteString("S", "k", "v"));
  EXPECT_FALSE(ini.Exists());
  EXPECT_FALSE(IniFile("").WriteString("S", "k", "v"));
  EXPECT_EQ(IniFile("").ReadString("S", "k", "d", 64), "d");
}

TEST(IniFile, AFailedWriteLeavesTheOldFileWhole) {
  TempFolder folder;
  const std::string path = folder / "vornell.ini";
  const std::string original = "[Global]\nDont Ask To Commit=true\n";
  WriteFileText(path, original);
  const IniFile ini(path);

  // A file size limit makes every write beyond it fail as a full disk would.
  struct rlimit previous {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  struct sigaction ignore {};
  struct sigaction previousAction {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previousAction), 0);
  struct rlimit small = previous;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = ini.WriteString("Global", "Path to Preset Files", std::string(200, 'p'));
  setrlimit(RLIMIT_FSIZE, &previous);
  sigaction(SIGXFSZ, &previousAction, nullptr);

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileText(path), original);
  ExpectOnlyFile(folder, "vornell.ini");
}

TEST(IniFile, ALinkedFileStaysLinked) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "real");
  const std::string target = folder / "real/settings.ini";
  WriteFileText(target, "[S]\na=1\n");
  const std::string link = folder / "vornell.ini";
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(IniFile(link).WriteString("S", "b", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileText(target), "[S]\na=1\nb=2\n");
}

TEST(IniFile, UpdateAppliesSeveralChangesAsOneWriteOrNone) {
  TempFolder folder;
  const IniFile ini(folder / "vornell.ini");
  ASSERT_TRUE(ini.Update([](IniDocument& document) {
    document.SetString("MIDI Control", "CC1", "81");
    document.SetString("MIDI Control", "CC2", "82");
    return true;
  }));
  EXPECT_EQ(ReadFileText(ini.Path()), "[MIDI Control]\nCC1=81\nCC2=82\n");
  EXPECT_FALSE(ini.Update([](IniDocument& document) {
    document.EmptySection("MIDI Control");
    return false;
  }));
  EXPECT_EQ(ReadFileText(ini.Path()), "[MIDI Control]\nCC1=81\nCC2=82\n");
}
