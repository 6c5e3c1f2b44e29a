// The main window's data-file commands: import and append from a file (with or without the
// digital filter), from the clipboard as text or worksheet and as a worksheet matrix, the
// recent files, dropped files and the file named on the command line; Save As; the copy of
// the table to the clipboard; and the status window's open and close commands.
#pragma once

#include <string>
#include <vector>

#include "app/ui/dialog.h"

class TEditInt;
struct TDataSession;

// Registers the commands 2101-2109, 2112-2117, 2147, 2148 and 2312, the dropped-file
// handler and the hooks of the import driver (call before the main window is built). The
// commands work on `session`, which outlives them.
void RegisterDataFileCommands(TDataSession& session);

// The commands, on the session they are handed.
void ImportAscii(TDataSession& session, int append);
void ImportDigitalFilter(TDataSession& session, int append);
void ImportClipboard(TDataSession& session, int append);
void ImportClipboardMatrix(TDataSession& session, int append);
// Recent entry k (0-4), or the start-up data file for -1; in the mode of the last import
// or append command.
void OpenDataFile(TDataSession& session, int k);
// At most five files, each added to the recent files in drop order; the last one opened.
void EvDropFiles(TDataSession& session, const std::vector<std::string>& files);
void CmSaveDataTable(TDataSession& session);  // command 2109, Save As
void CmCopyDataTable(TDataSession& session);

// The "Digital Filter" dialog: the filter n (1-999) and the first point (1-32000).
class TDlgDigitalFilter : public TDlg {
  Q_OBJECT
 public:
  TDlgDigitalFilter(QWidget* parent, int* step, int* start);
  TEditInt* StepEdit() const { return step_; }
  TEditInt* StartEdit() const { return start_; }
  void accept() override;

 private:
  TEditInt* step_;
  TEditInt* start_;
  int* stepOut_;
  int* startOut_;
};
