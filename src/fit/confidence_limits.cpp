#include "fit/confidence_limits.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "app/long_double.h"
#include "app/settings_file.h"
#include "expr/eval_context.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"
#include "fit/candidate_terms.h"
#include "fit/fit_families.h"
#include "fit/linear_design.h"
#include "tools/udf/udf_evaluation.h"

namespace {

// Integer powers v, v², .. v^n into g[first..first+n-1].
void Powers(long double v, int n, long double* g) {
  long double p = 1.0L;
  for (int k = 0; k < n; ++k) g[k] = p *= v;
}

// The row of a polynomial fit at transformed coordinates X, Y.
bool PolynomialRow(const TFitEqn& e, long double X, long double Y, long double* g) {
  const int code = e.descriptor[1];
  if (code == kFamilyQuadratic || code == kFamilyCubic) {
    const long double row[10] = {1, X, Y, X * X, Y * Y, X * Y, X * X * X, Y * Y * Y, X * Y * Y, X * X * Y};
    const int n = code == kFamilyCubic ? 10 : 6;
    if (e.m + 1 != n) return false;
    std::copy(row, row + n, g);
    return true;
  }
  const int nx = code, ny = e.descriptor[4];
  if (nx + ny != e.m) return false;
  Powers(X, nx, g + 1);
  Powers(Y, ny, g + 1 + nx);
  return true;
}

// The linearised row of a rational fit at transformed coordinates X, Y and the fitted z.
bool RationalRow(const TFitEqn& e, long double X, long double Y, long double z, long double* g) {
  if (e.descriptor[1] == kFamilyCubic) {
    const long double row[11] = {1,         z * X,     X,         z * Y,         Y,    z * X * X,
                                 X * X,     z * Y * Y, Y * Y,     z * X * Y,     X * Y};
    if (e.m != 10) return false;
    std::copy(row, row + 11, g);
    return true;
  }
  const int a = e.descriptor[1], b = e.descriptor[4], c = e.descriptor[2], d = e.descriptor[5];
  if (a + b + c + d != e.m) return false;
  Powers(X, a, g + 1);
  Powers(Y, b, g + 1 + a);
  Powers(X, c, g + 1 + a + b);
  Powers(Y, d, g + 1 + a + b + c);
  for (int i = 1 + a + b; i <= e.m; ++i) g[i] *= z;
  return true;
}

// g[0..m]: the gradient of the fitted value with respect to the parameters. False when the
// record has no gradient (an unknown family or a shape without its evaluator).
bool Gradient(const TFitSide& side, ExprContext& ctx, long double x, long double y, long double z,
              long double* g) {
  const TFitEqn& e = side.eqn;
  const int m = e.m;
  const int code = e.descriptor[1];
  g[0] = 1.0L;
  switch (e.kind) {
    case kKindPolynomial: {
      if (IsSeriesFamily(code)) return SeriesDesignRow(code, x, y, z, m, g, side.scales.series);
      if (e.framed) return LinearDesignRow(e, side.scales, ctx, x, y, z, g);
      long double X = x, Y = y;
      if (e.descriptor[0] == kKindLnX) X = ExprMathLog(ctx, x);
      if (e.descriptor[0] == kKindInvX) X = ExprSafeDivide(ctx, 1.0L, x);
      if (e.descriptor[3] == kKindLnY) Y = ExprMathLog(ctx, y);
      if (e.descriptor[3] == kKindInvY) Y = ExprSafeDivide(ctx, 1.0L, y);
      return PolynomialRow(e, X, Y, g);
    }
    case kKindRational: {
      if (IsSeriesFamily(code)) return SeriesDesignRow(code, x, y, z, m, g, side.scales.series);
      if (e.framed) return LinearDesignRow(e, side.scales, ctx, x, y, z, g);
      const long double X = e.descriptor[0] == kKindLnX ? ExprMathLog(ctx, x) : x;
      const long double Y = e.descriptor[3] == kKindLnY ? ExprMathLog(ctx, y) : y;
      return RationalRow(e, X, Y, z, g);
    }
    case kKindNonlinear: {
      long double a[kFitEqnSlots + 1], dz[kFitEqnSlots + 1] = {};
      std::copy(e.parameters.begin(), e.parameters.begin() + m + 1, a + 1);
      long double value = 0.0L;
      if (IsUdfEquation(e.equationNumber))
        UdfFitEvaluate(ctx, e.equationNumber - kFirstUdfEquation, x, y, a, &value, dz);
      else if (e.shapeEvaluator)
        e.shapeEvaluator(x, y, a, &value, dz);
      else
        return false;
      std::copy(dz + 1, dz + m + 2, g);
      return true;
    }
    case kKindTermSubset: {
      const std::span<const std::int32_t> terms(e.terms.data(), static_cast<std::size_t>(m) + 1);
      long double s = e.parameters[0];
      for (int i = 1; i <= m; ++i) {
        g[i] = TermValue(ctx, x, y, terms[static_cast<std::size_t>(i)], side.scales);
        s += e.parameters[static_cast<std::size_t>(i)] * g[i];
      }
      // The fitted value is exp(s) or 1/s of the linear part: its gradient carries the
      // derivative of the back-transform.
      long double factor = 1.0L;
      if (terms[0] == 1) {
        factor = ExprMathExp(ctx, s);
      } else if (terms[0] == 2) {
        const long double zf = ExprSafeDivide(ctx, 1.0L, s);
        factor = -zf * zf;
      }
      if (factor != 1.0L)
        for (int i = 0; i <= m; ++i) g[i] *= factor;
      return true;
    }
    default: return false;
  }
}

long double LimitOf(const TFitSide& side, int level, long double x, long double y, long double z, bool prediction) {
  long double observation = 0.0L;
  const long double mean = ComputeSideLimitErrors(side, ExprThreadContext(), x, y, z, observation);
  const long double error = prediction ? observation : mean;
  const long double ts = side.eqn.tTimesStdError[static_cast<std::size_t>(std::clamp(level, 0, 4))];
  if (error == 0.0L || std::isnan(error) || !IsUsableValue(ts))
    return ExprErrorValue;
  const long double limit = ts * error;
  return std::isfinite(limit) ? limit : ExprErrorValue;
}

}  // namespace

long double ComputeSideLimitErrors(const TFitSide& side, ExprContext& ctx, long double x,
                                   long double y, long double z, long double& observationError) {
  observationError = 0.0L;
  const TFitEqn& e = side.eqn;
  const int m = e.m;
  if (!side.covarianceValid || m < 0 || m > kMaxFitM) return 0.0L;
  ctx.ExprMathError = 0;
  long double g[kFitEqnSlots] = {};
  if (!Gradient(side, ctx, x, y, z, g)) return 0.0L;

  // A framed fit's gradient is in its frame coefficients, and so is the matrix it meets.
  const LDMatrix& c = e.framed && IsMonomialFit(e) ? side.frameCovariance : side.covariance;
  if (c.Rows() <= m) return 0.0L;
  long double q = 0.0L;
  for (int i = 0; i <= m; ++i) {
    long double h = 0.0L;
    for (int j = 0; j <= m; ++j) h += c[j][i] * g[j];
    q += g[i] * h;
  }
  observationError = ExprMathSqrt(ctx, q + 1.0L);
  if (ctx.ExprMathError != 0) observationError = 0.0L;
  long double mean = ExprMathSqrt(ctx, q);
  if (ctx.ExprMathError != 0) mean = 0.0L;
  return mean;
}

long double ComputeLimitErrors(const TFitSide& fit, long double x, long double y, long double z,
                               long double& observationError) {
  return ComputeSideLimitErrors(fit, ExprThreadContext(), x, y, z, observationError);
}

int LimitsLevelIndex() { return std::clamp(static_cast<int>(CurrentSettings().LimitsLevel), 0, 4); }

const char* LimitsLevelText(int level) {
  static constexpr const char* kTexts[] = {"90.00", "95.00", "99.00", "99.90", "99.99"};
  return kTexts[std::clamp(level, 0, 4)];
}

long double ConfidenceLimit(const TFitSide& fit, long double x, long double y, long double z) {
  return LimitOf(fit, LimitsLevelIndex(), x, y, z, false);
}

long double PredictionLimit(const TFitSide& fit, long double x, long double y, long double z) {
  return LimitOf(fit, LimitsLevelIndex(), x, y, z, true);
}

long double LimitAtLevel(const TFitSide& fit, int level, bool prediction, long double x, long double y,
                         long double z) {
  return LimitOf(fit, level, x, y, z, prediction);
}
