#include "program_registrations.h"

#include "app/shell_state.h"
#include "app/ui/data_file_commands.h"
#include "app/ui/owned_window.h"
#include "exchange/import_registration.h"
#include "exchange/ui/review_export_commands.h"
#include "exchange/ui/visual_column_dialog.h"
#include "expr/data_statistics_cells.h"
#include "expr/expression.h"
#include "expr/udf_record.h"
#include "fit/session.h"
#include "fit/ui/fit_commands.h"
#include "graph3d/ui/status_graph.h"
#include "review/ui/review_window.h"
#include "smooth/engines/smoothing_services.h"
#include "smooth/ui/smoothing_commands.h"
#include "tools/udf/udf_session.h"
#include "tools/ui/data_tool_commands.h"
#include "tools/ui/evaluation_commands.h"
#include "tools/ui/udf_commands.h"

void RegisterProgram(TSession& session) {
  // Each subsystem hooks itself into the shell before the window is built. The fitting
  // threads come first: their shutdown step stops them before any other module frees
  // what they read.
  RegisterFitCommands(session);
  // The expression language's symbol tables and slots, and the interface thread's random
  // generator seeded from the clock, once the data table exists.
  AddStartupStep("program", [&session] {
    ExprBindDataStats(&session.DataStats);
    ExprBindUdfTable(&session.UdfTable);
    ExprStartUp();
  });
  AddShutdownStep("program", [] {
    ExprShutDown();
    ExprBindUdfTable(nullptr);
    ExprBindDataStats(nullptr);
  });
  // A window left modeless beside a modal one (the grid editor's graph, an editor opened
  // from the review) stays above it whatever the window manager does at a click.
  AddStartupStep("owned windows", [] { KeepModelessWindowsAboveModalOwners(); });
  AddShutdownStep("owned windows", [] { StopKeepingModelessWindowsAboveModalOwners(); });
  RegisterUdfHooks(session, session);
  RegisterImportReaders();
  RegisterColumnDialogs();
  RegisterDataFileCommands(session);
  RegisterDataToolCommands(session);
  RegisterUserFunctionCommands(session);
  RegisterGraphWindows(session);
  RegisterSmoothingServices();
  RegisterSmoothingCommands(session);
  RegisterReviewCommands(session);
  RegisterEvaluationTable(session);
  RegisterReviewExports();
}
