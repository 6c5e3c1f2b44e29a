#include "app/xyz_data_set.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <queue>

#include "app/data_sort.h"
#include "app/point_table.h"

TXYZ::TXYZ(std::span<TXYZPoint> source, TDataStats* stats)
    : count(PointCount(source)), source_(source) {
  SetStats(stats, 0);
}

std::span<TXYZPoint> TXYZ::ResetWork() {
  work_ = DupPoints(source_);
  return work_;
}

PointTable TXYZ::TakeWork() { return std::exchange(work_, PointTable()); }

void TXYZ::SetWork(PointTable table) { work_ = std::move(table); }

std::span<TXYZPoint> TXYZ::MakeMergedCopy() {
  work_ = MergeDuplicates(source_, true, true);
  return work_;
}

void TXYZ::SaveStatus(std::span<TXYZPoint> table) {
  table = Or(table);
  saved_status_.clear();
  if (table.empty()) return;
  for (int i = 0; i <= PointCount(table); ++i) saved_status_.push_back(table[i].Status);
}

void TXYZ::RestoreStatus(std::span<TXYZPoint> table) {
  table = Or(table);
  const std::size_t n = std::min(saved_status_.size(), table.size());
  for (std::size_t i = 0; i < n; ++i) table[i].Status = saved_status_[i];
}

void TXYZ::SaveHeaderExtras(std::span<TXYZPoint> table) {
  table = Or(table);
  if (table.empty()) return;
  savedZMin = table[0].Z;
  savedZMax = table[0].RXYZ;
}

void TXYZ::RestoreHeaderExtras(std::span<TXYZPoint> table) {
  table = Or(table);
  if (table.empty()) return;
  table[0].Z = savedZMin;
  table[0].RXYZ = savedZMax;
}

void TXYZ::CopyHeaderExtras(std::span<TXYZPoint> to, std::span<TXYZPoint> from) {
  if (to.empty()) to = work_;
  from = Or(from);
  if (to.empty() || from.empty()) return;
  to[0].Z = from[0].Z;
  to[0].RXYZ = from[0].RXYZ;
}

void TXYZ::SetStats(TDataStats* block, int which) {
  if (which != 0 && which != 1) return;
  owned_stats_[which].reset();
  stats_[which] = block;
  RefreshRanges(which);
}

TDataStats* TXYZ::GetStats(int which) {
  if (which != 0 && which != 1) return nullptr;
  return stats_[which] ? stats_[which] : ComputeStats(which);
}

TDataStats* TXYZ::ComputeStats(int which) {
  if (which != 0 && which != 1) return nullptr;
  std::span<TXYZPoint> table = which == 0 ? source_ : std::span<TXYZPoint>(work_);
  if (which == 1 && table.empty()) return nullptr;
  if (!stats_[which]) {
    owned_stats_[which] = std::make_unique<TDataStats>();
    stats_[which] = owned_stats_[which].get();
  }
  ComputeTableStatistics(table, *stats_[which]);
  RefreshRanges(which);
  return stats_[which];
}

void TXYZ::RefreshRanges(int which) {
  const TDataStats* s = (which == 0 || which == 1) ? stats_[which] : nullptr;
  if (!s) {
    xMin = xMax = yMin = yMax = zMin = zMax = 0;
    return;
  }
  xMin = s->X.Min, xMax = s->X.Max;
  yMin = s->Y.Min, yMax = s->Y.Max;
  zMin = s->Z.Min, zMax = s->Z.Max;
}

bool TXYZ::DetectGrid(std::span<TXYZPoint> table) {
  pointsPerRow = rows = 0;
  PointTable copy = CopyPoints(Or(table));
  const int n = PointCount(copy);
  if (n < 4) return false;
  SortDataTable(copy, 4);
  int m = 1;
  while (m < n && copy[m + 1].Y == copy[1].Y) ++m;
  if (m >= n || n % m != 0 || copy[2].X == copy[1].X) return false;
  for (int start = 1; start <= n; start += m)
    for (int i = start + 1; i < start + m; ++i)
      if (copy[i].Y != copy[start].Y) return false;
  for (int c = 1; c <= m; ++c)
    for (int i = c + m; i <= n; i += m)
      if (copy[i].X != copy[c].X) return false;
  pointsPerRow = m;
  rows = n / m;
  return true;
}

namespace {

int ScreenCoord(long double v, long double low, long double high) {
  if (std::isnan(v) || v <= low) return 0;
  if (v >= high) return kScreenMax;
  const long double t = (v - low) / (high - low) * 32767.0L;
  return std::clamp(static_cast<int>(std::isnan(t) ? 0 : t), 0, kScreenMax);
}

}  // namespace

int ScreenQuadrant(int sx, int sy, int tx, int ty) {
  const bool right = tx == kScreenMax || (tx != 0 && sx - tx > 0);
  const bool up = ty == kScreenMax || (ty != 0 && sy - ty > 0);
  if (right) return up ? 0 : 3;
  return up ? 1 : 2;
}

void TXYZ::BuildScreenIndex(long double xLow, long double xHigh, long double yLow,
                            long double yHigh) {
  sorted_ = CopyPoints(source_);
  screen_x_.clear();
  screen_y_.clear();
  if (sorted_.empty()) return;
  sorted_[0].Y = xLow;
  sorted_[0].Z = xHigh;
  sorted_[0].RXY = yLow;
  sorted_[0].RXYZ = yHigh;
  SortDataTable(sorted_, 0);
  const int n = PointCount(sorted_);
  screen_x_.assign(static_cast<std::size_t>(n) + 1, n);
  screen_y_.assign(static_cast<std::size_t>(n) + 1, n);
  for (int i = 1; i <= n; ++i) {
    screen_x_[static_cast<std::size_t>(i)] = ScreenCoord(sorted_[i].X, xLow, xHigh);
    screen_y_[static_cast<std::size_t>(i)] = ScreenCoord(sorted_[i].Y, yLow, yHigh);
  }
}

std::pair<int, int> TXYZ::ScreenCoords(long double x, long double y) const {
  if (sorted_.empty()) return {0, 0};
  const TXYZPoint& h = sorted_[0];
  return {ScreenCoord(x, h.Y, h.Z), ScreenCoord(y, h.RXY, h.RXYZ)};
}

// The neighbourhood is chosen on integer screen coordinates: the k nearest points, then the
// nearest point of every quadrant around the target that is not yet among them (each
// replacing the farthest point that is not itself such a representative, so that a later
// quadrant never pushes out an earlier one), then, when the choice spans fewer than three
// distinct screen x or y values, the nearest point that adds a new one.
PointTable TXYZ::FindNearest(long double x, long double y, int k) const {
  const int n = PointCount(sorted_);
  if (screen_x_.empty() || n < 1 || k < 1 || k > n) return {};
  const auto [tx, ty] = ScreenCoords(x, y);
  std::vector<std::int64_t> d(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i <= n; ++i) {
    const std::int64_t dx = screen_x_[static_cast<std::size_t>(i)] - tx;
    const std::int64_t dy = screen_y_[static_cast<std::size_t>(i)] - ty;
    d[static_cast<std::size_t>(i)] = dx * dx + dy * dy;
  }
  auto result_of = [&](const std::vector<int>& chosen) {
    PointTable out = NewPointTable(static_cast<int>(chosen.size()));
    for (std::size_t r = 0; r < chosen.size(); ++r) {
      out[r + 1] = sorted_[static_cast<std::size_t>(chosen[r])];
      out[r + 1].RXY = static_cast<long double>(d[static_cast<std::size_t>(chosen[r])]);
    }
    return out;
  };
  std::vector<int> chosen;
  if (k == n) {
    for (int i = 1; i <= n; ++i) chosen.push_back(i);
    return result_of(chosen);
  }

  // The k nearest: a max-heap on (distance, index), so that of equally far points the
  // later one goes first.
  std::priority_queue<std::pair<std::int64_t, int>> heap;
  int quad_best[4] = {0, 0, 0, 0};
  for (int i = 1; i <= n; ++i) {
    const std::int64_t di = d[static_cast<std::size_t>(i)];
    const int q = ScreenQuadrant(screen_x_[static_cast<std::size_t>(i)],
                                 screen_y_[static_cast<std::size_t>(i)], tx, ty);
    if (quad_best[q] == 0 || di < d[static_cast<std::size_t>(quad_best[q])]) quad_best[q] = i;
    if (static_cast<int>(heap.size()) < k) {
      heap.emplace(di, i);
    } else if (di < heap.top().first) {
      heap.pop();
      heap.emplace(di, i);
    }
  }
  std::vector<bool> in_list(static_cast<std::size_t>(n) + 1, false);
  while (!heap.empty()) {
    in_list[static_cast<std::size_t>(heap.top().second)] = true;
    heap.pop();
  }
  std::vector<bool> protect(static_cast<std::size_t>(n) + 1, false);
  for (int q = 0; q < 4; ++q) {
    const int best = quad_best[q];
    if (best == 0) continue;
    if (!in_list[static_cast<std::size_t>(best)]) {
      int farthest = 0;
      for (int i = 1; i <= n; ++i) {
        const std::size_t u = static_cast<std::size_t>(i);
        if (in_list[u] && !protect[u] &&
            (farthest == 0 || d[u] >= d[static_cast<std::size_t>(farthest)]))
          farthest = i;
      }
      if (farthest == 0) continue;
      in_list[static_cast<std::size_t>(farthest)] = false;
      in_list[static_cast<std::size_t>(best)] = true;
    }
    protect[static_cast<std::size_t>(best)] = true;
  }

  std::vector<int> xs, ys;
  for (int i = 1; i <= n; ++i) {
    if (!in_list[static_cast<std::size_t>(i)]) continue;
    chosen.push_back(i);
    for (auto [values, v] : {std::pair{&xs, screen_x_[static_cast<std::size_t>(i)]},
                             std::pair{&ys, screen_y_[static_cast<std::size_t>(i)]}})
      if (values->size() < 3 && std::find(values->begin(), values->end(), v) == values->end())
        values->push_back(v);
  }
  const bool need_x = xs.size() < 3, need_y = ys.size() < 3;
  if (need_x || need_y) {
    int extra = 0;
    for (int i = 1; i <= n; ++i) {
      const std::size_t u = static_cast<std::size_t>(i);
      if (in_list[u]) continue;
      if (need_x && std::find(xs.begin(), xs.end(), screen_x_[u]) != xs.end()) continue;
      if (need_y && std::find(ys.begin(), ys.end(), screen_y_[u]) != ys.end()) continue;
      if (extra == 0 || d[u] < d[static_cast<std::size_t>(extra)]) extra = i;
    }
    if (extra != 0) chosen.insert(std::upper_bound(chosen.begin(), chosen.end(), extra), extra);
  }
  return result_of(chosen);
}

std::vector<double> TXYZ::GridAxisX(int n) const {
  return LinSpace(static_cast<double>(xMin), static_cast<double>(xMax), n);
}

std::vector<double> TXYZ::GridAxisY(int n) const {
  return LinSpace(static_cast<double>(yMin), static_cast<double>(yMax), n);
}

int TXYZ::CountDistinctX(std::span<TXYZPoint> table) { return CountTableDistinctX(Or(table)); }

int TXYZ::CountDistinctY(std::span<TXYZPoint> table) { return CountTableDistinctY(Or(table)); }
