#pragma once
// The course of a file dialog on Linux, apart from the windows: a dialog
// program (zenity, else kdialog) attached to the host's window when one is
// installed and works, else the framework's own path prompt; then the
// checks a file dialog makes (the file must exist to be opened, the folder
// to save into or to be chosen, overwriting is asked), asking again until
// the user chooses a usable path or cancels. User-interface thread.
#include <functional>
#include <string>
#include <vector>

struct FileDialogRequest;

struct FileDialogHooks {
  // Runs a program modally. False when it could not be started; else its
  // exit status and standard output.
  std::function<bool(const std::vector<std::string>& arguments, int* exitCode, std::string* output)> runProgram;
  // The built-in prompt for the request, starting with `start`; false on cancel.
  std::function<bool(const FileDialogRequest& request, const std::string& start, std::string* path)> prompt;
  // A notice for the status line: the built-in prompt is used because no
  // dialog program is installed.
  std::function<void(const std::string& text)> notice;
  // A message box; returns a MessageBoxAnswer.
  std::function<int(const std::string& text, const std::string& caption, int type)> message;
  // Locates a program ("zenity", "kdialog"); empty when not installed.
  std::function<std::string(const std::string& name)> findProgram;
  // The window the dialog belongs to (0: none).
  unsigned long parentWindow = 0;
};

// The notice given when neither zenity nor kdialog is installed.
inline constexpr const char kNoDialogProgramNotice[] = "Install zenity for file dialogs.";

// True with the full path on a choice (a folder request: the folder); false on cancel.
bool RunFileDialogFlow(const FileDialogRequest& request, const FileDialogHooks& hooks, std::string* chosenPath);
