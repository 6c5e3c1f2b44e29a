// No failure of a built-in is passed on as a number: every row of the function table, with
// a call of it that fails, fails the statement bare, in the arithmetic around it, and
// inside the lines that SUM, AI, IMPLICIT and DX run. The missing value of a failed call
// once reached the expression around it as -12345.6789 (IMPLICIT(1,0,1,1E-10)+1 gave
// -12344.6789 with no root, GNOISE on light weights Z - 12345.68).
#include <string>

#include "expr/function_table.h"
#include "expr/program_slots.h"
#include "expr_test_support.h"
#include "failing_calls.h"

namespace {

using namespace failing_calls;

class FailingCallsTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    // Weights that sum to 1 or less leave the standard deviations undefined.
    stats_.X.StdDev = stats_.Y.StdDev = stats_.Z.StdDev = ExprErrorValue;
    Ctx().CurrentUdf = 4;
  }
  static int Slot(int line) { return 10 * Ctx().CurrentUdf + line; }
  // X, Y, Z and $ at 2, where every call fails; W is the gate of the lines.
  static void At(long double w) {
    Vars().X() = Vars().Y() = Vars().Z() = Vars().Dollar() = 2;
    Vars().W() = w;
  }
  // Compiles `text` as line n with the gates shut (W = 0) and X at 1, where the lines the
  // calls read have values, so that its test run succeeds.
  static bool CompileLine(int n, const std::string& text) {
    At(0);
    Vars().X() = 1;
    return ExprCompileSlot(text, Slot(n)) == 1;
  }
  static void ClearLines() {
    for (int n = 0; n <= 9; ++n) ExprSlotFree(Slot(n));
  }
};

TEST_F(FailingCallsTest, EveryBuiltInFailsTheStatementWhereverItFails) {
  int rows = 0;
  for (const TExprFunctionRow& row : ExprFunctionTable()) {
    const TFailingCall* c = FailingCallOf(row.name);
    ASSERT_NE(c, nullptr) << row.name << " has no failing call in failing_calls.h";
    ++rows;
    if (c->call == nullptr) {
      EXPECT_EQ(row.args, 0) << row.name << ": only a built-in without arguments may never fail";
      continue;
    }
    ClearLines();
    for (const TNeededLine& l : NeededLines(*c)) {
      if (l.line != 0) { ASSERT_TRUE(CompileLine(l.line, l.text)) << row.name; }
    }
    const std::string call = c->call;
    const auto [dollarGate, zGate, xGate] = GateLines(*c);
    ASSERT_TRUE(CompileLine(dollarGate, "IF(W>0.5," + call + ",$)")) << call;
    // Z-3 is read before the call, which may move Z (IMPLICIT leaves the last Z it tried).
    ASSERT_TRUE(CompileLine(zGate, "IF(W<0.5,Z-3," + call + ")")) << call;
    ASSERT_TRUE(CompileLine(xGate, "IF(W>0.5," + call + ",X)")) << call;

    // Bare and in the arithmetic around it: its own code.
    for (const std::string& text : {call, "X+" + call, "2*" + call, call + "^2", "IF(" + call + ">0,1,2)"}) {
      At(1);
      ExpectEval(text, ExprErrorValue, c->code);
      At(1);
      EXPECT_EQ(ExprCompileSlot("0*X+" + text, Slot(0)), 0) << text << ": its test run fails";
    }
    // Where the lines run it: a failure, with the line's code or the built-in's own.
    const std::string calculus[] = {"SUM(" + std::to_string(dollarGate) + ",1,2,0.5)",
                                    "AI(" + std::to_string(dollarGate) + ",1,2)",
                                    "IMPLICIT(" + std::to_string(zGate) + ",0,2,1E-10)",
                                    "DX(" + std::to_string(xGate) + ")", "Z+DX2(" + std::to_string(xGate) + ")"};
    for (const std::string& text : calculus) {
      At(1);
      EXPECT_EQ(Eval(text), ExprErrorValue) << text << " with " << call;
      EXPECT_NE(MathError(), 0) << text << " with " << call;
    }
    // With the gates shut the lines have values.
    for (const std::string& text : calculus) {
      At(0);
      EXPECT_NE(Eval(text), ExprErrorValue) << text << " with " << call;
    }
  }
  EXPECT_EQ(rows, kExprFunctionCount);
}

// The standard deviations that the weights leave undefined (they sum to 1 or less) fail
// the statement as operands, compiled or not; they once gave Z - 12345.68 for Z+ZSTD.
TEST_F(FailingCallsTest, UndefinedStatisticsFailTheStatement) {
  for (const char* text : {"XSTD", "Z+YSTD", "2*ZSTD", "IF(ZSTD>0,1,2)", "Z+GNOISE(5)", "IF(1,2,ZSTD)+ZSTD"}) {
    At(1);
    ExpectEval(text, ExprErrorValue, kErrStatisticUndefined);
    EXPECT_EQ(ExprCompileSlot(text, 150), 0) << text;
  }
  ExpectEval("IF(1,2,ZSTD)", 2);  // in the branch not taken it is forgotten like any fault
  ExpectEval("Z+NOISE(5)", 2);    // the range is defined
  stats_.Z.StdDev = 0.5L;
  ASSERT_EQ(ExprCompileSlot("Z+ZSTD", 150), 1);
  stats_.Z.StdDev = ExprErrorValue;  // the statistics change after the compile
  ExpectResult(ExprRunSlot(150), ExprErrorValue, kErrStatisticUndefined);
  stats_.Z.StdDev = 0.5L;
  ExpectResult(ExprRunSlot(150), 2.5L, 0);
}

}  // namespace
