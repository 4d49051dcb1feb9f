#pragma once
// The instrument's own panel controls: knobs, switches, the momentary panel
// buttons, LEDs, the digit displays, the MIDI learn switch and the TUN/TRP
// toggle. Controls standing for a front-panel element carry its negative id
// and ask the panel logic (FrontPanel, through the PanelModel) what to show
// and tell it what was pressed.
//
// Threads: everything runs on the user-interface thread. Plug-in calls are
// made under the plug-in lock (PluginLock), so a message box opened on the
// way gives the lock back while it waits.
#include <string>

#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "plugin/PluginLock.h"

class PanelModel;

// Panel text styles (Arial 14 unless noted).
TextStyle PanelTextStyle(const Color& color, TextStyle::Align align = TextStyle::kAlignNear, int size = 14);
// The longest start of text, in whole characters, that the style writes
// within width pixels: labels are drawn unclipped, and a long name must not
// run over the controls beside its box.
std::string FittedText(TextStyle* style, const std::string& text, int width);
inline const Color kDisplayWhite(192, 255, 255, 255);

// A film-strip knob. TRACK VOLUME (-347) and VALUE (-348) report turns to the
// panel logic, and VALUE stands where the panel logic puts it. Parameter
// knobs may show their value on a dark disc while the pointer is over them.
class IKRKnobControl : public IKnobMultiControl {
 public:
  IKRKnobControl(PanelModel* model, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                 bool showValueOnHover = false);
  void OnMouseDrag(int x, int y, int dx, int dy, const MouseMods& mods) override;
  void OnMouseOver(int x, int y, const MouseMods& mods) override;
  void OnMouseOut() override;
  bool Draw(IGraphics* graphics) override;
  // TRACK VOLUME and VALUE: the parameter the panel turns them to now.
  int GestureParamIdx() const override;
  bool Hovered() const { return hovered; }
  bool ShowsValueOnHover() const { return showValueOnHover; }
  // The frame Draw blits for value v (1-based).
  int FrameFor(double v) const;

 private:
  PanelModel* model;
  bool hovered = false;
  bool showValueOnHover;
  Rect valueTextRect;
  TextStyle valueStyle;
};

// A switch drawn from a film strip. The configuration page's cycle switches
// (-319 .. -324) show and set their track's cycle flag; the page switches
// (-337 configuration, -340 browser) turn their page on and off.
class IKRSwitchControl : public ISwitchControl {
 public:
  IKRSwitchControl(PanelModel* model, int x, int y, int paramIdx, const PanelBitmap& bitmap);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;

 private:
  // The track of a cycle switch, or -1.
  int CycleTrack() const;
  PanelModel* model;
};

// A momentary panel button with an up and a down frame. A right-click on the
// TRACK buttons, RECORD, CLICK and CONTROL RECORD latches it down: its release
// is not reported until it is clicked again.
class IKRUtilityKick : public IBitmapControl {
 public:
  IKRUtilityKick(PanelModel* model, int x, int y, int id, const PanelBitmap& bitmap);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  void OnMouseUp(int x, int y, const MouseMods& mods) override;
  // A voice-section button: the edit track's parameter it sets.
  int GestureParamIdx() const override;
  bool Draw(IGraphics* graphics) override;
  bool Latched() const { return latched; }
  bool Pressed() const { return pressed != 0; }
  // Draws the button released and forgets the latch, without telling the
  // panel logic (its held flags stay as they are).
  void ReleaseLatch();

 private:
  bool CanLatch() const;
  void Press(bool modifier);
  // Right-click menus of PROGRAM and SEQ A / SEQ B.
  void ShowProgramButtonMenu(int x, int y);
  void ShowSequenceMenu(int which, int x, int y);

  PanelModel* model;
  Rect highlightRect;
  int pressed = 0;
  bool latched = false;
};

// A two-frame LED lit when the panel logic says so.
class IKRLED : public IBitmapControl {
 public:
  IKRLED(PanelModel* model, int x, int y, int id, const PanelBitmap& bitmap);
  bool Draw(IGraphics* graphics) override;
  // Redraws the LED when what it shows changed since it was drawn (a key
  // held or let go, a blink): such changes mark nothing dirty themselves.
  // The editor's idle tick.
  void FollowState();

 private:
  bool Lit();

  PanelModel* model;
  bool drawnLit = false;
};

// The CONTROL number display (-346, two digits) and the EDIT TRACK display
// (-341, one digit; a click offers the tracks 1 to 6).
class IKRNumberDisplay : public IControl {
 public:
  IKRNumberDisplay(PanelModel* model, const Rect& rect, int id, const PanelBitmap& digits);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  // The 1-based frames of the two digits; 0 for a digit not drawn.
  void DigitFrames(int* left, int* right) const;

 private:
  PanelModel* model;
  PanelBitmap digitsBitmap;
  Rect leftDigit;
  Rect rightDigit;
  PopupMenu trackMenu;
};

// The MIDI learn button: a left click arms or disarms learning; a right
// click while it is off switches between learning and unlearning.
class IKRSwitchMidiLearn : public IControl {
 public:
  IKRSwitchMidiLearn(PanelModel* model, int x, int y, const PanelBitmap& learn, const PanelBitmap& unlearn);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  bool LearnMode() const { return learnMode; }

 private:
  PanelModel* model;
  PanelBitmap learnBitmap;
  PanelBitmap unlearnBitmap;
  bool learnMode = true;
};

// "TUN" / "TRP": which of the two per-track knobs the configuration page shows.
class IKRTextToggle : public IControl {
 public:
  IKRTextToggle(PanelModel* model, const Rect& rect, int id);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  std::string Text() const;

 private:
  PanelModel* model;
};
