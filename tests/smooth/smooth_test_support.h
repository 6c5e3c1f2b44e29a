// Shared helpers of the engine tests: point tables from coordinates or functions, and a
// numerical library installed for the length of a test.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "app/xyz_point.h"
#include "smooth/libs/numerical_library.h"

namespace smooth_test {

// A polynomial sum a[p][q] x^p y^q of degree at most 6 in each variable, with its partial
// derivatives and its integral over a rectangle in closed form.
struct TPolynomial2 {
  std::array<std::array<double, 7>, 7> a{};

  static double DerivedPower(int p, int d, double x) {
    if (d > p) return 0;
    double f = 1;
    for (int r = 0; r < d; ++r) f *= p - r;
    return f * std::pow(x, p - d);
  }
  double Der(int dx, int dy, double x, double y) const {
    double s = 0;
    for (int p = 0; p < 7; ++p)
      for (int q = 0; q < 7; ++q)
        if (a[p][q] != 0) s += a[p][q] * DerivedPower(p, dx, x) * DerivedPower(q, dy, y);
    return s;
  }
  double Value(double x, double y) const { return Der(0, 0, x, y); }
  double Integral(double x1, double x2, double y1, double y2) const {
    double s = 0;
    for (int p = 0; p < 7; ++p)
      for (int q = 0; q < 7; ++q)
        s += a[p][q] * (std::pow(x2, p + 1) - std::pow(x1, p + 1)) / (p + 1) *
             (std::pow(y2, q + 1) - std::pow(y1, q + 1)) / (q + 1);
    return s;
  }
};

// A polynomial of full degree dx in x and dy in y with seeded coefficients.
inline TPolynomial2 FullDegreePolynomial(int dx, int dy, double seed = 1.0) {
  TPolynomial2 p;
  for (int i = 0; i <= dx; ++i)
    for (int j = 0; j <= dy; ++j) p.a[i][j] = std::sin(seed + 3 * i + 7 * j);
  return p;
}

struct TPoint {
  long double x, y, z;
};

inline PointTable Table(const std::vector<TPoint>& points) {
  PointTable t(points.size() + 1);
  t[0].X = static_cast<long double>(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    t[i + 1].X = points[i].x;
    t[i + 1].Y = points[i].y;
    t[i + 1].Z = points[i].z;
    t[i + 1].W = 1;
    t[i + 1].Status = kPointActive;
  }
  return t;
}

// n seeded points in [x0, x0 + w] x [y0, y0 + h] with z = f(x, y).
template <class F>
std::vector<TPoint> Scattered(int n, std::uint64_t seed, F f, long double x0 = 0,
                              long double w = 1, long double y0 = 0, long double h = 1) {
  std::vector<TPoint> out;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<long double>(seed >> 11) * 0x1.0p-53L;
  };
  for (int i = 0; i < n; ++i) {
    const long double x = x0 + w * next(), y = y0 + h * next();
    out.push_back({x, y, f(x, y)});
  }
  return out;
}

// 400 points with four-decimal coordinates in [x0, x0 + 10] x [y0, y0 + 10], z on the
// surface f (evaluated in long double at the stored coordinates).
template <class F>
std::vector<TPoint> FourDecimalPoints(long double x0, long double y0, F f) {
  std::vector<TPoint> out = Scattered(400, 29, [](long double, long double) { return 0.0L; });
  for (TPoint& p : out) {
    p.x = x0 + std::nearbyint(p.x * 1e5L) / 1e4L;
    p.y = y0 + std::nearbyint(p.y * 1e5L) / 1e4L;
    p.z = f(p.x, p.y);
  }
  return out;
}

// e^x to a few units in the last place from additions, multiplications and divisions alone,
// which every CPU rounds alike: the library's expl takes the x87's f2xm1, whose last bit
// differs between CPU makers, and test data made with it would differ from machine to machine.
inline long double ArithmeticExp(long double x) {
  if (!(x > -11000.0L)) return 0.0L;  // below the smallest subnormal, and NaN
  if (x > 11357.0L) return HUGE_VALL;
  // x = k ln 2 + r with |r| <= ln 2 / 2; k ln2Hi is exact (ln2Hi has 40 bits, |k| < 2^15).
  constexpr long double kLog2e = 1.44269504088896340736L;
  constexpr long double kLn2Hi = 0x1.62e42fefa2p-1L, kLn2Lo = 7.37100256516779890183e-13L;
  const long double k = std::nearbyint(x * kLog2e);
  const long double r = (x - k * kLn2Hi) - k * kLn2Lo;
  // Taylor's series: |r|^24 / 24! is below 2^-64 of the sum.
  long double term = 1.0L, sum = 1.0L;
  for (int n = 1; n <= 24; ++n) {
    term = term * r / n;
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(k));
}

// Franke's test function on the unit square, the same to the last bit on every machine.
inline long double Franke(long double x, long double y) {
  return 0.75L * ArithmeticExp(-((9 * x - 2) * (9 * x - 2) + (9 * y - 2) * (9 * y - 2)) / 4) +
         0.75L * ArithmeticExp(-(9 * x + 1) * (9 * x + 1) / 49 - (9 * y + 1) / 10) +
         0.5L * ArithmeticExp(-((9 * x - 7) * (9 * x - 7) + (9 * y - 3) * (9 * y - 3)) / 4) -
         0.2L * ArithmeticExp(-(9 * x - 4) * (9 * x - 4) - (9 * y - 7) * (9 * y - 7));
}

inline long double ScaledError(long double got, long double want) {
  return std::fabs(got - want) / std::max(1.0L, std::fabs(want));
}

// The limit of f at (mx, my) from the side of the unit direction (nx, ny), by linear
// extrapolation from two points just off it: the value of the piece on that side, so that
// comparing both sides of a triangle side tests the continuity of f across it.
template <class F>
double SideLimit(F f, double mx, double my, double nx, double ny, double eps = 1e-9) {
  return 2 * f(mx + eps * nx, my + eps * ny) - f(mx + 2 * eps * nx, my + 2 * eps * ny);
}

// Installs a numerical library source for the life of the object (the built-in library
// again afterwards).
class ScopedNumLib {
 public:
  explicit ScopedNumLib(std::optional<TNumLibTable> table) {
    SetNumLibSource([table] { return table; });
  }
  ~ScopedNumLib() { SetNumLibSource({}); }
  ScopedNumLib(const ScopedNumLib&) = delete;
  ScopedNumLib& operator=(const ScopedNumLib&) = delete;
};

}  // namespace smooth_test
