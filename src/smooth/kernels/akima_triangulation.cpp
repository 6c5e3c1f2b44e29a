#include "smooth/kernels/akima_triangulation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Point k (1-based) of the input.
struct Points {
  std::span<const double> x, y;
  double X(int k) const { return x[static_cast<std::size_t>(k - 1)]; }
  double Y(int k) const { return y[static_cast<std::size_t>(k - 1)]; }
};

// Vector product of P1P2 and P1P3: positive when P3 lies left of P1 -> P2.
double Vpdt(double x1, double y1, double x2, double y2, double x3, double y3) {
  return (y3 - y1) * (x2 - x1) - (x3 - x1) * (y2 - y1);
}

double Dsq(double x1, double y1, double x2, double y2) {
  return (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
}

// The first pair (i < j, i outer) with the strictly smallest squared distance over all pairs,
// compared in blocks: within a block the first occurrence of its minimum is the pair the
// one-by-one scan would keep. False when two points coincide.
bool ClosestPairByScan(const Points& p, int n, int& ip1, int& ip2, double& dsqmn) {
  constexpr int kBlock = 8;
  dsqmn = kInf;
  ip1 = ip2 = 0;
  double d[kBlock];
  for (int i = 0; i + 1 < n; ++i) {
    const double xi = p.x[static_cast<std::size_t>(i)], yi = p.y[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < n; j += kBlock) {
      const int m = std::min(kBlock, n - j);
      const double* xj = p.x.data() + j;
      const double* yj = p.y.data() + j;
      for (int k = 0; k < m; ++k) d[k] = (xj[k] - xi) * (xj[k] - xi) + (yj[k] - yi) * (yj[k] - yi);
      double lo = kInf;
      for (int k = 0; k < m; ++k) lo = std::min(lo, d[k]);
      if (lo == 0.0) return false;
      if (lo < dsqmn) {
        int k = 0;
        while (d[k] != lo) ++k;
        dsqmn = lo;
        ip1 = i + 1;
        ip2 = j + k + 1;
      }
    }
  }
  return ip1 != 0;
}

// The same pair through a grid of square cells: every pair nearer than a cell's side lies in
// neighbouring cells, so when the nearest pair found there is clearly nearer than that, it is
// the nearest of all, and the first such pair in scan order is kept. Otherwise (points far
// apart for their number) the scan over all pairs decides.
bool ClosestPair(const Points& p, int n, double xmin, double xmax, double ymin, double ymax,
                 int& ip1, int& ip2, double& dsqmn) {
  const double extent = std::max(xmax - xmin, ymax - ymin);
  const int cells = std::max(1, static_cast<int>(std::sqrt(n / 2.0)));
  const double side = extent / cells;
  if (!(side > 0.0) || cells < 3) return ClosestPairByScan(p, n, ip1, ip2, dsqmn);
  const double scale = 1.0 / side;
  auto cellOf = [&](double v, double origin) {
    return std::clamp(static_cast<int>((v - origin) * scale), 0, cells - 1);
  };
  std::vector<int> start(static_cast<std::size_t>(cells) * cells + 1, 0), members(static_cast<std::size_t>(n));
  std::vector<int> cx(static_cast<std::size_t>(n)), cy(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    cx[static_cast<std::size_t>(i)] = cellOf(p.x[static_cast<std::size_t>(i)], xmin);
    cy[static_cast<std::size_t>(i)] = cellOf(p.y[static_cast<std::size_t>(i)], ymin);
    ++start[static_cast<std::size_t>(cy[static_cast<std::size_t>(i)] * cells + cx[static_cast<std::size_t>(i)]) + 1];
  }
  for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int i = 0; i < n; ++i)
      members[static_cast<std::size_t>(fill[static_cast<std::size_t>(cy[static_cast<std::size_t>(i)] * cells + cx[static_cast<std::size_t>(i)])]++)] = i;
  }
  dsqmn = kInf;
  int bi = -1, bj = -1;
  for (int i = 0; i < n; ++i) {
    const double xi = p.x[static_cast<std::size_t>(i)], yi = p.y[static_cast<std::size_t>(i)];
    const int ci = cx[static_cast<std::size_t>(i)], cj = cy[static_cast<std::size_t>(i)];
    for (int gy = std::max(0, cj - 1); gy <= std::min(cells - 1, cj + 1); ++gy)
      for (int gx = std::max(0, ci - 1); gx <= std::min(cells - 1, ci + 1); ++gx) {
        const std::size_t c = static_cast<std::size_t>(gy * cells + gx);
        for (int k = start[c]; k < start[c + 1]; ++k) {
          const int j = members[static_cast<std::size_t>(k)];
          if (j <= i) continue;
          const double xj = p.x[static_cast<std::size_t>(j)], yj = p.y[static_cast<std::size_t>(j)];
          const double d = (xj - xi) * (xj - xi) + (yj - yi) * (yj - yi);
          if (d == 0.0) return false;
          if (d < dsqmn || (d == dsqmn && (i < bi || (i == bi && j < bj)))) {
            dsqmn = d;
            bi = i;
            bj = j;
          }
        }
      }
  }
  // Well inside a cell's side: rounding in the cells or the squares cannot hide a nearer pair.
  if (!(dsqmn < 0.81 * side * side)) return ClosestPairByScan(p, n, ip1, ip2, dsqmn);
  ip1 = bi + 1;
  ip2 = bj + 1;
  return true;
}

// Positions lo..hi (1-based) of a key array, answering the first position with the smallest
// key of a suffix: the selection sort's search for its minimum, in O(log N).
class MinTree {
 public:
  MinTree(const std::vector<double>& key, int lo, int hi) : key_(key), lo_(lo) {
    const int count = hi - lo + 1;
    size_ = 1;
    while (size_ < count) size_ *= 2;
    node_.assign(2 * static_cast<std::size_t>(size_), -1);
    for (int i = 0; i < count; ++i) node_[static_cast<std::size_t>(size_ + i)] = lo + i;
    for (int i = size_ - 1; i >= 1; --i) node_[static_cast<std::size_t>(i)] = Better(Left(i), Right(i));
  }
  // The first position of the smallest key among positions from..hi.
  int SuffixMin(int from) const {
    int best = -1;
    int l = from - lo_ + size_, r = size_ + size_;
    while (l < r) {
      if (l & 1) best = Better(best, node_[static_cast<std::size_t>(l++)]);
      if (r & 1) best = Better(best, node_[static_cast<std::size_t>(--r)]);
      l >>= 1;
      r >>= 1;
    }
    return best;
  }
  // The key at a position changed.
  void Update(int pos) {
    int i = (pos - lo_ + size_) / 2;
    for (; i >= 1; i /= 2) node_[static_cast<std::size_t>(i)] = Better(Left(i), Right(i));
  }

 private:
  int Left(int i) const { return node_[static_cast<std::size_t>(2 * i)]; }
  int Right(int i) const { return node_[static_cast<std::size_t>(2 * i + 1)]; }
  int Better(int a, int b) const {
    if (a < 0) return b;
    if (b < 0) return a;
    const double ka = key_[static_cast<std::size_t>(a)], kb = key_[static_cast<std::size_t>(b)];
    if (ka != kb) return ka < kb ? a : b;
    return std::min(a, b);
  }
  const std::vector<double>& key_;
  int lo_;
  int size_;
  std::vector<int> node_;
};

// The triangles on each side, kept up to date as triangles are added and changed: the
// published search scans every triangle from the last for the two that hold both end points.
// An open-addressing table of sides; a side that loses its triangles keeps its slot until
// the table grows, which drops such sides.
class SideMap {
 public:
  explicit SideMap(int ndp) {
    std::size_t capacity = 16;
    while (capacity < 8 * static_cast<std::size_t>(ndp)) capacity *= 2;
    slots_.resize(capacity);
    mask_ = capacity - 1;
  }

  void Link(int t, const int* v) {
    Add(v[0], v[1], t);
    Add(v[1], v[2], t);
    Add(v[2], v[0], t);
  }
  void Unlink(int t, const int* v) {
    Remove(v[0], v[1], t);
    Remove(v[1], v[2], t);
    Remove(v[2], v[0], t);
  }
  // The two highest-numbered triangles on side a-b, the higher first; false with fewer.
  bool Pair(int a, int b, int& t1, int& t2) const {
    const Slot* e = Find(Key(a, b));
    if (!e || e->count < 2) return false;
    t1 = t2 = 0;
    for (int i = 0; i < e->count; ++i) {
      if (e->t[i] > t1) {
        t2 = t1;
        t1 = e->t[i];
      } else if (e->t[i] > t2) {
        t2 = e->t[i];
      }
    }
    return true;
  }

 private:
  // A side is shared by at most two triangles of a triangulation; room for more keeps an
  // impossible case harmless.
  struct Slot {
    std::uint64_t key = 0;  // 0: empty (point numbers start at 1)
    int t[4] = {};
    int count = 0;
  };
  static std::uint64_t Key(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
           static_cast<std::uint32_t>(b);
  }
  std::size_t Home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask_;
  }
  const Slot* Find(std::uint64_t key) const {
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.key == key) return &s;
      if (s.key == 0) return nullptr;
    }
  }
  void Add(int a, int b, int t) {
    const std::uint64_t key = Key(a, b);
    std::size_t i = Home(key);
    while (slots_[i].key != key && slots_[i].key != 0) i = (i + 1) & mask_;
    if (slots_[i].key == 0) {
      if (2 * (used_ + 1) > slots_.size()) {
        Grow();
        Add(a, b, t);
        return;
      }
      ++used_;
    }
    Slot& s = slots_[i];
    s.key = key;
    if (s.count < 4) s.t[s.count++] = t;
  }
  // Twice the room, keeping only the sides that still have triangles.
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    used_ = 0;
    for (const Slot& s : old) {
      if (s.key == 0 || s.count == 0) continue;
      std::size_t i = Home(s.key);
      while (slots_[i].key != 0) i = (i + 1) & mask_;
      slots_[i] = s;
      ++used_;
    }
  }
  void Remove(int a, int b, int t) {
    Slot* s = const_cast<Slot*>(Find(Key(a, b)));
    if (!s) return;
    for (int i = 0; i < s->count; ++i) {
      if (s->t[i] == t) {
        s->t[i] = s->t[--s->count];
        break;
      }
    }
  }
  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;
};

// The vertex of a triangle that is neither a nor b.
int OtherVertex(const int* v, int a, int b) {
  if (v[0] != a && v[0] != b) return v[0];
  if (v[1] != a && v[1] != b) return v[1];
  return v[2];
}

// Whether a -> b is a side of the counter-clockwise triangle v in its own direction.
bool HasDirectedSide(const int* v, int a, int b) {
  return (v[0] == a && v[1] == b) || (v[1] == a && v[2] == b) || (v[2] == a && v[0] == b);
}

}  // namespace

bool AkimaClosestPair(int n, std::span<const double> x, std::span<const double> y, int& ip1,
                      int& ip2, double& dsqmn) {
  ip1 = ip2 = 0;
  dsqmn = kInf;
  if (n < 2 || x.size() < static_cast<std::size_t>(n) || y.size() < static_cast<std::size_t>(n))
    return false;
  const auto [xlo, xhi] = std::minmax_element(x.begin(), x.begin() + n);
  const auto [ylo, yhi] = std::minmax_element(y.begin(), y.begin() + n);
  return ClosestPair(Points{x, y}, n, *xlo, *xhi, *ylo, *yhi, ip1, ip2, dsqmn);
}

bool AkimaSwapTest(std::span<const double> x, std::span<const double> y, int p1, int p2, int p3,
                   int p4) {
  const Points p{x, y};
  const double x1 = p.X(p1), y1 = p.Y(p1), x2 = p.X(p2), y2 = p.Y(p2);
  const double x3 = p.X(p3), y3 = p.Y(p3), x4 = p.X(p4), y4 = p.Y(p4);
  const double u3 = (y2 - y3) * (x1 - x3) - (x2 - x3) * (y1 - y3);
  const double u4 = (y1 - y4) * (x2 - x4) - (x1 - x4) * (y2 - y4);
  if (!(u3 * u4 > 0.0)) return false;
  const double u1 = (y3 - y1) * (x4 - x1) - (x3 - x1) * (y4 - y1);
  const double u2 = (y4 - y2) * (x3 - x2) - (x4 - x2) * (y3 - y2);
  const double a1sq = Dsq(x3, y3, x1, y1);
  const double b1sq = Dsq(x1, y1, x4, y4);
  const double c1sq = Dsq(x4, y4, x3, y3);
  const double a2sq = Dsq(x4, y4, x2, y2);
  const double b2sq = Dsq(x2, y2, x3, y3);
  const double c3sq = Dsq(x1, y1, x2, y2);
  // Triangles p1 p3 p4 and p2 p4 p3 share the side c1; p3 p2 p1 and p4 p1 p2 share c3.
  const double s1sq = u1 * u1 / (c1sq * std::max(a1sq, b1sq));
  const double s2sq = u2 * u2 / (c1sq * std::max(a2sq, b2sq));
  const double s3sq = u3 * u3 / (c3sq * std::max(b2sq, a1sq));
  const double s4sq = u4 * u4 / (c3sq * std::max(b1sq, a2sq));
  return std::min(s1sq, s2sq) < std::min(s3sq, s4sq);
}

int AkimaTriangulate(int ndp, std::span<const double> xd, std::span<const double> yd,
                     std::span<int> ipt, std::span<int> ipl, int& nt, int& nl) {
  nt = nl = 0;
  if (ndp < 4) return 0;
  const auto n = static_cast<std::size_t>(ndp);
  if (xd.size() < n || yd.size() < n || ipt.size() < 6 * n - 15 || ipl.size() < 3 * n) return 0;
  double xmin = kInf, xmax = -kInf, ymin = kInf, ymax = -kInf;
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(xd[i]) || !std::isfinite(yd[i])) return 0;
    xmin = std::min(xmin, xd[i]);
    xmax = std::max(xmax, xd[i]);
    ymin = std::min(ymin, yd[i]);
    ymax = std::max(ymax, yd[i]);
  }
  // Every squared distance and cross product below must stay a finite number.
  const double span2 = Dsq(xmin, ymin, xmax, ymax);
  if (!std::isfinite(span2 * span2)) return 0;

  const Points p{xd, yd};
  auto IPT = [&ipt](int k) -> int& { return ipt[static_cast<std::size_t>(k - 1)]; };
  auto IPL = [&ipl](int k) -> int& { return ipl[static_cast<std::size_t>(k - 1)]; };

  int ipmn1 = 0, ipmn2 = 0;
  double dsqmn = 0.0;
  if (!ClosestPair(p, ndp, xmin, xmax, ymin, ymax, ipmn1, ipmn2, dsqmn)) return 0;

  // The other points by distance from the pair's midpoint (positions 3..ndp).
  const double xdmp = (p.X(ipmn1) + p.X(ipmn2)) / 2.0;
  const double ydmp = (p.Y(ipmn1) + p.Y(ipmn2)) / 2.0;
  std::vector<int> iwp(n + 1, 0);
  std::vector<double> wk(n + 1, 0.0);
  int jp1 = 2;
  for (int ip = 1; ip <= ndp; ++ip) {
    if (ip == ipmn1 || ip == ipmn2) continue;
    ++jp1;
    iwp[static_cast<std::size_t>(jp1)] = ip;
    wk[static_cast<std::size_t>(jp1)] = Dsq(xdmp, ydmp, p.X(ip), p.Y(ip));
  }
  {
    MinTree tree(wk, 3, ndp);
    for (jp1 = 3; jp1 <= ndp - 1; ++jp1) {
      const int jpmn = tree.SuffixMin(jp1);
      std::swap(iwp[static_cast<std::size_t>(jp1)], iwp[static_cast<std::size_t>(jpmn)]);
      if (jpmn != jp1) {
        wk[static_cast<std::size_t>(jpmn)] = wk[static_cast<std::size_t>(jp1)];
        tree.Update(jpmn);
      }
    }
  }

  // The first point off the pair's line comes third; the points skipped move behind it.
  {
    const double ar = dsqmn * kAkimaCollinearRatio;
    const double x1 = p.X(ipmn1), y1 = p.Y(ipmn1);
    const double dx21 = p.X(ipmn2) - x1, dy21 = p.Y(ipmn2) - y1;
    int jp = 3;
    for (; jp <= ndp; ++jp) {
      const int ip = iwp[static_cast<std::size_t>(jp)];
      if (std::fabs((p.Y(ip) - y1) * dx21 - (p.X(ip) - x1) * dy21) >= ar) break;
    }
    if (jp > ndp) return 0;  // all points on one line
    std::rotate(iwp.begin() + 3, iwp.begin() + jp, iwp.begin() + jp + 1);
  }

  SideMap sides(ndp);
  auto tri = [&ipt](int t) { return ipt.data() + 3 * static_cast<std::ptrdiff_t>(t - 1); };
  {
    int ip1 = ipmn1, ip2 = ipmn2;
    const int ip3 = iwp[3];
    if (Vpdt(p.X(ip1), p.Y(ip1), p.X(ip2), p.Y(ip2), p.X(ip3), p.Y(ip3)) < 0.0)
      std::swap(ip1, ip2);
    nt = 1;
    IPT(1) = ip1;
    IPT(2) = ip2;
    IPT(3) = ip3;
    sides.Link(1, tri(1));
    nl = 3;
    const int border[9] = {ip1, ip2, 1, ip2, ip3, 1, ip3, ip1, 1};
    std::copy(border, border + 9, ipl.begin());
  }

  std::vector<int> iwl;  // marked sides, two end points each
  for (jp1 = 4; jp1 <= ndp; ++jp1) {
    const int ip1 = iwp[static_cast<std::size_t>(jp1)];
    const double x1 = p.X(ip1), y1 = p.Y(ip1);

    // The two extreme border vertices seen from the new point.
    int jpmn = 1, jpmx = 1;
    double dxmn = p.X(IPL(1)) - x1, dymn = p.Y(IPL(1)) - y1;
    double dsqmn2 = dxmn * dxmn + dymn * dymn;
    double armn = dsqmn2 * kAkimaCollinearRatio;
    double dxmx = dxmn, dymx = dymn, dsqmx = dsqmn2, armx = armn;
    for (int jp2 = 2; jp2 <= nl; ++jp2) {
      const int ip2 = IPL(3 * jp2 - 2);
      const double dx = p.X(ip2) - x1, dy = p.Y(ip2) - y1;
      double ar = dy * dxmn - dx * dymn;
      if (!(ar > armn)) {
        const double dsqi = dx * dx + dy * dy;
        if (!(ar >= -armn && dsqi >= dsqmn2)) {
          jpmn = jp2;
          dxmn = dx;
          dymn = dy;
          dsqmn2 = dsqi;
          armn = dsqmn2 * kAkimaCollinearRatio;
        }
      }
      ar = dy * dxmx - dx * dymx;
      if (!(ar < -armx)) {
        const double dsqi = dx * dx + dy * dy;
        if (!(ar <= armx && dsqi >= dsqmx)) {
          jpmx = jp2;
          dxmx = dx;
          dymx = dy;
          dsqmx = dsqi;
          armx = dsqmx * kAkimaCollinearRatio;
        }
      }
    }
    if (jpmx < jpmn) jpmx += nl;
    // Rotate the border so that the segments the point does not see come first.
    const int nsh = jpmn - 1;
    if (nsh > 0) {
      std::rotate(ipl.begin(), ipl.begin() + 3 * nsh, ipl.begin() + 3 * nl);
      jpmx -= nsh;
    }

    // A triangle on every visible segment; the border gets the two sides to the new point.
    iwl.clear();
    int nln = nl;
    for (int jp2 = jpmx; jp2 <= nl; ++jp2) {
      const int jp2t3 = 3 * jp2;
      const int ipl1 = IPL(jp2t3 - 2), ipl2 = IPL(jp2t3 - 1), it = IPL(jp2t3);
      ++nt;
      IPT(3 * nt - 2) = ipl2;
      IPT(3 * nt - 1) = ipl1;
      IPT(3 * nt) = ip1;
      sides.Link(nt, tri(nt));
      if (jp2 == jpmx) {
        IPL(jp2t3 - 1) = ip1;
        IPL(jp2t3) = nt;
      }
      if (jp2 == nl) {
        nln = jpmx + 1;
        IPL(3 * nln - 2) = ip1;
        IPL(3 * nln - 1) = IPL(1);
        IPL(3 * nln) = nt;
      }
      const int ipti = OtherVertex(tri(it), ipl1, ipl2);
      if (!AkimaSwapTest(xd, yd, ip1, ipti, ipl1, ipl2)) continue;
      sides.Unlink(it, tri(it));
      sides.Unlink(nt, tri(nt));
      IPT(3 * it - 2) = ipti;
      IPT(3 * it - 1) = ipl1;
      IPT(3 * it) = ip1;
      IPT(3 * nt - 1) = ipti;
      sides.Link(it, tri(it));
      sides.Link(nt, tri(nt));
      if (jp2 == jpmx) IPL(jp2t3) = it;
      if (jp2 == nl && IPL(3) == it) IPL(3) = nt;
      iwl.insert(iwl.end(), {ipl1, ipti, ipti, ipl2});
    }
    nl = nln;

    // Exchange diagonals over the marked sides until a pass exchanges none.
    std::size_t nlf = iwl.size() / 2;
    for (int irep = 1; irep <= std::max(kAkimaSwapPasses, ndp) && nlf > 0; ++irep) {
      for (std::size_t ilf = 0; ilf < nlf; ++ilf) {
        const int ipl1 = iwl[2 * ilf], ipl2 = iwl[2 * ilf + 1];
        int itf1 = 0, itf2 = 0;
        if (!sides.Pair(ipl1, ipl2, itf1, itf2)) continue;
        const int ipti1 = OtherVertex(tri(itf1), ipl1, ipl2);
        const int ipti2 = OtherVertex(tri(itf2), ipl1, ipl2);
        if (!AkimaSwapTest(xd, yd, ipti1, ipti2, ipl1, ipl2)) continue;
        // The new pair keeps counter-clockwise order whichever way the marked side runs.
        const bool leftOfSide = HasDirectedSide(tri(itf1), ipl1, ipl2);
        sides.Unlink(itf1, tri(itf1));
        sides.Unlink(itf2, tri(itf2));
        const int a = leftOfSide ? ipti2 : ipti1, b = leftOfSide ? ipti1 : ipti2;
        int* t1 = tri(itf1);
        int* t2 = tri(itf2);
        t1[0] = a;
        t1[1] = b;
        t1[2] = ipl1;
        t2[0] = b;
        t2[1] = a;
        t2[2] = ipl2;
        sides.Link(itf1, t1);
        sides.Link(itf2, t2);
        iwl.insert(iwl.end(), {ipl1, ipti1, ipti1, ipl2, ipl2, ipti2, ipti2, ipl1});
        for (int jl = 1; jl <= nl; ++jl) {
          const int j1 = IPL(3 * jl - 2), j2 = IPL(3 * jl - 1);
          if ((j1 == ipl1 && j2 == ipti2) || (j2 == ipl1 && j1 == ipti2)) IPL(3 * jl) = itf1;
          if ((j1 == ipl2 && j2 == ipti1) || (j2 == ipl2 && j1 == ipti1)) IPL(3 * jl) = itf2;
        }
      }
      const std::size_t nlfc = nlf;
      nlf = iwl.size() / 2;
      if (nlf == nlfc) break;
      iwl.erase(iwl.begin(), iwl.begin() + static_cast<std::ptrdiff_t>(2 * nlfc));
      nlf = iwl.size() / 2;
    }
  }
  return 1;
}
