#include "fit/fit_results.h"

#include <utility>

#include "fit/fit_refit.h"
#include "fit/session.h"
#include "platform/gui_thread.h"

void PublishFitResults(TSession& session, TFitRunOutcome outcome) {
  platform::AssertUiThread();
  session.FitResultsValid = 0;
  std::swap(session.FitList, outcome.list);
  session.FitListProducts = std::move(outcome.products);
  session.FitCount = session.FitList.Count();
  if (session.FitCount <= 0) return;
  session.ReviewCurrentRank = 1;
  (void)MakeRankCurrent(session, 1, kRefitRecord);  // rank 1 exists: the count is above 0
  session.FitResultsValid = 1;
}

void VoidFitList(TFitSession& session) {
  session.FitResultsValid = 0;
  session.FitCount = 0;
}
