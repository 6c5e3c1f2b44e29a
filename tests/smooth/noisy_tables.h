// Dense noisy test tables for the smoothing engines: a hill on a level base with Gaussian
// noise, on scattered points over a square, a disc or a rounded square, so that the data's
// rectangle reaches beyond their hull near its corners. Every number comes from integer
// arithmetic (SplitMix64), additions, multiplications, divisions and ArithmeticExp, so the
// tables are the same to the last bit on every machine; the noise is the sum of twelve
// uniform numbers less 6 (Irwin and Hall: mean 0, standard deviation 1).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "smooth_test_support.h"

namespace smooth_test {

class TSplitMix {
 public:
  explicit TSplitMix(std::uint64_t seed) : state_(seed) {}
  // The next number in [0, 1).
  long double Next() {
    std::uint64_t v = (state_ += 0x9E3779B97F4A7C15ull);
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
    v ^= v >> 31;
    return static_cast<long double>(v >> 11) * 0x1.0p-53L;
  }
  long double Normal() {
    long double sum = 0;
    for (int i = 0; i < 12; ++i) sum += Next();
    return sum - 6;
  }

 private:
  std::uint64_t state_;
};

enum class TNoisyShape { kSquare, kDisc, kRoundedSquare };

struct TNoisyTable {
  std::string name;
  std::vector<TPoint> points;
  long double noise = 0;  // the standard deviation of the noise
  long double zMin = 0, zMax = 0;
};

// z = 12 + 45 exp(-((x - cx)^2 + (y - cy)^2) / (4 s^2)) + noise, the hill centred on the
// shape in [x0, x0 + 9 s] x [y0, y0 + 9 t] (s, t the scales of x and y), n points.
inline TNoisyTable NoisyTable(TNoisyShape shape, int n, long double noise, std::uint64_t seed,
                              long double x0 = 1, long double y0 = 1, long double sx = 1,
                              long double sy = 1) {
  TSplitMix random(seed);
  TNoisyTable t;
  t.noise = noise;
  t.name = std::string(shape == TNoisyShape::kSquare ? "square" : shape == TNoisyShape::kDisc ? "disc" : "rounded square") +
           ", " + std::to_string(n) + " points";
  while (static_cast<int>(t.points.size()) < n) {
    const long double u = random.Next(), v = random.Next();
    const long double a = 2 * u - 1, b = 2 * v - 1;
    if (shape == TNoisyShape::kDisc && a * a + b * b > 1) continue;
    if (shape == TNoisyShape::kRoundedSquare && a * a * a * a + b * b * b * b > 1) continue;
    const long double r2 = (a * a + b * b) * 20.25L;  // (4.5 a)^2 + (4.5 b)^2
    const long double z = 12 + 45 * ArithmeticExp(-r2 / 4) + noise * random.Normal();
    t.points.push_back({x0 + 9 * sx * u, y0 + 9 * sy * v, z});
  }
  t.zMin = t.zMax = t.points.front().z;
  for (const TPoint& p : t.points) {
    t.zMin = std::min(t.zMin, p.z);
    t.zMax = std::max(t.zMax, p.z);
  }
  return t;
}

}  // namespace smooth_test
