#include "tools/ui/udf_commands.h"

#include <QDialog>

#include <memory>

#include "app/background_fit_hold.h"
#include "app/c_format.h"
#include "app/data_files.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "fit/background_fit.h"
#include "graph3d/ui/evaluation_progress.h"
#include "fit/session.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "tools/udf/udf_files.h"
#include "tools/udf/udf_record_codec.h"
#include "tools/udf/udf_session.h"
#include "tools/udf/udf_validation.h"
#include "tools/ui/udf_dialog.h"

namespace {

using platform::qt::ToWindow;

constexpr const char* kInstallCaption = "Read User Function Library";
constexpr const char* kUserFunctionsCaption = "User Defined Functions";

// The main window's count of functions a fit would fit (it enables command 2183).
void CountUdfs(const TSession& session) {
  if (MainWindow) MainWindow->HaveUdfs = UdfReadyCount(session.UdfTable);
}

// What a fit of user-defined functions depends on: each function's text and count.
std::vector<std::string> FunctionTexts(const TUdfTable& table) {
  std::vector<std::string> texts;
  for (const auto& r : table)
    texts.push_back(r ? std::string(UdfFieldText(r->Text)) + '\n' + std::to_string(r->ParamCount) : std::string());
  return texts;
}

bool SameRecords(const TUdfTable& a, const TUdfTable& b) {
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (!a[k] != !b[k]) return false;
    if (a[k] && EncodeUdfRecord(*a[k]) != EncodeUdfRecord(*b[k])) return false;
  }
  return true;
}

// The functions as they were when the dialog opened, programs included: the dialog installs
// each function it validates on the way (switching to another, Save, Adjust), a library it
// reads, and Clear All frees them all. Each function that was compiled is compiled again, in
// slot order as at start-up, the others emptied.
void PutBackUdfs(TUdfTable& table, TUdfTable kept) {
  if (SameRecords(table, kept)) return;
  for (std::size_t k = 0; k < table.size(); ++k) table[k] = std::move(kept[k]);
  ExprContext& ctx = ExprThreadContext();
  const TEvaluationProgress progress(MainWindow, platform::qt::FromCp1252(kUserFunctionsCaption),
                                     QStringLiteral("Restoring UDFs..."));
  for (int k = 0; k < kUdfCount; ++k) {
    const TUdfRecord* record = table[static_cast<std::size_t>(k)].get();
    if (record != nullptr && record->Compiled != 0 && !ctx.stopped) {
      const TCurrentUdfScope udf(ctx, k);
      if (UdfLoad(k) == 1) continue;
    }
    // Stopped on the way, or not compiled when the dialog opened: nothing of it runs.
    UdfUnload(k);
  }
}

}  // namespace

namespace udf_commands {

void CmEditUdfs(TSession& session) {
  const int keptUdf = ExprThreadContext().CurrentUdf;
  CloseDataStatus();
  // Held, not stopped: fits of functions the dialog leaves as they were stay valid.
  HoldBackgroundFit();
  const std::vector<std::string> before = FunctionTexts(session.UdfTable);
  TUdfTable opened = CopyUdfTable(session.UdfTable);
  const int result = (new TDlgUDF(MainWindow, session))->Execute();
  // Cancel leaves every function as it was, not only the one shown: a function switched
  // away from, a library read or Clear All (told, but taken back with the rest) were lost.
  if (result == QDialog::Rejected) PutBackUdfs(session.UdfTable, std::move(opened));
  ExprThreadContext().CurrentUdf = keptUdf;
  CountUdfs(session);
  const bool changed = FunctionTexts(session.UdfTable) != before;
  if (changed) VoidFitResults(session);
  if (result == TDlgUDF::kFitResult) {
    platform::PostCommand(CmFitUserFunctions);
    return;
  }
  if (changed)
    StartBackgroundFit(session);
  else
    ResumeBackgroundFit();
  ShowDataStatus();
}

void CmInstallLastUdfs(TSession& session) {
  CloseDataStatus();
  HoldBackgroundFit();
  TUdfInstallResult installed;
  {
    // A function's lines are run as they load, and a line may run for long: Cancel stops
    // the loads, and what is left stays defined but unloaded.
    const TEvaluationProgress progress(MainWindow, platform::qt::FromCp1252(kInstallCaption), QStringLiteral("Installing UDFs..."));
    installed = InstallLastSessionUdfs(SettingsDir);
  }
  if (installed.read < 1) {
    // The command is offered only when the file is there: a file that could not be read
    // is told, and the functions, and so the fits of them, stay as they were.
    ErrorBox(ToWindow(MainWindow), kInstallCaption,
             installed.read == kUdfFileMalformed ? "The UDFs of the last session could not be read: the file is damaged."
                                                 : "The UDFs of the last session could not be read.");
    ResumeBackgroundFit();
    ShowDataStatus();
    return;
  }
  // The functions changed: fits of the ones they replaced no longer belong to them.
  VoidFitResults(session);
  StartBackgroundFit(session);
  std::string text = CFormat("Successfully Installed %d of %d UDFs", installed.loaded, installed.read);
  for (const TUdfInstallFailure& failure : installed.failures) text += "\n\n" + failure.text;
  if (installed.cancelled)
    text += CFormat("\n\nInstallation Cancelled: %d UDFs Were Not Loaded and Are Not Fitted Until Accepted",
                    installed.notLoaded);
  InfoBox(ToWindow(MainWindow), kInstallCaption, text);
  CountUdfs(session);
  ShowDataStatus();
}

}  // namespace udf_commands

void RegisterUserFunctionCommands(TSession& session) {
  TSession* const s = &session;
  RegisterCommand(CmUserFunctions, [s] { udf_commands::CmEditUdfs(*s); });
  RegisterCommand(CmLastSessionUdfs, [s] { udf_commands::CmInstallLastUdfs(*s); });
}
