// One record of an XYZ point table, and the conventions every point table follows.
//
// A point table is a block of records 0 .. N: points are records 1 .. N (1-based
// everywhere), record 0 is a header that reuses the record's fields (see TXYZPoint).
// Functions take a table as std::span over the whole block; an empty span is the null
// table. The point count is read from the header, truncated, and never trusted beyond the
// block: PointCount clamps it to the records that exist, so a damaged header cannot make
// a reader run past the storage.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

inline constexpr char kPointActive = ' ';
inline constexpr char kPointInactive = '*';

struct TXYZPoint {
  long double X = 0;  // header: point count N, an integral value
  long double Y = 0;
  long double Z = 0;  // header: Z minimum of the active points (after the statistics)
  long double W = 0;  // weight, 1 for unweighted data; header: 1.0 when the points carry weights
  char Status = 0;    // ' ' active, '*' inactive, 0 in a cleared record
  long double RXY = 0;   // sqrt(x^2 + y^2); scratch for some operations
  long double RXYZ = 0;  // sqrt(x^2 + y^2 + z^2); header: Z maximum of the active points
  std::uint8_t CellX = 0;  // grid cell along x, 1 .. nx-1
  std::uint8_t CellY = 0;  // grid cell along y, 1 .. ny-1
  // Header: the key 0..21 of the last sort. In a point record the 3D renderer keeps its
  // visibility byte here (1 visible, 0 hidden).
  std::uint8_t SortKey = 0;
  char Marker = 0;  // header: '0' once the import driver has filled the table
};

// An owned point table: records 0 .. N (or 0 .. capacity for a session's data table).
using PointTable = std::vector<TXYZPoint>;

inline bool IsActive(const TXYZPoint& p) { return p.Status != kPointInactive; }

// N from the header, truncated toward zero, clamped to 0 .. records - 1 (0 for NaN and for
// the null table).
int PointCount(std::span<const TXYZPoint> table);

// Writes N into the header (the table must hold the header record).
void SetPointCount(std::span<TXYZPoint> table, int n);

// A zeroed table of n points plus the header, whose count is n; empty (the null table)
// when memory runs out or n is negative.
PointTable NewPointTable(int n);

// Records 1 .. N of a table.
std::span<TXYZPoint> PointsOf(std::span<TXYZPoint> table);
std::span<const TXYZPoint> PointsOf(std::span<const TXYZPoint> table);
