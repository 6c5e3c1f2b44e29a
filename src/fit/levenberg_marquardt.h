// Levenberg-Marquardt fitting of the non-linear equations (Marquardt 1963, in the damped
// normal-equation form of Press et al., "Numerical Recipes", mrqmin/mrqcof), with four loss
// functions (named by rows 9..12 of `ProcedureNames`):
//
//   0 least squares            w r²
//   1 least absolute deviation w |r|
//   2 Lorentzian               w ln(1 + (e - 1) r²)
//   3 Pearson VII limit        w ln sqrt(1 + (e² - 1) r²)
//
// The robust losses keep the Gauss-Newton curvature Σ w d_j d_k (scaled by the loss's own
// weight of each residual for modes 2 and 3) and take their gradient from the loss, so each
// step is an iteratively reweighted least-squares step. An optional coarse-to-fine sampling
// fits every step-th active point first (losses scaled by the step, so coarse and fine
// losses compare) and finishes on all points.
//
// Faults guarded against: a user function whose run fails is never summed with the missing
// value as its z (the step, or at the start the whole fit, is rejected); the solve and the
// step storage are sized to the parameter count; a fit that ends on a coarse sample is
// measured on all points before its sum of squares is recorded; the recorded SSE is always
// the least-squares sum of the accepted parameters, also when the final curvature is
// singular (the fit is kept, its covariance is flagged by `NonlinearCovariance`); memory that
// runs out ends the phase with -2 and never leaves a half-filled record.
//
// Where the iteration departs from the textbook loop, for hard problems: the damping adds
// lambda times the largest curvature diagonal seen for each parameter (Moré's scaling), so
// a vanished column never makes the step undefined; only accepted steps (and rejections
// flat within the tolerance) count toward convergence; a trial that changes the loss not
// at all lengthens the step instead of shortening it; a step that throws a parameter where
// the data no longer see it is refused; an exact fit is one below LDBL_EPSILON² SST. A fit
// whose damping reaches its ceiling, or that leaves a parameter on the 1e-30 floor, has
// not converged and is not recorded. Small changes end a fit only where its scaled gradient
// is small too (the undamped step promises less than the tolerance): where it is not, the
// damping starts afresh from the present curvature and the fit goes on; a fit that runs out
// of iterations, or gains nothing after such a fresh start, is recorded as not converged and
// ranks after every fit that reached its minimum.
//
// The state of one fit lives in a `TMarquardtState` owned by the caller: two fits on two
// threads never share anything. A user-defined function is evaluated on the calling thread's
// expression context, which the engine gives the point's Z and W before each evaluation.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "fit/block_helpers.h"
#include "fit/fit_blocks.h"
#include "fit/fit_run.h"
#include "fit/nonlinear_catalogue.h"
#include "numerics/ld_matrix.h"

// Results of `MarquardtStep`.
enum MarquardtResult : int {
  kStepFinal = 0,      // the final step: covariance in the trial matrix, SSE in the loss
  kStepAccepted = 1,   // the trial parameters lowered the loss
  kStepRejected = 2,   // the loss rose: lambda grows tenfold
  kStepFlat = 3,       // the trial loss equals the accepted one exactly: lambda falls tenfold
  kStepReleased = -1,  // the step storage was released
  kStepSingular = -2,  // the damped system is singular: lambda grows tenfold
  // The evaluation failed (a user function's run gave no value, or a value or derivative is
  // not finite) at parameters the fit would have to keep: the fit is rejected. A failure at
  // trial parameters only rejects the step.
  kStepFailed = -3,
  kStepNoMemory = -4,  // the step storage (or the solver's work) could not be allocated
};

// One active point as the point loop reads it.
struct TFitPoint {
  TShapePoint at;  // x and y, and their logarithms when the table was formed with them
  long double z = 0.0L;
  long double weight = 0.0L;  // W, as a user function's variable W reads it
  long double w = 0.0L;       // W times the weight scale n/ΣW: the weight of the sums
};

// The active points of a table, in table order, as every fit on them reads them: formed
// once (a run's non-linear phase forms one for all its equations and threads) and read-only.
struct TFitPointTable {
  std::vector<TFitPoint> points;
  bool logs = false;  // the points' logarithms are formed (the power shapes read them)
  // Every point's w is exactly 1 (no weights): the sums then read the derivatives themselves
  // as their weighted factors, 1·d being d to the last bit.
  bool unitWeights = false;
};
// The table of the active points of `points` (records 1..N of a table) with the weight scale
// n/ΣW; with `logs`, the logarithms of the abscissae too. Null when memory is short.
std::shared_ptr<const TFitPointTable> MakeFitPointTable(std::span<const TXYZPoint> points,
                                                        long double weightScale, bool logs);

// A non-linear equation as the engine evaluates it: its evaluator, and the point evaluator
// of a shape that has one, which the engine calls on a table formed with logarithms.
struct TNonlinearModel {
  TNonlinearModel(TNonlinearEvaluator f, TNonlinearPointEvaluator atPoint = nullptr)
      : evaluator(f), pointEvaluator(atPoint) {}
  TNonlinearEvaluator evaluator;
  TNonlinearPointEvaluator pointEvaluator;
};
inline TNonlinearModel ModelOf(const TNonlinearEntry& e) { return {e.evaluator, e.pointEvaluator}; }

// The sums of one block of points (`MarquardtCoefficients`).
inline constexpr int kBlockPoints = 256;
inline constexpr int kBlockSumsEntries = kMaxNonlinearParameters * (kMaxNonlinearParameters + 1) / 2;
struct TBlockSums {
  long double alpha[kBlockSumsEntries];  // lower triangle, row j from j(j+1)/2
  long double beta[kMaxNonlinearParameters];
  long double loss, ss;
  long double a[kMaxNonlinearParameters + 1];  // the parameters as the block's evaluations left them
  bool usable;                                 // every point of the block could be evaluated
  int faults;                                  // the fault flags standing at the block's end
  int exprError;                               // a user function's error code at the block's end
  bool stopped;  // an evaluation was stopped by the question of the thread that summed it
};

struct TMarquardtState {
  // What is fitted: the active points and the total sum of squares SST.
  std::shared_ptr<const TFitPointTable> table;
  long double sst = 0.0L;
  // Threads that may take blocks of the point loop; null: the fit's thread sums them all.
  TBlockHelpers* helpers = nullptr;
  std::vector<TBlockSums> blocks;  // the sums of each block of the last pass
  int robustMode = 0;  // `RobustMode`
  int udf = 0;         // k + 1 while user function k is fitted, else 0
  // Its record while user function k is fitted: its lower and upper values bound the
  // parameters. Null: no bounds (a covariance rebuilt at fitted parameters).
  const TUdfRecord* udfRecord = nullptr;

  // The accepted state of the iteration (losses scaled by the sampling step).
  long double acceptedLoss = 0.0L;
  long double acceptedSS = 0.0L;  // weighted sum of squared residuals of the accepted parameters
  int previousStep = 1;

  // Step storage, sized to the parameter count by the initialising step.
  std::vector<long double> trialA;    // 1-based trial parameters
  std::vector<long double> change;    // the solved step, 0-based
  std::vector<long double> gradient;  // accepted gradient, 0-based
  std::vector<long double> trialGradient;
  std::vector<long double> dampingScale;  // the largest curvature diagonal seen, 0-based

  // The loss of the last trial parameters (scaled), infinite when they could not be
  // evaluated or no trial was made.
  long double trialLoss = 0.0L;
  // Asked at the safe points of a user function's evaluations, on whichever thread sums a
  // block: true (once per request) to end the equation in progress ("Stop Current Fit"), so
  // that a function taking minutes a pass ends at once rather than at its next iteration
  // report. Null: only the reports take a skip.
  std::function<bool()> skipAsked;
  // A user function's evaluation was stopped: by the go-on question of its thread
  // (TEvaluationStopScope: the run is being stopped, the fit is given up as aborted), or by
  // skipAsked (evaluationSkipped: the equation ends, see MarquardtEnd).
  bool evaluationStopped = false;
  bool evaluationSkipped = false;
  // The accepted sums were measured at the accepted parameters since the initialising step.
  bool acceptedMeasured = false;
};

// A state over the active points of `points` (records 1..N of a table), without logarithms;
// false when memory for the point table is short.
[[nodiscard]] bool InitMarquardtState(TMarquardtState& st, std::span<const TXYZPoint> points,
                        long double weightScale, long double sst);
// A state over a table formed before (null: false).
[[nodiscard]] bool InitMarquardtState(TMarquardtState& st,
                                      std::shared_ptr<const TFitPointTable> table, long double sst);
// The number of active points of the state's table.
int ActivePointCount(const TMarquardtState& st);

// The sampling step of m active points and p parameters: the step doubles while m/2, halved
// as often, stays above factor·p (factor 3 in a fit run, 2 for `FitUserFunction`).
int SamplingStep(int m, int p, int factor);

// Curvature alpha (p x p, 0-based, symmetric), gradient beta (0-based) and loss of the
// parameters a (1-based; entries below 1e-30 in magnitude are set to 0, and the evaluator
// may repair them) over every step-th active point. `ss` receives the weighted sum of
// squared residuals. False when an evaluation failed (nothing usable was computed).
//
// The visited points are cut into blocks of kBlockPoints; each block is summed from zero
// (on the state's helpers when there are any), and the blocks are added in their order, so
// that the sums are the same on any number of threads.
[[nodiscard]] bool MarquardtCoefficients(TMarquardtState& st, long double* a, int p, LDMatrix& alpha,
                           long double* beta, long double& loss, long double& ss,
                           const TNonlinearModel& f, int step);

// One step (lambda is read and written): lambda < 0 initialises (storage, lambda 0.001, the
// coefficients of a), lambda 0 makes the final step (the inverse of alpha into `trial`, the
// accepted sum of squares into `loss`, storage released), any other lambda tries a damped
// step. `MarquardtResult` codes.
int MarquardtStep(TMarquardtState& st, long double* a, int p, LDMatrix& trial, LDMatrix& alpha,
                  long double& loss, const TNonlinearModel& f, long double& lambda, int step);
// Releases the step storage (a fit that ends without its final step).
void MarquardtRelease(TMarquardtState& st);

// Solves A x = b by Gauss-Jordan elimination with full pivoting (A, 0-based n x n, becomes
// its inverse; b, when given, the solution). 1 solved, 0 singular, -1 no work memory.
int MarquardtSolve(long double* const* A, int n, long double* b);

// The acceptance of a finished fit looks for faults of its final step: a math error of the
// expression language (user functions) or an invalid, zero-divide, overflow or underflow
// floating-point flag. Clear them before the step and test them after it.
void ClearNonlinearFaults();
bool NonlinearFaultRaised();

// What one fit of a run is asked to do.
struct TNonlinearFitRequest {
  int equationNumber = 0;
  int complexity = 0;
  long double tolerance = 1e-6L;  // 10^-(convergence digits)
  int iterationLimit = 100;
  long double abandonR2 = 0.1L;
  int checkIteration = 20;
  int sampling = 0;        // coarse-to-fine sampling on (1) or off (0)
  int samplingFactor = 3;  // points per parameter the coarse sample keeps (`SamplingStep`)
  float fraction = 0.0f;   // progress percentage reported with the status calls
};

// How the iteration of one fit ended.
enum class MarquardtEnd {
  kConverged,       // at a minimum: five changes of the loss below the tolerance where the
                    // undamped step promises less than the tolerance, or an exact fit
  kIterationLimit,  // the iteration limit was reached away from a minimum
  kStalledAway,     // five small changes where the gradient is not small, and again after the
                    // damping started afresh, with no gain between: short of a minimum
  kSkipped,         // the progress answered skip, or a skip stopped a pass after the accepted
                    // parameters were measured on every point: the fit is finished as it stands
  kSkippedUnmeasured,  // a skip stopped a pass before that: the fit ends without a record
  kStalled,         // no step was accepted before lambda reached its ceiling: not converged
  kAtFloor,         // a parameter ended at the 1e-30 floor it was driven to: not converged
  kAbandoned,       // r² below the abandon r² at the check iteration
  kAborted,         // the progress answered abort, or an evaluation was stopped
  kFailed,          // the parameters to keep could not be evaluated
  kNoMemory,
};
struct MarquardtRun {
  MarquardtEnd end = MarquardtEnd::kConverged;
  int iterations = 0;
};

// The iteration of one fit from the start values in a (1-based; the last accepted values
// come back), with the step storage of `st` and the two p x p matrices; the step storage
// stays allocated for the final step. `progress`, when given, is asked after the first
// iteration and after every accepted step on all points (1 go on, 0 abort, -1 skip).
// Every call of `MarquardtStep` is an iteration; only accepted steps, and rejected ones
// whose trial loss is flat within the tolerance, count toward convergence.
MarquardtRun IterateMarquardt(TMarquardtState& st, int p, long double* a, LDMatrix& alpha,
                              LDMatrix& trial, const TNonlinearModel& f,
                              const TNonlinearFitRequest& request,
                              const std::function<int(int iteration)>& progress);
// Whether the accepted parameters a of `st` (1-based; alpha their curvature, the gradient the
// state's) are a minimum to `tolerance`: the undamped step from them promises less than the
// tolerance of what is left to gain (the scaled gradient is small; a user-function parameter
// the step would take beyond a limit is held there). Always false under the
// least-absolute-deviation loss, whose gradient does not vanish at its minimum. `scratch`, a
// p x p matrix, and the state's change vector are overwritten.
bool MarquardtAtMinimum(TMarquardtState& st, int p, const long double* a, const LDMatrix& alpha, LDMatrix& scratch,
                        long double tolerance);

// A fit that ended on a coarse sample is measured on all points (the accepted sums become
// those of every point); false when that evaluation failed.
bool FinishOnAllPoints(TMarquardtState& st, int p, long double* a, LDMatrix& alpha,
                       const TNonlinearModel& f);

// One equation of a fit run: iterates from the start values in a (1-based; the fitted
// values come back) and appends a record to ctx.list when the fit is acceptable (0 <= SSE <
// SST, no failed evaluation, no math error and no floating-point fault in the final step;
// a fit that stalled, `MarquardtEnd::kStalled` or `kAtFloor`, is not recorded). A fit that
// ran out of iterations, stalled away from a minimum (`kStalledAway`) or was skipped there
// is recorded as not converged.
// Reports iterations (status code 2) and the record (code 3). Returns the number of records
// added (0 or 1), -1 when the user aborted (nothing of this equation stays) or -2 when memory
// ran out (nothing was added).
int FitNonlinearEquation(TFitRunContext& ctx, TMarquardtState& st, int p, long double* a,
                         const TNonlinearModel& f, const TNonlinearFitRequest& request);

// What `FitUserFunction` did.
enum class UserFitResult {
  kNoFunction = 0,  // slot k holds no function
  kFitted = 1,      // the fitted parameters are the record's start values now
  kNotFitted = 2,   // the fit failed or did not converge: the start values are as they were
  // The iterations ran out before the fit converged ("the fit stopped at the iteration
  // limit"): the parameters reached are the record's start values now, as after kFitted.
  kStoppedAtIterationLimit = 3,
  // The fit's steps stopped gaining where its gradient is not small (MarquardtEnd::
  // kStalledAway): the parameters reached are the record's start values now, as after kFitted.
  kStoppedShortOfMinimum = 5,
  // The calling thread's go-on question (TEvaluationStopScope: a Cancel) stopped the fit: the
  // start values are as they were.
  kCancelled = 4,
};

// Fits user function k alone to the active points of `table` (records 0..N) with the
// statistics `stats`, least squares, from the record's start values, to the tolerance and
// iteration limit of `options` (coarse-to-fine, always finishing on every point). When the
// fit converged or used up the iterations, and is acceptable (0 <= SSE < SST, no fault in
// its final step) the fitted parameters become the record's start values; the answer is
// kFitted, or kStoppedAtIterationLimit when the iterations ran out first; kCancelled when
// the calling thread's go-on question said no (asked also while it waits for its helpers).
// Sets CurrentUdf to k on the calling thread's expression context, on which the function
// runs; with more than kBlockPoints active points, `threads` threads (0: one per core) share
// its point loop, each running the function on its own expression context.
[[nodiscard]] UserFitResult FitUserFunction(int k, std::span<const TXYZPoint> table,
                                            const TDataStats& stats, const TFitOptions& options,
                                            unsigned threads = 0);

// The covariance of a non-linear fit without the error factor: the inverse of the
// least-squares curvature Σ w d_j d_k over the active points of `table` (records 0..N) at
// `parameters` (0-based, p of them), into rows[0..p-1][0..p-1]; `sse` receives Σ w r².
// Returns p; 0 when the curvature is singular or an evaluation failed (the rows then hold the
// missing value: the caller marks the covariance as not valid and shows no standard errors);
// -1 for an unknown index or when memory ran out. With more than kBlockPoints active points,
// `threads` threads (0: one per core) share the point loop; the sums are the same whatever
// their number.
int NonlinearCovariance(int index, const long double* parameters, std::span<const TXYZPoint> table,
                        long double weightScale, long double* const* rows, long double& sse,
                        unsigned threads = 0);

// The phase itself, `FitNonlinearEquations` (nonlinear_phase.cpp), is declared with the other
// phases in fit_run.h.
