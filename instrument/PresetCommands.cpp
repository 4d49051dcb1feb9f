// The option menu's commands: the preset clipboard, preset and bank files,
// the startup bank, the default folder and the configuration switches.
#include <mutex>
#include <string>

#include "graphics/EditorRecords.h"
#include "instrument/Vornell.h"
#include "instrument/VornellCommands.h"
#include "platform/Paths.h"
#include "sequencer/SequenceFileCommands.h"  // FolderOfPath

void VornellCommands::RunPresetCommand(int command) {
  if (!plug.EditorOpen()) return;
  switch (command) {
    case kPresetCmdCopy:
      CopyPreset();
      return;
    case kPresetCmdPaste:
      if (PresetClipboardEmpty()) return;
      if (AskYesNo("Do you really want to overwrite the current preset?", "Paste Preset")) PastePreset();
      return;
    case kPresetCmdInit:
      if (AskYesNo("Do you really want to initialize the current preset?", "Initialize Preset"))
        plug.InitializePreset();
      return;
    case kPresetCmdLoad:
    case kPresetCmdSave:
    case kPresetCmdLoadBank:
    case kPresetCmdSaveBank:
      PresetFileCommand(command);
      return;
    case kPresetCmdSelectStartupBank: {
      const std::string path = ChooseMenuFile(false, DocumentsFolder(), "fxb", "", "Select Startup Bank");
      if (!path.empty()) {
        PluginLock lock(plug.Mutex());
        // Loaded at the next start and by "Load Startup Bank", not now.
        plug.startupBankPath = path;
        plug.config.SelectStartupBank(path);
      }
      plug.ShowStatus("Done.", kStatusGreen);
      return;
    }
    case kPresetCmdLoadStartupBank:
    case kPresetCmdUnselectStartupBank: {
      std::string path;
      {
        PluginLock lock(plug.Mutex());
        path = plug.startupBankPath;
      }
      if (path.empty()) return;
      const bool load = command == kPresetCmdLoadStartupBank;
      const std::string text = "The Startup Bank is:\n" + path + "\n\nDo you really want to " +
                               (load ? "reload all programs?" : "unselect it?");
      if (!AskYesNo(text, load ? "Load Startup Bank" : "Unselect Startup Bank")) return;
      if (!load) {
        PluginLock lock(plug.Mutex());
        plug.startupBankPath.clear();
        plug.config.UnselectStartupBank();
        return;
      }
      const bool ok = plug.LoadBankFile(path);
      {
        PluginLock lock(plug.Mutex());
        plug.MarkPanelDirty();
      }
      ReportFileResult(ok, "Cannot load file!");
      return;
    }
    case kPresetCmdDefaultPath: {
      const std::string folder = ChooseDefaultFolder(PresetFolder(), "Default Path for Preset Files");
      if (folder.empty()) return;
      presetFolder = folder;
      plug.config.SetDefaultPresetPath(folder);
      return;
    }
    case kPresetCmdShowConfigAtStartup:
      ToggleConfigSetting(ConfigSetting::ShowConfigAtStartup);
      return;
    case kPresetCmdReceiveParamCCs:
      ToggleConfigSetting(ConfigSetting::ReceiveParamCCs);
      return;
    case kPresetCmdDontAskToCommit:
      ToggleConfigSetting(ConfigSetting::DontAskToCommit);
      return;
    case kPresetCmdMidiThru:
      ToggleConfigSetting(ConfigSetting::MidiThru);
      return;
    case kPresetCmdIgnoreProgramChange:
      ToggleConfigSetting(ConfigSetting::IgnoreProgramChange);
      return;
    case kPresetCmdReloadConfiguration:
      ReloadConfiguration();
      return;
    case kPresetCmdSaveConfiguration:
      SaveConfiguration();
      return;
    case kPresetCmdCheckForUpdate:
      CheckOnlineForUpdate();
      return;
    default:
      return;
  }
}

// Load and save of .fxp and .fxb files. False when nothing was written or read.
bool VornellCommands::PresetFileCommand(int command) {
  const bool save = command == kPresetCmdSave || command == kPresetCmdSaveBank;
  const bool bank = command == kPresetCmdLoadBank || command == kPresetCmdSaveBank;
  std::string proposedName;
  if (command == kPresetCmdSave) {
    PluginLock lock(plug.Mutex());
    proposedName = FileNameFromName(plug.GetPresetName(plug.GetCurrentPresetIndex()));
  } else if (command == kPresetCmdSaveBank) {
    proposedName = "Vornell";
  }
  const char* title = command == kPresetCmdLoad       ? "Load Preset"
                      : command == kPresetCmdSave     ? "Save Preset"
                      : command == kPresetCmdLoadBank ? "Load Bank"
                                                      : "Save Bank";
  const std::string path = ChooseMenuFile(save, PresetFolder(), bank ? "fxb" : "fxp", proposedName, title);
  if (path.empty()) {
    plug.ShowStatus("Done.", kStatusGreen);
    return false;
  }
  presetFolder = FolderOfPath(path);

  bool ok = false;
  if (save) {
    PluginLock lock(plug.Mutex());
    plug.ModifyCurrentPreset();
    ok = bank ? plug.SaveBankFile(path) : plug.SaveProgramFile(path);
  } else {
    // Without the lock: the file is read first, and the audio thread waits
    // only for the load itself.
    ok = bank ? plug.LoadBankFile(path) : plug.LoadProgramFile(path);
    PluginLock lock(plug.Mutex());
    plug.MarkPanelDirty();
  }
  ReportFileResult(ok, save ? "Cannot save file!" : "Cannot load file!");
  return ok;
}
