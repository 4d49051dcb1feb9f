#pragma once
// Where the editor puts its controls, in editor pixels (top-left corners, or
// left, top, right, bottom rectangles). The pictures draw their legends,
// scales and display windows around these spots, and the preview places
// control frames on them, so both follow the editor's own layout.

namespace panel {

struct Spot {
  int x;
  int y;
};

struct Box {
  int left;
  int top;
  int right;
  int bottom;
};

// Picture sizes (whole image) and frame counts.
constexpr int kPanelWidth = 1024;
constexpr int kPanelHeight = 512;
constexpr int kPageWidth = 296;
constexpr int kPageHeight = 220;
constexpr Spot kPageOrigin{316, 84};  // config.png and param.png overlays

constexpr int kKnobSize = 30;
constexpr int kSmallKnobSize = 20;
constexpr int kKnobFrames = 65;
constexpr int kButtonWidth = 21;
constexpr int kButtonStripHeight = 45;
constexpr int kButtonHeight = kButtonStripHeight / 2;  // 22: one frame as the editor sizes it
constexpr int kWideButtonWidth = 50;
constexpr int kWideButtonHeight = 22;
constexpr int kArrowButtonSize = 22;
constexpr int kLedSize = 10;
constexpr int kCheckWidth = 15;
constexpr int kCheckHeight = 16;
constexpr int kDigitWidth = 10;
constexpr int kDigitStripHeight = 264;
constexpr int kDigitFrames = 16;
constexpr int kDigitHeight = kDigitStripHeight / kDigitFrames;  // 16

// --- multi-track controller -------------------------------------------------
constexpr Spot TrackLed(int i) {
  return {61 + 44 * i, 106};
}
constexpr Spot TrackButton(int i) {
  return {56 + 44 * i, 117};
}
constexpr Spot kTrackVolumeKnob{73, 178};
constexpr Spot kRecordLed{129, 172};
constexpr Spot kClickLed{170, 172};
constexpr Spot kSyncLed{211, 172};
constexpr Spot kRecordButton{124, 183};
constexpr Spot kClickButton{165, 183};
constexpr Spot kSyncButton{206, 183};
constexpr Spot kSpeedKnob{249, 178};
constexpr Spot ModeLed(int i) {
  return {61 + 44 * i, 238};
}
constexpr Spot ModeButton(int i) {
  return {56 + 44 * i, 249};
}

// --- CONTROL section --------------------------------------------------------
constexpr Box kNumberDisplay{680, 120, 705, 136};
constexpr Spot ControlLed(int i) {
  return {643 + 44 * i, 150};
}
constexpr Spot ControlButton(int i) {
  return {638 + 44 * i, 161};
}
constexpr Spot kValueKnob{677, 196};
constexpr Spot kControlRecordLed{687, 238};
constexpr Spot kControlRecordButton{682, 249};

// --- SELECT keypad: digit 0..9 ---------------------------------------------
constexpr Spot KeypadButton(int digit) {
  return digit == 0 ? Spot{836, 249} : Spot{792 + 44 * ((digit - 1) % 3), 117 + 44 * ((digit - 1) / 3)};
}

// --- master knobs: tune, bend, wheel to LFO, volume -------------------------
constexpr Spot MasterKnob(int i) {
  return {937, i == 3 ? 256 : 90 + 56 * i};
}

// --- configuration page (editor coordinates) --------------------------------
constexpr Box kTemplateDropDown{400, 106, 524, 122};
constexpr Spot kResetButton{554, 103};
constexpr Spot kConfigLinkCheck{415, 133};
constexpr Box kTuneTransposeToggle{533, 138, 551, 149};
constexpr int ConfigRowTop(int t) {
  return 152 + 24 * t;
}
constexpr Box ChannelBox(int t) {
  return {337, ConfigRowTop(t) + 2, 355, ConfigRowTop(t) + 18};
}
constexpr Spot ModeBox(int t) {
  return {360, ConfigRowTop(t) + 1};
}
constexpr Spot CycleCheck(int t) {
  return {379, ConfigRowTop(t) + 1};
}
constexpr Box ProgramNumberBox(int t) {
  return {401, 154 + 24 * t, 420, 170 + 24 * t};
}
constexpr Box ProgramNameBox(int t) {
  return {419, 154 + 24 * t, 523, 170 + 24 * t};
}
constexpr Spot TuneKnob(int t) {
  return {532, ConfigRowTop(t)};
}
constexpr Spot VolumeKnob(int t) {
  return {556, ConfigRowTop(t)};
}
constexpr Spot PanKnob(int t) {
  return {580, ConfigRowTop(t)};
}

// --- edit-track row ---------------------------------------------------------
// The status line takes the row's room right of VOICE MODE: the longest
// message, "(6) Filter Osc Mod Amount: 63" at Arial 14, needs 163 pixels.
constexpr Box kStatusLine{811, 329, 982, 345};
constexpr Box kEditTrackDisplay{148, 329, 160, 345};
constexpr Spot kEditTrackDown{119, 326};
constexpr Spot kEditTrackUp{165, 326};
constexpr Box kEditProgramNumber{284, 329, 303, 345};
constexpr Box kEditProgramName{329, 329, 471, 345};
constexpr Spot kEditProgramDown{259, 326};
constexpr Spot kEditProgramUp{305, 326};
constexpr Spot kRowLinkCheck{483, 330};
constexpr Box kResolutionDropDown{659, 329, 711, 345};
constexpr Box kVoiceModeDropDown{743, 329, 795, 345};

// --- voice section ----------------------------------------------------------
// Knobs by voice parameter number k (-1: no knob of its own).
constexpr Spot VoiceKnob(int k) {
  switch (k) {
    case 2:
      return {61, 378};
    case 0:
      return {141, 378};
    case 1:
      return {189, 378};
    case 13:
      return {345, 378};
    case 4:
      return {61, 442};
    case 6:
    case 7:
    case 8:
    case 9:
      return {141 + 48 * (k - 6), 442};
    case 15:
      return {421, 378};
    case 16:
      return {421, 442};
    case 18:
    case 19:
    case 20:
      return {529 + 48 * (k - 18), 378};
    case 28:
      return {721, 378};
    case 29:
      return {769, 378};
    case 21:
      return {529, 442};
    case 23:
    case 24:
    case 25:
    case 26:
      return {625 + 48 * (k - 23), 442};
    case 30:
      return {841, 378};
    case 31:
      return {889, 378};
    case 34:
      return {937, 378};
    case 32:
      return {841, 442};
    case 33:
      return {889, 442};
    case 36:
      return {937, 442};
    default:
      return {-1, -1};
  }
}
constexpr int kVoiceKnobParams[] = {2,  0,  1,  13, 4,  6,  7,  8,  9,  15, 16, 18, 19, 20,
                                    28, 29, 21, 23, 24, 25, 26, 30, 31, 34, 32, 33, 36};

// Voice switches: button and indicator LED, with the parameter k each shows.
struct VoiceSwitch {
  int id;  // the button's control id
  Spot button;
  Spot led;
};
constexpr VoiceSwitch kVoiceSwitches[] = {
    {-325, {106, 383}, {111, 372}},  // LFO to OSC (k 3)
    {-327, {236, 383}, {241, 372}},  // sawtooth (k 10)
    {-328, {272, 383}, {277, 372}},  // triangle (k 11)
    {-329, {308, 383}, {313, 372}},  // pulse (k 12)
    {-326, {106, 447}, {111, 436}},  // OSC env invert (k 5)
    {-330, {350, 447}, {355, 436}},  // LFO to PW (k 14)
    {-333, {468, 383}, {473, 372}},  // LFO shape triangle (LED -331)
    {-334, {468, 447}, {473, 436}},  // LFO shape square (LED -332)
    {-336, {678, 383}, {683, 372}},  // LFO to filter (k 27)
    {-335, {582, 447}, {587, 436}},  // filter env invert (k 22)
};

// --- top bar ----------------------------------------------------------------
constexpr Spot kPresetPrev{223, 23};
constexpr Spot kPresetNext{273, 23};
constexpr Box kPresetNumber{247, 26, 271, 44};
constexpr Box kPresetName{297, 26, 489, 44};
constexpr Box kOptionMenu{493, 24, 541, 44};
constexpr Spot kConfigSwitch{545, 23};
constexpr Spot kBrowserSwitch{597, 23};
constexpr Spot kLearnButton{649, 23};

// --- browser page -----------------------------------------------------------
constexpr Spot kBrowserInternalLed{69, 78};
constexpr Spot kBrowserFileLed{113, 78};
constexpr Spot kBrowserInternalButton{64, 88};
constexpr Spot kBrowserFileButton{108, 88};
constexpr Box kBrowserFileName{145, 91, 305, 107};
constexpr Box kBrowserEditTrack{382, 92, 394, 108};
constexpr Spot kBrowserEditTrackDown{353, 88};
constexpr Spot kBrowserEditTrackUp{399, 88};
constexpr Box kBrowserProgramNumber{458, 91, 477, 107};
constexpr Box kBrowserProgramName{503, 91, 645, 107};
constexpr Spot kBrowserProgramDown{433, 88};
constexpr Spot kBrowserProgramUp{479, 88};
constexpr Spot kBrowserLinkCheck{669, 92};
constexpr Spot kBrowserRecord{710, 88};
constexpr Spot kBrowserRecordAll{810, 88};
constexpr Spot kBrowserSingle{894, 88};
constexpr Spot kBrowserBank{934, 88};
// The page covers the panel's status line and shows the status in the top bar.
constexpr Box kBrowserStatusLine{811, 27, 982, 43};
constexpr Box kBrowserLeftScroll{291, 148, 305, 488};
constexpr Box kBrowserRightScroll{956, 148, 970, 488};
constexpr int kBrowserRows = 20;
constexpr int kBrowserRowPitch = 17;
constexpr Box BrowserLeftRow(int i) {
  return {58, 148 + 17 * i, 284, 164 + 17 * i};
}
constexpr Box BrowserRightRow(int column, int i) {
  return {344 + 204 * column, 148 + 17 * i, 344 + 204 * column + 198, 164 + 17 * i};
}

}  // namespace panel
