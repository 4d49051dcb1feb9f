// The editor's zoom in the framework: sizes from the screen's settings, the
// twice-size pictures, and window pixels mapped to drawing units.
#include <gtest/gtest.h>

#include "graphics/EditorZoom.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "tests/graphics/EditorFixture.h"

namespace {

constexpr int kDoubleStripId = kSwitchStripId + kDoubleSizeResourceOffset;

TEST(EditorZoomSizes, FollowTheScreensSettingsRoundedToOfferedSizes) {
  const struct {
    const char* gdkScale;
    const char* xftDpi;
    int size;
  } cases[] = {
      {nullptr, nullptr, 100}, {"", "", 100},         {"2", "96", 200},        {"1", "192", 100},
      {nullptr, "96", 100},    {nullptr, "120", 125}, {nullptr, "144", 150},   {nullptr, "168", 175},
      {nullptr, "192", 200},   {nullptr, "288", 200}, {nullptr, "72", 100},    {nullptr, "\t144", 150},
      {nullptr, "131", 125},   {nullptr, "133", 150}, {"abc", "144", 150},     {"0", "144", 150},
      {"-2", nullptr, 100},    {"1.5", nullptr, 150}, {nullptr, "1e400", 100}, {nullptr, "dpi", 100},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScreenEditorSize(c.gdkScale, c.xftDpi), c.size)
        << (c.gdkScale ? c.gdkScale : "null") << " / " << (c.xftDpi ? c.xftDpi : "null");
}

class ZoomedEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    // The switch strip drawn at twice the size, in colours a shade off the
    // 1x strip's, so that a pixel tells which strip it came from.
    static bool registered = false;
    if (!registered) {
      registered = true;
      RegisterTestStrip(kDoubleStripId, 20, 20, {0xfffe0000u, 0xff00fe00u, 0xff0000feu});
    }
  }
};

TEST_F(ZoomedEditorTest, PicturesMouseAndTooltipsFollowTheZoom) {
  auto* sw = new ISwitchControl(&plug, 20, 20, -1, Switch3());
  sw->SetTooltip("three frames");
  graphics->AddControl(sw);
  graphics->HandleMouseOver(true);
  graphics->EnableTooltips(true);
  graphics->SetZoom(150);
  Open();
  EXPECT_EQ(graphics->WindowWidth(), 300);
  EXPECT_EQ(graphics->BackBuffer()->Width(), 300);
  sw->SetValue(0.5);
  sw->MarkDirty(false);
  IdleFor(40);
  // The green frame covers units 20..30, pixels 30..45; drawn from the
  // twice-size strip it takes nothing from the red and blue frames beside it.
  for (int y = 30; y < 45; ++y)
    for (int x = 30; x < 45; ++x) {
      const LICE_pixel p = graphics->BackBuffer()->GetPixel(x, y);
      EXPECT_EQ(p, 0xff00fe00u) << x << ", " << y;
    }
  EXPECT_EQ(graphics->BackBuffer()->GetPixel(29, 37), 0xff404040u);
  EXPECT_EQ(graphics->BackBuffer()->GetPixel(45, 37), 0xff404040u);

  // Pixel 44 is unit 29 (on the switch), pixel 45 unit 30 (off it).
  ws->Click(44, 44);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
  ws->Click(45, 45);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);

  // The tooltip sits at the pointer in window pixels.
  ws->Move(40, 41);
  HeadlessWindowSystem::Event hover;
  hover.kind = HeadlessWindowSystem::Event::kHover;
  ws->Queue(hover);
  IdleFor(10);
  EXPECT_EQ(ws->tooltip, "three frames");
  EXPECT_NEAR(ws->tooltipX, 40, 1.5);
  EXPECT_NEAR(ws->tooltipY, 41, 1.5);
  EXPECT_DOUBLE_EQ(ws->drawScale, 1.5);
}

}  // namespace
