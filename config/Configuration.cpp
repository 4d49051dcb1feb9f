#include "config/Configuration.h"

#include <charconv>
#include <string_view>

#include "engine/PerformanceMode.h"
#include "platform/Paths.h"

namespace {

constexpr const char* kTrue = "true";
constexpr const char* kFalse = "false";

constexpr const char* kStartupBankSection = "Startup Bank";
constexpr const char* kMidiControlSection = "MIDI Control";
constexpr const char* kTemplateSection = "Config Templates";
constexpr const char* kGlobalSection = "Global";

// The parameters a template sets: "Track %i MIDI Channel", "Track %i Mode" and
// "Track %i Cycle" of track t are 39 + 7t, 40 + 7t and 41 + 7t.
constexpr int32_t kFirstTrackParameter = 39;
constexpr int32_t kTrackParameterStride = 7;
constexpr int32_t kArpeggiatorChannel = 5;  // MIDI channel 6
constexpr int32_t kArpeggiatorTrack = 5;
// With "Receive Parameter CCs" an unmapped controller c drives parameter c + 79.
constexpr int32_t kParamCCOffset = 79;
constexpr int32_t kModulationWheelController = 1;
constexpr int32_t kSustainController = 64;

struct SwitchKey {
  const char* section;
  const char* key;
};

SwitchKey KeyOf(ConfigSetting which) {
  switch (which) {
    case ConfigSetting::ShowConfigAtStartup:
      return {"Editor", "Show Configuration At Startup"};
    case ConfigSetting::ReceiveParamCCs:
      return {"Parameter", "Receive Parameter CCs"};
    case ConfigSetting::DontAskToCommit:
      return {"Global", "Dont Ask To Commit"};
    case ConfigSetting::MidiThru:
      return {"MIDI Global", "MIDI Thru"};
    case ConfigSetting::IgnoreProgramChange:
      return {"MIDI Global", "Ignore Program Change"};
    case ConfigSetting::All:
      break;
  }
  return {nullptr, nullptr};
}

constexpr ConfigSetting kSwitches[] = {ConfigSetting::ShowConfigAtStartup, ConfigSetting::ReceiveParamCCs,
                                       ConfigSetting::DontAskToCommit, ConfigSetting::MidiThru,
                                       ConfigSetting::IgnoreProgramChange};

// An "Editor Size" value: a whole number of 50 to 400, optionally followed by
// "%"; 0 for anything else (older files have no such key).
int32_t EditorSizeValue(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '%')) text.remove_suffix(1);
  int32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return 0;
  return value >= 50 && value <= 400 ? value : 0;
}

bool EqualsTrueIgnoringCase(std::string_view text) {
  constexpr std::string_view word = "true";
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

std::string DecimalText(int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string ControllerKey(int32_t controller) {
  return "CC" + DecimalText(controller);
}

// A controller map value as a C atoi would read it, except that anything
// unusable (no digits, out of range, not a parameter) gives -1 instead of an
// arbitrary index. A value reading 0 must start with the digit 0 to count.
int32_t ControllerMapValue(std::string_view text) {
  size_t position = 0;
  while (position < text.size() && (text[position] == ' ' || text[position] == '\t')) ++position;
  if (position < text.size() && text[position] == '+') ++position;
  int32_t value = 0;
  const auto [stop, error] = std::from_chars(text.data() + position, text.data() + text.size(), value);
  if (error != std::errc() || stop == text.data() + position) return Configuration::kNoParameter;
  if (value == 0 && (text.empty() || text.front() != '0')) return Configuration::kNoParameter;
  if (value < 0 || value >= Configuration::kParameterCount) return Configuration::kNoParameter;
  return value;
}

std::string IniPathIn(const std::string& appDataFolder) {
  return JoinPath(JoinPath(appDataFolder, Configuration::kFolderName), Configuration::kFileName);
}

}  // namespace

Configuration::Configuration() : Configuration(LocalAppDataFolder(), DocumentsFolder()) {}

Configuration::Configuration(const std::string& appDataFolder, const std::string& documentsFolder)
    : iniPath(IniPathIn(appDataFolder)), ini(iniPath) {
  for (auto& entry : ccMap) entry.store(kNoParameter, std::memory_order_relaxed);
  // A folder that cannot be made leaves the defaults; the file simply cannot be read.
  CreateFolders(JoinPath(appDataFolder, kFolderName));
  programPath = documentsFolder;
  presetPath = documentsFolder;
  if (ini.Exists()) {
    ReadConfiguration();
  } else {
    ini.CreateEmpty();
    LoadConfigTemplates();
  }
}

int32_t Configuration::ReadConfiguration() {
  // One snapshot, so that a write by another instance meanwhile is seen whole or not at all.
  IniDocument document;
  ini.Load(document);

  const std::string bank = document.GetString(kStartupBankSection, "File", "", kPathBufferSize);
  if (!bank.empty()) startupBankPath = bank;
  startupBankSynced = startupBankPath;

  // True when the value was applied. A missing key reads as the current value,
  // so it is applied too and leaves the setting unchanged.
  auto readSwitch = [&](const char* section, const char* key, std::atomic<bool>& setting) {
    const std::string text = document.GetString(section, key, setting ? kTrue : kFalse, kBoolBufferSize);
    if (text.empty()) return false;
    setting = EqualsTrueIgnoringCase(text);
    return true;
  };
  auto readPath = [&](const char* key, std::string& setting) {
    const std::string text = document.GetString(kGlobalSection, key, "", kPathBufferSize);
    if (!text.empty()) setting = text;
  };

  if (readSwitch("Editor", "Show Configuration At Startup", showConfigAtStartup)) {
    configPanelShown = showConfigAtStartup.load();
  }
  const int32_t size = EditorSizeValue(document.GetString("Editor", "Editor Size", "", kBoolBufferSize));
  if (size > 0) editorSize = size;
  readSwitch("Parameter", "Receive Parameter CCs", receiveParamCCs);
  readSwitch(kGlobalSection, "Dont Ask To Commit", dontAskToCommit);
  readSwitch(kGlobalSection, "Save Enhanced Prgs", saveEnhancedPrograms);
  readPath("Path to Preset Files", presetPath);
  readPath("Path to Sequence Files", sequencePath);
  readPath("Path to Program Files", programPath);
  readSwitch("MIDI Global", "MIDI Thru", midiThru);
  readSwitch("MIDI Global", "Ignore Program Change", ignoreProgramChange);

  for (int32_t c = 0; c < kControllerCount; ++c) {
    const std::string text = document.GetString(kMidiControlSection, ControllerKey(c), "-1", kBoolBufferSize);
    ccMap[static_cast<size_t>(c)] = ControllerMapValue(text);
  }
  ControllerSettingsChanged();
  ReadTemplates(document);
  return 0;
}

bool Configuration::WriteConfiguration(ConfigSetting which) {
  return ini.Update([&](IniDocument& document) {
    // A startup bank that another instance chose or dropped since this one
    // last read or wrote the file stays, unless this one has chosen anew.
    const std::string inFile = document.GetString(kStartupBankSection, "File", "", kPathBufferSize);
    if (inFile != startupBankSynced && startupBankPath == startupBankSynced) startupBankPath = inFile;
    startupBankSynced = startupBankPath;
    // A path the file cannot hold on one line (one read with a lone carriage
    // return, say) leaves the section as it was rather than emptied.
    IniDocument withBank = document;
    withBank.EmptySection(kStartupBankSection);
    if (withBank.SetString(kStartupBankSection, "File", startupBankPath)) document = std::move(withBank);
    auto writeSwitch = [&](ConfigSetting setting) {
      const SwitchKey key = KeyOf(setting);
      bool value = false;
      switch (setting) {
        case ConfigSetting::ShowConfigAtStartup:
          value = showConfigAtStartup;
          break;
        case ConfigSetting::ReceiveParamCCs:
          value = receiveParamCCs;
          break;
        case ConfigSetting::DontAskToCommit:
          value = dontAskToCommit;
          break;
        case ConfigSetting::MidiThru:
          value = midiThru;
          break;
        case ConfigSetting::IgnoreProgramChange:
          value = ignoreProgramChange;
          break;
        case ConfigSetting::All:
          return;
      }
      document.SetString(key.section, key.key, value ? kTrue : kFalse);
    };
    if (which != ConfigSetting::All) {
      writeSwitch(which);
      return true;
    }
    for (ConfigSetting setting : kSwitches) writeSwitch(setting);
    document.EmptySection(kMidiControlSection);
    for (int32_t c = 0; c < kControllerCount; ++c) {
      const int32_t parameter = ccMap[static_cast<size_t>(c)];
      if (parameter != kNoParameter) document.SetString(kMidiControlSection, ControllerKey(c), DecimalText(parameter));
    }
    return true;
  });
}

void Configuration::LoadConfigTemplates() {
  IniDocument document;
  ini.Load(document);
  ReadTemplates(document);
}

void Configuration::ReadTemplates(const IniDocument& document) {
  std::vector<ConfigTemplate> templates = BuiltInConfigTemplates();
  AddConfigTemplates(document.GetSection(kTemplateSection, kTemplateSectionSize), templates);
  configTemplates = std::move(templates);
}

int32_t Configuration::MatchingConfigTemplate(const ConfigTemplateTarget& target) const {
  for (size_t i = 0; i < configTemplates.size(); ++i) {
    const ConfigTemplate& layout = configTemplates[i];
    bool matches = true;
    for (int32_t t = 0; t < kTemplateTrackCount && matches; ++t) {
      if (target.TrackSequenceDriven(t)) continue;
      const size_t slot = static_cast<size_t>(t);
      matches = target.TrackChannel(t) == layout.channels[slot] && target.TrackModeValue(t) == layout.modes[slot] &&
                target.TrackCycleValue(t) == layout.cycles[slot];
    }
    if (matches) return static_cast<int32_t>(i);
  }
  return static_cast<int32_t>(configTemplates.size()) + 1;
}

std::string Configuration::ConfigTemplateName(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= configTemplates.size()) return "User Configuration";
  return configTemplates[static_cast<size_t>(index)].name;
}

void Configuration::ApplyConfigTemplate(int32_t index, ConfigTemplateTarget& target) const {
  if (index < 0 || static_cast<size_t>(index) >= configTemplates.size()) return;
  // A copy: setting parameters may reach code that rebuilds the list.
  const ConfigTemplate layout = configTemplates[static_cast<size_t>(index)];
  for (int32_t t = 0; t < kTemplateTrackCount; ++t) {
    bool change = !target.TrackSequenceDriven(t);
    if (!change) {
      // A sequence-driven track is left alone when the arpeggiator owns it or
      // MIDI channel 6 (the arpeggiator's output) is in use.
      const int32_t mode = target.PerformanceMode();
      const bool arpeggiatorTrack = t == kArpeggiatorTrack && IsArpeggiatorMode(mode);
      bool channelSixUsed = false;
      for (int32_t u = 0; u < kTemplateTrackCount; ++u) {
        if (target.TrackChannel(u) == kArpeggiatorChannel) channelSixUsed = true;
      }
      change = !arpeggiatorTrack && !channelSixUsed;
    }
    if (!change) continue;
    const size_t slot = static_cast<size_t>(t);
    const int32_t first = kFirstTrackParameter + kTrackParameterStride * t;
    target.SetParameterFromEngine(first, layout.channels[slot]);
    target.SetParameterFromEngine(first + 1, layout.modes[slot]);
    target.SetParameterFromEngine(first + 2, layout.cycles[slot]);
  }
  target.ShowStatus("Configuration applied.", kStatusGreen);
  target.SetPanelDirty();
}

void Configuration::ArmMidiLearn(bool armed, bool removes) {
  learnController = -1;
  learnParam = -1;
  learnRemoves = removes;
  learnArmed = armed;
}

void Configuration::DisarmMidiLearn() {
  learnArmed = false;
}

LearnCapture Configuration::CaptureLearnController(int32_t controller) {
  if (!learnArmed || controller < 0 || controller >= kControllerCount) return LearnCapture::NotCaptured;
  // The engine keeps these for the modulation wheel and the sustain pedal and
  // never looks them up: learnt, they would drive nothing. They go on playing.
  if (controller == kModulationWheelController || controller == kSustainController) return LearnCapture::NotCaptured;
  learnController = controller;
  return CompleteMidiLearn() ? LearnCapture::Completed : LearnCapture::Captured;
}

LearnCapture Configuration::CaptureLearnParam(int32_t index) {
  if (!learnArmed || index < 0 || index >= kParameterCount) return LearnCapture::NotCaptured;
  learnParam = index;
  return CompleteMidiLearn() ? LearnCapture::Completed : LearnCapture::Captured;
}

void Configuration::UnmapParameter(int32_t index) {
  for (auto& entry : ccMap) {
    if (entry == index) entry = kNoParameter;
  }
}

bool Configuration::CompleteMidiLearn() {
  if (!learnArmed) return false;
  const int32_t controller = learnController;
  const int32_t parameter = learnParam;
  const bool controllerSet = controller >= 0 && controller < kControllerCount;
  const bool parameterSet = parameter >= 0 && parameter < kParameterCount;
  if (!learnRemoves) {
    if (controllerSet && parameterSet) {
      UnmapParameter(parameter);
      ccMap[static_cast<size_t>(controller)] = parameter;
      learnArmed = false;
    }
  } else if (controllerSet) {
    ccMap[static_cast<size_t>(controller)] = kNoParameter;
    learnArmed = false;
  } else if (parameterSet) {
    UnmapParameter(parameter);
    learnArmed = false;
  }
  if (!learnArmed) ControllerSettingsChanged();
  return !learnArmed;
}

int32_t Configuration::ParameterForController(int32_t controller) const {
  if (controller < 0 || controller >= kControllerCount) return kNoParameter;
  int32_t parameter = ccMap[static_cast<size_t>(controller)].load(std::memory_order_relaxed);
  if (parameter == kNoParameter && receiveParamCCs.load(std::memory_order_relaxed)) {
    if (controller < 2) return kNoParameter;
    parameter = controller + kParamCCOffset;
  }
  if (parameter < 0 || parameter >= kParameterCount) return kNoParameter;
  return parameter;
}

bool Configuration::ToggleSetting(ConfigSetting which) {
  std::atomic<bool>* setting = nullptr;
  switch (which) {
    case ConfigSetting::ShowConfigAtStartup:
      setting = &showConfigAtStartup;
      break;
    case ConfigSetting::ReceiveParamCCs:
      setting = &receiveParamCCs;
      break;
    case ConfigSetting::DontAskToCommit:
      setting = &dontAskToCommit;
      break;
    case ConfigSetting::MidiThru:
      setting = &midiThru;
      break;
    case ConfigSetting::IgnoreProgramChange:
      setting = &ignoreProgramChange;
      break;
    case ConfigSetting::All:
      return false;
  }
  const bool value = !setting->load();
  *setting = value;
  if (which == ConfigSetting::ReceiveParamCCs) ControllerSettingsChanged();
  WriteConfiguration(which);
  return value;
}

void Configuration::ReloadConfigurationCommand(ConfigurationDialogs& dialogs) {
  const std::string question = "The INI configuration file is:\n" + iniPath + "\n\nDo you really want to reload it?";
  if (!dialogs.AskYesNo(question, "Reload Configuration")) return;
  ReadConfiguration();
  if (!ini.Exists()) dialogs.ShowMessage("The INI file does not exist.", "Problem with INI File");
}

void Configuration::SaveConfigurationCommand(ConfigurationDialogs& dialogs) {
  const std::string question = "The INI configuration file is:\n" + iniPath + "\n\nDo you really want to overwrite it?";
  if (!dialogs.AskYesNo(question, "Save Configuration")) return;
  WriteConfiguration(ConfigSetting::All);
}

bool Configuration::WriteGlobalPath(const char* key, std::string& setting, const std::string& folder) {
  setting = folder;
  return ini.WriteString(kGlobalSection, key, folder);
}

bool Configuration::SetDefaultPresetPath(const std::string& folder) {
  return WriteGlobalPath("Path to Preset Files", presetPath, folder);
}

bool Configuration::SetDefaultSequencePath(const std::string& folder) {
  return WriteGlobalPath("Path to Sequence Files", sequencePath, folder);
}

bool Configuration::SetDefaultProgramPath(const std::string& folder) {
  return WriteGlobalPath("Path to Program Files", programPath, folder);
}

bool Configuration::SetSaveEnhancedPrograms(bool on) {
  saveEnhancedPrograms = on;
  return ini.WriteString(kGlobalSection, "Save Enhanced Prgs", on ? kTrue : kFalse);
}

bool Configuration::SetEditorSize(int32_t percent) {
  editorSize = percent;
  return ini.WriteString("Editor", "Editor Size", std::to_string(percent));
}

bool Configuration::SelectStartupBank(const std::string& path) {
  startupBankPath = path;
  startupBankSynced = path;
  return ini.Update([&](IniDocument& document) {
    document.EmptySection(kStartupBankSection);
    return document.SetString(kStartupBankSection, "File", path);
  });
}

bool Configuration::UnselectStartupBank() {
  startupBankPath.clear();
  startupBankSynced.clear();
  return ini.EmptySection(kStartupBankSection);
}
