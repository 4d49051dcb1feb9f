#include "tests/editor/EditorTestSupport.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>

#include "editor/VornellEditor.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "tests/support/HostedInstrument.h"

std::mutex RecordingHost::mutex;
std::vector<HostEdit> RecordingHost::edits;
int RecordingHost::displayUpdates = 0;
std::vector<std::pair<int, int>> RecordingHost::sizeRequests;
bool RecordingHost::agreeToResize = false;

intptr_t RecordingHost::Callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float opt) {
  std::lock_guard<std::mutex> lock(mutex);
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterBeginEdit:
      edits.push_back({HostEdit::kBegin, index, 0.0f});
      return 1;
    case audioMasterAutomate:
      edits.push_back({HostEdit::kAutomate, index, opt});
      return 0;
    case audioMasterEndEdit:
      edits.push_back({HostEdit::kEnd, index, 0.0f});
      return 1;
    case audioMasterUpdateDisplay:
      ++displayUpdates;
      return 1;
    case audioMasterSizeWindow:
      sizeRequests.emplace_back(index, static_cast<int>(value));
      return agreeToResize ? 1 : 0;
    default:
      return 0;
  }
}

std::vector<HostEdit> RecordingHost::Edits() {
  std::lock_guard<std::mutex> lock(mutex);
  return edits;
}

std::vector<HostEdit> RecordingHost::EditsOf(int index) {
  std::vector<HostEdit> all = Edits();
  std::erase_if(all, [index](const HostEdit& e) { return e.index != index; });
  return all;
}

int RecordingHost::DisplayUpdates() {
  std::lock_guard<std::mutex> lock(mutex);
  return displayUpdates;
}

std::vector<std::pair<int, int>> RecordingHost::SizeRequests() {
  std::lock_guard<std::mutex> lock(mutex);
  return sizeRequests;
}

void RecordingHost::AgreeToResize(bool agree) {
  std::lock_guard<std::mutex> lock(mutex);
  agreeToResize = agree;
}

void RecordingHost::Clear() {
  std::lock_guard<std::mutex> lock(mutex);
  edits.clear();
  displayUpdates = 0;
  sizeRequests.clear();
  agreeToResize = false;
}

void VornellEditorFixture::SetUp() {
  VornellEditor::SetWindowSystemFactory([] { return std::make_unique<HeadlessWindowSystem>(); });
  RecordingHost::Clear();
  plug = Make();
  ASSERT_NE(plug, nullptr);
  effect = plug->GetAEffect();
  StartLikeAHost(effect, 48000.0, 256);
}

void VornellEditorFixture::TearDown() {
  // effClose deletes the object, with the editor still open or not.
  if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  effect = nullptr;
  plug = nullptr;
  VornellEditor::SetWindowSystemFactory(nullptr);
}

Vornell* VornellEditorFixture::Make() {
  return new Vornell(&RecordingHost::Callback);
}

intptr_t VornellEditorFixture::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

bool VornellEditorFixture::OpenEditor() {
  return Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(kParentWindow)) != 0;
}

void VornellEditorFixture::Idle(int calls) {
  for (int i = 0; i < calls; ++i) {
    Window().AdvanceTime(30);
    Dispatch(effEditIdle);
  }
}

HeadlessWindowSystem& VornellEditorFixture::Window() {
  return *static_cast<HeadlessWindowSystem*>(VornellEditor::Of(*plug)->Graphics()->WindowSystem());
}

std::string VornellEditorFixture::StatusLineText() {
  return VornellEditor::Of(*plug)->StatusLine()->GetText();
}

namespace {
// Font and cairo caches are process-wide; emptied at the end for the leak checker.
class EditorCleanupEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    EmptyGraphicsCaches();
    cairo_debug_reset_static_data();
    FcFini();
  }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new EditorCleanupEnvironment);
}  // namespace
