// TVFXY, the graph window of a surface without points to pick: the base of the function
// viewer and of the accept-or-undo window. Its command buttons run the graph option commands
// (graph type, view, scaling, animation, titles, font, colours, points, evaluation table),
// copy and print, and "&Undo", which closes the window with 12. A derived window chooses
// which buttons it shows and lays them out beside the graph.
#pragma once

#include <memory>

#include "graph3d/ui/graph_dialog.h"
#include "graph3d/ui/graph_option_commands.h"

class QPushButton;

class TVFXY : public T3DDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 87;
  // Window results and the ids of the buttons that are no option command.
  static constexpr int kOk = 1;
  static constexpr int kUndo = 12;
  static constexpr int kHelp = 9;
  static constexpr int kCopy = 362;
  static constexpr int kPrint = 380;

  // `dialogs` null: the program's dialogs.
  TVFXY(QWidget* parent, T3DGraphSetup* setup, std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

  // Runs command `id` as its button does.
  void Command(int id);
  GraphOptionResult RunOptionCommand(int id);
  QPushButton* Button(int id) const;

 protected:
  // The button of command `id`, labelled as the program labels it and connected to Command;
  // the evaluation table's button is enabled only once the data tools brought the table.
  QPushButton* MakeButton(int id, QWidget* parent);
  virtual int HelpContext() const { return kHelpContext; }
  GraphOptionContext& Context() { return context_; }

 private:
  GraphOptionContext context_;
  std::unique_ptr<GraphOptionDialogs> dialogs_;
};
