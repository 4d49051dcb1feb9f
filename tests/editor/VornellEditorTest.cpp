// The instrument's editor as a host meets it: the editor flag and size, the
// window opened inside the host's window, knob drags that reach the parameter
// with the host's edit gestures around them, and the status line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "editor/VornellEditor.h"
#include "graphics/FileDialogFlow.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "plugin/IPlugBase.h"
#include "resources/panel/PanelLayout.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

// Hosts make many instances whose editors never open (scanning, large
// projects): such an instance decodes no panel picture and makes no back
// buffer; the first opening of an editor does both.
class FreshGraphicsCaches : public VornellEditorFixture {
 protected:
  Vornell* Make() override {
    // No other instance is alive between tests.
    EmptyGraphicsCaches();
    return VornellEditorFixture::Make();
  }
};

TEST_F(FreshGraphicsCaches, PicturesAndTheBackBufferWaitForTheWindow) {
  IGraphics* graphics = VornellEditor::Of(*plug)->Graphics();
  EXPECT_EQ(graphics->BackBuffer(), nullptr);
  for (int id = 101; id <= 118; ++id) EXPECT_FALSE(ResourceBitmapIsCached(id)) << "picture " << id;
  ASSERT_TRUE(OpenEditor());
  ASSERT_NE(graphics->BackBuffer(), nullptr);
  // The knobs' picture was drawn, so it is decoded, with the size the layout
  // took from its header.
  ASSERT_TRUE(ResourceBitmapIsCached(110));
  int width = 0, height = 0;
  ASSERT_TRUE(ResourcePictureSize(110, &width, &height));
  EXPECT_EQ(CachedResourceBitmap(110)->Width(), width);
  EXPECT_EQ(CachedResourceBitmap(110)->Height(), height);
}

using VornellEditorTest = VornellEditorFixture;

// The centre of master knob i.
int KnobX(int i) {
  return panel::MasterKnob(i).x + panel::kKnobSize / 2;
}
int KnobY(int i) {
  return panel::MasterKnob(i).y + panel::kKnobSize / 2;
}

TEST_F(VornellEditorTest, HostSeesAnEditorOfThePanelsSize) {
  EXPECT_NE(effect->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  ASSERT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, 1024);
  EXPECT_EQ(rect->bottom - rect->top, 512);
}

// Every control is filed under one key of its own, and the key says what the
// control carries (if anything, unlike the status line): a parameter's index
// or a panel element's (negative) id.
TEST_F(VornellEditorTest, EveryKeyedControlHasAKeyOfItsOwn) {
  const VornellEditor& editor = *VornellEditor::Of(*plug);
  const auto& keyed = editor.KeyedControls();
  EXPECT_EQ(editor.KeyRegistrations(), static_cast<int>(keyed.size())) << "a key was filed twice";
  EXPECT_GT(keyed.size(), 300u);
  for (const auto& [key, control] : keyed) {
    ASSERT_NE(control, nullptr) << key.Id();
    if (control->ParamIdx() != -1) {
      EXPECT_EQ(control->ParamIdx(), key.Id());
    }
    if (key.GetKind() == ControlKey::Kind::kParam)
      EXPECT_TRUE(key.Id() >= 0 && key.Id() < plug->NumParams()) << key.Id();
    else
      EXPECT_LT(key.Id(), 0);
  }
}

TEST_F(VornellEditorTest, OpensInsideTheHostsWindowAndCloses) {
  EXPECT_FALSE(plug->EditorOpen());
  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(plug->EditorOpen());
  EXPECT_EQ(Window().parentWindow, kParentWindow);
  Idle(5);
  // The first ticks copy the whole panel to the window.
  ASSERT_FALSE(Window().updates.empty());
  EXPECT_EQ(Dispatch(effEditClose), 1);
  EXPECT_FALSE(plug->EditorOpen());
  // Idle calls after closing do nothing harmful; the editor opens again.
  Idle(2);
  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(plug->EditorOpen());
}

TEST_F(VornellEditorTest, MasterKnobsShowParametersZeroToThree) {
  IGraphics* graphics = VornellEditor::Of(*plug)->Graphics();
  EXPECT_EQ(graphics->Width(), 1024);
  for (int i = 0; i < 4; ++i) {
    IKnobMultiControl* knob = VornellEditor::Of(*plug)->MasterKnob(i);
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->ParamIdx(), i);
    EXPECT_EQ(knob->GetRect().left, panel::MasterKnob(i).x);
    EXPECT_EQ(knob->GetRect().top, panel::MasterKnob(i).y);
    EXPECT_EQ(knob->GetBitmap().N, panel::kKnobFrames);
    // The knob shows the parameter's value from the start.
    EXPECT_NEAR(knob->GetValue(), plug->GetParam(i)->NormalizedValue(), 1e-9);
  }
  // A change from the host reaches the knob.
  effect->setParameter(effect, 2, 0.75f);
  EXPECT_NEAR(VornellEditor::Of(*plug)->MasterKnob(2)->GetValue(), 0.75, 1e-6);
}

// All values at once (the editor attached, the controls refreshed): every
// control shows its parameter, and every further value it shows its own.
TEST_F(VornellEditorTest, EveryControlShowsItsParametersAfterARefresh) {
  IGraphics* graphics = VornellEditor::Of(*plug)->Graphics();
  effect->setParameter(effect, 3, 0.3f);
  effect->setParameter(effect, 81 + 37 * 2 + 5, 0.6f);
  // The panel's controls show one value each; one made to show more.
  IControl* several = graphics->GetControl(graphics->NControls() / 2);
  for (int index : {3, 81 + 37 * 2 + 5, 3}) several->AddAuxParam(index);
  int shown = 0, auxShown = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int c = 0; c < graphics->NControls(); ++c) {
      IControl* control = graphics->GetControl(c);
      if (pass == 0) {
        control->ShowValue(-1.0);
        for (int a = 0; a < control->NAuxParams(); ++a) control->ShowAuxValue(a, -1.0);
        continue;
      }
      if (control->ParamIdx() >= 0 && control->ParamIdx() < plug->NumParams()) {
        EXPECT_EQ(control->GetValue(), plug->GetParam(control->ParamIdx())->NormalizedValue()) << c;
        ++shown;
      }
      for (int a = 0; a < control->NAuxParams(); ++a) {
        const int index = control->GetAuxParam(a)->paramIndex;
        // A parameter shown twice by one control reaches only its first place.
        const double expected = control->AuxParamIndexFor(index) == a ? plug->GetParam(index)->NormalizedValue() : -1.0;
        EXPECT_EQ(control->GetAuxParam(a)->value.load(), expected) << c << "/" << a;
        ++auxShown;
      }
    }
    if (pass == 0) plug->RefreshParamControls();
  }
  EXPECT_GT(shown, 200);
  EXPECT_EQ(auxShown, 3);
}

// The editor is built when the host first asks for it: what the host changed
// before (a preset, every parameter) shows on every control when it opens.
TEST_F(VornellEditorTest, ChangesMadeBeforeTheEditorIsBuiltShowWhenItOpens) {
  EXPECT_EQ(plug->GetGraphics(), nullptr) << "an editor was built before the host asked for one";
  EXPECT_NE(effect->flags & effFlagsHasEditor, 0);
  Dispatch(effSetProgram, 0, 5);
  for (int i = 0; i < plug->NumParams(); ++i)
    effect->setParameter(effect, i, static_cast<float>(std::fmod(0.37 * i + 0.11, 1.0)));
  ASSERT_TRUE(OpenEditor());
  Idle(3);
  IGraphics* graphics = VornellEditor::Of(*plug)->Graphics();
  int shown = 0;
  for (int c = 0; c < graphics->NControls(); ++c) {
    const IControl* control = graphics->GetControl(c);
    if (control->ParamIdx() < 0 || control->ParamIdx() >= plug->NumParams()) continue;
    EXPECT_EQ(control->GetValue(), plug->GetParam(control->ParamIdx())->NormalizedValue()) << control->ParamIdx();
    ++shown;
  }
  EXPECT_GT(shown, 200);
}

TEST_F(VornellEditorTest, DraggingTheVolumeKnobEditsParameterThreeWithGestures) {
  ASSERT_TRUE(OpenEditor());
  Idle(2);
  const double before = plug->GetParam(3)->NormalizedValue();
  RecordingHost::Clear();
  // Upwards turns the knob up; start low enough to have room.
  effect->setParameter(effect, 3, 0.25f);
  RecordingHost::Clear();
  Window().Drag(KnobX(3), KnobY(3), KnobX(3), KnobY(3) - 40);
  Idle(3);
  const double after = plug->GetParam(3)->NormalizedValue();
  EXPECT_GT(after, 0.25 + 0.05) << "before the test " << before;
  EXPECT_NEAR(effect->getParameter(effect, 3), after, 1e-6);

  const std::vector<HostEdit> edits = RecordingHost::EditsOf(3);
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().kind, HostEdit::kBegin);
  EXPECT_EQ(edits.back().kind, HostEdit::kEnd);
  int automations = 0;
  for (size_t i = 1; i + 1 < edits.size(); ++i) {
    EXPECT_EQ(edits[i].kind, HostEdit::kAutomate) << i;
    ++automations;
  }
  EXPECT_GE(automations, 1);
  // The last value the host heard is the parameter's value.
  EXPECT_NEAR(edits[edits.size() - 2].value, after, 1e-6);
  // No other parameter was touched.
  EXPECT_EQ(RecordingHost::Edits().size(), edits.size());
}

TEST_F(VornellEditorTest, TheGeneralIdleCallDrivesTheEditorToo) {
  ASSERT_TRUE(OpenEditor());
  effect->setParameter(effect, 3, 0.5f);
  Window().Drag(KnobX(3), KnobY(3), KnobX(3), KnobY(3) + 30);
  Window().AdvanceTime(30);
  Dispatch(effIdle);
  EXPECT_LT(plug->GetParam(3)->NormalizedValue(), 0.5 - 0.05);
  EXPECT_EQ(RecordingHost::EditsOf(3).back().kind, HostEdit::kEnd);
}

TEST_F(VornellEditorTest, AClickWithoutMovementStillPairsTheGestures) {
  ASSERT_TRUE(OpenEditor());
  Window().Click(KnobX(0), KnobY(0));
  Idle(2);
  const std::vector<HostEdit> edits = RecordingHost::EditsOf(0);
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0].kind, HostEdit::kBegin);
  EXPECT_EQ(edits[1].kind, HostEdit::kEnd);
}

TEST_F(VornellEditorTest, ClosingDuringADragEndsTheGesture) {
  ASSERT_TRUE(OpenEditor());
  Window().MouseDown(KnobX(1), KnobY(1));
  Window().Move(KnobX(1), KnobY(1) - 10, HeadlessWindowSystem::Left());
  Idle(1);
  Dispatch(effEditClose);
  const std::vector<HostEdit> edits = RecordingHost::EditsOf(1);
  ASSERT_FALSE(edits.empty());
  EXPECT_EQ(edits.front().kind, HostEdit::kBegin);
  EXPECT_EQ(edits.back().kind, HostEdit::kEnd);
}

TEST_F(VornellEditorTest, StatusLineShowsVersionThenTextsFromAnyThread) {
  EXPECT_EQ(StatusLineText(), "Version 1.0.1.N");
  // Nothing is stored while the window is closed.
  const uint32_t closedSerial = plug->StatusSerial();
  plug->ShowStatus("Lost", kStatusRed);
  EXPECT_EQ(plug->StatusSerial(), closedSerial);

  ASSERT_TRUE(OpenEditor());
  Idle(1);
  // The recorder reports from the audio thread: only the text is handed over.
  std::thread audio([this] { plug->ShowStatus("Recording Track 2", kStatusRed); });
  audio.join();
  EXPECT_EQ(StatusLineText(), "Version 1.0.1.N");
  Idle(1);
  EXPECT_EQ(StatusLineText(), "Recording Track 2");
  EXPECT_EQ(VornellEditor::Of(*plug)->StatusLine()->GetTextStyle().color, Color(192, 255, 64, 64));
  EXPECT_EQ(VornellEditor::Of(*plug)->StatusLine()->GetTextStyle().font, "Arial");
  EXPECT_EQ(VornellEditor::Of(*plug)->StatusLine()->GetTextStyle().size, 14);

  plug->ShowStatus("", kStatusWhite);
  Idle(1);
  EXPECT_EQ(StatusLineText(), "Version 1.0.1.N");
  EXPECT_EQ(VornellEditor::Of(*plug)->StatusLine()->GetTextStyle().color, Color(192, 255, 255, 255));

  // Only the colour changes: the line is drawn again all the same.
  plug->ShowStatus("", kStatusGreen);
  Window().updates.clear();
  Idle(2);
  EXPECT_EQ(VornellEditor::Of(*plug)->StatusLine()->GetTextStyle().color, Color(192, 64, 255, 64));
  bool statusRedrawn = false;
  const panel::Box box = panel::kStatusLine;
  for (const Rect& r : Window().updates) statusRedrawn |= r.Intersects(Rect(box.left, box.top, box.right, box.bottom));
  EXPECT_TRUE(statusRedrawn);
}

// Pixels of the status line's box in the back buffer that are mostly red.
int RedPixelsInStatusLine(IGraphics* graphics) {
  const panel::Box box = panel::kStatusLine;
  int red = 0;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      const LICE_pixel p = graphics->BackBuffer()->GetPixel(x, y);
      red += LICE_GETR(p) > 180 && LICE_GETG(p) < 110 && LICE_GETB(p) < 110;
    }
  }
  return red;
}

TEST_F(VornellEditorTest, StatusTextIsDrawnInItsColour) {
  ASSERT_TRUE(OpenEditor());
  Idle(3);
  IGraphics* graphics = VornellEditor::Of(*plug)->Graphics();
  EXPECT_EQ(RedPixelsInStatusLine(graphics), 0);
  plug->ShowStatus("Sequence A: empty.", kStatusRed);
  Idle(3);
  EXPECT_GT(RedPixelsInStatusLine(graphics), 20);
  plug->ShowStatus("", kStatusWhite);
  Idle(3);
  EXPECT_EQ(RedPixelsInStatusLine(graphics), 0);
}

TEST_F(VornellEditorTest, StatusTextIsCutToTheLinesRoom) {
  ASSERT_TRUE(OpenEditor());
  const std::string longText(1000, 'x');
  plug->ShowStatus(longText.c_str(), kStatusOrange);
  Idle(1);
  EXPECT_EQ(StatusLineText(), std::string(255, 'x'));
}

// Every text the instrument writes on its status line: the fixed messages,
// the click level at every knob step, and each parameter's name with each
// display text it can have.
std::vector<std::string> AllStatusTexts(Vornell& plug) {
  std::vector<std::string> texts = {
      "Version 1.0.1.N",           "Preset initialized.",        "Done.",
      "Cannot load file!",         "Cannot save file!",          "Program recorded/stored.",
      "Program initialized.",      "Program changed.",           "Configuration applied.",
      "Waiting for first note...", "Start overdubbing...",       "Recording started...",
      "Recording stopped.",        "Prepare for overdub...",     "Track cleared.",
      "Sequence A: empty.",        "Sequence B: empty.",         "Select a track for channel 6!",
      "Sequencer started...",      "Arpeggiator started...",     "Arpeggiator latched...",
      "Arpeggiator unlatched.",    "Extended Param. Resolution", "Low Param. Resolution",
      "Stack program assigned",    "Press TRACK button...",      "Press TRACK RECORD...",
      "Track settings reset.",     "Ignore MIDI Program Change", "Permit MIDI Program Change",
      "Receive parameter CCs",     "Ignore parameter CCs",       "Auto-Tuning not necessary :-)",
      kNoDialogProgramNotice};
  for (int i = 0; i <= 1000; ++i) {
    plug.Sequencing().SetClickLevel(i / 1000.0);
    texts.push_back(plug.StatusText());
  }
  for (int index = 0; index < plug.NumParams(); ++index) {
    const PlugParam& param = *plug.GetParam(index);
    const bool whole = param.Kind() != ParamKind::Continuous;
    const int steps = whole ? static_cast<int>(param.Max() - param.Min()) : 1000;
    for (int i = 0; i <= steps; ++i) {
      const double v = whole ? param.Min() + i : param.Min() + (param.Max() - param.Min()) * i / steps;
      texts.push_back(std::string(param.Name()) + ": " + param.DisplayText(v));
    }
  }
  return texts;
}

TEST_F(VornellEditorTest, EveryStatusTextFitsTheStatusLine) {
  ASSERT_TRUE(OpenEditor());
  ITextControl* line = VornellEditor::Of(*plug)->StatusLine();
  LICE_IFont* font = CachedFontFor(line->GetTextStyle());
  ASSERT_NE(font, nullptr);
  // The browser page shows the status in a box of its own.
  const int room = std::min(line->GetRect().W(), panel::kBrowserStatusLine.right - panel::kBrowserStatusLine.left);
  int widest = 0;
  for (const std::string& text : AllStatusTexts(*plug)) {
    const int width = font->MeasureText(text);
    widest = std::max(widest, width);
    EXPECT_LE(width, room) << '"' << text << '"' << ' ' << width;
  }
  // The sweep reached the long texts.
  EXPECT_GT(widest, room * 3 / 4);
}

// Pixels in r that differ from the panel picture.
int ChangedPixels(Vornell* plug, const Rect& r) {
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const LICE_IBitmap* back = static_cast<const IBitmapControl*>(g->GetControl(0))->GetBitmap().bitmap;
  int changed = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) changed += g->BackBuffer()->GetPixel(x, y) != back->GetPixel(x, y);
  return changed;
}

TEST_F(VornellEditorTest, StatusLineDrawsOnlyInsideItsBoxAndErasesItWhole) {
  ASSERT_TRUE(OpenEditor());
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const Rect box = VornellEditor::Of(*plug)->StatusLine()->GetRect();
  const Rect right(box.right, box.top, VornellEditor::Of(*plug)->Graphics()->Width(), box.bottom);
  const std::string longText(80, 'W');
  plug->ShowStatus(longText.c_str(), kStatusOrange);
  Idle(3);
  // A redraw of everything, then of the status line alone.
  g->SetAllControlsDirty();
  Idle(2);
  EXPECT_EQ(ChangedPixels(plug, right), 0);
  EXPECT_GT(ChangedPixels(plug, box), 200);
  plug->ShowStatus("Done.", kStatusGreen);
  Window().updates.clear();
  Idle(3);
  ASSERT_FALSE(Window().updates.empty());
  for (const Rect& r : Window().updates) EXPECT_EQ(r, box);
  EXPECT_EQ(ChangedPixels(plug, right), 0);
  // Past the short text the box is bare again.
  EXPECT_EQ(ChangedPixels(plug, Rect(box.left + 60, box.top, box.right, box.bottom)), 0);
}

TEST_F(VornellEditorTest, ClosingTheInstrumentWithTheEditorOpenIsSafe) {
  ASSERT_TRUE(OpenEditor());
  Window().MouseDown(KnobX(3), KnobY(3));
  Idle(1);
  // TearDown's effClose deletes the instrument while the knob is held.
}

}  // namespace
