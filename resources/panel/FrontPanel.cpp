// The front panel (back.png), its top bar and the parameter chart overlay.
// Every legend is placed from the control spots of PanelLayout.h.
#include <cstdio>
#include <string>

#include "resources/panel/ControlArt.h"
#include "resources/panel/Pictures.h"

namespace panel {

namespace {

constexpr double kKnobTickInner = 16.2;
constexpr double kKnobTickOuter = 19.0;
constexpr int kKnobTicks = 11;
constexpr int kCheekWidth = 14;

// Section frames: left, top, right, bottom.
constexpr Box kMultiTrackSection{42, 62, 302, 298};
constexpr Box kPageSection{310, 62, 618, 306};
constexpr Box kControlSection{626, 62, 764, 298};
constexpr Box kSelectSection{772, 62, 914, 298};
constexpr Box kMasterSection{922, 62, 988, 298};
constexpr Box kOscillatorSection{44, 356, 388, 494};
constexpr Box kLfoSection{396, 356, 504, 494};
constexpr Box kFilterSection{512, 356, 820, 494};
constexpr Box kMixerTitle{512, 356, 563, 367};
constexpr Box kAmplifierSection{828, 356, 988, 494};

// Baselines of legends in the voice section: under row 1 and row 2 controls.
constexpr double kRow1Legend = 418;
constexpr double kRow2Legend = 482;
constexpr double kEnvelopeBracket = 428;

double CentreX(const Spot& spot, int width) {
  return spot.x + width / 2.0;
}
double CentreY(const Spot& spot, int height) {
  return spot.y + height / 2.0;
}

void DrawSection(Painter& painter, const Box& box, const std::string& title) {
  painter.Section(box.left, box.top, box.right, box.bottom, title);
}

void DrawKnobWithScale(Painter& painter, const Spot& spot) {
  painter.KnobScale(spot, kKnobSize, kKnobTickInner, kKnobTickOuter, kKnobTicks);
}

// An LED-and-key pair: LED above, key below, legend given separately.
void DrawKeyWells(Painter& painter, const Spot& button) {
  painter.ButtonWell(button, kButtonWidth, kButtonHeight);
}

// Unlit digit segments, so a blank digit place looks like a dark LED display.
void DrawIdleDigit(Painter& painter, int x, int y) {
  cairo_t* cr = painter.Context();
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_rectangle(cr, 0, 0, kDigitWidth, kDigitHeight);
  cairo_clip(cr);
  PaintSegmentDigit(cr, kDigitWidth, kDigitHeight, -1);
  cairo_restore(cr);
}

void DrawDropDownMark(Painter& painter, const Box& box) {
  cairo_t* cr = painter.Context();
  const double x = box.right + 5.0;
  const double y = (box.top + box.bottom) / 2.0;
  cairo_move_to(cr, x - 3, y - 1.5);
  cairo_line_to(cr, x + 3, y - 1.5);
  cairo_line_to(cr, x, y + 2);
  cairo_close_path(cr);
  painter.SetColour(colours::kLegendDim);
  cairo_fill(cr);
}

void DrawMultiTrackController(Painter& painter) {
  DrawSection(painter, kMultiTrackSection, "MULTI-TRACK CONTROLLER");
  // TRACK 1..6.
  painter.Bracket(TrackButton(0).x, TrackButton(5).x + kButtonWidth, 85, "TRACK", false);
  for (int i = 0; i < 6; ++i) {
    DrawKeyWells(painter, TrackButton(i));
    painter.Legend(std::to_string(i + 1), CentreX(TrackButton(i), kButtonWidth), 102, 9.5);
  }
  // TRACK VOLUME, RECORD, CLICK, SYNC, SPEED.
  DrawKnobWithScale(painter, kTrackVolumeKnob);
  painter.Legend("TRACK", CentreX(kTrackVolumeKnob, kKnobSize), 160);
  painter.Legend("VOLUME", CentreX(kTrackVolumeKnob, kKnobSize), 169);
  DrawKeyWells(painter, kRecordButton);
  painter.Legend("RECORD", CentreX(kRecordButton, kButtonWidth), 168, 8.0, 40);
  DrawKeyWells(painter, kClickButton);
  painter.Legend("CLICK", CentreX(kClickButton, kButtonWidth), 168);
  DrawKeyWells(painter, kSyncButton);
  painter.Legend("SYNC", CentreX(kSyncButton, kButtonWidth), 168);
  DrawKnobWithScale(painter, kSpeedKnob);
  painter.Legend("SPEED", CentreX(kSpeedKnob, kKnobSize), 169);
  // Mode keys, grouped by what they start.
  static const char* const kModes[6] = {"SEQ A", "SEQ B", "UP/DOWN", "ASSIGN", "STACK A", "STACK B"};
  for (int i = 0; i < 6; ++i) {
    DrawKeyWells(painter, ModeButton(i));
    painter.Legend(kModes[i], CentreX(ModeButton(i), kButtonWidth), 234, 8.0, 38);
  }
  const double groupY = 279;
  painter.Bracket(ModeButton(0).x, ModeButton(1).x + kButtonWidth, groupY, "SEQUENCER", true);
  painter.Bracket(ModeButton(2).x, ModeButton(3).x + kButtonWidth, groupY, "ARPEGGIATOR", true);
  painter.Bracket(ModeButton(4).x, ModeButton(5).x + kButtonWidth, groupY, "STACK", true);
}

void DrawControlSection(Painter& painter) {
  DrawSection(painter, kControlSection, "CONTROL");
  painter.DisplayWindow(kNumberDisplay, 2, colours::kLedDisplay);
  DrawIdleDigit(painter, kNumberDisplay.left, kNumberDisplay.top);
  DrawIdleDigit(painter, kNumberDisplay.right - kDigitWidth, kNumberDisplay.top);
  static const char* const kNames[3] = {"PROGRAM", "PARAM", "VALUE"};
  for (int i = 0; i < 3; ++i) {
    DrawKeyWells(painter, ControlButton(i));
    painter.Legend(kNames[i], CentreX(ControlButton(i), kButtonWidth), 147.5, 7.5, 42);
  }
  DrawKnobWithScale(painter, kValueKnob);
  painter.Legend("VALUE", kValueKnob.x - 22, CentreY(kValueKnob, kKnobSize) + 3, 7.5);
  DrawKeyWells(painter, kControlRecordButton);
  painter.Legend("RECORD", CentreX(kControlRecordButton, kButtonWidth), 234);
  painter.Legend("STORE", CentreX(kControlRecordButton, kButtonWidth), 283, 7.0, 0, colours::kLegendDim);
}

void DrawSelectKeypad(Painter& painter) {
  DrawSection(painter, kSelectSection, "SELECT");
  for (int digit = 0; digit <= 9; ++digit) {
    const Spot key = KeypadButton(digit);
    DrawKeyWells(painter, key);
    painter.Legend(std::to_string(digit), CentreX(key, kButtonWidth), key.y - 3.5, 9.5);
  }
  painter.Legend("PROGRAM / PARAM NUMBER", (kSelectSection.left + kSelectSection.right) / 2.0, 286, 7.0, 0,
                 colours::kLegendDim);
}

void DrawMasterKnobs(Painter& painter) {
  DrawSection(painter, kMasterSection, "MASTER");
  static const char* const kNames[4] = {"TUNE", "BEND", "MOD LFO", "VOLUME"};
  for (int i = 0; i < 4; ++i) {
    const Spot knob = MasterKnob(i);
    DrawKnobWithScale(painter, knob);
    painter.Legend(kNames[i], CentreX(knob, kKnobSize), knob.y - 5.5, 8.0, 56);
  }
}

void DrawPageFrame(Painter& painter) {
  DrawSection(painter, kPageSection, "");
  painter.Legend("6 TRACKS  \u00b7  2 SEQUENCES  \u00b7  ARPEGGIATOR  \u00b7  100 PROGRAMS",
                 (kPageSection.left + kPageSection.right) / 2.0, 77, 7.5, 0, colours::kLegendDim);
}

void DrawEditTrackRow(Painter& painter) {
  const double legend = 320.5;
  cairo_t* cr = painter.Context();
  // A slightly sunk strip carrying the row's windows.
  painter.RoundedRectPath(44, 310, 944, 42, 3);
  painter.SetColour(Rgb{0, 0, 0, 0.28});
  cairo_fill(cr);

  painter.Legend("EDIT TRACK", (kEditTrackDown.x + kEditTrackUp.x + kArrowButtonSize) / 2.0, legend);
  painter.DisplayWindow(kEditTrackDisplay, 1, colours::kLedDisplay);
  DrawIdleDigit(painter, kEditTrackDisplay.left + 1, kEditTrackDisplay.top);
  painter.Legend("PROGRAM", (kEditProgramDown.x + kEditProgramName.right) / 2.0, legend);
  painter.DisplayWindow(kEditProgramNumber, 1, colours::kDisplay);
  painter.DisplayWindow(kEditProgramName, 1, colours::kDisplay);
  painter.Legend("LINK", kRowLinkCheck.x + kCheckWidth / 2.0, legend);
  painter.Legend("RESOLUTION", (kResolutionDropDown.left + kResolutionDropDown.right) / 2.0, legend);
  painter.DisplayWindow(kResolutionDropDown, 1, colours::kDisplay);
  DrawDropDownMark(painter, kResolutionDropDown);
  painter.Legend("VOICE MODE", (kVoiceModeDropDown.left + kVoiceModeDropDown.right) / 2.0, legend);
  painter.DisplayWindow(kVoiceModeDropDown, 1, colours::kDisplay);
  DrawDropDownMark(painter, kVoiceModeDropDown);
  painter.DisplayWindow(kStatusLine, 1, colours::kDisplay);
}

void KnobLegend(Painter& painter, int k, const char* text, double maxWidth = 46) {
  const Spot knob = VoiceKnob(k);
  const double baseline = knob.y < 420 ? kRow1Legend : kRow2Legend;
  DrawKnobWithScale(painter, knob);
  painter.Legend(text, CentreX(knob, kKnobSize), baseline, 8.0, maxWidth);
}

// Voice switch n of kVoiceSwitches: LED and key, with a text or waveform legend.
void SwitchLegend(Painter& painter, int n, const char* text) {
  const VoiceSwitch& entry = kVoiceSwitches[n];
  DrawKeyWells(painter, entry.button);
  const double baseline = entry.button.y < 420 ? kRow1Legend : kRow2Legend;
  const double cx = CentreX(entry.button, kButtonWidth);
  const std::string legend = text;
  if (legend == "saw" || legend == "triangle" || legend == "pulse" || legend == "square") {
    painter.WaveSymbol(legend, cx, baseline - 3.5, 13, 7, colours::kLegend);
  } else {
    painter.Legend(legend, cx, baseline, 8.0, 40);
  }
}

void EnvelopeLegends(Painter& painter, int firstK) {
  static const char* const kStages[4] = {"ATTACK", "DECAY", "SUSTAIN", "RELEASE"};
  for (int i = 0; i < 4; ++i) KnobLegend(painter, firstK + i, kStages[i], 44);
  const Spot first = VoiceKnob(firstK);
  const Spot last = VoiceKnob(firstK + 3);
  painter.Bracket(first.x - 4, last.x + kKnobSize + 4, kEnvelopeBracket, "ENVELOPE", false);
}

void DrawOscillator(Painter& painter) {
  DrawSection(painter, kOscillatorSection, "OSCILLATOR");
  KnobLegend(painter, 2, "GLIDE");
  SwitchLegend(painter, 0, "LFO");
  KnobLegend(painter, 0, "COARSE");
  KnobLegend(painter, 1, "FINE");
  SwitchLegend(painter, 1, "saw");
  SwitchLegend(painter, 2, "triangle");
  SwitchLegend(painter, 3, "pulse");
  // Pulse width: two lines, the row below has room under this knob.
  const Spot width = VoiceKnob(13);
  painter.KnobScale(width, kKnobSize, kKnobTickInner, kKnobTickOuter, kKnobTicks);
  painter.Legend("PULSE", CentreX(width, kKnobSize), kRow1Legend);
  painter.Legend("WIDTH", CentreX(width, kKnobSize), kRow1Legend + 9);
  KnobLegend(painter, 4, "ENV AMT");
  SwitchLegend(painter, 4, "INVERT");
  EnvelopeLegends(painter, 6);
  SwitchLegend(painter, 5, "PW LFO");
}

void DrawLfo(Painter& painter) {
  DrawSection(painter, kLfoSection, "LFO");
  KnobLegend(painter, 15, "RATE");
  KnobLegend(painter, 16, "AMOUNT");
  SwitchLegend(painter, 6, "triangle");
  SwitchLegend(painter, 7, "square");
  painter.Legend("SHAPE", CentreX(kVoiceSwitches[6].button, kButtonWidth), kEnvelopeBracket + 3, 7.5, 0,
                 colours::kLegendDim);
}

void DrawFilterAndMixer(Painter& painter) {
  DrawSection(painter, kFilterSection, "FILTER");
  // The mixer shares the frame: its own title bar over its one knob.
  cairo_t* cr = painter.Context();
  painter.FillRect(kMixerTitle.left + 1, kMixerTitle.top + 1, kMixerTitle.right - kMixerTitle.left,
                   kMixerTitle.bottom - kMixerTitle.top - 1, colours::kAccentDark);
  painter.Text("MIXER", (kMixerTitle.left + kMixerTitle.right) / 2.0, kMixerTitle.top + 8.5, 8.5, Align::kCentre,
               colours::kLegend);
  painter.SetColour(colours::kPanel);
  cairo_rectangle(cr, kMixerTitle.right, kMixerTitle.top, 1.5, kMixerTitle.bottom - kMixerTitle.top);
  cairo_fill(cr);
  KnobLegend(painter, 18, "OSC/NOISE");
  KnobLegend(painter, 19, "CUTOFF");
  KnobLegend(painter, 20, "RESONANCE");
  SwitchLegend(painter, 8, "LFO");
  KnobLegend(painter, 28, "KEY TRACK");
  KnobLegend(painter, 29, "OSC MOD");
  KnobLegend(painter, 21, "ENV AMT");
  SwitchLegend(painter, 9, "INVERT");
  EnvelopeLegends(painter, 23);
}

void DrawAmplifier(Painter& painter) {
  DrawSection(painter, kAmplifierSection, "AMPLIFIER");
  KnobLegend(painter, 30, "ATTACK");
  KnobLegend(painter, 31, "DECAY");
  KnobLegend(painter, 32, "SUSTAIN");
  KnobLegend(painter, 33, "RELEASE");
  KnobLegend(painter, 34, "VOLUME");
  KnobLegend(painter, 36, "VELOCITY");
  const Spot attack = VoiceKnob(30);
  const Spot decay = VoiceKnob(31);
  painter.Bracket(attack.x - 4, decay.x + kKnobSize + 4, kEnvelopeBracket, "ENVELOPE", false);
}

}  // namespace

void PaintTopBar(Painter& painter, bool motto) {
  cairo_t* cr = painter.Context();
  painter.FillRect(0, 0, kPanelWidth, 58, Rgb{0.045, 0.045, 0.05});
  // Accent pin-stripes under the bar, as on the hardware's name board.
  painter.FillRect(0, 56, kPanelWidth, 1.5, colours::kAccent);
  painter.FillRect(0, 58.5, kPanelWidth, 0.8, colours::kAccentDark);

  cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 26);
  cairo_move_to(cr, 28, 42);
  painter.SetColour(colours::kLegend);
  cairo_show_text(cr, "VORNELL");
  painter.Text("KESTRUNE MUSIC", 30, 52, 7.5, Align::kLeft, colours::kAccent);

  painter.Legend("PRESET", (kPresetPrev.x + kPresetName.right) / 2.0, 15.5, 7.5, 0, colours::kLegendDim);
  painter.DisplayWindow(kPresetNumber, 1, colours::kDisplay);
  painter.DisplayWindow(kPresetName, 1, colours::kDisplay);
  // The option menu button draws only its hover light: the face is printed here.
  painter.RoundedRectPath(kOptionMenu.left + 0.5, kOptionMenu.top + 0.5, kOptionMenu.right - kOptionMenu.left - 1,
                          kOptionMenu.bottom - kOptionMenu.top - 1, 3);
  painter.SetColour(Rgb{0.22, 0.22, 0.23});
  cairo_fill_preserve(cr);
  painter.SetColour(Rgb{0, 0, 0});
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  painter.Text("MENU", (kOptionMenu.left + kOptionMenu.right) / 2.0, kOptionMenu.top + 13.5, 8.0, Align::kCentre,
               colours::kLegend);
  painter.Legend("PAGE", (kConfigSwitch.x + kBrowserSwitch.x + kWideButtonWidth) / 2.0, 15.5, 7.5, 0,
                 colours::kLegendDim);
  painter.Legend("MIDI", kLearnButton.x + kWideButtonWidth / 2.0, 15.5, 7.5, 0, colours::kLegendDim);
  if (motto) painter.Text("MULTI-TRACK POLYPHONIC SYNTHESIZER", 990, 38, 9.0, Align::kRight, colours::kLegendDim);
}

void PaintParamChart(Painter& painter) {
  static const char* const kNames[37] = {
      "OSC COARSE",  "OSC FINE",    "GLIDE",       "LFO TO OSC",  "OSC ENV AMT", "OSC ENV INV", "OSC ENV ATT",
      "OSC ENV DEC", "OSC ENV SUS", "OSC ENV REL", "SAWTOOTH",    "TRIANGLE",    "PULSE",       "PULSE WIDTH",
      "LFO TO PW",   "LFO RATE",    "LFO AMOUNT",  "LFO SHAPE",   "OSC/NOISE",   "CUTOFF",      "RESONANCE",
      "FLT ENV AMT", "FLT ENV INV", "FLT ENV ATT", "FLT ENV DEC", "FLT ENV SUS", "FLT ENV REL", "LFO TO FILTER",
      "KEY TRACK",   "OSC MOD",     "AMP ATTACK",  "AMP DECAY",   "AMP SUSTAIN", "AMP RELEASE", "VOLUME",
      "VOICE MODE",  "VELOCITY"};
  painter.FillRect(0, 0, kPageWidth, kPageHeight, colours::kPanel);
  painter.Section(0, 0, kPageWidth, kPageHeight, "PARAMETER CHART");
  constexpr int kRows = 13;
  constexpr double kTop = 26.0;
  constexpr double kPitch = 14.8;
  const double columnWidth = (kPageWidth - 8.0) / 3.0;
  for (int k = 0; k < 37; ++k) {
    const int column = k / kRows;
    const int row = k % kRows;
    const double x = 6.0 + column * columnWidth;
    const double baseline = kTop + row * kPitch;
    if (row % 2 == 0) painter.FillRect(x - 2, baseline - 9.5, columnWidth - 4, kPitch - 1, Rgb{1, 1, 1, 0.035});
    char number[16];
    std::snprintf(number, sizeof number, "%02d", k);
    painter.Text(number, x, baseline, 8.0, Align::kLeft, colours::kAccent);
    painter.Text(kNames[k], x + 15, baseline, 7.5, Align::kLeft, colours::kLegend);
  }
  // How the chart is used, in the free rows under the last column.
  const double hintX = 6.0 + 2 * columnWidth + (columnWidth - 4) / 2.0;
  painter.Legend("PARAM, THEN TWO DIGITS", hintX, kTop + 11 * kPitch, 7.0, 0, colours::kLegendDim);
  painter.Legend("SELECTS A PARAMETER", hintX, kTop + 12 * kPitch, 7.0, 0, colours::kLegendDim);
  // Column rules.
  cairo_t* cr = painter.Context();
  painter.SetColour(Rgb{1, 1, 1, 0.12});
  cairo_set_line_width(cr, 1.0);
  for (int column = 1; column < 3; ++column) {
    const double x = 4.0 + column * columnWidth + 0.5;
    cairo_move_to(cr, x, 16);
    cairo_line_to(cr, x, kPageHeight - 6);
    cairo_stroke(cr);
  }
}

Surface PaintParamPicture() {
  Surface surface = MakeSurface(kPageWidth, kPageHeight);
  Painter painter(surface.get());
  PaintParamChart(painter);
  cairo_surface_flush(surface.get());
  return surface;
}

Surface PaintBackPicture() {
  Surface surface = MakeSurface(kPanelWidth, kPanelHeight);
  {
    Painter painter(surface.get());
    cairo_t* cr = painter.Context();
    PaintPanelSurface(cr, 0, 0, kPanelWidth, kPanelHeight, 7u);
    PaintTopBar(painter);
    DrawMultiTrackController(painter);
    DrawPageFrame(painter);
    cairo_save(cr);
    cairo_translate(cr, kPageOrigin.x, kPageOrigin.y);
    PaintParamChart(painter);
    cairo_restore(cr);
    DrawControlSection(painter);
    DrawSelectKeypad(painter);
    DrawMasterKnobs(painter);
    DrawEditTrackRow(painter);
    DrawOscillator(painter);
    DrawLfo(painter);
    DrawFilterAndMixer(painter);
    DrawAmplifier(painter);
    for (const Spot& screw : {Spot{28, 70}, Spot{28, 502}, Spot{998, 70}, Spot{998, 502}}) {
      PaintScrew(cr, screw.x, screw.y);
    }
    PaintWood(cr, 0, 0, kCheekWidth, kPanelHeight, 11u);
    PaintWood(cr, kPanelWidth - kCheekWidth, 0, kCheekWidth, kPanelHeight, 23u);
  }
  cairo_surface_flush(surface.get());
  return surface;
}

}  // namespace panel
