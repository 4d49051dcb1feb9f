#pragma once
// The base of every control of the editor. A control has a rectangle, an
// optional bound parameter and a normalised value, draws itself into the
// editor's back buffer and reacts to the mouse and keys.
//
// All operations run on the user-interface thread, except ShowValue and
// ShowAuxValue, which the host's automation may call from the audio thread
// (they only store values and flags).
#include <atomic>
#include <string>
#include <vector>

#include "graphics/EditorRecords.h"

class IEditorDelegate;
class IGraphics;
class ITextControl;

class IControl {
 public:
  // value may be stored by the automation thread while the editor draws.
  struct AuxParam {
    std::atomic<double> value{0.0};
    int paramIndex = -1;

    AuxParam() = default;
    AuxParam(const AuxParam& other) : value(other.value.load()), paramIndex(other.paramIndex) {}
    AuxParam& operator=(const AuxParam& other) {
      value.store(other.value.load());
      paramIndex = other.paramIndex;
      return *this;
    }
  };

  IControl(IEditorDelegate* plug, const Rect& rect, int paramIdx = -1, const BlendMode& blendMode = BlendMode());
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  virtual ~IControl();
  // With the right button: PromptForValue.
  virtual void OnMouseDown(int x, int y, const MouseMods& mods);
  virtual void OnMouseUp(int x, int y, const MouseMods& mods);
  virtual void OnMouseDrag(int x, int y, int dx, int dy, const MouseMods& mods);
  // Restores the value first shown (the parameter's value when the editor
  // was attached).
  virtual void OnMouseDoubleClick(int x, int y, const MouseMods& mods);
  virtual void OnMouseWheel(int x, int y, const MouseMods& mods, int notches);
  // True when the control used the key.
  virtual bool OnKeyDown(int x, int y, int keyCode);
  virtual void OnMouseOver(int x, int y, const MouseMods& mods);
  virtual void OnMouseOut();
  virtual bool Draw(IGraphics* graphics) = 0;
  virtual void ShowValue(double normalisedValue);
  virtual void ApplyUserValue(double normalisedValue);
  virtual void AcceptEnteredText(const std::string& text);
  virtual void SetHidden(bool hide);
  virtual void SetGrayed(bool gray);
  virtual bool HitTest(int x, int y) const;
  // Clamps the value and marks the control for drawing; with push, a bound
  // parameter takes the value (and linked displays follow).
  virtual void MarkDirty(bool push);
  virtual void MarkClean();
  virtual bool NeedsRedraw() const { return dirty; }
  // Unused hook, kept so that every control class has the same set.
  virtual void OnIdleHook() {}
  virtual void ShowAuxValue(int auxIndex, double normalisedValue);

  // Right-click editing of the bound parameter: a menu of its display
  // texts, or a text entry with its value.
  void PromptForValue();

  // The editor the control belongs to (set by IGraphics::AddControl).
  IGraphics* GetGraphics() const { return graphics; }
  void SetGraphics(IGraphics* owner) { graphics = owner; }
  IEditorDelegate* GetPlug() const { return plug; }

  const Rect& GetRect() const { return drawRect; }
  const Rect& GetTargetRect() const { return targetRect; }
  void SetTargetRect(const Rect& r) { targetRect = r; }
  int ParamIdx() const { return paramIndex; }
  // The parameter a press or drag of the control edits, which the host is told
  // is touched for its length; -1 for none. Its own parameter, unless the
  // control edits one chosen elsewhere.
  virtual int GestureParamIdx() const { return paramIndex; }
  double GetValue() const { return value; }
  void SetValue(double v) { value = v; }
  double GetDefaultValue() const { return defaultValue; }
  void SetClamp(double low, double high) {
    clampLow = low;
    clampHigh = high;
  }
  bool IsHidden() const { return hidden; }
  bool IsGrayed() const { return grayed; }
  bool IsDirty() const { return dirty; }
  const BlendMode& GetBlend() const { return blend; }
  const TextStyle& GetTextStyle() const { return textStyle; }
  void SetTextStyle(const TextStyle& style) { textStyle = style; }
  int TextEntryLength() const { return textEntryLength; }
  void SetTextEntryLength(int length) { textEntryLength = length; }
  void SetPromptDisabled(bool off) { promptDisabled = off; }
  bool DoubleClickAsClick() const { return doubleClickAsClick; }
  void SetDoubleClickAsClick(bool on) { doubleClickAsClick = on; }
  bool MouseOverWhenGrayed() const { return mouseOverWhenGrayed; }
  void SetMouseOverWhenGrayed(bool on) { mouseOverWhenGrayed = on; }
  const std::string& Tooltip() const { return tooltip; }
  void SetTooltip(const std::string& text) { tooltip = text; }
  void SetValueDisplayControl(ITextControl* display) { valueDisplay = display; }
  void SetNameDisplayControl(ITextControl* display) { nameDisplay = display; }

  int NAuxParams() const { return static_cast<int>(auxParams.size()); }
  void AddAuxParam(int paramIdx) {
    AuxParam aux;
    aux.paramIndex = paramIdx;
    auxParams.push_back(aux);
  }
  const AuxParam* GetAuxParam(int auxIndex) const;
  // The first auxiliary entry for the parameter, or -1.
  int AuxParamIndexFor(int paramIdx) const;

 protected:
  int textEntryLength = 7;
  TextStyle textStyle;
  IEditorDelegate* plug = nullptr;
  Rect drawRect;
  Rect targetRect;
  int paramIndex = -1;
  std::vector<AuxParam> auxParams;
  // Stored by ShowValue on any thread, read by drawing on the editor's: atomic.
  std::atomic<double> value{0.0};
  std::atomic<double> defaultValue{-1.0};
  double clampLow = 0.0;
  double clampHigh = 1.0;
  std::atomic<bool> dirty{true};
  bool hidden = false;
  bool grayed = false;
  std::atomic<bool> redrawPending{false};
  bool promptDisabled = true;
  bool doubleClickAsClick = false;
  bool mouseOverWhenGrayed = false;
  BlendMode blend;
  ITextControl* valueDisplay = nullptr;
  ITextControl* nameDisplay = nullptr;
  std::string tooltip;
  IGraphics* graphics = nullptr;
};
