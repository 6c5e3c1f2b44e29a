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

// The record of 60 bytes (shorter or empty input gives the default record).
TLogFont DecodeLogFont(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodeLogFont(const TLogFont& font);

// The text windows' default font: 11 points, weight 400, variable pitch swiss, "Arial".
TLogFont DefaultTextFont();

// The font slots of the settings file used by the text windows, and the slot's colour
// (first value) and colour flag (second value).
inline constexpr int kFontSlotFileViewer = 1;
inline constexpr int kFontSlotAsciiEditor = 2;
inline constexpr int kFontSlotDialogText = 3;
inline constexpr int kFontSlotStatistics = 4;
inline constexpr int kFontSlotEquationList = 11;

// Reads and writes a slot of the current settings.
TLogFont SlotFont(int slot);
void SetSlotFont(int slot, const TLogFont& font);
