// The "Custom Titles" dialog's title block, which is also the custom title file (.ttl): five
// title lines (160 characters each), the X, Y and Z axis titles (80 each) and four font
// sizes (line 1, line 2, lines 3-5, axis titles), each kept as a scroll range 12 .. 48 and a
// position of twice the size in points. 1096 bytes, little-endian, no header.
//
// Also here: the in-line markup the dialog's buttons insert ("~^" superscript, "~`"
// subscript, "~@" around a Symbol-font character), and the merge that keeps the automatic
// fit lines ("Rank", "r~^2~^=", "a=") current in a custom set while the user's own text
// stays.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "graph3d/option_files.h"
#include "graph3d/title_set.h"

struct TTitleSize {
  static constexpr std::int32_t kLowest = 12;   // 6 points
  static constexpr std::int32_t kHighest = 48;  // 24 points
  std::int32_t low = kLowest;
  std::int32_t high = kHighest;
  std::int32_t position = 20;  // size in points x 2
  float Points() const { return static_cast<float>(position) * 0.5f; }
  friend bool operator==(const TTitleSize&, const TTitleSize&) = default;
};

struct TTitleBlock {
  static constexpr std::size_t kSize = 1096;
  static constexpr std::size_t kLineField = 161;
  static constexpr std::size_t kAxisField = 81;
  std::array<std::string, 5> lines;
  std::array<std::string, 3> axisTitles;
  std::array<TTitleSize, 4> sizes;
  friend bool operator==(const TTitleBlock&, const TTitleBlock&) = default;
};

inline constexpr const char* kTitleFileErrorText = "Error in Reading Custom Titles File";

// A size entry for a size in points (rounded to the half point, kept within 6 .. 24).
TTitleSize TitleSizeFromPoints(float points);

// Exactly 1096 bytes; texts longer than their field are cut so that a NUL always ends them.
std::vector<std::uint8_t> EncodeTitleBlock(const TTitleBlock& block);
// Only 1096 bytes are taken. A text runs to its first NUL and never past 160 (80) characters;
// every size entry is made 12 .. 48 with its position kept in that range.
bool DecodeTitleBlock(std::span<const std::uint8_t> bytes, TTitleBlock& out);
OptionFileStatus ReadTitleFile(const std::filesystem::path& path, TTitleBlock& out);
[[nodiscard]] bool WriteTitleFile(const std::filesystem::path& path, const TTitleBlock& block);

// The automatic fit lines of `automatic` replace those of `block` where `block` still holds
// automatic fit lines: line 2 beginning "Rank", line 3 beginning "r~^2~^=", and lines 4-5
// when line 4 begins "a=".
void RefreshAutomaticFitLines(TTitleBlock& block, const TTitleBlock& automatic);
// The block the dialog opens with: the custom set merged with the current automatic fit lines
// when the set is enabled, else the automatic block.
TTitleBlock WorkingTitleBlock(const T3DTitleSet& custom, const TTitleBlock& automatic);
// Writes the block into the custom set (texts, text-code flags, sizes); the set is enabled
// when the block differs from the automatic one in any of its bytes.
void StoreTitleBlock(const TTitleBlock& block, const TTitleBlock& automatic, T3DTitleSet& custom);

// ---- Markup insertion ----
inline constexpr const char* kSuperscriptCode = "~^";
inline constexpr const char* kSubscriptCode = "~`";
inline constexpr const char* kSymbolCode = "~@";
// Codes from the special-character chooser: below 1024 a character of the title font, from
// 1024 a Symbol-font character (code - 1024).
inline constexpr int kSymbolCodeBase = 1024;

struct TMarkupEdit {
  std::string text;
  int selStart = 0;
  int selEnd = 0;
};

// Puts `code` before and after the selection [selStart, selEnd) (an empty selection takes the
// next character) and selects the marked text with its codes. Nothing when the result would
// be longer than `limit` characters: the text stays as it is.
std::optional<TMarkupEdit> InsertMarkupPair(const std::string& text, int selStart, int selEnd,
                                            const char* code, std::size_t limit);
// Inserts a chosen special character at `caret` (a Symbol character wrapped in "~@"); the
// caret goes after it. Nothing when it would not fit in `limit` characters.
std::optional<TMarkupEdit> InsertSpecialCharacter(const std::string& text, int caret, int code,
                                                  std::size_t limit);
