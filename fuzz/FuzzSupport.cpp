#include "fuzz/FuzzSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

void FuzzFailure(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::abort();
}

const std::string& FuzzScratchFolder() {
  // Never destroyed, so that the clean-up at exit can still name it.
  static const std::string* const folder = [] {
    struct stat info {};
    const std::string base = (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode)) ? "/dev/shm" : "/tmp";
    auto* path = new std::string(base + "/vornell-fuzz-" + std::to_string(static_cast<long long>(getpid())));
    mkdir(path->c_str(), 0700);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(FuzzScratchFolder(), ignored);
    });
    return path;
  }();
  return *folder;
}

bool FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

DataBlock FuzzBlock(const uint8_t* data, size_t size) {
  DataBlock block;
  block.PutBytes(data, static_cast<int>(size));
  return block;
}
