#pragma once
// The small records the editor framework passes around: rectangles,
// colours, text styles, mouse modifiers, key codes, panel bitmaps, blends.
#include <algorithm>
#include <cstdint>
#include <string>

class LICE_IBitmap;
class LICE_IFont;

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  Rect() = default;
  Rect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

  int32_t W() const { return right - left; }
  int32_t H() const { return bottom - top; }
  int32_t MidX() const { return (left + right) / 2; }
  int32_t MidY() const { return (top + bottom) / 2; }
  // All four values 0: the empty rectangle (contains and meets nothing).
  bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool Contains(int32_t x, int32_t y) const { return !Empty() && x >= left && x < right && y >= top && y < bottom; }
  bool Intersects(const Rect& r) const {
    return !Empty() && !r.Empty() && left < r.right && r.left < right && top < r.bottom && r.top < bottom;
  }
  // The common part, or the empty rectangle when they do not meet.
  Rect Intersect(const Rect& r) const {
    if (!Intersects(r)) return Rect();
    return Rect(std::max(left, r.left), std::max(top, r.top), std::min(right, r.right), std::min(bottom, r.bottom));
  }
  Rect Union(const Rect& r) const {
    if (Empty()) return r;
    if (r.Empty()) return *this;
    return Rect(std::min(left, r.left), std::min(top, r.top), std::max(right, r.right), std::max(bottom, r.bottom));
  }
  bool operator==(const Rect& r) const = default;
};

struct Color {
  int32_t A = 255, R = 0, G = 0, B = 0;

  Color() = default;
  Color(int32_t a, int32_t r, int32_t g, int32_t b) : A(a), R(r), G(g), B(b) {}
  bool operator==(const Color& c) const = default;
};

inline const Color kColorBlack(255, 0, 0, 0);
inline const Color kColorWhite(255, 255, 255, 255);

struct TextStyle {
  enum Style { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum Align { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum Quality { kQualityDefault = 0, kQualityNonAntiAliased = 1, kQualityAntiAliased = 2, kQualityClearType = 3 };

  std::string font = "Verdana";  // up to 32 characters
  int size = 12;                 // pixel height
  Color color = kColorBlack;
  Style style = kStyleNormal;
  Align align = kAlignCenter;
  int orientation = 0;  // degrees
  Quality quality = kQualityDefault;
  Color textEntryBackground = kColorWhite;
  Color textEntryForeground = kColorBlack;
  // Filled from the process-wide font cache on first use; not owned.
  mutable LICE_IFont* cachedFont = nullptr;

  TextStyle() = default;
  TextStyle(const std::string& fontName, int fontSize, const Color& textColor, Style fontStyle = kStyleNormal,
            Align alignment = kAlignCenter)
      : font(fontName.substr(0, 32)), size(fontSize), color(textColor), style(fontStyle), align(alignment) {}
};

struct MouseMods {
  bool L = false, R = false, S = false, C = false, A = false;
};

// Keys the controls understand; everything else has no code.
enum KeyCode : int {
  kKeyNone = -1,
  kKeySpace = 0,
  kKeyUp = 1,
  kKeyDown = 2,
  kKeyLeft = 3,
  kKeyRight = 4,
  kKeyDigit0 = 5,  // "0" .. "9" -> 5 .. 14
  kKeyDigit9 = 14,
  kKeyLetterA = 15,  // "A" .. "Z", "a" .. "z" -> 15 .. 40
  kKeyLetterZ = 40
};

// A key as the window system reports it, before it has a KeyCode.
struct KeyEvent {
  enum Kind {
    kText,  // a character; `text` holds it as UTF-8
    kSpace,
    kUp,
    kDown,
    kLeft,
    kRight,
    kHome,
    kEnd,
    kBackspace,
    kDelete,
    kReturn,
    kEscape,
    kTab,
    kOther  // function keys, modifiers alone, ...
  };
  Kind kind = kOther;
  std::string text;
  bool shift = false, control = false, alt = false;
};

// The KeyCode of a key event, or kKeyNone.
inline KeyCode KeyCodeOf(const KeyEvent& e) {
  switch (e.kind) {
    case KeyEvent::kSpace:
      return kKeySpace;
    case KeyEvent::kUp:
      return kKeyUp;
    case KeyEvent::kDown:
      return kKeyDown;
    case KeyEvent::kLeft:
      return kKeyLeft;
    case KeyEvent::kRight:
      return kKeyRight;
    case KeyEvent::kText:
      if (e.text.size() == 1) {
        const char c = e.text[0];
        if (c == ' ') return kKeySpace;
        if (c >= '0' && c <= '9') return static_cast<KeyCode>(kKeyDigit0 + (c - '0'));
        if (c >= 'A' && c <= 'Z') return static_cast<KeyCode>(kKeyLetterA + (c - 'A'));
        if (c >= 'a' && c <= 'z') return static_cast<KeyCode>(kKeyLetterA + (c - 'a'));
      }
      return kKeyNone;
    default:
      return kKeyNone;
  }
}

struct PanelBitmap {
  // Owned by the bitmap cache; null until first drawn when resourceId is set.
  LICE_IBitmap* bitmap = nullptr;
  int W = 0, H = 0;  // the whole image
  int N = 1;         // frame count
  bool framesAreHorizontal = false;
  // The "PNG" resource it came from (0 none); its twice-size drawing, if
  // the module has one, serves zoomed editors.
  int resourceId = 0;

  PanelBitmap() = default;
  PanelBitmap(LICE_IBitmap* b, int w, int h, int n = 1, bool horizontal = false)
      : bitmap(b), W(w), H(h), N(n < 1 ? 1 : n), framesAreHorizontal(horizontal) {}
  // Size of one frame.
  int FrameWidth() const { return framesAreHorizontal ? W / N : W; }
  int FrameHeight() const { return framesAreHorizontal ? H : H / N; }
};

struct BlendMode {
  enum Mode { kNone = 0, kClobber = 1, kAdd = 2, kColorDodge = 3 };
  Mode mode = kNone;
  float weight = 1.0f;

  BlendMode() = default;
  BlendMode(Mode m, float w = 1.0f) : mode(m), weight(w) {}
};

// Answers of message boxes and the button and icon kinds they are asked with.
enum MessageBoxType {
  kMessageOk = 0x0,
  kMessageOkCancel = 0x1,
  kMessageYesNoCancel = 0x3,
  kMessageYesNo = 0x4,
  kMessageButtonsMask = 0xf,
  kMessageIconError = 0x10,
  kMessageIconQuestion = 0x20,
  kMessageIconWarning = 0x30,
  kMessageIconInformation = 0x40,
  kMessageIconMask = 0xf0
};
enum MessageBoxAnswer { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };
