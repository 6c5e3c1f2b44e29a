#include "tools/ui/graph_evaluation.h"

#include "graph3d/ui/viewer_dialogs.h"
#include "tools/ui/evaluation_dialog.h"

TEvalSurface GraphSurface(const TEvaluationTableRequest& request) {
  TEvalSurface s;
  s.z = request.surface;
  s.xMin = request.low[0], s.xMax = request.high[0];
  s.yMin = request.low[1], s.yMax = request.high[1];
  s.zMin = request.low[2], s.zMax = request.high[2];
  const TSurfaceCalculus& c = request.calculus;
  s.dzdx = c.dzdx, s.d2zdx2 = c.d2zdx2, s.dzdy = c.dzdy, s.d2zdy2 = c.d2zdy2, s.d2zdxdy = c.d2zdxdy;
  s.volume = c.volume;
  return s;
}

void RegisterGraphEvaluationTable(TDataSession& session) {
  SetEvaluationTableDialog([&session](QWidget* parent, const TEvaluationTableRequest& request) {
    RunEvaluationTable(parent, request.caption, GraphSurface(request), session);
  });
}
