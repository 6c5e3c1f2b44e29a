// Installs the Qt implementations of the platform services (message boxes, file dialogs,
// the busy window, timers and the user-interface dispatcher). Call once, on the
// user-interface thread, after the QApplication exists; UninstallQtServices before it goes.
#pragma once

class QWidget;

namespace platform::qt {

void InstallQtServices();
void UninstallQtServices();

// Whether the desktop can offer file dialogs of its own (none without a desktop: the
// offscreen and minimal platforms, or when the application asked for Qt's dialogs alone).
// Where it offers none, a request for them shows Qt's built-in dialog.
bool NativeFileDialogsOffered();

// The busy window while one is shown (for tests and screenshots), else null.
QWidget* BusyWindowWidget();

}  // namespace platform::qt
