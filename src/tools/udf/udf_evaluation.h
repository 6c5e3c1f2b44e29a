// A user-defined function as a program: its value callbacks for graphs, and what the
// fitting engine relies on when it fits one.
//
// Function k (0..14) owns program slots 10k (its Z line) and 10k+1..10k+9 (its lines
// F1..F9; expr/function_text_lines.h tells the lines apart); UdfLoad (expr/expression.h)
// compiles them. Everything here runs on the calling
// thread's expression context: the variables X, Y, A0..A9 and CurrentUdf that a caller
// sets are those of its own thread.
#pragma once

#include "expr/eval_context.h"
#include "expr/udf_record.h"

// ---- Value callbacks for graphs ----

// Function n at (x, y): X = x, Y = y, then slot 10(n-1) is run. They set neither the
// parameters nor CurrentUdf, which the dialog and the graph window have set on the same
// thread. The missing value on any failure.
long double EvalUdf1(long double x, long double y);
long double EvalUdf2(long double x, long double y);
long double EvalUdf3(long double x, long double y);
long double EvalUdf4(long double x, long double y);
long double EvalUdf5(long double x, long double y);
long double EvalUdf6(long double x, long double y);
long double EvalUdf7(long double x, long double y);
long double EvalUdf8(long double x, long double y);
long double EvalUdf9(long double x, long double y);
long double EvalUdf10(long double x, long double y);
long double EvalUdf11(long double x, long double y);
long double EvalUdf12(long double x, long double y);
long double EvalUdf13(long double x, long double y);
long double EvalUdf14(long double x, long double y);
long double EvalUdf15(long double x, long double y);

using UdfValueCallback = long double (*)(long double x, long double y);
// EvalUdf1 .. EvalUdf15 for k = 0..14; null for any other k.
UdfValueCallback EvalUdfCallback(int k);

// ---- The fitting contract ----
//
// 1. Every defined function, in slot order, is fitted as equation 2501 + k with the
//    record's parameter count.
// 2. It starts from the record's start values (as ParseUdfParams computed them and the
//    user adjusted them).
// 3. It must have been loaded (UdfLoad) since its text last changed: UdfReadyToFit.
// 4. UdfFitEvaluate gives the value and the forward-difference parameter derivatives.
// 5. The lower and upper values bound the parameters inclusively: UdfParamsOutOfLimits.
// 6. CurrentUdf is k while function k is fitted or evaluated.

inline constexpr int kUdfFirstEquation = 2501;

inline int UdfEquationNumber(int k) { return kUdfFirstEquation + k; }
// k of equation number 2501..2515; -1 for any other number.
int UdfIndexOfEquation(int equation);

// The number of defined functions.
int UdfDefinedCount();
// The parameter count of a defined function (1..10), 0 for an undefined slot or a count
// out of range; the second form reads a record of any table.
int UdfFitParamCount(int k);
int UdfRecordParamCount(const TUdfRecord& r);
// Defined, with a parameter count of 1..10, and compiled into its slots.
bool UdfReadyToFit(int k);

// The coordinate the fit evaluates at: |v| below 1e-12 becomes 1e-25 (sign and all).
long double UdfFitCoordinate(long double v);

// Function k at (x, y) with the 1-based parameter vector a (a[1] is A0): X and Y from
// UdfFitCoordinate, CurrentUdf = k, A0.. from a, z = slot 10k. With dz (1-based) the
// derivative for each parameter i is the forward difference (z(Ai + h) - z)/h with the
// program's forward step (expr/finite_differences.h, the unit for the scale), and 1e-30
// when the shifted run raised a math error or gave no value; Ai is restored after each
// difference. Z and W are left to
// the caller, who sets them for each point while fitting. A value whose evaluation the
// context's question stopped (ctx.stopped) is not differenced: every derivative is 1e-30.
void UdfFitEvaluate(ExprContext& ctx, int k, long double x, long double y, const long double* a,
                    long double* z, long double* dz);
void UdfFitEvaluate(int k, long double x, long double y, const long double* a, long double* z,
                    long double* dz);

// True when some parameter of the 1-based vector lies below its lower or above its upper
// value (bounds inclusive; a limit that holds the missing value bounds nothing). False for
// an undefined function.
bool UdfParamsOutOfLimits(int k, const long double* a);
bool UdfParamsOutOfLimits(const TUdfRecord& r, const long double* a);
