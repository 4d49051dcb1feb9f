// Pixels of drawn controls in the back buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "graphics/lice/LICE_IBitmap.h"
#include "graphics/lice/LICE_PNG.h"
#include "tests/graphics/EditorFixture.h"

namespace {

LICE_pixel At(IGraphics& g, int x, int y) {
  return g.BackBuffer()->GetPixel(x, y);
}

class Filler : public IControl {
 public:
  Filler(IEditorDelegate* plug, const Rect& r, Color c, BlendMode b) : IControl(plug, r, -1, b), color(c) {}
  bool Draw(IGraphics* g) override { return g->FillRect(color, drawRect, &blend); }
  Color color;
};

}  // namespace

TEST_F(EditorTest, BitmapAndKnobFramesFollowTheValue) {
  auto* sw = new IBitmapControl(&plug, 20, 20, -1, Switch3());
  auto* knob = new IKnobMultiControl(&plug, 100, 20, -1, Knob());
  graphics->AddControl(sw);
  graphics->AddControl(knob);
  Open();
  EXPECT_EQ(At(*graphics, 150, 90), 0xff404040u) << "background";
  EXPECT_EQ(At(*graphics, 25, 25), 0xffff0000u) << "value 0: first frame";
  sw->SetValue(0.5);
  sw->MarkDirty(false);
  knob->SetValue(0.5);  // frame int(64 * 0.5 + 0.5) + 1 = 33, red 32 * 3
  knob->MarkDirty(false);
  IdleFor(40);
  EXPECT_EQ(At(*graphics, 25, 25), 0xff00ff00u);
  EXPECT_EQ(At(*graphics, 29, 29), 0xff00ff00u);
  EXPECT_EQ(At(*graphics, 30, 30), 0xff404040u) << "one frame is 10 × 10";
  EXPECT_EQ(At(*graphics, 110, 30), 0xff000000u | (96u << 16));
  sw->SetValue(1.0);
  sw->MarkDirty(false);
  knob->SetValue(1.0);
  knob->MarkDirty(false);
  IdleFor(40);
  EXPECT_EQ(At(*graphics, 25, 25), 0xff0000ffu);
  EXPECT_EQ(At(*graphics, 119, 39), 0xff000000u | (192u << 16)) << "last frame";
}

TEST_F(EditorTest, SideBySideFramesAndPartialBlit) {
  // The three 10 × 10 frames read as 30 × 10 side by side: frame 2 starts at x = 10.
  PanelBitmap strip = graphics->LoadPanelBitmap(kSwitchStripId, "s.png", 3);
  ASSERT_NE(strip.bitmap, nullptr);
  EXPECT_EQ(strip.W, 10);
  EXPECT_EQ(strip.H, 30);
  EXPECT_EQ(strip.FrameHeight(), 10);
  EXPECT_EQ(graphics->LoadPanelBitmap(kSwitchStripId, "s.bmp", 3).bitmap, strip.bitmap) << "cached by id";
  EXPECT_EQ(graphics->LoadPanelBitmap(9290, "s.bmp", 1).bitmap, nullptr) << "only png names are loaded";
  EXPECT_EQ(graphics->LoadPanelBitmap(9290, "s.png", 1).bitmap, nullptr) << "the empty entry stays";
  EXPECT_EQ(graphics->LoadPanelBitmap(9291, "missing.png", 1).bitmap, nullptr);
  graphics->PrepDraw();
  graphics->Redraw(Rect(0, 0, 200, 100));
  // Draw frame 3 of 3 into a rectangle that sticks out of the drawn area.
  graphics->Redraw(Rect(0, 0, 1, 1));  // sets the drawn rectangle
  class Probe : public IControl {
   public:
    Probe(IEditorDelegate* plug, PanelBitmap b) : IControl(plug, Rect(50, 50, 60, 60)), bitmap(b) {}
    bool Draw(IGraphics* g) override { return g->BlitFrame(bitmap, drawRect, 3, &blend); }
    PanelBitmap bitmap;
  };
  auto* probe = new Probe(&plug, strip);
  graphics->AddControl(probe);
  graphics->Redraw(Rect(55, 55, 100, 100));
  EXPECT_EQ(At(*graphics, 55, 55), 0xff0000ffu);
  EXPECT_EQ(At(*graphics, 54, 55), 0xff404040u) << "outside the redrawn rectangle";
  // A control without a bitmap draws nothing and reports it.
  PanelBitmap none;
  auto* empty = new IBitmapControl(&plug, 0, 0, -1, none);
  EXPECT_FALSE(empty->Draw(graphics.get()));
  delete empty;
}

TEST_F(EditorTest, FillBlendsAndGrayedWeight) {
  BlendMode add(BlendMode::kAdd, 1.0f);
  BlendMode clobber(BlendMode::kClobber, 1.0f);
  auto* plus = new Filler(&plug, Rect(0, 0, 10, 10), Color(255, 32, 64, 128), add);
  auto* over = new Filler(&plug, Rect(20, 0, 30, 10), Color(128, 255, 255, 255), BlendMode());
  auto* copy = new Filler(&plug, Rect(40, 0, 50, 10), Color(128, 255, 0, 0), clobber);
  auto* gray = new Filler(&plug, Rect(60, 0, 70, 10), Color(255, 255, 255, 255), BlendMode());
  gray->SetGrayed(true);
  graphics->AddControl(plus);
  graphics->AddControl(over);
  graphics->AddControl(copy);
  graphics->AddControl(gray);
  Open();
  const LICE_pixel p = At(*graphics, 5, 5);
  EXPECT_EQ(LICE_GETR(p), 0x40 + 32);
  EXPECT_EQ(LICE_GETG(p), 0x40 + 64);
  EXPECT_EQ(LICE_GETB(p), 0x40 + 128);
  EXPECT_NEAR(LICE_GETR(At(*graphics, 25, 5)), (0x40 + 255) / 2, 2) << "the colour's alpha blends";
  EXPECT_EQ(At(*graphics, 45, 5), 0xffff0000u) << "a plain copy ignores the colour's alpha";
  EXPECT_NEAR(LICE_GETR(At(*graphics, 65, 5)), 0x40 + (255 - 0x40) / 4, 2) << "grayed at a quarter";
}

TEST_F(EditorTest, PartialRedrawDoesNotAccumulateTranslucentFills) {
  auto* veil = new Filler(&plug, Rect(10, 10, 60, 60), Color(64, 255, 255, 255), BlendMode());
  auto* small = new IBitmapControl(&plug, 30, 30, -1, Switch3());
  graphics->AddControl(veil);
  graphics->AddControl(small);
  Open();
  const LICE_pixel once = At(*graphics, 12, 12);
  for (int i = 0; i < 5; ++i) {
    small->MarkDirty(false);
    IdleFor(40);
  }
  EXPECT_EQ(At(*graphics, 12, 12), once) << "the veil outside the dirty area is not drawn again";
  EXPECT_EQ(LICE_GETR(At(*graphics, 33, 33)), LICE_GETR(At(*graphics, 33, 33)));
}

TEST_F(EditorTest, HiddenControlsAreNotDrawn) {
  auto* sw = new IBitmapControl(&plug, 20, 20, -1, Switch3());
  graphics->AddControl(sw);
  Open();
  EXPECT_EQ(At(*graphics, 25, 25), 0xffff0000u);
  sw->SetHidden(true);
  IdleFor(40);
  EXPECT_EQ(At(*graphics, 25, 25), 0xff404040u) << "its area is drawn again without it";
}

TEST_F(EditorTest, LabelsAndWritingThePicture) {
  TextStyle style("Arial", 14, Color(255, 255, 255, 255), TextStyle::kStyleNormal, TextStyle::kAlignNear);
  auto* label = new ITextControl(&plug, Rect(20, 40, 180, 56), style, "Version 1.0.1");
  auto* blank = new ITextControl(&plug, Rect(20, 70, 180, 86), style, "");
  graphics->AddControl(label);
  graphics->AddControl(blank);
  Open();
  int white = 0, left = 1000;
  for (int y = 40; y < 56; ++y)
    for (int x = 0; x < 200; ++x)
      if (LICE_GETR(At(*graphics, x, y)) > 0xa0) {
        ++white;
        left = std::min(left, x);
      }
  EXPECT_GT(white, 40);
  EXPECT_NEAR(left, 21, 2) << "near alignment starts at the left edge";
  for (int y = 70; y < 86; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(At(*graphics, x, y), 0xff404040u) << "empty text draws nothing";
  // The same text set again changes nothing; a new one marks the control.
  IdleFor(40);
  label->SetTextFromPlug("Version 1.0.1");
  EXPECT_FALSE(label->NeedsRedraw());
  label->SetTextFromPlug("Done.");
  EXPECT_TRUE(label->NeedsRedraw());

  const std::string path = std::string(VORNELL_BINARY_DIR) + "/graphics-label-test.png";
  ASSERT_TRUE(ws->WriteBackBufferPNG(path));
  std::ifstream file(path, std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::unique_ptr<LICE_MemBitmap> back(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Width(), 200);
  EXPECT_EQ(back->GetPixel(150, 90), 0xff404040u);
  int differing = 0;
  for (int y = 40; y < 56; ++y)
    for (int x = 0; x < 200; ++x) differing += back->GetPixel(x, y) != At(*graphics, x, y);
  EXPECT_EQ(differing, 0) << "the written picture is the back buffer";
  std::remove(path.c_str());
}

TEST_F(EditorTest, NonStrictDrawingRedrawsOverlapsOfDirtyControls) {
  graphics->SetStrictDrawing(false);
  auto* a = new IBitmapControl(&plug, 20, 20, -1, Switch3());
  auto* b = new IBitmapControl(&plug, 25, 25, -1, Switch3());
  graphics->AddControl(a);
  graphics->AddControl(b);
  Open();
  EXPECT_EQ(At(*graphics, 27, 27), 0xffff0000u);
  a->SetValue(1.0);
  a->MarkDirty(false);
  IdleFor(40);
  EXPECT_EQ(At(*graphics, 22, 22), 0xff0000ffu) << "the dirty control";
  EXPECT_EQ(At(*graphics, 27, 27), 0xffff0000u) << "the overlapping later control drawn again on top";
  EXPECT_FALSE(a->NeedsRedraw());
}
