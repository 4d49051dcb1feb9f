// The whole front panel of the real instrument, driven with the mouse through
// the headless window system: the edit track's voice controls, the
// configuration page, latching panel buttons, the channel selectors, switches,
// knobs, the program selectors' gray state, and a picture of the panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "editor/PanelControls.h"
#include "editor/ProgramBrowser.h"
#include "editor/SelectorControls.h"
#include "editor/VornellEditor.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IGraphics.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "performance/PanelIds.h"
#include "programs/ParameterTable.h"
#include "resources/panel/PanelLayout.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/HostedInstrument.h"

namespace {

class PanelEditorTest : public VornellEditorFixture {
 protected:
  // The window open, the tracks' programs not linked (linked tracks would
  // follow each other's edits and gray each other's selectors).
  void OpenAndSettle() {
    ASSERT_TRUE(OpenEditor());
    SetPlain(kParamLinkPrograms, 0);
    Idle(3);
  }
  IControl* Key(ControlKey key) { return VornellEditor::Of(*plug)->ControlByKey(key); }
  static ControlKey Panel(int id) { return ControlKey::Panel(id); }
  static ControlKey Param(int index) { return ControlKey::Param(index); }
  // Centre of a control's rectangle.
  void ClickOn(IControl* control, MouseMods mods = HeadlessWindowSystem::Left()) {
    ASSERT_NE(control, nullptr);
    Window().Click(control->GetRect().MidX(), control->GetRect().MidY(), mods);
    Idle(2);
  }
  // The voice controls of track t that are visible, and all of them.
  void CountVoiceControls(int t, int* visible, int* total) {
    *visible = *total = 0;
    IGraphics* g = VornellEditor::Of(*plug)->Graphics();
    for (int i = 0; i < g->NControls(); ++i) {
      const int index = g->GetControl(i)->ParamIdx();
      if (!IsVoiceParam(index) || VoiceParamTrack(index) != t) continue;
      ++*total;
      *visible += !g->GetControl(i)->IsHidden();
    }
  }
  void SetPlain(int index, double value) {
    effect->setParameter(effect, index, static_cast<float>(plug->GetParam(index)->ToNormalized(value)));
  }
  IKRChannelControl* Channel(int t) {
    return dynamic_cast<IKRChannelControl*>(Key(Param(TrackParamIndex(t, kTrackChannel))));
  }
  // A click on a panel button, or on keypad digits one after the other.
  void Press(int id) { ClickOn(VornellEditor::Of(*plug)->Kick(id)); }
  void Type(std::initializer_list<int> digits) {
    for (int d : digits) Press(panel_id::KeypadButton(d));
  }
  // The digit frames the CONTROL number display draws, and those of a
  // two-digit decimal number.
  std::pair<int, int> NumberShown() {
    std::pair<int, int> frames;
    static_cast<IKRNumberDisplay*>(Key(Panel(panel_id::kNumberDisplay)))->DigitFrames(&frames.first, &frames.second);
    return frames;
  }
  static std::pair<int, int> Digits(int n) { return {n / 10 % 10 + 1, n % 10 + 1}; }
};

TEST_F(PanelEditorTest, OnlyTheEditTracksVoiceControlsAreShown) {
  OpenAndSettle();
  int visible = 0, total = 0;
  for (int t = 0; t < 6; ++t) {
    CountVoiceControls(t, &visible, &total);
    // 27 knobs, 8 indicators and the voice mode drop-down per track.
    EXPECT_EQ(total, 36) << t;
    EXPECT_EQ(visible, t == 0 ? total : 0) << t;
  }
  // The EDIT TRACK display offers the six tracks; choosing 4 shows track 4's controls.
  Window().menuAnswers.push_back({3});
  ClickOn(Key(Panel(panel_id::kEditTrackDisplay)));
  ASSERT_FALSE(Window().menusShown.empty());
  EXPECT_EQ(Window().menusShown.back().texts, (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(Window().menusShown.back().flags[0] & PopupMenuItem::kChecked, PopupMenuItem::kChecked);
  EXPECT_EQ(plug->Panel().EditTrack(), 3);
  CountVoiceControls(0, &visible, &total);
  EXPECT_EQ(visible, 0);
  CountVoiceControls(3, &visible, &total);
  EXPECT_EQ(visible, total);
  int left = 0, right = 0;
  static_cast<IKRNumberDisplay*>(Key(Panel(panel_id::kEditTrackDisplay)))->DigitFrames(&left, &right);
  EXPECT_EQ(left, 5);  // frame 5 shows the digit 4
  EXPECT_EQ(right, 0);

  // The panel logic changes the edit track and asks for a full refresh.
  plug->Panel().SetEditTrack(1);
  VornellEditor::Of(*plug)->RequestFullRefresh();
  plug->MarkPanelDirty();
  Idle(1);
  CountVoiceControls(3, &visible, &total);
  EXPECT_EQ(visible, 0);
  CountVoiceControls(1, &visible, &total);
  EXPECT_EQ(visible, total);
}

TEST_F(PanelEditorTest, ConfigurationPageShowsTuneOrTransposeKnobs) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(false);
  Idle(1);
  EXPECT_FALSE(plug->config.configPanelShown.load());
  EXPECT_TRUE(Key(Panel(panel_id::kConfigOverlay))->IsHidden());
  EXPECT_FALSE(Key(Panel(panel_id::kParamOverlay))->IsHidden());
  for (int t = 0; t < 6; ++t) {
    EXPECT_TRUE(Key(Param(TrackParamIndex(t, kTrackTune)))->IsHidden()) << t;
    EXPECT_TRUE(Key(Panel(panel_id::ProgramSelector(t)))->IsHidden()) << t;
  }

  // The page switch of the top bar turns the page on.
  ClickOn(Key(Panel(panel_id::kConfigPageSwitch)));
  EXPECT_TRUE(plug->config.configPanelShown.load());
  EXPECT_GE(Key(Panel(panel_id::kConfigPageSwitch))->GetValue(), 0.5);
  EXPECT_FALSE(Key(Panel(panel_id::kConfigOverlay))->IsHidden());
  EXPECT_TRUE(Key(Panel(panel_id::kParamOverlay))->IsHidden());
  for (ControlKey key : {Panel(panel_id::kTemplateDropDown), Panel(panel_id::kTrackSettingsReset),
                         Param(kParamLinkPrograms), Panel(panel_id::kTuneTransposeToggle)})
    EXPECT_FALSE(Key(key)->IsHidden()) << key.Id();
  for (int t = 0; t < 6; ++t) {
    for (ControlKey key : {Param(TrackParamIndex(t, kTrackChannel)), Param(TrackParamIndex(t, kTrackMode)),
                           Panel(panel_id::CycleSwitch(t)), Panel(panel_id::ProgramSelector(t)),
                           Param(TrackParamIndex(t, kTrackVolume)), Param(TrackParamIndex(t, kTrackPanorama))})
      EXPECT_FALSE(Key(key)->IsHidden()) << key.Id();
    EXPECT_FALSE(Key(Param(TrackParamIndex(t, kTrackTune)))->IsHidden()) << t;
    EXPECT_TRUE(Key(Param(TrackParamIndex(t, kTrackTranspose)))->IsHidden()) << t;
  }

  // TUN/TRP swaps the two knobs, which sit on the same spot.
  auto* toggle = dynamic_cast<IKRTextToggle*>(Key(Panel(panel_id::kTuneTransposeToggle)));
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(toggle->Text(), "TUN");
  ClickOn(toggle);
  EXPECT_TRUE(VornellEditor::Of(*plug)->TransposeView());
  EXPECT_EQ(toggle->Text(), "TRP");
  for (int t = 0; t < 6; ++t) {
    EXPECT_TRUE(Key(Param(TrackParamIndex(t, kTrackTune)))->IsHidden()) << t;
    EXPECT_FALSE(Key(Param(TrackParamIndex(t, kTrackTranspose)))->IsHidden()) << t;
    EXPECT_EQ(Key(Param(TrackParamIndex(t, kTrackTune)))->GetRect(),
              Key(Param(TrackParamIndex(t, kTrackTranspose)))->GetRect());
    EXPECT_FALSE(Key(Param(TrackParamIndex(t, kTrackVolume)))->IsHidden()) << t;
  }
  // Switching the page off hides both.
  ClickOn(Key(Panel(panel_id::kConfigPageSwitch)));
  EXPECT_FALSE(plug->config.configPanelShown.load());
  EXPECT_TRUE(Key(Param(TrackParamIndex(2, kTrackTranspose)))->IsHidden());
  EXPECT_TRUE(Key(Param(TrackParamIndex(2, kTrackTune)))->IsHidden());
}

TEST_F(PanelEditorTest, ClosingAndReopeningKeepsPageAndEditTrack) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Window().menuAnswers.push_back({4});
  ClickOn(Key(Panel(panel_id::kEditTrackDisplay)));
  ASSERT_EQ(plug->Panel().EditTrack(), 4);
  Dispatch(effEditClose);
  // Closed, nothing is applied; the flags stay.
  VornellEditor::Of(*plug)->ShowConfigPage(false);
  EXPECT_TRUE(plug->config.configPanelShown.load());
  ASSERT_TRUE(OpenEditor());
  Idle(2);
  EXPECT_TRUE(plug->config.configPanelShown.load());
  EXPECT_FALSE(Key(Panel(panel_id::kConfigOverlay))->IsHidden());
  EXPECT_FALSE(Key(Panel(panel_id::ProgramSelector(0)))->IsHidden());
  EXPECT_EQ(plug->Panel().EditTrack(), 4);
  int visible = 0, total = 0;
  CountVoiceControls(4, &visible, &total);
  EXPECT_EQ(visible, total);
  CountVoiceControls(0, &visible, &total);
  EXPECT_EQ(visible, 0);
}

TEST_F(PanelEditorTest, RightClickLatchesATrackButton) {
  OpenAndSettle();
  IKRUtilityKick* track3 = VornellEditor::Of(*plug)->Kick(panel_id::TrackButton(2));
  ASSERT_NE(track3, nullptr);
  const int x = track3->GetRect().MidX(), y = track3->GetRect().MidY();
  // Down and up with the right button: it stays down.
  ClickOn(track3, HeadlessWindowSystem::Right());
  EXPECT_TRUE(track3->Latched());
  EXPECT_TRUE(track3->Pressed());
  // A second right-click releases the latch; the release follows on mouse-up.
  Window().MouseDown(x, y, HeadlessWindowSystem::Right());
  Idle(1);
  EXPECT_FALSE(track3->Latched());
  EXPECT_TRUE(track3->Pressed());
  Window().MouseUp(x, y, HeadlessWindowSystem::Right());
  Idle(1);
  EXPECT_FALSE(track3->Pressed());

  // Latched again, then a left click releases it.
  ClickOn(track3, HeadlessWindowSystem::Right());
  ASSERT_TRUE(track3->Latched());
  ClickOn(track3);
  EXPECT_FALSE(track3->Latched());
  EXPECT_FALSE(track3->Pressed());

  // Buttons that do not latch (a keypad digit) come up with the mouse.
  IKRUtilityKick* digit = VornellEditor::Of(*plug)->Kick(panel_id::KeypadButton(5));
  ClickOn(digit, HeadlessWindowSystem::Right());
  EXPECT_FALSE(digit->Latched());
  EXPECT_FALSE(digit->Pressed());

  // The panel logic's release of all latches draws them up.
  ClickOn(track3, HeadlessWindowSystem::Right());
  IKRUtilityKick* record = VornellEditor::Of(*plug)->Kick(panel_id::kRecord);
  ClickOn(record, HeadlessWindowSystem::Right());
  ASSERT_TRUE(track3->Latched() && record->Latched());
  EXPECT_TRUE(plug->Panel().ButtonLatched(panel_id::TrackButton(2)));
  EXPECT_TRUE(plug->Panel().ButtonLatched(panel_id::kRecord));
  {
    std::lock_guard lock(plug->Mutex());
    plug->Panel().ReleaseLatchedButtons();
  }
  EXPECT_FALSE(track3->Latched() || track3->Pressed() || record->Latched() || record->Pressed());
  EXPECT_FALSE(plug->Panel().ButtonLatched(panel_id::TrackButton(2)));
}

TEST_F(PanelEditorTest, ChannelSelectorsShowShortTexts) {
  OpenAndSettle();
  SetPlain(TrackParamIndex(0, kTrackChannel), kChannelAll);
  SetPlain(TrackParamIndex(1, kTrackChannel), kChannelNone);
  SetPlain(TrackParamIndex(2, kTrackChannel), 11);
  SetPlain(TrackParamIndex(3, kTrackChannel), 4);
  EXPECT_EQ(Channel(0)->Text(), "A");
  EXPECT_EQ(Channel(1)->Text(), "X");
  EXPECT_TRUE(Channel(1)->ShowsOff());
  EXPECT_EQ(Channel(2)->Text(), "12");
  EXPECT_FALSE(Channel(2)->ShowsOff());
  EXPECT_EQ(Channel(3)->Text(), "5");
}

TEST_F(PanelEditorTest, ChannelMenuNamesTheModesChannels) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(1);
  const int channelParam = TrackParamIndex(2, kTrackChannel);
  SetPlain(channelParam, 2);
  // Normal Mode: the plain list, the current channel checked, "All" chosen.
  Window().menuAnswers.push_back({0});
  ClickOn(Channel(2));
  ASSERT_EQ(Window().menusShown.size(), 1u);
  const auto& plain = Window().menusShown.back();
  ASSERT_EQ(plain.texts.size(), 20u);
  EXPECT_EQ(plain.texts[0], "All MIDI Channels (Omni)");
  EXPECT_EQ(plain.texts[7], "MIDI Channel 6");
  EXPECT_EQ(plain.texts[19], "Track Off");
  EXPECT_EQ(plain.flags[4] & PopupMenuItem::kChecked, PopupMenuItem::kChecked);
  EXPECT_EQ(plug->IntParam(channelParam), kChannelAll);

  // Mode 3 (arpeggiator Up/Down): channel 6 is the arpeggio's.
  SetPlain(kParamMode, kModeArpUpDown);
  ASSERT_EQ(plug->ModeValue(), kModeArpUpDown);
  Window().menuAnswers.push_back({19});
  ClickOn(Channel(2));
  ASSERT_EQ(Window().menusShown.size(), 2u);
  EXPECT_EQ(Window().menusShown.back().texts[7], "MIDI Channel 6 / Arpeggio");
  EXPECT_EQ(Window().menusShown.back().flags[0] & PopupMenuItem::kChecked, PopupMenuItem::kChecked);
  EXPECT_EQ(plug->IntParam(channelParam), kChannelNone);
}

TEST_F(PanelEditorTest, DoubleClickOnASwitchTogglesTwice) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(1);
  IControl* link = Key(Param(kParamLinkPrograms));
  ASSERT_NE(link, nullptr);
  const double before = plug->GetParam(kParamLinkPrograms)->Value();
  RecordingHost::Clear();
  Window().DoubleClick(link->GetRect().MidX(), link->GetRect().MidY());
  Idle(2);
  std::vector<float> values;
  for (const HostEdit& edit : RecordingHost::EditsOf(kParamLinkPrograms))
    if (edit.kind == HostEdit::kAutomate) values.push_back(edit.value);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_NE(values[0], values[1]);
  EXPECT_EQ(plug->GetParam(kParamLinkPrograms)->Value(), before);
}

TEST_F(PanelEditorTest, DraggingAVoiceKnobEditsTheEditTracksParameter) {
  OpenAndSettle();
  Window().menuAnswers.push_back({2});
  ClickOn(Key(Panel(panel_id::kEditTrackDisplay)));
  ASSERT_EQ(plug->Panel().EditTrack(), 2);
  const int cutoff2 = VoiceParamIndex(2, kVoiceFilterCutoff);
  const int cutoff0 = VoiceParamIndex(0, kVoiceFilterCutoff);
  effect->setParameter(effect, cutoff2, 0.25f);
  const double track0Before = plug->GetParam(cutoff0)->NormalizedValue();
  const panel::Spot spot = panel::VoiceKnob(kVoiceFilterCutoff);
  const int x = spot.x + panel::kKnobSize / 2, y = spot.y + panel::kKnobSize / 2;
  Window().Drag(x, y, x, y - 60);
  Idle(2);
  // 60 pixels up over a 30-pixel knob with gearing 4: half the range.
  EXPECT_NEAR(plug->GetParam(cutoff2)->NormalizedValue(), 0.75, 0.02);
  EXPECT_EQ(plug->GetParam(cutoff0)->NormalizedValue(), track0Before);
  const std::vector<HostEdit> edits = RecordingHost::EditsOf(cutoff2);
  ASSERT_FALSE(edits.empty());
  EXPECT_EQ(edits.back().kind, HostEdit::kEnd);
}

// TRACK VOLUME, VALUE and the voice section's buttons edit a parameter the
// panel chooses: the host hears that one touched for the whole press or drag,
// and none when the control edits nothing.
TEST_F(PanelEditorTest, PanelControlsTouchTheParameterTheyEdit) {
  OpenAndSettle();
  const auto drag = [this](int id) {
    IControl* knob = Key(Panel(id));
    RecordingHost::Clear();
    Window().Drag(knob->GetRect().MidX(), knob->GetRect().MidY(), knob->GetRect().MidX(), knob->GetRect().MidY() - 20);
    Idle(2);
  };
  const auto bracketed = [](int index) {
    const std::vector<HostEdit> edits = RecordingHost::EditsOf(index);
    return edits.size() >= 3 && edits.front().kind == HostEdit::kBegin && edits.back().kind == HostEdit::kEnd &&
           RecordingHost::Edits().size() == edits.size();
  };
  plug->Panel().SetEditTrack(1);
  plug->Panel().SetSelectedParam(kVoiceFilterCutoff);
  plug->Panel().OnButtonDown(panel_id::kValue, false);
  plug->Panel().OnButtonUp(panel_id::kValue);
  effect->setParameter(effect, VoiceParamIndex(1, kVoiceFilterCutoff), 0.25f);
  drag(panel_id::kValueKnob);
  EXPECT_TRUE(bracketed(VoiceParamIndex(1, kVoiceFilterCutoff)));

  plug->Panel().OnButtonDown(panel_id::TrackButton(4), false);  // held through the drag
  effect->setParameter(effect, TrackParamIndex(4, kTrackVolume), 0.25f);
  drag(panel_id::kTrackVolumeKnob);
  EXPECT_TRUE(bracketed(TrackParamIndex(4, kTrackVolume)));
  plug->Panel().OnButtonUp(panel_id::TrackButton(4));

  drag(panel_id::kTrackVolumeKnob);  // no TRACK button held: no parameter
  EXPECT_TRUE(RecordingHost::Edits().empty());

  // The voice section's buttons set the edit track's parameter they name.
  drag(panel_id::kLfoSquare);
  EXPECT_TRUE(bracketed(VoiceParamIndex(1, kVoiceLfoShape)));
  drag(panel_id::kOscPulse);
  EXPECT_TRUE(bracketed(VoiceParamIndex(1, kVoiceOscPulse)));
}

TEST_F(PanelEditorTest, KnobShowsItsValueOnlyWhereTheLayoutAskedForIt) {
  OpenAndSettle();
  auto* speed = dynamic_cast<IKRKnobControl*>(Key(Param(kParamSpeed)));
  auto* volume = dynamic_cast<IKRKnobControl*>(Key(Param(TrackParamIndex(0, kTrackVolume))));
  auto* value = dynamic_cast<IKRKnobControl*>(Key(Panel(panel_id::kValueKnob)));
  ASSERT_TRUE(speed && volume && value);
  EXPECT_TRUE(speed->ShowsValueOnHover());
  EXPECT_FALSE(volume->ShowsValueOnHover());
  EXPECT_FALSE(value->ShowsValueOnHover());
  Window().Move(speed->GetRect().MidX(), speed->GetRect().MidY());
  Idle(1);
  EXPECT_TRUE(speed->Hovered());
  Window().Move(5, 500);
  Idle(1);
  EXPECT_FALSE(speed->Hovered());
  // Frames run 1..65 and never past the strip's end.
  EXPECT_EQ(speed->FrameFor(0.0), 1);
  EXPECT_EQ(speed->FrameFor(1.0), 65);
  EXPECT_EQ(speed->FrameFor(5.0), 65);
}

TEST_F(PanelEditorTest, LinkedProgramsGrayAllButTheFirstSelectorOfAKind) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(1);
  for (int t = 0; t < 6; ++t) EXPECT_FALSE(Key(Panel(panel_id::ProgramSelector(t)))->IsGrayed()) << t;
  SetPlain(kParamLinkPrograms, 1);
  plug->Panel().SetEditTrack(4);
  plug->MarkPanelDirty();
  Idle(1);
  // The edit track (track 5) is visited first and keeps its selector.
  EXPECT_FALSE(Key(Panel(panel_id::ProgramSelector(4)))->IsGrayed());
  EXPECT_TRUE(Key(Panel(panel_id::ProgramSelector(1)))->IsGrayed());
  EXPECT_TRUE(Key(Panel(panel_id::ProgramSelector(0)))->IsGrayed());
  // A grayed selector takes no clicks: the edit track stays.
  ClickOn(Key(Panel(panel_id::ProgramSelector(1))));
  EXPECT_EQ(plug->Panel().EditTrack(), 4);
  SetPlain(kParamLinkPrograms, 0);
  Idle(1);
  for (int t = 0; t < 6; ++t) EXPECT_FALSE(Key(Panel(panel_id::ProgramSelector(t)))->IsGrayed()) << t;
  // Without the link, a click on a track's selector makes it the edit track.
  ClickOn(Key(Panel(panel_id::ProgramSelector(1))));
  EXPECT_EQ(plug->Panel().EditTrack(), 1);
}

TEST_F(PanelEditorTest, ValueDisplayFollowsTheEditTrackHoweverItChanges) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  for (int t = 0; t < 6; ++t) SetPlain(VoiceParamIndex(t, kVoiceFilterCutoff), 40 + 30 * t);
  Press(panel_id::kParam);
  Type({1, 9});
  Press(panel_id::kValue);
  // VALUE shows the edit track's cutoff in the low resolution (one bit less).
  auto expectValueOf = [this](int t, const char* how) {
    EXPECT_EQ(plug->Panel().EditTrack(), t) << how;
    EXPECT_EQ(NumberShown(), Digits((40 + 30 * t) >> 1)) << how;
  };
  expectValueOf(0, "at first");
  Window().menuAnswers.push_back({2});
  ClickOn(Key(Panel(panel_id::kEditTrackDisplay)));
  Idle(25);
  expectValueOf(2, "EDIT TRACK display menu");
  ClickOn(Key(Panel(panel_id::ProgramSelector(4))));
  Idle(25);
  expectValueOf(4, "click on a configuration-page program selector");
  Press(panel_id::kEditTrackDown);
  expectValueOf(3, "EDIT TRACK down");
}

TEST_F(PanelEditorTest, OnlyTheUsersOwnEditsMoveTheSelectedParameter) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(1);
  Press(panel_id::kParam);
  Type({1, 9});
  auto shownParam = [this] {
    Press(panel_id::kParam);
    return NumberShown();
  };
  ASSERT_EQ(shownParam(), Digits(19));

  MidiList midi;
  std::vector<std::vector<float>> buffers(14, std::vector<float>(64));
  std::vector<float*> outputs;
  for (std::vector<float>& b : buffers) outputs.push_back(b.data());
  // Programs are changed first: later edits would make the question about the
  // modified program come up.
  const std::pair<const char*, std::function<void()>> others[] = {
      {"program typed on the keypad",
       [&] {
         Press(panel_id::kProgram);
         Type({4, 2});
         EXPECT_EQ(plug->Programs().TrackProgramNumber(0), 42);
       }},
      {"PROGRAM up",
       [&] {
         Press(panel_id::kProgramUp);
         EXPECT_EQ(plug->Programs().TrackProgramNumber(0), 43);
       }},
      {"program chosen in the selector's menu",
       [&] {
         Window().menuAnswers.push_back({1, 3});
         ClickOn(Key(Panel(panel_id::ProgramSelector(0))), HeadlessWindowSystem::Right());
         EXPECT_EQ(plug->Programs().TrackProgramNumber(0), 3);
       }},
      {"next preset", [&] { Press(panel_id::kPresetNext); }},
      {"state from the host",
       [&] {
         void* chunk = nullptr;
         const intptr_t size = Dispatch(effGetChunk, 0, 0, &chunk);
         const std::vector<char> copy(static_cast<char*>(chunk), static_cast<char*>(chunk) + size);
         Dispatch(effSetChunk, 0, size, const_cast<char*>(copy.data()));
       }},
      {"configuration template",
       [&] {
         Window().menuAnswers.push_back({1});
         ClickOn(Key(Panel(panel_id::kTemplateDropDown)));
       }},
      {"host automation", [&] { SetPlain(VoiceParamIndex(0, kVoiceOscEnvDecay), 99); }},
      {"copy to a linked track",
       [&] {
         SetPlain(kParamLinkPrograms, 1);
         SetPlain(VoiceParamIndex(3, kVoiceGlideRate), 80);
         SetPlain(kParamLinkPrograms, 0);
       }},
      {"parameter controller",
       [&] {
         // Receiving parameter controllers, controller c drives parameter c + 79.
         ASSERT_TRUE(plug->config.ToggleSetting(ConfigSetting::ReceiveParamCCs));
         midi.Add(0xb0, VoiceParamIndex(0, kVoiceOscEnvAmount) - 79, 100, 0);
         Dispatch(effProcessEvents, 0, 0, midi.Events());
         effect->processReplacing(effect, nullptr, outputs.data(), 64);
         plug->config.ToggleSetting(ConfigSetting::ReceiveParamCCs);
       }},
  };
  for (const auto& [what, change] : others) {
    change();
    Idle(2);
    EXPECT_EQ(shownParam(), Digits(19)) << what;
  }
  EXPECT_EQ(plug->IntParam(VoiceParamIndex(0, kVoiceGlideRate)), 80) << "the link copied";
  EXPECT_NEAR(plug->GetParam(VoiceParamIndex(0, kVoiceOscEnvAmount))->NormalizedValue(), 100 / 127.0, 0.01);

  // The user's own edits on the panel select what they edit.
  const panel::Spot decay = panel::VoiceKnob(kVoiceOscEnvDecay);
  Window().Drag(decay.x + 15, decay.y + 15, decay.x + 15, decay.y + 5);
  Idle(2);
  EXPECT_EQ(shownParam(), Digits(kVoiceOscEnvDecay)) << "knob";
  Press(panel_id::kOscSawtooth);
  EXPECT_EQ(shownParam(), Digits(kVoiceOscSawtooth)) << "voice switch";
  ClickOn(Key(Param(VoiceParamIndex(0, kVoiceMode))));
  EXPECT_EQ(shownParam(), Digits(kVoiceMode)) << "voice mode drop-down";
  Type({2, 3});
  EXPECT_EQ(shownParam(), Digits(23)) << "keypad";
}

TEST_F(PanelEditorTest, ProgramSelectorOffersAndSelectsPrograms) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(1);
  // Right-click on track 3's selector: the list, program 30 chosen.
  Window().menuAnswers.push_back({2, 5});
  ClickOn(Key(Panel(panel_id::ProgramSelector(2))), HeadlessWindowSystem::Right());
  ASSERT_EQ(Window().menusShown.size(), 1u);
  const auto& menu = Window().menusShown.back();
  ASSERT_EQ(menu.texts.size(), 5u);
  EXPECT_EQ(menu.texts[0], "Select Program");
  EXPECT_EQ(menu.texts[1], "00 - 24");
  EXPECT_EQ(menu.texts[4], "75 - 99");
  EXPECT_EQ(plug->Programs().TrackProgramNumber(2), 30);
}

TEST_F(PanelEditorTest, PresetSelectorShowsAndRenamesThePreset) {
  OpenAndSettle();
  IKRPresetMenu* preset = nullptr;
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  for (int i = 0; i < g->NControls() && !preset; ++i) preset = dynamic_cast<IKRPresetMenu*>(g->GetControl(i));
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(preset->NumberText(), "00");
  // A click on the name opens a text entry; what is typed names the preset.
  Window().Click(panel::kPresetName.left + 20, panel::kPresetName.top + 8);
  Idle(1);
  ASSERT_NE(VornellEditor::Of(*plug)->Graphics()->GetTextEntry(), nullptr);
  Window().Key(KeyEvent::kEnd);
  for (int i = 0; i < 40; ++i) Window().Key(KeyEvent::kBackspace);
  Window().Type("Night Drive");
  Window().Key(KeyEvent::kReturn);
  Idle(3);
  EXPECT_EQ(plug->GetPresetName(0), "Night Drive");
  EXPECT_EQ(preset->NameText(), "Night Drive");
  // A click on the number offers the presets in four groups of sixteen.
  Window().menuAnswers.push_back({1, 2});
  Window().Click(panel::kPresetNumber.left + 5, panel::kPresetNumber.top + 8);
  Idle(2);
  ASSERT_FALSE(Window().menusShown.empty());
  EXPECT_EQ(Window().menusShown.back().texts, (std::vector<std::string>{"00 - 15", "16 - 31", "32 - 47", "48 - 63"}));
  EXPECT_EQ(plug->GetCurrentPresetIndex(), 18);
  EXPECT_EQ(preset->NumberText(), "18");
}

TEST_F(PanelEditorTest, SequenceButtonsOfferTheirFileMenuOutsideTheSequenceModes) {
  OpenAndSettle();
  ASSERT_TRUE(plug->Sequencing().SequenceAt(0).Empty());
  IKRUtilityKick* seqA = VornellEditor::Of(*plug)->Kick(panel_id::kSeqA);
  ClickOn(seqA, HeadlessWindowSystem::Right());
  ASSERT_EQ(Window().menusShown.size(), 1u);
  const auto& menu = Window().menusShown.back();
  ASSERT_EQ(menu.texts.size(), 6u);
  EXPECT_EQ(menu.texts[0], "Load Sequence A From MIDI File");
  EXPECT_EQ(menu.texts[5], "Default Path For Sequence Files...");
  // Saving and clearing need a sequence with events.
  EXPECT_EQ(menu.flags[0] & PopupMenuItem::kDisabled, 0);
  for (int i : {1, 2, 3}) EXPECT_EQ(menu.flags[i] & PopupMenuItem::kDisabled, PopupMenuItem::kDisabled) << i;
  EXPECT_EQ(menu.flags[4] & PopupMenuItem::kSeparator, PopupMenuItem::kSeparator);
  // The menu opened instead of a press.
  EXPECT_FALSE(seqA->Pressed());
}

TEST_F(PanelEditorTest, LearnButtonArmsLearningOrUnlearning) {
  OpenAndSettle();
  IKRSwitchMidiLearn* learn = VornellEditor::Of(*plug)->LearnButton();
  ClickOn(learn);
  EXPECT_TRUE(plug->config.learnArmed.load());
  EXPECT_FALSE(plug->config.learnRemoves.load());
  // While armed a right click changes nothing.
  ClickOn(learn, HeadlessWindowSystem::Right());
  EXPECT_TRUE(learn->LearnMode());
  ClickOn(learn);
  EXPECT_FALSE(plug->config.learnArmed.load());
  ClickOn(learn, HeadlessWindowSystem::Right());
  EXPECT_FALSE(learn->LearnMode());
  ClickOn(learn);
  EXPECT_TRUE(plug->config.learnArmed.load());
  EXPECT_TRUE(plug->config.learnRemoves.load());
  // Learning ends elsewhere (a capture): the button goes off at the next idle tick.
  plug->config.learnArmed = false;
  Idle(1);
  EXPECT_LT(learn->GetValue(), 0.5);
}

TEST_F(PanelEditorTest, TrackLedsBlinkWhileRecordIndicatorsAreActive) {
  OpenAndSettle();
  auto tick = [this] {
    std::lock_guard lock(plug->Mutex());
    plug->OnIdleTick();
  };
  plug->Sequencing().SetRecordActivity(true);
  const bool start = plug->Panel().BlinkPhase();
  tick();
  EXPECT_NE(plug->Panel().BlinkPhase(), start);
  // Six more ticks (25 frames per second / 4) keep the phase, the seventh turns it.
  for (int i = 0; i < 6; ++i) tick();
  EXPECT_NE(plug->Panel().BlinkPhase(), start);
  tick();
  EXPECT_EQ(plug->Panel().BlinkPhase(), start);
  for (int i = 0; i < 7; ++i) tick();
  ASSERT_NE(plug->Panel().BlinkPhase(), start);
  // Nothing blinks: the LEDs stay lit.
  plug->Sequencing().SetRecordActivity(false);
  tick();
  EXPECT_TRUE(plug->Panel().BlinkPhase());
}

// Pixels of box that differ from the bare background picture.
int ChangedPixels(IGraphics* g, const LICE_IBitmap* background, const Rect& box) {
  int changed = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) changed += g->BackBuffer()->GetPixel(x, y) != background->GetPixel(x, y);
  return changed;
}

// How far the pixels of r rise above the darkest one (the display's own
// colour): the text's brightness, summed.
int64_t TextBrightness(IGraphics* g, const Rect& r) {
  auto level = [g](int x, int y) {
    const LICE_pixel p = g->BackBuffer()->GetPixel(x, y);
    return static_cast<int>(LICE_GETR(p) + LICE_GETG(p) + LICE_GETB(p));
  };
  int darkest = 3 * 255;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) darkest = std::min(darkest, level(x, y));
  int64_t sum = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) sum += level(x, y) - darkest;
  return sum;
}

TEST_F(PanelEditorTest, GrayedProgramSelectorsLookGrayed) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  SetPlain(kParamLinkPrograms, 1);
  // All tracks play the same program, so the selectors show the same text.
  Press(panel_id::kProgram);
  Type({1, 2});
  Idle(3);
  ASSERT_FALSE(Key(Panel(panel_id::ProgramSelector(0)))->IsGrayed());
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const std::string path = std::string(VORNELL_BINARY_DIR) + "/panel-grayed-selectors.png";
  ASSERT_TRUE(Window().WriteBackBufferPNG(path));
  const int64_t active = TextBrightness(g, Key(Panel(panel_id::ProgramSelector(0)))->GetRect());
  for (int t = 1; t < 6; ++t) {
    IControl* selector = Key(Panel(panel_id::ProgramSelector(t)));
    ASSERT_TRUE(selector->IsGrayed()) << t;
    ASSERT_EQ(plug->Programs().TrackProgramNumber(t), 12) << t;
    const int64_t grayed = TextBrightness(g, selector->GetRect());
    EXPECT_LT(grayed, active / 2) << t;
    EXPECT_GT(grayed, active / 20) << t << ": still readable";
  }
}

TEST_F(PanelEditorTest, PanelPictureHasItsControlsDrawn) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(3);
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const std::string path = std::string(VORNELL_BINARY_DIR) + "/panel-editor.png";
  std::remove(path.c_str());
  ASSERT_TRUE(Window().WriteBackBufferPNG(path));
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  const auto* background = static_cast<const IBitmapControl*>(g->GetControl(0))->GetBitmap().bitmap;
  ASSERT_NE(background, nullptr);
  // Knobs, buttons and the configuration page are drawn over the picture.
  const panel::Spot knob = panel::VoiceKnob(kVoiceFilterCutoff);
  EXPECT_GT(ChangedPixels(g, background, Rect(knob.x, knob.y, knob.x + 30, knob.y + 30)), 100);
  const panel::Spot button = panel::TrackButton(0);
  EXPECT_GT(ChangedPixels(g, background, Rect(button.x, button.y, button.x + 21, button.y + 22)), 50);
  EXPECT_GT(ChangedPixels(g, background, Rect(316, 84, 612, 304)), 5000);
}

}  // namespace

namespace {

// The top bar's option button and a modified click on PROGRAM open the
// command menus, which run what is chosen.
TEST_F(PanelEditorTest, OptionAndProgramButtonsRunTheirMenus) {
  OpenAndSettle();
  // The option button (no key of its own) sits right of the preset name.
  const int optionX = 517, optionY = 34;
  Window().menuAnswers.push_back({0});  // "Copy Preset"
  Window().Click(optionX, optionY, HeadlessWindowSystem::Left());
  Idle(2);
  ASSERT_EQ(Window().menusShown.size(), 1u);
  EXPECT_EQ(Window().menusShown[0].texts[0], "Copy Preset");
  EXPECT_EQ(Window().menusShown[0].texts[1], "Paste Preset");
  EXPECT_NE(Window().menusShown[0].flags[1] & PopupMenuItem::kDisabled, 0);
  Window().Click(optionX, optionY, HeadlessWindowSystem::Left());  // dismissed
  Idle(2);
  ASSERT_EQ(Window().menusShown.size(), 2u);
  EXPECT_EQ(Window().menusShown[1].flags[1] & PopupMenuItem::kDisabled, 0);

  // Right-click on PROGRAM: the program menu, not a panel press.
  Window().menuAnswers.push_back({1});  // "Init Program"
  ClickOn(Key(Panel(panel_id::kProgram)), HeadlessWindowSystem::Right());
  ASSERT_EQ(Window().menusShown.size(), 3u);
  EXPECT_EQ(Window().menusShown[2].texts[0], "Record/Store Program...");
  EXPECT_EQ(Window().menusShown[2].texts[1], "Init Program");
  EXPECT_EQ(plug->GetEngine().GetTrack(plug->Panel().EditTrack()).programName, "BASIC PATCH");
  EXPECT_EQ(plug->StatusText(), "Program initialized.");
}

}  // namespace

// A preset the host renames shows its new name in the top bar at once, with
// no other change to redraw it.
TEST_F(PanelEditorTest, PresetSelectorShowsTheNameTheHostGives) {
  OpenAndSettle();
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  const Rect box(panel::kPresetName.left, panel::kPresetName.top, panel::kPresetName.right,
                 panel::kPresetName.bottom + 2);
  auto pixels = [&] {
    std::vector<unsigned> shown;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) shown.push_back(g->BackBuffer()->GetPixel(x, y));
    return shown;
  };
  const auto before = pixels();
  char name[] = "Completely Different";
  Dispatch(effSetProgramName, 0, 0, name);
  Idle(3);
  ASSERT_EQ(plug->GetPresetName(0), name);
  EXPECT_NE(pixels(), before);
}

// The LEDs show what they stand for with nothing else redrawn: a TRACK LED
// lights while a key of its track is held, and RECORD blinks while an
// overdub waits for its track.
TEST_F(PanelEditorTest, LedsFollowKeysAndBlinkingOnTheirOwn) {
  OpenAndSettle();
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  auto pixels = [&](int id) {
    const Rect box = Key(Panel(id))->GetRect();
    std::vector<unsigned> shown;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) shown.push_back(g->BackBuffer()->GetPixel(x, y));
    return shown;
  };
  MidiList midi;
  std::vector<std::vector<float>> buffers(14, std::vector<float>(64));
  std::vector<float*> outputs;
  for (auto& buffer : buffers) outputs.push_back(buffer.data());
  auto play = [&](int status, int velocity) {
    midi.Clear();
    midi.Add(status, 60, velocity, 0);
    Dispatch(effProcessEvents, 0, 0, midi.Events());
    for (int i = 0; i < 4; ++i) effect->processReplacing(effect, nullptr, outputs.data(), 64);
    Idle(3);
  };
  const auto dark = pixels(panel_id::TrackLed(0));
  play(0x90, 100);
  ASSERT_GT(plug->GetEngine().GetTrack(0).heldVoiceCount, 0);
  EXPECT_NE(pixels(panel_id::TrackLed(0)), dark);
  play(0x80, 0);
  EXPECT_EQ(pixels(panel_id::TrackLed(0)), dark);

  {
    std::lock_guard lock(plug->Mutex());
    plug->Sequencing().SetRecording(true);
    plug->Sequencing().SetState(Sequencer::kRecordOverdubPrepared);
    plug->Sequencing().SetRecordActivity(true);
  }
  std::vector<std::vector<unsigned>> record;
  for (int i = 0; i < 16; ++i) {
    Idle(1);
    record.push_back(pixels(panel_id::kRecordLed));
  }
  EXPECT_NE(std::count(record.begin(), record.end(), record.front()), 16) << "RECORD blinks";
}

// The configuration page follows track settings changed elsewhere (the host,
// a controller): the cycle check box shows the track's flag and the template
// drop-down the template the tracks match, neither a value of its own.
TEST_F(PanelEditorTest, ConfigurationPageFollowsTrackSettingsChangedElsewhere) {
  OpenAndSettle();
  VornellEditor::Of(*plug)->ShowConfigPage(true);
  Idle(3);
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  auto pixels = [&](IControl* control) {
    const Rect box = control->GetRect();
    std::vector<unsigned> shown;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) shown.push_back(g->BackBuffer()->GetPixel(x, y));
    return shown;
  };
  auto* templates = static_cast<IKRDropDown*>(Key(Panel(panel_id::kTemplateDropDown)));
  IControl* cycleBox = Key(Panel(panel_id::CycleSwitch(2)));
  for (int j : {kTrackCycle, kTrackChannel, kTrackMode}) {
    Window().menuAnswers.push_back({0});
    ClickOn(templates);
    Idle(3);
    const std::string matched = templates->Text();
    const auto templateBefore = pixels(templates);
    const auto cycleBefore = pixels(cycleBox);
    const int index = TrackParamIndex(2, j);
    const int now = plug->IntParam(index);
    SetPlain(index, j == kTrackChannel ? (now + 3) % 16 : j == kTrackMode ? (now + 1) % 3 : 1 - now);
    Idle(3);
    ASSERT_NE(templates->Text(), matched) << j;
    EXPECT_NE(pixels(templates), templateBefore) << j;
    if (j == kTrackCycle) {
      EXPECT_NE(pixels(cycleBox), cycleBefore);
    }
  }
}

// Names of any length draw nothing over their neighbours: the program name
// (it may run on to the row's "Link Programs" box), the preset name, the
// browser's rows and its file name.
TEST_F(PanelEditorTest, LongNamesStayInsideTheirBoxes) {
  OpenAndSettle();
  IGraphics* g = VornellEditor::Of(*plug)->Graphics();
  ProgramBrowser& browser = *VornellEditor::Of(*plug)->Browser();
  auto pixels = [&](const Rect& box) {
    std::vector<unsigned> shown;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) shown.push_back(g->BackBuffer()->GetPixel(x, y));
    return shown;
  };
  // 40 pixels from x on, as high as the box.
  auto rightOf = [](const panel::Box& box, int down = 0, int x = -1) {
    if (x < 0) x = box.right;
    return Rect(x, box.top + down, x + 40, box.bottom + down);
  };
  const Rect link = rightOf(panel::kEditProgramName, 0, panel::kRowLinkCheck.x);
  const std::string longName(200, 'W');
  auto renameAll = [&](const std::string& programName, const std::string& presetName) {
    plug->Programs().RenameTrackProgram(0, programName);
    char preset[256];
    std::snprintf(preset, sizeof(preset), "%s", presetName.c_str());
    Dispatch(effSetProgramName, 0, 0, preset);
    Idle(3);
  };

  renameAll("Short", "Short");
  const auto programBefore = pixels(link);
  const auto presetBefore = pixels(rightOf(panel::kPresetName, 2));
  renameAll(longName, longName);
  EXPECT_EQ(pixels(link), programBefore) << "program name";
  EXPECT_EQ(pixels(rightOf(panel::kPresetName, 2)), presetBefore) << "preset name";

  // The browser page: the live entry's track row T1 and the file name.
  renameAll("Short", "Short");
  ClickOn(Key(Panel(panel_id::kBrowserPageSwitch)));
  ASSERT_TRUE(browser.PageVisible());
  const panel::Box row = panel::BrowserRightRow(0, 0);
  const auto rowBefore = pixels(rightOf(row));
  renameAll(longName, "Short");
  ASSERT_EQ(browser.Row(ProgramBrowser::kRightList, 0)->NameText(), longName);
  EXPECT_EQ(pixels(rightOf(row)), rowBefore) << "browser row";
  const auto fileBefore = pixels(rightOf(panel::kBrowserFileName));
  Window().fileAnswers.push_back("/no/such/folder/" + longName + ".syx");
  ClickOn(browser.ControlByKey(400));  // FILE
  ASSERT_EQ(browser.FileControl()->FileName(), longName + ".syx");
  EXPECT_EQ(pixels(rightOf(panel::kBrowserFileName)), fileBefore) << "file name";
}
