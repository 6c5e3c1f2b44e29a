// Statistics of a point table: ranges, weighted means and standard deviations, the
// points at the extremes, a weighted least-squares plane, the distinct X and Y counts that
// bound the fitters' polynomial orders, and the replicate (pure-error) sum of squares.
//
// A session keeps the record of its XYZ data table (TDataSession::DataStats), rewritten by
// every pre-scan (PrescanData) after the table changed.
#pragma once

#include <span>

#include "app/long_double.h"
#include "app/xyz_point.h"
#include "platform/window.h"

// Statistics of one axis. "The other axes" of X are Y then Z; of Y, X then Z; of Z, X
// then Y.
struct TAxisStats {
  long double Min = 0, Max = 0;  // over the active points
  long double Range = 0;         // Max - Min
  long double Mean = 0;          // weighted mean
  long double StdDev = 0;        // weighted sample deviation; missing when the weights sum to 1 or less
  long double AtMin1 = 0, AtMax1 = 0;  // this axis at the points holding the min / max of the first other axis
  long double AtMin2 = 0, AtMax2 = 0;  // ... of the second other axis
  long double AtMinRXY = 0, AtMaxRXY = 0;    // at the smallest / largest sqrt(x^2+y^2)
  long double AtMinRXYZ = 0, AtMaxRXYZ = 0;  // at the smallest / largest sqrt(x^2+y^2+z^2)
  // At the active point nearest (in the x-y plane) to each of nine positions, in this
  // order: (Xmax, Ymin), (Xmean, Ymin), (Xmin, Ymin), (Xmax, Ymean), (Xmean, Ymean),
  // (Xmin, Ymean), (Xmax, Ymax), (Xmean, Ymax), (Xmin, Ymax).
  long double AtPos[9] = {};
};

struct TDataStats {
  int ActiveCount = 0;  // fitting needs at least 4 active points, the statistics at least 3
  // Active points of positive weight: the observations a fit is made from. A point of
  // weight 0 adds nothing to any sum, so it is no degree of freedom either.
  int WeightedCount = 0;
  int DistinctX = 0;    // distinct x values among the active points
  int DistinctY = 0;
  TAxisStats X, Y, Z;
  long double WeightScale = 0;  // WeightedCount / sum of weights
  long double SSTotal = 0;      // weighted total sum of squares of Z about its mean
  long double XScale = 0, YScale = 0;  // set and read by the fit-run driver
  // Start-value caches of the non-linear families; a first element of -1 marks a cache
  // that is not computed yet (every scan sets it).
  long double StartCacheA[8] = {};
  long double StartCacheB[8] = {};
  long double PlaneA = 0, PlaneB = 0, PlaneC = 0;  // weighted least squares z = A + B x + C y
  long double PureErrorDOF = 0;
  long double PureErrorSS = 0;
};

// A clean record to fill: all zero, each axis range 1, both start caches marked not
// computed, and the given active count.
void ResetDataStats(TDataStats& stats, int activeCount = 0);

// The statistics of a table without an active point (start-up, an emptied table): every
// figure of every axis is the missing value, which the windows and exports show as not
// available ("n/a") and the calculation language refuses ("Data Statistic Undefined").
TDataStats NoDataStatistics();

// Whether the weighted figures exist (at least 3 active points whose weights sum above 0):
// a fit is made from them, and points that all weigh nothing give none.
inline bool HasWeightedStatistics(const TDataStats& stats) { return !IsMissingValue(stats.X.Mean); }

// Whether the statistics hold the extremes of their active points (none: no active point).
inline bool HasDataExtremes(const TDataStats& stats) { return !IsMissingValue(stats.X.Min); }

// The span of an axis's active points that graphs and grids are scaled to: Min and Max, or
// 0 and 0 when the statistics hold no extremes (no active point: nothing to span).
struct TAxisSpan {
  long double low = 0.0L;
  long double high = 0.0L;
};
TAxisSpan DataAxisSpan(const TAxisStats& axis);

// Whether the statistics and the fits can use a point: coordinates and weight finite, within
// +-1e300 and not the missing value, the weight not negative. The pre-scan marks any other
// point inactive.
bool PointUsable(const TXYZPoint& p);

// Scans records 1 .. N of a table into `stats` (distinct counts and pure-error sums
// excepted):
// - every record gets RXY = sqrt(x^2+y^2) and RXYZ = sqrt(x^2+y^2+z^2);
// - a point whose X, Y, Z or W is not finite, beyond +-1e300, or the missing value, or
//   whose weight is negative, is made inactive ('*'); inactive points take no further part;
// - per axis: Min, Max (ties: the earliest point), Range, weighted Mean and StdDev; the
//   partner coordinates at the extremes and at the nine reference positions;
// - WeightedCount, WeightScale, SSTotal, the plane, and the start caches marked not computed;
// - the header's Z and RXYZ receive Zmin and Zmax.
// Returns the active count, or 0 when fewer than 3 points are active or the weights do not
// sum to a positive value. Then only the extremes are figures (the smallest and largest
// values and the partners at them, over the active points, whatever their weights); the
// weighted figures (means, deviations, the nine positions) are the missing value, never 0
// or the figures of earlier data; the header's Z range is Zmin .. Zmax (0 .. 0 without an
// active point).
int ComputeTableStatistics(std::span<TXYZPoint> table, TDataStats& stats);

// The spread that scales and start values are drawn from: the standard deviation, or a
// quarter of the range where the weights leave the deviation undefined.
long double AxisSpread(const TAxisStats& axis);

// The number of distinct x (y) values among the active points, compared exactly. Sorts the
// table by key 0 (4).
int CountTableDistinctX(std::span<TXYZPoint> table);
int CountTableDistinctY(std::span<TXYZPoint> table);

// Replicate sums of a table sorted by x, then y (key 0). Runs of active points at exactly
// the same (x, y) each add their sum of squares about the run's mean, and run length - 1
// degrees of freedom. Weighted data (an active point whose W is not 1) have no pure-error
// term: both results are 0.
struct TPureError {
  long double SS = 0;
  long double DOF = 0;
};
TPureError TablePureErrorSums(std::span<const TXYZPoint> table);

// The range part of the scan for any table: fills the six extremes over the active points
// (all 0 when none is active) and writes Zmin and Zmax into the header; returns the
// number of active points. Points are not made inactive here.
int ColumnRangeStatistics(std::span<TXYZPoint> table, long double& xMin, long double& xMax,
                          long double& yMin, long double& yMax, long double& zMin,
                          long double& zMax);

class TDataTable;
struct TDataSession;

// A session's table (each takes the table's write lock while it works):
int ComputeDataStatistics(TDataTable& table, TDataStats& stats);  // ComputeTableStatistics
// ComputeDataStatistics, then DistinctY and DistinctX (in that order, so the table ends
// sorted by x, then y, with header SortKey 0), then the pure-error sums; returns
// ActiveCount.
int PrepareDataForFit(TDataTable& table, TDataStats& stats);
// The same on a session's table and statistics. The sort, and the points it cannot use made
// inactive, are the program's own: data as last read or saved stay so (KeepSavedMarkAcross,
// app/data_saved_mark.h).
int PrepareDataForFit(TDataSession& session);

// The six ranges of the statistics (DataAxisSpan); a pair whose min equals its max is widened
// to min - 0.5 .. max + 0.5 (the plotting and gridding commands use these as axis ranges).
void GetDataRanges(const TDataStats& stats, long double& xMin, long double& xMax,
                   long double& yMin, long double& yMax, long double& zMin, long double& zMax);

// The pre-scan every command that changed the session's data table calls: voids the fit
// results, shows the busy window over `parent`, PrepareDataForFit, re-evaluates the user
// functions' parameter limits, recomputes DataFingerprint, restarts the background fit and
// hides the busy window. The steps that belong to other subsystems go through the hooks of
// prescan_hooks.h.
void PrescanData(TDataSession& session, platform::Window parent = nullptr);
