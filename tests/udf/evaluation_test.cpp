// Line kinds, loading, the graph callbacks, the fitting contract and the limits.
#include <cmath>
#include <thread>

#include "app/xyz_point.h"
#include "expr/program_slots.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_limits.h"
#include "udf_test_support.h"

namespace {

class UdfEvaluationTest : public UdfTest {
 protected:
  // Defines, parses and loads function k.
  static TUdfRecord& Loaded(int k, std::string_view text, std::initializer_list<Limits> params) {
    TUdfRecord& r = Define(k, "F", text, params);
    ParseUdfParams(k);
    ExprThreadContext().CurrentUdf = k;
    EXPECT_EQ(UdfLoad(k), 1) << text;
    return r;
  }
  // n points with x = i, y = 2 i, z = 0 (i = 1..n), weight 1.
  static PointTable Points(int n) {
    PointTable t = NewPointTable(n);
    for (int i = 1; i <= n; ++i) {
      TXYZPoint& p = t[static_cast<std::size_t>(i)];
      p.X = i;
      p.Y = 2 * i;
      p.W = 1;
      p.Status = kPointActive;
    }
    return t;
  }
};

TEST_F(UdfEvaluationTest, LinesAreClassifiedByTheirStart) {
  struct Case {
    const char* line;
    UdfLineKind kind;
    int sub;
    const char* expression;
  };
  const Case cases[] = {
      {"Z=A0*X\r", UdfLineKind::kValue, 0, "A0*X"},
      {"ZZ=1=2", UdfLineKind::kValue, 0, "1=2"},
      {"F1=X*Y", UdfLineKind::kSubFunction, 1, "X*Y"},
      {"#F9=Y", UdfLineKind::kSubFunction, 9, "Y"},
      {"F0=2", UdfLineKind::kStatement, 0, "F0=2"},
      {"FX=1", UdfLineKind::kStatement, 0, "FX=1"},
      {"#F=1", UdfLineKind::kStatement, 0, "#F=1"},
      {"B=10", UdfLineKind::kStatement, 0, "B=10"},
      {"z=1", UdfLineKind::kStatement, 0, "z=1"},
  };
  for (const Case& c : cases) {
    const TUdfLine l = ClassifyUdfLine(c.line);
    EXPECT_EQ(l.kind, c.kind) << c.line;
    EXPECT_EQ(l.sub, c.sub) << c.line;
    EXPECT_EQ(l.expression, c.expression) << c.line;
    EXPECT_TRUE(l.hasEquals) << c.line;
  }
  EXPECT_FALSE(ClassifyUdfLine("Z A0").hasEquals);
  EXPECT_EQ(UdfLineSlot(3, ClassifyUdfLine("#F4=1")), 34);
  EXPECT_EQ(UdfLineSlot(3, ClassifyUdfLine("Z=1")), 30);
  EXPECT_EQ(UdfLineSlot(3, ClassifyUdfLine("B=1")), -1);
  EXPECT_EQ(UdfTextLines("A=1\r\nZ=2\r\n").size(), 2u);
  EXPECT_EQ(UdfTextLines("A=1\nZ=2").size(), 2u);
}

TEST_F(UdfEvaluationTest, HashSubFunctionAndZLineCompileIntoTheirSlots) {
  const int k = 6;
  Loaded(k, "#F1=A0*X\r\nZ=F1+A1*Y\r\n", {{"-10", "2", "10"}, {"-10", "3", "10"}});
  EXPECT_FALSE(ExprSlotAt(10 * k + 1)->Empty());
  EXPECT_FALSE(ExprSlotAt(10 * k)->Empty());
  EXPECT_TRUE(ExprSlotAt(10 * k + 2)->Empty());
  EXPECT_EQ(Udf(k)->Compiled, 1);
  EXPECT_TRUE(UdfReadyToFit(k));
  // The graph callback of function 7 runs slot 60 with the parameters as they stand.
  EXPECT_EQ(EvalUdfCallback(k), &EvalUdf7);
  EXPECT_EQ(EvalUdf7(5, 7), 2 * 5 + 3 * 7);
  EXPECT_EQ(EvalUdfCallback(15), nullptr);
  EXPECT_EQ(EvalUdf1(5, 7), ExprErrorValue);  // function 1 is not loaded
}

TEST_F(UdfEvaluationTest, FitEvaluationGivesForwardDifferences) {
  const int k = 2;
  Loaded(k, "Z=A0*EXP(A1*X)+Y\r\n", {{"-10", "1", "10"}, {"-10", "1", "10"}});
  const long double a[] = {0, 2, 0.5L};
  long double z = 0;
  long double dz[3] = {};
  ExprThreadContext().CurrentUdf = 0;
  UdfFitEvaluate(k, 1, 3, a, &z, dz);
  EXPECT_EQ(ExprThreadContext().CurrentUdf, k);
  EXPECT_NEAR(static_cast<double>(z), static_cast<double>(2 * std::exp(0.5L) + 3), 1e-15);
  // d/dA0 = exp(A1 x), d/dA1 = A0 x exp(A1 x); the forward step 1e-6 Ai is off by about
  // h/2 times the second derivative.
  EXPECT_NEAR(static_cast<double>(dz[1]), std::exp(0.5), 1e-9);
  EXPECT_NEAR(static_cast<double>(dz[2]), 2 * std::exp(0.5), 1e-5);
  // Parameters are put back exactly.
  EXPECT_EQ(Vars().A(0), 2);
  EXPECT_EQ(Vars().A(1), 0.5L);
}

TEST_F(UdfEvaluationTest, FitEvaluationCoordinatesAndFailedSteps) {
  const int k = 0;
  Loaded(k, "Z=A0*X+SQRT(4-A1)+Y\r\n", {{"-10", "1", "10"}, {"-10", "1", "10"}});
  EXPECT_EQ(UdfFitCoordinate(0), static_cast<long double>(1e-25));
  EXPECT_EQ(UdfFitCoordinate(-1e-13L), static_cast<long double>(1e-25));
  EXPECT_EQ(UdfFitCoordinate(-1e-12L), -1e-12L);
  const long double a[] = {0, 0, 4};
  long double z = 0;
  long double dz[3] = {};
  UdfFitEvaluate(k, 0, 0, a, &z, dz);
  EXPECT_EQ(Vars().X(), static_cast<long double>(1e-25));
  // A0 = 0 is stepped by 1e-6: the slope is x.
  EXPECT_NEAR(static_cast<double>(dz[1]), 1e-25, 1e-30);
  // A1 + 1e-6 A1 passes 4: the square root's domain error gives the stand-in derivative.
  EXPECT_EQ(dz[2], static_cast<long double>(1e-30));
}

TEST_F(UdfEvaluationTest, EquationNumbersAndLimits) {
  EXPECT_EQ(UdfEquationNumber(0), 2501);
  EXPECT_EQ(UdfEquationNumber(14), 2515);
  EXPECT_EQ(UdfIndexOfEquation(2515), 14);
  EXPECT_EQ(UdfIndexOfEquation(2500), -1);
  EXPECT_EQ(UdfIndexOfEquation(2516), -1);
  Define(4, "L", "Z=A0*X+A1*Y\r\n", {{"0", "1", "10"}, {"-5", "0", "BAD"}});
  ParseUdfParams(4);
  EXPECT_EQ(UdfDefinedCount(), 1);
  EXPECT_EQ(UdfFitParamCount(4), 2);
  EXPECT_FALSE(UdfReadyToFit(4));  // parsed, not loaded
  struct Case {
    long double a0, a1;
    bool out;
  };
  // Bounds are inclusive; a limit that failed to evaluate bounds nothing.
  const Case cases[] = {{0, -5, false}, {10, 1e30L, false}, {-1e-30L, 0, true}, {10.000001L, 0, true}, {5, -5.1L, true}};
  for (const Case& c : cases) {
    const long double a[] = {0, c.a0, c.a1};
    EXPECT_EQ(UdfParamsOutOfLimits(4, a), c.out) << static_cast<double>(c.a0) << " " << static_cast<double>(c.a1);
  }
  EXPECT_FALSE(UdfParamsOutOfLimits(5, nullptr));
}

TEST_F(UdfEvaluationTest, LimitsAreEvaluatedInOrderWithTheMask) {
  DataStats.X.Min = -3;
  DataStats.X.Max = 8;
  Define(1, "M", "Z=A0*X+A1*Y+A2\r\n",
         {{"XMIN", "SQRT(16)", "XMAX"}, {"-A0", "A0/2", "2*A0"}, {"-1", "ZMEAN", "LN(0)"}});
  ParseUdfParams(1);
  const TUdfRecord& r = *Udf(1);
  EXPECT_EQ(r.Lower[0], -3);
  EXPECT_EQ(r.Start[0], 4);
  EXPECT_EQ(r.Upper[0], 8);
  // Later expressions see the start values of earlier parameters.
  EXPECT_EQ(r.Lower[1], -4);
  EXPECT_EQ(r.Start[1], 2);
  EXPECT_EQ(r.Upper[1], 8);
  EXPECT_EQ(r.Start[2], 4);
  EXPECT_EQ(r.Upper[2], ExprErrorValue);  // LN(0) raises a math error
  EXPECT_EQ(r.DataMask, (1u << 30) | (1u << 31) | (1u << 2));
  EXPECT_EQ(Vars().A(2), 4);
  for (std::size_t i = 3; i < 10; ++i) {
    EXPECT_EQ(r.Lower[i], kUdfDefaultLower);
    EXPECT_EQ(r.Start[i], 1);
    EXPECT_EQ(r.Upper[i], kUdfDefaultUpper);
  }
}

TEST_F(UdfEvaluationTest, FailingLimitExpressionsGiveTheMissingValue) {
  const char* bad[] = {"1/0", "", "2;5", "NOSUCHNAME", "DATAERR", "(1", "INF"};
  for (const char* text : bad) {
    Define(0, "B", "Z=A0*X+Y\r\n", {{"0", text, "10"}});
    ParseUdfParams(0);
    EXPECT_EQ(Udf(0)->Start[0], ExprErrorValue) << text;
    EXPECT_EQ(Udf(0)->Lower[0], 0) << text;
  }
}

TEST_F(UdfEvaluationTest, DataDependentLimitsFollowTheData) {
  Define(0, "D", "Z=A0*X+Y\r\n", {{"-1", "XMEAN", "100"}});
  Define(1, "C", "Z=A0*X+Y\r\n", {{"-1", "5", "100"}});
  ParseUdfParams(0);
  ParseUdfParams(1);
  EXPECT_EQ(Udf(0)->Start[0], 2);
  DataStats.X.Mean = 9;
  Udf(1)->Start[0] = 6;  // adjusted by hand: not data-dependent, so kept
  ParseAllUdfParams();
  EXPECT_EQ(Udf(0)->Start[0], 9);
  EXPECT_EQ(Udf(1)->Start[0], 6);
}

TEST_F(UdfEvaluationTest, DerivativeRangesSampleAboutTwentyFivePoints) {
  // dZ/dA0 = X, so the extremes name the first and last points sampled.
  Loaded(3, "Z=A0*X+A1*Y\r\n", {{"-10", "2", "10"}, {"-10", "1", "10"}});
  const PointTable ten = Points(10);
  EXPECT_EQ(UdfDerivativeRanges(3, 0, ten, 100), -1);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMin[0]), 1, 1e-9);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMax[0]), 10, 1e-9);
  const PointTable hundred = Points(100);  // points 1, 5, 9, ..., 97
  UdfDerivativeRanges(3, -1, hundred, 100);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMin[0]), 1, 1e-9);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMax[0]), 97, 1e-9);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMax[1]), 194, 1e-9);
  // The parameters are left at their start values.
  EXPECT_EQ(Vars().A(0), 2);
  EXPECT_EQ(Vars().A(1), 1);
}

TEST_F(UdfEvaluationTest, PointsNearTheAxesAreNotSampled) {
  Loaded(3, "Z=A0*X+Y\r\n", {{"-10", "2", "10"}});
  PointTable t = Points(10);
  t[1].X = 0;
  t[10].Y = 1e-13L;
  UdfDerivativeRanges(3, 0, t, 100);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMin[0]), 2, 1e-9);
  EXPECT_NEAR(static_cast<double>(Udf(3)->DerivMax[0]), 9, 1e-9);
}

TEST_F(UdfEvaluationTest, SmallEffectsAreReportedOthersAreNot) {
  // Over x = 1..10 and a z range of 100: A0 moves z by 1e-5 (too small), A1 is additive,
  // A2 starts at 0, A3 moves z by 90.
  Loaded(5, "Z=A0*X+A1+A2*X+A3*X\r\n",
         {{"-1", "1e-6", "1"}, {"-100", "3", "100"}, {"-1", "0", "1"}, {"-20", "10", "20"}});
  const PointTable t = Points(10);
  EXPECT_EQ(UdfDerivativeRanges(5, -1, t, 100), 0);
  EXPECT_EQ(UdfDerivativeRanges(5, 1, t, 100), -1);
  EXPECT_NEAR(static_cast<double>(Udf(5)->DerivMin[1]), 1, 1e-9);
  EXPECT_EQ(UdfDerivativeRanges(5, 2, t, 100), -1);
  EXPECT_EQ(UdfDerivativeRanges(5, 3, t, 100), -1);
  EXPECT_EQ(UdfDerivativeRanges(5, 4, t, 100), -1);  // beyond the count
  EXPECT_EQ(UdfDerivativeRanges(9, -1, t, 100), -1);  // undefined
}

TEST_F(UdfEvaluationTest, NoUsablePointLeavesZeroExtremes) {
  DataStats.Y.Mean = 30;  // loads at the data means
  Loaded(3, "Z=A0*X+LN(Y-25)\r\n", {{"-10", "2", "10"}});
  const PointTable t = Points(10);  // every y <= 20 fails the logarithm
  EXPECT_EQ(UdfDerivativeRanges(3, 0, t, 100), 0);
  EXPECT_EQ(Udf(3)->DerivMin[0], 0);
  EXPECT_EQ(Udf(3)->DerivMax[0], 0);
}

}  // namespace

namespace {

// The fit worker and the background fit evaluate on their own threads, each with its
// own language variables, while sharing the compiled slots.
TEST_F(UdfEvaluationTest, ThreadsEvaluateOneFunctionIndependently) {
  Loaded(1, "F1=A0*X\r\nZ=F1+A1*Y*Y\r\n", {{"-10", "2", "10"}, {"-10", "1", "10"}});
  auto work = [](long double a0, long double* sum) {
    const long double a[] = {0, a0, 0.5L};
    long double z = 0;
    long double dz[3] = {};
    *sum = 0;
    for (int i = 1; i <= 2000; ++i) {
      UdfFitEvaluate(1, i, 2, a, &z, dz);
      *sum += z;
    }
  };
  long double s1 = 0;
  long double s2 = 0;
  std::thread t1(work, 1.0L, &s1);
  std::thread t2(work, 3.0L, &s2);
  t1.join();
  t2.join();
  // sum over i of (a0 i + 2) = a0 * 2001000 + 4000
  EXPECT_EQ(s1, 2001000 + 4000);
  EXPECT_EQ(s2, 3 * 2001000 + 4000);
}

}  // namespace
