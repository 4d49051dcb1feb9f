#pragma once
// The few libcurl functions the HTTP client uses, loaded at run time. The
// module does not link libcurl: with its TLS, Kerberos, LDAP and SSH
// libraries it would double the time a host needs to load the module, for an
// update check that most sessions never run.
//
// Any thread. Process() loads the library at its first call (one attempt per
// process, never unloaded, as other users of libcurl in the host may share it).
#include <curl/curl.h>

#include <string>

#include "platform/SharedLibrary.h"

class CurlLibrary {
 public:
  // The soname of libcurl's current interface; Process() falls back on the
  // build with the same interface over GnuTLS, which many systems have instead.
  static constexpr const char kDefaultName[] = "libcurl.so.4";
  static constexpr const char kGnuTlsName[] = "libcurl-gnutls.so.4";

  // Loads the library by this name (a soname or a path) and resolves its
  // functions; the global set-up is left to the user (GlobalInit).
  explicit CurlLibrary(const std::string& libraryName);
  CurlLibrary(const CurlLibrary&) = delete;
  CurlLibrary& operator=(const CurlLibrary&) = delete;

  // The process's libcurl, loaded at the first call and set up once
  // (curl_global_init); the set-up is never undone. When neither build can be
  // used, Failure() tells why the first could not.
  static const CurlLibrary& Process();

  // All functions resolved (and, for Process(), the global set-up done).
  bool Usable() const { return failure.empty(); }
  // Why not, for the user: names the library and what went wrong.
  const std::string& Failure() const { return failure; }

  // Null unless Usable().
  CURLcode (*globalInit)(long flags) = nullptr;
  CURL* (*easyInit)() = nullptr;
  void (*easyCleanup)(CURL* handle) = nullptr;
  CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...) = nullptr;
  CURLcode (*easyPerform)(CURL* handle) = nullptr;
  CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...) = nullptr;

 private:
  void Fail(const std::string& why);

  std::string name;
  SharedLibrary library;
  std::string failure;
};
