#include "app/point_table.h"

#include <cfloat>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "app/data_sort.h"

namespace {

// Runs fn, turning a failed allocation into the empty (null) result.
template <class Result, class Fn>
Result OrEmpty(Fn&& fn) {
  try {
    return fn();
  } catch (const std::bad_alloc&) {
    return Result{};
  } catch (const std::length_error&) {
    return Result{};
  }
}

// A value as a 32-bit float; values beyond the float range become infinities rather than
// an undefined conversion.
float ToFloat(long double v) {
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

// A coordinate as the 32-bit float that decides whether two positions are one: its place
// within the data's own span, (v - low) / (high - low), counted in steps of 2^-24 of the
// span, so that one resolution applies across the whole spread of the data and not its
// distance from the origin: 1e6 + 0.01 and 1e6 + 0.02 are one float but two places of a span
// of 1, and spans below 1e-38 or above 3e38 keep their points apart. The step is the
// resolution a float has at the top of the span; the float of the place itself was finer
// near the low end (3.3e-10 of 1 .. 4 was a place of its own at 1, not at 2.5), so repeats
// at the data's lowest x or y stayed apart. The steps (at most 2^24) are exact as floats. A
// span that is zero or no number compares the values.
class TFloatPlace {
 public:
  TFloatPlace(long double low, long double high) : low_(low), span_(high - low) {
    if (!(std::isfinite(span_) && span_ > 0)) span_ = 0;
  }
  float operator()(long double v) const {
    if (span_ == 0) return ToFloat(v);
    return static_cast<float>(std::nearbyint((v - low_) / span_ * kSteps));
  }

 private:
  static constexpr long double kSteps = 16777216;  // 2^24
  long double low_, span_;
};

// Orders records 1..n by their float places and the floats of their values, x first,
// keeping the given order among equal ones, so that every run of one position is
// contiguous. A caller's sort on the exact values leaves replicates apart whenever values
// that are one float differ in the last bits: 0.3 and 0.30000000000000004 of two replicates
// of a grid put a whole column of other y values between each pair. A NaN follows every
// number.
void OrderByPlace(PointTable& table, int n, const TFloatPlace& placeX, const TFloatPlace& placeY) {
  struct TPlaced {
    std::array<float, 4> key;  // x place, x value, y place, y value
    int record;
  };
  std::vector<TPlaced> placed;
  placed.reserve(static_cast<std::size_t>(n));
  for (int k = 1; k <= n; ++k) {
    const TXYZPoint& p = table[static_cast<std::size_t>(k)];
    placed.push_back({{placeX(p.X), ToFloat(p.X), placeY(p.Y), ToFloat(p.Y)}, k});
  }
  const auto less = [](float a, float b) { return std::isnan(a) ? false : std::isnan(b) || a < b; };
  std::stable_sort(placed.begin(), placed.end(), [&](const TPlaced& a, const TPlaced& b) {
    for (std::size_t i = 0; i < a.key.size(); ++i) {
      if (less(a.key[i], b.key[i])) return true;
      if (less(b.key[i], a.key[i])) return false;
    }
    return false;
  });
  PointTable ordered(table.begin(), table.begin() + 1);
  ordered.reserve(static_cast<std::size_t>(n) + 1);
  for (const TPlaced& e : placed) ordered.push_back(table[static_cast<std::size_t>(e.record)]);
  table.swap(ordered);
}

template <class Get>
std::vector<double> Column(std::span<const TXYZPoint> table, Get get) {
  return OrEmpty<std::vector<double>>([&] {
    std::vector<double> out;
    out.reserve(static_cast<std::size_t>(PointCount(table)));
    for (const TXYZPoint& p : PointsOf(table)) out.push_back(static_cast<double>(get(p)));
    return out;
  });
}

template <class T>
std::vector<T> Spaced(T a, T b, int n) {
  if (n <= 0) return {};
  std::vector<T> out(static_cast<std::size_t>(n));
  out[0] = a;
  if (n == 1) return out;
  for (int i = 1; i < n - 1; ++i) out[static_cast<std::size_t>(i)] = a + i * (b - a) / (n - 1);
  out[static_cast<std::size_t>(n - 1)] = b;
  return out;
}

template <class T>
PointTable GridPoints(std::span<const T> z, int nx, int ny, std::span<const T> x,
                      std::span<const T> y) {
  if (nx < 0 || ny < 0) return {};
  const std::size_t cells = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
  if (cells >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  if (x.size() < static_cast<std::size_t>(nx) || y.size() < static_cast<std::size_t>(ny) ||
      z.size() < cells)
    return {};
  PointTable t = NewPointTable(static_cast<int>(cells));
  if (t.empty()) return t;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const std::size_t k = static_cast<std::size_t>(j) * nx + i;
      TXYZPoint& p = t[k + 1];
      p.X = x[static_cast<std::size_t>(i)];
      p.Y = y[static_cast<std::size_t>(j)];
      p.Z = z[k];
      p.W = 1;
      p.Status = kPointActive;
    }
  return t;
}

// Collects the distinct values of one coordinate (in type T) after a sort on it, and stores
// the running 0-based index in each record.
template <class T, class Get, class Index>
std::vector<T> Distinct(std::span<TXYZPoint> table, int key, Get get, Index index) {
  SortDataTable(table, key);
  return OrEmpty<std::vector<T>>([&] {
    std::vector<T> values;
    for (TXYZPoint& p : PointsOf(table)) {
      if (IsActive(p)) {
        const T v = static_cast<T>(get(p));
        if (values.empty() || v != values.back()) values.push_back(v);
      }
      index(p) = values.empty() ? 0 : static_cast<long double>(values.size() - 1);
    }
    return values;
  });
}

}  // namespace

PointTable CopyPoints(std::span<const TXYZPoint> table) {
  if (table.empty()) return {};
  return OrEmpty<PointTable>(
      [&] { return PointTable(table.begin(), table.begin() + PointCount(table) + 1); });
}

int CompactPoints(std::span<TXYZPoint> table) {
  const int n = PointCount(table);
  int kept = 0;
  for (int i = 1; i <= n; ++i) {
    if (table[i].Status == kPointInactive) continue;
    ++kept;
    if (kept != i) table[kept] = table[i];
  }
  for (int i = kept + 1; i <= n; ++i) table[i] = TXYZPoint{};
  SetPointCount(table, kept);
  return kept;
}

PointTable MergeDuplicates(std::span<const TXYZPoint> table, bool compactFirst,
                           bool fourPointFallback) {
  PointTable copy = CopyPoints(table);
  if (copy.empty()) return copy;
  if (compactFirst) CompactPoints(copy);
  const int n = PointCount(copy);
  return OrEmpty<PointTable>([&] {
    PointTable out(copy.begin(), copy.begin() + 1);  // the header
    long double xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;
    for (int k = 1; k <= n; ++k) {
      const TXYZPoint& p = copy[static_cast<std::size_t>(k)];
      if (k == 1 || p.X < xLow) xLow = p.X;
      if (k == 1 || p.X > xHigh) xHigh = p.X;
      if (k == 1 || p.Y < yLow) yLow = p.Y;
      if (k == 1 || p.Y > yHigh) yHigh = p.Y;
    }
    const TFloatPlace placeX(xLow, xHigh), placeY(yLow, yHigh);
    // One position both as floats of the values and as floats of their places within the
    // span: a cluster near 0 in data spanning -1e6 .. 1e6 keeps the values' fine floats.
    const auto samePosition = [&](const TXYZPoint& a, const TXYZPoint& b) {
      return placeX(a.X) == placeX(b.X) && placeY(a.Y) == placeY(b.Y) && ToFloat(a.X) == ToFloat(b.X) &&
             ToFloat(a.Y) == ToFloat(b.Y);
    };
    OrderByPlace(copy, n, placeX, placeY);
    bool merged = false;
    int i = 1;
    while (i <= n) {
      const int start = i;
      while (i < n && samePosition(copy[i], copy[i + 1])) ++i;
      TXYZPoint p;
      p.X = copy[i].X;
      p.Y = copy[i].Y;
      p.Status = kPointActive;
      if (start == i) {
        p.Z = copy[i].Z;
        p.W = copy[i].W;
      } else {
        long double z = 0, w = 0;
        for (int k = start; k <= i; ++k) {
          z += copy[k].Z;
          w += copy[k].W;
        }
        p.Z = z / (i - start + 1);
        p.W = w;
        merged = true;
      }
      out.push_back(p);
      ++i;
    }
    int count = static_cast<int>(out.size()) - 1;
    // Points N-1 and N of a table with fewer than 4 points would be the header or not
    // exist at all: the fallback needs 4 points to take them from.
    const int source_n = PointCount(table);
    if (count < 4 && fourPointFallback && source_n >= 4) {
      out.resize(5);
      const int from[4] = {1, 2, source_n - 1, source_n};
      for (int k = 0; k < 4; ++k) {
        out[static_cast<std::size_t>(k) + 1] = table[static_cast<std::size_t>(from[k])];
        out[static_cast<std::size_t>(k) + 1].Status = 0;
      }
      count = 4;
    }
    if (merged) out[0].W = 1;
    SetPointCount(out, count);
    out.shrink_to_fit();
    return out;
  });
}

std::vector<double> PointsX(std::span<const TXYZPoint> table) {
  return Column(table, [](const TXYZPoint& p) { return p.X; });
}
std::vector<double> PointsY(std::span<const TXYZPoint> table) {
  return Column(table, [](const TXYZPoint& p) { return p.Y; });
}
std::vector<double> PointsZ(std::span<const TXYZPoint> table) {
  return Column(table, [](const TXYZPoint& p) { return p.Z; });
}

std::vector<double> PointsXY(std::span<const TXYZPoint> table) {
  return OrEmpty<std::vector<double>>([&] {
    std::vector<double> out;
    out.reserve(2 * static_cast<std::size_t>(PointCount(table)));
    for (const TXYZPoint& p : PointsOf(table)) {
      out.push_back(static_cast<double>(p.X));
      out.push_back(static_cast<double>(p.Y));
    }
    return out;
  });
}

std::vector<double> LinSpace(double a, double b, int n) {
  return OrEmpty<std::vector<double>>([&] { return Spaced(a, b, n); });
}

std::vector<long double> MakeGridAxisLD(long double a, long double b, int n) {
  return OrEmpty<std::vector<long double>>([&] { return Spaced(a, b, n); });
}

PointTable BuildGridPoints(std::span<const double> z, int nx, int ny, std::span<const double> x,
                           std::span<const double> y) {
  return GridPoints(z, nx, ny, x, y);
}

PointTable BuildGridPointsLD(std::span<const long double> z, int nx, int ny,
                             std::span<const long double> x, std::span<const long double> y) {
  return GridPoints(z, nx, ny, x, y);
}

bool GridPointsToMatrix(std::span<TXYZPoint> table, int nx, int ny, std::vector<double>& x,
                        std::vector<double>& y, std::vector<double>& z) {
  if (nx <= 0 || ny <= 0 || static_cast<long long>(nx) * ny > PointCount(table)) return false;
  SortDataTable(table, 4);
  try {
    std::vector<double> gx(static_cast<std::size_t>(nx)), gy(static_cast<std::size_t>(ny));
    std::vector<double> gz(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
    for (int i = 0; i < nx; ++i) gx[static_cast<std::size_t>(i)] = static_cast<double>(table[i + 1].X);
    for (int j = 0; j < ny; ++j)
      gy[static_cast<std::size_t>(j)] = static_cast<double>(table[static_cast<std::size_t>(j) * nx + 1].Y);
    for (std::size_t k = 0; k < gz.size(); ++k) gz[k] = static_cast<double>(table[k + 1].Z);
    x.swap(gx);
    y.swap(gy);
    z.swap(gz);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::optional<TGridMatrixLD> GridPointsToMatrixLD(std::span<TXYZPoint> table, int nx, int ny) {
  if (nx <= 0 || ny <= 0 || static_cast<long long>(nx) * ny > PointCount(table)) return {};
  std::unique_ptr<LDMatrix> z = AllocLDMatrix(ny + 1, nx + 1);
  if (!z) return {};
  try {
    TGridMatrixLD g;
    g.x.assign(static_cast<std::size_t>(nx) + 1, 0);
    g.y.assign(static_cast<std::size_t>(ny) + 1, 0);
    SortDataTable(table, 4);
    for (int i = 1; i <= nx; ++i) g.x[static_cast<std::size_t>(i)] = table[i].X;
    for (int j = 1; j <= ny; ++j)
      g.y[static_cast<std::size_t>(j)] = table[static_cast<std::size_t>(j - 1) * nx + 1].Y;
    SortDataTable(table, 0);
    std::size_t k = 1;
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) (*z)[j][i] = table[k++].Z;
    g.z = std::move(*z);
    return g;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::vector<double> DistinctXValues(std::span<TXYZPoint> table) {
  return Distinct<double>(table, 0, [](const TXYZPoint& p) { return p.X; },
                          [](TXYZPoint& p) -> long double& { return p.RXY; });
}
std::vector<double> DistinctYValues(std::span<TXYZPoint> table) {
  return Distinct<double>(table, 4, [](const TXYZPoint& p) { return p.Y; },
                          [](TXYZPoint& p) -> long double& { return p.RXYZ; });
}
std::vector<long double> DistinctXValuesLD(std::span<TXYZPoint> table) {
  return Distinct<long double>(table, 0, [](const TXYZPoint& p) { return p.X; },
                               [](TXYZPoint& p) -> long double& { return p.RXY; });
}
std::vector<long double> DistinctYValuesLD(std::span<TXYZPoint> table) {
  return Distinct<long double>(table, 4, [](const TXYZPoint& p) { return p.Y; },
                               [](TXYZPoint& p) -> long double& { return p.RXYZ; });
}

TGridMatrix PointsToGridMatrix(std::span<TXYZPoint> table, double defaultValue) {
  TGridMatrix g;
  g.y = DistinctYValues(table);
  g.x = DistinctXValues(table);
  if (g.x.empty() || g.y.empty()) return TGridMatrix{};
  return OrEmpty<TGridMatrix>([&] {
    const std::size_t nx = g.x.size();
    g.z.assign(nx * g.y.size(), defaultValue);
    for (const TXYZPoint& p : PointsOf(table)) {
      const std::size_t xi = static_cast<std::size_t>(p.RXY);
      const std::size_t yi = static_cast<std::size_t>(p.RXYZ);
      g.z[yi * nx + xi] = static_cast<double>(p.Z);
    }
    return std::move(g);
  });
}

// Point k lies on the line through p1 with direction d when the cross product of d and
// (pk - p1) is negligible against the lengths of both: |sin| of the angle between them at
// most kTolerance. An exact slope comparison calls points that are collinear up to the
// last bit not collinear, and takes a duplicate of point 1 as a vertical direction.
bool IsCollinearXY(std::span<TXYZPoint> table, bool reorder, int* movedOut) {
  constexpr long double kTolerance = 1e-12L;
  if (movedOut) *movedOut = 0;
  const int n = PointCount(table);
  if (n < 3) return true;
  const TXYZPoint& p1 = table[1];
  auto at_p1 = [&](const TXYZPoint& p) { return p.X == p1.X && p.Y == p1.Y; };
  int j = 2;
  while (j <= n && at_p1(table[j])) ++j;
  if (j > n) return true;
  const long double dx = table[j].X - p1.X, dy = table[j].Y - p1.Y;
  const long double d_len = std::hypot(dx, dy);
  int i = j + 1;
  for (; i <= n; ++i) {
    const long double ex = table[i].X - p1.X, ey = table[i].Y - p1.Y;
    const long double cross = dx * ey - dy * ex;
    if (!(std::fabs(cross) <= kTolerance * d_len * std::hypot(ex, ey))) break;
  }
  if (i > n) return true;
  // Points 1, 2, 3 are already non-collinear exactly when j = 2 and i = 3.
  if (reorder && i >= 4) {
    std::swap(table[2], table[i]);
    if (at_p1(table[3])) std::swap(table[3], table[j == 2 ? i : j]);
    if (movedOut) *movedOut = i;
  }
  return false;
}
