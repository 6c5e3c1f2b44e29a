#include "exchange/export/review_export_source.h"

#include <algorithm>

#include "app/coded_text.h"
#include "app/date_time_text.h"
#include "expr/eval_context.h"
#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_statistics.h"
#include "fit/session.h"
#include "review/equation_text.h"

std::array<long double, 6> ReviewGenRange(const TDataStats& stats, int meshX, int meshY) {
  const auto step = [](const TAxisStats& a, int lines) {
    return (a.Max - a.Min) / static_cast<long double>(std::max(lines, 2) - 1);
  };
  return {stats.X.Min, step(stats.X, meshX), stats.X.Max, stats.Y.Min, step(stats.Y, meshY), stats.Y.Max};
}

TReviewExportSource::TReviewExportSource(const TSession& session) {
  const TFitSide& side = session.CurFit;
  const TFitEqn& eqn = side.eqn;
  const auto count = static_cast<std::size_t>(std::clamp(eqn.m + 1, 0, static_cast<int>(eqn.parameters.size())));
  parameters_.assign(eqn.parameters.begin(), eqn.parameters.begin() + static_cast<std::ptrdiff_t>(count));
  errors_.assign(eqn.parameterErrors.begin(), eqn.parameterErrors.begin() + static_cast<std::ptrdiff_t>(count));
  const std::span<const TXYZPoint> table = session.Table.XYZData();
  const auto rows = static_cast<std::size_t>(std::max(session.Table.XYZRows(), 0));
  points_ = table.size() > rows ? table.subspan(1, rows) : std::span<const TXYZPoint>{};

  const int level = LimitsLevelIndex();
  fit_.dataTitle = session.DataTitles().Title;
  fit_.equationText = StripTextCodes(GetCurrentFitFormula(session));
  fit_.date = DateString();
  fit_.time = TimeString();
  fit_.equationNumber = eqn.equationNumber;
  fit_.parameters = parameters_;
  fit_.standardErrors = errors_;
  fit_.tValue = eqn.tValues[static_cast<std::size_t>(level)];
  // The exports write the missing value their own way: never a ranking stand-in as a figure.
  const FitStatistics shown = ShownStatistics(eqn);
  fit_.r2 = shown.r2;
  fit_.adjustedR2 = shown.adjustedR2;
  fit_.fitStdError = shown.fitStdError;
  fit_.f = shown.f;

  review_.ReviewEvalZ = [&side](long double x, long double y) { return EvalFitZ(side, x, y); };
  review_.ReviewConfidenceLimit = [&side, level](long double x, long double y, long double z) {
    return LimitAtLevel(side, level, false, x, y, z);
  };
  review_.ReviewPredictionLimit = [&side, level](long double x, long double y, long double z) {
    return LimitAtLevel(side, level, true, x, y, z);
  };
  review_.TakeMathError = [] {
    ExprContext& ctx = ExprThreadContext();
    const bool raised = ctx.ExprMathError != 0;
    ctx.ExprMathError = 0;
    return raised;
  };
  review_.LimitsLevel = level;

  summary_.date = fit_.date;
  summary_.time = fit_.time;
  summary_.dataSource = session.DataFileLabel;
  const TDataTitles& titles = session.DataTitles();
  summary_.dataTitle = titles.Title;
  summary_.xName = titles.XName;
  summary_.yName = titles.YName;
  summary_.zName = titles.ZName;
  summary_.fit = &fit_;
}
