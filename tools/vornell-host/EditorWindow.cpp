#include "tools/vornell-host/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "tools/vornell-host/PluginHost.h"

namespace {

constexpr int kIdleMs = 30;

// Copies the window (with the editor's child inside) into a PNG through an
// XGetImage of the whole window.
bool SaveScreenshot(Display* display, Window window, int width, int height, const std::string& path) {
  XImage* image =
      XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    // XGetPixel converts whatever the visual's layout is; the masks give the channels.
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    int shifts[3] = {0, 0, 0};
    for (int c = 0; c < 3; ++c) {
      while (masks[c] && !((masks[c] >> shifts[c]) & 1)) ++shifts[c];
    }
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
      for (int x = 0; x < width; ++x) {
        const unsigned long pixel = XGetPixel(image, x, y);
        uint32_t channels[3];
        for (int c = 0; c < 3; ++c) {
          const unsigned long mask = masks[c] >> shifts[c];
          const unsigned long v = (pixel >> shifts[c]) & mask;
          channels[c] = mask ? static_cast<uint32_t>(v * 255 / mask) : 0;
        }
        row[x] = 0xff000000u | (channels[0] << 16) | (channels[1] << 8) | channels[2];
      }
    }
    cairo_surface_mark_dirty(surface);
    ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  }
  cairo_surface_destroy(surface);
  XDestroyImage(image);
  return ok;
}

}  // namespace

int RunEditorWindow(PluginHost& host, const EditorRunOptions& options) {
  AEffect* effect = host.Effect();
  if (!(effect->flags & effFlagsHasEditor)) {
    std::fprintf(stderr, "the plug-in has no editor\n");
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open the X display (is DISPLAY set?)\n");
    return 1;
  }
  // The size as hosts ask it before opening; asked again afterwards.
  int width = 0, height = 0;
  auto askSize = [&] {
    ERect* rect = nullptr;
    if (host.Dispatch(effEditGetRect, 0, 0, &rect) && rect) {
      width = rect->right - rect->left;
      height = rect->bottom - rect->top;
    }
  };
  askSize();
  if (width <= 0 || height <= 0) {
    std::fprintf(stderr, "the plug-in reports no editor size\n");
    XCloseDisplay(display);
    return 1;
  }

  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                                            static_cast<unsigned>(height), 0, 0, 0);
  XStoreName(display, window, "Vornell");
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  auto fixSize = [&] {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
  };
  fixSize();
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);

  if (!host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(window)))) {
    std::fprintf(stderr, "the plug-in could not open its editor\n");
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 1;
  }
  askSize();
  XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  std::printf("editor open: %d x %d\n", width, height);
  std::fflush(stdout);
  host.OnSizeWindow([&](int w, int h) {
    std::printf("editor asks for %d x %d: %s\n", w, h, options.keepSize ? "refused" : "resized");
    std::fflush(stdout);
    if (options.keepSize || w <= 0 || h <= 0) return false;
    width = w;
    height = h;
    fixSize();
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display);
    return true;
  });

  const auto start = std::chrono::steady_clock::now();
  auto next = start;
  bool closed = false;
  while (!closed) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) closed = true;
      if (event.type == DestroyNotify && event.xdestroywindow.window == window) closed = true;
    }
    host.Dispatch(effEditIdle);
    if (options.seconds > 0.0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= options.seconds)
      break;
    next += std::chrono::milliseconds(kIdleMs);
    std::this_thread::sleep_until(next);
  }

  int result = 0;
  if (!closed && !options.screenshot.empty()) {
    XSync(display, False);
    if (SaveScreenshot(display, window, width, height, options.screenshot)) {
      std::printf("screenshot: %s\n", options.screenshot.c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "could not save the screenshot to %s\n", options.screenshot.c_str());
      result = 1;
    }
  }
  host.Dispatch(effEditClose);
  host.OnSizeWindow(nullptr);
  if (!closed) XDestroyWindow(display, window);
  XCloseDisplay(display);
  return result;
}
