#pragma once
// The instrument's editor: the front panel (multi-track controller, CONTROL
// section, keypad, master knobs), the configuration page, the edit-track row,
// the voice section of all six tracks (only the edit track's shown), the
// program browser page, the top bar and the status line, on the framework's
// editor object. Built once, when the instrument is constructed
// (Vornell::CreateEditor), and owned by it.
//
// Page visibility, the edit track and the selectors' gray states live in the
// plug-in's flags; the idle tick applies them, so they survive the window
// being closed and opened again.
//
// Threads: construction on the constructing thread; OnIdleTick on the
// user-interface thread under the plug-in lock; everything else through
// IGraphics (see there).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class IControl;
class IGraphics;
class IKnobMultiControl;
class IKRSwitchMidiLearn;
class IKRUtilityKick;
class ITextControl;
class IWindowSystem;
class ProgramBrowser;
class Vornell;
struct PanelBitmap;

class VornellEditor {
 public:
  // Makes the window system of every editor built afterwards (null: X11).
  // Lets tests run the real instrument's editor headless. Not thread-safe:
  // set it before building instruments.
  using WindowSystemFactory = std::function<std::unique_ptr<IWindowSystem>()>;
  static void SetWindowSystemFactory(WindowSystemFactory factory);

  explicit VornellEditor(Vornell* plug);
  ~VornellEditor();
  VornellEditor(const VornellEditor&) = delete;
  VornellEditor& operator=(const VornellEditor&) = delete;

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

  // Hides or shows the configuration page's controls by the plug-in's flags,
  // and the voice controls of every track but t. Window open or not.
  void ApplyConfigPageVisibility();
  void ApplyEditTrackVisibility(int t);

  // Status line, learn switch, blinking record indicators and, when the panel
  // is dirty, pages, edit track and gray states. User-interface thread, under
  // the plug-in lock.
  void OnIdleTick();

 private:
  // Adds the control to the editor and files it under key (none for key < 0).
  template <typename C>
  C* Add(C* control, int key);
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
  std::unique_ptr<IGraphics> graphics;
  IKnobMultiControl* masterKnobs[4] = {};
  ITextControl* statusLine = nullptr;
  ITextControl* browserStatusLine = nullptr;  // the browser page's, kept in step
  IKRSwitchMidiLearn* learnButton = nullptr;
  uint32_t statusSerialShown = 0;
  std::unique_ptr<ProgramBrowser> browser;
};
