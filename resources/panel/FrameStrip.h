#pragma once
// A vertical film strip of equal frames, laid out where the editor's frame
// blitter looks for them. For a strip of height H with N frames, frame i
// (0-based) starts at row int(i * H / N + 0.5) and is H / N rows high (integer
// division), so when H is not a multiple of N some frames start one row later
// than i * (H / N). Rows between two frames belong to the later frame's
// background; frame art that keeps its first and last row plain stays whole
// even for a blitter that truncates instead of rounding.
#include <functional>

#include "resources/panel/Painter.h"

namespace panel {

class FrameStrip {
 public:
  FrameStrip(int width, int height, int frames);

  static int FrameOffset(int frame, int height, int frames);
  int FrameHeight() const { return height_ / frames_; }

  // paintFrame draws frame i into a width x FrameHeight() area at the origin;
  // it is clipped to its own rows (and the gap row above it, if any).
  void Paint(const std::function<void(cairo_t* cr, int frame)>& paintFrame);
  Surface Take() { return std::move(surface_); }

 private:
  int width_;
  int height_;
  int frames_;
  Surface surface_;
};

}  // namespace panel
