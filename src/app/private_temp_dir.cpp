#include "app/private_temp_dir.h"

#include <stdlib.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace {

std::filesystem::path& Dir() {
  static std::filesystem::path dir;
  return dir;
}

}  // namespace

const std::filesystem::path& PrivateTempDir() {
  std::filesystem::path& dir = Dir();
  if (!dir.empty()) return dir;
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/ondravik3d-XXXXXX";
  if (::mkdtemp(pattern.data())) dir = pattern;  // mkdtemp creates it with mode 0700
  return dir;
}

void RemovePrivateTempDir() {
  std::filesystem::path& dir = Dir();
  if (dir.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  dir.clear();
}
