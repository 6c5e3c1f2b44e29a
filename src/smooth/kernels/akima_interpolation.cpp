#include "smooth/kernels/akima_interpolation.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "smooth/kernels/akima_triangulation.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/line_neighbourhood.h"
#include "smooth/kernels/nearest_points.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Positions in IWK (0-based).
constexpr std::size_t kSlotNcp = 0, kSlotNdp = 1, kSlotNxi = 2, kSlotNyi = 3, kSlotNt = 4,
                      kSlotNl = 5;
constexpr std::size_t kIptStart = 15;
std::size_t NgpStart(int ndp) { return 6 * static_cast<std::size_t>(ndp); }
std::size_t IplStart(int ndp) { return 24 * static_cast<std::size_t>(ndp); }
std::size_t IpcStart(int ndp) { return 27 * static_cast<std::size_t>(ndp); }
std::size_t IgpStart(int ncp, int ndp) {
  return static_cast<std::size_t>(std::max(31, 27 + ncp)) * static_cast<std::size_t>(ndp);
}

double Vpdt(double x1, double y1, double x2, double y2, double x3, double y3) {
  return (y3 - y1) * (x2 - x1) - (x3 - x1) * (y2 - y1);
}
// Scalar product of P2P1 and P2P3.
double Spdt(double x1, double y1, double x2, double y2, double x3, double y3) {
  return (x1 - x2) * (x3 - x2) + (y1 - y2) * (y3 - y2);
}

// The triangulation and the data, 1-based.
struct Mesh {
  int ndp = 0, nt = 0, nl = 0;
  std::span<const double> xd, yd;
  const int* ipt = nullptr;
  const int* ipl = nullptr;
  double X(int k) const { return xd[static_cast<std::size_t>(k - 1)]; }
  double Y(int k) const { return yd[static_cast<std::size_t>(k - 1)]; }
  int Ipt(int k) const { return ipt[k - 1]; }
  int Ipl(int k) const { return ipl[k - 1]; }
  int Regions() const { return nt + 2 * nl; }
  int StripRegion(int il) const { return il * (nt + nl) + il; }
  int SectorRegion(int il) const { return il * (nt + nl) + il % nl + 1; }
};

// ---- region tests (shared by the grid sort and the single-point evaluator) ----

// How a point lies in a region: not in it, inside, or on its boundary.
enum class Claim { kNone, kInside, kOnBoundary };

// Folds one test into a claim: a negative value rules the region out, zero puts the point on
// its boundary.
bool Passes(double v, bool& onBoundary) {
  if (v < 0.0) return false;
  if (v == 0.0) onBoundary = true;
  return true;
}

Claim TriangleClaim(const Mesh& m, int it, double x, double y) {
  const int i1 = m.Ipt(3 * it - 2), i2 = m.Ipt(3 * it - 1), i3 = m.Ipt(3 * it);
  const double x1 = m.X(i1), y1 = m.Y(i1), x2 = m.X(i2), y2 = m.Y(i2), x3 = m.X(i3), y3 = m.Y(i3);
  bool side = false;
  if (!Passes(Vpdt(x1, y1, x2, y2, x, y), side) || !Passes(Vpdt(x2, y2, x3, y3, x, y), side) ||
      !Passes(Vpdt(x3, y3, x1, y1, x, y), side))
    return Claim::kNone;
  return side ? Claim::kOnBoundary : Claim::kInside;
}

struct Box {
  double xmn, xmx, ymn, ymx;
  bool Holds(double x, double y) const { return x >= xmn && x <= xmx && y >= ymn && y <= ymx; }
};

Box TriangleBox(const Mesh& m, int it) {
  const int i1 = m.Ipt(3 * it - 2), i2 = m.Ipt(3 * it - 1), i3 = m.Ipt(3 * it);
  return {std::min({m.X(i1), m.X(i2), m.X(i3)}), std::max({m.X(i1), m.X(i2), m.X(i3)}),
          std::min({m.Y(i1), m.Y(i2), m.Y(i3)}), std::max({m.Y(i1), m.Y(i2), m.Y(i3)})};
}

// Segment il runs from P1 to P2; the next segment ends at P3.
struct Border {
  double x1, y1, x2, y2, x3, y3;
};

Border BorderAt(const Mesh& m, int il) {
  const int ip1 = m.Ipl(3 * il - 2), ip2 = m.Ipl(3 * il - 1);
  const int ip3 = m.Ipl(3 * (il % m.nl + 1) - 1);
  return {m.X(ip1), m.Y(ip1), m.X(ip2), m.Y(ip2), m.X(ip3), m.Y(ip3)};
}

// The part of the grid's box that the strip beyond P1 -> P2 can reach.
Box StripBox(Box b, const Border& s) {
  if (s.y2 >= s.y1) b.xmn = std::min(s.x1, s.x2);
  if (s.y2 <= s.y1) b.xmx = std::max(s.x1, s.x2);
  if (s.x2 <= s.x1) b.ymn = std::min(s.y1, s.y2);
  if (s.x2 >= s.x1) b.ymx = std::max(s.y1, s.y2);
  return b;
}

Claim StripClaim(const Border& s, double x, double y) {
  bool side = false;
  // Right of the segment, between the normals at its end points.
  if (!Passes(-Vpdt(s.x1, s.y1, s.x2, s.y2, x, y), side) ||
      !Passes(Spdt(s.x2, s.y2, s.x1, s.y1, x, y), side) ||
      !Passes(Spdt(s.x1, s.y1, s.x2, s.y2, x, y), side))
    return Claim::kNone;
  return side ? Claim::kOnBoundary : Claim::kInside;
}

// The part of the grid's box that the sector at P2 can reach.
Box SectorBox(Box b, const Border& s) {
  if (s.y3 >= s.y2 && s.y2 >= s.y1) b.xmn = s.x2;
  if (s.y3 <= s.y2 && s.y2 <= s.y1) b.xmx = s.x2;
  if (s.x3 <= s.x2 && s.x2 <= s.x1) b.ymn = s.y2;
  if (s.x3 >= s.x2 && s.x2 >= s.x1) b.ymx = s.y2;
  return b;
}

Claim SectorClaim(const Border& s, double x, double y) {
  bool side = false;
  // Beyond the normals at P2 of both segments.
  if (!Passes(-Spdt(s.x1, s.y1, s.x2, s.y2, x, y), side) ||
      !Passes(-Spdt(s.x3, s.y3, s.x2, s.y2, x, y), side))
    return Claim::kNone;
  return side ? Claim::kOnBoundary : Claim::kInside;
}

// The triangle a point lies most inside (by the smallest signed distance to its sides): the
// region of a point that rounding leaves outside every region.
int FallbackTriangle(const Mesh& m, double x, double y) {
  int best = 1;
  double bestScore = -kInf;
  for (int it = 1; it <= m.nt; ++it) {
    double score = kInf;
    for (int e = 0; e < 3; ++e) {
      const int a = m.Ipt(3 * it - 2 + e), b = m.Ipt(3 * it - 2 + (e + 1) % 3);
      const double len = std::hypot(m.X(b) - m.X(a), m.Y(b) - m.Y(a));
      score = std::min(score, Vpdt(m.X(a), m.Y(a), m.X(b), m.Y(b), x, y) / len);
    }
    if (score > bestScore) {
      bestScore = score;
      best = it;
    }
  }
  return best;
}

// ---- closest points ----

// The points in runs of kRun consecutive numbers, each run with its bounding box and its points
// sorted by y. A scan in point order can then pass over a run, or over all but a band of it,
// that holds no point nearer than a given distance, and still meet the rest in point order.
class PointRuns {
 public:
  static constexpr int kRun = 64;

  explicit PointRuns(const Mesh& m) : m_(m) {
    const int runs = (m.ndp + kRun - 1) / kRun;
    box_.resize(static_cast<std::size_t>(runs));
    slot_.resize(static_cast<std::size_t>(m.ndp));
    y_.resize(static_cast<std::size_t>(m.ndp));
    for (int r = 0; r < runs; ++r) {
      const int first = r * kRun + 1, last = std::min(m.ndp, first + kRun - 1);
      Box& b = box_[static_cast<std::size_t>(r)];
      b = {kInf, -kInf, kInf, -kInf};
      for (int k = first; k <= last; ++k) {
        b.xmn = std::min(b.xmn, m.X(k));
        b.xmx = std::max(b.xmx, m.X(k));
        b.ymn = std::min(b.ymn, m.Y(k));
        b.ymx = std::max(b.ymx, m.Y(k));
        slot_[static_cast<std::size_t>(k - 1)] = k - first;
      }
      const auto begin = slot_.begin() + (first - 1), end = slot_.begin() + last;
      std::sort(begin, end, [&m, first](int a, int c) { return m.Y(first + a) < m.Y(first + c); });
      for (auto it = begin; it != end; ++it)
        y_[static_cast<std::size_t>(it - slot_.begin())] = m.Y(first + *it);
    }
  }
  int Runs() const { return static_cast<int>(box_.size()); }
  static int First(int r) { return r * kRun + 1; }

  // The points of run r that may lie nearer to (x1, y1) than the squared distance dsq (every
  // point nearer is among them): bit i stands for point First(r) + i.
  std::uint64_t Candidates(int r, double x1, double y1, double dsq) const {
    const Box& b = box_[static_cast<std::size_t>(r)];
    // The box's nearest point is no farther than any of its points, also as computed.
    const double dx = x1 < b.xmn ? b.xmn - x1 : (x1 > b.xmx ? x1 - b.xmx : 0.0);
    const double dy = y1 < b.ymn ? b.ymn - y1 : (y1 > b.ymx ? y1 - b.ymx : 0.0);
    if (!(dx * dx + dy * dy < dsq)) return 0;
    // A point nearer than dsq has dy^2 < dsq - dx^2; the margin covers the rounding of the
    // squares and sums many times over.
    const double band = std::sqrt((dsq - dx * dx) + dsq * 1e-12) * (1.0 + 1e-9);
    const std::size_t first = static_cast<std::size_t>(r) * kRun;
    const std::size_t last = std::min(static_cast<std::size_t>(m_.ndp), first + kRun);
    const auto lo = std::lower_bound(y_.begin() + first, y_.begin() + last, y1 - band);
    std::uint64_t bits = 0;
    for (auto it = lo; it != y_.begin() + last && *it <= y1 + band; ++it)
      bits |= std::uint64_t{1} << slot_[static_cast<std::size_t>(it - y_.begin())];
    return bits;
  }

 private:
  const Mesh& m_;
  std::vector<Box> box_;
  std::vector<int> slot_;   // per run, the points' places in the run by ascending y
  std::vector<double> y_;   // their y values in that order
};

// The NCP closest points of every point into IPC, by the published scan: the first NCP other
// points in order, then every nearer point replacing the farthest held (the first held of the
// largest distance); a set that lies on one line through the point (every sine^2 against the
// first held point at most 0.06698) has its farthest held point replaced by the nearest point
// off that line. The scan meets points in the published order but skips, run by run, those
// that cannot be nearer than the farthest held, which leaves the published outcome unchanged
// and makes the search nearly linear for data sorted by a coordinate.
bool ClosestPoints(const Mesh& m, int ncp, int* ipc) {
  const int ndp = m.ndp;
  if (ndp < 2 || ncp < 1 || ncp > kAkimaMaxCloseCount || ncp >= ndp) return false;
  const PointRuns runs(m);
  double dsq0[kAkimaMaxCloseCount];
  int ipc0[kAkimaMaxCloseCount];
  for (int ip1 = 1; ip1 <= ndp; ++ip1) {
    const double x1 = m.X(ip1), y1 = m.Y(ip1);
    auto dsqTo = [&](int k) {
      return (m.X(k) - x1) * (m.X(k) - x1) + (m.Y(k) - y1) * (m.Y(k) - y1);
    };
    int j1 = 0, jmx = 0, ip2 = 1;
    double dsqmx = 0.0;
    for (; ip2 <= ndp && j1 < ncp; ++ip2) {
      if (ip2 == ip1) continue;
      const double dsqi = dsqTo(ip2);
      dsq0[j1] = dsqi;
      ipc0[j1] = ip2;
      if (dsqi > dsqmx) {
        dsqmx = dsqi;
        jmx = j1;
      }
      ++j1;
    }
    for (int r = (ip2 - 1) / PointRuns::kRun; ip2 <= ndp && r < runs.Runs(); ++r) {
      std::uint64_t bits = runs.Candidates(r, x1, y1, dsqmx);
      const int first = PointRuns::First(r);
      if (ip2 > first) bits &= ~std::uint64_t{0} << (ip2 - first);
      for (; bits != 0; bits &= bits - 1) {
        const int k = first + std::countr_zero(bits);
        if (k == ip1) continue;
        const double dsqi = dsqTo(k);
        if (!(dsqi < dsqmx)) continue;
        dsq0[jmx] = dsqi;
        ipc0[jmx] = k;
        dsqmx = 0.0;
        for (int j = 0; j < ncp; ++j) {
          if (dsq0[j] > dsqmx) {
            dsqmx = dsq0[j];
            jmx = j;
          }
        }
      }
    }
    // Collinear sets take the nearest point off their line.
    const double dx12 = m.X(ipc0[0]) - x1, dy12 = m.Y(ipc0[0]) - y1;
    const double len12 = dx12 * dx12 + dy12 * dy12;
    auto sine2 = [&](int ip) {
      const double dx13 = m.X(ip) - x1, dy13 = m.Y(ip) - y1;
      const double cross = dy13 * dx12 - dx13 * dy12;
      // Divided before squaring, so that close points at tiny scales do not underflow.
      return (cross / len12) * (cross / (dx13 * dx13 + dy13 * dy13));
    };
    bool collinear = true;
    for (int j = 1; j < ncp && collinear; ++j)
      if (sine2(ipc0[j]) > kAkimaCollinearSine2) collinear = false;
    if (collinear) {
      int ip3mn = 0;
      double dsqmn = kInf;
      for (int ip3 = 1; ip3 <= ndp; ++ip3) {
        if (ip3 == ip1 || std::find(ipc0, ipc0 + ncp, ip3) != ipc0 + ncp) continue;
        if (!(sine2(ip3) > kAkimaCollinearSine2)) continue;
        const double dsqi = dsqTo(ip3);
        if (dsqi < dsqmn) {
          dsqmn = dsqi;
          ip3mn = ip3;
        }
      }
      if (ip3mn == 0) return false;
      ipc0[jmx] = ip3mn;
    }
    std::copy(ipc0, ipc0 + ncp, ipc + static_cast<std::ptrdiff_t>(ncp) * (ip1 - 1));
  }
  // A point whose closest points lie along its own line of points (points measured along
  // lines) takes them across the lines instead (line_neighbourhood.h): the one point off the
  // line that the published rule brings in gave the slope across it, and the curvature across
  // a narrow ridge stood at twice the data's height between the lines.
  const auto n = static_cast<std::size_t>(ndp);
  const TNearestPoints index(m.xd.first(n), m.yd.first(n));
  TNeighbourhood hood;
  for (int ip1 = 1; ip1 <= ndp; ++ip1) {
    SpanningNearest(index, m.X(ip1), m.Y(ip1), ncp, ip1 - 1, hood);
    if (!hood.acrossLines || static_cast<int>(hood.ids.size()) != ncp) continue;
    int* row = ipc + static_cast<std::ptrdiff_t>(ncp) * (ip1 - 1);
    for (int j = 0; j < ncp; ++j) row[j] = hood.ids[static_cast<std::size_t>(j)] + 1;
  }
  return true;
}

// ---- partial derivatives ----

// zx, zy from the sum of the vector products of the vectors to every pair of closest points
// (each turned to point upwards), then zxx, zxy, zyy by the same estimate on zx and zy.
// False when an estimate is not a finite number.
bool EstimateDerivatives(const Mesh& m, std::span<const double> zd, int ncp, const int* ipc,
                         std::span<double> pd) {
  const int ndp = m.ndp;
  auto Z = [&zd](int k) { return zd[static_cast<std::size_t>(k - 1)]; };
  auto PD = [&pd](int k) -> double& { return pd[static_cast<std::size_t>(k - 1)]; };
  for (int ip0 = 1; ip0 <= ndp; ++ip0) {
    const double x0 = m.X(ip0), y0 = m.Y(ip0), z0 = Z(ip0);
    double nmx = 0.0, nmy = 0.0, nmz = 0.0;
    const int* c = ipc + static_cast<std::ptrdiff_t>(ncp) * (ip0 - 1);
    for (int ic1 = 0; ic1 < ncp - 1; ++ic1) {
      const double dx1 = m.X(c[ic1]) - x0, dy1 = m.Y(c[ic1]) - y0, dz1 = Z(c[ic1]) - z0;
      for (int ic2 = ic1 + 1; ic2 < ncp; ++ic2) {
        const double dx2 = m.X(c[ic2]) - x0, dy2 = m.Y(c[ic2]) - y0;
        double dnmz = dx1 * dy2 - dy1 * dx2;
        if (dnmz == 0.0) continue;
        const double dz2 = Z(c[ic2]) - z0;
        double dnmx = dy1 * dz2 - dz1 * dy2;
        double dnmy = dz1 * dx2 - dx1 * dz2;
        if (dnmz < 0.0) {
          dnmx = -dnmx;
          dnmy = -dnmy;
          dnmz = -dnmz;
        }
        nmx += dnmx;
        nmy += dnmy;
        nmz += dnmz;
      }
    }
    PD(5 * ip0 - 4) = -nmx / nmz;
    PD(5 * ip0 - 3) = -nmy / nmz;
  }
  for (int ip0 = 1; ip0 <= ndp; ++ip0) {
    const double x0 = m.X(ip0), y0 = m.Y(ip0);
    const double zx0 = PD(5 * ip0 - 4), zy0 = PD(5 * ip0 - 3);
    double nmxx = 0.0, nmxy = 0.0, nmyx = 0.0, nmyy = 0.0, nmz = 0.0;
    const int* c = ipc + static_cast<std::ptrdiff_t>(ncp) * (ip0 - 1);
    for (int ic1 = 0; ic1 < ncp - 1; ++ic1) {
      const double dx1 = m.X(c[ic1]) - x0, dy1 = m.Y(c[ic1]) - y0;
      const double dzx1 = PD(5 * c[ic1] - 4) - zx0, dzy1 = PD(5 * c[ic1] - 3) - zy0;
      for (int ic2 = ic1 + 1; ic2 < ncp; ++ic2) {
        const double dx2 = m.X(c[ic2]) - x0, dy2 = m.Y(c[ic2]) - y0;
        double dnmz = dx1 * dy2 - dy1 * dx2;
        if (dnmz == 0.0) continue;
        const double dzx2 = PD(5 * c[ic2] - 4) - zx0, dzy2 = PD(5 * c[ic2] - 3) - zy0;
        double dnmxx = dy1 * dzx2 - dzx1 * dy2;
        double dnmxy = dzx1 * dx2 - dx1 * dzx2;
        double dnmyx = dy1 * dzy2 - dzy1 * dy2;
        double dnmyy = dzy1 * dx2 - dx1 * dzy2;
        if (dnmz < 0.0) {
          dnmxx = -dnmxx;
          dnmxy = -dnmxy;
          dnmyx = -dnmyx;
          dnmyy = -dnmyy;
          dnmz = -dnmz;
        }
        nmxx += dnmxx;
        nmxy += dnmxy;
        nmyx += dnmyx;
        nmyy += dnmyy;
        nmz += dnmz;
      }
    }
    PD(5 * ip0 - 2) = -nmxx / nmz;
    PD(5 * ip0 - 1) = -(nmxy + nmyx) / (2.0 * nmz);
    PD(5 * ip0) = -nmyy / nmz;
  }
  for (std::size_t i = 0; i < 5 * static_cast<std::size_t>(ndp); ++i)
    if (!std::isfinite(pd[i])) return false;
  return true;
}

// The derivatives of every point held to what the values about it support
// (derivative_limiter.h): its quadratic Taylor polynomial at its closest points and at the
// other corners of its triangles. A point whose closest points crowd along a line, on the
// border above all, takes from them a slope across that line and second derivatives that are
// noise divided by the square of a sliver's width; the quintic of a long border segment then
// stood tens of data heights off the points beside it.
void LimitDerivatives(const Mesh& m, std::span<const double> zd, int ncp, const int* ipc,
                      std::span<double> pd) {
  const int ndp = m.ndp;
  const auto n = static_cast<std::size_t>(ndp);
  const double allowance = MeasureTrend(m.xd.first(n), m.yd.first(n), zd).Allowance();
  std::vector<TNodeTaylor> originals(n);
  for (std::size_t k = 0; k < n; ++k) {
    const double* d = &pd[5 * k];
    TNodeTaylor& t = originals[k];
    t.order = 2;
    t.d[1][0] = d[0];
    t.d[0][1] = d[1];
    t.d[2][0] = d[2];
    t.d[1][1] = d[3];
    t.d[0][2] = d[4];
  }
  // The other corners of each point's triangles, in one array with a start per point.
  std::vector<int> start(n + 1, 0), corners(6 * static_cast<std::size_t>(m.nt));
  for (int it = 1; it <= 3 * m.nt; ++it) start[static_cast<std::size_t>(m.Ipt(it))] += 2;
  for (std::size_t k = 1; k <= n; ++k) start[k] += start[k - 1];
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (int it = 1; it <= m.nt; ++it)
    for (int a = 0; a < 3; ++a)
      for (int b = 1; b < 3; ++b)
        corners[static_cast<std::size_t>(fill[static_cast<std::size_t>(m.Ipt(3 * it - 2 + a) - 1)]++)] =
            m.Ipt(3 * it - 2 + (a + b) % 3) - 1;
  std::vector<int> near;
  for (std::size_t k = 0; k < n; ++k) {
    near.assign(corners.begin() + start[k], corners.begin() + start[k + 1]);
    for (int ic = 0; ic < ncp; ++ic) near.push_back(ipc[static_cast<std::size_t>(ncp) * k + static_cast<std::size_t>(ic)] - 1);
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());
    TNodeTaylor t = originals[k];
    if (!LimitNodeTaylor(m.xd, m.yd, zd, static_cast<int>(k), near, allowance, originals, t)) continue;
    double* d = &pd[5 * k];
    d[0] = t.d[1][0];
    d[1] = t.d[0][1];
    d[2] = t.d[2][0];
    d[3] = t.d[1][1];
    d[4] = t.d[0][2];
  }
}

// ---- grid sort ----

// The run of grid x values inside [xmn, xmx]: the published scan takes the first run it meets.
bool XRange(std::span<const double> xi, int nxi, double xmn, double xmx, int& lo, int& hi) {
  bool inside = false;
  for (int ixi = 1; ixi <= nxi; ++ixi) {
    const double x = xi[static_cast<std::size_t>(ixi - 1)];
    if (x >= xmn && x <= xmx) {
      if (!inside) {
        inside = true;
        lo = ixi;
      }
    } else if (inside) {
      hi = ixi - 1;
      return true;
    }
  }
  hi = nxi;
  return inside;
}

// Sorts the grid points into NGP and IGP region by region; the points no region claims are
// returned in unclaimed.
void SortGridPoints(const Mesh& m, int nxi, int nyi, std::span<const double> xi,
                    std::span<const double> yi, int* ngp, int* igp, std::vector<int>& unclaimed) {
  const int nxinyi = nxi * nyi;
  enum : unsigned char { kFront = 1, kBack = 2 };
  std::vector<unsigned char> state(static_cast<std::size_t>(nxinyi) + 1, 0);
  int jngp0 = 0, jngp1 = 2 * m.Regions() + 1, jigp0 = 0, jigp1 = nxinyi + 1;
  const Box grid{std::min(xi[0], xi[static_cast<std::size_t>(nxi - 1)]),
                 std::max(xi[0], xi[static_cast<std::size_t>(nxi - 1)]),
                 std::min(yi[0], yi[static_cast<std::size_t>(nyi - 1)]),
                 std::max(yi[0], yi[static_cast<std::size_t>(nyi - 1)])};

  // One region: the grid points of box that test claims.
  auto region = [&](const Box& box, auto test) {
    int ngp0 = 0, ngp1 = 0, lo = 0, hi = 0;
    if (XRange(xi, nxi, box.xmn, box.xmx, lo, hi)) {
      for (int iyi = 1; iyi <= nyi; ++iyi) {
        const double yii = yi[static_cast<std::size_t>(iyi - 1)];
        if (yii < box.ymn || yii > box.ymx) continue;
        for (int ixi = lo; ixi <= hi; ++ixi) {
          const int izi = nxi * (iyi - 1) + ixi;
          unsigned char& s = state[static_cast<std::size_t>(izi)];
          // Each grid point goes to one region only. Rounding can put a point on a shared
          // side strictly inside both triangles; claimed twice, the two halves of IGP would
          // overrun each other and leave some other point without a value.
          if (s != 0) continue;
          const Claim claim = test(xi[static_cast<std::size_t>(ixi - 1)], yii);
          if (claim == Claim::kNone) continue;
          if (claim == Claim::kInside) {
            ++ngp0;
            igp[jigp0++] = izi;
            s = kFront;
          } else {
            ++ngp1;
            igp[--jigp1 - 1] = izi;
            s = kBack;
          }
        }
      }
    }
    ngp[jngp0++] = ngp0;
    ngp[--jngp1 - 1] = ngp1;
  };

  for (int it = 1; it <= m.nt; ++it)
    region(TriangleBox(m, it), [&](double x, double y) { return TriangleClaim(m, it, x, y); });
  for (int il = 1; il <= m.nl; ++il) {
    const Border s = BorderAt(m, il);
    region(StripBox(grid, s), [&s](double x, double y) { return StripClaim(s, x, y); });
    region(SectorBox(grid, s), [&s](double x, double y) { return SectorClaim(s, x, y); });
  }
  unclaimed.clear();
  for (int izi = 1; izi <= nxinyi; ++izi)
    if (state[static_cast<std::size_t>(izi)] == 0) unclaimed.push_back(izi);
}

// ---- evaluation ----

// The coefficients of the region evaluated last.
struct RegionCache {
  int iti = 0;
  bool sector = false;
  TAkimaPatch patch;
  TAkimaNode vertex;
};

TAkimaNode NodeAt(const Mesh& m, std::span<const double> zd, std::span<const double> pd, int k) {
  TAkimaNode n;
  n.x = m.X(k);
  n.y = m.Y(k);
  n.z = zd[static_cast<std::size_t>(k - 1)];
  std::copy_n(pd.begin() + 5 * static_cast<std::ptrdiff_t>(k - 1), 5, n.pd);
  return n;
}

double RegionValue(const Mesh& m, std::span<const double> zd, std::span<const double> pd,
                   RegionCache& cache, int iti, double x, double y, int deriv) {
  if (deriv < 0 || deriv >= kAkimaDerivCodes) return 0.0;
  if (iti != cache.iti) {
    cache.iti = iti;
    cache.sector = false;
    if (iti <= m.nt) {
      cache.patch = AkimaTrianglePatch(NodeAt(m, zd, pd, m.Ipt(3 * iti - 2)),
                                       NodeAt(m, zd, pd, m.Ipt(3 * iti - 1)),
                                       NodeAt(m, zd, pd, m.Ipt(3 * iti)));
    } else {
      const int il1 = iti / (m.nt + m.nl), il2 = iti - il1 * (m.nt + m.nl);
      if (il1 == il2) {
        cache.patch = AkimaStripPatch(NodeAt(m, zd, pd, m.Ipl(3 * il1 - 2)),
                                      NodeAt(m, zd, pd, m.Ipl(3 * il1 - 1)));
      } else {
        cache.sector = true;
        cache.vertex = NodeAt(m, zd, pd, m.Ipl(3 * il2 - 2));
      }
    }
  }
  return cache.sector ? AkimaSectorValue(cache.vertex, x, y, deriv)
                      : AkimaPatchValue(cache.patch, x, y, deriv);
}

// Region number of the JNGP-th entry of NGP.
int RegionOfEntry(const Mesh& m, int jngp) {
  if (jngp <= m.nt) return jngp;
  const int il1 = (jngp - m.nt + 1) / 2;
  int il2 = (jngp - m.nt + 2) / 2;
  if (il2 > m.nl) il2 = 1;
  return il1 * (m.nt + m.nl) + il2;
}

bool AllFinite(std::span<const double> v) {
  return std::all_of(v.begin(), v.end(), [](double a) { return std::isfinite(a); });
}

// Whether a stored triangulation is usable: counts in range and every point number valid.
bool StoredMeshValid(const Mesh& m) {
  if (m.nt < 1 || m.nt > 2 * m.ndp - 5 || m.nl < 3 || m.nl > m.ndp) return false;
  for (int k = 1; k <= 3 * m.nt; ++k)
    if (m.Ipt(k) < 1 || m.Ipt(k) > m.ndp) return false;
  for (int k = 1; k <= 3 * m.nl; ++k) {
    const int v = m.Ipl(k);
    if (k % 3 == 0 ? (v < 1 || v > m.nt) : (v < 1 || v > m.ndp)) return false;
  }
  return true;
}

}  // namespace

std::size_t AkimaIntWorkSize(int ncp, int ndp, int nxi, int nyi) {
  return IgpStart(ncp, std::max(ndp, 0)) +
         static_cast<std::size_t>(std::max(nxi, 0)) * static_cast<std::size_t>(std::max(nyi, 0));
}

int AkimaGridInterpolate(int md, int ncp, int ndp, std::span<const double> xd,
                         std::span<const double> yd, std::span<const double> zd, int nxi, int nyi,
                         std::span<const double> xi, std::span<const double> yi,
                         std::span<double> zi, std::span<int> iwk, std::span<double> wk,
                         int deriv) {
  // 1. The call and what IWK holds.
  if (md < kAkimaNewPoints || md > kAkimaSameGrid || ncp < 2 || ncp >= ndp || ndp < 4 ||
      nxi < 1 || nyi < 1)
    return 0;
  const auto n = static_cast<std::size_t>(ndp);
  const std::size_t cells = static_cast<std::size_t>(nxi) * static_cast<std::size_t>(nyi);
  if (cells > static_cast<std::size_t>(std::numeric_limits<int>::max() / 2)) return 0;
  if (xd.size() < n || yd.size() < n || zd.size() < n || xi.size() < static_cast<std::size_t>(nxi) ||
      yi.size() < static_cast<std::size_t>(nyi) || zi.size() < cells ||
      wk.size() < AkimaRealWorkSize(ndp) || iwk.size() < AkimaIntWorkSize(ncp, ndp, nxi, nyi))
    return 0;
  xd = xd.first(n);
  yd = yd.first(n);
  zd = zd.first(n);
  if (!AllFinite(xd) || !AllFinite(yd) || !AllFinite(zd) ||
      !AllFinite(xi.first(static_cast<std::size_t>(nxi))) ||
      !AllFinite(yi.first(static_cast<std::size_t>(nyi))))
    return 0;
  if (md != kAkimaNewPoints && (iwk[kSlotNcp] != ncp || iwk[kSlotNdp] != ndp)) return 0;
  if (md == kAkimaSameGrid && (iwk[kSlotNxi] != nxi || iwk[kSlotNyi] != nyi)) return 0;

  int* ipt = iwk.data() + kIptStart;
  int* ngp = iwk.data() + NgpStart(ndp);
  int* ipl = iwk.data() + IplStart(ndp);
  int* ipc = iwk.data() + IpcStart(ndp);
  int* igp = iwk.data() + IgpStart(ncp, ndp);
  // A failure from here on leaves IWK holding nothing a later call may reuse.
  auto fail = [&iwk] {
    iwk[kSlotNcp] = 0;
    return 0;
  };

  // 2, 3. Triangulation and closest points.
  Mesh m;
  m.ndp = ndp;
  m.xd = xd;
  m.yd = yd;
  m.ipt = ipt;
  m.ipl = ipl;
  if (md == kAkimaNewPoints) {
    iwk[kSlotNcp] = ncp;
    iwk[kSlotNdp] = ndp;
    int nt = 0, nl = 0;
    if (AkimaTriangulate(ndp, xd, yd, std::span<int>(ipt, 6 * n - 15), std::span<int>(ipl, 3 * n),
                         nt, nl) == 0)
      return fail();
    iwk[kSlotNt] = nt;
    iwk[kSlotNl] = nl;
    m.nt = nt;
    m.nl = nl;
    if (!ClosestPoints(m, ncp, ipc)) return fail();
  } else {
    m.nt = iwk[kSlotNt];
    m.nl = iwk[kSlotNl];
    if (!StoredMeshValid(m)) return fail();
  }

  // 4. Grid points by region.
  std::vector<int> unclaimed;
  const int nngp = m.Regions();
  if (md != kAkimaSameGrid) {
    SortGridPoints(m, nxi, nyi, xi, yi, ngp, igp, unclaimed);
    iwk[kSlotNxi] = nxi;
    iwk[kSlotNyi] = nyi;
  } else {
    // The points of the stored sort: the front halves at the start of IGP, the back halves
    // at its end; the rest of IGP holds nothing.
    long long front = 0, back = 0;
    for (int j = 0; j < 2 * nngp; ++j) {
      if (ngp[j] < 0) return fail();
      (j < nngp ? front : back) += ngp[j];
    }
    if (front + back > static_cast<long long>(cells)) return fail();
    std::vector<unsigned char> seen(cells + 1, 0);
    auto mark = [&](std::size_t j) {
      const int izi = igp[j];
      if (izi >= 1 && static_cast<std::size_t>(izi) <= cells) seen[static_cast<std::size_t>(izi)] = 1;
    };
    for (std::size_t j = 0; j < static_cast<std::size_t>(front); ++j) mark(j);
    for (std::size_t j = cells - static_cast<std::size_t>(back); j < cells; ++j) mark(j);
    for (std::size_t izi = 1; izi <= cells; ++izi)
      if (!seen[izi]) unclaimed.push_back(static_cast<int>(izi));
  }

  // 5. Partial derivatives.
  const std::span<double> pd = wk.first(AkimaRealWorkSize(ndp));
  if (!EstimateDerivatives(m, zd, ncp, ipc, pd)) return fail();
  if (TNodeLimits::Active()) LimitDerivatives(m, zd, ncp, ipc, pd);

  // 6. Region by region: the front points forward from the start of IGP, the back points
  // backward from its end.
  RegionCache cache;
  auto eval = [&](int iti, int izi) {
    if (izi < 1 || static_cast<std::size_t>(izi) > cells) return;
    const int iyi = (izi - 1) / nxi + 1, ixi = izi - nxi * (iyi - 1);
    zi[static_cast<std::size_t>(izi - 1)] =
        RegionValue(m, zd, pd, cache, iti, xi[static_cast<std::size_t>(ixi - 1)],
                    yi[static_cast<std::size_t>(iyi - 1)], deriv);
  };
  int jig0mx = 0, jig1mn = static_cast<int>(cells) + 1;
  for (int jngp = 1; jngp <= nngp; ++jngp) {
    const int iti = RegionOfEntry(m, jngp);
    const int ngp0 = ngp[jngp - 1];
    for (int j = jig0mx; j < jig0mx + ngp0; ++j) eval(iti, igp[j]);
    jig0mx += ngp0;
    const int ngp1 = ngp[2 * nngp - jngp];
    jig1mn -= ngp1;
    for (int j = jig1mn; j < jig1mn + ngp1; ++j) eval(iti, igp[j - 1]);
  }
  for (const int izi : unclaimed) {
    const int iyi = (izi - 1) / nxi + 1, ixi = izi - nxi * (iyi - 1);
    eval(FallbackTriangle(m, xi[static_cast<std::size_t>(ixi - 1)],
                          yi[static_cast<std::size_t>(iyi - 1)]),
         izi);
  }
  return 1;
}

// ---- single points ----

struct TAkimaPointEvaluator::Impl {
  std::vector<double> x, y;
  std::vector<int> ipt, ipl;
  Mesh mesh;
  std::vector<Box> boxes;
  // Bucket grid over the points' bounding box: the triangles whose box meets each cell, in
  // ascending order.
  double bx0 = 0, by0 = 0, sx = 0, sy = 0;
  int gx = 1, gy = 1;
  std::vector<int> cellStart, cellTriangles;
  mutable RegionCache cache;
  mutable const double* cachedZ = nullptr;
  mutable const double* cachedPd = nullptr;

  int Cell(double v, double origin, double scale, int count) const {
    const double f = (v - origin) * scale;
    if (!(f > 0.0)) return 0;
    if (f >= count - 1) return count - 1;
    return static_cast<int>(f);
  }

  int Region(double px, double py) const {
    int winner = 0;
    bool boundaryTaken = false;
    auto consider = [&](int region, Claim claim) {
      if (claim == Claim::kInside) {
        winner = region;
      } else if (claim == Claim::kOnBoundary && !boundaryTaken) {
        boundaryTaken = true;
        winner = region;
      }
    };
    const int cx = Cell(px, bx0, sx, gx), cy = Cell(py, by0, sy, gy);
    const int cell = cy * gx + cx;
    for (int k = cellStart[static_cast<std::size_t>(cell)];
         k < cellStart[static_cast<std::size_t>(cell) + 1]; ++k) {
      const int it = cellTriangles[static_cast<std::size_t>(k)];
      if (boxes[static_cast<std::size_t>(it - 1)].Holds(px, py))
        consider(it, TriangleClaim(mesh, it, px, py));
    }
    const Box grid{px, px, py, py};
    for (int il = 1; il <= mesh.nl; ++il) {
      const Border s = BorderAt(mesh, il);
      if (StripBox(grid, s).Holds(px, py)) consider(mesh.StripRegion(il), StripClaim(s, px, py));
      if (SectorBox(grid, s).Holds(px, py)) consider(mesh.SectorRegion(il), SectorClaim(s, px, py));
    }
    return winner != 0 ? winner : FallbackTriangle(mesh, px, py);
  }
};

TAkimaPointEvaluator::~TAkimaPointEvaluator() = default;

std::unique_ptr<TAkimaPointEvaluator> TAkimaPointEvaluator::Build(int ndp,
                                                                  std::span<const double> xd,
                                                                  std::span<const double> yd,
                                                                  std::span<const int> iwk) {
  if (ndp < 4 || xd.size() < static_cast<std::size_t>(ndp) ||
      yd.size() < static_cast<std::size_t>(ndp) || iwk.size() < IpcStart(ndp) ||
      iwk[kSlotNdp] != ndp || iwk[kSlotNcp] < 2)
    return nullptr;
  std::unique_ptr<TAkimaPointEvaluator> e(new TAkimaPointEvaluator);
  e->impl_ = std::make_unique<Impl>();
  Impl& s = *e->impl_;
  const int nt = iwk[kSlotNt], nl = iwk[kSlotNl];
  if (nt < 1 || nt > 2 * ndp - 5 || nl < 3 || nl > ndp) return nullptr;
  s.x.assign(xd.begin(), xd.begin() + ndp);
  s.y.assign(yd.begin(), yd.begin() + ndp);
  s.ipt.assign(iwk.begin() + kIptStart, iwk.begin() + kIptStart + 3 * nt);
  s.ipl.assign(iwk.begin() + IplStart(ndp), iwk.begin() + IplStart(ndp) + 3 * nl);
  s.mesh.ndp = ndp;
  s.mesh.nt = nt;
  s.mesh.nl = nl;
  s.mesh.xd = s.x;
  s.mesh.yd = s.y;
  s.mesh.ipt = s.ipt.data();
  s.mesh.ipl = s.ipl.data();
  if (!StoredMeshValid(s.mesh)) return nullptr;

  const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
  const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
  s.gx = s.gy = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(nt) / 2.0)));
  s.bx0 = *xlo;
  s.by0 = *ylo;
  s.sx = *xhi > *xlo ? s.gx / (*xhi - *xlo) : 0.0;
  s.sy = *yhi > *ylo ? s.gy / (*yhi - *ylo) : 0.0;
  s.boxes.resize(static_cast<std::size_t>(nt));
  std::vector<int> count(static_cast<std::size_t>(s.gx) * s.gy + 1, 0);
  auto forCells = [&s](const Box& b, auto f) {
    const int x0 = s.Cell(b.xmn, s.bx0, s.sx, s.gx), x1 = s.Cell(b.xmx, s.bx0, s.sx, s.gx);
    const int y0 = s.Cell(b.ymn, s.by0, s.sy, s.gy), y1 = s.Cell(b.ymx, s.by0, s.sy, s.gy);
    for (int cy = y0; cy <= y1; ++cy)
      for (int cx = x0; cx <= x1; ++cx) f(cy * s.gx + cx);
  };
  for (int it = 1; it <= nt; ++it) {
    s.boxes[static_cast<std::size_t>(it - 1)] = TriangleBox(s.mesh, it);
    forCells(s.boxes[static_cast<std::size_t>(it - 1)],
             [&count](int c) { ++count[static_cast<std::size_t>(c) + 1]; });
  }
  for (std::size_t c = 1; c < count.size(); ++c) count[c] += count[c - 1];
  s.cellStart = count;
  s.cellTriangles.resize(static_cast<std::size_t>(count.back()));
  for (int it = 1; it <= nt; ++it)
    forCells(s.boxes[static_cast<std::size_t>(it - 1)], [&s, &count, it](int c) {
      s.cellTriangles[static_cast<std::size_t>(count[static_cast<std::size_t>(c)]++)] = it;
    });
  return e;
}

double TAkimaPointEvaluator::Evaluate(double x, double y, int deriv, std::span<const double> zd,
                                      std::span<const double> wk) const {
  const Impl& s = *impl_;
  if (!std::isfinite(x) || !std::isfinite(y)) return std::numeric_limits<double>::quiet_NaN();
  if (zd.size() < s.x.size() || wk.size() < AkimaRealWorkSize(s.mesh.ndp)) return 0.0;
  // The coefficient cache belongs to the values and derivatives it was computed from.
  if (zd.data() != s.cachedZ || wk.data() != s.cachedPd) {
    s.cache.iti = 0;
    s.cachedZ = zd.data();
    s.cachedPd = wk.data();
  }
  return RegionValue(s.mesh, zd, wk, s.cache, s.Region(x, y), x, y, deriv);
}
