// The polynomial families: additive polynomials in X and Y (equations 1-225) and the full
// quadratic and cubic (254, 255; equations 301-318), with X one of x, ln x, 1/x and Y one
// of y, ln y, 1/y. Each is fitted from the sums table alone.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "app/xyz_point.h"
#include "expr/eval_context.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"
#include "fit/equation_forms.h"
#include "fit/fit_families.h"
#include "fit/fit_statistics.h"
#include "fit/linear_fit.h"
#include "fit/polynomial_frame.h"
#include "numerics/dense_solvers.h"

namespace {

constexpr int kMaxOrder = 5;
constexpr int kMaxTerms = 10;  // the largest number of non-constant terms of these families

// Term codes of the cross terms of the full quadratic and cubic.
constexpr int kCodeXY = 165, kCodeXY2 = 175, kCodeX2Y = 185;

// The selected X and Y kinds of a family mask (bits 1 x, 2 ln x, 4 1/x, 8 y, 16 ln y, 32 1/y);
// the ln and reciprocal kinds are left out when the data's range excludes them.
struct TKindSelection {
  std::vector<int> x, y;
};

TKindSelection SelectedKinds(const TFitRunContext& ctx, std::uint32_t mask) {
  TKindSelection k;
  if (mask & kPolyX) k.x.push_back(kKindX);
  if ((mask & kPolyLnX) && !ctx.lnXExcluded) k.x.push_back(kKindLnX);
  if ((mask & kPolyInvX) && !ctx.invXExcluded) k.x.push_back(kKindInvX);
  if (mask & kPolyY) k.y.push_back(kKindY);
  if ((mask & kPolyLnY) && !ctx.lnYExcluded) k.y.push_back(kKindLnY);
  if ((mask & kPolyInvY) && !ctx.invYExcluded) k.y.push_back(kKindInvY);
  return k;
}

int AdditiveComplexity(int m, int xKind, int yKind) {
  return AddKindComplexity(std::trunc(static_cast<long double>(2.06f) * m), xKind, yKind);
}

int FullComplexity(bool cubic, int xKind, int yKind) {
  const int m = cubic ? 9 : 5;
  long double c =
      std::trunc(static_cast<long double>(2.06f) * m + static_cast<long double>(1.06f));
  if (cubic) c = std::trunc(c + static_cast<long double>(4.24f));
  return AddKindComplexity(c, xKind, yKind);
}

// The basis, parameter order and term codes of the full quadratic (a, X, Y, X², Y², XY) and
// the full cubic (then X³, Y³, XY², X²Y).
int FullBasis(bool cubic, int xKind, int yKind, TMonomial* basis, std::int32_t* terms) {
  static constexpr TMonomial kFull[10] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {0, 2, 0},
                                          {1, 1, 0}, {3, 0, 0}, {0, 3, 0}, {1, 2, 0}, {2, 1, 0}};
  const int cross = xKind + 3 * (yKind - kKindY);
  const std::int32_t codes[10] = {0,          10 * xKind,     10 * yKind,     10 * xKind + 1,
                                  10 * yKind + 1, kCodeXY + cross, 10 * xKind + 2, 10 * yKind + 2,
                                  kCodeXY2 + cross, kCodeX2Y + cross};
  const int n = cubic ? 10 : 6;
  std::copy(kFull, kFull + n, basis);
  if (terms) std::copy(codes, codes + n, terms);
  return n;
}

// The basis a, X..X^i, Y..Y^j of an additive polynomial, with its term codes.
int AdditiveBasis(int xKind, int i, int yKind, int j, TMonomial* basis, std::int32_t* terms) {
  int n = 0;
  basis[n] = {0, 0, 0};
  if (terms) terms[n] = 0;
  ++n;
  for (int p = 1; p <= i; ++p, ++n) {
    basis[n] = {p, 0, 0};
    if (terms) terms[n] = 10 * xKind + p - 1;
  }
  for (int q = 1; q <= j; ++q, ++n) {
    basis[n] = {0, q, 0};
    if (terms) terms[n] = 10 * yKind + q - 1;
  }
  return n;
}

// Equation numbers: the additive polynomials by X kind, X order, Y kind and Y order
// (1-225); the full quadratic and cubic by cubic, Y kind and X kind (301-318).
int AdditiveEquationNumber(int xKind, int i, int yKind, int j) {
  return 75 * (xKind - kKindX) + 15 * (i - 1) + 5 * (yKind - kKindY) + j;
}
int FullEquationNumber(bool cubic, int xKind, int yKind) {
  return 296 + 9 * (cubic ? 1 : 0) + 3 * (yKind - kKindY) + xKind;
}

// The basis of a stored polynomial fit from its descriptor; 0 for one these families do
// not make.
int DescriptorBasis(const std::uint8_t* d, TMonomial* basis) {
  const int xKind = d[0], yKind = d[3];
  if (xKind < kKindX || xKind > kKindInvX || yKind < kKindY || yKind > kKindInvY) return 0;
  if (d[1] == kFamilyQuadratic || d[1] == kFamilyCubic) {
    if (d[4] != d[1]) return 0;
    return FullBasis(d[1] == kFamilyCubic, xKind, yKind, basis, nullptr);
  }
  if (d[1] < 1 || d[1] > kMaxOrder || d[4] < 1 || d[4] > kMaxOrder) return 0;
  return AdditiveBasis(xKind, d[1], yKind, d[4], basis, nullptr);
}

// Σ w·(z - f)² over the active points of `points`, w = W·weightScale, f the polynomial of
// parameters p and descriptor d as EvalTransformedPolynomial evaluates it; +infinity where f
// is undefined at an active point. Leaves the math error cleared.
long double StoredPolynomialSse(std::span<const TXYZPoint> points, long double weightScale,
                                const long double* p, const std::uint8_t* d) {
  ExprContext& ctx = ExprThreadContext();
  long double sum = 0.0L;
  for (const TXYZPoint& q : points) {
    if (!IsActive(q)) continue;
    ctx.ExprMathError = 0;
    const long double f = EvalTransformedPolynomial(q.X, q.Y, p, d);
    if (ctx.ExprMathError != 0 || !std::isfinite(f)) {
      ctx.ExprMathError = 0;
      return std::numeric_limits<long double>::infinity();
    }
    const long double r = q.Z - f;
    sum += q.W * weightScale * r * r;
  }
  return sum;
}

// The polynomials solve in the run's frame (polynomial_frame.h) and store the coefficients
// of the raw powers. Where the frame shifts a kind or z, those coefficients are not the
// solution: far from the origin each is rounded, and their terms cancel to the surface, so
// that the stored equation fits worse than the solution did (by 10 % and more for a quintic
// in 1/x at x about -5e4). The SSE a fit is screened, refined, listed and ranked by is then
// that of the stored equation, evaluated at the points as everything else evaluates it; a
// fit in raw powers keeps the SSE of its normal equations.
class TPolynomialFamily final : public TLinearFamily {
 public:
  explicit TPolynomialFamily(const TFitRunContext& ctx)
      : TLinearFamily(ctx.PolynomialSums(), kStagePolynomial, &TFitCounters::polynomial, kScaleCap),
        frame_(ctx.scales.polynomialFrame),
        points_(ctx.points),
        weightScale_(ctx.stats.WeightScale),
        sst_(ctx.sst) {}
  long double SolutionSse(const KeptFit& fit, long double* solution) const override {
    const std::span<const TMonomial> basis(fit.basis.data(), static_cast<std::size_t>(fit.m) + 1);
    if (FrameLeavesRaw(frame_, fit.xKind, fit.yKind))
      return MonomialSse(normals, fit.xKind, fit.yKind, basis, solution);
    if (!FrameToRawCoefficients(frame_, fit.xKind, fit.yKind, basis, solution)) return kNotANumber;
    return StoredPolynomialSse(points_, weightScale_, solution, fit.descriptor.data());
  }
  // A fit in raw powers was kept with the SSE of its normal equations; the stored equation
  // has that SSE only where the solution satisfies them, to the digits the formula keeps.
  // Otherwise it is measured at the data.
  long double ListedSseOf(const KeptFit& fit) const override {
    if (!FrameLeavesRaw(frame_, fit.xKind, fit.yKind)) return fit.sse;
    const int n = fit.m + 1;
    const std::span<const TMonomial> basis(fit.basis.data(), static_cast<std::size_t>(n));
    long double cells[kMaxLinearParams * kMaxLinearParams], rhs[kMaxLinearParams];
    long double* rows[kMaxLinearParams];
    for (int i = 0; i < n; ++i) rows[i] = cells + i * n;
    if (BuildMonomialNormals(normals, fit.xKind, fit.yKind, basis, rows, rhs) &&
        NormalEquationSseStands(fit.sse, normals[TSumsTable::ZSquare(kVariantZ)],
                                std::span<const long double>(cells, static_cast<std::size_t>(n * n)),
                                fit.params.data(), rhs, n))
      return fit.sse;
    const long double measured =
        StoredPolynomialSse(points_, weightScale_, fit.params.data(), fit.descriptor.data());
    return ListedSse(fit.sse, measured, sst_);
  }

 private:
  // The x and y scales of the coefficient test are bounded by 1000.
  static constexpr long double kScaleCap = 1000.0L;
  static constexpr long double kNotANumber = std::numeric_limits<long double>::quiet_NaN();
  const TPolynomialFrame& frame_;
  const std::span<const TXYZPoint> points_;
  const long double weightScale_;
  const long double sst_;
};

}  // namespace

int FitPolynomialEquations(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                           bool svd, std::uint32_t total) {
  ctx.counters.polynomial = 0;
  const int M = std::min(limit, kMaxTerms);
  const TKindSelection kinds = SelectedKinds(ctx, mask);
  if (kinds.x.empty() || kinds.y.empty() || M < 2) return 0;
  // A power of X beside the constant needs one more distinct x value than its order.
  const int xOrders = std::min({M - 1, kMaxOrder, ctx.support.distinctX - 1});
  const int yOrders = std::min(kMaxOrder, ctx.support.distinctY - 1);

  // One keep list per number of non-constant terms m = 2..M.
  std::vector<TKeepList> lists;
  if (!AllocateKeepLists(lists, M - 1, keep)) return -2;
  const TPolynomialFamily family(ctx);
  const int listedBefore = ctx.Listed();

  for (int xKind : kinds.x) {
    for (int i = 1; i <= xOrders; ++i) {
      for (int yKind : kinds.y) {
        for (int j = 1; j <= std::min(M - i, yOrders); ++j) {
          KeptFit fit;
          fit.m = i + j;
          fit.xKind = xKind;
          fit.yKind = yKind;
          AdditiveBasis(xKind, i, yKind, j, fit.basis.data(), fit.terms.data());
          fit.descriptor = {static_cast<std::uint8_t>(xKind), static_cast<std::uint8_t>(i), 0,
                            static_cast<std::uint8_t>(yKind), static_cast<std::uint8_t>(j), 0};
          fit.equationNumber = AdditiveEquationNumber(xKind, i, yKind, j);
          fit.complexity = AdditiveComplexity(fit.m, xKind, yKind);
          if (!ScreenCandidate(ctx, fit, lists[static_cast<std::size_t>(fit.m - 2)], family, true,
                               total))
            return -1;
        }
      }
    }
  }
  const int appended = RecordKeptFits(ctx, lists, family, svd);
  return FinishLinearFamily(ctx, family, appended, listedBefore, total);
}

int FitTransformPolynomials(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                            bool svd, std::uint32_t total) {
  const int M = std::min(limit, kMaxTerms);
  const TKindSelection kinds = SelectedKinds(ctx, mask);
  if (kinds.x.empty() || kinds.y.empty() || M < 5) return 0;
  std::vector<TKeepList> lists;  // the quadratic list, then the cubic list
  if (!AllocateKeepLists(lists, 2, keep)) return -2;
  const TPolynomialFamily family(ctx);
  const int listedBefore = ctx.Listed();

  for (int xKind : kinds.x) {
    for (int yKind : kinds.y) {
      for (int cubic = 0; cubic <= (M >= 9 ? 1 : 0); ++cubic) {
        // The full quadratic needs three distinct values on each axis, the cubic four.
        const int order = cubic ? 3 : 2;
        if (ctx.support.distinctX <= order || ctx.support.distinctY <= order) break;
        const int code = cubic ? kFamilyCubic : kFamilyQuadratic;
        KeptFit fit;
        fit.m = cubic ? 9 : 5;
        fit.xKind = xKind;
        fit.yKind = yKind;
        FullBasis(cubic != 0, xKind, yKind, fit.basis.data(), fit.terms.data());
        fit.descriptor = {static_cast<std::uint8_t>(xKind), static_cast<std::uint8_t>(code), 0,
                          static_cast<std::uint8_t>(yKind), static_cast<std::uint8_t>(code), 0};
        fit.equationNumber = FullEquationNumber(cubic != 0, xKind, yKind);
        fit.complexity = FullComplexity(cubic != 0, xKind, yKind);
        if (!ScreenCandidate(ctx, fit, lists[static_cast<std::size_t>(cubic)], family, false, total))
          return -1;
      }
    }
  }
  const int appended = RecordKeptFits(ctx, lists, family, svd);
  return FinishLinearFamily(ctx, family, appended, listedBefore, total);
}

bool PolynomialEquationForm(int equationNumber, TEquationForm& form) {
  TMonomial basis[kMaxTerms + 1];
  for (int xKind = kKindX; xKind <= kKindInvX; ++xKind)
    for (int yKind = kKindY; yKind <= kKindInvY; ++yKind) {
      for (int i = 1; i <= kMaxOrder; ++i)
        for (int j = 1; j <= kMaxOrder; ++j) {
          if (AdditiveEquationNumber(xKind, i, yKind, j) != equationNumber) continue;
          form = {};
          form.kind = kKindPolynomial;
          form.m = AdditiveBasis(xKind, i, yKind, j, basis, form.terms.data()) - 1;
          form.descriptor = {static_cast<std::uint8_t>(xKind), static_cast<std::uint8_t>(i), 0,
                             static_cast<std::uint8_t>(yKind), static_cast<std::uint8_t>(j), 0};
          return true;
        }
      for (const bool cubic : {false, true}) {
        if (FullEquationNumber(cubic, xKind, yKind) != equationNumber) continue;
        const auto code = static_cast<std::uint8_t>(cubic ? kFamilyCubic : kFamilyQuadratic);
        form = {};
        form.kind = kKindPolynomial;
        form.m = FullBasis(cubic, xKind, yKind, basis, form.terms.data()) - 1;
        form.descriptor = {static_cast<std::uint8_t>(xKind), code, 0, static_cast<std::uint8_t>(yKind), code, 0};
        return true;
      }
    }
  return false;
}

bool PolynomialNormalEquations(const TSumsTable& sums, const std::uint8_t* descriptor,
                               long double* const* a, long double* b) {
  TMonomial basis[kMaxLinearParams];
  const int n = DescriptorBasis(descriptor, basis);
  return n > 0 && BuildMonomialNormals(sums, descriptor[0], descriptor[3],
                                       std::span<const TMonomial>(basis, static_cast<std::size_t>(n)),
                                       a, b);
}

long double EvalTransformedPolynomial(long double x, long double y, const long double* p,
                                      const std::uint8_t* d) {
  ExprContext& ctx = ExprThreadContext();
  const bool clean = ctx.ExprMathError == 0;
  long double X = x, Y = y;
  if (d[0] == kKindLnX) X = ExprMathLog(ctx, x);
  if (d[0] == kKindInvX) X = ExprSafeDivide(ctx, 1.0L, x);
  if (d[3] == kKindLnY) Y = ExprMathLog(ctx, y);
  if (d[3] == kKindInvY) Y = ExprSafeDivide(ctx, 1.0L, y);
  if (clean && ctx.ExprMathError != 0) return 0.0L;
  if (d[1] == kFamilyQuadratic)
    return p[0] + X * (p[1] + p[3] * X) + Y * (p[2] + p[4] * Y) + p[5] * X * Y;
  if (d[1] == kFamilyCubic)
    return p[0] + X * (p[1] + X * (p[3] + p[6] * X)) + Y * (p[2] + Y * (p[4] + p[7] * Y)) +
           X * Y * (p[5] + p[8] * Y + p[9] * X);
  const int i = d[1], j = d[4];
  long double zx = p[i];
  for (int k = i - 1; k >= 0; --k) zx = zx * X + p[k];
  long double zy = 0.0L;
  for (int k = i + j; k > i; --k) zy = (zy + p[k]) * Y;
  return zx + zy;
}
