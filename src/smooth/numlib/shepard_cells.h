// The cell grid of the Shepard routines (shepard.h) and the searches over it: the nearest
// nodes of a node, in order of distance, and the nodes within a distance of a point.
#pragma once

#include <vector>

namespace shepard {

// A cell grid as the set-up stores it: NR x NR cells of DX by DY from (XMIN, YMIN); lcell
// and lnext 1-based in meaning (shepard.h).
struct TCells {
  int n = 0;
  int nr = 0;
  const int* lcell = nullptr;
  const int* lnext = nullptr;
  double xmin = 0, ymin = 0, dx = 0, dy = 0;
};

// Fills lcell (nr * nr) and lnext (n) for the nodes and sets the grid's corner and cell
// sizes. Answers 0, 1 when n < 2 or nr < 1, or 2 when all x or all y are equal.
[[nodiscard]] int StoreCells(int n, const double* x, const double* y, int nr, int* lcell,
                             int* lnext, double& xmin, double& ymin, double& dx, double& dy);

struct TNeighbour {
  int node;   // 1-based
  double d2;  // squared distance
};

// The `want` nodes nearest to node k (k excluded), nearest first, ties in node order; fewer
// when the grid holds fewer. `out` is reused between calls.
void NearestNodes(const TCells& cells, const double* x, const double* y, int k, int want,
                  std::vector<TNeighbour>& out);

// Calls visit(node) for every node of the cells that a disk of radius r about (px, py)
// touches (a superset of the nodes within r). The point may lie anywhere; nothing is
// visited when the disk misses the grid. Answers false, having stopped, at a list entry that
// names no node or a chain longer than n: a foreign caller's arrays must never send the
// search past the node arrays or round a cycle.
template <class Visit>
[[nodiscard]] bool NodesNear(const TCells& cells, double px, double py, double r, Visit visit) {
  const double fx0 = (px - r - cells.xmin) / cells.dx, fx1 = (px + r - cells.xmin) / cells.dx;
  const double fy0 = (py - r - cells.ymin) / cells.dy, fy1 = (py + r - cells.ymin) / cells.dy;
  const double top = cells.nr;
  if (!(fx1 >= 0 && fx0 < top && fy1 >= 0 && fy0 < top)) return true;
  // Clamped in doubles first: a far point must not overflow the conversion.
  auto cell = [top](double f) {
    return f <= 0 ? 0 : f >= top ? static_cast<int>(top) - 1 : static_cast<int>(f);
  };
  const int i0 = cell(fx0), i1 = cell(fx1), j0 = cell(fy0), j1 = cell(fy1);
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) {
      int k = cells.lcell[static_cast<long>(j) * cells.nr + i];
      for (int steps = 0; k != 0; ++steps) {
        if (k < 0 || k > cells.n || steps >= cells.n) return false;
        visit(k);
        const int next = cells.lnext[k - 1];
        if (next == k) break;  // the last node of the cell
        if (next == 0) return false;
        k = next;
      }
    }
  return true;
}

}  // namespace shepard
