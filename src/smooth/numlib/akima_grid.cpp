#include "smooth/numlib/akima_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "smooth/numlib/array_checks.h"

namespace {

// One set of consecutive nodes of a grid line that holds node i: the derivative at x_i of
// the polynomial through them is sum over a of deriv[a] z_(start + a).
struct TStencil {
  int start = 0;
  int size = 0;
  std::array<double, 4> deriv{};
  double distance = 0;  // sum of the squared distances of the other nodes from node i
};

// The stencils of node i on an axis of n >= 2 positions: every run of min(n, 4) nodes that
// holds it.
std::vector<TStencil> StencilsAt(const double* x, int n, int i) {
  std::vector<TStencil> out;
  const int size = std::min(n, 4);
  for (int s = std::max(0, i - size + 1); s <= std::min(i, n - size); ++s) {
    TStencil st;
    st.start = s;
    st.size = size;
    const int self = i - s;
    for (int a = 0; a < size; ++a) {
      const double xa = x[s + a];
      if (a == self) {
        double sum = 0.0;
        for (int b = 0; b < size; ++b)
          if (b != a) sum += 1.0 / (xa - x[s + b]);
        st.deriv[static_cast<std::size_t>(a)] = sum;
      } else {
        // L_a'(x_i) = prod over b != a, i of (x_i - x_b) / prod over b != a of (x_a - x_b).
        double num = 1.0, den = 1.0;
        for (int b = 0; b < size; ++b) {
          if (b == a) continue;
          den *= xa - x[s + b];
          if (b != self) num *= x[i] - x[s + b];
        }
        st.deriv[static_cast<std::size_t>(a)] = num / den;
      }
      if (a != self) st.distance += (xa - x[i]) * (xa - x[i]);
    }
    out.push_back(st);
  }
  return out;
}

// The squared deviations of the values of a stencil from their least-squares line.
double Volatility(const double* x, const TStencil& st, const double* z, std::ptrdiff_t stride) {
  if (st.size <= 2) return 0.0;
  double mx = 0.0, mz = 0.0;
  for (int a = 0; a < st.size; ++a) {
    mx += x[st.start + a];
    mz += z[(st.start + a) * stride];
  }
  mx /= st.size;
  mz /= st.size;
  double sxx = 0.0, sxz = 0.0;
  for (int a = 0; a < st.size; ++a) {
    const double dx = x[st.start + a] - mx;
    sxx += dx * dx;
    sxz += dx * (z[(st.start + a) * stride] - mz);
  }
  const double slope = sxz / sxx;
  double v = 0.0;
  for (int a = 0; a < st.size; ++a) {
    const double r = (z[(st.start + a) * stride] - mz) - slope * (x[st.start + a] - mx);
    v += r * r;
  }
  return v;
}

// Weights of the stencils, summing to 1: reciprocals of volatility times distance; the
// stencils of zero volatility share all the weight when there are any.
void StencilWeights(const std::vector<TStencil>& stencils, const double* x, const double* z,
                    std::ptrdiff_t stride, std::array<double, 4>& w) {
  std::array<double, 4> r{};
  double least = 0.0;
  for (std::size_t l = 0; l < stencils.size(); ++l) {
    r[l] = Volatility(x, stencils[l], z, stride) * stencils[l].distance;
    least = l == 0 ? r[l] : std::min(least, r[l]);
  }
  double sum = 0.0;
  for (std::size_t l = 0; l < stencils.size(); ++l) {
    w[l] = least == 0.0 ? (r[l] == 0.0 ? 1.0 : 0.0) : least / r[l];
    sum += w[l];
  }
  for (std::size_t l = 0; l < stencils.size(); ++l) w[l] /= sum;
}

double Primary(const TStencil& st, const double* z, std::ptrdiff_t stride) {
  double p = 0.0;
  for (int a = 0; a < st.size; ++a) p += st.deriv[static_cast<std::size_t>(a)] * z[(st.start + a) * stride];
  return p;
}

// zx, zy and zxy at every node into wk.
void EstimateDerivatives(int nx, int ny, const double* xd, const double* yd, const double* zd,
                         double* wk) {
  std::vector<std::vector<TStencil>> sx(static_cast<std::size_t>(nx)), sy(static_cast<std::size_t>(ny));
  for (int i = 0; i < nx; ++i) sx[static_cast<std::size_t>(i)] = StencilsAt(xd, nx, i);
  for (int j = 0; j < ny; ++j) sy[static_cast<std::size_t>(j)] = StencilsAt(yd, ny, j);
  for (int j = 0; j < ny; ++j) {
    const double* row = zd + static_cast<std::ptrdiff_t>(j) * nx;
    for (int i = 0; i < nx; ++i) {
      const auto& stx = sx[static_cast<std::size_t>(i)];
      const auto& sty = sy[static_cast<std::size_t>(j)];
      const double* column = zd + i;
      std::array<double, 4> wx{}, wy{};
      StencilWeights(stx, xd, row, 1, wx);
      StencilWeights(sty, yd, column, nx, wy);
      double zx = 0.0, zy = 0.0, zxy = 0.0;
      for (std::size_t l = 0; l < stx.size(); ++l) zx += wx[l] * Primary(stx[l], row, 1);
      for (std::size_t m = 0; m < sty.size(); ++m) zy += wy[m] * Primary(sty[m], column, nx);
      for (std::size_t l = 0; l < stx.size(); ++l) {
        if (wx[l] == 0.0) continue;
        for (std::size_t m = 0; m < sty.size(); ++m) {
          if (wy[m] == 0.0) continue;
          // The y derivative of the x derivatives along the rows of the stencil pair.
          double cross = 0.0;
          for (int b = 0; b < sty[m].size; ++b)
            cross += sty[m].deriv[static_cast<std::size_t>(b)] *
                     Primary(stx[l], zd + static_cast<std::ptrdiff_t>(sty[m].start + b) * nx, 1);
          zxy += wx[l] * wy[m] * cross;
        }
      }
      double* out = wk + 3 * (static_cast<std::ptrdiff_t>(i) + static_cast<std::ptrdiff_t>(nx) * j);
      out[0] = zx;
      out[1] = zy;
      out[2] = zxy;
    }
  }
}

// The cubic Hermite basis of one rectangle side of length h at t = (x - x0) / h, for the
// derivative of the given order: values at the two ends, then slopes at the two ends.
std::array<double, 4> HermiteBasis(double t, double h, int order) {
  switch (order) {
    case 0:
      return {1 - 3 * t * t + 2 * t * t * t, 3 * t * t - 2 * t * t * t,
              h * (t - 2 * t * t + t * t * t), h * (t * t * t - t * t)};
    case 1:
      return {(-6 * t + 6 * t * t) / h, (6 * t - 6 * t * t) / h, 1 - 4 * t + 3 * t * t,
              3 * t * t - 2 * t};
    case 2:
      return {(-6 + 12 * t) / (h * h), (6 - 12 * t) / (h * h), (-4 + 6 * t) / h, (6 * t - 2) / h};
    default:
      return {0, 0, 0, 0};
  }
}

// The rectangle (0 .. n - 2) whose polynomial holds x: the one it lies in, or the nearest.
int Cell(const double* v, int n, double x) {
  const auto it = std::upper_bound(v, v + n, x);
  return std::clamp(static_cast<int>(it - v) - 1, 0, n - 2);
}

struct TGrid {
  int nx, ny;
  const double *xd, *yd, *zd, *wk;

  double Evaluate(double x, double y, int ox, int oy) const {
    const int i = Cell(xd, nx, x), j = Cell(yd, ny, y);
    const double hx = xd[i + 1] - xd[i], hy = yd[j + 1] - yd[j];
    const std::array<double, 4> bx = HermiteBasis((x - xd[i]) / hx, hx, ox);
    const std::array<double, 4> by = HermiteBasis((y - yd[j]) / hy, hy, oy);
    double sum = 0.0;
    for (int b = 0; b < 2; ++b)
      for (int a = 0; a < 2; ++a) {
        const std::ptrdiff_t node = (i + a) + static_cast<std::ptrdiff_t>(nx) * (j + b);
        const double* d = wk + 3 * node;
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        sum += zd[node] * bx[ua] * by[ub] + d[0] * bx[2 + ua] * by[ub] +
               d[1] * bx[ua] * by[2 + ub] + d[2] * bx[2 + ua] * by[2 + ub];
      }
    return sum;
  }

  // The breakpoints of [lo, hi] at the grid lines strictly inside it.
  static std::vector<double> Pieces(const double* v, int n, double lo, double hi) {
    std::vector<double> cut{lo};
    for (int i = 0; i < n; ++i)
      if (v[i] > lo && v[i] < hi) cut.push_back(v[i]);
    cut.push_back(hi);
    return cut;
  }

  // The integral over [x1, x2] x [y1, y2]: two Gauss-Legendre points per direction are
  // exact for the cubics of each piece.
  double Integral(double x1, double x2, double y1, double y2) const {
    double sign = 1.0;
    if (x2 < x1) std::swap(x1, x2), sign = -sign;
    if (y2 < y1) std::swap(y1, y2), sign = -sign;
    const double g = 0.5 / std::sqrt(3.0);
    const std::vector<double> px = Pieces(xd, nx, x1, x2), py = Pieces(yd, ny, y1, y2);
    double sum = 0.0;
    for (std::size_t b = 0; b + 1 < py.size(); ++b) {
      const double cy = 0.5 * (py[b] + py[b + 1]), hy = py[b + 1] - py[b];
      for (std::size_t a = 0; a + 1 < px.size(); ++a) {
        const double cx = 0.5 * (px[a] + px[a + 1]), hx = px[a + 1] - px[a];
        double piece = 0.0;
        for (const double u : {-g, g})
          for (const double v : {-g, g}) piece += Evaluate(cx + u * hx, cy + v * hy, 0, 0);
        sum += 0.25 * hx * hy * piece;
      }
    }
    return sign * sum;
  }
};

}  // namespace

void rgbi3p(int md, int nxd, int nyd, const double* xd, const double* yd, const double* zd,
            int nip, const double* xi, const double* yi, double* zi, double* wk, int mode,
            int& ier) {
  ier = kRgOk;
  if (md != 1 && md != 2) {
    ier = kRgBadMd;
    return;
  }
  if (nxd < 2) {
    ier = kRgTooFewX;
    return;
  }
  if (nyd < 2) {
    ier = kRgTooFewY;
    return;
  }
  if (!xd || !yd || !zd || !xi || !yi || !zi || !wk || nip < 1 ||
      (mode == kRgIntegral && nip < 2)) {
    ier = kRgBadPoints;
    return;
  }
  if (mode < kRgIntegral || mode > 5) {
    ier = kRgBadMode;
    return;
  }
  const auto nodes = static_cast<std::size_t>(nxd) * static_cast<std::size_t>(nyd);
  if (!AllFinite(xd, static_cast<std::size_t>(nxd)) || !AllFinite(yd, static_cast<std::size_t>(nyd))) {
    ier = kRgNotFinite;
    return;
  }
  if (!StrictlyIncreasing(xd, nxd)) {
    ier = kRgXNotIncreasing;
    return;
  }
  if (!StrictlyIncreasing(yd, nyd)) {
    ier = kRgYNotIncreasing;
    return;
  }
  const auto points = static_cast<std::size_t>(nip);
  if (!AllFinite(xi, points) || !AllFinite(yi, points)) {
    ier = kRgNotFinite;
    return;
  }
  if (md == 1) {
    if (!AllFinite(zd, nodes)) {
      ier = kRgNotFinite;
      return;
    }
    EstimateDerivatives(nxd, nyd, xd, yd, zd, wk);
  }
  const TGrid grid{nxd, nyd, xd, yd, zd, wk};
  if (mode == kRgIntegral) {
    zi[0] = grid.Integral(xi[0], xi[1], yi[0], yi[1]);
    return;
  }
  static constexpr std::array<std::array<int, 2>, 6> kOrders = {
      {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {1, 1}}};
  const auto [ox, oy] = kOrders[static_cast<std::size_t>(mode)];
  for (std::size_t k = 0; k < points; ++k) zi[k] = grid.Evaluate(xi[k], yi[k], ox, oy);
}
