#include "fit/candidate_terms.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "expr/eval_context.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"
#include "numerics/dense_solvers.h"

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
                                    int m, long double* linearSse) {
  constexpr long double kUndefined = std::numeric_limits<long double>::infinity();
  if (linearSse) *linearSse = kUndefined;
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
  const TVariantColumns* own = linearSse && variant >= 0 && variant < 3 ? &Variant(variant) : nullptr;
  long double sse = 0.0L, linear = 0.0L;
  for (std::size_t k = 0; k < count; ++k) {
    // The linear part in the order of TermSubsetValue.
    long double z = p[0];
    for (int i = 1; i <= m; ++i) z += p[i] * columns[i][k];
    if (own) {
      const long double r = own->zv[k] - z;
      linear += own->omega[k] * r * r;
    }
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
  if (!std::isfinite(sse)) return kUndefined;
  if (own && std::isfinite(linear)) *linearSse = linear;
  return sse;
}

bool TTermColumns::Columns(ExprContext& ctx, std::span<const std::int32_t> terms, int m,
                           const long double** cols) {
  if (terms.empty() || m < 0 || static_cast<std::size_t>(m) >= terms.size()) return false;
  for (int i = 1; i <= m; ++i) {
    const int code = terms[static_cast<std::size_t>(i)];
    if (code < 0 || code >= kCandidateTermCount) return false;
    cols[i] = Column(ctx, code);
    if (!cols[i]) return false;
  }
  return true;
}

long double TTermColumns::ColumnMean(int variant, int code, const long double* column) {
  TVariantColumns& v = variants_[static_cast<std::size_t>(variant)];
  long double& mean = v.means[static_cast<std::size_t>(code)];
  if (std::isnan(mean)) {
    long double sum = 0.0L;
    for (std::size_t k = 0; k < x_.size(); ++k) sum += v.omega[k] * column[k];
    mean = sum / v.total;
  }
  return mean;
}

const TTermColumns::TVariantColumns& TTermColumns::Variant(int variant) {
  TVariantColumns& c = variants_[static_cast<std::size_t>(variant)];
  if (c.omega.empty() && !z_.empty()) {
    c.means.fill(std::numeric_limits<long double>::quiet_NaN());
    c.omega.resize(z_.size());
    c.zv.resize(z_.size());
    for (std::size_t k = 0; k < z_.size(); ++k) {
      const long double w = w_[k] * weightScale_;
      const long double z = z_[k] == 0.0L ? 1e-300L : z_[k];
      switch (variant) {
        case 1: c.omega[k] = w * z * z; c.zv[k] = std::log(z); break;
        case 2: c.omega[k] = w * z * z * z * z; c.zv[k] = 1.0L / z; break;
        default: c.omega[k] = w; c.zv[k] = z_[k]; break;
      }
      c.total += c.omega[k];
    }
  }
  return c;
}

TLeastSquaresResult TTermColumns::LeastSquaresAtPoints(ExprContext& ctx, std::span<const std::int32_t> terms, int m,
                                                       long double maxCondition, long double* p) {
  const long double* cols[kCandidateTermCount + 1] = {};
  if (m < 1 || m > kMaxCentredTerms || !Columns(ctx, terms, m, cols) || terms[0] < 0 || terms[0] > 2) return {};
  const std::size_t n = x_.size();
  if (n <= static_cast<std::size_t>(m)) return {};
  const TVariantColumns& v = Variant(terms[0]);
  // Weighted means of the columns and of Z_v.
  long double total = 0.0L, mean[kMaxCentredTerms + 1] = {};
  for (std::size_t k = 0; k < n; ++k) {
    total += v.omega[k];
    mean[0] += v.omega[k] * v.zv[k];
    for (int i = 1; i <= m; ++i) mean[i] += v.omega[k] * cols[i][k];
  }
  if (!(total > 0.0L) || !std::isfinite(total)) return {};
  for (int i = 0; i <= m; ++i) mean[i] /= total;
  // The weighted, centred design √ω·(t_i - mean_i) and √ω·(Z_v - mean_0), solved by QR: the
  // condition of the design itself, not its square as in normal equations, decides the
  // digits; the slopes, and the intercept from the means.
  if (!qr_.Reset(static_cast<int>(n), m)) return {TLeastSquaresStatus::kNoMemory};
  long double* target = qr_.Target();
  for (std::size_t k = 0; k < n; ++k) {
    const long double root = std::sqrt(v.omega[k]);
    for (int i = 0; i < m; ++i) qr_.Column(i)[k] = root * (cols[i + 1][k] - mean[i + 1]);
    target[k] = root * (v.zv[k] - mean[0]);
  }
  long double slope[kMaxCentredTerms];
  const TLeastSquaresResult r = qr_.Solve(maxCondition, slope);
  if (!r.Solved()) return r;
  p[0] = mean[0];
  for (int i = 1; i <= m; ++i) {
    p[i] = slope[i - 1];
    p[0] -= slope[i - 1] * mean[i];
  }
  for (int i = 0; i <= m; ++i)
    if (!std::isfinite(p[i])) return {};
  return r;
}

bool TTermColumns::RefineAtPoints(ExprContext& ctx, std::span<const std::int32_t> terms, int m,
                                  long double* const* normal, long double* p, int steps) {
  const long double* cols[kCandidateTermCount + 1] = {};
  if (m < 1 || m > kMaxCentredTerms || !Columns(ctx, terms, m, cols) || terms[0] < 0 || terms[0] > 2) return false;
  const std::size_t n = x_.size();
  const TVariantColumns& v = Variant(terms[0]);
  const long double total = v.total;
  if (!(total > 0.0L) || !std::isfinite(total)) return false;
  long double mean[kMaxCentredTerms + 1] = {};
  for (int i = 1; i <= m; ++i) mean[i] = ColumnMean(terms[0], terms[static_cast<std::size_t>(i)], cols[i]);
  long double q[kMaxCentredTerms + 1];
  std::copy(p, p + m + 1, q);
  for (int step = 0; step < steps; ++step) {
    long double g[kMaxCentredTerms + 1] = {}, mean0 = 0.0L;
    for (std::size_t k = 0; k < n; ++k) {
      long double s = q[0];
      for (int i = 1; i <= m; ++i) s += q[i] * cols[i][k];
      const long double wr = v.omega[k] * (v.zv[k] - s);
      mean0 += wr;
      for (int i = 1; i <= m; ++i) g[i] += wr * (cols[i][k] - mean[i]);
    }
    long double cells[kMaxCentredTerms * kMaxCentredTerms];
    long double* rows[kMaxCentredTerms];
    for (int i = 0; i < m; ++i) {
      rows[i] = cells + i * m;
      std::copy(normal[i], normal[i] + m, rows[i]);
    }
    if (!SolveGauss(rows, g + 1, m).Solved()) return false;
    for (int i = 1; i <= m; ++i) q[i] += g[i];
    // The intercept puts the weighted mean of the residuals at 0.
    q[0] += mean0 / total;
    for (int i = 1; i <= m; ++i) q[0] -= g[i] * mean[i];
  }
  for (int i = 0; i <= m; ++i)
    if (!std::isfinite(q[i])) return false;
  std::copy(q, q + m + 1, p);
  return true;
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

bool SubsetNormalInverseAtPoints(std::span<const TXYZPoint> points, long double weightScale, const TFitRunScales& scales,
                                 std::span<const std::int32_t> terms, int m, long double* const* inverse) {
  if (m < 1 || static_cast<std::size_t>(m) >= terms.size() || terms[0] < 0 || terms[0] > 2) return false;
  int n = 0;
  for (const TXYZPoint& p : points)
    if (IsActive(p)) ++n;
  TLeastSquaresQR qr;
  if (!qr.Reset(n, m + 1)) return false;
  ExprContext probe;  // the faults of these evaluations concern no caller
  int i = 0;
  for (const TXYZPoint& p : points) {
    if (!IsActive(p)) continue;
    const long double w = p.W * weightScale;
    const long double z = p.Z == 0.0L ? 1e-300L : p.Z;
    const long double omega = terms[0] == 1 ? w * z * z : terms[0] == 2 ? w * z * z * z * z : w;
    const long double root = std::sqrt(omega);
    qr.Column(0)[i] = root;
    probe.ExprMathError = 0;
    for (int k = 1; k <= m; ++k) qr.Column(k)[i] = root * TermValue(probe, p.X, p.Y, terms[static_cast<std::size_t>(k)], scales);
    if (probe.ExprMathError != 0) return false;
    ++i;
  }
  long double solution[kMaxCentredTerms + 1];
  return qr.Solve(std::numeric_limits<long double>::infinity(), solution).Solved() && qr.NormalInverse(inverse);
}
