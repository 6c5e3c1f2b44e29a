// The gridded-data engine: grids found or made, the limits of degrees and coefficient counts,
// the B-spline and Akima surfaces (exact recovery of bicubic data, clamping and extrapolation
// beyond the data, values at data points), the fit statistics, and library failures that
// leave no surface.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "app/long_double.h"
#include "platform/message_box.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::FullDegreePolynomial;
using smooth_test::ScopedNumLib;
using smooth_test::Table;
using smooth_test::TPoint;
using smooth_test::TPolynomial2;

// The points of the grid xs x ys with z = f, in an order that is not the grid's own.
template <class F>
std::vector<TPoint> GridPoints(const std::vector<long double>& xs, const std::vector<long double>& ys, F f) {
  std::vector<TPoint> out;
  for (std::size_t i = xs.size(); i-- > 0;)
    for (long double y : ys) out.push_back({xs[i], y, f(xs[i], y)});
  return out;
}

std::vector<long double> Axis(int n, long double lo, long double hi, long double stretch = 0) {
  std::vector<long double> a;
  for (int i = 0; i < n; ++i) {
    const long double u = static_cast<long double>(i) / (n - 1);
    a.push_back(lo + (hi - lo) * (u + stretch * u * (1 - u)));
  }
  return a;
}

long double Plane(long double x, long double y) { return 1 + 2 * x + 3 * y; }

TEST(GriddedEngine, ACompleteGridOfThreeByThreeIsUsedAsItStands) {
  PointTable data = Table(GridPoints(Axis(3, 0, 2), Axis(3, -1, 1), Plane));
  TSpline3D engine(data, kGridBSpline, 3, 3, 0, 0, 10, 10, kRegridRenka, false);
  EXPECT_TRUE(engine.GridDetected());
  EXPECT_TRUE(engine.Ready());
  EXPECT_EQ(engine.Nx(), 3);
  EXPECT_EQ(engine.Ny(), 3);
  EXPECT_EQ(engine.PointCount(), 9);
  EXPECT_FALSE(engine.Inexact());
  EXPECT_EQ(engine.DegreeX(), 2);  // min(n - 1, 5)
  EXPECT_EQ(engine.Sse(), 0.0L);
  EXPECT_EQ(engine.RSquared(), 1.0L);
  EXPECT_NEAR(static_cast<double>(engine.EvalAt(0.5L, 0.25L)), static_cast<double>(Plane(0.5L, 0.25L)), 1e-12);
}

TEST(GriddedEngine, AGridTooNarrowIsMadeAgainOrFilled) {
  PointTable data = Table(GridPoints(Axis(2, 0, 1), Axis(5, 0, 4), Plane));
  TSpline3D uniform(data, kGridBSpline, 3, 3, 0, 0, 4, 6, kRegridRenka, false);
  EXPECT_TRUE(uniform.Ready());
  EXPECT_EQ(uniform.Nx(), 4);
  EXPECT_EQ(uniform.Ny(), 6);
  EXPECT_EQ(uniform.PointCount(), 24);
  EXPECT_TRUE(uniform.Inexact());
  TSpline3D filled(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_TRUE(filled.Ready());
  EXPECT_EQ(filled.Nx(), 2);
  EXPECT_EQ(filled.Ny(), 5);
  EXPECT_EQ(filled.PointCount(), 10);
  EXPECT_FALSE(filled.Inexact());
}

TEST(GriddedEngine, ReplicatesOnAGridAreMergedAndStatisticsComputed) {
  std::vector<TPoint> points = GridPoints(Axis(4, 0, 3), Axis(4, 0, 3), Plane);
  points.push_back({1, 2, Plane(1, 2) + 1});  // a replicate one unit above its twin
  PointTable data = Table(points);
  TSpline3D engine(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_TRUE(engine.GridDetected());
  EXPECT_EQ(engine.MergedCount(), 16);
  EXPECT_TRUE(engine.Inexact());
  // The node holds the mean of the two, half a unit from each: SSE 0.25 + 0.25.
  EXPECT_NEAR(static_cast<double>(engine.Sse()), 0.5, 1e-12);
  EXPECT_LT(engine.RSquared(), 1.0L);
  // dof = 17 active points - (3 + 3) / 2 - 1.
  EXPECT_NEAR(static_cast<double>(engine.StdErr()), std::sqrt(0.5 / 13), 1e-12);
}

// Inactive points neither add to the SSE nor count as degrees of freedom.
TEST(GriddedEngine, DegreesOfFreedomCountActivePointsOnly) {
  std::vector<TPoint> points = GridPoints(Axis(4, 0, 3), Axis(4, 0, 3), Plane);
  points.push_back({1, 2, Plane(1, 2) + 1});
  points.push_back({2, 2, 100});
  PointTable data = Table(points);
  data[18].Status = kPointInactive;
  TSpline3D engine(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_NEAR(static_cast<double>(engine.StdErr()), std::sqrt(0.5 / 13), 1e-12);
}

TEST(GriddedEngine, DegreesAndCoefficientCountsArePulledIntoTheirLimits) {
  PointTable four = Table(GridPoints(Axis(4, 0, 1), Axis(8, 0, 1), Plane));
  TSpline3D b(four, kGridBSpline, 5, 5, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_EQ(b.DegreeX(), 3);
  EXPECT_EQ(b.DegreeY(), 5);
  b.SetOptions(kGridBSpline, 1, 9, 0, 0);
  EXPECT_EQ(b.DegreeX(), 2);
  EXPECT_EQ(b.DegreeY(), 5);

  PointTable six = Table(GridPoints(Axis(6, 0, 1), Axis(6, 0, 1), Plane));
  TSpline3D lsq(six, kGridLeastSquares, 5, 5, 2, 9, 0, 0, kRegridRenka, false);
  EXPECT_EQ(lsq.DegreeX(), 4);
  EXPECT_EQ(lsq.LsqCoefX(), 5);
  EXPECT_EQ(lsq.LsqCoefY(), 6);
  EXPECT_EQ(lsq.MinCoefX(), 5);
  EXPECT_EQ(lsq.MaxCoefX(), 6);

  PointTable wide = Table(GridPoints(Axis(200, 0, 1), Axis(4, 0, 1), Plane));
  TSpline3D many(wide, kGridLeastSquares, 3, 2, 150, 150, 0, 0, kRegridRenka, false);
  EXPECT_EQ(many.LsqCoefX(), 100);
  EXPECT_EQ(many.LsqCoefY(), 4);
  EXPECT_TRUE(many.HasSurface());
  // A plane lies in every spline space: the least-squares fit recovers it.
  EXPECT_LT(static_cast<double>(many.Sse()), 1e-20);
}

TEST(GriddedEngine, DataPointsGiveZForInterpolantsAndTheFitForLeastSquares) {
  PointTable data = Table(GridPoints(Axis(7, 0, 1), Axis(6, 0, 1),
                                     [](long double x, long double y) { return std::sin(4 * x) + y * y; }));
  for (const int code : {kGridBSpline, kGridBSplineAkimaEdge}) {
    TSpline3D e(data, code, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
    EXPECT_EQ(e.EvalAtDataPoint(0.3L, 0.4L, 42.0L), 42.0L);
  }
  TSpline3D lsq(data, kGridLeastSquares, 2, 2, 4, 4, 0, 0, kRegridRenka, false);
  EXPECT_EQ(lsq.EvalAtDataPoint(0.3L, 0.4L, 42.0L), lsq.EvalAt(0.3L, 0.4L));
  EXPECT_GT(lsq.Sse(), 0.0L);
  EXPECT_LE(lsq.RSquared(), 1.0L);
  EXPECT_GE(lsq.RSquared(), 0.0L);
  TSpline3D akima(data, kGridAkima, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_EQ(akima.EvalAtDataPoint(0.3L, 0.4L, 42.0L), akima.EvalAt(0.3L, 0.4L));
}

// Bicubic data: codes 0 (degrees 3), 1 and 2 give the polynomial with every derivative
// inside the data and its exact integral; beyond the data codes 0 and 3 hold the edge value,
// codes 1 and 2 extrapolate the polynomial.
TEST(GriddedEngine, BicubicDataAreRecoveredAndTheEdgesBehaveByCode) {
  const TPolynomial2 p = FullDegreePolynomial(3, 3, 0.3);
  const auto f = [&p](long double x, long double y) {
    return static_cast<long double>(p.Value(static_cast<double>(x), static_cast<double>(y)));
  };
  PointTable data = Table(GridPoints(Axis(9, -1, 1, 0.3), Axis(7, 0, 2, -0.2), f));
  for (const int code : {kGridBSpline, kGridBSplineAkimaEdge, kGridAkima}) {
    SCOPED_TRACE(code);
    TSpline3D e(data, code, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
    ASSERT_TRUE(e.HasSurface());
    for (const double x : {-0.9, -0.31, 0.0, 0.77})
      for (const double y : {0.1, 0.95, 1.9})
        for (int mode = 0; mode <= 5; ++mode) {
          static constexpr int kOx[6] = {0, 1, 0, 2, 0, 1}, kOy[6] = {0, 0, 1, 0, 2, 1};
          const double want = p.Der(kOx[mode], kOy[mode], x, y);
          EXPECT_NEAR(static_cast<double>(e.EvalMode(x, y, mode)), want, 1e-9 * std::max(1.0, std::fabs(want)))
              << x << ", " << y << " mode " << mode;
        }
    long double error = -1;
    const long double v = e.Integrate(-0.5L, 0.8L, 0.2L, 1.7L, &error);
    EXPECT_NEAR(static_cast<double>(v), p.Integral(-0.5, 0.8, 0.2, 1.7), 1e-10);
    EXPECT_LT(error, 1e-12L);  // exact but for the doubles' rounding
    const double outside = static_cast<double>(e.EvalAt(1.4L, 2.5L));
    if (code == kGridBSpline) {
      EXPECT_NEAR(outside, p.Value(1.0, 2.0), 1e-10);
    } else {
      EXPECT_NEAR(outside, p.Value(1.4, 2.5), 1e-9 * std::max(1.0, std::fabs(p.Value(1.4, 2.5))));
    }
  }
}

// Code 1 on a grid of three rows: the B-spline takes the order three nodes allow there, and
// every node's edge derivatives are filled, so a biquadratic comes back inside and beyond.
TEST(GriddedEngine, CodeOneOnThreeRowsHoldsABiquadratic) {
  const TPolynomial2 p = FullDegreePolynomial(3, 2, 0.5);
  const auto f = [&p](long double x, long double y) {
    return static_cast<long double>(p.Value(static_cast<double>(x), static_cast<double>(y)));
  };
  PointTable data = Table(GridPoints(Axis(6, 0, 1), Axis(3, 0, 1), f));
  TSpline3D e(data, kGridBSplineAkimaEdge, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  ASSERT_TRUE(e.HasSurface());
  for (const double x : {-0.4, 0.3, 1.2})
    for (const double y : {-0.5, 0.6, 1.5})
      EXPECT_NEAR(static_cast<double>(e.EvalAt(x, y)), p.Value(x, y), 1e-10) << x << ", " << y;
}

// The grid of codes 0 and 3 takes the edge values beyond the data, also on an axis that lies
// wholly beyond it; code 1's grid extrapolates there.
TEST(GriddedEngine, GridsBeyondTheDataAreClampedOrExtrapolatedAsThePoints) {
  const TPolynomial2 p = FullDegreePolynomial(3, 3, 0.9);
  const auto f = [&p](long double x, long double y) {
    return static_cast<long double>(p.Value(static_cast<double>(x), static_cast<double>(y)));
  };
  PointTable data = Table(GridPoints(Axis(8, 0, 1), Axis(8, 0, 1), f));
  const std::vector<long double> xs = {-0.5L, 0.0L, 0.4L, 1.0L, 1.3L}, ys = {0.2L, 0.7L};
  const std::vector<long double> beyond = {1.5L, 2.0L};
  for (const int code : {kGridBSpline, kGridLeastSquares, kGridBSplineAkimaEdge, kGridAkima}) {
    SCOPED_TRACE(code);
    TSpline3D e(data, code, 3, 3, 8, 8, 0, 0, kRegridRenka, false);
    for (int mode = 0; mode <= 5; ++mode) {
      const std::vector<long double> grid = e.EvalGridMode(5, 2, xs, ys, mode);
      ASSERT_EQ(grid.size(), 10u);
      for (std::size_t j = 0; j < 2; ++j)
        for (std::size_t i = 0; i < 5; ++i)
          EXPECT_NEAR(static_cast<double>(grid[j * 5 + i]), static_cast<double>(e.EvalMode(xs[i], ys[j], mode)), 1e-10);
      const std::vector<long double> far = e.EvalGridMode(2, 2, beyond, beyond, mode);
      ASSERT_EQ(far.size(), 4u);
      for (std::size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(static_cast<double>(far[k]), static_cast<double>(e.EvalMode(beyond[k % 2], beyond[k / 2], mode)), 1e-9);
    }
    if (code == kGridBSpline || code == kGridLeastSquares) {
      EXPECT_NEAR(static_cast<double>(e.EvalAt(-0.5L, 0.2L)), static_cast<double>(e.EvalAt(0.0L, 0.2L)), 1e-15);
    }
  }
}

// A library step that fails leaves no surface: no values, no grids, and statistics that do
// not claim a perfect fit.
TEST(GriddedEngine, AFailedLibraryStepLeavesNoSurface) {
  TNumLibTable table = BuiltInNumLib();
  ServeNumLibEntry<TNumLibEntry::BSInt2>(
      table, [](int, const double*, int, const double*, const double*, int, int, int,
                const double*, const double*, double* coef, int& ier) {
        coef[0] = 1e300;
        ier = 3;
      });
  ServeNumLibEntry<TNumLibEntry::rgbi3p>(
      table, [](int, int, int, const double*, const double*, const double*, int, const double*,
                const double*, double*, double*, int, int& ier) { ier = 1; });
  ScopedNumLib failing(table);
  PointTable data = Table(GridPoints(Axis(5, 0, 1), Axis(5, 0, 1), Plane));
  for (const int code : {kGridBSpline, kGridBSplineAkimaEdge, kGridAkima}) {
    SCOPED_TRACE(code);
    TSpline3D e(data, code, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
    EXPECT_FALSE(e.HasSurface());
    EXPECT_EQ(e.EvalAt(0.5L, 0.5L), 0.0L);
    EXPECT_TRUE(e.EvalGrid(2, 2, std::vector<long double>{0, 1}, std::vector<long double>{0, 1}).empty());
    EXPECT_EQ(e.Sse(), ExprErrorValue);
    // No surface has no integral: the missing value, not 0 with an error of 0.
    long double error = -1;
    EXPECT_EQ(e.Integrate(0, 1, 0, 1, &error), ExprErrorValue);
    EXPECT_EQ(e.Integrate(0, 1, 0, 1, &error), ExprErrorValue);
    EXPECT_EQ(error, -1.0L);
  }
}

TEST(GriddedEngine, WithoutTheLibraryNothingIsComputedAndTheUserIsTold) {
  ScopedNumLib none(std::nullopt);
  platform::ScriptedAnswers answers;
  PointTable data = Table(GridPoints(Axis(5, 0, 1), Axis(5, 0, 1), Plane));
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Missing DLL Error");
  EXPECT_FALSE(e.HasSurface());
  EXPECT_EQ(e.EvalAt(0.5L, 0.5L), 0.0L);
  long double error = -1;
  EXPECT_EQ(e.Integrate(0, 1, 0, 1, &error), ExprErrorValue);
  EXPECT_EQ(error, -1.0L);
}

// Grids far from 0 against their extent: the optimal knots of every B-spline code converge,
// and each code holds its grid. A bilinear surface passes through every code's nodes (the
// NURBS smoothing keeps straight lines); the interpolants reproduce any values.
TEST(GriddedEngine, GridsFarFromTheOriginHaveEverySurface) {
  const auto bilinear = [](long double x, long double y) { return 3 + 0.5L * x - 2 * y + 0.25L * x * y; };
  const auto wavy = [](long double x, long double y) { return std::sin(7 * x) * std::cos(5 * y) + 0.1L * x; };
  struct TCase {
    const char* name;
    long double x0, x1, y0, y1;
  };
  for (const TCase& c : {TCase{"20 .. 21", 20, 21, 0, 1}, TCase{"100 .. 110", 100, 110, -3, 2},
                        TCase{"years", 1990, 2020, 16, 17}}) {
    SCOPED_TRACE(c.name);
    const std::vector<long double> xs = Axis(32, c.x0, c.x1), ys = Axis(32, c.y0, c.y1);
    for (const bool smooth : {false, true}) {
      const auto f = [&](long double x, long double y) {
        const long double u = (x - c.x0) / (c.x1 - c.x0), v = (y - c.y0) / (c.y1 - c.y0);
        return smooth ? wavy(u, v) : bilinear(u, v);
      };
      PointTable data = Table(GridPoints(xs, ys, f));
      for (int code = kGridBSpline; code <= kGridNurbsCubic; ++code) {
        if (smooth && code > kGridLeastSquares) continue;  // the NURBS codes smooth
        SCOPED_TRACE(testing::Message() << "code " << code << (smooth ? " wavy" : " bilinear"));
        TSpline3D e(data, code, 3, 3, 32, 32, 0, 0, kRegridRenka, false);
        ASSERT_TRUE(e.HasSurface());
        // The NURBS root search stops within 1e-8 of |x| (relative), far from 0 a visible step.
        const long double scale = code >= kGridNurbs ? 1e-5L : 1e-9L;
        for (std::size_t i = 0; i < xs.size(); i += 3)
          for (std::size_t j = 0; j < ys.size(); j += 5)
            EXPECT_NEAR(static_cast<double>(e.EvalAt(xs[i], ys[j])), static_cast<double>(f(xs[i], ys[j])),
                        static_cast<double>(scale * (1 + std::fabs(f(xs[i], ys[j])))));
      }
    }
  }
}

TEST(GriddedEngine, EverySurfaceIsTheSameFarFromTheOrigin) {
  // One uneven 9 x 7 grid at the origin and moved to x 1e9 .. 1e9 + 1, y -2e6 .. -2e6 +
  // 0.01, where a double holds the positions only to 1e-7 of the span (a long double to
  // 1e-10): every code gives the same values, derivatives (in data units) and integrals there.
  const std::vector<long double> ux = Axis(9, 0, 1, 0.4L), uy = Axis(7, 0, 1, -0.3L);
  const auto f = [](long double u, long double v) { return std::sin(3 * u) * std::cos(2 * v) + 0.3L * u * v; };
  const long double x0 = 1e9L, sx = 1, y0 = -2e6L, sy = 0.01L;
  std::vector<long double> fx, fy;
  for (long double u : ux) fx.push_back(x0 + sx * u);
  for (long double v : uy) fy.push_back(y0 + sy * v);
  PointTable nearData = Table(GridPoints(ux, uy, f));
  PointTable farData = Table(GridPoints(fx, fy, [&](long double x, long double y) { return f((x - x0) / sx, (y - y0) / sy); }));
  const long double unit[6] = {1, sx, sy, sx * sx, sy * sy, sx * sy};
  for (int code = kGridBSpline; code <= kGridNurbsCubic; ++code) {
    SCOPED_TRACE(testing::Message() << "code " << code);
    TSpline3D nearE(nearData, code, 3, 3, 6, 5, 0, 0, kRegridRenka, false);
    TSpline3D farE(farData, code, 3, 3, 6, 5, 0, 0, kRegridRenka, false);
    ASSERT_TRUE(farE.HasSurface());
    // The NURBS lines are smoothed to their root search's tolerance (1e-10 of a line), which
    // second derivatives of the grid's spline magnify.
    const bool nurbs = code >= kGridNurbs;
    EXPECT_NEAR(static_cast<double>(farE.Sse()), static_cast<double>(nearE.Sse()), nurbs ? 1e-10 : 1e-12);
    for (const auto& [u, v] : {std::pair{0.37L, 0.61L}, std::pair{0.05L, 0.93L}, std::pair{1.2L, -0.1L}})
      for (int mode = 0; mode < 6; ++mode)
        EXPECT_NEAR(static_cast<double>(farE.EvalMode(x0 + sx * u, y0 + sy * v, mode) * unit[mode]),
                    static_cast<double>(nearE.EvalMode(u, v, mode)), nurbs ? 1e-6 : 1e-8)
            << u << ", " << v << " mode " << mode;
    long double nearErr = 0, farErr = 0;
    const long double nearVol = nearE.Integrate(0.1L, 0.8L, 0.2L, 0.9L, &nearErr);
    const long double farVol = farE.Integrate(x0 + 0.1L * sx, x0 + 0.8L * sx, y0 + 0.2L * sy, y0 + 0.9L * sy, &farErr);
    EXPECT_NEAR(static_cast<double>(farVol / (sx * sy)), static_cast<double>(nearVol), 1e-9);
    EXPECT_NEAR(static_cast<double>(farErr), static_cast<double>(nearErr), 1e-9);
  }
}

TEST(GriddedEngine, AnHourlyGridOnAJulianDayAxisIsDetectedWhole) {
  // Columns 1/24 apart at x = 2460000 (floats 0.25 apart there) and rows 1e-60 apart: a
  // complete 8 by 5 grid, used as it stands, each node reproduced by the interpolants.
  std::vector<long double> xs, ys;
  for (int i = 0; i < 8; ++i) xs.push_back(2460000.0L + i / 24.0L);
  for (int j = 0; j < 5; ++j) ys.push_back(j * 1e-60L);
  const auto f = [](long double x, long double y) { return std::sin(24 * (x - 2460000)) + 1e60L * y; };
  PointTable data = Table(GridPoints(xs, ys, f));
  for (int code : {kGridBSpline, kGridBSplineAkimaEdge, kGridAkima}) {
    SCOPED_TRACE(code);
    TSpline3D e(data, code, 3, 3, 8, 5, 0, 0, kRegridRenka, false);
    EXPECT_TRUE(e.GridDetected());
    EXPECT_EQ(e.Nx(), 8);
    EXPECT_EQ(e.Ny(), 5);
    EXPECT_EQ(e.Sse(), 0.0L);
    for (long double x : xs)
      for (long double y : ys) EXPECT_NEAR(static_cast<double>(e.EvalAt(x, y)), static_cast<double>(f(x, y)), 1e-9);
  }
}

// The least-squares B-spline of order 4 with 5 coefficients per axis on an uneven 9 x 7 grid
// of sin 3x cos 2y + 0.3xy: the knots for 5 even breakpoints over [0, 1] are 0 (4 times),
// 0.5, 1 (4 times), and the spline is the tensor least-squares solution C = Bx+ Z (By+)'.
// References from SciPy's BSpline with numpy's pseudo-inverse
// (tests/smooth/reference/least_squares_spline_references.py).
TEST(GriddedEngine, TheLeastSquaresSplineIsTheTensorLeastSquaresSolution) {
  const std::vector<long double> xs = {0, 0.1L, 0.25L, 0.35L, 0.5L, 0.62L, 0.75L, 0.9L, 1};
  const std::vector<long double> ys = {0, 0.2L, 0.3L, 0.5L, 0.65L, 0.8L, 1};
  const auto f = [](long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y) + 0.3L * x * y; };
  PointTable data = Table(GridPoints(xs, ys, f));
  TSpline3D e(data, kGridLeastSquares, 3, 3, 5, 5, 0, 0, kRegridRenka, false);
  ASSERT_TRUE(e.HasSurface());
  ASSERT_EQ(e.LsqCoefX(), 5);
  ASSERT_EQ(e.LsqCoefY(), 5);
  EXPECT_NEAR(static_cast<double>(e.EvalAt(0.37L, 0.61L)), 0.37547165858423337, 1e-13);
  EXPECT_NEAR(static_cast<double>(e.EvalDx(0.37L, 0.61L)), 0.65271196375577767, 1e-12);
  EXPECT_NEAR(static_cast<double>(e.EvalDxy(0.37L, 0.61L)), -2.268346823515424, 1e-11);
  EXPECT_NEAR(static_cast<double>(e.Sse()), 0.00010300919524357546, 1e-15);
  long double error = -1;
  EXPECT_NEAR(static_cast<double>(e.Integrate(0.1L, 0.8L, 0.2L, 0.9L, &error)), 0.20118537431045375, 1e-13);
}

// The NURBS smoothing of an uneven 9 x 7 grid of sin 3x cos 2y + 0.3xy, columns first and
// then rows, read back at the nodes through the smoothed data. References: the curve of
// each line evaluated as the smoothing defines it (control points shifted by one place up
// to degree 4, two for 5), its abscissa solved for each node by bisection, all in 40-digit
// mpmath (tests/smooth/reference/nurbs_line_references.py).
TEST(GriddedEngine, NurbsSmoothingMatchesTheCurvesOfEveryLine) {
  const std::vector<long double> xs = {0, 0.1L, 0.25L, 0.35L, 0.5L, 0.62L, 0.75L, 0.9L, 1};
  const std::vector<long double> ys = {0, 0.2L, 0.3L, 0.5L, 0.65L, 0.8L, 1};
  const auto f = [](long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y) + 0.3L * x * y; };
  struct TCase {
    int dx, dy;
    std::array<double, 4> want;  // at nodes (3, 2), (4, 3), (8, 6), (6, 1)
  };
  for (const TCase& c : {TCase{3, 3, {0.72276768223841489, 0.58678110947121447, 0.24127335507237902, 0.72912120788684167}},
                         TCase{4, 2, {0.72193777394592239, 0.5861276229721806, 0.24127335507237902, 0.7198582856181081}},
                         TCase{5, 5, {0.70358722826946855, 0.57732063881140289, 0.24127335507237902, 0.70816291455780201}}}) {
    SCOPED_TRACE(testing::Message() << "degrees " << c.dx << ", " << c.dy);
    PointTable data = Table(GridPoints(xs, ys, f));
    TSpline3D e(data, kGridNurbs, c.dx, c.dy, 0, 0, 0, 0, kRegridRenka, false);
    ASSERT_TRUE(e.HasSurface());
    const std::array<std::pair<int, int>, 4> nodes = {{{3, 2}, {4, 3}, {8, 6}, {6, 1}}};
    for (std::size_t k = 0; k < nodes.size(); ++k) {
      const long double x = xs[static_cast<std::size_t>(nodes[k].first)], y = ys[static_cast<std::size_t>(nodes[k].second)];
      EXPECT_NEAR(static_cast<double>(e.EvalAt(x, y)), c.want[k], 1e-9) << "node " << k;
    }
  }
}

// 60 points at uneven random places (numpy: default_rng(3), x = uniform(0, 10, 60), then
// y = uniform(0, 5, 60)), z of Franke's function: the sparse grid of their own 60 x and 60 y
// values is filled, and the B-spline through it needs knots for 60 uneven sites per axis.
// The optimal-knot iteration did not converge on them, and the gridded window at its
// defaults showed "No Surface: B-Spline Cannot Make a Surface of These Data", the NURBS
// window "No Surface" at every degree.
TEST(GriddedEngine, UnevenRandomSitesGetEveryBSplineSurface) {
  const std::array<long double, 60> xs = {
      0.8564916714362436, 2.368105065960997, 8.012744652063969, 5.821620360643678, 0.9412864224039919,
      4.331269402364738, 4.79051298140834, 1.5973891463707857, 7.345771514092146, 1.136720199214034,
      3.9122819049566204, 5.167401826213637, 4.306280204141778, 5.867985714381407, 7.378377872921602,
      9.562672548360986, 2.8420116374879143, 6.4854720707982505, 6.962159966701554, 2.9272074901248715,
      0.014900835088361708, 9.734602747664127, 2.984012230168757, 3.139860020343368, 8.917110704451572,
      5.851629398909081, 4.713096651818313, 7.732770096488164, 0.30346007662471197, 7.069650956556234,
      3.742438334784708, 0.9085271350425783, 6.605000674278948, 9.314638547413544, 2.0719116808100124,
      6.30090199785343, 2.9816309065742477, 7.4175668006933035, 7.221648081421175, 2.1871542456880455,
      8.298868742743123, 6.576522108732432, 6.827989078603503, 8.20075750170535, 4.285729042984619,
      7.58705461154919, 8.784801846662539, 1.023199219220744, 8.497683374661538, 3.9392733263233515,
      4.79683923512275, 1.4633456975819847, 6.9842634494709355, 2.91978615987851, 8.71139149793589,
      2.7537437694807707, 5.6180971873089, 3.9965622113045276, 6.129094919024391, 1.9663923977212372};
  const std::array<long double, 60> ys = {
      0.9014377042154759, 3.73430192824919, 3.761117091846387, 2.8348893722645614, 4.60539838641465,
      1.028875241145094, 4.254505622958257, 0.8449365566354311, 4.821788604471398, 3.1184636405307584,
      3.034418940050074, 4.852793815663119, 3.9351635689438553, 3.9495873804427717, 0.2704687893548263,
      1.8464315304720995, 0.4244738608273402, 0.967637907327572, 1.0693349534607361, 4.293209660829522,
      0.633774898591527, 1.4837888419472471, 2.4642348946216632, 4.247302055947684, 4.826157104186877,
      3.5407238534362087, 1.0684360971527407, 2.7249134072900203, 3.5297952149344347, 0.2594126386331258,
      3.399420836120357, 1.8414091756954054, 2.948501433896041, 3.3476664057083254, 3.345637480729679,
      2.615248877629282, 2.773687162325446, 0.9907485680676648, 2.4759369576770105, 0.6270473632262658,
      2.4037350096303225, 2.6812246278490575, 3.870524081551592, 1.9683239649709294, 0.09800209275804772,
      2.6387496660675165, 1.0261624622504395, 3.706287615971844, 1.943486152083684, 1.902365820664012,
      4.547272898846485, 1.964852219776045, 1.7442578857577833, 1.7400986767912807, 2.4038278515129097,
      0.466460543757069, 2.733737039728573, 4.607137310168908, 2.8146103243986835, 3.7195510367527356};
  std::vector<TPoint> points;
  for (std::size_t i = 0; i < xs.size(); ++i)
    points.push_back({xs[i], ys[i], smooth_test::Franke(xs[i] / 10, ys[i] / 5)});
  PointTable data = Table(points);
  struct TCase {
    int code, degree;
  };
  std::vector<TCase> cases;
  for (int d = 2; d <= 5; ++d) cases.push_back({kGridBSpline, d});
  cases.push_back({kGridBSplineAkimaEdge, 3});
  for (int d = 2; d <= 5; ++d) cases.push_back({kGridNurbs, d});
  for (int d = 2; d <= 9; ++d) cases.push_back({kGridNurbsCubic, d});
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code << ", degree " << c.degree);
    TSpline3D e(data, c.code, c.degree, c.degree, 10, 10, 0, 0, kRegridRenka, false);
    ASSERT_EQ(e.Nx(), 60);
    ASSERT_EQ(e.Ny(), 60);
    ASSERT_TRUE(e.HasSurface());
    EXPECT_EQ(e.DegreeX(), c.degree);
    if (c.code == kGridBSpline || c.code == kGridBSplineAkimaEdge) {
      // The interpolant passes every node of the filled grid, the data points among them.
      long double worst = 0;
      for (const TXYZPoint& p : e.Working().subspan(1)) worst = std::max(worst, std::fabs(e.EvalAt(p.X, p.Y) - p.Z));
      EXPECT_LT(worst, 1e-9L);
      for (const TPoint& p : points) EXPECT_NEAR(static_cast<double>(e.EvalAt(p.x, p.y)), static_cast<double>(p.z), 1e-9);
      EXPECT_LT(e.Sse(), 1e-18L);
    } else {
      // Smoothing: near the data, never 0 for want of a surface.
      EXPECT_GT(e.RSquared(), 0.5L);
    }
  }
}

TEST(GriddedEngine, FewerThanFourNodesAnswerZeroAndNoGrid) {
  PointTable data = Table({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}});
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 5, 5, kRegridRenka, false);
  EXPECT_FALSE(e.Ready());
  EXPECT_EQ(e.PointCount(), 0);
  EXPECT_EQ(e.EvalAt(0.5L, 0.5L), 0.0L);
  EXPECT_TRUE(e.EvalGrid(1, 1, std::vector<long double>{0}, std::vector<long double>{0}).empty());
  long double error = -7;
  EXPECT_EQ(e.Integrate(0, 1, 0, 1, &error), 0.0L);
  EXPECT_EQ(error, -7.0L);
}

// Values that are not numbers, coordinates at the ends of the range, a single column: every
// code and grid-making method refuses or answers without reading outside its arrays.
TEST(GriddedEngine, HostileDataAreRefusedSafely) {
  const long double nan = std::nanl("");
  std::vector<TPoint> withNan = GridPoints(Axis(5, 0, 1), Axis(5, 0, 1), Plane);
  withNan[7].z = nan;
  std::vector<TPoint> huge = GridPoints(Axis(5, -1e300L, 1e300L), Axis(4, 0, 1e-300L), Plane);
  std::vector<TPoint> column;
  for (int j = 0; j < 9; ++j) column.push_back({2, static_cast<long double>(j), static_cast<long double>(j)});
  std::vector<TPoint> scatteredNan = smooth_test::Scattered(30, 3, Plane);
  scatteredNan[4].x = nan;
  for (const auto* points : {&withNan, &huge, &column, &scatteredNan}) {
    PointTable data = Table(*points);
    for (int code = 0; code < kGridMethodCount; ++code)
      for (const int regrid : {kRegridAkima, kRegridRenka, kRegridShepardQuadratic, kRegridWatson}) {
        TSpline3D e(data, code, 3, 3, 4, 4, 6, 6, regrid, false);
        (void)e.EvalAt(0.5L, 0.5L);
        (void)e.EvalGrid(2, 2, std::vector<long double>{0, 1}, std::vector<long double>{0, 1});
        long double error = 0;
        (void)e.Integrate(0, 1, 0, 1, &error);
      }
  }
  // The point whose value is not a number drops out of the data; its node is filled from
  // the others.
  PointTable data = Table(withNan);
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  ASSERT_TRUE(e.HasSurface());
  EXPECT_NEAR(static_cast<double>(e.EvalAt(0.5L, 0.5L)), 3.5, 1e-3);
}

}  // namespace
