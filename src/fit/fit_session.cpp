#include "fit/fit_session.h"

#include "fit/fit_ranking.h"
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

void ResortFitList(TFitSession& session, int code) {
  // The records stay where they are; the sort exchanges the slots' pointers.
  const TFitResult* reviewed = session.FitList.At(session.ReviewCurrentRank);
  SortFitList(session.FitList, code);
  if (reviewed == nullptr) return;
  for (int rank = 1; rank <= session.FitList.Count(); ++rank) {
    if (session.FitList.At(rank) != reviewed) continue;
    if (session.CurFit.eqn.rank == session.ReviewCurrentRank) session.CurFit.eqn.rank = rank;
    session.ReviewCurrentRank = rank;
    return;
  }
}
