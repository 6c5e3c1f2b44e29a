// The Shepard and natural-neighbour methods of the scattered-data engine: Renka II (code 4,
// the modified quadratic or cubic Shepard method), Renka III (code 5, the cosine-series
// Shepard method), both from the numerical library in unit coordinates, and Watson's
// natural-neighbour interpolation (code 6) on the program's own kernel in the data's own
// coordinates.
//
// Work buffers of Renka II and III (N points, nr = floor(sqrt(N / 3)) cells per side):
//   iwk  nr, the order q (1 quadratic, 2 cubic or cosine), the words per node c (6, 10, 11),
//        then LNEXT (N) and LCELL (nr * nr)
//   wk   the radii (N), the nodal coefficients ((c - 1) N), then XMIN, YMIN, DX, DY, RMAX
//        and, for Renka III, its two further reals
// A library error during an evaluation gives 0, as the published routines give outside
// every radius, not the missing value.
#include <cmath>

#include "app/long_double.h"
#include "app/point_table.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/kernels/natural_neighbour.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/libs/numerical_library.h"

namespace {

enum THeaderWord : int { kCells = 0, kOrder = 1, kPerNode = 2 };
constexpr int kHeaderWords = 3;
enum TTail : int { kXMin = 0, kYMin, kDX, kDY, kRMax, kKappa, kRatio };
constexpr int kTailShepard2 = 5;
constexpr int kTailShepard3 = 7;
constexpr int kMaxNodes = 40;
// Quadratic second derivatives: differences of the gradient this far either side, in unit
// coordinates.
constexpr double kGradientStep = 0.000001;

// The arrays of a Shepard set-up, as the library's routines take them.
struct TShepardWork {
  int n, nr;
  int* lnext;
  int* lcell;
  double* radii;
  double* coef;
  double* tail;
};

TShepardWork Work(std::vector<int>& iwk, std::vector<double>& wk, int n) {
  const int nr = iwk[kCells], perNode = iwk[kPerNode];
  int* lnext = iwk.data() + kHeaderWords;
  return {n, nr, lnext, lnext + n, wk.data(), wk.data() + n,
          wk.data() + static_cast<std::size_t>(perNode) * n};
}

}  // namespace

// Shared steps of the two set-ups: the copy's columns in unit coordinates and the buffers.
// Answers false (nothing allocated) when the points are collinear or too few.
bool TNParm3D::PrepareShepard(int minPoints, int order, int perNode, int tail) {
  PointTable copy = CopyPoints(working_);
  if (copy.empty() || pointCount_ < minPoints || IsCollinearXY(copy, false, nullptr)) return false;
  const int n = pointCount_;
  TakeColumns(copy, true);
  firstCall_ = 1;
  const int nr = static_cast<int>(std::sqrt(n / 3.0));
  iwk_.assign(static_cast<std::size_t>(nr) * nr + n + kHeaderWords, 0);
  wk_.assign(static_cast<std::size_t>(perNode) * n + tail, 0.0);
  iwk_[kCells] = nr;
  iwk_[kOrder] = order;
  iwk_[kPerNode] = perNode;
  return true;
}

int TNParm3D::SetupShepard2() {
  // Below 10 points the cubic nodal functions cannot be fitted: the quadratic ones serve.
  const int order = pointCount_ < 10 && option1_ == 2 ? 1 : option1_;
  const int perNode = order == 2 ? 10 : 6;
  if (!PrepareShepard(6, order, perNode, kTailShepard2)) return 0;
  const int n = pointCount_, limit = std::min(n - 1, kMaxNodes);
  const int nq = std::min(std::max(option2_, perNode - 1), limit);
  const int nw = std::min(order == 2 ? option2_ * 30 / 17 : option2_ * 19 / 13, limit);
  const TShepardWork w = Work(iwk_, wk_, n);
  double* t = w.tail;
  const auto setup = order == 2 ? NumLibEntry<TNumLibEntry::cshep2>() : NumLibEntry<TNumLibEntry::qshep2>();
  int ier = -1;
  if (setup)
    setup(n, xd_.data(), yd_.data(), zd_.data(), nq, nw, w.nr, w.lcell, w.lnext, t[kXMin],
          t[kYMin], t[kDX], t[kDY], t[kRMax], w.radii, w.coef, ier);
  if (ier != 0) {
    FreeWork();
    return 0;
  }
  return 1;
}

int TNParm3D::SetupShepard3() {
  if (!PrepareShepard(10, 2, 11, kTailShepard3)) return 0;
  const int n = pointCount_, limit = std::min(n - 1, kMaxNodes);
  const int nc = std::min(std::max(option2_, 9), limit);
  const int nw = std::min(option2_ * 32 / 18, limit);
  const TShepardWork w = Work(iwk_, wk_, n);
  double* t = w.tail;
  const auto setup = NumLibEntry<TNumLibEntry::tshep2>();
  int ier = -1;
  if (setup)
    setup(n, xd_.data(), yd_.data(), zd_.data(), nc, nw, w.nr, w.lcell, w.lnext, t[kXMin],
          t[kYMin], t[kDX], t[kDY], t[kKappa], t[kRatio], t[kRMax], w.radii, w.coef, ier);
  if (ier != 0) {
    FreeWork();
    return 0;
  }
  return 1;
}

long double TNParm3D::EvalShepard2(long double x, long double y, int mode) {
  if (iwk_.empty() || wk_.empty() || xd_.empty()) return 0.0L;
  const int n = pointCount_;
  const TShepardWork w = Work(iwk_, wk_, n);
  const double* t = w.tail;
  const double u = static_cast<double>(UnitX(x)), v = static_cast<double>(UnitY(y));
  const double *px = xd_.data(), *py = yd_.data(), *pz = zd_.data();
  const bool cubic = iwk_[kOrder] == 2;
  double f = 0, fx = 0, fy = 0, fxx = 0, fxy = 0, fyy = 0;
  int ier = -1;
  switch (mode) {
    case kDerivValue:
      if (const auto val = cubic ? NumLibEntry<TNumLibEntry::cs2val>() : NumLibEntry<TNumLibEntry::qs2val>())
        val(u, v, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
            t[kRMax], w.radii, w.coef, f);
      return f;
    case kDerivX:
    case kDerivY:
      if (const auto grd = cubic ? NumLibEntry<TNumLibEntry::cs2grd>() : NumLibEntry<TNumLibEntry::qs2grd>())
        grd(u, v, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
            t[kRMax], w.radii, w.coef, f, fx, fy, ier);
      return ier == 0 ? FromUnits(mode == kDerivX ? fx : fy, mode) : 0.0L;
    case kDerivXX:
    case kDerivYY:
    case kDerivXY:
      break;
    default:
      return 0.0L;
  }
  if (cubic) {
    if (const auto hes = NumLibEntry<TNumLibEntry::cs2hes>())
      hes(u, v, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
          t[kRMax], w.radii, w.coef, f, fx, fy, fxx, fxy, fyy, ier);
    if (ier != 0) return 0.0L;
    return FromUnits(mode == kDerivXX ? fxx : mode == kDerivYY ? fyy : fxy, mode);
  }
  // Quadratic nodal functions give a gradient only: the second derivatives are central
  // differences of it.
  const auto grd = NumLibEntry<TNumLibEntry::qs2grd>();
  if (!grd) return 0.0L;
  const bool alongY = mode == kDerivYY;
  double g[2][2] = {};
  for (int side = 0; side < 2; ++side) {
    const double step = side == 0 ? -kGradientStep : kGradientStep;
    const double su = alongY ? u : u + step, sv = alongY ? v + step : v;
    grd(su, sv, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
        t[kRMax], w.radii, w.coef, f, g[side][0], g[side][1], ier);
    if (ier != 0) return 0.0L;
  }
  const int component = mode == kDerivXX ? 0 : 1;
  return FromUnits(500000.0 * (g[1][component] - g[0][component]), mode);
}

long double TNParm3D::EvalShepard3(long double x, long double y, int mode) {
  if (iwk_.empty() || wk_.empty() || xd_.empty() || mode < kDerivValue || mode > kDerivXY)
    return 0.0L;
  const int n = pointCount_;
  const TShepardWork w = Work(iwk_, wk_, n);
  const double* t = w.tail;
  const double u = static_cast<double>(UnitX(x)), v = static_cast<double>(UnitY(y));
  const double *px = xd_.data(), *py = yd_.data(), *pz = zd_.data();
  double f = 0, fx = 0, fy = 0, fxx = 0, fxy = 0, fyy = 0;
  int ier = -1;
  if (mode == kDerivValue) {
    if (const auto val = NumLibEntry<TNumLibEntry::ts2val>())
      val(u, v, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
          t[kKappa], t[kRatio], t[kRMax], w.radii, w.coef, f);
    return f;
  }
  if (mode == kDerivX || mode == kDerivY) {
    if (const auto grd = NumLibEntry<TNumLibEntry::ts2grd>())
      grd(u, v, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
          t[kKappa], t[kRatio], t[kRMax], w.radii, w.coef, f, fx, fy, ier);
    return ier == 0 ? FromUnits(mode == kDerivX ? fx : fy, mode) : 0.0L;
  }
  if (const auto hes = NumLibEntry<TNumLibEntry::ts2hes>())
    hes(u, v, n, px, py, pz, w.nr, w.lcell, w.lnext, t[kXMin], t[kYMin], t[kDX], t[kDY],
        t[kKappa], t[kRatio], t[kRMax], w.radii, w.coef, f, fx, fy, fxx, fxy, fyy, ier);
  if (ier != 0) return 0.0L;
  return FromUnits(mode == kDerivXX ? fxx : mode == kDerivYY ? fyy : fxy, mode);
}

std::vector<long double> TNParm3D::GridShepard(int nx, int ny, std::span<const long double> xs,
                                               std::span<const long double> ys, int mode,
                                               bool cosine) {
  if (iwk_.empty() || wk_.empty() || xd_.empty()) return {};
  std::vector<long double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0.0L);
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      grid[static_cast<std::size_t>(j) * nx + i] =
          cosine ? EvalShepard3(xs[i], ys[j], mode) : EvalShepard2(xs[i], ys[j], mode);
  return grid;
}

// Watson works in the data's own units: scaling an axis scales nothing inside it. The
// coordinates are measured from the data's lower corner, the shift taken in long doubles, so
// that data far from the origin keep their digits in the kernel's doubles.
int TNParm3D::SetupWatson() {
  TakeColumns(working_, false);
  const int n = pointCount_;
  std::size_t i = 0;
  for (const TXYZPoint& p : PointsOf(working_)) {
    xd_[i] = static_cast<double>(p.X - xMin_);
    yd_[i] = static_cast<double>(p.Y - yMin_);
    ++i;
  }
  // The natural-neighbour triangulation starts from an enclosing triangle, so collinear
  // points leave it nothing to refuse: the answer only says whether the first three moved.
  (void)RenkaPrepareFirstThree(n, xd_.data(), yd_.data(), zd_.data(), 1);
  return WatsonCreate(watson_, n, xd_.data(), yd_.data(), zd_.data(), option2_);
}

// A point the interpolator cannot reach (beyond every circumcircle, some ten data ranges
// out, or not a number) has no value: the missing value, which the graph, the tables and
// the statistics leave out, where a 0 would read as a height of the surface.
long double TNParm3D::EvalWatson(long double x, long double y, int mode) {
  if (xd_.empty()) return 0.0L;
  return WatsonEvaluate(watson_, static_cast<double>(x - xMin_), static_cast<double>(y - yMin_), mode);
}

std::vector<long double> TNParm3D::GridWatson(int nx, int ny, std::span<const long double> xs,
                                              std::span<const long double> ys, int mode) {
  if (xd_.empty()) return {};
  std::vector<long double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0.0L);
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      grid[static_cast<std::size_t>(j) * nx + i] = EvalWatson(xs[i], ys[j], mode);
  return grid;
}

bool TNParm3D::InReach(long double x, long double y) {
  if ((method_ != kNPRenka2 && method_ != kNPRenka3) || wk_.empty() || xd_.empty()) return true;
  const double u = static_cast<double>(UnitX(x)), v = static_cast<double>(UnitY(y));
  const std::size_t n = xd_.size();
  for (std::size_t k = 0; k < n; ++k) {
    const double du = u - xd_[k], dv = v - yd_[k], r = wk_[k];
    if (du * du + dv * dv < r * r) return true;
  }
  return false;
}
