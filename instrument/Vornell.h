#pragma once
// The instrument: six tracks of the sound engine, the program library, the
// 303 parameters and what each does to the engine, composed with the front
// panel, the track-program workflow and the menu commands.
//
// Methods are spread over the files of this folder by subject:
//   Vornell.cpp               construction, audio, MIDI, engine hooks, status line
//   VornellParams.cpp         OnParamChanged for all 303 parameters
//   VornellSequencerHost.cpp  the sequencer side's view of the instrument, the
//                             engine hooks that go to it, the sequence file dialog
//   VornellConfiguration.cpp  the controller map handed to the engine
//   VornellTuning.cpp         the engine's tuning hooks
//   VornellState.cpp          the whole state: SaveState, LoadState
//   Presets.cpp               startup bank, preset init
//   VornellUpdateCheck.cpp    the editor framework's notices
// The editor is an object of the editor library that the instrument knows
// only as its EditorPart (instrument/EditorPart.h).
// The front panel is an object of its own (performance/FrontPanel.h) that
// reaches the instrument through VornellPanelHost; so is the sequencer side
// (sequencer/Sequencer.h: sequences, player, recorder, Modes, arpeggiator),
// through VornellSequencerHost, and the track-program workflow
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
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/Engine.h"
#include "engine/EngineHooks.h"
#include "instrument/EditorPart.h"
#include "instrument/Synth.h"
#include "instrument/VornellCommands.h"
#include "instrument/VornellPanelHost.h"
#include "instrument/VornellProgramsHost.h"
#include "instrument/VornellSequencerHost.h"
#include "performance/FrontPanel.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "programs/TrackPrograms.h"
#include "sequencer/Sequencer.h"

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
  // LoadState for a state that a whole one follows (the presets of a bank
  // ahead of the selected one): applies only what that one leaves in place.
  // Takes the plug-in lock.
  int ReplayState(const DataBlock& block, int position) override;
  // ReplayState in two steps (IPlugBase::PrepareReplay): PrepareReplay on any
  // thread; ReplayPrepared takes the plug-in lock.
  std::unique_ptr<PreparedReplay> PrepareReplay(const DataBlock& block, int position) const override;
  void ReplayPrepared(const PreparedReplay& prepared) override;
  // Where LoadState would end, applying nothing. Any thread.
  int MeasureState(const DataBlock& block, int position) const override;
  std::string StoredPresetName(const DataBlock& block, int position) const override;
  // A state as LoadState and SaveState would pass it on, with other
  // parameter values and preset fields (IPlugBase::ComposeState). Any thread.
  bool ComposeState(const DataBlock& block, int position, bool loaded, int current, const std::string& name,
                    const std::vector<double>& values, DataBlock& out) const override;
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
  // Every parameter once more, as a whole (not an edit: linked tracks do not follow).
  void ApplyAllParams() override;
  void ResetAllVoices() override;
  // ---- editor (instrument/EditorPart.h) -----------------------------------------------
  // The editor's periodic update, passed on to the editor part. User-interface
  // thread, under the plug-in lock.
  void OnIdleTick() override;
  // The window opened: the editor part refreshes every control at its next
  // idle tick. Under the plug-in lock.
  void OnEditorOpened() override;
  // The instrument's own editor (also while a test attached another one),
  // built now if it was not yet; null when no editor factory was installed
  // when the instrument was built. User-interface thread; takes the lock.
  EditorPart* Editor();
  // Builds the editor part when first asked (without holding the lock while
  // it does); the graphics it attaches.
  IEditorLink* RequireEditor() override;

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

  // ---- sequencer side (sequencer/Sequencer.h) ------------------------------------------
  // The sequences, the player and its clock, the recorder, the performance
  // Modes and the arpeggiator. Its entry points say which thread and lock.
  Sequencer& Sequencing() { return sequencer; }
  const Sequencer& Sequencing() const { return sequencer; }

 protected:
  friend class VornellSequencerHost;
  // The sequence menu's file dialog: the chosen full path, or empty when
  // cancelled. Goes to the editor's dialog; without an editor, cancelled.
  // User-interface thread, without the plug-in lock (tests answer it).
  virtual std::string ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                         const std::string& extensions, const std::string& fileName,
                                         const std::string& title);

 public:
  // ---- menu commands (instrument/VornellCommands.h) -------------------------------------
  // The PROGRAM button menu, the option menu, the preset clipboard, preset
  // choice and file peeking, the configuration commands, the update check.
  VornellCommands& Commands() { return commands; }
  const VornellCommands& Commands() const { return commands; }

  // ---- configuration (instrument/VornellConfiguration.cpp) --------------------------------
  // Gives the engine the controller map and "Receive Parameter CCs" when
  // they changed since last time. Audio thread, under the plug-in lock; no
  // allocation, no lock of its own.
  void RefreshControllerSettings();

 private:
  // ---- plug-in base slots the base calls itself -----------------------------------
  // The host starts or stops processing. Dispatcher thread.
  void OnActivate(bool active) override;
  // After presets were loaded, renamed or rearranged: the editor's controls
  // show the live values again, and the panel the current preset's name (a
  // rename changes no parameter that would redraw it).
  void OnPresetsChanged() override {
    RefreshParamControls();
    panelDirty = true;
  }

  // The editor framework's notices (a file dialog's hint, an address no
  // browser opened) as an orange status text. User-interface thread.
  void ShowEditorNotice(const std::string& text) override;

  // ---- engine hooks (audio thread, under the plug-in lock) ------------------------
  bool CaptureMidiLearn(int32_t controller) override;
  void OnProgramChange(int32_t program) override;
  double GetParameterNormalized(int32_t index) override;
  void SetParameterFromController(int32_t index, double normalized) override;
  // Learning ended on a capture: the editor redraws the learn switch.
  void OnMidiLearnEnded() override { panelDirty = true; }

  // ---- tuning hooks (instrument/VornellTuning.cpp; audio thread, under the plug-in lock) ----
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

  // ---- the engine, the library and shared flags -------------------------------------
  // Under the plug-in lock, like the parameters.
  Engine& GetEngine() { return engine; }
  const Engine& GetEngine() const { return engine; }
  ProgramLibrary& Library() { return library; }
  const ProgramLibrary& Library() const { return library; }
  // "Extended Resolution" as applied (voice values in 0..127 or 0..255 steps).
  bool ExtendedResolution() const { return extendedResolution; }
  // The editor redraws its panel displays at its next idle tick. Any thread.
  void MarkPanelDirty() { panelDirty = true; }
  // True once per MarkPanelDirty: the editor's idle tick takes the request.
  bool TakePanelDirty() { return panelDirty.exchange(false); }

 private:
  Engine engine;
  ProgramLibrary library;
  bool extendedResolution = false;
  std::atomic<bool> panelDirty{false};

  // The sequencer side (declared after the engine, which it drives).
 private:
  VornellSequencerHost sequencerHost{*this};
  Sequencer sequencer{engine, sequencerHost};
  // The engine's hooks that go to the sequencer side (instrument/VornellSequencerHost.cpp;
  // audio thread, under the plug-in lock).
  void OnBlockStart(int32_t frames) override;
  void RecordNoteEvent(int32_t track, int32_t note, int32_t velocity) override;
  bool DivertToArpeggiator(const MidiMessage& message) override;
  void ArpeggiatorSustain(int32_t value) override;
  void ClearArpeggiatorHold() override;

 private:
  // The edit track's voice controls need their values again (at the editor's
  // next idle tick).
  void RefreshEditTrackControls();

  // The end of a state read, once the parameters hold the state's values:
  // they reach the engine (LoadState, ReplayPrepared), all of them or, for a
  // replay, those that leave a trace.
  void ApplyReadParams(bool replay);
  void ApplyGlobalParam(int index);
  void ApplyProgramParam(int index);
  void ApplyTrackParam(int index);
  void ApplyVoiceParam(int index);
  void ShowParamStatus(int index);
  // Voice parameter value u as the current resolution sees it.
  int ReduceVoiceValue(int k, double value) const;
  // Copies a voice edit u of track t to the tracks that follow it.
  void FollowLinkedTracks(int t, int k, int u);

 private:
  friend class VornellPanelHost;
  friend class VornellProgramsHost;
  friend class VornellCommands;
  VornellPanelHost panelHost{*this};
  FrontPanel panel{panelHost};
  VornellProgramsHost programsHost{*this};
  TrackPrograms programs{programsHost};
  VornellCommands commands{*this};

  // Built when first needed (RequireEditor): an instance whose editor never
  // opens does not pay for its controls. Destroyed first of all (in the
  // destructor's body): the editor reads the instrument until it is gone.
  std::unique_ptr<EditorPart> editorPart;
  // The factory installed when the instrument was built, or null: no editor.
  EditorPartFactory editorFactory = nullptr;
  // Set while RequireEditor builds the editor (under the lock).
  bool buildingEditor = false;
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
