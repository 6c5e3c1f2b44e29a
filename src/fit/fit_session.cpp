#include "fit/fit_session.h"

#include "fit/fit_records.h"

void FreeFitStorage(TFitSession& session) {
  session.FitList.Free();
  session.FitCount = 0;
  session.FitResultsValid = 0;
}

int IsUdfRank(const TFitSession& session, int rank) {
  if (rank < 1 || rank > session.FitCount.load()) return 0;
  const TFitResult* fit = session.FitList.At(rank);
  return fit && IsUdfEquation(fit->equationNumber) ? 1 : 0;
}
