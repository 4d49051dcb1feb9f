#include "resources/panel/Painter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace panel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kFace = "Liberation Sans";

// Small deterministic generator so the pictures come out the same on every build.
struct Random {
  uint32_t state;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;
  }
};

}  // namespace

int gPictureScale = 1;

void SetPictureScale(int pixelsPerUnit) {
  gPictureScale = pixelsPerUnit > 0 ? pixelsPerUnit : 1;
}

int PictureScale() {
  return gPictureScale;
}

Surface MakeSurface(int width, int height) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * gPictureScale, height * gPictureScale));
  cairo_surface_set_device_scale(surface.get(), gPictureScale, gPictureScale);
  return surface;
}

Painter::Painter(cairo_surface_t* surface) : cr_(cairo_create(surface)) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
}

Painter::~Painter() {
  cairo_destroy(cr_);
}

void Painter::SetColour(const Rgb& colour) {
  cairo_set_source_rgba(cr_, colour.r, colour.g, colour.b, colour.a);
}

void Painter::FillRect(double x, double y, double w, double h, const Rgb& colour) {
  SetColour(colour);
  cairo_rectangle(cr_, x, y, w, h);
  cairo_fill(cr_);
}

void Painter::RoundedRectPath(double x, double y, double w, double h, double radius) {
  radius = std::min(radius, std::min(w, h) / 2.0);
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, x + w - radius, y + radius, radius, -kPi / 2, 0);
  cairo_arc(cr_, x + w - radius, y + h - radius, radius, 0, kPi / 2);
  cairo_arc(cr_, x + radius, y + h - radius, radius, kPi / 2, kPi);
  cairo_arc(cr_, x + radius, y + radius, radius, kPi, 3 * kPi / 2);
  cairo_close_path(cr_);
}

double Painter::TextWidth(const std::string& text, double size, bool bold) {
  cairo_select_font_face(cr_, kFace, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr_, text.c_str(), &extents);
  return extents.x_advance;
}

double Painter::Text(const std::string& text, double x, double baseline, double size, Align align, const Rgb& colour,
                     bool bold) {
  const double width = TextWidth(text, size, bold);
  double left = x;
  if (align == Align::kCentre) left = x - width / 2.0;
  if (align == Align::kRight) left = x - width;
  // Whole-pixel origins keep small glyphs crisp.
  cairo_move_to(cr_, std::round(left), std::round(baseline));
  SetColour(colour);
  cairo_show_text(cr_, text.c_str());
  return width;
}

void Painter::Legend(const std::string& text, double cx, double baseline, double size, double maxWidth,
                     const Rgb& colour) {
  if (maxWidth > 0.0) {
    while (size > 6.0 && TextWidth(text, size) > maxWidth) size -= 0.25;
  }
  Text(text, cx, baseline, size, Align::kCentre, colour);
}

void Painter::DisplayWindow(const Box& box, int margin, const Rgb& fill) {
  const double x = box.left - margin;
  const double y = box.top - margin;
  const double w = box.right - box.left + 2 * margin;
  const double h = box.bottom - box.top + 2 * margin;
  // Bezel: dark above-left, light below-right, so the window reads as sunk in.
  RoundedRectPath(x - 1.5, y - 1.5, w + 3, h + 3, 3);
  cairo_pattern_t* bezel = cairo_pattern_create_linear(0, y - 1.5, 0, y + h + 1.5);
  cairo_pattern_add_color_stop_rgb(bezel, 0, 0.0, 0.0, 0.0);
  cairo_pattern_add_color_stop_rgb(bezel, 1, 0.32, 0.32, 0.33);
  cairo_set_source(cr_, bezel);
  cairo_fill(cr_);
  cairo_pattern_destroy(bezel);
  RoundedRectPath(x, y, w, h, 2);
  SetColour(fill);
  cairo_fill(cr_);
  // A faint glass sheen on the top half.
  cairo_pattern_t* sheen = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgba(sheen, 0, 1, 1, 1, 0.07);
  cairo_pattern_add_color_stop_rgba(sheen, 0.5, 1, 1, 1, 0.0);
  RoundedRectPath(x, y, w, h, 2);
  cairo_set_source(cr_, sheen);
  cairo_fill(cr_);
  cairo_pattern_destroy(sheen);
}

void Painter::Section(double x0, double y0, double x1, double y1, const std::string& title) {
  cairo_set_line_width(cr_, 1.0);
  SetColour(colours::kLine);
  RoundedRectPath(x0 + 0.5, y0 + 0.5, x1 - x0 - 1, y1 - y0 - 1, 3);
  cairo_stroke(cr_);
  if (title.empty()) return;
  // Accent bar with the title in dark letters, as printed on the panel.
  const double barHeight = 11;
  cairo_save(cr_);
  RoundedRectPath(x0, y0, x1 - x0, y1 - y0, 3);
  cairo_clip(cr_);
  cairo_pattern_t* bar = cairo_pattern_create_linear(0, y0, 0, y0 + barHeight);
  cairo_pattern_add_color_stop_rgb(bar, 0, colours::kAccent.r, colours::kAccent.g, colours::kAccent.b);
  cairo_pattern_add_color_stop_rgb(bar, 1, colours::kAccent.r * 0.85, colours::kAccent.g * 0.85,
                                   colours::kAccent.b * 0.85);
  cairo_rectangle(cr_, x0, y0, x1 - x0, barHeight);
  cairo_set_source(cr_, bar);
  cairo_fill(cr_);
  cairo_pattern_destroy(bar);
  cairo_restore(cr_);
  Text(title, (x0 + x1) / 2.0, y0 + 8.5, 8.5, Align::kCentre, Rgb{0.05, 0.03, 0.02});
}

void Painter::Bracket(double x0, double x1, double y, const std::string& label, bool labelBelow) {
  const double tick = labelBelow ? -3.0 : 3.0;
  const double width = TextWidth(label, 7.0);
  const double mid = (x0 + x1) / 2.0;
  const double gap = label.empty() ? 0.0 : width / 2.0 + 4.0;
  SetColour(colours::kLine);
  cairo_set_line_width(cr_, 1.0);
  cairo_move_to(cr_, x0 + 0.5, y + tick + 0.5);
  cairo_line_to(cr_, x0 + 0.5, y + 0.5);
  cairo_line_to(cr_, mid - gap, y + 0.5);
  cairo_move_to(cr_, mid + gap, y + 0.5);
  cairo_line_to(cr_, x1 - 0.5, y + 0.5);
  cairo_line_to(cr_, x1 - 0.5, y + tick + 0.5);
  cairo_stroke(cr_);
  if (!label.empty()) Text(label, mid, y + 3.0, 7.0, Align::kCentre, colours::kLegendDim);
}

void Painter::KnobScale(const Spot& spot, int knobSize, double innerRadius, double outerRadius, int ticks) {
  const double cx = spot.x + knobSize / 2.0;
  const double cy = spot.y + knobSize / 2.0;
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i < ticks; ++i) {
    // Same travel as the knob strips: 7 o'clock to 5 o'clock through 12.
    const double angle = (-135.0 + 270.0 * i / (ticks - 1)) * kPi / 180.0;
    const bool major = i == 0 || i == ticks - 1 || i == (ticks - 1) / 2;
    const double r0 = major ? innerRadius - 0.5 : innerRadius + 0.5;
    const double dx = std::sin(angle);
    const double dy = -std::cos(angle);
    cairo_set_line_width(cr_, major ? 1.3 : 0.9);
    SetColour(major ? colours::kLegend : colours::kLegendDim);
    cairo_move_to(cr_, cx + dx * r0, cy + dy * r0);
    cairo_line_to(cr_, cx + dx * outerRadius, cy + dy * outerRadius);
    cairo_stroke(cr_);
  }
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
}

void Painter::ButtonWell(const Spot& spot, int width, int height) {
  RoundedRectPath(spot.x - 1.5, spot.y - 1.5, width + 3, height + 3, 2.5);
  SetColour(Rgb{0.0, 0.0, 0.0, 0.85});
  cairo_fill(cr_);
}

void Painter::WaveSymbol(const std::string& shape, double cx, double cy, double w, double h, const Rgb& colour) {
  const double x0 = cx - w / 2.0;
  const double x1 = cx + w / 2.0;
  const double top = cy - h / 2.0;
  const double bottom = cy + h / 2.0;
  cairo_new_path(cr_);
  if (shape == "saw") {
    cairo_move_to(cr_, x0, bottom);
    cairo_line_to(cr_, cx, top);
    cairo_line_to(cr_, cx, bottom);
    cairo_line_to(cr_, x1, top);
    cairo_line_to(cr_, x1, bottom);
  } else if (shape == "triangle") {
    cairo_move_to(cr_, x0, bottom);
    cairo_line_to(cr_, x0 + w / 4.0, top);
    cairo_line_to(cr_, x0 + 3.0 * w / 4.0, bottom);
    cairo_line_to(cr_, x1, top);
  } else if (shape == "pulse") {
    cairo_move_to(cr_, x0, bottom);
    cairo_line_to(cr_, x0, top);
    cairo_line_to(cr_, x0 + w * 0.3, top);
    cairo_line_to(cr_, x0 + w * 0.3, bottom);
    cairo_line_to(cr_, x1 - w * 0.2, bottom);
    cairo_line_to(cr_, x1 - w * 0.2, top);
    cairo_line_to(cr_, x1, top);
  } else if (shape == "square") {
    cairo_move_to(cr_, x0, bottom);
    cairo_line_to(cr_, x0, top);
    cairo_line_to(cr_, cx, top);
    cairo_line_to(cr_, cx, bottom);
    cairo_line_to(cr_, x1, bottom);
    cairo_line_to(cr_, x1, top);
  }
  cairo_set_line_width(cr_, 1.2);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  SetColour(colour);
  cairo_stroke(cr_);
}

void PaintWood(cairo_t* cr, double x, double y, double w, double h, unsigned seed) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  cairo_pattern_t* base = cairo_pattern_create_linear(x, 0, x + w, 0);
  cairo_pattern_add_color_stop_rgb(base, 0.0, 0.20, 0.10, 0.05);
  cairo_pattern_add_color_stop_rgb(base, 0.45, 0.36, 0.19, 0.09);
  cairo_pattern_add_color_stop_rgb(base, 1.0, 0.24, 0.12, 0.06);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, base);
  cairo_fill(cr);
  cairo_pattern_destroy(base);
  // Grain: long wavy streaks running the height of the cheek.
  Random random{seed};
  cairo_set_line_width(cr, 0.8);
  for (int streak = 0; streak < 14; ++streak) {
    const double x0 = x + random.Next() * w;
    const double phase = random.Next() * 6.28;
    const double amplitude = 0.4 + random.Next() * 1.4;
    const double dark = random.Next();
    cairo_set_source_rgba(cr, 0.08 + 0.1 * dark, 0.03 + 0.05 * dark, 0.01, 0.35 + 0.3 * random.Next());
    cairo_move_to(cr, x0, y);
    for (double yy = y; yy <= y + h; yy += 4.0) {
      cairo_line_to(cr, x0 + amplitude * std::sin(phase + yy / (23.0 + 9.0 * dark)), yy);
    }
    cairo_stroke(cr);
  }
  // A lacquer highlight down the rounded front edge.
  cairo_pattern_t* gloss = cairo_pattern_create_linear(x, 0, x + w, 0);
  cairo_pattern_add_color_stop_rgba(gloss, 0.0, 0, 0, 0, 0.35);
  cairo_pattern_add_color_stop_rgba(gloss, 0.35, 1, 0.9, 0.8, 0.10);
  cairo_pattern_add_color_stop_rgba(gloss, 1.0, 0, 0, 0, 0.45);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, gloss);
  cairo_fill(cr);
  cairo_pattern_destroy(gloss);
  cairo_restore(cr);
}

void PaintScrew(cairo_t* cr, double x, double y) {
  constexpr double kRadius = 4.0;
  cairo_arc(cr, x, y, kRadius + 0.8, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_fill(cr);
  cairo_pattern_t* head = cairo_pattern_create_linear(x - kRadius, y - kRadius, x + kRadius, y + kRadius);
  cairo_pattern_add_color_stop_rgb(head, 0, 0.62, 0.62, 0.64);
  cairo_pattern_add_color_stop_rgb(head, 1, 0.22, 0.22, 0.24);
  cairo_arc(cr, x, y, kRadius, 0, 2 * kPi);
  cairo_set_source(cr, head);
  cairo_fill(cr);
  cairo_pattern_destroy(head);
  cairo_set_line_width(cr, 1.1);
  cairo_set_source_rgba(cr, 0.05, 0.05, 0.05, 0.9);
  const double slot = kRadius * 0.62;
  cairo_move_to(cr, x - slot, y - slot * 0.35);
  cairo_line_to(cr, x + slot, y + slot * 0.35);
  cairo_move_to(cr, x + slot * 0.35, y - slot);
  cairo_line_to(cr, x - slot * 0.35, y + slot);
  cairo_stroke(cr);
}

void PaintPanelSurface(cairo_t* cr, double x, double y, double w, double h, unsigned seed) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  cairo_pattern_t* base = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(base, 0.0, colours::kPanelLight.r, colours::kPanelLight.g, colours::kPanelLight.b);
  cairo_pattern_add_color_stop_rgb(base, 1.0, colours::kPanel.r, colours::kPanel.g, colours::kPanel.b);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, base);
  cairo_fill(cr);
  cairo_pattern_destroy(base);
  // Brushed finish: faint horizontal hairlines of random brightness.
  Random random{seed};
  cairo_set_line_width(cr, 1.0);
  for (double yy = y + 0.5; yy < y + h; yy += 1.0) {
    const double v = random.Next();
    if (v < 0.5) continue;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.012 * (v - 0.5) * 2.0);
    cairo_move_to(cr, x, yy);
    cairo_line_to(cr, x + w, yy);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

}  // namespace panel
