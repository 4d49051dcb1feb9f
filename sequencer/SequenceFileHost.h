#pragma once
// What the sequence-file commands need from the instrument. The plug-in object
// implements it over its own members; tests implement it with fakes.
// All of it is called on the user-interface thread.
#include <string>

class Sequence;

class SequenceFileHost {
 public:
  enum class DialogMode { kOpen, kSave, kFolder };

  // Message box types and answers, as the editor's ShowMessage takes and gives them.
  static constexpr int kMessageOk = 0;
  static constexpr int kMessageYesNo = 4;
  static constexpr int kAnswerYes = 6;
  static constexpr int kAnswerNo = 7;

  // Status line colours.
  static constexpr int kWhite = 0;
  static constexpr int kOrange = 1;
  static constexpr int kGreen = 2;
  static constexpr int kRed = 3;

  virtual ~SequenceFileHost() = default;

  // The commands do nothing while the editor window is closed.
  virtual bool EditorOpen() = 0;

  // The plug-in lock, under which the audio thread plays the sequences.
  // SequenceAt and ClearSequence are only used while it is held.
  virtual void LockSequencer() = 0;
  virtual void UnlockSequencer() = 0;
  // Seq A (which = 0) or Seq B (which = 1).
  virtual Sequence& SequenceAt(int which) = 0;
  // Empties the sequence, sets its six program parameters ("Seq A Prg %i" or
  // "Seq B Prg %i") to 100 and switches the Mode to Normal.
  virtual void ClearSequence(int which) = 0;

  // Stores the current state into the current preset (no new name).
  virtual void ModifyCurrentPreset() = 0;

  // The file dialog titled `title`: returns the chosen full path (kFolder: the
  // chosen folder), or empty when cancelled. `extensions` is a space-separated
  // list; `fileName` the proposed name.
  virtual std::string ChooseFile(DialogMode mode, const std::string& folder, const std::string& extensions,
                                 const std::string& fileName, const std::string& title) = 0;
  // A message box; returns the button pressed (kAnswerYes, kAnswerNo, ...).
  virtual int ShowMessage(const std::string& text, const std::string& caption, int type) = 0;
  virtual void ShowStatus(const std::string& text, int colour) = 0;

  // The configured start folder of the sequence dialogs, and the command that
  // stores a new one in the settings file.
  virtual std::string SequencePath() = 0;
  virtual void StoreSequencePath(const std::string& folder) = 0;
};
