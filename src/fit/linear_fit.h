// What the polynomial and rational families share: normal equations read from the sums
// table, the keep lists of the best candidates of each size, and the refinement and recording
// of the kept fits.
//
// A candidate is screened with one Gaussian elimination of its normal equations; the best K
// of each size by r² are kept; only the kept ones are refined (the symmetric indefinite solver
// for the condition, the SVD where the normal matrix is ill-conditioned) and appended to the
// fit list.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fit/fit_run.h"
#include "fit/fit_sums.h"

inline constexpr int kMaxLinearParams = 11;  // the full cubic and the quadratic rational
// A normal matrix whose reciprocal condition estimate lies below this is solved again by SVD.
inline constexpr long double kIllConditioned = 5e-14L;

// One basis function of a linear family: X^p·Y^q·z^e, with X and Y of the fit's kinds. The
// rational families multiply their denominator out, so their denominator terms carry z.
struct TMonomial {
  int p = 0, q = 0, e = 0;
};

// The normal equations of a basis, read from the sums: a[i][j] = Σ w·t_i·t_j and
// b[i] = Σ w·z·t_i over the (m+1)-term basis. False when some moment is not in the table
// (a basis these families never use).
bool BuildMonomialNormals(const TSumsTable& sums, int xKind, int yKind,
                          std::span<const TMonomial> basis, long double* const* a, long double* b);
// Σ w·z² - Σ coef_i·Σ w·z·t_i: the residual sum of squares of a least-squares solution of
// those normal equations, without a pass over the data.
long double MonomialSse(const TSumsTable& sums, int xKind, int yKind,
                        std::span<const TMonomial> basis, const long double* coef);

// A candidate kept for refinement.
struct KeptFit {
  int m = 0;  // non-constant terms
  int equationNumber = 0;
  int complexity = 0;
  int xKind = 0, yKind = 0;
  std::array<std::uint8_t, 6> descriptor{};
  std::array<std::int32_t, kMaxLinearParams> terms{};
  std::array<long double, kMaxLinearParams> params{};
  std::array<TMonomial, kMaxLinearParams> basis{};
  long double r2 = 0.0L;
  long double sse = 0.0L;
};

// The best `keep` candidates of one size by r².
class TKeepList {
 public:
  // False when memory is short.
  [[nodiscard]] bool Allocate(int keep);
  // A full list admits a candidate only when its r² is not below the worst kept one (a tie
  // replaces the worst).
  bool Admits(long double r2) const;
  // Into the next free slot, or over the worst one of a full list.
  void Store(const KeptFit& fit);
  std::span<const KeptFit> Kept() const { return {slots_.data(), static_cast<std::size_t>(count_)}; }

 private:
  std::vector<KeptFit> slots_;
  int count_ = 0;
  int worst_ = 0;
  long double worst_r2_ = kEmptyR2;
  static constexpr long double kEmptyR2 = 1.01L;  // what an empty slot holds
};

// What screening and refinement need of a family beyond the normal equations of a fit.
class TLinearFamily {
 public:
  // normals: the sums table the normal equations are read from; stage and counter: the
  // progress stage and the counter of the family's phase; scaleCap: the bound of the x and y
  // scales of the coefficient test.
  TLinearFamily(const TSumsTable& normals, int stage, std::uint32_t TFitCounters::*counter,
                long double scaleCap)
      : normals(normals), stage(stage), counter(counter), scaleCap(scaleCap) {}
  virtual ~TLinearFamily() = default;
  // Turns a solution of the normal equations into the fit's parameters (in place) and returns
  // their residual sum of squares.
  virtual long double SolutionSse(const KeptFit& fit, long double* solution) const = 0;
  // The SSE a kept fit is listed with (ListedSse): the one it was kept with, unless the
  // equation it stores has another at the data. A family whose SolutionSse already measures
  // the stored equation returns fit.sse.
  virtual long double ListedSseOf(const KeptFit& fit) const { return fit.sse; }
  // False when the equation of `params` (as SolutionSse leaves them) has no value somewhere
  // over the data rectangle: such an equation is no fit of the data, however close it comes
  // to the points (a rational whose denominator vanishes there has a pole between them).
  virtual bool DefinedOverData(const KeptFit&, const long double*) const { return true; }

  const TSumsTable& normals;
  const int stage;
  std::uint32_t TFitCounters::*const counter;
  const long double scaleCap;
};

// Allocates `count` keep lists of `keep` records each; false when memory is short.
[[nodiscard]] bool AllocateKeepLists(std::vector<TKeepList>& lists, int count, int keep);

// Screens one candidate: builds and solves its normal equations by Gaussian elimination,
// counts the try (reporting progress every 5 tries), and keeps it in `list` when its SSE is
// acceptable, its r² earns a place, its equation is defined over the data rectangle and
// (with `testCoefficients`) every non-constant coefficient, scaled by its term's typical
// size, counts beside the others: the numerator's and the denominator's coefficients each
// against their own mean. Returns 0 when the progress callback asked to stop, else 1.
int ScreenCandidate(TFitRunContext& ctx, KeptFit& fit, TKeepList& list,
                    const TLinearFamily& family, bool testCoefficients, std::uint32_t total);

// The last step of a fitter: the final progress report; an abort takes back every record the
// fitter appended (since `listedBefore`) and gives -1.
int FinishLinearFamily(TFitRunContext& ctx, const TLinearFamily& family, int appended,
                       int listedBefore, std::uint32_t total);

// Refines the kept fits of the lists in order, records in slot order, and appends one record
// each to the context's list, with the SSE of the equation it stores (a fit whose stored
// equation is worse than the mean, or undefined at a point, is left out). Returns the
// number appended. A record that cannot be allocated or that the full list refuses drops the
// rest of its list.
int RecordKeptFits(TFitRunContext& ctx, std::span<const TKeepList> lists,
                   const TLinearFamily& family, bool svd);

// The complexity c of a fit raised for its transforms: 5.54 for each log axis and 1.51 for
// each reciprocal axis, every step truncated toward zero, with single-precision constants.
int AddKindComplexity(long double c, int xKind, int yKind);

// Scale of an axis for the coefficient test: the axis's mean magnitude, bounded by `cap`, as
// the kind sees it (ln of it for a log kind, its reciprocal for a reciprocal kind; the
// reciprocal of the largest value when the mean is 0). 1 when that is not a finite non-zero
// number.
long double KindScale(int kind, const TAxisStats& axis, long double cap);
