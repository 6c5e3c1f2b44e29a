#include "smooth/numlib/line_node_gradients.h"

#include <algorithm>

#include "smooth/kernels/nearest_points.h"
#include "smooth/numlib/local_polynomial_fit.h"

namespace {

// A cubic along the lines, as the interpolant over the triangles is, and what the lines
// beside the node determine across them: the neighbourhood of the library's Akima surface.
constexpr int kNeighbours = 14;
constexpr int kDegree = 3;

}  // namespace

TLineNodeGradients::TLineNodeGradients(std::span<const double> x, std::span<const double> y) : x_(x), y_(y) {
  const int n = static_cast<int>(std::min(x.size(), y.size()));
  if (n <= kNeighbours) return;
  const TNearestPoints nearest(x, y);
  TNeighbourhood hood;
  for (int k = 0; k < n; ++k) {
    const auto s = static_cast<std::size_t>(k);
    // Most nodes of data not on lines are told from their few nearest.
    if (!NearestFewLieAlongLine(nearest, x[s], y[s], k)) continue;
    SpanningNearest(nearest, x[s], y[s], kNeighbours, k, hood);
    if (!hood.acrossLines) continue;
    nodes_.push_back(k);
    hoods_.push_back(hood);
  }
}

void TLineNodeGradients::Estimate(std::span<const double> z, double* gx, double* gy,
                                  std::vector<char>& held) const {
  held.clear();
  if (nodes_.empty()) return;
  held.assign(std::min(x_.size(), y_.size()), 0);
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    const int k = nodes_[i];
    TLocalFit fit;
    if (!LocalPolynomialFit(x_, y_, z, k, hoods_[i], kDegree, fit)) continue;
    const auto s = static_cast<std::size_t>(k);
    gx[s] = fit.d[1][0];
    gy[s] = fit.d[0][1];
    held[s] = 1;
  }
}
