// The font records of the text and list windows as the settings file keeps them: the
// 60-byte logical-font layout of the classic API (height in points here, not pixels), one
// per font slot, beside each slot's text colour and colour flag.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr int kFamilyRoman = 0x10;
inline constexpr int kFamilySwiss = 0x20;
inline constexpr int kFamilyModern = 0x30;
inline constexpr int kFamilyScript = 0x40;
inline constexpr int kFamilyDecorative = 0x50;

struct TLogFont {
  std::int32_t height = 0;  // points (the window converts to pixels)
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 0;
  std::uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 0;
  std::uint8_t outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
  std::string faceName;  // at most 31 characters

  int Family() const { return pitchAndFamily & 0xF0; }
  // An empty face stands for the window's own font.
  bool IsDefault() const { return faceName.empty(); }
};

// The sizes the font commands offer (some offer fewer), and the weights there are.
inline constexpr int kFontLeastPoints = 6;
inline constexpr int kFontMostPoints = 48;
inline constexpr int kFontMostWeight = 1000;

// The record of 60 bytes (shorter or empty input gives the default record).
TLogFont DecodeLogFont(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodeLogFont(const TLogFont& font);

// The text windows' default font: 11 points, weight 400, variable pitch swiss, "Arial".
TLogFont DefaultTextFont();

// The font slots of the settings file. The text windows' slots carry the text colour (first
// value) and the colour flag (second value) beside the font; the review's panes take 12 to
// 14 and its printed summary 15.
inline constexpr int kFontSlotFileViewer = 1;
inline constexpr int kFontSlotAsciiEditor = 2;
inline constexpr int kFontSlotDialogText = 3;
inline constexpr int kFontSlotStatistics = 5;
inline constexpr int kFontSlotEquationList = 11;
// The graph windows' fonts (the height holds the base size of the graph's fonts in points).
// Slot 4 is the data's graph in the status window, the data view and the grid editor; 7 the
// fitted surface's in the status window and the review; 17 to 21 the smoothing windows'.
inline constexpr int kFontGraphDataStatus = 4;
inline constexpr int kFontGraphFunctionViewer = 6;
inline constexpr int kFontGraphDataStatusFits = 7;
inline constexpr int kFontGraphReviewPane = 8;  // the review's residual graph
inline constexpr int kFontGraphAcceptUndo = 9;
inline constexpr int kFontGraphUserFunction = 10;
inline constexpr int kFontGraphSampler = 16;
inline constexpr int kFontGraphGridSpline = 17;
inline constexpr int kFontGraphUniformGrid = 18;
inline constexpr int kFontGraphScattered = 19;
inline constexpr int kFontGraphLoess = 20;
inline constexpr int kFontGraphNurbs = 21;
inline constexpr int kFontGraphSparseGrid = 21;  // the NURBS window's

// Reads and writes a slot of the current settings.
TLogFont SlotFont(int slot);
void SetSlotFont(int slot, const TLogFont& font);
