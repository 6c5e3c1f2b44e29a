// Reordering point tables in place by one of 22 sort keys, and the grid cells the 3D
// renderer draws points by.
//
//   key  first field   second field       key  first field    second field
//    0   X asc         Y asc              11   RXY desc       -
//    1   X desc        Y asc              12   RXYZ asc       -
//    2   X asc         Y desc             13   RXYZ desc      -
//    3   X desc        Y desc             14   CellX asc      CellY asc
//    4   Y asc         X asc              15   CellX desc     CellY asc
//    5   Y asc         X desc             16   CellX asc      CellY desc
//    6   Y desc        X asc              17   CellX desc     CellY desc
//    7   Y desc        X desc             18   CellY asc      CellX asc
//    8   Z asc         -                  19   CellY desc     CellX asc
//    9   Z desc        -                  20   CellY asc      CellX desc
//   10   RXY asc       -                  21   CellY desc     CellX desc
//
// The second field decides only between records whose first fields are equal. The sort is
// not stable: records equal in every key field come out in no particular order. A NaN
// coordinate (which the statistics make inactive, but a table may still hold one) sorts
// after every number in ascending order and before them in descending order, so it can
// never break the ordering the sort relies on.
//
// Every routine works only on the table it is given and keeps no state, so two threads may
// sort two tables at the same time.
#pragma once

#include <span>

#include "app/xyz_point.h"

inline constexpr int kSortKeyCount = 22;

// Sorts records 1 .. N (N from the header) by the key and stores the key in the header's
// SortKey byte. A key outside 0..21 sorts by key 0 and stores 0. A null (empty) table is
// left alone.
void SortDataTable(std::span<TXYZPoint> table, int key);

// The same entry point, under the name the data-set operations use.
inline void SortPoints(std::span<TXYZPoint> table, int key) { SortDataTable(table, key); }

// Sorts only records first .. last (clamped to 1 .. N) by x, then y; the header is left
// as it is.
void SortPointsByXY(std::span<TXYZPoint> table, int first, int last);

// Orders `index` (record numbers of `table`, 1 .. N) by the key without moving any record,
// for a reader that must not reorder a shared table. Numbers outside 1 .. N are left at
// the end in their order.
void SortPointIndex(std::span<const TXYZPoint> table, std::span<int> index, int key);

// Gives every point its grid cell and sorts the table cell by cell.
// v := x (or log10 x with xLog; points with x <= 0 then take xLow and fall into the lowest
// cell); with m = nx - 1: CellX := 1 when v <= xLow, m when v >= xHigh, else
// trunc((v - xLow) / (xHigh - xLow) * m) + 1. CellY likewise. Then the table is sorted by
// key 14, 16, 15 or 17 (yFirst false) or 18, 19, 20 or 21 (yFirst true) for
// (xDescending, yDescending) = (0,0), (0,1), (1,0), (1,1).
// The cells are bytes: nx and ny are clamped to 2 .. 256, and a NaN coordinate goes to
// cell 1.
void AssignPointCells(std::span<TXYZPoint> table, long double xHigh, long double xLow, int nx,
                      long double yHigh, long double yLow, int ny, bool xDescending,
                      bool yDescending, bool xLog, bool yLog, bool yFirst);

// The cell of one coordinate, as AssignPointCells computes it (m = cells - 1, 1 .. 255).
int PointCell(long double v, long double low, long double high, int cells, bool logScale);
