#pragma once
// A plain HTTP GET over libcurl (loaded at the first request), bounded in
// time and size, for the update check. It blocks the calling thread until the
// exchange ends; any thread (the update check runs it on the user-interface
// thread without the plug-in lock).
#include <cstddef>
#include <string>

struct HttpGetRequest {
  // "http://host[:port]/path?query"; redirects are followed (http and https only).
  std::string url;
  std::string userAgent;
  // The connection must stand within connectTimeoutMs, the whole exchange
  // end within totalTimeoutMs; a body longer than maxBodyBytes is not read on.
  int connectTimeoutMs = 5000;
  int totalTimeoutMs = 10000;
  size_t maxBodyBytes = 65536;
};

enum class HttpGetOutcome {
  Answered,  // a complete response (any status); body holds it
  NoAnswer,  // no connection, no complete response within the bounds, or the body too long
  Failed     // the client could not be set up
};

struct HttpGetResult {
  HttpGetOutcome outcome = HttpGetOutcome::Failed;
  int status = 0;  // the HTTP status of an answer
  std::string body;
  // When Failed because the HTTP library is missing or unusable: why, for the user.
  std::string libraryFailure;
};

class CurlLibrary;

// No proxy is used (whatever the environment says), and no headers are
// sent beyond those of a plain request (Host, User-Agent, Accept: */*).
// Through the process's libcurl (CurlLibrary::Process()) or the one given.
HttpGetResult HttpGet(const HttpGetRequest& request);
HttpGetResult HttpGet(const HttpGetRequest& request, const CurlLibrary& curl);
