#include "fit/fit_command.h"

#include "app/data_files.h"
#include "app/settings_file.h"
#include "fit/background_fit.h"
#include "fit/fit_kinds.h"
#include "fit/fit_session.h"
#include "fit/fit_threads.h"

TFitCommand BeginFitCommand(TFitSession& session, int kind) {
  // The data are unchanged: results published so far stay until this run publishes its own.
  StopBackgroundFitKeepingResults();
  TFitCommand command{session.FitSelection, session.FitOptions};
  SetSelectionForFitKind(kind, session.FitSelection, session.FitOptions);
  return command;
}

int EndFitCommand(TFitSession& session, const TFitCommand& command, int dialogResult) {
  // The worker may still be inside the run (Cancel) or finishing its last send: nothing is
  // voided or restored before it is gone.
  StopFitThread();
  int& mode = CurrentSettings().reviewStartMode;
  bool review = false;
  switch (dialogResult) {
    case kFitDlgGraphStart: mode = 0; review = true; break;
    case kFitDlgListStart: mode = 1; review = true; break;
    case kFitDlgTimedOut: review = true; break;
    default:
      // OK, or Cancel: a cancelled run published nothing, and the results before it stay.
      break;
  }
  session.FitSelection = command.savedSelection;
  session.FitOptions = command.savedOptions;
  if (session.FitCount == 0) session.FitResultsValid = 0;
  if (DataFileHooks().SetHaveFits) DataFileHooks().SetHaveFits(session.FitResultsValid);
  return review && session.FitResultsValid ? (mode == 1 ? 1 : 0) : -1;
}
