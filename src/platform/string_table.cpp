#include "platform/string_table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

constexpr std::string_view kTableSource =
#include "string_table_data.inc"
    ;

std::string Unescape(std::string_view text, bool& ok) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      ok = false;
      break;
    }
    switch (text[i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: ok = false; break;
    }
  }
  return out;
}

const std::vector<StringTableEntry>& Table() {
  static const std::vector<StringTableEntry> table = [] {
    std::vector<StringTableEntry> entries;
    std::string error;
    if (!ParseStringTable(kTableSource, entries, error)) {
      // The table is part of the program; a broken one is a build fault caught by the
      // tests, never a user's problem to recover from.
      std::fprintf(stderr, "Ondravik 3D: string table: %s\n", error.c_str());
      std::abort();
    }
    return entries;
  }();
  return table;
}

const StringTableEntry* Find(int id) {
  const auto& table = Table();
  auto it = std::lower_bound(table.begin(), table.end(), id,
                             [](const StringTableEntry& e, int key) { return e.id < key; });
  return it != table.end() && it->id == id ? &*it : nullptr;
}

}  // namespace

bool ParseStringTable(std::string_view source, std::vector<StringTableEntry>& out,
                      std::string& error) {
  out.clear();
  int lineNo = 0;
  while (!source.empty()) {
    ++lineNo;
    std::size_t end = source.find('\n');
    std::string_view line = source.substr(0, end);
    source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    std::size_t tab = line.find('\t');
    int id = 0;
    auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), id);
    bool ok = tab != std::string_view::npos && ec == std::errc() && ptr == line.data() + tab &&
              id > 0;
    std::string text;
    if (ok) text = Unescape(line.substr(tab + 1), ok);
    if (!ok) {
      error = "line " + std::to_string(lineNo) + " is not \"<id><TAB><text>\"";
      return false;
    }
    if (!out.empty() && out.back().id >= id) {
      error = "line " + std::to_string(lineNo) + ": id " + std::to_string(id) +
              " is not above the previous id";
      return false;
    }
    out.push_back({id, std::move(text)});
  }
  return true;
}

std::string_view LoadString(int id) {
  const StringTableEntry* e = Find(id);
  return e ? std::string_view(e->text) : std::string_view();
}

bool HasString(int id) { return Find(id) != nullptr; }

std::vector<int> StringIds() {
  std::vector<int> ids;
  for (const auto& e : Table()) ids.push_back(e.id);
  return ids;
}

std::string StringOrId(int id) {
  std::string_view text = LoadString(id);
  if (!text.empty()) return std::string(text);
  return "Ondravik 3D message " + std::to_string(id);
}

}  // namespace platform
