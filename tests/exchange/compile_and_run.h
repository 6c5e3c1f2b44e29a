// Running the compilers and programs the generated-code tests call.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace codegen_test {

struct TRun {
  int status = -1;
  std::string output;
};

// Runs a shell command, collecting its standard output and error.
inline TRun RunCommand(const std::string& command) {
  TRun run;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  run.status = ::pclose(pipe);
  return run;
}

inline bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace codegen_test
