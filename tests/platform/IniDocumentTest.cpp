#include <gtest/gtest.h>

#include <string>

#include "platform/IniDocument.h"

TEST(IniDocument, FindsSectionsAndKeysWithoutRegardToCase) {
  const IniDocument document(
      "[MIDI Global]\n"
      "MIDI Thru=false\n"
      "[midi control]\n"
      "cc7 = 44\n");
  EXPECT_EQ(document.GetString("midi global", "midi thru", "x", 64), "false");
  EXPECT_EQ(document.GetString("MIDI GLOBAL", "MIDI THRU", "x", 64), "false");
  EXPECT_EQ(document.GetString("MIDI Control", "CC7", "-1", 64), "44");
  // Case folding is ASCII only; a different name is still different.
  EXPECT_EQ(document.GetString("MIDI Control", "CC70", "-1", 64), "-1");
}

TEST(IniDocument, MissingKeysGiveTheDefaultCutToTheBuffer) {
  const IniDocument document("[Global]\nPath to Preset Files=/home/user/presets\n");
  EXPECT_EQ(document.GetString("Global", "Missing", "fallback", 64), "fallback");
  EXPECT_EQ(document.GetString("Nowhere", "Path to Preset Files", "", 64), "");
  // A buffer of n bytes holds n - 1 characters and the terminator.
  EXPECT_EQ(document.GetString("Global", "Path to Preset Files", "", 6), "/home");
  EXPECT_EQ(document.GetString("Global", "Missing", "fallback", 4), "fal");
  EXPECT_EQ(document.GetString("Global", "Path to Preset Files", "x", 0), "");
}

TEST(IniDocument, TrimsBlanksAndOnePairOfQuotes) {
  const IniDocument document(
      "[S]\n"
      "  plain   =   some value  \t\n"
      "double=\"  padded  \"\n"
      "single='quoted'\n"
      "mismatched=\"half'\n"
      "nested=\"\"twice\"\"\n"
      "empty=\n"
      "lonely\n");
  EXPECT_EQ(document.GetString("S", "plain", "", 64), "some value");
  EXPECT_EQ(document.GetString("S", "double", "", 64), "  padded  ");
  EXPECT_EQ(document.GetString("S", "single", "", 64), "quoted");
  EXPECT_EQ(document.GetString("S", "mismatched", "", 64), "\"half'");
  EXPECT_EQ(document.GetString("S", "nested", "", 64), "\"twice\"");
  EXPECT_EQ(document.GetString("S", "empty", "default", 64), "");
  // A line without "=" names a key with an empty value.
  EXPECT_EQ(document.GetString("S", "lonely", "default", 64), "");
}

TEST(IniDocument, FirstOccurrenceOfADuplicateWinsForReadAndWrite) {
  IniDocument document("[A]\nk=1\nk=2\n[a]\nk=3\n");
  EXPECT_EQ(document.GetString("A", "K", "", 64), "1");
  ASSERT_TRUE(document.SetString("a", "k", "9"));
  EXPECT_EQ(document.Text(), "[A]\nk=9\nk=2\n[a]\nk=3\n");
}

TEST(IniDocument, WritesKeepEverythingElseByteForByte) {
  const std::string original =
      "; settings written by hand\n"
      "stray line before any section\n"
      "\n"
      "[Global]\n"
      "; a comment inside\n"
      "Dont Ask To Commit = TRUE\n"
      "Other Key=keep me\n"
      "\n"
      "[Unknown Section]\n"
      "Foo=Bar\n";
  IniDocument document(original);
  ASSERT_TRUE(document.SetString("global", "dont ask to commit", "false"));
  // The key keeps the file's spelling; only its line changes.
  std::string expected = original;
  expected.replace(expected.find("Dont Ask To Commit = TRUE"), 25, "Dont Ask To Commit=false");
  EXPECT_EQ(document.Text(), expected);

  // A new key goes to the end of its section's entries, before the blank separator.
  ASSERT_TRUE(document.SetString("Global", "Path to Program Files", "/music"));
  EXPECT_NE(document.Text().find("Other Key=keep me\nPath to Program Files=/music\n\n[Unknown Section]"),
            std::string::npos);
  // A new section goes to the end.
  ASSERT_TRUE(document.SetString("MIDI Global", "MIDI Thru", "true"));
  const std::string text = document.Text();
  EXPECT_NE(text.find("Foo=Bar\n[MIDI Global]\nMIDI Thru=true\n"), std::string::npos);
  EXPECT_EQ(text.find("; settings written by hand\nstray line before any section\n"), 0u);
}

TEST(IniDocument, ValuesThatReadingWouldChangeAreQuotedSoTheyComeBackExactly) {
  IniDocument document;
  const std::string values[] = {"  leading", "trailing  ", "\"quoted\"", "'single'", "plain", "", "a=b=c", "x;y"};
  for (const std::string& value : values) {
    ASSERT_TRUE(document.SetString("Paths", "Key", value));
    EXPECT_EQ(IniDocument(document.Text()).GetString("Paths", "Key", "default", 4096), value) << value;
  }
}

TEST(IniDocument, RefusesNamesAndValuesThatWouldBreakTheFile) {
  IniDocument document("[S]\nk=v\n");
  const std::string before = document.Text();
  EXPECT_FALSE(document.SetString("S", "k", "two\nlines"));
  EXPECT_FALSE(document.SetString("S", "k", "carriage\rreturn"));
  EXPECT_FALSE(document.SetString("S", "a=b", "v"));
  EXPECT_FALSE(document.SetString("S]x", "k", "v"));
  EXPECT_FALSE(document.SetString("", "k", "v"));
  EXPECT_FALSE(document.SetString("S", "", "v"));
  EXPECT_FALSE(document.SetString("S", " padded", "v"));
  EXPECT_FALSE(document.SetString("S", "[k", "v"));
  EXPECT_FALSE(document.SetString("S", ";k", "v"));
  EXPECT_EQ(document.Text(), before);
}

TEST(IniDocument, EmptySectionRemovesItsEntriesOnly) {
  IniDocument document(
      "[Startup Bank]\n"
      "File=/banks/a.fxb\n"
      "; note\n"
      "Extra=1\n"
      "\n"
      "[Global]\n"
      "Keep=yes\n");
  document.EmptySection("startup bank");
  EXPECT_EQ(document.Text(), "[Startup Bank]\n\n[Global]\nKeep=yes\n");
  EXPECT_EQ(document.GetString("Startup Bank", "File", "none", 64), "none");
  ASSERT_TRUE(document.SetString("Startup Bank", "File", ""));
  EXPECT_EQ(document.Text(), "[Startup Bank]\nFile=\n\n[Global]\nKeep=yes\n");
  // Emptying a missing section changes nothing.
  document.EmptySection("Nowhere");
  EXPECT_EQ(document.Text(), "[Startup Bank]\nFile=\n\n[Global]\nKeep=yes\n");
}

TEST(IniDocument, SectionEntriesAreWholeAndWithinTheBuffer) {
  const IniDocument document(
      "[Config Templates]\n"
      "; comment\n"
      " one = A,1 \n"
      "no equals sign\n"
      "\n"
      "two=B,2\n"
      "[Next]\n"
      "three=C\n");
  const std::vector<std::string> all = document.GetSection("config templates", 65536);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], "one=A,1");
  EXPECT_EQ(all[1], "no equals sign");
  EXPECT_EQ(all[2], "two=B,2");

  // "one=A,1" needs 8 bytes with its terminator, the list one more.
  EXPECT_EQ(document.GetSection("Config Templates", 9).size(), 1u);
  EXPECT_EQ(document.GetSection("Config Templates", 8).size(), 0u);
  EXPECT_TRUE(document.GetSection("Missing", 65536).empty());
  EXPECT_TRUE(document.GetSection("Config Templates", 0).empty());
}

TEST(IniDocument, KeepsWindowsLineEndsAndByteOrderMark) {
  const std::string original = "\xEF\xBB\xBF[S]\r\nA=1\r\n";
  IniDocument document(original);
  EXPECT_EQ(document.GetString("S", "A", "", 64), "1");
  ASSERT_TRUE(document.SetString("S", "B", "2"));
  EXPECT_EQ(document.Text(), "\xEF\xBB\xBF[S]\r\nA=1\r\nB=2\r\n");
}

TEST(IniDocument, MalformedLinesNeverBreakReading) {
  std::string junk = "[unterminated\nk=v\n=no key\n[]\n]\n[[x]]\nkey=1\n";
  junk += std::string("\0\x01\xff=\xfe", 5);
  junk += "\n[S]\nfinal=ok";  // no line end at the very end
  IniDocument document(junk);
  EXPECT_EQ(document.GetString("unterminated", "k", "", 64), "v");
  EXPECT_EQ(document.GetString("[x", "key", "", 64), "1");
  EXPECT_EQ(document.GetString("S", "final", "", 64), "ok");
  ASSERT_TRUE(document.SetString("S", "more", "1"));
  EXPECT_EQ(IniDocument(document.Text()).GetString("S", "final", "", 64), "ok");
  EXPECT_EQ(IniDocument(document.Text()).GetString("S", "more", "", 64), "1");
}
