// The program's command line, taken word by word from argv: "No3D"; "Audit" with an
// optional number directly after it (5 without one); "NPDLL:" directly followed by the name
// of an extension library; and a data file to open once the window stands (the first word
// that is no switch, whatever dots or blanks its path holds).
#pragma once

#include <string>
#include <vector>

struct CommandLine {
  bool no3D = false;
  int auditLevel = 0;
  std::string npDllName;  // with ".DLL" appended
  std::string dataFile;
};

CommandLine ParseCommandLine(const std::vector<std::string>& words);
