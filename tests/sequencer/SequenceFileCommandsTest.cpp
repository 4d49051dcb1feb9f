#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"
#include "sequencer/SequenceFileCommands.h"
#include "tests/sequencer/MidiTestSupport.h"

namespace {

using Host = SequenceFileHost;

// Stands in for the instrument: records every call in order and checks that
// the sequences are only touched under the lock.
class FakeHost : public SequenceFileHost {
 public:
  struct Dialog {
    DialogMode mode;
    std::string folder, extensions, fileName, title;
  };
  struct Message {
    std::string text, caption;
    int type;
  };

  bool editorOpen = true;
  int lockDepth = 0;
  Sequence sequences[2];
  std::vector<std::string> log;
  std::deque<std::string> chooseAnswers;
  std::vector<Dialog> dialogs;
  int messageAnswer = kAnswerYes;
  std::vector<Message> messages;
  std::vector<std::pair<std::string, int>> statuses;
  std::string sequencePath = "/configured/sequences";
  std::vector<std::string> storedPaths;
  bool touchedWithoutLock = false;

  bool EditorOpen() override { return editorOpen; }
  void LockSequencer() override { ++lockDepth; }
  void UnlockSequencer() override { --lockDepth; }
  Sequence& SequenceAt(int which) override {
    if (lockDepth <= 0) touchedWithoutLock = true;
    return sequences[which];
  }
  void ClearSequence(int which) override {
    if (lockDepth <= 0) touchedWithoutLock = true;
    log.push_back(std::string("ClearSequence ") + (which ? "B" : "A"));
    sequences[which].Clear();
  }
  void ModifyCurrentPreset() override { log.push_back("ModifyCurrentPreset"); }
  std::string ChooseFile(DialogMode mode, const std::string& folder, const std::string& extensions,
                         const std::string& fileName, const std::string& title) override {
    dialogs.push_back({mode, folder, extensions, fileName, title});
    log.push_back("ChooseFile");
    if (chooseAnswers.empty()) return "";
    std::string answer = chooseAnswers.front();
    chooseAnswers.pop_front();
    return answer;
  }
  int ShowMessage(const std::string& text, const std::string& caption, int type) override {
    messages.push_back({text, caption, type});
    log.push_back("ShowMessage");
    return messageAnswer;
  }
  void ShowStatus(const std::string& text, int colour) override { statuses.push_back({text, colour}); }
  std::string SequencePath() override { return sequencePath; }
  void StoreSequencePath(const std::string& folder) override { storedPaths.push_back(folder); }
};

Sequence ShortLoop() {
  Sequence s;
  s.length = 384;
  s.tempo = 90;
  for (SequenceEvent e : {SequenceEvent{0, 0x90, 60, 100}, SequenceEvent{96, 0x80, 60, 0},
                          SequenceEvent{96, 0x93, 67, 80}, SequenceEvent{200, 0x83, 67, 0}}) {
    s.AddEvent(e);
  }
  return s;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class SequenceFileCommands : public testing::Test {
 protected:
  void SetUp() override { ForgetSequenceFolder(); }
  void TearDown() override {
    ForgetSequenceFolder();
    EXPECT_EQ(host.lockDepth, 0);
    EXPECT_FALSE(host.touchedWithoutLock);
  }
  FakeHost host;
  TempFolder folder;
};

}  // namespace

TEST(SequenceMenu, TextsAndEnabledStates) {
  EXPECT_EQ(SequenceMenuText(SequenceFileCommand::kLoad, 0), "Load Sequence A From MIDI File");
  EXPECT_EQ(SequenceMenuText(SequenceFileCommand::kSaveType0, 1), "Save Sequence B To MIDI Type 0 File");
  EXPECT_EQ(SequenceMenuText(SequenceFileCommand::kSaveType1, 0), "Save Sequence A To MIDI Type 1 File");
  EXPECT_EQ(SequenceMenuText(SequenceFileCommand::kClear, 1), "Clear Sequence B");
  EXPECT_EQ(SequenceMenuText(SequenceFileCommand::kDefaultPath, 0), "Default Path For Sequence Files...");
  Sequence empty;
  const Sequence full = ShortLoop();
  for (SequenceFileCommand c :
       {SequenceFileCommand::kSaveType0, SequenceFileCommand::kSaveType1, SequenceFileCommand::kClear}) {
    EXPECT_FALSE(SequenceMenuEnabled(c, empty));
    EXPECT_TRUE(SequenceMenuEnabled(c, full));
  }
  EXPECT_TRUE(SequenceMenuEnabled(SequenceFileCommand::kLoad, empty));
  EXPECT_TRUE(SequenceMenuEnabled(SequenceFileCommand::kDefaultPath, empty));
}

TEST(SequenceMenu, FolderOfPath) {
  EXPECT_EQ(FolderOfPath("/home/u/loops/a.mid"), "/home/u/loops");
  EXPECT_EQ(FolderOfPath("/a.mid"), "/");
  EXPECT_EQ(FolderOfPath("a.mid"), "");
  EXPECT_EQ(FolderOfPath(""), "");
}

TEST_F(SequenceFileCommands, SaveStoresPresetThenWritesTheFile) {
  host.sequences[1] = ShortLoop();
  const std::string path = folder.Path() + "/loop.mid";
  host.chooseAnswers.push_back(path);
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kSaveType1, 1, host), "Done.");
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0].mode, Host::DialogMode::kSave);
  EXPECT_EQ(host.dialogs[0].folder, "/configured/sequences");  // first use takes the configured path
  EXPECT_EQ(host.dialogs[0].extensions, "mid");
  EXPECT_EQ(host.dialogs[0].fileName, "Vornell");
  EXPECT_EQ(host.dialogs[0].title, "Save Sequence B To MIDI Type 1 File");
  EXPECT_EQ(host.log, (std::vector<std::string>{"ChooseFile", "ModifyCurrentPreset"}));
  std::vector<uint8_t> expected;
  BuildMidiFile(ShortLoop(), true, expected);
  EXPECT_EQ(FileBytes(path), expected);
  EXPECT_EQ(host.statuses, (std::vector<std::pair<std::string, int>>{{"Done.", Host::kGreen}}));
  EXPECT_EQ(SequenceFolder(), folder.Path());
}

TEST_F(SequenceFileCommands, FailedSaveShowsBoxAndRedStatus) {
  host.sequences[0] = ShortLoop();
  host.chooseAnswers.push_back(folder.Path() + "/missing/loop.mid");
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kSaveType0, 0, host), "Cannot save file!");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Cannot save file!");
  EXPECT_EQ(host.messages[0].caption, "Error");
  EXPECT_EQ(host.statuses, (std::vector<std::pair<std::string, int>>{{"Cannot save file!", Host::kRed}}));
}

TEST_F(SequenceFileCommands, LoadReplacesTheSequenceAfterClearingIt) {
  const std::string path = folder.Path() + "/in.mid";
  Sequence source = ShortLoop();
  source.ppq = 96;
  ASSERT_TRUE(WriteMidiFile(path, false, source));
  host.sequences[0].tempo = 133;
  host.sequences[0].barLength = 0.75;
  SequenceEvent old{0, 0x95, 1, 1};
  host.sequences[0].AddEvent(old);
  host.chooseAnswers.push_back(path);

  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kLoad, 0, host), "Done.");
  EXPECT_EQ(host.dialogs[0].mode, Host::DialogMode::kOpen);
  EXPECT_EQ(host.dialogs[0].extensions, "mid");
  EXPECT_EQ(host.log, (std::vector<std::string>{"ChooseFile", "ClearSequence A"}));
  const Sequence& loaded = host.sequences[0];
  EXPECT_EQ(loaded.Events(), source.Events());
  EXPECT_EQ(loaded.length, 384);
  EXPECT_EQ(loaded.ppq, 96);
  EXPECT_EQ(loaded.tempo, 133);  // the file sets neither tempo nor time signature
  EXPECT_EQ(loaded.barLength, 0.75);
  EXPECT_EQ(ChannelMask(loaded), (1 << 0) | (1 << 3));
  EXPECT_TRUE(host.sequences[1].Empty());
  EXPECT_EQ(SequenceFolder(), folder.Path());
}

TEST_F(SequenceFileCommands, RefusedFileLeavesSequenceAndModeAlone) {
  const std::string path = folder.Path() + "/format2.mid";
  WriteBytes(path, MidiBytes(2, 96, {{0x00, 0xFF, 0x2F, 0x00}}));
  host.sequences[1] = ShortLoop();
  host.chooseAnswers.push_back(path);
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kLoad, 1, host), "Cannot load file!");
  EXPECT_EQ(host.log, (std::vector<std::string>{"ChooseFile", "ShowMessage"}));  // no ClearSequence
  EXPECT_EQ(host.sequences[1].Events(), ShortLoop().Events());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Cannot load file!");
  EXPECT_EQ(host.messages[0].caption, "Error");
  EXPECT_EQ(host.statuses, (std::vector<std::pair<std::string, int>>{{"Cannot load file!", Host::kRed}}));
}

TEST_F(SequenceFileCommands, TruncatedFileFailsAndLeavesTheSequenceAsItWas) {
  std::vector<uint8_t> bytes;
  BuildMidiFile(ShortLoop(), false, bytes);
  bytes.erase(bytes.end() - 6, bytes.end());  // the last note-off and the end of track are missing
  const std::string path = folder.Path() + "/cut.mid";
  WriteBytes(path, bytes);
  host.sequences[0] = ShortLoop();
  host.chooseAnswers.push_back(path);
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kLoad, 0, host), "Cannot load file!");
  EXPECT_EQ(host.log, (std::vector<std::string>{"ChooseFile", "ShowMessage"}));  // no ClearSequence
  EXPECT_EQ(host.sequences[0].Events(), ShortLoop().Events());
  EXPECT_EQ(host.sequences[0].length, 384);
}

TEST_F(SequenceFileCommands, CancelledDialogsAndClosedEditorDoNothing) {
  host.sequences[0] = ShortLoop();
  for (SequenceFileCommand c :
       {SequenceFileCommand::kLoad, SequenceFileCommand::kSaveType0, SequenceFileCommand::kDefaultPath}) {
    EXPECT_EQ(RunSequenceFileCommand(c, 0, host), "");
  }
  EXPECT_EQ(host.log, (std::vector<std::string>{"ChooseFile", "ChooseFile", "ChooseFile"}));
  EXPECT_TRUE(host.statuses.empty());
  EXPECT_TRUE(host.storedPaths.empty());
  EXPECT_EQ(SequenceFolder(), "/configured/sequences");

  FakeHost closed;
  closed.editorOpen = false;
  closed.chooseAnswers.push_back(folder.Path() + "/x.mid");
  closed.sequences[0] = ShortLoop();
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kSaveType0, 0, closed), "");
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kClear, 0, closed), "");
  EXPECT_TRUE(closed.log.empty());
  EXPECT_EQ(closed.sequences[0].EventCount(), 4u);
}

TEST_F(SequenceFileCommands, ClearAsksFirstAndOnlyNoCancels) {
  host.sequences[1] = ShortLoop();
  host.messageAnswer = Host::kAnswerNo;
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kClear, 1, host), "");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Do you really want to clear Sequence B?");
  EXPECT_EQ(host.messages[0].caption, "Clear Sequence B");
  EXPECT_EQ(host.messages[0].type, Host::kMessageYesNo);
  EXPECT_EQ(host.sequences[1].EventCount(), 4u);

  host.messageAnswer = 2;  // a box closed some other way is not a "no"
  RunSequenceFileCommand(SequenceFileCommand::kClear, 1, host);
  EXPECT_EQ(host.log.back(), "ClearSequence B");
  EXPECT_TRUE(host.sequences[1].Empty());
}

TEST_F(SequenceFileCommands, DefaultPathTakesTheChosenFolder) {
  host.chooseAnswers.push_back(folder.Path());
  EXPECT_EQ(RunSequenceFileCommand(SequenceFileCommand::kDefaultPath, 0, host), "");
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0].mode, Host::DialogMode::kFolder);
  EXPECT_EQ(host.dialogs[0].title, "Default Path For Sequence Files");
  EXPECT_EQ(host.dialogs[0].extensions, "");
  EXPECT_EQ(host.dialogs[0].fileName, "");
  EXPECT_EQ(host.storedPaths, (std::vector<std::string>{folder.Path()}));
  EXPECT_EQ(SequenceFolder(), folder.Path());

  // A dialog that answers with the folder itself.
  host.chooseAnswers.push_back(folder.Path() + "/");
  RunSequenceFileCommand(SequenceFileCommand::kDefaultPath, 0, host);
  EXPECT_EQ(host.dialogs[1].folder, folder.Path());
  EXPECT_EQ(host.storedPaths.back(), folder.Path());
}

TEST_F(SequenceFileCommands, FolderIsSharedByAllInstances) {
  FakeHost other;
  other.sequencePath = "/other/instance/path";
  host.chooseAnswers.push_back(folder.Path() + "/a.mid");
  host.sequences[0] = ShortLoop();
  RunSequenceFileCommand(SequenceFileCommand::kSaveType0, 0, host);
  // The second instance starts where the first one saved, not at its own setting.
  RunSequenceFileCommand(SequenceFileCommand::kLoad, 0, other);
  ASSERT_EQ(other.dialogs.size(), 1u);
  EXPECT_EQ(other.dialogs[0].folder, folder.Path());
}
