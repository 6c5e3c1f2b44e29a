// The points of the scattered-data benchmarks: uniform in the unit square from SplitMix64
// with seed 16384, x then y for each point (bench/scipy_reference.py makes the same ones).
#pragma once

#include <cstdint>

class TSplitMixPoints {
 public:
  // The next coordinate in [0, 1).
  double Next() {
    std::uint64_t v = (seed_ += 0x9E3779B97F4A7C15ull);
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
    v ^= v >> 31;
    return static_cast<double>(v >> 11) * 0x1.0p-53;
  }

 private:
  std::uint64_t seed_ = 16384;
};
