#pragma once
// The instrument's editor: the front panel (multi-track controller, CONTROL
// section, keypad, master knobs), the configuration page, the edit-track row,
// the voice section of all six tracks (only the edit track's shown), the
// program browser page, the top bar and the status line, on the framework's
// editor object. Built once, when the instrument first needs it (the host asks
// for the window or its size, or a message box is shown), through the factory
// InstallVornellEditor installs, and owned by the instrument (as its
// EditorPart).
//
// The editor keeps its own state: the controls filed by key, the page shown
// ("Show Configuration At Startup" and the configuration switch share the
// configuration's flag), the TUN/TRP view and the pending full refresh. The
// idle tick applies them, so they survive the window being closed and opened
// again.
//
// Threads: construction on the user-interface thread (or the host thread whose
// call needs the editor), without the plug-in lock but for what it reads of
// the instrument and its attaching; OnIdleTick on the
// user-interface thread under the plug-in lock; everything else through
// IGraphics (see there).
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/ControlKey.h"
#include "instrument/EditorPart.h"

class IControl;
class IGraphics;
class IKnobMultiControl;
class IKRLED;
class IKRSwitchMidiLearn;
class IKRUtilityKick;
class ITextControl;
class IWindowSystem;
class ProgramBrowser;
class Vornell;
class VornellPanelModel;
struct PanelBitmap;

// Installs the factory that gives every instrument built afterwards this
// editor. Module entries and tests call it before building instruments.
void InstallVornellEditor();

class VornellEditor final : public EditorPart {
 public:
  // Makes the window system of every editor built afterwards (null: X11).
  // Lets tests run the real instrument's editor headless. Not thread-safe:
  // set it before building instruments.
  using WindowSystemFactory = std::function<std::unique_ptr<IWindowSystem>()>;
  static void SetWindowSystemFactory(WindowSystemFactory factory);

  // Builds the controls and attaches the graphics to the instrument.
  explicit VornellEditor(Vornell* plug);
  // Detaches the graphics (unless a test attached others) first.
  ~VornellEditor() override;
  VornellEditor(const VornellEditor&) = delete;
  VornellEditor& operator=(const VornellEditor&) = delete;

  // The instrument's editor (built now if it was not yet), or null when the
  // instrument was built without one.
  static VornellEditor* Of(Vornell& plug);

  IGraphics* Graphics() const { return graphics.get(); }
  IKnobMultiControl* MasterKnob(int i) const;
  ITextControl* StatusLine() const { return statusLine; }
  IKRSwitchMidiLearn* LearnButton() const { return learnButton; }

  // The panel button with that id (TRACK, RECORD, CLICK, CONTROL RECORD, ...),
  // or null.
  IKRUtilityKick* Kick(int id) const;
  // Draws TRACK 1..6, RECORD, CLICK and CONTROL RECORD released and forgets
  // their latches (the panel logic's held flags are not touched).
  void ReleaseLatchedKicks();

  // The program browser page (the page switch -340 turns it on and off).
  ProgramBrowser* Browser() const { return browser.get(); }
  void ShowBrowserPage(bool on);
  bool BrowserPageShown() const;

  // The keyed control registry. A control is filed once; an unknown key gives
  // null. Registrations counts every filing, for the test that no key is
  // filed twice. User-interface thread.
  IControl* ControlByKey(ControlKey key) const;
  const std::map<ControlKey, IControl*>& KeyedControls() const { return keyedControls; }
  int KeyRegistrations() const { return keyRegistrations; }

  // Page switching and the edit track's voice controls; nothing happens
  // while the window is closed (the next idle tick applies the flags).
  // User-interface thread.
  void ShowConfigPage(bool on);
  // The configuration page's per-track knob row shows transposition (TRP)
  // rather than tuning (TUN).
  void ShowTuneOrTranspose(bool transpose);
  bool TransposeView() const { return transposeView; }
  void RefreshEditTrackControls(int t);
  // Grays the configuration page's program selectors that "Link Programs"
  // ties to a selector visited earlier. Takes the plug-in lock.
  void UpdateProgramSelectorGrayState();
  // The next idle tick refreshes every control. Any thread.
  void RequestFullRefresh() { fullRefresh = true; }

  // Hides or shows the configuration page's controls by the flags, and the
  // voice controls of every track but t. Window open or not.
  void ApplyConfigPageVisibility();
  void ApplyEditTrackVisibility(int t);

  // EditorPart. OnIdleTick: status line, learn switch, blinking record
  // indicators and, when the panel is dirty, pages, edit track and gray
  // states.
  void OnIdleTick() override;
  void OnEditorOpened() override;
  void EditTrackSoundChanged() override;
  int BrowserButton(int id) override;
  bool BrowserShowsFile() const override;

 private:
  // Adds the control to the editor and files it under key.
  template <typename C>
  C* Add(C* control, ControlKey key);
  void AddKeyedControl(ControlKey key, IControl* control);
  PanelBitmap Bitmap(int id, int frames = 1);

  void BuildStatusLine();
  void BuildMultiTrackController();
  void BuildControlSection();
  void BuildKeypad();
  void BuildMasterKnobs();
  void BuildConfigPage();
  void BuildEditTrackRow();
  void BuildVoiceSection();
  void BuildTopBar();
  void UpdateBlinking();
  void UpdateStatusLine();

  Vornell* plug;
  // What the controls see of the instrument; outlives them (they go with graphics).
  std::unique_ptr<VornellPanelModel> model;
  std::unique_ptr<IGraphics> graphics;
  IKnobMultiControl* masterKnobs[4] = {};
  ITextControl* statusLine = nullptr;
  ITextControl* browserStatusLine = nullptr;  // the browser page's, kept in step
  IKRSwitchMidiLearn* learnButton = nullptr;
  // Every LED of the panel and the browser page, for the idle tick.
  std::vector<IKRLED*> leds;
  uint32_t statusSerialShown = 0;
  std::unique_ptr<ProgramBrowser> browser;
  std::map<ControlKey, IControl*> keyedControls;
  int keyRegistrations = 0;
  bool transposeView = false;
  std::atomic<bool> fullRefresh{false};
};
