#pragma once
// What the front panel needs from the instrument: the Modes and the recorder,
// the track programs, the parameters and presets, the status line and the
// editor's questions. The instrument implements it (VornellPanelHost); the
// panel calls it under the plug-in lock, on the user-interface thread.
#include <cstdint>
#include <string>

#include "config/Configuration.h"
#include "plugin/StatusLineColour.h"

class PlugParam;
class PluginMutex;

class FrontPanelHost {
 public:
  virtual ~FrontPanelHost() = default;

  virtual PluginMutex& Mutex() = 0;

  // ---- parameters and presets
  // Null outside the parameter range.
  virtual const PlugParam* Param(int index) const = 0;
  // Integer value of a parameter (0 outside the range).
  virtual int IntParam(int index) const = 0;
  // The user's edit (0..1), shown on the parameter's controls.
  virtual void EditParam(int index, double normalized) = 0;
  // The instrument's own change of a parameter (plain value).
  virtual void SetParam(int index, double value) = 0;
  virtual int PresetCount() const = 0;
  virtual int CurrentPreset() const = 0;
  virtual void ChoosePreset(int index) = 0;
  virtual bool LinkProgramsOn() const = 0;
  virtual bool StateLoading() const = 0;
  virtual bool ExtendedResolution() const = 0;

  // ---- Modes, sequencer, recorder, arpeggiator, click
  virtual int Mode() const = 0;
  virtual bool SetMode(int32_t mode) = 0;
  virtual bool Recording() const = 0;
  virtual void SetRecording(bool on) = 0;
  // A recording waits in its overdub-prepared state for a TRACK button.
  virtual bool OverdubPrepared() const = 0;
  // The recorder has something to show (the record indicators blink).
  virtual bool RecordActivity() const = 0;
  virtual void StopRecording() = 0;
  virtual void ClearTrack(int t) = 0;
  virtual void RecordTrackButton(int t) = 0;
  // RECORD released (recordMode: the panel's record switch).
  virtual void PrepareOverdub() = 0;
  // Seq A (0) or Seq B (1) is the sequence the player has selected.
  virtual bool SequenceSelected(int which) const = 0;
  virtual bool TrackArmed(int t) const = 0;
  // Track t has voices held.
  virtual bool TrackSounding(int t) const = 0;
  virtual void ToggleArpeggiatorLatch() = 0;
  virtual bool ArpeggiatorLatched() const = 0;
  virtual bool ClickEnabled() const = 0;
  virtual void SetClickEnabled(bool on) = 0;
  virtual void SetClickLevel(double level) = 0;

  // ---- track programs (see the instrument's program workflow)
  virtual int TrackProgramNumber(int t) const = 0;
  virtual void SetTrackProgram(int t, int p) = 0;
  virtual void SelectTrackProgram(int t, int p) = 0;
  virtual bool ProgramUsedElsewhere(int p) const = 0;
  virtual void StoreAndSelectProgram(int p) = 0;
  virtual void InitEditTrackProgram() = 0;
  // 0 nothing asked, 1 the user said no, 2 yes.
  virtual int ConfirmModifiedProgram(int t) = 0;

  // ---- settings, status, editor
  virtual bool ToggleConfigSetting(ConfigSetting which) = 0;
  virtual bool DontAskToCommit() const = 0;
  virtual void ShowStatus(const char* text, int colour) = 0;
  virtual uint32_t StatusSerial() const = 0;
  // A MessageBoxType box; returns a MessageBoxAnswer.
  virtual int ShowMessage(const std::string& text, const std::string& caption, int type) = 0;
  // The browser page's buttons (the instrument's BrowserButton).
  virtual int BrowserButton(int id) = 0;
  virtual bool BrowserShowsFile() const = 0;
  // The editor shows the edit track's voice controls again at its next idle tick.
  virtual void RefreshEditTrackControls() = 0;
  // The editor redraws its panel displays at its next idle tick.
  virtual void MarkPanelDirty() = 0;
};
