// A long evaluation stopped by the user: the question installed by TEvaluationStopScope is
// asked at the interpreter's safe points, and a "no" ends the evaluation there with
// "Calculation Cancelled", the missing value and nothing assigned, leaving the context
// ready for the next one.
#include <cstdint>

#include "expr/calculus_state.h"
#include "expr/error_text.h"
#include "expr/evaluation_stop.h"
#include "expr/program_slots.h"
#include "expr/symbol_table.h"
#include "expr_test_support.h"

namespace {

class EvaluationStopTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    Ctx().CurrentUdf = kUdf;
    Vars().Dollar() = 0.5;
    // The statement that ran 43 s: a product over a million terms of a costly line, its
    // limits and step computed from lines and CSCH.
    ASSERT_EQ(ExprCompileSlot("INU(100.5,$)*0+1", 10 * kUdf + 8), 1);
    ASSERT_EQ(ExprCompileSlot("$*2", 10 * kUdf + 9), 1);
  }
  static constexpr int kUdf = 3;
  static constexpr const char* kLong = "PROD(8,999999,CSCH(($$-LN(999999))),((-Z<#F9))!)";
};

TEST_F(EvaluationStopTest, CancelledEvaluationStopsPromptlyAndLeavesStateAsItWas) {
  ExprContext& ctx = Ctx();
  Vars().X() = 1.5;
  Vars().A(0) = 7;
  ASSERT_EQ(Eval("B=2"), 2);
  const TExprVars before = ctx.ExprVars;
  int asks = 0;
  constexpr int kCancelAt = 4;
  {
    const TEvaluationStopScope stop(ctx, [&] { return ++asks < kCancelAt; });
    ExpectEval("B=PROD(8,999999,CSCH(($$-LN(999999))),((-Z<#F9))!)", ExprErrorValue, kErrEvaluationCancelled);
    // Stopped at the ask that said no: about kCancelAt x 256 line runs of a million.
    EXPECT_EQ(asks, kCancelAt);
    // Once cancelled, a further evaluation of the same task stops at its first line run.
    ExpectEval(kLong, ExprErrorValue, kErrEvaluationCancelled);
    EXPECT_EQ(asks, kCancelAt + 1);
  }
  EXPECT_FALSE(ctx.goOn);
  EXPECT_EQ(ExprErrorText(kErrEvaluationCancelled), "Calculation Cancelled");
  // Nothing assigned, the variables as they were but the product's own $, no built-in
  // left running, no run left open.
  EXPECT_EQ(Eval("B"), 2);
  Vars().Dollar() = before.cell[kVarDollar];
  for (std::uint32_t i = 0; i < kExprVarCount; ++i) EXPECT_EQ(ctx.ExprVars.cell[i], before.cell[i]) << i;
  EXPECT_FALSE(CalculusState(ctx).running);
  EXPECT_EQ(ctx.nesting, 0);
  EXPECT_EQ(ctx.tempTop, 0u);
  EXPECT_TRUE(ctx.errorMarks.empty());
  // The next evaluation runs in full: 1 x 2 x ... x 10 with the line $*2 is 2^10 10!.
  ExpectEval("PROD(9,1,10,1)", 1024.0L * 3628800, 0);
  ExpectEval("SUM(9,1,1000,1)", 1001000, 0);
}

// A question that always says yes changes nothing, and is asked once every
// kRunsBetweenAsks line runs.
TEST_F(EvaluationStopTest, QuestionThatGoesOnChangesNothing) {
  int asks = 0;
  long double with = 0;
  {
    const TEvaluationStopScope stop(Ctx(), [&] { return ++asks > 0; });
    with = Eval("SUM(9,1,25600,1)");
  }
  EXPECT_EQ(MathError(), 0);
  EXPECT_EQ(asks, 100);
  EXPECT_EQ(with, Eval("SUM(9,1,25600,1)"));
  EXPECT_EQ(with, 25600.0L * 25601);
}

}  // namespace
