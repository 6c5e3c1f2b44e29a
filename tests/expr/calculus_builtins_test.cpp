// The calculus built-ins of the language: integrals, sums, products, series, derivatives
// and implicit roots of the lines of a user-defined function (slots 10k + n) and of the
// view function (slots 161..169, CurrentUdf 16), with their argument checks, the mended
// faults, the refusal of nested calls and hostile arguments.
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/function_table.h"
#include "expr/program_slots.h"
#include "expr_test_support.h"
#include "support/long_double_near.h"

namespace {

constexpr long double kSqrt2 = std::numbers::sqrt2_v<long double>;
constexpr long double kSqrtPi = 1.772453850905516027298167483341145182798L;  // sqrt(pi), mpmath

// Runs every test for user-defined function 3 (slots 30..39) and for the view function
// (CurrentUdf 16, slots 160..169).
class CalculusTest : public ExprTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    Ctx().CurrentUdf = GetParam();
    Vars().Dollar() = 0.5;  // the test run of a compiled line evaluates it here
  }
  // Compiles `text` as line Fn (n 1..9) or as the Z line (n 0) of the function.
  static void Line(int n, const char* text) {
    ASSERT_EQ(ExprCompileSlot(text, 10 * Ctx().CurrentUdf + n), 1) << text;
  }
  static long double Run(int n) { return ExprRunSlot(10 * Ctx().CurrentUdf + n); }
  static const TCalculusState& State() { return CalculusState(Ctx()); }
};

INSTANTIATE_TEST_SUITE_P(UserFunctionAndViewFunction, CalculusTest, ::testing::Values(3, kExprViewFnUdf));

TEST_P(CalculusTest, IntegralsSumsProductsRootsOfTheFunctionsLines) {
  Line(1, "EXP(-$)");
  Line(2, "$*$");
  Line(3, "$");
  Line(4, "Z*Z-2");
  Line(5, "1");
  // Closed forms: 1, 1/3, 55, 55, 3, 120, sqrt 2, 6.
  EXPECT_LD_NEAR(Eval("QI(1,0,INF)"), 1.0L, 1e-15L);
  EXPECT_EQ(MathError(), 0);
  EXPECT_LD_NEAR(Eval("RI(2,0,1)"), 1.0L / 3, 1e-18L);
  EXPECT_EQ(Eval("SUM(3,1,10,1)"), 55);
  EXPECT_EQ(Eval("SUM(3,10,1,1)"), 55);  // counts down
  EXPECT_EQ(Eval("SUM(3,3,3,1)"), 3);    // one term
  EXPECT_EQ(Eval("PROD(3,1,5,1)"), 120);
  EXPECT_LD_NEAR(Eval("IMPLICIT(4,0,1,1E-12)"), kSqrt2, 1e-12L);
  EXPECT_LD_NEAR(Vars().Z(), kSqrt2, 1e-12L);  // Z holds the root
  EXPECT_LD_NEAR(Eval("DQIP(5,0,2,0,3,1E-8)"), 6.0L, 1e-17L);
  EXPECT_EQ(MathError(), 0);
  // $ keeps the last point evaluated.
  Eval("SUM(3,1,10,1)");
  EXPECT_EQ(Vars().Dollar(), 10);
  // The same from a compiled Z line.
  Line(0, "F3+QI(1,0,INF)+RI(2,0,1)");
  Vars().Dollar() = 2;  // read by F3 before the integrals move $
  EXPECT_LD_NEAR(Run(0), 2 + 4.0L / 3, 1e-15L);
  // "F1", "#F1" and "1" name the same line.
  EXPECT_EQ(Eval("SUM(F3,1,4,1)+SUM(#F3,1,4,1)+SUM(3,1,4,1)"), 30);
}

TEST_P(CalculusTest, AutomaticAndGaussianIntegralsWithTheirPrecision) {
  Line(1, "EXP(-$*$)");
  Line(2, "1/(1+$*$)");
  // sqrt(pi) over the whole line in three pieces split at -0.99 and 0.99; 2 atan 5.
  EXPECT_LD_NEAR(Eval("QI(1,-INF,INF)"), kSqrtPi, 1e-15L);
  EXPECT_LD_NEAR(Eval("AI(1,-INF,INF)"), kSqrtPi, 1e-15L);
  EXPECT_LD_NEAR(Eval("QIP(2,-5,5,1E-14)"), 2 * std::atan(5.0L), 1e-15L);
  EXPECT_LD_NEAR(Eval("AIP(2,-5,5,1E-14)"), 2 * std::atan(5.0L), 1e-15L);
  EXPECT_LD_NEAR(State().IntegRecord.IntegTolerance, 1e-14L, 1e-30L);
  EXPECT_LT(State().IntegRecord.IntegErrorEstimate, 1e-14L);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, EqualAndReversedLimits) {
  Line(1, "$");
  EXPECT_EQ(Eval("AI(1,0,0)"), 0);
  EXPECT_EQ(State().IntegRecord.IntegErrorEstimate, 0);
  for (const char* text : {"AI(1,1,0)", "QI(1,1,0)", "QIP(1,1,0,1E-8)", "RI(1,1,0)", "QIN(1,1,0,4)",
                           "AIP(1,1,0,1E-8)", "DQIP(1,1,0,0,1,1E-8)", "DQIP(1,0,1,1,0,1E-8)"}) {
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
  }
  EXPECT_EQ(Eval("DQIP(1,0,1,2,2,1E-8)"), 0);
  // An empty line integrates to 0.
  EXPECT_EQ(Eval("QI(7,0,1)"), 0);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, FixedOrderRuleTakesAnEvenOrderFromTwoTo128) {
  Line(1, "$^11");
  // The N-point rule is exact to degree 2N - 1: order 5 becomes the 6-point rule, exact
  // for $^11 (1/12); the 4-point rule is not.
  EXPECT_LD_NEAR(Eval("QIN(1,0,1,5)"), 1.0L / 12, 1e-18L);
  EXPECT_GT(std::fabs(Eval("QIN(1,0,1,4)") - 1.0L / 12), 1e-6L);
  EXPECT_EQ(Eval("QIN(1,0,1,1)"), Eval("QIN(1,0,1,2)"));
  EXPECT_EQ(Eval("QIN(1,0,1,-7)"), Eval("QIN(1,0,1,2)"));
  EXPECT_EQ(Eval("QIN(1,0,1,500)"), Eval("QIN(1,0,1,128)"));
  EXPECT_EQ(Eval("QIN(1,0,1,6.9)"), Eval("QIN(1,0,1,6)"));
  // A point where the line fails is nudged: 1/$ at the midpoint of [-1, 1] is not a
  // Gauss point of an even rule, but 1/($-0.5) is a point of none either.
  Line(2, "1/SQRT($)");
  EXPECT_LD_NEAR(Eval("QIN(2,0,1,128)"), 2.0L, 0.02L);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, OddIntegrandOnASymmetricRangeIntegratesToZero) {
  // Every Gauss sum is exactly 0; two successive zero sums are accepted.
  Line(1, "$*$*$");
  for (const char* text : {"QI(1,-1,1)", "QIP(1,-2,2,1E-12)", "AI(1,-1,1)", "RI(1,-1,1)"}) {
    EXPECT_EQ(Eval(text), 0) << text;
    EXPECT_EQ(MathError(), 0) << text;
  }
}

TEST_P(CalculusTest, SeriesStopsOnTheMagnitudeOfItsSum) {
  // Sum of 0.5^k: stops at the first k with 0.5^k < |s| 1e-15, k = 49, with either sign.
  Line(1, "0.5^$");
  Line(2, "-(0.5^$)");
  EXPECT_LD_NEAR(Eval("SER(1,0,1,1E-15)"), 2.0L, 4e-15L);
  EXPECT_EQ(Vars().Dollar(), 49);
  EXPECT_LD_NEAR(Eval("SER(2,0,1,1E-15)"), -2.0L, 4e-15L);
  EXPECT_EQ(Vars().Dollar(), 49);
  // A series that never gets small runs its 31,999 terms and stands.
  Line(3, "1");
  EXPECT_EQ(Eval("SER(3,1,1,1E-10)"), 31999);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, CountingLoopsThatWouldNotEndGiveTheMissingValue) {
  Line(1, "$");
  for (const char* text : {"SUM(1,1,10,0)", "SUM(1,1,10,-1)", "PROD(1,1,10,0)", "PROD(1,10,1,-1)",
                           "SUM(1,1,2,1E-30)", "SUM(1,1E20,2E20,1)", "SUM(1,1,1E18,1)", "SER(1,1,0,1E-10)",
                           "SER(1,1,-1,1E-10)", "SER(1,1E20,1,1E-30)", "SUM(1,-INF,0,1)", "SUM(1,1,INF,1)",
                           "SUM(1,0,1,INF)"}) {
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
  }
  // A million terms are still summed (Gauss's closed form n(n + 1)/2).
  EXPECT_EQ(Eval("SUM(1,1,999999,1)"), 999999.0L * 1000000 / 2);
}

TEST_P(CalculusTest, ATermThatFailsFailsTheSumWithItsCode) {
  Vars().Dollar() = 7;
  Line(1, "LN($-5)");
  EXPECT_EQ(Eval("SUM(1,1,10,1)"), ExprErrorValue);
  EXPECT_NE(MathError(), 0);
  EXPECT_TRUE(Ctx().ErrorListed(-6));
  EXPECT_EQ(Eval("1+PROD(1,6,10,1)*0"), 1);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, ErrorsRaisedBeforeACalculusCallStillCount) {
  Line(1, "$");
  Vars().X() = 1;
  Line(0, "LN(X)+QI(1,0,1)+SUM(1,1,2,1)");
  Vars().X() = 0;
  EXPECT_EQ(Run(0), ExprErrorValue);
  EXPECT_EQ(MathError(), -6);  // "Log: Zero Singularity", cleared by neither built-in
  Vars().X() = 1;
  EXPECT_LD_NEAR(Run(0), 3.5L, 1e-18L);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, DerivativesByCentralDifferencesRestoreTheirVariable) {
  Line(1, "X*X*Y");
  Vars().X() = 3;
  Vars().Y() = 2;
  // Closed forms of x^2 y at (3, 2): 2xy, x^2, 2y, 0 and 2x.
  EXPECT_LD_NEAR(Eval("DX(1)"), 12.0L, 1e-9L);
  EXPECT_LD_NEAR(Eval("DY(1)"), 9.0L, 1e-9L);
  EXPECT_LD_NEAR(Eval("DX2(1)"), 4.0L, 1e-4L);
  EXPECT_LD_NEAR(Eval("DY2(1)"), 0.0L, 1e-4L);
  EXPECT_LD_NEAR(Eval("DXY(1)"), 6.0L, 1e-4L);
  EXPECT_EQ(Vars().X(), 3);
  EXPECT_EQ(Vars().Y(), 2);
  // The central difference of x^3 is 3x^2 + h^2: the step is 1e-6 x, or 1e-6 near 0.
  Line(2, "X*X*X");
  struct Case {
    long double x, h;
  };
  for (const Case c : {Case{0, 1e-6L}, Case{1e-13L, 1e-6L}, Case{2, 2e-6L}, Case{-2, -2e-6L}}) {
    Vars().X() = c.x;
    EXPECT_LD_NEAR(Eval("DX(2)"), 3 * c.x * c.x + c.h * c.h, 1e-9L * (1 + 3 * c.x * c.x)) << c.x;
    EXPECT_EQ(Vars().X(), c.x);
  }
  Vars().X() = 0;
  EXPECT_LD_NEAR(Eval("DX(2)"), 1e-12L, 1e-20L);
  // An empty line has derivative 0; a line missing at one of the points gives missing.
  EXPECT_EQ(Eval("DX(7)+DXY(7)"), 0);
  Vars().X() = 2;
  Line(3, "IF(X>3,DATAERR,X)");
  Vars().X() = 3;
  EXPECT_EQ(Eval("DX(3)"), ExprErrorValue);
  Vars().X() = 2;
  EXPECT_LD_NEAR(Eval("DX(3)"), 1.0L, 1e-9L);
}

TEST_P(CalculusTest, ImplicitRootsAndTheirBrackets) {
  Line(1, "Z-5.5");
  Line(2, "Z*Z-2");
  Line(3, "Z*Z+1");
  Line(4, "Z+3");
  // [5, 5] becomes [5, 6]; reversed limits are swapped; [0, 1] is widened to [0, 2].
  EXPECT_LD_NEAR(Eval("IMPLICIT(1,5,5,1E-12)"), 5.5L, 1e-12L);
  EXPECT_LD_NEAR(Eval("IMPLICIT(2,2,0,1E-12)"), kSqrt2, 1e-12L);
  EXPECT_LD_NEAR(Eval("IMPLICIT(4,0,1,1E-12)"), -3.0L, 1e-12L);  // widened below to [-10, 1]
  EXPECT_LD_NEAR(Eval("IMPLICIT_(2,1,2,1E-15)"), kSqrt2, 1e-15L);
  // No root in the bracket, or none at all: the missing value, not a root at 0.
  EXPECT_EQ(Eval("IMPLICIT_(2,0,1,1E-12)"), ExprErrorValue);
  EXPECT_EQ(Eval("IMPLICIT(3,0,1,1E-12)"), ExprErrorValue);
  EXPECT_EQ(Eval("IMPLICIT(2,1000,1001,1E-12)"), ExprErrorValue);
}

TEST_P(CalculusTest, NestedCallIsRefusedAndLeavesTheOuterOneIntact) {
  Line(2, "$");
  Line(1, "$*QI(2,0,1)");  // compiled outside any integral: its test run is not nested
  EXPECT_EQ(Eval("QI(1,0,1)"), ExprErrorValue);
  EXPECT_EQ(MathError(), kErrCalculusNested);
  // The refused call never wrote the outer one's line number or tolerance.
  EXPECT_EQ(State().CalcSubFn, 1);
  EXPECT_EQ(State().IntegRecord.IntegTolerance, static_cast<long double>(1e-8));
  EXPECT_FALSE(State().running);
  // Sums and integrals refuse each other too.
  Line(3, "SUM(2,1,3,1)*$");
  Line(4, "QI(2,0,$)");
  EXPECT_EQ(Eval("QI(3,0,1)"), ExprErrorValue);
  EXPECT_EQ(MathError(), kErrCalculusNested);
  EXPECT_EQ(Eval("SUM(4,1,3,1)"), ExprErrorValue);
  EXPECT_EQ(MathError(), kErrCalculusNested);
  // A refusal forgotten by an "IF" branch not taken leaves the outer result as it is.
  Line(5, "IF($<=1,$*$,QI(2,0,1))");
  EXPECT_LD_NEAR(Eval("QI(5,0,1)"), 1.0L / 3, 1e-18L);
  EXPECT_EQ(MathError(), 0);
  // After a refusal the next integral runs normally.
  EXPECT_LD_NEAR(Eval("QI(2,0,4)"), 8.0L, 1e-17L);
  EXPECT_EQ(MathError(), 0);
}

TEST_P(CalculusTest, DerivativesAndIntegralsMayContainEachOther) {
  // d/dX of the integral of $ from 0 to X is X; the integral over $ of d/dX (X^2 $) is X.
  Vars().X() = 3;
  Line(1, "$");
  Line(2, "QI(1,0,X)");
  Line(3, "X*X*$");
  Line(4, "DX(3)");
  EXPECT_LD_NEAR(Eval("DX(2)"), 3.0L, 1e-8L);
  EXPECT_LD_NEAR(Eval("QI(4,0,1)"), 3.0L, 1e-8L);
  EXPECT_EQ(MathError(), 0);
  EXPECT_EQ(Vars().X(), 3);
}

class CalculusEntryTest : public ExprTest {};

TEST_F(CalculusEntryTest, ViewFunctionIntegratesItsOwnLines) {
  ASSERT_EQ(ExprCompileViewFn("F1=EXP(-$*$)\nF2=Y*$\nZ=QI(1,-INF,INF)*X+DQIP(2,0,1,0,2,1E-10)\n", 1, 1), 1);
  // sqrt(pi) X + Y: the double integral of Y $ with $ over [0, 1] and $$ over [0, 2] is
  // Y x 1/2 x 2.
  EXPECT_LD_NEAR(ExprEvalViewFn(2, 5), 2 * kSqrtPi + 5, 1e-14L);
  EXPECT_EQ(MathError(), 0);
  EXPECT_TRUE(ExprSlotAt(31)->Empty());  // no user function's slot was used
}

TEST_F(CalculusEntryTest, LineNumberMustBeALiteralOneToNine) {
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
  std::thread a(work, 0);
  std::thread b(work, 1);
  a.join();
  b.join();
  for (int i = 0; i < 50; ++i) {
    EXPECT_LD_NEAR(results[0][i], 2 - std::exp(-1.0L), 1e-15L);
    EXPECT_LD_NEAR(results[1][i], 9.0L + 14, 1e-15L);
  }
}

}  // namespace
