#pragma once
// The instrument's menu commands: the PROGRAM button menu, the option menu,
// the preset clipboard, preset choice and the look into preset files, the
// configuration commands, the update check and the folders of the file
// dialogs (editor/Menus.cpp builds and shows the menus).
//
// Methods are spread over the files of this folder by subject:
//   ProgramCommands.cpp       the PROGRAM button menu, folders, dialog helpers
//   PresetCommands.cpp        the option menu
//   Presets.cpp               preset clipboard, choice and file peeking
//   VornellConfiguration.cpp  configuration templates and commands
//   VornellUpdateCheck.cpp    "Check Online for Update"
//
// Threads: user-interface thread. Each command takes the plug-in lock (a
// releasable hold) around what it changes, and its questions and file
// dialogs give back every hold of it while they wait. Nothing happens
// while the editor window is closed. Questions are yes/no boxes in which only
// "no" cancels; a cancelled file dialog changes nothing.
#include <cstdint>
#include <string>

#include "config/Configuration.h"
#include "online/UpdateCheck.h"
#include "plugin/DataBlock.h"

class Vornell;

class VornellCommands {
 public:
  explicit VornellCommands(Vornell& plug) : plug(plug) {}

  // PROGRAM button menu commands, carried by the menu's items.
  enum ProgramMenuCommand : int {
    kProgramCmdInit = 1,
    kProgramCmdLoadFile = 3,
    kProgramCmdSaveFile = 4,
    kProgramCmdLoadBankFile = 5,
    kProgramCmdSaveBankFile = 6,
    kProgramCmdToggleEnhanced = 7,
    kProgramCmdRestoreFactory = 9,
    kProgramCmdRestoreAllFactory = 10,
    kProgramCmdDefaultPath = 12,
  };
  void RunProgramCommand(int command);
  // "Store Program to..." chose program q: asks first when another track plays
  // q (unless "Don't Ask To Commit"), then records the edit track's sound into
  // q and switches the edit track and its linked tracks to q. True when stored.
  bool StoreProgramFromMenu(int q);

  // Option menu commands, carried by the menu's items (22..24 are items of
  // its submenus).
  enum PresetMenuCommand : int {
    kPresetCmdCopy = 0,
    kPresetCmdPaste = 1,
    kPresetCmdInit = 2,
    kPresetCmdLoad = 4,
    kPresetCmdSave = 5,
    kPresetCmdLoadBank = 6,
    kPresetCmdSaveBank = 7,
    kPresetCmdSelectStartupBank = 9,
    kPresetCmdLoadStartupBank = 10,
    kPresetCmdUnselectStartupBank = 11,
    kPresetCmdDefaultPath = 13,
    kPresetCmdShowConfigAtStartup = 14,
    kPresetCmdReceiveParamCCs = 15,
    kPresetCmdDontAskToCommit = 16,
    kPresetCmdReloadConfiguration = 18,
    kPresetCmdSaveConfiguration = 19,
    kPresetCmdMidiThru = 22,
    kPresetCmdIgnoreProgramChange = 23,
    kPresetCmdCheckForUpdate = 24,
  };
  void RunPresetCommand(int command);

  // ---- presets (Presets.cpp)
  // The preset clipboard: copy stores the live state, paste loads it into the
  // current preset. Take the plug-in lock.
  void CopyPreset();
  void PastePreset();
  bool PresetClipboardEmpty() const { return presetClipboard.Size() == 0; }
  // The preset menu's and the preset arrows' choice: the preset being left
  // stores the live state first. Takes the plug-in lock.
  void ChoosePreset(int i);
  // For the file browser: the file's preset name and state in the layout of one
  // SerializePresets entry / a SerializePresets list.
  bool PeekProgramFile(const std::string& path, DataBlock& block) const;
  bool PeekBankFile(const std::string& path, DataBlock& block) const;
  // Path of the startup bank ("Startup Bank"/"File" of the configuration);
  // emptied when that bank cannot be loaded. Under the plug-in lock.
  const std::string& StartupBankPath() const;
  void SetStartupBankPath(const std::string& path);

  // ---- configuration (VornellConfiguration.cpp); each takes the plug-in lock
  // The template the tracks match, or configTemplates.size() + 1 for none.
  int32_t MatchingConfigTemplate();
  // The drop-down's text for the matching template ("User Configuration" for none).
  std::string MatchingConfigTemplateName();
  // Sets the tracks' channel, mode and cycle parameters from template index.
  void ApplyConfigTemplate(int32_t index);
  // The preset menu's switches: toggles one, writes it to the INI file and
  // returns its new state.
  bool ToggleConfigSetting(ConfigSetting which);
  // "Additionally Save Enhanced Program Data": toggles, writes "Save Enhanced
  // Prgs" at once and returns the new state.
  bool ToggleSaveEnhancedPrograms();
  // "Reload Configuration" and "Save Configuration", with their questions.
  void ReloadConfiguration();
  void SaveConfiguration();

  // ---- online (VornellUpdateCheck.cpp)
  // "Check Online for Update" (command 24): asks the update server (UpdateServer())
  // and answers in message boxes; returns an UpdateCheckResult. It blocks this
  // thread within the update check's limits, with every hold of the plug-in
  // lock given back, so audio goes on meanwhile.
  int CheckOnlineForUpdate();
  // Tests shorten the time-outs.
  void SetUpdateCheckLimits(const UpdateCheckLimits& limits) { updateCheckLimits = limits; }

  // ---- folders
  // The folders the program (.syx) and preset (.fxp/.fxb) dialogs open in:
  // the configured default until a file is chosen, then that file's folder.
  std::string ProgramFolder() const;
  std::string PresetFolder() const;
  // A name as a proposed file name: each of < > : " / \ | ? * becomes '_'.
  static std::string FileNameFromName(const std::string& name);

 private:
  // A yes/no question; false only for "no".
  bool AskYesNo(const std::string& text, const std::string& title);
  // The editor's file dialog titled as the command: the chosen path, empty when cancelled.
  std::string ChooseMenuFile(bool save, const std::string& folder, const std::string& extensions,
                             const std::string& fileName, const std::string& title);
  // "Done." in green, or the failure in an "Error" box and in red.
  void ReportFileResult(bool ok, const char* failure);
  // The folder chooser of the default-folder commands; the chosen folder or empty.
  std::string ChooseDefaultFolder(const std::string& start, const std::string& title);
  bool ProgramFileCommand(int command);
  bool PresetFileCommand(int command);
  // Takes over what the configuration holds now (after it was read again).
  void ConfigurationChanged();

  Vornell& plug;
  std::string programFolder;
  std::string presetFolder;
  DataBlock presetClipboard;
  int presetClipboardIndex = -1;
  UpdateCheckLimits updateCheckLimits;
};
