// The hunt for listed fits whose surface has a pole, or no value, over the data rectangle: the
// tables it fits (scattered and gridded, small and large, across x = 0 and x = 1, near 0 and
// far from it, with z of one sign and of both, and tables drawn at random), two user
// functions that can place a pole among the points, and a dense scan of a fitted surface that
// shares nothing with the program's own checks: a fine grid over the rectangle, its four edges
// densely, a bisection of every sign change about the data's middle z that jumps by more than
// the data's range between neighbours, a climb of |z| from the largest samples, and for a fit
// of 1/Z its linear part f(x) + g(y) along each axis, sampled finely and refined about its
// extremes. Used by the hunt test and by bench_pole_hunt.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/udf_record.h"
#include "fit/candidate_terms.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_list.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/fit_side.h"
#include "fit/session.h"
#include "hill_tables.h"

namespace pole_hunt {

using Surface = std::function<long double(long double, long double)>;

struct TRandom {
  std::uint64_t state;
  long double Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  }
};

struct THuntTable {
  std::string name;
  PointTable points;
  bool userFunctions = false;
};

inline PointTable Scattered(int n, long double x0, long double x1, long double y0, long double y1, const Surface& f,
                     long double noise, std::uint64_t seed) {
  TRandom r{seed};
  PointTable t = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = x0 + (x1 - x0) * r.Next();
    p.Y = y0 + (y1 - y0) * r.Next();
    p.Z = f(p.X, p.Y) + noise * (r.Next() - 0.5L);
    p.W = 1;
    p.Status = kPointActive;
  }
  return t;
}

inline PointTable Gridded(int nx, int ny, long double x0, long double x1, long double y0, long double y1, const Surface& f,
                   long double noise, std::uint64_t seed) {
  TRandom r{seed};
  PointTable t = NewPointTable(nx * ny);
  int i = 1;
  for (int a = 0; a < nx; ++a)
    for (int b = 0; b < ny; ++b, ++i) {
      TXYZPoint& p = t[static_cast<std::size_t>(i)];
      p.X = x0 + (x1 - x0) * a / (nx - 1);
      p.Y = y0 + (y1 - y0) * b / (ny - 1);
      p.Z = f(p.X, p.Y) + noise * (r.Next() - 0.5L);
      p.W = 1;
      p.Status = kPointActive;
    }
  return t;
}

// Two clusters with a wide gap between them in x.
inline PointTable Clusters(int n, const Surface& f, std::uint64_t seed) {
  TRandom r{seed};
  PointTable t = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = (i % 2 ? 0.2L : 3.0L) + r.Next();
    p.Y = 0.5L + 3 * r.Next();
    p.Z = f(p.X, p.Y) + 0.02L * (r.Next() - 0.5L);
    p.W = 1;
    p.Status = kPointActive;
  }
  return t;
}

inline std::vector<THuntTable> HuntTables(int randomTables) {
  std::vector<THuntTable> t;
  const auto add = [&t](std::string name, PointTable p, bool udf = false) { t.push_back({std::move(name), std::move(p), udf}); };
  add("twelve hill points", hill_tables::TwelvePoints(), true);
  add("fifteen points", hill_tables::FifteenPoints());
  add("30x30 peak grid over [-3,3]^2", Gridded(30, 30, -3, 3, -3, 3, [](long double x, long double y) {
        return 1 + 4 * std::exp(-0.5L * ((x - 0.3L) * (x - 0.3L) + (y + 0.2L) * (y + 0.2L))) + 0.05L * x;
      }, 0, 1));
  add("200 scattered rational ripple", Scattered(200, 1, 10, 1, 5, [](long double x, long double y) {
        return (2 + x + y * y) / (1 + 0.2L * x) + 0.1L * std::sin(3 * x);
      }, 0.01L, 12345));
  add("8x8 grid 1/(x+y)", Gridded(8, 8, 0.1L, 2, 0.1L, 2, [](long double x, long double y) { return 1 / (x + y); }, 0.001L, 2));
  add("40 scattered 1/(1+xy)", Scattered(40, 0.5L, 3, 0.5L, 3, [](long double x, long double y) { return 1 / (1 + x * y); }, 0.01L, 3), true);
  add("25 plane across x=0", Scattered(25, -1, 2, 0.5L, 3, [](long double x, long double y) { return 2 + x - 0.5L * y; }, 0.2L, 4));
  add("7x7 grid xy both signs", Gridded(7, 7, -2, 2, -2, 2, [](long double x, long double y) { return x * y + 0.3L * x; }, 0.05L, 5));
  add("20 scattered sin cos", Scattered(20, 0.2L, 4, 0.2L, 4, [](long double x, long double y) { return std::sin(x) * std::cos(y); }, 0.02L, 6), true);
  add("10 points", Scattered(10, 1, 3, 1, 3, [](long double x, long double y) { return x + y * y; }, 0.1L, 7));
  add("6 points", Scattered(6, 1, 3, 1, 3, [](long double x, long double y) { return 1 + x * y; }, 0.1L, 8));
  add("1000 scattered sqrt+log", Scattered(1000, 0.01L, 10, 0, 10, [](long double x, long double y) {
        return std::sqrt(x) + std::log(1 + y);
      }, 0.05L, 9));
  add("60 across x=1 and y=1", Scattered(60, 0.5L, 1.5L, 0.5L, 1.5L, [](long double x, long double y) {
        return x * std::log(x) + y;
      }, 0.01L, 10));
  add("small z near 0.01", Scattered(30, 1, 5, 1, 5, [](long double x, long double) { return 0.01L + 0.001L * x; }, 0.0005L, 11));
  add("15x15 Gaussian peak", Gridded(15, 15, 0, 10, 0, 10, [](long double x, long double y) {
        return 1 + 5 * std::exp(-((x - 4) * (x - 4) + (y - 6) * (y - 6)) / 4);
      }, 0.02L, 12));
  add("12x12 sigmoid step", Gridded(12, 12, -5, 5, -5, 5, [](long double x, long double y) {
        return 1 + 3 / (1 + std::exp(-(x + 0.5L * y)));
      }, 0.02L, 13));
  add("50 power law", Scattered(50, 0.1L, 5, 0.2L, 5, [](long double x, long double y) {
        return 3 * std::pow(x, 0.7L) * std::pow(y, -0.4L);
      }, 0.02L, 14), true);
  add("9x9 exponential decay", Gridded(9, 9, 0, 8, 0, 8, [](long double x, long double y) {
        return 5 * std::exp(-x / 2) + std::exp(-y / 3);
      }, 0.01L, 15));
  add("40 z from 1 to 100", Scattered(40, 0, 2, 0, 2, [](long double x, long double y) {
        return std::pow(10.0L, x) * (1 + 0.2L * y);
      }, 0.3L, 16));
  add("offset x 100..110", Scattered(50, 100, 110, 50, 60, [](long double x, long double y) {
        return (x - 105) * (x - 105) + y;
      }, 0.1L, 17));
  add("years by months", Gridded(31, 12, 1990, 2020, 1, 12, [](long double x, long double y) {
        return 100 + 2 * (x - 1990) + 10 * std::sin(y / 2);
      }, 0.5L, 18));
  add("negative z", Scattered(30, 1, 4, 1, 4, [](long double x, long double y) { return -(1 + x + y); }, 0.05L, 19));
  add("steep 1/(x-0.9)", Scattered(30, 1, 3, 0.5L, 2, [](long double x, long double y) { return 1 / (x - 0.9L) + y; }, 0.01L, 20), true);
  add("two clusters in x", Clusters(30, [](long double x, long double y) { return 1 + 0.5L * x + 0.2L * y; }, 21));
  add("50 scattered exp", Scattered(50, 0, 4, 0, 4, [](long double x, long double y) { return std::exp(0.5L * x - 0.3L * y); }, 0.01L, 22));
  add("cubic across x=0", Scattered(40, -5, 5, 1, 3, [](long double x, long double y) { return x * x * x - 4 * x + y; }, 0.5L, 23));
  add("4x5 tiny grid", Gridded(4, 5, 1, 4, 1, 5, [](long double x, long double y) { return 2 + x / y; }, 0.01L, 24));
  add("outliers", Scattered(30, 0, 3, 0, 3, [](long double x, long double y) {
        return 1 + x + y + (std::fmod(x * 37, 1.0L) < 0.1L ? 5 : 0);
      }, 0.05L, 25));
  add("2 clusters in y, 1/z friendly", Scattered(24, 0.3L, 3, 0.3L, 3, [](long double x, long double y) {
        return 1 / (0.2L + x * y);
      }, 0.005L, 26), true);
  add("near-zero positive z with x across 0", Scattered(36, -2, 2, 0.5L, 2, [](long double x, long double y) {
        return 0.05L + 0.2L * (x + 2) * y;
      }, 0.01L, 27));
  add("map coordinates", Scattered(120, 500000, 502000, 5400000, 5402500, [](long double x, long double y) {
        return 20 + 15 * std::exp(-((x - 501000) * (x - 501000) + (y - 5401200) * (y - 5401200)) / 4e5L);
      }, 0.2L, 28));
  add("x near 1e6", Scattered(60, 1e6L, 1e6L + 50, 1, 4, [](long double x, long double y) {
        return 3 + 0.02L * (x - 1e6L) + 0.5L * y;
      }, 0.01L, 29));
  // Tables drawn at random from sizes, layouts, ranges (across 0 and 1, near 0, far from it)
  // and surfaces (positive, near 0, of both signs).
  TRandom r{20261208};
  const auto pick = [&r](int n) { return std::min(n - 1, static_cast<int>(r.Next() * n)); };
  constexpr int kSizes[] = {5, 7, 9, 12, 16, 25, 40, 80, 150, 400};
  constexpr long double kRanges[][2] = {{0.01L, 1},  {0.1L, 5}, {-1, 1},     {-3, 0.5L}, {0.5L, 1.5L},
                                        {1, 10},     {0, 4},    {100, 200},  {0.002L, 0.3L}, {2, 3}};
  const Surface kSurfaces[] = {
      [](long double x, long double y) { return 1 + 0.5L * x - 0.3L * y; },
      [](long double x, long double y) { return 2 + std::exp(-(x * x + y * y) / 4); },
      [](long double x, long double y) { return 1 / (1.5L + std::fabs(x) + std::fabs(y)); },
      [](long double x, long double y) { return std::exp(0.3L * std::sin(x) + 0.2L * y / (1 + std::fabs(y))); },
      [](long double x, long double y) { return std::sin(2 * x) + std::cos(y); },
      [](long double x, long double y) { return (1 + x * x) / (2 + y * y); },
      [](long double x, long double y) { return x > 0.3L ? 3 + 0.1L * y : 1 + 0.1L * y; },
      [](long double x, long double y) { return 0.02L + 0.01L * std::fabs(x - y); },
      [](long double x, long double y) { return 5 + x * y - x * x; },
      [](long double x, long double y) { return 1 / (0.05L + std::fabs(x)) + y; },
  };
  constexpr long double kNoise[] = {0, 0.001L, 0.02L, 0.2L};
  for (int k = 0; k < randomTables; ++k) {
    const int n = kSizes[pick(10)];
    const auto& rx = kRanges[pick(10)];
    const auto& ry = kRanges[pick(10)];
    const int surface = pick(10);
    const long double noise = kNoise[pick(4)];
    const bool grid = r.Next() < 0.3L;
    const Surface& f = kSurfaces[surface];
    const long double cx = (rx[0] + rx[1]) / 2, cy = (ry[0] + ry[1]) / 2;
    const long double hx = (rx[1] - rx[0]) / 2, hy = (ry[1] - ry[0]) / 2;
    // The surfaces are drawn over [-2, 2]^2 of the scaled coordinates, scaled by the range's size.
    const Surface g = [&f, cx, cy, hx, hy, rx](long double x, long double y) {
      return f(rx[0] >= 0 && rx[1] <= 10 ? x : 2 * (x - cx) / hx, 2 * (y - cy) / hy);
    };
    const std::uint64_t seed = 1000 + static_cast<std::uint64_t>(k);
    const int side = std::max(2, static_cast<int>(std::lround(std::sqrt(static_cast<double>(n)))));
    PointTable points = grid ? Gridded(side, std::max(2, n / side), rx[0], rx[1], ry[0], ry[1], g, noise, seed)
                             : Scattered(n, rx[0], rx[1], ry[0], ry[1], g, noise, seed);
    add("random " + std::to_string(k) + (grid ? " grid" : " scattered") + " surface " + std::to_string(surface) +
            " noise " + std::to_string(static_cast<double>(noise)),
        std::move(points), k % 5 == 0);
  }
  return t;
}

// The family of an equation number, for the counts.
inline std::string FamilyOf(const TFitResult& f) {
  const int e = f.equationNumber;
  if (e <= 225) return "polynomial";
  if (e < 400) return "full polynomial";
  if (e < 500) return "Chebyshev polynomial";
  if (e < 530) return "Fourier";
  if (e < 600) return "cosine";
  if (e < 1000) return e < 620 ? "sigmoid series" : "beta";
  if (e < 1300) return "rational";
  if (e < 1400) return "full rational";
  if (e < 2000) return "Chebyshev rational";
  if (e < 2073) return "peak";
  if (e < 2145) return "transition";
  if (e < 2157) return "exponential";
  if (e < 2169) return "power";
  if (e < 2500) return "plane";
  if (e < 3000) return "user function";
  static const char* const kVariants[] = {"subset z", "subset ln z", "subset 1/z"};
  const int v = f.terms.empty() ? -1 : f.terms[0];
  return v >= 0 && v < 3 ? kVariants[v] : "subset ?";
}

// What the scan of one surface found.
struct TScan {
  long double worst = 0;  // the largest |z - middle| found, in data z ranges
  long double x = 0, y = 0, z = 0;  // where
  bool undefined = false;  // no value at some sample
  long double ux = 0, uy = 0;  // the first such sample
  bool separableZero = false;  // a 1/Z fit whose linear part vanishes over the rectangle
  long double sLow = 0, sHigh = 0;
  // A pole: the surface leaves the data's z range by three orders of magnitude, or a 1/Z
  // fit's linear part comes to 0.
  bool Pole() const { return worst > 1e3L || separableZero; }
};

// How finely a surface is scanned: nodes of the grid a side, samples along each edge, and
// samples along each axis of a 1/Z fit's linear part.
struct TScanDensity {
  int grid = 121, edge = 2001, axis = 20001;
};

// The scan of a surface over the data rectangle.
class TScanner {
 public:
  TScanner(const TFitSide& fit, const TDataStats& st, TScanDensity density = {})
      : fit_(fit), x0_(st.X.Min), x1_(st.X.Max), y0_(st.Y.Min), y1_(st.Y.Max),
        centre_((st.Z.Min + st.Z.Max) / 2), range_(st.Z.Max > st.Z.Min ? st.Z.Max - st.Z.Min : 1),
        grid_(density.grid), edge_(density.edge), axis_(density.axis) {}

  TScan Run() {
    std::vector<long double> grid(grid_ * grid_);
    std::vector<std::uint8_t> ok(grid_ * grid_);
    for (int i = 0; i < grid_; ++i)
      for (int j = 0; j < grid_; ++j) {
        long double z = 0;
        ok[i * grid_ + j] = Sample(Along(x0_, x1_, i, grid_), Along(y0_, y1_, j, grid_), z);
        grid[i * grid_ + j] = z;
      }
    for (int i = 0; i < edge_; ++i) {
      long double z;
      const long double x = Along(x0_, x1_, i, edge_), y = Along(y0_, y1_, i, edge_);
      Sample(x, y0_, z), Sample(x, y1_, z), Sample(x0_, y, z), Sample(x1_, y, z);
    }
    // Jumps of sign between neighbours larger than the data's range: bisected.
    for (int i = 0; i < grid_; ++i)
      for (int j = 0; j < grid_; ++j) {
        const int a = i * grid_ + j;
        if (!ok[a]) continue;
        if (i + 1 < grid_ && ok[a + grid_]) Bisect(i, j, i + 1, j, grid[a], grid[a + grid_], grid_);
        if (j + 1 < grid_ && ok[a + 1]) Bisect(i, j, i, j + 1, grid[a], grid[a + 1], grid_);
      }
    // Climbs of |z - centre| from the four largest samples of the grid.
    std::vector<int> order(grid.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
    std::partial_sort(order.begin(), order.begin() + 4, order.end(), [&](int a, int b) {
      const long double da = ok[a] ? std::fabs(grid[a] - centre_) : -1, db = ok[b] ? std::fabs(grid[b] - centre_) : -1;
      return da > db;
    });
    for (int k = 0; k < 4; ++k) Climb(Along(x0_, x1_, order[k] / grid_, grid_), Along(y0_, y1_, order[k] % grid_, grid_));
    if (fit_.eqn.kind == 4 && fit_.eqn.terms[0] == 2) SeparableZero();
    return scan_;
  }
  // A fit of 1/z is 1/s with s = f(x) + g(y): its range over the rectangle is the sum of
  // the ranges of f and g, each sampled finely along its axis and refined about its least
  // and largest samples.
  void SeparableZero() {
    const TFitEqn& e = fit_.eqn;
    const auto part = [&](long double v, bool yAxis) {
      ExprContext& ctx = ExprThreadContext();
      long double s = yAxis ? 0 : e.parameters[0];
      for (int i = 1; i <= e.m; ++i) {
        const int t = e.terms[static_cast<std::size_t>(i)];
        if ((t >= 21) != yAxis) continue;
        s += e.parameters[static_cast<std::size_t>(i)] * TermValue(ctx, yAxis ? 1 : v, yAxis ? v : 1, t, fit_.scales);
      }
      ctx.ExprMathError = 0;
      return s;
    };
    struct TEnd {
      long double v, at;
    };
    const auto extreme = [&](long double lo, long double hi, bool yAxis, int sign) {
      const int nodes = axis_;
      TEnd best{sign * part(lo, yAxis), lo};
      int bestK = 0;
      for (int k = 1; k < nodes; ++k) {
        const long double v = Along(lo, hi, k, nodes), s = sign * part(v, yAxis);
        if (s < best.v) best = {s, v}, bestK = k;
      }
      long double a = Along(lo, hi, std::max(0, bestK - 1), nodes), b = Along(lo, hi, std::min(nodes - 1, bestK + 1), nodes);
      for (int k = 0; k < 200 && b - a > 1e-18L * (hi - lo); ++k) {  // golden-section about the least sample
        const long double c = a + (b - a) * 0.381966L, d = b - (b - a) * 0.381966L;
        if (sign * part(c, yAxis) < sign * part(d, yAxis)) b = d;
        else a = c;
      }
      const long double s = sign * part((a + b) / 2, yAxis);
      if (s < best.v) best = {s, (a + b) / 2};
      return TEnd{sign * best.v, best.at};
    };
    const TEnd fLow = extreme(x0_, x1_, false, 1), fHigh = extreme(x0_, x1_, false, -1);
    const TEnd gLow = extreme(y0_, y1_, true, 1), gHigh = extreme(y0_, y1_, true, -1);
    const long double low = fLow.v + gLow.v, high = fHigh.v + gHigh.v;
    if (low <= 0 && high >= 0) {
      // s vanishes: z there is as large as rounding allows.
      long double z = 0;
      const long double x = low > -high ? fLow.at : fHigh.at, y = low > -high ? gLow.at : gHigh.at;
      Sample(x, y, z);
      scan_.separableZero = true;
      scan_.sLow = low, scan_.sHigh = high;
    }
  }

 private:
  static long double Along(long double lo, long double hi, int i, int n) {
    return i == n - 1 ? hi : lo + (hi - lo) * i / (n - 1);
  }
  bool Sample(long double x, long double y, long double& z) {
    ExprContext& ctx = ExprThreadContext();
    ctx.ExprMathError = 0;
    z = EvalFitZ(fit_, x, y);
    if (ctx.ExprMathError != 0 || !IsUsableValue(z)) {
      if (!scan_.undefined) scan_.ux = x, scan_.uy = y;
      scan_.undefined = true;
      ctx.ExprMathError = 0;
      return false;
    }
    const long double d = std::fabs(z - centre_) / range_;
    if (d > scan_.worst) scan_.worst = d, scan_.x = x, scan_.y = y, scan_.z = z;
    return true;
  }
  void Bisect(int i0, int j0, int i1, int j1, long double z0, long double z1, int n) {
    if (!((z0 - centre_) * (z1 - centre_) < 0) || std::fabs(z1 - z0) < 2 * range_) return;
    long double xa = Along(x0_, x1_, i0, n), ya = Along(y0_, y1_, j0, n);
    long double xb = Along(x0_, x1_, i1, n), yb = Along(y0_, y1_, j1, n);
    long double za = z0;
    for (int k = 0; k < 80; ++k) {
      const long double xm = (xa + xb) / 2, ym = (ya + yb) / 2;
      if ((xm == xa || xm == xb) && (ym == ya || ym == yb)) break;
      long double zm = 0;
      if (!Sample(xm, ym, zm)) return;
      if ((zm - centre_) * (za - centre_) > 0) xa = xm, ya = ym, za = zm;
      else xb = xm, yb = ym;
    }
  }
  void Climb(long double x, long double y) {
    long double z = 0;
    if (!Sample(x, y, z)) return;
    long double score = std::fabs(z - centre_);
    long double hx = (x1_ - x0_) / 120, hy = (y1_ - y0_) / 120;
    constexpr int kMoves[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    for (int steps = 0; steps < 4000 && (hx > 1e-15L * (x1_ - x0_) || hy > 1e-15L * (y1_ - y0_)); ++steps) {
      bool moved = false;
      for (const auto& m : kMoves) {
        const long double nx = std::clamp(x + m[0] * hx, x0_, x1_), ny = std::clamp(y + m[1] * hy, y0_, y1_);
        long double nz = 0;
        if (Sample(nx, ny, nz) && std::fabs(nz - centre_) > score) {
          x = nx, y = ny, score = std::fabs(nz - centre_);
          moved = true;
          break;
        }
      }
      if (!moved) hx /= 2, hy /= 2;
    }
  }

  const TFitSide& fit_;
  long double x0_, x1_, y0_, y1_, centre_, range_;
  const int grid_, edge_, axis_;
  TScan scan_;
};

// Two user functions, each with a pole that may move into the rectangle, as functions 1 and 2
// (equations 2501 and 2502); false when one cannot be defined.
inline bool DefineUserFunctions() {
  struct {
    const char* text;
    std::vector<long double> start;
  } const kFunctions[] = {{"Z=A0/(X-A1)+A2*Y", {1, -1, 1}}, {"Z=(A0+A1*X)/(1+A2*Y+A3*X)", {1, 1, 0, 0}}};
  int k = 0;
  for (const auto& f : kFunctions) {
    if (AllocUdf(k) != 1) return false;
    TUdfRecord& r = *BoundUdfTable()[static_cast<std::size_t>(k)];
    const std::string text = std::string(f.text) + "\r\n";
    std::copy(text.begin(), text.end(), r.Text.begin());
    r.LineCount = 1;
    r.ParamCount = static_cast<std::int16_t>(f.start.size());
    for (std::size_t i = 0; i < f.start.size(); ++i) {
      r.Start[i] = f.start[i];
      r.Lower[i] = r.Upper[i] = ExprErrorValue;
    }
    ExprThreadContext().CurrentUdf = k;
    const bool compiled = UdfLoad(k) == 1;
    ExprThreadContext().CurrentUdf = 0;
    if (!compiled) return false;
    ++k;
  }
  return true;
}

// Fits the table as `selection` and `options` ask, with the hunt's user functions when the
// table takes them (else none), and publishes the list into `session`; the run's result, or
// -3 when the functions cannot be defined.
inline int FitHuntTable(TSession& session, const THuntTable& table, const TFitSelection& selection,
                        const TFitOptions& options) {
  FreeAllUdfs();
  if (table.userFunctions && !DefineUserFunctions()) return -3;
  PointTable points = table.points;
  ComputeTableStatistics(points, session.DataStats);
  session.DataStats.DistinctY = CountTableDistinctY(points);
  session.DataStats.DistinctX = CountTableDistinctX(points);
  if (!session.Table.ReplaceDataTable(points)) return -2;
  session.Table.SetXYZRows(static_cast<int>(points.size()) - 1);
  TFitRunOutcome outcome;
  TFitRunContext ctx(points, session.DataStats, selection, options, outcome.list);
  if (table.userFunctions) ctx.udfs = &BoundUdfTable();
  CountFitRun(ctx);
  const int fitted = RunFitFamilies(ctx);
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
  return fitted;
}

}  // namespace pole_hunt
