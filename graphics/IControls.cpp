#include "graphics/IControls.h"

#include <algorithm>

#include "graphics/IGraphics.h"

namespace {

Rect FrameRect(int x, int y, const PanelBitmap& bitmap) {
  return Rect(x, y, x + bitmap.FrameWidth(), y + bitmap.FrameHeight());
}

}  // namespace

IBitmapControl::IBitmapControl(IEditorDelegate* plug, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                               const BlendMode& blendMode)
    : IControl(plug, FrameRect(x, y, bitmap), paramIdx, blendMode), panelBitmap(bitmap) {}

IBitmapControl::IBitmapControl(IEditorDelegate* plug, const Rect& rect, int paramIdx, const PanelBitmap& bitmap,
                               const BlendMode& blendMode)
    : IControl(plug, rect, paramIdx, blendMode), panelBitmap(bitmap) {}

int IBitmapControl::FrameForValue() const {
  const int n = panelBitmap.N;
  if (n < 2) return 1;
  const int frame = static_cast<int>((n - 1) * value + 0.5) + 1;
  return std::clamp(frame, 1, n);
}

bool IBitmapControl::Draw(IGraphics* g) {
  return g->BlitFrame(panelBitmap, drawRect, FrameForValue(), &blend);
}

IKnobMultiControl::IKnobMultiControl(IEditorDelegate* plug, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                                     Direction dir, double gearingFactor)
    : IControl(plug, FrameRect(x, y, bitmap), paramIdx), panelBitmap(bitmap), direction(dir), gearing(gearingFactor) {}

void IKnobMultiControl::OnMouseDrag(int, int, int dx, int dy, const MouseMods& mods) {
  double g = gearing;
  if (mods.S || mods.C) g *= 10.0;
  // Screen y grows downwards: (top - bottom) is negative, so dragging up raises.
  if (direction == kVertical) {
    if (drawRect.H() != 0) value += static_cast<double>(dy) / static_cast<double>(drawRect.top - drawRect.bottom) / g;
  } else {
    if (drawRect.W() != 0) value += static_cast<double>(dx) / static_cast<double>(drawRect.right - drawRect.left) / g;
  }
  MarkDirty(true);
}

void IKnobMultiControl::OnMouseWheel(int, int, const MouseMods& mods, int notches) {
  value += notches * ((mods.S || mods.C) ? 0.001 : 0.01);
  MarkDirty(true);
}

bool IKnobMultiControl::Draw(IGraphics* g) {
  const int n = panelBitmap.N;
  const int frame = std::min(n, static_cast<int>((n - 1) * value + 0.5) + 1);
  return g->BlitFrame(panelBitmap, drawRect, std::max(frame, 1), &blend);
}

ITextControl::ITextControl(IEditorDelegate* plug, const Rect& rect, const TextStyle& style,
                           const std::string& initialText)
    : IControl(plug, rect), text(initialText) {
  textStyle = style;
}

bool ITextControl::Draw(IGraphics* g) {
  if (text.empty()) return true;
  // Clipped: a redraw of the control's own rectangle then erases all it drew.
  return g->DrawClippedLabel(&textStyle, text, drawRect, &blend);
}

void ITextControl::SetTextFromPlug(const std::string& newText) {
  if (newText == text) return;
  MarkDirty(false);
  text = newText;
}

ISwitchControl::ISwitchControl(IEditorDelegate* plug, int x, int y, int paramIdx, const PanelBitmap& bitmap,
                               const BlendMode& blendMode)
    : IBitmapControl(plug, x, y, paramIdx, bitmap, blendMode) {
  doubleClickAsClick = true;
}

void ISwitchControl::StepValue() {
  const int n = panelBitmap.N;
  value += n < 2 ? 1.0 : 1.0 / static_cast<double>(n - 1);
  if (value > 1.001) value = 0.0;
}

void ISwitchControl::OnMouseDown(int, int, const MouseMods&) {
  StepValue();
  MarkDirty(true);
}
