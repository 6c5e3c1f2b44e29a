// Fits of every family the code generator writes, over one data box, with their values as
// the fitting engine computes them: the reference the generated code is held to.
//
// The data box is x in [0.5, 3.5], y in [0.75, 2.75]; the fits' parameters are drawn by a
// fixed generator so that the surfaces are smooth and defined over the box (positive
// locations and widths of the log-normal shapes, denominators near 1, term-subset sums away
// from 0). The evaluation points avoid x = 1 and y = 1, where 1/ln x and x/ln x have poles.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "app/data_statistics.h"
#include "app/data_titles.h"
#include "exchange/codegen/code_generator.h"
#include "expr/eval_context.h"
#include "fit/candidate_terms.h"
#include "fit/equation_forms.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_families.h"
#include "fit/fit_side.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/series_families.h"

namespace codegen_test {

inline constexpr long double kXMin = 0.5L, kXMax = 3.5L, kYMin = 0.75L, kYMax = 2.75L;

struct TPoint {
  long double x, y;
};
// Inside the box, and two beyond its upper edges (the clamped series orders hold there).
inline const std::vector<TPoint>& EvaluationPoints() {
  static const std::vector<TPoint> points = {{0.625L, 1.3125L}, {1.375L, 2.0625L}, {1.75L, 0.78125L},
                                             {2.125L, 2.5L},    {2.875L, 1.6875L}, {3.375L, 2.6875L},
                                             {3.75L, 2.25L},    {2.5L, 2.875L}};
  return points;
}

struct TTestFit {
  std::string label;
  TFitEqn fit;
};

inline TFitRunScales BoxScales() {
  TFitRunScales s;
  auto axis = [](long double lo, long double hi) {
    TSeriesAxisScale a;
    a.centre = (hi + lo) / 2;
    a.halfRange = (hi - lo) / 2;
    a.logCentre = (std::log(hi) + std::log(lo)) / 2;
    a.logHalfRange = (std::log(hi) - std::log(lo)) / 2;
    a.origin = lo;
    a.angularScale = (hi - lo) / std::numbers::pi_v<long double>;
    return a;
  };
  s.series.x = axis(kXMin, kXMax);
  s.series.y = axis(kYMin, kYMax);
  s.series.z = axis(0.25L, 4.5L);
  // One negative scale, so that exp(y/c) is written with a negative divisor.
  s.xScale = 1.7L;
  s.yScale = -2.3L;
  return s;
}

inline TDataStats BoxStats() {
  TDataStats st;
  ResetDataStats(st, 25);
  st.X.Min = kXMin, st.X.Max = kXMax, st.X.Range = kXMax - kXMin, st.X.Mean = 2;
  st.Y.Min = kYMin, st.Y.Max = kYMax, st.Y.Range = kYMax - kYMin, st.Y.Mean = 1.75L;
  st.Z.Min = 0.25L, st.Z.Max = 4.5L, st.Z.Range = 4.25L, st.Z.Mean = 2;
  return st;
}

inline TDataTitles BoxTitles() {
  TDataTitles t;
  t.SetTitle("Test surface for the code generator");
  t.SetXName("Temperature");
  t.SetYName("Pressure");
  t.SetZName("Yield");
  return t;
}

// The value of a fit as the fitting engine evaluates it.
inline long double ReferenceZ(const TTestFit& f, long double x, long double y) {
  static TFitSide side;
  side.eqn = f.fit;
  side.scales = BoxScales();
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  return EvalFitSideZ(side, ctx, x, y);
}

class TFitMaker {
 public:
  explicit TFitMaker(unsigned seed = 20240611u) : rng_(seed) {}
  long double Uniform(long double lo, long double hi) {
    return lo + (hi - lo) * static_cast<long double>(std::uniform_real_distribution<double>(0.0, 1.0)(rng_));
  }
  long double Signed(long double lo, long double hi) { return Uniform(lo, hi) * (Uniform(0, 1) < 0.5L ? -1 : 1); }

  static TFitEqn Base(int equationNumber, int m) {
    TFitEqn e;
    e.equationNumber = equationNumber;
    e.kind = KindOfEquation(equationNumber);
    e.m = m;
    e.r2 = 0.987654321L, e.adjustedR2 = 0.98L, e.fitStdError = 0.0123L, e.f = 4321.5L;
    return e;
  }

  // A polynomial or rational from the engine's own numbering; coefficients of higher powers
  // are smaller, denominators stay near 1.
  TTestFit Linear(int equationNumber) {
    TEquationForm form;
    const bool ok = PolynomialEquationForm(equationNumber, form) || RationalEquationForm(equationNumber, form);
    EXPECT_TRUE(ok) << equationNumber;
    TTestFit t{"linear " + std::to_string(equationNumber), Base(equationNumber, form.m)};
    t.fit.kind = form.kind;
    t.fit.terms = form.terms;
    t.fit.descriptor = form.descriptor;
    // Term codes: 10·kind + power - 1 for the powers of X and Y, 60 more in a denominator,
    // 165 and up for the cross terms xy, xy² and x²y.
    const bool fullRational = form.kind == kKindRational && form.descriptor[1] == kFamilyCubic;
    for (int k = 0; k <= form.m; ++k) {
      const int code = form.terms[static_cast<std::size_t>(k)];
      int power = 0;
      bool denominator = fullRational && k % 2 == 1;
      if (code >= 165) {
        power = code >= 175 ? 3 : 2;
      } else if (code > 0) {
        power = code % 10 + 1;
        denominator = denominator || (form.kind == kKindRational && code >= 110);
      }
      long double p = Signed(0.3L, 1.2L) / std::pow(3.0L, static_cast<long double>(power));
      if (denominator) p *= 0.05L;
      t.fit.parameters[static_cast<std::size_t>(k)] = p;
    }
    return t;
  }

  // A term subset with the given terms and dependent variable (0 z, 1 ln z, 2 1/z): a sum
  // near 2 whatever the terms, so that exp and 1/z stay tame.
  TTestFit Subset(int variant, const std::vector<int>& codes) {
    const int m = static_cast<int>(codes.size());
    TTestFit t{"subset v" + std::to_string(variant), Base(3001 + variant * 100 + codes.front(), m)};
    t.fit.terms[0] = variant;
    t.fit.parameters[0] = Uniform(1.5L, 2.5L);
    const TFitRunScales scales = BoxScales();
    ExprContext probe;
    for (int k = 1; k <= m; ++k) {
      const int code = codes[static_cast<std::size_t>(k - 1)];
      t.fit.terms[static_cast<std::size_t>(k)] = code;
      long double size = 0;
      for (const TPoint& p : EvaluationPoints()) size = std::max(size, std::fabs(TermValue(probe, p.x, p.y, code, scales)));
      t.fit.parameters[static_cast<std::size_t>(k)] = Signed(0.02L, 0.12L) / size;
      t.label += " " + std::to_string(code);
    }
    return t;
  }

  // A built-in non-linear equation with every parameter in [0.6, 1.8]: amplitudes, centres
  // inside the box, widths, rates and exponents alike.
  TTestFit Nonlinear(int equationNumber) {
    const TNonlinearEntry entry = BuiltinNonlinearEntry(NonlinearIndexOfEquation(equationNumber));
    TTestFit t{"nonlinear " + std::to_string(equationNumber), Base(equationNumber, entry.parameters - 1)};
    t.fit.shapeEvaluator = entry.evaluator;
    for (int k = 0; k < entry.parameters; ++k) t.fit.parameters[static_cast<std::size_t>(k)] = Uniform(0.6L, 1.8L);
    return t;
  }

  // Order index k of a series family.
  TTestFit Series(int code, int k) {
    const TSeriesFamily& family = *SeriesFamilyOf(code);
    const int m = family.paramCount(k);
    TTestFit t{"series " + std::to_string(code) + " order " + std::to_string(k), Base(family.firstEquation + k, m)};
    t.fit.descriptor = {kKindX, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(m),
                        kKindY, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(m)};
    for (int j = 0; j <= m; ++j) t.fit.parameters[static_cast<std::size_t>(j)] = Signed(0.1L, 1.0L);
    if (family.rationalPhase) {
      // The denominator's coefficients: 1, 2, then 4j+1 and 4j+2.
      for (int j = 1; j <= m; ++j)
        if (j <= 2 || (j >= 5 && (j - 1) % 4 <= 1)) t.fit.parameters[static_cast<std::size_t>(j)] *= 0.05L;
    }
    return t;
  }

 private:
  std::mt19937_64 rng_;
};

// A fit of an equation number with the given parameters P0, P1, ... and nothing else set.
inline TFitEqn FitWithParameters(int equationNumber, std::initializer_list<long double> p) {
  TFitEqn fit = TFitMaker::Base(equationNumber, static_cast<int>(p.size()) - 1);
  std::copy(p.begin(), p.end(), fit.parameters.begin());
  return fit;
}

// Every family: the full forms, polynomials in every pair of transforms, rationals, the 42
// term functions under the three dependent variables, the 172 non-linear equations (with a
// few negative widths and rates) and every order span of the series families.
inline std::vector<TTestFit> AllFamilies() {
  TFitMaker make;
  std::vector<TTestFit> fits;
  for (int n = 301; n <= 318; ++n) fits.push_back(make.Linear(n));
  for (int n = 1301; n <= 1304; ++n) fits.push_back(make.Linear(n));
  // Additive polynomials: X kind, then orders (1,1), (3,2), (5,5) of every Y kind.
  for (int xKind = 0; xKind < 3; ++xKind)
    for (int yKind = 0; yKind < 3; ++yKind)
      for (const auto& [i, j] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{5, 5}})
        fits.push_back(make.Linear(75 * xKind + 15 * (i - 1) + 5 * yKind + j));
  for (int n = 1001; n <= 1256; n += 11) fits.push_back(make.Linear(n));
  for (int variant = 0; variant < 3; ++variant) {
    for (int first = 0; first < 42; first += 7) {
      std::vector<int> codes;
      for (int c = first; c < first + 7; ++c) codes.push_back(c);
      fits.push_back(make.Subset(variant, codes));
    }
  }
  fits.push_back(make.Subset(0, {3, 24, 9, 30, 16, 37, 0, 21}));
  for (int n = kFirstBuiltinNonlinear; n <= kLastBuiltinNonlinear; ++n) fits.push_back(make.Nonlinear(n));
  // Negative widths and rates: Gauss, sigmoid, exponential and power.
  for (const int n : {2001, 2117, 2146, 2161}) {
    TTestFit t = make.Nonlinear(n);
    for (int k = 2; k <= t.fit.m; k += 2) t.fit.parameters[static_cast<std::size_t>(k)] *= -1;
    t.label += " negative";
    fits.push_back(t);
  }
  // Each series family at its first, a middle and its last order; the Chebyshev orders 6
  // (index 4) and denominator order 7 (index 5) are the first that hold the surface at the
  // edge of the data.
  for (const int code : {224, 225, 226, 227, 235, 236})
    for (const int k : {0, 4, 8}) fits.push_back(make.Series(code, k));
  for (const int code : {228, 229, 230, 231})
    for (const int k : {0, 5, 9}) fits.push_back(make.Series(code, k));
  for (const int k : {0, 4, 9}) fits.push_back(make.Series(237, k));
  for (const int k : {0, 1, 2, 3}) fits.push_back(make.Series(234, k));
  return fits;
}

}  // namespace codegen_test
