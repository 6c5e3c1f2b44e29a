// The graph of the accept-or-undo window: after a calculation or a smoothing changed the whole
// data table, the changed points are shown alone (no surface), over the ranges of the data as
// they now stand, titled with the data's own titles.
#pragma once

#include "app/data_session.h"
#include "graph3d/graph_options.h"

// What the window was opened for; its caption follows.
enum class AcceptOrUndoMode : int {
  Calculation = 1,  // "Accept or Undo Calculation"
  Smoothing = 2,    // "Accept or Undo Smoothing"
};
// The caption's string id of a mode (3126, 3148).
int AcceptOrUndoCaptionId(AcceptOrUndoMode mode);

// Fills the setup of `options` (the accept-or-undo window's records of the settings) for the
// session's data: its points, no surface, the axes and data ranges from the data's
// statistics (a range whose ends are equal widened by 0.5 each way), scaled automatically
// with zooms 1, the Z range the points' own; the standard titles from the data's titles and
// the custom titles off.
void PrepareAcceptOrUndoGraph(TGraphOptions& options, const TDataSession& session);
