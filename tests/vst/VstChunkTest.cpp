// State exchange through effGetChunk/effSetChunk: bank and program chunks, the
// hosts that only take program chunks, and damaged chunks.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "tests/vst/TestHost.h"
#include "tests/vst/TestInstrumentHooks.h"

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kStateSize = 4 * 8;  // four parameters as doubles

std::vector<uint8_t> Int32Bytes(int32_t value) {
  std::vector<uint8_t> bytes(4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
  return bytes;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<uint8_t> TextBytes(const std::string& text) {
  return Concat(Int32Bytes(static_cast<int32_t>(text.size())), std::vector<uint8_t>(text.begin(), text.end()));
}

std::string ProgramName(TestHost& host, int index) {
  char name[264] = {};
  host.Dispatch(effGetProgramNameIndexed, index, -1, name);
  return name;
}

void Rename(TestHost& host, const char* name) {
  std::string copy(name);
  host.Dispatch(effSetProgramName, 0, 0, copy.data());
}

}  // namespace

TEST(VstChunk, BankChunkRoundTripsParametersAndPresets) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Dispatch(effOpen);
  host.Set(kParamGain, 0.125f);
  host.Set(kParamWave, 0.5f);
  Rename(host, "First");
  host.Dispatch(effSetProgram, 0, 5);
  Rename(host, "Sixth");
  host.Set(kParamTranspose, 1.0f);
  host.Dispatch(effSetProgram, 0, 0);

  std::vector<uint8_t> bank = host.GetChunk(0);
  ASSERT_GT(bank.size(), kHeaderSize);
  EXPECT_EQ(std::string(bank.begin(), bank.begin() + 4), "tffp");
  EXPECT_EQ(std::vector<uint8_t>(bank.begin() + 4, bank.begin() + 8), Int32Bytes(0x00010000));

  // Another instance takes the bank whole.
  TestHost other;
  ASSERT_TRUE(other.Create());
  other.Dispatch(effOpen);
  EXPECT_EQ(other.SetChunk(0, bank), 1);
  EXPECT_EQ(ProgramName(other, 0), "First");
  EXPECT_EQ(ProgramName(other, 5), "Sixth");
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.125f);
  EXPECT_EQ(other.Text(effGetParamDisplay, kParamWave), "square");
  other.Dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(other.Text(effGetParamDisplay, kParamTranspose), "12");
  // And gives back the same bytes.
  other.Dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(other.GetChunk(0), bank);
}

TEST(VstChunk, ProgramChunkEndsWithThePresetNameAndRenamesOnLoad) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.875f);
  Rename(host, "Pad");
  std::vector<uint8_t> program = host.GetChunk(1);
  ASSERT_EQ(program.size(), kHeaderSize + kStateSize + 4 + 3);
  EXPECT_EQ(std::vector<uint8_t>(program.end() - 7, program.end()), TextBytes("Pad"));

  TestHost other;
  ASSERT_TRUE(other.Create());
  EXPECT_EQ(other.SetChunk(1, program), 1);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.875f);
  EXPECT_EQ(ProgramName(other, 0), "Pad");
  EXPECT_EQ(other.Text(effGetProgramName), "Pad");
}

TEST(VstChunk, HostMayHandBackThePluginsOwnBlock) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.4375f);
  Rename(host, "Own");
  for (int32_t index : {0, 1}) {
    void* data = nullptr;
    intptr_t size = host.Dispatch(effGetChunk, index, 0, &data);
    ASSERT_GT(size, 0);
    host.Set(kParamGain, 0.0f);
    EXPECT_EQ(host.Dispatch(effSetChunk, index, size, data), 1) << index;
    EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.4375f) << index;
    EXPECT_EQ(ProgramName(host, 0), "Own");
  }
}

TEST(VstChunk, ProgramChunkWithoutTrailingNameKeepsThePresetName) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.375f);
  std::vector<uint8_t> program = host.GetChunk(1);
  program.resize(kHeaderSize + kStateSize);

  TestHost other;
  ASSERT_TRUE(other.Create());
  Rename(other, "Keep Me");
  EXPECT_EQ(other.SetChunk(1, program), 1);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.375f);
  EXPECT_EQ(ProgramName(other, 0), "Keep Me");
  // The loaded state went into the current preset: switching away and back keeps it.
  other.Dispatch(effSetProgram, 0, 1);
  other.Dispatch(effSetProgram, 0, 0);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.375f);
}

TEST(VstChunk, BankIndexWithoutHeaderIsReadAsAProgram) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.625f);
  std::vector<uint8_t> program = host.GetChunk(1);
  std::vector<uint8_t> headerless(program.begin() + kHeaderSize, program.begin() + kHeaderSize + kStateSize);
  headerless = Concat(headerless, TextBytes("Old Form"));

  TestHost other;
  ASSERT_TRUE(other.Create());
  EXPECT_EQ(other.SetChunk(0, headerless), 1);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.625f);
  EXPECT_EQ(ProgramName(other, 0), "Old Form");
  EXPECT_EQ(ProgramName(other, 1), "Empty");
}

TEST(VstChunk, ProgramChunkOnlyHostGetsProgramsForBothIndexes) {
  HostConfig config;
  config.vendor = "Native INSTRUMENTS";
  TestHost host(config);
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.25f);
  Rename(host, "NI");
  std::vector<uint8_t> asBank = host.GetChunk(0);
  EXPECT_EQ(asBank.size(), kHeaderSize + kStateSize + 4 + 2);
  EXPECT_EQ(asBank, host.GetChunk(1));
}

TEST(VstChunk, ProgramChunkOnlyHostLoadsABankHandedInAsAProgram) {
  TestHost normal;
  ASSERT_TRUE(normal.Create());
  Rename(normal, "Bank Zero");
  normal.Dispatch(effSetProgram, 0, 7);
  Rename(normal, "Bank Seven");
  normal.Set(kParamGain, 0.0625f);
  normal.Dispatch(effSetProgram, 0, 0);
  std::vector<uint8_t> bank = normal.GetChunk(0);

  HostConfig config;
  config.vendor = "juce vst host";
  TestHost host(config);
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.SetChunk(1, bank), 1);
  EXPECT_EQ(ProgramName(host, 0), "Bank Zero");
  EXPECT_EQ(ProgramName(host, 7), "Bank Seven");
  host.Dispatch(effSetProgram, 0, 7);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.0625f);
  // A plain program chunk is still a program there.
  std::vector<uint8_t> program = normal.GetChunk(1);
  EXPECT_EQ(host.SetChunk(0, program), 1);
  EXPECT_EQ(host.Text(effGetProgramName), "Bank Zero");
}

TEST(VstChunk, TruncatedChunksAreRefused) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  Rename(host, "Name");
  std::vector<uint8_t> bank = host.GetChunk(0);
  std::vector<uint8_t> program = host.GetChunk(1);

  TestHost other;
  ASSERT_TRUE(other.Create());
  for (size_t length = 0; length < bank.size(); ++length) {
    std::vector<uint8_t> cut(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(length));
    ASSERT_EQ(other.SetChunk(0, cut), 0) << "bank cut to " << length;
  }
  EXPECT_EQ(other.SetChunk(0, bank), 1);
  for (size_t length = 0; length < program.size(); ++length) {
    std::vector<uint8_t> cut(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(length));
    // Cut right after the state: a program chunk without its name, which is valid.
    intptr_t expected = length == kHeaderSize + kStateSize ? 1 : 0;
    ASSERT_EQ(other.SetChunk(1, cut), expected) << "program cut to " << length;
  }
  EXPECT_EQ(other.Dispatch(effSetChunk, 0, 16, nullptr), 0);
  EXPECT_EQ(other.Dispatch(effSetChunk, 1, -1, program.data()), 0);
}

TEST(VstChunk, RefusedChunkLeavesLiveStateAndPresetsAsTheyWere) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.75f);
  std::vector<uint8_t> program = host.GetChunk(1);

  TestHost other;
  ASSERT_TRUE(other.Create());
  other.Set(kParamGain, 0.5f);
  other.Dispatch(effSetProgram, 0, 1);  // preset 0 now stores gain 0.5
  other.Dispatch(effSetProgram, 0, 0);
  // Header, then only two of the four values: refused.
  other.Set(kParamTranspose, 1.0f);  // an edit not yet stored in the preset
  std::vector<uint8_t> cut(program.begin(), program.begin() + kHeaderSize + 16);
  EXPECT_EQ(other.SetChunk(1, cut), 0);
  // The live state is as it was, unsaved edit included.
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.5f);
  EXPECT_FLOAT_EQ(other.Get(kParamTranspose), 1.0f);
  other.Dispatch(effSetProgram, 0, 1);
  other.Dispatch(effSetProgram, 0, 0);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.5f);
}

TEST(VstChunk, RefusedBankLeavesEveryPresetAsItWas) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Dispatch(effSetProgram, 0, 6);
  Rename(host, "Other Six");
  host.Dispatch(effSetProgram, 0, 0);
  std::vector<uint8_t> bank = host.GetChunk(0);

  TestHost other;
  ASSERT_TRUE(other.Create());
  other.Dispatch(effSetProgram, 0, 6);
  Rename(other, "Mine");
  other.Set(kParamGain, 0.9f);
  other.Dispatch(effSetProgram, 0, 0);
  // Cut inside the last preset: every preset before it would be read.
  bank.resize(bank.size() - 3);
  EXPECT_EQ(other.SetChunk(0, bank), 0);
  EXPECT_EQ(ProgramName(other, 6), "Mine");
  other.Dispatch(effSetProgram, 0, 6);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.9f);
}

TEST(VstChunk, OversizedChunksKeepTheirReadablePart) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Set(kParamGain, 0.3125f);
  std::vector<uint8_t> bank = Concat(host.GetChunk(0), std::vector<uint8_t>(100, 0xAB));

  TestHost other;
  ASSERT_TRUE(other.Create());
  EXPECT_EQ(other.SetChunk(0, bank), 1);
  EXPECT_FLOAT_EQ(other.Get(kParamGain), 0.3125f);
  // A program with bytes after its name: the name is read, the rest ignored.
  std::vector<uint8_t> program = Concat(host.GetChunk(1), std::vector<uint8_t>(10, 0));
  EXPECT_EQ(other.SetChunk(1, program), 1);
}

TEST(VstChunk, RandomChunksNeverBreakThePlugin) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Dispatch(effOpen);
  std::vector<uint8_t> header = host.GetChunk(0);
  header.resize(kHeaderSize);
  std::mt19937 random(12345);
  for (int round = 0; round < 600; ++round) {
    size_t length = random() % 300;
    std::vector<uint8_t> bytes(length);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    if (round % 3 == 0) bytes = Concat(header, bytes);
    if (round % 5 == 0 && bytes.size() >= 12) {
      // A length field claiming far more than there is.
      std::memcpy(bytes.data() + kHeaderSize, "\xff\xff\xff\x7f", 4);
    }
    int32_t index = static_cast<int32_t>(round % 2);
    intptr_t result = host.SetChunk(index, bytes);
    ASSERT_TRUE(result == 0 || result == 1) << round;
    for (int p = 0; p < 4; ++p) {
      float value = host.Get(p);
      ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << round;
    }
  }
  // Still a working plug-in.
  EXPECT_FALSE(host.GetChunk(0).empty());
  EXPECT_FALSE(host.GetChunk(1).empty());
  host.Set(kParamGain, 0.5f);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.5f);
}
