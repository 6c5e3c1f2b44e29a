#include "fit/linear_design.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "expr/eval_context.h"
#include "fit/fit_families.h"
#include "fit/linear_fit.h"
#include "fit/polynomial_frame.h"

namespace {

// The basis of a monomial fit and the frame it was solved in.
struct TMonomialFit {
  TMonomial basis[kMaxLinearParams];
  int n = 0;
  bool rational = false;
  const TPolynomialFrame* frame = nullptr;
  std::span<const TMonomial> Basis() const { return {basis, static_cast<std::size_t>(n)}; }
};

bool MonomialFitOf(const TFitEqn& e, const TFitRunScales& scales, TMonomialFit& out) {
  if (!IsMonomialFit(e)) return false;
  out.rational = e.kind == kKindRational;
  out.n = out.rational ? RationalBasisOf(e.descriptor.data(), out.basis) : PolynomialBasisOf(e.descriptor.data(), out.basis);
  out.frame = out.rational ? &scales.rationalFrame : &scales.polynomialFrame;
  return out.n == e.m + 1;
}

using Quad = __float128;

// The coefficients of (s·(X - c))^p as a polynomial in X: out[j] for X^j.
void ShiftedPower(const TPowerShift& f, int p, Quad* out) {
  Quad sp = 1;
  for (int k = 0; k < p; ++k) sp *= static_cast<Quad>(f.scale);
  Quad negC = 1, binomial = 1;  // (-c)^(p-j) and C(p, j), from j = p down
  for (int j = p; j >= 0; --j) {
    out[j] = binomial * negC * sp;
    negC *= -static_cast<Quad>(f.centre);
    binomial = binomial * j / (p - j + 1);
  }
}

// The raw coefficients (of the basis's terms of group e) of the frame monomial u^p·v^q.
bool ExpandFrameMonomial(const TMonomialFit& fit, int xKind, int yKind, int e, int p, int q, Quad* raw) {
  Quad xs[kMaxLinearParams + 1], ys[kMaxLinearParams + 1];
  if (p > kMaxLinearParams || q > kMaxLinearParams) return false;
  ShiftedPower(fit.frame->Of(xKind), p, xs);
  ShiftedPower(fit.frame->Of(yKind), q, ys);
  for (int j = 0; j <= p; ++j) {
    for (int l = 0; l <= q; ++l) {
      if (xs[j] * ys[l] == 0) continue;
      // The raw constant of the denominator is no coefficient: the normalisation holds it.
      if (e == 1 && j == 0 && l == 0) continue;
      int k = 0;
      while (k < fit.n && !(fit.basis[k].e == e && fit.basis[k].p == j && fit.basis[k].q == l)) ++k;
      if (k == fit.n) return false;
      raw[k] += xs[j] * ys[l];
    }
  }
  return true;
}

}  // namespace

bool IsMonomialFit(const TFitEqn& e) {
  return (e.kind == kKindPolynomial || e.kind == kKindRational) && !IsSeriesFamily(e.descriptor[1]);
}

bool LinearDesignRow(const TFitEqn& e, const TFitRunScales& scales, ExprContext& ctx, long double x,
                     long double y, long double z, long double* row) {
  TMonomialFit fit;
  if (!MonomialFitOf(e, scales, fit)) return false;
  const int xKind = e.descriptor[0], yKind = e.descriptor[3];
  const TPolynomialFrame identity;
  const TPolynomialFrame& frame = e.framed ? *fit.frame : identity;
  long double u = 0.0L, v = 0.0L;
  if (!FrameCoordinates(ctx, frame, e.descriptor.data(), x, y, u, v)) return false;
  if (!fit.rational || !e.framed) {
    // The raw terms, a rational's denominator terms times z.
    for (int k = 0; k < fit.n; ++k)
      row[k] = MonomialValue(u, v, fit.basis[k].p, fit.basis[k].q) * (fit.basis[k].e == 1 ? z : 1.0L);
    return true;
  }
  TRationalNormalisation norm;
  if (!RationalNormalisationOf(frame, xKind, yKind, fit.Basis(), norm)) return false;
  const TRationalNormalisation::TTerm& dk = norm.terms[static_cast<std::size_t>(norm.pivot)];
  for (int c = 0; c < fit.n; ++c) {
    const int k = norm.columns[static_cast<std::size_t>(c)];
    if (k < fit.n && fit.basis[k].e == 0) {
      row[c] = MonomialValue(u, v, fit.basis[k].p, fit.basis[k].q);
    } else {
      const TRationalNormalisation::TTerm& dj = *norm.TermAt(k);
      row[c] = -z * (MonomialValue(u, v, dj.p, dj.q) - dj.l / dk.l * MonomialValue(u, v, dk.p, dk.q));
    }
  }
  return true;
}

bool RawCoefficientJacobian(const TFitEqn& e, const TFitRunScales& scales, long double* const* jacobian) {
  TMonomialFit fit;
  if (!e.framed || !MonomialFitOf(e, scales, fit)) return false;
  const int xKind = e.descriptor[0], yKind = e.descriptor[3];
  for (int i = 0; i < fit.n; ++i) std::fill(jacobian[i], jacobian[i] + fit.n, 0.0L);
  Quad column[kMaxLinearParams];
  if (!fit.rational) {
    for (int k = 0; k < fit.n; ++k) {
      std::fill(column, column + fit.n, Quad(0));
      if (!ExpandFrameMonomial(fit, xKind, yKind, 0, fit.basis[k].p, fit.basis[k].q, column)) return false;
      for (int i = 0; i < fit.n; ++i) jacobian[i][k] = static_cast<long double>(column[i]);
    }
    return true;
  }
  // The raw coefficients (numerator, then the negated denominator terms) of the free
  // coefficients: a numerator term expands into the numerator's raw terms; a free denominator
  // term θ_j moves θ_k by -l_j/l_k, and the raw denominator by D_j - (l_j/l_k)·D_k, negated.
  TRationalNormalisation norm;
  if (!RationalNormalisationOf(*fit.frame, xKind, yKind, fit.Basis(), norm)) return false;
  const TRationalNormalisation::TTerm& dk = norm.terms[static_cast<std::size_t>(norm.pivot)];
  for (int c = 0; c < fit.n; ++c) {
    std::fill(column, column + fit.n, Quad(0));
    const int k = norm.columns[static_cast<std::size_t>(c)];
    if (k < fit.n && fit.basis[k].e == 0) {
      if (!ExpandFrameMonomial(fit, xKind, yKind, 0, fit.basis[k].p, fit.basis[k].q, column)) return false;
    } else {
      const TRationalNormalisation::TTerm& dj = *norm.TermAt(k);
      Quad pivotPart[kMaxLinearParams] = {};
      if (!ExpandFrameMonomial(fit, xKind, yKind, 1, dj.p, dj.q, column) ||
          !ExpandFrameMonomial(fit, xKind, yKind, 1, dk.p, dk.q, pivotPart))
        return false;
      const Quad ratio = static_cast<Quad>(dj.l) / static_cast<Quad>(dk.l);
      for (int i = 0; i < fit.n; ++i) column[i] = -(column[i] - ratio * pivotPart[i]);
    }
    for (int i = 0; i < fit.n; ++i) jacobian[i][c] = static_cast<long double>(column[i]);
  }
  return true;
}
