#include "review/equation_list_rows.h"

#include <charconv>

#include "fit/fit_refit.h"
#include "review/equation_text.h"

std::vector<std::string> BuildEquationRows(const TSession& session, const TEquationRowsRequest& request) {
  std::vector<std::string> rows;
  const int count = session.FitCount.load();
  rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
  // One side for every rank: the list never moves the session's current fit.
  TFitSide fit;
  for (int rank = 1; rank <= count; ++rank) {
    if (!RefitRankInto(fit, session, rank, kRefitRecord)) continue;
    if (!PassesEquationFilter(request.filter, fit.eqn)) continue;
    rows.push_back(FormatEquationRow(rank, request.sortCode, request.allGoodness, fit.eqn,
                                     FormatFitFormula(fit.eqn, session.UdfTable)));
  }
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
