// The program's string table: captions, messages and status-bar hints by numeric id.
// The texts live in resources/strings.txt and are compiled into the program, so a missing
// data file can never silence an error box. Texts are single-byte (Windows-1252), like
// every other text inside the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The text of a string id; empty when the table has no such id.
std::string_view LoadString(int id);
bool HasString(int id);

// Every id of the table, ascending.
std::vector<int> StringIds();

// The text of an id, or a stand-in naming the id when the table has none, so that a
// message is never lost to a missing entry.
std::string StringOrId(int id);

// Parses the text form of a string table ("<id><TAB><text>" lines, '#' comments, escapes
// \n \r \t \\). Returns false with a message naming the first bad line; ids must ascend.
struct StringTableEntry {
  int id = 0;
  std::string text;
};
[[nodiscard]] bool ParseStringTable(std::string_view source, std::vector<StringTableEntry>& out,
                      std::string& error);

}  // namespace platform
