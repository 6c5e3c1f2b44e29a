// The goodness-of-fit statistics every fit record carries, for a fit with m + 1 parameters
// over n active points, SSE the weighted residual sum of squares and SST the weighted total
// sum of squares of Z about its mean:
//
//   r²           = 1 - SSE/SST
//   adjusted r²  = 1 - (n - 1)·SSE / ((n - m - 2)·SST)
//   fit std err  = sqrt(SSE / (n - m - 1))
//   F            = ((SST - SSE)/m) / (SSE/(n - m - 1)),  1e300 when SSE/(n - m - 1) is 0
//
// Every division is guarded. A statistic that cannot be formed (a constant Z gives SST 0, a
// fit with as many parameters as points leaves no degree of freedom) is given the value that
// ranks last under its own ranking criterion, so that no NaN or infinity ever reaches the
// ranking sort: the missing value for r², adjusted r² and F (ranked descending), 1e300 for
// the fit standard error (ranked ascending). Without a degree of freedom neither the fit
// standard error nor F exists, exact fit or not: 0/0 is no variance of 0.
//
// The records keep those stand-ins for the sort; whoever shows or exports a statistic reads
// it through ShownStatistics, so that a stand-in never appears as a figure.
#pragma once

#include <cmath>
#include <span>

#include "app/long_double.h"
#include "fit/fit_records.h"

// F of a fit without residual error, and the fit standard error that cannot be estimated.
inline constexpr long double kUnboundedStatistic = 1e300L;
// Value of a statistic ranked descending (r², adjusted r², F) that cannot be formed.
inline constexpr long double kUndefinedDescending = ExprErrorValue;
// Value of the fit standard error when it cannot be formed.
inline constexpr long double kUndefinedStdError = kUnboundedStatistic;

struct FitStatistics {
  long double r2 = 0.0L;
  long double adjustedR2 = 0.0L;
  long double fitStdError = 0.0L;
  long double f = 0.0L;
};

FitStatistics ComputeFitStatistics(long double sse, long double sst, int n, int m);

// Whether a fit standard error (of a record, or a copy of one) is a figure: not the stand-in
// of one that cannot be formed. The parameters' standard errors and every limit scale with it.
inline bool FitStdErrorKnown(long double s) {
  return std::isfinite(s) && s >= 0.0L && s < kUndefinedStdError;
}

// The four statistics of a record as they are shown and exported: the missing value where
// the record holds the stand-in of a statistic that cannot be formed. F of an exact fit with
// degrees of freedom left (1e300 in the record, for the ranking) is missing too: without an
// error mean square there is no ratio, which the analysis of variance says alike.
template <class Record>
FitStatistics ShownStatistics(const Record& record) {
  const auto figure = [](long double v) { return IsUsableValue(v) ? v : ExprErrorValue; };
  FitStatistics s;
  s.r2 = figure(record.r2);
  s.adjustedR2 = figure(record.adjustedR2);
  s.fitStdError = FitStdErrorKnown(record.fitStdError) ? record.fitStdError : ExprErrorValue;
  s.f = record.f >= kUnboundedStatistic ? ExprErrorValue : figure(record.f);
  return s;
}

// Rounding can leave the SSE of an exact fit slightly negative where it is formed from sums.
// The polynomial and rational fitters clear an SSE in (-1e-7, 0) to 0 (an absolute bound).
// Any other SSE is returned as it is. (The term-subset search measures its fits at the data:
// their SSE is never negative.)
inline constexpr long double kTinyNegativeSse = 1e-7L;
long double ClearTinyNegativeSse(long double sse);

// The SSE a fit is listed with, given the one its solver formed from sums (`solved`) and the
// one its stored equation has at the data (`measured`). The two agree for a sound solution,
// up to the rounding of the sums: the solved one is kept then. Where they differ by more (a
// singular or ill-conditioned system whose solution does not satisfy its equations, or a
// sum of squares lost to cancellation), the fit is listed with the SSE of the equation it
// stores, so that its r² and statistics are those of the surface the user is shown.
inline constexpr long double kSseAgreement = 1e-10L;          // relative to the SSE
inline constexpr long double kSseAgreementOfTotal = 1e-14L;   // relative to SST
long double ListedSse(long double solved, long double measured, long double sst);

// Whether the SSE of a least-squares solution formed from its normal equations,
// sse = Σ w·z² - b·rhs for A·b = rhs, is the SSE of b itself to the digits ListedSse keeps.
// The SSE of b is Σ w·z² - 2·b·rhs + b·A·b: the formula leaves out b·(A·b - rhs), which a
// solution of a singular or nearly singular system need not make small; and where Σ w·z²
// is many times the SSE, cancellation leaves the formula too few digits. `a` is A, n × n,
// row-major.
bool NormalEquationSseStands(long double sse, long double sumZ2, std::span<const long double> a,
                             const long double* b, const long double* rhs, int n);

// A fit may enter the fit list only when 0 <= SSE <= SST (a negative SSE, one above SST, or
// one that is not a number is dropped).
bool SseAcceptable(long double sse, long double sst);

// Sets the SSE and the four statistics of a record from its m.
void StoreFitStatistics(TFitResult& record, long double sse, long double sst, int n);
