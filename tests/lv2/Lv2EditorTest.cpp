// The LV2 editor as an LV2 host opens it: an X11 UI in the host's parent
// window, reaching the plug-in through instance access, driven by the idle
// interface, telling its size (the editor size from the INI file) through the
// resize feature, and handing the plug-in's own parameter changes to the
// host's ports.
#include <cairo.h>
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "lv2/instance-access/instance-access.h"
#include "lv2/ui/ui.h"
#include "programs/ParameterTable.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/support/PrivateXvfb.h"

// After the project headers: Xlib defines None as a macro.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new PrivateXvfb("1920x1080x24"));

// fontconfig's caches are emptied at the end for the leak checker. The
// module's own font cache, process-wide by design and out of this program's
// reach (the module keeps its symbols to itself), still holds its fonts then.
class FontCleanupEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { FcFini(); }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new FontCleanupEnvironment);

}  // namespace

// Read by the leak checker of sanitizer builds; unused otherwise. The fonts
// the module's cache holds were made by fontconfig, whose frames end the
// checker's short allocation stacks.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions();
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace {

struct UiHost {
  int width = 0, height = 0;
  std::vector<std::pair<uint32_t, float>> writes;
};

int Resize(LV2UI_Feature_Handle handle, int width, int height) {
  auto* host = static_cast<UiHost*>(handle);
  host->width = width;
  host->height = height;
  return 0;
}

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (format == 0 && size == sizeof(float))
    static_cast<UiHost*>(controller)->writes.emplace_back(port, *static_cast<const float*>(buffer));
}

// Writes the window's pixels to a PNG; gives the number of distinct colours.
size_t Colours(Display* display, Window window, int width, int height, const char* png) {
  XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  if (!image) return 0;
  std::set<unsigned long> colours;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      colours.insert(pixel);
      reinterpret_cast<uint32_t*>(data + y * stride)[x] = static_cast<uint32_t>(pixel & 0xffffff);
    }
  }
  cairo_surface_mark_dirty(surface);
  if (png) cairo_surface_write_to_png(surface, png);
  cairo_surface_destroy(surface);
  XDestroyImage(image);
  return colours.size();
}

TEST(Lv2Editor, OpensInTheHostWindowAndHandsThePluginsChangesToThePorts) {
  ASSERT_TRUE(PrivateXvfb::Ready()) << "no Xvfb";
  const ScopedSettings settings("[MIDI Global]\nIgnore Program Change=false\n[Editor]\nEditor Size=150\n");
  Lv2TestInstance lv2;
  ASSERT_TRUE(lv2.Ok());
  lv2.Run(64);

  void* module = dlopen(VORNELL_LV2_BUNDLE "/Vornell.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  using UiEntry = const LV2UI_Descriptor* (*)(uint32_t);
  const auto entry = reinterpret_cast<UiEntry>(dlsym(module, "lv2ui_descriptor"));
  ASSERT_NE(entry, nullptr);
  const LV2UI_Descriptor* descriptor = entry(0);
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(entry(1), nullptr);
  const auto* idle = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
  ASSERT_NE(idle, nullptr);

  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1600, 900, 0, 0, 0x202020);
  XMapWindow(display, parent);
  XSync(display, False);

  UiHost host;
  LV2UI_Resize resize{&host, Resize};
  LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
  LV2_Feature access{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(lv2.Instance())};
  LV2_Feature resizeFeature{LV2_UI__resize, &resize};
  const LV2_Feature* features[] = {&parentFeature, &access, &resizeFeature, nullptr};
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle ui =
      descriptor->instantiate(descriptor, "urn:kestrune:vornell", VORNELL_LV2_BUNDLE, Write, &host, &widget, features);
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(host.width, 1536);
  EXPECT_EQ(host.height, 768);
  // A second editor of the same instance is refused rather than fighting over one window.
  LV2UI_Widget second = nullptr;
  EXPECT_EQ(
      descriptor->instantiate(descriptor, "urn:kestrune:vornell", VORNELL_LV2_BUNDLE, Write, &host, &second, features),
      nullptr);

  // The editor's window is the widget, a child of the host's window at the size told.
  const Window child = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
  Window root = 0, childParent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(display, child, &root, &childParent, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(childParent, parent);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, child, &attributes);
  EXPECT_EQ(attributes.width, host.width);
  EXPECT_EQ(attributes.height, host.height);
  // Its size hints say the same: hosts embedding through suil take the natural size from them.
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(display, child, &hints, &supplied));
  EXPECT_TRUE(hints.flags & PBaseSize);
  EXPECT_EQ(hints.base_width, host.width);
  EXPECT_EQ(hints.base_height, host.height);

  // A program change from MIDI loads a preset: the plug-in's own change of every parameter.
  lv2.QueueMidi(0, {0xC0, 10});
  lv2.Run(64);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(idle->idle(ui), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  bool speedWritten = false;
  for (const auto& [port, value] : host.writes)
    if (port == kParamSpeed) speedWritten = value == 126.0f;
  EXPECT_TRUE(speedWritten) << "the preset's \"Speed\" did not reach the host's port";
  const std::vector<uint8_t> state = lv2.SaveChunk();
  for (const auto& [port, value] : host.writes) lv2.Control(static_cast<int>(port)) = value;
  lv2.Run(64);
  EXPECT_EQ(lv2.SaveChunk(), state) << "the ports written back changed the state";

  // Handed back only after the plug-in changed them again (a second program
  // change within the host's cycle): the later change stands.
  host.writes.clear();
  lv2.QueueMidi(0, {0xC0, 20});
  lv2.Run(64);
  for (int i = 0; i < 20 && host.writes.size() < kNumParams; ++i) idle->idle(ui);
  lv2.QueueMidi(0, {0xC0, 10});
  lv2.Run(64);
  const std::vector<uint8_t> later = lv2.SaveChunk();
  int moved = 0;
  for (const auto& [port, value] : host.writes) {
    moved += lv2.Control(static_cast<int>(port)) != value;
    lv2.Control(static_cast<int>(port)) = value;
  }
  ASSERT_GT(moved, 0);
  lv2.Run(64);
  EXPECT_EQ(lv2.SaveChunk(), later) << "ports handed back late undid the later program change";

  // The panel is drawn: far more than a handful of colours.
  EXPECT_GT(Colours(display, parent, host.width, host.height, std::getenv("VORNELL_LV2_SCREENSHOT")), 100u);

  descriptor->cleanup(ui);
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}

}  // namespace
