// Stepped ranges of decimals as a user types them, with their value counts by exact decimal
// arithmetic: for every loop of the program that steps from a start to an end (SUM, PROD,
// Generate Table's grids, the export grids).
//
// The ends lie a whole number k of steps from the start, or a real fraction of a step off
// it: short or past by a thousandth, a millionth, a billionth or a trillionth of a step. A
// range counts k + 1 values when its end is on or past the k-th step, k when it is short of
// it. An end off by less than 1e-13 of the range's numbers is no decimal a user can tell from
// a whole count (its typed digits may round to it), and is left out of the grid.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace decimal_ranges {

// A decimal held exactly in units of 1e-18.
using Decimal = __int128;
inline constexpr Decimal kUnit = 1'000'000'000'000'000'000;

inline std::string Text(Decimal v) {
  const bool negative = v < 0;
  if (negative) v = -v;
  const auto whole = static_cast<unsigned long long>(v / kUnit);
  const auto fraction = static_cast<unsigned long long>(v % kUnit);
  char text[64];
  std::snprintf(text, sizeof text, "%s%llu.%018llu", negative ? "-" : "", whole, fraction);
  return text;
}

// A decimal of at most six places.
inline Decimal Parse(const char* text) {
  return static_cast<Decimal>(std::llround(std::strtold(text, nullptr) * 1e6L)) * 1'000'000'000'000;
}

struct TRange {
  std::string start, step, end;  // the step negative when counting down
  Decimal startValue, stepValue;
  long long count;     // values from start toward end, none past it
  bool endsOnEnd;      // the end is the k-th step itself
};

struct TGrid {
  std::vector<const char*> starts, steps;
  std::vector<long long> wholes;
  std::vector<long long> offsets;  // of the end, in 1e-12 of a step
};

// The full grid: 9 starts, 12 steps, 8 whole counts up to 4999, 8 offsets, both directions.
inline TGrid FullGrid() {
  return {{"0", "0.1", "1", "-1", "0.5", "2.7", "-3.3", "10", "123.456"},
          {"0.001", "0.01", "0.1", "0.2", "0.3", "0.7", "1", "0.05", "0.125", "0.0001", "2.5", "0.003"},
          {1, 3, 10, 99, 100, 999, 1000, 4999},
          {0, -1'000'000'000, -1'000'000, -1'000, -1, 1'000'000, 1'000, 1}};
}

// The ranges of a grid; `left` counts those left out as indistinguishable from whole.
inline std::vector<TRange> Ranges(const TGrid& grid, int& left) {
  std::vector<TRange> out;
  left = 0;
  for (const char* st : grid.starts) {
    for (const char* sp : grid.steps) {
      for (const long long k : grid.wholes) {
        for (const long long offset : grid.offsets) {
          for (const int direction : {1, -1}) {
            const Decimal start = Parse(st);
            const Decimal step = direction * Parse(sp);
            const Decimal off = step * offset / 1'000'000'000'000;
            const Decimal end = start + k * step + off;
            const Decimal magnitude = (start < 0 ? -start : start) + (end < 0 ? -end : end);
            if (offset != 0 && (off < 0 ? -off : off) * 10'000'000'000'000 < magnitude) {
              ++left;
              continue;
            }
            out.push_back({st, Text(step), Text(end), start, step, offset >= 0 ? k + 1 : k, offset == 0});
          }
        }
      }
    }
  }
  return out;
}

// The sum of the values start + i step, i < count, exactly, in units of 1e-18.
inline Decimal SumOfValues(const TRange& r) {
  return r.count * r.startValue + r.stepValue * r.count * (r.count - 1) / 2;
}

inline double Approx(Decimal v) { return static_cast<double>(v) / 1e18; }

}  // namespace decimal_ranges
