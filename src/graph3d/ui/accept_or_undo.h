// The accept-or-undo window: after a data calculation or a smoothing changed the whole data
// table, the changed points are shown in a 3D graph and the user keeps them ("OK") or asks
// for the table as it was ("&Undo"). The caller keeps its backup of the table and puts it
// back when the answer is Undo.
#pragma once

#include "app/settings_file.h"
#include "graph3d/accept_or_undo_graph.h"
#include "graph3d/ui/function_graph_window.h"

// "Accept or Undo Modifications": the graph with OK, "&Undo", "3D &View", "&Animate",
// "C&olors", "Poi&nts" and Help. Closing the window any other way (its close box, Escape)
// answers Undo: the user has not accepted the change.
class TUndo : public TVFXY {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 40;

  TUndo(QWidget* parent, T3DGraphSetup* setup, std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

  void reject() override;

 protected:
  int HelpContext() const override { return kHelpContext; }
};

enum class AcceptOrUndo : int {
  Accept = 1,
  Undo = 12,
};

// Shows the session's data as they now stand in TUndo, modal over `parent`, with the
// accept-or-undo window's view, points, colour and placement records of `settings` (written
// back when it closes), and answers how the user closed it.
[[nodiscard]] AcceptOrUndo ShowAcceptOrUndo(QWidget* parent, AcceptOrUndoMode mode, const TDataSession& session,
                                            ProgramSettings& settings);
