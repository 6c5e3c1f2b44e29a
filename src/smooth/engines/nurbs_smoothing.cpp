// Codes 4 and 5 of the gridded-data engine: every grid column (along y) and then every row
// (along x) replaced by its TNurbs2D curve's ordinates at the line's own abscissas, then the
// interpolating B-spline through the smoothed grid (code 1's bicubic with Akima edges at
// degrees 3 and 3 without the cubic flag, code 0's otherwise).
#include "smooth/engines/nurbs_smoothing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "app/point_table.h"
#include "numerics/brent_zero.h"
#include "smooth/engines/gridded_engine.h"

namespace {

constexpr int kMaxNurbsDegree = 9;
// The root search's tolerance as a share of the line's extent. A tolerance scaled by |x|
// smoothed the same grid differently far from the origin: at x near 1e6 the curve point at
// u = x was taken without a search when it missed x by a tenth of a spacing. The share is
// fine enough that where the search stops within it, which the rounding of abscissas far
// from the origin decides, moves an ordinate by less than 1e-9 of the line's range (a
// share of 1e-8 left 3e-8 on degree-2 lines of 32 points).
constexpr long double kLineTolerance = 1e-10L;

}  // namespace

TNurbs2D::TNurbs2D(int degree, int count, const long double* abscissas,
                   const long double* ordinates, long double tolerance)
    : degree_(std::min(std::max(degree, 2), std::min(count - 2, kMaxNurbsDegree))),
      count_(count), t_(abscissas), v_(ordinates), tolerance_(tolerance) {}

int TNurbs2D::FindSpan(long double u) {
  const int q = spanCache_, n = count_;
  if (q > 0) {
    if (q < n && T(q) < u && u < T(q + 1)) return q;
    if (q < n - 1 && T(q + 1) < u && u < T(q + 2)) return spanCache_ = q + 1;
  }
  int lo = 0, hi = n + 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    if (T(mid) < u) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  spanCache_ = lo < 1 ? -1 : lo > n ? -2 : lo;
  return spanCache_;
}

// de Boor's algorithm on the p + 1 control points of the span, both coordinates at once.
long double TNurbs2D::PointAt(long double u, long double& ordinate, long double* spacing) {
  const int n = count_, p = degree_;
  if (u < T(1) || u > T(n)) {
    ordinate = u < T(1) ? V(1) : V(n);
    if (spacing) *spacing = 0;
    return u;
  }
  int k = FindSpan(u);
  if (k == -1) k = 0;
  if (k == -2) k = n;
  const int shift = p <= 4 ? 1 : p <= 6 ? 2 : 3;
  std::array<long double, kMaxNurbsDegree + 2> left{}, right{}, px{}, py{};
  for (int j = 1; j <= p; ++j) left[static_cast<std::size_t>(j)] = u - T(k + 1 - j);
  for (int j = 0; j < p; ++j) right[static_cast<std::size_t>(j)] = T(k + 1 + j) - u;
  if (spacing)
    *spacing = (left[static_cast<std::size_t>(p)] + right[static_cast<std::size_t>(p - 1)]) / (2 * p - 1);
  for (int i = 1; i <= p + 1; ++i) {
    const int m = k - p + i + shift;
    px[static_cast<std::size_t>(i)] = T(m);
    py[static_cast<std::size_t>(i)] = V(m);
  }
  for (int r = 1; r <= p; ++r)
    for (int i = 1; i <= p + 1 - r; ++i) {
      const int j = p + 2 - r - i;
      const long double a = right[static_cast<std::size_t>(i - 1)], b = left[static_cast<std::size_t>(j)];
      const long double d = a + b;
      if (d == 0) continue;
      const auto ui = static_cast<std::size_t>(i);
      px[ui] = (a / d) * px[ui] + (b / d) * px[ui + 1];
      py[ui] = (a / d) * py[ui] + (b / d) * py[ui + 1];
    }
  ordinate = py[1];
  return px[1];
}

// Brent's zero finder on f(u) = target - x(u); every curve point evaluated leaves its
// ordinate behind.
std::optional<long double> TNurbs2D::SolveParameter(long double target, long double a,
                                                    long double b, long double& ordinate,
                                                    long double tolerance, int* evaluations) {
  int count = 0;
  auto f = [&](long double u) {
    ++count;
    return target - PointAt(u, ordinate);
  };
  const long double fa = f(a), fb = f(b);
  std::optional<long double> root;
  if (!((fa > 0 && fb > 0) || (fa < 0 && fb < 0))) root = BrentZero(f, a, b, fa, fb, tolerance);
  if (!root) ordinate = 0;
  if (evaluations) *evaluations = count;
  return root;
}

std::optional<long double> TNurbs2D::ValueAt(long double x) {
  long double y = 0, h = 0;
  const long double d = x - PointAt(x, y, &h);
  if (std::fabs(d) <= 10 * tolerance_) return y;
  long double a, b, ignored = 0;
  if (d > 0) {
    a = x;
    b = x + h;
    for (int widen = 2; widen <= 8 && PointAt(b, ignored) < x; widen *= 2) b = x + widen * h;
  } else {
    b = x;
    a = x - h;
    for (int widen = 2; widen <= 8 && PointAt(a, ignored) > x; widen *= 2) a = x - widen * h;
  }
  if (!SolveParameter(x, a, b, y, tolerance_)) return std::nullopt;
  return y;
}

// ---- the engine's codes 4 and 5 ----

namespace {

// Replaces line[1 .. n] (abscissas at[1 .. n]) by its curve's ordinates; a line too short for
// a curve, or an ordinate whose root search fails, keeps its value. The curve runs from its
// first abscissa: far from the origin the root search's rounding step (2e-18 |x|) would
// otherwise be 2e-9 of a line at 1e9 and move the ordinates by as much.
void SmoothLine(int degree, int n, const std::vector<long double>& at, std::vector<long double>& line) {
  if (n < 3) return;
  const std::vector<long double> control(line);
  std::vector<long double> shifted(at.size(), 0);
  for (std::size_t k = 1; k < at.size(); ++k) shifted[k] = at[k] - at[1];
  const long double extent = shifted[static_cast<std::size_t>(n)];
  TNurbs2D curve(degree, n, shifted.data() + 1, control.data() + 1, kLineTolerance * extent);
  for (int k = 1; k <= n; ++k)
    if (const auto v = curve.ValueAt(shifted[static_cast<std::size_t>(k)])) line[static_cast<std::size_t>(k)] = *v;
}

}  // namespace

void TSpline3D::ComputeNurbs() {
  FreeWork();
  PointTable copy = DupPoints(working_);
  if (copy.empty()) return;
  std::optional<TGridMatrixLD> g = GridPointsToMatrixLD(copy, nx_, ny_);
  if (!g) return;
  LDMatrix& z = g->z;
  std::vector<long double> line;
  for (int i = 1; i <= nx_; ++i) {
    line.assign(static_cast<std::size_t>(ny_) + 1, 0);
    for (int j = 1; j <= ny_; ++j) line[static_cast<std::size_t>(j)] = z[j][i];
    SmoothLine(degreeY_, ny_, g->y, line);
    for (int j = 1; j <= ny_; ++j) z[j][i] = line[static_cast<std::size_t>(j)];
  }
  for (int j = 1; j <= ny_; ++j) {
    line.assign(static_cast<std::size_t>(nx_) + 1, 0);
    for (int i = 1; i <= nx_; ++i) line[static_cast<std::size_t>(i)] = z[j][i];
    SmoothLine(degreeX_, nx_, g->x, line);
    for (int i = 1; i <= nx_; ++i) z[j][i] = line[static_cast<std::size_t>(i)];
  }
  // The copy is sorted by x, then y: x outer, y inner.
  std::size_t k = 1;
  for (int i = 1; i <= nx_; ++i)
    for (int j = 1; j <= ny_; ++j) copy[k++].Z = z[j][i];
  if (NurbsUsesAkimaEdge()) {
    ComputeInterpAkimaEdge(copy);
  } else {
    ComputeInterp(copy);
  }
}

long double TSpline3D::EvalNurbs(long double x, long double y, int mode) {
  return NurbsUsesAkimaEdge() ? EvalBSplineAkimaEdge(x, y, mode) : EvalBSpline(x, y, mode);
}

std::vector<long double> TSpline3D::EvalGridNurbs(int nxo, int nyo, std::span<const long double> xs,
                                                  std::span<const long double> ys, int mode) {
  return NurbsUsesAkimaEdge() ? EvalGridBSplineAkimaEdge(nxo, nyo, xs, ys, mode)
                              : EvalGridBSpline(nxo, nyo, xs, ys, mode);
}

long double TSpline3D::EvalAtDataPointNurbs(long double x, long double y, long double) {
  return EvalNurbs(x, y, 0);
}
