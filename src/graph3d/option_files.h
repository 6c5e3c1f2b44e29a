// The option files of a 3D graph: a view file (.v3d) is one view record, a scaling file
// (.scl) one scaling block, an animation file (.ani) one animation record, each raw and
// without a header. Readers accept only the record's exact size (a view file also its
// older 66-byte form) and only finite reals, and clamp what they read to the ranges the
// option dialogs allow; a refused file changes nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include "graph3d/color_schemes.h"
#include "graph3d/option_records.h"

enum class OptionFileStatus {
  Ok,
  CannotOpen,  // missing or unreadable: ignored without a message
  Refused,     // wrong size or a value that is not a number: show OptionFileErrorText
};

// The message boxes' texts for refused files (the caption is the file's path).
inline constexpr const char* kViewFileErrorText = "Error in Reading 3D View File";
inline constexpr const char* kScalingFileErrorText = "Error in Reading Scaling File";
inline constexpr const char* kAnimationFileErrorText = "Error in Reading Animation File";
inline constexpr const char* kUserColorsFileErrorText = "Error in Reading Custom Colors File";
inline constexpr int kCustomPrintFileErrorId = 3274;  // "Probable Error in Custom Print Dimension File"

// The whole file when it opens and its size is one of `sizes` (a file of any other size is
// never read); `status` tells why not otherwise.
std::optional<std::vector<std::uint8_t>> ReadOptionFileBytes(const std::filesystem::path& path,
                                                             std::initializer_list<std::size_t> sizes,
                                                             OptionFileStatus& status);

[[nodiscard]] OptionFileStatus ReadViewFile(const std::filesystem::path& path, T3DViewRec& out);
[[nodiscard]] OptionFileStatus ReadScalingFile(const std::filesystem::path& path, T3DScalingBlock& out);
[[nodiscard]] OptionFileStatus ReadAnimationFile(const std::filesystem::path& path, T3DAnimRec& out);
// A custom print file (.cpg) is one print record. Besides its size, a layout outside 0-3 or a
// margin that is no length on a page (not a number, negative, or beyond 100 cm) refuses it.
[[nodiscard]] OptionFileStatus ReadCustomPrintFile(const std::filesystem::path& path, TPrintGraphRec& out);

// A user colour file (.clr) is one user scheme: 27 bytes, the colour index 0-15 of each
// role. A byte above 15 refuses the file as a wrong size does.
bool DecodeUserColors(std::span<const std::uint8_t> bytes, TColorScheme& out);
OptionFileStatus ReadUserColorsFile(const std::filesystem::path& path, TColorScheme& out);
[[nodiscard]] bool WriteUserColorsFile(const std::filesystem::path& path, const TColorScheme& scheme);

// Write the record as it stands, through a temporary file and a rename: a write that fails
// leaves the file it would have replaced as it was. False when the file cannot be written.
[[nodiscard]] bool WriteViewFile(const std::filesystem::path& path, const T3DViewRec& rec);
[[nodiscard]] bool WriteScalingFile(const std::filesystem::path& path, const T3DScalingBlock& block);
[[nodiscard]] bool WriteAnimationFile(const std::filesystem::path& path, const T3DAnimRec& rec);
[[nodiscard]] bool WriteCustomPrintFile(const std::filesystem::path& path, const TPrintGraphRec& rec);
