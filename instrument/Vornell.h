#pragma once
// The instrument: six tracks of the sound engine, the program library, the
// 303 parameters and what each does to the engine, composed with the front
// panel, the track-program workflow and the menu commands.
//
// Methods are spread over the files of this folder by subject:
//   Vornell.cpp               construction, audio, MIDI, engine hooks, status line
//   VornellParams.cpp         OnParamChanged for all 303 parameters
//   PerformanceModes.cpp      Mode switching, track hand-over, clock and player
//   Recorder.cpp              recording, overdub, clearing
//   VornellSequenceFiles.cpp  the sequence menu: MIDI files, clearing, default folder
//   Arpeggiator.cpp           arpeggio pattern, its input, hold and latch
//   VornellConfiguration.cpp  the controller map handed to the engine
//   VornellTuning.cpp         the engine's tuning hooks
//   VornellState.cpp          the whole state: SaveState, LoadState
//   Presets.cpp               startup bank, preset init
//   VornellUpdateCheck.cpp    the editor framework's notices
// and, for the editor part, editor/VornellEditor.cpp and editor/ProgramBrowser.cpp.
// The front panel is an object of its own (performance/FrontPanel.h) that
// reaches the instrument through VornellPanelHost; the track-program workflow
// (programs/TrackPrograms.h) through VornellProgramsHost. The menu commands
// (VornellCommands.h) are the instrument's own object in this folder.
//
// Threads: every method that changes parameters, tracks or the library runs
// under the plug-in lock (IPlugBase::Mutex(), held as PluginLock outside the
// host adapter's callbacks); the host adapter and the editor take it around
// their calls. ProcessBlock and OnMidiMessage run on the audio
// thread, the program workflow and the menu commands on the user-interface thread.
#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/Engine.h"
#include "engine/EngineHooks.h"
#include "performance/FrontPanel.h"
#include "performance/NoteVelocityMap.h"
#include "instrument/Synth.h"
#include "instrument/VornellCommands.h"
#include "instrument/VornellPanelHost.h"
#include "instrument/VornellProgramsHost.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "programs/TrackPrograms.h"
#include "sequencer/Sequence.h"
#include "sequencer/SequenceFileCommands.h"
#include "sequencer/SequencePlayer.h"
#include "instrument/VornellSequencerHost.h"

class IControl;
class VornellEditor;

// Destroys the editor part where its type is complete (editor/VornellEditor.cpp),
// so that the instrument does not depend on the editor's declarations.
struct VornellEditorDeleter {
  void operator()(VornellEditor* editor) const;
};

class Vornell : public Synth, public EngineHooks {
 public:
  // Builds the engine, defines and applies the parameters, restores the
  // factory library into every track and fills the presets. No host or
  // editor is told anything while this runs.
  explicit Vornell(VstHostCallback hostCallback = nullptr, const VornellStartup& startup = VornellStartup());
  // Without a host: the bank generator and tests choose how the presets are filled.
  explicit Vornell(const VornellStartup& startup) : Vornell(nullptr, startup) {}
  ~Vornell() override;

  // ---- whole state and presets (programs/StateChunk.cpp, programs/Presets.cpp) ------
  // Appends the whole state (tag, current preset, track program names, library,
  // Seq A and B, all parameters). Caller holds the plug-in lock.
  bool SaveState(DataBlock& block) override;
  // Reads a state (also the older form without tag and preset fields) and
  // applies it; returns the position after it, or -1 when the block ended
  // early. Takes the plug-in lock.
  int LoadState(const DataBlock& block, int position) override;
  // The startup bank, or the built-in bank when that cannot be loaded.
  // Construction time. True when either filled the presets.
  bool LoadStartupBank() override;
  // "Init Preset": factory programs, empty sequences, default global and track
  // settings. Takes the plug-in lock. User-interface thread.
  void InitializePreset() override;

  // ---- plug-in base slots ----------------------------------------------------------
  // Dispatcher thread: prepares the engine for the base's sample rate and block size.
  void OnReset() override;
  // Any thread, under the plug-in lock.
  void OnParamChanged(int index) override;
  // Audio thread, under the plug-in lock. outputs: the fourteen channels.
  void ProcessBlock(double** inputs, double** outputs, int frames) override;
  // Audio thread: MIDI thru echo, then the engine's input handling.
  void OnMidiMessage(const MidiMessage& message) override;
  // The host starts or stops processing. Dispatcher thread.
  void OnActivate(bool active) override;
  // Every parameter once more, as a whole (not an edit: linked tracks do not follow).
  void ApplyAllParams() override;
  void ResetAllVoices() override;
  // After presets were loaded, renamed or rearranged: the editor's controls
  // show the live values again.
  void OnPresetsChanged() override { RefreshParamControls(); }
  // ---- editor (editor/VornellEditor.cpp) ---------------------------------------------
  // Builds the editor and attaches it. Construction time.
  void CreateEditor() override;
  // The editor's periodic update: takes the status line over. User-interface
  // thread, under the plug-in lock.
  void OnIdleTick() override;
  // The instrument's own editor (also while a test attached another one).
  VornellEditor* EditorPart() const { return editorPart.get(); }
  // The window opened or is closing: the panel is drawn from the flags below.
  void OnEditorOpened() override;
  // The keyed control registry: a parameter control under its index, a panel
  // control under its id's absolute value. A later registration replaces an
  // earlier one; an unknown key gives null. User-interface thread.
  void AddKeyedControl(int key, IControl* control);
  IControl* ControlByKey(int key) const;
  // Page switching and the edit track's voice controls; nothing happens
  // while the window is closed (the next idle tick applies the flags).
  void ShowConfigPage(bool on);
  void ShowTuneOrTranspose(bool transpose);
  void RefreshEditTrackControls(int t);
  // Grays the configuration page's program selectors that "Link Programs"
  // ties to a selector visited earlier.
  void UpdateProgramSelectorGrayState();
  // Editor flags (configPanelShown lives in config): the per-track knob row
  // shows transposition; the next idle tick also refreshes every control.
  bool transposeView = false;
  std::atomic<bool> fullRefresh{false};

  // ---- status line -------------------------------------------------------------------
  // Shows text in colour (StatusLineColour) on the editor's status line; an empty
  // text shows the version. Does nothing while no editor window is open. Any
  // thread (the recorder calls it on the audio thread); takes the plug-in lock.
  // Only the text is stored here: the editor takes it over at its next idle
  // tick, under the lock, so no other thread ever touches the editor's controls.
  void ShowStatus(const char* text, int colour);
  // The last text and colour shown (read by the editor; under the plug-in lock).
  std::string StatusText() const { return statusText; }
  int StatusColour() const { return statusColour; }
  // Grows with every ShowStatus that reached the editor.
  uint32_t StatusSerial() const { return statusSerial; }

  // ---- front panel (performance/FrontPanel.h) ------------------------------------------
  FrontPanel& Panel() { return panel; }
  const FrontPanel& Panel() const { return panel; }

  // ---- track programs (programs/TrackPrograms.h) -----------------------------------------
  // Which program each track plays, loading, selecting, storing, linking.
  TrackPrograms& Programs() { return programs; }
  const TrackPrograms& Programs() const { return programs; }

  // ---- program browser (editor/ProgramBrowser.cpp) -----------------------------------
  // The browser page's INTERNAL, FILE, record-all, SINGLE and BANK buttons, from
  // the front panel's press handler; returns its result code (0 nothing asked,
  // 1 answered no, 2 answered yes or a dialog opened). User-interface thread,
  // under the plug-in lock taken through the editor (dialogs give it back).
  int BrowserButton(int id);
  // The browser lists a file (its FILE LED lit) rather than the presets.
  bool BrowserShowsFile() const;

  // ---- performance Modes, clock and player (instrument/PerformanceModes.cpp) ---------
  // Every method here and in the recorder and arpeggiator sections runs under the
  // plug-in lock (those called from the editor take it themselves): on the
  // audio thread where noted, otherwise on the thread that changes a parameter
  // or the editor thread.
  //
  // Switches the performance Mode. Returns false when the Mode could not be
  // entered ("Sequence %c: empty.", "Select a track for channel 6!"); a switch
  // between two non-Normal Modes only goes to Normal and returns true.
  bool SetMode(int32_t mode);
  // The tick length from "Speed" or the host tempo (and the note-value table
  // while synced); nothing while no sequence is selected.
  void UpdateTickDuration();
  // The player starts the current Mode's sequence from tick 0 / stops and
  // releases the sequence-driven tracks.
  void StartPlayback();
  void StopPlayback();
  // Seq A (1) or Seq B (2) tracks that hold material take it over: channel =
  // own index, sequence-driven. For the arpeggio, track 6 goes to MIDI channel 6.
  void AssignSequenceTracks(const Sequence& sequence);
  // Undoes the hand-over: channels from the "Track %i MIDI Channel" parameters.
  void RestoreTrackChannels();
  // The sequence the player has selected, or null.
  Sequence* CurrentSequence();
  // Seq A (which = 0) or Seq B (which = 1).
  Sequence& SequenceAt(int which) { return which == 1 ? seqB : seqA; }
  // TRACK VOLUME turned while CLICK is held: the click's level (0..1) with
  // "Click Level: %s" in dB on the status line.
  void SetClickLevel(double level);

  // ---- recorder (instrument/Recorder.cpp) ------------------------------------------------
  // Recorder states while recording (kRecordRecording is also the idle value).
  enum RecordState : int32_t {
    kRecordRecording = 0,
    kRecordWaitFirstNote = 1,
    kRecordOverdubPrepared = 2,
    kRecordOverdubWaitFirstNote = 3,
    kRecordOverdubFirstPass = 4,
    kRecordOverdubArmedAtWrap = 5,
    kRecordOverdubbing = 6,
  };
  bool Recording() const { return engine.IsRecording(); }
  // The front panel's SEQ A/B with RECORD on sets this before SetMode(1 or 2).
  void SetRecording(bool on) { engine.SetRecording(on); }
  // Starts a new recording into the current Mode's sequence (Mode 1 or 2 only).
  void StartRecording();
  void ArmTrack(int t, bool on);
  void StopRecording();
  // RECORD (multi-track) released: with recordMode on in Mode 1 or 2 the
  // playing loop waits for a TRACK button to overdub.
  void PrepareOverdub();
  // A TRACK button pressed while recording: disarms an armed track, otherwise
  // arms it (and leaves OverdubPrepared for OverdubWaitFirstNote).
  void RecordTrackButton(int t);
  // Removes track t's part from the current sequence and ends the recording.
  void ClearTrack(int t);
  // Empties Seq A (0) or Seq B (1), resets its six program slots, Mode Normal.
  void ClearSequence(int which);
  // Audio thread: the player wrapped the loop at `offset` samples into the block.
  void OnSequenceLoopWrap(double offset);
  // Sets the recorder's elapsed count so that it reads `position` samples (the
  // loop time at the start of the next block) from the next control tick on.
  void AlignRecordElapsed(double position);

  // ---- sequence menu (instrument/VornellSequenceFiles.cpp) ------------------------------
  // User-interface thread; these take the plug-in lock around the sequences,
  // and their dialogs give back every hold of it while they wait. which: 0
  // for Seq A, 1 for Seq B. Nothing happens while the editor window is closed.
  //
  // "Load Sequence A From MIDI File": returns the status text shown ("Done.",
  // "Cannot load file!"), empty when nothing was chosen. A file that cannot be
  // read whole leaves the sequence, its programs and the Mode as they were.
  std::string LoadSequenceFromMidiFile(int which);
  // "Save Sequence A To MIDI Type 0/1 File": the current preset takes the
  // current state first. Returns "Done.", "Cannot save file!" or empty.
  std::string SaveSequenceToMidiFile(int which, bool type1);
  // "Clear Sequence A": asks first; true when the sequence was cleared.
  bool ClearSequenceFromMenu(int which);
  // "Default Path For Sequence Files...": returns the folder that became the
  // default (and was written to the settings file), empty when cancelled.
  std::string ChooseDefaultSequencePath();
  // The menu's item text, and whether the item is offered now (saving and
  // clearing need a sequence with events).
  std::string SequenceMenuItemText(SequenceFileCommand command, int which) const;
  bool SequenceMenuItemEnabled(SequenceFileCommand command, int which);
  // The file dialog of these commands: the chosen full path, or empty when
  // cancelled. Goes to the editor's dialog; without an editor, cancelled.
  virtual std::string ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                         const std::string& extensions, const std::string& fileName,
                                         const std::string& title);

  // ---- menu commands (instrument/VornellCommands.h) -------------------------------------
  // The PROGRAM button menu, the option menu, the preset clipboard, preset
  // choice and file peeking, the configuration commands, the update check.
  VornellCommands& Commands() { return commands; }
  const VornellCommands& Commands() const { return commands; }

  // The editor framework's notices (a file dialog's hint, an address no
  // browser opened) as an orange status text. User-interface thread.
  void ShowEditorNotice(const std::string& text) override;

  // ---- arpeggiator (instrument/Arpeggiator.cpp) --------------------------------------
  // Adds (on) or removes one note and lays the pattern out again (Modes 3, 4).
  void UpdateArpeggio(int note, int velocity, bool on);
  // Empties the pattern and the note set and releases MIDI channel 6.
  void ClearArpeggio();
  // The multi-track RECORD in Mode 3 or 4: latch on/off with its status message.
  void ToggleArpeggiatorLatch();

  // ---- engine hooks (audio thread, under the plug-in lock) ------------------------
  bool CaptureMidiLearn(int32_t controller) override;
  void OnProgramChange(int32_t program) override;
  double GetParameterNormalized(int32_t index) override;
  void SetParameterFromController(int32_t index, double normalized) override;
  void OnBlockStart(int32_t frames) override;
  void RecordNoteEvent(int32_t track, int32_t note, int32_t velocity) override;
  bool DivertToArpeggiator(const MidiMessage& message) override;
  void ArpeggiatorSustain(int32_t value) override;
  void ClearArpeggiatorHold() override;

  // ---- configuration (instrument/VornellConfiguration.cpp) --------------------------------
  // Gives the engine the controller map and "Receive Parameter CCs" when
  // they changed since last time. Audio thread, under the plug-in lock; no
  // allocation, no lock of its own.
  void RefreshControllerSettings();
  // Learning ended on a capture: the editor redraws the learn switch.
  void OnMidiLearnEnded() override { panelDirty = true; }

  // ---- tuning hooks (tuning/VornellTuning.cpp; audio thread, under the plug-in lock) ----
  // The tuning client's answers; without a master only a flag is looked at.
  bool IsTuningOnline() override;
  bool IsNoteFiltered(int32_t note) override;
  int32_t NoteToPitch(int32_t key) override;

 private:
  // The configuration's ControllerSettingsVersion the engine's copy was made from.
  uint32_t controllerSettingsPushed = 0;
  bool controllerSettingsPending = true;
  // OnParamChanged calls in progress; only the outermost feeds MIDI learn.
  int paramChangeDepth = 0;

 public:
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
  // The editor redraws its panel displays at its next idle tick.
  std::atomic<bool> panelDirty{false};

  // Clock settings the sequencer reads.
  double sequencerSpeed = 120.0;
  bool syncToHost = false;

  // Sequencer: the two loop sequences (saved with the state), the arpeggio
  // pattern (not saved) and the player that loops one of them.
  Sequence seqA;
  Sequence seqB;
  Sequence arpeggio;
  VornellSequencerHost sequencerHost{*this};
  SequencePlayer player{sequencerHost};
  // The player's clock at the end of the last block (where the next one starts).
  double sequencerBlockEnd = 0.0;

  // Recorder (RecordState while recording) and the panel state it uses.
  int32_t recordState = kRecordRecording;
  bool recordActivity = false;  // the editor's record indicator blinks
  // Metronome: on every quarter note of the player, into the sum outputs only.
  bool clickEnabled = false;
  double clickLevel = 0.5;

  // Arpeggiator: the note set of Up/Down, the keys down, latch and pedal hold.
  NoteVelocityMap arpNotes;
  NoteVelocityMap arpHeldKeys;
  // Channel * 256 + note of the keys down that play the tracks directly
  // (pressed while latched): their note-offs go to the engine.
  std::bitset<16 * 256> directKeys;
  bool arpLatch = false;
  bool arpHold = false;

 protected:
  // The preset browser's entry of the current preset changed (editor part).
  virtual void RefreshPresetBrowserEntry() {}
  // The edit track's voice controls need their values again (editor part).
  virtual void RefreshEditTrackControls();
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

  // Detaches and destroys the editor (before the rest of the object goes).
  void DestroyEditor();

 private:
  friend class VornellPanelHost;
  friend class VornellProgramsHost;
  friend class VornellCommands;
  VornellPanelHost panelHost{*this};
  FrontPanel panel{panelHost};
  VornellProgramsHost programsHost{*this};
  TrackPrograms programs{programsHost};
  VornellCommands commands{*this};

  std::unique_ptr<VornellEditor, VornellEditorDeleter> editorPart;
  std::map<int, IControl*> keyedControls;
  // Path of the startup bank ("Startup Bank"/"File" of the configuration);
  // emptied when that bank cannot be loaded (VornellCommands::StartupBankPath).
  std::string startupBankPath;
  // The voice values of a state being read, kept across its application.
  std::array<double, Engine::kTrackCount * kProgramValueCount> loadedVoiceValues{};

  bool resolutionApplied = false;
  std::string statusText;
  int statusColour = kStatusWhite;
  uint32_t statusSerial = 0;
};
