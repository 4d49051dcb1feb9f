#pragma once
// A decoded panel picture (8-bit RGBA, not premultiplied) for the tests.
#include <cstdint>
#include <vector>

struct PanelPixel {
  int r = 0;
  int g = 0;
  int b = 0;
  int a = 0;
  int Luma() const { return (r * 299 + g * 587 + b * 114) / 1000; }
};

class PanelImage {
 public:
  // Decodes the embedded PNG resource with the given id; Valid() is false
  // when it is missing or does not decode.
  static PanelImage FromResource(int id);

  bool Valid() const { return width_ > 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  PanelPixel At(int x, int y) const;

  // Top row of 0-based frame i in a strip of n frames, where the editor's
  // frame blitter reads it: int(i * height / n + 0.5).
  int FrameTop(int frame, int frames) const;
  // How many pixels of two same-sized areas differ by more than tolerance in
  // some channel (colour channels weighted by alpha).
  int CountDifferences(int x0, int y0, int x1, int y1, int width, int height, int tolerance) const;
  // The same between an area of this picture and one of another picture.
  int CountDifferences(const PanelImage& other, int x0, int y0, int x1, int y1, int width, int height,
                       int tolerance) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> rgba_;
};
