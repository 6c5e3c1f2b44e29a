#include "fit/fit_records.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "app/long_double.h"
#include "fit/fit_statistics.h"

int KindOfEquation(int equationNumber) {
  if (equationNumber < 1000) return kKindPolynomial;
  if (equationNumber < 2000) return kKindRational;
  if (equationNumber < 3000) return kKindNonlinear;
  return kKindTermSubset;
}

std::unique_ptr<TFitResult> NewFitResult(int m) {
  if (m < 0 || m > kMaxFitM) return nullptr;
  try {
    auto record = std::make_unique<TFitResult>();
    record->m = m;
    record->parameters.assign(static_cast<std::size_t>(m) + 1, 0.0L);
    record->terms.assign(static_cast<std::size_t>(m) + 1, 0);
    return record;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

namespace {
// Written at start-up (and by tests) before any record is made from it.
std::array<TQuantileFunction, kConfidenceLevelCount> g_tFunctions = kStudentTFunctions;
}  // namespace

TFitEqn NewFitEqn() {
  TFitEqn eqn;
  eqn.tFunctions = g_tFunctions;
  eqn.levelWords = kConfidenceLevelWords;
  return eqn;
}

void InstallFitEqnTFunctions(const std::array<TQuantileFunction, kConfidenceLevelCount>& fns) {
  g_tFunctions = fns;
}

std::int32_t FitEqnDof(int n, int m) {
  // In 64 bits: n - m - 1 cannot overflow for any pair of ints.
  const long long dof = static_cast<long long>(n) - m - 1;
  return dof < 1 ? 1 : static_cast<std::int32_t>(std::min<long long>(dof, INT32_MAX));
}

void FillFitEqnFromResult(TFitEqn& eqn, const TFitResult& result, int rank, long double sst,
                          int n) {
  // m comes from a record a fitter wrote; never copy more than the arrays hold.
  const int m = std::clamp(result.m, 0, kMaxFitM);
  eqn.rank = rank;
  eqn.equationNumber = result.equationNumber;
  eqn.m = m;
  eqn.kind = KindOfEquation(result.equationNumber);
  eqn.terms.fill(0);
  eqn.parameters.fill(0.0L);
  for (int i = 0; i <= m; ++i) {
    if (static_cast<std::size_t>(i) < result.terms.size()) eqn.terms[i] = result.terms[i];
    if (static_cast<std::size_t>(i) < result.parameters.size())
      eqn.parameters[i] = result.parameters[i];
  }
  eqn.framed = result.frameParameters.size() == static_cast<std::size_t>(m) + 1;
  eqn.frameParameters.fill(0.0L);
  if (eqn.framed) std::copy(result.frameParameters.begin(), result.frameParameters.end(), eqn.frameParameters.begin());
  eqn.descriptor = result.descriptor;
  eqn.complexity = result.complexity;
  eqn.sst = sst;
  eqn.sse = result.sse;
  eqn.dof = FitEqnDof(n, m);
  eqn.r2 = result.r2;
  eqn.adjustedR2 = result.adjustedR2;
  eqn.fitStdError = result.fitStdError;
  eqn.f = result.f;
  eqn.determinant = result.determinant;
  eqn.procedure = result.procedure;
  eqn.converged = result.converged;
}

void FillFitEqnTValues(TFitEqn& eqn) {
  for (int level = 0; level < kConfidenceLevelCount; ++level) {
    const TQuantileFunction t = eqn.tFunctions[level];
    const long double value = t ? t(static_cast<long double>(eqn.dof)) : ExprErrorValue;
    const long double product = value * eqn.fitStdError;
    // No fit standard error, no limit: t times the stand-in would be a width of 1e300.
    const bool usable = t && IsUsableValue(value) && FitStdErrorKnown(eqn.fitStdError) && std::isfinite(product);
    eqn.tValues[level] = usable ? value : ExprErrorValue;
    eqn.tTimesStdError[level] = usable ? product : ExprErrorValue;
  }
}
