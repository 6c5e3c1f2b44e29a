#include "smooth/npsample/npsample_methods.h"

#include <cmath>
#include <utility>
#include <vector>

namespace npsample {
namespace {

// Gaussian elimination with partial pivoting in extended precision on a dense row-major
// matrix; the solution replaces b. False when a pivot is zero.
bool SolveDense(std::vector<long double>& a, std::vector<long double>& b, int n) {
  auto at = [&a, n](int r, int c) -> long double& {
    return a[static_cast<std::size_t>(r) * n + c];
  };
  for (int k = 0; k < n; ++k) {
    int p = k;
    for (int r = k + 1; r < n; ++r)
      if (std::fabs(at(r, k)) > std::fabs(at(p, k))) p = r;
    if (at(p, k) == 0.0L) return false;
    if (p != k) {
      for (int c = k; c < n; ++c) std::swap(at(p, c), at(k, c));
      std::swap(b[p], b[k]);
    }
    for (int r = k + 1; r < n; ++r) {
      const long double f = at(r, k) / at(k, k);
      if (f == 0.0L) continue;
      for (int c = k + 1; c < n; ++c) at(r, c) -= f * at(k, c);
      b[r] -= f * b[k];
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    long double s = b[k];
    for (int c = k + 1; c < n; ++c) s -= at(k, c) * b[c];
    b[k] = s / at(k, k);
  }
  return true;
}

// r^2 ln r from the squared distance: (q / 2) ln q, 0 at q = 0.
long double ThinPlateKernel(long double q) { return q > 0 ? 0.5L * q * std::log(q) : 0.0L; }

}  // namespace

bool ThinPlateSetup(int n, const double* x, const double* y, const double* z, double* wk) {
  if (n < 3 || n > kThinPlateMaxPoints) return false;
  const int size = n + 3;
  std::vector<long double> a(static_cast<std::size_t>(size) * size, 0.0L);
  std::vector<long double> b(static_cast<std::size_t>(size), 0.0L);
  auto at = [&a, size](int r, int c) -> long double& {
    return a[static_cast<std::size_t>(r) * size + c];
  };
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const long double dx = static_cast<long double>(x[i]) - x[j];
      const long double dy = static_cast<long double>(y[i]) - y[j];
      at(i, j) = ThinPlateKernel(dx * dx + dy * dy);
    }
    at(i, n) = at(n, i) = 1.0L;
    at(i, n + 1) = at(n + 1, i) = x[i];
    at(i, n + 2) = at(n + 2, i) = y[i];
    b[i] = z[i];
  }
  if (!SolveDense(a, b, size)) return false;
  for (int k = 0; k < size; ++k) {
    if (!std::isfinite(b[k])) return false;
    wk[k] = static_cast<double>(b[k]);
  }
  return true;
}

TEvaluation ThinPlateEval(double u, double v, int n, const double* x, const double* y,
                          const double* wk, int mode) {
  long double sum = 0.0L;
  for (int j = 0; j < n; ++j) {
    const long double dx = static_cast<long double>(u) - x[j];
    const long double dy = static_cast<long double>(v) - y[j];
    const long double q = dx * dx + dy * dy;
    const long double lambda = wk[j];
    if (q == 0.0L) {
      // At a node the kernel and its gradient vanish; its second derivatives do not exist.
      if (mode >= 3) return {};
      continue;
    }
    const long double lq = std::log(q);
    switch (mode) {
      case 0: sum += lambda * 0.5L * q * lq; break;
      case 1: sum += lambda * dx * (lq + 1.0L); break;
      case 2: sum += lambda * dy * (lq + 1.0L); break;
      case 3: sum += lambda * (lq + 1.0L + 2.0L * dx * dx / q); break;
      case 4: sum += lambda * (lq + 1.0L + 2.0L * dy * dy / q); break;
      case 5: sum += lambda * 2.0L * dx * dy / q; break;
      default: return {};
    }
  }
  const long double a0 = wk[n], a1 = wk[n + 1], a2 = wk[n + 2];
  if (mode == 0) sum += a0 + a1 * u + a2 * v;
  if (mode == 1) sum += a1;
  if (mode == 2) sum += a2;
  return {static_cast<double>(sum), true};
}

// f = T / S with S = sum w_j and T = sum w_j z_j, w_j = q_j^(-power/2). With the sums'
// derivatives: f_x = (T_x - f S_x) / S, f_xx = (T_xx - 2 f_x S_x - f S_xx) / S,
// f_xy = (T_xy - f_x S_y - f_y S_x - f S_xy) / S.
TEvaluation InverseDistanceEval(double u, double v, int n, const double* x, const double* y,
                                const double* z, int power, int mode) {
  if (n < 1 || power < 1 || mode < 0 || mode > 5) return {};
  const long double p = power;
  for (int j = 0; j < n; ++j) {
    if (u != x[j] || v != y[j]) continue;
    // At a node the surface takes the node's value; f - z_j behaves like r^power there, so
    // the gradient vanishes for power above 1 and the second derivatives for power above 2.
    if (mode == 0) return {z[j], true};
    if (mode <= 2) return power > 1 ? TEvaluation{0.0, true} : TEvaluation{};
    if (power > 2) return {0.0, true};
    // power 2: f = z_j + c q + ..., c = sum over the other nodes of (z_k - z_j) / q_k.
    long double c = 0.0L;
    for (int k = 0; k < n; ++k) {
      const long double dx = static_cast<long double>(u) - x[k], dy = static_cast<long double>(v) - y[k];
      const long double q = dx * dx + dy * dy;
      if (q > 0) c += (z[k] - static_cast<long double>(z[j])) / q;
    }
    return {mode == 5 ? 0.0 : static_cast<double>(2.0L * c), true};
  }
  long double s = 0, t = 0, sx = 0, sy = 0, tx = 0, ty = 0;
  long double sxx = 0, syy = 0, sxy = 0, txx = 0, tyy = 0, txy = 0;
  for (int j = 0; j < n; ++j) {
    const long double dx = static_cast<long double>(u) - x[j], dy = static_cast<long double>(v) - y[j];
    const long double q = dx * dx + dy * dy;
    const long double w = std::pow(q, -p / 2.0L);
    // w_x = -p dx w / q; w_xx = -p w / q + p (p + 2) dx^2 w / q^2; w_xy = p (p + 2) dx dy w / q^2.
    const long double wx = -p * dx * w / q, wy = -p * dy * w / q;
    const long double wxx = -p * w / q + p * (p + 2) * dx * dx * w / (q * q);
    const long double wyy = -p * w / q + p * (p + 2) * dy * dy * w / (q * q);
    const long double wxy = p * (p + 2) * dx * dy * w / (q * q);
    s += w;
    t += w * z[j];
    sx += wx;
    sy += wy;
    tx += wx * z[j];
    ty += wy * z[j];
    sxx += wxx;
    syy += wyy;
    sxy += wxy;
    txx += wxx * z[j];
    tyy += wyy * z[j];
    txy += wxy * z[j];
  }
  const long double f = t / s;
  const long double fx = (tx - f * sx) / s, fy = (ty - f * sy) / s;
  long double out = f;
  switch (mode) {
    case 1: out = fx; break;
    case 2: out = fy; break;
    case 3: out = (txx - 2 * fx * sx - f * sxx) / s; break;
    case 4: out = (tyy - 2 * fy * sy - f * syy) / s; break;
    case 5: out = (txy - fx * sy - fy * sx - f * sxy) / s; break;
    default: break;
  }
  if (!std::isfinite(out)) return {};
  return {static_cast<double>(out), true};
}

}  // namespace npsample
