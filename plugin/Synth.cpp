#include "plugin/Synth.h"

#include "plugin/IEditorLink.h"
#include "programs/ParameterTable.h"

Synth::Synth() = default;

Synth::~Synth() = default;

void Synth::DefineParameters() { ::DefineParameters(*this); }

bool Synth::EditorOpen() const {
  const IEditorLink* editor = GetEditorLink();
  return editor && editor->IsEditorOpen();
}
