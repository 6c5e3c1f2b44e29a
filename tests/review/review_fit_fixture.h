// Sessions with a real fit run for the review's tests: the data, the run and the published
// list, as the program has them after a fit.
#pragma once

#include <gtest/gtest.h>

#include "fit/fit_ranking.h"
#include "fit/fit_results.h"
#include "fit/fit_test_data.h"
#include "fit/session.h"

namespace review_test {

// z = 1 + 2x + 3y + e on the grid x, y in {0, 1, 2} (x slowest), e = 0.1, -0.1, 0, 0.2, 0,
// -0.2, 0, 0.1, -0.1, with replicates at (0,0), (1,1) and (2,2) (e = -0.1, 0.1, 0.2).
inline PointTable ReplicatedPlane() {
  using namespace fit_test;
  const long double e[9] = {0.1L, -0.1L, 0, 0.2L, 0, -0.2L, 0, 0.1L, -0.1L};
  int k = 0;
  PointTable t = GridTable(Axis(0, 1, 3), Axis(0, 1, 3), [&](long double x, long double y) {
    return 1 + 2 * x + 3 * y + e[k++];
  });
  const long double extra[3][3] = {{0, 0, -0.1L}, {1, 1, 0.1L}, {2, 2, 0.2L}};
  for (const auto& r : extra) {
    TXYZPoint p;
    p.X = r[0];
    p.Y = r[1];
    p.Z = 1 + 2 * r[0] + 3 * r[1] + r[2];
    p.W = 1;
    p.Status = kPointActive;
    t.push_back(p);
  }
  SetPointCount(t, static_cast<int>(t.size()) - 1);
  return t;
}

// Ten points on one line in x and y (y = 2x + 1), z a quadratic along it with small errors:
// a fit of ten parameters (with "No DOF for Error") passes through all of them exactly and
// leaves no degree of freedom, and such fits lead a list ranked by r².
inline PointTable CollinearTen() {
  const long double e[10] = {0.1L, -0.2L, 0.05L, 0.3L, -0.1L, 0.2L, -0.3L, 0.15L, -0.05L, 0.1L};
  PointTable t = NewPointTable(10);
  for (int i = 1; i <= 10; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = i;
    p.Y = 2 * i + 1;
    p.Z = 3 + 0.5L * i + 0.1L * i * i + e[i - 1];
    p.W = 1;
    p.Status = kPointActive;
  }
  return t;
}

// Puts `t` into the session with its statistics, runs `selection` over it and publishes the
// list. The defined functions of `udfs` take part.
inline void FitInto(TSession& session, PointTable t, const TFitSelection& selection,
                    const TUdfTable* udfs = nullptr, const TFitOptions& options = DefaultFitOptions()) {
  session.DataStats = fit_test::StatsOf(t);
  const TPureError pe = TablePureErrorSums(t);
  session.DataStats.PureErrorSS = pe.SS;
  session.DataStats.PureErrorDOF = pe.DOF;
  ASSERT_TRUE(session.Table.ReplaceDataTable(t));
  session.Table.SetXYZRows(static_cast<int>(t.size()) - 1);
  TFitRunOutcome outcome;
  TFitRunContext ctx(t, session.DataStats, selection, options, outcome.list);
  ctx.udfs = udfs;
  CountFitRun(ctx);
  ASSERT_GT(RunFitFamilies(ctx), 0);
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
}

// Every linear family fitted to CollinearTen, ranked by r² as the program ranks a run. Ten
// parameters through ten points leave no degree of freedom, which a run allows only for data
// taken as exact ("No DOF for Error").
inline void FitCollinearTen(TSession& session) {
  using namespace fit_test;
  TFitOptions options = DefaultFitOptions();
  options.noDofForError = 1;
  FitInto(session, CollinearTen(), LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll), nullptr, options);
  SortFitList(session.FitList, 1);  // r² descending
}

// The rank of an equation in the session's list, or -1.
inline int RankOf(const TSession& session, int equationNumber) {
  for (int i = 1; i <= session.FitList.Count(); ++i)
    if (session.FitList.At(i)->equationNumber == equationNumber) return i;
  return -1;
}

}  // namespace review_test
