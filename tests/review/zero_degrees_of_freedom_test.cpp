// A fit that leaves no degree of freedom (ten parameters through ten points on one line in
// x and y) as the review shows it: the statistics that cannot be formed are said to be
// missing, never shown as the numbers that rank them last, and nothing that does not exist
// without a degree of freedom (standard errors, t values, limits) is shown as 0.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/long_double.h"
#include "app/number_format.h"
#include "app/text_line_buffer.h"
#include "fit/fit_refit.h"
#include "fit/fit_statistics.h"
#include "review/equation_text.h"
#include "review/pane_text.h"
#include "review/review_fit_fixture.h"

namespace {

class ZeroDegreesOfFreedom : public ::testing::Test {
 protected:
  void SetUp() override {
    review_test::FitCollinearTen(session_);
    ASSERT_GE(session_.FitList.Count(), 1);
    const std::optional<TFitSide> top = RefitRank(session_, 1, kRefitCovariance);
    ASSERT_TRUE(top);
    fit_ = top->eqn;
    // The top fit passes through every point with as many parameters as points (or more).
    ASSERT_GE(fit_.m + 1, 10);
    ASSERT_EQ(fit_.r2, 1.0L);
  }

  static std::string All(const TMFile& f) {
    std::string s;
    for (int i = 0; i < f.LineCount(); ++i) s += std::string(f.GetLine(i)) + "\n";
    return s;
  }
  // Neither stand-in of a statistic that cannot be formed, in any spelling a format gives it.
  static void ExpectNoStandIn(const std::string& text) {
    for (const char* standIn : {"-12345", "1e+300", "1E+300", "1e+3", "1e300"})
      EXPECT_EQ(text.find(standIn), std::string::npos) << standIn << " in\n" << text;
  }

  TSession session_;
  TFitEqn fit_;
};

TEST_F(ZeroDegreesOfFreedom, RecordHoldsNoStandardErrorNoLimitAndNoZero) {
  EXPECT_FALSE(FitStdErrorKnown(fit_.fitStdError));
  const FitStatistics shown = ShownStatistics(fit_);
  EXPECT_EQ(shown.r2, 1.0L);
  EXPECT_TRUE(IsMissingValue(shown.adjustedR2));
  EXPECT_TRUE(IsMissingValue(shown.fitStdError));
  EXPECT_TRUE(IsMissingValue(shown.f));
  for (int i = 0; i <= fit_.m; ++i) EXPECT_TRUE(IsMissingValue(fit_.parameterErrors[static_cast<std::size_t>(i)])) << i;
  for (int level = 0; level < kConfidenceLevelCount; ++level)
    EXPECT_TRUE(IsMissingValue(fit_.tTimesStdError[static_cast<std::size_t>(level)])) << level;
}

TEST_F(ZeroDegreesOfFreedom, GraphTitleSaysTheStatisticsAreMissing) {
  const TSummaryLines lines = FormatRankSummary(session_, 1, 8);
  EXPECT_EQ(lines[2], "r~^2~^=1  DF Adj r~^2~^=n/a  FitStdErr=n/a  Fstat=n/a");
}

TEST_F(ZeroDegreesOfFreedom, NumericPaneShowsNoStandInAndNoErrorDegreeOfFreedom) {
  TMFile out("", 300);
  std::tm stamp{};
  stamp.tm_year = 126;
  TNumericPaneSettings settings;
  settings.stamp = &stamp;
  ASSERT_TRUE(FormatNumericSummary(out, session_, 1, settings));
  const std::string all = All(out);
  ExpectNoStandIn(all);
  EXPECT_NE(all.find("~!1           ~!   ~!n/a         ~!   ~!n/a         ~!   ~!n/a         ~!"), std::string::npos)
      << all;
  // The parameter table: a row per parameter with its value and no standard error, t value,
  // limit or probability.
  EXPECT_NE(all.find("~!n/a        ~!  ~!n/a        ~!  ~!n/a        ~!  ~!n/a        ~!  ~!n/a    ~!"),
            std::string::npos)
      << all;
  // The error line of the analysis of variance: no degree of freedom, no mean square; the
  // total keeps its n - 1.
  EXPECT_NE(all.find("~!0   ~!    ~!n/a            ~!"), std::string::npos) << all;
  EXPECT_NE(all.find("~$Total~$    ~!216.91125      ~!   ~!9   ~!"), std::string::npos) << all;
}

TEST_F(ZeroDegreesOfFreedom, DataPaneLimitsAreMissingNotTheFittedValue) {
  TMFile out("", 300);
  ASSERT_TRUE(FormatDataSummary(out, session_, 1, kDataAllInformation, 1));
  ASSERT_EQ(out.LineCount(), 12);
  for (int i = 2; i < out.LineCount(); ++i) {
    const std::string line = out.GetLine(i);
    std::size_t missing = 0;
    for (std::size_t at = line.find(kMissingFigureText); at != std::string::npos; at = line.find(kMissingFigureText, at + 1))
      ++missing;
    EXPECT_EQ(missing, 4u) << line;  // both confidence and both prediction limits
  }
}

TEST_F(ZeroDegreesOfFreedom, EquationListRowsShowTheWord) {
  const std::string all = FormatEquationRow(1, 1, true, fit_, "z");
  EXPECT_NE(all.find("~#        1~#  ~#      n/a~#  ~#      n/a~#  ~#      n/a~#"), std::string::npos) << all;
  for (int criterion : {2, 4, 8}) {
    const std::string row = FormatEquationRow(1, criterion, false, fit_, "z");
    EXPECT_NE(row.find("~#         n/a~#"), std::string::npos) << criterion << ": " << row;
  }
}

// The same fit with a degree of freedom to spare keeps its standard error of 0; its F (1e300
// in the record, for the ranking) has no error mean square to divide by and is missing, as
// the analysis of variance shows it.
TEST(ShownStatistics, AnExactFitWithADegreeLeftKeepsItsFigures) {
  TFitResult exact;
  const FitStatistics s = ComputeFitStatistics(0.0L, 4.0L, 6, 4);
  exact.r2 = s.r2, exact.adjustedR2 = s.adjustedR2, exact.fitStdError = s.fitStdError, exact.f = s.f;
  const FitStatistics shown = ShownStatistics(exact);
  EXPECT_EQ(shown.r2, 1.0L);
  EXPECT_TRUE(IsMissingValue(shown.adjustedR2));  // n - m - 2 = 0
  EXPECT_EQ(shown.fitStdError, 0.0L);
  EXPECT_EQ(exact.f, 1e300L);
  EXPECT_TRUE(IsMissingValue(shown.f));
}

// The graph title of a fit through every point with degrees of freedom left says of its F
// what the analysis of variance says ("n/a", not 1e+300), and a parameter that is 0 with the
// sign bit reads 0.
TEST(FitSummary, ExactFitWithDegreesLeftAndAZeroParameter) {
  TSession session;
  review_test::FitInto(session, review_test::ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
  const std::optional<TFitSide> side = RefitRank(session, 1, kRefitCovariance);
  ASSERT_TRUE(side);
  TFitEqn e = side->eqn;
  ASSERT_EQ(e.m, 2);
  const FitStatistics exact = ComputeFitStatistics(0.0L, e.sst, 12, e.m);
  e.sse = 0, e.r2 = exact.r2, e.adjustedR2 = exact.adjustedR2, e.fitStdError = exact.fitStdError, e.f = exact.f;
  e.parameters[1] = -0.0L;
  const TSummaryLines lines = FormatFitSummary(1, e, "", 8, session.UdfTable);
  EXPECT_EQ(lines[2], "r~^2~^=1  DF Adj r~^2~^=1  FitStdErr=0  Fstat=n/a");
  EXPECT_NE(lines[3].find(" b=0 "), std::string::npos) << lines[3];
  EXPECT_EQ(lines[3].find("-0"), std::string::npos) << lines[3];
}

}  // namespace
