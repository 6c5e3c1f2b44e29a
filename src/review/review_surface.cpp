#include "review/review_surface.h"

#include <cmath>

#include "app/long_double.h"
#include "expr/eval_context.h"

#include "fit/extremum_search.h"
#include "fit/fit_evaluation.h"
#include "fit/session.h"
#include "review/equation_text.h"

namespace {

using TSurfaceFunction = long double (*)(const TFitSide&, long double, long double);
constexpr TSurfaceFunction kModes[] = {EvalFitZ, FitDzDx, FitDzDy, FitD2zDxDy, FitD2zDx2, FitD2zDy2};

}  // namespace

// The evaluators of a fit report a point where the equation is undefined (LN of y <= 0 in
// a family of ln y, a fault of a user function) by the thread's error code and give a
// number beside it: 0, or, with a code left standing by an earlier point, the equation
// computed on past the fault (the review's Quick Eval showed 1.00698 at y = 0 for a fit of
// ln y, where the evaluation table says "Error"). The code is cleared first and read
// afterwards: such a point has no value, and the code stays for the caller.
long double SurfaceZ(const TFitSide& fit, int surfaceMode, long double x, long double y) {
  if (surfaceMode < kSurfaceZ || surfaceMode > kSurfaceD2zDy2) return 0;
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  const long double z = kModes[surfaceMode](fit, x, y);
  return ctx.ExprMathError != 0 || !std::isfinite(z) ? ExprErrorValue : z;
}

TSurfaceSearchStart SurfaceMinStart(const TDataStats& s) {
  // The X and Y statistics keep the other coordinates of the point holding Z's extremes.
  return {s.X.AtMin2, s.Y.AtMin2, s.X.Min, s.X.Max, s.Y.Min, s.Y.Max};
}

TSurfaceSearchStart SurfaceMaxStart(const TDataStats& s) {
  return {s.X.AtMax2, s.Y.AtMax2, s.X.Min, s.X.Max, s.Y.Min, s.Y.Max};
}

std::optional<TSurfaceSearchStart> SurfaceGridStart(const std::function<long double(long double, long double)>& f,
                                                    const TDataStats& s, bool maximum) {
  long double x = 0.0L, y = 0.0L;
  if (!f || !BestGridNode(f, maximum, s.X.Min, s.X.Max, s.Y.Min, s.Y.Max, x, y)) return std::nullopt;
  return TSurfaceSearchStart{x, y, s.X.Min, s.X.Max, s.Y.Min, s.Y.Max};
}

void FormatCurrentFitTitles(T3DTitleSet& set, const TSession& session, int lineCount, int surfaceMode,
                            int precision) {
  const TFitEqn& fit = session.CurFitEqn();
  const TSummaryLines lines = FormatFitSummary(fit.rank, fit, session.DataTitles().Title, precision, session.UdfTable);
  FormatGraphTitleSet(set, lines, lineCount, session.DataTitles(), surfaceMode);
}
