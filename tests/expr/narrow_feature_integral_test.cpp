// Double integrals of surfaces with a narrow ridge or peak, on a baseline or alone: the
// nested rules took their outer points beside the feature and agreed without it, with an
// estimate of the inner integrals only. Whatever a road makes of such a surface, its answer
// is the integral to its tolerance or a reported failure, never a wrong value with code 0.
// The references are closed forms: the baseline's polynomial and the Gaussian's integral
// w sqrt(pi) / 2 (erf((b - c) / w) - erf((a - c) / w)) along each axis it varies on.
// NARROW_HUNT_CASES=N runs N random surfaces in the hunt (40 by default), and
// NARROW_HUNT_PRINT=1 prints the tallies and every wrong answer.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "expr/integration.h"
#include "expr/program_slots.h"
#include "expr_test_support.h"

namespace {

std::string Number(long double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.21Lg", v);
  return text;
}

// B0 + B1 x + B2 y + A exp(-((x - cx)/wx)^2 - ((y - cy)/wy)^2); a width of 0 leaves that
// axis out of the exponent (a ridge along it).
struct NarrowSurface {
  long double b0 = 0, b1 = 0, b2 = 0, a = 0;
  long double cx = 0, wx = 0, cy = 0, wy = 0;
  long double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

  long double operator()(long double x, long double y) const {
    long double exponent = 0;
    if (wx > 0) exponent += ((x - cx) / wx) * ((x - cx) / wx);
    if (wy > 0) exponent += ((y - cy) / wy) * ((y - cy) / wy);
    return b0 + b1 * x + b2 * y + a * std::exp(-exponent);
  }
  // The same in the language, $ for x and $$ for y.
  std::string Line(const char* x = "$", const char* y = "$$") const {
    std::string exponent;
    if (wx > 0) exponent += "-((" + std::string(x) + "-" + Number(cx) + ")/" + Number(wx) + ")^2";
    if (wy > 0) exponent += "-((" + std::string(y) + "-" + Number(cy) + ")/" + Number(wy) + ")^2";
    return Number(b0) + "+" + Number(b1) + "*" + x + "+" + Number(b2) + "*" + y + "+" + Number(a) + "*EXP(" +
           exponent + ")";
  }
  static long double Along(long double c, long double w, long double lo, long double hi) {
    if (!(w > 0)) return hi - lo;
    constexpr long double kHalfSqrtPi = 0.886226925452758013649083741670572591399L;  // mpmath
    return w * kHalfSqrtPi * (std::erf((hi - c) / w) - std::erf((lo - c) / w));
  }
  long double Integral() const {
    const long double lx = x2 - x1, ly = y2 - y1;
    return b0 * lx * ly + b1 * (x2 * x2 - x1 * x1) / 2 * ly + b2 * (y2 * y2 - y1 * y1) / 2 * lx +
           a * Along(cx, wx, x1, x2) * Along(cy, wy, y1, y2);
  }
  std::string What() const {
    return Line("x", "y") + " over [" + Number(x1) + "," + Number(x2) + "]x[" + Number(y1) + "," + Number(y2) + "]";
  }
};

// Right, failed (a code raised) and wrong (code 0, beyond the tolerance) answers of a road.
struct Tally {
  int right = 0, failed = 0;
  std::vector<std::string> wrong;
  void Record(const std::string& what, long double got, int code, long double value, long double relative) {
    if (code != 0) {
      ++failed;
    } else if (std::fabs(got - value) <= relative * std::fabs(value)) {
      ++right;
    } else {
      char line[600];
      std::snprintf(line, sizeof line, "%s: %.17Lg, true %.17Lg", what.c_str(), got, value);
      wrong.emplace_back(line);
    }
  }
  void Report(const char* road) const {
    if (std::getenv("NARROW_HUNT_PRINT")) {
      std::printf("%-22s right %4d  failed %4d  wrong %4zu\n", road, right, failed, wrong.size());
      for (const std::string& w : wrong) std::printf("    %s\n", w.c_str());
    }
    EXPECT_TRUE(wrong.empty()) << road << ": " << wrong.size() << " wrong, first " << wrong.front();
  }
};

class NarrowFeatureIntegralTest : public ExprTest {
 protected:
  static constexpr int kUdf = 3;
  void SetUp() override {
    ExprTest::SetUp();
    Ctx().CurrentUdf = kUdf;
  }
  static void Line(const std::string& text) { ASSERT_EQ(ExprCompileSlot(text, 10 * kUdf + 1), 1) << text; }
  // DQIP of the surface as line F1, at precision 1E-8.
  static long double Dqip(const NarrowSurface& s) {
    Line(s.Line());
    return Eval("DQIP(1," + Number(s.x1) + "," + Number(s.x2) + "," + Number(s.y1) + "," + Number(s.y2) + ",1E-8)");
  }
};

// A random surface of the hunt: a ridge along y (a feature in x), along x, or a peak; on a
// sloping baseline or alone; 1e-3 to 1e-1 of its side wide (5e-3 and up on a baseline).
NarrowSurface RandomSurface(Lcg& rng) {
  const auto uniform = [&rng](long double lo, long double hi) {
    return lo + (hi - lo) * static_cast<long double>(rng.Next()) / 4294967296.0L;
  };
  NarrowSurface s;
  s.x1 = uniform(-10, 10);
  s.x2 = s.x1 + uniform(0.5, 20);
  s.y1 = uniform(-10, 10);
  s.y2 = s.y1 + uniform(0.5, 20);
  const int kind = static_cast<int>(rng.Below(3));  // 0 ridge in x, 1 ridge in y, 2 peak
  const bool baseline = rng.Below(2) == 0;
  const long double narrowest = baseline ? -2.3L : -3;
  if (baseline) {
    s.b0 = uniform(0.5, 3);
    s.b1 = uniform(-0.1, 0.1);
    s.b2 = uniform(-0.1, 0.1);
  }
  s.a = uniform(0.5, 10);
  s.cx = uniform(s.x1, s.x2);
  s.cy = uniform(s.y1, s.y2);
  if (kind != 1) s.wx = (s.x2 - s.x1) * std::pow(10.0L, uniform(narrowest, -1));
  if (kind != 0) s.wy = (s.y2 - s.y1) * std::pow(10.0L, uniform(narrowest, -1));
  return s;
}

// The surfaces' nested Gauss integral took its points beside the feature: the ridge
// 1+5 exp(-((x-6.37)/0.05)^2)+0.1y over [0,10]x[0,2] gave 22 with code 0 for
// 22.8862269254528, the peak 5 exp(-((x-6.37)/0.01)^2-((y-3.71)/0.01)^2) over [0,10]^2
// 4.5e-69 for 0.00157079632679, and 1+5 exp(-((x-6.37)/0.1)^2-((y-3.71)/0.1)^2) over
// [0,10]^2 100 for 100.157079633. The same shapes with other widths and places, along
// either axis, on a baseline and alone.
TEST_F(NarrowFeatureIntegralTest, DqipFindsNarrowRidgesAndPeaks) {
  // mpmath at 30 digits: 22 + 0.25 sqrt(pi) (erf(72.6) + erf(127.4)), 0.0005 pi, 100 + 0.05 pi.
  constexpr long double kRidge = 22.8862269254527580136490837417L;
  constexpr long double kPeak = 0.00157079632679489661923132169164L;
  constexpr long double kPeakOnBaseline = 100.157079632679489661923132169L;
  const NarrowSurface named[] = {
      {1, 0, 0.1L, 5, 6.37L, 0.05L, 0, 0, 0, 10, 0, 2},
      {0, 0, 0, 5, 6.37L, 0.01L, 3.71L, 0.01L, 0, 10, 0, 10},
      {1, 0, 0, 5, 6.37L, 0.1L, 3.71L, 0.1L, 0, 10, 0, 10},
  };
  const long double values[] = {kRidge, kPeak, kPeakOnBaseline};
  for (int k = 0; k < 3; ++k) {
    EXPECT_LD_NEAR(named[k].Integral(), values[k], 1e-17L * values[k]);
    const long double got = Dqip(named[k]);
    EXPECT_EQ(MathError(), 0) << named[k].What();
    EXPECT_LD_NEAR(got, values[k], 1e-8L * values[k]) << named[k].What();
  }
  Tally tally;
  for (const long double w : {0.025L, 0.06L, 0.2L}) {
    for (const long double c : {0.5L, 3.33L, 8.71L}) {
      for (const bool baseline : {true, false}) {
        const long double b0 = baseline ? 2 : 0;
        const NarrowSurface cases[] = {
            {b0, 0, 0.05L, 3, c, w, 0, 0, 0, 10, -1, 1},         // a ridge in x
            {b0, 0.05L, 0, 3, 0, 0, c - 5, w, -1, 1, -5, 5},     // in y
            {b0, 0, 0, 3, c, w, 10 - c, 2 * w, 0, 10, 0, 10},  // a peak
        };
        for (const NarrowSurface& s : cases) {
          const long double got = Dqip(s);
          tally.Record(s.What(), got, MathError(), s.Integral(), 1e-8L);
        }
      }
    }
  }
  EXPECT_GT(tally.right, 48);
  tally.Report("DQIP");
}

// Random narrow ridges and peaks through every engine road: DQIP, and the confirmed
// double integral with either nested rule first.
TEST_F(NarrowFeatureIntegralTest, HuntOfRandomNarrowFeatures) {
  const char* count = std::getenv("NARROW_HUNT_CASES");
  const int cases = count ? std::atoi(count) : 40;
  Lcg rng(0x5eed0085);
  Tally dqip, gauss, simpson;
  for (int k = 0; k < cases; ++k) {
    const NarrowSurface s = RandomSurface(rng);
    const long double value = s.Integral();
    const long double got = Dqip(s);
    dqip.Record(s.What(), got, MathError(), value, 1e-8L);
    for (const TDoubleFirst first : {TDoubleFirst::kNestedGauss, TDoubleFirst::kNestedSimpson}) {
      ExprContext& ctx = Ctx();
      ctx.ClearErrors();
      TIntegRecord rec;
      long double error = 0;
      const long double v = IntegrateDoubleConfirmed(ctx, rec, s, s.x1, s.x2, s.y1, s.y2, 1e-8L, &error, first);
      (first == TDoubleFirst::kNestedGauss ? gauss : simpson)
          .Record(s.What() + " [" + Number(error) + "]", v, ctx.ExprMathError, value,
                  first == TDoubleFirst::kNestedGauss ? 1e-8L : std::fmax(1e-8L, error));
    }
  }
  dqip.Report("DQIP");
  gauss.Report("confirmed, Gauss first");
  simpson.Report("confirmed, Simpson first");
}

}  // namespace
