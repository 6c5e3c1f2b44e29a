// Phase 5 of a fit run: every selected built-in non-linear equation in catalogue order, then
// every defined user-defined function, each fitted by Levenberg-Marquardt from its start
// values.
//
// The equations are independent of one another, so they are fitted on a pool of worker
// threads (the run's own thread is one of them). Their start values are formed first, on
// the run's thread and in catalogue order, because the start-value rules keep caches in the
// run's statistics. Each worker fits into a list of its own and hands every record back to
// the equation it belongs to; the records enter the run's list in catalogue order once all
// are done, so the list is the one a single thread makes, record for record. Each worker
// evaluates user functions on its own thread's expression context. The progress reports of
// all workers go through one lock, and an abort answered to any of them stops them all.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "expr/eval_context.h"
#include "expr/evaluation_stop.h"
#include "expr/udf_record.h"
#include "fit/levenberg_marquardt.h"
#include "fit/nonlinear_start_values.h"
#include "tools/udf/udf_evaluation.h"

namespace {

// CurrentUdf of the run's thread goes back to 0 however the phase ends.
struct CurrentUdfReset {
  ~CurrentUdfReset() { ExprThreadContext().CurrentUdf = 0; }
};

// One equation of the phase, prepared on the run's thread.
struct TNonlinearJob {
  TNonlinearEvaluator evaluator = nullptr;
  TNonlinearPointEvaluator pointEvaluator = nullptr;
  int number = 0;
  int parameters = 0;
  int complexity = 0;
  int robustMode = 0;
  int udf = 0;  // k + 1 for user function k, else 0
  const TUdfRecord* udfRecord = nullptr;  // the run's copy of function k: its limits
  std::array<long double, kMaxNonlinearParameters + 1> start{};  // 1-based
  std::unique_ptr<TFitResult> record;  // the fit, when it was acceptable
};

// The equations of the phase in the order a single thread fits them.
std::vector<TNonlinearJob> PrepareJobs(TFitRunContext& ctx) {
  const TFitOptions& o = ctx.options;
  // No equation has more parameters than the data can determine (fit_support.h).
  const int parameterLimit = ctx.MaxParameters();
  const TStartShape shape = StartShapeOf(ctx.stats);
  std::vector<TNonlinearJob> jobs;
  for (int index = 0; index < kNonlinearFlagCount; ++index) {
    if (!ctx.selection.nonlinear[static_cast<std::size_t>(index)]) continue;
    const TNonlinearEntry e = BuiltinNonlinearEntry(index);
    if (!e.evaluator || e.parameters > parameterLimit) continue;
    TNonlinearJob job;
    job.evaluator = e.evaluator;
    job.pointEvaluator = e.pointEvaluator;
    job.number = NonlinearEquationOfIndex(index);
    job.parameters = e.parameters;
    job.complexity = e.complexity;
    job.robustMode = static_cast<int>(o.robustMode);
    // The catalogue's sub-indices all lie in 0..51: every entry gets its start values.
    (void)NonlinearStartValues(ctx.stats, e, job.start.data(), shape, job.robustMode);
    jobs.push_back(std::move(job));
  }
  // The user functions are held to the same limit: a function with more parameters than
  // the data determine passes through every point with arbitrary values. Their records are
  // the run's own copies, which no other thread writes.
  for (int k = 0; k < kUdfCount && ctx.udfs; ++k) {
    const TUdfRecord* record = (*ctx.udfs)[static_cast<std::size_t>(k)].get();
    const int parameters = record ? UdfRecordParamCount(*record) : 0;
    if (parameters <= 0 || parameters > parameterLimit) continue;  // none to fit, or too many
    TNonlinearJob job;
    job.evaluator = UserFunctionEvaluators[static_cast<std::size_t>(k)];
    job.number = UdfEquationNumber(k);
    job.parameters = parameters;
    job.robustMode = static_cast<int>(o.robustMode);
    job.udf = k + 1;
    job.udfRecord = record;
    for (int i = 1; i <= parameters; ++i) job.start[static_cast<std::size_t>(i)] = record->Start[static_cast<std::size_t>(i - 1)];
    jobs.push_back(std::move(job));
  }
  return jobs;
}

// What the workers share: the next job to take, the stop word every worker reads, and,
// under the lock, the run's counters, its progress reports and the first failure.
class TNonlinearPool {
 public:
  TNonlinearPool(TFitRunContext& ctx, std::vector<TNonlinearJob>& jobs, int listedBefore,
                 std::shared_ptr<const TFitPointTable> points)
      : ctx_(ctx), jobs_(jobs), listedBefore_(listedBefore), points_(std::move(points)) {
    const TFitOptions& o = ctx.options;
    request_.tolerance = std::pow(10.0L, -static_cast<long double>(o.convergeDigits));
    request_.iterationLimit = static_cast<int>(o.maxIterations);
    request_.abandonR2 = o.abandonR2;
    request_.checkIteration = static_cast<int>(o.checkIteration);
    request_.sampling = static_cast<int>(o.samplingFlag);
    total_ = static_cast<float>(std::max<std::uint32_t>(ctx.counts.nonlinear, 1));
  }

  // Takes jobs until none is left or the phase stops, then takes blocks of the point loops
  // of the fits still running until the last of them ends.
  void Work() {
    // The evaluations of this thread, of its own fits and of the blocks it sums for the
    // others, ask whether to go on: the run's question, and the phase's stop, so that one
    // worker's failure or abort ends the others' passes too.
    ExprContext& expr = ExprThreadContext();
    const TEvaluationStopScope stop(expr, [this, outer = expr.goOn] {
      return !stop_.load(std::memory_order_relaxed) && (!ctx_.goOn || ctx_.goOn()) && (!outer || outer());
    });
    try {
      WorkOn();
    } catch (const std::bad_alloc&) {
      Fail(-2);
    }
    Retire(1);
    helpers_.Serve();  // returns at once when this was the last
  }

  // The threads that will work, counted before any starts, so that a thread that finds no
  // equation left never takes itself for the last while others are still being started.
  void SetWorkers(int workers) { fitting_.store(workers); }
  // Threads that take no more equations (or never started): the last closes the helpers.
  void Retire(int threads) {
    if (fitting_.fetch_sub(threads) == threads) helpers_.Close();
  }

  // -1 aborted, -2 out of memory, 0 every job done.
  int Failure() const { return failure_; }

 private:
  void WorkOn() {
    TFitList own;
    TFitRunContext wctx(std::span<const TXYZPoint>(), ctx_.stats, ctx_.selection, ctx_.options, own);
    wctx.points = ctx_.points;
    wctx.support = ctx_.support;
    wctx.sst = ctx_.sst;
    TMarquardtState st;
    st.helpers = &helpers_;
    st.skipAsked = ctx_.skipAsked;
    if (!own.BeginRun() || !InitMarquardtState(st, points_, ctx_.sst)) {
      Fail(-2);
      return;
    }
    wctx.status = [this](int code, int number, float, std::uint32_t, int, std::uint32_t iteration,
                         long double r2) { return Report(code, number, iteration, r2); };
    for (;;) {
      if (stop_.load(std::memory_order_relaxed)) return;
      // Taken from the end: the user functions (interpreted, with numerical derivatives)
      // and the power and exponential shapes (a logarithm or exponential per abscissa) are
      // the slowest fits, and started first they do not leave one worker busy at the end.
      const std::size_t taken = next_.fetch_add(1, std::memory_order_relaxed);
      if (taken >= jobs_.size()) return;
      TNonlinearJob& job = jobs_[jobs_.size() - 1 - taken];
      float fraction = 0.0f;
      if (!Begin(job.number, fraction)) return;
      st.robustMode = job.robustMode;
      st.udf = job.udf;
      st.udfRecord = job.udfRecord;
      ClearNonlinearFaults();
      TNonlinearFitRequest rq = request_;
      rq.equationNumber = job.number;
      rq.complexity = job.complexity;
      rq.fraction = fraction;
      std::array<long double, kMaxNonlinearParameters + 1> a = job.start;
      const int r = FitNonlinearEquation(wctx, st, job.parameters, a.data(),
                                         {job.evaluator, job.pointEvaluator}, rq);
      if (r < 0) {
        Fail(r);
        return;
      }
      if (r > 0) {
        job.record = std::move(own.Ranked()[0]);
        own.Truncate(0);
      }
      if (!End(job.number, job.record != nullptr, wctx.counters)) return;
    }
  }

  // Under mutex_, as every member below.
  float Fraction() const { return 100.0f * static_cast<float>(finished_) / total_; }

  int Status(int code, int number, std::uint32_t iteration, long double r2) {
    return ctx_.status ? ctx_.status(code, number, Fraction(), ctx_.counters.tried, listedBefore_ + stored_,
                                     iteration, r2)
                       : 1;
  }

  // The answers of a report: 0 stops every worker.
  int Report(int code, int number, std::uint32_t iteration, long double r2) {
    std::lock_guard lock(mutex_);
    if (stop_.load(std::memory_order_relaxed)) return 0;
    const int answer = Status(code, number, iteration, r2);
    if (answer == 0) FailLocked(-1);
    return answer;
  }

  // Counts the equation as tried and reports its start; `fraction` receives the share of
  // the phase done so far.
  bool Begin(int number, float& fraction) {
    std::lock_guard lock(mutex_);
    fraction = Fraction();
    ++ctx_.counters.tried;
    ++ctx_.counters.nonlinear;
    if (stop_.load(std::memory_order_relaxed)) return false;
    if (Status(1, number, ctx_.counters.iteration, ctx_.counters.r2) != 0) return true;
    FailLocked(-1);
    return false;
  }

  bool End(int number, bool stored, const TFitCounters& fitted) {
    std::lock_guard lock(mutex_);
    ++finished_;
    if (stored) ++stored_;
    ctx_.counters.iteration = fitted.iteration;
    ctx_.counters.r2 = fitted.r2;
    if (stop_.load(std::memory_order_relaxed)) return false;
    if (Status(4, number, fitted.iteration, fitted.r2) != 0) return true;
    FailLocked(-1);
    return false;
  }

  void Fail(int result) {
    std::lock_guard lock(mutex_);
    FailLocked(result);
  }
  void FailLocked(int result) {
    if (failure_ == 0) failure_ = result;
    stop_.store(true, std::memory_order_relaxed);
  }

  TFitRunContext& ctx_;
  std::vector<TNonlinearJob>& jobs_;
  const int listedBefore_;
  const std::shared_ptr<const TFitPointTable> points_;  // the active points, shared by all
  TNonlinearFitRequest request_;
  float total_ = 1.0f;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::atomic<int> fitting_{1};  // threads still taking equations
  TBlockHelpers helpers_;        // the threads that have none left help the others' fits
  std::mutex mutex_;
  // Under mutex_.
  int failure_ = 0;
  std::uint32_t finished_ = 0;
  int stored_ = 0;
};

// The worker threads: the run's choice, else one per core; more than the equations, the
// others help them with their point loops.
int WorkerCount(const TFitRunContext& ctx, std::size_t jobs) {
  return jobs == 0 ? 1 : static_cast<int>(BlockThreadCount(ctx.nonlinearThreads));
}

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
  CurrentUdfReset resetUdf;
  std::vector<TNonlinearJob> jobs;
  try {
    jobs = PrepareJobs(ctx);
  } catch (const std::bad_alloc&) {
    return -2;
  }

  // One table of the active points for every equation and worker, with the logarithms of
  // the abscissae when a power shape will read them.
  const bool logs = std::any_of(jobs.begin(), jobs.end(),
                                [](const TNonlinearJob& job) { return job.pointEvaluator != nullptr; });
  std::shared_ptr<const TFitPointTable> points =
      MakeFitPointTable(ctx.points, ctx.stats.WeightScale, logs);
  if (!points) return -2;
  TNonlinearPool pool(ctx, jobs, remembered, std::move(points));
  std::vector<std::jthread> threads;
  const int workers = WorkerCount(ctx, jobs.size());
  try {
    threads.reserve(static_cast<std::size_t>(workers));
  } catch (const std::bad_alloc&) {
    return -2;
  }
  pool.SetWorkers(workers);
  int started = 1;
  for (; started < workers; ++started) {
    try {
      threads.emplace_back([&pool] { pool.Work(); });
    } catch (const std::system_error&) {
      break;  // fewer threads: the jobs are shared out among those that started
    }
  }
  pool.Retire(workers - started);  // never the last: this thread has not retired yet
  pool.Work();
  threads.clear();  // joins

  if (pool.Failure() < 0) {
    ctx.list.Truncate(remembered);
    return pool.Failure();
  }
  for (TNonlinearJob& job : jobs)
    if (job.record) (void)ctx.list.Append(std::move(job.record));  // a refusal is counted by the list
  return ctx.Listed() - remembered;
}
