#include "tools/ui/data_tool_commands.h"

#include <QApplication>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/date_time_text.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "tools/data_tools.h"
#include "tools/ui/titles_dialog.h"

namespace {
constexpr int kStatisticsCapacity = 1000;

// The session the commands work on, given at registration.
TDataSession* RegisteredSession = nullptr;
TDataSession& Session() { return *RegisteredSession; }
}  // namespace

TStatWin::TStatWin(QWidget* parent, const TDataSession& session)
    : TScrWin(parent, platform::qt::FromCp1252(platform::LoadString(3506)), "", 1, false,
              kStatisticsCapacity, false, kFontSlotStatistics, true, kMenuTextResults, nullptr),
      session_(session) {
  setObjectName("TStatWin");
}

void TStatWin::FormatText() {
  lines_.Clear();
  for (const std::string& line :
       StatisticsText(session_.DataStats, session_.DataTitles(), session_.DataFileLabel,
                      DateString(), TimeString()))
    lines_.AppendLine(line);
}

namespace table_commands {

void CmTitles() {
  CloseDataStatus();
  RunTitlesDialog(MainWindow, Session(), nullptr);
  ShowDataStatus();
}

TStatWin* CmStatistics() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto* window = new TStatWin(MainWindow, Session());
  QApplication::restoreOverrideCursor();
  window->show();
  return window;
}

void CmRemoveInactive() {
  TDataSession& session = Session();
  if (session.DataStats.ActiveCount == session.Table.XYZRows()) return;
  CloseDataStatus();
  RemoveInactivePoints(session);
  ShowDataStatus();
}

void CmClearData() {
  if (AskYesNoIds(platform::qt::ToWindow(MainWindow), 3087, 3088) != platform::kIdYes) return;
  CloseDataStatus();
  ClearDataTable(Session());
}

}  // namespace table_commands

void RegisterDataToolCommands(TDataSession& session) {
  RegisteredSession = &session;
  RegisterCommand(CmTitles, [] { table_commands::CmTitles(); });
  RegisterCommand(CmStatistics, [] { table_commands::CmStatistics(); });
  RegisterCommand(CmClearInactive, [] { table_commands::CmRemoveInactive(); });
  RegisterCommand(CmClearData, [] { table_commands::CmClearData(); });
  AddStartupStep([] {
    DataFileHooks().RunTitlesDialog = [](const TDataTitles* previous) {
      return RunTitlesDialog(MainWindow, Session(), previous);
    };
  });
}
