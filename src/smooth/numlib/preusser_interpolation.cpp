#include "smooth/numlib/preusser_interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <vector>

#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/nearest_points.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/numlib/local_polynomial_fit.h"
#include "smooth/numlib/preusser_element.h"

namespace {

constexpr int kC1Order = 2;
constexpr int kC2Order = 4;

// Derivatives stored per node: orders 1..r.
int DerivativeCount(int order) { return LocalFitTerms(order); }

// Place of the derivative of order a in x and b in y in a node's record: by total order,
// then by ascending order in y.
int Slot(int a, int b) {
  const int t = a + b;
  return t * (t + 1) / 2 - 1 + b;
}

// Nearest neighbours used for the derivative fits (about twice the terms of the polynomial).
int NeighbourCount(int order) { return order == kC1Order ? 9 : 20; }

void Init(int order, int n, const double* x, const double* y, const double* z, double* wk,
          int* iwk, int& ier) {
  if (n < 4 || !x || !y || !z || !wk || !iwk) {
    ier = kPreusserTooFew;
    return;
  }
  const auto count = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < count; ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i])) {
      ier = kPreusserNotFinite;
      return;
    }
  }
  // The element multiplies derivatives of order up to 4 by powers of the side lengths: keep
  // every such product a finite number.
  {
    const auto [xlo, xhi] = std::minmax_element(x, x + count);
    const auto [ylo, yhi] = std::minmax_element(y, y + count);
    const double extent = std::max(*xhi - *xlo, *yhi - *ylo);
    if (!(extent >= kPreusserMinExtent && extent <= kPreusserMaxExtent)) {
      ier = kPreusserNotFinite;
      return;
    }
  }
  int* list = iwk;
  int* lptr = iwk + 6 * count;
  int* lend = iwk + 12 * count;
  int lnew = 0, tier = 0;
  RenkaTriangulate(n, x, y, list, lptr, lend, lnew, tier);
  if (tier != 0) {
    ier = tier > 0 ? kPreusserCoincident : tier == kRenkaCollinear ? kPreusserCollinear : kPreusserNotFinite;
    return;
  }

  const std::span<const double> xs(x, count), ys(y, count), zs(z, count);
  const TNearestPoints nearest(xs, ys);
  const int per = DerivativeCount(order);
  std::vector<TNodeTaylor> fits(count);
  std::vector<std::vector<int>> around(count);
  std::vector<int> neighbours;
  for (int k = 0; k < n; ++k) {
    TLocalFit fit;
    // More neighbours when the nearest do not determine even a plane (all on one line
    // through the node).
    if (!FitAtPoint(nearest, xs, ys, zs, k, NeighbourCount(order), order, fit, neighbours)) {
      ier = kPreusserNotFinite;
      return;
    }
    fits[static_cast<std::size_t>(k)] = FitTaylor(fit);
    std::vector<int>& near = around[static_cast<std::size_t>(k)];
    near = neighbours;
    const int lpl = lend[k];
    int lp = lpl;
    do {
      lp = lptr[lp - 1];
      near.push_back(std::abs(list[lp - 1]) - 1);
    } while (lp != lpl);
  }
  // Each fit held to what the values about the node support, at its fitting neighbours and
  // its triangulation neighbours: a one-sided fit at the border or a neighbour far nearer
  // than the others turns noise into derivatives the elements carry across whole triangles.
  const bool limited = TNodeLimits::Active();
  const double allowance = limited ? MeasureTrend(xs, ys, zs).Allowance() : 0.0;
  for (std::size_t k = 0; k < count; ++k) {
    TNodeTaylor t = fits[k];
    if (limited) LimitNodeTaylor(xs, ys, zs, static_cast<int>(k), around[k], allowance, fits, t);
    double* rec = wk + static_cast<std::size_t>(per) * k;
    for (int q = 1; q <= order; ++q)
      for (int b = 0; b <= q; ++b) rec[Slot(q - b, b)] = t.d[q - b][b];
  }
  ier = kPreusserOk;
}

TPreusserVertex Vertex(int order, const double* x, const double* y, const double* z,
                       const double* wk, int node) {
  TPreusserVertex v;
  const auto k = static_cast<std::size_t>(node - 1);
  v.x = x[k];
  v.y = y[k];
  v.d[0][0] = z[k];
  const double* rec = wk + static_cast<std::size_t>(DerivativeCount(order)) * k;
  for (int t = 1; t <= order; ++t)
    for (int b = 0; b <= t; ++b) v.d[t - b][b] = rec[Slot(t - b, b)];
  return v;
}

void Point(int order, int n, const double* x, const double* y, const double* z, double px,
           double py, const double* wk, const int* iwk, int& start, double& pz, int mode,
           int& ier) {
  pz = 0.0;
  ier = kPreusserUnusable;
  if (n < 3 || !x || !y || !z || !wk || !iwk || !std::isfinite(px) || !std::isfinite(py)) return;
  const auto count = static_cast<std::size_t>(n);
  const int* list = iwk;
  const int* lptr = iwk + 6 * count;
  const int* lend = iwk + 12 * count;
  const int ist = (start >= 1 && start <= n) ? start : 1;
  int i1 = 0, i2 = 0, i3 = 0;
  RenkaLocate(ist, px, py, n, x, y, list, lptr, lend, i1, i2, i3);
  if (i1 == 0) return;
  start = i1;
  auto vertex = [&](int node) { return Vertex(order, x, y, z, wk, node); };

  if (i3 != 0) {
    // A triangle flat to the rounding of a point's coordinates in it (along a hull through
    // nearly collinear nodes) has no element to speak of: the point takes the surface along
    // the side its foot falls on.
    const int tri[3] = {i1, i2, i3};
    int a = 0, b = 0;
    double share = 0;
    if (RenkaFlatTriangleSide(px, py, x, y, tri, a, b, share))
      pz = PreusserSideExtension(vertex(a), vertex(b), order).Value(px, py, mode);
    else
      pz = PreusserElement({vertex(i1), vertex(i2), vertex(i3)}, order).Value(px, py, mode);
    ier = kPreusserInside;
  } else {
    // The nearest point of the hull lies on the chain of hull sides visible from the point,
    // which runs clockwise from i1 to i2.
    int bestSide = 0, bestNode = i1;
    double best = std::hypot(px - x[i1 - 1], py - y[i1 - 1]);
    int cur = i1;
    for (int steps = 0; cur != i2 && steps < n; ++steps) {
      // The last entry of a hull node's ring is the hull node before it.
      const int prev = std::abs(list[lend[cur - 1] - 1]);
      const double ax = x[prev - 1], ay = y[prev - 1], bx = x[cur - 1], by = y[cur - 1];
      const double ex = bx - ax, ey = by - ay, len2 = ex * ex + ey * ey;
      const double along = ((px - ax) * ex + (py - ay) * ey) / len2;
      if (along > 0.0 && along < 1.0) {
        const double off = std::fabs((px - ax) * ey - (py - ay) * ex) / std::sqrt(len2);
        if (off < best) {
          best = off;
          bestSide = prev;
          bestNode = cur;
        }
      }
      const double dv = std::hypot(px - ax, py - ay);
      if (dv < best) {
        best = dv;
        bestSide = 0;
        bestNode = prev;
      }
      cur = prev;
    }
    if (bestSide != 0) {
      // The side bestSide -> bestNode runs counter-clockwise.
      pz = PreusserSideExtension(vertex(bestSide), vertex(bestNode), order).Value(px, py, mode);
    } else {
      pz = PreusserVertexTaylor(vertex(bestNode), order).Value(px, py, mode);
    }
    ier = kPreusserExtrapolated;
  }
  if (!std::isfinite(pz)) {
    pz = 0.0;
    ier = kPreusserUnusable;
  }
}

}  // namespace

void PreusserC1Init(int n, const double* x, const double* y, const double* z, int /*reserved*/,
                    double* wk, int* iwk, int& ier) {
  Init(kC1Order, n, x, y, z, wk, iwk, ier);
}

void PreusserC2Init(int n, const double* x, const double* y, const double* z, int /*reserved*/,
                    double* wk, int* iwk, int& ier) {
  Init(kC2Order, n, x, y, z, wk, iwk, ier);
}

void PreusserC1Point(int n, const double* x, const double* y, const double* z, double px,
                     double py, const double* wk, const int* iwk, int& start, double& pz,
                     int /*reserved*/, int mode, int& ier) {
  Point(kC1Order, n, x, y, z, px, py, wk, iwk, start, pz, mode, ier);
}

void PreusserC2Point(int n, const double* x, const double* y, const double* z, double px,
                     double py, const double* wk, const int* iwk, int& start, double& pz,
                     int /*reserved*/, int mode, int& ier) {
  Point(kC2Order, n, x, y, z, px, py, wk, iwk, start, pz, mode, ier);
}
