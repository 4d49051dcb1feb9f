#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "plugin/DataBlock.h"

TEST(DataBlock, ItemsRoundTripLittleEndian) {
  DataBlock block;
  ASSERT_TRUE(block.PutInt32(-2));
  ASSERT_TRUE(block.PutDouble(0.25));
  ASSERT_TRUE(block.PutByte(0xAB));
  ASSERT_TRUE(block.PutText("Brass 1"));
  ASSERT_EQ(block.Size(), 4 + 8 + 1 + 4 + 7);
  EXPECT_EQ(block.Data()[0], 0xFE);
  EXPECT_EQ(block.Data()[3], 0xFF);
  EXPECT_EQ(block.Data()[13], 7);  // text length, low byte first

  int32_t i = 0;
  double d = 0;
  uint8_t b = 0;
  std::string t;
  int pos = block.GetInt32(&i, 0);
  pos = block.GetDouble(&d, pos);
  pos = block.GetByte(&b, pos);
  pos = block.GetText(&t, pos);
  EXPECT_EQ(pos, block.Size());
  EXPECT_EQ(i, -2);
  EXPECT_EQ(d, 0.25);
  EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(t, "Brass 1");
}

TEST(DataBlock, FailedReadsLeaveDestinationUnchanged) {
  DataBlock block;
  block.PutByte(1);
  block.PutByte(2);
  int32_t i = 77;
  EXPECT_EQ(block.GetInt32(&i, 0), -1);
  EXPECT_EQ(i, 77);
  EXPECT_EQ(block.GetInt32(&i, -1), -1);
  uint8_t b = 9;
  EXPECT_EQ(block.GetByte(&b, 2), -1);
  EXPECT_EQ(b, 9);

  DataBlock text;
  text.PutInt32(10);
  text.PutBytes("abc", 3);  // claims 10 bytes, has 3
  std::string t = "keep";
  EXPECT_EQ(text.GetText(&t, 0), -1);
  EXPECT_EQ(t, "keep");
}

TEST(DataBlock, TextsStopAtZeroAndNonPositiveLengthIsEmpty) {
  DataBlock block;
  block.PutInt32(5);
  block.PutBytes("ab\0cd", 5);
  block.PutInt32(-3);
  std::string t;
  int pos = block.GetText(&t, 0);
  EXPECT_EQ(pos, 9);
  EXPECT_EQ(t, "ab");
  t = "x";
  EXPECT_EQ(block.GetText(&t, pos), 13);
  EXPECT_EQ(t, "");
}

TEST(DataBlock, ChunkHeader) {
  DataBlock block;
  ASSERT_TRUE(WriteChunkHeader(block));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.Data()), 4), "tffp");
  int pos = 0;
  EXPECT_EQ(ReadChunkHeader(block, &pos), kChunkVersion);
  EXPECT_EQ(pos, 8);

  DataBlock other;
  other.PutInt32(1234);
  pos = 0;
  EXPECT_EQ(ReadChunkHeader(other, &pos), 0);
  EXPECT_EQ(pos, 0);

  DataBlock cut;
  cut.PutInt32(kChunkMagic);
  pos = 0;
  EXPECT_EQ(ReadChunkHeader(cut, &pos), 0);
  EXPECT_EQ(pos, -1);
}

// A view reads the bytes in place; writes, through any copy of it, go to a
// copy of their own and never reach the bytes or the other copies.
TEST(DataBlock, ReadOnlyViewIsCopiedOnFirstWrite) {
  static const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
  const DataBlock view = DataBlock::ReadOnlyView(bytes, 8);
  EXPECT_EQ(view.Data(), bytes);
  DataBlock part;
  ASSERT_TRUE(part.AssignRange(view, 2, 4));
  EXPECT_EQ(std::as_const(part).Data(), bytes + 2);
  EXPECT_FALSE(part.AssignRange(view, 6, 4));
  EXPECT_EQ(part.Size(), 0);

  DataBlock appended = view, patched = view, resized = view, cleared = view;
  ASSERT_TRUE(appended.PutByte(9));
  patched.Data()[0] = 42;
  ASSERT_TRUE(resized.Resize(3));
  cleared.Clear();
  ASSERT_TRUE(cleared.PutInt32(7));
  EXPECT_EQ(appended.Size(), 9);
  EXPECT_EQ(appended.Data()[8], 9);
  EXPECT_EQ(patched.Data()[0], 42);
  EXPECT_EQ(resized.Size(), 3);
  EXPECT_EQ(cleared.Size(), 4);
  for (const DataBlock* written : {&appended, &patched, &resized, &cleared}) EXPECT_NE(written->Data(), bytes);
  const uint8_t expected[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(std::memcmp(bytes, expected, 8), 0);
  EXPECT_TRUE(view == DataBlock::ReadOnlyView(expected, 8));
  EXPECT_EQ(std::memcmp(appended.Data(), expected, 8), 0);

  // From a block that owns its bytes, a range is a copy.
  DataBlock owned;
  owned.PutBytes(bytes, 8);
  ASSERT_TRUE(part.AssignRange(owned, 1, 3));
  EXPECT_NE(std::as_const(part).Data(), std::as_const(owned).Data() + 1);
  EXPECT_EQ(part.Data()[0], 2);
}
