#include "exchange/codegen/template_expansion.h"

#include <vector>

namespace {

constexpr char kBackquote = '`';

// The lines of a text without their line ends (a CR before the LF dropped); a last line
// without a line end counts as a line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool OpensSection(std::string_view line, char marker, std::string_view key) {
  if (line.size() < 2 || (line[0] != marker && line[1] != marker)) return false;
  return line.substr(2).starts_with(key);
}

bool EndsSection(std::string_view line, char marker) {
  return line.size() >= 2 && line[0] == marker && line[1] == marker;
}

// The line with its keywords expanded; false when a keyword drops it.
bool AssembleLine(std::string_view line, const TKeywordExpander& expand, std::string& out) {
  out.clear();
  bool keyword = line.front() == kBackquote;
  std::string expansion;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == kBackquote) {
      ++i;
      continue;
    }
    const std::size_t end = std::min(line.find(kBackquote, i), line.size());
    const std::string_view piece = line.substr(i, end - i);
    if (keyword) {
      expansion.clear();
      if (!expand(piece, expansion)) return false;
      out += expansion;
    } else {
      out += piece;
    }
    keyword = !keyword;
    i = end;
  }
  return true;
}

}  // namespace

std::string ExpandTemplateSection(std::string_view templateText, std::string_view key, int scope,
                                  const TKeywordExpander& expand) {
  const char marker = scope == 0 ? '~' : '!';
  const std::vector<std::string_view> lines = SplitLines(templateText);
  std::size_t i = 0;
  while (i < lines.size() && !OpensSection(lines[i], marker, key)) ++i;
  std::string out, assembled;
  for (++i; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) {
      out += '\n';
      continue;
    }
    if (scope == 0 && line.starts_with("!!")) continue;
    if (EndsSection(line, marker)) break;
    if (line.find(kBackquote) == std::string_view::npos) {
      out.append(line);
      out += '\n';
      continue;
    }
    if (AssembleLine(line, expand, assembled)) {
      out += assembled;
      out += '\n';
    }
  }
  return out;
}
