#include "smooth/kernels/renka_triangulation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace {

// 1-based views of the three arrays, so that the code reads like the published structure.
struct Rings {
  int* list;
  int* lptr;
  int* lend;
  int& List(int i) const { return list[i - 1]; }
  int& Lptr(int i) const { return lptr[i - 1]; }
  int& Lend(int k) const { return lend[k - 1]; }
};

struct ConstRings {
  const int* list;
  const int* lptr;
  const int* lend;
  int List(int i) const { return list[i - 1]; }
  int Lptr(int i) const { return lptr[i - 1]; }
  int Lend(int k) const { return lend[k - 1]; }
};

// The largest power of two whose sum with 1 still exceeds 1 (x86-64 doubles carry no excess
// precision, so no store through memory is needed to round the sum).
double MachineEpsilon() {
  double eps = 1.0;
  while (1.0 + eps / 2.0 > 1.0) eps /= 2.0;
  return eps;
}

// Tolerance factor of the swap test: 20 units of the machine precision.
double SwapTolerance() { return 20.0 * MachineEpsilon(); }

// Deterministic generator for the walk's choice of side order: a randomised visibility walk
// does not cycle (Devillers, Pion and Teillaud); a step limit and a scan of every triangle
// cover what rounding might still do.
struct WalkRandom {
  std::uint32_t state = 2463534242u;
  int Next3() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<int>(state % 3u);
  }
};

bool Finite(double v) { return std::isfinite(v); }

// Start nodes for the location walks of RenkaTriangulate: the node inserted last in each cell
// of a coarse grid over the nodes' bounding box. Starting next to the new node instead of at
// the node before it makes a walk a few triangles long even for data in random order. Where a
// walk starts changes the triangulation only in the choice among cocircular diagonals.
class StartGrid {
 public:
  // The box covers nodes 4..n: callers may put far enclosing vertices first.
  StartGrid(int n, const double* x, const double* y) {
    const int from = n > 3 ? 3 : 0;
    const auto [xlo, xhi] = std::minmax_element(x + from, x + n);
    const auto [ylo, yhi] = std::minmax_element(y + from, y + n);
    x0_ = *xlo, y0_ = *ylo;
    side_ = std::max(1, static_cast<int>(std::sqrt(n / 4.0)));
    const double wx = *xhi - *xlo, wy = *yhi - *ylo;
    sx_ = wx > 0.0 ? side_ / wx : 0.0;
    sy_ = wy > 0.0 ? side_ / wy : 0.0;
    cells_.assign(static_cast<size_t>(side_) * side_, 0);
  }
  int Start(double x, double y, int fallback) const {
    const int node = cells_[Cell(x, y)];
    return node != 0 ? node : fallback;
  }
  void Put(double x, double y, int node) { cells_[Cell(x, y)] = node; }

 private:
  size_t Cell(double x, double y) const {
    const int i = std::clamp(static_cast<int>((x - x0_) * sx_), 0, side_ - 1);
    const int j = std::clamp(static_cast<int>((y - y0_) * sy_), 0, side_ - 1);
    return static_cast<size_t>(j) * side_ + i;
  }
  double x0_, y0_, sx_, sy_;
  int side_;
  std::vector<int> cells_;
};

// The swap test of Cline and Renka with the tolerance factor given.
bool SwapTest(int in1, int in2, int io1, int io2, const double* x, const double* y, double swtol) {
  const double dx11 = x[io1 - 1] - x[in1 - 1], dx12 = x[io2 - 1] - x[in1 - 1];
  const double dx22 = x[io2 - 1] - x[in2 - 1], dx21 = x[io1 - 1] - x[in2 - 1];
  const double dy11 = y[io1 - 1] - y[in1 - 1], dy12 = y[io2 - 1] - y[in1 - 1];
  const double dy22 = y[io2 - 1] - y[in2 - 1], dy21 = y[io1 - 1] - y[in2 - 1];
  const double cos1 = dx11 * dx12 + dy11 * dy12;
  const double cos2 = dx22 * dx21 + dy22 * dy21;
  if (cos1 >= 0.0 && cos2 >= 0.0) return false;
  if (cos1 < 0.0 && cos2 < 0.0) return true;
  const double sin1 = dx11 * dy12 - dx12 * dy11;
  const double sin2 = dx22 * dy21 - dx21 * dy22;
  const double sin12 = sin1 * cos2 + cos1 * sin2;
  // The published test compares sin12 with an absolute 20 machine epsilons, which makes a
  // triangulation of small coordinates (a data range of 1e-4, say) never swap at all. The
  // tolerance here is relative to the size of the terms, so that the triangulation is the
  // same at every scale; cocircular nodes (sin12 = 0) still keep the existing diagonal.
  const double magnitude = std::fabs(cos2) * (std::fabs(dx11 * dy12) + std::fabs(dx12 * dy11)) +
                           std::fabs(cos1) * (std::fabs(dx22 * dy21) + std::fabs(dx21 * dy22));
  return sin12 < -swtol * magnitude;
}

// Inserts node k after the entry at LIST index lp (taking a new entry at lnew).
void InsertAfter(int k, int lp, const Rings& r, int& lnew) {
  const int lsav = r.Lptr(lp);
  r.Lptr(lp) = lnew;
  r.List(lnew) = k;
  r.Lptr(lnew) = lsav;
  ++lnew;
}

// Joins interior node k to the vertices of its counter-clockwise triangle (i1, i2, i3).
void AddInterior(int k, int i1, int i2, int i3, const Rings& r, int& lnew) {
  InsertAfter(k, RenkaListIndex(r.Lend(i1), i2, r.list, r.lptr), r, lnew);
  InsertAfter(k, RenkaListIndex(r.Lend(i2), i3, r.list, r.lptr), r, lnew);
  InsertAfter(k, RenkaListIndex(r.Lend(i3), i1, r.list, r.lptr), r, lnew);
  r.List(lnew) = i1;
  r.List(lnew + 1) = i2;
  r.List(lnew + 2) = i3;
  r.Lptr(lnew) = lnew + 1;
  r.Lptr(lnew + 1) = lnew + 2;
  r.Lptr(lnew + 2) = lnew;
  r.Lend(k) = lnew + 2;
  lnew += 3;
}

// Joins node k, which lies exactly on the hull side a -> b (counter-clockwise) of triangle
// (a, b, c), to a, b and c: k takes b's place as a's next hull node and a's place as b's
// previous one, so the side becomes two hull sides and no triangle of zero area is left.
void AddOnHullSide(int k, int a, int b, int c, const Rings& r, int& lnew) {
  r.List(RenkaListIndex(r.Lend(a), b, r.list, r.lptr)) = k;
  r.List(RenkaListIndex(r.Lend(b), a, r.list, r.lptr)) = -k;
  InsertAfter(k, RenkaListIndex(r.Lend(c), a, r.list, r.lptr), r, lnew);
  r.List(lnew) = b;
  r.List(lnew + 1) = c;
  r.List(lnew + 2) = -a;
  r.Lptr(lnew) = lnew + 1;
  r.Lptr(lnew + 1) = lnew + 2;
  r.Lptr(lnew + 2) = lnew;
  r.Lend(k) = lnew + 2;
  lnew += 3;
}

// Number of hull nodes on the chain i1 .. i2 (clockwise), or 0 when the chain does not close
// within n steps (a structure that rounding has made inconsistent).
int ChainLength(int i1, int i2, int n, const Rings& r) {
  int count = 1;
  for (int node = i1; node != i2; ++count) {
    if (count > n) return 0;
    node = -r.List(r.Lend(node));
    if (node <= 0) return 0;
  }
  return count;
}

// Joins exterior node k to the visible hull nodes i1 .. i2 (clockwise from i1). k becomes
// the hull node before i1 and after i2 in counter-clockwise order.
void AddBoundary(int k, int i1, int i2, const Rings& r, int& lnew) {
  // k is the new last neighbour of i1.
  int lp = r.Lend(i1);
  const int lsav = r.Lptr(lp);
  r.Lptr(lp) = lnew;
  r.List(lnew) = -k;
  r.Lptr(lnew) = lsav;
  r.Lend(i1) = lnew;
  ++lnew;
  int next = -r.List(lp);
  r.List(lp) = next;
  const int first_after_i1 = next;
  // The nodes after i1 up to i2 get k as their first neighbour; all but i2 stop being the
  // end of a hull stretch, so their negated last entry turns positive.
  while (true) {
    lp = r.Lend(next);
    InsertAfter(k, lp, r, lnew);
    if (next == i2) break;
    next = -r.List(lp);
    r.List(lp) = next;
  }
  // k's own ring: i1, the chain, and i2 last (negated).
  const int start = lnew;
  r.List(lnew) = i1;
  r.Lptr(lnew) = lnew + 1;
  ++lnew;
  // The chain continues from each node to its former last neighbour (its entry now positive;
  // LEND of the nodes after i1 did not move).
  next = first_after_i1;
  while (next != i2) {
    r.List(lnew) = next;
    r.Lptr(lnew) = lnew + 1;
    ++lnew;
    next = std::abs(r.List(r.Lend(next)));
  }
  r.List(lnew) = -i2;
  r.Lptr(lnew) = start;
  r.Lend(k) = lnew;
  ++lnew;
}

// The predicates multiply up to four coordinate differences (the swap test's sin12 and its
// tolerance), which overflow from magnitudes near 2^254 on and underflow below 2^-254.
// Coordinates whose largest magnitude lies outside [2^-200, 2^200] are triangulated as
// copies scaled by a power of two: exact, so every decision is the one an unbounded
// exponent range would make, and the lists hold for the caller's coordinates.
constexpr int kLargestSafeExponent = 200;

// The binary exponent to scale by, or 0 when the coordinates lie in the safe range.
int ScaleExponent(int n, const double* x, const double* y) {
  double largest = 0.0;
  for (int i = 0; i < n; ++i) largest = std::max({largest, std::fabs(x[i]), std::fabs(y[i])});
  if (largest == 0.0) return 0;
  const int e = std::ilogb(largest);
  return std::abs(e) > kLargestSafeExponent ? -e : 0;
}

// Core of the node addition: node k (already stored in x, y) joins nodes 1..k-1.
// `capacity` is the number of LIST entries available.
int InsertNode(int k, int ist, const double* x, const double* y, const Rings& r, int& lnew,
               int capacity, double swtol) {
  const int n = k - 1;
  int i1 = 0, i2 = 0, i3 = 0;
  RenkaLocate(ist, x[k - 1], y[k - 1], n, x, y, r.list, r.lptr, r.lend, i1, i2, i3);
  if (i1 == 0) return kRenkaCollinear;
  const double xk = x[k - 1], yk = y[k - 1];
  auto same = [&](int node) { return node > 0 && x[node - 1] == xk && y[node - 1] == yk; };
  if (same(i1)) return i1;
  if (same(i2)) return i2;
  if (i3 != 0 && same(i3)) return i3;

  if (i3 != 0) {
    if (lnew + 6 - 1 > capacity) return kRenkaInvalidInput;
    // A node exactly on a hull side of its triangle splits that side (joined as an interior
    // node it would leave a flat triangle on the hull, which no swap can remove). On an
    // interior side it is joined to the triangle, and the swap test removes the flat one.
    const int tri[3] = {i1, i2, i3};
    int on_hull = -1;
    for (int e = 0; e < 3 && on_hull < 0; ++e) {
      const int a = tri[e], b = tri[(e + 1) % 3];
      const bool on_line = (x[b - 1] - x[a - 1]) * (yk - y[a - 1]) ==
                           (xk - x[a - 1]) * (y[b - 1] - y[a - 1]);
      if (on_line && r.List(r.Lend(b)) == -a) on_hull = e;
    }
    if (on_hull >= 0) {
      AddOnHullSide(k, tri[on_hull], tri[(on_hull + 1) % 3], tri[(on_hull + 2) % 3], r, lnew);
    } else {
      AddInterior(k, i1, i2, i3, r, lnew);
    }
  } else {
    const int chain = ChainLength(i1, i2, n, r);
    if (chain < 2 || lnew + 2 * chain - 1 > capacity) return kRenkaInvalidInput;
    AddBoundary(k, i1, i2, r, lnew);
  }

  // Restore the Delaunay property: test every side opposite k, counter-clockwise around k;
  // a swap brings a new node next to k and two new opposite sides, which are tested in turn.
  const int lpf = r.Lptr(r.Lend(k));
  int io2 = r.List(lpf);
  int lpo1 = r.Lptr(lpf);
  int io1 = std::abs(r.List(lpo1));
  // Every swap adds a neighbour to k, so n swaps bound the loop; the guard only protects
  // against structures that rounding of non-finite intermediate values has made invalid.
  for (int guard = 0; guard < 4 * n + 16; ++guard) {
    int lp = RenkaListIndex(r.Lend(io1), io2, r.list, r.lptr);
    bool swapped = false;
    if (r.List(lp) >= 0) {
      lp = r.Lptr(lp);
      const int in1 = std::abs(r.List(lp));
      if (SwapTest(in1, k, io1, io2, x, y, swtol)) {
        const int lp21 = RenkaSwap(in1, k, io1, io2, r.list, r.lptr, r.lend);
        if (lp21 != 0) {
          lpo1 = lp21;
          io1 = in1;
          swapped = true;
        }
      }
    }
    if (swapped) continue;
    if (lpo1 == lpf || r.List(lpo1) < 0) return kRenkaOk;
    io2 = io1;
    lpo1 = r.Lptr(lpo1);
    io1 = std::abs(r.List(lpo1));
  }
  return kRenkaOk;
}

}  // namespace

bool RenkaLeft(double x1, double y1, double x2, double y2, double x0, double y0) {
  return (x2 - x1) * (y0 - y1) >= (x0 - x1) * (y2 - y1);
}

int RenkaListIndex(int lpl, int nb, const int* list, const int* lptr) {
  int lp = lptr[lpl - 1];
  while (true) {
    if (std::abs(list[lp - 1]) == nb) return lp;
    if (lp == lpl) return lpl;
    lp = lptr[lp - 1];
  }
}

bool RenkaFlatTriangleSide(double px, double py, const double* x, const double* y, const int tri[3], int& a,
                           int& b, double& share) {
  a = b = 0;
  const int t0 = tri[0] - 1, t1 = tri[1] - 1, t2 = tri[2] - 1;
  const double area2 = (x[t1] - x[t0]) * (y[t2] - y[t0]) - (x[t2] - x[t0]) * (y[t1] - y[t0]);
  double longest = 0;
  for (int e = 0; e < 3; ++e) {
    const int p1 = tri[e] - 1, p2 = tri[(e + 1) % 3] - 1;
    longest = std::max(longest, (x[p1] - x[p2]) * (x[p1] - x[p2]) + (y[p1] - y[p2]) * (y[p1] - y[p2]));
  }
  if (std::fabs(area2) > kRenkaFlatShare * longest) return false;
  double shortest = std::numeric_limits<double>::infinity();
  for (int e = 0; e < 3; ++e) {
    const int p1 = tri[e], p2 = tri[(e + 1) % 3];
    const double ax = x[p1 - 1] - x[p2 - 1], ay = y[p1 - 1] - y[p2 - 1];
    const double len2 = ax * ax + ay * ay;
    if (!(len2 > 0.0) || !(len2 < shortest)) continue;
    const double t = ((px - x[p2 - 1]) * ax + (py - y[p2 - 1]) * ay) / len2;
    if (!(t >= 0.0 && t <= 1.0)) continue;
    shortest = len2;
    a = p1;
    b = p2;
    share = t;
  }
  return a != 0;
}

bool RenkaSwapTest(int in1, int in2, int io1, int io2, const double* x, const double* y) {
  return SwapTest(in1, in2, io1, io2, x, y, SwapTolerance());
}

int RenkaSwap(int in1, int in2, int io1, int io2, int* list, int* lptr, int* lend) {
  const Rings r{list, lptr, lend};
  int lp = RenkaListIndex(r.Lend(in1), in2, list, lptr);
  if (std::abs(r.List(lp)) == in2) return 0;
  // Delete io2 as a neighbour of io1 (it follows in2 there).
  lp = RenkaListIndex(r.Lend(io1), in2, list, lptr);
  int lph = r.Lptr(lp);
  r.Lptr(lp) = r.Lptr(lph);
  if (r.Lend(io1) == lph) r.Lend(io1) = lp;
  // Insert in2 after io1 in in1's ring, reusing the freed entry.
  lp = RenkaListIndex(r.Lend(in1), io1, list, lptr);
  int lpsav = r.Lptr(lp);
  r.Lptr(lp) = lph;
  r.List(lph) = in2;
  r.Lptr(lph) = lpsav;
  // Delete io1 as a neighbour of io2 (it follows in1 there).
  lp = RenkaListIndex(r.Lend(io2), in1, list, lptr);
  lph = r.Lptr(lp);
  r.Lptr(lp) = r.Lptr(lph);
  if (r.Lend(io2) == lph) r.Lend(io2) = lp;
  // Insert in1 after io2 in in2's ring.
  lp = RenkaListIndex(r.Lend(in2), io2, list, lptr);
  lpsav = r.Lptr(lp);
  r.Lptr(lp) = lph;
  r.List(lph) = in1;
  r.Lptr(lph) = lpsav;
  return lph;
}

std::vector<int> RenkaTwinSlots(int n, const int* list, const int* lptr, const int* lend) {
  std::vector<int> twins(n >= 3 ? 6 * static_cast<std::size_t>(n) : 0, 0);
  for (int v = 1; v <= n && !twins.empty(); ++v) {
    const int lpl = lend[v - 1];
    int lp = lpl;
    do {
      lp = lptr[lp - 1];
      const int u = std::abs(list[lp - 1]);
      twins[static_cast<std::size_t>(lp) - 1] = RenkaListIndex(lend[u - 1], v, list, lptr);
    } while (lp != lpl);
  }
  return twins;
}

void RenkaLocate(int nst, double px, double py, int n, const double* x, const double* y,
                 const int* list, const int* lptr, const int* lend, int& i1, int& i2, int& i3) {
  RenkaLocate(nst, px, py, n, x, y, list, lptr, lend, nullptr, i1, i2, i3);
}

void RenkaLocate(int nst, double px, double py, int n, const double* x, const double* y,
                 const int* list, const int* lptr, const int* lend, const int* twins, int& i1,
                 int& i2, int& i3) {
  i1 = i2 = i3 = 0;
  if (n < 3 || !Finite(px) || !Finite(py)) return;
  const ConstRings r{list, lptr, lend};
  auto left = [&](int a, int b) {
    return RenkaLeft(x[a - 1], y[a - 1], x[b - 1], y[b - 1], px, py);
  };
  auto first_neighbour = [&](int node) { return std::abs(r.List(r.Lptr(r.Lend(node)))); };
  auto last_neighbour = [&](int node) { return std::abs(r.List(r.Lend(node))); };

  // The exterior case: u -> v is a hull edge (counter-clockwise) that the point sees. The
  // visible chain extends forward from v and backward from u while the next hull edge has
  // the point strictly on its right.
  auto exterior = [&](int u, int v) {
    for (int step = 0; step < n; ++step) {
      const int w = first_neighbour(v);
      if (left(v, w)) break;
      v = w;
    }
    for (int step = 0; step < n; ++step) {
      const int w = last_neighbour(u);
      if (left(w, u)) break;
      u = w;
    }
    i1 = v;
    i2 = u;
    i3 = 0;
  };

  // Randomised visibility walk from a triangle at the start node (Devillers, Pion and
  // Teillaud): cross any side that has the point strictly on its right.
  int n0 = (nst >= 1 && nst <= n) ? nst : 1;
  const int lpf = r.Lptr(r.Lend(n0));
  int a = n0, b = std::abs(r.List(lpf)), c = std::abs(r.List(r.Lptr(lpf)));
  // The LIST index of b in a's ring: c follows it. Around the triangle, a follows c in b's
  // ring and b follows a in c's ring.
  int lpb = lpf;
  if (r.Lptr(lpf) != lpf && r.List(lpf) > 0 && b != c) {
    WalkRandom random;
    for (int step = 0; step < 4 * n + 64; ++step) {
      const int tri[3] = {a, b, c};
      const int offset = random.Next3();
      bool moved = false;
      for (int e = 0; e < 3 && !moved; ++e) {
        const int side = (offset + e) % 3;
        const int u = tri[side], v = tri[(side + 1) % 3];
        if (left(u, v)) continue;
        // The triangle beyond u -> v is (v, u, w), w following u in v's ring; u standing
        // last (negated) in v's ring marks a hull edge.
        int lp;
        if (twins == nullptr)
          lp = RenkaListIndex(r.Lend(v), u, list, lptr);
        else if (side == 0)  // a in b's ring
          lp = twins[lpb - 1];
        else if (side == 1)  // b in c's ring: after a there
          lp = r.Lptr(twins[r.Lptr(lpb) - 1]);
        else  // c in a's ring
          lp = r.Lptr(lpb);
        if (r.List(lp) < 0) {
          exterior(u, v);
          return;
        }
        a = v;
        b = u;
        c = std::abs(r.List(r.Lptr(lp)));
        lpb = lp;
        moved = true;
      }
      if (!moved) {
        i1 = a;
        i2 = b;
        i3 = c;
        return;
      }
    }
  }

  // Fallback, reached only when rounding has made the walk wander: test every triangle.
  for (int node = 1; node <= n; ++node) {
    const int lpl = r.Lend(node);
    int lp = lpl;
    do {
      const int lpn = r.Lptr(lp);
      const int p = r.List(lp), q = r.List(lpn);
      if (p > 0 && q > 0 && lp != lpl && p > node && q > node && left(node, p) && left(p, q) &&
          left(q, node)) {
        i1 = node;
        i2 = p;
        i3 = q;
        return;
      }
      lp = lpn;
    } while (lp != lpl);
  }
  for (int node = 1; node <= n; ++node) {
    if (r.List(r.Lend(node)) >= 0) continue;
    const int next = first_neighbour(node);
    if (!left(node, next)) {
      exterior(node, next);
      return;
    }
  }
  // A point in no triangle and beyond no hull side lies on a side within the rounding of the
  // tests, which do not part the plane exactly where a side runs through nearly collinear
  // nodes (the ends of lines of points, turned: places on that side had no value). It
  // belongs to the triangle it lies least outside of, by distance. (node, p, q) is a triangle
  // but where p stands last in a hull node's ring (negated): the hull lies beyond.
  double best = -std::numeric_limits<double>::infinity();
  for (int node = 1; node <= n; ++node) {
    const int lpl = r.Lend(node);
    int lp = lpl;
    do {
      const int lpn = r.Lptr(lp);
      const int p = r.List(lp), q = std::abs(r.List(lpn));
      if (p > node && q > node) {
        const int tri[3] = {node, p, q};
        double inside = std::numeric_limits<double>::infinity();
        for (int e = 0; e < 3; ++e) {
          const int u = tri[e] - 1, v = tri[(e + 1) % 3] - 1;
          const double ex = x[v] - x[u], ey = y[v] - y[u], len = std::hypot(ex, ey);
          if (len > 0) inside = std::min(inside, (ex * (py - y[u]) - ey * (px - x[u])) / len);
        }
        if (inside > best) {
          best = inside;
          i1 = node;
          i2 = p;
          i3 = q;
        }
      }
      lp = lpn;
    } while (lp != lpl);
  }
}

void RenkaAddNode(int k, double xk, double yk, int ist, int ncc, const int* lcc, int& n,
                  double* x, double* y, int* list, int* lptr, int* lend, int& lnew, int& ier) {
  ier = kRenkaInvalidInput;
  if (k < 1 || ist < 1 || ist > n || ncc < 0 || n < 3 || !Finite(xk) || !Finite(yk)) return;
  int lcc1 = n + 1;
  if (ncc > 0) {
    if (lcc == nullptr) return;
    for (int i = ncc - 1; i >= 0; --i) {
      if (lcc1 - lcc[i] < 3) return;
      lcc1 = lcc[i];
    }
    if (lcc1 < 1) return;
  }
  if (k > lcc1 || k != n + 1) return;
  x[k - 1] = xk;
  y[k - 1] = yk;
  // The scan of every node is paid only where the new node itself lies out of range.
  const int e = ScaleExponent(1, &xk, &yk) != 0 ? ScaleExponent(k, x, y) : 0;
  if (e != 0) {
    std::vector<double> xs(x, x + k), ys(y, y + k);
    for (int i = 0; i < k; ++i) {
      xs[i] = std::ldexp(xs[i], e);
      ys[i] = std::ldexp(ys[i], e);
    }
    ier = InsertNode(k, ist, xs.data(), ys.data(), Rings{list, lptr, lend}, lnew, 6 * k, SwapTolerance());
  } else {
    ier = InsertNode(k, ist, x, y, Rings{list, lptr, lend}, lnew, 6 * k, SwapTolerance());
  }
  if (ier == kRenkaOk) n = k;
}


void RenkaTriangulate(int n, const double* x, const double* y, int* list, int* lptr, int* lend,
                      int& lnew, int& ier) {
  ier = kRenkaInvalidInput;
  if (n < 3) return;
  for (int i = 0; i < n; ++i)
    if (!Finite(x[i]) || !Finite(y[i])) return;
  if (const int e = ScaleExponent(n, x, y); e != 0) {
    std::vector<double> xs(x, x + n), ys(y, y + n);
    for (int i = 0; i < n; ++i) {
      xs[i] = std::ldexp(xs[i], e);
      ys[i] = std::ldexp(ys[i], e);
    }
    RenkaTriangulate(n, xs.data(), ys.data(), list, lptr, lend, lnew, ier);
    return;
  }
  const double swtol = SwapTolerance();
  const Rings r{list, lptr, lend};
  const bool left12 = RenkaLeft(x[0], y[0], x[1], y[1], x[2], y[2]);
  if (left12 && RenkaLeft(x[1], y[1], x[0], y[0], x[2], y[2])) {
    ier = kRenkaCollinear;
    return;
  }
  // The first triangle, counter-clockwise: (1, 2, 3) when node 3 is left of 1 -> 2.
  const int second = left12 ? 2 : 3, third = left12 ? 3 : 2;
  // Node k's ring occupies LIST entries 2k-1 and 2k: the next hull node counter-clockwise,
  // then the previous one (negated).
  const int cycle[3] = {1, second, third};
  for (int i = 0; i < 3; ++i) {
    const int k = cycle[i];
    const int lp = 2 * k - 1;
    r.List(lp) = cycle[(i + 1) % 3];
    r.List(lp + 1) = -cycle[(i + 2) % 3];
    r.Lptr(lp) = lp + 1;
    r.Lptr(lp + 1) = lp;
    r.Lend(k) = lp + 1;
  }
  lnew = 7;
  StartGrid starts(n, x, y);
  for (int k = 1; k <= 3; ++k) starts.Put(x[k - 1], y[k - 1], k);
  for (int k = 4; k <= n; ++k) {
    ier = InsertNode(k, starts.Start(x[k - 1], y[k - 1], k - 1), x, y, r, lnew, 6 * n, swtol);
    if (ier != kRenkaOk) return;
    starts.Put(x[k - 1], y[k - 1], k);
  }
  ier = kRenkaOk;
}

int RenkaPrepareFirstThree(int n, double* x, double* y, double* z, int swap) {
  if (n < 3) return 1;
  auto slope = [&](int from, int to) {
    const double dx = x[to] - x[from];
    return dx == 0.0 ? 1e300 : (y[to] - y[from]) / dx;
  };
  const double s12 = slope(0, 1);
  int k = 2;
  while (k < n && slope(0, k) == s12) ++k;
  if (k == n) return 1;
  if (k == 2 || swap == 0) return 0;
  std::swap(x[0], x[k]);
  std::swap(y[0], y[k]);
  if (z != nullptr) std::swap(z[0], z[k]);
  return 0;
}
