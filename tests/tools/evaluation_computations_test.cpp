// The evaluation table's kernel on surfaces whose roots, derivatives and volumes are known in
// closed form: the root search's brackets (sub-intervals, beyond the ends, decades), roots on
// bracket edges, callbacks preferred to difference quotients, failures, and the volume rule.
#include "tools/evaluation_computations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "app/long_double.h"
#include "app/xyz_point.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "fit/fit_evaluation.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/session.h"
#include "support/long_double_near.h"

namespace {

// A surface of x alone over the X range [lo, hi] (Y range [0, 1]).
TEvalSurface AlongX(TSurfaceFn f, long double lo, long double hi) {
  TEvalSurface s;
  s.z = std::move(f);
  s.xMin = lo, s.xMax = hi, s.yMin = 0, s.yMax = 1;
  return s;
}

std::vector<long double> Roots(const TRootCandidates& list) {
  std::vector<long double> roots;
  for (long double v : list)
    if (!IsMissingValue(v)) roots.push_back(v);
  return roots;
}

TEST(EvalComputations, ThreeSignChangesGiveThreeOrderedRoots) {
  const auto cubic = [](long double x, long double) { return (x - 1.013L) * (x - 2.5L) * (x - 3.97L); };
  const TEvalComputer c(AlongX(cubic, 0, 5));
  TRootCandidates list;
  c.RootSearchX(0, 0, 0, 5, list);
  const std::vector<long double> roots = Roots(list);
  ASSERT_EQ(roots.size(), 3u);
  EXPECT_LD_NEAR(roots[0], 1.013L, 1e-8L * 1.013L);
  EXPECT_LD_NEAR(roots[1], 2.5L, 1e-8L * 2.5L);
  EXPECT_LD_NEAR(roots[2], 3.97L, 1e-8L * 3.97L);
  // Roots in Y along the same curve.
  TEvalSurface inY;
  inY.z = [&](long double, long double y) { return cubic(y, 0); };
  inY.yMin = 0, inY.yMax = 5;
  TEvalComputer cy(inY);
  cy.RootSearchY(0, 7, 0, 5, list);
  EXPECT_EQ(Roots(list).size(), 3u);
  // Mode 1: the plain bisection over the whole range brackets a root (three sign changes)
  // and gives one of them.
  long double x = 0, y = 0, z = 0;
  c.Compute(x, y, z, kEvalRootX);
  const bool one = std::any_of(roots.begin(), roots.end(), [&](long double r) { return std::fabs(r - x) < 1e-7L; });
  EXPECT_TRUE(one) << static_cast<double>(x);
}

// A root found holds every digit the long double separates, not only the 1e-8 that decides
// it is found: the table shows 14 digits and files 17 (mpmath references, 30 digits). The
// plane's 10.5 lies beyond the X range [1, 6] and comes from the decade search.
TEST(EvalComputations, RootsFoundHoldTheirLastDigits) {
  const struct {
    TSurfaceFn f;
    long double lo, hi, z, y;
    long double root;
  } cases[] = {
      {[](long double x, long double y) { return std::exp(x) * y; }, 0, 3, 10, 2, 1.60943791243410037460075933323L},
      {[](long double x, long double y) { return x * x * x + y; }, -1, 4, 3, 1, 1.25992104989487316476721060728L},
      {[](long double x, long double y) { return 1 + 2 * x + 3 * y * y; }, 1, 6, 25, 1, 10.5L},
      {[](long double x, long double y) { return 7 - x * y; }, 0, 3, 6.5L, 0.25L, 2},  // decreasing
  };
  for (const auto& c : cases) {
    const TEvalComputer computer(AlongX(c.f, c.lo, c.hi));
    long double x = 0, y = c.y, z = c.z;
    computer.Compute(x, y, z, kEvalRootX);
    EXPECT_LD_NEAR(x, c.root, 4 * c.root * std::numeric_limits<long double>::epsilon()) << static_cast<double>(c.root);
    EXPECT_EQ(ExprThreadContext().ExprMathError, 0);
  }
}

TEST(EvalComputations, WholeDecadesAreScannedDecadeByDecade) {
  // 1 to 1000 spans three decades: fourteen decades from 1e-5 to 1e9 are searched, so a root
  // far below the range is found in the decade 1e-5 .. 1e-4, and 500 inside the range; the
  // one inside is listed first.
  const TEvalComputer c(AlongX([](long double x, long double) { return (x - 3e-5L) * (x - 500); }, 1, 1000));
  TRootCandidates list;
  c.RootSearchX(0, 0, 1, 1000, list);
  ASSERT_EQ(Roots(list).size(), 2u);
  EXPECT_LD_NEAR(Roots(list)[0], 500, 1e-5L);
  EXPECT_LD_NEAR(Roots(list)[1], 3e-5L, 1e-12L);
  // Not whole decades: the 100 sub-intervals and the brackets beyond the ends reach down to
  // 20 only, and hold only 500.
  const TEvalComputer linear(AlongX([](long double x, long double) { return (x - 3e-5L) * (x - 500); }, 100, 900));
  linear.RootSearchX(0, 0, 100, 900, list);
  ASSERT_EQ(Roots(list).size(), 1u);
  EXPECT_LD_NEAR(Roots(list)[0], 500, 1e-5L);
}

// Ranges of whole decades with two and more roots in one decade, and roots beside a pole in
// the decade: every root is listed once, to its last digits, and the X and Y root buttons
// and generation (mode 1 and 2) take the lowest inside the range. A decade searched as one
// bracket held two roots as no sign change at all: (x - 3)(x - 6) over 1 .. 10 at Z = 0,
// and 1/(x - 5.3) = 0.5 (root 7.3, pole 5.3), gave "Error". Roots and poles are the
// decade's d times the factors below; the roots of 1/(x - p) = z are p + 1/z.
struct TDecadeCase {
  int lowDecade, decades;      // the range 10^low .. 10^(low + decades)
  int rootDecade;              // d = 10^rootDecade, a decade inside the range
  std::vector<long double> factors;  // roots d x factor of the polynomial
  long double pole = 0;        // d x pole: the surface is 1/(x - d pole), searched at z
  long double poleRoot = 0;    // d x poleRoot is its root
};

long double PowerOfTen(int k) { return std::pow(10.0L, static_cast<long double>(k)); }

std::vector<TDecadeCase> DecadeCases() {
  const std::vector<std::vector<long double>> sets = {
      {3, 6}, {1.5L, 2.5L}, {4.4L, 9.1L}, {2.05L, 2.2L}, {1.3L, 5.2L, 8.7L}, {2, 3, 5, 7}};
  const std::vector<std::pair<long double, long double>> poles = {{5.3L, 7.3L}, {5.3L, 4.3L}, {2.5L, 9.5L}};
  std::vector<TDecadeCase> cases;
  for (int low : {-3, -1, 0, 2}) {
    for (int n = 1; n <= 4; ++n) {
      for (int k = low; k < low + n; ++k) {
        for (const auto& f : sets) cases.push_back({low, n, k, f});
        for (const auto& [p, r] : poles) cases.push_back({low, n, k, {}, p, r});
      }
      // Two roots a decade or more apart.
      if (n >= 2) cases.push_back({low, n, low, {3, 60}});
    }
  }
  return cases;
}

TEST(EvalComputations, EveryRootOfAWholeDecadeRangeIsFound) {
  int searched = 0;
  for (const TDecadeCase& c : DecadeCases()) {
    const long double lo = PowerOfTen(c.lowDecade), hi = PowerOfTen(c.lowDecade + c.decades);
    const long double d = PowerOfTen(c.rootDecade);
    std::vector<long double> expected;
    TSurfaceFn f;
    long double z = 0;
    if (c.factors.empty()) {
      const long double pole = d * c.pole;
      expected = {d * c.poleRoot};
      z = 1 / (expected[0] - pole);
      f = [pole](long double x, long double) { return 1 / (x - pole); };
    } else {
      for (long double r : c.factors) expected.push_back(d * r);
      f = [expected](long double x, long double) {
        long double p = 1;
        for (long double r : expected) p *= x - r;
        return p;
      };
    }
    const std::string where = "range 1e" + std::to_string(c.lowDecade) + " .. 1e" +
                              std::to_string(c.lowDecade + c.decades) + ", root " +
                              std::to_string(static_cast<double>(expected[0]));
    const auto check = [&](const std::vector<long double>& roots, const char* mode) {
      ASSERT_EQ(roots.size(), expected.size()) << where << " " << mode;
      std::vector<long double> sorted = roots;
      std::sort(sorted.begin(), sorted.end());
      for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_LD_NEAR(sorted[i], expected[i], 1e-15L * expected[i]) << where << " " << mode;
    };
    // Along X at Y = 2, and along Y at X = 2.
    const TEvalComputer inX(AlongX([&](long double x, long double y) { return f(x, y); }, lo, hi));
    TEvalSurface ys;
    ys.z = [&](long double x, long double y) { return f(y, x); };
    ys.xMin = 0, ys.xMax = 4, ys.yMin = lo, ys.yMax = hi;
    const TEvalComputer inY(ys);
    TRootCandidates list;
    inX.RootSearchX(z, 2, lo, hi, list);
    check(Roots(list), "X list");
    inY.RootSearchY(z, 2, lo, hi, list);
    check(Roots(list), "Y list");
    // The computation of the generated pairs: the lowest root when the whole range holds an
    // even number of sign changes, one of them otherwise.
    long double x = 0, y = 2, zz = z;
    inX.Compute(x, y, zz, kEvalRootX);
    const bool even = c.factors.empty() || expected.size() % 2 == 0;
    const auto anyRoot = [&](long double v) {
      return std::any_of(expected.begin(), expected.end(),
                         [&](long double r) { return std::fabs(v - r) <= 1e-15L * r; });
    };
    EXPECT_TRUE(anyRoot(x)) << where << " X: " << static_cast<double>(x);
    if (even) {
      EXPECT_LD_NEAR(x, expected[0], 1e-15L * expected[0]) << where;
    }
    x = 2, y = 0, zz = z;
    inY.Compute(x, y, zz, kEvalRootY);
    EXPECT_TRUE(anyRoot(y)) << where << " Y: " << static_cast<double>(y);
    ++searched;
  }
  EXPECT_EQ(searched, 372);
}

// The brief's surfaces as the view function compiles them: Z=(X-3)*(X-6)+0*Y and
// Z=1/(X-5.3)+0*Y over 1 .. 10 (and the fit of (x - 3)(x - 6) + y, whose value at Y = 2
// is 2 where (x - 3)(x - 6) is 0).
TEST(EvalComputations, ViewFunctionRootsInAOneDecadeRange) {
  ExprContext& ctx = ExprThreadContext();
  const auto surface = [&](const char* text) {
    EXPECT_EQ(ExprCompileViewFn(text, 5, 2), 1) << text;
    return TEvalComputer(AlongX([](long double x, long double y) { return ExprEvalViewFn(x, y); }, 1, 10));
  };
  TRootCandidates list;
  const auto threeAndSix = [&] {
    ASSERT_EQ(Roots(list).size(), 2u);
    EXPECT_LD_NEAR(Roots(list)[0], 3, 4e-19L);
    EXPECT_LD_NEAR(Roots(list)[1], 6, 8e-19L);
  };
  const TEvalComputer product = surface("Z=(X-3)*(X-6)+0*Y\r\n");
  product.RootSearchX(0, 2, 1, 10, list);
  threeAndSix();
  long double x = 0, y = 2, z = 0;
  product.Compute(x, y, z, kEvalRootX);
  EXPECT_LD_NEAR(x, 3, 4e-19L);
  const TEvalComputer fitted = surface("Z=(X-3)*(X-6)+Y\r\n");
  fitted.RootSearchX(2, 2, 1, 10, list);
  threeAndSix();
  const TEvalComputer pole = surface("Z=1/(X-5.3)+0*Y\r\n");
  for (const auto& [z, root] : {std::pair{0.5L, 7.3L}, std::pair{-1.0L, 4.3L}}) {
    pole.RootSearchX(z, 2, 1, 10, list);
    ASSERT_EQ(Roots(list).size(), 1u) << static_cast<double>(z);
    EXPECT_LD_NEAR(Roots(list)[0], root, 1e-15L * root);
  }
  // 1 .. 9.9 is no whole decade: the hundredths of the range alone find the same.
  TEvalSurface narrower;
  narrower.z = [](long double x, long double y) { return ExprEvalViewFn(x, y); };
  narrower.xMin = 1, narrower.xMax = 9.9L;
  TEvalComputer(narrower).RootSearchX(0.5L, 2, 1, 9.9L, list);
  ASSERT_EQ(Roots(list).size(), 1u);
  EXPECT_LD_NEAR(Roots(list)[0], 7.3L, 1e-15L * 7.3L);
  EXPECT_EQ(ctx.ExprMathError, 0);
}

TEST(EvalComputations, RootsUpToATenthOfTheRangeBeyondEitherEndAreFound) {
  struct Case {
    long double root;
    std::size_t entry;  // [lo-5s, lo] 100, [lo-10s, lo-5s] 101, [hi, hi+5s] 102, [hi+5s, hi+10s] 103
  };
  for (const Case& k : {Case{10.9L, 103}, Case{10.2L, 102}, Case{-0.3L, 100}, Case{-0.95L, 101}}) {
    const TEvalComputer c(AlongX([&](long double x, long double) { return x - k.root; }, 0, 10));
    TRootCandidates list;
    c.RootSearchX(0, 0, 0, 10, list);
    ASSERT_EQ(Roots(list).size(), 1u) << static_cast<double>(k.root);
    EXPECT_LD_NEAR(list[k.entry], k.root, 1e-7L);
    // The button's mode: the plain bisection finds nothing inside, the list's first does.
    long double x = 0, y = 0, z = 0;
    c.Compute(x, y, z, kEvalRootX);
    EXPECT_LD_NEAR(x, k.root, 1e-7L);
  }
  // Beyond a tenth nothing is found near the range; with nothing at all, the fourteen
  // decades around the upper end (7e-7 .. 7e7 for 2..7) are searched.
  const TEvalComputer far(AlongX([](long double x, long double) { return x - 5000; }, 2, 7));
  TRootCandidates list;
  far.RootSearchX(0, 0, 2, 7, list);
  ASSERT_EQ(Roots(list).size(), 1u);
  EXPECT_LD_NEAR(list[9], 5000, 1e-4L);  // the decade 700 .. 7000
}

TEST(EvalComputations, ARootOnABracketEdgeIsFoundOnce) {
  // The edge between sub-intervals 36 and 37 of [0, 1], computed as the search does.
  const long double s = (1.0L - 0) * 0.01L;
  const long double edge = 0 + 37 * s;
  const TEvalComputer c(AlongX([](long double x, long double) { return x; }, 0, 1));
  TRootCandidates list;
  c.RootSearchX(edge, 0, 0, 1, list);
  EXPECT_EQ(Roots(list), (std::vector<long double>{edge}));
  EXPECT_EQ(list[37], edge);
  // The range's own ends: the lower end belongs to sub-interval 0, the upper to [hi, hi+5s].
  c.RootSearchX(0, 0, 0, 1, list);
  EXPECT_EQ(Roots(list), (std::vector<long double>{0}));
  c.RootSearchX(1, 0, 0, 1, list);
  EXPECT_EQ(Roots(list), (std::vector<long double>{1}));
  EXPECT_EQ(list[102], 1);
  // A plain bisection takes either end of its bracket.
  EXPECT_EQ(c.BisectX(0.25L, 0, 0.25L, 0.5L), 0.25L);
  EXPECT_EQ(c.BisectX(0.5L, 0, 0.25L, 0.5L), 0.5L);
  EXPECT_TRUE(IsMissingValue(c.BisectX(0.5L, 0, 0.25L, 0.5L, BracketEdges::kLeft)));
  // No sign change, and a bracket where the surface fails: no root.
  EXPECT_TRUE(IsMissingValue(c.BisectX(2, 0, 0, 1)));
  const TEvalComputer failing(AlongX(
      [](long double x, long double) {
        if (x > 0.6L) ExprThreadContext().SetError(-5);
        return x;
      },
      0, 1));
  EXPECT_TRUE(IsMissingValue(failing.BisectX(0.3L, 0, 0, 1)));  // fails at the upper end
  EXPECT_EQ(ExprThreadContext().ExprMathError, -5);
  // Converged to 1e-8 of the bracket's midpoint.
  EXPECT_LD_NEAR(failing.BisectX(0.3L, 0, 0, 0.5L), 0.3L, 2.5e-9L);
}

// A sign change that is no root: at a pole F - Z changes sign without coming near 0, and at
// a jump without passing through it. Bisection converges on both; only a root is listed.
// √30 to 30 digits by mpmath.
TEST(EvalComputations, APoleOrAJumpIsNoRoot) {
  // 1/(x - 5.3) at Y = 2, Z = 0: no root; the pole at 5.3 was listed as one.
  const TEvalComputer pole(AlongX([](long double x, long double) { return 1 / (x - 5.3L); }, 0, 10));
  long double x = 0, y = 2, z = 0;
  pole.Compute(x, y, z, kEvalRootX);
  EXPECT_TRUE(IsMissingValue(x)) << static_cast<double>(x);
  TRootCandidates list;
  pole.RootSearchX(0, 2, 0, 10, list);
  EXPECT_TRUE(Roots(list).empty());
  EXPECT_TRUE(IsMissingValue(pole.BisectX(0, 2, 5, 6)));
  // Poles at 0.554 and 78.9 and the roots ±√30 of F = 0, each alone in its bracket (-√30 in
  // the one 5 to 10 hundredths of the range below it): the roots alone, to their digits.
  const auto rational = [](long double x, long double) { return (x * x - 30) / ((x - 0.554L) * (x - 78.9L)); };
  const TEvalComputer fit(AlongX(rational, 0, 100));
  fit.RootSearchX(0, 0, 0, 100, list);
  EXPECT_EQ(Roots(list), (std::vector<long double>{list[5], list[101]}));
  EXPECT_LD_NEAR(list[5], 5.47722557505166113456969782801L, 1e-17L);
  EXPECT_LD_NEAR(list[101], -5.47722557505166113456969782801L, 1e-17L);
  x = 0, y = 0, z = 0;
  fit.Compute(x, y, z, kEvalRootX);
  EXPECT_LD_NEAR(x, 5.47722557505166113456969782801L, 1e-17L);
  // Beside the poles the function is 1e12 and more where the search ended.
  EXPECT_TRUE(IsMissingValue(fit.BisectX(0, 0, 0, 1)));
  EXPECT_TRUE(IsMissingValue(fit.BisectX(0, 0, 78, 79)));
  // The same along Y.
  TEvalSurface inY;
  inY.z = [&](long double, long double t) { return rational(t, 0); };
  inY.xMin = 0, inY.xMax = 1, inY.yMin = 0, inY.yMax = 100;
  TEvalComputer(inY).RootSearchY(0, 0, 0, 100, list);
  EXPECT_EQ(Roots(list).size(), 2u);
  // A step from 0 to 1 never equals 0.5; a steep but continuous step does, at 3.
  const TEvalComputer step(AlongX([](long double x, long double) { return x < 3.2L ? 0.0L : 1.0L; }, 0, 10));
  step.RootSearchX(0.5L, 0, 0, 10, list);
  EXPECT_TRUE(Roots(list).empty());
  const TEvalComputer steep(AlongX([](long double x, long double) { return std::tanh(1e4L * (x - 3)); }, 0, 10));
  steep.RootSearchX(0, 0, 0, 10, list);
  ASSERT_EQ(Roots(list).size(), 1u);
  EXPECT_LD_NEAR(Roots(list)[0], 3, 1e-17L);
  // A pole beyond the range's end, in the brackets past it, is no root either; the decades
  // searched when nothing is found hold none.
  const TEvalComputer beyond(AlongX([](long double x, long double) { return 1 / (x - 10.3L); }, 0, 10));
  beyond.RootSearchX(0, 0, 0, 10, list);
  EXPECT_TRUE(Roots(list).empty());
}

// f = x³y with its derivatives in closed form at (2, 3).
long double Cubic(long double x, long double y) { return x * x * x * y; }

TEST(EvalComputations, DerivativesByDifferenceQuotientsAgreeWithTheClosedForm) {
  struct Case {
    int mode;
    long double expected;  // at (2, 3): 3x²y, x³, 6xy, 0, 3x²
    long double tolerance;
  };
  // Ranges of width 10 give steps of 1e-5; a zero-width range steps 1e-6 max(|v|, 1).
  for (const long double width : {10.0L, 0.0L}) {
    TEvalSurface s;
    s.z = Cubic;
    s.xMin = -5, s.xMax = -5 + width, s.yMin = 0, s.yMax = width;
    const TEvalComputer c(s);
    for (const Case& k : {Case{kEvalDzDx, 36, 1e-8L}, Case{kEvalDzDy, 8, 1e-8L}, Case{kEvalD2zDx2, 36, 1e-4L},
                          Case{kEvalD2zDy2, 0, 1e-4L}, Case{kEvalD2zDxDy, 12, 1e-5L}}) {
      long double x = 2, y = 3, z = 0;
      c.Compute(x, y, z, k.mode);
      EXPECT_LD_NEAR(z, k.expected, k.tolerance) << "mode " << k.mode << " width " << static_cast<double>(width);
      EXPECT_EQ(x, 2);
      EXPECT_EQ(y, 3);
    }
  }
}

TEST(EvalComputations, ACallbackIsUsedInsteadOfTheQuotientEvenWhenItFails) {
  int surfaceCalls = 0;
  TEvalSurface s;
  s.z = [&](long double x, long double y) {
    ++surfaceCalls;
    return Cubic(x, y);
  };
  s.dzdx = [](long double x, long double y) { return 3 * x * x * y; };
  s.d2zdxdy = [](long double, long double) { return ExprErrorValue; };
  s.d2zdy2 = [](long double, long double) {
    ExprThreadContext().SetError(-7);
    return 1.0L;
  };
  const TEvalComputer c(s);
  long double x = 2, y = 3, z = 0;
  c.Compute(x, y, z, kEvalDzDx);
  EXPECT_EQ(z, 36);  // exact: the analytic value, not a quotient
  c.Compute(x, y, z, kEvalD2zDxDy);
  EXPECT_TRUE(IsMissingValue(z));
  c.Compute(x, y, z, kEvalD2zDy2);
  EXPECT_TRUE(IsMissingValue(z));  // a math error fails a callback's value too
  EXPECT_EQ(surfaceCalls, 0);
  c.Compute(x, y, z, kEvalDzDy);  // no callback: the quotient of the surface
  EXPECT_EQ(surfaceCalls, 2);
  EXPECT_LD_NEAR(z, 8, 1e-8L);
  // A mode outside 0..7 changes nothing.
  x = 1, y = 2, z = 3;
  c.Compute(x, y, z, 8);
  EXPECT_EQ(x + y + z, 6);
}

TEST(EvalComputations, AFailingSurfaceGivesTheMissingValue) {
  TEvalSurface s;
  s.z = [](long double x, long double) {
    if (x < 0) ExprThreadContext().SetError(-3);
    return std::sqrt(std::fabs(x));
  };
  s.xMin = -1, s.xMax = 1;
  const TEvalComputer c(s);
  long double x = -0.5L, y = 0, z = 0;
  c.Compute(x, y, z, kEvalZ);
  EXPECT_TRUE(IsMissingValue(z));
  x = 0;  // the quotient reaches below 0
  c.Compute(x, y, z, kEvalDzDx);
  EXPECT_TRUE(IsMissingValue(z));
  x = 0.25L;
  c.Compute(x, y, z, kEvalZ);
  EXPECT_EQ(z, 0.5L);
  EXPECT_EQ(ExprThreadContext().ExprMathError, 0);  // cleared before each computation
  // No root at all: every bracket and the decades fail; mode 2 gives the missing value.
  x = 0.25L, y = 0, z = 7;
  s.yMin = 0, s.yMax = 1;
  c.Compute(x, y, z, kEvalRootY);
  EXPECT_TRUE(IsMissingValue(y));
}

TEST(EvalComputations, VolumeOfAKnownSurfaceAgreesWithTheClosedForm) {
  // ∫₀² ∫₁³ (x²y + sin(x)·eʸ) dy dx = (8/3)·4 + (1 - cos 2)(e³ - e).
  TEvalSurface s;
  s.z = [](long double x, long double y) { return x * x * y + std::sin(x) * std::exp(y); };
  const TEvalComputer c(s);
  const long double exact = 32.0L / 3 + (1 - std::cos(2.0L)) * (std::exp(3.0L) - std::exp(1.0L));
  const TVolumeResult v = c.Volume(0, 2, 1, 3);
  EXPECT_LD_NEAR(v.value, exact, 1e-10L * exact);
  EXPECT_TRUE(v.error >= 0 && v.error < 1e-8L) << static_cast<double>(v.error);
  // A surface without a value inside the rectangle has no volume.
  TEvalSurface hole = s;
  hole.z = [](long double x, long double y) { return std::fabs(x - 1.3L) < 0.3L ? ExprErrorValue : x + y; };
  EXPECT_TRUE(IsMissingValue(TEvalComputer(hole).Volume(0, 2, 1, 3).value));
  // The opener's own volume is used as it stands, its estimate too.
  TEvalSurface own = s;
  own.volume = [](long double x1, long double x2, long double y1, long double y2, long double& error) {
    error = 0.5L;
    return (x2 - x1) * (y2 - y1);
  };
  const TVolumeResult o = TEvalComputer(own).Volume(0, 2, 1, 3);
  EXPECT_EQ(o.value, 4);
  EXPECT_EQ(o.error, 0.5L);
}

// The volume of a surface with a narrow ridge or peak: the nested integral's outer points
// stepped over it and its sums agreed without it, its estimate the inner integrals' only.
// 1+5exp(-((x-6.37)/0.05)^2)+0.1y over [0,10]x[0,2] showed 22 [9.86e-20] for
// 22.8862269254528, 5exp(-((x-6.37)/0.01)^2-((y-3.71)/0.01)^2) over [0,10]^2 4.5e-69
// [1.2e-68] for 0.00157079632679. Each volume is right to 1e-8 or refused, and its
// estimate is never below its error; the references are closed forms in erf (mpmath at 30
// digits for the first two).
TEST(EvalComputations, VolumeOfANarrowRidgeOrPeakIsFoundOrRefused) {
  struct Shape {
    long double base, slopeY, a, cx, wx, cy, wy, x1, x2, y1, y2;
  };
  const auto along = [](long double c, long double w, long double lo, long double hi) {
    if (w == 0) return hi - lo;
    return w * std::sqrt(std::numbers::pi_v<long double>) / 2 * (std::erf((hi - c) / w) - std::erf((lo - c) / w));
  };
  const auto exact = [&](const Shape& p) {
    return p.base * (p.x2 - p.x1) * (p.y2 - p.y1) + p.slopeY * (p.y2 * p.y2 - p.y1 * p.y1) / 2 * (p.x2 - p.x1) +
           p.a * along(p.cx, p.wx, p.x1, p.x2) * along(p.cy, p.wy, p.y1, p.y2);
  };
  const auto surface = [](const Shape& p) {
    TEvalSurface s;
    s.z = [p](long double x, long double y) {
      long double e = 0;
      if (p.wx > 0) e += ((x - p.cx) / p.wx) * ((x - p.cx) / p.wx);
      if (p.wy > 0) e += ((y - p.cy) / p.wy) * ((y - p.cy) / p.wy);
      return p.base + p.slopeY * y + p.a * std::exp(-e);
    };
    return s;
  };
  constexpr long double kRidge = 22.8862269254527580136490837417L;
  constexpr long double kPeak = 0.00157079632679489661923132169164L;
  const Shape named[] = {{1, 0.1L, 5, 6.37L, 0.05L, 0, 0, 0, 10, 0, 2}, {0, 0, 5, 6.37L, 0.01L, 3.71L, 0.01L, 0, 10, 0, 10}};
  EXPECT_LD_NEAR(exact(named[0]), kRidge, 1e-17L * kRidge);
  EXPECT_LD_NEAR(exact(named[1]), kPeak, 1e-17L * kPeak);
  for (const Shape& p : named) {
    const TVolumeResult v = TEvalComputer(surface(p)).Volume(p.x1, p.x2, p.y1, p.y2);
    EXPECT_LD_NEAR(v.value, exact(p), 1e-8L * exact(p));
    EXPECT_TRUE(v.error >= 0 && v.error <= 1e-8L) << static_cast<double>(v.error);
  }
  int right = 0;
  for (const long double w : {0.03L, 0.1L, 0.3L}) {
    for (const long double c : {1.1L, 5.0L, 7.93L}) {
      for (const long double base : {0.0L, 2.0L}) {
        const Shape shapes[] = {{base, 0.05L, 3, c, w, 0, 0, 0, 10, -1, 1},
                                {base, 0, 3, 0, 0, c - 5, w, -1, 1, -5, 5},
                                {base, 0.05L, 3, c, w, 10 - c, w, 0, 10, 0, 10}};
        for (const Shape& p : shapes) {
          const TVolumeResult v = TEvalComputer(surface(p)).Volume(p.x1, p.x2, p.y1, p.y2);
          if (IsMissingValue(v.value)) continue;
          const long double truth = exact(p);
          const long double off = std::fabs(v.value - truth) / std::fabs(truth);
          EXPECT_TRUE(off <= 1e-8L && v.error <= 1e-8L)
              << "shape " << (&p - shapes) << " w " << static_cast<double>(w) << " c " << static_cast<double>(c) << " base "
              << static_cast<double>(base) << ": off " << static_cast<double>(off) << " estimate "
              << static_cast<double>(v.error);
          ++right;
        }
      }
    }
  }
  EXPECT_GE(right, 48);
}

// A table opened on a fit under review takes the fit's volume as the review does: a fit of
// GAUSSX(a,b,c)+GAUSSY(d,e,f)+GAUSSX(g,b,c)*GAUSSY(1,e,f) with a peak 0.035 wide at x = 6.37
// among clustered data has its peak's share in the volume over any rectangle, where the
// nested integrals of the whole rectangle, their estimate below 1e-8, left it out
// (21.9875 for 22.8737 over the data rectangle). Closed forms in erf.
TEST(EvalComputations, VolumeOfAFitUnderReviewHoldsItsNarrowPeak) {
  TSession session;
  PointTable table = NewPointTable(246);
  std::size_t i = 1;
  for (int k = 0; k <= 40; ++k) {
    for (const long double x : {0.25L * k, 6.17L + 0.01L * k}) {
      for (int y = 0; y <= 2; ++y, ++i) {
        table[i].X = x;
        table[i].Y = y;
        table[i].Z = 1;
        table[i].W = 1;
        table[i].Status = kPointActive;
      }
    }
  }
  ASSERT_TRUE(session.Table.ReplaceDataTable(table));
  session.Table.SetXYZRows(246);
  const long double a[] = {4.99765485616681104679L, 6.36998021929634964094L, -0.0353470894940448451107L,
                           1.66538114838259518086L, 10.0540678062089151538L, 9.93786221143211101307L,
                           0.00484982671783846744607L};
  TFitEqn& e = session.CurFit.eqn;
  e.kind = kKindNonlinear;
  e.equationNumber = 2011;
  e.m = 6;
  std::copy(std::begin(a), std::end(a), e.parameters.begin());
  e.shapeEvaluator = BuiltinNonlinearEntry(NonlinearIndexOfEquation(2011)).evaluator;
  TEvalSurface s;
  s.z = [&session](long double x, long double y) { return EvalFitZ(session.CurFit, x, y); };
  s.volume = CurrentFitVolume(session);
  const TEvalComputer c(s);
  // The integral of e^(-((t - b)/w)^2/2) over [lo, hi].
  const auto gauss = [](long double b, long double w, long double lo, long double hi) {
    const long double r = std::fabs(w) * std::sqrt(2.0L);
    return std::fabs(w) * std::sqrt(std::acos(-1.0L) / 2) * (std::erf((hi - b) / r) - std::erf((lo - b) / r));
  };
  for (const auto& [x0, x1, y0, y1] : {std::array{0.0L, 10.0L, 0.0L, 2.0L}, std::array{5.0L, 8.0L, 0.5L, 1.5L},
                                      std::array{6.3L, 6.36L, 0.0L, 2.0L}}) {
    const long double gx = gauss(a[1], a[2], x0, x1), gy = gauss(a[4], a[5], y0, y1);
    const long double exact = a[0] * gx * (y1 - y0) + a[3] * gy * (x1 - x0) + a[6] * gx * gy;
    const TVolumeResult v = c.Volume(x0, x1, y0, y1);
    EXPECT_LD_NEAR(v.value, exact, 1e-8L * exact) << static_cast<double>(x0) << " " << static_cast<double>(x1);
  }
}

}  // namespace
