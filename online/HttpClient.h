#pragma once
// A plain HTTP GET over libcurl, bounded in time and size, for the update
// check. It blocks the calling thread until the exchange ends; any thread
// (the update check runs it on the user-interface thread without the
// plug-in lock).
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
};

// No proxy is used (whatever the environment says), and no headers are
// sent beyond those of a plain request (Host, User-Agent, Accept: */*).
HttpGetResult HttpGet(const HttpGetRequest& request);
