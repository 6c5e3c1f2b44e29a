#include "review/graph_title_layout.h"

#include <string_view>

namespace {

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool HasCodes(const std::string& text) { return text.find('~') != std::string::npos; }

}  // namespace

T3DTitleSet& LayoutGraphTitles(T3DTitleSet& custom, T3DTitleSet& automatic, float baseSize) {
  T3DTitleSet* active = &automatic;
  if (custom.Enabled) {
    active = &custom;
    // Line 0 is the data title; the rank line, the statistics and the two parameter lines
    // follow.
    if (StartsWith(custom.Lines[1], "Rank")) custom.Lines[1] = automatic.Lines[1];
    if (StartsWith(custom.Lines[2], "r~^2~^=")) custom.Lines[2] = automatic.Lines[2];
    if (StartsWith(custom.Lines[3], "a=")) {
      custom.Lines[3] = automatic.Lines[3];
      custom.Lines[4] = automatic.Lines[4];
    }
  } else {
    automatic.Enabled = 0;
  }
  int lines = 0;
  for (std::size_t i = 0; i < active->Lines.size(); ++i) {
    active->LineCoded[i] = 0;
    if (active->Lines[i].empty()) continue;
    ++lines;
    active->LineCoded[i] = HasCodes(active->Lines[i]) ? 1 : 0;
  }
  for (std::size_t i = 0; i < active->AxisTitles.size(); ++i)
    active->AxisCoded[i] = HasCodes(active->AxisTitles[i]) ? 1 : 0;

  static constexpr float kFactors[3][4] = {
      {1.5f, 1.2f, 1.0f, 1.0f},     // fewer than 3 lines
      {1.2f, 1.0f, 0.875f, 1.0f},   // 3 lines
      {1.0f, 0.875f, 0.75f, 1.0f},  // more than 3
  };
  const int row = lines < 3 ? 0 : lines == 3 ? 1 : 2;
  for (std::size_t i = 0; i < 4; ++i)
    automatic.FontSizes[i] = baseSize * (automatic.FixedSizes == 1 ? 1.0f : kFactors[row][i]);
  return *active;
}
