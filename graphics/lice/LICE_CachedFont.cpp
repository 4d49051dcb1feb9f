#include "graphics/lice/LICE_CachedFont.h"

#include <cairo.h>

#include <cmath>

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8SequenceLength(const std::string& s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if ((c & 0xe0) == 0xc0) {
    n = 2;
    cp = c & 0x1f;
  } else if ((c & 0xf0) == 0xe0) {
    n = 3;
    cp = c & 0x0f;
  } else if ((c & 0xf8) == 0xf0) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xc0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3f);
  }
  // Reject overlong forms, surrogates and values past Unicode.
  static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
  return n;
}

cairo_antialias_t AntialiasFor(LICE_FontQuality quality) {
  switch (quality) {
    case LICE_FontQuality::NonAntialiased:
      return CAIRO_ANTIALIAS_NONE;
    case LICE_FontQuality::Antialiased:
      return CAIRO_ANTIALIAS_GRAY;
    case LICE_FontQuality::ClearType:
      return CAIRO_ANTIALIAS_SUBPIXEL;
    case LICE_FontQuality::Default:
      break;
  }
  return CAIRO_ANTIALIAS_DEFAULT;
}

}  // namespace

std::string LICE_ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t n = Utf8SequenceLength(text, i);
    if (n > 0) {
      out.append(text, i, n);
      i += n;
    } else {
      const auto c = static_cast<unsigned char>(text[i]);
      out.push_back(static_cast<char>(0xc0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
      ++i;
    }
  }
  return out;
}

LICE_CachedFont::LICE_CachedFont(const LICE_FontDescription& fontDescription) : description(fontDescription) {
  if (description.height <= 0) return;
  cairo_font_face_t* face = cairo_toy_font_face_create(
      description.family.c_str(), description.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
      description.weight >= 700 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, AntialiasFor(description.quality));
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);

  // The height names the line (ascent plus descent), not the em size:
  // measure the face at one unit first and scale from there.
  cairo_matrix_t unit;
  cairo_matrix_init_scale(&unit, 100.0, 100.0);
  cairo_scaled_font_t* probe = cairo_scaled_font_create(face, &unit, &identity, options);
  cairo_font_extents_t extents{};
  cairo_scaled_font_extents(probe, &extents);
  cairo_scaled_font_destroy(probe);
  double em = description.height;
  const double line = extents.ascent + extents.descent;
  if (line > 0.0 && std::isfinite(line)) em = description.height * 100.0 / line;

  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, em, em);
  if (description.escapement != 0) {
    cairo_matrix_t rotation;
    cairo_matrix_init_rotate(&rotation, -description.escapement / 10.0 * 3.141592653589793 / 180.0);
    cairo_matrix_multiply(&matrix, &matrix, &rotation);
  }
  font = cairo_scaled_font_create(face, &matrix, &identity, options);
  cairo_font_options_destroy(options);
  cairo_font_face_destroy(face);
  if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(font);
    font = nullptr;
    return;
  }
  cairo_scaled_font_extents(font, &extents);
  ascent = static_cast<int>(std::lround(extents.ascent));
  lineHeight = static_cast<int>(std::lround(extents.ascent + extents.descent));
}

LICE_CachedFont::~LICE_CachedFont() {
  if (font) cairo_scaled_font_destroy(font);
}

int LICE_CachedFont::MeasureText(const std::string& text) const {
  if (!font || text.empty()) return 0;
  const std::string utf8 = LICE_ToUtf8(text);
  cairo_text_extents_t extents{};
  cairo_scaled_font_text_extents(font, utf8.c_str(), &extents);
  return static_cast<int>(std::lround(extents.x_advance));
}

int LICE_CachedFont::DrawText(LICE_IBitmap* dest, const std::string& text, int left, int top, int right,
                              LICE_pixel color, bool useAlpha, LICE_TextAlign align) {
  if (!font || !dest || text.empty()) return 0;
  const std::string utf8 = LICE_ToUtf8(text);
  const int width = MeasureText(utf8);
  double x = left;
  if (align == LICE_TextAlign::Center)
    x = (left + right - width) / 2;
  else if (align == LICE_TextAlign::Right)
    x = right - width;
  cairo_t* cr = dest->CreateContext();
  if (!cr) return 0;
  cairo_set_scaled_font(cr, font);
  const double alpha = useAlpha ? LICE_GETA(color) / 255.0 : 1.0;
  cairo_set_source_rgba(cr, LICE_GETR(color) / 255.0, LICE_GETG(color) / 255.0, LICE_GETB(color) / 255.0, alpha);
  // The baseline sits one ascent below the top, turned with the text.
  const double angle = description.escapement / 10.0 * 3.141592653589793 / 180.0;
  cairo_move_to(cr, x + std::sin(angle) * ascent, top + std::cos(angle) * ascent);
  cairo_show_text(cr, utf8.c_str());
  cairo_destroy(cr);
  return width;
}
