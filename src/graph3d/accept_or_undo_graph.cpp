#include "graph3d/accept_or_undo_graph.h"

int AcceptOrUndoCaptionId(AcceptOrUndoMode mode) { return mode == AcceptOrUndoMode::Smoothing ? 3148 : 3126; }

void PrepareAcceptOrUndoGraph(TGraphOptions& options, const TDataSession& session) {
  SetDataPointsGraph(options, session);
  options.Setup().UserScheme = 2;
}
