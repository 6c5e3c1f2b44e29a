// The steps of the pre-scan (PrescanData) that belong to subsystems built on top of this
// one. Those subsystems register their functions here at start-up; a hook left empty does
// nothing, so the headless core and its tests run the pre-scan without them. Each hook
// receives the session whose table was pre-scanned, and acts on that session alone: a
// subsystem registered for one session leaves any other as it is.
#pragma once

#include <functional>

struct TDataSession;

struct TPrescanHooks {
  // Voids the session's fit results (fit count 0, results flag cleared): the fit list no
  // longer describes the data.
  std::function<void(TDataSession&)> VoidFitResults;
  // Re-evaluates the parameter limits of the session's user-defined functions against the
  // new data.
  std::function<void(TDataSession&)> ParseAllUdfParams;
  // Restarts the background fit of the session (it starts only when a background fit type
  // is chosen and at least 4 points are active).
  std::function<void(TDataSession&)> StartBackgroundFit;
};

// The hooks in force; set them on the user-interface thread before the first data load.
TPrescanHooks& PrescanHooks();
