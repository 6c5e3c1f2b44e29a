// The steps of the pre-scan (PrescanData) that belong to subsystems built on top of this
// one. Those subsystems register their functions here at start-up; a hook left empty does
// nothing, so the headless core and its tests run the pre-scan without them.
#pragma once

#include <functional>

struct TPrescanHooks {
  // Voids the fit results (fit count 0, results flag cleared): the fit list no longer
  // describes the data.
  std::function<void()> VoidFitResults;
  // Re-evaluates the parameter limits of every user-defined function against the new data.
  std::function<void()> ParseAllUdfParams;
  // Restarts the background fit for the main window (it starts only when a background fit
  // type is chosen and at least 4 points are active).
  std::function<void()> StartBackgroundFit;
};

// The hooks in force; set them on the user-interface thread before the first data load.
TPrescanHooks& PrescanHooks();
