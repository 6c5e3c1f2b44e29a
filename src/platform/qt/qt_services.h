// Installs the Qt implementations of the platform services (message boxes, file dialogs,
// the busy window, timers and the user-interface dispatcher). Call once, on the
// user-interface thread, after the QApplication exists; UninstallQtServices before it goes.
#pragma once

class QWidget;

namespace platform {
class UiDispatcher;
}

namespace platform::qt {

void InstallQtServices();
void UninstallQtServices();

// QApplication takes the user's locale for the C library too, and under a German one
// printf writes 0,25 and strtod stops at the point of 0.25: the program reads and writes
// its numbers in the C locale, whatever the user's. Call right after the QApplication.
void KeepNumbersInTheCLocale();

// Whether the desktop can offer file dialogs of its own (none without a desktop: the
// offscreen and minimal platforms, or when the application asked for Qt's dialogs alone).
// Where it offers none, a request for them shows Qt's built-in dialog.
bool NativeFileDialogsOffered();

// The dispatcher InstallQtServices installs: workers' posts run later on the
// user-interface thread's event loop. For tests that run the program's worker threads
// without the other services.
UiDispatcher& QtUiDispatcher();

// The busy window while one is shown (for tests and screenshots), else null.
QWidget* BusyWindowWidget();

}  // namespace platform::qt
