// The surface sampled on the mesh over the axis ranges, the Z range the graph must show,
// and the residual statistics of residual graphs.
#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "app/long_double.h"
#include "graph3d/renderer.h"
#include "numerics/stepped_range.h"

namespace {

constexpr long double kHuge = 1e300L;

// A node value as stored in the grid: its logarithm on a log Z axis, the missing value
// where there is none.
long double StoredNodeValue(long double z, bool logZ) {
  if (!IsUsableValue(z)) return ExprErrorValue;
  if (logZ) {
    if (!(z > 0)) return ExprErrorValue;
    z = std::log10(z);
  }
  return z;
}

// A Z range for a log axis from values in data units: decades, at least one, at most 8.
void ToLogRange(long double& low, long double& high) {
  low = low > 0 ? std::log10(low) : -2;
  high = high > 0 ? std::log10(high) : 0;
  if (high <= low) high = low + 1;
  if (high - low > 8) low = high - 8;
}

}  // namespace

bool T3DBase::AllocGrid(int nx, int ny) {
  FreeGrid();
  if (!(contentFlags_ & kContentSurface)) return true;
  nx = std::clamp(nx, 2, kMaxMesh);
  ny = std::clamp(ny, 2, kMaxMesh);
  try {
    const std::size_t n = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    grid_.assign(n, ExprErrorValue);
    nodeCounts_.assign(n, 1);
    nodeX_.assign(n, kOffScreen);
    nodeY_.assign(n, kOffScreen);
    nodeLevel_.assign(n, 0);
  } catch (const std::bad_alloc&) {
    FreeGrid();
    return false;
  }
  gridNx_ = nx;
  gridNy_ = ny;
  return true;
}

void T3DBase::FreeGrid() {
  grid_.clear();
  grid_.shrink_to_fit();
  nodeCounts_.clear();
  nodeX_.clear();
  nodeY_.clear();
  nodeLevel_.clear();
  gridNx_ = gridNy_ = 0;
}

long double T3DBase::NodeX(int i) const {
  return EvenlySpacedNode(scaling_.AxisLow[kAxisX], scaling_.AxisHigh[kAxisX], i, gridNx_);
}

long double T3DBase::NodeY(int j) const {
  return EvenlySpacedNode(scaling_.AxisLow[kAxisY], scaling_.AxisHigh[kAxisY], j, gridNy_);
}

void T3DBase::ComputeGrid() {
  if (contentFlags_ == 0) return;
  const bool logZ = scaling_.Log[kAxisZ] != 0;
  long double& zLow = scaling_.DataLow[kAxisZ];
  long double& zHigh = scaling_.DataHigh[kAxisZ];

  if (contentFlags_ & kContentResiduals) {
    const TResidualStats& s = residuals_;
    long double low = s.minR, high = s.maxR;
    switch (setup_ != nullptr ? setup_->ResidualMode : 1) {
      case 2: low = logZ ? s.minAbsP : s.minP; high = s.maxP; break;
      case 3: low = logZ ? s.minAbsS : s.minS; high = s.maxAbsS; break;
      default: low = logZ ? s.minAbsR : s.minR; high = s.maxR; break;
    }
    if (logZ) ToLogRange(low, high);
    zLow = low;
    zHigh = high;
    return;
  }
  if (contentFlags_ & kContentPoints) {
    const std::span<const TXYZPoint> table = PointTable();
    if (!table.empty()) {
      long double low = table[0].Z;     // the statistics keep the Z minimum here
      long double high = table[0].RXYZ;  // and the Z maximum here
      if (logZ) ToLogRange(low, high);
      zLow = low;
      zHigh = high;
    }
  }
  if (!(contentFlags_ & kContentSurface) || gridNx_ < 2) return;

  const int flags = contentFlags_;
  const bool widen = flags == 1 || flags == 9 || flags == 33 ||
                     ((flags & 3) == 3 && (setup_ == nullptr || setup_->ZFromPoints == 0));
  long double low = kHuge;
  long double high = -kHuge;
  // With the points shown too, the surface widens their range: starting afresh would
  // leave out every point that lies beyond the surface's own heights.
  if ((flags & kContentPoints) && !PointTable().empty()) {
    low = zLow;
    high = zHigh;
  }
  auto widenBy = [&](long double z, std::size_t node) {
    if (!widen || z == ExprErrorValue || !nodeCounts_[node]) return;
    low = std::min(low, z);
    high = std::max(high, z);
  };

  const int nx = gridNx_;
  const int ny = gridNy_;
  const bool logX = scaling_.Log[kAxisX] != 0;
  const bool logY = scaling_.Log[kAxisY] != 0;

  const RegionFunction* region =
      setup_ != nullptr && setup_->ScaleRegion ? &setup_->ScaleRegion : nullptr;
  for (int i = 0; i < nx; ++i) {
    const long double x = NodeX(i);
    for (int j = 0; j < ny; ++j) {
      const long double y = NodeY(j);
      nodeCounts_[Node(i, j)] =
          region == nullptr || (*region)(logX ? std::pow(10.0L, x) : x, logY ? std::pow(10.0L, y) : y);
    }
  }
  // A mesh too coarse to put a node inside the region counts every node.
  if (std::find(nodeCounts_.begin(), nodeCounts_.end(), 1) == nodeCounts_.end())
    std::fill(nodeCounts_.begin(), nodeCounts_.end(), 1);

  bool filled = false;
  if ((flags & kContentGridFunction) && setup_ != nullptr && setup_->GridFn) {
    std::vector<long double> xs(static_cast<std::size_t>(nx));
    std::vector<long double> ys(static_cast<std::size_t>(ny));
    for (int i = 0; i < nx; ++i) {
      const long double x = NodeX(i);
      xs[static_cast<std::size_t>(i)] = logX ? std::pow(10.0L, x) : x;
    }
    for (int j = 0; j < ny; ++j) {
      const long double y = NodeY(j);
      ys[static_cast<std::size_t>(j)] = logY ? std::pow(10.0L, y) : y;
    }
    const std::vector<long double> block = setup_->GridFn(nx, ny, xs, ys);
    // A block of the wrong size is treated like no block: the grid is sampled point by point.
    if (block.size() == static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny)) {
      for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
          const long double z = StoredNodeValue(block[static_cast<std::size_t>(nx * j + i)], logZ);
          grid_[Node(i, j)] = z;
          widenBy(z, Node(i, j));
        }
      }
      filled = true;
    }
  }
  if (!filled) {
    const SurfaceFunction& f = setup_->SurfaceFn;
    for (int i = 0; i < nx; ++i) {
      const long double x = NodeX(i);
      const long double X = logX ? std::pow(10.0L, x) : x;
      for (int j = 0; j < ny; ++j) {
        const long double y = NodeY(j);
        const long double Y = logY ? std::pow(10.0L, y) : y;
        const long double z = StoredNodeValue(f(X, Y), logZ);
        grid_[Node(i, j)] = z;
        widenBy(z, Node(i, j));
      }
    }
  }
  // A surface without a single value leaves the Z range as it was (the original range
  // of 1e300 would be no range at all).
  if (widen && low <= high) {
    if (high <= low) high = low + 1;
    if (logZ && high - low > 8) low = high - 8;
    zLow = low;
    zHigh = high;
  }
}

T3DBase::TComputedSurface T3DBase::KeepComputed() const {
  TComputedSurface k;
  k.nx = gridNx_;
  k.ny = gridNy_;
  k.grid = grid_;
  k.nodeCounts = nodeCounts_;
  k.scaling = scaling_;
  k.mid = mid_;
  k.scale = scale_;
  k.zSpan = zSpan_;
  k.residuals = residuals_;
  k.residualBand = residualBand_;
  k.keptPoints = keptPoints_;
  k.visible = visible_;
  k.symbolHalfSize = symbolHalfSize_;
  return k;
}

void T3DBase::PutBackComputed(TComputedSurface kept) {
  gridNx_ = kept.nx;
  gridNy_ = kept.ny;
  grid_ = std::move(kept.grid);
  nodeCounts_ = std::move(kept.nodeCounts);
  // The drawers' node arrays are work space of the grid's size, filled at each drawing.
  nodeX_.assign(grid_.size(), kOffScreen);
  nodeY_.assign(grid_.size(), kOffScreen);
  nodeLevel_.assign(grid_.size(), 0);
  scaling_ = kept.scaling;
  mid_ = kept.mid;
  scale_ = kept.scale;
  zSpan_ = kept.zSpan;
  residuals_ = kept.residuals;
  residualBand_ = kept.residualBand;
  keptPoints_ = std::move(kept.keptPoints);
  visible_ = std::move(kept.visible);
  symbolHalfSize_ = kept.symbolHalfSize;
  dirty_ = true;
}

void T3DBase::GridMinMax(long double& min, long double& max, long double* xBracket,
                         long double* yBracket) const {
  min = kHuge;
  max = -kHuge;
  int minI = -1, minJ = -1, maxI = -1, maxJ = -1;
  for (int i = 0; i < gridNx_; ++i) {
    for (int j = 0; j < gridNy_; ++j) {
      const long double z = grid_[Node(i, j)];
      if (z == ExprErrorValue || !nodeCounts_[Node(i, j)]) continue;
      if (z < min) {
        min = z;
        minI = i;
        minJ = j;
      }
      if (z > max) {
        max = z;
        maxI = i;
        maxJ = j;
      }
    }
  }
  if (minI < 0) return;
  // Brackets in axis coordinates: the line before, the node's own line, the line after
  // (the first and last lines stand in for the lines beyond the ends).
  auto bracket = [](long double* out, int k, int n, auto node) {
    out[0] = node(std::max(k - 1, 0));
    out[1] = node(k);
    out[2] = node(std::min(k + 1, n - 1));
  };
  const auto nodeX = [this](int i) { return NodeX(i); };
  const auto nodeY = [this](int j) { return NodeY(j); };
  if (xBracket != nullptr) {
    bracket(xBracket, minI, gridNx_, nodeX);
    bracket(xBracket + 3, maxI, gridNx_, nodeX);
  }
  if (yBracket != nullptr) {
    bracket(yBracket, minJ, gridNy_, nodeY);
    bracket(yBracket + 3, maxJ, gridNy_, nodeY);
  }
}

void T3DBase::ComputeResiduals() {
  TResidualStats s;
  // Signed extremes start at 0 so that a residual graph always shows the zero plane.
  s.minAbsR = s.minAbsP = s.minAbsS = kHuge;
  s.maxAbsR = s.maxAbsS = -kHuge;
  s.maxAbsRIndex = 1;
  long double sum = 0;
  long double sumSquares = 0;
  const long double sigma =
      points_.FitRecord != nullptr && *points_.FitRecord > 0 ? *points_.FitRecord : 0;
  const std::span<const TXYZPoint> table = PointTable();
  const int n = PointCount(table);
  if (setup_ != nullptr && setup_->SurfaceFn) {
    for (int k = 1; k <= n; ++k) {
      const TXYZPoint& pt = table[static_cast<std::size_t>(k)];
      if (!IsActive(pt)) continue;
      const long double f = setup_->SurfaceFn(pt.X, pt.Y);
      if (!IsUsableValue(f)) continue;
      const long double r = pt.Z - f;
      if (!std::isfinite(r)) continue;
      const long double p = pt.Z != 0 ? 100 * r / pt.Z : 0;
      const long double sd = sigma > 0 ? r / sigma : 0;
      ++s.count;
      sum += r;
      sumSquares += r * r;
      s.minR = std::min(s.minR, r);
      s.maxR = std::max(s.maxR, r);
      s.minP = std::min(s.minP, p);
      s.maxP = std::max(s.maxP, p);
      s.minS = std::min(s.minS, sd);
      s.maxS = std::max(s.maxS, sd);
      s.minAbsR = std::min(s.minAbsR, std::fabs(r));
      if (std::fabs(r) > s.maxAbsR) {
        s.maxAbsR = std::fabs(r);
        s.maxAbsRIndex = k;
      }
      s.minAbsP = std::min(s.minAbsP, std::fabs(p));
      s.minAbsS = std::min(s.minAbsS, std::fabs(sd));
      s.maxAbsS = std::max(s.maxAbsS, std::fabs(sd));
    }
  }
  if (s.count > 0) {
    s.mean = sum / s.count;
    s.sumSquaredDeviations = std::max(sumSquares - sum * sum / s.count, 0.0L);
    s.standardDeviation = std::sqrt(s.sumSquaredDeviations / s.count);
  } else {
    // No usable point: every statistic is 0 rather than 0/0 or the 1e300 start values.
    s.minAbsR = s.maxAbsR = s.minAbsP = s.minAbsS = s.maxAbsS = 0;
  }
  // A range must never be empty.
  for (auto [mx, mn] : {std::pair{&s.maxR, s.minR}, std::pair{&s.maxP, s.minP},
                        std::pair{&s.maxAbsR, s.minAbsR}, std::pair{&s.maxS, s.minS},
                        std::pair{&s.maxAbsS, s.minAbsS}}) {
    if (*mx == mn) *mx = mn + 1e-8L;
  }
  residuals_ = s;
}
