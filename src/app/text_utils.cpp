#include "app/text_utils.h"

#include <algorithm>

bool IsAllBlanks(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

void TrimRight(std::string& text) {
  const std::size_t keep = text.find_last_not_of(" \n\t");
  text.erase(keep == std::string::npos ? 0 : keep + 1);
}

int CountTextLines(std::string_view text) {
  const int lf = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  return lf + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

void EndLineCrLf(std::string& text) {
  const std::size_t keep = text.find_last_not_of("\r\n");
  text.erase(keep == std::string::npos ? 0 : keep + 1);
  text += "\r\n";
}
