// The steps of a fit command (Surface-Fit ... on the Process menu) around its modal progress
// dialog, apart from the windows: before, the background fit is stopped and both blocks are
// kept aside and set for the kind; after, the worker is stopped and joined, and only then
// are the blocks restored. The session's fit results change only when a run completes: a
// cancelled run leaves those of the run before.
#pragma once

#include "fit/fit_blocks.h"

struct TFitSession;

// How the progress dialog ends.
enum FitDialogResult : int {
  kFitDlgOk = 1,           // no review
  kFitDlgCancel = 2,       // the run was aborted
  kFitDlgGraphStart = 867,  // review with the graph first
  kFitDlgListStart = 868,   // review with the list first
  kFitDlgTimedOut = 869,    // no choice within 10 s: review in the last mode
};

struct TFitCommand {
  TFitSelection savedSelection;
  TFitOptions savedOptions;
};

// Stops the background fit (keeping the results it published), keeps both blocks of the
// session and sets them for the kind (fit_kinds.h).
TFitCommand BeginFitCommand(TFitSession& session, int kind);

// After the dialog: stops and joins the worker; restores both blocks; clears
// FitResultsValid when no fit is left; keeps the review mode the user chose. Returns the
// review to start: -1 none, 0 graph first, 1 list first (never one without fits).
int EndFitCommand(TFitSession& session, const TFitCommand& command, int dialogResult);
