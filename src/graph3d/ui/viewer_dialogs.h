// Dialogs of other subsystems that the view-function dialog and the graph windows open: the
// function-insertion lists and the evaluation table of the data tools, and the smoothing
// windows' Quick Eval. Each is
// installed at start-up by the subsystem that brings it; until then the buttons that open it
// stay disabled.
#pragma once

#include <QPointer>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "graph3d/graph_setup.h"
#include "graph3d/surface_search_start.h"

class QDialog;
class QWidget;

// The function-insertion list `list` (0..7: general, trigonometric, statistical, Bessel,
// calculus, XYZ data table, conditional, non-linear base; dialog 4004 + list), modal over
// `parent`: the text of the function chosen, or nothing when the user chose none.
using FunctionInsertDialog = std::function<std::optional<std::string>(QWidget* parent, int list)>;
void SetFunctionInsertDialog(FunctionInsertDialog dialog);
const FunctionInsertDialog& GetFunctionInsertDialog();

// The volume under a surface over [x1, x2] x [y1, y2] (x1 < x2, y1 < y2); `error` receives
// the estimate of its error, and is left alone when there is none.
using VolumeFunction =
    std::function<long double(long double x1, long double x2, long double y1, long double y2, long double& error)>;

// What the opener of an evaluation table knows of its surface besides the value: its own
// partial derivatives and volume. The table works out each one that is empty from the value
// (difference quotients, numerical integrals).
struct TSurfaceCalculus {
  SurfaceFunction dzdx, d2zdx2, dzdy, d2zdy2, d2zdxdy;
  VolumeFunction volume;
};

// The evaluation table of a graph's surface (dialog 4027), modal over `parent`.
struct TEvaluationTableRequest {
  std::string caption;
  SurfaceFunction surface;
  std::array<long double, 3> low{};  // the X, Y and Z axis ranges of the graph
  std::array<long double, 3> high{};
  TSurfaceCalculus calculus;
};
using EvaluationTableDialog = std::function<void(QWidget* parent, const TEvaluationTableRequest& request)>;
void SetEvaluationTableDialog(EvaluationTableDialog dialog);
const EvaluationTableDialog& GetEvaluationTableDialog();

// What a Quick Eval window reads of its owner's surface. A viewer's search starts at the
// extreme grid node, kept to the grid lines on either side of it (the axis ends at a border).
struct TQuickEvalSource {
  SurfaceFunction value;
  // The surface the searches for the lowest and highest point look at, where it differs from
  // `value` (answering the missing value where no extreme may lie); none: `value`.
  SurfaceFunction searchValue;
  std::function<TSurfaceSearchStart()> minimumStart;
  std::function<TSurfaceSearchStart()> maximumStart;
  // Further starts, for a surface that passes through its data: the data's own lowest
  // (highest) point, kept to the grid lines on either side of it. The drawn grid may be
  // coarser than the data and miss the extreme data point's cell; the more extreme of the two
  // searches is shown. None, or no answer: the grid's start alone.
  std::function<std::optional<TSurfaceSearchStart>()> dataMinimumStart;
  std::function<std::optional<TSurfaceSearchStart>()> dataMaximumStart;
  // The start's box is searched whole for the surface's lowest (highest) point, from the
  // start and from a grid over the box (FindLowestPoint), as the review's numeric summary
  // searches a fit: not only the dip (peak) nearest the start.
  bool wholeBox = false;
  WindowPlacement* placement = nullptr;  // the owner's record of the window's place, or none
};

// An open Quick Eval window: the dialog (null once it is deleted) and the call that makes it
// show its values again after the owner's surface changed.
struct TQuickEvalWindow {
  QPointer<QDialog> dialog;
  std::function<void()> evaluate;
};

// Opens a Quick Eval window, modeless, beside `owner`. The window reports its end through
// QDialog::finished; the owner then forgets it and deletes it.
using QuickEvalMaker = std::function<TQuickEvalWindow(QWidget* owner, TQuickEvalSource source)>;
void SetQuickEvalMaker(QuickEvalMaker maker);
const QuickEvalMaker& GetQuickEvalMaker();
