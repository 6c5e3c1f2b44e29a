#include "expr/data_statistics_cells.h"

#include <array>

#include "app/data_statistics.h"
#include "platform/gui_thread.h"

namespace {

constexpr std::array<const char*, kExprStatisticCount> kNames = {
    "XMIN", "XMAX", "XRANGE", "XMEAN", "XMN", "XSTD", "XATYMIN", "XATYMAX", "XATZMIN",
    "XATZMAX", "XATXYMIN", "XATXYMAX", "XATXYZMIN", "XATXYZMAX", "XATXMAXYMIN", "XATXMNYMIN",
    "XATXMINYMIN", "XATXMAXYMN", "XATXMNYMN", "XATXMINYMN", "XATXMAXYMAX", "XATXMNYMAX",
    "XATXMINYMAX",
    "YMIN", "YMAX", "YRANGE", "YMEAN", "YMN", "YSTD", "YATXMIN", "YATXMAX", "YATZMIN",
    "YATZMAX", "YATXYMIN", "YATXYMAX", "YATXYZMIN", "YATXYZMAX", "YATXMAXYMIN", "YATXMNYMIN",
    "YATXMINYMIN", "YATXMAXYMN", "YATXMNYMN", "YATXMINYMN", "YATXMAXYMAX", "YATXMNYMAX",
    "YATXMINYMAX",
    "ZMIN", "ZMAX", "ZRANGE", "ZMEAN", "ZMN", "ZSTD", "ZATXMIN", "ZATXMAX", "ZATYMIN",
    "ZATYMAX", "ZATXYMIN", "ZATXYMAX", "ZATXYZMIN", "ZATXYZMAX", "ZATXMAXYMIN", "ZATXMNYMIN",
    "ZATXMINYMIN", "ZATXMAXYMN", "ZATXMNYMN", "ZATXMINYMN", "ZATXMAXYMAX", "ZATXMNYMAX",
    "ZATXMINYMAX",
};

// Field f (0..22) of one axis block, in the order of the names above; "MN" is the mean
// again. The "AT" fields of an axis name the other axes in the order X, Y, Z without
// itself, which is the order of AtMin1/AtMax1 and AtMin2/AtMax2.
const long double* AxisCell(const TAxisStats& a, int f) {
  switch (f) {
    case 0: return &a.Min;
    case 1: return &a.Max;
    case 2: return &a.Range;
    case 3: return &a.Mean;
    case 4: return &a.Mean;
    case 5: return &a.StdDev;
    case 6: return &a.AtMin1;
    case 7: return &a.AtMax1;
    case 8: return &a.AtMin2;
    case 9: return &a.AtMax2;
    case 10: return &a.AtMinRXY;
    case 11: return &a.AtMaxRXY;
    case 12: return &a.AtMinRXYZ;
    case 13: return &a.AtMaxRXYZ;
    default: return &a.AtPos[f - 14];
  }
}

}  // namespace

const char* ExprStatisticName(int i) {
  return (i >= 0 && i < kExprStatisticCount) ? kNames[static_cast<std::size_t>(i)] : nullptr;
}

namespace {

// Read by every thread that evaluates; written only by the binding, on the user-interface
// thread before any evaluation starts.
struct TBoundStatistics {
  const TDataStats* stats = nullptr;
  std::array<const long double*, kExprStatisticCount> cells{};
};

const TDataStats& UnboundStats() {
  static const TDataStats none = NoDataStatistics();
  return none;
}

const long double* StatisticCell(const TDataStats& stats, int i) {
  const TAxisStats* axes[3] = {&stats.X, &stats.Y, &stats.Z};
  return AxisCell(*axes[i / kExprStatisticsPerAxis], i % kExprStatisticsPerAxis);
}

void Bind(TBoundStatistics& b, const TDataStats& stats) {
  b.stats = &stats;
  for (int i = 0; i < kExprStatisticCount; ++i) b.cells[static_cast<std::size_t>(i)] = StatisticCell(stats, i);
}

TBoundStatistics& Bound() {
  static TBoundStatistics bound = [] {
    TBoundStatistics b;
    Bind(b, UnboundStats());
    return b;
  }();
  return bound;
}

}  // namespace

void ExprBindDataStats(const TDataStats* stats) {
  platform::AssertUiThread();
  Bind(Bound(), stats ? *stats : UnboundStats());
}

const TDataStats& ExprDataStats() { return *Bound().stats; }

const long double* const* ExprStatisticCells() { return Bound().cells.data(); }

long double ExprStatisticValue(const TDataStats& stats, int i) {
  return i >= 0 && i < kExprStatisticCount ? *StatisticCell(stats, i) : 0.0L;
}

long double ExprStatisticTrialValue(int i) {
  static const TDataStats reset = [] {
    TDataStats s;
    ResetDataStats(s, 0);
    return s;
  }();
  return ExprStatisticValue(reset, i);
}

long double ExprTrialCoordinate(int axis) {
  const TDataStats& s = ExprDataStats();
  const TAxisStats& a = axis == 0 ? s.X : axis == 1 ? s.Y : s.Z;
  if (!IsMissingValue(a.Mean)) return a.Mean;
  const TAxisSpan span = DataAxisSpan(a);
  return (span.low + span.high) / 2;
}

const long double* ExprStatisticCell(int i) {
  if (i < 0 || i >= kExprStatisticCount) return nullptr;
  return ExprStatisticCells()[i];
}
