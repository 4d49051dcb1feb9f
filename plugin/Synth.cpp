#include "plugin/Synth.h"

#include "graphics/IGraphics.h"
#include "plugin/IEditorLink.h"
#include "programs/ParameterTable.h"

Synth::Synth(VstHostCallback hostCallback) {
  (void)hostCallback;
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
  IGraphics* graphics = GetGraphics();
  return graphics ? graphics->ShowMessage(text, caption, type) : 0;
}
