#include "tests/panel/PanelImage.h"

#include <png.h>

#include <cstdlib>

#include "platform/Resources.h"

PanelImage PanelImage::FromResource(int id) {
  PanelImage result;
  const ResourceData data = FindResource("PNG", id);
  if (!data.Found()) return result;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data, data.size)) return result;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return result;
  }
  result.width_ = static_cast<int>(image.width);
  result.height_ = static_cast<int>(image.height);
  result.rgba_ = std::move(pixels);
  return result;
}

PanelPixel PanelImage::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 4;
  return {rgba_[i], rgba_[i + 1], rgba_[i + 2], rgba_[i + 3]};
}

int PanelImage::FrameTop(int frame, int frames) const {
  return static_cast<int>(static_cast<double>(frame) * height_ / frames + 0.5);
}

int PanelImage::CountDifferences(int x0, int y0, int x1, int y1, int width, int height, int tolerance) const {
  return CountDifferences(*this, x0, y0, x1, y1, width, height, tolerance);
}

int PanelImage::CountDifferences(const PanelImage& other, int x0, int y0, int x1, int y1, int width, int height,
                                 int tolerance) const {
  int count = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const PanelPixel p = At(x0 + x, y0 + y);
      const PanelPixel q = other.At(x1 + x, y1 + y);
      const int dr = std::abs(p.r * p.a - q.r * q.a) / 255;
      const int dg = std::abs(p.g * p.a - q.g * q.a) / 255;
      const int db = std::abs(p.b * p.a - q.b * q.a) / 255;
      const int da = std::abs(p.a - q.a);
      if (dr > tolerance || dg > tolerance || db > tolerance || da > tolerance) ++count;
    }
  }
  return count;
}
