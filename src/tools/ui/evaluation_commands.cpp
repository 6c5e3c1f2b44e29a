#include "tools/ui/evaluation_commands.h"

#include <QPointer>

#include "app/coded_text.h"
#include "fit/confidence_limits.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "graph3d/renderer.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/surface_search_start.h"
#include "review/equation_text.h"
#include "review/review_surface.h"
#include "review/review_titles.h"
#include "review/ui/review_window.h"
#include "tools/ui/evaluation_dialog.h"
#include "tools/ui/graph_evaluation.h"

namespace {

constexpr std::size_t kTitleChars = 79;

// An axis range as values: a log axis keeps its ends in decades.
void AxisRange(const T3DBase& renderer, int axis, long double& lo, long double& hi) {
  lo = AxisToData(renderer, axis, renderer.AxisLow(axis));
  hi = AxisToData(renderer, axis, renderer.AxisHigh(axis));
}

void OpenReviewEvaluation(TRView& review, TSession& session) {
  {
    // The limits need the fit's covariance: the rank is made current again with it. The
    // review holds a rank of its list, so the refit fails only when the user cancels it (a
    // user function's fit takes long): the table is not opened then, and the fit under
    // review is as it was.
    const TEvaluationTask task(&review, review.windowTitle(), QStringLiteral("Calculation in Progress"));
    (void)MakeRankCurrent(session, review.Rank(), kRefitCovariance);
    if (task.Cancelled()) return;
  }
  const std::string title = StripTextCodes(ReviewTitleSets().automatic.Lines[1], kTitleChars);
  QPointer<QWidget> list = review.List();
  if (list) list->setEnabled(false);
  RunEvaluationTable(&review, title, CurrentFitSurface(session, review.Renderer()), session);
  if (list) list->setEnabled(true);
}

}  // namespace

TEvalSurface CurrentFitSurface(TSession& session, const T3DBase& renderer) {
  TEvalSurface s;
  s.z = [&session](long double x, long double y) { return SurfaceZ(session.CurFit, kSurfaceZ, x, y); };
  s.volume = CurrentFitVolume(session);
  s.confidenceLimit = [&session](long double x, long double y, long double z) {
    return ConfidenceLimit(session.CurFit, x, y, z);
  };
  s.predictionLimit = [&session](long double x, long double y, long double z) {
    return PredictionLimit(session.CurFit, x, y, z);
  };
  AxisRange(renderer, 0, s.xMin, s.xMax);
  AxisRange(renderer, 1, s.yMin, s.yMax);
  AxisRange(renderer, 2, s.zMin, s.zMax);
  return s;
}

void RegisterEvaluationTable(TSession& session) {
  RegisterGraphEvaluationTable(session);
  TReviewExtensions& ext = ReviewExtensions();
  for (int id : {kReviewEvaluate, kCmReviewEvaluation}) {
    ext.commands[id] = [&session](TRView& review) { OpenReviewEvaluation(review, session); };
    ext.conditions[id] = [](const TRView& review) { return review.SurfaceMode() == kSurfaceZ; };
  }
}
