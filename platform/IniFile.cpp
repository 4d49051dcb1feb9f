#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

IniFile::LoadResult ReadWholeFile(const std::string& path, std::string& text) {
  text.clear();
  if (path.empty()) return IniFile::LoadResult::Missing;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? IniFile::LoadResult::Missing : IniFile::LoadResult::Unreadable;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<uint64_t>(info.st_size) > IniFile::kMaxFileSize) {
    close(fd);
    return IniFile::LoadResult::Unreadable;
  }
  char buffer[16384];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      close(fd);
      text.clear();
      return IniFile::LoadResult::Unreadable;
    }
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
    // The file may grow while it is read; the limit holds for what is read.
    if (text.size() > IniFile::kMaxFileSize) {
      close(fd);
      text.clear();
      return IniFile::LoadResult::Unreadable;
    }
  }
  close(fd);
  return IniFile::LoadResult::Read;
}

// The file a write replaces: a symbolic link is followed so that the link stays.
std::string WriteTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  }
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Holds an exclusive advisory lock on a folder for its lifetime. flock locks
// belong to the open file description, so two instances in one process exclude
// each other as two processes do.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    int result;
    do {
      result = flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    locked = result == 0;
  }
  ~FolderLock() {
    if (fd >= 0) close(fd);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool Locked() const { return locked; }
  int Descriptor() const { return fd; }

 private:
  int fd = -1;
  bool locked = false;
};

bool ReplaceFile(const std::string& target, const std::string& text, int folderFd) {
  const std::string folder = FolderOf(target);
  std::string pattern = folder + "/." + NameOf(target) + ".XXXXXX";
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return false;

  mode_t mode = 0644;
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) mode = info.st_mode & 07777;

  bool ok = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(pattern.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(pattern.c_str());
    return false;
  }
  // Make the rename itself durable; failure here does not undo the write.
  if (folderFd >= 0) fsync(folderFd);
  return true;
}

}  // namespace

bool IniFile::Exists() const {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool IniFile::CreateEmpty() const {
  if (path.empty()) return false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    close(fd);
    return true;
  }
  return Exists();
}

IniFile::LoadResult IniFile::Load(IniDocument& document) const {
  std::string text;
  const LoadResult result = ReadWholeFile(path, text);
  document = IniDocument(text);
  return result;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultText,
                                size_t bufferSize) const {
  IniDocument document;
  Load(document);
  return document.GetString(section, key, defaultText, bufferSize);
}

std::vector<std::string> IniFile::ReadSection(std::string_view section, size_t bufferSize) const {
  IniDocument document;
  Load(document);
  return document.GetSection(section, bufferSize);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
  return Update([&](IniDocument& document) { return document.SetString(section, key, value); });
}

bool IniFile::EmptySection(std::string_view section) const {
  return Update([&](IniDocument& document) {
    document.EmptySection(section);
    return true;
  });
}

bool IniFile::Update(const std::function<bool(IniDocument&)>& edit) const {
  if (path.empty()) return false;
  const std::string target = WriteTarget(path);
  FolderLock lock(FolderOf(target));
  if (!lock.Locked()) return false;

  std::string before;
  const LoadResult loaded = ReadWholeFile(target, before);
  if (loaded == LoadResult::Unreadable) return false;
  IniDocument document(before);
  if (!edit(document)) return false;
  const std::string after = document.Text();
  if (loaded == LoadResult::Read && after == before) return true;
  return ReplaceFile(target, after, lock.Descriptor());
}
