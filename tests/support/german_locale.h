// Switching a test to a German locale (decimal comma), to show that numbers are read and
// written in the C locale whatever the user's locale. When the system has no such locale
// it is compiled into a private directory with localedef (no administrator rights needed)
// and found through LOCPATH; when even that is impossible the test is skipped.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

class GermanLocale {
 public:
  GermanLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (!active_ && Compile()) active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~GermanLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  bool Active() const { return active_; }

 private:
  static bool Compile() {
    static const bool compiled = [] {
      const std::filesystem::path dir =
          std::filesystem::temp_directory_path() / ("ondravik_locale_" + std::to_string(::getuid()));
      std::filesystem::create_directories(dir);
      const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() +
                                  "' >/dev/null 2>&1";
      // A failed earlier compile can leave an empty directory behind: look for a category.
      if (!std::filesystem::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC") &&
          std::system(command.c_str()) != 0)
        return false;
      setenv("LOCPATH", dir.c_str(), 1);
      return true;
    }();
    return compiled;
  }
  std::string saved_;
  bool active_ = false;
};

#define USE_GERMAN_LOCALE(guard)                                     \
  GermanLocale guard;                                                \
  if (!guard.Active()) GTEST_SKIP() << "no German locale can be made here"
