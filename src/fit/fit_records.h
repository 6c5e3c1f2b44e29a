// The records of a fit: `TFitResult`, one fitted equation as a fit run stores it in the fit
// list, and `TFitEqn`, the record of a fit made current (fit_side.h) with its t values,
// parameter errors, volume and extrema. Equation numbers decide the kind of a fit:
//
//   below 1000    1  polynomial and series families
//   1000-1999     2  rational families
//   2000-2999     3  non-linear: 2001-2172 built-in (catalogue index = number - 2001),
//                    2501-2515 user-defined functions 1-15
//   3000 and up   4  term-subset equations
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "expr/special_functions.h"

enum EquationKind : int {
  kKindPolynomial = 1,
  kKindRational = 2,
  kKindNonlinear = 3,
  kKindTermSubset = 4,
};

// 1..4 from the equation number.
int KindOfEquation(int equationNumber);

inline constexpr int kFirstBuiltinNonlinear = 2001;
inline constexpr int kLastBuiltinNonlinear = 2172;
inline constexpr int kFirstUdfEquation = 2501;
inline constexpr int kLastUdfEquation = 2515;

// True for the equation numbers of the user-defined functions (2501-2515).
inline bool IsUdfEquation(int equationNumber) {
  return equationNumber >= kFirstUdfEquation && equationNumber <= kLastUdfEquation;
}

// Term, parameter and error arrays of the current fit hold 70 entries: m is at most 69.
inline constexpr int kFitEqnSlots = 70;
inline constexpr int kMaxFitM = kFitEqnSlots - 1;
inline constexpr int kDescriptorSize = 6;

// One fitted equation. The parameters and the term list have m + 1 entries each (0..m);
// for a term-subset fit term 0 is the Z variant and terms 1..m are candidate-term codes.
struct TFitResult {
  std::vector<std::int32_t> terms;
  // Parameters minus 1. In the header record of the fit list: the number of fits.
  std::int32_t m = 0;
  // Procedure code of the solver that found the parameters (`FitProcedure`), -1 failed.
  std::int32_t procedure = 0;
  // Family description written by the family fitter; byte 1 is the family code.
  std::array<std::uint8_t, kDescriptorSize> descriptor{};
  long double r2 = 0.0L;
  long double sse = 0.0L;
  long double adjustedR2 = 0.0L;
  long double fitStdError = 0.0L;
  long double f = 0.0L;
  std::vector<long double> parameters;
  // A polynomial or rational fitted to data far from the origin is solved in the frame of
  // its run (TFitRunScales::polynomialFrame or rationalFrame): its coefficients of the
  // shifted and scaled variables, in the order of `parameters`, z's centre in the constant
  // (m + 1 entries). The raw coefficients in `parameters` are those, multiplied out and
  // rounded: over such data their terms cancel to the surface, so the fit is evaluated from
  // these. Empty for every other fit.
  std::vector<long double> frameParameters;
  std::int32_t equationNumber = 0;
  // Side result of the linear solver (for the refined fits the reciprocal condition
  // estimate of the normal matrix); 0 for fits that have none.
  long double determinant = 0.0L;
  std::int32_t complexity = 0;
  // False for a non-linear fit whose iteration ended before it reached a minimum (the
  // iteration limit, or a skip): its statistics are those of where it stopped, not of a
  // least-squares fit, and it ranks after every fit that reached its minimum. True for every
  // other fit.
  bool converged = true;
};

// A zero-filled record with m + 1 parameters and term entries; null when m is outside
// 0..69 or memory is short (the caller drops the fit, as it drops one it cannot solve).
std::unique_ptr<TFitResult> NewFitResult(int m);

// Evaluator of a non-linear equation: z = f(x, y; a) and, when dz is not null, the
// derivatives dz[i] = df/da_i. Both vectors are 1-based (element 0 unused). An evaluator may
// repair degenerate parameters in place.
using TNonlinearEvaluator = void (*)(long double x, long double y, long double* a, long double* z,
                                     long double* dz);

// Two-sided Student-t critical value at a number of degrees of freedom.
using TQuantileFunction = long double (*)(long double dof);

inline constexpr int kConfidenceLevelCount = 5;  // 90, 95, 99, 99.9 and 99.99 %
// The level words of the five levels (the last three carry 99).
inline constexpr std::array<std::int32_t, kConfidenceLevelCount> kConfidenceLevelWords = {
    90, 95, 99, 99, 99};

// A fit made current: the record of `CurFitEqn` and of the render thread's fit.
struct TFitEqn {
  std::int32_t rank = 0;  // rank in the fit list
  std::int32_t equationNumber = 0;
  std::int32_t m = 0;
  std::int32_t kind = 0;  // `EquationKind`
  std::array<std::int32_t, kFitEqnSlots> terms{};
  std::array<std::uint8_t, kDescriptorSize> descriptor{};
  std::int32_t complexity = 0;
  long double sst = 0.0L;  // total sum of squares of the data at the time of the refit
  long double sse = 0.0L;
  // Entries 0..m. Non-linear evaluators take them as a 1-based vector: copy them to
  // element 1 onward of a vector of their own.
  std::array<long double, kFitEqnSlots> parameters{};
  // The record's frameParameters (entries 0..m) when `framed`.
  bool framed = false;
  std::array<long double, kFitEqnSlots> frameParameters{};
  std::int32_t dof = 0;  // n - m - 1, at least 1
  long double r2 = 0.0L;
  long double adjustedR2 = 0.0L;
  long double fitStdError = 0.0L;
  long double f = 0.0L;
  long double determinant = 0.0L;
  std::int32_t procedure = 0;
  bool converged = true;  // the record's `converged`
  TNonlinearEvaluator shapeEvaluator = nullptr;  // kind 3 only
  std::array<long double, kFitEqnSlots> parameterErrors{};
  std::array<TQuantileFunction, kConfidenceLevelCount> tFunctions{};
  std::array<std::int32_t, kConfidenceLevelCount> levelWords{};
  std::array<long double, kConfidenceLevelCount> tValues{};
  std::array<long double, kConfidenceLevelCount> tTimesStdError{};
  long double volume = 0.0L;  // volume under the surface over the data rectangle, 0 if none
  long double volumeSecond = 0.0L;
  std::array<long double, 3> minimum{};  // x, y, z of the surface minimum
  std::array<long double, 3> maximum{};
};

// The expression library's two-sided Student-t critical values at the five levels, which
// every current-fit record holds (with the level words) from the start of the program.
inline constexpr std::array<TQuantileFunction, kConfidenceLevelCount> kStudentTFunctions = {
    StudentT90, StudentT95, StudentT99, StudentT999, StudentT9999};

// A record with nothing fitted that holds the installed t functions and the level words:
// the start of every current fit (fit_side.h).
TFitEqn NewFitEqn();

// The t functions the records made from now on hold (the level words with them). A record
// whose t functions are null gets missing t values from `FillFitEqnTValues`. Start-up and
// tests only: records made before keep theirs.
void InstallFitEqnTFunctions(const std::array<TQuantileFunction, kConfidenceLevelCount>& fns);

// Degrees of freedom of a fit with m + 1 parameters over n points: n - m - 1, at least 1.
std::int32_t FitEqnDof(int n, int m);

// Fills the record from a fit of the list at a rank: identification, terms, descriptor,
// statistics and parameters; sst and n are those of the data at the time of the refit.
// Leaves the t functions, level words and every derived field (errors, t values, volume,
// extrema, shape evaluator) to the refit.
void FillFitEqnFromResult(TFitEqn& eqn, const TFitResult& result, int rank, long double sst, int n);

// The t value of every level at the record's DOF, and its product with the fit standard
// error. A level whose function is not installed, or whose value is not finite, gets the
// missing value in both fields.
void FillFitEqnTValues(TFitEqn& eqn);
