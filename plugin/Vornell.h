#pragma once
// The instrument: six tracks of the sound engine, the program library, the
// 303 parameters and what each does to the engine, and the program workflow
// (which program a track plays, loading, the modified test, storing, linking).
//
// Methods are spread over files by subsystem:
//   plugin/Vornell.cpp              construction, audio, MIDI, engine hooks, status line
//   plugin/VornellParams.cpp        OnParamChanged for all 303 parameters
//   plugin/VornellSequencer.cpp     Mode, recording and clock entry points
//   programs/ProgramWorkflow.cpp    track programs: load, select, link, store, modified test
//
// Threads: every method that changes parameters, tracks or the library runs
// under the plug-in lock (IPlugBase::Mutex()); the host adapter and the editor
// take it around their calls. ProcessBlock and OnMidiMessage run on the audio
// thread, the program workflow on the user-interface thread.
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/Engine.h"
#include "engine/EngineHooks.h"
#include "plugin/Synth.h"
#include "programs/ProgramLibrary.h"

// Status line colours.
enum StatusColour : int { kStatusWhite = 0, kStatusOrange = 1, kStatusGreen = 2, kStatusRed = 3 };

// Program selection kinds: the number of the Mode each slot set belongs to.
enum ProgramKind : int {
  kProgramKindTrack = 0,
  kProgramKindSeqA = 1,
  kProgramKindSeqB = 2,
  kProgramKindStackA = 5,
  kProgramKindStackB = 6,
};

class Vornell : public Synth, public EngineHooks {
 public:
  // Builds the engine, defines and applies the parameters, restores the
  // factory library into every track and fills the presets. No host or
  // editor is told anything while this runs.
  Vornell();
  ~Vornell() override;

  // ---- plug-in base slots ----------------------------------------------------------
  // Dispatcher thread: prepares the engine for the base's sample rate and block size.
  void OnReset() override;
  // Any thread, under the plug-in lock.
  void OnParamChanged(int index) override;
  // Audio thread, under the plug-in lock. outputs: the fourteen channels.
  void ProcessBlock(double** inputs, double** outputs, int frames) override;
  // Audio thread: MIDI thru echo, then the engine's input handling.
  void OnMidiMessage(const MidiMessage& message) override;
  // Every parameter once more, as a whole (not an edit: linked tracks do not follow).
  void ApplyAllParams() override;
  void ResetAllVoices() override;

  // ---- status line -------------------------------------------------------------------
  // Shows text in colour (StatusColour) on the editor's status line; an empty
  // text shows the version. Does nothing while no editor window is open. Any
  // thread, under the plug-in lock.
  void ShowStatus(const char* text, int colour);
  // The last text and colour shown (read by the editor; under the plug-in lock).
  std::string StatusText() const { return statusText; }
  int StatusColour() const { return statusColour; }
  // Grows with every ShowStatus that reached the editor.
  uint32_t StatusSerial() const { return statusSerial; }

  // ---- program workflow (user-interface thread, under the plug-in lock) ------------
  // The program track t plays, 0..99, from the slot set its Mode makes live.
  int TrackProgramNumber(int t) const;
  // Writes program p's 37 values into track t's voice parameters; p = 100 means
  // the track's "Track Prg". The track takes the program's name, unmodified.
  void LoadProgramIntoTrack(int t, int p);
  // A program parameter of kind (ProgramKind) changed to p for track t.
  void ApplyProgramParameter(int kind, int t, int p);
  // Track t plays program p from now on (ignored for p >= 100 or no change).
  void SetTrackProgram(int t, int p);
  // SetTrackProgram on t and on every track linked to it.
  void SelectTrackProgram(int t, int p);
  bool TracksLinked(int a, int b) const;
  // Whether a track other than the edit track plays p (p < 0: the edit track's program).
  bool ProgramUsedElsewhere(int p) const;
  // Records the edit track's sound into library slot p (p < 0: its own program)
  // and reloads every track playing p.
  void StoreTrackProgram(int p);
  // "Init Program": the edit track and its linked tracks get the default sound.
  void InitEditTrackProgram();
  void RenameTrackProgram(int t, const std::string& name);
  // Plays program on every track that plays the edit track's program, without
  // touching the library.
  void AuditionProgram(const Program& program);
  // Recomputes track t's programModified.
  void UpdateProgramModified(int t);
  // Asks about a modified program of track t (t < 0: all tracks) when the
  // editor is open: 0 nothing asked, 1 the user said no, 2 yes.
  int ConfirmModifiedProgram(int t);

  // ---- sequencer entry points (the sequencer part fills these) ---------------------
  // Switches the performance Mode. Returns false when the Mode could not be entered.
  bool SetMode(int32_t mode);
  void StartRecording();
  void UpdateTickDuration();

  // ---- engine hooks (audio thread, under the plug-in lock) ------------------------
  bool CaptureMidiLearn(int32_t controller) override;
  void OnProgramChange(int32_t program) override;
  double GetParameterNormalized(int32_t index) override;
  void SetParameterFromController(int32_t index, double normalized) override;

  // ---- helpers -------------------------------------------------------------------------
  // "Mode" as a number 0..6 (values above 6 count as 0).
  int ModeValue() const;
  bool LinkProgramsOn() const;
  // Integer value of a parameter (0 outside the range).
  int IntParam(int index) const;

  // ---- state shared with the other parts -------------------------------------------
  Engine engine;
  ProgramLibrary library;

  bool extendedResolution = false;
  // A program selection or a state read is in progress: voice edits are not
  // copied to linked tracks and program parameters select nothing.
  bool linkSuspended = false;
  // A linked voice edit is being copied to the other tracks.
  bool linkInProgress = false;
  // The editor redraws its panel displays at its next idle tick.
  std::atomic<bool> panelDirty{false};
  // The front panel's edit position.
  int editTrack = 0;
  int selectedParam = 0;
  int selectedParamValue = 0;

  // Clock settings the sequencer reads.
  double sequencerSpeed = 120.0;
  bool syncToHost = false;

 protected:
  // The preset browser's entry of the current preset changed (editor part).
  virtual void RefreshPresetBrowserEntry() {}
  // The edit track's voice controls need their values again (editor part).
  virtual void RefreshEditTrackControls() {}
  // The editor's display of the selected voice parameter changed (editor part).
  virtual void RefreshParamDisplay() {}

 private:
  void ApplyGlobalParam(int index);
  void ApplyProgramParam(int index);
  void ApplyTrackParam(int index);
  void ApplyVoiceParam(int index);
  void ShowParamStatus(int index);
  // Voice parameter value u as the current resolution sees it.
  int ReduceVoiceValue(int k, double value) const;
  // Copies a voice edit u of track t to the tracks that follow it.
  void FollowLinkedTracks(int t, int k, int u);
  // A program's value written into a voice parameter; also applied to the
  // engine while a state is loading (when the host is not told).
  void WriteVoiceParameter(int index, double value);
  // The parameter holding track t's program for a kind, or -1.
  static int ProgramParamForKind(int kind, int t);
  // The program parameter TrackProgramNumber looks at first for track t.
  int LiveProgramParam(int t) const;

  std::string statusText;
  int statusColour = kStatusWhite;
  uint32_t statusSerial = 0;
};
