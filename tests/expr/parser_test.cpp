// Precedence, partial acceptance and syntax codes of the parser and lexer.
#include <string>
#include <tuple>
#include <vector>

#include "expr/lexer.h"
#include "expr/parser.h"
#include "expr/symbol_table.h"
#include "expr_test_support.h"

namespace {

struct ValueCase {
  std::string text;
  long double value;
};

class ParserTest : public ExprTest {};

TEST_F(ParserTest, OperatorsBindAsTheLanguageDefines) {
  const ValueCase cases[] = {
      {"2^3^2", 512},  // ^ groups to the right
      {"-2^2", -4},  // ^ binds tighter than unary minus
      {"(-2)^2", 4}, {"2*-3", -6}, {"-2*3", -6}, {"2^-1", 0.5}, {"4!", 24},
      {"3!^2", 36},  // ! binds tighter than ^
      {"2^3!", 64}, {"-3!", -6}, {"1 OR 0 AND 0", 0},  // AND and OR share one level, left to right
      {"1 OR 1 AND 0 OR 1", 1}, {"1+2*3", 7}, {"(1+2)*3", 9}, {"10-4-3", 3}, {"64/4/2", 8}, {"2*3%4", 2}, {"7%3", 1},
      {"-7%3", -1},  // the sign of the dividend
      {"MOD(7,3)", 1}, {"1<2<3", 1}, {"3>2>1", 0}, {"1+2<4", 1},  // relations are looser than + and -
      {"1 AND 2<1", 0},  // and tighter than AND
      {"1.EQ.1", 1}, {"1==1", 1}, {"1 .EQ. 1", 1}, {"3<>3", 0}, {"2 >= 2", 1}, {"1.GT.2", 0}, {"2.GT.1", 1},
      {"1.LT.2.AND.2.LE.2", 1}, {"1 .NE. 1 .OR. 2 .GE. 3", 0}, {"1 && 0", 0}, {"0 || 1", 1}, {"1.5E+3", 1500},
      {"2.5e-1", 0.25}, {".5", 0.5}, {"5.", 5}, {"1E-400", 0},  // below 1e-300 a literal is 0
      {"-2", -2}, {" \t1 +\t2 ", 3}, {"SQRT(4)", 2},
      {"ATAN2(0,-1)", static_cast<long double>(std::atan2(0.0L, -1.0L))},
  };
  for (const ValueCase& c : cases) {
    ExpectEval(c.text, c.value);
    EXPECT_EQ(Syntax(), 0) << c.text;
  }
}

TEST_F(ParserTest, AssignmentTakesTheWholeExpressionToItsRight) {
  EXPECT_EQ(Eval("B=2+3"), 5);
  EXPECT_EQ(Eval("B*2"), 10);  // later texts see the user variable
  EXPECT_EQ(Eval("1+B=2"), 3);
  EXPECT_EQ(ExprFindSymbol("B")->value, 2);
  EXPECT_EQ(Eval("C=B=4"), 4);
  EXPECT_EQ((std::vector{ExprFindSymbol("B")->value, ExprFindSymbol("C")->value}), (std::vector{4.0L, 4.0L}));
  EXPECT_EQ(Eval("(D=2)+1"), 3);
  EXPECT_EQ(Eval("E = 7"), 7);    // one blank before "=" still creates the variable
  EXPECT_EQ(Eval("F0=1+F0"), 1);  // a new variable starts at 0
  EXPECT_EQ(Eval(std::string(31, 'N') + "=2"), 2);  // the longest name
}

TEST_F(ParserTest, PredefinedNamesAndParameters) {
  Vars().X() = 3;
  Vars().Y() = -2;
  for (int i = 0; i < 10; ++i) Vars().A(i) = 10 + i;
  // "#F" is the parameter A5, not a sub-function; EULER is the double nearest Euler's
  // constant, widened.
  const ValueCase cases[] = {{"X*Y", -6}, {"#A", 10}, {"#A0", 10}, {"A3", 13}, {"#A3", 13}, {"#D", 13}, {"#F", 15},
                             {"#J", 19},  {"PI", static_cast<long double>(3.141592653589793)},
                             {"EULER", 0.5772156649015328655494272L}, {"1" + std::string(126, '0'), 1e126L}};
  for (const ValueCase& c : cases) EXPECT_EQ(Eval(c.text), c.value) << c.text;
}

TEST_F(ParserTest, NamesMetAreCollectedInTheUsedMask) {
  Eval("A0*X+Y+#F");
  EXPECT_EQ(Ctx().ExprVarsUsed, kUsesA0 | kUsesX | kUsesY | (kUsesA0 << 5));
  Eval("XMEAN+$$");
  EXPECT_EQ(Ctx().ExprVarsUsed, kUsesDataStatistic | kUsesDollar);
  Eval("F1");
  EXPECT_EQ(Ctx().ExprVarsUsed, kUsesSubFunction);
}

TEST_F(ParserTest, BadTextIsRefusedWithItsCodeAndPlace) {
  constexpr long double kRefused = ExprErrorValue;  // a complete statement before the bad token keeps its value
  struct Case {
    std::string text;
    long double value;
    int code;
    int column;
  };
  const std::string name32(32, 'M');
  const Case cases[] = {
      {"5 ?", 5, 6, 2},  // the bad character ends the text
      {"5 Q", 5, 5, 2},  // unknown name after a statement
      {"Q", kRefused, 5, 0}, {"1+Q", kRefused, 5, 2},
      {"", kRefused, 0, 0},     // the empty statement is the missing value
      {"X Y", kRefused, 0, 3},  // one statement per text
      {"1,2", kRefused, 0, 2}, {"+2", kRefused, 0, 1}, {"*3", kRefused, 0, 1}, {"!2", kRefused, 0, 1},  // no unary plus
      {"AND 1", kRefused, 0, 3}, {"2+*3", kRefused, 0, 3},
      {"X=1", kRefused, 0, 2}, {"A0=2", kRefused, 0, 3},  // only user variables can be assigned
      {"(1", kRefused, 0, 2}, {"1)", kRefused, 0, 2}, {"()", kRefused, 0, 2}, {"SQRT 4", kRefused, 0, 6},
      {"ATAN2(1)", kRefused, 0, 8}, {"ATAN2(1,2,3)", kRefused, 0, 10}, {"SQRT(4,1)", kRefused, 0, 7},  // exact counts
      {".", kRefused, 3, 0}, {"1+.E5", kRefused, 3, 2},  // a lone "."
      {"1.E5", 1, 3, 1},                                 // ".E" cannot continue a number
      {"1..2", kRefused, 0, 4}, {"1E400", kRefused, 4, 0}, {"2*1E301", kRefused, 4, 2},  // out of range
      {"#Q", kRefused, 2, 0}, {"#5", kRefused, 2, 0}, {"1+#F0", kRefused, 2, 2}, {"@A", kRefused, 5, 0},
      {"pi", kRefused, 5, 0},     // names are case-sensitive
      {"B  =2", kRefused, 5, 0},  // two blanks: not an assignment of a new name
      {"3 \x80", 3, 6, 2},        // bytes above 127 are invalid characters
      // Tokens longer than 31 characters (names) or 127 (numbers) are refused, not overrun.
      {name32 + "=2", kRefused, 5, 0}, {"3 " + name32, 3, 5, 2}, {"1+1" + std::string(127, '0'), kRefused, 3, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.text), c.value) << c.text;
    EXPECT_EQ(Syntax(), c.code) << c.text;
    EXPECT_EQ(Column(), c.column) << c.text;
  }
}

TEST_F(ParserTest, MathErrorDuringTheParseRefusesTheNextToken) {
  // "1/0" is reduced when the end is already read: no syntax code. In "1/0+5" the "+" is
  // read before the division is reduced, and a call is reduced right after its ")": the
  // token after is refused. An out-of-range literal sets the math error to 1.
  const std::tuple<const char*, int, int> cases[] = {
      {"1/0", -1, 0}, {"1/0+5", -1, 1}, {"LN(0)+1", -6, 1}, {"(1/0)", -1, 1}, {"1E400", 1, 4}};
  for (const auto& [text, math, syntax] : cases) {
    ExpectEval(text, ExprErrorValue, math);
    EXPECT_EQ(Syntax(), syntax) << text;
  }
  Eval("LN(0)+1");
  EXPECT_EQ(Column(), 5);
  EXPECT_EQ(Eval("1E300"), 1e300L);
  EXPECT_EQ(Syntax(), 0);
}

// A literal of magnitude above 1e300 is refused and one below 1e-300 reads as 0; the
// bounds themselves and everything between read as the long double nearest them. 1E-300
// read as 0 against the double nearest 1e-300, which lies above it. Nearest long doubles
// by mpmath at 64 bits: 1e-300 = 9.999999999999999999653e-301, 1.0000000000000000001e-300
// = 1.000000000000000000127e-300, 9.999999999999999999e299 = 9.999999999999999998638e299.
TEST_F(ParserTest, LiteralsAtTheirBoundsReadAsThemselves) {
  const ValueCase cases[] = {
      {"1E-300", 1e-300L},
      {"-1E-300", -1e-300L},
      {"1.0000000000000000001E-300", 1.0000000000000000001e-300L},
      {"9.999999999999999999E-301", 0},
      {"1E300", 1e300L},
      {"-1E300", -1e300L},
      {"9.999999999999999999E299", 9.999999999999999999e299L},
      {"1E-300*1E300", 1},
      {"1E300*1E-300", 1},
  };
  ASSERT_NE(1e-300L, 1.0000000000000000001e-300L);
  ASSERT_NE(1e300L, 9.999999999999999999e299L);
  for (const ValueCase& c : cases) {
    ExpectEval(c.text, c.value);
    EXPECT_EQ(Syntax(), 0) << c.text;
    Vars().X() = 2;
    ASSERT_EQ(ExprCompileSlot("X*" + c.text, 90), 1) << c.text;
    EXPECT_EQ(ExprRunSlot(90), 2 * c.value) << c.text;
  }
  for (const char* text : {"1.0000000000000000001E300", "-1.0000000000000000001E300", "1E301"}) {
    ExpectEval(text, ExprErrorValue, 1);
    EXPECT_EQ(Syntax(), kSyntaxFloatRange) << text;
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
  // The text, the line number read (0: the third token is an error), the code and column.
  const std::tuple<const char*, long double, int, int> cases[] = {
      {"CALCFN(F1,1", 1, 0, 9}, {"CALCFN(#F1,1", 1, 0, 10}, {"CALCFN(1,1", 1, 0, 8}, {"CALCFN( 9,1", 9, 0, 9},
      {"CALCFN(X,1", 0, 7, 8},  {"CALCFN(10,1", 0, 7, 7},   {"CALCFN(0,1", 0, 7, 7}, {"CALCFN(1.5,1", 0, 7, 7}};
  for (const auto& [text, line, code, column] : cases) {
    ExprContext& ctx = Ctx();
    ctx.ExprSyntaxCode = 0;
    ExprLexer lexer(ctx, text);
    EXPECT_EQ(lexer.Next(), kTokFunction0 + 4) << text;
    EXPECT_EQ(lexer.Next(), '(') << text;
    EXPECT_EQ(lexer.Next(), line ? kTokNumber : kTokError) << text;
    EXPECT_EQ(std::tuple(ctx.ExprSyntaxCode, ctx.ExprErrorColumn), std::tuple(code, column)) << text;
    if (line == 0) continue;
    EXPECT_EQ(lexer.Number(), line) << text;
    EXPECT_EQ(lexer.Next(), ',') << text;  // the countdown is over: later numbers are free
    EXPECT_EQ(lexer.Next(), kTokNumber) << text;
  }
}

}  // namespace
