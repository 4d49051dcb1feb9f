// Real editor windows on a private X server (Xvfb), driven with xdotool
// like a user: the window is a child of a host window, drags and
// double-clicks reach the bound parameter, menus and message boxes answer,
// two editors work side by side, a host that destroys its window first
// does not bring the process down.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "graphics/DesktopServices.h"
#include "graphics/DialogView.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/support/PrivateXvfb.h"

#define KeyCode XKeyCode
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#undef KeyCode

namespace {

constexpr int kStripId = 9301;
constexpr int kBackId = 9302;

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new PrivateXvfb("1024x768x24"));
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new GraphicsCleanupEnvironment);

// The host's side: its own connection and a top-level window.
class FakeHost {
 public:
  FakeHost(int x, int y) {
    display = XOpenDisplay(nullptr);
    if (!display) return;
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, 300, 200, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
  }
  ~FakeHost() {
    if (display) XCloseDisplay(display);
  }
  // The editor's child window.
  Window Child() {
    Window root = 0, up = 0, *children = nullptr;
    unsigned int n = 0;
    Window child = 0;
    if (XQueryTree(display, window, &root, &up, &children, &n) && n > 0) child = children[0];
    if (children) XFree(children);
    return child;
  }
  uint32_t PixelAt(Window w, int x, int y) {
    XImage* image = XGetImage(display, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xffffff;
    XDestroyImage(image);
    return p;
  }
  Display* display = nullptr;
  Window window = 0;
};

// A knob and a prompting control on a 300 × 200 editor.
struct Editor {
  TestPlug plug;
  std::unique_ptr<IGraphics> graphics;
  IKnobMultiControl* knob = nullptr;
  int param = -1;

  Editor() {
    graphics = std::make_unique<IGraphics>(&plug, 300, 200, 25);
    param = plug.AddContinuous("Cutoff", 20.0, 0.0, 100.0, 1);
    graphics->SetBackground(kBackId, "back.png");
    knob = new IKnobMultiControl(&plug, 10, 10, param, graphics->LoadPanelBitmap(kStripId, "knob.png", 3));
    graphics->AddControl(knob);
    graphics->ShowParamValue(param, 20.0, false);
    graphics->PrepDraw();
  }
};

// Idles like a host every 10 ms while a shell command runs, then a bit more.
void IdleWhile(const std::string& command, std::initializer_list<IGraphics*> editors, int afterMs = 300) {
  std::atomic<bool> finished{false};
  std::thread runner([&] {
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    finished = true;
  });
  const auto end = [&] { return finished.load(); };
  while (!end()) {
    for (IGraphics* g : editors) g->EditorIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  runner.join();
  for (int t = 0; t < afterMs; t += 10) {
    for (IGraphics* g : editors) g->EditorIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

class X11EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PrivateXvfb::Ready()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(FindProgram("xdotool").empty()) << "xdotool is needed";
    static bool registered = false;
    if (!registered) {
      registered = true;
      RegisterTestStrip(kStripId, 20, 20, {0xffff0000u, 0xff00ff00u, 0xff0000ffu});
      RegisterTestStrip(kBackId, 300, 200, {0xff303030u});
    }
  }
};

TEST_F(X11EditorTest, DragOnTheChildWindowChangesTheParameter) {
  FakeHost host(0, 0);
  ASSERT_NE(host.display, nullptr);
  Editor editor;
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 10; ++i) editor.graphics->EditorIdle();
  const Window child = host.Child();
  ASSERT_NE(child, 0u) << "the editor is a child of the host's window";
  XWindowAttributes a{};
  XGetWindowAttributes(host.display, child, &a);
  EXPECT_EQ(a.width, 300);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.map_state, IsViewable);
  // Drawn from the back buffer: background and the knob's first frame.
  EXPECT_EQ(host.PixelAt(child, 200, 150), 0x303030u);
  EXPECT_EQ(host.PixelAt(child, 15, 15), 0xff0000u);

  const std::string w = std::to_string(child);
  IdleWhile("xdotool mousemove --window " + w + " 20 28 mousedown 1 sleep 0.1 mousemove --window " + w +
                " 20 18 sleep 0.1 mousemove --window " + w + " 20 8 sleep 0.1 mouseup 1",
            {editor.graphics.get()});
  // Up by the knob's 20 pixels at gearing 4: +0.25.
  EXPECT_NEAR(editor.knob->GetValue(), 0.45, 1e-9);
  EXPECT_NEAR(editor.plug.params[0].value, 45.0, 1e-6);
  EXPECT_EQ(editor.plug.CountCalls("begin"), 1);
  EXPECT_EQ(editor.plug.CountCalls("end"), 1);
  EXPECT_EQ(host.PixelAt(child, 15, 15), 0x00ff00u) << "0.45 shows frame 2 of 3";

  // A double-click restores the value the editor was attached with.
  IdleWhile("xdotool mousemove --window " + w + " 20 20 click --repeat 2 --delay 80 1", {editor.graphics.get()});
  EXPECT_NEAR(editor.knob->GetValue(), 0.2, 1e-9);
  EXPECT_NEAR(editor.plug.params[0].value, 20.0, 1e-6);
  editor.graphics->CloseEditorWindow();
  EXPECT_EQ(host.Child(), 0u) << "closing removes the child";
}

TEST_F(X11EditorTest, WheelAndSlowClicksAreNoDoubleClick) {
  FakeHost host(0, 0);
  Editor editor;
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  const std::string w = std::to_string(host.Child());
  IdleWhile("xdotool mousemove --window " + w + " 20 20 click 4 click 4 click 5 click 4", {editor.graphics.get()});
  EXPECT_NEAR(editor.knob->GetValue(), 0.22, 1e-9) << "one notch per press, releases ignored";
  editor.graphics->ShowParamValue(editor.param, 70.0, false);
  IdleWhile("xdotool mousemove --window " + w + " 20 20 click --repeat 2 --delay 600 1", {editor.graphics.get()});
  EXPECT_NEAR(editor.knob->GetValue(), 0.7, 1e-9) << "600 ms apart: two clicks";
}

TEST_F(X11EditorTest, PopupMenuChoosesWithTheMouseAndDismissesOutside) {
  FakeHost host(0, 0);
  Editor editor;
  class MenuButton : public IControl {
   public:
    MenuButton(IEditorDelegate* plug, PopupMenu* m) : IControl(plug, Rect(100, 10, 160, 30)), menu(m) {}
    bool Draw(IGraphics*) override { return true; }
    void OnMouseDown(int, int, const MouseMods&) override {
      chosen = GetGraphics()->ShowPopupMenu(menu, drawRect);
      ++presses;
    }
    PopupMenu* menu;
    PopupMenu* chosen = nullptr;
    int presses = 0;
  };
  PopupMenu menu;
  menu.AddItem("Copy Preset");
  menu.AddItem("Paste Preset");
  menu.AddSeparator();
  menu.AddItem("Init Preset");
  auto* button = new MenuButton(&editor.plug, &menu);
  editor.graphics->AddControl(button);
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  const std::string w = std::to_string(host.Child());
  // The menu opens at (100, 30); items are 20 pixels high after a 1-pixel border.
  IdleWhile("xdotool mousemove --window " + w + " 120 20 click 1 sleep 0.4 mousemove 130 61 sleep 0.2 click 1",
            {editor.graphics.get()});
  EXPECT_EQ(button->presses, 1);
  ASSERT_EQ(button->chosen, &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
  // Where the menu was, the editor shows again.
  EXPECT_EQ(host.PixelAt(host.Child(), 130, 45), 0x303030u);
  // A click outside closes the menu without a choice, and the grab is gone:
  // the next click reaches the editor again.
  IdleWhile("xdotool mousemove --window " + w +
                " 120 20 click 1 sleep 0.4 mousemove 280 180 click 1 sleep 0.2 "
                "mousemove --window " +
                w + " 20 28 mousedown 1 mousemove --window " + w + " 20 8 mouseup 1",
            {editor.graphics.get()});
  EXPECT_EQ(button->presses, 2);
  EXPECT_EQ(button->chosen, nullptr);
  EXPECT_GT(editor.knob->GetValue(), 0.2);
  XGrabPointer(host.display, host.window, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
               CurrentTime);
  XSync(host.display, False);
  EXPECT_EQ(XGrabPointer(host.display, host.window, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime),
            GrabSuccess)
      << "another client can grab the pointer afterwards";
  XUngrabPointer(host.display, CurrentTime);
  XSync(host.display, False);
}

TEST_F(X11EditorTest, MessageBoxAnswersFromTheKeyboardWithoutTheLock) {
  FakeHost host(0, 0);
  Editor editor;
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  std::atomic<bool> lockFree{false};
  std::thread keys([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (editor.plug.lock.try_lock()) {
      lockFree = true;
      editor.plug.lock.unlock();
    }
    EXPECT_EQ(std::system("xdotool key Tab key n"), 0);
  });
  int answer = 0;
  editor.plug.onIdleTick = [&] {
    editor.plug.onIdleTick = nullptr;
    answer = editor.graphics->ShowMessage("This will affect other tracks using this program. Do you want to continue?",
                                          "Record/Store Program", kMessageYesNo | kMessageIconQuestion);
  };
  editor.graphics->EditorIdle();
  keys.join();
  EXPECT_EQ(answer, kAnswerNo);
  EXPECT_TRUE(lockFree) << "audio could run while the box was up";
}

TEST_F(X11EditorTest, TwoEditorsSideBySideAndAHostThatDestroysItsWindowFirst) {
  FakeHost hostA(0, 0), hostB(400, 0);
  Editor a, b;
  ASSERT_TRUE(a.graphics->OpenEditorWindow(hostA.window));
  ASSERT_TRUE(b.graphics->OpenEditorWindow(hostB.window));
  for (int i = 0; i < 5; ++i) {
    a.graphics->EditorIdle();
    b.graphics->EditorIdle();
  }
  const std::string wb = std::to_string(hostB.Child());
  IdleWhile("xdotool mousemove --window " + wb + " 20 28 mousedown 1 sleep 0.1 mousemove --window " + wb +
                " 20 8 sleep 0.1 mouseup 1",
            {a.graphics.get(), b.graphics.get()});
  EXPECT_NEAR(b.knob->GetValue(), 0.45, 1e-9);
  EXPECT_NEAR(a.knob->GetValue(), 0.2, 1e-9);
  // Idle from another thread than the one that opened the window.
  std::thread other([&] {
    for (int i = 0; i < 5; ++i) a.graphics->EditorIdle();
  });
  other.join();
  // Host A destroys its window (and with it our child) before closing us.
  XDestroyWindow(hostA.display, hostA.window);
  XSync(hostA.display, False);
  for (int i = 0; i < 5; ++i) {
    a.graphics->EditorIdle();
    b.graphics->EditorIdle();
  }
  a.graphics->CloseEditorWindow();
  EXPECT_FALSE(a.graphics->IsEditorOpen());
  EXPECT_TRUE(b.graphics->IsEditorOpen());
  // And reopening on a new window works.
  FakeHost hostC(0, 300);
  ASSERT_TRUE(a.graphics->OpenEditorWindow(hostC.window));
  a.graphics->EditorIdle();
  EXPECT_NE(hostC.Child(), 0u);
  EXPECT_FALSE(b.graphics->OpenEditorWindow(0x7ffffff)) << "a parent that does not exist: no window";
}

TEST_F(X11EditorTest, TextEntryTakesTypedKeysAndGivesTheFocusBack) {
  FakeHost host(0, 0);
  Editor editor;
  editor.knob->SetPromptDisabled(false);
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  const std::string w = std::to_string(host.Child());
  Window focusBefore = 0;
  int revertBefore = 0;
  XGetInputFocus(host.display, &focusBefore, &revertBefore);
  IdleWhile("xdotool mousemove --window " + w +
                " 20 20 click 3 sleep 0.3 key BackSpace type 42.5 && "
                "xdotool key Return",
            {editor.graphics.get()});
  EXPECT_FALSE(editor.graphics->TextEntryOpen());
  EXPECT_NEAR(editor.plug.params[0].value, 42.5, 1e-9);
  EXPECT_NEAR(editor.knob->GetValue(), 0.425, 1e-9);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(host.display, &focus, &revert);
  EXPECT_EQ(focus, focusBefore) << "the focus went back to where it was";
  EXPECT_NE(focus, host.Child());
}

// Mapped override-redirect windows of other clients: tooltips and menus.
int CountPopups(Display* d) {
  Window root = 0, up = 0, *children = nullptr;
  unsigned int n = 0;
  int popups = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &up, &children, &n)) {
    for (unsigned int i = 0; i < n; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(d, children[i], &a) && a.override_redirect && a.map_state == IsViewable) ++popups;
    }
  }
  if (children) XFree(children);
  return popups;
}

TEST_F(X11EditorTest, TooltipAppearsWhenThePointerRestsAndGoesWhenItLeaves) {
  FakeHost host(0, 0);
  Editor editor;
  editor.knob->SetTooltip("Program is modified!");
  editor.graphics->HandleMouseOver(true);
  editor.graphics->EnableTooltips(true);
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  const std::string w = std::to_string(host.Child());
  EXPECT_EQ(CountPopups(host.display), 0);
  IdleWhile("xdotool mousemove --window " + w + " 20 20", {editor.graphics.get()}, 1000);
  EXPECT_EQ(CountPopups(host.display), 1) << "after resting over the knob";
  EXPECT_EQ(editor.graphics->MouseOverIndex(), 1);
  IdleWhile("xdotool mousemove --window " + w + " 200 150", {editor.graphics.get()}, 100);
  EXPECT_EQ(CountPopups(host.display), 0) << "another control (the background) hides it";
  IdleWhile("xdotool mousemove 700 500", {editor.graphics.get()}, 100);
  EXPECT_EQ(editor.graphics->MouseOverIndex(), -1) << "leaving the window";
}

TEST_F(X11EditorTest, KeysTheEditorDoesNotUseGoToTheHost) {
  FakeHost host(0, 0);
  XSelectInput(host.display, host.window, KeyPressMask | KeyReleaseMask);
  XSync(host.display, False);
  Editor editor;
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  const std::string w = std::to_string(host.Child());
  IdleWhile("xdotool mousemove --window " + w + " 200 150 click 1 sleep 0.2 key F5", {editor.graphics.get()});
  int pressesForHost = 0, releasesForHost = 0;
  while (XPending(host.display) > 0) {
    XEvent ev;
    XNextEvent(host.display, &ev);
    if (ev.type == KeyPress && ev.xkey.send_event && XLookupKeysym(&ev.xkey, 0) == XK_F5) ++pressesForHost;
    if (ev.type == KeyRelease && ev.xkey.send_event) ++releasesForHost;
  }
  EXPECT_EQ(pressesForHost, 1);
  EXPECT_EQ(releasesForHost, 1);
}

TEST_F(X11EditorTest, FileDialogProgramAndBuiltInPrompt) {
  FakeHost host(0, 0);
  Editor editor;
  ASSERT_TRUE(editor.graphics->OpenEditorWindow(host.window));
  for (int i = 0; i < 5; ++i) editor.graphics->EditorIdle();
  char pattern[] = "/tmp/vornell-x11-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  const std::string chosen = folder + "/My Banks b\xc3\xa4nk.fxb";
  {
    FILE* f = std::fopen(chosen.c_str(), "w");
    if (f) std::fclose(f);
  }
  const std::string zenity = folder + "/zenity";
  {
    FILE* f = std::fopen(zenity.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "#!/bin/sh\necho \"$*\" > '%s/args'\necho '%s'\nexit 0\n", folder.c_str(), chosen.c_str());
    std::fclose(f);
    chmod(zenity.c_str(), 0755);
  }
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (folder + ":" + savedPath).c_str(), 1);
  std::string result, dir = folder + "/";
  editor.graphics->ChooseFile(result, IGraphics::FileMode::Open, dir, "fxb fxp syx", "Load File into Browser");
  EXPECT_EQ(result, chosen);
  EXPECT_EQ(dir, folder + "/");
  // Titled, and attached to the host's top-level window.
  char args[512] = {0};
  if (FILE* f = std::fopen((folder + "/args").c_str(), "r")) {
    if (!std::fgets(args, sizeof args, f)) args[0] = 0;
    std::fclose(f);
  }
  EXPECT_EQ(
      std::string(args).rfind(
          "--file-selection --title=Load File into Browser --modal --attach=" + std::to_string(host.window) + " ", 0),
      0u)
      << args;
  // Without any dialog program the framework asks for the path itself.
  setenv("PATH", "/nonexistent", 1);
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const std::string xdotool = "/usr/bin/xdotool";
    std::system((xdotool + " key ctrl+a type '" + folder + "/typed.syx'").c_str());
    std::system((xdotool + " key Return").c_str());
  });
  result = "bank.syx";
  editor.graphics->ChooseFile(result, IGraphics::FileMode::Save, dir, "syx");
  typist.join();
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_EQ(result, folder + "/typed.syx");

  // The prompt lists the folder's matching files; a double-click takes one.
  for (const char* name : {"a.syx", "b.SYX"})
    if (FILE* f = std::fopen((folder + "/" + name).c_str(), "w")) std::fclose(f);
  auto lister = [](const std::string& shown) { return PromptFolderEntries(shown, {"syx"}, false); };
  const Rect list = DialogView("Open file (full path):", folder + "/", lister, false).ListRect();
  const int rowHeight = (list.H() - 2) / 10;
  const int x = list.left + 10, y = list.top + 1 + 2 * rowHeight + rowHeight / 2;  // "../", "a.syx", "b.SYX"
  setenv("PATH", "/nonexistent", 1);
  std::thread clicker([&] {
    const std::string command =
        "/usr/bin/xdotool search --sync --name '^Load Program SysEx File$' mousemove --window %1 " + std::to_string(x) +
        " " + std::to_string(y) + " click --repeat 2 --delay 80 1";
    EXPECT_EQ(std::system(command.c_str()), 0);
  });
  result.clear();
  editor.graphics->ChooseFile(result, IGraphics::FileMode::Open, dir, "syx", "Load Program SysEx File");
  clicker.join();
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_EQ(result, folder + "/b.SYX");
  std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
