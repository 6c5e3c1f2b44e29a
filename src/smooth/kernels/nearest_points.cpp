#include "smooth/kernels/nearest_points.h"

#include <algorithm>
#include <cmath>
#include <utility>

TNearestPoints::TNearestPoints(std::span<const double> x, std::span<const double> y)
    : x_(x), y_(y) {
  const int n = static_cast<int>(std::min(x.size(), y.size()));
  if (n == 0) {
    start_.assign(2, 0);
    return;
  }
  const auto [xlo, xhi] = std::minmax_element(x.begin(), x.begin() + n);
  const auto [ylo, yhi] = std::minmax_element(y.begin(), y.begin() + n);
  x0_ = *xlo;
  y0_ = *ylo;
  const double extent = std::max(*xhi - *xlo, *yhi - *ylo);
  cells_ = std::max(1, static_cast<int>(std::sqrt(n / 2.0)));
  scale_ = extent > 0 ? cells_ / extent : 0.0;
  start_.assign(static_cast<std::size_t>(cells_) * cells_ + 1, 0);
  std::vector<int> cell(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto u = static_cast<std::size_t>(i);
    cell[u] = Cell(y[u], y0_) * cells_ + Cell(x[u], x0_);
    ++start_[static_cast<std::size_t>(cell[u]) + 1];
  }
  for (std::size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
  members_.resize(static_cast<std::size_t>(n));
  std::vector<int> fill(start_.begin(), start_.end() - 1);
  for (int i = 0; i < n; ++i)
    members_[static_cast<std::size_t>(fill[static_cast<std::size_t>(cell[static_cast<std::size_t>(i)])]++)] = i;
}

int TNearestPoints::Cell(double v, double origin) const {
  const double f = (v - origin) * scale_;
  if (!(f > 0.0)) return 0;
  return std::min(cells_ - 1, static_cast<int>(f));
}

void TNearestPoints::Nearest(int self, int k, std::vector<int>& out) const {
  const auto s = static_cast<std::size_t>(self);
  NearestTo(x_[s], y_[s], k, out, self);
}

void TNearestPoints::NearestTo(double px, double py, int k, std::vector<int>& out, int skip) const {
  out.clear();
  if (k <= 0 || Count() == 0) return;
  const int cx = Cell(px, x0_), cy = Cell(py, y0_);
  // Each thread keeps the room of its candidates: a search of a few points cost more in
  // allocating it than in looking.
  thread_local std::vector<std::pair<double, int>> found;
  found.clear();
  const double side = scale_ > 0 ? 1.0 / scale_ : 0.0;
  // Rings of cells around the point's own; after ring r every point nearer than r cell sides
  // has been seen, so the search stops once the k-th nearest found is that near.
  for (int r = 0; r <= cells_; ++r) {
    for (int gy = cy - r; gy <= cy + r; ++gy) {
      if (gy < 0 || gy >= cells_) continue;
      const bool edgeRow = gy == cy - r || gy == cy + r;
      for (int gx = cx - r; gx <= cx + r; gx += (edgeRow || r == 0) ? 1 : 2 * r) {
        if (gx < 0 || gx >= cells_) continue;
        const std::size_t c = static_cast<std::size_t>(gy * cells_ + gx);
        for (int m = start_[c]; m < start_[c + 1]; ++m) {
          const int j = members_[static_cast<std::size_t>(m)];
          if (j == skip) continue;
          const auto u = static_cast<std::size_t>(j);
          found.push_back({(x_[u] - px) * (x_[u] - px) + (y_[u] - py) * (y_[u] - py), j});
        }
      }
    }
    if (static_cast<int>(found.size()) >= k) {
      std::nth_element(found.begin(), found.begin() + (k - 1), found.end());
      const double reach = r * side;
      if (found[static_cast<std::size_t>(k - 1)].first <= reach * reach) break;
    }
  }
  std::sort(found.begin(), found.end());
  const std::size_t keep = std::min(found.size(), static_cast<std::size_t>(std::max(k, 0)));
  for (std::size_t i = 0; i < keep; ++i) out.push_back(found[i].second);
}

void TNearestPoints::InStrip(double px, double py, double ex, double ey, double along, double across,
                             std::vector<int>& out, int skip) const {
  out.clear();
  if (start_.size() < 2 || !(along >= 0) || !(across >= 0)) return;
  const double side = scale_ > 0 ? 1.0 / scale_ : 0.0;
  // The cells the rectangle touches: those about samples half a cell apart along its middle
  // line across the direction, each reaching the rectangle's half length along it and a cell
  // more; a thin rectangle across lines of points touches few of the cells of its box.
  std::vector<int> cells;
  const double step = side > 0 ? 0.5 * side : across + 1;
  const double reach = along + side;
  for (double t = -across;; t += step) {
    const double tt = std::min(t, across);
    const double cx = px + tt * ey, cy = py - tt * ex;
    const int i0 = Cell(cx - reach, x0_), i1 = Cell(cx + reach, x0_);
    const int j0 = Cell(cy - reach, y0_), j1 = Cell(cy + reach, y0_);
    for (int j = j0; j <= j1; ++j)
      for (int i = i0; i <= i1; ++i) cells.push_back(j * cells_ + i);
    if (tt >= across) break;
  }
  std::sort(cells.begin(), cells.end());
  cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
  for (const int c : cells)
    for (int m = start_[static_cast<std::size_t>(c)]; m < start_[static_cast<std::size_t>(c) + 1]; ++m) {
      const int j = members_[static_cast<std::size_t>(m)];
      if (j == skip) continue;
      const auto u = static_cast<std::size_t>(j);
      const double dx = x_[u] - px, dy = y_[u] - py;
      if (std::fabs(ex * dx + ey * dy) <= along && std::fabs(ey * dx - ex * dy) <= across) out.push_back(j);
    }
}
