// The loess smoother and its local models: agreement with numpy's weighted least squares,
// exact recovery of polynomials (and of cosine series), the derivatives against central
// differences, the pivoting of the elimination, and the widening and fallback of Evaluate.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "app/xyz_point.h"
#include "smooth/engines/loess_smoother.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::FourDecimalPoints;
using smooth_test::ScaledError;
using smooth_test::Scattered;
using smooth_test::Table;
using smooth_test::TPoint;

// The points of tests/smooth/reference/loess_references.py.
const std::vector<TPoint> kPoints = {
    {0.05L, 0.10L, 1.20L}, {0.31L, 0.07L, 0.85L}, {0.62L, 0.15L, 1.40L}, {0.93L, 0.04L, 2.10L},
    {0.12L, 0.44L, 0.60L}, {0.47L, 0.39L, 1.05L}, {0.71L, 0.52L, 1.75L}, {0.98L, 0.47L, 2.40L},
    {0.08L, 0.83L, 0.30L}, {0.36L, 0.91L, 0.95L}, {0.66L, 0.78L, 1.30L}, {0.89L, 0.97L, 2.05L},
};
constexpr long double kQueryX = 0.41L, kQueryY = 0.55L;

// Values from numpy (lstsq on sqrt(w) times the design matrix; script above): the
// coefficients, then z, dz/dx, dz/dy, d2z/dx2, d2z/dxdy, d2z/dy2 at the query, with every
// one of the 12 points in a single attempt.
struct TNumpyCase {
  TLoessBasis basis;
  int degree;
  TLoessKernel kernel;
  std::vector<long double> coefficients;
  std::array<long double, 6> derivatives;
};

const std::vector<TNumpyCase> kNumpyCases = {
    {TLoessBasis::kChebyshev, 2, TLoessKernel::kTricube,
     {1.3441184401300772L, 0.96204676991093607L, -0.13249044175271049L, 0.17116748714810348L,
      0.142597737107343L, 0.033486345606764667L},
     {0.92437288555263508L, 1.7661153963520047L, -0.3262956438990115L, 3.1664698744012671L,
      0.65948774243192521L, 0.61947222766589749L}},
    {TLoessBasis::kChebyshev, 3, TLoessKernel::kGaussian,
     {1.3228018696977613L, 0.84045105622477634L, -0.13277268325703256L, 0.16869583105482655L,
      0.066643845086707204L, 0.063301546004017842L, -0.077064430211285395L,
      -0.22094928966187377L, -0.17428040800696992L, 0.18387348272622775L},
     {0.7843220518709354L, 2.2987085443848909L, -0.94757524351835265L, 4.6566958477917577L,
      0.91917013149187532L, 3.8741206531401038L}},
    {TLoessBasis::kCosine, 2, TLoessKernel::kTricube,
     {1.2209716616065629L, -0.72457133919815275L, 0.11798630012501915L, 0.077385177992428111L,
      0.04106535344355397L, 0.00063450072642456945L},
     {0.88997609659827814L, 1.9744285497672085L, -0.44030797222126167L, 5.5763853332207214L,
      0.43437040769458779L, 0.256156762691371L}},
};

// The weights and the scale record of a single attempt over all points, as Evaluate forms
// them, so that the fits can be called directly.
struct TAttempt {
  PointTable list;
  TLoessScale scale;
};

TAttempt AllPointsAttempt(TLoessBasis basis, TLoessKernel kernel) {
  TAttempt a{Table(kPoints), {}};
  long double xMin = 1, xMax = 0, yMin = 1, yMax = 0, dx = 0, dy = 0;
  for (const TPoint& p : kPoints) {
    xMin = std::min(xMin, p.x), xMax = std::max(xMax, p.x);
    yMin = std::min(yMin, p.y), yMax = std::max(yMax, p.y);
    dx = std::max(dx, std::fabs(kQueryX - p.x));
    dy = std::max(dy, std::fabs(kQueryY - p.y));
  }
  for (std::size_t i = 1; i < a.list.size(); ++i) {
    TXYZPoint& p = a.list[i];
    if (kernel == TLoessKernel::kTricube) {
      const long double rx = std::fabs(kQueryX - p.X) / (1.1L * dx);
      const long double ry = std::fabs(kQueryY - p.Y) / (1.1L * dy);
      p.W = std::pow(1 - rx * rx * rx, 3.0L) * std::pow(1 - ry * ry * ry, 3.0L);
    } else {
      const long double c = 0.27433100246963574L;
      const long double ax = c * (p.X - kQueryX) / (2.2L * dx), ay = c * (p.Y - kQueryY) / (2.2L * dy);
      p.W = (std::exp(-2.772588722239781L * ax * ax) - 1e-4L) *
            (std::exp(-2.772588722239781L * ay * ay) - 1e-4L);
    }
  }
  if (basis == TLoessBasis::kChebyshev)
    a.scale = {(xMin + xMax) / 2, (xMax - xMin) / 2, (yMin + yMax) / 2, (yMax - yMin) / 2};
  else
    a.scale = {xMin, (xMax - xMin) / 3.14159265358979323846L, yMin,
               (yMax - yMin) / 3.14159265358979323846L};
  return a;
}

TEST(LoessLocalModels, CoefficientsEqualNumpyWeightedLeastSquares) {
  for (const TNumpyCase& c : kNumpyCases) {
    SCOPED_TRACE(static_cast<int>(c.basis) * 10 + c.degree);
    TAttempt a = AllPointsAttempt(c.basis, c.kernel);
    std::vector<long double> coefficients(15, 0.0L);
    long double measure = 0;
    const int m = static_cast<int>(c.coefficients.size()) - 1;
    for (bool retry : {false, true}) {
      const int ok = c.basis == TLoessBasis::kChebyshev
                         ? TLoess3D::FitChebyshev(a.list, coefficients.data(), m, a.scale, measure, retry)
                         : TLoess3D::FitCosine(a.list, coefficients.data(), m, a.scale, measure, retry);
      ASSERT_EQ(ok, 1);
      for (std::size_t k = 0; k < c.coefficients.size(); ++k)
        EXPECT_LT(ScaledError(coefficients[k], c.coefficients[k]), 1e-12L) << k;
    }
    // The LU solve reports the determinant of the normal matrix.
    EXPECT_GT(measure, 0.0L);
  }
}

TEST(LoessSmoother, SingleAttemptEqualsNumpyAtTheQuery) {
  for (const TNumpyCase& c : kNumpyCases) {
    SCOPED_TRACE(static_cast<int>(c.basis) * 10 + c.degree);
    PointTable data = Table(kPoints);
    TLoess3D loess(data, {0, 1, 0, 1}, {c.basis, c.degree, 12, false, c.kernel});
    TLoessResult r{};
    ASSERT_EQ(loess.Evaluate(kQueryX, kQueryY, r, kLoessValue | kLoessFirst | kLoessSecond), 1);
    for (std::size_t k = 0; k < 6; ++k) EXPECT_LT(ScaledError(r[k], c.derivatives[k]), 1e-11L) << k;
  }
}

// A polynomial of total degree d in x and y with fixed coefficients.
struct TPolynomial {
  int degree;
  long double operator()(long double x, long double y) const {
    long double s = 0.0L, c = 0.7L;
    for (int i = 0; i <= degree; ++i)
      for (int j = 0; i + j <= degree; ++j) {
        s += c * std::pow(x, static_cast<long double>(i)) * std::pow(y, static_cast<long double>(j));
        c = -c * 0.83L + 0.31L;
      }
    return s;
  }
};

TEST(LoessSmoother, DegreeDReproducesPolynomialsOfDegreeD) {
  struct Case {
    TLoessBasis basis;
    int degree;
  };
  for (const Case c : {Case{TLoessBasis::kMonomial, 1}, Case{TLoessBasis::kMonomial, 2},
                       Case{TLoessBasis::kMonomial, 3}, Case{TLoessBasis::kChebyshev, 1},
                       Case{TLoessBasis::kChebyshev, 2}, Case{TLoessBasis::kChebyshev, 3},
                       Case{TLoessBasis::kChebyshev, 4}}) {
    SCOPED_TRACE(static_cast<int>(c.basis) * 10 + c.degree);
    const TPolynomial f{c.degree};
    PointTable data = Table(Scattered(200, 7 + c.degree, f));
    TLoess3D loess(data, {0, 1, 0, 1}, {c.basis, c.degree, 8, true, TLoessKernel::kTricube});
    for (const auto& [x, y] : {std::pair{0.3L, 0.4L}, std::pair{0.71L, 0.22L}, std::pair{0.5L, 0.9L}}) {
      TLoessResult r{};
      ASSERT_EQ(loess.Evaluate(x, y, r, kLoessValue | kLoessFirst), 1);
      const long double h = 1e-5L;
      EXPECT_LT(ScaledError(r[0], f(x, y)), 1e-11L);
      EXPECT_LT(ScaledError(r[1], (f(x + h, y) - f(x - h, y)) / (2 * h)), 1e-7L);
      EXPECT_LT(ScaledError(r[2], (f(x, y + h) - f(x, y - h)) / (2 * h)), 1e-7L);
    }
  }
}

TEST(LoessSmoother, CosineBasisReproducesItsOwnSeries) {
  // z = 1 + cos(u) - 0.5 cos(u) cos(v) + 0.25 cos(2v) lies in the degree-2 cosine span
  // whenever the neighbourhood's x and y ranges map onto the whole of [0, pi]: a grid
  // holds that range in every neighbourhood that spans it, so use all points.
  std::vector<TPoint> points;
  for (int j = 0; j <= 6; ++j)
    for (int i = 0; i <= 6; ++i) {
      const long double x = i / 6.0L, y = j / 6.0L;
      const long double u = x * 3.14159265358979323846L, v = y * 3.14159265358979323846L;
      points.push_back({x, y, 1 + std::cos(u) - 0.5L * std::cos(u) * std::cos(v) + 0.25L * std::cos(2 * v)});
    }
  PointTable data = Table(points);
  TLoess3D loess(data, {0, 1, 0, 1}, {TLoessBasis::kCosine, 2, 49, false, TLoessKernel::kGaussian});
  TLoessResult r{};
  ASSERT_EQ(loess.Evaluate(0.37L, 0.61L, r, kLoessValue), 1);
  const long double u = 0.37L * 3.14159265358979323846L, v = 0.61L * 3.14159265358979323846L;
  EXPECT_LT(ScaledError(r[0], 1 + std::cos(u) - 0.5L * std::cos(u) * std::cos(v) + 0.25L * std::cos(2 * v)),
            1e-12L);
}

// Every derivative group of a fitted model against central differences of the group below.
TEST(LoessLocalModels, DerivativesAgreeWithCentralDifferences) {
  const long double coefficients[15] = {0.3L, -1.1L, 0.7L, 0.45L, -0.25L, 0.6L,  0.15L, -0.35L,
                                        0.2L, 0.05L, 0.4L, -0.3L, 0.12L,  0.07L, -0.18L};
  const TLoessScale scale{0.2L, 0.7L, -0.1L, 1.3L};
  struct Case {
    TLoessBasis basis;
    int degree;
  };
  for (const Case c : {Case{TLoessBasis::kMonomial, 3}, Case{TLoessBasis::kChebyshev, 4},
                       Case{TLoessBasis::kCosine, 4}, Case{TLoessBasis::kCosine, 1}}) {
    SCOPED_TRACE(static_cast<int>(c.basis) * 10 + c.degree);
    const long double x = 0.43L, y = 0.29L, h = 1e-6L;
    auto at = [&](long double px, long double py) {
      TLoessResult r{};
      TLoess3D::EvalLocalModel(c.basis, c.degree, px, py, coefficients, 31, scale, r);
      return r;
    };
    const TLoessResult r = at(x, y);
    const TLoessResult xp = at(x + h, y), xm = at(x - h, y), yp = at(x, y + h), ym = at(x, y - h);
    // Slot k of order o + 1 is d/dx of slot k - (o + 1) of order o for its x-leaning
    // members, and d/dy of the last member of order o for the all-y slot.
    for (int order = 0, first = 0; order < 4; first += order + 1, ++order) {
      const int next = first + order + 1;
      for (int k = 0; k <= order; ++k) {
        const std::size_t s = static_cast<std::size_t>(first + k);
        const long double dx = (xp[s] - xm[s]) / (2 * h);
        EXPECT_LT(std::fabs(r[static_cast<std::size_t>(next + k)] - dx), 1e-5L * std::max(1.0L, std::fabs(dx)))
            << "order " << order + 1 << " slot " << next + k;
      }
      const std::size_t last = static_cast<std::size_t>(first + order);
      const long double dy = (yp[last] - ym[last]) / (2 * h);
      EXPECT_LT(std::fabs(r[static_cast<std::size_t>(next + order + 1)] - dy),
                1e-5L * std::max(1.0L, std::fabs(dy)));
    }
  }
}

TEST(LoessLocalModels, ChebyshevDegreeOneEqualsThePlaneAndHigherGroupsAreZero) {
  TAttempt a = AllPointsAttempt(TLoessBasis::kChebyshev, TLoessKernel::kTricube);
  long double plane[3], cheb[3], measure = 0;
  ASSERT_EQ(TLoess3D::FitPlane(a.list, plane), 1);
  ASSERT_EQ(TLoess3D::FitChebyshev(a.list, cheb, 2, a.scale, measure, false), 1);
  TLoessResult p{}, c{};
  c.fill(99.0L);
  TLoess3D::EvalLocalModel(TLoessBasis::kMonomial, 1, kQueryX, kQueryY, plane, 31, a.scale, p);
  TLoess3D::EvalLocalModel(TLoessBasis::kChebyshev, 1, kQueryX, kQueryY, cheb, 31, a.scale, c);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_LT(ScaledError(c[k], p[k]), 1e-15L) << k;
  for (std::size_t k = 3; k < 15; ++k) EXPECT_EQ(c[k], 0.0L) << k;
}

TEST(LoessLocalModels, CosineDegreeOneKeepsItsFourthDerivative) {
  const long double coefficients[3] = {0.5L, 0.8L, -0.3L};  // 1, cos u, cos v
  const TLoessScale scale{0.1L, 0.4L, 0.0L, 0.6L};
  TLoessResult r{};
  TLoess3D::EvalLocalModel(TLoessBasis::kCosine, 1, 0.7L, 0.2L, coefficients, kLoessFourth, scale, r);
  const long double u = (0.7L - 0.1L) / 0.4L;
  EXPECT_LT(ScaledError(r[10], 0.8L * std::cos(u) / std::pow(0.4L, 4.0L)), 1e-15L);
  for (std::size_t k : {11u, 12u, 13u}) EXPECT_EQ(r[k], 0.0L);
}

TEST(LoessLocalModels, SolveGaussPivotsTheLargestRowUpAndTheUpperOneOnATie) {
  struct Case {
    std::array<std::array<long double, 3>, 3> a;
    int pivotRow;  // the original row expected at the top after the solve
  };
  for (const Case& c : {Case{{{{1, 2, 3}, {-5, 1, 1}, {2, 7, 1}}}, 1},
                        Case{{{{4, 1, 2}, {-4, 3, 1}, {1, 1, 5}}}, 0},
                        Case{{{{1, 1, 2}, {3, 1, 1}, {-3, 2, 1}}}, 1}}) {
    auto a = c.a;
    long double* rows[3] = {a[0].data(), a[1].data(), a[2].data()};
    long double b[3] = {1, 2, 3};
    ASSERT_EQ(TLoess3D::SolveGauss(rows, b, 3), 1);
    // The pivot row is never changed by the elimination below it.
    for (std::size_t k = 0; k < 3; ++k)
      EXPECT_EQ(rows[0][k], c.a[static_cast<std::size_t>(c.pivotRow)][k]);
    // And the solution is right.
    for (std::size_t r = 0; r < 3; ++r) {
      long double s = 0;
      for (std::size_t k = 0; k < 3; ++k) s += c.a[r][k] * b[k];
      EXPECT_LT(std::fabs(s - static_cast<long double>(r + 1)), 1e-15L);
    }
  }
  long double singular[2][2] = {{1, 2}, {2, 4}};
  long double* rows[2] = {singular[0], singular[1]};
  long double b[2] = {1, 1};
  EXPECT_EQ(TLoess3D::SolveGauss(rows, b, 2), 0);
}

TEST(LoessSmoother, EveryAttemptFailingGivesTheMeanZeroDerivativesAndZero) {
  // All points on one vertical line: no neighbourhood has an x extent, every fit is
  // singular.
  std::vector<TPoint> points;
  for (int i = 0; i < 30; ++i) points.push_back({0.5L, i / 29.0L, 1.0L + (i % 3)});
  PointTable data = Table(points);
  TLoess3D loess(data, {0, 1, 0, 1}, {TLoessBasis::kChebyshev, 1, 4, true, TLoessKernel::kTricube});
  TLoessResult r;
  r.fill(7.0L);
  EXPECT_EQ(loess.Evaluate(0.5L, 0.5L, r, kLoessValue | kLoessFirst | kLoessThird), 0);
  // The 10 nearest of a line of 30 points around its middle (plus at most one more).
  EXPECT_GT(r[0], 1.0L);
  EXPECT_LT(r[0], 3.0L);
  EXPECT_EQ(r[1], 0.0L);
  EXPECT_EQ(r[2], 0.0L);
  for (std::size_t k = 3; k < 6; ++k) EXPECT_EQ(r[k], 7.0L) << "group not asked for";
  for (std::size_t k = 6; k < 10; ++k) EXPECT_EQ(r[k], 0.0L);
  EXPECT_EQ(r[10], 7.0L);
}

TEST(LoessSmoother, CountAboveThePointCountIsOneAttemptWithAllPoints) {
  PointTable data = Table(kPoints);
  TLoess3D all(data, {0, 1, 0, 1}, {TLoessBasis::kChebyshev, 2, 12, false, TLoessKernel::kTricube});
  TLoess3D above(data, {0, 1, 0, 1}, {TLoessBasis::kChebyshev, 2, 40, false, TLoessKernel::kTricube});
  TLoessResult a{}, b{};
  ASSERT_EQ(all.Evaluate(kQueryX, kQueryY, a, kLoessValue | kLoessFirst), 1);
  ASSERT_EQ(above.Evaluate(kQueryX, kQueryY, b, kLoessValue | kLoessFirst), 1);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(a[k], b[k]);
}

TEST(LoessSmoother, ASingularFirstNeighbourhoodWidens) {
  // The four nearest points of the query lie on one horizontal line: the first attempt of a
  // plane (Chebyshev degree 1) is singular, and a wider one is used. The data are a plane,
  // so any accepted fit recovers it exactly.
  std::vector<TPoint> points = {{0.45L, 0.5L, 0}, {0.5L, 0.5L, 0}, {0.55L, 0.5L, 0}, {0.6L, 0.5L, 0}};
  for (int i = 0; i < 20; ++i) points.push_back({(i % 5) / 4.0L, i < 10 ? 0.0L : 1.0L, 0});
  for (TPoint& p : points) p.z = 2 + 3 * p.x - p.y;
  PointTable data = Table(points);
  TLoess3D loess(data, {0, 1, 0, 1}, {TLoessBasis::kChebyshev, 1, 4, true, TLoessKernel::kTricube});
  TLoessResult r{};
  ASSERT_EQ(loess.Evaluate(0.52L, 0.5L, r, kLoessValue | kLoessFirst), 1);
  EXPECT_LT(ScaledError(r[0], 2 + 3 * 0.52L - 0.5L), 1e-12L);
  EXPECT_LT(ScaledError(r[1], 3.0L), 1e-10L);
  EXPECT_LT(ScaledError(r[2], -1.0L), 1e-10L);
}

// A plane reports no measure, so a plane fit is refused while a wider neighbourhood remains:
// counting from 3 it always ends at the largest neighbourhood, exactly as a single attempt
// there. A Chebyshev plane, whose determinant clears the threshold, stops at once.
TEST(LoessSmoother, PlaneFitsRunOnToTheLargestNeighbourhood) {
  PointTable data = Table(kPoints);
  auto estimate = [&data](TLoessBasis basis, int count) {
    TLoess3D loess(data, {0, 1, 0, 1}, {basis, 1, count, true, TLoessKernel::kTricube});
    TLoessResult r{};
    EXPECT_EQ(loess.Evaluate(kQueryX, kQueryY, r, kLoessValue | kLoessFirst), 1);
    return r;
  };
  const TLoessResult widened = estimate(TLoessBasis::kMonomial, 3);
  const TLoessResult single = estimate(TLoessBasis::kMonomial, 10);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_LT(ScaledError(widened[k], single[k]), 1e-15L) << k;
  const TLoessResult first = estimate(TLoessBasis::kChebyshev, 3);
  EXPECT_GT(std::fabs(first[0] - single[0]), 1e-3L);
}

TEST(LoessSmoother, NoNeighbourListLeavesTheResultUntouched) {
  PointTable empty = Table({});
  TLoess3D loess(empty, {0, 1, 0, 1}, {});
  TLoessResult r;
  r.fill(3.0L);
  EXPECT_EQ(loess.Evaluate(0.5L, 0.5L, r, 31), 0);
  for (long double v : r) EXPECT_EQ(v, 3.0L);
}

// A local model of degree 2 holds every plane and quadratic, so the smoothed value at each
// data point is the surface itself; only the rounding of the long double fit may show. Near
// the origin and 1000 units from it alike (the Chebyshev basis works in scaled coordinates).
TEST(LoessExactness, PlaneAndQuadraticReproducedAtEveryDataPointToLongDoubleRounding) {
  const auto plane = [](long double x, long double y) { return 3.0L + 2.0L * x - 5.0L * y; };
  const auto quadratic = [](long double x, long double y) {
    return 3.0L + 2.0L * x - 5.0L * y + 0.5L * x * x - 0.25L * x * y + 0.125L * y * y;
  };
  for (const long double offset : {0.0L, 1000.0L}) {
    for (int surface = 0; surface < 2; ++surface) {
      SCOPED_TRACE(testing::Message() << "offset " << static_cast<double>(offset) << " surface "
                                      << surface);
      const std::vector<TPoint> points =
          surface == 0 ? FourDecimalPoints(offset, offset, plane)
                       : FourDecimalPoints(offset, offset, quadratic);
      PointTable data = Table(points);
      TLoess3D loess(data, {offset, offset + 10, offset, offset + 10},
                     {TLoessBasis::kChebyshev, 2, 13, true, TLoessKernel::kTricube});
      long double zMax = 0.0L;
      for (const TPoint& p : points) zMax = std::max(zMax, std::fabs(p.z));
      // A double step anywhere in the fit would leave errors near 1e-16 of the data.
      const long double tolerance = 128.0L * std::numeric_limits<long double>::epsilon() * zMax;
      long double sse = 0.0L, worst = 0.0L;
      for (const TPoint& p : points) {
        TLoessResult r{};
        ASSERT_EQ(loess.Evaluate(p.x, p.y, r, kLoessValue), 1);
        sse += (r[0] - p.z) * (r[0] - p.z);
        worst = std::max(worst, std::fabs(r[0] - p.z));
      }
      EXPECT_LE(worst, tolerance);
      EXPECT_LE(sse, 400.0L * tolerance * tolerance);
    }
  }
}

// A single attempt over 20 points that are exact in binary (coordinates in 64ths, z in
// 128ths, not a polynomial), against the same weighted fit in 50-digit arithmetic
// (tests/smooth/reference/loess_exact_references.py, mpmath): value and gradient at three
// data points, Chebyshev degrees 2 and 3. The agreement is that of a long double solve.
TEST(LoessExactness, SingleAttemptEqualsFiftyDigitFit) {
  std::vector<TPoint> points;
  for (int i = 0; i < 20; ++i)
    points.push_back({((i * 37) % 64) / 64.0L, ((i * 23 + 5) % 64) / 64.0L,
                      ((i * 41) % 97 - 40) / 128.0L});
  struct Case {
    int degree;
    int query;
    std::array<long double, 3> want;  // z, dz/dx, dz/dy
  };
  const Case cases[] = {
      {2, 0, {-0.04799360871770585904745L, 1.189034644062395233381L, 0.8986669952213379401015L}},
      {2, 7, {0.3939638636433143002855L, -0.564708265777876489316L, 0.1651284790618912948487L}},
      {2, 13, {0.06190956921313668144615L, -0.7581127125777167262578L, -0.001683670075227232633075L}},
      {3, 0, {-0.1749990114274065492189L, 3.795273707506950346053L, 1.782798067587762332188L}},
      {3, 7, {0.4025468434815357019669L, -0.3792823082817338051871L, 0.165157372595079897088L}},
      {3, 13, {0.06264605557205492964955L, -0.7714761947194685644843L, -0.0002742804839734622979088L}},
  };
  PointTable data = Table(points);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "degree " << c.degree << " point " << c.query);
    TLoess3D loess(data, {0, 1, 0, 1}, {TLoessBasis::kChebyshev, c.degree, 20, false, TLoessKernel::kTricube});
    const TPoint& q = points[static_cast<std::size_t>(c.query)];
    TLoessResult r{};
    ASSERT_EQ(loess.Evaluate(q.x, q.y, r, kLoessValue | kLoessFirst), 1);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_LT(ScaledError(r[k], c.want[k]), 1e-17L) << k;
  }
}

// Data measured along a few profiles: 400 points on 5 vertical lines (80 each, y with four
// decimals). A neighbourhood on the edge line spans 2 x values at most, too few for a
// quadratic: the smoother fits the plane those points do determine instead of answering the
// mean (it did at 69 of the points) or solving a singular system whose rounding let it pass
// (a value 2.2 off at one point). A cubic on 3 lines likewise.
TEST(LoessExactness, ProfilesOnFewLinesKeepThePlaneTheyDetermine) {
  struct Case {
    int lines;
    int degree;
  };
  for (const Case c : {Case{5, 2}, Case{7, 2}, Case{3, 3}}) {
    SCOPED_TRACE(testing::Message() << c.lines << " lines, degree " << c.degree);
    const auto surface = [](long double x, long double y) { return 3.0L + 2.0L * x - 5.0L * y; };
    std::vector<TPoint> points = FourDecimalPoints(0, 0, surface);
    for (std::size_t i = 0; i < points.size(); ++i) {
      points[i].x = static_cast<long double>(i % static_cast<std::size_t>(c.lines)) / c.lines;
      points[i].y /= 10;
      points[i].z = surface(points[i].x, points[i].y);
    }
    PointTable data = Table(points);
    TLoess3D loess(data, {0, 1, 0, 1}, {TLoessBasis::kChebyshev, c.degree, 13, true, TLoessKernel::kTricube});
    int answered = 0;
    long double worst = 0.0L;
    for (const TPoint& p : points) {
      TLoessResult r{};
      answered += loess.Evaluate(p.x, p.y, r, kLoessValue | kLoessFirst);
      worst = std::max(worst, std::fabs(r[0] - p.z));
    }
    EXPECT_EQ(answered, 400);
    EXPECT_LT(worst, 1e-16L);
  }
}

}  // namespace
