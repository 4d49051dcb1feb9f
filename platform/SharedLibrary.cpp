#include "platform/SharedLibrary.h"

#include <dlfcn.h>

bool SharedLibrary::Open(const std::string& path) {
  Close();
  error.clear();
  if (path.empty()) {
    error = "no library named";
    return false;
  }
  // Local binding: the library's symbols must not satisfy lookups of other modules in the host.
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = dlerror();
    error = message ? message : "cannot be loaded";
  }
  return handle != nullptr;
}

void SharedLibrary::Close() {
  if (handle != nullptr) dlclose(handle);
  handle = nullptr;
}

void* SharedLibrary::Symbol(const char* name) const {
  if (handle == nullptr || name == nullptr) return nullptr;
  return dlsym(handle, name);
}
