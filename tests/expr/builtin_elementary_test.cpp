// The elementary built-ins: angles, whole and fractional parts, rounding, reciprocal and
// inverse hyperbolic trigonometry, the data counters, and the conditional with the
// errors of its branches.
#include <limits>
#include <utility>
#include <string>

#include "expr/builtins.h"
#include "expr/math_faults.h"
#include "expr_test_support.h"

namespace {

struct Reference {
  const char* text;
  long double value;
};

// mpmath at 40 digits (reference/special_function_references.py).
constexpr Reference kElementaryValues[] = {
    {"CSC(0.5)", 2.085829642933488185772502L}, {"CSC(-2)", -1.099750170294616466756697L},
    {"SEC(0.5)", 1.139493927324549122313328L}, {"SEC(3)", -1.010108665907993751303036L},
    {"COT(0.5)", 1.830487721712451919268019L}, {"COT(-1.2)", -0.3887795693682049115842684L},
    {"CSCH(0.0000000001)", 9.999999999999999999799554e+9L}, {"CSCH(0.5)", 1.919034751334943719492203L},
    {"CSCH(-3)", -0.09982156966882273285084755L}, {"CSCH(100)", 7.440151952041671925919392e-44L},
    {"CSCH(-200)", -2.767793053473475061297363e-87L}, {"SECH(0.5)", 0.8868188839700739086588978L},
    {"SECH(-3)", 0.09932792741943320782901245L}, {"SECH(100)", 7.440151952041671925919392e-44L},
    {"COTH(0.0000000001)", 9.999999999999999999849554e+9L}, {"COTH(0.5)", 2.163953413738652848770004L},
    {"COTH(-3)", -1.004969823313689171093151L}, {"COTH(30)", 1.0L},
    {"ASINH(0.0000000001)", 1.000000000000000000016711e-10L}, {"ASINH(0.5)", 0.4812118250596034474977589L},
    {"ASINH(-10000000000)", -23.71899811050040214959965L}, {"ASINH(1E300)", 691.4686750787736505148237L},
    {"ACOSH(1)", 0.0L}, {"ACOSH(1.5)", 0.9624236501192068949955178L}, {"ACOSH(1E300)", 691.4686750787736505148237L},
    {"ATANH(0.0000000001)", 1.000000000000000000021711e-10L}, {"ATANH(0.5)", 0.5493061443340548456976226L},
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

TEST_F(ElementaryTest, ExactValues) {
  const Reference cases[] = {
      // Angles use the double constants, widened.
      {"DTOR(1)", static_cast<long double>(0.017453292519943295)},
      {"RTOD(1)", static_cast<long double>(57.29577951308232)},
      {"INTEGER(-2.7)", -2}, {"FRACTION(-2.7)", -2.7L + 2}, {"INTEGER(2.7)", 2}, {"FRACTION(2.7)", 2.7L - 2},
      {"INTEGER(1E20)", 1e20L}, {"FRACTION(1E20)", 0},
      // ROUND adds a half and truncates; past 2^31 in long double, not through a 32-bit integer.
      {"ROUND(2.5)", 3}, {"ROUND(-2.5)", -2}, {"ROUND(-2.6)", -2}, {"ROUND(2.49)", 2}, {"ROUND(0)", 0},
      {"ROUND(-0.4)", 0}, {"ROUND(3E9)", 3e9L}, {"ROUND(2147483647.6)", 2147483648.0L},
      {"ROUND(-3E9)", -2999999999.0L}, {"ROUND(1E300)", 1e300L},
      // The reciprocal hyperbolic tails are 0 and 1, not overflows.
      {"CSCH(20000)", 0}, {"SECH(-20000)", 0}, {"COTH(20000)", 1},
      {"IF(1,5,7)", 5}, {"IF(0,5,7)", 7}, {"IF(-0.001,5,7)", 5},
  };
  for (const Reference& c : cases) ExpectEval(c.text, c.value);
  EXPECT_LD_NEAR(Eval("DTOR(180)"), 3.14159265358979323846L, 1e-15L);
  // ln(sqrt(x^2 + 1) + x) would be ln(0) here.
  // mpmath.asinh; two units in the last place (1.7e-18 each), as the x87's logarithm rounds.
  EXPECT_LD_NEAR(Eval("ASINH(-1E12)"), -28.3241682964884935181L, 4e-18L);
  Vars().X() = std::numeric_limits<long double>::quiet_NaN();
  ExpectEval("IF(X,5,7)", ExprErrorValue, kErrInvalidOperand);  // a NaN has no truth value
  EXPECT_EQ(BuiltinIF(Ctx(), std::array<long double, 3>{1, 2, 3}.data()), 2);
}

TEST_F(ElementaryTest, DomainErrorsHaveTheirCodes) {
  // Reciprocals of zero are divisions by zero; a fault of the trigonometric function
  // itself keeps its own code.
  const std::pair<const char*, int> cases[] = {{"COT(0)", -1},     {"CSC(0)", -1},      {"CSCH(0)", -1},
                                               {"COTH(0)", -1},    {"COT(1E30)", -21},  {"CSC(1E30)", -20},
                                               {"ACOSH(0.5)", -11}, {"ATANH(1)", -12},  {"ATANH(-1)", -12}};
  for (const auto& [text, code] : cases) ExpectEval(text, ExprErrorValue, code);
}

TEST_F(ElementaryTest, DataCountersAndZeroArgumentBuiltins) {
  Ctx().ExprPointIndex = 0;
  EXPECT_EQ(Eval("INDEX"), 0);
  stats_.ActiveCount = 17;
  EXPECT_EQ(Eval("XYCNT"), 17);
  stats_.ActiveCount = 0;
  EXPECT_EQ(Eval("XYCNT"), 0);
  // Built-ins without arguments take no parentheses.
  for (const char* text : {"RANDOM()", "RANDGAUSS()", "XYCNT()"}) EXPECT_EQ(Eval(text), ExprErrorValue) << text;
  EXPECT_GE(Eval("RANDOM"), 0);
}

// The errors of the branch "IF" does not take are forgotten, processor flags included (X*X*X
// overflows at X = 1E2000); errors anywhere else count.
TEST_F(ElementaryTest, ErrorsOfTheUntakenBranchAloneAreForgotten) {
  // Evaluated at once as well as compiled.
  for (const char* text : {"IF(1,5,1/0)", "IF(1,5,LN(0))", "IF(0,LN(0),5)", "IF(1,5,IF(1,LN(0),2))+0"}) ExpectEval(text, 5);
  ExpectEval("IF(1,LN(0),5)", ExprErrorValue, -6);
  ExpectEval("IF(0,5,LN(0))+1", ExprErrorValue, -6);
  struct Case {
    const char* text;
    long double x;
    long double value;
    int code;
  };
  const Case cases[] = {
      {"IF(X>0,LN(X),0)", -1, 0, 0},
      {"IF(X>0,LN(X),0)", 2, std::log(2.0L), 0},
      {"IF(X<=0,0,LN(X))", -1, 0, 0},
      {"IF(X>1E300,1,X*X*X)", 1e2000L, 1, 0},
      {"IF(X>0,LN(X-5),0)", 1, ExprErrorValue, -7},          // the branch taken
      {"IF(LN(X),2,3)", -1, ExprErrorValue, -7},             // the condition
      {"LN(X)+IF(1,2,3)", -1, ExprErrorValue, -7},           // before the call
      {"IF(1,2,3)+LN(X)", -1, ExprErrorValue, -7},           // after it
      {"IF(X>0,0,LN(X-5))", -1, ExprErrorValue, -7},         // second branch taken
      {"IF(X>0,SQRT(X-5),LN(X))", 1, ExprErrorValue, -3},    // first taken; the second raised nothing
      {"IF(X>0,5,1/(X+1))", -1, ExprErrorValue, -1},         // a division by zero taken is no 0
      {"IF(X>1E300,X*X*X,1)", 1e2000L, ExprErrorValue, -49},
      {"IF(X<1E300,1,X*X*X)+X*X*X", 1e2000L, ExprErrorValue, -49},  // the flag raised after the call
  };
  int slot = 60;
  for (const Case& c : cases) {
    Compile(c.text, slot, 10);
    ExpectResult(RunAt(c.x, slot), c.value, c.code, 0, c.text);
    EXPECT_EQ(Ctx().ErrorListed(c.code ? c.code : -7), c.code != 0) << c.text;
    ++slot;
  }
}

TEST_F(ElementaryTest, NestedConditionalsScopeTheirOwnBranches) {
  Vars().A(0) = Vars().A(1) = Vars().A(2) = 1;
  Compile("IF(X>0,IF(X>1,LN(A0),LN(A1)),LN(A2))");
  Vars().A(1) = Vars().A(2) = -1;
  ExpectResult(RunAt(2), 0);  // LN(A0); the inner and the outer second branches fail unseen
  ExpectResult(RunAt(0.5L), ExprErrorValue, -7);  // the inner second branch is taken
  Vars().A(0) = -1;
  Vars().A(2) = 3;
  ExpectResult(RunAt(-3), std::log(3.0L), 0, 1e-18L);
  EXPECT_TRUE(Ctx().errorMarks.empty());
}

TEST_F(ElementaryTest, FailedParseLeavesNoErrorMarks) {
  EXPECT_EQ(Eval("IF(1,2"), ExprErrorValue);
  EXPECT_EQ(Eval("IF(1,"), ExprErrorValue);
  EXPECT_TRUE(Ctx().errorMarks.empty());
  EXPECT_EQ(Eval("IF(0,2,3)"), 3);
}

// Random nested conditionals over functions that fail on part of the axis: the parser
// computes what the compiled program computes, failures and their codes included (the
// parser once refused the token after a fault in a branch not taken, so IF(1,5,LN(0))
// failed at once and gave 5 compiled).
TEST_F(ElementaryTest, RandomConditionalsCompileToWhatTheParserComputes) {
  Lcg rng(2024);
  const auto expression = [&rng](auto&& self, int depth) -> std::string {
    const auto sub = [&] { return self(self, depth + 1); };
    switch (rng.Below(depth > 3 ? 3 : 8)) {
      case 0: return "X";
      case 1: return "2";
      case 2: return "0.5";
      case 3: return "LN(" + sub() + ")";
      case 4: return "SQRT(" + sub() + ")";
      case 5: return "(" + sub() + "-" + sub() + ")";
      case 6: return "1/" + sub();
      default: return "IF(" + sub() + "," + sub() + "," + sub() + ")";
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
      const std::string at = text + " at " + std::to_string(static_cast<double>(x));
      if (parsed != ExprErrorValue) {
        ++compared;
        ExpectResult(run, parsed, parseError, 0, at);
      } else {
        // The parser stops at the first fault, the program runs on to the end: both fail,
        // each with a fault it met.
        EXPECT_EQ(run, ExprErrorValue) << at;
        EXPECT_NE(parseError, 0) << at;
        EXPECT_NE(MathError(), 0) << at;
      }
      EXPECT_TRUE(Ctx().errorMarks.empty()) << text;
    }
  }
  EXPECT_GT(compared, 300);
}

}  // namespace
