#include "fit/candidate_terms.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "expr/eval_context.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"

namespace {

constexpr int kAxisTerms = 21;

// Function k (0..20) of one coordinate v with the exponential scale s.
long double AxisTerm(ExprContext& ctx, long double v, int k, long double s) {
  switch (k) {
    case 0: return v;
    case 1: return v * ExprMathLog(ctx, v);
    case 2: return v * ExprMathSqrt(ctx, v);
    case 3: return v * v;
    case 4: return v * v * ExprMathLog(ctx, v);
    case 5: return v * v * ExprMathSqrt(ctx, v);
    case 6: return v * v * v;
    case 7: return ExprMathExp(ctx, ExprSafeDivide(ctx, v, s));
    case 8: return ExprMathSqrt(ctx, v) * ExprMathLog(ctx, v);
    case 9: {
      const long double l = ExprMathLog(ctx, v);
      return l * l;
    }
    case 10: return ExprSafeDivide(ctx, v, ExprMathLog(ctx, v));
    case 11: return ExprMathSqrt(ctx, v);
    case 12: return ExprMathLog(ctx, v);
    case 13: return ExprSafeDivide(ctx, 1.0L, ExprMathLog(ctx, v));
    case 14: return ExprSafeDivide(ctx, 1.0L, ExprMathSqrt(ctx, v));
    case 15: return ExprSafeDivide(ctx, ExprMathLog(ctx, v), v);
    case 16: return ExprSafeDivide(ctx, 1.0L, v);
    case 17: return ExprSafeDivide(ctx, 1.0L, v * ExprMathSqrt(ctx, v));
    case 18: return ExprSafeDivide(ctx, ExprMathLog(ctx, v), v * v);
    case 19: return ExprSafeDivide(ctx, 1.0L, v * v);
    case 20: return ExprMathExp(ctx, -v);
    default: return 0.0L;
  }
}

// The value of a term-subset fit of the Z variant from its linear part s.
long double VariantValue(ExprContext& ctx, int variant, long double s) {
  switch (variant) {
    case 0: return s;
    case 1: return ExprMathExp(ctx, s);
    case 2: return ExprSafeDivide(ctx, 1.0L, s);
    case 3: return s * s;
    case 4: return ExprMathSqrt(ctx, s);
    default: return 0.0L;
  }
}

}  // namespace

long double TermValue(ExprContext& ctx, long double x, long double y, int code,
                      const TFitRunScales& scales) {
  if (code < 0 || code >= kCandidateTermCount) return 0.0L;
  return code < kAxisTerms ? AxisTerm(ctx, x, code, scales.xScale)
                           : AxisTerm(ctx, y, code - kAxisTerms, scales.yScale);
}

long double TermSubsetValue(ExprContext& ctx, long double x, long double y, const long double* p,
                            std::span<const std::int32_t> terms, int m,
                            const TFitRunScales& scales) {
  if (terms.empty() || m < 0 || static_cast<std::size_t>(m) >= terms.size()) return 0.0L;
  long double s = p[0];
  for (int i = 1; i <= m; ++i)
    s += p[i] * TermValue(ctx, x, y, terms[static_cast<std::size_t>(i)], scales);
  return VariantValue(ctx, terms[0], s);
}

long double TermSubsetSSE(ExprContext& ctx, std::span<const TXYZPoint> points,
                          long double weightScale, const long double* p,
                          std::span<const std::int32_t> terms, int m,
                          const TFitRunScales& scales) {
  long double sse = 0.0L;
  bool defined = true;
  for (const TXYZPoint& pt : points) {
    if (!IsActive(pt)) continue;
    ctx.ExprMathError = 0;
    const long double z = TermSubsetValue(ctx, pt.X, pt.Y, p, terms, m, scales);
    if (ctx.ExprMathError != 0 || !std::isfinite(z)) {
      defined = false;
      break;
    }
    const long double r = pt.Z - z;
    sse += pt.W * weightScale * r * r;
  }
  ctx.ExprMathError = 0;
  return defined && std::isfinite(sse) ? sse : std::numeric_limits<long double>::infinity();
}

TTermColumns::TTermColumns(std::span<const TXYZPoint> points, long double weightScale,
                           const TFitRunScales& scales)
    : weightScale_(weightScale), scales_(scales) {
  for (const TXYZPoint& pt : points) {
    if (!IsActive(pt)) continue;
    x_.push_back(pt.X);
    y_.push_back(pt.Y);
    z_.push_back(pt.Z);
    w_.push_back(pt.W);
  }
}

const long double* TTermColumns::Column(ExprContext& ctx, int code) {
  const auto t = static_cast<std::size_t>(code);
  if (state_[t] == 0) {
    std::vector<long double>& c = columns_[t];
    c.resize(x_.size());
    state_[t] = 1;
    for (std::size_t i = 0; i < x_.size(); ++i) {
      ctx.ExprMathError = 0;
      c[i] = TermValue(ctx, x_[i], y_[i], code, scales_);
      if (ctx.ExprMathError != 0) {
        state_[t] = -1;
        break;
      }
    }
    ctx.ExprMathError = 0;
  }
  return state_[t] > 0 ? columns_[t].data() : nullptr;
}

long double TTermColumns::SubsetSse(ExprContext& ctx, const long double* p, std::span<const std::int32_t> terms,
                                    int m) {
  constexpr long double kUndefined = std::numeric_limits<long double>::infinity();
  if (terms.empty() || m < 0 || static_cast<std::size_t>(m) >= terms.size()) return TermSubsetSSE(ctx, {}, 0, p, terms, m, scales_);
  const long double* columns[kCandidateTermCount + 1] = {};
  for (int i = 1; i <= m; ++i) {
    const int code = terms[static_cast<std::size_t>(i)];
    if (code < 0 || code >= kCandidateTermCount) return TermSubsetSSE(ctx, {}, 0, p, terms, m, scales_);
    columns[i] = Column(ctx, code);
    if (!columns[i]) return kUndefined;
  }
  const std::size_t count = x_.size();
  const int variant = terms[0];
  long double sse = 0.0L;
  for (std::size_t k = 0; k < count; ++k) {
    // The linear part in the order of TermSubsetValue.
    long double z = p[0];
    for (int i = 1; i <= m; ++i) z += p[i] * columns[i][k];
    if (variant != 0) {  // the fit of z itself is defined wherever its terms are
      ctx.ExprMathError = 0;
      z = VariantValue(ctx, variant, z);
      if (ctx.ExprMathError != 0) {
        ctx.ExprMathError = 0;
        return kUndefined;
      }
    }
    const long double r = z_[k] - z;
    sse += w_[k] * weightScale_ * r * r;
  }
  ctx.ExprMathError = 0;
  // A value that is not a finite number at some point leaves no finite sum.
  return std::isfinite(sse) ? sse : kUndefined;
}

namespace {

// Signs seen of a linear part: a 0, or both signs, means it vanishes.
struct TSignsSeen {
  bool positive = false, negative = false, zero = false;
  void Add(long double s) {
    positive = positive || s > 0.0L;
    negative = negative || s < 0.0L;
    zero = zero || s == 0.0L;
  }
  bool Vanishes() const { return zero || (positive && negative); }
};

}  // namespace

bool TTermColumns::LinearPartChangesSign(ExprContext& ctx, const long double* p,
                                         std::span<const std::int32_t> terms, int m) {
  if (terms.empty() || m < 0 || static_cast<std::size_t>(m) >= terms.size()) return false;
  const long double* columns[kCandidateTermCount + 1] = {};
  for (int i = 1; i <= m; ++i) {
    const int code = terms[static_cast<std::size_t>(i)];
    if (code < 0 || code >= kCandidateTermCount) return false;
    columns[i] = Column(ctx, code);
    if (!columns[i]) return false;
  }
  TSignsSeen seen;
  for (std::size_t k = 0; k < x_.size(); ++k) {
    long double s = p[0];
    for (int i = 1; i <= m; ++i) s += p[i] * columns[i][k];
    seen.Add(s);
  }
  return seen.Vanishes();
}

bool LinearPartChangesSignOnGrid(ExprContext& ctx, const TFitRunScales& scales, const long double* p,
                                 std::span<const std::int32_t> terms, int m, long double x0, long double x1,
                                 long double y0, long double y1, int nodes) {
  if (terms.empty() || m < 0 || static_cast<std::size_t>(m) >= terms.size() || nodes < 2) return false;
  TSignsSeen seen;
  for (int i = 0; i < nodes && !seen.Vanishes(); ++i) {
    const long double x = i == nodes - 1 ? x1 : x0 + (x1 - x0) * i / (nodes - 1);
    for (int j = 0; j < nodes; ++j) {
      const long double y = j == nodes - 1 ? y1 : y0 + (y1 - y0) * j / (nodes - 1);
      ctx.ExprMathError = 0;
      long double s = p[0];
      for (int t = 1; t <= m; ++t) s += p[t] * TermValue(ctx, x, y, terms[static_cast<std::size_t>(t)], scales);
      if (ctx.ExprMathError == 0) seen.Add(s);
    }
  }
  ctx.ExprMathError = 0;
  return seen.Vanishes();
}

TTermMagnitudes TermMagnitudes(const TDataStats& stats, const TFitRunScales& scales) {
  // The faults of these probes concern no caller: they run in a context of their own.
  ExprContext probe;
  const long double xs[3] = {stats.X.Min, stats.X.Mean, stats.X.Max};
  const long double ys[3] = {stats.Y.Min, stats.Y.Mean, stats.Y.Max};
  TTermMagnitudes sizes{};
  for (int t = 0; t < kCandidateTermCount; ++t) {
    long double largest = 0.0L;
    for (int i = 0; i < 3; ++i) {
      probe.ExprMathError = 0;
      const long double v = std::fabs(TermValue(probe, xs[i], ys[i], t, scales));
      if (probe.ExprMathError == 0 && std::isfinite(v)) largest = std::max(largest, v);
    }
    sizes[static_cast<std::size_t>(t)] = largest;
  }
  return sizes;
}
