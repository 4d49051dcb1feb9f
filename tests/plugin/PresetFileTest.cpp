// Preset (.fxp) and bank (.fxb) files: exact layouts, both forms of each, and
// files that are cut short, too long or garbage.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "plugin/IPlugBase.h"
#include "tests/plugin/TestPlug.h"
#include "tests/support/PresetFileBytes.h"
#include "tests/support/PrivateFolderTest.h"

namespace {

class PresetFileTest : public PrivateFolderTest {};

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int32_t Big32(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<int32_t>((static_cast<uint32_t>(bytes[at]) << 24) | (static_cast<uint32_t>(bytes[at + 1]) << 16) |
                              (static_cast<uint32_t>(bytes[at + 2]) << 8) | bytes[at + 3]);
}

std::string Tag(const std::vector<uint8_t>& bytes, size_t at) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + at), 4);
}

// Everything a load could change.
struct Snapshot {
  explicit Snapshot(TestPlug& plug) : values(plug.Values()), current(plug.GetCurrentPresetIndex()) {
    for (int i = 0; i < plug.NumPresets(); ++i) {
      names.push_back(plug.GetPresetName(i));
      states.push_back(plug.GetPreset(i)->state);
      flags.push_back(plug.GetPreset(i)->initialized);
    }
  }
  bool operator==(const Snapshot& other) const {
    return values == other.values && current == other.current && names == other.names && states == other.states &&
           flags == other.flags;
  }
  std::vector<double> values;
  int current;
  std::vector<std::string> names;
  std::vector<DataBlock> states;
  std::vector<bool> flags;
};

// Distinct names and values in every preset; a different seed gives different ones.
void FillPresets(TestPlug& plug, int seed = 0) {
  for (int i = 0; i < plug.NumPresets(); ++i) {
    const int n = i + seed;
    plug.SetValues(
        {0.01 * (n % 100), static_cast<double>(n % 25 - 12), static_cast<double>(n % 2), static_cast<double>(n % 3)});
    plug.SelectPreset(i);
    plug.ModifyCurrentPreset(((seed ? "Other " : "Preset ") + std::to_string(i)).c_str());
  }
}

}  // namespace

TEST_F(PresetFileTest, ProgramFileLayout) {
  TestPlug plug(303, 64);
  plug.GetParam(0)->SetValue(0.625);
  plug.SelectPreset(0);
  plug.ModifyCurrentPreset("A rather long preset name that does not fit");
  ASSERT_TRUE(plug.SaveProgramFile(Path("a.fxp")));
  const std::vector<uint8_t> file = ReadFile(Path("a.fxp"));

  const int stateSize = 4 + 303 * 8;
  const int chunkSize = 8 + stateSize;
  ASSERT_EQ(file.size(), static_cast<size_t>(60 + chunkSize));
  EXPECT_EQ(Tag(file, 0), "CcnK");
  EXPECT_EQ(Big32(file, 4), static_cast<int32_t>(file.size()));
  EXPECT_EQ(Tag(file, 8), "FPCh");
  EXPECT_EQ(Big32(file, 12), 1);
  EXPECT_EQ(Tag(file, 16), "vnl4");
  EXPECT_EQ(Big32(file, 20), 10001);
  EXPECT_EQ(Big32(file, 24), 303);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[28])), std::string("A rather long preset name t"));
  EXPECT_EQ(file[28 + 27], 0);
  EXPECT_EQ(Big32(file, 56), chunkSize);
  EXPECT_EQ(Tag(file, 60), "tffp");  // 0x70666674 little-endian
  EXPECT_EQ(file[64], 0x00);
  EXPECT_EQ(file[65], 0x00);
  EXPECT_EQ(file[66], 0x01);
  EXPECT_EQ(file[67], 0x00);
  DataBlock state;
  plug.SaveState(state);
  EXPECT_EQ(std::memcmp(&file[68], state.Data(), static_cast<size_t>(stateSize)), 0);
}

TEST_F(PresetFileTest, ShortNamesAreZeroPadded) {
  TestPlug plug;
  plug.SelectPreset(0);
  plug.ModifyCurrentPreset("Pad");
  ASSERT_TRUE(plug.SaveProgramFile(Path("p.fxp")));
  const std::vector<uint8_t> file = ReadFile(Path("p.fxp"));
  EXPECT_EQ(file[28], 'P');
  for (int i = 31; i < 56; ++i) EXPECT_EQ(file[static_cast<size_t>(i)], 0) << i;
}

TEST_F(PresetFileTest, ProgramFileRoundTrip) {
  TestPlug a;
  a.SetValues({0.33, -5, 1, 2});
  a.SelectPreset(0);
  a.ModifyCurrentPreset("Warm Pad");
  ASSERT_TRUE(a.SaveProgramFile(Path("a.fxp")));

  TestPlug b;
  b.SelectPreset(2);
  ASSERT_TRUE(b.LoadProgramFile(Path("a.fxp")));
  EXPECT_EQ(b.Values(), a.Values());
  EXPECT_EQ(b.GetCurrentPresetIndex(), 2);
  EXPECT_EQ(b.GetPresetName(2), "Warm Pad");
  EXPECT_EQ(b.GetPreset(2)->state, a.GetPreset(0)->state);
  EXPECT_EQ(b.programChanges, 1);
}

TEST_F(PresetFileTest, ProgramFileWithoutChunkHeaderIsRead) {
  TestPlug a;
  a.SetValues({0.8, 7, 0, 0});
  DataBlock state;
  a.SaveState(state);
  std::vector<uint8_t> file;
  PutTag(file, "CcnK");
  PutBig(file, 60 + state.Size());
  PutTag(file, "FPCh");
  PutBig(file, 1);
  PutBig(file, kUniqueId);
  PutBig(file, 10001);
  PutBig(file, 4);
  PutName(file, "Bare");
  PutBig(file, state.Size());
  file.insert(file.end(), state.Data(), state.Data() + state.Size());
  WriteFile(Path("bare.fxp"), file);

  TestPlug b;
  ASSERT_TRUE(b.LoadProgramFile(Path("bare.fxp")));
  EXPECT_EQ(b.Values(), a.Values());
  EXPECT_EQ(b.GetPresetName(0), "Bare");
}

TEST_F(PresetFileTest, ParameterListProgram) {
  TestPlug plug;
  WriteFile(Path("fxck.fxp"), ParamProgram({0.25f, 0.75f, 1.0f, 0.5f}, "Listed"));
  ASSERT_TRUE(plug.LoadProgramFile(Path("fxck.fxp")));
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.25, 6, 1, 1}));
  EXPECT_EQ(plug.GetPresetName(0), "Listed");
  EXPECT_EQ(plug.programChanges, 1);

  // A 28-character name fills the field without terminator.
  WriteFile(Path("long.fxp"), ParamProgram({0, 0, 0, 0}, std::string(28, 'L')));
  ASSERT_TRUE(plug.LoadProgramFile(Path("long.fxp")));
  EXPECT_EQ(plug.GetPresetName(0), std::string(28, 'L'));

  // A list of fewer parameters sets those and keeps the others.
  plug.SetValues({0.5, 0, 0, 2});
  WriteFile(Path("short.fxp"), ParamProgram({1.0f, 1.0f}, "Two"));
  ASSERT_TRUE(plug.LoadProgramFile(Path("short.fxp")));
  EXPECT_EQ(plug.Values(), (std::vector<double>{1.0, 12, 0, 2}));
}

TEST_F(PresetFileTest, RejectedProgramFilesChangeNothing) {
  TestPlug plug;
  FillPresets(plug);
  plug.SelectPreset(1);
  const Snapshot before(plug);

  std::vector<uint8_t> good = ParamProgram({0.1f, 0.2f, 0.3f, 0.4f}, "Good");
  auto rejects = [&](std::vector<uint8_t> bytes, const char* why) {
    WriteFile(Path("bad.fxp"), bytes);
    EXPECT_FALSE(plug.LoadProgramFile(Path("bad.fxp"))) << why;
    EXPECT_TRUE(Snapshot(plug) == before) << why;
  };
  rejects(ParamProgram({0.1f, 0.2f, 0.3f, 0.4f}, "Other", 0x41424344), "other plug-in");
  std::vector<uint8_t> bytes = good;
  bytes[15] = 2;
  rejects(bytes, "version 2");
  bytes = good;
  bytes[0] = 'X';
  rejects(bytes, "magic");
  bytes = good;
  std::memcpy(&bytes[8], "FxBk", 4);
  rejects(bytes, "bank type in a program file");
  bytes = good;
  bytes.resize(good.size() - 1);
  rejects(bytes, "parameter list cut short");
  rejects(ParamProgram({0.1f}, "Liar", kUniqueId, 1000000), "count beyond the data");
  rejects(ParamProgram({0.1f}, "Negative", kUniqueId, -5), "negative count");
  rejects(std::vector<uint8_t>(good.begin(), good.begin() + 40), "header cut short");
  rejects({}, "empty file");

  // A chunk whose state the instrument cannot read.
  std::vector<uint8_t> chunk;
  PutTag(chunk, "CcnK");
  PutBig(chunk, 0);
  PutTag(chunk, "FPCh");
  PutBig(chunk, 1);
  PutBig(chunk, kUniqueId);
  PutBig(chunk, 10001);
  PutBig(chunk, 4);
  PutName(chunk, "Garbage");
  PutBig(chunk, 12);
  for (int i = 0; i < 12; ++i) chunk.push_back(static_cast<uint8_t>(0xA5 + i));
  rejects(chunk, "garbage state");
  chunk.resize(58);
  rejects(chunk, "chunk size cut short");

  // A state that starts well but ends early: the half-loaded values are undone.
  TestPlug other;
  other.SetValues({0.99, 12, 1, 2});
  other.SelectPreset(0);
  ASSERT_TRUE(other.SaveProgramFile(Path("whole.fxp")));
  bytes = ReadFile(Path("whole.fxp"));
  bytes.resize(bytes.size() - 4);
  rejects(bytes, "torn state");

  EXPECT_FALSE(plug.LoadProgramFile(""));
  EXPECT_FALSE(plug.LoadProgramFile(Path("missing.fxp")));
  EXPECT_FALSE(plug.LoadProgramFile(folder.Path()));  // a folder, not a file
  EXPECT_TRUE(Snapshot(plug) == before);
  EXPECT_EQ(plug.programChanges, 0);
}

TEST_F(PresetFileTest, BankFileLayout) {
  TestPlug plug(4, 64);
  FillPresets(plug);
  plug.SelectPreset(5);
  ASSERT_TRUE(plug.SaveBankFile(Path("b.fxb")));
  const std::vector<uint8_t> file = ReadFile(Path("b.fxb"));
  DataBlock presets;
  plug.SerializePresets(presets);

  ASSERT_EQ(file.size(), static_cast<size_t>(160 + 8 + presets.Size()));
  EXPECT_EQ(Tag(file, 0), "CcnK");
  EXPECT_EQ(Big32(file, 4), static_cast<int32_t>(file.size()));
  EXPECT_EQ(Tag(file, 8), "FBCh");
  EXPECT_EQ(Big32(file, 12), 2);
  EXPECT_EQ(Tag(file, 16), "vnl4");
  EXPECT_EQ(Big32(file, 20), 10001);
  EXPECT_EQ(Big32(file, 24), 64);
  EXPECT_EQ(Big32(file, 28), 5);
  for (int i = 32; i < 156; ++i) EXPECT_EQ(file[static_cast<size_t>(i)], 0) << i;
  EXPECT_EQ(Big32(file, 156), 8 + presets.Size());
  EXPECT_EQ(Tag(file, 160), "tffp");
  EXPECT_EQ(std::memcmp(&file[168], presets.Data(), static_cast<size_t>(presets.Size())), 0);
}

TEST_F(PresetFileTest, BankRoundTripEndsInTheCurrentPreset) {
  TestPlug a(4, 64);
  FillPresets(a);
  a.SelectPreset(17);
  ASSERT_TRUE(a.SaveBankFile(Path("b.fxb")));

  TestPlug b(4, 64);
  b.SelectPreset(17);
  b.loads = 0;
  ASSERT_TRUE(b.LoadBankFile(Path("b.fxb")));
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(b.GetPresetName(i), a.GetPresetName(i));
    EXPECT_EQ(b.GetPreset(i)->state, a.GetPreset(i)->state);
  }
  EXPECT_EQ(b.loads, 65);  // each stored state in turn, then the current one again
  EXPECT_EQ(b.Values(), a.Values());
  EXPECT_EQ(b.programChanges, 1);

  // The bank's version field is not examined.
  std::vector<uint8_t> file = ReadFile(Path("b.fxb"));
  file[15] = 1;
  WriteFile(Path("v1.fxb"), file);
  EXPECT_TRUE(b.LoadBankFile(Path("v1.fxb")));
}

TEST_F(PresetFileTest, ParameterListBank) {
  TestPlug plug(4, 3);
  FillPresets(plug);
  WriteFile(Path("fxbk.fxb"), ParamBank({{0.5f, 0.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f, 1.0f}}, 1));
  ASSERT_TRUE(plug.LoadBankFile(Path("fxbk.fxb")));
  EXPECT_EQ(plug.GetPresetName(0), "Bank 0");
  EXPECT_EQ(plug.GetPresetName(1), "Bank 1");
  EXPECT_EQ(plug.GetPresetName(2), "Preset 2");
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 1);
  EXPECT_EQ(plug.Values(), (std::vector<double>{1.0, 12, 0, 2}));
  plug.SelectPreset(0);
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.5, -12, 1, 0}));
  EXPECT_EQ(plug.programChanges, 1);
}

TEST_F(PresetFileTest, ParameterListBankWithMoreProgramsThanSlots) {
  TestPlug plug(4, 2);
  FillPresets(plug);
  WriteFile(Path("big.fxb"),
            ParamBank({{0.1f, 0.5f, 0, 0}, {0.2f, 0.5f, 0, 0}, {0.3f, 0.5f, 0, 0}, {0.4f, 0.5f, 0, 0}}, 0));
  ASSERT_TRUE(plug.LoadBankFile(Path("big.fxb")));
  EXPECT_EQ(plug.GetPresetName(0), "Bank 0");
  EXPECT_EQ(plug.GetPresetName(1), "Bank 1");  // not overwritten by programs 2 and 3
  plug.SelectPreset(1);
  EXPECT_NEAR(plug.Values()[0], 0.2, 1e-6);
}

TEST_F(PresetFileTest, RejectedBankFilesChangeNothing) {
  TestPlug plug(4, 4);
  FillPresets(plug);
  plug.SelectPreset(2);
  const Snapshot before(plug);

  auto rejects = [&](std::vector<uint8_t> bytes, const char* why) {
    WriteFile(Path("bad.fxb"), bytes);
    EXPECT_FALSE(plug.LoadBankFile(Path("bad.fxb"))) << why;
    EXPECT_TRUE(Snapshot(plug) == before) << why;
  };
  const std::vector<uint8_t> good = ParamBank({{0, 0, 0, 0}, {1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 0.5f}}, 0);
  std::vector<uint8_t> bytes = good;
  bytes[19] = 'x';
  rejects(bytes, "other plug-in");
  bytes = good;
  std::memcpy(&bytes[8], "FPCh", 4);
  rejects(bytes, "program type in a bank file");
  // The third record is broken in each way: the first two must not stay applied.
  const size_t third = 156 + 2 * (56 + 16);
  bytes = good;
  bytes[third] = 'c';
  rejects(bytes, "record magic");
  bytes = good;
  std::memcpy(&bytes[third + 8], "FPCh", 4);
  rejects(bytes, "record type");
  bytes = good;
  bytes[third + 15] = 3;
  rejects(bytes, "record version");
  bytes = good;
  bytes[third + 27] = 5;
  rejects(bytes, "record parameter count");
  bytes = good;
  bytes.resize(good.size() - 2);
  rejects(bytes, "last record cut short");
  bytes = good;
  bytes[27] = 99;  // claims 99 programs
  rejects(bytes, "more programs claimed than present");
  bytes = good;
  bytes[24] = 0x80;  // negative count
  rejects(bytes, "negative program count");
  rejects(std::vector<uint8_t>(good.begin(), good.begin() + 20), "header cut short");

  // A chunk bank cut inside a preset, from another set of presets.
  TestPlug other(4, 4);
  FillPresets(other, 7);
  ASSERT_TRUE(other.SaveBankFile(Path("whole.fxb")));
  bytes = ReadFile(Path("whole.fxb"));
  const std::vector<uint8_t> whole = bytes;
  bytes.resize(bytes.size() - 30);
  rejects(bytes, "chunk bank cut short");
  bytes.resize(150);
  rejects(bytes, "chunk bank header cut short");
  bytes = whole;
  bytes[168 + 4 + 8 + 1] ^= 0xFF;  // first preset's state tag
  rejects(bytes, "garbage state in the first preset");

  EXPECT_FALSE(plug.LoadBankFile(""));
  EXPECT_FALSE(plug.LoadBankFile(Path("missing.fxb")));
  EXPECT_EQ(plug.programChanges, 0);
}

TEST_F(PresetFileTest, RandomGarbageNeverCrashesOrHalfLoads) {
  TestPlug plug(4, 4);
  FillPresets(plug);
  TestPlug source(4, 4);
  FillPresets(source, 11);
  ASSERT_TRUE(source.SaveBankFile(Path("src.fxb")));
  ASSERT_TRUE(source.SaveProgramFile(Path("src.fxp")));
  const std::vector<uint8_t> bank = ReadFile(Path("src.fxb"));
  const std::vector<uint8_t> program = ReadFile(Path("src.fxp"));

  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    const bool isBank = round % 2 == 0;
    std::vector<uint8_t> bytes = isBank ? bank : program;
    const int flips = 1 + static_cast<int>(random() % 6);
    for (int f = 0; f < flips; ++f) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    if (random() % 3 == 0) bytes.resize(random() % bytes.size());
    DataBlock data;
    data.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    const Snapshot before(plug);
    const bool loaded = isBank ? plug.LoadBankData(data) : plug.LoadProgramData(data);
    if (!loaded) {
      EXPECT_TRUE(Snapshot(plug) == before) << "round " << round;
    }
  }
}

TEST_F(PresetFileTest, TrailingBytesAfterTheDataAreIgnored) {
  TestPlug a(4, 4);
  FillPresets(a);
  a.SelectPreset(3);
  ASSERT_TRUE(a.SaveProgramFile(Path("a.fxp")));
  ASSERT_TRUE(a.SaveBankFile(Path("a.fxb")));
  for (const char* name : {"a.fxp", "a.fxb"}) {
    std::vector<uint8_t> bytes = ReadFile(Path(name));
    bytes.insert(bytes.end(), 5000, 0xEE);
    WriteFile(Path(name), bytes);
  }
  TestPlug b(4, 4);
  ASSERT_TRUE(b.LoadBankFile(Path("a.fxb")));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b.GetPresetName(i), a.GetPresetName(i));
  b.SetValues({0, 0, 0, 0});
  ASSERT_TRUE(b.LoadProgramFile(Path("a.fxp")));
  EXPECT_EQ(b.Values(), a.Values());
}
