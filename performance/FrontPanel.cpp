// The front panel's buttons, knobs, LEDs and number display: the held
// buttons, the half-typed number, the CONTROL selection and what each press
// does to the sequencer, the arpeggiator, the programs and the parameters.
//
// Every entry point takes the plug-in lock: the sequencer and parameter state
// changed here is also used by the audio thread.
#include <cmath>
#include <mutex>

#include "graphics/EditorRecords.h"
#include "graphics/IGraphics.h"
#include "performance/PanelIds.h"
#include "plugin/IEditorLink.h"
#include "plugin/Vornell.h"
#include "programs/ParameterTable.h"

using namespace panel_id;

struct Vornell::PanelPress {
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


bool ValidTrack(int t) {
  return t >= 0 && t < Engine::kTrackCount;
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

bool Vornell::OnPanelButtonDown(int id, bool modifier) {
  PluginLock lock(Mutex());
  PanelPress press;
  bool full = true;
  const int track = TrackOf(id, kTrackButton1);
  if (track >= 0) {
    full = PanelTrackButton(track, press);
  } else if (id >= kDigit0 && id <= kDigit1) {
    full = PanelDigit(id == kDigit0 ? 0 : kDigit1 - id + 1, press);
  } else {
    switch (id) {
      case kRecord:
        full = PanelRecordButton(press);
        break;
      case kClick:
        if (modifier) {
          clickHeld = true;
          full = false;
        } else {
          clickEnabled = !clickEnabled;
        }
        break;
      case kSync:
        press.param = kParamSyncToHost;
        press.toggle = true;
        break;
      case kSeqA:
      case kSeqB:
        full = PanelSequenceButton(id == kSeqB ? 1 : 0, modifier, press);
        break;
      case kUpDown:
      case kAssign:
      case kStackA:
      case kStackB:
        full = PanelModeButton(id, press);
        break;
      case kProgram:
      case kParam:
      case kValue:
        controlSelect = kProgram - id;
        panelDirty = true;
        break;
      case kControlRecord:
        controlRecordHeld = true;
        storeArmed = !storeArmed;
        full = false;
        break;
      default:
        full = PanelOtherButton(id, press);
        break;
    }
  }
  PanelEndPress(press, full);
  return press.result == 0;
}

void Vornell::PanelEndPress(PanelPress& press, bool releaseLatches) {
  if (releaseLatches) ReleaseLatchedButtons();
  if (!press.keepDigit) pendingDigit = -1;
  if (press.clearStatus) ShowStatus("", kStatusWhite);
  if (PlugParam* param = GetParam(press.param)) {
    double normalized = press.value;
    if (press.toggle) normalized = param->ToNormalized(param->Value() >= 0.5 ? 0.0 : 1.0);
    SetParamFromEditor(press.param, normalized);
    if (IEditorLink* editor = GetEditorLink()) editor->ShowParamValue(press.param, normalized, true);
  }
  panelDirty = true;
}

bool Vornell::PanelTrackButton(int t, PanelPress& press) {
  trackHeld[t] = true;
  const int mode = ModeValue();
  if (recordHeld && IsSequenceMode(mode)) {
    // RECORD held: this track's part goes.
    const uint32_t serial = StatusSerial();
    ClearTrack(t);
    if (StatusSerial() != serial) press.clearStatus = false;
    return true;
  }
  if (Recording()) {
    const bool startsOverdub = !engine.GetTrack(t).armed && recordState == kRecordOverdubPrepared;
    RecordTrackButton(t);
    if (startsOverdub) press.clearStatus = false;
    return true;
  }
  const int stackProgram = PendingStackProgram();
  if (recordMode && stackProgram >= 0) {
    recordHeld = false;
    recordMode = false;
    SetTrackProgram(t, stackProgram);
    pendingStackProgram = -1;
    ShowStatus("Stack program assigned", kStatusGreen);
    press.clearStatus = false;
    return true;
  }
  return false;
}

bool Vornell::PanelRecordButton(PanelPress& press) {
  recordHeld = true;
  recordMode = !recordMode;
  const int mode = ModeValue();
  if (!recordMode && Recording()) {
    const uint32_t serial = StatusSerial();
    StopRecording();
    // "Recording stopped." stays.
    if (StatusSerial() != serial) press.clearStatus = false;
  } else if (IsArpeggiatorMode(mode)) {
    ToggleArpeggiatorLatch();
    press.clearStatus = false;
  } else if (!IsSequenceMode(mode)) {
    // In a sequence Mode the release prepares an overdub.
    if (recordMode && PendingStackProgram() >= 0) {
      ShowStatus("Press TRACK button...", kStatusOrange);
      press.clearStatus = false;
    }
  }
  return false;
}

bool Vornell::PanelSequenceButton(int which, bool modifier, PanelPress& press) {
  if (modifier) return true;
  const int m = which == 1 ? kModeSequenceB : kModeSequenceA;
  const int mode = ModeValue();
  if (Recording()) {
    if (CurrentSequence() == &SequenceAt(which)) {
      const uint32_t serial = StatusSerial();
      StopRecording();
      if (StatusSerial() != serial) press.clearStatus = false;
    }
    return true;
  }
  press.result = ConfirmModifiedProgram(-1);
  if (press.result == 1) return true;
  if (recordMode) {
    // Entering the Mode starts the recording. While the same sequence plays
    // nothing would be entered and the flag alone would mute every live
    // note: the loop stops first and hands its tracks back.
    if (mode == m) SetMode(kModeNormal);
    SetRecording(true);
    SetMode(m);
    if (Recording() && ModeValue() == m) press.clearStatus = false;  // "Waiting for first note..."
  } else if (IsSequenceMode(mode)) {
    SetMode(kModeNormal);
  } else {
    press.clearStatus = SetMode(m);
  }
  return true;
}

bool Vornell::PanelModeButton(int id, PanelPress& press) {
  const int mode = ModeValue();
  switch (id) {
    case kUpDown:
    case kAssign:
      if (IsArpeggiatorMode(mode))
        SetMode(kModeNormal);
      else
        press.clearStatus = SetMode(id == kUpDown ? kModeArpUpDown : kModeArpAssign);
      break;
    default: {
      const int m = id == kStackA ? kModeStackA : kModeStackB;
      press.result = ConfirmModifiedProgram(-1);
      if (press.result != 1) SetMode(mode == m ? kModeNormal : m);
      break;
    }
  }
  return true;
}

// --- SELECT keypad --------------------------------------------------------------------

bool Vornell::PanelDigit(int d, PanelPress& press) {
  if (controlRecordHeld) {
    controlRecordHeld = false;
    storeArmed = false;
    PanelSpecialFunction(d, press);
    return true;
  }
  // Digits always select parameters or programs, never values.
  if (controlSelect == kControlValue) controlSelect = kControlParam;
  if (pendingDigit < 0) {
    pendingDigit = d;
    press.keepDigit = true;
    return true;
  }
  PanelNumber(10 * pendingDigit + d, press);
  return true;
}

void Vornell::PanelSpecialFunction(int d, PanelPress& press) {
  switch (d) {
    case 1: {
      const bool ignoring = ToggleConfigSetting(ConfigSetting::IgnoreProgramChange);
      ShowStatus(ignoring ? "Ignore MIDI Program Change" : "Permit MIDI Program Change", kStatusGreen);
      break;
    }
    case 4: {
      const bool receiving = ToggleConfigSetting(ConfigSetting::ReceiveParamCCs);
      ShowStatus(receiving ? "Receive parameter CCs" : "Ignore parameter CCs", kStatusGreen);
      break;
    }
    case 6:
      ShowStatus("Auto-Tuning not necessary :-)", kStatusGreen);
      break;
    case 8:
      InitEditTrackProgram();  // "Program initialized." stays
      break;
    default:
      return;  // only ends the held CONTROL RECORD
  }
  press.clearStatus = false;
}

void Vornell::PanelNumber(int n, PanelPress& press) {
  if (controlSelect == kControlParam) {
    if (n < kVoiceParamCount) {
      selectedParam = n;
      ReadSelectedParamValue();
    }
    return;
  }
  const int mode = ModeValue();
  if (IsStackMode(mode)) {
    ShowStatus("Press TRACK RECORD...", kStatusOrange);
    press.clearStatus = false;
    pendingStackProgram = n;
    pendingStackMode = mode;
  } else if (recordMode && IsSequenceMode(mode)) {
    bool changed = false;
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!engine.GetTrack(t).armed) continue;
      SetTrackProgram(t, n);
      changed = true;
    }
    if (changed) {
      ShowStatus("Program changed.", kStatusGreen);
      press.clearStatus = false;
    }
  } else if (storeArmed) {
    storeArmed = false;
    if (!PanelStoreProgram(n)) {
      press.result = 1;
      return;
    }
    press.clearStatus = false;  // "Program recorded/stored." stays
    press.result = 2;
  } else {
    press.result = ConfirmModifiedProgram(ConfirmTrackForSelection());
    if (press.result != 1) SelectTrackProgram(editTrack, n);
  }
}

bool Vornell::PanelStoreProgram(int p) {
  if (ProgramUsedElsewhere(p) && !DontAskToCommit()) {
    const int answer = ShowMessage("This will affect other tracks using this program. Do you want to continue?",
                                   "Record/Store Program", kMessageYesNo | kMessageIconQuestion);
    if (answer == kAnswerNo) return false;
  }
  StoreAndSelectProgram(p);
  return true;
}

// --- edit-track row, top bar, configuration page, voice section, browser -------------

bool Vornell::PanelOtherButton(int id, PanelPress& press) {
  const int k = ToggledVoiceParam(id);
  if (k >= 0) {
    press.param = VoiceParamIndex(editTrack, k);
    press.toggle = true;
    return true;
  }
  switch (id) {
    case kLfoTriangle:
    case kLfoSquare:
      press.param = VoiceParamIndex(editTrack, kVoiceLfoShape);
      press.value = id == kLfoSquare ? 1.0 : 0.0;
      break;
    case kEditTrackDown:
    case kEditTrackUp:
      SetEditTrack(editTrack + (id == kEditTrackUp ? 1 : -1));
      break;
    case kProgramDown:
    case kProgramUp:
      press.result = ConfirmModifiedProgram(ConfirmTrackForSelection());
      if (press.result != 1) PanelStepProgram(id == kProgramUp ? 1 : -1);
      break;
    case kPresetPrevious:
    case kPresetNext:
      PanelStepPreset(id == kPresetNext ? 1 : -1);
      break;
    case kTrackSettingsReset:
      PanelResetTrackSettings();
      ShowStatus("Track settings reset.", kStatusGreen);
      press.clearStatus = false;
      break;
    case kBrowserRecord:
      press.result = PanelStoreProgram(TrackProgramNumber(editTrack)) ? 2 : 1;
      if (press.result == 2) press.clearStatus = false;
      break;
    case kBrowserInternal:
    case kBrowserFile:
    case kBrowserRecordAll:
    case kBrowserSingle:
    case kBrowserBank:
      press.result = BrowserButton(id);
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

void Vornell::PanelStepProgram(int step) {
  int p = TrackProgramNumber(editTrack) + step;
  if (p < 0) p = kProgramCount - 1;
  if (p >= kProgramCount) p = 0;
  SelectTrackProgram(editTrack, p);
}

void Vornell::PanelStepPreset(int step) {
  const int count = NumPresets();
  if (count <= 0) return;
  int n = GetCurrentPresetIndex() + step;
  if (n < 0) n = count - 1;
  if (n >= count) n = 0;
  ChoosePreset(n);
}

void Vornell::ChoosePreset(int i) {
  PluginLock lock(Mutex());
  // The preset being left keeps what was played in it.
  ModifyCurrentPreset();
  SelectPreset(i);
  NotifyHostProgramChange();
  PushParamsToHost();
}

void Vornell::PanelResetTrackSettings() {
  const int reset[] = {kTrackTune, kTrackTranspose, kTrackVolume, kTrackPanorama};
  for (int t = 0; t < Engine::kTrackCount; ++t)
    for (int j : reset) {
      const int index = TrackParamIndex(t, j);
      SetParameterFromEngine(index, GetParam(index)->Default());
    }
}

void Vornell::SetEditTrack(int t) {
  PluginLock lock(Mutex());
  editTrack = t < 0 ? 0 : (t >= Engine::kTrackCount ? Engine::kTrackCount - 1 : t);
  ReadSelectedParamValue();
  RefreshEditTrackControls();
}

void Vornell::ReadSelectedParamValue() {
  if (selectedParam < 0 || selectedParam >= kVoiceParamCount || !ValidTrack(editTrack)) return;
  selectedParamValue = IntParam(VoiceParamIndex(editTrack, selectedParam));
  panelDirty = true;
}

int Vornell::ConfirmTrackForSelection() const {
  return (LinkProgramsOn() && !stateLoading) ? -1 : editTrack;
}

int Vornell::PendingStackProgram() const {
  // A number typed in one Stack Mode is no longer waiting once that Mode is left.
  return (pendingStackProgram >= 0 && ModeValue() == pendingStackMode) ? pendingStackProgram : -1;
}

// --- button up, latches -----------------------------------------------------------------

void Vornell::OnPanelButtonUp(int id) {
  PluginLock lock(Mutex());
  const int t = TrackOf(id, kTrackButton1);
  if (t >= 0) {
    trackHeld[t] = false;
    return;
  }
  switch (id) {
    case kRecord:
      recordHeld = false;
      PrepareOverdub();  // acts only with recordMode on in Mode 1 or 2
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

void Vornell::SetPanelButtonLatched(int id, bool latched) {
  PluginLock lock(Mutex());
  const int bit = LatchBit(id);
  if (bit < 0) return;
  if (latched)
    panelLatches |= 1u << bit;
  else
    panelLatches &= ~(1u << bit);
}

bool Vornell::PanelButtonLatched(int id) const {
  const int bit = LatchBit(id);
  return bit >= 0 && (panelLatches & (1u << bit)) != 0;
}

void Vornell::ReleaseLatchedButtons() {
  PluginLock lock(Mutex());
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (panelLatches & (1u << t)) trackHeld[t] = false;
  if (panelLatches & (1u << 6)) recordHeld = false;
  if (panelLatches & (1u << 7)) clickHeld = false;
  if (panelLatches & (1u << 8)) controlRecordHeld = false;
  panelLatches = 0;
  if (onLatchedButtonsReleased) onLatchedButtonsReleased();
}

// --- knobs -----------------------------------------------------------------------------

void Vornell::OnPanelKnob(int id, double value) {
  PluginLock lock(Mutex());
  if (!(value >= 0.0)) value = 0.0;
  if (value > 1.0) value = 1.0;
  if (id == kTrackVolumeKnob) {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      if (!trackHeld[t]) continue;
      const int index = TrackParamIndex(t, kTrackVolume);
      SetParamFromEditor(index, value);
      if (IEditorLink* editor = GetEditorLink()) editor->ShowParamValue(index, value, true);
      return;
    }
    if (clickHeld) SetClickLevel(value);
  } else if (id == kValueKnob) {
    if (controlSelect == kControlProgram || selectedParam < 0 || selectedParam >= kVoiceParamCount ||
        !ValidTrack(editTrack))
      return;
    const int index = VoiceParamIndex(editTrack, selectedParam);
    const double plain = GetParam(index)->FromNormalized(value);
    selectedParamValue = static_cast<int>(plain);
    SetParameterFromEngine(index, plain);
    panelDirty = true;
  }
}

double Vornell::PanelKnobPosition(int id) const {
  if (id != kValueKnob || controlSelect == kControlProgram || selectedParam < 0 ||
      selectedParam >= kVoiceParamCount || !ValidTrack(editTrack))
    return -1.0;
  return GetParam(VoiceParamIndex(editTrack, selectedParam))->NormalizedValue();
}

// --- indicators -----------------------------------------------------------------------

bool Vornell::PanelLedState(int id) const {
  const int t = TrackOf(id, kTrackLed1);
  if (t >= 0) {
    const Track& track = engine.GetTrack(t);
    return track.armed ? blinkPhase : track.heldVoiceCount > 0;
  }
  const int modeLed = kModeLed1 - id;
  if (modeLed >= 0 && modeLed < 6) return ModeValue() == modeLed + 1;
  switch (id) {
    case kSync:
      return GetParam(kParamSyncToHost)->Value() >= 0.5;
    case kProgramLed:
      return controlSelect == kControlProgram;
    case kProgramLed - 1:
      return controlSelect == kControlParam;
    case kProgramLed - 2:
      return controlSelect == kControlValue;
    case kControlRecordLed:
      return storeArmed;
    case kClickLed:
      return clickEnabled;
    case kRecordLed:
      if (Recording() && recordState == kRecordOverdubPrepared) return blinkPhase;
      return recordMode || arpLatch;
    case kBrowserInternalLed:
    case kBrowserFileLed:
      return BrowserShowsFile() == (id == kBrowserFileLed);
    case kLfoTriangleLed:
    case kLfoSquareLed: {
      const bool square = ValidTrack(editTrack) && GetParam(VoiceParamIndex(editTrack, kVoiceLfoShape))->Value() >= 0.5;
      return id == kLfoSquareLed ? square : !square;
    }
    default:
      return false;
  }
}

bool Vornell::AdvancePanelBlink(int frameRate) {
  PluginLock lock(Mutex());
  if (!recordActivity) {
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
int Vornell::NumberDisplayCode() const {
  if (pendingDigit >= 0) return (pendingDigit + 16) * 16;
  const bool paramValid = selectedParam >= 0 && selectedParam < kVoiceParamCount;
  switch (controlSelect) {
    case kControlParam:
      return TwoDecimalDigits(selectedParam);
    case kControlValue:
      if (extendedResolution) return selectedParamValue & 255;
      return TwoDecimalDigits(paramValid ? (selectedParamValue & 255) >> kVoiceParamShift[selectedParam] : 0);
    default: {
      const int stackProgram = PendingStackProgram();
      return TwoDecimalDigits(stackProgram >= 0 ? stackProgram : TrackProgramNumber(editTrack));
    }
  }
}
