// The extension library: which names are opened, the sample library's methods against SciPy
// and their derivatives, its test problems, and a hostile library held within bounds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "app/long_double.h"
#include "app/program_files.h"
#include "app/shell_state.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/extension_library.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::ScaledError;
using smooth_test::Table;
using smooth_test::TPoint;

// The extension library named for the life of the object.
class ScopedExtensionName {
 public:
  explicit ScopedExtensionName(std::string name) { NPDllName = std::move(name); }
  ~ScopedExtensionName() { NPDllName.clear(); }
  ScopedExtensionName(const ScopedExtensionName&) = delete;
  ScopedExtensionName& operator=(const ScopedExtensionName&) = delete;
};

// A reference to the named library for the life of the object (the test command's guard).
class ScopedExtension {
 public:
  ScopedExtension() : loaded_(LoadNPExtension(true) != 0) {}
  ~ScopedExtension() {
    if (loaded_) (void)LoadNPExtension(false);  // giving back always succeeds
  }
  ScopedExtension(const ScopedExtension&) = delete;
  ScopedExtension& operator=(const ScopedExtension&) = delete;
  bool Loaded() const { return loaded_; }

 private:
  bool loaded_;
};

// 30 points of the unit square with extremes 0 and 1, and SciPy's RBFInterpolator
// (thin_plate_spline) at six queries (tests/smooth/reference/thin_plate_references.py).
const std::vector<TPoint> kThinPlatePoints = {
    {0, 0, 0}, {1, 0, 0}, {0, 1, 0.14112000805986721L}, {1, 1, 1.3836039535411311L},
    {0.5L, 0.33333333333333331L, 1.5540177779964301L},
    {0.25L, 0.66666666666666663L, 1.3342276740396037L},
    {0.75L, 0.1111111111111111L, 0.77600451188636665L},
    {0.125L, 0.44444444444444442L, 1.156905484962411L},
    {0.625L, 0.77777777777777768L, 1.8370133865450504L},
    {0.375L, 0.22222222222222221L, 0.98305608785894849L},
    {0.875L, 0.55555555555555558L, 2.873970668380065L},
    {0.0625L, 0.88888888888888884L, 0.54231973282419255L},
    {0.5625L, 0.037037037037037035L, 0.21543840687572507L},
    {0.3125L, 0.37037037037037035L, 1.3406902436925392L},
    {0.8125L, 0.70370370370370372L, 2.5042707977932435L},
    {0.1875L, 0.14814814814814814L, 0.54640414939672388L},
    {0.6875L, 0.48148148148148145L, 2.3039022006632721L},
    {0.4375L, 0.81481481481481466L, 1.3508830395163707L},
    {0.9375L, 0.25925925925925924L, 2.0349038548290035L},
    {0.03125L, 0.59259259259259256L, 1.0282400898125361L},
    {0.53125L, 0.92592592592592582L, 1.0972057659252068L},
    {0.28125L, 0.07407407407407407L, 0.3128129047222386L},
    {0.78125L, 0.40740740740740738L, 2.3711315272350468L},
    {0.15625L, 0.7407407407407407L, 1.0454471781703525L},
    {0.65625L, 0.18518518518518517L, 1.1381475420476264L},
    {0.40625L, 0.51851851851851849L, 1.7116516039017278L},
    {0.90625L, 0.85185185185185175L, 2.1408366098243352L},
    {0.09375L, 0.29629629629629628L, 0.88045552229452995L},
    {0.59375L, 0.62962962962962965L, 2.0937692435465531L},
    {0.34375L, 0.96296296296296291L, 0.68360712817351232L},
};
const std::vector<TPoint> kThinPlateQueries = {
    {0.13L, 0.70999999999999996L, 1.0595775702856582L}, {0.5L, 0.5L, 1.8903772167045623L},
    {0.87L, 0.22L, 1.6963463990490029L},
    {0.31L, 0.050000000000000003L, 0.2246042538535678L},
    {0.98999999999999999L, 0.93000000000000005L, 1.738428758334738L},
    {0.62L, 0.38L, 1.9185277651673605L},
};

TEST(ExtensionLibrary, OnlyPlainNamesInTheProgramDirectoryAreOpened) {
  EXPECT_FALSE(ExtensionLibraryPath(""));
  EXPECT_FALSE(ExtensionLibraryPath(".hidden.DLL"));
  EXPECT_FALSE(ExtensionLibraryPath("../npsample.DLL"));
  EXPECT_FALSE(ExtensionLibraryPath("sub/npsample.DLL"));
  EXPECT_FALSE(ExtensionLibraryPath("/usr/lib/libm.so.DLL"));
  EXPECT_FALSE(ExtensionLibraryPath(".DLL"));
  EXPECT_EQ(ExtensionLibraryPath("npsample.DLL"), ProgramFile("npsample.so"));
  EXPECT_EQ(ExtensionLibraryPath("npsample"), ProgramFile("npsample.so"));
  EXPECT_EQ(ExtensionLibraryPath("npsample.so.DLL"), ProgramFile("npsample.so"));
  EXPECT_EQ(ExtensionLibraryPath("Other.dll"), ProgramFile("Other.so"));
}

TEST(ExtensionLibrary, WithoutALibraryThereAreNoMethodsAndEmptyRanges) {
  PointTable data = Table(smooth_test::Scattered(20, 3, [](long double x, long double) { return x; }));
  for (const char* name : {"", "nosuch.DLL", ".npsample.DLL"}) {
    ScopedExtensionName named(name);
    TNParm3D engine(data, kNPExtensionFirst, 3, 3, false);
    EXPECT_FALSE(NPExtensionLoaded()) << name;
    EXPECT_EQ(engine.ExtMethodCount(), 0) << name;
    EXPECT_FALSE(engine.HasSurface()) << name;
    for (int code = kNPExtensionFirst; code <= kNPExtensionLast; ++code) {
      EXPECT_EQ(engine.Option1Min(code), 0);
      EXPECT_EQ(engine.Option1Max(code), 0);
      EXPECT_EQ(engine.Option2Min(code), 0);
      EXPECT_EQ(engine.Option2Max(code), 0);
    }
  }
}

TEST(ExtensionLibrary, SampleLibraryOffersTwoMethodsWhileAnEngineHoldsIt) {
  ScopedExtensionName named("npsample.DLL");
  PointTable data = Table(kThinPlatePoints);
  {
    TNParm3D engine(data, kNPExtensionFirst + 1, 5, 4, false);
    EXPECT_TRUE(NPExtensionLoaded());
    EXPECT_EQ(engine.ExtMethodCount(), 2);
    EXPECT_EQ(engine.Option1Min(), 1);
    EXPECT_EQ(engine.Option1Max(), 8);
    EXPECT_EQ(engine.Option1(), 5);
    EXPECT_EQ(engine.Option2(), 0);
    EXPECT_TRUE(engine.HasSurface());
    // Method 3 is not offered: no options and no surface.
    engine.SetMethod(kNPExtensionFirst + 2, 1, 1);
    EXPECT_EQ(engine.Option1Max(), 0);
    EXPECT_FALSE(engine.HasSurface());
  }
  EXPECT_FALSE(NPExtensionLoaded());
}

TEST(ExtensionLibrary, ThinPlateMethodEqualsSciPy) {
  ScopedExtensionName named("npsample.DLL");
  PointTable data = Table(kThinPlatePoints);
  TNParm3D engine(data, kNPExtensionFirst, 0, 0, false);
  ASSERT_TRUE(engine.HasSurface());
  for (const TPoint& q : kThinPlateQueries)
    EXPECT_LT(std::fabs(engine.EvalAt(q.x, q.y) - q.z), 1e-9L) << q.x << "," << q.y;
  // An interpolant: statistics computed at the points find no residual.
  EXPECT_LT(engine.Sse(), 1e-20L);
  const std::vector<long double> axis = {0.1L, 0.5L, 0.9L};
  const std::vector<long double> grid = engine.EvalGrid(3, 3, axis, axis);
  ASSERT_EQ(grid.size(), 9u);
  EXPECT_EQ(grid[5], engine.EvalAt(0.9L, 0.5L));
}

TEST(ExtensionLibrary, SampleMethodDerivativesAgreeWithDifferences) {
  ScopedExtensionName named("npsample.DLL");
  // Wider ranges than the unit square: the engine divides by them.
  std::vector<TPoint> points;
  for (const TPoint& p : kThinPlatePoints) points.push_back({10 * p.x - 3, 0.5L * p.y, p.z});
  PointTable data = Table(points);
  for (int code : {8, 9}) {  // thin plate, inverse distance
    TNParm3D engine(data, code, 3, 0, false);
    ASSERT_TRUE(engine.HasSurface());
    const long double x = 1.7L, y = 0.21L, h = 1e-4L, k = 5e-6L;
    auto f = [&](long double px, long double py) { return engine.EvalAt(px, py); };
    const long double fx = (f(x + h, y) - f(x - h, y)) / (2 * h);
    const long double fy = (f(x, y + k) - f(x, y - k)) / (2 * k);
    EXPECT_LT(ScaledError(engine.EvalDx(x, y), fx), 1e-6L) << code;
    EXPECT_LT(ScaledError(engine.EvalDy(x, y), fy), 1e-6L) << code;
    const long double fxx = (engine.EvalDx(x + h, y) - engine.EvalDx(x - h, y)) / (2 * h);
    const long double fyy = (engine.EvalDy(x, y + k) - engine.EvalDy(x, y - k)) / (2 * k);
    const long double fxy = (engine.EvalDx(x, y + k) - engine.EvalDx(x, y - k)) / (2 * k);
    EXPECT_LT(ScaledError(engine.EvalDxx(x, y), fxx), 1e-5L) << code;
    EXPECT_LT(ScaledError(engine.EvalDyy(x, y), fyy), 1e-5L) << code;
    EXPECT_LT(ScaledError(engine.EvalDxy(x, y), fxy), 1e-5L) << code;
    // Both interpolate their nodes.
    const TXYZPoint& p = data[7];
    EXPECT_LT(std::fabs(engine.EvalAt(p.X, p.Y) - p.Z), 1e-12L) << code;
  }
}

TEST(ExtensionLibrary, SampleTestFunctionsCarryExactFirstDerivatives) {
  ScopedExtensionName named("npsample.DLL");
  ScopedExtension library;
  ASSERT_TRUE(library.Loaded());
  const TNPExtension& lib = NPExtension();
  const double h = 1e-6;
  for (int function = 1; function <= 10; ++function)
    for (const auto& [x, y] : {std::pair{0.23, 0.61}, std::pair{0.77, 0.35}, std::pair{0.5, 0.12}}) {
      double f = 0, fx = 0, fy = 0, a = 0, b = 0, unused = 0;
      lib.fn(function, x, y, 1, &f, &fx, &fy);
      lib.fn(function, x + h, y, 0, &a, &unused, &unused);
      lib.fn(function, x - h, y, 0, &b, &unused, &unused);
      EXPECT_NEAR(fx, (a - b) / (2 * h), 1e-6 * std::max(1.0, std::fabs(fx))) << function;
      lib.fn(function, x, y + h, 0, &a, &unused, &unused);
      lib.fn(function, x, y - h, 0, &b, &unused, &unused);
      EXPECT_NEAR(fy, (a - b) / (2 * h), 1e-6 * std::max(1.0, std::fabs(fy))) << function;
    }
  // Franke's function at (0.5, 0.5), and the cliff's centre line.
  double f = 0, unused = 0;
  lib.fn(1, 0.5, 0.5, 0, &f, &unused, &unused);
  EXPECT_NEAR(f, 0.75 * std::exp(-12.5 / 4) + 0.75 * std::exp(-30.25 / 49 - 0.55) +
                     0.5 * std::exp(-8.5 / 4) - 0.2 * std::exp(-0.25 - 6.25),
              1e-15);
  lib.fn(2, 0.3, 0.3, 0, &f, &unused, &unused);
  EXPECT_DOUBLE_EQ(f, 1.0 / 9.0);
}

TEST(ExtensionLibrary, SampleTestProblemsReachTheTestCommandsOperations) {
  ScopedExtensionName named("npsample.DLL");
  ScopedExtension library;
  ASSERT_TRUE(library.Loaded());
  const std::array<int, 6> counts = {0, 100, 33, 25, 100, 81};
  for (int set = 1; set <= 5; ++set) {
    const PointTable table = NPExtTestData(set, 7, 1);
    ASSERT_EQ(PointCount(table), counts[static_cast<std::size_t>(set)]) << set;
    for (int i = 1; i <= PointCount(table); ++i) {
      const TXYZPoint& p = table[static_cast<std::size_t>(i)];
      EXPECT_GE(p.X, 0.0L);
      EXPECT_LE(p.X, 1.0L);
      EXPECT_EQ(p.W, 1.0L);
      EXPECT_EQ(p.Status, kPointActive);
      // z is function 7's x derivative.
      const long double x = p.X, y = p.Y;
      EXPECT_LT(std::fabs(p.Z - (-20 * std::sin(10 * x) * std::sin(10 * y) + 10 * y * std::cos(10 * x * y))),
                1e-12L);
    }
  }
  EXPECT_EQ(PointCount(NPExtTestData(6, 1, 0)), 0);

  long double sst = -1;
  const std::vector<long double> grid = NPExtTestGrid(4, 0, sst);
  ASSERT_EQ(grid.size(), 1089u);
  EXPECT_EQ(grid[33 * 16 + 16], static_cast<long double>(1.0 / 3.0));  // gentle at (0.5, 0.5)
  EXPECT_GT(sst, 0.0L);

  TNPTestItems items{};
  EXPECT_EQ(NPExtTestInfo(100, items), 2);
  EXPECT_EQ(items[0][1], 2);  // inverse distance: default power 2
  EXPECT_EQ(items[1][1], 1);
  EXPECT_EQ(items[2][1], 4);
  EXPECT_EQ(items[3][1], 1);
  EXPECT_EQ(items[0][0], 0);
}

TEST(ExtensionLibrary, HostileLibraryIsHeldWithinBounds) {
  ScopedExtensionName named("nphostile.DLL");
  PointTable data = Table(kThinPlatePoints);
  TNParm3D engine(data, kNPExtensionFirst, 4, 4, false);
  EXPECT_EQ(engine.ExtMethodCount(), kNPMaxExtensionMethods);
  // Inverted ranges collapse to their lower end.
  EXPECT_EQ(engine.Option1Min(), 9);
  EXPECT_EQ(engine.Option1Max(), 9);
  EXPECT_EQ(engine.Option2Max(), 5);
  EXPECT_EQ(engine.Option1(), 9);
  // Method 1 asks for 2^31 - 1 integers: refused.
  EXPECT_FALSE(engine.HasSurface());
  // Method 2 asks for no work at all: it gets one entry of each.
  EXPECT_EQ(engine.ExtInfo(kNPExtensionFirst + 1, 5), 1);
  EXPECT_EQ(engine.ExtInfo(kNPExtensionFirst + 1, 6), 1);
  engine.SetMethod(kNPExtensionFirst + 1, 0, 0);
  ASSERT_TRUE(engine.HasSurface());
  // Results that are not numbers are failed points.
  EXPECT_TRUE(IsMissingValue(engine.EvalAt(0.2L, 0.5L)));
  EXPECT_EQ(engine.EvalAt(0.8L, 0.5L), 1.0L);
  EXPECT_TRUE(IsMissingValue(engine.EvalDx(0.8L, 0.5L)));
  EXPECT_TRUE(IsMissingValue(engine.Sse()));
  const std::vector<long double> axis = {0.2L, 0.8L};
  const std::vector<long double> grid = engine.EvalGrid(2, 2, axis, axis);
  ASSERT_EQ(grid.size(), 4u);
  EXPECT_TRUE(IsMissingValue(grid[0]));
  EXPECT_EQ(grid[1], 1.0L);

  ScopedExtension library;
  EXPECT_EQ(PointCount(NPExtTestData(1, 1, 0)), 100);
  EXPECT_EQ(PointCount(NPExtTestData(2, 1, 0)), 0);
  long double sst = -1;
  const std::vector<long double> constant = NPExtTestGrid(1, 0, sst);
  ASSERT_EQ(constant.size(), 1089u);
  EXPECT_EQ(sst, 0.0L);
  TNPTestItems items{};
  EXPECT_EQ(NPExtTestInfo(100, items), kNPMaxExtensionMethods);
  EXPECT_EQ(items[0][7], 8);
}

}  // namespace
