// The built module in the bundled host on a private X server: the host opens
// the editor in a window of its own, xdotool drags the volume knob like a
// user, the host hears the edit, and the screenshot shows the panel.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/DesktopServices.h"
#include "instrument/Vornell.h"
#include "platform/Resources.h"
#include "resources/panel/PanelLayout.h"
#include "tests/support/HostedInstrument.h"
#include "tests/support/PrivateXvfb.h"
#include "tests/support/TempFolder.h"

#define KeyCode XKeyCode
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef KeyCode

namespace {

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new PrivateXvfb("1280x800x24"));

struct PngReader {
  const unsigned char* data;
  size_t size;
  size_t at = 0;
  static cairo_status_t Read(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (r->size - r->at < length) return CAIRO_STATUS_READ_ERROR;
    std::copy(r->data + r->at, r->data + r->at + length, out);
    r->at += length;
    return CAIRO_STATUS_SUCCESS;
  }
};

uint32_t PixelAt(cairo_surface_t* s, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  return reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride))[x] & 0xffffff;
}

// Lines of the host's report of the kind given ("begin", "automate", "end")
// for a parameter.
std::vector<double> Reported(const std::string& output, const std::string& kind, int index) {
  std::vector<double> values;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word;
    int i = -1;
    double v = 0.0;
    if (!(words >> word >> i) || word != kind || i != index) continue;
    words >> v;
    values.push_back(v);
  }
  return values;
}

TEST(EditorWindowTest, HostOpensTheEditorAKnobDragReachesTheHostAndTheScreenshotShowsThePanel) {
  if (!PrivateXvfb::Ready()) GTEST_SKIP() << "Xvfb is not installed";
  const std::string xdotool = FindProgram("xdotool");
  ASSERT_FALSE(xdotool.empty()) << "xdotool is needed";

  const TempFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const std::string shot = folder / "editor.png";

#ifdef __SANITIZE_ADDRESS__
  // The engine's wave tables live for the whole process; once the host has
  // unloaded the module nothing points at them any more and the leak checker
  // would turn the host's exit code into a failure of its own.
  setenv("LSAN_OPTIONS", "exitcode=0", 1);
#endif
  ChildProcess host;
  ASSERT_TRUE(host.Start(
      {VORNELL_HOST_TOOL, "editor", VORNELL_MODULE_FILE, "--seconds", "6", "--screenshot", shot, "--report-edits"}));
  for (int i = 0; i < 1000 && host.Output().find("editor open") == std::string::npos && !host.Finished(); ++i)
    host.Poll(10);
  ASSERT_NE(host.Output().find("editor open: 1024 x 512"), std::string::npos) << host.Output();

  // No window manager: the host's window is at the screen's origin, so
  // screen and editor coordinates are the same.
  const int x = panel::MasterKnob(3).x + panel::kKnobSize / 2;
  const int y = panel::MasterKnob(3).y + panel::kKnobSize / 2;
  const std::string drag = xdotool + " sleep 0.5 mousemove " + std::to_string(x) + " " + std::to_string(y) +
                           " sleep 0.2 mousedown 1 sleep 0.2 mousemove " + std::to_string(x) + " " +
                           std::to_string(y - 20) + " sleep 0.2 mousemove " + std::to_string(x) + " " +
                           std::to_string(y - 40) + " sleep 0.2 mouseup 1";
  ASSERT_EQ(std::system(drag.c_str()), 0);

  while (!host.Finished()) host.Poll(100);
  const std::string output = host.Output();
  EXPECT_EQ(host.ExitCode(), 0) << output;

  // The gesture and the automation reached the host, and the volume went up.
  EXPECT_EQ(Reported(output, "begin", 3).size(), 1u) << output;
  EXPECT_EQ(Reported(output, "end", 3).size(), 1u) << output;
  const std::vector<double> volume = Reported(output, "automate", 3);
  ASSERT_FALSE(volume.empty()) << output;
  EXPECT_GT(volume.back(), volume.front());
  EXPECT_LT(output.find("begin 3"), output.find("automate 3"));
  EXPECT_LT(output.rfind("automate 3"), output.find("end 3"));
  // Nothing else was edited.
  EXPECT_TRUE(Reported(output, "automate", 0).empty());

  // The screenshot: the panel's size, many colours, and where no control
  // sits it is the panel picture itself.
  cairo_surface_t* image = cairo_image_surface_create_from_png(shot.c_str());
  ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS) << output;
  EXPECT_EQ(cairo_image_surface_get_width(image), 1024);
  EXPECT_EQ(cairo_image_surface_get_height(image), 512);
  std::set<uint32_t> colours;
  for (int py = 0; py < 512; py += 4)
    for (int px = 0; px < 1024; px += 4) colours.insert(PixelAt(image, px, py));
  EXPECT_GT(colours.size(), 50u);

  const ResourceData back = FindResource("PNG", 101);
  ASSERT_NE(back.data, nullptr);
  PngReader reader{back.data, back.size};
  cairo_surface_t* panelPicture = cairo_image_surface_create_from_png_stream(&PngReader::Read, &reader);
  ASSERT_EQ(cairo_surface_status(panelPicture), CAIRO_STATUS_SUCCESS);
  int same = 0, compared = 0;
  for (int py = 10; py < 300; py += 7) {
    for (int px = 10; px < 700; px += 11) {
      ++compared;
      same += PixelAt(image, px, py) == PixelAt(panelPicture, px, py);
    }
  }
  EXPECT_GT(same, compared * 9 / 10) << same << " of " << compared;
  cairo_surface_destroy(panelPicture);
  cairo_surface_destroy(image);
}

TEST(EditorWindowTest, TheEditorWindowIsNamedAfterTheInstrument) {
  if (!PrivateXvfb::Ready()) GTEST_SKIP() << "Xvfb is not installed";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1024, 512, 0, 0, 0);
  XMapWindow(display, host);
  XSync(display, False);
  auto* plug = new Vornell(&QuietHostCallback);
  AEffect* effect = plug->GetAEffect();
  StartLikeAHost(effect, 48000.0, 256);
  ASSERT_NE(effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(host), 0.0f), 0);
  XSync(display, False);

  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  ASSERT_TRUE(XQueryTree(display, host, &root, &parent, &children, &count));
  ASSERT_EQ(count, 1u);
  const Window editor = children[0];
  XFree(children);
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(display, editor, &name));
  EXPECT_STREQ(name, "Vornell");
  XFree(name);
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(display, editor, &hint));
  EXPECT_STREQ(hint.res_name, "Vornell");
  EXPECT_STREQ(hint.res_class, "Vornell");
  XFree(hint.res_name);
  XFree(hint.res_class);

  effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  XDestroyWindow(display, host);
  XCloseDisplay(display);
}

TEST(EditorWindowTest, HostRefusesAScreenshotWithoutATime) {
  ChildProcess host;
  ASSERT_TRUE(host.Start({VORNELL_HOST_TOOL, "editor", VORNELL_MODULE_FILE, "--screenshot", "/tmp/never.png"}));
  while (!host.Finished()) host.Poll(100);
  // Refused before the module is even loaded: no editor was opened.
  EXPECT_EQ(host.ExitCode(), 2);
  EXPECT_EQ(host.Output().find("editor open"), std::string::npos) << host.Output();
  EXPECT_NE(access("/tmp/never.png", F_OK), 0);
}

}  // namespace
