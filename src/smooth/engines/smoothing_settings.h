// The settings records of the smoothing windows, kept raw in the settings file:
// TNPSettings (164 bytes: option 1 and option 2 of each scattered-data method code 0..19,
// then the chosen code) for the scattered-data and loess windows, and TNPGridSettings
// (136 bytes: orders and knot counts in X and Y of each gridded method 0..7, the chosen
// method and a reserved word) for the gridded-data and NURBS windows. All fields are 32-bit
// little-endian integers.
//
// Decoding clamps every field into what any data could make valid (the engines clamp
// again to what the data at hand allow), so that a damaged file never hands a window a
// method it has no button for or an option no engine can take. A block of the wrong size
// decodes as the record's defaults.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

inline constexpr int kNPSettingsCodes = 20;
inline constexpr int kNPGridSettingsMethods = 8;

// The widest range any method's option may take; the engine narrows it by the data.
inline constexpr std::int32_t kNPOptionLow = 0;
inline constexpr std::int32_t kNPOptionHigh = 1000000;
// Spline orders (degrees) and least-squares knot counts the gridded engine can take.
inline constexpr std::int32_t kNPOrderLow = 1;
inline constexpr std::int32_t kNPOrderHigh = 9;
inline constexpr std::int32_t kNPKnotsLow = 2;
inline constexpr std::int32_t kNPKnotsHigh = 16384;

struct TNPSettings {
  std::array<std::int32_t, kNPSettingsCodes> option1{};
  std::array<std::int32_t, kNPSettingsCodes> option2{};
  std::int32_t method = 0;
  bool operator==(const TNPSettings&) const = default;
};

struct TNPGridSettings {
  std::array<std::int32_t, kNPGridSettingsMethods> orderX{};
  std::array<std::int32_t, kNPGridSettingsMethods> orderY{};
  std::array<std::int32_t, kNPGridSettingsMethods> knotsX{};
  std::array<std::int32_t, kNPGridSettingsMethods> knotsY{};
  std::int32_t method = 0;
  std::int32_t reserved = 0;  // kept as read
  bool operator==(const TNPGridSettings&) const = default;
};

// Which window a TNPSettings record belongs to: its method must be one the window offers.
enum class TNPSettingsKind { kScattered, kLoess };
// Which window a TNPGridSettings record belongs to.
enum class TNPGridSettingsKind { kGridded, kNurbs };

TNPSettings DefaultNPSettings(TNPSettingsKind kind);
TNPGridSettings DefaultNPGridSettings(TNPGridSettingsKind kind);

// The record clamped: options into [kNPOptionLow, kNPOptionHigh]; a scattered method
// outside 0..15 (the eight built-in and eight extension codes) becomes the default 3, a
// loess method other than 7, 17, 18 or 19 becomes 17.
TNPSettings ClampNPSettings(TNPSettings settings, TNPSettingsKind kind);
// Orders into [kNPOrderLow, kNPOrderHigh], knot counts into [kNPKnotsLow, kNPKnotsHigh],
// a method outside 0..7 the kind's default (0 gridded, 5 NURBS).
TNPGridSettings ClampNPGridSettings(TNPGridSettings settings, TNPGridSettingsKind kind);

TNPSettings DecodeNPSettings(const std::vector<std::uint8_t>& block, TNPSettingsKind kind);
std::vector<std::uint8_t> EncodeNPSettings(const TNPSettings& settings);
TNPGridSettings DecodeNPGridSettings(const std::vector<std::uint8_t>& block, TNPGridSettingsKind kind);
std::vector<std::uint8_t> EncodeNPGridSettings(const TNPGridSettings& settings);
