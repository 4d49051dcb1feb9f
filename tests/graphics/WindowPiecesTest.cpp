// The window-system pieces that need no server: double-click timing, menu
// and dialog layout, keys and answers.
#include <gtest/gtest.h>

#include "graphics/ClickTracker.h"
#include "graphics/DialogView.h"
#include "graphics/PopupMenu.h"
#include "graphics/PopupMenuView.h"
#include "graphics/TextEntryField.h"
#include "graphics/lice/LICE_IBitmap.h"

namespace {

KeyEvent Key(KeyEvent::Kind kind, const std::string& text = "") {
  KeyEvent e;
  e.kind = kind;
  e.text = text;
  return e;
}

}  // namespace

TEST(ClickTrackerTest, IntervalLimitDistanceAndTripleClick) {
  ClickTracker clicks;
  EXPECT_FALSE(clicks.Press(1, 1000, 10, 10));
  EXPECT_TRUE(clicks.Press(1, 1400, 10, 10)) << "exactly at the limit";
  EXPECT_FALSE(clicks.Press(1, 1500, 10, 10)) << "a third press starts anew";
  EXPECT_FALSE(clicks.Press(1, 1901, 10, 10)) << "one millisecond too late";
  EXPECT_TRUE(clicks.Press(1, 1950, 14, 6)) << "within four pixels";
  EXPECT_FALSE(clicks.Press(1, 3000, 10, 10));
  EXPECT_FALSE(clicks.Press(1, 3100, 15, 10)) << "five pixels away";
  EXPECT_FALSE(clicks.Press(3, 3150, 15, 10)) << "another button";
  EXPECT_FALSE(clicks.Press(1, 3200, 15, 10));
}

TEST(ClickTrackerTest, ServerClockWrapAndSynthesisedEvents) {
  ClickTracker clicks;
  EXPECT_FALSE(clicks.Press(1, 0xffffff00u, 5, 5));
  EXPECT_TRUE(clicks.Press(1, 0x00000050u, 5, 5)) << "0x150 ms later across the wrap";
  EXPECT_FALSE(clicks.Press(1, 0, 5, 5));
  EXPECT_FALSE(clicks.Press(1, 0, 5, 5)) << "time 0 never pairs";
  EXPECT_FALSE(clicks.Press(1, 100, 5, 5));
  clicks.Reset();
  EXPECT_FALSE(clicks.Press(1, 200, 5, 5)) << "reset forgets the first press";
}

TEST(PopupMenuViewTest, LayoutHitTestingAndKeyboardOrder) {
  PopupMenu menu;
  menu.AddItem("Store Program to...", PopupMenuItem::kTitle);
  menu.AddItem("Copy Preset");
  menu.AddSeparator();
  menu.AddItem("Paste Preset", PopupMenuItem::kDisabled);
  menu.AddSubmenu("00 - 24")->AddItem("00: Init");
  menu.AddItem("Init Preset", PopupMenuItem::kChecked);
  PopupMenuView view(&menu);
  EXPECT_GT(view.Width(), 80);
  EXPECT_EQ(view.ItemRect(1).top, view.ItemRect(0).bottom);
  EXPECT_LT(view.ItemRect(2).H(), view.ItemRect(1).H()) << "separators are thin";
  EXPECT_EQ(view.Height(), view.ItemRect(5).bottom + 1);
  EXPECT_EQ(view.ItemAt(10, view.ItemRect(1).MidY()), 1);
  EXPECT_EQ(view.ItemAt(10, view.ItemRect(2).MidY()), -1) << "no item on a separator";
  EXPECT_EQ(view.ItemAt(view.Width() + 5, view.ItemRect(1).MidY()), -1);
  EXPECT_FALSE(view.Selectable(0)) << "titles";
  EXPECT_FALSE(view.Selectable(3)) << "disabled";
  EXPECT_TRUE(view.OpensSubmenu(4));
  EXPECT_EQ(view.NextSelectable(-1, 1), 1);
  EXPECT_EQ(view.NextSelectable(1, 1), 4);
  EXPECT_EQ(view.NextSelectable(5, 1), 1) << "wraps";
  EXPECT_EQ(view.NextSelectable(-1, -1), 5);
  EXPECT_EQ(view.NextSelectable(1, -1), 5);
  PopupMenu empty;
  EXPECT_EQ(PopupMenuView(&empty).NextSelectable(-1, 1), -1);
}

TEST(PopupMenuViewTest, DrawsHighlightAndGrayText) {
  PopupMenu menu;
  menu.AddItem("Copy Preset");
  menu.AddItem("Paste Preset", PopupMenuItem::kDisabled);
  PopupMenuView view(&menu);
  LICE_MemBitmap bitmap(view.Width(), view.Height());
  view.Draw(&bitmap, 0);
  const Rect hot = view.ItemRect(0);
  const LICE_pixel highlight = bitmap.GetPixel(hot.right - 3, hot.MidY());
  EXPECT_GT(LICE_GETB(highlight), LICE_GETR(highlight) + 100) << "the highlighted row is blue";
  const Rect gray = view.ItemRect(1);
  EXPECT_EQ(bitmap.GetPixel(gray.right - 3, gray.MidY()), bitmap.GetPixel(2, gray.MidY())) << "not highlighted";
  int darkest = 255;
  for (int y = gray.top; y < gray.bottom; ++y)
    for (int x = gray.left; x < gray.right; ++x) darkest = std::min(darkest, LICE_GETR(bitmap.GetPixel(x, y)));
  EXPECT_GT(darkest, 100) << "disabled text is gray, not black";
  view.Draw(&bitmap, 1);
  EXPECT_EQ(bitmap.GetPixel(gray.right - 3, gray.MidY()), bitmap.GetPixel(2, gray.MidY()))
      << "a disabled item is never highlighted";
}

TEST(DialogViewTest, ButtonsAnswersAndKeys) {
  DialogView yesNo("This will replace all programs of the current preset. Do you want to continue?",
                   kMessageYesNo | kMessageIconQuestion);
  ASSERT_EQ(yesNo.ButtonCount(), 2);
  EXPECT_EQ(yesNo.AnswerOf(0), kAnswerYes);
  EXPECT_EQ(yesNo.AnswerOf(1), kAnswerNo);
  EXPECT_EQ(yesNo.CancelAnswer(), kAnswerNo) << "closing a yes/no box means no";
  EXPECT_EQ(yesNo.HandleKey(Key(KeyEvent::kReturn)), kAnswerYes);
  EXPECT_EQ(yesNo.HandleKey(Key(KeyEvent::kEscape)), kAnswerNo);
  EXPECT_EQ(yesNo.HandleKey(Key(KeyEvent::kText, "y")), kAnswerYes);
  EXPECT_EQ(yesNo.HandleKey(Key(KeyEvent::kText, "N")), kAnswerNo);
  EXPECT_EQ(yesNo.HandleKey(Key(KeyEvent::kText, "q")), 0);
  const Rect no = yesNo.ButtonRect(1);
  EXPECT_EQ(yesNo.ButtonAt(no.MidX(), no.MidY()), 1);
  EXPECT_EQ(yesNo.ButtonAt(no.MidX(), no.top - 2), -1);
  EXPECT_LE(no.right, yesNo.Width());
  EXPECT_LE(no.bottom, yesNo.Height());

  DialogView ok("Cannot load file!", kMessageOk | kMessageIconError);
  EXPECT_EQ(ok.ButtonCount(), 1);
  EXPECT_EQ(ok.CancelAnswer(), kAnswerOk);
  EXPECT_EQ(ok.HandleKey(Key(KeyEvent::kText, "y")), 0) << "no Yes button";
  DialogView three("Save changes?", kMessageYesNoCancel);
  EXPECT_EQ(three.ButtonCount(), 3);
  EXPECT_EQ(three.CancelAnswer(), kAnswerCancel);
  DialogView okCancel("Go on?", kMessageOkCancel);
  EXPECT_EQ(okCancel.AnswerOf(1), kAnswerCancel);
}

TEST(DialogViewTest, LongTextWrapsAndTheBoxGrows) {
  DialogView one("Done.", kMessageOk);
  DialogView many("line one\nline two\nline three\n" + std::string(40, 'w') + " " + std::string(40, 'w') + " " +
                      std::string(40, 'w'),
                  kMessageOk);
  EXPECT_GT(many.Height(), one.Height() + 3 * 14);
  EXPECT_LE(many.Width(), 600) << "wrapped, not one long line";
  LICE_MemBitmap bitmap(many.Width(), many.Height());
  many.Draw(&bitmap, 0);
  int dark = 0;
  for (int y = 0; y < many.Height() / 2; ++y)
    for (int x = 0; x < many.Width(); ++x) dark += LICE_GETR(bitmap.GetPixel(x, y)) < 80;
  EXPECT_GT(dark, 100) << "the text is drawn";
}

TEST(DialogViewTest, PathPromptEditsItsField) {
  DialogView prompt("Open file (full path):", "/home/user/");
  ASSERT_NE(prompt.Field(), nullptr);
  EXPECT_EQ(prompt.ButtonCount(), 2);
  prompt.HandleKey(Key(KeyEvent::kEnd));
  EXPECT_EQ(prompt.HandleKey(Key(KeyEvent::kText, "y")), 0) << "letters are typed, not answers";
  prompt.HandleKey(Key(KeyEvent::kText, ".fxb"));
  EXPECT_EQ(prompt.Field()->Text(), "/home/user/y.fxb");
  EXPECT_EQ(prompt.HandleKey(Key(KeyEvent::kReturn)), kAnswerOk);
  EXPECT_EQ(prompt.HandleKey(Key(KeyEvent::kEscape)), kAnswerCancel);
  EXPECT_FALSE(prompt.FieldRect().Empty());
}

TEST(DialogViewTest, PathPromptBrowsesItsList) {
  std::vector<std::string> asked;
  auto lister = [&](const std::string& folder) {
    asked.push_back(folder);
    if (folder == "/home/u/Banks") return std::vector<std::string>{"../", "sub/", "a.syx", "B.SYX"};
    std::vector<std::string> many = {"../"};
    for (int i = 0; i < 25; ++i) many.push_back("f" + std::to_string(100 + i) + ".syx");
    return many;
  };
  DialogView prompt("Save as (full path):", "/home/u/Banks/new.syx", lister, false);
  ASSERT_TRUE(prompt.HasList());
  EXPECT_EQ(prompt.ListFolder(), "/home/u/Banks");
  const Rect list = prompt.ListRect();
  const int rowHeight = (list.H() - 2) / 10;
  auto rowY = [&](int row) { return list.top + 1 + row * rowHeight + rowHeight / 2; };
  EXPECT_GT(list.top, prompt.FieldRect().bottom);
  EXPECT_GT(prompt.ButtonRect(0).top, list.bottom);
  EXPECT_EQ(prompt.ListEntryAt(list.left + 5, rowY(4)), -1) << "below the last entry";

  // A folder opens, keeping the typed name; "../" goes back up.
  EXPECT_EQ(prompt.ClickList(list.left + 5, rowY(1), false), 0);
  EXPECT_EQ(prompt.ListFolder(), "/home/u/Banks/sub");
  EXPECT_EQ(prompt.Field()->Text(), "/home/u/Banks/sub/new.syx");
  EXPECT_EQ(prompt.ClickList(list.left + 5, rowY(0), true), 0) << "a double-click's second press on the new list";
  EXPECT_EQ(prompt.ListFolder(), "/home/u/Banks/sub");
  // Scrolling stops at the last page.
  prompt.ScrollList(100);
  EXPECT_EQ(prompt.ListEntryAt(list.left + 5, rowY(0)), 16);
  prompt.ScrollList(-100);
  EXPECT_EQ(prompt.ClickList(list.left + 5, rowY(0), false), 0);
  EXPECT_EQ(prompt.ListFolder(), "/home/u/Banks");

  // A file goes into the field; a double-click on it accepts.
  EXPECT_EQ(prompt.ClickList(list.left + 5, rowY(3), false), 0);
  EXPECT_EQ(prompt.Field()->Text(), "/home/u/Banks/B.SYX");
  EXPECT_EQ(prompt.ClickList(list.left + 5, rowY(3), true), kAnswerOk);
  EXPECT_EQ(asked, (std::vector<std::string>{"/home/u/Banks", "/home/u/Banks/sub", "/home/u/Banks"}));

  LICE_MemBitmap bitmap(prompt.Width(), prompt.Height());
  prompt.Draw(&bitmap, -1);
  int dark = 0;
  for (int y = list.top; y < list.bottom; ++y)
    for (int x = list.left; x < list.right; ++x) dark += LICE_GETR(bitmap.GetPixel(x, y)) < 80;
  EXPECT_GT(dark, 50) << "the entries are drawn";
}
