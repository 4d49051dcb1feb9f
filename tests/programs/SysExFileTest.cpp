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

TEST_F(SysExFile, ListingFindsProgramsOnThe37ByteGrid) {
  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  const std::string path = PathOf("list.syx");
  ASSERT_TRUE(source.SaveSysExFile(path, -1));

  std::vector<Program> list;
  ASSERT_TRUE(ListSysExPrograms(path, list));
  ASSERT_EQ(list.size(), 100u);
  EXPECT_EQ(list[0].name, "PROGRAM 00");
  EXPECT_EQ(list[99].name, "PROGRAM 99");
  for (int p = 0; p < kProgramCount; ++p) {
    ProgramValues expected;
    UnpackProgram(PackProgram(source.programs[p].values), expected);
    EXPECT_EQ(list[p].number, p);
    EXPECT_EQ(list[p].values, expected) << p;
  }

  // Listing appends to what the caller already has.
  ASSERT_TRUE(ListSysExPrograms(path, list));
  EXPECT_EQ(list.size(), 200u);
}

TEST_F(SysExFile, ListingWithEnhancedDataKeepsOnlyWhatLiesOnTheGrid) {
  ProgramLibrary source;
  FillDistinct(source);
  const std::string path = PathOf("enhanced.syx");
  ASSERT_TRUE(source.SaveSysExFile(path, -1));
  std::vector<Program> list;
  EXPECT_TRUE(ListSysExPrograms(path, list));
  ASSERT_GE(list.size(), 1u);
  EXPECT_EQ(list[0].number, 0);
  EXPECT_EQ(list[0].name, "PROGRAM 00");
}

TEST_F(SysExFile, ListingFailures) {
  std::vector<Program> list;
  EXPECT_FALSE(ListSysExPrograms("", list));
  EXPECT_FALSE(ListSysExPrograms(PathOf("missing.syx"), list));
  EXPECT_FALSE(ListSysExPrograms(folder.string(), list));

  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  Bytes bank = source.BuildSysEx(-1);

  const std::string shortFile = PathOf("short.syx");
  Write(shortFile, Bytes(bank.begin(), bank.begin() + 36));
  EXPECT_FALSE(ListSysExPrograms(shortFile, list));

  const std::string foreign = PathOf("foreign.syx");
  Bytes shifted = bank;
  shifted.insert(shifted.begin(), 0x00);
  Write(foreign, shifted);
  EXPECT_FALSE(ListSysExPrograms(foreign, list));
  EXPECT_TRUE(list.empty());

  // A message without its F7 ends the listing as a failure, after what came before.
  Bytes broken = bank;
  broken[37 * 3 + 36] = 0x00;
  const std::string brokenFile = PathOf("broken.syx");
  Write(brokenFile, broken);
  EXPECT_FALSE(ListSysExPrograms(brokenFile, list));
  EXPECT_EQ(list.size(), 3u);

  // Number 100 or more is not a program message; after the first one it is skipped.
  list.clear();
  Bytes badNumber = bank;
  badNumber[37 * 5 + 3] = 100;
  const std::string badNumberFile = PathOf("number.syx");
  Write(badNumberFile, badNumber);
  EXPECT_TRUE(ListSysExPrograms(badNumberFile, list));
  EXPECT_EQ(list.size(), 99u);
}
