// Copies of graph title sets.
#include "graph3d/title_set.h"

#include <new>

namespace {

// A text as its fixed field holds it: at most `length` characters, ending at a NUL.
void CutToField(std::string& text, std::size_t length) {
  const std::size_t end = text.find('\0');
  if (end != std::string::npos && end < length) length = end;
  if (text.size() > length) text.resize(length);
}

}  // namespace

std::unique_ptr<T3DTitleSet> CloneTitleSet(T3DTitleSet& source) {
  for (std::string& line : source.Lines) CutToField(line, T3DTitleSet::kLineLength);
  for (std::string& title : source.AxisTitles) CutToField(title, T3DTitleSet::kAxisTitleLength);
  try {
    return std::make_unique<T3DTitleSet>(source);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void SetGraphTitlesFromData(T3DTitleSet& set, const TDataTitles& titles) {
  set.Lines = {titles.Title, "", "", "", ""};
  set.AxisTitles = {titles.XName, titles.YName, titles.ZName};
  set.FixedSizes = 0;
}
