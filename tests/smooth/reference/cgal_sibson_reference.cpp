// Writes tests/data/smooth/sibson_cgal.txt: Sibson's natural-neighbour interpolation by CGAL
// (libcgal-dev 5.5, natural_neighbor_coordinates_2) of z = sin(3x) cos(2y) + x y at 200
// seeded points of the unit square, on a grid well inside their hull. Four of the points lie
// on the square's sides, so that x and y have the same range: Sibson's coordinates keep
// under a similarity, not under the separate scaling of x and y that the interpolator's
// normalisation makes when the ranges differ. Not built in CI:
//   g++ -O2 -std=c++17 tests/smooth/reference/cgal_sibson_reference.cpp -o /tmp/cgal_sibson \
//       -lgmp -lmpfr && /tmp/cgal_sibson > tests/data/smooth/sibson_cgal.txt
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/natural_neighbor_coordinates_2.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

typedef CGAL::Exact_predicates_inexact_constructions_kernel K;
typedef CGAL::Delaunay_triangulation_2<K> Delaunay;
typedef K::Point_2 Point;

// SplitMix64, as in the tests' RandomPoints.
static double Next(std::uint64_t& seed) {
  std::uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) * 0x1.0p-53;
}

int main() {
  const int n = 200;
  std::uint64_t seed = 42;
  std::vector<Point> points;
  std::map<Point, double> values;
  std::printf("points %d\n", n);
  for (int i = 0; i < n; ++i) {
    static const double kSides[4][2] = {{0.0, 0.3}, {1.0, 0.7}, {0.4, 0.0}, {0.6, 1.0}};
    double x = Next(seed), y = Next(seed);
    if (i < 4) x = kSides[i][0], y = kSides[i][1];
    const double z = std::sin(3 * x) * std::cos(2 * y) + x * y;
    points.emplace_back(x, y);
    values[Point(x, y)] = z;
    std::printf("%.17g %.17g %.17g\n", x, y, z);
  }
  Delaunay dt(points.begin(), points.end());
  std::vector<std::pair<Point, double>> rows;
  for (int j = 0; j < 9; ++j)
    for (int i = 0; i < 9; ++i) {
      const Point p(0.25 + 0.5 * i / 8.0, 0.25 + 0.5 * j / 8.0);
      std::vector<std::pair<Point, K::FT>> coords;
      const auto result = CGAL::natural_neighbor_coordinates_2(dt, p, std::back_inserter(coords));
      if (!result.third) continue;
      double value = 0.0;
      for (const auto& c : coords) value += c.second * values[c.first];
      rows.emplace_back(p, value / result.second);
    }
  std::printf("grid %zu\n", rows.size());
  for (const auto& r : rows) std::printf("%.17g %.17g %.17g\n", r.first.x(), r.first.y(), r.second);
  return 0;
}
