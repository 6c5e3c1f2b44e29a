// Least squares by QR of the design, and the condition of a normal matrix scaled to a unit
// diagonal: against numpy (lstsq, cond) on data exact in binary, and against closed forms.
#include "numerics/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numerics/ld_matrix.h"
#include "support/long_double_near.h"

namespace {

// The Vandermonde design 1, t, t², t³ at t = 0, 0.25, .., 2.75 (12 rows), each row weighted
// by w_i (its square root multiplies the row), and the target z_i = i·(i - 3)/16 + (i mod 3)/8.
struct TDesign {
  std::vector<long double> t, w, z;
  TDesign(long double bigWeight = 1) {
    for (int i = 0; i < 12; ++i) {
      t.push_back(i / 4.0L);
      w.push_back(i == 4 ? bigWeight : 1.0L);
      z.push_back(i * (i - 3) / 16.0L + (i % 3) / 8.0L);
    }
  }
  void Fill(TLeastSquaresQR& qr) const {
    ASSERT_TRUE(qr.Reset(12, 4));
    for (int i = 0; i < 12; ++i) {
      const long double r = std::sqrt(w[static_cast<std::size_t>(i)]);
      long double p = 1;
      for (int k = 0; k < 4; ++k, p *= t[static_cast<std::size_t>(i)]) qr.Column(k)[i] = r * p;
      qr.Target()[i] = r * z[static_cast<std::size_t>(i)];
    }
  }
};

// mpmath at 50 digits (normal equations of the exact data; numpy's lstsq agrees to its
// doubles).
TEST(LeastSquaresQR, SolvesWeightedDesignsToTheirDigits) {
  struct Case {
    long double bigWeight;
    long double x[4];
    long double sse;
  };
  const Case cases[] = {
      // unit weights
      {1, {0.028846153846153846154L, -0.39801864801864801865L, 0.69230769230769230769L, 0.074592074592074592075L},
       0.10227272727272727273L},
      // the fifth row of weight 1e12: the normal matrix's condition near 1e18, squared past
      // what its rounding leaves
      {1e12L, {0.039635016955157467097L, -0.4893003747988331022L, 0.76503496503466099784L, 0.059630392809109648857L},
       0.10443208183926538748L},
  };
  for (const Case& c : cases) {
    TLeastSquaresQR qr;
    TDesign(c.bigWeight).Fill(qr);
    long double x[4];
    const TLeastSquaresResult r = qr.Solve(std::numeric_limits<long double>::infinity(), x);
    ASSERT_TRUE(r.Solved());
    for (int k = 0; k < 4; ++k) EXPECT_LD_NEAR(x[k], c.x[k], 1e-15L * std::fabs(c.x[k])) << c.bigWeight << " " << k;
    EXPECT_LD_NEAR(r.sse, c.sse, 1e-15L * c.sse) << c.bigWeight;
    EXPECT_GT(r.condition, 1.0L);
  }
}

// A column that another is a multiple of, or a combination of the others, is dependent: not
// solved, and the solution left alone. A condition bound below the design's refuses it too.
TEST(LeastSquaresQR, DependentColumnsAreNotSolved) {
  TLeastSquaresQR qr;
  ASSERT_TRUE(qr.Reset(5, 3));
  for (int i = 0; i < 5; ++i) {
    qr.Column(0)[i] = 1;
    qr.Column(1)[i] = i;
    qr.Column(2)[i] = 2 * i + 1;  // 2·column 1 + column 0
    qr.Target()[i] = i * i;
  }
  long double x[3] = {7, 7, 7};
  EXPECT_EQ(qr.Solve(std::numeric_limits<long double>::infinity(), x).status, TLeastSquaresStatus::kDependent);
  EXPECT_EQ(x[0], 7.0L);
  // Fewer rows than columns.
  ASSERT_TRUE(qr.Reset(2, 3));
  EXPECT_EQ(qr.Solve(std::numeric_limits<long double>::infinity(), x).status, TLeastSquaresStatus::kDependent);
  // A well-posed design refused by a bound below its condition.
  TDesign d;
  d.Fill(qr);
  const TLeastSquaresResult r = qr.Solve(10, x);
  EXPECT_EQ(r.status, TLeastSquaresStatus::kDependent);
  EXPECT_GT(r.condition, 10.0L);
}

// (AᵀA)⁻¹ from the triangular factor: against the inverse of the normal matrix formed
// exactly (the unit-weight design's normal matrix holds small integers over 16ths).
TEST(LeastSquaresQR, NormalInverseIsTheInverseOfTheNormalMatrix) {
  TLeastSquaresQR qr;
  const TDesign d;
  d.Fill(qr);
  long double x[4];
  LDMatrix inverse(4, 4);
  EXPECT_FALSE(qr.NormalInverse(inverse.Data()));  // nothing solved yet
  ASSERT_TRUE(qr.Solve(std::numeric_limits<long double>::infinity(), x).Solved());
  ASSERT_TRUE(qr.NormalInverse(inverse.Data()));
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      long double product = 0;  // (AᵀA · inverse)[i][j]
      for (int k = 0; k < 4; ++k) {
        long double a = 0;
        for (int r = 0; r < 12; ++r) a += std::pow(d.t[static_cast<std::size_t>(r)], static_cast<long double>(i + k));
        product += a * inverse[k][j];
      }
      EXPECT_LD_NEAR(product, i == j ? 1.0L : 0.0L, 1e-13L) << i << " " << j;
    }
}

// The 1-norm condition of D·A·D: closed forms, scale invariance, and matrices that are not
// positive definite.
TEST(EquilibratedCondition, ConditionOfTheScaledNormalMatrix) {
  // [[1, r], [r, 1]] has the 1-norm condition ((1 + |r|)/(1 - |r|)) (both norms 1 + |r|,
  // 1/(1 - |r|)).
  for (long double r : {0.0L, 0.5L, -0.9L, 0.999999L}) {
    LDMatrix a(2, 2);
    a[0][0] = a[1][1] = 1;
    a[0][1] = a[1][0] = r;
    EXPECT_LD_NEAR(EquilibratedCondition(a.Data(), 2), (1 + std::fabs(r)) / (1 - std::fabs(r)),
                   1e-12L * (1 + std::fabs(r)) / (1 - std::fabs(r)))
        << r;
    // Scaling rows and columns alike (a design's columns in other units) changes nothing.
    LDMatrix b(2, 2);
    const long double s[2] = {1e6L, 3e-4L};
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) b[i][j] = a[i][j] * s[i] * s[j];
    EXPECT_LD_NEAR(EquilibratedCondition(b.Data(), 2), EquilibratedCondition(a.Data(), 2),
                   1e-12L * EquilibratedCondition(a.Data(), 2));
  }
  LDMatrix singular(2, 2);
  singular[0][0] = singular[1][1] = singular[0][1] = singular[1][0] = 4;
  EXPECT_TRUE(std::isinf(EquilibratedCondition(singular.Data(), 2)));
  LDMatrix indefinite(2, 2);
  indefinite[0][0] = 1;
  indefinite[1][1] = -1;
  EXPECT_TRUE(std::isinf(EquilibratedCondition(indefinite.Data(), 2)));
}

}  // namespace
