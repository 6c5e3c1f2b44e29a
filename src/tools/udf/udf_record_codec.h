// The stored form of one user-defined function: the 3945-byte record that .udf raw files,
// .udl libraries and the session file carry, written and read field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/byte_codec.h"
#include "expr/udf_record.h"

// Byte offsets of the stored record's fields.
inline constexpr std::size_t kUdfNameOffset = 0;
inline constexpr std::size_t kUdfParamCountOffset = 11;
inline constexpr std::size_t kUdfLineCountOffset = 13;
inline constexpr std::size_t kUdfTextOffset = 15;
inline constexpr std::size_t kUdfLowerOffset = 1039;
inline constexpr std::size_t kUdfStartOffset = 1139;
inline constexpr std::size_t kUdfUpperOffset = 1239;
inline constexpr std::size_t kUdfMinTextOffset = 1339;
inline constexpr std::size_t kUdfStartTextOffset = 2139;
inline constexpr std::size_t kUdfMaxTextOffset = 2939;
inline constexpr std::size_t kUdfDataMaskOffset = 3739;
inline constexpr std::size_t kUdfDerivMaxOffset = 3743;
inline constexpr std::size_t kUdfDerivMinOffset = 3843;
inline constexpr std::size_t kUdfCompiledOffset = 3943;

// Bits of the data-dependence mask: bit i for the start expression of Ai, and these two.
inline constexpr std::uint32_t kUdfMaskAnyMinimum = 1u << 30;
inline constexpr std::uint32_t kUdfMaskAnyMaximum = 1u << 31;
inline constexpr std::uint32_t kUdfMaskStartBits = (1u << kUdfMaxParams) - 1;
inline constexpr std::uint32_t kUdfMaskAllBits = kUdfMaskStartBits | kUdfMaskAnyMinimum | kUdfMaskAnyMaximum;

// The longest text a stored line count can describe: every line at least its line feed.
inline constexpr int kUdfMaxLineCount = static_cast<int>(kUdfTextSize) - 1;

// Appends the record's 3945 bytes. Texts are written up to their terminator and padded
// with NULs, so a record never carries stale bytes behind a text into a file.
void EncodeUdfRecord(const TUdfRecord& r, bytes::ByteWriter& out);
std::vector<std::uint8_t> EncodeUdfRecord(const TUdfRecord& r);

// Reads one stored record from exactly 3945 bytes and checks every field: the name, the
// text and the thirty limit expressions each end with a NUL inside their field, the
// parameter count is 1..10, the line count 0..1023, every long double is a finite,
// properly encoded extended real, and the mask holds no bit besides 0..9, 30 and 31.
// Returns false for anything else (out is then unspecified). The compiled flag is read
// as 0: the program slots of this run do not hold a record that was just read.
[[nodiscard]] bool DecodeUdfRecord(std::span<const std::uint8_t> bytes, TUdfRecord& out);

// True when the record, written and read back, passes DecodeUdfRecord: the writers use
// it so that they never produce a file the readers would refuse.
bool UdfRecordIsSound(const TUdfRecord& r);
