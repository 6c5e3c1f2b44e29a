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
#include <set>
#include <utility>
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

// The user's own choices in a smoothing window, entry by entry. A window shows the stored
// settings as the engine clamps them to the data at hand (a table of 30 points takes fewer
// knots than 25), and OK keeps only what the user set, so that a clamp made for one table
// never replaces a choice meant for larger ones.
enum TNPSettingsField : int { kNPOption1Field = 0, kNPOption2Field = 1 };
enum TNPGridSettingsField : int { kNPOrderXField = 0, kNPOrderYField = 1, kNPKnotsXField = 2, kNPKnotsYField = 3 };

class TNPChoices {
 public:
  // The user chose the method (a click on its button, the one checked included).
  void ChoseMethod() { method_ = true; }
  // The user set `field` (a TNPSettingsField or TNPGridSettingsField) of method `entry`.
  void Chose(int field, int entry) { entries_.insert({field, entry}); }
  // What OK stores: `stored`, with the method and the entries the user set as `working`
  // holds them now (clamped as the window shows them).
  TNPSettings Kept(const TNPSettings& stored, const TNPSettings& working) const;
  TNPGridSettings Kept(const TNPGridSettings& stored, const TNPGridSettings& working) const;

 private:
  bool method_ = false;
  std::set<std::pair<int, int>> entries_;
};

TNPSettings DecodeNPSettings(const std::vector<std::uint8_t>& block, TNPSettingsKind kind);
std::vector<std::uint8_t> EncodeNPSettings(const TNPSettings& settings);
TNPGridSettings DecodeNPGridSettings(const std::vector<std::uint8_t>& block, TNPGridSettingsKind kind);
std::vector<std::uint8_t> EncodeNPGridSettings(const TNPGridSettings& settings);
