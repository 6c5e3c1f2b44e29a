// Using a fit: ranking the list, making a rank current with its covariance, evaluating the
// surface and its derivatives, confidence and prediction limits, and the surface extrema.

#include <atomic>
#include <limits>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

#include "app/data_table.h"
#include "app/settings_file.h"
#include "fit/confidence_limits.h"
#include "fit/extremum_search.h"
#include "fit/fit_results.h"
#include "fit/session.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_ranking.h"
#include "fit/fit_refit.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/term_subset_numbers.h"
#include "fit_test_data.h"
#include "support/long_double_near.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

// Each test has a fresh session; the settings are shared: every test leaves them as it found
// them.
class FitUseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLevel_ = CurrentSettings().LimitsLevel;
    CurrentSettings().LimitsLevel = 1;
  }
  void TearDown() override {
    CurrentSettings().LimitsLevel = savedLevel_;
  }

  // A run of `selection` over `t` into its own list, published into the session as the fit
  // commands publish it, with `t` as the session's data table and its statistics.
  int RunIntoFitList(PointTable& t, const TFitSelection& selection,
                     const TFitOptions& options = DefaultFitOptions()) {
    return PublishRun(session_, t, selection, &BoundUdfTable(), options);
  }

  int RankOf(int equationNumber) {
    for (int i = 1; i <= session_.FitList.Count(); ++i)
      if (session_.FitList.At(i)->equationNumber == equationNumber) return i;
    return -1;
  }

  // The noisy weighted plane fitted as equation 1 and made current in `mode`.
  bool PlaneRefit(int mode);

  TSession session_;

 private:
  std::int32_t savedLevel_ = 1;
};

// g'Cg at (x, y) with g the central differences of the current surface in its parameters:
// the delta method, independent of the gradients the limits build.
long double DeltaMethodQ(TFitSide& fit, long double x, long double y) {
  TFitEqn& e = fit.eqn;
  long double g[kFitEqnSlots];
  for (int i = 0; i <= e.m; ++i) {
    const long double pi = e.parameters[i], h = 1e-7L * std::max(1.0L, std::fabs(pi));
    e.parameters[i] = pi + h;
    const long double up = EvalFitZ(fit, x, y);
    e.parameters[i] = pi - h;
    const long double down = EvalFitZ(fit, x, y);
    e.parameters[i] = pi;
    g[i] = (up - down) / (2 * h);
  }
  long double q = 0;
  for (int i = 0; i <= e.m; ++i)
    for (int j = 0; j <= e.m; ++j) q += g[i] * fit.covariance[i][j] * g[j];
  return q;
}

// ---- Ranking ----------------------------------------------------------------------------

// Records 11..17 as (m, complexity, r²); adjusted r² is r² - 0.06 m, the standard error
// 1 - r² and F 100 r².
std::vector<std::unique_ptr<TFitResult>> Records() {
  const std::tuple<int, int, long double> rows[] = {{3, 9, 0.90L}, {2, 7, 0.80L}, {3, 4, 0.95L}, {2, 3, 0.70L},
                                                    {4, 1, 0.99L}, {2, 7, 0.85L}, {3, 6, 0.60L}};
  std::vector<std::unique_ptr<TFitResult>> v;
  for (const auto& [m, complexity, r2] : rows) {
    v.push_back(NewFitResult(m));
    TFitResult& r = *v.back();
    std::tie(r.complexity, r.r2, r.adjustedR2, r.fitStdError, r.f) =
        std::tuple(complexity, r2, r2 - 0.06L * m, 1 - r2, 100 * r2);
    r.equationNumber = 10 + static_cast<int>(v.size());
  }
  return v;
}

std::vector<int> Numbers(const std::vector<std::unique_ptr<TFitResult>>& v) {
  std::vector<int> n;
  for (const auto& r : v) n.push_back(r->equationNumber);
  return n;
}

TEST(SortFitList, EveryCodeOrdersAsItsCriterion) {
  const struct {
    int code;
    std::vector<int> order;
  } cases[] = {
      {1, {15, 13, 11, 16, 12, 14, 17}},     // r² descending
      {2, {13, 15, 16, 11, 12, 14, 17}},     // adjusted r² (r² - 0.06 m) descending
      {4, {15, 13, 11, 16, 12, 14, 17}},     // fit standard error (1 - r²) ascending
      {8, {15, 13, 11, 16, 12, 14, 17}},     // F descending
      {16, {15, 14, 13, 17, 16, 12, 11}},    // complexity, then r² descending
      {64, {11, 12, 13, 14, 15, 16, 17}},    // equation number
      {4097, {16, 12, 14, 13, 11, 17, 15}},  // m, then r²
      {4112, {14, 16, 12, 13, 17, 11, 15}},  // m, then complexity (16 and 12 tie: either order)
      {4160, {12, 14, 16, 11, 13, 17, 15}},  // m, then equation number
  };
  for (const auto& c : cases) {
    auto v = Records();
    SortFitResults(v, c.code);
    const std::vector<int> got = Numbers(v);
    EXPECT_TRUE(got == c.order || (c.code == 4112 && got == std::vector<int>({14, 12, 16, 13, 17, 11, 15}))) << c.code;
  }
  // One fit, or an unknown code, leaves the order.
  for (int code : {0, 3, 32, 4096, 4099, 8193, -1}) {
    auto v = Records();
    SortFitResults(v, code);
    EXPECT_EQ(Numbers(v), (std::vector<int>{11, 12, 13, 14, 15, 16, 17})) << code;
  }
  auto one = Records();
  one.resize(1);
  SortFitResults(one, 1);
  EXPECT_EQ(one[0]->equationNumber, 11);
}

TEST(SortFitList, CodeFortyOneTwelveOrdersByTermsThenComplexity) {
  std::vector<std::unique_ptr<TFitResult>> v;
  // Many records: every pair of neighbours after the sort obeys (m, complexity).
  for (int i = 0; i < 200; ++i) {
    v.push_back(NewFitResult(2 + (i * 7) % 5));
    v.back()->complexity = (i * 13) % 17;
  }
  SortFitResults(v, 4112);
  for (std::size_t i = 1; i < v.size(); ++i) {
    ASSERT_LE(std::pair(v[i - 1]->m, v[i - 1]->complexity), std::pair(v[i]->m, v[i]->complexity)) << i;
  }
}

// ---- A plane with known standard errors ----------------------------------------------

// z = 2 + 0.5x - 0.3y + noise on a 5 x 4 grid with weights 1, 2, 3, 1, 2, ... (the reference
// values come from plane_limits_reference.py: numpy least squares and scipy's t quantiles).
PointTable NoisyWeightedPlane() {
  static const long double noise[20] = {0.03L, -0.02L, 0.05L, -0.04L, 0.01L, 0.02L,  -0.03L, 0.04L, -0.01L, 0.00L,
                                        0.06L, -0.05L, 0.02L, -0.02L, 0.03L, -0.06L, 0.01L,  0.04L, -0.03L, 0.02L};
  int i = 0;
  PointTable t = GridTable(Axis(1, 1, 5), Axis(1, 1, 4), [&i](long double x, long double y) {
    return 2 + 0.5L * x - 0.3L * y + noise[i++];
  });
  for (std::size_t k = 1; k < t.size(); ++k) t[k].W = static_cast<long double>(1 + (k - 1) % 3);
  return t;
}

bool FitUseTest::PlaneRefit(int mode) {
  PointTable t = NoisyWeightedPlane();
  RunIntoFitList(t, LinearSelection(9, 0, 0));
  return RankOf(1) > 0 && MakeRankCurrent(session_, RankOf(1), mode);
}

TEST_F(FitUseTest, PlaneStandardErrorsAndLimitsAgreeWithAnIndependentFit) {
  ASSERT_TRUE(PlaneRefit(kRefitCovariance));
  const TFitEqn& e = session_.CurFit.eqn;
  EXPECT_EQ(std::tuple(e.rank, e.kind, e.dof, session_.CurFit.covarianceValid), std::tuple(RankOf(1), kKindPolynomial, 17, 1));
  const long double params[3] = {2.0197140676900953L, 0.49954170033216605L, -0.3039666935990669L};
  const long double errors[3] = {0.026744732038054574L, 0.0057407416348674925L, 0.007349524818061111L};
  for (int i = 0; i < 3; ++i) {
    EXPECT_LD_NEAR(e.parameters[i], params[i], 1e-14L) << i;
    EXPECT_LD_NEAR(e.parameterErrors[i], errors[i], 1e-14L * errors[i] * 100) << i;
  }
  EXPECT_LD_NEAR(e.fitStdError, 0.03558500211280863L, 1e-15L);
  // The t values are the expression library's critical values at 17 degrees of freedom.
  const TQuantileFunction tf[5] = {StudentT90, StudentT95, StudentT99, StudentT999, StudentT9999};
  for (int level = 0; level < 5; ++level) {
    EXPECT_EQ(std::tuple(e.tValues[level], e.tTimesStdError[level]),
              std::tuple(tf[level](17), tf[level](17) * e.fitStdError));
  }
  // Inside the data and beyond it: s·sqrt(g'Cg) and s·sqrt(1 + g'Cg) (the half-widths over
  // the level's t).
  const struct {
    long double x, y, mean, observation;
  } at[] = {{2.5L, 1.5L, 0.011232616418909167L, 0.03731573457648854L},
            {7.0L, -1.0L, 0.034799804160330995L, 0.049772670663387L}};
  for (const auto& a : at) {
    const long double z = EvalFitZ(session_.CurFit, a.x, a.y);
    EXPECT_LD_NEAR(ConfidenceLimit(session_.CurFit, a.x, a.y, z) / e.tValues[1], a.mean, 1e-15L) << a.x;
    EXPECT_LD_NEAR(PredictionLimit(session_.CurFit, a.x, a.y, z) / e.tValues[1], a.observation, 1e-15L) << a.x;
  }
  // The level comes from the settings at each call: no refit is needed, and a level outside
  // 0..4 is clamped.
  long double obs = 0;
  const long double mean = ComputeLimitErrors(session_.CurFit, 2.5L, 1.5L, 0, obs);
  for (const auto& [setting, used] : {std::pair{0, 0}, {1, 1}, {4, 4}, {7, 4}, {-3, 0}, {1000000, 4}}) {
    CurrentSettings().LimitsLevel = setting;
    EXPECT_EQ(LimitsLevelIndex(), used);
    EXPECT_LD_NEAR(ConfidenceLimit(session_.CurFit, 2.5L, 1.5L, 0), e.tTimesStdError[used] * mean, 1e-18L) << setting;
    EXPECT_LD_NEAR(PredictionLimit(session_.CurFit, 2.5L, 1.5L, 0), e.tTimesStdError[used] * obs, 1e-18L) << setting;
  }
  // q = g'Cg = 0 gives no confidence band (the missing value) and a prediction band of t·s;
  // without a covariance nothing is known: both are missing.
  CurrentSettings().LimitsLevel = 1;
  session_.CurFit.covariance.Fill(0.0L);
  EXPECT_EQ(std::tuple(ComputeLimitErrors(session_.CurFit, 3, 2, 0, obs), obs), std::tuple(0.0L, 1.0L));
  EXPECT_EQ(std::tuple(ConfidenceLimit(session_.CurFit, 3, 2, 0), PredictionLimit(session_.CurFit, 3, 2, 0)), std::tuple(ExprErrorValue, e.tTimesStdError[1]));
  session_.CurFit.covarianceValid = 0;
  EXPECT_EQ(std::tuple(ConfidenceLimit(session_.CurFit, 3, 2, 0), PredictionLimit(session_.CurFit, 3, 2, 0)), std::tuple(ExprErrorValue, ExprErrorValue));
}

// Outside the domain of a transform both limits are missing.
TEST_F(FitUseTest, PointsOutsideTheTransformsDomainHaveNoLimits) {
  PointTable t = GridTable(Axis(1, 1, 6), Axis(1, 1, 5), [](long double x, long double y) {
    return 1 + 2 * std::log(x) + y + 0.01L * std::sin(7 * x * y);
  });
  RunIntoFitList(t, LinearSelection(kPolyLnX | kPolyY, 0, 0));
  const int rank = RankOf(76);  // ln x, order 1; y, order 1
  ASSERT_GT(rank, 0);
  ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitCovariance));
  EXPECT_NE(ConfidenceLimit(session_.CurFit, 2, 2, 0), ExprErrorValue);
  for (long double x : {0.0L, -1.0L}) {
    EXPECT_EQ(std::tuple(ConfidenceLimit(session_.CurFit, x, 2, 0), PredictionLimit(session_.CurFit, x, 2, 0)),
              std::tuple(ExprErrorValue, ExprErrorValue));
  }
}

// Mode 2 finds the extrema of the plane at opposite corners of the data box, exactly on
// the box values (b > 0 and c < 0: lowest at (1, 4), highest at (5, 1)); with the volume
// option on it integrates the surface over the data rectangle, for a plane the closed form
// area·(a + b·x̄ + c·ȳ) over [1, 5] x [1, 4]. Mode 0 fills the record alone.
TEST_F(FitUseTest, RefitModesOfAPlane) {
  ASSERT_TRUE(PlaneRefit(kRefitComplete));
  const TFitEqn& e = session_.CurFit.eqn;
  EXPECT_EQ((std::vector{e.minimum[0], e.minimum[1], e.maximum[0], e.maximum[1]}),
            (std::vector{1.0L, 4.0L, 5.0L, 1.0L}));
  EXPECT_LD_NEAR(e.minimum[2], EvalFitZ(session_.CurFit, 1, 4), 1e-15L);
  EXPECT_LD_NEAR(e.maximum[2], EvalFitZ(session_.CurFit, 5, 1), 1e-15L);
  EXPECT_EQ(e.volume, 0.0L);  // the volume option is off
  CurrentSettings().VolumeOption = 1;
  const bool refit = MakeRankCurrent(session_, RankOf(1), kRefitComplete);
  CurrentSettings().VolumeOption = 0;
  ASSERT_TRUE(refit);
  const long double exact = 12 * (e.parameters[0] + 3 * e.parameters[1] + 2.5L * e.parameters[2]);
  EXPECT_LD_NEAR(e.volume, exact, 1e-15L * exact);
  EXPECT_LE(e.volumeSecond, 1e-8L);
  ASSERT_TRUE(MakeRankCurrent(session_, RankOf(1), kRefitCovariance));
  ASSERT_TRUE(MakeRankCurrent(session_, RankOf(1), kRefitRecord));
  EXPECT_EQ(session_.CurFit.covarianceValid, 0);
  EXPECT_EQ(session_.CurFit.eqn.parameterErrors[1], 0.0L);
  EXPECT_FALSE(MakeRankCurrent(session_, 0, kRefitRecord));
  EXPECT_FALSE(MakeRankCurrent(session_, session_.FitList.Count() + 1, kRefitRecord));
}

// Every kind of linear fit evaluates as its family's evaluator and gets a covariance.
TEST_F(FitUseTest, EveryLinearKindEvaluatesAndInverts) {
  PointTable t = GridTable(Axis(1, 0.5L, 8), Axis(1, 0.5L, 7), [](long double x, long double y) {
    return (2 + x + 0.5L * y * y) / (1 + 0.1L * x) + 0.02L * std::sin(3 * x);
  });
  RunIntoFitList(t, LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll));
  std::set<int> kinds;
  std::set<int> seriesCodes;
  ExprContext& ctx = ExprThreadContext();
  for (int rank = 1; rank <= session_.FitList.Count(); ++rank) {
    const TFitResult& f = *session_.FitList.At(rank);
    ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitCovariance));
    const TFitEqn& e = session_.CurFit.eqn;
    kinds.insert(e.kind);
    if (IsSeriesFamily(e.descriptor[1])) seriesCodes.insert(e.descriptor[1]);
    EXPECT_EQ(session_.CurFit.covarianceValid, 1) << f.equationNumber;
    // The fitted surface reproduces the record's SSE.
    long double sse = 0;
    ctx.ExprMathError = 0;
    for (const TXYZPoint& p : PointsOf(std::span<const TXYZPoint>(t))) {
      const long double r = p.Z - EvalFitZ(session_.CurFit, p.X, p.Y);
      sse += p.W * session_.DataStats.WeightScale * r * r;
    }
    EXPECT_EQ(ctx.ExprMathError, 0) << f.equationNumber;
    EXPECT_LD_NEAR(sse, f.sse, 1e-9L * session_.DataStats.SSTotal) << f.equationNumber;
    // A series of high order can be so ill-conditioned that its inverse has negative
    // diagonal entries: those errors are 0, never a NaN.
    for (int i = 0; i <= e.m; ++i) {
      const long double error = e.parameterErrors[i];
      EXPECT_TRUE(std::isfinite(error) && error >= 0 && (error > 0 || IsSeriesFamily(e.descriptor[1])))
          << f.equationNumber << " " << i;
    }
  }
  EXPECT_EQ(kinds, (std::set<int>{kKindPolynomial, kKindRational, kKindTermSubset}));
  EXPECT_GE(seriesCodes.size(), 4u);
}

// A term-subset fit of ln z: the limits follow the back-transformed surface, so they agree
// with the delta method on numeric parameter derivatives of the surface itself.
TEST_F(FitUseTest, LogSubsetLimitsFollowTheBackTransform) {
  PointTable t = GridTable(Axis(1, 0.5L, 8), Axis(1, 0.5L, 7), [](long double x, long double y) {
    return std::exp(0.2L + 0.3L * x - 0.1L * y) * (1 + 0.01L * std::sin(5 * x * y));
  });
  RunIntoFitList(t, LinearSelection(0, 0, kSubsetLnZ | kSubsetInvZ));
  for (int variant : {1, 2}) {
    int rank = 0;
    for (int i = 1; i <= session_.FitList.Count() && rank == 0; ++i)
      if (session_.FitList.At(i)->terms[0] == variant && session_.FitList.At(i)->m == 2) rank = i;
    ASSERT_GT(rank, 0) << variant;
    ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitCovariance));
    const long double x = 2.2L, y = 2.7L;
    const long double q = DeltaMethodQ(session_.CurFit, x, y);
    long double obs = 0;
    const long double mean = ComputeLimitErrors(session_.CurFit, x, y, EvalFitZ(session_.CurFit, x, y), obs);
    EXPECT_LD_NEAR(mean, std::sqrt(q), 1e-8L * std::sqrt(q)) << variant;
    EXPECT_LD_NEAR(obs, std::sqrt(1 + q), 1e-10L) << variant;
  }
}

// ---- Non-linear fits ---------------------------------------------------------------

// A Gaussian peak (equation 2001): the refit takes the catalogue's evaluator and the
// non-linear covariance; the surface, its maximum and its limits follow the shape.
TEST_F(FitUseTest, GaussianPeakRefitsWithItsCovarianceAndMaximum) {
  PointTable t = GridTable(Axis(-5, 0.5L, 21), Axis(-5, 0.5L, 21), [](long double x, long double y) {
    const long double u = (x - 0.5L) / 1.2L, v = (y + 0.7L) / 0.9L;
    return 5 * std::exp(-0.5L * (u * u + v * v)) + 0.01L * std::sin(13 * x + 7 * y);
  });
  TFitSelection sel;
  sel.nonlinear[0] = 1;
  RunIntoFitList(t, sel);
  const int rank = RankOf(2001);
  ASSERT_GT(rank, 0);
  ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitComplete));
  const TFitEqn& e = session_.CurFit.eqn;
  EXPECT_EQ(std::tuple(e.kind, e.shapeEvaluator, session_.CurFit.udfIndex),
            std::tuple(kKindNonlinear, BuiltinNonlinearEntry(0).evaluator, -1));
  ASSERT_EQ(session_.CurFit.covarianceValid, 1);
  for (int i = 0; i <= e.m; ++i) EXPECT_GT(e.parameterErrors[i], 0.0L) << i;
  // The surface is the catalogue's evaluator at the fitted parameters.
  long double a[8] = {};
  std::copy(e.parameters.begin(), e.parameters.begin() + e.m + 1, a + 1);
  long double z = 0;
  e.shapeEvaluator(1.25L, -0.5L, a, &z, nullptr);
  EXPECT_EQ(EvalFitZ(session_.CurFit, 1.25L, -0.5L), z);
  // The highest point is the peak's centre; the lowest lies on the box's edge.
  EXPECT_LD_NEAR(e.maximum[0], 0.5L, 1e-3L);
  EXPECT_LD_NEAR(e.maximum[1], -0.7L, 1e-3L);
  EXPECT_TRUE(std::fabs(e.minimum[0]) == 5.0L || std::fabs(e.minimum[1]) == 5.0L);
  // The limits use the analytic parameter derivatives: the delta method on numeric ones
  // agrees.
  const long double x = 1.0L, y = 0.2L;
  const long double q = DeltaMethodQ(session_.CurFit, x, y);
  long double obs = 0;
  EXPECT_LD_NEAR(ComputeLimitErrors(session_.CurFit, x, y, EvalFitZ(session_.CurFit, x, y), obs), std::sqrt(q), 1e-7L * std::sqrt(q));
}

// User functions as fits: the render thread evaluates its own function in its own
// expression context while the user-interface thread evaluates another one; neither
// disturbs the other's CurrentUdf.
class UdfFitUseTest : public FitUseTest {
 protected:
  UserFunctionScope scope_;
};

TEST_F(UdfFitUseTest, EachThreadEvaluatesItsOwnUserFunction) {
  DefineUserFunction(3, "Z=A0+A1*X*Y", {1, 1});
  DefineUserFunction(5, "Z=A0*X-A1*Y", {1, 1});
  PointTable t = GridTable(Axis(1, 0.5L, 6), Axis(1, 0.5L, 6), [](long double x, long double y) {
    return 2 + 0.5L * x * y + 0.01L * std::sin(5 * x * y);
  });
  RunIntoFitList(t, TFitSelection{});
  const int ui = RankOf(2504), render = RankOf(2506);
  ASSERT_TRUE(ui > 0 && render > 0);
  ASSERT_TRUE(MakeRankCurrent(session_, ui, kRefitCovariance));
  EXPECT_EQ(std::tuple(session_.CurFit.udfIndex, ExprThreadContext().CurrentUdf), std::tuple(3, 3));
  const long double* pu = session_.CurFit.eqn.parameters.data();
  const auto uiExpected = [pu](long double x, long double y) { return pu[0] + pu[1] * x * y; };

  std::atomic<bool> refit{false};
  long double renderError = 0, uiError = 0;
  int renderUdf = -1, renderCovarianceValid = 0;
  std::thread thread([&] {
    const std::optional<TFitSide> renderFit = RefitRankForRender(session_, render, true);
    refit = renderFit.has_value();
    if (!renderFit) return;
    const long double* pr = renderFit->eqn.parameters.data();
    for (int i = 0; i < 2000; ++i) {
      const long double x = 1 + 0.001L * i, y = 2 - 0.0005L * i;
      renderError = std::max(renderError, std::fabs(EvalFitZ(*renderFit, x, y) - (pr[0] * x - pr[1] * y)));
    }
    renderUdf = renderFit->udfIndex;
    renderCovarianceValid = renderFit->covarianceValid;
  });
  for (int i = 0; i < 2000; ++i) {
    const long double x = 1.5L + 0.001L * i, y = 1 + 0.0005L * i;
    uiError = std::max(uiError, std::fabs(EvalFitZ(session_.CurFit, x, y) - uiExpected(x, y)));
  }
  thread.join();
  EXPECT_TRUE(refit);
  EXPECT_LT(std::max(renderError, uiError), 1e-15L);
  EXPECT_EQ(std::tuple(renderUdf, ExprThreadContext().CurrentUdf, session_.CurFit.udfIndex, renderCovarianceValid),
            std::tuple(5, 3, 3, 1));
  EXPECT_NE(ConfidenceLimit(session_.CurFit, 2, 2, EvalFitZ(session_.CurFit, 2, 2)), ExprErrorValue);
}

// ---- Evaluation and derivatives -----------------------------------------------------

TEST_F(FitUseTest, DerivativesUseRelativeSteps) {
  PointTable t = GridTable(Axis(-3, 1, 7), Axis(-2, 1, 5), [](long double x, long double y) {
    return 1 + x * x * x + 2 * y * y + x * y;
  });
  RunIntoFitList(t, LinearSelection(kPolyX | kPolyY, 0, 0));
  const int rank = RankOf(310);  // the full cubic in x and y
  ASSERT_GT(rank, 0);
  ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitRecord));
  for (const auto& [x, y] : {std::pair{0.0L, 0.0L}, {-2.0L, 1.0L}, {1.5L, -0.5L}}) {
    EXPECT_LD_NEAR(FitDzDx(session_.CurFit, x, y), 3 * x * x + y, 1e-9L) << x;
    EXPECT_LD_NEAR(FitDzDy(session_.CurFit, x, y), 4 * y + x, 1e-9L) << x;
    EXPECT_LD_NEAR(FitD2zDx2(session_.CurFit, x, y), 6 * x, 1e-5L) << x;
    EXPECT_LD_NEAR(FitD2zDy2(session_.CurFit, x, y), 4, 1e-5L) << x;
    EXPECT_LD_NEAR(FitD2zDxDy(session_.CurFit, x, y), 1, 1e-5L) << x;
  }
  // Within the data's width (x in -3 .. 3) the step is 2^-21 |x|: 2^-20 at x = -2. At 0 it
  // starts far below the width's and grows until the difference stands clear of the
  // rounding: the slope 1 there is right as at every other point.
  const long double h = 0x1p-20L;
  EXPECT_EQ(FitDzDx(session_.CurFit, -2, 1), (EvalFitZ(session_.CurFit, -2 + h, 1) - EvalFitZ(session_.CurFit, -2 - h, 1)) / (2 * h));
  EXPECT_LD_NEAR(FitDzDx(session_.CurFit, 0, 1), 1, 1e-9L);
}

// The render side is refit and evaluated apart: the user-interface side keeps its fit.
TEST_F(FitUseTest, RenderSideIsIndependent) {
  PointTable t = GridTable(Axis(1, 1, 6), Axis(1, 1, 5), [](long double x, long double y) {
    return 1 + 2 * x + 3 * y + 0.05L * std::cos(x * y);
  });
  RunIntoFitList(t, LinearSelection(kPolyMaskAll, 0, 0));
  ASSERT_GE(session_.FitList.Count(), 2);
  ASSERT_TRUE(MakeRankCurrent(session_, 1, kRefitCovariance));
  const int uiEquation = session_.CurFit.eqn.equationNumber;
  const long double uiZ = EvalFitZ(session_.CurFit, 2.5L, 2.5L);
  const long double uiLimit = ConfidenceLimit(session_.CurFit, 2.5L, 2.5L, uiZ);
  long double renderZ = 0, renderLimit = 0;
  int renderEquation = 0, renderCovarianceValid = 0;
  std::thread render([&] {
    const std::optional<TFitSide> renderFit = RefitRankForRender(session_, 2, true);
    if (!renderFit) return;
    renderZ = EvalFitZ(*renderFit, 2.5L, 2.5L);
    renderLimit = ConfidenceLimit(*renderFit, 2.5L, 2.5L, renderZ);
    renderEquation = renderFit->eqn.equationNumber;
    renderCovarianceValid = renderFit->covarianceValid;
  });
  render.join();
  EXPECT_EQ(std::tuple(session_.CurFit.eqn.equationNumber, renderEquation, renderCovarianceValid),
            std::tuple(uiEquation, session_.FitList.At(2)->equationNumber, 1));
  EXPECT_EQ(std::tuple(EvalFitZ(session_.CurFit, 2.5L, 2.5L), ConfidenceLimit(session_.CurFit, 2.5L, 2.5L, uiZ)),
            std::tuple(uiZ, uiLimit));
  EXPECT_TRUE(renderLimit != ExprErrorValue && renderZ != ExprErrorValue);
}

// The render thread refits ranks with their covariance on its own thread while the user
// interface makes other ranks current: every rank's surface and limit on either thread are
// exactly those of the rank refitted alone (run under ThreadSanitizer).
TEST_F(FitUseTest, RenderRefitsBesideUserInterfaceRefits) {
  PointTable t = GridTable(Axis(1, 0.5L, 8), Axis(1, 0.5L, 7), [](long double x, long double y) {
    return 1 + 2 * x + 3 * y + 0.05L * std::cos(x * y) + 0.5L * std::exp(-0.5L * (x - 3) * (x - 3));
  });
  TFitSelection selection = LinearSelection(kPolyMaskAll, kRatMaskAll, 0);
  selection.nonlinear[0] = 1;  // and a Gaussian peak
  RunIntoFitList(t, selection);
  const int count = std::min(session_.FitList.Count(), 60);
  ASSERT_GE(count, 20);
  struct Figures {
    int equation;
    long double z, limit;
    bool operator==(const Figures&) const = default;
  };
  const auto figuresOf = [](const TFitSide& fit) {
    const long double z = EvalFitZ(fit, 2.25L, 2.75L);
    return Figures{fit.eqn.equationNumber, z, ConfidenceLimit(fit, 2.25L, 2.75L, z)};
  };
  std::vector<Figures> alone(static_cast<std::size_t>(count) + 1), beside(alone.size());
  for (int rank = 1; rank <= count; ++rank) {
    const std::optional<TFitSide> fit = RefitRank(session_, rank, kRefitCovariance);
    ASSERT_TRUE(fit);
    alone[static_cast<std::size_t>(rank)] = figuresOf(*fit);
  }
  std::thread render([&] {
    for (int rank = 1; rank <= count; rank += 2)
      if (const std::optional<TFitSide> fit = RefitRankForRender(session_, rank, true))
        beside[static_cast<std::size_t>(rank)] = figuresOf(*fit);
  });
  for (int rank = 2; rank <= count; rank += 2)
    if (MakeRankCurrent(session_, rank, kRefitComplete)) beside[static_cast<std::size_t>(rank)] = figuresOf(session_.CurFit);
  render.join();
  for (int rank = 1; rank <= count; ++rank)
    EXPECT_TRUE(beside[static_cast<std::size_t>(rank)] == alone[static_cast<std::size_t>(rank)]) << rank;
  EXPECT_EQ(session_.CurFitEqn().rank, count - count % 2);
}

// ---- Extremum search ----------------------------------------------------------------

TEST(ExtremumSearch, PlaneCornersExactlyAndABowlsInteriorAndEdgeMinima) {
  const auto plane = [](long double x, long double y) { return 3 - 2 * x + 0.5L * y; };
  long double x, y, z;
  ASSERT_TRUE(FindFunctionMinimum(plane, 0.3L, 0.4L, -1, 2, 0, 5, x, y, z));
  EXPECT_EQ(std::tuple(x, y, z), std::tuple(2.0L, 0.0L, plane(2, 0)));
  ASSERT_TRUE(FindFunctionMaximum(plane, 0.3L, 0.4L, -1, 2, 0, 5, x, y, z));
  EXPECT_EQ(std::tuple(x, y, z), std::tuple(-1.0L, 5.0L, plane(-1, 5)));  // the surface's own sign
  const auto bowl = [](long double x, long double y) {
    return (x - 1.3L) * (x - 1.3L) + 2 * (y + 0.4L) * (y + 0.4L) + 0.5L * (x - 1.3L) * (y + 0.4L) - 7;
  };
  ASSERT_TRUE(FindFunctionMinimum(bowl, 0, 0, -5, 5, -5, 5, x, y, z));
  EXPECT_LD_NEAR(x, 1.3L, 1e-6L);
  EXPECT_LD_NEAR(y, -0.4L, 1e-6L);
  EXPECT_LD_NEAR(z, -7.0L, 1e-12L);
  // The true minimum lies outside: the result is on the edge, never outside, from a start
  // outside the box, where dz/dy = 0 on x = 2.
  ASSERT_TRUE(FindFunctionMinimum(bowl, 9, -9, 2, 4, -1, 1, x, y, z));
  EXPECT_EQ(x, 2.0L);
  EXPECT_TRUE(y >= -1 && y <= 1);
  EXPECT_LD_NEAR(y, -0.4L - 0.5L * 0.7L / 4, 1e-6L);
}

// A shallow dip just inside an edge, lower than the edge: sqrt(u) ln u falls from 0 at u = 1
// to its minimum -2/e at u = e^-2 and climbs only to -0.46 at u = 0.01. A line search that
// steps past the edge finds the edge's value in the flat region beyond it and stops there.
// The dip lies near the low x edge, and (mirrored) near the high y edge, and the maximum of
// the negated surface is the same point; every start and box finds it.
TEST(ExtremumSearch, ShallowDipNearTheEdgeIsFoundFromEveryStart) {
  // mpmath at 30 digits: exp(-2) and -2/e.
  constexpr long double kAt = 0.135335283236612691894L;
  constexpr long double kLowest = -0.735758882342884643191L;
  const auto dip = [](long double u) { return std::sqrt(u) * std::log(u); };
  const auto nearLowX = [&](long double x, long double y) { return dip(x) + 0.2L * (y - 0.25L) * (y - 0.25L); };
  const auto nearHighY = [&](long double x, long double y) { return dip(2 - y) + (x - 1) * (x - 1); };
  const auto negated = [&](long double x, long double y) { return -nearLowX(x, y); };
  for (const long double edge : {0.01L, 0.05L, 0.1L, 0.12L}) {
    for (const long double x0 : {0.5L, 1.384L, 3.0L}) {
      for (const long double y0 : {0.3L, -1.0L, 0.9L}) {
        SCOPED_TRACE(testing::Message() << "edge " << static_cast<double>(edge) << " start ("
                                        << static_cast<double>(x0) << ", " << static_cast<double>(y0) << ")");
        long double x, y, z;
        ASSERT_TRUE(FindFunctionMinimum(nearLowX, x0, y0, edge, 3, -1, 1, x, y, z));
        EXPECT_LD_NEAR(x, kAt, 1e-7L);
        EXPECT_LD_NEAR(y, 0.25L, 1e-6L);
        EXPECT_LD_NEAR(z, kLowest, 1e-15L);
        ASSERT_TRUE(FindFunctionMaximum(negated, x0, y0, edge, 3, -1, 1, x, y, z));
        EXPECT_LD_NEAR(x, kAt, 1e-7L);
        EXPECT_LD_NEAR(z, -kLowest, 1e-15L);
        // The same dip at the other end of the other axis: 2 - y = e^-2 inside y <= 2 - edge.
        ASSERT_TRUE(FindFunctionMinimum(nearHighY, y0 + 1, 2 - x0, -1, 2, -1, 2 - edge, x, y, z));
        EXPECT_LD_NEAR(x, 1.0L, 1e-6L);
        EXPECT_LD_NEAR(y, 2 - kAt, 1e-7L);
        EXPECT_LD_NEAR(z, kLowest, 1e-15L);
      }
    }
  }
}

// A dip lower than the one nearest the start: (x² - 1)² + 0.3x + y² over [-2, 2] x [-1, 1] has a
// local minimum 0.29414648102826284621 at x = 0.96014955551910552145 and its lowest point
// -0.30542848374391597437 at x = -1.0355787140888537414 (mpmath, 30 digits). From (1, 0) the
// search alone stops in the near dip; the lowest point is found from the same start. The
// highest point of the negated surface likewise.
TEST(ExtremumSearch, TheLowestAndHighestPointsAreFoundBeyondTheNearestDip) {
  const auto twoDips = [](long double x, long double y) { return (x * x - 1) * (x * x - 1) + 0.3L * x + y * y; };
  const auto twoPeaks = [&](long double x, long double y) { return -twoDips(x, y); };
  long double x, y, z;
  ASSERT_TRUE(FindFunctionMinimum(twoDips, 1, 0, -2, 2, -1, 1, x, y, z));
  EXPECT_LD_NEAR(z, 0.29414648102826284621L, 1e-15L);
  ASSERT_TRUE(FindLowestPoint(twoDips, 1, 0, -2, 2, -1, 1, x, y, z));
  EXPECT_LD_NEAR(x, -1.0355787140888537414L, 1e-7L);
  EXPECT_LD_NEAR(y, 0.0L, 1e-7L);
  EXPECT_LD_NEAR(z, -0.30542848374391597437L, 1e-15L);
  ASSERT_TRUE(FindHighestPoint(twoPeaks, 1, 0, -2, 2, -1, 1, x, y, z));
  EXPECT_LD_NEAR(z, 0.30542848374391597437L, 1e-15L);
  // The start's own dip wins when it is the lowest: the grid changes nothing there.
  ASSERT_TRUE(FindLowestPoint(twoDips, -1, 0.5L, -2, 0.5L, -1, 1, x, y, z));
  EXPECT_LD_NEAR(x, -1.0355787140888537414L, 1e-7L);
  // Nothing defined anywhere is still nothing found.
  const auto missing = [](long double, long double) { return ExprErrorValue; };
  EXPECT_FALSE(FindLowestPoint(missing, 0, 0, -1, 1, -1, 1, x, y, z));
  EXPECT_EQ(z, ExprErrorValue);
}

// The relative stopping test: a surface whose minimum value is near 0 is still searched to
// its minimum (an absolute test on the value would stop at the start).
TEST(ExtremumSearch, MinimumNearZeroIsFound) {
  const auto f = [](long double x, long double y) {
    return 1e-17L * ((x - 0.7L) * (x - 0.7L) + (y - 0.2L) * (y - 0.2L));
  };
  long double x, y, z;
  ASSERT_TRUE(FindFunctionMinimum(f, -1, -1, -2, 2, -2, 2, x, y, z));
  EXPECT_LD_NEAR(x, 0.7L, 1e-5L);
  EXPECT_LD_NEAR(y, 0.2L, 1e-5L);
}

// Undefined points score worst: a region where the surface is missing never wins over
// positive values elsewhere, and a surface missing everywhere, or a box that is not one, has
// no extremum.
TEST(ExtremumSearch, UndefinedPointsNeverWinAndFailuresAreReportedAsNotFound) {
  const auto partly = [](long double x, long double y) {
    return x < 0 ? ExprErrorValue : 5 + (x - 1) * (x - 1) + y * y;
  };
  long double x, y, z;
  ASSERT_TRUE(FindFunctionMinimum(partly, 2, 1, -3, 3, -2, 2, x, y, z));
  EXPECT_LD_NEAR(x, 1.0L, 1e-6L);
  EXPECT_LD_NEAR(z, 5.0L, 1e-10L);
  const auto faulting = [](long double x, long double y) {
    return x > 0 ? (ExprThreadContext().SetError(-1), 0.0L) : 1 + x * x + y * y;
  };
  ASSERT_TRUE(FindFunctionMaximum(faulting, -0.5L, 0.5L, -2, 1, -1, 1, x, y, z));
  EXPECT_EQ(x, -2.0L);
  EXPECT_LD_NEAR(z, 6.0L, 1e-12L);
  const auto missing = [](long double, long double) { return ExprErrorValue; };
  EXPECT_FALSE(FindFunctionMinimum(missing, 0, 0, -1, 1, -1, 1, x, y, z));
  EXPECT_EQ(std::tuple(x, y, z), std::tuple(ExprErrorValue, ExprErrorValue, ExprErrorValue));
  z = 1;
  const auto nan = [](long double, long double) { return std::nanl(""); };
  EXPECT_FALSE(FindFunctionMaximum(nan, 0, 0, -1, 1, -1, 1, x, y, z));
  EXPECT_EQ(z, ExprErrorValue);
  const auto plane = [](long double a, long double b) { return a + b; };
  z = 1;
  EXPECT_FALSE(FindFunctionMinimum(plane, 0, 0, 1, -1, 0, 1, x, y, z));  // reversed box
  EXPECT_EQ(z, ExprErrorValue);
  EXPECT_FALSE(FindFunctionMinimum(plane, 0, 0, 0, std::numeric_limits<long double>::infinity(), 0, 1, x, y, z));
}

}  // namespace
