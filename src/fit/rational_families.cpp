// The rational families: (a + Σ a_p X^p + Σ b_q Y^q) / (1 + Σ c_s X^s + Σ d_r Y^r) with X one
// of x, ln x and Y one of y, ln y, orders 1..3 (equations 1001-1256), and the full quadratic
// over the full quadratic (family 255, equations 1301-1304).
//
// Multiplying out the denominator makes a rational linear in its parameters,
// z = a + Σ a_p X^p + Σ b_q Y^q - Σ c_s z X^s - Σ d_r z Y^r, which is fitted from the sums
// table (data about the origin) or at the points in the run's frame (data far from it); the
// fit is then judged by its true residuals, point by point.
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
#include "fit/polynomial_frame.h"
#include "numerics/dense_solvers.h"
#include "numerics/least_squares.h"
#include "numerics/polynomial_range.h"

namespace {

constexpr int kMaxOrder = 3;
constexpr int kMaxTerms = 10;
constexpr int kFullRational = 255;
constexpr int kDenominatorCode = 60;  // a denominator power's term code is the numerator's + 60
constexpr int kCodeXY = 165;

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

// Σ w·(z - f)² over the active points, w the normalised weight of the run, f the rational of
// parameters p at the points' variables of its kinds: in the frame of `points` for a framed
// fit, the raw transforms where the frame leaves its kinds alone.
long double RationalSse(const TFramePoints& points, const long double* p, const std::uint8_t* d) {
  const int n = points.Count();
  const long double *u = points.U(d[0]), *v = points.U(d[3]), *w = points.W(), *z = points.Z();
  long double sse = 0.0L;
  for (int i = 0; i < n; ++i) {
    const long double r = z[i] - RationalValue(u[i], v[i], p, d);
    sse += w[i] * r * r;
  }
  return sse;
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

}  // namespace

int RationalBasisOf(const std::uint8_t* d, TMonomial* basis) {
  if ((d[0] != kKindX && d[0] != kKindLnX) || (d[3] != kKindY && d[3] != kKindLnY)) return 0;
  if (d[1] == kFullRational) {
    if (d[2] != kFullRational || d[4] != kFullRational || d[5] != kFullRational) return 0;
  } else {
    for (int i : {1, 2, 4, 5})
      if (d[i] < 1 || d[i] > kMaxOrder) return 0;
  }
  return RationalBasis(d, basis, nullptr);
}

long double MonomialValue(long double u, long double v, int p, int q) {
  long double value = 1.0L;
  for (int e = 0; e < p; ++e) value *= u;
  for (int e = 0; e < q; ++e) value *= v;
  return value;
}

bool RationalNormalisationOf(const TPolynomialFrame& frame, int xKind, int yKind, std::span<const TMonomial> basis,
                             TRationalNormalisation& out) {
  const TPowerShift &fx = frame.Of(xKind), &fy = frame.Of(yKind);
  const long double u0 = fx.Identity() ? 0.0L : -fx.centre * fx.scale;
  const long double v0 = fy.Identity() ? 0.0L : -fy.centre * fy.scale;
  const int p = static_cast<int>(basis.size());
  out = {};
  for (int k = 0; k < p; ++k) {
    const TMonomial& mono = basis[static_cast<std::size_t>(k)];
    if (mono.e == 1)
      out.terms[static_cast<std::size_t>(out.count++)] = {k, mono.p, mono.q, MonomialValue(u0, v0, mono.p, mono.q)};
  }
  out.terms[static_cast<std::size_t>(out.count++)] = {p, 0, 0, 1.0L};
  for (int j = 1; j < out.count; ++j)
    if (std::fabs(out.terms[static_cast<std::size_t>(j)].l) > std::fabs(out.terms[static_cast<std::size_t>(out.pivot)].l))
      out.pivot = j;
  int c = 0;
  for (int k = 0; k < p; ++k)
    if (basis[static_cast<std::size_t>(k)].e == 0) out.columns[static_cast<std::size_t>(c++)] = k;
  for (int j = 0; j < out.count; ++j)
    if (j != out.pivot) out.columns[static_cast<std::size_t>(c++)] = out.terms[static_cast<std::size_t>(j)].index;
  return std::isfinite(out.terms[static_cast<std::size_t>(out.pivot)].l);
}

namespace {

bool ValidRationalDescriptor(const std::uint8_t* d) {
  if ((d[0] != kKindX && d[0] != kKindLnX) || (d[3] != kKindY && d[3] != kKindLnY)) return false;
  if (d[1] == kFullRational) return d[2] == kFullRational && d[4] == kFullRational && d[5] == kFullRational;
  for (int i : {1, 2, 4, 5})
    if (d[i] < 1 || d[i] > kMaxOrder) return false;
  return true;
}

// The data rectangle as the kinds of a rational see it: [min, max] of x and y, and of their
// logarithms where the data allow them.
struct TKindBox {
  TValueRange x, lnX, y, lnY;
  const TValueRange& Of(int kind) const {
    return kind == kKindX ? x : kind == kKindLnX ? lnX : kind == kKindY ? y : lnY;
  }
};

// The data rectangle in the kinds' variables, shifted and scaled by `frame` where it shifts
// a kind (the shift is increasing: the ends stay the ends).
TKindBox KindBoxOf(const TFitRunContext& ctx, const TPolynomialFrame& frame) {
  const TAxisStats &x = ctx.stats.X, &y = ctx.stats.Y;
  const auto shifted = [&frame](int kind, long double lo, long double hi) {
    const TPowerShift& f = frame.Of(kind);
    return f.Identity() ? TValueRange{lo, hi} : TValueRange{(lo - f.centre) * f.scale, (hi - f.centre) * f.scale};
  };
  TKindBox box;
  box.x = shifted(kKindX, x.Min, x.Max);
  box.y = shifted(kKindY, y.Min, y.Max);
  if (x.Min > 0.0L) box.lnX = shifted(kKindLnX, std::log(x.Min), std::log(x.Max));
  if (y.Min > 0.0L) box.lnY = shifted(kKindLnY, std::log(y.Min), std::log(y.Max));
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

// The rationals solve their linearisation with the denominator's constant 1 at X = Y = 0, as
// in raw powers. Over data far from the origin (a kind the run's rational frame shifts) the
// raw powers of the design cancel past every digit a long double holds (a rational at
// x about 5e5 was listed with r² 0.7788 from one file and 0.9920 from another of the same
// numbers): such a fit is solved at the points in the frame's variables u and v, where that
// normalisation is the linear condition Q(u0, v0) = 1 at the image (u0, v0) of X = Y = 0,
// and stored with its coefficients in the frame (its denominator's constant made 1 at the
// frame's centre) beside the raw ones.
class TRationalFamily final : public TLinearFamily {
 public:
  TRationalFamily(const TFitRunContext& ctx, const TFramePoints& points)
      : TLinearFamily(kStageRational, &TFitCounters::rational, kScaleCap),
        sums_(*ctx.sums),
        frameSums_(ctx.rationalSums.get()),
        points_(points),
        box_(KindBoxOf(ctx, points.Frame())) {
    for (int kind : {kKindX, kKindLnX, kKindY, kKindLnY})
      rounding_[static_cast<std::size_t>(kind - kKindX)] = KindRounding(kind < kKindY ? ctx.stats.X : ctx.stats.Y, kind);
    zRounding_ = KindRounding(ctx.stats.Z, kKindX);
  }

  bool NormalEquations(const KeptFit& fit, long double* const* a, long double* b,
                       long double& targetSquares) const override {
    if (!FrameShiftsKinds(points_.Frame(), fit.xKind, fit.yKind)) {
      targetSquares = sums_[TSumsTable::ZSquare(kVariantZ)];
      return BuildMonomialNormals(sums_, fit.xKind, fit.yKind, Basis(fit), a, b);
    }
    return frameSums_ && FrameNormalEquations(fit, a, b, targetSquares);
  }
  long double NormalSse(const KeptFit& fit, const long double* solution) const override {
    if (!FrameShiftsKinds(points_.Frame(), fit.xKind, fit.yKind))
      return MonomialSse(sums_, fit.xKind, fit.yKind, Basis(fit), solution);
    long double sse = frameTargetSquares_;
    for (int c = 0; c <= fit.m; ++c) sse -= solution[c] * frameRhs_[static_cast<std::size_t>(c)];
    return sse;
  }
  bool FromNormalSolution(const KeptFit& fit, long double* solution) const override {
    if (!FrameShiftsKinds(points_.Frame(), fit.xKind, fit.yKind)) return true;
    TRationalNormalisation norm;
    return RationalNormalisationOf(points_.Frame(), fit.xKind, fit.yKind, Basis(fit), norm) &&
           RationalFromFree(fit, norm, solution, solution);
  }
  TLeastSquaresResult SolveAtPoints(const KeptFit& fit, long double maxCondition,
                                    long double* solution) const override;
  // The normal equations of a framed rational's free coefficients (the columns of
  // SolveAtPoints) from the moments of the run's rational frame: with F the columns of its
  // numerator's and denominator's terms (the denominator's constant among them, all
  // moments of the table) and the free columns F·T and target F·τ, they are
  // Tᵀ·(FᵀF)·T and Tᵀ·(FᵀF)·τ, and the target's sum of squares τᵀ·(FᵀF)·τ.
  bool FrameNormalEquations(const KeptFit& fit, long double* const* a, long double* b, long double& targetSquares) const;
  // The solution as the normal equations of raw powers give it (numerator, then the negated
  // denominator terms, the frame denominator's constant made 1) from the free coefficients
  // phi; false when that constant is 0.
  static bool RationalFromFree(const KeptFit& fit, const TRationalNormalisation& norm, const long double* phi,
                               long double* solution);
  // The solution's z-term coefficients are the negated denominator coefficients.
  long double Adopt(KeptFit& fit, const long double* solution, long double) const override {
    const int n = fit.m + 1;
    std::copy(solution, solution + n, fit.params.begin());
    for (int k = 0; k < n; ++k)
      if (fit.basis[static_cast<std::size_t>(k)].e == 1) fit.params[static_cast<std::size_t>(k)] = -fit.params[static_cast<std::size_t>(k)];
    fit.framed = FrameShiftsKinds(points_.Frame(), fit.xKind, fit.yKind);
    if (fit.framed) {
      fit.frameParams = fit.params;
      if (!FrameFormToRaw(points_.Frame(), fit.xKind, fit.yKind, Basis(fit), fit.frameParams.data(), fit.params.data()))
        return std::numeric_limits<long double>::quiet_NaN();
    }
    return RationalSse(points_, fit.framed ? fit.frameParams.data() : fit.params.data(), fit.descriptor.data());
  }
  long double DesignRounding(const KeptFit& fit) const override {
    const std::uint8_t* d = fit.descriptor.data();
    const int px = d[1] == kFullRational ? 2 : std::max(d[1], d[2]);
    const int py = d[1] == kFullRational ? 2 : std::max(d[4], d[5]);
    return kDataRounding * (px * Rounding(fit.xKind) + py * Rounding(fit.yKind) + zRounding_);
  }
  // A denominator that vanishes anywhere over the data rectangle (a sign change, or a 0 at
  // its edge) makes a pole there: the surface runs to infinity between the points it was
  // fitted to, its extremes and volume have no value, and its r² at the points says nothing
  // of it. On twelve scattered points such rationals led Surface-Fit All Equations. A framed
  // fit is looked at in its frame, where its coefficients are of the size of its values.
  bool DefinedOverData(const KeptFit& fit) const override {
    const std::uint8_t* d = fit.descriptor.data();
    const long double* params = fit.framed ? fit.frameParams.data() : fit.params.data();
    const TValueRange &bx = box_.Of(d[0]), &by = box_.Of(d[3]);
    const TValueRange den = d[1] == kFullRational ? FullDenominatorRange(params, bx, by)
                                                  : AdditiveDenominatorRange(params, d, bx, by);
    return !den.Holds(0.0L) && std::isfinite(den.low) && std::isfinite(den.high);
  }

 private:
  static std::span<const TMonomial> Basis(const KeptFit& fit) {
    return {fit.basis.data(), static_cast<std::size_t>(fit.m) + 1};
  }
  long double Rounding(int kind) const { return rounding_[static_cast<std::size_t>(kind - kKindX)]; }

  // The x and y scales of the coefficient test are bounded by 300000.
  static constexpr long double kScaleCap = 300000.0L;
  const TSumsTable& sums_;
  const TSumsTable* frameSums_;  // the rational frame's moments (null: none gathered)
  const TFramePoints& points_;
  const TKindBox box_;
  // The right-hand side and target of the last frame normal equations (NormalSse reads them).
  mutable std::array<long double, kMaxLinearParams> frameRhs_{};
  mutable long double frameTargetSquares_ = 0.0L;
  std::array<long double, 6> rounding_{};
  long double zRounding_ = 0.0L;
  mutable TLeastSquaresQR qr_;
};

// The linearisation P(u, v) - z·Q(u, v) ≈ 0 in least squares over the denominator's terms
// D_j (its constant D_c among them) with the condition Σ l_j·θ_j = 1, l_j = D_j(u0, v0): the
// coefficient θ_k of the term with the largest |l_k| is eliminated,
// θ_k = (1 - Σ_{j≠k} l_j·θ_j) / l_k, leaving the columns N_i of the numerator and
// -z·(D_j - (l_j/l_k)·D_k) of the denominator (|l_j/l_k| <= 1: no column is magnified) with
// the target z·D_k/l_k. For a kind the frame leaves alone (u0 = 0) the condition is θ_c = 1
// and these are the raw columns. The solution is returned as the normal equations give it
// (numerator, then the negated denominator terms), divided by θ_c, which makes the frame
// denominator's constant 1.
TLeastSquaresResult TRationalFamily::SolveAtPoints(const KeptFit& fit, long double maxCondition,
                                                   long double* solution) const {
  const int n = points_.Count(), p = fit.m + 1;
  TRationalNormalisation norm;
  if (!RationalNormalisationOf(points_.Frame(), fit.xKind, fit.yKind, Basis(fit), norm)) return {};
  const TRationalNormalisation::TTerm& dk = norm.terms[static_cast<std::size_t>(norm.pivot)];
  if (!qr_.Reset(n, p)) return {TLeastSquaresStatus::kNoMemory};
  const long double *u = points_.U(fit.xKind), *v = points_.U(fit.yKind), *w = points_.W(), *z = points_.Z();
  long double* t = qr_.Target();
  for (int i = 0; i < n; ++i) t[i] = std::sqrt(w[i]) * z[i] * MonomialValue(u[i], v[i], dk.p, dk.q) / dk.l;
  for (int c = 0; c < p; ++c) {
    long double* column = qr_.Column(c);
    const int k = norm.columns[static_cast<std::size_t>(c)];
    if (k < p && fit.basis[static_cast<std::size_t>(k)].e == 0) {
      const TMonomial& mono = fit.basis[static_cast<std::size_t>(k)];
      for (int i = 0; i < n; ++i) column[i] = std::sqrt(w[i]) * MonomialValue(u[i], v[i], mono.p, mono.q);
      continue;
    }
    const TRationalNormalisation::TTerm& dj = *norm.TermAt(k);
    const long double ratio = dj.l / dk.l;
    for (int i = 0; i < n; ++i)
      column[i] = -std::sqrt(w[i]) * z[i] *
                  (MonomialValue(u[i], v[i], dj.p, dj.q) - ratio * MonomialValue(u[i], v[i], dk.p, dk.q));
  }
  long double phi[kMaxLinearParams];
  TLeastSquaresResult r = qr_.Solve(maxCondition, phi);
  if (r.Solved() && !RationalFromFree(fit, norm, phi, solution)) r.status = TLeastSquaresStatus::kDependent;
  return r;
}

bool TRationalFamily::RationalFromFree(const KeptFit& fit, const TRationalNormalisation& norm, const long double* phi,
                                       long double* solution) {
  const int p = fit.m + 1;
  const TRationalNormalisation::TTerm& dk = norm.terms[static_cast<std::size_t>(norm.pivot)];
  // θ of every denominator term by basis index (p: the constant), the numerator's α.
  long double theta[kMaxLinearParams + 1] = {};
  long double alpha[kMaxLinearParams] = {};
  long double rest = 1.0L;
  for (int c = 0; c < p; ++c) {
    const int k = norm.columns[static_cast<std::size_t>(c)];
    if (k < p && fit.basis[static_cast<std::size_t>(k)].e == 0) {
      alpha[k] = phi[c];
    } else {
      theta[k] = phi[c];
      rest -= norm.TermAt(k)->l * phi[c];
    }
  }
  theta[dk.index] = rest / dk.l;
  const long double constant = theta[p];
  if (!(constant != 0.0L) || !std::isfinite(constant)) return false;
  for (int k = 0; k < p; ++k)
    solution[k] = fit.basis[static_cast<std::size_t>(k)].e == 0 ? alpha[k] / constant : -theta[k] / constant;
  return true;
}

bool TRationalFamily::FrameNormalEquations(const KeptFit& fit, long double* const* a, long double* b,
                                           long double& targetSquares) const {
  const int p = fit.m + 1;
  TRationalNormalisation norm;
  if (!RationalNormalisationOf(points_.Frame(), fit.xKind, fit.yKind, Basis(fit), norm)) return false;
  // FᵀF over the basis and the denominator's constant (index p).
  std::array<TMonomial, kMaxLinearParams + 1> full{};
  std::copy(fit.basis.begin(), fit.basis.begin() + p, full.begin());
  full[static_cast<std::size_t>(p)] = {0, 0, 1};
  long double cells[(kMaxLinearParams + 1) * (kMaxLinearParams + 1)], zSide[kMaxLinearParams + 1];
  long double* rows[kMaxLinearParams + 1];
  for (int i = 0; i <= p; ++i) rows[i] = cells + i * (p + 1);
  if (!BuildMonomialNormals(*frameSums_, fit.xKind, fit.yKind,
                            std::span<const TMonomial>(full.data(), static_cast<std::size_t>(p) + 1), rows, zSide))
    return false;
  // T by columns: a numerator term stands for itself; a free denominator term j for
  // -(D_j - (l_j/l_k)·D_k). τ = D_k/l_k.
  const TRationalNormalisation::TTerm& dk = norm.terms[static_cast<std::size_t>(norm.pivot)];
  long double t[kMaxLinearParams][kMaxLinearParams + 1] = {};
  for (int c = 0; c < p; ++c) {
    const int k = norm.columns[static_cast<std::size_t>(c)];
    if (k < p && fit.basis[static_cast<std::size_t>(k)].e == 0) {
      t[c][k] = 1.0L;
    } else {
      t[c][k] = -1.0L;
      t[c][dk.index] += norm.TermAt(k)->l / dk.l;
    }
  }
  long double tau[kMaxLinearParams + 1] = {};
  tau[dk.index] = 1.0L / dk.l;
  // M·Tᵀ columns and M·τ.
  long double mt[kMaxLinearParams][kMaxLinearParams + 1] = {}, mtau[kMaxLinearParams + 1] = {};
  for (int i = 0; i <= p; ++i) {
    for (int c = 0; c < p; ++c)
      for (int j = 0; j <= p; ++j) mt[c][i] += rows[i][j] * t[c][j];
    for (int j = 0; j <= p; ++j) mtau[i] += rows[i][j] * tau[j];
  }
  targetSquares = 0.0L;
  for (int i = 0; i <= p; ++i) targetSquares += tau[i] * mtau[i];
  for (int c = 0; c < p; ++c) {
    for (int d = 0; d < p; ++d) {
      long double v = 0.0L;
      for (int i = 0; i <= p; ++i) v += t[c][i] * mt[d][i];
      a[c][d] = v;
    }
    long double v = 0.0L;
    for (int i = 0; i <= p; ++i) v += t[c][i] * mtau[i];
    b[c] = frameRhs_[static_cast<std::size_t>(c)] = v;
  }
  frameTargetSquares_ = targetSquares;
  return true;
}

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
  TFramePoints points;
  if (!AllocateKeepLists(lists, M - 3, keep) || !points.Make(ctx, ctx.scales.rationalFrame)) return -2;
  const TRationalFamily family(ctx, points);
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
  TFramePoints points;
  if (!list.Allocate(keep) || !points.Make(ctx, ctx.scales.rationalFrame)) return -2;
  const TRationalFamily family(ctx, points);
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

long double RationalTermsValue(long double X, long double Y, const long double* p, const std::uint8_t* d) {
  return RationalValue(X, Y, p, d);
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

long double EvalFramedRational(long double x, long double y, const long double* framed, const std::uint8_t* d,
                               const TPolynomialFrame& frame) {
  long double u = 0.0L, v = 0.0L;
  if (!FrameCoordinates(ExprThreadContext(), frame, d, x, y, u, v)) return 0.0L;
  return RationalValue(u, v, framed, d);
}
