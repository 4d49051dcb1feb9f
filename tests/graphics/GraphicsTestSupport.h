#pragma once
// Shared pieces of the graphics tests: a stand-in plug-in with a few
// parameters, and test pictures registered as "PNG" resources.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "graphics/GraphicsCaches.h"
#include "graphics/IEditorDelegate.h"
#include "platform/Resources.h"

class TestPlug : public IEditorDelegate {
 public:
  struct Call {
    std::string what;  // "set", "begin", "end"
    int index;
    double value;
  };

  std::vector<EditorParamInfo> params;
  std::vector<Call> calls;
  std::recursive_mutex lock;
  std::atomic<int> lockDepth{0};
  int idleTicks = 0;
  std::function<void()> onIdleTick;

  // Adds a parameter; returns its index.
  int AddContinuous(const std::string& name, double value, double min, double max, int precision) {
    EditorParamInfo p;
    p.kind = EditorParamKind::Continuous;
    p.name = name;
    p.value = value;
    p.min = min;
    p.max = max;
    p.displayPrecision = precision;
    params.push_back(p);
    return static_cast<int>(params.size()) - 1;
  }
  int AddList(const std::string& name, double value, const std::vector<std::string>& texts) {
    EditorParamInfo p;
    p.kind = EditorParamKind::List;
    p.name = name;
    p.value = value;
    p.min = 0;
    p.max = static_cast<double>(texts.size()) - 1;
    for (size_t i = 0; i < texts.size(); ++i) p.displayTexts.emplace_back(static_cast<int>(i), texts[i]);
    params.push_back(p);
    return static_cast<int>(params.size()) - 1;
  }
  int CountCalls(const std::string& what) const {
    int n = 0;
    for (const Call& c : calls)
      if (c.what == what) ++n;
    return n;
  }

  int EditorParamCount() const override { return static_cast<int>(params.size()); }
  bool GetEditorParamInfo(int index, EditorParamInfo* info) const override {
    if (index < 0 || index >= EditorParamCount()) return false;
    *info = params[static_cast<size_t>(index)];
    return true;
  }
  double EditorNormalizedValue(int index, double plain) const override {
    const EditorParamInfo& p = params[static_cast<size_t>(index)];
    if (p.max == p.min) return 0.0;
    double v = (plain - p.min) / (p.max - p.min);
    return v < 0 ? 0 : (v > 1 ? 1 : v);
  }
  std::string EditorDisplayText(int index, double value, bool normalised) const override {
    const EditorParamInfo& p = params[static_cast<size_t>(index)];
    if (normalised) value = p.min + value * (p.max - p.min);
    for (const auto& t : p.displayTexts)
      if (t.first == static_cast<int>(value)) return t.second;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", p.displayPrecision, value);
    return buffer;
  }
  std::string EditorLabelText(int) const override { return "dB"; }
  void SetParamFromEditor(int index, double normalised) override {
    std::lock_guard<std::recursive_mutex> guard(lock);
    EditorParamInfo& p = params[static_cast<size_t>(index)];
    p.value = p.min + normalised * (p.max - p.min);
    if (p.kind != EditorParamKind::Continuous) p.value = static_cast<int>(p.value + 0.5);
    calls.push_back({"set", index, normalised});
  }
  void BeginHostParamGesture(int index) override { calls.push_back({"begin", index, 0.0}); }
  void EndHostParamGesture(int index) override { calls.push_back({"end", index, 0.0}); }
  void LockPlugin() override {
    lock.lock();
    ++lockDepth;
  }
  void UnlockPlugin() override {
    --lockDepth;
    lock.unlock();
  }
  int ReleasePluginForModalWait() override {
    const int holds = lockDepth;
    for (int i = 0; i < holds; ++i) UnlockPlugin();
    return holds;
  }
  void RetakePluginAfterModalWait(int holds) override {
    for (int i = 0; i < holds; ++i) LockPlugin();
  }
  void OnIdleTick() override {
    ++idleTicks;
    if (onIdleTick) onIdleTick();
  }
};

// A film strip of `frames` stacked frames of w × h, frame f filled with
// colours[f] (straight ARGB), registered as PNG resource `id`.
inline void RegisterTestStrip(int id, int w, int h, const std::vector<uint32_t>& colours) {
  static std::vector<std::unique_ptr<std::vector<unsigned char>>> keep;
  static std::mutex keepLock;
  std::lock_guard<std::mutex> guard(keepLock);
  const int frames = static_cast<int>(colours.size());
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * frames);
  cairo_t* cr = cairo_create(s);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  for (int f = 0; f < frames; ++f) {
    const uint32_t c = colours[static_cast<size_t>(f)];
    cairo_set_source_rgba(cr, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0,
                          ((c >> 24) & 255) / 255.0);
    cairo_rectangle(cr, 0, f * h, w, h);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  auto bytes = std::make_unique<std::vector<unsigned char>>();
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* out = static_cast<std::vector<unsigned char>*>(closure);
        out->insert(out->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      bytes.get());
  cairo_surface_destroy(s);
  RegisterResource("PNG", nullptr, id, bytes->data(), bytes->size());
  keep.push_back(std::move(bytes));
}

// Leaves the process without cached fonts and pictures, and lets cairo and
// fontconfig free their own caches, so that the leak checker sees only
// what the code under test lost.
class GraphicsCleanupEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    EmptyGraphicsCaches();
    cairo_debug_reset_static_data();
    FcFini();
  }
};
