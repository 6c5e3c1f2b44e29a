// The elementary built-ins: angles, whole and fractional parts, rounding, reciprocal and
// inverse hyperbolic trigonometry, the data counters, and the conditional with the
// errors of its branches.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "expr/builtins.h"
#include "expr_test_support.h"
#include "support/long_double_near.h"

namespace {

struct Reference {
  const char* text;
  long double value;
};

// mpmath at 40 digits (reference/special_function_references.py).
constexpr Reference kElementaryValues[] = {
    {"CSC(0.5)", 2.085829642933488185772502L},
    {"CSC(-2)", -1.099750170294616466756697L},
    {"SEC(0.5)", 1.139493927324549122313328L},
    {"SEC(3)", -1.010108665907993751303036L},
    {"COT(0.5)", 1.830487721712451919268019L},
    {"COT(-1.2)", -0.3887795693682049115842684L},
    {"CSCH(0.0000000001)", 9.999999999999999999799554e+9L},
    {"CSCH(0.5)", 1.919034751334943719492203L},
    {"CSCH(-3)", -0.09982156966882273285084755L},
    {"CSCH(100)", 7.440151952041671925919392e-44L},
    {"CSCH(-200)", -2.767793053473475061297363e-87L},
    {"SECH(0.5)", 0.8868188839700739086588978L},
    {"SECH(-3)", 0.09932792741943320782901245L},
    {"SECH(100)", 7.440151952041671925919392e-44L},
    {"COTH(0.0000000001)", 9.999999999999999999849554e+9L},
    {"COTH(0.5)", 2.163953413738652848770004L},
    {"COTH(-3)", -1.004969823313689171093151L},
    {"COTH(30)", 1.0L},
    {"ASINH(0.0000000001)", 1.000000000000000000016711e-10L},
    {"ASINH(0.5)", 0.4812118250596034474977589L},
    {"ASINH(-10000000000)", -23.71899811050040214959965L},
    {"ASINH(1E300)", 691.4686750787736505148237L},
    {"ACOSH(1)", 0.0L},
    {"ACOSH(1.5)", 0.9624236501192068949955178L},
    {"ACOSH(1E300)", 691.4686750787736505148237L},
    {"ATANH(0.0000000001)", 1.000000000000000000021711e-10L},
    {"ATANH(0.5)", 0.5493061443340548456976226L},
    {"ATANH(-0.999)", -3.80020116725020002136242L},
};

class ElementaryTest : public ExprTest {
 protected:
  // Compiles `text` into a slot with X = x (a value at which the text raises no error:
  // the parser's test run must succeed), so that runs at other X test the compiled
  // program.
  static void Compile(const char* text, int slot = 60, long double x = 1) {
    Vars().X() = x;
    ASSERT_EQ(ExprCompileSlot(text, slot), 1) << text;
  }
  static long double RunAt(long double x, int slot = 60) {
    Vars().X() = x;
    return ExprRunSlot(slot);
  }
};

TEST_F(ElementaryTest, ValuesMatchMpmath) {
  for (const Reference& r : kElementaryValues) {
    const long double v = Eval(r.text);
    EXPECT_EQ(MathError(), 0) << r.text;
    const long double error = r.value == 0 ? std::fabs(v) : std::fabs(v / r.value - 1);
    EXPECT_LE(error, 2e-18L) << r.text << " = " << static_cast<double>(v);
  }
}

TEST_F(ElementaryTest, AnglesUseTheDoubleConstantsWidened) {
  EXPECT_EQ(Eval("DTOR(1)"), static_cast<long double>(0.017453292519943295));
  EXPECT_EQ(Eval("RTOD(1)"), static_cast<long double>(57.29577951308232));
  EXPECT_LD_NEAR(Eval("DTOR(180)"), 3.14159265358979323846L, 1e-15L);
}

TEST_F(ElementaryTest, WholeAndFractionalParts) {
  EXPECT_EQ(Eval("INTEGER(-2.7)"), -2);
  EXPECT_EQ(Eval("FRACTION(-2.7)"), -2.7L + 2);
  EXPECT_EQ(Eval("INTEGER(2.7)"), 2);
  EXPECT_EQ(Eval("FRACTION(2.7)"), 2.7L - 2);
  EXPECT_EQ(Eval("INTEGER(1E20)"), 1e20L);
  EXPECT_EQ(Eval("FRACTION(1E20)"), 0);
}

TEST_F(ElementaryTest, RoundAddsAHalfAndTruncates) {
  struct Case {
    const char* text;
    long double value;
  };
  const Case cases[] = {
      {"ROUND(2.5)", 3},   {"ROUND(-2.5)", -2},  {"ROUND(-2.6)", -2},
      {"ROUND(2.49)", 2},  {"ROUND(0)", 0},      {"ROUND(-0.4)", 0},
      // Past 2^31 the value is truncated in long double, not through a 32-bit integer.
      {"ROUND(3E9)", 3e9L}, {"ROUND(2147483647.6)", 2147483648.0L},
      {"ROUND(-3E9)", -2999999999.0L}, {"ROUND(1E300)", 1e300L},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.text), c.value) << c.text;
}

TEST_F(ElementaryTest, ReciprocalsOfZeroAreDivisionByZero) {
  for (const char* text : {"COT(0)", "CSC(0)", "CSCH(0)", "COTH(0)"}) {
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
    EXPECT_EQ(MathError(), -1) << text;
  }
  // A fault of the trigonometric function itself keeps its own code.
  EXPECT_EQ(Eval("COT(1E30)"), ExprErrorValue);
  EXPECT_EQ(MathError(), -21);
  EXPECT_EQ(Eval("CSC(1E30)"), ExprErrorValue);
  EXPECT_EQ(MathError(), -20);
}

TEST_F(ElementaryTest, ReciprocalHyperbolicTailsAreZeroNotOverflow) {
  EXPECT_EQ(Eval("CSCH(20000)"), 0);
  EXPECT_EQ(Eval("SECH(-20000)"), 0);
  EXPECT_EQ(Eval("COTH(20000)"), 1);
  EXPECT_EQ(MathError(), 0);
}

TEST_F(ElementaryTest, InverseHyperbolicDomains) {
  EXPECT_EQ(Eval("ACOSH(1)"), 0);
  EXPECT_EQ(Eval("ACOSH(0.5)"), ExprErrorValue);
  EXPECT_EQ(MathError(), -11);
  EXPECT_EQ(Eval("ATANH(1)"), ExprErrorValue);
  EXPECT_EQ(MathError(), -12);
  EXPECT_EQ(Eval("ATANH(-1)"), ExprErrorValue);
  EXPECT_EQ(MathError(), -12);
  // ln(sqrt(x^2 + 1) + x) would be ln(0) here.
  EXPECT_LD_NEAR(Eval("ASINH(-1E12)"), -28.3241682964884935181L, 1e-18L);  // mpmath.asinh
}

TEST_F(ElementaryTest, DataCounters) {
  Ctx().ExprPointIndex = 0;
  EXPECT_EQ(Eval("INDEX"), 0);
  DataStats.ActiveCount = 17;
  EXPECT_EQ(Eval("XYCNT"), 17);
  DataStats.ActiveCount = 0;
  EXPECT_EQ(Eval("XYCNT"), 0);
}

TEST_F(ElementaryTest, ZeroArgumentBuiltinsTakeNoParentheses) {
  EXPECT_EQ(Eval("RANDOM()"), ExprErrorValue);
  EXPECT_EQ(Eval("RANDGAUSS()"), ExprErrorValue);
  EXPECT_EQ(Eval("XYCNT()"), ExprErrorValue);
  EXPECT_GE(Eval("RANDOM"), 0);
}

TEST_F(ElementaryTest, ConditionalChoosesWithNaNAsFalse) {
  EXPECT_EQ(Eval("IF(1,5,7)"), 5);
  EXPECT_EQ(Eval("IF(0,5,7)"), 7);
  EXPECT_EQ(Eval("IF(-0.001,5,7)"), 5);
  Vars().X() = std::numeric_limits<long double>::quiet_NaN();
  EXPECT_EQ(Eval("IF(X,5,7)"), 7);
  Vars().X() = 0;
  EXPECT_EQ(BuiltinIF(Ctx(), std::array<long double, 3>{1, 2, 3}.data()), 2);
}

TEST_F(ElementaryTest, ErrorOfTheUntakenBranchIsForgotten) {
  EXPECT_EQ(Eval("IF(1,5,1/0)"), 5);
  EXPECT_EQ(MathError(), 0);

  Compile("IF(X>0,LN(X),0)");
  EXPECT_EQ(RunAt(-1), 0);
  EXPECT_EQ(MathError(), 0);
  EXPECT_FALSE(Ctx().ErrorListed(-7));
  EXPECT_LD_NEAR(RunAt(2), std::log(2.0L), 0);

  Compile("IF(X<=0,0,LN(X))", 61);
  EXPECT_EQ(RunAt(-1, 61), 0);
  EXPECT_EQ(MathError(), 0);
}

TEST_F(ElementaryTest, ErrorsOutsideTheUntakenBranchStillCount) {
  struct Case {
    const char* text;
    long double x;
    int code;
  };
  const Case cases[] = {
      {"IF(X>0,LN(X-5),0)", 1, -7},         // the branch taken
      {"IF(LN(X),2,3)", -1, -7},            // the condition
      {"LN(X)+IF(1,2,3)", -1, -7},          // before the call
      {"IF(1,2,3)+LN(X)", -1, -7},          // after it
      {"IF(X>0,0,LN(X-5))", -1, -7},        // second branch taken
      {"IF(X>0,SQRT(X-5),LN(X))", 1, -3},   // first taken; the second raised nothing
      {"IF(X>0,5,1/(X+1))", -1, -1},        // a division by zero taken is no 0
  };
  int slot = 62;
  for (const Case& c : cases) {
    Compile(c.text, slot, 10);
    EXPECT_EQ(RunAt(c.x, slot), ExprErrorValue) << c.text;
    EXPECT_EQ(MathError(), c.code) << c.text;
    EXPECT_TRUE(Ctx().ErrorListed(c.code)) << c.text;
    ++slot;
  }
}

TEST_F(ElementaryTest, NestedConditionalsScopeTheirOwnBranches) {
  Vars().A(0) = Vars().A(1) = Vars().A(2) = 1;
  Compile("IF(X>0,IF(X>1,LN(A0),LN(A1)),LN(A2))");
  Vars().A(1) = Vars().A(2) = -1;
  EXPECT_EQ(RunAt(2), 0);  // LN(A0); the inner and the outer second branches fail unseen
  EXPECT_EQ(MathError(), 0);
  EXPECT_EQ(RunAt(0.5L), ExprErrorValue);  // the inner second branch is taken
  EXPECT_EQ(MathError(), -7);
  Vars().A(0) = -1;
  Vars().A(2) = 3;
  EXPECT_LD_NEAR(RunAt(-3), std::log(3.0L), 1e-18L);
  EXPECT_EQ(MathError(), 0);
  EXPECT_TRUE(Ctx().errorMarks.empty());
}

TEST_F(ElementaryTest, ProcessorFlagsOfTheUntakenBranchAreForgotten) {
  // X*X*X overflows in the processor at X = 1E2000; only the taken branch's overflow fails
  // the run.
  Compile("IF(X>1E300,1,X*X*X)");
  EXPECT_EQ(RunAt(1e2000L), 1);
  EXPECT_EQ(MathError(), 0);
  Compile("IF(X>1E300,X*X*X,1)", 61);
  EXPECT_EQ(RunAt(1e2000L, 61), ExprErrorValue);
  EXPECT_EQ(MathError(), -49);
  Compile("IF(X<1E300,1,X*X*X)+X*X*X", 62);
  EXPECT_EQ(RunAt(1e2000L, 62), ExprErrorValue);  // the flag raised after the call counts
  EXPECT_EQ(MathError(), -49);
}

TEST_F(ElementaryTest, FailedParseLeavesNoErrorMarks) {
  EXPECT_EQ(Eval("IF(1,2"), ExprErrorValue);
  EXPECT_EQ(Eval("IF(1,"), ExprErrorValue);
  EXPECT_TRUE(Ctx().errorMarks.empty());
  EXPECT_EQ(Eval("IF(0,2,3)"), 3);
}

// Random nested conditionals over functions that fail on part of the axis: wherever the
// parser computes a clean value, the compiled program computes the same; wherever the
// compiled program fails, so does the parser.
TEST_F(ElementaryTest, RandomConditionalsCompileToWhatTheParserComputes) {
  std::uint64_t state = 2024;
  const auto below = [&state](std::uint32_t n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state >> 33) % n;
  };
  const auto expression = [&below](auto&& self, int depth) -> std::string {
    switch (depth > 3 ? below(3) : below(8)) {
      case 0: return "X";
      case 1: return "2";
      case 2: return "0.5";
      case 3: return "LN(" + self(self, depth + 1) + ")";
      case 4: return "SQRT(" + self(self, depth + 1) + ")";
      case 5: return "(" + self(self, depth + 1) + "-" + self(self, depth + 1) + ")";
      case 6: return "1/" + self(self, depth + 1);
      default:
        return "IF(" + self(self, depth + 1) + "," + self(self, depth + 1) + "," +
               self(self, depth + 1) + ")";
    }
  };
  int compared = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string text = expression(expression, 0);
    Vars().X() = 3;
    if (ExprCompileSlot(text, 60) != 1) continue;
    for (const long double x : {-2.0L, -0.5L, 0.0L, 0.5L, 1.0L, 4.0L}) {
      Vars().X() = x;
      const long double parsed = Eval(text);
      const int parseError = MathError();
      const long double run = ExprRunSlot(60);
      if (parsed != ExprErrorValue) {
        ++compared;
        EXPECT_EQ(run, parsed) << text << " at " << static_cast<double>(x);
        EXPECT_EQ(MathError(), parseError) << text;
      }
      if (run == ExprErrorValue) {
        EXPECT_EQ(parsed, ExprErrorValue) << text;
      }
      EXPECT_TRUE(Ctx().errorMarks.empty()) << text;
    }
  }
  EXPECT_GT(compared, 300);
}

}  // namespace
