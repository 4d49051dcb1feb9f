#pragma once
// The instrument: six tracks of the sound engine, the program library, the
// 303 parameters and what each does to the engine, and the program workflow
// (which program a track plays, loading, the modified test, storing, linking).
//
// Methods are spread over the files of this folder by subject:
//   Vornell.cpp               construction, audio, MIDI, engine hooks, status line
//   VornellParams.cpp         OnParamChanged for all 303 parameters
//   PerformanceModes.cpp      Mode switching, track hand-over, clock and player
//   Recorder.cpp              recording, overdub, clearing
//   VornellSequenceFiles.cpp  the sequence menu: MIDI files, clearing, default folder
//   Arpeggiator.cpp           arpeggio pattern, its input, hold and latch
//   ProgramWorkflow.cpp       track programs: load, select, link, store, modified test
//   VornellConfiguration.cpp  configuration commands, templates, controller map
//   VornellTuning.cpp         the engine's tuning hooks
//   VornellState.cpp          the whole state: SaveState, LoadState
//   Presets.cpp               startup bank, preset init, copy and paste, file peeking
//   ProgramCommands.cpp       the PROGRAM button menu's commands
//   PresetCommands.cpp        the option menu's commands
//   VornellUpdateCheck.cpp    "Check Online for Update" and the maker's web pages
// The editor is an object of the editor library that the instrument knows
// only as its EditorPart (instrument/EditorPart.h).
// The front panel is an object of its own (performance/FrontPanel.h) that
// reaches the instrument through VornellPanelHost.
//
// Threads: every method that changes parameters, tracks or the library runs
// under the plug-in lock (IPlugBase::Mutex(), held as PluginLock outside the
// host adapter's callbacks); the host adapter and the editor take it around
// their calls. ProcessBlock and OnMidiMessage run on the audio
// thread, the program workflow on the user-interface thread.
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
#include "instrument/EditorPart.h"
#include "online/UpdateCheck.h"
#include "performance/FrontPanel.h"
#include "performance/NoteVelocityMap.h"
#include "instrument/Synth.h"
#include "instrument/VornellPanelHost.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "sequencer/Sequence.h"
#include "sequencer/SequenceFileCommands.h"
#include "sequencer/SequencePlayer.h"
#include "instrument/VornellSequencerHost.h"

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
  // The preset clipboard: copy stores the live state, paste loads it into the
  // current preset. Take the plug-in lock. User-interface thread.
  void CopyPreset();
  void PastePreset();
  bool PresetClipboardEmpty() const { return presetClipboard.Size() == 0; }
  // The preset menu's and the preset arrows' choice: the preset being left
  // stores the live state first. Takes the plug-in lock.
  void ChoosePreset(int i);
  // For the file browser: the file's preset name and state in the layout of one
  // SerializePresets entry / a SerializePresets list. User-interface thread.
  bool PeekProgramFile(const std::string& path, DataBlock& block) const;
  bool PeekBankFile(const std::string& path, DataBlock& block) const;

  // Path of the startup bank ("Startup Bank"/"File" of the configuration);
  // emptied when that bank cannot be loaded.
  std::string startupBankPath;

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
  // ---- editor (instrument/EditorPart.h) -----------------------------------------------
  // The editor's periodic update, passed on to the editor part. User-interface
  // thread, under the plug-in lock.
  void OnIdleTick() override;
  // The window opened: the editor part refreshes every control at its next
  // idle tick. Under the plug-in lock.
  void OnEditorOpened() override;
  // The instrument's own editor (also while a test attached another one), or
  // null when no editor factory was installed.
  EditorPart* Editor() const { return editorPart.get(); }

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
  // StoreTrackProgram(p), then the edit track and its linked tracks switch to
  // p; the store's message stays on the status line. The keypad's STORE, the
  // browser's RECORD and "Store Program to..." all end here.
  void StoreAndSelectProgram(int p);
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

  // ---- menu commands (programs/ProgramCommands.cpp, programs/PresetCommands.cpp) -------
  // The commands behind the PROGRAM button menu and the option menu
  // (editor/Menus.cpp builds and shows those). User-interface thread; each
  // takes the plug-in lock around what it changes, and its questions and file
  // dialogs give back every hold of it while they wait. Nothing happens
  // while the editor window is closed. Questions are yes/no boxes in which only
  // "no" cancels; a cancelled file dialog changes nothing.
  //
  // PROGRAM button menu commands, carried by the menu's items.
  enum ProgramMenuCommand : int {
    kProgramCmdInit = 1,
    kProgramCmdLoadFile = 3,
    kProgramCmdSaveFile = 4,
    kProgramCmdLoadBankFile = 5,
    kProgramCmdSaveBankFile = 6,
    kProgramCmdToggleEnhanced = 7,
    kProgramCmdRestoreFactory = 9,
    kProgramCmdRestoreAllFactory = 10,
    kProgramCmdDefaultPath = 12,
  };
  void RunProgramCommand(int command);
  // "Store Program to..." chose program q: asks first when another track plays
  // q (unless "Don't Ask To Commit"), then records the edit track's sound into
  // q and switches the edit track and its linked tracks to q. True when stored.
  bool StoreProgramFromMenu(int q);

  // Option menu commands, carried by the menu's items (22..24 are items of
  // its submenus).
  enum PresetMenuCommand : int {
    kPresetCmdCopy = 0,
    kPresetCmdPaste = 1,
    kPresetCmdInit = 2,
    kPresetCmdLoad = 4,
    kPresetCmdSave = 5,
    kPresetCmdLoadBank = 6,
    kPresetCmdSaveBank = 7,
    kPresetCmdSelectStartupBank = 9,
    kPresetCmdLoadStartupBank = 10,
    kPresetCmdUnselectStartupBank = 11,
    kPresetCmdDefaultPath = 13,
    kPresetCmdShowConfigAtStartup = 14,
    kPresetCmdReceiveParamCCs = 15,
    kPresetCmdDontAskToCommit = 16,
    kPresetCmdReloadConfiguration = 18,
    kPresetCmdSaveConfiguration = 19,
    kPresetCmdMidiThru = 22,
    kPresetCmdIgnoreProgramChange = 23,
    kPresetCmdCheckForUpdate = 24,
  };
  void RunPresetCommand(int command);

  // ---- online (instrument/VornellUpdateCheck.cpp) -----------------------------------------
  // "Check Online for Update" (command 24): asks the update server (UpdateServer())
  // and answers in message boxes; returns an UpdateCheckResult. User-interface
  // thread; it blocks that thread within updateCheckLimits, with every hold
  // of the plug-in lock given back, so audio goes on meanwhile.
  int CheckOnlineForUpdate();
  UpdateCheckLimits updateCheckLimits;  // tests shorten the time-outs
  // The editor framework's notices (a file dialog's hint, an address no
  // browser opened) as an orange status text. User-interface thread.
  void ShowEditorNotice(const std::string& text) override;

  // The folders the program (.syx) and preset (.fxp/.fxb) dialogs open in:
  // the configured default until a file is chosen, then that file's folder.
  std::string ProgramFolder() const;
  std::string PresetFolder() const;
  // A name as a proposed file name: each of < > : " / \ | ? * becomes '_'.
  static std::string FileNameFromName(const std::string& name);

 private:
  // A yes/no question; false only for "no".
  bool AskYesNo(const std::string& text, const std::string& title);
  // The editor's file dialog titled as the command: the chosen path, empty when cancelled.
  std::string ChooseMenuFile(bool save, const std::string& folder, const std::string& extensions,
                             const std::string& fileName, const std::string& title);
  // "Done." in green, or the failure in an "Error" box and in red.
  void ReportFileResult(bool ok, const char* failure);
  // The folder chooser of the default-folder commands; the chosen folder or empty.
  std::string ChooseDefaultFolder(const std::string& start, const std::string& title);
  bool ProgramFileCommand(int command);
  bool PresetFileCommand(int command);

  std::string programFolder;
  std::string presetFolder;

 public:
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
  // User-interface thread unless noted; each takes the plug-in lock.
  // The template the tracks match, or configTemplates.size() + 1 for none.
  int32_t MatchingConfigTemplate();
  // The drop-down's text for the matching template ("User Configuration" for none).
  std::string MatchingConfigTemplateName();
  // Sets the tracks' channel, mode and cycle parameters from template index.
  void ApplyConfigTemplate(int32_t index);
  // The preset menu's switches: toggles one, writes it to the INI file and
  // returns its new state.
  bool ToggleConfigSetting(ConfigSetting which);
  // "Additionally Save Enhanced Program Data": toggles, writes "Save Enhanced
  // Prgs" at once and returns the new state.
  bool ToggleSaveEnhancedPrograms();
  // "Reload Configuration" and "Save Configuration", with their questions.
  void ReloadConfiguration();
  void SaveConfiguration();
  // Takes over what the configuration holds now (after it was read again).
  void ConfigurationChanged();
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
  // A program selection or a state read is in progress: voice edits are not
  // copied to linked tracks and program parameters select nothing.
  bool linkSuspended = false;
  // A linked voice edit is being copied to the other tracks.
  bool linkInProgress = false;
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

 private:
  // The edit track's voice controls need their values again (at the editor's
  // next idle tick).
  void RefreshEditTrackControls();

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

  // Builds the editor through the installed factory. Construction time.
  void CreateEditor() override;

 private:
  friend class VornellPanelHost;
  VornellPanelHost panelHost{*this};
  FrontPanel panel{panelHost};

  // Destroyed first of all (in the destructor's body): the editor reads the
  // instrument until it is gone.
  std::unique_ptr<EditorPart> editorPart;
  DataBlock presetClipboard;
  int presetClipboardIndex = -1;
  // The voice values of a state being read, kept across its application.
  std::array<double, Engine::kTrackCount * kProgramValueCount> loadedVoiceValues{};

  bool resolutionApplied = false;
  std::string statusText;
  int statusColour = kStatusWhite;
  uint32_t statusSerial = 0;
};
