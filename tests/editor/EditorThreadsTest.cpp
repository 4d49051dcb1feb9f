// The editor's modal waits never hold the plug-in lock: while a message box
// waits for its answer, the host's audio thread still gets its blocks, and
// host dispatcher calls from other threads go through.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <vector>

#include "graphics/IEditorDelegate.h"
#include "graphics/IGraphics.h"
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
  }
  bool askNext = false;
  std::vector<int> answers;
};

class EditorThreadsTest : public VornellEditorFixture {
 protected:
  Vornell* Make() override { return asking = new AskingVornell(&RecordingHost::Callback); }

  // Renders one block on a thread of its own; true when it finished within
  // the time (a blocked lock would keep it waiting for ever).
  bool BlockRendersMeanwhile() {
    auto done = std::async(std::launch::async, [this] {
      std::vector<float> left(256), right(256);
      std::vector<float*> outputs(static_cast<size_t>(effect->numOutputs), nullptr);
      std::vector<std::vector<float>> buffers(outputs.size(), std::vector<float>(256));
      for (size_t c = 0; c < outputs.size(); ++c) outputs[c] = buffers[c].data();
      effect->processReplacing(effect, nullptr, outputs.data(), 256);
      return true;
    });
    return done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  }

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
    renderedDuringBox = BlockRendersMeanwhile();
    // A host's automation from another thread takes the lock too.
    auto set = std::async(std::launch::async, [this] { effect->setParameter(effect, 1, 0.5f); });
    hostCallDuringBox = set.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  };
  asking->askNext = true;
  Idle(1);
  ASSERT_EQ(modalCalls, 1);
  EXPECT_TRUE(renderedDuringBox);
  EXPECT_TRUE(hostCallDuringBox);
  ASSERT_EQ(asking->answers.size(), 1u);
  EXPECT_EQ(asking->answers[0], kAnswerYes);
  ASSERT_EQ(Window().messagesShown.size(), 1u);
  EXPECT_EQ(Window().messagesShown[0].text, "Overwrite program?");
  // After the box the lock is held as before: the idle tick returned it, so a
  // block renders again.
  EXPECT_TRUE(BlockRendersMeanwhile());
}

}  // namespace
