#pragma once
// Text in system fonts. Fonts are found by family name through fontconfig
// (so "Arial" resolves to an installed face with the same metrics).
#include <string>

#include "graphics/lice/LICE_IBitmap.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

enum class LICE_TextAlign { Left, Center, Right };
enum class LICE_FontQuality { Default, NonAntialiased, Antialiased, ClearType };

// What a font is made from.
struct LICE_FontDescription {
  std::string family = "Verdana";
  int height = 12;   // pixel height of a line (ascent plus descent)
  int weight = 400;  // 700 and above is bold
  bool italic = false;
  int escapement = 0;  // rotation in tenths of a degree, counter-clockwise
  LICE_FontQuality quality = LICE_FontQuality::Default;
};

class LICE_IFont {
 public:
  virtual ~LICE_IFont() = default;
  // Draws one line of UTF-8 text (bytes that are not UTF-8 are read as
  // Latin-1) with its top at `top`, aligned between left and right, not
  // clipped to them. With useAlpha false the colour is drawn opaque.
  // Returns the width drawn.
  virtual int DrawText(LICE_IBitmap* dest, const std::string& text, int left, int top, int right, LICE_pixel color,
                       bool useAlpha, LICE_TextAlign align) = 0;
  // Advance width of the text in pixels.
  virtual int MeasureText(const std::string& text) const = 0;
  virtual int Ascent() const = 0;
  virtual int LineHeight() const = 0;
};

// A font made once and kept; drawing from several threads is safe.
class LICE_CachedFont : public LICE_IFont {
 public:
  explicit LICE_CachedFont(const LICE_FontDescription& description);
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  bool Valid() const { return font != nullptr; }
  const LICE_FontDescription& Description() const { return description; }

  int DrawText(LICE_IBitmap* dest, const std::string& text, int left, int top, int right, LICE_pixel color,
               bool useAlpha, LICE_TextAlign align) override;
  int MeasureText(const std::string& text) const override;
  int Ascent() const override { return ascent; }
  int LineHeight() const override { return lineHeight; }

 private:
  LICE_FontDescription description;
  cairo_scaled_font_t* font = nullptr;
  int ascent = 0;
  int lineHeight = 0;
};

// Valid UTF-8 for the text: invalid bytes are taken as Latin-1 characters.
std::string LICE_ToUtf8(const std::string& text);
