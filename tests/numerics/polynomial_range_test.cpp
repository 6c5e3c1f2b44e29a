// The range and the real roots of a polynomial over an interval, found without sampling.
//
// Reference values: mpmath at 50 digits (polyroots of the derivative, the polynomial at its
// real roots inside the interval and at the ends).
#include "numerics/polynomial_range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// T_10(t) in powers of t: its extremes on [-1, 1] are ±1 at cos(kπ/10).
const std::vector<long double> kChebyshev10 = {-1, 0, 50, 0, -400, 0, 1120, 0, -1280, 0, 512};

TEST(PolynomialRange, ExtremesInsideAndAtTheEnds) {
  // 0.3 - 1.2t + 0.7t² + 2.1t³ - 0.4t⁴ - 1.9t⁵ + 0.8t⁶ on [-1.5, 2]: the high at the left end,
  // the low at the critical point 1.684556612138060966 (mpmath).
  const std::vector<long double> c = {0.3L, -1.2L, 0.7L, 2.1L, -0.4L, -1.9L, 0.8L};
  const TValueRange r = PolynomialRange(c, -1.5L, 2.0L);
  EXPECT_NEAR(static_cast<double>(r.low), -0.41030834869673976105, 1e-17);
  EXPECT_EQ(r.high, PolynomialValue(c, -1.5L));
  EXPECT_NEAR(static_cast<double>(r.high), 18.103125, 1e-14);
  const std::vector<long double> roots = PolynomialRootsIn(c, -1.5L, 2.0L);
  ASSERT_EQ(roots.size(), 2u);
  EXPECT_NEAR(static_cast<double>(roots[0]), 1.4115090023807157366, 1e-17);
  EXPECT_NEAR(static_cast<double>(roots[1]), 1.8526028059443683591, 1e-17);

  const TValueRange t10 = PolynomialRange(kChebyshev10, -1.0L, 1.0L);
  EXPECT_NEAR(static_cast<double>(t10.low), -1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(t10.high), 1.0, 1e-15);
  EXPECT_EQ(PolynomialRootsIn(kChebyshev10, -1.0L, 1.0L).size(), 10u);
}

// A peak far narrower than any sampling step is found: 1 - 1e8·(t - 0.3)² is 1 at 0.3 and
// below 0 a ten-thousandth away; so are two extremes 2e-6 apart.
TEST(PolynomialRange, NarrowPeaksAndCloseExtremesAreFound) {
  const std::vector<long double> peak = {1 - 1e8L * 0.09L, 1e8L * 0.6L, -1e8L};
  const TValueRange r = PolynomialRange(peak, 0.0L, 1.0L);
  EXPECT_NEAR(static_cast<double>(r.high), 1.0, 1e-9);
  EXPECT_EQ(r.low, PolynomialValue(peak, 1.0L));
  // t³ - 1e-12·t + 1e-19 has a maximum and a minimum at ∓5.77e-7; on [-7e-7, 4e-7] the
  // maximum is the high, above both ends.
  const long double a = 1e-12L;
  const std::vector<long double> close = {1e-19L, -a, 0, 1};
  const TValueRange twin = PolynomialRange(close, -7e-7L, 4e-7L);
  const long double e = std::sqrt(a / 3);
  EXPECT_NEAR(static_cast<double>(twin.high), static_cast<double>(2 * a * e / 3 + 1e-19L), 1e-30);
  EXPECT_GT(twin.high, PolynomialValue(close, -7e-7L));
  EXPECT_GT(twin.high, PolynomialValue(close, 4e-7L));
}

TEST(PolynomialRange, TouchingRootsConstantsAndSinglePoints) {
  // (t - 1)²: a double root, found though the sign does not change.
  const std::vector<long double> square = {1, -2, 1};
  EXPECT_EQ(PolynomialRootsIn(square, 0.0L, 3.0L), std::vector<long double>{1.0L});
  EXPECT_EQ(PolynomialRange(square, 0.0L, 3.0L).low, 0.0L);
  // (t - 1)(t - 2)(t - 3), roots at an end and inside.
  const std::vector<long double> cubic = {-6, 11, -6, 1};
  EXPECT_EQ(PolynomialRootsIn(cubic, 1.0L, 2.5L), (std::vector<long double>{1.0L, 2.0L}));
  // Constants (and trailing zero coefficients) have no roots and one value.
  const std::vector<long double> constant = {2.5L, 0, 0};
  EXPECT_TRUE(PolynomialRootsIn(constant, -1.0L, 1.0L).empty());
  const TValueRange c = PolynomialRange(constant, -1.0L, 1.0L);
  EXPECT_EQ(std::tuple(c.low, c.high), std::tuple(2.5L, 2.5L));
  const TValueRange point = PolynomialRange(cubic, 2.0L, 2.0L);
  EXPECT_EQ(std::tuple(point.low, point.high), std::tuple(0.0L, 0.0L));
  EXPECT_TRUE(point.Holds(0.0L));
  EXPECT_FALSE(c.Holds(0.0L));
}

}  // namespace
