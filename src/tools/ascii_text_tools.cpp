#include "tools/ascii_text_tools.h"

#include <span>

#include "app/text_exports.h"

namespace {

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace

void ReplaceOutsideQuotes(std::string& text, char from, char to) {
  bool quoted = false;
  for (char& c : text) {
    if (IsLineEnd(c)) {
      quoted = false;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == from) {
      c = to;
    }
  }
}

void CompressBlanks(std::string& text) {
  ReplaceOutsideQuotes(text, '\t', ' ');
  std::string out;
  out.reserve(text.size());
  bool lineStart = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ') {
      const bool dropped = lineStart || i + 1 == text.size() || text[i + 1] == ' ' || IsLineEnd(text[i + 1]);
      if (!dropped) out += c;
      continue;
    }
    out += c;
    lineStart = IsLineEnd(c);
  }
  text = std::move(out);
}

void MinimizeSpace(std::string& text, Delimiter delimiter) {
  CompressBlanks(text);
  switch (delimiter) {
    case Delimiter::kSpace: ReplaceOutsideQuotes(text, ',', ' '); break;
    case Delimiter::kComma: ReplaceOutsideQuotes(text, ' ', ','); break;
    case Delimiter::kTab:
      ReplaceOutsideQuotes(text, ' ', '\t');
      ReplaceOutsideQuotes(text, ',', '\t');
      break;
  }
}

bool IsEditorTextEmpty(std::string_view text) { return text.empty(); }

bool SpansLines(std::string_view selected) {
  const std::size_t end = selected.find_first_of("\r\n");
  return end != std::string_view::npos && end + 1 < selected.size() &&
         selected.find_first_not_of("\r\n", end) != std::string_view::npos;
}

std::vector<std::uint8_t> SelectionWorksheet(std::string_view selected, int form) {
  if (selected.empty()) return {};
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < selected.size()) {
    const std::size_t end = selected.find('\n', pos);
    std::string_view line = selected.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end == std::string_view::npos ? selected.size() : end + 1;
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) return {};
  return PlainLinesWorksheet(lines, form, LoneSign::IsLabel);
}

std::string ToEditorText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c != '\0') {
      out += c;
    }
  }
  return out;
}

std::string ToCrLfText(std::string_view text) {
  const std::string lf = ToEditorText(text);
  std::string out;
  out.reserve(lf.size() + lf.size() / 16 + 2);
  for (const char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}
