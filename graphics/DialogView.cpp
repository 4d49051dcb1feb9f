#include "graphics/DialogView.h"

#include <algorithm>

#include "graphics/GraphicsCaches.h"
#include "graphics/TextEntryField.h"
#include "graphics/lice/LICE_CachedFont.h"
#include "graphics/lice/LICE_IBitmap.h"

namespace {

constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 8;
constexpr int kMaxTextWidth = 420;
constexpr int kLineGap = 3;
constexpr int kFieldHeight = 24;
constexpr int kListRows = 10;

const LICE_pixel kBackground = LICE_RGBA(240, 240, 240, 255);
const LICE_pixel kText = LICE_RGBA(0, 0, 0, 255);
const LICE_pixel kButtonFace = LICE_RGBA(225, 225, 225, 255);
const LICE_pixel kButtonPressed = LICE_RGBA(200, 210, 230, 255);
const LICE_pixel kButtonFrame = LICE_RGBA(120, 120, 120, 255);
const LICE_pixel kListBackground = LICE_RGBA(255, 255, 255, 255);
const LICE_pixel kListSelection = LICE_RGBA(200, 210, 230, 255);
const LICE_pixel kListFolder = LICE_RGBA(30, 60, 140, 255);

// The folder part of a typed path: all of it when it ends in "/".
std::string FolderOfText(const std::string& text) {
  const size_t slash = text.rfind('/');
  if (slash == std::string::npos) return "/";
  return slash == 0 ? "/" : text.substr(0, slash);
}

std::string ParentFolder(const std::string& folder) {
  const size_t slash = folder.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : folder.substr(0, slash);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// Breaks the text at newlines, then wraps each paragraph at spaces.
std::vector<std::string> WrapText(const std::string& text, LICE_IFont* font, int maxWidth) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string paragraph = text.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
    // A tab has no glyph: it stands for a few spaces, kept as they are in
    // a line that needs no wrapping.
    for (size_t tab = paragraph.find('\t'); tab != std::string::npos; tab = paragraph.find('\t', tab))
      paragraph.replace(tab, 1, "    ");
    if (!font || font->MeasureText(paragraph) <= maxWidth) {
      result.push_back(paragraph);
      start = end + 1;
      continue;
    }
    std::string line;
    size_t pos = 0;
    while (pos <= paragraph.size()) {
      size_t space = paragraph.find(' ', pos);
      if (space == std::string::npos) space = paragraph.size();
      const std::string word = paragraph.substr(pos, space - pos);
      const std::string candidate = line.empty() ? word : line + " " + word;
      if (!line.empty() && font && font->MeasureText(candidate) > maxWidth) {
        result.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      pos = space + 1;
    }
    result.push_back(line);
    start = end + 1;
  }
  return result;
}

}  // namespace

DialogView::DialogView(const std::string& text, int type) {
  font = CachedFontFor(TextStyle("Arial", 14, kColorBlack, TextStyle::kStyleNormal, TextStyle::kAlignNear));
  iconFont = CachedFontFor(TextStyle("Arial", 24, kColorWhite, TextStyle::kStyleBold, TextStyle::kAlignCenter));
  lines = WrapText(text, font, kMaxTextWidth);
  icon = type & kMessageIconMask;
  switch (type & kMessageButtonsMask) {
    case kMessageOkCancel:
      buttons = {{"OK", kAnswerOk, {}}, {"Cancel", kAnswerCancel, {}}};
      break;
    case kMessageYesNoCancel:
      buttons = {{"Yes", kAnswerYes, {}}, {"No", kAnswerNo, {}}, {"Cancel", kAnswerCancel, {}}};
      break;
    case kMessageYesNo:
      buttons = {{"Yes", kAnswerYes, {}}, {"No", kAnswerNo, {}}};
      break;
    default:
      buttons = {{"OK", kAnswerOk, {}}};
      break;
  }
  Layout(0);
}

DialogView::DialogView(const std::string& label, const std::string& fieldText) {
  font = CachedFontFor(TextStyle("Arial", 14, kColorBlack, TextStyle::kStyleNormal, TextStyle::kAlignNear));
  lines = WrapText(label, font, kMaxTextWidth);
  buttons = {{"OK", kAnswerOk, {}}, {"Cancel", kAnswerCancel, {}}};
  field = std::make_unique<TextEntryField>(fieldText, 4096, TextEntryField::Filter::Any);
  Layout(kMaxTextWidth);
}

DialogView::DialogView(const std::string& label, const std::string& fieldText, FolderLister folderLister,
                       bool onlyFolders)
    : DialogView(label, fieldText) {
  lister = std::move(folderLister);
  foldersOnly = onlyFolders;
  Layout(kMaxTextWidth);
  OpenListFolder(FolderOfText(fieldText));
}

DialogView::~DialogView() = default;

int DialogView::ListRowHeight() const {
  return (font ? font->LineHeight() : 14) + 4;
}

void DialogView::OpenListFolder(const std::string& folder) {
  listFolder = folder;
  listEntries = lister ? lister(folder) : std::vector<std::string>();
  listFirst = 0;
  listSelected = -1;
}

int DialogView::ListEntryAt(int x, int y) const {
  if (!HasList() || !listRect.Contains(x, y)) return -1;
  const int entry = listFirst + (y - listRect.top - 1) / ListRowHeight();
  return entry >= 0 && entry < static_cast<int>(listEntries.size()) ? entry : -1;
}

int DialogView::ClickList(int x, int y, bool doubleClick) {
  const int entry = ListEntryAt(x, y);
  if (entry < 0) return 0;
  const std::string name = listEntries[static_cast<size_t>(entry)];
  const bool isFolder = !name.empty() && name.back() == '/';
  if (doubleClick) {
    // The first click opened a folder: the second lands in the new list.
    return !isFolder && entry == listSelected ? kAnswerOk : 0;
  }
  if (!isFolder) {
    listSelected = entry;
    if (field) field->SetText(InFolder(listFolder, name));
    return 0;
  }
  const std::string target =
      name == "../" ? ParentFolder(listFolder) : InFolder(listFolder, name.substr(0, name.size() - 1));
  // The name typed so far stays; only its folder changes.
  std::string typedName;
  if (field && !foldersOnly) {
    const std::string& text = field->Text();
    const size_t slash = text.rfind('/');
    typedName = slash == std::string::npos ? text : text.substr(slash + 1);
  }
  OpenListFolder(target);
  if (field) field->SetText((target == "/" ? target : target + "/") + typedName);
  return 0;
}

void DialogView::ScrollList(int rows) {
  const int last = std::max(0, static_cast<int>(listEntries.size()) - kListRows);
  listFirst = std::clamp(listFirst + rows, 0, last);
}

void DialogView::Layout(int minTextWidth) {
  const int lineHeight = font ? font->LineHeight() + kLineGap : 17;
  int textWidth = minTextWidth;
  for (const std::string& line : lines) textWidth = std::max(textWidth, font ? font->MeasureText(line) : 0);
  const int textLeft = kMargin + (icon ? kIconSize + kMargin : 0);
  const int buttonsWidth = ButtonCount() * kButtonWidth + (ButtonCount() - 1) * kButtonGap;
  width = std::max(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin);
  width = std::max(width, 240);
  int y = kMargin + static_cast<int>(lines.size()) * lineHeight;
  if (icon) y = std::max(y, kMargin + kIconSize);
  if (field) {
    fieldRect = Rect(kMargin, y + 6, width - kMargin, y + 6 + kFieldHeight);
    y = fieldRect.bottom;
  }
  if (lister) {
    listRect = Rect(kMargin, y + 8, width - kMargin, y + 8 + kListRows * ListRowHeight() + 2);
    y = listRect.bottom;
  }
  y += kMargin;
  int x = width - kMargin - buttonsWidth;
  for (Button& b : buttons) {
    b.rect = Rect(x, y, x + kButtonWidth, y + kButtonHeight);
    x += kButtonWidth + kButtonGap;
  }
  height = y + kButtonHeight + kMargin;
}

Rect DialogView::ButtonRect(int index) const {
  if (index < 0 || index >= ButtonCount()) return Rect();
  return buttons[static_cast<size_t>(index)].rect;
}

int DialogView::ButtonAt(int x, int y) const {
  for (int i = 0; i < ButtonCount(); ++i)
    if (buttons[static_cast<size_t>(i)].rect.Contains(x, y)) return i;
  return -1;
}

int DialogView::AnswerOf(int button) const {
  if (button < 0 || button >= ButtonCount()) return 0;
  return buttons[static_cast<size_t>(button)].answer;
}

int DialogView::CancelAnswer() const {
  int answer = kAnswerOk;
  for (const Button& b : buttons) {
    if (b.answer == kAnswerCancel) return kAnswerCancel;
    if (b.answer == kAnswerNo) answer = kAnswerNo;
  }
  return answer;
}

int DialogView::HandleKey(const KeyEvent& key) {
  if (key.kind == KeyEvent::kReturn) return AnswerOf(0);
  if (key.kind == KeyEvent::kEscape) return CancelAnswer();
  if (field) {
    field->HandleKey(key);
    return 0;
  }
  if (key.kind == KeyEvent::kText && (key.text == "y" || key.text == "Y" || key.text == "n" || key.text == "N")) {
    const int wanted = (key.text == "y" || key.text == "Y") ? kAnswerYes : kAnswerNo;
    for (const Button& b : buttons)
      if (b.answer == wanted) return wanted;
  }
  return 0;
}

void DialogView::Draw(LICE_IBitmap* dest, int pressed) const {
  if (!dest) return;
  LICE_Clear(dest, kBackground);
  const int lineHeight = font ? font->LineHeight() + kLineGap : 17;
  int textLeft = kMargin;
  if (icon) {
    LICE_pixel color = LICE_RGBA(40, 110, 210, 255);
    const char* glyph = "i";
    if (icon == kMessageIconError) {
      color = LICE_RGBA(200, 40, 40, 255);
      glyph = "x";
    } else if (icon == kMessageIconWarning) {
      color = LICE_RGBA(230, 160, 0, 255);
      glyph = "!";
    } else if (icon == kMessageIconQuestion) {
      glyph = "?";
    }
    const float r = kIconSize / 2.0f;
    LICE_FillCircle(dest, kMargin + r, kMargin + r, r, color, 1.0f, LICE_BlitMode::Alpha);
    if (iconFont)
      iconFont->DrawText(dest, glyph, kMargin, kMargin + (kIconSize - iconFont->LineHeight()) / 2, kMargin + kIconSize,
                         LICE_RGBA(255, 255, 255, 255), false, LICE_TextAlign::Center);
    textLeft += kIconSize + kMargin;
  }
  int y = kMargin;
  if (font)
    for (const std::string& line : lines) {
      font->DrawText(dest, line, textLeft, y, width - kMargin, kText, false, LICE_TextAlign::Left);
      y += lineHeight;
    }
  if (field) {
    LICE_DrawRect(dest, fieldRect.left - 1, fieldRect.top - 1, fieldRect.W() + 2, fieldRect.H() + 2, kButtonFrame);
    TextStyle style("Arial", 14, kColorBlack, TextStyle::kStyleNormal, TextStyle::kAlignNear);
    field->Draw(dest, fieldRect, style, font);
  }
  if (HasList()) DrawList(dest);
  for (int i = 0; i < ButtonCount(); ++i) {
    const Button& b = buttons[static_cast<size_t>(i)];
    LICE_FillRect(dest, b.rect.left, b.rect.top, b.rect.W(), b.rect.H(), i == pressed ? kButtonPressed : kButtonFace,
                  1.0f, LICE_BlitMode::Copy);
    LICE_DrawRect(dest, b.rect.left, b.rect.top, b.rect.W(), b.rect.H(), i == 0 ? kText : kButtonFrame);
    if (font)
      font->DrawText(dest, b.text, b.rect.left, b.rect.top + (b.rect.H() - font->LineHeight()) / 2, b.rect.right, kText,
                     false, LICE_TextAlign::Center);
  }
}

void DialogView::DrawList(LICE_IBitmap* dest) const {
  const Rect& r = listRect;
  LICE_FillRect(dest, r.left, r.top, r.W(), r.H(), kListBackground, 1.0f, LICE_BlitMode::Copy);
  LICE_DrawRect(dest, r.left - 1, r.top - 1, r.W() + 2, r.H() + 2, kButtonFrame);
  const int rowHeight = ListRowHeight();
  const int count = static_cast<int>(listEntries.size());
  const int textRight = r.right - 10;
  for (int row = 0; row < kListRows && listFirst + row < count; ++row) {
    const int entry = listFirst + row;
    const int top = r.top + 1 + row * rowHeight;
    if (entry == listSelected)
      LICE_FillRect(dest, r.left + 1, top, r.W() - 2, rowHeight, kListSelection, 1.0f, LICE_BlitMode::Copy);
    std::string text = listEntries[static_cast<size_t>(entry)];
    const bool isFolder = !text.empty() && text.back() == '/';
    // Text is not clipped: a long name is cut to the row.
    while (font && text.size() > 1 && font->MeasureText(text) > textRight - r.left - 6) {
      while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80) text.pop_back();
      if (!text.empty()) text.pop_back();
    }
    if (font)
      font->DrawText(dest, text, r.left + 6, top + 2, textRight, isFolder ? kListFolder : kText, false,
                     LICE_TextAlign::Left);
  }
  if (count > kListRows) {
    // Where the visible rows lie in the whole list.
    const int track = r.H() - 4;
    const int barTop = r.top + 2 + track * listFirst / count;
    const int barHeight = std::max(8, track * kListRows / count);
    LICE_FillRect(dest, r.right - 7, barTop, 5, std::min(barHeight, r.bottom - 2 - barTop), kButtonFrame, 1.0f,
                  LICE_BlitMode::Copy);
  }
  if (count == 0 && font)
    font->DrawText(dest, foldersOnly ? "(no folders)" : "(no matching files)", r.left + 6, r.top + 3, textRight,
                   kButtonFrame, false, LICE_TextAlign::Left);
}
