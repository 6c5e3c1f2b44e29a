// A fitted session shared by the benchmarks of fitted surfaces: a smooth positive surface
// with a peak on 30 x 30 points over [-3, 3]², fitted by the polynomial and rational
// families in X and Y, the term-subset search and the Gaussian peak.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/data_statistics.h"
#include "fit/fit_blocks.h"
#include "fit/fit_list.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/session.h"

namespace bench_fit {

// A smooth positive surface with a peak on 30 x 30 points over [-3, 3]², fitted by the
// selected families and published as the session's fit list.
inline void Fit(TSession& session) {
  PointTable t = NewPointTable(900);
  int i = 1;
  for (int a = 0; a < 30; ++a)
    for (int b = 0; b < 30; ++b, ++i) {
      TXYZPoint& p = t[static_cast<std::size_t>(i)];
      p.X = -3 + 6.0L * a / 29;
      p.Y = -3 + 6.0L * b / 29;
      p.Z = 1 + 4 * std::exp(-0.5L * ((p.X - 0.3L) * (p.X - 0.3L) + (p.Y + 0.2L) * (p.Y + 0.2L))) +
            0.05L * p.X;
      p.W = 1;
      p.Status = kPointActive;
    }
  ComputeTableStatistics(t, session.DataStats);
  session.DataStats.DistinctY = CountTableDistinctY(t);
  session.DataStats.DistinctX = CountTableDistinctX(t);
  if (!session.Table.ReplaceDataTable(t)) std::abort();
  session.Table.SetXYZRows(900);
  TFitSelection sel;
  sel.polynomialMask = kPolyX | kPolyY;
  sel.rationalMask = kRatX | kRatY;
  sel.subsetMask = kSubsetZ;
  sel.nonlinear[0] = 1;  // the Gaussian peak, equation 2001
  TFitRunOutcome outcome;
  TFitRunContext ctx(session.Table.XYZData(), session.DataStats, sel, DefaultFitOptions(),
                     outcome.list);
  CountFitRun(ctx);
  if (RunFitFamilies(ctx) <= 0) std::abort();
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
}

// The one fitted session of every benchmark here.
inline const TSession& FittedSession() {
  static TSession* const session = [] {
    auto* s = new TSession;
    Fit(*s);
    return s;
  }();
  return *session;
}

// The rank of the first fit of the session's list that `wanted` accepts.
template <typename Wanted>
int RankWhere(const TSession& session, Wanted wanted) {
  for (int r = 1; r <= session.FitList.Count(); ++r)
    if (wanted(*session.FitList.At(r))) return r;
  std::fprintf(stderr, "no such fit\n");
  std::abort();
}

}  // namespace bench_fit
