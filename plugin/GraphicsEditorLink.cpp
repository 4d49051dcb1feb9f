#include "plugin/GraphicsEditorLink.h"

#include "graphics/IGraphics.h"

void GraphicsEditorLink::ShowParamValue(int index, double value, bool normalized) {
  if (graphics) graphics->ShowParamValue(index, value, normalized);
}

void GraphicsEditorLink::ShowAllParamValues(const double* values, int count) {
  if (graphics) graphics->ShowAllParamValues(values, count);
}

void GraphicsEditorLink::PrepareDrawing() {
  // Nothing yet: the editor makes its back buffer when its window first opens
  // (OpenEditorWindow), so an instance whose editor never opens does not pay
  // for a panel-sized bitmap.
}

int GraphicsEditorLink::Width() const {
  return graphics ? graphics->WindowWidth() : 0;
}

int GraphicsEditorLink::Height() const {
  return graphics ? graphics->WindowHeight() : 0;
}

bool GraphicsEditorLink::OpenEditorWindow(void* parent) {
  return graphics && graphics->OpenEditorWindow(reinterpret_cast<uintptr_t>(parent));
}

void GraphicsEditorLink::CloseEditorWindow() {
  if (graphics) graphics->CloseEditorWindow();
}

bool GraphicsEditorLink::IsEditorOpen() const {
  return graphics && graphics->IsEditorOpen();
}

bool GraphicsEditorLink::EditorIdle() {
  if (!graphics) return false;
  graphics->EditorIdle();
  return true;
}
