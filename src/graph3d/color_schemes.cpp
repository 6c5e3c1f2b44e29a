#include "graph3d/color_schemes.h"

#include <cstddef>
#include <vector>

using platform::Color;

const std::array<Color, 16> Basic16Colors = {
    Color::Hex(0x000000), Color::Hex(0x000080), Color::Hex(0x008000), Color::Hex(0x008080),
    Color::Hex(0x800000), Color::Hex(0x800080), Color::Hex(0x808000), Color::Hex(0x808080),
    Color::Hex(0xC0C0C0), Color::Hex(0x0000FF), Color::Hex(0x00FF00), Color::Hex(0x00FFFF),
    Color::Hex(0xFF0000), Color::Hex(0xFF00FF), Color::Hex(0xFFFF00), Color::Hex(0xFFFFFF),
};

// Columns: "Page White BW", "Page White Color", "Blue", "Cyan", "Red", "Yellow", "Green",
// "Magenta", "Neutral". Every text of a scheme reads against its background (a contrast of
// 4.5 at least, as small text needs): the texts of "Yellow" (red, blue and purple on olive),
// the labels of "Cyan" (navy on teal) and "Green" (aqua on green) and the axis titles of
// "Cyan" (yellow on teal) are black or white instead.
const TColorSchemeTable ColorSchemeTable = {
    0,  4,  15, 15, 15, 0,  14, 14, 11,  // Title
    0,  2,  15, 15, 15, 0,  15, 15, 10,  // SubTitles
    0,  4,  14, 15, 14, 0,  15, 14, 11,  // X,Y,Z Titles
    0,  1,  14, 15, 14, 0,  15, 15, 14,  // X,Y,Z Labels
    0,  3,  3,  3,  3,  3,  3,  3,  3,   // X-Y Grids
    0,  3,  3,  3,  3,  3,  3,  3,  3,   // X-Z Grids
    0,  3,  3,  3,  3,  3,  3,  3,  3,   // Y-Z Grids
    15, 15, 0,  0,  0,  0,  0,  0,  0,   // X-Y BackPlane
    15, 15, 8,  8,  8,  8,  8,  8,  8,   // X-Z BackPlane
    15, 15, 7,  7,  7,  7,  7,  7,  7,   // Y-Z BackPlane
    0,  1,  15, 15, 15, 15, 15, 15, 15,  // X,Y,Z Axes
    15, 15, 1,  3,  4,  6,  2,  5,  0,   // Background
    0,  0,  14, 14, 14, 14, 14, 14, 14,  // Frame for Print
    0,  1,  11, 11, 11, 11, 11, 11, 11,  // Points <1 SD
    0,  2,  10, 10, 10, 10, 10, 10, 10,  // Points <2 SD
    0,  4,  14, 14, 14, 14, 14, 14, 14,  // Points <3 SD
    0,  4,  12, 12, 12, 12, 12, 12, 12,  // Points >3 SD
    15, 8,  7,  7,  7,  7,  7,  7,  7,   // Points Inactive
    0,  1,  9,  9,  9,  9,  9,  9,  9,   // Z-Line Above
    0,  4,  12, 12, 12, 12, 12, 12, 12,  // Z-Line Below
    0,  1,  1,  9,  4,  1,  1,  1,  1,   // Mesh Line
    15, 3,  11, 11, 14, 14, 14, 14, 11,  // Mesh Fill
    0,  1,  11, 14, 14, 14, 10, 14, 13,  // Wire Line
    0,  5,  13, 13, 13, 13, 13, 13, 14,  // Confidence
    0,  3,  9,  9,  9,  9,  9,  9,  9,   // Prediction
    0,  2,  10, 10, 10, 10, 10, 10, 10,  // Math Error
    0,  4,  12, 12, 12, 12, 12, 12, 12,  // Limit Error
};

TColorScheme BuiltinColorScheme(const TColorSchemeTable& table, int scheme) {
  if (scheme < 0 || scheme >= kBuiltinSchemeCount) scheme = 0;
  TColorScheme out{};
  for (int role = 0; role < kColorRoleCount; ++role) {
    out[static_cast<std::size_t>(role)] =
        table[static_cast<std::size_t>(role * kBuiltinSchemeCount + scheme)];
  }
  return out;
}

TUserColorSchemes DefaultUserColorSchemes() {
  TUserColorSchemes schemes;
  for (int i = 0; i < kUserSchemeCount; ++i) ResetUserColorScheme(schemes, i);
  return schemes;
}

void ResetUserColorScheme(TUserColorSchemes& schemes, int i) {
  if (i < 0 || i >= kUserSchemeCount) return;
  schemes[static_cast<std::size_t>(i)] = BuiltinColorScheme(ColorSchemeTable, 1);
}

namespace {

// The fixed gradients of palettes 0-6 as 0xRRGGBB; palettes 0 and 2 in two strengths.
const std::vector<std::uint32_t> kDimSixBright = {0xB00000, 0xB0B000, 0x00B000,
                                                  0x00B0B0, 0x0000B0, 0xB000B0};
const std::vector<std::uint32_t> kDimSixLow = {0x800000, 0x808000, 0x008000,
                                               0x008080, 0x000080, 0x800080};
const std::vector<std::uint32_t> kBrightSix = {0xFF0000, 0xFFFF00, 0x00FF00,
                                               0x00FFFF, 0x0000FF, 0xFF00FF};
const std::vector<std::uint32_t> kTwelveBright = {0xB00000, 0xFF0000, 0xB0B000, 0xFFFF00,
                                                  0x00B000, 0x00FF00, 0x00B0B0, 0x00FFFF,
                                                  0x0000B0, 0x0000FF, 0xB000B0, 0xFF00FF};
const std::vector<std::uint32_t> kTwelveLow = {0x800000, 0xFF0000, 0x808000, 0xFFFF00,
                                               0x008000, 0x00FF00, 0x008080, 0x00FFFF,
                                               0x000080, 0x0000FF, 0x800080, 0xFF00FF};
const std::vector<std::uint32_t> kSpectrum = {
    0xC00000, 0xE00000, 0xFF0000, 0xFF7000, 0xFF8800, 0xFFA000, 0xFFC000, 0xFFE000,
    0xFFFF00, 0xD0FF00, 0x00FF00, 0x00FFB0, 0x00FFFF, 0x00E0FF, 0x00C0FF, 0x00A0FF,
    0x0088FF, 0x0070FF, 0x0000FF, 0x8000FF, 0xA000FF, 0xC000FF, 0xE000FF, 0xFF00FF};
const std::vector<std::uint32_t> kSpectrumExcel = {
    0x902315, 0xBE0000, 0xFF0000, 0xE2597F, 0xC25852, 0xFF7D00, 0xFFAC00, 0xFFE200,
    0xFFFF00, 0xC7FF00, 0x00FF00, 0x42CF4D, 0x20D395, 0x00FFFF, 0x4CDEE0, 0x46CADB,
    0x3AA2C9, 0x3A7DFF, 0x0000FF, 0x5943AD, 0x7356B5, 0xA524E0, 0xD153CE, 0xFF00FF};
const std::vector<std::uint32_t> kSpectrumLotus = {
    0xC20000, 0xE10000, 0xFF0000, 0xFF6088, 0xFF8080, 0xFF8100, 0xE1BF18, 0xE1E100,
    0xFFFF00, 0x80FF80, 0x00E100, 0x00FF00, 0x00E1AD, 0x00E0E0, 0x00FFFF, 0x00BFFF,
    0x00A1E0, 0x0080FF, 0x001FE2, 0x0000FF, 0x8100E1, 0xC200FF, 0xE000E0, 0xFF00FF};
const std::vector<std::uint32_t> kSpectrumQpw = {
    0x990000, 0xCC0000, 0xFF0000, 0xFF6666, 0xFF6600, 0xFF9900, 0xFFCC66, 0xFFCC00,
    0xFFFF00, 0x33FF66, 0x00FF00, 0x33FF99, 0x33FFCC, 0x00FFFF, 0x00C0FF, 0x0099CC,
    0x0066CC, 0x0033CC, 0x0000FF, 0x6600FF, 0x6600CC, 0x9900CC, 0xCC00FF, 0xFF00FF};

std::uint8_t Byte(int v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Entry i of the computed 32-colour ramps 7-13; bytes wrap modulo 256.
Color RampColor(int palette, int i) {
  switch (palette) {
    case 7: return Color::Rgb(Byte(8 * i + 3), 0, Byte(252 - 8 * i));
    case 8: return Color::Rgb(Byte(8 * i + 3), Byte(252 - 8 * i), 0);
    case 9: return Color::Rgb(0, Byte(252 - 8 * i), Byte(8 * i + 3));
    case 10: return Color::Rgb(Byte(96 + 4 * i), Byte(96 + 4 * i), Byte(96 + 4 * i));
    case 11: return Color::Rgb(0, Byte(100 + 5 * i), Byte(100 + 5 * i));
    case 12: return Color::Rgb(0, Byte(100 + 5 * i), 0);
    default: return Color::Rgb(Byte(100 + 5 * i), 0, 0);
  }
}

}  // namespace

int GradientColorCount(int palette) {
  static constexpr int kCounts[kGraphPaletteCount] = {6, 6, 12, 24, 24, 24, 24,
                                                      32, 32, 32, 32, 32, 32, 32};
  return palette >= 0 && palette < kGraphPaletteCount ? kCounts[palette] : 0;
}

platform::Palette BuildGraphPalette(int palette, long displayColors) {
  const bool rich = displayColors > 255;
  platform::Palette out;
  const std::vector<std::uint32_t>* fixed = nullptr;
  switch (palette) {
    case 0: fixed = rich ? &kDimSixBright : &kDimSixLow; break;
    case 1: fixed = &kBrightSix; break;
    case 2: fixed = rich ? &kTwelveBright : &kTwelveLow; break;
    case 3: fixed = &kSpectrum; break;
    case 4: fixed = &kSpectrumExcel; break;
    case 5: fixed = &kSpectrumLotus; break;
    case 6: fixed = &kSpectrumQpw; break;
    default: break;
  }
  if (fixed != nullptr) {
    for (std::uint32_t rgb : *fixed) out.entries.push_back(Color::Hex(rgb));
  } else if (palette >= 7 && palette < kGraphPaletteCount) {
    for (int i = 0; i < 32; ++i) out.entries.push_back(RampColor(palette, i));
  }
  for (Color c : Basic16Colors) out.entries.push_back(c);
  return out;
}

bool DecodeGraphType(int graphType, GraphTypeDecoding& out) {
  // Palettes of the types in dialog order.
  static constexpr int kPalettes[kGraphTypeCount] = {2, 2,  0,  1,  2, 3,  4,  5,  6,  10,
                                                     13, 12, 11, 7, 8, 9, 10, 13, 12, 11};
  if (graphType < 0 || graphType >= kGraphTypeCount) return false;
  out.fill = graphType >= 1;
  out.shaded = graphType >= 16;
  out.gradient = graphType >= 2 && graphType <= 15;
  out.palette = kPalettes[graphType];
  return true;
}
