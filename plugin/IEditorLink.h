#pragma once
// What the plug-in base and the host adapter need of the editor object. The
// graphics framework's editor implements it; the plug-in keeps a pointer to the
// attached editor and never owns it.
class IEditorLink {
 public:
  virtual ~IEditorLink() = default;

  // Shows a parameter's value on every control bound to it and on every control
  // that shows it as one of several values. value is 0..1 when normalized,
  // else a plain value that the editor normalises through the parameter.
  // Any thread (the host may automate from its audio thread): only stores
  // values and dirty flags.
  virtual void ShowParamValue(int index, double value, bool normalized) = 0;
  // ShowParamValue for parameters 0..count-1 with these 0..1 values, as one
  // pass where the editor can. Any thread.
  virtual void ShowAllParamValues(const double* values, int count) {
    for (int i = 0; i < count; ++i) ShowParamValue(i, values[i], true);
  }
  // Creates the drawing surfaces at the editor's size. User-interface thread.
  virtual void PrepareDrawing() = 0;
  // The window's size in pixels (at the editor's zoom); any thread.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Opens the editor window inside the host's parent window; false on failure.
  // User-interface thread, without the plug-in lock (as EditorIdle).
  virtual bool OpenEditorWindow(void* parent) = 0;
  virtual void CloseEditorWindow() = 0;
  virtual bool IsEditorOpen() const = 0;
  // The host's idle call for the editor (window events, timer tick, then the
  // plug-in's OnIdleTick under the plug-in lock). True when the editor ran
  // it; false leaves OnIdleTick to the caller. User-interface thread, called
  // WITHOUT the plug-in lock: modal waits inside must not stop the audio.
  virtual bool EditorIdle() { return false; }
};
