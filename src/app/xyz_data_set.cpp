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
  // The cell grid of the neighbourhood search: about two points per cell, each cell's
  // points in ascending order.
  cells_per_side_ = std::max(1, static_cast<int>(std::sqrt(n / 2.0)));
  cell_width_ = (kScreenMax + 1 + cells_per_side_ - 1) / cells_per_side_;
  const std::size_t cells = static_cast<std::size_t>(cells_per_side_) * cells_per_side_;
  cell_start_.assign(cells + 1, 0);
  cell_points_.assign(static_cast<std::size_t>(n), 0);
  auto cell_of = [this](int i) {
    return static_cast<std::size_t>(CellOfScreen(screen_y_[static_cast<std::size_t>(i)])) * cells_per_side_ +
           static_cast<std::size_t>(CellOfScreen(screen_x_[static_cast<std::size_t>(i)]));
  };
  for (int i = 1; i <= n; ++i) ++cell_start_[cell_of(i) + 1];
  for (std::size_t c = 0; c < cells; ++c) cell_start_[c + 1] += cell_start_[c];
  std::vector<int> fill(cell_start_.begin(), cell_start_.end() - 1);
  for (int i = 1; i <= n; ++i) cell_points_[static_cast<std::size_t>(fill[cell_of(i)]++)] = i;
}

int TXYZ::CellOfScreen(int s) const { return std::min(s / cell_width_, cells_per_side_ - 1); }

std::pair<int, int> TXYZ::ScreenCoords(long double x, long double y) const {
  if (sorted_.empty()) return {0, 0};
  const TXYZPoint& h = sorted_[0];
  return {ScreenCoord(x, h.Y, h.Z), ScreenCoord(y, h.RXY, h.RXYZ)};
}

// The neighbourhood is chosen on integer screen coordinates, every choice ordered by
// (squared distance, point number): the k nearest, then the nearest point of every quadrant
// around the target that is not yet among them (each replacing the farthest point that is
// not itself such a representative, so that a later quadrant never pushes out an earlier
// one), then, when the choice spans fewer than three distinct screen x or y values, the
// nearest point that adds a new one.
//
// The points are found through the cell grid of the screen index, ring by ring around the
// target's cell: a point in ring R + 1 or beyond lies more than R cell widths away on one
// axis, so a search ends as soon as what it holds is no farther than that.
PointTable TXYZ::FindNearest(long double x, long double y, int k) const {
  const int n = PointCount(sorted_);
  if (screen_x_.empty() || n < 1 || k < 1 || k > n) return {};
  const auto [tx, ty] = ScreenCoords(x, y);
  auto distance = [&](int i) {
    const std::int64_t dx = screen_x_[static_cast<std::size_t>(i)] - tx;
    const std::int64_t dy = screen_y_[static_cast<std::size_t>(i)] - ty;
    return dx * dx + dy * dy;
  };
  using Ranked = std::pair<std::int64_t, int>;  // (distance, point number)
  auto result_of = [&](const std::vector<int>& chosen) {
    PointTable out = NewPointTable(static_cast<int>(chosen.size()));
    for (std::size_t r = 0; r < chosen.size(); ++r) {
      out[r + 1] = sorted_[static_cast<std::size_t>(chosen[r])];
      out[r + 1].RXY = static_cast<long double>(distance(chosen[r]));
    }
    return out;
  };
  std::vector<int> chosen;
  if (k == n) {
    for (int i = 1; i <= n; ++i) chosen.push_back(i);
    return result_of(chosen);
  }

  const int cells = cells_per_side_;
  const int cx = CellOfScreen(tx), cy = CellOfScreen(ty);
  const std::int64_t width = cell_width_;
  // Visits the cells of ring r (all of them at r = 0); false when the ring lies wholly
  // outside the grid.
  auto visit_ring = [&](int r, auto&& visit_point) {
    bool any = false;
    auto visit_cell = [&](int col, int row) {
      if (col < 0 || row < 0 || col >= cells || row >= cells) return;
      any = true;
      const int cell = row * cells + col;
      for (int c = cell_start_[static_cast<std::size_t>(cell)];
           c < cell_start_[static_cast<std::size_t>(cell) + 1]; ++c)
        visit_point(cell_points_[static_cast<std::size_t>(c)]);
    };
    if (r == 0) {
      visit_cell(cx, cy);
      return any;
    }
    for (int col = cx - r; col <= cx + r; ++col) {
      visit_cell(col, cy - r);
      visit_cell(col, cy + r);
    }
    for (int row = cy - r + 1; row <= cy + r - 1; ++row) {
      visit_cell(cx - r, row);
      visit_cell(cx + r, row);
    }
    return any;
  };
  // Points beyond ring r lie farther than this.
  auto beyond = [&](int r) { return (r * width) * (r * width); };
  // The ring beyond which the grid holds no cells of the region of columns [c0, c1] and
  // rows [r0, r1].
  auto last_ring = [&](int c0, int c1, int r0, int r1) {
    return std::max(std::max(c1 - cx, cx - c0), std::max(r1 - cy, cy - r0));
  };
  const int all_rings = last_ring(0, cells - 1, 0, cells - 1);

  // The k nearest and the nearest of each quadrant.
  std::priority_queue<Ranked> heap;
  Ranked quad_best[4] = {{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}};
  int quad_last_ring[4];
  for (int q = 0; q < 4; ++q) {
    // Which cells can hold points of quadrant q (ScreenQuadrant's sides).
    const bool right = q == 0 || q == 3, up = q == 0 || q == 1;
    const bool all_right = tx == kScreenMax, none_right = tx == 0;
    const bool all_up = ty == kScreenMax, none_up = ty == 0;
    int c0 = 0, c1 = cells - 1, r0 = 0, r1 = cells - 1;
    if (right ? none_right : all_right) c1 = -1;
    else if (!all_right && !none_right) (right ? c0 : c1) = cx;
    if (up ? none_up : all_up) r1 = -1;
    else if (!all_up && !none_up) (up ? r0 : r1) = cy;
    quad_last_ring[q] = (c1 < c0 || r1 < r0) ? -1 : last_ring(c0, c1, r0, r1);
  }
  for (int r = 0; r <= all_rings; ++r) {
    visit_ring(r, [&](int i) {
      const Ranked ranked{distance(i), i};
      const int q = ScreenQuadrant(screen_x_[static_cast<std::size_t>(i)],
                                   screen_y_[static_cast<std::size_t>(i)], tx, ty);
      if (quad_best[q].first < 0 || ranked < quad_best[q]) quad_best[q] = ranked;
      if (static_cast<int>(heap.size()) < k) {
        heap.push(ranked);
      } else if (ranked < heap.top()) {
        heap.pop();
        heap.push(ranked);
      }
    });
    bool done = static_cast<int>(heap.size()) == k && heap.top().first <= beyond(r);
    for (int q = 0; q < 4 && done; ++q)
      done = r >= quad_last_ring[q] || (quad_best[q].first >= 0 && quad_best[q].first <= beyond(r));
    if (done) break;
  }

  std::vector<Ranked> list;  // the chosen points
  while (!heap.empty()) {
    list.push_back(heap.top());
    heap.pop();
  }
  auto in_list = [&list](int i) {
    return std::any_of(list.begin(), list.end(), [i](const Ranked& e) { return e.second == i; });
  };
  std::vector<int> protect;
  for (const Ranked& best : quad_best) {
    if (best.first < 0) continue;
    if (!in_list(best.second)) {
      auto farthest = list.end();
      for (auto it = list.begin(); it != list.end(); ++it)
        if (std::find(protect.begin(), protect.end(), it->second) == protect.end() &&
            (farthest == list.end() || *it > *farthest))
          farthest = it;
      if (farthest == list.end()) continue;
      *farthest = best;
    }
    protect.push_back(best.second);
  }

  std::sort(list.begin(), list.end(), [](const Ranked& a, const Ranked& b) { return a.second < b.second; });
  std::vector<int> xs, ys;
  for (const Ranked& e : list) {
    chosen.push_back(e.second);
    for (auto [values, v] : {std::pair{&xs, screen_x_[static_cast<std::size_t>(e.second)]},
                             std::pair{&ys, screen_y_[static_cast<std::size_t>(e.second)]}})
      if (values->size() < 3 && std::find(values->begin(), values->end(), v) == values->end())
        values->push_back(v);
  }
  const bool need_x = xs.size() < 3, need_y = ys.size() < 3;
  if (need_x || need_y) {
    Ranked extra{-1, 0};
    for (int r = 0; r <= all_rings; ++r) {
      visit_ring(r, [&](int i) {
        if (std::binary_search(chosen.begin(), chosen.end(), i)) return;
        const std::size_t u = static_cast<std::size_t>(i);
        if (need_x && std::find(xs.begin(), xs.end(), screen_x_[u]) != xs.end()) return;
        if (need_y && std::find(ys.begin(), ys.end(), screen_y_[u]) != ys.end()) return;
        const Ranked ranked{distance(i), i};
        if (extra.first < 0 || ranked < extra) extra = ranked;
      });
      if (extra.first >= 0 && extra.first <= beyond(r)) break;
    }
    if (extra.first >= 0)
      chosen.insert(std::upper_bound(chosen.begin(), chosen.end(), extra.second), extra.second);
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
