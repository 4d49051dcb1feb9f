#include "editor/VornellEditor.h"

#include <mutex>

#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/IWindowSystem.h"
#include "plugin/Vornell.h"
#include "programs/ParameterTable.h"
#include "resources/panel/PanelLayout.h"

namespace {

constexpr int kBackgroundId = 101;
constexpr int kKnobStripId = 110;
constexpr const char* kVersionText = "Version 1.0.1.N";

VornellEditor::WindowSystemFactory& Factory() {
  static VornellEditor::WindowSystemFactory factory;
  return factory;
}

Color StatusColour(int colour) {
  switch (colour) {
    case kStatusOrange:
      return Color(255, 255, 160, 32);
    case kStatusGreen:
      return Color(255, 64, 224, 64);
    case kStatusRed:
      return Color(255, 255, 48, 48);
    default:
      return Color(255, 255, 255, 255);
  }
}

TextStyle StatusStyle(int colour) {
  return TextStyle("Arial", 14, StatusColour(colour), TextStyle::kStyleNormal, TextStyle::kAlignNear);
}

}  // namespace

void VornellEditor::SetWindowSystemFactory(WindowSystemFactory factory) {
  Factory() = std::move(factory);
}

VornellEditor::VornellEditor(Vornell* plug) : plug(plug) {
  std::unique_ptr<IWindowSystem> windowSystem = Factory() ? Factory()() : nullptr;
  graphics = std::make_unique<IGraphics>(plug, panel::kPanelWidth, panel::kPanelHeight, 25, std::move(windowSystem));
  graphics->SetBackground(kBackgroundId, "back.png");

  const PanelBitmap knobStrip = graphics->LoadPanelBitmap(kKnobStripId, "knob.png", panel::kKnobFrames);
  // Tune, bend range, wheel to LFO and volume: parameters 0 to 3.
  const int masterParams[4] = {kParamMasterTune, kParamPitchBend, kParamWheelToLfo, kParamMasterVolume};
  for (int i = 0; i < 4; ++i) {
    const panel::Spot spot = panel::MasterKnob(i);
    masterKnobs[i] = new IKnobMultiControl(plug, spot.x, spot.y, masterParams[i], knobStrip);
    graphics->AddControl(masterKnobs[i]);
  }

  const panel::Box box = panel::kStatusLine;
  statusLine =
      new ITextControl(plug, Rect(box.left, box.top, box.right, box.bottom), StatusStyle(kStatusWhite), kVersionText);
  graphics->AddControl(statusLine);
}

VornellEditor::~VornellEditor() = default;

IKnobMultiControl* VornellEditor::MasterKnob(int i) const {
  return (i >= 0 && i < 4) ? masterKnobs[i] : nullptr;
}

void VornellEditor::OnIdleTick() {
  const uint32_t serial = plug->StatusSerial();
  if (serial == statusSerialShown) return;
  statusSerialShown = serial;
  statusLine->SetTextStyle(StatusStyle(plug->StatusColour()));
  statusLine->MarkDirty(false);
  statusLine->SetTextFromPlug(plug->StatusText());
}

// --- the instrument's editor part ---------------------------------------------

void Vornell::CreateEditor() {
  editorPart = std::make_unique<VornellEditor>(this);
  AttachGraphics(editorPart->Graphics());
}

void Vornell::OnIdleTick() {
  if (editorPart) editorPart->OnIdleTick();
}

void Vornell::DestroyEditor() {
  if (!editorPart) return;
  if (GetGraphics() == editorPart->Graphics()) AttachGraphics(nullptr);
  editorPart.reset();
}
