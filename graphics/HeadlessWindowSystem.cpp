#include "graphics/HeadlessWindowSystem.h"

#include "graphics/IGraphics.h"
#include "graphics/PopupMenu.h"
#include "graphics/lice/LICE_IBitmap.h"
#include "graphics/lice/LICE_PNG.h"

void HeadlessWindowSystem::MouseDown(int x, int y, MouseMods mods) {
  Event e;
  e.kind = Event::kDown;
  e.x = x;
  e.y = y;
  e.mods = mods;
  Queue(e);
}

void HeadlessWindowSystem::MouseUp(int x, int y, MouseMods mods) {
  Event e;
  e.kind = Event::kUp;
  e.x = x;
  e.y = y;
  e.mods = mods;
  Queue(e);
}

void HeadlessWindowSystem::Move(int x, int y, MouseMods mods) {
  Event e;
  e.kind = Event::kMove;
  e.x = x;
  e.y = y;
  e.mods = mods;
  Queue(e);
}

void HeadlessWindowSystem::Click(int x, int y, MouseMods mods) {
  MouseDown(x, y, mods);
  MouseUp(x, y, mods);
}

void HeadlessWindowSystem::Drag(int x0, int y0, int x1, int y1, MouseMods mods) {
  MouseDown(x0, y0, mods);
  const int steps = 4;
  for (int i = 1; i <= steps; ++i) Move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, mods);
  MouseUp(x1, y1, mods);
}

void HeadlessWindowSystem::DoubleClick(int x, int y, MouseMods mods) {
  Click(x, y, mods);
  Event e;
  e.kind = Event::kDoubleClick;
  e.x = x;
  e.y = y;
  e.mods = mods;
  Queue(e);
  MouseUp(x, y, mods);
}

void HeadlessWindowSystem::Wheel(int x, int y, int notches, MouseMods mods) {
  Event e;
  e.kind = Event::kWheel;
  e.x = x;
  e.y = y;
  e.mods = mods;
  e.notches = notches;
  Queue(e);
}

void HeadlessWindowSystem::Key(KeyEvent::Kind kind, const std::string& text) {
  Event e;
  e.kind = Event::kKey;
  e.key.kind = kind;
  e.key.text = text;
  Queue(e);
}

void HeadlessWindowSystem::Type(const std::string& text) {
  for (char c : text) {
    if (c == ' ')
      Key(KeyEvent::kSpace, " ");
    else
      Key(KeyEvent::kText, std::string(1, c));
  }
}

bool HeadlessWindowSystem::WriteBackBufferPNG(const std::string& path) const {
  return graphics && LICE_WritePNG(graphics->BackBuffer(), path);
}

bool HeadlessWindowSystem::Open(IGraphics* owner, uintptr_t parent, int width, int height) {
  if (parent == 0) return false;
  windowWidth = width;
  windowHeight = height;
  graphics = owner;
  parentWindow = parent;
  open = true;
  return true;
}

void HeadlessWindowSystem::Close() {
  open = false;
  keyboardFocus = false;
  tooltip.clear();
  events.clear();
}

void HeadlessWindowSystem::TakeKeyboardFocus() {
  keyboardFocus = true;
  ++focusTaken;
}

void HeadlessWindowSystem::ProcessEvents() {
  while (open && !events.empty()) {
    const Event e = events.front();
    events.pop_front();
    switch (e.kind) {
      case Event::kDown:
        graphics->OnMouseDown(e.x, e.y, e.mods);
        break;
      case Event::kUp:
        graphics->OnMouseUp(e.x, e.y, e.mods);
        break;
      case Event::kMove:
        graphics->OnMouseMove(e.x, e.y, e.mods);
        break;
      case Event::kDoubleClick:
        graphics->OnMouseDoubleClick(e.x, e.y, e.mods);
        break;
      case Event::kWheel:
        graphics->OnMouseWheel(e.x, e.y, e.mods, e.notches);
        break;
      case Event::kKey:
        if (!graphics->OnKeyDown(e.key)) keysPassedToHost.push_back(e.key);
        break;
      case Event::kKeyUp:
        keysPassedToHost.push_back(e.key);
        break;
      case Event::kLeave:
        graphics->OnMouseLeave();
        break;
      case Event::kHover:
        graphics->OnMouseHover();
        break;
      case Event::kFocusLost:
        graphics->OnFocusLost();
        break;
    }
  }
}

bool HeadlessWindowSystem::TrackPopupMenu(PopupMenu* menu, int x, int y, PopupMenu** chosenMenu, int* chosenIndex) {
  ShownMenu shown;
  shown.x = x;
  shown.y = y;
  for (int i = 0; i < menu->NItems(); ++i) {
    shown.texts.push_back(menu->ItemDisplayText(i));
    shown.flags.push_back(menu->GetItem(i)->Flags());
  }
  menusShown.push_back(shown);
  if (duringModal) duringModal();
  if (menuAnswers.empty()) return false;
  const std::vector<int> path = menuAnswers.front();
  menuAnswers.pop_front();
  PopupMenu* current = menu;
  for (size_t step = 0; step < path.size(); ++step) {
    const PopupMenuItem* item = current->GetItem(path[step]);
    if (!item) return false;
    if (step + 1 < path.size()) {
      if (!item->Submenu()) return false;
      current = item->Submenu();
      continue;
    }
    // As with a real menu, only an item that can be chosen ends it.
    if (!item->Choosable()) return false;
    *chosenMenu = current;
    *chosenIndex = path[step];
    return true;
  }
  return false;
}

int HeadlessWindowSystem::RunMessageBox(const std::string& text, const std::string& caption, int type) {
  messagesShown.push_back({text, caption, type});
  if (duringModal) duringModal();
  if (!messageAnswers.empty()) {
    const int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
  }
  switch (type & kMessageButtonsMask) {
    case kMessageYesNo:
      return kAnswerNo;
    case kMessageOkCancel:
    case kMessageYesNoCancel:
      return kAnswerCancel;
    default:
      return kAnswerOk;
  }
}

bool HeadlessWindowSystem::RunFileDialog(const FileDialogRequest& request, std::string* chosenPath) {
  fileRequests.push_back(request);
  if (duringModal) duringModal();
  if (fileAnswers.empty()) return false;
  const std::optional<std::string> answer = fileAnswers.front();
  fileAnswers.pop_front();
  if (!answer) return false;
  *chosenPath = *answer;
  return true;
}

bool HeadlessWindowSystem::OpenUrl(const std::string& url) {
  if (!urlOpens) return false;
  urlsOpened.push_back(url);
  return true;
}
