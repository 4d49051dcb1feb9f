// The PROGRAM button menu's commands: storing into a chosen program, the
// default sound, single programs and the library as System Exclusive files,
// factory programs, the enhanced data switch and the default folder.
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "graphics/EditorRecords.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "instrument/VornellCommands.h"
#include "programs/ParameterTable.h"
#include "sequencer/SequenceFileCommands.h"

namespace {

constexpr const char* kAffectsOthers = "This will affect other tracks using this program. Do you want to continue?";
constexpr const char* kAffectsAll = "This will affect all tracks. Do you want to continue?";

}  // namespace

// ---- shared by the menu commands -------------------------------------------------------

std::string VornellCommands::ProgramFolder() const {
  return programFolder.empty() ? plug.config.programPath : programFolder;
}

std::string VornellCommands::PresetFolder() const {
  return presetFolder.empty() ? plug.config.presetPath : presetFolder;
}

std::string VornellCommands::FileNameFromName(const std::string& name) {
  std::string result = name;
  for (char& c : result)
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) c = '_';
  return result;
}

bool VornellCommands::AskYesNo(const std::string& text, const std::string& title) {
  return plug.ShowMessage(text, title, kMessageYesNo | kMessageIconQuestion) != kAnswerNo;
}

std::string VornellCommands::ChooseMenuFile(bool save, const std::string& folder, const std::string& extensions,
                                            const std::string& fileName, const std::string& title) {
  IGraphics* graphics = plug.GetGraphics();
  if (!graphics) return "";
  std::string result = fileName;
  std::string start = folder;
  graphics->ChooseFile(result, save ? IGraphics::FileMode::Save : IGraphics::FileMode::Open, start, extensions, title);
  return result;
}

void VornellCommands::ReportFileResult(bool ok, const char* failure) {
  if (ok) {
    plug.ShowStatus("Done.", kStatusGreen);
    return;
  }
  plug.ShowMessage(failure, "Error", kMessageOk | kMessageIconError);
  plug.ShowStatus(failure, kStatusRed);
}

std::string VornellCommands::ChooseDefaultFolder(const std::string& start, const std::string& title) {
  IGraphics* graphics = plug.GetGraphics();
  if (!graphics) return "";
  std::string result;
  std::string folder = start;
  graphics->ChooseFile(result, IGraphics::FileMode::Folder, folder, "", title);
  return result;
}

// ---- the PROGRAM button menu -------------------------------------------------------------

bool VornellCommands::StoreProgramFromMenu(int q) {
  if (!plug.EditorOpen() || q < 0 || q >= kProgramCount) return false;
  bool usedElsewhere = false;
  {
    PluginLock lock(plug.Mutex());
    usedElsewhere = plug.Programs().ProgramUsedElsewhere(q);
  }
  if (usedElsewhere && !plug.DontAskToCommit() && !AskYesNo(kAffectsOthers, "Record/Store Program")) return false;
  plug.Programs().StoreAndSelectProgram(q);
  return true;
}

void VornellCommands::RunProgramCommand(int command) {
  if (!plug.EditorOpen()) return;
  switch (command) {
    case kProgramCmdInit:
      plug.Programs().InitEditTrackProgram();
      return;
    case kProgramCmdToggleEnhanced:
      ToggleSaveEnhancedPrograms();
      return;
    case kProgramCmdDefaultPath: {
      const std::string folder = ChooseDefaultFolder(ProgramFolder(), "Default Path For Program Files");
      if (folder.empty()) return;
      programFolder = folder;
      // An unwritable settings file still leaves the folder in force for this session.
      plug.config.SetDefaultProgramPath(folder);
      return;
    }
    default:
      ProgramFileCommand(command);
      return;
  }
}

// The commands that may ask first and then open a file dialog. False when
// nothing was done (an unknown command, "no", a refusal or a cancelled dialog).
bool VornellCommands::ProgramFileCommand(int command) {
  int p = 0;
  bool usedElsewhere = false;
  int modifiedTrack = -1;
  std::string proposedName;
  {
    PluginLock lock(plug.Mutex());
    p = plug.Programs().TrackProgramNumber(plug.Panel().EditTrack());
    usedElsewhere = plug.Programs().ProgramUsedElsewhere(p);
    if (command == kProgramCmdSaveFile || command == kProgramCmdSaveBankFile) {
      // The flag may be older than the last edit: the idle tick has not run yet.
      const int first = command == kProgramCmdSaveFile ? plug.Panel().EditTrack() : 0;
      const int last = command == kProgramCmdSaveFile ? plug.Panel().EditTrack() : Engine::kTrackCount - 1;
      for (int t = first; t <= last && modifiedTrack < 0; ++t) {
        plug.Programs().UpdateProgramModified(t);
        if (plug.engine.GetTrack(t).programModified) modifiedTrack = t;
      }
    }
    if (command == kProgramCmdSaveFile)
      proposedName = FileNameFromName(plug.engine.GetTrack(plug.Panel().EditTrack()).programName);
    if (command == kProgramCmdSaveBankFile)
      proposedName = FileNameFromName(plug.GetPresetName(plug.GetCurrentPresetIndex()));
  }
  const bool ask = !plug.DontAskToCommit();

  switch (command) {
    case kProgramCmdLoadFile:
      if (usedElsewhere && ask && !AskYesNo(kAffectsOthers, "Load Program File")) return false;
      break;
    case kProgramCmdLoadBankFile:
      if (ask && !AskYesNo(kAffectsAll, "Load Program Bank File")) return false;
      break;
    case kProgramCmdRestoreFactory:
      if (usedElsewhere && ask && !AskYesNo(kAffectsOthers, "Restore Factory Program")) return false;
      {
        PluginLock lock(plug.Mutex());
        plug.library.RestoreFactoryPrograms(p);
        plug.MarkPanelDirty();
      }
      return true;
    case kProgramCmdRestoreAllFactory:
      if (ask && !AskYesNo(kAffectsAll, "Restore All Factory Programs")) return false;
      {
        PluginLock lock(plug.Mutex());
        plug.library.RestoreFactoryPrograms(-1);
        plug.MarkPanelDirty();
      }
      return true;
    case kProgramCmdSaveFile:
    case kProgramCmdSaveBankFile:
      if (modifiedTrack >= 0) {
        char text[96];
        if (command == kProgramCmdSaveFile) {
          std::snprintf(text, sizeof(text), "Please record/store program %02u first.", static_cast<unsigned>(p));
        } else {
          PluginLock lock(plug.Mutex());
          std::snprintf(text, sizeof(text), "Please record/store program %02u on track %u first.",
                        static_cast<unsigned>(plug.Programs().TrackProgramNumber(modifiedTrack)),
                        static_cast<unsigned>(modifiedTrack + 1));
        }
        plug.ShowMessage(text, "Modified Program", kMessageOk | kMessageIconWarning);
        return false;
      }
      break;
    default:
      return false;
  }

  const bool save = command == kProgramCmdSaveFile || command == kProgramCmdSaveBankFile;
  const char* title = command == kProgramCmdLoadFile       ? "Load Program SysEx File"
                      : command == kProgramCmdSaveFile     ? "Save Program SysEx File"
                      : command == kProgramCmdLoadBankFile ? "Load Program Bank SysEx File"
                                                           : "Save Program Bank SysEx File";
  const std::string path = ChooseMenuFile(save, ProgramFolder(), "syx", proposedName, title);
  if (path.empty()) return false;
  programFolder = FolderOfPath(path);

  const int target = command == kProgramCmdLoadFile || command == kProgramCmdSaveFile ? p : -1;
  bool ok = false;
  {
    PluginLock lock(plug.Mutex());
    if (save) {
      plug.ModifyCurrentPreset();
      ok = plug.library.SaveSysExFile(path, target);
    } else {
      ok = plug.library.LoadSysExFile(path, target);
      plug.MarkPanelDirty();
    }
  }
  ReportFileResult(ok, save ? "Cannot save file!" : "Cannot load file!");
  return ok;
}
