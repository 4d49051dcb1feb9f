#include "resources/panel/ControlArt.h"

#include <cmath>

namespace panel {

namespace {

constexpr double kPi = 3.14159265358979323846;

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void FillLinear(cairo_t* cr, double y0, double y1, const Rgb& top, const Rgb& bottom) {
  cairo_pattern_t* pattern = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(pattern, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(pattern, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, pattern);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
}

void ShowCentredText(cairo_t* cr, const std::string& text, double cx, double baseline, double size, const Rgb& colour) {
  cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_move_to(cr, std::round(cx - extents.x_advance / 2.0), baseline);
  cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
  cairo_show_text(cr, text.c_str());
}

}  // namespace

void PaintKnob(cairo_t* cr, int size, double value) {
  const double c = size / 2.0;
  const double skirt = size / 2.0 - 1.5;
  const double face = skirt * 0.70;
  const double angle = (kKnobStartDegrees + kKnobTravelDegrees * value) * kPi / 180.0;
  const double dx = std::sin(angle);
  const double dy = -std::cos(angle);

  // Soft shadow falling down and to the right; the light is fixed, only the knob turns.
  cairo_arc(cr, c + 0.6, c + 1.0, skirt + 0.6, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_fill(cr);

  // Skirt: black plastic with a rim catching the light from above.
  cairo_pattern_t* skirtPaint = cairo_pattern_create_linear(0, c - skirt, 0, c + skirt);
  cairo_pattern_add_color_stop_rgb(skirtPaint, 0, 0.30, 0.30, 0.31);
  cairo_pattern_add_color_stop_rgb(skirtPaint, 0.5, 0.09, 0.09, 0.10);
  cairo_pattern_add_color_stop_rgb(skirtPaint, 1, 0.03, 0.03, 0.03);
  cairo_arc(cr, c, c, skirt, 0, 2 * kPi);
  cairo_set_source(cr, skirtPaint);
  cairo_fill(cr);
  cairo_pattern_destroy(skirtPaint);

  // Knurled grip: ridges turn with the knob, so a turn shows all round it.
  const int ridges = size >= 26 ? 28 : 20;
  cairo_set_line_width(cr, size >= 26 ? 0.9 : 0.7);
  for (int i = 0; i < ridges; ++i) {
    const double a = angle + 2 * kPi * i / ridges;
    const double shade = 0.5 + 0.5 * -std::cos(a);  // lighter where the ridge faces up
    cairo_set_source_rgba(cr, 0.45, 0.45, 0.47, 0.20 + 0.35 * shade);
    cairo_move_to(cr, c + std::sin(a) * (face + 0.8), c - std::cos(a) * (face + 0.8));
    cairo_line_to(cr, c + std::sin(a) * (skirt - 0.6), c - std::cos(a) * (skirt - 0.6));
    cairo_stroke(cr);
  }

  // Top face: a shallow dish lit from the upper left.
  cairo_arc(cr, c, c, face + 0.7, 0, 2 * kPi);
  cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
  cairo_fill(cr);
  cairo_pattern_t* facePaint = cairo_pattern_create_linear(c - face, c - face, c + face, c + face);
  cairo_pattern_add_color_stop_rgb(facePaint, 0, 0.30, 0.30, 0.32);
  cairo_pattern_add_color_stop_rgb(facePaint, 1, 0.07, 0.07, 0.08);
  cairo_arc(cr, c, c, face, 0, 2 * kPi);
  cairo_set_source(cr, facePaint);
  cairo_fill(cr);
  cairo_pattern_destroy(facePaint);
  cairo_pattern_t* gloss =
      cairo_pattern_create_radial(c - face * 0.35, c - face * 0.45, 0, c - face * 0.35, c - face * 0.45, face * 0.9);
  cairo_pattern_add_color_stop_rgba(gloss, 0, 1, 1, 1, 0.22);
  cairo_pattern_add_color_stop_rgba(gloss, 1, 1, 1, 1, 0.0);
  cairo_arc(cr, c, c, face, 0, 2 * kPi);
  cairo_set_source(cr, gloss);
  cairo_fill(cr);
  cairo_pattern_destroy(gloss);

  // Pointer: a white line inlaid from near the centre out over the skirt's edge.
  const double inner = face * 0.30;
  const double outer = skirt - 0.4;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 3.4);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_move_to(cr, c + dx * inner, c + dy * inner);
  cairo_line_to(cr, c + dx * outer, c + dy * outer);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 2.0);
  cairo_set_source_rgb(cr, 0.98, 0.98, 0.96);
  cairo_move_to(cr, c + dx * inner, c + dy * inner);
  cairo_line_to(cr, c + dx * outer, c + dy * outer);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void PaintButton(cairo_t* cr, int width, int height, bool pressed, CapColour colour) {
  // Well: the dark opening in the panel the key sits in.
  RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, 2.5);
  cairo_set_source_rgb(cr, 0.015, 0.015, 0.015);
  cairo_fill(cr);

  const bool red = colour == CapColour::kRed;
  const Rgb light = red ? Rgb{0.92, 0.22, 0.14} : Rgb{0.86, 0.85, 0.80};
  const Rgb dark = red ? Rgb{0.52, 0.06, 0.04} : Rgb{0.50, 0.49, 0.46};
  const double drop = pressed ? 1.0 : 0.0;
  const double dim = pressed ? 0.80 : 1.0;
  const double x = 2.0;
  const double y = 1.5 + drop;
  const double w = width - 4.0;
  const double h = height - 5.0;

  // Side of the key, visible below the cap while it is up.
  if (!pressed) {
    RoundedRect(cr, x, y + 1.5, w, h, 2);
    cairo_set_source_rgb(cr, dark.r * 0.6, dark.g * 0.6, dark.b * 0.6);
    cairo_fill(cr);
  }
  RoundedRect(cr, x, y, w, h, 2);
  FillLinear(cr, y, y + h, Rgb{light.r * dim, light.g * dim, light.b * dim},
             Rgb{dark.r * dim, dark.g * dim, dark.b * dim});
  // Concave top face.
  RoundedRect(cr, x + 2, y + 2, w - 4, h - 4.5, 1.5);
  FillLinear(cr, y + 2, y + h - 2.5, Rgb{dark.r * dim, dark.g * dim, dark.b * dim, 0.55},
             Rgb{light.r * dim, light.g * dim, light.b * dim, 0.55});
  // Crisp highlight along the top edge of the cap.
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 1, 1, 1, pressed ? 0.18 : 0.40);
  cairo_move_to(cr, x + 2, y + 0.5);
  cairo_line_to(cr, x + w - 2, y + 0.5);
  cairo_stroke(cr);
}

void PaintWideButton(cairo_t* cr, int width, int height, const std::string& label, bool on, const Rgb& lamp) {
  RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, 3);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_fill(cr);
  RoundedRect(cr, 1.5, 1.5, width - 3, height - 3, 2.5);
  if (on) {
    FillLinear(cr, 1.5, height - 1.5, Rgb{0.20, 0.20, 0.21}, Rgb{0.12, 0.12, 0.13});
  } else {
    FillLinear(cr, 1.5, height - 1.5, Rgb{0.33, 0.33, 0.34}, Rgb{0.16, 0.16, 0.17});
  }
  // Lamp strip along the bottom: lit while the switch is on.
  RoundedRect(cr, 5, height - 6.0, width - 10, 2.5, 1.2);
  if (on) {
    cairo_set_source_rgb(cr, lamp.r, lamp.g, lamp.b);
  } else {
    cairo_set_source_rgb(cr, lamp.r * 0.25, lamp.g * 0.25, lamp.b * 0.25);
  }
  cairo_fill(cr);
  const Rgb text = on ? Rgb{std::fmin(1.0, lamp.r + 0.25), std::fmin(1.0, lamp.g + 0.25), std::fmin(1.0, lamp.b + 0.25)}
                      : Rgb{0.90, 0.90, 0.88};
  ShowCentredText(cr, label, width / 2.0, height / 2.0 + 1.5 + (on ? 0.5 : 0.0), 8.0, text);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 1, 1, 1, on ? 0.10 : 0.28);
  cairo_move_to(cr, 4, 2.0);
  cairo_line_to(cr, width - 4, 2.0);
  cairo_stroke(cr);
}

void PaintArrowButton(cairo_t* cr, int size, bool pointsRight, bool pressed) {
  RoundedRect(cr, 0.5, 0.5, size - 1, size - 1, 3);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_fill(cr);
  RoundedRect(cr, 1.5, 1.5, size - 3, size - 3, 2.5);
  if (pressed) {
    FillLinear(cr, 1.5, size - 1.5, Rgb{0.12, 0.12, 0.13}, Rgb{0.22, 0.22, 0.23});
  } else {
    FillLinear(cr, 1.5, size - 1.5, Rgb{0.36, 0.36, 0.37}, Rgb{0.15, 0.15, 0.16});
  }
  const double c = size / 2.0 + (pressed ? 0.5 : 0.0);
  const double half = size * 0.2;
  const double tip = pointsRight ? c + half : c - half;
  const double back = pointsRight ? c - half * 0.8 : c + half * 0.8;
  cairo_move_to(cr, tip, c);
  cairo_line_to(cr, back, c - half);
  cairo_line_to(cr, back, c + half);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, pressed ? 0.75 : 0.95, pressed ? 0.75 : 0.95, pressed ? 0.72 : 0.92);
  cairo_fill(cr);
}

void PaintLed(cairo_t* cr, int size, bool lit) {
  const double c = size / 2.0;
  const double r = size / 2.0 - 0.5;
  // Bezel ring.
  cairo_arc(cr, c, c, r, 0, 2 * kPi);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_fill(cr);
  cairo_pattern_t* lens = cairo_pattern_create_radial(c - r * 0.2, c - r * 0.25, 0, c, c, r - 1.0);
  if (lit) {
    cairo_pattern_add_color_stop_rgb(lens, 0, 1.0, 0.78, 0.62);
    cairo_pattern_add_color_stop_rgb(lens, 0.45, 1.0, 0.20, 0.08);
    cairo_pattern_add_color_stop_rgb(lens, 1, 0.72, 0.04, 0.02);
  } else {
    cairo_pattern_add_color_stop_rgb(lens, 0, 0.36, 0.08, 0.07);
    cairo_pattern_add_color_stop_rgb(lens, 1, 0.14, 0.02, 0.02);
  }
  cairo_arc(cr, c, c, r - 1.0, 0, 2 * kPi);
  cairo_set_source(cr, lens);
  cairo_fill(cr);
  cairo_pattern_destroy(lens);
  // Specular dot.
  cairo_arc(cr, c - r * 0.3, c - r * 0.35, r * 0.22, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.75 : 0.25);
  cairo_fill(cr);
}

void PaintSegmentDigit(cairo_t* cr, int width, int height, int digit) {
  // Segments a..g as bits 0..6: a top, b upper right, c lower right, d bottom,
  // e lower left, f upper left, g middle.
  static const int kSegments[16] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                    0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
  const int lit = digit >= 0 && digit < 16 ? kSegments[digit] : 0;
  cairo_rectangle(cr, 0, -1, width, height + 1);
  cairo_set_source_rgb(cr, colours::kLedDisplay.r, colours::kLedDisplay.g, colours::kLedDisplay.b);
  cairo_fill(cr);

  // Pixel-aligned bars, two pixels thick, so the small glyph stays crisp. The
  // glyph keeps to rows 1 .. height - 2 and columns 1 .. width - 2: a blitter
  // that starts a frame one row early or late still shows it whole.
  const double left = 1.0;           // left verticals: columns 1-2
  const double right = width - 3.0;  // right verticals
  const double inner = left + 2.0;   // horizontals run between them
  const double innerWidth = right - inner;
  const double top = 1.0;                                  // rows 1-2
  const double bottom = height - 3.0;                      // rows 13-14 of 16
  const double middle = std::floor((top + bottom) / 2.0);  // rows 7-8
  const double upper = top + 2.0;
  const double upperHeight = middle - upper;
  const double lower = middle + 2.0;
  const double lowerHeight = bottom - lower;
  const double bars[7][4] = {{inner, top, innerWidth, 2},    {right, upper, 2, upperHeight},
                             {right, lower, 2, lowerHeight}, {inner, bottom, innerWidth, 2},
                             {left, lower, 2, lowerHeight},  {left, upper, 2, upperHeight},
                             {inner, middle, innerWidth, 2}};
  for (int segment = 0; segment < 7; ++segment) {
    cairo_rectangle(cr, bars[segment][0], bars[segment][1], bars[segment][2], bars[segment][3]);
    if (lit & (1 << segment)) {
      cairo_set_source_rgb(cr, 1.0, 0.16, 0.08);
    } else {
      cairo_set_source_rgb(cr, 0.17, 0.03, 0.025);
    }
    cairo_fill(cr);
  }
  // Lit bars bleed a little light into the corners where they meet.
  for (int segment = 0; segment < 7; ++segment) {
    if (!(lit & (1 << segment))) continue;
    cairo_rectangle(cr, bars[segment][0] - 0.5, bars[segment][1] - 0.5, bars[segment][2] + 1, bars[segment][3] + 1);
    cairo_set_source_rgba(cr, 1.0, 0.16, 0.08, 0.25);
    cairo_fill(cr);
  }
}

void PaintCheckBox(cairo_t* cr, int width, int height, bool checked) {
  const double size = width - 3.0;
  const double x = 1.5;
  const double y = (height - size) / 2.0;
  RoundedRect(cr, x, y, size, size, 1.5);
  cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgb(cr, 0.75, 0.75, 0.72);
  cairo_stroke(cr);
  if (!checked) return;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, 2.0);
  cairo_move_to(cr, x + size * 0.22, y + size * 0.52);
  cairo_line_to(cr, x + size * 0.43, y + size * 0.75);
  cairo_line_to(cr, x + size * 0.80, y + size * 0.25);
  cairo_set_source_rgb(cr, colours::kAccent.r + 0.05, colours::kAccent.g + 0.2, colours::kAccent.b + 0.1);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void PaintModeBox(cairo_t* cr, int width, int height, int mode) {
  static const char* const kLetters[3] = {"M", "P", "L"};
  static const Rgb kColours[3] = {{1.0, 0.72, 0.25}, {0.45, 0.95, 0.45}, {0.45, 0.80, 1.0}};
  const double size = width - 3.0;
  const double x = 1.5;
  const double y = (height - size) / 2.0;
  const Rgb& colour = kColours[mode % 3];
  RoundedRect(cr, x, y, size, size, 1.5);
  cairo_set_source_rgb(cr, colour.r * 0.18, colour.g * 0.18, colour.b * 0.18);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgb(cr, colour.r * 0.8, colour.g * 0.8, colour.b * 0.8);
  cairo_stroke(cr);
  ShowCentredText(cr, kLetters[mode % 3], width / 2.0, y + size - 3.0, 9.0, colour);
}

}  // namespace panel
