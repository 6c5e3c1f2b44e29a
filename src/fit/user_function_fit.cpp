// The fit of one user-defined function from its graph window ("Find and Update"): least
// squares from the record's start values, the fitted values written back as new start values.
#include <cmath>

#include "expr/eval_context.h"
#include "fit/levenberg_marquardt.h"
#include "tools/udf/udf_evaluation.h"

namespace {

// The coarse sample keeps twice as many points as parameters (a fit run keeps three times).
constexpr int kUserFitSamplingFactor = 2;

}  // namespace

UserFitResult FitUserFunction(int k, std::span<const TXYZPoint> table, const TDataStats& stats,
                              const TFitOptions& options, unsigned threads) {
  if (k < 0 || k >= kUdfCatalogueCount || !UdfRecordAt(k))
    return UserFitResult::kNoFunction;
  TUdfRecord& record = *UdfRecordAt(k);
  const int p = UdfFitParamCount(k);
  if (p <= 0) return UserFitResult::kNotFitted;  // defined, but with no parameters to fit
  ExprContext& expr = ExprThreadContext();
  expr.CurrentUdf = k;

  TMarquardtState st;
  st.udf = k + 1;
  st.udfRecord = &record;
  st.robustMode = kRobustLeastSquares;
  if (!InitMarquardtState(st, PointsOf(table), stats.WeightScale, stats.SSTotal))
    return UserFitResult::kNotFitted;
  // Threads for the point loop when it has more than one block.
  TBlockHelperThreads helpers(ActivePointCount(st) > kBlockPoints ? BlockThreadCount(threads) : 1);
  st.helpers = &helpers.helpers;
  std::unique_ptr<LDMatrix> alpha = AllocLDMatrix(p, p);
  std::unique_ptr<LDMatrix> trial = AllocLDMatrix(p, p);
  if (!alpha || !trial) return UserFitResult::kNotFitted;
  long double a[kMaxNonlinearParameters + 1] = {};
  for (int i = 1; i <= p; ++i) a[i] = record.Start[static_cast<std::size_t>(i - 1)];

  // The options' tolerance and iteration limit, as in a fit run; the coarse sample only
  // speeds up the first iterations, and the fit always ends on every point.
  TNonlinearFitRequest rq;
  rq.tolerance = std::pow(10.0L, -static_cast<long double>(options.convergeDigits));
  rq.iterationLimit = static_cast<int>(options.maxIterations);
  rq.checkIteration = 0;  // no abandon test
  rq.sampling = 1;
  rq.samplingFactor = kUserFitSamplingFactor;

  ClearNonlinearFaults();
  const TNonlinearEvaluator f = UserFunctionEvaluators[static_cast<std::size_t>(k)];
  const MarquardtRun run = IterateMarquardt(st, p, a, *alpha, *trial, f, rq, {});
  const bool iterated = run.end == MarquardtEnd::kConverged || run.end == MarquardtEnd::kIterationLimit ||
                        run.end == MarquardtEnd::kStalledAway;
  if (!iterated || !FinishOnAllPoints(st, p, a, *alpha, f)) {
    MarquardtRelease(st);
    return st.evaluationStopped ? UserFitResult::kCancelled : UserFitResult::kNotFitted;
  }
  ClearNonlinearFaults();
  long double lambda = 0.0L, loss = 0.0L;
  const int r = MarquardtStep(st, a, p, *trial, *alpha, loss, f, lambda, 1);
  MarquardtRelease(st);
  const long double sse = st.acceptedSS;
  if (r == kStepNoMemory || !(sse >= 0.0L && sse < st.sst) || NonlinearFaultRaised())
    return UserFitResult::kNotFitted;
  for (int i = 1; i <= p; ++i) record.Start[static_cast<std::size_t>(i - 1)] = a[i];
  // Stopped by the iteration limit, the parameters are kept all the same (a second Find and
  // Update goes on from them), but the caller is told: answered as fitted, a fit far from
  // its minimum (MGH10 at a residual sum of 1.36e9 against 87.9) looked converged.
  switch (run.end) {
    case MarquardtEnd::kIterationLimit: return UserFitResult::kStoppedAtIterationLimit;
    case MarquardtEnd::kStalledAway: return UserFitResult::kStoppedShortOfMinimum;
    default: return UserFitResult::kFitted;
  }
}
