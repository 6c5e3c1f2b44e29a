// The scaled gradient of a non-linear fit, formed outside the fitting engine: the share of
// what is left to gain (SST - SSE) that the undamped Gauss-Newton step from the fitted
// parameters promises, |P r|² / (SST - SSE), where r is the weighted residual vector and P the
// projection onto the columns of the weighted Jacobian. The columns are scaled to unit length
// and taken by Householder QR with column pivoting; a column whose remaining length falls
// below 1e-7 of its own is left out (a direction the data determine only to second order or
// to rounding). 0 at a minimum, whatever the parameters' units. Used by the convergence test
// and by bench_fit_convergence_hunt.
#pragma once

#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "fit/fit_records.h"
#include "fit/nonlinear_catalogue.h"

namespace scaled_gradient {

inline constexpr long double kColumnCutoff = 1e-7L;

// NaN when an evaluation is not finite.
inline long double GainShare(std::span<const TXYZPoint> table, const TDataStats& stats, TNonlinearEvaluator f, int p,
                             const std::vector<long double>& parameters) {
  const auto P = static_cast<std::size_t>(p);
  std::vector<std::vector<long double>> J;
  std::vector<long double> r;
  long double sse = 0;
  for (int i = 1; i <= PointCount(table); ++i) {
    const TXYZPoint& pt = table[static_cast<std::size_t>(i)];
    if (pt.Status == kPointInactive) continue;
    long double a[kMaxNonlinearParameters + 1] = {};
    for (std::size_t j = 0; j < P; ++j) a[j + 1] = parameters[j];
    long double z = 0, dz[kMaxNonlinearParameters + 1] = {};
    f(pt.X, pt.Y, a, &z, dz);
    const long double sw = std::sqrt(pt.W * stats.WeightScale);
    std::vector<long double> row(P);
    for (std::size_t j = 0; j < P; ++j) row[j] = sw * dz[j + 1];
    J.push_back(std::move(row));
    r.push_back(sw * (pt.Z - z));
    sse += r.back() * r.back();
  }
  const std::size_t n = r.size();
  std::vector<long double> own(P);
  for (std::size_t j = 0; j < P; ++j) {
    long double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += J[i][j] * J[i][j];
    if (!std::isfinite(s)) return std::numeric_limits<long double>::quiet_NaN();
    own[j] = std::sqrt(s);
  }
  std::vector<bool> used(P, false);
  long double projected = 0;
  for (std::size_t k = 0; k < P && k < n; ++k) {
    // The column of the largest remaining length relative to its own.
    std::size_t best = P;
    long double bestShare = 0, bestNorm = 0;
    for (std::size_t j = 0; j < P; ++j) {
      if (used[j] || own[j] == 0) continue;
      long double s = 0;
      for (std::size_t i = k; i < n; ++i) s += J[i][j] * J[i][j];
      if (std::sqrt(s) / own[j] > bestShare) bestShare = std::sqrt(s) / own[j], bestNorm = std::sqrt(s), best = j;
    }
    if (best == P || bestShare < kColumnCutoff) break;
    used[best] = true;
    // The reflection that takes column `best` below row k to a multiple of e_k, applied to
    // every column and to r.
    std::vector<long double> v(n, 0);
    for (std::size_t i = k; i < n; ++i) v[i] = J[i][best];
    v[k] -= J[k][best] > 0 ? -bestNorm : bestNorm;
    long double vv = 0;
    for (std::size_t i = k; i < n; ++i) vv += v[i] * v[i];
    if (vv == 0) continue;
    const auto reflect = [&](auto&& column) {
      long double d = 0;
      for (std::size_t i = k; i < n; ++i) d += v[i] * column(i);
      return 2 * d / vv;
    };
    for (std::size_t j = 0; j < P; ++j) {
      const long double c = reflect([&](std::size_t i) { return J[i][j]; });
      for (std::size_t i = k; i < n; ++i) J[i][j] -= c * v[i];
    }
    const long double c = reflect([&](std::size_t i) { return r[i]; });
    for (std::size_t i = k; i < n; ++i) r[i] -= c * v[i];
    projected += r[k] * r[k];
  }
  const long double left = stats.SSTotal > sse ? stats.SSTotal - sse : stats.SSTotal;
  return projected / left;
}

}  // namespace scaled_gradient
