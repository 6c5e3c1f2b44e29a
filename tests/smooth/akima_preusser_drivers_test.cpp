// The engine's Akima I, Akima II and Preusser methods: their set-up limits, exact nodes,
// planes and the polynomials of each method's degree through the engine, derivatives in the
// data's units, surfaces that scale with z, the reuse of the Akima kernel's work between
// points and grids, the missing value for points a method cannot evaluate, missing library
// entries and hostile data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/long_double.h"
#include "smooth/engines/data_hull.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/akima_interpolation.h"
#include "smooth/libs/numerical_library.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::ScopedNumLib;
using smooth_test::Table;
using smooth_test::TPoint;

long double Plane(long double x, long double y) { return 2.5L - 1.5L * x + 0.75L * y; }
long double Wavy(long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y); }

struct Method {
  const char* name;
  int code, option1, option2;
};
const Method kMethods[] = {{"Akima I", kNPAkima1, 1, 5},
                           {"Akima I (20)", kNPAkima1Fixed, 0, 0},
                           {"Akima II", kNPAkima2, 1, 9},
                           {"Preusser C1", kNPPreusser, 1, 3},
                           {"Preusser C2", kNPPreusser, 2, 3}};

TEST(AkimaPreusserDrivers, NodesExactAndPlanesReproducedInDataUnits) {
  // A plane over x in [-3, 3] and y in [10, 10.5]: the unit coordinates stretch the axes
  // differently, so the slopes come back only when the derivatives are rescaled.
  PointTable data = Table(Scattered(200, 11, Plane, -3, 6, 10, 0.5L));
  const long double want[6] = {0, -1.5L, 0.75L, 0, 0, 0};
  for (const Method& m : kMethods) {
    TNParm3D engine(data, m.code, m.option1, m.option2, false);
    ASSERT_TRUE(engine.HasSurface()) << m.name;
    EXPECT_EQ(engine.Sse(), 0.0L) << m.name;
    for (int i = 1; i <= 200; i += 7) {
      const TXYZPoint& p = data[static_cast<std::size_t>(i)];
      EXPECT_NEAR(static_cast<double>(engine.EvalAt(p.X, p.Y)), static_cast<double>(p.Z), 1e-9)
          << m.name;
    }
    for (long double x = -4; x <= 4; x += 0.5L)
      for (long double y = 9.8L; y <= 10.7L; y += 0.1L) {
        EXPECT_NEAR(static_cast<double>(engine.EvalAt(x, y)), static_cast<double>(Plane(x, y)), 1e-8)
            << m.name << " at " << static_cast<double>(x) << ", " << static_cast<double>(y);
        for (int mode = 1; mode < 6; ++mode)
          EXPECT_NEAR(static_cast<double>(engine.EvalMode(x, y, mode)), static_cast<double>(want[mode]),
                      1e-6)
              << m.name << " mode " << mode;
      }
  }
}

// A polynomial of data coordinates with its derivative modes 0..5, as sums of terms
// c x^i y^j: the degree each method reproduces exactly (Akima II cubics, Preusser C1
// quadratics from its quadratic derivative estimates, Preusser C2 quartics).
struct Poly {
  struct Term {
    long double c;
    int i, j;
  };
  std::vector<Term> terms;
  long double D(int mode, long double x, long double y) const {
    static constexpr int kOrder[6][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {1, 1}};
    const int dx = kOrder[mode][0], dy = kOrder[mode][1];
    long double sum = 0;
    for (const Term& t : terms) {
      if (t.i < dx || t.j < dy) continue;
      long double c = t.c;
      for (int k = 0; k < dx; ++k) c *= t.i - k;
      for (int k = 0; k < dy; ++k) c *= t.j - k;
      sum += c * std::pow(x, t.i - dx) * std::pow(y, t.j - dy);
    }
    return sum;
  }
};

TEST(AkimaPreusserDrivers, PolynomialsOfEachMethodsDegreeAreReproducedInDataUnits) {
  // Axes of very different lengths away from 0: the unit coordinates scale and shift them.
  // The centre is (2, 5), the extents 4 by 0.5, so the polynomials stay of moderate size.
  const Poly cubic{{{0.7L, 0, 0}, {-1.2L, 1, 0}, {0.4L, 0, 1}, {0.3L, 2, 0}, {-0.9L, 1, 1},
                    {1.3L, 0, 2}, {-0.05L, 3, 0}, {0.2L, 2, 1}, {0.6L, 1, 2}, {-0.8L, 0, 3}}};
  Poly quadratic, quartic = cubic;
  for (const Poly::Term& t : cubic.terms)
    if (t.i + t.j <= 2) quadratic.terms.push_back(t);
  quartic.terms.insert(quartic.terms.end(), {{0.01L, 4, 0}, {-0.03L, 3, 1}, {0.05L, 2, 2},
                                              {0.2L, 1, 3}, {-0.4L, 0, 4}});
  struct Case {
    Method method;
    const Poly* poly;
  };
  const Case cases[] = {{kMethods[2], &cubic}, {kMethods[3], &quadratic}, {kMethods[4], &quartic}};
  for (const Case& c : cases) {
    auto f = [&c](long double x, long double y) { return c.poly->D(0, x - 2, y - 5); };
    PointTable data = Table(Scattered(150, 31, f, 0, 4, 4.75L, 0.5L));
    TNParm3D engine(data, c.method.code, c.method.option1, c.method.option2, false);
    ASSERT_TRUE(engine.HasSurface()) << c.method.name;
    std::vector<long double> xs, ys;
    for (int k = 0; k < 9; ++k) {
      xs.push_back(0.2L + 0.45L * k);
      ys.push_back(4.77L + 0.057L * k);
    }
    for (int mode = 0; mode < 6; ++mode) {
      const std::vector<long double> grid = engine.GridMode(9, 9, xs, ys, mode);
      ASSERT_EQ(grid.size(), 81u) << c.method.name;
      for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 9; ++i) {
          const long double x = xs[static_cast<std::size_t>(i)], y = ys[static_cast<std::size_t>(j)];
          const double want = static_cast<double>(c.poly->D(mode, x - 2, y - 5));
          // Second derivatives in y carry the factor 1 / 0.5^2 of the short axis.
          EXPECT_NEAR(static_cast<double>(grid[static_cast<std::size_t>(j * 9 + i)]), want,
                      1e-7 * std::max(1.0, std::fabs(want)))
              << c.method.name << " mode " << mode << " at " << static_cast<double>(x) << ", "
              << static_cast<double>(y);
        }
    }
  }
}

TEST(AkimaPreusserDrivers, DerivativesComeBackInDataUnits) {
  const std::vector<TPoint> points = Scattered(80, 4, Wavy);
  std::vector<TPoint> stretched = points;
  for (TPoint& p : stretched) p.x *= 1000;
  PointTable data = Table(points), wide = Table(stretched);
  // x scaled by 1000 divides d/dx by 1000, d2/dx2 by 10^6 and d2/dxdy by 1000.
  const long double factor[6] = {1, 1e3L, 1, 1e6L, 1, 1e3L};
  for (const Method& m : kMethods) {
    TNParm3D a(data, m.code, m.option1, m.option2, false);
    TNParm3D b(wide, m.code, m.option1, m.option2, false);
    for (const long double x : {0.21L, 0.5L, 0.83L, 1.2L})
      for (const long double y : {0.3L, 0.66L, -0.1L})
        for (int mode = 0; mode < 6; ++mode) {
          const long double want = a.EvalMode(x, y, mode) / factor[mode];
          EXPECT_NEAR(static_cast<double>(b.EvalMode(1000 * x, y, mode)), static_cast<double>(want),
                      1e-7 * std::max(1.0, std::fabs(static_cast<double>(want))))
              << m.name << " mode " << mode;
        }
  }
}

TEST(AkimaPreusserDrivers, ScalingTheValuesScalesTheSurface) {
  // Every method is linear in z: values scaled by a power of two, small or as large as 2^500,
  // give the same surface scaled, to rounding, inside and beyond the hull and in every mode.
  const std::vector<TPoint> points = Scattered(60, 14, Wavy);
  for (const long double scale : {0x1p-30L, 0x1p20L, 0x1p500L, 0x1p-500L}) {
    std::vector<TPoint> scaled = points;
    for (TPoint& p : scaled) p.z *= scale;
    PointTable data = Table(points), big = Table(scaled);
    for (const Method& m : kMethods) {
      TNParm3D a(data, m.code, m.option1, m.option2, false);
      TNParm3D b(big, m.code, m.option1, m.option2, false);
      ASSERT_TRUE(b.HasSurface()) << m.name;
      for (const long double x : {-0.3L, 0.13L, 0.5L, 0.91L, 1.4L})
        for (const long double y : {0.07L, 0.48L, 0.8L, 1.2L})
          for (int mode = 0; mode < 6; ++mode) {
            const double want = static_cast<double>(a.EvalMode(x, y, mode));
            const double got = static_cast<double>(b.EvalMode(x, y, mode) / scale);
            EXPECT_NEAR(got, want, 1e-13 * std::max(1.0, std::fabs(want)))
                << m.name << " scale " << static_cast<double>(scale) << " mode " << mode << " at "
                << static_cast<double>(x) << ", " << static_cast<double>(y);
          }
    }
  }
}

TEST(AkimaPreusserDrivers, SetUpLimits) {
  // Akima II needs ten points; Akima I on four points uses three close points; every method
  // fails on points on one line.
  PointTable nine = Table(Scattered(9, 8, Wavy)), ten = Table(Scattered(10, 8, Wavy));
  EXPECT_FALSE(TNParm3D(nine, kNPAkima2, 1, 9, false).HasSurface());
  TNParm3D akima2(ten, kNPAkima2, 1, 9, false);
  EXPECT_TRUE(akima2.HasSurface());
  EXPECT_EQ(akima2.Option2(), 9);

  const std::vector<TPoint> four = {{0, 0, 1}, {1, 0.1L, 2}, {0.9L, 1, 4}, {0.1L, 0.8L, 3}};
  PointTable quad = Table(four);
  TNParm3D akima1(quad, kNPAkima1, 1, 5, false);
  EXPECT_EQ(akima1.Option2(), 3);
  // The kernel over the engine's merged points (both ranges 0..1: unit coordinates).
  std::vector<double> x, y, z;
  for (int i = 1; i <= 4; ++i) {
    const TXYZPoint& p = akima1.Working()[static_cast<std::size_t>(i)];
    x.push_back(static_cast<double>(p.X));
    y.push_back(static_cast<double>(p.Y));
    z.push_back(static_cast<double>(p.Z));
  }
  std::vector<int> iwk(AkimaIntWorkSize(3, 4, 1, 1));
  std::vector<double> wk(AkimaRealWorkSize(4));
  std::vector<double> u = {0.4}, v = {0.45}, out(1);
  ASSERT_EQ(AkimaGridInterpolate(kAkimaNewPoints, 3, 4, x, y, z, 1, 1, u, v, out, iwk, wk, 0), 1);
  EXPECT_NEAR(static_cast<double>(akima1.EvalAt(0.4L, 0.45L)), out[0], 1e-12);

  std::vector<TPoint> line;
  for (int i = 0; i < 12; ++i) line.push_back({i * 0.5L, 1 - i * 0.25L, i * 1.0L});
  PointTable collinear = Table(line);
  for (const Method& m : kMethods) {
    TNParm3D engine(collinear, m.code, m.option1, m.option2, false);
    // Every method fails its set-up, Akima I too (its kernel cannot triangulate a line):
    // points answer 0, grids nothing.
    EXPECT_FALSE(engine.HasSurface()) << m.name;
    EXPECT_EQ(engine.EvalAt(1, 0.5L), 0.0L) << m.name;
    const std::vector<long double> axis = {0, 1, 2};
    EXPECT_TRUE(engine.EvalGrid(3, 3, axis, axis).empty()) << m.name;
  }
}

TEST(AkimaPreusserDrivers, AkimaPointsAndGridsShareOneSetUp) {
  PointTable data = Table(Scattered(60, 9, Wavy, 2, 3, -1, 0.5L));
  TNParm3D engine(data, kNPAkima1, 1, 5, false);
  EXPECT_EQ(engine.IntWorkSize(), AkimaIntWorkSize(5, 60, 1, 1));  // the set-up's MD 1
  const long double before = engine.EvalAt(3.37L, -0.61L);
  EXPECT_EQ(engine.IntWorkSize(), AkimaIntWorkSize(5, 60, 1, 1));
  std::vector<long double> xs, ys;
  for (int i = 0; i < 9; ++i) {
    xs.push_back(2 + 0.37L * i);
    ys.push_back(-1 + 0.06L * i);
  }
  // The kernel set up anew (MD 1) over the engine's unit coordinates (of the points as
  // doubles): a grid that keeps the points' set-up gives its numbers to the bit, in every mode.
  // Beyond the hull the engine extrapolates from the kernel set up with its node derivatives
  // limited (derivative_limiter.h), and gives those numbers there.
  const TDataHull hull(data);
  std::vector<double> x, y, z;
  const long double sx = engine.XMax() - engine.XMin(), sy = engine.YMax() - engine.YMin();
  for (int i = 1; i <= engine.PointCount(); ++i) {
    const TXYZPoint& p = engine.Working()[static_cast<std::size_t>(i)];
    x.push_back(static_cast<double>((static_cast<double>(p.X) - engine.XMin()) / sx));
    y.push_back(static_cast<double>((static_cast<double>(p.Y) - engine.YMin()) / sy));
    z.push_back(static_cast<double>(p.Z));
  }
  std::vector<double> u, v;
  for (int i = 0; i < 9; ++i) {
    u.push_back(static_cast<double>((xs[static_cast<std::size_t>(i)] - engine.XMin()) / sx));
    v.push_back(static_cast<double>((ys[static_cast<std::size_t>(i)] - engine.YMin()) / sy));
  }
  const long double unit[6] = {1, sx, sy, sx * sx, sy * sy, sx * sy};
  for (int mode = 0; mode < 6; ++mode) {
    std::vector<int> iwk(AkimaIntWorkSize(5, 60, 9, 9));
    std::vector<double> wk(AkimaRealWorkSize(60)), fresh(81), limited(81);
    ASSERT_EQ(
        AkimaGridInterpolate(kAkimaNewPoints, 5, 60, x, y, z, 9, 9, u, v, fresh, iwk, wk, mode), 1);
    {
      const TNodeLimits limits;
      ASSERT_EQ(
          AkimaGridInterpolate(kAkimaNewPoints, 5, 60, x, y, z, 9, 9, u, v, limited, iwk, wk, mode), 1);
    }
    const std::vector<long double> grid = engine.GridMode(9, 9, xs, ys, mode);
    ASSERT_EQ(grid.size(), 81u);
    EXPECT_EQ(engine.IntWorkSize(), AkimaIntWorkSize(5, 60, 9, 9));
    for (std::size_t k = 0; k < 81; ++k) {
      const std::vector<double>& kernel = hull.Contains(xs[k % 9], ys[k / 9]) ? fresh : limited;
      EXPECT_EQ(grid[k], static_cast<long double>(kernel[k]) / unit[mode]) << "mode " << mode << " node " << k;
    }
  }
  // Points after the grid reuse its set-up: the same surface, no new work.
  const std::vector<long double> grid = engine.EvalGrid(9, 9, xs, ys);
  ASSERT_EQ(grid.size(), 81u);
  EXPECT_EQ(engine.EvalAt(3.37L, -0.61L), before);
  EXPECT_EQ(engine.IntWorkSize(), AkimaIntWorkSize(5, 60, 9, 9));
  for (std::size_t j = 0; j < 9; ++j)
    for (std::size_t i = 0; i < 9; ++i)
      EXPECT_NEAR(static_cast<double>(engine.EvalAt(xs[i], ys[j])),
                  static_cast<double>(grid[j * 9 + i]), 1e-12);
  // A grid the kernel refuses leaves nothing to reuse: the next point sets it up again.
  std::vector<long double> bad = xs;
  bad[4] = std::nanl("");
  EXPECT_TRUE(engine.EvalGrid(9, 9, bad, ys).empty());
  EXPECT_EQ(engine.IntWorkSize(), 0u);
  EXPECT_EQ(engine.EvalAt(3.37L, -0.61L), before);
  EXPECT_EQ(engine.IntWorkSize(), AkimaIntWorkSize(5, 60, 1, 1));
}

TEST(AkimaPreusserDrivers, GridsMatchThePointEvaluations) {
  PointTable data = Table(Scattered(70, 12, Wavy));
  std::vector<long double> axis;
  for (int i = 0; i < 7; ++i) axis.push_back(-0.2L + 0.23L * i);
  for (const Method& m : kMethods) {
    TNParm3D engine(data, m.code, m.option1, m.option2, false);
    for (int mode = 0; mode < 6; ++mode) {
      const std::vector<long double> grid = engine.GridMode(7, 7, axis, axis, mode);
      ASSERT_EQ(grid.size(), 49u) << m.name;
      for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 7; ++i) {
          const long double point = engine.EvalMode(axis[static_cast<std::size_t>(i)],
                                                    axis[static_cast<std::size_t>(j)], mode);
          EXPECT_NEAR(static_cast<double>(grid[static_cast<std::size_t>(j * 7 + i)]),
                      static_cast<double>(point), 1e-9 * std::max(1.0, std::fabs(static_cast<double>(point))))
              << m.name << " mode " << mode;
        }
    }
  }
}

// Preusser point entries that answer a chosen status with the value 0.75.
int g_status = 0;
void StatusPoint(int, const double*, const double*, const double*, double, double, const double*,
                 const int*, int&, double& pz, int, int, int& ier) {
  pz = 0.75;
  ier = g_status;
}

TEST(AkimaPreusserDrivers, PreusserStatusTwoKeepsTheValueAndOneIsMissing) {
  TNumLibTable table = BuiltInNumLib();
  ServeNumLibEntry<TNumLibEntry::c1pnt>(table, &StatusPoint);
  ScopedNumLib library(table);
  PointTable data = Table(Scattered(30, 2, Wavy));
  TNParm3D engine(data, kNPPreusser, 1, 3, false);
  ASSERT_TRUE(engine.HasSurface());
  g_status = 2;
  EXPECT_EQ(engine.EvalAt(5, 5), 0.75L);
  g_status = 1;
  EXPECT_TRUE(IsMissingValue(engine.EvalAt(5, 5)));
  const std::vector<long double> axis = {0, 1};
  const std::vector<long double> grid = engine.EvalGrid(2, 2, axis, axis);
  ASSERT_EQ(grid.size(), 4u);
  for (long double v : grid) EXPECT_TRUE(IsMissingValue(v));
}

TEST(AkimaPreusserDrivers, PointsBeyondTheHullAreExtrapolated) {
  PointTable data = Table(Scattered(50, 6, Wavy));
  for (const Method& m : kMethods) {
    TNParm3D engine(data, m.code, m.option1, m.option2, false);
    for (const long double x : {-0.5L, 1.6L})
      EXPECT_TRUE(IsUsableValue(engine.EvalAt(x, 0.3L))) << m.name;
  }
}

TEST(AkimaPreusserDrivers, MissingLibraryEntriesFailTheSetUp) {
  PointTable data = Table(Scattered(30, 2, Wavy));
  struct Case {
    TNumLibEntry missing;
    Method method;
  };
  const Case cases[] = {{TNumLibEntry::sdbi3p, kMethods[2]},
                        {TNumLibEntry::c1ini, kMethods[3]},
                        {TNumLibEntry::c2ini, kMethods[4]}};
  for (const Case& c : cases) {
    TNumLibTable table = BuiltInNumLib();
    table[c.missing] = nullptr;
    ScopedNumLib library(table);
    TNParm3D engine(data, c.method.code, c.method.option1, c.method.option2, false);
    EXPECT_FALSE(engine.HasSurface()) << c.method.name;
    EXPECT_EQ(engine.EvalAt(0.5L, 0.5L), 0.0L) << c.method.name;
    const std::vector<long double> axis = {0, 1};
    EXPECT_TRUE(engine.EvalGrid(2, 2, axis, axis).empty()) << c.method.name;
  }
}

TEST(AkimaPreusserDrivers, PointsCrowdedOnALineKeepTheSurfaceNearTheData) {
  // Half the points within 2e-11 of the line x = 0: their nearest neighbours barely spread
  // across it, and a fit that took their x terms as determined made slopes of rounding error
  // over 1e-11 (Preusser C1 was 3e6 off inside the hull).
  std::vector<TPoint> points = Scattered(40, 55, Wavy);
  for (int i = 0; i < 20; ++i) points[static_cast<std::size_t>(i)].x = 1e-12L * i;
  for (TPoint& p : points) p.z = Wavy(p.x, p.y);
  PointTable data = Table(points);
  for (const Method& m : kMethods) {
    TNParm3D engine(data, m.code, m.option1, m.option2, false);
    ASSERT_TRUE(engine.HasSurface()) << m.name;
    double worst = 0;
    for (long double x = 0.05L; x < 0.95L; x += 0.05L)
      for (long double y = 0.1L; y < 0.9L; y += 0.05L)
        worst = std::max(worst, static_cast<double>(std::fabs(engine.EvalAt(x, y) - Wavy(x, y))));
    EXPECT_LT(worst, 0.3) << m.name;
  }
}

TEST(AkimaPreusserDrivers, CocircularAndGriddedPointsInterpolateTheirNodes) {
  // Many points on one circle (every quadrilateral of them cocircular), a regular grid and a
  // grid of transects: ties everywhere in the triangulations and the neighbour searches.
  struct Set {
    const char* name;
    std::vector<TPoint> points;
  };
  std::vector<Set> sets;
  std::vector<TPoint> circle = {{0, 0, Wavy(0, 0)}};
  for (int k = 0; k < 48; ++k) {
    const long double a = 2 * 3.14159265358979323846L * k / 48;
    circle.push_back({std::cos(a), std::sin(a), Wavy(std::cos(a), std::sin(a))});
  }
  sets.push_back({"a circle and its centre", circle});
  std::vector<TPoint> grid, transects;
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 9; ++j) {
      grid.push_back({i * 0.25L, j * 0.5L, Wavy(i * 0.25L, j * 0.5L)});
      transects.push_back({i * 0.01L, j * 1.0L, Wavy(i * 0.01L, j * 1.0L)});
    }
  sets.push_back({"a regular grid", grid});
  sets.push_back({"transects", transects});
  for (const Set& set : sets) {
    PointTable data = Table(set.points);
    for (const Method& m : kMethods) {
      TNParm3D engine(data, m.code, m.option1, m.option2, false);
      ASSERT_TRUE(engine.HasSurface()) << set.name << ", " << m.name;
      for (const TPoint& p : set.points)
        EXPECT_NEAR(static_cast<double>(engine.EvalAt(p.x, p.y)), static_cast<double>(p.z), 1e-12)
            << set.name << ", " << m.name;
      std::vector<long double> xs, ys;
      for (int k = 0; k <= 20; ++k) {
        xs.push_back(engine.XMin() + (engine.XMax() - engine.XMin()) * (k - 2) / 16);
        ys.push_back(engine.YMin() + (engine.YMax() - engine.YMin()) * (k - 2) / 16);
      }
      for (int mode = 0; mode < 6; ++mode) {
        const std::vector<long double> values = engine.GridMode(21, 21, xs, ys, mode);
        ASSERT_EQ(values.size(), 441u) << set.name << ", " << m.name;
        for (const long double v : values)
          EXPECT_TRUE(IsUsableValue(v)) << set.name << ", " << m.name << " mode " << mode;
      }
    }
  }
}

TEST(AkimaPreusserDrivers, HostileDataGiveNumbersOrTheMissingValue) {
  struct Set {
    const char* name;
    std::vector<TPoint> points;
  };
  std::vector<Set> sets;
  sets.push_back({"ranges near the largest double", Scattered(40, 50, Wavy, -1e300L, 1e300L, 1e300L, 1e299L)});
  sets.push_back({"ranges near the smallest double", Scattered(40, 51, Wavy, 1, 1e-300L, 1, 1e-300L)});
  sets.push_back({"ranges 1e50 apart", Scattered(40, 56, Wavy, -1e200L, 1e200L, 1e150L, 1e150L)});
  sets.push_back({"tiny ranges 1e50 apart", Scattered(40, 57, Wavy, 1e-200L, 1e-200L, -3e-150L, 1e-150L)});
  std::vector<TPoint> line = Scattered(40, 52, Wavy);
  for (TPoint& p : line) p.y = 0.5L;
  sets.push_back({"one line", line});
  std::vector<TPoint> bad = Scattered(40, 53, Wavy);
  bad[7].z = std::nanl("");
  bad[9].x = HUGE_VALL;
  sets.push_back({"values that are not numbers", bad});
  std::vector<TPoint> huge = Scattered(40, 54, Wavy);
  for (TPoint& p : huge) p.z *= 1e305L;
  sets.push_back({"z near the largest double", huge});
  for (TPoint& p : huge) p.z *= 1e-155L;
  sets.push_back({"z near 1e150", huge});
  for (TPoint& p : huge) p.z *= 1e-300L;
  sets.push_back({"z near 1e-150", huge});
  std::vector<TPoint> sliver = Scattered(40, 55, Wavy);
  for (int i = 0; i < 20; ++i) sliver[static_cast<std::size_t>(i)].x = 1e-12L * i;
  sets.push_back({"values jumping across a sliver 2e-11 wide", sliver});
  for (const Set& set : sets) {
    PointTable data = Table(set.points);
    for (const Method& m : kMethods) {
      TNParm3D engine(data, m.code, m.option1, m.option2, false);
      const long double x0 = engine.XMin(), x1 = engine.XMax(), y0 = engine.YMin(), y1 = engine.YMax();
      const std::vector<long double> xs{x0, (x0 + x1) / 2, x1}, ys{y0, (y0 + y1) / 2, y1};
      for (int mode = kDerivValue; mode <= kDerivXY; ++mode) {
        std::vector<long double> values = engine.GridMode(3, 3, xs, ys, mode);
        values.push_back(engine.EvalMode(xs[1], ys[1], mode));
        for (const long double v : values)
          EXPECT_TRUE(std::isfinite(v)) << set.name << ", " << m.name << " mode " << mode;
      }
    }
  }
}

}  // namespace
