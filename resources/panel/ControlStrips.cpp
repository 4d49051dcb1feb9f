// The multi-frame control pictures. Frame 1 is the resting state (off, up,
// value 0); later frames follow the control's value upward.
#include "resources/panel/ControlArt.h"
#include "resources/panel/FrameStrip.h"
#include "resources/panel/Pictures.h"

namespace panel {

namespace {

Surface PaintStrip(int width, int height, int frames, const std::function<void(cairo_t*, int)>& paintFrame) {
  FrameStrip strip(width, height, frames);
  strip.Paint(paintFrame);
  return strip.Take();
}

Surface PaintKeyStrip(CapColour colour) {
  return PaintStrip(kButtonWidth, kButtonStripHeight, 2, [colour](cairo_t* cr, int frame) {
    PaintButton(cr, kButtonWidth, kButtonHeight, frame == 1, colour);
  });
}

Surface PaintWideStrip(const char* label, const Rgb& lamp) {
  return PaintStrip(kWideButtonWidth, 2 * kWideButtonHeight, 2, [label, lamp](cairo_t* cr, int frame) {
    PaintWideButton(cr, kWideButtonWidth, kWideButtonHeight, label, frame == 1, lamp);
  });
}

Surface PaintKnobStrip(int size) {
  return PaintStrip(size, size * kKnobFrames, kKnobFrames, [size](cairo_t* cr, int frame) {
    PaintKnob(cr, size, static_cast<double>(frame) / (kKnobFrames - 1));
  });
}

Surface PaintArrowStrip(bool pointsRight) {
  return PaintStrip(kArrowButtonSize, 2 * kArrowButtonSize, 2, [pointsRight](cairo_t* cr, int frame) {
    PaintArrowButton(cr, kArrowButtonSize, pointsRight, frame == 1);
  });
}

constexpr Rgb kAmberLamp{1.0, 0.62, 0.15};
constexpr Rgb kGreenLamp{0.35, 0.95, 0.35};
constexpr Rgb kRedLamp{1.0, 0.22, 0.12};

}  // namespace

Surface PaintButtonPicture() {
  return PaintKeyStrip(CapColour::kGrey);
}
Surface PaintRedButtonPicture() {
  return PaintKeyStrip(CapColour::kRed);
}
Surface PaintBrowseButtonPicture() {
  return PaintWideStrip("BROWSER", kGreenLamp);
}
Surface PaintConfigButtonPicture() {
  return PaintWideStrip("CONFIG", kAmberLamp);
}
Surface PaintLearnPicture() {
  return PaintWideStrip("LEARN", kRedLamp);
}
Surface PaintUnlearnPicture() {
  return PaintWideStrip("UNLEARN", kAmberLamp);
}
Surface PaintKnobPicture() {
  return PaintKnobStrip(kKnobSize);
}
Surface PaintSmallKnobPicture() {
  return PaintKnobStrip(kSmallKnobSize);
}
Surface PaintPrevPicture() {
  return PaintArrowStrip(false);
}
Surface PaintNextPicture() {
  return PaintArrowStrip(true);
}

Surface PaintCheckBoxPicture() {
  return PaintStrip(kCheckWidth, 2 * kCheckHeight, 2,
                    [](cairo_t* cr, int frame) { PaintCheckBox(cr, kCheckWidth, kCheckHeight, frame == 1); });
}

Surface PaintPolyBoxPicture() {
  return PaintStrip(kCheckWidth, 3 * kCheckHeight, 3,
                    [](cairo_t* cr, int frame) { PaintModeBox(cr, kCheckWidth, kCheckHeight, frame); });
}

Surface PaintLedPicture() {
  return PaintStrip(kLedSize, 2 * kLedSize, 2, [](cairo_t* cr, int frame) { PaintLed(cr, kLedSize, frame == 1); });
}

Surface PaintDigitsPicture() {
  return PaintStrip(kDigitWidth, kDigitStripHeight, kDigitFrames,
                    [](cairo_t* cr, int frame) { PaintSegmentDigit(cr, kDigitWidth, kDigitHeight, frame); });
}

const PictureInfo kPictures[kPictureCount] = {
    {101, "back.png", kPanelWidth, kPanelHeight, 1, PaintBackPicture},
    {102, "browser.png", kPanelWidth, kPanelHeight, 1, PaintBrowserPicture},
    {103, "button.png", kButtonWidth, kButtonStripHeight, 2, PaintButtonPicture},
    {104, "button_browse.png", kWideButtonWidth, 2 * kWideButtonHeight, 2, PaintBrowseButtonPicture},
    {105, "button_config.png", kWideButtonWidth, 2 * kWideButtonHeight, 2, PaintConfigButtonPicture},
    {106, "button_red.png", kButtonWidth, kButtonStripHeight, 2, PaintRedButtonPicture},
    {107, "checkbox.png", kCheckWidth, 2 * kCheckHeight, 2, PaintCheckBoxPicture},
    {108, "config.png", kPageWidth, kPageHeight, 1, PaintConfigPicture},
    {109, "digits.png", kDigitWidth, kDigitStripHeight, kDigitFrames, PaintDigitsPicture},
    {110, "knob.png", kKnobSize, kKnobSize* kKnobFrames, kKnobFrames, PaintKnobPicture},
    {111, "knob_small.png", kSmallKnobSize, kSmallKnobSize* kKnobFrames, kKnobFrames, PaintSmallKnobPicture},
    {112, "learn.png", kWideButtonWidth, 2 * kWideButtonHeight, 2, PaintLearnPicture},
    {113, "led.png", kLedSize, 2 * kLedSize, 2, PaintLedPicture},
    {114, "param.png", kPageWidth, kPageHeight, 1, PaintParamPicture},
    {115, "polybox.png", kCheckWidth, 3 * kCheckHeight, 3, PaintPolyBoxPicture},
    {116, "unlearn.png", kWideButtonWidth, 2 * kWideButtonHeight, 2, PaintUnlearnPicture},
    {117, "prev.png", kArrowButtonSize, 2 * kArrowButtonSize, 2, PaintPrevPicture},
    {118, "next.png", kArrowButtonSize, 2 * kArrowButtonSize, 2, PaintNextPicture},
};

}  // namespace panel
