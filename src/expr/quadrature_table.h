// The Gauss-Legendre quadrature table "QVQUAD.OVL" beside the executable.
//
// 4160 little-endian 80-bit extended reals, no header: for every m = 1 .. 64 the rule of
// even order N = 2m on [-1, 1] as one block at value index m(m - 1), holding the m
// positive abscissas (the positive roots of the Legendre polynomial P_N, ascending),
// then at index m x m their m weights in the same order. Each abscissa is used with
// both signs.
//
// The table is read once, on first use, by whichever thread first needs it; any number
// of threads may then read it. A missing or short file leaves it absent and the next use
// tries again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

inline constexpr char kQuadTableName[] = "QVQUAD.OVL";
inline constexpr int kQuadLargestHalfOrder = 64;  // m = N/2 of the 128-point rule
inline constexpr std::size_t kQuadTableEntries = 4160;
inline constexpr std::size_t kQuadTableBytes = 41600;

struct TQuadTable {
  std::array<long double, kQuadTableEntries> value{};

  // Block of the N = 2m point rule, m 1..64.
  const long double* Abscissas(int m) const { return value.data() + m * (m - 1); }
  const long double* Weights(int m) const { return value.data() + m * m; }
};

// The file's bytes from the table, and the table from the file's first 41600 bytes
// (false when there are fewer).
std::vector<std::uint8_t> EncodeQuadTable(const TQuadTable& table);
[[nodiscard]] bool DecodeQuadTable(std::span<const std::uint8_t> bytes, TQuadTable& table);

// The table computed: the positive roots of each Legendre polynomial and their weights,
// each the extended real nearest the true value (as the build writes the file); false
// when a value lies so near a rounding midpoint that the rounding is not sure.
[[nodiscard]] bool ComputeQuadTable(TQuadTable& table);
// The table computed once, on first use (a fifth of a second), for an integral that needs
// no file: the automatic integral's search of the parts of a range where the file is
// missing. The Gauss built-ins themselves read the file and fail without it.
const TQuadTable& ComputedQuadTable();

// 1 when the table is already present, 0 when it was read now, -1 when the file cannot be
// opened or is shorter than 41600 bytes, -2 when memory for it cannot be had.
[[nodiscard]] int LoadQuadOverlay();
// The table once loaded, else null (no attempt to load).
const TQuadTable* QuadTable();
// Releases the table (at exit, when no other thread integrates any more).
void FreeQuadOverlay();

// Tests: read the table from `file` instead of the one beside the executable (an empty
// path restores that); a table already read is dropped.
void QuadOverlayUseFile(const std::filesystem::path& file);
