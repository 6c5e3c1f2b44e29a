#include "app/xyz_point.h"

#include <cmath>
#include <new>

int PointCount(std::span<const TXYZPoint> table) {
  if (table.empty()) return 0;
  const long double n = std::trunc(table[0].X);
  const long double most = static_cast<long double>(table.size() - 1);
  if (!(n > 0)) return 0;  // also NaN
  return static_cast<int>(n < most ? n : most);
}

void SetPointCount(std::span<TXYZPoint> table, int n) {
  if (!table.empty()) table[0].X = static_cast<long double>(n);
}

PointTable NewPointTable(int n) {
  if (n < 0) return {};
  try {
    PointTable table(static_cast<std::size_t>(n) + 1);
    SetPointCount(table, n);
    return table;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::span<TXYZPoint> PointsOf(std::span<TXYZPoint> table) {
  const int n = PointCount(table);
  return n > 0 ? table.subspan(1, static_cast<std::size_t>(n)) : std::span<TXYZPoint>();
}

std::span<const TXYZPoint> PointsOf(std::span<const TXYZPoint> table) {
  const int n = PointCount(table);
  return n > 0 ? table.subspan(1, static_cast<std::size_t>(n)) : std::span<const TXYZPoint>();
}
