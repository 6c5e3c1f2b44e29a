// Surface drawing: wire frame, mesh, gradient and shaded surfaces.
//
// Filled surfaces use the painter's algorithm on the regular grid: the cells are painted
// row by row from the far side of the box to the near side (the row axis and directions
// chosen from the rotation), so that nearer cells cover farther ones without a depth
// buffer. Colour bands are handled in integers: a node's level is its height in hundredths
// of a band, so band numbers, band crossings along the cell edges and the clipping of a
// cell to the Z range need no floating point after the first pass.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "graph3d/renderer.h"

using platform::Brush;
using platform::Color;
using platform::DeviceContext;
using platform::Pen;
using platform::Point;

namespace {

constexpr int kGreyPen = 7;  // basic colour 7, RGB 128, 128, 128
const Pen kStockBlackPen = Pen::Solid(Color::Black());
const Brush kStockWhiteBrush = Brush::Solid(Color::White());

// The point where an edge from P (level l0) to Q (level l1) reaches level t; the product
// is formed first and the quotient truncated toward zero, in 64 bits so that far-off
// coordinates cannot overflow.
int CrossingCoordinate(int p, int q, int t, int l0, int l1) {
  return p + static_cast<int>(static_cast<long long>(q - p) * (t - l0) / (l1 - l0));
}

int BandOf(int level) { return level / 100; }

}  // namespace

int T3DBase::LevelOf(long double z) const {
  const int n = GradientColorCount(decoding_.palette);
  if (zSpan_ == 0) return 0;
  // Formed in extended precision, kept in single precision, then truncated.
  const float v = static_cast<float>(100.0L * n * (z - scaling_.AxisLow[kAxisZ]) / zSpan_);
  if (!(v < 16384.0f)) return v != v ? 0 : 16384;
  if (v < -16384.0f) return -16384;
  return static_cast<int>(v);
}

std::array<std::size_t, 4> T3DBase::CellCorners(int i, int j) const {
  return {Node(i - 1, j - 1), Node(i, j - 1), Node(i, j), Node(i - 1, j)};
}

bool T3DBase::CellVisible(const std::array<std::size_t, 4>& c, int M, int& below,
                          int& above) const {
  below = above = 0;
  for (std::size_t k : c) {
    if (nodeX_[k] == kOffScreen) return false;
    below += nodeLevel_[k] < 0 ? 1 : 0;
    above += nodeLevel_[k] > M ? 1 : 0;
  }
  return below < 4 && above < 4;
}

void T3DBase::ForEachCellInPaintersOrder(const std::function<bool(int, int)>& cell) {
  const int nx = gridNx_;
  const int ny = gridNy_;
  const int outerCount = swap_ ? ny : nx;
  const int innerCount = swap_ ? nx : ny;
  for (int u = 1; u < outerCount; ++u) {
    PollIfAnimating();
    for (int v = 1; v < innerCount; ++v) {
      if (StopRequested()) return;
      int i = swap_ ? v : u;
      int j = swap_ ? u : v;
      if (flipX_) i = nx - i;
      if (flipY_) j = ny - j;
      if (!cell(i, j)) return;
    }
  }
}

bool T3DBase::FirstPassFilled(long double clipSpans) {
  const long double zMin = scaling_.AxisLow[kAxisZ];
  const long double zMax = scaling_.AxisHigh[kAxisZ];
  const long double upper = zMax + clipSpans * zSpan_;
  const long double lower = zMin - clipSpans * zSpan_;
  for (int i = 0; i < gridNx_; ++i) {
    const long double x = NodeX(i);
    PollIfAnimating();
    for (int j = 0; j < gridNy_; ++j) {
      const long double y = NodeY(j);
      if (StopRequested()) return false;
      const std::size_t k = Node(i, j);
      const long double z = grid_[k];
      if (z > upper || z < lower) {
        nodeX_[k] = nodeY_[k] = kOffScreen;
        continue;
      }
      const int status = Project(x, y, z, nodeX_[k], nodeY_[k]);
      nodeLevel_[k] = status == 1 ? LevelOf(z) : status;
    }
  }
  return true;
}

void T3DBase::DrawWireSurface(DeviceContext& dc) {
  const long double zMin = scaling_.AxisLow[kAxisZ];
  const long double zMax = scaling_.AxisHigh[kAxisZ];
  for (int i = 0; i < gridNx_; ++i) {
    const long double x = NodeX(i);
    for (int j = 0; j < gridNy_; ++j) {
      const long double y = NodeY(j);
      const std::size_t k = Node(i, j);
      const long double z = grid_[k];
      Project(x, y, z, nodeX_[k], nodeY_[k]);
      if (z < zMin || z > zMax) nodeX_[k] = nodeY_[k] = kOffScreen;
    }
  }
  PollIfAnimating();
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleWireLine])]);
  // One polyline per grid line, broken where a node is missing or out of range.
  auto drawLine = [&](int count, auto nodeAt) {
    const std::size_t first = nodeAt(0);
    dc.MoveTo(nodeX_[first], nodeY_[first]);
    for (int m = 1; m < count; ++m) {
      if (StopRequested()) return false;
      const std::size_t prev = nodeAt(m - 1);
      const std::size_t cur = nodeAt(m);
      if (nodeX_[prev] == kOffScreen || nodeX_[cur] == kOffScreen) {
        if (nodeX_[cur] != kOffScreen) dc.MoveTo(nodeX_[cur], nodeY_[cur]);
      } else {
        dc.LineTo(nodeX_[cur], nodeY_[cur]);
      }
    }
    return true;
  };
  for (int i = 0; i < gridNx_; ++i) {
    if (!drawLine(gridNy_, [&](int j) { return Node(i, j); })) return;
  }
  PollIfAnimating();
  for (int j = 0; j < gridNy_; ++j) {
    if (!drawLine(gridNx_, [&](int i) { return Node(i, j); })) return;
  }
}

void T3DBase::DrawFilledSurface(DeviceContext& dc) {
  const int n = GradientColorCount(decoding_.palette);
  const int M = 100 * n - 1;
  const bool gradient = decoding_.gradient;
  const bool drawMesh = view_.HideMesh == 0;
  dc.SelectBrush(basicBrushes_[static_cast<std::size_t>(colorIndex_[kRoleMeshFill])]);
  dc.SelectPen(basicPens_[static_cast<std::size_t>(colorIndex_[kRoleMeshLine])]);
  // How far beyond the Z range a cell may reach and still be drawn clipped: fewer spans
  // for palettes with more bands, so that levels stay inside the integer range.
  int spans = 10;
  if (gradient) spans = n < 12 ? 8 : n < 24 ? 7 : n < 32 ? 5 : n < 48 ? 4 : 3;
  if (!FirstPassFilled(spans)) return;

  ForEachCellInPaintersOrder([&](int i, int j) {
    const std::array<std::size_t, 4> c = CellCorners(i, j);
    int below = 0, above = 0;
    if (!CellVisible(c, M, below, above)) return true;
    if (below == 0 && above == 0) {
      vertices_.clear();
      for (std::size_t k : c) vertices_.push_back(Point{nodeX_[k], nodeY_[k]});
      if (!gradient) {
        dc.Polygon(vertices_);
        return true;
      }
      const int band = BandOf(nodeLevel_[c[0]]);
      bool oneBand = true;
      for (std::size_t k : c) oneBand = oneBand && BandOf(nodeLevel_[k]) == band;
      if (oneBand) {
        const Color color = PaletteColor(std::min(band, n - 1));
        dc.SelectPen(drawMesh ? basicPens_[kGreyPen] : Pen::Solid(color));
        dc.SelectBrush(Brush::Solid(color));
        dc.Polygon(vertices_);
        dc.SelectBrush(kStockWhiteBrush);
        if (!drawMesh) dc.SelectPen(kStockBlackPen);
      } else {
        DrawBandedCell(dc, i, j, M, drawMesh);
      }
      return true;
    }
    if (gradient) {
      DrawClippedBandedCell(dc, i, j, M, drawMesh);
    } else {
      DrawClippedCell(dc, i, j, M);
    }
    return true;
  });
}

void T3DBase::DrawShadedSurface(DeviceContext& dc) {
  const int n = GradientColorCount(decoding_.palette);
  const int M = 100 * n - 1;
  const int spans = n < 32 ? 5 : n < 48 ? 4 : 3;
  if (!FirstPassFilled(spans)) return;
  const bool richDisplay = GetGraphDisplayFacts().colors > 255;
  const bool hideMesh = view_.HideMesh != 0;
  const long double xRange = scaling_.AxisHigh[kAxisX] - scaling_.AxisLow[kAxisX];
  const long double yRange = scaling_.AxisHigh[kAxisY] - scaling_.AxisLow[kAxisY];
  // One mesh step as a fraction of its axis, so that the normal does not depend on units.
  const long double a = xRange != 0 ? stepX_ / xRange : 0;
  const long double b = yRange != 0 ? stepY_ / yRange : 0;
  const long double span = zSpan_ != 0 ? zSpan_ : 1;

  ForEachCellInPaintersOrder([&](int i, int j) {
    const std::array<std::size_t, 4> c = CellCorners(i, j);
    int below = 0, above = 0;
    if (!CellVisible(c, M, below, above)) return true;
    // The normal of the cell from its corner c2 and the two neighbours c1 and c3 (a
    // one-sided difference; c0 does not enter).
    const long double gx = (grid_[c[2]] - grid_[c[3]]) / span;
    const long double gy = (grid_[c[2]] - grid_[c[1]]) / span;
    const long double nx = b * gx, ny = a * gy, nz = -a * b;
    const long double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const long double cosine =
        length > 0 ? (nx * light_[0] + ny * light_[1] + nz * light_[2]) / length : 0;
    // A cell lit from behind is as bright as one lit from the front.
    int shade = static_cast<int>(std::fabs(cosine) * n);
    shade = std::clamp(shade, 0, n - 1);
    const Color penColor = !richDisplay ? Color::Rgb(128, 128, 128)
                           : hideMesh   ? PaletteColor(shade)
                                        : PaletteColor(std::max(shade - 2, 0));
    dc.SelectPen(Pen::Solid(penColor));
    dc.SelectBrush(Brush::Solid(PaletteColor(shade)));
    if (below == 0 && above == 0) {
      vertices_.clear();
      for (std::size_t k : c) vertices_.push_back(Point{nodeX_[k], nodeY_[k]});
      dc.Polygon(vertices_);
    } else {
      DrawClippedCell(dc, i, j, M);
    }
    dc.SelectPen(kStockBlackPen);
    dc.SelectBrush(kStockWhiteBrush);
    return true;
  });
}

void T3DBase::AppendEdgeCrossings(std::vector<TCrossing>& list, int xP, int yP, int l0, int xQ,
                                  int yQ, int l1, bool includeStart) const {
  const int b0 = BandOf(l0);
  const int b1 = BandOf(l1);
  if (includeStart) list.push_back(TCrossing{xP, yP, b0, 0});
  // Each crossing of a band boundary 100 b is labelled with the band above it; its flag
  // lets the band below it take it too.
  auto crossing = [&](int band) {
    const int t = 100 * band;
    list.push_back(TCrossing{CrossingCoordinate(xP, xQ, t, l0, l1),
                             CrossingCoordinate(yP, yQ, t, l0, l1), band, 1});
  };
  if (b1 < b0) {
    for (int band = b0; band > b1; --band) crossing(band);
  } else {
    for (int band = b0 + 1; band <= b1; ++band) crossing(band);
  }
}

void T3DBase::FillBands(DeviceContext& dc, int lowBand, int highBand) {
  for (int band = highBand; band >= lowBand; --band) {
    vertices_.clear();
    for (TCrossing& e : crossings_) {
      if (e.band != band) continue;
      vertices_.push_back(Point{e.x, e.y});
      if (e.flag == 1) {
        e.band = band - 1;
        e.flag = 0;
      }
    }
    if (vertices_.empty()) continue;
    vertices_.push_back(vertices_.front());
    const Color color = PaletteColor(band);
    dc.SelectPen(Pen::Solid(color));
    dc.SelectBrush(Brush::Solid(color));
    dc.Polygon(vertices_);
    dc.SelectBrush(kStockWhiteBrush);
    dc.SelectPen(kStockBlackPen);
  }
}

void T3DBase::DrawBandedCell(DeviceContext& dc, int i, int j, int M, bool drawMesh) {
  (void)M;
  const std::array<std::size_t, 4> c = CellCorners(i, j);
  std::array<Point, 4> corners;
  std::array<int, 4> levels;
  for (std::size_t e = 0; e < 4; ++e) {
    corners[e] = Point{nodeX_[c[e]], nodeY_[c[e]]};
    levels[e] = nodeLevel_[c[e]];
  }
  BandedQuad(dc, corners, levels, drawMesh);
}

void T3DBase::BandedQuad(DeviceContext& dc, const std::array<Point, 4>& corners,
                         const std::array<int, 4>& levels, bool drawMesh) {
  crossings_.clear();
  int lowBand = BandOf(levels[0]);
  int highBand = lowBand;
  for (std::size_t e = 0; e < 4; ++e) {
    const Point p = corners[e];
    const Point q = corners[(e + 1) % 4];
    const int l0 = levels[e];
    const int l1 = levels[(e + 1) % 4];
    for (int level : {l0, l1}) {
      lowBand = std::min(lowBand, BandOf(level));
      highBand = std::max(highBand, BandOf(level));
    }
    AppendEdgeCrossings(crossings_, p.x, p.y, l0, q.x, q.y, l1, true);
  }
  FillBands(dc, lowBand, highBand);
  if (drawMesh) {
    dc.SelectPen(basicPens_[kGreyPen]);
    for (std::size_t e = 0; e < 4; ++e) {
      dc.MoveTo(corners[e].x, corners[e].y);
      dc.LineTo(corners[(e + 1) % 4].x, corners[(e + 1) % 4].y);
    }
  }
}

void T3DBase::ClippedOutline(int i, int j, int M, std::vector<Point>& outline,
                             std::vector<int>* levels) const {
  const std::array<std::size_t, 4> c = CellCorners(i, j);
  outline.clear();
  if (levels != nullptr) levels->clear();
  auto inRange = [M](int l) { return l >= 0 && l <= M; };
  auto append = [&](int x, int y, int level) {
    outline.push_back(Point{x, y});
    if (levels != nullptr) levels->push_back(level);
  };
  for (std::size_t e = 0; e < 4; ++e) {
    const std::size_t p = c[e];
    const std::size_t q = c[(e + 1) % 4];
    const int l0 = nodeLevel_[p];
    const int l1 = nodeLevel_[q];
    if ((l0 < 0 && l1 < 0) || (l0 > M && l1 > M)) continue;
    if (inRange(l0)) append(nodeX_[p], nodeY_[p], l0);
    if (inRange(l0) && inRange(l1)) continue;
    auto cross = [&](int t) {
      append(CrossingCoordinate(nodeX_[p], nodeX_[q], t, l0, l1),
             CrossingCoordinate(nodeY_[p], nodeY_[q], t, l0, l1), t);
    };
    if (l0 < 0 && l1 > M) {
      cross(0);
      cross(M);
    } else if (l0 > M && l1 < 0) {
      cross(M);
      cross(0);
    } else if (l0 < 0 || l1 < 0) {
      cross(0);
    } else {
      cross(M);
    }
  }
}

void T3DBase::DrawClippedCell(DeviceContext& dc, int i, int j, int M) {
  ClippedOutline(i, j, M, vertices_, nullptr);
  dc.Polygon(vertices_);
}

void T3DBase::DrawClippedBandedCell(DeviceContext& dc, int i, int j, int M, bool drawMesh) {
  ClippedOutline(i, j, M, outline_, &outlineLevels_);
  if (outline_.empty()) return;
  outline_.push_back(outline_.front());
  outlineLevels_.push_back(outlineLevels_.front());
  const std::size_t count = outline_.size() - 1;  // points before the repeated one

  const int firstBand = BandOf(outlineLevels_[0]);
  bool oneBand = true;
  for (std::size_t k = 0; k < count; ++k) oneBand = oneBand && BandOf(outlineLevels_[k]) == firstBand;
  if (oneBand) {
    const Color color = PaletteColor(firstBand);
    dc.SelectBrush(Brush::Solid(color));
    dc.SelectPen(drawMesh ? basicPens_[kGreyPen] : Pen::Solid(color));
    dc.Polygon(outline_);
    dc.SelectBrush(kStockWhiteBrush);
    if (!drawMesh) dc.SelectPen(kStockBlackPen);
    return;
  }
  crossings_.clear();
  int lowBand = firstBand;
  int highBand = firstBand;
  for (std::size_t k = 0; k < count; ++k) {
    const int l0 = outlineLevels_[k];
    const int l1 = outlineLevels_[k + 1];
    for (int level : {l0, l1}) {
      lowBand = std::min(lowBand, BandOf(level));
      highBand = std::max(highBand, BandOf(level));
    }
    AppendEdgeCrossings(crossings_, outline_[k].x, outline_[k].y, l0, outline_[k + 1].x,
                        outline_[k + 1].y, l1, true);
  }
  FillBands(dc, lowBand, highBand);
  if (drawMesh) {
    dc.SelectPen(basicPens_[kGreyPen]);
    dc.Polyline(outline_);
    dc.SelectPen(kStockBlackPen);
  }
}
