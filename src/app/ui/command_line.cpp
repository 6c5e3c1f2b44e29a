#include "app/ui/command_line.h"

#include <charconv>
#include <climits>

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
  CommandLine line;
  for (const std::string& word : words) {
    if (word == "No3D") {
      line.no3D = true;
    } else if (word.rfind("Audit", 0) == 0) {
      const char* first = word.data() + 5;
      const char* last = word.data() + word.size();
      int level = 5;
      if (first != last) {
        // The number read from there (0 when none is); one too large for an int is taken
        // as the largest level, not wrapped.
        auto ec = std::from_chars(first, last, level).ec;
        if (ec == std::errc::result_out_of_range) {
          level = *first == '-' ? 0 : INT_MAX;
        } else if (ec != std::errc()) {
          level = 0;
        }
        if (level < 0) level = 0;
      }
      line.auditLevel = level;
    } else if (word.rfind("NPDLL:", 0) == 0) {
      if (word.size() > 6) line.npDllName = word.substr(6) + ".DLL";
    } else if (line.dataFile.empty() && !word.empty()) {
      line.dataFile = word;
    }
  }
  return line;
}
