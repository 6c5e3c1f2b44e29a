// Refitting a ranked fit: a side (fit_side.h) made from a record of a session's `FitList`.
// `RefitRank` returns one and touches nothing else; `MakeRankCurrent` puts one into the
// session as its current fit; `RefitRankForRender` makes the render thread's own.
//
// Modes of `RefitRank`:
//   0  the record alone: identification, terms, descriptor, statistics, parameters, DOF, and
//      for a non-linear fit its shape evaluator; for a user function its index (udfIndex)
//   1  also the t values of the five levels with their products t·s, the inverse normal
//      matrix of the fit (the covariance without the error factor) rebuilt and inverted with
//      the inverter of the fit's procedure, and the parameter standard errors s·sqrt(C_ii)
//   2  also the volume under the surface over the data rectangle (when the volume option is
//      on) and the surface minimum and maximum inside that rectangle
//
// The normal matrix is rebuilt the way the fit was made: from the sums of the run that made
// it (polynomial, rational and term-subset fits), from the data points (series families),
// or by the non-linear fitter's covariance at the fitted parameters.
#pragma once

#include <optional>
#include <span>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "fit/fit_records.h"
#include "fit/fit_run.h"
#include "fit/fit_side.h"

struct TFitSession;
struct TSession;

enum RefitMode : int {
  kRefitRecord = 0,
  kRefitCovariance = 1,
  kRefitComplete = 2,
};

// What a refit reads besides the record.
struct TRefitSources {
  const TFitRunProducts* products = nullptr;  // sums and scales of the run that made the fit
  const TDataStats* stats = nullptr;          // n, SST, the data box and its extreme points
  // Records 0..N of the data (series normal equations, non-linear covariance).
  std::span<const TXYZPoint> table;
  bool volume = false;                        // compute the volume in mode 2
};

// Fills `side` from `fit` at `rank` as the mode asks. Returns false (side untouched) for a
// missing record or sources; a covariance that cannot be rebuilt or inverted leaves
// side.covarianceValid 0 and the standard errors 0, as the review shows them. Modes 1 and 2
// evaluate the surface at the data and over its rectangle: when the calling thread's
// question (TEvaluationStopScope, a Cancel) stopped those evaluations the answer is false
// too, and the side holds nothing to use.
bool RefitSide(TFitSide& side, const TFitResult& fit, int rank, int mode, const TRefitSources& src);

// The fit at `rank` of the session's `FitList` refitted in `mode` (clamped to 0..2; mode 2
// computes the volume only when the settings' VolumeOption is on): a side of its own, or
// nothing for a rank outside 1..count or a refit whose evaluations the calling thread's
// question stopped (RefitSide). The session is only read.
std::optional<TFitSide> RefitRank(const TSession& session, int rank, int mode);
// The same into a side the caller keeps, reusing its matrix (the equation list refits every
// rank into one). False, with the side untouched, for a rank outside 1..count; false, with
// nothing to use in the side, for a stopped refit.
bool RefitRankInto(TFitSide& side, const TSession& session, int rank, int mode);
// The render thread's fit: the record, and with `covariance` the t values and the inverse
// normal matrix; never volume or extrema. Nothing when the thread's question stopped it.
std::optional<TFitSide> RefitRankForRender(const TSession& session, int rank, bool covariance);

// User-interface thread: the rank becomes the session's current fit (`CurFit`) as
// `RefitRank` makes it, and for a user function its index becomes this thread's
// CurrentUdf, as the windows that evaluate it expect. The fit is made apart and put in
// place only when whole: false, with the current fit exactly as it was, for a rank outside
// 1..count and for a refit the thread's question stopped (the user's Cancel of a user
// function that takes long to evaluate).
bool MakeRankCurrent(TSession& session, int rank, int mode);

// 1 when the fit at that rank is a built-in non-linear equation (2001..2500), else 0.
int IsBuiltinNonlinearRank(const TFitSession& session, int rank);
