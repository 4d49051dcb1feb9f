#pragma once
// Drawing helpers shared by the panel pictures: colours, legends in the panel's
// typeface, recessed display windows, section frames and knob scales. A thin
// layer over a cairo context; every picture generator draws through one.
#include <cairo.h>

#include <memory>
#include <string>

#include "resources/panel/PanelLayout.h"

namespace panel {

struct Rgb {
  double r;
  double g;
  double b;
  double a = 1.0;
};

// The palette of the instrument's front panel.
namespace colours {
constexpr Rgb kPanel{0.085, 0.085, 0.095};
constexpr Rgb kPanelLight{0.125, 0.125, 0.135};
constexpr Rgb kLegend{0.94, 0.94, 0.92};
constexpr Rgb kLegendDim{0.70, 0.70, 0.68};
constexpr Rgb kLine{0.78, 0.78, 0.76, 0.75};
constexpr Rgb kAccent{0.93, 0.45, 0.12};  // section title bars
constexpr Rgb kAccentDark{0.55, 0.22, 0.05};
constexpr Rgb kDisplay{0.035, 0.04, 0.05};
constexpr Rgb kLedDisplay{0.09, 0.015, 0.015};
}  // namespace colours

enum class Align { kLeft, kCentre, kRight };

// Owns a cairo image surface (ARGB32, premultiplied).
struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
// A surface of width x height drawing units at the current picture scale
// (pixels per unit): every picture is drawn by the same code at each scale.
Surface MakeSurface(int width, int height);
// 1 unless set; the generator draws each picture at 1 and at 2.
void SetPictureScale(int pixelsPerUnit);
int PictureScale();

class Painter {
 public:
  explicit Painter(cairo_surface_t* surface);
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  cairo_t* Context() const { return cr_; }

  void SetColour(const Rgb& colour);
  void FillRect(double x, double y, double w, double h, const Rgb& colour);
  void RoundedRectPath(double x, double y, double w, double h, double radius);

  // Text with its baseline at y; returns the advance width. bold by default:
  // panel legends are printed bold so they stay readable at 7 to 9 pixels.
  double Text(const std::string& text, double x, double baseline, double size, Align align, const Rgb& colour,
              bool bold = true);
  double TextWidth(const std::string& text, double size, bool bold = true);
  // A white panel legend centred on cx, shrunk to fit maxWidth when needed.
  void Legend(const std::string& text, double cx, double baseline, double size = 8.0, double maxWidth = 0.0,
              const Rgb& colour = colours::kLegend);

  // A recessed window (LED digits, names, status line) around a control box.
  void DisplayWindow(const Box& box, int margin, const Rgb& fill);
  // A section: thin outline with its title on an accent bar across the top.
  void Section(double x0, double y0, double x1, double y1, const std::string& title);
  // A bracket line under or over a group of controls, with the group's name.
  void Bracket(double x0, double x1, double y, const std::string& label, bool labelBelow);
  // Tick marks around a knob of the given size placed at spot.
  void KnobScale(const Spot& spot, int knobSize, double innerRadius, double outerRadius, int ticks);
  // The faint outline of a button's well so an empty spot still reads as a key.
  void ButtonWell(const Spot& spot, int width, int height);
  // A small left- or right-pointing triangle, or a waveform symbol, as legends.
  void WaveSymbol(const std::string& shape, double cx, double cy, double w, double h, const Rgb& colour);

 private:
  cairo_t* cr_;
};

// Walnut end cheek with grain, filling the rectangle.
void PaintWood(cairo_t* cr, double x, double y, double w, double h, unsigned seed);
// A countersunk cross-head panel screw centred on (x, y).
void PaintScrew(cairo_t* cr, double x, double y);
// Dark panel surface with a soft top-to-bottom falloff and a fine brushed grain.
void PaintPanelSurface(cairo_t* cr, double x, double y, double w, double h, unsigned seed);

}  // namespace panel
