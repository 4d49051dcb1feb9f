#include "online/MakerSite.h"

namespace {

// The host without a leading "www.": the name people know the site by.
std::string SiteName() {
  const std::string host = kMakerHost;
  return host.compare(0, 4, "www.") == 0 ? host.substr(4) : host;
}

}  // namespace

std::string MakerSiteLabel() {
  return "Visit " + SiteName();
}

std::string MakerSiteUrl() {
  return std::string("https://") + kMakerHost + "/";
}

std::string MakerDownloadPageUrl() {
  return MakerSiteUrl() + "music/vst.html";
}

std::string NoBrowserText(const std::string& url) {
  return "No web browser could be started. Please open this address by hand:\n\n" + url;
}

std::string MakerUpdateServer() {
  return std::string("http://") + kMakerHost;
}
