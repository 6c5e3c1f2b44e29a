#include "fit/fit_command.h"

#include "app/data_files.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_threads.h"

TFitCommand BeginFitCommand(int kind) {
  StopBackgroundFit();
  TFitCommand command{FitSelection, FitOptions};
  SetSelectionForFitKind(kind, FitSelection, FitOptions);
  return command;
}

int EndFitCommand(const TFitCommand& command, int dialogResult) {
  // The worker may still be inside the run (Cancel) or finishing its last send: nothing is
  // voided or restored before it is gone.
  StopFitThread();
  int& mode = CurrentSettings().reviewStartMode;
  bool review = false;
  switch (dialogResult) {
    case kFitDlgGraphStart: mode = 0; review = true; break;
    case kFitDlgListStart: mode = 1; review = true; break;
    case kFitDlgTimedOut: review = true; break;
    case kFitDlgOk: break;
    default:
      FitList.Truncate(0);
      FitCount = 0;
      FitResultsValid = 0;
      break;
  }
  FitSelection = command.savedSelection;
  FitOptions = command.savedOptions;
  if (FitCount == 0) FitResultsValid = 0;
  if (DataFileHooks().SetHaveFits) DataFileHooks().SetHaveFits(FitResultsValid);
  return review && FitResultsValid ? (mode == 1 ? 1 : 0) : -1;
}
