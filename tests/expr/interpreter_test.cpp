// The operations of the language: factorial, safe division, relations and logic with
// NaN operands, and the library functions' faults.
#include <limits>
#include <string>
#include <vector>

#include "expr/error_text.h"
#include "expr/interpreter.h"
#include "expr_test_support.h"

namespace {

class InterpreterTest : public ExprTest {};

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

TEST_F(InterpreterTest, FactorialByTableProductAndLogGamma) {
  ExprContext& c = Ctx();
  // 25! = 25 x 24 x ... x 21 x 20!, exact in 80 bits. (Larger ones: the special-function
  // references.)
  EXPECT_EQ((std::vector{ExprFactorial(c, 0), ExprFactorial(c, 10), ExprFactorial(c, 20), ExprFactorial(c, 25)}),
            (std::vector{1.0L, 3628800.0L, 2432902008176640000.0L, 15511210043330985984000000.0L}));
  EXPECT_EQ(c.ExprMathError, 0);
  for (const auto& [x, code] : {std::pair{-1.0L, -8}, {1751.0L, -10}, {2.5L, -9}, {kNaN, -9}}) {
    c.ClearErrors();
    EXPECT_EQ(std::tuple(ExprFactorial(c, x), c.ExprMathError), std::tuple(0.0L, code));
  }
  ExpectEval("(-1)!", ExprErrorValue, -8);
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
  EXPECT_EQ(ExprErrorText(-1), "Division by Zero");
}

// A NaN has no truth value: the processor's unordered compare once made (INF-INF)>0 true
// and passed the statement. Every relation and logical operation on one fails with
// "80x87: Invalid Operand"; on numbers they give 1 or 0.
TEST_F(InterpreterTest, NaNOperandsOfRelationsAndLogicFail) {
  const std::pair<std::uint16_t, long double> cases[] = {{kOpLess, 0},    {kOpNotEqual, 1}, {kOpLessEqual, 0},
                                                         {kOpGreater, 1}, {kOpEqual, 0},    {kOpGreaterEqual, 1},
                                                         {kOpAnd, 1},     {kOpOr, 1}};
  ExprContext& c = Ctx();
  for (const auto& [opcode, twoOverMinusThree] : cases) {
    for (const auto& [d, s] : {std::pair{kNaN, 0.0L}, {0.0L, kNaN}, {kNaN, kNaN}}) {
      c.ClearErrors();
      EXPECT_EQ(ExprApplyBinary(c, opcode, d, s), 0) << opcode;
      EXPECT_EQ(c.ExprMathError, kErrInvalidOperand) << opcode;
    }
    c.ClearErrors();
    EXPECT_EQ(ExprApplyBinary(c, opcode, 2, -3), twoOverMinusThree) << opcode;
    EXPECT_EQ(c.ExprMathError, 0) << opcode;
  }
  for (const char* text : {"(INF-INF)>0", "(INF-INF)<0", "(INF-INF)==(INF-INF)", "0*INF<>1", "(INF-INF) OR 1",
                           "1 AND (INF-INF)", "IF(INF-INF,1,2)", "IF((INF-INF)>=0,1,2)", "2+((INF-INF)<=0)"}) {
    ExpectEval(text, ExprErrorValue, kErrInvalidOperand);
    ASSERT_EQ(ExprCompileSlot("X+" + std::string(text), 90), 0) << text;
  }
  // In the branch an "IF" does not take, it is forgotten like any other fault.
  ExpectEval("IF(0,(INF-INF)>0,3)", 3);
  ExpectEval("IF(1,3,(INF-INF)>0)", 3);
}

// Faults of the library functions and the power operator become the language's codes;
// an underflow is 0 and no fault.
TEST_F(InterpreterTest, LibraryFaultsHaveTheirOwnCodes) {
  struct FaultCase {
    const char* text;
    int code;  // 0: succeeds
    long double value;
  };
  const FaultCase cases[] = {
      {"LN(0)", -6, 0},        {"LN(-1)", -7, 0},       {"LOG(0)", -6, 0},        {"LOG(1)", 0, 0},
      {"SQRT(-1)", -3, 0},     {"(-8)^(1/3)", -24, 0},  {"(-8)^3", 0, -512},      {"0^0", -25, 0},
      {"0^-1", -23, 0},        {"0^2", 0, 0},           {"10^5000", -22, 0},      {"POW(10,5000)", -22, 0},
      {"2^-20000", 0, 0},      {"EXP(20000)", -17, 0},  {"EXP(-20000)", 0, 0},    {"ACOS(2)", -13, 0},
      {"ASIN(-1.5)", -14, 0},  {"ATAN2(0,0)", -18, 0},  {"TAN(1E30)", -21, 0},    {"SIN(0)", 0, 0},
      {"SIN(1E19)", -20, 0}, {"COS(1E19)", -19, 0},  // beyond 2^63 the argument's reduction has no digits left
      // The remainder fails where the quotient does, and where it is undefined (the
      // processor's "Invalid Operand"); both once gave 0 with no code.
      {"MOD(7,0)", -1, 0}, {"7%0", -1, 0}, {"MOD(-7,0)", -1, 0}, {"MOD(INF,2)", -48, 0}, {"(-INF)%2", -48, 0},
      {"MOD(7,INF)", 0, 7}, {"MOD(-7,3)", 0, -1}, {"7.5%2", 0, 1.5L},
      {"ABS(-2)+FLOOR(-2.5)+CEIL(-2.5)", 0, -3},
  };
  for (const FaultCase& f : cases) {
    const long double v = Eval(f.text);
    EXPECT_EQ(MathError(), f.code) << f.text;
    EXPECT_EQ(v, f.code == 0 ? f.value : ExprErrorValue) << f.text;
  }
  EXPECT_EQ(ExprErrorText(-6), "Log: Zero Singularity");
  EXPECT_EQ(ExprErrorText(-24), "Power: Negative Base, Fractional Exponent");
  EXPECT_EQ(std::string(ExprErrorText(-4)).append(ExprErrorText(5)).append(ExprErrorText(1)), "");
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
