#include "graphics/GraphicsCaches.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_PNG.h"

namespace {

struct BitmapCache {
  std::mutex lock;
  std::map<int, std::unique_ptr<LICE_IBitmap>> entries;
};

BitmapCache& Bitmaps() {
  static BitmapCache cache;
  return cache;
}

using FontKey = std::tuple<int, int, int, std::string>;

struct FontCache {
  std::mutex lock;
  std::map<FontKey, std::unique_ptr<LICE_CachedFont>> entries;
};

FontCache& Fonts() {
  static FontCache cache;
  return cache;
}

LICE_FontQuality QualityOf(TextStyle::Quality quality) {
  switch (quality) {
    case TextStyle::kQualityNonAntiAliased:
      return LICE_FontQuality::NonAntialiased;
    case TextStyle::kQualityAntiAliased:
      return LICE_FontQuality::Antialiased;
    case TextStyle::kQualityClearType:
      return LICE_FontQuality::ClearType;
    case TextStyle::kQualityDefault:
      break;
  }
  return LICE_FontQuality::Default;
}

}  // namespace

LICE_IBitmap* CachedResourceBitmap(int id, bool decode) {
  BitmapCache& cache = Bitmaps();
  std::lock_guard<std::mutex> guard(cache.lock);
  auto found = cache.entries.find(id);
  if (found != cache.entries.end()) return found->second.get();
  LICE_IBitmap* bitmap = decode ? LICE_LoadPNGResource(id) : nullptr;
  cache.entries.emplace(id, std::unique_ptr<LICE_IBitmap>(bitmap));
  return bitmap;
}

LICE_IBitmap* CachedDoubleSizeBitmap(int id) {
  BitmapCache& cache = Bitmaps();
  const int key = id + kDoubleSizeResourceOffset;
  std::lock_guard<std::mutex> guard(cache.lock);
  auto found = cache.entries.find(key);
  if (found != cache.entries.end()) return found->second.get();
  LICE_IBitmap* bitmap = LICE_LoadPNGResource(key);
  if (bitmap) bitmap->SetDensity(2.0);
  cache.entries.emplace(key, std::unique_ptr<LICE_IBitmap>(bitmap));
  return bitmap;
}

bool ResourceBitmapIsCached(int id) {
  BitmapCache& cache = Bitmaps();
  std::lock_guard<std::mutex> guard(cache.lock);
  return cache.entries.count(id) != 0;
}

LICE_IFont* CachedFontFor(const TextStyle& style) {
  FontCache& cache = Fonts();
  const FontKey key(style.size, static_cast<int>(style.style), style.orientation, style.font);
  std::lock_guard<std::mutex> guard(cache.lock);
  auto found = cache.entries.find(key);
  if (found != cache.entries.end()) return found->second.get();
  LICE_FontDescription description;
  description.family = style.font;
  description.height = style.size;
  description.weight = style.style == TextStyle::kStyleBold ? 700 : 400;
  description.italic = style.style == TextStyle::kStyleItalic;
  description.escapement = style.orientation * 10;
  description.quality = QualityOf(style.quality);
  auto font = std::make_unique<LICE_CachedFont>(description);
  LICE_CachedFont* result = font->Valid() ? font.get() : nullptr;
  cache.entries.emplace(key, std::move(font));
  return result;
}

void EmptyGraphicsCaches() {
  {
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.clear();
  }
  FontCache& cache = Fonts();
  std::lock_guard<std::mutex> guard(cache.lock);
  cache.entries.clear();
}
