// The scattered-data engine with its triangulation and loess methods: exact recovery of
// planes and quadratics, interpolation of every node, the option ranges and the library
// fallbacks, the statistics, and failure on data that admit no surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "app/long_double.h"
#include "app/shell_state.h"
#include "platform/message_box.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/extension_library.h"
#include "smooth/libs/numerical_library.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::ScaledError;
using smooth_test::ScopedNumLib;
using smooth_test::Table;
using smooth_test::TPoint;

long double Plane(long double x, long double y) { return 2.5L - 1.5L * x + 0.75L * y; }
long double Quadratic(long double x, long double y) {
  return 1 + 0.5L * x - 2 * y + 0.8L * x * x - 0.6L * x * y + 1.1L * y * y;
}
long double Wavy(long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y); }

std::vector<long double> Axis(long double a, long double b, int n) {
  std::vector<long double> v;
  for (int i = 0; i < n; ++i) v.push_back(a + (b - a) * i / (n - 1));
  return v;
}

TEST(ScatteredEngine, ThreePointsGiveZeroValuesAndNoGrids) {
  PointTable data = Table({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}});
  for (int code : {kNPOwnTriangulation, kNPLoessGradient, kNPRenka1}) {
    TNParm3D engine(data, code, 1, 4, false);
    EXPECT_EQ(engine.PointCount(), 3);
    EXPECT_EQ(engine.EvalAt(0.2L, 0.2L), 0.0L);
    EXPECT_EQ(engine.EvalDx(0.2L, 0.2L), 0.0L);
    EXPECT_EQ(engine.EvalAtDataPoint(0, 0, 1), 0.0L);
    const std::vector<long double> axis = Axis(0, 1, 4);
    EXPECT_TRUE(engine.EvalGrid(4, 4, axis, axis).empty());
    EXPECT_TRUE(IsMissingValue(engine.Sse()));
  }
}

TEST(ScatteredEngine, PreviewEngineLoadsNothingAndReproducesEveryZ) {
  NPDllName = "npsample.DLL";
  PointTable data = Table(Scattered(300, 11, Wavy, -3, 6, 10, 0.5L));
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, true);
  EXPECT_FALSE(NumLibLoaded());
  EXPECT_FALSE(NPExtensionLoaded());
  EXPECT_EQ(engine.ExtMethodCount(), 0);
  ASSERT_TRUE(engine.HasSurface());
  for (int i = 1; i <= 300; ++i) {
    const TXYZPoint& p = data[static_cast<std::size_t>(i)];
    EXPECT_EQ(engine.EvalAtDataPoint(p.X, p.Y, p.Z), p.Z);
    EXPECT_LT(std::fabs(engine.EvalAt(p.X, p.Y) - p.Z), 1e-12L) << i;
  }
  EXPECT_EQ(engine.Sse(), 0.0L);
  EXPECT_EQ(engine.RSquared(), 1.0L);
  NPDllName.clear();
}

TEST(ScatteredEngine, NoLibraryTurnsLibraryCodesIntoAkimaOne) {
  PointTable data = Table(Scattered(30, 3, Plane));
  struct Case {
    int asked, used;
  };
  for (const Case c : {Case{5, kNPAkima1}, Case{1, kNPAkima1}, Case{3, kNPAkima1},
                       Case{7, kNPAkima1}, Case{12, kNPAkima1}, Case{6, kNPWatson},
                       Case{19, kNPLoessCosine}, Case{16, kNPOwnTriangulation}, Case{20, 20}}) {
    TNParm3D engine(data, c.asked, 1, 1, true);
    EXPECT_EQ(engine.Method(), c.used) << c.asked;
  }
}

TEST(ScatteredEngine, MissingNumericalLibraryIsToldOnceAndWatsonTakesOver) {
  ScopedNumLib none(std::nullopt);
  platform::ScriptedAnswers answers;
  PointTable data = Table(Scattered(30, 3, Plane));
  TNParm3D engine(data, kNPRenka2, 1, 5, false);
  EXPECT_EQ(engine.Method(), kNPWatson);
  EXPECT_FALSE(NumLibLoaded());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Missing DLL Error");
  EXPECT_EQ(answers.Boxes()[0].text,
            "The file QKIMSL.DLL was not found.\nCertain algorithms will be unavailable.");
}

TEST(ScatteredEngine, OptionsArePulledIntoTheirRanges) {
  PointTable nine = Table(Scattered(9, 5, Plane));
  TNParm3D engine(nine, kNPOwnTriangulation, 1, 0, true);
  engine.SetMethod(kNPRenka2, 2, 3);
  EXPECT_EQ(engine.Option1(), 1);
  EXPECT_EQ(engine.Option2(), 5);

  PointTable twelve = Table(Scattered(12, 6, Plane));
  TNParm3D loess(twelve, kNPLoess, 9, 1, false);
  EXPECT_EQ(loess.Option1Max(), 3);
  EXPECT_EQ(loess.Option1(), 3);
  EXPECT_EQ(loess.Option2Min(), 11);
  EXPECT_EQ(loess.Option2Max(), 12);
  EXPECT_EQ(loess.Option2(), 11);
  loess.SetMethod(kNPLoess, 2, 40);
  EXPECT_EQ(loess.Option2(), 12);
  EXPECT_EQ(loess.ModelTerms(), 5);

  // A code outside the table has no options, no terms and no surface.
  engine.SetMethod(25, 3, 3);
  EXPECT_EQ(engine.Option1(), 0);
  EXPECT_EQ(engine.Option2(), 0);
  EXPECT_EQ(engine.ModelTerms(), 0);
  EXPECT_EQ(engine.EvalAt(0.5L, 0.5L), 0.0L);
  EXPECT_EQ(engine.EvalDxy(0.5L, 0.5L), 0.0L);
  const std::vector<long double> axis = Axis(0, 1, 3);
  EXPECT_EQ(engine.EvalGrid(3, 3, axis, axis), std::vector<long double>(9, 0.0L));
}

TEST(ScatteredEngine, ReplicatesMakeAnExactMethodComputeItsStatistics) {
  std::vector<TPoint> points = Scattered(40, 8, Plane);
  points.push_back({points[3].x, points[3].y, points[3].z + 0.5L});
  PointTable data = Table(points);
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, true);
  EXPECT_TRUE(engine.DuplicatesMerged());
  EXPECT_EQ(engine.PointCount(), 40);
  // The merged node carries the mean of the pair, so each of them is 0.25 off.
  EXPECT_LT(std::fabs(engine.Sse() - 0.125L), 1e-12L);
  EXPECT_LT(std::fabs(engine.RSquared() - (1 - 0.125L / engine.Sst())), 1e-12L);
  EXPECT_GT(engine.StdErr(), 0.0L);
}

TEST(ScatteredEngine, RepeatsAtTheLowestXMergeAsTheyDoWithinTheData) {
  // A 5 x 4 grid of z = 1.7 with two repeats written 0.30000000000000004 at the lowest x
  // (0.3), z 1.8 and 1.6: left apart, each repeat and its twin were two nodes 5.6e-17 apart
  // with z 0.1 apart, and the surface swung to 1e14. Merged, the grid is one flat surface.
  for (const long double x0 : {0.3L, 0.6L}) {
    SCOPED_TRACE(static_cast<double>(x0));
    std::vector<TPoint> points;
    for (int i = 1; i <= 5; ++i)
      for (int j = 0; j < 4; ++j) points.push_back({0.3L * i, static_cast<long double>(j), 1.7L});
    const long double written = x0 == 0.3L ? 0.30000000000000004L : 0.60000000000000009L;
    points.push_back({written, 0, 1.8L});
    points.push_back({written, 1, 1.6L});
    PointTable data = Table(points);
    TNParm3D engine(data, kNPOwnTriangulation, 1, 0, true);
    EXPECT_TRUE(engine.DuplicatesMerged());
    EXPECT_EQ(engine.PointCount(), 20);
    ASSERT_TRUE(engine.HasSurface());
    for (long double x = 0.3L; x <= 1.5L; x += 0.1L)
      for (long double y = 0; y <= 3; y += 0.25L) EXPECT_LT(std::fabs(engine.EvalAt(x, y) - 1.7L), 0.11L) << x << " " << y;
  }
}

TEST(ScatteredEngine, PointsFarFromTheOriginOrOfExtremeSpansAreEveryOneANode) {
  // 40 points of one quadratic, moved to a Julian-day axis (x 2460000 .. 2460001, where
  // floats are 0.25 apart), to 1e6 .. 1e6 + 0.01, to a span of 1e-12 and to spans of 1e-50
  // and 1e50: every point stays a node of the interpolant, which reproduces each z and has
  // SSE 0, r2 1.
  const std::vector<TPoint> unit = Scattered(40, 7, Quadratic);
  struct TPlace {
    long double x0, sx, y0, sy;
  };
  for (const TPlace& c : {TPlace{2460000, 1, 2e6L, 1}, TPlace{1e6L, 1e-2L, -5e5L, 2},
                          TPlace{0, 1e-12L, 0, 1e-12L}, TPlace{0, 1e-50L, 0, 1e-50L},
                          TPlace{0, 1e50L, 0, 1e50L}}) {
    SCOPED_TRACE(testing::Message() << c.x0 << " + " << c.sx);
    std::vector<TPoint> moved;
    for (const TPoint& p : unit) moved.push_back({c.x0 + c.sx * p.x, c.y0 + c.sy * p.y, p.z});
    PointTable data = Table(moved);
    TNParm3D engine(data, kNPOwnTriangulation, 1, 0, true);
    EXPECT_FALSE(engine.DuplicatesMerged());
    EXPECT_EQ(engine.PointCount(), 40);
    ASSERT_TRUE(engine.HasSurface());
    EXPECT_EQ(engine.Sse(), 0.0L);
    EXPECT_EQ(engine.RSquared(), 1.0L);
    // The kernels' doubles hold 1e6 + 0.01 u to 1e-8 in u.
    for (const TPoint& p : moved) EXPECT_LT(std::fabs(engine.EvalAt(p.x, p.y) - p.z), 1e-7L);
  }
}

TEST(ScatteredEngine, LoessGradientCodeReproducesPlanesWithTheirGradients) {
  // Data far from the origin and unequal ranges: the unit mapping must hold exactly.
  PointTable data = Table(Scattered(120, 9, Plane, 1000, 50, -3, 0.02L));
  TNParm3D engine(data, kNPLoessGradient, 1, 6, false);
  ASSERT_TRUE(engine.HasSurface());
  for (const auto& [x, y] : {std::pair{1010.0L, -2.99L}, std::pair{1033.3L, -2.985L}, std::pair{1049.0L, -2.981L}}) {
    EXPECT_LT(ScaledError(engine.EvalAt(x, y), Plane(x, y)), 1e-9L);
    EXPECT_LT(ScaledError(engine.EvalDx(x, y), -1.5L), 1e-9L);
    EXPECT_LT(ScaledError(engine.EvalDy(x, y), 0.75L), 1e-9L);
    // Constant gradient fields have no gradients of their own: no curvature beyond rounding
    // (magnified by the narrow y range).
    EXPECT_LT(std::fabs(engine.EvalDxx(x, y)), 1e-7L);
    EXPECT_LT(std::fabs(engine.EvalDyy(x, y)), 1e-7L);
    EXPECT_LT(std::fabs(engine.EvalDxy(x, y)), 1e-7L);
  }
  EXPECT_LT(engine.Sse(), 1e-15L);
}

TEST(ScatteredEngine, OwnTriangulationReproducesPlanesToItsGradientTolerance) {
  PointTable data = Table(Scattered(200, 10, Plane, -1, 2, -1, 2));
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, true);
  ASSERT_TRUE(engine.HasSurface());
  for (const auto& [x, y] : {std::pair{0.1L, 0.2L}, std::pair{-0.7L, 0.55L}, std::pair{0.62L, -0.4L}}) {
    EXPECT_LT(ScaledError(engine.EvalAt(x, y), Plane(x, y)), 1e-5L);
    EXPECT_LT(ScaledError(engine.EvalDx(x, y), -1.5L), 1e-3L);
    EXPECT_LT(ScaledError(engine.EvalDy(x, y), 0.75L), 1e-3L);
  }
  const std::vector<long double> axis = Axis(-1, 1, 7);
  // The second derivatives of a plane: the noise of the estimated gradients, no more.
  for (auto grid : {engine.GridDxx(7, 7, axis, axis), engine.GridDyy(7, 7, axis, axis),
                    engine.GridDxy(7, 7, axis, axis)}) {
    ASSERT_EQ(grid.size(), 49u);
    for (const long double v : grid) EXPECT_LT(std::fabs(v), 0.05L);
  }
}

TEST(ScatteredEngine, RenkaOneWithoutOptionsEqualsTheOwnInterpolant) {
  PointTable data = Table(Scattered(150, 12, Wavy));
  TNParm3D own(data, kNPOwnTriangulation, 1, 0, true);
  TNParm3D library(data, kNPRenka1, 0, 0, false);
  ASSERT_TRUE(library.HasSurface());
  EXPECT_EQ(library.ModelTerms(), 2);
  for (const TPoint& p : Scattered(50, 13, Wavy, -0.1L, 1.2L, -0.1L, 1.2L))
    EXPECT_EQ(library.EvalAt(p.x, p.y), own.EvalAt(p.x, p.y));
  // Its derivatives interpolate derivative fields (level 2) where the own interpolant
  // differentiates its surface (level 0) and takes its second derivatives from gradients of
  // its gradient fields (level 1): close, not equal, and both near the data's -9 sin 1.5 cos 1.
  EXPECT_LT(std::fabs(library.EvalDx(0.5L, 0.5L) - own.EvalDx(0.5L, 0.5L)), 0.1L);
  const long double truth = -9 * Wavy(0.5L, 0.5L);
  EXPECT_LT(std::fabs(library.EvalDxx(0.5L, 0.5L) - truth), 1.0L);
  EXPECT_LT(std::fabs(own.EvalDxx(0.5L, 0.5L) - truth), 1.0L);
}

TEST(ScatteredEngine, LoessSmoothedDataReturnsQuadraticDataUnchanged) {
  PointTable data = Table(Scattered(80, 14, Quadratic));
  TNParm3D engine(data, kNPLoessGradient, 2, 13, false);
  ASSERT_TRUE(engine.HasSurface());
  const PointTable smoothed = engine.SmoothedData();
  ASSERT_EQ(smoothed.size(), data.size());
  for (std::size_t i = 1; i < data.size(); ++i) {
    EXPECT_EQ(smoothed[i].X, data[i].X);
    EXPECT_EQ(smoothed[i].Y, data[i].Y);
    EXPECT_LT(std::fabs(smoothed[i].Z - data[i].Z), 1e-10L) << i;
  }
  // Only the triangulation codes smooth data.
  engine.SetMethod(kNPExtensionFirst, 0, 0);
  EXPECT_TRUE(engine.SmoothedData().empty());
}

// The loess codes over 400 points with four-decimal coordinates of a plane and of a
// quadratic, near the origin and 1000 units from it: degree 2 holds both surfaces, so at the
// data the smoothed surface is the data, up to the doubles the triangulation keeps its node
// values in; the window shows an SSE of 0.
TEST(ScatteredEngine, LoessDegreeTwoReproducesPlanesAndQuadraticsAtTheData) {
  for (const long double offset : {0.0L, 1000.0L}) {
    for (const auto f : {&Plane, &Quadratic}) {
      const std::vector<TPoint> points = smooth_test::FourDecimalPoints(offset, offset, f);
      PointTable data = Table(points);
      long double zMax = 0.0L;
      for (const TPoint& p : points) zMax = std::max(zMax, std::fabs(p.z));
      const long double tolerance = 16.0L * std::numeric_limits<double>::epsilon() * zMax;
      for (const int code : {kNPLoess, kNPLoessGradient}) {
        SCOPED_TRACE(testing::Message() << "offset " << static_cast<double>(offset) << " code "
                                        << code << (f == &Plane ? " plane" : " quadratic"));
        TNParm3D engine(data, code, 2, 13, false);
        ASSERT_TRUE(engine.HasSurface());
        ASSERT_EQ(engine.Option2(), 13);
        long double worst = 0.0L;
        for (const TPoint& p : points) worst = std::max(worst, std::fabs(engine.EvalAt(p.x, p.y) - p.z));
        EXPECT_LE(worst, tolerance);
        EXPECT_LE(engine.Sse(), 400.0L * tolerance * tolerance);
        EXPECT_EQ(engine.ShownSse(), 0.0L);
      }
    }
  }
}

// A plane measured along 5 profiles (vertical lines of 80 points): the loess window's code
// with degree 2 shows an SSE of 0 (it showed 10.69 from the means and a singular fit at the
// edge lines).
TEST(ScatteredEngine, LoessOnFewProfilesReproducesAPlane) {
  std::vector<TPoint> points = smooth_test::FourDecimalPoints(0, 0, Plane);
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i].x = 2.0L * static_cast<long double>(i % 5);
    points[i].z = Plane(points[i].x, points[i].y);
  }
  PointTable data = Table(points);
  TNParm3D engine(data, kNPLoessGradient, 2, 13, false);
  ASSERT_TRUE(engine.HasSurface());
  EXPECT_LT(engine.Sse(), 1e-24L);
  EXPECT_EQ(engine.ShownSse(), 0.0L);
}

TEST(ScatteredEngine, LoessFallbackNeverWritesZeroIntoTheData) {
  // Two vertical lines of points: a neighbourhood on one line has no x extent, so every
  // local fit there fails and the smoother answers the neighbourhood's mean.
  std::vector<TPoint> points;
  for (int i = 0; i < 15; ++i) {
    points.push_back({0, i / 14.0L, 5});
    points.push_back({1, i / 14.0L + 0.01L, 5});
  }
  PointTable data = Table(points);
  TNParm3D engine(data, kNPLoessGradient, 1, 4, false);
  ASSERT_TRUE(engine.HasSurface());
  const PointTable smoothed = engine.SmoothedData();
  ASSERT_EQ(smoothed.size(), data.size());
  for (std::size_t i = 1; i < smoothed.size(); ++i) EXPECT_LT(std::fabs(smoothed[i].Z - 5.0L), 1e-12L);
}

TEST(ScatteredEngine, CollinearDataFailEverySetup) {
  std::vector<TPoint> points;
  for (int i = 0; i < 20; ++i) points.push_back({0.1L * i, 0.2L * i + 1, std::sin(0.3L * i)});
  PointTable data = Table(points);
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
  for (int code : {kNPOwnTriangulation, kNPRenka1, kNPLoess, kNPLoessGradient, kNPLoessSmoothed,
                   kNPLoessCosine}) {
    engine.SetMethod(code, 1, 5);
    EXPECT_FALSE(engine.HasSurface()) << code;
    EXPECT_EQ(engine.Setup(), 0) << code;
    EXPECT_EQ(engine.EvalAt(0.5L, 2), 0.0L) << code;
    EXPECT_TRUE(IsMissingValue(engine.RSquared())) << code;
  }
}

TEST(ScatteredEngine, FailedSetupLeavesNoFiguresOfTheSurfaceBefore) {
  PointTable data = Table(Scattered(30, 15, Wavy));
  TNParm3D engine(data, kNPLoess, 1, 8, false);
  EXPECT_GT(engine.Sse(), 0.0L);
  // A code outside the method table has no set-up.
  engine.SetMethod(kNPMethodCount + 3, 1, 5);
  EXPECT_TRUE(IsMissingValue(engine.Sse()));
  EXPECT_TRUE(IsMissingValue(engine.StdErr()));
  EXPECT_TRUE(IsMissingValue(engine.RSquared()));
  EXPECT_EQ(engine.EvalAt(0.5L, 0.5L), 0.0L);
}

TEST(ScatteredEngine, StatisticsCountOnlyActivePoints) {
  std::vector<TPoint> points = Scattered(40, 16, Wavy);
  PointTable data = Table(points);
  for (int i : {3, 7, 21}) data[static_cast<std::size_t>(i)].Status = kPointInactive;
  TNParm3D engine(data, kNPLoess, 2, 9, false);
  ASSERT_TRUE(engine.HasSurface());
  EXPECT_EQ(engine.PointCount(), 37);
  long double sse = 0;
  for (int i = 1; i <= 40; ++i) {
    const TXYZPoint& p = data[static_cast<std::size_t>(i)];
    if (p.Status == kPointInactive) continue;
    const long double r = engine.EvalAt(p.X, p.Y) - p.Z;
    sse += r * r;
  }
  EXPECT_LT(ScaledError(engine.Sse(), sse), 1e-15L);
  // 37 active points, 5 model terms (degree 2): 31 degrees of freedom.
  EXPECT_LT(ScaledError(engine.StdErr(), std::sqrt(sse / 31)), 1e-15L);
}

TEST(ScatteredEngine, LoessDerivativesAgreeWithDifferencesOfItsSurface) {
  PointTable data = Table(Scattered(400, 17, Wavy));
  TNParm3D engine(data, kNPLoess, 2, 20, false);
  ASSERT_TRUE(engine.HasSurface());
  const long double x = 0.43L, y = 0.57L, h = 1e-5L;
  const long double dx = (engine.EvalAt(x + h, y) - engine.EvalAt(x - h, y)) / (2 * h);
  const long double dy = (engine.EvalAt(x, y + h) - engine.EvalAt(x, y - h)) / (2 * h);
  // The C1 interpolant's gradient and the interpolated loess gradient differ by the
  // interpolation error only, and both follow the data's function.
  EXPECT_LT(std::fabs(engine.EvalDx(x, y) - dx), 0.05L);
  EXPECT_LT(std::fabs(engine.EvalDy(x, y) - dy), 0.05L);
  EXPECT_LT(std::fabs(engine.EvalDx(x, y) - 3 * std::cos(3 * x) * std::cos(2 * y)), 0.1L);
  EXPECT_LT(std::fabs(engine.EvalDxx(x, y) + 9 * Wavy(x, y)), 1.0L);
  EXPECT_LT(std::fabs(engine.EvalDxy(x, y) + 6 * std::cos(3 * x) * std::sin(2 * y)), 1.0L);

  // The cosine code keeps the raw z: its surface passes through every point.
  TNParm3D raw(data, kNPLoessCosine, 2, 20, false);
  ASSERT_TRUE(raw.HasSurface());
  for (int i = 1; i <= 400; i += 37) {
    const TXYZPoint& p = data[static_cast<std::size_t>(i)];
    EXPECT_LT(std::fabs(raw.EvalAt(p.X, p.Y) - p.Z), 1e-12L);
    EXPECT_EQ(raw.EvalAtDataPoint(p.X, p.Y, p.Z), p.Z);
  }

  // The smoothed-values code returns the data's own z at a data point, code 7 its surface.
  TNParm3D seven(data, kNPLoess, 2, 20, false), eighteen(data, kNPLoessSmoothed, 2, 20, false);
  const TXYZPoint& p = data[5];
  EXPECT_EQ(eighteen.EvalAtDataPoint(p.X, p.Y, p.Z), p.Z);
  EXPECT_EQ(seven.EvalAtDataPoint(p.X, p.Y, p.Z), seven.EvalAt(p.X, p.Y));
  EXPECT_NE(seven.EvalAt(p.X, p.Y), p.Z);
  EXPECT_EQ(eighteen.Sse(), 0.0L);
}

TEST(ScatteredEngine, DerivativesComeBackInDataUnits) {
  auto scaled = [](long double x, long double y) { return Quadratic(x / 1000, y); };
  PointTable unit = Table(Scattered(150, 18, Quadratic));
  PointTable wide = Table(Scattered(150, 18, scaled, 0, 1000));
  for (int code : {kNPOwnTriangulation, kNPLoess}) {
    TNParm3D a(unit, code, 2, 15, false), b(wide, code, 2, 15, false);
    EXPECT_LT(ScaledError(b.EvalAt(400, 0.3L), a.EvalAt(0.4L, 0.3L)), 1e-12L);
    EXPECT_LT(ScaledError(1000 * b.EvalDx(400, 0.3L), a.EvalDx(0.4L, 0.3L)), 1e-9L);
    EXPECT_LT(ScaledError(b.EvalDy(400, 0.3L), a.EvalDy(0.4L, 0.3L)), 1e-9L);
    EXPECT_LT(ScaledError(1e6L * b.EvalDxx(400, 0.3L), a.EvalDxx(0.4L, 0.3L)), 1e-6L);
    EXPECT_LT(ScaledError(1000 * b.EvalDxy(400, 0.3L), a.EvalDxy(0.4L, 0.3L)), 1e-6L);
  }
}

TEST(ScatteredEngine, GridsHoldThePointValuesXFastest) {
  PointTable data = Table(Scattered(60, 19, Wavy));
  TNParm3D engine(data, kNPLoessSmoothed, 2, 12, false);
  const std::vector<long double> xs = Axis(-0.2L, 1.1L, 5), ys = Axis(0, 1, 4);
  for (int mode = kDerivValue; mode <= kDerivXY; ++mode) {
    const std::vector<long double> grid = engine.GridMode(5, 4, xs, ys, mode);
    ASSERT_EQ(grid.size(), 20u);
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 5; ++i)
        EXPECT_EQ(grid[static_cast<std::size_t>(j * 5 + i)], engine.EvalMode(xs[i], ys[j], mode));
  }
  EXPECT_TRUE(engine.EvalGrid(6, 4, xs, ys).empty()) << "an axis shorter than asked";
}

// Codes 16 and 17 estimate no second-derivative fields: their second derivatives are those of
// the interpolant drawn, never a 0 that passes for one. Code 17 on quadratic data has exact
// loess values and gradients; the gradients of its gradient fields are estimated to the
// estimator's tolerance.
TEST(ScatteredEngine, OwnAndGradientLoessCodesHaveSecondDerivatives) {
  PointTable quadratic = Table(Scattered(300, 21, Quadratic));
  TNParm3D loess(quadratic, kNPLoessGradient, 2, 20, false);
  ASSERT_TRUE(loess.HasSurface());
  for (const auto& [x, y] : {std::pair{0.31L, 0.42L}, std::pair{0.57L, 0.66L}, std::pair{0.8L, 0.23L}}) {
    EXPECT_NEAR(static_cast<double>(loess.EvalDxx(x, y)), 1.6, 1e-3);
    EXPECT_NEAR(static_cast<double>(loess.EvalDyy(x, y)), 2.2, 1e-3);
    EXPECT_NEAR(static_cast<double>(loess.EvalDxy(x, y)), -0.6, 1e-3);
  }
  // The own interpolant's gradients are estimated: its curvature follows the data's.
  PointTable wavy = Table(Scattered(900, 22, Wavy));
  TNParm3D own(wavy, kNPOwnTriangulation, 1, 0, true);
  ASSERT_TRUE(own.HasSurface());
  double worst = 0;
  for (const auto& [x, y] : {std::pair{0.31L, 0.42L}, std::pair{0.57L, 0.66L}, std::pair{0.7L, 0.23L}}) {
    worst = std::max(worst, std::fabs(static_cast<double>(own.EvalDxx(x, y) + 9 * Wavy(x, y))));
    worst = std::max(worst, std::fabs(static_cast<double>(own.EvalDyy(x, y) + 4 * Wavy(x, y))));
    worst = std::max(worst, std::fabs(static_cast<double>(own.EvalDxy(x, y) + 6 * std::cos(3 * x) * std::sin(2 * y))));
  }
  EXPECT_LT(worst, 1.0);
  // The grids hold the same values.
  const std::vector<long double> xs = Axis(0.1L, 0.9L, 4), ys = Axis(0.2L, 0.8L, 3);
  for (TNParm3D* engine : {&loess, &own})
    for (int mode = kDerivXX; mode <= kDerivXY; ++mode) {
      const std::vector<long double> grid = engine->GridMode(4, 3, xs, ys, mode);
      ASSERT_EQ(grid.size(), 12u);
      for (const long double v : grid) EXPECT_NE(v, 0.0L);
      ASSERT_EQ(grid.size(), 12u);
      for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i)
          EXPECT_NEAR(static_cast<double>(grid[static_cast<std::size_t>(j * 4 + i)]),
                      static_cast<double>(engine->EvalMode(xs[i], ys[j], mode)), 1e-9);
    }
}

// The loess pass reports every point; stopped, SetMethod leaves the engine as it was (method,
// options and surface), and evaluations during the pass read the previous surface.
TEST(ScatteredEngine, AStoppedLoessSetupLeavesTheEngineAsItWas) {
  PointTable data = Table(Scattered(300, 23, Wavy));
  TNParm3D engine(data, kNPRenka2, 1, 9, false);
  ASSERT_TRUE(engine.HasSurface());
  const long double before = engine.EvalAt(0.4L, 0.6L), sse = engine.Sse();
  std::vector<int> seen;
  long double during = 0;
  engine.SetSetupProgress([&](int done, int total) {
    EXPECT_EQ(total, 300);
    seen.push_back(done);
    during = engine.EvalAt(0.4L, 0.6L);
    return done < 120;
  });
  EXPECT_FALSE(engine.SetMethod(kNPLoess, 2, 250));
  EXPECT_EQ(seen.size(), 121u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 120);
  EXPECT_EQ(during, before);
  EXPECT_EQ(engine.Method(), kNPRenka2);
  EXPECT_EQ(engine.Option1(), 1);
  EXPECT_EQ(engine.Option2(), 9);
  EXPECT_EQ(engine.EvalAt(0.4L, 0.6L), before);
  EXPECT_EQ(engine.Sse(), sse);
  // Let through, the pass reports every point and the end, and the smooth takes over.
  seen.clear();
  engine.SetSetupProgress([&](int done, int) {
    seen.push_back(done);
    return true;
  });
  EXPECT_TRUE(engine.SetMethod(kNPLoess, 2, 250));
  EXPECT_EQ(seen.size(), 301u);
  EXPECT_EQ(seen.back(), 300);
  EXPECT_EQ(engine.Method(), kNPLoess);
  EXPECT_EQ(engine.Option2(), 250);
  TNParm3D fresh(data, kNPLoess, 2, 250, false);
  EXPECT_EQ(engine.EvalAt(0.4L, 0.6L), fresh.EvalAt(0.4L, 0.6L));
  EXPECT_EQ(engine.Sse(), fresh.Sse());
}

}  // namespace

namespace {

// The SSE an interpolant shows: rounding noise of a surface through its data is 0 (it read
// 1.993e-27), a real sum of squares stays as it is, and so does the missing value.
TEST(ScatteredEngine, RoundingNoiseOfTheSseIsShownAsZero) {
  PointTable plane = Table(Scattered(120, 9, Plane, 1000, 50, -3, 0.02L));
  TNParm3D loess(plane, kNPLoessGradient, 1, 6, false);
  ASSERT_TRUE(loess.HasSurface());
  EXPECT_LT(loess.Sse(), 1e-15L);
  EXPECT_EQ(loess.ShownSse(), 0.0L);

  std::vector<TPoint> points = Scattered(40, 8, Plane);
  points.push_back({points[3].x, points[3].y, points[3].z + 0.5L});
  PointTable replicated = Table(points);
  TNParm3D exact(replicated, kNPOwnTriangulation, 1, 0, true);
  EXPECT_EQ(exact.ShownSse(), exact.Sse());
  EXPECT_GT(exact.ShownSse(), 0.1L);

  // Residuals of 1e-14 of data of size 10 are rounding; of 1e-11 they are not.
  EXPECT_EQ(RoundingNoiseAsZero(100 * 1e-28L, 100 * 100.0L), 0.0L);
  EXPECT_EQ(RoundingNoiseAsZero(100 * 1e-22L, 100 * 100.0L), 100 * 1e-22L);
  EXPECT_EQ(RoundingNoiseAsZero(ExprErrorValue, 1.0L), ExprErrorValue);
}

}  // namespace
