// The editor's modal waits never hold the plug-in lock: while a message box
// waits for its answer, the host's audio thread still gets its blocks, and
// host dispatcher calls from other threads go through.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "editor/VornellEditor.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "programs/ParameterTable.h"
#include "resources/panel/PanelLayout.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

// Asks a question from the editor's idle tick, the way a panel action run
// from the host's idle call would.
class AskingVornell : public Vornell {
 public:
  using Vornell::Vornell;
  void OnIdleTick() override {
    Vornell::OnIdleTick();
    if (askNext) {
      askNext = false;
      answers.push_back(ShowMessage("Overwrite program?", "Vornell", kMessageYesNo));
    }
    if (confirmNext) {
      confirmNext = false;
      answers.push_back(Programs().ConfirmModifiedProgram(-1));
    }
  }
  bool askNext = false;
  bool confirmNext = false;
  std::vector<int> answers;
};

class EditorThreadsTest : public VornellEditorFixture {
 protected:
  Vornell* Make() override { return asking = new AskingVornell(&RecordingHost::Callback); }

  // Runs a host call on a thread of its own; true when it finished within the
  // time. A call kept waiting for the lock fails the test instead of hanging
  // it: the thread is joined later, once the lock is free again.
  bool FinishesMeanwhile(std::function<void()> call) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    threads.emplace_back([call, done] {
      call();
      done->set_value();
    });
    return finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  }
  void RenderBlock() {
    std::vector<std::vector<float>> buffers(static_cast<size_t>(effect->numOutputs), std::vector<float>(256));
    std::vector<float*> outputs;
    for (std::vector<float>& b : buffers) outputs.push_back(b.data());
    effect->processReplacing(effect, nullptr, outputs.data(), 256);
  }
  void JoinThreads() {
    for (std::thread& t : threads) t.join();
    threads.clear();
  }
  void TearDown() override {
    JoinThreads();
    VornellEditorFixture::TearDown();
  }

  std::vector<std::thread> threads;
  AskingVornell* asking = nullptr;
};

TEST_F(EditorThreadsTest, AudioRunsWhileAMessageBoxWaits) {
  ASSERT_TRUE(OpenEditor());
  Idle(1);
  bool renderedDuringBox = false;
  bool hostCallDuringBox = false;
  int modalCalls = 0;
  Window().messageAnswers.push_back(kAnswerYes);
  Window().duringModal = [&] {
    ++modalCalls;
    renderedDuringBox = FinishesMeanwhile([this] { RenderBlock(); });
    // A host's automation from another thread takes the lock too.
    hostCallDuringBox = FinishesMeanwhile([this] { effect->setParameter(effect, 1, 0.5f); });
  };
  asking->askNext = true;
  Idle(1);
  JoinThreads();
  ASSERT_EQ(modalCalls, 1);
  EXPECT_TRUE(renderedDuringBox);
  EXPECT_TRUE(hostCallDuringBox);
  ASSERT_EQ(asking->answers.size(), 1u);
  EXPECT_EQ(asking->answers[0], kAnswerYes);
  ASSERT_EQ(Window().messagesShown.size(), 1u);
  EXPECT_EQ(Window().messagesShown[0].text, "Overwrite program?");
  // After the box the lock is held as before: the idle tick returned it, so a
  // block renders again.
  EXPECT_TRUE(FinishesMeanwhile([this] { RenderBlock(); }));
}

// The program workflow's own question (a modified program before a switch)
// takes the lock for its check, but not for the wait.
TEST_F(EditorThreadsTest, AudioRunsWhileTheModifiedProgramQuestionWaits) {
  ASSERT_TRUE(OpenEditor());
  Idle(1);
  asking->SetParamFromEditor(kParamLinkPrograms, 0.0);
  asking->Programs().SelectTrackProgram(0, 3);
  asking->SetParamFromEditor(VoiceParamIndex(0, kVoiceFilterCutoff), 0.1);  // program 03 is modified now
  bool renderedDuringBox = false;
  Window().messageAnswers.push_back(kAnswerNo);
  Window().duringModal = [&] { renderedDuringBox = FinishesMeanwhile([this] { RenderBlock(); }); };
  asking->confirmNext = true;
  Idle(1);
  JoinThreads();
  ASSERT_EQ(Window().messagesShown.size(), 1u);
  EXPECT_EQ(Window().messagesShown[0].text, "Program 03 on Track 1 is modified. Do you want to proceed?");
  EXPECT_TRUE(renderedDuringBox);
  ASSERT_EQ(asking->answers.size(), 1u);
  EXPECT_EQ(asking->answers[0], 1);
}

// Questions and dialogs opened by a panel button (here the browser's PROGRAM
// down with a modified program, then its FILE dialog) wait without the lock.
TEST_F(EditorThreadsTest, AudioRunsWhileAPanelButtonsDialogWaits) {
  ASSERT_TRUE(OpenEditor());
  Idle(1);
  asking->SetParamFromEditor(kParamLinkPrograms, 0.0);
  asking->SetParamFromEditor(VoiceParamIndex(0, kVoiceFilterCutoff), 0.1);
  VornellEditor::Of(*asking)->ShowBrowserPage(true);
  Idle(1);
  int rendered = 0;
  Window().duringModal = [&] { rendered += FinishesMeanwhile([this] { RenderBlock(); }); };
  Window().messageAnswers.push_back(kAnswerNo);
  const panel::Spot down = panel::kBrowserProgramDown;
  Window().Click(down.x + 5, down.y + 5);
  Idle(1);
  ASSERT_EQ(Window().messagesShown.size(), 1u);
  const panel::Spot file = panel::kBrowserFileButton;
  Window().Click(file.x + 5, file.y + 5);
  Idle(1);
  JoinThreads();
  EXPECT_EQ(Window().fileRequests.size(), 1u);
  EXPECT_EQ(rendered, 2);
}

}  // namespace
