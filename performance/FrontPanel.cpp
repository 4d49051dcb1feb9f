// The front panel's buttons, knobs, LEDs and number display: the held
// buttons, the half-typed number, the CONTROL selection and what each press
// does to the sequencer, the arpeggiator, the programs and the parameters.
//
// Every entry point takes the plug-in lock: the sequencer and parameter state
// changed here is also used by the audio thread.
#include "performance/FrontPanel.h"

#include <cmath>

#include "graphics/EditorRecords.h"
#include "performance/PanelIds.h"
#include "plugin/PlugParam.h"
#include "plugin/PluginLock.h"
#include "programs/ParameterTable.h"
#include "programs/Program.h"

using namespace panel_id;

struct FrontPanel::Press {
  // 0: the button is drawn pressed; 1: a question was answered no; 2: a
  // question was answered yes or a dialog opened.
  int result = 0;
  bool clearStatus = true;
  bool keepDigit = false;
  // A parameter set at the end (as a 0..1 value, or toggled).
  int param = -1;
  double value = 0.0;
  bool toggle = false;
};

namespace {

constexpr int kTrackCount = FrontPanel::kTrackCount;

bool ValidTrack(int t) {
  return t >= 0 && t < kTrackCount;
}

// TRACK button or LED id -> track 0..5, else -1.
int TrackOf(int id, int first) {
  const int t = first - id;
  return ValidTrack(t) ? t : -1;
}

// Bit of a latchable button in the latch set, or -1.
int LatchBit(int id) {
  if (TrackOf(id, kTrackButton1) >= 0) return TrackOf(id, kTrackButton1);
  if (id == kRecord) return 6;
  if (id == kClick) return 7;
  if (id == kControlRecord) return 8;
  return -1;
}

// Voice switch id -> voice parameter it toggles, or -1.
int ToggledVoiceParam(int id) {
  switch (id) {
    case kOscLfo:
      return kVoiceLfoToOsc;
    case kOscEnvInvert:
      return kVoiceOscEnvInvert;
    case kOscSawtooth:
      return kVoiceOscSawtooth;
    case kOscTriangle:
      return kVoiceOscTriangle;
    case kOscPulse:
      return kVoiceOscPulse;
    case kLfoToPulseWidth:
      return kVoiceOscLfoToPw;
    case kFilterEnvInvert:
      return kVoiceFilterEnvInvert;
    case kLfoToFilter:
      return kVoiceLfoToFilter;
    default:
      return -1;
  }
}

// The last two decimal digits of c as two display digits.
int TwoDecimalDigits(int c) {
  if (c < 0) c = 0;
  return (c / 10 % 10) * 16 + c % 10;
}

}  // namespace

// --- button down -------------------------------------------------------------------

bool FrontPanel::OnButtonDown(int id, bool modifier) {
  PluginLock lock(host.Mutex());
  Press press;
  bool full = true;
  const int track = TrackOf(id, kTrackButton1);
  if (track >= 0) {
    full = TrackButton(track, press);
  } else if (id >= kDigit0 && id <= kDigit1) {
    full = Digit(id == kDigit0 ? 0 : kDigit1 - id + 1, press);
  } else {
    switch (id) {
      case kRecord:
        full = RecordButton(press);
        break;
      case kClick:
        if (modifier) {
          clickHeld = true;
          full = false;
        } else {
          host.SetClickEnabled(!host.ClickEnabled());
        }
        break;
      case kSync:
        press.param = kParamSyncToHost;
        press.toggle = true;
        break;
      case kSeqA:
      case kSeqB:
        full = SequenceButton(id == kSeqB ? 1 : 0, modifier, press);
        break;
      case kUpDown:
      case kAssign:
      case kStackA:
      case kStackB:
        full = ModeButton(id, press);
        break;
      case kProgram:
      case kParam:
      case kValue:
        controlSelect = kProgram - id;
        host.MarkPanelDirty();
        break;
      case kControlRecord:
        controlRecordHeld = true;
        storeArmed = !storeArmed;
        full = false;
        break;
      default:
        full = OtherButton(id, press);
        break;
    }
  }
  EndPress(press, full);
  return press.result == 0;
}

void FrontPanel::EndPress(Press& press, bool releaseLatches) {
  if (releaseLatches) ReleaseLatchedButtons();
  if (!press.keepDigit) pendingDigit = -1;
  if (press.clearStatus) host.ShowStatus("", kStatusWhite);
  if (const PlugParam* param = host.Param(press.param)) {
    double normalized = press.value;
    if (press.toggle) normalized = param->ToNormalized(param->Value() >= 0.5 ? 0.0 : 1.0);
    host.EditParam(press.param, normalized);
  }
  host.MarkPanelDirty();
}

bool FrontPanel::TrackButton(int t, Press& press) {
  trackHeld[t] = true;
  const int mode = host.Mode();
  if (recordHeld && IsSequenceMode(mode)) {
    // RECORD held: this track's part goes.
    const uint32_t serial = host.StatusSerial();
    host.ClearTrack(t);
    if (host.StatusSerial() != serial) press.clearStatus = false;
    return true;
  }
  if (host.Recording()) {
    const bool startsOverdub = !host.TrackArmed(t) && host.OverdubPrepared();
    host.RecordTrackButton(t);
    if (startsOverdub) press.clearStatus = false;
    return true;
  }
  const int stackProgram = PendingStackProgram();
  if (recordMode && stackProgram >= 0) {
    recordHeld = false;
    recordMode = false;
    host.SetTrackProgram(t, stackProgram);
    pendingStackProgram = -1;
    host.ShowStatus("Stack program assigned", kStatusGreen);
    press.clearStatus = false;
    return true;
  }
  return false;
}

bool FrontPanel::RecordButton(Press& press) {
  recordHeld = true;
  recordMode = !recordMode;
  const int mode = host.Mode();
  if (!recordMode && host.Recording()) {
    const uint32_t serial = host.StatusSerial();
    host.StopRecording();
    // "Recording stopped." stays.
    if (host.StatusSerial() != serial) press.clearStatus = false;
  } else if (IsArpeggiatorMode(mode)) {
    host.ToggleArpeggiatorLatch();
    press.clearStatus = false;
  } else if (!IsSequenceMode(mode)) {
    // In a sequence Mode the release prepares an overdub.
    if (recordMode && PendingStackProgram() >= 0) {
      host.ShowStatus("Press TRACK button...", kStatusOrange);
      press.clearStatus = false;
    }
  }
  return false;
}

bool FrontPanel::SequenceButton(int which, bool modifier, Press& press) {
  if (modifier) return true;
  const int m = which == 1 ? kModeSequenceB : kModeSequenceA;
  const int mode = host.Mode();
  if (host.Recording()) {
    if (host.SequenceSelected(which)) {
      const uint32_t serial = host.StatusSerial();
      host.StopRecording();
      if (host.StatusSerial() != serial) press.clearStatus = false;
    }
    return true;
  }
  press.result = host.ConfirmModifiedProgram(-1);
  if (press.result == 1) return true;
  if (recordMode) {
    // Entering the Mode starts the recording. While the same sequence plays
    // nothing would be entered and the flag alone would mute every live
    // note: the loop stops first and hands its tracks back.
    if (mode == m) host.SetMode(kModeNormal);
    host.SetRecording(true);
    host.SetMode(m);
    if (host.Recording() && host.Mode() == m) press.clearStatus = false;  // "Waiting for first note..."
  } else if (IsSequenceMode(mode)) {
    host.SetMode(kModeNormal);
  } else {
    press.clearStatus = host.SetMode(m);
  }
  return true;
}

bool FrontPanel::ModeButton(int id, Press& press) {
  const int mode = host.Mode();
  switch (id) {
    case kUpDown:
    case kAssign:
      if (IsArpeggiatorMode(mode))
        host.SetMode(kModeNormal);
      else
        press.clearStatus = host.SetMode(id == kUpDown ? kModeArpUpDown : kModeArpAssign);
      break;
    default: {
      const int m = id == kStackA ? kModeStackA : kModeStackB;
      press.result = host.ConfirmModifiedProgram(-1);
      if (press.result != 1) host.SetMode(mode == m ? kModeNormal : m);
      break;
    }
  }
  return true;
}

// --- SELECT keypad --------------------------------------------------------------------

bool FrontPanel::Digit(int d, Press& press) {
  if (controlRecordHeld) {
    controlRecordHeld = false;
    storeArmed = false;
    SpecialFunction(d, press);
    return true;
  }
  // Digits always select parameters or programs, never values.
  if (controlSelect == kControlValue) controlSelect = kControlParam;
  if (pendingDigit < 0) {
    pendingDigit = d;
    press.keepDigit = true;
    return true;
  }
  Number(10 * pendingDigit + d, press);
  return true;
}

void FrontPanel::SpecialFunction(int d, Press& press) {
  switch (d) {
    case 1: {
      const bool ignoring = host.ToggleConfigSetting(ConfigSetting::IgnoreProgramChange);
      host.ShowStatus(ignoring ? "Ignore MIDI Program Change" : "Permit MIDI Program Change", kStatusGreen);
      break;
    }
    case 4: {
      const bool receiving = host.ToggleConfigSetting(ConfigSetting::ReceiveParamCCs);
      host.ShowStatus(receiving ? "Receive parameter CCs" : "Ignore parameter CCs", kStatusGreen);
      break;
    }
    case 6:
      host.ShowStatus("Auto-Tuning not necessary :-)", kStatusGreen);
      break;
    case 8:
      host.InitEditTrackProgram();  // "Program initialized." stays
      break;
    default:
      return;  // only ends the held CONTROL RECORD
  }
  press.clearStatus = false;
}

void FrontPanel::Number(int n, Press& press) {
  if (controlSelect == kControlParam) {
    if (n < kVoiceParamCount) {
      selectedParam = n;
      ReadSelectedParamValue();
    }
    return;
  }
  const int mode = host.Mode();
  if (IsStackMode(mode)) {
    host.ShowStatus("Press TRACK RECORD...", kStatusOrange);
    press.clearStatus = false;
    pendingStackProgram = n;
    pendingStackMode = mode;
  } else if (recordMode && IsSequenceMode(mode)) {
    bool changed = false;
    for (int t = 0; t < kTrackCount; ++t) {
      if (!host.TrackArmed(t)) continue;
      host.SetTrackProgram(t, n);
      changed = true;
    }
    if (changed) {
      host.ShowStatus("Program changed.", kStatusGreen);
      press.clearStatus = false;
    }
  } else if (storeArmed) {
    storeArmed = false;
    if (!StoreProgram(n)) {
      press.result = 1;
      return;
    }
    press.clearStatus = false;  // "Program recorded/stored." stays
    press.result = 2;
  } else {
    press.result = host.ConfirmModifiedProgram(ConfirmTrackForSelection());
    if (press.result != 1) host.SelectTrackProgram(editTrack, n);
  }
}

bool FrontPanel::StoreProgram(int p) {
  if (host.ProgramUsedElsewhere(p) && !host.DontAskToCommit()) {
    const int answer = host.ShowMessage("This will affect other tracks using this program. Do you want to continue?",
                                        "Record/Store Program", kMessageYesNo | kMessageIconQuestion);
    if (answer == kAnswerNo) return false;
  }
  host.StoreAndSelectProgram(p);
  return true;
}

// --- edit-track row, top bar, configuration page, voice section, browser -------------

bool FrontPanel::OtherButton(int id, Press& press) {
  if (ToggledVoiceParam(id) >= 0) {
    press.param = ButtonParam(id);
    press.toggle = true;
    return true;
  }
  switch (id) {
    case kLfoTriangle:
    case kLfoSquare:
      press.param = ButtonParam(id);
      press.value = id == kLfoSquare ? 1.0 : 0.0;
      break;
    case kEditTrackDown:
    case kEditTrackUp:
      SetEditTrack(editTrack + (id == kEditTrackUp ? 1 : -1));
      break;
    case kProgramDown:
    case kProgramUp:
      press.result = host.ConfirmModifiedProgram(ConfirmTrackForSelection());
      if (press.result != 1) StepProgram(id == kProgramUp ? 1 : -1);
      break;
    case kPresetPrevious:
    case kPresetNext:
      StepPreset(id == kPresetNext ? 1 : -1);
      break;
    case kTrackSettingsReset:
      ResetTrackSettings();
      host.ShowStatus("Track settings reset.", kStatusGreen);
      press.clearStatus = false;
      break;
    case kBrowserRecord:
      press.result = StoreProgram(host.TrackProgramNumber(editTrack)) ? 2 : 1;
      if (press.result == 2) press.clearStatus = false;
      break;
    case kBrowserInternal:
    case kBrowserFile:
    case kBrowserRecordAll:
    case kBrowserSingle:
    case kBrowserBank:
      press.result = host.BrowserButton(id);
      // The save commands report on the status line themselves.
      if (id == kBrowserSingle || id == kBrowserBank) press.clearStatus = false;
      break;
    default:
      // Not a panel button: nothing changes.
      press.clearStatus = false;
      press.keepDigit = true;
      return false;
  }
  return true;
}

void FrontPanel::StepProgram(int step) {
  int p = host.TrackProgramNumber(editTrack) + step;
  if (p < 0) p = kProgramCount - 1;
  if (p >= kProgramCount) p = 0;
  host.SelectTrackProgram(editTrack, p);
}

void FrontPanel::StepPreset(int step) {
  const int count = host.PresetCount();
  if (count <= 0) return;
  int n = host.CurrentPreset() + step;
  if (n < 0) n = count - 1;
  if (n >= count) n = 0;
  host.ChoosePreset(n);
}

void FrontPanel::ResetTrackSettings() {
  const int reset[] = {kTrackTune, kTrackTranspose, kTrackVolume, kTrackPanorama};
  for (int t = 0; t < kTrackCount; ++t)
    for (int j : reset) {
      const int index = TrackParamIndex(t, j);
      host.SetParam(index, host.Param(index)->Default());
    }
}

void FrontPanel::SetEditTrack(int t) {
  PluginLock lock(host.Mutex());
  editTrack = t < 0 ? 0 : (t >= kTrackCount ? kTrackCount - 1 : t);
  ReadSelectedParamValue();
  host.RefreshEditTrackControls();
}

void FrontPanel::ReadSelectedParamValue() {
  if (selectedParam < 0 || selectedParam >= kVoiceParamCount || !ValidTrack(editTrack)) return;
  selectedParamValue = host.IntParam(VoiceParamIndex(editTrack, selectedParam));
  host.MarkPanelDirty();
}

int FrontPanel::ConfirmTrackForSelection() const {
  return (host.LinkProgramsOn() && !host.StateLoading()) ? -1 : editTrack;
}

int FrontPanel::PendingStackProgram() const {
  // A number typed in one Stack Mode is no longer waiting once that Mode is left.
  return (pendingStackProgram >= 0 && host.Mode() == pendingStackMode) ? pendingStackProgram : -1;
}

// --- button up, latches -----------------------------------------------------------------

void FrontPanel::OnButtonUp(int id) {
  PluginLock lock(host.Mutex());
  const int t = TrackOf(id, kTrackButton1);
  if (t >= 0) {
    trackHeld[t] = false;
    return;
  }
  switch (id) {
    case kRecord:
      recordHeld = false;
      host.PrepareOverdub();  // acts only with recordMode on in Mode 1 or 2
      break;
    case kClick:
      clickHeld = false;
      break;
    case kControlRecord:
      controlRecordHeld = false;
      break;
    default:
      break;
  }
}

void FrontPanel::SetButtonLatched(int id, bool latched) {
  PluginLock lock(host.Mutex());
  const int bit = LatchBit(id);
  if (bit < 0) return;
  if (latched)
    latches |= 1u << bit;
  else
    latches &= ~(1u << bit);
}

bool FrontPanel::ButtonLatched(int id) const {
  const int bit = LatchBit(id);
  return bit >= 0 && (latches & (1u << bit)) != 0;
}

void FrontPanel::ReleaseLatchedButtons() {
  PluginLock lock(host.Mutex());
  for (int t = 0; t < kTrackCount; ++t)
    if (latches & (1u << t)) trackHeld[t] = false;
  if (latches & (1u << 6)) recordHeld = false;
  if (latches & (1u << 7)) clickHeld = false;
  if (latches & (1u << 8)) controlRecordHeld = false;
  latches = 0;
  if (onLatchedButtonsReleased) onLatchedButtonsReleased();
}

// --- knobs -----------------------------------------------------------------------------

void FrontPanel::OnKnob(int id, double value) {
  PluginLock lock(host.Mutex());
  if (!(value >= 0.0)) value = 0.0;
  if (value > 1.0) value = 1.0;
  const int index = KnobParam(id);
  if (id == kTrackVolumeKnob) {
    if (index >= 0)
      host.EditParam(index, value);
    else if (clickHeld)
      host.SetClickLevel(value);
  } else if (id == kValueKnob && index >= 0) {
    const double plain = host.Param(index)->FromNormalized(value);
    selectedParamValue = static_cast<int>(plain);
    host.SetParam(index, plain);
    host.MarkPanelDirty();
  }
}

int FrontPanel::KnobParam(int id) const {
  if (id == kTrackVolumeKnob) {
    for (int t = 0; t < kTrackCount; ++t)
      if (trackHeld[t]) return TrackParamIndex(t, kTrackVolume);
  } else if (id == kValueKnob && controlSelect != kControlProgram && selectedParam >= 0 &&
             selectedParam < kVoiceParamCount && ValidTrack(editTrack)) {
    return VoiceParamIndex(editTrack, selectedParam);
  }
  return -1;
}

int FrontPanel::ButtonParam(int id) const {
  const int k = ToggledVoiceParam(id);
  if (k >= 0) return VoiceParamIndex(editTrack, k);
  if (id == kLfoTriangle || id == kLfoSquare) return VoiceParamIndex(editTrack, kVoiceLfoShape);
  return -1;
}

double FrontPanel::KnobPosition(int id) const {
  const int index = id == kValueKnob ? KnobParam(id) : -1;
  return index >= 0 ? host.Param(index)->NormalizedValue() : -1.0;
}

// --- indicators -----------------------------------------------------------------------

bool FrontPanel::LedState(int id) const {
  const int t = TrackOf(id, kTrackLed1);
  if (t >= 0) {
    return host.TrackArmed(t) ? blinkPhase : host.TrackSounding(t);
  }
  const int modeLed = kModeLed1 - id;
  if (modeLed >= 0 && modeLed < 6) return host.Mode() == modeLed + 1;
  switch (id) {
    case kSync:
      return host.Param(kParamSyncToHost)->Value() >= 0.5;
    case kProgramLed:
      return controlSelect == kControlProgram;
    case kProgramLed - 1:
      return controlSelect == kControlParam;
    case kProgramLed - 2:
      return controlSelect == kControlValue;
    case kControlRecordLed:
      return storeArmed;
    case kClickLed:
      return host.ClickEnabled();
    case kRecordLed:
      if (host.Recording() && host.OverdubPrepared()) return blinkPhase;
      return recordMode || host.ArpeggiatorLatched();
    case kBrowserInternalLed:
    case kBrowserFileLed:
      return host.BrowserShowsFile() == (id == kBrowserFileLed);
    case kLfoTriangleLed:
    case kLfoSquareLed: {
      const bool square =
          ValidTrack(editTrack) && host.Param(VoiceParamIndex(editTrack, kVoiceLfoShape))->Value() >= 0.5;
      return id == kLfoSquareLed ? square : !square;
    }
    default:
      return false;
  }
}

bool FrontPanel::AdvanceBlink(int frameRate) {
  PluginLock lock(host.Mutex());
  if (!host.RecordActivity()) {
    const bool changed = !blinkPhase;
    blinkPhase = true;
    return changed;
  }
  if (--blinkCountdown >= 0) return false;
  blinkCountdown = frameRate > 0 ? frameRate / 4 : 0;
  blinkPhase = !blinkPhase;
  return true;
}

// Codes: bits 4..7 the left digit, bits 0..3 the right digit (both shown as
// hexadecimal glyphs), bit 8 set: the right digit is blank.
int FrontPanel::NumberDisplayCode() const {
  if (pendingDigit >= 0) return (pendingDigit + 16) * 16;
  const bool paramValid = selectedParam >= 0 && selectedParam < kVoiceParamCount;
  switch (controlSelect) {
    case kControlParam:
      return TwoDecimalDigits(selectedParam);
    case kControlValue:
      if (host.ExtendedResolution()) return selectedParamValue & 255;
      return TwoDecimalDigits(paramValid ? (selectedParamValue & 255) >> kVoiceParamShift[selectedParam] : 0);
    default: {
      const int stackProgram = PendingStackProgram();
      return TwoDecimalDigits(stackProgram >= 0 ? stackProgram : host.TrackProgramNumber(editTrack));
    }
  }
}
