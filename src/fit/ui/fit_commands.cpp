#include "fit/ui/fit_commands.h"

#include <QApplication>

#include "app/background_fit_hold.h"
#include "app/data_files.h"
#include "app/data_statistics.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/dialog.h"
#include "app/ui/main_window.h"
#include "fit/background_fit.h"
#include "fit/fit_command.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_threads.h"
#include "fit/session.h"
#include "fit/ui/background_fit_dialog.h"
#include "fit/ui/custom_set_dialog.h"
#include "fit/ui/fit_preferences_dialog.h"
#include "fit/ui/fit_progress_dialog.h"
#include "platform/file_dialog.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

using platform::qt::ToWindow;

constexpr int kMinActivePoints = 4;

// The settings hold the blocks for the next run of the program: every change is written
// through at once, so that the settings file never holds blocks older than the program's.
void KeepBlocksInSettings(const TFitSession& session) {
  StoreFitBlocksInSettings(CurrentSettings(), session.FitSelection, session.FitOptions);
}

void RestartBackgroundFitForCustomSet(TSession& session) {
  if (BackgroundFitType() == kBackgroundFitCustomSet) StartBackgroundFit(session);
}

// A dialog over the selection and the options holds the background fit (app/
// background_fit_hold.h) rather than stopping it: the fit results describe the blocks as they
// were, so a dialog cancelled, or closed with both blocks as they were, keeps them. Taken
// before the dialog, so the held fit is joined before anything can change.
class TFitBlocksHold {
 public:
  explicit TFitBlocksHold(const TFitSession& session)
      : session_(session), selection_(session.FitSelection), options_(session.FitOptions) {
    HoldBackgroundFit();
  }
  bool Changed() const {
    return !(session_.FitSelection == selection_) || !(session_.FitOptions == options_);
  }
  // The blocks as they were: the results stay, and a fit the hold cut short starts again.
  // Changed: the results are voided (restart the background fit after it, if it should).
  // True when they changed.
  bool Settle() const {
    if (!Changed()) {
      ResumeBackgroundFit();
      return false;
    }
    StopBackgroundFit();
    return true;
  }

 private:
  const TFitSession& session_;
  const TFitSelection selection_;
  const TFitOptions options_;
};

}  // namespace

namespace fit_commands {

void CmFit(TSession& session, int kind) {
  // Points that all weigh nothing are no data to fit, as fewer than 4 are not.
  if (session.DataStats.ActiveCount < kMinActivePoints || !HasWeightedStatistics(session.DataStats)) return;
  CloseDataStatus();
  const TFitCommand command = BeginFitCommand(session, kind);
  const int result =
      (new TFit(MainWindow, session, MakeFitJob(session, session.FitSelection, session.FitOptions)))
          ->Execute();
  const int review = EndFitCommand(session, command, result);
  if (result == kFitDlgCancel) ErrorBox(ToWindow(MainWindow), "", "Processing Aborted.");
  if (MainWindow && MainWindow->isMinimized()) return;
  // The review comes with its own subsystem: without it, the results are shown in the
  // status window.
  const int reviewCommand = review == 1 ? CmReviewList : CmReviewGraph;
  if (review >= 0 && HasCommandHandler(reviewCommand))
    platform::PostCommand(reviewCommand);
  else
    ShowDataStatus();
}

void CmEditCustomSet(TSession& session) {
  CloseDataStatus();
  const TFitBlocksHold hold(session);
  // A 280-byte set read in the dialog (its Read, or its Options' Read) replaces the options
  // too: Cancel puts both blocks back.
  const TFitSelection keptSelection = session.FitSelection;
  const TFitOptions keptOptions = session.FitOptions;
  const int result = (new TDlgCF(MainWindow, session))->Execute();
  if (result == QDialog::Rejected) {
    session.FitSelection = keptSelection;
    session.FitOptions = keptOptions;
  }
  KeepBlocksInSettings(session);
  const bool changed = hold.Settle();
  if (result == TDlgCF::kFitResult) {
    platform::PostCommand(CmFitCustomSet);
    return;
  }
  ShowDataStatus();
  if (changed) RestartBackgroundFitForCustomSet(session);
}

void CmReadCustomSet(TSession& session) {
  CloseDataStatus();
  const TFitBlocksHold hold(session);
  (void)ReadCustomSetFile(MainWindow, session);  // a file not read leaves both blocks, told
  const bool changed = hold.Settle();
  ShowDataStatus();
  if (changed) RestartBackgroundFitForCustomSet(session);
}

void CmFitPreferences(TSession& session) {
  CloseDataStatus();
  const TFitBlocksHold hold(session);
  RunFitPreferences(MainWindow, session);
  // Settled before the status window opens: changed options void the results, and a window
  // opened on them would go on showing the old current fit.
  const bool changed = hold.Settle();
  ShowDataStatus();
  if (changed) StartBackgroundFit(session);
}

void CmBackgroundProcessing(TSession& session) {
  CloseDataStatus();
  int type = BackgroundFitType();
  unsigned flags = BackgroundFitFlags();
  const int typeBefore = type;
  if ((new TBgProc(MainWindow, &type, &flags))->Execute() == QDialog::Accepted) {
    SetBackgroundFitChoice(type, flags);
    // The signal and the automatic review are read when a run ends: only another type of fit
    // throws the results away and fits again. Chosen from the main window while a dialog is
    // open (the review, a fit, a smoothing window holding the fit), that waits for the dialog:
    // the results it shows and the table it holds are its own until it closes.
    if (type != typeBefore) {
      TSession* const s = &session;
      WhenNoCountedDialogOpen([s, type] {
        if (BackgroundFitType() != type) return;  // chosen again meanwhile: that choice acts
        StopBackgroundFit();
        StartBackgroundFit(*s);
      });
    }
  }
  ShowDataStatus();
}

}  // namespace fit_commands

bool ReadCustomSetFile(QWidget* owner, TFitSession& session) {
  std::string path;
  if (FileOpenDlg(ToWindow(owner), "Read Custom Equation Set", path, nullptr, "FIT",
                  "Custom Fit [fit]|*.fit|", 1) != 1)
    return false;
  if (!ReadFitSelectionFile(path, session.FitSelection, session.FitOptions)) {
    ErrorBox(ToWindow(owner), path, "Error in Reading Custom Equation Set File");
    return false;
  }
  KeepBlocksInSettings(session);
  return true;
}

int RunFitPreferences(QWidget* parent, TFitSession& session) {
  // A 280-byte preferences file replaces both blocks: Cancel puts both back, and leaves the
  // settings as they were (opened from the custom set dialog, the selection then holds that
  // dialog's boxes, which its own Cancel may still take back).
  const TFitSelection selection = session.FitSelection;
  const TFitOptions options = session.FitOptions;
  const int result = (new TDlgFitOpt(parent, session))->Execute();
  if (result != QDialog::Accepted) {
    session.FitSelection = selection;
    session.FitOptions = options;
    return result;
  }
  KeepBlocksInSettings(session);
  return result;
}

void RegisterFitCommands(TSession& session) {
  using namespace fit_commands;
  TSession* const s = &session;
  const struct {
    int command, kind;
  } kinds[] = {
      {CmFitCustomSet, kFitKindCustomSet},   {CmFitAll, kFitKindAll},
      {CmFitLinear, kFitKindLinear},         {CmFitSimple, kFitKindSimple},
      {CmFitPolynomial, kFitKindPolynomial}, {CmFitRational, kFitKindRational},
      {CmFitPolyRational, kFitKindPolyRational}, {CmFitUserFunctions, kFitKindUserFunctions},
      {CmFitPeak, kFitKindPeak},             {CmFitTransition, kFitKindTransition},
      {CmFitRobustPlane, kFitKindRobustPlane},
  };
  for (const auto& k : kinds) RegisterCommand(k.command, [s, kind = k.kind] { CmFit(*s, kind); });
  RegisterCommand(::CmEditCustomSet, [s] { fit_commands::CmEditCustomSet(*s); });
  RegisterCommand(::CmReadCustomSet, [s] { fit_commands::CmReadCustomSet(*s); });
  RegisterCommand(::CmFitPreferences, [s] { fit_commands::CmFitPreferences(*s); });
  RegisterCommand(CmBackgroundFit, [s] { CmBackgroundProcessing(*s); });

  InstallBackgroundFit(session);
  SetBackgroundFitQuery([] { return BgFitState == 1; });
  SetFitResultsQuery([&session] { return session.FitResultsValid != 0; });
  BackgroundFitHooks().Beep = [] { QApplication::beep(); };
  BackgroundFitHooks().Done = BackgroundFitDone;
  AddStartupStep("fit commands", [&session] {
    LoadFitBlocksFromSettings(CurrentSettings(), session.FitSelection, session.FitOptions);
  });
  AddResetStep("fit commands", [&session] {
    LoadFitBlocksFromSettings(CurrentSettings(), session.FitSelection, session.FitOptions);
  });
  AddShutdownStep("fit commands", [&session] {
    StopFitThread();
    StopBackgroundFitThread(session);
    FreeFitStorage(session);
  });
}
