// The point toggler of graphs that show the session's data table (the graph dialogs pick a
// point and ask for its status to change).
#pragma once

#include <functional>

#include "app/data_session.h"

// Stops (and joins) the background fit before the status changes, so that no fit reads a
// table whose points change under it; then sets the record's status under the table's lock
// and marks the data unsaved. A record outside 1 .. N changes nothing.
std::function<void(int record, char status)> MakeDataPointToggler(TDataSession& data);
