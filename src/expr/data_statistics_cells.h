// The 69 data-statistic variables of the language (XMIN ... ZATXMINYMAX): names and the
// cells of the data statistics they read. Compiled code reads these cells when it runs,
// so a slot always sees the statistics of the data as they are then.
//
// The language reads the statistics of one session: the program binds its session's
// DataStats at start-up, before any thread evaluates; a test binds the record it fills.
// Unbound, the cells read a record without figures (NoDataStatistics): every statistic is
// refused.
#pragma once

struct TDataStats;

inline constexpr int kExprStatisticCount = 69;
inline constexpr int kExprStatisticsPerAxis = 23;

// Name of statistic i (0..68), in the order the variable table enters them.
const char* ExprStatisticName(int i);
// The live cell of statistic i; never null for 0..68.
const long double* ExprStatisticCell(int i);
// Statistic i (0..68) of a statistics record other than the bound one; 0 for another i.
long double ExprStatisticValue(const TDataStats& stats, int i);
// All 69 cells, indexed like the names.
const long double* const* ExprStatisticCells();

// Binds the record the cells and the data built-ins (XYCNT, NOISE, GNOISE) read; null
// unbinds. Call on the user-interface thread while no evaluation runs; the record must
// outlive the binding.
void ExprBindDataStats(const TDataStats* stats);
// The bound record.
const TDataStats& ExprDataStats();

// Index of the mean of axis 0 (X), 1 (Y) or 2 (Z).
inline constexpr int ExprStatisticMeanIndex(int axis) { return axis * kExprStatisticsPerAxis + 3; }

// What the trial run of a function's compile (ExprFunctionSlot) reads for statistic i
// (0..68) while the bound data do not give it (no active point, no weight): the value of a
// record reset for filling (0, each range 1), so that a line that reads a statistic compiles
// before there are data, as it always did. Run, the compiled line reads the live cell and
// fails there.
long double ExprStatisticTrialValue(int i);

// Where a function is tried before it runs on the data (the test runs of a user function's
// load and validation): the data's mean on axis 0, 1 or 2; where the weights give none, the
// middle of the extremes; without an active point, 0.
long double ExprTrialCoordinate(int axis);
