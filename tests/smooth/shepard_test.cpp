// The modified Shepard routines: reproduction of the polynomials their nodal functions
// hold (quadratics, cubics), interpolation of every node, derivatives against differences
// of the values, the limits of their arguments and hostile work arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "smooth/numlib/shepard.h"

namespace {

// Seeded points in the unit square.
struct TNodes {
  std::vector<double> x, y, f;
};

TNodes Scatter(int n, std::uint64_t seed, const std::function<double(double, double)>& fn) {
  TNodes t;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(seed >> 11) * 0x1.0p-53;
  };
  for (int i = 0; i < n; ++i) {
    const double x = next(), y = next();
    t.x.push_back(x);
    t.y.push_back(y);
    t.f.push_back(fn(x, y));
  }
  return t;
}

enum class TKind { kQuadratic, kCubic, kCosine };

// One set-up of a family with its work arrays, and its evaluators.
struct TShepard {
  TKind kind;
  TNodes nodes;
  int nr = 0;
  std::vector<int> lcell, lnext;
  double xmin = 0, ymin = 0, dx = 0, dy = 0, kappa = 0, ratio = 0, rmax = 0;
  std::vector<double> radii, a;
  int ier = -99;

  TShepard(TKind k, TNodes data, int nfit, int nw, int cells = -1) : kind(k), nodes(std::move(data)) {
    const int n = static_cast<int>(nodes.x.size());
    nr = cells > 0 ? cells : std::max(1, static_cast<int>(std::sqrt(n / 3.0)));
    lcell.assign(static_cast<std::size_t>(nr) * nr, 0);
    lnext.assign(static_cast<std::size_t>(n), 0);
    radii.assign(static_cast<std::size_t>(n), 0);
    a.assign(10 * static_cast<std::size_t>(n), 0);
    const double *x = nodes.x.data(), *y = nodes.y.data(), *f = nodes.f.data();
    switch (kind) {
      case TKind::kQuadratic:
        qshep2(n, x, y, f, nfit, nw, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
               radii.data(), a.data(), ier);
        break;
      case TKind::kCubic:
        cshep2(n, x, y, f, nfit, nw, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
               radii.data(), a.data(), ier);
        break;
      case TKind::kCosine:
        tshep2(n, x, y, f, nfit, nw, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, kappa,
               ratio, rmax, radii.data(), a.data(), ier);
        break;
    }
  }
  int N() const { return static_cast<int>(nodes.x.size()); }

  double Value(double px, double py) const {
    double v = -1;
    const double *x = nodes.x.data(), *y = nodes.y.data(), *f = nodes.f.data();
    switch (kind) {
      case TKind::kQuadratic:
        qs2val(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
               radii.data(), a.data(), v);
        break;
      case TKind::kCubic:
        cs2val(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
               radii.data(), a.data(), v);
        break;
      case TKind::kCosine:
        ts2val(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, kappa,
               ratio, rmax, radii.data(), a.data(), v);
        break;
    }
    return v;
  }

  // Value, gradient and (cubic and cosine) Hessian: {f, fx, fy, fxx, fxy, fyy}.
  std::array<double, 6> Jet(double px, double py, int& err, bool hessian) const {
    std::array<double, 6> j{-1, -1, -1, -1, -1, -1};
    const double *x = nodes.x.data(), *y = nodes.y.data(), *f = nodes.f.data();
    switch (kind) {
      case TKind::kQuadratic:
        qs2grd(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
               radii.data(), a.data(), j[0], j[1], j[2], err);
        break;
      case TKind::kCubic:
        if (hessian)
          cs2hes(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
                 radii.data(), a.data(), j[0], j[1], j[2], j[3], j[4], j[5], err);
        else
          cs2grd(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, rmax,
                 radii.data(), a.data(), j[0], j[1], j[2], err);
        break;
      case TKind::kCosine:
        if (hessian)
          ts2hes(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, kappa,
                 ratio, rmax, radii.data(), a.data(), j[0], j[1], j[2], j[3], j[4], j[5], err);
        else
          ts2grd(px, py, N(), x, y, f, nr, lcell.data(), lnext.data(), xmin, ymin, dx, dy, kappa,
                 ratio, rmax, radii.data(), a.data(), j[0], j[1], j[2], err);
        break;
    }
    return j;
  }
};

double Quadratic(double x, double y) {
  return 1.5 - 0.7 * x + 2.25 * y + 3 * x * x - 1.25 * x * y - 2 * y * y;
}
double Cubic(double x, double y) {
  return Quadratic(x, y) + 4 * x * x * x - 3 * x * x * y + 2.5 * x * y * y - 1.75 * y * y * y;
}
// {f, fx, fy, fxx, fxy, fyy} of the cubic.
std::array<double, 6> CubicJet(double x, double y) {
  return {Cubic(x, y),
          -0.7 + 6 * x - 1.25 * y + 12 * x * x - 6 * x * y + 2.5 * y * y,
          2.25 - 1.25 * x - 4 * y - 3 * x * x + 5 * x * y - 5.25 * y * y,
          6 + 24 * x - 6 * y,
          -1.25 - 6 * x + 5 * y,
          -4 + 5 * x - 10.5 * y};
}
double Wavy(double x, double y) { return std::sin(4 * x) * std::cos(3 * y) + x * y; }

TEST(Shepard, QuadraticNodalFunctionsReproduceQuadratics) {
  const TShepard s(TKind::kQuadratic, Scatter(200, 5, Quadratic), 13, 19);
  ASSERT_EQ(s.ier, 0);
  const TNodes probe = Scatter(400, 77, Quadratic);
  for (std::size_t i = 0; i < probe.x.size(); ++i) {
    const double px = probe.x[i], py = probe.y[i];
    EXPECT_NEAR(s.Value(px, py), Quadratic(px, py), 1e-12) << i;
    int err = -1;
    const auto j = s.Jet(px, py, err, false);
    ASSERT_EQ(err, 0);
    EXPECT_NEAR(j[1], -0.7 + 6 * px - 1.25 * py, 1e-10) << i;
    EXPECT_NEAR(j[2], 2.25 - 1.25 * px - 4 * py, 1e-10) << i;
  }
}

TEST(Shepard, CubicNodalFunctionsReproduceCubicsWithHessians) {
  const TShepard s(TKind::kCubic, Scatter(300, 9, Cubic), 17, 30);
  ASSERT_EQ(s.ier, 0);
  const TNodes probe = Scatter(400, 78, Cubic);
  for (std::size_t i = 0; i < probe.x.size(); ++i) {
    const double px = probe.x[i], py = probe.y[i];
    const auto want = CubicJet(px, py);
    EXPECT_NEAR(s.Value(px, py), want[0], 1e-11) << i;
    int err = -1;
    const auto j = s.Jet(px, py, err, true);
    ASSERT_EQ(err, 0);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(j[k], want[k], 1e-8 * (1 + std::fabs(want[k]))) << i << " " << k;
  }
}

TEST(Shepard, EveryFamilyInterpolatesItsNodes) {
  for (TKind kind : {TKind::kQuadratic, TKind::kCubic, TKind::kCosine}) {
    const TShepard s(kind, Scatter(150, 21, Wavy), kind == TKind::kQuadratic ? 13 : 17, 30);
    ASSERT_EQ(s.ier, 0);
    for (int k = 0; k < s.N(); ++k) {
      EXPECT_EQ(s.Value(s.nodes.x[k], s.nodes.y[k]), s.nodes.f[k]) << k;
      int err = -1;
      EXPECT_EQ(s.Jet(s.nodes.x[k], s.nodes.y[k], err, false)[0], s.nodes.f[k]);
      EXPECT_EQ(err, 0);
    }
  }
}

// Central differences of the values and of the gradients, step h, at points away from the
// nodes.
TEST(Shepard, DerivativesAgreeWithDifferencesOfValues) {
  const double h = 1e-5;
  for (TKind kind : {TKind::kCubic, TKind::kCosine}) {
    const TShepard s(kind, Scatter(120, 31, Wavy), 18, 32);
    ASSERT_EQ(s.ier, 0);
    const TNodes probe = Scatter(60, 99, Wavy);
    for (std::size_t i = 0; i < probe.x.size(); ++i) {
      const double px = 0.05 + 0.9 * probe.x[i], py = 0.05 + 0.9 * probe.y[i];
      int err = -1;
      const auto j = s.Jet(px, py, err, true);
      ASSERT_EQ(err, 0);
      const double fx = (s.Value(px + h, py) - s.Value(px - h, py)) / (2 * h);
      const double fy = (s.Value(px, py + h) - s.Value(px, py - h)) / (2 * h);
      EXPECT_NEAR(j[1], fx, 1e-5 * (1 + std::fabs(fx))) << i;
      EXPECT_NEAR(j[2], fy, 1e-5 * (1 + std::fabs(fy))) << i;
      int e1, e2;
      const auto gxp = s.Jet(px + h, py, e1, false), gxm = s.Jet(px - h, py, e2, false);
      const auto gyp = s.Jet(px, py + h, e1, false), gym = s.Jet(px, py - h, e2, false);
      const double fxx = (gxp[1] - gxm[1]) / (2 * h), fyy = (gyp[2] - gym[2]) / (2 * h);
      const double fxy = (gxp[2] - gxm[2]) / (2 * h);
      EXPECT_NEAR(j[3], fxx, 1e-4 * (1 + std::fabs(fxx))) << i;
      EXPECT_NEAR(j[4], fxy, 1e-4 * (1 + std::fabs(fxy))) << i;
      EXPECT_NEAR(j[5], fyy, 1e-4 * (1 + std::fabs(fyy))) << i;
    }
  }
}

// The limits of the papers, refused through the error word.
TEST(Shepard, ArgumentsOutsideTheLimitsAreRefused) {
  struct Case {
    TKind kind;
    int n, nfit, nw, nr;
    int ier;
  };
  const Case cases[] = {
      {TKind::kQuadratic, 5, 4, 4, 1, 1},    {TKind::kQuadratic, 6, 5, 5, 1, 0},
      {TKind::kQuadratic, 30, 4, 19, 3, 1},  {TKind::kQuadratic, 30, 30, 19, 3, 1},
      {TKind::kQuadratic, 30, 13, 0, 3, 1},  {TKind::kQuadratic, 30, 13, 30, 3, 1},
      {TKind::kQuadratic, 60, 41, 19, 3, 1}, {TKind::kQuadratic, 60, 13, 41, 3, 1},
      {TKind::kQuadratic, 60, 40, 40, 3, 0}, {TKind::kCubic, 9, 8, 8, 1, 1},
      {TKind::kCubic, 10, 9, 9, 1, 0},       {TKind::kCubic, 30, 8, 19, 3, 1},
      {TKind::kCubic, 30, 17, 30, 3, 1},     {TKind::kCosine, 9, 8, 8, 1, 1},
      {TKind::kCosine, 10, 9, 9, 1, 0},      {TKind::kCosine, 50, 41, 32, 3, 1},
  };
  for (const Case& c : cases) {
    // The cell count is passed as asked (0 and below included).
    const TShepard s(c.kind, Scatter(c.n, 41, Wavy), c.nfit, c.nw, c.nr);
    EXPECT_EQ(s.ier, c.ier) << static_cast<int>(c.kind) << " " << c.n << " " << c.nfit << " " << c.nw;
  }
  int ier = -9;
  double xmin, ymin, dx, dy, rmax;
  std::vector<int> lcell(4), lnext(20);
  std::vector<double> radii(20), a(200);
  const TNodes t = Scatter(20, 42, Wavy);
  qshep2(20, t.x.data(), t.y.data(), t.f.data(), 13, 19, 0, lcell.data(), lnext.data(), xmin, ymin,
         dx, dy, rmax, radii.data(), a.data(), ier);
  EXPECT_EQ(ier, 1);  // no cells
}

TEST(Shepard, DegenerateNodesAreRefused) {
  for (TKind kind : {TKind::kQuadratic, TKind::kCubic, TKind::kCosine}) {
    TNodes dup = Scatter(30, 43, Wavy);
    dup.x[17] = dup.x[3];
    dup.y[17] = dup.y[3];
    EXPECT_EQ(TShepard(kind, dup, 13, 19).ier, 2);
    TNodes line = Scatter(30, 44, Wavy);
    for (std::size_t i = 0; i < line.x.size(); ++i) line.y[i] = 0.25 + 0.5 * line.x[i];
    EXPECT_EQ(TShepard(kind, line, 13, 19).ier, 3);
    TNodes flat = Scatter(30, 45, Wavy);
    for (double& x : flat.x) x = 0.5;
    EXPECT_EQ(TShepard(kind, flat, 13, 19).ier, 3);
    TNodes nan = Scatter(30, 46, Wavy);
    nan.f[5] = std::nan("");
    EXPECT_EQ(TShepard(kind, nan, 13, 19).ier, 1);
    TNodes inf = Scatter(30, 47, Wavy);
    inf.x[9] = HUGE_VAL;
    EXPECT_EQ(TShepard(kind, inf, 13, 19).ier, 1);
  }
}

// Points far away or not numbers, and cell lists that name no node or run in a cycle: the
// evaluators answer through the error word and never read past the node arrays.
TEST(Shepard, HostilePointsAndWorkArraysAreRefused) {
  for (TKind kind : {TKind::kQuadratic, TKind::kCubic, TKind::kCosine}) {
    TShepard s(kind, Scatter(60, 48, Wavy), 13, 19);
    ASSERT_EQ(s.ier, 0);
    int err = -9;
    for (const double p : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
      EXPECT_EQ(s.Value(p, 0.5), 0.0);
      s.Jet(p, 0.5, err, kind != TKind::kQuadratic);
      EXPECT_EQ(err, 1);
    }
    for (const double p : {1e300, -1e300, 3.0}) {
      EXPECT_EQ(s.Value(p, p), 0.0);
      s.Jet(p, p, err, false);
      EXPECT_EQ(err, 2);
    }
    TShepard broken = s;
    broken.lcell[0] = broken.N() + 5;
    broken.lcell[1] = -3;
    for (int k = 0; k < broken.N(); ++k) broken.lnext[k] = k == broken.N() - 1 ? 1 : k + 2;
    for (double px = 0; px <= 1; px += 0.25) {
      broken.Jet(px, px, err, false);
      EXPECT_EQ(err, 1) << px;
      EXPECT_EQ(broken.Value(px, px), 0.0);
    }
    TShepard zeroCell = s;
    zeroCell.dx = 0;
    zeroCell.Jet(0.5, 0.5, err, false);
    EXPECT_EQ(err, 1);
    zeroCell = s;
    zeroCell.rmax = -1;
    zeroCell.Jet(0.5, 0.5, err, false);
    EXPECT_EQ(err, 1);
  }
}

}  // namespace
