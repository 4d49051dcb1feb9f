#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "graphics/lice/LICE_PNG.h"
#include "platform/Resources.h"
#include "tests/graphics/GraphicsTestSupport.h"

namespace {

const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new GraphicsCleanupEnvironment);

// Channel of a premultiplied pixel, straight again (for opaque pixels the same).
int R(LICE_pixel p) {
  return LICE_GETR(p);
}
int G(LICE_pixel p) {
  return LICE_GETG(p);
}
int B(LICE_pixel p) {
  return LICE_GETB(p);
}

std::unique_ptr<LICE_MemBitmap> Solid(int w, int h, int r, int g, int b, int a = 255) {
  auto bitmap = std::make_unique<LICE_MemBitmap>(w, h);
  LICE_Clear(bitmap.get(), LICE_RGBA(r, g, b, a));
  return bitmap;
}

// Bounding box of pixels that differ from the background colour.
struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool Any() const { return right >= 0; }
};
Ink InkOf(const LICE_IBitmap& bitmap, LICE_pixel background) {
  Ink ink;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (bitmap.GetPixel(x, y) != background) {
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x);
        ink.bottom = std::max(ink.bottom, y);
      }
  return ink;
}

}  // namespace

TEST(LiceBitmap, SizeStrideAndResizeClearContent) {
  LICE_MemBitmap bitmap(13, 7);
  EXPECT_EQ(bitmap.Width(), 13);
  EXPECT_EQ(bitmap.Height(), 7);
  EXPECT_GE(bitmap.RowSpan(), 13);
  bitmap.SetPixel(3, 4, 0xff112233u);
  EXPECT_EQ(bitmap.GetPixel(3, 4), 0xff112233u);
  EXPECT_EQ(bitmap.GetPixel(13, 0), 0u) << "outside reads as transparent";
  ASSERT_TRUE(bitmap.Resize(5, 5));
  EXPECT_EQ(bitmap.GetPixel(3, 4), 0u);
  EXPECT_FALSE(bitmap.Resize(-1, 3));
  LICE_MemBitmap empty;
  EXPECT_EQ(empty.Surface(), nullptr);
  LICE_Blit(&empty, &bitmap, 0, 0, 0, 0, 5, 5, 1.0f, LICE_BlitMode::Copy);  // must not crash
}

TEST(LiceBitmap, BlitModesAtOpacity) {
  auto src = Solid(4, 4, 200, 100, 50);
  struct Case {
    LICE_BlitMode mode;
    float opacity;
    int r, g, b;
  };
  // Destination (40, 80, 120). Copy/alpha mix by opacity; add sums with
  // saturation; dodge is d / (1 - s) per channel.
  const Case cases[] = {
      {LICE_BlitMode::Copy, 1.0f, 200, 100, 50},  {LICE_BlitMode::Copy, 0.5f, 120, 90, 85},
      {LICE_BlitMode::Alpha, 0.25f, 80, 85, 102}, {LICE_BlitMode::Add, 1.0f, 240, 180, 170},
      {LICE_BlitMode::Add, 0.5f, 140, 130, 145},  {LICE_BlitMode::Dodge, 1.0f, 185, 131, 149},
  };
  for (const Case& c : cases) {
    auto dest = Solid(8, 8, 40, 80, 120);
    LICE_Blit(dest.get(), src.get(), 2, 2, 0, 0, 4, 4, c.opacity, c.mode);
    const LICE_pixel in = dest->GetPixel(3, 3);
    EXPECT_NEAR(R(in), c.r, 2) << static_cast<int>(c.mode) << " " << c.opacity;
    EXPECT_NEAR(G(in), c.g, 2) << static_cast<int>(c.mode) << " " << c.opacity;
    EXPECT_NEAR(B(in), c.b, 2) << static_cast<int>(c.mode) << " " << c.opacity;
    // Outside the destination rectangle nothing changed.
    EXPECT_EQ(dest->GetPixel(1, 1), dest->GetPixel(7, 7));
    EXPECT_EQ(R(dest->GetPixel(6, 3)), 40);
  }
}

TEST(LiceBitmap, BlitTakesSubRectangleAndClipsToSource) {
  auto src = std::make_unique<LICE_MemBitmap>(4, 8);
  LICE_FillRect(src.get(), 0, 0, 4, 4, LICE_RGBA(255, 0, 0, 255), 1.0f, LICE_BlitMode::Copy);
  LICE_FillRect(src.get(), 0, 4, 4, 4, LICE_RGBA(0, 0, 255, 255), 1.0f, LICE_BlitMode::Copy);
  auto dest = Solid(10, 10, 0, 255, 0);
  // Second frame of the strip, asked for too large: only 4 × 4 exist.
  LICE_Blit(dest.get(), src.get(), 1, 1, 0, 4, 9, 9, 1.0f, LICE_BlitMode::Copy);
  EXPECT_EQ(dest->GetPixel(1, 1), 0xff0000ffu);
  EXPECT_EQ(dest->GetPixel(4, 4), 0xff0000ffu);
  EXPECT_EQ(dest->GetPixel(5, 5), 0xff00ff00u);
}

TEST(LiceBitmap, SourceAlphaIsHonouredByAlphaModeOnly) {
  auto src = Solid(2, 2, 255, 255, 255, 128);
  auto over = Solid(2, 2, 0, 0, 0);
  LICE_Blit(over.get(), src.get(), 0, 0, 0, 0, 2, 2, 1.0f, LICE_BlitMode::Alpha);
  EXPECT_NEAR(R(over->GetPixel(0, 0)), 128, 2);
  EXPECT_EQ(LICE_GETA(over->GetPixel(0, 0)), 255);
  auto add = Solid(2, 2, 100, 100, 100);
  LICE_Blit(add.get(), src.get(), 0, 0, 0, 0, 2, 2, 1.0f, LICE_BlitMode::Add);
  EXPECT_NEAR(R(add->GetPixel(0, 0)), 228, 2) << "additive with the source's alpha";
}

TEST(LiceBitmap, FillRectAndCircleAndClip) {
  auto dest = Solid(40, 40, 0, 0, 0);
  LICE_FillRect(dest.get(), 5, 5, 10, 10, LICE_RGBA(255, 0, 0, 255), 0.5f, LICE_BlitMode::Alpha);
  EXPECT_NEAR(R(dest->GetPixel(10, 10)), 128, 2);
  EXPECT_EQ(dest->GetPixel(15, 15), 0xff000000u);
  LICE_FillCircle(dest.get(), 30, 30, 5, LICE_RGBA(0, 255, 0, 255), 1.0f, LICE_BlitMode::Copy);
  EXPECT_EQ(dest->GetPixel(30, 30), 0xff00ff00u);
  EXPECT_EQ(dest->GetPixel(33, 30), 0xff00ff00u);
  EXPECT_EQ(dest->GetPixel(30 + 6, 30), 0xff000000u);
  EXPECT_EQ(dest->GetPixel(34, 34), 0xff000000u) << "the corner of the square around the disc stays";
  dest->SetClip(0, 0, 20, 40);
  LICE_FillRect(dest.get(), 0, 0, 40, 40, LICE_RGBA(0, 0, 255, 255), 1.0f, LICE_BlitMode::Copy);
  dest->ResetClip();
  EXPECT_EQ(dest->GetPixel(19, 39), 0xff0000ffu);
  EXPECT_EQ(dest->GetPixel(20, 0), 0xff000000u);
}

TEST(LicePng, DecodesStripWithPremultipliedAlpha) {
  RegisterTestStrip(9101, 3, 2, {0xffff0000u, 0x800000ffu});
  std::unique_ptr<LICE_MemBitmap> bitmap(LICE_LoadPNGResource(9101));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), 3);
  EXPECT_EQ(bitmap->Height(), 4);
  EXPECT_EQ(bitmap->GetPixel(2, 1), 0xffff0000u);
  const LICE_pixel half = bitmap->GetPixel(0, 3);
  EXPECT_EQ(LICE_GETA(half), 0x80);
  EXPECT_NEAR(LICE_GETB(half), 0x80, 1) << "blue premultiplied by alpha";
  EXPECT_EQ(LICE_LoadPNGResource(9199), nullptr) << "no such resource";
}

TEST(LicePng, CorruptDataGivesNoBitmap) {
  RegisterTestStrip(9102, 8, 8, {0xff123456u});
  const ResourceData good = FindResource("PNG", 9102);
  ASSERT_TRUE(good.Found());
  std::unique_ptr<LICE_MemBitmap> whole(LICE_LoadPNGFromMemory(good.data, good.size));
  ASSERT_NE(whole, nullptr);
  for (size_t cut : {size_t(0), size_t(7), size_t(8), size_t(33), good.size / 2, good.size - 13}) {
    std::unique_ptr<LICE_MemBitmap> partial(LICE_LoadPNGFromMemory(good.data, cut));
    EXPECT_EQ(partial, nullptr) << "cut at " << cut;
  }
  std::vector<unsigned char> damaged(good.data, good.data + good.size);
  for (size_t i = 40; i < damaged.size() - 12; i += 3) damaged[i] ^= 0x5a;
  std::unique_ptr<LICE_MemBitmap> garbled(LICE_LoadPNGFromMemory(damaged.data(), damaged.size()));
  EXPECT_EQ(garbled, nullptr);
  const unsigned char notPng[] = "GIF89a but not really a picture";
  EXPECT_EQ(LICE_LoadPNGFromMemory(notPng, sizeof notPng), nullptr);
}

TEST(LiceFont, ArialResolvesAndLineHeightFollowsSize) {
  LICE_FontDescription description;
  description.family = "Arial";
  description.height = 14;
  LICE_CachedFont font(description);
  ASSERT_TRUE(font.Valid());
  EXPECT_NEAR(font.LineHeight(), 14, 1);
  EXPECT_GT(font.MeasureText("WWWW"), font.MeasureText("iiii"));
  description.weight = 700;
  LICE_CachedFont bold(description);
  EXPECT_GT(bold.MeasureText("Master Volume"), font.MeasureText("Master Volume"));
}

TEST(LiceFont, AlignmentAndColourOfDrawnText) {
  LICE_FontDescription description;
  description.family = "Arial";
  description.height = 14;
  LICE_CachedFont font(description);
  const LICE_pixel black = 0xff000000u;
  Ink inks[3];
  const LICE_TextAlign aligns[3] = {LICE_TextAlign::Left, LICE_TextAlign::Center, LICE_TextAlign::Right};
  for (int i = 0; i < 3; ++i) {
    auto bitmap = Solid(200, 30, 0, 0, 0);
    font.DrawText(bitmap.get(), "Mode", 10, 5, 190, LICE_RGBA(255, 255, 255, 255), false, aligns[i]);
    inks[i] = InkOf(*bitmap, black);
    ASSERT_TRUE(inks[i].Any());
    EXPECT_GE(inks[i].top, 5) << "text starts at the top of the rectangle";
    EXPECT_LE(inks[i].bottom, 5 + 14);
    // Some pixel is full white (not only edges).
    bool full = false;
    for (int x = inks[i].left; x <= inks[i].right; ++x)
      for (int y = inks[i].top; y <= inks[i].bottom; ++y) full |= bitmap->GetPixel(x, y) == 0xffffffffu;
    EXPECT_TRUE(full);
  }
  EXPECT_NEAR(inks[0].left, 10, 2);
  EXPECT_NEAR((inks[1].left + inks[1].right) / 2, 100, 3);
  EXPECT_NEAR(inks[2].right, 189, 2);
  // The text is not clipped to the rectangle it is aligned in.
  auto narrow = Solid(200, 30, 0, 0, 0);
  font.DrawText(narrow.get(), "A long label", 90, 5, 110, LICE_RGBA(255, 255, 255, 255), false, LICE_TextAlign::Center);
  const Ink wide = InkOf(*narrow, black);
  EXPECT_LT(wide.left, 90);
  EXPECT_GT(wide.right, 110);
}

TEST(LiceFont, AlphaOnlyWhenAsked) {
  LICE_FontDescription description;
  description.family = "Arial";
  description.height = 20;
  description.weight = 700;
  LICE_CachedFont font(description);
  auto opaque = Solid(100, 30, 0, 0, 0);
  font.DrawText(opaque.get(), "HH", 0, 0, 100, LICE_RGBA(255, 255, 255, 128), false, LICE_TextAlign::Left);
  auto translucent = Solid(100, 30, 0, 0, 0);
  font.DrawText(translucent.get(), "HH", 0, 0, 100, LICE_RGBA(255, 255, 255, 128), true, LICE_TextAlign::Left);
  int brightestOpaque = 0, brightestTranslucent = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) {
      brightestOpaque = std::max(brightestOpaque, R(opaque->GetPixel(x, y)));
      brightestTranslucent = std::max(brightestTranslucent, R(translucent->GetPixel(x, y)));
    }
  EXPECT_EQ(brightestOpaque, 255);
  EXPECT_NEAR(brightestTranslucent, 128, 3);
}

TEST(LiceFont, InvalidUtf8IsReadAsLatin1) {
  EXPECT_EQ(LICE_ToUtf8("Caf\xe9"), "Caf\xc3\xa9");
  EXPECT_EQ(LICE_ToUtf8("ok \xc3\xa9"), "ok \xc3\xa9");
  EXPECT_EQ(LICE_ToUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80") << "a surrogate is not UTF-8";
}
