// The configuration overlay (config.png) and the program browser page
// (browser.png), with legends and windows where their controls sit.
#include <string>

#include "resources/panel/ControlArt.h"
#include "resources/panel/Pictures.h"

namespace panel {

namespace {

// Configuration controls are placed in editor pixels; the overlay starts at kPageOrigin.
Box ToPage(const Box& box) {
  return {box.left - kPageOrigin.x, box.top - kPageOrigin.y, box.right - kPageOrigin.x, box.bottom - kPageOrigin.y};
}
Spot ToPage(const Spot& spot) {
  return {spot.x - kPageOrigin.x, spot.y - kPageOrigin.y};
}

void DrawConfigHeader(Painter& painter) {
  const Box templates = ToPage(kTemplateDropDown);
  painter.Text("TEMPLATE", templates.left - 6, templates.bottom - 4.5, 8.0, Align::kRight, colours::kLegend);
  painter.DisplayWindow(templates, 1, colours::kDisplay);
  const Spot reset = ToPage(kResetButton);
  painter.ButtonWell(reset, kButtonWidth, kButtonHeight);
  painter.Text("RESET", reset.x + kButtonWidth + 4, reset.y + 15, 8.0, Align::kLeft, colours::kLegend);
  const Spot link = ToPage(kConfigLinkCheck);
  painter.Text("LINK PROGRAMS", link.x + kCheckWidth + 3, link.y + 11.5, 8.0, Align::kLeft, colours::kLegend);
  // TUN/TRP: a small framed key; the control writes which row it shows.
  // The key is drawn wider than the control's box: its 12-pixel text, centred
  // on the box, is wider than the box itself.
  const Box toggle = ToPage(kTuneTransposeToggle);
  const double centre = (toggle.left + toggle.right) / 2.0;
  painter.RoundedRectPath(centre - 13.5, toggle.top - 2.5, 27, toggle.bottom - toggle.top + 5, 2);
  painter.SetColour(Rgb{0.20, 0.20, 0.21});
  cairo_fill_preserve(painter.Context());
  painter.SetColour(colours::kLine);
  cairo_set_line_width(painter.Context(), 1.0);
  cairo_stroke(painter.Context());
}

void DrawConfigColumns(Painter& painter) {
  const double headings = ToPage(ChannelBox(0)).top - 6.5;
  const Box channel = ToPage(ChannelBox(0));
  const Spot mode = ToPage(ModeBox(0));
  const Spot cycle = ToPage(CycleCheck(0));
  painter.Legend("CH", (channel.left + channel.right) / 2.0, headings, 7.0);
  painter.Legend("MODE", mode.x + kCheckWidth / 2.0, headings, 7.0, 20);
  painter.Legend("CYC", cycle.x + kCheckWidth / 2.0 + 1, headings, 7.0, 16);
  painter.Legend("VOL", ToPage(VolumeKnob(0)).x + kSmallKnobSize / 2.0, headings, 7.0);
  painter.Legend("PAN", ToPage(PanKnob(0)).x + kSmallKnobSize / 2.0, headings, 7.0);
}

void DrawConfigRow(Painter& painter, int t) {
  const Box channel = ToPage(ChannelBox(t));
  const Box number = ToPage(ProgramNumberBox(t));
  const Box name = ToPage(ProgramNameBox(t));
  const double rowTop = ConfigRowTop(t) - kPageOrigin.y;
  if (t % 2 == 0) painter.FillRect(3, rowTop, kPageWidth - 6, 24, Rgb{1, 1, 1, 0.035});
  painter.Text(std::to_string(t + 1), 11, rowTop + 14.5, 9.5, Align::kCentre, colours::kAccent);
  painter.DisplayWindow(channel, 0, colours::kDisplay);
  painter.DisplayWindow({number.left, number.top, name.right, name.bottom}, 0, colours::kDisplay);
  cairo_t* cr = painter.Context();
  painter.SetColour(Rgb{1, 1, 1, 0.15});
  cairo_set_line_width(cr, 1.0);
  cairo_move_to(cr, number.right - 0.5, number.top + 2);
  cairo_line_to(cr, number.right - 0.5, number.bottom - 2);
  cairo_stroke(cr);
}

void DrawListWindow(Painter& painter, const Box& box) {
  painter.DisplayWindow(box, 3, colours::kDisplay);
}

void DrawRowStripes(Painter& painter, int left, int right) {
  for (int i = 0; i < kBrowserRows; ++i) {
    const Box row = BrowserLeftRow(i);
    const Rgb stripe = i % 2 == 0 ? Rgb{1, 1, 1, 0.04} : Rgb{1, 1, 1, 0.015};
    painter.FillRect(left, row.top, right - left, row.bottom - row.top, stripe);
  }
}

void DrawScrollBar(Painter& painter, const Box& bar) {
  cairo_t* cr = painter.Context();
  const double w = bar.right - bar.left;
  painter.FillRect(bar.left, bar.top, w, bar.bottom - bar.top, Rgb{0.10, 0.10, 0.11});
  painter.FillRect(bar.left + w / 2.0 - 0.5, bar.top + 16, 1, bar.bottom - bar.top - 32, Rgb{1, 1, 1, 0.12});
  for (int end = 0; end < 2; ++end) {
    const double top = end == 0 ? bar.top : bar.bottom - 14;
    painter.FillRect(bar.left, top, w, 14, Rgb{0.24, 0.24, 0.25});
    const double cx = bar.left + w / 2.0;
    const double cy = top + 7;
    const double d = end == 0 ? -1.0 : 1.0;
    cairo_move_to(cr, cx, cy + 3 * d);
    cairo_line_to(cr, cx - 4, cy - 2 * d);
    cairo_line_to(cr, cx + 4, cy - 2 * d);
    cairo_close_path(cr);
    painter.SetColour(colours::kLegend);
    cairo_fill(cr);
  }
}

void DrawBrowserControls(Painter& painter) {
  const double legend = 121;
  auto keyCentre = [](const Spot& spot) { return spot.x + kButtonWidth / 2.0; };
  painter.ButtonWell(kBrowserInternalButton, kButtonWidth, kButtonHeight);
  painter.ButtonWell(kBrowserFileButton, kButtonWidth, kButtonHeight);
  painter.Legend("INTERNAL", keyCentre(kBrowserInternalButton), legend, 8.0, 42);
  painter.Legend("FILE", keyCentre(kBrowserFileButton), legend);
  painter.DisplayWindow(kBrowserFileName, 1, colours::kDisplay);
  painter.Legend("FILE NAME", (kBrowserFileName.left + kBrowserFileName.right) / 2.0, legend);

  painter.DisplayWindow(kBrowserEditTrack, 1, colours::kLedDisplay);
  cairo_t* cr = painter.Context();
  cairo_save(cr);
  cairo_translate(cr, kBrowserEditTrack.left + 1, kBrowserEditTrack.top);
  cairo_rectangle(cr, 0, 0, kDigitWidth, kDigitHeight);
  cairo_clip(cr);
  PaintSegmentDigit(cr, kDigitWidth, kDigitHeight, -1);
  cairo_restore(cr);
  painter.Legend("EDIT TRACK", (kBrowserEditTrackDown.x + kBrowserEditTrackUp.x + kArrowButtonSize) / 2.0, legend);
  painter.DisplayWindow(kBrowserProgramNumber, 1, colours::kDisplay);
  painter.DisplayWindow(kBrowserProgramName, 1, colours::kDisplay);
  painter.Legend("PROGRAM", (kBrowserProgramDown.x + kBrowserProgramName.right) / 2.0, legend);
  painter.Legend("LINK", kBrowserLinkCheck.x + kCheckWidth / 2.0, legend);

  painter.ButtonWell(kBrowserRecord, kButtonWidth, kButtonHeight);
  painter.ButtonWell(kBrowserRecordAll, kButtonWidth, kButtonHeight);
  painter.Legend("RECORD", keyCentre(kBrowserRecord), legend);
  painter.Legend("RECORD ALL", keyCentre(kBrowserRecordAll), legend);
  painter.ButtonWell(kBrowserSingle, kButtonWidth, kButtonHeight);
  painter.ButtonWell(kBrowserBank, kButtonWidth, kButtonHeight);
  painter.Legend("SINGLE", keyCentre(kBrowserSingle), legend);
  painter.Legend("BANK", keyCentre(kBrowserBank), legend);
  painter.Bracket(kBrowserSingle.x - 2, kBrowserBank.x + kButtonWidth + 2, 82, "SAVE SYSEX", false);
  painter.Bracket(kBrowserInternalButton.x - 2, kBrowserFileName.right, 131, "SOURCE", true);
}

void DrawBrowserLists(Painter& painter) {
  const Box left{BrowserLeftRow(0).left, BrowserLeftRow(0).top, kBrowserLeftScroll.right,
                 BrowserLeftRow(kBrowserRows - 1).bottom};
  const Box right{BrowserRightRow(0, 0).left, BrowserRightRow(0, 0).top, kBrowserRightScroll.right,
                  BrowserRightRow(2, kBrowserRows - 1).bottom};
  DrawListWindow(painter, left);
  DrawListWindow(painter, right);
  DrawRowStripes(painter, left.left, kBrowserLeftScroll.left - 2);
  DrawRowStripes(painter, right.left, kBrowserRightScroll.left - 2);
  // Column rules between the three program columns.
  cairo_t* cr = painter.Context();
  painter.SetColour(Rgb{1, 1, 1, 0.14});
  cairo_set_line_width(cr, 1.0);
  for (int column = 1; column < 3; ++column) {
    const double x = BrowserRightRow(column, 0).left - 3.5;
    cairo_move_to(cr, x, right.top);
    cairo_line_to(cr, x, right.bottom);
    cairo_stroke(cr);
  }
  DrawScrollBar(painter, kBrowserLeftScroll);
  DrawScrollBar(painter, kBrowserRightScroll);
  painter.Text("PRESETS", left.left, left.top - 6, 8.5, Align::kLeft, colours::kLegend);
  painter.Text("PROGRAMS", right.left, right.top - 6, 8.5, Align::kLeft, colours::kLegend);
  painter.Text("T1 - T6: THE PRESET'S TRACK PROGRAMS, THEN ITS LIBRARY", right.right, right.top - 6, 7.0, Align::kRight,
               colours::kLegendDim);
}

}  // namespace

Surface PaintConfigPicture() {
  Surface surface = MakeSurface(kPageWidth, kPageHeight);
  {
    Painter painter(surface.get());
    painter.FillRect(0, 0, kPageWidth, kPageHeight, colours::kPanel);
    painter.Section(0, 0, kPageWidth, kPageHeight, "TRACK CONFIGURATION");
    DrawConfigHeader(painter);
    DrawConfigColumns(painter);
    for (int t = 0; t < 6; ++t) DrawConfigRow(painter, t);
  }
  cairo_surface_flush(surface.get());
  return surface;
}

Surface PaintBrowserPicture() {
  Surface surface = MakeSurface(kPanelWidth, kPanelHeight);
  {
    Painter painter(surface.get());
    cairo_t* cr = painter.Context();
    PaintPanelSurface(cr, 0, 0, kPanelWidth, kPanelHeight, 31u);
    PaintTopBar(painter, false);
    painter.DisplayWindow(kBrowserStatusLine, 1, colours::kDisplay);
    painter.Section(40, 62, 984, 500, "PROGRAM BROWSER");
    DrawBrowserControls(painter);
    DrawBrowserLists(painter);
    PaintWood(cr, 0, 0, 14, kPanelHeight, 11u);
    PaintWood(cr, kPanelWidth - 14, 0, 14, kPanelHeight, 23u);
  }
  cairo_surface_flush(surface.get());
  return surface;
}

}  // namespace panel
