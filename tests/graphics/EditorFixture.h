#pragma once
// An editor of 200 × 100 on the headless window system, with a background,
// for the framework tests.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/HeadlessWindowSystem.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "tests/graphics/GraphicsTestSupport.h"

constexpr int kBackgroundId = 9201;
constexpr int kKnobStripId = 9202;
constexpr int kSwitchStripId = 9203;

inline void RegisterEditorPictures() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterTestStrip(kBackgroundId, 200, 100, {0xff404040u});
  std::vector<uint32_t> knob;
  for (int f = 0; f < 65; ++f) knob.push_back(0xff000000u | static_cast<uint32_t>(f * 3) << 16);
  RegisterTestStrip(kKnobStripId, 20, 20, knob);
  RegisterTestStrip(kSwitchStripId, 10, 10, {0xffff0000u, 0xff00ff00u, 0xff0000ffu});
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterEditorPictures();
    auto system = std::make_unique<HeadlessWindowSystem>();
    ws = system.get();
    graphics = std::make_unique<IGraphics>(&plug, 200, 100, 25, std::move(system));
    graphics->SetBackground(kBackgroundId, "back.png");
  }
  // What AttachEditor does: push every value, create the back buffer.
  void Attach() {
    for (int i = 0; i < plug.EditorParamCount(); ++i)
      graphics->ShowParamValue(i, plug.params[static_cast<size_t>(i)].value, false);
    graphics->PrepDraw();
  }
  void Open() {
    Attach();
    ASSERT_TRUE(graphics->OpenEditorWindow(0x1234));
  }
  // Host idle calls until the clock has moved by ms, in steps.
  void IdleFor(int ms, int step = 10) {
    for (int t = 0; t < ms; t += step) {
      ws->AdvanceTime(static_cast<uint64_t>(step));
      graphics->EditorIdle();
    }
  }
  PanelBitmap Knob() { return graphics->LoadPanelBitmap(kKnobStripId, "knob.png", 65); }
  PanelBitmap Switch3() { return graphics->LoadPanelBitmap(kSwitchStripId, "polybox.PNG", 3); }

  TestPlug plug;
  HeadlessWindowSystem* ws = nullptr;
  std::unique_ptr<IGraphics> graphics;
};
