// One fit run: the context that holds everything a run works with, the counts and counters of
// its progress, and the driver that runs its phases in order.
//
//   phase 1  sums          ComputeFitSums: one pass over the data into the sums table, the
//                          scales of the exponential terms and of the series families, and
//                          the terms the data's domain excludes
//   phase 2  polynomial    plain and transformed polynomials, then the series families
//                          224, 225, 226, 227, 235, 237, 234, 236
//   phase 3  rational      plain rationals, the second rational set, then the Chebyshev
//                          rationals 228, 229, 230, 231
//   phase 4  term subsets  SearchTermCombinations for Z, ln Z and 1/Z in this order
//   phase 5  non-linear    FitNonlinearEquations: the selected catalogue entries, then every
//                          defined user-defined function
//
// Every family writes its fits into the context's fit list (the run's own, never the
// session's) and reports through the context's progress callback. A family returns the
// number of equations it added, -1 when the user aborted (the run ends at once) or -2 when
// memory ran out.
//
// A run keeps all of its work state in its `TFitRunContext`: the sums table, the scales, the
// term exclusions, the scratch matrix and vector, the fit tolerance and the counters. Two runs
// (the background fit and a foreground fit, or a test beside either) therefore never share
// scratch state, and each fills the fit list it is given; a finished run's list and products
// (TFitRunOutcome) reach a session only through PublishFitResults (fit_results.h).
//
// The family entry points and the evaluators of the stored fits are declared in
// fit_families.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "expr/udf_record.h"
#include "fit/fit_blocks.h"
#include "fit/fit_list.h"
#include "fit/fit_support.h"
#include "numerics/ld_matrix.h"

class TSumsTable;
struct TCentredSubsetSums;

// The 42 candidate terms of the term-subset equations: codes 0-20 are functions of x, 21-41
// the same functions of y.
inline constexpr int kCandidateTermCount = 42;
// The most worker threads the non-linear phase starts.
inline constexpr unsigned kMaxNonlinearThreads = 64;
// The scratch matrix and vector of a run hold systems of up to 80 unknowns.
inline constexpr int kFitScratchSize = 80;

// Progress stages: the gauges of the progress dialog.
enum FitStage : int {
  kStageSums = 1,
  kStagePolynomial = 2,
  kStageRational = 3,
  kStageSubsetZ = 4,  // + the Z variant: 4 Z, 5 ln Z, 6 1/Z
  kStageNonlinear = 7,
};

// Z variants of the term-subset search and of the per-variant sums.
enum ZVariant : int { kVariantZ = 0, kVariantLnZ = 1, kVariantInvZ = 2 };
inline constexpr int kZVariantCount = 3;

// What a run will try, counted before it starts (the progress percentages are formed from
// these totals).
struct TFitCounts {
  std::uint32_t linear = 0;      // polynomial + rational + the three subset counts
  std::uint32_t polynomial = 0;  // polynomial and series equations
  std::uint32_t rational = 0;
  std::array<std::uint32_t, kZVariantCount> subsets{};  // term subsets for Z, ln Z, 1/Z
  std::uint32_t nonlinear = 0;  // selected non-linear equations plus defined user functions
};

// Progress counters of a run, zeroed before it starts.
struct TFitCounters {
  std::uint32_t tried = 0;       // every equation tried in the run
  std::uint32_t polynomial = 0;  // tried in the polynomial phase (plain, transformed, series)
  std::uint32_t rational = 0;    // tried in the rational phase
  std::uint32_t nonlinear = 0;   // tried in the non-linear phase
  std::uint32_t iteration = 0;   // current iteration of the non-linear fit
  long double r2 = 0.0L;         // current r² of the non-linear fit
  std::array<std::int32_t, kZVariantCount> subsets{};  // subsets tried per Z variant
};

// The progress report of the sums, linear and subset phases: stage, percentage of the
// stage, equations tried and fits in the list. Answers 1 to go on, 0 to abort.
using TFitProgressFn =
    std::function<int(int stage, float percent, std::uint32_t tried, int listed)>;
// The status report of the non-linear phase: code (0 phase start, 1 equation start,
// 2 iteration, 3 fit recorded, 4 equation end), equation number, fraction done, equations
// tried, fits in the list, iteration and r². Answers 1 go on, 0 abort, -1 skip the equation.
using TFitStatusFn = std::function<int(int code, int equationNumber, float fraction,
                                       std::uint32_t tried, int listed,
                                       std::uint32_t iteration, long double r2)>;

// Scales of one axis for the series families, from the data range of the run.
struct TSeriesAxisScale {
  long double centre = 0.0L;        // (max + min)/2
  long double halfRange = 0.0L;     // (max - min)/2
  long double logCentre = 0.0L;     // (ln max + ln min)/2, 0 unless min > 0
  long double logHalfRange = 0.0L;  // (ln max - ln min)/2, 0 unless min > 0
  long double origin = 0.0L;        // min
  long double angularScale = 0.0L;  // (max - min)/π: the data span [0, π] after scaling
};

// The axis scaling of the series families; their parameters mean something only with the
// scales of the run that fitted them.
struct SeriesScales {
  TSeriesAxisScale x, y, z;
};

// The variable a polynomial family fits in place of one of its kinds: u = (V - centre)·scale.
// Monomials of a variable whose values all lie far from 0 are nearly parallel (x^5 over x
// in [0.85e6, 1.13e6] is all but a multiple of x^4), so their raw moments cancel in the
// solve: at x about 1e6 an SSE and r² kept 7-9 digits. Shifted to its midpoint and scaled
// onto (-1, 1) the same variable fits the same model to the rounding of the data.
struct TPowerShift {
  long double centre = 0.0L;
  long double scale = 1.0L;  // a power of 2, so that scaling is exact
  bool Identity() const { return centre == 0.0L && scale == 1.0L; }
};

// The frame of the polynomial families: one shift per kind (x, ln x, 1/x, y, ln y, 1/y) and
// the centre of z, which the constant absorbs. A kind is shifted only where its values lie on
// one side of 0 with the largest magnitude below three times the smallest (farther from 0
// than half their width): data about the origin keep the identity, and with it the very
// sums, solutions and records of fits in raw powers (polynomial_frame.h).
struct TPolynomialFrame {
  std::array<TPowerShift, 6> kinds{};  // kinds 5..10
  long double zCentre = 0.0L;
  const TPowerShift& Of(int kind) const { return kinds[static_cast<std::size_t>(kind - 5)]; }
  bool Identity() const {
    for (const TPowerShift& k : kinds)
      if (!k.Identity()) return false;
    return zCentre == 0.0L;
  }
};

// The scales a run derives from the data and keeps with the fits it makes.
struct TFitRunScales {
  SeriesScales series;
  // The frame the polynomial families solved in (identity unless `polynomialSums` exists).
  TPolynomialFrame polynomialFrame;
  // The frame of the rational families: the shifts of x, ln x, y and ln y by the same test
  // (z is not shifted: the denominator multiplies it). Their normalisation stays that of
  // the raw powers (the denominator's constant is 1 at X = Y = 0), a linear condition on
  // the coefficients in the frame.
  TPolynomialFrame rationalFrame;
  // Scale factors s_x, s_y of the exponential candidate terms exp(x/s_x), exp(y/s_y).
  long double xScale = 1.0L;
  long double yScale = 1.0L;
};

// The state of one fit run.
struct TFitRunContext {
  // The run fits the active points of `table` (records 0..N, header included) with the
  // statistics `stats` of that table, as `selection` and `options` ask, into `list`.
  TFitRunContext(std::span<const TXYZPoint> table, const TDataStats& stats,
                 const TFitSelection& selection, const TFitOptions& options, TFitList& list);
  TFitRunContext(const TFitRunContext&) = delete;
  TFitRunContext& operator=(const TFitRunContext&) = delete;
  ~TFitRunContext();

  // Inputs, fixed for the run.
  std::span<const TXYZPoint> points;  // records 1..N
  // The run's own copy of the statistics; the non-linear phase keeps its start-value caches
  // (StartCacheA, StartCacheB) here, so that no run writes a session's DataStats.
  TDataStats stats;
  TFitSelection selection;
  TFitOptions options;
  TFitList& list;
  // The user-defined functions the run fits after the built-in non-linear equations (a
  // job's copies of a session's records: their start values, limits and parameter counts);
  // null: none. Their programs are the language's compiled slots.
  const TUdfTable* udfs = nullptr;
  TFitProgressFn progress;  // none: always go on
  TFitStatusFn status;      // none: always go on
  // Whether the run goes on, asked by the evaluations of the user functions at their safe
  // points (TEvaluationStopScope), on every thread of the run at once: one evaluation can
  // run for seconds, and a pass over the points for minutes, between two reports. A no
  // ends the fit being evaluated as aborted, and the run with -1. None: always go on.
  std::function<bool()> goOn;
  // Whether the user asked to skip the equation in progress ("Stop Current Fit"), asked at
  // the same safe points (TMarquardtState::skipAsked): true takes the request, and the
  // equation whose evaluation asked ends there, recorded as it stands or not at all; the
  // run goes on. The iteration reports take the same request (FitStatus code 2). None:
  // only the reports take it. Called on any thread of the run.
  std::function<bool()> skipAsked;
  // Worker threads of the non-linear phase; 0: one per core. The phase's fits are the same
  // whatever the count.
  unsigned nonlinearThreads = 0;

  // What the active points of positive weight can determine (from `table`): every fit's
  // parameter limit, its degrees of freedom and the orders of the families.
  TFitSupport support;

  // Counted before the run (CountFitRun), counted up during it.
  TFitCounts counts;
  TFitCounters counters;

  // Phase 1 results, read by every later phase.
  std::shared_ptr<TSumsTable> sums;
  // The moments of the polynomial families in their frame (scales.polynomialFrame): the
  // family rows of a sums table, with the shifted kinds and z less its centre. Null while
  // the frame is the identity; the families then read `sums`.
  std::shared_ptr<TSumsTable> polynomialSums;
  TFitRunScales scales;
  // The moments of the rational families in their frame (scales.rationalFrame): the family
  // rows of a sums table with the kinds the frame shifts in its variables and z as it is.
  // Null where the frame leaves every selected kind alone.
  std::shared_ptr<TSumsTable> rationalSums;
  // The subset search's rows about the means of their terms (TCentredSubsetSums of
  // fit_sums.h), gathered by phase 1 where the raw rows of `sums` cancel; null otherwise.
  std::shared_ptr<TCentredSubsetSums> subsetSums;
  std::array<std::uint8_t, kCandidateTermCount> termExcluded{};  // 1: the term takes no part
  bool lnXExcluded = false;   // some active x at or below 0: no ln x family
  bool lnYExcluded = false;
  bool invXExcluded = false;  // the x range holds 0: no 1/x family (a pole among the data)
  bool invYExcluded = false;
  // 10^-(digit threshold): a coefficient below this fraction of the mean coefficient
  // magnitude makes a fit insignificant (`ParametersSignificant`).
  long double fitTolerance = 1e-5L;
  // Total weighted sum of squares of Z of the run (from the statistics): the SST of every
  // fit's r².
  long double sst = 0.0L;

  // Scratch storage of the linear fitters and the series driver.
  std::unique_ptr<LDMatrix> scratchMatrix;
  std::vector<long double> scratchVector;

  // Set when a phase ran out of memory; the run then ends with -2 after the phases that
  // could still run (the fits stored so far stay in the list).
  bool outOfMemory = false;

  // Weight of an active point in every sum and sum of squares of the run: W·n/ΣW, n the
  // active points of positive weight, so that the weights add up to n and the fit statistics
  // do not depend on the scale of the weights.
  long double WeightOf(const TXYZPoint& p) const { return p.W * stats.WeightScale; }
  // The table the polynomial families read their normal equations from.
  const TSumsTable& PolynomialSums() const { return polynomialSums ? *polynomialSums : *sums; }
  // The most parameters a fit of the run may have.
  int MaxParameters() const { return support.MaxParameters(options.noDofForError != 0); }
  // The observations every fit statistic of the run counts: the active points of positive
  // weight.
  int Observations() const { return support.points; }
  // Number of fits in the list.
  int Listed() const { return list.Count(); }
  // Reports progress with the tried and listed counts; 1 go on, 0 abort.
  int Progress(int stage, float percent) const;
};

// The percentage of a phase's progress total that its counter has reached (100 for a total
// of 0).
float ProgressPercent(std::uint32_t counter, std::uint32_t total);

// Counts what a run of `selection` with `options` will try on data with `stats` (the data's
// domain removes the ln x and ln y families from the counts of the plain polynomials and
// rationals). Returns the linear total.
std::uint32_t CountLinearEquations(const TFitSelection& selection, const TFitOptions& options,
                                   const TDataStats& stats, TFitCounts& counts);
// Number of selected non-linear equations (flags 0..171) plus the defined user functions.
std::uint32_t CountNonLinearEquations(const TFitSelection& selection, int definedUdfs);
// Fills the context's counts (the defined functions of ctx.udfs among the non-linear
// equations) and zeroes its counters; false when there is nothing to fit.
bool CountFitRun(TFitRunContext& ctx);

// Phase 1. Returns the term limit h of the run (the options' highest term count minus 1,
// lowered to one less than the most parameters a fit may have: n + d - 2 for n active points
// of positive weight and d the "no DOF for error" flag, and at most the number of distinct
// locations less one), -1 on abort, -2 when memory is short.
int ComputeFitSums(TFitRunContext& ctx);

// The whole run: empties the list, allocates the scratch storage, runs the phases. Returns
// the number of equations fitted, -1 when the user aborted (the list then holds no fits of
// this run), -2 when memory ran out (before anything was fitted, or in a phase; the fits
// stored so far stay in the list).
int RunFitFamilies(TFitRunContext& ctx);

// Phase 4, one Z variant (term_subset_search.cpp), and phase 5 (nonlinear_phase.cpp).
// SearchTermCombinations: the best subsets of 2..min(h, 8) candidate terms for the Z variant
// `variant`, from the per-variant sums; the subset keep count, the subset mask, the SVD flag
// and the term exclusions come from the context.
int SearchTermCombinations(TFitRunContext& ctx, int termLimit, int variant);
// FitNonlinearEquations: every selected non-linear equation in catalogue order, then every
// defined user function; ctx.counts.nonlinear is the progress total.
int FitNonlinearEquations(TFitRunContext& ctx);

// What the evaluation and the refit of the fits of a run's list need of the run that made
// them: its sums table (the polynomial and rational normal equations are rebuilt from it) and
// its scales (the series families and the exponential terms read them).
struct TFitRunProducts {
  std::shared_ptr<const TSumsTable> sums;
  TFitRunScales scales;
  long double sst = 0.0L;
};
// The products of a run (after RunFitFamilies).
TFitRunProducts FitRunProductsOf(const TFitRunContext& ctx);

// What a finished run hands over to a session: its ranked list and its products.
struct TFitRunOutcome {
  TFitList list;
  TFitRunProducts products;
};
