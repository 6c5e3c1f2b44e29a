#include "smooth/numlib/constraint_curves.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"

namespace {

// Bound on the passes of the swap loops (each pass removes at least one crossing or
// improves the triangulation; a bound keeps degenerate rounding from spinning).
constexpr int kMaxPasses = 1000;

struct TCurves {
  int ncc;
  const int* lcc;
  int n;

  int First(int c) const { return lcc[c]; }
  int Last(int c) const { return c + 1 < ncc ? lcc[c + 1] - 1 : n; }
  // The curve holding node k, or -1.
  int Of(int k) const {
    for (int c = ncc - 1; c >= 0; --c)
      if (k >= lcc[c]) return k <= Last(c) ? c : -1;
    return -1;
  }
  bool IsArc(int a, int b) const {
    const int c = Of(a);
    if (c < 0 || Of(b) != c) return false;
    const int lo = std::min(a, b), hi = std::max(a, b);
    return hi - lo == 1 || (lo == First(c) && hi == Last(c));
  }
};

bool ValidCurves(int ncc, const int* lcc, int n) {
  if (ncc < 0 || n < 3) return false;
  if (ncc == 0) return true;
  if (!lcc || lcc[0] < 1) return false;
  for (int c = 0; c < ncc; ++c) {
    const int end = c + 1 < ncc ? lcc[c + 1] : n + 1;
    if (end - lcc[c] < 3) return false;
  }
  return true;
}

double Orient(const double* x, const double* y, int a, int b, int c) {
  return (x[b - 1] - x[a - 1]) * (y[c - 1] - y[a - 1]) - (y[b - 1] - y[a - 1]) * (x[c - 1] - x[a - 1]);
}

// The ring of node p as it stands: its neighbours counter-clockwise, and whether p lies on
// the hull.
struct TRing {
  std::vector<int> nodes;
  bool boundary = false;
};
TRing Ring(int p, const int* list, const int* lptr, const int* lend) {
  TRing ring;
  const int lpl = lend[p - 1];
  ring.boundary = list[lpl - 1] < 0;
  int lp = lpl;
  do {
    lp = lptr[lp - 1];
    ring.nodes.push_back(std::abs(list[lp - 1]));
  } while (lp != lpl);
  return ring;
}

bool Adjacent(int a, int b, const int* list, const int* lptr, const int* lend) {
  const int lp = RenkaListIndex(lend[a - 1], b, list, lptr);
  return std::abs(list[lp - 1]) == b;
}

// The nodes left and right of the arc p -> q (0 where that side has no triangle).
struct TOpposite {
  int left = 0, right = 0;
};
TOpposite Opposite(int p, int q, const int* list, const int* lptr, const int* lend) {
  const TRing ring = Ring(p, list, lptr, lend);
  const int m = static_cast<int>(ring.nodes.size());
  TOpposite o;
  for (int i = 0; i < m; ++i) {
    if (ring.nodes[i] != q) continue;
    if (!(ring.boundary && i == m - 1)) o.left = ring.nodes[(i + 1) % m];
    if (!(ring.boundary && i == 0)) o.right = ring.nodes[(i + m - 1) % m];
  }
  return o;
}

bool ProperlyCross(const double* x, const double* y, int a, int b, int p, int q) {
  const double o1 = Orient(x, y, a, b, p), o2 = Orient(x, y, a, b, q);
  const double o3 = Orient(x, y, p, q, a), o4 = Orient(x, y, p, q, b);
  return ((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0));
}

// Whether node k lies on the open segment a-b.
bool OnSegment(const double* x, const double* y, int a, int b, int k) {
  if (Orient(x, y, a, b, k) != 0) return false;
  const double ex = x[b - 1] - x[a - 1], ey = y[b - 1] - y[a - 1];
  const double t = (x[k - 1] - x[a - 1]) * ex + (y[k - 1] - y[a - 1]) * ey;
  return t > 0 && t < ex * ex + ey * ey;
}

// Crossing number of node k against the closed polygon of curve c.
bool InsidePolygon(const double* x, const double* y, const TCurves& curves, int c, int k) {
  const double px = x[k - 1], py = y[k - 1];
  bool inside = false;
  for (int a = curves.First(c), b = curves.Last(c); a <= curves.Last(c); b = a++) {
    const double ay = y[a - 1], by = y[b - 1];
    if ((ay > py) != (by > py)) {
      const double xc = x[a - 1] + (py - ay) / (by - ay) * (x[b - 1] - x[a - 1]);
      if (px < xc) inside = !inside;
    }
  }
  return inside;
}

double SignedArea(const double* x, const double* y, const TCurves& curves, int c) {
  double area = 0;
  for (int a = curves.First(c), b = curves.Last(c); a <= curves.Last(c); b = a++)
    area += x[b - 1] * y[a - 1] - x[a - 1] * y[b - 1];
  return 0.5 * area;
}

// Makes a-b an arc by swapping away the arcs that cross it. Answers an addcst code.
int ForceArc(int a, int b, const TCurves& curves, int n, const double* x, const double* y,
             int& lwk, int* iwk, int* list, int* lptr, int* lend) {
  for (int k = 1; k <= n; ++k)
    if (k != a && k != b && OnSegment(x, y, a, b, k)) return kConstraintThroughNode;
  // The arcs that cross a-b, as node pairs in iwk.
  int count = 0;
  for (int p = 1; p <= n; ++p) {
    const TRing ring = Ring(p, list, lptr, lend);
    for (const int q : ring.nodes) {
      if (q < p || p == a || p == b || q == a || q == b) continue;
      if (!ProperlyCross(x, y, a, b, p, q)) continue;
      if (curves.IsArc(p, q)) return kConstraintCrossing;
      if (2 * (count + 1) > lwk) {
        ++count;
        continue;  // counted for the size reported back
      }
      iwk[2 * count] = p;
      iwk[2 * count + 1] = q;
      ++count;
    }
  }
  if (2 * count > lwk) {
    lwk = 2 * count;
    return kConstraintWorkSpace;
  }
  lwk = std::max(lwk, 0);
  // Swap each crossing diagonal whose quadrilateral is convex; a new diagonal that still
  // crosses stays on the list (Sloan). Each pass over the list swaps at least one arc.
  int left = count;
  for (int pass = 0; left > 0 && pass < kMaxPasses; ++pass) {
    for (int i = 0; i < left;) {
      const int p = iwk[2 * i], q = iwk[2 * i + 1];
      const TOpposite o = Opposite(p, q, list, lptr, lend);
      const double s1 = o.left && o.right ? Orient(x, y, o.left, o.right, p) : 0;
      const double s2 = o.left && o.right ? Orient(x, y, o.left, o.right, q) : 0;
      if (!((s1 > 0 && s2 < 0) || (s1 < 0 && s2 > 0))) {
        ++i;  // not convex now; a neighbour's swap will make it so
        continue;
      }
      (void)RenkaSwap(o.left, o.right, p, q, list, lptr, lend);  // the two are not adjacent
      if (o.left != a && o.left != b && o.right != a && o.right != b &&
          ProperlyCross(x, y, a, b, o.left, o.right)) {
        iwk[2 * i] = o.left;
        iwk[2 * i + 1] = o.right;
        ++i;
      } else {
        --left;
        iwk[2 * i] = iwk[2 * left];
        iwk[2 * i + 1] = iwk[2 * left + 1];
      }
    }
  }
  return left == 0 && Adjacent(a, b, list, lptr, lend) ? 0 : kConstraintThroughNode;
}

// Lawson's swaps over every interior arc that is not a constraint arc, until the
// triangulation is Delaunay but for the constraint arcs.
void RestoreDelaunay(const TCurves& curves, int n, const double* x, const double* y, int* list,
                     int* lptr, int* lend) {
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    bool swapped = false;
    for (int p = 1; p <= n; ++p) {
      for (bool again = true; again;) {
        again = false;
        const TRing ring = Ring(p, list, lptr, lend);
        for (const int q : ring.nodes) {
          if (q < p || curves.IsArc(p, q)) continue;
          const TOpposite o = Opposite(p, q, list, lptr, lend);
          if (o.left == 0 || o.right == 0 || !RenkaSwapTest(o.left, o.right, p, q, x, y)) continue;
          if (RenkaSwap(o.left, o.right, p, q, list, lptr, lend) != 0) {
            swapped = again = true;
            break;  // p's ring changed: read it again
          }
        }
      }
    }
    if (!swapped) return;
  }
}

// Solves the symmetric system m u = r of order 2 or 3 by Gaussian elimination with partial
// pivoting; false when it is singular.
bool SolveSmall(int order, std::array<std::array<double, 4>, 3> m, std::array<double, 3>& u) {
  for (int c = 0; c < order; ++c) {
    int piv = c;
    for (int r = c + 1; r < order; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[piv][c])) piv = r;
    if (m[piv][c] == 0) return false;
    std::swap(m[c], m[piv]);
    for (int r = c + 1; r < order; ++r) {
      const double f = m[r][c] / m[c][c];
      for (int k = c; k <= order; ++k) m[r][k] -= f * m[c][k];
    }
  }
  for (int c = order - 1; c >= 0; --c) {
    double t = m[c][order];
    for (int k = c + 1; k < order; ++k) t -= m[c][k] * u[k];
    u[c] = t / m[c][c];
  }
  for (int c = 0; c < order; ++c)
    if (!std::isfinite(u[c])) return false;
  return true;
}

}  // namespace

bool InConstraintRegion(int i1, int i2, int i3, int ncc, const int* lcc, int n) {
  if (ncc <= 0 || !lcc) return false;
  const TCurves curves{ncc, lcc, n};
  const int imax = std::max({i1, i2, i3}), imin = std::min({i1, i2, i3});
  const int c = curves.Of(imax);
  if (c < 0 || imin < curves.First(c)) return false;
  return (imin == i1 && imax == i3) || (imin == i2 && imax == i1) || (imin == i3 && imax == i2);
}

void addcst(int ncc, const int* lcc, int n, const double* x, const double* y, int& lwk, int* iwk,
            int* list, int* lptr, int* lend, int& ier) {
  if (!ValidCurves(ncc, lcc, n) || lwk < 0 || !x || !y || !list || !lptr || !lend ||
      (lwk > 0 && !iwk)) {
    ier = kConstraintInvalid;
    return;
  }
  const TCurves curves{ncc, lcc, n};
  const int room = lwk;
  int used = 0;
  bool changed = false;
  for (int c = 0; c < ncc; ++c) {
    for (int a = curves.First(c); a <= curves.Last(c); ++a) {
      const int b = a < curves.Last(c) ? a + 1 : curves.First(c);
      if (Adjacent(a, b, list, lptr, lend)) continue;
      int size = room;
      ier = ForceArc(a, b, curves, n, x, y, size, iwk, list, lptr, lend);
      used = std::max(used, size);
      if (ier != 0) {
        lwk = ier == kConstraintWorkSpace ? size : used;
        return;
      }
      changed = true;
    }
  }
  if (changed) RestoreDelaunay(curves, n, x, y, list, lptr, lend);
  lwk = used;
  // No node may lie in a region that a curve excludes.
  for (int c = 0; c < ncc; ++c) {
    const bool excludesInside = SignedArea(x, y, curves, c) > 0;
    for (int k = 1; k <= n; ++k) {
      if (curves.Of(k) == c) continue;
      if (InsidePolygon(x, y, curves, c, k) == excludesInside) {
        ier = kConstraintNodeInside;
        return;
      }
    }
  }
  ier = 0;
}

void zgradg(int ncc, const int* lcc, int n, const double* x, const double* y, const int* list,
            const int* lptr, const int* lend, int iflgs, const double* sigma, int& nit,
            double& dzmax, double* z, double* gx, double* gy, int values, int& ier) {
  const int maxit = nit;
  const double bound = dzmax;
  if (ncc < 1 || !ValidCurves(ncc, lcc, n) || maxit < 1 || !(bound >= 0) || !x || !y || !list ||
      !lptr || !lend || !z || !gx || !gy) {
    nit = 0;
    dzmax = 0;
    ier = -1;
    return;
  }
  const int first = lcc[0];
  const bool withValues = values != 0;

  // Starting values: each constraint node from the tangent planes of its neighbours known
  // before, in layers outwards from the nodes that are not on a curve.
  std::vector<char> known(static_cast<std::size_t>(n) + 1, 0);
  for (int k = 1; k < first; ++k) known[static_cast<std::size_t>(k)] = 1;
  std::vector<int> layer;
  for (bool grew = true; grew;) {
    layer.clear();
    for (int k = first; k <= n; ++k) {
      if (known[static_cast<std::size_t>(k)]) continue;
      double sz = 0, sx = 0, sy = 0;
      int m = 0;
      for (const int j : Ring(k, list, lptr, lend).nodes) {
        if (!known[static_cast<std::size_t>(j)]) continue;
        sz += z[j - 1] + gx[j - 1] * (x[k - 1] - x[j - 1]) + gy[j - 1] * (y[k - 1] - y[j - 1]);
        sx += gx[j - 1];
        sy += gy[j - 1];
        ++m;
      }
      if (m == 0) continue;
      if (withValues) z[k - 1] = sz / m;
      gx[k - 1] = sx / m;
      gy[k - 1] = sy / m;
      layer.push_back(k);
    }
    for (const int k : layer) known[static_cast<std::size_t>(k)] = 1;
    grew = !layer.empty();
  }

  double change = 0;
  for (int iter = 1; iter <= maxit; ++iter) {
    change = 0;
    for (int k = first; k <= n; ++k) {
      // Unknowns (z, gx, gy), or (gx, gy) with the value given.
      std::array<std::array<double, 4>, 3> m{};
      const double xk = x[k - 1], yk = y[k - 1];
      const int lpl = lend[k - 1];
      int lp = lpl;
      do {
        lp = lptr[lp - 1];
        const int j = std::abs(list[lp - 1]);
        const double ex = x[j - 1] - xk, ey = y[j - 1] - yk;
        const double h2 = ex * ex + ey * ey;
        if (h2 == 0) {
          nit = 0;
          dzmax = change;
          ier = -3;
          return;
        }
        double d, sd;
        RenkaArcCoefficients(RenkaArcTension(iflgs, sigma, lp), h2 * std::sqrt(h2), d, sd);
        const double c = d + sd, v = gx[j - 1] * ex + gy[j - 1] * ey, zj = z[j - 1];
        const double e[2] = {ex, ey};
        if (withValues) {
          m[0][0] += 2 * c;
          m[0][1] += c * ex;
          m[0][2] += c * ey;
          m[0][3] += c * (2 * zj - v);
          for (int r = 0; r < 2; ++r) {
            m[r + 1][0] += c * e[r];
            m[r + 1][1] += d * e[r] * ex;
            m[r + 1][2] += d * e[r] * ey;
            m[r + 1][3] += (c * zj - sd * v) * e[r];
          }
        } else {
          const double t = c * (zj - z[k - 1]) - sd * v;
          for (int r = 0; r < 2; ++r) {
            m[r][0] += d * e[r] * ex;
            m[r][1] += d * e[r] * ey;
            m[r][2] += t * e[r];
          }
        }
      } while (lp != lpl);
      std::array<double, 3> u{};
      if (!SolveSmall(withValues ? 3 : 2, m, u)) {
        nit = 0;
        dzmax = change;
        ier = -2;
        return;
      }
      const double nz = withValues ? u[0] : z[k - 1];
      const double ngx = withValues ? u[1] : u[0], ngy = withValues ? u[2] : u[1];
      change = std::max({change, std::fabs(nz - z[k - 1]) / (1 + std::fabs(z[k - 1])),
                         std::hypot(ngx - gx[k - 1], ngy - gy[k - 1]) /
                             (1 + std::hypot(gx[k - 1], gy[k - 1]))});
      z[k - 1] = nz;
      gx[k - 1] = ngx;
      gy[k - 1] = ngy;
    }
    if (change <= bound) {
      nit = iter;
      dzmax = change;
      ier = 0;
      return;
    }
  }
  dzmax = change;
  ier = 1;
}

void intrc1(double px, double py, int ncc, const int* lcc, int n, const double* x,
            const double* y, const double* z, const int* list, const int* lptr, const int* lend,
            int iflgs, const double* sigma, const double* gx, const double* gy, int dflag,
            int& ist, double& pz, double& pzx, double& pzy, int& ier) {
  if (ncc > 0 && !ValidCurves(ncc, lcc, n)) {
    pz = pzx = pzy = 0;
    ier = -1;
    return;
  }
  RenkaInterpolateC1(px, py, ncc, lcc, n, x, y, z, list, lptr, lend, iflgs, sigma, gx, gy, dflag,
                     ist, pz, pzx, pzy, ier);
  if (ier != 0 || ncc == 0) return;
  int i1, i2, i3;
  RenkaLocate(ist, px, py, n, x, y, list, lptr, lend, i1, i2, i3);
  if (i3 != 0 && InConstraintRegion(i1, i2, i3, ncc, lcc, n)) ier = kRenkaInConstraint;
}
