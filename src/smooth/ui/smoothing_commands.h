// The smoothing subsystem's main-window commands: the estimation and smoothing windows
// (2163 scattered data, 2143 loess, 2151 the data graph) and "&Test Scattered Algorithms"
// (2166), which the main window offers only when "NPDLL:" named an extension library.
#pragma once

#include <string>

#include "app/settings_file.h"
#include "graph3d/graph_setup.h"

class QWidget;
struct TDataSession;
class TGraphOptions;

// Registers the commands on the session's data (call before the main window is built).
void RegisterSmoothingCommands(TDataSession& session);

// A smoothing window's graph setup over the session's data table: the window's option
// records, the data as points, both range sets from the data (a pair of equal ends widened
// by 0.5 each way), automatic scales, zooms 1, the data's titles.
void PrepareSmoothingSetup(TGraphOptions& options, TDataSession& session);

// Command 2143: the loess window; after an OK that smoothed the data, the pre-scan, the
// fit results voided and the data marked unsaved.
void RunLoessWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);

// Command 2144: the NURBS window; after an OK that smoothed the data, as after loess.
void RunNurbsWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);

// Command 2151: the data graph with or without the triangulated surface; when the window
// leaves the data other than it found them (statuses changed), the data are pre-scanned:
// the fit results are void and the background fit starts again on the data as they are.
void RunViewDataWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);

// After a command replaced the data's values: the pre-scan (the fit results voided, the
// background fit started again on the new data), the data present and unsaved.
void SettleSmoothedData(TDataSession& session, QWidget* parent);

// Command 2162: the gridded-data window on the session's data, unless its points lie on
// one line; OK keeps the window's method, orders and knot counts in `settings`.
void RunGriddedWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);

// Command 2161 (uniform grid) and command 2160 (sparse grid): the grid-making window on the
// session's data, unless its points lie on one line; OK keeps the window's method (and grid
// size) in `settings` and makes the gridded points the data table, then settles the data as
// after smoothing.
void RunUniformGridWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);
void RunSparseGridWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);
// What the status window shows for the data's source once a made grid replaced the table.
inline constexpr const char* kMadeGridLabel = "Made Grid, Not Saved";
// A grid window's table becomes the data table, then the data are settled as after
// smoothing, and the source is kMadeGridLabel; false (the data as they were) for an empty
// table or one the data table refuses.
[[nodiscard]] bool ReplaceDataByGrid(QWidget* parent, TDataSession& session, PointTable grid);

// Command 2163: the scattered-data window on the session's data, unless its points lie on
// one line; OK keeps the window's method and options in `settings`.
void RunScatteredWindow(QWidget* parent, TDataSession& session, ProgramSettings& settings);

// Command 2166: the test suite's dialog, then the report file ("Test File", new or
// appended), then the run under the busy window; the report is written only when the run
// is done, and a file that cannot be opened or written is told to the user.
void CmNPTest(QWidget* parent);
