#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "programs/ProgramLibrary.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A library whose slots all differ, with odd values that the packed form
// cannot carry (low bits, velocity) and names of different lengths.
void FillDistinct(ProgramLibrary& library) {
  for (int p = 0; p < kProgramCount; ++p) {
    Program& program = library.programs[p];
    program.number = static_cast<uint8_t>(p);
    program.name = "Sound " + std::to_string(p) + std::string(static_cast<size_t>(p % 7), '*');
    for (int k = 0; k < kProgramValueCount; ++k) program.values[k] = static_cast<uint8_t>((p * 37 + k * 11 + 1) & 255);
    program.values[kAmpVelocityValue] = static_cast<uint8_t>(255 - p);
  }
}

ProgramValues PackedResolution(const ProgramValues& values) {
  ProgramValues result;
  UnpackProgram(PackProgram(values), result);
  return result;
}

// Records reload requests, standing in for the tracks of the owner.
struct ReloadLog {
  std::vector<int> calls;
  void Attach(ProgramLibrary& library) {
    library.reloadTracks = [this](int program) { calls.push_back(program); };
  }
};

const Bytes kOrganMessage = {0xF0, 0x01, 0x05, 0x00, 0x08, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                             0x02, 0x07, 0x09, 0x00, 0x00, 0x06, 0x06, 0x07, 0x04, 0x00, 0x00, 0x03, 0x00,
                             0x00, 0x00, 0x03, 0x00, 0x08, 0x07, 0x04, 0x01, 0x04, 0x02, 0xF7};

}  // namespace

TEST(ProgramSysEx, ProgramMessageOfTheFirstFactoryRow) {
  ProgramLibrary library;
  library.saveEnhancedPrograms = false;
  library.programs[0].values = {24,  0,   0,  0, 0, 0, 0,  0, 0, 0,   1, 0, 1, 144, 1,  176, 32, 0, 0,
                                152, 116, 64, 0, 0, 0, 48, 0, 0, 128, 0, 0, 0, 224, 16, 192, 0,  0};
  EXPECT_EQ(library.BuildSysEx(0), kOrganMessage);

  ProgramLibrary other;
  other.programs[0].name = "kept";
  ASSERT_TRUE(other.ParseSysEx(kOrganMessage, -1));
  EXPECT_EQ(other.programs[0].values, library.programs[0].values);
  EXPECT_EQ(other.programs[0].name, "kept");
}

TEST(ProgramSysEx, SingleProgramMessagesCarryTheSlotNumberAndEnhancedRecord) {
  ProgramLibrary library;
  FillDistinct(library);
  library.saveEnhancedPrograms = false;
  Bytes plain = library.BuildSysEx(42);
  ASSERT_EQ(plain.size(), 37u);
  EXPECT_EQ(plain[3], 42);

  library.saveEnhancedPrograms = true;
  Bytes enhanced = library.BuildSysEx(42);
  const size_t recordSize = 42 + library.programs[42].name.size();
  ASSERT_EQ(enhanced.size(), 37 + 4 + 2 * recordSize + 1);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), enhanced.begin()));
  EXPECT_EQ(Bytes(enhanced.begin() + 37, enhanced.begin() + 41), (Bytes{0xF0, 0x01, 0x0D, 0x0E}));
  EXPECT_EQ(enhanced.back(), 0xF7);
  for (size_t i = 41; i + 1 < enhanced.size(); ++i) ASSERT_LT(enhanced[i], 16) << i;  // nibbles only
  EXPECT_EQ(enhanced[41], 42 & 15);                                                   // number first, low nibble first
  EXPECT_EQ(enhanced[42], 42 >> 4);

  EXPECT_TRUE(library.BuildSysEx(100).empty());
}

TEST(ProgramSysEx, PlainBankIs3700BytesAndReloadsTheValuesButNotTheNames) {
  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  const Bytes bank = source.BuildSysEx(-1);
  ASSERT_EQ(bank.size(), 3700u);
  for (int p = 0; p < kProgramCount; ++p) EXPECT_EQ(bank[37 * p + 3], p);

  ProgramLibrary target;
  for (int p = 0; p < kProgramCount; ++p) target.programs[p].name = "old " + std::to_string(p);
  ReloadLog log;
  log.Attach(target);
  ASSERT_TRUE(target.ParseSysEx(bank, -1));
  for (int p = 0; p < kProgramCount; ++p) {
    EXPECT_EQ(target.programs[p].values, PackedResolution(source.programs[p].values)) << p;
    EXPECT_EQ(target.programs[p].name, "old " + std::to_string(p));
    EXPECT_EQ(target.programs[p].number, 0);
  }
  EXPECT_EQ(log.calls, (std::vector<int>{-1}));  // every track, once

  // Saving what was loaded gives the same bank again.
  target.saveEnhancedPrograms = false;
  EXPECT_EQ(target.BuildSysEx(-1), bank);
}

TEST(ProgramSysEx, EnhancedBankRoundTripKeepsEverythingExactly) {
  ProgramLibrary source;
  FillDistinct(source);
  source.programs[5].values.fill(255);
  source.programs[6].name = "";
  const Bytes bank = source.BuildSysEx(-1);

  ProgramLibrary target;
  ASSERT_TRUE(target.ParseSysEx(bank, -1));
  for (int p = 0; p < kProgramCount; ++p) EXPECT_EQ(target.programs[p], source.programs[p]) << p;
}

TEST(ProgramSysEx, SingleProgramLoadsIntoTheCallersSlot) {
  ProgramLibrary source;
  FillDistinct(source);
  const Bytes message = source.BuildSysEx(42);

  ProgramLibrary target;
  target.programs[7].name = "slot seven";
  target.programs[7].number = 7;
  ReloadLog log;
  log.Attach(target);
  target.saveEnhancedPrograms = false;
  ASSERT_TRUE(target.ParseSysEx(message, 7));
  EXPECT_EQ(target.programs[7].values, PackedResolution(source.programs[42].values));
  EXPECT_EQ(target.programs[7].name, "slot seven");
  EXPECT_EQ(target.programs[42], Program{});
  EXPECT_EQ(log.calls, (std::vector<int>{7}));

  // With enhanced data the whole record, number and name included, comes along.
  target.saveEnhancedPrograms = true;
  ASSERT_TRUE(target.ParseSysEx(message, 7));
  EXPECT_EQ(target.programs[7], source.programs[42]);
}

TEST(ProgramSysEx, SingleProgramTargetTakesOnlyTheFirstMessage) {
  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  const Bytes bank = source.BuildSysEx(-1);
  ProgramLibrary target;
  ASSERT_TRUE(target.ParseSysEx(bank, 50));
  EXPECT_EQ(target.programs[50].values, PackedResolution(source.programs[0].values));
  for (int p = 0; p < kProgramCount; ++p) {
    if (p != 50) {
      EXPECT_EQ(target.programs[p], Program{}) << p;
    }
  }
}

TEST(ProgramSysEx, WithTheFlagOffEnhancedMessagesAreSkipped) {
  ProgramLibrary source;
  FillDistinct(source);
  const Bytes bank = source.BuildSysEx(-1);  // with enhanced data

  ProgramLibrary target;
  target.saveEnhancedPrograms = false;
  ASSERT_TRUE(target.ParseSysEx(bank, -1));
  for (int p = 0; p < kProgramCount; ++p) {
    EXPECT_EQ(target.programs[p].values, PackedResolution(source.programs[p].values)) << p;
    EXPECT_EQ(target.programs[p].name, "");
    EXPECT_EQ(target.programs[p].number, 0);
  }
}

TEST(ProgramSysEx, DataMustStartWithAProgramMessage) {
  ProgramLibrary source;
  FillDistinct(source);
  Bytes bank = source.BuildSysEx(-1);
  ProgramLibrary target;
  ReloadLog log;
  log.Attach(target);
  for (uint8_t first : {0x00, 0xF7, 0x41}) {
    Bytes data = bank;
    data.insert(data.begin(), first);
    EXPECT_FALSE(target.ParseSysEx(data, -1));
  }
  Bytes brokenFirst = bank;
  brokenFirst[36] = 0x00;  // first message lacks its F7
  EXPECT_FALSE(target.ParseSysEx(brokenFirst, -1));
  EXPECT_FALSE(target.ParseSysEx(brokenFirst, 3));
  EXPECT_FALSE(target.ParseSysEx(Bytes{}, -1));
  EXPECT_FALSE(target.ParseSysEx(nullptr, 12, -1));
  for (int p = 0; p < kProgramCount; ++p) EXPECT_EQ(target.programs[p], Program{});
  EXPECT_TRUE(log.calls.empty());
}

TEST(ProgramSysEx, AfterTheFirstMessageBrokenOnesAreSkipped) {
  ProgramLibrary source;
  FillDistinct(source);
  source.saveEnhancedPrograms = false;
  Bytes bank = source.BuildSysEx(-1);
  const Bytes cut(bank.begin() + 37 * 50, bank.begin() + 37 * 50 + 20);
  bank.insert(bank.begin() + 37 * 40, cut.begin(), cut.end());    // a message cut short before program 40
  bank[37 * 10 + 36] = 0x00;                                      // program 10 lacks its F7
  bank[37 * 20 + 3] = 120;                                        // program 20 names a slot that does not exist
  bank.insert(bank.begin() + 37 * 30, {0x12, 0x34, 0x01, 0xF7});  // noise between messages

  ProgramLibrary target;
  ASSERT_TRUE(target.ParseSysEx(bank, -1));
  for (int p = 0; p < kProgramCount; ++p) {
    if (p == 10 || p == 20) {
      EXPECT_EQ(target.programs[p], Program{}) << p;
    } else {
      EXPECT_EQ(target.programs[p].values, PackedResolution(source.programs[p].values)) << p;
    }
  }
}

// A dump captured from a cable may carry clock and active-sensing bytes
// inside its messages: the programs read as from a clean dump.
TEST(ProgramSysEx, RealTimeBytesInsideMessagesAreLeftOut) {
  ProgramLibrary source;
  FillDistinct(source);
  source.programs[5].name = "kept whole";
  const Bytes clean = source.BuildSysEx(-1);
  Bytes captured;
  for (size_t i = 0; i < clean.size(); ++i) {
    captured.push_back(clean[i]);
    if (i % 29 == 0) captured.push_back(i % 58 == 0 ? 0xF8 : 0xFE);  // also right after an F0 and before an F7
  }
  ProgramLibrary expected, target;
  ASSERT_TRUE(expected.ParseSysEx(clean, -1));
  ASSERT_TRUE(target.ParseSysEx(captured, -1));
  for (int p = 0; p < kProgramCount; ++p) EXPECT_EQ(target.programs[p], expected.programs[p]) << p;
  EXPECT_EQ(target.programs[5].name, "kept whole");
}

TEST(ProgramSysEx, EnhancedRecordThatDoesNotFitLeavesThePackedValues) {
  ProgramLibrary source;
  FillDistinct(source);
  Bytes data = source.BuildSysEx(3);
  // The name length (bytes 1..4 of the record, nibble pairs from offset 43)
  // claims far more than the message holds.
  data[37 + 4 + 2 + 1] = 0x7;
  data.insert(data.end(), kOrganMessage.begin(), kOrganMessage.end());  // scanning goes on after it

  ProgramLibrary target;
  target.programs[3].name = "before";
  target.programs[3].number = 9;
  ASSERT_TRUE(target.ParseSysEx(data, -1));
  EXPECT_EQ(target.programs[3].values, PackedResolution(source.programs[3].values));
  EXPECT_EQ(target.programs[3].name, "before");
  EXPECT_EQ(target.programs[3].number, 9);
  EXPECT_EQ(target.programs[0].values[0], 24);  // the organ after it was still found
}

// An enhanced-data message completes only the program message right before
// it, and only when read completely.
TEST(ProgramSysEx, EnhancedMessageCompletesTheProgramMessageRightBeforeIt) {
  ProgramLibrary source;
  FillDistinct(source);
  const Bytes both = source.BuildSysEx(8);
  const Bytes program(both.begin(), both.begin() + 37);
  const Bytes enhanced(both.begin() + 37, both.end());
  const Bytes foreign = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  struct Case {
    Bytes data;
    bool readEnhanced;
    size_t programs;  // found; the first is program 8
    bool completed;
  };
  const Case cases[] = {
      {both, true, 1, true},
      {both, false, 1, false},
      {join({program, foreign, enhanced}), true, 1, false},
      {Bytes(both.begin(), both.end() - 1), true, 1, false},                         // no F7 at the end
      {join({Bytes(both.begin(), both.end() - 1), kOrganMessage}), true, 2, false},  // cut short by the next
      {join({enhanced, program}), true, 0, false},                                   // not ours: starts otherwise
  };
  for (const Case& c : cases) {
    std::vector<SysExProgram> read;
    auto take = [&read](SysExProgram& program) {
      read.push_back(program);
      return true;
    };
    EXPECT_EQ(ReadSysExPrograms(c.data.data(), c.data.size(), c.readEnhanced, false, take), c.programs > 0);
    ASSERT_EQ(read.size(), c.programs);
    if (read.empty()) continue;
    EXPECT_EQ(read[0].number, 8);
    EXPECT_EQ(read[0].packedValues, PackedResolution(source.programs[8].values));
    EXPECT_EQ(read[0].hasRecord, c.completed);
    if (c.completed) {
      EXPECT_EQ(read[0].record, source.programs[8]);
    }
  }
}

TEST(ProgramSysEx, EveryCutOfABankLoadsOnlyWholeMessages) {
  ProgramLibrary source;
  FillDistinct(source);
  source.programs[1].name = "a longer name so that records differ";
  const Bytes bank = source.BuildSysEx(-1);
  // Cuts inside the first few messages, with and without enhanced reading.
  for (bool enhanced : {true, false}) {
    for (size_t length = 0; length < 400; ++length) {
      ProgramLibrary target;
      target.saveEnhancedPrograms = enhanced;
      const bool found = target.ParseSysEx(bank.data(), length, -1);
      EXPECT_EQ(found, length >= 37) << length;
      for (int p = 0; p < 4; ++p) {
        const Program& got = target.programs[p];
        const bool untouched = got == Program{};
        const bool packedOnly = got.values == PackedResolution(source.programs[p].values) && got.name.empty();
        const bool whole = got == source.programs[p];
        EXPECT_TRUE(untouched || packedOnly || (enhanced && whole)) << "length " << length << " program " << p;
      }
    }
  }
}

TEST(ProgramSysEx, GarbageNeverCrashesAndUnknownDataChangesNothing) {
  std::mt19937 random(99);
  ProgramLibrary source;
  FillDistinct(source);
  const Bytes bank = source.BuildSysEx(-1);
  for (int round = 0; round < 300; ++round) {
    Bytes data(static_cast<size_t>(random() % 600));
    for (auto& b : data) b = static_cast<uint8_t>(random());
    ProgramLibrary target;
    if (!data.empty() && data[0] != 0xF0) {
      EXPECT_FALSE(target.ParseSysEx(data, -1));
      for (int p = 0; p < kProgramCount; ++p) ASSERT_EQ(target.programs[p], Program{});
    } else {
      target.ParseSysEx(data, round % 2 ? -1 : 5);
    }
    // A valid bank with random bytes flipped: whatever parses, nothing breaks.
    Bytes damaged = bank;
    for (int i = 0; i < 20; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    target.ParseSysEx(damaged, -1);
    for (const Program& program : target.programs) ASSERT_LE(program.name.size(), damaged.size());
  }
}
