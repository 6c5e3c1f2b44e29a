#include "expr/program_files.h"

#include <system_error>

std::filesystem::path ExprProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

std::filesystem::path ExprProgramFile(std::string_view name) {
  return ExprProgramDirectory() / std::filesystem::path(name);
}
