#pragma once
// What the panel's controls see of the instrument: the plug-in as the
// graphics framework knows it (parameter records, edits, the lock), the front
// panel's logic, the few track, preset and configuration facts they show, the
// commands they start, and the editor's own page state. The editor implements
// it over the instrument (VornellPanelModel); no control reaches the
// instrument itself.
//
// Threads: user-interface thread. Calls marked "under the lock" expect the
// caller to hold the plug-in lock (PluginLock on Mutex()); the others take it
// themselves where they need it, and give it back while a menu or a question
// waits.
#include <string>
#include <vector>

class FrontPanel;
class IEditorDelegate;
class IGraphics;
class PluginMutex;
struct Rect;

// What the controls show of one track.
struct TrackFacts {
  int channel = 0;
  bool cycle = false;
  bool armed = false;
  bool sequenceDriven = false;
  bool programModified = false;
  // The program the track plays, 0..99, and its name.
  int programNumber = 0;
  std::string programName;
};

class PanelModel {
 public:
  virtual ~PanelModel() = default;

  // ---- the plug-in and the panel logic -------------------------------------------
  virtual IEditorDelegate* Delegate() = 0;
  virtual PluginMutex& Mutex() = 0;
  virtual FrontPanel& Panel() = 0;

  // ---- parameters and tracks ----------------------------------------------------------
  // "Mode" as a number 0..6.
  virtual int Mode() const = 0;
  // "Link Programs" is on and no state is being read: a program selection
  // reaches the linked tracks too.
  virtual bool ProgramsLinked() const = 0;
  // The panel's own change of a parameter's plain value (not a user's edit).
  // Under the lock.
  virtual void SetParam(int index, double value) = 0;
  // Under the lock.
  virtual TrackFacts Track(int t) const = 0;
  // Seq A (0) or Seq B (1) holds material. Under the lock.
  virtual bool SequenceFilled(int which) const = 0;

  // ---- track programs ---------------------------------------------------------------
  // Asks about a modified program of track t (t < 0: all tracks): 0 nothing
  // asked, 1 the user said no, 2 yes.
  virtual int ConfirmModifiedProgram(int t) = 0;
  // Track t and its linked tracks play program p.
  virtual void SelectTrackProgram(int t, int p) = 0;
  virtual void RenameTrackProgram(int t, const std::string& name) = 0;
  // The program list of track t at `at`: the program chosen, or -1.
  virtual int ChooseProgramFromList(IGraphics& graphics, int t, const Rect& at) = 0;

  // ---- presets --------------------------------------------------------------------------
  virtual int CurrentPreset() const = 0;
  virtual std::string CurrentPresetName() const = 0;
  // The preset list at `at`; a chosen preset is loaded (the one left keeps
  // the live state). True when one was chosen.
  virtual bool ChoosePresetFromList(IGraphics& graphics, const Rect& at) = 0;
  // Renames the current preset (cut to 256 characters) and tells the host.
  virtual void RenameCurrentPreset(const std::string& name) = 0;

  // ---- configuration page, tuning, MIDI learn ---------------------------------------
  virtual bool ConfigPageShown() const = 0;
  virtual std::vector<std::string> TemplateNames() const = 0;
  // The template the tracks match (TemplateNames().size() + 1 for none) and
  // the drop-down's text for it.
  virtual int MatchingTemplate() = 0;
  virtual std::string MatchingTemplateName() = 0;
  virtual void ApplyTemplate(int index) = 0;
  virtual std::string TuningStatusText() const = 0;
  virtual void ArmMidiLearn(bool armed, bool removes) = 0;

  // ---- the editor's pages ------------------------------------------------------------
  virtual void ShowConfigPage(bool on) = 0;
  virtual void ToggleBrowserPage() = 0;
  // The configuration page's knob row shows transposition (TRP), not tuning (TUN).
  virtual bool TransposeView() const = 0;
  virtual void ShowTuneOrTranspose(bool transpose) = 0;

  // ---- command menus, shown at (x, y); what is chosen runs -----------------------------
  virtual void RunOptionMenu(IGraphics& graphics, int x, int y) = 0;
  virtual void RunProgramButtonMenu(IGraphics& graphics, int x, int y) = 0;
  // The file menu of Seq A (0) or Seq B (1).
  virtual void RunSequenceMenu(IGraphics& graphics, int which, int x, int y) = 0;
};
