// The embedded panel pictures: present, of the editor's sizes, and with
// frames that show what the controls ask them to show.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/panel/PanelImage.h"

namespace {

struct Listed {
  int id;
  const char* name;
  int width;
  int height;
  int frames;
};

const Listed kListed[] = {
    {101, "back.png", 1024, 512, 1},       {102, "browser.png", 1024, 512, 1},    {103, "button.png", 21, 45, 2},
    {104, "button_browse.png", 50, 44, 2}, {105, "button_config.png", 50, 44, 2}, {106, "button_red.png", 21, 45, 2},
    {107, "checkbox.png", 15, 32, 2},      {108, "config.png", 296, 220, 1},      {109, "digits.png", 10, 264, 16},
    {110, "knob.png", 30, 1950, 65},       {111, "knob_small.png", 20, 1300, 65}, {112, "learn.png", 50, 44, 2},
    {113, "led.png", 10, 20, 2},           {114, "param.png", 296, 220, 1},       {115, "polybox.png", 15, 48, 3},
    {116, "unlearn.png", 50, 44, 2},       {117, "prev.png", 22, 44, 2},          {118, "next.png", 22, 44, 2},
};

// Mean over an area, of luma (channel -1) or of red (0), as seen over black.
double Mean(const PanelImage& image, int x0, int y0, int width, int height, int channel = -1) {
  double sum = 0;
  for (int y = y0; y < y0 + height; ++y) {
    for (int x = x0; x < x0 + width; ++x) {
      const PanelPixel p = image.At(x, y);
      sum += (channel == 0 ? p.r : p.Luma()) * p.a / 255.0;
    }
  }
  return sum / (width * height);
}

// Direction of a knob frame's white pointer, in degrees clockwise from 12 o'clock,
// from the centroid of its near-white pixels; NaN when no pointer is found.
double PointerAngle(const PanelImage& strip, int frame) {
  const int size = strip.Width();
  const int top = strip.FrameTop(frame, 65);
  double sx = 0;
  double sy = 0;
  double count = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const PanelPixel p = strip.At(x, top + y);
      if (p.a < 200 || std::min(p.r, std::min(p.g, p.b)) < 170) continue;
      sx += x + 0.5 - size / 2.0;
      sy += y + 0.5 - size / 2.0;
      count += 1;
    }
  }
  if (count < 3) return std::nan("");
  return std::atan2(sx, -sy) * 180.0 / 3.14159265358979323846;
}

}  // namespace

TEST(PanelPictures, EveryListedPictureIsEmbeddedAndDecodesAtItsSize) {
  for (const Listed& listed : kListed) {
    SCOPED_TRACE(listed.name);
    const PanelImage image = PanelImage::FromResource(listed.id);
    ASSERT_TRUE(image.Valid());
    EXPECT_EQ(image.Width(), listed.width);
    EXPECT_EQ(image.Height(), listed.height);
  }
  EXPECT_FALSE(PanelImage::FromResource(100).Valid());
  EXPECT_FALSE(PanelImage::FromResource(119).Valid());
}

TEST(PanelPictures, EveryFrameOfEveryStripIsDrawn) {
  for (const Listed& listed : kListed) {
    SCOPED_TRACE(listed.name);
    const PanelImage image = PanelImage::FromResource(listed.id);
    ASSERT_TRUE(image.Valid());
    const int frameHeight = listed.height / listed.frames;
    for (int f = 0; f < listed.frames; ++f) {
      const int top = image.FrameTop(f, listed.frames);
      int opaque = 0;
      for (int y = top; y < top + frameHeight; ++y) {
        for (int x = 0; x < image.Width(); ++x) opaque += image.At(x, y).a > 128 ? 1 : 0;
      }
      EXPECT_GT(opaque, image.Width() * frameHeight / 3) << "frame " << f + 1;
    }
  }
}

TEST(PanelPictures, TwoFrameControlsChangeBetweenTheirFrames) {
  for (const Listed& listed : kListed) {
    if (listed.frames != 2) continue;
    SCOPED_TRACE(listed.name);
    const PanelImage image = PanelImage::FromResource(listed.id);
    ASSERT_TRUE(image.Valid());
    const int frameHeight = listed.height / 2;
    const int changed = image.CountDifferences(0, 0, 0, image.FrameTop(1, 2), image.Width(), frameHeight, 24);
    EXPECT_GT(changed, image.Width() * frameHeight / 20);
  }
}

TEST(PanelPictures, LitLedIsBrighterAndPressedKeysSinkIn) {
  const PanelImage led = PanelImage::FromResource(113);
  ASSERT_TRUE(led.Valid());
  EXPECT_GT(Mean(led, 0, led.FrameTop(1, 2), 10, 10, 0), Mean(led, 0, 0, 10, 10, 0) + 60);
  EXPECT_GT(Mean(led, 0, led.FrameTop(1, 2), 10, 10), Mean(led, 0, 0, 10, 10) + 20);
  for (int id : {103, 106}) {
    SCOPED_TRACE(id);
    const PanelImage key = PanelImage::FromResource(id);
    ASSERT_TRUE(key.Valid());
    // Pressed: darker cap, and the key's bright top edge moves down.
    EXPECT_LT(Mean(key, 0, key.FrameTop(1, 2), 21, 22), Mean(key, 0, 0, 21, 22) - 5);
  }
  for (int id : {104, 105, 112, 116}) {
    SCOPED_TRACE(id);
    const PanelImage button = PanelImage::FromResource(id);
    ASSERT_TRUE(button.Valid());
    // On: the lamp strip along the bottom lights up.
    EXPECT_GT(Mean(button, 5, button.FrameTop(1, 2) + 16, 40, 3), Mean(button, 5, 16, 40, 3) + 40);
  }
}

TEST(PanelPictures, ModeBoxShowsThreeDifferentStates) {
  const PanelImage box = PanelImage::FromResource(115);
  ASSERT_TRUE(box.Valid());
  for (int a = 0; a < 3; ++a) {
    for (int b = a + 1; b < 3; ++b) {
      EXPECT_GT(box.CountDifferences(0, box.FrameTop(a, 3), 0, box.FrameTop(b, 3), 15, 16, 24), 15) << a << " vs " << b;
    }
  }
}

TEST(PanelPictures, KnobPointersTurnClockwiseOverTheWholeTravel) {
  for (int id : {110, 111}) {
    SCOPED_TRACE(id);
    const PanelImage strip = PanelImage::FromResource(id);
    ASSERT_TRUE(strip.Valid());
    const int size = strip.Width();
    std::vector<double> angles;
    for (int f = 0; f < 65; ++f) {
      angles.push_back(PointerAngle(strip, f));
      ASSERT_FALSE(std::isnan(angles.back())) << "no pointer in frame " << f + 1;
    }
    EXPECT_NEAR(angles.front(), -135.0, 8.0);
    EXPECT_NEAR(angles[32], 0.0, 5.0);
    EXPECT_NEAR(angles.back(), 135.0, 8.0);
    for (int f = 0; f < 65; ++f) {
      // Frame f shows value f / 64 on a 270-degree travel.
      EXPECT_NEAR(angles[f], -135.0 + 270.0 * f / 64.0, 8.0) << "frame " << f + 1;
    }
    for (int f = 1; f < 65; ++f) {
      // About 270 / 64 degrees a frame: never backwards, never a jump.
      EXPECT_GT(angles[f], angles[f - 1]) << "frame " << f + 1;
      EXPECT_LT(angles[f] - angles[f - 1], 9.0) << "frame " << f + 1;
    }
    EXPECT_GT(strip.CountDifferences(0, 0, 0, strip.FrameTop(64, 65), size, size, 40), size * size / 20);
    // Corners stay clear so the panel's scale shows around the knob.
    EXPECT_EQ(strip.At(0, 0).a, 0);
    EXPECT_EQ(strip.At(size - 1, strip.FrameTop(64, 65)).a, 0);
  }
}

// Segments a..g (top, upper right, lower right, bottom, lower left, upper left,
// middle) read at the middle of each bar of a 10 x 16 glyph.
int ReadSegments(const PanelImage& digits, int top) {
  static const int kProbe[7][2] = {{5, 1}, {8, 5}, {8, 11}, {5, 14}, {1, 11}, {1, 5}, {5, 8}};
  int code = 0;
  for (int s = 0; s < 7; ++s) {
    const PanelPixel p = digits.At(kProbe[s][0], top + kProbe[s][1]);
    if (p.r > 140 && p.g < 110) code |= 1 << s;
  }
  return code;
}

TEST(PanelPictures, DigitFramesShowZeroToFOnSevenSegments) {
  // What a seven-segment display shows for 0..9, A, b, C, d, E, F.
  const int kExpected[16] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                             0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
  const PanelImage digits = PanelImage::FromResource(109);
  ASSERT_TRUE(digits.Valid());
  for (int f = 0; f < 16; ++f) {
    EXPECT_EQ(ReadSegments(digits, digits.FrameTop(f, 16)), kExpected[f]) << "frame " << f + 1;
  }
  for (int a = 0; a < 16; ++a) {
    for (int b = a + 1; b < 16; ++b) {
      EXPECT_GT(digits.CountDifferences(0, digits.FrameTop(a, 16), 0, digits.FrameTop(b, 16), 10, 16, 60), 3)
          << a << " vs " << b;
    }
  }
}

TEST(PanelPictures, DigitGlyphsStayWholeWhenAFrameIsReadOneRowEarly) {
  // 264 / 16 is not whole: frames start at rounded multiples of 16.5. A glyph's
  // lit segments keep clear of the first and last row of its 16 rows, so
  // reading frame i from the truncated offset shows the same glyph.
  const PanelImage digits = PanelImage::FromResource(109);
  ASSERT_TRUE(digits.Valid());
  for (int f = 0; f < 16; ++f) {
    const int rounded = digits.FrameTop(f, 16);
    const int truncated = f * 264 / 16;
    ASSERT_LE(rounded - truncated, 1);
    int litOutside = 0;
    for (int y = rounded - 1; y < rounded + 17; ++y) {
      if (y >= rounded && y < truncated + 16) continue;  // seen by both readings
      for (int x = 0; x < 10; ++x) {
        const PanelPixel p = digits.At(x, y);
        if (p.r > 140 && p.g < 110) ++litOutside;
      }
    }
    EXPECT_EQ(litOutside, 0) << "frame " << f + 1;
  }
}
