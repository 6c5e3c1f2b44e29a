// Tables of points measured along lines, the commonest layout of field data: profiles far
// closer along a line than between lines, with a narrow ridge across them. Every number comes
// from integer arithmetic (the 64-bit linear congruential generator of smooth_test::Scattered),
// additions, multiplications, divisions and ArithmeticExp, so the tables are the same to the
// last bit on every machine (tests/smooth/reference/line_references.py makes them again).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "smooth_test_support.h"

namespace smooth_test {

struct TLineTable {
  std::string name;
  std::vector<TPoint> points;
};

// z = 1 + 5 exp(-((v - 6.37) / 0.05)^2) + 0.1 u at the place (u, v) of a point on its line:
// u across the lines, v along them.
inline long double RidgeAcrossLines(long double u, long double v) {
  const long double t = (v - 6.37L) / 0.05L;
  return 1 + 5 * ArithmeticExp(-t * t) + 0.1L * u;
}

// `lines` lines u = spacing k (k = 0 .. lines - 1) of `along` + 1 points v = 10 i / along,
// each point moved across its line by up to +-jitter (seeded) and by bow sin(v) (a line
// slightly off straight; sin by its series, the same on every machine), the whole turned by
// the angle whose cosine and sine are c and s: x = c u - s v, y = s u + c v.
inline TLineTable LineTable(const std::string& name, int lines, long double spacing, int along,
                            long double jitter, long double bow, long double c, long double s,
                            std::uint64_t seed) {
  TLineTable t;
  t.name = name;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<long double>(seed >> 11) * 0x1.0p-53L;
  };
  auto sine = [](long double v) {
    // sin(v) for v in [0, 10]: reduced by 2 pi, then Taylor's series to 30 terms.
    constexpr long double kTwoPi = 6.283185307179586476925L;
    while (v > 3.14159265358979323846L) v -= kTwoPi;
    long double term = v, sum = v;
    for (int n = 1; n < 30; ++n) {
      term = -term * v * v / ((2 * n) * (2 * n + 1));
      sum += term;
    }
    return sum;
  };
  for (int k = 0; k < lines; ++k)
    for (int i = 0; i <= along; ++i) {
      const long double v = 10.0L * i / along;
      const long double u = spacing * k + jitter * (2 * next() - 1) + bow * sine(v);
      t.points.push_back({c * u - s * v, s * u + c * v, RidgeAcrossLines(u, v)});
    }
  return t;
}

// The tables of the hunt: 11 lines of 401 points 0.2 apart, jittered by 2e-5 (the field
// survey's table), without jitter, turned by 30 degrees, bowed by a hundredth of the lines'
// spacing, and 4 lines of 2001 points 0.5 apart.
inline std::vector<TLineTable> LineTables() {
  constexpr long double kCos30 = 0.866025403784438646764L, kSin30 = 0.5L;
  return {
      LineTable("11 lines of 401 points, jittered", 11, 0.2L, 400, 2e-5L, 0, 1, 0, 7),
      LineTable("11 straight lines of 401 points", 11, 0.2L, 400, 0, 0, 1, 0, 7),
      LineTable("11 lines at 30 degrees", 11, 0.2L, 400, 2e-5L, 0, kCos30, kSin30, 8),
      LineTable("11 lines slightly off straight", 11, 0.2L, 400, 2e-5L, 0.002L, 1, 0, 9),
      LineTable("4 lines of 2001 points", 4, 0.5L, 2000, 2e-5L, 0, 1, 0, 10),
  };
}

}  // namespace smooth_test
