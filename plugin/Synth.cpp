#include "plugin/Synth.h"

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
