#pragma once
// The instrument's editor: the panel picture with the four master knobs and
// the status line, on the framework's editor object. Built once, when the
// instrument is constructed (Vornell::CreateEditor), and owned by it.
//
// Threads: construction on the constructing thread; OnIdleTick on the
// user-interface thread under the plug-in lock; everything else through
// IGraphics (see there).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class IGraphics;
class IKnobMultiControl;
class ITextControl;
class IWindowSystem;
class Vornell;

class VornellEditor {
 public:
  // Makes the window system of every editor built afterwards (null: X11).
  // Lets tests run the real instrument's editor headless. Not thread-safe:
  // set it before building instruments.
  using WindowSystemFactory = std::function<std::unique_ptr<IWindowSystem>()>;
  static void SetWindowSystemFactory(WindowSystemFactory factory);

  explicit VornellEditor(Vornell* plug);
  ~VornellEditor();
  VornellEditor(const VornellEditor&) = delete;
  VornellEditor& operator=(const VornellEditor&) = delete;

  IGraphics* Graphics() const { return graphics.get(); }
  IKnobMultiControl* MasterKnob(int i) const;
  ITextControl* StatusLine() const { return statusLine; }

  // Takes the instrument's latest status text and colour into the status
  // line when they changed. User-interface thread, under the plug-in lock.
  void OnIdleTick();

 private:
  Vornell* plug;
  std::unique_ptr<IGraphics> graphics;
  IKnobMultiControl* masterKnobs[4] = {};
  ITextControl* statusLine = nullptr;
  uint32_t statusSerialShown = 0;
};
