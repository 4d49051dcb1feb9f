#pragma once
// The user's global settings, kept in one INI file shared by every instance:
// MIDI handling switches, the controller-to-parameter map with MIDI learn,
// default folders, the startup bank and the configuration templates. Owned by
// the plug-in object; the settings are public members read by the parts that
// act on them.
//
// Threads: the switches, the controller map and the learn state are atomics,
// because the audio thread reads them (OnMidiMessage, the control tick) while
// the user-interface thread toggles them. Everything else, and every operation
// that touches the file, belongs to the user-interface thread (and to the
// plug-in's construction). The learn operations run under the plug-in lock, as
// their callers already hold it.
//
// Numbers are read and written without the C library's locale: this code never
// changes the host's global locale.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigTemplate.h"
#include "platform/IniFile.h"

// Which setting WriteConfiguration stores.
enum class ConfigSetting { ShowConfigAtStartup, ReceiveParamCCs, DontAskToCommit, MidiThru, IgnoreProgramChange, All };

// The editor's message boxes as the configuration commands need them.
// User-interface thread.
class ConfigurationDialogs {
 public:
  virtual ~ConfigurationDialogs() = default;
  // A yes/no question; true for yes.
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
  // A message with an OK button only.
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
};

// What a controller or parameter capture did to MIDI learn.
enum class LearnCapture {
  NotCaptured,  // learning is not armed (or the number is out of range): handle the message as usual
  Captured,     // taken; learning goes on
  Completed,    // taken and learning ended: set the learn switch off and redraw it
};

class Configuration {
 public:
  static constexpr const char* kFolderName = "KestruneMusic";
  static constexpr const char* kFileName = "vornell.ini";
  static constexpr int32_t kControllerCount = 120;
  static constexpr int32_t kParameterCount = 303;
  static constexpr int32_t kNoParameter = -1;
  // Folder paths are read with room for any Linux path, not a fixed 259 bytes.
  static constexpr size_t kPathBufferSize = 4096;
  static constexpr size_t kBoolBufferSize = 64;
  static constexpr size_t kTemplateSectionSize = 65536;
  static constexpr int32_t kStatusGreen = 2;

  // The file lives in the user's local application-data folder; the documents
  // folder is the default for the preset and program dialogs. Creates the
  // folder and an empty file when missing, else reads the file.
  Configuration();
  // The same with the two folders given.
  Configuration(const std::string& appDataFolder, const std::string& documentsFolder);

  Configuration(const Configuration&) = delete;
  Configuration& operator=(const Configuration&) = delete;

  // Reads every setting, the controller map and the templates from the file.
  // A missing key leaves its setting as it is, except that a controller without
  // a key becomes unmapped. Returns 0.
  int32_t ReadConfiguration();

  // Writes the startup bank and the chosen switch, or with All every switch and
  // the controller map (which replaces the section "MIDI Control"). One atomic
  // write; false when the file could not be written.
  bool WriteConfiguration(ConfigSetting which);

  // Rebuilds configTemplates: the built-ins, then the file's section "Config Templates".
  void LoadConfigTemplates();

  // Index of the first template that the non-sequence-driven tracks match, or
  // configTemplates.size() + 1 when none does.
  int32_t MatchingConfigTemplate(const ConfigTemplateTarget& target) const;
  // The drop-down's text for an index: the template's name, or "User Configuration" beyond the list.
  std::string ConfigTemplateName(int32_t index) const;
  // Sets the tracks' channel, mode and cycle parameters from the template;
  // nothing for an index outside the list.
  void ApplyConfigTemplate(int32_t index, ConfigTemplateTarget& target) const;

  // --- MIDI learn ---------------------------------------------------------
  // The learn switch: armed or not, and whether it removes mappings instead of
  // adding them. Clears both captures. User-interface thread.
  void ArmMidiLearn(bool armed, bool removes);
  // OnReset. Under the plug-in lock.
  void DisarmMidiLearn();
  // OnMidiMessage for a control change below 120. Audio thread, under the plug-in lock.
  LearnCapture CaptureLearnController(int32_t controller);
  // OnParamChanged and the base's parameter handler for index 0..302. Under the plug-in lock.
  LearnCapture CaptureLearnParam(int32_t index);
  // Maps or unmaps as far as the captures allow; true when learning has ended.
  bool CompleteMidiLearn();

  // The parameter a controller drives at the control tick, 0..302, or -1 for
  // none: the map's entry, or with "Receive Parameter CCs" on and no entry,
  // controller + 79 (controllers 0 and 1 excepted). Audio thread, lock-free.
  int32_t ParameterForController(int32_t controller) const;

  // Counts changes of the controller map and of "Receive Parameter CCs" made
  // through this class (reading the file, learning, toggling), so that a copy
  // of them (the engine's) can be refreshed when the count moves. Any thread.
  uint32_t ControllerSettingsVersion() const { return controllerSettingsVersion.load(std::memory_order_acquire); }

  // --- configuration commands of the preset menu --------------------------
  // Toggles the switch, writes it and returns its new state. All is not a switch and returns false.
  bool ToggleSetting(ConfigSetting which);
  // "Reload Configuration": asks, then reads the file again.
  void ReloadConfigurationCommand(ConfigurationDialogs& dialogs);
  // "Save Configuration": asks, then writes every setting and the controller map.
  void SaveConfigurationCommand(ConfigurationDialogs& dialogs);
  // The default-path commands, after the folder dialog: the folder becomes the
  // setting and is written to its key in section "Global" at once.
  bool SetDefaultPresetPath(const std::string& folder);
  bool SetDefaultSequencePath(const std::string& folder);
  bool SetDefaultProgramPath(const std::string& folder);
  // "Additionally Save Enhanced Program Data": the setting, written at once to
  // "Global"/"Save Enhanced Prgs". False when the file could not be written.
  bool SetSaveEnhancedPrograms(bool on);
  // "Editor Size" of the option menu: the size in percent, written at once to
  // "Editor"/"Editor Size". False when the file could not be written.
  bool SetEditorSize(int32_t percent);
  // The startup bank: chosen (stored under "Startup Bank"/"File") or unselected (the section emptied).
  bool SelectStartupBank(const std::string& path);
  bool UnselectStartupBank();

  // --- settings -------------------------------------------------------------
  const std::string iniPath;

  std::string startupBankPath;
  std::string presetPath;
  std::string sequencePath;
  std::string programPath;

  std::atomic<bool> showConfigAtStartup{false};
  std::atomic<bool> configPanelShown{false};
  std::atomic<bool> receiveParamCCs{false};
  std::atomic<bool> dontAskToCommit{false};
  std::atomic<bool> saveEnhancedPrograms{true};
  std::atomic<bool> midiThru{true};
  std::atomic<bool> ignoreProgramChange{true};
  // The editor's size in percent as the file gives it ("Editor"/"Editor
  // Size", a whole number of 50 to 400, a "%" after it allowed); 0 when the
  // file has none, and the editor then follows the screen.
  std::atomic<int32_t> editorSize{0};

  // Parameter index driven by each controller 0..119, -1 for none.
  std::array<std::atomic<int32_t>, kControllerCount> ccMap;

  std::vector<ConfigTemplate> configTemplates;

  std::atomic<bool> learnArmed{false};
  std::atomic<bool> learnRemoves{false};
  std::atomic<int32_t> learnController{-1};
  std::atomic<int32_t> learnParam{-1};

 private:
  void ReadTemplates(const IniDocument& document);
  void UnmapParameter(int32_t index);
  bool WriteGlobalPath(const char* key, std::string& setting, const std::string& folder);

  void ControllerSettingsChanged() { controllerSettingsVersion.fetch_add(1, std::memory_order_acq_rel); }

  IniFile ini;
  // startupBankPath as this instance last read or wrote it.
  std::string startupBankSynced;
  std::atomic<uint32_t> controllerSettingsVersion{0};
};
