// The point toggler of graphs that show the session's data table (the graph dialogs pick a
// point and ask for its status to change).
#pragma once

#include <functional>

#include "app/data_session.h"

// Runs `stopBackgroundFit` first (it stops and joins the background fit, so that no fit
// reads a table whose points change under it: StopBackgroundFit, or HoldBackgroundFit in a
// window that settles the fit results when it is done); then sets the record's status under
// the table's lock. Whether Exit asks is the saved mark's to tell (app/data_saved_mark.h). A
// record outside 1 .. N changes nothing.
std::function<void(int record, char status)> MakeDataPointToggler(TDataSession& data,
                                                                  std::function<void()> stopBackgroundFit);
