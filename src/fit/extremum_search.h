// The lowest and highest point of a surface z(x, y) inside a rectangle: Powell's
// direction-set minimisation in two dimensions, with line searches by downhill bracketing
// (golden-ratio steps with parabolic extrapolation) and Brent's method, all in long double.
// The rectangle is enforced by projecting every evaluated point onto it, so a surface whose
// extremum lies outside the rectangle is found on its edge, and a plane at a corner; each
// line search brackets and searches only the steps that stay inside the rectangle.
//
// Choices of this search:
// - convergence is relative: a pass over the directions that changes the value by no more
//   than 1e-8 of its size ends the search (an absolute test on the value would stop at once
//   on a surface whose extremum is near 0, wherever the search stood);
// - a point where the surface is undefined (the missing value, a math error, a value that is
//   not a finite number) scores worse than any defined point, so an undefined region never
//   wins; a search that ends on such a point has found nothing;
// - the bracketing stops after a bounded number of steps, and on a value that is not a
//   number, instead of looping;
// - a search that does not converge within 100 iterations, or finds nothing defined, says
//   so: its results are the missing value and the call answers false.
//
// Every search keeps its state in its own call: searches on several threads never meet.
#pragma once

#include <array>
#include <functional>

#include "app/data_statistics.h"

struct TFitSide;

using TExtremumFunction = std::function<long double(long double x, long double y)>;

// The minimum (maximum) of f over [xMin, xMax] x [yMin, yMax], starting at (x0, y0). True
// with the point and its value in x, y, z; false with all three the missing value.
bool FindFunctionMinimum(const TExtremumFunction& f, long double x0, long double y0,
                         long double xMin, long double xMax, long double yMin, long double yMax,
                         long double& x, long double& y, long double& z);
bool FindFunctionMaximum(const TExtremumFunction& f, long double x0, long double y0,
                         long double xMin, long double xMax, long double yMin, long double yMax,
                         long double& x, long double& y, long double& z);

// The lowest (highest) point of f over the box, not only the nearest dip (peak): Powell's
// search from (x0, y0), and from each of the best local extremes of f on a grid over the box
// (65 Chebyshev-Lobatto nodes a side, dense along the edges), the best of them. A search from
// one start is local: started where the data are lowest, it stops in the nearest dip, though
// the surface may fall far lower in a part of the box without data, or in a dip narrower
// than a grid cell beside an edge (a fit in 1/x near its smallest x). A search from a grid
// node takes its first steps within the node's cell. Results and answer as
// FindFunctionMinimum's.
bool FindLowestPoint(const TExtremumFunction& f, long double x0, long double y0, long double xMin,
                     long double xMax, long double yMin, long double yMax, long double& x,
                     long double& y, long double& z);
bool FindHighestPoint(const TExtremumFunction& f, long double x0, long double y0, long double xMin,
                      long double xMax, long double yMin, long double yMax, long double& x,
                      long double& y, long double& z);

// Both at once, with one sampling of the grid: the lowest point searched from (lowX, lowY),
// the highest from (highX, highY). Each point is (x, y, z), the missing value three times
// when nothing was found.
struct TSurfaceExtremes {
  bool lowFound = false, highFound = false;
  std::array<long double, 3> low{}, high{};
};
TSurfaceExtremes FindLowestAndHighest(const TExtremumFunction& f, long double lowX, long double lowY,
                                      long double highX, long double highY, long double xMin, long double xMax,
                                      long double yMin, long double yMax);

// The extreme node of a uniform grid of 33 x 33 nodes over the box (edges included) where f
// is defined. False when f is defined at no node.
bool BestGridNode(const TExtremumFunction& f, bool maximum, long double xMin, long double xMax,
                  long double yMin, long double yMax, long double& bx, long double& by);

// The lowest and highest point of a fit's surface (EvalFitZ) over the data box of `stats`,
// searched from the data's lowest and highest points and from the grid.
TSurfaceExtremes FindSurfaceExtremes(const TFitSide& fit, const TDataStats& stats);
