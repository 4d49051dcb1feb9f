#include "graphics/lice/LICE_IBitmap.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

cairo_operator_t OperatorFor(LICE_BlitMode mode) {
  switch (mode) {
    case LICE_BlitMode::Copy:
      return CAIRO_OPERATOR_SOURCE;
    case LICE_BlitMode::Add:
      return CAIRO_OPERATOR_ADD;
    case LICE_BlitMode::Dodge:
      return CAIRO_OPERATOR_COLOR_DODGE;
    case LICE_BlitMode::Alpha:
      break;
  }
  return CAIRO_OPERATOR_OVER;
}

void SetSourceColor(cairo_t* cr, LICE_pixel color) {
  cairo_set_source_rgba(cr, LICE_GETR(color) / 255.0, LICE_GETG(color) / 255.0, LICE_GETB(color) / 255.0,
                        LICE_GETA(color) / 255.0);
}

}  // namespace

LICE_pixel LICE_RGBA(int red, int green, int blue, int alpha) {
  auto clamp = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return (clamp(alpha) << 24) | (clamp(red) << 16) | (clamp(green) << 8) | clamp(blue);
}

LICE_IBitmap::LICE_IBitmap(int w, int h) {
  Resize(w, h);
}

LICE_IBitmap::~LICE_IBitmap() {
  if (surface) cairo_surface_destroy(surface);
}

bool LICE_IBitmap::Resize(int newWidth, int newHeight) {
  if (newWidth < 0 || newHeight < 0) return false;
  if (surface) {
    cairo_surface_destroy(surface);
    surface = nullptr;
  }
  pixels.clear();
  width = height = rowSpan = 0;
  ResetClip();
  if (newWidth == 0 || newHeight == 0) return true;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, newWidth);
  if (stride <= 0) return false;
  const int span = stride / 4;
  try {
    pixels.assign(static_cast<size_t>(span) * static_cast<size_t>(newHeight), 0u);
  } catch (const std::bad_alloc&) {
    return false;
  }
  surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_ARGB32,
                                                newWidth, newHeight, stride);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    surface = nullptr;
    pixels.clear();
    return false;
  }
  width = newWidth;
  height = newHeight;
  rowSpan = span;
  if (density != 1.0) cairo_surface_set_device_scale(surface, density, density);
  return true;
}

void LICE_IBitmap::SetDensity(double pixelsPerUnit) {
  if (!(pixelsPerUnit > 0.0) || !std::isfinite(pixelsPerUnit)) return;
  density = pixelsPerUnit;
  if (surface) cairo_surface_set_device_scale(surface, density, density);
}

LICE_pixel LICE_IBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  Flush();
  return pixels[static_cast<size_t>(y) * static_cast<size_t>(rowSpan) + static_cast<size_t>(x)];
}

void LICE_IBitmap::SetPixel(int x, int y, LICE_pixel p) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  Flush();
  pixels[static_cast<size_t>(y) * static_cast<size_t>(rowSpan) + static_cast<size_t>(x)] = p;
  MarkDirty();
}

void LICE_IBitmap::Flush() const {
  if (surface) cairo_surface_flush(surface);
}

void LICE_IBitmap::MarkDirty() const {
  if (surface) cairo_surface_mark_dirty(surface);
}

void LICE_IBitmap::SetClip(int x, int y, int w, int h) {
  clipX = x;
  clipY = y;
  clipW = w;
  clipH = h;
}

cairo_t* LICE_IBitmap::CreateContext() const {
  if (!surface) return nullptr;
  cairo_t* cr = cairo_create(surface);
  if (HasClip()) {
    if (density == 1.0) {
      cairo_rectangle(cr, clipX, clipY, std::max(clipW, 0), std::max(clipH, 0));
    } else {
      // Whole pixels: a clip edge through a pixel would blend the pixel's
      // new content with its old one.
      const double left = std::floor(clipX * density), top = std::floor(clipY * density);
      const double right = std::ceil((clipX + std::max(clipW, 0)) * density);
      const double bottom = std::ceil((clipY + std::max(clipH, 0)) * density);
      cairo_rectangle(cr, left / density, top / density, (right - left) / density, (bottom - top) / density);
    }
    cairo_clip(cr);
  }
  return cr;
}

void LICE_Blit(LICE_IBitmap* dest, const LICE_IBitmap* src, int destX, int destY, int srcX, int srcY, int w, int h,
               float opacity, LICE_BlitMode mode) {
  if (!dest || !src || !src->Surface() || w <= 0 || h <= 0 || opacity <= 0.0f) return;
  // Clip the source rectangle to the source bitmap, moving the destination along.
  if (srcX < 0) {
    w += srcX;
    destX -= srcX;
    srcX = 0;
  }
  if (srcY < 0) {
    h += srcY;
    destY -= srcY;
    srcY = 0;
  }
  w = std::min(w, static_cast<int>(src->Width() / src->Density()) - srcX);
  h = std::min(h, static_cast<int>(src->Height() / src->Density()) - srcY);
  if (w <= 0 || h <= 0) return;
  cairo_t* cr = dest->CreateContext();
  if (!cr) return;
  cairo_rectangle(cr, destX, destY, w, h);
  cairo_clip(cr);
  cairo_set_operator(cr, OperatorFor(mode));
  cairo_surface_t* part = nullptr;
  if (src->Density() == dest->Density()) {
    cairo_set_source_surface(cr, src->Surface(), destX - srcX, destY - srcY);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  } else {
    // The whole bitmap needs no part of it (a part padded at its edges is
    // copied by cairo on every use: costly for a whole panel picture).
    const bool whole = srcX == 0 && srcY == 0 && w == static_cast<int>(src->Width() / src->Density()) &&
                       h == static_cast<int>(src->Height() / src->Density());
    if (whole) {
      cairo_set_source_surface(cr, src->Surface(), destX, destY);
    } else {
      part = cairo_surface_create_for_rectangle(src->Surface(), srcX, srcY, w, h);
      cairo_set_source_surface(cr, part, destX, destY);
    }
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  }
  if (opacity >= 1.0f)
    cairo_paint(cr);
  else
    cairo_paint_with_alpha(cr, opacity);
  cairo_destroy(cr);
  if (part) cairo_surface_destroy(part);
}

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float opacity,
                   LICE_BlitMode mode) {
  if (!dest || w <= 0 || h <= 0 || opacity <= 0.0f) return;
  cairo_t* cr = dest->CreateContext();
  if (!cr) return;
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  cairo_set_operator(cr, OperatorFor(mode));
  SetSourceColor(cr, color);
  cairo_paint_with_alpha(cr, std::min(opacity, 1.0f));
  cairo_destroy(cr);
}

void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color, float opacity,
                     LICE_BlitMode mode) {
  if (!dest || r <= 0.0f || opacity <= 0.0f) return;
  cairo_t* cr = dest->CreateContext();
  if (!cr) return;
  cairo_arc(cr, cx, cy, r, 0.0, 6.283185307179586);
  cairo_clip(cr);
  cairo_set_operator(cr, OperatorFor(mode));
  SetSourceColor(cr, color);
  cairo_paint_with_alpha(cr, std::min(opacity, 1.0f));
  cairo_destroy(cr);
}

void LICE_Clear(LICE_IBitmap* dest, LICE_pixel color) {
  if (!dest) return;
  cairo_t* cr = dest->CreateContext();
  if (!cr) return;
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  SetSourceColor(cr, color);
  cairo_paint(cr);
  cairo_destroy(cr);
}

void LICE_Line(LICE_IBitmap* dest, float x0, float y0, float x1, float y1, LICE_pixel color, float width) {
  if (!dest || width <= 0.0f) return;
  cairo_t* cr = dest->CreateContext();
  if (!cr) return;
  SetSourceColor(cr, color);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  cairo_stroke(cr);
  cairo_destroy(cr);
}

void LICE_DrawRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color) {
  if (w <= 0 || h <= 0) return;
  LICE_FillRect(dest, x, y, w, 1, color, 1.0f, LICE_BlitMode::Copy);
  LICE_FillRect(dest, x, y + h - 1, w, 1, color, 1.0f, LICE_BlitMode::Copy);
  LICE_FillRect(dest, x, y, 1, h, color, 1.0f, LICE_BlitMode::Copy);
  LICE_FillRect(dest, x + w - 1, y, 1, h, color, 1.0f, LICE_BlitMode::Copy);
}
