#include "online/UpdateCheck.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <exception>

#include "graphics/EditorRecords.h"
#include "online/HttpClient.h"
#include "online/MakerSite.h"
#include "platform/CurlLibrary.h"

namespace {

constexpr const char* kTitle = "Check Online for Update";
constexpr const char* kProductName = "Vornell";
constexpr const char* kQueryPath = "/music/version/?file=vornell";
constexpr size_t kMaxVersionTextLength = 32;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

void ShowNoAnswer(UpdateCheckHost& host) {
  host.ShowMessage(
      "An error occurred while contacting the Kestrune Music web server.\n\n"
      "Please check your internet connection and try again later.",
      kTitle, kMessageOk | kMessageIconError);
}

// The system lacks a usable libcurl: no connection can be tried at all, and
// only installing it helps.
void ShowNoHttpLibrary(UpdateCheckHost& host, const std::string& failure) {
  host.ShowMessage(
      "An error occurred while contacting the Kestrune Music web server: the system's HTTP library could not "
      "be loaded.\n\n" +
          failure + "\n\nPlease install libcurl (package libcurl4) and try again.",
      kTitle, kMessageOk | kMessageIconError);
}

}  // namespace

std::string UpdateServer() {
  const char* value = std::getenv(kUpdateServerVariable);
  std::string server = value ? value : "";
  while (!server.empty() && server.back() == '/') server.pop_back();
  if (server.size() <= 7 || server.compare(0, 7, "http://") != 0) return MakerUpdateServer();
  return server;
}

std::string UpdateQueryUrl(const std::string& server) {
  return server + kQueryPath;
}

int ReplyVersionNumber(const std::string& reply) {
  size_t i = 0;
  while (i < reply.size() && IsBlank(reply[i])) ++i;
  bool negative = false;
  if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) negative = reply[i++] == '-';
  long long n = 0;
  for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
    n = n * 10 + (reply[i] - '0');
    if (n > INT_MAX) n = INT_MAX;  // a longer number is still "newer"
  }
  return static_cast<int>(negative ? -n : n);
}

std::string ReplyVersionText(const std::string& reply) {
  size_t begin = 0;
  while (begin < reply.size() && IsBlank(reply[begin])) ++begin;
  size_t end = begin;
  while (end < reply.size() && reply[end] != '\n' && reply[end] != '\r') ++end;
  while (end > begin && IsBlank(reply[end - 1])) --end;
  const std::string line = reply.substr(begin, std::min(end - begin, kMaxVersionTextLength));
  if (line.size() < 3) return line;
  // Two leading digits for major and minor, then the patch, whose leading
  // "0" is only there to fill the place ("1003" is 1.0.3, "1012" 1.0.12).
  const size_t patch = line[2] == '0' ? 3 : 2;
  return line.substr(0, 1) + "." + line.substr(1, 1) + "." + line.substr(std::min(patch, line.size()));
}

namespace {

// http null: the process's libcurl, loaded here at the first check.
int CheckWith(UpdateCheckHost& host, const std::string& server, const UpdateCheckLimits& limits,
              const CurlLibrary* http) {
  try {
    HttpGetRequest request;
    request.url = UpdateQueryUrl(server);
    request.userAgent = kProductName;
    request.connectTimeoutMs = limits.connectTimeoutMs;
    request.totalTimeoutMs = limits.totalTimeoutMs;
    request.maxBodyBytes = limits.maxBodyBytes;
    const HttpGetResult reply = HttpGet(request, http ? *http : CurlLibrary::Process());
    if (reply.outcome == HttpGetOutcome::Failed) {
      if (reply.libraryFailure.empty())
        ShowNoAnswer(host);
      else
        ShowNoHttpLibrary(host, reply.libraryFailure);
      return kUpdateCheckFailed;
    }
    if (reply.outcome == HttpGetOutcome::NoAnswer || reply.body.empty()) {
      ShowNoAnswer(host);
      return kUpdateCheckNoAnswer;
    }
    // A page instead of a version, or an error the server reported in
    // plain text (which would otherwise read as version 0, "up to date").
    if (reply.body.find('<') != std::string::npos || reply.status < 200 || reply.status > 299) {
      host.ShowMessage("The call to the Kestrune Music web server was invalid.\n\nPlease try again later.", kTitle,
                       kMessageOk | kMessageIconError);
      return kUpdateCheckNotAVersion;
    }
    if (ReplyVersionNumber(reply.body) <= kOwnVersionNumber) {
      host.ShowMessage("Your version is up to date.", kTitle, kMessageOk | kMessageIconInformation);
      return kUpdateCheckAnswered;
    }
    const std::string text = std::string("A new version of ") + kProductName + " is available.\n\n" +
                             "\tYour version: \t" + kOwnVersionText + "\n" + "\tNew version: \t" +
                             ReplyVersionText(reply.body) + "\n" +
                             "\nDo you want to go to the Kestrune Music web site to get the new version?";
    const std::string caption = std::string("New Version of ") + kProductName + " Detected";
    // Only "no" declines.
    if (host.ShowMessage(text, caption, kMessageYesNo | kMessageIconQuestion) != kAnswerNo)
      host.OpenWebPage(MakerDownloadPageUrl());
    return kUpdateCheckAnswered;
  } catch (const std::exception&) {
    ShowNoAnswer(host);
    return kUpdateCheckFailed;
  }
}

}  // namespace

int CheckOnlineForUpdate(UpdateCheckHost& host, const std::string& server, const UpdateCheckLimits& limits) {
  return CheckWith(host, server, limits, nullptr);
}

int CheckOnlineForUpdate(UpdateCheckHost& host, const std::string& server, const UpdateCheckLimits& limits,
                         const CurlLibrary& http) {
  return CheckWith(host, server, limits, &http);
}
