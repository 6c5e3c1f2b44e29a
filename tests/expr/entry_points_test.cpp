// Running slots with the floating-point discipline, error lines, user-defined functions
// and the view function.
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "expr/error_text.h"
#include "expr/program_slots.h"
#include "expr/symbol_table.h"
#include "expr_test_support.h"

namespace {

class EntryPointTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    stats_.X.Mean = 2;
    stats_.Y.Mean = 3;
    stats_.Z.Mean = 4;
  }

  // Defines user function k with `text` (lines ended by CR LF) and start values.
  static TUdfRecord& Define(int k, const char* text, std::initializer_list<long double> start) {
    EXPECT_EQ(AllocUdf(k), 1);
    TUdfRecord& r = *BoundUdfTable()[static_cast<std::size_t>(k)];
    std::strncpy(r.Text.data(), text, r.Text.size() - 1);
    r.ParamCount = static_cast<std::int16_t>(start.size());
    int i = 0;
    for (long double v : start) r.Start[static_cast<std::size_t>(i++)] = v;
    return r;
  }
};

TEST_F(EntryPointTest, UnderflowIsIgnoredAndNonFiniteResultsAreMissingWithACode) {
  // Far from the peak the exponential underflows; the sum is still A0.
  Vars().A(0) = 1.5;
  Vars().A(1) = 2;
  Vars().X() = 0;
  ASSERT_EQ(ExprCompileSlot("A0+A1*EXP(-X^2)", 40), 1);
  Vars().X() = 200;
  ExpectResult(ExprRunSlot(40), 1.5);
  // Infinities inside an expression are fine when the result is a number.
  const std::pair<const char*, long double> values[] = {{"EXP(-20000)", 0}, {"1/INF+(INF>1)", 1}};
  for (const auto& [text, value] : values) ExpectEval(text, value);
  // NaN: "80x87: Invalid Operand"; infinite: "80x87: Numeric Overflow", also when the
  // processor overflows.
  const std::pair<const char*, int> cases[] = {{"INF-INF", -48}, {"0*INF", -48}, {"INF", -49}, {"-INF", -49},
                                               {"X*X", -49}};
  Vars().X() = 2;
  ASSERT_EQ(ExprCompileSlot("X*X", 41), 1);
  Vars().X() = 1e4000L;
  for (const auto& [text, code] : cases) ExpectEval(text, ExprErrorValue, code);
  ExpectResult(ExprRunSlot(41), ExprErrorValue, -49);
}

TEST_F(EntryPointTest, ErrorLineMarksTheColumn) {
  const std::tuple<std::string, int, std::string> cases[] = {
      {"2+*3", 2, "2+|*3"}, {"2+*3", 0, "|2+*3"}, {"2+*3", 4, "2+*3| "}, {"2+*3", 9, "2+*3| "},
      {std::string(38, 'c'), 38, std::string(38, 'c') + "| "},
      // 41 to 80 characters: one break after 40; 81 or more: another after 39 more.
      {std::string(50, 'a'), 50, std::string(40, 'a') + "\n" + std::string(10, 'a') + "| "},
      {std::string(100, 'b'), 10,
       std::string(10, 'b') + "|" + std::string(29, 'b') + "\n" + std::string(39, 'b') + "\n" + std::string(22, 'b')}};
  for (const auto& [text, column, marked] : cases) EXPECT_EQ(ExprErrorLine(text, column), marked) << column;
  Eval("2+*3");
  EXPECT_EQ(ExprErrorLine("2+*3"), "2+*|3");
}

TEST_F(EntryPointTest, UserFunctionCompilesItsLinesIntoItsSlots) {
  const int k = 3;
  TUdfRecord& r = Define(k, "F1=A0*X\r\nZ=F1+A1\r\n", {2, 3});
  Ctx().CurrentUdf = k;
  ASSERT_EQ(UdfLoad(k), 1);
  EXPECT_EQ(r.Compiled, 1);
  for (int s : {31, 30, 32, 39, 20, 40}) EXPECT_EQ(ExprSlotAt(s)->Empty(), s != 31 && s != 30) << s;
  // Loading set the parameters to the start values and X, Y, Z to the data means.
  EXPECT_EQ((std::vector{Vars().A(0), Vars().X(), Vars().Dollar(), Vars().Y(), Vars().Z(), Vars().W()}),
            (std::vector<long double>{2, 2, 2, 3, 4, 1}));
  Vars().X() = 5;
  Vars().A(0) = 2;
  Vars().A(1) = 3;
  EXPECT_EQ(ExprRunSlot(30), 13);
  // F1 runs the line of the function CurrentUdf names.
  Ctx().CurrentUdf = 4;
  EXPECT_EQ(ExprRunSlot(30), 3);  // slot 41 is empty: F1 counts as 0
}

TEST_F(EntryPointTest, LastUserFunctionAndHashSubFunctionLines) {
  const int k = 14;
  Define(k, "#F2=X*Y\nB=10\nFX=1\nF0=2\nZ=#F2+B+FX\n", {1});
  Ctx().CurrentUdf = k;
  ASSERT_EQ(UdfLoad(k), 1);
  for (int s : {142, 140, 150}) EXPECT_EQ(ExprSlotAt(s)->Empty(), s == 150) << s;
  // "FX=1" and "F0=2" are statements: they set user variables.
  EXPECT_EQ(ExprFindSymbol("FX")->value, 1);
  EXPECT_EQ(ExprFindSymbol("F0")->value, 2);
  Eval("B=100");  // later changes do not reach the compiled line
  Vars().X() = 3;
  Vars().Y() = 4;
  EXPECT_EQ(ExprRunSlot(140), 12 + 10 + 1);
}

TEST_F(EntryPointTest, UserFunctionThatFailsAtTheMeansDoesNotLoad) {
  // X is the data mean 2 during the test run.
  TUdfRecord& r = Define(2, "Z=1/(X-2)\r\n", {1});
  r.Compiled = 1;  // as left by an earlier text
  Ctx().CurrentUdf = 2;
  EXPECT_EQ(UdfLoad(2), -1);
  EXPECT_EQ(r.Compiled, 0);
  EXPECT_TRUE(ExprSlotAt(20)->Empty());
  Define(2, "Z\r\n", {1});  // a Z line without "="
  EXPECT_EQ(UdfLoad(2), -1);
  EXPECT_EQ(UdfLoad(5), -1);   // not defined
  EXPECT_EQ(UdfLoad(15), -1);  // no such function
}

TEST_F(EntryPointTest, RecordsAreBoundedAndDamagedParameterCountsStayInside) {
  ASSERT_EQ(AllocUdf(7), 1);
  EXPECT_EQ(BoundUdfTable()[7]->Text[0], '\0');  // allocated zeroed
  EXPECT_EQ(BoundUdfTable()[7]->Start[9], 0);
  FreeUdf(7);
  EXPECT_FALSE(BoundUdfTable()[7]);
  EXPECT_EQ(AllocUdf(15), 0);
  FreeUdf(-1);  // out of range: nothing happens
  TUdfRecord& r = Define(1, "Z=A0+A9\r\n", {1});
  r.Start.fill(0.5);
  r.ParamCount = 32767;
  EXPECT_EQ(UdfLoad(1), 1);
  EXPECT_EQ(Vars().A(9), 0.5);
  r.ParamCount = -3;
  EXPECT_EQ(UdfLoad(1), 1);
}

TEST_F(EntryPointTest, SelfCallingLineFailsInsteadOfExhaustingTheStack) {
  Ctx().CurrentUdf = 0;
  EXPECT_EQ(ExprCompileSlot("F1+1", 1), 0);  // run once more after the compile, it reaches itself
  ExpectResult(ExprRunSlot(1), ExprErrorValue, 0);
  Ctx().CurrentUdf = 1;  // compiled as another function's line, nothing checks it
  ASSERT_EQ(ExprCompileSlot("F1+1", 1), 1);
  Ctx().CurrentUdf = 0;
  ExpectResult(ExprRunSlot(1), ExprErrorValue, -32);
  EXPECT_EQ(Ctx().tempTop, 0u);
  EXPECT_EQ(Ctx().nesting, 0);
  // A Z line that calls such a line fails its test run, so the function does not load.
  Define(0, "F1=F1+1\r\nZ=F1\r\n", {1});
  EXPECT_EQ(UdfLoad(0), -1);
}

TEST_F(EntryPointTest, ViewFunctionUsesItsOwnSlotsAndSubFunctions) {
  Ctx().CurrentUdf = 0;
  ASSERT_EQ(ExprCompileViewFn("F1=X*Y\nZ=F1+1\n", 2, 3), 1);
  EXPECT_EQ(Ctx().CurrentUdf, 0);
  for (int s : {161, 160, 1, 0}) EXPECT_EQ(ExprSlotAt(s)->Empty(), s < 10) << s;  // no user function's slot is touched
  EXPECT_EQ(ExprEvalViewFn(4, 5), 21);
  EXPECT_EQ(Ctx().CurrentUdf, 0);
  EXPECT_EQ(ExprCompileViewFn("Z=LN(X)\n", 0, 1), -1);
  // Derivatives by central differences; closed forms of z = x^2 y at (3, 2): 2xy, x^2, 2y,
  // 0 and 2x, and 0 at x = 0 (step 1e-6 there).
  ASSERT_EQ(ExprCompileViewFn("Z=X*X*Y\n", 1, 1), 1);
  const std::tuple<long double (*)(long double, long double), long double, double, double> derivatives[] = {
      {ExprDerivX, 3, 12, 1e-9}, {ExprDerivY, 3, 9, 1e-9},   {ExprDeriv2X, 3, 4, 1e-5},
      {ExprDeriv2Y, 3, 0, 1e-5}, {ExprDerivXY, 3, 6, 1e-5}, {ExprDerivX, 0, 0, 1e-9}};
  for (const auto& [d, x, value, tolerance] : derivatives) EXPECT_NEAR(static_cast<double>(d(x, 2)), value, tolerance);
  ASSERT_EQ(ExprCompileViewFn("Z=SQRT(X)\n", 1, 1), 1);
  EXPECT_EQ(ExprDerivX(0, 1), ExprErrorValue);  // SQRT(-1e-6) fails: no derivative
}

TEST_F(EntryPointTest, SyntaxCodesHaveTheirTexts) {
  EXPECT_EQ(ExprSyntaxText(7), "Function Number Must Be 1 to 9");
  EXPECT_EQ(ExprViewSyntaxText(0), "View Function(X,Y) Validation Error");
  EXPECT_EQ(ExprViewSyntaxText(3), "Invalid Floating Point Format");
  EXPECT_EQ(std::string(ExprSyntaxText(8)).append(ExprViewSyntaxText(7)), "");  // the view function's list ends at code 6
  // Every math-error code has a string of the program's string table.
  EXPECT_EQ(ExprErrorTextRows().size(), 61u);
  for (const TExprErrorTextRow& row : ExprErrorTextRows()) {
    EXPECT_LT(row.code, 0);
    EXPECT_FALSE(ExprErrorText(row.code).empty()) << row.code;
  }
}

}  // namespace
