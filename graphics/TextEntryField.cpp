#include "graphics/TextEntryField.h"

#include <algorithm>

#include "graphics/lice/LICE_CachedFont.h"

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xc0) == 0x80;
}

LICE_pixel ToPixel(const Color& c) {
  return LICE_RGBA(c.R, c.G, c.B, c.A);
}

}  // namespace

size_t Utf8Length(const std::string& text) {
  size_t n = 0;
  for (char c : text)
    if (!IsContinuation(c)) ++n;
  return n;
}

std::string Utf8Prefix(const std::string& text, size_t count) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsContinuation(text[i])) {
      if (chars == count) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

TextEntryField::TextEntryField(const std::string& initial, int maximum, Filter typingFilter)
    : maxChars(maximum < 0 ? 0 : maximum), filter(typingFilter) {
  SetText(initial);
}

void TextEntryField::SetText(const std::string& newText) {
  text = Utf8Prefix(LICE_ToUtf8(newText), static_cast<size_t>(maxChars));
  anchor = 0;
  caret = text.size();
}

size_t TextEntryField::PreviousBoundary(size_t position) const {
  if (position == 0) return 0;
  --position;
  while (position > 0 && IsContinuation(text[position])) --position;
  return position;
}

size_t TextEntryField::NextBoundary(size_t position) const {
  if (position >= text.size()) return text.size();
  ++position;
  while (position < text.size() && IsContinuation(text[position])) ++position;
  return position;
}

bool TextEntryField::Accepts(const std::string& typed) const {
  if (typed.empty()) return false;
  for (char c : typed) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    if (filter == Filter::Any) continue;
    const bool digit = c >= '0' && c <= '9';
    if (!(digit || c == '+' || c == '-' || (filter == Filter::Decimal && c == '.'))) return false;
  }
  return true;
}

void TextEntryField::DeleteSelection() {
  const size_t from = std::min(anchor, caret);
  const size_t to = std::max(anchor, caret);
  text.erase(from, to - from);
  caret = anchor = from;
}

void TextEntryField::InsertText(const std::string& typed) {
  const std::string clean = LICE_ToUtf8(typed);
  if (!Accepts(clean)) return;
  DeleteSelection();
  const size_t room = static_cast<size_t>(maxChars) - std::min(Utf8Length(text), static_cast<size_t>(maxChars));
  const std::string piece = Utf8Prefix(clean, room);
  text.insert(caret, piece);
  caret += piece.size();
  anchor = caret;
}

TextEntryField::Result TextEntryField::HandleKey(const KeyEvent& key) {
  const bool extend = key.shift;
  switch (key.kind) {
    case KeyEvent::kReturn:
      return Result::Commit;
    case KeyEvent::kEscape:
      return Result::Cancel;
    case KeyEvent::kBackspace:
      if (HasSelection())
        DeleteSelection();
      else if (caret > 0) {
        const size_t from = PreviousBoundary(caret);
        text.erase(from, caret - from);
        caret = anchor = from;
      }
      break;
    case KeyEvent::kDelete:
      if (HasSelection())
        DeleteSelection();
      else if (caret < text.size())
        text.erase(caret, NextBoundary(caret) - caret);
      break;
    case KeyEvent::kLeft:
      if (HasSelection() && !extend)
        caret = std::min(anchor, caret);
      else
        caret = PreviousBoundary(caret);
      if (!extend) anchor = caret;
      break;
    case KeyEvent::kRight:
      if (HasSelection() && !extend)
        caret = std::max(anchor, caret);
      else
        caret = NextBoundary(caret);
      if (!extend) anchor = caret;
      break;
    case KeyEvent::kHome:
    case KeyEvent::kUp:
      caret = 0;
      if (!extend) anchor = caret;
      break;
    case KeyEvent::kEnd:
    case KeyEvent::kDown:
      caret = text.size();
      if (!extend) anchor = caret;
      break;
    case KeyEvent::kSpace:
      if (!key.control) InsertText(" ");
      break;
    case KeyEvent::kText:
      if (key.control) {
        if (key.text == "a" || key.text == "A") {
          anchor = 0;
          caret = text.size();
        }
      } else {
        InsertText(key.text);
      }
      break;
    default:
      break;
  }
  return Result::None;
}

void TextEntryField::Draw(LICE_IBitmap* dest, const Rect& r, const TextStyle& style, LICE_IFont* font) const {
  if (!dest) return;
  LICE_FillRect(dest, r.left, r.top, r.W(), r.H(), ToPixel(style.textEntryBackground), 1.0f, LICE_BlitMode::Copy);
  if (!font) return;
  const int width = font->MeasureText(text);
  int x = r.left + 2;
  if (style.align == TextStyle::kAlignCenter)
    x = r.left + (r.W() - width) / 2;
  else if (style.align == TextStyle::kAlignFar)
    x = r.right - 2 - width;
  const int y = r.top + std::max(0, (r.H() - font->LineHeight()) / 2);
  const LICE_pixel fore = ToPixel(style.textEntryForeground);
  if (HasSelection()) {
    const size_t from = std::min(anchor, caret), to = std::max(anchor, caret);
    const int x0 = x + font->MeasureText(text.substr(0, from));
    const int x1 = x + font->MeasureText(text.substr(0, to));
    LICE_FillRect(dest, x0, y, x1 - x0, font->LineHeight(), LICE_RGBA(51, 153, 255, 255), 1.0f, LICE_BlitMode::Copy);
  }
  font->DrawText(dest, text, x, y, x + width, fore, false, LICE_TextAlign::Left);
  if (!HasSelection()) {
    const int cx = x + font->MeasureText(text.substr(0, caret));
    LICE_FillRect(dest, cx, y, 1, font->LineHeight(), fore, 1.0f, LICE_BlitMode::Copy);
  }
}
