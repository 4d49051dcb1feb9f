#pragma once
// A shared library loaded at run time. Loading and unloading belong to module
// load and unload (or to tests); Symbol may be called from any thread while the
// library stays loaded.
#include <string>

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary() { Close(); }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads the library at this path, resolving all its symbols now, and
  // replaces any library held before. False, holding none, when it cannot be
  // loaded; Error() then says why.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return handle != nullptr; }

  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  // The loader's message about the last failed Open (empty after a good one).
  const std::string& Error() const { return error; }

 private:
  void* handle = nullptr;
  std::string error;
};
