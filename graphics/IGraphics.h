#pragma once
// The editor object: the control list, the back buffer, redraw of dirty
// regions at 25 frames per second, mouse and key dispatch, popup menus,
// text entry, file and message dialogs. The window itself lives behind
// IWindowSystem (X11 for hosts, headless for tests).
//
// Threads: everything runs on the host's user-interface thread except
// ShowParamValue (also the audio thread during automation; it only stores
// values and flags). OpenEditorWindow, CloseEditorWindow, EditorIdle and
// the services below that use the window may come from different host
// threads; they exclude each other (the window's connection is used by one
// thread at a time), and an idle call that finds the editor busy returns.
//
// The plug-in lock: EditorIdle, event handling, drawing and all modal waits
// run without it; controls take it (through SetParamFromEditor) for the
// changes they make, and EditorIdle holds it only around OnIdleTick. The
// host adapter must therefore call OpenEditorWindow, CloseEditorWindow and
// EditorIdle without holding the plug-in lock itself.
//
// Zoom: the layout, the controls and every coordinate they see are in
// drawing units (Width() × Height(), 1024 × 512 for the panel) at every
// size. The zoom is applied here alone: the back buffer holds zoom / 100
// pixels per unit, the window is that much larger, mouse positions from the
// window system are divided by it, and menus and tooltips are placed and
// drawn at it.
//
// The host adapter's part: effEditGetRect answers WindowWidth() × WindowHeight();
// effEditOpen calls OpenEditorWindow(the parent's XID); effEditIdle (and
// effIdle) call EditorIdle(), which also runs the plug-in's OnIdleTick;
// effEditClose calls CloseEditorWindow().
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "graphics/EditorRecords.h"
#include "graphics/IWindowSystem.h"

class IControl;
class IEditorDelegate;
class LICE_IBitmap;
class LICE_MemBitmap;
class LICE_SysBitmap;
class PopupMenu;
class TextEntryField;

class IGraphics {
 public:
  // Folder: a folder chooser; the result is the folder itself.
  enum class FileMode { Open, Save, Folder };

  // windowSystem null: the X11 window system.
  IGraphics(IEditorDelegate* plug, int width = 1024, int height = 512, int fps = 25,
            std::unique_ptr<IWindowSystem> windowSystem = nullptr);
  virtual ~IGraphics();
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  IEditorDelegate* GetPlug() const { return plug; }
  // In drawing units.
  int Width() const { return width; }
  int Height() const { return height; }
  int FPS() const { return fps; }
  // Changes the size before the back buffer exists.
  void Resize(int w, int h);

  // --- zoom (user-interface thread; the Window sizes from any thread) ---
  // The zoom the back buffer is drawn at, in percent.
  int Zoom() const { return zoom.load(); }
  // The zoom the window has or will have when it next opens.
  int ChosenZoom() const;
  // The window's size in pixels: the open window's, else the size it will
  // open at; while the host is asked to resize, the size asked for.
  int WindowWidth() const;
  int WindowHeight() const;
  enum class ZoomResult { Applied, Deferred };
  // Sets the zoom (rounded to an offered size). With the window closed it
  // applies at the next open. With it open the host is asked to resize its
  // window; when it agrees the window is resized and redrawn at once,
  // otherwise the zoom waits for the next open (Deferred).
  ZoomResult SetZoom(int percent);

  // --- composition (while the plug-in builds its editor) ---
  // The list owns the control; returns its index.
  int AddControl(IControl* control);
  int NControls() const { return static_cast<int>(controls.size()); }
  IControl* GetControl(int index) const;
  // A one-frame bitmap control covering the bitmap, at index 0.
  void SetBackground(int id, const char* name);
  PanelBitmap LoadPanelBitmap(int id, const char* name, int frames = 1, bool framesAreHorizontal = false);
  // Receives the keys nobody else takes (owned by the list when added there).
  void SetKeyCatcher(IControl* control) { keyCatcher = control; }
  // Names the window (title and class) when it opens.
  void SetWindowName(const std::string& name);
  void HandleMouseOver(bool on) { handleMouseOver = on; }
  void EnableTooltips(bool on) { tooltips = on; }
  bool TooltipsEnabled() const { return tooltips; }
  void SetStrictDrawing(bool on) { strictDrawing = on; }
  // Creates the back buffer and the scratch bitmap (done by AttachEditor).
  bool PrepDraw();
  LICE_SysBitmap* BackBuffer() const { return backBuffer.get(); }

  // --- values ---
  void ShowParamValue(int paramIdx, double value, bool normalised);
  // ShowParamValue (normalised) for parameters 0..count-1 in one pass over the
  // controls: each control gets the same calls, and a control's calls touch
  // only that control.
  void ShowAllParamValues(const double* values, int count);
  void SetAllControlsDirty();

  // --- drawing, for the controls' Draw ---
  bool BlitFrame(const PanelBitmap& bitmap, const Rect& rect, int frame, const BlendMode* blend);
  bool FillRect(const Color& color, const Rect& rect, const BlendMode* blend = nullptr);
  bool FillCircle(const Color& color, int cx, int cy, float radius, const BlendMode* blend = nullptr);
  // Text aligned by the style within rect's width, at its top, not clipped
  // to rect. A blend's weight fades the colour (a grayed control's text).
  bool DrawLabel(TextStyle* style, const std::string& text, const Rect& rect, const BlendMode* blend = nullptr);
  // The same, clipped to rect: nothing is drawn outside it.
  bool DrawClippedLabel(TextStyle* style, const std::string& text, const Rect& rect, const BlendMode* blend = nullptr);
  // The rectangle being drawn (drawing is clipped to it).
  const Rect& DrawnRect() const { return drawnRect; }

  // --- services ---
  // The (sub)menu holding the chosen item with its chosen index set, or
  // null when nothing was chosen. Shown at the bottom-left corner of rect.
  PopupMenu* ShowPopupMenu(PopupMenu* menu, const Rect& rect);
  // paramIdx -1: the text goes to the control's AcceptEnteredText.
  void OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect, const std::string& text,
                     int paramIdx = -1);
  bool TextEntryOpen() const { return textEntry != nullptr; }
  // extensions: space separated ("fxb fxp syx"). On a choice `result` is the
  // full path and `folder` the chosen file's folder (ending in "/"); on
  // cancel, or without an open window, `result` is empty. title says what is
  // asked ("Load Bank"); empty: "Open", "Save As" or "Choose Folder".
  void ChooseFile(std::string& result, FileMode mode, std::string& folder, const std::string& extensions,
                  const std::string& title = "");
  // When no browser could be started the address also goes to the plug-in
  // as a notice (IEditorDelegate::ShowEditorNotice), so that the user can
  // copy it by hand.
  bool OpenWebPage(const std::string& url, const std::string& caption, const std::string& confirmation,
                   const std::string& failure);
  // Hands a notice from the window system to the plug-in.
  void ShowNotice(const std::string& text);
  // type: MessageBoxType flags; returns a MessageBoxAnswer.
  int ShowMessage(const std::string& text, const std::string& caption, int type);
  void HideMouseCursor(bool hide);

  // --- window lifecycle (host threads, without the plug-in lock) ---
  bool IsEditorOpen() const;
  // parent: the host's window (an X11 window id).
  bool OpenEditorWindow(uintptr_t parent);
  void CloseEditorWindow();
  // The host's idle call: handles window events, runs the timer tick when
  // its period has passed on the monotonic clock, then OnIdleTick under the
  // plug-in lock. While the editor is busy on another thread, or in a modal
  // loop on this one, the call does nothing at all.
  void EditorIdle();

  // --- events from the window system (user-interface thread) ---
  // Positions are window pixels; they reach the controls in drawing units.
  void OnMouseDown(int x, int y, const MouseMods& mods);
  void OnMouseUp(int x, int y, const MouseMods& mods);
  // A move with a button held drags; otherwise it is mouse-over.
  void OnMouseMove(int x, int y, const MouseMods& mods);
  void OnMouseDoubleClick(int x, int y, const MouseMods& mods);
  void OnMouseWheel(int x, int y, const MouseMods& mods, int notches);
  void OnMouseHover();
  void OnMouseLeave();
  // False: the key is not the editor's (the window system hands it on).
  bool OnKeyDown(const KeyEvent& key);
  // The window lost the keyboard focus (not through a grab).
  void OnFocusLost();
  // One timer period has passed.
  void OnTimerTick();
  // Renders the controls in r into the back buffer (not to the window).
  void Redraw(const Rect& r);
  // Union of the dirty controls' rectangles (and pending invalid areas).
  Rect CollectDirtyRect() const;

  // The plug-in lock as the framework takes it (the releasable hold): a menu,
  // message box or file dialog opened while it is held gives it back for as
  // long as it waits. Pairs; user-interface thread.
  void LockPlug();
  void UnlockPlug();

  // Set while the host is closing the window; modal loops end early.
  bool CloseRequested() const { return closeRequested.load(); }

  // Inspection, for the window systems and tests.
  int MouseCapture() const { return mouseCapture; }
  int MouseOverIndex() const { return mouseOver; }
  int QuietTicks() const { return quietTicks; }
  Rect TextEntryRect() const { return entryRect; }
  const TextEntryField* GetTextEntry() const { return textEntry.get(); }
  IWindowSystem* WindowSystem() const { return windowSystem.get(); }

 private:
  enum class EntryState { Idle, JustOpened, Commit, Cancel };

  int GetMouseControl(int x, int y, bool mouseOverTest) const;
  void FinishTextEntry();
  void DestroyTextEntry();
  void DrawTextEntry();
  void RedrawAndUpdate(const Rect& r);
  // Window pixels to drawing units, and the pixels a rectangle touches.
  int ToUnits(int pixels) const;
  Rect ToPixels(const Rect& r) const;
  // The drawing units every pixel of ToPixels(r) lies in (r itself at a
  // whole-number zoom).
  Rect PixelCoverInUnits(const Rect& r) const;
  void ApplyZoom(int percent);
  void EndGesture();
  // Runs f (a modal wait) with this thread's holds of the plug-in lock given back.
  template <typename F>
  auto WithoutPluginLock(F f) -> decltype(f());

  IEditorDelegate* plug;
  std::vector<IControl*> controls;
  Rect drawnRect;
  int width;
  int height;
  int fps;
  int mouseCapture = -1;
  int mouseX = 0, mouseY = 0;
  int mouseOver = -1;
  bool handleMouseOver = false;
  bool strictDrawing = true;
  bool tooltips = false;
  int quietTicks = 0;
  std::unique_ptr<LICE_SysBitmap> backBuffer;
  std::unique_ptr<LICE_MemBitmap> scratch;
  IControl* keyCatcher = nullptr;

  std::unique_ptr<IWindowSystem> windowSystem;
  uint64_t lastTickMs = 0;
  Rect pendingInvalid;
  // The parameter whose host gesture a mouse-down began (-1 none).
  int gestureParam = -1;

  std::unique_ptr<TextEntryField> textEntry;
  IControl* entryControl = nullptr;
  int entryParam = -1;
  Rect entryRect;
  TextStyle entryStyle;
  EntryState entryState = EntryState::Idle;
  bool entryDirty = false;

  std::recursive_mutex windowLock;
  std::atomic<bool> closeRequested{false};
  bool inEditorWork = false;
  bool closeDeferred = false;
  std::atomic<int> zoom{100};
  // A zoom chosen but not yet applied (0 none); asking: the host is being
  // asked to resize for it.
  std::atomic<int> pendingZoom{0};
  std::atomic<bool> askingHost{false};
};
