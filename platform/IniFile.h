#pragma once
// An INI file on disk shared by every plug-in instance of every process. Each
// call reads the file afresh, so a write by any instance is seen by the next
// read of all others (the last writer wins). Writes are read-modify-write under
// an exclusive lock on the file's folder, and replace the file through a
// temporary file and a rename: a crash or a full disk leaves either the old or
// the new file, never a half-written one.
//
// A file that exists but cannot be read (no permission, larger than
// kMaxFileSize) reads as empty, and every write to it fails, so that settings
// this process could not see are never overwritten.
//
// Any thread; the calls block on file I/O, so not from the audio thread.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/IniDocument.h"

class IniFile {
 public:
  static constexpr size_t kMaxFileSize = 8u * 1024u * 1024u;

  enum class LoadResult { Read, Missing, Unreadable };

  IniFile() = default;
  explicit IniFile(std::string path) : path(std::move(path)) {}

  const std::string& Path() const { return path; }
  void SetPath(std::string newPath) { path = std::move(newPath); }

  bool Exists() const;
  // Creates an empty file when there is none. True when a file exists afterwards.
  bool CreateEmpty() const;

  // The file's content now; a missing or unreadable file gives an empty document.
  LoadResult Load(IniDocument& document) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultText,
                         size_t bufferSize) const;
  std::vector<std::string> ReadSection(std::string_view section, size_t bufferSize) const;

  bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;
  bool EmptySection(std::string_view section) const;

  // Applies several changes as one write. edit returns false to leave the file
  // untouched; the result is true only when the new text was stored.
  bool Update(const std::function<bool(IniDocument&)>& edit) const;

 private:
  std::string path;
};
