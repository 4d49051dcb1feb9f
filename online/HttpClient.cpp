#include "online/HttpClient.h"

#include <memory>
#include <new>

#include "platform/CurlLibrary.h"

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

}  // namespace

HttpGetResult HttpGet(const HttpGetRequest& request) {
  return HttpGet(request, CurlLibrary::Process());
}

HttpGetResult HttpGet(const HttpGetRequest& request, const CurlLibrary& library) {
  HttpGetResult result;
  if (!library.Usable()) {
    result.libraryFailure = library.Failure();
    return result;
  }
  auto cleanup = [&library](CURL* handle) { library.easyCleanup(handle); };
  std::unique_ptr<CURL, decltype(cleanup)> handle(library.easyInit(), cleanup);
  if (!handle) return result;
  CURL* curl = handle.get();
  // Variadic: every value must have the type the option reads (long,
  // curl_off_t, a pointer), as the header's type checks are not applied here.
  auto set = [&library, curl](CURLoption option, auto value) {
    return library.easySetopt(curl, option, value) == CURLE_OK;
  };
  BodySink sink{&result.body, request.maxBodyBytes};
  bool ok = set(CURLOPT_URL, request.url.c_str());
  ok = ok && set(CURLOPT_USERAGENT, request.userAgent.c_str());
  // Signals would reach the host's threads; timeouts work without them.
  ok = ok && set(CURLOPT_NOSIGNAL, 1L);
  // An empty proxy also overrides http_proxy and friends in the environment.
  ok = ok && set(CURLOPT_PROXY, "");
  ok = ok && set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
  ok = ok && set(CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeoutMs));
  ok = ok && set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodyBytes));
  ok = ok && set(CURLOPT_FOLLOWLOCATION, 1L);
  ok = ok && set(CURLOPT_MAXREDIRS, 3L);
#if LIBCURL_VERSION_NUM >= 0x075500
  ok = ok && set(CURLOPT_PROTOCOLS_STR, "http,https");
  ok = ok && set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
  ok = ok && set(CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
  ok = ok && set(CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
  ok = ok && set(CURLOPT_WRITEFUNCTION, &AppendBody);
  ok = ok && set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
  if (!ok) return result;

  const CURLcode code = library.easyPerform(curl);
  if (code != CURLE_OK || sink.overflowed) {
    result.outcome = HttpGetOutcome::NoAnswer;
    result.body.clear();
    return result;
  }
  long status = 0;
  library.easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  result.status = static_cast<int>(status);
  result.outcome = HttpGetOutcome::Answered;
  return result;
}
