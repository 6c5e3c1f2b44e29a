// Node gradients of a triangulation's surface where the nodes lie on lines of points (points
// measured along profiles or tracks, far closer along a line than between lines).
//
// Renka's global estimate (renka_interpolation.h) weighs each arc of a node by the cube of its
// inverse length: the arcs along a line, a hundred times shorter than those across, outweigh
// them a million times, and the few hundred-thousandths by which a jittered line wiggles turn
// the rise along it into a slope across it (four lines 0.5 apart of points 0.005 apart, data
// 1 to 6.4 with a narrow ridge across the lines: the surface between the lines -45 .. 103).
// At such a node the gradient is instead the one of the cubic fitted in the frame of the lines
// to the node's neighbours along its own line and on the lines beside it
// (local_polynomial_fit.h, over line_neighbourhood.h's neighbourhood), which leaves out the
// terms across the lines that the lines do not determine; the global sweeps then estimate
// every other node about those gradients. Nodes whose nearest points spread across the plane,
// every node of data not laid on lines, are not touched.
#pragma once

#include <span>
#include <vector>

#include "smooth/kernels/line_neighbourhood.h"

class TLineNodeGradients {
 public:
  // Over nodes 0..n-1 of x and y (finite coordinates): which lie on lines, and their
  // neighbourhoods across the lines.
  TLineNodeGradients(std::span<const double> x, std::span<const double> y);

  // Whether any node lies on a line.
  bool Any() const { return !nodes_.empty(); }

  // gx, gy of every node on a line := the gradient of the fit across the lines to the values
  // z; held[k] says which nodes got one (a fit that determines no plane leaves its node to
  // the sweeps). Empty when no node lies on a line.
  void Estimate(std::span<const double> z, double* gx, double* gy, std::vector<char>& held) const;

 private:
  std::span<const double> x_, y_;
  std::vector<int> nodes_;               // the nodes on lines, ascending
  std::vector<TNeighbourhood> hoods_;    // their neighbourhoods across the lines
};
