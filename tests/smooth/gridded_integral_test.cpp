// NURBS smoothing of grid lines, the integral of gridded surfaces over rectangles (method
// routes, repeated requests, gridding beyond the data) and the volume under scattered-data
// surfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "app/long_double.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/nurbs_smoothing.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::FullDegreePolynomial;
using smooth_test::Scattered;
using smooth_test::Table;
using smooth_test::TPoint;
using smooth_test::TPolynomial2;

template <class F>
std::vector<TPoint> GridPoints(int nx, int ny, long double x0, long double x1, long double y0,
                               long double y1, F f) {
  std::vector<TPoint> out;
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      const long double x = x0 + (x1 - x0) * i / (nx - 1), y = y0 + (y1 - y0) * j / (ny - 1);
      out.push_back({x, y, f(x, y)});
    }
  return out;
}

long double Plane(long double x, long double y) { return 1 + 2 * x + 3 * y; }
long double Wavy(long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y) + x * y; }

// ---- NURBS ----

TEST(Nurbs, DegreesAreClampedToTheLine) {
  const std::vector<long double> t = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, v(10, 1.0L);
  EXPECT_EQ(TNurbs2D(9, 8, t.data(), v.data(), 1e-8L).Degree(), 6);
  EXPECT_EQ(TNurbs2D(1, 10, t.data(), v.data(), 1e-8L).Degree(), 2);
  EXPECT_EQ(TNurbs2D(4, 10, t.data(), v.data(), 1e-8L).Degree(), 4);
}

TEST(Nurbs, AbscissasBeyondTheEndsGiveTheEndOrdinates) {
  const std::vector<long double> t = {0, 0.5, 1.5, 2, 3.5, 4}, v = {3, 1, 4, 1, 5, 9};
  TNurbs2D curve(3, 6, t.data(), v.data(), 1e-8L);
  EXPECT_EQ(curve.ValueAt(-1.0L), 3.0L);
  EXPECT_EQ(curve.ValueAt(4.5L), 9.0L);
}

TEST(Nurbs, ARootSearchThatDoesNotBracketAnswersNothing) {
  const std::vector<long double> t = {0, 1, 2, 3, 4, 5}, v = {0, 1, 0, 1, 0, 1};
  TNurbs2D curve(2, 6, t.data(), v.data(), 1e-8L);
  long double ordinate = 7;
  int evaluations = 0;
  EXPECT_FALSE(curve.SolveParameter(10.0L, 1.0L, 2.0L, ordinate, 1e-8L, &evaluations));
  EXPECT_EQ(ordinate, 0.0L);
  EXPECT_EQ(evaluations, 2);
  // A bracketing interval converges to a parameter whose abscissa is the target.
  const auto u = curve.SolveParameter(2.5L, 0.0L, 5.0L, ordinate, 1e-12L, &evaluations);
  ASSERT_TRUE(u);
  long double y = 0;
  EXPECT_NEAR(static_cast<double>(curve.PointAt(*u, y)), 2.5, 1e-11);
  EXPECT_GT(evaluations, 2);
}

// Every control point of a line lies on it, and so does the curve: a plane comes back.
TEST(Nurbs, APlaneComesBackThroughBothCodes) {
  PointTable data = Table(GridPoints(9, 7, 0, 2, -1, 1, Plane));
  for (const int code : {kGridNurbs, kGridNurbsCubic})
    for (const int degree : {2, 3, 5}) {
      SCOPED_TRACE(testing::Message() << "code " << code << " degree " << degree);
      TSpline3D e(data, code, degree, degree, 0, 0, 0, 0, kRegridRenka, false);
      ASSERT_TRUE(e.HasSurface());
      const PointTable smoothed = e.SmoothedPoints();
      ASSERT_EQ(smoothed.size(), data.size());
      // The plane's z range is 10.
      for (std::size_t k = 1; k < smoothed.size(); ++k)
        EXPECT_NEAR(static_cast<double>(smoothed[k].Z), static_cast<double>(data[k].Z), 1e-8 * 10);
    }
}

// With degrees 3 and 3, code 4 extrapolates by Akima's method beyond the data and code 5 holds
// the edge; the integral of code 5 takes the held edge beyond the data, as code 0 does. (The
// smoothed nodes lie on the plane to the root search's tolerance, which extrapolation
// magnifies a little.)
TEST(Nurbs, EdgesFollowTheInterpolationChosen) {
  PointTable data = Table(GridPoints(8, 8, 0, 1, 0, 1, Plane));
  TSpline3D akima(data, kGridNurbs, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  TSpline3D cubic(data, kGridNurbsCubic, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_NEAR(static_cast<double>(akima.EvalAt(1.5L, 0.5L)), static_cast<double>(Plane(1.5L, 0.5L)), 1e-5);
  EXPECT_NEAR(static_cast<double>(cubic.EvalAt(1.5L, 0.5L)), static_cast<double>(Plane(1.0L, 0.5L)), 1e-7);
  long double error = -1;
  // 3.5 over the unit square; 5.5 more over [1, 2] x [0, 1] where Akima extrapolates, 4.5
  // where the edge z = 3 + 3y is held.
  EXPECT_NEAR(static_cast<double>(cubic.Integrate(0, 2, 0, 1, &error)), 3.5 + 4.5, 1e-3);
  EXPECT_GT(error, 0.0L);
  EXPECT_LT(error, 1e-3L);
  EXPECT_NEAR(static_cast<double>(akima.Integrate(0, 2, 0, 1, &error)), 3.5 + 5.5, 1e-5);
}

// Codes 4 and 5 without code 1's Akima edges hold the surface at the data's edges. Asked
// twice, a rectangle leaving the data gets the integral of that held surface both times:
// the second request integrates the surface numerically, the first once counted nothing
// outside the data (0 over a rectangle wholly beside it). A plane comes back through the
// smoothing, so the held plane's integral is known: 1 + 2x + 3y held on [0, 10] x [0, 8] is
// 51 over [-3, -1] x [1, 4] and 2660 over [2, 12] x [-1, 9] (mpmath, 30 digits).
TEST(Nurbs, ARectangleLeavingTheDataHasOneIntegral) {
  PointTable plane = Table(GridPoints(11, 9, 0, 10, 0, 8, Plane));
  PointTable wavy = Table(GridPoints(11, 9, 0, 10, 0, 8, [](long double x, long double y) {
    return Wavy(x / 10 + 0.2L, y / 8) * 10;
  }));
  struct Rect {
    long double x1, x2, y1, y2, heldPlane;
  };
  for (const auto& [code, degree] : {std::pair{kGridNurbsCubic, 3}, std::pair{kGridNurbsCubic, 5},
                                     std::pair{kGridNurbs, 2}, std::pair{kGridNurbs, 4}})
    for (const Rect& r : {Rect{-3, -1, 1, 4, 51}, Rect{2, 12, -1, 9, 2660}}) {
      SCOPED_TRACE(testing::Message() << "code " << code << " degree " << degree << " x from " << static_cast<double>(r.x1));
      TSpline3D e(plane, code, degree, degree, 0, 0, 0, 0, kRegridRenka, false);
      ASSERT_TRUE(e.HasSurface());
      long double e1 = -1, e2 = -1;
      const long double first = e.Integrate(r.x1, r.x2, r.y1, r.y2, &e1);
      const long double second = e.Integrate(r.x1, r.x2, r.y1, r.y2, &e2);
      EXPECT_NEAR(static_cast<double>(first / r.heldPlane), 1.0, 1e-3);
      EXPECT_NEAR(static_cast<double>(second / r.heldPlane), 1.0, 1e-5);
      EXPECT_GT(e1, 0.0L);
      // A surface that is not a plane: the two routes agree.
      TSpline3D w(wavy, code, degree, degree, 0, 0, 0, 0, kRegridRenka, false);
      const long double wFirst = w.Integrate(r.x1, r.x2, r.y1, r.y2, &e1);
      const long double wSecond = w.Integrate(r.x1, r.x2, r.y1, r.y2, &e2);
      EXPECT_NEAR(static_cast<double>(wFirst), static_cast<double>(wSecond),
                  1e-3 * std::max(1.0, std::fabs(static_cast<double>(wSecond))));
    }
}

// A grid smooths the same wherever it lies: 32 x 32 Franke values over [x0, x0 + 30] x
// [0, 30] at x0 = 1e6 against x0 = 0, for both codes and degrees that take each
// interpolation. A root-search tolerance scaled by |x| once moved the surface at 1e6 by
// 0.7 % of the z range and its second derivatives by up to 65 %.
TEST(Nurbs, AGridFarFromTheOriginSmoothsAsAtTheOrigin) {
  const auto grid = [](long double x0) {
    return Table(GridPoints(32, 32, x0, x0 + 30, 0, 30, [x0](long double x, long double y) {
      return smooth_test::Franke((x - x0) / 30, y / 30);
    }));
  };
  PointTable near = grid(0), far = grid(1e6L);
  for (const auto& [code, degree] : {std::pair{kGridNurbs, 3}, std::pair{kGridNurbs, 2}, std::pair{kGridNurbs, 5},
                                     std::pair{kGridNurbsCubic, 3}, std::pair{kGridNurbsCubic, 7}}) {
    SCOPED_TRACE(testing::Message() << "code " << code << " degree " << degree);
    TSpline3D a(near, code, degree, degree, 0, 0, 0, 0, kRegridRenka, false);
    TSpline3D b(far, code, degree, degree, 0, 0, 0, 0, kRegridRenka, false);
    ASSERT_TRUE(a.HasSurface());
    ASSERT_TRUE(b.HasSurface());
    const double zRange = static_cast<double>(a.ZMax() - a.ZMin());
    EXPECT_NEAR(static_cast<double>(a.RSquared()), static_cast<double>(b.RSquared()), 1e-9);
    const PointTable sa = a.SmoothedPoints(), sb = b.SmoothedPoints();
    ASSERT_EQ(sa.size(), sb.size());
    for (std::size_t k = 1; k < sa.size(); ++k)
      ASSERT_NEAR(static_cast<double>(sa[k].Z), static_cast<double>(sb[k].Z), 1e-9 * zRange) << k;
    for (const auto& [u, v] : {std::pair{22.5L / 31, 202.5L / 31}, std::pair{13.3L, 17.9L}, std::pair{29.1L, 0.4L}}) {
      EXPECT_NEAR(static_cast<double>(a.EvalAt(u, v)), static_cast<double>(b.EvalAt(1e6L + u, v)), 1e-9 * zRange);
      // The curvatures, on the scale of the largest of them over the grid's spacing.
      for (const int mode : {3, 4, 5})
        EXPECT_NEAR(static_cast<double>(a.EvalMode(u, v, mode)), static_cast<double>(b.EvalMode(1e6L + u, v, mode)),
                    1e-5 * zRange);
    }
  }
}

// Smoothing changes noisy data, and the statistics say by how much.
TEST(Nurbs, NoisyDataAreSmoothed) {
  PointTable data = Table(GridPoints(10, 9, 0, 1, 0, 1, [](long double x, long double y) {
    return Wavy(x, y) + 0.05L * std::sin(97 * x + 61 * y);
  }));
  TSpline3D e(data, kGridNurbsCubic, 4, 4, 0, 0, 0, 0, kRegridRenka, false);
  EXPECT_GT(e.Sse(), 0.0L);
  EXPECT_LT(e.Sse(), 1.0L);
  EXPECT_GT(e.RSquared(), 0.5L);
  EXPECT_NE(e.EvalAtDataPoint(data[5].X, data[5].Y, data[5].Z), data[5].Z);
}

// ---- integral over a rectangle ----

// Inside a code-0 surface the first request is exact, its error the doubles' rounding, the
// same one again is answered by numerical integration with its error, and a third is exact
// again.
TEST(GriddedIntegral, RepeatedRequestsAlternateExactAndNumerical) {
  const TPolynomial2 p = FullDegreePolynomial(3, 3, 1.7);
  PointTable data = Table(GridPoints(9, 8, 0, 1, 0, 2, [&p](long double x, long double y) {
    return static_cast<long double>(p.Value(static_cast<double>(x), static_cast<double>(y)));
  }));
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  const double want = p.Integral(0.1, 0.9, 0.3, 1.6);
  long double error = -1;
  const long double first = e.Integrate(0.1L, 0.9L, 0.3L, 1.6L, &error);
  EXPECT_NEAR(static_cast<double>(first), want, 1e-12);
  EXPECT_GE(error, std::fabs((static_cast<double>(first) - want) / want));
  EXPECT_LT(error, 1e-12L);
  const long double exactError = error;
  error = -1;
  const long double second = e.Integrate(0.1L, 0.9L, 0.3L, 1.6L, &error);
  EXPECT_NEAR(static_cast<double>(second), want, 1e-6);
  EXPECT_GE(error, 0.0L);
  EXPECT_NE(second, first);
  error = -1;
  EXPECT_EQ(e.Integrate(0.1L, 0.9L, 0.3L, 1.6L, &error), first);
  EXPECT_EQ(error, exactError);
}

// A narrow ridge, 401 x 11 nodes of 1 + 5 exp(-((x - 6.37)/0.05)^2) + 0.1 y: the first
// request integrates the spline exactly, the repeated one numerically, and the nested
// integral's outer points stepped over the ridge (22 with an estimate of 3.4e-13 where the
// spline holds 22.886). The repeated answer is the spline's volume to its estimate, and its
// estimate is bounded by the first answer's figure, over the whole grid and rectangles
// within it on either side of the ridge and across it.
TEST(GriddedIntegral, ARepeatedRequestOverANarrowRidgeKeepsToTheFirstAnswer) {
  PointTable data = Table(GridPoints(401, 11, 0, 10, 0, 2, [](long double x, long double y) {
    return 1 + 5 * std::exp(-((x - 6.37L) / 0.05L) * ((x - 6.37L) / 0.05L)) + 0.1L * y;
  }));
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  ASSERT_TRUE(e.HasSurface());
  const TRectangle rectangles[] = {{0, 10, 0, 2},     {0.5L, 9.5L, 0.2L, 1.9L}, {6, 7, 0, 2},
                                   {3.3L, 8.1L, 0.7L, 1.1L}, {6.37L, 10, 0, 2}, {1, 6.3L, 0, 2}};
  // 22 + 0.25 sqrt(pi) (erf(72.6) + erf(127.4)) (mpmath at 30 digits): the ridge itself;
  // the spline through nodes 0.025 apart holds it to some 1e-6.
  EXPECT_NEAR(static_cast<double>(e.Integrate(0, 10, 0, 2, nullptr)), 22.886226925452758, 1e-5);
  (void)e.Integrate(0, 10, 0, 2, nullptr);  // the pair, so that the next request is a first one
  for (const TRectangle& r : rectangles) {
    SCOPED_TRACE(testing::Message() << "[" << static_cast<double>(r.x1) << ", " << static_cast<double>(r.x2)
                                    << "] x [" << static_cast<double>(r.y1) << ", " << static_cast<double>(r.y2) << "]");
    long double firstError = -1, secondError = -1, thirdError = -1;
    const long double first = e.Integrate(r.x1, r.x2, r.y1, r.y2, &firstError);
    const long double second = e.Integrate(r.x1, r.x2, r.y1, r.y2, &secondError);
    const long double third = e.Integrate(r.x1, r.x2, r.y1, r.y2, &thirdError);
    EXPECT_LT(firstError, 1e-12L);
    EXPECT_EQ(third, first);
    const long double off = std::fabs((second - first) / second);
    EXPECT_GE(secondError + firstError, off);
    EXPECT_LT(off, 1e-5L);
  }
}

// Two rectangles whose summed fingerprints would agree are two requests, each answered
// exactly; so is the empty rectangle at the origin.
TEST(GriddedIntegral, DifferentRectanglesAreNeverTakenForTheSame) {
  PointTable data = Table(GridPoints(6, 6, 0, 4, 0, 4, Plane));
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  const long double pi = 3.141592653589793238462643383279502884L;
  long double error = -1;
  (void)e.Integrate(1.0L, 2.0L, 1.0L, 2.0L, &error);
  // 1 + pi 2 = (1 + 0.2 pi) + pi (2 - 0.2): the same sum of sides.
  const long double a = 1.0L + 0.2L * pi, b = 1.8L;
  error = -1;
  const long double other = e.Integrate(a, b, 1.0L, 2.0L, &error);
  EXPECT_LT(error, 1e-12L);
  EXPECT_NEAR(static_cast<double>(other), static_cast<double>((b - a) * 5.5L + (b * b - a * a)), 1e-12);
  error = -1;
  EXPECT_EQ(e.Integrate(0, 0, 0, 0, &error), 0.0L);
  EXPECT_EQ(error, 0.0L);
}

// Beyond the data a code-0 surface is integrated by gridding its clamped continuation.
TEST(GriddedIntegral, BeyondTheDataCodeZeroGrids) {
  PointTable data = Table(GridPoints(7, 7, 0, 1, 0, 1, Plane));
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  long double error = -1;
  // 3.5 over the unit square, then z = 3 + 3y held beyond x = 1: 4.5.
  const long double v = e.Integrate(0, 2, 0, 1, &error);
  EXPECT_NEAR(static_cast<double>(v), 8.0, 1e-3);
  EXPECT_GT(error, 0.0L);
  EXPECT_LT(error, 1e-3L);
}

// A code-1 rectangle wholly left of the data is the left strip: Akima's extrapolation, which
// holds a bicubic exactly.
TEST(GriddedIntegral, CodeOneLeftOfTheDataIsTheLeftStrip) {
  const TPolynomial2 p = FullDegreePolynomial(3, 3, 2.3);
  PointTable data = Table(GridPoints(7, 6, 0, 1, 0, 1, [&p](long double x, long double y) {
    return static_cast<long double>(p.Value(static_cast<double>(x), static_cast<double>(y)));
  }));
  TSpline3D e(data, kGridBSplineAkimaEdge, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
  long double error = -1;
  EXPECT_NEAR(static_cast<double>(e.Integrate(-1.0L, -0.2L, 0.1L, 0.7L, &error)),
              p.Integral(-1.0, -0.2, 0.1, 0.7), 1e-10);
  EXPECT_LT(error, 1e-12L);
  // Across every side at once: the inside and four strips.
  EXPECT_NEAR(static_cast<double>(e.Integrate(-0.5L, 1.5L, -0.25L, 1.25L, &error)),
              p.Integral(-0.5, 1.5, -0.25, 0.0) + p.Integral(-0.5, 1.5, 1.0, 1.25) +
                  p.Integral(-0.5, 0.0, 0.0, 1.0) + p.Integral(1.0, 1.5, 0.0, 1.0) +
                  p.Integral(0, 1, 0, 1),
              1e-10);
}

TEST(GriddedIntegral, GriddingGivesUpOnAMissingValue) {
  long double error = -3;
  const long double v = IntegrateByGridding(
      [](long double x, long double) { return x > 0.5L ? ExprErrorValue : 1.0L; }, 0, 1, 0, 1,
      &error);
  EXPECT_EQ(v, ExprErrorValue);
  EXPECT_EQ(error, -3.0L);
  EXPECT_NEAR(static_cast<double>(IntegrateByGridding([](long double, long double) { return 2.0L; },
                                                      1, 0, 0, 3, &error)),
              -6.0, 1e-12);
}

// The gridding integrator's error estimate covers its error wherever the rectangle lies.
// At x = 1e9 the splines' doubles once kept 1e-7 of the width: 1 + (x - 1e9) + 2y over
// [1e9 + 0.1, 1e9 + 0.9] x [0.1, 0.9] came out 1.5999999046 with an error of 0. The plane's
// integral is 1.6; sin 3(x - x0) cos 2y over [x0 + 0.1, x0 + 0.9] x [0.1, 0.9] is
// 0.240228870308179973 (mpmath) wherever x0 lies.
TEST(GriddedIntegral, TheGriddingErrorEstimateCoversItsError) {
  for (const long double x0 : {0.0L, 1e3L, 1e9L}) {
    SCOPED_TRACE(static_cast<double>(x0));
    struct Case {
      std::function<long double(long double, long double)> f;
      long double want, tolerance;
    };
    const Case cases[] = {
        {[x0](long double x, long double y) { return 1 + (x - x0) + 2 * y; }, 1.6L, 1e-9L},
        {[x0](long double x, long double y) { return std::sin(3 * (x - x0)) * std::cos(2 * y); },
         0.240228870308179973L, 1e-9L},
    };
    for (const Case& c : cases) {
      long double error = -1;
      const long double v = IntegrateByGridding(c.f, x0 + 0.1L, x0 + 0.9L, 0.1L, 0.9L, &error);
      const long double actual = std::fabs((v - c.want) / c.want);
      EXPECT_LT(actual, c.tolerance);
      EXPECT_GE(error, actual);
      EXPECT_LT(error, 1e-6L);
    }
  }
}

// The engine's splines hold their positions in doubles, which at x = 1e12 keep 1.2e-4 of a
// unit-wide rectangle: there the exact route answered a bicubic's integral 5e-5 off with an
// error of 0, and the numerical route with 1.5e-6. Every route's error covers the doubles'
// rounding wherever the data lie, and stays near it.
TEST(GriddedIntegral, FarFromTheOriginTheErrorCoversTheDoublesRounding) {
  const TPolynomial2 p = FullDegreePolynomial(3, 3, 1.7);
  for (const long double x0 : {0.0L, 1e6L, 1e9L, 1e12L}) {
    // The integral over the rectangle as asked: x0 + 0.1 is itself rounded far from 0.
    const double want = p.Integral(static_cast<double>((x0 + 0.1L) - x0), static_cast<double>((x0 + 0.9L) - x0), 0.3, 1.6);
    PointTable data = Table(GridPoints(9, 8, x0, x0 + 1, 0, 2, [&p, x0](long double x, long double y) {
      return static_cast<long double>(p.Value(static_cast<double>(x - x0), static_cast<double>(y)));
    }));
    for (const int code : {kGridBSpline, kGridBSplineAkimaEdge, kGridAkima, kGridLeastSquares}) {
      TSpline3D e(data, code, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
      ASSERT_TRUE(e.HasSurface());
      for (int ask = 1; ask <= 2; ++ask) {  // the exact route, then the numerical one
        SCOPED_TRACE(testing::Message() << "x0 " << static_cast<double>(x0) << " code " << code
                                        << " ask " << ask);
        long double error = -1;
        const long double v = e.Integrate(x0 + 0.1L, x0 + 0.9L, 0.3L, 1.6L, &error);
        EXPECT_GE(error, std::fabs((static_cast<double>(v) - want) / want));
        EXPECT_LT(error, 1e-12L + 2e-14L * x0);
      }
    }
  }
}

// The gridding integrator on Franke's function itself, whose integral over [0.1, 0.9]² is
// 0.275085971077370720517808642734 (mpmath.quad).
TEST(GriddedIntegral, GriddingFrankesFunctionHasItsIntegral) {
  constexpr long double kFranke = 0.275085971077370720517808642734L;
  long double error = -1;
  const long double v = IntegrateByGridding([](long double x, long double y) { return smooth_test::Franke(x, y); },
                                            0.1L, 0.9L, 0.1L, 0.9L, &error);
  EXPECT_GE(error, std::fabs((v - kFranke) / kFranke));
  EXPECT_LT(error, 1e-6L);
}

// The numerical route: a value with the integrators' estimate, or nothing when they fail
// (the engines then answer by their grids or their method instead of a 0).
TEST(GriddedIntegral, NumericalIntegrationSaysWhenItFails) {
  const TRectangle r{0, 1, 0, 2};
  const auto plane = NumericIntegral([](long double x, long double y) { return Plane(x, y); }, r,
                                     1e-5L, 1e-6L, 1e-5L);
  ASSERT_TRUE(plane);
  EXPECT_NEAR(static_cast<double>(plane->value), 10.0, 1e-9);
  EXPECT_LT(plane->error, 1e-5L);
  EXPECT_FALSE(NumericIntegral([](long double, long double) { return std::nanl(""); }, r, 1e-5L,
                               1e-6L, 1e-5L));
  EXPECT_FALSE(NumericIntegral([](long double, long double) { return ExprErrorValue; }, r, 1e-5L,
                               1e-6L, 1e-5L));
}

// ---- volume under a scattered-data surface ----

// The volume under an engine's surface over [x0, x0 + side] x [y0, y0 + side] by composite
// 5-point Gauss-Legendre (nodes and weights to 30 digits) over panels x panels squares.
long double CompositeGauss(TNParm3D& engine, long double x0, long double y0, long double side, int panels) {
  const long double node[5] = {-0.906179845938663992797626878299L, -0.538469310105683091036314420700L, 0,
                               0.538469310105683091036314420700L, 0.906179845938663992797626878299L};
  const long double weight[5] = {0.236926885056189087514264040720L, 0.478628670499366468041291514836L,
                                 0.568888888888888888888888888889L, 0.478628670499366468041291514836L,
                                 0.236926885056189087514264040720L};
  const long double h = side / panels;
  long double sum = 0;
  for (int i = 0; i < panels; ++i)
    for (int j = 0; j < panels; ++j)
      for (int a = 0; a < 5; ++a)
        for (int b = 0; b < 5; ++b)
          sum += weight[a] * weight[b] *
                 engine.EvalAt(x0 + h * (i + 0.5L + 0.5L * node[a]), y0 + h * (j + 0.5L + 0.5L * node[b]));
  return sum * h * h / 4;
}

TEST(ScatteredVolume, APlaneUnderLoessHasItsVolume) {
  std::vector<TPoint> points = Scattered(80, 31, Plane, 0, 1, 0, 2);
  for (const TPoint corner : {TPoint{0, 0, 1}, TPoint{1, 0, 3}, TPoint{0, 2, 7}, TPoint{1, 2, 9}})
    points.push_back(corner);
  PointTable data = Table(points);
  TNParm3D engine(data, kNPLoessGradient, 1, 20, false);
  ASSERT_TRUE(engine.HasSurface());
  long double error = -1;
  EXPECT_NEAR(static_cast<double>(engine.Volume(0, 1, 0, 2, &error)), 10.0, 1e-9);
  EXPECT_GE(error, 0.0L);
  EXPECT_LT(error, 1e-9L);
}

TEST(ScatteredVolume, RepeatedRequestsAlternateGridsAndDirectIntegration) {
  PointTable data = Table(Scattered(100, 32, Wavy));
  TNParm3D engine(data, kNPRenka1, 0, 0, false);
  long double e1 = -1, e2 = -1, e3 = -1;
  const long double v1 = engine.Volume(0.2L, 0.8L, 0.1L, 0.9L, &e1);
  const long double v2 = engine.Volume(0.2L, 0.8L, 0.1L, 0.9L, &e2);
  const long double v3 = engine.Volume(0.2L, 0.8L, 0.1L, 0.9L, &e3);
  EXPECT_GT(e1, 0.0L);
  EXPECT_LT(e1, 1e-3L);
  EXPECT_NEAR(static_cast<double>(v2), static_cast<double>(v1), 1e-4);
  EXPECT_NE(v2, v1);
  EXPECT_EQ(v3, v1);
  EXPECT_EQ(e3, e1);
  // Code 0 answers every request from the grids.
  engine.SetMethod(kNPAkima1, 1, 5);
  const long double a1 = engine.Volume(0.2L, 0.8L, 0.1L, 0.9L, &e1);
  EXPECT_EQ(engine.Volume(0.2L, 0.8L, 0.1L, 0.9L, &e2), a1);
  EXPECT_EQ(e2, e1);
}

// Data far from 0 against their extent: the first request's splines converge, and their
// volume is that of the engine's surface, integrated here by composite 5-point Gauss-Legendre
// over 64 x 64 panels; the function the data come from gives it to the interpolation's
// accuracy: the integral of sin 3(x - 10) cos 2y over [10.1, 10.9] x [0.1, 0.9] is
// 0.240228870308179973 (mpmath).
TEST(ScatteredVolume, DataFarFromTheOriginHaveTheirVolume) {
  const auto f = [](long double x, long double y) { return std::sin(3 * (x - 10)) * std::cos(2 * y); };
  PointTable data = Table(Scattered(400, 34, f, 10, 1, 0, 1));
  const auto composite = [](TNParm3D& engine) { return CompositeGauss(engine, 10.1L, 0.1L, 0.8L, 64); };
  for (const int code : {kNPRenka1, kNPOwnTriangulation, kNPRenka2}) {
    SCOPED_TRACE(code);
    TNParm3D engine(data, code, 1, 17, false);
    ASSERT_TRUE(engine.HasSurface());
    long double error = -1;
    const long double v = engine.Volume(10.1L, 10.9L, 0.1L, 0.9L, &error);
    EXPECT_NEAR(static_cast<double>(v), static_cast<double>(composite(engine)), 1e-6);
    EXPECT_NEAR(static_cast<double>(v), 0.240228870308179973, 1e-3);
    EXPECT_GT(error, 0.0L);
    EXPECT_LT(error, 1e-5L);
  }
  // IntegrateByGridding over the same rectangle: the function's own volume.
  long double error = -1;
  const long double v = IntegrateByGridding(f, 10.1L, 10.9L, 0.1L, 0.9L, &error);
  EXPECT_NEAR(static_cast<double>(v), 0.240228870308179973, 1e-9);
  EXPECT_GT(error, 0.0L);
}

// The error reported with a volume covers the volume's true error on the first request (the
// grids) and on the second (direct integration). The true volume of each surface, the
// engine's own piecewise cubic over 1000 Franke points, is taken by composite 5-point
// Gauss-Legendre over 96 x 96 panels (it moves by under 4e-9 from 64 x 64 panels); for the
// second seed it is 0.27504693, where the direct integration once answered 0.27505543 with
// an error of 5.1e-6 and the grids 0.27504713 with 6.1e-7.
TEST(ScatteredVolume, TheReportedErrorCoversTheTrueError) {
  const auto composite = [](TNParm3D& engine) { return CompositeGauss(engine, 0.1L, 0.1L, 0.8L, 96); };
  for (const std::uint64_t seed : {41u, 42u, 43u}) {
    SCOPED_TRACE(seed);
    PointTable data = Table(Scattered(1000, seed, smooth_test::Franke));
    TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
    ASSERT_TRUE(engine.HasSurface());
    const long double truth = composite(engine);
    for (int ask = 1; ask <= 2; ++ask) {
      long double error = -1;
      const long double v = engine.Volume(0.1L, 0.9L, 0.1L, 0.9L, &error);
      EXPECT_GE(error, std::fabs((v - truth) / truth)) << ask;
      EXPECT_LT(error, 1e-3L) << ask;
    }
  }
}

// The grids' error on surfaces where the whole rectangle's differences cancel: Akima's
// surfaces (code 0) through 1000 Franke points whose grids once reported 1.4e-6, 1.2e-6 and
// 2.2e-7 for true errors of 1.9e-6, 1.2e-6 and 9.6e-7. The true volume of each surface is
// taken by composite Gauss-Legendre over 160 x 160 panels (it moves by under 2e-7 from 96 x
// 96); the volume itself lies within the interpolation's reach of Franke's function's,
// 0.275085971077370720517808642734 (mpmath.quad).
TEST(ScatteredVolume, TheGridsErrorCoversSurfacesWhoseDifferencesCancel) {
  constexpr long double kFranke = 0.275085971077370720517808642734L;
  for (const std::uint64_t seed : {9u, 10u, 17u}) {
    SCOPED_TRACE(seed);
    PointTable data = Table(Scattered(1000, seed, smooth_test::Franke));
    TNParm3D engine(data, kNPAkima1, 1, 5, false);
    ASSERT_TRUE(engine.HasSurface());
    const long double truth = CompositeGauss(engine, 0.1L, 0.1L, 0.8L, 160);
    long double error = -1;
    const long double v = engine.Volume(0.1L, 0.9L, 0.1L, 0.9L, &error);
    EXPECT_GE(error, std::fabs((v - truth) / truth) + 2e-7L);
    EXPECT_LT(error, 1e-3L);
    EXPECT_NEAR(static_cast<double>(v), static_cast<double>(kFranke), 1e-3);
  }
}

// A rectangle reaching beyond the data: the volume is that of the surface the engine shows
// there. Akima's extrapolation (code 0) carries planar data on as the plane, so the volume is
// the plane's: 1 + 2x + 3y over [3, 9] x [0.5, 2.5] is 12 * (1 + 12 + 4.5) = 210, over [-5, 9]
// x [0.5, 2.5] 28 * (1 + 4 + 4.5) = 266, over [0.5, 1.5] x [-2, 5] 7 * (1 + 2 + 4.5) = 52.5.
// The grids once held the surface at its value on the data's edge beyond it (159.45 with an
// error of 0.32 for the first) while the points asked one by one gave the plane. The
// triangulation's surface (code 16) leaves the plane by its gradients' last iteration: its
// volume over [3, 9] x [-1, 5] is taken by composite Gauss-Legendre over 48 x 48 panels.
TEST(ScatteredVolume, BeyondTheDataTheVolumeIsThatOfTheSurfaceShown) {
  PointTable data = Table(Scattered(40, 35, Plane, 0, 4, 0, 3));
  struct Case {
    TRectangle rect;
    long double volume;
  };
  TNParm3D akima(data, kNPAkima1, 1, 5, false);
  ASSERT_TRUE(akima.HasSurface());
  for (const Case& c : {Case{{3, 9, 0.5L, 2.5L}, 210}, Case{{-5, 9, 0.5L, 2.5L}, 266}, Case{{0.5L, 1.5L, -2, 5}, 52.5L}}) {
    SCOPED_TRACE(testing::Message() << "[" << static_cast<double>(c.rect.x1) << ", " << static_cast<double>(c.rect.x2)
                                    << "] x [" << static_cast<double>(c.rect.y1) << ", "
                                    << static_cast<double>(c.rect.y2) << "]");
    EXPECT_NEAR(static_cast<double>(akima.EvalAt(c.rect.x2, c.rect.y2)),
                static_cast<double>(Plane(c.rect.x2, c.rect.y2)), 1e-9);
    long double error = -1;
    const long double v = akima.Volume(c.rect.x1, c.rect.x2, c.rect.y1, c.rect.y2, &error);
    EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.volume), 1e-9 * static_cast<double>(c.volume));
    EXPECT_GE(error, 0.0L);
    EXPECT_LT(error, 1e-9L);
  }
  TNParm3D own(data, kNPOwnTriangulation, 1, 0, false);
  ASSERT_TRUE(own.HasSurface());
  const long double truth = CompositeGauss(own, 3, -1, 6, 48);
  EXPECT_NEAR(static_cast<double>(truth), 6 * 6 * (1 + 12 + 6), 0.1);
  for (int ask = 1; ask <= 2; ++ask) {
    long double error = -1;
    const long double v = own.Volume(3, 9, -1, 5, &error);
    EXPECT_GE(error, std::fabs((v - truth) / truth)) << ask;
    EXPECT_LT(error, 1e-5L) << ask;
  }
}

// A surface that could not be set up has no volume: the missing value, the error unwritten.
TEST(ScatteredVolume, NoSurfaceHasNoVolume) {
  PointTable line = Table({{0, 0, 1}, {1, 1, 2}, {2, 2, 3}, {3, 3, 4}, {4, 4, 5}});
  TNParm3D engine(line, kNPOwnTriangulation, 1, 0, true);
  ASSERT_FALSE(engine.HasSurface());
  long double error = -3;
  EXPECT_EQ(engine.Volume(0, 1, 0, 1, &error), ExprErrorValue);
  EXPECT_EQ(engine.Volume(0, 1, 0, 1, &error), ExprErrorValue);
  EXPECT_EQ(error, -3.0L);
}

TEST(ScatteredVolume, EdgeCases) {
  PointTable three = Table({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}});
  TNParm3D few(three, kNPRenka1, 0, 0, false);
  long double error = -5;
  EXPECT_EQ(few.Volume(0, 1, 0, 1, &error), 0.0L);
  EXPECT_EQ(error, -5.0L);
  PointTable flat = Table(Scattered(30, 33, [](long double, long double) { return 0.0L; }));
  TNParm3D zero(flat, kNPRenka1, 0, 0, false);
  EXPECT_EQ(zero.Volume(0.1L, 0.9L, 0.1L, 0.9L, &error), 0.0L);
  EXPECT_EQ(error, 0.0L);
}

}  // namespace
