#include "smooth/kernels/derivative_limiter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "smooth/kernels/nearest_points.h"

namespace {

// Rounding of the values that a limit never acts on: predictions of exact data miss their
// neighbours by rounding alone.
constexpr double kRoundingShare = 1e-10;
// An expansion that meets its check points to this share of their values reproduces them.
constexpr double kExactShare = 1e-9;
// The neighbours of each point whose quadratic measures its noise.
constexpr int kNoiseNeighbours = 12;
// The upper quartile of the normal distribution: the median of |N(0, 1)|.
constexpr double kNormalQuartile = 0.6744897502;

double Power(double v, int k) {
  double p = 1;
  for (int i = 0; i < k; ++i) p *= v;
  return p;
}

double Factorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// Both noise figures are averages over the points: a few thousand of them, spread through the
// whole set, measure them to a percent or two and keep the cost of a large set's set-up low.
constexpr std::size_t kNoiseSample = 1024;
std::size_t SampleStep(std::size_t n) { return std::max<std::size_t>(1, (n + kNoiseSample - 1) / kNoiseSample); }

// Solves the symmetric system m c = r (n unknowns, m row-major) by elimination with
// partial pivoting; false when a pivot falls below a millionth of the largest diagonal.
bool SolveSmall(double* m, double* r, int n, double* c) {
  double largest = 0;
  for (int i = 0; i < n; ++i) largest = std::max(largest, std::fabs(m[i * n + i]));
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int row = col + 1; row < n; ++row)
      if (std::fabs(m[row * n + col]) > std::fabs(m[pivot * n + col])) pivot = row;
    if (!(std::fabs(m[pivot * n + col]) > 1e-6 * largest)) return false;
    if (pivot != col) {
      for (int k = 0; k < n; ++k) std::swap(m[col * n + k], m[pivot * n + k]);
      std::swap(r[col], r[pivot]);
    }
    for (int row = col + 1; row < n; ++row) {
      const double f = m[row * n + col] / m[col * n + col];
      for (int k = col; k < n; ++k) m[row * n + k] -= f * m[col * n + k];
      r[row] -= f * r[col];
    }
  }
  for (int row = n - 1; row >= 0; --row) {
    double sum = r[row];
    for (int k = row + 1; k < n; ++k) sum -= m[row * n + k] * c[k];
    c[row] = sum / m[row * n + row];
  }
  return true;
}

// The noise of the values by the residual of each point from the least-squares quadratic of
// its nearest neighbours (itself left out), each divided by the standard deviation that the
// quadratic's own uncertainty adds there: data of a quadratic give 0, smooth data the small
// error of a quadratic over a few spacings, noisy data their noise.
// *typical receives the same from the median residual (that of normal noise is 0.67449
// standard deviations), which a cliff or a step across a few of the quadratics leaves alone.
double QuadraticResidualNoise(std::span<const double> x, std::span<const double> y,
                              std::span<const double> z, const TNearestPoints& nearest,
                              double zs, double* typical) {
  constexpr int kTerms = 6;
  const std::size_t n = x.size(), step = SampleStep(n);
  std::vector<int> near;
  std::vector<double> residuals;
  double sum = 0;
  std::size_t used = 0;
  for (std::size_t i = 0; i < n; i += step) {
    nearest.Nearest(static_cast<int>(i), kNoiseNeighbours, near);
    if (static_cast<int>(near.size()) < kNoiseNeighbours) continue;
    double radius = 0;
    for (const int j : near)
    {
      const double dx = x[static_cast<std::size_t>(j)] - x[i], dy = y[static_cast<std::size_t>(j)] - y[i];
      radius = std::max(radius, std::sqrt(dx * dx + dy * dy));
    }
    if (!(radius > 0)) continue;
    // Normal equations of z = a + b u + c v + d u^2 + e uv + f v^2 about point i, u and v
    // the offsets in units of the neighbourhood's radius.
    double m[kTerms * kTerms] = {}, r[kTerms] = {}, unit[kTerms] = {1, 0, 0, 0, 0, 0};
    for (const int j : near) {
      const auto k = static_cast<std::size_t>(j);
      const double u = (x[k] - x[i]) / radius, v = (y[k] - y[i]) / radius;
      const double col[kTerms] = {1.0, u, v, u * u, u * v, v * v};
      const double dz = (z[k] - z[i]) / zs;
      for (int a = 0; a < kTerms; ++a) {
        r[a] += col[a] * dz;
        for (int b = 0; b < kTerms; ++b) m[a * kTerms + b] += col[a] * col[b];
      }
    }
    double copy[kTerms * kTerms], c[kTerms], w[kTerms];
    std::copy(m, m + kTerms * kTerms, copy);
    if (!SolveSmall(m, r, kTerms, c) || !SolveSmall(copy, unit, kTerms, w)) continue;
    // c[0] is the quadratic's value at point i less z_i; w[0] its variance factor there.
    if (!std::isfinite(c[0]) || !(w[0] >= 0)) continue;
    sum += c[0] * c[0] / (1.0 + w[0]);
    residuals.push_back(std::fabs(c[0]) / std::sqrt(1.0 + w[0]));
    ++used;
  }
  *typical = 0.0;
  if (!residuals.empty()) {
    const auto middle = residuals.begin() + static_cast<std::ptrdiff_t>(residuals.size() / 2);
    std::nth_element(residuals.begin(), middle, residuals.end());
    *typical = *middle / kNormalQuartile * zs;
  }
  return used > 0 ? std::sqrt(sum / static_cast<double>(used)) * zs : 0.0;
}

thread_local bool limitsOpen = false;

}  // namespace

TNodeLimits::TNodeLimits() : was_(limitsOpen) { limitsOpen = true; }

TNodeLimits::~TNodeLimits() { limitsOpen = was_; }

bool TNodeLimits::Active() { return limitsOpen; }

double TDataTrend::TypicalAllowance() const {
  TDataTrend typical = *this;
  typical.noise = typicalNoise;
  typical.variation = typicalVariation;
  return std::min(Allowance(), typical.Allowance());
}

double TDataTrend::Allowance() const {
  // Noisy data vary between neighbours by their noise, and the allowance is a few noise
  // widths; smooth data vary by far more than their noise, and their estimates are limited
  // only where they miss by as many times more again.
  const double floor = kRoundingShare * scale;
  if (!(noise > floor)) return std::numeric_limits<double>::infinity();
  const double smoothness = variation / noise, excess = std::max(0.0, smoothness - 1.0);
  return std::max(kLimiterNoiseWidths * noise * (1.0 + excess * excess * smoothness), floor);
}

TDataTrend MeasureTrend(std::span<const double> x, std::span<const double> y,
                        std::span<const double> z) {
  TDataTrend t;
  const std::size_t n = std::min({x.size(), y.size(), z.size()});
  if (n == 0) return t;
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i])) return t;
    t.x0 += x[i];
    t.y0 += y[i];
    t.z0 += z[i];
    t.scale = std::max(t.scale, std::fabs(z[i]));
  }
  t.x0 /= static_cast<double>(n);
  t.y0 /= static_cast<double>(n);
  t.z0 /= static_cast<double>(n);
  if (n < 2 || !std::isfinite(t.z0)) {
    t.z0 = n > 0 && std::isfinite(t.z0) ? t.z0 : 0.0;
    return t;
  }
  // Sums about the means, the values divided by their scale so that no square overflows.
  const double zs = t.scale > 0 ? t.scale : 1.0;
  double sxx = 0, sxy = 0, syy = 0, sxz = 0, syz = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x[i] - t.x0, dy = y[i] - t.y0, dz = (z[i] - t.z0) / zs;
    sxx += dx * dx;
    sxy += dx * dy;
    syy += dy * dy;
    sxz += dx * dz;
    syz += dy * dz;
  }
  const double det = sxx * syy - sxy * sxy;
  if (det > 1e-12 * sxx * syy && std::isfinite(det)) {
    t.ax = (sxz * syy - syz * sxy) / det * zs;
    t.ay = (syz * sxx - sxz * sxy) / det * zs;
  }
  std::vector<double> r(n);
  t.low = t.high = 0;
  for (std::size_t i = 0; i < n; ++i) {
    r[i] = z[i] - t.Plane(x[i], y[i]);
    t.low = std::min(t.low, r[i]);
    t.high = std::max(t.high, r[i]);
  }
  const TNearestPoints nearest(x.first(n), y.first(n));
  std::vector<int> one;
  std::vector<double> differences;
  double sum = 0;
  std::size_t used = 0;
  for (std::size_t i = 0; i < n; i += SampleStep(n)) {
    nearest.Nearest(static_cast<int>(i), 1, one);
    if (one.empty()) continue;
    const double d = (r[i] - r[static_cast<std::size_t>(one[0])]) / zs;
    sum += d * d;
    differences.push_back(std::fabs(d));
    ++used;
  }
  t.variation = used > 0 ? std::sqrt(sum / (2.0 * static_cast<double>(used))) * zs : 0.0;
  if (!differences.empty()) {
    const auto middle = differences.begin() + static_cast<std::ptrdiff_t>(differences.size() / 2);
    std::nth_element(differences.begin(), middle, differences.end());
    // The difference of two values with independent noise sigma has the median
    // 0.67449 sqrt(2) sigma.
    t.typicalVariation = *middle / (kNormalQuartile * std::sqrt(2.0)) * zs;
  }
  t.noise = QuadraticResidualNoise(x.first(n), y.first(n), z.first(n), nearest, zs, &t.typicalNoise);
  return t;
}

double CheckSlack(double allowance, double back) {
  const double mutual = std::isfinite(back) ? kLimiterMutual * std::fabs(back) : 0.0;
  return allowance + std::min(mutual, kLimiterMutual * allowance);
}

double TaylorRise(const TNodeTaylor& t, double dx, double dy) {
  double rise = 0;
  const int order = std::min(t.order, kTaylorMaxOrder);
  for (int q = 1; q <= order; ++q)
    for (int b = 0; b <= q; ++b) {
      const int a = q - b;
      rise += t.d[a][b] * Power(dx, a) * Power(dy, b) / (Factorial(a) * Factorial(b));
    }
  return rise;
}

bool LimitOrders(double z0, std::span<const TCheck> checks, std::span<const double> parts,
                 int order, double* scale) {
  for (int q = 0; q < order; ++q) scale[q] = 1;
  const std::size_t m = checks.size();
  const auto o = static_cast<std::size_t>(order);
  if (order < 1 || m == 0 || parts.size() < m * o) return false;
  double lo = z0, hi = z0, size = std::fabs(z0);
  for (const TCheck& c : checks) {
    lo = std::min(lo, c.value);
    hi = std::max(hi, c.value);
    size = std::max(size, std::fabs(c.value));
  }
  // An expansion that meets every check point is that of data it reproduces: it stays whole.
  bool meets = true;
  for (std::size_t k = 0; k < m && meets; ++k) {
    double sum = z0;
    for (std::size_t q = 0; q < o; ++q) sum += parts[k * o + q];
    meets = std::fabs(sum - checks[k].value) <= kExactShare * size;
  }
  if (meets) return false;
  // Order by order from the first: the expansion cut after each order keeps within the
  // bounds at every check point. The first order that would stray is scaled to reach a bound
  // at most, and the orders above it go: they were fitted together with it.
  thread_local std::vector<double> base;
  base.assign(m, z0);
  for (int q = 1; q <= order; ++q) {
    double factor = 1;
    for (std::size_t k = 0; k < m; ++k) {
      const double share = parts[k * o + static_cast<std::size_t>(q - 1)];
      const double top = base[k] + share;
      const double upper = hi + checks[k].slack, lower = lo - checks[k].slack;
      if (top > upper) factor = std::min(factor, (upper - base[k]) / share);
      if (top < lower) factor = std::min(factor, (lower - base[k]) / share);
    }
    factor = std::max(factor, 0.0);
    if (factor < 1) {
      scale[q - 1] = factor;
      for (int r = q + 1; r <= order; ++r) scale[r - 1] = 0;
      return true;
    }
    for (std::size_t k = 0; k < m; ++k) base[k] += parts[k * o + static_cast<std::size_t>(q - 1)];
  }
  return false;
}

bool LimitNodeTaylor(std::span<const double> x, std::span<const double> y,
                     std::span<const double> z, int self, std::span<const int> neighbours,
                     double allowance, std::span<const TNodeTaylor> originals,
                     TNodeTaylor& taylor) {
  const int order = std::min(taylor.order, kTaylorMaxOrder);
  if (order < 1 || neighbours.empty()) return false;
  const auto s = static_cast<std::size_t>(self);
  const double x0 = x[s], y0 = y[s], z0 = z[s];
  const std::size_t m = neighbours.size();
  const auto o = static_cast<std::size_t>(order);
  // Scratch kept between calls: a set-up limits every node in turn.
  thread_local std::vector<TCheck> checks;
  thread_local std::vector<double> part;
  checks.assign(m, TCheck{});
  part.assign(m * o, 0.0);
  for (std::size_t k = 0; k < m; ++k) {
    const auto j = static_cast<std::size_t>(neighbours[k]);
    const double dx = x[j] - x0, dy = y[j] - y0;
    // The neighbour's own expansion misses this node by what smooth data make of the distance
    // between them; as much again is no sign of noise.
    const double back = j < originals.size() ? std::fabs(z[j] + TaylorRise(originals[j], -dx, -dy) - z0) : 0.0;
    checks[k] = {z[j], CheckSlack(allowance, back)};
    for (int q = 1; q <= order; ++q) {
      double p = 0;
      for (int b = 0; b <= q; ++b) {
        const int a = q - b;
        p += taylor.d[a][b] * Power(dx, a) * Power(dy, b) / (Factorial(a) * Factorial(b));
      }
      part[k * o + static_cast<std::size_t>(q - 1)] = p;
    }
  }
  double scale[kTaylorMaxOrder];
  if (!LimitOrders(z0, checks, part, order, scale)) return false;
  for (int q = 1; q <= order; ++q)
    for (int b = 0; b <= q; ++b) taylor.d[q - b][b] *= scale[q - 1];
  return true;
}
