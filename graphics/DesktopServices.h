#pragma once
// What the desktop offers outside the X server: file dialog programs
// (zenity, kdialog) run as child processes, opening web pages with the
// desktop's opener, and whether the machine has a network connection.
// POSIX only; user-interface thread.
#include <sys/types.h>

#include <string>
#include <vector>

struct FileDialogRequest;

// Full path of an executable found on PATH, or empty.
std::string FindProgram(const std::string& name);

// Command lines for the file dialog programs: the request's title, a folder
// chooser for a folder request, and filters that match the extensions in
// any case. parentWindow: the X window the dialog is attached to, so that
// the window manager keeps it above the host (0: none).
std::vector<std::string> ZenityFileArguments(const std::string& program, const FileDialogRequest& request,
                                             unsigned long parentWindow);
std::vector<std::string> KdialogFileArguments(const std::string& program, const FileDialogRequest& request,
                                              unsigned long parentWindow);
// A glob for an extension in any case: "syx" -> "*.[sS][yY][xX]".
std::string AnyCaseGlob(const std::string& extension);

// What the built-in path prompt lists for a folder: "../" (below the root),
// the subfolders as "name/", then (unless foldersOnly) the files with one of
// the extensions in any case (every file when there are none); each group
// sorted, hidden entries left out, at most maxEntries.
std::vector<std::string> PromptFolderEntries(const std::string& folder, const std::vector<std::string>& extensions,
                                             bool foldersOnly, size_t maxEntries = 2000);

// The path a dialog program printed: accepted only on exit 0 and when it
// is absolute; the trailing newline is removed. Empty otherwise.
std::string DialogResultPath(int exitCode, const std::string& output);

// Adds the default extension (the first of the request) when the chosen
// name has none.
std::string WithDefaultExtension(const std::string& path, const FileDialogRequest& request);

// What to do with a path a file dialog returned.
enum class ChosenFileCheck {
  Accept,
  FolderMissing,  // save: the folder does not exist
  FileMissing,    // open: no such file
  AskOverwrite    // save: the file exists and nobody asked yet
};
// path already carries the default extension; overwriteConfirmed: the
// dialog program asked the user itself.
ChosenFileCheck CheckChosenFile(const std::string& path, bool save, bool overwriteConfirmed);

// Exit status of a dialog program: chosen (0), cancelled (1, or 5 for a
// timeout), or the program did not work (anything else) and the built-in
// prompt takes over.
enum class DialogExit { Chosen, Cancelled, Failed };
DialogExit ClassifyDialogExit(int exitCode);

// A child process with its standard output on a pipe (input and errors go
// to /dev/null). Its environment is ours without LD_LIBRARY_PATH and
// LD_PRELOAD (a host's libraries must not leak into the dialog program). It
// is sent SIGTERM when the thread that started it ends.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Start(const std::vector<std::string>& arguments);
  // Reads what is there and checks for the end; waits at most timeoutMs.
  // True once the process has ended.
  bool Poll(int timeoutMs);
  // Ends the process (SIGTERM, then SIGKILL) and reaps it.
  void Terminate();
  bool Finished() const { return finished; }
  // The exit status (-1 when it did not exit normally).
  int ExitCode() const { return exitCode; }
  const std::string& Output() const { return output; }
  // The descriptor to wait on together with others (-1 once closed).
  int OutputDescriptor() const { return outputFd; }

 private:
  pid_t pid = -1;
  int outputFd = -1;
  bool finished = false;
  int exitCode = -1;
  std::string output;
};

// Starts the program in a session of its own and waits at most waitMs for
// it: true when it ended with status 0 or still runs then (a browser
// started in the foreground); false when it could not run or failed.
bool RunDetachedOpener(const std::vector<std::string>& arguments, int waitMs);
// The openers tried in turn for an address, as far as they are on PATH:
// xdg-open, gio open, sensible-browser, x-www-browser.
std::vector<std::vector<std::string>> UrlOpenerCommands(const std::string& url);
// Opens an address with the first opener that works; false when none does
// or the address could be taken as an option.
bool OpenUrlWithDesktop(const std::string& url, int waitMs = 2000);
// True when a network interface other than loopback is up with an address.
bool MachineHasNetworkConnection();
