// Line kinds, loading, the graph callbacks, the fitting contract and the limits.
#include <thread>

#include "app/xyz_point.h"
#include "expr/function_text_lines.h"
#include "expr/program_slots.h"
#include "tools/udf/udf_evaluation.h"
#include "udf_test_support.h"

namespace {

class UdfEvaluationTest : public UdfTest {
 protected:
  // Defines, parses and loads function k.
  static TUdfRecord& Loaded(int k, std::string_view text, std::initializer_list<Limits> params) {
    TUdfRecord& r = Parsed(k, "F", text, params);
    ExprThreadContext().CurrentUdf = k;
    EXPECT_EQ(UdfLoad(k), 1) << text;
    return r;
  }
  // n points with x = i, y = 2 i, z = 0 (i = 1..n), weight 1.
  static PointTable Points(int n) {
    PointTable t = NewPointTable(n);
    for (int i = 1; i <= n; ++i) {
      t[static_cast<std::size_t>(i)] = TXYZPoint{.X = i * 1.0L, .Y = 2.0L * i, .W = 1, .Status = kPointActive};
    }
    return t;
  }
  static void ExpectRange(int k, int i, long double min, long double max) {
    EXPECT_NEAR(static_cast<double>(Udf(k)->DerivMin[i]), static_cast<double>(min), 1e-9) << i;
    EXPECT_NEAR(static_cast<double>(Udf(k)->DerivMax[i]), static_cast<double>(max), 1e-9) << i;
  }
};

TEST_F(UdfEvaluationTest, LinesAreClassifiedByTheirStart) {
  using enum UdfLineKind;
  struct Case {
    const char* line;
    UdfLineKind kind;
    int sub;
    const char* expression;
  };
  const Case cases[] = {{"Z=A0*X\r", kValue, 0, "A0*X"},      {"ZZ=1=2", kValue, 0, "1=2"},
                        {"F1=X*Y", kSubFunction, 1, "X*Y"}, {"#F9=Y", kSubFunction, 9, "Y"},
                        {"F0=2", kStatement, 0, "F0=2"},    {"FX=1", kStatement, 0, "FX=1"},
                        {"#F=1", kStatement, 0, "#F=1"},    {"B=10", kStatement, 0, "B=10"},
                        {"z=1", kStatement, 0, "z=1"}};
  for (const Case& c : cases) {
    const TUdfLine l = ClassifyUdfLine(c.line);
    EXPECT_EQ(std::tuple(l.kind, l.sub, std::string(l.expression), l.hasEquals),
              std::tuple(c.kind, c.sub, c.expression, true)) << c.line;
  }
  EXPECT_FALSE(ClassifyUdfLine("Z A0").hasEquals);
  EXPECT_EQ((std::vector{UdfLineSlot(3, ClassifyUdfLine("#F4=1")), UdfLineSlot(3, ClassifyUdfLine("Z=1")),
                         UdfLineSlot(3, ClassifyUdfLine("B=1"))}),
            (std::vector{34, 30, -1}));
  EXPECT_EQ(UdfTextLines("A=1\r\nZ=2\r\n").size() + UdfTextLines("A=1\nZ=2").size(), 4u);
}

TEST_F(UdfEvaluationTest, HashSubFunctionAndZLineCompileIntoTheirSlots) {
  const int k = 6;
  Loaded(k, "#F1=A0*X\r\nZ=F1+A1*Y\r\n", {{"-10", "2", "10"}, {"-10", "3", "10"}});
  EXPECT_EQ((std::vector{ExprSlotAt(10 * k + 1)->Empty(), ExprSlotAt(10 * k)->Empty(),
                         ExprSlotAt(10 * k + 2)->Empty()}),
            (std::vector{false, false, true}));
  EXPECT_EQ(Udf(k)->Compiled, 1);
  EXPECT_TRUE(UdfReadyToFit(k));
  // The graph callback of function 7 runs slot 60 with the parameters as they stand.
  EXPECT_EQ(EvalUdfCallback(k), &EvalUdf7);
  EXPECT_EQ(EvalUdf7(5, 7), 2 * 5 + 3 * 7);
  EXPECT_EQ(EvalUdfCallback(15), nullptr);
  EXPECT_EQ(EvalUdf1(5, 7), ExprErrorValue);  // function 1 is not loaded
}

TEST_F(UdfEvaluationTest, FitEvaluationGivesForwardDifferences) {
  Loaded(2, "Z=A0*EXP(A1*X)+Y\r\n", {{"-10", "1", "10"}, {"-10", "1", "10"}});
  const long double a[] = {0, 2, 0.5L};
  long double z = 0, dz[3] = {};
  ExprThreadContext().CurrentUdf = 0;
  UdfFitEvaluate(2, 1, 3, a, &z, dz);
  EXPECT_EQ(ExprThreadContext().CurrentUdf, 2);
  EXPECT_NEAR(static_cast<double>(z), static_cast<double>(2 * std::exp(0.5L) + 3), 1e-15);
  // d/dA0 = exp(A1 x), d/dA1 = A0 x exp(A1 x); the forward step 1e-6 Ai is off by about
  // h/2 times the second derivative.
  EXPECT_NEAR(static_cast<double>(dz[1]), std::exp(0.5), 1e-9);
  EXPECT_NEAR(static_cast<double>(dz[2]), 2 * std::exp(0.5), 1e-5);
  EXPECT_EQ(std::tuple(Vars().A(0), Vars().A(1)), std::tuple(2.0L, 0.5L));  // parameters are put back exactly
  // Coordinates near 0 are evaluated at 1e-25; a parameter of 0 is stepped by 1e-6, and a
  // step whose evaluation fails (A1 + 1e-6 A1 passes 4 under the root) gives the stand-in
  // derivative 1e-30.
  Loaded(0, "Z=A0*X+SQRT(4-A1)+Y\r\n", {{"-10", "1", "10"}, {"-10", "1", "10"}});
  EXPECT_EQ((std::vector{UdfFitCoordinate(0), UdfFitCoordinate(-1e-13L), UdfFitCoordinate(-1e-12L)}),
            (std::vector{static_cast<long double>(1e-25), static_cast<long double>(1e-25), -1e-12L}));
  const long double b[] = {0, 0, 4};
  UdfFitEvaluate(0, 0, 0, b, &z, dz);
  EXPECT_EQ(Vars().X(), static_cast<long double>(1e-25));
  EXPECT_NEAR(static_cast<double>(dz[1]), 1e-25, 1e-30);  // the slope is x
  EXPECT_EQ(dz[2], static_cast<long double>(1e-30));
}

TEST_F(UdfEvaluationTest, EquationNumbersAndLimits) {
  EXPECT_EQ((std::vector{UdfEquationNumber(14), UdfIndexOfEquation(2515), UdfIndexOfEquation(2500),
                         UdfIndexOfEquation(2516)}),
            (std::vector{2515, 14, -1, -1}));
  Parsed(4, "L", "Z=A0*X+A1*Y\r\n", {{"0", "1", "10"}, {"-5", "0", "BAD"}});
  EXPECT_EQ(UdfDefinedCount(), 1);
  EXPECT_EQ(UdfFitParamCount(4), 2);
  EXPECT_FALSE(UdfReadyToFit(4));  // parsed, not loaded
  // Bounds are inclusive; a limit that failed to evaluate bounds nothing.
  const std::array<long double, 3> inside[] = {{0, 0, -5}, {0, 10, 1e30L}}, outside[] = {{0, -1e-30L, 0},
      {0, 10.000001L, 0}, {0, 5, -5.1L}};
  for (const auto& a : inside) EXPECT_FALSE(UdfParamsOutOfLimits(4, a.data())) << static_cast<double>(a[1]);
  for (const auto& a : outside) EXPECT_TRUE(UdfParamsOutOfLimits(4, a.data())) << static_cast<double>(a[1]);
  EXPECT_FALSE(UdfParamsOutOfLimits(5, nullptr));
}

TEST_F(UdfEvaluationTest, LimitsAreEvaluatedInOrderWithTheMask) {
  stats_.X.Min = -3;
  stats_.X.Max = 8;
  const TUdfRecord& r = Parsed(1, "M", "Z=A0*X+A1*Y+A2\r\n",
                               {{"XMIN", "SQRT(16)", "XMAX"}, {"-A0", "A0/2", "2*A0"}, {"-1", "ZMEAN",
          "LN(0)"}});
  // Later expressions see the start values of earlier parameters; LN(0) raises a math error.
  EXPECT_EQ((std::vector{r.Lower[0], r.Start[0], r.Upper[0], r.Lower[1], r.Start[1], r.Upper[1], r.Start[2],
                         r.Upper[2]}),
            (std::vector<long double>{-3, 4, 8, -4, 2, 8, 4, ExprErrorValue}));
  EXPECT_EQ(r.DataMask, (1u << 30) | (1u << 31) | (1u << 2));
  EXPECT_EQ(Vars().A(2), 4);
  for (std::size_t i = 3; i < 10; ++i) {
    EXPECT_EQ((std::vector{r.Lower[i], r.Start[i], r.Upper[i]}),
              (std::vector{kUdfDefaultLower, 1.0L, kUdfDefaultUpper}));
  }
}

TEST_F(UdfEvaluationTest, FailingLimitExpressionsGiveTheMissingValue) {
  for (const char* text : {"1/0", "", "2;5", "NOSUCHNAME", "DATAERR", "(1", "INF"}) {
    Parsed(0, "B", "Z=A0*X+Y\r\n", {{"0", text, "10"}});
    EXPECT_EQ(Udf(0)->Start[0], ExprErrorValue) << text;
    EXPECT_EQ(Udf(0)->Lower[0], 0) << text;
  }
}

TEST_F(UdfEvaluationTest, DerivativeRangesSampleAboutTwentyFivePointsAwayFromTheAxes) {
  // dZ/dA0 = X, so the extremes name the first and last points sampled.
  Loaded(3, "Z=A0*X+A1*Y\r\n", {{"-10", "2", "10"}, {"-10", "1", "10"}});
  EXPECT_EQ(UdfDerivativeRanges(3, 0, Points(10), 100), -1);
  ExpectRange(3, 0, 1, 10);
  UdfDerivativeRanges(3, -1, Points(100), 100);  // points 1, 5, 9, ..., 97
  ExpectRange(3, 0, 1, 97);
  ExpectRange(3, 1, 2, 194);
  EXPECT_EQ(Vars().A(0), 2);  // the parameters are left at their start values
  EXPECT_EQ(Vars().A(1), 1);
  // Points near the axes are not sampled.
  PointTable t = Points(10);
  t[1].X = 0;
  t[10].Y = 1e-13L;
  UdfDerivativeRanges(3, 0, t, 100);
  ExpectRange(3, 0, 2, 9);
}

TEST_F(UdfEvaluationTest, SmallEffectsAreReportedOthersAreNot) {
  // Over x = 1..10 and a z range of 100: A0 moves z by 1e-5 (too small), A1 is additive,
  // A2 starts at 0, A3 moves z by 90.
  Loaded(5, "Z=A0*X+A1+A2*X+A3*X\r\n", {{"-1", "1e-6", "1"}, {"-100", "3", "100"}, {"-1", "0", "1"}, {"-20", "10", "20"}});
  const PointTable t = Points(10);
  EXPECT_EQ(UdfDerivativeRanges(5, -1, t, 100), 0);
  EXPECT_EQ(UdfDerivativeRanges(5, 1, t, 100), -1);
  EXPECT_NEAR(static_cast<double>(Udf(5)->DerivMin[1]), 1, 1e-9);
  for (int i : {2, 3, 4}) EXPECT_EQ(UdfDerivativeRanges(5, i, t, 100), -1) << i;  // 4: beyond the count
  EXPECT_EQ(UdfDerivativeRanges(9, -1, t, 100), -1);                               // undefined
  // No usable point leaves zero extremes: loaded at the data means, every y <= 20 of the
  // points fails the logarithm.
  stats_.Y.Mean = 30;
  Loaded(3, "Z=A0*X+LN(Y-25)\r\n", {{"-10", "2", "10"}});
  EXPECT_EQ(UdfDerivativeRanges(3, 0, t, 100), 0);
  EXPECT_EQ(std::tuple(Udf(3)->DerivMin[0], Udf(3)->DerivMax[0]), std::tuple(0.0L, 0.0L));
}

// The fit worker and the background fit evaluate on their own threads, each with its
// own language variables, while sharing the compiled slots.
TEST_F(UdfEvaluationTest, ThreadsEvaluateOneFunctionIndependently) {
  Loaded(1, "F1=A0*X\r\nZ=F1+A1*Y*Y\r\n", {{"-10", "2", "10"}, {"-10", "1", "10"}});
  auto work = [](long double a0, long double* sum) {
    const long double a[] = {0, a0, 0.5L};
    long double z = 0, dz[3] = {};
    *sum = 0;
    for (int i = 1; i <= 2000; ++i) {
      UdfFitEvaluate(1, i, 2, a, &z, dz);
      *sum += z;
    }
  };
  long double s1 = 0, s2 = 0;
  std::thread t1(work, 1.0L, &s1), t2(work, 3.0L, &s2);
  t1.join();
  t2.join();
  // sum over i of (a0 i + 2) = a0 * 2001000 + 4000
  EXPECT_EQ(s1, 2001000 + 4000);
  EXPECT_EQ(s2, 3 * 2001000 + 4000);
}

}  // namespace
