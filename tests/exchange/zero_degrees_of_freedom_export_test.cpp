// The exports of a fit that leaves no degree of freedom (ten parameters through ten points on
// one line in x and y): each writes a statistic that cannot be formed in its own way of saying
// "missing" (an empty cell, a word in text), never as -12345.6789 or 1e300, and writes no
// standard error, t value or limit of 0 for the parameters.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "app/file_utils.h"
#include "app/long_double.h"
#include "exchange/biff_cells.h"
#include "exchange/codegen/codegen_keywords.h"
#include "exchange/export/fit_audit.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/mv5_export.h"
#include "exchange/export/parms_summary.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/review_export_source.h"
#include "exchange/export/xls_export.h"
#include "exchange/lotus_cells.h"
#include "fit/fit_refit.h"
#include "review/review_fit_fixture.h"
#include "support/scratch_files.h"

namespace {

// Column B of the full worksheet's summary block (rows 2-9: equation, number, r², adjusted
// r², fit standard error, F, date, time) and columns E-H of the parameter rows.
constexpr int kSummaryColumn = 1;
constexpr int kR2Row = 4, kAdjustedR2Row = 5, kStdErrorRow = 6, kFRow = 7;

class ZeroDegreesOfFreedomExport : public ::testing::Test {
 protected:
  void SetUp() override {
    review_test::FitCollinearTen(session_);
    ASSERT_TRUE(MakeRankCurrent(session_, 1, kRefitCovariance));
    ASSERT_GE(session_.CurFit.eqn.m + 1, 10);
    source_ = std::make_unique<TReviewExportSource>(session_);
    request_.tableKind = 0;
    request_.x = {1, 9, 10};
    request_.y = {3, 18, 21};
  }
  TExportTableInput Input() const { return source_->TableInput(request_); }

  // The number cells of a decoded sheet by (row, column).
  static std::map<std::pair<int, int>, long double> Numbers(const TSheetCells& cells) {
    std::map<std::pair<int, int>, long double> numbers;
    for (const TSheetCell& c : cells.cells)
      if (c.kind == TCellKind::kNumber) numbers[{c.row, c.column}] = c.value;
    return numbers;
  }
  static void ExpectSummaryCells(const TSheetCells& cells, const char* format) {
    SCOPED_TRACE(format);
    const auto numbers = Numbers(cells);
    ASSERT_TRUE(numbers.count({kR2Row, kSummaryColumn})) << "r² is a figure";
    EXPECT_EQ(numbers.at({kR2Row, kSummaryColumn}), 1.0L);
    for (int row : {kAdjustedR2Row, kStdErrorRow, kFRow})
      EXPECT_EQ(numbers.count({row, kSummaryColumn}), 0u) << "row " << row << " holds " << numbers.at({row, kSummaryColumn});
    // Ten parameter rows, each with its value in D and nothing in E-H (standard error,
    // t value, limits).
    for (int row = 2; row < 12; ++row) {
      EXPECT_EQ(numbers.count({row, 3}), 1u) << "row " << row;
      for (int column = 4; column <= 7; ++column) EXPECT_EQ(numbers.count({row, column}), 0u) << row << ", " << column;
    }
    for (const auto& [where, value] : numbers) {
      EXPECT_NE(value, ExprErrorValue) << where.first << ", " << where.second;
      EXPECT_LT(value, 1e299L) << where.first << ", " << where.second;
    }
  }

  TSession session_;
  std::unique_ptr<TReviewExportSource> source_;
  TExportRequest request_;
  ScratchDir dir_;
};

TEST_F(ZeroDegreesOfFreedomExport, Wk3AndWk1SummaryCellsAreEmpty) {
  for (const auto& [kind, name, layout] : {std::tuple(3, "fit.wk3", TLotusLayout::kWk3),
                                           std::tuple(1, "fit.wk1", TLotusLayout::kWk1)}) {
    ASSERT_GT(LotusExportTable(dir_.File(name), kind, Input()).result, 0);
    const TLotusFile file = LoadLotusCells(dir_.File(name), layout);
    ASSERT_EQ(file.error, TReadError::kNone);
    ExpectSummaryCells(file.cells, name);
  }
}

TEST_F(ZeroDegreesOfFreedomExport, XlsAndWb1SummaryCellsAreEmpty) {
  ASSERT_GT(XlsExportTable(dir_.File("fit.xls"), Input()).result, 0);
  ExpectSummaryCells(DecodeBiffCells(LoadFileToGlobal(dir_.File("fit.xls"))), "fit.xls");
  ASSERT_GT(QpwExportTable(dir_.File("fit.wb1"), Input()).result, 0);
  const TLotusFile wb1 = LoadLotusCells(dir_.File("fit.wb1"), TLotusLayout::kWb1);
  ASSERT_EQ(wb1.error, TReadError::kNone);
  ExpectSummaryCells(wb1.cells, "fit.wb1");
}

TEST_F(ZeroDegreesOfFreedomExport, CoefficientSummarySaysTheWord) {
  const std::string text = ParmsSummaryText(source_->Summary(), kParmsStatistics | kParmsIdentifiers);
  EXPECT_EQ(text.rfind("r2= 1\nDOF r2= n/a\nStd Error= n/a\nF Statistic= n/a\na= ", 0), 0u) << text;
  EXPECT_EQ(text.find("-12345"), std::string::npos) << text;
}

TEST_F(ZeroDegreesOfFreedomExport, AuditBlockSaysTheWordAndTheCovarianceIsRefused) {
  const std::string text = AuditFileBytes(5, std::span(&session_.CurFit.eqn, 1));
  std::size_t missingErrors = 0;
  for (std::size_t at = text.find("  SE = n/a\r\n"); at != std::string::npos; at = text.find("  SE = n/a\r\n", at + 1))
    ++missingErrors;
  EXPECT_EQ(missingErrors, static_cast<std::size_t>(session_.CurFit.eqn.m + 1)) << text;
  // No degree of freedom is written as the word, not as the 1 the t values are read at.
  EXPECT_NE(text.find("DOF = n/a\r\nR2 = 1\r\nDOF R2 = n/a\r\nSE = n/a\r\nF STAT = n/a\r\n"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("-12345"), std::string::npos) << text;
  EXPECT_EQ(text.find("e+300"), std::string::npos) << text;
  // Without a variance the covariance matrix has no scale: no file.
  EXPECT_TRUE(CovarianceFileText(session_.CurFit).empty());
}

TEST_F(ZeroDegreesOfFreedomExport, GeneratedCodeCommentsSayTheWord) {
  const TFitSide& side = session_.CurFit;
  TCodeGenInput in(side.eqn, side.scales, session_.DataStats, session_.DataTitles());
  const TCodeGenRun run = MakeCodeGenRun(in, "fit.c", "f");
  for (const auto& [keyword, expected] : {std::pair("R2VAL", "1"), std::pair("R2ADJ", "n/a"),
                                          std::pair("STDERR", "n/a"), std::pair("FVAL", "n/a")}) {
    std::string text;
    ASSERT_TRUE(CodeGenExpandKeywords(run, keyword, text)) << keyword;
    EXPECT_EQ(text, expected) << keyword;
  }
}

}  // namespace
