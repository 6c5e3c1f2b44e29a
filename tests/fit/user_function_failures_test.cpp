// A user function that calls a built-in where it fails cannot be fitted: for every row of
// the function table, a function whose Z line calls it at the points with X above 1.5 is
// rejected by the fit instead of being fitted to the missing value as a number (the
// missing value of IMPLICIT without a root, GNOISE on light weights or DX of a line
// without a value once went into the sums as -12345.6789).
#include <algorithm>
#include <string>

#include "expr/data_statistics_cells.h"
#include "expr/function_table.h"
#include "expr/failing_calls.h"
#include "fit/levenberg_marquardt.h"
#include "fit_test_data.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;
using namespace failing_calls;

class UserFunctionFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    // Weights that sum to 1 or less leave the standard deviations undefined (GNOISE).
    undefinedSpread_.Z.StdDev = ExprErrorValue;
    ExprBindDataStats(&undefinedSpread_);
  }
  void TearDown() override { ExprBindDataStats(nullptr); }

  // Defines function k from `lines` (text with line feeds) and loads it; false when a line
  // does not compile.
  static bool Define(int k, const std::string& lines) {
    if (AllocUdf(k) != 1) return false;
    TUdfRecord& r = *BoundUdfTable()[static_cast<std::size_t>(k)];
    std::copy(lines.begin(), lines.end(), r.Text.begin());
    r.LineCount = static_cast<std::int16_t>(std::count(lines.begin(), lines.end(), '\n'));
    r.ParamCount = 2;
    for (std::size_t i = 0; i < 2; ++i) {
      r.Start[i] = 1;
      r.Lower[i] = r.Upper[i] = ExprErrorValue;
    }
    const TCurrentUdfScope scope(ExprThreadContext(), k);
    return UdfLoad(k) == 1;
  }

  TDataStats undefinedSpread_;
  UserFunctionScope scope_;
};

TEST_F(UserFunctionFailures, AFunctionCallingABuiltInWhereItFailsIsNotFitted) {
  // X from 0.5 to 3, Y from 0 to 2: the points with X beyond 1.5 take the call. (The lines
  // compile at the means of the bound statistics, 0 here, where the helper lines have
  // values.)
  PointTable t = GridTable(Axis(0.5L, 0.5L, 6), Axis(0, 1, 3),
                           [](long double x, long double y) { return 1 + 2 * x + y; });
  TDataStats stats = StatsOf(t);
  const long double a[] = {0, 1, 2};
  int rows = 0;
  for (const TExprFunctionRow& row : ExprFunctionTable()) {
    const TFailingCall* c = FailingCallOf(row.name);
    ASSERT_NE(c, nullptr) << row.name;
    if (c->call == nullptr) continue;
    ++rows;
    FreeAllUdfs();
    std::string text;
    for (const TNeededLine& l : NeededLines(*c)) {
      if (l.line != 0) text += "F" + std::to_string(l.line) + "=" + l.text + "\n";
    }
    text += "Z=A0+A1*X+Y+IF(X>1.5," + std::string(c->call) + ",0)\n";
    ASSERT_TRUE(Define(0, text)) << text;
    ExprThreadContext().ExprVars.Dollar() = 2;  // where the $ shapes fail

    long double z = 0;
    UdfFitEvaluate(0, 1, 1, a, &z, nullptr);
    EXPECT_EQ(z, 1 + 2 + 1) << c->call;
    UdfFitEvaluate(0, 2.5L, 2, a, &z, nullptr);
    EXPECT_EQ(z, ExprErrorValue) << c->call;
    EXPECT_NE(ExprThreadContext().ExprMathError, 0) << c->call;

    // The fit meets the failing points and refuses the function.
    EXPECT_EQ(FitUserFunction(0, t, stats, DefaultFitOptions(), 1), UserFitResult::kNotFitted) << c->call;
  }
  EXPECT_GT(rows, 170);
}

}  // namespace
