#include "graph3d/option_files.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/file_utils.h"

namespace {

// The whole file when it opens and its size is one of `sizes` (a file of any other size is
// never read); `status` tells why not otherwise.
std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::filesystem::path& path,
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

}  // namespace

OptionFileStatus ReadViewFile(const std::filesystem::path& path, T3DViewRec& out) {
  OptionFileStatus status;
  const auto data = ReadSmallFile(path, {T3DViewRec::kSize, T3DViewRec::kShortSize}, status);
  if (!data) return status;
  T3DViewRec rec;
  if (!DecodeViewRec(*data, rec) || !SanitizeViewRec(rec)) return OptionFileStatus::Refused;
  out = rec;
  return OptionFileStatus::Ok;
}

OptionFileStatus ReadScalingFile(const std::filesystem::path& path, T3DScalingBlock& out) {
  OptionFileStatus status;
  const auto data = ReadSmallFile(path, {T3DScalingBlock::kSize}, status);
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
  const auto data = ReadSmallFile(path, {T3DAnimRec::kSize}, status);
  if (!data) return status;
  T3DAnimRec rec;
  if (!DecodeAnimRec(*data, rec)) return OptionFileStatus::Refused;
  SanitizeAnimRec(rec);
  out = rec;
  return OptionFileStatus::Ok;
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
