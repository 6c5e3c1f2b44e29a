#include "smooth/engines/smoothing_settings.h"

#include <algorithm>

#include "app/byte_codec.h"
#include "app/settings_file.h"

namespace {

bool IsLoessCode(std::int32_t code) { return code == 7 || (code >= 17 && code <= 19); }

}  // namespace

TNPSettings DefaultNPSettings(TNPSettingsKind kind) {
  TNPSettings s;
  if (kind == TNPSettingsKind::kLoess) {
    s.option1[17] = 2;
    s.option2[17] = 13;
    s.method = 17;
    return s;
  }
  constexpr std::int32_t option1[8] = {1, 1, 2, 0, 2, 2, 1, 2};
  constexpr std::int32_t option2[8] = {5, 9, 3, 0, 17, 18, 5, 13};
  std::copy(std::begin(option1), std::end(option1), s.option1.begin());
  std::copy(std::begin(option2), std::end(option2), s.option2.begin());
  s.method = 3;
  return s;
}

TNPGridSettings DefaultNPGridSettings(TNPGridSettingsKind kind) {
  TNPGridSettings s;
  s.orderX.fill(3);
  s.orderY.fill(3);
  s.knotsX.fill(25);
  s.knotsY.fill(25);
  s.method = kind == TNPGridSettingsKind::kNurbs ? 5 : 0;
  return s;
}

TNPSettings ClampNPSettings(TNPSettings s, TNPSettingsKind kind) {
  for (auto* options : {&s.option1, &s.option2})
    for (std::int32_t& v : *options) v = std::clamp(v, kNPOptionLow, kNPOptionHigh);
  if (kind == TNPSettingsKind::kLoess) {
    if (!IsLoessCode(s.method)) s.method = 17;
  } else if (s.method < 0 || s.method > 15) {
    s.method = 3;
  }
  return s;
}

TNPGridSettings ClampNPGridSettings(TNPGridSettings s, TNPGridSettingsKind kind) {
  for (auto* orders : {&s.orderX, &s.orderY})
    for (std::int32_t& v : *orders) v = std::clamp(v, kNPOrderLow, kNPOrderHigh);
  for (auto* knots : {&s.knotsX, &s.knotsY})
    for (std::int32_t& v : *knots) v = std::clamp(v, kNPKnotsLow, kNPKnotsHigh);
  if (s.method < 0 || s.method >= kNPGridSettingsMethods)
    s.method = DefaultNPGridSettings(kind).method;
  return s;
}

namespace {

// `stored` with the user's entries of `fields` (indexed by field number) taken from `working`.
template <class Settings, class Field, std::size_t N>
Settings KeptEntries(Settings stored, const Settings& working, const std::array<Field Settings::*, N>& fields,
                     const std::set<std::pair<int, int>>& entries, bool method) {
  for (const auto& [field, entry] : entries) {
    if (field < 0 || static_cast<std::size_t>(field) >= N) continue;
    Field& kept = stored.*fields[static_cast<std::size_t>(field)];
    const Field& chosen = working.*fields[static_cast<std::size_t>(field)];
    if (entry >= 0 && static_cast<std::size_t>(entry) < kept.size())
      kept[static_cast<std::size_t>(entry)] = chosen[static_cast<std::size_t>(entry)];
  }
  if (method) stored.method = working.method;
  return stored;
}

}  // namespace

TNPSettings TNPChoices::Kept(const TNPSettings& stored, const TNPSettings& working) const {
  using Field = std::array<std::int32_t, kNPSettingsCodes>;
  const std::array<Field TNPSettings::*, 2> fields = {&TNPSettings::option1, &TNPSettings::option2};
  return KeptEntries(stored, working, fields, entries_, method_);
}

TNPGridSettings TNPChoices::Kept(const TNPGridSettings& stored, const TNPGridSettings& working) const {
  using Field = std::array<std::int32_t, kNPGridSettingsMethods>;
  const std::array<Field TNPGridSettings::*, 4> fields = {&TNPGridSettings::orderX, &TNPGridSettings::orderY,
                                                          &TNPGridSettings::knotsX, &TNPGridSettings::knotsY};
  return KeptEntries(stored, working, fields, entries_, method_);
}

TNPSettings DecodeNPSettings(const std::vector<std::uint8_t>& block, TNPSettingsKind kind) {
  if (block.size() != kNPSettingsSize) return DefaultNPSettings(kind);
  bytes::ByteReader r(block);
  TNPSettings s;
  for (std::int32_t& v : s.option1) v = r.I32();
  for (std::int32_t& v : s.option2) v = r.I32();
  s.method = r.I32();
  return ClampNPSettings(s, kind);
}

std::vector<std::uint8_t> EncodeNPSettings(const TNPSettings& s) {
  bytes::ByteWriter w;
  for (std::int32_t v : s.option1) w.I32(v);
  for (std::int32_t v : s.option2) w.I32(v);
  w.I32(s.method);
  return w.Take();
}

TNPGridSettings DecodeNPGridSettings(const std::vector<std::uint8_t>& block, TNPGridSettingsKind kind) {
  if (block.size() != kNPGridSettingsSize) return DefaultNPGridSettings(kind);
  bytes::ByteReader r(block);
  TNPGridSettings s;
  for (auto* field : {&s.orderX, &s.orderY, &s.knotsX, &s.knotsY})
    for (std::int32_t& v : *field) v = r.I32();
  s.method = r.I32();
  s.reserved = r.I32();
  return ClampNPGridSettings(s, kind);
}

std::vector<std::uint8_t> EncodeNPGridSettings(const TNPGridSettings& s) {
  bytes::ByteWriter w;
  for (const auto* field : {&s.orderX, &s.orderY, &s.knotsX, &s.knotsY})
    for (std::int32_t v : *field) w.I32(v);
  w.I32(s.method);
  w.I32(s.reserved);
  return w.Take();
}
