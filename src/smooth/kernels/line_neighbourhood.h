// Neighbourhoods that reach across lines of points: the commonest layout of field data is
// points measured along lines (profiles, tracks), far closer along a line than between lines.
// The nearest points of such a point all lie on its own line, and a local fit over them knows
// nothing across the line but the line's wiggle: divided by it, a rise along the line became
// a slope across it of thousands of times the data's size (11 lines of 401 points, data 1 to
// 6.15, gave Akima's surface -6,541 .. 7,126 between the lines).
//
// SpanningNearest takes the k nearest points when they spread across the plane, which is
// every point of data that is not laid on lines: the neighbourhood is then the one it always
// was. When they lie along a line (their smaller spread below a tenth of their larger), the
// distance along the line is stretched by the ratio of the spacing of the lines to the spacing
// along them, so that the lines look like the rows of an even grid, and the k nearest in that
// distance are taken: points of the line about the point and of the lines on either side.
// A point whose nearest lie along a line with no other point beside it keeps them.
#pragma once

#include <span>
#include <utility>
#include <vector>

class TNearestPoints;

struct TNeighbourhood {
  std::vector<int> ids;        // nearest first (in the stretched distance across lines)
  bool acrossLines = false;    // the nearest lay along a line and the lines were stretched
  double ex = 1, ey = 0;       // the direction of the line
  double stretch = 1;          // how much the distance along it was stretched
  // The offset (dx, dy) in the frame of the lines: along the line (stretched), across it.
  double Along(double dx, double dy) const { return stretch * (ex * dx + ey * dy); }
  double Across(double dx, double dy) const { return ey * dx - ex * dy; }
};

// The neighbourhood of k points of `index` about (px, py), point `skip` left out (none when it
// names no point). Where the nearest do not lie along a line, `ids` are the k nearest as
// TNearestPoints::NearestTo gives them.
// Whether the points at these offsets from a centre (in any order; the nearest dozen are
// looked at) lie along a line through it, as SpanningNearest tells it.
bool NearestLieAlongLine(std::span<const std::pair<double, double>> offsets);

// Whether the nearest few points to (px, py), point `skip` left out, lie along a line through
// it: the first thing SpanningNearest asks, which data not on lines seldom pass; a search of
// a few points where its own looks at a dozen.
bool NearestFewLieAlongLine(const TNearestPoints& index, double px, double py, int skip);

// `nearest`, when given, holds the caller's own nearest points in order of distance (at
// least max(k, 12) of them, or all), which then spare the search.
void SpanningNearest(const TNearestPoints& index, double px, double py, int k, int skip,
                     TNeighbourhood& out, std::span<const int> nearest = {});
