// The session: the document state of one program window, owned by one object. main.cpp
// builds it; the commands and windows receive it when they are registered or built, and
// the headless functions take the parts they work on.
//
// Each part sits in the lowest subsystem that knows its types, so that no subsystem reaches
// above itself for its state: the data table with its statistics, titles and data-file
// state (TDataSession, app/data_session.h), the user-defined functions (TUdfSession,
// expr/udf_record.h), and the fit blocks, the fit list and the products of the last run
// (TFitSession, fit/fit_session.h).
//
// The current fit of the user interface is the session's too (TFitSession::CurFit); the
// render thread keeps a fit of its own (fit_side.h).
//
// What stays program-wide, and why: the constant tables (function tables, catalogues); the
// words that steer threads (FitAbort, FitSkip, BgFitState); the shell's own facts
// (shell_state.h). The expression language's compiled slots are shared by the whole program, so the language is
// bound to one session's statistics and user functions at a time (ExprBindDataStats,
// ExprBindUdfTable).
#pragma once

#include "app/data_session.h"
#include "expr/udf_record.h"
#include "fit/fit_session.h"

struct TSession : TDataSession, TUdfSession, TFitSession {
  TSession() = default;
};
