// Operations on any point table (xyz_point.h): copies, compaction, duplicate merging,
// columns, evenly spaced axes, grids built from and read into matrices, distinct values and
// the collinearity test. The graph, status and smoothing windows build on them.
//
// Functions that make a new table return it by value; an empty table (no header record)
// stands for the null table of a failed allocation. None of them keeps state between
// calls.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "app/xyz_point.h"
#include "numerics/ld_matrix.h"

// A copy of records 0 .. N (N from the header).
PointTable CopyPoints(std::span<const TXYZPoint> table);
inline PointTable DupPoints(std::span<const TXYZPoint> table) { return CopyPoints(table); }

// Removes the inactive points, moving every other record whole towards the front; the
// records freed at the end are zeroed. The header count becomes the number kept, which is
// returned.
int CompactPoints(std::span<TXYZPoint> table);

// Merges replicated positions: points whose x and y lie in one step of 2^-24 of the data's
// span ((v - low) / (high - low), the same resolution at the span's ends as within it), and
// whose values are one 32-bit float as well, form a run, whatever lies between them in the
// table's order (the points are first ordered by those places and floats, x first, keeping
// the table's order among equal ones). A run becomes one active point at its last point's x
// and y with the mean Z of the run and the sum of its weights; other points are copied (X,
// Y, Z, W) as active, in the order of their places.
// The header W becomes 1 when any run was merged. With compactFirst, inactive points are
// removed first. With fourPointFallback and fewer than 4 points left, the result becomes
// the table's points 1, 2, N-1 and N (status 0) when the table has at least 4 points (a
// smaller table is returned as merged). Empty when memory runs out.
PointTable MergeDuplicates(std::span<const TXYZPoint> table, bool compactFirst,
                           bool fourPointFallback);

// One column of records 1 .. N as doubles (index 0 is point 1); PointsXY interleaves
// x1, y1, x2, y2, ...
std::vector<double> PointsX(std::span<const TXYZPoint> table);
std::vector<double> PointsY(std::span<const TXYZPoint> table);
std::vector<double> PointsZ(std::span<const TXYZPoint> table);
std::vector<double> PointsXY(std::span<const TXYZPoint> table);

// n values from a to b: a, then a + i (b - a) / (n - 1) for i = 1 .. n - 2, then b exactly.
// n = 1 gives just a; n <= 0 nothing.
std::vector<double> LinSpace(double a, double b, int n);
std::vector<long double> MakeGridAxisLD(long double a, long double b, int n);

// A table of nx * ny active points of weight 1 over the axes, x varying fastest: point
// k = j nx + i + 1 is (x[i], y[j], z[k - 1]). Empty when a vector is shorter than the grid
// needs or memory runs out.
PointTable BuildGridPoints(std::span<const double> z, int nx, int ny, std::span<const double> x,
                           std::span<const double> y);
PointTable BuildGridPointsLD(std::span<const long double> z, int nx, int ny,
                             std::span<const long double> x, std::span<const long double> y);

// Reads a complete nx x ny grid table: sorts it by y, then x (key 4); x[i] := X of point
// i + 1, y[j] := Y of point j nx + 1, z[k] := Z of point k + 1 (row j holds y[j]). False
// (outputs untouched) when the table holds fewer than nx * ny points.
bool GridPointsToMatrix(std::span<TXYZPoint> table, int nx, int ny, std::vector<double>& x,
                        std::vector<double>& y, std::vector<double>& z);

// The same in long doubles, indexed from 1: x[1..nx], y[1..ny] as above, and z[j][i] for
// i = 1 .. nx, j = 1 .. ny read after a sort by x, then y (key 0). Nothing when the table
// holds fewer than nx * ny points or memory runs out.
struct TGridMatrixLD {
  std::vector<long double> x, y;
  LDMatrix z{0, 0};
};
std::optional<TGridMatrixLD> GridPointsToMatrixLD(std::span<TXYZPoint> table, int nx, int ny);

// The distinct x (y) values of the active points in ascending order, compared exactly in
// the result's type. Sorts the table by x (key 0) (by y, key 4), and stores in every
// record's RXY (RXYZ for y) the 0-based index of the last distinct value reached (0 before
// the first).
std::vector<double> DistinctXValues(std::span<TXYZPoint> table);
std::vector<double> DistinctYValues(std::span<TXYZPoint> table);
std::vector<long double> DistinctXValuesLD(std::span<TXYZPoint> table);
std::vector<long double> DistinctYValuesLD(std::span<TXYZPoint> table);

// The points laid out on the grid of their distinct x and y values: every cell holds the
// default value until a point (active or not, in table order, a later one winning) falls
// on it. z has ny * nx cells, row-major in y.
struct TGridMatrix {
  std::vector<double> x, y, z;
};
TGridMatrix PointsToGridMatrix(std::span<TXYZPoint> table, double defaultValue);

// True when the table has fewer than 3 points or every point lies on the line through
// point 1 and the first point distinct from it (points at point 1's position lie on any
// line). Collinearity is judged by the cross product with a relative tolerance, so that
// points that are collinear up to rounding count as collinear.
// When the points are not collinear and reorder is set, the first three points are made
// non-collinear when they are not already: point 2 is exchanged with the first point off
// the line (and, should point 3 then coincide with point 1, point 3 with a point on the
// line distinct from point 1); movedOut (may be null) receives the index of the first
// point off the line when an exchange was made, else 0.
bool IsCollinearXY(std::span<TXYZPoint> table, bool reorder, int* movedOut);
