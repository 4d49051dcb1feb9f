// The factory set is written as readable text and turned into the embedded
// bank by a generator at build time. These tests run that generator on the
// real source and on damaged copies of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Resources.h"

namespace {

const std::string kGenerator = std::string(VORNELL_BINARY_DIR) + "/resources/programs/vornell_make_factory_programs";
const std::string kSource = std::string(VORNELL_TEST_DATA_DIR) + "/../resources/programs/factory.txt";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FactorySource : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::path(::testing::TempDir()) /
             ("vornell_factory_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    source = ReadText(kSource);
    ASSERT_FALSE(source.empty()) << kSource;
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // Runs the generator on `text`; returns its exit status.
  int Generate(const std::string& text) {
    const std::string input = (folder / "factory.txt").string();
    std::ofstream(input, std::ios::binary) << text;
    const std::string command = VORNELL_TOOL_LAUNCHER " \"" + kGenerator + "\" \"" + input + "\" \"" + Bank() + "\" \"" + Names() + "\" 2>" +
                                (folder / "errors.txt").string();
    return std::system(command.c_str());
  }
  std::string Bank() const { return (folder / "bank.syx").string(); }
  std::string Names() const { return (folder / "names.txt").string(); }

  // The source with the first occurrence of `from` after `anchor` replaced.
  std::string Edited(const std::string& anchor, const std::string& from, const std::string& to) const {
    const size_t start = source.find(anchor);
    EXPECT_NE(start, std::string::npos) << anchor;
    const size_t at = source.find(from, start);
    EXPECT_NE(at, std::string::npos) << from;
    std::string text = source;
    return text.replace(at, from.size(), to);
  }

  std::filesystem::path folder;
  std::string source;
};

}  // namespace

TEST_F(FactorySource, TheSourceGivesExactlyTheEmbeddedData) {
  ASSERT_EQ(Generate(source), 0);
  const ResourceData bank = FindResource("PRG", "FACTORY");
  const ResourceData names = FindResource("PRG", "FACTORYNAMES");
  ASSERT_TRUE(bank.Found());
  ASSERT_TRUE(names.Found());
  EXPECT_EQ(ReadText(Bank()), std::string(reinterpret_cast<const char*>(bank.data), bank.size));
  EXPECT_EQ(ReadText(Names()), std::string(reinterpret_cast<const char*>(names.data), names.size));
}

TEST_F(FactorySource, ValuesFinerThanThePackedFormAreRefused) {
  // Filter cutoff keeps 7 bits: odd values would change on the way.
  EXPECT_NE(Generate(Edited("program 01 ", "cutoff 140", "cutoff 141")), 0);
  // Envelope times keep 4 bits.
  EXPECT_NE(Generate(Edited("program 05 ", "decay 64", "decay 65")), 0);
  // Velocity is not packed at all.
  EXPECT_NE(Generate(Edited("program 30 ", "velocity 0", "velocity 16")), 0);
  EXPECT_FALSE(std::filesystem::exists(Bank()));
}

TEST_F(FactorySource, IncompleteOrMalformedEntriesAreRefused) {
  EXPECT_NE(Generate(Edited("program 02 ", "  lfo      rate 112  amount 40  shape 0\n", "")), 0);  // values missing
  EXPECT_NE(Generate(Edited("program 02 ", "shape 0", "shape 0  shape 1")), 0);                    // given twice
  EXPECT_NE(Generate(Edited("program 02 ", "shape 0", "shap 0")), 0);                              // unknown key
  EXPECT_NE(Generate(Edited("program 02 ", "shape 0", "shape -1")), 0);                            // not a number
  EXPECT_NE(Generate(Edited("program 02 ", "shape 0", "shape")), 0);                               // no value
  EXPECT_NE(Generate(Edited("program 03 ", "coarse 24", "coarse 64")), 0);                         // out of range
  EXPECT_NE(Generate(Edited("program 03 ", "keytrack 128", "keytrack 192")), 0);                   // out of range
  EXPECT_NE(Generate(Edited("program 04 ", "program 04", "program 05")), 0);                       // out of order
  EXPECT_NE(Generate(Edited("program 04 ", "\"Electric Piano 1\"", "\"Electric Piano 1")), 0);     // unquoted
  EXPECT_NE(Generate(Edited("program 04 ", "\"Electric Piano 1\"", "\"\"")), 0);                   // empty name
  EXPECT_NE(Generate(Edited("program 04 ", "Electric Piano 1", std::string(33, 'x'))), 0);         // too long
  EXPECT_FALSE(std::filesystem::exists(Bank()));
}

TEST_F(FactorySource, TheSetMustHoldExactly100Programs) {
  const size_t last = source.find("program 99 ");
  ASSERT_NE(last, std::string::npos);
  EXPECT_NE(Generate(source.substr(0, last)), 0);
  EXPECT_NE(Generate(""), 0);
  EXPECT_NE(Generate(source + "program 100 \"One Too Many\"\n"), 0);
}
