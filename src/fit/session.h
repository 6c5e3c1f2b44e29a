// The session: the document state of one program window, owned by one object. main.cpp
// builds it; the commands and windows receive it when they are registered or built, and
// the headless functions take the parts they work on.
//
// Each part sits in the lowest subsystem that knows its types, so that no subsystem reaches
// above itself for its state: the data table with its statistics, titles and data-file
// state (TDataSession, app/data_session.h), and the fit blocks, the fit list and the
// products of the last run (TFitSession, fit/fit_session.h).
#pragma once

#include "app/data_session.h"
#include "fit/fit_session.h"

struct TSession : TDataSession, TFitSession {
  TSession() = default;
};
