// Behaviour of the framework controls through the headless window system:
// values, gestures, knob gearing, switches, double-clicks.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/graphics/EditorFixture.h"

TEST(EditorRecords, EmptyRectMeetsNothing) {
  const Rect empty;
  const Rect r(10, 10, 20, 20);
  EXPECT_FALSE(empty.Contains(0, 0));
  EXPECT_FALSE(empty.Intersects(r));
  EXPECT_FALSE(r.Intersects(empty));
  EXPECT_EQ(empty.Union(r), r);
  EXPECT_EQ(r.Union(empty), r);
  EXPECT_TRUE(r.Contains(10, 10));
  EXPECT_FALSE(r.Contains(20, 15)) << "right edge is outside";
  EXPECT_FALSE(r.Contains(15, 20)) << "bottom edge is outside";
  EXPECT_EQ(r.Union(Rect(30, 0, 40, 5)), Rect(10, 0, 40, 20));
  EXPECT_FALSE(r.Intersects(Rect(20, 10, 30, 20))) << "touching edges do not overlap";
  // A rectangle at the origin with size is not empty.
  EXPECT_TRUE(Rect(0, 0, 1, 1).Contains(0, 0));
}

TEST(EditorRecords, KeyCodes) {
  auto code = [](KeyEvent::Kind kind, const std::string& text = "") {
    KeyEvent e;
    e.kind = kind;
    e.text = text;
    return KeyCodeOf(e);
  };
  EXPECT_EQ(code(KeyEvent::kSpace), 0);
  EXPECT_EQ(code(KeyEvent::kUp), 1);
  EXPECT_EQ(code(KeyEvent::kDown), 2);
  EXPECT_EQ(code(KeyEvent::kLeft), 3);
  EXPECT_EQ(code(KeyEvent::kRight), 4);
  EXPECT_EQ(code(KeyEvent::kText, "0"), 5);
  EXPECT_EQ(code(KeyEvent::kText, "9"), 14);
  EXPECT_EQ(code(KeyEvent::kText, "A"), 15);
  EXPECT_EQ(code(KeyEvent::kText, "z"), 40);
  EXPECT_EQ(code(KeyEvent::kText, "Z"), 40);
  EXPECT_EQ(code(KeyEvent::kText, "+"), kKeyNone);
  EXPECT_EQ(code(KeyEvent::kText, "\xc3\xa9"), kKeyNone);
  EXPECT_EQ(code(KeyEvent::kOther), kKeyNone);
  EXPECT_EQ(code(KeyEvent::kReturn), kKeyNone);
}

TEST_F(EditorTest, DoubleClickRestoresValueAtAttachTime) {
  const int p = plug.AddContinuous("Cutoff", 30.0, 0.0, 100.0, 1);
  auto* knob = new IKnobMultiControl(&plug, 50, 40, p, Knob());
  graphics->AddControl(knob);
  Open();
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.3);
  // The host automates the parameter, then the user drags it further.
  graphics->ShowParamValue(p, 80.0, false);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.8);
  ws->Drag(60, 50, 60, 45);
  IdleFor(40);
  EXPECT_GT(knob->GetValue(), 0.8);
  ws->DoubleClick(60, 50);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.3);
  ASSERT_FALSE(plug.calls.empty());
  const auto& last = plug.calls.back();
  EXPECT_EQ(last.what, "end");
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 30.0) << "the parameter itself follows";
}

TEST_F(EditorTest, KnobDragGearing) {
  const int p = plug.AddContinuous("Level", 0.0, 0.0, 1.0, 2);
  auto* knob = new IKnobMultiControl(&plug, 50, 40, p, Knob());  // 20 pixels high
  graphics->AddControl(knob);
  Open();
  ws->Drag(60, 59, 60, 39);  // up by the full height
  IdleFor(40);
  EXPECT_NEAR(knob->GetValue(), 0.25, 1e-12);
  MouseMods shift = HeadlessWindowSystem::Left();
  shift.S = true;
  ws->Drag(60, 59, 60, 39, shift);
  IdleFor(40);
  EXPECT_NEAR(knob->GetValue(), 0.275, 1e-12);
  MouseMods control = HeadlessWindowSystem::Left();
  control.C = true;
  ws->Drag(60, 40, 60, 60, control);  // back down (the drag may leave the control)
  IdleFor(40);
  EXPECT_NEAR(knob->GetValue(), 0.25, 1e-12);
  // Dragging far beyond the ends clamps.
  ws->Drag(60, 59, 60, -500);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plug.params[0].value, 1.0);
}

TEST_F(EditorTest, HorizontalKnobAndWheel) {
  const int p = plug.AddContinuous("Pan", 0.5, 0.0, 1.0, 2);
  auto* knob = new IKnobMultiControl(&plug, 50, 40, p, Knob(), IKnobMultiControl::kHorizontal, 2.0);
  graphics->AddControl(knob);
  Open();
  ws->Drag(55, 50, 65, 50);  // right by half the width, gearing 2
  IdleFor(40);
  EXPECT_NEAR(knob->GetValue(), 0.75, 1e-12);
  ws->Wheel(60, 50, -3);
  IdleFor(40);
  EXPECT_NEAR(knob->GetValue(), 0.72, 1e-12);
  MouseMods shift;
  shift.S = true;
  ws->Wheel(60, 50, 2, shift);
  IdleFor(40);
  EXPECT_NEAR(knob->GetValue(), 0.722, 1e-12);
}

TEST_F(EditorTest, ThreeFrameSwitchCyclesAndDoubleClickIsAPress) {
  const int p = plug.AddList("Track Mode", 0, {"Mono", "Legato", "Poly"});
  auto* sw = new ISwitchControl(&plug, 100, 20, p, Switch3());
  graphics->AddControl(sw);
  Open();
  const double expected[] = {0.5, 1.0, 0.0, 0.5};
  for (double v : expected) {
    ws->Click(105, 25);
    IdleFor(40);
    EXPECT_DOUBLE_EQ(sw->GetValue(), v);
  }
  EXPECT_DOUBLE_EQ(plug.params[0].value, 1.0) << "0.5 of 0..2";
  // Click + double-click: two presses.
  ws->DoubleClick(105, 25);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 0.0);
  EXPECT_EQ(plug.CountCalls("begin"), plug.CountCalls("end")) << "every gesture is closed";
  EXPECT_EQ(plug.CountCalls("begin"), 6);
}

TEST_F(EditorTest, TwoFrameAndOneFrameSwitches) {
  const int p = plug.AddList("Sync", 0, {"off", "on"});
  PanelBitmap two = graphics->LoadPanelBitmap(kSwitchStripId, "x.png", 2);
  PanelBitmap one = graphics->LoadPanelBitmap(kSwitchStripId, "x.png", 1);
  auto* sw2 = new ISwitchControl(&plug, 0, 0, p, two);
  auto* sw1 = new ISwitchControl(&plug, 150, 0, -1, one);
  graphics->AddControl(sw2);
  graphics->AddControl(sw1);
  Open();
  ws->Click(5, 5);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw2->GetValue(), 1.0);
  ws->Click(5, 5);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw2->GetValue(), 0.0);
  ws->Click(155, 5);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw1->GetValue(), 1.0) << "one frame: steps by 1";
  ws->Click(155, 5);
  IdleFor(40);
  EXPECT_DOUBLE_EQ(sw1->GetValue(), 0.0) << "and wraps";
}

TEST_F(EditorTest, GesturesBracketEveryEditAndHiddenOrGrayedControlsAreSkipped) {
  const int p = plug.AddContinuous("A", 0.0, 0.0, 1.0, 2);
  const int q = plug.AddContinuous("B", 0.0, 0.0, 1.0, 2);
  auto* under = new IKnobMultiControl(&plug, 50, 40, p, Knob());
  auto* over = new IKnobMultiControl(&plug, 50, 40, q, Knob());
  graphics->AddControl(under);
  graphics->AddControl(over);
  Open();
  ws->Drag(60, 59, 60, 50);
  IdleFor(40);
  EXPECT_GT(over->GetValue(), 0.0) << "the last control in the list wins";
  EXPECT_DOUBLE_EQ(under->GetValue(), 0.0);
  ASSERT_GE(plug.calls.size(), 3u);
  EXPECT_EQ(plug.calls.front().what, "begin");
  EXPECT_EQ(plug.calls.front().index, q);
  EXPECT_EQ(plug.calls.back().what, "end");
  over->SetGrayed(true);
  EXPECT_FLOAT_EQ(over->GetBlend().weight, 0.25f);
  ws->Drag(60, 59, 60, 50);
  IdleFor(40);
  EXPECT_GT(under->GetValue(), 0.0) << "grayed controls take no clicks";
  over->SetGrayed(false);
  over->SetHidden(true);
  const double before = under->GetValue();
  ws->Drag(60, 59, 60, 50);
  IdleFor(40);
  EXPECT_GT(under->GetValue(), before) << "nor do hidden ones";
}

TEST_F(EditorTest, ShowParamValueFeedsBoundAndAuxiliaryControlsOnly) {
  const int p = plug.AddContinuous("A", 0.0, -10.0, 10.0, 1);
  const int q = plug.AddContinuous("B", 0.0, 0.0, 1.0, 1);
  auto* a = new IKnobMultiControl(&plug, 0, 0, p, Knob());
  auto* b = new IKnobMultiControl(&plug, 30, 0, q, Knob());
  b->AddAuxParam(q);
  b->AddAuxParam(p);
  b->AddAuxParam(p);
  graphics->AddControl(a);
  graphics->AddControl(b);
  Attach();
  graphics->ShowParamValue(p, 5.0, false);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(b->GetAuxParam(1)->value, 0.75);
  EXPECT_DOUBLE_EQ(b->GetAuxParam(2)->value, 0.0) << "only the first entry for the parameter";
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.0);
  graphics->ShowParamValue(p, 0.1, true);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.1);
  // All values in one pass reach the same entries.
  ASSERT_EQ(p, 0);
  ASSERT_EQ(q, 1);
  const double values[] = {0.0, 0.0};
  const double shown[] = {0.6, 0.3};
  graphics->ShowAllParamValues(shown, 2);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.6);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.3);
  EXPECT_DOUBLE_EQ(b->GetAuxParam(0)->value, 0.3);
  EXPECT_DOUBLE_EQ(b->GetAuxParam(1)->value, 0.6);
  EXPECT_DOUBLE_EQ(b->GetAuxParam(2)->value, 0.0) << "only the first entry for the parameter";
  graphics->ShowAllParamValues(values, 1);
  EXPECT_DOUBLE_EQ(b->GetAuxParam(0)->value, 0.3) << "parameters past the count are left alone";
  EXPECT_TRUE(plug.calls.empty()) << "showing a value never sets the parameter";
}

TEST_F(EditorTest, LinkedValueAndNameDisplaysFollowPushes) {
  const int p = plug.AddContinuous("Cutoff", 0.0, 0.0, 100.0, 1);
  auto* knob = new IKnobMultiControl(&plug, 0, 0, p, Knob());
  auto* valueText = new ITextControl(&plug, Rect(0, 30, 60, 45), TextStyle());
  auto* nameText = new ITextControl(&plug, Rect(0, 50, 60, 65), TextStyle());
  knob->SetValueDisplayControl(valueText);
  knob->SetNameDisplayControl(nameText);
  graphics->AddControl(knob);
  graphics->AddControl(valueText);
  graphics->AddControl(nameText);
  Attach();
  knob->ShowValue(0.5);
  EXPECT_EQ(valueText->GetText(), "") << "showing does not push";
  knob->SetValue(0.25);
  knob->MarkDirty(true);
  EXPECT_EQ(valueText->GetText(), "25.0 dB");
  EXPECT_EQ(nameText->GetText(), "Cutoff");
}

TEST_F(EditorTest, MarkCleanKeepsAPendingRedrawForOneMoreFrame) {
  const int p = plug.AddContinuous("A", 0.0, 0.0, 1.0, 1);
  auto* knob = new IKnobMultiControl(&plug, 0, 0, p, Knob());
  graphics->AddControl(knob);
  Attach();
  knob->ShowValue(0.5);
  knob->MarkClean();
  EXPECT_TRUE(knob->NeedsRedraw());
  knob->MarkClean();
  EXPECT_FALSE(knob->NeedsRedraw());
  knob->ShowValue(0.5);
  EXPECT_FALSE(knob->NeedsRedraw()) << "an equal value changes nothing";
}

TEST_F(EditorTest, ValuesThatAreNoNumbersAreIgnored) {
  const int p = plug.AddContinuous("A", 0.5, 0.0, 1.0, 1);
  auto* knob = new IKnobMultiControl(&plug, 0, 0, p, Knob());
  graphics->AddControl(knob);
  Open();
  graphics->ShowParamValue(p, std::nan(""), true);
  graphics->ShowParamValue(p, HUGE_VAL, true);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
  knob->SetValue(std::nan(""));
  knob->MarkDirty(true);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(plug.params[0].value, 0.0) << "the parameter never sees it";
  IdleFor(40);
}
