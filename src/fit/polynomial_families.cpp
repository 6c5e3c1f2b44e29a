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
#include "numerics/least_squares.h"

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

}  // namespace

int PolynomialBasisOf(const std::uint8_t* d, TMonomial* basis) {
  const int xKind = d[0], yKind = d[3];
  if (xKind < kKindX || xKind > kKindInvX || yKind < kKindY || yKind > kKindInvY) return 0;
  if (d[1] == kFamilyQuadratic || d[1] == kFamilyCubic) {
    if (d[4] != d[1]) return 0;
    return FullBasis(d[1] == kFamilyCubic, xKind, yKind, basis, nullptr);
  }
  if (d[1] < 1 || d[1] > kMaxOrder || d[4] < 1 || d[4] > kMaxOrder) return 0;
  return AdditiveBasis(xKind, d[1], yKind, d[4], basis, nullptr);
}

namespace {

// The highest powers of X and Y in a basis.
void HighestPowers(const KeptFit& fit, int& p, int& q) {
  p = q = 0;
  for (int k = 0; k <= fit.m; ++k) {
    p = std::max(p, fit.basis[static_cast<std::size_t>(k)].p);
    q = std::max(q, fit.basis[static_cast<std::size_t>(k)].q);
  }
}

// The polynomials solve in the run's frame (polynomial_frame.h): from its sums where their
// condition holds the SSE, else by QR at the points. A fit whose X or Y the frame shifts is
// stored with its coefficients in the frame, from which it is evaluated, and the raw
// coefficients they multiply out to: over data far from the origin the raw terms cancel to
// the surface, so the raw equation, evaluated in long doubles, is rounding noise (a full
// cubic in 1/x at x about 1e6 stepped by 2^-9). Its SSE is that of the solution; a fit the
// frame leaves in raw powers stores the solution itself.
class TPolynomialFamily final : public TLinearFamily {
 public:
  TPolynomialFamily(const TFitRunContext& ctx, const TFramePoints& points)
      : TLinearFamily(kStagePolynomial, &TFitCounters::polynomial, kScaleCap),
        normals_(ctx.PolynomialSums()),
        points_(points),
        sst_(ctx.sst) {
    for (int kind = kKindX; kind <= kKindInvY; ++kind)
      rounding_[static_cast<std::size_t>(kind - kKindX)] =
          KindRounding(kind < kKindY ? ctx.stats.X : ctx.stats.Y, kind);
  }

  bool NormalEquations(const KeptFit& fit, long double* const* a, long double* b,
                       long double& targetSquares) const override {
    targetSquares = normals_[TSumsTable::ZSquare(kVariantZ)];
    return BuildMonomialNormals(normals_, fit.xKind, fit.yKind, Basis(fit), a, b);
  }
  long double NormalSse(const KeptFit& fit, const long double* solution) const override {
    return MonomialSse(normals_, fit.xKind, fit.yKind, Basis(fit), solution);
  }
  TLeastSquaresResult SolveAtPoints(const KeptFit& fit, long double maxCondition,
                                    long double* solution) const override {
    const int n = points_.Count(), p = fit.m + 1;
    if (!qr_.Reset(n, p)) return {TLeastSquaresStatus::kNoMemory};
    const long double *u = points_.U(fit.xKind), *v = points_.U(fit.yKind), *w = points_.W(), *z = points_.Z();
    const long double zCentre = points_.Frame().zCentre;
    long double* t = qr_.Target();
    for (int i = 0; i < n; ++i) t[i] = std::sqrt(w[i]) * (z[i] - zCentre);
    for (int k = 0; k < p; ++k) {
      const TMonomial& mono = fit.basis[static_cast<std::size_t>(k)];
      long double* c = qr_.Column(k);
      for (int i = 0; i < n; ++i) {
        long double value = std::sqrt(w[i]);
        for (int e = 0; e < mono.p; ++e) value *= u[i];
        for (int e = 0; e < mono.q; ++e) value *= v[i];
        c[i] = value;
      }
    }
    return qr_.Solve(maxCondition, solution);
  }
  long double Adopt(KeptFit& fit, const long double* solution, long double linearSse) const override {
    const TPolynomialFrame& frame = points_.Frame();
    const int n = fit.m + 1;
    std::copy(solution, solution + n, fit.params.begin());
    fit.params[0] += frame.zCentre;  // the constant is the basis's first term
    fit.framed = FrameShiftsKinds(frame, fit.xKind, fit.yKind);
    if (fit.framed) {
      fit.frameParams = fit.params;
      if (!FrameFormToRaw(frame, fit.xKind, fit.yKind, Basis(fit), fit.frameParams.data(), fit.params.data()))
        return kNotANumber;
    }
    // A fit solved in a shifted frame lists the SSE of the equation it stores, evaluated as it
    // is evaluated everywhere. In raw powers, where the sum of squares of the target is many
    // times the SSE, the SSE formed from sums has lost digits to cancellation: it is measured
    // too.
    if (!FrameLeavesRaw(frame, fit.xKind, fit.yKind)) return SseAtPoints(fit);
    const long double targetSquares = normals_[TSumsTable::ZSquare(kVariantZ)];
    if (linearSse > 0.0L && targetSquares <= kSseCancellation * linearSse) return linearSse;
    return ListedSse(linearSse, SseAtPoints(fit), sst_);
  }
  long double DesignRounding(const KeptFit& fit) const override {
    int p = 0, q = 0;
    HighestPowers(fit, p, q);
    return kDataRounding * (p * Rounding(fit.xKind) + q * Rounding(fit.yKind));
  }

 private:
  static std::span<const TMonomial> Basis(const KeptFit& fit) {
    return {fit.basis.data(), static_cast<std::size_t>(fit.m) + 1};
  }
  long double Rounding(int kind) const { return rounding_[static_cast<std::size_t>(kind - kKindX)]; }
  // Σ w·(z - f)² of the stored equation at the points: in the frame for a framed fit, in raw
  // powers otherwise (as EvalTransformedPolynomial evaluates it).
  long double SseAtPoints(const KeptFit& fit) const {
    const int n = points_.Count();
    const long double *u = points_.U(fit.xKind), *v = points_.U(fit.yKind), *w = points_.W(), *z = points_.Z();
    const long double* p = fit.framed ? fit.frameParams.data() : fit.params.data();
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) {
      const long double r = z[i] - PolynomialTermsValue(u[i], v[i], p, fit.descriptor.data());
      sum += w[i] * r * r;
    }
    return std::isfinite(sum) ? sum : std::numeric_limits<long double>::infinity();
  }

  // The x and y scales of the coefficient test are bounded by 1000.
  static constexpr long double kScaleCap = 1000.0L;
  // The most Σ w·z² may be of the SSE for the formula to keep the digits of a listed SSE.
  static constexpr long double kSseCancellation = 1e5L;
  static constexpr long double kNotANumber = std::numeric_limits<long double>::quiet_NaN();
  const TSumsTable& normals_;
  const TFramePoints& points_;
  const long double sst_;
  std::array<long double, 6> rounding_{};
  mutable TLeastSquaresQR qr_;
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
  TFramePoints points;
  if (!AllocateKeepLists(lists, M - 1, keep) || !points.Make(ctx, ctx.scales.polynomialFrame)) return -2;
  const TPolynomialFamily family(ctx, points);
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
  TFramePoints points;
  if (!AllocateKeepLists(lists, 2, keep) || !points.Make(ctx, ctx.scales.polynomialFrame)) return -2;
  const TPolynomialFamily family(ctx, points);
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
  const int n = PolynomialBasisOf(descriptor, basis);
  return n > 0 && BuildMonomialNormals(sums, descriptor[0], descriptor[3],
                                       std::span<const TMonomial>(basis, static_cast<std::size_t>(n)),
                                       a, b);
}

namespace {

// The arithmetic of the evaluators, inlined into each of them (the drawing and the limits
// evaluate a fit millions of times).
[[gnu::always_inline]] inline long double TermsValue(long double X, long double Y, const long double* p,
                                                     const std::uint8_t* d) {
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

}  // namespace

long double PolynomialTermsValue(long double X, long double Y, const long double* p, const std::uint8_t* d) {
  return TermsValue(X, Y, p, d);
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
  return TermsValue(X, Y, p, d);
}

long double EvalFramedPolynomial(long double x, long double y, const long double* framed, const std::uint8_t* d,
                                 const TPolynomialFrame& frame) {
  long double u = 0.0L, v = 0.0L;
  if (!FrameCoordinates(ExprThreadContext(), frame, d, x, y, u, v)) return 0.0L;
  return TermsValue(u, v, framed, d);
}
