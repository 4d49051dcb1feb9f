#pragma once
// What the track-program workflow needs from the instrument: parameter values
// and writes, the tracks and the library, the status line and the question
// box. The instrument implements it (VornellProgramsHost); the workflow calls
// it on the user-interface thread (or the thread that changed a program
// parameter), holding the plug-in lock unless a method says otherwise.
#include <string>

class PluginMutex;
class ProgramLibrary;
struct Track;

class TrackProgramsHost {
 public:
  virtual ~TrackProgramsHost() = default;

  virtual PluginMutex& Mutex() = 0;

  // ---- parameters
  // Integer value of a parameter (0 outside the range).
  virtual int IntParam(int index) const = 0;
  virtual double ParamDefault(int index) const = 0;
  // The instrument's own change of a parameter (plain value); the host hears of it.
  virtual void SetParam(int index, double value) = 0;
  // Applies a parameter's stored value to the engine (while a state loads,
  // a write only stores it).
  virtual void ApplyParam(int index) = 0;
  virtual bool StateLoading() const = 0;
  virtual bool ExtendedResolution() const = 0;
  virtual bool LinkProgramsOn() const = 0;
  // "Mode" as a number 0..6.
  virtual int Mode() const = 0;

  // ---- tracks and library
  virtual Track& TrackAt(int t) = 0;
  virtual const Track& TrackAt(int t) const = 0;
  virtual ProgramLibrary& Library() = 0;
  virtual const ProgramLibrary& Library() const = 0;
  // The front panel's edit track.
  virtual int EditTrack() const = 0;

  // ---- what the user sees
  // A loaded program: the panel's selected-parameter display reads its value again.
  virtual void ProgramLoaded() = 0;
  // The edit track's voice controls need their values again.
  virtual void EditTrackChanged() = 0;
  // The editor redraws its panel displays at its next idle tick.
  virtual void MarkPanelDirty() = 0;
  // The status line: a success text in green / empty (the version shows).
  virtual void ShowDone(const char* text) = 0;
  virtual void ClearStatus() = 0;
  virtual bool EditorOpen() const = 0;
  virtual bool DontAskToCommit() const = 0;
  // A yes/no question box; false only for "no". Gives back every hold of the
  // plug-in lock while it waits; call it without the workflow's own hold.
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
};
