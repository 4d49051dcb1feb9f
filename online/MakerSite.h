#pragma once
// The maker's addresses on the web, all derived from one host name: the web
// site that "Visit ..." opens, the download page the update check offers and
// the web server it asks. Any thread.
#include <string>

// The maker's web server.
inline constexpr const char kMakerHost[] = "www.kestrune.example";

// "Visit kestrune.example", the label of the "Go Online..." submenu's second item.
std::string MakerSiteLabel();
// The site's front page.
std::string MakerSiteUrl();
// The page the new versions are downloaded from.
std::string MakerDownloadPageUrl();
// The text shown when no web browser could be started for url: the address
// in full, to be typed by hand (the status line has room for short ones only).
std::string NoBrowserText(const std::string& url);
// The update server as "http://host" (port 80).
std::string MakerUpdateServer();
