// Codes 0 to 3 of the gridded-data engine: the interpolating tensor-product B-spline on de
// Boor's optimal knots (code 0), the bicubic one with Akima's rectangular-grid surface beyond
// the data (code 1), Akima's surface everywhere (code 2) and the least-squares B-spline with
// chosen coefficient counts on evenly spaced breakpoints (code 3), all through the numerical
// library's entries.
//
// Arrays of a compute (doubles): the grid's x vector (nx), y vector (ny) and z matrix (x
// fastest); the knots; the coefficients, followed for code 1 by the edge-derivative table
// (zx, zy, zxy per node, node (i, j) at 3 (i + nx j), filled on the first two and last two
// rows and columns, all that Akima's surface reads beyond the data); for code 2 the
// coefficient array holds Akima's derivative table of every node instead.
//
// Every library call is checked: a failed step leaves no coefficients, so that the surface
// answers 0 and its grids are empty rather than showing whatever the library left behind.
#include <algorithm>
#include <array>

#include "app/point_table.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/libs/numerical_library.h"

namespace {

// Derivative orders (x, y) of the modes 0 .. 5.
constexpr std::array<std::array<int, 2>, 6> kModeOrders = {
    {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {1, 1}}};

long double Clamp(long double v, long double lo, long double hi) {
  return std::min(std::max(v, lo), hi);
}

}  // namespace

bool TSpline3D::ReadGrid(std::span<TXYZPoint> grid) {
  FreeWork();
  if (grid.empty()) grid = working_;
  if (!GridPointsToMatrix(grid, nx_, ny_, xv_, yv_, zm_)) return false;
  // The axes again from the grid's own digits (sorted by y, then x), shifted for the library.
  for (int i = 0; i < nx_; ++i) xv_[static_cast<std::size_t>(i)] = LibX(grid[static_cast<std::size_t>(i) + 1].X);
  for (int j = 0; j < ny_; ++j)
    yv_[static_cast<std::size_t>(j)] = LibY(grid[static_cast<std::size_t>(j) * static_cast<std::size_t>(nx_) + 1].Y);
  return true;
}

// Knots, counts and coefficients of the interpolating B-spline of orders kx, ky (lowered to
// the node count of an axis that has fewer nodes than the order needs) over the grid read.
bool TSpline3D::InterpolatingBSpline(int kx, int ky) {
  const auto bsopk = NumLibEntry<TNumLibEntry::BSOpk>();
  const auto bsint2 = NumLibEntry<TNumLibEntry::BSInt2>();
  if (!bsopk || !bsint2) return false;
  kx_ = std::min(kx, nx_);
  ky_ = std::min(ky, ny_);
  tx_.assign(static_cast<std::size_t>(nx_ + kx_), 0.0);
  ty_.assign(static_cast<std::size_t>(ny_ + ky_), 0.0);
  int ier = -1;
  bsopk(nx_, xv_.data(), kx_, tx_.data(), ier);
  if (ier != 0) return false;
  bsopk(ny_, yv_.data(), ky_, ty_.data(), ier);
  if (ier != 0) return false;
  coefCountX_ = nx_;
  coefCountY_ = ny_;
  bsint2(nx_, xv_.data(), ny_, yv_.data(), zm_.data(), nx_, kx_, ky_, tx_.data(), ty_.data(),
         coef_.data(), ier);
  return ier == 0;
}

void TSpline3D::ComputeInterp(std::span<TXYZPoint> grid) {
  if (!ReadGrid(grid)) return;
  coef_.assign(static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_), 0.0);
  if (!InterpolatingBSpline(OrderX(), OrderY())) FreeWork();
}

void TSpline3D::ComputeInterpAkimaEdge(std::span<TXYZPoint> grid) {
  if (!ReadGrid(grid)) return;
  const std::size_t nodes = static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
  coef_.assign(4 * nodes, 0.0);
  const auto bsder2 = NumLibEntry<TNumLibEntry::BSDer2>();
  if (!bsder2 || !InterpolatingBSpline(4, 4)) {
    FreeWork();
    return;
  }
  double* table = coef_.data() + nodes;
  auto edge = [this](int i, int j) { return i < 2 || j < 2 || i >= nx_ - 2 || j >= ny_ - 2; };
  for (int j = 0; j < ny_; ++j)
    for (int i = 0; i < nx_; ++i) {
      if (!edge(i, j)) continue;
      double* d = table + 3 * (static_cast<std::size_t>(i) + static_cast<std::size_t>(nx_) * j);
      const double x = xv_[static_cast<std::size_t>(i)], y = yv_[static_cast<std::size_t>(j)];
      int ier = 0;
      for (const auto& [ox, oy, slot] : {std::array<int, 3>{1, 0, 0}, {0, 1, 1}, {1, 1, 2}}) {
        bsder2(ox, oy, x, y, kx_, ky_, tx_.data(), ty_.data(), coefCountX_, coefCountY_,
               coef_.data(), d[slot], ier);
        if (ier != 0) {
          FreeWork();
          return;
        }
      }
    }
}

void TSpline3D::ComputeAkima() {
  if (!ReadGrid({})) return;
  const auto rgbi3p = NumLibEntry<TNumLibEntry::rgbi3p>();
  coef_.assign(3 * static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_), 0.0);
  double scratch = 0.0;
  int ier = -1;
  if (rgbi3p)
    rgbi3p(1, nx_, ny_, xv_.data(), yv_.data(), zm_.data(), 1, xv_.data(), yv_.data(), &scratch,
           coef_.data(), 0, ier);
  if (ier != 0) FreeWork();
}

void TSpline3D::ComputeLsq() {
  if (!ReadGrid({})) return;
  const auto bsopk = NumLibEntry<TNumLibEntry::BSOpk>();
  const auto bslsq2 = NumLibEntry<TNumLibEntry::BSLsq2>();
  if (!bsopk || !bslsq2) {
    FreeWork();
    return;
  }
  kx_ = OrderX();
  ky_ = OrderY();
  coefCountX_ = lsqCoefX_;
  coefCountY_ = lsqCoefY_;
  tx_.assign(static_cast<std::size_t>(coefCountX_ + kx_), 0.0);
  ty_.assign(static_cast<std::size_t>(coefCountY_ + ky_), 0.0);
  int ier = -1;
  // Knots for interpolation at breakpoints spread evenly over the data's extent.
  const std::vector<double> bx = LinSpace(0.0, LibX(ext_[1]), coefCountX_);
  bsopk(coefCountX_, bx.data(), kx_, tx_.data(), ier);
  if (ier == 0) {
    const std::vector<double> by = LinSpace(0.0, LibY(ext_[3]), coefCountY_);
    bsopk(coefCountY_, by.data(), ky_, ty_.data(), ier);
  }
  if (ier == 0) {
    wx_.assign(static_cast<std::size_t>(nx_), 1.0);
    wy_.assign(static_cast<std::size_t>(ny_), 1.0);
    coef_.assign(static_cast<std::size_t>(coefCountX_) * static_cast<std::size_t>(coefCountY_), 0.0);
    bslsq2(nx_, xv_.data(), ny_, yv_.data(), zm_.data(), nx_, kx_, ky_, tx_.data(), ty_.data(),
           coefCountX_, coefCountY_, wx_.data(), wy_.data(), coef_.data(), ier);
  }
  if (ier != 0) FreeWork();
}

// ---- evaluation ----

// Codes 0 and 3: beyond the data the surface continues as its value (or derivative) at the
// nearest edge point.
long double TSpline3D::EvalBSpline(long double x, long double y, int mode) {
  const auto bsder2 = NumLibEntry<TNumLibEntry::BSDer2>();
  if (!bsder2 || coef_.empty()) return 0.0L;
  const auto [ix, iy] = kModeOrders[static_cast<std::size_t>(mode)];
  double v = 0.0;
  int ier = -1;
  bsder2(ix, iy, LibX(Clamp(x, ext_[0], ext_[1])), LibY(Clamp(y, ext_[2], ext_[3])), kx_, ky_, tx_.data(),
         ty_.data(), coefCountX_, coefCountY_, coef_.data(), v, ier);
  return ier == 0 ? v : 0.0L;
}

// Code 1: the B-spline inside the data rectangle, Akima's extrapolation beyond it.
long double TSpline3D::EvalBSplineAkimaEdge(long double x, long double y, int mode) {
  if (coef_.empty()) return 0.0L;
  if (Inside(x, y)) {
    const auto bsder2 = NumLibEntry<TNumLibEntry::BSDer2>();
    if (!bsder2) return 0.0L;
    const auto [ix, iy] = kModeOrders[static_cast<std::size_t>(mode)];
    double v = 0.0;
    int ier = -1;
    bsder2(ix, iy, LibX(x), LibY(y), kx_, ky_, tx_.data(),
           ty_.data(), coefCountX_, coefCountY_, coef_.data(), v, ier);
    return ier == 0 ? v : 0.0L;
  }
  const auto rgbi3p = NumLibEntry<TNumLibEntry::rgbi3p>();
  if (!rgbi3p) return 0.0L;
  const double px = LibX(x), py = LibY(y);
  double v = 0.0;
  int ier = -1;
  rgbi3p(2, nx_, ny_, xv_.data(), yv_.data(), zm_.data(), 1, &px, &py, &v,
         coef_.data() + static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_), mode, ier);
  return ier == 0 ? v : 0.0L;
}

long double TSpline3D::EvalAkima(long double x, long double y, int mode) {
  const auto rgbi3p = NumLibEntry<TNumLibEntry::rgbi3p>();
  if (!rgbi3p || coef_.empty()) return 0.0L;
  const double px = LibX(x), py = LibY(y);
  double v = 0.0;
  int ier = -1;
  rgbi3p(2, nx_, ny_, xv_.data(), yv_.data(), zm_.data(), 1, &px, &py, &v, coef_.data(), mode,
         ier);
  return ier == 0 ? v : 0.0L;
}

// The grid of codes 0 and 3 at the output axes clamped to the data's extents: nodes beyond
// the data take the values at the nearest edge, as the point evaluation does, and an axis
// wholly beyond the data is held at its nearest edge.
std::vector<long double> TSpline3D::EvalGridBSpline(int nxo, int nyo, std::span<const long double> xs,
                                                    std::span<const long double> ys, int mode) {
  const auto bsgevl = NumLibEntry<TNumLibEntry::BSGEvl>();
  if (!bsgevl || coef_.empty()) return {};
  std::vector<double> xe(static_cast<std::size_t>(nxo)), ye(static_cast<std::size_t>(nyo));
  for (std::size_t i = 0; i < xe.size(); ++i) xe[i] = LibX(Clamp(xs[i], ext_[0], ext_[1]));
  for (std::size_t j = 0; j < ye.size(); ++j) ye[j] = LibY(Clamp(ys[j], ext_[2], ext_[3]));
  std::vector<double> values(xe.size() * ye.size());
  const auto [ix, iy] = kModeOrders[static_cast<std::size_t>(mode)];
  int ier = -1;
  bsgevl(ix, iy, nxo, xe.data(), nyo, ye.data(), kx_, ky_, tx_.data(), ty_.data(), coefCountX_,
         coefCountY_, coef_.data(), values.data(), nxo, ier);
  if (ier != 0) return {};
  return {values.begin(), values.end()};
}

std::vector<long double> TSpline3D::EvalGridBSplineAkimaEdge(int nxo, int nyo,
                                                             std::span<const long double> xs,
                                                             std::span<const long double> ys,
                                                             int mode) {
  std::vector<long double> grid = EvalGridBSpline(nxo, nyo, xs, ys, mode);
  if (grid.empty()) return grid;
  for (int j = 0; j < nyo; ++j)
    for (int i = 0; i < nxo; ++i) {
      const long double x = xs[static_cast<std::size_t>(i)], y = ys[static_cast<std::size_t>(j)];
      if (!Inside(x, y))
        grid[static_cast<std::size_t>(j) * static_cast<std::size_t>(nxo) + static_cast<std::size_t>(i)] =
            EvalBSplineAkimaEdge(x, y, mode);
    }
  return grid;
}

std::vector<long double> TSpline3D::EvalGridAkima(int nxo, int nyo, std::span<const long double> xs,
                                                  std::span<const long double> ys, int mode) {
  const auto rgbi3p = NumLibEntry<TNumLibEntry::rgbi3p>();
  if (!rgbi3p || coef_.empty()) return {};
  const std::size_t n = static_cast<std::size_t>(nxo) * static_cast<std::size_t>(nyo);
  std::vector<double> px(n), py(n), values(n);
  for (std::size_t j = 0, k = 0; j < static_cast<std::size_t>(nyo); ++j)
    for (std::size_t i = 0; i < static_cast<std::size_t>(nxo); ++i, ++k) {
      px[k] = LibX(xs[i]);
      py[k] = LibY(ys[j]);
    }
  int ier = -1;
  rgbi3p(2, nx_, ny_, xv_.data(), yv_.data(), zm_.data(), static_cast<int>(n), px.data(),
         py.data(), values.data(), coef_.data(), mode, ier);
  if (ier != 0) return {};
  return {values.begin(), values.end()};
}
