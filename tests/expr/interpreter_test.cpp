// The operations of the language: factorial, safe division, relations and logic with
// NaN operands, and the library functions' faults.
#include <cmath>
#include <limits>

#include "expr/error_text.h"
#include "expr/interpreter.h"
#include "expr_test_support.h"

namespace {

class InterpreterTest : public ExprTest {};

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

long double RelativeError(long double value, long double reference) {
  return std::fabs(value - reference) / std::fabs(reference);
}

TEST_F(InterpreterTest, FactorialByTableProductAndLogGamma) {
  ExprContext& c = Ctx();
  EXPECT_EQ(ExprFactorial(c, 0), 1);
  EXPECT_EQ(ExprFactorial(c, 10), 3628800);
  EXPECT_EQ(ExprFactorial(c, 20), 2432902008176640000.0L);
  // 25! = 25 x 24 x ... x 21 x 20!, exact in 80 bits.
  EXPECT_EQ(ExprFactorial(c, 25), 15511210043330985984000000.0L);
  EXPECT_EQ(c.ExprMathError, 0);
  // References: mpmath factorial at 40 digits. 169! is the last one built from the table
  // (the double nearest 160!), 170! the first from the log-gamma function.
  EXPECT_LT(RelativeError(ExprFactorial(c, 169), 4.2690680090047052749392518889e+304L), 2e-16L);
  EXPECT_LT(RelativeError(ExprFactorial(c, 170), 7.25741561530799896739672821113e+306L), 1e-15L);
  EXPECT_LT(RelativeError(ExprFactorial(c, 1000), 4.02387260077093773543702433923e+2567L), 1e-14L);
  EXPECT_LT(RelativeError(ExprFactorial(c, 1750), 2.09831898264838349248822956763e+4917L), 1e-14L);
  EXPECT_EQ(c.ExprMathError, 0);

  struct Fault {
    long double x;
    int code;
  };
  for (const Fault f : {Fault{-1, -8}, Fault{1751, -10}, Fault{2.5, -9}, Fault{kNaN, -9}}) {
    c.ClearErrors();
    EXPECT_EQ(ExprFactorial(c, f.x), 0);
    EXPECT_EQ(c.ExprMathError, f.code);
  }
  EXPECT_EQ(Eval("(-1)!"), ExprErrorValue);
  EXPECT_EQ(MathError(), -8);
}

TEST_F(InterpreterTest, SafeDivisionGivesZeroAndCountsTheFailure) {
  ExprContext& c = Ctx();
  EXPECT_EQ(ExprSafeDivide(c, 1, 4), 0.25);
  EXPECT_EQ(c.ExprMathError, 0);
  EXPECT_EQ(ExprSafeDivide(c, 1, 0), 0);
  EXPECT_EQ(ExprSafeDivide(c, 1, kNaN), 0);
  EXPECT_EQ(c.ExprMathError, -1);
  EXPECT_EQ(c.ExprDivFailures, 2u);
  EXPECT_TRUE(c.ErrorListed(-1));
  EXPECT_STREQ(ExprErrorText(-1), "Division by Zero");
}

TEST_F(InterpreterTest, NaNOperandsFollowTheUnorderedCompare) {
  struct Case {
    std::uint16_t opcode;
    long double withNaN;
  };
  const Case cases[] = {
      {kOpLess, 0}, {kOpNotEqual, 0}, {kOpLessEqual, 0},
      {kOpGreater, 1}, {kOpEqual, 1}, {kOpGreaterEqual, 1},
      {kOpAnd, 0}, {kOpOr, 0},  // a NaN counts as zero
  };
  ExprContext& c = Ctx();
  for (const Case& k : cases) {
    EXPECT_EQ(ExprApplyBinary(c, k.opcode, kNaN, 0), k.withNaN) << k.opcode;
    EXPECT_EQ(ExprApplyBinary(c, k.opcode, 0, kNaN), k.withNaN) << k.opcode;
  }
  EXPECT_EQ(ExprApplyBinary(c, kOpOr, kNaN, 2), 1);
  EXPECT_EQ(ExprApplyBinary(c, kOpAnd, 2, -3), 1);
}

struct FaultCase {
  const char* text;
  int code;  // 0: succeeds
  long double value;
};

// Faults of the library functions and the power operator become the language's codes;
// an underflow is 0 and no fault.
TEST_F(InterpreterTest, LibraryFaultsHaveTheirOwnCodes) {
  const FaultCase cases[] = {
      {"LN(0)", -6, 0},
      {"LN(-1)", -7, 0},
      {"LOG(0)", -6, 0},
      {"LOG(1)", 0, 0},
      {"SQRT(-1)", -3, 0},
      {"(-8)^(1/3)", -24, 0},
      {"(-8)^3", 0, -512},
      {"0^0", -25, 0},
      {"0^-1", -23, 0},
      {"0^2", 0, 0},
      {"10^5000", -22, 0},
      {"POW(10,5000)", -22, 0},
      {"2^-20000", 0, 0},
      {"EXP(20000)", -17, 0},
      {"EXP(-20000)", 0, 0},
      {"ACOS(2)", -13, 0},
      {"ASIN(-1.5)", -14, 0},
      {"ATAN2(0,0)", -18, 0},
      {"SIN(1E19)", -20, 0},  // beyond 2^63 the argument's reduction has no digits left
      {"COS(1E19)", -19, 0},
      {"TAN(1E30)", -21, 0},
      {"SIN(0)", 0, 0},
      {"MOD(7,0)", 0, 0},     // the floating remainder has no code of its own
      {"7%0", 0, 0},
      {"ABS(-2)+FLOOR(-2.5)+CEIL(-2.5)", 0, -3},
  };
  for (const FaultCase& f : cases) {
    const long double v = Eval(f.text);
    EXPECT_EQ(MathError(), f.code) << f.text;
    EXPECT_EQ(v, f.code == 0 ? f.value : ExprErrorValue) << f.text;
  }
  EXPECT_STREQ(ExprErrorText(-6), "Log: Zero Singularity");
  EXPECT_STREQ(ExprErrorText(-24), "Power: Negative Base, Fractional Exponent");
  EXPECT_STREQ(ExprErrorText(-4), "");
  EXPECT_STREQ(ExprErrorText(5), "");
  EXPECT_STREQ(ExprErrorText(1), "");
}

TEST_F(InterpreterTest, ErrorListKeepsTheFirstTenCodes) {
  ExprContext& c = Ctx();
  for (int i = 1; i <= 12; ++i) c.SetError(-i);
  EXPECT_EQ(c.ExprMathError, -12);
  EXPECT_EQ(c.ExprErrorCount, 10);
  EXPECT_TRUE(c.ErrorListed(-10));
  EXPECT_FALSE(c.ErrorListed(-11));
  c.ClearErrors();
  EXPECT_EQ(c.ExprMathError, 0);
  EXPECT_FALSE(c.ErrorListed(-1));
}

}  // namespace
