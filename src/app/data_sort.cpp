#include "app/data_sort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

enum class Field { kX, kY, kZ, kRXY, kRXYZ, kCellX, kCellY, kNone };

template <Field F>
auto Get(const TXYZPoint& p) {
  if constexpr (F == Field::kX) return p.X;
  if constexpr (F == Field::kY) return p.Y;
  if constexpr (F == Field::kZ) return p.Z;
  if constexpr (F == Field::kRXY) return p.RXY;
  if constexpr (F == Field::kRXYZ) return p.RXYZ;
  if constexpr (F == Field::kCellX) return p.CellX;
  if constexpr (F == Field::kCellY) return p.CellY;
}

// Three-way comparison that is a total order even with NaN: NaN equals NaN and follows
// every number.
inline int Compare(long double a, long double b) {
  if (a < b) return -1;
  if (a > b) return 1;
  if (a == b) return 0;
  const bool nan_a = std::isnan(a);
  const bool nan_b = std::isnan(b);
  return nan_a == nan_b ? 0 : (nan_a ? 1 : -1);
}

inline int Compare(std::uint8_t a, std::uint8_t b) { return (a > b) - (a < b); }

// One comparison per key, expanded inline by the sort (no comparison callback).
template <Field F1, bool Desc1, Field F2, bool Desc2>
struct KeyLess {
  bool operator()(const TXYZPoint& a, const TXYZPoint& b) const {
    int c = Compare(Get<F1>(a), Get<F1>(b));
    if (c != 0) return Desc1 ? c > 0 : c < 0;
    if constexpr (F2 == Field::kNone) {
      return false;
    } else {
      c = Compare(Get<F2>(a), Get<F2>(b));
      return Desc2 ? c > 0 : c < 0;
    }
  }
};

// Calls fn with the comparison of the key (0..21).
template <class Fn>
void WithKey(int key, Fn&& fn) {
  using F = Field;
  switch (key) {
    case 1: return fn(KeyLess<F::kX, true, F::kY, false>{});
    case 2: return fn(KeyLess<F::kX, false, F::kY, true>{});
    case 3: return fn(KeyLess<F::kX, true, F::kY, true>{});
    case 4: return fn(KeyLess<F::kY, false, F::kX, false>{});
    case 5: return fn(KeyLess<F::kY, false, F::kX, true>{});
    case 6: return fn(KeyLess<F::kY, true, F::kX, false>{});
    case 7: return fn(KeyLess<F::kY, true, F::kX, true>{});
    case 8: return fn(KeyLess<F::kZ, false, F::kNone, false>{});
    case 9: return fn(KeyLess<F::kZ, true, F::kNone, false>{});
    case 10: return fn(KeyLess<F::kRXY, false, F::kNone, false>{});
    case 11: return fn(KeyLess<F::kRXY, true, F::kNone, false>{});
    case 12: return fn(KeyLess<F::kRXYZ, false, F::kNone, false>{});
    case 13: return fn(KeyLess<F::kRXYZ, true, F::kNone, false>{});
    case 14: return fn(KeyLess<F::kCellX, false, F::kCellY, false>{});
    case 15: return fn(KeyLess<F::kCellX, true, F::kCellY, false>{});
    case 16: return fn(KeyLess<F::kCellX, false, F::kCellY, true>{});
    case 17: return fn(KeyLess<F::kCellX, true, F::kCellY, true>{});
    case 18: return fn(KeyLess<F::kCellY, false, F::kCellX, false>{});
    case 19: return fn(KeyLess<F::kCellY, true, F::kCellX, false>{});
    case 20: return fn(KeyLess<F::kCellY, false, F::kCellX, true>{});
    case 21: return fn(KeyLess<F::kCellY, true, F::kCellX, true>{});
    default: return fn(KeyLess<F::kX, false, F::kY, false>{});
  }
}

int ValidKey(int key) { return key >= 0 && key < kSortKeyCount ? key : 0; }

}  // namespace

// The records are ordered with the standard library's introsort rather than a plain
// recursive quicksort: the same unstable order by key, but O(N log N) in the worst case
// and a recursion depth that stays logarithmic even on adversarial input.
void SortDataTable(std::span<TXYZPoint> table, int key) {
  if (table.empty()) return;
  key = ValidKey(key);
  std::span<TXYZPoint> points = PointsOf(table);
  WithKey(key, [&](auto less) { std::sort(points.begin(), points.end(), less); });
  table[0].SortKey = static_cast<std::uint8_t>(key);
}

void SortPointsByXY(std::span<TXYZPoint> table, int first, int last) {
  const int n = PointCount(table);
  first = std::max(first, 1);
  last = std::min(last, n);
  if (first >= last) return;
  std::sort(table.begin() + first, table.begin() + last + 1,
            KeyLess<Field::kX, false, Field::kY, false>{});
}

void SortPointIndex(std::span<const TXYZPoint> table, std::span<int> index, int key) {
  const int n = PointCount(table);
  const auto valid_end = std::stable_partition(index.begin(), index.end(),
                                               [n](int i) { return i >= 1 && i <= n; });
  WithKey(ValidKey(key), [&](auto less) {
    std::sort(index.begin(), valid_end, [&](int a, int b) {
      return less(table[static_cast<std::size_t>(a)], table[static_cast<std::size_t>(b)]);
    });
  });
}

int PointCell(long double v, long double low, long double high, int cells, bool logScale) {
  const int m = std::clamp(cells - 1, 1, 255);
  if (logScale) v = v > 0 ? std::log10(v) : low;
  if (std::isnan(v) || v <= low) return 1;
  if (v >= high) return m;
  const long double t = (v - low) / (high - low) * m;
  // Rounding can carry a value just below the high end onto m itself; cells stay 1 .. m.
  if (!(t >= 0)) return 1;
  if (t >= m) return m;
  return std::clamp(static_cast<int>(t) + 1, 1, m);
}

void AssignPointCells(std::span<TXYZPoint> table, long double xHigh, long double xLow, int nx,
                      long double yHigh, long double yLow, int ny, bool xDescending,
                      bool yDescending, bool xLog, bool yLog, bool yFirst) {
  for (TXYZPoint& p : PointsOf(table)) {
    p.CellX = static_cast<std::uint8_t>(PointCell(p.X, xLow, xHigh, nx, xLog));
    p.CellY = static_cast<std::uint8_t>(PointCell(p.Y, yLow, yHigh, ny, yLog));
  }
  static constexpr int kXFirstKeys[4] = {14, 16, 15, 17};
  static constexpr int kYFirstKeys[4] = {18, 19, 20, 21};
  const int which = (xDescending ? 2 : 0) + (yDescending ? 1 : 0);
  SortDataTable(table, yFirst ? kYFirstKeys[which] : kXFirstKeys[which]);
}
