// Menus, text entry, dialogs, the timer tick and key routing of the editor,
// through the headless window system.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "graphics/PopupMenu.h"
#include "graphics/TextEntryField.h"
#include "tests/graphics/EditorFixture.h"

namespace {

// Records keys and answers them as told.
class KeyControl : public IControl {
 public:
  KeyControl(IEditorDelegate* plug, const Rect& r, bool handles) : IControl(plug, r), handlesKeys(handles) {}
  bool Draw(IGraphics*) override { return true; }
  bool OnKeyDown(int, int, int key) override {
    keys.push_back(key);
    return handlesKeys;
  }
  std::vector<int> keys;
  bool handlesKeys;
};

// Takes entered text.
class NameControl : public IControl {
 public:
  NameControl(IEditorDelegate* plug, const Rect& r) : IControl(plug, r) { textEntryLength = 253; }
  bool Draw(IGraphics*) override { return true; }
  void OnMouseDown(int, int, const MouseMods&) override {
    GetGraphics()->OpenTextEntry(this, textStyle, drawRect, "Init");
  }
  void AcceptEnteredText(const std::string& text) override { accepted.push_back(text); }
  std::vector<std::string> accepted;
};

// Opens a popup menu on a press.
class MenuControl : public IControl {
 public:
  MenuControl(IEditorDelegate* plug, const Rect& r, PopupMenu* m) : IControl(plug, r), menu(m) {}
  bool Draw(IGraphics*) override { return true; }
  void OnMouseDown(int, int, const MouseMods&) override { chosen = GetGraphics()->ShowPopupMenu(menu, drawRect); }
  PopupMenu* menu;
  PopupMenu* chosen = nullptr;
};

KeyEvent MakeKey(KeyEvent::Kind kind, const std::string& text = "") {
  KeyEvent e;
  e.kind = kind;
  e.text = text;
  return e;
}

}  // namespace

TEST(PopupMenuTest, NumberPrefixes) {
  PopupMenu menu;
  menu.AddItem("Init");
  menu.AddItem("Copy");
  menu.AddItem("Paste");
  EXPECT_EQ(menu.ItemDisplayText(2), "Paste");
  menu.SetPrefix(1);
  EXPECT_EQ(menu.ItemDisplayText(2), "3: Paste");
  menu.SetPrefix(2);
  EXPECT_EQ(menu.ItemDisplayText(2), "03: Paste");
  menu.SetPrefix(3);
  EXPECT_EQ(menu.ItemDisplayText(2), "003: Paste");
  EXPECT_EQ(menu.ItemDisplayText(3), "") << "no such item";
}

TEST(PopupMenuTest, InsertSubmenusCopiesAndChecks) {
  PopupMenu menu;
  menu.AddItem("b");
  menu.InsertItem(0, "a");
  menu.InsertItem(99, "c");
  menu.AddSeparator();
  PopupMenu* sub = menu.AddSubmenu("more");
  sub->AddItem("deep", PopupMenuItem::kDisabled);
  ASSERT_EQ(menu.NItems(), 5);
  EXPECT_EQ(menu.GetItem(0)->Text(), "a");
  EXPECT_EQ(menu.GetItem(2)->Text(), "c");
  EXPECT_TRUE(menu.GetItem(3)->IsSeparator());
  EXPECT_EQ(menu.GetItem(3)->Text(), "");
  EXPECT_FALSE(menu.GetItem(4)->Choosable()) << "a submenu opens, it is not chosen";
  EXPECT_FALSE(sub->GetItem(0)->Choosable());
  PopupMenu copy = menu;
  copy.GetItem(4)->Submenu()->GetItem(0)->SetText("changed");
  EXPECT_EQ(sub->GetItem(0)->Text(), "deep") << "copies are deep";
  menu.CheckItemAlone(1);
  EXPECT_TRUE(menu.GetItem(1)->Checked());
  menu.CheckItemAlone(2);
  EXPECT_FALSE(menu.GetItem(1)->Checked());
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
}

TEST_F(EditorTest, PopupMenuReturnsTheSubmenuHoldingTheChoice) {
  PopupMenu menu;
  menu.SetPrefix(2);
  menu.AddItem("first");
  PopupMenu* sub = menu.AddSubmenu("presets");
  sub->AddItem("x");
  sub->AddItem("y");
  menu.AddItem("third", PopupMenuItem::kDisabled);
  auto* control = new MenuControl(&plug, Rect(10, 10, 50, 30), &menu);
  graphics->AddControl(control);
  Open();
  ws->menuAnswers.push_back({1, 1});
  ws->Click(20, 20);
  IdleFor(40);
  ASSERT_EQ(ws->menusShown.size(), 1u);
  EXPECT_EQ(ws->menusShown[0].texts[2], "03: third");
  EXPECT_EQ(ws->menusShown[0].x, 10) << "at the bottom-left corner";
  EXPECT_EQ(ws->menusShown[0].y, 30);
  EXPECT_EQ(control->chosen, sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  // A disabled item or a dismissed menu gives nothing.
  ws->menuAnswers.push_back({2});
  ws->Click(20, 20);
  IdleFor(40);
  EXPECT_EQ(control->chosen, nullptr);
  ws->Click(20, 20);
  IdleFor(40);
  EXPECT_EQ(control->chosen, nullptr);
  // After a menu the whole editor is drawn again.
  EXPECT_EQ(ws->updates.back(), Rect(0, 0, 200, 100));
}

TEST_F(EditorTest, RightClickOnListParameterOffersItsTexts) {
  const int p = plug.AddList("Voice Mode", 1, {"Poly", "Unison", "Mono"});
  auto* sw = new ISwitchControl(&plug, 100, 20, p, Switch3());
  sw->SetPromptDisabled(false);
  auto* plain = new IKnobMultiControl(&plug, 10, 10, p, Knob());  // prompt stays disabled
  graphics->AddControl(sw);
  graphics->AddControl(plain);
  Open();
  ws->Click(15, 15, HeadlessWindowSystem::Right());
  IdleFor(40);
  EXPECT_TRUE(ws->menusShown.empty()) << "prompting is off by default";

  // The switch steps on any press; make it a plain IControl prompt instead.
  class Prompting : public IControl {
   public:
    using IControl::IControl;
    bool Draw(IGraphics*) override { return true; }
  };
  auto* prompting = new Prompting(&plug, Rect(150, 50, 190, 90), p);
  prompting->SetPromptDisabled(false);
  graphics->AddControl(prompting);
  prompting->ShowValue(0.5);
  ws->menuAnswers.push_back({2});
  ws->Click(160, 60, HeadlessWindowSystem::Right());
  IdleFor(40);
  ASSERT_EQ(ws->menusShown.size(), 1u);
  const auto& shown = ws->menusShown[0];
  ASSERT_EQ(shown.texts.size(), 3u);
  EXPECT_EQ(shown.texts[0], "Poly");
  EXPECT_EQ(shown.texts[2], "Mono");
  EXPECT_TRUE(shown.flags[1] & PopupMenuItem::kChecked) << "the current value is checked";
  EXPECT_FALSE(shown.flags[0] & PopupMenuItem::kChecked);
  EXPECT_EQ(shown.y, 90) << "with display texts, the control's own rectangle";
  EXPECT_DOUBLE_EQ(prompting->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 2.0);
  EXPECT_EQ(plug.CountCalls("begin"), plug.CountCalls("end")) << "the menu closed the gesture";
}

TEST_F(EditorTest, TextEntryForContinuousParameter) {
  const int p = plug.AddContinuous("Tune", 1.5, -12.0, 12.0, 2);
  class Prompting : public IControl {
   public:
    using IControl::IControl;
    bool Draw(IGraphics*) override { return true; }
  };
  auto* control = new Prompting(&plug, Rect(100, 40, 140, 80), p);
  control->SetPromptDisabled(false);
  graphics->AddControl(control);
  Open();
  ws->Click(110, 50, HeadlessWindowSystem::Right());
  IdleFor(10);
  ASSERT_TRUE(graphics->TextEntryOpen());
  EXPECT_EQ(graphics->GetTextEntry()->Text(), "1.50");
  EXPECT_EQ(graphics->TextEntryRect(), Rect(100, 52, 141, 69)) << "40 × 16 on the centre, one pixel larger";
  EXPECT_TRUE(ws->keyboardFocus);
  // Letters are filtered out; the text starts selected, so typing replaces it.
  ws->Type("-3x.25");
  ws->Key(KeyEvent::kReturn);
  IdleFor(10);
  IdleFor(40);
  EXPECT_FALSE(graphics->TextEntryOpen());
  EXPECT_FALSE(ws->keyboardFocus) << "focus goes back";
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, -3.25);
  // Out-of-range text is clamped; a comma is taken as the decimal point.
  ws->Click(110, 50, HeadlessWindowSystem::Right());
  IdleFor(40);
  ws->Type("99,5");
  ws->Key(KeyEvent::kReturn);
  IdleFor(80);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 12.0);
}

TEST_F(EditorTest, TextEntryCancels) {
  const int p = plug.AddContinuous("Tune", 1.5, -12.0, 12.0, 2);
  class Prompting : public IControl {
   public:
    using IControl::IControl;
    bool Draw(IGraphics*) override { return true; }
  };
  auto* control = new Prompting(&plug, Rect(100, 40, 140, 80), p);
  control->SetPromptDisabled(false);
  graphics->AddControl(control);
  Open();
  auto open = [&] {
    ws->Click(110, 50, HeadlessWindowSystem::Right());
    ws->AdvanceTime(1);
    graphics->EditorIdle();
    ASSERT_TRUE(graphics->TextEntryOpen());
  };
  const size_t setsBefore = static_cast<size_t>(plug.CountCalls("set"));
  // Escape.
  open();
  ws->Type("5");
  ws->Key(KeyEvent::kEscape);
  IdleFor(80);
  EXPECT_FALSE(graphics->TextEntryOpen());
  // The wheel.
  open();
  IdleFor(40);
  ws->Type("6");
  ws->Wheel(10, 10, 1);
  IdleFor(80);
  EXPECT_FALSE(graphics->TextEntryOpen());
  // A click before the first tick since opening cancels ...
  open();
  ws->Type("7");
  ws->Click(10, 10);
  ws->AdvanceTime(1);
  graphics->EditorIdle();
  IdleFor(40);
  EXPECT_FALSE(graphics->TextEntryOpen());
  EXPECT_EQ(static_cast<size_t>(plug.CountCalls("set")), setsBefore);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 1.5);
  // ... a later click commits (and reaches no control).
  open();
  IdleFor(40);
  ws->Type("8");
  ws->Click(110, 50, HeadlessWindowSystem::Right());
  IdleFor(80);
  EXPECT_FALSE(graphics->TextEntryOpen());
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 8.0);
  // Losing the focus commits too.
  open();
  IdleFor(40);
  ws->Type("9");
  HeadlessWindowSystem::Event lost;
  lost.kind = HeadlessWindowSystem::Event::kFocusLost;
  ws->Queue(lost);
  IdleFor(80);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 9.0);
}

TEST_F(EditorTest, TextEntryForListParameterMatchesDisplayTexts) {
  const int p = plug.AddList("Channel", 3, {"0", "1", "2", "3", "16"});
  plug.params[static_cast<size_t>(p)].kind = EditorParamKind::Integer;  // entered as text, matched as a number
  const int q = plug.AddList("Res", 0, {"7", "12"});
  auto* a = new IKnobMultiControl(&plug, 0, 0, p, Knob());
  auto* b = new IKnobMultiControl(&plug, 30, 0, q, Knob());
  graphics->AddControl(a);
  graphics->AddControl(b);
  Open();
  // A list parameter takes the value whose display text is the typed text.
  graphics->OpenTextEntry(b, TextStyle(), b->GetRect(), "", q);
  ws->Type("12");
  ws->Key(KeyEvent::kReturn);
  IdleFor(80);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(q)].value, 1.0);
  graphics->OpenTextEntry(b, TextStyle(), b->GetRect(), "", q);
  ws->Type("99");
  ws->Key(KeyEvent::kReturn);
  IdleFor(80);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(q)].value, 0.0) << "no match gives 0";
  // An integer parameter reads the number; "+" and "-" pass, "." does not.
  graphics->OpenTextEntry(a, TextStyle(), a->GetRect(), "", p);
  ws->Type("+2.5");
  ws->AdvanceTime(1);
  graphics->EditorIdle();
  EXPECT_EQ(graphics->GetTextEntry() ? graphics->GetTextEntry()->Text() : "", "+25") << "the dot is filtered";
  ws->Key(KeyEvent::kBackspace);
  ws->Key(KeyEvent::kReturn);
  IdleFor(80);
  EXPECT_DOUBLE_EQ(plug.params[static_cast<size_t>(p)].value, 2.0);
}

TEST_F(EditorTest, TextEntryWithoutParameterKeepsTheWholeName) {
  auto* name = new NameControl(&plug, Rect(10, 10, 150, 30));
  graphics->AddControl(name);
  Open();
  ws->Click(20, 20);
  IdleFor(40);
  ASSERT_TRUE(graphics->TextEntryOpen());
  const std::string longName(300, 'n');
  ws->Type(longName);
  ws->Key(KeyEvent::kReturn);
  IdleFor(80);
  ASSERT_EQ(name->accepted.size(), 1u);
  EXPECT_EQ(name->accepted[0], std::string(253, 'n')) << "limited by the control, not cut to 31";
  // A second entry cannot open over an open one.
  ws->Click(20, 20);
  IdleFor(40);
  ASSERT_TRUE(graphics->TextEntryOpen());
  graphics->OpenTextEntry(name, TextStyle(), Rect(0, 0, 5, 5), "other");
  EXPECT_EQ(graphics->GetTextEntry()->Text(), "Init");
}

TEST(TextEntryFieldTest, EditingKeysAndUtf8) {
  TextEntryField field("Init", 6, TextEntryField::Filter::Any);
  EXPECT_TRUE(field.HasSelection());
  field.HandleKey(MakeKey(KeyEvent::kText, "\xc3\xa9"));
  EXPECT_EQ(field.Text(), "\xc3\xa9");
  field.HandleKey(MakeKey(KeyEvent::kText, "abcdefgh"));
  EXPECT_EQ(field.Text(),
            "\xc3\xa9"
            "abcde")
      << "six characters, not bytes";
  field.HandleKey(MakeKey(KeyEvent::kHome));
  field.HandleKey(MakeKey(KeyEvent::kDelete));
  EXPECT_EQ(field.Text(), "abcde");
  field.HandleKey(MakeKey(KeyEvent::kEnd));
  field.HandleKey(MakeKey(KeyEvent::kLeft));
  field.HandleKey(MakeKey(KeyEvent::kBackspace));
  EXPECT_EQ(field.Text(), "abce");
  KeyEvent selectLeft = MakeKey(KeyEvent::kLeft);
  selectLeft.shift = true;
  field.HandleKey(selectLeft);
  field.HandleKey(selectLeft);
  field.HandleKey(MakeKey(KeyEvent::kText, "X"));
  EXPECT_EQ(field.Text(), "aXe");
  EXPECT_EQ(field.HandleKey(MakeKey(KeyEvent::kReturn)), TextEntryField::Result::Commit);
  EXPECT_EQ(field.HandleKey(MakeKey(KeyEvent::kEscape)), TextEntryField::Result::Cancel);
  field.HandleKey(MakeKey(KeyEvent::kText, "\t"));
  EXPECT_EQ(field.Text(), "aXe") << "control characters are not text";
}

TEST_F(EditorTest, IdleHookRunsOnEveryTwentyFirstQuietTick) {
  Open();
  graphics->OnTimerTick();  // draws what opening left dirty
  plug.idleTicks = 0;
  for (int i = 0; i < 20; ++i) graphics->OnTimerTick();
  EXPECT_EQ(plug.idleTicks, 0);
  graphics->OnTimerTick();
  EXPECT_EQ(plug.idleTicks, 1);
  EXPECT_EQ(graphics->QuietTicks(), 0);
  for (int i = 0; i < 10; ++i) graphics->OnTimerTick();
  graphics->GetControl(0)->MarkDirty(false);
  graphics->OnTimerTick();  // a drawing tick restarts the count
  for (int i = 0; i < 20; ++i) graphics->OnTimerTick();
  EXPECT_EQ(plug.idleTicks, 1);
  graphics->OnTimerTick();
  EXPECT_EQ(plug.idleTicks, 2);
}

TEST_F(EditorTest, IdleHookRunsUnderThePluginLock) {
  Open();
  int depthSeen = -1;
  plug.onIdleTick = [&] { depthSeen = plug.lockDepth; };
  graphics->EditorIdle();
  EXPECT_EQ(depthSeen, 1);
  EXPECT_EQ(plug.lockDepth, 0);
}

TEST_F(EditorTest, TimerKeepsFortyMillisecondsAtAnyHostRate) {
  auto* knob = new IKnobMultiControl(&plug, 0, 0, -1, Knob());
  graphics->AddControl(knob);
  Open();
  for (int rate : {5, 20, 40, 66}) {
    // Count ticks by their drawing: keep the knob dirty.
    int ticks = 0;
    size_t updates = ws->updates.size();
    for (int t = 0; t < 4000; t += rate) {
      knob->MarkDirty(false);
      ws->AdvanceTime(static_cast<uint64_t>(rate));
      graphics->EditorIdle();
      if (ws->updates.size() != updates) {
        ++ticks;
        updates = ws->updates.size();
      }
    }
    EXPECT_LE(ticks, 4000 / 40 + 1) << "rate " << rate;
    const int expected = rate <= 40 ? 100 : 4000 / rate;
    EXPECT_GE(ticks, expected - 2) << "rate " << rate;
  }
}

TEST_F(EditorTest, DirtyUnionIsWhatReachesTheWindow) {
  auto* a = new IKnobMultiControl(&plug, 10, 10, -1, Knob());
  auto* b = new IKnobMultiControl(&plug, 100, 50, -1, Knob());
  graphics->AddControl(a);
  graphics->AddControl(b);
  Open();
  IdleFor(40);
  ws->updates.clear();
  a->MarkDirty(false);
  b->MarkDirty(false);
  EXPECT_EQ(graphics->CollectDirtyRect(), Rect(10, 10, 120, 70));
  IdleFor(40);
  ASSERT_EQ(ws->updates.size(), 1u);
  EXPECT_EQ(ws->updates[0], Rect(10, 10, 120, 70));
  EXPECT_FALSE(a->NeedsRedraw());
  IdleFor(200);
  EXPECT_EQ(ws->updates.size(), 1u) << "nothing dirty, nothing copied";
}

TEST_F(EditorTest, KeysGoToTheControlTheCatcherOrTheHost) {
  auto* handler = new KeyControl(&plug, Rect(10, 10, 50, 50), true);
  auto* ignorer = new KeyControl(&plug, Rect(60, 10, 100, 50), false);
  auto* catcher = new KeyControl(&plug, Rect(), true);
  graphics->AddControl(handler);
  graphics->AddControl(ignorer);
  graphics->AddControl(catcher);
  graphics->SetKeyCatcher(catcher);
  Open();
  ws->Move(20, 20);
  ws->Key(KeyEvent::kText, "a");
  ws->Move(150, 80);  // the background
  ws->Key(KeyEvent::kText, "7");
  ws->Key(KeyEvent::kOther);  // a function key
  ws->Move(70, 20);
  ws->Key(KeyEvent::kUp);
  IdleFor(40);
  EXPECT_EQ(handler->keys, std::vector<int>{15});
  EXPECT_EQ(catcher->keys, std::vector<int>{12});
  EXPECT_EQ(ignorer->keys, std::vector<int>{1});
  ASSERT_EQ(ws->keysPassedToHost.size(), 2u);
  EXPECT_EQ(ws->keysPassedToHost[0].kind, KeyEvent::kOther);
  EXPECT_EQ(ws->keysPassedToHost[1].kind, KeyEvent::kUp) << "not handled by the control: the host's";
  // Without a catcher, keys over the background go to the host.
  graphics->SetKeyCatcher(nullptr);
  ws->Move(150, 80);
  ws->Key(KeyEvent::kSpace);
  IdleFor(40);
  EXPECT_EQ(ws->keysPassedToHost.size(), 3u);
}

TEST_F(EditorTest, MouseOverAndTooltips) {
  class Hover : public IControl {
   public:
    using IControl::IControl;
    bool Draw(IGraphics*) override { return true; }
    void OnMouseOver(int, int, const MouseMods&) override { ++overs; }
    void OnMouseOut() override { ++outs; }
    int overs = 0, outs = 0;
  };
  auto* a = new Hover(&plug, Rect(10, 10, 50, 50));
  auto* b = new Hover(&plug, Rect(60, 10, 100, 50));
  a->SetTooltip("Program is modified!");
  graphics->AddControl(a);
  graphics->AddControl(b);
  Open();
  ws->Move(20, 20);
  IdleFor(10);
  EXPECT_EQ(a->overs, 0) << "mouse-over handling is off by default";
  graphics->HandleMouseOver(true);
  graphics->EnableTooltips(true);
  ws->Move(20, 20);
  HeadlessWindowSystem::Event hover;
  hover.kind = HeadlessWindowSystem::Event::kHover;
  ws->Queue(hover);
  IdleFor(10);
  EXPECT_EQ(a->overs, 1);
  EXPECT_EQ(graphics->MouseOverIndex(), 1);
  EXPECT_EQ(ws->tooltip, "Program is modified!");
  EXPECT_GT(ws->hoverRequests, 0);
  ws->Move(70, 20);
  IdleFor(10);
  EXPECT_EQ(ws->tooltip, "") << "a new control hides the tooltip";
  EXPECT_EQ(a->outs, 1);
  EXPECT_EQ(b->overs, 1);
  b->SetGrayed(true);
  ws->Move(71, 20);
  IdleFor(10);
  EXPECT_EQ(b->overs, 1) << "grayed: no mouse-over";
  EXPECT_EQ(b->outs, 1);
  b->SetMouseOverWhenGrayed(true);
  ws->Move(72, 20);
  HeadlessWindowSystem::Event leave;
  leave.kind = HeadlessWindowSystem::Event::kLeave;
  ws->Queue(leave);
  IdleFor(10);
  EXPECT_EQ(b->overs, 2);
  EXPECT_EQ(graphics->MouseOverIndex(), -1);
}

TEST_F(EditorTest, ChooseFileBuildsFilterAndReturnsFolder) {
  Open();
  std::string result = "bank.fxb";
  std::string folder = "/tmp/presets/";
  ws->fileAnswers.push_back(std::string("/home/u/My Banks/b\xc3\xa4nk.fxb"));
  graphics->ChooseFile(result, IGraphics::FileMode::Save, folder, "fxb fxp syx");
  ASSERT_EQ(ws->fileRequests.size(), 1u);
  const FileDialogRequest& request = ws->fileRequests[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.filter, "*.fxb;*.fxp;*.syx");
  EXPECT_EQ(request.extensions, (std::vector<std::string>{"fxb", "fxp", "syx"}));
  EXPECT_EQ(request.folder, "/tmp/presets/");
  EXPECT_EQ(request.fileName, "bank.fxb");
  EXPECT_EQ(result, "/home/u/My Banks/b\xc3\xa4nk.fxb");
  EXPECT_EQ(folder, "/home/u/My Banks/");
  // Cancel empties the result and keeps the folder.
  graphics->ChooseFile(result, IGraphics::FileMode::Open, folder, "syx");
  EXPECT_EQ(result, "");
  EXPECT_EQ(folder, "/home/u/My Banks/");
  EXPECT_FALSE(ws->fileRequests[1].folder.empty());
  // No window: no dialog.
  graphics->CloseEditorWindow();
  result = "x";
  graphics->ChooseFile(result, IGraphics::FileMode::Open, folder, "syx");
  EXPECT_EQ(result, "");
  EXPECT_EQ(ws->fileRequests.size(), 2u);
}

TEST_F(EditorTest, OpenWebPageAsksAndReportsFailure) {
  Open();
  ws->messageAnswers.push_back(kAnswerNo);
  EXPECT_FALSE(graphics->OpenWebPage("https://example.org/", "Update", "Visit the site?", "No connection."));
  EXPECT_TRUE(ws->urlsOpened.empty());
  ASSERT_EQ(ws->messagesShown.size(), 1u);
  EXPECT_EQ(ws->messagesShown[0].type & kMessageButtonsMask, kMessageYesNo);
  EXPECT_TRUE(graphics->OpenWebPage("https://example.org/", "Update", "", "No connection."));
  EXPECT_EQ(ws->urlsOpened.size(), 1u);
  ws->internetConnection = false;
  EXPECT_FALSE(graphics->OpenWebPage("https://example.org/", "Update", "", "No connection."));
  ASSERT_EQ(ws->messagesShown.size(), 2u);
  EXPECT_EQ(ws->messagesShown[1].text, "No connection.");
  EXPECT_EQ(ws->messagesShown[1].type & kMessageButtonsMask, kMessageOk);
  EXPECT_FALSE(graphics->OpenWebPage("https://example.org/", "Update", "", ""));
  EXPECT_EQ(ws->messagesShown.size(), 2u) << "no failure text, no box";
}

TEST_F(EditorTest, ModalWaitsDoNotHoldThePluginLock) {
  Open();
  std::atomic<int> othersGotLock{0};
  ws->duringModal = [&] {
    std::thread audio([&] {
      if (plug.lock.try_lock()) {
        ++othersGotLock;
        plug.lock.unlock();
      }
    });
    audio.join();
  };
  // A message box asked from the idle hook, which runs under the lock.
  int answer = 0;
  plug.onIdleTick = [&] {
    plug.onIdleTick = nullptr;
    answer = graphics->ShowMessage("This will replace all programs of the current preset. Do you want to continue?",
                                   "Record All Programs", kMessageYesNo);
  };
  ws->messageAnswers.push_back(kAnswerYes);
  graphics->EditorIdle();
  EXPECT_EQ(answer, kAnswerYes);
  EXPECT_EQ(othersGotLock, 1);
  EXPECT_EQ(plug.lockDepth, 0);
  // The same from the timer's own idle hook.
  plug.onIdleTick = [&] {
    plug.onIdleTick = nullptr;
    std::string result, folder;
    graphics->ChooseFile(result, IGraphics::FileMode::Open, folder, "mid");
  };
  for (int i = 0; i < 25; ++i) graphics->OnTimerTick();
  EXPECT_EQ(othersGotLock, 2);
  // A menu opened by a click handled in the host's idle call.
  PopupMenu menu;
  menu.AddItem("one");
  graphics->AddControl(new MenuControl(&plug, Rect(0, 0, 30, 30), &menu));
  ws->Click(5, 5);
  graphics->EditorIdle();
  EXPECT_EQ(othersGotLock, 3);
}

TEST_F(EditorTest, IdleFromInsideAModalLoopDoesNothing) {
  PopupMenu menu;
  menu.AddItem("one");
  auto* control = new MenuControl(&plug, Rect(0, 0, 30, 30), &menu);
  graphics->AddControl(control);
  Open();
  int nestedDrawn = 0;
  ws->duringModal = [&] {
    // The host calls its idle again while our menu is up.
    auto* knob = new IKnobMultiControl(&plug, 100, 50, -1, Knob());
    graphics->AddControl(knob);
    const size_t before = ws->updates.size();
    ws->AdvanceTime(100);
    graphics->EditorIdle();
    nestedDrawn = static_cast<int>(ws->updates.size() - before);
  };
  ws->Click(5, 5);
  graphics->EditorIdle();
  EXPECT_EQ(nestedDrawn, 0);
  EXPECT_EQ(ws->menusShown.size(), 1u);
}

TEST_F(EditorTest, AnotherThreadsIdleSkipsTheEditorWhileAMessageIsUp) {
  auto* knob = new IKnobMultiControl(&plug, 100, 50, -1, Knob());
  graphics->AddControl(knob);
  Open();
  IdleFor(40);
  size_t drawnMeanwhile = 0;
  int ticksMeanwhile = -1;
  ws->duringModal = [&] {
    knob->MarkDirty(false);
    const size_t before = ws->updates.size();
    const int idleBefore = plug.idleTicks;
    std::thread host([&] {
      ws->AdvanceTime(100);
      graphics->EditorIdle();
    });
    host.join();
    drawnMeanwhile = ws->updates.size() - before;
    ticksMeanwhile = plug.idleTicks - idleBefore;
  };
  std::thread dispatcher([&] { graphics->ShowMessage("Cannot load file!", "Error", kMessageOk); });
  dispatcher.join();
  EXPECT_EQ(drawnMeanwhile, 0u) << "the window's connection stays with the thread of the message box";
  EXPECT_EQ(ticksMeanwhile, 0) << "nor does the plug-in's idle work touch the busy editor";
  ws->duringModal = nullptr;
  IdleFor(40);
  EXPECT_FALSE(knob->NeedsRedraw());
}

TEST_F(EditorTest, OpenCloseOpenAndTwoEditorsSideBySide) {
  auto* knob = new IKnobMultiControl(&plug, 0, 0, -1, Knob());
  graphics->AddControl(knob);
  Attach();
  EXPECT_FALSE(graphics->OpenEditorWindow(0)) << "no parent, no window";
  EXPECT_FALSE(graphics->IsEditorOpen());
  ASSERT_TRUE(graphics->OpenEditorWindow(77));
  ASSERT_TRUE(graphics->OpenEditorWindow(78)) << "a second open replaces the window";
  EXPECT_EQ(ws->parentWindow, 78u);
  graphics->CloseEditorWindow();
  EXPECT_FALSE(graphics->IsEditorOpen());
  graphics->EditorIdle();  // idle after close is harmless
  ASSERT_TRUE(graphics->OpenEditorWindow(79));

  TestPlug otherPlug;
  auto otherSystem = std::make_unique<HeadlessWindowSystem>();
  HeadlessWindowSystem* otherWs = otherSystem.get();
  IGraphics other(&otherPlug, 200, 100, 25, std::move(otherSystem));
  other.SetBackground(kBackgroundId, "back.png");
  const int p = otherPlug.AddContinuous("X", 0, 0, 1, 2);
  auto* otherKnob = new IKnobMultiControl(&otherPlug, 0, 0, p, Knob());
  other.AddControl(otherKnob);
  other.PrepDraw();
  ASSERT_TRUE(other.OpenEditorWindow(80));
  otherWs->Drag(5, 15, 5, 5);
  otherWs->AdvanceTime(40);
  other.EditorIdle();
  ws->AdvanceTime(40);
  graphics->EditorIdle();
  EXPECT_GT(otherKnob->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
  EXPECT_TRUE(plug.calls.empty());
}
