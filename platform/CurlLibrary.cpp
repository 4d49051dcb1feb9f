#include "platform/CurlLibrary.h"

#include <utility>

namespace {

template <class Function>
bool Resolve(const SharedLibrary& library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(library.Symbol(name));
  return function != nullptr;
}

}  // namespace

CurlLibrary::CurlLibrary(const std::string& libraryName) : name(libraryName) {
  if (!library.Open(name)) {
    Fail(library.Error());
    return;
  }
  const char* missing = nullptr;
  if (!Resolve(library, "curl_global_init", globalInit)) missing = "curl_global_init";
  if (!Resolve(library, "curl_easy_init", easyInit)) missing = "curl_easy_init";
  if (!Resolve(library, "curl_easy_cleanup", easyCleanup)) missing = "curl_easy_cleanup";
  if (!Resolve(library, "curl_easy_setopt", easySetopt)) missing = "curl_easy_setopt";
  if (!Resolve(library, "curl_easy_perform", easyPerform)) missing = "curl_easy_perform";
  if (!Resolve(library, "curl_easy_getinfo", easyGetinfo)) missing = "curl_easy_getinfo";
  if (missing) Fail(name + " has no " + missing);
}

void CurlLibrary::Fail(const std::string& why) {
  failure = why.empty() ? "cannot be loaded" : why;
  globalInit = nullptr;
  easyInit = nullptr;
  easyCleanup = nullptr;
  easySetopt = nullptr;
  easyPerform = nullptr;
  easyGetinfo = nullptr;
}

const CurlLibrary& CurlLibrary::Process() {
  // Never destroyed: libcurl stays loaded and set up until the process ends.
  static CurlLibrary* const process = [] {
    auto* loaded = new CurlLibrary(kDefaultName);
    if (!loaded->Usable()) {
      auto* other = new CurlLibrary(kGnuTlsName);
      if (other->Usable()) std::swap(loaded, other);
      delete other;
    }
    if (loaded->Usable() && loaded->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
      loaded->Fail(loaded->name + " could not be set up");
    return loaded;
  }();
  return *process;
}
