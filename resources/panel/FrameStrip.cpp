#include "resources/panel/FrameStrip.h"

namespace panel {

FrameStrip::FrameStrip(int width, int height, int frames)
    : width_(width), height_(height), frames_(frames), surface_(MakeSurface(width, height)) {}

int FrameStrip::FrameOffset(int frame, int height, int frames) {
  return static_cast<int>(static_cast<double>(frame) * height / frames + 0.5);
}

void FrameStrip::Paint(const std::function<void(cairo_t* cr, int frame)>& paintFrame) {
  cairo_t* cr = cairo_create(surface_.get());
  int previousEnd = 0;
  for (int i = 0; i < frames_; ++i) {
    const int top = FrameOffset(i, height_, frames_);
    const int end = i == frames_ - 1 ? height_ : top + FrameHeight();
    cairo_save(cr);
    cairo_rectangle(cr, 0, previousEnd, width_, end - previousEnd);
    cairo_clip(cr);
    cairo_translate(cr, 0, top);
    paintFrame(cr, i);
    cairo_restore(cr);
    previousEnd = end;
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface_.get());
}

}  // namespace panel
