#include "smooth/numlib/shepard_cells.h"

#include <algorithm>
#include <limits>

namespace shepard {

int StoreCells(int n, const double* x, const double* y, int nr, int* lcell, int* lnext,
               double& xmin, double& ymin, double& dx, double& dy) {
  if (n < 2 || nr < 1) return 1;
  double xmax = x[0], ymax = y[0];
  xmin = x[0];
  ymin = y[0];
  for (int k = 1; k < n; ++k) {
    xmin = std::min(xmin, x[k]);
    xmax = std::max(xmax, x[k]);
    ymin = std::min(ymin, y[k]);
    ymax = std::max(ymax, y[k]);
  }
  dx = (xmax - xmin) / nr;
  dy = (ymax - ymin) / nr;
  if (!(dx > 0) || !(dy > 0)) return 2;
  std::fill(lcell, lcell + static_cast<long>(nr) * nr, 0);
  // From the last node to the first, so that every cell's chain runs in node order.
  for (int k = n; k >= 1; --k) {
    const int i = std::min(static_cast<int>((x[k - 1] - xmin) / dx), nr - 1);
    const int j = std::min(static_cast<int>((y[k - 1] - ymin) / dy), nr - 1);
    int& head = lcell[static_cast<long>(j) * nr + i];
    lnext[k - 1] = head != 0 ? head : k;
    head = k;
  }
  return 0;
}

void NearestNodes(const TCells& cells, const double* x, const double* y, int k, int want,
                  std::vector<TNeighbour>& out) {
  out.clear();
  if (want <= 0) return;
  const double px = x[k - 1], py = y[k - 1];
  const int nr = cells.nr;
  const int ic = std::min(static_cast<int>((px - cells.xmin) / cells.dx), nr - 1);
  const int jc = std::min(static_cast<int>((py - cells.ymin) / cells.dy), nr - 1);
  auto take = [&](int i, int j) {
    for (int m = cells.lcell[static_cast<long>(j) * nr + i]; m != 0;) {
      if (m != k) {
        const double ex = x[m - 1] - px, ey = y[m - 1] - py;
        out.push_back({m, ex * ex + ey * ey});
      }
      const int next = cells.lnext[m - 1];
      m = next == m ? 0 : next;
    }
  };
  const auto byDistance = [](const TNeighbour& a, const TNeighbour& b) {
    return a.d2 < b.d2 || (a.d2 == b.d2 && a.node < b.node);
  };
  constexpr double kAll = std::numeric_limits<double>::infinity();
  // Rings of cells about the node's cell, until the want-th nearest candidate lies within
  // the square of rings searched (nothing outside it can be nearer).
  for (int r = 0;; ++r) {
    const int i0 = ic - r, i1 = ic + r, j0 = jc - r, j1 = jc + r;
    for (int j = std::max(j0, 0); j <= std::min(j1, nr - 1); ++j) {
      const bool edgeRow = j == j0 || j == j1;
      for (int i = std::max(i0, 0); i <= std::min(i1, nr - 1); ++i)
        if (edgeRow || i == i0 || i == i1) take(i, j);
    }
    const double left = i0 > 0 ? px - (cells.xmin + i0 * cells.dx) : kAll;
    const double right = i1 < nr - 1 ? cells.xmin + (i1 + 1) * cells.dx - px : kAll;
    const double below = j0 > 0 ? py - (cells.ymin + j0 * cells.dy) : kAll;
    const double above = j1 < nr - 1 ? cells.ymin + (j1 + 1) * cells.dy - py : kAll;
    const double covered = std::min({left, right, below, above});
    if (covered == kAll) break;  // every cell searched
    if (static_cast<int>(out.size()) >= want) {
      std::nth_element(out.begin(), out.begin() + (want - 1), out.end(), byDistance);
      if (out[static_cast<std::size_t>(want) - 1].d2 <= covered * covered) break;
    }
  }
  const std::size_t keep = std::min(out.size(), static_cast<std::size_t>(want));
  std::partial_sort(out.begin(), out.begin() + static_cast<long>(keep), out.end(), byDistance);
  out.resize(keep);
}

}  // namespace shepard
