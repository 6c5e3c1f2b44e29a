// A non-linear fit that stops short of its minimum says "not converged" wherever the review
// shows it, and is listed after every fit that reached its own. On map coordinates (E 512003 ..
// 513998, N 5403023 .. 5406999) z=POWX(a,b)*POWY(1,c) and its special case
// z=POWX(a,b)*POWY(1,b) crawl along their valleys to the iteration limit (the abandon test
// off), at r² near 0.1 where their minima lie at 0.570 and 0.421; the plane z=a+bx+cy reaches
// its minimum at 0.570. They were listed as least-squares fits, the special case above the
// general one, with nothing to tell them from a fit at its minimum.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text_line_buffer.h"
#include "fit/fit_session.h"
#include "fit/badly_scaled_tables.h"
#include "review/equation_list_rows.h"
#include "review/equation_text.h"
#include "review/pane_text.h"
#include "review/review_fit_fixture.h"

namespace {

bool SaysNotConverged(const std::string& text) { return text.find("not converged") != std::string::npos; }

TEST(UnconvergedFitTexts, AFitShortOfItsMinimumSaysNotConvergedInTheListAndSummariesAndRanksLast) {
  TSession session;
  TFitSelection selection;
  for (int number : {2157, 2159, 2169}) selection.nonlinear[static_cast<std::size_t>(number - 2001)] = 1;
  TFitOptions options = DefaultFitOptions();
  options.checkIteration = 0;  // no abandon test: the fits run to their limit
  review_test::FitInto(session, badly_scaled::Tables()[0].points, selection, nullptr, options);
  ASSERT_EQ(session.FitCount.load(), 3);
  ResortFitList(session, 1);  // by r², as a run's list is ranked

  const std::vector<std::string> rows = BuildEquationRows(session, {});
  ASSERT_EQ(rows.size(), 3u);
  std::tm stamp{};
  stamp.tm_year = 126;
  stamp.tm_mday = 1;
  TNumericPaneSettings settings;
  settings.stamp = &stamp;
  for (int rank = 1; rank <= 3; ++rank) {
    const TFitResult& f = *session.FitList.At(rank);
    SCOPED_TRACE(f.equationNumber);
    // The plane first: it reached its minimum; the power fits after it, whatever their r².
    EXPECT_EQ(f.equationNumber == 2169, rank == 1);
    EXPECT_EQ(f.converged, rank == 1);
    const std::string& row = rows[static_cast<std::size_t>(rank - 1)];
    EXPECT_EQ(RankOfRow(row), rank);
    EXPECT_EQ(SaysNotConverged(row), rank > 1) << row;
    EXPECT_EQ(SaysNotConverged(FormatRankSummary(session, rank, 6)[1]), rank > 1);
    TMFile out("", 200);
    ASSERT_TRUE(FormatNumericSummary(out, session, rank, settings));
    std::string pane;
    for (int i = 0; i < out.LineCount(); ++i) pane += std::string(out.GetLine(i)) + "\n";
    EXPECT_EQ(SaysNotConverged(pane), rank > 1) << pane;
  }
}

}  // namespace
