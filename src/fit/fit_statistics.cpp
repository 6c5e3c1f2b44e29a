#include "fit/fit_statistics.h"

#include <cmath>

namespace {

// The value itself when finite, else the given rank-last value.
long double Finite(long double v, long double otherwise) {
  return std::isfinite(v) ? v : otherwise;
}

}  // namespace

FitStatistics ComputeFitStatistics(long double sse, long double sst, int n, int m) {
  FitStatistics s;
  const long double residualDof = static_cast<long double>(n) - m - 1;
  const long double adjustedDof = static_cast<long double>(n) - m - 2;
  const bool sstUsable = sst > 0.0L && std::isfinite(sst);

  s.r2 = sstUsable ? Finite(1.0L - sse / sst, kUndefinedDescending) : kUndefinedDescending;

  // A negative degree count would turn the correction around and rank a fit first.
  s.adjustedR2 = sstUsable && adjustedDof > 0.0L
                     ? Finite(1.0L - (n - 1.0L) * sse / (adjustedDof * sst), kUndefinedDescending)
                     : kUndefinedDescending;

  // The residual variance SSE/(n - m - 1). Without a degree of freedom left it cannot be
  // estimated, even for an exact fit (0/0).
  const long double variance = residualDof > 0.0L ? sse / residualDof : 0.0L;
  const bool varianceKnown = residualDof > 0.0L && std::isfinite(variance) && variance >= 0.0L;

  s.fitStdError =
      varianceKnown ? Finite(std::sqrt(variance), kUndefinedStdError) : kUndefinedStdError;
  if (!varianceKnown) {
    s.f = kUndefinedDescending;
  } else if (variance == 0.0L) {
    s.f = kUnboundedStatistic;
  } else if (m > 0 && std::isfinite(sst)) {
    s.f = Finite(((sst - sse) / m) / variance, kUndefinedDescending);
  } else {
    s.f = kUndefinedDescending;  // a fit of the mean alone explains nothing to test
  }
  return s;
}

long double ClearTinyNegativeSse(long double sse) {
  return sse < 0.0L && sse > -kTinyNegativeSse ? 0.0L : sse;
}

long double ListedSse(long double solved, long double measured, long double sst) {
  if (!std::isfinite(measured)) return measured;
  const long double bound = kSseAgreement * std::fabs(measured) + kSseAgreementOfTotal * std::fabs(sst);
  return std::fabs(solved - measured) <= bound ? solved : measured;
}

namespace {
// The most Σ w·z² may be of the SSE for the formula to keep the digits of a listed SSE.
constexpr long double kNormalSseCancellation = 1e5L;
}  // namespace

bool NormalEquationSseStands(long double sse, long double sumZ2, std::span<const long double> a,
                             const long double* b, const long double* rhs, int n) {
  if (!(sse > 0.0L) || !(sumZ2 <= kNormalSseCancellation * sse)) return false;
  long double gap = 0.0L;  // b·(A·b - rhs)
  for (int i = 0; i < n; ++i) {
    const long double* row = a.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
    long double ab = 0.0L;
    for (int j = 0; j < n; ++j) ab += row[j] * b[j];
    gap += b[i] * (ab - rhs[i]);
  }
  return std::fabs(gap) <= kSseAgreement * sse;
}

bool SseAcceptable(long double sse, long double sst) {
  return sse >= 0.0L && sse <= sst && std::isfinite(sse);
}

void StoreFitStatistics(TFitResult& record, long double sse, long double sst, int n) {
  const FitStatistics s = ComputeFitStatistics(sse, sst, n, record.m);
  record.sse = sse;
  record.r2 = s.r2;
  record.adjustedR2 = s.adjustedR2;
  record.fitStdError = s.fitStdError;
  record.f = s.f;
}
