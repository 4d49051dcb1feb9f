#pragma once
// Switches the process to a decimal-comma locale for a scope. When the system
// has none, one is compiled into a private folder with localedef.
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/TempFolder.h"

class GermanLocale {
 public:
  GermanLocale() {
    previous = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
    const std::string command = "localedef -i de_DE -f UTF-8 " + folder.Path() + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    localePath.emplace("LOCPATH", folder.Path());
    std::setlocale(LC_ALL, "de_DE.UTF-8");
  }
  ~GermanLocale() { std::setlocale(LC_ALL, previous.c_str()); }
  GermanLocale(const GermanLocale&) = delete;
  GermanLocale& operator=(const GermanLocale&) = delete;

  bool Active() const {
    const std::lconv* conventions = std::localeconv();
    return conventions != nullptr && std::string(conventions->decimal_point) == ",";
  }
  std::string Current() const { return std::setlocale(LC_ALL, nullptr); }

 private:
  std::string previous;
  TempFolder folder;
  std::optional<ScopedEnvironment> localePath;
};
