#pragma once
// "Check Online for Update": asks the maker's web server for the newest
// released version and tells the user whether it is newer than this one,
// offering the download page.
//
// User-interface thread: the exchange blocks the calling thread (bounded by
// UpdateCheckLimits); the instrument gives back its lock around it, so the
// audio thread goes on. Nothing is kept between checks.
#include <cstddef>
#include <string>

// What the check needs from the editor. The instrument implements it over its
// editor; tests may use it with the headless window system.
class UpdateCheckHost {
 public:
  virtual ~UpdateCheckHost() = default;
  // A message box (MessageBoxType flags); returns a MessageBoxAnswer.
  virtual int ShowMessage(const std::string& text, const std::string& caption, int type) = 0;
  // Opens the page in the desktop's browser, without asking and without a
  // failure message.
  virtual void OpenWebPage(const std::string& url) = 0;
};

// A server that accepts and never answers, or answers without end, must not
// hold the host's interface: the connection must stand within
// connectTimeoutMs, the whole exchange end within totalTimeoutMs, and a
// version never needs more than maxBodyBytes.
struct UpdateCheckLimits {
  int connectTimeoutMs = 5000;
  int totalTimeoutMs = 10000;
  size_t maxBodyBytes = 65536;
};

// The variable that points the check at another server, such as
// "http://127.0.0.1:8080" (for tests and packagers).
inline constexpr const char kUpdateServerVariable[] = "VORNELL_UPDATE_SERVER";

// The server asked: VORNELL_UPDATE_SERVER when it is set to an "http://"
// address (a trailing "/" removed), else the maker's web server.
std::string UpdateServer();
// The address of the version query on a server.
std::string UpdateQueryUrl(const std::string& server);

// This version as the check compares it (1.0.1).
inline constexpr int kOwnVersionNumber = 1001;
inline constexpr const char kOwnVersionText[] = "1.0.1";

// The reply read as a version: its leading decimal number ("abc" reads 0).
int ReplyVersionNumber(const std::string& reply);
// The version text of a reply: "1002" reads "1.0.2", "1010" "1.0.10",
// "2105" "2.1.5". Only its first line counts, without surrounding blanks.
std::string ReplyVersionText(const std::string& reply);

enum UpdateCheckResult : int {
  kUpdateCheckAnswered = 0,     // a version came (newer or not)
  kUpdateCheckNoAnswer = -1,    // no connection, no reply, or an empty or oversized one
  kUpdateCheckFailed = -2,      // an unexpected error
  kUpdateCheckNotAVersion = -3  // the reply was a page, or the server reported an error
};

class CurlLibrary;

// Runs the whole check with its message boxes; returns an UpdateCheckResult.
// Through the process's libcurl, or the one given.
int CheckOnlineForUpdate(UpdateCheckHost& host, const std::string& server, const UpdateCheckLimits& limits);
int CheckOnlineForUpdate(UpdateCheckHost& host, const std::string& server, const UpdateCheckLimits& limits,
                         const CurlLibrary& http);
