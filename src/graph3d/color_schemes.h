// Colours of the 3D graphs: the 16 basic colours, the 27 colour roles of a colour scheme,
// the nine built-in schemes, the user schemes, and the gradient palettes of the graph types.
#pragma once

#include <array>
#include <cstdint>

#include "platform/device_context.h"

inline constexpr int kColorRoleCount = 27;
inline constexpr int kBuiltinSchemeCount = 9;
inline constexpr int kUserSchemeCount = 15;
inline constexpr int kUserScheme = 9;  // the scheme number that selects a user scheme

// The colour roles of a scheme, in order.
enum ColorRole : int {
  kRoleTitle = 0,
  kRoleSubTitles,
  kRoleAxisTitles,
  kRoleAxisLabels,
  kRoleXYGrids,
  kRoleXZGrids,
  kRoleYZGrids,
  kRoleXYBackPlane,
  kRoleXZBackPlane,
  kRoleYZBackPlane,
  kRoleAxes,
  kRoleBackground,
  kRoleFrameForPrint,
  kRolePoints1SD,
  kRolePoints2SD,
  kRolePoints3SD,
  kRolePointsOver3SD,
  kRolePointsInactive,
  kRoleZLineAbove,
  kRoleZLineBelow,
  kRoleMeshLine,
  kRoleMeshFill,
  kRoleWireLine,
  kRoleConfidence,
  kRolePrediction,
  kRoleMathError,
  kRoleLimitError,
};

// One scheme: per role an index 0-15 into Basic16Colors. A .clr file is one such block.
using TColorScheme = std::array<std::uint8_t, kColorRoleCount>;
using TUserColorSchemes = std::array<TColorScheme, kUserSchemeCount>;

extern const std::array<platform::Color, 16> Basic16Colors;
// 27 roles by 9 schemes: entry role * 9 + scheme.
using TColorSchemeTable = std::array<std::uint8_t, kColorRoleCount * kBuiltinSchemeCount>;
extern const TColorSchemeTable ColorSchemeTable;

// The roles' colour indices of built-in scheme 0-8 (others read as scheme 0).
TColorScheme BuiltinColorScheme(const TColorSchemeTable& table, int scheme);
// Every user scheme starts as the second built-in scheme ("Page White Color").
TUserColorSchemes DefaultUserColorSchemes();
// User scheme i (0-14) back to that default; another i changes nothing.
void ResetUserColorScheme(TUserColorSchemes& schemes, int i);

// The gradient palettes 0-13 of the graph types: palette k holds its gradient colours
// followed by the 16 basic colours. Palettes 0 and 2 are darker on displays of 255
// colours or fewer.
inline constexpr int kGraphPaletteCount = 14;
int GradientColorCount(int palette);
platform::Palette BuildGraphPalette(int palette, long displayColors);

// What a graph type draws: filled cells, gradient colours, shading, and its palette.
struct GraphTypeDecoding {
  bool fill = false;
  bool gradient = false;
  bool shaded = false;
  int palette = 2;
};
inline constexpr int kGraphTypeCount = 20;
// False for a type outside 0-19 (the caller keeps its previous decoding).
[[nodiscard]] bool DecodeGraphType(int graphType, GraphTypeDecoding& out);
