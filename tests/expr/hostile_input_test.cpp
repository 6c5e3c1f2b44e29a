// Hostile and random text: refused cleanly (run under AddressSanitizer and UBSan), and
// whatever compiles computes what the parser computes.
#include <cmath>
#include <string>

#include "expr/function_table.h"
#include "expr/program_slots.h"
#include "expr_test_support.h"

namespace {

class HostileInputTest : public ExprTest {};

bool IsMissingOrFinite(long double v) { return v == ExprErrorValue || std::isfinite(v); }

TEST_F(HostileInputTest, GarbageBytesAreRefused) {
  Lcg rng(12345);
  for (int i = 0; i < 3000; ++i) {
    std::string text(rng.Below(200), '\0');
    for (char& c : text) c = static_cast<char>(rng.Below(256));
    const long double v = Eval(text);
    EXPECT_TRUE(IsMissingOrFinite(v));
    EXPECT_GE(Syntax(), 0);
    EXPECT_LE(Syntax(), 7);
    EXPECT_GE(Column(), 0);
    EXPECT_LE(static_cast<std::size_t>(Column()), text.size());
    if (ExprCompileSlot(text, 100) == 1) {
      EXPECT_FALSE(ExprSlotAt(100)->Empty());
    }
  }
}

TEST_F(HostileInputTest, VeryLongAndDeepTextsAreHandled) {
  // A long flat sum stays shallow on the parser's stack.
  std::string sum = "1";
  for (int i = 0; i < 200000; ++i) sum += "+1";
  EXPECT_EQ(Eval(sum), 200001);
  ASSERT_EQ(ExprCompileSlot(sum, 60), 1);
  EXPECT_EQ(ExprRunSlot(60), 200001);
  // Deep nesting overflows the parser's stack and is refused.
  EXPECT_EQ(Eval(std::string(100000, '-') + "1"), ExprErrorValue);
  EXPECT_EQ(Eval("SQRT(" + std::string(5000, '(') + "4"), ExprErrorValue);
  EXPECT_EQ(ExprCompileSlot(std::string(300, '(') + "1" + std::string(300, ')'), 61), 0);
  EXPECT_TRUE(ExprSlotAt(61)->Empty());
  // Very long names and literals.
  EXPECT_EQ(Eval(std::string(100000, 'N')), ExprErrorValue);
  EXPECT_EQ(Syntax(), 5);
  EXPECT_EQ(Eval(std::string(100000, '7')), ExprErrorValue);
  EXPECT_EQ(Syntax(), 3);
  EXPECT_EQ(Eval("1E" + std::string(100000, '9')), ExprErrorValue);
  // A text cut by a NUL ends there.
  EXPECT_EQ(Eval(std::string("2+3\0+4", 6)), 5);
  EXPECT_EQ(Eval(std::string_view("7@", 1)), 7);
  EXPECT_EQ(Eval("2+@"), ExprErrorValue);
}

// Random token soup: what parses must compile, and the compiled slot must give the
// parser's value and error code.
TEST_F(HostileInputTest, RandomExpressionsCompileToWhatTheParserComputes) {
  const char* vocabulary[] = {"X", "Y", "A0", "A1", "2", "0.5", "3", "1E3", "+", "-", "*", "/", "^",
                              "%", "!", "(", ")", "(", ")", "SQRT(", "ATAN2(", "MOD(", ",", "<",
                              ">=", " AND ", " OR ", ".EQ.", "LN(", "ABS(", "EXP(", "PI", "XMEAN",
                              "IF(", "IF(", ",", "GAM(", "IBETA(", "GAUSSX(", "HYPF(", "ROUND("};
  Lcg rng(987);
  int compiled = 0;
  for (int i = 0; i < 6000; ++i) {
    std::string text;
    const std::uint32_t n = 1 + rng.Below(12);
    for (std::uint32_t k = 0; k < n; ++k) text += vocabulary[rng.Below(std::size(vocabulary))];
    Vars().X() = 1.5;
    Vars().Y() = -0.5;
    Vars().A(0) = 2;
    Vars().A(1) = 0.25;
    const long double interpreted = Eval(text);
    const int error = MathError();
    const int syntax = Syntax();
    ASSERT_TRUE(IsMissingOrFinite(interpreted)) << text;
    if (ExprCompileSlot(text, 90) != 1) {
      EXPECT_EQ(interpreted, ExprErrorValue) << text;
      continue;
    }
    ++compiled;
    EXPECT_EQ(Syntax(), syntax) << text;
    ExpectResult(ExprRunSlot(90), interpreted, error, 0, text);
    EXPECT_TRUE(Ctx().errorMarks.empty()) << text;
  }
  EXPECT_GT(compiled, 150);
}

}  // namespace

namespace {

// Every built-in with every argument a NaN (INF-INF), plus or minus infinity: each ends,
// with the missing value or a finite number. GAM of a NaN reflected onto 1 - NaN without
// end and overflowed the stack.
TEST_F(HostileInputTest, EveryBuiltInEndsOnNonNumbersAndInfinities) {
  for (const char* argument : {"(INF-INF)", "INF", "-INF"}) {
    for (const TExprFunctionRow& row : ExprFunctionTable()) {
      if (!row.handler || row.args == 0) continue;
      std::string text = std::string(row.name) + "(";
      for (int a = 0; a < row.args; ++a) text += (a ? "," : "") + std::string(argument);
      text += ")";
      const long double v = Eval(text);
      if (v != ExprErrorValue) {
        EXPECT_TRUE(std::isfinite(v)) << text;
        EXPECT_EQ(MathError(), 0) << text;
      }
    }
  }
  ExpectEval("GAM(INF-INF)", ExprErrorValue, -48);
}

}  // namespace
