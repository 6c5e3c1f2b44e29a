// The calculus built-ins of the language: integrals, sums, products, series, derivatives
// and implicit roots of the lines of a user-defined function (slots 10k + n) and of the
// view function (slots 161..169, CurrentUdf 16), with their argument checks, the mended
// faults, the refusal of nested calls and hostile arguments.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "expr/builtins.h"
#include "expr/error_text.h"
#include "expr/calculus_state.h"
#include "expr/function_table.h"
#include "expr/math_faults.h"
#include "expr/program_slots.h"
#include "expr_test_support.h"
#include "support/decimal_ranges.h"

namespace {

constexpr long double kSqrt2 = std::numbers::sqrt2_v<long double>;
constexpr long double kSqrtPi = 1.772453850905516027298167483341145182798L;  // sqrt(pi), mpmath

struct ValueCase {
  const char* text;
  long double value;
  long double tolerance;  // 0: exact
};

// Runs every test for user-defined function 3 (slots 30..39) and for the view function
// (CurrentUdf 16, slots 160..169).
class CalculusTest : public ExprTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    Ctx().CurrentUdf = GetParam();
    Vars().Dollar() = 0.5;  // the test run of a compiled line evaluates it here
  }
  // Compiles `texts` as lines F1, F2, ... of the function.
  static void Lines(std::initializer_list<const char*> texts) {
    int n = 1;
    for (const char* text : texts) ASSERT_EQ(ExprCompileSlot(text, 10 * Ctx().CurrentUdf + n++), 1) << text;
  }
  // Compiles `text` as line Fn (n 1..9) or as the Z line (n 0) of the function.
  static void Line(int n, const char* text) { ASSERT_EQ(ExprCompileSlot(text, 10 * Ctx().CurrentUdf + n), 1) << text; }
  static long double Run(int n) { return ExprRunSlot(10 * Ctx().CurrentUdf + n); }
  static const TCalculusState& State() { return CalculusState(Ctx()); }
  static void ExpectValues(std::initializer_list<ValueCase> cases) {
    for (const ValueCase& c : cases) ExpectEval(c.text, c.value, 0, c.tolerance);
  }
};

INSTANTIATE_TEST_SUITE_P(UserFunctionAndViewFunction, CalculusTest, ::testing::Values(3, kExprViewFnUdf));

TEST_P(CalculusTest, IntegralsSumsAndProductsOfTheFunctionsLines) {
  Lines({"EXP(-$)", "$*$", "$", "EXP(-$*$)", "1", "1/(1+$*$)", "$*$*$"});
  // Closed forms. The whole line in three pieces split at -0.99 and 0.99 gives sqrt(pi);
  // an odd integrand on a symmetric range has Gauss sums exactly 0, and two successive zero
  // sums are accepted; an empty line integrates to 0; a million terms are still summed
  // (Gauss's closed form n(n + 1)/2).
  ExpectValues({{"QI(1,0,INF)", 1, 1e-15L},           {"RI(2,0,1)", 1.0L / 3, 1e-18L},
                {"SUM(3,1,10,1)", 55, 0},              {"SUM(3,10,1,1)", 55, 0},  // counts down
                {"SUM(3,3,3,1)", 3, 0},                {"PROD(3,1,5,1)", 120, 0},
                {"DQIP(5,0,2,0,3,1E-8)", 6, 1e-17L},   {"QI(4,-INF,INF)", kSqrtPi, 1e-15L},
                {"AI(4,-INF,INF)", kSqrtPi, 1e-15L},   {"QIP(6,-5,5,1E-14)", 2 * std::atan(5.0L), 1e-15L},
                {"QI(7,-1,1)", 0, 0},                  {"QIP(7,-2,2,1E-12)", 0, 0},
                {"AI(7,-1,1)", 0, 0},                  {"RI(7,-1,1)", 0, 0},
                {"AI(3,0,0)", 0, 0},                   {"QI(9,0,1)", 0, 0},
                {"DQIP(3,0,1,2,2,1E-8)", 0, 0},        {"SUM(3,1,999999,1)", 999999.0L * 1000000 / 2, 0},
                {"SUM(F3,1,4,1)+SUM(#F3,1,4,1)+SUM(3,1,4,1)", 30, 0},  // "F3", "#F3" and "3" name one line
                {"AIP(6,-5,5,1E-14)", 2 * std::atan(5.0L), 1e-15L}});
  EXPECT_LD_NEAR(State().IntegRecord.IntegTolerance, 1e-14L, 1e-30L);
  EXPECT_LT(State().IntegRecord.IntegErrorEstimate, 1e-14L);
  Eval("AI(3,0,0)");
  EXPECT_EQ(State().IntegRecord.IntegErrorEstimate, 0);
  Eval("SUM(3,1,10,1)");
  EXPECT_EQ(Vars().Dollar(), 10);  // $ keeps the last point evaluated
  // The same from a compiled Z line; F3 reads $ before the integrals move it.
  Line(0, "F3+QI(1,0,INF)+RI(2,0,1)");
  Vars().Dollar() = 2;
  EXPECT_LD_NEAR(Run(0), 2 + 4.0L / 3, 1e-15L);
}

// Integrands singular at an end of the range. Romberg's extrapolation assumes an error in
// even powers of the step, which these do not have, and once accepted LN($) over [0, 1] as
// -0.9999872: "RI" now reaches the tolerance it claims (1e-8 relative) or says it did not
// converge; "AI" integrates them by the tanh-sinh rule to the working precision, and
// still fails a divergent one. Closed forms: the integral of x^a LN(x)^2 over [0, 1] is
// 2/(a + 1)^3; of LN(1 - x)/x, -pi^2/6; of LN(x) over [0, 2], 2 LN(2) - 2.
TEST_P(CalculusTest, IntegralsOfEndSingularitiesAreAccurateOrFail) {
  Lines({"LN($)", "1/SQRT($)", "LN($)*LN($)*SQRT($)", "LN(1-$)/$", "1/$"});
  constexpr long double kPi = std::numbers::pi_v<long double>;
  ExpectValues({
      {"AI(1,0,1)", -1, 1e-17L},
      {"AI(2,0,1)", 2, 1e-17L},
      {"AI(3,0,1)", 16.0L / 27, 1e-17L},
      {"AI(4,0,1)", -kPi * kPi / 6, 1e-16L},
      {"AI(1,0,2)", 2 * std::numbers::ln2_v<long double> - 2, 1e-17L},
      {"AIP(1,0,1,1E-15)", -1, 1e-17L},
  });
  ExpectEval("AI(5,0,1)", ExprErrorValue, kErrIntegralConvergence);
  for (const ValueCase& c : {ValueCase{"RI(1,0,1)", -1, 0}, ValueCase{"RI(2,0,1)", 2, 0},
                             ValueCase{"RI(3,0,1)", 16.0L / 27, 0}}) {
    const long double v = Eval(c.text);
    if (MathError() == 0) {
      EXPECT_LD_NEAR(v, c.value, 1e-8L * std::fabs(c.value)) << c.text;
    } else {
      EXPECT_EQ(MathError(), kErrIntegralConvergence) << c.text;
    }
  }
}

// An integral that no engine can do (TAN has poles all over the range) once ran through
// three to five million integrand values before it failed: seconds of work for one value
// of a function line. The automatic integral now gives up after kAutoIntegralValues
// values, also inside a line of the function; a hard integral that converges (the
// Fresnel-type SIN($*$) to 1e-14, sqrt(pi/2) S(100 sqrt(2/pi)) by mpmath) still does.
TEST_P(CalculusTest, AutomaticIntegralBoundsItsWork) {
  Lines({"TAN($)", "2", "SIN($*$)"});
  const auto valuesTaken = [] { return ExprContext::kSlotRunBudget - Ctx().slotRunsLeft; };
  for (const char* text : {"AI(1,-INF,F2)", "AI(1,-10,2)", "AIP(1,0,100,1E-14)"}) {
    ExpectEval(text, ExprErrorValue, kErrIntegralConvergence);
    EXPECT_LE(valuesTaken(), static_cast<std::uint64_t>(kAutoIntegralValues) + 2) << text;
  }
  // Typed as a line of the function: the compile's test run fails as soon.
  EXPECT_EQ(ExprCompileSlot("AI(1,-INF,F2)", 10 * Ctx().CurrentUdf + 4), 0);
  EXPECT_EQ(MathError(), kErrIntegralConvergence);
  EXPECT_LE(valuesTaken(), static_cast<std::uint64_t>(kAutoIntegralValues) + 2);
  ExpectEval("AIP(3,0,100,1E-14)", 0.631417921866933733603280L, 0, 1e-14L);
}

// A divergent integral fails with "Integral: Convergence Failure". The Bulirsch-Stoer
// engine once measured its step error against a tail's slope at the infinite end, a
// made-up value next to u = 0, and reported 6.4e36 for 1 over (-inf, 2] and 1.5e18 for
// 1/x over [1, inf) as converged; and an integrand odd about the middle of its range has
// Gauss sums of exactly 0 whether or not its integral exists (1/x over [-1, 1], TAN over
// [-2, 2] with its poles at -pi/2 and pi/2).
TEST_P(CalculusTest, DivergentIntegralsFail) {
  Lines({"1", "$", "1/$", "1/($*$)", "TAN($)"});
  for (const char* text : {"AI(1,-INF,2)", "AI(1,0,INF)", "AI(1,-INF,INF)", "AI(2,0,INF)", "AI(2,-INF,0)",
                           "AI(2,-INF,INF)", "AI(3,0,1)", "AI(3,1,INF)", "AI(3,-INF,-1)", "AI(3,-1,1)", "AI(4,0,1)",
                           "AI(4,-1,1)", "AI(5,0,2)", "AI(5,-2,2)", "AIP(1,0,INF,1E-12)"}) {
    ExpectEval(text, ExprErrorValue, kErrIntegralConvergence);
  }
}

// A pole in the middle of the range: the values on either side of it cancel at the Gauss
// points, and the sums settled on the principal value, which QI, AI and DQIP gave as the
// integral (2.1145017507514570 for e^x / x over [-1, 1], 2 for 1/x + 1, 1.0223417289 for
// sin(x) / (x - 1) over [0, 2]; each diverges). The integral of |f| grows at every order.
TEST_P(CalculusTest, APoleInTheMiddleOfTheRangeIsNoIntegral) {
  Lines({"EXP($)/$", "1/$+1", "SIN($)/($-1)", "EXP($)/$+0*$$"});
  for (const char* text : {"QI(1,-1,1)", "AI(1,-1,1)", "AI(2,-1,1)", "QIP(3,0,2,1E-12)", "AI(3,0,2)",
                           "DQIP(4,-1,1,-1,1,1E-8)"}) {
    ExpectEval(text, ExprErrorValue, kErrIntegralConvergence);
  }
}

// An integral that is 0 without values that cancel exactly gives Gauss sums and Romberg
// extrapolations of rounding noise whose relative changes never settle: digamma over
// [1, 2] (ln gamma(2) - ln gamma(1)), e^x less the long double nearest e - 1 over [0, 1]
// (under 1e-19), tanh over [-3, 3] failed with "Integral: Convergence Failure". Where f
// changes sign the sums settle once the integral of |f| has: sin(x) over [0, 100]
// (1 - cos 100, closed form) keeps its value. A divergent integral whose values cancel
// still fails: 1/(x - 0.1) over [-0.8, 1].
TEST_P(CalculusTest, IntegralsThatAreZeroToRoundingStand) {
  Lines({"PSI($)", "EXP($)-1.7182818284590452354", "$*$*$-2*$", "SIN($)", "TANH($)", "1/($-0.1)"});
  ExpectValues({{"QI(1,1,2)", 0, 1e-17L},
                {"AI(1,1,2)", 0, 1e-17L},
                {"RI(1,1,2)", 0, 1e-17L},
                {"QI(2,0,1)", 0, 1e-17L},
                {"RI(2,0,1)", 0, 1e-17L},
                {"QI(3,-2,2)", 0, 1e-17L},
                {"RI(5,-3,3)", 0, 1e-17L},
                {"QI(4,0,100)", 1 - std::cos(100.0L), 1e-8L}});
  for (const char* text : {"QI(6,-0.8,1)", "RI(6,-0.8,1)"}) ExpectEval(text, ExprErrorValue, kErrIntegralConvergence);
}

// Hard integrals that converge keep their values to the 1e-8 the automatic integral
// promises: oscillating, slowly decaying, singular at an end or inside, a tail falling
// like x^-1.9 (its slope next to the infinite end has nearly settled), TAN up to just
// below its pole, and odd integrands whose zero is confirmed on their upper half. SIN(1/$)
// defeats every engine next to 0 but is bounded, so its half integral exists and its
// zero stands. Closed forms; Si(50) and the Fresnel integral sqrt(pi/2) S(10 sqrt(2/pi))
// by mpmath at 30 digits.
TEST_P(CalculusTest, HardConvergentIntegralsKeepTheirValues) {
  const auto expectWithinPromise = [](std::initializer_list<std::pair<const char*, long double>> cases) {
    for (const auto& [text, value] : cases) ExpectEval(text, value, 0, 1e-8L * std::fabs(value));
  };
  Lines({"COS($)*EXP(-$)", "1/($*$)", "1/SQRT($)", "LN($)", "EXP(-$*$)", "$^-1.9", "1/SQRT(ABS($-0.3))", "TAN($)",
         "SIN(1/$)"});
  expectWithinPromise({{"AI(1,0,INF)", 0.5L},
                       {"AI(2,1,INF)", 1},
                       {"AI(3,0,1)", 2},
                       {"AI(4,0,1)", -1},
                       {"AI(5,-INF,INF)", kSqrtPi},
                       {"AI(6,1,INF)", 10.0L / 9},
                       {"AI(7,0,1)", 2 * (std::sqrt(0.3L) + std::sqrt(0.7L))},
                       {"AI(8,0,1.5)", -std::log(std::cos(1.5L))},
                       {"AI(8,-1,1)", 0},
                       {"AI(9,-1,1)", 0}});
  Lines({"SIN($)/$", "SIN($*$)", "LN(ABS($))", "$/(1+$*$)^2", "1/(1+$*$)"});
  expectWithinPromise({{"AI(1,0,50)", 1.55161707248593589472798559486L},
                       {"AI(2,0,10)", 0.583670899929623342157572409285L},
                       {"AI(3,-1,2)", 2 * std::numbers::ln2_v<long double> - 3},
                       {"AI(4,-INF,INF)", 0},
                       {"AI(5,-INF,INF)", std::numbers::pi_v<long double>}});
}

// Integrals that diverge or whose mass the rules lost. The differential-equation engines
// took the values where EXP overflowed as slope 0 and gave 6.79e2754 for EXP(x) over
// [0, inf) and 4.27e2782 for EXP(-x) over (-inf, 0]; the Gauss rule took two sums of
// exactly 0 (EXP(-x) underflows at every point of orders 2 and 4 over [0, 1e6] and wider)
// as the integral 0; and the Bulirsch-Stoer steps measured their error against the slope
// where SQRT(x) over [0.99, 1e250] as a tail starts, 1e625, and gave 1.48e613 for
// 6.67e374. Closed forms: 1 - e^-1e6 is 1 in long double.
TEST_P(CalculusTest, DivergentAndLostIntegralsFailOrKeepTheirValues) {
  Lines({"EXP($)", "EXP(-$)", "SQRT($)"});
  for (const char* text : {"AI(1,0,INF)", "AI(2,-INF,0)", "AIP(1,-INF,INF,1E-12)"}) {
    ExpectEval(text, ExprErrorValue, kErrIntegralConvergence);
  }
  // The single engines meet the overflow at a point.
  ExpectEval("RI(1,0,INF)", ExprErrorValue, kErrIntegralSingularity);
  ExpectEval("QI(2,-INF,0)", ExprErrorValue, kErrIntegralSingularity);
  ExpectValues({{"AI(2,0,1E6)", 1, 1e-8L},
                {"AI(2,0,1E10)", 1, 1e-8L},
                {"AI(2,0,1E100)", 1, 1e-8L},
                {"AI(2,0,1E300)", 1, 1e-8L},
                {"QI(2,0,1E10)", 1, 1e-8L},
                {"QI(2,0,1E300)", 1, 1e-8L},
                {"AI(3,0,1E250)", 6.66666666666666666666666666667e374L, 6.7e366L}});
}

// Textbook integrals with an integrable singularity at an end: in a derivative (SQRT(1 -
// x^2) at -1 and 1) and in value (LN(x) at 0, with an infinite upper limit). Gauss stalls
// on both, and the automatic integral failed them; the tanh-sinh rule, over the pieces of
// the range with the tail through x = 1/u, integrates them. pi/2, and -gamma by mpmath
// at 50 digits.
TEST_P(CalculusTest, IntegrableEndSingularitiesAreIntegrated) {
  Lines({"SQRT(1-$*$)", "EXP(-$)*LN($)"});
  ExpectValues({{"AI(1,-1,1)", 1.5707963267948966192313216916397514L, 1e-8L},
                {"AI(2,0,INF)", -0.57721566490153286060651209008240243L, 1e-8L}});
}

// Integrals whose mass every Gauss point missed: EXP(-x^2) over [-1e4, 1e4] underflows at
// every point of every order, and a zero sum from values that all vanished was taken as
// the integral 0 (both ends being 0). The range is now integrated again with 1/x tails,
// which look at it on every scale, or searched at finer spacing, and the integral is found
// or fails; a line that is 0 everywhere still integrates to 0. References by mpmath at 30
// digits: sqrt(pi), sqrt(pi)/2 (the integral of SQRT(x) EXP(-x) over [0, inf)), and
// sqrt(pi) 1e-3 for the peak of width 1e-3.
TEST_P(CalculusTest, GaussianAndPeakIntegralsAreFoundWhereEveryPointUnderflows) {
  constexpr long double kHalfSqrtPi = 0.886226925452758013649083741670572591399L;
  constexpr long double kPeak = 1.772453850905516027298167483341145182798e-3L;
  Lines({"EXP(-$*$)", "SQRT($)*EXP(-$)", "EXP(-($-0.3)^2*1E6)", "EXP(-$*$-$$*$$)", "0*$", "($>=0)"});
  const std::pair<const char*, long double> found[] = {
      {"AI(1,-1E4,1E4)", kSqrtPi},        {"QI(1,-1E4,1E4)", kSqrtPi},         {"AIP(1,-1E4,1E4,1E-10)", kSqrtPi},
      {"QIP(1,-1E4,1E4,1E-10)", kSqrtPi}, {"AI(1,-1E5,1E5)", kSqrtPi},         {"QI(1,-1E5,1E5)", kSqrtPi},
      {"AIP(1,-1E6,1E6,1E-10)", kSqrtPi}, {"QIP(1,-1E6,1E6,1E-10)", kSqrtPi},  {"RI(1,-1E4,1E4)", kSqrtPi},
      {"AI(2,0,1E300)", kHalfSqrtPi},     {"RI(2,0,1E300)", kHalfSqrtPi},      {"AI(3,-100,100)", kPeak},
      {"AIP(3,-100,100,1E-12)", kPeak},   {"DQIP(4,-1E4,1E4,-1E4,1E4,1E-8)", std::numbers::pi_v<long double>},
  };
  for (const auto& [text, value] : found) ExpectEval(text, value, 0, 1e-8L * value);
  // The rules that cannot reach such a peak fail rather than give 0.
  for (const char* text : {"QI(2,0,1E300)", "QI(3,-100,100)", "RI(3,-100,100)", "QI(6,-1,0.5)", "QI(6,-7.25,0.5)"}) {
    const long double v = Eval(text);
    EXPECT_NE(v, 0) << text;
    if (MathError() == 0) {
      EXPECT_LD_NEAR(v, std::string(text).starts_with("QI(6") ? 0.5L : v, 1e-8L) << text;
    }
  }
  ExpectValues({{"AI(5,-1E4,1E4)", 0, 0}, {"QI(5,0,1)", 0, 0}, {"QI(5,-1E6,1E6)", 0, 0}, {"RI(5,0,1)", 0, 0}});
}

// Integrable singularities inside the range: every rule over the whole range misjudges
// them, and the differential-equation engines stepped across them on an estimate that
// did not see them (2.82842707996 with code 0 for 2.8284271247462). The automatic integral
// finds the point, splits there and integrates each part with the singularity at an end;
// with a tolerance the rounding next to the point cannot meet, it fails. References by
// mpmath at 40 digits; the log singularity at 1/3 has the closed form t ln t + (1 - t)
// ln(1 - t) - 1.
TEST_P(CalculusTest, InnerSingularitiesAreIntegratedToTheTolerance) {
  Vars().Dollar() = 0.25L;  // the test runs of the lines, away from their singular points
  Lines({"ABS($-0.5)^-0.5", "1/SQRT(ABS($*$-2))", "LN(ABS($-1/3))", "1/(1+1E12*($-0.3)^2)"});
  const std::pair<const char*, long double> cases[] = {
      {"AI(1,0,1)", 2.828427124746190097603377448419396157139L},
      {"AI(2,0,2)", 2.452169913814439644463233302770875670263L},
      {"AI(3,0,1)", -1.63651416829481281845042382262L},
      {"AIP(3,0,1,1E-15)", -1.63651416829481281845042382262L},
      {"AI(4,0,1)", 3.141587891685031347018234931984836077476e-6L},
  };
  for (const auto& [text, value] : cases) {
    const long double tolerance = std::string(text).starts_with("AIP") ? 1e-15L : 1e-8L;
    ExpectEval(text, value, 0, tolerance * std::fabs(value));
  }
  for (const char* text : {"AIP(1,0,1,1E-15)", "AIP(2,0,2,1E-12)"}) {
    const long double v = Eval(text);
    if (MathError() == 0) {
      EXPECT_LD_NEAR(v, text[4] == '1' ? 2.828427124746190097603377448419396157139L : 2.4521699138144396444632L,
                     1e-12L) << text;
    } else {
      EXPECT_EQ(MathError(), kErrIntegralConvergence) << text;
    }
  }
}

TEST_P(CalculusTest, FixedOrderRuleTakesAnEvenOrderFromTwoTo128) {
  Lines({"$^11", "1/SQRT($)"});
  // The N-point rule is exact to degree 2N - 1: order 5 becomes the 6-point rule, exact
  // for $^11 (1/12); the 4-point rule is not.
  EXPECT_LD_NEAR(Eval("QIN(1,0,1,5)"), 1.0L / 12, 1e-18L);
  EXPECT_GT(std::fabs(Eval("QIN(1,0,1,4)") - 1.0L / 12), 1e-6L);
  const std::pair<const char*, const char*> same[] = {{"QIN(1,0,1,1)", "QIN(1,0,1,2)"},
                                                      {"QIN(1,0,1,-7)", "QIN(1,0,1,2)"},
                                                      {"QIN(1,0,1,500)", "QIN(1,0,1,128)"},
                                                      {"QIN(1,0,1,6.9)", "QIN(1,0,1,6)"}};
  for (const auto& [a, b] : same) EXPECT_EQ(Eval(a), Eval(b)) << a;
  // 1/SQRT($) fails at 0, which is a Gauss point of no rule.
  ExpectEval("QIN(2,0,1,128)", 2.0L, 0, 0.02L);
}

TEST_P(CalculusTest, SeriesStopsOnTheMagnitudeOfItsSum) {
  // Sum of 0.5^k: stops at the first k with 0.5^k < |s| 1e-15, k = 49, with either sign.
  Lines({"0.5^$", "-(0.5^$)", "1"});
  EXPECT_LD_NEAR(Eval("SER(1,0,1,1E-15)"), 2.0L, 4e-15L);
  EXPECT_EQ(Vars().Dollar(), 49);
  EXPECT_LD_NEAR(Eval("SER(2,0,1,1E-15)"), -2.0L, 4e-15L);
  EXPECT_EQ(Vars().Dollar(), 49);
  // A series that never gets small runs its 31,999 terms and fails.
  ExpectEval("SER(3,1,1,1E-10)", ExprErrorValue, kErrSeriesConvergence);
  EXPECT_EQ(Vars().Dollar(), 31999);
}

TEST_P(CalculusTest, ReversedLimitsEndlessLoopsAndMissingRootsGiveTheMissingValue) {
  Lines({"$", "Z*Z-2", "Z*Z+1"});
  // Counting loops that would not end (a step of 0, of the wrong sign, too small to move $,
  // or infinite ranges); roots not in the bracket, or none at all: not a root at 0.
  for (const char* text :
       {"AI(1,1,0)", "QI(1,1,0)", "QIP(1,1,0,1E-8)", "RI(1,1,0)", "QIN(1,1,0,4)", "AIP(1,1,0,1E-8)",
        "DQIP(1,1,0,0,1,1E-8)", "DQIP(1,0,1,1,0,1E-8)", "SUM(1,1,10,0)", "SUM(1,1,10,-1)", "PROD(1,1,10,0)",
        "PROD(1,10,1,-1)", "SUM(1,1,2,1E-30)", "SUM(1,1E20,2E20,1)", "SUM(1,1,1E18,1)", "SER(1,1,0,1E-10)",
        "SER(1,1,-1,1E-10)", "SER(1,1E20,1,1E-30)", "SUM(1,-INF,0,1)", "SUM(1,1,INF,1)", "SUM(1,0,1,INF)",
        "IMPLICIT_(2,0,1,1E-12)", "IMPLICIT(3,0,1,1E-12)", "IMPLICIT(2,1000,1001,1E-12)"}) {
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
  }
}

// A sign change that is no root: Brent's method converged on the pole of 1/(Z - 5.3) and
// answered 5.3, on a coarse tolerance as on a fine one, and on the jump of a step. The
// roots beside them are still found: 1/(Z - 5.3) = 2 at 5.8, and Z² - 2 at √2 with the
// coarse tolerance 0.1.
TEST_P(CalculusTest, APoleOrAJumpIsNoRoot) {
  Lines({"1/(Z-5.3)", "1/(Z-5.3)-2", "IF(Z<3.2,-1,1)", "Z*Z-2"});
  for (const char* text : {"IMPLICIT(1,5,6,1E-12)", "IMPLICIT(1,5,6,0.1)", "IMPLICIT_(1,0,10,1E-15)",
                           "IMPLICIT(3,0,10,1E-12)", "IMPLICIT(3,0,10,1)"}) {
    ExpectEval(text, ExprErrorValue, kErrNoRoot);
  }
  ExpectValues({{"IMPLICIT(2,5.5,6,1E-12)", 5.8L, 1e-12L}, {"IMPLICIT_(2,5.5,10,1E-15)", 5.8L, 1e-15L}});
  EXPECT_LD_NEAR(Eval("IMPLICIT(4,0,10,0.1)"), kSqrt2, 0.1L);
}

// A decimal in thousandths as the user types it: -1300 is "-1.300".
std::string Thousandths(int v) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%03d", v < 0 ? "-" : "", std::abs(v) / 1000, std::abs(v) % 1000);
  return text;
}

// SUM and PROD over a grid of decimal starts, ends and steps (728 ranges, counting up and
// down, one-term ranges among them), against exact decimal arithmetic: a range spans
// floor(|end - start| / step) + 1 terms, $ = start + k step (k step taken away counting down),
// so the count, 2^count and the sum of $ (count start + step count (count - 1) / 2) are
// closed forms in integers. $ advanced by repeated addition and compared with the end
// dropped the last term of 209 of 700 such sums (0.3: 46 of 100); SUM(1,0,1,0.1) of $ gave
// 4.5. The named values are Python's exact fractions (mpmath at 30 digits for the harmonic
// sum).
TEST_P(CalculusTest, DecimalStepsSumEveryTermUpToTheEnd) {
  Lines({"$", "2", "1", "$*$", "1/$"});
  ExpectValues({{"SUM(1,0,1,0.1)", 5.5L, 1e-18L},
                {"SUM(4,0.3,2.1,0.3)", 12.6L, 1e-17L},
                {"PROD(1,0.5,1,0.1)", 0.1512L, 1e-19L},
                {"SUM(1,2.7,-1.3,0.1)", 28.7L, 1e-17L},
                {"SUM(3,2.7,-1.3,0.1)", 41, 0},
                {"SUM(5,1,2,0.001)", 693.897243059937496921138367308L, 1e-15L},
                {"SUM(5,1,1.9995,0.001)", 693.397243059937496921138367308L, 1e-15L},
                {"SUM(3,0,0.6,0.4)", 2, 0},  // 0 and 0.4: 0.8 lies past the end
                {"SUM(3,0,1,0.3)", 4, 0}});
  const int starts[] = {-1300, -500, 0, 100, 250, 1000, 2700};
  const int ends[] = {-2000, -700, 0, 900, 1000, 1500, 3300, 10000};
  const int steps[] = {100, 200, 300, 700, 50, 1, 150, 450, 1100, 10, 70, 600, 400};
  int ranges = 0, wrong = 0;
  for (const int st : starts) {
    for (const int en : ends) {
      for (const int inc : steps) {
        const long long terms = std::abs(en - st) / inc + 1;
        const long long direction = en < st ? -1 : 1;
        const long long milliSum = terms * st + direction * inc * terms * (terms - 1) / 2;
        const std::string args = "," + Thousandths(st) + "," + Thousandths(en) + "," + Thousandths(inc) + ")";
        const long double count = Eval("SUM(3" + args);
        const long double powers = Eval("PROD(2" + args);
        const long double sum = Eval("SUM(1" + args);
        const long double magnitude = std::max({std::abs(st), std::abs(en), 1000}) / 1000.0L;
        const bool right = count == static_cast<long double>(terms) &&
                           powers == std::ldexp(1.0L, static_cast<int>(terms)) &&
                           std::fabs(sum - milliSum / 1000.0L) <= 1e-17L * static_cast<long double>(terms) * magnitude;
        ++ranges;
        if (!right) {
          ++wrong;
          ADD_FAILURE() << "SUM(n" << args << ": " << static_cast<double>(count) << " terms, sum "
                        << static_cast<double>(sum) << "; " << terms << " terms, sum " << milliSum / 1000.0;
        }
        if (wrong > 10) return;
      }
    }
  }
  EXPECT_EQ(ranges, 728);
}

// SUM and PROD over ranges whose ends lie a real fraction of a step off a whole count, short
// or past by a thousandth down to a trillionth of a step (support/decimal_ranges.h: 4 starts,
// 5 steps, 4 whole counts up to 1000, counting up and down): the terms start + k step that
// do not pass the end, their count, 2^count and their sum exactly. A fixed allowance of 1e-9
// of the quotient added a term past the end of a range a millionth of a step short of about
// a thousand steps: SUM(1,0,0.999999999,0.001) of $ gave 500.499999999 (1001 terms) for
// 499.5.
TEST_P(CalculusTest, EndsAFractionOfAStepOffSumOnlyTheTermsUpToTheEnd) {
  namespace dr = decimal_ranges;
  Lines({"$", "2", "1"});
  ExpectValues({{"SUM(1,0,0.999999999,0.001)", 499.5L, 1e-16L},
                {"SUM(3,0,0.999999999,0.001)", 1000, 0},
                {"SUM(3,0.999999999,0,0.001)", 1000, 0},
                {"SUM(3,0,1.000000001,0.001)", 1001, 0},
                {"SUM(3,0,1,0.001)", 1001, 0}});
  const dr::TGrid grid{{"0", "0.1", "-1", "2.7"},
                       {"0.001", "0.01", "0.3", "0.7", "0.125"},
                       {1, 10, 999, 1000},
                       dr::FullGrid().offsets};
  int left = 0, wrong = 0;
  const std::vector<dr::TRange> ranges = dr::Ranges(grid, left);
  for (const dr::TRange& c : ranges) {
    // The language's step is positive; the end below the start counts down.
    const std::string step = c.step[0] == '-' ? c.step.substr(1) : c.step;
    const std::string args = "," + c.start + "," + c.end + "," + step + ")";
    const long double count = Eval("SUM(3" + args);
    const long double powers = Eval("PROD(2" + args);
    const long double sum = Eval("SUM(1" + args);
    const long double exactSum = static_cast<long double>(dr::SumOfValues(c)) / 1e18L;
    // Each addition rounds to half a unit of the running sum's last place, at most some 5e-20
    // of count x the largest term.
    const long double largest =
        std::fabs(std::strtold(c.start.c_str(), nullptr)) + std::fabs(std::strtold(c.end.c_str(), nullptr));
    const bool right = count == static_cast<long double>(c.count) &&
                       powers == std::ldexp(1.0L, static_cast<int>(c.count)) &&
                       std::fabs(sum - exactSum) <= 1e-19L * static_cast<long double>(c.count * c.count) * (largest + 1);
    if (!right && ++wrong <= 10)
      ADD_FAILURE() << "SUM(n" << args << ": " << static_cast<double>(count) << " terms, sum "
                    << static_cast<double>(sum) << "; " << c.count << " terms, sum " << static_cast<double>(exactSum);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ranges.size(), 1022u);
  EXPECT_EQ(left, 258);
}

// A sum the loop cannot run fails the whole statement with a code: the missing value alone
// was taken as a number by the operators around it (Z+SUM(...) gave Z - 12345.6789). An
// empty line is not such a failure: its terms count as 0, as in the integrals.
TEST_P(CalculusTest, RefusedSumsFailTheStatementAndEmptyLinesCountAsZero) {
  Lines({"$"});
  Vars().Z() = 5;
  for (const char* text : {"Z+SUM(1,1,10,0)", "Z+SUM(1,1,10,-1)", "Z+PROD(1,10,1,-1)", "Z+SUM(1,-INF,0,1)",
                           "Z+SUM(1,0,1,INF)", "Z+SER(1,1,0,1E-10)", "Z+SER(1,1E20,1,1E-30)",
                           "Z+SER(1,INF,1,1E-10)"}) {
    ExpectEval(text, ExprErrorValue, kErrInvalidOperand);
  }
  // More than a million terms has a message of its own ("80x87: Invalid Operand" told
  // the user nothing); a million are still summed.
  for (const char* text : {"Z+PROD(1,1,2,1E-30)", "Z+SUM(1,1,1E18,1)", "Z+SUM(1,1E20,2E20,1)", "Z+SUM(1,1,1000001,1)",
                           "Z+SUM(1,0,1,9.99E-7)", "Z+PROD(9,1E6,-1,1)"}) {
    ExpectEval(text, ExprErrorValue, kErrTooManyTerms);
  }
  EXPECT_EQ(ExprErrorText(kErrTooManyTerms), "Sum or Product: More Than 1,000,000 Terms");
  ExpectEval("Z+SUM(1,1,1000000,1)", 5 + 1000000.0L * 1000001 / 2);
  ExpectEval("Z+SUM(9,1,999999,1)", 5);
  ExpectEval("Z+PROD(9,1,10,1)", 5);
  ExpectEval("Z+SER(9,1,1,1E-10)", 5);
  ExpectEval("Z+SUM(1,1,999999,1)", 5 + 999999.0L * 1000000 / 2);
  ExpectEval("Z+PROD(1,1,5,1)", 125);
  // A series that never meets its tolerance fails (it gave its sum at the term limit).
  ExpectEval("Z+SER(1,1,1,1E-10)", ExprErrorValue, kErrSeriesConvergence);
}

// The integrals refuse a reversed range the same way (a line outside 1..9 does not parse):
// the statement fails instead of computing on with the missing value (Z+QI(1,1,0) was
// Z - 12345.6789).
TEST_P(CalculusTest, RefusedIntegralsFailTheStatement) {
  Lines({"$"});
  Vars().Z() = 5;
  for (const char* text : {"Z+QI(1,1,0)", "Z+AI(1,1,0)", "Z+RI(1,1,0)", "Z+QIP(1,1,0,1E-8)", "Z+AIP(1,1,0,1E-8)",
                           "Z+QIN(1,1,0,8)", "Z+DQIP(1,1,0,0,1,1E-8)", "Z+DQIP(1,0,1,1,0,1E-8)"}) {
    ExpectEval(text, ExprErrorValue, kErrInvalidOperand);
  }
  ExpectEval("Z+QI(1,1,1)", 5);            // an empty range is 0
  ExpectEval("Z+QI(1,0,2)", 7, 0, 1e-17L);  // the integral of $ over [0, 2]
}

// A line that gives the missing value without an error of its own (DATAERR) has no value
// there: SUM and the integrals counted it as 0 (F1 = IF($>0.7,DATAERR,$) summed to 2.1
// over 0, 0.1, ..., 1), the derivatives took it as a number, and F1 gave 0. Each fails now
// with "Function Line Has No Value"; an empty line still counts as 0.
TEST_P(CalculusTest, MissingValuesOfALineFailTheBuiltIns) {
  Vars().X() = 1;
  Lines({"IF($>0.7,DATAERR,$)", "IF(X>1.5,DATAERR,X*X)", "F1+1"});
  EXPECT_EQ(ExprErrorText(kErrLineUndefined), "Function Line Has No Value");
  for (const char* text : {"SUM(1,0,1,0.1)", "PROD(1,0.5,1,0.1)", "SER(1,0.8,1,1E-10)", "QI(1,0,1)", "AI(1,0,1)",
                           "RI(1,0,1)", "QIN(1,0,1,8)", "DQIP(1,0,1,0,1,1E-8)"}) {
    Vars().X() = 1;
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
    EXPECT_NE(MathError(), 0) << text;
  }
  Vars().Dollar() = 0.8L;
  ExpectEval("F1", ExprErrorValue, kErrLineUndefined);
  ExpectEval("F3", ExprErrorValue, kErrLineUndefined);
  Vars().Dollar() = 0.5L;
  ExpectEval("F3", 1.5L);
  ExpectEval("SUM(1,0,0.6,0.1)", 2.1L, 0, 1e-18L);  // below 0.7 the line has values
  // Derivatives: at X = 2 the line has no value; at 1.4 the step 2.8e-6 stays below 1.5.
  for (const char* text : {"DX(2)", "DX2(2)", "DY(2)", "DXY(2)", "Z+DX(2)"}) {
    Vars().X() = 2;
    ExpectEval(text, ExprErrorValue, kErrLineUndefined);
  }
  Vars().X() = 1.4L;
  ExpectEval("DX(2)", 2.8L, 0, 1e-8L);
  ExpectEval("DX2(2)", 2, 0, 1e-4L);
  // Empty lines (9) count as 0 everywhere, and IF's branch not taken forgets the failure.
  Vars().X() = 2;
  ExpectValues({{"SUM(9,0,1,0.1)+QI(9,0,1)+AI(9,0,1)+RI(9,0,1)+DQIP(9,0,1,0,1,1E-8)+DX(9)+F9", 0, 0},
                {"IF(0,DX(2),5)", 5, 0},
                {"PROD(9,1,3,1)", 0, 0}});
}

// The fixed-order rule has no error control, and the sums of an integrand odd about the
// middle of the range are exactly 0 whether or not its integral exists: QIN of 1/$ over
// [-1, 1] gave 0. A zero from values that cancel stands only where the upper half's
// integral exists.
TEST_P(CalculusTest, FixedOrderRuleConfirmsAZeroFromCancellingValues) {
  Lines({"1/$", "$*$*$", "TAN($)", "SIN($)*EXP($*$)"});
  for (const char* text : {"QIN(1,-1,1,8)", "QIN(1,-1,1,128)", "QIN(3,-2,2,64)", "Z+QIN(1,-1,1,2)"}) {
    ExpectEval(text, ExprErrorValue, kErrIntegralConvergence);
  }
  ExpectValues({{"QIN(2,-1,1,8)", 0, 0}, {"QIN(4,-3,3,128)", 0, 0}, {"QIN(2,0,1,4)", 0.25L, 1e-18L}});
}

TEST_P(CalculusTest, ErrorsOfATermOrBeforeTheCallFailTheResult) {
  Vars().Dollar() = 7;
  Lines({"LN($-5)", "$"});
  EXPECT_EQ(Eval("SUM(1,1,10,1)"), ExprErrorValue);
  EXPECT_NE(MathError(), 0);
  EXPECT_TRUE(Ctx().ErrorListed(-6));
  ExpectEval("1+PROD(1,6,10,1)*0", 1);
  Vars().X() = 1;
  Line(0, "LN(X)+QI(2,0,1)+SUM(2,1,2,1)");
  Vars().X() = 0;
  ExpectResult(Run(0), ExprErrorValue, -6);  // "Log: Zero Singularity", cleared by neither built-in
  Vars().X() = 1;
  ExpectResult(Run(0), 3.5L, 0, 1e-18L);
}

TEST_P(CalculusTest, RootsAndDerivativesRestoreTheirVariables) {
  Lines({"Z-5.5", "Z*Z-2", "Z+3", "X*X*Y", "X*X*X"});
  Vars().X() = 3;
  Vars().Y() = 2;
  // [5, 5] becomes [5, 6]; reversed limits are swapped; [0, 1] is widened below to
  // [-10, 1]. Closed forms of x^2 y at (3, 2): 2xy, x^2, 2y, 0 and 2x; an empty line
  // has derivative 0.
  ExpectValues({{"IMPLICIT(1,5,5,1E-12)", 5.5L, 1e-12L}, {"IMPLICIT(2,2,0,1E-12)", kSqrt2, 1e-12L},
                {"IMPLICIT(3,0,1,1E-12)", -3, 1e-12L},   {"IMPLICIT_(2,1,2,1E-15)", kSqrt2, 1e-15L},
                {"IMPLICIT(2,0,1,1E-12)", kSqrt2, 1e-12L}, {"DX(4)", 12, 1e-9L}, {"DY(4)", 9, 1e-9L},
                {"DX2(4)", 4, 1e-4L}, {"DY2(4)", 0, 1e-4L}, {"DXY(4)", 6, 1e-4L}, {"DX(7)+DXY(7)", 0, 0}});
  EXPECT_LD_NEAR(Vars().Z(), kSqrt2, 1e-12L);  // Z holds the root
  EXPECT_EQ(Vars().X(), 3);
  EXPECT_EQ(Vars().Y(), 2);
  // The central difference of x^3 is 3x^2 + h^2: the step is 2^-21 |x| below the unit,
  // 2^-61 at 0 (where the difference of x^3 stands clear of its rounding at once).
  for (const auto& [x, h] : {std::pair{0.0L, 0x1p-61L}, {1e-13L, 0x1p-21L * 1e-13L}, {2.0L, 0x1p-20L}, {-2.0L, 0x1p-20L}}) {
    Vars().X() = x;
    EXPECT_LD_NEAR(Eval("DX(5)"), 3 * x * x + h * h, 1e-9L * (1 + 3 * x * x)) << x;
    EXPECT_EQ(Vars().X(), x);
  }
  Vars().X() = 0;
  EXPECT_EQ(Eval("DX(5)"), 0x1p-122L);
  // A line missing at one of the points gives missing.
  Vars().X() = 2;
  Line(6, "IF(X>3,DATAERR,X)");
  Vars().X() = 3;
  EXPECT_EQ(Eval("DX(6)"), ExprErrorValue);
  Vars().X() = 2;
  EXPECT_LD_NEAR(Eval("DX(6)"), 1.0L, 1e-9L);
}

TEST_P(CalculusTest, NestedCallIsRefusedAndLeavesTheOuterOneIntact) {
  Line(2, "$");
  Line(1, "$*QI(2,0,1)");  // compiled outside any integral: its test run is not nested
  ExpectEval("QI(1,0,1)", ExprErrorValue, kErrCalculusNested);
  // The refused call never wrote the outer one's line number or tolerance.
  EXPECT_EQ(State().CalcSubFn, 1);
  EXPECT_EQ(State().IntegRecord.IntegTolerance, static_cast<long double>(1e-8));
  EXPECT_FALSE(State().running);
  // Sums and integrals refuse each other too.
  Line(3, "SUM(2,1,3,1)*$");
  Line(4, "QI(2,0,$)");
  for (const char* text : {"QI(3,0,1)", "SUM(4,1,3,1)"}) ExpectEval(text, ExprErrorValue, kErrCalculusNested);
  // A refusal forgotten by an "IF" branch not taken leaves the outer result as it is, and
  // after a refusal the next integral runs normally.
  Line(5, "IF($<=1,$*$,QI(2,0,1))");
  ExpectValues({{"QI(5,0,1)", 1.0L / 3, 1e-18L}, {"QI(2,0,4)", 8, 1e-17L}});
}

// An integral whose line calls Bessel functions of orders near 2^31 ends at once: the
// calls fail with their code where their values are not 0 (each once ran Miller's
// recurrence for seconds and gave 0; a statement of the fuzz driver,
// IF(170,(INF<(AIP(9,-7.25,0.5,W)*INF)),$), ran for 14 s), so the integral does not
// converge; where the values are below the smallest long double they are 0 at once.
TEST_P(CalculusTest, IntegralOfAHugeBesselOrderEndsWithItsCode) {
  Line(9, "JN(9.7E8*($<0),3E9)+JN(2147483647*($<0),3E10)");  // J0(3E9) + J0(3E10) at the test run
  ExpectEval("AIP(9,-7.25,0.5,1E-10)", ExprErrorValue, -100);  // "Integral: Convergence Failure"
  Line(8, "JN(9.7E8*($<0),3)+IN(2147483647*($<0),3)+$");  // J0(3) + I0(3) + $ for $ >= 0, $ below
  ExpectEval("AIP(8,-7.25,-1,1E-10)", -25.78125L, 0, 1e-8L);  // (1 - 7.25^2)/2
}

TEST_P(CalculusTest, DerivativesAndIntegralsMayContainEachOther) {
  // d/dX of the integral of $ from 0 to X is X; the integral over $ of d/dX (X^2 $) is X.
  Vars().X() = 3;
  Lines({"$", "QI(1,0,X)", "X*X*$", "DX(3)"});
  ExpectValues({{"DX(2)", 3, 1e-8L}, {"QI(4,0,1)", 3, 1e-8L}});
  EXPECT_EQ(Vars().X(), 3);
}

class CalculusEntryTest : public ExprTest {};

TEST_F(CalculusEntryTest, ViewFunctionIntegratesItsOwnLines) {
  ASSERT_EQ(ExprCompileViewFn("F1=EXP(-$*$)\nF2=Y*$\nZ=QI(1,-INF,INF)*X+DQIP(2,0,1,0,2,1E-10)\n", 1, 1), 1);
  // sqrt(pi) X + Y: the double integral of Y $ with $ over [0, 1] and $$ over [0, 2] is
  // Y x 1/2 x 2.
  ExpectResult(ExprEvalViewFn(2, 5), 2 * kSqrtPi + 5, 0, 1e-14L);
  EXPECT_TRUE(ExprSlotAt(31)->Empty());  // no user function's slot was used
  // The line number must be a literal 1 to 9.
  for (const char* text : {"SUM(X,1,10,1)", "SUM(10,1,10,1)", "QI(0,0,1)", "DX(A0)"}) {
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
    EXPECT_EQ(Syntax(), 7) << text;
  }
}

TEST_F(CalculusEntryTest, CalculusHandlersSurviveHostileArguments) {
  // Called directly, past the compiler's check of the line number.
  ExprContext& ctx = Ctx();
  ctx.CurrentUdf = 2;
  Vars().Dollar() = 0.5;
  ASSERT_EQ(ExprCompileSlot("$*$-Z+X", 21), 1);
  constexpr long double nan = std::numeric_limits<long double>::quiet_NaN();
  constexpr long double inf = std::numeric_limits<long double>::infinity();
  constexpr long double huge = std::numeric_limits<long double>::max();
  const long double values[] = {nan, inf, -inf, huge, -huge, 0, -0.0L, 1, 1e-4950L, -1e300L, 11, -1};
  int calls = 0;
  for (const TExprFunctionRow& row : ExprFunctionTable()) {
    if (!(row.flags & kTakesSubFunctionNumber) || !row.handler) continue;
    for (const long double v : values) {
      for (int position = 0; position < row.args; ++position) {
        long double a[10] = {1, 0, 1, 1e-8L, 1, 1e-8L, 0, 0, 0, 0};
        a[position] = v;
        ctx.ClearErrors();
        row.handler(ctx, a);
        ++calls;
        EXPECT_FALSE(CalculusState(ctx).running) << row.name;
        EXPECT_EQ(ctx.nesting, 0) << row.name;
      }
    }
  }
  EXPECT_GT(calls, 400);
}

TEST_F(CalculusEntryTest, ThreadsIntegrateWithTheirOwnRecords) {
  Vars().Dollar() = 0.5;
  Ctx().CurrentUdf = 1;
  ASSERT_EQ(ExprCompileSlot("EXP(-$)", 11), 1);
  ASSERT_EQ(ExprCompileSlot("QI(1,0,INF)+AI(1,0,1)", 10), 1);
  Ctx().CurrentUdf = 2;
  ASSERT_EQ(ExprCompileSlot("$*$", 21), 1);
  ASSERT_EQ(ExprCompileSlot("RI(1,0,3)+SUM(1,1,3,1)", 20), 1);
  long double results[2][50] = {};
  auto work = [&results](int t) {
    ExprContext& ctx = ExprThreadContext();
    ctx.CurrentUdf = t + 1;
    for (int i = 0; i < 50; ++i) results[t][i] = ExprRunSlot(ctx, 10 * (t + 1));
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  for (int i = 0; i < 50; ++i) {
    EXPECT_LD_NEAR(results[0][i], 2 - std::exp(-1.0L), 1e-15L);
    EXPECT_LD_NEAR(results[1][i], 9.0L + 14, 1e-15L);
  }
}

}  // namespace
