// The equation texts of the code generator, character by character: Horner forms, full forms,
// term subsets, the non-linear pieces and how long expressions are broken.
#include <gtest/gtest.h>

#include <regex>

#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/linear_equation_text.h"
#include "exchange/codegen/nonlinear_equation_text.h"
#include "exchange/codegen_test_support.h"
#include "support/german_locale.h"

namespace {

using namespace codegen_test;

// An additive polynomial with nx x terms and ny y terms, plain x and y.
TFitEqn Polynomial(int nx, int ny, std::initializer_list<long double> p) {
  TFitEqn fit = FitWithParameters(1, p);
  fit.kind = kKindPolynomial;
  fit.descriptor = {kKindX, static_cast<std::uint8_t>(nx), 0, kKindY, static_cast<std::uint8_t>(ny), 0};
  return fit;
}

TEST(CodeGenEquationText, HornerFormsOfPolynomialsAndRationals) {
  USE_GERMAN_LOCALE(locale);
  // One term each: no parenthesis at all.
  TEquationPieces p = LinearEquationPieces(kDialectC64, Polynomial(1, 1, {1.5L, 2.0L, -0.25L}));
  EXPECT_EQ(p.equation, "z1+z2");
  EXPECT_EQ(p.z[0], "1.500000000000000+x*2.000000000000000");
  EXPECT_EQ(p.z[1], "y*-0.2500000000000000");
  // Line breaks before the even-numbered terms; the last coefficient of FORTRAN in parentheses.
  p = LinearEquationPieces(kDialectC64, Polynomial(3, 2, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(p.z[0], "1.000000000000000+x*(2.000000000000000+\n    x*(3.000000000000000+x*4.000000000000000))");
  EXPECT_EQ(p.z[1], "y*(5.000000000000000+\n    y*6.000000000000000)");
  p = LinearEquationPieces(kDialectFortran77, Polynomial(2, 1, {1, 0.5L, -2.5L, 3}));
  EXPECT_EQ(p.z[0], "1.000000000000000D0+x*(0.5000000000000000D0+\n     1x*(-2.500000000000000D0))");
  EXPECT_EQ(p.z[1], "y*(3.000000000000000D0)");
  // C with long double: 19 digits and long double literals.
  p = LinearEquationPieces(kDialectC80, Polynomial(1, 1, {0.1L, 1, 2}));
  EXPECT_EQ(p.z[0], "0.1000000000000000000L+x*1.000000000000000000L");
  // The user-function file names the parameters and reads x and y from its lines F1, F2.
  p = LinearEquationPieces(kDialectUdf, Polynomial(2, 2, {1, 2, 3, 4, 5}));
  EXPECT_EQ(p.equation, "#A+F1*(#B+F1*#C)+F2*(#D+F2*#E)");
  EXPECT_EQ(p.z[0], "");

  TFitEqn rational = FitWithParameters(1001, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  rational.kind = kKindRational;
  rational.descriptor = {kKindX, 2, 2, kKindY, 2, 2};
  p = LinearEquationPieces(kDialectUdf, rational);
  EXPECT_EQ(p.equation, "(#A+F1*(#B+F1*#C)+F2*(#D+F2*#E))/(1+F1*(#F+F1*#G)+F2*(#H+F2*#I))");
  p = LinearEquationPieces(kDialectC64, rational);
  EXPECT_EQ(p.equation, "(z1+z2)/(z3+z4)");
  EXPECT_EQ(p.z[2], "1.000000000000000+x*(6.000000000000000+\n    x*7.000000000000000)");
  EXPECT_EQ(p.z[3], "y*(8.000000000000000+\n    y*9.000000000000000)");
  // Counts that do not add up to the parameters write nothing.
  rational.m = 7;
  EXPECT_EQ(LinearEquationPieces(kDialectC64, rational).equation, "");
}

TEST(CodeGenEquationText, FullFormsOfPolynomialsAndRationals) {
  USE_GERMAN_LOCALE(locale);
  TFitEqn quadratic = FitWithParameters(301, {0, 1, 2, 3, 4, 5});
  EXPECT_EQ(LinearEquationPieces(kDialectUdf, quadratic).equation,
            "#A+F1*(#B+F1*(#D))+F2*(#C+F2*(#E))+F1*F2*(#F)");
  EXPECT_EQ(LinearEquationPieces(kDialectBasic, quadratic).equation,
            "0.000000000000000+x*(1.000000000000000+x*(3.000000000000000))+y*(2.000000000000000+y*(4.000000000000000))+"
            "x*y*(5.000000000000000)");
  TFitEqn cubic = FitWithParameters(310, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(LinearEquationPieces(kDialectUdf, cubic).equation,
            "#A+F1*(#B+F1*(#D+F1*(#G)))+F2*(#C+F2*(#E+F2*(#H)))+F1*F2*(#F+F2*(#I)+F1*(#J))");
  TFitEqn full = FitWithParameters(1304, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(LinearEquationPieces(kDialectTransform, full).equation,
            "(0.000000000000000+\n  x*(2.000000000000000+x*(6.000000000000000))+\n  y*(4.000000000000000+y*(8.000000000000000))+\n"
            "  x*y*(10.00000000000000))/\n  (1+x*(1.000000000000000+x*(5.000000000000000))+\n"
            "  y*(3.000000000000000+y*(7.000000000000000))+\n  x*y*(9.000000000000000))");
  // A full form with another term count has no text.
  quadratic.m = 6;
  EXPECT_EQ(LinearEquationPieces(kDialectC64, quadratic).equation, "");
}

TEST(CodeGenEquationText, TermSubsetsAndTheirFunctions) {
  USE_GERMAN_LOCALE(locale);
  TFitEqn fit = FitWithParameters(3001, {1.5L, 2.25L, -1, 0.5L});
  fit.terms = {0, 7, 28, 13};
  EXPECT_EQ(LinearEquationPieces(kDialectC64, fit).equation,
            "1.500000000000000+2.250000000000000*f1\n    -1.000000000000000*f2+0.5000000000000000*f3");
  EXPECT_EQ(TermFunctionNames(fit), "f1,f2,f3");
  const TFitRunScales scales = BoxScales();
  EXPECT_EQ(FitTermFunctionText(kDialectC64, fit, 1, scales), "exp(x/1.700000000000000)");
  // A negative scale after "/" is parenthesised.
  EXPECT_EQ(FitTermFunctionText(kDialectFortran90, fit, 2, scales), "DEXP(y/(-2.300000000000000D0))");
  EXPECT_EQ(FitTermFunctionText(kDialectC80, fit, 3, scales), "1.0L/logl(x)");
  EXPECT_EQ(FitTermFunctionText(kDialectC64, fit, 4, scales), "");
  EXPECT_EQ(BackTransformText(kDialectC64, fit), "z");
  EXPECT_EQ(BackTransformText(kDialectFortran77, fit), "");
  fit.terms[0] = 1;
  EXPECT_EQ(BackTransformText(kDialectC80, fit), "expl(z)");
  EXPECT_EQ(LinearEquationPieces(kDialectUdf, fit).equation, "EXP(#A+#B*F1+#C*F2+#D*F3)");
  fit.terms[0] = 2;
  EXPECT_EQ(BackTransformText(kDialectUdf, fit), "1/Z");
  EXPECT_EQ(LinearEquationPieces(kDialectUdf, fit).equation, "1/(#A+#B*F1+#C*F2+#D*F3)");

  const std::pair<int, const char*> kTerms[] = {
      {1, "x*log(x)"},         {2, "x*sqrt(x)"},      {4, "x*x*log(x)"},  {5, "x*x*sqrt(x)"},
      {6, "x*x*x"},            {8, "sqrt(x)*log(x)"}, {9, "log(x)*log(x)"}, {10, "x/log(x)"},
      {14, "1.0/sqrt(x)"},     {15, "log(x)/x"},      {17, "1.0/(x*sqrt(x))"}, {18, "log(x)/(x*x)"},
      {19, "1.0/(x*x)"},       {20, "exp(-x)"},       {21, "y"},          {41, "exp(-y)"}};
  for (const auto& [code, text] : kTerms) EXPECT_EQ(TermFunctionText(kDialectC64, code, scales), text) << code;
  EXPECT_EQ(TermFunctionText(kDialectPascal, 32, scales), "Sqrt(y)");
  EXPECT_EQ(TermFunctionText(kDialectBasic, 32, scales), "SQR(y)");
  EXPECT_EQ(TermFunctionText(kDialectC64, 42, scales), "");
}

TEST(CodeGenEquationText, TransformsOfXAndY) {
  TFitEqn fit = Polynomial(1, 1, {1, 2, 3});
  fit.descriptor[0] = kKindLnX;
  fit.descriptor[3] = kKindInvY;
  EXPECT_EQ(TransformOfX(kDialectC80, fit), "logl(x)");
  EXPECT_EQ(TransformOfY(kDialectFortran77, fit), "1.0D0/y");
  fit.descriptor[0] = kKindX;
  EXPECT_EQ(TransformOfX(kDialectC64, fit), "");
  EXPECT_EQ(TransformOfX(kDialectUdf, fit), "X");
  fit.kind = kKindNonlinear;
  EXPECT_EQ(TransformOfX(kDialectUdf, fit), "");
}

TEST(CodeGenEquationText, GaussPeakProductWrittenAsPublished) {
  USE_GERMAN_LOCALE(locale);
  TFitEqn fit = FitWithParameters(2001, {2, 0.5L, 0.25L, -1, 3});
  fit.kind = kKindNonlinear;
  const TEquationPieces p = NonlinearEquationPieces(kDialectC64, fit);
  EXPECT_EQ(p.equation, "2*z1*z2");
  EXPECT_EQ(p.z[0], "exp(-0.5*((x-0.5000000000000000)/0.25)*((x-\n    0.5000000000000000)/0.25))");
  EXPECT_EQ(p.z[1], "exp(-0.5*((y+1.000000000000000)/3)*((y+\n    1.000000000000000)/3))");
  EXPECT_EQ(p.zu, "");
  // The same in FORTRAN 77: every literal double precision.
  const TEquationPieces f = NonlinearEquationPieces(kDialectFortran77, fit);
  EXPECT_EQ(f.equation, "2D0*z1*z2");
  EXPECT_EQ(f.z[1], "DEXP(-0.5D0*((y+1.000000000000000D0)/3D0)*((y+\n     11.000000000000000D0)/3D0))");
  // And in the user-function file.
  const TEquationPieces u = NonlinearEquationPieces(kDialectUdf, fit);
  EXPECT_EQ(u.equation, "#A*F3*F4");
  EXPECT_EQ(u.z[0], "EXP(-0.5*((X-#B)/#C)*((X-#B)/#C))");
  EXPECT_EQ(u.z[1], "EXP(-0.5*((Y-#D)/#E)*((Y-#D)/#E))");
}

TEST(CodeGenEquationText, LogisticPeaksHaveTheirExponentialsWhereTheShapeIs) {
  for (int dialect = 0; dialect < kCodeGenDialectCount; ++dialect) {
    SCOPED_TRACE(dialect);
    TFitEqn fit = FitWithParameters(2043, {1, 2, 3, 1.5L, 0.5L});  // a + b y + logistic in x
    fit.kind = kKindNonlinear;
    TEquationPieces p = NonlinearEquationPieces(dialect, fit);
    EXPECT_NE(p.zu, "");
    EXPECT_EQ(p.zv, "");
    fit.equationNumber = 2044;  // a + b x + logistic in y
    p = NonlinearEquationPieces(dialect, fit);
    EXPECT_EQ(p.zu, "");
    EXPECT_NE(p.zv, "");
    fit = FitWithParameters(2037, {1, 2, 0.5L, 1.5L, 0.75L});
    fit.kind = kKindNonlinear;
    p = NonlinearEquationPieces(dialect, fit);
    EXPECT_NE(p.zu, "");
    EXPECT_NE(p.zv, "");
  }
  TFitEqn fit = FitWithParameters(2043, {1, 2, 3, 1.5L, 0.5L});
  fit.kind = kKindNonlinear;
  const TEquationPieces u = NonlinearEquationPieces(kDialectUdf, fit);
  EXPECT_EQ(u.zu, "EXP(-(X-#D)/#E)");
  EXPECT_EQ(u.z[0], "4.0*F1/((1.0+F1)*(1.0+F1))");
  EXPECT_EQ(u.z[1], "#B*Y");
  EXPECT_EQ(u.equation, "#A+F4+#C*F3");
}

TEST(CodeGenEquationText, PowersAreOperatorsOrFunctionsByDialect) {
  USE_GERMAN_LOCALE(locale);
  TFitEqn dose = FitWithParameters(2133, {1.25L, 2, 1.5L, 3, 0.5L});  // logistic dose response product
  dose.kind = kKindNonlinear;
  EXPECT_EQ(NonlinearEquationPieces(kDialectFortran77, dose).z[0], "1.0D0/(1.0D0+(x/2D0)**(-1.5D0))");
  EXPECT_EQ(NonlinearEquationPieces(kDialectC64, dose).z[0], "1.0/(1.0+pow(x/2,-1.5))");
  EXPECT_EQ(NonlinearEquationPieces(kDialectBasic, dose).z[0], "1.0/(1.0+(x/2)^(-1.5))");
  EXPECT_EQ(NonlinearEquationPieces(kDialectUdf, dose).z[0], "1.0/(1.0+(X/#B)^(-#C))");
  TFitEqn power = FitWithParameters(2157, {2, -1.5L, 0.5L});  // power product
  power.kind = kKindNonlinear;
  EXPECT_EQ(NonlinearEquationPieces(kDialectPascal, power).z[0], "Pow(x,-1.5)");
  EXPECT_EQ(NonlinearEquationPieces(kDialectFortran90, power).z[0], "(x)**(-1.5D0)");
  // An exponential with a negative decay length: the divisor in parentheses.
  TFitEqn growth = FitWithParameters(2145, {2, -1.5L, 0.5L});
  growth.kind = kKindNonlinear;
  EXPECT_EQ(NonlinearEquationPieces(kDialectFortran77, growth).z[0], "DEXP(-x/(-1.5D0))");
  EXPECT_EQ(NonlinearEquationPieces(kDialectC80, growth).z[1], "expl(-y/0.5L)");
}

TEST(CodeGenEquationText, CombinationsOfEveryForm) {
  USE_GERMAN_LOCALE(locale);
  // Equation index, then the combination with parameters P0..P7 = 1..8.
  const std::pair<int, const char*> kCases[] = {
      {2, "1+2.000000000000000*z1*z2"},
      {5, "1*z1+4.000000000000000*z2"},
      {6, "1+2.000000000000000*z1+5.000000000000000*z2"},
      {7, "1+z2+3.000000000000000*z1"},
      {8, "1+z1+3.000000000000000*z2"},
      {9, "1+z2+4.000000000000000*z1"},
      {10, "1+z1+4.000000000000000*z2"},
      {11, "1*z1+4.000000000000000*z2+7.000000000000000*z1*z2"},
      {12, "1+2.000000000000000*z1+5.000000000000000*z2+8.000000000000000*z1*z2"},
      {149, "1*z1+3.000000000000000*z2"},                                      // exponential, form 5
      {156, "1+2.000000000000000*z1+4.000000000000000*z2+6.000000000000000*z1*z2"},  // exponential, form 0
      {63, "1+2.000000000000000*z1*z2"},                                       // mixed, offset product
      {69, "1*z1+4.000000000000000*z2+7.000000000000000*z1*z2"},               // mixed, synergy
      {170, "1+z1+z2"},                                                        // a robust plane
  };
  const TFitEqn fit = FitWithParameters(2001, {1, 2, 3, 4, 5, 6, 7, 8});
  for (const auto& [index, text] : kCases) EXPECT_EQ(CodeGenEquationBody(kDialectC64, index, fit), text) << index;
  EXPECT_EQ(CodeGenEquationBody(kDialectUdf, 12, fit), "#A+#B*F3+#E*F4+#H*F3*F4");
  EXPECT_EQ(CodeGenEquationBody(kDialectC64, 173, fit), "");
  EXPECT_EQ(CodeGenEquationBody(kDialectC64, 0, fit), "");

  // Baselines: z2 of form 7 is linear in y, z1 of form 10 quadratic in x; planes are b x, c y.
  TFitEqn lineY = FitWithParameters(2007, {1, 2, 3, 4, 5});
  lineY.kind = kKindNonlinear;
  EXPECT_EQ(NonlinearEquationPieces(kDialectC64, lineY).z[1], "2.000000000000000*y");
  TFitEqn quadX = FitWithParameters(2010, {1, 2, -3, 4, 5, 6});
  quadX.kind = kKindNonlinear;
  EXPECT_EQ(NonlinearEquationPieces(kDialectC64, quadX).z[0], "x*(2.000000000000000-3.000000000000000*x)");
  TFitEqn plane = FitWithParameters(2170, {1, -2, 3});
  plane.kind = kKindNonlinear;
  EXPECT_EQ(NonlinearEquationPieces(kDialectC64, plane).z[0], "-2.000000000000000*x");
  EXPECT_EQ(NonlinearEquationPieces(kDialectUdf, plane).z[1], "#C*Y");
}

// Every line of every wrapped text of every non-linear equation, in the dialects that break
// lines: a break only after an operator outside a number, no line longer than the column
// the dialect allows, and no operator followed by a minus sign.
TEST(CodeGenEquationText, LongExpressionsBreakOnlyAfterOperators) {
  USE_GERMAN_LOCALE(locale);
  // Parameters with negative values and exponents, so that signs and "E" abound.
  TFitMaker make;
  const std::regex exponentSign("[0-9.][EDed][-+]$");
  for (const int dialect : {kDialectC80, kDialectC64, kDialectPascal, kDialectFortran77, kDialectFortran90, kDialectTransform}) {
    const std::string lineBreak = DialectInfo(dialect).lineBreak;
    for (int n = kFirstBuiltinNonlinear; n <= kLastBuiltinNonlinear; ++n) {
      TTestFit t = make.Nonlinear(n);
      for (int k = 0; k <= t.fit.m; ++k) t.fit.parameters[static_cast<std::size_t>(k)] *= k % 3 == 0 ? -1.5e-7L : 3.25e11L;
      const TEquationPieces p = NonlinearEquationPieces(dialect, t.fit);
      for (const std::string* text : {&p.equation, &p.z[0], &p.z[1], &p.zu, &p.zv}) {
        // The lines as they stand in the file: a break ends its line with the part of the
        // break before the newline (FORTRAN 90's "&").
        const std::size_t tail = lineBreak.find('\n');
        std::size_t start = 0;
        for (std::size_t cut; (cut = text->find('\n', start)) != std::string::npos; start = cut + 1) {
          std::string line = text->substr(start, cut - start);
          EXPECT_LE(line.size(), 51 + tail) << *text;
          if (dialect == kDialectFortran77) { EXPECT_LE(line.size() + (start == 0 ? 9 : 0), 72u) << *text; }
          line.resize(line.size() - tail);
          ASSERT_FALSE(line.empty());
          EXPECT_NE(std::string("+-*/").find(line.back()), std::string::npos) << line;
          EXPECT_FALSE(std::regex_search(line, exponentSign)) << "a number cut at its exponent: " << line;
        }
        if (dialect == kDialectFortran77) {
          EXPECT_LE(text->size() - start + (start == 0 ? 9 : 0), 72u) << *text;
        }
        if (dialect == kDialectFortran77 || dialect == kDialectFortran90) {
          EXPECT_EQ(text->find("/-"), std::string::npos) << *text;
          EXPECT_EQ(text->find("*-"), std::string::npos) << *text;
          EXPECT_EQ(text->find("E+"), std::string::npos) << *text;
          EXPECT_EQ(text->find("E-"), std::string::npos) << *text;
        }
      }
    }
  }
}

TEST(CodeGenEquationText, WrappingEdgeCases) {
  // Up to 60 characters stay whole; without an operator nothing is broken; "**" stays whole.
  EXPECT_EQ(WrapLongExpression(std::string(60, 'a'), "\n"), std::string(60, 'a'));
  EXPECT_EQ(WrapLongExpression(std::string(200, 'a'), "\n"), std::string(200, 'a'));
  EXPECT_EQ(WrapLongExpression(std::string(100, 'a'), ""), std::string(100, 'a'));
  const std::string power = std::string(49, 'a') + "**" + std::string(20, 'b');
  EXPECT_EQ(WrapLongExpression(power, "\n"), std::string(49, 'a') + "**\n" + std::string(20, 'b'));
  // No operator before column 50: the first one after it.
  const std::string late = std::string(70, 'a') + "+" + std::string(10, 'b');
  EXPECT_EQ(WrapLongExpression(late, "\n"), std::string(70, 'a') + "+\n" + std::string(10, 'b'));
  // An exponent's sign is not an operator.
  const std::string exponent = "x*" + std::string(40, '1') + ".5E-07+" + std::string(30, 'c');
  EXPECT_EQ(WrapLongExpression(exponent, "\n"), "x*" + std::string(40, '1') + ".5E-07+\n" + std::string(30, 'c'));
  // A long text gets a break near every 50th column of each line.
  std::string sum;
  for (int i = 0; i < 40; ++i) sum += "a+";
  sum += "a";
  const std::string wrapped = WrapLongExpression(sum, "\n    ");
  EXPECT_EQ(wrapped.substr(0, 50), sum.substr(0, 50));
  for (std::size_t start = 0, cut; (cut = wrapped.find('\n', start)) != std::string::npos; start = cut + 1)
    EXPECT_LE(cut - start, 51u);
}

}  // namespace
