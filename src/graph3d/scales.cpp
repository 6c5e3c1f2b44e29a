// Axis scales: the axis ranges and divisions the graph box shows, computed from the data
// (or function) ranges, the zoom factors and the log flags of the scaling block.
#include "graph3d/scales.h"

#include <algorithm>
#include <cmath>

#include "graph3d/renderer.h"

DecimalParts Decompose(long double v) {
  DecimalParts out;
  if (v == 0 || !std::isfinite(v)) return out;
  long double m = std::fabs(v);
  int e = 0;
  while (m >= 10) {
    m *= 0.1L;
    ++e;
  }
  while (m < 1) {
    m *= 10;
    --e;
  }
  if (m > 9.99999999999999L) {
    m = 1;
    ++e;
  }
  out.mantissa = v < 0 ? -m : m;
  out.exponent = e;
  return out;
}

AxisDivisions NiceDivisions(long double lo, long double hi, bool logAxis) {
  AxisDivisions d;
  if (logAxis) {
    const DecimalParts plo = Decompose(lo);
    const DecimalParts phi = Decompose(hi);
    d.start = plo.exponent;
    d.step = static_cast<long double>(phi.exponent - plo.exponent) + 1;
    int n = static_cast<int>(d.step);
    if (plo.mantissa == 1 && phi.mantissa == 1 && n > 1) --n;
    d.step = 1;
    if (n > 20) {
      n = 20;
      d.start = phi.exponent - 19;
    }
    // Data without a positive value can put the high decade below the low one; an axis
    // without divisions would have no extent, so it keeps one decade.
    d.count = std::max(n, 1);
    return d;
  }
  const DecimalParts range = Decompose(hi - lo);
  int n = static_cast<int>(std::ceil(range.mantissa));
  const long double unit = std::pow(10.0L, static_cast<long double>(range.exponent));
  d.start = std::floor(lo / unit) * unit;
  d.step = unit;
  if (d.start + n * d.step < hi) ++n;
  switch (n) {
    case 1: n = 8; d.step *= 0.125L; break;
    case 2: n = 8; d.step *= 0.25L; break;
    case 3: n = 6; d.step *= 0.5L; break;
    case 4: n = 8; d.step *= 0.5L; break;
    case 5: n = 10; d.step *= 0.5L; break;
    default: break;
  }
  while (n > 4 && hi < d.start + d.step * (n - 1)) --n;
  while (n > 4 && d.start + d.step < lo) {
    d.start += d.step;
    --n;
  }
  // An empty range (lo = hi = 0) would give no division and an axis without extent.
  d.count = std::max(n, 1);
  return d;
}

long double DivisionsTop(long double lo, long double hi, bool logAxis) {
  constexpr long double kHair = 1e-7L;
  if (logAxis) return hi * (1 - kHair);
  const long double hair = std::min(std::fabs(hi), std::fabs(hi - lo)) * kHair;
  return hi < 0 ? hi + hair : hi - hair;
}

void WidenUnreadableRange(long double& lo, long double& hi, int digits) {
  const long double mid = (lo + hi) / 2;
  const long double magnitude = std::fabs(mid);
  if (!std::isfinite(mid) || magnitude == 0) return;
  const long double resolution = magnitude * std::pow(10.0L, static_cast<long double>(1 - std::max(digits, 1)));
  if (std::fabs(hi - lo) >= resolution) return;
  lo = mid - magnitude * 0.05L;
  hi = mid + magnitude * 0.05L;
}

namespace {

// How many decades a zoom factor adds; bounded, because more than 20 decades are never
// shown and a hostile zoom must not spin the loop.
int ZoomSteps(long double v) {
  if (!(v > 1)) return 0;
  return static_cast<int>(std::min(v, 64.0L)) - 1;
}

long double SafeScale(long double span, long double units) {
  const long double s = std::fabs(span) / units;
  // A zero or overflowing range would make every projection divide by zero.
  return s > 0 && std::isfinite(s) ? s : 1;
}

}  // namespace

void T3DBase::ComputeAxisScale(int axis) {
  const std::size_t a = static_cast<std::size_t>(axis);
  if (scaling_.Auto[a]) {
    const bool logAxis = scaling_.Log[a] != 0;
    const long double zoom = scaling_.Zoom[a];
    const long double dataLow = scaling_.DataLow[a];
    const long double dataHigh = scaling_.DataHigh[a];
    long double lo = 0.01L;
    long double hi = dataHigh;
    if (zoom == 1) {
      if (logAxis && dataLow <= 0) {
        lo = dataHigh <= 0.01L
                 ? std::pow(10.0L, static_cast<long double>(Decompose(dataHigh).exponent - 2))
                 : 0.01L;
      } else {
        lo = dataLow;
      }
      hi = logAxis && dataHigh <= 0 ? 1 : dataHigh;
    } else if (!logAxis) {
      const long double mid = (dataLow + dataHigh) / 2;
      const long double half = (dataHigh - dataLow) * zoom * 0.5L;
      lo = mid - half;
      hi = mid + half;
    } else {
      lo = dataLow > 0 ? dataLow : 0.01L;
      hi = dataHigh > 0 ? dataHigh : 1;
      for (int k = ZoomSteps(zoom + 0.5L); k > 0; --k) hi *= 10;
      for (int k = ZoomSteps(zoom); k > 0; --k) lo *= 0.1L;
    }
    // Data of one x (or y) would make an axis without extent: it is widened as a constant Z
    // axis is.
    if (!logAxis && lo == hi) WidenUnreadableRange(lo, hi, GraphLabelDigits());
    const AxisDivisions d = NiceDivisions(lo, DivisionsTop(lo, hi, logAxis), logAxis);
    scaling_.AxisLow[a] = d.start;
    scaling_.Divs[a] = static_cast<std::int16_t>(d.count);
    scaling_.AxisHigh[a] = d.start + d.step * d.count;
  }
  scale_[a] = SafeScale(scaling_.AxisHigh[a] - scaling_.AxisLow[a], 180);
  mid_[a] = (scaling_.AxisLow[a] + scaling_.AxisHigh[a]) / 2;
}

void T3DBase::ComputeZScale() {
  constexpr std::size_t z = kAxisZ;
  if (scaling_.Auto[z]) {
    const bool logAxis = scaling_.Log[z] != 0;
    const long double zoom = scaling_.Zoom[z];
    long double lo = scaling_.DataLow[z];
    long double hi = scaling_.DataHigh[z];
    if (zoom != 1 && !logAxis) {
      const long double mid = (lo + hi) / 2;
      const long double half = (hi - lo) * zoom * 0.5L;
      lo = mid - half;
      hi = mid + half;
    } else if (zoom != 1) {
      hi += ZoomSteps(zoom + 0.5L);  // the Z data range of a log axis is in decades
      lo -= ZoomSteps(zoom);
    }
    if (logAxis) {
      lo = std::pow(10.0L, lo);
      hi = std::pow(10.0L, hi);
    } else {
      WidenUnreadableRange(lo, hi, GraphLabelDigits());
    }
    const AxisDivisions d = NiceDivisions(lo, DivisionsTop(lo, hi, logAxis), logAxis);
    scaling_.AxisLow[z] = d.start;
    scaling_.Divs[z] = static_cast<std::int16_t>(d.count);
    scaling_.AxisHigh[z] = d.start + d.step * d.count;
  }
  scale_[z] = SafeScale(scaling_.AxisHigh[z] - scaling_.AxisLow[z], 120);
  mid_[z] = (scaling_.AxisLow[z] + scaling_.AxisHigh[z]) / 2;
  zSpan_ = scaling_.AxisHigh[z] - scaling_.AxisLow[z];
}

void T3DBase::Recompute() {
  if (!AllocGrid(view_.MeshX, view_.MeshY)) {
    ResetToEmpty();
    return;
  }
  ComputeGrid();
  ComputeZScale();
  dirty_ = true;
}

void T3DBase::RecomputeScales() {
  ComputeAxisScale(kAxisX);
  ComputeAxisScale(kAxisY);
  Recompute();
}

void T3DBase::RecomputeX() {
  ComputeAxisScale(kAxisX);
  Recompute();
}

void T3DBase::RecomputeY() {
  ComputeAxisScale(kAxisY);
  Recompute();
}

void T3DBase::RecomputeZ() {
  ComputeZScale();
  dirty_ = true;
}

void T3DBase::SetAxisRanges(long double xlo, long double xhi, long double ylo, long double yhi,
                            long double zlo, long double zhi) {
  const std::array<std::pair<long double, long double>, 3> ranges{
      std::pair{xlo, xhi}, std::pair{ylo, yhi}, std::pair{zlo, zhi}};
  for (std::size_t a = 0; a < 3; ++a) {
    scaling_.DataLow[a] = scaling_.AxisLow[a] = ranges[a].first;
    scaling_.DataHigh[a] = scaling_.AxisHigh[a] = ranges[a].second;
    scaling_.Auto[a] = 1;
    scaling_.Zoom[a] = 1;
  }
  RecomputeScales();
}
