// Tables on which the non-linear fits are hard to scale: map coordinates (E 512003 .. 513998,
// N 5403023 .. 5406999) with a trend and with a hill, coordinates near 1e-6, z near 1e6, and x
// near 1e6 beside y near 2e4. Every value is exact in binary (integers, 64ths, or integers
// times 2^-40), made from integer generators, so that a script reads them to the bit from
// the points bench_fit_convergence_hunt --dump writes. Used by the convergence test and by
// bench_fit_convergence_hunt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/xyz_point.h"

namespace badly_scaled {

// The 64-bit LCG of the far-fit tables: (s >> 11) mod m after each step.
struct TLcg {
  std::uint64_t s;
  std::int64_t Next(std::int64_t modulus) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::int64_t>((s >> 11) % static_cast<std::uint64_t>(modulus));
  }
};

// Floor division, as Python's //.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A hill of height h at 0 that falls to half at u² + v² = 2^20 (in the units of u and v).
inline std::int64_t Hill(std::int64_t h, std::int64_t u, std::int64_t v) {
  return FloorDiv(h << 20, (1LL << 20) + u * u + v * v);
}

// 300 points in map coordinates, z about 826 in 64ths: a trend of sx/64 per km east and
// sy/64 per 2 km north, a hill of height hill/64 near (513200, 5404400) about 500 m wide, and
// uniform noise of ±noise/64.
inline PointTable MapTable(std::uint64_t seed, std::int64_t sx, std::int64_t sy, std::int64_t hill,
                           std::int64_t noise) {
  PointTable t = NewPointTable(300);
  TLcg g{seed};
  for (std::size_t i = 1; i <= 300; ++i) {
    const std::int64_t x = 512003 + g.Next(1996), y = 5403023 + g.Next(3977), e = g.Next(2 * noise + 1) - noise;
    const std::int64_t z = 826 * 64 + FloorDiv(sx * (x - 513000), 1000) + FloorDiv(sy * (y - 5405011), 2000) +
                           Hill(hill, 2 * (x - 513200), y - 5404400) + e;
    t[i] = TXYZPoint{static_cast<long double>(x), static_cast<long double>(y), z / 64.0L, 1, kPointActive};
  }
  return t;
}

// 200 points at x = 1.0e-6 .. 3.0e-6, y = 0.2e-6 .. 0.9e-6 (integers times 2^-40), z about 5 in
// 64ths with a trend and a hill.
inline PointTable TinyTable() {
  PointTable t = NewPointTable(200);
  TLcg g{90};
  constexpr long double kUnit = 1.0L / 1099511627776.0L;  // 2^-40
  for (std::size_t i = 1; i <= 200; ++i) {
    const std::int64_t U = 1099512 + g.Next(2199023), V = 219902 + g.Next(769658), e = g.Next(41) - 20;
    const std::int64_t z = 320 + FloorDiv(96 * (U - 2199023), 1099511) - FloorDiv(64 * (V - 604731), 384829) +
                           Hill(192, (U - 2100000) / 200, (V - 500000) / 200) + e;
    t[i] = TXYZPoint{U * kUnit, V * kUnit, z / 64.0L, 1, kPointActive};
  }
  return t;
}

// 150 points over [0, 10] x [0, 5] in 1/1024 steps, z = 1e6 + a slope and a small hill (64ths).
inline PointTable FarZTable() {
  PointTable t = NewPointTable(150);
  TLcg g{91};
  for (std::size_t i = 1; i <= 150; ++i) {
    const std::int64_t U = g.Next(10241), V = g.Next(5121), e = g.Next(7) - 3;
    const std::int64_t z = 64000000 + FloorDiv(32 * U, 1024) - FloorDiv(19 * V, 1024) + Hill(13, (U - 4096) / 2, (V - 2048) / 2) + e;
    t[i] = TXYZPoint{U / 1024.0L, V / 1024.0L, z / 64.0L, 1, kPointActive};
  }
  return t;
}

// 120 points with x = 1000000 .. 1003000 and y = 20000 .. 22000 (integers), z about 40 in 64ths
// rising with x and falling with y.
inline PointTable FarXTable() {
  PointTable t = NewPointTable(120);
  TLcg g{92};
  for (std::size_t i = 1; i <= 120; ++i) {
    const std::int64_t x = 1000000 + g.Next(3001), y = 20000 + g.Next(2001), e = g.Next(65) - 32;
    const std::int64_t z = 40 * 64 + FloorDiv(64 * (x - 1000000), 1000) - FloorDiv(128 * (y - 20000), 1000) + e;
    t[i] = TXYZPoint{static_cast<long double>(x), static_cast<long double>(y), z / 64.0L, 1, kPointActive};
  }
  return t;
}

struct TScaledTable {
  std::string name;
  PointTable points;
};

// The tables in a fixed order: the first is a power product's map table (its fit stopped far
// from its minimum).
inline std::vector<TScaledTable> Tables() {
  return {
      {"map coordinates, trend", MapTable(81, 14 * 64, -6 * 64, 0, 800)},
      {"map coordinates, hill", MapTable(88, 3 * 64, -2 * 64, 25 * 64, 200)},
      {"coordinates near 1e-6", TinyTable()},
      {"z near 1e6", FarZTable()},
      {"x near 1e6, y near 2e4", FarXTable()},
  };
}

}  // namespace badly_scaled
