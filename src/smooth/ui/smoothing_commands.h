// The smoothing subsystem's main-window commands: "&Test Scattered Algorithms" (2166),
// which the main window offers only when "NPDLL:" named an extension library.
#pragma once

#include <string>

class QWidget;

// Registers the commands (call before the main window is built).
void RegisterSmoothingCommands();

// Command 2166: the test suite's dialog, then the report file ("Test File", new or
// appended), then the run under the busy window; the report is written only when the run
// is done, and a file that cannot be opened or written is told to the user.
void CmNPTest(QWidget* parent);
