#include "graphics/FileDialogFlow.h"

#include <cstdlib>

#include "graphics/DesktopServices.h"
#include "graphics/EditorRecords.h"
#include "graphics/IWindowSystem.h"
#include "platform/Paths.h"

namespace {

// A path typed by hand: "~/" means the home folder.
std::string ExpandHome(const std::string& path) {
  if (path.size() > 1 && path[0] == '~' && path[1] == '/') {
    const char* home = std::getenv("HOME");
    if (home) return std::string(home) + path.substr(1);
  }
  return path;
}

}  // namespace

bool RunFileDialogFlow(const FileDialogRequest& request, const FileDialogHooks& hooks, std::string* chosenPath) {
  bool useProgram = true;
  // Releases without --attach and --modal fail on them: they get a second try without.
  bool attach = hooks.parentWindow != 0;
  std::string start = request.folder;
  if (!start.empty() && start.back() != '/') start += '/';
  if (!request.chooseFolder) start += request.fileName;
  const std::string title = !request.title.empty() ? request.title
                            : request.chooseFolder ? "Choose Folder"
                            : request.save         ? "Save As"
                                                   : "Open";
  // Each round is one answer of the user; a bad answer asks again.
  for (int round = 0; round < 1000; ++round) {
    std::string path;
    bool confirmed = false;  // the program asked about overwriting itself
    if (useProgram) {
      std::vector<std::string> arguments;
      bool zenity = false;
      const unsigned long parent = attach ? hooks.parentWindow : 0;
      std::string program = hooks.findProgram("zenity");
      if (!program.empty()) {
        arguments = ZenityFileArguments(program, request, parent);
        zenity = true;
      } else if (!(program = hooks.findProgram("kdialog")).empty()) {
        arguments = KdialogFileArguments(program, request, parent);
      } else if (hooks.notice) {
        hooks.notice(kNoDialogProgramNotice);
      }
      int exitCode = -1;
      std::string output;
      if (arguments.empty() || !hooks.runProgram(arguments, &exitCode, &output) ||
          ClassifyDialogExit(exitCode) == DialogExit::Failed) {
        if (!arguments.empty() && zenity && attach)
          attach = false;
        else
          useProgram = false;
        continue;
      }
      if (ClassifyDialogExit(exitCode) == DialogExit::Cancelled) return false;
      path = DialogResultPath(exitCode, output);
      if (path.empty()) return false;
      confirmed = request.save && zenity;
    } else {
      if (!hooks.prompt(request, start, &path)) return false;
      path = ExpandHome(path);
      start = path;
      if (path.empty() || path[0] != '/') {
        hooks.message("Please enter a full path, beginning with \"/\".", title, kMessageOk | kMessageIconWarning);
        continue;
      }
    }
    if (request.chooseFolder) {
      if (!FolderExists(path)) {
        hooks.message(path + "\nPath does not exist.", title, kMessageOk | kMessageIconWarning);
        continue;
      }
      *chosenPath = path;
      return true;
    }
    if (request.save) {
      const std::string withExtension = WithDefaultExtension(path, request);
      if (withExtension != path) confirmed = false;
      path = withExtension;
    }
    switch (CheckChosenFile(path, request.save, confirmed)) {
      case ChosenFileCheck::FolderMissing:
        hooks.message(path + "\nPath does not exist.", title, kMessageOk | kMessageIconWarning);
        continue;
      case ChosenFileCheck::FileMissing:
        hooks.message(path + "\nFile not found.\nCheck the file name and try again.", title,
                      kMessageOk | kMessageIconWarning);
        continue;
      case ChosenFileCheck::AskOverwrite:
        if (hooks.message(path + " already exists.\nDo you want to replace it?", "Confirm " + title,
                          kMessageYesNo | kMessageIconWarning) != kAnswerYes)
          continue;
        break;
      case ChosenFileCheck::Accept:
        break;
    }
    *chosenPath = path;
    return true;
  }
  return false;
}
