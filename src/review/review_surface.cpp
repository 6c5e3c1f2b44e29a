#include "review/review_surface.h"

#include "fit/fit_evaluation.h"
#include "fit/session.h"
#include "review/equation_text.h"

namespace {

using TSurfaceFunction = long double (*)(const TFitSide&, long double, long double);
constexpr TSurfaceFunction kModes[] = {EvalFitZ, FitDzDx, FitDzDy, FitD2zDxDy, FitD2zDx2, FitD2zDy2};

}  // namespace

long double SurfaceZ(const TFitSide& fit, int surfaceMode, long double x, long double y) {
  if (surfaceMode < kSurfaceZ || surfaceMode > kSurfaceD2zDy2) return 0;
  return kModes[surfaceMode](fit, x, y);
}

TSurfaceSearchStart SurfaceMinStart(const TDataStats& s) {
  // The X and Y statistics keep the other coordinates of the point holding Z's extremes.
  return {s.X.AtMin2, s.Y.AtMin2, s.X.Min, s.X.Max, s.Y.Min, s.Y.Max};
}

TSurfaceSearchStart SurfaceMaxStart(const TDataStats& s) {
  return {s.X.AtMax2, s.Y.AtMax2, s.X.Min, s.X.Max, s.Y.Min, s.Y.Max};
}

void FormatCurrentFitTitles(T3DTitleSet& set, const TSession& session, int lineCount, int surfaceMode,
                            int precision) {
  const TFitEqn& fit = session.CurFitEqn();
  const TSummaryLines lines = FormatFitSummary(fit.rank, fit, session.DataTitles().Title, precision, session.UdfTable);
  FormatGraphTitleSet(set, lines, lineCount, session.DataTitles(), surfaceMode);
}
