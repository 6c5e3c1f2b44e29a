// The user-defined functions' commands of the Process menu: "Us&er Functions..." (2184, the
// dialog) and "&Last Session User Functions" (2185, the functions kept from the last run).
#pragma once

struct TSession;

// Registers both commands (call before the main window is built); they work on `session`,
// whose user-function table the language is bound to, and which outlives them.
void RegisterUserFunctionCommands(TSession& session);

namespace udf_commands {
// 2184: the dialog, with the background fit stopped while it is open. OK or "Fit &UDFs"
// void the fit results (the functions they were fitted with may have changed); "Fit &UDFs"
// then fits the user-defined functions (2183).
void CmEditUdfs(TSession& session);
// 2185: reads the session file of the last run and loads its functions.
void CmInstallLastUdfs(TSession& session);
}  // namespace udf_commands
