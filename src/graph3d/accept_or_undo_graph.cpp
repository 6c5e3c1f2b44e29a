#include "graph3d/accept_or_undo_graph.h"

#include "app/data_statistics.h"
#include "graph3d/title_set.h"

int AcceptOrUndoCaptionId(AcceptOrUndoMode mode) { return mode == AcceptOrUndoMode::Smoothing ? 3148 : 3126; }

void PrepareAcceptOrUndoGraph(TGraphOptions& options, const TDataSession& session) {
  T3DGraphSetup& setup = options.Setup();
  options.points.FitRecord = nullptr;
  options.points.FitRecordWord = 0;
  setup.SurfaceFn = nullptr;
  setup.Points = TablePoints(session.Table);
  setup.LimitFn = nullptr;
  setup.ResidualMode = 0;
  setup.ZFromPoints = 1;
  setup.UserScheme = 2;
  setup.LockMask = 0;
  T3DScalingBlock& s = setup.Scaling;
  GetDataRanges(session.DataStats, s.DataLow[0], s.DataHigh[0], s.DataLow[1], s.DataHigh[1], s.DataLow[2],
                s.DataHigh[2]);
  s.AxisLow = s.DataLow;
  s.AxisHigh = s.DataHigh;
  s.Divs = {0, 0, 0};
  s.DataDivs = {0, 0, 0};
  s.Auto = {1, 1, 1};
  s.Log = {0, 0, 0};
  s.Zoom = {1, 1, 1};
  SetGraphTitlesFromData(options.titles, session.DataTitles());
  options.customTitles.Enabled = 0;
}
