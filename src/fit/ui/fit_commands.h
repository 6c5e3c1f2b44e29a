// The fitting commands of the Process menu: the eleven kinds of fit (2171-2180, 2183), the
// custom equation set (edit 2181, read 2182), the fitting preferences (2186) and the
// background fit choice (2187), registered with the main window; and the steps the
// dialogs share.
#pragma once

class QWidget;
struct TFitSession;
struct TSession;

// Registers the commands and the fitting subsystem's hooks (call before the main window is
// built): the background fit with the pre-scan and the shell, the light 2193, the status
// window's fit-results query, and the blocks' place in the settings. The commands work on
// `session`, which outlives them.
void RegisterFitCommands(TSession& session);

// The commands, on the session they are handed.
namespace fit_commands {
// Runs a fit of the kind (fit_kinds.h) behind the progress dialog; nothing with fewer than
// 4 active points.
void CmFit(TSession& session, int kind);
void CmEditCustomSet(TSession& session);
void CmReadCustomSet(TSession& session);
void CmFitPreferences(TSession& session);
void CmBackgroundProcessing(TSession& session);
}  // namespace fit_commands

// Asks for a custom equation set file and reads it into the session's blocks; a file that cannot be
// read is reported and changes nothing. True when a set was read.
bool ReadCustomSetFile(QWidget* owner, TFitSession& session);
// Runs the fitting preferences dialog over the session's blocks; Cancel puts both back as
// they were. Returns
// the dialog's result.
int RunFitPreferences(QWidget* parent, TFitSession& session);
