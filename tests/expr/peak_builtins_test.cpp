// The peak and transition built-ins: values against closed forms, the variable each reads,
// the guards of LDR and POW, and the errors of zero widths and logarithms.
#include <string>
#include <vector>

#include "expr/peak_builtins.h"
#include "expr_test_support.h"

namespace {

struct Reference {
  const char* call;  // the call, then "@" and the abscissa
  long double value;
};

// mpmath closed forms at 40 digits (reference/special_function_references.py).
constexpr Reference kShapeValues[] = {
    {"GAUSSX(2,1,0.5)@0.3", 0.7506221977027990774513216L}, {"LORX(2,1,0.5)@0.3", 0.6756756756756756756895351L},
    {"LOGNORMX(2,1,0.5)@0.3", 0.1101454133592629662293654L}, {"LOGISTICX(2,1,0.5)@0.3", 1.269479179964917174750666L},
    {"EXTRVALX(2,1,0.5)@0.3", 0.382107694900724531648171L}, {"GCUMX(2,1,0.5)@0.3", 0.1615133184675420929988707L},
    {"LORCUMX(2,1,0.5)@0.3", 0.3948630865774931401031073L}, {"LNCUMX(2,1,0.5)@0.3", 0.003638116088546013355980743L},
    {"SIGX(2,1,0.5)@0.3", 0.3956322228828365036981947L}, {"EXVCUMX(2,1,0.5)@0.3", 0.03466402801752901226889266L},
    {"LDRX(2,1,0.5)@0.3", 0.7077787357290460384567486L}, {"EXPX(3,2)@0.3", 2.582123929275173421673104L},
    {"POWX(1.5,2.5)@0.3", 0.07394254526319742532337164L}, {"GAUSSX(2,1,0.5)@1.7", 0.7506221977027990773373859L},
    {"LORX(2,1,0.5)@1.7", 0.675675675675675675620238L}, {"LOGNORMX(2,1,0.5)@1.7", 1.138844895213818574120224L},
    {"LOGISTICX(2,1,0.5)@1.7", 1.269479179964917174667483L}, {"EXTRVALX(2,1,0.5)@1.7", 1.047650687222333613120921L},
    {"GCUMX(2,1,0.5)@1.7", 1.838486681532457907033596L}, {"LORCUMX(2,1,0.5)@1.7", 1.605136913422506859920211L},
    {"LNCUMX(2,1,0.5)@1.7", 1.425377310135409595749372L}, {"SIGX(2,1,0.5)@1.7", 1.604367777117163496336215L},
    {"EXVCUMX(2,1,0.5)@1.7", 1.562911169699126903327085L}, {"LDRX(2,1,0.5)@1.7", 1.131884339884200734530283L},
    {"EXPX(3,2)@1.7", 1.282244795846180009733548L}, {"POWX(1.5,2.5)@1.7", 5.652148485310696435903911L},
};

class PeakBuiltinTest : public ExprTest {};

TEST_F(PeakBuiltinTest, ValuesMatchTheClosedFormsAtXYAndDollar) {
  for (const Reference& r : kShapeValues) {
    const std::string text = r.call;
    const std::size_t at = text.find('@');
    const std::string call = text.substr(0, at);
    const long double v = std::stold(text.substr(at + 1));
    const std::size_t open = call.find('(');
    const std::string family = call.substr(0, open - 1);  // without the X
    const std::string args = call.substr(open);
    // X form, then the Y and $ forms with the other variables far away.
    Vars().X() = v;
    Vars().Y() = Vars().Dollar() = 1e6L;
    const long double atX = Eval(call);
    EXPECT_EQ(MathError(), 0) << call;
    EXPECT_LE(std::fabs(atX / r.value - 1), 1e-17L) << text << " = " << static_cast<double>(atX);
    Vars().Y() = v;
    Vars().X() = 1e6L;
    EXPECT_EQ(Eval(family + "Y" + args), atX) << text;
    Vars().Dollar() = v;
    Vars().Y() = 1e6L;
    EXPECT_EQ(Eval(family + "$" + args), atX) << text;
  }
}

TEST_F(PeakBuiltinTest, ValuesAtTheCentres) {
  struct Case {
    const char* text;
    long double x;
    long double value;
  };
  const Case cases[] = {{"GAUSSX(2,0,1)", 0, 2},  {"GAUSSX(2,0,1)", 1, 2 * std::exp(-0.5L)}, {"GCUMX(1,0,1)", 0, 0.5L},
                        {"LORCUMX(1,0,1)", 0, 0.5L}, {"SIGX(1,0,1)", 0, 0.5L},  {"LOGISTICX(1,0,1)", 0, 1},
                        {"EXTRVALX(1,0,1)", 0, 1}, {"EXPX(3,1)", 0, 3},         {"POWX(1,2)", 2, 4},
                        {"POWX(1,2)", 0, 0},       {"POWX(1,2)", -1, 0},        {"LORX(5,2,3)", 2, 5},
                        {"LOGNORMX(5,2,3)", 2, 5}};
  for (const Case& c : cases) {
    Vars().X() = c.x;
    ExpectEval(c.text, c.value, 0, 1e-18L);
  }
  // LDR takes an abscissa or scale of 0 or less as 1e-12: (1e-12)^-1 + 1 below 1.
  Vars().X() = 0;
  EXPECT_LD_NEAR(Eval("LDRX(1,1,1)"), 1 / (1e12L + 1), 1e-30L);
  Vars().X() = 2;
  ExpectEval("LDRX(1,-5,1)", 1 / (1e-12L / 2 + 1), 0, 1e-18L);
}

TEST_F(PeakBuiltinTest, ZeroWidthsAndLogarithmsOfZeroFail) {
  struct Case {
    const char* text;
    long double x;
    int code;
  };
  const Case cases[] = {{"GAUSSX(2,0,0)", 1, -1},  {"LORX(1,0,0)", 1, -1}, {"GCUMX(1,0,0)", 1, -1},
                        {"SIGX(1,0,0)", 1, -1},    {"EXPX(1,0)", 1, -1},   {"EXVCUMX(1,0,0)", 1, -1},
                        {"LNCUMX(1,1,1)", 0, -6},  {"LOGNORMX(1,1,1)", -1, -7},
                        // A zero scale fails its division, not the logarithm of the quotient.
                        {"LOGNORMX(1,0,1)", 1, -1}, {"LNCUMX(1,0,1)", 1, -1},
                        {"LOGNORMX(1,0,1)", -1, -1}, {"LNCUMX(2,0,0.5)", 0, -1}};
  for (const Case& c : cases) {
    Vars().X() = c.x;
    ExpectEval(c.text, ExprErrorValue, c.code);
  }
  Vars().X() = 1;
  EXPECT_EQ(Eval("LOGNORMX(1,0,1)"), ExprErrorValue);  // v/0 is 0, whose logarithm fails
  EXPECT_TRUE(Ctx().ErrorListed(-1));
}

// Far from their centres the shapes keep their values: the lower tail of GCUM from erfc (erf w
// + 1 cancelled to 0 from seven widths down, where the value is 1e-12 and less), and where an
// inner exponential or power overflows (e^-u of SIG, EXVCUM and EXTRVAL, (q + 1)^2 of LOGISTIC,
// (v/b)^-c of LDR) the value is the tiny number it is, or 0 where that is below the range,
// never "Exponential: Overflow" or "Power: Overflow". References: mpmath at 40 digits.
TEST_F(PeakBuiltinTest, FarTailsKeepTheirValuesAndAnInnerOverflowIsNoFailure) {
  // The tolerance follows the exponent each value is formed from: its rounding, and the last
  // bit in which the processors' exponentials differ, grow with it.
  struct Case {
    const char* text;
    long double x;
    long double value;
    long double tolerance;
  };
  const Case cases[] = {
      {"GCUMX(1,0,1)", -3, 1.349898031630094526651815e-3L, 1e-17L},
      {"GCUMX(1,0,1)", -10, 7.619853024160526065973343e-24L, 2e-16L},
      {"GCUMX(1,0,1)", -40, 3.655893540915029703748986e-350L, 1e-15L},
      {"GCUMX(1,0,1)", -100, 1.34417907674419830507308e-2174L, 5e-15L},
      {"GCUMX(2,1,0.5)", -20, 1.70102964209567095685145e-385L, 1e-15L},
      {"LOGISTICX(1,0,1)", -6000, 6.84177159765159544346573e-2606L, 5e-15L},
      {"LOGISTICX(3,0,1)", -1000, 6.091150677059348118350171e-434L, 1e-15L},
      {"SIGX(1,0,1)", -6000, 1.710442899412898860866432e-2606L, 5e-15L},
      {"EXTRVALX(1,0,1)", -9, 1.653136344810994782944336e-3515L, 5e-15L},
      {"EXVCUMX(1,0,1)", -8, 2.434419635852852202200805e-1295L, 2e-15L},
      // Below the range of long double: exactly 0, as the fitting evaluators give.
      {"LOGISTICX(1,0,1)", -12000, 0, 0},
      {"SIGX(1,0,1)", -12000, 0, 0},
      {"SIGX(-3,-2,0.25)", -3002, 0, 0},
      {"EXTRVALX(1,0,1)", -12000, 0, 0},
      {"EXVCUMX(1,3,-0.5)", 50003, 0, 0},
      {"LDRX(1,1,5000)", 0.001L, 0, 0},
      {"LDRX(1,1,-5000)", 1000, 0, 0},
  };
  for (const Case& c : cases) {
    Vars().X() = c.x;
    const long double got = Eval(c.text);
    EXPECT_EQ(MathError(), 0) << c.text << " at " << static_cast<double>(c.x);
    if (c.value == 0)
      EXPECT_EQ(got, 0) << c.text << " at " << static_cast<double>(c.x);
    else
      EXPECT_LE(std::fabs(got / c.value - 1), c.tolerance) << c.text << " at " << static_cast<double>(c.x)
                                                            << " = " << static_cast<double>(got);
  }
  // (2^5000 + 1)^-1 is in range: the overflow guard of LDR leaves it to the power function.
  Vars().X() = 0.5L;
  EXPECT_LE(std::fabs(Eval("LDRX(2,1,5000)") / (2 / (std::pow(2.0L, 5000.0L) + 1)) - 1), 1e-18L);
  // A true overflow still fails: the exponential shape's value itself is beyond the range.
  Vars().X() = -20000;
  ExpectEval("EXPX(1,1)", ExprErrorValue, -17);
}

TEST_F(PeakBuiltinTest, ArgumentsGoToTheWorkArea) {
  long double area[kExprParamAreaSize] = {};
  ExprContext& ctx = Ctx();
  ctx.ExprParamArea = area;
  ctx.ExprVars.X() = 3;
  const long double args[3] = {2, -1, 0.5L};
  BuiltinShape<kVarX, ShapeLDR, 3>(ctx, args);
  EXPECT_EQ((std::vector(area, area + 3)), (std::vector{2.0L, 1e-12L, 0.5L}));  // the repaired scale is written back
  const long double two[2] = {7, 8};
  BuiltinShape<kVarX, ShapeEXP, 2>(ctx, two);
  EXPECT_EQ((std::vector(area, area + 2)), (std::vector{7.0L, 8.0L}));
  ctx.ExprParamArea = nullptr;
  // Without a work area (called outside an entry point) the handler uses its own.
  EXPECT_EQ((BuiltinShape<kVarX, ShapeGAUSS, 3>(ctx, std::array<long double, 3>{4, 3, 1}.data())), 4);
}

TEST_F(PeakBuiltinTest, CatalogueEquationTextsCompile) {
  Vars().X() = 0.5L;
  Vars().Y() = 0.25L;
  Vars().A(0) = 1;
  Vars().A(1) = 2;
  Vars().A(2) = 3;
  ASSERT_EQ(ExprCompileSlot("A0*GAUSSX(1,A1,A2)*GAUSSY(1,A1,A2)+GCUMX(A0,0,1)", 80), 1);
  const long double gx = std::exp(-std::pow((0.5L - 2) / 3, 2) / 2);
  const long double gy = std::exp(-std::pow((0.25L - 2) / 3, 2) / 2);
  const long double cum = 0.5L * (std::erf(0.5L / std::sqrt(2.0L)) + 1);
  EXPECT_LD_NEAR(ExprRunSlot(80), gx * gy + cum, 1e-18L);
}

}  // namespace
