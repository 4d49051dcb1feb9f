#pragma once
// What the desktop offers outside the X server: file dialog programs
// (zenity, kdialog) run as child processes, opening web pages with
// xdg-open, and whether the machine has a network connection. POSIX only;
// user-interface thread.
#include <sys/types.h>

#include <string>
#include <vector>

struct FileDialogRequest;

// Full path of an executable found on PATH, or empty.
std::string FindProgram(const std::string& name);

// Command lines for the file dialog programs. parentWindow: the X window
// the dialog belongs to (0: none).
std::vector<std::string> ZenityFileArguments(const std::string& program, const FileDialogRequest& request,
                                             unsigned long parentWindow);
std::vector<std::string> KdialogFileArguments(const std::string& program, const FileDialogRequest& request,
                                              unsigned long parentWindow);

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

// Starts the program without waiting for it; true when it could be run.
bool SpawnDetached(const std::vector<std::string>& arguments);
// Opens an address with xdg-open; false when that is not installed or the
// address could be taken as an option.
bool OpenUrlWithDesktop(const std::string& url);
// True when a network interface other than loopback is up with an address.
bool MachineHasNetworkConnection();
