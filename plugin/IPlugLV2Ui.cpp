// The LV2 editor: the plug-in's own editor window, opened inside the host's
// parent window. It reaches the plug-in object through instance access (the
// host runs it in the plug-in's process), so it shows and edits exactly what
// the VST2 editor does. All calls come on the host's user-interface thread,
// without the plug-in lock, as the VST2 editor opcodes do.
#include <cstring>
#include <mutex>

#include "lv2/core/lv2.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/ui/ui.h"
#include "plugin/IEditorLink.h"
#include "plugin/IPlugLV2.h"

// After the plug-in headers: Xlib defines None as a macro.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

struct EditorUi {
  IPlugLV2* plugin = nullptr;
  IEditorLink* editor = nullptr;
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  Window window = 0;
  LV2UI_Resize hostResize{};
};

// The editor's window: the topmost child of the host's window just after it
// was opened there. 0 when it cannot be found.
Window NewestChild(Window parent) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  Window root = 0, parentOfParent = 0, found = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, parent, &root, &parentOfParent, &children, &count) && children && count > 0)
    found = children[count - 1];
  if (children) XFree(children);
  XCloseDisplay(display);
  return found;
}

// The editor's size as its window's base size: hosts embedding through
// suil take their natural size from it (without it jalv's GTK 3 wrapper
// warns of a natural size below the requested one after every enlargement).
// No least size: with one, Ardour's window (suil's GTK 2 wrapper) stopped
// growing with the editor.
void SetSizeHints(Window window, int width, int height) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  XSizeHints* hints = XAllocSizeHints();
  if (hints) {
    hints->flags = PBaseSize;
    hints->base_width = width;
    hints->base_height = height;
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
  }
  XCloseDisplay(display);
}

// User-interface thread: the editor tells its size, at opening and when the
// "Editor Size" changes.
int TellSize(void* handle, int width, int height) {
  EditorUi* ui = static_cast<EditorUi*>(handle);
  if (ui->window) SetSizeHints(ui->window, width, height);
  return ui->hostResize.ui_resize ? ui->hostResize.ui_resize(ui->hostResize.handle, width, height) : 1;
}

void WritePort(void* context, uint32_t port, float value) {
  EditorUi* ui = static_cast<EditorUi*>(context);
  ui->write(ui->controller, port, sizeof(float), 0, &value);
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (!pluginUri || std::strcmp(pluginUri, kLv2PluginUri) != 0 || !write || !widget) return nullptr;
  void* parent = nullptr;
  IPlugLV2* plugin = nullptr;
  LV2UI_Resize* resize = nullptr;
  LV2UI_Touch* touch = nullptr;
  for (int i = 0; features && features[i]; ++i) {
    const char* uri = features[i]->URI;
    if (std::strcmp(uri, LV2_UI__parent) == 0) parent = features[i]->data;
    if (std::strcmp(uri, LV2_INSTANCE_ACCESS_URI) == 0) plugin = static_cast<IPlugLV2*>(features[i]->data);
    if (std::strcmp(uri, LV2_UI__resize) == 0) resize = static_cast<LV2UI_Resize*>(features[i]->data);
    if (std::strcmp(uri, LV2_UI__touch) == 0) touch = static_cast<LV2UI_Touch*>(features[i]->data);
  }
  if (!parent || !plugin) return nullptr;
  // Takes the lock itself (an editor built on demand is built without it).
  IEditorLink* editor = plugin->RequireEditor();
  // One editor window per instance: a second UI of the same instance is refused.
  if (!editor || editor->IsEditorOpen() || !editor->OpenEditorWindow(parent)) return nullptr;
  {
    std::lock_guard lock(plugin->Mutex());
    plugin->OnEditorOpened();
  }
  const Window child = NewestChild(reinterpret_cast<uintptr_t>(parent));
  auto* ui = new EditorUi{plugin, editor, write, controller, child, resize ? *resize : LV2UI_Resize{}};
  IPlugLV2::UiHost host;
  host.resizeHandle = ui;
  host.resize = TellSize;
  if (touch) {
    // Gestures of the editor's controls reach the host as touches of their ports.
    host.touchHandle = touch->handle;
    host.touch = touch->touch;
  }
  plugin->SetUiHost(host);
  plugin->NotifyHostEditorResized(editor->Width(), editor->Height());
  *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(child ? child : reinterpret_cast<uintptr_t>(parent)));
  return ui;
}

void Cleanup(LV2UI_Handle handle) {
  EditorUi* ui = static_cast<EditorUi*>(handle);
  {
    std::lock_guard lock(ui->plugin->Mutex());
    ui->plugin->OnEditorClosing();
  }
  ui->editor->CloseEditorWindow();
  ui->plugin->SetUiHost(IPlugLV2::UiHost());
  delete ui;
}

// The host tells the UI of its port values; the plug-in applies them in run()
// and the editor shows them from there.
void PortEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int Idle(LV2UI_Handle handle) {
  EditorUi* ui = static_cast<EditorUi*>(handle);
  if (!ui->editor->EditorIdle()) {
    std::lock_guard lock(ui->plugin->Mutex());
    ui->plugin->OnIdleTick();
  }
  // The host's ports follow the plug-in's own changes and the editor's edits.
  ui->plugin->TakeChangedParams(WritePort, ui);
  return 0;
}

const void* ExtensionData(const char* uri) {
  static const LV2UI_Idle_Interface idle = {Idle};
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idle;
  return nullptr;
}

}  // namespace

const void* IPlugLV2::UiDescriptor() {
  static const LV2UI_Descriptor descriptor = {kLv2UiUri, Instantiate, Cleanup, PortEvent, ExtensionData};
  return &descriptor;
}
