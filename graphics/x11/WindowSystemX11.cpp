// The editor's window on X11: a child of the host's window on a display
// connection of its own (hosts drain theirs themselves), events handled
// when the host idles, menus, tooltips and dialogs drawn by the framework
// in windows of that connection. Every entry runs on one thread at a time
// (IGraphics serialises them) and under an X error trap, so that a window
// the host has already destroyed gives no fatal error.
// Our headers come before the X headers, which define macros (None, True, Status)
// and a type KeyCode that would change what ours declare.
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "graphics/ClickTracker.h"
#include "graphics/DesktopServices.h"
#include "graphics/DialogView.h"
#include "graphics/EditorZoom.h"
#include "graphics/FileDialogFlow.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IGraphics.h"
#include "graphics/IWindowSystem.h"
#include "graphics/PopupMenu.h"
#include "graphics/PopupMenuView.h"
#include "graphics/TextEntryField.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"

#define KeyCode XKeyCode
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#undef KeyCode

namespace {

constexpr uint64_t kHoverDelayMs = 600;
constexpr int kModalPollMs = 20;

// --- X error trap ----------------------------------------------------------
// The error handler is one for the whole process: it is swapped in only
// around our own calls, serialised between instances, and always restored.
std::recursive_mutex gTrapLock;
int gTrapDepth = 0;
XErrorHandler gPreviousHandler = nullptr;
int gTrappedErrors = 0;

int SwallowError(Display*, XErrorEvent*) {
  ++gTrappedErrors;
  return 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) : dpy(d), guard(gTrapLock) {
    if (gTrapDepth++ == 0) gPreviousHandler = XSetErrorHandler(SwallowError);
    errorsBefore = gTrappedErrors;
  }
  ~ErrorTrap() {
    if (dpy) XSync(dpy, False);
    if (--gTrapDepth == 0) XSetErrorHandler(gPreviousHandler);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Whether a request since the start failed (waits for the server).
  bool Failed() {
    XSync(dpy, False);
    return gTrappedErrors != errorsBefore;
  }

 private:
  Display* dpy;
  std::lock_guard<std::recursive_mutex> guard;
  int errorsBefore = 0;
};

uint64_t MonotonicMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

MouseMods ModsOf(unsigned int state) {
  MouseMods m;
  m.L = state & Button1Mask;
  m.R = state & Button3Mask;
  m.S = state & ShiftMask;
  m.C = state & ControlMask;
  m.A = state & Mod1Mask;
  return m;
}

// Latin-1 bytes from XLookupString as UTF-8.
std::string Latin1ToUtf8(const char* text, int length) {
  std::string out;
  for (int i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xc0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
  }
  return out;
}

// Keys with a meaning of their own, by symbol.
struct NamedKey {
  KeySym sym;
  KeyEvent::Kind kind;
};
constexpr NamedKey kNamedKeys[] = {
    {XK_space, KeyEvent::kSpace},      {XK_KP_Space, KeyEvent::kSpace},   {XK_Up, KeyEvent::kUp},
    {XK_KP_Up, KeyEvent::kUp},         {XK_Down, KeyEvent::kDown},        {XK_KP_Down, KeyEvent::kDown},
    {XK_Left, KeyEvent::kLeft},        {XK_KP_Left, KeyEvent::kLeft},     {XK_Right, KeyEvent::kRight},
    {XK_KP_Right, KeyEvent::kRight},   {XK_Home, KeyEvent::kHome},        {XK_KP_Home, KeyEvent::kHome},
    {XK_End, KeyEvent::kEnd},          {XK_KP_End, KeyEvent::kEnd},       {XK_BackSpace, KeyEvent::kBackspace},
    {XK_Delete, KeyEvent::kDelete},    {XK_KP_Delete, KeyEvent::kDelete}, {XK_Return, KeyEvent::kReturn},
    {XK_KP_Enter, KeyEvent::kReturn},  {XK_Escape, KeyEvent::kEscape},    {XK_Tab, KeyEvent::kTab},
    {XK_ISO_Left_Tab, KeyEvent::kTab},
};

// The key of an X key event; with an input context the text is looked up
// as UTF-8, else as Latin-1.
KeyEvent TranslateKey(XKeyEvent& xkey, XIC inputContext) {
  char buffer[64] = {0};
  KeySym sym = NoSymbol;
  std::string text;
  if (inputContext) {
    Status status = 0;
    int length = Xutf8LookupString(inputContext, &xkey, buffer, sizeof buffer - 1, &sym, &status);
    if (status == XBufferOverflow || length < 0) length = 0;
    text.assign(buffer, static_cast<size_t>(length));
  } else {
    const int length = XLookupString(&xkey, buffer, sizeof buffer - 1, &sym, nullptr);
    text = Latin1ToUtf8(buffer, std::max(length, 0));
  }
  KeyEvent key;
  key.shift = xkey.state & ShiftMask;
  key.control = xkey.state & ControlMask;
  key.alt = xkey.state & Mod1Mask;
  for (const NamedKey& named : kNamedKeys)
    if (named.sym == sym) {
      key.kind = named.kind;
      if (named.kind == KeyEvent::kSpace) key.text = " ";
      return key;
    }
  if (key.control && sym >= 0x20 && sym <= 0x7e) {
    // With Ctrl the lookup gives a control character; the key is the symbol.
    key.kind = KeyEvent::kText;
    key.text = std::string(1, static_cast<char>(sym));
  } else if (!text.empty() && static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7f) {
    key.kind = KeyEvent::kText;
    key.text = text;
  } else {
    key.kind = KeyEvent::kOther;
  }
  return key;
}

class WindowSystemX11 : public IWindowSystem {
 public:
  ~WindowSystemX11() override { Close(); }

  bool Open(IGraphics* owner, uintptr_t parentWindow, int w, int h) override;
  void Close() override;
  // Any thread: the audio thread asks before it posts a status text.
  bool IsOpen() const override { return isOpen.load(std::memory_order_acquire); }
  void ProcessEvents() override;
  uint64_t NowMs() override { return MonotonicMs(); }
  void UpdateWindow(const Rect& r) override;
  void ResizeWindow(int w, int h) override;
  void SetDrawScale(double scale) override { drawScale = scale > 0.0 ? scale : 1.0; }
  int ScreenZoom() override;
  void SetWindowName(const std::string& name) override { windowName = name; }
  void TakeKeyboardFocus() override;
  void ReleaseKeyboardFocus() override;
  void ShowTooltip(const std::string& text, int x, int y) override;
  void HideTooltip() override;
  void RequestHoverNotice() override {
    hoverArmed = true;
    lastMotionMs = MonotonicMs();
  }
  void HideCursor(bool hide) override;
  bool TrackPopupMenu(PopupMenu* menu, int x, int y, PopupMenu** chosenMenu, int* chosenIndex) override;
  int RunMessageBox(const std::string& text, const std::string& caption, int type) override;
  bool RunFileDialog(const FileDialogRequest& request, std::string* chosenPath) override;
  bool HasInternetConnection() override { return MachineHasNetworkConnection(); }
  bool OpenUrl(const std::string& url) override { return OpenUrlWithDesktop(url); }

 private:
  struct MenuLevel {
    std::unique_ptr<PopupMenuView> view;
    std::unique_ptr<LICE_MemBitmap> bitmap;
    Window win = 0;
    int rootX = 0, rootY = 0;
    int highlighted = -1;
    int parentItem = -1;  // the item of the level above that opened it
  };

  void Dispatch(XEvent& ev);
  void PassKeyToHost(XEvent& ev);
  void FlushExpose();
  // Handles an event that reaches the editor while a modal loop runs:
  // exposure is answered, input is dropped.
  void HandleEventDuringModal(Display* d, XEvent& ev);
  // Waits until the display (or fd) has something, at most ms.
  void WaitForEvents(Display* d, int ms, int fd = -1);
  Window FindHostTopLevel();
  // Copies the part r of a bitmap to the same place in a window.
  void PutBitmap(Display* d, Window w, Visual* v, int depth, const LICE_IBitmap* bitmap, const Rect& r);
  void PaintBitmap(Display* d, Window w, const LICE_IBitmap* bitmap) {
    PutBitmap(d, w, DefaultVisual(d, DefaultScreen(d)), DefaultDepth(d, DefaultScreen(d)), bitmap,
              Rect(0, 0, bitmap ? bitmap->Width() : 0, bitmap ? bitmap->Height() : 0));
  }
  Window CreatePopupWindow(Display* d, int x, int y, int w, int h, bool overrideRedirect);
  int RunDialog(DialogView& view, const std::string& caption);
  bool CloseWanted() const { return graphics && graphics->CloseRequested(); }
  // Menus, tooltips and dialogs are laid out in drawing units and shown at
  // the editor's zoom: units to pixels (rounded up) and back.
  int Px(int units) const { return static_cast<int>(std::ceil(units * drawScale - 1e-6)); }
  int Units(int pixels) const { return static_cast<int>(std::floor(pixels / drawScale + 1e-6)); }
  // A bitmap for a view of that size in units, drawn at the zoom.
  std::unique_ptr<LICE_MemBitmap> ZoomedBitmap(int w, int h) const {
    auto bitmap = std::make_unique<LICE_MemBitmap>(Px(w), Px(h));
    bitmap->SetDensity(drawScale);
    return bitmap;
  }

  IGraphics* graphics = nullptr;
  Display* dpy = nullptr;
  // Mirrors dpy != nullptr for readers on other threads (dpy itself belongs
  // to the thread that holds the editor's window lock).
  std::atomic<bool> isOpen{false};
  std::string windowName = "IPlug";
  Window window = 0;
  Window parent = 0;
  Window hostTopLevel = 0;
  bool windowAlive = false;
  Visual* visual = nullptr;
  int width = 0, height = 0;
  double drawScale = 1.0;
  int depth = 0;
  XIM inputMethod = nullptr;
  XIC inputContext = nullptr;
  Atom wmDeleteWindow = 0;
  Atom wmProtocols = 0;
  ClickTracker clicks;
  Rect exposed;
  bool hoverArmed = false;
  uint64_t lastMotionMs = 0;
  Window tooltipWindow = 0;
  std::unique_ptr<LICE_MemBitmap> tooltipBitmap;
  bool haveFocus = false;
  Window previousFocus = 0;
  bool cursorHidden = false;
  int savedRootX = 0, savedRootY = 0;
  Cursor invisibleCursor = 0;
};

bool WindowSystemX11::Open(IGraphics* owner, uintptr_t parentWindow, int w, int h) {
  Close();
  if (parentWindow == 0 || w <= 0 || h <= 0) return false;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  bool failed = false;
  {
    ErrorTrap trap(d);
    XWindowAttributes parentAttributes{};
    Window created = 0;
    const Status ok = XGetWindowAttributes(d, static_cast<Window>(parentWindow), &parentAttributes);
    if (!ok || trap.Failed()) {
      failed = true;
    } else {
      XSetWindowAttributes a{};
      a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ButtonMotionMask |
                     KeyPressMask | KeyReleaseMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask |
                     StructureNotifyMask;
      a.border_pixel = 0;
      a.colormap = parentAttributes.colormap;
      a.background_pixmap = None;
      created = XCreateWindow(d, static_cast<Window>(parentWindow), 0, 0, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), 0, parentAttributes.depth, InputOutput, parentAttributes.visual,
                              CWEventMask | CWBorderPixel | CWColormap | CWBackPixmap, &a);
      failed = !created || trap.Failed();
    }
    if (!failed) {
      dpy = d;
      isOpen.store(true, std::memory_order_release);
      window = created;
      parent = static_cast<Window>(parentWindow);
      visual = parentAttributes.visual;
      width = w;
      height = h;
      graphics = owner;
      windowAlive = true;
      XStoreName(dpy, window, windowName.c_str());
      XClassHint classHint{const_cast<char*>(windowName.c_str()), const_cast<char*>(windowName.c_str())};
      XSetClassHint(dpy, window, &classHint);
      wmProtocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
      wmDeleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
      depth = parentAttributes.depth;
      inputMethod = XOpenIM(dpy, nullptr, nullptr, nullptr);
      if (inputMethod) {
        inputContext = XCreateIC(inputMethod, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                                 window, XNFocusWindow, window, nullptr);
      }
      XMapWindow(dpy, window);
      hostTopLevel = FindHostTopLevel();
      clicks.Reset();
      exposed = Rect();
    }
  }
  if (failed) {
    XCloseDisplay(d);
    return false;
  }
  XFlush(dpy);
  return true;
}

Window WindowSystemX11::FindHostTopLevel() {
  // The host's client top-level is the ancestor with WM_STATE; without a
  // window manager, the last ancestor below the root.
  const Atom wmState = XInternAtom(dpy, "WM_STATE", False);
  Window current = parent;
  Window lastBelowRoot = parent;
  for (int depth = 0; depth < 64 && current; ++depth) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, current, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success) {
      if (data) XFree(data);
      if (type != None) return current;
    }
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, current, &root, &up, &children, &n)) break;
    if (children) XFree(children);
    if (up == root || up == 0) return current;
    lastBelowRoot = up;
    current = up;
  }
  return lastBelowRoot;
}

void WindowSystemX11::Close() {
  if (!dpy) return;
  {
    ErrorTrap trap(dpy);
    HideTooltip();
    if (cursorHidden) HideCursor(false);
    if (invisibleCursor) XFreeCursor(dpy, invisibleCursor);
    invisibleCursor = 0;
    if (inputContext) XDestroyIC(inputContext);
    if (inputMethod) XCloseIM(inputMethod);
    inputContext = nullptr;
    inputMethod = nullptr;
    if (haveFocus) ReleaseKeyboardFocus();
    if (windowAlive) XDestroyWindow(dpy, window);
  }
  isOpen.store(false, std::memory_order_release);
  XCloseDisplay(dpy);
  dpy = nullptr;
  window = parent = hostTopLevel = 0;
  windowAlive = false;
  haveFocus = false;
  graphics = nullptr;
}

void WindowSystemX11::ProcessEvents() {
  if (!dpy) return;
  ErrorTrap trap(dpy);
  while (dpy && XPending(dpy) > 0) {
    XEvent ev;
    XNextEvent(dpy, &ev);
    if (XFilterEvent(&ev, None)) continue;
    Dispatch(ev);
  }
  FlushExpose();
  if (hoverArmed && MonotonicMs() - lastMotionMs >= kHoverDelayMs) {
    hoverArmed = false;
    graphics->OnMouseHover();
  }
  XFlush(dpy);
}

void WindowSystemX11::Dispatch(XEvent& ev) {
  if (ev.xany.window == tooltipWindow && tooltipWindow) {
    if (ev.type == Expose && tooltipBitmap) PaintBitmap(dpy, tooltipWindow, tooltipBitmap.get());
    return;
  }
  if (ev.xany.window != window) return;  // not ours: some other window of this connection
  switch (ev.type) {
    case Expose:
      exposed = exposed.Union(
          Rect(ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width, ev.xexpose.y + ev.xexpose.height));
      break;
    case ButtonPress: {
      const XButtonEvent& b = ev.xbutton;
      if (b.button == 4 || b.button == 5) {
        // Each notch is a press and a release; the press counts.
        graphics->OnMouseWheel(b.x, b.y, ModsOf(b.state), b.button == 4 ? 1 : -1);
        break;
      }
      if (b.button > 3) break;
      MouseMods mods = ModsOf(b.state);
      mods.L = b.button == 1;
      mods.R = b.button == 3;
      const bool twice = clicks.Press(static_cast<int>(b.button), static_cast<uint32_t>(b.time), b.x, b.y);
      if (twice && b.button == 1)
        graphics->OnMouseDoubleClick(b.x, b.y, mods);
      else
        graphics->OnMouseDown(b.x, b.y, mods);
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& b = ev.xbutton;
      if (b.button < 1 || b.button > 3) break;
      MouseMods mods = ModsOf(b.state);
      if (b.button == 1) mods.L = false;
      if (b.button == 3) mods.R = false;
      graphics->OnMouseUp(b.x, b.y, mods);
      break;
    }
    case MotionNotify: {
      // Only the latest position of a burst matters; a burst ends at the
      // first other event (a motion after a press must stay after it).
      XEvent next;
      while (XPending(dpy) > 0 && XPeekEvent(dpy, &next) && next.type == MotionNotify && next.xany.window == window)
        XNextEvent(dpy, &ev);
      lastMotionMs = MonotonicMs();
      graphics->OnMouseMove(ev.xmotion.x, ev.xmotion.y, ModsOf(ev.xmotion.state));
      break;
    }
    case LeaveNotify:
      if (ev.xcrossing.mode == NotifyNormal && !(ev.xcrossing.state & (Button1Mask | Button3Mask))) {
        hoverArmed = false;
        graphics->OnMouseLeave();
      }
      break;
    case KeyPress: {
      if (!graphics->OnKeyDown(TranslateKey(ev.xkey, inputContext))) PassKeyToHost(ev);
      break;
    }
    case KeyRelease:
      if (!graphics->TextEntryOpen()) PassKeyToHost(ev);
      break;
    case FocusIn:
      if (inputContext) XSetICFocus(inputContext);
      break;
    case FocusOut: {
      // Grabs (our own menus) move the focus only for their duration, and
      // taking the focus from pointer-root focus first reports a loss of
      // the pointer's focus: neither is a real loss. Ask the server.
      if (ev.xfocus.mode == NotifyGrab || ev.xfocus.mode == NotifyUngrab) break;
      if (ev.xfocus.detail == NotifyPointer || ev.xfocus.detail == NotifyInferior) break;
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(dpy, &focus, &revert);
      if (focus == window) break;
      if (inputContext) XUnsetICFocus(inputContext);
      haveFocus = false;
      graphics->OnFocusLost();
      break;
    }
    case ConfigureNotify:
      width = ev.xconfigure.width;
      height = ev.xconfigure.height;
      break;
    case DestroyNotify:
      if (ev.xdestroywindow.window == window) windowAlive = false;
      break;
    default:
      break;
  }
}

void WindowSystemX11::PassKeyToHost(XEvent& ev) {
  if (!hostTopLevel || hostTopLevel == window) return;
  XEvent copy = ev;
  copy.xkey.window = hostTopLevel;
  copy.xkey.subwindow = None;
  XSendEvent(dpy, hostTopLevel, True, ev.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
}

void WindowSystemX11::FlushExpose() {
  if (exposed.Empty()) return;
  const Rect r = exposed;
  exposed = Rect();
  UpdateWindow(r);
}

void WindowSystemX11::UpdateWindow(const Rect& r) {
  if (!dpy || !windowAlive || !graphics || r.Empty()) return;
  PutBitmap(dpy, window, visual, depth, graphics->BackBuffer(), r.Intersect(Rect(0, 0, width, height)));
  XFlush(dpy);
}

void WindowSystemX11::ResizeWindow(int w, int h) {
  if (!dpy || !windowAlive || w <= 0 || h <= 0) return;
  ErrorTrap trap(dpy);
  XResizeWindow(dpy, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
  width = w;
  height = h;
  XFlush(dpy);
}

int WindowSystemX11::ScreenZoom() {
  // The screen does not change under a running host: asked once per process.
  static const int answer = [] {
    std::string dpi;
    if (Display* d = XOpenDisplay(nullptr)) {
      // The resource database as the desktop published it: lines "name:\tvalue".
      if (const char* resources = XResourceManagerString(d)) {
        const std::string text(resources);
        size_t start = 0;
        while (start < text.size()) {
          size_t end = text.find('\n', start);
          if (end == std::string::npos) end = text.size();
          const std::string line = text.substr(start, end - start);
          if (line.rfind("Xft.dpi:", 0) == 0) dpi = line.substr(8);
          start = end + 1;
        }
      }
      XCloseDisplay(d);
    }
    return ScreenEditorSize(std::getenv("GDK_SCALE"), dpi.c_str());
  }();
  return answer;
}

void WindowSystemX11::TakeKeyboardFocus() {
  if (!dpy || !windowAlive) return;
  ErrorTrap trap(dpy);
  XWindowAttributes attributes{};
  // Focusing an unmapped window fails; wait for the next click instead.
  if (!XGetWindowAttributes(dpy, window, &attributes) || attributes.map_state != IsViewable) return;
  if (!haveFocus) {
    int revert = 0;
    XGetInputFocus(dpy, &previousFocus, &revert);
    if (previousFocus == window) previousFocus = 0;
  }
  XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
  haveFocus = !trap.Failed();
}

void WindowSystemX11::ReleaseKeyboardFocus() {
  if (!dpy || !haveFocus) return;
  ErrorTrap trap(dpy);
  haveFocus = false;
  if (previousFocus == PointerRoot)
    XSetInputFocus(dpy, PointerRoot, RevertToPointerRoot, CurrentTime);
  else if (previousFocus != 0 && previousFocus != None)
    XSetInputFocus(dpy, previousFocus, RevertToParent, CurrentTime);
  previousFocus = 0;
}

Window WindowSystemX11::CreatePopupWindow(Display* d, int x, int y, int w, int h, bool overrideRedirect) {
  const int screen = DefaultScreen(d);
  XSetWindowAttributes a{};
  a.override_redirect = overrideRedirect ? True : False;
  a.save_under = True;
  a.background_pixel = WhitePixel(d, screen);
  a.border_pixel = BlackPixel(d, screen);
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                 StructureNotifyMask | FocusChangeMask;
  return XCreateWindow(d, RootWindow(d, screen), x, y, static_cast<unsigned>(std::max(w, 1)),
                       static_cast<unsigned>(std::max(h, 1)), 0, CopyFromParent, InputOutput, CopyFromParent,
                       CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWBorderPixel | CWEventMask, &a);
}

void WindowSystemX11::PutBitmap(Display* d, Window w, Visual* v, int windowDepth, const LICE_IBitmap* bitmap,
                                const Rect& part) {
  if (!bitmap || !bitmap->Bits() || !v) return;
  const Rect r = part.Intersect(Rect(0, 0, bitmap->Width(), bitmap->Height()));
  if (r.Empty()) return;
  bitmap->Flush();
  // Our pixels are 0xAARRGGBB words; with the usual 24-bit visual the
  // server takes them as they are (the top byte is ignored).
  const bool direct = (windowDepth == 24 || windowDepth == 32) && v->red_mask == 0xff0000 && v->green_mask == 0xff00 &&
                      v->blue_mask == 0xff;
  const uint32_t one = 1;
  const bool littleEndian = *reinterpret_cast<const unsigned char*>(&one) == 1;
  XImage* image = nullptr;
  std::vector<char> converted;
  if (direct) {
    image = XCreateImage(d, v, static_cast<unsigned>(windowDepth), ZPixmap, 0,
                         reinterpret_cast<char*>(const_cast<LICE_pixel*>(bitmap->Bits())),
                         static_cast<unsigned>(bitmap->Width()), static_cast<unsigned>(bitmap->Height()), 32,
                         bitmap->RowSpan() * 4);
    if (image) image->byte_order = littleEndian ? LSBFirst : MSBFirst;
  } else {
    // Another visual: let Xlib place each pixel.
    image = XCreateImage(d, v, static_cast<unsigned>(windowDepth), ZPixmap, 0, nullptr, static_cast<unsigned>(r.W()),
                         static_cast<unsigned>(r.H()), 32, 0);
    if (image) {
      converted.resize(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(r.H()));
      image->data = converted.data();
      auto place = [](unsigned long mask, int c) -> unsigned long {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        int bits = 0;
        while ((mask >> (shift + bits)) & 1) ++bits;
        return (static_cast<unsigned long>(c) >> (8 - std::min(bits, 8))) << shift;
      };
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
          const LICE_pixel p = bitmap->GetPixel(x, y);
          XPutPixel(image, x - r.left, y - r.top,
                    place(v->red_mask, LICE_GETR(p)) | place(v->green_mask, LICE_GETG(p)) |
                        place(v->blue_mask, LICE_GETB(p)));
        }
    }
  }
  if (!image) return;
  GC gc = XCreateGC(d, w, 0, nullptr);
  const int srcX = direct ? r.left : 0, srcY = direct ? r.top : 0;
  XPutImage(d, w, gc, image, srcX, srcY, r.left, r.top, static_cast<unsigned>(r.W()), static_cast<unsigned>(r.H()));
  XFreeGC(d, gc);
  image->data = nullptr;  // not Xlib's to free
  XDestroyImage(image);
  XFlush(d);
}

void WindowSystemX11::ShowTooltip(const std::string& text, int x, int y) {
  HideTooltip();
  if (!dpy || !windowAlive || text.empty()) return;
  ErrorTrap trap(dpy);
  LICE_IFont* font = CachedFontFor(TextStyle("Arial", 13, kColorBlack, TextStyle::kStyleNormal, TextStyle::kAlignNear));
  if (!font) return;
  const int w = font->MeasureText(text) + 10, h = font->LineHeight() + 6;
  tooltipBitmap = ZoomedBitmap(w, h);
  LICE_Clear(tooltipBitmap.get(), LICE_RGBA(255, 255, 225, 255));
  LICE_DrawRect(tooltipBitmap.get(), 0, 0, w, h, LICE_RGBA(100, 100, 100, 255));
  font->DrawText(tooltipBitmap.get(), text, 5, 3, w - 5, LICE_RGBA(0, 0, 0, 255), false, LICE_TextAlign::Left);
  int rootX = 0, rootY = 0;
  Window child = 0;
  XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), x, y + Px(20), &rootX, &rootY, &child);
  tooltipWindow = CreatePopupWindow(dpy, rootX, rootY, Px(w), Px(h), true);
  XMapRaised(dpy, tooltipWindow);
  PaintBitmap(dpy, tooltipWindow, tooltipBitmap.get());
}

void WindowSystemX11::HideTooltip() {
  if (!dpy || !tooltipWindow) return;
  ErrorTrap trap(dpy);
  XDestroyWindow(dpy, tooltipWindow);
  tooltipWindow = 0;
  tooltipBitmap.reset();
}

void WindowSystemX11::HideCursor(bool hide) {
  if (!dpy || !windowAlive || hide == cursorHidden) return;
  ErrorTrap trap(dpy);
  const Window root = DefaultRootWindow(dpy);
  if (hide) {
    Window r = 0, c = 0;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    XQueryPointer(dpy, window, &r, &c, &savedRootX, &savedRootY, &wx, &wy, &mask);
    if (!invisibleCursor) {
      static const char empty[1] = {0};
      Pixmap pixmap = XCreateBitmapFromData(dpy, window, empty, 1, 1);
      XColor black{};
      invisibleCursor = XCreatePixmapCursor(dpy, pixmap, pixmap, &black, &black, 0, 0);
      XFreePixmap(dpy, pixmap);
    }
    XDefineCursor(dpy, window, invisibleCursor);
  } else {
    XUndefineCursor(dpy, window);
    XWarpPointer(dpy, None, root, 0, 0, 0, 0, savedRootX, savedRootY);
  }
  cursorHidden = hide;
}

void WindowSystemX11::WaitForEvents(Display* d, int ms, int fd) {
  XFlush(d);
  if (XPending(d) > 0) return;
  pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {fd, POLLIN, 0}};
  poll(fds, fd >= 0 ? 2 : 1, ms);
}

void WindowSystemX11::HandleEventDuringModal(Display* d, XEvent& ev) {
  if (d != dpy) return;
  if (ev.xany.window == window) {
    if (ev.type == Expose)
      exposed = exposed.Union(
          Rect(ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width, ev.xexpose.y + ev.xexpose.height));
    else if (ev.type == DestroyNotify)
      windowAlive = false;
  } else if (ev.xany.window == tooltipWindow && ev.type == Expose && tooltipBitmap) {
    PaintBitmap(dpy, tooltipWindow, tooltipBitmap.get());
  }
}

// --- popup menus -----------------------------------------------------------

bool WindowSystemX11::TrackPopupMenu(PopupMenu* menu, int x, int y, PopupMenu** chosenMenu, int* chosenIndex) {
  if (!dpy || !windowAlive || !menu || menu->NItems() == 0) return false;
  const int screen = DefaultScreen(dpy);
  const int screenW = DisplayWidth(dpy, screen), screenH = DisplayHeight(dpy, screen);
  std::vector<MenuLevel> levels;
  bool grabbed = false;

  auto draw = [&](MenuLevel& level) {
    level.view->Draw(level.bitmap.get(), level.highlighted);
    PaintBitmap(dpy, level.win, level.bitmap.get());
  };
  auto open = [&](PopupMenu* m, int rootX, int rootY, int parentItem, int parentLeft) {
    MenuLevel level;
    level.view = std::make_unique<PopupMenuView>(m);
    const int w = Px(level.view->Width()), h = Px(level.view->Height());
    // Keep it on the screen: a submenu that does not fit on the right opens
    // on the left of its parent.
    if (rootX + w > screenW) rootX = parentItem >= 0 ? parentLeft - w + Px(2) : screenW - w;
    if (rootY + h > screenH) rootY = screenH - h;
    level.rootX = std::max(rootX, 0);
    level.rootY = std::max(rootY, 0);
    level.parentItem = parentItem;
    level.bitmap = ZoomedBitmap(level.view->Width(), level.view->Height());
    level.win = CreatePopupWindow(dpy, level.rootX, level.rootY, w, h, true);
    XMapRaised(dpy, level.win);
    levels.push_back(std::move(level));
    draw(levels.back());
  };
  auto closeAfter = [&](size_t keep) {
    while (levels.size() > keep) {
      XDestroyWindow(dpy, levels.back().win);
      levels.pop_back();
    }
  };
  auto levelAt = [&](int rootX, int rootY) -> int {
    for (int i = static_cast<int>(levels.size()) - 1; i >= 0; --i) {
      const MenuLevel& l = levels[static_cast<size_t>(i)];
      if (Rect(l.rootX, l.rootY, l.rootX + Px(l.view->Width()), l.rootY + Px(l.view->Height())).Contains(rootX, rootY))
        return i;
    }
    return -1;
  };
  auto openSubmenuOf = [&](size_t index, int item) {
    MenuLevel& l = levels[index];
    if (levels.size() > index + 1 && levels[index + 1].parentItem == item) return;
    closeAfter(index + 1);
    if (!l.view->OpensSubmenu(item)) return;
    const Rect r = l.view->ItemRect(item);
    const int px = l.rootX, pw = Px(l.view->Width()), py = l.rootY + Px(r.top - 1);
    open(l.view->Menu()->GetItem(item)->Submenu(), px + pw - Px(2), py, item, px);
  };

  bool done = false;
  bool choice = false;
  {
    ErrorTrap trap(dpy);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), x, y, &rootX, &rootY, &child);
    open(menu, rootX, rootY, -1, 0);
    XSync(dpy, False);
    for (int attempt = 0; attempt < 20 && !grabbed; ++attempt) {
      grabbed = XGrabPointer(dpy, levels[0].win, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
      if (!grabbed) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XGrabKeyboard(dpy, levels[0].win, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  }
  while (!done) {
    if (CloseWanted() || !windowAlive) break;
    {
      ErrorTrap trap(dpy);
      while (!done && XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        const bool forMenu =
            std::any_of(levels.begin(), levels.end(), [&](const MenuLevel& l) { return l.win == ev.xany.window; });
        switch (ev.type) {
          case Expose:
            if (forMenu) {
              for (MenuLevel& l : levels)
                if (l.win == ev.xany.window && ev.xexpose.count == 0) draw(l);
            } else {
              HandleEventDuringModal(dpy, ev);
            }
            break;
          case MotionNotify: {
            const int li = levelAt(ev.xmotion.x_root, ev.xmotion.y_root);
            if (li < 0) break;
            MenuLevel& l = levels[static_cast<size_t>(li)];
            const int item = l.view->ItemAt(Units(ev.xmotion.x_root - l.rootX), Units(ev.xmotion.y_root - l.rootY));
            if (item != l.highlighted) {
              l.highlighted = item;
              draw(l);
            }
            if (item >= 0) openSubmenuOf(static_cast<size_t>(li), item);
            break;
          }
          case ButtonPress:
            // A click anywhere outside the menus dismisses them.
            if (levelAt(ev.xbutton.x_root, ev.xbutton.y_root) < 0) done = true;
            break;
          case ButtonRelease: {
            if (ev.xbutton.button > 3) break;
            const int li = levelAt(ev.xbutton.x_root, ev.xbutton.y_root);
            if (li < 0) break;  // the release of the press that opened the menu
            MenuLevel& l = levels[static_cast<size_t>(li)];
            const int item = l.view->ItemAt(Units(ev.xbutton.x_root - l.rootX), Units(ev.xbutton.y_root - l.rootY));
            const PopupMenuItem* it = l.view->Menu()->GetItem(item);
            if (it && it->Choosable()) {
              *chosenMenu = l.view->Menu();
              *chosenIndex = item;
              choice = done = true;
            } else if (item >= 0) {
              openSubmenuOf(static_cast<size_t>(li), item);
            }
            break;
          }
          case KeyPress: {
            KeySym sym = XLookupKeysym(&ev.xkey, 0);
            MenuLevel& l = levels.back();
            if (sym == XK_Escape) {
              if (levels.size() > 1)
                closeAfter(levels.size() - 1);
              else
                done = true;
            } else if (sym == XK_Up || sym == XK_Down || sym == XK_KP_Up || sym == XK_KP_Down) {
              l.highlighted = l.view->NextSelectable(l.highlighted, (sym == XK_Up || sym == XK_KP_Up) ? -1 : 1);
              draw(l);
            } else if ((sym == XK_Right || sym == XK_KP_Right) && l.view->OpensSubmenu(l.highlighted)) {
              openSubmenuOf(levels.size() - 1, l.highlighted);
              MenuLevel& sub = levels.back();
              sub.highlighted = sub.view->NextSelectable(-1, 1);
              draw(sub);
            } else if ((sym == XK_Left || sym == XK_KP_Left) && levels.size() > 1) {
              closeAfter(levels.size() - 1);
            } else if (sym == XK_Return || sym == XK_KP_Enter || sym == XK_space) {
              const PopupMenuItem* it = l.view->Menu()->GetItem(l.highlighted);
              if (it && it->Choosable()) {
                *chosenMenu = l.view->Menu();
                *chosenIndex = l.highlighted;
                choice = done = true;
              } else if (l.view->OpensSubmenu(l.highlighted)) {
                openSubmenuOf(levels.size() - 1, l.highlighted);
              }
            }
            break;
          }
          default:
            if (!forMenu) HandleEventDuringModal(dpy, ev);
            break;
        }
      }
      FlushExpose();
    }
    if (!done) WaitForEvents(dpy, kModalPollMs);
  }
  {
    ErrorTrap trap(dpy);
    XUngrabPointer(dpy, CurrentTime);
    XUngrabKeyboard(dpy, CurrentTime);
    closeAfter(0);
  }
  XFlush(dpy);
  clicks.Reset();
  return choice;
}

// --- dialogs ---------------------------------------------------------------

int WindowSystemX11::RunDialog(DialogView& view, const std::string& caption) {
  // Without an open editor a dialog still needs a connection: a short one.
  Display* d = dpy;
  bool ownDisplay = false;
  if (!d) {
    d = XOpenDisplay(nullptr);
    if (!d) return view.CancelAnswer();
    ownDisplay = true;
  }
  const int screen = DefaultScreen(d);
  std::unique_ptr<LICE_MemBitmap> bitmap = ZoomedBitmap(view.Width(), view.Height());
  const int viewW = bitmap->Width(), viewH = bitmap->Height();
  Window dialog = 0;
  Window focusBefore = 0;
  {
    ErrorTrap trap(d);
    int x = (DisplayWidth(d, screen) - viewW) / 2, y = (DisplayHeight(d, screen) - viewH) / 2;
    if (d == dpy && hostTopLevel) {
      XWindowAttributes a{};
      int rx = 0, ry = 0;
      Window child = 0;
      if (XGetWindowAttributes(d, hostTopLevel, &a) &&
          XTranslateCoordinates(d, hostTopLevel, RootWindow(d, screen), 0, 0, &rx, &ry, &child)) {
        x = rx + (a.width - viewW) / 2;
        y = ry + (a.height - viewH) / 2;
      }
    }
    dialog = CreatePopupWindow(d, std::max(x, 0), std::max(y, 0), viewW, viewH, false);
    XStoreName(d, dialog, caption.c_str());
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XChangeProperty(d, dialog, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()), static_cast<int>(caption.size()));
    if (d == dpy && hostTopLevel) XSetTransientForHint(d, dialog, hostTopLevel);
    Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(d, dialog, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&type), 1);
    Atom modal = XInternAtom(d, "_NET_WM_STATE_MODAL", False);
    XChangeProperty(d, dialog, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&modal), 1);
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, dialog, &deleteWindow, 1);
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
      hints->flags = PMinSize | PMaxSize | PPosition;
      hints->min_width = hints->max_width = viewW;
      hints->min_height = hints->max_height = viewH;
      XSetWMNormalHints(d, dialog, hints);
      XFree(hints);
    }
    int revert = 0;
    XGetInputFocus(d, &focusBefore, &revert);
    XMapRaised(d, dialog);
  }
  const Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  int answer = 0;
  int pressed = -1;
  ClickTracker listClicks;
  auto redraw = [&] {
    view.Draw(bitmap.get(), pressed);
    PaintBitmap(d, dialog, bitmap.get());
  };
  while (answer == 0) {
    if (CloseWanted() || (d == dpy && !windowAlive)) {
      answer = view.CancelAnswer();
      break;
    }
    {
      ErrorTrap trap(d);
      while (answer == 0 && XPending(d) > 0) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.xany.window != dialog) {
          HandleEventDuringModal(d, ev);
          continue;
        }
        switch (ev.type) {
          case Expose:
            if (ev.xexpose.count == 0) redraw();
            break;
          case MapNotify:
            XSetInputFocus(d, dialog, RevertToParent, CurrentTime);
            break;
          case ButtonPress: {
            const int bx = Units(ev.xbutton.x), by = Units(ev.xbutton.y);
            if (ev.xbutton.button == 1 && view.ListEntryAt(bx, by) >= 0) {
              const bool doubleClick =
                  listClicks.Press(1, static_cast<uint32_t>(ev.xbutton.time), ev.xbutton.x, ev.xbutton.y);
              answer = view.ClickList(bx, by, doubleClick);
              redraw();
            } else if (ev.xbutton.button == 1) {
              pressed = view.ButtonAt(bx, by);
              redraw();
            } else if ((ev.xbutton.button == 4 || ev.xbutton.button == 5) && view.HasList()) {
              view.ScrollList(ev.xbutton.button == 4 ? -3 : 3);
              redraw();
            }
            break;
          }
          case ButtonRelease:
            if (ev.xbutton.button == 1) {
              if (pressed >= 0 && view.ButtonAt(Units(ev.xbutton.x), Units(ev.xbutton.y)) == pressed)
                answer = view.AnswerOf(pressed);
              pressed = -1;
              redraw();
            }
            break;
          case KeyPress: {
            const KeyEvent key = TranslateKey(ev.xkey, nullptr);
            answer = view.HandleKey(key);
            redraw();
            break;
          }
          case ClientMessage:
            if (static_cast<Atom>(ev.xclient.data.l[0]) == deleteWindow) answer = view.CancelAnswer();
            break;
          default:
            break;
        }
      }
      if (d == dpy) FlushExpose();
    }
    if (answer == 0) WaitForEvents(d, kModalPollMs);
  }
  {
    ErrorTrap trap(d);
    XDestroyWindow(d, dialog);
    if (focusBefore && focusBefore != PointerRoot && focusBefore != dialog)
      XSetInputFocus(d, focusBefore, RevertToParent, CurrentTime);
  }
  if (ownDisplay)
    XCloseDisplay(d);
  else
    XFlush(d);
  return answer;
}

int WindowSystemX11::RunMessageBox(const std::string& text, const std::string& caption, int type) {
  DialogView view(text, type);
  return RunDialog(view, caption);
}

bool WindowSystemX11::RunFileDialog(const FileDialogRequest& request, std::string* chosenPath) {
  FileDialogHooks hooks;
  // The host's top-level window, which the window manager keeps the dialog above.
  hooks.parentWindow = hostTopLevel ? hostTopLevel : window;
  hooks.findProgram = FindProgram;
  hooks.message = [this](const std::string& text, const std::string& caption, int type) {
    return RunMessageBox(text, caption, type);
  };
  hooks.prompt = [this](const FileDialogRequest& asked, const std::string& start, std::string* path) {
    const char* label = asked.chooseFolder ? "Folder (full path):"
                        : asked.save       ? "Save as (full path):"
                                           : "Open file (full path):";
    const std::vector<std::string> extensions = asked.extensions;
    const bool foldersOnly = asked.chooseFolder;
    DialogView prompt(
        label, start,
        [extensions, foldersOnly](const std::string& folder) {
          return PromptFolderEntries(folder, extensions, foldersOnly);
        },
        foldersOnly);
    if (RunDialog(prompt, asked.title.empty() ? "Open" : asked.title) != kAnswerOk) return false;
    *path = prompt.Field()->Text();
    return true;
  };
  hooks.notice = [this](const std::string& text) {
    // Once per process: every dialog would say the same.
    static std::atomic<bool> given{false};
    if (!given.exchange(true) && graphics) graphics->ShowNotice(text);
  };
  hooks.runProgram = [this](const std::vector<std::string>& arguments, int* exitCode, std::string* output) {
    ChildProcess child;
    if (!child.Start(arguments)) return false;
    // Wait for the program while answering our window's exposure.
    while (!child.Poll(0)) {
      if (CloseWanted() || (dpy && !windowAlive)) {
        child.Terminate();
        *exitCode = 1;  // as if cancelled
        return true;
      }
      if (!dpy) {
        child.Poll(kModalPollMs);
        continue;
      }
      ErrorTrap trap(dpy);
      while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        HandleEventDuringModal(dpy, ev);
      }
      FlushExpose();
      WaitForEvents(dpy, kModalPollMs, child.OutputDescriptor());
    }
    *exitCode = child.ExitCode();
    *output = child.Output();
    return true;
  };
  return RunFileDialogFlow(request, hooks, chosenPath);
}

}  // namespace

std::unique_ptr<IWindowSystem> CreateX11WindowSystem() {
  return std::make_unique<WindowSystemX11>();
}
