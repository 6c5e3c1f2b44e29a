#include "graph3d/option_files.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/file_utils.h"

std::optional<std::vector<std::uint8_t>> ReadOptionFileBytes(const std::filesystem::path& path,
                                                       std::initializer_list<std::size_t> sizes,
                                                       OptionFileStatus& status) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    status = OptionFileStatus::CannotOpen;
    return std::nullopt;
  }
  if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) {
    status = OptionFileStatus::Refused;
    return std::nullopt;
  }
  std::vector<std::uint8_t> data = LoadFileToGlobal(path);
  if (data.size() != size) {
    status = OptionFileStatus::CannotOpen;
    return std::nullopt;
  }
  status = OptionFileStatus::Ok;
  return data;
}

OptionFileStatus ReadViewFile(const std::filesystem::path& path, T3DViewRec& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {T3DViewRec::kSize, T3DViewRec::kShortSize}, status);
  if (!data) return status;
  T3DViewRec rec;
  if (!DecodeViewRec(*data, rec) || !SanitizeViewRec(rec)) return OptionFileStatus::Refused;
  out = rec;
  return OptionFileStatus::Ok;
}

OptionFileStatus ReadScalingFile(const std::filesystem::path& path, T3DScalingBlock& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {T3DScalingBlock::kSize}, status);
  if (!data) return status;
  T3DScalingBlock block;
  if (!DecodeScalingBlock(*data, block) || !SanitizeScalingBlock(block)) {
    return OptionFileStatus::Refused;
  }
  out = block;
  return OptionFileStatus::Ok;
}

OptionFileStatus ReadAnimationFile(const std::filesystem::path& path, T3DAnimRec& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {T3DAnimRec::kSize}, status);
  if (!data) return status;
  T3DAnimRec rec;
  if (!DecodeAnimRec(*data, rec) || !SanitizeAnimRec(rec)) return OptionFileStatus::Refused;
  out = rec;
  return OptionFileStatus::Ok;
}

OptionFileStatus ReadCustomPrintFile(const std::filesystem::path& path, TPrintGraphRec& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {TPrintGraphRec::kSize}, status);
  if (!data) return status;
  TPrintGraphRec rec;
  if (!DecodePrintGraphRec(*data, rec) || !SanitizePrintGraphRec(rec)) return OptionFileStatus::Refused;
  out = rec;
  return OptionFileStatus::Ok;
}

bool DecodeUserColors(std::span<const std::uint8_t> data, TColorScheme& out) {
  if (data.size() != out.size()) return false;
  for (std::uint8_t index : data)
    if (index > 15) return false;
  std::copy(data.begin(), data.end(), out.begin());
  return true;
}

OptionFileStatus ReadUserColorsFile(const std::filesystem::path& path, TColorScheme& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {std::tuple_size_v<TColorScheme>}, status);
  if (!data) return status;
  return DecodeUserColors(*data, out) ? OptionFileStatus::Ok : OptionFileStatus::Refused;
}

bool WriteUserColorsFile(const std::filesystem::path& path, const TColorScheme& scheme) {
  return SaveGlobalToFile(std::span<const std::uint8_t>(scheme.data(), scheme.size()), path);
}

bool WriteViewFile(const std::filesystem::path& path, const T3DViewRec& rec) {
  return SaveGlobalToFile(EncodeViewRec(rec), path);
}

bool WriteScalingFile(const std::filesystem::path& path, const T3DScalingBlock& block) {
  return SaveGlobalToFile(EncodeScalingBlock(block), path);
}

bool WriteAnimationFile(const std::filesystem::path& path, const T3DAnimRec& rec) {
  return SaveGlobalToFile(EncodeAnimRec(rec), path);
}

bool WriteCustomPrintFile(const std::filesystem::path& path, const TPrintGraphRec& rec) {
  return SaveGlobalToFile(EncodePrintGraphRec(rec), path);
}
