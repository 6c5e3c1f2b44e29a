// What the polynomial and rational families share: normal equations read from the sums
// table, the keep lists of the best candidates of each size, and the refinement and recording
// of the kept fits.
//
// A candidate is screened with one Gaussian elimination of its normal equations, where the
// condition of their matrix lets that solution hold the SSE (else, and for the families
// without sums in their frame, by QR at the points); the best K of each size by r² are kept;
// only the kept ones are refined (solved at the points where the normal equations would lose
// digits the data hold; with the SVD switch the symmetric indefinite solver for the
// condition, and the SVD where the normal matrix is ill-conditioned) and appended to the fit
// list.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fit/fit_run.h"
#include "fit/fit_sums.h"
#include "numerics/least_squares.h"

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

// The basis of a stored polynomial (kind 1) or rational (kind 2, not a series family) from
// its descriptor, in the order of its parameters: the number of terms, 0 for a descriptor
// these families do not make.
int PolynomialBasisOf(const std::uint8_t* descriptor, TMonomial* basis);
int RationalBasisOf(const std::uint8_t* descriptor, TMonomial* basis);

// A rational's denominator in a frame under the normalisation of raw powers (its constant 1
// at X = Y = 0): its terms D_j (the basis's z terms, then the constant), l_j = D_j(u0, v0) at
// the image (u0, v0) of X = Y = 0, and the term k of largest |l_k|, whose coefficient the
// condition Σ l_j·θ_j = 1 eliminates: θ_k = (1 - Σ_{j≠k} l_j·θ_j) / l_k. The free
// coefficients are the numerator's terms in basis order, then the denominator's but k;
// `columns` gives each one's basis index (m + 1 for the denominator's constant).
struct TRationalNormalisation {
  struct TTerm {
    int index = 0, p = 0, q = 0;
    long double l = 0.0L;
  };
  std::array<TTerm, kMaxLinearParams + 1> terms{};
  int count = 0;
  int pivot = 0;
  std::array<int, kMaxLinearParams> columns{};
  const TTerm* TermAt(int index) const {
    for (int j = 0; j < count; ++j)
      if (terms[static_cast<std::size_t>(j)].index == index) return &terms[static_cast<std::size_t>(j)];
    return nullptr;
  }
};
// False when l_k is not a finite number.
bool RationalNormalisationOf(const TPolynomialFrame& frame, int xKind, int yKind, std::span<const TMonomial> basis,
                             TRationalNormalisation& out);
// u^p·v^q.
long double MonomialValue(long double u, long double v, int p, int q);

// A candidate kept for refinement.
struct KeptFit {
  int m = 0;  // non-constant terms
  int equationNumber = 0;
  int complexity = 0;
  int xKind = 0, yKind = 0;
  std::array<std::uint8_t, 6> descriptor{};
  std::array<std::int32_t, kMaxLinearParams> terms{};
  std::array<long double, kMaxLinearParams> params{};  // the raw coefficients a record stores
  // The coefficients in the family's frame, when `framed` (TFitResult::frameParameters).
  bool framed = false;
  std::array<long double, kMaxLinearParams> frameParams{};
  std::array<TMonomial, kMaxLinearParams> basis{};
  long double r2 = 0.0L;
  long double sse = 0.0L;
  // How the candidate was solved: from its normal equations (with the equilibrated condition
  // of their matrix) or by QR at the points.
  bool fromNormals = true;
  long double normalCondition = 0.0L;
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

// The active points as the polynomial and rational families solve at them: each point's
// weight (W·n/ΣW, as in the sums), z, and the variable of every kind (5..10) in a frame,
// formed with the arithmetic of the sums (a coordinate of exactly 0 taken as 1e-300). A
// kind the data do not allow (ln x with some x <= 0, 1/x with 0 in the x range) holds 0s.
class TFramePoints {
 public:
  [[nodiscard]] bool Make(const TFitRunContext& ctx, const TPolynomialFrame& frame);
  int Count() const { return static_cast<int>(w_.size()); }
  const long double* W() const { return w_.data(); }
  const long double* Z() const { return z_.data(); }
  const long double* U(int kind) const { return u_[static_cast<std::size_t>(kind - kKindX)].data(); }
  const TPolynomialFrame& Frame() const { return frame_; }

 private:
  TPolynomialFrame frame_;
  std::vector<long double> w_, z_;
  std::array<std::vector<long double>, 6> u_;
};

// Whether the solution of normal equations holds what a fit needs. The error of a solution
// of normal equations whose matrix, scaled to a unit diagonal, has the condition κ is about
// γ·κ in the scaled parameters (γ = (n + 1)·2^-63 for n unknowns in long double: the rounding
// of the sums and of the elimination); its residual sum of squares then exceeds the least
// squares minimum by about (γ·κ)²·B, B the weighted sum of squares of the target.
//   - The SSE (screening and ranking): the excess at most 1e-10 of the SSE (of γ·B for an
//     SSE below the rounding of the sums, as an exact fit's is).
//   - The parameters (the fits that are listed): an error within 100 times the one the
//     data's own rounding makes, ρ·sqrt(κ) (ρ: DesignRounding of the fit's variables;
//     sqrt(κ) is the condition of the scaled design, which carries the rounding of the data
//     into the parameters). The normal equations keep all but the last two of the digits
//     the data determine, and ordinary data keep their fast and exact solution.
bool NormalsHoldSse(long double condition, int n, long double targetSquares, long double sse);
bool NormalsHoldParameters(long double condition, int n, long double rounding);
inline constexpr long double kParameterDigitsSpared = 100.0L;
// Whether a least-squares fit is determined by its data rather than by their rounding. Under
// a relative change ρ of its design (the rounding of the data) its coefficients move by
// (κ + κ²·tanθ)·ρ, κ the condition of the scaled design and tanθ = sqrt(SSE / (B - SSE)) the
// angle of the residual to the fitted part (B the sum of squares of the target); where that
// reaches 1e-3 the coefficients, and with them the figures, are set by the rounding, not by
// the data (doubles and long doubles read from two files of the same numbers would give two
// different fits): the fit is dependent on the data, and the family does not fit it.
// DependenceCondition is the condition at which that holds even for an exact fit.
bool DeterminedByData(long double designCondition, long double sse, long double targetSquares,
                      long double rounding);
long double DependenceCondition(long double rounding);
inline constexpr long double kRoundingShare = 1e-3L;

// The relative rounding the design of a fit carries from its data. A coordinate v is read
// with the rounding of a double (2^-53·|v|, the precision of the binary file kinds); in a
// variable V of it (v, ln v, 1/v, centred or not) that is a change of up to R·2^-53 of V's
// half range, R = KindRounding (for v: max |v| / half range; for ln v: 1 / half range of ln v;
// for 1/v: max |1/v| / half range of 1/v), and a power V^p moves p times as much.
long double KindRounding(const TAxisStats& axis, int kind);
inline constexpr long double kDataRounding = 0x1p-53L;

// What screening and refinement need of a family beyond its basis.
class TLinearFamily {
 public:
  // stage and counter: the progress stage and the counter of the family's phase; scaleCap: the
  // bound of the x and y scales of the coefficient test.
  TLinearFamily(int stage, std::uint32_t TFitCounters::*counter, long double scaleCap)
      : stage(stage), counter(counter), scaleCap(scaleCap) {}
  virtual ~TLinearFamily() = default;

  // The normal equations of a candidate from the run's sums into a and b, and B, the
  // weighted sum of squares of their target; false when no sums hold them (the candidate is
  // then solved at the points).
  virtual bool NormalEquations(const KeptFit& fit, long double* const* a, long double* b,
                               long double& targetSquares) const = 0;
  // The residual sum of squares of a solution of those normal equations, from the sums.
  virtual long double NormalSse(const KeptFit& fit, const long double* solution) const = 0;
  // Turns a solution of those normal equations into the form Adopt takes (in place), where
  // they are written in other coefficients (a framed rational's free ones); false when it
  // has none.
  virtual bool FromNormalSolution(const KeptFit&, long double*) const { return true; }
  // The least-squares solution of the candidate's linear system at the active points, by QR
  // of its weighted design, into solution[0..m]; a design whose scaled condition reaches
  // `maxCondition` is dependent and not solved.
  virtual TLeastSquaresResult SolveAtPoints(const KeptFit& fit, long double maxCondition,
                                            long double* solution) const = 0;
  // Makes a solution (of either way) the candidate's: its raw coefficients in fit.params, and
  // its frame form where the family solves in a frame. Returns the SSE the fit is listed
  // with: that of the equation it stores, at the data; `linearSse` is the residual sum of
  // squares of the solved system. NaN when the solution has no stored form.
  virtual long double Adopt(KeptFit& fit, const long double* solution, long double linearSse) const = 0;
  // The data's rounding in the candidate's design (DesignRounding).
  virtual long double DesignRounding(const KeptFit& fit) const = 0;
  // False when the candidate's stored equation has no value somewhere over the data
  // rectangle: such an equation is no fit of the data, however close it comes to the
  // points (a rational whose denominator vanishes there has a pole between them).
  virtual bool DefinedOverData(const KeptFit&) const { return true; }

  const int stage;
  std::uint32_t TFitCounters::*const counter;
  const long double scaleCap;
};

// Allocates `count` keep lists of `keep` records each; false when memory is short.
[[nodiscard]] bool AllocateKeepLists(std::vector<TKeepList>& lists, int count, int keep);

// Screens one candidate: builds its normal equations and solves them by Gaussian elimination
// where their condition holds the SSE, else solves it at the points (a candidate whose terms
// are dependent on the data is dropped), counts the try (reporting progress every 5 tries),
// and keeps it in `list` when its SSE is acceptable, its r² earns a place, its equation is
// defined over the data rectangle and (with `testCoefficients`) every non-constant
// coefficient, scaled by its term's typical size, counts beside the others: the numerator's
// and the denominator's coefficients each against their own mean. Returns 0 when the progress
// callback asked to stop, else 1.
int ScreenCandidate(TFitRunContext& ctx, KeptFit& fit, TKeepList& list,
                    const TLinearFamily& family, bool testCoefficients, std::uint32_t total);

// The last step of a fitter: the final progress report; an abort takes back every record the
// fitter appended (since `listedBefore`) and gives -1.
int FinishLinearFamily(TFitRunContext& ctx, const TLinearFamily& family, int appended,
                       int listedBefore, std::uint32_t total);

// Refines the kept fits of the lists in order, records in slot order, and appends one record
// each to the context's list: a fit solved from normal equations whose condition does not
// hold its parameters to the data's digits is solved again at the points; with the SVD
// switch, the condition of its normal matrix and, where that is ill-conditioned, the SVD
// solution when it fits better. A fit whose stored equation is worse than the mean, or
// undefined at a point, is left out. Returns the number appended. A record that cannot be
// allocated or that the full list refuses drops the rest of its list.
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
