#pragma once
// The framework's standard controls: a bitmap (also the background), a
// film-strip knob, a text label and the switch behaviour the panel's
// switches build on. User-interface thread.
#include <string>

#include "graphics/IControl.h"

// Shows frame int((N - 1) * value + 0.5) + 1 of a film strip.
class IBitmapControl : public IControl {
 public:
  IBitmapControl(IEditorDelegate* plug, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                 const BlendMode& blendMode = BlendMode());
  // The bitmap drawn into a given rectangle (used for the background).
  IBitmapControl(IEditorDelegate* plug, const Rect& rect, int paramIdx, const PanelBitmap& bitmap,
                 const BlendMode& blendMode = BlendMode());
  bool Draw(IGraphics* graphics) override;
  const PanelBitmap& GetBitmap() const { return panelBitmap; }
  // The 1-based frame the value selects.
  int FrameForValue() const;

 protected:
  PanelBitmap panelBitmap;
};

// A knob dragged vertically (or horizontally); the wheel nudges it.
class IKnobMultiControl : public IControl {
 public:
  enum Direction { kVertical = 0, kHorizontal = 1 };

  IKnobMultiControl(IEditorDelegate* plug, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                    Direction dir = kVertical, double gearingFactor = 4.0);
  void OnMouseDrag(int x, int y, int dx, int dy, const MouseMods& mods) override;
  void OnMouseWheel(int x, int y, const MouseMods& mods, int notches) override;
  bool Draw(IGraphics* graphics) override;
  double Gearing() const { return gearing; }
  const PanelBitmap& GetBitmap() const { return panelBitmap; }

 protected:
  PanelBitmap panelBitmap;
  Direction direction = kVertical;
  double gearing = 4.0;
};

// A line of text, drawn within its rectangle.
class ITextControl : public IControl {
 public:
  ITextControl(IEditorDelegate* plug, const Rect& rect, const TextStyle& style, const std::string& initialText = "");
  bool Draw(IGraphics* graphics) override;
  // From the plug-in side: an equal text changes nothing.
  void SetTextFromPlug(const std::string& newText);
  const std::string& GetText() const { return text; }

 protected:
  std::string text;
};

// Switch behaviour: each press steps the value by 1/(N - 1) and wraps to 0
// past the top; a double-click counts as one more press.
class ISwitchControl : public IBitmapControl {
 public:
  ISwitchControl(IEditorDelegate* plug, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                 const BlendMode& blendMode = BlendMode());
  void OnMouseDown(int x, int y, const MouseMods& mods) override;

 protected:
  // The step of one press, without marking anything.
  void StepValue();
};
