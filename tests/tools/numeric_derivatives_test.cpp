// Every numeric derivative of the program against closed forms, at the places where a step
// of 1e-6 times the coordinate failed: at 0 and at 1e-15 .. 1e-4, where the step fell below
// the rounding of the values (d²z/dx² of 1.3 + 2.7x² + 0.4y was 0 at x = 1e-8), and at map
// coordinates, where it spanned the surface's features (a step of 5 at x = 5e6 across a
// peak 10 wide). The roads: the language's "DX", "DY", "DXY", "DX2" and "DY2", the view
// function's derivatives, the fitted surface's (the review's graph, Quick Eval and render
// thread), the evaluation table's quotients, a smoothing surface's, a user function's
// slopes in its parameters while it is fitted and in the inspect-and-adjust derivative
// table, and the search for the extremes of a derivative surface.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "app/long_double.h"
#include "expr/expr_test_support.h"
#include "fit/extremum_search.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "graph3d/view_function.h"
#include "review/equation_text.h"
#include "review/review_fit_fixture.h"
#include "review/review_surface.h"
#include "smooth/engines/scattered_engine.h"
#include "tools/evaluation_computations.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_limits.h"

namespace {

// The surface g = 2 + sin U + cos V + e^(U+V)/4, U = (x - cx)/w, V = (y - cy)/w, looked at
// over a range `width` wide, at (x, y).
struct TPlace {
  long double x, y;
  long double cx, cy, w, width;
};

// Near 0 the features are 1 wide and the range is -1 .. 1; at map coordinates they are 10
// wide and the range is 100 wide about them.
std::vector<TPlace> Places() {
  std::vector<TPlace> places;
  for (long double p : {0.0L, 1e-15L, 1e-12L, 1e-8L, 1e-4L}) places.push_back({p, -p, 0, 0, 1, 2});
  places.push_back({5e6L + 3, 5.4e6L - 7, 5e6L, 5.4e6L, 10, 100});
  places.push_back({5.4e6L + 2.5L, 5e6L - 4, 5.4e6L, 5e6L, 10, 100});
  return places;
}

long double Surface(const TPlace& p, long double x, long double y) {
  const long double u = (x - p.cx) / p.w, v = (y - p.cy) / p.w;
  return 2 + std::sin(u) + std::cos(v) + std::exp(u + v) / 4;
}

std::string SurfaceText(const TPlace& p) {
  const std::string u = CFormat("((X-%.21Lg)/%.21Lg)", p.cx, p.w);
  const std::string v = CFormat("((Y-%.21Lg)/%.21Lg)", p.cy, p.w);
  return "2+SIN(" + u + ")+COS(" + v + ")+EXP(" + u + "+" + v + ")/4";
}

// The derivatives in the order of the review's and the viewer's modes 1..5: dz/dx, dz/dy,
// d²z/dxdy, d²z/dx², d²z/dy².
constexpr int kModes = 5;
constexpr const char* kBuiltins[kModes] = {"DX", "DY", "DXY", "DX2", "DY2"};
constexpr int kEvalModes[kModes] = {kEvalDzDx, kEvalDzDy, kEvalD2zDxDy, kEvalD2zDx2, kEvalD2zDy2};

long double Exact(const TPlace& p, int mode) {
  const long double u = (p.x - p.cx) / p.w, v = (p.y - p.cy) / p.w, e = std::exp(u + v) / 4;
  switch (mode) {
    case 1: return (std::cos(u) + e) / p.w;
    case 2: return (-std::sin(v) + e) / p.w;
    case 3: return e / (p.w * p.w);
    case 4: return (-std::sin(u) + e) / (p.w * p.w);
    default: return (-std::cos(v) + e) / (p.w * p.w);
  }
}

// Right to a millionth of its size, or of 1 where it is smaller.
bool Right(long double got, long double exact) {
  return std::isfinite(got) && std::fabs(got - exact) <= 1e-6L * std::max(std::fabs(exact), 1.0L);
}

// The fitted surface of the review over a side whose shape is g itself.
const TPlace* shapePlace = nullptr;
void ShapeOfPlace(long double x, long double y, long double*, long double* z, long double*) {
  *z = Surface(*shapePlace, x, y);
}

class NumericDerivativesTest : public ExprTest {
 protected:
  int cases_ = 0;
  void Check(const std::string& road, int mode, long double x, long double got, long double exact) {
    ++cases_;
    EXPECT_TRUE(Right(got, exact)) << road << " mode " << mode << " at x = " << CFormat("%.17Lg", x) << ": "
                                   << CFormat("%.12Lg", got) << " for " << CFormat("%.12Lg", exact);
  }
};

TEST_F(NumericDerivativesTest, EveryRoadIsRightAtZeroNearZeroAndAtMapCoordinates) {
  // Coordinates: language, view function, fitted surface, evaluation table.
  for (const TPlace& p : Places()) {
    const finite_differences::TSurfaceScales scales{p.width, p.width};
    for (int mode = 1; mode <= kModes; ++mode) {
      const long double exact = Exact(p, mode);
      const std::string builtin = kBuiltins[mode - 1];
      ASSERT_EQ(ExprCompileViewFn("F1=" + SurfaceText(p) + "\r\nZ=" + builtin + "(1)\r\n", p.x, p.y), 1);
      Check(builtin, mode, p.x, ExprEvalViewFn(p.x, p.y), exact);

      ASSERT_EQ(ExprCompileViewFn("Z=" + SurfaceText(p) + "\r\n", p.x, p.y), 1);
      Check("view function", mode, p.x, EvalViewMode(static_cast<ViewMode>(mode), p.x, p.y, scales), exact);

      TFitSide side;
      side.eqn.kind = kKindNonlinear;
      side.eqn.equationNumber = 2001;
      side.eqn.shapeEvaluator = ShapeOfPlace;
      side.differenceScales = scales;
      shapePlace = &p;
      Check("fitted surface", mode, p.x, SurfaceZ(side, mode, p.x, p.y), exact);

      TEvalSurface s;
      s.z = [&p](long double x, long double y) { return Surface(p, x, y); };
      s.xMin = p.cx - p.width / 2, s.xMax = p.cx + p.width / 2;
      s.yMin = p.cy - p.width / 2, s.yMax = p.cy + p.width / 2;
      long double x = p.x, y = p.y, z = 0;
      TEvalComputer(s).Compute(x, y, z, kEvalModes[mode - 1]);
      Check("evaluation table", mode, p.x, z, exact);
    }
  }

  // A user function's slopes in its parameters while it is fitted: dz/dA0 = X of
  // Z = 100 + A0 X at A0 = 0, 1e-15 .. 1e-4 (it was 0 at 1e-12), and dz/dA1 of a peak 10 wide
  // centred at A1 = 5e6 or 5.4e6.
  const int k = 3;
  ASSERT_EQ(AllocUdf(k), 1);
  TUdfRecord& r = *UdfRecordAt(k);
  std::snprintf(r.Text.data(), r.Text.size(), "Z=100+A0*X+EXP(-((X-A1)/10)^2)\r\n");
  r.ParamCount = 2;
  Ctx().CurrentUdf = k;
  ASSERT_EQ(UdfLoad(k), 1);
  const auto peakSlope = [](long double t) { return 2 * t / 100 * std::exp(-(t / 10) * (t / 10)); };
  for (long double a0 : {0.0L, 1e-15L, 1e-12L, 1e-8L, 1e-4L}) {
    for (long double a1 : {5e6L, 5.4e6L}) {
      const long double a[] = {0, a0, a1};
      for (long double x : {7.0L, a1 + 3}) {
        long double z = 0, dz[3] = {};
        UdfFitEvaluate(k, x, 1, a, &z, dz);
        Check("fit Jacobian dz/dA0", 0, x, dz[1], x);
        Check("fit Jacobian dz/dA1", 0, x, dz[2], peakSlope(x - a1));
      }
    }
  }

  // The derivative table of inspect and adjust, from the start values: dz/dA0 over points
  // X = 1 .. 10 runs from 1 to 10 (it showed 0 to 10.41 from the start 0), and over points
  // about the peak X = A1 - 9, A1 - 7 .. A1 + 9 from A1 - 9 to A1 + 9, where dz/dA1 runs
  // between -/+ its value at 7 from the centre.
  for (long double a0 : {0.0L, 1e-15L, 1e-12L, 1e-8L, 1e-4L}) {
    for (long double a1 : {5e6L, 5.4e6L}) {
      r.Start[0] = a0;
      r.Start[1] = a1;
      PointTable near = NewPointTable(10), far = NewPointTable(10);
      for (int i = 1; i <= 10; ++i) {
        near[static_cast<std::size_t>(i)] = {.X = 1.0L * i, .Y = 1, .Z = 0, .W = 1, .Status = kPointActive};
        far[static_cast<std::size_t>(i)] = {.X = a1 - 11 + 2 * i, .Y = 1, .Z = 0, .W = 1, .Status = kPointActive};
      }
      (void)UdfDerivativeRanges(k, -1, near, 1);  // the parameter it names is no matter here
      Check("derivative table dz/dA0 min", 0, a0, r.DerivMin[0], 1);
      Check("derivative table dz/dA0 max", 0, a0, r.DerivMax[0], 10);
      (void)UdfDerivativeRanges(k, -1, far, 1);
      Check("derivative table dz/dA0 min", 0, a0, r.DerivMin[0], a1 - 9);
      Check("derivative table dz/dA0 max", 0, a0, r.DerivMax[0], a1 + 9);
      Check("derivative table dz/dA1 min", 0, a1, r.DerivMin[1], -peakSlope(7));
      Check("derivative table dz/dA1 max", 0, a1, r.DerivMax[1], peakSlope(7));
    }
  }

  // A smoothing surface's quotients (Watson's method, whose derivatives are numeric) of a
  // plane z = 50 + 2x - 3y sampled at 60 points about 0 and about (5e6, 5.4e6): the
  // method holds a plane, its slopes are 2 and -3, its curvatures 0.
  for (const auto& [cx, cy] : {std::pair{0.0L, 0.0L}, {5e6L, 5.4e6L}}) {
    PointTable t = NewPointTable(60);
    std::uint64_t seed = 12345;
    const auto next = [&seed] {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<long double>(seed >> 11) / 9007199254740992.0L;
    };
    for (int i = 1; i <= 60; ++i) {
      const long double u = 10 * next(), v = 10 * next();
      t[static_cast<std::size_t>(i)] = {.X = cx + u, .Y = cy + v, .Z = 50 + 2 * u - 3 * v, .W = 1, .Status = kPointActive};
    }
    TNParm3D engine(t, kNPWatson, 0, 0, false);
    ASSERT_TRUE(engine.HasSurface());
    const long double slopes[kModes] = {2, -3, 0, 0, 0};
    const int derivModes[kModes] = {kDerivX, kDerivY, kDerivXY, kDerivXX, kDerivYY};
    for (const auto& [u, v] : {std::pair{4.1L, 5.3L}, {6.2L, 3.7L}})
      for (int mode = 1; mode <= kModes; ++mode)
        Check("smoothing surface", mode, cx + u, engine.EvalMode(cx + u, cy + v, derivModes[mode - 1]),
              slopes[mode - 1]);
  }

  // The review's Quick Eval over the surface d²z/dx² of the exact fit of z = 1.3 + 2.7x² +
  // 0.4y over x in -1 .. 1: the surface is 5.4 everywhere, and so are its lowest and highest
  // points (they were -4,602,811 and 5,603,968, found where the step fell below the rounding
  // near x = 0).
  TSession session;
  review_test::FitInto(session, fit_test::GridTable(fit_test::Axis(-1, 0.1L, 21), fit_test::Axis(0, 0.25L, 5),
                                                    [](long double x, long double y) { return 1.3L + 2.7L * x * x + 0.4L * y; }),
                       fit_test::LinearSelection(kPolyX | kPolyY, 0, 0));
  const std::optional<TFitSide> fit = RefitRank(session, 1, kRefitRecord);
  ASSERT_TRUE(fit);
  ASSERT_GT(fit->eqn.r2, 1 - 1e-15L);
  const auto d2 = [&fit](long double x, long double y) { return SurfaceZ(*fit, kSurfaceD2zDx2, x, y); };
  for (long double x : {0.0L, 1e-15L, 1e-8L, 1e-4L, 0.3L, -1.0L}) Check("exact fit", 4, x, d2(x, 0.5L), 5.4L);
  for (const TSurfaceSearchStart& b : {SurfaceMinStart(session.DataStats), SurfaceMaxStart(session.DataStats)}) {
    long double x = 0, y = 0, z = ExprErrorValue;
    const auto box = [&](auto search) {
      z = ExprErrorValue;
      (void)search(d2, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, x, y, z);  // none found: z missing
      return z;
    };
    Check("lowest point of d2z/dx2", 4, b.x, box(FindLowestPoint), 5.4L);
    Check("highest point of d2z/dx2", 4, b.x, box(FindHighestPoint), 5.4L);
    Check("minimum of d2z/dx2", 4, b.x, box(FindFunctionMinimum), 5.4L);
    Check("maximum of d2z/dx2", 4, b.x, box(FindFunctionMaximum), 5.4L);
  }
  EXPECT_EQ(cases_, 274);
}

}  // namespace
