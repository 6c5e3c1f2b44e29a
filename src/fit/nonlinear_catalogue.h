// The catalogue of the non-linear equations: 172 built-in equations z = f(x, y) (equation
// numbers 2001-2172, catalogue indices 0-171) and the 15 user-defined functions (numbers
// 2501-2515, indices 500-514). For an index it gives everything the Levenberg-Marquardt
// engine, the refit and the surface evaluation need: the evaluator, the parameter count, the
// sub-index that selects the start rule, the log flags and the complexity; and for an
// equation number its text and its parameter names.
//
// Evaluators (`TNonlinearEvaluator`, fit_records.h): eval(x, y, a, z, dz) with 1-based
// vectors (a[1] is the first parameter, element 0 unused). They write z and, when dz is not
// null, dz[i] = dz/da_i for i = 1..p. They never fail: a width that is exactly 0 or not a
// number is replaced by 1e-12 in the caller's vector (a fit continues from it), the
// log-normal, LNCUM, LDR and power shapes move an abscissa <= 0 to 1e-12 for the evaluation
// only, and what remains (overflow, NaN from extreme parameters) shows in z. The built-in
// evaluators keep no state: any number of threads may evaluate at once. A user-function
// evaluator runs the function's program on the calling thread's expression context.
//
// Blocks of twelve (form = index mod 12, see nonlinear_forms.h for the parameter layouts):
//
//   0-11 Gaussian       12-23 Lorentzian      24-35 log-normal       36-47 logistic peak
//   48-59 extreme value 60-71 Gaussian/log-normal mixes (forms 0,0,1,1,4,4,5,5,10,10,11,11;
//                       even index Gaussian in x, odd index log-normal in x)
//   72-83 GCUM          84-95 LORCUM          96-107 LNCUM           108-119 SIG
//   120-131 EXVCUM      132-143 LDR           144-155 EXP            156-167 POW
//   168-171 the plane z = a + bx + cy fitted with robust modes 0-3
#pragma once

#include <array>
#include <string_view>

#include "fit/fit_records.h"

inline constexpr int kBuiltinNonlinearCount = 172;
inline constexpr int kUdfCatalogueBase = 500;  // index of user function 1
inline constexpr int kUdfCatalogueCount = 15;
inline constexpr int kMaxNonlinearParameters = 10;  // user functions; built-ins have 2..8

// Sub-index bases of the start rules: peak forms 0-11, transitions 12-23, exponential
// 24-35, power 36-47, the four robust planes 48-51.
enum NonlinearStartGroup : int {
  kSubPeak = 0,
  kSubTransition = 12,
  kSubExponential = 24,
  kSubPower = 36,
  kSubPlane = 48,
  kSubEnd = 52,
};

// What an abscissa <= 0 (or not a number) becomes where a shape needs it positive.
inline constexpr long double kRepairedAbscissa = 1e-12L;

inline long double PositiveAbscissa(long double t) { return t > 0.0L ? t : kRepairedAbscissa; }
// ln t of an abscissa moved to 1e-12 when it is not positive: what the power shapes read.
// Always the library's logarithm at run time (never one the compiler folded from a constant,
// which may differ in the last bit), so that every evaluator reads the same value.
long double LogAbscissa(long double t);

// One point as a point evaluator reads it: the abscissae and their logarithms (`LogAbscissa`),
// which depend on the point alone and are formed once per fit table rather than in every
// evaluation of every pass.
struct TShapePoint {
  long double x = 0.0L, y = 0.0L;
  long double logX = 0.0L, logY = 0.0L;
};
TShapePoint MakeShapePoint(long double x, long double y);

// The evaluator of a shape at a point whose logarithms are formed: the same z and derivatives,
// bit for bit, as the plain evaluator at (x, y), which computes them.
using TNonlinearPointEvaluator = void (*)(const TShapePoint& at, long double* a, long double* z,
                                          long double* dz);

// One catalogue entry. An unknown index (or an empty user-function slot) has a null
// evaluator, 0 parameters and sub-index -1.
struct TNonlinearEntry {
  TNonlinearEvaluator evaluator = nullptr;
  // The power shapes' twin of the evaluator on precomputed logarithms; null for the others,
  // which read nothing a point table could form ahead.
  TNonlinearPointEvaluator pointEvaluator = nullptr;
  int parameters = 0;
  int subIndex = -1;  // 0 for user functions
  int xLog = 0;       // 1: the x factor is log-normal (LOGNORM, LNCUM); widths start at 0.2
  int yLog = 0;
  int complexity = 0;  // 0 for user functions
};

// Catalogue index of an equation number (number - 2001) and back.
inline int NonlinearIndexOfEquation(int equationNumber) { return equationNumber - 2001; }
inline int NonlinearEquationOfIndex(int index) { return index + 2001; }

// The entry of a catalogue index. For a user-function index 500 + k it reads the parameter
// count of function k and sets the calling thread's current user function (CurrentUdf) to
// k; a slot that holds no function, or one whose parameter count is outside 1..10, is
// treated as an unknown index (nothing of it is read) and CurrentUdf is left alone.
TNonlinearEntry LookupNonlinearEquation(int index);
// The same outputs as separate values (the evaluator is null for an unknown index).
void LookupNonlinearEquation(int index, TNonlinearEvaluator& evaluator, int& parameters,
                             int& subIndex, int& xLog, int& yLog, int& complexity);

// The built-in part of the catalogue alone (indices 0..171), without touching any thread
// state: what the refit and the surface evaluation need for an equation number 2001..2172.
// Unknown for any other index.
TNonlinearEntry BuiltinNonlinearEntry(int index);

// The text of a built-in equation, written in the expression language with the shape
// built-ins ("z=GAUSSX(a,b,c)*GAUSSY(1,d,e)"; "~^2~^" marks a superscript 2). Empty for a
// number outside 2001..2172.
std::string_view NonlinearEquationText(int equationNumber);

// The name of parameter i (1-based) of a non-linear equation: "a".."h" for the built-ins
// (the letters of the equation text), "A0".."A9" for the user functions; empty outside the
// equation's parameters or for an unknown number.
std::string_view NonlinearParameterName(int equationNumber, int i);

// The offset form of a shape: z = a[1] + inner(a[2..]) and dz[1] = 1, the inner evaluator
// working on the vectors shifted by one element.
void EvalPeakWithOffset(TNonlinearEvaluator inner, long double x, long double y, long double* a,
                        long double* z, long double* dz);

// The plane of entries 168-171: z = a + b x + c y with the derivatives 1, x, y. The robust
// procedure of an entry is the fitting engine's business.
void EvalRobustPlane(long double x, long double y, long double* a, long double* z,
                     long double* dz);

// User function k (0..14) as a non-linear equation: the whole evaluation of the fitting
// contract of tools/udf/udf_evaluation.h (X and Y moved away from 0, CurrentUdf = k, A0.. from
// a, z from the function's program, forward-difference derivatives). A run that fails gives
// the missing value as z.
void EvalUserFunction(int k, long double x, long double y, long double* a, long double* z,
                      long double* dz);
// The fifteen evaluators of the user functions in slot order, each EvalUserFunction with its k.
extern const std::array<TNonlinearEvaluator, kUdfCatalogueCount> UserFunctionEvaluators;

// The evaluator tables of the shape blocks (indices 0-71, 72-143 and 144-167).
extern const std::array<TNonlinearEvaluator, 72> PeakEvaluators;
extern const std::array<TNonlinearEvaluator, 72> TransitionEvaluators;
extern const std::array<TNonlinearEvaluator, 24> ExponentialPowerEvaluators;
// The point evaluators of the power block (indices 156-167).
extern const std::array<TNonlinearPointEvaluator, 12> PowerPointEvaluators;
