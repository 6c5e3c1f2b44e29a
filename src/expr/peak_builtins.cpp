#include "expr/peak_builtins.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "expr/interpreter.h"
#include "expr/special_functions.h"

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kSqrt2 = std::numbers::sqrt2_v<long double>;
// What LDR puts in place of an abscissa or scale of 0 or less.
constexpr long double kLdrFloor = 1e-12L;
// Just below ln of the largest long double (11356.52...): e^x beyond it overflows.
constexpr long double kLargestExponent = 11356.5L;

// e^x where an overflow is no failure: the caller divides by it or takes e^-(e^x), so that the
// value it makes is 0 to the last bit (a sigmoid far below its rise, a Gumbel density far on
// its left). Infinity then stands for it, as it does in the fitting evaluators, and no
// "Exponential: Overflow" fails the run of a shape that has a value.
long double ExpOrInfinity(ExprContext& ctx, long double x) {
  if (x > kLargestExponent) return std::numeric_limits<long double>::infinity();
  return ExprMathExp(ctx, x);
}

// u = (v - b) / c with the safe division.
long double Standardised(ExprContext& ctx, long double v, const long double* p) {
  return ExprSafeDivide(ctx, v - p[1], p[2]);
}

// w = ln(v / b) / (sqrt(2) c) for the log-normal transition, u = ln(v / b) / c for the peak.
long double LogStandardised(ExprContext& ctx, long double v, const long double* p,
                            long double scale) {
  const long double ratio = ExprSafeDivide(ctx, v, p[1]);
  // A zero scale is the division's fault, and "Division by Zero" is what the user is told:
  // the logarithm of the 0 the failed division leaves would name "Log: Zero Singularity".
  if (p[1] == 0 || std::isnan(p[1])) return ratio;
  return ExprSafeDivide(ctx, ExprMathLog(ctx, ratio), scale * p[2]);
}

}  // namespace

long double ShapeGAUSS(ExprContext& ctx, long double v, long double* p) {
  const long double u = Standardised(ctx, v, p);
  return p[0] * ExprMathExp(ctx, -u * u * 0.5L);
}

long double ShapeLOR(ExprContext& ctx, long double v, long double* p) {
  const long double u = Standardised(ctx, v, p);
  return p[0] / (u * u + 1);
}

long double ShapeLOGNORM(ExprContext& ctx, long double v, long double* p) {
  const long double u = LogStandardised(ctx, v, p, 1);
  return p[0] * ExprMathExp(ctx, -u * u * 0.5L);
}

// 4q/(q + 1)² is even in u: it is formed with q = e^-|u|, which never overflows, so that far
// on the rising side (u below -5678, where (q + 1)² overflowed) the peak has its tiny value.
long double ShapeLOGISTIC(ExprContext& ctx, long double v, long double* p) {
  const long double q = ExprMathExp(ctx, -std::fabs(Standardised(ctx, v, p)));
  return 4 * p[0] * q / ((q + 1) * (q + 1));
}

long double ShapeEXTRVAL(ExprContext& ctx, long double v, long double* p) {
  const long double u = Standardised(ctx, v, p);
  const long double q = ExpOrInfinity(ctx, -u);
  return p[0] * ExprMathExp(ctx, -q - u + 1);
}

// Below the centre the lower tail comes from erfc, which keeps its digits there: erf w + 1
// cancels, to 0 from seven widths down where the value is still 1e-12 and more.
long double ShapeGCUM(ExprContext& ctx, long double v, long double* p) {
  const long double w = ExprSafeDivide(ctx, v - p[1], kSqrt2 * p[2]);
  if (w < 0) return p[0] * 0.5L * BuiltinERFC(-w);
  return p[0] * 0.5L * (BuiltinERF(w) + 1);
}

long double ShapeLORCUM(ExprContext& ctx, long double v, long double* p) {
  const long double u = Standardised(ctx, v, p);
  return p[0] * (std::atan(u) / kPi + 0.5L);
}

long double ShapeLNCUM(ExprContext& ctx, long double v, long double* p) {
  const long double w = LogStandardised(ctx, v, p, kSqrt2);
  return p[0] * 0.5L * BuiltinERFC(p[2] / kSqrt2 - w);
}

long double ShapeSIG(ExprContext& ctx, long double v, long double* p) {
  return p[0] / (ExpOrInfinity(ctx, -Standardised(ctx, v, p)) + 1);
}

long double ShapeEXVCUM(ExprContext& ctx, long double v, long double* p) {
  return p[0] * ExprMathExp(ctx, -ExpOrInfinity(ctx, -Standardised(ctx, v, p)));
}

// An abscissa or scale of 0 or less (or not a number) becomes 1e-12, as in the fitting
// evaluators; the repaired scale is written back to the work area. Where (v/b)^-c overflows
// the dose response is 0 to the last bit, as in the evaluators, rather than a failed run.
long double ShapeLDR(ExprContext& ctx, long double v, long double* p) {
  if (!(v > 0)) v = kLdrFloor;
  if (!(p[1] > 0)) p[1] = kLdrFloor;
  const long double ratio = v / p[1];
  if (ratio > 0 && std::isfinite(ratio) && -p[2] * std::log(ratio) > kLargestExponent) return 0;
  return p[0] / (ExprMathPow(ctx, ratio, -p[2]) + 1);
}

long double ShapeEXP(ExprContext& ctx, long double v, long double* p) {
  return p[0] * ExprMathExp(ctx, -ExprSafeDivide(ctx, v, p[1]));
}

// Exactly 0 at v <= 0 (and for a NaN), without calling the power function.
long double ShapePOW(ExprContext& ctx, long double v, long double* p) {
  if (!(v > 0)) return 0;
  return p[0] * ExprMathPow(ctx, v, p[1]);
}
