#include "tools/ui/calculation_commands.h"

#include "app/background_fit_hold.h"
#include "app/data_files.h"
#include "app/data_session.h"
#include "app/data_signature.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "fit/background_fit.h"
#include "graph3d/ui/accept_or_undo.h"
#include "graph3d/ui/evaluation_progress.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "tools/data_calculation.h"
#include "tools/ui/calculation_dialog.h"

namespace calculation_commands {

namespace {

platform::Window Owner() { return platform::qt::ToWindow(MainWindow); }

void SetHaveCalc() {
  if (!MainWindow) return;
  MainWindow->HaveCalc = CalcMask() != 0 ? 1 : 0;
  MainWindow->RefreshBars();
}

// After a kept calculation: fit results of the data before it are void. A background fit
// that ran (or runs) since the pre-scan fits the new data: its results stay.
void SettleFitResults(TDataSession& session, std::uint64_t before) {
  if (BgFitState.load() != 0 || BgFitDone.load() != 0) before = session.DataFingerprint;
  if (DataSignature(session.Table.XYZData()) != before) VoidFitResults(session);
  session.DataUnsaved = 1;
}

}  // namespace

bool ApplyWithAcceptOrUndo(QWidget* parent, TDataSession& session, int firstRow) {
  const auto keeps = [parent, &session] {
    return ShowAcceptOrUndo(parent, AcceptOrUndoMode::Calculation, session, CurrentSettings()) ==
           AcceptOrUndo::Accept;
  };
  // A line can run for long on every row (a user function summing a million terms): Cancel
  // stops the run and the table stays as it was.
  const auto stoppable = [parent](const std::function<void()>& work) {
    const TEvaluationProgress progress(parent, platform::qt::FromCp1252(platform::LoadString(3124)),
                                       platform::qt::FromCp1252(platform::LoadString(3127)));
    work();
  };
  return ApplyCalculation(session, firstRow, platform::qt::ToWindow(parent), keeps, stoppable);
}

void CmCalculation(TDataSession& session) {
  CloseDataStatus();
  const std::uint64_t before = DataSignature(session.Table.XYZData());
  // Held, not stopped: the formulas alone are no change to the data, and a dialog cancelled
  // or a calculation not applied keeps the fits. Applying stops the fit before the data
  // change.
  HoldBackgroundFit();
  TCalcLines buffer = CalcTexts();
  for (;;) {
    if (ExecuteAndDelete(new TCalc(MainWindow, &buffer, session.Table.XYZData())) != QDialog::Accepted) break;
    CalcTexts() = buffer;
    SetHaveCalc();
    if (session.Table.XYZRows() <= 3 || CalcMask() == 0 || AskYesNoIds(Owner(), 3124, 3125) != platform::kIdYes)
      break;
    // Too few valid points or Undo: the dialog again, to revise the formulas.
    if (!ApplyWithAcceptOrUndo(MainWindow, session, 1)) continue;
    SettleFitResults(session, before);
    break;
  }
  // A fit the hold cut short starts again (after an applied calculation the stop has
  // forgotten it: the pre-scan started the fit of the new data).
  ResumeBackgroundFit();
  ShowDataStatus();
}

void CmApplyCalc(TDataSession& session) {
  if (CalcMask() == 0) return;
  const std::uint64_t before = DataSignature(session.Table.XYZData());
  CloseDataStatus();
  StopBackgroundFit();
  if (ApplyWithAcceptOrUndo(MainWindow, session, 1)) SettleFitResults(session, before);
  ShowDataStatus();
}

void CmApplyCalcAgain(QWidget* parent, TDataSession& session) {
  if (CalcMask() != 0) (void)ApplyWithAcceptOrUndo(parent, session, 1);  // the caller compares the data itself
}

void CmClearCalc() {
  ClearCalculation();
  SetHaveCalc();
  ShowDataStatus();
}

}  // namespace calculation_commands

void RegisterCalculationCommands(TDataSession& session) {
  namespace cc = calculation_commands;
  TDataSession* const s = &session;
  RegisterCommand(::CmCalculation, [s] { cc::CmCalculation(*s); });
  RegisterCommand(::CmApplyCalculation, [s] { cc::CmApplyCalc(*s); });
  RegisterCommand(::CmCancelCalculation, [] { cc::CmClearCalc(); });
  RegisterCommand(::CmReapplyCalculation, [s] { cc::CmApplyCalcAgain(MainWindow, *s); });
  AddStartupStep("calculation commands", [] {
    DataFileHooks().CalculationDefined = [] { return CalcMask() != 0; };
    DataFileHooks().ApplyCalculation = [](TDataSession& imported, int firstRow) {
      (void)cc::ApplyWithAcceptOrUndo(MainWindow, imported, firstRow);  // an undone calculation leaves the data as read
    };
  });
  AddShutdownStep("calculation commands", [] { ClearCalculation(); });
}
