// Data points: symbols, Z lines and limit bars, the pick list, and the visible-only test.
//
// Every point is drawn as a symbol with a line in Z that joins it to the surface (or, in a
// graph without a surface, to the floor or ceiling of the box; in a residual graph, to the
// zero plane). A graph with a limit function draws the confidence or prediction interval
// of the surface at the point instead, as a bar with end marks.
//
// "Visible Only" decides once per change which points the filled surface hides, by
// painting the surface cells in black into an off-screen bitmap, back to front, each
// followed by coloured markers at the surface above or below the points of that cell; a
// point whose marker survives the cells painted after it is in sight.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "app/data_sort.h"
#include "app/long_double.h"
#include "graph3d/point_symbol_size.h"
#include "graph3d/renderer.h"

using platform::Brush;
using platform::Color;
using platform::DeviceContext;
using platform::Pen;
using platform::Point;

namespace {

constexpr int kDisplayVisibleOnly = 2;
constexpr int kDisplayHidePoints = 3;
constexpr int kHideZLines = 0x100;
constexpr int kFillNone = 0;
constexpr int kFillFourColor = 1;

// A coordinate as drawn: its common logarithm on a log axis; not finite when it has none.
long double AxisCoordinate(long double v, bool logAxis) {
  if (!logAxis) return v;
  return v > 0 ? std::log10(v) : std::numeric_limits<long double>::quiet_NaN();
}

}  // namespace

long double T3DBase::SurfaceAtPoint(const TXYZPoint& p) const {
  if (setup_ == nullptr) return ExprErrorValue;
  if ((contentFlags_ & kContentPointSurface) && setup_->PointSurfaceFn) {
    return setup_->PointSurfaceFn(p.X, p.Y, p.Z);
  }
  return setup_->SurfaceFn ? setup_->SurfaceFn(p.X, p.Y) : ExprErrorValue;
}

bool T3DBase::PointVisible(int k) const {
  if ((points_.Display & 0xFF) != kDisplayVisibleOnly || (contentFlags_ & 3) != 3) return true;
  // Without a test made for this table every point is shown.
  if (k < 0 || static_cast<std::size_t>(k) >= visible_.size()) return true;
  return visible_[static_cast<std::size_t>(k)] != 0;
}

// A point as drawn, on the axes' scales: its position, and the ends of its Z line (to the
// surface, the floor or ceiling, or the zero plane) or of its limit bar.
struct T3DBase::TPointMark {
  long double x = 0, y = 0;
  long double z = 0;         // the point's height
  long double end1 = 0;      // the ends of its Z line, or of its limit bar (v - h, v + h)
  long double end2 = 0;
  long double residual = 0;  // the Four Color fill goes by it
  int lineRole = kRoleZLineAbove;
  bool endBars = false;
  bool failed = false;       // the surface or limit could not be evaluated at the point
  Point p1, p2;              // the ends on the device (PlaceMark)
  Point at;                  // the symbol's place on the device
  int order = 0;             // where the point comes in the drawing order (1 .. N)
  int record = 0;            // its record number
};

void T3DBase::DrawPoints(DeviceContext& dc) {
  const int display = points_.Display & 0xFF;
  const int content = contentFlags_ & 7;
  // Points alone, points over a surface, or residuals; a surface alone has none.
  if (display == kDisplayHidePoints || (content != 2 && content != 3 && content != 4)) return;
  if (points_.Fill == kFillFourColor) SetResidualBand();
  const std::span<const TXYZPoint> table = PointTable();
  const int n = PointCount(table);
  if (pointOrder_.size() != static_cast<std::size_t>(n)) BuildPointOrder(-1);

  const bool pick = keepPoints_ && drawMode_ == kDrawScreen;
  if (pick) {
    try {
      keptPoints_.assign(static_cast<std::size_t>(n) + 1, TKeptPoint{});
      keptPoints_[0].x = n;  // the list's count, as its first entry holds it
    } catch (const std::bad_alloc&) {
      keptPoints_.clear();  // no pick list for this drawing
    }
  }
  const bool keep = pick && !keptPoints_.empty();

  // Every point is placed before any is drawn: the symbols are sized by how closely the
  // points that are drawn lie on this device.
  std::vector<TPointMark> marks;
  std::vector<Point> positions;
  try {
    marks.reserve(static_cast<std::size_t>(n));
    positions.reserve(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    return;  // no room to place the points: none are drawn
  }
  for (int m = 1; m <= n; ++m) {
    if (m == 1 || m % 10 == 0) PollIfAnimating();
    if (StopRequested()) return;
    const int k = pointOrder_[static_cast<std::size_t>(m - 1)];
    const TXYZPoint& p = table[static_cast<std::size_t>(k)];
    if (keep) keptPoints_[static_cast<std::size_t>(m)] = TKeptPoint{-1, -1, k, 0, -1};
    if (display == kDisplayVisibleOnly && !PointVisible(k)) continue;
    TPointMark mark = PointMarkOf(p, content);
    if (!MarkDrawable(mark)) continue;
    PlaceMark(mark);
    mark.order = m;
    mark.record = k;
    marks.push_back(mark);
    positions.push_back(mark.at);
  }
  symbolHalfSize_ = PointSymbolHalfSize(rect_.right - rect_.left, points_.Size, MeanPointSpacing(positions));

  for (std::size_t i = 0; i < marks.size(); ++i) {
    if (i % 10 == 0) PollIfAnimating();
    if (StopRequested()) return;
    const TPointMark& mark = marks[i];
    const int symbolRole = SymbolRoleOf(mark.residual);
    DrawPointMark(dc, mark, symbolRole, IsActive(table[static_cast<std::size_t>(mark.record)]));
    if (keep) {
      keptPoints_[static_cast<std::size_t>(mark.order)] =
          TKeptPoint{mark.at.x, mark.at.y, mark.record, static_cast<std::int8_t>(mark.lineRole),
                     static_cast<std::int8_t>(symbolRole)};
    }
  }
  if (keep) SortPointList(1, n);
}

T3DBase::TPointMark T3DBase::PointMarkOf(const TXYZPoint& p, int content) const {
  const long double zMin = scaling_.AxisLow[kAxisZ], zMax = scaling_.AxisHigh[kAxisZ];
  const bool logZ = scaling_.Log[kAxisZ] != 0;
  TPointMark mark;
  mark.x = AxisCoordinate(p.X, scaling_.Log[kAxisX] != 0);
  mark.y = AxisCoordinate(p.Y, scaling_.Log[kAxisY] != 0);
  if (content == 3) {
    const bool withLimit = setup_ != nullptr && setup_->LimitFn;
    mark.z = AxisCoordinate(p.Z, logZ);
    long double v = SurfaceAtPoint(p);
    mark.failed = !IsUsableValue(v);
    mark.residual = std::fabs(v - p.Z);
    if (!withLimit) {
      v = AxisCoordinate(v, logZ);
      if (v > mark.z) {
        mark.end1 = mark.z, mark.end2 = v, mark.lineRole = kRoleZLineBelow;
      } else {
        mark.end1 = v, mark.end2 = mark.z, mark.lineRole = kRoleZLineAbove;
      }
    } else {
      const long double h = mark.failed ? ExprErrorValue : setup_->LimitFn(p.X, p.Y, v);
      mark.failed = mark.failed || !IsUsableValue(h);
      mark.end1 = v - h;
      mark.end2 = v + h;
      if (logZ) {
        // An end at or below zero has no logarithm: it lies on the floor of the axis.
        mark.end1 = mark.end1 > 0 ? std::log10(mark.end1) : zMin;
        mark.end2 = mark.end2 > 0 ? std::log10(mark.end2) : zMin;
      }
      mark.lineRole = setup_->LimitKind != 0 ? kRoleConfidence : kRolePrediction;
      mark.endBars = true;
    }
  } else if (content == 2) {
    mark.z = AxisCoordinate(p.Z, logZ);
    if (view_.AngleZ >= 0) {
      mark.end1 = zMin, mark.end2 = mark.z, mark.lineRole = kRoleZLineAbove;
      mark.residual = std::fabs(zMin - mark.z);
    } else {
      // Seen from below, the line hangs from the ceiling.
      mark.end1 = mark.z, mark.end2 = zMax, mark.lineRole = kRoleZLineBelow;
      mark.residual = std::fabs(zMax - mark.z);
    }
  } else {  // residual graph
    const long double v = SurfaceAtPoint(p);
    mark.failed = !IsUsableValue(v);
    long double e = p.Z - v;
    mark.residual = std::fabs(e);
    const int residualMode = setup_ != nullptr ? setup_->ResidualMode : 0;
    const long double* fitRecord = points_.FitRecord;
    if (residualMode == 2) {
      e = p.Z != 0 ? 100 * e / p.Z : 0;
    } else if (residualMode == 3) {
      e = fitRecord != nullptr && *fitRecord > 0 ? e / *fitRecord : 0;
    }
    if (!logZ) {
      if (e >= 0) {
        mark.end1 = 0, mark.end2 = e, mark.lineRole = kRoleZLineAbove;
      } else {
        mark.end1 = e, mark.end2 = 0, mark.lineRole = kRoleZLineBelow;
      }
    } else {
      e = AxisCoordinate(std::fabs(e), true);
      mark.end1 = zMin, mark.end2 = e, mark.lineRole = kRoleZLineAbove;
    }
    mark.z = e;
  }
  return mark;
}

bool T3DBase::MarkDrawable(const TPointMark& m) const {
  if (m.failed || !std::isfinite(m.x) || !std::isfinite(m.y) || !std::isfinite(m.z) ||
      !std::isfinite(m.end1) || !std::isfinite(m.end2)) {
    return false;
  }
  // An automatic axis ends on the division below a top that exceeds it by less than the hair
  // of DivisionsTop (data 0 .. 1.00000001 get the axis 0 .. 1): the points there are inside
  // the axis to the eye, and are drawn.
  const auto within = [&](long double v, int axis) {
    const long double lo = scaling_.AxisLow[static_cast<std::size_t>(axis)];
    const long double hi = scaling_.AxisHigh[static_cast<std::size_t>(axis)];
    const long double slack = 1e-7L * std::fabs(hi - lo);
    return v >= lo - slack && v <= hi + slack;
  };
  return within(m.x, kAxisX) && within(m.y, kAxisY) && within(m.z, kAxisZ);
}

int T3DBase::SymbolRoleOf(long double residual) const {
  switch (points_.Fill) {
    case kFillNone: return -1;
    case kFillFourColor: return ResidualColor(residual);
    case 2: return kRolePoints1SD;
    case 3: return kRolePoints2SD;
    case 4: return kRolePoints3SD;
    case 5: return kRolePointsOver3SD;
    default: return -1;  // a fill the dialogs cannot set draws unfilled
  }
}

void T3DBase::PlaceMark(TPointMark& m) const {
  Project(m.x, m.y, m.end1, m.p1.x, m.p1.y);
  Project(m.x, m.y, m.end2, m.p2.x, m.p2.y);
  if (m.z == m.end1) {
    m.at = m.p1;
  } else if (m.z == m.end2) {
    m.at = m.p2;
  } else {
    Project(m.x, m.y, m.z, m.at.x, m.at.y);
  }
}

void T3DBase::DrawPointMark(DeviceContext& dc, const TPointMark& m, int symbolRole, bool active) {
  const int s = symbolHalfSize_;
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(m.lineRole)])]);
  if (!(points_.Display & kHideZLines)) {
    dc.MoveTo(m.p1.x, m.p1.y);
    dc.LineTo(m.p2.x, m.p2.y);
  }
  if (m.endBars) {
    for (const Point& e : {m.p1, m.p2}) {
      dc.MoveTo(e.x - s, e.y);
      dc.LineTo(e.x + s, e.y);
    }
  }
  const int brushRole = symbolRole != -1 && !active ? kRolePointsInactive : symbolRole;
  dc.SelectBrush(brushRole == -1
                     ? Brush::Null()
                     : basicBrushes_[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(brushRole)])]);
  DrawSymbol(dc, m.at.x, m.at.y);
}

void T3DBase::RedrawPickedPoint(DeviceContext& dc, int k) {
  if (!keepPoints_ || drawMode_ != kDrawScreen) return;
  if (k < 1 || static_cast<std::size_t>(k) >= keptPoints_.size()) return;
  const TKeptPoint& e = keptPoints_[static_cast<std::size_t>(k)];
  if (e.x == -1 && e.y == -1) return;  // a point that is not drawn has no symbol
  const std::span<const TXYZPoint> table = PointTable();
  const int record = e.index;
  const bool inactive = record >= 1 && record <= PointCount(table) &&
                        !IsActive(table[static_cast<std::size_t>(record)]);
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(
      std::clamp<int>(e.lineRole, 0, kColorRoleCount - 1))])]);
  if (e.symbolRole == -1) {
    dc.SelectBrush(Brush::Null());
  } else {
    const int role = inactive ? kRolePointsInactive
                              : std::clamp<int>(e.symbolRole, 0, kColorRoleCount - 1);
    dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(role)])]);
  }
  DrawSymbol(dc, e.x, e.y);
}

void T3DBase::DrawVisiblePoints(DeviceContext& dc) {
  const std::span<const TXYZPoint> table = PointTable();
  const int n = PointCount(table);
  visible_.assign(static_cast<std::size_t>(n) + 1, 1);
  // A wire frame hides nothing; without the surface's screen points nothing can be tested.
  if (!decoding_.fill || gridNx_ < 2 || gridNy_ < 2 || n == 0) return;

  std::vector<int> screenX, screenY, order, cellStart;
  try {
    screenX.assign(static_cast<std::size_t>(n) + 1, kOffScreen);
    screenY.assign(static_cast<std::size_t>(n) + 1, kOffScreen);
    order.resize(static_cast<std::size_t>(n));
    cellStart.assign(static_cast<std::size_t>(gridNx_) * static_cast<std::size_t>(gridNy_) + 1, 0);
  } catch (const std::bad_alloc&) {
    return;  // all points stay visible
  }
  // The bitmap spans the device from (0, 0) to the graph rectangle's far corner, so that
  // the projected positions address it directly, also for a rectangle that does not start
  // at the origin.
  std::unique_ptr<DeviceContext> memory = dc.CreateCompatible(rect_.right + 1, rect_.bottom + 1);
  if (!memory) return;
  memory->SelectPen(Pen::Null());
  memory->SelectBrush(Brush::Solid(Color::Black()));

  // The points cell by cell (a counting sort on the cell numbers): the table itself is not
  // reordered, because another thread may be reading it.
  const long double xMin = scaling_.AxisLow[kAxisX], xMax = scaling_.AxisHigh[kAxisX];
  const long double yMin = scaling_.AxisLow[kAxisY], yMax = scaling_.AxisHigh[kAxisY];
  const bool logX = scaling_.Log[kAxisX] != 0;
  const bool logY = scaling_.Log[kAxisY] != 0;
  const bool logZ = scaling_.Log[kAxisZ] != 0;
  std::vector<std::size_t> cellOf(static_cast<std::size_t>(n) + 1, 0);
  for (int k = 1; k <= n; ++k) {
    const TXYZPoint& p = table[static_cast<std::size_t>(k)];
    const int i = PointCell(p.X, xMin, xMax, gridNx_, logX);
    const int j = PointCell(p.Y, yMin, yMax, gridNy_, logY);
    const std::size_t cell = Node(i, j);
    cellOf[static_cast<std::size_t>(k)] = cell;
    ++cellStart[cell + 1];
  }
  for (std::size_t c = 1; c < cellStart.size(); ++c) cellStart[c] += cellStart[c - 1];
  {
    std::vector<int> fill(cellStart.begin(), cellStart.end() - 1);
    for (int k = 1; k <= n; ++k) {
      order[static_cast<std::size_t>(fill[cellOf[static_cast<std::size_t>(k)]]++)] = k;
    }
  }

  std::vector<int> walked;
  walked.reserve(static_cast<std::size_t>(n));
  auto marker = [](int k) { return Basic16Colors[static_cast<std::size_t>(1 + k % 15)]; };
  ForEachCellInPaintersOrder([&](int i, int j) {
    const std::array<std::size_t, 4> c = CellCorners(i, j);
    bool onScreen = true;
    for (std::size_t node : c) onScreen = onScreen && nodeX_[node] != kOffScreen;
    if (onScreen) {
      vertices_.clear();
      for (std::size_t node : c) vertices_.push_back(Point{nodeX_[node], nodeY_[node]});
      memory->Polygon(vertices_);
    }
    const std::size_t cell = Node(i, j);
    for (int at = cellStart[cell]; at < cellStart[cell + 1]; ++at) {
      const int k = order[static_cast<std::size_t>(at)];
      walked.push_back(k);
      const TXYZPoint& p = table[static_cast<std::size_t>(k)];
      const long double x = AxisCoordinate(p.X, logX);
      const long double y = AxisCoordinate(p.Y, logY);
      long double v = SurfaceAtPoint(p);
      if (IsUsableValue(v)) v = AxisCoordinate(v, logZ);
      int px = kOffScreen, py = kOffScreen;
      if (IsUsableValue(v) && std::isfinite(x) && std::isfinite(y) &&
          Project(x, y, v, px, py) == 1) {
        const Color color = marker(k);
        memory->SetPixel(px, py, color);
        for (int dx : {-1, 1}) {
          for (int dy : {-1, 1}) memory->SetPixel(px + dx, py + dy, color);
        }
        screenX[static_cast<std::size_t>(k)] = px;
        screenY[static_cast<std::size_t>(k)] = py;
      }
    }
    return true;
  });
  if (StopRequested()) return;

  for (int k = 1; k <= n; ++k) {
    const int px = screenX[static_cast<std::size_t>(k)];
    const int py = screenY[static_cast<std::size_t>(k)];
    bool seen = false;
    if (px != kOffScreen) {
      const Color color = marker(k);
      seen = memory->GetPixel(px, py) == color;
      for (int dx : {-1, 1}) {
        for (int dy : {-1, 1}) seen = seen || memory->GetPixel(px + dx, py + dy) == color;
      }
    }
    visible_[static_cast<std::size_t>(k)] = seen ? 1 : 0;
  }
  // The points are then drawn in the order the cells were painted.
  if (walked.size() == static_cast<std::size_t>(n)) pointOrder_ = std::move(walked);
}
