// Dense noisy test tables for the smoothing engines: a hill on a level base with Gaussian
// noise, on scattered points over a square, a disc or a rounded square, so that the data's
// rectangle reaches beyond their hull near its corners; steps, a cliff and narrow peaks
// under noise; broad steps whose neighbours differ by several noise widths. Every number
// comes from integer arithmetic (SplitMix64), additions, multiplications, divisions and
// ArithmeticExp, so the tables are the same to the last bit on every machine; the noise is
// the sum of twelve uniform numbers less 6 (Irwin and Hall: mean 0, standard deviation 1).
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

// tanh(u) from ArithmeticExp, the same on every machine.
inline long double ArithmeticTanh(long double u) { return 1 - 2 / (ArithmeticExp(2 * u) + 1); }

// n points uniform in [x0, x0 + sx] x [y0, y0 + sy] (within the inscribed ellipse when
// `disc`), z = f(u, v) + noise N(0, 1) with u, v the points' places in [0, 1].
template <class F>
TNoisyTable NoisyShapeTable(const std::string& name, int n, long double noise, std::uint64_t seed, F f,
                            long double x0 = 0, long double sx = 1, long double y0 = 0, long double sy = 1,
                            bool disc = false) {
  TSplitMix random(seed);
  TNoisyTable t;
  t.name = name;
  t.noise = noise;
  while (static_cast<int>(t.points.size()) < n) {
    const long double u = random.Next(), v = random.Next();
    if (disc && (2 * u - 1) * (2 * u - 1) + (2 * v - 1) * (2 * v - 1) > 1) continue;
    const long double z = f(u, v) + noise * random.Normal();
    t.points.push_back({x0 + sx * u, y0 + sy * v, z});
  }
  t.zMin = t.zMax = t.points.front().z;
  for (const TPoint& p : t.points) {
    t.zMin = std::min(t.zMin, p.z);
    t.zMax = std::max(t.zMax, p.z);
  }
  return t;
}

// Dense noisy tables whose noise is crossed by steep parts: steps (tanh) across x and across
// the diagonal, one far from the origin and one on a disc, a cliff, narrow peaks. The step of
// 1000 points with seed 15 is the one on which Preusser's C2 surface rose to 1.81 inside the
// data, 39 noise widths above every point (the data reach 1.04).
inline std::vector<TNoisyTable> SteepNoisyTables() {
  auto step = [](long double x, long double) { return ArithmeticTanh(10 * (x - 0.5L)); };
  auto peak = [](long double x, long double y, long double cx, long double cy, long double w) {
    return ArithmeticExp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / w);
  };
  return {
      NoisyShapeTable("step, 1000 points", 1000, 0.02L, 15, step),
      NoisyShapeTable("step, 500 points", 500, 0.02L, 18, step),
      NoisyShapeTable("sharp step", 2000, 0.02L, 10, [](long double x, long double) { return ArithmeticTanh(30 * (x - 0.5L)); }),
      NoisyShapeTable("diagonal step", 1500, 0.05L, 11,
                      [](long double x, long double y) { return 2 * ArithmeticTanh(8 * (x + y - 1)); }),
      NoisyShapeTable("step far from the origin", 1000, 0.02L, 12, step, 40000, 10, -7000, 0.01L),
      NoisyShapeTable("step on a disc", 1500, 0.02L, 16, step, 0, 1, 0, 1, true),
      NoisyShapeTable("cliff", 1500, 0.02L, 14, [](long double x, long double) { return x < 0.5L ? 0.0L : 1.0L; }),
      NoisyShapeTable("narrow peaks", 2000, 0.02L, 13,
                      [peak](long double x, long double y) {
                        return peak(x, y, 0.3L, 0.6L, 0.01L) + 0.7L * peak(x, y, 0.7L, 0.3L, 0.004L) -
                               0.5L * peak(x, y, 0.6L, 0.8L, 0.02L);
                      }),
      NoisyShapeTable("one narrow peak", 1200, 0.05L, 19,
                      [peak](long double x, long double y) { return 3 * peak(x, y, 0.5L, 0.5L, 0.003L); }),
  };
}

// Diagonal steps 2 tanh(k (x + y - 2 c)) under noise 0.02, broad enough that neighbouring
// points across them differ by 6 to 10 noise widths: the data count as smooth, their
// allowance 6 to 10 noise widths, and every method's surface ran that far past the plateaus
// at their ends (up to 13 noise widths beyond the data's range). The last lies on a long
// narrow rectangle far from the origin (20 by 0.05).
inline std::vector<TNoisyTable> BroadStepTables() {
  auto step = [](long double k, long double c, long double a) {
    return [k, c, a](long double x, long double y) { return a * ArithmeticTanh(k * (x + y - 2 * c)); };
  };
  return {
      NoisyShapeTable("broad diagonal step", 1347, 0.02L, 122, step(9.8L, 0.508L, 2)),
      NoisyShapeTable("diagonal step by a corner", 1819, 0.02L, 116, step(26.3L, 0.3336L, 2)),
      NoisyShapeTable("diagonal step on a narrow rectangle", 1488, 0.01L, 329, step(36.6L, 0.428L, 2.57L), 1e5L, 20,
                      -3e3L, 0.05L),
  };
}

}  // namespace smooth_test
