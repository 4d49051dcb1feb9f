// The pages against the editor's layout: scales, key wells, legends and
// display windows sit where the editor puts the controls.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/panel/PanelImage.h"

namespace {

struct Point {
  int x;
  int y;
};

struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};

// Top-left corners of the front panel's 30-pixel knobs.
std::vector<Point> FrontPanelKnobs() {
  std::vector<Point> knobs = {{73, 178}, {249, 178}, {677, 196}, {937, 90}, {937, 146}, {937, 202}, {937, 256}};
  const std::vector<Point> voice = {{61, 378},  {141, 378}, {189, 378}, {345, 378}, {61, 442},  {141, 442}, {189, 442},
                                    {237, 442}, {285, 442}, {421, 378}, {421, 442}, {529, 378}, {577, 378}, {625, 378},
                                    {721, 378}, {769, 378}, {529, 442}, {625, 442}, {673, 442}, {721, 442}, {769, 442},
                                    {841, 378}, {889, 378}, {937, 378}, {841, 442}, {889, 442}, {937, 442}};
  knobs.insert(knobs.end(), voice.begin(), voice.end());
  return knobs;
}

// Top-left corners of the front panel's 21 x 22 keys.
std::vector<Point> FrontPanelKeys() {
  std::vector<Point> keys = {{124, 183}, {165, 183}, {206, 183}, {638, 161}, {682, 161}, {726, 161},
                             {682, 249}, {836, 249}, {106, 383}, {236, 383}, {272, 383}, {308, 383},
                             {106, 447}, {350, 447}, {468, 383}, {468, 447}, {678, 383}, {582, 447}};
  for (int i = 0; i < 6; ++i) {
    keys.push_back({56 + 44 * i, 117});
    keys.push_back({56 + 44 * i, 249});
  }
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) keys.push_back({792 + 44 * column, 117 + 44 * row});
  }
  return keys;
}

// Windows the controls write their texts and digits into.
const Rect kFrontPanelWindows[] = {{680, 120, 705, 136}, {148, 329, 160, 345}, {284, 329, 303, 345},
                                   {329, 329, 471, 345}, {659, 329, 711, 345}, {743, 329, 795, 345},
                                   {811, 329, 982, 345}, {247, 26, 271, 44},   {297, 26, 489, 44}};

int CountBright(const PanelImage& image, const Rect& area, int luma) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += image.At(x, y).Luma() > luma ? 1 : 0;
  }
  return count;
}

double MeanLuma(const PanelImage& image, const Rect& area) {
  double sum = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) sum += image.At(x, y).Luma();
  }
  return sum / ((area.right - area.left) * (area.bottom - area.top));
}

int MaxLuma(const PanelImage& image, const Rect& area) {
  int most = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) most = std::max(most, image.At(x, y).Luma());
  }
  return most;
}

bool FullyOpaque(const PanelImage& image) {
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      if (image.At(x, y).a != 255) return false;
    }
  }
  return true;
}

}  // namespace

TEST(FrontPanel, IsADarkOpaquePanelWithLegends) {
  const PanelImage back = PanelImage::FromResource(101);
  ASSERT_TRUE(back.Valid());
  EXPECT_TRUE(FullyOpaque(back));
  const Rect whole{0, 0, back.Width(), back.Height()};
  EXPECT_LT(MeanLuma(back, whole), 60.0);
  EXPECT_GT(CountBright(back, whole, 200), 4000);  // white legends
  std::set<int> colours;
  for (int y = 0; y < back.Height(); y += 3) {
    for (int x = 0; x < back.Width(); x += 3) {
      const PanelPixel p = back.At(x, y);
      colours.insert((p.r << 16) | (p.g << 8) | p.b);
    }
  }
  EXPECT_GT(colours.size(), 400u);
}

TEST(FrontPanel, EveryKnobHasAScaleAroundItAndNothingUnderIt) {
  const PanelImage back = PanelImage::FromResource(101);
  ASSERT_TRUE(back.Valid());
  for (const Point& knob : FrontPanelKnobs()) {
    SCOPED_TRACE(::testing::Message() << "knob at " << knob.x << ", " << knob.y);
    const double cx = knob.x + 15.0;
    const double cy = knob.y + 15.0;
    int onScale = 0;
    int underKnob = 0;
    for (int y = knob.y - 6; y < knob.y + 36; ++y) {
      for (int x = knob.x - 6; x < knob.x + 36; ++x) {
        const double dx = x + 0.5 - cx;
        const double dy = y + 0.5 - cy;
        const double r2 = dx * dx + dy * dy;
        const bool bright = back.At(x, y).Luma() > 120;
        if (r2 >= 16.0 * 16.0 && r2 <= 19.5 * 19.5 && bright) ++onScale;
        if (r2 < 14.0 * 14.0 && bright) ++underKnob;
      }
    }
    EXPECT_GT(onScale, 15);
    EXPECT_EQ(underKnob, 0);
  }
}

TEST(FrontPanel, EveryKeySitsInADarkWellWithALegendBeside) {
  const PanelImage back = PanelImage::FromResource(101);
  ASSERT_TRUE(back.Valid());
  for (const Point& key : FrontPanelKeys()) {
    SCOPED_TRACE(::testing::Message() << "key at " << key.x << ", " << key.y);
    EXPECT_LT(MeanLuma(back, {key.x, key.y, key.x + 21, key.y + 22}), 25.0);
    // A legend within a key's pitch above (over its LED) or below it.
    const int above = CountBright(back, {key.x - 12, key.y - 30, key.x + 33, key.y - 2}, 150);
    const int below = CountBright(back, {key.x - 12, key.y + 24, key.x + 33, key.y + 46}, 150);
    EXPECT_GT(above + below, 6);
  }
}

TEST(FrontPanel, LedSpotsAreLeftPlainForTheLedPictures) {
  const PanelImage back = PanelImage::FromResource(101);
  ASSERT_TRUE(back.Valid());
  std::vector<Point> leds = {{129, 172}, {170, 172}, {211, 172}, {643, 150}, {687, 150}, {731, 150},
                             {687, 238}, {111, 372}, {241, 372}, {277, 372}, {313, 372}, {111, 436},
                             {355, 436}, {683, 372}, {587, 436}, {473, 372}, {473, 436}};
  for (int i = 0; i < 6; ++i) {
    leds.push_back({61 + 44 * i, 106});
    leds.push_back({61 + 44 * i, 238});
  }
  for (const Point& led : leds) {
    SCOPED_TRACE(::testing::Message() << "LED at " << led.x << ", " << led.y);
    EXPECT_LT(MaxLuma(back, {led.x, led.y, led.x + 10, led.y + 10}), 100);
  }
}

TEST(FrontPanel, DisplayWindowsAreDarkAndEmpty) {
  const PanelImage back = PanelImage::FromResource(101);
  ASSERT_TRUE(back.Valid());
  for (const Rect& window : kFrontPanelWindows) {
    SCOPED_TRACE(::testing::Message() << "window at " << window.left << ", " << window.top);
    EXPECT_LT(MaxLuma(back, window), 90);
    EXPECT_LT(MeanLuma(back, window), 30.0);
  }
}

TEST(Overlays, ConfigurationAndParameterPagesAreOpaqueAndDistinct) {
  const PanelImage config = PanelImage::FromResource(108);
  const PanelImage param = PanelImage::FromResource(114);
  ASSERT_TRUE(config.Valid());
  ASSERT_TRUE(param.Valid());
  EXPECT_TRUE(FullyOpaque(config));
  EXPECT_TRUE(FullyOpaque(param));
  int differing = 0;
  for (int y = 0; y < 220; ++y) {
    for (int x = 0; x < 296; ++x) {
      const PanelPixel a = config.At(x, y);
      const PanelPixel b = param.At(x, y);
      if (std::abs(a.Luma() - b.Luma()) > 30) ++differing;
    }
  }
  EXPECT_GT(differing, 296 * 220 / 20);
  for (const PanelImage* page : {&config, &param}) {
    EXPECT_LT(MeanLuma(*page, {0, 0, 296, 220}), 60.0);
    EXPECT_GT(CountBright(*page, {0, 0, 296, 220}, 150), 250);
  }
}

TEST(Overlays, ThePanelShowsTheParameterChartWhereTheOverlaysGo) {
  // Before the first overlay is drawn the panel must already look like the normal page.
  const PanelImage back = PanelImage::FromResource(101);
  const PanelImage param = PanelImage::FromResource(114);
  ASSERT_TRUE(back.Valid());
  ASSERT_TRUE(param.Valid());
  EXPECT_EQ(back.CountDifferences(param, 316, 84, 0, 0, 296, 220, 2), 0);
}

TEST(Overlays, ConfigurationRowsHaveDarkWindowsForTheirTexts) {
  const PanelImage config = PanelImage::FromResource(108);
  ASSERT_TRUE(config.Valid());
  for (int t = 0; t < 6; ++t) {
    SCOPED_TRACE(t);
    const int top = 152 + 24 * t - 84;
    EXPECT_LT(MaxLuma(config, {337 - 316, top + 2, 355 - 316, top + 18}), 90);  // channel
    EXPECT_LT(MaxLuma(config, {401 - 316, top + 2, 523 - 316, top + 18}), 90);  // program number and name
  }
  EXPECT_LT(MaxLuma(config, {400 - 316, 106 - 84, 524 - 316, 122 - 84}), 90);  // template drop-down
}

TEST(Browser, SharesTheFrontPanelsTopBarAndHasDarkListRows) {
  const PanelImage back = PanelImage::FromResource(101);
  const PanelImage browser = PanelImage::FromResource(102);
  ASSERT_TRUE(back.Valid());
  ASSERT_TRUE(browser.Valid());
  EXPECT_TRUE(FullyOpaque(browser));
  // The top-bar controls stay on top of both pages: what is under them must
  // match. Where the panel has its motto, the page has a window for its status line.
  EXPECT_EQ(back.CountDifferences(browser, 14, 0, 14, 0, 746, 56, 2), 0);
  EXPECT_LT(MaxLuma(browser, {811, 27, 982, 43}), 90);
  EXPECT_GT(back.CountDifferences(browser, 0, 60, 0, 60, 1024, 452, 24), 1024 * 452 / 10);
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    EXPECT_LT(MaxLuma(browser, {58, 148 + 17 * i, 284, 164 + 17 * i}), 90);
    for (int column = 0; column < 3; ++column) {
      const int x = 344 + 204 * column;
      EXPECT_LT(MaxLuma(browser, {x, 148 + 17 * i, x + 198, 164 + 17 * i}), 90);
    }
  }
  EXPECT_GT(CountBright(browser, {40, 62, 984, 140}, 180), 300);  // button and field legends
}
