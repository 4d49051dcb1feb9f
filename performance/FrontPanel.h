#pragma once
// The front panel: the multi-track section (TRACK, RECORD, CLICK, SYNC, the
// Mode buttons), the CONTROL section, the SELECT keypad, the two knobs, the
// edit-track row and the voice switches, with what each press does, the
// LEDs and the two-digit number display. It keeps the panel's own state
// (held and latched buttons, the half-typed number, the CONTROL selection,
// the edit track and its selected voice parameter) and acts on the
// instrument through FrontPanelHost.
//
// Threads: user-interface thread. The entry points take the plug-in lock
// (the state changed here is also read by the audio thread); the readers
// expect the caller to hold it.
#include <cstdint>
#include <functional>

#include "performance/FrontPanelHost.h"

class FrontPanel {
 public:
  static constexpr int kTrackCount = 6;

  explicit FrontPanel(FrontPanelHost& host) : host(host) {}
  FrontPanel(const FrontPanel&) = delete;
  FrontPanel& operator=(const FrontPanel&) = delete;

  // Controls are identified by their ids (negative for panel buttons, LEDs and
  // displays; 38 for SYNC). A press returns true when the button is to be drawn
  // pressed; false after a confirmation was answered or a dialog opened.
  bool OnButtonDown(int id, bool modifier);
  void OnButtonUp(int id);
  // TRACK VOLUME (-347) and VALUE (-348) knobs; value 0..1 from the knob.
  void OnKnob(int id, double value);
  // Where the VALUE knob is to stand (0..1), or -1 to leave it where it is.
  double KnobPosition(int id) const;
  // The parameter a turn of TRACK VOLUME or VALUE would set now, or -1.
  int KnobParam(int id) const;
  // The parameter a press of a voice-section button would set now, or -1.
  int ButtonParam(int id) const;
  bool LedState(int id) const;
  // What the two-digit number display shows: bits 4..7 the left digit, bits
  // 0..3 the right digit (both shown as hexadecimal glyphs), bit 8 set: the
  // right digit is blank.
  int NumberDisplayCode() const;

  // Right-click latching of TRACK 1..6, RECORD, CLICK and CONTROL RECORD: the
  // panel buttons set it before reporting the press and read it to decide
  // whether a mouse-up is reported. Other ids are never latched.
  void SetButtonLatched(int id, bool latched);
  bool ButtonLatched(int id) const;
  // TRACK 1..6, RECORD, CLICK and CONTROL RECORD drawn released, latches
  // cancelled. A button that was latched also stops counting as held: left
  // held, a forgotten RECORD would make the next TRACK press clear that
  // track's recorded part.
  void ReleaseLatchedButtons();
  // Set by the editor: redraws the latchable buttons released (called by
  // ReleaseLatchedButtons, under the plug-in lock).
  std::function<void()> onLatchedButtonsReleased;

  // The editor's idle call: advances the blinking of the record indicators.
  // frameRate: idle calls per second. True when the TRACK LEDs need a redraw.
  bool AdvanceBlink(int frameRate);
  bool BlinkPhase() const { return blinkPhase; }

  // The CONTROL section's selection.
  enum ControlSelection : int { kControlProgram = 0, kControlParam = 1, kControlValue = 2 };
  int ControlSelect() const { return controlSelect; }
  // CONTROL RECORD toggled on: the next number typed in PROGRAM stores a program.
  bool StoreArmed() const { return storeArmed; }
  // The first digit of a number being typed, or -1.
  int PendingDigit() const { return pendingDigit; }
  // A program typed in a Stack Mode waiting for its track, or -1 (also once
  // the Stack Mode it was typed in has been left).
  int PendingStackProgram() const;

  // The edit position. SetEditTrack limits t to 0..5, takes the VALUE
  // reading from the new track's selected parameter, and the editor shows
  // that track's voice controls at its next idle tick; it takes the lock.
  int EditTrack() const { return editTrack; }
  void SetEditTrack(int t);
  int SelectedParam() const { return selectedParam; }
  void SetSelectedParam(int k) { selectedParam = k; }
  int SelectedParamValue() const { return selectedParamValue; }
  void SetSelectedParamValue(int value) { selectedParamValue = value; }
  // selectedParamValue from the edit track's selected voice parameter.
  void ReadSelectedParamValue();

  // The multi-track RECORD switch (a new recording or an overdub follows
  // the next SEQ or TRACK press) and the buttons held down.
  bool RecordMode() const { return recordMode; }
  void SetRecordMode(bool on) { recordMode = on; }
  bool RecordHeld() const { return recordHeld; }
  bool ClickHeld() const { return clickHeld; }
  bool ControlRecordHeld() const { return controlRecordHeld; }

 private:
  // One press in progress: what the end of OnButtonDown does. The
  // handlers return true when the press takes the full end (latches released).
  struct Press;
  bool TrackButton(int t, Press& press);
  bool RecordButton(Press& press);
  bool SequenceButton(int which, bool modifier, Press& press);
  bool ModeButton(int id, Press& press);
  bool Digit(int d, Press& press);
  void Number(int n, Press& press);
  void SpecialFunction(int d, Press& press);
  bool OtherButton(int id, Press& press);
  // Stores the edit track's sound into program p and selects p, after asking
  // when other tracks play p; false when the answer was no.
  bool StoreProgram(int p);
  void StepProgram(int step);
  void StepPreset(int step);
  void ResetTrackSettings();
  void EndPress(Press& press, bool releaseLatches);
  int ConfirmTrackForSelection() const;

  FrontPanelHost& host;
  int editTrack = 0;
  int selectedParam = 0;
  int selectedParamValue = 0;
  int controlSelect = kControlProgram;
  bool storeArmed = false;
  int pendingDigit = -1;
  int pendingStackProgram = -1;
  // The Stack Mode pendingStackProgram was typed in.
  int pendingStackMode = -1;
  bool blinkPhase = false;
  int blinkCountdown = 0;
  // Latched panel buttons, one bit per latchable button.
  uint32_t latches = 0;
  bool recordMode = false;
  bool recordHeld = false;
  bool clickHeld = false;
  bool controlRecordHeld = false;
  bool trackHeld[kTrackCount] = {};
};
