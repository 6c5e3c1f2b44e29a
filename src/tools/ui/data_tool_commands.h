// The data tools' commands: the Table menu's titles (2141), statistics (2142), removal of
// inactive points (2145) and clearing the table (2146) with the "Basic Data Table
// Statistics" window, and the registration of the editors and calculations.
#pragma once

#include "app/ui/text_window.h"

struct TDataSession;

// The statistics text window: its text is built from the statistics and titles as they
// are when it is formatted, and stays as it was when the table changes later.
class TStatWin : public TScrWin {
  Q_OBJECT
 public:
  TStatWin(QWidget* parent, const TDataSession& session);
  void FormatText() override;

 private:
  const TDataSession& session_;
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
