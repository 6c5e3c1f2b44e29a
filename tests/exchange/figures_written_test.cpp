// How the exports write two figures that once came out wrong: a parameter that is exactly 0
// but carries the sign bit (written "-0" and "-0.000000000000000"), and the F of a fit that
// passes through every point with degrees of freedom left (the ranking's 1e300 written as a
// figure while the analysis of variance says there is none).

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/codegen_keywords.h"
#include "exchange/export/fit_audit.h"
#include "exchange/export/parms_summary.h"
#include "exchange/export/review_export_source.h"
#include "fit/fit_refit.h"
#include "fit/fit_statistics.h"
#include "review/review_fit_fixture.h"

namespace {

class FiguresWritten : public ::testing::Test {
 protected:
  void SetUp() override {
    review_test::FitInto(session_, review_test::ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
    ASSERT_TRUE(MakeRankCurrent(session_, 1, kRefitCovariance));
    ASSERT_EQ(session_.CurFit.eqn.m, 2);
  }
  TSession session_;
};

TEST_F(FiguresWritten, AParameterOfNegativeZeroIsWrittenZero) {
  TFitEqn& eqn = session_.CurFit.eqn;
  eqn.parameters[1] = -0.0L;
  ASSERT_TRUE(std::signbit(eqn.parameters[1]));
  const TReviewExportSource source(session_);
  const std::string parms = ParmsSummaryText(source.Summary(), kParmsIdentifiers);
  EXPECT_NE(parms.find("\nb= 0\n"), std::string::npos) << parms;
  const std::string audit = AuditFileBytes(5, std::span(&eqn, 1));
  EXPECT_NE(audit.find("\nB = 0  SE = "), std::string::npos) << audit;

  const TCodeGenInput in(eqn, session_.CurFit.scales, session_.DataStats, session_.DataTitles());
  const TCodeGenRun run = MakeCodeGenRun(in, "fit.c", "f");
  for (const auto& [keyword, expected] :
       {std::pair("CVAL1", FormatCodeNumber(in.dialect, 0.0L)), std::pair("COEFSTR1", std::string("0"))}) {
    std::string text;
    ASSERT_TRUE(CodeGenExpandKeywords(run, keyword, text)) << keyword;
    EXPECT_EQ(text, expected) << keyword;
  }
  EXPECT_EQ(FormatCodeNumber(kDialectC64, -0.0L), "0.000000000000000");
  EXPECT_EQ(FormatSignedCodeNumber(kDialectC64, -0.0L), "+0.000000000000000");
}

TEST_F(FiguresWritten, TheFOfAnExactFitWithDegreesLeftIsMissing) {
  TFitEqn& eqn = session_.CurFit.eqn;
  // The statistics of the same fit had it passed through every point: SSE 0, six degrees
  // of freedom left over twelve points.
  const FitStatistics exact = ComputeFitStatistics(0.0L, eqn.sst, 12, eqn.m);
  ASSERT_EQ(exact.f, 1e300L);
  eqn.sse = 0, eqn.r2 = exact.r2, eqn.adjustedR2 = exact.adjustedR2, eqn.fitStdError = exact.fitStdError, eqn.f = exact.f;
  const TReviewExportSource source(session_);
  const std::string parms = ParmsSummaryText(source.Summary(), kParmsStatistics | kParmsIdentifiers);
  EXPECT_NE(parms.find("F Statistic= n/a\n"), std::string::npos) << parms;
  const std::string audit = AuditFileBytes(5, std::span(&eqn, 1));
  EXPECT_NE(audit.find("F STAT = n/a\r\n"), std::string::npos) << audit;
  EXPECT_EQ(audit.find("e+300"), std::string::npos) << audit;
  const TCodeGenInput in(eqn, session_.CurFit.scales, session_.DataStats, session_.DataTitles());
  std::string text;
  ASSERT_TRUE(CodeGenExpandKeywords(MakeCodeGenRun(in, "fit.c", "f"), "FVAL", text));
  EXPECT_EQ(text, "n/a");
}

}  // namespace
