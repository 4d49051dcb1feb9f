// Linked into every test program: before any test runs, the per-user
// configuration folder is pointed at a private temporary folder, so that no
// plug-in instance made by a test reads or writes the real user's INI file.
// Tests that need a particular folder set their own on top of this one.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

class PrivateConfigHome {
 public:
  PrivateConfigHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vornell-config-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      // No private folder: a folder that cannot exist keeps the real one untouched.
      setenv("XDG_CONFIG_HOME", "/nonexistent/vornell-test-config", 1);
      return;
    }
    path = pattern;
    setenv("XDG_CONFIG_HOME", path.c_str(), 1);
  }
  ~PrivateConfigHome() {
    if (path.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  PrivateConfigHome(const PrivateConfigHome&) = delete;
  PrivateConfigHome& operator=(const PrivateConfigHome&) = delete;

 private:
  std::string path;
};

const PrivateConfigHome privateConfigHome;

}  // namespace
