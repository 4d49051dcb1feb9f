#include "platform/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// One line's value of user-dirs.dirs: "$HOME/Name" or "/absolute", in double
// quotes with backslash escapes. Empty when the line is not usable.
std::string UserDirValue(const std::string& raw, const std::string& home) {
  std::string value = TrimBlanks(raw);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    std::string unquoted;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
      if (value[i] == '\\' && i + 2 < value.size()) ++i;
      unquoted += value[i];
    }
    value = unquoted;
  }
  if (value.rfind("$HOME", 0) == 0) {
    const std::string rest = value.substr(5);
    if (!rest.empty() && rest.front() != '/') return {};
    return home + rest;
  }
  if (!value.empty() && value.front() == '/') return value;
  return {};
}

std::string DocumentsFromUserDirs(const std::string& home) {
  std::ifstream file(JoinPath(LocalAppDataFolder(), "user-dirs.dirs"));
  if (!file) return {};
  const std::string key = "XDG_DOCUMENTS_DIR";
  std::string line;
  while (std::getline(file, line)) {
    const std::string text = TrimBlanks(line);
    if (text.rfind(key, 0) != 0) continue;
    const std::string rest = TrimBlanks(text.substr(key.size()));
    if (rest.empty() || rest.front() != '=') continue;
    return UserDirValue(rest.substr(1), home);
  }
  return {};
}

}  // namespace

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  const auto limit = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(limit > 0 ? static_cast<size_t>(limit) : size_t{16384});
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] != '\0') {
    return found->pw_dir;
  }
  return "/";
}

std::string LocalAppDataFolder() {
  const std::string configured = Environment("XDG_CONFIG_HOME");
  // Relative values are invalid and are ignored.
  if (!configured.empty() && configured.front() == '/') return configured;
  return JoinPath(HomeFolder(), ".config");
}

std::string DocumentsFolder() {
  const std::string home = HomeFolder();
  const std::string fromUserDirs = DocumentsFromUserDirs(home);
  // "$HOME/" alone means the documents folder is switched off; the fallbacks apply.
  if (!fromUserDirs.empty() && fromUserDirs != home && fromUserDirs != home + "/" && FolderExists(fromUserDirs)) {
    return fromUserDirs;
  }
  const std::string documents = JoinPath(home, "Documents");
  if (FolderExists(documents)) return documents;
  return home;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (name.empty()) return folder;
  const bool folderSlash = folder.back() == '/';
  const bool nameSlash = name.front() == '/';
  if (folderSlash && nameSlash) return folder + name.substr(1);
  if (folderSlash || nameSlash) return folder + name;
  return folder + "/" + name;
}

bool PathHasExtension(const std::string& path, const std::string& extension) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  if (extension.empty() || path.size() < nameStart + extension.size() + 1) return false;
  const size_t dot = path.size() - extension.size() - 1;
  if (path[dot] != '.') return false;
  for (size_t i = 0; i < extension.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(path[dot + 1 + i])) !=
        std::tolower(static_cast<unsigned char>(extension[i])))
      return false;
  return true;
}

bool FolderExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  if (FolderExists(path)) return true;
  size_t position = 0;
  while (position != std::string::npos) {
    position = path.find('/', position + 1);
    const std::string part = path.substr(0, position);
    if (part.empty() || FolderExists(part)) continue;
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return FolderExists(path);
}
