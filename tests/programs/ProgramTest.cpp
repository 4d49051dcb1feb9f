#include <gtest/gtest.h>

#include <random>

#include "plugin/DataBlock.h"
#include "programs/Program.h"

namespace {

PackedProgram Packed(std::initializer_list<int> bytes) {
  PackedProgram packed;
  int i = 0;
  for (int b : bytes) packed.bytes[i++] = static_cast<uint8_t>(b);
  return packed;
}

ProgramValues Values(std::initializer_list<int> list) {
  ProgramValues values{};
  int k = 0;
  for (int v : list) values[k++] = static_cast<uint8_t>(v);
  return values;
}

const PackedProgram kOrganPacked =
    Packed({0x18, 0x00, 0x00, 0x00, 0x20, 0x97, 0x00, 0x66, 0x47, 0x00, 0x03, 0x00, 0x03, 0x78, 0x14, 0x24});
const ProgramValues kOrganValues = Values({24,  0,   0,  0, 0, 0, 0,  0, 0, 0,   1, 0, 1, 144, 1,  176, 32, 0, 0,
                                           152, 116, 64, 0, 0, 0, 48, 0, 0, 128, 0, 0, 0, 224, 16, 192, 0,  0});

const PackedProgram kSonOfOrgPacked =
    Packed({0x09, 0x84, 0x0A, 0x7D, 0x50, 0xE1, 0x03, 0x9C, 0x49, 0x10, 0xCD, 0x3F, 0x42, 0x03, 0x90, 0x14});
const ProgramValues kSonOfOrgValues =
    Values({9,   128, 0,  0, 80, 0,  16,  160, 240, 0,  0,   0, 1,   168, 1, 0,   248, 0, 0,
            112, 152, 64, 0, 0,  16, 208, 192, 0,   64, 252, 0, 208, 0,   0, 128, 1,   0});

// Low bits each value loses in the packed form (velocity is not packed at all).
constexpr int kDroppedBits[kProgramValueCount] = {0, 3, 4, 0, 4, 0, 4, 4, 4, 4, 0, 0, 0, 2, 0, 4, 3, 0, 3,
                                                  1, 2, 4, 0, 4, 4, 4, 4, 0, 6, 2, 4, 4, 4, 4, 4, 0, 0};
constexpr bool kSwitch[kProgramValueCount] = {false, false, false, true,  false, true,  false, false, false, false,
                                              true,  true,  true,  false, true,  false, false, true,  false, false,
                                              false, false, true,  false, false, false, false, true,  false, false,
                                              false, false, false, false, false, true,  false};

}  // namespace

TEST(ProgramPacking, FactoryRowsUnpackToTheirValuesAndPackBack) {
  ProgramValues values;
  values.fill(99);
  UnpackProgram(kOrganPacked, values);
  EXPECT_EQ(values, kOrganValues);
  EXPECT_EQ(PackProgram(kOrganValues), kOrganPacked);

  values.fill(99);
  UnpackProgram(kSonOfOrgPacked, values);
  EXPECT_EQ(values, kSonOfOrgValues);
  EXPECT_EQ(PackProgram(kSonOfOrgValues), kSonOfOrgPacked);
}

TEST(ProgramPacking, PackThenUnpackKeepsExactlyTheResolutionOfEachValue) {
  std::mt19937 random(1234);
  for (int round = 0; round < 500; ++round) {
    ProgramValues values;
    for (auto& v : values) v = static_cast<uint8_t>(random() & 255);
    ProgramValues back;
    UnpackProgram(PackProgram(values), back);
    for (int k = 0; k < kProgramValueCount; ++k) {
      int expected;
      if (k == kAmpVelocityValue) {
        expected = 0;
      } else if (kSwitch[k]) {
        expected = values[k] & 1;
      } else if (k == 0) {
        expected = values[k] & 63;  // "Coarse Frequency" keeps its low bits
      } else {
        expected = (values[k] >> kDroppedBits[k]) << kDroppedBits[k];
      }
      ASSERT_EQ(back[k], expected) << "value " << k << " from " << int(values[k]);
    }
  }
}

TEST(ProgramPacking, EveryUsedBitBelongsToExactlyOneValueAndTheLastTwoAreIgnored) {
  for (int bit = 0; bit < 128; ++bit) {
    PackedProgram packed;
    packed.bytes[bit / 8] = static_cast<uint8_t>(1u << (bit % 8));
    ProgramValues values;
    UnpackProgram(packed, values);
    int changed = 0;
    for (uint8_t v : values) changed += v != 0;
    EXPECT_EQ(changed, bit < 126 ? 1 : 0) << "bit " << bit;
    // Any values packed again give back the same bit, and never bits 126/127.
    EXPECT_EQ(PackProgram(values), bit < 126 ? packed : PackedProgram{}) << "bit " << bit;
  }
}

TEST(ProgramPacking, UnpackLeavesVelocityZeroAndPackIgnoresIt) {
  ProgramValues values = kOrganValues;
  values[kAmpVelocityValue] = 200;
  EXPECT_EQ(PackProgram(values), kOrganPacked);
  UnpackProgram(kOrganPacked, values);
  EXPECT_EQ(values[kAmpVelocityValue], 0);
}

TEST(ProgramRecord, WritesNumberNameAndValuesAndReadsThemBack) {
  Program program;
  program.number = 42;
  program.name = "Brass 1";
  for (int k = 0; k < kProgramValueCount; ++k) program.values[k] = static_cast<uint8_t>(255 - 3 * k);

  DataBlock block;
  block.PutByte(0xEE);  // records are read at any position
  ASSERT_TRUE(WriteProgramRecord(program, block));
  ASSERT_EQ(block.Size(), 1 + 42 + 7);
  EXPECT_EQ(block.Data()[1], 42);
  EXPECT_EQ(block.Data()[2], 7);  // name length, little-endian
  EXPECT_EQ(block.Data()[6], 'B');
  EXPECT_EQ(block.Data()[13], 255);  // first value follows the name

  Program read;
  EXPECT_EQ(ReadProgramRecord(read, block, 1), block.Size());
  EXPECT_EQ(read, program);
}

TEST(ProgramRecord, EmptyNameAndTwoRecordsInARow) {
  Program first;
  first.number = 3;
  Program second;
  second.number = 99;
  second.name = "Thunder Rumble ";
  second.values.fill(1);
  DataBlock block;
  ASSERT_TRUE(WriteProgramRecord(first, block));
  ASSERT_TRUE(WriteProgramRecord(second, block));
  Program a, b;
  int position = ReadProgramRecord(a, block, 0);
  EXPECT_EQ(position, 42);
  position = ReadProgramRecord(b, block, position);
  EXPECT_EQ(position, block.Size());
  EXPECT_EQ(a, first);
  EXPECT_EQ(b, second);
}

TEST(ProgramRecord, ACutRecordFailsAtEveryLengthAndLeavesTheProgramAlone) {
  Program program;
  program.number = 7;
  program.name = "String 1";
  program.values.fill(77);
  DataBlock full;
  ASSERT_TRUE(WriteProgramRecord(program, full));

  Program keep;
  keep.number = 1;
  keep.name = "keep";
  keep.values.fill(5);
  for (int length = 0; length < full.Size(); ++length) {
    DataBlock cut;
    cut.PutBytes(full.Data(), length);
    Program target = keep;
    EXPECT_EQ(ReadProgramRecord(target, cut, 0), -1) << "length " << length;
    EXPECT_EQ(target, keep) << "length " << length;
  }
  Program target = keep;
  EXPECT_EQ(ReadProgramRecord(target, full, -1), -1);
  EXPECT_EQ(ReadProgramRecord(target, full, full.Size()), -1);
  EXPECT_EQ(target, keep);
}

TEST(ProgramRecord, BadNameLengthsCountAsNotFitting) {
  Program keep;
  keep.name = "keep";
  for (int32_t length : {-1, -2147483647 - 1, 1000, 2147483647}) {
    DataBlock block;
    block.PutByte(5);
    block.PutInt32(length);
    for (int i = 0; i < 60; ++i) block.PutByte('x');
    Program target = keep;
    EXPECT_EQ(ReadProgramRecord(target, block, 0), -1) << length;
    EXPECT_EQ(target, keep) << length;
  }
}
