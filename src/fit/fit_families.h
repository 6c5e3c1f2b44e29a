// The equation families that are linear in their parameters, as the fit-run driver, the refit
// of a chosen fit and the confidence limits use them. This header is the one statement of
// their contract:
//
// Fitting (called by RunFitFamilies on the thread of the run, with the run's context):
// - a family appends its fits to ctx.list and returns the number appended, -1 when the user
//   aborted (the family has then taken back every record it appended) or -2 when memory for
//   its work tables ran out (it appended nothing);
// - it counts each equation it tries in ctx.counters.tried and in its phase's counter
//   (polynomial or rational), and reports through ctx.Progress at its stage (2 polynomial,
//   3 rational); a 0 answer aborts;
// - it reads the run's sums table, scales, ln-x/ln-y exclusions and fit tolerance from the
//   context, and solves in the context's scratch matrix and vector;
// - every record carries the statistics of StoreFitStatistics with the run's SST (ctx.sst)
//   and the active point count, and only fits with 0 <= SSE <= SST are stored.
//
// The linear entries take (keep count K, term limit L, family mask, SVD switch, progress
// total); the series entries (largest m, distinct X count, distinct Y count, selection word,
// SVD switch, progress total). The series entries do nothing unless their bit is set in the
// word and their log axes are usable.
//
// Evaluation of a stored fit: by the descriptor of its record (kind 1 and 2) and, for the
// series families, by the family code (descriptor byte 1) with the parameters, m and the
// series scales of the run that fitted it (taken into the current fit at its refit). An
// evaluation that fails sets the calling thread's expression math error (the caller turns it
// into the missing value), as every evaluation of the program does.
#pragma once

#include <cstdint>
#include <span>

#include "fit/fit_run.h"

class TSumsTable;

// Transform kinds of the polynomial and rational families; they also appear in the fit
// descriptors and the term codes.
enum TransformKind : int {
  kKindX = 5,
  kKindLnX = 6,
  kKindInvX = 7,
  kKindY = 8,
  kKindLnY = 9,
  kKindInvY = 10,
};

// Family codes of descriptor byte 1.
enum FitFamilyCode : int {
  kFamilyChebXY = 224,
  kFamilyChebLnXY = 225,
  kFamilyChebXLnY = 226,
  kFamilyChebLnXLnY = 227,
  kFamilyChebRatXY = 228,
  kFamilyChebRatLnXY = 229,
  kFamilyChebRatXLnY = 230,
  kFamilyChebRatLnXLnY = 231,
  kFamilyFourier2 = 234,
  kFamilySigmoid = 235,
  kFamilyCosine = 236,
  kFamilyFourier = 237,
  kFamilyQuadratic = 254,  // full quadratic polynomial
  kFamilyCubic = 255,      // full cubic polynomial; in a rational fit the full quadratic rational
};

// True for the codes of the series families (224-231, 234-237).
bool IsSeriesFamily(int code);

// ---- Phase 2: polynomial families -------------------------------------------------------
// Additive polynomials z = a + Σ b_p X^p + Σ c_q Y^q, X in x, ln x, 1/x and Y in y, ln y,
// 1/y, orders 1..5 each (equations 1-225).
int FitPolynomialEquations(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                           bool svd, std::uint32_t total);
// Full quadratic (254) and full cubic (255) in the same X and Y (equations 301-318).
int FitTransformPolynomials(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                            bool svd, std::uint32_t total);

// ---- Phase 3: rational families ---------------------------------------------------------
// (a + Σ a_p X^p + Σ b_q Y^q) / (1 + Σ c_s X^s + Σ d_r Y^r), X in x, ln x and Y in y, ln y,
// orders 1..3 (equations 1001-1256).
int FitRationalEquations(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                         bool svd, std::uint32_t total);
// Full quadratic over full quadratic (equations 1301-1304).
int FitRationalEquations2(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                          bool svd, std::uint32_t total);

// ---- Series families (phase 2: 224-227, 235, 237, 234, 236; phase 3: 228-231) -----------
using TSeriesEntryFn = int (*)(TFitRunContext& ctx, int largestM, int distinctX, int distinctY,
                               std::uint32_t word, bool svd, std::uint32_t total);
int FitChebFamilyXY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebFamilyLnXY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebFamilyXLnY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebFamilyLnXLnY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitSigmoidFamily(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitFourierFamily(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitFourierFamily2(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitCosineFamily(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebRatFamilyXY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebRatFamilyLnXY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebRatFamilyXLnY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);
int FitChebRatFamilyLnXLnY(TFitRunContext&, int, int, int, std::uint32_t, bool, std::uint32_t);

// ---- Evaluation of stored fits ----------------------------------------------------------
// Kind 1 outside the series codes: the additive polynomials and the families 254 and 255.
// 1/x at x = 0 (1/y at y = 0) sets "Division by Zero", ln x at x <= 0 its logarithm error;
// the result is then 0.
long double EvalTransformedPolynomial(long double x, long double y, const long double* p,
                                      const std::uint8_t* descriptor);
// Kind 2 outside the Chebyshev rational codes. A denominator that is exactly 0 gives 0.
long double EvalRationalEquation(long double x, long double y, const long double* p,
                                 const std::uint8_t* descriptor);
// The same fits from their coefficients in a frame (TFitResult::frameParameters): X and Y
// transformed as above, then shifted and scaled by the frame, with the same faults.
long double EvalFramedPolynomial(long double x, long double y, const long double* framed,
                                 const std::uint8_t* descriptor, const TPolynomialFrame& frame);
long double EvalFramedRational(long double x, long double y, const long double* framed,
                               const std::uint8_t* descriptor, const TPolynomialFrame& frame);
// The polynomial and the rational of a descriptor at transformed (and, for a framed fit,
// shifted) coordinates X and Y: the arithmetic of the evaluators above without the transforms.
long double PolynomialTermsValue(long double X, long double Y, const long double* p, const std::uint8_t* descriptor);
long double RationalTermsValue(long double X, long double Y, const long double* p, const std::uint8_t* descriptor);
// The series families by code, with their m. A point outside a log axis's domain (x <= 0 on
// an ln x axis) gives the missing value; an unknown code gives 0.
long double EvalSeriesFamily(int code, long double x, long double y, const long double* p,
                             int m, const SeriesScales& scales);
// The design row of a series fit at (x, y): row[0..m] = the derivatives of the value with
// respect to the m + 1 parameters (for the Chebyshev rationals the row of the linearised fit
// at the fitted value z). False (row untouched) for a point outside a log axis's domain or an
// unknown code.
bool SeriesDesignRow(int code, long double x, long double y, long double z, int m,
                     long double* row, const SeriesScales& scales);

// ---- Normal equations of a stored fit (the refit inverts them) ---------------------------
// The weighted normal equations of a polynomial or rational record, read from the sums table
// of the run that made it, into the top-left (m+1) x (m+1) block of `a` and b[0..m]. False
// for a descriptor these families do not make.
bool PolynomialNormalEquations(const TSumsTable& sums, const std::uint8_t* descriptor,
                               long double* const* a, long double* b);
bool RationalNormalEquations(const TSumsTable& sums, const std::uint8_t* descriptor,
                             long double* const* a, long double* b);
// The weighted normal equations of a series fit over the active points of `table` (records
// 1..N), weights W·weightScale. False for an unknown code, an m the family does not have, or
// when memory for the work rows is short.
bool SeriesNormalEquations(int code, int m, std::span<const TXYZPoint> points,
                           long double weightScale, const SeriesScales& scales,
                           long double* const* a, long double* b);
// The inverse of that normal matrix formed at the points by QR of the weighted rows, for a
// fit whose normal matrix is too ill-conditioned to be inverted itself. False as above, or
// for a singular design.
bool SeriesNormalInverseAtPoints(int code, int m, std::span<const TXYZPoint> points, long double weightScale,
                                 const SeriesScales& scales, long double* const* inverse);
