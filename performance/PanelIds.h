#pragma once
// Control ids of the front panel's buttons, knobs, LEDs and displays. The
// panel controls carry them; the panel logic (FrontPanel.cpp) acts on them.
namespace panel_id {

// Multi-track controller.
constexpr int kTrackButton1 = -367;  // .. -372 for TRACK 6
constexpr int kTrackLed1 = -349;     // .. -354
constexpr int kRecord = -373;
constexpr int kRecordLed = -355;
constexpr int kClick = -374;
constexpr int kClickLed = -356;
constexpr int kSync = 38;  // the button and the LED carry "Sync to Host"
constexpr int kSeqA = -375;
constexpr int kSeqB = -376;
constexpr int kUpDown = -377;
constexpr int kAssign = -378;
constexpr int kStackA = -379;
constexpr int kStackB = -380;
constexpr int kModeLed1 = -357;  // SEQ A .. STACK B: -357 .. -362

// CONTROL section.
constexpr int kProgram = -381;
constexpr int kParam = -382;
constexpr int kValue = -383;
constexpr int kProgramLed = -363;  // PARAM -364, VALUE -365
constexpr int kControlRecord = -384;
constexpr int kControlRecordLed = -366;

// SELECT keypad: digits 1 .. 9 are -385 .. -393, 0 is -394.
constexpr int kDigit1 = -385;
constexpr int kDigit0 = -394;

constexpr int kTrackVolumeKnob = -347;
constexpr int kValueKnob = -348;
constexpr int kNumberDisplay = -346;
constexpr int kEditTrackDisplay = -341;

// Edit-track row, top bar and configuration page.
constexpr int kEditTrackDown = -342;
constexpr int kEditTrackUp = -343;
constexpr int kProgramDown = -344;
constexpr int kProgramUp = -345;
constexpr int kPresetPrevious = -304;
constexpr int kPresetNext = -305;
constexpr int kTrackSettingsReset = -311;

// Voice section.
constexpr int kOscLfo = -325;
constexpr int kOscEnvInvert = -326;
constexpr int kOscSawtooth = -327;
constexpr int kOscTriangle = -328;
constexpr int kOscPulse = -329;
constexpr int kLfoToPulseWidth = -330;
constexpr int kLfoTriangleLed = -331;
constexpr int kLfoSquareLed = -332;
constexpr int kLfoTriangle = -333;
constexpr int kLfoSquare = -334;
constexpr int kFilterEnvInvert = -335;
constexpr int kLfoToFilter = -336;

// Program browser page.
constexpr int kBrowserInternalLed = -397;
constexpr int kBrowserFileLed = -398;
constexpr int kBrowserInternal = -399;
constexpr int kBrowserFile = -400;
constexpr int kBrowserRecord = -409;
constexpr int kBrowserRecordAll = -410;
constexpr int kBrowserSingle = -411;
constexpr int kBrowserBank = -412;

// Editor-only elements and id helpers.
constexpr int kLearnButton = -307;
constexpr int kStatusLine = -309;
constexpr int kTemplateDropDown = -310;
constexpr int kTuneTransposeToggle = -312;
constexpr int kConfigPageSwitch = -337;
constexpr int kConfigOverlay = -338;
constexpr int kParamOverlay = -339;
constexpr int kBrowserPageSwitch = -340;
constexpr int ProgramSelector(int t) {
  return -313 - t;
}  // the configuration page's, track t
constexpr int CycleSwitch(int t) {
  return -319 - t;
}
constexpr int TrackLed(int t) {
  return kTrackLed1 - t;
}
constexpr int TrackButton(int t) {
  return kTrackButton1 - t;
}
constexpr int ModeLed(int i) {
  return kModeLed1 - i;
}
constexpr int ModeButton(int i) {
  return kSeqA - i;
}
constexpr int ControlLed(int i) {
  return kProgramLed - i;
}
// Digits 1..9 are -385..-393, digit 0 is -394.
constexpr int KeypadButton(int digit) {
  return digit == 0 ? kDigit0 : kDigit1 + 1 - digit;
}

}  // namespace panel_id
