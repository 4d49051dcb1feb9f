// The sequence menu of SEQ A and SEQ B on the sequencer side: each command
// runs through a SequenceFileHost made for it over the sequences and the host.

#include "plugin/PluginLock.h"
#include "sequencer/SequenceFileCommands.h"
#include "sequencer/Sequencer.h"

// One is made for each menu command; it remembers what the command did so that
// the caller can tell the menu. User-interface thread.
class Sequencer::MenuFiles final : public SequenceFileHost {
 public:
  explicit MenuFiles(Sequencer& sequencer) : sequencer(sequencer), host(sequencer.host) {}

  bool EditorOpen() override { return host.EditorOpen(); }
  void LockSequencer() override { host.Mutex().LockReleasable(); }
  void UnlockSequencer() override { host.Mutex().UnlockReleasable(); }
  Sequence& SequenceAt(int which) override { return sequencer.SequenceAt(which); }
  void ClearSequence(int which) override {
    sequencer.ClearSequence(which);
    cleared = true;
  }
  void ModifyCurrentPreset() override { host.ModifyCurrentPreset(); }
  std::string ChooseFile(DialogMode mode, const std::string& folder, const std::string& extensions,
                         const std::string& fileName, const std::string& title) override {
    return host.ChooseSequenceFile(mode, folder, extensions, fileName, title);
  }
  int ShowMessage(const std::string& text, const std::string& caption, int type) override {
    return host.ShowMessage(text, caption, type);
  }
  void ShowStatus(const std::string& text, int colour) override {
    PluginLock lock(host.Mutex());
    host.ShowStatus(text.c_str(), colour);
  }
  std::string SequencePath() override { return host.SequencePath(); }
  void StoreSequencePath(const std::string& folder) override {
    // An unwritable settings file still leaves the folder in force for this session.
    host.StoreSequencePath(folder);
    storedPath = folder;
  }

  bool Cleared() const { return cleared; }
  // The folder stored as the new default (empty when none was).
  const std::string& StoredPath() const { return storedPath; }

 private:
  Sequencer& sequencer;
  SequencerHost& host;
  bool cleared = false;
  std::string storedPath;
};

std::string Sequencer::LoadSequenceFromMidiFile(int which) {
  MenuFiles files(*this);
  return RunSequenceFileCommand(SequenceFileCommand::kLoad, which == 1 ? 1 : 0, files);
}

std::string Sequencer::SaveSequenceToMidiFile(int which, bool type1) {
  MenuFiles files(*this);
  return RunSequenceFileCommand(type1 ? SequenceFileCommand::kSaveType1 : SequenceFileCommand::kSaveType0,
                                which == 1 ? 1 : 0, files);
}

bool Sequencer::ClearSequenceFromMenu(int which) {
  MenuFiles files(*this);
  RunSequenceFileCommand(SequenceFileCommand::kClear, which == 1 ? 1 : 0, files);
  return files.Cleared();
}

std::string Sequencer::ChooseDefaultSequencePath() {
  MenuFiles files(*this);
  RunSequenceFileCommand(SequenceFileCommand::kDefaultPath, 0, files);
  return files.StoredPath();
}

std::string Sequencer::SequenceMenuItemText(SequenceFileCommand command, int which) const {
  return SequenceMenuText(command, which == 1 ? 1 : 0);
}

bool Sequencer::SequenceMenuItemEnabled(SequenceFileCommand command, int which) {
  PluginLock lock(host.Mutex());
  return SequenceMenuEnabled(command, SequenceAt(which == 1 ? 1 : 0));
}
