#pragma once
// The front panel's view of the instrument (FrontPanelHost over Vornell).
// User-interface thread, under the plug-in lock.
#include "performance/FrontPanelHost.h"

class Vornell;

class VornellPanelHost final : public FrontPanelHost {
 public:
  explicit VornellPanelHost(Vornell& plug) : plug(plug) {}

  PluginMutex& Mutex() override;
  const PlugParam* Param(int index) const override;
  int IntParam(int index) const override;
  void EditParam(int index, double normalized) override;
  void SetParam(int index, double value) override;
  int PresetCount() const override;
  int CurrentPreset() const override;
  void ChoosePreset(int index) override;
  bool LinkProgramsOn() const override;
  bool StateLoading() const override;
  bool ExtendedResolution() const override;

  int Mode() const override;
  bool SetMode(int32_t mode) override;
  bool Recording() const override;
  void SetRecording(bool on) override;
  bool OverdubPrepared() const override;
  bool RecordActivity() const override;
  void StopRecording() override;
  void ClearTrack(int t) override;
  void RecordTrackButton(int t) override;
  void PrepareOverdub() override;
  bool SequenceSelected(int which) const override;
  bool TrackArmed(int t) const override;
  bool TrackSounding(int t) const override;
  void ToggleArpeggiatorLatch() override;
  bool ArpeggiatorLatched() const override;
  bool ClickEnabled() const override;
  void SetClickEnabled(bool on) override;
  void SetClickLevel(double level) override;

  int TrackProgramNumber(int t) const override;
  void SetTrackProgram(int t, int p) override;
  void SelectTrackProgram(int t, int p) override;
  bool ProgramUsedElsewhere(int p) const override;
  void StoreAndSelectProgram(int p) override;
  void InitEditTrackProgram() override;
  int ConfirmModifiedProgram(int t) override;

  bool ToggleConfigSetting(ConfigSetting which) override;
  bool DontAskToCommit() const override;
  void ShowStatus(const char* text, int colour) override;
  uint32_t StatusSerial() const override;
  int ShowMessage(const std::string& text, const std::string& caption, int type) override;
  int BrowserButton(int id) override;
  bool BrowserShowsFile() const override;
  void RefreshEditTrackControls() override;
  void MarkPanelDirty() override;

 private:
  Vornell& plug;
};
