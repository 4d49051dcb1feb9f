#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "programs/ProgramLibrary.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FactoryBytes() {
  const ResourceData resource = FindResource("PRG", "FACTORY");
  if (!resource.Found()) return {};
  return Bytes(resource.data, resource.data + resource.size);
}

ProgramLibrary RestoredLibrary() {
  ProgramLibrary library;
  library.RestoreFactoryPrograms(-1);
  return library;
}

int DifferingValues(const Program& a, const Program& b) {
  int count = 0;
  for (int k = 0; k < kProgramValueCount; ++k) count += a.values[k] != b.values[k];
  return count;
}

}  // namespace

TEST(FactoryPrograms, ResourceIsABankOf100PlainMessagesInOrder) {
  const Bytes bank = FactoryBytes();
  ASSERT_EQ(bank.size(), 3700u);
  for (int p = 0; p < kProgramCount; ++p) {
    const uint8_t* message = bank.data() + 37 * p;
    EXPECT_EQ(message[0], 0xF0);
    EXPECT_EQ(message[1], 0x01);
    EXPECT_EQ(message[2], 0x05);
    EXPECT_EQ(message[3], p);
    EXPECT_EQ(message[36], 0xF7);
    for (int i = 4; i < 36; ++i) ASSERT_LT(message[i], 16) << p;
  }
}

TEST(FactoryPrograms, TheTwoKnownRowsHaveTheirExactBytes) {
  const Bytes bank = FactoryBytes();
  ASSERT_EQ(bank.size(), 3700u);
  const Bytes organ(bank.begin(), bank.begin() + 37);
  EXPECT_EQ(organ, (Bytes{0xF0, 0x01, 0x05, 0x00, 0x08, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                          0x02, 0x07, 0x09, 0x00, 0x00, 0x06, 0x06, 0x07, 0x04, 0x00, 0x00, 0x03, 0x00,
                          0x00, 0x00, 0x03, 0x00, 0x08, 0x07, 0x04, 0x01, 0x04, 0x02, 0xF7}));

  const ProgramLibrary library = RestoredLibrary();
  const PackedProgram sonOfOrg = PackProgram(library.programs[8].values);
  const PackedProgram expected = {
      {0x09, 0x84, 0x0A, 0x7D, 0x50, 0xE1, 0x03, 0x9C, 0x49, 0x10, 0xCD, 0x3F, 0x42, 0x03, 0x90, 0x14}};
  EXPECT_EQ(sonOfOrg, expected);
}

TEST(FactoryPrograms, RestoreAllGivesNumbersAndNames) {
  ProgramLibrary library;
  for (Program& program : library.programs) {
    program.number = 77;
    program.name = "user";
    program.values.fill(3);
  }
  ASSERT_TRUE(library.RestoreFactoryPrograms(-1));
  for (int p = 0; p < kProgramCount; ++p) EXPECT_EQ(library.programs[p].number, p);
  EXPECT_EQ(library.programs[0].name, "Percussive Organ 1");
  EXPECT_EQ(library.programs[1].name, "Brass 1");
  EXPECT_EQ(library.programs[2].name, "String 1");
  EXPECT_EQ(library.programs[8].name, "Son of Org - unison");
  const std::string& last = library.programs[99].name;
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last.back(), ' ');
  EXPECT_NE(last.find_first_not_of(' '), std::string::npos);

  std::set<std::string> names;
  for (const Program& program : library.programs) {
    EXPECT_FALSE(program.name.empty());
    EXPECT_LE(program.name.size(), 32u) << program.name;
    for (char c : program.name) EXPECT_TRUE(c >= 32 && c < 127) << program.name;
    names.insert(program.name);
  }
  EXPECT_EQ(names.size(), 100u);
  EXPECT_EQ(FactoryProgramNames()[99], last);
}

TEST(FactoryPrograms, EveryProgramIsItsOwnSound) {
  const ProgramLibrary library = RestoredLibrary();
  for (int a = 0; a < kProgramCount; ++a) {
    const ProgramValues& v = library.programs[a].values;
    EXPECT_TRUE(v[10] || v[11] || v[12] || v[18] > 0 || v[20] > 170) << a << " makes no sound";
    EXPECT_GT(v[34], 0) << a << " has no volume";
    EXPECT_LE(v[0], 48) << a;
    EXPECT_LE(v[28], 128) << a;
    for (int b = a + 1; b < kProgramCount; ++b) {
      EXPECT_GE(DifferingValues(library.programs[a], library.programs[b]), 5)
          << library.programs[a].name << " and " << library.programs[b].name << " are near copies";
    }
  }
}

TEST(FactoryPrograms, ValuesSitOnThePackedResolution) {
  const ProgramLibrary library = RestoredLibrary();
  const Bytes bank = FactoryBytes();
  ASSERT_EQ(bank.size(), 3700u);
  ProgramLibrary plain = library;
  plain.saveEnhancedPrograms = false;
  // Packing what was unpacked reproduces the resource byte for byte.
  EXPECT_EQ(plain.BuildSysEx(-1), bank);
  // And a further round trip changes nothing.
  for (const Program& program : library.programs) {
    ProgramValues again;
    UnpackProgram(PackProgram(program.values), again);
    EXPECT_EQ(again, program.values) << program.name;
  }
}

TEST(FactoryPrograms, RestoringOneSlotTakesThatSlotsFactoryProgram) {
  const ProgramLibrary factory = RestoredLibrary();
  ProgramLibrary library;
  for (Program& program : library.programs) program.name = "user";
  std::vector<int> reloads;
  library.reloadTracks = [&](int program) { reloads.push_back(program); };

  ASSERT_TRUE(library.RestoreFactoryPrograms(5));
  EXPECT_EQ(library.programs[5], factory.programs[5]);
  EXPECT_NE(library.programs[5].values, factory.programs[0].values);
  for (int p = 0; p < kProgramCount; ++p) {
    if (p != 5) {
      EXPECT_EQ(library.programs[p].name, "user") << p;
    }
  }
  // Once when the values arrive, once more for the names.
  EXPECT_EQ(reloads, (std::vector<int>{5, 5}));

  ASSERT_TRUE(library.RestoreFactoryPrograms(99));
  EXPECT_EQ(library.programs[99], factory.programs[99]);
  EXPECT_FALSE(library.RestoreFactoryPrograms(100));
}

TEST(FactoryPrograms, WhileAStateLoadsTheSecondReloadIsSkipped) {
  ProgramLibrary library;
  std::vector<int> reloads;
  library.reloadTracks = [&](int program) { reloads.push_back(program); };
  library.stateLoading = [] { return true; };
  library.saveEnhancedPrograms = true;  // the factory data has none; the flag does not matter
  ASSERT_TRUE(library.RestoreFactoryPrograms(-1));
  EXPECT_EQ(reloads, (std::vector<int>{-1}));
  EXPECT_EQ(library.programs[1].name, "Brass 1");

  library.stateLoading = [] { return false; };
  reloads.clear();
  ASSERT_TRUE(library.RestoreFactoryPrograms(-1));
  EXPECT_EQ(reloads, (std::vector<int>{-1, -1}));
}
