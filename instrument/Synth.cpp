#include "instrument/Synth.h"

#include "engine/SemitoneFrequencyTable.h"
#include "graphics/IGraphics.h"
#include "plugin/IEditorLink.h"
#include "programs/ParameterTable.h"

// config, a member, has read the INI file before this body runs. The tuning
// client inverts the voices' own pitch scale, so a master's frequency is
// played as exactly as the scale allows.
Synth::Synth(VstHostCallback hostCallback) : IPlugAdapter(hostCallback) {
  tuningClient = std::make_unique<TuningClient>(PitchToFrequency);
}

Synth::~Synth() = default;

void Synth::DefineParameters() {
  ::DefineParameters(*this);
}

bool Synth::EditorOpen() const {
  const IEditorLink* editor = GetEditorLink();
  return editor && editor->IsEditorOpen();
}

int Synth::ShowMessage(const std::string& text, const std::string& caption, int type) {
  // A box needs the editor's window system, also while its window is closed.
  RequireEditor();
  IGraphics* graphics = GetGraphics();
  return graphics ? graphics->ShowMessage(text, caption, type) : 0;
}
