// The plug-in shares the host's process and must neither depend on nor change
// its C locale. These tests run under a German locale, where the decimal
// separator is a comma and digit grouping is on.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "config/Configuration.h"
#include "tests/support/GermanLocale.h"
#include "tests/support/TempFolder.h"

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
