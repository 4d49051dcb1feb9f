#pragma once
// The window system behind the editor: one narrow interface with an X11
// implementation for hosts and a headless one for tests. IGraphics calls
// these on the user-interface thread; the implementation calls IGraphics's
// event handlers (OnMouseDown, ...) from ProcessEvents and from its modal
// loops, never from a thread of its own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/EditorRecords.h"

class IGraphics;
class PopupMenu;

struct FileDialogRequest {
  // The window's title: what is asked ("Load Bank", "Save Preset").
  std::string title;
  bool save = false;
  // A folder is chosen, not a file (the extensions are then empty).
  bool chooseFolder = false;
  std::string folder;    // initial folder (never empty)
  std::string fileName;  // initial file name (may be empty)
  // Extensions without dot ("fxb", "fxp", ...); the first is the default.
  std::vector<std::string> extensions;
  // The extensions as one pattern, "*.fxb;*.fxp;*.syx".
  std::string filter;
};

class IWindowSystem {
 public:
  virtual ~IWindowSystem() = default;

  // Creates the editor window, width × height at (0, 0), as a child of the
  // host's window `parent` (an X11 window id). False on failure.
  virtual bool Open(IGraphics* graphics, uintptr_t parent, int width, int height) = 0;
  virtual void Close() = 0;
  // Any thread (the audio thread asks it before posting a status text), so
  // implementations keep the answer in an atomic.
  virtual bool IsOpen() const = 0;
  // Handles the events that are waiting, calling back into IGraphics.
  virtual void ProcessEvents() = 0;
  // Milliseconds of a monotonic clock.
  virtual uint64_t NowMs() = 0;
  // Copies that part of the back buffer to the window now (in pixels).
  virtual void UpdateWindow(const Rect& r) = 0;
  // Gives the open window a new size in pixels (the host has agreed to it).
  virtual void ResizeWindow(int width, int height) = 0;
  // Pixels per drawing unit for what the window system draws itself
  // (menus, tooltips, dialogs): the editor's zoom / 100.
  virtual void SetDrawScale(double scale) = 0;
  // The editor size in percent that suits the screen (GDK_SCALE, Xft.dpi),
  // for when the user has chosen none. Needs no open window.
  virtual int ScreenZoom() { return 100; }
  // The name the editor's window carries (its title and class) from the
  // next Open on; "IPlug" until one is given.
  virtual void SetWindowName(const std::string& name) = 0;

  // Keyboard focus for the window (on a click and for a text entry).
  virtual void TakeKeyboardFocus() = 0;
  // Hands the focus back to the window that had it before.
  virtual void ReleaseKeyboardFocus() = 0;

  // At (x, y) in window pixels.
  virtual void ShowTooltip(const std::string& text, int x, int y) = 0;
  virtual void HideTooltip() = 0;
  // Asks for OnMouseHover once the pointer rests over the window.
  virtual void RequestHoverNotice() = 0;
  virtual void HideCursor(bool hide) = 0;

  // Modal services; each returns when the user has answered. IGraphics
  // gives back the calling thread's hold of the plug-in lock around them.
  // Shows the menu with its top-left corner at (x, y) in window pixels.
  // On a choice: true, *chosenMenu = the (sub)menu holding the item and
  // *chosenIndex = its index there.
  virtual bool TrackPopupMenu(PopupMenu* menu, int x, int y, PopupMenu** chosenMenu, int* chosenIndex) = 0;
  // Returns a MessageBoxAnswer.
  virtual int RunMessageBox(const std::string& text, const std::string& caption, int type) = 0;
  // True with the full path on a choice, false on cancel.
  virtual bool RunFileDialog(const FileDialogRequest& request, std::string* chosenPath) = 0;

  virtual bool HasInternetConnection() = 0;
  // Opens the address in the desktop's browser; true when that started.
  virtual bool OpenUrl(const std::string& url) = 0;
};

// The X11 implementation (graphics/x11).
std::unique_ptr<IWindowSystem> CreateX11WindowSystem();
