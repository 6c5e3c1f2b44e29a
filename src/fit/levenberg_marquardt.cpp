#include "fit/levenberg_marquardt.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <new>
#include <utility>

#include "app/data_table.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "fit/dense_solvers.h"
#include "fit/fit_statistics.h"
#include "tools/udf/udf_evaluation.h"

namespace {

constexpr long double kLorentzianC = 1.7182818284590453L;  // e - 1
constexpr long double kPearsonC = 6.38905609893065L;       // e² - 1
constexpr long double kTinyParameter = 1e-30L;
constexpr long double kTinyResidual = 1e-30L;
constexpr long double kLambdaStart = 0.001L;
constexpr long double kLambdaMin = 1e-100L;
constexpr long double kLambdaMax = 1e100L;
constexpr long double kNoLoss = 1e100L;  // "previous loss" before the first step
constexpr long double kExactLoss = 1e-20L;
constexpr int kCoarseLimit = 25;
// A robust fit whose sum of squares is not below SST is recorded just below it.
constexpr long double kRobustSseCeiling = 0.99999999L;

bool AllocateStepStorage(TMarquardtState& st, int p) {
  try {
    const auto n = static_cast<std::size_t>(p);
    st.trialA.assign(n + 1, 0.0L);
    st.change.assign(n, 0.0L);
    st.gradient.assign(n, 0.0L);
    st.trialGradient.assign(n, 0.0L);
    st.deriv.assign(n + 1, 0.0L);
    return true;
  } catch (const std::bad_alloc&) {
    MarquardtRelease(st);
    return false;
  }
}

// The damped system alpha (1 + lambda on the diagonal) x = gradient, solved in `trial`.
int SolveDamped(TMarquardtState& st, int p, LDMatrix& trial, const LDMatrix& alpha,
                long double lambda) {
  for (int j = 0; j < p; ++j) {
    for (int k = 0; k < p; ++k) trial[j][k] = alpha[j][k];
    trial[j][j] = alpha[j][j] * (1.0L + lambda);
    st.change[static_cast<std::size_t>(j)] = st.gradient[static_cast<std::size_t>(j)];
  }
  return MarquardtSolve(trial.Data(), p, st.change.data());
}

// The coefficients of the accepted parameters on the sample of `step`.
bool Measure(TMarquardtState& st, long double* a, int p, LDMatrix& alpha, TNonlinearEvaluator f,
             int step) {
  long double loss = 0.0L, ss = 0.0L;
  if (!MarquardtCoefficients(st, a, p, alpha, st.gradient.data(), loss, ss, f, step)) return false;
  st.acceptedLoss = loss * step;
  st.acceptedSS = ss * step;
  st.previousStep = step;
  return true;
}

// r² of the accepted parameters as the progress shows it (0 when negative or undefined).
long double ShownR2(const TMarquardtState& st) {
  if (!(st.sst > 0.0L)) return 0.0L;
  const long double r2 = 1.0L - st.acceptedSS / st.sst;
  return r2 > 0.0L ? r2 : 0.0L;
}

}  // namespace

void ClearNonlinearFaults() {
  ExprThreadContext().ClearErrors();
  std::feclearexcept(FE_ALL_EXCEPT);
}

bool NonlinearFaultRaised() {
  constexpr int kFaultFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
  return ExprThreadContext().ExprMathError != 0 || std::fetestexcept(kFaultFlags) != 0;
}

bool InitMarquardtState(TMarquardtState& st, std::span<const TXYZPoint> points,
                        long double weightScale, long double sst) {
  st.points = points;
  st.weightScale = weightScale;
  st.sst = sst;
  try {
    st.active.clear();
    st.active.reserve(st.points.size());
    for (std::size_t i = 0; i < st.points.size(); ++i)
      if (IsActive(st.points[i])) st.active.push_back(static_cast<std::int32_t>(i));
  } catch (const std::bad_alloc&) {
    st.active.clear();
    return false;
  }
  return true;
}

int SamplingStep(int m, int p, int factor) {
  int step = 1;
  for (int h = m / 2; h > factor * p; h /= 2) step *= 2;
  return step;
}

bool MarquardtCoefficients(TMarquardtState& st, long double* a, int p, LDMatrix& alpha,
                           long double* beta, long double& loss, long double& ss,
                           TNonlinearEvaluator f, int step) {
  for (int j = 0; j < p; ++j) {
    for (int k = 0; k <= j; ++k) alpha[j][k] = 0.0L;
    beta[j] = 0.0L;
    if (std::fabs(a[j + 1]) < kTinyParameter) a[j + 1] = 0.0L;
  }
  loss = ss = 0.0L;
  long double* d = st.deriv.data();
  ExprContext* expr = st.udf ? &ExprThreadContext() : nullptr;
  const std::size_t m = st.active.size();
  for (std::size_t i = 0; i < m; i += static_cast<std::size_t>(step)) {
    const TXYZPoint& pt = st.points[static_cast<std::size_t>(st.active[i])];
    if (expr) {
      expr->ExprVars.Z() = pt.Z;
      expr->ExprVars.W() = pt.W;
    }
    long double zf = 0.0L;
    f(pt.X, pt.Y, a, &zf, d);
    // A failed evaluation must never enter the sums as if it were a value: a user function's
    // run that failed gives the missing value, a built-in shape driven outside its domain a
    // value that is not finite.
    if (!IsUsableValue(zf)) return false;
    for (int j = 1; j <= p; ++j)
      if (!std::isfinite(d[j])) return false;

    const long double r = pt.Z - zf;
    const long double w = pt.W * st.weightScale;
    const long double rr = std::fabs(r) < kTinyResidual ? 0.0L : r;
    long double cw = w;   // weight of the curvature and of the gradient's residual term
    long double gr = rr;  // the residual term of the gradient
    switch (st.robustMode) {
      case kRobustLeastAbsDev:
        loss += w * std::fabs(rr);
        // sign(r), with sign(0) = -1 as the method has always had it: a point fitted exactly
        // still pulls, which keeps the iteration from stalling on the points it interpolates.
        gr = r > 0.0L ? 1.0L : -1.0L;
        break;
      case kRobustLorentzian:
        loss += w * std::log1p(kLorentzianC * rr * rr);
        cw = w * 2.0L * kLorentzianC / (1.0L + kLorentzianC * rr * rr);
        break;
      case kRobustPearsonVII:
        loss += w * 0.5L * std::log1p(kPearsonC * rr * rr);
        cw = w * kPearsonC / (1.0L + kPearsonC * rr * rr);
        break;
      default:
        loss += w * rr * rr;
        break;
    }
    ss += w * r * r;
    const long double g = cw * gr;
    for (int j = 0; j < p; ++j) {
      const long double wd = cw * d[j + 1];
      for (int k = 0; k <= j; ++k) alpha[j][k] += wd * d[k + 1];
      beta[j] += g * d[j + 1];
    }
  }
  for (int j = 0; j < p; ++j)
    for (int k = j + 1; k < p; ++k) alpha[j][k] = alpha[k][j];
  return true;
}

int MarquardtSolve(long double* const* A, int n, long double* b) {
  return SolveGaussJordan(A, b, n).status;
}

void MarquardtRelease(TMarquardtState& st) {
  st.trialA = {};
  st.change = {};
  st.gradient = {};
  st.trialGradient = {};
  st.deriv = {};
}

int MarquardtStep(TMarquardtState& st, long double* a, int p, LDMatrix& trial, LDMatrix& alpha,
                  long double& loss, TNonlinearEvaluator f, long double& lambda, int step) {
  if (lambda < 0.0L) {
    if (!AllocateStepStorage(st, p)) return kStepNoMemory;
    lambda = kLambdaStart;
    if (!Measure(st, a, p, alpha, f, step)) return kStepFailed;
    loss = st.acceptedLoss;
  }

  const int solved = SolveDamped(st, p, trial, alpha, lambda);
  if (solved < 0) return kStepNoMemory;
  if (solved == 0) return kStepSingular;
  if (lambda == 0.0L) {
    MarquardtRelease(st);
    loss = st.acceptedSS;
    return kStepFinal;
  }

  for (int j = 1; j <= p; ++j)
    st.trialA[static_cast<std::size_t>(j)] = a[j] + st.change[static_cast<std::size_t>(j - 1)];
  long double trialLoss = 0.0L, trialSS = 0.0L;
  const bool measured = MarquardtCoefficients(st, st.trialA.data(), p, trial,
                                              st.trialGradient.data(), trialLoss, trialSS, f, step);
  if (!measured && step != st.previousStep) {
    // The sample changed under parameters that cannot be evaluated on it: measure the
    // accepted parameters on the new sample instead, so that the losses compare again.
    if (!Measure(st, a, p, alpha, f, step)) return kStepFailed;
  }
  trialLoss *= step;
  trialSS *= step;

  // A user function driven outside its limits pays a penalty that makes the step lose
  // unless it still wins clearly.
  if (measured && st.udf && UdfParamsOutOfLimits(st.udf - 1, st.trialA.data())) {
    if (trialLoss > 1.0L)
      trialLoss += 100.0L * trialLoss;
    else if (trialLoss != 0.0L)
      trialLoss += 100.0L / trialLoss;
  }

  if (measured && (trialLoss < st.acceptedLoss || step != st.previousStep)) {
    lambda = std::max(lambda * 0.1L, kLambdaMin);
    st.acceptedLoss = trialLoss;
    st.acceptedSS = trialSS;
    std::swap(alpha, trial);
    std::swap(st.gradient, st.trialGradient);
    for (int j = 1; j <= p; ++j) a[j] = st.trialA[static_cast<std::size_t>(j)];
    st.previousStep = step;
    loss = trialLoss;
    return kStepAccepted;
  }
  lambda = std::min(lambda * 10.0L, kLambdaMax);
  loss = st.acceptedLoss;
  st.previousStep = step;
  return kStepRejected;
}

int FitNonlinearEquation(TFitRunContext& ctx, TMarquardtState& st, int p, long double* a,
                         TNonlinearEvaluator f, const TNonlinearFitRequest& rq) {
  const int remembered = ctx.Listed();
  std::unique_ptr<LDMatrix> alpha = AllocLDMatrix(p, p);
  std::unique_ptr<LDMatrix> trial = AllocLDMatrix(p, p);
  if (!alpha || !trial) return -2;

  const auto report = [&](int code, std::uint32_t iteration, long double r2) {
    ctx.counters.iteration = iteration;
    ctx.counters.r2 = r2;
    return ctx.status ? ctx.status(code, rq.equationNumber, rq.fraction, ctx.counters.tried,
                                   ctx.Listed(), iteration, r2)
                      : 1;
  };

  long double lambda = -1.0L, loss = 0.0L, previous = kNoLoss;
  int iteration = 0, converged = 0;
  const int m = static_cast<int>(st.active.size());
  int step = rq.sampling ? SamplingStep(m, p, 3) : 1;
  const int coarseLimit = std::min(rq.iterationLimit - 1, kCoarseLimit);
  bool abandoned = false, aborted = false, failed = false;

  for (;;) {
    int r = MarquardtStep(st, a, p, *trial, *alpha, loss, f, lambda, step);
    if (r == kStepNoMemory) {
      MarquardtRelease(st);
      return -2;
    }
    if (r == kStepFailed) {
      failed = true;
      break;
    }
    if (loss >= kExactLoss) {
      long double rel = 1.0L;
      if (st.robustMode == kRobustLeastSquares && loss != st.sst)
        rel = std::fabs((previous - loss) / (st.sst - loss));
      else if (st.robustMode != kRobustLeastSquares && loss != 0.0L)
        rel = std::fabs((previous - loss) / loss);
      converged = rel < rq.tolerance ? converged + 1 : 0;
    } else {
      converged = 5;
    }
    previous = loss;
    if (step > 1 && (r < 1 || converged > 4 || iteration >= coarseLimit)) {
      // The coarse sample has done what it can: go on with every point.
      step = 1;
      previous = loss = kNoLoss;
      iteration = 0;
      converged = 0;
      r = kStepAccepted;
    }
    ++iteration;
    const bool stop = iteration >= rq.iterationLimit || r < 1 || converged > 4;
    if (iteration == rq.checkIteration && step == 1 && st.robustMode == kRobustLeastSquares &&
        st.sst > 0.0L && 1.0L - st.acceptedSS / st.sst < rq.abandonR2) {
      abandoned = true;
      break;
    }
    if ((r == kStepAccepted && step == 1) || iteration == 1) {
      const int answer = report(2, static_cast<std::uint32_t>(iteration), ShownR2(st));
      if (answer == 0) {
        aborted = true;
        break;
      }
      if (answer == -1) break;  // skip: finish the fit as it stands
    }
    if (stop) break;
  }

  if (abandoned || aborted || failed) {
    MarquardtRelease(st);
    return aborted ? -1 : 0;
  }

  // A fit that ended on the coarse sample (skipped or aborted at its first report) is
  // measured on all points before its sum of squares is recorded.
  if (st.previousStep != 1 && !Measure(st, a, p, *alpha, f, 1)) {
    MarquardtRelease(st);
    return 0;
  }
  ClearNonlinearFaults();
  lambda = 0.0L;
  const int r = MarquardtStep(st, a, p, *trial, *alpha, loss, f, lambda, 1);
  MarquardtRelease(st);
  if (r == kStepNoMemory) return -2;
  // A singular curvature at the solution leaves the fit itself sound (its parameters are
  // not all determined by the data); its covariance is flagged when the fit is refitted.
  long double sse = st.acceptedSS;
  if (st.robustMode != kRobustLeastSquares && sse >= st.sst) sse = kRobustSseCeiling * st.sst;
  if (!(sse >= 0.0L && sse < st.sst && std::isfinite(sse)) || NonlinearFaultRaised()) return 0;

  std::unique_ptr<TFitResult> record = NewFitResult(p - 1);
  if (!record) return -2;  // never a half-filled record
  record->procedure = kProcLevMarq;
  record->equationNumber = rq.equationNumber;
  record->determinant = 0.0L;
  record->complexity = rq.complexity;
  for (int j = 1; j <= p; ++j) record->parameters[static_cast<std::size_t>(j - 1)] = a[j];
  if (p > 1) record->terms[1] = iteration;
  StoreFitStatistics(*record, sse, st.sst, ctx.stats.ActiveCount);
  const long double r2 = record->r2;
  ctx.list.Append(std::move(record));
  if (report(3, static_cast<std::uint32_t>(iteration), r2) == 0) {
    ctx.list.Truncate(remembered);
    return -1;
  }
  return ctx.Listed() - remembered;
}
