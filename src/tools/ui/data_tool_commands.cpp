#include "tools/ui/data_tool_commands.h"

#include <QApplication>
#include <QTimer>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/date_time_text.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "tools/data_tools.h"
#include "tools/ui/ascii_editor.h"
#include "tools/ui/calculation_commands.h"
#include "tools/ui/function_picker.h"
#include "tools/ui/general_preferences.h"
#include "tools/ui/grid_editor.h"
#include "tools/ui/nonlinear_sampler_window.h"
#include "tools/ui/titles_dialog.h"

namespace {
constexpr int kStatisticsCapacity = 1000;
// How often an open statistics window looks whether the data changed.
constexpr int kFollowMs = 250;
}  // namespace

TStatWin::TStatWin(QWidget* parent, const TDataSession& session)
    : TScrWin(parent, platform::qt::FromCp1252(platform::LoadString(3506)), "", 1, false,
              kStatisticsCapacity, false, kFontSlotStatistics, true, kMenuTextResults, nullptr),
      session_(session) {
  setObjectName("TStatWin");
  auto* follow = new QTimer(this);
  follow->setObjectName("follow");
  connect(follow, &QTimer::timeout, this, [this] {
    if (isVisible()) FollowData();
  });
  follow->start(kFollowMs);
}

std::vector<std::string> TStatWin::Figures() const {
  return StatisticsText(session_.DataStats, session_.DataTitles(), session_.DataFileLabel, "", "");
}

void TStatWin::FormatText() {
  lines_.Clear();
  shown_ = Figures();
  for (const std::string& line :
       StatisticsText(session_.DataStats, session_.DataTitles(), session_.DataFileLabel,
                      DateString(), TimeString()))
    lines_.AppendLine(line);
}

void TStatWin::FollowData() {
  if (session_.Table.XYZRows() <= 0) {
    close();
    return;
  }
  if (Figures() == shown_) return;
  FormatText();
  ViewResized();
  if (View() != nullptr) View()->viewport()->update();
}

namespace table_commands {

void CmTitles(TDataSession& session) {
  CloseDataStatus();
  RunTitlesDialog(MainWindow, session, nullptr);
  ShowDataStatus();
}

TStatWin* CmStatistics(const TDataSession& session) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto* window = new TStatWin(MainWindow, session);
  QApplication::restoreOverrideCursor();
  // It comes up once the statistics of the whole table are computed.
  GuardAgainstEarlyClicks(window);
  window->show();
  return window;
}

void CmRemoveInactive(TDataSession& session) {
  if (session.DataStats.ActiveCount == session.Table.XYZRows()) return;
  CloseDataStatus();
  RemoveInactivePoints(session);
  ShowDataStatus();
}

void CmClearData(TDataSession& session) {
  if (AskYesNoIds(platform::qt::ToWindow(MainWindow), 3087, 3088) != platform::kIdYes) return;
  CloseDataStatus();
  ClearDataTable(session);
}

}  // namespace table_commands

void RegisterDataToolCommands(TDataSession& session) {
  TDataSession* const s = &session;
  RegisterCommand(CmTitles, [s] { table_commands::CmTitles(*s); });
  RegisterCommand(CmStatistics, [s] { table_commands::CmStatistics(*s); });
  RegisterCommand(CmClearInactive, [s] { table_commands::CmRemoveInactive(*s); });
  RegisterCommand(CmClearData, [s] { table_commands::CmClearData(*s); });
  RegisterGeneralPreferences();
  RegisterNonlinearSampler();
  RegisterCommand(CmDataEditor, [s] { RunDataEditor(*s); });
  RegisterCalculationCommands(session);
  RegisterAsciiEditor(session);
  AddStartupStep("data tool commands", [] {
    DataFileHooks().RunTitlesDialog = [](TDataSession& imported, const TDataTitles* previous) {
      auto* dialog = new TTitlesDlg(MainWindow, imported, previous);
      // It comes up when the file has been read, under a pointer that may be on its way to
      // the window before it: such a click must not take its OK.
      GuardAgainstEarlyClicks(dialog);
      return ExecuteAndDelete(dialog) == QDialog::Accepted ? 1 : 0;
    };
    // The formula edit of the view-function dialog inserts from the same lists as the
    // calculations.
    SetFunctionInsertDialog(PickFunction);
  });
}
