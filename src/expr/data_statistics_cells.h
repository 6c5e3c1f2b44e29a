// The 69 data-statistic variables of the language (XMIN ... ZATXMINYMAX): names and the
// cells of the data statistics they read. Compiled code reads these cells when it runs,
// so a slot always sees the statistics of the data as they are then.
#pragma once

inline constexpr int kExprStatisticCount = 69;
inline constexpr int kExprStatisticsPerAxis = 23;

// Name of statistic i (0..68), in the order the variable table enters them.
const char* ExprStatisticName(int i);
// The live cell of statistic i; never null for 0..68.
const long double* ExprStatisticCell(int i);
// All 69 cells, indexed like the names.
const long double* const* ExprStatisticCells();

// Index of the mean of axis 0 (X), 1 (Y) or 2 (Z).
inline constexpr int ExprStatisticMeanIndex(int axis) { return axis * kExprStatisticsPerAxis + 3; }
