// The data tools' commands: the Table menu's titles (2141), statistics (2142), removal of
// inactive points (2145) and clearing the table (2146) with the "Basic Data Table
// Statistics" window, and the registration of the editors and calculations.
#pragma once

#include "app/ui/text_window.h"

struct TDataSession;

// The statistics text window: its text is built from the statistics and titles as they
// are when it is formatted, and stays as it was when the table changes later.
// "Basic Data Table Statistics": the figures of the table as they stand. The window follows
// the data while it is open (it showed X mean 5.3857604 beside the status window's
// 5.2671732 after the data changed): FollowData rebuilds the text when the figures it would
// show differ from those shown, on a timer while the window is shown; with the table
// emptied it closes.
class TStatWin : public TScrWin {
  Q_OBJECT
 public:
  TStatWin(QWidget* parent, const TDataSession& session);
  void FormatText() override;
  void FollowData();

 private:
  // The text without its date and time: what decides whether the window is out of date.
  std::vector<std::string> Figures() const;

  const TDataSession& session_;
  std::vector<std::string> shown_;
};

// Registers the Table menu's four commands, the general preferences (2123), the non-linear
// sampler (2153), the editors (2121, 2122), the calculation commands (2131-2134), the import
// road's titles dialog and calculation, and the function-insertion lists of the other
// windows (call before the main window is built). The commands work on `session`, which
// outlives them.
void RegisterDataToolCommands(TDataSession& session);

// The handlers, on the session they are handed (in a namespace of their own: the command
// ids carry the same names).
namespace table_commands {
void CmTitles(TDataSession& session);
TStatWin* CmStatistics(const TDataSession& session);
void CmRemoveInactive(TDataSession& session);
void CmClearData(TDataSession& session);
}  // namespace table_commands
