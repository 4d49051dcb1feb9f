#pragma once
// Raster bitmaps for the editor: 32-bit pixels in memory, drawn with cairo.
// Bitmap pixels are native-endian 0xAARRGGBB with premultiplied alpha
// (cairo's ARGB32), so a bitmap is handed to cairo without conversion.
// Colours given to fills and text are straight (not premultiplied).
//
// Drawing coordinates are in drawing units. A bitmap of density d holds d
// pixels per unit in each direction (a 2x picture, or a zoomed back buffer):
// everything drawn into it lands scaled by d, text and shapes rendered at
// the pixel size, and a blit from a bitmap of another density is filtered.
#include <cairo.h>

#include <cstdint>
#include <vector>

typedef uint32_t LICE_pixel;

// Makes a straight colour; components are clamped to 0..255.
LICE_pixel LICE_RGBA(int red, int green, int blue, int alpha);
inline int LICE_GETA(LICE_pixel p) {
  return static_cast<int>((p >> 24) & 0xff);
}
inline int LICE_GETR(LICE_pixel p) {
  return static_cast<int>((p >> 16) & 0xff);
}
inline int LICE_GETG(LICE_pixel p) {
  return static_cast<int>((p >> 8) & 0xff);
}
inline int LICE_GETB(LICE_pixel p) {
  return static_cast<int>(p & 0xff);
}

// How a blit or fill combines with the destination. Every mode takes a
// constant opacity on top of the source's own alpha.
enum class LICE_BlitMode {
  Copy,   // replaces the destination (opacity mixes old and new)
  Alpha,  // source over destination
  Add,    // destination plus source, weighted by the source's alpha
  Dodge,  // colour dodge, weighted by the source's alpha
};

class LICE_IBitmap {
 public:
  virtual ~LICE_IBitmap();
  LICE_IBitmap(const LICE_IBitmap&) = delete;
  LICE_IBitmap& operator=(const LICE_IBitmap&) = delete;

  // In pixels.
  int Width() const { return width; }
  int Height() const { return height; }
  // Pixels per row (at least the width).
  int RowSpan() const { return rowSpan; }
  LICE_pixel* Bits() { return pixels.empty() ? nullptr : pixels.data(); }
  const LICE_pixel* Bits() const { return pixels.empty() ? nullptr : pixels.data(); }
  LICE_pixel GetPixel(int x, int y) const;
  void SetPixel(int x, int y, LICE_pixel p);

  // Changes the size; the content is cleared to transparent black.
  // Returns false for a negative size or when memory runs out.
  bool Resize(int newWidth, int newHeight);

  // The cairo surface over the pixels (null for a 0×0 bitmap). Call
  // MarkDirty after writing pixels directly, Flush before reading them.
  cairo_surface_t* Surface() const { return surface; }
  void Flush() const;
  void MarkDirty() const;

  // Pixels per drawing unit (1 unless set). The pixel size stays; the size
  // in drawing units is the pixel size / density.
  void SetDensity(double pixelsPerUnit);
  double Density() const { return density; }

  // Limits all later drawing into this bitmap to a rectangle in drawing
  // units (w < 0: none), widened to whole pixels.
  void SetClip(int x, int y, int w, int h);
  void ResetClip() { SetClip(0, 0, -1, -1); }
  bool HasClip() const { return clipW >= 0; }
  // A cairo context on the surface with the clip applied; null for an
  // empty bitmap. The caller destroys it.
  cairo_t* CreateContext() const;

 protected:
  explicit LICE_IBitmap(int w, int h);

 private:
  std::vector<LICE_pixel> pixels;
  cairo_surface_t* surface = nullptr;
  int width = 0;
  int height = 0;
  int rowSpan = 0;
  int clipX = 0, clipY = 0, clipW = -1, clipH = -1;
  double density = 1.0;
};

// A bitmap in plain memory (decoded pictures, scratch space).
class LICE_MemBitmap : public LICE_IBitmap {
 public:
  explicit LICE_MemBitmap(int w = 0, int h = 0) : LICE_IBitmap(w, h) {}
};

// The editor's back buffer: the bitmap that is copied to the window.
class LICE_SysBitmap : public LICE_IBitmap {
 public:
  explicit LICE_SysBitmap(int w = 0, int h = 0) : LICE_IBitmap(w, h) {}
};

// Copies the w×h part of src at (srcX, srcY) to dest at (destX, destY), in
// each bitmap's drawing units. Both rectangles are clipped to their bitmaps.
// Between bitmaps of equal density pixels are copied as they are; otherwise
// the source is resampled with a smoothing filter that reads nothing outside
// the w×h part (so a frame of a strip never takes colour from its neighbours).
void LICE_Blit(LICE_IBitmap* dest, const LICE_IBitmap* src, int destX, int destY, int srcX, int srcY, int w, int h,
               float opacity, LICE_BlitMode mode);
void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float opacity, LICE_BlitMode mode);
// Antialiased disc of radius r around (cx, cy).
void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color, float opacity,
                     LICE_BlitMode mode);
void LICE_Clear(LICE_IBitmap* dest, LICE_pixel color);
// Antialiased line of the given width.
void LICE_Line(LICE_IBitmap* dest, float x0, float y0, float x1, float y1, LICE_pixel color, float width);
// A rectangle outline one drawing unit wide inside (x, y, w, h).
void LICE_DrawRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color);
