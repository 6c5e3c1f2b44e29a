// The curvature, gradient and losses of the Levenberg-Marquardt engine, gathered a chunk of
// points at a time in blocks that any thread may sum, must be the sums of a plain
// point-by-point pass over each block, the blocks added in their order, bit for bit, on any
// number of threads: every stored non-linear record depends on them.

#include <cfenv>
#include <cfloat>
#include <limits>
#include <cmath>
#include <cstring>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <tuple>
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

// The sums from zero over `visited`, one point after another, with the plain evaluator at
// (x, y).
Coefficients PointByPoint(const std::vector<const TXYZPoint*>& visited, long double weightScale, int robustMode,
                          std::vector<long double> a, int p, TNonlinearEvaluator f) {
  constexpr long double kLorentzianC = 1.7182818284590453L;
  constexpr long double kPearsonC = 6.38905609893065L;
  Coefficients c;
  c.alpha.assign(static_cast<std::size_t>(p * p), 0.0L);
  c.beta.assign(static_cast<std::size_t>(p), 0.0L);
  for (int j = 1; j <= p; ++j)
    if (std::fabs(a[static_cast<std::size_t>(j)]) < 1e-30L) a[static_cast<std::size_t>(j)] = 0;
  std::vector<long double> d(static_cast<std::size_t>(p) + 1);
  for (const TXYZPoint* visit : visited) {
    const TXYZPoint& pt = *visit;
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

// The sums as the method defines them: every step-th active point in table order, in blocks
// of kBlockPoints such points, each block summed point by point from zero, and the blocks
// added in their order.
Coefficients BlockByBlock(std::span<const TXYZPoint> points, long double weightScale, int robustMode,
                          const std::vector<long double>& a, int p, TNonlinearEvaluator f, int step) {
  std::vector<const TXYZPoint*> active;
  for (const TXYZPoint& pt : points)
    if (IsActive(pt)) active.push_back(&pt);
  Coefficients sum;
  for (std::size_t first = 0; first * static_cast<std::size_t>(step) < active.size(); first += kBlockPoints) {
    std::vector<const TXYZPoint*> visited;
    for (std::size_t v = first; v < first + kBlockPoints && v * static_cast<std::size_t>(step) < active.size(); ++v)
      visited.push_back(active[v * static_cast<std::size_t>(step)]);
    const Coefficients block = PointByPoint(visited, weightScale, robustMode, a, p, f);
    if (!block.ok) return block;
    if (first == 0) {
      sum = block;
      continue;
    }
    for (std::size_t e = 0; e < sum.alpha.size(); ++e) sum.alpha[e] += block.alpha[e];
    for (std::size_t j = 0; j < sum.beta.size(); ++j) sum.beta[j] += block.beta[j];
    sum.loss += block.loss;
    sum.ss += block.ss;
  }
  return sum;
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

void ExpectSameSums(const Coefficients& got, const Coefficients& want, const std::string& what) {
  ASSERT_EQ(got.ok, want.ok) << what;
  if (!want.ok) return;
  ASSERT_EQ(got.alpha.size(), want.alpha.size()) << what;
  for (std::size_t i = 0; i < want.alpha.size(); ++i)
    ASSERT_TRUE(SameBits(got.alpha[i], want.alpha[i])) << what << " alpha " << i;
  for (std::size_t j = 0; j < want.beta.size(); ++j)
    ASSERT_TRUE(SameBits(got.beta[j], want.beta[j])) << what << " beta " << j;
  ASSERT_TRUE(SameBits(got.loss, want.loss)) << what << " loss";
  ASSERT_TRUE(SameBits(got.ss, want.ss)) << what << " ss";
}

// A bumpy surface with a little deterministic noise over positive x and y, so that every
// shape (logarithmic ones included) is defined; weighted with W in 0.5..1.5, or with W = 1
// (then, with the weight scale 1, every point's weight is exactly 1). 1000 points are four
// blocks, the last one short and not a multiple of a chunk.
PointTable NoisyTable(int n = 1000, bool weighted = true) {
  PointTable t = NewPointTable(n);
  std::uint64_t state = weighted ? 99 : 7;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = 0.2L + 4 * next();
    p.Y = 0.2L + 4 * next();
    p.Z = 1 + 3 * std::exp(-((p.X - 2) * (p.X - 2) + (p.Y - 1.5L) * (p.Y - 1.5L))) + 0.2L * next();
    p.W = weighted ? 0.5L + next() : 1.0L;
    p.Status = kPointActive;
  }
  return t;
}

// z = 2 + x/2 at x = 1..n, y = 0, unweighted.
PointTable LineTable(int n) {
  PointTable table = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = i;
    p.Y = 0;
    p.Z = 2 + 0.5L * i;
    p.W = 1;
    p.Status = kPointActive;
  }
  return table;
}

// Every shape, loss and sampling step, on a table without logarithms (plain evaluators) and on
// one with them (the power shapes' point evaluators read the logarithms formed ahead), summed
// by the fit's thread alone and with helpers.
TEST(MarquardtCoefficients, ChunkedSumsEqualThePointByPointSumsForEveryShapeAndLoss) {
  TBlockHelperThreads helpers(3);
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
      for (auto [step, logs, helped] : {std::tuple{1, false, false}, std::tuple{3, false, true},
                                        std::tuple{1, true, true}, std::tuple{5, true, false}}) {
        TMarquardtState st;
        ASSERT_TRUE(InitMarquardtState(st, MakeFitPointTable(points, stats.WeightScale, logs), stats.SSTotal));
        st.robustMode = mode;
        if (helped) st.helpers = &helpers.helpers;
        const Coefficients want = BlockByBlock(points, stats.WeightScale, mode, a, e.parameters, e.evaluator, step);
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
  EXPECT_GT(compared, 16 * 150);
}

// z = sum of a_j cos(j x + y) e^(a_j y / 10) over j = 1..P: every width of a row the sums
// handle, up to the most parameters a fit has, with derivatives of unlike sizes and signs.
template <int P>
void Waves(long double x, long double y, long double* a, long double* z, long double* dz) {
  *z = 0;
  for (int j = 1; j <= P; ++j) {
    const long double c = std::cos(j * x + y), e = std::exp(a[j] * y / 10);
    *z += a[j] * c * e;
    if (dz) dz[j] = c * e * (1 + a[j] * y / 10);
  }
}

template <int... P>
constexpr std::array<TNonlinearEvaluator, sizeof...(P)> WaveTable(std::integer_sequence<int, P...>) {
  return {Waves<P + 1>...};
}

// The same table with `unitWeights` cleared: its sums multiply every derivative by its weight
// of exactly 1, as a weighted fit's do.
std::shared_ptr<const TFitPointTable> AsWeighted(const TFitPointTable& unit) {
  auto weighted = std::make_shared<TFitPointTable>(unit);
  weighted->unitWeights = false;
  return weighted;
}

// Without weights the sums read the derivatives as their own weighted factors: every entry
// must be what the weighted path gives with weights of exactly 1, and what a point-by-point
// pass gives, for every row width (1 to 10 parameters), at and beside every chunk and block
// boundary, for every loss, sampled or not, on one thread and with helpers.
TEST(MarquardtCoefficients, UnweightedSumsEqualTheSumsWithWeightsOfOne) {
  TBlockHelperThreads helpers(3);
  constexpr auto kWaves = WaveTable(std::make_integer_sequence<int, kMaxNonlinearParameters>());
  int compared = 0;
  for (const int n : {1, 2, 15, 16, 17, 31, 32, 33, 63, 64, 65, 255, 256, 257, 513, 1000}) {
    PointTable table = NoisyTable(n, false);
    const std::span<const TXYZPoint> points = std::span<const TXYZPoint>(table).subspan(1);
    const std::shared_ptr<const TFitPointTable> unit = MakeFitPointTable(points, 1.0L, false);
    ASSERT_TRUE(unit && unit->unitWeights) << n;
    const std::shared_ptr<const TFitPointTable> weighted = AsWeighted(*unit);
    for (int p = 1; p <= kMaxNonlinearParameters; ++p) {
      std::vector<long double> a(static_cast<std::size_t>(p) + 1, 0.0L);
      for (int j = 1; j <= p; ++j) a[static_cast<std::size_t>(j)] = 0.3L * j - 1.1L;
      const TNonlinearEvaluator f = kWaves[static_cast<std::size_t>(p - 1)];
      for (int mode = 0; mode <= 3; ++mode) {
        for (auto [step, helped] : {std::pair{1, false}, std::pair{1, true}, std::pair{3, true}}) {
          const std::string what = "n " + std::to_string(n) + " p " + std::to_string(p) + " mode " +
                                   std::to_string(mode) + " step " + std::to_string(step);
          TMarquardtState st, sw;
          ASSERT_TRUE(InitMarquardtState(st, unit, 1.0L));
          ASSERT_TRUE(InitMarquardtState(sw, weighted, 1.0L));
          st.robustMode = sw.robustMode = mode;
          if (helped) st.helpers = sw.helpers = &helpers.helpers;
          const Coefficients got = Engine(st, a, p, TNonlinearModel(f), step);
          ASSERT_TRUE(got.ok) << what;
          ExpectSameSums(got, Engine(sw, a, p, TNonlinearModel(f), step), what);
          ExpectSameSums(got, BlockByBlock(points, 1.0L, mode, a, p, f, step), what);
          ++compared;
        }
      }
    }
  }
  EXPECT_EQ(compared, 16 * kMaxNonlinearParameters * 4 * 3);
}

// Every built-in shape from its start values, without weights, against the weighted path
// and the point-by-point pass: one table of a full block and a short one, one of 1000 points.
TEST(MarquardtCoefficients, UnweightedSumsOfEveryShapeEqualTheSumsWithWeightsOfOne) {
  TBlockHelperThreads helpers(2);
  int compared = 0;
  for (const int n : {257, 1000}) {
    PointTable table = NoisyTable(n, false);
    TDataStats stats = StatsOf(table);
    ASSERT_EQ(stats.WeightScale, 1.0L);
    const TStartShape shape = StartShapeOf(stats);
    const std::span<const TXYZPoint> points = std::span<const TXYZPoint>(table).subspan(1);
    for (const bool logs : {false, true}) {
      const std::shared_ptr<const TFitPointTable> unit = MakeFitPointTable(points, stats.WeightScale, logs);
      ASSERT_TRUE(unit && unit->unitWeights);
      const std::shared_ptr<const TFitPointTable> weighted = AsWeighted(*unit);
      for (int index = 0; index < kBuiltinNonlinearCount; ++index) {
        const TNonlinearEntry e = BuiltinNonlinearEntry(index);
        std::vector<long double> a(static_cast<std::size_t>(kMaxNonlinearParameters) + 1, 0.0L);
        int robust = 0;
        if (!NonlinearStartValues(stats, e, a.data(), shape, robust)) continue;
        const int mode = index % 4;  // every loss over the catalogue
        const std::string what = std::to_string(2001 + index) + " n " + std::to_string(n);
        TMarquardtState st, sw;
        ASSERT_TRUE(InitMarquardtState(st, unit, stats.SSTotal));
        ASSERT_TRUE(InitMarquardtState(sw, weighted, stats.SSTotal));
        st.robustMode = sw.robustMode = mode;
        st.helpers = &helpers.helpers;
        const Coefficients got = Engine(st, a, e.parameters, ModelOf(e), 1);
        ExpectSameSums(got, Engine(sw, a, e.parameters, ModelOf(e), 1), what);
        ExpectSameSums(got, BlockByBlock(points, stats.WeightScale, mode, a, e.parameters, e.evaluator, 1), what);
        compared += got.ok ? 1 : 0;
      }
    }
  }
  EXPECT_GT(compared, 4 * 150);
}

TEST(MarquardtCoefficients, OnlyWeightsOfExactlyOneMakeAnUnweightedTable) {
  struct Case {
    const char* what;
    long double w1, w2, scale;
    bool secondActive, unit;
  };
  const Case kCases[] = {
      {"all 1", 1, 1, 1, true, true},
      {"all 2, scaled by 1/2", 2, 2, 0.5L, true, true},
      {"one 2", 1, 2, 1, true, false},
      {"one just above 1", 1, 1 + LDBL_EPSILON, 1, true, false},
      {"scale not 1", 1, 1, 1 + LDBL_EPSILON, true, false},
      {"an inactive point's weight does not count", 1, 5, 1, false, true},
  };
  for (const Case& c : kCases) {
    PointTable table = NoisyTable(40, false);
    table[2].W = c.w2;
    for (int i = 1; i <= 40; ++i)
      if (i != 2) table[static_cast<std::size_t>(i)].W = c.w1;
    if (!c.secondActive) table[2].Status = kPointInactive;
    const auto made = MakeFitPointTable(std::span<const TXYZPoint>(table).subspan(1), c.scale, false);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->unitWeights, c.unit) << c.what;
  }
}

// The derivative written at the 40th point (in the second chunk) for the special-value test.
long double gSpecialDerivative = 0;

void LineWithSpecialDerivative(long double x, long double, long double* a, long double* z, long double* dz) {
  *z = a[1] + a[2] * x;
  dz[1] = 1;
  dz[2] = x == 40 ? gSpecialDerivative : x;
}

// A derivative that is not finite fails the pass (for inf and NaN of either sign, and no
// finite value, however large, small or signed); with every finite one the sums are those
// of a point-by-point pass.
TEST(MarquardtCoefficients, OnlyANonFiniteDerivativeFailsThePass) {
  PointTable table = LineTable(100);
  const std::span<const TXYZPoint> points = std::span<const TXYZPoint>(table).subspan(1);
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  const std::pair<long double, bool> kValues[] = {
      {kInf, false},     {-kInf, false},    {kNaN, false},        {-kNaN, false},
      {LDBL_MAX, true},  {-LDBL_MAX, true}, {LDBL_MIN, true},     {LDBL_TRUE_MIN, true},
      {-0.0L, true},     {0.0L, true},      {1e4000L, true},      {-3.5L, true}};
  for (const bool weighted : {false, true}) {
    for (const auto& [value, finite] : kValues) {
      gSpecialDerivative = value;
      TMarquardtState st;
      ASSERT_TRUE(InitMarquardtState(st, MakeFitPointTable(points, weighted ? 0.5L : 1.0L, false), 1.0L));
      const TNonlinearModel line{LineWithSpecialDerivative, nullptr};
      ClearNonlinearFaults();
      const Coefficients got = Engine(st, {0, 1, 1}, 2, line, 1);
      ClearNonlinearFaults();
      EXPECT_EQ(got.ok, finite) << static_cast<double>(value) << (weighted ? " weighted" : "");
      if (finite)
        ExpectSameSums(got, BlockByBlock(points, weighted ? 0.5L : 1.0L, 0, {0, 1, 1}, 2, LineWithSpecialDerivative, 1),
                       "finite derivative");
    }
  }
}

// A straight line that raises the underflow flag at the points x = 258, 514 and 770: one in
// each block but the first and the last.
void LineRaisingUnderflow(long double x, long double, long double* a, long double* z, long double* dz) {
  if (x > 256 && std::fmod(x, 256.0L) == 2.0L) {
    volatile long double tiny = 1e-4000L;
    tiny = tiny * tiny;
  }
  *z = a[1] + a[2] * x;
  dz[1] = 1;
  dz[2] = x;
}

// The fit's acceptance reads the flags standing after the sums on its own thread: those that
// blocks summed on helper threads raised reach it too, and a flag raised before the sums stays.
TEST(MarquardtCoefficients, FlagsOfEveryBlockStandOnTheFitsThread) {
  PointTable table = LineTable(1000);
  TBlockHelperThreads helpers(4);
  TMarquardtState st;
  ASSERT_TRUE(InitMarquardtState(st, std::span<const TXYZPoint>(table).subspan(1), 1.0L, 1.0L));
  const TNonlinearModel line{LineRaisingUnderflow, nullptr};
  for (TBlockHelpers* shared : {static_cast<TBlockHelpers*>(nullptr), &helpers.helpers}) {
    st.helpers = shared;
    for (int repeat = 0; repeat < 20; ++repeat) {
      ClearNonlinearFaults();
      ASSERT_TRUE(Engine(st, {0, 1, 1}, 2, line, 1).ok);
      ASSERT_TRUE(NonlinearFaultRaised()) << (shared ? "helped" : "alone");
      // Every 4th point (odd x) raises nothing, and the flag standing before the sums is kept.
      ClearNonlinearFaults();
      std::feraiseexcept(FE_OVERFLOW);
      ASSERT_TRUE(Engine(st, {0, 1, 1}, 2, line, 4).ok);  // 250 points: one block
      ASSERT_TRUE(std::fetestexcept(FE_OVERFLOW));
      ASSERT_FALSE(std::fetestexcept(FE_UNDERFLOW));
    }
  }
  ClearNonlinearFaults();
}

}  // namespace
