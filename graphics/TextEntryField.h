#pragma once
// A single-line edit field drawn by the framework: the editor's text entry
// and the path field of the built-in file prompt. User-interface thread.
#include <string>

#include "graphics/EditorRecords.h"

class LICE_IBitmap;
class LICE_IFont;

class TextEntryField {
 public:
  // What typing may insert (backspace always works).
  enum class Filter {
    Any,
    Integer,  // "+", "-" and digits
    Decimal   // also "."
  };
  enum class Result { None, Commit, Cancel };

  // The text starts selected as a whole. maxChars counts characters, not bytes.
  TextEntryField(const std::string& text, int maxChars, Filter filter);

  Result HandleKey(const KeyEvent& key);
  const std::string& Text() const { return text; }
  void SetText(const std::string& newText);
  bool HasSelection() const { return anchor != caret; }
  // Caret position in bytes.
  size_t Caret() const { return caret; }

  // Paints the field into r: background, text aligned by the style, the
  // selection and the caret.
  void Draw(LICE_IBitmap* dest, const Rect& r, const TextStyle& style, LICE_IFont* font) const;

 private:
  bool Accepts(const std::string& typed) const;
  void DeleteSelection();
  void InsertText(const std::string& typed);
  size_t PreviousBoundary(size_t position) const;
  size_t NextBoundary(size_t position) const;

  std::string text;
  int maxChars;
  Filter filter;
  size_t caret = 0;
  size_t anchor = 0;
};

// Counts UTF-8 characters.
size_t Utf8Length(const std::string& text);
// The first `count` characters.
std::string Utf8Prefix(const std::string& text, size_t count);
