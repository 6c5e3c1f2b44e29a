// TXYZ: the data-set object the status, graph and smoothing windows build on. It describes
// a source point table it does not own, and owns what it derives from it: a working copy,
// a sorted copy with integer screen coordinates for neighbourhood searches, saved status
// bytes, and up to two statistics blocks (0 of the source, 1 of the working copy).
//
// Every operation that takes a table uses the source when the table is empty (null).
#pragma once

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "app/data_statistics.h"
#include "app/xyz_point.h"

// Screen coordinates run 0 .. 32766 across the window of the screen index.
inline constexpr int kScreenMax = 32766;

class TXYZ {
 public:
  // count := N of the source (0 without one); `stats` becomes statistics block 0 (not
  // owned; may be null).
  TXYZ(std::span<TXYZPoint> source, TDataStats* stats);
  TXYZ(const TXYZ&) = delete;
  TXYZ& operator=(const TXYZ&) = delete;

  std::span<TXYZPoint> Source() const { return source_; }
  std::span<TXYZPoint> Work() { return work_; }
  std::span<TXYZPoint> Sorted() { return sorted_; }

  // The working copy := a copy of the source; returns it.
  std::span<TXYZPoint> ResetWork();
  // Hands the working copy over to the caller and forgets it.
  PointTable TakeWork();
  // The table becomes the working copy (owned from now on).
  void SetWork(PointTable table);
  // The working copy := the source with inactive points removed and replicated positions
  // merged (MergeDuplicates with the four-point fallback); returns it.
  std::span<TXYZPoint> MakeMergedCopy();

  // Saves the status bytes of records 0 .. N (replacing an earlier save) / writes them
  // back over the records that still exist, when a save exists.
  void SaveStatus(std::span<TXYZPoint> table = {});
  void RestoreStatus(std::span<TXYZPoint> table = {});
  // Saves / restores the header's Z minimum and maximum.
  void SaveHeaderExtras(std::span<TXYZPoint> table = {});
  void RestoreHeaderExtras(std::span<TXYZPoint> table = {});
  // Copies the header's Z minimum and maximum from `from` (empty: the source) to `to`
  // (empty: the working copy).
  void CopyHeaderExtras(std::span<TXYZPoint> to = {}, std::span<TXYZPoint> from = {});

  // Installs a statistics block (not owned) as block 0 or 1, freeing an owned one of that
  // number, and refreshes the ranges from it.
  void SetStats(TDataStats* block, int which);
  // The installed block, computed on first use.
  TDataStats* GetStats(int which);
  // Fills block `which` (allocated and owned when none is installed) exactly as the
  // statistics of the data table are filled, from the source (0) or the working copy (1);
  // null for block 1 without a working copy. Then refreshes the ranges.
  TDataStats* ComputeStats(int which);
  // The six ranges := the extremes of block `which`; all 0 without that block.
  void RefreshRanges(int which);

  // Whether the points form a complete rectangular grid: sorted by y then x, every row of
  // equal y holds the same number of points with the same x values, at least two rows
  // and two columns. Sets pointsPerRow and rows on success.
  bool DetectGrid(std::span<TXYZPoint> table = {});

  // The sorted copy := the source sorted by x then y, with the window in its header (Y, Z,
  // RXY, RXYZ := x low, x high, y low, y high), and the screen coordinates of its points.
  void BuildScreenIndex(long double xLow, long double xHigh, long double yLow, long double yHigh);
  // Screen coordinates of a position in the window of the last screen index.
  std::pair<int, int> ScreenCoords(long double x, long double y) const;
  // The k points of the sorted copy nearest to (x, y) in screen units (1 <= k <= N), each
  // with its squared screen distance in RXY, widened so that every quadrant around the
  // target that holds points is represented and the points span at least three distinct
  // screen x and y values where the data allow (one more point, k + 1). Empty without a
  // screen index or for k outside 1 .. N.
  PointTable FindNearest(long double x, long double y, int k) const;

  // n values evenly spaced over xMin .. xMax (yMin .. yMax).
  std::vector<double> GridAxisX(int n) const;
  std::vector<double> GridAxisY(int n) const;
  // Distinct x (y) values among the active points; sorts the table by key 0 (4).
  int CountDistinctX(std::span<TXYZPoint> table = {});
  int CountDistinctY(std::span<TXYZPoint> table = {});

  // Grid found by DetectGrid.
  int pointsPerRow = 0;
  int rows = 0;
  int count = 0;  // N of the source at construction
  long double xMin = 0, xMax = 0, yMin = 0, yMax = 0, zMin = 0, zMax = 0;
  long double savedZMin = 0, savedZMax = 0;

 private:
  std::span<TXYZPoint> Or(std::span<TXYZPoint> table) const {
    return table.empty() ? source_ : table;
  }

  std::span<TXYZPoint> source_;
  PointTable work_;
  PointTable sorted_;
  std::vector<char> saved_status_;
  TDataStats* stats_[2] = {nullptr, nullptr};
  std::unique_ptr<TDataStats> owned_stats_[2];
  std::vector<int> screen_x_, screen_y_;  // entry 0 holds N
  // The screen square cut into cells_per_side_^2 cells of cell_width_ screen units; the
  // points of cell c are cell_points_[cell_start_[c] .. cell_start_[c + 1] - 1].
  int CellOfScreen(int s) const;
  int cells_per_side_ = 1;
  int cell_width_ = kScreenMax + 1;
  std::vector<int> cell_start_, cell_points_;
};

// Side of a point around a target in screen coordinates: 0 right-up, 1 left-up, 2
// left-down, 3 right-down. A target on a window edge puts every point on one side.
int ScreenQuadrant(int sx, int sy, int tx, int ty);
