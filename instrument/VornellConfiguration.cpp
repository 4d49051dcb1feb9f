// The instrument's use of the configuration: templates applied to the tracks,
// the preset menu's configuration commands and the controller map handed to
// the engine.
#include <mutex>

#include "graphics/EditorRecords.h"
#include "instrument/Vornell.h"
#include "instrument/VornellCommands.h"
#include "programs/ParameterTable.h"

namespace {

// The tracks as the templates see them, and the plug-in's own parameter writes.
class VornellTemplateTarget : public ConfigTemplateTarget {
 public:
  explicit VornellTemplateTarget(Vornell& plug) : plug(plug) {}

  // An armed track hears every channel while it records; its own channel is
  // the one it goes back to.
  int32_t TrackChannel(int32_t track) const override {
    const Track& t = plug.GetEngine().GetTrack(track);
    return t.armed ? plug.IntParam(TrackParamIndex(track, kTrackChannel)) : t.channel;
  }
  int32_t TrackModeValue(int32_t track) const override { return plug.IntParam(TrackParamIndex(track, kTrackMode)); }
  int32_t TrackCycleValue(int32_t track) const override { return plug.IntParam(TrackParamIndex(track, kTrackCycle)); }
  bool TrackSequenceDriven(int32_t track) const override { return plug.GetEngine().GetTrack(track).sequenceDriven; }
  int32_t PerformanceMode() const override { return plug.ModeValue(); }
  void SetParameterFromEngine(int32_t index, double value) override { plug.SetParameterFromEngine(index, value); }
  void ShowStatus(const std::string& text, int32_t colour) override { plug.ShowStatus(text.c_str(), colour); }
  void SetPanelDirty() override { plug.MarkPanelDirty(); }

 private:
  Vornell& plug;
};

// The configuration's questions through the editor's message boxes. Without an
// editor no box can be shown, and a question counts as answered "no".
class VornellDialogs : public ConfigurationDialogs {
 public:
  explicit VornellDialogs(Vornell& plug) : plug(plug) {}

  bool AskYesNo(const std::string& text, const std::string& title) override {
    return plug.ShowMessage(text, title, kMessageYesNo | kMessageIconQuestion) == kAnswerYes;
  }
  void ShowMessage(const std::string& text, const std::string& title) override {
    plug.ShowMessage(text, title, kMessageOk | kMessageIconWarning);
  }

 private:
  Vornell& plug;
};

}  // namespace

int32_t VornellCommands::MatchingConfigTemplate() {
  PluginLock lock(plug.Mutex());
  return plug.config.MatchingConfigTemplate(VornellTemplateTarget(plug));
}

std::string VornellCommands::MatchingConfigTemplateName() {
  PluginLock lock(plug.Mutex());
  return plug.config.ConfigTemplateName(MatchingConfigTemplate());
}

void VornellCommands::ApplyConfigTemplate(int32_t index) {
  PluginLock lock(plug.Mutex());
  VornellTemplateTarget target(plug);
  plug.config.ApplyConfigTemplate(index, target);
}

bool VornellCommands::ToggleConfigSetting(ConfigSetting which) {
  PluginLock lock(plug.Mutex());
  const bool on = plug.config.ToggleSetting(which);
  if (which == ConfigSetting::ShowConfigAtStartup) plug.MarkPanelDirty();
  return on;
}

bool VornellCommands::ToggleSaveEnhancedPrograms() {
  PluginLock lock(plug.Mutex());
  const bool on = !plug.config.saveEnhancedPrograms.load();
  plug.config.SetSaveEnhancedPrograms(on);
  plug.library.saveEnhancedPrograms = on;
  return on;
}

// These two take no lock of their own: their questions are modal waits (which
// give back any hold of the plug-in lock), and what the audio thread reads of
// the configuration is atomic.
void VornellCommands::ReloadConfiguration() {
  VornellDialogs dialogs(plug);
  plug.config.ReloadConfigurationCommand(dialogs);
  ConfigurationChanged();
}

void VornellCommands::SaveConfiguration() {
  VornellDialogs dialogs(plug);
  plug.config.SaveConfigurationCommand(dialogs);
}

void VornellCommands::ConfigurationChanged() {
  PluginLock lock(plug.Mutex());
  plug.library.saveEnhancedPrograms = plug.config.saveEnhancedPrograms.load();
  // The controller map reaches the engine at the next block through its version count.
  plug.MarkPanelDirty();
}

void Vornell::RefreshControllerSettings() {
  const uint32_t version = config.ControllerSettingsVersion();
  if (!controllerSettingsPending && version == controllerSettingsPushed) return;
  for (int32_t c = 0; c < Configuration::kControllerCount; ++c)
    engine.SetControllerMapping(c, config.ccMap[static_cast<size_t>(c)].load(std::memory_order_relaxed));
  engine.SetReceiveParameterControllers(config.receiveParamCCs.load(std::memory_order_relaxed));
  controllerSettingsPushed = version;
  controllerSettingsPending = false;
}
