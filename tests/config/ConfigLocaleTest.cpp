// The plug-in shares the host's process and must neither depend on nor change
// its C locale. These tests run under a German locale, where the decimal
// separator is a comma and digit grouping is on.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "config/Configuration.h"
#include "tests/support/TempFolder.h"

namespace {

// Switches the process to a decimal-comma locale for the test's duration. When
// the system has none, one is compiled into a private folder with localedef.
class GermanLocale {
 public:
  GermanLocale() {
    previous = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
    const std::string command = "localedef -i de_DE -f UTF-8 " + folder.Path() + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    localePath.emplace("LOCPATH", folder.Path());
    std::setlocale(LC_ALL, "de_DE.UTF-8");
  }
  ~GermanLocale() { std::setlocale(LC_ALL, previous.c_str()); }

  bool Active() const {
    const std::lconv* conventions = std::localeconv();
    return conventions != nullptr && std::string(conventions->decimal_point) == ",";
  }
  std::string Current() const { return std::setlocale(LC_ALL, nullptr); }

 private:
  std::string previous;
  TempFolder folder;
  std::optional<ScopedEnvironment> localePath;
};

}  // namespace

TEST(ConfigurationLocale, NumbersReadAndWriteTheSameUnderADecimalCommaLocale) {
  GermanLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "no decimal-comma locale could be made on this system";
  const std::string before = locale.Current();

  TempFolder folder;
  {
    Configuration config(folder.Path(), folder.Path());
    IniFile(config.iniPath).Update([](IniDocument& document) {
      document.SetString("Config Templates", "T", "Wide,1,2,3,4,5,6,0,1,2,0,1,2,1,0,1,0,1,0");
      document.SetString("MIDI Control", "CC10", "1234");
      document.SetString("MIDI Control", "CC11", "302");
      return true;
    });
    config.ReadConfiguration();
    EXPECT_EQ(config.ccMap[10], -1);
    EXPECT_EQ(config.ccMap[11], 302);
    ASSERT_EQ(config.configTemplates.size(), 10u);
    EXPECT_EQ(config.configTemplates[9].channels, (std::array<uint8_t, 6>{0, 1, 2, 3, 4, 5}));
    config.ccMap[100] = 299;
    ASSERT_TRUE(config.WriteConfiguration(ConfigSetting::All));
  }
  const std::string text = ReadFileText(folder / "KestruneMusic/vornell.ini");
  EXPECT_NE(text.find("CC100=299\n"), std::string::npos);
  EXPECT_NE(text.find("CC11=302\n"), std::string::npos);
  // Nothing in here switched the process's locale.
  EXPECT_EQ(locale.Current(), before);
}
