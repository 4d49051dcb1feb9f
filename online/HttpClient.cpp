#include "online/HttpClient.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <new>

namespace {

struct BodySink {
  std::string* body;
  size_t limit;
  bool overflowed = false;
};

size_t AppendBody(char* data, size_t size, size_t count, void* userData) {
  auto* sink = static_cast<BodySink*>(userData);
  const size_t bytes = size * count;
  if (sink->body->size() + bytes > sink->limit) {
    sink->overflowed = true;
    return 0;  // a short count ends the transfer
  }
  try {
    sink->body->append(data, bytes);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return bytes;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

HttpGetResult HttpGet(const HttpGetRequest& request) {
  // Global set-up once per process; it is never undone, as other users of
  // the library in the host may still need it.
  static std::once_flag globalInit;
  static CURLcode globalResult = CURLE_OK;
  std::call_once(globalInit, [] { globalResult = curl_global_init(CURL_GLOBAL_DEFAULT); });

  HttpGetResult result;
  if (globalResult != CURLE_OK) return result;
  std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
  if (!handle) return result;
  CURL* curl = handle.get();
  BodySink sink{&result.body, request.maxBodyBytes};
  bool ok = curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str()) == CURLE_OK;
  // Signals would reach the host's threads; timeouts work without them.
  ok = ok && curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  // An empty proxy also overrides http_proxy and friends in the environment.
  ok = ok && curl_easy_setopt(curl, CURLOPT_PROXY, "") == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs)) == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeoutMs)) == CURLE_OK;
  ok = ok &&
       curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodyBytes)) == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 3L) == CURLE_OK;
#if LIBCURL_VERSION_NUM >= 0x075500
  ok = ok && curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
#else
  ok = ok && curl_easy_setopt(curl, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS)) == CURLE_OK;
  ok = ok &&
       curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS)) == CURLE_OK;
#endif
  ok = ok && curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody) == CURLE_OK;
  ok = ok && curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink) == CURLE_OK;
  if (!ok) return result;

  const CURLcode code = curl_easy_perform(curl);
  if (code != CURLE_OK || sink.overflowed) {
    result.outcome = HttpGetOutcome::NoAnswer;
    result.body.clear();
    return result;
  }
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  result.status = static_cast<int>(status);
  result.outcome = HttpGetOutcome::Answered;
  return result;
}
