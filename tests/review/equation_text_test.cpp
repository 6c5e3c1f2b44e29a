#include "review/equation_text.h"

#include "fit/nonlinear_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const TUdfRecords kNoUdfs{};

TFitEqn Fit(int equationNumber, std::initializer_list<int> terms) {
  TFitEqn fit;
  fit.equationNumber = equationNumber;
  fit.kind = KindOfEquation(equationNumber);
  int i = 0;
  for (int t : terms) fit.terms[static_cast<std::size_t>(i++)] = t;
  fit.m = i - 1;
  return fit;
}

TEST(EquationText, FamilyNamesOfTheSeriesAndChebyshevFits) {
  struct Case {
    int n;
    const char* text;
  } cases[] = {
      {401, "Chebyshev X,Y Bivariate Polynomial Order 2"},
      {440, "Chebyshev LnX,Y Bivariate Polynomial Order 21"},
      {480, "Chebyshev LnX,LnY Bivariate Polynomial Order 21"},
      {501, "Fourier Series Simple Order 2x1"},
      {530, "Fourier Series Bivariate Order 2x11"},
      {531, "Cosine Series Bivariate Order 2"},
      {600 + 1, "Sigmoid Series Bivariate Order 2"},
      {621, "Beta Series Bivariate Order 2"},
      {624, "Beta Series Bivariate Order 11"},
      {1401, "Chebyshev X,Y Rational Order 1/2"},
      {1421, "Chebyshev LnX,Y Rational Order 1/2"},
      {1480, "Chebyshev LnX,LnY Rational Order 20/21"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(FormatFitFormula(Fit(c.n, {0, 50}), kNoUdfs), c.text);
  }
}

TEST(EquationText, LinearAndRationalFormulas) {
  // A polynomial fit of ln z on x and y, and of z on x, y and x².
  EXPECT_EQ(FormatFitFormula(Fit(3, {1, 50, 80}), kNoUdfs), "lnz=a+bx+cy");
  EXPECT_EQ(FormatFitFormula(Fit(5, {0, 50, 80, 51}), kNoUdfs), "z=a+bx+cy+dx~^2~^");
  // A rational of order 1/1 in x and 1/1 in y: numerator x, y, then denominator x, y.
  TFitEqn rational = Fit(1001, {0, 50, 80, 110, 140});
  rational.descriptor = {5, 1, 1, 8, 1, 1};
  EXPECT_EQ(FormatFitFormula(rational, kNoUdfs), "z=(a+bx+cy)/(1+dx+ey)");
  // The full rational names numerator terms 2, 4, ... and denominator terms 1, 3, ....
  TFitEqn full = Fit(1301, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  full.descriptor = {5, 255, 255, 8, 255, 255};
  EXPECT_EQ(FormatFitFormula(full, kNoUdfs),
            "z=(a+cx~^1.5~^+ex~^2~^lnx+gx~^3~^+i" + std::string("x~^0.5~^lnx") +
                "+kx/lnx)/(1+bxlnx+dx~^2~^+fx~^2.5~^+he~^x/wx~^+j(lnx)~^2~^)");
  EXPECT_EQ(FormatFitFormula(Fit(2002, {0}), kNoUdfs), NonlinearEquationText(2002));
}

TEST(EquationText, ManyParametersNeverUseTheVariableLetters) {
  TFitEqn fit;
  fit.equationNumber = 9;
  fit.kind = kKindPolynomial;
  fit.m = 29;  // 30 parameters
  for (int i = 1; i <= fit.m; ++i) fit.terms[static_cast<std::size_t>(i)] = 50 + (i % 10);
  const std::string text = FormatFitFormula(fit, kNoUdfs);
  std::size_t pos = 0;
  int coefficients = 0;
  while ((pos = text.find('+', pos)) != std::string::npos) {
    ++pos;
    ++coefficients;
    const char c = text[pos];
    EXPECT_TRUE(c >= 'a' && c <= 'v') << text;
    // A two-letter label is a prefix and a letter a..v, followed by the term.
    if (coefficients > 21) {
      EXPECT_EQ(text[pos], 'a') << text;
      EXPECT_TRUE(text[pos + 1] >= 'a' && text[pos + 1] <= 'v') << text;
    }
  }
  EXPECT_EQ(coefficients, 29);
  // No '~' outside a code pair: every '~' starts "~^".
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '~') {
      EXPECT_EQ(text[++i], '^') << text;
    }
  EXPECT_EQ(ParameterLabel(0), " a");
  EXPECT_EQ(ParameterLabel(21), " v");
  EXPECT_EQ(ParameterLabel(22), "aa");
  EXPECT_EQ(ParameterLabel(44), "ba");
}

TEST(EquationText, UserFunctionFitsAreNamedBySlot) {
  TUdfRecords udfs{};
  udfs[2] = std::make_unique<TUdfRecord>();
  std::strcpy(udfs[2]->Name.data(), "PEAK2");
  EXPECT_EQ(GetEquationName(2503, udfs), "z=PEAK2()");
  EXPECT_EQ(GetEquationName(2504, udfs), "z=UDF4()");
  // A defined function left without a name.
  udfs[4] = std::make_unique<TUdfRecord>();
  EXPECT_EQ(GetEquationName(2505, udfs), "z=UDF5()");
}

TEST(EquationText, SummaryLinesSplitTheParameters) {
  TFitEqn fit = Fit(7, {0, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59});  // 11 parameters
  for (int i = 0; i <= fit.m; ++i) fit.parameters[static_cast<std::size_t>(i)] = i + 0.5L;
  fit.r2 = 0.99871234L;
  fit.adjustedR2 = 0.998L;
  fit.fitStdError = 0.0123L;
  fit.f = 12345.678L;
  TSummaryLines lines = FormatFitSummary(3, fit, "Test data", 4, kNoUdfs);
  EXPECT_EQ(lines[0], "Test data");
  EXPECT_EQ(lines[1].rfind("Rank 3  Eqn 7  z=a+bx+cx~^2~^", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "r~^2~^=0.9987  DF Adj r~^2~^=0.998  FitStdErr=0.0123  Fstat=1.235e+04");
  EXPECT_EQ(lines[3], "a=0.5 b=1.5 c=2.5 d=3.5 e=4.5 f=5.5 ");
  EXPECT_EQ(lines[4], "g=6.5 h=7.5 i=8.5 j=9.5 k=10.5 ");
  fit.m = 11;  // 12 parameters
  lines = FormatFitSummary(3, fit, "Test data", 4, kNoUdfs);
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "");
}

TEST(EquationText, LongFormulaIsCutAtTheLineNeverInsideACode) {
  TFitEqn fit;
  fit.equationNumber = 9;
  fit.kind = kKindPolynomial;
  fit.m = 40;
  for (int i = 1; i <= fit.m; ++i) fit.terms[static_cast<std::size_t>(i)] = 51;  // "x~^2~^"
  for (int precision : {4, 5, 6}) {
    const TSummaryLines lines = FormatFitSummary(1, fit, "", precision, kNoUdfs);
    ASSERT_LE(lines[1].size(), T3DTitleSet::kLineLength);
    ASSERT_GE(lines[1].size(), T3DTitleSet::kLineLength - 1);
    std::size_t i = 0;
    while (i < lines[1].size()) i += lines[1][i] == '~' ? 2 : 1;
    EXPECT_EQ(i, lines[1].size()) << lines[1];
  }
}

TEST(EquationText, TitleSetsOfTheReviewAndResidualGraphs) {
  TDataTitles titles;
  titles.Title = "Data";
  titles.XName = "Temperature";
  titles.YName = "Pressure";
  titles.ZName = "Yield";
  const TSummaryLines lines = {"1", "2", "3", "4", "5"};
  T3DTitleSet set;
  set.FixedSizes = 1;
  FormatGraphTitleSet(set, lines, 0, titles, kSurfaceDzDx);
  for (const std::string& line : set.Lines) EXPECT_EQ(line, "");
  EXPECT_EQ(set.AxisTitles[0], "Temperature");
  EXPECT_EQ(set.AxisTitles[1], "Pressure");
  EXPECT_EQ(set.AxisTitles[2], "~@\xB6~@Z/~@\xB6~@X");
  EXPECT_EQ(set.FixedSizes, 0);
  FormatGraphTitleSet(set, lines, 3, titles, kSurfaceZ);
  EXPECT_EQ(set.Lines[2], "3");
  EXPECT_EQ(set.Lines[3], "");
  EXPECT_EQ(set.AxisTitles[2], "Yield");
  EXPECT_EQ(SurfaceZTitle(kSurfaceDxDy, titles), "~@\xB6~@\xB2Z/~@\xB6~@X~@\xB6~@Y");
  EXPECT_EQ(SurfaceZTitle(kSurfaceD2zDy2, titles), "~@\xB6~@\xB2Z/~@\xB6~@Y\xB2");
  FormatResidualTitleSet(set, lines, 5, titles, 1);
  EXPECT_EQ(set.AxisTitles[2], "Residuals % Yield");
  FormatResidualTitleSet(set, lines, 5, titles, 2);
  EXPECT_EQ(set.AxisTitles[2], "Residuals Std Yield");
  FormatResidualTitleSet(set, lines, 5, titles, 0);
  EXPECT_EQ(set.AxisTitles[2], "Residuals Yield");
}

TEST(EquationText, RankOfAnEquationNumber) {
  TFitList list;
  ASSERT_TRUE(list.BeginRun());
  for (int n : {1001, 2002, 7, 2002}) {
    auto fit = NewFitResult(2);
    fit->equationNumber = n;
    ASSERT_TRUE(list.Append(std::move(fit)));
  }
  EXPECT_EQ(FindRankOfEquation(list, list.Count(), 2002), 2);
  EXPECT_EQ(FindRankOfEquation(list, list.Count(), 7), 3);
  EXPECT_EQ(FindRankOfEquation(list, list.Count(), 8), -1);
  EXPECT_EQ(FindRankOfEquation(list, 2, 7), -1);
  list.Free();
}

TEST(EquationText, ListRowsCaptionsAndFilters) {
  TFitEqn fit = Fit(1234, {0, 50});
  fit.kind = kKindRational;
  fit.r2 = 0.9987L;
  fit.adjustedR2 = 0.9981L;
  fit.fitStdError = 0.25L;
  fit.f = 4321.5L;
  fit.complexity = 12;
  EXPECT_EQ(FormatEquationRow(1, 64, false, fit, "z=a+bx"),
            "   1  ~#      0.9987~#  ~$ 12~$  ~!~*     1234~*~!  ~!z=a+bx~!");
  EXPECT_EQ(FormatEquationRow(12, 4 + kSortByParameterCount, false, fit, "f"),
            "  12  ~#        0.25~#  ~$ 12~$  ~!~*     1234~*~!  ~!f~!");
  EXPECT_EQ(FormatEquationRow(1, 1, true, fit, "f"),
            "   1  ~#   0.9987~#  ~#   0.9981~#  ~#     0.25~#  ~#   4321.5~#  ~$ 12~$  ~!~*     1234~*~!  ~!f~!");
  EXPECT_EQ(EquationListCaption(17, 64, false), "17 Equations  [Rank, r\xB2, FP, Eq#, Eqn]");
  EXPECT_EQ(EquationListCaption(17, 4100, false), "17 Equations  [Rank, Fit Std Err, FP, Eq#, Eqn]");
  EXPECT_EQ(EquationListCaption(2, 8, true),
            "2 Equations  [Rank, r\xB2, DOF Adj r\xB2, Fit Std Err, F-statistic, FP, Eq#, Eqn]");
  // Filters: all, simple (fewer than 3 terms), polynomial or rational, polynomial, rational,
  // non-linear; term subsets only under all and simple.
  TFitEqn subset = Fit(3000, {0, 1, 2});
  subset.kind = kKindTermSubset;
  const bool expected[2][6] = {{true, true, true, false, true, false}, {true, true, false, false, false, false}};
  for (int filter = 0; filter < 6; ++filter) {
    EXPECT_EQ(PassesEquationFilter(filter, fit), expected[0][filter]) << filter;
    EXPECT_EQ(PassesEquationFilter(filter, subset), expected[1][filter]) << filter;
  }
  EXPECT_FALSE(PassesEquationFilter(6, fit));
}

}  // namespace
