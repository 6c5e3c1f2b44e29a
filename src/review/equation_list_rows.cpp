#include "review/equation_list_rows.h"

#include <charconv>

#include "fit/fit_refit.h"
#include "review/equation_text.h"

std::vector<std::string> BuildEquationRows(const TSession& session, const TEquationRowsRequest& request) {
  std::vector<std::string> rows;
  const int count = session.FitCount.load();
  rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int rank = 1; rank <= count; ++rank) {
    if (!RefitRank(session, rank, kRefitRecord)) continue;
    if (!PassesEquationFilter(request.filter, *CurFitEqn)) continue;
    rows.push_back(FormatEquationRow(rank, request.sortCode, request.allGoodness, *CurFitEqn,
                                     FormatFitFormula(*CurFitEqn, session.UdfTable)));
  }
  (void)RefitRank(session, session.ReviewCurrentRank, kRefitRecord);
  return rows;
}

int RankOfRow(std::string_view row) {
  std::size_t i = 0;
  while (i < row.size() && (row[i] == ' ' || row[i] == '\t')) ++i;
  if (i < row.size() && row[i] == '+') ++i;
  int rank = 0;
  const auto [end, error] = std::from_chars(row.data() + i, row.data() + row.size(), rank);
  return error == std::errc() ? rank : 0;
}
