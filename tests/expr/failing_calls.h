// Every built-in of the function table with a call of it that fails, for the tests that
// check a failure is never passed on as a number: bare, inside the arithmetic around it,
// inside the lines that the calculus built-ins run, and in a user function that a fit runs.
//
// Each call fails with the code given wherever X, Y, Z and $ are 2 (the shapes read them;
// a NaN argument, INF-INF, serves the functions defined on every number). The calls of the
// calculus built-ins read the lines of kHelperLines, and "F1" .. "F9" the line of their
// own number, kFailingLine. A built-in without arguments that cannot fail has code 0.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "expr/calculus_state.h"
#include "expr/integration.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"

namespace failing_calls {

struct TFailingCall {
  const char* name;
  const char* call;  // nullptr: no input fails
  int code;
};

struct THelperLine {
  int line;
  const char* text;
};

// 1/($+1) diverges as a series from 1 and as an integral over [-2, 0] (its Gauss sums
// cancel there); Z*Z+1 has no root; the third has no value at X = 2.
inline constexpr std::array<THelperLine, 3> kHelperLines = {{
    {5, "1/($+1)"},
    {6, "Z*Z+1"},
    {7, "IF(X>1.5,DATAERR,X)"},
}};

// The line that "Fn" and "#Fn" call (as line n): no value at X = 2.
inline constexpr const char* kFailingLine = "IF(X>1.5,DATAERR,1)";

// Is this row a call of a line ("F1" .. "F9", "#F1" .. "#F9")? Its line number, else 0.
inline int LineCallNumber(std::string_view name) {
  if (name.starts_with('#')) name.remove_prefix(1);
  return name.size() == 2 && name[0] == 'F' && name[1] >= '1' && name[1] <= '9' ? name[1] - '0' : 0;
}

inline constexpr int kDivide = kErrDivisionByZero;
inline constexpr int kInvalid = kErrInvalidOperand;

inline constexpr TFailingCall kFailingCalls[] = {
    // Lines of the function: every one of them is a row.
    {"F1", "F1", kErrLineUndefined}, {"F2", "F2", kErrLineUndefined}, {"F3", "F3", kErrLineUndefined},
    {"F4", "F4", kErrLineUndefined}, {"F5", "F5", kErrLineUndefined}, {"F6", "F6", kErrLineUndefined},
    {"F7", "F7", kErrLineUndefined}, {"F8", "F8", kErrLineUndefined}, {"F9", "F9", kErrLineUndefined},
    {"#F1", "#F1", kErrLineUndefined}, {"#F2", "#F2", kErrLineUndefined}, {"#F3", "#F3", kErrLineUndefined},
    {"#F4", "#F4", kErrLineUndefined}, {"#F5", "#F5", kErrLineUndefined}, {"#F6", "#F6", kErrLineUndefined},
    {"#F7", "#F7", kErrLineUndefined}, {"#F8", "#F8", kErrLineUndefined}, {"#F9", "#F9", kErrLineUndefined},

    // Shapes: a width (or scale) of 0 divides by zero; POW overflows at 2; LDR, defined for
    // every number (an overflowing power makes it 0), fails on a NaN slope.
    {"GAUSSX", "GAUSSX(1,0,0)", kDivide}, {"LORX", "LORX(1,0,0)", kDivide},
    {"LOGNORMX", "LOGNORMX(1,1,0)", kDivide}, {"LOGISTICX", "LOGISTICX(1,0,0)", kDivide},
    {"EXTRVALX", "EXTRVALX(1,0,0)", kDivide}, {"GCUMX", "GCUMX(1,0,0)", kDivide},
    {"LORCUMX", "LORCUMX(1,0,0)", kDivide}, {"LNCUMX", "LNCUMX(1,1,0)", kDivide},
    {"SIGX", "SIGX(1,0,0)", kDivide}, {"EXVCUMX", "EXVCUMX(1,0,0)", kDivide},
    {"LDRX", "LDRX(1,1,INF-INF)", kInvalid}, {"EXPX", "EXPX(1,0)", kDivide},
    {"POWX", "POWX(1,1E5)", kErrPowOverflow},
    {"GAUSSY", "GAUSSY(1,0,0)", kDivide}, {"LORY", "LORY(1,0,0)", kDivide},
    {"LOGNORMY", "LOGNORMY(1,1,0)", kDivide}, {"LOGISTICY", "LOGISTICY(1,0,0)", kDivide},
    {"EXTRVALY", "EXTRVALY(1,0,0)", kDivide}, {"GCUMY", "GCUMY(1,0,0)", kDivide},
    {"LORCUMY", "LORCUMY(1,0,0)", kDivide}, {"LNCUMY", "LNCUMY(1,1,0)", kDivide},
    {"SIGY", "SIGY(1,0,0)", kDivide}, {"EXVCUMY", "EXVCUMY(1,0,0)", kDivide},
    {"LDRY", "LDRY(1,1,INF-INF)", kInvalid}, {"EXPY", "EXPY(1,0)", kDivide},
    {"POWY", "POWY(1,1E5)", kErrPowOverflow},
    {"GAUSS$", "GAUSS$(1,0,0)", kDivide}, {"LOR$", "LOR$(1,0,0)", kDivide},
    {"LOGNORM$", "LOGNORM$(1,1,0)", kDivide}, {"LOGISTIC$", "LOGISTIC$(1,0,0)", kDivide},
    {"EXTRVAL$", "EXTRVAL$(1,0,0)", kDivide}, {"GCUM$", "GCUM$(1,0,0)", kDivide},
    {"LORCUM$", "LORCUM$(1,0,0)", kDivide}, {"LNCUM$", "LNCUM$(1,1,0)", kDivide},
    {"SIG$", "SIG$(1,0,0)", kDivide}, {"EXVCUM$", "EXVCUM$(1,0,0)", kDivide},
    {"LDR$", "LDR$(1,1,INF-INF)", kInvalid}, {"EXP$", "EXP$(1,0)", kDivide},
    {"POW$", "POW$(1,1E5)", kErrPowOverflow},

    {"IF", "IF(INF-INF,1,2)", kInvalid},

    // Calculus: too many terms, a step that does not move $, a divergent series, a line
    // without a value, no root, reversed ranges, an integral whose Gauss sums cancel over
    // a divergence.
    {"SUM", "SUM(9,1,1E7,1)", kErrTooManyTerms}, {"PROD", "PROD(9,1,2,0)", kInvalid},
    {"SER", "SER(5,1,1,1E-10)", kErrSeriesConvergence},
    {"DX", "DX(7)", kErrLineUndefined}, {"DX2", "DX2(7)", kErrLineUndefined},
    {"DY", "DY(7)", kErrLineUndefined}, {"DY2", "DY2(7)", kErrLineUndefined},
    {"DXY", "DXY(7)", kErrLineUndefined},
    {"IMPLICIT", "IMPLICIT(6,0,1,1E-10)", kErrNoRoot}, {"IMPLICIT_", "IMPLICIT_(6,-1,1,1E-10)", kErrNoRoot},
    {"AI", "AI(5,1,0)", kInvalid}, {"AIP", "AIP(5,1,0,1E-8)", kInvalid},
    {"QI", "QI(5,-2,0)", kErrIntegralConvergence}, {"QIP", "QIP(5,-2,0,1E-8)", kErrIntegralConvergence},
    {"QIN", "QIN(5,-2,0,8)", kErrIntegralConvergence}, {"RI", "RI(5,1,0)", kInvalid},
    {"DQIP", "DQIP(5,0,1,1,0,1E-8)", kInvalid},

    // Special functions: the domain faults of each.
    {"ERF", "ERF(INF-INF)", kInvalid}, {"ERFC", "ERFC(INF-INF)", kInvalid},
    {"ERFP1", "ERFP1(INF-INF)", kInvalid}, {"ERFM1", "ERFM1(INF-INF)", kInvalid},
    {"LNFAC", "LNFAC(-1)", -8}, {"LNGAM", "LNGAM(0)", -108}, {"GAM", "GAM(0)", -109}, {"PSI", "PSI(0)", -112},
    {"BET", "BET(0,1)", -108}, {"IGAM", "IGAM(-1,1)", -123}, {"IGAMP", "IGAMP(-1,1)", -123},
    {"IGAMC", "IGAMC(-1,1)", -124}, {"IGAMQ", "IGAMQ(-1,1)", -124}, {"PFCP", "PFCP(-1,1)", -124},
    {"PFX2", "PFX2(-1,1)", -123}, {"PFX2C", "PFX2C(-1,1)", -124}, {"PFST", "PFST(0,1)", -125},
    {"PFF", "PFF(0,1,1)", -125}, {"PFBI", "PFBI(-1,1,1)", -125}, {"IBETA", "IBETA(-1,1,0.5)", -125},
    {"LGNDR", "LGNDR(2,1,2)", -126}, {"HYPM", "HYPM(1,1,1E6)", -141}, {"HYPU", "HYPU(1,1,-1)", kDivide},
    {"HYPF", "HYPF(1,1,1,2)", -145}, {"B0", "B0(-1)", -143},

    // Bessel, spherical Bessel and Airy functions.
    {"J0", "J0(INF-INF)", kInvalid}, {"J1", "J1(INF-INF)", kInvalid}, {"Y0", "Y0(0)", -132},
    {"Y1", "Y1(0)", -132}, {"I0", "I0(1E5)", kErrNumericOverflow}, {"I1", "I1(1E5)", kErrNumericOverflow},
    {"K0", "K0(0)", -132}, {"K1", "K1(0)", -132}, {"I0EIX", "I0EIX(INF-INF)", -132},
    {"I1EIX", "I1EIX(INF-INF)", -132},
    {"JN", "JN(0.5,1)", -131}, {"YN", "YN(1,0)", -132}, {"IN", "IN(0.5,1)", -131}, {"KN", "KN(1,0)", -132},
    {"JNU", "JNU(1.5,0)", -132}, {"YNU", "YNU(1.5,0)", -132}, {"INU", "INU(1.5,0)", -132},
    {"KNU", "KNU(1.5,0)", -132}, {"DJNU", "DJNU(-1.5,1)", -133}, {"DYNU", "DYNU(-1.5,1)", -133},
    {"DINU", "DINU(-1.5,1)", -133}, {"DKNU", "DKNU(-1.5,1)", -133},
    {"SPHJN", "SPHJN(-1,1)", -133}, {"SPHYN", "SPHYN(0,0)", -132}, {"SPHIN", "SPHIN(-1,1)", -133},
    {"SPHKN", "SPHKN(0,0)", -132}, {"DSPHJN", "DSPHJN(-1,1)", -133}, {"DSPHYN", "DSPHYN(0,0)", -132},
    {"DSPHIN", "DSPHIN(-1,1)", -133}, {"DSPHKN", "DSPHKN(0,0)", -132},
    {"AIRYA", "AIRYA(INF-INF)", -132}, {"AIRYB", "AIRYB(1E5)", -134}, {"DAIRYA", "DAIRYA(INF-INF)", -132},
    {"DAIRYB", "DAIRYB(1E5)", -134},

    // Elementary functions.
    {"DTOR", "DTOR(INF-INF)", kInvalid}, {"RTOD", "RTOD(INF-INF)", kInvalid}, {"RAND", "RAND(INF-INF)", kInvalid},
    {"RANDOM", nullptr, 0}, {"RANDGAUSS", nullptr, 0},
    {"FRACTION", "FRACTION(INF-INF)", kInvalid}, {"INTEGER", "INTEGER(INF-INF)", kInvalid},
    {"ROUND", "ROUND(INF-INF)", kInvalid}, {"FLOOR", "FLOOR(INF-INF)", kInvalid},
    {"CEIL", "CEIL(INF-INF)", kInvalid}, {"ABS", "ABS(INF-INF)", kInvalid}, {"SQRT", "SQRT(-1)", kErrSqrtNegative},
    {"LN", "LN(0)", kErrLogZero}, {"LOG", "LOG(-1)", kErrLogNegative}, {"EXP", "EXP(1E5)", kErrExpOverflow},
    {"POW", "POW(0,-1)", kErrPowZeroNegative}, {"MOD", "MOD(1,0)", kDivide},
    {"COS", "COS(1E19)", kErrCosPrecision}, {"SIN", "SIN(1E19)", kErrSinPrecision},
    {"TAN", "TAN(1E19)", kErrTanPrecision}, {"CSC", "CSC(0)", kDivide}, {"SEC", "SEC(1E19)", kErrCosPrecision},
    {"COT", "COT(0)", kDivide}, {"ACOS", "ACOS(2)", kErrAcosRange}, {"ASIN", "ASIN(-2)", kErrAsinRange},
    {"ATAN", "ATAN(INF-INF)", kInvalid}, {"ATAN2", "ATAN2(0,0)", kErrAtanInvalid},
    {"COSH", "COSH(1E5)", kErrCoshOverflow}, {"SINH", "SINH(-1E5)", kErrSinhOverflow},
    {"TANH", "TANH(INF-INF)", kInvalid}, {"CSCH", "CSCH(0)", kDivide}, {"SECH", "SECH(INF-INF)", kInvalid},
    {"COTH", "COTH(0)", kDivide}, {"ACOSH", "ACOSH(0.5)", -11}, {"ASINH", "ASINH(INF-INF)", kInvalid},
    {"ATANH", "ATANH(1)", -12},

    // Student t values, TFN, noise (GNOISE on weights that sum to 1 or less) and counters.
    {"T9999", "T9999(INF-INF)", kInvalid}, {"T999", "T999(INF-INF)", kInvalid}, {"T99", "T99(INF-INF)", kInvalid},
    {"T95", "T95(INF-INF)", kInvalid}, {"T90", "T90(INF-INF)", kInvalid}, {"TFN", "TFN(INF-INF,1)", kInvalid},
    {"NOISE", "NOISE(INF-INF)", kInvalid}, {"GNOISE", "GNOISE(5)", kErrStatisticUndefined},
    {"INDEX", nullptr, 0}, {"XYCNT", nullptr, 0},
};

inline const TFailingCall* FailingCallOf(std::string_view name) {
  for (const TFailingCall& c : kFailingCalls) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

// The lines a call needs besides its gate: the helper lines, or for "Fn" line n.
struct TNeededLine {
  int line;
  std::string text;
};
inline std::array<TNeededLine, 3> NeededLines(const TFailingCall& c) {
  if (const int n = LineCallNumber(c.name)) return {{{n, kFailingLine}, {0, {}}, {0, {}}}};
  std::array<TNeededLine, 3> lines;
  for (std::size_t i = 0; i < kHelperLines.size(); ++i) lines[i] = {kHelperLines[i].line, kHelperLines[i].text};
  return lines;
}

// Lines free for the gates of a call: the first of 1..4 that it does not use.
inline std::array<int, 3> GateLines(const TFailingCall& c) {
  std::array<int, 3> gates{};
  std::size_t g = 0;
  const int used = LineCallNumber(c.name);
  for (int n = 1; n <= 4 && g < gates.size(); ++n) {
    if (n != used) gates[g++] = n;
  }
  return gates;
}

}  // namespace failing_calls
