// Bernoulli numbers B_n ("B0"): B_0, B_1 and the odd ones directly, the even ones up to
// B_200 from the table file "QVBERN.OVL" beside the executable, and the even ones from
// B_202 to B_1750 from B_n = (-1)^(n/2+1) 2 n! zeta(n) / (2 pi)^n.
//
// The table is read once, on first use, by whichever thread first needs it; any number of
// threads may then read it. A missing or short file is reported (-144) and the next use
// tries again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "expr/eval_context.h"

inline constexpr char kBernoulliTableName[] = "QVBERN.OVL";
// 101 little-endian 80-bit extended reals: entry i is B_2i (entry 0, B_0 = 1, is not read).
inline constexpr std::size_t kBernoulliTableEntries = 101;
inline constexpr std::size_t kBernoulliTableBytes = 1010;
inline constexpr int kBernoulliTableLastIndex = 200;  // B_200 is the last entry
inline constexpr int kBernoulliLargestIndex = 1750;

enum ExprBernoulliError : int {
  kErrBernoulliInteger = -142,
  kErrBernoulliNegative = -143,
  kErrBernoulliTableMissing = -144,
  kErrBernoulliOverflow = -146,
};

using TBernoulliTable = std::array<long double, kBernoulliTableEntries>;

// The file's bytes from the table, and the table from the file's first 1010 bytes (false
// when there are fewer).
std::vector<std::uint8_t> EncodeBernoulliTable(const TBernoulliTable& table);
[[nodiscard]] bool DecodeBernoulliTable(std::span<const std::uint8_t> bytes, TBernoulliTable& table);

// B_n for a whole n from 0 to 1750; error -142 for a fraction, -143 below 0, -146 above
// 1750, -144 when the table is needed and cannot be read (all with result 0).
long double BernoulliNumber(ExprContext& ctx, long double n);

// Frees the table (at exit, when no other thread evaluates any more).
void BernoulliTableFree();

// Tests: read the table from `file` instead of the one beside the executable (an empty
// path restores that); a table already read is dropped.
void BernoulliTableUseFile(const std::filesystem::path& file);
