#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

TEST(Paths, LocalAppDataFollowsXdgConfigHomeOnlyWhenAbsolute) {
  TempFolder home;
  ScopedEnvironment homeVariable("HOME", home.Path());
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", home / "elsewhere");
    EXPECT_EQ(LocalAppDataFolder(), home / "elsewhere");
  }
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", std::string("relative/config"));
    EXPECT_EQ(LocalAppDataFolder(), home / ".config");
  }
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(LocalAppDataFolder(), home / ".config");
  }
  EXPECT_EQ(HomeFolder(), home.Path());
}

TEST(Paths, DocumentsFolderComesFromUserDirsThenDocumentsThenHome) {
  TempFolder home;
  ScopedEnvironment homeVariable("HOME", home.Path());
  ScopedEnvironment config("XDG_CONFIG_HOME", home / "cfg");
  std::filesystem::create_directories(home / "cfg");

  // Nothing at all: the home folder.
  EXPECT_EQ(DocumentsFolder(), home.Path());

  std::filesystem::create_directory(home / "Documents");
  EXPECT_EQ(DocumentsFolder(), home / "Documents");

  std::filesystem::create_directory(home / "Dokumente");
  WriteFileText(home / "cfg/user-dirs.dirs",
                "# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DocumentsFolder(), home / "Dokumente");

  // An absolute entry, with an escaped character in its name.
  std::filesystem::create_directory(home / "My \"Docs\"");
  WriteFileText(home / "cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + home.Path() + "/My \\\"Docs\\\"\"\n");
  EXPECT_EQ(DocumentsFolder(), home / "My \"Docs\"");

  // A folder that does not exist, or "$HOME/" alone (switched off), falls back.
  WriteFileText(home / "cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n");
  EXPECT_EQ(DocumentsFolder(), home / "Documents");
  WriteFileText(home / "cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
  EXPECT_EQ(DocumentsFolder(), home / "Documents");
  WriteFileText(home / "cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"relative\"\ngarbage\n");
  EXPECT_EQ(DocumentsFolder(), home / "Documents");
}

TEST(Paths, JoinPathPutsExactlyOneSlash) {
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
  EXPECT_EQ(JoinPath("/a", "/b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("/a", ""), "/a");
}

TEST(Paths, CreateFoldersMakesParentsAndReportsFailure) {
  TempFolder root;
  EXPECT_TRUE(CreateFolders(root / "one/two/three"));
  EXPECT_TRUE(FolderExists(root / "one/two/three"));
  EXPECT_TRUE(CreateFolders(root / "one/two/three"));  // already there
  WriteFileText(root / "file", "x");
  EXPECT_TRUE(FileExists(root / "file"));
  EXPECT_FALSE(FileExists(root / "one"));
  EXPECT_FALSE(CreateFolders(root / "file/below"));
  EXPECT_FALSE(FolderExists(root / "file"));
  EXPECT_FALSE(CreateFolders(""));
}

// The kind of a file is told by its extension in any case.
TEST(Paths, ExtensionsMatchInAnyCase) {
  struct Case {
    const char* path;
    const char* extension;
    bool has;
  };
  const Case cases[] = {
      {"/a/bank.fxb", "fxb", true},  {"/a/BANK.FXB", "fxb", true}, {"/a/all.Fxb", "fxb", true},
      {"BANK.SYX", "syx", true},     {"/a/b.syx", "SYX", true},    {"/a/b.fxb.syx", "fxb", false},
      {"/a/b.fxb.syx", "syx", true}, {"/a/bfxb", "fxb", false},    {"/a.fxb/b", "fxb", false},
      {"/a/b.fxbx", "fxb", false},   {"", "fxb", false},           {"/a/b.", "", false},
      {"/a/b.mid", "MID", true},     {"/a/b.midi", "mid", false},
  };
  for (const Case& c : cases) EXPECT_EQ(PathHasExtension(c.path, c.extension), c.has) << c.path << " " << c.extension;
}
