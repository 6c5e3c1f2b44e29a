// The function viewer: command 2152 asks for a function in the "View Function(X,Y)" dialog
// and shows it in TVFXY2, "View Function of X,Y", as a 3D surface, or one of its partial
// derivatives, with every graph option, the evaluation table and Quick Eval. "&Undo" in the
// viewer brings the dialog back with the same entry; cancelling the dialog ends the command.
#pragma once

#include <functional>
#include <string>

#include "app/settings_file.h"
#include "graph3d/ui/function_graph_window.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "graph3d/view_function.h"

class QRadioButton;

class TVFXY2 : public TVFXY {
  Q_OBJECT
 public:
  static constexpr int kModeFirst = 911;  // 911..916: "None", "dX", "dY", "dXdY", "dX²", "dY²"
  static constexpr int kQuickEval = 382;

  // `mode` is what the setup's surface draws (the command's EvalViewMode reads it); `text`
  // is the view function's text, whose lines title the graph. Both outlive the window.
  TVFXY2(QWidget* parent, T3DGraphSetup* setup, const std::string& text, ViewMode& mode,
         std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);
  ~TVFXY2() override;

  // Shows mode `m`: nothing when it is shown already; else the titles follow the mode, the
  // surface grid is computed anew and an open Quick Eval shows its values again.
  void SetViewMode(ViewMode m);
  ViewMode Mode() const { return mode_; }
  QRadioButton* ModeButton(ViewMode m) const;

  // Opens Quick Eval beside the viewer, or closes it when it is open.
  void ToggleQuickEval();
  bool QuickEvalOpen() const { return !quickEval_.dialog.isNull(); }

  // The start of the searches for the surface's lowest and highest point: the extreme node
  // of the drawn grid with the grid lines on either side (the axis ends at a border).
  TSurfaceSearchStart MinCellOfView() const;
  TSurfaceSearchStart MaxCellOfView() const;

 protected:
  void SetupWindow() override;
  void done(int result) override;

 private:
  void CloseQuickEval();

  const std::string& text_;
  ViewMode& mode_;
  std::array<QRadioButton*, kViewModeCount> modeButtons_{};
  TQuickEvalWindow quickEval_;
};

// What command 2152 does around the viewer: the data status window is closed while it runs
// and shown again at its end.
struct TFunctionViewerHost {
  std::function<void()> closeStatusWindow;
  std::function<void()> showStatusWindow;
  // The option dialogs of the viewer (null: the program's).
  std::function<std::unique_ptr<GraphOptionDialogs>()> optionDialogs;
};

// Command 2152 on the program's view-function entry `record` (kept from one use to the next)
// with the function viewer's view, points, colour and placement records of `settings`.
void CmViewFunction(QWidget* parent, ProgramSettings& settings, TViewFnRecord& record, const TFunctionViewerHost& host);

// Registers command 2152 with the main window.
void RegisterFunctionViewerCommand();
