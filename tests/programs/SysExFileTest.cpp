#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "programs/ProgramLibrary.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SysExFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::path(::testing::TempDir()) /
             ("vornell_sysex_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::string PathOf(const std::string& name) const { return (folder / name).string(); }

  void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::filesystem::path folder;
};

void FillDistinct(ProgramLibrary& library) {
  for (int p = 0; p < kProgramCount; ++p) {
    library.programs[p].number = static_cast<uint8_t>(p);
    library.programs[p].name = "File " + std::to_string(p);
    for (int k = 0; k < kProgramValueCount; ++k) {
      library.programs[p].values[k] = static_cast<uint8_t>((p * 13 + k * 29 + 7) & 255);
    }
  }
}

}  // namespace

TEST_F(SysExFile, BankSavedAndLoadedWithEnhancedDataIsExact) {
  ProgramLibrary source;
  FillDistinct(source);
  const std::string path = PathOf("bank.syx");
  ASSERT_TRUE(source.SaveSysExFile(path, -1));
  EXPECT_EQ(Read(path), source.BuildSysEx(-1));

  ProgramLibrary target;
  int reloads = 0;
  target.reloadTracks = [&](int program) {
    EXPECT_EQ(program, -1);
    ++reloads;
  };
  ASSERT_TRUE(target.LoadSysExFile(path, -1));
  EXPECT_EQ(reloads, 1);
  for (int p = 0; p < kProgramCount; ++p) EXPECT_EQ(target.programs[p], source.programs[p]) << p;
}

TEST_F(SysExFile, PlainBankFileIs3700BytesAndSavingReplacesTheFile) {
  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  const std::string path = PathOf("plain.syx");
  Write(path, Bytes(10000, 0xAA));
  ASSERT_TRUE(source.SaveSysExFile(path, -1));
  EXPECT_EQ(std::filesystem::file_size(path), 3700u);

  ASSERT_TRUE(source.SaveSysExFile(path, 12));
  const Bytes single = Read(path);
  ASSERT_EQ(single.size(), 37u);
  EXPECT_EQ(single[3], 12);
}

TEST_F(SysExFile, SingleProgramFileLoadsIntoTheChosenSlot) {
  ProgramLibrary source;
  FillDistinct(source);
  const std::string path = PathOf("one.syx");
  ASSERT_TRUE(source.SaveSysExFile(path, 42));

  ProgramLibrary target;
  target.saveEnhancedPrograms = false;
  target.programs[7].name = "Seven";
  ASSERT_TRUE(target.LoadSysExFile(path, 7));
  ProgramValues expected;
  UnpackProgram(PackProgram(source.programs[42].values), expected);
  EXPECT_EQ(target.programs[7].values, expected);
  EXPECT_EQ(target.programs[7].name, "Seven");
  EXPECT_EQ(target.programs[42], Program{});
}

TEST_F(SysExFile, LoadFailuresLeaveTheLibraryUnchanged) {
  ProgramLibrary target;
  FillDistinct(target);
  const ProgramLibrary before = target;
  int reloads = 0;
  target.reloadTracks = [&](int) { ++reloads; };

  EXPECT_FALSE(target.LoadSysExFile("", -1));
  EXPECT_FALSE(target.LoadSysExFile(PathOf("missing.syx"), -1));
  EXPECT_FALSE(target.LoadSysExFile(folder.string(), -1));  // a folder is not a file

  const std::string garbage = PathOf("garbage.syx");
  Write(garbage, Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0xF0, 0x01, 0x05});
  EXPECT_FALSE(target.LoadSysExFile(garbage, -1));
  const std::string empty = PathOf("empty.syx");
  Write(empty, Bytes{});
  EXPECT_FALSE(target.LoadSysExFile(empty, 3));

  EXPECT_EQ(reloads, 0);
  EXPECT_EQ(target.programs, before.programs);
}

TEST_F(SysExFile, SaveFailuresAreReported) {
  ProgramLibrary source;
  FillDistinct(source);
  EXPECT_FALSE(source.SaveSysExFile("", -1));
  EXPECT_FALSE(source.SaveSysExFile(PathOf("no/such/folder/bank.syx"), -1));
  EXPECT_FALSE(source.SaveSysExFile(folder.string(), 0));
  EXPECT_FALSE(source.SaveSysExFile(PathOf("none.syx"), 100));
  EXPECT_FALSE(std::filesystem::exists(PathOf("none.syx")));
}

TEST_F(SysExFile, AWriteThatFailsAfterOpeningIsNotReportedAsDone) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  ProgramLibrary source;
  FillDistinct(source);
  EXPECT_FALSE(source.SaveSysExFile("/dev/full", -1));  // opens, but every write runs out of space
}

// Every program of the file under the number its message names; enhanced data
// (when read) gives the name and the full values, otherwise the name is made
// from the number and the values have the packed resolution.
TEST_F(SysExFile, ListingShowsEveryProgramUnderItsOwnNumber) {
  ProgramLibrary source;
  FillDistinct(source);
  for (bool enhancedFile : {false, true}) {
    for (bool readEnhanced : {false, true}) {
      SCOPED_TRACE(std::to_string(enhancedFile) + std::to_string(readEnhanced));
      source.saveEnhancedPrograms = enhancedFile;
      const std::string path = PathOf("list.syx");
      ASSERT_TRUE(source.SaveSysExFile(path, -1));
      std::vector<Program> list;
      ASSERT_TRUE(ListSysExPrograms(path, readEnhanced, list));
      ASSERT_EQ(list.size(), 100u);
      const bool whole = enhancedFile && readEnhanced;
      for (int p = 0; p < kProgramCount; ++p) {
        ProgramValues packed;
        UnpackProgram(PackProgram(source.programs[p].values), packed);
        char name[16];
        std::snprintf(name, sizeof name, "PROGRAM %02d", p);
        EXPECT_EQ(list[p].number, p);
        EXPECT_EQ(list[p].name, whole ? source.programs[p].name : std::string(name)) << p;
        EXPECT_EQ(list[p].values, whole ? source.programs[p].values : packed) << p;
      }
      // Listing appends to what the caller already has.
      ASSERT_TRUE(ListSysExPrograms(path, readEnhanced, list));
      EXPECT_EQ(list.size(), 200u);
    }
  }
}

TEST_F(SysExFile, ListingFailuresAndDamage) {
  std::vector<Program> list;
  EXPECT_FALSE(ListSysExPrograms("", true, list));
  EXPECT_FALSE(ListSysExPrograms(PathOf("missing.syx"), true, list));
  EXPECT_FALSE(ListSysExPrograms(folder.string(), true, list));

  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  Bytes bank = source.BuildSysEx(-1);

  const std::string shortFile = PathOf("short.syx");
  Write(shortFile, Bytes(bank.begin(), bank.begin() + 36));
  EXPECT_FALSE(ListSysExPrograms(shortFile, true, list));

  // Not starting with a program message: not a file of ours.
  const std::string foreign = PathOf("foreign.syx");
  Bytes shifted = bank;
  shifted.insert(shifted.begin(), 0x00);
  Write(foreign, shifted);
  EXPECT_FALSE(ListSysExPrograms(foreign, true, list));
  EXPECT_TRUE(list.empty());

  // After the first program, a message without its F7 and one naming number
  // 100 are passed over, and so is the rest of a message cut short.
  Bytes damaged = bank;
  damaged.insert(damaged.begin() + 37 * 60, bank.begin(), bank.begin() + 20);
  damaged[37 * 5 + 3] = 100;
  damaged[37 * 3 + 36] = 0x00;
  const std::string damagedFile = PathOf("damaged.syx");
  Write(damagedFile, damaged);
  EXPECT_TRUE(ListSysExPrograms(damagedFile, true, list));
  ASSERT_EQ(list.size(), 98u);
  EXPECT_EQ(list[2].number, 2);
  EXPECT_EQ(list[3].number, 4);
  EXPECT_EQ(list[4].number, 6);
  EXPECT_EQ(list[58].number, 60);
}
