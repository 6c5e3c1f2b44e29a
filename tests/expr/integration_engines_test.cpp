// The integration engines called directly with integrands of their own, as the volume
// computations call them: closed-form integrals over finite, infinite and wide ranges,
// the failure codes, the mended faults and hostile arguments.
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <utility>

#include "expr/integration.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"
#include "expr_test_support.h"

namespace {

using Engine = long double (*)(ExprContext&, TIntegRecord&, TIntegrand, long double, long double, long double);

struct NamedEngine {
  const char* name;
  Engine engine;
  long double accuracy;  // relative error reached at tol 1e-10 on the smooth cases
};

const NamedEngine kEngines[] = {{"Gauss", IntegrateGauss, 1e-15L},         {"Romberg", IntegrateRomberg, 1e-9L},
                                 {"RungeKutta", IntegrateOdeRK, 1e-8L},       {"BulirschStoer", IntegrateOdeBS, 1e-12L},
                                 {"Auto", IntegrateAuto, 1e-15L}};

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kPi = std::numbers::pi_v<long double>;

struct ClosedForm {
  const char* what;
  std::function<long double(long double)> f;
  long double a, b, value;
};

// Closed forms: x^2 -> 1/3; e^-x -> 1; 1/x^2 -> 1; e^x on (-inf, 0] -> 1; e^(-x^2) ->
// sqrt(pi); cos on [0, pi/2] -> 1; 1/(1 + x^2) over [-10, 10] -> 2 atan 10.
const ClosedForm kCases[] = {
    {"x^2 on [0,1]", [](long double x) { return x * x; }, 0, 1, 1.0L / 3},
    {"e^-x on [0,inf)", [](long double x) { return std::exp(-x); }, 0, kInf, 1},
    {"1/x^2 on [1,inf)", [](long double x) { return 1 / (x * x); }, 1, kInf, 1},
    {"e^x on (-inf,0]", [](long double x) { return std::exp(x); }, -kInf, 0, 1},
    {"e^-x^2 on R", [](long double x) { return std::exp(-x * x); }, -kInf, kInf, std::sqrt(kPi)},
    {"cos on [0,pi/2]", [](long double x) { return std::cos(x); }, 0, kPi / 2, 1},
    {"1/(1+x^2) on [-10,10]", [](long double x) { return 1 / (1 + x * x); }, -10, 10, 2 * std::atan(10.0L)},
};

class IntegrationEngineTest : public ExprTest {
 protected:
  // The failure flag of a record and the math-error code of this thread's context.
  static void ExpectOutcome(const TIntegRecord& rec, int failed, int code, const std::string& what = {}) {
    ExpectResult(rec.IntegFailed, failed, code, 0, what);
  }
};

TEST_F(IntegrationEngineTest, EveryEngineReachesTheClosedForms) {
  for (const NamedEngine& e : kEngines) {
    for (const ClosedForm& c : kCases) {
      ExprContext& ctx = Ctx();
      ctx.ClearErrors();
      TIntegRecord rec;
      const std::string what = std::string(e.name) + ": " + c.what;
      EXPECT_LD_NEAR(e.engine(ctx, rec, c.f, c.a, c.b, 1e-10L), c.value, e.accuracy * std::fabs(c.value)) << what;
      ExpectOutcome(rec, 0, 0, what);
      EXPECT_EQ(rec.IntegTolerance, 1e-10L) << e.name;
      EXPECT_GE(rec.IntegErrorEstimate, 0) << e.name << ": " << c.what;
    }
  }
}

TEST_F(IntegrationEngineTest, InfiniteLimitIsNeverEvaluated) {
  // The tails' ends at u = 0 are taken next to 0: no engine evaluates f at an infinite x.
  // Simpson evaluates the ends of its pieces, so it integrates infinite ranges too.
  for (const NamedEngine& e : kEngines) {
    for (const auto& [a, b] : {std::pair{0.0L, kInf}, std::pair{-kInf, 1.0L}, std::pair{-kInf, kInf}}) {
      int atInfinity = 0;
      const auto f = [&](long double x) { return atInfinity += std::isinf(x), 1 / (1 + x * x); };
      TIntegRecord rec;
      const long double expected = std::atan(b) - std::atan(a);
      EXPECT_LD_NEAR(e.engine(Ctx(), rec, f, a, b, 1e-10L), expected, e.accuracy * 10) << e.name << " " << a;
      ExpectResult(IntegrateSimpson(Ctx(), rec, f, a, b, 1e-12L), expected, 0, 1e-9L, e.name);
      EXPECT_EQ(atInfinity, 0) << e.name << " " << a;
    }
  }
}

// The differential-equation engines start or end a tail at u = 0, where the slope
// f(1/u)/u^2 is taken next to 0. They once measured their step error against that value
// when it had not settled, and reported as converged 6.4e36 for 1 over (-inf, 2] and
// 1.5e48 over [0, inf) (both divergent), 1.5e18 for 1/x over [1, inf), and 1462 for
// x^-1.5 over [1, inf) (whose integral is 2). A tail whose slope grows more than the
// engine can bear fails with -100; x^-1.9 by Bulirsch-Stoer and x^-1.95 by Runge-Kutta
// still reach their closed forms 1/(p - 1) to the tolerance, over either tail (the lower
// one once ended at u = 0, 1.5e-8 off at tolerance 1e-8 for x^-1.9).
TEST_F(IntegrationEngineTest, DifferentialEquationEnginesRefuseATailThatHasNotSettled) {
  struct Case {
    const char* what;
    Engine engine;
    std::function<long double(long double)> f;
    long double a, b;
    long double value;  // 0: the engine must fail (a direct piece may still add its part)
  };
  const auto power = [](long double p) { return [p](long double x) { return std::pow(std::fabs(x), -p); }; };
  const Case cases[] = {
      {"BS 1 on (-inf,2]", IntegrateOdeBS, [](long double) { return 1.0L; }, -kInf, 2, 0},
      {"RK 1 on [0,inf)", IntegrateOdeRK, [](long double) { return 1.0L; }, 0, kInf, 0},
      {"BS x on [0,inf)", IntegrateOdeBS, [](long double x) { return x; }, 0, kInf, 0},
      {"BS 1/x on [1,inf)", IntegrateOdeBS, power(1), 1, kInf, 0},
      {"RK 1/x on [1,inf)", IntegrateOdeRK, power(1), 1, kInf, 0},
      {"BS x^-1.5 on [1,inf)", IntegrateOdeBS, power(1.5L), 1, kInf, 0},
      {"BS x^-1.85 on [1,inf)", IntegrateOdeBS, power(1.85L), 1, kInf, 0},
      {"RK x^-1.9 on [1,inf)", IntegrateOdeRK, power(1.9L), 1, kInf, 0},
      {"BS x^-1.9 on [1,inf)", IntegrateOdeBS, power(1.9L), 1, kInf, 1 / 0.9L},
      {"BS x^-1.9 on (-inf,-1]", IntegrateOdeBS, power(1.9L), -kInf, -1, 1 / 0.9L},
      {"RK x^-1.95 on [1,inf)", IntegrateOdeRK, power(1.95L), 1, kInf, 1 / 0.95L},
      {"RK x^-1.95 on (-inf,-1]", IntegrateOdeRK, power(1.95L), -kInf, -1, 1 / 0.95L},
  };
  for (const Case& c : cases) {
    ExprContext& ctx = Ctx();
    ctx.ClearErrors();
    TIntegRecord rec;
    const long double r = c.engine(ctx, rec, c.f, c.a, c.b, 1e-8L);
    if (c.value == 0) {
      ExpectOutcome(rec, 1, kErrIntegralConvergence, c.what);
    } else {
      EXPECT_LD_NEAR(r, c.value, 1e-8L * c.value) << c.what;
      ExpectOutcome(rec, 0, 0, c.what);
    }
  }
}

// A value that fails (a code raised) or is not a number counts as slope 0 for the step,
// but the piece it lies in fails: the steps once ran on through such values to a result
// made up of zeros. And a step may not be measured against a scale far above the result:
// x^-2.5 from 1e-250, a slope of 1e625 where it starts, once passed with 1.5e613 for
// (2/3) 1e375.
TEST_F(IntegrationEngineTest, DifferentialEquationEnginesFailThroughAFailedValue) {
  const auto failsInside = [](long double x) {
    if (x > 0.4L && x < 0.6L) ExprSetError(kErrExpOverflow);
    return x;
  };
  const auto infinite = [](long double x) { return x > 0.5L ? std::numeric_limits<long double>::infinity() : x; };
  const auto steep = [](long double u) { return std::pow(u, -2.5L); };
  for (Engine engine : {IntegrateOdeBS, IntegrateOdeRK}) {
    ExprContext& ctx = Ctx();
    TIntegRecord rec;
    ctx.ClearErrors();
    EXPECT_EQ(engine(ctx, rec, failsInside, 0, 1, 1e-8L), 0);
    ExpectOutcome(rec, 1, kErrIntegralConvergence, "failing inside");
    ctx.ClearErrors();
    (void)engine(ctx, rec, infinite, 0, 1, 1e-8L);
    ExpectOutcome(rec, 1, kErrIntegralConvergence, "infinite");
    ctx.ClearErrors();
    EXPECT_EQ(engine(ctx, rec, steep, 1e-250L, 1, 1e-8L), 0);
    ExpectOutcome(rec, 1, kErrIntegralConvergence, "steep start");
    ctx.ClearErrors();
    EXPECT_LD_NEAR(engine(ctx, rec, [](long double x) { return x * x; }, 0, 1, 1e-8L), 1.0L / 3, 1e-8L / 3);
    ExpectOutcome(rec, 0, 0, "x^2");
  }
}

// Sums of exactly 0 stand only for values that cancel, on a half that has an integral:
// EXP(-x) underflows at every Gauss point up to order 64 over [0, 1e6], and is not 0
// (the retry through x = 1/u finds 1); x^3 over [-1, 1] cancels and [0, 1] converges;
// 1/x and TAN cancel over [-1, 1] and [-2, 2], and their halves diverge. A line that is
// 0 everywhere, ends included, integrates to 0.
TEST_F(IntegrationEngineTest, ZeroSumsStandOnlyForValuesThatCancel) {
  struct Case {
    const char* what;
    Engine engine;
    long double (*f)(long double);
    long double a, b;
    int failed;
    long double value;
  };
  const Case cases[] = {
      {"Gauss e^-x [0,1e6]", IntegrateGauss, [](long double x) { return std::exp(-x); }, 0, 1e6L, 0, 1},
      {"Gauss x^3 [-1,1]", IntegrateGauss, [](long double x) { return x * x * x; }, -1, 1, 0, 0},
      {"Gauss 1/x [-1,1]", IntegrateGauss, [](long double x) { return 1 / x; }, -1, 1, 1, 0},
      {"Gauss 0 [0,1]", IntegrateGauss, [](long double) { return 0.0L; }, 0, 1, 0, 0},
      {"Romberg tan [-2,2]", IntegrateRomberg, [](long double x) { return std::tan(x); }, -2, 2, 1, 0},
      {"Romberg x^3 [-1,1]", IntegrateRomberg, [](long double x) { return x * x * x; }, -1, 1, 0, 0},
      {"Romberg 0 [0,1]", IntegrateRomberg, [](long double) { return 0.0L; }, 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    ExprContext& ctx = Ctx();
    ctx.ClearErrors();
    TIntegRecord rec;
    const long double r = c.engine(ctx, rec, c.f, c.a, c.b, 1e-8L);
    EXPECT_EQ(rec.IntegFailed, c.failed) << c.what;
    if (c.failed == 0) { EXPECT_LD_NEAR(r, c.value, 1e-8L) << c.what; }
  }
}

TEST_F(IntegrationEngineTest, GaussStopsAtOrderEightWhenTwoSumsAgree) {
  // x^2: orders 2, 4 and 8 are all exact (up to rounding), 2 + 4 + 8 calls: the 2- and
  // 4-point sums of a step agree exactly by chance, so they are not taken as convergence (a
  // unit step at 0 over [-1, 0.5] gave 0.75 for 0.5); the agreement at order 8 is confirmed
  // at 16 points no node took (the pair beside the middle, seven pairs toward the ends), 30
  // calls. x^3 on [-1, 1]: every Gauss sum is exactly 0, and two successive zero sums are
  // accepted once both halves have converged and cancel, each confirmed so: 82 calls.
  // Romberg's extrapolation of exact zeros converges too.
  ExprContext& ctx = Ctx();
  TIntegRecord rec;
  for (const auto& [odd, a, b, value] : {std::tuple{true, -1.0L, 1.0L, 0.0L}, std::tuple{false, 0.0L, 3.0L, 9.0L}}) {
    int calls = 0;
    const auto f = [&, odd](long double x) { return ++calls, odd ? x * x * x : x * x; };
    EXPECT_LD_NEAR(IntegrateGauss(ctx, rec, f, a, b, 1e-12L), value, odd ? 0 : 1e-17L) << odd;
    EXPECT_EQ(calls, odd ? 82 : 30) << odd;
    EXPECT_LD_NEAR(rec.IntegErrorEstimate, 0, odd ? 0 : 1e-17L);
    ExpectOutcome(rec, 0, 0);
  }
  EXPECT_EQ(IntegrateRomberg(ctx, rec, [](long double x) { return x * x * x; }, -1, 1, 1e-8L), 0);
  EXPECT_EQ(rec.IntegFailed, 0);
  const auto step = [](long double x) { return x >= 0 ? 1.0L : 0.0L; };
  for (const auto& [a, b] : {std::pair{-1.0L, 0.5L}, {-7.25L, 0.5L}, {-0.2L, 0.1L}}) {
    ctx.ClearErrors();
    const long double r = IntegrateGauss(ctx, rec, step, a, b, 1e-8L);
    if (rec.IntegFailed == 0) { EXPECT_LD_NEAR(r, b, 1e-8L * b) << a; }
  }
}

TEST_F(IntegrationEngineTest, WideRangeIsRetriedWithTailsButNotInsideMinusTwoToTwo) {
  // 1/(1 + x^2) on [-1000, 1000] is too narrow a peak for order 128 over the whole range;
  // through x = 1/u the far parts become 1/(1 + u^2), which converges. 2 atan 1000.
  ExprContext& ctx = Ctx();
  TIntegRecord rec;
  EXPECT_LD_NEAR(IntegrateGauss(ctx, rec, [](long double x) { return 1 / (1 + x * x); }, -1000, 1000, 1e-12L),
                 2 * std::atan(1000.0L), 1e-15L);
  ExpectOutcome(rec, 0, 0);
  // A peak too sharp for order 128 on [-2, 2]: one attempt, reported as not converged.
  int calls = 0;
  IntegrateGauss(ctx, rec, [&](long double x) { return ++calls, 1 / (1e-8L + x * x); }, -2, 2, 1e-10L);
  ExpectOutcome(rec, 1, kErrIntegralConvergence);
  EXPECT_EQ(calls, 254);
}

TEST_F(IntegrationEngineTest, FailingIntegrandIsASingularity) {
  for (const NamedEngine& e : kEngines) {
    ExprContext& ctx = Ctx();
    ctx.ClearErrors();
    TIntegRecord rec;
    EXPECT_EQ(e.engine(ctx, rec, [&](long double) { return ctx.SetError(kErrDivisionByZero), 0.0L; }, 0, 1, 1e-8L), 0)
        << e.name;
    EXPECT_EQ(rec.IntegFailed, 1) << e.name;
    EXPECT_NE(ctx.ExprMathError, 0) << e.name;
  }
}

TEST_F(IntegrationEngineTest, InverseSquareRootEndPoint) {
  // 1/sqrt(x) on [0, 1] = 2; the integrand fails at 0 (a division by zero).
  ExprContext& ctx = Ctx();
  int atZero = 0;
  const auto f = [&](long double x) { return atZero += x == 0, ExprSafeDivide(ctx, 1, std::sqrt(x)); };
  TIntegRecord rec;
  // Romberg's trial at 0 fails, so it takes the open rule, which never evaluates 0 (its
  // error expansion is not in powers of h^2: the value is only roughly right).
  EXPECT_LD_NEAR(IntegrateRomberg(ctx, rec, f, 0, 1, 1e-3L), 2.0L, 0.1L);
  EXPECT_EQ(atZero, 1);  // the trial
  EXPECT_NE(ctx.ExprMathError, kErrIntegralSingularity);
  // The fixed Gauss rule needs no retry: no Gauss point lies at 0.
  ctx.ClearErrors();
  ExpectResult(IntegrateGaussN(ctx, f, 0, 1, 128), 2.0L, 0, 0.02L);
  // The automatic integral ends near 2 whether or not one of its engines converged.
  ctx.ClearErrors();
  EXPECT_LD_NEAR(IntegrateAuto(ctx, rec, f, 0, 1, 1e-8L), 2.0L, 0.01L);
}

TEST_F(IntegrationEngineTest, FixedOrderRuleIsExactToDegreeTwoNMinusOne) {
  ExprContext& ctx = Ctx();
  const auto x5 = [](long double x) { return x * x * x * x * x; };
  // 2 points: (t+^5 + t-^5)/2 with t = 1/2 +- 1/(2 sqrt 3) is 11/72 (closed form).
  EXPECT_LD_NEAR(IntegrateGaussN(ctx, x5, 0, 1, 2), 11.0L / 72, 1e-18L);
  for (int n : {4, 8, 64, 128}) EXPECT_LD_NEAR(IntegrateGaussN(ctx, x5, 0, 1, n), 1.0L / 6, 1e-18L) << n;
  // A point where f fails is retried once, nudged; failing again gives -101 and missing.
  int calls = 0;
  const auto failsOnce = [&](long double x) { return ++calls == 1 ? ctx.SetError(kErrDivisionByZero) : void(), x; };
  ExpectResult(IntegrateGaussN(ctx, failsOnce, 0, 2, 4), 2.0L, 0, 1e-11L);
  ExpectResult(IntegrateGaussN(ctx, [&](long double) { return ctx.SetError(kErrDivisionByZero), 0.0L; }, 0, 1, 4),
               ExprErrorValue, kErrIntegralSingularity);
}

TEST_F(IntegrationEngineTest, SimpsonStopsAtTheFirstComparisonOfASmoothFunction) {
  ExprContext& ctx = Ctx();
  TIntegRecord rec;
  int calls = 0;
  // Simpson's rule is exact for cubics: S1 = S2 after 5 evaluations. A jump can leave
  // five values on a cubic too, so the range is halved once (4 values), each half's
  // agreement confirmed at its eighths (8) and the ends by a ladder of seven pairs (14):
  // 31 evaluations.
  const long double r = IntegrateSimpson(ctx, rec, [&](long double x) { ++calls; return x * x * x; }, 0, 2, 0);
  EXPECT_LD_NEAR(r, 4.0L, 1e-17L);
  ExpectResult(calls, 31);
  // A smooth non-polynomial to the (absolute) tolerance; tol 0 means 1e-14.
  calls = 0;
  EXPECT_LD_NEAR(IntegrateSimpson(ctx, rec, [&](long double x) { ++calls; return std::exp(x); }, 0, 1, 0),
                 std::exp(1.0L) - 1, 1e-12L);
  EXPECT_LT(rec.IntegErrorEstimate, 1e-12L);
  EXPECT_GT(calls, 5);
}

TEST_F(IntegrationEngineTest, SimpsonEndsAtItsDepthCapAndWithinItsBudget) {
  // A jump of 1e9 at 1/3 (not a dyadic point): around it the two rules never agree to
  // 1e-14, and the recursion stops at its depth cap with -100 and estimate 1, the rest of
  // the range summed and the capped interval keeping its two-panel value. Noise ends within
  // the evaluation budget.
  ExprContext& ctx = Ctx();
  TIntegRecord rec;
  long calls = 0;
  const auto step = [&](long double x) { return ++calls, x < 1.0L / 3 ? 0.0L : 1e9L; };
  EXPECT_LD_NEAR(IntegrateSimpson(ctx, rec, step, 0, 1, 1e-14L), 2e9L / 3, 1e-5L);
  EXPECT_LT(calls, 1000);
  EXPECT_EQ(ctx.ExprMathError, kErrIntegralConvergence);
  EXPECT_EQ(rec.IntegErrorEstimate, 1);
  unsigned state = 1;
  calls = 0;
  ctx.ClearErrors();
  TIntegRecord noiseRec;
  const auto noise = [&](long double) {
    return ++calls, static_cast<long double>((state = state * 1103515245u + 12345u) >> 16);
  };
  IntegrateSimpson(ctx, noiseRec, noise, 0, 1, 1e-14L);
  EXPECT_EQ(ctx.ExprMathError, kErrIntegralConvergence);
  EXPECT_EQ(noiseRec.IntegErrorEstimate, 1);
  EXPECT_LE(calls, 1000100);
}

TEST_F(IntegrationEngineTest, SimpsonSingularPointFailsItsPiece) {
  ExprContext& ctx = Ctx();
  TIntegRecord rec;
  const auto f = [&](long double x) { return ExprSafeDivide(ctx, 1, x - 0.5L); };
  ExpectResult(IntegrateSimpson(ctx, rec, f, 0, 1, 1e-8L), 0, kErrIntegralSingularity);
  EXPECT_EQ(rec.IntegErrorEstimate, 1);
}

TEST_F(IntegrationEngineTest, DoubleIntegralsOfClosedForms) {
  struct Case {
    const char* what;
    std::function<long double(long double, long double)> f;
    long double x1, x2, y1, y2, value;
  };
  const Case cases[] = {
      {"1 over [0,2]x[0,3]", [](long double, long double) { return 1.0L; }, 0, 2, 0, 3, 6},
      {"xy over [0,1]^2", [](long double x, long double y) { return x * y; }, 0, 1, 0, 1, 0.25L},
      {"x^2 + y over [-1,2]x[0,1]", [](long double x, long double y) { return x * x + y; }, -1, 2, 0, 1, 4.5L},
      {"e^(x+y) over [0,1]^2", [](long double x, long double y) { return std::exp(x + y); }, 0, 1, 0, 1,
       (std::exp(1.0L) - 1) * (std::exp(1.0L) - 1)},
  };
  for (const Case& c : cases) {
    ExprContext& ctx = Ctx();
    TIntegRecord rec;
    long double err = -1;
    EXPECT_LD_NEAR(IntegrateDouble(ctx, rec, c.f, c.x1, c.x2, c.y1, c.y2, 1e-10L, &err), c.value, 1e-15L) << c.what;
    EXPECT_TRUE(err >= 0 && err < 1e-10L) << c.what;
    ExpectOutcome(rec, 0, 0, c.what);
    ExpectResult(IntegrateDouble2(ctx, rec, c.f, c.x1, c.x2, c.y1, c.y2, 1e-12L, &err), c.value, 0, 1e-10L, c.what);
  }
  // The constant: every inner Gauss sum is exact from order 4 on, so errOut is 0.
  TIntegRecord rec;
  long double err = -1;
  IntegrateDouble(Ctx(), rec, [](long double, long double) { return 1.0L; }, 0, 2, 0, 3, 1e-8L, &err);
  EXPECT_EQ(err, 0);
}

TEST_F(IntegrationEngineTest, DoubleIntegralFailingAtACornerIsMissingWithoutIntegrating) {
  ExprContext& ctx = Ctx();
  TIntegRecord rec;
  int calls = 0;
  // Fails at (1, 2), the last corner.
  const auto f = [&](long double x, long double y) { return ++calls, ExprSafeDivide(ctx, 1, x * y - 2); };
  EXPECT_EQ(IntegrateDouble(ctx, rec, f, 0, 1, 0, 2, 1e-8L, nullptr), ExprErrorValue);
  EXPECT_EQ(calls, 4);
  calls = 0;
  EXPECT_EQ(IntegrateDouble2(ctx, rec, [&](long double, long double) { ++calls; return ExprErrorValue; }, 0, 1, 0,
                             1, 1e-8L, nullptr),
            ExprErrorValue);
  EXPECT_EQ(calls, 1);
}

TEST_F(IntegrationEngineTest, NestedIntegralsKeepTheirOwnRecords) {
  // A volume integral whose integrand integrates again (a user function with an
  // integral in it): the inner one works on its own record.
  ExprContext& ctx = Ctx();
  TIntegRecord outer;
  const long double r = IntegrateGauss(ctx, outer, [&](long double x) {
    TIntegRecord inner;
    return IntegrateRomberg(ctx, inner, [x](long double t) { return x * t; }, 0, 1, 1e-3L);
  }, 0, 2, 1e-12L);
  EXPECT_LD_NEAR(r, 1.0L, 1e-15L);
  EXPECT_EQ(outer.IntegTolerance, 1e-12L);
  EXPECT_EQ(outer.IntegFailed, 0);
}

TEST_F(IntegrationEngineTest, HostileArgumentsEndCleanly) {
  constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  constexpr long double kHuge = std::numeric_limits<long double>::max();
  const long double limits[][2] = {{kNaN, 1}, {0, kNaN}, {-kHuge, kHuge}, {kInf, kInf}, {-kInf, -kInf},
                                   {kInf, -kInf}, {1, -1}, {0, 1e-4940L}};
  const std::function<long double(long double)> integrands[] = {
      [](long double x) { return x; }, [](long double) { return kNaN; }, [](long double x) { return 1 / x; }};
  // Whatever the arguments, an engine ends with a number or with the missing value and a
  // raised error code: never NaN or infinity, never a silent missing value.
  const auto expectNumberOrReportedFailure = [](long double r, const TIntegRecord& rec, const std::string& what) {
    if (IsMissingValue(r)) {
      EXPECT_TRUE(Ctx().ExprMathError != 0 || rec.IntegFailed != 0) << what << ": missing value without an error";
    } else {
      EXPECT_TRUE(std::isfinite(r)) << what << ": " << static_cast<double>(r);
    }
  };
  TIntegRecord rec;
  for (std::size_t li = 0; li < std::size(limits); ++li) {
    const auto& l = limits[li];
    for (std::size_t fi = 0; fi < std::size(integrands); ++fi) {
      const auto& f = integrands[fi];
      const std::string where = " limits " + std::to_string(li) + " integrand " + std::to_string(fi);
      for (const NamedEngine& e : kEngines) {
        for (long double tol : {0.0L, kNaN, 1e-8L}) {
          Ctx().ClearErrors();
          const long double r = e.engine(Ctx(), rec = TIntegRecord{}, f, l[0], l[1], tol);
          expectNumberOrReportedFailure(r, rec, e.name + where);
        }
      }
      Ctx().ClearErrors();
      expectNumberOrReportedFailure(IntegrateSimpson(Ctx(), rec = TIntegRecord{}, f, l[0], l[1], -1), rec,
                                    "Simpson" + where);
    }
  }
  Ctx().ClearErrors();
  expectNumberOrReportedFailure(IntegrateDouble(Ctx(), rec = TIntegRecord{},
                                                [](long double x, long double y) { return x / y; }, kNaN, 1, -kInf,
                                                kInf, kNaN, nullptr),
                                rec, "Double");
  Ctx().ClearErrors();
  expectNumberOrReportedFailure(IntegrateDouble2(Ctx(), rec = TIntegRecord{},
                                                 [](long double x, long double y) { return x / y; }, -kHuge, kHuge, 0,
                                                 1, 0, nullptr),
                                rec, "Double2");
}

}  // namespace

namespace {

// The tanh-sinh rule on finite ranges: smooth integrands and integrable singularities at an
// end to the working precision, a divergent one refused, a point inside the range where f
// fails reported as a singularity. Closed forms as written beside each case.
TEST_F(IntegrationEngineTest, TanhSinhIntegratesEndSingularities) {
  const ClosedForm cases[] = {
      {"ln x on (0,1]", [](long double x) { return std::log(x); }, 0, 1, -1},
      {"1/sqrt x on (0,1]", [](long double x) { return 1 / std::sqrt(x); }, 0, 1, 2},
      {"x^2 on [0,1]", [](long double x) { return x * x; }, 0, 1, 1.0L / 3},
      {"cos on [0,pi/2]", [](long double x) { return std::cos(x); }, 0, kPi / 2, 1},
      {"ln x on (0,2]: 2 ln 2 - 2", [](long double x) { return std::log(x); }, 0, 2, 2 * std::log(2.0L) - 2},
  };
  for (const ClosedForm& c : cases) {
    ExprContext& ctx = Ctx();
    ctx.ClearErrors();
    TIntegRecord rec;
    EXPECT_LD_NEAR(IntegrateTanhSinh(ctx, rec, c.f, c.a, c.b, 1e-15L), c.value, 1e-17L * 4) << c.what;
    ExpectOutcome(rec, 0, 0, c.what);
  }
  // 1 - x loses the digits of x next to 1, so the arcsine's integrand reaches 1e-8 but
  // not the working precision, and says so.
  TIntegRecord rec;
  const auto arcsine = [](long double x) { return 1 / std::sqrt((1 - x) * (1 + x)); };
  Ctx().ClearErrors();
  EXPECT_LD_NEAR(IntegrateTanhSinh(Ctx(), rec, arcsine, -1, 1, 1e-8L), kPi, 1e-8L * kPi);
  ExpectOutcome(rec, 0, 0, "arcsine at 1e-8");
  Ctx().ClearErrors();
  IntegrateTanhSinh(Ctx(), rec, arcsine, -1, 1, 1e-15L);
  ExpectOutcome(rec, 1, kErrIntegralConvergence, "arcsine at 1e-15");
  Ctx().ClearErrors();
  IntegrateTanhSinh(Ctx(), rec, [](long double x) { return 1 / x; }, 0, 1, 1e-10L);
  ExpectOutcome(rec, 1, kErrIntegralConvergence, "1/x");
  Ctx().ClearErrors();
  IntegrateTanhSinh(
      Ctx(), rec,
      [](long double x) {
        if (x > 0.3L && x < 0.7L) ExprSetError(-6);
        return x;
      },
      0, 1, 1e-10L);
  ExpectOutcome(rec, 1, kErrIntegralSingularity, "failing inside");
}

}  // namespace
