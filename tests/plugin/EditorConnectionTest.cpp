// The plug-in base and the framework's editor object, connected as the
// instrument connects them, on the headless window system.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/HeadlessWindowSystem.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "tests/plugin/TestPlug.h"

namespace {

class ProbeControl : public IControl {
 public:
  ProbeControl(IEditorDelegate* plug, int paramIdx) : IControl(plug, Rect{0, 0, 10, 10}, paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
};

}  // namespace

TEST(EditorConnection, AttachShowsValuesAndTheWindowMakesTheBackBuffer) {
  TestPlug plug;
  IGraphics graphics(&plug, 120, 60, 25, std::make_unique<HeadlessWindowSystem>());
  auto* steps = new ProbeControl(&plug, 1);
  auto* colour = new ProbeControl(&plug, 3);
  graphics.AddControl(steps);
  graphics.AddControl(colour);
  plug.GetParam(1)->SetValue(6);  // -12..12

  plug.AttachGraphics(&graphics);
  EXPECT_EQ(plug.GetGraphics(), &graphics);
  ASSERT_NE(plug.GetEditorLink(), nullptr);
  EXPECT_EQ(plug.GetEditorLink()->Width(), 120);
  EXPECT_EQ(plug.GetEditorLink()->Height(), 60);
  // An editor that never opens costs no panel-sized bitmap.
  EXPECT_EQ(graphics.BackBuffer(), nullptr);
  EXPECT_DOUBLE_EQ(steps->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(colour->GetValue(), 0.5);

  // The plug-in's own change reaches the control bound to the parameter.
  plug.SetParameterFromEngine(1, -12);
  EXPECT_DOUBLE_EQ(steps->GetValue(), 0.0);
  plug.GetParam(3)->SetValue(2);
  plug.RefreshParamControls();
  EXPECT_DOUBLE_EQ(colour->GetValue(), 1.0);
  EXPECT_FALSE(plug.GetEditorLink()->IsEditorOpen());

  ASSERT_TRUE(plug.GetEditorLink()->OpenEditorWindow(reinterpret_cast<void*>(uintptr_t{0x2a00017})));
  EXPECT_NE(graphics.BackBuffer(), nullptr);
  plug.GetEditorLink()->CloseEditorWindow();
}

TEST(EditorConnection, TheEditorSeesParametersThroughTheBase) {
  TestPlug plug;
  EditorParamInfo info;
  ASSERT_TRUE(plug.GetEditorParamInfo(3, &info));
  EXPECT_EQ(info.kind, EditorParamKind::List);
  EXPECT_EQ(info.name, "Colour");
  EXPECT_EQ(info.max, 2.0);
  ASSERT_EQ(info.displayTexts.size(), 3u);
  EXPECT_EQ(info.displayTexts[2].second, "blue");
  EXPECT_FALSE(plug.GetEditorParamInfo(4, &info));
  EXPECT_EQ(plug.EditorParamCount(), 4);
  EXPECT_DOUBLE_EQ(plug.EditorNormalizedValue(1, 0), 0.5);
  EXPECT_EQ(plug.EditorDisplayText(3, 1.0, true), "blue");
  EXPECT_EQ(plug.EditorDisplayText(0, 0.25, false), "0.25");
  EXPECT_EQ(plug.EditorDisplayText(9, 0.25, false), "");
  plug.GetParam(0)->SetLabel("dB");
  EXPECT_EQ(plug.EditorLabelText(0), "dB");
  EXPECT_EQ(plug.EditorLabelText(3), "");

  // The editor's edit path is the base's: value, host, instrument.
  IEditorDelegate& delegate = plug;
  delegate.SetParamFromEditor(2, 1.0);
  EXPECT_EQ(plug.GetParam(2)->Value(), 1.0);
  EXPECT_EQ(plug.changed, std::vector<int>{2});
  ASSERT_EQ(plug.automated.size(), 1u);
  delegate.LockPlugin();
  delegate.LockPlugin();  // recursive
  delegate.UnlockPlugin();
  delegate.UnlockPlugin();
  EXPECT_TRUE(plug.Mutex().try_lock());
  plug.Mutex().unlock();
}
