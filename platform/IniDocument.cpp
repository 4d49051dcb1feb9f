#include "platform/IniDocument.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// ASCII only: a locale-dependent fold would make names match differently from
// one host to the next.
char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

enum class LineKind { Blank, Comment, Header, Entry };

struct ParsedLine {
  LineKind kind = LineKind::Blank;
  std::string_view name;  // section name of a header, key of an entry
  std::string_view value;
  bool hasValue = false;
};

ParsedLine ParseLine(std::string_view line) {
  ParsedLine parsed;
  const std::string_view text = Trim(line);
  if (text.empty()) return parsed;
  if (text.front() == ';') {
    parsed.kind = LineKind::Comment;
    return parsed;
  }
  if (text.front() == '[') {
    parsed.kind = LineKind::Header;
    std::string_view name = text.substr(1);
    const size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    parsed.name = Trim(name);
    return parsed;
  }
  parsed.kind = LineKind::Entry;
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    parsed.name = text;
    return parsed;
  }
  parsed.name = Trim(text.substr(0, equals));
  parsed.value = Trim(text.substr(equals + 1));
  parsed.hasValue = true;
  return parsed;
}

std::string EncodeValue(std::string_view value) {
  const bool blankAtEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  const bool quotedLook = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
  if (blankAtEnd || quotedLook) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    byteOrderMark = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  bool newlineKnown = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const bool crlf = !line.empty() && line.back() == '\r';
    if (end != std::string_view::npos && !newlineKnown) {
      newline = crlf ? "\r\n" : "\n";
      newlineKnown = true;
    }
    // The carriage return is part of the line break only where lines end in
    // CR LF; elsewhere it belongs to the line, so that the text is written back
    // as it was read (values are trimmed of it all the same).
    if (crlf && newline == "\r\n") line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

IniDocument::SectionRange IniDocument::FindSection(std::string_view section) const {
  SectionRange range;
  for (size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind != LineKind::Header) continue;
    if (range.found) {
      range.end = i;
      return range;
    }
    if (SameName(parsed.name, section)) {
      range.found = true;
      range.header = i;
      range.begin = i + 1;
    }
  }
  if (range.found) range.end = lines.size();
  return range;
}

size_t IniDocument::FindKey(const SectionRange& range, std::string_view key) const {
  if (!range.found) return std::string::npos;
  for (size_t i = range.begin; i < range.end; ++i) {
    const ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind == LineKind::Entry && SameName(parsed.name, key)) return i;
  }
  return std::string::npos;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key, std::string_view defaultText,
                                   size_t bufferSize) const {
  std::string_view result = defaultText;
  const size_t line = FindKey(FindSection(section), key);
  if (line != std::string::npos) {
    const ParsedLine parsed = ParseLine(lines[line]);
    result = parsed.value;
    if (result.size() >= 2 && IsQuote(result.front()) && result.back() == result.front()) {
      result = result.substr(1, result.size() - 2);
    }
  }
  if (bufferSize == 0) return {};
  if (result.size() > bufferSize - 1) result = result.substr(0, bufferSize - 1);
  return std::string(result);
}

std::vector<std::string> IniDocument::GetSection(std::string_view section, size_t bufferSize) const {
  std::vector<std::string> entries;
  const SectionRange range = FindSection(section);
  if (!range.found || bufferSize == 0) return entries;
  size_t used = 1;  // the list's closing terminator
  for (size_t i = range.begin; i < range.end; ++i) {
    const ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind != LineKind::Entry) continue;
    std::string entry(parsed.name);
    if (parsed.hasValue) {
      entry += '=';
      entry += parsed.value;
    }
    if (used + entry.size() + 1 > bufferSize) break;
    used += entry.size() + 1;
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool IniDocument::SetString(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty() || Trim(section) != section || Trim(key) != key) return false;
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos) return false;
  if (key.front() == '[' || key.front() == ';') return false;

  const std::string encoded = EncodeValue(value);
  const SectionRange range = FindSection(section);
  if (!range.found) {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(std::string(key) + "=" + encoded);
    return true;
  }
  const size_t existing = FindKey(range, key);
  if (existing != std::string::npos) {
    // Keep the key as the file spells it.
    const std::string fileKey(ParseLine(lines[existing]).name);
    lines[existing] = fileKey + "=" + encoded;
    return true;
  }
  // After the section's last non-blank line, so a blank separator before the next section stays.
  size_t insertAt = range.begin;
  for (size_t i = range.begin; i < range.end; ++i) {
    if (ParseLine(lines[i]).kind != LineKind::Blank) insertAt = i + 1;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::string(key) + "=" + encoded);
  return true;
}

void IniDocument::EmptySection(std::string_view section) {
  const SectionRange range = FindSection(section);
  if (!range.found) return;
  std::vector<std::string> kept;
  kept.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool inBody = i >= range.begin && i < range.end;
    if (inBody && ParseLine(lines[i]).kind != LineKind::Blank) continue;
    kept.push_back(std::move(lines[i]));
  }
  lines = std::move(kept);
}

std::string IniDocument::Text() const {
  std::string text;
  if (byteOrderMark) text += kByteOrderMark;
  for (const std::string& line : lines) {
    text += line;
    text += newline;
  }
  return text;
}
