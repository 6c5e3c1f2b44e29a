#include "app/data_statistics.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "app/data_signature.h"
#include "app/data_sort.h"
#include "app/data_session.h"
#include "app/data_table.h"
#include "app/long_double.h"
#include "app/prescan_hooks.h"
#include "platform/busy_window.h"


namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();

// A coordinate or weight the statistics can use: finite, within +-1e300 and not the missing
// value. NaN fails the magnitude test too.
bool Usable(long double v) { return std::fabs(v) <= 1e300L && v != ExprErrorValue; }

// Slot (0 or 1) of axis `a` among the two other axes of axis `b`: the other axes of X are
// Y, Z; of Y, X, Z; of Z, X, Y.
int OtherSlot(int a, int b) { return a < b ? a : a - 1; }

void SetAtMin(TAxisStats& s, int slot, long double v) { (slot == 0 ? s.AtMin1 : s.AtMin2) = v; }
void SetAtMax(TAxisStats& s, int slot, long double v) { (slot == 0 ? s.AtMax1 : s.AtMax2) = v; }

void RecordAxisExtremes(TAxisStats* axes[3], const long double v[3]) {
  for (int a = 0; a < 3; ++a) {
    if (v[a] < axes[a]->Min) {
      axes[a]->Min = v[a];
      for (int b = 0; b < 3; ++b)
        if (b != a) SetAtMin(*axes[b], OtherSlot(a, b), v[b]);
    }
    if (v[a] > axes[a]->Max) {
      axes[a]->Max = v[a];
      for (int b = 0; b < 3; ++b)
        if (b != a) SetAtMax(*axes[b], OtherSlot(a, b), v[b]);
    }
  }
}

}  // namespace

// A negative weight has no meaning in a weighted sum of squares (it would make the spreads
// negative), so such a point is as unusable as one with a missing coordinate.
bool PointUsable(const TXYZPoint& p) {
  return Usable(p.X) && Usable(p.Y) && Usable(p.Z) && Usable(p.W) && p.W >= 0;
}

void ResetDataStats(TDataStats& stats, int activeCount) {
  stats = TDataStats{};
  stats.ActiveCount = activeCount;
  stats.X.Range = stats.Y.Range = stats.Z.Range = 1;
  stats.StartCacheA[0] = -1;
  stats.StartCacheB[0] = -1;
}

namespace {

// The figures of an axis that need weights (and at least 3 points): the mean, the
// deviation and the nine positions about the means.
void MarkWeightedFiguresMissing(TAxisStats& a) {
  a.Mean = a.StdDev = ExprErrorValue;
  for (long double& v : a.AtPos) v = ExprErrorValue;
}

void MarkExtremesMissing(TAxisStats& a) {
  a.Min = a.Max = a.Range = ExprErrorValue;
  a.AtMin1 = a.AtMax1 = a.AtMin2 = a.AtMax2 = ExprErrorValue;
  a.AtMinRXY = a.AtMaxRXY = a.AtMinRXYZ = a.AtMaxRXYZ = ExprErrorValue;
}

}  // namespace

TDataStats NoDataStatistics() {
  TDataStats stats;
  ResetDataStats(stats, 0);
  for (TAxisStats* a : {&stats.X, &stats.Y, &stats.Z}) {
    MarkExtremesMissing(*a);
    MarkWeightedFiguresMissing(*a);
  }
  return stats;
}

TAxisSpan DataAxisSpan(const TAxisStats& axis) {
  if (IsMissingValue(axis.Min) || IsMissingValue(axis.Max)) return {};
  return {axis.Min, axis.Max};
}

// One pass gathers the sums of weights and weighted coordinates (for the means) and the
// extremes; a second pass over the active points forms the spreads about the means and
// finds the points nearest the nine reference positions. Summing squared deviations
// about the mean, rather than the raw moments sum(w v^2) sum(w) - (sum(w v))^2, keeps
// every digit for data far from the origin (x near 1e6 loses nothing), and the plane is
// solved from the same centred sums: Cramer's rule on the centred normal equations, which
// is the raw system with the constant term eliminated.
//
// The standard deviation is the sample form with the sum of weights standing for n,
// sqrt((sum w v^2 sum w - (sum w v)^2) / (sum w (sum w - 1))), formed as
// sqrt(sum w (v-m)^2 / (sum w - 1)), which is the same quantity without the cancellation.
// When the weights sum to 1 or less that form has no degrees of freedom (a zero or negative
// divisor): the deviation is then the missing value, shown as a figure that cannot be formed.
int ComputeTableStatistics(std::span<TXYZPoint> table, TDataStats& stats) {
  std::span<TXYZPoint> points = PointsOf(table);

  TAxisStats x, y, z;
  TAxisStats* axes[3] = {&x, &y, &z};
  for (TAxisStats* a : axes) {
    a->Min = kInf;
    a->Max = -kInf;
  }
  long double min_rxy = kInf, max_rxy = -kInf, min_rxyz = kInf, max_rxyz = -kInf;
  long double sw = 0, swx = 0, swy = 0, swz = 0;
  int active = 0, weighted = 0;

  for (TXYZPoint& p : points) {
    p.RXY = std::sqrt(p.X * p.X + p.Y * p.Y);
    p.RXYZ = std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z);
    if (p.Status == kPointInactive) continue;
    if (!PointUsable(p)) {
      p.Status = kPointInactive;
      continue;
    }
    ++active;
    if (p.W > 0) ++weighted;
    sw += p.W;
    swx += p.W * p.X;
    swy += p.W * p.Y;
    swz += p.W * p.Z;
    const long double v[3] = {p.X, p.Y, p.Z};
    RecordAxisExtremes(axes, v);
    if (p.RXY < min_rxy) {
      min_rxy = p.RXY;
      x.AtMinRXY = p.X, y.AtMinRXY = p.Y, z.AtMinRXY = p.Z;
    }
    if (p.RXY > max_rxy) {
      max_rxy = p.RXY;
      x.AtMaxRXY = p.X, y.AtMaxRXY = p.Y, z.AtMaxRXY = p.Z;
    }
    if (p.RXYZ < min_rxyz) {
      min_rxyz = p.RXYZ;
      x.AtMinRXYZ = p.X, y.AtMinRXYZ = p.Y, z.AtMinRXYZ = p.Z;
    }
    if (p.RXYZ > max_rxyz) {
      max_rxyz = p.RXYZ;
      x.AtMaxRXYZ = p.X, y.AtMaxRXYZ = p.Y, z.AtMaxRXYZ = p.Z;
    }
  }

  // Too few points, or weights that do not sum to a positive value, give no weighted
  // statistics: the record keeps nothing of earlier data, and holds the extremes of the
  // points there are (they need no weight) and the missing value for every other figure.
  // Reset to 0 they read as figures: XMEAN gave 0 with all weights 0, and the status window
  // showed a minimum and maximum of 0 for x spanning 1.1 .. 4.67.
  if (active < 3 || !(sw > 0) || !std::isfinite(sw)) {
    stats = NoDataStatistics();
    stats.ActiveCount = active;
    stats.WeightedCount = weighted;
    if (active > 0) {
      for (TAxisStats* a : axes) {
        a->Range = a->Max - a->Min;
        MarkWeightedFiguresMissing(*a);
      }
      stats.X = x;
      stats.Y = y;
      stats.Z = z;
    }
    if (!table.empty()) {
      table[0].Z = active > 0 ? z.Min : 0;
      table[0].RXYZ = active > 0 ? z.Max : 0;
    }
    return 0;
  }

  x.Mean = swx / sw;
  y.Mean = swy / sw;
  z.Mean = swz / sw;

  long double sxx = 0, syy = 0, szz = 0, sxy = 0, sxz = 0, syz = 0;
  for (const TXYZPoint& p : points) {
    if (p.Status == kPointInactive) continue;
    const long double dx = p.X - x.Mean, dy = p.Y - y.Mean, dz = p.Z - z.Mean;
    sxx += p.W * dx * dx;
    syy += p.W * dy * dy;
    szz += p.W * dz * dz;
    sxy += p.W * dx * dy;
    sxz += p.W * dx * dz;
    syz += p.W * dy * dz;
  }

  const bool spread_known = sw > 1;
  x.StdDev = spread_known ? std::sqrt(sxx / (sw - 1)) : ExprErrorValue;
  y.StdDev = spread_known ? std::sqrt(syy / (sw - 1)) : ExprErrorValue;
  z.StdDev = spread_known ? std::sqrt(szz / (sw - 1)) : ExprErrorValue;
  for (TAxisStats* a : axes) a->Range = a->Max - a->Min;

  // Nearest active point to each reference position; the earliest of equally near points.
  const long double px[3] = {x.Max, x.Mean, x.Min};
  const long double py[3] = {y.Min, y.Mean, y.Max};
  long double best[9];
  for (long double& b : best) b = kInf;
  for (const TXYZPoint& p : points) {
    if (p.Status == kPointInactive) continue;
    for (int k = 0; k < 9; ++k) {
      const long double dx = p.X - px[k % 3], dy = p.Y - py[k / 3];
      const long double d = dx * dx + dy * dy;
      if (d < best[k]) {
        best[k] = d;
        x.AtPos[k] = p.X, y.AtPos[k] = p.Y, z.AtPos[k] = p.Z;
      }
    }
  }

  stats.ActiveCount = active;
  stats.WeightedCount = weighted;
  stats.X = x;
  stats.Y = y;
  stats.Z = z;
  // The weights of the points that take part add up to their count, so that a point of
  // weight 0 changes no weight, sum of squares or statistic of a fit.
  stats.WeightScale = weighted / sw;
  stats.SSTotal = stats.WeightScale * szz;
  stats.StartCacheA[0] = -1;
  stats.StartCacheB[0] = -1;

  // The plane z = A + B x + C y. A system that is singular, or singular to working
  // precision (x or y constant, or x and y on one line), gives A = B = C = 1.
  const long double det = sxx * syy - sxy * sxy;
  if (x.Range == 0 || y.Range == 0 || !(det > 64 * LDBL_EPSILON * sxx * syy)) {
    stats.PlaneA = stats.PlaneB = stats.PlaneC = 1;
  } else {
    stats.PlaneB = (sxz * syy - syz * sxy) / det;
    stats.PlaneC = (syz * sxx - sxz * sxy) / det;
    stats.PlaneA = z.Mean - stats.PlaneB * x.Mean - stats.PlaneC * y.Mean;
  }

  table[0].Z = z.Min;
  table[0].RXYZ = z.Max;
  return active;
}

long double AxisSpread(const TAxisStats& axis) {
  return IsMissingValue(axis.StdDev) ? axis.Range / 4 : axis.StdDev;
}

namespace {

// Distinct values of one coordinate among the active points of a table sorted on it.
template <class Get>
int CountDistinctSorted(std::span<const TXYZPoint> table, Get get) {
  int count = 0;
  long double last = 0;
  for (const TXYZPoint& p : PointsOf(table)) {
    if (!IsActive(p)) continue;
    const long double v = get(p);
    if (count == 0 || v != last) {
      ++count;
      last = v;
    }
  }
  return count;
}

}  // namespace

int CountTableDistinctX(std::span<TXYZPoint> table) {
  SortDataTable(table, 0);
  return CountDistinctSorted(table, [](const TXYZPoint& p) { return p.X; });
}

int CountTableDistinctY(std::span<TXYZPoint> table) {
  SortDataTable(table, 4);
  return CountDistinctSorted(table, [](const TXYZPoint& p) { return p.Y; });
}

// A run is a maximal sequence of active points at exactly the same (x, y); inactive
// records between them belong to no run. Each run's sum of squares is taken about its own
// mean in a second look at its points, which keeps its digits when z is large.
TPureError TablePureErrorSums(std::span<const TXYZPoint> table) {
  std::span<const TXYZPoint> points = PointsOf(table);
  TPureError result;
  const std::size_t none = points.size();
  std::size_t run_start = none;  // first point of the current run
  int run_count = 0;

  auto close_run = [&](std::size_t end) {  // the run's points lie in [run_start, end)
    if (run_count < 2) return;
    long double sum = 0;
    for (std::size_t i = run_start; i < end; ++i)
      if (IsActive(points[i])) sum += points[i].Z;
    const long double mean = sum / run_count;
    for (std::size_t i = run_start; i < end; ++i) {
      if (!IsActive(points[i])) continue;
      const long double d = points[i].Z - mean;
      result.SS += d * d;
    }
    result.DOF += run_count - 1;
  };

  for (std::size_t i = 0; i < points.size(); ++i) {
    const TXYZPoint& p = points[i];
    if (!IsActive(p)) continue;
    if (p.W != 1) return TPureError{};
    if (run_start != none && p.X == points[run_start].X && p.Y == points[run_start].Y) {
      ++run_count;
      continue;
    }
    if (run_start != none) close_run(i);
    run_start = i;
    run_count = 1;
  }
  if (run_start != none) close_run(points.size());
  return result;
}

int ColumnRangeStatistics(std::span<TXYZPoint> table, long double& xMin, long double& xMax,
                          long double& yMin, long double& yMax, long double& zMin,
                          long double& zMax) {
  long double lo[3] = {kInf, kInf, kInf}, hi[3] = {-kInf, -kInf, -kInf};
  int active = 0;
  for (const TXYZPoint& p : PointsOf(table)) {
    if (!IsActive(p) || !PointUsable(p)) continue;
    ++active;
    const long double v[3] = {p.X, p.Y, p.Z};
    for (int a = 0; a < 3; ++a) {
      if (v[a] < lo[a]) lo[a] = v[a];
      if (v[a] > hi[a]) hi[a] = v[a];
    }
  }
  if (active == 0) {
    for (int a = 0; a < 3; ++a) lo[a] = hi[a] = 0;
  }
  xMin = lo[0], xMax = hi[0], yMin = lo[1], yMax = hi[1], zMin = lo[2], zMax = hi[2];
  if (!table.empty()) {
    table[0].Z = zMin;
    table[0].RXYZ = zMax;
  }
  return active;
}

namespace {

int ComputeLocked(TDataTable& table, TDataStats& stats) {
  table.SetXYZRows(PointCount(table.XYZData()));
  return ComputeTableStatistics(table.XYZData(), stats);
}

}  // namespace

int ComputeDataStatistics(TDataTable& table, TDataStats& stats) {
  DataTableWriteLock lock(table.Mutex());
  return ComputeLocked(table, stats);
}

int PrepareDataForFit(TDataTable& table, TDataStats& stats) {
  DataTableWriteLock lock(table.Mutex());
  ComputeLocked(table, stats);
  std::span<TXYZPoint> data = table.XYZData();
  stats.DistinctY = CountTableDistinctY(data);
  stats.DistinctX = CountTableDistinctX(data);
  const TPureError pure = TablePureErrorSums(data);
  stats.PureErrorSS = pure.SS;
  stats.PureErrorDOF = pure.DOF;
  return stats.ActiveCount;
}

void GetDataRanges(const TDataStats& stats, long double& xMin, long double& xMax,
                   long double& yMin, long double& yMax, long double& zMin, long double& zMax) {
  auto widen = [](const TAxisStats& a, long double& lo, long double& hi) {
    const TAxisSpan span = DataAxisSpan(a);
    lo = span.low;
    hi = span.high;
    if (lo == hi) {
      lo -= 0.5L;
      hi += 0.5L;
    }
  };
  widen(stats.X, xMin, xMax);
  widen(stats.Y, yMin, yMax);
  widen(stats.Z, zMin, zMax);
}

int PrepareDataForFit(TDataSession& session) {
  int active = 0;
  KeepSavedMarkAcross(session, [&] { active = PrepareDataForFit(session.Table, session.DataStats); });
  return active;
}

void PrescanData(TDataSession& session, platform::Window parent) {
  TPrescanHooks& hooks = PrescanHooks();
  if (hooks.VoidFitResults) hooks.VoidFitResults(session);
  ShowBusyMsg(parent, "Data PreScan", "PreScan in Progess", 1);
  PrepareDataForFit(session);
  if (hooks.ParseAllUdfParams) hooks.ParseAllUdfParams(session);
  session.DataFingerprint = DataSignature(session.Table.XYZData());
  if (hooks.StartBackgroundFit) hooks.StartBackgroundFit(session);
  HideBusyMsg();
}
