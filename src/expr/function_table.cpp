#include "expr/function_table.h"

#include <array>

#include "expr/builtins.h"

namespace {

constexpr std::uint32_t X = kUsesX;
constexpr std::uint32_t Y = kUsesY;
constexpr std::uint32_t D = kUsesDollar;
constexpr std::uint32_t SUB = kUsesSubFunction;
constexpr std::uint32_t CALC = kTakesSubFunctionNumber;

// Registration order matters: names are entered in this order and later ones are found
// first (none of them repeats). Rows with a null handler are refused by the lexer until
// their bodies are built.
constexpr std::array<TExprFunctionRow, kExprFunctionCount> kRows = {{
    // Sub-function calls: line n of the function being evaluated.
    {"#F9", 0, SUB, BuiltinF9}, {"#F8", 0, SUB, BuiltinF8}, {"#F7", 0, SUB, BuiltinF7},
    {"#F6", 0, SUB, BuiltinF6}, {"#F5", 0, SUB, BuiltinF5}, {"#F4", 0, SUB, BuiltinF4},
    {"#F3", 0, SUB, BuiltinF3}, {"#F2", 0, SUB, BuiltinF2}, {"#F1", 0, SUB, BuiltinF1},
    {"F9", 0, SUB, BuiltinF9}, {"F8", 0, SUB, BuiltinF8}, {"F7", 0, SUB, BuiltinF7},
    {"F6", 0, SUB, BuiltinF6}, {"F5", 0, SUB, BuiltinF5}, {"F4", 0, SUB, BuiltinF4},
    {"F3", 0, SUB, BuiltinF3}, {"F2", 0, SUB, BuiltinF2}, {"F1", 0, SUB, BuiltinF1},

    // Peak and transition shapes at X, Y and $.
    {"GAUSSX", 3, X, nullptr}, {"LORX", 3, X, nullptr}, {"LOGNORMX", 3, X, nullptr},
    {"LOGISTICX", 3, X, nullptr}, {"EXTRVALX", 3, X, nullptr}, {"GCUMX", 3, X, nullptr},
    {"LORCUMX", 3, X, nullptr}, {"LNCUMX", 3, X, nullptr}, {"SIGX", 3, X, nullptr},
    {"EXVCUMX", 3, X, nullptr}, {"LDRX", 3, X, nullptr}, {"EXPX", 2, X, nullptr},
    {"POWX", 2, X, nullptr},
    {"GAUSSY", 3, Y, nullptr}, {"LORY", 3, Y, nullptr}, {"LOGNORMY", 3, Y, nullptr},
    {"LOGISTICY", 3, Y, nullptr}, {"EXTRVALY", 3, Y, nullptr}, {"GCUMY", 3, Y, nullptr},
    {"LORCUMY", 3, Y, nullptr}, {"LNCUMY", 3, Y, nullptr}, {"SIGY", 3, Y, nullptr},
    {"EXVCUMY", 3, Y, nullptr}, {"LDRY", 3, Y, nullptr}, {"EXPY", 2, Y, nullptr},
    {"POWY", 2, Y, nullptr},
    {"GAUSS$", 3, D, nullptr}, {"LOR$", 3, D, nullptr}, {"LOGNORM$", 3, D, nullptr},
    {"LOGISTIC$", 3, D, nullptr}, {"EXTRVAL$", 3, D, nullptr}, {"GCUM$", 3, D, nullptr},
    {"LORCUM$", 3, D, nullptr}, {"LNCUM$", 3, D, nullptr}, {"SIG$", 3, D, nullptr},
    {"EXVCUM$", 3, D, nullptr}, {"LDR$", 3, D, nullptr}, {"EXP$", 2, D, nullptr},
    {"POW$", 2, D, nullptr},

    {"IF", 3, 0, nullptr},

    // Calculus: the first argument is the number n of the line Fn they evaluate.
    {"PROD", 4, CALC, nullptr}, {"SER", 4, CALC, nullptr}, {"SUM", 4, CALC, nullptr},
    {"DX2", 1, CALC, nullptr}, {"DX", 1, CALC, nullptr}, {"DY2", 1, CALC, nullptr},
    {"DY", 1, CALC, nullptr}, {"DXY", 1, CALC, nullptr},
    {"IMPLICIT", 4, CALC, nullptr}, {"IMPLICIT_", 4, CALC, nullptr},
    {"AI", 3, CALC, nullptr}, {"AIP", 4, CALC, nullptr}, {"QI", 3, CALC, nullptr},
    {"QIP", 4, CALC, nullptr}, {"QIN", 4, CALC, nullptr}, {"RI", 3, CALC, nullptr},
    {"DQIP", 6, CALC, nullptr},

    // Special functions.
    {"ERF", 1, 0, nullptr}, {"ERFC", 1, 0, nullptr}, {"ERFP1", 1, 0, nullptr},
    {"ERFM1", 1, 0, nullptr}, {"LNFAC", 1, 0, nullptr}, {"LNGAM", 1, 0, nullptr},
    {"GAM", 1, 0, nullptr}, {"PSI", 1, 0, nullptr},
    {"BET", 2, 0, nullptr}, {"IGAM", 2, 0, nullptr}, {"IGAMP", 2, 0, nullptr},
    {"IGAMC", 2, 0, nullptr}, {"IGAMQ", 2, 0, nullptr}, {"PFCP", 2, 0, nullptr},
    {"PFX2", 2, 0, nullptr}, {"PFX2C", 2, 0, nullptr}, {"PFST", 2, 0, nullptr},
    {"PFF", 3, 0, nullptr}, {"PFBI", 3, 0, nullptr}, {"IBETA", 3, 0, nullptr},
    {"LGNDR", 3, 0, nullptr}, {"HYPM", 3, 0, nullptr}, {"HYPU", 3, 0, nullptr},
    {"HYPF", 4, 0, nullptr},
    {"B0", 1, 0, nullptr},

    // Bessel, spherical Bessel and Airy functions.
    {"J0", 1, 0, nullptr}, {"J1", 1, 0, nullptr}, {"Y0", 1, 0, nullptr},
    {"Y1", 1, 0, nullptr}, {"I0", 1, 0, nullptr}, {"I1", 1, 0, nullptr},
    {"K0", 1, 0, nullptr}, {"K1", 1, 0, nullptr}, {"I0EIX", 1, 0, nullptr},
    {"I1EIX", 1, 0, nullptr},
    {"JN", 2, 0, nullptr}, {"YN", 2, 0, nullptr}, {"IN", 2, 0, nullptr},
    {"KN", 2, 0, nullptr},
    {"JNU", 2, 0, nullptr}, {"YNU", 2, 0, nullptr}, {"INU", 2, 0, nullptr},
    {"KNU", 2, 0, nullptr}, {"DJNU", 2, 0, nullptr}, {"DYNU", 2, 0, nullptr},
    {"DINU", 2, 0, nullptr}, {"DKNU", 2, 0, nullptr},
    {"SPHJN", 2, 0, nullptr}, {"SPHYN", 2, 0, nullptr}, {"SPHIN", 2, 0, nullptr},
    {"SPHKN", 2, 0, nullptr}, {"DSPHJN", 2, 0, nullptr}, {"DSPHYN", 2, 0, nullptr},
    {"DSPHIN", 2, 0, nullptr}, {"DSPHKN", 2, 0, nullptr},
    {"AIRYA", 1, 0, nullptr}, {"AIRYB", 1, 0, nullptr}, {"DAIRYA", 1, 0, nullptr},
    {"DAIRYB", 1, 0, nullptr},

    // Elementary functions.
    {"DTOR", 1, 0, nullptr}, {"RTOD", 1, 0, nullptr}, {"RAND", 1, 0, nullptr},
    {"RANDOM", 0, 0, nullptr}, {"RANDGAUSS", 0, 0, nullptr},
    {"FRACTION", 1, 0, nullptr}, {"INTEGER", 1, 0, nullptr}, {"ROUND", 1, 0, nullptr},
    {"FLOOR", 1, 0, BuiltinFLOOR}, {"CEIL", 1, 0, BuiltinCEIL}, {"ABS", 1, 0, BuiltinABS},
    {"SQRT", 1, 0, BuiltinSQRT}, {"LN", 1, 0, BuiltinLN}, {"LOG", 1, 0, BuiltinLOG},
    {"EXP", 1, 0, BuiltinEXP},
    {"POW", 2, 0, BuiltinPOW}, {"MOD", 2, 0, BuiltinMOD},
    {"COS", 1, 0, BuiltinCOS}, {"SIN", 1, 0, BuiltinSIN}, {"TAN", 1, 0, BuiltinTAN},
    {"CSC", 1, 0, nullptr}, {"SEC", 1, 0, nullptr}, {"COT", 1, 0, nullptr},
    {"ACOS", 1, 0, BuiltinACOS}, {"ASIN", 1, 0, BuiltinASIN}, {"ATAN", 1, 0, BuiltinATAN},
    {"ATAN2", 2, 0, BuiltinATAN2},
    {"COSH", 1, 0, nullptr}, {"SINH", 1, 0, nullptr},
    {"TANH", 1, 0, BuiltinTANH},
    {"CSCH", 1, 0, nullptr}, {"SECH", 1, 0, nullptr}, {"COTH", 1, 0, nullptr},
    {"ACOSH", 1, 0, nullptr}, {"ASINH", 1, 0, nullptr}, {"ATANH", 1, 0, nullptr},

    // Student t values, Owen's T, noise and data counters.
    {"T9999", 1, 0, nullptr}, {"T999", 1, 0, nullptr}, {"T99", 1, 0, nullptr},
    {"T95", 1, 0, nullptr}, {"T90", 1, 0, nullptr},
    {"TFN", 2, 0, nullptr},
    {"NOISE", 1, 0, nullptr}, {"GNOISE", 1, 0, nullptr},
    {"INDEX", 0, X | Y, nullptr},
    {"XYCNT", 0, 0, nullptr},
}};

}  // namespace

std::span<const TExprFunctionRow> ExprFunctionTable() { return kRows; }

const TExprFunctionRow* ExprFunctionRow(std::uint32_t i) {
  return i < kRows.size() ? &kRows[i] : nullptr;
}
