#pragma once
// The panel's text selectors: list parameters and configuration templates as
// drop-downs, the per-track MIDI channel, the program selectors of a track or
// of the edit track, the preset selector and the option button.
// User-interface thread; plug-in calls under PluginLock.
#include <string>

#include "graphics/IControl.h"
#include "graphics/PopupMenu.h"

class PanelModel;

// A list parameter's display text; a click offers the texts (two texts just
// toggle). With id -310 the configuration templates instead.
class IKRDropDown : public IControl {
 public:
  IKRDropDown(PanelModel* model, const Rect& rect, int paramIdx);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  virtual std::string Text() const;

 protected:
  // The bound parameter's plain value.
  double PlainValue() const;
  // Shows plain value v on every control of the parameter and sets it.
  void Choose(double v);

  PanelModel* model;
  PopupMenu menu;
};

// "Track %i MIDI Channel": "1" .. "16", "A" for all, "X" for none.
class IKRChannelControl : public IKRDropDown {
 public:
  IKRChannelControl(PanelModel* model, const Rect& rect, int paramIdx);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  std::string Text() const override;
  // Whether the text is drawn in the "off" colour.
  bool ShowsOff() const;

 private:
  int track;
  TextStyle offStyle;
};

// Program number and name of a track (fixed, or the edit track). A click on a
// fixed track's selector makes it the edit track; the edit track's selector,
// and any selector with the right button, Shift or Ctrl, offers the programs.
class IKRPrgControl : public IControl {
 public:
  // id: the panel id it carries (none for the edit-track row's). nameRight:
  // where the name must end, up to the next control (the name box's right
  // edge when not given).
  IKRPrgControl(PanelModel* model, const Rect& numberRect, const Rect& nameRect, int track, bool nameEditable,
                int id = -1, int nameRight = -1);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  void AcceptEnteredText(const std::string& text) override;
  int Track() const;
  // The style Draw uses now: 0 normal, 1 other (armed or sequence-driven), 2 modified.
  int StyleKind() const;

 private:
  PanelModel* model;
  Rect numberRect;
  Rect nameRect;
  int nameRoom;  // pixels from the name box's left edge
  TextStyle normalStyle;
  TextStyle otherStyle;
  TextStyle modifiedStyle;
  int fixedTrack;  // -1: follows the edit track
  bool nameEditable;
};

// The current preset's number and name; a click on the name renames it, a
// click elsewhere offers the 64 presets.
class IKRPresetMenu : public IControl {
 public:
  IKRPresetMenu(PanelModel* model, const Rect& numberRect, const Rect& nameRect);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  void AcceptEnteredText(const std::string& text) override;
  std::string NumberText() const;
  std::string NameText() const;

 private:
  PanelModel* model;
  Rect numberRect;
  Rect nameRect;
};

// The option button: lit while the pointer is over it.
class IKROptionMenu : public IControl {
 public:
  IKROptionMenu(PanelModel* model, const Rect& rect);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  void OnMouseOver(int x, int y, const MouseMods& mods) override;
  void OnMouseOut() override;
  bool Draw(IGraphics* graphics) override;

 private:
  PanelModel* model;
  bool hovered = false;
};
