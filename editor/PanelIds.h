#pragma once
// Control ids of the panel's elements. Panel controls carry them as their
// (negative) parameter index; the keyed registry files them under the
// absolute value.
namespace panel_id {

constexpr int kLearnButton = -307;
constexpr int kPresetPrev = -304;
constexpr int kPresetNext = -305;
constexpr int kStatusLine = -309;
constexpr int kTemplateDropDown = -310;
constexpr int kTrackSettingsReset = -311;
constexpr int kTuneTransposeToggle = -312;
constexpr int ProgramSelectorKey(int t) {
  return 313 + t;
}
constexpr int CycleSwitch(int t) {
  return -319 - t;
}
constexpr int kLfoShapeTriangleLed = -331;
constexpr int kLfoShapeSquareLed = -332;
constexpr int kConfigPageSwitch = -337;
constexpr int kConfigOverlay = -338;
constexpr int kParamOverlay = -339;
constexpr int kBrowserPageSwitch = -340;
constexpr int kEditTrackDisplay = -341;
constexpr int kEditTrackDown = -342;
constexpr int kEditTrackUp = -343;
constexpr int kEditProgramDown = -344;
constexpr int kEditProgramUp = -345;
constexpr int kNumberDisplay = -346;
constexpr int kTrackVolumeKnob = -347;
constexpr int kValueKnob = -348;
constexpr int TrackLed(int t) {
  return -349 - t;
}
constexpr int kRecordLed = -355;
constexpr int kClickLed = -356;
constexpr int ModeLed(int i) {
  return -357 - i;
}
constexpr int ControlLed(int i) {
  return -363 - i;
}
constexpr int kControlRecordLed = -366;
constexpr int TrackButton(int t) {
  return -367 - t;
}
constexpr int kRecordButton = -373;
constexpr int kClickButton = -374;
constexpr int ModeButton(int i) {
  return -375 - i;
}
constexpr int kSeqAButton = -375;
constexpr int kSeqBButton = -376;
constexpr int kProgramButton = -381;
constexpr int kParamButton = -382;
constexpr int kValueButton = -383;
constexpr int kControlRecordButton = -384;
// Digits 1..9 are -385..-393, digit 0 is -394.
constexpr int KeypadButton(int digit) {
  return digit == 0 ? -394 : -384 - digit;
}

}  // namespace panel_id
