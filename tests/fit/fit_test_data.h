// Point tables with known surfaces for the fit-run tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "app/xyz_point.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/udf_record.h"
#include "fit/fit_blocks.h"
#include "fit/fit_list.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/fit_sums.h"
#include "fit/session.h"

namespace fit_test {

using Surface = std::function<long double(long double x, long double y)>;

// Every (x, y) of the two axes, z = f(x, y), weight w.
inline PointTable GridTable(const std::vector<long double>& xs, const std::vector<long double>& ys,
                            const Surface& f, long double w = 1.0L) {
  PointTable t = NewPointTable(static_cast<int>(xs.size() * ys.size()));
  int i = 1;
  for (long double x : xs)
    for (long double y : ys) {
      TXYZPoint& p = t[static_cast<std::size_t>(i++)];
      p.X = x;
      p.Y = y;
      p.Z = f(x, y);
      p.W = w;
      p.Status = kPointActive;
    }
  return t;
}

// first, first + step, ... (count values).
inline std::vector<long double> Axis(long double first, long double step, int count) {
  std::vector<long double> v;
  for (int i = 0; i < count; ++i) v.push_back(first + step * i);
  return v;
}

// The statistics a pre-scan gives the table (the table ends sorted by x, then y).
inline TDataStats StatsOf(PointTable& table) {
  TDataStats s;
  ComputeTableStatistics(table, s);
  s.DistinctY = CountTableDistinctY(table);
  s.DistinctX = CountTableDistinctX(table);
  return s;
}

// A selection of the given linear masks and no non-linear equation.
inline TFitSelection LinearSelection(std::uint32_t poly, std::uint32_t rat, std::uint32_t subsets) {
  TFitSelection s;
  s.polynomialMask = poly;
  s.rationalMask = rat;
  s.subsetMask = subsets;
  return s;
}

// One complete run of `selection` over `table` into `list`; returns the driver's result.
struct RunResult {
  int result = 0;
  TFitCounts counts;
  TFitCounters counters;
  TFitRunScales scales;  // the frames and scales the run's fits are evaluated with
  TFitRunProducts products;  // what a refit of the run's fits reads (sums and scales)
};

inline RunResult RunFit(PointTable& table, const TFitSelection& selection, const TFitOptions& options,
                     TFitList& list) {
  const TDataStats stats = StatsOf(table);
  TFitRunContext ctx(table, stats, selection, options, list);
  CountFitRun(ctx);
  RunResult r;
  r.result = RunFitFamilies(ctx);
  r.counts = ctx.counts;
  r.counters = ctx.counters;
  r.scales = ctx.scales;
  r.products = FitRunProductsOf(ctx);
  return r;
}

// A run of `selection` over `table` published into the session as the fit commands publish
// it, with `table` as the session's data and its statistics; the defined functions of
// `udfs` take part. Returns the driver's result.
inline int PublishRun(TSession& session, PointTable table, const TFitSelection& selection,
                      const TUdfTable* udfs = nullptr, const TFitOptions& options = DefaultFitOptions()) {
  session.DataStats = StatsOf(table);
  EXPECT_TRUE(session.Table.ReplaceDataTable(table));
  session.Table.SetXYZRows(static_cast<int>(table.size()) - 1);
  TFitRunOutcome outcome;
  TFitRunContext ctx(table, session.DataStats, selection, options, outcome.list);
  ctx.udfs = udfs;
  CountFitRun(ctx);
  const int n = RunFitFamilies(ctx);
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
  return n;
}

// The fit of an equation number in a list, or null.
inline const TFitResult* FindEquation(const TFitList& list, int number) {
  for (int i = 1; i <= list.Count(); ++i)
    if (list.At(i)->equationNumber == number) return list.At(i);
  return nullptr;
}

// The fit with the highest r² (the first of equal ones).
inline const TFitResult* Best(const TFitList& list) {
  const TFitResult* best = nullptr;
  for (int i = 1; i <= list.Count(); ++i)
    if (!best || list.At(i)->r2 > best->r2) best = list.At(i);
  return best;
}

// The first parameters of `fit` against `expected`, each to `tolerance`, relative to the
// expected value when `relative`.
inline void ExpectParameters(const TFitResult* fit, std::initializer_list<long double> expected, long double tolerance,
                             bool relative = false) {
  ASSERT_NE(fit, nullptr);
  ASSERT_GE(fit->parameters.size(), expected.size());
  std::size_t i = 0;
  for (long double v : expected) {
    EXPECT_LE(std::fabs(fit->parameters[i] - v), tolerance * (relative ? std::fabs(v) : 1.0L)) << "equation "
        << fit->equationNumber << " parameter " << i << " = " << static_cast<double>(fit->parameters[i]);
    ++i;
  }
}

// A run context over a table with the sums phase done; the table, statistics and list
// live with it.
struct SumsRun {
  PointTable table;
  TDataStats stats;
  TFitList list;
  std::unique_ptr<TFitRunContext> ctx;
  int h = 0;

  SumsRun(PointTable t, const TFitSelection& selection,
          const TFitOptions& options = DefaultFitOptions()) : table(std::move(t)), stats(StatsOf(table)) {
    ctx = std::make_unique<TFitRunContext>(table, stats, selection, options, list);
    h = ComputeFitSums(*ctx);
  }
  const TSumsTable& S() const { return *ctx->sums; }
};

// A fresh expression language and no user-defined function, from construction to
// destruction (a member of the fixtures of tests that define functions).
struct UserFunctionScope {
  UserFunctionScope() {
    ExprStartUp();
    FreeAllUdfs();
    ExprThreadContext().CurrentUdf = 0;
    ExprThreadContext().ClearErrors();
  }
  ~UserFunctionScope() {
    FreeAllUdfs();
    ExprThreadContext().CurrentUdf = 0;
  }
};

// Defines and loads function k with a one-line Z text and its start values, its parameters
// unbounded; CurrentUdf is 0 again afterwards.
inline TUdfRecord& DefineUserFunction(int k, std::string_view zLine, std::span<const long double> start) {
  EXPECT_EQ(AllocUdf(k), 1);
  TUdfRecord& r = *BoundUdfTable()[static_cast<std::size_t>(k)];
  const std::string text = std::string(zLine) + "\r\n";
  std::copy(text.begin(), text.end(), r.Text.begin());
  r.LineCount = 1;
  r.ParamCount = static_cast<std::int16_t>(start.size());
  std::size_t i = 0;
  for (long double v : start) {
    r.Start[i] = v;
    r.Lower[i] = r.Upper[i] = ExprErrorValue;  // unbounded
    ++i;
  }
  ExprThreadContext().CurrentUdf = k;
  EXPECT_EQ(UdfLoad(k), 1) << zLine;
  ExprThreadContext().CurrentUdf = 0;
  return r;
}
inline TUdfRecord& DefineUserFunction(int k, std::string_view zLine, std::initializer_list<long double> start) {
  return DefineUserFunction(k, zLine, std::span<const long double>(start.begin(), start.size()));
}

}  // namespace fit_test
