#pragma once
// A window system without a display, for tests: events are queued by the
// test and delivered by ProcessEvents (so they take the host's idle path),
// the clock is set by hand, menus, message boxes and file dialogs are
// answered from scripts, and the back buffer can be written as a PNG.
#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics/IWindowSystem.h"

class HeadlessWindowSystem : public IWindowSystem {
 public:
  struct Event {
    enum Kind { kDown, kUp, kMove, kDoubleClick, kWheel, kKey, kKeyUp, kLeave, kHover, kFocusLost } kind = kMove;
    int x = 0, y = 0;
    MouseMods mods;
    int notches = 0;
    KeyEvent key;
  };

  // A menu as it was shown: the item texts with their number prefixes.
  struct ShownMenu {
    std::vector<std::string> texts;
    std::vector<int> flags;
    int x = 0, y = 0;
  };
  struct ShownMessage {
    std::string text, caption;
    int type = 0;
  };

  HeadlessWindowSystem() = default;

  // --- the test's side ---
  void Queue(const Event& e) { events.push_back(e); }
  void MouseDown(int x, int y, MouseMods mods = Left());
  void MouseUp(int x, int y, MouseMods mods = Left());
  void Move(int x, int y, MouseMods mods = MouseMods());
  void Click(int x, int y, MouseMods mods = Left());
  // A press, a drag in steps to (x1, y1) and a release.
  void Drag(int x0, int y0, int x1, int y1, MouseMods mods = Left());
  // Press, release, then the second press as a double-click, and release.
  void DoubleClick(int x, int y, MouseMods mods = Left());
  void Wheel(int x, int y, int notches, MouseMods mods = MouseMods());
  // Typing: text goes character by character.
  void Key(KeyEvent::Kind kind, const std::string& text = "");
  void Type(const std::string& text);
  static MouseMods Left() {
    MouseMods m;
    m.L = true;
    return m;
  }
  static MouseMods Right() {
    MouseMods m;
    m.R = true;
    return m;
  }

  void SetTime(uint64_t ms) { nowMs = ms; }
  void AdvanceTime(uint64_t ms) { nowMs += ms; }

  // Scripts: a menu answer is the path of item indexes through submenus
  // (empty: dismissed); a missing answer dismisses. A missing message
  // answer is the box's safe choice (OK, No or Cancel); a missing file
  // answer cancels.
  std::deque<std::vector<int>> menuAnswers;
  std::deque<int> messageAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  // Called inside every modal wait (menu, message box, file dialog).
  std::function<void()> duringModal;
  bool internetConnection = true;
  bool urlOpens = true;

  // What happened.
  std::vector<Rect> updates;
  std::vector<ShownMenu> menusShown;
  std::vector<ShownMessage> messagesShown;
  std::vector<FileDialogRequest> fileRequests;
  std::vector<std::string> urlsOpened;
  std::vector<KeyEvent> keysPassedToHost;
  std::string tooltip;  // visible tooltip, empty when hidden
  int tooltipX = 0, tooltipY = 0;
  int hoverRequests = 0;
  bool keyboardFocus = false;
  int focusTaken = 0;
  bool cursorHidden = false;
  uintptr_t parentWindow = 0;
  std::string windowName = "IPlug";
  // The window's size in pixels (as opened, then as resized).
  int windowWidth = 0, windowHeight = 0;
  int resizes = 0;
  double drawScale = 1.0;
  // What ScreenZoom answers.
  int screenZoom = 100;

  bool WriteBackBufferPNG(const std::string& path) const;

  // --- IWindowSystem ---
  bool Open(IGraphics* graphics, uintptr_t parent, int width, int height) override;
  void Close() override;
  bool IsOpen() const override { return open; }
  void ProcessEvents() override;
  uint64_t NowMs() override { return nowMs; }
  void UpdateWindow(const Rect& r) override { updates.push_back(r); }
  void ResizeWindow(int width, int height) override {
    windowWidth = width;
    windowHeight = height;
    ++resizes;
  }
  void SetDrawScale(double scale) override { drawScale = scale; }
  int ScreenZoom() override { return screenZoom; }
  void SetWindowName(const std::string& name) override { windowName = name; }
  void TakeKeyboardFocus() override;
  void ReleaseKeyboardFocus() override { keyboardFocus = false; }
  void ShowTooltip(const std::string& text, int x, int y) override {
    tooltip = text;
    tooltipX = x;
    tooltipY = y;
  }
  void HideTooltip() override { tooltip.clear(); }
  void RequestHoverNotice() override { ++hoverRequests; }
  void HideCursor(bool hide) override { cursorHidden = hide; }
  bool TrackPopupMenu(PopupMenu* menu, int x, int y, PopupMenu** chosenMenu, int* chosenIndex) override;
  int RunMessageBox(const std::string& text, const std::string& caption, int type) override;
  bool RunFileDialog(const FileDialogRequest& request, std::string* chosenPath) override;
  bool HasInternetConnection() override { return internetConnection; }
  bool OpenUrl(const std::string& url) override;

 private:
  IGraphics* graphics = nullptr;
  // Read from any thread (the audio thread asks before posting a status text).
  std::atomic<bool> open{false};
  uint64_t nowMs = 0;
  std::deque<Event> events;
  bool leftDown = false;
  bool rightDown = false;
};
