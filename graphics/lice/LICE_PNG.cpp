#include "graphics/lice/LICE_PNG.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/Resources.h"

namespace {

// Sanity limit: no panel picture comes near it, and it keeps a corrupt
// header from asking for gigabytes.
constexpr png_uint_32 kMaxDimension = 16384;

struct MemoryReader {
  const unsigned char* data;
  size_t size;
  size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > reader->size - reader->position) png_error(png, "truncated");
  std::memcpy(out, reader->data + reader->position, count);
  reader->position += count;
}

void IgnoreWarning(png_structp, png_const_charp) {}

// A bad picture is an ordinary failure: no message, straight back to Decode.
[[noreturn]] void QuietError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

// All state touched after setjmp lives here, behind a pointer, so that a
// longjmp out of libpng leaves nothing half-destroyed.
struct DecodeState {
  LICE_MemBitmap* bitmap = nullptr;
  png_bytep* rows = nullptr;
  unsigned char* buffer = nullptr;
};

bool Decode(png_structp png, png_infop info, MemoryReader* reader, DecodeState* state) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, reader, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension) return false;
  const int colorType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  // Everything becomes 8-bit RGBA.
  if (bitDepth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return false;

  state->buffer = new unsigned char[static_cast<size_t>(width) * height * 4];
  state->rows = new png_bytep[height];
  for (png_uint_32 y = 0; y < height; ++y) state->rows[y] = state->buffer + static_cast<size_t>(y) * width * 4;
  png_read_image(png, state->rows);
  png_read_end(png, nullptr);

  state->bitmap = new LICE_MemBitmap(static_cast<int>(width), static_cast<int>(height));
  LICE_pixel* bits = state->bitmap->Bits();
  if (!bits) return false;
  const size_t span = static_cast<size_t>(state->bitmap->RowSpan());
  for (png_uint_32 y = 0; y < height; ++y) {
    const unsigned char* in = state->rows[y];
    LICE_pixel* out = bits + y * span;
    for (png_uint_32 x = 0; x < width; ++x, in += 4) {
      const uint32_t a = in[3];
      auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
      out[x] = (a << 24) | (pre(in[0]) << 16) | (pre(in[1]) << 8) | pre(in[2]);
    }
  }
  state->bitmap->MarkDirty();
  return true;
}

}  // namespace

LICE_MemBitmap* LICE_LoadPNGFromMemory(const unsigned char* data, size_t size) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return nullptr;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, IgnoreWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  MemoryReader reader{data, size, 0};
  DecodeState state;
  const bool ok = Decode(png, info, &reader, &state);
  png_destroy_read_struct(&png, &info, nullptr);
  delete[] state.rows;
  delete[] state.buffer;
  if (!ok) {
    delete state.bitmap;
    return nullptr;
  }
  return state.bitmap;
}

LICE_MemBitmap* LICE_LoadPNGResource(int id) {
  const ResourceData resource = FindResource("PNG", id);
  if (!resource.Found()) return nullptr;
  return LICE_LoadPNGFromMemory(resource.data, resource.size);
}

bool LICE_WritePNG(const LICE_IBitmap* bitmap, const std::string& path) {
  if (!bitmap || !bitmap->Surface()) return false;
  bitmap->Flush();
  return cairo_surface_write_to_png(bitmap->Surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}
