#pragma once
// The real instrument behind the VST2 adapter with its editor on the headless
// window system, driven through the dispatcher like a host, and a host
// callback that records the gestures and automation it receives.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "graphics/HeadlessWindowSystem.h"
#include "instrument/Vornell.h"
#include "plugin/VstAbi.h"

// What the plug-in told the host, in order.
struct HostEdit {
  enum Kind { kBegin, kAutomate, kEnd } kind;
  int index;
  float value;
};

class RecordingHost {
 public:
  static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  static std::vector<HostEdit> Edits();
  // The edits of one parameter.
  static std::vector<HostEdit> EditsOf(int index);
  // How often the host was asked to refresh its display (program names).
  static int DisplayUpdates();
  // audioMasterSizeWindow: the sizes asked for, and whether the host agrees
  // (it refuses until told otherwise; Clear refuses again).
  static std::vector<std::pair<int, int>> SizeRequests();
  static void AgreeToResize(bool agree);
  static void Clear();

 private:
  static std::mutex mutex;
  static std::vector<HostEdit> edits;
  static int displayUpdates;
  static std::vector<std::pair<int, int>> sizeRequests;
  static bool agreeToResize;
};

class VornellEditorFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The instrument; override to build a subclass.
  virtual Vornell* Make();
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  // effEditOpen with a made-up parent window id; true when it opened.
  bool OpenEditor();
  // Host idle calls, the headless clock advanced 30 ms before each.
  void Idle(int calls);
  HeadlessWindowSystem& Window();
  // The status line's text as drawn.
  std::string StatusLineText();

  static constexpr uintptr_t kParentWindow = 0x2a00017;
  Vornell* plug = nullptr;
  AEffect* effect = nullptr;
};
