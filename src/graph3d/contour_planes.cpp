// Contour planes: the surface's Z levels mapped onto the bottom or top face of the box,
// filled band by band for the gradient and shaded types and drawn as contour lines for the
// wire-frame and mesh types.
//
// Levels are those of the filled surfaces (hundredths of a colour band), limited to the
// range, so that a node below Zmin, or without a value, lies in the lowest band and one
// above Zmax in the highest. The plane keeps node arrays of its own: the plane in front of
// the surface is drawn after it, and the visible-only test still paints from the surface's
// screen points.
#include <algorithm>
#include <new>

#include "app/long_double.h"
#include "graph3d/renderer.h"

using platform::Brush;
using platform::Color;
using platform::DeviceContext;
using platform::Pen;
using platform::Point;

namespace {

int BandOf(int level) { return level / 100; }

// The face's corners in the order (Xmin, Ymin), (Xmax, Ymin), (Xmax, Ymax), (Xmin, Ymax).
constexpr std::array<int, 4> kFaceCorners = {0, 1, 3, 2};

}  // namespace

void T3DBase::FillPlane(DeviceContext& dc, int plane) {
  const int base = plane == 0 ? 0 : 4;
  vertices_.clear();
  for (int c : kFaceCorners) vertices_.push_back(corners_[static_cast<std::size_t>(base + c)]);
  dc.Polygon(vertices_);
}

void T3DBase::DrawContourPlane(DeviceContext& dc, int plane) {
  if (gridNx_ < 2 || gridNy_ < 2) return;
  const int n = GradientColorCount(decoding_.palette);
  const int M = 100 * n - 1;
  const long double h = plane == 0 ? scaling_.AxisLow[kAxisZ] : scaling_.AxisHigh[kAxisZ];
  try {
    const std::size_t count = grid_.size();
    planeX_.resize(count);
    planeY_.resize(count);
    planeLevel_.resize(count);
  } catch (const std::bad_alloc&) {
    return;
  }

  for (int i = 0; i < gridNx_; ++i) {
    const long double x = NodeX(i);
    PollIfAnimating();
    for (int j = 0; j < gridNy_; ++j) {
      const long double y = NodeY(j);
      if (StopRequested()) return;
      const std::size_t k = Node(i, j);
      const int status = Project(x, y, h, planeX_[k], planeY_[k]);
      // A node without a value is mapped as level 0, whatever the range holds.
      const long double z = grid_[k];
      planeLevel_[k] = status != 1 ? status : z == ExprErrorValue ? 0 : std::clamp(LevelOf(z), 0, M);
    }
  }

  const bool lines = !decoding_.gradient && !decoding_.shaded;
  if (lines && decoding_.fill) {
    // Mesh type: the face in the Mesh Fill colour, outlined in the Mesh Line colour.
    dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[kRoleMeshFill])]);
    dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleMeshLine])]);
    FillPlane(dc, plane);
  }

  for (int i = 1; i < gridNx_; ++i) {
    PollIfAnimating();
    for (int j = 1; j < gridNy_; ++j) {
      if (StopRequested()) return;
      const std::array<std::size_t, 4> c = CellCorners(i, j);
      std::array<Point, 4> corners;
      std::array<int, 4> levels;
      bool onScreen = true;
      for (std::size_t e = 0; e < 4; ++e) {
        corners[e] = Point{planeX_[c[e]], planeY_[c[e]]};
        levels[e] = planeLevel_[c[e]];
        onScreen = onScreen && corners[e].x != kOffScreen;
      }
      if (!onScreen) continue;
      const int b0 = BandOf(levels[0]);
      bool oneBand = true;
      for (int level : levels) oneBand = oneBand && BandOf(level) == b0;
      if (lines) {
        if (!oneBand) DrawCellContours(dc, i, j);
      } else if (oneBand) {
        const Color color = PaletteColor(b0);
        dc.SelectPen(Pen::Solid(color));
        dc.SelectBrush(Brush::Solid(color));
        dc.Polygon(corners);
        dc.SelectBrush(Brush::Solid(Color::White()));
        dc.SelectPen(Pen::Solid(Color::Black()));
      } else {
        BandedQuad(dc, corners, levels, false);
      }
    }
  }
}

void T3DBase::DrawCellContours(DeviceContext& dc, int i, int j) {
  if (planeLevel_.size() != grid_.size() || i < 1 || j < 1 || i >= gridNx_ || j >= gridNy_) {
    return;
  }
  const int role = decoding_.fill ? kRoleMeshLine : kRoleWireLine;
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(role)])]);
  const std::array<std::size_t, 4> c = CellCorners(i, j);
  crossings_.clear();
  int lowBand = BandOf(planeLevel_[c[0]]);
  int highBand = lowBand;
  for (std::size_t e = 0; e < 4; ++e) {
    const std::size_t p = c[e];
    const std::size_t q = c[(e + 1) % 4];
    lowBand = std::min(lowBand, BandOf(planeLevel_[p]));
    highBand = std::max(highBand, BandOf(planeLevel_[p]));
    AppendEdgeCrossings(crossings_, planeX_[p], planeY_[p], planeLevel_[p], planeX_[q],
                        planeY_[q], planeLevel_[q], false);
  }
  // One segment per level: the first two crossings of that level along the edges (a
  // saddle's second pair is left out).
  for (int band = highBand; band >= lowBand; --band) {
    const TCrossing* first = nullptr;
    const TCrossing* second = nullptr;
    for (const TCrossing& e : crossings_) {
      if (e.band != band) continue;
      if (first == nullptr) {
        first = &e;
      } else {
        second = &e;
        break;
      }
    }
    if (second == nullptr) continue;
    // The line leaves out its end pixel: the end is moved one pixel on so that the segment
    // reaches the second crossing.
    Point end{second->x, second->y};
    if (end.x != first->x) end.x += end.x > first->x ? 1 : -1;
    if (end.y != first->y) end.y += end.y > first->y ? 1 : -1;
    dc.MoveTo(first->x, first->y);
    dc.LineTo(end.x, end.y);
  }
}
