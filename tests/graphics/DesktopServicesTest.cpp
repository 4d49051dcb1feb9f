// Dialog programs, their arguments and results, the file dialog's course,
// child processes and opening web pages.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "graphics/DesktopServices.h"
#include "graphics/EditorRecords.h"
#include "graphics/FileDialogFlow.h"
#include "graphics/IWindowSystem.h"

namespace {

FileDialogRequest Request(bool save) {
  FileDialogRequest r;
  r.save = save;
  r.folder = "/home/u/Presets/";
  r.fileName = "bank.fxb";
  r.extensions = {"fxb", "fxp", "syx"};
  r.filter = "*.fxb;*.fxp;*.syx";
  return r;
}

// A private folder with files, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/vornell-graphics-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made ? made : "/tmp";
  }
  ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string File(const std::string& name, const std::string& content = "x") const {
    const std::string p = path + "/" + name;
    std::ofstream(p) << content;
    return p;
  }
  std::string Script(const std::string& name, const std::string& body) const {
    const std::string p = File(name, "#!/bin/sh\n" + body + "\n");
    chmod(p.c_str(), 0755);
    return p;
  }
  std::string path;
};

// Scripted hooks for the file dialog's course.
struct Script {
  std::vector<std::pair<int, std::string>> programAnswers;  // exit code, output
  std::vector<std::string> promptAnswers;                   // "" = cancel
  std::vector<int> messageAnswers;
  std::vector<std::string> messages;
  std::vector<std::vector<std::string>> programRuns;
  int prompts = 0;
  bool zenity = true, kdialog = false, programStarts = true;

  FileDialogHooks Hooks() {
    FileDialogHooks h;
    h.findProgram = [this](const std::string& name) {
      if (name == "zenity" && zenity) return std::string("/usr/bin/zenity");
      if (name == "kdialog" && kdialog) return std::string("/usr/bin/kdialog");
      return std::string();
    };
    h.runProgram = [this](const std::vector<std::string>& args, int* exitCode, std::string* output) {
      programRuns.push_back(args);
      if (!programStarts || programAnswers.empty()) return false;
      *exitCode = programAnswers.front().first;
      *output = programAnswers.front().second;
      programAnswers.erase(programAnswers.begin());
      return true;
    };
    h.prompt = [this](const FileDialogRequest&, const std::string&, std::string* path) {
      ++prompts;
      if (promptAnswers.empty()) return false;
      *path = promptAnswers.front();
      promptAnswers.erase(promptAnswers.begin());
      return !path->empty();
    };
    h.message = [this](const std::string& text, const std::string&, int type) {
      messages.push_back(text);
      if (messageAnswers.empty())
        return (type & kMessageButtonsMask) == kMessageYesNo ? int(kAnswerNo) : int(kAnswerOk);
      const int a = messageAnswers.front();
      messageAnswers.erase(messageAnswers.begin());
      return a;
    };
    h.notice = [this](const std::string& text) { notices.push_back(text); };
    h.parentWindow = parentWindow;
    return h;
  }
  std::vector<std::string> notices;
  unsigned long parentWindow = 0;
};

}  // namespace

TEST(DialogProgramsTest, ZenityAndKdialogArguments) {
  FileDialogRequest save = Request(true);
  save.title = "Save Bank";
  EXPECT_EQ(ZenityFileArguments("/usr/bin/zenity", save, 0x400001),
            (std::vector<std::string>{
                "/usr/bin/zenity", "--file-selection", "--title=Save Bank", "--modal", "--attach=4194305", "--save",
                "--confirm-overwrite", "--filename=/home/u/Presets/bank.fxb",
                "--file-filter=*.fxb;*.fxp;*.syx | *.[fF][xX][bB] *.[fF][xX][pP] *.[sS][yY][xX]"}));
  FileDialogRequest open = Request(false);
  open.fileName.clear();
  open.folder = "/home/u/My Presets";
  const auto zenityOpen = ZenityFileArguments("zenity", open, 0);
  EXPECT_EQ(zenityOpen[2], "--title=Open") << "a request without a title";
  EXPECT_EQ(zenityOpen[3], "--filename=/home/u/My Presets/") << "a trailing slash opens the folder; no parent";
  open.title = "Load Program SysEx File";
  EXPECT_EQ(KdialogFileArguments("/usr/bin/kdialog", open, 4194305),
            (std::vector<std::string>{"/usr/bin/kdialog", "--getopenfilename", "/home/u/My Presets/",
                                      "*.fxb;*.fxp;*.syx (*.[fF][xX][bB] *.[fF][xX][pP] *.[sS][yY][xX])", "--title",
                                      "Load Program SysEx File", "--attach", "4194305"}));

  FileDialogRequest folder;
  folder.chooseFolder = true;
  folder.title = "Default Path For Program Files";
  folder.folder = "/home/u/Programs";
  folder.fileName = "ignored.syx";
  EXPECT_EQ(ZenityFileArguments("zenity", folder, 7),
            (std::vector<std::string>{"zenity", "--file-selection", "--title=Default Path For Program Files", "--modal",
                                      "--attach=7", "--directory", "--filename=/home/u/Programs/"}));
  EXPECT_EQ(KdialogFileArguments("kdialog", folder, 0),
            (std::vector<std::string>{"kdialog", "--getexistingdirectory", "/home/u/Programs/", "--title",
                                      "Default Path For Program Files"}));
  EXPECT_EQ(AnyCaseGlob("mid"), "*.[mM][iI][dD]");
  EXPECT_EQ(AnyCaseGlob("mp3"), "*.[mM][pP]3");
}

TEST(DialogProgramsTest, ResultsExitCodesAndExtensions) {
  EXPECT_EQ(DialogResultPath(0, "/home/u/My Banks/b\xc3\xa4nk.fxb\n"), "/home/u/My Banks/b\xc3\xa4nk.fxb");
  EXPECT_EQ(DialogResultPath(1, "/home/u/x.fxb\n"), "");
  EXPECT_EQ(DialogResultPath(0, "relative.fxb\n"), "") << "only absolute paths";
  EXPECT_EQ(DialogResultPath(0, "/a.fxb\n/b.fxb\n"), "/a.fxb");
  EXPECT_EQ(DialogResultPath(0, ""), "");
  EXPECT_EQ(ClassifyDialogExit(0), DialogExit::Chosen);
  EXPECT_EQ(ClassifyDialogExit(1), DialogExit::Cancelled);
  EXPECT_EQ(ClassifyDialogExit(5), DialogExit::Cancelled) << "timeout";
  EXPECT_EQ(ClassifyDialogExit(127), DialogExit::Failed);
  EXPECT_EQ(ClassifyDialogExit(-1), DialogExit::Failed);
  EXPECT_EQ(WithDefaultExtension("/a/bank", Request(true)), "/a/bank.fxb");
  EXPECT_EQ(WithDefaultExtension("/a/bank.syx", Request(true)), "/a/bank.syx");
  EXPECT_EQ(WithDefaultExtension("/a.b/bank", Request(true)), "/a.b/bank.fxb") << "a dot in the folder is no extension";
}

TEST(DialogProgramsTest, ChosenFileChecks) {
  TempFolder folder;
  const std::string existing = folder.File("here.fxb");
  EXPECT_EQ(CheckChosenFile(existing, false, false), ChosenFileCheck::Accept);
  EXPECT_EQ(CheckChosenFile(folder.path + "/missing.fxb", false, false), ChosenFileCheck::FileMissing);
  EXPECT_EQ(CheckChosenFile(folder.path, false, false), ChosenFileCheck::FileMissing) << "a folder is no file";
  EXPECT_EQ(CheckChosenFile(folder.path + "/new.fxb", true, false), ChosenFileCheck::Accept);
  EXPECT_EQ(CheckChosenFile(existing, true, false), ChosenFileCheck::AskOverwrite);
  EXPECT_EQ(CheckChosenFile(existing, true, true), ChosenFileCheck::Accept);
  EXPECT_EQ(CheckChosenFile(folder.path + "/no/such/new.fxb", true, false), ChosenFileCheck::FolderMissing);
}

TEST(FileDialogFlowTest, ProgramChoiceCancelAndFallBack) {
  TempFolder folder;
  const std::string existing = folder.File("b\xc3\xa4nk with space.fxb");
  {
    Script s;
    s.programAnswers = {{0, existing + "\n"}};
    std::string path;
    EXPECT_TRUE(RunFileDialogFlow(Request(false), s.Hooks(), &path));
    EXPECT_EQ(path, existing);
    EXPECT_EQ(s.programRuns[0][0], "/usr/bin/zenity");
  }
  {
    Script s;
    s.programAnswers = {{1, ""}};
    std::string path;
    EXPECT_FALSE(RunFileDialogFlow(Request(false), s.Hooks(), &path));
    EXPECT_EQ(s.prompts, 0) << "a cancel is final";
  }
  {
    // zenity missing, kdialog there but broken: the built-in prompt takes over.
    Script s;
    s.zenity = false;
    s.kdialog = true;
    s.programAnswers = {{255, ""}};
    s.promptAnswers = {existing};
    std::string path;
    EXPECT_TRUE(RunFileDialogFlow(Request(false), s.Hooks(), &path));
    EXPECT_EQ(s.programRuns.size(), 1u);
    EXPECT_EQ(s.programRuns[0][0], "/usr/bin/kdialog");
    EXPECT_EQ(path, existing);
  }
  {
    Script s;
    s.zenity = false;
    s.promptAnswers = {""};
    std::string path = "unchanged";
    EXPECT_FALSE(RunFileDialogFlow(Request(false), s.Hooks(), &path));
    EXPECT_TRUE(s.programRuns.empty());
    EXPECT_EQ(s.prompts, 1);
    EXPECT_EQ(s.notices, std::vector<std::string>{kNoDialogProgramNotice}) << "neither program installed";
  }
  {
    // A zenity that does not know --attach gets a second try without it.
    Script s;
    s.parentWindow = 0x400001;
    s.programAnswers = {{255, ""}, {0, existing + "\n"}};
    std::string path;
    EXPECT_TRUE(RunFileDialogFlow(Request(false), s.Hooks(), &path));
    ASSERT_EQ(s.programRuns.size(), 2u);
    EXPECT_NE(std::find(s.programRuns[0].begin(), s.programRuns[0].end(), "--attach=4194305"), s.programRuns[0].end());
    EXPECT_EQ(std::find(s.programRuns[1].begin(), s.programRuns[1].end(), "--modal"), s.programRuns[1].end());
    EXPECT_EQ(path, existing);
    EXPECT_TRUE(s.notices.empty());
  }
}

TEST(FileDialogFlowTest, FolderChooser) {
  TempFolder folder;
  folder.File("file.syx");
  FileDialogRequest request;
  request.chooseFolder = true;
  request.folder = folder.path;
  Script s;
  s.programAnswers = {{0, folder.path + "/file.syx\n"}, {0, folder.path + "\n"}};
  std::string path;
  EXPECT_TRUE(RunFileDialogFlow(request, s.Hooks(), &path));
  EXPECT_EQ(path, folder.path);
  ASSERT_EQ(s.messages.size(), 1u) << "a file is no folder";
  EXPECT_NE(std::find(s.programRuns[0].begin(), s.programRuns[0].end(), "--directory"), s.programRuns[0].end());
}

TEST(FileDialogFlowTest, ChecksAskAgain) {
  TempFolder folder;
  const std::string existing = folder.File("old.fxb");
  Script s;
  s.zenity = false;
  // Open: a missing file, a relative path, then a good one.
  s.promptAnswers = {folder.path + "/nope.fxb", "relative.fxb", existing};
  std::string path;
  EXPECT_TRUE(RunFileDialogFlow(Request(false), s.Hooks(), &path));
  EXPECT_EQ(path, existing);
  ASSERT_EQ(s.messages.size(), 2u);
  EXPECT_NE(s.messages[0].find("File not found."), std::string::npos);

  // Save: the extension is added; the existing file is asked about; "no" asks again.
  Script t;
  t.zenity = false;
  t.promptAnswers = {folder.path + "/old", folder.path + "/old", folder.path + "/missing/x.fxb", folder.path + "/new"};
  t.messageAnswers = {kAnswerNo, kAnswerYes};
  std::string saved;
  EXPECT_TRUE(RunFileDialogFlow(Request(true), t.Hooks(), &saved));
  EXPECT_EQ(saved, existing) << "replaced after yes";
  EXPECT_NE(t.messages[0].find("already exists."), std::string::npos);

  // zenity confirms overwriting itself; kdialog does not.
  Script z;
  z.programAnswers = {{0, existing + "\n"}};
  EXPECT_TRUE(RunFileDialogFlow(Request(true), z.Hooks(), &saved));
  EXPECT_TRUE(z.messages.empty());
  Script k;
  k.zenity = false;
  k.kdialog = true;
  k.programAnswers = {{0, existing + "\n"}};
  k.messageAnswers = {kAnswerYes};
  EXPECT_TRUE(RunFileDialogFlow(Request(true), k.Hooks(), &saved));
  EXPECT_EQ(k.messages.size(), 1u);
}

TEST(ChildProcessTest, OutputExitCodeEnvironmentAndTermination) {
  TempFolder folder;
  setenv("LD_PRELOAD", "", 1);
  setenv("LD_LIBRARY_PATH", "/host/libs", 1);
  const std::string fake = folder.Script("zenity",
                                         "echo \"/home/u/My Banks/$1\"; echo \"LD=$LD_LIBRARY_PATH\"; "
                                         "echo noise >&2; exit 0");
  ChildProcess child;
  ASSERT_TRUE(child.Start({fake, "b\xc3\xa4nk.fxb"}));
  for (int i = 0; i < 500 && !child.Poll(10); ++i) {
  }
  ASSERT_TRUE(child.Finished());
  EXPECT_EQ(child.ExitCode(), 0);
  EXPECT_EQ(child.Output(), "/home/u/My Banks/b\xc3\xa4nk.fxb\nLD=\n") << "no host library path, no stderr";
  unsetenv("LD_LIBRARY_PATH");
  unsetenv("LD_PRELOAD");

  const std::string cancel = folder.Script("cancel", "exit 5");
  ChildProcess second;
  ASSERT_TRUE(second.Start({cancel}));
  for (int i = 0; i < 500 && !second.Poll(10); ++i) {
  }
  EXPECT_EQ(second.ExitCode(), 5);

  const std::string slow = folder.Script("slow", "sleep 30");
  ChildProcess third;
  ASSERT_TRUE(third.Start({slow}));
  EXPECT_FALSE(third.Poll(20));
  third.Terminate();
  EXPECT_TRUE(third.Finished());
  EXPECT_EQ(third.ExitCode(), -1) << "ended by a signal, not by finishing its sleep";
  EXPECT_EQ(third.OutputDescriptor(), -1);

  ChildProcess missing;
  ASSERT_TRUE(missing.Start({folder.path + "/not-there"}));
  for (int i = 0; i < 500 && !missing.Poll(10); ++i) {
  }
  EXPECT_EQ(ClassifyDialogExit(missing.ExitCode()), DialogExit::Failed);
}

TEST(DesktopTest, FindProgramAndOpenersInTurn) {
  TempFolder folder;
  const std::string log = folder.path + "/log";
  // Each opener notes its call; the ones that fail exit non-zero.
  auto opener = [&](const std::string& name, int exitCode) {
    folder.Script(name, "echo \"" + name + " $*\" >> '" + log + "'; exit " + std::to_string(exitCode));
  };
  auto calls = [&] {
    std::vector<std::string> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::remove(log.c_str());
    return lines;
  };
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath ? oldPath : "";
  setenv("PATH", folder.path.c_str(), 1);
  const std::string url = "https://example.org/?a=1&b=2";
  EXPECT_FALSE(OpenUrlWithDesktop(url)) << "no opener at all";
  opener("xdg-open", 3);
  opener("gio", 1);
  opener("sensible-browser", 0);
  opener("x-www-browser", 0);
  EXPECT_EQ(FindProgram("xdg-open"), folder.path + "/xdg-open");
  EXPECT_EQ(FindProgram("no-such-program-here"), "");
  EXPECT_FALSE(OpenUrlWithDesktop("--help")) << "an option is no address";
  EXPECT_TRUE(calls().empty());
  EXPECT_TRUE(OpenUrlWithDesktop(url));
  EXPECT_EQ(calls(), (std::vector<std::string>{"xdg-open " + url, "gio open " + url, "sensible-browser " + url}));
  opener("sensible-browser", 2);
  opener("x-www-browser", 127);
  EXPECT_FALSE(OpenUrlWithDesktop(url));
  EXPECT_EQ(calls().size(), 4u);
  // A browser that stays in the foreground has worked.
  folder.Script("xdg-open", "exec /bin/sleep 3");
  EXPECT_TRUE(OpenUrlWithDesktop(url, 100));
  EXPECT_FALSE(RunDetachedOpener({folder.path + "/not-there"}, 1000)) << "a program that cannot run is reported";
  setenv("PATH", saved.c_str(), 1);
}

TEST(DesktopTest, PromptListsFoldersThenMatchingFiles) {
  TempFolder folder;
  for (const char* name : {"b.syx", "A.SYX", "Z.syx", "c.Syx", "notes.txt", ".hidden.syx", "bank.fxb"})
    folder.File(name);
  mkdir((folder.path + "/sub").c_str(), 0755);
  mkdir((folder.path + "/.cache").c_str(), 0755);
  EXPECT_EQ(PromptFolderEntries(folder.path, {"syx"}, false),
            (std::vector<std::string>{"../", "sub/", "A.SYX", "b.syx", "c.Syx", "Z.syx"}))
      << "any case, sorted as read";
  EXPECT_EQ(PromptFolderEntries(folder.path, {"fxb", "fxp"}, false),
            (std::vector<std::string>{"../", "sub/", "bank.fxb"}));
  EXPECT_EQ(PromptFolderEntries(folder.path, {"syx"}, true), (std::vector<std::string>{"../", "sub/"}));
  EXPECT_EQ(PromptFolderEntries(folder.path, {}, false).size(), 8u) << "no extensions: every file";
  EXPECT_EQ(PromptFolderEntries(folder.path, {"syx"}, false, 2).size(), 3u) << "bounded";
  EXPECT_EQ(PromptFolderEntries(folder.path + "/missing", {"syx"}, false), std::vector<std::string>{"../"});
  const std::vector<std::string> root = PromptFolderEntries("/", {}, true);
  EXPECT_TRUE(root.empty() || root.front() != "../") << "nothing above the root";
}
