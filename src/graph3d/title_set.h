// The title set of a graph: five title lines, the three axis titles and their font
// settings. Every graph window is handed two (the custom set and the standard one); the
// review's render thread and the printed page work on copies of their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/data_titles.h"

// Texts may carry the in-line codes of coded text ("~^" superscript, "~`" subscript, "~@"
// Symbol font).
struct T3DTitleSet {
  static constexpr std::size_t kLineLength = 160;      // characters of a title line
  static constexpr std::size_t kAxisTitleLength = 80;  // characters of an axis title
  std::array<std::string, 5> Lines;
  std::array<std::string, 3> AxisTitles;  // X, Y, Z
  std::array<float, 4> FontSizes{};       // title line 1, line 2, lines 3-5, axis titles
  std::int16_t Enabled = 0;               // a custom set is used only when nonzero
  std::array<std::uint8_t, 5> LineCoded{};  // set when the line holds text codes
  std::array<std::uint8_t, 3> AxisCoded{};
  std::int16_t FixedSizes = 0;  // 1: all four sizes are the base size
};

// A copy of a title set, its settings as they stand. Each text is cut to its field (160
// characters for a line, 80 for an axis title, and at an embedded NUL, where a stored text
// ends), and the source's texts are cut the same way, so that the two sets always hold the
// same texts. Null when memory runs out; the copy frees itself.
std::unique_ptr<T3DTitleSet> CloneTitleSet(T3DTitleSet& source);

// The titles of a graph of the data: line 1 the data title, lines 2 to 5 empty, the X, Y and
// Z axis titles the data's names; the sizes are the set's own (not fixed).
void SetGraphTitlesFromData(T3DTitleSet& set, const TDataTitles& titles);
