// The rational families: (a + Σ a_p X^p + Σ b_q Y^q) / (1 + Σ c_s X^s + Σ d_r Y^r) with X one
// of x, ln x and Y one of y, ln y, orders 1..3 (equations 1001-1256), and the full quadratic
// over the full quadratic (family 255, equations 1301-1304).
//
// Multiplying out the denominator makes a rational linear in its parameters,
// z = a + Σ a_p X^p + Σ b_q Y^q - Σ c_s z X^s - Σ d_r z Y^r, which is fitted from the sums
// table; the fit is then judged by its true residuals, point by point.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "expr/eval_context.h"
#include "expr/math_faults.h"
#include "fit/equation_forms.h"
#include "fit/fit_families.h"
#include "fit/fit_statistics.h"
#include "fit/linear_fit.h"
#include "numerics/dense_solvers.h"
#include "numerics/polynomial_range.h"

namespace {

constexpr int kMaxOrder = 3;
constexpr int kMaxTerms = 10;
constexpr int kFullRational = 255;
constexpr int kDenominatorCode = 60;  // a denominator power's term code is the numerator's + 60
constexpr int kCodeXY = 165;

// The active points with their transforms, made once per fitter so that the point-by-point
// sums of squares take no logarithm again. A point whose x (y) has no logarithm carries
// `valid` false for that kind: the evaluator gives 0 there, as it does for the stored fit.
struct TRationalPoints {
  struct TPoint {
    long double x, lnx, y, lny, z, w;
    bool lnxValid, lnyValid;
  };
  std::vector<TPoint> points;
};

bool MakeRationalPoints(const TFitRunContext& ctx, TRationalPoints& out) {
  try {
    out.points.reserve(ctx.points.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (const TXYZPoint& p : ctx.points) {
    if (!IsActive(p)) continue;
    TRationalPoints::TPoint q;
    q.x = p.X;
    q.y = p.Y;
    q.z = p.Z;
    q.w = ctx.WeightOf(p);
    q.lnxValid = p.X > 0.0L;
    q.lnyValid = p.Y > 0.0L;
    q.lnx = q.lnxValid ? std::log(p.X) : 0.0L;
    q.lny = q.lnyValid ? std::log(p.Y) : 0.0L;
    out.points.push_back(q);
  }
  return true;
}

// X·(c_1 + X·(c_2 + ... + X·c_n)).
[[gnu::always_inline]] inline long double HornerNoConstant(const long double* c, int n,
                                                           long double X) {
  long double s = 0.0L;
  for (int k = n; k >= 1; --k) s = (s + c[k - 1]) * X;
  return s;
}

// The value of a rational at transformed coordinates X, Y.
[[gnu::always_inline]] inline long double RationalValue(long double X, long double Y,
                                                        const long double* p,
                                                        const std::uint8_t* d) {
  if (d[1] == kFullRational) {
    const long double den = 1.0L + X * (p[1] + p[5] * X) + Y * (p[3] + p[7] * Y) + p[9] * X * Y;
    if (den == 0.0L) return 0.0L;
    return (p[0] + X * (p[2] + p[6] * X) + Y * (p[4] + p[8] * Y) + p[10] * X * Y) / den;
  }
  const int nx = d[1], dx = d[2], ny = d[4], dy = d[5];
  const long double num = p[0] + HornerNoConstant(p + 1, nx, X) + HornerNoConstant(p + 1 + nx, ny, Y);
  const long double den = 1.0L + HornerNoConstant(p + 1 + nx + ny, dx, X) +
                          HornerNoConstant(p + 1 + nx + ny + dx, dy, Y);
  return den == 0.0L ? 0.0L : num / den;
}

// Σ w·(z - f)² over the active points, w the normalised weight of the run; the transforms
// chosen once for the whole pass.
template <bool kLnX, bool kLnY>
long double RationalSseOf(const TRationalPoints& pts, const long double* p, const std::uint8_t* d) {
  long double sse = 0.0L;
  for (const TRationalPoints::TPoint& q : pts.points) {
    long double f = 0.0L;
    if ((!kLnX || q.lnxValid) && (!kLnY || q.lnyValid))
      f = RationalValue(kLnX ? q.lnx : q.x, kLnY ? q.lny : q.y, p, d);
    const long double r = q.z - f;
    sse += q.w * r * r;
  }
  return sse;
}

long double RationalSse(const TRationalPoints& pts, const long double* p, const std::uint8_t* d) {
  const bool lnX = d[0] == kKindLnX, lnY = d[3] == kKindLnY;
  if (lnX) return lnY ? RationalSseOf<true, true>(pts, p, d) : RationalSseOf<true, false>(pts, p, d);
  return lnY ? RationalSseOf<false, true>(pts, p, d) : RationalSseOf<false, false>(pts, p, d);
}

// The basis of a rational: numerator 1, X^p, Y^q, then the denominator terms z·X^s, z·Y^r;
// for the full quadratic rational the interleaved order of its parameters.
int RationalBasis(const std::uint8_t* d, TMonomial* basis, std::int32_t* terms) {
  const int xKind = d[0], yKind = d[3];
  if (d[1] == kFullRational) {
    static constexpr TMonomial kFull[11] = {{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {0, 1, 1},
                                            {0, 1, 0}, {2, 0, 1}, {2, 0, 0}, {0, 2, 1},
                                            {0, 2, 0}, {1, 1, 1}, {1, 1, 0}};
    std::copy(kFull, kFull + 11, basis);
    if (terms) {
      const std::int32_t cross = kCodeXY + xKind + 3 * (yKind - kKindY);
      const std::int32_t codes[11] = {0,          10 * xKind,     10 * xKind,     10 * yKind,
                                      10 * yKind, 10 * xKind + 1, 10 * xKind + 1, 10 * yKind + 1,
                                      10 * yKind + 1, cross,      cross};
      std::copy(codes, codes + 11, terms);
    }
    return 11;
  }
  const int orders[4] = {d[1], d[4], d[2], d[5]};  // nx, ny, dx, dy in parameter order
  int n = 0;
  basis[n] = {0, 0, 0};
  if (terms) terms[n] = 0;
  ++n;
  for (int block = 0; block < 4; ++block) {
    const bool isX = block % 2 == 0, denominator = block >= 2;
    const int kind = isX ? xKind : yKind;
    for (int power = 1; power <= orders[block]; ++power, ++n) {
      basis[n] = isX ? TMonomial{power, 0, denominator} : TMonomial{0, power, denominator};
      if (terms) terms[n] = 10 * kind + power - 1 + (denominator ? kDenominatorCode : 0);
    }
  }
  return n;
}

bool ValidRationalDescriptor(const std::uint8_t* d) {
  if ((d[0] != kKindX && d[0] != kKindLnX) || (d[3] != kKindY && d[3] != kKindLnY)) return false;
  if (d[1] == kFullRational) return d[2] == kFullRational && d[4] == kFullRational && d[5] == kFullRational;
  for (int i : {1, 2, 4, 5})
    if (d[i] < 1 || d[i] > kMaxOrder) return false;
  return true;
}

// The solved coefficients of the z terms are the negated denominator coefficients.
void NegateDenominator(const KeptFit& fit, long double* solution) {
  for (int k = 0; k <= fit.m; ++k)
    if (fit.basis[static_cast<std::size_t>(k)].e == 1) solution[k] = -solution[k];
}

// The data rectangle as the kinds of a rational see it: [min, max] of x and y, and of their
// logarithms where the data allow them.
struct TKindBox {
  TValueRange x, lnX, y, lnY;
  const TValueRange& Of(int kind) const {
    return kind == kKindX ? x : kind == kKindLnX ? lnX : kind == kKindY ? y : lnY;
  }
};

TKindBox KindBoxOf(const TFitRunContext& ctx) {
  const TAxisStats &x = ctx.stats.X, &y = ctx.stats.Y;
  TKindBox box;
  box.x = {x.Min, x.Max};
  box.y = {y.Min, y.Max};
  if (x.Min > 0.0L) box.lnX = {std::log(x.Min), std::log(x.Max)};
  if (y.Min > 0.0L) box.lnY = {std::log(y.Min), std::log(y.Max)};
  return box;
}

// The range over the box of the full quadratic denominator
// 1 + p1·X + p5·X² + p3·Y + p7·Y² + p9·X·Y: its extremes lie on the edges (each a quadratic
// of one variable) or at its one interior critical point.
TValueRange FullDenominatorRange(const long double* p, const TValueRange& bx, const TValueRange& by) {
  TValueRange r{std::numeric_limits<long double>::infinity(), -std::numeric_limits<long double>::infinity()};
  const auto take = [&r](const TValueRange& e) {
    r.low = std::min(r.low, e.low);
    r.high = std::max(r.high, e.high);
  };
  for (long double X : {bx.low, bx.high}) {
    const long double edge[3] = {1.0L + X * (p[1] + p[5] * X), p[3] + p[9] * X, p[7]};
    take(PolynomialRange(edge, by.low, by.high));
  }
  for (long double Y : {by.low, by.high}) {
    const long double edge[3] = {1.0L + Y * (p[3] + p[7] * Y), p[1] + p[9] * Y, p[5]};
    take(PolynomialRange(edge, bx.low, bx.high));
  }
  const long double det = 4.0L * p[5] * p[7] - p[9] * p[9];
  if (det != 0.0L) {
    const long double X = (p[3] * p[9] - 2.0L * p[1] * p[7]) / det;
    const long double Y = (p[1] * p[9] - 2.0L * p[3] * p[5]) / det;
    if (bx.Holds(X) && by.Holds(Y)) {
      const long double v = 1.0L + X * (p[1] + p[5] * X) + Y * (p[3] + p[7] * Y) + p[9] * X * Y;
      take({v, v});
    }
  }
  return r;
}

// The range over the box of a plain rational's denominator 1 + P(X) + Q(Y): the sum of the
// ranges of its two halves, each a polynomial of one variable without a constant.
TValueRange AdditiveDenominatorRange(const long double* p, const std::uint8_t* d, const TValueRange& bx,
                                     const TValueRange& by) {
  const int nx = d[1], dx = d[2], ny = d[4], dy = d[5];
  long double px[kMaxOrder + 1] = {}, py[kMaxOrder + 1] = {};
  std::copy(p + 1 + nx + ny, p + 1 + nx + ny + dx, px + 1);
  std::copy(p + 1 + nx + ny + dx, p + 1 + nx + ny + dx + dy, py + 1);
  const TValueRange rx = PolynomialRange(std::span<const long double>(px, static_cast<std::size_t>(dx) + 1), bx.low, bx.high);
  const TValueRange ry = PolynomialRange(std::span<const long double>(py, static_cast<std::size_t>(dy) + 1), by.low, by.high);
  return {1.0L + rx.low + ry.low, 1.0L + rx.high + ry.high};
}

class TRationalFamily final : public TLinearFamily {
 public:
  // The rationals solve in raw powers: their denominator's constant is 1 at X = Y = 0, so
  // shifting X or Y would change the model their linearisation fits.
  TRationalFamily(const TFitRunContext& ctx, const TRationalPoints& pts)
      : TLinearFamily(*ctx.sums, kStageRational, &TFitCounters::rational, kScaleCap),
        pts_(pts),
        box_(KindBoxOf(ctx)) {}
  long double SolutionSse(const KeptFit& fit, long double* solution) const override {
    NegateDenominator(fit, solution);
    return RationalSse(pts_, solution, fit.descriptor.data());
  }
  // A denominator that vanishes anywhere over the data rectangle (a sign change, or a 0 at
  // its edge) makes a pole there: the surface runs to infinity between the points it was
  // fitted to, its extremes and volume have no value, and its r² at the points says nothing
  // of it. On twelve scattered points such rationals led Surface-Fit All Equations.
  bool DefinedOverData(const KeptFit& fit, const long double* params) const override {
    const std::uint8_t* d = fit.descriptor.data();
    const TValueRange &bx = box_.Of(d[0]), &by = box_.Of(d[3]);
    const TValueRange den = d[1] == kFullRational ? FullDenominatorRange(params, bx, by)
                                                  : AdditiveDenominatorRange(params, d, bx, by);
    return !den.Holds(0.0L) && std::isfinite(den.low) && std::isfinite(den.high);
  }

 private:
  // The x and y scales of the coefficient test are bounded by 300000.
  static constexpr long double kScaleCap = 300000.0L;
  const TRationalPoints& pts_;
  const TKindBox box_;
};

// The rationals of orders 1..3 in their numbering order from 1001: X kind, then the
// numerator's X order, Y kind, numerator Y order, denominator X order and denominator Y order
// (a total order of 3 in one half allows at most 2 in its other power). Each shape is its
// descriptor: X kind, nx, dx, Y kind, ny, dy.
constexpr int kFirstRationalEquation = 1001;
constexpr int kFirstFullRationalEquation = 1301;
using TRationalShape = std::array<std::uint8_t, kDescriptorSize>;

const std::vector<TRationalShape>& RationalShapes() {
  static const std::vector<TRationalShape> shapes = [] {
    std::vector<TRationalShape> all;
    for (int xKind : {kKindX, kKindLnX})
      for (int nx = 1; nx <= 3; ++nx)
        for (int yKind : {kKindY, kKindLnY})
          for (int ny = 1; ny <= (nx == 3 ? 2 : 3); ++ny)
            for (int dx = 1; dx <= 3; ++dx)
              for (int dy = 1; dy <= (dx == 3 ? 2 : 3); ++dy)
                all.push_back({static_cast<std::uint8_t>(xKind), static_cast<std::uint8_t>(nx),
                               static_cast<std::uint8_t>(dx), static_cast<std::uint8_t>(yKind),
                               static_cast<std::uint8_t>(ny), static_cast<std::uint8_t>(dy)});
    return all;
  }();
  return shapes;
}

// The full quadratic rationals, numbered from 1301 by X kind, then Y kind.
TRationalShape FullRationalShape(int xKind, int yKind) {
  return {static_cast<std::uint8_t>(xKind), kFullRational, kFullRational,
          static_cast<std::uint8_t>(yKind), kFullRational, kFullRational};
}

// The selected kinds of the rational mask (bits 1 x, 2 ln x, 8 y, 16 ln y).
void RationalKinds(const TFitRunContext& ctx, std::uint32_t mask, std::vector<int>& xs,
                   std::vector<int>& ys) {
  if (mask & kRatX) xs.push_back(kKindX);
  if ((mask & kRatLnX) && !ctx.lnXExcluded) xs.push_back(kKindLnX);
  if (mask & kRatY) ys.push_back(kKindY);
  if ((mask & kRatLnY) && !ctx.lnYExcluded) ys.push_back(kKindLnY);
}

}  // namespace

int FitRationalEquations(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                         bool svd, std::uint32_t total) {
  ctx.counters.rational = 0;
  std::vector<int> xs, ys;
  RationalKinds(ctx, mask, xs, ys);
  const int M = std::min(limit, kMaxTerms);
  if (limit < 4 || xs.empty() || ys.empty()) return 0;
  const int numeratorBudget = std::min(M / 2, 5);
  const int denominatorBudget = M - numeratorBudget;

  std::vector<TKeepList> lists;  // one per total term count m = 4..M
  TRationalPoints pts;
  if (!AllocateKeepLists(lists, M - 3, keep) || !MakeRationalPoints(ctx, pts)) return -2;
  const TRationalFamily family(ctx, pts);
  const int listedBefore = ctx.Listed();

  // Every shape counts in the equation number, fitted or not.
  int equation = kFirstRationalEquation - 1;
  for (const TRationalShape& shape : RationalShapes()) {
    ++equation;
    const int xKind = shape[0], nx = shape[1], dx = shape[2];
    const int yKind = shape[3], ny = shape[4], dy = shape[5];
    const bool used = std::find(xs.begin(), xs.end(), xKind) != xs.end() &&
                      std::find(ys.begin(), ys.end(), yKind) != ys.end();
    const int m = nx + ny + dx + dy;
    // A power of X in the numerator or the denominator needs one more distinct x value than
    // its order (with fewer, it equals a combination of the lower powers), likewise in y.
    if (std::max(nx, dx) >= ctx.support.distinctX || std::max(ny, dy) >= ctx.support.distinctY) continue;
    if (!used || nx > std::min(numeratorBudget - 1, 3) || ny > std::min(numeratorBudget - nx, 3) ||
        dx > std::min(denominatorBudget - 1, 3) || dy > std::min(denominatorBudget - dx, 3) || m > M)
      continue;
    KeptFit fit;
    fit.m = m;
    fit.xKind = xKind;
    fit.yKind = yKind;
    fit.descriptor = shape;
    RationalBasis(fit.descriptor.data(), fit.basis.data(), fit.terms.data());
    fit.equationNumber = equation;
    fit.complexity = AddKindComplexity(
        std::trunc(static_cast<long double>(2.06f) * m + static_cast<long double>(1.51f)), xKind, yKind);
    if (!ScreenCandidate(ctx, fit, lists[static_cast<std::size_t>(m - 4)], family, true, total))
      return -1;
  }
  const int appended = RecordKeptFits(ctx, lists, family, svd);
  return FinishLinearFamily(ctx, family, appended, listedBefore, total);
}

int FitRationalEquations2(TFitRunContext& ctx, int keep, int limit, std::uint32_t mask,
                          bool svd, std::uint32_t total) {
  std::vector<int> xs, ys;
  RationalKinds(ctx, mask, xs, ys);
  // Quadratic in X and Y: three distinct values on each axis.
  if (limit < 10 || xs.empty() || ys.empty() || ctx.support.distinctX < 3 || ctx.support.distinctY < 3)
    return 0;
  TKeepList list;
  TRationalPoints pts;
  if (!list.Allocate(keep) || !MakeRationalPoints(ctx, pts)) return -2;
  const TRationalFamily family(ctx, pts);
  const int listedBefore = ctx.Listed();

  int equation = kFirstFullRationalEquation - 1;
  for (int xKind : {kKindX, kKindLnX}) {
    for (int yKind : {kKindY, kKindLnY}) {
      ++equation;
      if (std::find(xs.begin(), xs.end(), xKind) == xs.end() ||
          std::find(ys.begin(), ys.end(), yKind) == ys.end())
        continue;
      KeptFit fit;
      fit.m = 10;
      fit.xKind = xKind;
      fit.yKind = yKind;
      fit.descriptor = FullRationalShape(xKind, yKind);
      RationalBasis(fit.descriptor.data(), fit.basis.data(), fit.terms.data());
      fit.equationNumber = equation;
      fit.complexity = AddKindComplexity(24.0L, xKind, yKind);
      if (!ScreenCandidate(ctx, fit, list, family, false, total)) return -1;
    }
  }
  const int appended = RecordKeptFits(ctx, std::span<const TKeepList>(&list, 1), family, svd);
  return FinishLinearFamily(ctx, family, appended, listedBefore, total);
}

bool RationalEquationForm(int equationNumber, TEquationForm& form) {
  TRationalShape shape;
  const auto& shapes = RationalShapes();
  const int index = equationNumber - kFirstRationalEquation;
  const int full = equationNumber - kFirstFullRationalEquation;
  if (index >= 0 && index < static_cast<int>(shapes.size()))
    shape = shapes[static_cast<std::size_t>(index)];
  else if (full >= 0 && full < 4)
    shape = FullRationalShape(full < 2 ? kKindX : kKindLnX, full % 2 == 0 ? kKindY : kKindLnY);
  else
    return false;
  form = {};
  form.kind = kKindRational;
  form.descriptor = shape;
  TMonomial basis[kMaxTerms + 1];
  form.m = RationalBasis(shape.data(), basis, form.terms.data()) - 1;
  return true;
}

bool RationalNormalEquations(const TSumsTable& sums, const std::uint8_t* descriptor,
                             long double* const* a, long double* b) {
  if (!ValidRationalDescriptor(descriptor)) return false;
  TMonomial basis[kMaxLinearParams];
  const int n = RationalBasis(descriptor, basis, nullptr);
  return BuildMonomialNormals(sums, descriptor[0], descriptor[3],
                              std::span<const TMonomial>(basis, static_cast<std::size_t>(n)), a, b);
}

long double EvalRationalEquation(long double x, long double y, const long double* p,
                                 const std::uint8_t* d) {
  ExprContext& ctx = ExprThreadContext();
  const bool clean = ctx.ExprMathError == 0;
  const long double X = d[0] == kKindLnX ? ExprMathLog(ctx, x) : x;
  const long double Y = d[3] == kKindLnY ? ExprMathLog(ctx, y) : y;
  if (clean && ctx.ExprMathError != 0) return 0.0L;
  return RationalValue(X, Y, p, d);
}
