#pragma once
// One frame of each kind of panel control, drawn at the origin of the given
// context. The frame strips and the front panel's idle-state art (unlit digit
// segments) both use these, so a control and the panel under it match.
#include <string>

#include "resources/panel/Painter.h"

namespace panel {

// Pointer travel of every knob: value 0 at 7:30, value 1 at 4:30, clockwise.
constexpr double kKnobStartDegrees = -135.0;
constexpr double kKnobTravelDegrees = 270.0;

enum class CapColour { kGrey, kRed };

void PaintKnob(cairo_t* cr, int size, double value);
void PaintButton(cairo_t* cr, int width, int height, bool pressed, CapColour colour);
void PaintWideButton(cairo_t* cr, int width, int height, const std::string& label, bool on, const Rgb& lamp);
void PaintArrowButton(cairo_t* cr, int size, bool pointsRight, bool pressed);
void PaintLed(cairo_t* cr, int size, bool lit);
// digit 0..15 shows 0..9, A, b, C, d, E, F; -1 shows every segment unlit.
void PaintSegmentDigit(cairo_t* cr, int width, int height, int digit);
void PaintCheckBox(cairo_t* cr, int width, int height, bool checked);
// mode 0 Monophonic, 1 Polyphonic, 2 Legato.
void PaintModeBox(cairo_t* cr, int width, int height, int mode);

}  // namespace panel
