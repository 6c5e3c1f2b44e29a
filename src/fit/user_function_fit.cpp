// The fit of one user-defined function from its graph window ("Find and Update"): least
// squares from the record's start values, the fitted values written back as new start values.
#include <cmath>

#include "expr/eval_context.h"
#include "fit/levenberg_marquardt.h"
#include "tools/udf/udf_evaluation.h"

namespace {

constexpr int kIterations = 100;
constexpr long double kTolerance = 0.001L;
constexpr long double kExactLoss = 1e-20L;

}  // namespace

int FitUserFunction(int k, std::span<const TXYZPoint> table, const TDataStats& stats) {
  if (k < 0 || k >= kUdfCatalogueCount || !UdfTable[static_cast<std::size_t>(k)]) return 0;
  TUdfRecord& record = *UdfTable[static_cast<std::size_t>(k)];
  const int p = UdfFitParamCount(k);
  if (p <= 0) return 1;  // defined, but with no parameters to fit
  ExprContext& expr = ExprThreadContext();
  expr.CurrentUdf = k;

  TMarquardtState st;
  st.udf = k + 1;
  st.robustMode = 0;
  if (!InitMarquardtState(st, PointsOf(table), stats.WeightScale, stats.SSTotal)) return 1;
  std::unique_ptr<LDMatrix> alpha = AllocLDMatrix(p, p);
  std::unique_ptr<LDMatrix> trial = AllocLDMatrix(p, p);
  if (!alpha || !trial) return 1;
  long double a[kMaxNonlinearParameters + 1] = {};
  for (int i = 1; i <= p; ++i) a[i] = record.Start[static_cast<std::size_t>(i - 1)];

  ClearNonlinearFaults();
  const TNonlinearEvaluator f = UserFunctionEvaluators[static_cast<std::size_t>(k)];
  const int step = SamplingStep(static_cast<int>(st.active.size()), p, 2);
  long double lambda = -1.0L, loss = 0.0L, previous = 1e100L;
  int converged = 0;
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    const int r = MarquardtStep(st, a, p, *trial, *alpha, loss, f, lambda, step);
    if (r == kStepNoMemory || r == kStepFailed) {
      MarquardtRelease(st);
      return 1;
    }
    if (loss < kExactLoss) {
      converged = 5;
    } else {
      const long double rel = std::fabs((previous - loss) / (st.sst - loss));
      converged = rel < kTolerance ? converged + 1 : 0;
    }
    previous = loss;
    if (r < 1 || converged > 4) break;
  }

  ClearNonlinearFaults();
  lambda = 0.0L;
  const int r = MarquardtStep(st, a, p, *trial, *alpha, loss, f, lambda, step);
  MarquardtRelease(st);
  const long double sse = st.acceptedSS;
  if (r != kStepNoMemory && sse >= 0.0L && sse < st.sst && !NonlinearFaultRaised())
    for (int i = 1; i <= p; ++i) record.Start[static_cast<std::size_t>(i - 1)] = a[i];
  return 1;
}

