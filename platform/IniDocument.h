#pragma once
// The text of an INI file held in memory and edited line by line, so that
// comments, blank lines, unknown sections and keys and the order of everything
// survive a write. Section and key names are compared without regard to ASCII
// case; when a section or a key occurs twice, the first occurrence is the one
// read and written. Lines starting with ';' are comments.
//
// Not thread-safe; IniFile gives every call its own document.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view text);

  // The value of section/key with the blanks around it and one pair of
  // matching quotes removed, or defaultText when the key is absent. The result
  // is cut to bufferSize - 1 bytes, as a fixed text buffer of that size would
  // hold it (a bufferSize of 0 gives the empty text).
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultText,
                        size_t bufferSize) const;

  // The section's entries in file order, each "key=value" with blanks around
  // both trimmed (a line without "=" as it stands). Entries are taken while
  // they fit whole into bufferSize bytes counted as zero-terminated texts
  // followed by one more terminator; the first entry that does not fit ends
  // the list, so no entry is ever returned cut short.
  std::vector<std::string> GetSection(std::string_view section, size_t bufferSize) const;

  // Sets the key, appending the section at the end of the text and the key at
  // the end of the section's entries when they are missing. A value with blanks
  // at either end, or one that would lose its quotes on reading, is written in
  // double quotes so that GetString returns it unchanged. False, with nothing
  // changed, for names or values that cannot be stored on one line: an empty or
  // untrimmed name, a line break anywhere, "=" in a key, "]" in a section name.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);

  // Removes every entry of the section (comments inside it too) and keeps its
  // header. Nothing happens when the section is missing.
  void EmptySection(std::string_view section);

  std::string Text() const;

 private:
  // Index range of a section's body: the lines after its header up to the next header.
  struct SectionRange {
    size_t header = 0;
    size_t begin = 0;
    size_t end = 0;
    bool found = false;
  };

  SectionRange FindSection(std::string_view section) const;
  // Index of the key's line inside the range, or npos.
  size_t FindKey(const SectionRange& range, std::string_view key) const;

  std::vector<std::string> lines;
  std::string newline = "\n";
  bool byteOrderMark = false;
};
