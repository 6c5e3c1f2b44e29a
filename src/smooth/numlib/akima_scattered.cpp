#include "smooth/numlib/akima_scattered.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "smooth/kernels/akima_patch.h"
#include "smooth/kernels/akima_triangulation.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/nearest_points.h"
#include "smooth/numlib/local_polynomial_fit.h"

namespace {

constexpr int kSetUpMark = 0x5d1761;
constexpr std::size_t kHeader = 16;
enum : std::size_t { kSlotMark = 0, kSlotNdp = 1, kSlotNt = 2, kSlotNl = 3, kSlotCells = 4 };
constexpr std::size_t kPerPoint = 9;  // zx, zy, zxx, zxy, zyy, zxxx, zxxy, zxyy, zyyy
constexpr int kNeighbours = 14;
constexpr double kMinExtent = 1e-30, kMaxExtent = 1e30;

double Vpdt(double x1, double y1, double x2, double y2, double x3, double y3) {
  return (y3 - y1) * (x2 - x1) - (x3 - x1) * (y2 - y1);
}

// The set-up as it lies in IWK and WK.
struct SetUp {
  int ndp = 0, nt = 0, nl = 0, cells = 1;
  const double *x = nullptr, *y = nullptr, *z = nullptr, *pd = nullptr;
  int *ipt = nullptr, *ipl = nullptr, *across = nullptr, *start = nullptr;
  double *box = nullptr;  // x min, y min, x max, y max of the points (after the derivatives)

  SetUp(int n, const double* xd, const double* yd, const double* zd, double* wk, int* iwk)
      : ndp(n), x(xd), y(yd), z(zd), pd(wk) {
    const auto u = static_cast<std::size_t>(n);
    ipt = iwk + kHeader;
    ipl = iwk + kHeader + 6 * u;
    across = iwk + kHeader + 9 * u;
    start = iwk + kHeader + 15 * u;
    box = wk + kPerPoint * u;
  }
  double X(int k) const { return x[k - 1]; }
  double Y(int k) const { return y[k - 1]; }
  int Ipt(int t, int e) const { return ipt[3 * (t - 1) + e]; }
  int Ipl(int l, int e) const { return ipl[3 * (l - 1) + e]; }

  TAkimaNode Node(int k) const {
    TAkimaNode n;
    n.x = X(k);
    n.y = Y(k);
    n.z = z[k - 1];
    std::copy_n(pd + kPerPoint * static_cast<std::size_t>(k - 1), 5, n.pd);
    return n;
  }
  const double* Third(int k) const { return pd + kPerPoint * static_cast<std::size_t>(k - 1) + 5; }

  int Cell(double v, double lo, double hi) const {
    const double f = hi > lo ? (v - lo) / (hi - lo) * cells : 0.0;
    if (!(f > 0.0)) return 0;
    return std::min(cells - 1, static_cast<int>(f));
  }
  int CellOf(double px, double py) const {
    return Cell(py, box[1], box[3]) * cells + Cell(px, box[0], box[2]);
  }
};

// ---- set-up ----

// The neighbour across each side (vertex e to e + 1) of each triangle; on the border the
// border segment's number, negated.
void LinkSides(const SetUp& s) {
  auto key = [](int a, int b) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
           static_cast<std::uint32_t>(b);
  };
  std::unordered_map<std::uint64_t, int> side;  // directed side -> triangle
  side.reserve(static_cast<std::size_t>(3 * s.nt));
  for (int t = 1; t <= s.nt; ++t)
    for (int e = 0; e < 3; ++e) side[key(s.Ipt(t, e), s.Ipt(t, (e + 1) % 3))] = t;
  std::unordered_map<std::uint64_t, int> border;
  for (int l = 1; l <= s.nl; ++l) border[key(s.Ipl(l, 0), s.Ipl(l, 1))] = l;
  for (int t = 1; t <= s.nt; ++t)
    for (int e = 0; e < 3; ++e) {
      const int a = s.Ipt(t, e), b = s.Ipt(t, (e + 1) % 3);
      const auto other = side.find(key(b, a));
      int& slot = s.across[3 * (t - 1) + e];
      if (other != side.end()) {
        slot = other->second;
      } else {
        const auto seg = border.find(key(a, b));
        slot = seg != border.end() ? -seg->second : 0;
      }
    }
}

// The triangle holding (px, py) by a walk across the sides the point lies beyond (the side
// tried first varies, so that the walk cannot cycle), or 0 with the border segment it left
// through. Rounding may make a walk wander: after a bound on its steps every triangle is
// tried, and a point in none is outside.
int Walk(const SetUp& s, int from, double px, double py, int& border) {
  std::uint32_t state = 2463534242u;
  int t = from;
  border = 0;
  for (int step = 0; step < 4 * s.nt + 16; ++step) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const int first = static_cast<int>(state % 3u);
    int next = 0;
    for (int i = 0; i < 3 && next == 0; ++i) {
      const int e = (first + i) % 3;
      const int a = s.Ipt(t, e), b = s.Ipt(t, (e + 1) % 3);
      if (Vpdt(s.X(a), s.Y(a), s.X(b), s.Y(b), px, py) < 0.0) {
        next = s.across[3 * (t - 1) + e];
        if (next <= 0) {
          border = next < 0 ? -next : 1;
          return 0;
        }
      }
    }
    if (next == 0) return t;
    t = next;
  }
  for (int u = 1; u <= s.nt; ++u) {
    bool inside = true;
    for (int e = 0; e < 3 && inside; ++e) {
      const int a = s.Ipt(u, e), b = s.Ipt(u, (e + 1) % 3);
      inside = Vpdt(s.X(a), s.Y(a), s.X(b), s.Y(b), px, py) >= 0.0;
    }
    if (inside) return u;
  }
  border = 1;
  return 0;
}

// A start triangle for every cell of a grid over the points: the walks of a sweep over the
// cells' centres, each starting where the one before ended.
void FillStarts(SetUp& s) {
  int t = 1;
  for (int cy = 0; cy < s.cells; ++cy)
    for (int cx = 0; cx < s.cells; ++cx) {
      const double px = s.box[0] + (cx + 0.5) * (s.box[2] - s.box[0]) / s.cells;
      const double py = s.box[1] + (cy + 0.5) * (s.box[3] - s.box[1]) / s.cells;
      int border = 0;
      const int found = Walk(s, t, px, py, border);
      t = found != 0 ? found : s.Ipl(border, 2);
      s.start[cy * s.cells + cx] = t;
    }
}

// Derivatives up to the third order at every point from its cubic fit; neighbours that reach
// across the lines where the nearest lie along one (points measured along lines), more
// neighbours where they lie on one line alone. Each fit is then held to what the values
// about the point support (at its fitting neighbours and the other corners of its
// triangles): a one-sided cubic at the border turns noise into third derivatives that the
// pieces beside and beyond the border carried tens of data heights away.
bool EstimateDerivatives(const SetUp& s, double* pd) {
  const auto n = static_cast<std::size_t>(s.ndp);
  const std::span<const double> xs(s.x, n), ys(s.y, n), zs(s.z, n);
  const TNearestPoints nearest(xs, ys);
  std::vector<std::vector<int>> around(n);
  for (int t = 1; t <= s.nt; ++t)
    for (int e = 0; e < 3; ++e)
      for (int f = 1; f < 3; ++f)
        around[static_cast<std::size_t>(s.Ipt(t, e) - 1)].push_back(s.Ipt(t, (e + f) % 3) - 1);
  std::vector<TNodeTaylor> fits(n);
  std::vector<int> neighbours;
  for (int k = 0; k < s.ndp; ++k) {
    TLocalFit fit;
    if (!FitAtPoint(nearest, xs, ys, zs, k, kNeighbours, 3, fit, neighbours)) return false;
    fits[static_cast<std::size_t>(k)] = FitTaylor(fit);
    std::vector<int>& near = around[static_cast<std::size_t>(k)];
    near.insert(near.end(), neighbours.begin(), neighbours.end());
  }
  const bool limited = TNodeLimits::Active();
  const double allowance = limited ? MeasureTrend(xs, ys, zs).Allowance() : 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    TNodeTaylor t = fits[k];
    if (limited) LimitNodeTaylor(xs, ys, zs, static_cast<int>(k), around[k], allowance, fits, t);
    double* rec = pd + kPerPoint * k;
    const double values[kPerPoint] = {t.d[1][0], t.d[0][1], t.d[2][0], t.d[1][1], t.d[0][2],
                                      t.d[3][0], t.d[2][1], t.d[1][2], t.d[0][3]};
    std::copy(values, values + kPerPoint, rec);
  }
  return true;
}

// ---- pieces outside the hull ----

// Cubic on [0, 1] with values f0, f1 and slopes s0, s1 at its ends.
void CubicHermite(double f0, double f1, double s0, double s1, double out[6]) {
  out[0] = f0;
  out[1] = s0;
  out[2] = 3.0 * (f1 - f0) - 2.0 * s0 - s1;
  out[3] = -2.0 * (f1 - f0) + s0 + s1;
  out[4] = out[5] = 0.0;
}

// Beyond the border segment n1 -> n2: u along the outward normal, v along the segment (both as
// long as the segment). The piece is sum u^i P_i(v), i <= 3: P0 the quintic along the segment,
// P1 the cubic of the normal slope, P2 the cubic of half the second normal derivative with its
// slopes, P3 a sixth of the third normal derivative, flat at both ends; on the normals at the
// ends it is the end point's cubic Taylor polynomial.
TAkimaPatch CubicStripPatch(const TAkimaNode& n1, const TAkimaNode& n2, const double* t1,
                            const double* t2) {
  const double a = n2.y - n1.y, b = n2.x - n1.x, c = -b, d = a;
  TAkimaPatch s;
  AkimaPatchFrame(s, n1.x, n1.y, a, b, c, d);
  double uv1[5], uv2[5];
  AkimaNodeUV(n1, a, b, c, d, uv1);
  AkimaNodeUV(n2, a, b, c, d, uv2);
  // Third derivatives along u (three times) and u, u, v.
  auto third = [&](const double* t, double& uuu, double& uuv) {
    uuu = a * a * a * t[0] + 3 * a * a * c * t[1] + 3 * a * c * c * t[2] + c * c * c * t[3];
    uuv = a * a * b * t[0] + (a * a * d + 2 * a * b * c) * t[1] + (2 * a * c * d + b * c * c) * t[2] +
          c * c * d * t[3];
  };
  double uuu1, uuv1, uuu2, uuv2;
  third(t1, uuu1, uuv1);
  third(t2, uuu2, uuv2);
  const double f[2] = {n1.z, n2.z}, f1[2] = {uv1[1], uv2[1]}, f2[2] = {uv1[4], uv2[4]};
  AkimaQuinticHermite(f, f1, f2, s.p[0]);
  CubicHermite(uv1[0], uv2[0], uv1[3], uv2[3], s.p[1]);
  CubicHermite(0.5 * uv1[2], 0.5 * uv2[2], 0.5 * uuv1, 0.5 * uuv2, s.p[2]);
  CubicHermite(uuu1 / 6.0, uuu2 / 6.0, 0.0, 0.0, s.p[3]);
  return s;
}

// The cubic Taylor polynomial at a border vertex.
TAkimaPatch CubicTaylorPatch(const TAkimaNode& n, const double* t) {
  TAkimaPatch s;
  s.x0 = n.x;
  s.y0 = n.y;
  s.p[0][0] = n.z;
  s.p[1][0] = n.pd[0];
  s.p[0][1] = n.pd[1];
  s.p[2][0] = 0.5 * n.pd[2];
  s.p[1][1] = n.pd[3];
  s.p[0][2] = 0.5 * n.pd[4];
  s.p[3][0] = t[0] / 6.0;
  s.p[2][1] = t[1] / 2.0;
  s.p[1][2] = t[2] / 2.0;
  s.p[0][3] = t[3] / 6.0;
  return s;
}

// Where (px, py) lies beyond the hull, starting from a border segment it lies beyond: the
// strip of a segment (strip > 0) or the sector at a vertex (vertex > 0).
void Outside(const SetUp& s, int il, double px, double py, int& strip, int& vertex) {
  strip = vertex = 0;
  auto along = [&](int l) {
    const int a = s.Ipl(l, 0), b = s.Ipl(l, 1);
    const double ex = s.X(b) - s.X(a), ey = s.Y(b) - s.Y(a);
    return ((px - s.X(a)) * ex + (py - s.Y(a)) * ey) / (ex * ex + ey * ey);
  };
  for (int step = 0; step <= s.nl; ++step) {
    const double t = along(il);
    if (t < 0.0) {
      const int prev = il == 1 ? s.nl : il - 1;
      if (along(prev) > 1.0) {
        vertex = s.Ipl(il, 0);
        return;
      }
      il = prev;
    } else if (t > 1.0) {
      const int next = il % s.nl + 1;
      if (along(next) < 0.0) {
        vertex = s.Ipl(il, 1);
        return;
      }
      il = next;
    } else {
      strip = il;
      return;
    }
  }
  // The walk along the border went round: the nearest border vertex.
  double best = HUGE_VAL;
  for (int l = 1; l <= s.nl; ++l) {
    const int k = s.Ipl(l, 0);
    const double d = std::hypot(px - s.X(k), py - s.Y(k));
    if (d < best) {
      best = d;
      vertex = k;
    }
  }
}

double Evaluate(const SetUp& s, double px, double py, int deriv) {
  if (deriv < 0 || deriv >= kAkimaDerivCodes) return 0.0;
  int border = 0;
  const int t = Walk(s, s.start[s.CellOf(px, py)], px, py, border);
  if (t != 0)
    return AkimaPatchValue(AkimaTrianglePatch(s.Node(s.Ipt(t, 0)), s.Node(s.Ipt(t, 1)),
                                              s.Node(s.Ipt(t, 2))),
                           px, py, deriv);
  int strip = 0, vertex = 0;
  Outside(s, border, px, py, strip, vertex);
  if (strip != 0) {
    const int a = s.Ipl(strip, 0), b = s.Ipl(strip, 1);
    return AkimaPatchValue(CubicStripPatch(s.Node(a), s.Node(b), s.Third(a), s.Third(b)), px, py,
                           deriv);
  }
  return AkimaPatchValue(CubicTaylorPatch(s.Node(vertex), s.Third(vertex)), px, py, deriv);
}

}  // namespace

int AkimaScatteredInterpolate(int md, int ndp, const double* xd, const double* yd,
                              const double* zd, int nip, const double* xi, const double* yi,
                              double* zi, double* wk, int* iwk, int deriv) {
  if (md < 1 || md > 3 || nip < 1 || !xd || !yd || !zd || !xi || !yi || !zi || !wk || !iwk)
    return kSdBadCall;
  if (ndp < kSdMinPoints) return kSdTooFew;
  const auto n = static_cast<std::size_t>(ndp);
  for (int i = 0; i < nip; ++i)
    if (!std::isfinite(xi[i]) || !std::isfinite(yi[i])) return kSdNotFinite;
  SetUp s(ndp, xd, yd, zd, wk, iwk);

  if (md == 1) {
    iwk[kSlotMark] = 0;
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(xd[i]) || !std::isfinite(yd[i]) || !std::isfinite(zd[i])) return kSdNotFinite;
    const auto [xlo, xhi] = std::minmax_element(xd, xd + n);
    const auto [ylo, yhi] = std::minmax_element(yd, yd + n);
    const double extent = std::max(*xhi - *xlo, *yhi - *ylo);
    if (!(extent >= kMinExtent && extent <= kMaxExtent)) return kSdNotFinite;
    int ip1 = 0, ip2 = 0;
    double dsq = 0.0;
    const std::span<const double> xs(xd, n), ys(yd, n);
    if (!AkimaClosestPair(ndp, xs, ys, ip1, ip2, dsq)) return kSdCoincident;
    int nt = 0, nl = 0;
    if (AkimaTriangulate(ndp, xs, ys, std::span<int>(s.ipt, 6 * n - 15), std::span<int>(s.ipl, 3 * n),
                         nt, nl) == 0)
      return kSdCollinear;
    s.nt = nt;
    s.nl = nl;
    s.cells = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(ndp))));
    s.box[0] = *xlo;
    s.box[1] = *ylo;
    s.box[2] = *xhi;
    s.box[3] = *yhi;
    LinkSides(s);
    FillStarts(s);
    iwk[kSlotNdp] = ndp;
    iwk[kSlotNt] = nt;
    iwk[kSlotNl] = nl;
    iwk[kSlotCells] = s.cells;
  } else {
    if (iwk[kSlotMark] != kSetUpMark || iwk[kSlotNdp] != ndp) return kSdNoSetUp;
    s.nt = iwk[kSlotNt];
    s.nl = iwk[kSlotNl];
    s.cells = iwk[kSlotCells];
    if (s.nt < 1 || s.nt > 2 * ndp - 5 || s.nl < 3 || s.nl > ndp || s.cells < 1 ||
        s.cells * s.cells > ndp)
      return kSdNoSetUp;
  }

  if (md != 3) {
    iwk[kSlotMark] = 0;
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(zd[i])) return kSdNotFinite;
    std::vector<double> pd(kPerPoint * n);
    if (!EstimateDerivatives(s, pd.data()) ||
        !std::all_of(pd.begin(), pd.end(), [](double v) { return std::isfinite(v); }))
      return kSdNotFinite;
    std::copy(pd.begin(), pd.end(), wk);
    iwk[kSlotMark] = kSetUpMark;
  }
  for (int i = 0; i < nip; ++i) zi[i] = Evaluate(s, xi[i], yi[i], deriv);
  return kSdOk;
}
