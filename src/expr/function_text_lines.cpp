#include "expr/function_text_lines.h"

TUdfLine ClassifyUdfLine(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  TUdfLine out;
  out.text = line;
  const std::size_t equals = line.find('=');
  out.hasEquals = equals != std::string_view::npos;
  const auto digit = [&](std::size_t i) { return i < line.size() && line[i] >= '1' && line[i] <= '9'; };
  if (line.starts_with('Z')) {
    out.kind = UdfLineKind::kValue;
  } else if (line.starts_with('F') && digit(1)) {
    out.kind = UdfLineKind::kSubFunction;
    out.sub = line[1] - '0';
  } else if (line.starts_with("#F") && digit(2)) {
    out.kind = UdfLineKind::kSubFunction;
    out.sub = line[2] - '0';
  }
  if (out.kind == UdfLineKind::kStatement) {
    out.expression = line;
  } else if (out.hasEquals) {
    out.expression = line.substr(equals + 1);
  }
  return out;
}

bool TUdfTextLines::Next(std::string_view& line) {
  if (rest_.empty()) return false;
  const std::size_t lf = rest_.find('\n');
  line = rest_.substr(0, lf);
  rest_ = lf == std::string_view::npos ? std::string_view() : rest_.substr(lf + 1);
  if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
  return true;
}

std::vector<std::string_view> UdfTextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  TUdfTextLines reader(text);
  for (std::string_view line; reader.Next(line);) lines.push_back(line);
  return lines;
}

int UdfLineSlot(int k, const TUdfLine& line) {
  switch (line.kind) {
    case UdfLineKind::kValue: return 10 * k;
    case UdfLineKind::kSubFunction: return 10 * k + line.sub;
    case UdfLineKind::kStatement: break;
  }
  return -1;
}
