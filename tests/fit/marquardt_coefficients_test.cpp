// The curvature, gradient and losses of the Levenberg-Marquardt engine gathered a chunk of
// points at a time must be the sums of a plain point-by-point pass, bit for bit: every
// stored non-linear record depends on them.

#include <cmath>
#include <cstring>
#include <vector>

#include "fit/levenberg_marquardt.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_start_values.h"
#include "fit_test_data.h"

namespace {

using namespace fit_test;

struct Coefficients {
  std::vector<long double> alpha, beta;
  long double loss = 0, ss = 0;
  bool ok = false;
};

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// The sums as the method defines them, one point after another in table order, with the
// plain evaluator at (x, y).
Coefficients PointByPoint(std::span<const TXYZPoint> points, long double weightScale, int robustMode,
                          std::vector<long double> a, int p, TNonlinearEvaluator f, int step) {
  constexpr long double kLorentzianC = 1.7182818284590453L;
  constexpr long double kPearsonC = 6.38905609893065L;
  Coefficients c;
  c.alpha.assign(static_cast<std::size_t>(p * p), 0.0L);
  c.beta.assign(static_cast<std::size_t>(p), 0.0L);
  for (int j = 1; j <= p; ++j)
    if (std::fabs(a[static_cast<std::size_t>(j)]) < 1e-30L) a[static_cast<std::size_t>(j)] = 0;
  std::vector<long double> d(static_cast<std::size_t>(p) + 1);
  std::vector<const TXYZPoint*> active;
  for (const TXYZPoint& pt : points)
    if (IsActive(pt)) active.push_back(&pt);
  for (std::size_t i = 0; i < active.size(); i += static_cast<std::size_t>(step)) {
    const TXYZPoint& pt = *active[i];
    long double zf = 0;
    f(pt.X, pt.Y, a.data(), &zf, d.data());
    if (!std::isfinite(zf)) return c;
    const long double r = pt.Z - zf, w = pt.W * weightScale;
    const long double rr = std::fabs(r) < 1e-30L ? 0.0L : r;
    long double cw = w, gr = rr;
    switch (robustMode) {
      case 1: c.loss += w * std::fabs(rr); gr = r > 0 ? 1.0L : -1.0L; break;
      case 2:
        c.loss += w * std::log1p(kLorentzianC * rr * rr);
        cw = w * 2.0L * kLorentzianC / (1.0L + kLorentzianC * rr * rr);
        break;
      case 3:
        c.loss += w * 0.5L * std::log1p(kPearsonC * rr * rr);
        cw = w * kPearsonC / (1.0L + kPearsonC * rr * rr);
        break;
      default: c.loss += w * rr * rr; break;
    }
    c.ss += w * r * r;
    const long double g = cw * gr;
    for (int j = 0; j < p; ++j) {
      const long double wd = cw * d[static_cast<std::size_t>(j) + 1];
      for (int k = 0; k <= j; ++k) c.alpha[static_cast<std::size_t>(j * p + k)] += wd * d[static_cast<std::size_t>(k) + 1];
      c.beta[static_cast<std::size_t>(j)] += g * d[static_cast<std::size_t>(j) + 1];
    }
  }
  std::vector<long double> lower;  // the lower triangle, row by row
  for (int j = 0; j < p; ++j)
    for (int k = 0; k <= j; ++k) lower.push_back(c.alpha[static_cast<std::size_t>(j * p + k)]);
  c.alpha = lower;
  c.ok = true;
  return c;
}

Coefficients Engine(TMarquardtState& st, std::vector<long double> a, int p, const TNonlinearModel& f, int step) {
  Coefficients c;
  LDMatrix alpha(p, p);
  c.beta.assign(static_cast<std::size_t>(p), 0.0L);
  c.ok = MarquardtCoefficients(st, a.data(), p, alpha, c.beta.data(), c.loss, c.ss, f, step);
  for (int j = 0; j < p; ++j)
    for (int k = 0; k <= j; ++k) c.alpha.push_back(alpha[j][k]);
  return c;
}

// A bumpy surface with a little deterministic noise over positive x and y, so that every
// shape (logarithmic ones included) is defined; 1000 points, not a multiple of a chunk.
PointTable NoisyTable() {
  PointTable t = NewPointTable(1000);
  std::uint64_t state = 99;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= 1000; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = 0.2L + 4 * next();
    p.Y = 0.2L + 4 * next();
    p.Z = 1 + 3 * std::exp(-((p.X - 2) * (p.X - 2) + (p.Y - 1.5L) * (p.Y - 1.5L))) + 0.2L * next();
    p.W = 0.5L + next();
    p.Status = kPointActive;
  }
  return t;
}

// Every shape, loss and sampling step, on a table without logarithms (plain evaluators) and on
// one with them (the power shapes' point evaluators read the logarithms formed ahead).
TEST(MarquardtCoefficients, ChunkedSumsEqualThePointByPointSumsForEveryShapeAndLoss) {
  PointTable table = NoisyTable();
  TDataStats stats = StatsOf(table);
  const TStartShape shape = StartShapeOf(stats);
  const std::span<const TXYZPoint> points = std::span(table).subspan(1);
  int compared = 0;
  for (int index = 0; index < kBuiltinNonlinearCount; ++index) {
    const TNonlinearEntry e = BuiltinNonlinearEntry(index);
    std::vector<long double> a(static_cast<std::size_t>(kMaxNonlinearParameters) + 1, 0.0L);
    int robust = 0;
    if (!NonlinearStartValues(stats, e, a.data(), shape, robust)) continue;
    for (int mode = 0; mode <= 3; ++mode) {
      for (auto [step, logs] : {std::pair{1, false}, std::pair{3, false}, std::pair{1, true}}) {
        TMarquardtState st;
        ASSERT_TRUE(InitMarquardtState(st, MakeFitPointTable(points, stats.WeightScale, logs), stats.SSTotal));
        st.robustMode = mode;
        const Coefficients want = PointByPoint(points, stats.WeightScale, mode, a, e.parameters, e.evaluator, step);
        const Coefficients got = Engine(st, a, e.parameters, ModelOf(e), step);
        ASSERT_EQ(got.ok, want.ok) << 2001 + index;
        if (!want.ok) continue;
        ++compared;
        ASSERT_EQ(got.alpha.size(), want.alpha.size());
        for (std::size_t i = 0; i < want.alpha.size(); ++i)
          ASSERT_TRUE(SameBits(got.alpha[i], want.alpha[i])) << 2001 + index << " mode " << mode << " alpha " << i;
        for (std::size_t j = 0; j < want.beta.size(); ++j)
          ASSERT_TRUE(SameBits(got.beta[j], want.beta[j])) << 2001 + index << " mode " << mode << " beta " << j;
        ASSERT_TRUE(SameBits(got.loss, want.loss)) << 2001 + index << " mode " << mode;
        ASSERT_TRUE(SameBits(got.ss, want.ss)) << 2001 + index << " mode " << mode;
      }
    }
  }
  EXPECT_GT(compared, 12 * 150);
}

}  // namespace
