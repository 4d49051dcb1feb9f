#pragma once
// The sequence menu's view of the instrument: Seq A and Seq B under the
// plug-in lock, the current preset, the editor's dialogs and status line, and
// the configured sequence folder. One is made for each menu command; it
// remembers what the command did so that the caller can tell the menu.
// User-interface thread.
#include <string>

#include "sequencer/SequenceFileHost.h"

class Vornell;

class VornellSequenceFiles final : public SequenceFileHost {
 public:
  explicit VornellSequenceFiles(Vornell& plug) : plug(plug) {}

  bool EditorOpen() override;
  void LockSequencer() override;
  void UnlockSequencer() override;
  Sequence& SequenceAt(int which) override;
  void ClearSequence(int which) override;
  void ModifyCurrentPreset() override;
  std::string ChooseFile(DialogMode mode, const std::string& folder, const std::string& extensions,
                         const std::string& fileName, const std::string& title) override;
  int ShowMessage(const std::string& text, const std::string& caption, int type) override;
  void ShowStatus(const std::string& text, int colour) override;
  std::string SequencePath() override;
  void StoreSequencePath(const std::string& folder) override;

  // What the command did through this object.
  bool Cleared() const { return cleared; }
  // The folder stored as the new default (empty when none was).
  const std::string& StoredPath() const { return storedPath; }

 private:
  Vornell& plug;
  bool cleared = false;
  std::string storedPath;
};
