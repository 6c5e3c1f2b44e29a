// Precedence, partial acceptance and syntax codes of the parser and lexer.
#include <cmath>
#include <string>

#include "expr/lexer.h"
#include "expr/parser.h"
#include "expr/symbol_table.h"
#include "expr_test_support.h"

namespace {

struct ValueCase {
  const char* text;
  long double value;
};

class ParserTest : public ExprTest {};

TEST_F(ParserTest, OperatorsBindAsTheLanguageDefines) {
  const ValueCase cases[] = {
      {"2^3^2", 512},          // ^ groups to the right
      {"-2^2", -4},            // ^ binds tighter than unary minus
      {"(-2)^2", 4},
      {"2*-3", -6},
      {"-2*3", -6},
      {"2^-1", 0.5},
      {"4!", 24},
      {"3!^2", 36},            // ! binds tighter than ^
      {"2^3!", 64},
      {"-3!", -6},
      {"1 OR 0 AND 0", 0},     // AND and OR share one level, left to right
      {"1 OR 1 AND 0 OR 1", 1},
      {"1+2*3", 7},
      {"(1+2)*3", 9},
      {"10-4-3", 3},
      {"64/4/2", 8},
      {"2*3%4", 2},
      {"7%3", 1},
      {"-7%3", -1},            // the sign of the dividend
      {"MOD(7,3)", 1},
      {"1<2<3", 1},
      {"3>2>1", 0},
      {"1+2<4", 1},            // relations are looser than + and -
      {"1 AND 2<1", 0},        // and tighter than AND
      {"1.EQ.1", 1},
      {"1==1", 1},
      {"1 .EQ. 1", 1},
      {"3<>3", 0},
      {"2 >= 2", 1},
      {"1.GT.2", 0},
      {"2.GT.1", 1},
      {"1.LT.2.AND.2.LE.2", 1},
      {"1 .NE. 1 .OR. 2 .GE. 3", 0},
      {"1 && 0", 0},
      {"0 || 1", 1},
      {"1.5E+3", 1500},
      {"2.5e-1", 0.25},
      {".5", 0.5},
      {"5.", 5},
      {"1E-400", 0},           // below 1e-300 a literal is 0
      {"-2", -2},
      {" \t1 +\t2 ", 3},
      {"SQRT(4)", 2},
      {"ATAN2(0,-1)", static_cast<long double>(std::atan2(0.0L, -1.0L))},
  };
  for (const ValueCase& c : cases) {
    EXPECT_EQ(Eval(c.text), c.value) << c.text;
    EXPECT_EQ(Syntax(), 0) << c.text;
    EXPECT_EQ(MathError(), 0) << c.text;
  }
}

TEST_F(ParserTest, AssignmentTakesTheWholeExpressionToItsRight) {
  EXPECT_EQ(Eval("B=2+3"), 5);
  EXPECT_EQ(ExprFindSymbol("B")->value, 5);
  EXPECT_EQ(Eval("B*2"), 10);  // later texts see the user variable
  EXPECT_EQ(Eval("1+B=2"), 3);
  EXPECT_EQ(ExprFindSymbol("B")->value, 2);
  EXPECT_EQ(Eval("C=B=4"), 4);
  EXPECT_EQ(ExprFindSymbol("B")->value, 4);
  EXPECT_EQ(ExprFindSymbol("C")->value, 4);
  EXPECT_EQ(Eval("(D=2)+1"), 3);
  EXPECT_EQ(Eval("E = 7"), 7);     // one blank before "=" still creates the variable
  EXPECT_EQ(Eval("F0=1+F0"), 1);   // a new variable starts at 0
}

TEST_F(ParserTest, PredefinedNamesAndParameters) {
  Vars().X() = 3;
  Vars().Y() = -2;
  for (int i = 0; i < 10; ++i) Vars().A(i) = 10 + i;
  EXPECT_EQ(Eval("X*Y"), -6);
  EXPECT_EQ(Eval("#A"), 10);
  EXPECT_EQ(Eval("#A0"), 10);
  EXPECT_EQ(Eval("A3"), 13);
  EXPECT_EQ(Eval("#A3"), 13);
  EXPECT_EQ(Eval("#D"), 13);
  EXPECT_EQ(Eval("#F"), 15);  // the parameter A5, not a sub-function
  EXPECT_EQ(Eval("#J"), 19);
  EXPECT_EQ(Eval("PI"), static_cast<long double>(3.141592653589793));
  // The 64-bit double nearest Euler's constant, widened.
  EXPECT_EQ(Eval("EULER"), 0.5772156649015328655494272L);
}

TEST_F(ParserTest, NamesMetAreCollectedInTheUsedMask) {
  Eval("A0*X+Y+#F");
  EXPECT_EQ(Ctx().ExprVarsUsed, kUsesA0 | kUsesX | kUsesY | (kUsesA0 << 5));
  Eval("XMEAN+$$");
  EXPECT_EQ(Ctx().ExprVarsUsed, kUsesDataStatistic | kUsesDollar);
  Eval("F1");
  EXPECT_EQ(Ctx().ExprVarsUsed, kUsesSubFunction);
}

struct SyntaxCase {
  const char* text;
  bool valueKept;  // a complete statement before the bad token keeps its value
  long double value;
  int code;
  int column;
};

TEST_F(ParserTest, BadTextIsRefusedWithItsCodeAndPlace) {
  const SyntaxCase cases[] = {
      {"5 ?", true, 5, 6, 2},          // the bad character ends the text
      {"5 Q", true, 5, 5, 2},          // unknown name after a statement
      {"Q", false, 0, 5, 0},
      {"1+Q", false, 0, 5, 2},
      {"", false, 0, 0, 0},            // the empty statement is the missing value
      {"X Y", false, 0, 0, 3},         // one statement per text
      {"1,2", false, 0, 0, 2},
      {"+2", false, 0, 0, 1},          // no unary plus
      {"*3", false, 0, 0, 1},
      {"!2", false, 0, 0, 1},
      {"AND 1", false, 0, 0, 3},
      {"2+*3", false, 0, 0, 3},
      {"X=1", false, 0, 0, 2},         // only user variables can be assigned
      {"A0=2", false, 0, 0, 3},
      {"(1", false, 0, 0, 2},
      {"1)", false, 0, 0, 2},
      {"()", false, 0, 0, 2},
      {"SQRT 4", false, 0, 0, 6},
      {"ATAN2(1)", false, 0, 0, 8},    // exactly the function's argument count
      {"ATAN2(1,2,3)", false, 0, 0, 10},
      {"SQRT(4,1)", false, 0, 0, 7},
      {".", false, 0, 3, 0},           // a lone "."
      {"1+.E5", false, 0, 3, 2},
      {"1.E5", true, 1, 3, 1},         // ".E" cannot continue a number
      {"1..2", false, 0, 0, 4},
      {"1E400", false, 0, 4, 0},       // out of range
      {"2*1E301", false, 0, 4, 2},
      {"#Q", false, 0, 2, 0},
      {"#5", false, 0, 2, 0},
      {"1+#F0", false, 0, 2, 2},
      {"@A", false, 0, 5, 0},
      {"pi", false, 0, 5, 0},          // names are case-sensitive
      {"B  =2", false, 0, 5, 0},       // two blanks: not an assignment of a new name
      {"3 \x80", true, 3, 6, 2},       // bytes above 127 are invalid characters
  };
  for (const SyntaxCase& c : cases) {
    const long double v = Eval(c.text);
    if (c.valueKept) {
      EXPECT_EQ(v, c.value) << c.text;
    } else {
      EXPECT_EQ(v, ExprErrorValue) << c.text;
    }
    EXPECT_EQ(Syntax(), c.code) << c.text;
    EXPECT_EQ(Column(), c.column) << c.text;
  }
}

TEST_F(ParserTest, OutOfRangeLiteralSetsTheMathErrorToOne) {
  EXPECT_EQ(Eval("1E400"), ExprErrorValue);
  EXPECT_EQ(MathError(), 1);
  EXPECT_EQ(Eval("1E300"), 1e300L);
  EXPECT_EQ(Syntax(), 0);
}

TEST_F(ParserTest, MathErrorDuringTheParseRefusesTheNextToken) {
  // The division is reduced when the end is already read: no syntax code.
  EXPECT_EQ(Eval("1/0"), ExprErrorValue);
  EXPECT_EQ(MathError(), -1);
  EXPECT_EQ(Syntax(), 0);
  // Here "+" is read before the division is reduced; the token after it is refused.
  EXPECT_EQ(Eval("1/0+5"), ExprErrorValue);
  EXPECT_EQ(MathError(), -1);
  EXPECT_EQ(Syntax(), 1);
  // A call is reduced right after its ")", so the very next token is refused.
  EXPECT_EQ(Eval("LN(0)+1"), ExprErrorValue);
  EXPECT_EQ(MathError(), -6);
  EXPECT_EQ(Syntax(), 1);
  EXPECT_EQ(Column(), 5);
  EXPECT_EQ(Eval("(1/0)"), ExprErrorValue);
  EXPECT_EQ(Syntax(), 1);
}

TEST_F(ParserTest, UnbuiltFunctionsAreRefusedAsUnknownNames) {
  // The function table lists every built-in; a row whose body is not part of the program
  // is never evaluated as zero.
  for (const char* text : {"J0(1)", "COSH(1)", "TFN(1,2)"}) {
    EXPECT_EQ(Eval(text), ExprErrorValue) << text;
    EXPECT_EQ(Syntax(), 5) << text;
    EXPECT_EQ(Column(), 0) << text;
  }
}

TEST_F(ParserTest, NestingIsBoundedByTheParserStack) {
  // The start state, one state per "(", the number and the ")" must fit in 150 states.
  auto nested = [](int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
  EXPECT_EQ(Eval(nested(147)), 1);
  EXPECT_EQ(Eval(nested(148)), ExprErrorValue);
  EXPECT_EQ(Syntax(), 0);
  EXPECT_EQ(Eval(nested(100000)), ExprErrorValue);
  // Right-associative chains keep every operand on the stack too.
  std::string chain = "1";
  for (int i = 0; i < 200; ++i) chain += "^1";
  EXPECT_EQ(Eval(chain), ExprErrorValue);
}

// The first argument of a calculus built-in names line n: F1, #F1 and 1 all give 1. The
// countdown lives in the lexer, so it is exercised with a stand-in name of that kind.
TEST_F(ParserTest, CalculusFirstArgumentMustBeALineNumber) {
  ExprAddSymbol("CALCFN", kTokFunction0 + 4, kTakesSubFunctionNumber);
  struct Case {
    const char* text;
    int thirdToken;  // the token after "CALCFN" and "("
    long double line;
    int code;
    int column;
  };
  const Case cases[] = {
      {"CALCFN(F1,1", kTokNumber, 1, 0, 9},
      {"CALCFN(#F1,1", kTokNumber, 1, 0, 10},
      {"CALCFN(1,1", kTokNumber, 1, 0, 8},
      {"CALCFN( 9,1", kTokNumber, 9, 0, 9},
      {"CALCFN(X,1", kTokError, 0, 7, 8},
      {"CALCFN(10,1", kTokError, 0, 7, 7},
      {"CALCFN(0,1", kTokError, 0, 7, 7},
      {"CALCFN(1.5,1", kTokError, 0, 7, 7},
  };
  for (const Case& c : cases) {
    ExprContext& ctx = Ctx();
    ctx.ExprSyntaxCode = 0;
    ExprLexer lexer(ctx, c.text);
    EXPECT_EQ(lexer.Next(), kTokFunction0 + 4) << c.text;
    EXPECT_EQ(lexer.Next(), '(') << c.text;
    EXPECT_EQ(lexer.Next(), c.thirdToken) << c.text;
    EXPECT_EQ(ctx.ExprSyntaxCode, c.code) << c.text;
    EXPECT_EQ(ctx.ExprErrorColumn, c.column) << c.text;
    if (c.thirdToken == kTokNumber) {
      EXPECT_EQ(lexer.Number(), c.line) << c.text;
      EXPECT_EQ(lexer.Next(), ',') << c.text;  // the countdown is over: later numbers are free
      EXPECT_EQ(lexer.Next(), kTokNumber) << c.text;
    }
  }
}

TEST_F(ParserTest, LongTokensAreRefusedNotOverrun) {
  const std::string name31(31, 'N');
  EXPECT_EQ(Eval(name31 + "=2"), 2);
  const std::string name32(32, 'M');
  EXPECT_EQ(Eval(name32 + "=2"), ExprErrorValue);
  EXPECT_EQ(Syntax(), 5);
  EXPECT_EQ(Eval("3 " + name32), 3);  // refused like an unknown name after a statement
  EXPECT_EQ(Syntax(), 5);
  EXPECT_EQ(Column(), 2);

  const std::string digits127 = "1" + std::string(126, '0');
  EXPECT_EQ(Eval(digits127), 1e126L);
  const std::string digits128 = "1" + std::string(127, '0');
  EXPECT_EQ(Eval("1+" + digits128), ExprErrorValue);
  EXPECT_EQ(Syntax(), 3);
  EXPECT_EQ(Column(), 2);
}

}  // namespace
