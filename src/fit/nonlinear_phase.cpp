// Phase 5 of a fit run: every selected built-in non-linear equation in catalogue order, then
// every defined user-defined function, each fitted by Levenberg-Marquardt from its start
// values.
#include <cmath>

#include "expr/eval_context.h"
#include "expr/udf_record.h"
#include "fit/levenberg_marquardt.h"
#include "fit/nonlinear_start_values.h"
#include "tools/udf/udf_evaluation.h"

namespace {

// CurrentUdf of the run's thread goes back to 0 however the phase ends.
struct CurrentUdfReset {
  ~CurrentUdfReset() { ExprThreadContext().CurrentUdf = 0; }
};

}  // namespace

int FitNonlinearEquations(TFitRunContext& ctx) {
  const auto status = [&ctx](int code, int number, float fraction) {
    return ctx.status ? ctx.status(code, number, fraction, ctx.counters.tried, ctx.Listed(),
                                   ctx.counters.iteration, ctx.counters.r2)
                      : 1;
  };
  if (status(0, 0, 0.0f) == 0) return -1;

  ctx.counters.nonlinear = 0;
  const int remembered = ctx.Listed();
  const TFitOptions& o = ctx.options;
  TMarquardtState st;
  if (!InitMarquardtState(st, ctx.points, ctx.stats.WeightScale, ctx.sst)) return -2;
  CurrentUdfReset resetUdf;

  TNonlinearFitRequest rq;
  rq.tolerance = std::pow(10.0L, -static_cast<long double>(o.convergeDigits));
  rq.iterationLimit = static_cast<int>(o.maxIterations);
  rq.abandonR2 = o.abandonR2;
  rq.checkIteration = static_cast<int>(o.checkIteration);
  rq.sampling = static_cast<int>(o.samplingFlag);
  const int parameterLimit = ctx.stats.ActiveCount + static_cast<int>(o.noDofForError) - 1;
  const TStartShape shape = StartShapeOf(ctx.stats);
  const float total = static_cast<float>(std::max<std::uint32_t>(ctx.counts.nonlinear, 1));

  // One equation: counts, start report, fit, end report. -1 abort, -2 memory, else 0.
  const auto fitOne = [&](int number, int p, long double* a, TNonlinearEvaluator f,
                          int complexity) {
    ++ctx.counters.tried;
    ++ctx.counters.nonlinear;
    rq.equationNumber = number;
    rq.complexity = complexity;
    rq.fraction = 100.0f * static_cast<float>(ctx.counters.nonlinear) / total;
    if (status(1, number, rq.fraction) == 0) return -1;
    const int r = FitNonlinearEquation(ctx, st, p, a, f, rq);
    if (r < 0) return r;
    return status(4, number, rq.fraction) == 0 ? -1 : 0;
  };
  const auto end = [&](int result) {
    if (result < 0) ctx.list.Truncate(remembered);
    return result;
  };

  for (int index = 0; index < kNonlinearFlagCount; ++index) {
    st.robustMode = static_cast<int>(o.robustMode);
    st.udf = 0;
    if (!ctx.selection.nonlinear[static_cast<std::size_t>(index)]) continue;
    ClearNonlinearFaults();
    const TNonlinearEntry e = BuiltinNonlinearEntry(index);
    if (!e.evaluator || e.parameters > parameterLimit) continue;
    long double a[kMaxNonlinearParameters + 1] = {};
    NonlinearStartValues(ctx.stats, e, a, shape, st.robustMode);
    const int r = fitOne(NonlinearEquationOfIndex(index), e.parameters, a, e.evaluator,
                         e.complexity);
    if (r < 0) return end(r);
  }

  // The user functions are not held to the parameter limit: their author chose the count.
  for (int k = 0; k < kUdfCount; ++k) {
    const TNonlinearEntry e = LookupNonlinearEquation(kUdfCatalogueBase + k);
    if (!e.evaluator) continue;  // no function in the slot
    st.robustMode = static_cast<int>(o.robustMode);
    st.udf = k + 1;
    ClearNonlinearFaults();
    long double a[kMaxNonlinearParameters + 1] = {};
    const TUdfRecord& record = *UdfRecordAt(k);
    for (int i = 1; i <= e.parameters; ++i) a[i] = record.Start[static_cast<std::size_t>(i - 1)];
    const int r = fitOne(UdfEquationNumber(k), e.parameters, a, e.evaluator, 0);
    if (r < 0) return end(r);
  }
  return ctx.Listed() - remembered;
}
