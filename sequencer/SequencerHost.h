#pragma once
// What the sequencer side needs from the instrument: a few parameters (by
// meaning, not by index), the track programs, the status line and the front
// panel's RECORD switch, the host's transport, and for the sequence menu the
// editor's dialogs and the settings file. The instrument implements it
// (VornellSequencerHost).
//
// Threads: the sequencer calls it under the plug-in lock, on the thread of
// the sequencer call that makes it: the audio thread for the player, the
// recorder's note and wrap handling and the arpeggiator's input; otherwise
// the thread that changes a parameter or the user-interface thread. The
// sequence menu's calls (the last group) are made on the user-interface
// thread without the lock held, except where noted.
#include <string>

#include "sequencer/SequenceFileHost.h"
#include "sequencer/SequencePlayer.h"

class PluginMutex;

class SequencerHost {
 public:
  // The sequence program slots' value for "the track's own program".
  static constexpr int kOwnProgram = 100;

  virtual ~SequencerHost() = default;

  // ---- the plug-in ----------------------------------------------------------------
  virtual PluginMutex& Mutex() = 0;
  // A state is being read: Mode switches load no programs and set no parameters.
  virtual bool StateLoading() = 0;
  // The engine's rate, or the plug-in's before the engine has one.
  virtual double SampleRate() = 0;

  // ---- parameters ------------------------------------------------------------------
  virtual double Speed() = 0;     // "Speed", BPM 12..480
  virtual bool SyncToHost() = 0;  // "Sync to Host"
  // "Mode" as an integer, and setting it as the engine would (the host is told).
  virtual int ModeParameter() = 0;
  virtual void SetModeParameter(int mode) = 0;
  // "Link Programs" set as the engine would.
  virtual void SetLinkPrograms(bool on) = 0;
  // "Track %i MIDI Channel" of track t.
  virtual int TrackChannelSetting(int t) = 0;
  // Track t's program slot of the slot set that Mode `mode` makes live
  // (Normal and the arpeggiator Modes: "Track Prg %i"; Seq A/B: "Seq A Prg %i"
  // or "Seq B Prg %i", where kOwnProgram stands for the track's own; Stack
  // A/B: "Stack A Prg %i" or "Stack B Prg %i"). Set as the engine would.
  virtual int SlotProgram(int mode, int t) = 0;
  virtual void SetSlotProgram(int mode, int t, int program) = 0;

  // ---- track programs ---------------------------------------------------------------
  virtual void LoadProgramIntoTrack(int t, int program) = 0;
  virtual void SetTrackProgram(int t, int program) = 0;
  // Track t plays the program of its "Track Prg %i" again, as that parameter
  // would select it (its linked tracks following).
  virtual void SelectOwnProgram(int t) = 0;
  // Voice edits are not copied to linked tracks while suspended; returns the
  // setting before.
  virtual bool SuspendLinks(bool on) = 0;
  virtual void ResetAllVoices() = 0;

  // ---- panel and status line ------------------------------------------------------------
  // colour: StatusLineColour.
  virtual void ShowStatus(const char* text, int colour) = 0;
  // The editor redraws the panel's displays at its next idle tick.
  virtual void MarkPanelDirty() = 0;
  // The front panel's RECORD (multi-track) switch.
  virtual bool PanelRecordMode() = 0;
  virtual void SetPanelRecordMode(bool on) = 0;

  // ---- the host's transport -----------------------------------------------------------
  virtual double GetHostTempo() = 0;
  virtual void GetHostTime(SequencerHostTime& time) = 0;

  // ---- sequence menu (user-interface thread) -------------------------------------------
  virtual bool EditorOpen() = 0;
  // Stores the current state into the current preset; takes the plug-in lock.
  virtual void ModifyCurrentPreset() = 0;
  // The editor's file dialog: the chosen full path (kFolder: the folder), or
  // empty when cancelled or without an editor.
  virtual std::string ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                         const std::string& extensions, const std::string& fileName,
                                         const std::string& title) = 0;
  virtual int ShowMessage(const std::string& text, const std::string& caption, int type) = 0;
  // The configured folder of the sequence dialogs, and storing a new one in
  // the settings file.
  virtual std::string SequencePath() = 0;
  virtual void StoreSequencePath(const std::string& folder) = 0;
};
