// The eight dialects the code generator writes, with what each needs of the equation
// builders: its name, the key of its template file and section, its variable names, the
// line break it puts inside long expressions, its names of the mathematical functions and
// its number formats.
//
// Numbers are written as literals of the dialect's real type. The code-number formats
// (FormatCodeNumber, FormatSignedCodeNumber) give 19 significant digits in the 80-bit
// dialects (C with long double, Pascal with Extended, and the user-function file, which the
// program reads back in 80 bits) and 16 in all others; the FORTRAN
// dialects write a "D" exponent, since a literal with "E" or none is single precision
// there. In the texts of equations (CodeLiteral, RealLiteral) C with long double also puts
// an "L" after every real literal: without it the compiler rounds the literal to a double
// and the 19 digits are lost.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

enum CodeGenDialect : int {
  kDialectC80 = 0,        // C, long double
  kDialectC64 = 1,        // C, double
  kDialectPascal = 2,     // Pascal, Extended
  kDialectBasic = 3,      // Basic, double
  kDialectFortran77 = 4,  // FORTRAN 77, fixed form, DOUBLE PRECISION
  kDialectFortran90 = 5,  // FORTRAN 90, free form
  kDialectUdf = 6,        // the program's own user-function file (.udf)
  kDialectTransform = 7,  // the sibling plotting product's transform text
};
inline constexpr int kCodeGenDialectCount = 8;

inline bool IsCodeGenDialect(int dialect) { return dialect >= 0 && dialect < kCodeGenDialectCount; }

enum CodeGenScope : int {
  kScopeFullProgram = 0,  // the "~~" section: a test program around the function
  kScopeFunction = 1,     // the "!!" block: the function alone
  kScopeFirstKey = 2,     // as 1, but the section is looked up by the key of dialect 0
};

struct TCodeGenDialectInfo {
  const char* name;       // as LANG expands it
  const char* key;        // template file key.QVL and section key
  const char* x;          // variable names
  const char* y;
  const char* z;
  const char* lineBreak;  // put inside long expressions; empty: never broken
  const char* plainZ;     // the untransformed dependent variable (FZ); empty in FORTRAN
};

// The row of a dialect; the caller passes a dialect for which IsCodeGenDialect holds.
const TCodeGenDialectInfo& DialectInfo(int dialect);

// Columns of the function-name table.
enum CodeGenFunction : int {
  kFnAbs = 0,
  kFnArcCos = 1,
  kFnArcSin = 2,
  kFnArcTan = 3,
  kFnCos = 4,
  kFnExp = 5,
  kFnLog = 6,
  kFnLog10 = 7,
  kFnSin = 9,
  kFnSqrt = 10,
  kFnTan = 11,
  kFnPow = 12,  // a function in C and Pascal, an operator elsewhere
  kFnErf = 13,
};
// The dialect's name of a function; "N/A" where the dialect lacks it. C with long double
// calls erfl: erf computes in double, which leaves the cumulative shapes about 1e-15 off.
const char* DialectFunctionName(int dialect, CodeGenFunction function);

// Code numbers: "%#.19LG" in dialects 0, 2 and 6, "%#.16LG" in the others; in dialects 4 and 5
// the first "E" becomes "D", or "D0" is appended.
std::string FormatCodeNumber(int dialect, long double value);
// The same with a sign always written ("%+#.19LG", "%+#.16LG").
std::string FormatSignedCodeNumber(int dialect, long double value);

// A code number as a literal inside an equation: dialect 0 appends "L".
std::string CodeLiteral(int dialect, long double value);
std::string SignedCodeLiteral(int dialect, long double value);

// A number already formatted ("0.5", "-3", "1.5E-20", "+2.000000000000000") made a literal of
// the dialect's real type: dialects 4 and 5 take a "D" exponent, dialect 0 a decimal point
// (when it has neither point nor exponent) and "L"; the others keep it as it is.
std::string RealLiteral(int dialect, std::string text);

// Whether the dialect reads a constant of value `value`, written as `text` (a code number or
// a literal of it, a statistic), back as that number: zero, or a finite value whose text is a
// normal number of the dialect's reals. C with long double and Pascal's Extended have 80-bit
// reals (about 3.4e-4932 to 1.2e4932); the user-function file is read by the program's own
// calculation language, which refuses literals beyond 1e300 and reads those below 1e-300 as
// 0; every other dialect has doubles (2.2e-308 to 1.8e308, normal numbers only), the
// transform text included, since its product computes in doubles. No dialect holds NaN or an infinity: "NANL" is no
// C constant, and FORTRAN has no literal for either.
bool DialectHoldsConstant(int dialect, long double value, std::string_view text);

// The first "E" of a formatted number replaced by "D", or "D0" appended when there is none.
std::string FortranDoubleText(std::string text);

// A text from a pattern: each "%s" takes the next of `args` (an empty text when none is
// left), each "{number}" becomes RealLiteral(dialect, number): "{1.0}/%s" with "x" gives
// 1.0/x in C with double, 1.0L/x with long double and 1.0D0/x in FORTRAN.
std::string FillPattern(int dialect, std::string_view pattern,
                        std::initializer_list<std::string_view> args);
