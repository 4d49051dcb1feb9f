#include "graphics/IGraphics.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "graphics/EditorZoom.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IControl.h"
#include "graphics/IControls.h"
#include "graphics/IEditorDelegate.h"
#include "graphics/PopupMenu.h"
#include "graphics/TextEntryField.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"

namespace {

LICE_BlitMode BlitModeOf(const BlendMode* blend) {
  if (!blend) return LICE_BlitMode::Alpha;
  switch (blend->mode) {
    case BlendMode::kClobber:
      return LICE_BlitMode::Copy;
    case BlendMode::kAdd:
      return LICE_BlitMode::Add;
    case BlendMode::kColorDodge:
      return LICE_BlitMode::Dodge;
    case BlendMode::kNone:
      break;
  }
  return LICE_BlitMode::Alpha;
}

float WeightOf(const BlendMode* blend) {
  return blend ? blend->weight : 1.0f;
}

LICE_pixel PixelOf(const Color& c) {
  return LICE_RGBA(c.R, c.G, c.B, c.A);
}

// A number as the user typed it: optional sign, digits, a "." (or the ","
// of a decimal-comma locale), anything after that ignored; 0 when there is
// no number. Independent of the process locale.
double ParseDecimal(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string digits;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
      digits += '.';
    } else {
      break;
    }
  }
  double v = 0.0;
  if (digits.empty() || digits == ".") return 0.0;
  if (digits.front() == '.') digits.insert(digits.begin(), '0');
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (result.ec != std::errc()) return 0.0;
  return negative ? -v : v;
}

std::string DesktopFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return "/";
  std::string desktop = std::string(home) + "/Desktop/";
  struct stat info {};
  if (stat(desktop.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return desktop;
  return std::string(home) + "/";
}

}  // namespace

IGraphics::IGraphics(IEditorDelegate* plugIn, int w, int h, int framesPerSecond, std::unique_ptr<IWindowSystem> ws)
    : plug(plugIn), width(w), height(h), fps(framesPerSecond > 0 ? framesPerSecond : 25), windowSystem(std::move(ws)) {
  if (!windowSystem) windowSystem = CreateX11WindowSystem();
}

IGraphics::~IGraphics() {
  CloseEditorWindow();
  for (IControl* control : controls) delete control;
  controls.clear();
}

void IGraphics::Resize(int w, int h) {
  if (backBuffer || w <= 0 || h <= 0) return;
  width = w;
  height = h;
}

// --- zoom ------------------------------------------------------------------

int IGraphics::ChosenZoom() const {
  const int pending = pendingZoom.load();
  return pending ? pending : zoom.load();
}

int IGraphics::WindowWidth() const {
  const bool open = IsEditorOpen();
  return ZoomedLength(width, open && !askingHost ? zoom.load() : ChosenZoom());
}

int IGraphics::WindowHeight() const {
  const bool open = IsEditorOpen();
  return ZoomedLength(height, open && !askingHost ? zoom.load() : ChosenZoom());
}

int IGraphics::ToUnits(int pixels) const {
  const int z = zoom.load();
  if (z == 100) return pixels;
  return static_cast<int>(std::floor(pixels * 100.0 / z));
}

Rect IGraphics::ToPixels(const Rect& r) const {
  const int z = zoom.load();
  if (z == 100 || r.Empty()) return r;
  const double s = z / 100.0;
  return Rect(static_cast<int>(std::floor(r.left * s)), static_cast<int>(std::floor(r.top * s)),
              static_cast<int>(std::ceil(r.right * s)), static_cast<int>(std::ceil(r.bottom * s)));
}

Rect IGraphics::PixelCoverInUnits(const Rect& r) const {
  const int z = zoom.load();
  if (z % 100 == 0 || r.Empty()) return r;
  const Rect p = ToPixels(r);
  const double s = z / 100.0;
  return Rect(static_cast<int>(std::floor(p.left / s)), static_cast<int>(std::floor(p.top / s)),
              static_cast<int>(std::ceil(p.right / s)), static_cast<int>(std::ceil(p.bottom / s)));
}

void IGraphics::ApplyZoom(int percent) {
  pendingZoom = 0;
  if (percent == zoom.load() && backBuffer) return;
  zoom = percent;
  if (windowSystem) windowSystem->SetDrawScale(percent / 100.0);
  if (backBuffer) PrepDraw();
}

IGraphics::ZoomResult IGraphics::SetZoom(int percent) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  percent = NearestEditorSize(percent);
  if (!IsEditorOpen()) {
    ApplyZoom(percent);
    return ZoomResult::Applied;
  }
  if (percent == zoom.load()) {
    pendingZoom = 0;
    return ZoomResult::Applied;
  }
  pendingZoom = percent;
  askingHost = true;
  const bool agreed = plug->RequestEditorResize(ZoomedLength(width, percent), ZoomedLength(height, percent));
  askingHost = false;
  if (!agreed || !IsEditorOpen()) return ZoomResult::Deferred;
  DestroyTextEntry();
  windowSystem->HideTooltip();
  ApplyZoom(percent);
  windowSystem->ResizeWindow(WindowWidth(), WindowHeight());
  SetAllControlsDirty();
  RedrawAndUpdate(Rect(0, 0, width, height));
  return ZoomResult::Applied;
}

int IGraphics::AddControl(IControl* control) {
  control->SetGraphics(this);
  controls.push_back(control);
  return NControls() - 1;
}

IControl* IGraphics::GetControl(int index) const {
  if (index < 0 || index >= NControls()) return nullptr;
  return controls[static_cast<size_t>(index)];
}

PanelBitmap IGraphics::LoadPanelBitmap(int id, const char* name, int frames, bool framesAreHorizontal) {
  bool isPng = false;
  if (name) {
    const std::string text(name);
    const size_t dot = text.rfind('.');
    if (dot != std::string::npos) {
      std::string extension = text.substr(dot + 1);
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      isPng = extension == "png";
    }
  }
  // Instances are made where no editor ever opens (a host scanning, a project
  // of many): a picture is decoded when it is first drawn, and its size comes
  // from its header until then.
  int width = 0, height = 0;
  if (isPng && !ResourceBitmapIsCached(id) && ResourcePictureSize(id, &width, &height)) {
    PanelBitmap result(nullptr, width, height, frames, framesAreHorizontal);
    result.resourceId = id;
    return result;
  }
  LICE_IBitmap* bitmap = CachedResourceBitmap(id, isPng);
  if (!bitmap) return PanelBitmap(nullptr, 0, 0, frames, framesAreHorizontal);
  PanelBitmap result(bitmap, bitmap->Width(), bitmap->Height(), frames, framesAreHorizontal);
  result.resourceId = id;
  return result;
}

void IGraphics::SetWindowName(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  if (windowSystem) windowSystem->SetWindowName(name);
}

void IGraphics::SetBackground(int id, const char* name) {
  const PanelBitmap bitmap = LoadPanelBitmap(id, name, 1);
  auto* background = new IBitmapControl(plug, Rect(0, 0, bitmap.W, bitmap.H), -1, bitmap);
  background->SetGraphics(this);
  controls.insert(controls.begin(), background);
}

bool IGraphics::PrepDraw() {
  const int z = zoom.load();
  backBuffer = std::make_unique<LICE_SysBitmap>(ZoomedLength(width, z), ZoomedLength(height, z));
  backBuffer->SetDensity(z / 100.0);
  scratch = std::make_unique<LICE_MemBitmap>();
  return backBuffer->Bits() != nullptr;
}

void IGraphics::ShowParamValue(int paramIdx, double value, bool normalised) {
  if (!normalised) value = plug->EditorNormalizedValue(paramIdx, value);
  for (IControl* control : controls) {
    if (control->ParamIdx() == paramIdx) control->ShowValue(value);
    const int aux = control->AuxParamIndexFor(paramIdx);
    if (aux >= 0) control->ShowAuxValue(aux, value);
  }
}

void IGraphics::ShowAllParamValues(const double* values, int count) {
  for (IControl* control : controls) {
    const int own = control->ParamIdx();
    if (own >= 0 && own < count) control->ShowValue(values[own]);
    for (int aux = 0; aux < control->NAuxParams(); ++aux) {
      const int index = control->GetAuxParam(aux)->paramIndex;
      // Only the first of a control's values that shows the parameter.
      if (index >= 0 && index < count && control->AuxParamIndexFor(index) == aux)
        control->ShowAuxValue(aux, values[index]);
    }
  }
}

void IGraphics::SetAllControlsDirty() {
  for (IControl* control : controls) control->MarkDirty(false);
}

// --- drawing ---------------------------------------------------------------

bool IGraphics::BlitFrame(const PanelBitmap& bitmap, const Rect& rect, int frame, const BlendMode* blend) {
  if (!backBuffer) return false;
  // A picture not yet decoded is decoded now, once for the process.
  const LICE_IBitmap* source = bitmap.bitmap;
  if (!source && bitmap.resourceId > 0) source = CachedResourceBitmap(bitmap.resourceId);
  if (!source) return false;
  // Above 100 % the picture drawn at twice the size, when there is one.
  if (zoom.load() > 100 && bitmap.resourceId > 0) {
    if (const LICE_IBitmap* large = CachedDoubleSizeBitmap(bitmap.resourceId)) source = large;
  }
  int srcX = 0, srcY = 0;
  if (bitmap.N >= 2 && frame >= 2) {
    if (bitmap.framesAreHorizontal)
      srcX = static_cast<int>((frame - 1) * static_cast<double>(bitmap.W) / bitmap.N + 0.5);
    else
      srcY = static_cast<int>((frame - 1) * static_cast<double>(bitmap.H) / bitmap.N + 0.5);
  }
  const Rect part = rect.Intersect(drawnRect);
  if (part.Empty()) return true;
  if (source->Density() != backBuffer->Density()) {
    // Resampled: the whole frame, so that a pixel comes out the same whatever
    // part of the control is being redrawn (the back buffer's clip limits
    // the drawing), and nothing from the frames beside it.
    const int w = bitmap.framesAreHorizontal ? std::min(rect.W(), bitmap.FrameWidth()) : rect.W();
    const int h = bitmap.framesAreHorizontal ? rect.H() : std::min(rect.H(), bitmap.FrameHeight());
    LICE_Blit(backBuffer.get(), source, rect.left, rect.top, srcX, srcY, w, h, WeightOf(blend), BlitModeOf(blend));
    return true;
  }
  LICE_Blit(backBuffer.get(), source, part.left, part.top, srcX + part.left - rect.left, srcY + part.top - rect.top,
            part.W(), part.H(), WeightOf(blend), BlitModeOf(blend));
  return true;
}

bool IGraphics::FillRect(const Color& color, const Rect& rect, const BlendMode* blend) {
  if (!backBuffer || rect.Empty()) return false;
  Color c = color;
  // A plain copy replaces what is there: the colour's own alpha does not apply.
  if (blend && blend->mode == BlendMode::kClobber) c.A = 255;
  LICE_FillRect(backBuffer.get(), rect.left, rect.top, rect.W(), rect.H(), PixelOf(c), WeightOf(blend),
                BlitModeOf(blend));
  return true;
}

bool IGraphics::FillCircle(const Color& color, int cx, int cy, float radius, const BlendMode* blend) {
  if (!backBuffer) return false;
  Color c = color;
  if (blend && blend->mode == BlendMode::kClobber) c.A = 255;
  LICE_FillCircle(backBuffer.get(), static_cast<float>(cx), static_cast<float>(cy), radius, PixelOf(c), WeightOf(blend),
                  BlitModeOf(blend));
  return true;
}

bool IGraphics::DrawLabel(TextStyle* style, const std::string& text, const Rect& rect, const BlendMode* blend) {
  if (text.empty()) return true;
  if (!style || !backBuffer) return false;
  if (!style->cachedFont) style->cachedFont = CachedFontFor(*style);
  LICE_IFont* font = style->cachedFont;
  if (!font) return false;
  LICE_TextAlign align = LICE_TextAlign::Center;
  if (style->align == TextStyle::kAlignNear)
    align = LICE_TextAlign::Left;
  else if (style->align == TextStyle::kAlignFar)
    align = LICE_TextAlign::Right;
  Color color = style->color;
  const float weight = WeightOf(blend);
  if (weight < 1.0f) color.A = static_cast<int>(color.A * std::max(weight, 0.0f) + 0.5f);
  font->DrawText(backBuffer.get(), text, rect.left, rect.top, rect.right, PixelOf(color), color.A != 255, align);
  return true;
}

bool IGraphics::DrawClippedLabel(TextStyle* style, const std::string& text, const Rect& rect, const BlendMode* blend) {
  if (!backBuffer) return false;
  const Rect clip = rect.Intersect(drawnRect);
  if (clip.Empty()) return true;
  backBuffer->SetClip(clip.left, clip.top, clip.W(), clip.H());
  const bool drawn = DrawLabel(style, text, rect, blend);
  backBuffer->SetClip(drawnRect.left, drawnRect.top, drawnRect.W(), drawnRect.H());
  return drawn;
}

Rect IGraphics::CollectDirtyRect() const {
  Rect r = pendingInvalid;
  for (IControl* control : controls)
    if (control->NeedsRedraw()) r = r.Union(control->GetRect());
  if (textEntry && entryDirty) r = r.Union(entryRect);
  return r;
}

void IGraphics::Redraw(const Rect& r) {
  if (!backBuffer || r.Empty()) return;
  const Rect bounds(0, 0, width, height);
  const Rect area = r.Intersect(bounds);
  if (area.Empty()) return;
  // The clip is the pixels the area touches; at a zoom that is not a whole
  // number they reach into neighbouring units, so every control in those
  // units draws too (a pixel shared by two controls gets both).
  auto drawClipped = [this, &bounds](IControl* control, const Rect& clip) {
    drawnRect = PixelCoverInUnits(clip).Intersect(bounds);
    backBuffer->SetClip(clip.left, clip.top, clip.W(), clip.H());
    control->Draw(this);
  };
  if (strictDrawing) {
    const Rect reach = PixelCoverInUnits(area);
    for (IControl* control : controls)
      if (!control->IsHidden() && control->GetRect().Intersects(reach)) drawClipped(control, area);
    for (IControl* control : controls) control->MarkClean();
  } else if (!controls.empty() && controls[0]->NeedsRedraw()) {
    const Rect full = controls[0]->GetRect();
    for (IControl* control : controls) {
      if (!control->IsHidden()) drawClipped(control, full);
      control->MarkClean();
    }
  } else {
    for (size_t i = 1; i < controls.size(); ++i) {
      IControl* dirtyControl = controls[i];
      if (!dirtyControl->NeedsRedraw()) continue;
      const Rect part = dirtyControl->GetRect();
      const Rect reach = PixelCoverInUnits(part);
      for (IControl* control : controls)
        if (!control->IsHidden() && control->GetRect().Intersects(reach)) drawClipped(control, part);
      dirtyControl->MarkClean();
    }
  }
  drawnRect = area;
  backBuffer->SetClip(area.left, area.top, area.W(), area.H());
  if (textEntry && entryRect.Intersects(area)) DrawTextEntry();
  backBuffer->ResetClip();
}

void IGraphics::DrawTextEntry() {
  if (!entryStyle.cachedFont) entryStyle.cachedFont = CachedFontFor(entryStyle);
  textEntry->Draw(backBuffer.get(), entryRect, entryStyle, entryStyle.cachedFont);
  entryDirty = false;
}

void IGraphics::RedrawAndUpdate(const Rect& r) {
  Redraw(r);
  if (IsEditorOpen()) windowSystem->UpdateWindow(ToPixels(r.Intersect(Rect(0, 0, width, height))));
}

void IGraphics::OnTimerTick() {
  if (textEntry) {
    if (entryState == EntryState::Commit || entryState == EntryState::Cancel) {
      FinishTextEntry();
      return;
    }
    if (entryState != EntryState::Idle) {
      entryState = EntryState::Idle;
      return;
    }
  }
  const Rect dirtyArea = CollectDirtyRect();
  pendingInvalid = Rect();
  if (!dirtyArea.Empty()) {
    quietTicks = 0;
  } else if (++quietTicks > 20) {
    LockPlug();
    plug->OnIdleTick();
    UnlockPlug();
    quietTicks = 0;
  }
  if (!dirtyArea.Empty()) RedrawAndUpdate(dirtyArea);
}

// --- the plug-in lock ------------------------------------------------------

void IGraphics::LockPlug() {
  plug->LockPlugin();
}

void IGraphics::UnlockPlug() {
  plug->UnlockPlugin();
}

template <typename F>
auto IGraphics::WithoutPluginLock(F f) -> decltype(f()) {
  // A modal wait must not keep audio waiting: give back whatever this thread
  // holds of the plug-in lock (a menu opened from OnIdleTick, a press
  // handler's hold) and take it again afterwards.
  struct Relock {
    IEditorDelegate* plug;
    int holds;
    ~Relock() { plug->RetakePluginAfterModalWait(holds); }
  } relock{plug, plug->ReleasePluginForModalWait()};
  return f();
}

// --- window lifecycle ------------------------------------------------------

bool IGraphics::IsEditorOpen() const {
  return windowSystem && windowSystem->IsOpen();
}

bool IGraphics::OpenEditorWindow(uintptr_t parent) {
  CloseEditorWindow();
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  if (pendingZoom.load()) ApplyZoom(pendingZoom.load());
  windowSystem->SetDrawScale(zoom.load() / 100.0);
  if (!backBuffer && !PrepDraw()) return false;
  mouseCapture = -1;
  mouseOver = -1;
  gestureParam = -1;
  quietTicks = 0;
  pendingInvalid = Rect();
  // Render everything before the window shows, so its first exposure is
  // answered from a complete back buffer.
  SetAllControlsDirty();
  Redraw(Rect(0, 0, width, height));
  SetAllControlsDirty();
  if (!windowSystem->Open(this, parent, WindowWidth(), WindowHeight())) return false;
  lastTickMs = windowSystem->NowMs();
  return true;
}

void IGraphics::CloseEditorWindow() {
  closeRequested = true;
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  if (inEditorWork) {
    // Called from inside our own event handling on this thread: finish
    // when that returns.
    closeDeferred = true;
    return;
  }
  DestroyTextEntry();
  if (windowSystem && windowSystem->IsOpen()) {
    windowSystem->HideTooltip();
    windowSystem->Close();
  }
  EndGesture();
  mouseCapture = -1;
  mouseOver = -1;
  closeRequested = false;
}

void IGraphics::EditorIdle() {
  {
    std::unique_lock<std::recursive_mutex> guard(windowLock, std::try_to_lock);
    // Another thread is in the editor, or this is a re-entered idle call
    // from inside a modal loop: leave the work to that call.
    if (!guard.owns_lock() || inEditorWork) return;
    if (windowSystem->IsOpen()) {
      inEditorWork = true;
      windowSystem->ProcessEvents();
      if (!closeDeferred && windowSystem->IsOpen()) {
        const uint64_t now = windowSystem->NowMs();
        const uint64_t period = static_cast<uint64_t>(1000 / fps);
        if (now - lastTickMs >= period) {
          // Catch up at most one period: a slow host gets fewer ticks, never a burst.
          lastTickMs = (now - lastTickMs >= 2 * period) ? now : lastTickMs + period;
          OnTimerTick();
        }
      }
      inEditorWork = false;
      if (closeDeferred) {
        closeDeferred = false;
        CloseEditorWindow();
      }
    }
  }
  LockPlug();
  plug->OnIdleTick();
  UnlockPlug();
}

// --- services --------------------------------------------------------------

PopupMenu* IGraphics::ShowPopupMenu(PopupMenu* menu, const Rect& rect) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  mouseCapture = -1;
  if (!menu || !IsEditorOpen()) return nullptr;
  windowSystem->HideTooltip();
  PopupMenu* chosenMenu = nullptr;
  int chosenIndex = -1;
  const bool chosen = WithoutPluginLock([&] {
    const Rect at = ToPixels(Rect(rect.left, rect.top, rect.left + 1, rect.bottom));
    return windowSystem->TrackPopupMenu(menu, at.left, at.bottom, &chosenMenu, &chosenIndex);
  });
  pendingInvalid = Rect(0, 0, width, height);
  if (!chosen || !chosenMenu) return nullptr;
  chosenMenu->SetChosenItemIdx(chosenIndex);
  return chosenMenu;
}

void IGraphics::OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect, const std::string& text,
                              int paramIdx) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  if (textEntry || !control || !IsEditorOpen()) return;
  TextEntryField::Filter filter = TextEntryField::Filter::Any;
  if (paramIdx >= 0) {
    EditorParamInfo info;
    if (plug->GetEditorParamInfo(paramIdx, &info)) {
      if (info.kind == EditorParamKind::Continuous)
        filter = TextEntryField::Filter::Decimal;
      else if (info.kind != EditorParamKind::None)
        filter = TextEntryField::Filter::Integer;
    }
  }
  textEntry = std::make_unique<TextEntryField>(text, control->TextEntryLength(), filter);
  entryControl = control;
  entryParam = paramIdx;
  entryRect = Rect(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
  entryStyle = style;
  entryStyle.cachedFont = nullptr;
  entryState = EntryState::JustOpened;
  windowSystem->TakeKeyboardFocus();
  RedrawAndUpdate(entryRect);
}

void IGraphics::FinishTextEntry() {
  if (!textEntry) return;
  const bool commit = entryState == EntryState::Commit;
  const std::string text = textEntry->Text();
  IControl* control = entryControl;
  const int paramIdx = entryParam;
  DestroyTextEntry();
  if (!commit || !control) return;
  if (paramIdx >= 0) {
    EditorParamInfo info;
    if (!plug->GetEditorParamInfo(paramIdx, &info)) return;
    const std::string typed = Utf8Prefix(text, 31);
    double v = 0.0;
    if (info.kind == EditorParamKind::Switch || info.kind == EditorParamKind::List) {
      for (const auto& entry : info.displayTexts)
        if (entry.second == typed) {
          v = entry.first;
          break;
        }
    } else {
      v = ParseDecimal(typed);
      if (info.negateDisplay) v = -v;
    }
    if (!std::isfinite(v)) v = 0.0;
    v = std::clamp(v, info.min, info.max);
    control->ApplyUserValue(plug->EditorNormalizedValue(paramIdx, v));
  } else {
    control->AcceptEnteredText(text);
  }
}

void IGraphics::DestroyTextEntry() {
  if (!textEntry) return;
  const Rect area = entryRect;
  textEntry.reset();
  entryControl = nullptr;
  entryParam = -1;
  entryState = EntryState::Idle;
  entryRect = Rect();
  if (IsEditorOpen()) {
    windowSystem->ReleaseKeyboardFocus();
    RedrawAndUpdate(area);
  }
}

void IGraphics::ChooseFile(std::string& result, FileMode mode, std::string& folder, const std::string& extensions,
                           const std::string& title) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  if (!IsEditorOpen()) {
    result.clear();
    return;
  }
  FileDialogRequest request;
  request.save = mode == FileMode::Save;
  request.chooseFolder = mode == FileMode::Folder;
  request.title = !title.empty() ? title : request.chooseFolder ? "Choose Folder" : request.save ? "Save As" : "Open";
  request.folder = folder.empty() ? DesktopFolder() : folder;
  request.fileName = result;
  size_t start = 0;
  while (start < extensions.size()) {
    size_t end = extensions.find(' ', start);
    if (end == std::string::npos) end = extensions.size();
    if (end > start) request.extensions.push_back(extensions.substr(start, end - start));
    start = end + 1;
  }
  for (const std::string& extension : request.extensions) {
    if (!request.filter.empty()) request.filter += ';';
    request.filter += "*." + extension;
  }
  std::string chosen;
  mouseCapture = -1;
  const bool ok = WithoutPluginLock([&] { return windowSystem->RunFileDialog(request, &chosen); });
  pendingInvalid = Rect(0, 0, width, height);
  if (!ok || chosen.empty()) {
    result.clear();
    return;
  }
  if (request.chooseFolder) {
    while (chosen.size() > 1 && chosen.back() == '/') chosen.pop_back();
    result = chosen;
    folder = chosen == "/" ? chosen : chosen + "/";
    return;
  }
  result = chosen;
  const size_t slash = chosen.rfind('/');
  folder = slash == std::string::npos ? std::string() : chosen.substr(0, slash + 1);
}

bool IGraphics::OpenWebPage(const std::string& url, const std::string& caption, const std::string& confirmation,
                            const std::string& failure) {
  if (!confirmation.empty() && ShowMessage(confirmation, caption, kMessageYesNo) != kAnswerYes) return false;
  if (windowSystem->HasInternetConnection() && windowSystem->OpenUrl(url)) return true;
  ShowNotice(url);
  if (!failure.empty()) ShowMessage(failure, caption, kMessageOk);
  return false;
}

void IGraphics::ShowNotice(const std::string& text) {
  if (plug) plug->ShowEditorNotice(text);
}

int IGraphics::ShowMessage(const std::string& text, const std::string& caption, int type) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  mouseCapture = -1;
  if (windowSystem->IsOpen()) windowSystem->HideTooltip();
  const int answer = WithoutPluginLock([&] { return windowSystem->RunMessageBox(text, caption, type); });
  pendingInvalid = Rect(0, 0, width, height);
  return answer;
}

void IGraphics::HideMouseCursor(bool hide) {
  std::lock_guard<std::recursive_mutex> guard(windowLock);
  if (IsEditorOpen()) windowSystem->HideCursor(hide);
}
