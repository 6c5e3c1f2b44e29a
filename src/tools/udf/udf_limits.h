// The parameter limits of the user-defined functions, computed from their expressions,
// and the spread of each parameter's effect over the data.
#pragma once

#include <span>
#include <string>

#include "app/xyz_point.h"
#include "expr/udf_record.h"

// Values of the parameters at or beyond a function's parameter count.
inline constexpr long double kUdfDefaultLower = static_cast<long double>(-1e25);
inline constexpr long double kUdfDefaultStart = 1;
inline constexpr long double kUdfDefaultUpper = static_cast<long double>(1e25);

// Evaluates the minimum, start and maximum expressions of each parameter of function k
// (0..14) in order, on the calling thread's expression context, into the record's lower,
// start and upper values; each start value is also left in its variable Ai, so later
// expressions may use earlier start values. A limit whose expression does not evaluate
// cleanly (a syntax or math error, a value that is not finite or is the missing value)
// becomes the missing value. Rebuilds the data-dependence mask: bit i when the start
// expression of Ai reads a data statistic, bit 30 any minimum, bit 31 any maximum
// expression. Parameters from the count to 9 get -1e25, 1 and 1e25. Does nothing for an
// undefined function.
void ParseUdfParams(int k);
// The same for a record that is to become function k of some table (a file just read).
void ParseUdfParams(TUdfRecord& record, int k);

// A start value validation takes: strictly between its parameter's lower and upper values.
bool UdfStartWithinLimits(long double lower, long double start, long double upper);
// `start` when validation takes it; a value at or past a limit is brought just inside it: to
// the limit moved one unit of its sixth significant digit inward (of the value's when the
// limit is 0), so that its six-digit text reads inside too; to the middle when the limits
// leave no such room. Windows that move a start value by hand (the adjust graph and its
// derivative table) hold it there, so that what they give back is never refused.
long double UdfStartInsideLimits(long double start, long double lower, long double upper);
// The text of a start value within its limits with `digits` significant digits ("%.*Lg"),
// or as many more as it takes to read back within them (9.9999996 under an upper value of 10
// is not "10").
std::string UdfStartText(long double start, int digits, long double lower, long double upper);

// ParseUdfParams for every defined function whose limits depend on the data (non-zero
// mask): of the bound table, or of the table handed. The pre-scan calls it after every
// change of the data table.
void ParseAllUdfParams();
void ParseAllUdfParams(TUdfTable& table);

// Measures, for parameter p of function k (p = -1: every parameter), the smallest and
// largest central difference dZ/dAp at about 25 sampled points of a point table, with the
// parameters at their start values, into the record's derivative extremes (0 and 0 when no
// point evaluated). Points with |x| or |y| below 1e-12 are skipped, active or not. Then
// returns the first parameter of the range whose start value is not 0, whose derivative
// is not an additive constant near 1, and whose effect |start (largest - smallest)| stays
// below 0.001 zRange; -1 when there is none. The function must be loaded (UdfLoad); runs
// on the calling thread's context, with CurrentUdf = k for the duration.
int UdfDerivativeRanges(int k, int p, std::span<const TXYZPoint> table, long double zRange);
