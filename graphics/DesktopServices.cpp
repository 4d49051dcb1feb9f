#include "graphics/DesktopServices.h"

#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "graphics/IWindowSystem.h"
#include "platform/Paths.h"

extern char** environ;

namespace {

// argv and envp for execve, built before fork (no allocation in the child).
struct ExecData {
  std::vector<std::string> argumentStore;
  std::vector<char*> argv;
  std::vector<std::string> environmentStore;
  std::vector<char*> envp;

  explicit ExecData(const std::vector<std::string>& arguments) : argumentStore(arguments) {
    for (std::string& a : argumentStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (char** e = environ; e && *e; ++e) {
      if (std::strncmp(*e, "LD_LIBRARY_PATH=", 16) == 0 || std::strncmp(*e, "LD_PRELOAD=", 11) == 0) continue;
      environmentStore.emplace_back(*e);
    }
    for (std::string& e : environmentStore) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
};

std::string Title(const FileDialogRequest& request) {
  if (!request.title.empty()) return request.title;
  return request.chooseFolder ? "Choose Folder" : request.save ? "Save As" : "Open";
}

std::string StartPath(const FileDialogRequest& request) {
  std::string path = request.folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return request.chooseFolder ? path : path + request.fileName;
}

// "*.[fF][xX][bB] *.[fF][xX][pP]"
std::string AnyCasePatterns(const FileDialogRequest& request) {
  std::string patterns;
  for (const std::string& e : request.extensions) patterns += (patterns.empty() ? "" : " ") + AnyCaseGlob(e);
  return patterns;
}

bool HasAnyExtension(const std::string& name, const std::vector<std::string>& extensions) {
  if (extensions.empty()) return true;
  for (const std::string& e : extensions)
    if (PathHasExtension(name, e)) return true;
  return false;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty()) return std::string();
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* pathVariable = std::getenv("PATH");
  const std::string path = pathVariable ? pathVariable : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string folder = end > start ? path.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0 && !IsDirectory(candidate)) return candidate;
    start = end + 1;
  }
  return std::string();
}

std::vector<std::string> ZenityFileArguments(const std::string& program, const FileDialogRequest& request,
                                             unsigned long parentWindow) {
  std::vector<std::string> args = {program, "--file-selection", "--title=" + Title(request)};
  if (parentWindow != 0) {
    args.push_back("--modal");
    args.push_back("--attach=" + std::to_string(parentWindow));
  }
  if (request.chooseFolder) {
    args.push_back("--directory");
  } else if (request.save) {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  // A trailing "/" makes the start a folder rather than a file name.
  args.push_back("--filename=" + StartPath(request));
  if (!request.chooseFolder && !request.extensions.empty())
    args.push_back("--file-filter=" + request.filter + " | " + AnyCasePatterns(request));
  return args;
}

std::vector<std::string> KdialogFileArguments(const std::string& program, const FileDialogRequest& request,
                                              unsigned long parentWindow) {
  const char* mode = request.chooseFolder ? "--getexistingdirectory"
                     : request.save       ? "--getsavefilename"
                                          : "--getopenfilename";
  std::vector<std::string> args = {program, mode, StartPath(request)};
  if (!request.chooseFolder && !request.extensions.empty())
    args.push_back(request.filter + " (" + AnyCasePatterns(request) + ")");
  args.push_back("--title");
  args.push_back(Title(request));
  if (parentWindow != 0) {
    args.push_back("--attach");
    args.push_back(std::to_string(parentWindow));
  }
  return args;
}

std::string AnyCaseGlob(const std::string& extension) {
  std::string glob = "*.";
  for (char c : extension) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (lower == upper) {
      glob += c;
    } else {
      glob += '[';
      glob += lower;
      glob += upper;
      glob += ']';
    }
  }
  return glob;
}

std::vector<std::string> PromptFolderEntries(const std::string& folder, const std::vector<std::string>& extensions,
                                             bool foldersOnly, size_t maxEntries) {
  std::vector<std::string> folders, files;
  DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (dir) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.empty() || name[0] == '.') continue;
      if (folders.size() + files.size() >= maxEntries) break;
      if (IsDirectory(JoinPath(folder, name))) {
        folders.push_back(name + "/");
      } else if (!foldersOnly && HasAnyExtension(name, extensions)) {
        files.push_back(name);
      }
    }
    closedir(dir);
  }
  // In the order people read names: case counts only between equal names.
  auto byName = [](const std::string& a, const std::string& b) {
    auto lowered = [](std::string text) {
      for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return text;
    };
    const std::string la = lowered(a), lb = lowered(b);
    return la != lb ? la < lb : a < b;
  };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  std::vector<std::string> entries;
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  if (!trimmed.empty() && trimmed != "/") entries.push_back("../");
  entries.insert(entries.end(), folders.begin(), folders.end());
  entries.insert(entries.end(), files.begin(), files.end());
  return entries;
}

std::string DialogResultPath(int exitCode, const std::string& output) {
  if (exitCode != 0) return std::string();
  std::string path = output;
  while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
  // One path only: anything after a newline is not part of it.
  const size_t newline = path.find('\n');
  if (newline != std::string::npos) path.resize(newline);
  if (path.empty() || path[0] != '/') return std::string();
  return path;
}

std::string WithDefaultExtension(const std::string& path, const FileDialogRequest& request) {
  if (request.extensions.empty() || path.empty()) return path;
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name.find('.') != std::string::npos) return path;
  return path + "." + request.extensions.front();
}

ChosenFileCheck CheckChosenFile(const std::string& path, bool save, bool overwriteConfirmed) {
  struct stat info {};
  const bool exists = stat(path.c_str(), &info) == 0;
  if (!save) return exists && S_ISREG(info.st_mode) ? ChosenFileCheck::Accept : ChosenFileCheck::FileMissing;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "/" : path.substr(0, slash + 1);
  if (!IsDirectory(folder)) return ChosenFileCheck::FolderMissing;
  if (exists && S_ISDIR(info.st_mode)) return ChosenFileCheck::FileMissing;
  if (exists && !overwriteConfirmed) return ChosenFileCheck::AskOverwrite;
  return ChosenFileCheck::Accept;
}

DialogExit ClassifyDialogExit(int exitCode) {
  if (exitCode == 0) return DialogExit::Chosen;
  if (exitCode == 1 || exitCode == 5) return DialogExit::Cancelled;
  return DialogExit::Failed;
}

ChildProcess::~ChildProcess() {
  Terminate();
}

bool ChildProcess::Start(const std::vector<std::string>& arguments) {
  if (pid > 0 || arguments.empty()) return false;
  ExecData data(arguments);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    // The program goes when the thread that started it goes, and its
    // chatter on stderr stays out of the host's log.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    dup2(pipeFds[1], STDOUT_FILENO);
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, STDIN_FILENO);
      dup2(devNull, STDERR_FILENO);
    }
    execve(data.argv[0], data.argv.data(), data.envp.data());
    _exit(127);
  }
  close(pipeFds[1]);
  pid = child;
  outputFd = pipeFds[0];
  finished = false;
  exitCode = -1;
  output.clear();
  return true;
}

bool ChildProcess::Poll(int timeoutMs) {
  if (pid <= 0) return true;
  if (outputFd >= 0) {
    pollfd p{outputFd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) > 0) {
      char buffer[4096];
      const ssize_t n = read(outputFd, buffer, sizeof buffer);
      if (n > 0) {
        // A path is short; a program that floods the pipe is cut off.
        if (output.size() < 65536) output.append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        close(outputFd);
        outputFd = -1;
      }
    }
  } else if (timeoutMs > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  }
  int status = 0;
  const pid_t r = waitpid(pid, &status, WNOHANG);
  if (r == pid || (r < 0 && errno == ECHILD)) {
    // Collect what is still in the pipe.
    if (outputFd >= 0) {
      char buffer[4096];
      ssize_t n;
      while ((n = read(outputFd, buffer, sizeof buffer)) > 0)
        if (output.size() < 65536) output.append(buffer, static_cast<size_t>(n));
      close(outputFd);
      outputFd = -1;
    }
    exitCode = (r == pid && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    finished = true;
    pid = -1;
  }
  return finished;
}

void ChildProcess::Terminate() {
  if (pid > 0) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
      if (waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      pid = -1;
    }
    finished = true;
    exitCode = -1;
  }
  if (outputFd >= 0) {
    close(outputFd);
    outputFd = -1;
  }
}

bool RunDetachedOpener(const std::vector<std::string>& arguments, int waitMs) {
  if (arguments.empty()) return false;
  ExecData data(arguments);
  // The opener runs under a watcher in a session of its own; the watcher
  // writes the opener's exit status into the pipe. The intermediate child
  // exits at once, so nothing is left for us to reap.
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    const pid_t watcher = fork();
    if (watcher == 0) {
      setsid();
      // A host that ignores SIGCHLD would leave us no exit status to wait for.
      signal(SIGCHLD, SIG_DFL);
      close(pipeFds[0]);
      const pid_t opener = fork();
      if (opener == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
          dup2(devNull, STDIN_FILENO);
          dup2(devNull, STDOUT_FILENO);
          dup2(devNull, STDERR_FILENO);
        }
        execve(data.argv[0], data.argv.data(), data.envp.data());
        _exit(127);
      }
      int status = 0;
      int32_t code = 127;
      if (opener > 0 && waitpid(opener, &status, 0) == opener) code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      if (write(pipeFds[1], &code, sizeof code) < 0) _exit(1);
      _exit(0);
    }
    _exit(watcher > 0 ? 0 : 1);
  }
  close(pipeFds[1]);
  int status = 0;
  waitpid(child, &status, 0);
  bool worked = false;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    pollfd p{pipeFds[0], POLLIN, 0};
    int ready;
    do {
      ready = poll(&p, 1, waitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
      worked = true;  // still running: a browser in the foreground
    } else if (ready > 0) {
      int32_t code = -1;
      ssize_t n;
      do {
        n = read(pipeFds[0], &code, sizeof code);
      } while (n < 0 && errno == EINTR);
      worked = n == static_cast<ssize_t>(sizeof code) && code == 0;
    }
  }
  close(pipeFds[0]);
  return worked;
}

std::vector<std::vector<std::string>> UrlOpenerCommands(const std::string& url) {
  static const std::vector<std::vector<std::string>> kOpeners = {
      {"xdg-open"}, {"gio", "open"}, {"sensible-browser"}, {"x-www-browser"}};
  std::vector<std::vector<std::string>> commands;
  for (const std::vector<std::string>& opener : kOpeners) {
    const std::string program = FindProgram(opener[0]);
    if (program.empty()) continue;
    std::vector<std::string> command = opener;
    command[0] = program;
    command.push_back(url);
    commands.push_back(command);
  }
  return commands;
}

bool OpenUrlWithDesktop(const std::string& url, int waitMs) {
  if (url.empty() || url[0] == '-') return false;
  for (const std::vector<std::string>& command : UrlOpenerCommands(url))
    if (RunDetachedOpener(command, waitMs)) return true;
  return false;
}

bool MachineHasNetworkConnection() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool connected = false;
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || (a->ifa_flags & IFF_LOOPBACK)) continue;
    if (!(a->ifa_flags & IFF_UP) || !(a->ifa_flags & IFF_RUNNING)) continue;
    const int family = a->ifa_addr->sa_family;
    if (family == AF_INET || family == AF_INET6) {
      connected = true;
      break;
    }
  }
  freeifaddrs(list);
  return connected;
}
