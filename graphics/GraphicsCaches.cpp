#include "graphics/GraphicsCaches.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_PNG.h"
#include "platform/Resources.h"

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

bool ResourcePictureSize(int id, int* width, int* height) {
  // Signature, then the first chunk, which must be the header: length, "IHDR",
  // width and height as big-endian 32-bit numbers.
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const ResourceData resource = FindResource("PNG", id);
  if (!resource.Found() || resource.size < 24) return false;
  const uint8_t* bytes = resource.data;
  if (std::memcmp(bytes, kSignature, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return false;
  const auto big32 = [](const uint8_t* b) {
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
  };
  const uint32_t w = big32(bytes + 16), h = big32(bytes + 20);
  if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
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
