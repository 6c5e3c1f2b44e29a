#include "app/program_files.h"

#include <system_error>

std::filesystem::path ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

std::filesystem::path ProgramFile(std::string_view name) {
  return ProgramDirectory() / std::filesystem::path(name);
}
