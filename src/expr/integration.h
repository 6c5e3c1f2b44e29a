// Numerical integration engines of the calculation language and of the program's volume
// computations: Gauss-Legendre with order doubling, the fixed-order Gauss rule, Romberg,
// the integral as the solution of y' = f(x) by Runge-Kutta or Bulirsch-Stoer steps, the
// automatic integral that tries them in turn, adaptive Simpson, and two double integrals.
//
// Every engine works on an integral record the caller owns (`TIntegRecord`): the
// tolerance, the failure flag and the error estimate of the integral in progress. The
// language's built-ins use the record of their thread (calculus_state.h); other callers
// pass their own, so an integral whose integrand runs a user-defined function that
// integrates again never sees its record rewritten.
//
// The integrand is any function of one long double (two for the double integrals) that
// reports failure at a point only by leaving a non-zero code in ctx.ExprMathError; the
// engines clear and test that code around their evaluations and raise their own:
// -100 "Integral: Convergence Failure", -101 "Integral: Failure due to Singularity",
// -102 "Gaussian Quadrature Overlay Missing", -32 "Insufficient Memory".
//
// Infinite limits are integrated through the substitution x = 1/u (the integrand becomes
// f(1/u)/u^2); a range reaching past -2 or 2 that does not converge directly is tried
// again with its far parts through that substitution.
#pragma once

#include <memory>
#include <type_traits>

#include "expr/eval_context.h"

enum ExprIntegralError : int {
  kErrIntegralConvergence = -100,
  kErrIntegralSingularity = -101,
  kErrQuadTableMissing = -102,
};

// The state of one integral in progress.
struct TIntegRecord {
  long double IntegTolerance = 0;
  int IntegFailed = 0;  // 1 when the last attempt did not converge or met a singular point
  // Sum of the pieces' estimates: the last relative change (Gauss), the extrapolation
  // error (Romberg), the step error (differential equation); Simpson's absolute estimate.
  long double IntegErrorEstimate = 0;
  // 1 when the integral failed because every value it took vanished in underflow (Gauss,
  // Simpson): no evidence of mass, nor of its absence. A double integral takes such an
  // inner integral as a value that vanished (see IntegrateDouble).
  int IntegVanished = 0;
};

// A non-owning reference to a callable: the engines take their integrands through it, so
// callers pass lambdas without allocation. It must not outlive the callable.
template <typename Signature>
class TFunctionRef;

template <typename R, typename... Args>
class TFunctionRef<R(Args...)> {
 public:
  template <typename F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, TFunctionRef> && std::is_invocable_r_v<R, F&, Args...>)
  TFunctionRef(F&& f)  // NOLINT(google-explicit-constructor): used like a function parameter
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        call_([](void* o, Args... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(o))(args...);
        }) {}

  R operator()(Args... args) const { return call_(object_, args...); }

 private:
  void* object_;
  R (*call_)(void*, Args...);
};

using TIntegrand = TFunctionRef<long double(long double)>;
using TIntegrand2 = TFunctionRef<long double(long double, long double)>;

// Gauss-Legendre rules of order 2, 4, ..., 128 on each piece of the range until two
// successive orders from 8 on agree to tol (relative) and the values at points no rule
// took (the middle, next to the ends, the nodes of the order before) lie on the
// polynomial through the last order's values: a jump between the middle nodes or next to
// an end gives two sums that agree exactly. Values that all vanished in underflow prove no
// zero: the piece is searched at finer spacing, and the integral fails when no piece of
// the range shows a value. Sets the record's fields.
long double IntegrateGauss(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol);

// The N-point Gauss-Legendre value on finite [a, b], N even 2..128, without error control;
// leaves any record alone. A point where f fails is retried once, nudged; when that fails
// too, -101 and the missing value.
long double IntegrateGaussN(ExprContext& ctx, TIntegrand f, long double a, long double b, int n);

// Romberg extrapolation of trapezoid (closed) or midpoint (open) sums.
long double IntegrateRomberg(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                             long double tol);
// The integral as y(b) of y' = f(x), y(a) = 0: step-doubling Runge-Kutta or Bulirsch-Stoer.
long double IntegrateOdeRK(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol);
long double IntegrateOdeBS(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol);

// The tanh-sinh (double-exponential) rule, for integrands singular at an end: the step
// halved until two levels agree to tol (relative), the new values of the last one lie on
// the curve through those of the one before (a kink, a cusp or a jump inside the range
// does not) and what lies beyond the outermost points is within tol. Infinite limits (and a wide range that fails directly) through
// x = 1/u, like the others. Sets the record's three fields; a failure raises -100 (or
// -101 where f failed inside the range).
long double IntegrateTanhSinh(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                              long double tol);

// Gauss first; when it fails, the tanh-sinh rule; on a finite range then the split at an
// inner point where f is singular or sharply peaked, each part by the tanh-sinh rule; then
// the confirmed Gauss rule on halves of halves of the range; then Romberg and
// Bulirsch-Stoer (the order depending on the limits and on whether f is defined there),
// then Runge-Kutta (the differential-equation engines not where an inner singular point
// was found, nor a place inside the range on which no part of the halves converged however
// narrow: they step across such places unseen); when all fail, -100 and the result with
// the smallest estimate. All engines together take at most
// kAutoIntegralValues values of f: an integral that fails everywhere once ran through
// some five million (seconds where f is a line of a user function); beyond the budget
// the integral fails with -100.
inline constexpr long long kAutoIntegralValues = 400'000;
long double IntegrateAuto(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                          long double tol);

// Adaptive Simpson with an absolute tolerance (at least 1e-14). Sets
// rec.IntegErrorEstimate (at most 1) and, on failure, ExprMathError; leaves the other
// fields alone.
long double IntegrateSimpson(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                             long double tol);

// The integral of f(x, y) over [x1, x2] x [y1, y2] (x outer, y inner) by nested Gauss
// (IntegrateDouble) or nested Simpson (IntegrateDouble2) integrals. The missing value
// when f fails or is missing at a corner. errOut, when given, receives the largest error
// estimate of the inner integrals. An inner integral whose values all vanished in
// underflow is a value of the outer integrand that vanished in underflow: 0 where the
// outer integral shows mass elsewhere, a failure where it shows none.
long double IntegrateDouble(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                            long double y1, long double y2, long double tol, long double* errOut);
long double IntegrateDouble2(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                             long double y1, long double y2, long double tol, long double* errOut);

// The double integral of f over [x1, x2] x [y1, y2] to tol (relative), confirmed over the
// whole rectangle: the nested answer (`first`) stands where a product Gauss-Kronrod rule on
// 8 x 8 cells agrees with it, else the cells are integrated adaptively until their
// estimates add up to the tolerance, and the nested answer still stands where that agrees
// with it. errOut, when given, receives the estimate relative to the integral, the outer
// integration's own included. Where the cells do not converge (a divergent or noisy f,
// some million values spent), -100 with the cells' value and estimate; where f fails at a
// point, -101 and the missing value. The nested answer is kept as it is where it fails at
// a corner or a point, where the limits are not finite, and where every value of the
// cells vanished in underflow.
enum class TDoubleFirst { kNestedGauss, kNestedSimpson };
long double IntegrateDoubleConfirmed(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1,
                                     long double x2, long double y1, long double y2, long double tol,
                                     long double* errOut, TDoubleFirst first = TDoubleFirst::kNestedGauss);
