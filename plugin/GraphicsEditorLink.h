#pragma once
// Connects the framework's editor object (IGraphics) to the plug-in base and
// the host adapter, which know editors only as IEditorLink.
#include <cstdint>

#include "plugin/IEditorLink.h"

class IGraphics;

class GraphicsEditorLink : public IEditorLink {
 public:
  explicit GraphicsEditorLink(IGraphics* graphics = nullptr) : graphics(graphics) {}

  void SetGraphics(IGraphics* editor) { graphics = editor; }
  IGraphics* Graphics() const { return graphics; }

  void ShowParamValue(int index, double value, bool normalized) override;
  void ShowAllParamValues(const double* values, int count) override;
  void PrepareDrawing() override;
  int Width() const override;
  int Height() const override;
  // parent: the host's window (an X11 window id).
  bool OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  bool IsEditorOpen() const override;
  bool EditorIdle() override;

 private:
  IGraphics* graphics;
};
