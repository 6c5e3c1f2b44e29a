// Writes the equation lists that the main window's list commands show, into the folder
// given on the command line (beside the program).
//
// Usage: make_equation_lists <output folder>
#include <cstdio>
#include <filesystem>

#include "app/file_utils.h"
#include "review/equation_list_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_equation_lists <output folder>\n");
    return 2;
  }
  for (const TEquationListFile& file : kEquationListFiles) {
    const std::vector<std::string> lines = file.lines();
    if (static_cast<int>(lines.size()) > file.capacity) {
      std::fprintf(stderr, "%s: %zu lines exceed the window's %d\n", file.name, lines.size(), file.capacity);
      return 1;
    }
    const std::filesystem::path path = std::filesystem::path(argv[1]) / file.name;
    if (!SaveGlobalToFile(EquationListText(lines), path)) {
      std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  return 0;
}
