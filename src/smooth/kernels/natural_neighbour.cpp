#include "smooth/kernels/natural_neighbour.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "app/long_double.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Jitter of the normalised nodes, relative to the larger of the x and y extents.
constexpr double kJitter = 1.0e-8;
// Step of the difference quotients of the node slopes (normalised units).
constexpr double kSlopeStep = 1.0e-6;
// Neighbours whose weight or steepness lies below this take no part in the C1 blend.
constexpr double kBlendFloor = 1.0e-5;
// Enclosing triangle, in units of ten times the data extents from the data's minimum.
constexpr double kEnclosing[3][2] = {{-1.0, -1.0}, {5.0, -1.0}, {-1.0, 5.0}};

// The 15-bit generator of the ISO C standard's example rand() (0..32767), private to each
// set-up and seeded with 367 there, so that the same data always get the same jitter whatever
// else the process draws. (The C library's own rand() has a range of 2^31 - 1 here, which
// would make the perturbation 65536 times too large.)
class Random15 {
 public:
  explicit Random15(std::uint32_t seed) : next_(seed) {}
  int operator()() {
    next_ = next_ * 1103515245u + 12345u;
    return static_cast<int>((next_ / 65536u) % 32768u);
  }

 private:
  std::uint32_t next_;
};

struct Circle {
  double cx, cy, r2;
};

// Below this ratio of the smaller to the larger spread of a set of displacements they all
// but lie on one line, and the data fix no slope across it.
constexpr double kThinSpread = 1.0e-4;
// A node slope larger than this many times the steepest secant to its neighbours is more
// than the data justify.
constexpr double kJustifiedSlope = 2.0;

// The least-squares gradient g of values w over displacements d (sum of weight (d.g - w)^2
// least). Where the displacements all but lie on one line (Thin), the fit keeps the slope
// along that line and takes none across it (the minimum-norm solution): a slope across a
// strip a few units of the jitter wide is noise divided by nothing, and it ran into the
// tens of thousands.
class TGradientFit {
 public:
  void Add(double dx, double dy, double w, double weight) {
    sxx_ += weight * dx * dx, sxy_ += weight * dx * dy, syy_ += weight * dy * dy;
    bx_ += weight * dx * w, by_ += weight * dy * w;
  }
  bool Thin() const {
    const auto [small, large] = Spreads();
    return !(small > kThinSpread * large);
  }
  void Solve(double& gx, double& gy) const {
    const auto [small, large] = Spreads();
    gx = gy = 0.0;
    if (!(large > 0.0)) return;
    if (small > kThinSpread * large) {
      const double det = sxx_ * syy_ - sxy_ * sxy_;
      gx = (syy_ * bx_ - sxy_ * by_) / det;
      gy = (sxx_ * by_ - sxy_ * bx_) / det;
      return;
    }
    // The unit eigenvector of the larger spread.
    double ex = sxy_, ey = large - sxx_;
    if (std::fabs(large - syy_) > std::fabs(ey)) ex = large - syy_, ey = sxy_;
    const double norm = std::hypot(ex, ey);
    if (norm == 0.0) ex = sxx_ >= syy_ ? 1.0 : 0.0, ey = 1.0 - ex;
    else ex /= norm, ey /= norm;
    const double along = (ex * bx_ + ey * by_) / large;
    gx = along * ex, gy = along * ey;
  }

 private:
  std::pair<double, double> Spreads() const {
    const double mean = 0.5 * (sxx_ + syy_);
    const double dev = std::hypot(0.5 * (sxx_ - syy_), sxy_);
    return {mean - dev, mean + dev};
  }
  double sxx_ = 0, sxy_ = 0, syy_ = 0, bx_ = 0, by_ = 0;
};

// Circumcircle of (o, a, b), solved relative to o.
Circle CircumcircleFrom(double ox, double oy, double ax, double ay, double bx, double by) {
  const double ux = ax - ox, uy = ay - oy, vx = bx - ox, vy = by - oy;
  const double uu = ux * ux + uy * uy, vv = vx * vx + vy * vy;
  const double d = 2.0 * (ux * vy - uy * vx);
  const double cx = (vy * uu - uy * vv) / d, cy = (ux * vv - vx * uu) / d;
  return {ox + cx, oy + cy, cx * cx + cy * cy};
}

}  // namespace

TWatson::TWatson(int n, const double* x, const double* y, const double* z, double bI, double bJ) {
  if (n < 1) return;
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i])) return;
  n_ = n;
  raw_.resize(3 * static_cast<size_t>(n));
  std::copy(x, x + n, raw_.begin());
  std::copy(y, y + n, raw_.begin() + n);
  std::copy(z, z + n, raw_.begin() + 2 * n);
  if (bI == 0.0 && bJ == 0.0) {
    bI_ = 1.5;
    bJ_ = 7.0;
    c1_ = false;
  } else {
    bI_ = bI;
    bJ_ = bJ;
    c1_ = true;
  }
  SetUp();
}

void TWatson::SetUp() {
  // 1-2. Normalise x, y and z to unit range (a zero range counts as 1).
  for (int axis = 0; axis < 3; ++axis) {
    const double* v = raw_.data() + axis * n_;
    const auto [lo, hi] = std::minmax_element(v, v + n_);
    min_[axis] = *lo;
    range_[axis] = *hi - *lo;
    if (range_[axis] == 0.0 || !std::isfinite(range_[axis])) range_[axis] = 1.0;
  }
  nodes_.resize(n_ + 3);
  neighbour_index_.assign(nodes_.size(), -1);
  for (int i = 0; i < n_; ++i) {
    nodes_[i].x = (raw_[i] - min_[0]) / range_[0];
    nodes_[i].y = (raw_[n_ + i] - min_[1]) / range_[1];
    nodes_[i].z = (raw_[2 * n_ + i] - min_[2]) / range_[2];
  }

  // 3. Least-squares plane of the normalised nodes by Cramer's rule. Data that fix no plane
  // (one point, all on one line, or a strip whose width is noise against its length) get
  // the plane that rises along the line and is level across it: the enclosing vertices lie
  // fifty units away, where a noisy slope across became a value of 1e6.
  double s1 = n_, sx = 0, sy = 0, sz = 0, sxx = 0, syy = 0, sxy = 0, sxz = 0, syz = 0;
  double xlo = 0.0, xhi = 1.0, ylo = 0.0, yhi = 1.0;
  for (int i = 0; i < n_; ++i) {
    const Node& p = nodes_[i];
    sx += p.x, sy += p.y, sz += p.z;
    sxx += p.x * p.x, syy += p.y * p.y, sxy += p.x * p.y;
    sxz += p.x * p.z, syz += p.y * p.z;
    xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
    ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
  }
  auto det3 = [](double a, double b, double c, double d, double e, double f, double g, double h,
                 double k) { return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g); };
  TGradientFit spread;
  const double mx = sx / s1, my = sy / s1, mz = sz / s1;
  for (int i = 0; i < n_; ++i) spread.Add(nodes_[i].x - mx, nodes_[i].y - my, nodes_[i].z - mz, 1.0);
  const double det = det3(s1, sx, sy, sx, sxx, sxy, sy, sxy, syy);
  if (!spread.Thin() && det != 0.0) {
    a0_ = det3(sz, sx, sy, sxz, sxx, sxy, syz, sxy, syy) / det;
    ax_ = det3(s1, sz, sy, sx, sxz, sxy, sy, syz, syy) / det;
    ay_ = det3(s1, sx, sz, sx, sxx, sxz, sy, sxy, syz) / det;
  } else {
    spread.Solve(ax_, ay_);
    a0_ = mz - ax_ * mx - ay_ * my;
  }

  // 4-5. The enclosing triangle, its vertices on the plane.
  const double rx = xhi - xlo, ry = yhi - ylo, extent = std::max(rx, ry);
  for (int k = 0; k < 3; ++k) {
    Node& v = nodes_[n_ + k];
    v.x = kEnclosing[k][0] * 10.0 * rx + xlo;
    v.y = kEnclosing[k][1] * 10.0 * ry + ylo;
    v.z = a0_ + ax_ * v.x + ay_ * v.y;
    v.p = -ax_, v.q = -ay_, v.s = 1.0;
  }

  // 6. The jitter: one draw for x, then one for y, node by node.
  Random15 random(367);
  for (int i = 0; i < n_; ++i) {
    nodes_[i].x += (0.5 - random() / 32767.0) * kJitter * extent;
    nodes_[i].y += (0.5 - random() / 32767.0) * kJitter * extent;
  }

  // 7-8. The triangulation of every node, then (C1) the node slopes from the stars in it.
  std::vector<std::vector<int>> stars;
  if (!Triangulate(c1_ ? &stars : nullptr)) return;
  if (c1_) EstimateSlopes(stars);
  visit_stamp_.assign(triangles_.size(), 0);
  valid_ = true;
}

bool TWatson::Triangulate(std::vector<std::vector<int>>* stars) {
  // Renka's incremental triangulation over the enclosing vertices (first, as nodes 1..3) and
  // the data in index order. A node that coincides exactly with an earlier one even after
  // the jitter adds nothing, as in the Bowyer-Watson pass, where no circumcircle strictly
  // contains it: such data are added node by node, skipping the repeats.
  const int capacity = n_ + 3;
  std::vector<double> xr(capacity), yr(capacity);
  std::vector<int> order(capacity), list(6 * capacity), lptr(6 * capacity), lend(capacity);
  for (int r = 0; r < capacity; ++r) {
    order[r] = r < 3 ? n_ + r : r - 3;
    xr[r] = nodes_[order[r]].x;
    yr[r] = nodes_[order[r]].y;
  }
  int lnew = 0, ier = 0, count = capacity;
  RenkaTriangulate(capacity, xr.data(), yr.data(), list.data(), lptr.data(), lend.data(), lnew,
                   ier);
  if (ier > 0) {
    count = 3;
    RenkaTriangulate(3, xr.data(), yr.data(), list.data(), lptr.data(), lend.data(), lnew, ier);
    for (int i = 0; i < n_ && ier >= 0; ++i) {
      RenkaAddNode(count + 1, nodes_[i].x, nodes_[i].y, count, 0, nullptr, count, xr.data(),
                   yr.data(), list.data(), lptr.data(), lend.data(), lnew, ier);
      if (ier == kRenkaOk) order[count - 1] = i;
    }
    if (ier > 0) ier = kRenkaOk;
  }
  if (ier != kRenkaOk) return false;

  // Explicit triangles; left[lp] is the triangle to the left of the arc stored at LIST index
  // lp (from the ring's owner to the neighbour stored there).
  triangles_.clear();
  std::vector<int> left(6 * static_cast<size_t>(capacity) + 1, -1);
  std::vector<std::array<int, 3>> renka;  // each triangle's vertices as Renka numbers
  if (stars != nullptr) stars->assign(n_, {});
  auto index_of = [&](int owner, int nb) {
    return RenkaListIndex(lend[owner - 1], nb, list.data(), lptr.data());
  };
  for (int a = 1; a <= count; ++a) {
    const int lpl = lend[a - 1];
    int lp = lpl;
    do {
      const int next = lptr[lp - 1];
      const int b = std::abs(list[lp - 1]), c = std::abs(list[next - 1]);
      if (stars != nullptr && order[a - 1] < n_) (*stars)[order[a - 1]].push_back(order[b - 1]);
      const bool closes = lp != lpl || list[lpl - 1] > 0;
      if (closes && a < b && a < c) {
        Triangle t{};
        t.v[0] = order[a - 1], t.v[1] = order[b - 1], t.v[2] = order[c - 1];
        const Node &p = nodes_[t.v[0]], &q = nodes_[t.v[1]], &r = nodes_[t.v[2]];
        const Circle circle = CircumcircleFrom(p.x, p.y, q.x, q.y, r.x, r.y);
        t.cx = circle.cx, t.cy = circle.cy, t.r2 = circle.r2;
        const int id = static_cast<int>(triangles_.size());
        left[lp] = id;
        left[index_of(b, c)] = id;
        left[index_of(c, a)] = id;
        triangles_.push_back(t);
        renka.push_back({a, b, c});
      }
      lp = next;
    } while (lp != lpl);
  }
  // The triangle beyond a side is the one to the left of the same side reversed.
  for (size_t t = 0; t < triangles_.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const int u = renka[t][(k + 1) % 3], v = renka[t][(k + 2) % 3];
      const int lp = index_of(v, u);
      triangles_[t].across[k] = list[lp - 1] < 0 && lp == lend[v - 1] ? -1 : left[lp];
    }
  return !triangles_.empty();
}

void TWatson::EstimateSlopes(const std::vector<std::vector<int>>& stars) {
  std::vector<Triangle> pass;
  for (int i = 0; i < n_; ++i) {
    EstimateNodeSlope(i, stars[i], pass);
    // The slope the secants to the neighbours justify: where the neighbours all but lie on
    // one line, or the estimate is steeper than any secant by far (difference quotients
    // across a thin strip), the secants' own least-squares slope, level across such a line.
    Node& node = nodes_[i];
    TGradientFit secants;
    double steepest = 0.0;
    for (const int v : stars[i]) {
      if (!IsData(v)) continue;
      const double dx = nodes_[v].x - node.x, dy = nodes_[v].y - node.y, dz = nodes_[v].z - node.z;
      const double d2 = dx * dx + dy * dy;
      if (!(d2 > 0.0)) continue;
      secants.Add(dx, dy, dz, 1.0 / d2);
      steepest = std::max(steepest, std::fabs(dz) / std::sqrt(d2));
    }
    if (secants.Thin() || std::hypot(node.p, node.q) > kJustifiedSlope * steepest) {
      double gx = 0.0, gy = 0.0;
      secants.Solve(gx, gy);
      node.p = -gx, node.q = -gy;
    }
  }
  // Each tangent plane held to what the values about its node support (derivative_limiter.h),
  // as every other interpolant's node derivatives are, for the surface beyond the hull: on
  // noisy data a slope between two points a hair apart carried the C1 surface up to 10 noise
  // widths past the data's range (a cliff, a narrow peak).
  if (!TNodeLimits::Active()) return;
  std::vector<double> x(static_cast<std::size_t>(n_)), y(x.size()), z(x.size());
  std::vector<TNodeTaylor> planes(x.size());
  for (int i = 0; i < n_; ++i) {
    const auto k = static_cast<std::size_t>(i);
    x[k] = nodes_[k].x, y[k] = nodes_[k].y, z[k] = nodes_[k].z;
    planes[k].order = 1;
    planes[k].d[1][0] = -nodes_[k].p;
    planes[k].d[0][1] = -nodes_[k].q;
  }
  const double allowance = MeasureTrend(x, y, z).Allowance();
  if (!std::isfinite(allowance)) return;
  std::vector<int> around;
  for (int i = 0; i < n_; ++i) {
    const auto k = static_cast<std::size_t>(i);
    around.clear();
    for (const int v : stars[k])
      if (IsData(v)) around.push_back(v);
    TNodeTaylor plane = planes[k];
    if (!LimitNodeTaylor(x, y, z, i, around, allowance, planes, plane)) continue;
    nodes_[k].p = -plane.d[1][0];
    nodes_[k].q = -plane.d[0][1];
  }
}

void TWatson::EstimateNodeSlope(int i, const std::vector<int>& star, std::vector<Triangle>& pass) {
  if (star.size() < 3) return;
  Node& node = nodes_[i];
  const bool hull = std::any_of(star.begin(), star.end(), [&](int v) { return !IsData(v); });
  if (hull) {
    // Next to the enclosing vertices: the area-weighted mean normal of the star's triangles;
    // the steepness is how far the triangles' normals disagree.
    double nx = 0, ny = 0, nz = 0, length = 0;
    for (size_t k = 0; k < star.size(); ++k) {
      const Node& a = nodes_[star[k]];
      const Node& b = nodes_[star[(k + 1) % star.size()]];
      const double ux = a.x - node.x, uy = a.y - node.y, uz = a.z - node.z;
      const double vx = b.x - node.x, vy = b.y - node.y, vz = b.z - node.z;
      double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
      if (cz < 0) cx = -cx, cy = -cy, cz = -cz;
      nx += cx, ny += cy, nz += cz;
      length += std::sqrt(cx * cx + cy * cy + cz * cz);
    }
    if (nz > 0.0 && length > 0.0) {
      node.p = nx / nz;
      node.q = ny / nz;
      node.s = 1.0 - std::sqrt(nx * nx + ny * ny + nz * nz) / length;
    }
    return;
  }
  // Inside: the natural-neighbour surface of the node's neighbours alone (the node taken
  // out) gives the tangent plane by differences and the value the node stands off it by.
  std::vector<int> active(star);
  std::sort(active.begin(), active.end());
  pass.clear();
  Triangle first{};
  first.v[0] = n_, first.v[1] = n_ + 1, first.v[2] = n_ + 2;
  first.cx = 0.5, first.cy = 0.5, first.r2 = 1.0e300;
  pass.push_back(first);
  std::vector<std::pair<int, int>> edges;
  for (const int v : active) {
    const Node& q = nodes_[v];
    edges.clear();
    size_t kept = 0;
    for (size_t t = 0; t < pass.size(); ++t) {
      const Triangle& tr = pass[t];
      const double dx = q.x - tr.cx, dy = q.y - tr.cy;
      if (tr.r2 - (dx * dx + dy * dy) > 0.0) {
        for (int k = 0; k < 3; ++k) edges.emplace_back(tr.v[k], tr.v[(k + 1) % 3]);
      } else {
        pass[kept++] = tr;
      }
    }
    pass.resize(kept);
    for (const auto& [a, b] : edges) {
      if (std::find(edges.begin(), edges.end(), std::pair{b, a}) != edges.end()) continue;
      const Node &pa = nodes_[a], &pb = nodes_[b];
      const Circle c = CircumcircleFrom(q.x, q.y, pa.x, pa.y, pb.x, pb.y);
      Triangle t{};
      t.v[0] = v, t.v[1] = a, t.v[2] = b;
      t.cx = c.cx, t.cy = c.cy, t.r2 = c.r2;
      pass.push_back(t);
    }
  }
  double area = 0.0;
  for (const Triangle& t : pass) {
    if (!IsData(t.v[0]) || !IsData(t.v[1]) || !IsData(t.v[2])) continue;
    const Node &a = nodes_[t.v[0]], &b = nodes_[t.v[1]], &c = nodes_[t.v[2]];
    area += 0.5 * std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
  }
  std::swap(pass, triangles_);
  const double c = Value(node.x, node.y, true);
  const double cx = Value(node.x + kSlopeStep, node.y, true);
  const double cy = Value(node.x, node.y + kSlopeStep, true);
  std::swap(pass, triangles_);
  if (!std::isfinite(c) || !std::isfinite(cx) || !std::isfinite(cy)) return;
  node.p = (c - cx) / kSlopeStep;
  node.q = (c - cy) / kSlopeStep;
  const double a = area / kPi, d = node.z - c;
  node.s = a > 0.0 ? 1.0 - std::sqrt(a / (d * d + a)) : (d == 0.0 ? 0.0 : 1.0);
}

int TWatson::Locate(double px, double py) {
  // Randomised visibility walk from the triangle of the last evaluation.
  int t = last_triangle_ < static_cast<int>(triangles_.size()) ? last_triangle_ : 0;
  std::uint32_t state = 0x9E3779B9u;
  const int limit = 4 * static_cast<int>(triangles_.size()) + 64;
  for (int step = 0; step < limit; ++step) {
    const Triangle& tr = triangles_[t];
    state = state * 1664525u + 1013904223u;
    const int offset = static_cast<int>((state >> 16) % 3u);
    int next = -2;
    for (int e = 0; e < 3; ++e) {
      const int k = (offset + e) % 3;
      const Node &a = nodes_[tr.v[(k + 1) % 3]], &b = nodes_[tr.v[(k + 2) % 3]];
      if (!RenkaLeft(a.x, a.y, b.x, b.y, px, py)) {
        next = tr.across[k];
        break;
      }
    }
    if (next == -2) {
      last_triangle_ = t;
      return t;
    }
    if (next < 0) return -1;
    t = next;
  }
  return -1;
}

int TWatson::Containing(double px, double py) const {
  for (int t = 0; t < static_cast<int>(triangles_.size()); ++t) {
    const Triangle& tr = triangles_[t];
    bool inside = true;
    for (int k = 0; k < 3 && inside; ++k) {
      const Node &a = nodes_[tr.v[(k + 1) % 3]], &b = nodes_[tr.v[(k + 2) % 3]];
      inside = RenkaLeft(a.x, a.y, b.x, b.y, px, py);
    }
    if (inside) return t;
  }
  return -1;
}

int TWatson::Cavity(double px, double py, bool scan) {
  cavity_.clear();
  auto conflicts = [&](const Triangle& tr) {
    const double dx = px - tr.cx, dy = py - tr.cy;
    return tr.r2 - (dx * dx + dy * dy) > 0.0;
  };
  const int start = scan ? -1 : Locate(px, py);
  if (start < 0) {
    for (int t = 0; t < static_cast<int>(triangles_.size()); ++t)
      if (conflicts(triangles_[t])) cavity_.push_back(t);
    return -1;
  }
  // The triangles whose circumcircles contain the point form a connected region around the
  // triangle that holds it.
  if (++stamp_ == 0) {
    std::fill(visit_stamp_.begin(), visit_stamp_.end(), 0);
    stamp_ = 1;
  }
  std::vector<int>& stack = stack_;
  stack.assign(1, start);
  visit_stamp_[start] = stamp_;
  while (!stack.empty()) {
    const int t = stack.back();
    stack.pop_back();
    const bool inside = conflicts(triangles_[t]);
    if (inside) cavity_.push_back(t);
    if (!inside && t != start) continue;
    for (const int u : triangles_[t].across) {
      if (u < 0 || visit_stamp_[u] == stamp_) continue;
      visit_stamp_[u] = stamp_;
      stack.push_back(u);
    }
  }
  return start;
}

bool TWatson::BarycentricNeighbours(int t, double px, double py) {
  neighbours_.clear();
  if (t < 0) return false;
  const Triangle& tr = triangles_[t];
  double total = 0.0;
  for (int k = 0; k < 3; ++k) {
    const Node &a = nodes_[tr.v[(k + 1) % 3]], &b = nodes_[tr.v[(k + 2) % 3]];
    const double area = std::max((a.x - px) * (b.y - py) - (b.x - px) * (a.y - py), 0.0);
    neighbours_.push_back({tr.v[k], area});
    total += area;
  }
  if (!(total > 0.0) || !std::isfinite(total)) {
    neighbours_.clear();
    return false;
  }
  inside_ = IsData(tr.v[0]) && IsData(tr.v[1]) && IsData(tr.v[2]);
  return true;
}

double TWatson::Value(double px, double py, bool scan) {
  inside_ = false;
  int holder = Cavity(px, py, scan);
  neighbours_.clear();
  for (const int t : cavity_) {
    const Triangle& tr = triangles_[t];
    // Watson's stolen areas: with c_k the circumcentre of the point and the side opposite
    // vertex k, vertex k loses half the cross product of the two new centres on its sides,
    // taken about the old centre.
    double cx[3], cy[3];
    for (int k = 0; k < 3; ++k) {
      const Node &a = nodes_[tr.v[(k + 1) % 3]], &b = nodes_[tr.v[(k + 2) % 3]];
      const Circle c = CircumcircleFrom(px, py, a.x, a.y, b.x, b.y);
      cx[k] = c.cx - tr.cx;
      cy[k] = c.cy - tr.cy;
    }
    double area[3];
    for (int k = 0; k < 3; ++k) {
      const int a = (k + 1) % 3, b = (k + 2) % 3;
      area[k] = 0.5 * (cx[a] * cy[b] - cy[a] * cx[b]);
    }
    if (area[0] > 0 && area[1] > 0 && area[2] > 0 && IsData(tr.v[0]) && IsData(tr.v[1]) &&
        IsData(tr.v[2]))
      inside_ = true;
    // Each node's entry is found through its index: on collinear or cocircular data most
    // of the nodes are neighbours of every point, and a search of the list made each
    // evaluation quadratic in their number (100 ms a point at 16384 nodes).
    for (int k = 0; k < 3; ++k) {
      int& entry = neighbour_index_[tr.v[k]];
      if (entry < 0) {
        entry = static_cast<int>(neighbours_.size());
        neighbours_.push_back({tr.v[k], area[k]});
      } else {
        neighbours_[entry].area += area[k];
      }
    }
  }
  for (const Neighbour& nb : neighbours_) neighbour_index_[nb.node] = -1;
  double total = 0.0;
  for (const Neighbour& nb : neighbours_) total += nb.area;
  if (neighbours_.empty() || !(total > 0.0) || !std::isfinite(total)) {
    // No circumcircle holds the point: it is a node itself, or far outside everything.
    for (int i = 0; i < n_; ++i)
      if (nodes_[i].x == px && nodes_[i].y == py) return nodes_[i].z;
    // Or the stolen areas were lost to rounding: among the needle-thin triangles of data on
    // a strip the circumcircle test and the areas cancel to nothing, or to a negative sum,
    // at a point inside the hull. The linear interpolant of the triangle that holds the
    // point stands in for its natural-neighbour coordinates.
    if (holder < 0) holder = Containing(px, py);
    if (!BarycentricNeighbours(holder, px, py)) return std::numeric_limits<double>::quiet_NaN();
    total = 0.0;
    for (const Neighbour& nb : neighbours_) total += nb.area;
  }
  double c0 = 0.0;
  for (const Neighbour& nb : neighbours_) c0 += nb.area / total * nodes_[nb.node].z;
  if (!c1_) return c0;
  double value = c0;
  for (const Neighbour& nb : neighbours_) {
    const double w = nb.area / total;
    const Node& v = nodes_[nb.node];
    if (!(w > kBlendFloor && w < 2.0) || !(std::fabs(v.s) > kBlendFloor)) continue;
    const double rs = std::fabs(v.s) + bI_, rt = rs * bJ_;
    // A weight above 1 (stolen areas of both signs) would make u negative and its power NaN:
    // it counts as the whole weight.
    const double t = std::pow(std::min(w, 1.0), rt);
    const double u = t <= 0.5 ? 2.0 * t : 2.0 * (1.0 - t);
    double h = 0.5 * std::pow(u, rs);
    if (t > 0.5) h = 1.0 - h;
    const double blend = std::pow(h, 1.0 / rt);
    const double tangent = v.z + v.p * (v.x - px) + v.q * (v.y - py);
    value += blend * (tangent - c0);
  }
  return value;
}

long double TWatson::Evaluate(double x, double y) {
  if (!valid_ || !std::isfinite(x) || !std::isfinite(y)) return ExprErrorValue;
  const double px = (x - min_[0]) / range_[0], py = (y - min_[1]) / range_[1];
  double v = Value(px, py, false);
  // A point exactly on the line of a side makes one new circumcentre infinite; a step of
  // 1e-10 of the data range off the line gives the limit.
  if (!std::isfinite(v)) v = Value(px + 1e-10, py + 0.7e-10, false);
  if (!std::isfinite(v)) return ExprErrorValue;
  return static_cast<long double>(v * range_[2] + min_[2]);
}

long double TWatson::EvaluateByScan(double x, double y) {
  if (!valid_ || !std::isfinite(x) || !std::isfinite(y)) return ExprErrorValue;
  const double px = (x - min_[0]) / range_[0], py = (y - min_[1]) / range_[1];
  const double v = Value(px, py, true);
  if (!std::isfinite(v)) return ExprErrorValue;
  return static_cast<long double>(v * range_[2] + min_[2]);
}

namespace {

struct Tautness {
  double bI, bJ;
};

Tautness ModeTautness(int mode) {
  static constexpr double kBI[6] = {0.0, 3.0, 2.0, 1.5, 1.25, 1.0};
  if (mode < 1 || mode > 5) return {0.0, 0.0};
  return {kBI[mode], kBI[mode] * kBI[mode]};
}

std::unique_ptr<TWatson> Build(int n, const double* x, const double* y, const double* z,
                               double bI, double bJ) {
  try {
    auto w = std::make_unique<TWatson>(n, x, y, z, bI, bJ);
    if (!w->Valid()) return nullptr;
    return w;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

int WatsonCreate(TWatsonSlots& slots, int n, const double* x, const double* y, const double* z,
                 int mode) {
  WatsonFree(slots);
  const Tautness t = ModeTautness(mode);
  slots.slot[0] = Build(n, x, y, z, t.bI, t.bJ);
  return slots.slot[0] ? 1 : 0;
}

void WatsonFree(TWatsonSlots& slots) {
  for (auto& s : slots.slot) s.reset();
}

bool WatsonBuildDerivative(TWatsonSlots& slots, int k) {
  if (k < 1 || k > 5 || !slots.slot[0]) return false;
  const TWatson& data = *slots.slot[0];
  const int n = data.Count();
  try {
    std::vector<double> fields(5 * static_cast<size_t>(n));
    double* f[5];
    for (int i = 0; i < 5; ++i) f[i] = fields.data() + i * static_cast<size_t>(n);
    std::vector<double> x(data.RawX(), data.RawX() + n), y(data.RawY(), data.RawY() + n);
    const int ok = k == 1 ? WatsonGradientsC1(n, x.data(), y.data(), data.RawZ(), f[0], f[1])
                          : WatsonGradientsC2(n, x.data(), y.data(), data.RawZ(), f[0], f[1],
                                              f[2], f[4], f[3]);
    if (ok == 0) return false;
    slots.slot[k] = Build(n, x.data(), y.data(), f[k - 1], data.TautnessI(), data.TautnessJ());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return static_cast<bool>(slots.slot[k]);
}

long double WatsonEvaluate(TWatsonSlots& slots, double x, double y, int slot) {
  if (!slots.slot[0] || slot < 0 || slot > 5) return 0.0L;
  if (!slots.slot[slot] && !WatsonBuildDerivative(slots, slot)) return 0.0L;
  return slots.slot[slot]->Evaluate(x, y);
}
