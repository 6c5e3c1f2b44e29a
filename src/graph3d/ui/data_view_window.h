// TViewData, the graph window that shows XYZ data with a surface and changes every graph
// option from its buttons (view, scaling, animation, titles, font, colours, points, section),
// with copy and print; the base of the fit review window. Each option button runs the
// option-command function on the window.
#pragma once

#include <memory>

#include "graph3d/ui/graph_option_commands.h"
#include "graph3d/ui/rotating_graph_dialog.h"

struct TSession;

class TViewData : public T3DDlgSW {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 86;

  // `dialogs` null: the program's dialogs.
  TViewData(QWidget* parent, T3DGraphSetup* setup, GraphOptionContext context,
            std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

  // Runs option command `id` (a button of the window, or a click zone of the graph).
  GraphOptionResult RunOptionCommand(int id);
  // The dialogs the option commands run (satellite graph windows run theirs through them).
  GraphOptionDialogs& OptionDialogs() { return *dialogs_; }
  bool ViewChanged() const { return viewChanged_; }
  bool DataChanged() const { return dataChanged_; }

  // Leaving the window: points toggled in it have the data's statistics computed again.
  void done(int result) override;

 protected:
  // For a window that lays out its own buttons around the graph (the review).
  struct TOwnLayout {};
  TViewData(QWidget* parent, T3DGraphSetup* setup, GraphOptionContext context,
            std::unique_ptr<GraphOptionDialogs> dialogs, TOwnLayout);

 private:
  GraphOptionContext context_;
  std::unique_ptr<GraphOptionDialogs> dialogs_;
  bool viewChanged_ = false;
  bool dataChanged_ = false;
};

// The data graph command (2151) on the session's data table, unless another window of the
// program has taken the command.
void RegisterDataViewCommand(TSession& session);
